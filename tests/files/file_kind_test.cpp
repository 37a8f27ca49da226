#include "files/file_kind.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/format_table.h"

namespace glyphon::files {
namespace {

using platform::Answer;

TEST(FilterTable, ShortensDescriptionsAndReadsTheirKinds) {
  EXPECT_EQ(FilterTable(formats::LoadFilterList(formats::Format(11))),
            (std::vector<FilterEntry>{{"Bitmap", "BMP"},
                                      {"Bitmap FX high data", "BMP2"},
                                      {"ROM data", "DAT"},
                                      {"ROM FX high data", "DAT2"},
                                      {"A", ""}}));
  EXPECT_EQ(FilterTable(formats::kBitmapOnlyFilter), (std::vector<FilterEntry>{{"Bitmap", "BMP"}}));
}

TEST(FilterTable, EveryPartnerListMarksItsSecondAndFourthEntries) {
  for (const formats::FormatInfo& format : formats::Formats()) {
    SCOPED_TRACE(format.caption);
    const std::vector<FilterEntry> table = FilterTable(formats::LoadFilterList(format));
    std::vector<std::string> kinds;
    for (const FilterEntry& entry : table) kinds.push_back(entry.kind);
    if (format.HasPartner()) {
      EXPECT_EQ(kinds, (std::vector<std::string>{"BMP", "BMP2", "DAT", "DAT2", ""}));
    } else {
      EXPECT_EQ(kinds, (std::vector<std::string>{"BMP", "DAT", ""}));
    }
  }
}

TEST(FilterTable, ToleratesMalformedLists) {
  EXPECT_TRUE(FilterTable("").empty());
  EXPECT_TRUE(FilterTable("Bitmap files (*.bmp)").empty());  // a description without its pattern
  EXPECT_EQ(FilterTable("ab|*|Bitmap files (*.bmp)"), (std::vector<FilterEntry>{{"", "A"}}));
  EXPECT_EQ(FilterTable("||"), (std::vector<FilterEntry>{{"", ""}}));
}

struct NameCase {
  const char* name;
  std::string fileName;
  int filterIndex;  // 1-based, in the SuperFX high list
  std::string kind;
};

class CandidateKindTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CandidateKindTest, FollowsTheExtensionAndThePartnerEntry) {
  const std::vector<FilterEntry> table = FilterTable(formats::LoadFilterList(formats::Format(11)));
  EXPECT_EQ(CandidateKind(GetParam().fileName, table, GetParam().filterIndex), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CandidateKindTest,
    ::testing::Values(NameCase{"BitmapEntry", "C:\\pics\\a.bmp", 1, "BMP"},
                      NameCase{"PartnerBitmapEntry", "C:\\pics\\a.bmp", 2, "BMP2"},
                      NameCase{"ExtensionDecides", "C:\\pics\\a.DAT", 1, "DAT"},
                      NameCase{"PartnerDataEntry", "x.dat", 4, "DAT2"},
                      NameCase{"TypedPartnerData", "C:\\pics\\a.dat2", 1, "DAT2"},
                      NameCase{"SecondTwo", "C:\\pics\\a.dat2", 4, "DAT22"},
                      NameCase{"NoExtension", "C:\\pics\\a", 1, "C:\\PICS\\A"},
                      NameCase{"SixCharacterExtension", "C:\\pics\\a.bitmap", 1, "C:\\PICS\\A.BITMAP"},
                      NameCase{"FirstDotOfTheTail", "C:\\pics\\a.b.bmp", 1, "B.BMP"},
                      NameCase{"DotOfTheFolder", "C:\\dir.x\\abc", 1, "X\\ABC"},
                      NameCase{"ShortName", "a.b", 1, "B"}, NameCase{"AllFilesEntry", "a.bmp", 5, "BMP"},
                      NameCase{"IndexZero", "a.bmp", 0, "BMP"},
                      NameCase{"IndexBeyondTheList", "a.bmp", 9, "BMP"}, NameCase{"Empty", "", 2, "2"},
                      // Characters, not bytes: "é" is two bytes but one character.
                      NameCase{"Utf8Tail", "a.\xC3\xA9x\xC3\xA9yz", 1, "\xC3\xA9X\xC3\xA9YZ"},
                      NameCase{"Utf8BeforeTheTail", "\xC3\xA9\xC3\xA9.dat", 1, "DAT"}),
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
  const std::vector<FilterEntry> table = FilterTable(formats::LoadFilterList(formats::Format(0)));
  ScriptedAsk ask{{Answer::No, Answer::No, Answer::No, Answer::Yes}, {}};
  EXPECT_EQ(AskForKind(table, std::ref(ask)), "DAT");
  EXPECT_EQ(ask.asked, (std::vector<std::string>{"Bitmap", "ROM data", "Bitmap", "ROM data"}));
}

TEST(AskForKind, CancelGivesNothing) {
  const std::vector<FilterEntry> table = FilterTable(formats::LoadFilterList(formats::Format(14)));
  ScriptedAsk ask{{Answer::No, Answer::Cancel}, {}};
  EXPECT_EQ(AskForKind(table, std::ref(ask)), "");
  EXPECT_EQ(ask.asked, (std::vector<std::string>{"Bitmap", "Bitmap interleaved data"}));
}

TEST(AskForKind, AListWithoutKindsAsksNothing) {
  ScriptedAsk ask;
  EXPECT_EQ(AskForKind(FilterTable("All files (*.*)|*.*"), std::ref(ask)), "");
  EXPECT_TRUE(ask.asked.empty());
}

}  // namespace
}  // namespace glyphon::files
