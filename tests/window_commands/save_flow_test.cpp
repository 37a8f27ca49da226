// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files_fixture.h"
#include "formats/decoding.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::FileKind;
using platform::Surface;

// A picture with the selection (8, 4, 16, 8) converted in the SuperFX low format, whose
// lists have partner entries, and all four kinds of content at hand.
class SaveTest : public FilesTest {
 protected:
  SaveTest() {
    window.MakeCurrentPicture(picture);
    window.SelectFormat(11);
    Select(8, 4, 16, 8);
    window.SetPartnerPicture(partner);
    window.Convert();
    EXPECT_TRUE(platform.messages.empty());
  }

  const Surface picture = RandomPicture(32, 16, 20);
  const Surface partner = RandomPicture(24, 24, 21);
};

TEST_F(SaveTest, CancelledSaveDialogChangesNothing) {
  const std::string before = Describe(window);
  commands.Save();
  EXPECT_EQ(platform.saveDialogFilters, std::vector<std::vector<formats::FileFilter>>{window.SaveFilters()});
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Describe(window), before);
}

enum class Written { Selection, PartnerCorner, RomData, PartnerData, Nothing };

struct SaveKindCase {
  const char* name;
  const char* fileName;  // typed, in the test's folder
  Entry entry;
  Written written;
  const char* savedAs = nullptr;  // the file written, when not the name typed
};

class SaveKindTest : public SaveTest, public ::testing::WithParamInterface<SaveKindCase> {};

