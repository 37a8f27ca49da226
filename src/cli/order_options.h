// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/options.h"
#include "convert/encoding.h"
#include "core/result.h"
#include "core/surface.h"
#include "formats/format_table.h"
#include "tiles/tile_order.h"

// The tile order options of the commands that read or write a picture's tiles:
// --order rows|columns, --object WxH and --object-order rows|columns.
namespace glyphon::cli {

struct OrderOptions {
  tiles::Walk objects = tiles::Walk::Rows;
  int objectWidth = 0;  // pixels; 0 without --object (objects of one tile)
  int objectHeight = 0;
  tiles::Walk inside = tiles::Walk::Rows;

  bool Plain() const noexcept { return objects == tiles::Walk::Rows && objectWidth == 0; }
};

void AddOrderOptions(CommandLine& line, OrderOptions& into);

// The order in the format's blocks (8 by 8 tiles, or 16 by 16 sprite patterns); refuses an
// order for a format that does not store whole blocks and objects that are not whole blocks.
Result<tiles::TileOrder> OrderIn(const OrderOptions& options, const formats::FormatInfo& format);

// The order of the selection's blocks; nothing for the plain order. Refuses a selection of
// part objects.
Result<std::optional<tiles::TileOrder>> SelectionOrder(const OrderOptions& options,
                                                       const formats::FormatInfo& format,
                                                       const convert::Selection& selection);

// Puts the blocks of the selection's plain encode (whole blocks in row order) in the order.
void PutBytesInOrder(ByteString& bytes, const formats::FormatInfo& format,
                     const convert::Selection& selection, const tiles::TileOrder& order);

// The picture whose plain encode is those bytes: the selection's blocks moved into their
// stored places, row by row (what --verify compares the bytes with).
platform::Surface PictureInStoredOrder(const formats::FormatInfo& format, const platform::Surface& source,
                                       const convert::Selection& selection, const tiles::TileOrder& order);

// The way back from a decoded picture of stored blocks to the picture they come from.
Result<platform::Surface> PictureInOrder(const OrderOptions& options, const formats::FormatInfo& format,
                                         platform::Surface decoded);

// The help lines of the three options.
std::string OrderHelp();

}  // namespace glyphon::cli
