// SPDX-License-Identifier: MIT
// The partner step every partner format shares, run over every partner format of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

struct PartnerFormat {
  int index;
  RgbColor paint;  // the colour of the area by which the partner picture grows
};

// The colour a partner picture grows in, by format caption: black for the SuperFX and
// Mode 7 halves (value 0, the transparent colour), white for the N64 alpha channel (fully
// opaque).
const std::pair<std::string_view, RgbColor> kPaints[] = {
    {"4bpp FX Low", kBlack},      {"4bpp FX High", kBlack},     {"8bpp Mode7 Int", kBlack},
    {"16bpp N64 (High)", kWhite}, {"32bpp N64 (True)", kWhite},
};

// Every format of the table with a partner, with its paint colour. A partner format
// without a paint above fails the test, naming the format.
std::vector<PartnerFormat> PartnerFormats() {
  std::vector<PartnerFormat> formats;
  for (const FormatInfo& format : Formats()) {
    if (!format.HasPartner()) continue;
    const auto paint = std::find_if(std::begin(kPaints), std::end(kPaints),
                                    [&format](const auto& entry) { return entry.first == format.caption; });
    if (paint == std::end(kPaints)) {
      ADD_FAILURE() << format.caption << " has a partner but no paint colour in this test";
      continue;
    }
    formats.push_back({format.index, paint->second});
  }
  return formats;
}

TEST(PartnerFormats, EveryPaintNamesAPartnerFormatOfTheTable) {
  for (const auto& [caption, paint] : kPaints) {
    const FormatInfo* format = FindFormat(caption);
    EXPECT_TRUE(format != nullptr && format->HasPartner()) << caption;
  }
}

void PrintTo(const PartnerFormat& format, std::ostream* out) {
  *out << Format(format.index).caption;
}

