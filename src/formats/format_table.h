// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formats/codec.h"
#include "formats/grey_palette.h"

namespace glyphon::formats {

inline constexpr int kFormatCount = 25;

// How the format selection draws the swatch strip.
enum class SwatchRule {
  BlackWhite,  // two boxes, black and white
  GreySteps,   // 2^bits boxes, entry i in grey (i + 1) * (256 / n) - 1; one column each at 8 bits
  ColourRamps  // eight 32-column ramps of the 5-bit component levels
};

// Everything the program knows about a format. Nothing else restates these facts: the
// format options, the filter lists, the CLI names and the "every format" tests are all
// derived from this table.
struct FormatInfo {
  int index;
  std::string_view caption;
  int bitsPerPixel;
  bool lockOptional;               // the 8-pixel grid lock may be switched off (linear layouts)
  bool tiled;                      // stores whole 8 by 8 tiles in order: tile sets and maps can use it
  std::string_view partnerName;    // name in the missing-partner question; empty for no partner
  std::string_view partnerFilter;  // what the filter lists call the partner data ("FX high")
  SwatchRule swatches;
  // The size rule: a selection of W by H takes nearest(W * H / pixelsPerByte) bytes, and
  // decoding turns L bytes back into rows by the same rate.
  double pixelsPerByte;
  EncodeFn encode;  // the whole selection (for all but the partner formats, a loop over bands)
  DecodeFn decode;  // the whole picture: a loop over bands
  BandCodec band;
  // The values the format stores and the colours its decoder draws them in; null for the
  // direct-colour formats, which store colours rather than values.
  const GreyPalette* values;
  // The decoded picture carries every bit of the data: converting it again gives the very
  // bytes back. (Not so where the decoder draws colours coarser than the data stores.)
  bool lossless = true;

  // The side of the square blocks a grid layout stores whole, one after the other: 8 for
  // the tile formats, 16 for the PC Engine's sprite patterns. A view of the data moves in
  // rows of blocks this tall.
  int blockSide = 8;

  bool HasValues() const noexcept { return values != nullptr; }
  // Whether each block is stored whole, one after the other, so that any order of the
  // blocks (columns, objects) is a rearrangement of whole blocks.
  bool StoresWholeBlocks() const noexcept { return tiled || blockSide > 8; }
  std::size_t DataSize(const Selection& selection) const noexcept {
    return convert::OutputSize(selection, pixelsPerByte);
  }
  // Below one pixel a byte the height is counted in whole pixels of 1 / pixelsPerByte bytes.
  constexpr HeightRule Height() const noexcept {
    return pixelsPerByte >= 1.0 ? HeightRule{pixelsPerByte, 0}
                                : HeightRule{1.0, static_cast<int>(1.0 / pixelsPerByte + 0.5)};
  }
  bool HasPartner() const noexcept { return !partnerName.empty(); }
  // The rows of one band of a picture `width` wide.
  int BandRows(int width) const noexcept;
};

std::span<const FormatInfo> Formats() noexcept;
// The format at a known index, 0 to kFormatCount - 1 (the window's options, a parsed
// command); names and numbers a user typed go through FindFormat.
const FormatInfo& Format(int index) noexcept;

// The picture files the window loads (whatever the reader decodes) and saves (BMP and PNG),
// by extension in lower case. The file dialogs' picture entries are made from these.
inline constexpr std::array<std::string_view, 5> kLoadablePictureExtensions = {"bmp", "png", "gif", "jpg",
                                                                               "jpeg"};
inline constexpr std::array<std::string_view, 2> kSavablePictureExtensions = {"bmp", "png"};

// The caption in lower case with spaces as '-' and parentheses dropped: "16bpp-n64-high".
std::string CliName(const FormatInfo& format);
// Further names of a format after the consoles that store their graphics that way, in the
// CLI name's style ("4bpp-nds" for "4bpp GBA"); none for most formats.
std::span<const std::string_view> Aliases(const FormatInfo& format) noexcept;
// A format named by its caption, its CLI name, one of its aliases or its index, "0" to
// kFormatCount - 1.
const FormatInfo* FindFormat(std::string_view name);

}  // namespace glyphon::formats
