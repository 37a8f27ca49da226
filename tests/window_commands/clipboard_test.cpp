// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files_fixture.h"

namespace glyphon::test {
namespace {

using platform::Surface;

TEST_F(FilesTest, CopiedSelectionPastesBackAsTheWholePicture) {
  const Surface picture = RandomPicture(32, 32, 30);
  window.MakeCurrentPicture(picture);
  Select(8, 8, 16, 16);
  window.Convert();
  const ByteString data = window.RomData();
  window.SetPartnerData(Bytes({3}));

  commands.Copy();
  ASSERT_TRUE(platform.clipboard.has_value());
  EXPECT_EQ(*platform.clipboard, picture.Crop(8, 8, 16, 16));
  EXPECT_EQ(platform.clipboardWrites, 1);

  commands.Paste();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(window.Picture(), picture.Crop(8, 8, 16, 16));
  EXPECT_EQ(window.EncoderInput(), window.Picture());
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 16, 16}));
  EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);
  EXPECT_EQ(window.RomData(), data);
  EXPECT_EQ(window.Partner().data, Bytes({3}));
}

TEST_F(FilesTest, CopyOfAnEmptySelectionLeavesTheClipboardAlone) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 32));
  platform.clipboard = Filled(2, 2, kWhite);
  Select(0, 0, 0, 16);
  commands.Copy();
  EXPECT_EQ(MessageTexts(), std::vector<Lines>{{"The selection is empty."}});
  EXPECT_EQ(platform.clipboardWrites, 0);
  EXPECT_EQ(platform.clipboard, Filled(2, 2, kWhite));
}

TEST_F(FilesTest, PasteIntoAnEmptyWindowEnablesTheCommands) {
  platform.clipboard = RandomPicture(20, 13, 31);
  commands.Paste();
  EXPECT_EQ(window.Picture(), RandomPicture(20, 13, 31));
  // The grid lock rounds the whole-picture selection down to tiles.
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 16, 8}));
  EXPECT_TRUE(window.View().convert.enabled && window.View().save.enabled && window.View().copy.enabled);
  EXPECT_TRUE(window.View().x.enabled && window.View().formatsEnabled);
  EXPECT_TRUE(window.View().thumbnailViewable);
}

struct BadClipboardCase {
  const char* name;
  std::optional<Surface> clipboard;
  std::vector<std::string> message;
};

class BadClipboardTest : public FilesTest, public ::testing::WithParamInterface<BadClipboardCase> {};

TEST_P(BadClipboardTest, PasteIsRefusedAndChangesNothing) {
  window.MakeCurrentPicture(RandomPicture(16, 16, 32));
  const std::string before = Describe(window);
  platform.clipboard = GetParam().clipboard;
  commands.Paste();
  EXPECT_EQ(platform.messages, std::vector{Warning(GetParam().message)});
  EXPECT_EQ(Describe(window), before);
}

INSTANTIATE_TEST_SUITE_P(
    Clipboards, BadClipboardTest,
    ::testing::Values(BadClipboardCase{"NoPicture", std::nullopt, {"Unable to paste image."}},
                      BadClipboardCase{"EmptyPicture", Surface::Picture(0, 0), {"Unable to paste image."}},
                      BadClipboardCase{"WiderThan32767",
                                       Surface::Picture(32768, 1),
                                       {"Unable to paste image.",
                                        "the picture is 32768 by 1 pixels, more than 32767 on "
                                        "a side or 67108864 pixels in all"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace glyphon::test
