#include "workspace/image_window.h"

namespace glyphon::workspace {

void ImageWindow::Return() {
  m_mainVisible = true;
  visible = false;
}

void ImageWindow::Unload() {
  visible = false;
  picture = platform::Surface();
}

}  // namespace glyphon::workspace
