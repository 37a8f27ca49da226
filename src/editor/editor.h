// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/undo_stack.h"
#include "editor/canvas.h"

namespace glyphon::editor {

enum class Tool {
  Pencil,           // sets the pixels dragged over, joined by lines
  Line,             // from the press to the release
  Rectangle,        // the outline of the rectangle from the press to the release
  FilledRectangle,  // the same, filled
  Fill,             // the pixels of one value joined to the one pressed, across tiles
  TileFill,         // the same, within the pressed pixel's tile
  Eyedropper,       // the pressed pixel's value becomes the current one
};
inline constexpr int kToolCount = 7;
// "Pencil", "Line", ... as menus and undo entries name them.
std::string ToolName(Tool tool);

// The pixels of a line from a to b, both ends included (Bresenham's walk).
std::vector<Point> LinePoints(Point a, Point b);
// The pixels of the rectangle with corners a and b: its outline or all of it.
std::vector<Point> RectanglePoints(Point a, Point b, bool filled);
// The pixels of the value at `start` that are joined to it by their sides; within `bounds`.
std::vector<Point> FillPoints(const Canvas& canvas, Point start, const Rect& bounds);

// A remapping of values typed as pairs "from>to" (or "from=to"), separated by spaces or
// commas: "1>3 3>1 2>0". Values not named stay. Refused, with the reason in `why`, when a
// pair is malformed or names a value above `maxValue`.
std::optional<std::array<std::uint8_t, 256>> ParseRemap(std::string_view text, int maxValue,
                                                        std::string* why);

// Tiles copied off a canvas: their values row by row, and the bits they were drawn in, so
// that they go only into a canvas of the same depth.
struct Clip {
  int width = 0;
  int height = 0;
  int maxValue = 0;
  std::vector<std::uint8_t> values;
};

// The tiles copied last in this process, from any ROM, format or picture.
std::optional<Clip>& Clipboard() noexcept;

// The drawing tools over one canvas and its history. A stroke (press, drags, release) is
// one entry of the history however many pixels it set; so is each tile operation.
class Editor {
 public:
  Editor(Canvas& canvas, platform::UndoStack& history);

  Tool CurrentTool() const noexcept { return m_tool; }
  void SetTool(Tool tool) noexcept { m_tool = tool; }
  // The two current values: the first draws with the left button, the second with the right.
  int Value(bool second = false) const noexcept { return second ? m_second : m_first; }
  // A value beyond the canvas's depth is refused; returns whether it was taken.
  bool SetValue(int value, bool second = false) noexcept;
  void SwapValues() noexcept { std::swap(m_first, m_second); }
  // Values beyond a new canvas's depth come down to its largest.
  void FitValues() noexcept;

  // ---- A stroke ----
  void Press(Point at, bool second = false);
  void Drag(Point to);
  void Release(Point at);
  bool Stroking() const noexcept { return m_pressed.has_value(); }
  // The line or rectangle being dragged out, to be drawn over the view until the release.
  std::vector<Point> Preview() const;

  // ---- Tile operations on a rectangle of the canvas; each returns whether it changed a pixel ----
  std::optional<Clip> Copy(const Rect& rect) const;
  // Refused (false, `why` set) for a clip of another depth.
  bool Paste(const Clip& clip, Point at, std::string* why = nullptr);
  bool FlipHorizontally(const Rect& rect);
  bool FlipVertically(const Rect& rect);
  // A quarter turn clockwise; only a square turns into itself.
  bool Rotate(const Rect& rect, std::string* why = nullptr);
  // Each value v becomes table[v].
  bool Remap(const Rect& rect, const std::array<std::uint8_t, 256>& table, const std::string& name = "Remap");
  // The two current values trade places in the rectangle.
  bool SwapValuesIn(const Rect& rect);
  // Every pixel to value 0.
  bool Clear(const Rect& rect);

 private:
  bool Apply(const std::vector<PixelWrite>& writes, const std::string& name);
  void Paint(const std::vector<Point>& points);
  Rect TileOf(Point p) const;

  Canvas& m_canvas;
  platform::UndoStack& m_history;
  Tool m_tool = Tool::Pencil;
  int m_first = 1;
  int m_second = 0;
  std::optional<Point> m_pressed;
  Point m_last;
  bool m_secondButton = false;
};

}  // namespace glyphon::editor
