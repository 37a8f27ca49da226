#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/decoding.h"
#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

const std::vector<formats::FileFilter> kBitmapAndRom = formats::SaveFilters(formats::Format(0));

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

struct PartnerCase {
  int index;
  const char* name;
};

class PartnerQuestionTest : public WindowTest, public ::testing::WithParamInterface<PartnerCase> {};

TEST_P(PartnerQuestionTest, AskedOnlyWhenNeitherPartnerPictureNorDataIsThere) {
  const PartnerCase& c = GetParam();
  window.MakeCurrentPicture(RandomPicture(16, 16, 2));
  window.SelectFormat(c.index);

  platform.answers.push_back(Answer::Yes);
  window.Convert();  // Yes converts anyway
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].lines,
            (std::vector<std::string>{"NOTE: No " + std::string(c.name) + " data loaded.",
                                      "Do you wish to continue?"}));
  EXPECT_FALSE(window.RomData().empty());

  platform.messages.clear();
  window.SetPartnerPicture(Filled(16, 16, kWhite));
  window.Convert();
  window.SetPartnerData(Bytes({1}));
  window.Convert();
  EXPECT_TRUE(platform.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(PartnerFormats, PartnerQuestionTest,
                         ::testing::Values(PartnerCase{11, "SuperFX high"}, PartnerCase{12, "SuperFX low"},
                                           PartnerCase{14, "Mode7 interleave"},
                                           PartnerCase{17, "N64 alpha channel"},
                                           PartnerCase{18, "N64 alpha channel"}),
                         [](const auto& p) { return FormatTestName(p.param.index); });

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
            formats::PictureSaveFilters());  // the old data stays, but bitmaps only are offered
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
  const Surface picture = RandomPicture(40, 30, 3);
  PictureWithFreeSelection(picture, 1);
  Select(3, 5, 17, 11);
  window.Convert();
  convert::PartnerState none;
  platform::NullProgress quiet;
  const ByteString expected =
      formats::Encode(formats::Format(1), picture.Crop(3, 5, 17, 11), {0, 0, 17, 11}, none, quiet).Value();
  EXPECT_EQ(window.RomData(), expected);
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
  EXPECT_EQ(window.SaveFilters(), kBitmapAndRom);
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

// The save list after a conversion in each format.
struct SaveListCase {
  int index;
  std::vector<formats::FileFilter> saveFilters;
};

class SaveListTest : public WindowTest, public ::testing::WithParamInterface<SaveListCase> {};

TEST_P(SaveListTest, ConversionOffersTheFormatsDataFiles) {
  window.MakeCurrentPicture(RandomPicture(16, 8, 6));
  window.SetPartnerData(RandomBytes(256, 7));
  window.SelectFormat(GetParam().index);
  window.Convert();
  EXPECT_EQ(window.SaveFilters(), GetParam().saveFilters);
  EXPECT_TRUE(platform.messages.empty());
}

std::vector<SaveListCase> SaveListCases() {
  std::vector<SaveListCase> cases;
  for (const formats::FormatInfo& format : formats::Formats())
    cases.push_back({format.index, formats::SaveFilters(format)});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SaveListTest, ::testing::ValuesIn(SaveListCases()),
                         [](const auto& p) { return FormatTestName(p.param.index); });

}  // namespace
}  // namespace glyphon::test
