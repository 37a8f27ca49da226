// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "convert/classify.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

constexpr int kLow = 11;
constexpr int kHigh = 12;

ByteString Convert(int format, const Surface& source, Selection sel, PartnerState& partner) {
  platform::NullProgress progress;
  return Encode(Format(format), source, sel, partner, progress).Value();
}

Surface Show(int format, const ByteString& data, int width) {
  platform::NullProgress progress;
  DecodeResult result = Decode(Format(format), data, width, DecodeMode::Preview, nullptr, progress);
  EXPECT_TRUE(result.Ok());
  return result.picture;
}

// A row of pixels in the given greys.
Surface GreyRow(std::initializer_list<int> greys) {
  Surface row = test::Filled(static_cast<int>(greys.size()), 1, kBlack);
  int x = 0;
  for (int g : greys) row.SetPixel(x++, 0, GreyColor(g));
  return row;
}

// The four-bit index of each pixel, at the given nibble, as the stream holds it.
ByteString Nibbles(const Surface& picture, int shift) {
  ByteString out;
  for (RgbColor c : picture.Pixels())
    out.push_back(static_cast<std::uint8_t>((convert::GreyOfColour(c) / 16) << shift));
  return out;
}

TEST(SuperFx, KnownAnswersWithPartnerData) {
  struct Case {
    int format;
    int partnerByte;
    int data;
    int keptPartner;
    RgbColor partnerShown;
  };
  for (const Case& c :
       {Case{kLow, 0xA7, 0xAF, 0xA0, GreyColor(0xA0)}, Case{kHigh, 0xA7, 0xF7, 0x07, GreyColor(7)}}) {
    PartnerState partner;
    partner.data = test::Bytes({c.partnerByte});
    EXPECT_EQ(Convert(c.format, test::Filled(1, 1, kWhite), {0, 0, 1, 1}, partner), test::Bytes({c.data}));
    EXPECT_EQ(partner.data, test::Bytes({c.keptPartner}));
    EXPECT_EQ(partner.picture.GetPixel(0, 0), c.partnerShown);
  }
}

TEST(SuperFx, WithoutPartnerEveryPartnerNibbleIsZero) {
  const Surface row = GreyRow({0, 15, 16, 31, 32, 128, 240, 255});
  for (int format : {kLow, kHigh}) {
    PartnerState partner;
    const int shift = format == kLow ? 0 : 4;
    EXPECT_EQ(Convert(format, row, {0, 0, 8, 1}, partner), Nibbles(row, shift));
    EXPECT_EQ(partner.data, ByteString(8, 0));
    EXPECT_EQ(partner.picture, Surface(8, 1, kBlack));
  }
}

TEST(SuperFx, PartnerPictureWiderThanTheSelectionKeepsItsRows) {
  // Before the mend, a partner picture 8 or more pixels wider than the selection gave
  // partner rows of its own width, and row 1 of the selection took row 0's right half.
  Surface partnerPicture = test::Filled(16, 3, kBlack);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 16; ++x) partnerPicture.SetPixel(x, y, GreyColor(16 * ((x + 5 * y) % 16)));
  }
  const Surface source = test::Filled(8, 2, kBlack);
  PartnerState partner;
  partner.picture = partnerPicture;
  const ByteString data = Convert(kLow, source, {0, 0, 8, 2}, partner);
  EXPECT_EQ(data, Nibbles(partnerPicture.Crop(0, 0, 8, 2), 4));
  EXPECT_EQ(partner.data, data);
  EXPECT_EQ(partner.picture, partnerPicture);
}

TEST(SuperFx, PartnerPictureIsReadAtTheSelectionAndBlackWhereItGrewOrEnds) {
  // The 4 by 4 white partner picture grows to 8 by 8 in black. The selection starts at
  // (2, 2), so only its top-left 2 by 2 reaches the loaded picture; the rest reads the
  // grown area or lies beyond the surface.
  PartnerState partner;
  partner.picture = test::Filled(4, 4, kWhite);
  const ByteString data = Convert(kHigh, test::Filled(16, 16, kBlack), {2, 2, 8, 8}, partner);
  ByteString expected(64, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) expected[static_cast<std::size_t>(8 * y + x)] = 0x0F;
  }
  EXPECT_EQ(data, expected);
  EXPECT_TRUE(partner.HasPicture());
}

TEST(SuperFx, NibbleOfOneConversionIsThePartnerOfTheOther) {
  const Surface a = test::RandomPicture(8, 8, 21);
  const Surface b = test::RandomPicture(8, 8, 22);
  for (int first : {kLow, kHigh}) {
    const int second = first == kLow ? kHigh : kLow;
    PartnerState none;
    const ByteString partnerData = Convert(first, a, {0, 0, 8, 8}, none);
    PartnerState loaded;
    loaded.data = partnerData;
    const ByteString stream = Convert(second, b, {0, 0, 8, 8}, loaded);
    ByteString expected;
    const ByteString aNibbles = Nibbles(a, first == kLow ? 0 : 4);
    const ByteString bNibbles = Nibbles(b, second == kLow ? 0 : 4);
    for (std::size_t i = 0; i < 64; ++i)
      expected.push_back(static_cast<std::uint8_t>(aNibbles[i] | bNibbles[i]));
    EXPECT_EQ(stream, expected);
    // Each format shows its own picture at 17 levels: re-encoding a view gives its nibbles.
    PartnerState againA, againB;
    EXPECT_EQ(Convert(first, Show(first, stream, 8), {0, 0, 8, 8}, againA), aNibbles);
    EXPECT_EQ(Convert(second, Show(second, stream, 8), {0, 0, 8, 8}, againB), bNibbles);
  }
}

TEST(SuperFx, DecodeThenEncodeWithTheDataAsPartnerGivesBackTheData) {
  const ByteString data = test::RandomBytes(8 * 16, 23);
  for (int format : {kLow, kHigh}) {
    PartnerState partner;
    partner.data = data;
    EXPECT_EQ(Convert(format, Show(format, data, 8), {0, 0, 8, 16}, partner), data);
  }
}

TEST(SuperFx, DecodingDrawsSeventeenLevelsAndBlackPastTheData) {
  ByteString data(100, 0);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37);
  const Surface tenWide = Show(kHigh, data, 10);
  ASSERT_EQ(tenWide.Width(), 10);
  ASSERT_EQ(tenWide.Height(), 10);
  EXPECT_EQ(tenWide.GetPixel(3, 2), GreyColor(17 * (data[23] >> 4)));
  const Surface eightWide = Show(kLow, data, 8);
  ASSERT_EQ(eightWide.Height(), 13);
  for (int x = 0; x < 8; ++x) {
    const std::size_t p = static_cast<std::size_t>(96 + x);
    EXPECT_EQ(eightWide.GetPixel(x, 12), p < 100 ? GreyColor(17 * (data[p] & 0x0F)) : kBlack) << x;
  }
}

}  // namespace
}  // namespace glyphon::formats
