#include <gtest/gtest.h>

#include "window_fixture.h"
#include "workspace/drawing.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

// The grey step of entry i of n: (i + 1) * (256 / n) - 1.
RgbColor GreyStep(int i, int n) {
  return GreyColor((i + 1) * (256 / n) - 1);
}

TEST_F(WindowTest, StartUpShowsAnEmptyWorkspaceIn4bppSnes) {
  EXPECT_TRUE(window.Visible);
  EXPECT_EQ(window.Caption, "ROM Glyphon");
  EXPECT_EQ(window.FormatIndex, 8);
  EXPECT_FALSE(window.picImage.image.HasPicture());
  EXPECT_EQ(window.picImage.pointer, MousePointer::Default);
  EXPECT_EQ(window.picImage.toolTip, "");
  EXPECT_FALSE(window.shaBox.visible);

  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 0, 0}));
  for (const auto* label : {&window.lblX, &window.lblY, &window.lblWidth, &window.lblHeight}) {
    EXPECT_EQ(label->caption, "0");
    EXPECT_FALSE(label->enabled);
  }
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height})
    EXPECT_FALSE(window.Bar(s).enabled);
  EXPECT_EQ(window.chkTile8.value, 1);
  EXPECT_FALSE(window.chkTile8.enabled);

  for (int i = 0; i < formats::kFormatCount; ++i) {
    EXPECT_EQ(window.optFormat[static_cast<std::size_t>(i)].value, i == 8) << i;
    EXPECT_FALSE(window.optFormat[static_cast<std::size_t>(i)].enabled) << i;
  }
  // Sixteen swatches of 16 columns, greys 15, 31, ..., 255.
  for (int x = 0; x < 256; ++x) EXPECT_EQ(window.picPalette.image.GetPixel(x, 6), GreyStep(x / 16, 16)) << x;

  EXPECT_EQ(window.LoadFilterString, formats::LoadFilterList(formats::Format(8)));
  EXPECT_EQ(window.SaveFilterString, formats::kBitmapOnlyFilter);

  EXPECT_TRUE(window.cmdLoad.enabled && window.cmdPaste.enabled && window.cmdClear.enabled);
  EXPECT_FALSE(window.cmdConvert.enabled || window.cmdSave.enabled || window.cmdCopy.enabled);
  EXPECT_EQ(window.cmdLoad.caption, "Load");
  EXPECT_EQ(window.cmdConvert.toolTip, "Convert image to graphics format");
  EXPECT_FALSE(window.frmImage.Visible);
  EXPECT_FALSE(window.frmProgress.Visible);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(WindowTest, AboutBoxNamesTheProgramAndItsMakers) {
  window.lblAbout_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  const platform::Message& about = platform.messages[0];
  EXPECT_EQ(
      about.text,
      "Quilby ROM Glyphon 1.0\rCopyright 2026\rThe ROM Glyphon developers\r                  (see README)\r"
      "\rConverts an image into a ROM graphics\rformatted file and back again.\r"
      "For best results, use on a True Color (24\rbit) or higher display.");
  EXPECT_EQ(about.title, "About Quilby ROM Glyphon...");
  EXPECT_EQ(about.icon, platform::Icon::Information);
  EXPECT_EQ(about.buttons, platform::Buttons::Ok);
  EXPECT_EQ(window.lblAbout.toolTip, "About Quilby ROM Glyphon...");
  EXPECT_EQ(window.lblAbout.pointer, MousePointer::ArrowQuestion);
}

TEST_F(WindowTest, PictureMadeCurrentIsWhollySelectedAndViewable) {
  window.MakeCurrentPicture(RandomPicture(48, 32, 1));
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 48, 32}));
  EXPECT_EQ(window.vscX.max, 48);
  EXPECT_EQ(window.vscWidth.max, 48);
  EXPECT_EQ(window.vscY.max, 32);
  EXPECT_EQ(window.vscHeight.max, 32);
  EXPECT_EQ(window.picView, window.imgImage);
  EXPECT_EQ(window.picImage.pointer, MousePointer::Custom);
  EXPECT_EQ(window.picImage.toolTip, "Click to view full size...");
  for (const auto* b : {&window.cmdLoad, &window.cmdClear, &window.cmdSave, &window.cmdPaste,
                        &window.cmdConvert, &window.cmdCopy}) {
    EXPECT_TRUE(b->enabled) << b->caption;
  }
  for (const auto& option : window.optFormat) EXPECT_TRUE(option.enabled);
  EXPECT_TRUE(window.vscX.enabled && window.lblHeight1.enabled);
  EXPECT_TRUE(window.shaBox.visible && window.frmImage.shaBox.visible);
}

