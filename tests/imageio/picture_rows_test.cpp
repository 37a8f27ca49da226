// SPDX-License-Identifier: MIT
// Pictures written and read a row at a time, never held whole.
#include <gtest/gtest.h>
#include <spng.h>

#include <algorithm>
#include <array>
#include <memory>

#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/peak_memory.h"
#include "support/test_support.h"

namespace glyphon::imageio {
namespace {

RowAt RowsOf(const platform::Surface& picture) {
  return [&picture](int y) { return picture.Row(y); };
}

ByteString Written(const std::string& name, int width, int height, const RowAt& rowAt,
                   std::span<const RgbColor> colours) {
  ByteString out;
  platform::StringSink sink(out);
  const Status written = WritePictureRows(name, width, height, rowAt, colours, sink);
  EXPECT_TRUE(written) << written.error;
  return out;
}

// A picture drawn in the given colours only, pixel (x, y) taking colour (x * 7 + y * 3) mod n.
platform::Surface PictureIn(int width, int height, std::span<const RgbColor> colours) {
  platform::Surface picture = platform::Surface::Picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture.SetPixel(x, y, colours[static_cast<std::size_t>(x * 7 + y * 3) % colours.size()]);
  }
  return picture;
}

constexpr std::array<RgbColor, 4> kGreys{0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF};
constexpr std::array<RgbColor, 3> kColours{0x102030, 0xFF0000, 0x00FF80};

// Rows given one by one make the very bytes the whole-picture writer makes: palette, grey
// and RGB PNG files, and BMP files, big enough for the PNG writer to sample its rows.
TEST(PictureRows, WrittenRowsAreTheWholePictureFile) {
  const platform::Surface random = test::RandomPicture(300, 1000, 4);
  const platform::Surface greys = PictureIn(517, 1100, kGreys);
  const platform::Surface colours = PictureIn(33, 21, kColours);
  struct Case {
    const platform::Surface* picture;
    std::span<const RgbColor> colours;
  };
  for (const Case& c : {Case{&random, {}}, Case{&greys, kGreys}, Case{&colours, kColours}}) {
    for (const char* name : {"a.png", "a.bmp"}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(c.picture->Width()));
      const ByteString whole = PictureFileBytes(name, *c.picture, c.colours).Value();
      EXPECT_EQ(Written(name, c.picture->Width(), c.picture->Height(), RowsOf(*c.picture), c.colours), whole);
    }
  }
}

// The colours are taken on trust, and a pixel of another colour fails the write; so does a
// row that cannot be had.
TEST(PictureRows, AColourBeyondTheColoursOrAMissingRowFailsTheWrite) {
  platform::Surface picture = PictureIn(16, 8, kGreys);
  picture.SetPixel(3, 5, 0x123456);
  ByteString out;
  platform::StringSink sink(out);
  EXPECT_FALSE(WritePictureRows("a.png", 16, 8, RowsOf(picture), kGreys, sink));
  const RowAt missing = [&picture](int y) { return y == 6 ? std::span<const RgbColor>() : picture.Row(y); };
  for (const char* name : {"b.png", "b.bmp"})
    EXPECT_FALSE(WritePictureRows(name, 16, 8, missing, {}, sink)) << name;
}

