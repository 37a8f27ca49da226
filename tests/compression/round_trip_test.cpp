// SPDX-License-Identifier: MIT
// decode(encode(x)) == x over tile-like data and noise, for every scheme and parse, and the
// optimal parse never larger than the greedy and lazy ones.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "compression/compression.h"

namespace glyphon::compression {
namespace {

std::vector<std::pair<std::string, ByteString>> Corpus() {
  std::mt19937 random(1234);
  std::vector<std::pair<std::string, ByteString>> corpus;
  corpus.push_back({"empty", {}});
  corpus.push_back({"one", {0x42}});
  corpus.push_back({"zeros", ByteString(20000, 0)});
  ByteString noise(5000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  corpus.push_back({"noise", noise});
  // 4bpp tiles: a few shapes repeated with small changes, as fonts and sprites are.
  ByteString tiles;
  ByteString shapes[4];
  for (auto& s : shapes) {
    s.resize(32);
    for (auto& b : s) b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : 0x11 * (random() % 3));
  }
  for (int t = 0; t < 400; ++t) {
    ByteString tile = shapes[random() % 4];
    if (random() % 3 == 0) tile[random() % 32] ^= static_cast<std::uint8_t>(random());
    tiles.insert(tiles.end(), tile.begin(), tile.end());
  }
  corpus.push_back({"tiles", tiles});
  ByteString ramps;
  for (int k = 0; k < 3000; ++k)
    ramps.push_back(static_cast<std::uint8_t>(k % 7 < 4 ? k : (k % 2 ? 0x12 : 0x34)));
  corpus.push_back({"ramps", ramps});
  ByteString mirrored;
  for (int k = 0; k < 2000; ++k) {
    const std::uint8_t v = static_cast<std::uint8_t>(random() % 16);
    mirrored.push_back(v);
    if (k % 64 == 63) {
      for (int j = 0; j < 32; ++j)
        mirrored.push_back(mirrored[mirrored.size() - 1 - 2 * static_cast<std::size_t>(j)]);
    }
  }
  corpus.push_back({"mirrored", mirrored});
  return corpus;
}

TEST(RoundTrip, EverySchemeAndParseGivesBackItsInput) {
  const auto corpus = Corpus();
  for (const Scheme& scheme : Schemes()) {
    for (const auto& [name, data] : corpus) {
      std::size_t sizes[3] = {};
      for (Parse parse : {Parse::Optimal, Parse::Greedy, Parse::Lazy}) {
        const auto encoded = scheme.encode(data, {.parse = parse});
        ASSERT_TRUE(encoded.Ok()) << scheme.name << " " << name << ": " << encoded.Error();
        ByteString block = encoded.Value();
        const std::size_t length = block.size();
        block.push_back(0xEE);  // the decoder stops at the block's end
        const auto decoded = scheme.decode(block, {});
        ASSERT_TRUE(decoded.Ok()) << scheme.name << " " << name << ": " << decoded.Error();
        EXPECT_EQ(decoded.Value().bytes, data) << scheme.name << " " << name;
        EXPECT_EQ(decoded.Value().consumed, length) << scheme.name << " " << name;
        sizes[static_cast<int>(parse)] = length;
      }
      EXPECT_LE(sizes[0], sizes[1]) << scheme.name << " " << name << ": optimal above greedy";
      EXPECT_LE(sizes[0], sizes[2]) << scheme.name << " " << name << ": optimal above lazy";
    }
  }
}

TEST(RoundTrip, HuffmanWidthsEachGiveBackTheirInput) {
  for (const auto& [name, data] : Corpus()) {
    for (auto encode : {EncodeGbaHuffman4, EncodeGbaHuffman8}) {
      const auto encoded = encode(data, {});
      ASSERT_TRUE(encoded.Ok()) << name << ": " << encoded.Error();
      const auto decoded = DecodeGbaHuffman(encoded.Value(), {});
      ASSERT_TRUE(decoded.Ok()) << name << ": " << decoded.Error();
      EXPECT_EQ(decoded.Value().bytes, data) << name;
    }
  }
}

// A tree of all 256 byte values, nearly balanced, is as wide as an 8-bit tree gets: laid out
// breadth first, its last nodes' children would land more than 63 pairs after them.
TEST(RoundTrip, EightBitHuffmanLaysOutATreeOfEveryByteValue) {
  std::mt19937 random(3);
  ByteString data(8192);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  const auto encoded = EncodeGbaHuffman8(data, {});
  ASSERT_TRUE(encoded.Ok()) << encoded.Error();
  EXPECT_EQ(encoded.Value()[0], 0x28);
  EXPECT_EQ(DecodeGbaHuffman(encoded.Value(), {}).Value().bytes, data);
}

// Walks the units of a GBA LZ77 block and returns the smallest copy distance.
std::size_t SmallestDistance(const ByteString& block) {
  std::size_t smallest = SIZE_MAX, pos = 4, written = 0;
  const std::size_t size = std::size_t{block[1]} | std::size_t{block[2]} << 8 | std::size_t{block[3]} << 16;
  while (written < size) {
    const std::uint8_t flags = block[pos++];
    for (int bit = 7; bit >= 0 && written < size; --bit) {
      if (flags >> bit & 1) {
        smallest =
            std::min<std::size_t>(smallest, std::size_t{(block[pos] & 0xFu) << 8 | block[pos + 1]} + 1);
        written += std::size_t{block[pos]} / 16 + 3;
        pos += 2;
      } else {
        ++pos;
        ++written;
      }
    }
  }
  return smallest;
}

TEST(RoundTrip, VramSafeLz77NeverCopiesFromTheByteJustWritten) {
  for (const auto& [name, data] : Corpus()) {
    if (data.empty()) continue;
    const auto plain = EncodeGbaLz77(data, {});
    const auto safe = EncodeGbaLz77(data, {.vramSafe = true});
    ASSERT_TRUE(plain.Ok() && safe.Ok());
    EXPECT_GE(SmallestDistance(safe.Value()), 2u) << name;
    EXPECT_EQ(DecodeGbaLz77(safe.Value(), {}).Value().bytes, data) << name;
  }
  // A run of one byte needs distance 1 unless VRAM-safe.
  EXPECT_EQ(SmallestDistance(EncodeGbaLz77(ByteString(100, 7), {}).Value()), 1u);
}

TEST(RoundTrip, RandomBlocksOfEveryLength) {
  std::mt19937 random(99);
  for (int round = 0; round < 200; ++round) {
    ByteString data(random() % 600);
    const auto alphabet = 1 + random() % 6;
    for (auto& b : data) b = static_cast<std::uint8_t>(random() % alphabet);
    for (const Scheme& scheme : Schemes()) {
      const auto encoded = scheme.encode(data, {});
      ASSERT_TRUE(encoded.Ok()) << scheme.name;
      const auto decoded = scheme.decode(encoded.Value(), {});
      ASSERT_TRUE(decoded.Ok()) << scheme.name << ": " << decoded.Error();
      ASSERT_EQ(decoded.Value().bytes, data) << scheme.name << " round " << round;
    }
  }
}

TEST(Encoders, RefuseDataTheHeaderCannotHold) {
  const ByteString big(std::size_t{1} << 24, 0);
  const auto result = EncodeGbaRle(big, {});
  ASSERT_FALSE(result.Ok());
  EXPECT_NE(result.Error().find("16777215"), std::string::npos);
}

}  // namespace
}  // namespace glyphon::compression

namespace glyphon::compression {
namespace {

// Each scheme's header test lets its own blocks through: a block planted among noise is
// found at its offset with its sizes.
TEST(Scan, FindsABlockOfEverySchemeAmongNoise) {
  std::mt19937 random(5);
  ByteString data(3000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i % 64 < 40 ? i / 64 : random());
  for (const Scheme& scheme : Schemes()) {
    const ByteString block = scheme.encode(data, {}).Value();
    ByteString rom(0x2000);
    for (auto& b : rom) b = static_cast<std::uint8_t>(random());
    std::copy(block.begin(), block.end(), rom.begin() + 0x400);
    bool found = false;
    ScanBlocks(rom, scheme, 2000, 1, [&](const FoundBlock& f) {
      if (f.offset == 0x400) found = f.compressed == block.size() && f.decompressed == data.size();
    });
    EXPECT_TRUE(found) << scheme.name;
    // A limit below the block's size hides it.
    ScanBlocks(rom, scheme, 1, 1, [&](const FoundBlock& f) { EXPECT_NE(f.offset, 0x400u) << scheme.name; },
               {.maxOutput = 2999});
  }
}

}  // namespace
}  // namespace glyphon::compression
