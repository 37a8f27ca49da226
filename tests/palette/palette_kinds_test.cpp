// SPDX-License-Identifier: MIT
// Known answers for every palette kind, read and write, worked out by hand from the
// layouts: the bytes a kind writes for a small palette, the palette those bytes read back
// as, and what the readers leave alone (unused bits, alpha, the colour table's padding).
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "palette/palette_file.h"
#include "support/test_support.h"

namespace glyphon::palette {
namespace {

ByteString Text(std::string_view text) {
  return ByteString(text.begin(), text.end());
}

// Two colours whose components sit on 5-bit levels (a 5-bit level v stands for the 8-bit
// (v << 3) | (v >> 2)):
//   A = (8, 16, 255): levels 1, 2, 31;   B = (132, 66, 33): levels 16, 8, 4.
// And two on 3-bit levels (v stands for (v << 5) | (v << 2) | (v >> 1)):
//   C = (36, 73, 255): levels 1, 2, 7;   D = (146, 0, 36): levels 4, 0, 1.
const RgbColor kA = Rgb(8, 16, 255);
const RgbColor kB = Rgb(132, 66, 33);
const RgbColor kC = Rgb(36, 73, 255);
const RgbColor kD = Rgb(146, 0, 36);

// The 772-byte Adobe colour table of A and B: 256 RGB triples (the unused ones zero), the
// colour count 2 and the transparent index 0xFFFF (none), both big-endian.
ByteString ActOfAB() {
  ByteString bytes(772, 0);
  const std::uint8_t start[] = {0x08, 0x10, 0xFF, 0x84, 0x42, 0x21};
  std::copy(std::begin(start), std::end(start), bytes.begin());
  bytes[768] = 0x00;
  bytes[769] = 0x02;
  bytes[770] = 0xFF;
  bytes[771] = 0xFF;
  return bytes;
}

struct KindCase {
  const char* kind;
  std::vector<RgbColor> colours;
  ByteString bytes;  // what the kind writes for `colours`, and reads back as them
};

void PrintTo(const KindCase& c, std::ostream* out) {
  *out << c.kind;
}

const KindCase kKindCases[] = {
    // PaintShop Pro's text: header, version, count, then "r g b" lines, CR LF throughout.
    {"jasc", {kA, kB}, Text("JASC-PAL\r\n0100\r\n2\r\n8 16 255\r\n132 66 33\r\n")},
    // GIMP's text: the header lines, then components right-aligned in three columns, a
    // tab and the colour's name (here its hex code).
    {"gimp",
     {kA, kB},
     Text("GIMP Palette\nName: glyphon\nColumns: 16\n#\n  8  16 255\t#0810ff\n132  66  33\t#844221\n")},
    {"hex", {kA, kB}, Text("#0810ff\n#844221\n")},
    {"rgb24", {kA, kB}, test::Bytes({0x08, 0x10, 0xFF, 0x84, 0x42, 0x21})},
    {"act", {kA, kB}, ActOfAB()},
    // SNES CGRAM: 0bbbbbgggggrrrrr, low byte first.
    //   A: 31 << 10 | 2 << 5 | 1 = 0x7C41;   B: 4 << 10 | 8 << 5 | 16 = 0x1110.
    {"bgr555", {kA, kB}, test::Bytes({0x41, 0x7C, 0x10, 0x11})},
    // Genesis CRAM: 0000bbb0ggg0rrr0, high byte first.
    //   C: 7 << 9 | 2 << 5 | 1 << 1 = 0x0E42;   D: 1 << 9 | 0 << 5 | 4 << 1 = 0x0208.
    {"genesis", {kC, kD}, test::Bytes({0x0E, 0x42, 0x02, 0x08})},
    // N64: rrrrrgggggbbbbba, high byte first, written opaque (a = 1).
    //   A: 1 << 11 | 2 << 6 | 31 << 1 | 1 = 0x08BF;   B: 16 << 11 | 8 << 6 | 4 << 1 | 1 = 0x8209.
    {"rgba5551", {kA, kB}, test::Bytes({0x08, 0xBF, 0x82, 0x09})},
};

class PaletteKindTest : public ::testing::TestWithParam<KindCase> {
 protected:
  const PaletteKind& kind() const {
    const PaletteKind* found = FindPaletteKind(GetParam().kind);
    if (found == nullptr) throw std::runtime_error(std::string("no palette kind ") + GetParam().kind);
    return *found;
  }
};

TEST_P(PaletteKindTest, WritesTheKnownBytes) {
  EXPECT_EQ(kind().write(Palette{GetParam().colours}), GetParam().bytes);
}

TEST_P(PaletteKindTest, ReadsTheKnownBytesBack) {
  const Result<Palette> read = kind().read(GetParam().bytes);
  ASSERT_TRUE(read) << read.Error();
  EXPECT_EQ(read.Value().colours, GetParam().colours);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PaletteKindTest, ::testing::ValuesIn(kKindCases),
                         [](const auto& p) { return std::string(p.param.kind); });

// What a reader takes from bytes the writer never makes, and how writing rounds colours
// off the console layouts' levels.
struct ReadCase {
  const char* name;
  const char* kind;
  ByteString bytes;
  std::vector<RgbColor> colours;
};

TEST(PaletteKinds, ReadersIgnoreWhatTheHardwareIgnores) {
  std::vector<ReadCase> cases = {
      // CGRAM bit 15 is not part of the colour.
      {"bgr555 bit 15", "bgr555", test::Bytes({0x41, 0xFC}), {kA}},
      // CRAM bits 0, 4, 8 and 12-15 are unused.
      {"genesis unused bits", "genesis", test::Bytes({0xFF, 0x53}), {kC}},
      // A transparent N64 entry still has its colour.
      {"rgba5551 alpha 0", "rgba5551", test::Bytes({0x08, 0xBE}), {kA}},
      // 5-bit level 31 in every place: white.
      {"bgr555 white", "bgr555", test::Bytes({0xFF, 0x7F}), {kWhite}},
      {"genesis white", "genesis", test::Bytes({0x0E, 0xEE}), {kWhite}},
  };
  // The 768-byte Adobe table (no count) holds 256 colours.
  ByteString act768 = ActOfAB();
  act768.resize(768);
  std::vector<RgbColor> act768Colours(256, kBlack);
  act768Colours[0] = kA;
  act768Colours[1] = kB;
  cases.push_back({"act without count", "act", act768, act768Colours});
  for (const ReadCase& c : cases) {
    const Result<Palette> read = FindPaletteKind(c.kind)->read(c.bytes);
    ASSERT_TRUE(read) << c.name << ": " << read.Error();
    EXPECT_EQ(read.Value().colours, c.colours) << c.name;
  }
}

TEST(PaletteKinds, ConsoleLayoutsRoundToTheNearestLevel) {
  // (3, 4, 5) in 5 bits: 3 * 31 / 255 = 0.36 and 4 * 31 / 255 = 0.49 go to 0, 5 * 31 / 255
  // = 0.61 to 1. In 3 bits: 18 * 7 / 255 = 0.49 goes to 0, 19 * 7 / 255 = 0.52 to 1, and
  // 127 * 7 / 255 = 3.49 to 3.
  struct Case {
    const char* kind;
    RgbColor colour;
    ByteString bytes;
  };
  const Case cases[] = {
      {"bgr555", Rgb(3, 4, 5), test::Bytes({0x00, 0x04})},       // 1 << 10
      {"rgba5551", Rgb(3, 4, 5), test::Bytes({0x00, 0x03})},     // 1 << 1 | 1
      {"genesis", Rgb(18, 19, 127), test::Bytes({0x06, 0x20})},  // 3 << 9 | 1 << 5 | 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindPaletteKind(c.kind)->write(Palette{{c.colour}}), c.bytes) << c.kind;
  }
}

}  // namespace
}  // namespace glyphon::palette
