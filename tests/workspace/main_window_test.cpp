// SPDX-License-Identifier: MIT
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
  EXPECT_TRUE(window.View().visible);
  EXPECT_EQ(window.FormatIndex(), 8);
  EXPECT_FALSE(window.View().thumbnail.HasPicture());
  EXPECT_FALSE(window.View().thumbnailViewable);
  EXPECT_FALSE(window.View().outline.visible);

  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 0, 0}));
  const workspace::WindowView view = window.View();
  for (const auto* row : {&view.x, &view.y, &view.width, &view.height}) {
    EXPECT_EQ(row->value, 0);
    EXPECT_FALSE(row->enabled);
  }
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height})
    EXPECT_FALSE(window.View().Row(s).enabled);
  EXPECT_EQ(window.View().tileLock, true);
  EXPECT_FALSE(window.View().tileLockEnabled);

  EXPECT_EQ(window.View().format, 8);
  EXPECT_FALSE(window.View().formatsEnabled);
  // Sixteen swatches of 16 columns, greys 15, 31, ..., 255.
  for (int x = 0; x < 256; ++x) EXPECT_EQ(window.View().swatches.GetPixel(x, 6), GreyStep(x / 16, 16)) << x;

  EXPECT_EQ(window.LoadFilters(), kPlainLoadList);
  EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);

  EXPECT_TRUE(window.View().load.enabled && window.View().paste.enabled && window.View().clear.enabled);
  EXPECT_FALSE(window.View().convert.enabled || window.View().save.enabled || window.View().copy.enabled);
  EXPECT_EQ(window.View().load.caption, "Load");
  EXPECT_EQ(window.View().convert.toolTip, "Convert image to graphics format");
  EXPECT_FALSE(window.View().viewer.visible);
  EXPECT_FALSE(window.Progress().visible);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(WindowTest, AboutBoxNamesTheProgramAndItsMakers) {
  window.ShowAbout();
  ASSERT_EQ(platform.messages.size(), 1u);
  const platform::Message& about = platform.messages[0];
  EXPECT_EQ(about.lines, (std::vector<std::string>{
                             "Quilby ROM Glyphon 1.0", "Copyright 2026", "The ROM Glyphon developers",
                             "                  (see README)", "", "Converts an image into a ROM graphics",
                             "formatted file and back again.", "For best results, use on a True Color (24",
                             "bit) or higher display."}));
  EXPECT_EQ(about.title, "About Quilby ROM Glyphon...");
  EXPECT_EQ(about.icon, platform::Icon::Information);
  EXPECT_EQ(about.buttons, platform::Buttons::Ok);
}

TEST_F(WindowTest, PictureMadeCurrentIsWhollySelectedAndViewable) {
  window.MakeCurrentPicture(RandomPicture(48, 32, 1));
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 48, 32}));
  EXPECT_EQ(window.View().x.max, 48);
  EXPECT_EQ(window.View().width.max, 48);
  EXPECT_EQ(window.View().y.max, 32);
  EXPECT_EQ(window.View().height.max, 32);
  EXPECT_EQ(window.EncoderInput(), window.Picture());
  EXPECT_TRUE(window.View().thumbnailViewable);
  const workspace::WindowView view = window.View();
  for (const auto* b : {&view.load, &view.clear, &view.save, &view.paste, &view.convert, &view.copy}) {
    EXPECT_TRUE(b->enabled) << b->caption;
  }
  EXPECT_TRUE(window.View().formatsEnabled);
  EXPECT_TRUE(window.View().x.enabled && window.View().height.enabled);
  EXPECT_TRUE(window.View().outline.visible && window.View().viewer.outline.visible);
}

TEST_F(WindowTest, ThumbnailKeepsTheProportionWithoutBlending) {
  // A square picture fills a 128 by 128 square in the middle of the 256 by 128 area, its
  // four quadrant colours four solid squares; grey on either side.
  Surface picture = Surface::Picture(2, 2);
  picture.SetPixel(0, 0, 0x0000FF);
  picture.SetPixel(1, 0, 0x00FF00);
  picture.SetPixel(0, 1, 0xFF0000);
  picture.SetPixel(1, 1, 0x123456);
  window.MakeCurrentPicture(picture);
  const Surface thumb = window.View().thumbnail;
  ASSERT_EQ(thumb.Width(), 256);
  ASSERT_EQ(thumb.Height(), 128);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 256; ++x) {
      const RgbColor expected =
          x < 64 || x >= 192 ? workspace::kThumbnailMargin : picture.GetPixel((x - 64) / 64, y / 64);
      ASSERT_EQ(thumb.GetPixel(x, y), expected) << x << "," << y;
    }
  }
  // Shrinking samples the source pixel under each target pixel's centre: 1000 by 300 is
  // drawn 256 by 77 (76.8 rounded) from row 25.
  const Surface wide = RandomPicture(1000, 300, 2);
  window.MakeCurrentPicture(wide);
  const Surface shrunk = window.View().thumbnail;
  for (int x : {0, 1, 127, 255}) {
    for (int y : {0, 38, 76}) {
      EXPECT_EQ(shrunk.GetPixel(x, 25 + y), wide.GetPixel((2 * x + 1) * 1000 / 512, (2 * y + 1) * 300 / 154));
    }
    EXPECT_EQ(shrunk.GetPixel(x, 24), workspace::kThumbnailMargin);
    EXPECT_EQ(shrunk.GetPixel(x, 25 + 77), workspace::kThumbnailMargin);
  }
}

