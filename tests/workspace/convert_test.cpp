#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/decoding.h"
#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

const std::string kBitmapAndRom = formats::SaveFilterList(formats::Format(0));

TEST_F(WindowTest, MissingPartnerQuestionAnsweredNoChangesNothing) {
  window.MakeCurrentPicture(RandomPicture(32, 16, 1));
  window.ClickFormatOption(11);
  window.RomDataString = Bytes({9, 8, 7});
  const std::string before = Describe(window);
  platform.answers.push_back(Answer::No);

  window.cmdConvert_Click();

  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0],
            (platform::Message{"NOTE: No SuperFX high data loaded.\rDo you wish to continue?",
                               platform::Buttons::YesNo, platform::Icon::Question, Answer::Yes, ""}));
  EXPECT_EQ(platform.pendingEventRuns, 0);
  window.FormatIndex = 8;  // the settled format is the one thing the click may set
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
  window.ClickFormatOption(c.index);

  platform.answers.push_back(Answer::Yes);
  window.cmdConvert_Click();  // Yes converts anyway
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text,
            "NOTE: No " + std::string(c.name) + " data loaded.\rDo you wish to continue?");
  EXPECT_FALSE(window.RomDataString.empty());

  platform.messages.clear();
  window.AuxDataString.clear();
  window.picData = Filled(16, 16, kWhite);  // a loaded partner picture
  window.cmdConvert_Click();
  window.picData = Surface();
  window.AuxDataString = Bytes({1});  // partner data
  window.cmdConvert_Click();
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
  window.ClickFormatOption(17);
  window.picData = Filled(1, 8193, kWhite);
  window.RomDataString = Bytes({9, 8, 7});
  window.cmdConvert_Click();

  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text.rfind(
                "Unable to convert image.\rthe partner picture would grow to 8192 by 8193", 0),
            0u)
      << platform.messages[0].text;
  EXPECT_EQ(window.RomDataString, Bytes({9, 8, 7}));
  EXPECT_EQ(window.picData.Height(), 8193);
  EXPECT_FALSE(window.frmProgress.Visible);
  EXPECT_TRUE(window.cmdConvert.enabled);
  EXPECT_EQ(window.cmdConvert.caption, "Convert");
  EXPECT_TRUE(window.vscWidth.enabled);
  EXPECT_EQ(window.SaveFilterString, formats::kBitmapOnlyFilter);
}

// An empty selection converts nothing: the old data, which may still be saved, stays.
TEST_F(WindowTest, EmptySelectionIsRefusedAndChangesNothing) {
  PictureWithFreeSelection(Filled(16, 16, kWhite), 1);
  window.ClickFormatOption(0);
  window.cmdConvert_Click();
  for (const convert::Selection& empty : {convert::Selection{0, 0, 0, 8}, convert::Selection{0, 0, 8, 0}}) {
    Select(empty.x, empty.y, empty.width, empty.height);
    const std::string before = Describe(window);
    const auto origin = window.RomDataOrigin();
    platform.messages.clear();
    const int runs = platform.pendingEventRuns;
    window.cmdConvert_Click();
    EXPECT_EQ(platform.messages,
              (std::vector<platform::Message>{{"The selection is empty.", platform::Buttons::Ok,
                                               platform::Icon::Exclamation, Answer::Ok, ""}}));
    EXPECT_EQ(Describe(window), before);
    EXPECT_EQ(window.RomDataOrigin(), origin);
    EXPECT_EQ(platform.pendingEventRuns, runs);
  }
}

TEST_F(WindowTest, ConvertReadsTheSelectedRectangleOfTheCurrentPicture) {
  const Surface picture = RandomPicture(40, 30, 3);
  PictureWithFreeSelection(picture, 1);
  Select(3, 5, 17, 11);
  window.cmdConvert_Click();
  convert::PartnerState none;
  platform::NullProgress quiet;
  const ByteString expected =
      formats::Encode(formats::Format(1), picture.Crop(3, 5, 17, 11), {0, 0, 17, 11}, none, quiet);
  EXPECT_EQ(window.RomDataString, expected);
}

