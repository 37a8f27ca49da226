// SPDX-License-Identifier: MIT
// Blocks composed by hand from the formats' documentation, read by each decoder.
#include <gtest/gtest.h>

#include <string>

#include "compression/compression.h"

namespace glyphon::compression {
namespace {

ByteString Bytes(std::initializer_list<int> values) {
  ByteString out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
ByteString Text(const std::string& text) {
  return ByteString(text.begin(), text.end());
}
ByteString Repeat(std::size_t count, std::uint8_t value) {
  return ByteString(count, value);
}
ByteString Join(std::initializer_list<ByteString> parts) {
  ByteString out;
  for (const ByteString& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Known {
  const char* name;
  Decoder decode;
  ByteString block;  // followed by a byte that is not the block's
  ByteString expected;
  std::size_t consumed;
};

class KnownBlock : public testing::TestWithParam<Known> {};

TEST_P(KnownBlock, DecodesToTheDocumentedBytes) {
  const Known& k = GetParam();
  ByteString input = k.block;
  input.push_back(0xEE);  // whatever follows in the ROM is not read
  const auto result = k.decode(input, {});
  ASSERT_TRUE(result.Ok()) << result.Error();
  EXPECT_EQ(result.Value().bytes, k.expected);
  EXPECT_EQ(result.Value().consumed, k.consumed);
}

INSTANTIATE_TEST_SUITE_P(Schemes, KnownBlock,
                         testing::Values(
                             // Header 0x10 | 10 << 8. Flag 0x10: literal, literal, literal, copy, literal.
                             // The copy 30 02: count - 3 = 3 in bits 4-7 of its first byte, disp - 1 = 0x002,
                             // so 6 bytes from 3 back.
                             Known{"lz77", DecodeGbaLz77,
                                   Bytes({0x10, 0x0A, 0x00, 0x00, 0x10, 'A', 'B', 'C', 0x30, 0x02, 'X'}),
                                   Text("ABCABCABCX"), 11},
                             // Two-byte copy 30 01: count (3) + 1 = 4 from 2 back.
                             Known{"lz11 short", DecodeNdsLz11,
                                   Bytes({0x11, 0x06, 0x00, 0x00, 0x20, 'A', 'B', 0x30, 0x01}),
                                   Text("ABABAB"), 9},
                             // Three-byte copy 00 20 00: top nibble 0, count 0x02 + 0x11 = 19 from 1 back.
                             Known{"lz11 three bytes", DecodeNdsLz11,
                                   Bytes({0x11, 0x14, 0x00, 0x00, 0x40, 'A', 0x00, 0x20, 0x00}),
                                   Repeat(20, 'A'), 9},
                             // Four-byte copy 10 01 A0 00: top nibble 1, count 0x001A + 0x111 = 299 from 1
                             // back.
                             Known{"lz11 four bytes", DecodeNdsLz11,
                                   Bytes({0x11, 0x2C, 0x01, 0x00, 0x40, 0x00, 0x10, 0x01, 0xA0, 0x00}),
                                   Repeat(300, 0), 10},
                             // 81 55: bit 7 set, 0x01 + 3 = 4 times 0x55; 03: 3 + 1 bytes as they are.
                             Known{"rle", DecodeGbaRle,
                                   Bytes({0x30, 0x08, 0x00, 0x00, 0x81, 0x55, 0x03, 1, 2, 3, 4}),
                                   Bytes({0x55, 0x55, 0x55, 0x55, 1, 2, 3, 4}), 11},
                             // Tree size 1 (4 bytes with the size byte); root C0: offset 0, both children
                             // leaves, in the pair at 6: 'a' for bit 0, 'b' for bit 1. The bits 0110 in bit
                             // 31 down.
                             Known{"huffman 8-bit", DecodeGbaHuffman,
                                   Bytes({0x28, 0x04, 0x00, 0x00, 0x01, 0xC0, 'a', 'b', 0x00, 0x00, 0x00,
                                          0x60}),
                                   Text("abba"), 12},
                             // The same tree on nibbles 1 and 2, low nibble first: 0x21 then 0x12.
                             Known{"huffman 4-bit", DecodeGbaHuffman,
                                   Bytes({0x24, 0x02, 0x00, 0x00, 0x01, 0xC0, 0x01, 0x02, 0x00, 0x00, 0x00,
                                          0x60}),
                                   Bytes({0x21, 0x12}), 12},
                             // Root 80: child 0 ('x', at 6) a leaf, child 1 the node at 7; that node C0 has
                             // offset 0 from its pair address 6, so its children are the pair at 8: 'y', 'z'.
                             // Codes x 0, y 10, z 11: "xyzx" is 0 10 11 0, 0x58 in the top byte.
                             Known{"huffman deeper", DecodeGbaHuffman,
                                   Bytes({0x28, 0x04, 0x00, 0x00, 0x02, 0x80, 'x', 0xC0, 'y', 'z', 0x00, 0x00,
                                          0x00, 0x58}),
                                   Text("xyzx"), 14},
                             // 02: 3 plain bytes; 22 58: 'X' 3 times; 44 01 02: 01 02 alternating for 5
                             // bytes; 63 10: 4 bytes from 0x10 up; 82 00 01: 3 bytes from address 1; E4 23
                             // 00: long header, command 1, length 0x23 + 1 = 36 zeros; FF ends.
                             Known{"lz2", DecodeSnesLz2,
                                   Bytes({0x02, 'A', 'B', 'C', 0x22, 'X', 0x44, 0x01, 0x02, 0x63, 0x10, 0x82,
                                          0x00, 0x01, 0xE4, 0x23, 0x00, 0xFF}),
                                   Join({Text("ABCXXX"), Bytes({1, 2, 1, 2, 1, 0x10, 0x11, 0x12, 0x13}),
                                         Text("BCX"), Repeat(36, 0)}),
                                   18},
                             // 01: 2 plain bytes; 41 01 02: the pair 01 02 twice; A1 00 00: 2 bytes from
                             // address 0 with their bits reversed (41 -> 82, 42 -> 42); C2 00 05: 3 bytes
                             // reading backwards from address 5 (02 01 02); FF ends.
                             Known{"hal", DecodeHal,
                                   Bytes({0x01, 'A', 'B', 0x41, 0x01, 0x02, 0xA1, 0x00, 0x00, 0xC2, 0x00,
                                          0x05, 0xFF}),
                                   Bytes({0x41, 0x42, 1, 2, 1, 2, 0x82, 0x42, 2, 1, 2}), 13},
                             // E8 21 AA BB: long header, command 2, length 0x21 + 1 = 34 pairs of AA BB.
                             Known{"hal long word fill", DecodeHal, Bytes({0xE8, 0x21, 0xAA, 0xBB, 0xFF}),
                                   [] {
                                     ByteString out;
                                     for (int k = 0; k < 34; ++k) out.insert(out.end(), {0xAA, 0xBB});
                                     return out;
                                   }(),
                                   5}),
                         [](const testing::TestParamInfo<Known>& param) {
                           std::string name = param.param.name;
                           for (char& c : name) {
                             if (c == ' ' || c == '-') c = '_';
                           }
                           return name;
                         });

struct Broken {
  const char* name;
  Decoder decode;
  ByteString block;
  std::string message;  // a part of the failure
};

class BrokenBlock : public testing::TestWithParam<Broken> {};

TEST_P(BrokenBlock, FailsNamingTheOffset) {
  const Broken& b = GetParam();
  const auto result = b.decode(b.block, {.maxOutput = 4096, .base = 0x1000});
  ASSERT_FALSE(result.Ok());
  EXPECT_NE(result.Error().find(b.message), std::string::npos) << result.Error();
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, BrokenBlock,
    testing::Values(
        Broken{"lz77_short", DecodeGbaLz77, Bytes({0x10, 0x0A, 0x00, 0x00, 0x00, 'A', 'B'}),
               "ends early at offset 0x1007"},
        Broken{"lz77_before_start", DecodeGbaLz77, Bytes({0x10, 0x04, 0x00, 0x00, 0x80, 0x00, 0x00}),
               "copy at offset 0x1005 refers before the start"},
        Broken{"lz77_wrong_type", DecodeGbaLz77, Bytes({0x11, 0x04, 0x00, 0x00, 0x00}), "type byte is 0x11"},
        Broken{"lz77_over_limit", DecodeGbaLz77, Bytes({0x10, 0x01, 0x10, 0x00, 0x00}),
               "more than the limit"},
        Broken{"lz11_half_copy", DecodeNdsLz11, Bytes({0x11, 0x20, 0x00, 0x00, 0x40, 'A', 0x10, 0x01}),
               "ends early at offset 0x1008"},
        Broken{"lz11_before_start", DecodeNdsLz11, Bytes({0x11, 0x20, 0x00, 0x00, 0x40, 'A', 0x30, 0x05}),
               "copy at offset 0x1006 refers before the start"},
        Broken{"rle_short_stretch", DecodeGbaRle, Bytes({0x30, 0x08, 0x00, 0x00, 0x07, 1, 2}),
               "ends early at offset 0x1007"},
        Broken{"huffman_past_tree", DecodeGbaHuffman,
               Bytes({0x28, 0x04, 0x00, 0x00, 0x01, 0x05, 'a', 'b', 0x00, 0x00, 0x00, 0x60}),
               "node at offset 0x1005 points past the end of the tree"},
        Broken{"huffman_no_bits", DecodeGbaHuffman, Bytes({0x28, 0x04, 0x00, 0x00, 0x01, 0xC0, 'a', 'b'}),
               "ends early at offset 0x1008"},
        Broken{"lz2_no_end", DecodeSnesLz2, Bytes({0x01, 'A', 'B'}), "ends early at offset 0x1003"},
        Broken{"lz2_copy_ahead", DecodeSnesLz2, Bytes({0x00, 'A', 0x80, 0x00, 0x05, 0xFF}),
               "copy at offset 0x1002 refers to 0x5"},
        Broken{"lz2_hal_command", DecodeSnesLz2, Bytes({0x00, 'A', 0xA0, 0x00, 0x00, 0xFF}),
               "which snes-lz2 does not use"},
        Broken{"lz2_over_limit", DecodeSnesLz2,
               Bytes({0xE7, 0xFF, 0x00, 0xE7, 0xFF, 0x00, 0xE7, 0xFF, 0x00, 0xE7, 0xFF, 0x00, 0xE7, 0xFF,
                      0x00, 0xFF}),
               "more than the limit of 4096"},
        Broken{"hal_backwards_past_start", DecodeHal, Bytes({0x01, 'A', 'B', 0xC3, 0x00, 0x01, 0xFF}),
               "copy at offset 0x1003 refers to 0x1"},
        Broken{"hal_long_command_7", DecodeHal, Bytes({0xFC, 0x00, 0xFF}), "holds command 7"}),
    [](const testing::TestParamInfo<Broken>& param) { return std::string(param.param.name); });

TEST(SchemeTable, FindsEachSchemeByName) {
  for (const Scheme& scheme : Schemes()) EXPECT_EQ(FindScheme(scheme.name), &scheme);
  EXPECT_EQ(FindScheme("zip"), nullptr);
}

}  // namespace
}  // namespace glyphon::compression
