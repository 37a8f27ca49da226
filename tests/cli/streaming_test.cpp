// SPDX-License-Identifier: MIT
// encode and decode going band by band give what the whole-picture codecs give, a whole
// ROM decodes to one PNG, and that PNG encodes back to the ROM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spng.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/palette_values.h"
#include "cli/rgba_png.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "palette/palette_file.h"
#include "palette/palette_match.h"
#include "palette/tile_palettes.h"
#include "platform/file_io.h"
#include "support/peak_memory.h"
#include "support/test_support.h"
#include "tiles/map_layout.h"
#include "tiles/tile_set.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;
using cli_test::Words;

// The file the whole-picture path makes: the decoder's picture in its own colours.
ByteString WholeDecode(const formats::FormatInfo& format, const ByteString& data, int width,
                       const std::string& kind) {
  platform::NullProgress quiet;
  const formats::DecodeResult decoded =
      formats::Decode(format, data, width, formats::DecodeMode::ImageGeneration, nullptr, quiet);
  return imageio::PictureFileBytes(kind, decoded.picture, formats::DecoderColours(format.bitsPerPixel))
      .Value();
}

// Tiled, linear and direct-colour formats at widths of whole tiles and of part tiles, to
// PNG and BMP, from a file and from a range of it.
TEST(Streaming, DecodeWritesTheWholePicturesFile) {
  test::TempDir dir;
  const ByteString rom = test::RandomBytes(6000, 3);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), rom));
  for (const char* name : {"4bpp-snes", "2bpp-nes", "1bpp-linear", "4bpp-pce-sprite", "32bpp-n64-true",
                           "8bpp-mode7-int", "4bpp-genesis"}) {
    const formats::FormatInfo& format = *formats::FindFormat(name);
    for (const int width : {64, 20, 7}) {
      for (const char* kind : {"out.png", "out.bmp"}) {
        SCOPED_TRACE(std::string(name) + " " + std::to_string(width) + " " + kind);
        Outcome o =
            RunWith({"decode", "-f", name, "-w", std::to_string(width), dir.File("rom.bin"), dir.File(kind)});
        ASSERT_EQ(o.status, kExitSuccess) << o.err;
        EXPECT_EQ(platform::ReadFileBytes(dir.File(kind)).Value(), WholeDecode(format, rom, width, kind));
        o = RunWith({"decode", "-f", name, "-w", std::to_string(width), "--offset", "100", "--length", "3333",
                     dir.File("rom.bin"), dir.File(kind)});
        ASSERT_EQ(o.status, kExitSuccess) << o.err;
        const ByteString range(rom.begin() + 100, rom.begin() + 3433);
        EXPECT_EQ(platform::ReadFileBytes(dir.File(kind)).Value(), WholeDecode(format, range, width, kind));
      }
    }
  }
}

// The selection read a row at a time is stored as the whole picture's is, from PNG and BMP,
// whole and by --rect.
TEST(Streaming, EncodeStoresWhatTheWholePictureStores) {
  test::TempDir dir;
  const platform::Surface picture = test::RandomPicture(48, 40, 5);
  ASSERT_TRUE(imageio::WritePicture(dir.File("p.png"), picture));
  ASSERT_TRUE(imageio::WritePicture(dir.File("p.bmp"), picture));
  for (const char* name : {"4bpp-snes", "1bpp-linear", "16bpp-bgr555", "4bpp-pce-sprite", "8bpp-mode7-lin"}) {
    const formats::FormatInfo& format = *formats::FindFormat(name);
    for (const std::string& rect : {std::string(), std::string("8,5,32,16"), std::string("3,1,13,9")}) {
      // Without --rect the whole picture, cut to whole 16 by 16 blocks for the sprites.
      convert::Selection sel{0, 0, 48, format.blockSide == 16 ? 32 : 40};
      if (rect == "8,5,32,16") sel = {8, 5, 32, 16};
      if (rect == "3,1,13,9") sel = {3, 1, 13, 9};
      convert::PartnerState partner;
      platform::NullProgress quiet;
      const ByteString want = formats::Encode(format, picture, sel, partner, quiet).Value();
      for (const char* input : {"p.png", "p.bmp"}) {
        SCOPED_TRACE(std::string(name) + " " + input + " " + rect);
        std::vector<std::string> args{"encode", "-f", name, dir.File(input), dir.File("o.dat")};
        if (!rect.empty()) args.insert(args.begin() + 3, {"--rect", rect});
        if (rect.empty() && format.blockSide == 16) args.insert(args.begin() + 3, "--crop");
        const Outcome o = RunWith(args);
        ASSERT_EQ(o.status, kExitSuccess) << o.err;
        EXPECT_EQ(platform::ReadFileBytes(dir.File("o.dat")).Value(), want);
      }
    }
  }
}

