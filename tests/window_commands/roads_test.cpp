// SPDX-License-Identifier: MIT
// Whole roads through the window: files in, commands clicked, files out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files_fixture.h"
#include "formats/decoding.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::FileKind;
using platform::Surface;

// The formats whose picture carries every bit of their data and that need no partner: a
// picture drawn in their grey levels converts back to the very bytes it was drawn from.
class ExactRoadTest : public FilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(ExactRoadTest, BitmapToDataAndBackIsByteExact) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  constexpr int kWidth = 32;
  constexpr int kHeight = 16;
  const ByteString data = RandomBytes(convert::OutputSize({0, 0, kWidth, kHeight}, format.pixelsPerByte), 40);
  platform::NullProgress progress;
  const Surface picture =
      formats::Decode(format, data, kWidth, formats::DecodeMode::ImageGeneration, nullptr, progress).picture;
  ASSERT_EQ(picture.Width(), kWidth);
  ASSERT_EQ(picture.Height(), kHeight);
  const std::string original = PutBitmap("in.bmp", picture);

  // Bitmap, format, Convert, Save as ".dat".
  Load(original);
  window.SelectFormat(format.index);
  window.Convert();
  EXPECT_TRUE(Offers(window.SaveFilters(), FileKind::Data));
  const std::string dat = dir.File("out.dat");
  Save(dat, EntryOf(FileKind::Data));
  EXPECT_EQ(FileBytes(dat), data);

  // ".dat", preview at another width, then at the right one, Accept, Save as ".bmp".
  Load(dat);
  ASSERT_TRUE(window.InPreviewMode());
  window.ScrollSpinner(Spinner::Width, 8);
  commands.Load();
  window.ScrollSpinner(Spinner::Width, kWidth);
  commands.Load();
  EXPECT_EQ(window.WorkBitmap(), picture);
  commands.Save();
  EXPECT_EQ(window.Picture(), picture);
  const std::string back = dir.File("back.bmp");
  Save(back);
  EXPECT_EQ(FileBytes(back), FileBytes(original));

  EXPECT_TRUE(platform.messages.empty()) << testing::PrintToString(platform.messages[0].lines);
}

// Every lossless format without a partner, from the table.
std::vector<int> ExactFormats() {
  std::vector<int> indices;
  for (const formats::FormatInfo& format : formats::Formats()) {
    if (format.lossless && !format.HasPartner()) indices.push_back(format.index);
  }
  return indices;
}

INSTANTIATE_TEST_SUITE_P(LosslessFormats, ExactRoadTest, ::testing::ValuesIn(ExactFormats()),
                         [](const auto& p) { return FormatName(p.param); });

TEST_F(FilesTest, CancelOfAPreviewBringsTheBitmapBack) {
  const Surface picture = RandomPicture(24, 16, 46);
  Load(PutBitmap("in.bmp", picture));
  const ByteString data = RandomBytes(256, 47);
  LoadData(data);
  commands.Load();
  ASSERT_TRUE(window.View().thumbnail.HasPicture());

  window.ClearOrCancel();  // Cancel
  EXPECT_FALSE(window.InPreviewMode());
  EXPECT_EQ(window.EncoderInput(), picture);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 24, 16}));
  EXPECT_EQ(window.RomData(), data);
  // The next click of the left-hand button opens a file again.
  Load(PutBitmap("next.bmp", Filled(8, 8, kWhite)));
  EXPECT_EQ(window.Picture(), Filled(8, 8, kWhite));
  EXPECT_TRUE(platform.messages.empty());
}

// The partner picture and the partner data of each partner format, loaded and saved
// through the partner entries of its lists.
class PartnerRoadTest : public FilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(PartnerRoadTest, PartnerPictureAndDataTravelThroughThePartnerEntries) {
  const int format = GetParam();
  Load(PutBitmap("main.bmp", RandomPicture(16, 8, 43)));
  window.SelectFormat(format);
  EXPECT_EQ(platform.openDialogFilters.size(), 1u);

