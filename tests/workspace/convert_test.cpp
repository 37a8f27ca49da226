// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/decoding.h"
#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

TEST_F(WindowTest, MissingPartnerQuestionAnsweredNoChangesNothing) {
  window.MakeCurrentPicture(RandomPicture(32, 16, 1));
  window.SelectFormat(11);
  platform.answers = {Answer::No, Answer::No};
  window.Convert();  // settles the format, the one thing the click may set
  const std::string before = Describe(window);

  window.Convert();

  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[1],
            (platform::Message{{"NOTE: No SuperFX high data loaded.", "Do you wish to continue?"},
                               platform::Buttons::YesNo,
                               platform::Icon::Question,
                               Answer::Yes,
                               ""}));
  EXPECT_EQ(platform.pendingEventRuns, 0);
  EXPECT_EQ(Describe(window), before);
}

// The formats of the table with a partner, by index.
std::vector<int> PartnerFormats() {
  std::vector<int> indices;
  for (const formats::FormatInfo& format : formats::Formats())
    if (format.HasPartner()) indices.push_back(format.index);
  return indices;
}

class PartnerQuestionTest : public WindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(PartnerQuestionTest, AskedOnlyWhenNeitherPartnerPictureNorDataIsThere) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  window.MakeCurrentPicture(RandomPicture(16, 16, 2));
  window.SelectFormat(format.index);

  platform.answers.push_back(Answer::Yes);
  window.Convert();  // Yes converts anyway
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].lines,
            (std::vector<std::string>{"NOTE: No " + std::string(format.partnerName) + " data loaded.",
                                      "Do you wish to continue?"}));
  EXPECT_FALSE(window.RomData().empty());

  platform.messages.clear();
  window.SetPartnerPicture(Filled(16, 16, kWhite));
  window.Convert();
  window.SetPartnerData(Bytes({1}));
  window.Convert();
  EXPECT_TRUE(platform.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(PartnerFormats, PartnerQuestionTest, ::testing::ValuesIn(PartnerFormats()),
                         [](const auto& p) { return FormatTestName(p.param); });

TEST_F(WindowTest, AConversionThatCannotRunSaysWhyAndUnlocksTheWindow) {
  // A tall partner picture under a wide selection would have to grow in both directions
  // beyond the picture limits.
  window.MakeCurrentPicture(Filled(8192, 8, kWhite));
  window.SelectFormat(17);
  window.SetPartnerPicture(Filled(8192, 8, kWhite));
  window.Convert();
  const ByteString converted = window.RomData();
  ASSERT_FALSE(converted.empty());
  platform.messages.clear();
  window.SetPartnerPicture(Filled(1, 8193, kWhite));
  window.Convert();

  ASSERT_EQ(platform.messages.size(), 1u);
  const std::vector<std::string>& lines = platform.messages[0].lines;
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "Unable to convert image.");
  EXPECT_TRUE(lines[1].starts_with("the partner picture would grow to 8192 by 8193")) << lines[1];
  EXPECT_EQ(window.RomData(), converted);
  EXPECT_EQ(window.Partner().picture.Height(), 8193);
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_TRUE(window.View().convert.enabled);
  EXPECT_EQ(window.View().convert.caption, "Convert");
  EXPECT_TRUE(window.View().width.enabled);
  EXPECT_EQ(window.SaveFilters(),
            kBitmapsOnly);  // the old data stays, but bitmaps only are offered
}

