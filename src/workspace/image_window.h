#pragma once

#include <string>

#include "platform/surface.h"
#include "workspace/controls.h"

namespace glyphon::workspace {

// The viewer: a borderless window that shows the current picture, or the last preview, at
// full size with the selection outline over it. It stands in for the main window on
// screen until it is clicked, Escape is pressed or a key is released over it.
class ImageWindow {
 public:
  // `mainVisible` is the main window's visibility, which Return gives back.
  explicit ImageWindow(bool& mainVisible) : m_mainVisible(mainVisible) {}

  bool visible = false;
  std::string caption = "View Image";
  // The picture at full size; the window sizes itself to it.
  platform::Surface picture;
  MousePointer pointer = MousePointer::Custom;
  std::string toolTip = "Click to return...";
  // The selection outline, in picture pixels.
  Shape outline;

  // A click on the picture, or a key released over it: back to the main window.
  void Return();

  // Closes the window and lets go of its picture.
  void Unload();

 private:
  bool& m_mainVisible;
};

}  // namespace glyphon::workspace
