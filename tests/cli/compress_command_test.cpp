// SPDX-License-Identifier: MIT
// compress, decompress, scan and pointers, and encode/decode --compression on a ROM.
#include <gtest/gtest.h>

#include "cli/run_glyphon.h"
#include "compression/compression.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

ByteString Read(const std::string& path) {
  return platform::ReadFileBytes(path).Value();
}
void Write(const std::string& path, const ByteString& bytes) {
  ASSERT_TRUE(platform::WriteFileAtomic(path, bytes).Ok());
}

// A pattern that compresses: tile-like repeats with some noise.
ByteString Tiles(std::size_t count, std::uint32_t seed) {
  ByteString noise = test::RandomBytes(count * 8, seed), out;
  for (std::size_t t = 0; t < count; ++t) {
    for (int k = 0; k < 32; ++k)
      out.push_back(k % 4 == 0 ? noise[t * 8 + static_cast<std::size_t>(k) / 4] : 0x11);
  }
  return out;
}

struct CompressCli : testing::Test {
  test::TempDir dir;
  std::string File(const std::string& name) const { return dir.File(name); }
};

TEST_F(CompressCli, CompressThenDecompressGivesBackTheBytesForEveryScheme) {
  const ByteString data = Tiles(40, 3);
  Write(File("data.bin"), data);
  for (const compression::Scheme& scheme : compression::Schemes()) {
    const std::string name(scheme.name);
    Outcome o = RunWith({"compress", "--compression", name, File("data.bin"), File("block")});
    ASSERT_EQ(o.status, kExitSuccess) << name << o.err;
    // The block planted at an offset of a larger file.
    ByteString rom(100, 0xAB);
    const ByteString block = Read(File("block"));
    rom.insert(rom.end(), block.begin(), block.end());
    rom.insert(rom.end(), 50, 0xCD);
    Write(File("rom.bin"), rom);
    o = RunWith({"decompress", "-c", name, "--offset", "100", File("rom.bin"), File("back.bin")});
    ASSERT_EQ(o.status, kExitSuccess) << name << o.err;
    EXPECT_EQ(Read(File("back.bin")), data) << name;
    EXPECT_NE(o.err.find("used " + std::to_string(block.size()) + " bytes"), std::string::npos) << o.err;
  }
}

TEST_F(CompressCli, FailuresNameTheFileAndTheOffset) {
  Write(File("rom.bin"), ByteString{0x00, 0x10, 0x08, 0x00, 0x00, 0x00, 'A'});
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"decompress", "-c", "gba-lz77", "--offset", "1", File("rom.bin"), File("o")},
       kExitFailure,
       "rom.bin: the block ends early at offset 0x7"},
      {{"decompress", "-c", "gba-lz77", File("rom.bin"), File("o")},
       kExitFailure,
       "no gba-lz77 block at offset 0x0"},
      {{"decompress", "-c", "zip", File("rom.bin"), File("o")},
       kExitUsage,
       "--compression wants one of gba-lz77"},
      {{"compress", File("rom.bin"), File("o")}, kExitUsage, "compress needs --compression"},
      {{"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--repoint", File("a.png"), File("o")},
       kExitUsage,
       "--repoint needs --relocate OFFSET"},
      {{"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--relocate", "0x10", File("a.png"),
        File("o")},
       kExitUsage,
       "--relocate needs --into ROM"},
      {{"pointers", "--repoint", File("rom.bin"), "0x10"},
       kExitUsage,
       "--repoint and --relocate OFFSET go together"},
      {{"encode", "-f", "8bpp-mode7-int", "--compression", "hal", "--partner-out", File("p"), File("a.png"),
        File("o")},
       kExitUsage,
       "--compression writes the data alone"},
  };
  for (const Case& c : cases) {
    const Outcome o = RunWith(c.args);
    EXPECT_EQ(o.status, c.status) << c.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(File("o")));
  }
}