TEST_P(SaveKindTest, FollowsTheLastExtensionAndThePartnerEntry) {
  const SaveKindCase& c = GetParam();
  std::filesystem::create_directory(dir.File("dir.x"));
  const std::string path = dir.File(c.savedAs != nullptr ? c.savedAs : c.fileName);
  const Surface bitmapBefore = window.WorkBitmap();
  const std::string before = Describe(window, false);
  Save(dir.File(c.fileName), c.entry);

  switch (c.written) {
    case Written::Selection:
      EXPECT_EQ(FilePicture(path), picture.Crop(8, 4, 16, 8));
      EXPECT_EQ(window.WorkBitmap(), picture.Crop(8, 4, 16, 8));  // keeps what it wrote
      break;
    case Written::PartnerCorner:
      EXPECT_EQ(FilePicture(path), partner.Crop(0, 0, 16, 8));
      EXPECT_EQ(window.WorkBitmap(), partner.Crop(0, 0, 16, 8));
      break;
    case Written::RomData:
      EXPECT_EQ(FileBytes(path), window.RomData());
      break;
    case Written::PartnerData:
      EXPECT_EQ(FileBytes(path), window.Partner().data);
      break;
    case Written::Nothing:
      // A name of no kind is refused with a message naming it.
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].lines.at(0), "Unable to save " + path + ".");
      EXPECT_EQ(platform.messages[0].icon, platform::Icon::Exclamation);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "only dir.x";
      break;
  }
  if (c.written != Written::Nothing) {
    EXPECT_TRUE(platform.messages.empty()) << testing::PrintToString(platform.messages[0].lines);
  }
  // Saving changes nothing else.
  if (c.written != Written::Selection && c.written != Written::PartnerCorner) {
    EXPECT_EQ(window.WorkBitmap(), bitmapBefore);
  }
  EXPECT_EQ(Describe(window, false), before);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SaveKindTest,
    ::testing::Values(
        SaveKindCase{"Bitmap", "a.bmp", kFirstEntry, Written::Selection},
        SaveKindCase{"Png", "a.PNG", kFirstEntry, Written::Selection},
        SaveKindCase{"PartnerBitmapEntry", "a.bmp", EntryOf(FileKind::PartnerPicture),
                     Written::PartnerCorner},
        SaveKindCase{"ExtensionDecides", "a.DAT", kFirstEntry, Written::RomData},
        SaveKindCase{"PartnerDataEntry", "a.dat", EntryOf(FileKind::PartnerData), Written::PartnerData},
        SaveKindCase{"TypedPartnerData", "a.dat2", kFirstEntry, Written::PartnerData},
        SaveKindCase{"TypedPartnerBitmap", "a.bmp2", kFirstEntry, Written::PartnerCorner},
        SaveKindCase{"LastDotDecides", "a.b.bmp", kFirstEntry, Written::Selection},
        SaveKindCase{"NoExtensionTakesTheEntrys", "a", EntryOf(FileKind::Picture), Written::Selection,
                     "a.bmp"},
        // After a conversion the first entry is the ROM data.
        SaveKindCase{"NoExtensionInTheFirstEntry", "a", kFirstEntry, Written::RomData, "a.dat"},
        SaveKindCase{"NoExtensionInTheDataEntry", "a", EntryOf(FileKind::Data), Written::RomData, "a.dat"},
        SaveKindCase{"NoExtensionInThePartnerEntry", "a", EntryOf(FileKind::PartnerData),
                     Written::PartnerData, "a.dat"},
        SaveKindCase{"DotOfTheFolder", "dir.x/abc", EntryOf(FileKind::Picture), Written::Selection,
                     "dir.x/abc.bmp"},
        SaveKindCase{"DoublePartnerMark", "a.dat2", EntryOf(FileKind::PartnerData), Written::Nothing},
        SaveKindCase{"LongExtension", "a.bitmap", kFirstEntry, Written::Nothing},
        SaveKindCase{"PictureKindNotWritten", "a.jpg", kFirstEntry, Written::Nothing}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SaveTest, ReplaceQuestionAnsweredNoKeepsTheOldFile) {
  const std::string path = PutFile("a.dat", Bytes({9, 9, 9, 9, 9, 9, 9, 9}));
  platform.answers.push_back(Answer::No);
  Save(path);
  const platform::Message question{{path + " already exists.", "Do you want to replace it?"},
                                   platform::Buttons::YesNo,
                                   platform::Icon::Exclamation,
                                   Answer::No,
                                   ""};
  EXPECT_EQ(platform.messages, std::vector{question});
  EXPECT_EQ(FileBytes(path), Bytes({9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST_F(SaveTest, ReplacedFileHoldsExactlyTheNewBytes) {
  const std::string path = PutFile("a.dat", ByteString(window.RomData().size() + 100, 9));
  platform.answers.push_back(Answer::Yes);
  Save(path);
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(FileBytes(path), window.RomData());  // no stale tail of the longer old file
}

TEST_F(SaveTest, ExistingFileOfNoKindIsKeptWithoutAQuestion) {
  const std::string path = PutFile("a.txt", Bytes({9}));
  Save(path);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].buttons, platform::Buttons::Ok);
  EXPECT_EQ(FileBytes(path), Bytes({9}));
}

// A failed write names the file, says why, and leaves the old file and the window as they
// were.
TEST_F(SaveTest, FailedBitmapWriteKeepsTheOldFileAndTheState) {
  const std::string path = PutFile("a.bmp", Bytes({9, 9, 9}));
  Select(0, 0, 0, 8);  // nothing to write: a picture of no pixels
  window.KeepBitmap(Filled(3, 3, kWhite));
  const std::string before = Describe(window);
  platform.answers.push_back(Answer::Yes);
  Save(path);

  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[1],
            Warning({"Unable to save " + path + ".", "the picture is empty (0 pixels)"}));
  EXPECT_EQ(FileBytes(path), Bytes({9, 9, 9}));
  EXPECT_EQ(Describe(window), before);
}

TEST_F(SaveTest, FailedDataWriteNamesTheFileAndTheReason) {
  const std::string path = dir.File("missing/a.dat");
  const std::string before = Describe(window);
  Save(path);
  ASSERT_EQ(platform.messages.size(), 1u);
  const Lines& lines = platform.messages[0].lines;
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "Unable to save " + path + ".");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_EQ(Describe(window), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0) << "no file left behind";
}

// ROM data and partner data are saved only while they belong to the current picture; when
// only the format or the selection changed since the conversion, the user decides.
class DataBelongsTest;

struct BelongCase {
  const char* name;
  void (*change)(DataBelongsTest&);
  std::vector<Answer> answers;
  bool written;
  std::vector<std::string> message;  // the lines of the one message box shown, none for none
};