  const Surface partner = RandomPicture(24, 24, 44);
  Load(PutBitmap("partner.bmp", partner), EntryOf(FileKind::PartnerPicture));
  EXPECT_TRUE(Offers(platform.openDialogFilters.back(), FileKind::PartnerPicture));
  EXPECT_EQ(window.Partner().picture, partner);
  window.Convert();  // no question: the partner picture is there
  EXPECT_FALSE(window.RomData().empty());
  const std::string savedPicture = dir.File("partner-out.bmp");
  Save(savedPicture, EntryOf(FileKind::PartnerPicture));
  EXPECT_EQ(FilePicture(savedPicture), partner.Crop(0, 0, 16, 8));

  const ByteString aux = RandomBytes(64, 45);
  Load(PutFile("partner.dat", aux), EntryOf(FileKind::PartnerData));
  EXPECT_EQ(window.Partner().data, aux);
  EXPECT_FALSE(window.Partner().picture.HasPicture());
  // The ROM data was made with the old partner: converted again, the pair is saved.
  window.Convert();
  const std::string savedData = dir.File("partner-out.dat");
  Save(savedData, EntryOf(FileKind::PartnerData));
  EXPECT_EQ(FileBytes(savedData), window.Partner().data);

  EXPECT_TRUE(platform.messages.empty()) << testing::PrintToString(platform.messages[0].lines);
}

INSTANTIATE_TEST_SUITE_P(PartnerFormats, PartnerRoadTest, ::testing::Values(11, 12, 14, 17, 18),
                         [](const auto& p) { return FormatName(p.param); });

// Closing the window asks once when a conversion or an accepted picture was never saved.
class QuitTest;

struct QuitCase {
  const char* name;
  void (*work)(QuitTest&);
  bool asks;
};

class QuitTest : public FilesTest, public ::testing::WithParamInterface<QuitCase> {
 public:
  void Picture() { Load(PutBitmap("in.bmp", RandomPicture(16, 8, 50))); }
  void Accepted() {
    Load(PutFile("in.dat", RandomBytes(64, 51)));
    commands.Save();
  }
  void Convert() { window.Convert(); }
  void SaveAs(const char* name) { Save(dir.File(name)); }
};

TEST_P(QuitTest, AsksOnlyWhenWorkWasNeverSaved) {
  GetParam().work(*this);
  ASSERT_TRUE(platform.messages.empty()) << testing::PrintToString(platform.messages[0].lines);
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    platform.messages.clear();
    if (GetParam().asks) platform.answers.push_back(answer);
    EXPECT_EQ(window.ConfirmQuit(), !GetParam().asks || answer == Answer::Yes);
    const platform::Message question{
        {"Quit without saving?"}, platform::Buttons::YesNo, platform::Icon::Question, Answer::No, ""};
    EXPECT_EQ(platform.messages, GetParam().asks ? std::vector{question} : std::vector<platform::Message>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Work, QuitTest,
                         ::testing::Values(QuitCase{"Nothing", [](QuitTest&) {}, false},
                                           QuitCase{"Converted",
                                                    [](QuitTest& q) {
                                                      q.Picture();
                                                      q.Convert();
                                                    },
                                                    true},
                                           QuitCase{"ConvertedAndSaved",
                                                    [](QuitTest& q) {
                                                      q.Picture();
                                                      q.Convert();
                                                      q.SaveAs("out.dat");
                                                    },
                                                    false},
                                           QuitCase{"ConvertedButOnlyThePictureSaved",
                                                    [](QuitTest& q) {
                                                      q.Picture();
                                                      q.Convert();
                                                      q.SaveAs("out.bmp");
                                                    },
                                                    true},
                                           QuitCase{"ConvertedThenReplaced",
                                                    [](QuitTest& q) {
                                                      q.Picture();
                                                      q.Convert();
                                                      q.Picture();
                                                    },
                                                    false},
                                           QuitCase{"Accepted", [](QuitTest& q) { q.Accepted(); }, true},
                                           QuitCase{"AcceptedAndSaved",
                                                    [](QuitTest& q) {
                                                      q.Accepted();
                                                      q.SaveAs("out.png");
                                                    },
                                                    false}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace glyphon::test