// A GBA ROM with two LZ77 blocks (4 KiB of tiles and 100 bytes) among noise and filler,
// and two pointers to the first.
struct GbaRom : CompressCli {
  GbaRom() {
    image = test::RandomBytes(0x10000, 9);
    std::fill(image.begin() + 0x8000, image.end(), 0xFF);
    tiles = Tiles(128, 4);
    first = compression::EncodeGbaLz77(tiles, {}).Value();
    second = compression::EncodeGbaLz77(ByteString(100, 7), {}).Value();
    std::copy(first.begin(), first.end(), image.begin() + 0x1000);
    std::copy(second.begin(), second.end(), image.begin() + 0x3000);
    for (std::size_t at : {0x200u, 0x6004u}) {
      const ByteString pointer{0x00, 0x10, 0x00, 0x08};  // 0x08001000
      std::copy(pointer.begin(), pointer.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    Write(rom, image);
  }
  std::string rom = File("game.gba");
  ByteString image, tiles, first, second;
};

TEST_F(GbaRom, ScanListsTheBlocksAndItsFiltersDropTheSmallOnes) {
  Outcome o = RunWith({"scan", "--compression", "gba-lz77", rom});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const std::string firstLine = "0x1000\t" + std::to_string(first.size()) + "\t4096\n";
  const std::string secondLine = "0x3000\t" + std::to_string(second.size()) + "\t100\n";
  // Random bytes may hold a chance block as well; the planted ones are there, in order.
  EXPECT_NE(o.out.find(firstLine + secondLine), std::string::npos) << o.out;
  o = RunWith({"scan", "-c", "gba-lz77", "--tiles", "--min-size", "1024", rom});
  EXPECT_EQ(o.out, firstLine);
  o = RunWith({"scan", "-c", "gba-lz77", "--tiles", "--format", "8bpp-gba", "--min-size", "1024", rom});
  EXPECT_EQ(o.out, firstLine);  // 4096 is 64 tiles of 64 bytes too
  o = RunWith({"scan", "-c", "gba-lz77", "--min-size", "5000", rom});
  EXPECT_EQ(o.out, "");
}

TEST_F(GbaRom, PointersListsAlignedPointers) {
  const Outcome o = RunWith({"pointers", rom, "0x1000"});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.out, "0x200\n0x6004\n");
}

TEST_F(GbaRom, DecodeCompressionDecompressesAtTheOffset) {
  const Outcome o = RunWith({"decode", "-f", "4bpp-gba", "-w", "64", "--compression", "gba-lz77", "--offset",
                             "0x1000", rom, File("tiles.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_NE(o.err.find("used " + std::to_string(first.size()) + " bytes and decompressed to 4096"),
            std::string::npos)
      << o.err;
  // Encoded again without compression, the picture gives back the decompressed bytes.
  ASSERT_EQ(RunWith({"encode", "-f", "4bpp-gba", File("tiles.png"), File("raw.bin")}).status, kExitSuccess);
  EXPECT_EQ(Read(File("raw.bin")), tiles);
}

TEST_F(GbaRom, EncodeIntoRefusesALongerBlockUnlessGrownOrRelocated) {
  // Noise compresses worse than the tiles at 0x1000.
  Write(File("noise.bin"), test::RandomBytes(4096, 5));
  ASSERT_EQ(RunWith({"decode", "-f", "4bpp-gba", "-w", "64", File("noise.bin"), File("noise.png")}).status,
            kExitSuccess);
  const std::string newSize =
      std::to_string(compression::EncodeGbaLz77(test::RandomBytes(4096, 5), {}).Value().size());
  Outcome o = RunWith({"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--into", rom, "--at",
                       "0x1000", File("noise.png")});
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_NE(
      o.err.find("block is " + newSize + " bytes, the old one at 0x1000 is " + std::to_string(first.size())),
      std::string::npos)
      << o.err;
  // Relocating onto data (not filler) is refused too; the ROM is untouched.
  o = RunWith({"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--into", rom, "--at", "0x1000",
               "--relocate", "0x2000", File("noise.png")});
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_NE(o.err.find("are not free space"), std::string::npos) << o.err;
  EXPECT_EQ(Read(rom), image);
  // Relocated into the filler with the pointers following, in one write.
  o = RunWith({"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--into", rom, "--at", "0x1000",
               "--relocate", "0x8000", "--repoint", File("noise.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_NE(o.out.find("repointed 2 pointers to 0x8000"), std::string::npos) << o.out;
  EXPECT_EQ(RunWith({"pointers", rom, "0x8000"}).out, "0x200\n0x6004\n");
  EXPECT_EQ(RunWith({"pointers", rom, "0x1000"}).out, "");
  ASSERT_EQ(RunWith({"decompress", "-c", "gba-lz77", "--offset", "0x8000", rom, File("back.bin")}).status,
            kExitSuccess);
  EXPECT_EQ(Read(File("back.bin")), test::RandomBytes(4096, 5));
  // --grow writes over what follows the old block.
  o = RunWith({"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--into", rom, "--at", "0x1000",
               "--grow", File("noise.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  ASSERT_EQ(RunWith({"decompress", "-c", "gba-lz77", "--offset", "0x1000", rom, File("back.bin")}).status,
            kExitSuccess);
  EXPECT_EQ(Read(File("back.bin")), test::RandomBytes(4096, 5));
}

TEST_F(GbaRom, ABlockThatFitsReplacesTheOldOneInPlace) {
  // The same tiles with one byte changed compress to no more than the old block here.
  ByteString edited = tiles;
  edited[0] = edited[32];
  Write(File("edited.bin"), edited);
  ASSERT_EQ(RunWith({"decode", "-f", "4bpp-gba", "-w", "64", File("edited.bin"), File("edited.png")}).status,
            kExitSuccess);
  const Outcome o = RunWith({"encode", "-f", "4bpp-gba", "--compression", "gba-lz77", "--into", rom, "--at",
                             "0x1000", "--verify", File("edited.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  ASSERT_EQ(RunWith({"decompress", "-c", "gba-lz77", "--offset", "0x1000", rom, File("back.bin")}).status,
            kExitSuccess);
  EXPECT_EQ(Read(File("back.bin")), edited);
  // Nothing past the old block changed.
  const ByteString now = Read(rom);
  EXPECT_TRUE(std::equal(now.begin() + 0x1000 + static_cast<std::ptrdiff_t>(first.size()), now.end(),
                         image.begin() + 0x1000 + static_cast<std::ptrdiff_t>(first.size())));
}

}  // namespace
}  // namespace glyphon::cli