// locate looks for the selection as the band encode stores it, read from PNG and BMP rows.
TEST(Streaming, LocateFindsThePictureReadByRows) {
  test::TempDir dir;
  ByteString rom = test::RandomBytes(40000, 6);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), rom));
  const ByteString sprite(rom.begin() + 0x2345, rom.begin() + 0x2345 + 512);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("sprite.dat"), sprite));
  for (const char* kind : {"s.png", "s.bmp"}) {
    ASSERT_EQ(
        RunWith({"decode", "-f", "4bpp-snes", "-w", "32", dir.File("sprite.dat"), dir.File(kind)}).status,
        kExitSuccess);
    const Outcome o = RunWith({"locate", "-f", "4bpp-snes", dir.File(kind), dir.File("rom.bin")});
    EXPECT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(o.out, "0x2345\n") << kind;
  }
}

// A 1 MiB ROM at width 128 in 2 bits a pixel is one PNG of 128 by 32768, one row more than
// a picture may have, written without holding the picture (16 MiB); a BMP is refused.
TEST(Streaming, AWholeRomDecodesToOneTallPng) {
  test::TempDir dir;
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), test::RandomBytes(1 << 20, 8)));
  Outcome o;
  const auto growth = test::PeakGrowth([&] {
    o = RunWith({"decode", "-f", "2bpp-snes/gb", "-w", "128", dir.File("rom.bin"), dir.File("rom.png")});
  });
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  if (growth) {
    EXPECT_LT(*growth, std::uint64_t{6} << 20);
  }
  const ByteString png = platform::ReadFileBytes(dir.File("rom.png")).Value();
  ASSERT_GT(png.size(), 24u);
  // The IHDR chunk's width and height, big-endian after the signature and chunk header.
  auto word = [&png](std::size_t at) {
    return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 | std::uint32_t{png[at + 2]} << 8 |
           png[at + 3];
  };
  EXPECT_EQ(word(16), 128u);
  EXPECT_EQ(word(20), 32768u);

  o = RunWith({"decode", "-f", "2bpp-snes/gb", "-w", "128", dir.File("rom.bin"), dir.File("rom.bmp")});
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_EQ(o.err,
            "glyphon: " + dir.File("rom.bin") +
                ": the picture would be 128 by 32768 pixels, more than 32767 on a side or 67108864 pixels "
                "in all; a BMP file is held to that, a .png OUTPUT is not\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("rom.bmp")));
}

// Pictures taller than the picture limits, 8 pixels wide.
constexpr int kTallRows = 40000;
static_assert(kTallRows > kMaxPictureSide);

// Row y of the black and white picture whose 1-bit rows are the bytes ByteOfRow(y): pixel
// x is white where bit 7 - x is set, as "1bpp Linear" stores a row of 8 pixels in a byte.
std::uint8_t ByteOfRow(int y) {
  return static_cast<std::uint8_t>(y * 37 + (y >> 8));
}

// Writes the picture of ByteOfRow as a PNG or a BMP (by its name), `rows` tall.
void WriteTallPicture(const std::string& path, int rows) {
  std::array<RgbColor, 8> row{};
  const imageio::RowAt rowAt = [&row](int y) {
    for (int x = 0; x < 8; ++x)
      row[static_cast<std::size_t>(x)] = (ByteOfRow(y) >> (7 - x) & 1) != 0 ? kWhite : kBlack;
    return std::span<const RgbColor>(row);
  };
  constexpr std::array<RgbColor, 2> kBlackWhite{kBlack, kWhite};
  ByteString file;
  platform::StringSink sink(file);
  ASSERT_TRUE(imageio::WritePictureRows(path, 8, rows, rowAt, kBlackWhite, sink));
  ASSERT_TRUE(platform::WriteFileAtomic(path, file));
}

// The bytes of rows [first, first + count) of that picture in "1bpp Linear".
ByteString BytesOfRows(int first, int count) {
  ByteString bytes;
  for (int y = first; y < first + count; ++y) bytes.push_back(ByteOfRow(y));
  return bytes;
}

// What decode wrote of a ROM taller than the picture limits encodes back to the ROM's own
// bytes: 1 and 2 bits a pixel, tiled and linear, from its grey or palette PNG under the grey
// and the index rule.
TEST(Streaming, ATallDecodedPngEncodesBackToItsRom) {
  test::TempDir dir;
  struct Case {
    const char* format;
    int bytes;  // 8 pixels a row: kTallRows rows
    const char* values;
  };
  // The Game Boy's four greens: decode draws the values in them and encode finds them again.
  const std::string greens = "#e0f8d0\n#88c070\n#346856\n#081820\n";
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("gb.hex"), ByteString(greens.begin(), greens.end())));
  for (const Case& c :
       {Case{"1bpp-linear", kTallRows, "grey"}, Case{"1bpp-snes", kTallRows, "grey"},
        Case{"2bpp-snes/gb", 2 * kTallRows, "grey"}, Case{"2bpp-snes/gb", 2 * kTallRows, "index"},
        Case{"2bpp-nes", 2 * kTallRows, "index"}, Case{"2bpp-snes/gb", 2 * kTallRows, "palette"},
        Case{"1bpp-linear", kTallRows, "palette"}, Case{"2bpp-snes/gb", 2 * kTallRows, "shade"},
        Case{"4bpp-snes", 4 * kTallRows, "shade"}}) {
    SCOPED_TRACE(std::string(c.format) + " " + c.values);
    const ByteString rom = test::RandomBytes(static_cast<std::size_t>(c.bytes), 11);
    ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), rom));
    // decode draws the values as encode takes them back: the palette's colours, the shades.
    const std::string rule = c.values;
    const std::vector<std::string> palette = rule == "palette"
                                                 ? std::vector<std::string>{"--palette", dir.File("gb.hex")}
                                                 : std::vector<std::string>{};
    std::vector<std::string> args = {"decode", "-f", c.format, "-w", "8"};
    args.insert(args.end(), palette.begin(), palette.end());
    if (rule == "shade") args.insert(args.end(), {"--values", "shade"});
    args.insert(args.end(), {dir.File("rom.bin"), dir.File("rom.png")});
    Outcome o = RunWith(args);
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    args = {"encode", "-f", c.format, "--values", c.values};
    args.insert(args.end(), palette.begin(), palette.end());
    args.insert(args.end(), {dir.File("rom.png"), dir.File("back.bin")});
    o = RunWith(args);
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(platform::ReadFileBytes(dir.File("back.bin"), platform::kRomDataLimit).Value(), rom);
  }
}

