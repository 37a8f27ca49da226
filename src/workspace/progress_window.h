#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/progress.h"
#include "workspace/controls.h"

namespace glyphon::workspace {

// The small tool window of the long loops (conversion, preview, image generation): a bar
// of 305 by 17 pixels, filled from the left in the highlight colour, and the percentage
// label centred over it.
//
// The codecs report straight into it through ProgressSink.
class ProgressWindow final : public platform::ProgressSink {
 public:
  static constexpr int kBarWidth = 305;
  static constexpr int kBarHeight = 17;

  explicit ProgressWindow(platform::Platform& platform) : m_platform(platform) {}

  // State as the front end draws it.
  bool visible = false;
  std::string caption;
  Label label{"0%"};  // the percentage
  SystemColour labelColour = SystemColour::ButtonText;
  // Columns of the bar, from the left, in the highlight colour; the rest is button face.
  int barFill = 0;

  // Shows `percent`: the same value as shown returns at once; 100 or more is shown as 100
  // and written back as 100; the bar and the label follow, the label's text turns to the
  // highlight-text colour from 50 on (the bar then lies under it); then pending window
  // messages run.
  void ReportPercent(int& percent);
  void PercentBar(int percent) override { ReportPercent(percent); }

  // Closes the window; the next use starts from its initial state ("0%", empty bar).
  void Unload();

 private:
  platform::Platform& m_platform;
};

}  // namespace glyphon::workspace
