#include "workspace/progress_window.h"

#include <string>

#include "platform/types.h"

namespace glyphon::workspace {

void ProgressWindow::ReportPercent(int& percent) {
  // The label shows the last percentage followed by "%"; the same value costs nothing.
  const std::string& shown = label.caption;
  if (shown.substr(0, shown.size() - 1) == std::to_string(percent)) return;

  if (percent >= 100) {
    percent = 100;
    barFill = kBarWidth;
  } else if (percent <= 0) {
    barFill = 0;
  } else {
    // The highlight box runs from column 0 to column percent/100 of the width inclusive.
    barFill = static_cast<int>(Nearest(percent / 100.0 * kBarWidth)) + 1;
  }
  label.caption = std::to_string(percent) + "%";
  labelColour = percent >= 50 ? SystemColour::HighlightText : SystemColour::ButtonText;
  m_platform.ProcessPendingEvents();
}

void ProgressWindow::Unload() {
  visible = false;
  caption.clear();
  label.caption = "0%";
  labelColour = SystemColour::ButtonText;
  barFill = 0;
}

}  // namespace glyphon::workspace