// Under --values palette a tall picture is matched a row at a time: a colour not in the
// palette is named at its place below row 32767, and under --nearest the pixels that took
// the nearest colour are counted.
TEST(Streaming, ATallPictureMatchesItsPaletteByRows) {
  test::TempDir dir;
  cli_test::InFolder here(dir.Path());
  WriteTallPicture("tall.png", kTallRows);
  const std::string black = "#000000\n#404040\n";
  ASSERT_TRUE(platform::WriteFileAtomic("black.hex", ByteString(black.begin(), black.end())));
  // Row 39992 is ByteOfRow(39992) = (39992 * 37 + 156) mod 256 = 180 = 0b10110100: its first
  // pixel is white.
  Outcome o = RunWith(Words("encode -f 1bpp-linear --palette black.hex --rect 0,39992,8,8 tall.png out.bin"));
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_EQ(o.err, "glyphon: tall.png: pixel (0, 39992) has colour #ffffff, which is not in the palette\n");
  EXPECT_FALSE(std::filesystem::exists("out.bin"));

  // White is nearer #404040 (value 1) than black, so --nearest stores the rows as they are,
  // and counts their white pixels.
  o = RunWith(
      Words("encode -f 1bpp-linear --palette black.hex --nearest --rect 0,39992,8,8 tall.png out.bin"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  int white = 0;
  for (int y = 39992; y < 40000; ++y) white += std::popcount(ByteOfRow(y));
  EXPECT_EQ(o.err, "glyphon: tall.png: " + std::to_string(white) +
                       " pixels were not in the palette and took the nearest colour\n");
  EXPECT_EQ(platform::ReadFileBytes("out.bin").Value(), BytesOfRows(39992, 8));
}

// A tall picture made row by row, as a PNG and as a BMP, encodes to the bytes of its rows:
// whole, by --rect below row 32767, into a ROM at an offset, and to standard output.
TEST(Streaming, ATallPictureEncodesWholeByRectIntoARomAndToStandardOutput) {
  test::TempDir dir;
  const ByteString rom(50000, 0xA5);
  for (const char* kind : {"tall.png", "tall.bmp"}) {
    SCOPED_TRACE(kind);
    const std::string picture = dir.File(kind);
    WriteTallPicture(picture, kTallRows);
    Outcome o = RunWith({"encode", "-f", "1bpp-linear", picture, dir.File("out.bin")});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(platform::ReadFileBytes(dir.File("out.bin")).Value(), BytesOfRows(0, kTallRows));

    o = RunWith({"encode", "-f", "1bpp-snes", "--rect", "0,32776,8,16", picture, dir.File("rect.bin")});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(platform::ReadFileBytes(dir.File("rect.bin")).Value(), BytesOfRows(32776, 16));

    ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.gb"), rom));
    o = RunWith({"encode", "-f", "1bpp-linear", "--into", dir.File("rom.gb"), "--at", "0x100", picture});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    ByteString want = rom;
    const ByteString rows = BytesOfRows(0, kTallRows);
    std::copy(rows.begin(), rows.end(), want.begin() + 0x100);
    EXPECT_EQ(platform::ReadFileBytes(dir.File("rom.gb")).Value(), want);

    o = RunWith({"encode", "-f", "1bpp-linear", picture, "-"});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(ByteString(o.out.begin(), o.out.end()), rows);
  }
}

// A tall picture that cannot be encoded a row at a time, or whose bytes pass the ROM data
// limit, is refused in one line naming it, saying what would do, and nothing is written;
// so is a cut one.
TEST(Streaming, ATallPictureThatCannotGoByRowsIsRefused) {
  test::TempDir dir;
  cli_test::InFolder here(dir.Path());
  WriteTallPicture("tall.png", kTallRows);
  // 32767 by 4104 pixels, 1 bit a pixel in the file, 2 bytes a pixel in 16bpp BGR555.
  {
    std::vector<RgbColor> black(32767, kBlack);
    const imageio::RowAt rowAt = [&black](int) { return std::span<const RgbColor>(black); };
    constexpr std::array<RgbColor, 1> kOnlyBlack{kBlack};
    ByteString file;
    platform::StringSink sink(file);
    ASSERT_TRUE(imageio::WritePictureRows("wide.png", 32767, 4104, rowAt, kOnlyBlack, sink));
    ASSERT_TRUE(platform::WriteFileAtomic("wide.png", file));
  }
  std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(8, kTallRows, kBlack);
  cli_test::SetRgba(rgba, 8, 3, 33000, kBlack, 0);
  ASSERT_TRUE(platform::WriteFileAtomic("alpha.png", cli_test::RgbaPng(8, kTallRows, rgba)));
  ByteString cut = platform::ReadFileBytes("tall.png").Value();
  cut.resize(cut.size() * 2 / 3);
  ASSERT_TRUE(platform::WriteFileAtomic("cut.png", cut));
  // 8 pixels of 24 bits are 24 bytes a row after the 54-byte header.
  WriteTallPicture("tall.bmp", kTallRows);
  ByteString bmp = platform::ReadFileBytes("tall.bmp").Value();
  bmp.resize(54 + 24 * 30000);
  ASSERT_TRUE(platform::WriteFileAtomic("cut.bmp", bmp));
  {
    // 16-bit grey samples, which only the whole-picture reader converts.
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{8, kTallRows, 16, SPNG_COLOR_TYPE_GRAYSCALE, 0, 0, 0};
    spng_set_ihdr(ctx.get(), &ihdr);
    std::vector<std::uint8_t> samples(std::size_t{8} * 2 * kTallRows, 0);
    ASSERT_EQ(
        spng_encode_image(ctx.get(), samples.data(), samples.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
    std::size_t size = 0;
    int error = 0;
    auto* png = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx.get(), &size, &error));
    ASSERT_NE(png, nullptr);
    ASSERT_TRUE(platform::WriteFileAtomic("sixteen.png", ByteString(png, png + size)));
    std::free(png);
  }

  const std::string tooTall =
      "the picture is 8 by 40000 pixels, more than 32767 on a side or 67108864 pixels in all, so encode "
      "reads it a row at a time, and ";
  struct Case {
    const char* line;
    std::string err;
  };
  for (const Case& c : {
           Case{"-f 2bpp-snes/gb --values index tall.png out.bin",
                "tall.png: the picture stores colours, not palette indices (--values index needs a palette "
                "PNG "
                "or a BMP with a colour table)"},
           Case{"-f 8bpp-mode7-int tall.png out.bin",
                "tall.png: " + tooTall +
                    "8bpp Mode7 Int encodes its partner data from the whole picture; split the picture into "
                    "pictures within those limits"},
           Case{"-f 1bpp-linear --verify tall.png out.bin",
                "tall.png: " + tooTall +
                    "--verify compares the bytes with the whole picture; leave it out and compare them with "
                    "glyphon decode"},
           Case{"-f 1bpp-linear alpha.png out.bin",
                "alpha.png: " + tooTall +
                    "row 33000 holds pixels that are not wholly opaque, which only a picture read whole may; "
                    "make every pixel opaque"},
           Case{
               "-f 16bpp-bgr555 --rect 0,0,32767,4104 wide.png out.bin",
               "wide.png: the selection 0,0,32767,4104 encodes to 268951536 bytes of 16bpp BGR555, more than "
               "the 268435456 bytes (256 MiB) of ROM data glyphon writes; give --rect for a part of the "
               "picture"},
           Case{"-f 1bpp-linear cut.png out.bin", "cut.png: the PNG file is truncated"},
           Case{"-f 1bpp-linear cut.bmp out.bin",
                "cut.bmp: the BMP file is truncated (720000 bytes of pixel data where its header says "
                "960000)"},
           Case{"-f 1bpp-linear sixteen.png out.bin",
                "sixteen.png: the PNG file is of 16-bit samples, which is read only whole, and so at most "
                "32767 "
                "rows tall; save it at 8 bits a sample"},
       }) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> args = Words(c.line);
    args.insert(args.begin(), "encode");
    const Outcome o = RunWith(args);
    EXPECT_EQ(o.status, kExitFailure);
    EXPECT_EQ(o.err, "glyphon: " + c.err + "\n");
    EXPECT_FALSE(std::filesystem::exists("out.bin"));
  }
}

// decode under --values shade and --palette draws band by band what drawing the whole
// picture's values gives (ValuesPictureBytes): the same depth from the largest value, values
// past a short palette in black with the same warning, to PNG and BMP.
TEST(Streaming, DecodeDrawsTheValuesTheWholePictureDraws) {
  test::TempDir dir;
  const ByteString rom = test::RandomBytes(3000, 12);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), rom));
  // Three colours: the values 3 and up of every format but 1bpp lie past them.
  const std::string shortPalette = "#102030\n#f0e0d0\n#4080c0\n";
  ASSERT_TRUE(
      platform::WriteFileAtomic(dir.File("short.hex"), ByteString(shortPalette.begin(), shortPalette.end())));
  struct Rule {
    std::vector<std::string> options;
    ValueOptions values;
  };
  std::vector<Rule> rules(2);
  rules[0].options = {"--values", "shade"};
  rules[0].values.rule = ValueRule::Shade;
  rules[1].options = {"--palette", dir.File("short.hex")};
  rules[1].values.rule = ValueRule::Palette;
  rules[1].values.palette = dir.File("short.hex");
  for (const char* name : {"2bpp-gb", "4bpp-snes", "1bpp-linear", "8bpp-linear", "3bpp-snes"}) {
    const formats::FormatInfo& format = *formats::FindFormat(name);
    platform::NullProgress quiet;
    const formats::DecodeResult decoded =
        formats::Decode(format, rom, 40, formats::DecodeMode::ImageGeneration, nullptr, quiet);
    const platform::Surface& picture = decoded.picture;
    const convert::ValuePlane values =
        formats::ValuesOf(format, picture, {0, 0, picture.Width(), picture.Height()});
    for (const Rule& rule : rules) {
      for (const char* kind : {"out.png", "out.bmp"}) {
        SCOPED_TRACE(std::string(name) + " " + rule.options[0] + " " + kind);
        std::ostringstream warned;
        const ByteString whole = ValuesPictureBytes(rule.values, format, values, kind, kind, warned).Value();
        std::vector<std::string> args = {"decode", "-f", name, "-w", "40"};
        args.insert(args.end(), rule.options.begin(), rule.options.end());
        args.push_back(dir.File("rom.bin"));
        args.push_back(dir.File(kind));
        const Outcome o = RunWith(args);
        ASSERT_EQ(o.status, kExitSuccess) << o.err;
        EXPECT_EQ(platform::ReadFileBytes(dir.File(kind)).Value(), whole);
        EXPECT_EQ(o.err, warned.str());
      }
    }
  }
}

