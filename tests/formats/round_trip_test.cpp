// SPDX-License-Identifier: MIT
// Properties that hold for every format in the table, run as one suite over it.
#include <gtest/gtest.h>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/grey_palette.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

// Formats whose decoded picture does not carry every bit of the data (the SuperFX formats
// show one nibble of two, the N64 formats drop the alpha, BGR555 ignores bit 15) say so in
// the table.
bool DecodeIsLossless(const FormatInfo& format) {
  return format.lossless;
}

// The grid formats are sized in whole blocks (8 by 8 tiles, 16 by 16 sprites).
std::vector<int> Sizes(const FormatInfo& format) {
  if (format.lockOptional) return {1, 7, 8, 9, 15, 16, 17};
  const int side = format.blockSide;
  return {side, 2 * side, 3 * side};
}

class EveryFormat : public ::testing::TestWithParam<int> {
 protected:
  const FormatInfo& format() const { return Format(GetParam()); }
};

std::string FormatName(const ::testing::TestParamInfo<int>& info) {
  std::string name;
  for (char ch : CliName(Format(info.param))) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  std::string prefix = "f";
  prefix.append(std::to_string(info.param)).append("_");
  return prefix + name;
}

TEST_P(EveryFormat, EncodeDecodeEncodeGivesTheSameBytes) {
  platform::NullProgress progress;
  for (int w : Sizes(format())) {
    for (int h : Sizes(format())) {
      const Surface picture = test::RandomPicture(w, h, static_cast<std::uint32_t>(w * 100 + h));
      PartnerState partner1;
      const ByteString first = Encode(format(), picture, {0, 0, w, h}, partner1, progress).Value();
      EXPECT_EQ(first.size(), static_cast<std::size_t>(Nearest(w * h / format().pixelsPerByte)));
      PartnerState decodePartner;
      const DecodeResult decoded =
          Decode(format(), first, w, DecodeMode::ImageGeneration, &decodePartner, progress);
      ASSERT_TRUE(decoded.Ok());
      PartnerState partner2;
      const ByteString second = Encode(format(), decoded.picture, {0, 0, w, h}, partner2, progress).Value();
      EXPECT_EQ(second, first) << w << " by " << h;
    }
  }
}

TEST_P(EveryFormat, DecodeThenEncodeGivesBackWholeTileData) {
  if (!DecodeIsLossless(format())) GTEST_SKIP() << "the picture does not carry every bit";
  platform::NullProgress progress;
  const int side = format().lockOptional ? 8 : format().blockSide;
  for (int w : {side, 2 * side, 4 * side}) {
    const int h = 16;
    const ByteString data = test::RandomBytes(
        static_cast<std::size_t>(Nearest(w * h / format().pixelsPerByte)), static_cast<std::uint32_t>(w));
    PartnerState partner;
    const DecodeResult decoded = Decode(format(), data, w, DecodeMode::ImageGeneration, &partner, progress);
    ASSERT_TRUE(decoded.Ok());
    ASSERT_EQ(decoded.picture.Width(), w);
    ASSERT_EQ(decoded.picture.Height(), h);
    partner.picture.SetHasPicture(false);
    const ByteString again = Encode(format(), decoded.picture, {0, 0, w, h}, partner, progress).Value();
    EXPECT_EQ(again, data) << "width " << w;
  }
}

TEST_P(EveryFormat, DecodingAnyLengthNeverReadsPastTheData) {
  // Every length from 0 to 3 tiles and several widths, in both modes: the preview may fail
  // but image generation never does, and nothing reads out of bounds (the sanitizer build
  // and _GLIBCXX_ASSERTIONS catch that).
  platform::NullProgress progress;
  for (std::size_t length = 0; length <= 3 * 64 * 4 + 3; length += (length < 40 ? 1 : 7)) {
    const ByteString data = test::RandomBytes(length, static_cast<std::uint32_t>(length));
    for (int width : {1, 3, 8, 12, 16, 24}) {
      Decode(format(), data, width, DecodeMode::Preview, nullptr, progress);
      PartnerState partner;
      const DecodeResult generated =
          Decode(format(), data, width, DecodeMode::ImageGeneration, &partner, progress);
      EXPECT_TRUE(generated.Ok()) << "length " << length << " width " << width;
    }
  }
}

TEST_P(EveryFormat, ProgressEndsAtOneHundred) {
  test::RecordingProgress progress;
  PartnerState partner;
  partner.picture = test::Filled(8, 8, kWhite);
  Encode(format(), test::Filled(8, 8, kWhite), {0, 0, 8, 8}, partner, progress);
  ASSERT_FALSE(progress.reports.empty());
  EXPECT_EQ(progress.reports.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.reports.begin(), progress.reports.end()));
}

// Decoded pictures are written as indices into these colours, so every pixel a decoder
// draws, the end-of-data fill included, must be one of them.
TEST_P(EveryFormat, DecodersDrawOnlyTheirFormatsColours) {
  const std::span<const RgbColor> colours = DecoderColours(format().bitsPerPixel);
  if (format().bitsPerPixel > 8) GTEST_SKIP() << "direct colour";
  ASSERT_EQ(colours.size(), std::size_t{1} << format().bitsPerPixel);
  platform::NullProgress progress;
  PartnerState partner;
  const DecodeResult decoded =
      Decode(format(), test::RandomBytes(999, 7), 16, DecodeMode::ImageGeneration, &partner, progress);
  ASSERT_TRUE(decoded.Ok());
  for (RgbColor c : decoded.picture.Pixels()) {
    ASSERT_NE(std::find(colours.begin(), colours.end(), c), colours.end()) << std::hex << c;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, EveryFormat, ::testing::Range(0, kFormatCount), FormatName);

}  // namespace
}  // namespace glyphon::formats
