#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/surface.h"

namespace glyphon::workspace {

// The controls of the three windows as plain state. The windows hold them privately and
// hand them to the front end to draw as they are; the front end forwards the user's
// events to the windows' operations and keeps no state of its own.

enum class MousePointer {
  Default = 0,
  ArrowQuestion = 14,  // arrow with a question mark, over the About label
  Custom = 99,         // the window's own icon: a picture can be viewed here
};

// The four colours of the window system the progress window paints with.
enum class SystemColour { Highlight, HighlightText, ButtonFace, ButtonText };

struct CommandButton {
  std::string caption;
  std::string toolTip;
  int width = 113;  // pixels
  bool enabled = true;
  bool visible = true;
};

struct OptionButton {
  std::string caption;
  bool value = false;
  bool enabled = true;
};

struct CheckBox {
  CheckBox() = default;
  explicit CheckBox(std::string text) : caption(std::move(text)) {}

  std::string caption;
  int value = 0;  // 0 unchecked, 1 checked
  bool enabled = true;
};

// A vertical scroll bar used as a number spinner: only its two arrows show. The minimum
// is always 0.
struct ScrollBar {
  std::int16_t value = 0;
  std::int16_t max = 0;
  std::int16_t smallChange = 1;  // the arrows
  std::int16_t largeChange = 1;  // the trough
  bool enabled = true;
};

struct Label {
  Label() = default;
  explicit Label(std::string text) : caption(std::move(text)) {}

  std::string caption;
  bool enabled = true;
  std::string toolTip;
  MousePointer pointer = MousePointer::Default;
};

struct Frame {
  std::string caption;
};

// An outline rectangle. On the main window it lies in the thumbnail's drawing-area
// coordinates (fractions allowed); on the viewer in picture pixels.
struct Shape {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool visible = false;
};

// A visible picture surface with a 2-pixel frame: `image` is its drawing area, `width`
// - 4 by `height` - 4 pixels. image.HasPicture() tells whether anything is shown in it;
// when nothing is, the front end shows the plain background.
struct PictureBox {
  int width = 0;  // outer size, frame included
  int height = 0;
  platform::Surface image;
  MousePointer pointer = MousePointer::Default;
  std::string toolTip;

  int DrawWidth() const noexcept { return width - 4; }
  int DrawHeight() const noexcept { return height - 4; }
};

}  // namespace glyphon::workspace