// A whole ROM decodes to one tall PNG in a palette's colours too.
TEST(Streaming, AWholeRomDecodesToOneTallPngInPaletteColours) {
  test::TempDir dir;
  // 1bpp at width 8: a byte a row, 40000 rows.
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), test::RandomBytes(40000, 9)));
  const std::string twoColours = "#102030\n#f0e0d0\n";
  ASSERT_TRUE(
      platform::WriteFileAtomic(dir.File("two.hex"), ByteString(twoColours.begin(), twoColours.end())));
  const Outcome o = RunWith({"decode", "-f", "1bpp-linear", "-w", "8", "--palette", dir.File("two.hex"),
                             dir.File("rom.bin"), dir.File("rom.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "");
  const ByteString png = platform::ReadFileBytes(dir.File("rom.png")).Value();
  ASSERT_GT(png.size(), 50u);
  auto word = [&png](std::size_t at) {
    return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 | std::uint32_t{png[at + 2]} << 8 |
           png[at + 3];
  };
  // IHDR: width, height, then bit depth 1 and colour type 3 (palette); PLTE follows it with
  // the two colours.
  EXPECT_EQ(word(16), 8u);
  EXPECT_EQ(word(20), 40000u);
  EXPECT_EQ(png[24], 1);
  EXPECT_EQ(png[25], 3);
  EXPECT_EQ(word(33), 6u);
  EXPECT_EQ(ByteString(png.begin() + 37, png.begin() + 47),
            test::Bytes({'P', 'L', 'T', 'E', 0x10, 0x20, 0x30, 0xF0, 0xE0, 0xD0}));
}

// untile draws a band of tiles at a time what drawing the whole rebuilt picture gives:
// the decoders' greys, the shade and palette rules (some values beyond a short palette)
// and colour art in per-tile sub-palettes, to PNG and BMP, with the same warnings.
TEST(Streaming, UntileDrawsWhatTheWholePictureDraws) {
  test::TempDir dir;
  std::mt19937 random(11);
  // Three rows of palette entries: 0-3 as the short palette, 4-7 and 8-11 as sub-palettes.
  palette::Palette colours;
  for (int i = 0; i < 12; ++i) colours.colours.push_back(static_cast<RgbColor>(random() & 0xFFFFFF));
  palette::Palette shortPalette{{colours.colours.begin(), colours.colours.begin() + 3}};
  ASSERT_TRUE(
      platform::WriteFileAtomic(dir.File("short.hex"), palette::FindPaletteKind("hex")->write(shortPalette)));
  ASSERT_TRUE(
      platform::WriteFileAtomic(dir.File("all.hex"), palette::FindPaletteKind("hex")->write(colours)));
  for (const char* name : {"2bpp-snes/gb", "4bpp-snes", "8bpp-snes"}) {
    const formats::FormatInfo& format = *formats::FindFormat(name);
    std::vector<tiles::Tile> set(6);
    for (tiles::Tile& tile : set) {
      for (int i = 0; i < 64; ++i)
        tile.Set(i % 8, i / 8, static_cast<std::uint8_t>(random() % (format.bitsPerPixel == 2 ? 4 : 7)));
    }
    // Three tiles across, five rows of them: five bands.
    tiles::TileMap map{3, {}};
    for (int i = 0; i < 15; ++i)
      map.entries.push_back({static_cast<std::uint32_t>(random() % set.size()),
                             static_cast<tiles::Flip>(random() % 4),
                             static_cast<std::uint8_t>(random() % 3)});
    const convert::ValuePlane column = tiles::ColumnOfTiles(set);
    convert::PartnerState partner;
    platform::NullProgress quiet;
    ASSERT_TRUE(platform::WriteFileAtomic(dir.File("set.dat"),
                                          formats::Encode(format, formats::PictureOfValues(format, column),
                                                          {0, 0, 8, column.height}, partner, quiet)
                                              .Value()));
    ASSERT_TRUE(platform::WriteFileAtomic(
        dir.File("map.dat"), tiles::WriteMap(*tiles::FindMapLayout("snes"), map.entries, 0).Value().map));
    const convert::ValuePlane plane = tiles::Rebuild(set, map).Value();
    std::vector<std::uint8_t> paletteOfTile;
    for (const tiles::MapEntry& entry : map.entries) paletteOfTile.push_back(entry.palette);
    for (const std::string kind : {"back.png", "back.bmp"}) {
      const bool png = kind == "back.png";
      struct Rule {
        std::vector<std::string> options;
        ByteString file;
        std::string warning;
      };
      std::vector<Rule> rules;
      rules.push_back({{},
                       imageio::PictureFileBytes(kind, formats::PictureOfValues(format, plane),
                                                 formats::DecoderColours(format.bitsPerPixel))
                           .Value(),
                       ""});
      // The drawn values: a palette PNG whose entries run to the largest value, or colours.
      std::uint8_t largest = 0;
      for (const std::uint8_t v : plane.values) largest = std::max(largest, v);
      const auto drawValues = [&](palette::Palette drawn) {
        if (!png) return imageio::PictureFileBytes(kind, palette::DrawValues(drawn, plane).picture).Value();
        drawn.colours.resize(std::max<std::size_t>(drawn.colours.size(), std::size_t{largest} + 1), kBlack);
        const std::size_t n = drawn.colours.size();
        const int depth = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
        return imageio::IndexedPngBytes(plane.width, plane.height, plane.values, drawn.colours, depth)
            .Value();
      };
      rules.push_back({{"--values", "shade"},
                       drawValues(palette::Palette{formats::ShadeColours(format.bitsPerPixel)}),
                       ""});
      const auto beyondShort = std::ranges::count_if(plane.values, [](std::uint8_t v) { return v >= 3; });
      rules.push_back({{"--values", "palette", "--palette", dir.File("short.hex")},
                       drawValues(shortPalette),
                       std::to_string(beyondShort) + " pixels have values beyond the 3 colours"});
      // Sub-palettes of 4: palette 2's last entry lies beyond the file's 12 colours... of 5
      // entries in all, so values 4 and more are beyond every sub-palette.
      std::int64_t beyond = 0;
      const platform::Surface art =
          palette::DrawInPalettes(plane, paletteOfTile, palette::CutPalettes(colours, 5), beyond);
      if (format.bitsPerPixel >= 4) {
        rules.push_back({{"--values", "colour", "--palette-size", "5", "--palette", dir.File("all.hex")},
                         imageio::PictureFileBytes(kind, art).Value(),
                         std::to_string(beyond) + " pixels have a palette entry beyond the 12 colours"});
      }
      for (const Rule& rule : rules) {
        SCOPED_TRACE(std::string(name) + " " + kind + " " + (rule.options.empty() ? "" : rule.options[1]));
        std::vector<std::string> args{"untile", "-f", name, "--map-layout", "snes", "--width-tiles", "3"};
        args.insert(args.end(), rule.options.begin(), rule.options.end());
        args.insert(args.end(), {dir.File("set.dat"), dir.File("map.dat"), dir.File(kind)});
        const Outcome o = RunWith(args);
        ASSERT_EQ(o.status, kExitSuccess) << o.err;
        EXPECT_EQ(platform::ReadFileBytes(dir.File(kind)).Value(), rule.file);
        if (rule.warning.empty()) {
          EXPECT_EQ(o.err, "");
        } else {
          EXPECT_NE(o.err.find(rule.warning), std::string::npos) << o.err;
        }
      }
    }
  }
}

// tiles reads an opaque picture of the grey rule by bands: the tile set and map are those
// the whole picture gives (read whole here because one pixel is not quite opaque, which
// --alpha-threshold 1 takes as opaque), for pictures of many bands, from PNG and BMP.
TEST(Streaming, TilesByBandsCutsWhatTheWholePictureCuts) {
  test::TempDir dir;
  const formats::FormatInfo& format = *formats::FindFormat("2bpp-snes/gb");
  // 40 by 75 pixels: nine whole bands and three rows that --crop leaves out. Tiles repeat
  // and mirror one another.
  std::mt19937 random(4);
  std::vector<tiles::Tile> pool(7);
  for (tiles::Tile& tile : pool) {
    for (int i = 0; i < 64; ++i) tile.Set(i % 8, i / 8, static_cast<std::uint8_t>(random() % 4));
  }
  convert::ValuePlane plane(40, 80);
  for (int i = 0; i < 50; ++i)
    tiles::PutTile(plane, i % 5, i / 5,
                   tiles::Mirror(pool[random() % pool.size()], static_cast<tiles::Flip>(random() % 4)));
  const platform::Surface whole = formats::PictureOfValues(format, plane);
  platform::Surface sheet = platform::Surface::Picture(40, 75);
  for (int y = 0; y < 75; ++y) std::ranges::copy(whole.Row(y), sheet.Row(y).begin());
  ASSERT_TRUE(imageio::WritePicture(dir.File("sheet.png"), sheet));
  ASSERT_TRUE(imageio::WritePicture(dir.File("sheet.bmp"), sheet));
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < 75; ++y) {
    for (const RgbColor c : sheet.Row(y)) {
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                               static_cast<std::uint8_t>(BlueOf(c)), 255});
    }
  }
  rgba[3] = 254;
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("held.png"), cli_test::RgbaPng(40, 75, rgba)));
  // A tile set to start from: two of the pool's tiles.
  ASSERT_TRUE(RunWith({"encode", "-f", "2bpp-snes/gb", "--rect", "0,0,16,8", dir.File("sheet.png"),
                       dir.File("from.dat")})
                  .status == kExitSuccess);
  const std::vector<std::vector<std::string>> optionSets{
      {},
      {"--dedupe", "--map-out", "m", "--map-layout", "gb"},
      {"--flips", "--map-out", "m", "--map-layout", "snes"},
      {"--flips", "h", "--map-out", "m", "--map-layout", "genesis", "--trim-end", "1"},
      {"--flips", "--tiles-from", dir.File("from.dat"), "--map-out", "m", "--map-layout", "snes"},
      {"--dedupe", "--map-out", "m", "--map-layout", "gbc", "--attr-out", "a", "--priority"},
  };
  for (const auto& options : optionSets) {
    for (const char* input : {"sheet.png", "sheet.bmp"}) {
      SCOPED_TRACE(std::string(input) + " " + (options.empty() ? "" : options[0] + " " + options[1]));
      auto run = [&](const std::string& picture, const std::string& suffix) {
        std::vector<std::string> args{"tiles", "-f", "2bpp-snes/gb", "--crop", "--alpha-threshold", "1"};
        for (const std::string& option : options)
          args.push_back(option == "m" || option == "a" ? dir.File(option + suffix) : option);
        args.insert(args.end(), {dir.File(picture), dir.File("set" + suffix)});
        return RunWith(args);
      };
      const Outcome streamed = run(input, "1"), held = run("held.png", "2");
      ASSERT_EQ(streamed.status, kExitSuccess) << streamed.err;
      ASSERT_EQ(held.status, kExitSuccess) << held.err;
      // The warning of --crop names the file; the rest is alike.
      const auto unnamed = [&](std::string text, const std::string& picture) {
        const std::size_t at = text.find(dir.File(picture));
        return at == std::string::npos ? text : text.replace(at, dir.File(picture).size(), "INPUT");
      };
      EXPECT_EQ(unnamed(streamed.err, input), unnamed(held.err, "held.png"));
      EXPECT_NE(streamed.err.find("--crop left out the bottom 3 rows"), std::string::npos);
      for (const char* output : {"set", "m", "a"}) {
        const std::string a = dir.File(std::string(output) + "1"), b = dir.File(std::string(output) + "2");
        ASSERT_EQ(std::filesystem::exists(a), std::filesystem::exists(b)) << output;
        if (std::filesystem::exists(a)) {
          EXPECT_EQ(platform::ReadFileBytes(a).Value(), platform::ReadFileBytes(b).Value()) << output;
        }
        std::filesystem::remove(a);
        std::filesystem::remove(b);
      }
    }
  }
  // A tile set on standard input is read once: the picture that cannot go by bands is cut
  // whole with the tiles that came in.
  const Outcome fromFile =
      RunWith({"tiles", "-f", "2bpp-snes/gb", "--crop", "--alpha-threshold", "1", "--tiles-from",
               dir.File("from.dat"), dir.File("held.png"), dir.File("set1")});
  ASSERT_EQ(fromFile.status, kExitSuccess) << fromFile.err;
  const int saved = dup(STDIN_FILENO);
  const int from = open(dir.File("from.dat").c_str(), O_RDONLY);
  ASSERT_GE(from, 0);
  dup2(from, STDIN_FILENO);
  close(from);
  const Outcome fromInput = RunWith({"tiles", "-f", "2bpp-snes/gb", "--crop", "--alpha-threshold", "1",
                                     "--tiles-from", "-", dir.File("held.png"), dir.File("set2")});
  dup2(saved, STDIN_FILENO);
  close(saved);
  ASSERT_EQ(fromInput.status, kExitSuccess) << fromInput.err;
  EXPECT_EQ(platform::ReadFileBytes(dir.File("set2")).Value(),
            platform::ReadFileBytes(dir.File("set1")).Value());
}

