// SPDX-License-Identifier: MIT
#include "rom/locate.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "formats/decoding.h"
#include "platform/file_io.h"

namespace glyphon::rom {

namespace {

// The rolling hash: a window's bytes as the digits of a number in base kBase, modulo 2^64.
constexpr std::uint64_t kBase = 0x100000001B3;
// Spreads a hash's low bits into its top bits, which pick the filter slot.
constexpr std::uint64_t kSpread = 0x9E3779B97F4A7C15;

std::uint64_t HashOf(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 0;
  for (std::uint8_t b : bytes) hash = hash * kBase + b;
  return hash;
}

// Reading a few MiB at a time keeps memory flat whatever the ROM's size.
constexpr std::uint64_t kChunk = std::uint64_t{4} << 20;

}  // namespace

PatternSearch::PatternSearch(std::vector<ByteString> patterns) {
  m_length = patterns.empty() ? 0 : patterns.front().size();
  m_count = patterns.size();
  // About 1024 filter bits per pattern keep false passes rare: 2^16 to 2^24 bits, 8 KiB to
  // 2 MiB.
  const int bits = static_cast<int>(std::clamp<std::size_t>(std::bit_width(m_count * 1024), 16, 24));
  m_filterShift = 64 - bits;
  m_filter.assign((std::size_t{1} << bits) / 64, 0);
  // Equal patterns share one entry that lists them all.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> byHash;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const std::uint64_t hash = HashOf(patterns[i]);
    std::vector<std::size_t>& same = byHash[hash];
    auto unique = std::find_if(same.begin(), same.end(), [&](std::size_t u) {
      return std::memcmp(m_unique[u].data(), patterns[i].data(), m_length) == 0;
    });
    if (unique == same.end()) {
      unique = same.insert(same.end(), m_unique.size());
      m_unique.push_back(std::move(patterns[i]));
      m_owners.emplace_back();
      m_entries.push_back({hash, *unique});
      const std::uint64_t slot = Slot(hash);
      m_filter[slot / 64] |= std::uint64_t{1} << (slot % 64);
    }
    m_owners[*unique].push_back(i);
  }
  std::sort(m_entries.begin(), m_entries.end());
  m_leadFactor = 1;
  for (std::size_t i = 1; i < m_length; ++i) m_leadFactor *= kBase;
}

std::uint64_t PatternSearch::Slot(std::uint64_t hash) const noexcept {
  return (hash * kSpread) >> m_filterShift;
}

bool PatternSearch::MayMatch(std::uint64_t hash) const noexcept {
  const std::uint64_t slot = Slot(hash);
  return (m_filter[slot / 64] >> (slot % 64)) & 1;
}

bool PatternSearch::Confirm(const std::uint8_t* window, std::uint64_t hash, std::uint64_t offset,
                            const OccurrenceVisitor& visit) const {
  const auto [first, last] = std::equal_range(m_entries.begin(), m_entries.end(), Entry{hash, 0});
  for (auto entry = first; entry != last; ++entry) {
    // Distinct patterns differ, so at most one lies at a window.
    if (std::memcmp(window, m_unique[entry->unique].data(), m_length) == 0)
      return visit(m_owners[entry->unique], offset);
  }
  return true;
}

bool PatternSearch::Scan(std::span<const std::uint8_t> text, std::uint64_t base,
                         const OccurrenceVisitor& visit) const {
  if (m_unique.empty() || m_length == 0 || text.size() < m_length) return true;
  const std::uint8_t* bytes = text.data();
  const std::size_t last = text.size() - m_length;
  std::uint64_t hash = HashOf(text.first(m_length));
  for (std::size_t at = 0;; ++at) {
    if (MayMatch(hash) && !Confirm(bytes + at, hash, base + at, visit)) return false;
    if (at == last) return true;
    hash = (hash - bytes[at] * m_leadFactor) * kBase + bytes[at + m_length];
  }
}

Status FindInFile(const platform::RangeFile& file, const PatternSearch& search,
                  const OccurrenceVisitor& visit) {
  const std::uint64_t length = search.Length();
  const std::uint64_t size = file.Size();
  if (length == 0 || size < length) return Status::Success();
  const std::uint64_t windows = size - length + 1;
  const std::uint64_t chunk = std::max(kChunk, 4 * length);
  ByteString buffer;
  for (std::uint64_t start = 0; start < windows;) {
    const std::uint64_t count = std::min(chunk, windows - start);
    buffer.resize(static_cast<std::size_t>(count + length - 1));
    if (Status read = file.ReadAt(start, buffer); !read) return read;
    if (!search.Scan(buffer, start, visit)) break;
    start += count;
  }
  return Status::Success();
}

