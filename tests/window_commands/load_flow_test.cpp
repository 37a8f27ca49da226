// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "files_fixture.h"
#include "formats/decoding.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::FileKind;
using platform::Surface;

TEST_F(FilesTest, CancelledOpenDialogChangesNothing) {
  const std::string before = Describe(window);
  commands.Load();
  EXPECT_EQ(platform.openDialogFilters, std::vector<std::vector<formats::FileFilter>>{window.LoadFilters()});
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Describe(window), before);
}

TEST_F(FilesTest, MissingFileSaysFileNotFound) {
  const std::string before = Describe(window);
  Load(dir.File("nowhere.bmp"));
  EXPECT_EQ(platform.messages,
            std::vector{Warning({UnableToLoad(dir.File("nowhere.bmp")), "the file was not found"})});
  EXPECT_EQ(Describe(window), before);
}

TEST_F(FilesTest, LoadedBitmapBecomesTheCurrentPictureWhollySelected) {
  const Surface picture = RandomPicture(40, 24, 3);
  window.MakeCurrentPicture(RandomPicture(8, 8, 1));
  window.Convert();
  const ByteString data = window.RomData();
  window.SetPartnerData(Bytes({4}));
  Load(PutBitmap("a.bmp", picture));

  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.Picture(), picture);
  EXPECT_EQ(window.EncoderInput(), picture);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 40, 24}));
  EXPECT_EQ(window.View().width.max, 40);
  EXPECT_EQ(window.View().height.max, 24);
  EXPECT_TRUE(window.View().convert.enabled && window.View().save.enabled && window.View().copy.enabled);
  EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);
  EXPECT_TRUE(window.View().thumbnailViewable);
  // Loading a picture leaves both data strings alone.
  EXPECT_EQ(window.RomData(), data);
  EXPECT_EQ(window.Partner().data, Bytes({4}));
}

struct BadFileCase {
  const char* name;
  std::string fileName;
  ByteString bytes;
};

class BadFileTest : public FilesTest, public ::testing::WithParamInterface<BadFileCase> {};

// A file that cannot be loaded names itself, says why on a second line and changes nothing.
TEST_P(BadFileTest, IsRefusedWithItsReason) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 4));
  window.Convert();
  const std::string before = Describe(window);
  const std::string path = PutFile(GetParam().fileName, GetParam().bytes);
  Load(path);

  ASSERT_EQ(platform.messages.size(), 1u);
  const Lines& lines = platform.messages[0].lines;
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[0], UnableToLoad(path));
  EXPECT_FALSE(lines[1].empty()) << "no reason given";
  EXPECT_EQ(platform.messages[0].icon, platform::Icon::Exclamation);
  EXPECT_EQ(Describe(window), before);
  EXPECT_TRUE(window.RomDataOrigin().has_value()) << "the converted data still belongs to the picture";
}

