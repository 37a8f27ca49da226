// SPDX-License-Identifier: MIT
#include "compression/lz_parse.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace glyphon::compression::detail {

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::uint8_t ReverseBits(std::uint8_t value) {
  unsigned v = value;
  v = (v & 0xF0) >> 4 | (v & 0x0F) << 4;
  v = (v & 0xCC) >> 2 | (v & 0x33) << 2;
  v = (v & 0xAA) >> 1 | (v & 0x55) << 1;
  return static_cast<std::uint8_t>(v);
}

namespace {

constexpr int kHashBits = 15;

std::uint32_t Hash3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  const std::uint32_t key = std::uint32_t{a} << 16 | std::uint32_t{b} << 8 | c;
  return (key * 2654435761u) >> (32 - kHashBits);
}

// How many bytes from `from` and `to` agree, up to `most`: eight at a time, then the first
// differing byte found from the lowest set bit of their difference (little-endian loads).
std::size_t CommonLength(const std::uint8_t* from, const std::uint8_t* to, std::size_t most) {
  std::size_t length = 0;
  while (length + 8 <= most) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, from + length, 8);
    std::memcpy(&b, to + length, 8);
    if (const std::uint64_t differ = a ^ b; differ != 0) {
      if constexpr (std::endian::native == std::endian::little)
        return length + static_cast<std::size_t>(std::countr_zero(differ)) / 8;
      break;
    }
    length += 8;
  }
  while (length < most && from[length] == to[length]) ++length;
  return length;
}

}  // namespace

std::vector<Match> FindMatches(std::span<const std::uint8_t> data, const MatchRules& rules) {
  const std::size_t n = data.size();
  std::vector<Match> matches(n);
  if (n < 3) return matches;
  constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  std::vector<std::uint32_t> head(std::size_t{1} << kHashBits, kEmpty);
  std::vector<std::uint32_t> previous(n, kEmpty);
  // A mirrored copy is matched as a forward one against the bytes with their bits reversed.
  std::vector<std::uint8_t> mirrored;
  if (rules.kind == MatchKind::BitReversed) {
    mirrored.resize(n);
    std::transform(data.begin(), data.end(), mirrored.begin(), ReverseBits);
  }
  const std::uint8_t* sources = rules.kind == MatchKind::BitReversed ? mirrored.data() : data.data();
  std::size_t inserted = 0;  // positions below this are in the chains
  auto insert_up_to = [&](std::size_t end) {
    for (; inserted < end && inserted + 2 < n; ++inserted) {
      const std::uint32_t h = Hash3(data[inserted], data[inserted + 1], data[inserted + 2]);
      previous[inserted] = head[h];
      head[h] = static_cast<std::uint32_t>(inserted);
    }
  };
  for (std::size_t i = 0; i + 2 < n; ++i) {
    insert_up_to(i);
    const std::size_t most = std::min(rules.maxLength, n - i);
    // Inside a long forward copy the next position continues it; searching again there
    // would make a run of one byte quadratic.
    if (rules.kind == MatchKind::Forward && i > 0 && matches[i - 1].length > 64) {
      const Match& before = matches[i - 1];
      if (before.length - 1 >= most && before.source + 1 <= rules.maxSource) {
        matches[i] = {static_cast<std::uint32_t>(most), before.source + 1};
        continue;
      }
    }
    std::uint8_t a = data[i], b = data[i + 1], c = data[i + 2];
    if (rules.kind == MatchKind::BitReversed) {
      a = ReverseBits(a), b = ReverseBits(b), c = ReverseBits(c);
    } else if (rules.kind == MatchKind::Backwards) {
      std::swap(a, c);
    }
    Match best;
    int depth = rules.chainDepth;
    for (std::uint32_t p = head[Hash3(a, b, c)]; p != kEmpty && depth-- > 0; p = previous[p]) {
      std::size_t source = p;
      if (rules.kind == MatchKind::Backwards) {
        source = p + 2;  // the triple at p read backwards starts at p + 2
        if (source >= i) continue;
      }
      if (i - source > rules.maxDistance) {
        if (rules.kind == MatchKind::Backwards) continue;
        break;  // the chain only gets older
      }
      if (i - source < rules.minDistance || source > rules.maxSource) continue;
      // A candidate that differs at the best length so far cannot beat it.
      if (best.length > 0 && best.length < most) {
        const std::size_t k = best.length;
        const bool same = rules.kind == MatchKind::Backwards ? k <= source && data[source - k] == data[i + k]
                                                             : sources[source + k] == data[i + k];
        if (!same) continue;
      }
      std::size_t length = 0;
      if (rules.kind == MatchKind::Backwards) {
        while (length < most && length <= source && data[source - length] == data[i + length]) ++length;
      } else {
        // The source may run into the bytes being matched (source + most > i): still in the data.
        length = CommonLength(sources + source, data.data() + i, most);
      }
      if (length > best.length) {
        best = {static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(source)};
        if (length == most) break;
      }
    }
    if (best.length >= 3) matches[i] = best;
  }
  return matches;
}

// Each node holds value << 25 | (kPositions - 1 - position): the minimum of those keys is the
// lowest value at the highest position.
namespace {
constexpr int kPositionBits = 25;
constexpr std::int64_t kPositions = std::int64_t{1} << kPositionBits;
}  // namespace

RangeMin::RangeMin(std::size_t size) {
  while (m_size < size) m_size *= 2;
  m_value.assign(2 * m_size, kNone);
}

void RangeMin::Set(std::size_t position, std::int64_t value) {
  std::size_t i = position + m_size;
  m_value[i] = value << kPositionBits | (kPositions - 1 - static_cast<std::int64_t>(position));
  // Once a node keeps its value, so do all above it.
  for (i /= 2; i >= 1; i /= 2) {
    const std::int64_t least = std::min(m_value[2 * i], m_value[2 * i + 1]);
    if (m_value[i] == least) break;
    m_value[i] = least;
  }
}

RangeMin::Best RangeMin::Min(std::size_t first, std::size_t last) const {
  Best best;
  if (first > last || first >= m_size) return best;
  last = std::min(last, m_size - 1);
  std::int64_t key = kNone;
  for (std::size_t lo = first + m_size, hi = last + m_size + 1; lo < hi; lo /= 2, hi /= 2) {
    if (lo & 1) key = std::min(key, m_value[lo++]);
    if (hi & 1) key = std::min(key, m_value[--hi]);
  }
  if (key >= kNone) return best;
  best.value = key >> kPositionBits;
  best.position = static_cast<std::size_t>(kPositions - 1 - (key & (kPositions - 1)));
  return best;
}

}  // namespace glyphon::compression::detail
