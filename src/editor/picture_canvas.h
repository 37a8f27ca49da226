// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "convert/value_plane.h"
#include "editor/canvas.h"

namespace glyphon::workspace {
class MainWindow;
}

namespace glyphon::editor {

// The main window's picture as a canvas of the selected format's values: a pixel reads as
// the value the format's encoder classifies its colour to, and a value is drawn in the
// colour the format's decoder draws it in, so that a Convert stores exactly the values
// drawn. Only while the window is in normal mode with a picture, in a format of values.
class PictureCanvas : public Canvas {
 public:
  explicit PictureCanvas(workspace::MainWindow& window);

  // Why the picture cannot be drawn on now; empty when it can.
  std::string Problem() const;

  int Width() const override;
  int Height() const override;
  std::optional<std::uint8_t> ValueAt(Point p) const override;
  int MaxValue() const override;
  std::unique_ptr<platform::UndoCommand> Write(std::span<const PixelWrite> writes, std::string name) override;

  // The picture or the format changed under the canvas: its values are read again.
  void Stale() noexcept { m_fresh = false; }

 private:
  workspace::MainWindow& m_window;
  mutable bool m_fresh = false;
  mutable int m_format = -1;
  mutable convert::ValuePlane m_values;
};

}  // namespace glyphon::editor