ByteString TruncatedBmp() {
  const std::string bytes = imageio::BmpBytes(RandomPicture(16, 16, 5));
  return ByteString(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
}

ByteString HugeBmpHeader() {
  std::string bytes = imageio::BmpBytes(Filled(1, 1, kWhite));
  bytes[18] = 0x40;  // width 0x9C40 = 40000
  bytes[19] = static_cast<char>(0x9C);
  return ByteString(bytes.begin(), bytes.end());
}

INSTANTIATE_TEST_SUITE_P(
    BadPictures, BadFileTest,
    ::testing::Values(BadFileCase{"NoPicture", "a.bmp", Bytes({'h', 'e', 'l', 'l', 'o'})},
                      BadFileCase{"TruncatedBmp", "a.bmp", TruncatedBmp()},
                      BadFileCase{"WiderThan32767", "a.bmp", HugeBmpHeader()},
                      BadFileCase{"EmptyPng", "a.png", {}}, BadFileCase{"EmptyRomData", "a.dat", {}},
                      BadFileCase{"EmptyPartnerData", "a.dat2", {}}),
    [](const auto& p) { return std::string(p.param.name); });

// What a load did, told apart by where the file's bytes ended up.
enum class Loaded { Picture, PartnerPicture, Data, PartnerData, Nothing };

struct KindCase {
  const char* name;
  int format;
  const char* fileName;
  Entry entry;
  std::vector<Answer> answers;
  Loaded loaded;
  std::vector<std::string> questions;
};

class LoadKindTest : public FilesTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(LoadKindTest, FollowsTheExtensionThePartnerEntryAndTheAnswers) {
  const KindCase& c = GetParam();
  window.MakeCurrentPicture(RandomPicture(8, 8, 7));
  window.SelectFormat(c.format);
  window.SetPartnerData(Bytes({2}));
  const std::string before = Describe(window);

  // The file is a bitmap whatever its name, so every kind can load it.
  const Surface picture = RandomPicture(24, 16, 8);
  const std::string path = PutBitmap("pic.bmp", picture);
  const std::string named = dir.File(c.fileName);
  std::filesystem::rename(path, named);
  const ByteString bytes = FileBytes(named);
  platform.answers.assign(c.answers.begin(), c.answers.end());
  Load(named, c.entry);

  std::vector<std::string> questions;
  for (const platform::Message& m : platform.messages) {
    EXPECT_EQ(m.buttons, platform::Buttons::YesNoCancel);
    EXPECT_EQ(m.title, "");
    questions.insert(questions.end(), m.lines.begin(), m.lines.end());
  }
  EXPECT_EQ(questions, c.questions);
  EXPECT_TRUE(platform.answers.empty());
  switch (c.loaded) {
    case Loaded::Picture:
      EXPECT_EQ(window.Picture(), picture);
      break;
    case Loaded::PartnerPicture:
      EXPECT_EQ(window.Partner().picture, picture);
      EXPECT_TRUE(window.Partner().data.empty());
      break;
    case Loaded::Data:
      EXPECT_EQ(window.RomData(), bytes);
      EXPECT_TRUE(window.InPreviewMode());
      break;
    case Loaded::PartnerData:
      EXPECT_EQ(window.Partner().data, bytes);
      EXPECT_FALSE(window.Partner().picture.HasPicture());
      EXPECT_FALSE(window.InPreviewMode());
      break;
    case Loaded::Nothing:
      EXPECT_EQ(Describe(window), before);
      break;
  }
}

const std::vector<std::string> kNoQuestions;
const std::string kAsBitmap = "Do you wish to load as Bitmap?";
const std::string kAsRomData = "Do you wish to load as ROM data?";

INSTANTIATE_TEST_SUITE_P(
    Kinds, LoadKindTest,
    ::testing::Values(
        KindCase{"Bitmap", 8, "x.bmp", kFirstEntry, {}, Loaded::Picture, kNoQuestions},
        KindCase{"UpperCaseExtension", 8, "x.BMP", kEveryFileEntry, {}, Loaded::Picture, kNoQuestions},
        KindCase{"PngWithoutAQuestion", 8, "x.png", kFirstEntry, {}, Loaded::Picture, kNoQuestions},
        KindCase{"JpegWithoutAQuestion", 8, "x.JPG", kEveryFileEntry, {}, Loaded::Picture, kNoQuestions},
        KindCase{"LastDotDecides", 8, "x.dat.bmp", kFirstEntry, {}, Loaded::Picture, kNoQuestions},
        KindCase{"PartnerPng",
                 11,
                 "x.png",
                 EntryOf(FileKind::PartnerPicture),
                 {},
                 Loaded::PartnerPicture,
                 kNoQuestions},
        KindCase{"PartnerBitmapEntry",
                 11,
                 "x.bmp",
                 EntryOf(FileKind::PartnerPicture),
                 {},
                 Loaded::PartnerPicture,
                 kNoQuestions},
        KindCase{"PartnerDataEntry",
                 11,
                 "x.dat",
                 EntryOf(FileKind::PartnerData),
                 {},
                 Loaded::PartnerData,
                 kNoQuestions},
        KindCase{"ExtensionBeatsTheEntry", 11, "x.dat", kFirstEntry, {}, Loaded::Data, kNoQuestions},
        KindCase{"TypedPartnerData", 8, "x.dat2", kFirstEntry, {}, Loaded::PartnerData, kNoQuestions},
        KindCase{"AllFilesEntry", 17, "x.dat", kEveryFileEntry, {}, Loaded::Data, kNoQuestions},
        KindCase{"DoublePartnerMark",
                 14,
                 "x.dat2",
                 EntryOf(FileKind::PartnerData),
                 {},
                 Loaded::Nothing,
                 kNoQuestions},
        KindCase{"LongerExtensionLoadsNothing", 8, "x.bmpx", kFirstEntry, {}, Loaded::Nothing, kNoQuestions},
        KindCase{"AskedRoundUntilYes",
                 8,
                 "x.bin",
                 kFirstEntry,
                 {Answer::No, Answer::No, Answer::No, Answer::Yes},
                 Loaded::Data,
                 {kAsBitmap, kAsRomData, kAsBitmap, kAsRomData}},
        KindCase{"YesToBitmap", 8, "x.bin", kEveryFileEntry, {Answer::Yes}, Loaded::Picture, {kAsBitmap}},
        KindCase{"Cancel",
                 8,
                 "x.bin",
                 kFirstEntry,
                 {Answer::No, Answer::Cancel},
                 Loaded::Nothing,
                 {kAsBitmap, kAsRomData}},
        KindCase{"PartnerListQuestions",
                 11,
                 "x",
                 kFirstEntry,
                 {Answer::No, Answer::No, Answer::No, Answer::Yes},
                 Loaded::PartnerData,
                 {kAsBitmap, "Do you wish to load as Bitmap FX high data?", kAsRomData,
                  "Do you wish to load as ROM FX high data?"}}),
    [](const auto& p) { return std::string(p.param.name); });

struct PreviewEntryCase {
  const char* name;
  std::size_t length;
  int max;
  int width;
};

class EnterPreviewTest : public FilesTest, public ::testing::WithParamInterface<PreviewEntryCase> {};

TEST_P(EnterPreviewTest, RenamesTheButtonsAndStartsTheWidthNearASquare) {
  const PreviewEntryCase& c = GetParam();
  window.MakeCurrentPicture(RandomPicture(16, 16, 9));
  window.SetPartnerPicture(Filled(4, 4, kWhite));
  LoadData(RandomBytes(c.length, 10));

  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.RomData().size(), c.length);
  EXPECT_EQ(window.View().width.max, c.max);
  EXPECT_EQ(window.View().width.value, c.width);

  const workspace::WindowView view = window.View();
  const std::vector<std::pair<const workspace::ButtonView*, workspace::ButtonView>> renamed = {
      {&view.load, {"Preview", "Preview image using current settings", true}},
      {&view.clear, {"Cancel", "Cancel image load", true}},
      {&view.save, {"Accept", "Accept image using current settings", true}}};
  for (const auto& [button, expected] : renamed) EXPECT_EQ(*button, expected);
  EXPECT_FALSE(window.View().paste.visible || window.View().convert.visible || window.View().copy.visible);
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Height}) {
    EXPECT_FALSE(window.View().Row(s).enabled);
    EXPECT_EQ(window.View().Row(s).max, 0);
    EXPECT_EQ(window.View().Row(s).value, 0);
  }
  EXPECT_TRUE(window.View().width.enabled);
  EXPECT_FALSE(window.View().outline.visible || window.View().viewer.outline.visible);
  EXPECT_FALSE(window.View().thumbnail.HasPicture());
  EXPECT_TRUE(window.EncoderInput().IsEmpty());
  EXPECT_TRUE(window.View().thumbnailViewable);
  // Main ROM data replaces both kinds of partner data.
  EXPECT_TRUE(window.Partner().data.empty());
  EXPECT_FALSE(window.Partner().picture.HasPicture());
  // The picture that was current stays for a Cancel.
  EXPECT_EQ(window.Picture(), RandomPicture(16, 16, 9));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, EnterPreviewTest,
    ::testing::Values(PreviewEntryCase{"Rom2048", 2048, 1024, 40},  // nearest(45.25), then the lock
                      PreviewEntryCase{"Rom100", 100, 100, 8},      // 10, then the lock
                      PreviewEntryCase{"Rom64", 64, 64, 8},
                      // Less than a tile row: the arrows' step, which the range then holds.
                      PreviewEntryCase{"Rom5", 5, 8, 8},
                      // The square's side is beyond the range: the width stops at its end.
                      PreviewEntryCase{"TwoMebibytes", 2u << 20, 1024, 1024}),
    [](const auto& p) { return std::string(p.param.name); });