// A PNG is not held to the picture limits: 40000 rows of a black and white picture, read
// back through libspng, with the writer's memory growing by far less than the picture.
TEST(PictureRows, APngTallerThanThePictureLimitsIsWritten) {
  constexpr int kWidth = 24;
  constexpr int kHeight = 40000;
  static_assert(kHeight > kMaxPictureSide);
  constexpr std::array<RgbColor, 2> kBlackWhite{kBlack, kWhite};
  std::vector<RgbColor> row(kWidth);
  const RowAt rowAt = [&row](int y) {
    for (int x = 0; x < kWidth; ++x) row[static_cast<std::size_t>(x)] = ((x + y) % 3 == 0) ? kWhite : kBlack;
    return std::span<const RgbColor>(row);
  };
  ByteString png;
  const auto growth =
      test::PeakGrowth([&] { png = Written("tall.png", kWidth, kHeight, rowAt, kBlackWhite); });
  if (growth) {
    EXPECT_LT(*growth, std::uint64_t{2} << 20);
  }

  std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
  spng_set_png_buffer(ctx.get(), png.data(), png.size());
  spng_ihdr ihdr{};
  ASSERT_EQ(spng_get_ihdr(ctx.get(), &ihdr), 0);
  EXPECT_EQ(ihdr.width, std::uint32_t{kWidth});
  EXPECT_EQ(ihdr.height, std::uint32_t{kHeight});
  EXPECT_EQ(ihdr.bit_depth, 1);
  ASSERT_EQ(spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE), 0);
  std::array<std::uint8_t, 3> packed{};
  for (int y = 0; y < kHeight; ++y) {
    const int error = spng_decode_row(ctx.get(), packed.data(), packed.size());
    ASSERT_TRUE(error == 0 || error == SPNG_EOI) << spng_strerror(error);
    for (int x = 0; x < kWidth; ++x) {
      const bool white = (packed[static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
      ASSERT_EQ(white, (x + y) % 3 == 0) << "pixel (" << x << ", " << y << ")";
    }
  }
}

// Every row as the whole-picture reader reads it, top row first.
void ExpectRowsRead(const std::string& path) {
  auto whole = ReadPicture(path);
  ASSERT_TRUE(whole) << whole.Error();
  auto rows = OpenPictureRows(path);
  ASSERT_NE(rows, nullptr) << path;
  ASSERT_EQ(rows->Width(), whole.Value().Width());
  ASSERT_EQ(rows->Height(), whole.Value().Height());
  std::vector<RgbColor> row(static_cast<std::size_t>(rows->Width()));
  for (int y = 0; y < rows->Height(); ++y) {
    ASSERT_TRUE(rows->Next(row)) << path << " row " << y;
    const auto want = whole.Value().Row(y);
    ASSERT_TRUE(std::equal(want.begin(), want.end(), row.begin())) << path << " row " << y;
  }
  EXPECT_TRUE(rows->Finish()) << path;
}

// PNG files of every kind the writer makes and BMP files bottom-up and top-down, the
// bottom-up one in more than one stretch of rows.
TEST(PictureRows, FilesReadByRowsAsWhole) {
  test::TempDir dir;
  const platform::Surface random = test::RandomPicture(600, 700, 9);
  ASSERT_TRUE(WritePicture(dir.File("rgb.png"), random));
  ASSERT_TRUE(WritePicture(dir.File("bgr.bmp"), random));
  ASSERT_TRUE(WritePicture(dir.File("grey.png"), PictureIn(37, 11, kGreys), kGreys));
  ASSERT_TRUE(WritePicture(dir.File("palette.png"), PictureIn(37, 11, kColours), kColours));
  // Top-down: the height negated and the rows in picture order.
  const platform::Surface small = test::RandomPicture(5, 3, 2);
  ByteString bmp = PictureFileBytes("x.bmp", small).Value();
  const std::size_t stride = 16;
  ByteString topDown(bmp.begin(), bmp.begin() + 54);
  for (int stored = 2; stored >= 0; --stored) {
    const auto from = bmp.begin() + 54 + static_cast<std::ptrdiff_t>(stride) * stored;
    topDown.insert(topDown.end(), from, from + static_cast<std::ptrdiff_t>(stride));
  }
  topDown[22] = 0xFD;  // -3
  for (std::size_t i = 23; i < 26; ++i) topDown[i] = 0xFF;
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("top.bmp"), topDown));
  for (const char* name : {"rgb.png", "bgr.bmp", "grey.png", "palette.png", "top.bmp"})
    ExpectRowsRead(dir.File(name));
}

// A pixel that is not opaque stops the rows (the whole reader keeps its alpha); a cut file
// is refused; other kinds are read whole.
TEST(PictureRows, TransparencyAndCutFilesStopTheRows) {
  test::TempDir dir;
  ByteString rgba;
  {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{4, 2, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    spng_set_ihdr(ctx.get(), &ihdr);
    std::array<std::uint8_t, 32> pixels{};
    pixels.fill(255);
    pixels[4 * 5 + 3] = 128;  // pixel (1, 1)
    ASSERT_EQ(spng_encode_image(ctx.get(), pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE),
              0);
    int error = 0;
    std::size_t size = 0;
    void* buffer = spng_get_png_buffer(ctx.get(), &size, &error);
    ASSERT_NE(buffer, nullptr);
    rgba.assign(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + size);
    std::free(buffer);
  }
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("alpha.png"), rgba));
  auto rows = OpenPictureRows(dir.File("alpha.png"));
  ASSERT_NE(rows, nullptr);
  std::vector<RgbColor> row(4);
  EXPECT_TRUE(rows->Next(row));
  EXPECT_FALSE(rows->Next(row));

  ByteString png = PictureFileBytes("x.png", test::RandomPicture(64, 64, 1)).Value();
  png.resize(png.size() / 2);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("cut.png"), png));
  // Refused at the start (its pixel data lies in one chunk, cut) or at a row.
  if (auto cut = OpenPictureRows(dir.File("cut.png"))) {
    std::vector<RgbColor> wide(64);
    bool failed = false;
    for (int y = 0; y < 64 && !failed; ++y) failed = !cut->Next(wide);
    EXPECT_TRUE(failed || !cut->Finish());
  }

  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("a.gif"), ByteString{'G', 'I', 'F', '8', '9', 'a'}));
  EXPECT_EQ(OpenPictureRows(dir.File("a.gif")), nullptr);
  EXPECT_EQ(OpenPictureRows(dir.File("missing.png")), nullptr);
}