// tiles then untile through files of many bands gives the picture back byte for byte; a
// picture cut short in its last band, and a picture kind untile cannot write, fail and
// leave no file behind.
TEST(Streaming, TilesAndUntileRoundTripByBands) {
  test::TempDir dir;
  const formats::FormatInfo& format = *formats::FindFormat("4bpp-snes");
  std::mt19937 random(8);
  std::vector<tiles::Tile> pool(5);
  for (tiles::Tile& tile : pool) {
    for (int i = 0; i < 64; ++i) tile.Set(i % 8, i / 8, static_cast<std::uint8_t>(random() % 16));
  }
  convert::ValuePlane plane(48, 96);
  for (int i = 0; i < 72; ++i)
    tiles::PutTile(plane, i % 6, i / 6,
                   tiles::Mirror(pool[random() % pool.size()], static_cast<tiles::Flip>(random() % 4)));
  const platform::Surface picture = formats::PictureOfValues(format, plane);
  for (const std::string kind : {".png", ".bmp"}) {
    SCOPED_TRACE(kind);
    const std::string sheet = dir.File("sheet" + kind), back = dir.File("back" + kind);
    ASSERT_TRUE(imageio::WritePicture(sheet, picture, formats::DecoderColours(4)));
    Outcome o = RunWith({"tiles", "-f", "4bpp-snes", "--flips", "--map-out", dir.File("map.dat"),
                         "--map-layout", "snes", sheet, dir.File("set.dat")});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(platform::ReadFileBytes(dir.File("set.dat")).Value().size(), 5u * 32);
    o = RunWith({"untile", "-f", "4bpp-snes", "--map-layout", "snes", "--width-tiles", "6",
                 dir.File("set.dat"), dir.File("map.dat"), back});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(platform::ReadFileBytes(back).Value(), platform::ReadFileBytes(sheet).Value());

    // The file cut inside its last band: the bands before it were read, but nothing is
    // written and the failure names the picture.
    ByteString bytes = platform::ReadFileBytes(sheet).Value();
    bytes.resize(bytes.size() - (kind == ".png" ? 60 : 100));
    const std::string cut = dir.File("cut" + kind);
    ASSERT_TRUE(platform::WriteFileAtomic(cut, bytes));
    const auto before = cli_test::Snapshot(dir.Path());
    o = RunWith({"tiles", "-f", "4bpp-snes", "--flips", "--map-out", dir.File("map2.dat"), "--map-layout",
                 "snes", cut, dir.File("set2.dat")});
    EXPECT_EQ(o.status, kExitFailure);
    EXPECT_EQ(o.err.rfind("glyphon: " + cut + ": ", 0), 0u) << o.err;
    o = RunWith({"untile", "-f", "4bpp-snes", "--map-layout", "snes", "--width-tiles", "6",
                 dir.File("set.dat"), dir.File("map.dat"), dir.File("back.gif")});
    EXPECT_EQ(o.status, kExitFailure);
    EXPECT_EQ(o.err,
              "glyphon: " + dir.File("back.gif") +
                  ": no picture format is known for the extension \".gif\" (pictures are written as .png or "
                  ".bmp)\n");
    EXPECT_EQ(cli_test::Snapshot(dir.Path()), before);
  }
}

