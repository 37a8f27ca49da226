// SPDX-License-Identifier: MIT
#pragma once

#include <QScrollArea>
#include <functional>
#include <memory>

#include "workspace/window_view.h"

namespace glyphon::platform {
class Platform;
}
namespace glyphon::workspace {
class MainWindow;
}

namespace glyphon::app {

class FramedPicture;
class PictureEditor;

// The viewer on screen: a borderless window, not in the task bar, showing the picture at full size with
// the selection outline. A picture larger than the screen scrolls inside a window no larger
// than the screen's available area.
class ViewerWidget : public QScrollArea {
 public:
  ViewerWidget();
  ~ViewerWidget() override;

  // E turns the editor on over `model`'s picture; its messages go through `platform`.
  void EnableEditing(platform::Platform& platform, workspace::MainWindow& model);
  PictureEditor* Editor() { return m_editor.get(); }

  // The user's events: a click on the picture, a key released over the window (Qt key code
  // and the shift mask 1 Shift, 2 Ctrl, 4 Alt).
  void OnClick(std::function<void()> handler);
  void OnKeyUp(std::function<void(int key, int shift)> handler) { m_onKeyUp = std::move(handler); }
  // The wheel turned: notches away from the user are positive (zoom in).
  void OnWheel(std::function<void(int steps)> handler) { m_onWheel = std::move(handler); }

  void Render(const workspace::ViewerView& view);

  FramedPicture& Picture() { return *m_picture; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ShowPicture(const platform::Surface& picture, int zoom);

  FramedPicture* m_picture;
  std::function<void()> m_onClick;
  std::function<void(int, int)> m_onKeyUp;
  std::unique_ptr<PictureEditor> m_editor;
  std::function<void(int)> m_onWheel;
  int m_zoom = 1;   // of the picture shown
  int m_wheel = 0;  // eighths of a degree not yet turned into notches
};

}  // namespace glyphon::app
