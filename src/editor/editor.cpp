// SPDX-License-Identifier: MIT
#include "editor/editor.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace glyphon::editor {

std::string ToolName(Tool tool) {
  switch (tool) {
    case Tool::Pencil:
      return "Pencil";
    case Tool::Line:
      return "Line";
    case Tool::Rectangle:
      return "Rectangle";
    case Tool::FilledRectangle:
      return "Filled rectangle";
    case Tool::Fill:
      return "Fill";
    case Tool::TileFill:
      return "Fill in tile";
    case Tool::Eyedropper:
      return "Eyedropper";
  }
  return {};
}

std::vector<Point> LinePoints(Point a, Point b) {
  std::vector<Point> points;
  const int dx = std::abs(b.x - a.x);
  const int dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1;
  const int sy = a.y < b.y ? 1 : -1;
  int error = dx + dy;
  Point p = a;
  for (;;) {
    points.push_back(p);
    if (p == b) break;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      p.x += sx;
    }
    if (twice <= dx) {
      error += dx;
      p.y += sy;
    }
  }
  return points;
}

std::vector<Point> RectanglePoints(Point a, Point b, bool filled) {
  const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  std::vector<Point> points;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      if (filled || y == top || y == bottom || x == left || x == right) points.push_back({x, y});
  return points;
}

std::vector<Point> FillPoints(const Canvas& canvas, Point start, const Rect& bounds) {
  const std::optional<std::uint8_t> target = canvas.ValueAt(start);
  if (!target || !bounds.Contains(start)) return {};
  std::vector<bool> seen(static_cast<std::size_t>(bounds.width) * static_cast<std::size_t>(bounds.height));
  auto index = [&](Point p) {
    return static_cast<std::size_t>(p.y - bounds.y) * static_cast<std::size_t>(bounds.width) +
           static_cast<std::size_t>(p.x - bounds.x);
  };
  std::vector<Point> points;
  std::vector<Point> todo{start};
  seen[index(start)] = true;
  while (!todo.empty()) {
    const Point p = todo.back();
    todo.pop_back();
    points.push_back(p);
    for (const Point n :
         {Point{p.x - 1, p.y}, Point{p.x + 1, p.y}, Point{p.x, p.y - 1}, Point{p.x, p.y + 1}}) {
      if (!bounds.Contains(n) || seen[index(n)]) continue;
      if (canvas.ValueAt(n) != target) continue;
      seen[index(n)] = true;
      todo.push_back(n);
    }
  }
  return points;
}

std::optional<std::array<std::uint8_t, 256>> ParseRemap(std::string_view text, int maxValue,
                                                        std::string* why) {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t v = 0; v < table.size(); ++v) table[v] = static_cast<std::uint8_t>(v);
  auto refuse = [&](const std::string& reason) {
    if (why) *why = reason;
    return std::nullopt;
  };
  // One number of a pair: decimal digits, at most maxValue.
  auto number = [&](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 3) return false;
    value = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    return value <= maxValue;
  };
  bool any = false;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ' || text[at] == ',') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(text.find_first_of(" ,", at), text.size());
    const std::string_view pair = text.substr(at, end - at);
    at = end;
    const std::size_t arrow = pair.find_first_of(">=");
    int from = 0, to = 0;
    if (arrow == std::string_view::npos || !number(pair.substr(0, arrow), from) ||
        !number(pair.substr(arrow + 1), to))
      return refuse("\"" + std::string(pair) + "\" is not a pair of values from 0 to " +
                    std::to_string(maxValue) + " such as 1>3.");
    table[static_cast<std::size_t>(from)] = static_cast<std::uint8_t>(to);
    any = true;
  }
  if (!any) return refuse("Type pairs of values such as 1>3 2>0.");
  return table;
}

std::optional<Clip>& Clipboard() noexcept {
  static std::optional<Clip> clip;
  return clip;
}

Editor::Editor(Canvas& canvas, platform::UndoStack& history) : m_canvas(canvas), m_history(history) {
  FitValues();
}

bool Editor::SetValue(int value, bool second) noexcept {
  if (value < 0 || value > m_canvas.MaxValue()) return false;
  (second ? m_second : m_first) = value;
  return true;
}

void Editor::FitValues() noexcept {
  m_first = std::min(m_first, m_canvas.MaxValue());
  m_second = std::min(m_second, m_canvas.MaxValue());
}

bool Editor::Apply(const std::vector<PixelWrite>& writes, const std::string& name) {
  std::unique_ptr<platform::UndoCommand> done = m_canvas.Write(writes, name);
  if (!done) return false;
  m_history.Push(std::move(done));
  return true;
}

void Editor::Paint(const std::vector<Point>& points) {
  const auto value = static_cast<std::uint8_t>(Value(m_secondButton));
  std::vector<PixelWrite> writes;
  writes.reserve(points.size());
  for (const Point p : points) writes.push_back({p.x, p.y, value});
  Apply(writes, ToolName(m_tool));
}

Rect Editor::TileOf(Point p) const {
  const int side = std::max(1, m_canvas.TileSide());
  return {p.x / side * side, p.y / side * side, side, side};
}

