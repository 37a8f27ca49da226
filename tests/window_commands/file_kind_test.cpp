// SPDX-License-Identifier: MIT
#include "window_commands/file_kind.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/format_table.h"

namespace glyphon::window_commands {
namespace {

using platform::Answer;

TEST(LoadFilters, EveryPartnerListMarksItsSecondAndFourthEntries) {
  using K = std::optional<FileKind>;
  for (const formats::FormatInfo& format : formats::Formats()) {
    SCOPED_TRACE(format.caption);
    std::vector<K> kinds;
    for (const FileFilter& entry : formats::LoadFilters(format)) kinds.push_back(entry.kind);
    const std::vector<K> plain{FileKind::Picture, FileKind::Data, std::nullopt};
    const std::vector<K> partner{FileKind::Picture, FileKind::PartnerPicture, FileKind::Data,
                                 FileKind::PartnerData, std::nullopt};
    EXPECT_EQ(kinds, format.HasPartner() ? partner : plain);
  }
}

// What a file name and the chosen entry of the SuperFX high lists make of the file.
struct NameCase {
  const char* name;
  std::string fileName;
  std::optional<FileKind> chosen;  // the chosen entry's kind
  std::optional<FileKind> load;    // the kind when loading
  std::optional<FileKind> save;    // the kind when saving
  bool asked = false;              // loading asks what the file is
};

constexpr auto kPicture = FileKind::Picture;
constexpr auto kPartnerPicture = FileKind::PartnerPicture;
constexpr auto kData = FileKind::Data;
constexpr auto kPartnerData = FileKind::PartnerData;
constexpr std::optional<FileKind> kNone;

class KindOfTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(KindOfTest, FollowsTheLastExtensionAndThePartnerEntry) {
  const NameCase& c = GetParam();
  const FileFilter chosen{"entry", {}, c.chosen};
  EXPECT_EQ(KindOf(c.fileName, chosen, Direction::Load), c.load);
  EXPECT_EQ(KindOf(c.fileName, chosen, Direction::Save), c.save);
  EXPECT_EQ(NeedsQuestion(c.fileName, Direction::Load), c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    Names, KindOfTest,
    ::testing::Values(
        NameCase{"BitmapEntry", "/pics/a.bmp", kPicture, kPicture, kPicture},
        NameCase{"PartnerBitmapEntry", "/pics/a.bmp", kPartnerPicture, kPartnerPicture, kPartnerPicture},
        NameCase{"Png", "/pics/a.PNG", kPicture, kPicture, kPicture},
        NameCase{"PartnerPng", "/pics/a.png", kPartnerPicture, kPartnerPicture, kPartnerPicture},
        NameCase{"JpegLoadsButIsNotWritten", "/pics/a.jpeg", kPicture, kPicture, kNone},
        NameCase{"ExtensionDecides", "/pics/a.DAT", kPicture, kData, kData},
        NameCase{"PartnerDataEntry", "x.dat", kPartnerData, kPartnerData, kPartnerData},
        NameCase{"TypedPartnerData", "/pics/a.dat2", kPicture, kPartnerData, kPartnerData},
        NameCase{"TypedPartnerBitmap", "/pics/a.BMP2", kNone, kPartnerPicture, kPartnerPicture},
        NameCase{"SecondTwo", "/pics/a.dat2", kPartnerData, kNone, kNone},
        NameCase{"NoExtension", "/pics/a", kPicture, kNone, kNone, true},
        NameCase{"LongExtension", "/pics/a.bitmap", kPicture, kNone, kNone, true},
        NameCase{"BmpPrefixIsNotAsked", "/pics/a.bmpx", kPicture, kNone, kNone},
        NameCase{"LastDotDecides", "/pics/a.b.bmp", kPicture, kPicture, kPicture},
        NameCase{"DotOfTheFolder", "/dir.x/abc", kPicture, kNone, kNone, true},
        NameCase{"AllFilesEntry", "a.bmp", kNone, kPicture, kPicture},
        NameCase{"Empty", "", kPartnerPicture, kNone, kNone, true},
        NameCase{"Utf8Name", "\xC3\xA9\xC3\xA9.dat", kPicture, kData, kData}),
    [](const ::testing::TestParamInfo<NameCase>& p) { return p.param.name; });

// Answers from a list and records the descriptions asked about.
struct ScriptedAsk {
  std::vector<Answer> answers;
  std::vector<std::string> asked;
  Answer operator()(std::string_view description) {
    asked.emplace_back(description);
    return asked.size() <= answers.size() ? answers[asked.size() - 1] : Answer::Cancel;
  }
};

TEST(AskForKind, GoesRoundTheEntriesWithKindsUntilYes) {
  const std::vector<FileFilter> table = formats::LoadFilters(formats::Format(0));
  ScriptedAsk ask{{Answer::No, Answer::No, Answer::No, Answer::Yes}, {}};
  EXPECT_EQ(AskForKind(table, std::ref(ask)), FileKind::Data);
  EXPECT_EQ(ask.asked, (std::vector<std::string>{"Bitmap", "ROM data", "Bitmap", "ROM data"}));
}

TEST(AskForKind, CancelGivesNothing) {
  const std::vector<FileFilter> table = formats::LoadFilters(formats::Format(14));
  ScriptedAsk ask{{Answer::No, Answer::Cancel}, {}};
  EXPECT_EQ(AskForKind(table, std::ref(ask)), std::nullopt);
  EXPECT_EQ(ask.asked, (std::vector<std::string>{"Bitmap", "Bitmap interleaved data"}));
}

TEST(AskForKind, AListWithoutKindsAsksNothing) {
  ScriptedAsk ask;
  EXPECT_EQ(AskForKind(std::vector<FileFilter>{{"All", {}, std::nullopt}}, std::ref(ask)), std::nullopt);
  EXPECT_TRUE(ask.asked.empty());
}

}  // namespace
}  // namespace glyphon::window_commands
