// SPDX-License-Identifier: MIT
#include "app/progress_window_widget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace glyphon::app {

namespace {

QPalette::ColorRole Role(workspace::SystemColour colour) {
  switch (colour) {
    case workspace::SystemColour::Highlight:
      return QPalette::Highlight;
    case workspace::SystemColour::HighlightText:
      return QPalette::HighlightedText;
    case workspace::SystemColour::ButtonFace:
      return QPalette::Button;
    case workspace::SystemColour::ButtonText:
      break;
  }
  return QPalette::ButtonText;
}

}  // namespace

ProgressWindowWidget::ProgressWindowWidget(QWidget* parent) : QWidget(parent) {
  // A tool window over its main window: kept in front of it and out of the task bar. No
  // close button: a running loop cannot be stopped.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setObjectName("progress");
  setFixedSize(workspace::ProgressWindow::kBarWidth, workspace::ProgressWindow::kBarHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ProgressWindowWidget::TextColour() const {
  return palette().color(Role(m_colour));
}

void ProgressWindowWidget::Render(const workspace::ProgressWindow& model) {
  setWindowTitle(QString::fromStdString(model.caption));
  const QString text = QString::fromStdString(model.text);
  if (text != m_text || model.barFill != m_fill || model.textColour != m_colour) {
    m_text = text;
    m_fill = model.barFill;
    m_colour = model.textColour;
    update();
  }
  if (model.visible && !isVisible()) {
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
  }
  if (!model.visible && isVisible()) hide();
}

void ProgressWindowWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect bar = rect();
  painter.fillRect(bar, palette().color(QPalette::Button));
  painter.fillRect(QRect(0, 0, std::min(m_fill, bar.width()), bar.height()),
                   palette().color(QPalette::Highlight));
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(TextColour());
  painter.drawText(bar, Qt::AlignCenter, m_text);
}

void ProgressWindowWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
}

void ProgressWindowWidget::changeEvent(QEvent* event) {
  // Another window became active while a loop runs: stay in front of it.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) raise();
  QWidget::changeEvent(event);
}

}  // namespace glyphon::app