class DataBelongsTest : public SaveTest, public ::testing::WithParamInterface<BelongCase> {
 public:
  using FilesTest::commands;
  using FilesTest::Load;
  using FilesTest::platform;
  using FilesTest::PutBitmap;
  using FilesTest::PutFile;
  using WindowTest::Select;
  using WindowTest::window;
};

const std::vector<std::string> kChanged = {
    "The %s was converted as 4bpp FX Low from the rectangle at 8,4 of 16 by 8 pixels, not with the current "
    "settings.",
    "Save it to %f anyway?"};

TEST_P(DataBelongsTest, OrTheSaveIsRefusedOrAsked) {
  const BelongCase& c = GetParam();
  c.change(*this);
  for (const auto& [name, what] : {std::pair{"a.dat", "ROM data"}, {"a.dat2", "ROM FX high data"}}) {
    SCOPED_TRACE(name);
    platform.messages.clear();
    platform.answers.assign(c.answers.begin(), c.answers.end());
    const std::string path = dir.File(name);
    Save(path);
    EXPECT_EQ(std::filesystem::exists(path), c.written);
    Lines expected = c.message;
    for (std::string& line : expected) {
      for (const auto& [key, value] : {std::pair{"%s", std::string(what)}, {"%f", path}}) {
        if (const auto at = line.find(key); at != std::string::npos) line.replace(at, 2, value);
      }
    }
    EXPECT_EQ(MessageTexts(), expected.empty() ? std::vector<Lines>{} : std::vector<Lines>{expected});
  }
}

const std::vector<std::string> kConvertFirst = {"Unable to save %f.",
                                                "there is no %s for the current picture: convert it first"};

INSTANTIATE_TEST_SUITE_P(Changes, DataBelongsTest,
                         ::testing::Values(BelongCase{"Unchanged", [](DataBelongsTest&) {}, {}, true, {}},
                                           BelongCase{"SelectionChangedAndYes",
                                                      [](DataBelongsTest& d) { d.Select(0, 0, 16, 8); },
                                                      {Answer::Yes},
                                                      true,
                                                      kChanged},
                                           BelongCase{"FormatChangedAndNo",
                                                      [](DataBelongsTest& d) { d.window.SelectFormat(12); },
                                                      {Answer::No},
                                                      false,
                                                      kChanged},
                                           BelongCase{"PictureLoaded",
                                                      [](DataBelongsTest& d) {
                                                        d.Load(
                                                            d.PutBitmap("b.bmp", RandomPicture(32, 16, 22)));
                                                      },
                                                      {},
                                                      false,
                                                      kConvertFirst},
                                           BelongCase{"Pasted",
                                                      [](DataBelongsTest& d) {
                                                        d.platform.clipboard = RandomPicture(32, 16, 23);
                                                        d.commands.Paste();
                                                      },
                                                      {},
                                                      false,
                                                      kConvertFirst},
                                           BelongCase{"DataLoadedAndAccepted",
                                                      [](DataBelongsTest& d) {
                                                        d.Load(d.PutFile("in.dat", RandomBytes(128, 24)));
                                                        d.commands.Save();
                                                      },
                                                      {},
                                                      false,
                                                      kConvertFirst}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Accept ----

TEST_F(FilesTest, AcceptMakesTheDecodedPictureCurrentInNormalMode) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 22));
  const ByteString data = RandomBytes(256, 23);
  LoadData(data);
  commands.Load();  // a preview in 4bpp SNES
  // Accept uses the format and width selected now.
  window.SelectFormat(16);
  window.ScrollSpinner(Spinner::Width, 32);

  std::vector<std::string> busy;
  platform.onPendingEvents = [&] {
    if (busy.empty()) {
      busy = {window.Progress().caption, std::string(window.View().save.caption),
              window.View().save.enabled || window.View().load.enabled || window.View().width.enabled
                  ? "unlocked"
                  : "locked",
              window.View().thumbnail.HasPicture() ? "thumbnail" : "no thumbnail"};
    }
  };
  commands.Save();

  // 8bpp Linear at width 32: one byte a pixel in row order, value v drawn in grey v.
  Surface expected = Surface::Picture(32, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; ++x)
      expected.SetPixel(x, y, GreyColor(data[static_cast<std::size_t>(32 * y + x)]));
  }
  EXPECT_EQ(busy, (std::vector<std::string>{"Image Generation Progress", "Accepting...", "locked",
                                            "no thumbnail"}));
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.Picture(), expected);
  EXPECT_EQ(window.EncoderInput(), expected);
  EXPECT_TRUE(window.View().thumbnail.HasPicture());
  EXPECT_EQ(window.FormatIndex(), 16);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 32, 8}));
  EXPECT_EQ(window.View().x.max, 32);
  EXPECT_EQ(window.View().height.max, 8);
  EXPECT_FALSE(window.Progress().visible);
  const workspace::WindowView view = window.View();
  for (const auto* b : {&view.load, &view.clear, &view.save, &view.paste, &view.convert, &view.copy}) {
    EXPECT_TRUE(b->enabled && b->visible) << b->caption;
    EXPECT_FALSE(b->wide) << b->caption;
  }
  EXPECT_EQ(window.View().load.caption, "Load");
  EXPECT_EQ(window.View().clear.toolTip, "Clear image window");
  EXPECT_EQ(window.View().save.caption, "Save");
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height})
    EXPECT_TRUE(window.View().Row(s).enabled);
  EXPECT_TRUE(window.View().outline.visible);
  EXPECT_TRUE(window.View().thumbnailViewable);
  EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);
  EXPECT_EQ(window.RomData(), data);

  // Only pictures are offered now.
  commands.Save();
  EXPECT_EQ(platform.saveDialogFilters.back(), kBitmapsOnly);
}

