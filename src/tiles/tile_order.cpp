// SPDX-License-Identifier: MIT
#include "tiles/tile_order.h"

#include <algorithm>
#include <charconv>

#include "tiles/tile.h"

namespace glyphon::tiles {

namespace {

constexpr int kLargestObject = 512;  // pixels a side

std::optional<int> WholeNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Copies a square of `side` pixels (clipped to both surfaces) from `from` at (fx, fy) to
// `to` at (tx, ty).
void CopyBlock(const platform::Surface& from, int fx, int fy, platform::Surface& to, int tx, int ty,
               int side) {
  const int width = std::min({side, from.Width() - fx, to.Width() - tx});
  const int height = std::min({side, from.Height() - fy, to.Height() - ty});
  for (int r = 0; r < height; ++r) {
    const auto source =
        from.Row(fy + r).subspan(static_cast<std::size_t>(fx), static_cast<std::size_t>(width));
    std::copy(source.begin(), source.end(), to.Row(ty + r).begin() + tx);
  }
}

}  // namespace

std::optional<Walk> ParseWalk(std::string_view text) {
  if (text == "rows") return Walk::Rows;
  if (text == "columns") return Walk::Columns;
  return std::nullopt;
}

std::optional<std::pair<int, int>> ParseObjectSize(std::string_view text, int tileSide) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const auto width = WholeNumber(text.substr(0, x));
  const auto height = WholeNumber(text.substr(x + 1));
  for (const auto& side : {width, height}) {
    if (!side || *side < tileSide || *side > kLargestObject || *side % tileSide != 0) return std::nullopt;
  }
  return std::pair{*width / tileSide, *height / tileSide};
}

Status CheckObjects(int across, int down, const TileOrder& order) {
  if (across > 0 && down > 0 && across % order.objectWidth == 0 && down % order.objectHeight == 0)
    return Status::Success();
  return Status::Failure(std::to_string(across) + " by " + std::to_string(down) +
                         " tiles are not whole objects of " + std::to_string(order.objectWidth) + " by " +
                         std::to_string(order.objectHeight) + " tiles");
}

namespace {

// Calls visit(p) with the picture tile p (counted in rows) of each stored tile in turn.
// Nested loops rather than a division per tile: a 2048 by 2048 picture has 65536 tiles, and
// the divisions would cost more than moving the tiles' bytes.
template <class Visit>
void ForEachStored(int across, int down, const TileOrder& order, Visit&& visit) {
  const int ow = order.objectWidth, oh = order.objectHeight;
  const int objectsAcross = across / ow, objectsDown = down / oh;
  const bool objectRows = order.objects == Walk::Rows, tileRows = order.inside == Walk::Rows;
  const auto object = [&](int ox, int oy) {
    const int first = oy * oh * across + ox * ow;  // the object's top-left tile
    if (tileRows) {
      for (int ty = 0; ty < oh; ++ty) {
        for (int tx = 0; tx < ow; ++tx) visit(static_cast<std::uint32_t>(first + ty * across + tx));
      }
    } else {
      for (int tx = 0; tx < ow; ++tx) {
        for (int ty = 0; ty < oh; ++ty) visit(static_cast<std::uint32_t>(first + ty * across + tx));
      }
    }
  };
  if (objectRows) {
    for (int oy = 0; oy < objectsDown; ++oy) {
      for (int ox = 0; ox < objectsAcross; ++ox) object(ox, oy);
    }
  } else {
    for (int ox = 0; ox < objectsAcross; ++ox) {
      for (int oy = 0; oy < objectsDown; ++oy) object(ox, oy);
    }
  }
}

}  // namespace

std::vector<std::uint32_t> StoredOrder(int across, int down, const TileOrder& order) {
  std::vector<std::uint32_t> stored;
  stored.reserve(static_cast<std::size_t>(across / order.objectWidth * order.objectWidth) *
                 static_cast<std::size_t>(down / order.objectHeight * order.objectHeight));
  ForEachStored(across, down, order, [&](std::uint32_t p) { stored.push_back(p); });
  return stored;
}

platform::Surface StoredSheet(const platform::Surface& picture, const convert::Selection& selection,
                              int tileSide, const TileOrder& order) {
  const int across = selection.width / tileSide;
  const int down = selection.height / tileSide;
  platform::Surface sheet = platform::Surface::Picture(across * tileSide, down * tileSide);
  const std::vector<std::uint32_t> stored = StoredOrder(across, down, order);
  for (std::size_t k = 0; k < stored.size(); ++k) {
    const int from = static_cast<int>(stored[k]);
    const int to = static_cast<int>(k);
    CopyBlock(picture, selection.x + from % across * tileSide, selection.y + from / across * tileSide, sheet,
              to % across * tileSide, to / across * tileSide, tileSide);
  }
  return sheet;
}

platform::Surface PictureOfSheet(const platform::Surface& sheet, int tileSide, const TileOrder& order) {
  const int across = sheet.Width() / tileSide;
  const int tilesDown = (sheet.Height() + tileSide - 1) / tileSide;
  const int down = (tilesDown + order.objectHeight - 1) / order.objectHeight * order.objectHeight;
  platform::Surface picture = platform::Surface::Picture(across * tileSide, down * tileSide);
  const std::vector<std::uint32_t> stored = StoredOrder(across, down, order);
  for (std::size_t k = 0; k < stored.size(); ++k) {
    const int from = static_cast<int>(k);
    if (from / across >= tilesDown) continue;  // beyond the data: stays black
    const int to = static_cast<int>(stored[k]);
    CopyBlock(sheet, from % across * tileSide, from / across * tileSide, picture, to % across * tileSide,
              to / across * tileSide, tileSide);
  }
  return picture;
}

void PutInStoredOrder(std::span<std::uint8_t> bytes, int across, int down, const TileOrder& order,
                      std::size_t blockBytes) {
  const std::vector<std::uint32_t> from = StoredOrder(across, down, order);
  std::vector<bool> placed(from.size());
  ByteString held(blockBytes);
  const auto block = [&](std::size_t k) {
    return bytes.begin() + static_cast<std::ptrdiff_t>(k * blockBytes);
  };
  for (std::size_t start = 0; start < from.size(); ++start) {
    if (placed[start] || from[start] == start) continue;
    // Place k takes the block at from[k]: hold the first block of the cycle, pull each
    // block into the place it belongs, and put the held one in the last place.
    std::copy_n(block(start), blockBytes, held.begin());
    for (std::size_t k = start;;) {
      placed[k] = true;
      const std::size_t source = from[k];
      if (source == start) {
        std::copy_n(held.begin(), blockBytes, block(k));
        break;
      }
      std::copy_n(block(source), blockBytes, block(k));
      k = source;
    }
  }
}

convert::ValuePlane StoredSheet(const convert::ValuePlane& plane, const TileOrder& order) {
  const int across = plane.width / kTileSide;
  const int down = plane.height / kTileSide;
  convert::ValuePlane sheet(plane.width, plane.height);
  const std::vector<std::uint32_t> stored = StoredOrder(across, down, order);
  for (std::size_t k = 0; k < stored.size(); ++k) {
    const int from = static_cast<int>(stored[k]);
    const int to = static_cast<int>(k);
    PutTile(sheet, to % across, to / across, TileAt(plane, from % across, from / across));
  }
  return sheet;
}

}  // namespace glyphon::tiles