void Editor::Press(Point at, bool second) {
  if (m_pressed) Release(m_last);
  m_secondButton = second;
  switch (m_tool) {
    case Tool::Eyedropper:
      if (const std::optional<std::uint8_t> v = m_canvas.ValueAt(at)) SetValue(*v, second);
      return;
    case Tool::Fill:
    case Tool::TileFill: {
      const Rect whole{0, 0, m_canvas.Width(), m_canvas.Height()};
      const std::vector<Point> points = FillPoints(m_canvas, at, m_tool == Tool::Fill ? whole : TileOf(at));
      m_history.BeginGroup(ToolName(m_tool));
      Paint(points);
      m_history.EndGroup();
      return;
    }
    default:
      break;
  }
  m_pressed = at;
  m_last = at;
  m_history.BeginGroup(ToolName(m_tool));
  if (m_tool == Tool::Pencil) Paint({at});
}

void Editor::Drag(Point to) {
  if (!m_pressed) return;
  if (m_tool == Tool::Pencil && !(to == m_last)) {
    // A fast drag skips pixels: the line from the last point fills them in.
    std::vector<Point> points = LinePoints(m_last, to);
    points.erase(points.begin());
    Paint(points);
  }
  m_last = to;
}

void Editor::Release(Point at) {
  if (!m_pressed) return;
  Drag(at);
  if (m_tool != Tool::Pencil) Paint(Preview());
  m_pressed.reset();
  m_history.EndGroup();
}

std::vector<Point> Editor::Preview() const {
  if (!m_pressed) return {};
  switch (m_tool) {
    case Tool::Line:
      return LinePoints(*m_pressed, m_last);
    case Tool::Rectangle:
    case Tool::FilledRectangle:
      return RectanglePoints(*m_pressed, m_last, m_tool == Tool::FilledRectangle);
    default:
      return {};
  }
}

// ---- Tile operations ----

std::optional<Clip> Editor::Copy(const Rect& rect) const {
  if (rect.width <= 0 || rect.height <= 0) return std::nullopt;
  Clip clip{rect.width, rect.height, m_canvas.MaxValue(), {}};
  clip.values.reserve(static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height));
  for (int y = 0; y < rect.height; ++y)
    for (int x = 0; x < rect.width; ++x) {
      const std::optional<std::uint8_t> v = m_canvas.ValueAt({rect.x + x, rect.y + y});
      if (!v) return std::nullopt;  // past the end of the data
      clip.values.push_back(*v);
    }
  return clip;
}

bool Editor::Paste(const Clip& clip, Point at, std::string* why) {
  if (clip.maxValue != m_canvas.MaxValue()) {
    if (why)
      *why = "The tiles hold " + std::to_string(clip.maxValue + 1) + " values, but this view holds " +
             std::to_string(m_canvas.MaxValue() + 1) + ".";
    return false;
  }
  std::vector<PixelWrite> writes;
  for (int y = 0; y < clip.height; ++y)
    for (int x = 0; x < clip.width; ++x)
      writes.push_back({at.x + x, at.y + y,
                        clip.values[static_cast<std::size_t>(y) * static_cast<std::size_t>(clip.width) +
                                    static_cast<std::size_t>(x)]});
  return Apply(writes, "Paste");
}

namespace {

// Each pixel of the rectangle takes the value of the pixel `from` maps it to.
template <class From>
std::vector<PixelWrite> Moved(const Canvas& canvas, const Rect& rect, From from) {
  std::vector<PixelWrite> writes;
  for (int y = 0; y < rect.height; ++y)
    for (int x = 0; x < rect.width; ++x) {
      const Point source = from(x, y);
      const std::optional<std::uint8_t> v = canvas.ValueAt({rect.x + source.x, rect.y + source.y});
      if (v) writes.push_back({rect.x + x, rect.y + y, *v});
    }
  return writes;
}

}  // namespace

bool Editor::FlipHorizontally(const Rect& rect) {
  return Apply(Moved(m_canvas, rect,
                     [&](int x, int y) {
                       return Point{rect.width - 1 - x, y};
                     }),
               "Flip horizontally");
}

bool Editor::FlipVertically(const Rect& rect) {
  return Apply(Moved(m_canvas, rect,
                     [&](int x, int y) {
                       return Point{x, rect.height - 1 - y};
                     }),
               "Flip vertically");
}

bool Editor::Rotate(const Rect& rect, std::string* why) {
  if (rect.width != rect.height) {
    if (why)
      *why = "Only a square turns: the selection is " + std::to_string(rect.width) + " by " +
             std::to_string(rect.height) + " pixels.";
    return false;
  }
  // Clockwise: the pixel at (x, y) comes from (y, n - 1 - x).
  const int n = rect.width;
  return Apply(Moved(m_canvas, rect, [&](int x, int y) { return Point{y, n - 1 - x}; }), "Rotate");
}

bool Editor::Remap(const Rect& rect, const std::array<std::uint8_t, 256>& table, const std::string& name) {
  std::vector<PixelWrite> writes;
  for (int y = rect.y; y < rect.y + rect.height; ++y)
    for (int x = rect.x; x < rect.x + rect.width; ++x)
      if (const std::optional<std::uint8_t> v = m_canvas.ValueAt({x, y})) writes.push_back({x, y, table[*v]});
  return Apply(writes, name);
}

bool Editor::SwapValuesIn(const Rect& rect) {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t v = 0; v < table.size(); ++v) table[v] = static_cast<std::uint8_t>(v);
  table[static_cast<std::size_t>(m_first)] = static_cast<std::uint8_t>(m_second);
  table[static_cast<std::size_t>(m_second)] = static_cast<std::uint8_t>(m_first);
  return Remap(rect, table, "Swap values");
}

bool Editor::Clear(const Rect& rect) {
  const std::array<std::uint8_t, 256> zeros{};
  return Remap(rect, zeros, "Clear");
}

}  // namespace glyphon::editor
