// SPDX-License-Identifier: MIT
#include "imageio/picture_file.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <spng.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <algorithm>

#include "imageio/qt_picture_reader.h"
#include "platform/file_io.h"
#include "support/peak_memory.h"
#include "support/test_support.h"

namespace glyphon::imageio {
namespace {

ByteString AsBytes(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

ByteString Cut(ByteString bytes, std::size_t drop) {
  bytes.resize(bytes.size() - drop);
  return bytes;
}

ByteString PngOf(const platform::Surface& picture, std::span<const RgbColor> colours = {}) {
  return PictureFileBytes("x.png", picture, colours).Value();
}

// An uncompressed BMP with a 40-byte header: a grey colour table at 1 to 8 bits, 5-5-5 at
// 16 bits, BGR and BGRX above; the pixel bytes count up so that every row differs.
ByteString BmpOfDepth(int width, int height, int bits) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const int stride = (width * bits + 31) / 32 * 4;
  const int offset = 54 + 4 * colours;
  ByteString out(static_cast<std::size_t>(offset + stride * height), 0);
  auto put32 = [&](std::size_t at, int v) {
    for (int i = 0; i < 4; ++i)
      out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<int>(out.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  out[26] = 1;
  out[28] = static_cast<std::uint8_t>(bits);
  for (int i = 0; i < colours; ++i) {
    const auto grey = static_cast<std::uint8_t>(i * 255 / (colours - 1));
    for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>(54 + 4 * i + c)] = grey;
  }
  for (std::size_t i = static_cast<std::size_t>(offset); i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(i * 7);
  return out;
}

// A 2-colour RLE8 BMP of 4 by 2: a run of index 1 on the bottom row, of index 0 on the
// top row, then the end-of-picture escape.
ByteString Rle8Bmp() {
  ByteString out = BmpOfDepth(4, 2, 1);
  out.resize(54);
  out[10] = 62;
  out[30] = 1;  // RLE8
  out[28] = 8;
  out[46] = 2;  // colours used
  for (int b : {0, 0, 0, 0, 255, 255, 255, 0, 4, 1, 0, 0, 4, 0, 0, 1})
    out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

int AppendGif(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<ByteString*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

// A GIF of one frame through giflib's writer; with `transparent` 0 or more, a graphic
// control block naming that index transparent.
ByteString GifOf(int width, int height, std::vector<std::uint8_t> indices, std::span<const RgbColor> colours,
                 int transparent = -1) {
  int bits = 1;
  while ((1 << bits) < static_cast<int>(colours.size())) ++bits;
  std::vector<GifColorType> table(std::size_t{1} << bits);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    table[i] = {static_cast<GifByteType>(RedOf(colours[i])), static_cast<GifByteType>(GreenOf(colours[i])),
                static_cast<GifByteType>(BlueOf(colours[i]))};
  }
  ByteString out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGif, &error);
  ColorMapObject* map = GifMakeMapObject(1 << bits, table.data());
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  if (transparent >= 0) {
    // Graphic control: flags (bit 0: transparent index given), delay (2 bytes), the index.
    const GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(transparent)};
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  }
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  for (int y = 0; y < height; ++y) EGifPutLine(gif, indices.data() + y * width, width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

ByteString JpegOf(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 4, y * 4, 128));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, "jpeg").write(image);
  return ByteString(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> CountingIndices(int count, int modulo) {
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    indices[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 5 + i / 7) % modulo);
  return indices;
}

// A PNG through libspng's own encoder: `width` by 5 pixels of counting bytes, a full
// palette for palette files, and with `transparency` a tRNS chunk of the colour type's kind.
ByteString SpngFile(int colourType, int depth, bool interlaced, bool transparency) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = 13;
  ihdr.height = 5;
  ihdr.bit_depth = static_cast<std::uint8_t>(depth);
  ihdr.color_type = static_cast<std::uint8_t>(colourType);
  ihdr.interlace_method = interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
  spng_set_ihdr(ctx, &ihdr);
  if (colourType == SPNG_COLOR_TYPE_INDEXED) {
    spng_plte plte{};
    plte.n_entries = 1u << depth;
    for (std::uint32_t i = 0; i < plte.n_entries; ++i)
      plte.entries[i] = {static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                         static_cast<std::uint8_t>(i * 7), 255};
    spng_set_plte(ctx, &plte);
  }
  if (transparency) {
    spng_trns trns{};
    trns.gray = 1;
    trns.red = trns.green = trns.blue = 1;
    trns.n_type3_entries = 2;
    spng_set_trns(ctx, &trns);
  }
  const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
  ByteString rows(static_cast<std::size_t>((13 * channels * depth + 7) / 8 * 5));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 97 + i / 3);
  int error = spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  std::size_t length = 0;
  auto* png = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &length, &error));
  ByteString out(png, png + length);
  std::free(png);
  spng_ctx_free(ctx);
  return out;
}

