#include "files/file_kind.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/format_table.h"

namespace glyphon::files {
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

struct NameCase {
  const char* name;
  std::string fileName;
  int filterIndex;   // 1-based, in the SuperFX high list
  std::string load;  // the kind when loading
  std::string save;  // the kind when saving
};

class CandidateKindTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CandidateKindTest, FollowsTheLastExtensionAndThePartnerEntry) {
  const NameCase& c = GetParam();
  const std::vector<FileFilter> table = formats::LoadFilters(formats::Format(11));
  EXPECT_EQ(CandidateKind(c.fileName, table, c.filterIndex, Direction::Load), c.load);
  EXPECT_EQ(CandidateKind(c.fileName, table, c.filterIndex, Direction::Save), c.save);
}

INSTANTIATE_TEST_SUITE_P(Names, CandidateKindTest,
                         ::testing::Values(NameCase{"BitmapEntry", "/pics/a.bmp", 1, "BMP", "BMP"},
                                           NameCase{"PartnerBitmapEntry", "/pics/a.bmp", 2, "BMP2", "BMP2"},
                                           NameCase{"Png", "/pics/a.PNG", 1, "BMP", "BMP"},
                                           NameCase{"PartnerPng", "/pics/a.png", 2, "BMP2", "BMP2"},
                                           NameCase{"JpegLoadsButIsNotWritten", "/pics/a.jpeg", 1, "BMP",
                                                    "JPEG"},
                                           NameCase{"ExtensionDecides", "/pics/a.DAT", 1, "DAT", "DAT"},
                                           NameCase{"PartnerDataEntry", "x.dat", 4, "DAT2", "DAT2"},
                                           NameCase{"TypedPartnerData", "/pics/a.dat2", 1, "DAT2", "DAT2"},
                                           NameCase{"SecondTwo", "/pics/a.dat2", 4, "DAT22", "DAT22"},
                                           NameCase{"NoExtension", "/pics/a", 1, "", ""},
                                           NameCase{"LongExtension", "/pics/a.bitmap", 1, "BITMAP", "BITMAP"},
                                           NameCase{"LastDotDecides", "/pics/a.b.bmp", 1, "BMP", "BMP"},
                                           NameCase{"DotOfTheFolder", "/dir.x/abc", 1, "", ""},
                                           NameCase{"AllFilesEntry", "a.bmp", 5, "BMP", "BMP"},
                                           NameCase{"IndexBeyondTheList", "a.bmp", 9, "BMP", "BMP"},
                                           NameCase{"Empty", "", 2, "2", "2"},
                                           NameCase{"Utf8Name", "\xC3\xA9\xC3\xA9.dat", 1, "DAT", "DAT"}),
                         [](const ::testing::TestParamInfo<NameCase>& p) { return p.param.name; });

TEST(NeedsQuestion, OnlyWhenTheKindStartsWithNeitherBmpNorDat) {
  EXPECT_FALSE(NeedsQuestion("BMP"));
  EXPECT_FALSE(NeedsQuestion("DAT2"));
  EXPECT_FALSE(NeedsQuestion("BMPX"));
  EXPECT_TRUE(NeedsQuestion("BIN"));
  EXPECT_TRUE(NeedsQuestion("BM"));
  EXPECT_TRUE(NeedsQuestion(""));
}

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
}  // namespace glyphon::files
