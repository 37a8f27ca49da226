// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

// What the LZ encoders share: finding earlier copies of the bytes ahead, and the minimum of a
// range of costs for the parse that runs from the end of the input to its start.
namespace glyphon::compression::detail {

// "0x1F0" for messages.
std::string Hex(std::uint64_t value);

// The longest copy found at one position: `length` bytes (0 for none) from `source`.
struct Match {
  std::uint32_t length = 0;
  std::uint32_t source = 0;
};

enum class MatchKind {
  Forward,      // byte k comes from source + k
  BitReversed,  // byte k is the bits of source + k in reverse order
  Backwards,    // byte k comes from source - k
};

struct MatchRules {
  MatchKind kind = MatchKind::Forward;
  std::size_t maxDistance = 4096;                                   // position - source, at most
  std::size_t minDistance = 1;                                      // position - source, at least
  std::size_t maxSource = std::numeric_limits<std::size_t>::max();  // an absolute address limit
  std::size_t maxLength = 18;
  int chainDepth = 256;  // candidates tried at each position
};

// The longest match at every position of `data` (ties go to the nearest source).
std::vector<Match> FindMatches(std::span<const std::uint8_t> data, const MatchRules& rules);

std::uint8_t ReverseBits(std::uint8_t value);

// Point updates and range minimums over positions 0..size-1 (a segment tree). Ties go to
// the highest position, so a parse prefers the longer of two equal choices.
class RangeMin {
 public:
  static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
  explicit RangeMin(std::size_t size);
  void Set(std::size_t position, std::int64_t value);
  struct Best {
    std::int64_t value = kNone;
    std::size_t position = 0;
  };
  // The minimum over first..last, both included; kNone when the range is empty.
  Best Min(std::size_t first, std::size_t last) const;

 private:
  std::size_t m_size = 1;
  std::vector<std::int64_t> m_value;
};

}  // namespace glyphon::compression::detail