namespace {

// About 8 MiB of offsets in memory, shared among the patterns, each keeping 4 to 65536.
constexpr std::size_t kHeldOffsets = std::size_t{1} << 20;
constexpr std::uint64_t kNoBatch = ~std::uint64_t{0};

Status LogFailure(const char* what) {
  return Status::Failure(std::string("cannot ") + what +
                         " the temporary file of offsets: " + platform::SystemReason(errno));
}

}  // namespace

// In the file, a batch is the position of the pattern's next batch (kNoBatch: none yet),
// then perPattern offsets, each a 64-bit word in the machine's byte order.
OccurrenceLog::OccurrenceLog(std::size_t patterns, std::size_t perPattern)
    : m_patterns(patterns),
      m_perPattern(perPattern > 0 ? perPattern
                                  : std::clamp<std::size_t>(kHeldOffsets / std::max<std::size_t>(patterns, 1),
                                                            4, 65536)) {}

OccurrenceLog::~OccurrenceLog() {
  if (m_file != nullptr) std::fclose(m_file);
}

Status OccurrenceLog::Add(std::size_t pattern, std::uint64_t offset) {
  Pattern& entry = m_patterns[pattern];
  if (entry.recent.empty()) entry.recent.reserve(m_perPattern);
  entry.recent.push_back(offset);
  ++entry.count;
  ++m_held;
  return entry.recent.size() == m_perPattern ? Spill(entry) : Status::Success();
}

Status OccurrenceLog::Spill(Pattern& pattern) {
  if (m_file == nullptr && (m_file = std::tmpfile()) == nullptr) return LogFailure("make");
  const int descriptor = fileno(m_file);
  std::uint64_t none = kNoBatch;
  iovec parts[2] = {{&none, sizeof none},
                    {pattern.recent.data(), pattern.recent.size() * sizeof(std::uint64_t)}};
  const std::size_t bytes = parts[0].iov_len + parts[1].iov_len;
  if (pwritev(descriptor, parts, 2, m_fileEnd) != static_cast<ssize_t>(bytes)) return LogFailure("write");
  if (pattern.last >= 0) {
    const std::uint64_t next = static_cast<std::uint64_t>(m_fileEnd);
    if (pwrite(descriptor, &next, sizeof next, pattern.last) != static_cast<ssize_t>(sizeof next))
      return LogFailure("write");
  } else {
    pattern.first = m_fileEnd;
  }
  pattern.last = m_fileEnd;
  m_fileEnd += static_cast<std::int64_t>(bytes);
  m_held -= pattern.recent.size();
  pattern.recent.clear();
  return Status::Success();
}

Status OccurrenceLog::ForEach(std::size_t pattern, const std::function<void(std::uint64_t)>& visit) const {
  const Pattern& entry = m_patterns[pattern];
  if (entry.first >= 0) {
    std::vector<std::uint64_t> batch(m_perPattern + 1);
    const std::size_t bytes = batch.size() * sizeof(std::uint64_t);
    for (std::uint64_t at = static_cast<std::uint64_t>(entry.first); at != kNoBatch; at = batch[0]) {
      if (pread(fileno(m_file), batch.data(), bytes, static_cast<off_t>(at)) != static_cast<ssize_t>(bytes))
        return LogFailure("read");
      for (std::size_t i = 1; i < batch.size(); ++i) visit(batch[i]);
    }
  }
  for (std::uint64_t offset : entry.recent) visit(offset);
  return Status::Success();
}

namespace {

bool OneColour(const platform::Surface& picture) {
  const RgbColor first = picture.GetPixel(0, 0);
  for (int y = 0; y < picture.Height(); ++y) {
    const auto row = picture.Row(y);
    if (std::any_of(row.begin(), row.end(), [&](RgbColor c) { return c != first; })) return false;
  }
  return true;
}

}  // namespace

std::vector<TileBytes> DistinctiveTiles(const formats::FormatInfo& format, const platform::Surface& picture,
                                        const convert::Selection& selection) {
  // A "tile" is the format's own block: 8 by 8, or a PC Engine sprite's 16 by 16.
  const int kTile = format.blockSide;
  platform::NullProgress progress;
  std::vector<TileBytes> tiles;
  const int across = selection.width / kTile;
  const int down = selection.height / kTile;
  for (int row = 0; row < down; ++row) {
    for (int column = 0; column < across; ++column) {
      const convert::Selection tile{selection.x + column * kTile, selection.y + row * kTile, kTile, kTile};
      convert::PartnerState partner;
      // Without a partner picture the encoder cannot fail.
      ByteString bytes = formats::Encode(format, picture, tile, partner, progress).Value();
      // The tile's own bytes, read back as the format shows them, tell whether it is plain.
      const formats::DecodeResult shown =
          formats::Decode(format, bytes, kTile, formats::DecodeMode::Preview, nullptr, progress);
      if (bytes.empty() || (shown.Ok() && !shown.picture.IsEmpty() && OneColour(shown.picture))) continue;
      tiles.push_back({row * across + column, std::move(bytes)});
    }
  }
  return tiles;
}

}  // namespace glyphon::rom
