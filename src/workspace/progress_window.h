// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "core/progress.h"
#include "platform/platform.h"

namespace glyphon::workspace {

// The colours of the window system the progress window paints with.
enum class SystemColour { Highlight, HighlightText, ButtonFace, ButtonText };

// The small tool window of the long loops (conversion, preview, image generation): a bar
// of 305 by 17 pixels, filled from the left in the highlight colour, and the percentage
// centred over it. The codecs report straight into it through ProgressSink.
class ProgressWindow final : public platform::ProgressSink {
 public:
  static constexpr int kBarWidth = 305;
  static constexpr int kBarHeight = 17;

  explicit ProgressWindow(platform::Platform& platform) : m_platform(platform) {}

  // State as the front end draws it.
  bool visible = false;
  std::string caption;
  std::string text = "0%";  // the percentage
  SystemColour textColour = SystemColour::ButtonText;
  // Columns of the bar, from the left, in the highlight colour; the rest is button face.
  int barFill = 0;

  // Shows the window with `caption` at 0%.
  void Open(std::string_view title);
  // Shows `percent`: the value shown already returns at once; 100 or more is shown as 100;
  // the bar and the text follow, the text turns to the highlight-text colour from 50 on
  // (the bar then lies under it); then pending window messages run.
  void Report(int percent) override;
  // Hides the window; the next use starts from its initial state ("0%", empty bar).
  void Close();

 private:
  platform::Platform& m_platform;
};

}  // namespace glyphon::workspace
