#include "imageio/picture_file.h"

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::imageio {
namespace {

TEST(PictureFile, BmpAndPngRoundTripEveryColourExactly) {
  test::TempDir dir;
  const platform::Surface picture = test::RandomPicture(13, 7, 3);
  for (const char* name : {"a.bmp", "a.png", "A.BMP"}) {
    ASSERT_TRUE(WritePicture(dir.File(name), picture).Ok()) << name;
    auto read = ReadPicture(dir.File(name));
    ASSERT_TRUE(read.Ok()) << name << ": " << read.Error();
    EXPECT_TRUE(read.Value().HasPicture());
    EXPECT_EQ(read.Value(), picture) << name;
  }
}

TEST(PictureFile, BitmapsAreBmpWhateverTheExtension) {
  test::TempDir dir;
  const platform::Surface picture = test::RandomPicture(5, 3, 9);
  ASSERT_TRUE(WriteBitmap(dir.File("partner.bmp2"), picture).Ok());
  const auto bytes = platform::ReadFileBytes(dir.File("partner.bmp2")).Value();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(ReadPicture(dir.File("partner.bmp2")).Value(), picture);
}

TEST(PictureFile, WritesTwentyFourBitBmp) {
  const std::string bytes = BmpBytes(test::Filled(2, 2, kWhite));
  ASSERT_GE(bytes.size(), 30u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
}

ByteString AsBytes(const std::string& text) { return ByteString(text.begin(), text.end()); }

TEST(PictureFile, RefusesBadInputWithAReason) {
  const ByteString bmp = AsBytes(BmpBytes(test::RandomPicture(16, 16, 1)));
  ByteString truncated(bmp.begin(), bmp.end() - 40);
  ByteString hugeHeader = bmp;
  hugeHeader[18] = 0x00;  // width 0x10000 = 65536
  hugeHeader[19] = 0x00;
  hugeHeader[20] = 0x01;
  struct Case {
    const char* name;
    ByteString bytes;
    const char* reasonContains;
  };
  for (const Case& c : {Case{"truncated", truncated, "truncated"},
                        Case{"header only", ByteString(bmp.begin(), bmp.begin() + 20), "truncated"},
                        Case{"too wide", hugeHeader, "32767"},
                        Case{"not a picture", AsBytes("hello, this is text"), "not a picture"},
                        Case{"empty", ByteString{}, "empty"}}) {
    auto read = ReadPictureBytes(c.bytes);
    ASSERT_FALSE(read.Ok()) << c.name;
    EXPECT_NE(read.Error().find(c.reasonContains), std::string::npos) << c.name << ": " << read.Error();
  }
}

TEST(PictureFile, WriteFailuresSayWhy) {
  test::TempDir dir;
  EXPECT_FALSE(WritePicture(dir.File("a.unknownkind"), test::Filled(1, 1, kBlack)).Ok());
  EXPECT_FALSE(WritePicture(dir.File("a.bmp"), platform::Surface()).Ok());
  EXPECT_FALSE(WritePicture(dir.File("missing/a.bmp"), test::Filled(1, 1, kBlack)).Ok());
}

}  // namespace
}  // namespace glyphon::imageio
