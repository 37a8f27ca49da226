// SPDX-License-Identifier: MIT
#include "workspace/progress_window.h"

#include <algorithm>
#include <string>

#include "core/types.h"

namespace glyphon::workspace {

void ProgressWindow::Open(std::string_view title) {
  caption = title;
  Report(0);
  visible = true;
}

void ProgressWindow::Report(int percent) {
  percent = std::min(percent, 100);
  // The text shows the last percentage followed by "%"; the same value costs nothing.
  std::string shown = std::to_string(percent) + "%";
  if (shown == text) return;

  if (percent >= 100) {
    barFill = kBarWidth;
  } else if (percent <= 0) {
    barFill = 0;
  } else {
    // The highlight box runs from column 0 to column percent/100 of the width inclusive.
    barFill = static_cast<int>(Nearest(percent / 100.0 * kBarWidth)) + 1;
  }
  text = std::move(shown);
  textColour = percent >= 50 ? SystemColour::HighlightText : SystemColour::ButtonText;
  m_platform.ProcessPendingEvents();
}

void ProgressWindow::Close() {
  visible = false;
  caption.clear();
  text = "0%";
  textColour = SystemColour::ButtonText;
  barFill = 0;
}

}  // namespace glyphon::workspace