// What libspng's conversion to 8-bit RGBA draws for a PNG, alpha dropped.
platform::Surface SpngColours(const ByteString& png) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, png.data(), png.size());
  spng_ihdr ihdr{};
  spng_get_ihdr(ctx, &ihdr);
  auto out = platform::Surface::Picture(static_cast<int>(ihdr.width), static_cast<int>(ihdr.height));
  spng_decode_image(ctx, out.Row(0).data(), out.Pixels().size() * 4, SPNG_FMT_RGBA8, 0);
  for (int y = 0; y < out.Height(); ++y)
    std::ranges::for_each(out.Row(y), [](RgbColor& c) { c &= 0xFFFFFF; });
  spng_ctx_free(ctx);
  return out;
}

// The alpha libspng's 8-bit RGBA conversion gives with tRNS applied, row-major.
std::vector<std::uint8_t> SpngAlpha(const ByteString& png) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, png.data(), png.size());
  spng_ihdr ihdr{};
  spng_get_ihdr(ctx, &ihdr);
  std::vector<std::uint8_t> rgba(std::size_t{ihdr.width} * ihdr.height * 4);
  spng_decode_image(ctx, rgba.data(), rgba.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
  spng_ctx_free(ctx);
  std::vector<std::uint8_t> alpha;
  for (std::size_t i = 3; i < rgba.size(); i += 4) alpha.push_back(rgba[i]);
  return alpha;
}

TEST(PictureFile, BmpAndPngRoundTripEveryColourExactly) {
  test::TempDir dir;
  const platform::Surface picture = test::RandomPicture(13, 7, 3);
  for (const char* name : {"a.bmp", "a.png", "A.BMP", "a"}) {
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
  EXPECT_EQ(bytes.at(28), 24);
  EXPECT_EQ(ReadPicture(dir.File("partner.bmp2")).Value(), picture);
}

// Every kind, cut where a careless reader would still show a picture: the whole file must
// read, the cut one must be refused as truncated, naming its kind.
TEST(PictureFile, EveryKindRefusesACutFile) {
  struct Case {
    std::string name;
    ByteString whole;
    std::size_t drop;
    const char* kind;
  };
  const auto grey4 = CountingIndices(40 * 30, 4);
  const RgbColor greys[] = {kBlack, GreyColor(85), GreyColor(170), kWhite};
  const ByteString gif = GifOf(40, 30, grey4, greys);
  const ByteString png = PngOf(test::RandomPicture(64, 64, 2));
  std::vector<Case> cases = {
      {"png cut in half", png, png.size() / 2, "PNG"},
      {"png without its end chunk", png, 12, "PNG"},
      {"24-bit bmp 3 by 16 missing 12 bytes", BmpOfDepth(3, 16, 24), 12, "BMP"},
      {"rle8 bmp without its end escape", Rle8Bmp(), 2, "BMP"},
      {"gif cut at 33 bytes", gif, gif.size() - 33, "GIF"},
      {"gif without its trailer", gif, 1, "GIF"},
      {"jpeg cut in half", JpegOf(64, 64), JpegOf(64, 64).size() / 2, "JPEG"},
  };
  // A 3-pixel row leaves padding at every depth but 32 bits: cut inside the last padding.
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    const int used = (3 * bits + 7) / 8, stride = (3 * bits + 31) / 32 * 4;
    cases.push_back({std::to_string(bits) + "-bit bmp 3 by 16 missing its last padding",
                     BmpOfDepth(3, 16, bits), static_cast<std::size_t>(stride > used ? stride - used : 1),
                     "BMP"});
  }
  for (const Case& c : cases) {
    auto whole = ReadAnyPictureBytes(c.whole);
    EXPECT_TRUE(whole.Ok()) << c.name << ": " << (whole.Ok() ? "" : whole.Error());
    auto cut = ReadAnyPictureBytes(Cut(c.whole, c.drop));
    ASSERT_FALSE(cut.Ok()) << c.name;
    EXPECT_NE(cut.Error().find("truncated"), std::string::npos) << c.name << ": " << cut.Error();
    EXPECT_NE(cut.Error().find(c.kind), std::string::npos) << c.name << ": " << cut.Error();
  }
}