TEST_F(WindowTest, ProgressShowsEachNewPercentageWhileTheWindowIsLocked) {
  PictureWithFreeSelection(Filled(8, 1, kWhite), 1);
  Select(0, 0, 8, 1);
  std::vector<std::string> shown;
  std::vector<std::string> lockProblems;
  platform.onPendingEvents = [&] {
    shown.push_back(window.frmProgress.lblPercent.caption);
    auto expect = [&](bool ok, const char* what) {
      if (!ok) lockProblems.push_back(what);
    };
    expect(window.frmProgress.Visible && window.frmProgress.Caption == "Image Conversion Progress",
           "progress window");
    expect(window.cmdConvert.caption == "Converting...", "caption");
    for (const auto* b : {&window.cmdLoad, &window.cmdPaste, &window.cmdClear, &window.cmdConvert,
                          &window.cmdSave, &window.cmdCopy}) {
      expect(!b->enabled, "command button");
    }
    for (const auto& option : window.optFormat) expect(!option.enabled, "format option");
    for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height})
      expect(!window.Bar(s).enabled, "spinner");
    for (const auto* l : {&window.lblX1, &window.lblX, &window.lblY1, &window.lblY, &window.lblWidth1,
                          &window.lblWidth, &window.lblHeight1, &window.lblHeight}) {
      expect(!l->enabled, "label");
    }
    expect(!window.chkTile8.enabled, "check box");
    expect(!window.shaBox.visible && !window.frmImage.shaBox.visible, "outlines");
    expect(window.picImage.pointer == MousePointer::Default && window.picImage.toolTip.empty(), "thumbnail");
  };

  window.cmdConvert_Click();

  // 12.5, 37.5, 62.5 and 87.5 go to the even neighbour.
  EXPECT_EQ(shown, (std::vector<std::string>{"12%", "25%", "38%", "50%", "62%", "75%", "88%", "100%"}));
  EXPECT_TRUE(lockProblems.empty()) << lockProblems.front();
  EXPECT_FALSE(window.frmProgress.Visible);
  EXPECT_EQ(window.frmProgress.lblPercent.caption, "0%");
}

TEST_F(WindowTest, ConvertUnlocksAndReappliesTheFormat) {
  // "1bpp Linear" with the lock off and a 12 by 12 selection: the data belongs to that
  // selection, the format's lock then rounds the box to 8 by 8, and the data still
  // counts as saveable.
  PictureWithFreeSelection(RandomPicture(16, 16, 4), 1);
  Select(0, 0, 12, 12);
  window.cmdConvert_Click();

  EXPECT_EQ(window.RomDataString.size(), 18u);
  EXPECT_EQ(window.chkTile8.value, 1);
  EXPECT_TRUE(window.chkTile8.enabled);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 8, 8}));
  EXPECT_EQ(window.SaveFilterString, kBitmapAndRom);
  EXPECT_EQ(window.cmdConvert.caption, "Convert");
  for (const auto* b : {&window.cmdLoad, &window.cmdPaste, &window.cmdClear, &window.cmdConvert,
                        &window.cmdSave, &window.cmdCopy}) {
    EXPECT_TRUE(b->enabled);
  }
  for (const auto& option : window.optFormat) EXPECT_TRUE(option.enabled);
  EXPECT_TRUE(window.vscX.enabled && window.lblHeight.enabled && window.lblWidth1.enabled);
  EXPECT_EQ(window.picImage.pointer, MousePointer::Custom);
  EXPECT_EQ(window.picImage.toolTip, "Click to view full size...");
  EXPECT_TRUE(window.shaBox.visible && window.frmImage.shaBox.visible);
  EXPECT_EQ(window.frmImage.shaBox.width, 9);
  EXPECT_EQ(window.FormatIndex, 1);
}

TEST_F(WindowTest, ConvertUsesTheSelectedOptionAndTiledFormatsKeepTheLockDisabled) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 5));
  window.ClickFormatOption(2);
  EXPECT_EQ(window.FormatIndex, 8);
  window.cmdConvert_Click();
  EXPECT_EQ(window.FormatIndex, 2);
  EXPECT_EQ(window.RomDataString.size(), 64u);
  EXPECT_FALSE(window.chkTile8.enabled);
  EXPECT_TRUE(window.optFormat[2].value);
}

// The save list after a conversion in each format.
struct SaveListCase {
  int index;
  std::string saveFilters;
};

class SaveListTest : public WindowTest, public ::testing::WithParamInterface<SaveListCase> {};

TEST_P(SaveListTest, ConversionOffersTheFormatsDataFiles) {
  window.MakeCurrentPicture(RandomPicture(16, 8, 6));
  window.AuxDataString = RandomBytes(256, 7);
  window.ClickFormatOption(GetParam().index);
  window.cmdConvert_Click();
  EXPECT_EQ(window.SaveFilterString, GetParam().saveFilters);
  EXPECT_TRUE(platform.messages.empty());
}

std::vector<SaveListCase> SaveListCases() {
  std::vector<SaveListCase> cases;
  for (const formats::FormatInfo& format : formats::Formats())
    cases.push_back({format.index, formats::SaveFilterList(format)});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SaveListTest, ::testing::ValuesIn(SaveListCases()),
                         [](const auto& p) { return FormatTestName(p.param.index); });

}  // namespace
}  // namespace glyphon::test