// A picture taller than the picture limits is read by rows only when the caller takes tall
// pictures; the whole-picture reader keeps the limits. PNG and BMP, 8 by 40000.
TEST(PictureRows, ATallPictureIsReadByRowsOnlyWhenAskedFor) {
  test::TempDir dir;
  constexpr int kHeight = 40000;
  std::array<RgbColor, 8> row{};
  // Pixel (x, y) is white where bit 7 - x of y mod 251 is set.
  auto white = [](int x, int y) { return ((y % 251) >> (7 - x) & 1) != 0; };
  const RowAt rowAt = [&](int y) {
    for (int x = 0; x < 8; ++x) row[static_cast<std::size_t>(x)] = white(x, y) ? kWhite : kBlack;
    return std::span<const RgbColor>(row);
  };
  constexpr std::array<RgbColor, 2> kBlackWhite{kBlack, kWhite};
  for (const char* name : {"tall.png", "tall.bmp"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    ASSERT_TRUE(platform::WriteFileAtomic(path, Written(name, 8, kHeight, rowAt, kBlackWhite)));
    EXPECT_EQ(OpenPictureRows(path), nullptr);
    EXPECT_FALSE(ReadPicture(path));
    auto rows = OpenPictureRows(path, RowsReach::Tall);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->Width(), 8);
    ASSERT_EQ(rows->Height(), kHeight);
    std::vector<RgbColor> got(8);
    for (int y = 0; y < kHeight; ++y) {
      ASSERT_TRUE(rows->Next(got)) << "row " << y;
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(got[static_cast<std::size_t>(x)], white(x, y) ? kWhite : kBlack) << x << ", " << y;
    }
    EXPECT_TRUE(rows->Finish());
  }
}

// An 8-bit BMP of `width` by `height` indices (row-major, top row first) with a colour
// table of `palette`, stored bottom-up.
ByteString IndexedBmp(int width, int height, std::span<const std::uint8_t> indices,
                      std::span<const RgbColor> palette) {
  const auto stride = static_cast<std::size_t>((width + 3) / 4 * 4);
  const auto offset = static_cast<std::uint32_t>(54 + 4 * palette.size());
  ByteString bmp(offset + stride * static_cast<std::size_t>(height), 0);
  auto put32 = [&bmp](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bmp.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bmp[26] = 1;  // planes
  bmp[28] = 8;  // bits a pixel
  put32(46, static_cast<std::uint32_t>(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    bmp[54 + 4 * i] = static_cast<std::uint8_t>(BlueOf(palette[i]));
    bmp[55 + 4 * i] = static_cast<std::uint8_t>(GreenOf(palette[i]));
    bmp[56 + 4 * i] = static_cast<std::uint8_t>(RedOf(palette[i]));
  }
  for (int y = 0; y < height; ++y) {
    const std::size_t stored = offset + stride * static_cast<std::size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x)
      bmp[stored + static_cast<std::size_t>(x)] = indices[static_cast<std::size_t>(y * width + x)];
  }
  return bmp;
}

// The stored indices and palette of a palette PNG and of a BMP with a colour table, read
// by rows, are those the file holds; a file of colours has none.
TEST(PictureRows, StoredIndicesAreReadByRows) {
  test::TempDir dir;
  constexpr int kWidth = 7;
  constexpr int kHeight = 5;
  std::vector<std::uint8_t> indices(kWidth * kHeight);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i * 5 % 3);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("p.png"),
                                        IndexedPngBytes(kWidth, kHeight, indices, kColours, 2).Value()));
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("p.bmp"), IndexedBmp(kWidth, kHeight, indices, kColours)));
  for (const char* name : {"p.png", "p.bmp"}) {
    SCOPED_TRACE(name);
    auto rows = OpenPictureRows(dir.File(name));
    ASSERT_NE(rows, nullptr);
    ASSERT_TRUE(rows->Indexed());
    EXPECT_TRUE(std::ranges::equal(rows->Palette(), kColours));
    std::vector<RgbColor> colours(kWidth);
    std::vector<std::uint8_t> got(kWidth);
    for (int y = 0; y < kHeight; ++y) {
      ASSERT_TRUE(rows->Next(colours, got));
      for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t want = indices[static_cast<std::size_t>(y * kWidth + x)];
        EXPECT_EQ(got[static_cast<std::size_t>(x)], want) << x << ", " << y;
        EXPECT_EQ(colours[static_cast<std::size_t>(x)], kColours[want]) << x << ", " << y;
      }
    }
  }
  ASSERT_TRUE(WritePicture(dir.File("rgb.png"), PictureIn(4, 4, kColours)));
  auto rows = OpenPictureRows(dir.File("rgb.png"));
  ASSERT_NE(rows, nullptr);
  EXPECT_FALSE(rows->Indexed());
}

}  // namespace
}  // namespace glyphon::imageio