// Only a GIF's first frame is shown; the frames after it are walked to the trailer (a cut
// or a stray byte anywhere is still refused) without keeping anything of them: a million
// frames cost no more than one.
TEST(PictureFile, AGifCostsItsFirstFrameWhateverFollows) {
  const RgbColor colours[] = {kWhite, kBlack};
  const ByteString first = Cut(GifOf(1, 1, {1}, colours), 1);  // without its trailer
  // A 1 by 1 frame: descriptor, flags (0x80: a local table of 2 colours, 6 bytes, follows),
  // LZW code size 2, one sub-block of the codes clear, 0, end, the end of the sub-blocks.
  const ByteString plain = test::Bytes({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 2, 2, 0x44, 0x01, 0});
  const ByteString local =
      test::Bytes({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x80, 1, 2, 3, 4, 5, 6, 2, 2, 0x44, 0x01, 0});
  const ByteString comment = test::Bytes({0x21, 0xFE, 3, 'a', 'b', 'c', 0});
  auto gif = [&](std::initializer_list<const ByteString*> parts, std::size_t repeat, ByteString end) {
    ByteString out = first;
    for (std::size_t i = 0; i < repeat; ++i)
      for (const ByteString* part : parts) out.insert(out.end(), part->begin(), part->end());
    out.insert(out.end(), end.begin(), end.end());
    return out;
  };
  struct Case {
    const char* name;
    ByteString bytes;
    const char* error;  // empty: read
  };
  const Case cases[] = {
      {"frames, a local table, a comment", gif({&plain, &local, &comment}, 2, {0x3B}), ""},
      {"cut inside a later frame's table", Cut(gif({&local}, 1, {0x3B}), 10), "the GIF file is truncated"},
      {"cut inside a later sub-block", Cut(gif({&comment}, 1, {}), 2), "the GIF file is truncated"},
      {"no trailer after a later frame", gif({&plain}, 1, {}), "the GIF file is truncated"},
      {"a stray byte after a later frame", gif({&plain}, 1, {0x00, 0x3B}), "damaged"},
  };
  for (const Case& c : cases) {
    auto read = ReadPictureFileBytes(c.bytes);
    if (*c.error == 0) {
      ASSERT_TRUE(read.Ok()) << c.name << ": " << read.Error();
      EXPECT_EQ(read.Value().pixels.GetPixel(0, 0), kBlack) << c.name;
    } else {
      ASSERT_FALSE(read.Ok()) << c.name;
      EXPECT_NE(read.Error().find(c.error), std::string::npos) << c.name << ": " << read.Error();
    }
  }
  const ByteString animation = gif({&plain}, 1'000'000, {0x3B});
  bool read = false;
  const auto growth = test::PeakGrowth([&] { read = ReadPictureFileBytes(animation).Ok(); });
  EXPECT_TRUE(read);
  if (!growth) GTEST_SKIP() << "the peak resident size cannot be measured here";
  EXPECT_LT(*growth, std::uint64_t{8} << 20) << "peak growth " << (*growth >> 20) << " MiB";
}

