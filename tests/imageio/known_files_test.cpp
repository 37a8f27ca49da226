// SPDX-License-Identifier: MIT
// Small picture files made by hand from the formats' layouts (or by another program), and
// the pixels, indices and palettes they must read as.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "imageio/picture_file.h"
#include "support/test_support.h"

namespace glyphon::imageio {
namespace {

const RgbColor kRed = Rgb(255, 0, 0);
const RgbColor kGreen = Rgb(0, 255, 0);
const RgbColor kBlue = Rgb(0, 0, 255);

// A BMP's 14-byte file header and 40-byte information header, little-endian throughout:
// "BM", the file size, 4 reserved bytes, the offset of the pixels; then the header size
// 40, width, height (negative: rows stored top first), 1 plane, the bits a pixel, no
// compression, the image size (0 is allowed uncompressed), two resolutions and the
// colours used (0: all 2^bits) and important.
ByteString BmpHeaders(std::uint8_t fileSize, std::uint8_t offset, std::uint8_t width, std::uint8_t heightLow,
                      std::uint8_t heightHigh, std::uint8_t bits, std::uint8_t coloursUsed) {
  return test::Bytes(
      {'B',  'M', fileSize, 0, 0,           0, 0, 0, 0,         0,          offset,     0,          0, 0,  //
       40,   0,   0,        0, width,       0, 0, 0, heightLow, heightHigh, heightHigh, heightHigh, 1, 0,
       bits, 0,   0,        0, 0,           0, 0, 0, 0,         0,          0,          0,          0, 0,
       0,    0,   0,        0, coloursUsed, 0, 0, 0, 0,         0,          0,          0});
}

ByteString Append(ByteString head, std::initializer_list<int> tail) {
  for (int b : tail) head.push_back(static_cast<std::uint8_t>(b));
  return head;
}

struct FileCase {
  const char* name;
  ByteString bytes;
  int width;
  std::vector<RgbColor> pixels;  // row-major
  std::vector<std::uint8_t> indices;
  std::vector<RgbColor> palette;
};

void PrintTo(const FileCase& c, std::ostream* out) {
  *out << c.name;
}

std::vector<FileCase> FileCases() {
  std::vector<FileCase> cases;
  // 2 by 2 at 24 bits: B, G, R a pixel, rows padded to 4 bytes (6 + 2), bottom row first.
  cases.push_back({"bmp 24 bits bottom up",
                   Append(BmpHeaders(70, 54, 2, 2, 0, 24, 0),
                          {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0, 0,    // bottom: blue, green
                           0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}),  // top: red, white
                   2,
                   {kRed, kWhite, kBlue, kGreen},
                   {},
                   {}});
  // The same rows with height -2 (0xFFFFFFFE): stored top first.
  cases.push_back({"bmp 24 bits top down",
                   Append(BmpHeaders(70, 54, 2, 0xFE, 0xFF, 24, 0),
                          {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,    // top: red, white
                           0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0, 0}),  // bottom: blue, green
                   2,
                   {kRed, kWhite, kBlue, kGreen},
                   {},
                   {}});
  // 2 by 1 at 8 bits with a colour table of 2 entries (B, G, R, 0 each): the pixels are
  // indices 1 and 0, padded to 4 bytes.
  cases.push_back({"bmp 8 bits, two colours",
                   Append(BmpHeaders(66, 62, 2, 1, 0, 8, 2),
                          {0x33, 0x22, 0x11, 0, 0xCC, 0xBB, 0xAA, 0,  // the colour table
                           1, 0, 0, 0}),
                   2,
                   {Rgb(0xAA, 0xBB, 0xCC), Rgb(0x11, 0x22, 0x33)},
                   {1, 0},
                   {Rgb(0x11, 0x22, 0x33), Rgb(0xAA, 0xBB, 0xCC)}});
  // 2 by 1 GIF with a 2-entry global colour table. The image's LZW codes at 3 bits (minimum
  // code size 2): clear (4), 1, 0, end (5), packed from the low bit up:
  // 100 | 001 << 3 | 000 << 6 | 101 << 9 = 0x0A0C.
  cases.push_back(
      {"gif two colours",
       test::Bytes({'G',  'I',  'F',  '8',  '9',  'a',  2, 0, 1, 0, 0x80, 0, 0,  // screen, table of 2
                    0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC,                          // the colour table
                    0x2C, 0,    0,    0,    0,    2,    0, 1, 0, 0,              // the image at 0,0
                    2,    2,    0x0C, 0x0A, 0,                                   // its LZW data
                    0x3B}),
       2,
       {Rgb(0xAA, 0xBB, 0xCC), Rgb(0x11, 0x22, 0x33)},
       {1, 0},
       {Rgb(0x11, 0x22, 0x33), Rgb(0xAA, 0xBB, 0xCC)}});
  return cases;
}

class KnownFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(KnownFileTest, ReadsAsItsLayoutSays) {
  const FileCase& c = GetParam();
  const Result<PictureFile> read = ReadPictureFileBytes(c.bytes);
  ASSERT_TRUE(read) << read.Error();
  const platform::Surface& pixels = read.Value().pixels;
  ASSERT_EQ(pixels.Width(), c.width);
  ASSERT_EQ(pixels.Height(), static_cast<int>(c.pixels.size()) / c.width);
  for (std::size_t i = 0; i < c.pixels.size(); ++i) {
    EXPECT_EQ(pixels.GetPixel(static_cast<int>(i) % c.width, static_cast<int>(i) / c.width), c.pixels[i])
        << "pixel " << i;
  }
  EXPECT_EQ(read.Value().indices, c.indices);
  EXPECT_EQ(read.Value().palette, c.palette);
}

INSTANTIATE_TEST_SUITE_P(HandMade, KnownFileTest, ::testing::ValuesIn(FileCases()), [](const auto& p) {
  std::string name = p.param.name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

// A palette PNG written by Qt: the indices and the palette come back as Qt stored them,
// including a palette entry no pixel uses.
TEST(KnownFiles, APalettePngFromAnotherProgramKeepsItsIndicesAndPalette) {
  QImage image(3, 2, QImage::Format_Indexed8);
  image.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50), qRgb(9, 8, 7), qRgb(255, 255, 0)});
  const std::vector<std::uint8_t> indices = {2, 0, 1, 1, 2, 0};
  for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, indices[static_cast<std::size_t>(i)]);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImageWriter(&buffer, "png").write(image));

  const Result<PictureFile> read = ReadPictureFileBytes(ByteString(bytes.begin(), bytes.end()));
  ASSERT_TRUE(read) << read.Error();
  const std::vector<RgbColor> palette = {Rgb(1, 2, 3), Rgb(200, 100, 50), Rgb(9, 8, 7), Rgb(255, 255, 0)};
  EXPECT_EQ(read.Value().indices, indices);
  EXPECT_EQ(read.Value().palette, palette);
  EXPECT_EQ(read.Value().pixels.GetPixel(0, 0), Rgb(9, 8, 7));
  EXPECT_EQ(read.Value().pixels.GetPixel(2, 1), Rgb(1, 2, 3));
}

}  // namespace
}  // namespace glyphon::imageio
