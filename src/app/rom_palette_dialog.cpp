// SPDX-License-Identifier: MIT
#include "app/rom_palette_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "platform/file_range.h"
#include "rom/offsets.h"

namespace glyphon::app {

std::optional<browser::RomPalette> AskRomPalette(QWidget* parent, const browser::RomPalette& start,
                                                 const QString& romName) {
  QDialog dialog(parent);
  dialog.setObjectName("romPaletteDialog");
  dialog.setWindowTitle(QStringLiteral("Palette in ROM"));
  auto* form = new QFormLayout(&dialog);

  auto* offset = new QLineEdit(QString::fromStdString(platform::HexOffset(start.offset)), &dialog);
  offset->setObjectName("paletteOffset");
  offset->setToolTip(QStringLiteral("Hex offset of sub-palette 0"));
  form->addRow(QStringLiteral("Offset"), offset);

  auto* kind = new QComboBox(&dialog);
  kind->setObjectName("paletteKind");
  for (std::string_view name : browser::kRomPaletteKinds)
    kind->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  kind->setItemData(0, QStringLiteral("SNES, Game Boy Color, GBA: 0bbbbbgggggrrrrr little-endian"),
                    Qt::ToolTipRole);
  kind->setItemData(1, QStringLiteral("Genesis: 0000bbb0ggg0rrr0 big-endian"), Qt::ToolTipRole);
  kind->setItemData(2, QStringLiteral("N64: rrrrrgggggbbbbba big-endian"), Qt::ToolTipRole);
  const auto at = std::find(browser::kRomPaletteKinds.begin(), browser::kRomPaletteKinds.end(), start.kind);
  kind->setCurrentIndex(
      at == browser::kRomPaletteKinds.end() ? 0 : static_cast<int>(at - browser::kRomPaletteKinds.begin()));
  form->addRow(QStringLiteral("Layout"), kind);

  auto* number = new QSpinBox(&dialog);
  number->setObjectName("subPalette");
  number->setRange(0, 4095);
  number->setValue(start.number);
  number->setToolTip(QStringLiteral("Sub-palettes of the format's colour count follow one another"));
  form->addRow(QStringLiteral("Sub-palette"), number);

  // The file: the open ROM unless another one is chosen.
  QString file = start.file.empty() ? QString() : QString::fromStdString(start.file.string());
  auto* row = new QHBoxLayout;
  auto* fileName = new QLabel(&dialog);
  fileName->setObjectName("paletteFile");
  auto show = [&] { fileName->setText(file.isEmpty() ? romName : QFileInfo(file).fileName()); };
  show();
  auto* other = new QPushButton(QStringLiteral("Other file..."), &dialog);
  auto* same = new QPushButton(QStringLiteral("This ROM"), &dialog);
  QObject::connect(other, &QPushButton::clicked, &dialog, [&] {
    const QString chosen = QFileDialog::getOpenFileName(&dialog, QStringLiteral("Palette file"));
    if (!chosen.isEmpty()) file = chosen;
    show();
  });
  QObject::connect(same, &QPushButton::clicked, &dialog, [&] {
    file.clear();
    show();
  });
  row->addWidget(fileName, 1);
  row->addWidget(other);
  row->addWidget(same);
  form->addRow(QStringLiteral("File"), row);

  auto* problem = new QLabel(&dialog);
  problem->setObjectName("paletteProblem");
  form->addRow(problem);
  // The field is in hex with or without its prefix, as the browser's offset field.
  auto parse = [&] {
    std::string text = offset->text().trimmed().toStdString();
    if (!text.starts_with("0x") && !text.starts_with("0X") && !text.starts_with("$")) text = "0x" + text;
    return rom::ParseOffset(text);
  };
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    if (parse()) {
      dialog.accept();
      return;
    }
    problem->setText(QStringLiteral("\"%1\" is not a hex offset.").arg(offset->text()));
    offset->setFocus();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  offset->setFocus();
  offset->selectAll();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const Result<std::uint64_t> parsed = parse();
  browser::RomPalette chosen;
  chosen.file = file.isEmpty() ? std::filesystem::path() : std::filesystem::path(file.toStdString());
  chosen.offset = parsed.Value();
  chosen.kind = browser::kRomPaletteKinds[static_cast<std::size_t>(kind->currentIndex())];
  chosen.number = number->value();
  return chosen;
}

}  // namespace glyphon::app
