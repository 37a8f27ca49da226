// SPDX-License-Identifier: MIT
#include "app/widgets.h"

#include <qdrawutil.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWheelEvent>

#include "app/surface_image.h"

namespace glyphon::app {

void DrawOutline(QPainter& painter, const workspace::Outline& shape, QPoint origin) {
  if (!shape.visible) return;
  // Pixel edges of the box: it covers `width` columns from `left` (fractions round).
  const int left = qRound(shape.left);
  const int top = qRound(shape.top);
  const int right = qRound(shape.left + shape.width) - 1;
  const int bottom = qRound(shape.top + shape.height) - 1;
  if (right < left || bottom < top) return;
  const QRect box = QRect(QPoint(left, top), QPoint(right, bottom)).translated(origin);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  // Seen over any picture: a yellow and black dashed line between two black ones, one
  // outside the box and one inside it. drawRect covers width + 1 columns with a
  // one-pixel pen.
  const QRect edge = box.adjusted(0, 0, -1, -1);
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(edge.adjusted(-1, -1, 1, 1));
  if (edge.width() > 2 && edge.height() > 2) painter.drawRect(edge.adjusted(1, 1, -1, -1));
  painter.setPen(QPen(QColor(255, 214, 0), 0));
  painter.drawRect(edge);
  QPen dashes(Qt::black, 0);
  dashes.setDashPattern({4, 4});
  painter.setPen(dashes);
  painter.drawRect(edge);
  painter.restore();
}

// ---- FramedPicture ----

FramedPicture::FramedPicture(QWidget* parent, int frame) : QWidget(parent), m_frame(frame) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void FramedPicture::SetPicture(const platform::Surface& picture) {
  QImage image = picture.HasPicture() ? ToQImage(picture) : QImage();
  if (image == m_image) return;
  m_image = std::move(image);
  update();
}

void FramedPicture::SetOutline(const workspace::Outline& outline) {
  const auto& o = m_outline;
  if (o.visible == outline.visible && o.left == outline.left && o.top == outline.top &&
      o.width == outline.width && o.height == outline.height) {
    return;
  }
  m_outline = outline;
  update();
}

void FramedPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The sunken two-pixel border of a picture box: dark and black above and to the left,
  // light and face below and to the right.
  if (m_frame > 0) qDrawWinPanel(&painter, rect(), palette(), true);
  const QRect area = rect().adjusted(m_frame, m_frame, -m_frame, -m_frame);
  painter.setClipRect(area);
  if (m_image.isNull()) {
    painter.fillRect(area, palette().color(QPalette::Window));
  } else {
    painter.drawImage(area.topLeft(), m_image);
  }
  DrawOutline(painter, m_outline, area.topLeft());
}

void FramedPicture::mousePressEvent(QMouseEvent* event) {
  m_pressed = event->button() == Qt::LeftButton;
  event->accept();
}

void FramedPicture::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  m_pressed = false;
  event->accept();
  if (click && m_onClick) m_onClick();
}

// ---- CaptionFrame ----

void CaptionFrame::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  update();
}

void CaptionFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // The edge runs through the middle of the caption's line.
  const int top = metrics.height() / 2;
  qDrawShadeRect(&painter, QRect(0, top, width(), height() - top), palette(), true, 1);
  if (m_caption.isEmpty()) return;
  const QRect text(8, 0, metrics.horizontalAdvance(m_caption) + 4, metrics.height());
  painter.fillRect(text, palette().color(QPalette::Window));
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(text, Qt::AlignCenter, m_caption);
}

// ---- SpinnerBar ----

SpinnerBar::SpinnerBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimum(0);
}

QRect SpinnerBar::ArrowRect(Arrow arrow) const {
  const int half = height() / 2;
  return arrow == Arrow::Up ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
}

SpinnerBar::Arrow SpinnerBar::ArrowAt(QPoint pos) const {
  if (ArrowRect(Arrow::Up).contains(pos)) return Arrow::Up;
  if (ArrowRect(Arrow::Down).contains(pos)) return Arrow::Down;
  return Arrow::None;
}

void SpinnerBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (Arrow arrow : {Arrow::Up, Arrow::Down}) {
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = ArrowRect(arrow);
    const bool down = m_pressed == arrow && ArrowAt(mapFromGlobal(QCursor::pos())) == arrow;
    button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    button.state &= ~QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

    QStyleOption indicator;
    indicator.initFrom(this);
    indicator.rect = button.rect.adjusted(3, 1, -3, -1).translated(down ? 1 : 0, down ? 1 : 0);
    style()->drawPrimitive(arrow == Arrow::Up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                           &indicator, &painter, this);
  }
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(2, 2, -2, -2);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void SpinnerBar::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  m_pressed = ArrowAt(event->position().toPoint());
  if (m_pressed == Arrow::None) return;
  // The upper arrow counts up.
  const SliderAction action = m_pressed == Arrow::Up ? SliderSingleStepAdd : SliderSingleStepSub;
  setRepeatAction(action);
  triggerAction(action);
  update();
}

void SpinnerBar::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  m_pressed = Arrow::None;
  setRepeatAction(SliderNoAction);
  update();
}

void SpinnerBar::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (m_pressed == Arrow::None) return;
  // Held arrows repeat only while the pointer stays on them.
  const bool over = ArrowAt(event->position().toPoint()) == m_pressed;
  const SliderAction action = !over                    ? SliderNoAction
                              : m_pressed == Arrow::Up ? SliderSingleStepAdd
                                                       : SliderSingleStepSub;
  if (action != repeatAction()) setRepeatAction(action);
  update();
}

void SpinnerBar::wheelEvent(QWheelEvent* event) {
  event->accept();
  // A notch is 120 eighths of a degree; turning up is the upper arrow.
  m_wheel += event->angleDelta().y();
  for (; m_wheel >= 120; m_wheel -= 120) triggerAction(SliderSingleStepAdd);
  for (; m_wheel <= -120; m_wheel += 120) triggerAction(SliderSingleStepSub);
}

void SpinnerBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      triggerAction(SliderSingleStepAdd);
      break;
    case Qt::Key_Down:
      triggerAction(SliderSingleStepSub);
      break;
    case Qt::Key_PageUp:
      triggerAction(SliderPageStepAdd);
      break;
    case Qt::Key_PageDown:
      triggerAction(SliderPageStepSub);
      break;
    default:
      QScrollBar::keyPressEvent(event);
      return;
  }
  event->accept();
}

// ---- ValueField ----

ValueField::ValueField(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignCenter);
  setMaxLength(7);
  setTextMargins(0, 0, 0, 0);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void ValueField::Show(const QString& value) {
  m_shown = value;
  if (!isModified()) setText(value);
}

void ValueField::Restore() {
  setModified(false);
  setText(m_shown);
}

bool ValueField::event(QEvent* event) {
  // Enter and Escape belong to the box while it has the keyboard, not to the window's
  // shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain &&
        (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void ValueField::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      const QString typed = text();
      setModified(false);
      if (m_onEnter) m_onEnter(typed);
      Restore();
      selectAll();
      break;
    }
    case Qt::Key_Escape:
      Restore();
      selectAll();
      break;
    default:
      QLineEdit::keyPressEvent(event);
      return;
  }
  event->accept();
}

void ValueField::focusOutEvent(QFocusEvent* event) {
  Restore();
  QLineEdit::focusOutEvent(event);
}

}  // namespace glyphon::app