// Image generation draws short data in the end-of-data value instead of failing.
TEST_F(FilesTest, AcceptNeverFailsOnShortData) {
  LoadData(RandomBytes(20, 24));  // 4bpp SNES at width 8 reads beyond 20 bytes
  commands.Load();
  ASSERT_EQ(platform.messages.size(), 1u);  // the preview failed
  commands.Save();
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(window.View().save.caption, "Save");
  EXPECT_EQ(window.Picture().Width(), 8);
  EXPECT_EQ(window.Picture().Height(), 5);
}

TEST_F(FilesTest, AcceptBeyondThePictureLimitsKeepsThePreview) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 27));
  window.SelectFormat(0);
  LoadData(ByteString(40000, 0x0F));
  commands.Load();  // width 200: 200 by 200
  ASSERT_TRUE(platform.messages.empty());
  window.ScrollSpinner(Spinner::Width, 8);  // 8 by 40000
  const std::string before = Describe(window);

  commands.Save();
  ASSERT_EQ(platform.messages.size(), 1u);
  ASSERT_EQ(platform.messages[0].lines.size(), 2u);
  EXPECT_EQ(platform.messages[0].lines[0], UnableToLoad(dir.File("rom.dat")));
  EXPECT_TRUE(platform.messages[0].lines[1].starts_with("the picture would be 8 by 40000"));
  EXPECT_EQ(Describe(window), before);
}

// No preview without pixels becomes the current picture.
TEST_F(FilesTest, AcceptAtWidthZeroIsRefused) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 30));
  LoadData(RandomBytes(64, 31));
  window.ScrollSpinner(Spinner::Width, 0);
  const std::string before = Describe(window);
  commands.Save();
  EXPECT_EQ(
      MessageTexts(),
      (std::vector<Lines>{{UnableToLoad(dir.File("rom.dat")), "the picture would be empty (0 pixels)"}}));
  EXPECT_EQ(Describe(window), before);
}

TEST_F(FilesTest, AcceptOfMode7InterleavedRebuildsThePartnerData) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 28));
  window.SelectFormat(14);
  const ByteString data = RandomBytes(128, 25);
  LoadData(data);
  window.ScrollSpinner(Spinner::Width, 8);
  commands.Save();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.Partner().data.size(), data.size());
  EXPECT_EQ(window.RomData(), data);
}

TEST_F(FilesTest, AcceptOfOtherFormatsLeavesThePartnerDataAlone) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 29));
  window.SelectFormat(17);
  LoadData(RandomBytes(128, 26));
  window.SetPartnerData(Bytes({1, 2, 3}));
  commands.Save();
  EXPECT_EQ(window.Partner().data, Bytes({1, 2, 3}));
}

}  // namespace
}  // namespace glyphon::test
