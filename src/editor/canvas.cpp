// SPDX-License-Identifier: MIT
#include "editor/canvas.h"

#include <map>
#include <utility>

namespace glyphon::editor {

namespace {

// The pixels a write changed, each with its value before and after.
struct Change {
  std::size_t index = 0;
  std::uint8_t before = 0;
  std::uint8_t after = 0;
};

class GridCommand : public platform::UndoCommand {
 public:
  GridCommand(std::vector<std::uint8_t>& values, std::vector<Change> changes, std::string name)
      : m_values(values), m_changes(std::move(changes)), m_name(std::move(name)) {}
  std::string Name() const override { return m_name; }
  bool Undo() override {
    for (const Change& c : m_changes) m_values[c.index] = c.before;
    return true;
  }
  bool Redo() override {
    for (const Change& c : m_changes) m_values[c.index] = c.after;
    return true;
  }

 private:
  std::vector<std::uint8_t>& m_values;
  std::vector<Change> m_changes;
  std::string m_name;
};

}  // namespace

ValueGrid::ValueGrid(int width, int height, int bits, int tileSide)
    : m_width(width),
      m_height(height),
      m_bits(bits),
      m_tileSide(tileSide),
      m_values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

std::optional<std::uint8_t> ValueGrid::ValueAt(Point p) const {
  if (p.x < 0 || p.y < 0 || p.x >= m_width || p.y >= m_height) return std::nullopt;
  return m_values[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(m_width) +
                  static_cast<std::size_t>(p.x)];
}

std::unique_ptr<platform::UndoCommand> ValueGrid::Write(std::span<const PixelWrite> writes,
                                                        std::string name) {
  // The first value each pixel had, and its last.
  std::map<std::size_t, Change> changed;
  for (const PixelWrite& w : writes) {
    if (w.x < 0 || w.y < 0 || w.x >= m_width || w.y >= m_height || w.value > MaxValue()) continue;
    const std::size_t index =
        static_cast<std::size_t>(w.y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(w.x);
    auto [at, fresh] = changed.try_emplace(index, Change{index, m_values[index], w.value});
    if (!fresh) at->second.after = w.value;
    m_values[index] = w.value;
  }
  std::vector<Change> changes;
  for (const auto& [index, change] : changed)
    if (change.before != change.after) changes.push_back(change);
  if (changes.empty()) return nullptr;
  return std::make_unique<GridCommand>(m_values, std::move(changes), std::move(name));
}

std::vector<std::string> ValueGrid::Rows() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> rows;
  for (int y = 0; y < m_height; ++y) {
    std::string row;
    for (int x = 0; x < m_width; ++x) row += kDigits[*ValueAt({x, y}) & 15];
    rows.push_back(std::move(row));
  }
  return rows;
}

void ValueGrid::SetRows(const std::vector<std::string>& rows) {
  for (int y = 0; y < m_height && y < static_cast<int>(rows.size()); ++y) {
    const std::string& row = rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < m_width && x < static_cast<int>(row.size()); ++x) {
      const char c = row[static_cast<std::size_t>(x)];
      const int value = c >= 'A' ? c - 'A' + 10 : c - '0';
      m_values[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
               static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(value);
    }
  }
}

}  // namespace glyphon::editor