TEST_F(WindowTest, ClearEmptiesTheWindowAndTheDataButKeepsThePicture) {
  window.MakeCurrentPicture(RandomPicture(40, 24, 3));
  window.Convert();
  window.SetPartnerData(Bytes({4}));
  const ByteString data = window.RomData();
  const Surface picture = window.Picture();

  window.ClearOrCancel();

  EXPECT_FALSE(window.View().thumbnail.HasPicture());
  EXPECT_FALSE(window.View().outline.visible);
  EXPECT_FALSE(window.View().thumbnailViewable);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 0, 0}));
  EXPECT_EQ(std::to_string(window.View().width.value), "0");
  EXPECT_FALSE(window.View().x.enabled || window.View().x.enabled || window.View().height.enabled ||
               window.View().tileLockEnabled);
  EXPECT_FALSE(window.View().convert.enabled || window.View().save.enabled || window.View().copy.enabled);
  EXPECT_TRUE(window.View().load.enabled && window.View().paste.enabled && window.View().clear.enabled);
  EXPECT_EQ(window.View().format, 8);
  EXPECT_FALSE(window.View().formatsEnabled);
  EXPECT_EQ(window.Picture(), picture);
  EXPECT_EQ(window.EncoderInput(), picture);
  // Converted data goes with the window's contents: nothing is left to save or write back.
  EXPECT_NE(data, ByteString());
  EXPECT_EQ(window.RomData(), ByteString());
  EXPECT_FALSE(window.RomDataOrigin().has_value());
  EXPECT_FALSE(window.HasUnsavedWork());
  EXPECT_EQ(window.Partner().data, Bytes({4}));

  // Nothing a user can reach converts now.
  window.SelectFormat(2);
  window.ScrollSpinner(Spinner::Width, 8);
  window.OpenViewer();
  EXPECT_EQ(window.View().format, 8);
  EXPECT_EQ(window.View().width.value, 0);
  EXPECT_FALSE(window.View().viewer.visible);
}

TEST_F(WindowTest, PictureAfterClearBehavesAsAfterStartUp) {
  const Surface picture = RandomPicture(40, 24, 4);
  MainWindow fresh(platform);
  fresh.Start();
  fresh.MakeCurrentPicture(picture);

  window.MakeCurrentPicture(RandomPicture(17, 9, 5));
  window.ClearOrCancel();
  window.MakeCurrentPicture(picture);
  EXPECT_EQ(Describe(window), Describe(fresh));
}

TEST_F(WindowTest, CancelBringsBackThePictureWhollySelected) {
  const Surface picture = RandomPicture(40, 24, 6);
  window.MakeCurrentPicture(picture);
  const std::string before = Describe(window, false);
  EnterPreview(RandomBytes(300, 7));
  const Surface preview = RandomPicture(17, 35, 8);
  window.ShowPreview(preview);

  window.ClearOrCancel();

  EXPECT_EQ(window.EncoderInput(), picture);
  // 40 by 24 is drawn 213 by 128 (213.3 rounded) from column 21.
  Surface expectedThumb(256, 128, workspace::kThumbnailMargin);
  Surface drawn(213, 128);
  workspace::StretchDraw(picture, drawn);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 213; ++x) expectedThumb.SetPixel(21 + x, y, drawn.GetPixel(x, y));
  expectedThumb.SetHasPicture(true);
  EXPECT_EQ(window.View().thumbnail, expectedThumb);
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 40, 24}));
  EXPECT_EQ(window.View().width.max, 40);
  EXPECT_EQ(window.View().y.max, 24);
  EXPECT_FALSE(window.InPreviewMode());
  EXPECT_EQ(window.View().clear.caption, "Clear");
  EXPECT_EQ(window.View().save.toolTip, "Save data to file...");
  EXPECT_FALSE(window.View().load.wide);
  EXPECT_TRUE(window.View().paste.visible && window.View().convert.visible && window.View().copy.visible);
  EXPECT_TRUE(window.View().convert.enabled && window.View().save.enabled && window.View().copy.enabled);
  EXPECT_TRUE(window.View().x.enabled && window.View().y.enabled && window.View().height.enabled);
  EXPECT_TRUE(window.View().thumbnailViewable);
  EXPECT_TRUE(window.View().outline.visible && window.View().viewer.outline.visible);
  // The loaded ROM data stays; the work bitmap keeps the last preview. Otherwise the window is
  // as it was before the preview.
  EXPECT_EQ(window.RomData(), RandomBytes(300, 7));
  EXPECT_EQ(window.WorkBitmap(), preview);
  EXPECT_EQ(Describe(window, false), before);
}

