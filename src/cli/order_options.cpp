// SPDX-License-Identifier: MIT
#include "cli/order_options.h"

namespace glyphon::cli {

namespace {

using Problem = std::optional<std::string>;

CommandLine::Take WalkOption(const std::string& name, tiles::Walk& into) {
  return [name, &into](const std::string& text) -> Problem {
    const auto walk = tiles::ParseWalk(text);
    if (!walk) return name + " wants rows or columns, not \"" + text + "\"";
    into = *walk;
    return std::nullopt;
  };
}

std::string Pixels(int width, int height) {
  return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

}  // namespace

void AddOrderOptions(CommandLine& line, OrderOptions& into) {
  line.Value("--order", WalkOption("--order", into.objects));
  line.Value("--object-order", WalkOption("--object-order", into.inside));
  line.Value("--object", [&into](const std::string& text) -> Problem {
    // The size is in pixels, whole 8 by 8 tiles; a format of larger blocks checks its own
    // when the run starts.
    const auto size = tiles::ParseObjectSize(text, 8);
    if (!size) return "--object wants WxH in pixels, multiples of 8 from 8 to 512, not \"" + text + "\"";
    into.objectWidth = size->first * 8;
    into.objectHeight = size->second * 8;
    return std::nullopt;
  });
}

Result<tiles::TileOrder> OrderIn(const OrderOptions& options, const formats::FormatInfo& format) {
  using R = Result<tiles::TileOrder>;
  const int side = format.blockSide;
  tiles::TileOrder order{options.objects, 1, 1, options.inside};
  if (options.Plain()) return order;
  if (!format.StoresWholeBlocks())
    return R::Failure("--order and --object need a format that stores whole tiles; " +
                      std::string(format.caption) + " does not");
  if (options.objectWidth > 0) {
    if (options.objectWidth % side != 0 || options.objectHeight % side != 0)
      return R::Failure("an object of " + Pixels(options.objectWidth, options.objectHeight) +
                        " is not whole blocks of " + Pixels(side, side) + " in " +
                        std::string(format.caption));
    order.objectWidth = options.objectWidth / side;
    order.objectHeight = options.objectHeight / side;
  }
  return order;
}

Result<std::optional<tiles::TileOrder>> SelectionOrder(const OrderOptions& options,
                                                       const formats::FormatInfo& format,
                                                       const convert::Selection& selection) {
  using R = Result<std::optional<tiles::TileOrder>>;
  if (options.Plain()) return std::optional<tiles::TileOrder>();
  auto order = OrderIn(options, format);
  if (!order) return R::Failure(order.Error());
  const int side = format.blockSide;
  const int objectWidth = order.Value().objectWidth * side, objectHeight = order.Value().objectHeight * side;
  if (selection.width % objectWidth != 0 || selection.height % objectHeight != 0 || selection.width == 0 ||
      selection.height == 0) {
    return R::Failure("the selection of " + Pixels(selection.width, selection.height) +
                      " is not whole objects of " + Pixels(objectWidth, objectHeight));
  }
  return std::optional<tiles::TileOrder>(order.Value());
}

void PutBytesInOrder(ByteString& bytes, const formats::FormatInfo& format,
                     const convert::Selection& selection, const tiles::TileOrder& order) {
  const int across = selection.width / format.blockSide, down = selection.height / format.blockSide;
  const std::size_t blocks = static_cast<std::size_t>(across) * static_cast<std::size_t>(down);
  tiles::PutInStoredOrder(bytes, across, down, order, bytes.size() / blocks);
}

platform::Surface PictureInStoredOrder(const formats::FormatInfo& format, const platform::Surface& source,
                                       const convert::Selection& selection, const tiles::TileOrder& order) {
  return tiles::StoredSheet(source, selection, format.blockSide, order);
}

Result<platform::Surface> PictureInOrder(const OrderOptions& options, const formats::FormatInfo& format,
                                         platform::Surface decoded) {
  using R = Result<platform::Surface>;
  if (options.Plain()) return decoded;
  auto order = OrderIn(options, format);
  if (!order) return R::Failure(order.Error());
  const int objectWidth = order.Value().objectWidth * format.blockSide;
  if (decoded.Width() % objectWidth != 0)
    return R::Failure("the width " + std::to_string(decoded.Width()) + " is not whole objects of " +
                      std::to_string(objectWidth) + " pixels");
  return tiles::PictureOfSheet(decoded, format.blockSide, order.Value());
}

std::string OrderHelp() {
  return "  --order rows|columns  how the tiles (or objects) follow one another: rows, the\n"
         "                      default, or columns (tile 1 lies below tile 0, as Game Boy\n"
         "                      sprites are often stored)\n"
         "  --object WxH        cut the picture into objects of W by H pixels (8x16, 16x16,\n"
         "                      32x32; always pixels, whole tiles) and store each object's\n"
         "                      tiles together, as SNES, Game Boy and Genesis sprites are\n"
         "  --object-order rows|columns\n"
         "                      the order of the tiles inside an object: rows (SNES, Game\n"
         "                      Boy) or columns (Genesis)\n";
}

}  // namespace glyphon::cli
