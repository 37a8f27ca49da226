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

ByteString AsBytes(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

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

// A PNG whose header promises width by height pixels and whose data ends at once.
ByteString PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
  auto crc = [](const ByteString& bytes, std::size_t from) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < bytes.size(); ++i) {
      c ^= bytes[i];
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
  };
  auto be32 = [](ByteString& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  ByteString png = test::Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
  ByteString chunk = test::Bytes({'I', 'H', 'D', 'R'});
  be32(chunk, width);
  be32(chunk, height);
  for (int b : {8, 2, 0, 0, 0}) chunk.push_back(static_cast<std::uint8_t>(b));  // 8-bit RGB
  be32(png, 13);
  png.insert(png.end(), chunk.begin(), chunk.end());
  be32(png, crc(chunk, 0));
  ByteString data = test::Bytes({'I', 'D', 'A', 'T', 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  be32(png, static_cast<std::uint32_t>(data.size() - 4));
  png.insert(png.end(), data.begin(), data.end());
  be32(png, crc(data, 0));
  ByteString end = test::Bytes({'I', 'E', 'N', 'D'});
  be32(png, 0);
  png.insert(png.end(), end.begin(), end.end());
  be32(png, crc(end, 0));
  return png;
}

TEST(PictureFile, RefusesPicturesBeyondTheMemoryLimitBeforeDecoding) {
  // 20000 by 20000 fits the side limit but would take 1.6 GB.
  auto read = ReadPictureBytes(PngHeaderOnly(20000, 20000));
  ASSERT_FALSE(read.Ok());
  EXPECT_FALSE(read.Error().empty());
  std::cerr << read.Error() << "\n";
  auto wide = ReadPictureBytes(PngHeaderOnly(40000, 1));
  ASSERT_FALSE(wide.Ok());
  EXPECT_NE(wide.Error().find("32767"), std::string::npos) << wide.Error();
}

TEST(PictureFile, WriteFailuresSayWhy) {
  test::TempDir dir;
  EXPECT_FALSE(WritePicture(dir.File("a.unknownkind"), test::Filled(1, 1, kBlack)).Ok());
  EXPECT_FALSE(WritePicture(dir.File("a.bmp"), platform::Surface()).Ok());
  EXPECT_FALSE(WritePicture(dir.File("missing/a.bmp"), test::Filled(1, 1, kBlack)).Ok());
}

}  // namespace
}  // namespace glyphon::imageio