// A BMP read from disk, a stretch of rows at a time, reads as its bytes do: the same
// picture, indices and palette, or the same refusal.
TEST(PictureFile, BmpFilesReadAsTheirBytes) {
  test::TempDir dir;
  ByteString tooWide = BmpOfDepth(16, 16, 24);
  tooWide[20] = 0x01;
  const ByteString large = PictureFileBytes("x.bmp", test::RandomPicture(700, 500, 7)).Value();
  std::vector<std::pair<std::string, ByteString>> cases = {
      {"rle8", Rle8Bmp()},
      {"rle8 cut", Cut(Rle8Bmp(), 2)},
      {"header only", ByteString(tooWide.begin(), tooWide.begin() + 20)},
      {"too wide", tooWide},
      {"two stretches of rows", large},
      {"two stretches, cut", Cut(large, 1)},
  };
  for (int bits : {1, 4, 8, 16, 24, 32})
    cases.push_back({std::to_string(bits) + " bits", BmpOfDepth(3, 16, bits)});
  for (const auto& [name, bytes] : cases) {
    ASSERT_TRUE(platform::WriteFileAtomic(dir.File("p.bmp"), bytes).Ok());
    const auto fromBytes = ReadPictureFileBytes(bytes);
    const auto fromFile = ReadPictureFile(dir.File("p.bmp"));
    ASSERT_EQ(fromFile.Ok(), fromBytes.Ok()) << name;
    if (!fromBytes.Ok()) {
      EXPECT_EQ(fromFile.Error(), fromBytes.Error()) << name;
      continue;
    }
    EXPECT_EQ(fromFile.Value().pixels, fromBytes.Value().pixels) << name;
    EXPECT_EQ(fromFile.Value().indices, fromBytes.Value().indices) << name;
    EXPECT_EQ(fromFile.Value().palette, fromBytes.Value().palette) << name;
    EXPECT_EQ(ReadPicture(dir.File("p.bmp")).Value(), fromBytes.Value().pixels) << name;
  }
}

TEST(PictureFile, RefusesBadInputWithAReason) {
  ByteString hugeBmp = BmpOfDepth(16, 16, 24);
  hugeBmp[20] = 0x01;  // width 0x10010
  ByteString bmpBitFieldsAt24 = BmpOfDepth(4, 4, 24);
  bmpBitFieldsAt24[30] = 3;
  ByteString jpeg = JpegOf(8, 8);
  struct Case {
    const char* name;
    ByteString bytes;
    const char* reasonContains;
  };
  for (const Case& c :
       {Case{"bmp header only", ByteString(hugeBmp.begin(), hugeBmp.begin() + 20), "truncated"},
        Case{"bmp too wide", hugeBmp, "32767"},
        Case{"bmp bit fields at 24 bits", bmpBitFieldsAt24, "bit fields"},
        Case{"jpeg outside the app", jpeg, "a JPEG file"},
        Case{"tiff", test::Bytes({'I', 'I', 42, 0, 8, 0, 0, 0}), "a TIFF file"},
        Case{"not a picture", AsBytes("hello, this is text"), "not a picture"},
        Case{"empty", ByteString{}, "empty"}}) {
    auto read = ReadPictureBytes(c.bytes);
    ASSERT_FALSE(read.Ok()) << c.name;
    EXPECT_NE(read.Error().find(c.reasonContains), std::string::npos) << c.name << ": " << read.Error();
  }
}

