// SPDX-License-Identifier: MIT
#include "app/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <algorithm>
#include <utility>

#include "app/surface_image.h"
#include "imageio/picture_file.h"
#include "imageio/qt_picture_reader.h"

namespace glyphon::app {

namespace {

using platform::Answer;
using namespace Qt::StringLiterals;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton ToQt(Answer answer) {
  switch (answer) {
    case Answer::Ok:
      return QMessageBox::Ok;
    case Answer::Yes:
      return QMessageBox::Yes;
    case Answer::No:
      return QMessageBox::No;
    case Answer::Cancel:
      break;
  }
  return QMessageBox::Cancel;
}

QMessageBox::Icon ToQt(platform::Icon icon) {
  switch (icon) {
    case platform::Icon::Information:
      return QMessageBox::Information;
    case platform::Icon::Question:
      return QMessageBox::Question;
    case platform::Icon::Exclamation:
      return QMessageBox::Warning;
    case platform::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QStringList QtNameFilters(std::span<const platform::FileFilter> filters) {
  QStringList names;
  for (const platform::FileFilter& filter : filters) {
    QStringList patterns;
    for (std::string_view extension : filter.extensions) patterns << u"*."_s + FromUtf8(extension);
    if (patterns.isEmpty()) patterns << QStringLiteral("*.*");
    names << FromUtf8(filter.description) + u" files ("_s + patterns.join(u' ') + u')';
  }
  return names;
}

QString MessageText(const std::vector<std::string>& lines) {
  QStringList qt;
  // The program writes its first line as a sentence; the reasons after it start with a capital.
  for (const std::string& line : lines) qt << FromUtf8(qt.isEmpty() ? line : platform::AsSentence(line));
  return qt.join(u'\n');
}

Answer QtPlatform::ShowMessage(const platform::Message& message) {
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if (message.buttons == platform::Buttons::YesNo) buttons = QMessageBox::Yes | QMessageBox::No;
  if (message.buttons == platform::Buttons::YesNoCancel)
    buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;

  QMessageBox box(ToQt(message.icon), FromUtf8(message.title), MessageText(message.lines), buttons, m_parent);
  box.setDefaultButton(ToQt(message.defaultButton));
  // Escape presses the button that says "leave it": OK, No or Cancel.
  box.setEscapeButton(message.buttons == platform::Buttons::Ok      ? QMessageBox::Ok
                      : message.buttons == platform::Buttons::YesNo ? QMessageBox::No
                                                                    : QMessageBox::Cancel);
  box.setTextFormat(Qt::PlainText);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      // Closed without a button: what the box's escape button would have said.
      return message.buttons == platform::Buttons::YesNo ? Answer::No
             : message.buttons == platform::Buttons::Ok  ? Answer::Ok
                                                         : Answer::Cancel;
  }
}

platform::FileChoice QtPlatform::OpenFileDialog(std::span<const platform::FileFilter> filters) {
  return RunFileDialog(filters, false);
}

platform::FileChoice QtPlatform::SaveFileDialog(std::span<const platform::FileFilter> filters) {
  return RunFileDialog(filters, true);
}

platform::FileChoice QtPlatform::RunFileDialog(std::span<const platform::FileFilter> filters, bool save) {
  const QStringList names = QtNameFilters(filters);
  QFileDialog dialog(m_parent);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The save flow reads the kind of a file from the extension typed and asks its own
  // question about replacing a file: the dialog adds no suffix and asks nothing.
  dialog.setDefaultSuffix(QString());
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilters(names);
  if (!m_lastFolder.isEmpty()) dialog.setDirectory(m_lastFolder);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};

  const QString file = dialog.selectedFiles().constFirst();
  const qsizetype index = std::max<qsizetype>(names.indexOf(dialog.selectedNameFilter()), 0);
  if (filters.empty()) return {file.toStdString(), {}};
  return {file.toStdString(), filters[static_cast<std::size_t>(index)]};
}

std::optional<platform::Surface> QtPlatform::ClipboardPicture() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasImage()) return std::nullopt;
  const QImage image = QApplication::clipboard()->image();
  if (image.isNull()) return std::nullopt;
  return FromQImage(image);
}

void QtPlatform::SetClipboardPicture(const platform::Surface& picture) {
  // An empty selection copies nothing: the clipboard then holds no picture.
  if (picture.IsEmpty()) {
    QApplication::clipboard()->clear();
  } else {
    QApplication::clipboard()->setImage(ToQImage(picture));
  }
}

Result<platform::Surface> QtPlatform::LoadPicture(const std::string& fileName) {
  Result<platform::Surface> picture = imageio::ReadAnyPicture(platform::PathFromUtf8(fileName));
  if (picture) RememberFolder(fileName);
  return picture;
}

// ".png" is written as PNG; every other name (".bmp", a partner picture's ".bmp2") as BMP.
Status QtPlatform::SaveBitmap(const std::string& fileName, const platform::Surface& picture) {
  const std::filesystem::path path = platform::PathFromUtf8(fileName);
  const bool png =
      QFileInfo(QString::fromStdString(fileName)).suffix().compare(u"png", Qt::CaseInsensitive) == 0;
  Status written = png ? imageio::WritePicture(path, picture) : imageio::WriteBitmap(path, picture);
  if (written) RememberFolder(fileName);
  return written;
}

Result<ByteString> QtPlatform::ReadBytes(const std::string& fileName) {
  Result<ByteString> bytes = Platform::ReadBytes(fileName);
  if (bytes) RememberFolder(fileName);
  return bytes;
}

Status QtPlatform::WriteBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  Status written = Platform::WriteBytes(fileName, bytes);
  if (written) RememberFolder(fileName);
  return written;
}

void QtPlatform::RememberFolder(const std::string& fileName) {
  m_lastFolder = QFileInfo(QString::fromStdString(fileName)).absolutePath();
}

void QtPlatform::ProcessPendingEvents() {
  if (m_render) m_render();
  QCoreApplication::processEvents();
}

}  // namespace glyphon::app
