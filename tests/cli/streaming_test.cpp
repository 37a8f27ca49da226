// SPDX-License-Identifier: MIT
// encode and decode going band by band give what the whole-picture codecs give, and a
// whole ROM decodes to one PNG.
#include <gtest/gtest.h>

#include <string>

#include "cli/exit_codes.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/peak_memory.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

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

}  // namespace
}  // namespace glyphon::cli
