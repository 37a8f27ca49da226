// SPDX-License-Identifier: MIT
#include "formats/bands.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "support/test_support.h"

namespace glyphon::formats {
namespace {

std::string FormatName(const ::testing::TestParamInfo<int>& info) {
  std::string name = "f" + std::to_string(info.param) + "_";
  for (char ch : CliName(Format(info.param))) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

class Bands : public ::testing::TestWithParam<int> {
 protected:
  const FormatInfo& format() const { return Format(GetParam()); }
};

// Widths of whole blocks, of whole groups of 8 but not whole 16-pixel blocks, and of
// neither, where groups of 8 run across row ends and the last column reaches into the next
// row of blocks.
constexpr int kWidths[] = {16, 24, 12, 5, 3};

// Decoding band by band, each band from its own window of bytes, into one reused buffer:
// the rows, and the progress of bands taken in order, are those of the whole decode, with
// the data ending inside a band.
TEST_P(Bands, DecoderFromWindowsDrawsTheWholePicture) {
  for (const int width : kWidths) {
    const ByteString data = test::RandomBytes(1000, static_cast<std::uint32_t>(width));
    test::RecordingProgress wholeProgress;
    const DecodeResult whole =
        Decode(format(), data, width, DecodeMode::ImageGeneration, nullptr, wholeProgress);
    ASSERT_TRUE(whole.Ok());
    const int height = whole.picture.Height();
    std::int64_t bytesRead = 0;
    auto read = [&](const platform::ByteRange& range, std::span<std::uint8_t> into) {
      EXPECT_LE(range.offset + range.length, data.size());
      bytesRead += static_cast<std::int64_t>(range.length);
      std::memcpy(into.data(), data.data() + range.offset, static_cast<std::size_t>(range.length));
      return Status::Success();
    };
    test::RecordingProgress bandProgress;
    convert::ProgressTicker ticker(bandProgress, std::int64_t{width} * height);
    BandDecoder bands(format(), width, height, static_cast<std::int64_t>(data.size()), read, &ticker);
    SCOPED_TRACE("width " + std::to_string(width));
    for (int y = 0; y < height; ++y) {
      auto row = bands.Row(y);
      ASSERT_TRUE(row) << row.Error();
      const auto want = whole.picture.Row(y);
      ASSERT_TRUE(std::equal(want.begin(), want.end(), row.Value().begin())) << "row " << y;
    }
    EXPECT_EQ(bandProgress.reports, wholeProgress.reports);
    const std::int64_t readTopDown = bytesRead;
    // Bottom row first, as a BMP is written: the same rows and the same reports.
    test::RecordingProgress upProgress;
    convert::ProgressTicker upTicker(upProgress, std::int64_t{width} * height);
    BandDecoder up(format(), width, height, static_cast<std::int64_t>(data.size()), read, &upTicker);
    for (int y = height - 1; y >= 0; --y) {
      auto row = up.Row(y);
      ASSERT_TRUE(row) << row.Error();
      ASSERT_TRUE(std::ranges::equal(whole.picture.Row(y), row.Value())) << "row " << y;
    }
    EXPECT_EQ(upProgress.reports, wholeProgress.reports);
    // Each byte is read once but where a width of part blocks shares a block between bands.
    if (width % format().band.blockRows == 0 || format().band.blockRows == 1) {
      EXPECT_LE(readTopDown, static_cast<std::int64_t>(data.size()));
    }
  }
}

// The whole picture as one band gives what band after band gives: no state runs from band
// to band, in either mode.
TEST_P(Bands, OneBandIsTheSameAsManyBands) {
  for (const int width : kWidths) {
    for (const DecodeMode mode : {DecodeMode::Preview, DecodeMode::ImageGeneration}) {
      const ByteString data = test::RandomBytes(777, static_cast<std::uint32_t>(width) + 5);
      platform::NullProgress quiet;
      const DecodeResult many = Decode(format(), data, width, mode, nullptr, quiet);
      const DecodeSize size = DecodedSize(data.size(), width, format().Height());
      Surface one(static_cast<int>(size.width), static_cast<int>(size.height), kWhite);
      convert::ProgressTicker ticker(quiet, size.width * size.height);
      const DataWindow window{data, 0, static_cast<std::int64_t>(data.size())};
      const PictureBand band{one.Row(0).data(), one.Width(), one.Width(), 0, one.Height()};
      const auto failure = format().band.decode(window, band, mode, nullptr, ticker);
      SCOPED_TRACE("width " + std::to_string(width));
      EXPECT_EQ(failure, many.failure);
      if (!failure) {
        one.SetHasPicture(true);
        EXPECT_EQ(one, many.picture);
      }
    }
  }
}

// Encoding rows given one at a time gives the bytes and progress of the whole encode, for
// selections of whole tiles, of part tiles and of part groups of 8.
TEST_P(Bands, EncoderFromRowsStoresTheWholeSelection) {
  if (format().band.encode == nullptr) GTEST_SKIP() << "the partner formats encode the whole selection";
  const Surface picture = test::RandomPicture(40, 37, 11);
  for (const Selection sel :
       {Selection{0, 0, 32, 32}, Selection{8, 3, 24, 33}, Selection{3, 2, 13, 9}, Selection{1, 0, 5, 37}}) {
    PartnerState partner;
    test::RecordingProgress wholeProgress;
    const auto whole = Encode(format(), picture, sel, partner, wholeProgress);
    ASSERT_TRUE(whole);
    ByteString out(whole.Value().size(), 0);
    test::RecordingProgress bandProgress;
    convert::ProgressTicker ticker(bandProgress, std::int64_t{sel.width} * sel.height);
    BandEncoder bands(format(), sel.width, sel.height, out, ticker);
    for (int y = 0; y < sel.height; ++y) {
      const auto from = picture.Row(sel.y + y).subspan(static_cast<std::size_t>(sel.x),
                                                       static_cast<std::size_t>(sel.width));
      std::ranges::copy(from, bands.NextRow().begin());
      bands.Done();
    }
    EXPECT_TRUE(bands.Finished());
    SCOPED_TRACE(std::to_string(sel.x) + "," + std::to_string(sel.y) + "," + std::to_string(sel.width) + "," +
                 std::to_string(sel.height));
    EXPECT_EQ(out, whole.Value());
    EXPECT_EQ(bandProgress.reports, wholeProgress.reports);
  }
}

// A band far down a tall picture (row 2^30, its bytes past 2^31) draws what the same bytes
// draw as the first band: the offsets of rows that deep are counted without overflow.
TEST_P(Bands, ABandBillionsOfBytesInDecodesAsTheFirst) {
  constexpr int kWidth = 16;
  constexpr int kDeep = 1 << 30;
  const int rows = format().BandRows(kWidth);
  constexpr std::int64_t kLength = std::int64_t{1} << 40;
  const platform::ByteRange deep = BandBytes(format(), kWidth, kDeep, rows, kLength);
  const platform::ByteRange top = BandBytes(format(), kWidth, 0, rows, kLength);
  ASSERT_EQ(deep.length, top.length);
  ASSERT_GT(deep.offset, std::uint64_t{0x7FFFFFFF});
  const ByteString bytes = test::RandomBytes(static_cast<std::size_t>(top.length), 21);
  std::vector<RgbColor> deepRows(static_cast<std::size_t>(kWidth * rows)), topRows(deepRows.size());
  platform::NullProgress quiet;
  convert::ProgressTicker ticker(quiet, kLength);
  const PictureBand deepBand{deepRows.data(), kWidth, kWidth, kDeep, rows};
  const PictureBand topBand{topRows.data(), kWidth, kWidth, 0, rows};
  format().band.decode({bytes, static_cast<std::int64_t>(deep.offset), kLength}, deepBand,
                       DecodeMode::ImageGeneration, nullptr, ticker);
  format().band.decode({bytes, 0, kLength}, topBand, DecodeMode::ImageGeneration, nullptr, ticker);
  EXPECT_EQ(deepRows, topRows);
}

// The same far down with the data ending inside the band, at a width of whole tiles and at
// one of part tiles: image generation draws what the first band draws, and a preview fails
// at the same pixel of the band, naming the byte and the length of the data themselves
// (counted from the data's start, not from the band's).
TEST_P(Bands, ACutBandFarDownFailsAtItsOwnOffsets) {
  constexpr int kDeep = 1 << 30;
  for (const int width : {16, 12}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const int rows = format().BandRows(width);
    const std::int64_t farEnd = std::int64_t{1} << 40;
    const auto deep = static_cast<std::int64_t>(BandBytes(format(), width, kDeep, rows, farEnd).offset);
    const auto bandLength = static_cast<std::int64_t>(BandBytes(format(), width, 0, rows, farEnd).length);
    const std::int64_t cut = bandLength * 2 / 3 + 1;
    const ByteString bytes = test::RandomBytes(static_cast<std::size_t>(cut), 5);
    for (const DecodeMode mode : {DecodeMode::ImageGeneration, DecodeMode::Preview}) {
      std::vector<RgbColor> deepRows(static_cast<std::size_t>(width * rows), kWhite), topRows(deepRows);
      platform::NullProgress quiet;
      convert::ProgressTicker ticker(quiet, farEnd);
      const auto deepFailure = format().band.decode(
          {bytes, deep, deep + cut}, {deepRows.data(), width, width, kDeep, rows}, mode, nullptr, ticker);
      auto topFailure = format().band.decode({bytes, 0, cut}, {topRows.data(), width, width, 0, rows}, mode,
                                             nullptr, ticker);
      if (topFailure) {
        topFailure->y += kDeep;
        topFailure->offset += deep;
        topFailure->length += deep;
      }
      EXPECT_EQ(deepFailure, topFailure);
      EXPECT_EQ(deepRows, topRows);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Bands, ::testing::Range(0, kFormatCount), FormatName);

// Byte ranges worked out from the layouts.
TEST(BandBytes, CoverTheBandsBlocksOrRows) {
  const FormatInfo& snes4 = *FindFormat("4bpp-snes");
  // Width 16: two tiles of 32 bytes a tile row; rows 8-15 are tiles 2 and 3.
  EXPECT_EQ(BandBytes(snes4, 16, 8, 8, 1000), (platform::ByteRange{64, 64}));
  // Width 12: one whole tile a row, the last 4 columns in the next row's first tile.
  EXPECT_EQ(BandBytes(snes4, 12, 0, 8, 1000), (platform::ByteRange{0, 64}));
  // Cut at the end of the data.
  EXPECT_EQ(BandBytes(snes4, 16, 8, 8, 80), (platform::ByteRange{64, 16}));
  // PC Engine sprites: 128-byte blocks, 16 rows a band; width 32 is two blocks a row.
  EXPECT_EQ(BandBytes(*FindFormat("4bpp-pce-sprite"), 32, 16, 16, 1000), (platform::ByteRange{256, 256}));
  // 1bpp linear at width 12: two rows a band (24 pixels, 3 bytes); rows 2-3 are bytes 3-5.
  EXPECT_EQ(BandBytes(*FindFormat("1bpp-linear"), 12, 2, 2, 1000), (platform::ByteRange{3, 3}));
  // 32bpp N64 at width 3: 12 bytes a row.
  EXPECT_EQ(BandBytes(*FindFormat("32bpp-n64-true"), 3, 4, 1, 1000), (platform::ByteRange{48, 12}));
  EXPECT_EQ(FindFormat("1bpp-linear")->BandRows(12), 2);
  EXPECT_EQ(FindFormat("1bpp-linear")->BandRows(5), 8);
  EXPECT_EQ(FindFormat("8bpp-linear")->BandRows(5), 8);
  EXPECT_EQ(FindFormat("4bpp-linear")->BandRows(128), 1);
  EXPECT_EQ(snes4.BandRows(5), 8);
}

}  // namespace
}  // namespace glyphon::formats
