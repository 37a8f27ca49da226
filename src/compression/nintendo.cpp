// SPDX-License-Identifier: MIT
// The BIOS formats of the GBA and the NDS. Every block starts with a 32-bit little-endian
// header: the type in bits 4-7 of the low byte and the decompressed size in bits 8-31.
#include <algorithm>

#include "compression/compression.h"
#include "compression/lz_parse.h"
#include "compression/nintendo_parts.h"

namespace glyphon::compression {

using detail::Hex;

namespace detail {

Result<std::size_t> ReadBiosHeader(std::span<const std::uint8_t> input, std::uint8_t type,
                                   std::string_view name, const DecodeLimits& limits) {
  if (input.size() < 4)
    return Result<std::size_t>::Failure("the block ends early at offset " + Hex(limits.base + input.size()));
  if (input[0] != type) {
    return Result<std::size_t>::Failure("no " + std::string(name) + " block at offset " + Hex(limits.base) +
                                        " (its type byte is " + Hex(input[0]) + ", not " + Hex(type) + ")");
  }
  const std::size_t size = std::size_t{input[1]} | std::size_t{input[2]} << 8 | std::size_t{input[3]} << 16;
  if (size > limits.maxOutput) {
    return Result<std::size_t>::Failure("the block at offset " + Hex(limits.base) + " declares " +
                                        std::to_string(size) + " bytes, more than the limit of " +
                                        std::to_string(limits.maxOutput));
  }
  return size;
}

bool PlausibleBiosHeader(std::span<const std::uint8_t> bytes, std::uint8_t type, const DecodeLimits& limits) {
  if (bytes.size() < 5 || bytes[0] != type) return false;
  const std::size_t size = std::size_t{bytes[1]} | std::size_t{bytes[2]} << 8 | std::size_t{bytes[3]} << 16;
  return size > 0 && size <= limits.maxOutput;
}

Result<ByteString> BiosHeader(std::uint8_t type, std::size_t size) {
  if (size >= std::size_t{1} << 24) {
    return Result<ByteString>::Failure("the data is " + std::to_string(size) +
                                       " bytes; a BIOS block holds at most 16777215");
  }
  return ByteString{type, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                    static_cast<std::uint8_t>(size >> 16)};
}

}  // namespace detail

namespace {

Result<Decompressed> EndsEarly(std::uint64_t offset) {
  return Result<Decompressed>::Failure("the block ends early at offset " + Hex(offset));
}
Result<Decompressed> BeforeStart(std::uint64_t offset) {
  return Result<Decompressed>::Failure("the copy at offset " + Hex(offset) +
                                       " refers before the start of the block");
}

// LZ77 (0x10) and LZ11 (0x11): a flag byte, most significant bit first, says for each of
// the next eight units whether it is a literal byte (0) or a copy (1) from earlier output.
Result<Decompressed> DecodeNintendoLz(std::span<const std::uint8_t> input, const DecodeLimits& limits,
                                      bool extended) {
  const auto header =
      detail::ReadBiosHeader(input, extended ? 0x11 : 0x10, extended ? "nds-lz11" : "gba-lz77", limits);
  if (!header) return Result<Decompressed>::Failure(header.Error());
  const std::size_t size = header.Value();
  Decompressed result;
  ByteString& out = result.bytes;
  out.reserve(size);
  std::size_t pos = 4;
  const std::size_t n = input.size();
  while (out.size() < size) {
    if (pos >= n) return EndsEarly(limits.base + pos);
    const std::uint8_t flags = input[pos++];
    for (int bit = 7; bit >= 0 && out.size() < size; --bit) {
      if (!(flags >> bit & 1)) {
        if (pos >= n) return EndsEarly(limits.base + pos);
        out.push_back(input[pos++]);
        continue;
      }
      const std::size_t start = pos;
      std::size_t count = 0;
      std::size_t distance = 0;
      if (pos + 2 > n) return EndsEarly(limits.base + n);
      const unsigned b0 = input[pos];
      if (extended && b0 >> 4 == 0) {
        // Three bytes: a count of 17 to 272.
        if (pos + 3 > n) return EndsEarly(limits.base + n);
        const unsigned b1 = input[pos + 1], b2 = input[pos + 2];
        count = ((b0 & 0xF) << 4 | b1 >> 4) + 0x11;
        distance = ((b1 & 0xF) << 8 | b2) + 1;
        pos += 3;
      } else if (extended && b0 >> 4 == 1) {
        // Four bytes: a count of 273 to 65808.
        if (pos + 4 > n) return EndsEarly(limits.base + n);
        const unsigned b1 = input[pos + 1], b2 = input[pos + 2], b3 = input[pos + 3];
        count = ((b0 & 0xF) << 12 | b1 << 4 | b2 >> 4) + 0x111;
        distance = ((b2 & 0xF) << 8 | b3) + 1;
        pos += 4;
      } else {
        // Two bytes: count - the scheme's minimum in bits 4-7, distance - 1 in the other 12.
        const unsigned b1 = input[pos + 1];
        count = (b0 >> 4) + (extended ? 1 : 3);
        distance = ((b0 & 0xF) << 8 | b1) + 1;
        pos += 2;
      }
      if (distance > out.size()) return BeforeStart(limits.base + start);
      // A copy running past the declared size stops there, as a bounded output buffer would.
      count = std::min(count, size - out.size());
      const std::size_t from = out.size() - distance;
      for (std::size_t k = 0; k < count; ++k) out.push_back(out[from + k]);
    }
  }
  result.consumed = pos;
  return result;
}

struct LzTier {
  std::uint32_t minLength;
  std::uint32_t maxLength;
  int bits;  // the flag bit and the unit's bytes
};

// One unit of an LZ parse: a literal (length 0) or a copy.
struct Unit {
  std::uint32_t length = 0;
  std::uint32_t source = 0;
};

// Chooses literals and copies for the Nintendo LZ schemes, whose cost depends only on
// the copy's length: each position's cheapest way to the end is the cheaper of a literal
// and, for each length band, the cheapest end of a copy in that band.
std::vector<Unit> ParseNintendoLz(std::span<const std::uint8_t> data,
                                  const std::vector<detail::Match>& matches, std::span<const LzTier> tiers,
                                  Parse parse) {
  const std::size_t n = data.size();
  std::vector<Unit> units;
  if (parse != Parse::Optimal) {
    for (std::size_t i = 0; i < n;) {
      const detail::Match& m = matches[i];
      const bool defer = parse == Parse::Lazy && i + 1 < n && matches[i + 1].length > m.length + 1;
      if (m.length >= 3 && !defer) {
        units.push_back({m.length, m.source});
        i += m.length;
      } else {
        units.push_back({});
        ++i;
      }
    }
    return units;
  }
  constexpr int kLiteralBits = 9;
  detail::RangeMin costs(n + 1);
  costs.Set(n, 0);
  std::vector<std::uint32_t> choice(n, 0);  // length of the copy taken at each position, 0 for a literal
  std::int64_t next = 0;                    // the cost from i + 1
  for (std::size_t i = n; i-- > 0;) {
    std::int64_t best = kLiteralBits + next;
    const std::uint32_t longest = matches[i].length;
    for (const LzTier& tier : tiers) {
      if (longest < tier.minLength) break;
      const auto end = costs.Min(i + tier.minLength, i + std::min(longest, tier.maxLength));
      if (end.value != detail::RangeMin::kNone && tier.bits + end.value <= best) {
        best = tier.bits + end.value;
        choice[i] = static_cast<std::uint32_t>(end.position - i);
      }
    }
    costs.Set(i, best);
    next = best;
  }
  for (std::size_t i = 0; i < n;) {
    if (choice[i] == 0) {
      units.push_back({});
      ++i;
    } else {
      units.push_back({choice[i], matches[i].source});
      i += choice[i];
    }
  }
  return units;
}

Result<ByteString> EncodeNintendoLz(std::span<const std::uint8_t> input, const EncodeOptions& options,
                                    bool extended) {
  auto header = detail::BiosHeader(extended ? 0x11 : 0x10, input.size());
  if (!header) return header;
  static constexpr LzTier kLz77Tiers[] = {{3, 18, 17}};
  static constexpr LzTier kLz11Tiers[] = {{3, 16, 17}, {17, 272, 25}, {273, 65808, 33}};
  detail::MatchRules rules;
  rules.maxDistance = 4096;
  rules.minDistance = !extended && options.vramSafe ? 2 : 1;
  rules.maxLength = extended ? 65808 : 18;
  const auto matches = detail::FindMatches(input, rules);
  const auto units = extended ? ParseNintendoLz(input, matches, kLz11Tiers, options.parse)
                              : ParseNintendoLz(input, matches, kLz77Tiers, options.parse);
  ByteString out = std::move(header.Value());
  out.reserve(out.size() + input.size() + input.size() / 8 + 1);
  std::size_t flagAt = 0;
  int flagBit = 0;
  std::size_t position = 0;
  for (const Unit& unit : units) {
    if (flagBit == 0) {
      flagAt = out.size();
      out.push_back(0);
      flagBit = 8;
    }
    --flagBit;
    if (unit.length == 0) {
      out.push_back(input[position++]);
      continue;
    }
    out[flagAt] |= static_cast<std::uint8_t>(1u << flagBit);
    const std::uint32_t d = static_cast<std::uint32_t>(position - unit.source - 1);
    const std::uint32_t len = unit.length;
    if (!extended || (len >= 3 && len <= 16)) {
      const std::uint32_t c = len - (extended ? 1 : 3);
      out.push_back(static_cast<std::uint8_t>(c << 4 | d >> 8));
    } else if (len <= 272) {
      const std::uint32_t c = len - 0x11;
      out.push_back(static_cast<std::uint8_t>(c >> 4));
      out.push_back(static_cast<std::uint8_t>((c & 0xF) << 4 | d >> 8));
    } else {
      const std::uint32_t c = len - 0x111;
      out.push_back(static_cast<std::uint8_t>(0x10 | c >> 12));
      out.push_back(static_cast<std::uint8_t>(c >> 4));
      out.push_back(static_cast<std::uint8_t>((c & 0xF) << 4 | d >> 8));
    }
    out.push_back(static_cast<std::uint8_t>(d));
    position += len;
  }
  return out;
}

}  // namespace

Result<Decompressed> DecodeGbaLz77(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  return DecodeNintendoLz(input, limits, false);
}
Result<Decompressed> DecodeNdsLz11(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  return DecodeNintendoLz(input, limits, true);
}
Result<ByteString> EncodeGbaLz77(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  return EncodeNintendoLz(input, options, false);
}
Result<ByteString> EncodeNdsLz11(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  return EncodeNintendoLz(input, options, true);
}

// RLE (0x30): a flag byte with bit 7 set repeats the next byte (flag & 0x7F) + 3 times;
// with bit 7 clear, (flag & 0x7F) + 1 bytes follow as they are.
Result<Decompressed> DecodeGbaRle(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  const auto header = detail::ReadBiosHeader(input, 0x30, "gba-rle", limits);
  if (!header) return Result<Decompressed>::Failure(header.Error());
  const std::size_t size = header.Value();
  Decompressed result;
  ByteString& out = result.bytes;
  out.reserve(size);
  std::size_t pos = 4;
  const std::size_t n = input.size();
  while (out.size() < size) {
    if (pos >= n) return EndsEarly(limits.base + pos);
    const std::uint8_t flag = input[pos++];
    if (flag & 0x80) {
      if (pos >= n) return EndsEarly(limits.base + pos);
      const std::size_t count = std::min<std::size_t>((flag & 0x7F) + 3, size - out.size());
      out.insert(out.end(), count, input[pos++]);
    } else {
      const std::size_t count = std::size_t{flag} + 1;
      if (pos + count > n) return EndsEarly(limits.base + n);
      const std::size_t kept = std::min(count, size - out.size());
      out.insert(out.end(), input.begin() + static_cast<std::ptrdiff_t>(pos),
                 input.begin() + static_cast<std::ptrdiff_t>(pos + kept));
      pos += count;
    }
  }
  result.consumed = pos;
  return result;
}

// The smallest RLE block: from each position, a run of 3 to 130 equal bytes costs 2
// bytes, a stretch of 1 to 128 bytes as they are costs one more than its length.
Result<ByteString> EncodeGbaRle(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  auto header = detail::BiosHeader(0x30, input.size());
  if (!header) return header;
  const std::size_t n = input.size();
  std::vector<std::uint32_t> run(n + 1, 0);  // equal bytes from each position
  for (std::size_t i = n; i-- > 0;) run[i] = i + 1 < n && input[i + 1] == input[i] ? run[i + 1] + 1 : 1;
  std::vector<std::uint64_t> cost(n + 1, 0);
  std::vector<std::int32_t> step(n + 1, 0);  // > 0: a run of that length; < 0: that many bytes as they are
  for (std::size_t i = n; i-- > 0;) {
    std::uint64_t best = ~std::uint64_t{0};
    const std::size_t longestRun = std::min<std::size_t>(run[i], 130);
    if (options.parse == Parse::Optimal) {
      for (std::size_t len = 3; len <= longestRun; ++len) {
        if (2 + cost[i + len] < best) best = 2 + cost[i + len], step[i] = static_cast<std::int32_t>(len);
      }
      for (std::size_t len = 1; len <= 128 && i + len <= n; ++len) {
        if (1 + len + cost[i + len] < best)
          best = 1 + len + cost[i + len], step[i] = -static_cast<std::int32_t>(len);
      }
    } else if (longestRun >= 3) {
      best = 2 + cost[i + longestRun], step[i] = static_cast<std::int32_t>(longestRun);
    } else {
      // Plain bytes up to the next run of three.
      std::size_t len = 1;
      while (len < 128 && i + len < n && run[i + len] < 3) ++len;
      best = 1 + len + cost[i + len], step[i] = -static_cast<std::int32_t>(len);
    }
    cost[i] = best;
  }
  ByteString out = std::move(header.Value());
  for (std::size_t i = 0; i < n;) {
    if (step[i] > 0) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (step[i] - 3)));
      out.push_back(input[i]);
      i += static_cast<std::size_t>(step[i]);
    } else {
      const std::size_t len = static_cast<std::size_t>(-step[i]);
      out.push_back(static_cast<std::uint8_t>(len - 1));
      out.insert(out.end(), input.begin() + static_cast<std::ptrdiff_t>(i),
                 input.begin() + static_cast<std::ptrdiff_t>(i + len));
      i += len;
    }
  }
  return out;
}

}  // namespace glyphon::compression
