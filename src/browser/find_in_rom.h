// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "convert/encoding.h"
#include "core/result.h"
#include "core/surface.h"
#include "formats/format_table.h"
#include "tiles/tile_order.h"

// Find in ROM: where a picture's selection lies in a ROM, as `glyphon locate` looks for it.
namespace glyphon::browser {

// A search keeps at most this many offsets (the lowest); a pattern that common is noise.
inline constexpr std::size_t kMaxMatches = std::size_t{1} << 16;

// The bytes the selection of `picture` encodes to in `format`, its blocks in `order` when
// the format stores whole blocks and the selection is whole objects (else in rows).
Result<ByteString> SelectionBytes(const formats::FormatInfo& format, const platform::Surface& picture,
                                  const convert::Selection& selection, const tiles::TileOrder& order);

// The offsets where `pattern` lies in the file, in increasing order, at most kMaxMatches.
Result<std::vector<std::uint64_t>> FindAll(const std::filesystem::path& path, const ByteString& pattern);

// The match after (`forward`) or before the one at index `current` of `count` matches, going
// round at either end; `wrapped` tells whether it went round.
struct MatchStep {
  std::size_t index = 0;
  bool wrapped = false;
};
MatchStep NextMatch(std::size_t current, std::size_t count, bool forward);

}  // namespace glyphon::browser