// Preview decodes the whole data at the selected format and width, whatever the last load
// or preview used.
class PreviewFormatTest : public FilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(PreviewFormatTest, DrawsTheDecodedDataInTheThumbnail) {
  const int format = GetParam();
  const ByteString data = RandomBytes(640, 11);
  LoadData(data);
  window.SelectFormat(format);
  window.ScrollSpinner(Spinner::Width, 16);

  std::vector<std::string> busy;
  platform.onPendingEvents = [&] {
    if (busy.empty()) {
      busy.push_back(window.Progress().caption);
      busy.emplace_back(window.View().load.caption);
      busy.push_back(window.View().load.enabled || window.View().clear.enabled ||
                             window.View().save.enabled || window.View().width.enabled ||
                             window.View().tileLockEnabled || window.View().formatsEnabled
                         ? "unlocked"
                         : "locked");
    }
  };
  commands.Load();

  // 640 bytes at width 16 fit every format's picture limits; the pixels of one format are
  // worked out by hand in PreviewDrawsTheBitsOfOneBppLinear. "3bpp SNES" alone reads past
  // the data: its tiles are 24 bytes, two to a tile row of 48, so tile row 13 (y 104) starts
  // at byte 13 * 48 = 624, and the first row of its first tile needs plane 2 at 624 + 16 = 640.
  if (format == 7) {
    EXPECT_EQ(MessageTexts(),
              (std::vector<Lines>{{UnableToLoad(dir.File("rom.dat")),
                                   "pixel (0, 104) needs byte 640, beyond the 640 bytes of data"}}));
    EXPECT_FALSE(window.View().thumbnail.HasPicture());
  } else {
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(window.WorkBitmap().Width(), 16);
    EXPECT_TRUE(window.View().thumbnail.HasPicture());
  }
  EXPECT_EQ(busy, (std::vector<std::string>{"Preview Generation Progress", "Previewing...", "locked"}));
  EXPECT_EQ(window.FormatIndex(), format);