// An empty selection converts nothing: the old data, which may still be saved, stays.
TEST_F(WindowTest, EmptySelectionIsRefusedAndChangesNothing) {
  PictureWithFreeSelection(Filled(16, 16, kWhite), 1);
  window.SelectFormat(0);
  window.Convert();
  for (const convert::Selection& empty : {convert::Selection{0, 0, 0, 8}, convert::Selection{0, 0, 8, 0}}) {
    Select(empty.x, empty.y, empty.width, empty.height);
    const std::string before = Describe(window);
    const auto origin = window.RomDataOrigin();
    platform.messages.clear();
    const int runs = platform.pendingEventRuns;
    window.Convert();
    EXPECT_EQ(platform.messages, (std::vector<platform::Message>{{{"The selection is empty."},
                                                                  platform::Buttons::Ok,
                                                                  platform::Icon::Exclamation,
                                                                  Answer::Ok,
                                                                  ""}}));
    EXPECT_EQ(Describe(window), before);
    EXPECT_EQ(window.RomDataOrigin(), origin);
    EXPECT_EQ(platform.pendingEventRuns, runs);
  }
}

TEST_F(WindowTest, ConvertReadsTheSelectedRectangleOfTheCurrentPicture) {
  // A black picture, white around the selection (the rows above and below it and the
  // columns either side) so that a rectangle read one off in any direction shows.
  // The selection 3,5,16,2 in "1bpp Linear" is 32 pixels, four bytes: the bits run in row
  // order with no padding, bit 7 the leftmost pixel, 1 for a colour above 0x7F7F7F (white).
  Surface picture = Filled(24, 12, kBlack);
  for (int x = 0; x < 24; ++x) {
    picture.SetPixel(x, 4, kWhite);
    picture.SetPixel(x, 7, kWhite);
  }
  for (int y = 5; y <= 6; ++y) {
    picture.SetPixel(2, y, kWhite);
    picture.SetPixel(19, y, kWhite);
  }
  picture.SetPixel(3, 5, kWhite);                                 // pixel 0: byte 0, bit 7
  picture.SetPixel(10, 5, kWhite);                                // pixel 7: byte 0, bit 0 -> 0x81
  for (int x = 11; x <= 18; ++x) picture.SetPixel(x, 5, kWhite);  // pixels 8-15: byte 1 = 0xFF
  picture.SetPixel(4, 6, kWhite);                                 // pixel 17: byte 2, bit 6 -> 0x40
  picture.SetPixel(18, 6, kWhite);                                // pixel 31: byte 3, bit 0 -> 0x01
  PictureWithFreeSelection(picture, 1);
  Select(3, 5, 16, 2);
  window.Convert();
  EXPECT_EQ(window.RomData(), (ByteString{0x81, 0xFF, 0x40, 0x01}));
}

TEST_F(WindowTest, ProgressShowsEachNewPercentageWhileTheWindowIsLocked) {
  PictureWithFreeSelection(Filled(8, 1, kWhite), 1);
  Select(0, 0, 8, 1);
  std::vector<std::string> shown;
  std::vector<std::string> lockProblems;
  platform.onPendingEvents = [&] {
    shown.push_back(window.Progress().text);
    auto expect = [&](bool ok, const char* what) {
      if (!ok) lockProblems.push_back(what);
    };
    expect(window.Progress().visible && window.Progress().caption == "Image Conversion Progress",
           "progress window");
    expect(window.View().convert.caption == "Converting...", "caption");
    const workspace::WindowView view = window.View();
    for (const auto* b : {&view.load, &view.paste, &view.clear, &view.convert, &view.save, &view.copy}) {
      expect(!b->enabled, "command button");
    }
    expect(!window.View().formatsEnabled, "format options");
    for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height})
      expect(!window.View().Row(s).enabled, "spinner");
    expect(!window.View().tileLockEnabled, "check box");
    expect(!window.View().outline.visible && !window.View().viewer.outline.visible, "outlines");
    expect(!window.View().thumbnailViewable, "thumbnail");
  };

  window.Convert();

  // 12.5, 37.5, 62.5 and 87.5 go to the even neighbour.
  EXPECT_EQ(shown, (std::vector<std::string>{"12%", "25%", "38%", "50%", "62%", "75%", "88%", "100%"}));
  EXPECT_TRUE(lockProblems.empty()) << lockProblems.front();
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_EQ(window.Progress().text, "0%");
}