TEST(PictureFile, RefusesPicturesBeyondTheLimitsBeforeDecoding) {
  // A header promising 20000 by 20000 (1.6 GB of pixels) and 40000 by 1, with no data.
  for (auto [width, height] : {std::pair{20000, 20000}, std::pair{40000, 1}}) {
    ByteString png = PngOf(test::Filled(1, 1, kBlack));
    for (int i = 0; i < 4; ++i) {
      png[16 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
      png[20 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    auto read = ReadPictureBytes(png);
    ASSERT_FALSE(read.Ok()) << width;
    EXPECT_NE(read.Error().find("32767"), std::string::npos) << read.Error();
  }
}

// Indexed files give back what they store: palette PNGs at every depth (a width that
// leaves part of a byte), BMPs with a colour table, RLE8 and GIF.
TEST(PictureFile, IndexedFilesGiveTheirIndicesAndPalette) {
  struct Case {
    std::string name;
    ByteString bytes;
    std::vector<std::uint8_t> indices;
    std::vector<RgbColor> palette;
  };
  std::vector<Case> cases;
  for (int bits : {1, 2, 4, 8}) {
    std::vector<RgbColor> palette;
    for (int i = 0; i < (1 << bits) - (bits > 1 ? 1 : 0); ++i) palette.push_back(Rgb(i * 3, 255 - i, i * 7));
    auto indices = CountingIndices(13 * 5, static_cast<int>(palette.size()));
    cases.push_back({"png " + std::to_string(bits) + " bits",
                     IndexedPngBytes(13, 5, indices, palette, bits).Value(), indices, palette});
  }
  const RgbColor greys[] = {kBlack, GreyColor(85), GreyColor(170), kWhite};
  const auto gifIndices = CountingIndices(9 * 4, 4);
  cases.push_back({"gif", GifOf(9, 4, gifIndices, greys), gifIndices, {std::begin(greys), std::end(greys)}});
  cases.push_back({"rle8 bmp", Rle8Bmp(), {0, 0, 0, 0, 1, 1, 1, 1}, {kBlack, kWhite}});
  // BmpOfDepth's 1-bit rows: the first stored byte of each row gives the top three bits.
  const ByteString bmp1 = BmpOfDepth(3, 2, 1);
  std::vector<std::uint8_t> bmp1Indices;
  for (std::size_t row : {1u, 0u}) {
    for (int bit = 7; bit > 4; --bit)
      bmp1Indices.push_back(static_cast<std::uint8_t>((bmp1[62 + 4 * row] >> bit) & 1));
  }
  cases.push_back({"1-bit bmp", bmp1, bmp1Indices, {kBlack, kWhite}});

  for (const Case& c : cases) {
    auto read = ReadPictureFileBytes(c.bytes);
    ASSERT_TRUE(read.Ok()) << c.name << ": " << read.Error();
    const PictureFile& file = read.Value();
    EXPECT_EQ(file.indices, c.indices) << c.name;
    EXPECT_EQ(file.palette, c.palette) << c.name;
    const int width = file.pixels.Width();
    for (std::size_t i = 0; i < c.indices.size(); ++i) {
      ASSERT_EQ(file.pixels.GetPixel(static_cast<int>(i) % width, static_cast<int>(i) / width),
                c.palette[c.indices[i]])
          << c.name << " pixel " << i;
    }
  }
}

// Decoded pictures are written at the depth of their colours: IHDR byte 24 is the bit
// depth, byte 25 the colour type (0 grey, 2 RGB, 3 palette).
TEST(PictureFile, PngOutputTakesTheDepthOfTheDecodedColours) {
  std::vector<RgbColor> ramp2 = {kBlack, GreyColor(128), GreyColor(192), kWhite};
  std::vector<RgbColor> ramp3, ramp4, ramp8;
  for (int v = 0; v < 8; ++v) ramp3.push_back(GreyColor((510 * v + 7) / 14));
  for (int v = 0; v < 16; ++v) ramp4.push_back(GreyColor(17 * v));
  for (int v = 0; v < 256; ++v) ramp8.push_back(GreyColor(v));
  struct Case {
    const char* name;
    std::vector<RgbColor> colours;
    int depth;
    int colourType;
  };
  for (const Case& c : {Case{"black and white", {kBlack, kWhite}, 1, 0}, Case{"2-bit greys", ramp2, 2, 3},
                        Case{"3-bit greys", ramp3, 4, 3}, Case{"4-bit greys", ramp4, 4, 0},
                        Case{"8-bit greys", ramp8, 8, 0}, Case{"direct colour", {}, 8, 2}}) {
    platform::Surface picture = platform::Surface::Picture(19, 11);
    for (int i = 0; i < 19 * 11; ++i) {
      picture.SetPixel(i % 19, i / 19,
                       c.colours.empty() ? Rgb(i, 2 * i, 3 * i)
                                         : c.colours[static_cast<std::size_t>(i * 7) % c.colours.size()]);
    }
    const ByteString png = PngOf(picture, c.colours);
    EXPECT_EQ(png.at(24), c.depth) << c.name;
    EXPECT_EQ(png.at(25), c.colourType) << c.name;
    EXPECT_EQ(ReadPictureBytes(png).Value(), picture) << c.name;
  }
  // A pixel outside the colours given falls back to RGB rather than losing it.
  platform::Surface odd = test::Filled(4, 4, kWhite);
  odd.SetPixel(3, 3, Rgb(1, 2, 3));
  EXPECT_EQ(PngOf(odd, ramp2).at(25), 2);
}

// Every kind of PNG reads as libspng's conversion to 8-bit RGBA draws it: each colour type
// at each of its depths, interlaced or not, with and without a tRNS chunk.
// A GIF's transparent index is alpha 0 wherever it stands; the others are opaque.
TEST(PictureFile, GifTransparentIndexIsAlphaZero) {
  const RgbColor colours[] = {kWhite, Rgb(10, 20, 30), kBlack, Rgb(1, 2, 3)};
  const ByteString gif = GifOf(4, 1, {0, 1, 2, 1}, colours, 1);
  auto file = ReadPictureColoursBytes(gif);
  ASSERT_TRUE(file.Ok()) << file.Error();
  EXPECT_EQ(file.Value().alpha, (std::vector<std::uint8_t>{255, 0, 255, 0}));
  // Without a transparent index there is no alpha plane.
  auto opaque = ReadPictureColoursBytes(GifOf(4, 1, {0, 1, 2, 1}, colours));
  ASSERT_TRUE(opaque.Ok());
  EXPECT_TRUE(opaque.Value().alpha.empty());
}

TEST(PictureFile, PngKindsReadAsLibspngDrawsThem) {
  const std::pair<int, std::vector<int>> kinds[] = {{SPNG_COLOR_TYPE_GRAYSCALE, {1, 2, 4, 8, 16}},
                                                    {SPNG_COLOR_TYPE_TRUECOLOR, {8, 16}},
                                                    {SPNG_COLOR_TYPE_INDEXED, {1, 2, 4, 8}},
                                                    {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, {8, 16}},
                                                    {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, {8, 16}}};
  for (const auto& [colourType, depths] : kinds) {
    const bool hasAlpha =
        colourType == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA || colourType == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    for (int depth : depths) {
      for (bool interlaced : {false, true}) {
        for (bool transparency : hasAlpha ? std::vector{false} : std::vector{false, true}) {
          const std::string name = "type " + std::to_string(colourType) + " depth " + std::to_string(depth) +
                                   (interlaced ? " interlaced" : "") + (transparency ? " tRNS" : "");
          const ByteString png = SpngFile(colourType, depth, interlaced, transparency);
          auto read = ReadPictureBytes(png);
          ASSERT_TRUE(read.Ok()) << name << ": " << read.Error();
          EXPECT_EQ(read.Value(), SpngColours(png)) << name;
          // The alpha plane is libspng's alpha, left empty when every pixel is opaque.
          auto file = ReadPictureColoursBytes(png);
          ASSERT_TRUE(file.Ok()) << name;
          const std::vector<std::uint8_t> alpha = SpngAlpha(png);
          const bool opaque = std::ranges::all_of(alpha, [](std::uint8_t a) { return a == 255; });
          EXPECT_EQ(file.Value().alpha, opaque ? std::vector<std::uint8_t>{} : alpha) << name;
          // The counting bytes hold the key sample 1 at depths below 8, and tRNS makes
          // palette entries 0 and 1 transparent.
          if (transparency && depth < 8) {
            EXPECT_FALSE(file.Value().alpha.empty()) << name;
          }
        }
      }
    }
  }
}

// RGB pictures of 768 KiB: random colours do not deflate and are stored, one colour
// deflates at level 6; both read back whole. The zlib header's second byte, after the
// IHDR and the IDAT's length and name, holds the level: 0x01 up to level 1, 0x9C at 6.
TEST(PictureFile, RowsThatDoNotDeflateAreStored) {
  for (const auto& [picture, level] : {std::pair{test::RandomPicture(512, 512, 5), 0x01},
                                       std::pair{test::Filled(512, 512, Rgb(1, 2, 3)), 0x9C}}) {
    const ByteString png = PngOf(picture);
    EXPECT_EQ(png.at(42), level);
    EXPECT_EQ(ReadPictureBytes(png).Value(), picture) << level;
  }
}

TEST(PictureFile, WriteFailuresSayWhy) {
  test::TempDir dir;
  const RgbColor two[] = {kBlack, kWhite};
  const std::uint8_t beyond[] = {0, 2};
  EXPECT_FALSE(WritePicture(dir.File("a.unknownkind"), test::Filled(1, 1, kBlack)).Ok());
  EXPECT_FALSE(WritePicture(dir.File("a.bmp"), platform::Surface()).Ok());
  EXPECT_FALSE(WritePicture(dir.File("missing/a.bmp"), test::Filled(1, 1, kBlack)).Ok());
  EXPECT_FALSE(IndexedPngBytes(2, 1, beyond, two, 1).Ok());
  EXPECT_FALSE(IndexedPngBytes(2, 1, std::span(beyond, 1), two, 1).Ok());
  EXPECT_FALSE(IndexedPngBytes(2, 1, std::span(beyond, 1), two, 3).Ok());
}

}  // namespace
}  // namespace glyphon::imageio