  // Back to preview mode, ready for the next preview.
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_EQ(window.View().load.caption, "Preview");
  EXPECT_TRUE(window.View().load.enabled && window.View().clear.enabled && window.View().save.enabled);
  EXPECT_TRUE(window.View().width.enabled);
  EXPECT_EQ(window.View().tileLockEnabled, formats::Format(format).lockOptional);
  EXPECT_TRUE(window.View().formatsEnabled);
  EXPECT_TRUE(window.View().thumbnailViewable);
  EXPECT_EQ(window.RomData(), data);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PreviewFormatTest, ::testing::Range(0, formats::kFormatCount),
                         [](const auto& p) { return FormatName(p.param); });

// "1bpp Linear" at width 16: one bit a pixel in row order, bit 7 the leftmost, 1 white and 0
// black, so 640 bytes are 16 by 320 pixels and each row is two bytes.
TEST_F(FilesTest, PreviewDrawsTheBitsOfOneBppLinear) {
  ByteString data(640, 0x00);
  data[0] = 0x80;    // row 0, x 0-7: only x 0 white
  data[1] = 0x01;    // row 0, x 8-15: only x 15 white
  data[2] = 0xFF;    // row 1, x 0-7 white
  data[639] = 0x55;  // row 319, x 8-15: 01010101, x 9, 11, 13 and 15 white
  LoadData(data);
  window.SelectFormat(1);
  window.ScrollSpinner(Spinner::Width, 16);
  commands.Load();

  Surface expected = Filled(16, 320, kBlack);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{15, 0}, std::pair{9, 319}, std::pair{11, 319},
                             std::pair{13, 319}, std::pair{15, 319}})
    expected.SetPixel(x, y, kWhite);
  for (int x = 0; x < 8; ++x) expected.SetPixel(x, 1, kWhite);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.WorkBitmap(), expected);
}