TEST_F(WindowTest, CancelLeavesTheGridLockAsTheFormatAllows) {
  // A tiled format: the lock stays on and cannot be switched off after Cancel.
  window.MakeCurrentPicture(RandomPicture(40, 24, 9));
  EnterPreview(RandomBytes(64, 10));
  window.ClearOrCancel();
  EXPECT_EQ(window.View().tileLock, true);
  EXPECT_FALSE(window.View().tileLockEnabled);

  // A linear format chosen during the preview: the lock may be switched off.
  EnterPreview(RandomBytes(64, 10));
  window.SelectFormat(1);
  window.ClearOrCancel();
  EXPECT_TRUE(window.View().tileLockEnabled);
}

TEST_F(WindowTest, CancelWithoutAPictureLeavesTheWindowEmpty) {
  const std::string startUp = Describe(window, false);
  EnterPreview(RandomBytes(100, 11));
  window.ClearOrCancel();
  EXPECT_EQ(window.RomData(), RandomBytes(100, 11));
  EXPECT_EQ(Describe(window, false), startUp);
}

TEST_F(WindowTest, ThumbnailOpensTheViewerUntilClickedOrAKeyIsReleased) {
  window.OpenViewer();  // nothing to view yet
  EXPECT_FALSE(window.View().viewer.visible);

  const Surface picture = RandomPicture(300, 200, 12);
  window.MakeCurrentPicture(picture);
  window.OpenViewer();
  EXPECT_TRUE(window.View().viewer.visible);
  EXPECT_FALSE(window.View().visible);
  EXPECT_EQ(*window.View().viewer.picture, picture);
  EXPECT_EQ(window.View().viewer.outline.width, 297);  // 296 by 200 under the lock, plus 1
  window.CloseViewer();
  EXPECT_TRUE(window.View().visible);
  EXPECT_FALSE(window.View().viewer.visible);

  window.OpenViewer();
  window.CloseViewer();
  EXPECT_TRUE(window.View().visible);
  EXPECT_FALSE(window.View().viewer.visible);
}

TEST_F(WindowTest, ViewerZoomsFromOneToEightTimesWithinItsLargestSide) {
  window.MakeCurrentPicture(RandomPicture(300, 200, 12));
  window.OpenViewer();
  EXPECT_EQ(window.View().viewer.zoom, 1);
  window.ZoomViewer(2);
  EXPECT_EQ(window.View().viewer.zoom, 3);
  // The outline is the box 296 by 200 at 0,0 in screen pixels: 3 each.
  EXPECT_EQ(window.View().viewer.outline, (workspace::Outline{0, 0, 296 * 3 + 1, 200 * 3 + 1, true}));
  window.ZoomViewer(100);
  EXPECT_EQ(window.View().viewer.zoom, 8);
  window.ZoomViewer(-100);
  EXPECT_EQ(window.View().viewer.zoom, 1);
  // 16384 pixels a side at most: a 4000-pixel picture goes to 4x.
  window.CloseViewer();
  window.MakeCurrentPicture(Filled(4000, 8, kWhite));
  window.OpenViewer();
  window.ZoomViewer(7);
  EXPECT_EQ(window.View().viewer.zoom, 4);
}

TEST_F(WindowTest, ViewerShowsTheLastPreviewInPreviewModeAndThePictureAfterCancel) {
  const Surface picture = RandomPicture(30, 20, 13);
  window.MakeCurrentPicture(picture);
  EnterPreview(RandomBytes(256, 14));
  window.OpenViewer();  // no preview drawn yet
  EXPECT_FALSE(window.View().viewer.visible);

  const Surface preview = RandomPicture(16, 16, 15);
  window.ShowPreview(preview);
  window.OpenViewer();
  EXPECT_EQ(*window.View().viewer.picture, preview);
  window.CloseViewer();

  window.ClearOrCancel();
  window.OpenViewer();
  EXPECT_EQ(*window.View().viewer.picture, picture);
}

TEST_F(WindowTest, CloseClosesTheViewer) {
  window.MakeCurrentPicture(RandomPicture(8, 8, 16));
  window.OpenViewer();
  window.Close();
  EXPECT_FALSE(window.View().viewer.visible);
}

}  // namespace
}  // namespace glyphon::test
