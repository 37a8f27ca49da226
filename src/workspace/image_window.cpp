#include "workspace/image_window.h"

namespace glyphon::workspace {

void ImageWindow::picImage_Click() {
  m_mainVisible = true;
  Visible = false;
}

void ImageWindow::picImage_KeyUp(int /*keyCode*/, int /*shift*/) {
  picImage_Click();
}

void ImageWindow::Unload() {
  Visible = false;
  picImage = platform::Surface();
}

}  // namespace glyphon::workspace