// A preview that reads beyond the data says so and gives the window back: unlocked, the
// progress window closed, nothing shown.
TEST_F(FilesTest, FailingPreviewReportsAndUnlocks) {
  LoadData(RandomBytes(20, 12));  // 4bpp SNES: the rows of the second tile half lie beyond 20 bytes
  commands.Load();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], Warning({UnableToLoad(dir.File("rom.dat")),
                                           "pixel (0, 2) needs byte 20, beyond the 20 bytes of data"}));
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_EQ(window.View().load.caption, "Preview");
  EXPECT_TRUE(window.View().load.enabled && window.View().clear.enabled && window.View().save.enabled &&
              window.View().width.enabled);
  EXPECT_FALSE(window.WorkBitmap().HasPicture());
  EXPECT_FALSE(window.View().thumbnail.HasPicture());

  // Another width works again.
  window.ScrollSpinner(Spinner::Width, 24);
  commands.Load();
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(window.View().thumbnail.HasPicture());
}

TEST_F(FilesTest, PreviewBeyondThePictureLimitsIsRefused) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 17));
  window.SelectFormat(0);
  LoadData(ByteString(40000, 0));
  window.ScrollSpinner(Spinner::Width, 8);  // 40000 rows of 8 pixels
  commands.Load();
  ASSERT_EQ(platform.messages.size(), 1u);
  const Lines& lines = platform.messages[0].lines;
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[0], UnableToLoad(dir.File("rom.dat")));
  EXPECT_TRUE(lines[1].starts_with("the picture would be 8 by 40000")) << lines[1];
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_TRUE(window.View().load.enabled);
}

TEST_F(FilesTest, PreviewAtWidthZeroDrawsNothing) {
  LoadData(RandomBytes(64, 13));
  window.ScrollSpinner(Spinner::Width, 0);
  commands.Load();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(window.WorkBitmap().IsEmpty());
  EXPECT_TRUE(window.View().load.enabled);
}

// The format chosen before the load stays chosen: the preview decodes with it.
TEST_F(FilesTest, DataLoadKeepsTheSelectedFormat) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 15));
  window.SelectFormat(3);
  LoadData(RandomBytes(64, 16));
  EXPECT_EQ(window.FormatIndex(), 3);
  EXPECT_EQ(window.View().format, 3);
  EXPECT_NE(window.View().format, 8);
}

TEST_F(FilesTest, PartnerLoadsReplaceEachOther) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 18));
  window.SelectFormat(14);
  window.SetPartnerData(Bytes({1, 2, 3}));
  const Surface partner = RandomPicture(8, 8, 14);
  Load(PutBitmap("p.bmp", partner), EntryOf(FileKind::PartnerPicture));
  EXPECT_EQ(window.Partner().picture, partner);
  EXPECT_TRUE(window.Partner().picture.HasPicture());
  EXPECT_TRUE(window.Partner().data.empty());

  Load(PutFile("p.dat", Bytes({9, 8})), EntryOf(FileKind::PartnerData));
  EXPECT_EQ(window.Partner().data, Bytes({9, 8}));
  EXPECT_FALSE(window.Partner().picture.HasPicture());
  EXPECT_TRUE(platform.messages.empty());
}

}  // namespace
}  // namespace glyphon::test
