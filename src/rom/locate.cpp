#include "rom/locate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>

#include "formats/decoding.h"

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

void PatternSearch::Confirm(const std::uint8_t* window, std::uint64_t hash, std::uint64_t offset,
                            Occurrences& hits) const {
  const auto [first, last] = std::equal_range(m_entries.begin(), m_entries.end(), Entry{hash, 0});
  for (auto entry = first; entry != last; ++entry) {
    if (std::memcmp(window, m_unique[entry->unique].data(), m_length) != 0) continue;
    for (std::size_t owner : m_owners[entry->unique]) hits[owner].push_back(offset);
  }
}

void PatternSearch::Scan(std::span<const std::uint8_t> text, std::uint64_t base, Occurrences& hits) const {
  if (m_unique.empty() || m_length == 0 || text.size() < m_length) return;
  const std::uint8_t* bytes = text.data();
  const std::size_t last = text.size() - m_length;
  std::uint64_t hash = HashOf(text.first(m_length));
  for (std::size_t at = 0;; ++at) {
    if (MayMatch(hash)) Confirm(bytes + at, hash, base + at, hits);
    if (at == last) break;
    hash = (hash - bytes[at] * m_leadFactor) * kBase + bytes[at + m_length];
  }
}

Result<Occurrences> FindInFile(const platform::RangeFile& file, const PatternSearch& search) {
  Occurrences hits(search.Count());
  const std::uint64_t length = search.Length();
  const std::uint64_t size = file.Size();
  if (length == 0 || size < length) return hits;
  const std::uint64_t windows = size - length + 1;
  const std::uint64_t chunk = std::max(kChunk, 4 * length);
  ByteString buffer;
  for (std::uint64_t start = 0; start < windows;) {
    const std::uint64_t count = std::min(chunk, windows - start);
    buffer.resize(static_cast<std::size_t>(count + length - 1));
    if (Status read = file.ReadAt(start, buffer); !read) return Result<Occurrences>::Failure(read.error);
    search.Scan(buffer, start, hits);
    start += count;
  }
  return hits;
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
  constexpr int kTile = 8;
  platform::NullProgress progress;
  std::vector<TileBytes> tiles;
  const int across = selection.width / kTile;
  const int down = selection.height / kTile;
  for (int row = 0; row < down; ++row) {
    for (int column = 0; column < across; ++column) {
      const convert::Selection tile{selection.x + column * kTile, selection.y + row * kTile, kTile, kTile};
      convert::PartnerState partner;
      ByteString bytes = formats::Encode(format, picture, tile, partner, progress);
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