TEST_F(WindowTest, ConvertUnlocksAndReappliesTheFormat) {
  // "1bpp Linear" with the lock off and a 12 by 12 selection: the data belongs to that
  // selection, the format's lock then rounds the box to 8 by 8, and the data still
  // counts as saveable.
  PictureWithFreeSelection(RandomPicture(16, 16, 4), 1);
  Select(0, 0, 12, 12);
  window.Convert();

  EXPECT_EQ(window.RomData().size(), 18u);
  EXPECT_EQ(window.View().tileLock, true);
  EXPECT_TRUE(window.View().tileLockEnabled);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 8, 8}));
  EXPECT_EQ(window.SaveFilters(), kRomDataAndBitmaps);
  EXPECT_EQ(window.View().convert.caption, "Convert");
  const workspace::WindowView view = window.View();
  for (const auto* b : {&view.load, &view.paste, &view.clear, &view.convert, &view.save, &view.copy}) {
    EXPECT_TRUE(b->enabled);
  }
  EXPECT_TRUE(window.View().formatsEnabled);
  EXPECT_TRUE(window.View().x.enabled && window.View().height.enabled && window.View().width.enabled);
  EXPECT_TRUE(window.View().thumbnailViewable);
  EXPECT_TRUE(window.View().outline.visible && window.View().viewer.outline.visible);
  EXPECT_EQ(window.View().viewer.outline.width, 9);
  EXPECT_EQ(window.FormatIndex(), 1);
}

TEST_F(WindowTest, ConvertUsesTheSelectedOptionAndTiledFormatsKeepTheLockDisabled) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 5));
  window.SelectFormat(2);
  window.Convert();
  EXPECT_EQ(window.FormatIndex(), 2);
  EXPECT_EQ(window.RomData().size(), 64u);
  EXPECT_FALSE(window.View().tileLockEnabled);
  EXPECT_EQ(window.View().format, 2);
}

// After a conversion the save list offers the format's data files: ROM data in every
// format, and the partner's bitmap and data exactly where the format has a partner.
class SaveListTest : public WindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(SaveListTest, ConversionOffersTheFormatsDataFiles) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  window.MakeCurrentPicture(RandomPicture(16, 8, 6));
  window.SetPartnerData(RandomBytes(256, 7));
  window.SelectFormat(format.index);
  window.Convert();
  const std::vector<formats::FileFilter> list = window.SaveFilters();
  // Just converted, the data is what is saved next.
  EXPECT_EQ(list.front(), kRomDataAndBitmaps.front());
  EXPECT_TRUE(Offers(list, platform::FileKind::Data));
  EXPECT_EQ(Offers(list, platform::FileKind::PartnerPicture), format.HasPartner());
  EXPECT_EQ(Offers(list, platform::FileKind::PartnerData), format.HasPartner());
  EXPECT_TRUE(platform.messages.empty());
}

std::vector<int> EveryFormat() {
  std::vector<int> indices;
  for (const formats::FormatInfo& format : formats::Formats()) indices.push_back(format.index);
  return indices;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SaveListTest, ::testing::ValuesIn(EveryFormat()),
                         [](const auto& p) { return FormatTestName(p.param); });

TEST_F(WindowTest, AConversionWithAPartnerOffersThePartnersFilesByName) {
  window.MakeCurrentPicture(RandomPicture(16, 8, 8));
  window.SetPartnerData(RandomBytes(128, 9));
  window.SelectFormat(11);  // 4bpp FX Low, whose partner is the FX high data
  window.Convert();
  EXPECT_EQ(window.SaveFilters(),
            (std::vector<formats::FileFilter>{
                {"ROM data", {"dat"}, platform::FileKind::Data},
                {"Bitmap", {"bmp", "png"}, platform::FileKind::Picture},
                {"Bitmap FX high data", {"bmp", "png"}, platform::FileKind::PartnerPicture},
                {"ROM FX high data", {"dat"}, platform::FileKind::PartnerData}}));
}

}  // namespace
}  // namespace glyphon::test
