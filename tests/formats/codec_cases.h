// SPDX-License-Identifier: MIT
#pragma once

// Table-driven decoding cases shared by the codec suites: each family lists its cases and
// runs them through the checks below from its own parameterised tests. Encoding known
// answers are golden files (golden_test.cpp).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats::cases {

inline const FormatInfo& Named(std::string_view caption) {
  const FormatInfo* format = FindFormat(caption);
  if (format == nullptr) throw std::invalid_argument(std::string(caption));
  return *format;
}

inline DecodeResult DecodeWith(std::string_view format, const ByteString& data, int width, DecodeMode mode) {
  PartnerState partner;
  platform::NullProgress progress;
  return Decode(Named(format), data, width, mode, mode == DecodeMode::ImageGeneration ? &partner : nullptr,
                progress);
}

struct Pixel {
  int x;
  int y;
  int grey;
};

// `bytes` with the given {offset, value} pairs stored.
inline ByteString Set(ByteString bytes, std::initializer_list<std::pair<int, int>> values) {
  for (const auto& [offset, value] : values)
    bytes.at(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(value);
  return bytes;
}
inline ByteString Zeros(int size) {
  return ByteString(static_cast<std::size_t>(size), 0);
}

// ---- Decoding: the picture size and some of its pixels, in both modes.
struct DecodeCase {
  std::string name;
  std::string_view format;
  ByteString data;
  int width;
  int wantWidth;
  int wantHeight;
  std::vector<Pixel> probes;
};

inline void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << c.name;
}

inline void ExpectDecodes(const DecodeCase& c) {
  for (DecodeMode mode : {DecodeMode::Preview, DecodeMode::ImageGeneration}) {
    const DecodeResult result = DecodeWith(c.format, c.data, c.width, mode);
    ASSERT_TRUE(result.Ok()) << result.failure->Describe();
    EXPECT_EQ(result.picture.Width(), c.wantWidth);
    EXPECT_EQ(result.picture.Height(), c.wantHeight);
    for (const Pixel& p : c.probes) {
      EXPECT_EQ(result.picture.GetPixel(p.x, p.y), GreyColor(p.grey)) << "(" << p.x << ", " << p.y << ")";
    }
  }
}

// ---- Short data: a later plane byte past the end fails the preview at the first such
// pixel; image generation draws that pixel white and succeeds.
struct ShortDataCase {
  std::string name;
  std::string_view format;
  ByteString data;
  int width;
  int x;
  int y;
  std::int64_t offset;
};

inline void PrintTo(const ShortDataCase& c, std::ostream* os) {
  *os << c.name;
}

inline void ExpectShortDataFails(const ShortDataCase& c) {
  const DecodeResult preview = DecodeWith(c.format, c.data, c.width, DecodeMode::Preview);
  ASSERT_FALSE(preview.Ok());
  DecodeFailure want;
  want.kind = DecodeFailure::Kind::ByteBeyondData;
  want.x = c.x;
  want.y = c.y;
  want.offset = c.offset;
  want.length = static_cast<std::int64_t>(c.data.size());
  EXPECT_EQ(*preview.failure, want) << preview.failure->Describe();
  EXPECT_FALSE(preview.picture.HasPicture());

  const DecodeResult generated = DecodeWith(c.format, c.data, c.width, DecodeMode::ImageGeneration);
  ASSERT_TRUE(generated.Ok());
  EXPECT_EQ(generated.picture.GetPixel(c.x, c.y), kWhite);
}

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

}  // namespace glyphon::formats::cases
