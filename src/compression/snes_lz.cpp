// SPDX-License-Identifier: MIT
// The command-byte LZ schemes of SNES games: LC_LZ2 (Super Mario World, A Link to the Past)
// and HAL Laboratory's (Kirby, EarthBound). Each command starts with a byte CCCLLLLL: command
// C and length L + 1. C = 7 is a long header, 111CCCLL LLLLLLLL, with a 10-bit length; the
// byte 0xFF ends the block. The commands:
//   0 the next L + 1 bytes as they are
//   1 one byte, L + 1 times
//   2 two bytes alternating for L + 1 bytes (LC_LZ2); HAL writes the pair L + 1 times
//   3 one byte L + 1 times, adding one after each
//   4 L + 1 bytes copied from an address (big-endian, 2 bytes) in the output so far
//   5 HAL only: as 4 with the bits of each byte in reverse order
//   6 HAL only: as 4 reading backwards from the address
#include <algorithm>

#include "compression/compression.h"
#include "compression/lz_parse.h"
#include "compression/nintendo_parts.h"

namespace glyphon::compression {

using detail::Hex;

namespace {

enum class Dialect { Lz2, Hal };

Result<Decompressed> DecodeCommands(std::span<const std::uint8_t> input, const DecodeLimits& limits,
                                    Dialect dialect) {
  Decompressed result;
  ByteString& out = result.bytes;
  const std::size_t n = input.size();
  std::size_t pos = 0;
  auto ends_early = [&](std::size_t at) {
    return Result<Decompressed>::Failure("the block ends early at offset " + Hex(limits.base + at));
  };
  for (;;) {
    if (pos >= n) return ends_early(pos);
    const std::size_t start = pos;
    const std::uint8_t head = input[pos++];
    if (head == 0xFF) break;
    unsigned command = head >> 5;
    std::size_t length = (head & 0x1Fu) + 1;
    if (command == 7) {
      if (pos >= n) return ends_early(pos);
      command = (head >> 2) & 7;
      length = ((head & 3u) << 8 | input[pos++]) + 1;
      if (command == 7) {
        return Result<Decompressed>::Failure("a long header at offset " + Hex(limits.base + start) +
                                             " holds command 7");
      }
    }
    std::size_t produced = length;
    if (dialect == Dialect::Hal && command == 2) produced = 2 * length;
    if (out.size() + produced > limits.maxOutput) {
      return Result<Decompressed>::Failure("the block at offset " + Hex(limits.base) +
                                           " decompresses to more than the limit of " +
                                           std::to_string(limits.maxOutput) + " bytes");
    }
    switch (command) {
      case 0:
        if (pos + length > n) return ends_early(n);
        out.insert(out.end(), input.begin() + static_cast<std::ptrdiff_t>(pos),
                   input.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
        break;
      case 1:
        if (pos >= n) return ends_early(pos);
        out.insert(out.end(), length, input[pos++]);
        break;
      case 2: {
        if (pos + 2 > n) return ends_early(n);
        const std::uint8_t pair[2] = {input[pos], input[pos + 1]};
        pos += 2;
        for (std::size_t k = 0; k < produced; ++k) out.push_back(pair[k % 2]);
        break;
      }
      case 3: {
        if (pos >= n) return ends_early(pos);
        std::uint8_t value = input[pos++];
        for (std::size_t k = 0; k < length; ++k) out.push_back(value++);
        break;
      }
      case 4:
      case 5:
      case 6: {
        if (dialect == Dialect::Lz2 && command != 4) {
          return Result<Decompressed>::Failure("the command at offset " + Hex(limits.base + start) + " is " +
                                               std::to_string(command) + ", which snes-lz2 does not use");
        }
        if (pos + 2 > n) return ends_early(n);
        const std::size_t address = std::size_t{input[pos]} << 8 | input[pos + 1];
        pos += 2;
        if (address >= out.size() || (command == 6 && address + 1 < length)) {
          return Result<Decompressed>::Failure("the copy at offset " + Hex(limits.base + start) +
                                               " refers to " + Hex(address) + ", outside the " +
                                               std::to_string(out.size()) + " bytes decoded before it");
        }
        for (std::size_t k = 0; k < length; ++k) {
          if (command == 4) {
            out.push_back(out[address + k]);
          } else if (command == 5) {
            out.push_back(detail::ReverseBits(out[address + k]));
          } else {
            out.push_back(out[address - k]);
          }
        }
        break;
      }
      default:
        return Result<Decompressed>::Failure("the command at offset " + Hex(limits.base + start) + " is " +
                                             std::to_string(command) + ", which no decoder knows");
    }
  }
  result.consumed = pos;
  return result;
}

// The decoder's checks without its output: the block ends inside `input`, every copy
// refers to bytes already produced, and the output stays within the limit.
bool WalkCommands(std::span<const std::uint8_t> input, std::size_t maxOutput, Dialect dialect) {
  const std::size_t n = input.size();
  std::size_t pos = 0, produced = 0;
  for (;;) {
    if (pos >= n) return false;
    const std::uint8_t head = input[pos++];
    if (head == 0xFF) return produced > 0;
    unsigned command = head >> 5;
    std::size_t length = (head & 0x1Fu) + 1;
    if (command == 7) {
      if (pos >= n) return false;
      command = (head >> 2) & 7;
      length = ((head & 3u) << 8 | input[pos++]) + 1;
      if (command == 7) return false;
    }
    const std::size_t before = produced;
    produced += dialect == Dialect::Hal && command == 2 ? 2 * length : length;
    if (produced > maxOutput) return false;
    switch (command) {
      case 0:
        pos += length;
        break;
      case 1:
      case 3:
        pos += 1;
        break;
      case 2:
        pos += 2;
        break;
      case 4:
      case 5:
      case 6: {
        if (dialect == Dialect::Lz2 && command != 4) return false;
        if (pos + 2 > n) return false;
        const std::size_t address = std::size_t{input[pos]} << 8 | input[pos + 1];
        if (address >= before || (command == 6 && address + 1 < length)) return false;
        pos += 2;
        break;
      }
      default:
        return false;
    }
    if (pos > n) return false;
  }
}

enum Kind : std::uint8_t { kRaw, kByteFill, kWordFill, kIncreasing, kCopy, kReversedCopy, kBackwardsCopy };

struct Step {
  Kind kind = kRaw;
  std::uint32_t length = 0;  // bytes of output
  std::uint32_t source = 0;
};

constexpr std::size_t kMaxLength = 1024;
constexpr std::size_t kMaxAddress = 0xFFFF;

std::size_t HeaderBytes(std::size_t count) {
  return count <= 32 ? 1 : 2;
}

// The longest run of each command from every position.
struct Reach {
  std::vector<std::uint32_t> byteRun, wordRun, increasing;
  std::vector<detail::Match> copy, reversed, backwards;
};

Reach Measure(std::span<const std::uint8_t> data, Dialect dialect) {
  const std::size_t n = data.size();
  Reach r;
  r.byteRun.assign(n + 2, 0);
  r.wordRun.assign(n + 2, 0);
  r.increasing.assign(n + 2, 0);
  for (std::size_t i = n; i-- > 0;) {
    r.byteRun[i] = i + 1 < n && data[i + 1] == data[i] ? r.byteRun[i + 1] + 1 : 1;
    r.increasing[i] =
        i + 1 < n && data[i + 1] == static_cast<std::uint8_t>(data[i] + 1) ? r.increasing[i + 1] + 1 : 1;
    // Bytes from i following the alternation data[i], data[i + 1]: the one from i + 1
    // continues it exactly when data[i + 2] == data[i].
    r.wordRun[i] = i + 2 < n && data[i + 2] == data[i]
                       ? r.wordRun[i + 1] + 1
                       : static_cast<std::uint32_t>(std::min<std::size_t>(2, n - i));
  }
  detail::MatchRules rules;
  rules.maxDistance = kMaxAddress + 1;
  rules.maxSource = kMaxAddress;
  rules.maxLength = kMaxLength;
  rules.chainDepth = 256;
  r.copy = detail::FindMatches(data, rules);
  if (dialect == Dialect::Hal) {
    // Mirrored copies are rarer: fewer candidates are worth trying.
    rules.chainDepth = 32;
    rules.kind = detail::MatchKind::BitReversed;
    r.reversed = detail::FindMatches(data, rules);
    rules.kind = detail::MatchKind::Backwards;
    r.backwards = detail::FindMatches(data, rules);
  }
  return r;
}

// The longest each command can reach at i (HAL word fills in whole pairs), its payload
// bytes and its source.
struct Option {
  Kind kind;
  std::size_t reach;
  std::size_t payload;
  std::uint32_t source;
};

int Options(const Reach& r, std::size_t i, std::size_t n, Dialect dialect, Option* options) {
  int count = 0;
  auto add = [&](Kind kind, std::size_t reach, std::size_t payload, std::uint32_t source) {
    if (reach > 0) options[count++] = {kind, std::min(reach, n - i), payload, source};
  };
  add(kByteFill, std::min<std::size_t>(r.byteRun[i], kMaxLength), 1, 0);
  if (i + 1 < n) {
    const std::size_t word = dialect == Dialect::Hal
                                 ? std::min<std::size_t>(r.wordRun[i] / 2 * 2, 2 * kMaxLength)
                                 : std::min<std::size_t>(r.wordRun[i], kMaxLength);
    add(kWordFill, word, 2, 0);
  }
  add(kIncreasing, std::min<std::size_t>(r.increasing[i], kMaxLength), 1, 0);
  add(kCopy, r.copy[i].length, 2, r.copy[i].source);
  if (dialect == Dialect::Hal) {
    add(kReversedCopy, r.reversed[i].length, 2, r.reversed[i].source);
    add(kBackwardsCopy, r.backwards[i].length, 2, r.backwards[i].source);
  }
  return count;
}

std::vector<Step> ParseCommands(std::span<const std::uint8_t> data, Dialect dialect, Parse parse) {
  const std::size_t n = data.size();
  const Reach reach = Measure(data, dialect);
  std::vector<Step> steps;
  Option options[6];
  if (parse != Parse::Optimal) {
    // The command reaching furthest, when it saves over plain bytes; plain bytes otherwise.
    auto best_at = [&](std::size_t i) {
      Option best{kRaw, 0, 0, 0};
      const int count = Options(reach, i, n, dialect, options);
      for (int k = 0; k < count; ++k) {
        if (options[k].reach > options[k].payload + 1 && options[k].reach > best.reach) best = options[k];
      }
      return best;
    };
    for (std::size_t i = 0; i < n;) {
      Option best = best_at(i);
      if (best.kind != kRaw && parse == Parse::Lazy && i + 1 < n && best_at(i + 1).reach > best.reach + 1) {
        best = Option{kRaw, 0, 0, 0};
      }
      if (best.kind == kRaw) {
        if (!steps.empty() && steps.back().kind == kRaw && steps.back().length < kMaxLength) {
          ++steps.back().length;
        } else {
          steps.push_back({kRaw, 1, 0});
        }
        ++i;
      } else {
        steps.push_back({best.kind, static_cast<std::uint32_t>(best.reach), best.source});
        i += best.reach;
      }
    }
    return steps;
  }
  // cost[i]: the fewest bytes from i to the end. `ends` holds cost[j], `rawEnds` cost[j] + j
  // (a stretch of plain bytes costs its length, so its best end minimises the sum).
  detail::RangeMin ends(n + 1), rawEnds(n + 1), evenEnds(n / 2 + 2), oddEnds(n / 2 + 2);
  std::vector<std::int64_t> cost(n + 1, 0);
  auto set = [&](std::size_t j, std::int64_t value) {
    cost[j] = value;
    ends.Set(j, value);
    rawEnds.Set(j, value + static_cast<std::int64_t>(j));
    if (dialect == Dialect::Hal) (j % 2 ? oddEnds : evenEnds).Set(j / 2, value);
  };
  set(n, 0);
  std::vector<Step> choice(n);
  for (std::size_t i = n; i-- > 0;) {
    std::int64_t best = detail::RangeMin::kNone;
    Step pick;
    auto consider = [&](std::int64_t value, const Step& step) {
      if (value < best) best = value, pick = step;
    };
    // Both header sizes: lengths 1 to 32, then 33 to 1024.
    for (std::size_t tier = 0; tier < 2; ++tier) {
      const std::size_t lo = tier == 0 ? 1 : 33, hi = tier == 0 ? 32 : kMaxLength;
      if (i + lo > n) break;
      const auto raw = rawEnds.Min(i + lo, std::min(i + hi, n));
      consider(raw.value - static_cast<std::int64_t>(i) + static_cast<std::int64_t>(tier + 1),
               {kRaw, static_cast<std::uint32_t>(raw.position - i), 0});
    }
    const int count = Options(reach, i, n, dialect, options);
    for (int k = 0; k < count; ++k) {
      const Option& o = options[k];
      if (o.kind == kWordFill && dialect == Dialect::Hal) {
        // Whole pairs only: ends at i + 2, i + 4, ... from the tree of that parity.
        const detail::RangeMin& same = i % 2 ? oddEnds : evenEnds;
        for (std::size_t tier = 0; tier < 2; ++tier) {
          const std::size_t lo = tier == 0 ? 1 : 33,
                            hi = std::min<std::size_t>(tier == 0 ? 32 : kMaxLength, o.reach / 2);
          if (lo > hi) break;
          const auto end = same.Min(i / 2 + lo, i / 2 + hi);
          if (end.value == detail::RangeMin::kNone) continue;
          consider(end.value + static_cast<std::int64_t>(tier + 1 + o.payload),
                   {o.kind, static_cast<std::uint32_t>(2 * end.position + i % 2 - i), 0});
        }
        continue;
      }
      for (std::size_t tier = 0; tier < 2; ++tier) {
        const std::size_t lo = tier == 0 ? 1 : 33,
                          hi = std::min<std::size_t>(tier == 0 ? 32 : kMaxLength, o.reach);
        if (lo > hi) break;
        const auto end = ends.Min(i + lo, i + hi);
        consider(end.value + static_cast<std::int64_t>(tier + 1 + o.payload),
                 {o.kind, static_cast<std::uint32_t>(end.position - i), o.source});
      }
    }
    choice[i] = pick;
    set(i, best);
  }
  for (std::size_t i = 0; i < n; i += choice[i].length) steps.push_back(choice[i]);
  return steps;
}

Result<ByteString> EncodeCommands(std::span<const std::uint8_t> input, const EncodeOptions& options,
                                  Dialect dialect) {
  const auto steps = ParseCommands(input, dialect, options.parse);
  ByteString out;
  out.reserve(input.size() + input.size() / 32 + 2);
  std::size_t i = 0;
  for (const Step& step : steps) {
    const std::size_t count =
        dialect == Dialect::Hal && step.kind == kWordFill ? step.length / 2 : step.length;
    const unsigned command = step.kind;
    if (HeaderBytes(count) == 1) {
      out.push_back(static_cast<std::uint8_t>(command << 5 | (count - 1)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xE0 | command << 2 | (count - 1) >> 8));
      out.push_back(static_cast<std::uint8_t>(count - 1));
    }
    switch (step.kind) {
      case kRaw:
        out.insert(out.end(), input.begin() + static_cast<std::ptrdiff_t>(i),
                   input.begin() + static_cast<std::ptrdiff_t>(i + step.length));
        break;
      case kByteFill:
      case kIncreasing:
        out.push_back(input[i]);
        break;
      case kWordFill:
        out.push_back(input[i]);
        out.push_back(step.length > 1 ? input[i + 1] : 0);
        break;
      default:
        out.push_back(static_cast<std::uint8_t>(step.source >> 8));
        out.push_back(static_cast<std::uint8_t>(step.source));
        break;
    }
    i += step.length;
  }
  out.push_back(0xFF);
  return out;
}

}  // namespace

namespace detail {
bool PlausibleSnesLz2(std::span<const std::uint8_t> bytes, const DecodeLimits& limits) {
  return WalkCommands(bytes, limits.maxOutput, Dialect::Lz2);
}
bool PlausibleHal(std::span<const std::uint8_t> bytes, const DecodeLimits& limits) {
  return WalkCommands(bytes, limits.maxOutput, Dialect::Hal);
}
}  // namespace detail

Result<Decompressed> DecodeSnesLz2(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  return DecodeCommands(input, limits, Dialect::Lz2);
}
Result<Decompressed> DecodeHal(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  return DecodeCommands(input, limits, Dialect::Hal);
}
Result<ByteString> EncodeSnesLz2(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  return EncodeCommands(input, options, Dialect::Lz2);
}
Result<ByteString> EncodeHal(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  return EncodeCommands(input, options, Dialect::Hal);
}

}  // namespace glyphon::compression
