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

std::vector<std::uint32_t> StoredOrder(int across, int down, const TileOrder& order) {
  const int ow = order.objectWidth, oh = order.objectHeight;
  const int objectsAcross = across / ow, objectsDown = down / oh;
  const int objectCount = objectsAcross * objectsDown;
  const int perObject = ow * oh;
  std::vector<std::uint32_t> stored;
  stored.reserve(static_cast<std::size_t>(objectCount) * static_cast<std::size_t>(perObject));
  for (int j = 0; j < objectCount; ++j) {
    const bool objectRows = order.objects == Walk::Rows;
    const int ox = objectRows ? j % objectsAcross : j / objectsDown;
    const int oy = objectRows ? j / objectsAcross : j % objectsDown;
    for (int i = 0; i < perObject; ++i) {
      const bool tileRows = order.inside == Walk::Rows;
      const int tx = tileRows ? i % ow : i / oh;
      const int ty = tileRows ? i / ow : i % oh;
      stored.push_back(static_cast<std::uint32_t>((oy * oh + ty) * across + ox * ow + tx));
    }
  }
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
