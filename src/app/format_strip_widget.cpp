// SPDX-License-Identifier: MIT
#include "app/format_strip_widget.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "app/surface_image.h"

namespace glyphon::app {

namespace {

constexpr int kMargin = 4;  // around a cell's picture and caption
constexpr int kGap = 4;     // between cells

QFont SmallFont(QFont font) {
  font.setPixelSize(10);
  return font;
}

}  // namespace

FormatStripWidget::FormatStripWidget(QWidget* parent, browser::RomBrowser& model,
                                     std::function<void()> changed)
    : QWidget(parent), m_model(model), m_changed(std::move(changed)) {
  setObjectName("formatStrip");
  setToolTip(QStringLiteral("The bytes at the offset in every format; click one to view in it"));
  setFont(SmallFont(font()));
  Refresh();
}

int FormatStripWidget::CellHeight() const {
  return kMargin + fontMetrics().height() + browser::kStripRows + kMargin + kGap;
}

QSize FormatStripWidget::sizeHint() const {
  return {browser::kStripMaxWidth + 2 * kMargin, CellHeight() * formats::kFormatCount};
}

void FormatStripWidget::Refresh() {
  setFixedSize(sizeHint());
  update();
}

int FormatStripWidget::CellAt(QPoint point) const {
  const int cell = point.y() / CellHeight();
  return point.y() >= 0 && cell < formats::kFormatCount ? cell : -1;
}

void FormatStripWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!m_model.HasFile()) return;
  const std::vector<browser::StripCell>& cells = m_model.Strip();
  const int height = CellHeight();
  const int text = fontMetrics().height();
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int top = static_cast<int>(i) * height;
    const QRect area(0, top, width(), height - kGap);
    if (!event->rect().intersects(area)) continue;
    const browser::StripCell& cell = cells[i];
    const bool current = cell.format == m_model.Format();
    if (current) painter.fillRect(area, palette().highlight());
    painter.setPen(current ? palette().highlightedText().color() : palette().windowText().color());
    painter.drawText(QRect(kMargin, top + kMargin, width() - 2 * kMargin, text),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(cell.label.data(), static_cast<qsizetype>(cell.label.size())));
    painter.drawImage(QPoint(kMargin, top + kMargin + text), ToQImage(cell.picture));
  }
}

void FormatStripWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int cell = CellAt(event->position().toPoint());
  if (cell < 0) return;
  m_model.ChooseStripCell(static_cast<std::size_t>(cell));
  m_changed();
}

}  // namespace glyphon::app