std::string Name(const ::testing::TestParamInfo<PartnerFormat>& info) {
  std::string name;
  for (char ch : CliName(Format(info.param.index)))
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

class EveryPartnerFormat : public ::testing::TestWithParam<PartnerFormat> {
 protected:
  const FormatInfo& format() const { return Format(GetParam().index); }
  ByteString Convert(const Surface& source, Selection sel, PartnerState& partner,
                     std::vector<int>* reports = nullptr) const {
    test::RecordingProgress progress;
    ByteString out = Encode(format(), source, sel, partner, progress).Value();
    if (reports != nullptr) *reports = progress.reports;
    return out;
  }
  std::size_t DataSize(Selection sel) const {
    return static_cast<std::size_t>(Nearest(sel.width * sel.height / format().pixelsPerByte));
  }
};

TEST_P(EveryPartnerFormat, PartnerStepReportsUpToFiftyAndTheMainPassTheRest) {
  const Surface source = test::RandomPicture(8, 1, 1);
  const std::vector<int> split{6, 12, 19, 25, 31, 38, 44, 50, 56, 62, 69, 75, 81, 88, 94, 100};
  std::vector<int> reports;
  PartnerState neither;
  Convert(source, {0, 0, 8, 1}, neither, &reports);
  EXPECT_EQ(reports, split);
  PartnerState picture;
  picture.picture = test::RandomPicture(8, 1, 2);
  Convert(source, {0, 0, 8, 1}, picture, &reports);
  EXPECT_EQ(reports, split);
  // Now both are there: no partner step.
  Convert(source, {0, 0, 8, 1}, picture, &reports);
  EXPECT_EQ(reports, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
  PartnerState data;
  data.data = test::RandomBytes(DataSize({0, 0, 8, 1}), 3);
  Convert(source, {0, 0, 8, 1}, data, &reports);
  EXPECT_EQ(reports, split);
}

TEST_P(EveryPartnerFormat, WithoutPartnerTheDataStepRunsAndRunsAgainAlike) {
  const Surface source = test::RandomPicture(16, 8, 4);
  PartnerState partner;
  const ByteString first = Convert(source, {0, 0, 16, 8}, partner);
  EXPECT_EQ(partner.data.size(), first.size());
  EXPECT_FALSE(partner.HasPicture());
  EXPECT_EQ(partner.picture.Width(), 16);
  EXPECT_EQ(partner.picture.Height(), 8);
  const ByteString aux = partner.data;
  EXPECT_EQ(Convert(source, {0, 0, 16, 8}, partner), first);
  EXPECT_EQ(partner.data, aux);
}

TEST_P(EveryPartnerFormat, PictureGrowsInThePaintColourAndStaysLoaded) {
  const Surface loaded = test::RandomPicture(4, 4, 5);
  PartnerState partner;
  partner.picture = loaded;
  const ByteString data = Convert(test::RandomPicture(8, 8, 6), {0, 0, 8, 8}, partner);
  EXPECT_TRUE(partner.HasPicture());
  EXPECT_EQ(partner.data.size(), data.size());
  ASSERT_EQ(partner.picture.Width(), 8);
  ASSERT_EQ(partner.picture.Height(), 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(partner.picture.GetPixel(x, y), x < 4 && y < 4 ? loaded.GetPixel(x, y) : GetParam().paint)
          << x << "," << y;
    }
  }
}

TEST_P(EveryPartnerFormat, APictureLargerThanTheSelectionIsNeverPaintedOver) {
  const Surface loaded = test::RandomPicture(24, 21, 7);
  PartnerState partner;
  partner.picture = loaded;
  const ByteString data = Convert(test::RandomPicture(8, 8, 8), {0, 0, 8, 8}, partner);
  EXPECT_EQ(partner.picture, loaded);
  EXPECT_EQ(partner.data.size(), data.size());
}

TEST_P(EveryPartnerFormat, WithBothTheKeptDataIsUsedAsItStands) {
  PartnerState partner;
  partner.picture = test::RandomPicture(8, 8, 9);
  partner.data = test::RandomBytes(DataSize({0, 0, 8, 8}) / 2, 10);
  const PartnerState before = partner;
  Convert(test::RandomPicture(8, 8, 11), {0, 0, 8, 8}, partner);
  EXPECT_EQ(partner.data, before.data);
  EXPECT_EQ(partner.picture, before.picture);
}

TEST_P(EveryPartnerFormat, ShortPartnerDataIsPaddedAndLongDataKeepsItsTail) {
  const Selection sel{0, 0, 8, 8};
  const Surface source = test::RandomPicture(8, 8, 12);
  PartnerState shortData;
  shortData.data = test::Bytes({0xFF});
  Convert(source, sel, shortData);
  EXPECT_EQ(shortData.data.size(), DataSize(sel));

  // The padding is zero bytes: the same as partner data that was zero from the start.
  PartnerState zeros;
  zeros.data = ByteString(DataSize(sel), 0);
  PartnerState padded;
  padded.data = test::Bytes({0});
  EXPECT_EQ(Convert(source, sel, padded), Convert(source, sel, zeros));

  PartnerState longData;
  longData.data = test::RandomBytes(DataSize(sel) + 10, 13);
  const ByteString tail(longData.data.end() - 10, longData.data.end());
  Convert(source, sel, longData);
  ASSERT_EQ(longData.data.size(), DataSize(sel) + 10);
  EXPECT_EQ(ByteString(longData.data.end() - 10, longData.data.end()), tail);
  EXPECT_FALSE(longData.HasPicture());
}

TEST_P(EveryPartnerFormat, APictureThatWouldGrowBeyondTheLimitsIsAFailureAndStaysAsItWas) {
  // 8192 by 8193 pixels is more than the 67108864 a picture may hold.
  PartnerState partner;
  partner.picture = test::Filled(1, 8193, kWhite);
  const PartnerState before = partner;
  test::RecordingProgress progress;
  const Result<ByteString> out =
      Encode(format(), test::Filled(8192, 1, kWhite), {0, 0, 8192, 1}, partner, progress);
  ASSERT_FALSE(out.Ok());
  EXPECT_TRUE(out.Error().starts_with("the partner picture would grow to 8192 by 8193")) << out.Error();
  EXPECT_EQ(partner.picture, before.picture);
  EXPECT_TRUE(partner.data.empty());
  EXPECT_TRUE(progress.reports.empty());
}

TEST_P(EveryPartnerFormat, EmptySelectionGivesNoData) {
  PartnerState partner;
  EXPECT_TRUE(Convert(test::Filled(8, 8, kWhite), {0, 0, 0, 8}, partner).empty());
  PartnerState picture;
  picture.picture = test::Filled(4, 4, kWhite);
  EXPECT_TRUE(Convert(test::Filled(8, 8, kWhite), {0, 0, 8, 0}, picture).empty());
  EXPECT_TRUE(picture.HasPicture());
}

TEST_P(EveryPartnerFormat, OnePassGivesWhatTwoPassesGive) {
  // A selection that reaches one column beyond its picture reads black there and takes the
  // partner step and the main pass one after the other; the same pixels with the black
  // drawn in are read in one pass where the format allows it. Bytes, partner data and
  // progress reports must agree. A small partner picture grows to the selection's size first.
  struct Case {
    Selection sel;
    int partnerWidth;
    int partnerHeight;
  };
  for (const auto& [sel, partnerWidth, partnerHeight] :
       {Case{{0, 0, 8, 1}, 40, 30}, Case{{0, 0, 16, 8}, 40, 30}, Case{{8, 3, 24, 16}, 40, 30},
        Case{{5, 2, 16, 8}, 40, 30}, Case{{0, 0, 12, 6}, 40, 30}, Case{{0, 0, 16, 8}, 6, 5},
        Case{{2, 1, 8, 8}, 6, 5}}) {
    const Surface cut = test::RandomPicture(sel.x + sel.width - 1, sel.y + sel.height, 20);
    Surface padded = cut;
    padded.Resize(sel.x + sel.width, sel.y + sel.height, kBlack);
    PartnerState two;
    two.picture = test::RandomPicture(partnerWidth, partnerHeight, 21);
    PartnerState one = two;
    std::vector<int> twoReports;
    std::vector<int> oneReports;
    EXPECT_EQ(Convert(padded, sel, one, &oneReports), Convert(cut, sel, two, &twoReports))
        << sel.x << "," << sel.y << " " << sel.width << "x" << sel.height << " partner " << partnerWidth;
    EXPECT_EQ(one.data, two.data);
    EXPECT_EQ(one.picture, two.picture);
    EXPECT_EQ(oneReports, twoReports);
  }
}

TEST_P(EveryPartnerFormat, DecodingLeavesThePartnerAloneExceptMode7Interleaved) {
  PartnerState partner;
  partner.picture = test::RandomPicture(8, 8, 14);
  partner.data = test::RandomBytes(50, 15);
  const PartnerState before = partner;
  const ByteString data = test::RandomBytes(256, 16);
  platform::NullProgress progress;
  ASSERT_TRUE(Decode(format(), data, 8, DecodeMode::Preview, &partner, progress).Ok());
  EXPECT_EQ(partner.data, before.data);
  ASSERT_TRUE(Decode(format(), data, 8, DecodeMode::ImageGeneration, &partner, progress).Ok());
  if (GetParam().index == 14) {
    EXPECT_EQ(partner.data.size(), data.size());
    EXPECT_FALSE(partner.HasPicture());
  } else {
    EXPECT_EQ(partner.data, before.data);
    EXPECT_EQ(partner.picture, before.picture);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryPartnerFormat, ::testing::ValuesIn(PartnerFormats()), Name);

}  // namespace
}  // namespace glyphon::formats
