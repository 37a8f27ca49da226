#include "formats/format_table.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <charconv>

#include "formats/mode7.h"
#include "formats/n64.h"
#include "formats/one_bpp.h"
#include "formats/packed.h"
#include "formats/planar.h"
#include "formats/superfx.h"
#include "formats/two_bpp.h"
#include "formats/vb.h"

namespace glyphon::formats {

namespace {

constexpr SwatchRule kMono = SwatchRule::BlackWhite;
constexpr SwatchRule kGrey = SwatchRule::GreySteps;
constexpr SwatchRule kRamps = SwatchRule::ColourRamps;

constexpr HeightRule Times(double pixelsPerByte) {
  return HeightRule{pixelsPerByte, 0};
}
constexpr HeightRule Over(int bytesPerPixel) {
  return HeightRule{1.0, bytesPerPixel};
}

// clang-format off
constexpr std::array<FormatInfo, kFormatCount> kFormats{{
  // index caption              bpp lock   tiled  partner name          partner filter     swatches height       size rule  encoder                       decoder                  values
  {0,  "1bpp SNES",             1,  false, true,  "",                   "",                kMono,  Times(8),     8.0,       EncodeOneBppSnes,             DecodeOneBppSnes,        &kOneBitGreys},
  {1,  "1bpp Linear",           1,  true,  false, "",                   "",                kMono,  Times(8),     8.0,       EncodeOneBppLinear,           DecodeOneBppLinear,      &kOneBitGreys},
  {2,  "2bpp SNES/GB",          2,  false, true,  "",                   "",                kGrey,  Times(4),     4.0,       EncodeTwoBppSnesGb,           DecodeTwoBppSnesGb,      &kTwoBitGreys},
  {3,  "2bpp NES",              2,  false, true,  "",                   "",                kGrey,  Times(4),     4.0,       EncodeTwoBppNes,              DecodeTwoBppNes,         &kTwoBitGreys},
  {4,  "2bpp Linear",           2,  true,  false, "",                   "",                kGrey,  Times(4),     4.0,       EncodeTwoBppLinear,           DecodeTwoBppLinear,      &kTwoBitGreys},
  {5,  "2bpp VB Tile",          2,  false, true,  "",                   "",                kGrey,  Times(4),     4.0,       EncodeTwoBppVbTile,           DecodeTwoBppVbTile,      &kTwoBitGreys},
  {6,  "2bpp VB Linear",        2,  true,  false, "",                   "",                kGrey,  Times(4),     4.0,       EncodeTwoBppVbLinear,         DecodeTwoBppVbLinear,    &kTwoBitGreys},
  {7,  "3bpp SNES",             3,  false, true,  "",                   "",                kGrey,  Times(8.0/3), 8.0 / 3.0, EncodeThreeBppSnes,           DecodeThreeBppSnes,      &kThreeBitGreys},
  {8,  "4bpp SNES",             4,  false, true,  "",                   "",                kGrey,  Times(2),     2.0,       EncodeFourBppSnes,            DecodeFourBppSnes,       &kFourBitGreys},
  {9,  "4bpp Genesis",          4,  false, true,  "",                   "",                kGrey,  Times(2),     2.0,       EncodeFourBppGenesis,         DecodeFourBppGenesis,    &kFourBitGreys},
  {10, "4bpp Linear",           4,  true,  false, "",                   "",                kGrey,  Times(2),     2.0,       EncodeFourBppLinear,          DecodeFourBppLinear,     &kFourBitGreys},
  {11, "4bpp FX Low",           4,  false, false, "SuperFX high",       "FX high",         kGrey,  Times(1),     1.0,       EncodeFxLow,                  DecodeFxLow,             &kFourBitGreys},
  {12, "4bpp FX High",          4,  false, false, "SuperFX low",        "FX low",          kGrey,  Times(1),     1.0,       EncodeFxHigh,                 DecodeFxHigh,            &kFourBitGreys},
  {13, "8bpp Mode7 Lin",        8,  false, true,  "",                   "",                kGrey,  Times(1),     1.0,       EncodeMode7Linear,            DecodeMode7Linear,       &kEightBitGreys},
  {14, "8bpp Mode7 Int",        8,  false, false, "Mode7 interleave",   "interleaved",     kGrey,  Over(2),      0.5,       EncodeMode7Interleaved,       DecodeMode7Interleaved,  &kEightBitGreys},
  {15, "8bpp SNES",             8,  false, true,  "",                   "",                kGrey,  Times(1),     1.0,       EncodeEightBppSnes,           DecodeEightBppSnes,      &kEightBitGreys},
  {16, "8bpp Linear",           8,  true,  false, "",                   "",                kGrey,  Times(1),     1.0,       EncodeEightBppLinear,         DecodeEightBppLinear,    &kEightBitGreys},
  {17, "16bpp N64 (High)",      16, true,  false, "N64 alpha channel",  "16bpp N64 alpha", kRamps, Over(2),      0.5,       EncodeN64High,                DecodeN64High,           nullptr},
  {18, "32bpp N64 (True)",      32, true,  false, "N64 alpha channel",  "32bpp N64 alpha", kRamps, Over(4),      0.25,      EncodeN64True,                DecodeN64True,           nullptr},
}};
// clang-format on

constexpr bool IndicesMatchPositions() {
  for (std::size_t i = 0; i < kFormats.size(); ++i) {
    if (kFormats[i].index != static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(IndicesMatchPositions(), "format table rows must be in index order");

}  // namespace

std::span<const FormatInfo> Formats() noexcept {
  return kFormats;
}

const FormatInfo& Format(int index) noexcept {
  assert(index >= 0 && index < kFormatCount);
  return kFormats[static_cast<std::size_t>(std::clamp(index, 0, kFormatCount - 1))];
}

std::string CliName(const FormatInfo& format) {
  std::string name;
  for (char ch : format.caption) {
    if (ch == '(' || ch == ')') continue;
    name += ch == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  return name;
}

const FormatInfo* FindFormat(std::string_view name) {
  int index = -1;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
  if (error == std::errc() && end == name.data() + name.size() && !name.empty()) {
    return index >= 0 && index < kFormatCount ? &kFormats[static_cast<std::size_t>(index)] : nullptr;
  }
  for (const FormatInfo& format : kFormats) {
    if (name == format.caption || name == CliName(format)) return &format;
  }
  return nullptr;
}

}  // namespace glyphon::formats
