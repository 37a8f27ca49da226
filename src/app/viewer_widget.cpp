// SPDX-License-Identifier: MIT
#include "app/viewer_widget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "app/cursors.h"
#include "app/picture_editor_widget.h"
#include "app/widgets.h"
#include "workspace/drawing.h"

namespace glyphon::app {

ViewerWidget::ViewerWidget() : QScrollArea(nullptr), m_picture(new FramedPicture(this, 0)) {
  // A tool window is left out of the task bar; it has no frame, so the picture fills it.
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setObjectName("viewer");
  m_picture->setObjectName("viewer.picture");
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  setWidget(m_picture);
  setFocusPolicy(Qt::StrongFocus);
}

ViewerWidget::~ViewerWidget() = default;

void ViewerWidget::EnableEditing(platform::Platform& platform, workspace::MainWindow& model) {
  m_editor = std::make_unique<PictureEditor>(*this, platform, model);
}

void ViewerWidget::OnClick(std::function<void()> handler) {
  m_onClick = std::move(handler);
  m_picture->OnClick([this] { m_onClick(); });
}

void ViewerWidget::Render(const workspace::ViewerView& view) {
  setWindowTitle(QString::fromUtf8(workspace::kViewerCaption.data(),
                                   static_cast<qsizetype>(workspace::kViewerCaption.size())));
  if (view.visible && view.picture != nullptr && (!isVisible() || view.zoom != m_zoom))
    ShowPicture(*view.picture, view.zoom);
  m_picture->SetOutline(view.outline);
  m_picture->setToolTip(QString::fromUtf8(workspace::kViewerToolTip.data(),
                                          static_cast<qsizetype>(workspace::kViewerToolTip.size())));
  ShowMagnifier(*m_picture, true, Magnifier::ZoomOut);
  if (!view.visible && isVisible()) {
    if (m_editor) m_editor->Stop();
    hide();
    m_picture->SetPicture({});  // let go of a picture that may be large
  }
}

void ViewerWidget::ShowPicture(const platform::Surface& shown, int zoom) {
  m_zoom = zoom;
  // Each picture pixel a square of zoom by zoom screen pixels.
  platform::Surface zoomed;
  if (zoom > 1) {
    zoomed = platform::Surface(shown.Width() * zoom, shown.Height() * zoom);
    workspace::StretchDraw(shown, zoomed);
  }
  const platform::Surface& picture = zoom > 1 ? zoomed : shown;
  m_picture->SetPicture(picture);
  m_picture->resize(picture.Width(), picture.Height());

  // The window takes the picture's size, but never more than the screen offers; where the
  // picture is cut, a scroll bar takes room along the other side.
  const QRect available =
      (screen() != nullptr ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
  const int barWidth = verticalScrollBar()->sizeHint().width();
  const int barHeight = horizontalScrollBar()->sizeHint().height();
  int width = std::min(picture.Width(), available.width());
  int height = std::min(picture.Height(), available.height());
  for (int pass = 0; pass < 2; ++pass) {
    if (picture.Width() > width) height = std::min(picture.Height() + barHeight, available.height());
    if (picture.Height() > height) width = std::min(picture.Width() + barWidth, available.width());
  }
  resize(std::max(width, 1), std::max(height, 1));
  move(available.center() - rect().center());
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  show();
  raise();
  activateWindow();
  setFocus();
}

void ViewerWidget::wheelEvent(QWheelEvent* event) {
  event->accept();
  m_wheel += event->angleDelta().y();
  const int notches = m_wheel / 120;
  if (notches == 0 || !m_onWheel) return;
  m_wheel -= notches * 120;
  m_onWheel(notches);
}

// Escape returns at once, as it closes any other window; other keys on their release.
void ViewerWidget::keyPressEvent(QKeyEvent* event) {
  // E turns the editor on and off; while it is on, the keys are its own.
  if (m_editor && event->key() == Qt::Key_E && !(event->modifiers() & ~Qt::KeypadModifier)) {
    event->accept();
    if (!event->isAutoRepeat()) m_editor->Toggle();
    return;
  }
  if (m_editor && m_editor->Editing() && event->key() != Qt::Key_Escape) {
    event->accept();
    m_editor->Key(*event);
    return;
  }
  if (event->key() != Qt::Key_Escape) {
    QScrollArea::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!event->isAutoRepeat() && m_onKeyUp) m_onKeyUp(Qt::Key_Escape, 0);
}

void ViewerWidget::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  if (event->isAutoRepeat() || !m_onKeyUp) return;
  if (m_editor && (m_editor->Editing() || event->key() == Qt::Key_E)) return;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const int shift = (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
                    (modifiers & Qt::AltModifier ? 4 : 0);
  m_onKeyUp(event->key(), shift);
}

// Closed by the window system (the viewer has no close button, but a key combination can
// close any window): the main window comes back as after a click, so one of the two is
// always on screen.
void ViewerWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (m_onClick) m_onClick();
}

}  // namespace glyphon::app
