// SPDX-License-Identifier: MIT
// Palettes through glyphon: the value rules of encode, decode --palette and the palette
// command, end to end in a scratch folder.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "palette/palette_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

// Distinct colours: 37 is odd, so the red components of 256 entries differ.
std::vector<RgbColor> Colours(std::size_t count) {
  std::vector<RgbColor> colours;
  for (std::size_t i = 0; i < count; ++i) {
    colours.push_back(
        Rgb(static_cast<int>(i * 37 % 256), static_cast<int>(i * 91 % 256), 255 - static_cast<int>(i)));
  }
  return colours;
}

void WriteIndexed(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
                  const std::vector<RgbColor>& colours) {
  const auto png = imageio::IndexedPngBytes(width, height, indices, colours, 8);
  ASSERT_TRUE(png.Ok()) << png.Error();
  ASSERT_TRUE(platform::WriteFileAtomic(path, png.Value()).Ok());
}

class IndexedRoundTrip : public ::testing::TestWithParam<int> {};

// Indices in, the same indices and palette out: encode --values index, decode --palette;
// the colours of the same picture under --values palette store the same bytes.
TEST_P(IndexedRoundTrip, IndicesAndPaletteSurviveEncodeAndDecode) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  if (!format.HasValues()) GTEST_SKIP() << "direct colour";
  test::TempDir dir;
  const int side = 16;
  const std::vector<RgbColor> colours = Colours(std::size_t{1} << format.bitsPerPixel);
  std::mt19937 random(static_cast<std::uint32_t>(GetParam()));
  std::vector<std::uint8_t> indices(side * side);
  for (auto& index : indices) index = static_cast<std::uint8_t>(random() % colours.size());
  WriteIndexed(dir.File("in.png"), side, side, indices, colours);

  Outcome o = RunWith({"encode", "-f", std::to_string(GetParam()), "--values", "index", "--palette-out",
                       dir.File("used.gpl"), dir.File("in.png"), dir.File("index.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  o = RunWith({"encode", "-f", std::to_string(GetParam()), "--palette", dir.File("used.gpl"),
               dir.File("in.png"), dir.File("colour.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadFileBytes(dir.File("colour.dat")).Value(),
            platform::ReadFileBytes(dir.File("index.dat")).Value());

  o = RunWith({"decode", "-f", std::to_string(GetParam()), "-w", std::to_string(side), "--palette",
               dir.File("used.gpl"), dir.File("index.dat"), dir.File("out.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "");
  const auto back = imageio::ReadPictureFile(dir.File("out.png"));
  ASSERT_TRUE(back.Ok()) << back.Error();
  EXPECT_EQ(back.Value().indices, indices);
  EXPECT_EQ(back.Value().palette, colours);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, IndexedRoundTrip, ::testing::Range(0, formats::kFormatCount),
                         [](const auto& p) { return "Format" + std::to_string(p.param); });

// Every kind written by the palette command reads back as the colours at its depth.
TEST(PaletteCommand, EveryKindRoundTripsAtItsDepth) {
  test::TempDir dir;
  const palette::Palette colours{Colours(24)};
  ASSERT_TRUE(palette::SavePalette(dir.File("in.gpl"), colours).Ok());
  for (const palette::PaletteKind& kind : palette::PaletteKinds()) {
    const std::string name(kind.name);
    Outcome o = RunWith({"palette", "--palette-format", name, dir.File("in.gpl"), dir.File(name + ".out")});
    ASSERT_EQ(o.status, kExitSuccess) << name << ": " << o.err;
    o = RunWith({"palette", "--input-format", name, dir.File(name + ".out"), dir.File(name + ".png")});
    ASSERT_EQ(o.status, kExitSuccess) << name << ": " << o.err;
    // The swatch is an indexed picture whose palette the command takes back out.
    o = RunWith({"palette", dir.File(name + ".png"), dir.File(name + ".hex")});
    ASSERT_EQ(o.status, kExitSuccess) << name << ": " << o.err;
    const auto back = palette::LoadPalette(dir.File(name + ".hex"));
    ASSERT_TRUE(back.Ok()) << back.Error();
    EXPECT_EQ(back.Value(), palette::AtDepth(colours, kind.componentBits)) << name;
  }
}

TEST(PaletteValues, NearestTakesTheClosestEntryTiesToTheLowerAndCountsThem) {
  test::TempDir dir;
  std::ofstream(dir.File("p.hex")) << "#000000\n#c80000\n#ffffff\n#c80000\n";
  platform::Surface picture = test::Filled(8, 1, kBlack);
  // (100, 0, 0) is as far from black as from #c80000; #c80000 itself matches entry 1.
  const RgbColor row[8] = {Rgb(100, 0, 0), Rgb(101, 0, 0), Rgb(200, 0, 0), Rgb(250, 250, 250),
                           kWhite,         kBlack,         Rgb(0, 0, 90),  Rgb(190, 10, 0)};
  for (int x = 0; x < 8; ++x) picture.SetPixel(x, 0, row[x]);
  ASSERT_TRUE(imageio::WritePicture(dir.File("in.bmp"), picture).Ok());
  const Outcome o =
      RunWith({"encode", "-f", "8bpp-linear", "--values", "palette", "--palette", dir.File("p.hex"),
               "--nearest", "--rect", "0,0,8,1", dir.File("in.bmp"), dir.File("out.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "glyphon: " + dir.File("in.bmp") +
                       ": 5 pixels were not in the palette and took the nearest colour\n");
  EXPECT_EQ(platform::ReadFileBytes(dir.File("out.dat")).Value(), test::Bytes({0, 1, 1, 2, 2, 0, 0, 1}));
}

TEST(PaletteValues, DecodeDrawsValuesBeyondThePaletteBlackAndWarns) {
  test::TempDir dir;
  std::ofstream(dir.File("p.hex")) << "#102030\n#405060\n";
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("d.dat"), test::Bytes({0, 1, 2, 3, 1, 1, 0, 0})).Ok());
  const Outcome o = RunWith({"decode", "-f", "8bpp-linear", "-w", "8", "--palette", dir.File("p.hex"),
                             dir.File("d.dat"), dir.File("out.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "glyphon: warning: 2 pixels have values beyond the 2 colours of " + dir.File("p.hex") +
                       "; drawn black\n");
  const auto back = imageio::ReadPictureFile(dir.File("out.png"));
  ASSERT_TRUE(back.Ok()) << back.Error();
  EXPECT_EQ(back.Value().indices, test::Bytes({0, 1, 2, 3, 1, 1, 0, 0}));
  EXPECT_EQ(back.Value().palette,
            (std::vector<RgbColor>{Rgb(0x10, 0x20, 0x30), Rgb(0x40, 0x50, 0x60), kBlack, kBlack}));
}

// Bad input: one line naming the file, and no output at all.
TEST(PaletteValues, BadInputNamesTheFileAndWritesNothing) {
  test::TempDir dir;
  const std::vector<RgbColor> four = Colours(4);
  std::vector<std::uint8_t> indices(64, 1);
  indices[2 * 8 + 3] = 5;
  WriteIndexed(dir.File("wide.png"), 8, 8, indices, Colours(8));
  WriteIndexed(dir.File("ok.png"), 8, 8, std::vector<std::uint8_t>(64, 1), four);
  ASSERT_TRUE(imageio::WritePicture(dir.File("rgb.bmp"), test::Filled(8, 8, Rgb(1, 2, 3))).Ok());
  std::ofstream(dir.File("bad.gpl")) << "GIMP Palette\n0 0 0\nred green blue\n";
  std::ofstream(dir.File("empty.hex")) << "";
  std::ofstream many(dir.File("many.hex"));
  for (int i = 0; i < 257; ++i) many << "#000000\n";
  many.close();
  std::ofstream(dir.File("odd.cgram")) << "abc";
  std::ofstream(dir.File("four.hex")) << "#000000\n#ffffff\n#808080\n#404040\n";
  const std::string out = dir.File("out.dat"), pal = dir.File("out.pal");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // the start of stderr
  };
  const auto encode = [&](std::vector<std::string> extra, const std::string& in) {
    std::vector<std::string> args{"encode", "-f", "2bpp-snes/gb", "--palette-out", pal};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {dir.File(in), out});
    return args;
  };
  for (const Case& c : std::vector<Case>{
           {encode({"--values", "index"}, "wide.png"), kExitFailure,
            dir.File("wide.png") + ": pixel (3, 2) has index 5, beyond the 4 values of 2bpp SNES/GB"},
           {encode({"--values", "index"}, "rgb.bmp"), kExitFailure,
            dir.File("rgb.bmp") + ": the picture stores colours, not palette indices"},
           {encode({"--palette", dir.File("four.hex")}, "rgb.bmp"), kExitFailure,
            dir.File("rgb.bmp") + ": pixel (0, 0) has colour #010203, which is not in the palette"},
           {encode({"--palette", dir.File("bad.gpl")}, "ok.png"), kExitFailure,
            dir.File("bad.gpl") + ": line 3"},
           {encode({"--palette", dir.File("empty.hex")}, "ok.png"), kExitFailure,
            dir.File("empty.hex") + ": "},
           {encode({"--palette", dir.File("many.hex")}, "ok.png"), kExitFailure,
            dir.File("many.hex") + ": 257"},
           {encode({"--palette", dir.File("odd.cgram"), "--palette-format", "bgr555"}, "ok.png"),
            kExitFailure, dir.File("odd.cgram") + ": "},
           {encode({"--palette", dir.File("odd.cgram")}, "ok.png"), kExitFailure,
            dir.File("odd.cgram") + ": the extension \".cgram\" names no palette kind"},
           {{"encode", "-f", "16bpp-n64-high", "--values", "index", dir.File("ok.png"), out},
            kExitUsage,
            "--values index does not apply: 16bpp N64 (High) stores direct colour"},
           {{"decode", "-f", "17", "-w", "8", "--palette", dir.File("four.hex"), dir.File("ok.png"), out},
            kExitUsage,
            "--palette does not apply"},
           {encode({"--nearest"}, "ok.png"), kExitUsage, "--nearest goes with --values palette"},
           {encode({"--values", "colour"}, "ok.png"), kExitUsage, "--values colour is for tiles and untile"},
           {{"palette", dir.File("rgb.bmp"), pal},
            kExitFailure,
            dir.File("rgb.bmp") + ": the picture has no palette"},
           {{"palette", dir.File("four.hex"), dir.File("four.hex")},
            kExitUsage,
            dir.File("four.hex") + ": OUTPUT is"},
       }) {
    const Outcome o = RunWith(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(o.err.rfind("glyphon: " + c.err, 0), 0u) << o.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.err;
    EXPECT_FALSE(std::filesystem::exists(pal)) << c.err;
  }
}

}  // namespace
}  // namespace glyphon::cli