// A 2048 by 2048 sheet (16 MiB of pixels, 4 MiB of values) goes through tiles and untile
// holding the tile set, the map and a band, whether it is read or written as PNG or BMP.
TEST(Streaming, TilesAndUntileHoldNoWholePicture) {
  test::TempDir dir;
  const formats::FormatInfo& format = *formats::FindFormat("4bpp-snes");
  std::mt19937 random(2);
  std::vector<tiles::Tile> pool(64);
  for (tiles::Tile& tile : pool) {
    for (int i = 0; i < 64; ++i) tile.Set(i % 8, i / 8, static_cast<std::uint8_t>(random() % 16));
  }
  {
    convert::ValuePlane plane(2048, 2048);
    for (int i = 0; i < 256 * 256; ++i)
      tiles::PutTile(plane, i % 256, i / 256,
                     tiles::Mirror(pool[random() % 64], static_cast<tiles::Flip>(random() % 4)));
    const platform::Surface picture = formats::PictureOfValues(format, plane);
    ASSERT_TRUE(imageio::WritePicture(dir.File("sheet.png"), picture, formats::DecoderColours(4)));
    ASSERT_TRUE(imageio::WritePicture(dir.File("sheet.bmp"), picture));
  }
  for (const char* kind : {".png", ".bmp"}) {
    SCOPED_TRACE(kind);
    Outcome o;
    auto growth = test::PeakGrowth([&] {
      o = RunWith({"tiles", "-f", "4bpp-snes", "--flips", "--map-out", dir.File("map.dat"), "--map-layout",
                   "snes", dir.File(std::string("sheet") + kind), dir.File("set.dat")});
    });
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    if (growth) {
      EXPECT_LT(*growth, std::uint64_t{6} << 20);
    }
    growth = test::PeakGrowth([&] {
      o = RunWith({"untile", "-f", "4bpp-snes", "--map-layout", "snes", "--width-tiles", "256",
                   dir.File("set.dat"), dir.File("map.dat"), dir.File(std::string("back") + kind)});
    });
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    if (growth) {
      EXPECT_LT(*growth, std::uint64_t{6} << 20);
    }
    EXPECT_EQ(platform::ReadFileBytes(dir.File(std::string("back") + kind)).Value(),
              platform::ReadFileBytes(dir.File(std::string("sheet") + kind)).Value());
  }
}

}  // namespace
}  // namespace glyphon::cli
