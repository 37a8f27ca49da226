// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>
#include <functional>

#include "core/surface.h"
#include "workspace/window_view.h"

class QPainter;

namespace glyphon::app {

// Draws an outline rectangle of the model at `origin`: `width` by `height` pixels from
// (left, top), in black with white dashes over it so it shows on any picture.
void DrawOutline(QPainter& painter, const workspace::Outline& shape, QPoint origin);

// A picture surface, with the 2-pixel sunken frame of the thumbnail and the swatch strip or
// without one for the full-size view: it shows the model's drawing-area surface (or the
// plain background when the surface holds no picture) and the selection outline over it.
class FramedPicture : public QWidget {
 public:
  static constexpr int kFrame = 2;

  FramedPicture(QWidget* parent, int frame);

  void SetPicture(const platform::Surface& picture);
  void SetOutline(const workspace::Outline& outline);
  // A left click released over the picture.
  void OnClick(std::function<void()> handler) { m_onClick = std::move(handler); }

  const QImage& Image() const { return m_image; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int m_frame;
  QImage m_image;  // null: nothing shown
  workspace::Outline m_outline;
  std::function<void()> m_onClick;
  bool m_pressed = false;
};

// A frame around a group of controls: an etched edge with the caption set into its top
// line. Its children are placed from its outer top-left corner.
class CaptionFrame : public QWidget {
 public:
  explicit CaptionFrame(QWidget* parent) : QWidget(parent) {}
  void SetCaption(const QString& caption);
  const QString& Caption() const { return m_caption; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString m_caption;
};

// A vertical scroll bar used as a number spinner, 17 by 17 pixels: only its two arrows show,
// the upper one counting up and the lower one counting down. Holding an arrow repeats; the
// Up and Down keys (Page Up and Page Down too) count the same way, and each notch of the
// wheel is one click of the arrow it turns towards.
class SpinnerBar : public QScrollBar {
 public:
  explicit SpinnerBar(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Arrow { None, Up, Down };
  Arrow ArrowAt(QPoint pos) const;
  QRect ArrowRect(Arrow arrow) const;
  Arrow m_pressed = Arrow::None;
  int m_wheel = 0;  // eighths of a degree not yet turned into steps
};

// The value beside a spinner, in a sunken box: clicking it, or Tab, edits it; Enter hands
// the typed text on, Escape or leaving the box brings back the value shown.
class ValueField : public QLineEdit {
 public:
  explicit ValueField(QWidget* parent);

  void OnEnter(std::function<void(const QString&)> handler) { m_onEnter = std::move(handler); }
  // The value to show; while the user is typing it waits until the box is left.
  void Show(const QString& value);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Restore();

  QString m_shown;
  std::function<void(const QString&)> m_onEnter;
};

}  // namespace glyphon::app
