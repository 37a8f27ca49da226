// SPDX-License-Identifier: MIT
#include "editor/picture_canvas.h"

#include <gtest/gtest.h>

#include "editor/editor.h"
#include "formats/format_table.h"
#include "formats/values.h"
#include "support/fake_platform.h"
#include "workspace/main_window.h"

namespace glyphon::test {
namespace {

using platform::Surface;

class PictureCanvasTest : public ::testing::Test {
 protected:
  PictureCanvasTest() {
    window.Start();
    window.MakeCurrentPicture(Surface::Picture(16, 8, kWhite));
  }
  FakePlatform platform;
  workspace::MainWindow window{platform};
  editor::PictureCanvas canvas{window};
  platform::UndoStack history;
  editor::Editor tools{canvas, history};
};

// The values drawn are what a Convert stores: value v in the decoder's grey of v, read back
// through the encoder's rule.
TEST_F(PictureCanvasTest, DrawsValuesInTheDecodersColoursAndConvertStoresThem) {
  window.SelectFormat(formats::FindFormat("2bpp SNES/GB")->index);
  EXPECT_EQ(canvas.MaxValue(), 3);
  EXPECT_EQ(canvas.ValueAt({0, 0}), 3);  // white
  tools.SetValue(1);
  tools.Press({0, 0});
  tools.Drag({3, 0});
  tools.Release({3, 0});
  EXPECT_EQ(window.Picture().GetPixel(2, 0), GreyColor(128));  // the 2-bit decoder's grey of 1
  EXPECT_EQ(canvas.ValueAt({2, 0}), 1);
  EXPECT_FALSE(window.RomDataOrigin().has_value());
  EXPECT_TRUE(window.HasUnsavedWork());
  window.Convert();
  // Row 0 of the first tile: pixels 0-3 of value 1 (low plane only), 4-7 of value 3.
  ASSERT_GE(window.RomData().size(), 2u);
  EXPECT_EQ(window.RomData()[0], 0xFF);
  EXPECT_EQ(window.RomData()[1], 0x0F);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(window.Picture().GetPixel(2, 0), kWhite);
  EXPECT_EQ(canvas.ValueAt({2, 0}), 3);
}

TEST_F(PictureCanvasTest, DirectColourAndPreviewsAreRefused) {
  window.SelectFormat(formats::FindFormat("16bpp BGR555")->index);
  EXPECT_EQ(
      canvas.Problem(),
      "The picture is drawn in the format's values, but 16bpp BGR555 stores colours. Choose a format of 8 "
      "bits a pixel or fewer.");
  tools.Press({0, 0});
  tools.Release({0, 0});
  EXPECT_EQ(window.Picture().GetPixel(0, 0), kWhite);
  EXPECT_EQ(history.Count(), 0u);
}

}  // namespace
}  // namespace glyphon::test