TEST_F(WindowTest, ThumbnailStretchesWithoutBlending) {
  // Four quadrant colours stay four solid quadrants of the 256 by 128 drawing area.
  Surface picture = Surface::Picture(2, 2);
  picture.SetPixel(0, 0, 0x0000FF);
  picture.SetPixel(1, 0, 0x00FF00);
  picture.SetPixel(0, 1, 0xFF0000);
  picture.SetPixel(1, 1, 0x123456);
  window.MakeCurrentPicture(picture);
  const Surface& thumb = window.picImage.image;
  ASSERT_EQ(thumb.Width(), 256);
  ASSERT_EQ(thumb.Height(), 128);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(thumb.GetPixel(x, y), picture.GetPixel(x / 128, y / 64)) << x << "," << y;
  }
  // Shrinking samples the source pixel under each target pixel's centre.
  const Surface wide = RandomPicture(1000, 300, 2);
  window.MakeCurrentPicture(wide);
  for (int x : {0, 1, 127, 255}) {
    for (int y : {0, 64, 127}) {
      EXPECT_EQ(thumb.GetPixel(x, y), wide.GetPixel((2 * x + 1) * 1000 / 512, (2 * y + 1) * 300 / 256));
    }
  }
}

TEST_F(WindowTest, ClearEmptiesTheWindowButKeepsPictureAndData) {
  window.MakeCurrentPicture(RandomPicture(40, 24, 3));
  window.RomDataString = Bytes({1, 2, 3});
  window.AuxDataString = Bytes({4});
  const Surface picture = window.imgImage;

  window.cmdClear_Click();

  EXPECT_FALSE(window.picImage.image.HasPicture());
  EXPECT_FALSE(window.shaBox.visible);
  EXPECT_EQ(window.picImage.pointer, MousePointer::Default);
  EXPECT_EQ(window.picImage.toolTip, "");
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 0, 0}));
  EXPECT_EQ(window.lblWidth.caption, "0");
  EXPECT_FALSE(window.vscX.enabled || window.lblX1.enabled || window.vscHeight.enabled ||
               window.chkTile8.enabled);
  EXPECT_FALSE(window.cmdConvert.enabled || window.cmdSave.enabled || window.cmdCopy.enabled);
  EXPECT_TRUE(window.cmdLoad.enabled && window.cmdPaste.enabled && window.cmdClear.enabled);
  EXPECT_TRUE(window.optFormat[8].value);
  for (const auto& option : window.optFormat) EXPECT_FALSE(option.enabled);
  EXPECT_EQ(window.imgImage, picture);
  EXPECT_EQ(window.picView, picture);
  EXPECT_EQ(window.RomDataString, Bytes({1, 2, 3}));
  EXPECT_EQ(window.AuxDataString, Bytes({4}));

  // Nothing a user can reach converts now.
  window.ClickFormatOption(2);
  window.ScrollSpinner(Spinner::Width, 8);
  window.picImage_Click();
  EXPECT_TRUE(window.optFormat[8].value);
  EXPECT_EQ(window.vscWidth.value, 0);
  EXPECT_FALSE(window.frmImage.Visible);
}

TEST_F(WindowTest, PictureAfterClearBehavesAsAfterStartUp) {
  const Surface picture = RandomPicture(40, 24, 4);
  MainWindow fresh(platform);
  fresh.Form_Load();
  fresh.MakeCurrentPicture(picture);

  window.MakeCurrentPicture(RandomPicture(17, 9, 5));
  window.cmdClear_Click();
  window.MakeCurrentPicture(picture);
  EXPECT_EQ(Describe(window), Describe(fresh));
}

