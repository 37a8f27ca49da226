// SPDX-License-Identifier: MIT
#include "formats/format_table.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <charconv>

#include "formats/bgr555.h"
#include "formats/decoding.h"
#include "formats/mode7.h"
#include "formats/n64.h"
#include "formats/one_bpp.h"
#include "formats/packed.h"
#include "formats/pce_sprite.h"
#include "formats/planar.h"
#include "formats/superfx.h"

namespace glyphon::formats {

namespace {

constexpr SwatchRule kMono = SwatchRule::BlackWhite;
constexpr SwatchRule kGrey = SwatchRule::GreySteps;
constexpr SwatchRule kRamps = SwatchRule::ColourRamps;

// clang-format off
constexpr std::array<FormatInfo, kFormatCount> kFormats{{
  // index caption             bpp lock   tiled  partner name         partner filter     swatches size rule  encoder                                     decoder, band codec                     values          lossless
  {0,      "1bpp SNES",        1,  false, true,  "",                  "",                kMono,   8.0,       one_bpp::Encode<true>,                      one_bpp::Decode<true>, one_bpp::kBand<true>,                  &kOneBitGreys},
  {1,      "1bpp Linear",      1,  true,  false, "",                  "",                kMono,   8.0,       one_bpp::Encode<false>,                     one_bpp::Decode<false>, one_bpp::kBand<false>,                 &kOneBitGreys},
  {2,      "2bpp SNES/GB",     2,  false, true,  "",                  "",                kGrey,   4.0,       bit_planes::Encode<kTwoBppSnesGb>,          bit_planes::Decode<kTwoBppSnesGb>, bit_planes::kBand<kTwoBppSnesGb>,      &kTwoBitGreys},
  {3,      "2bpp NES",         2,  false, true,  "",                  "",                kGrey,   4.0,       bit_planes::Encode<kTwoBppNes>,             bit_planes::Decode<kTwoBppNes>, bit_planes::kBand<kTwoBppNes>,         &kTwoBitGreys},
  {4,      "2bpp Linear",      2,  true,  false, "",                  "",                kGrey,   4.0,       packed_fields::Encode<kTwoBppLinear>,       packed_fields::Decode<kTwoBppLinear>, packed_fields::kBand<kTwoBppLinear>,   &kTwoBitGreys},
  {5,      "2bpp VB Tile",     2,  false, true,  "",                  "",                kGrey,   4.0,       packed_fields::Encode<kTwoBppVbTile>,       packed_fields::Decode<kTwoBppVbTile>, packed_fields::kBand<kTwoBppVbTile>,   &kTwoBitGreys},
  {6,      "2bpp VB Linear",   2,  true,  false, "",                  "",                kGrey,   4.0,       packed_fields::Encode<kTwoBppVbLinear>,     packed_fields::Decode<kTwoBppVbLinear>, packed_fields::kBand<kTwoBppVbLinear>, &kTwoBitGreys},
  {7,      "3bpp SNES",        3,  false, true,  "",                  "",                kGrey,   8.0 / 3.0, bit_planes::Encode<kThreeBppSnes>,          bit_planes::Decode<kThreeBppSnes>, bit_planes::kBand<kThreeBppSnes>,      &kThreeBitGreys},
  {8,      "4bpp SNES",        4,  false, true,  "",                  "",                kGrey,   2.0,       bit_planes::Encode<kFourBppSnes>,           bit_planes::Decode<kFourBppSnes>, bit_planes::kBand<kFourBppSnes>,       &kFourBitGreys},
  {9,      "4bpp Genesis",     4,  false, true,  "",                  "",                kGrey,   2.0,       packed_fields::Encode<kFourBppGenesis>,     packed_fields::Decode<kFourBppGenesis>, packed_fields::kBand<kFourBppGenesis>, &kFourBitGreys},
  {10,     "4bpp Linear",      4,  true,  false, "",                  "",                kGrey,   2.0,       packed_fields::Encode<kFourBppLinear>,      packed_fields::Decode<kFourBppLinear>, packed_fields::kBand<kFourBppLinear>,  &kFourBitGreys},
  {11,     "4bpp FX Low",      4,  false, false, "SuperFX high",      "FX high",         kGrey,   1.0,       EncodeWithPartner<superfx::Codec<0>>,       superfx::Decode<0>, BandCodec{nullptr, superfx::DecodeBand<0>, 1},                     &kFourBitGreys, false},
  {12,     "4bpp FX High",     4,  false, false, "SuperFX low",       "FX low",          kGrey,   1.0,       EncodeWithPartner<superfx::Codec<4>>,       superfx::Decode<4>, BandCodec{nullptr, superfx::DecodeBand<4>, 1},                     &kFourBitGreys, false},
  {13,     "8bpp Mode7 Lin",   8,  false, true,  "",                  "",                kGrey,   1.0,       mode7::EncodeLinear,                        mode7::Decode<1>, mode7::kLinearBand,                       &kEightBitGreys},
  {14,     "8bpp Mode7 Int",   8,  false, false, "Mode7 interleave",  "interleaved",     kGrey,   0.5,       EncodeWithPartner<mode7::InterleavedCodec>, mode7::Decode<2>, BandCodec{nullptr, mode7::DecodeBand<2>, 8},                       &kEightBitGreys},
  {15,     "8bpp SNES",        8,  false, true,  "",                  "",                kGrey,   1.0,       bit_planes::Encode<kEightBppSnes>,          bit_planes::Decode<kEightBppSnes>, bit_planes::kBand<kEightBppSnes>,      &kEightBitGreys},
  {16,     "8bpp Linear",      8,  true,  false, "",                  "",                kGrey,   1.0,       packed_fields::Encode<kEightBppLinear>,     packed_fields::Decode<kEightBppLinear>, packed_fields::kBand<kEightBppLinear>, &kEightBitGreys},
  {17,     "16bpp N64 (High)", 16, true,  false, "N64 alpha channel", "16bpp N64 alpha", kRamps,  0.5,       EncodeWithPartner<n64::Codec<2>>,           n64::Decode<2>, BandCodec{nullptr, n64::DecodeBand<2>, 1},                         nullptr,        false},
  {18,     "32bpp N64 (True)", 32, true,  false, "N64 alpha channel", "32bpp N64 alpha", kRamps,  0.25,      EncodeWithPartner<n64::Codec<4>>,           n64::Decode<4>, BandCodec{nullptr, n64::DecodeBand<4>, 1},                         nullptr,        false},
  {19,     "4bpp GBA",         4,  false, true,  "",                  "",                kGrey,   2.0,       packed_fields::Encode<kFourBppGba>,         packed_fields::Decode<kFourBppGba>, packed_fields::kBand<kFourBppGba>,     &kFourBitGreys},
  {20,     "4bpp Linear Rev",  4,  true,  false, "",                  "",                kGrey,   2.0,       packed_fields::Encode<kFourBppLinearRev>,   packed_fields::Decode<kFourBppLinearRev>, packed_fields::kBand<kFourBppLinearRev>, &kFourBitGreys},
  {21,     "4bpp SMS",         4,  false, true,  "",                  "",                kGrey,   2.0,       bit_planes::Encode<kFourBppSms>,            bit_planes::Decode<kFourBppSms>, bit_planes::kBand<kFourBppSms>,        &kFourBitGreys},
  {22,     "2bpp NGP",         2,  false, true,  "",                  "",                kGrey,   4.0,       packed_fields::Encode<kTwoBppNgp>,          packed_fields::Decode<kTwoBppNgp>, packed_fields::kBand<kTwoBppNgp>,      &kTwoBitGreys},
  {23,     "4bpp PCE Sprite",  4,  false, false, "",                  "",                kGrey,   2.0,       pce_sprite::Encode,                         pce_sprite::Decode, pce_sprite::kBand,                     &kFourBitGreys, true,  pce_sprite::kSide},
  {24,     "16bpp BGR555",     16, true,  false, "",                  "",                kRamps,  0.5,       bgr555::Encode,                             bgr555::Decode, bgr555::kBand,                         nullptr,        false},
}};

// Console names for the formats, by index: each console whose graphics a format stores as
// they are. The CLI name stays the first name; these are accepted alike.
constexpr std::string_view kSnesGbAliases[] = {"2bpp-gb", "2bpp-gbc", "2bpp-ws"};
constexpr std::string_view kSnes4Aliases[] = {"4bpp-pce"};
constexpr std::string_view kGenesisAliases[] = {"4bpp-md", "4bpp-wsc-packed"};
constexpr std::string_view kMode7LinAliases[] = {"8bpp-gba", "8bpp-nds"};
constexpr std::string_view kEightLinearAliases[] = {"8bpp-psx"};
constexpr std::string_view kGbaAliases[] = {"4bpp-nds"};
constexpr std::string_view kLinearRevAliases[] = {"4bpp-psx"};
constexpr std::string_view kSmsAliases[] = {"4bpp-gg", "4bpp-wsc"};
constexpr std::string_view kNgpAliases[] = {"2bpp-ngpc"};
constexpr std::string_view kBgr555Aliases[] = {"16bpp-gba", "16bpp-psx"};

constexpr std::array<std::span<const std::string_view>, kFormatCount> kAliases = [] {
  std::array<std::span<const std::string_view>, kFormatCount> aliases{};
  aliases[2] = kSnesGbAliases;
  aliases[8] = kSnes4Aliases;
  aliases[9] = kGenesisAliases;
  aliases[13] = kMode7LinAliases;
  aliases[16] = kEightLinearAliases;
  aliases[19] = kGbaAliases;
  aliases[20] = kLinearRevAliases;
  aliases[21] = kSmsAliases;
  aliases[22] = kNgpAliases;
  aliases[24] = kBgr555Aliases;
  return aliases;
}();
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

int FormatInfo::BandRows(int width) const noexcept {
  return formats::BandRows(band.blockRows, width);
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

std::span<const std::string_view> Aliases(const FormatInfo& format) noexcept {
  return kAliases[static_cast<std::size_t>(std::clamp(format.index, 0, kFormatCount - 1))];
}

const FormatInfo* FindFormat(std::string_view name) {
  int index = -1;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
  if (error == std::errc() && end == name.data() + name.size() && !name.empty()) {
    return index >= 0 && index < kFormatCount ? &kFormats[static_cast<std::size_t>(index)] : nullptr;
  }
  for (const FormatInfo& format : kFormats) {
    if (name == format.caption || name == CliName(format)) return &format;
    const auto aliases = Aliases(format);
    if (std::find(aliases.begin(), aliases.end(), name) != aliases.end()) return &format;
  }
  return nullptr;
}

}  // namespace glyphon::formats
