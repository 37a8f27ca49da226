// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/surface.h"

// Every format at a glance: the bytes at the browser's offset decoded in each format, a
// short strip each, at the browser's width, so that a user looking for graphics sees at once
// which format makes sense of them.
namespace glyphon::browser {

// Each cell shows this many pixel rows (two rows of 8 by 8 tiles; one row of 16 by 16
// sprites) and at most kStripMaxWidth pixels of each row: a wider picture is cut at the right,
// and only the bytes of the pixels shown are decoded.
inline constexpr int kStripRows = 16;
inline constexpr int kStripMaxWidth = 256;

struct StripCell {
  int format = 0;
  std::string_view label;     // the format's caption
  int width = 0;              // the format's picture width at the browser's width, in pixels
  platform::Surface picture;  // at most kStripMaxWidth by kStripRows; past the data's end black
};

// The bytes from the offset the strip needs at a picture width of `pixelWidth` pixels: the
// most any format's cell reads.
std::uint64_t StripBytes(int pixelWidth);

// The width a format shows `pixelWidth` pixels at: whole units of its layout, at least one.
int StripWidth(int format, int pixelWidth);

// Decodes one cell per format from `bytes` (the data from the offset, possibly fewer than
// StripBytes; what is missing decodes as zeros), each in its decoder's greys.
std::vector<StripCell> DecodeStrip(std::span<const std::uint8_t> bytes, int pixelWidth);

}  // namespace glyphon::browser