TEST_F(WindowTest, CancelBringsBackThePictureWhollySelected) {
  const Surface picture = RandomPicture(40, 24, 6);
  window.MakeCurrentPicture(picture);
  const std::string before = Describe(window);
  EnterPreview(RandomBytes(300, 7));
  ShowPreview(RandomPicture(17, 35, 8));

  window.cmdClear_Click();

  EXPECT_EQ(window.picView, picture);
  Surface expectedThumb(256, 128);
  workspace::StretchDraw(picture, expectedThumb);
  EXPECT_EQ(window.picImage.image, expectedThumb);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 40, 24}));
  EXPECT_EQ(window.vscWidth.max, 40);
  EXPECT_EQ(window.vscY.max, 24);
  EXPECT_FALSE(window.InPreviewMode());
  EXPECT_EQ(window.cmdClear.caption, "Clear");
  EXPECT_EQ(window.cmdSave.toolTip, "Save data to file...");
  EXPECT_EQ(window.cmdLoad.width, 113);
  EXPECT_TRUE(window.cmdPaste.visible && window.cmdConvert.visible && window.cmdCopy.visible);
  EXPECT_TRUE(window.cmdConvert.enabled && window.cmdSave.enabled && window.cmdCopy.enabled);
  EXPECT_TRUE(window.vscX.enabled && window.lblY.enabled && window.vscHeight.enabled);
  EXPECT_EQ(window.picImage.pointer, MousePointer::Custom);
  EXPECT_TRUE(window.shaBox.visible && window.frmImage.shaBox.visible);
  // The loaded ROM data stays; picBitmap keeps the last preview. Otherwise the window is
  // as it was before the preview.
  EXPECT_EQ(window.RomDataString, RandomBytes(300, 7));
  window.RomDataString.clear();
  window.picBitmap = Surface();
  EXPECT_EQ(Describe(window), before);
}

TEST_F(WindowTest, CancelLeavesTheGridLockAsTheFormatAllows) {
  // A tiled format: the lock stays on and cannot be switched off after Cancel.
  window.MakeCurrentPicture(RandomPicture(40, 24, 9));
  EnterPreview(RandomBytes(64, 10));
  window.cmdClear_Click();
  EXPECT_EQ(window.chkTile8.value, 1);
  EXPECT_FALSE(window.chkTile8.enabled);

  // A linear format chosen during the preview: the lock may be switched off.
  EnterPreview(RandomBytes(64, 10));
  window.ClickFormatOption(1);
  window.cmdClear_Click();
  EXPECT_TRUE(window.chkTile8.enabled);
}

TEST_F(WindowTest, CancelWithoutAPictureLeavesTheWindowEmpty) {
  const std::string startUp = Describe(window);
  EnterPreview(RandomBytes(100, 11));
  window.cmdClear_Click();
  EXPECT_EQ(window.RomDataString, RandomBytes(100, 11));
  window.RomDataString.clear();
  EXPECT_EQ(Describe(window), startUp);
}

TEST_F(WindowTest, ThumbnailOpensTheViewerUntilClickedOrAKeyIsReleased) {
  window.picImage_Click();  // nothing to view yet
  EXPECT_FALSE(window.frmImage.Visible);

  const Surface picture = RandomPicture(300, 200, 12);
  window.MakeCurrentPicture(picture);
  window.picImage_Click();
  EXPECT_TRUE(window.frmImage.Visible);
  EXPECT_FALSE(window.Visible);
  EXPECT_EQ(window.frmImage.picImage, picture);
  EXPECT_EQ(window.frmImage.shaBox.width, 297);  // 296 by 200 under the lock, plus 1
  window.frmImage.picImage_Click();
  EXPECT_TRUE(window.Visible);
  EXPECT_FALSE(window.frmImage.Visible);

  window.picImage_Click();
  window.frmImage.picImage_KeyUp(32, 0);
  EXPECT_TRUE(window.Visible);
  EXPECT_FALSE(window.frmImage.Visible);
}

TEST_F(WindowTest, ViewerShowsTheLastPreviewInPreviewModeAndThePictureAfterCancel) {
  const Surface picture = RandomPicture(30, 20, 13);
  window.MakeCurrentPicture(picture);
  EnterPreview(RandomBytes(256, 14));
  window.picImage_Click();  // no preview drawn yet
  EXPECT_FALSE(window.frmImage.Visible);

  const Surface preview = RandomPicture(16, 16, 15);
  ShowPreview(preview);
  window.picImage_Click();
  EXPECT_EQ(window.frmImage.picImage, preview);
  window.frmImage.picImage_Click();

  window.cmdClear_Click();
  window.picImage_Click();
  EXPECT_EQ(window.frmImage.picImage, picture);
}

TEST_F(WindowTest, UnloadClosesTheViewer) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 16));
  window.picImage_Click();
  window.Form_Unload();
  EXPECT_FALSE(window.frmImage.Visible);
  EXPECT_TRUE(window.frmImage.picImage.IsEmpty());
}

}  // namespace
}  // namespace glyphon::test
