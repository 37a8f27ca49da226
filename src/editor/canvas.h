// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/undo_stack.h"

namespace glyphon::editor {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle of pixels, as a selection is.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool Contains(Point p) const noexcept {
    return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// One pixel set to a value.
struct PixelWrite {
  int x = 0;
  int y = 0;
  std::uint8_t value = 0;
  friend bool operator==(const PixelWrite&, const PixelWrite&) = default;
};

// What the editor draws on: a picture of values (the format's values, never colours),
// whatever holds them underneath (the bytes of a ROM, the pixels of a picture). A pixel
// without a value (its bytes lie past the end of the file) is neither read nor drawn.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual std::optional<std::uint8_t> ValueAt(Point p) const = 0;
  // The largest value a pixel takes: 2^bits - 1.
  virtual int MaxValue() const = 0;
  // The side of the tiles a fill within a tile keeps to.
  virtual int TileSide() const { return 8; }
  // Sets the pixels (the last write of a pixel wins; pixels outside or without a value are
  // left alone) and returns the command that takes them back and does them again, named
  // `name`; null when nothing changed.
  virtual std::unique_ptr<platform::UndoCommand> Write(std::span<const PixelWrite> writes,
                                                       std::string name) = 0;
};

// A canvas held as a plain grid of values: a copy of tiles, and the tests' canvas.
class ValueGrid : public Canvas {
 public:
  ValueGrid(int width, int height, int bits, int tileSide = 8);
  int Width() const override { return m_width; }
  int Height() const override { return m_height; }
  std::optional<std::uint8_t> ValueAt(Point p) const override;
  int MaxValue() const override { return (1 << m_bits) - 1; }
  int TileSide() const override { return m_tileSide; }
  std::unique_ptr<platform::UndoCommand> Write(std::span<const PixelWrite> writes, std::string name) override;

  // Rows of hex digits, one a value: "0120" (values up to 15), for tests and messages.
  std::vector<std::string> Rows() const;
  void SetRows(const std::vector<std::string>& rows);
  std::vector<std::uint8_t>& Values() noexcept { return m_values; }

 private:
  int m_width;
  int m_height;
  int m_bits;
  int m_tileSide;
  std::vector<std::uint8_t> m_values;
};

}  // namespace glyphon::editor
