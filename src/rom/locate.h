#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "convert/encoding.h"
#include "formats/format_table.h"
#include "platform/file_range.h"
#include "platform/result.h"

namespace glyphon::rom {

// Every offset at which each pattern occurs, pattern by pattern, in increasing order.
using Occurrences = std::vector<std::vector<std::uint64_t>>;

// Finds every occurrence of any number of byte strings of one length at once: a rolling
// hash of every window of that length is screened by a bit filter of the patterns' hashes,
// and only a window that passes is compared byte for byte. The cost per byte of text does
// not depend on the number of patterns nor on their length.
class PatternSearch {
 public:
  // `patterns` are all of one length, at least one byte; equal patterns are allowed.
  explicit PatternSearch(std::vector<ByteString> patterns);

  std::size_t Length() const noexcept { return m_length; }
  std::size_t Count() const noexcept { return m_count; }

  // Appends base + position to hits[pattern] for every window of `text` equal to a
  // pattern; `hits` holds Count() lists.
  void Scan(std::span<const std::uint8_t> text, std::uint64_t base, Occurrences& hits) const;

 private:
  struct Entry {
    std::uint64_t hash;
    std::size_t unique;  // index into m_unique
    bool operator<(const Entry& other) const noexcept { return hash < other.hash; }
  };
  std::uint64_t Slot(std::uint64_t hash) const noexcept;  // the filter bit of a hash
  bool MayMatch(std::uint64_t hash) const noexcept;
  void Confirm(const std::uint8_t* window, std::uint64_t hash, std::uint64_t offset, Occurrences& hits) const;

  std::size_t m_length = 0;
  std::size_t m_count = 0;
  std::vector<ByteString> m_unique;                // the distinct patterns
  std::vector<std::vector<std::size_t>> m_owners;  // per distinct pattern, the patterns equal to it
  std::vector<Entry> m_entries;                    // sorted by hash
  std::vector<std::uint64_t> m_filter;             // one bit per filter slot
  int m_filterShift = 0;
  std::uint64_t m_leadFactor = 0;  // the rolling hash's factor of a window's first byte
};

// Every occurrence of the patterns in a file, read a few MiB at a time.
Result<Occurrences> FindInFile(const platform::RangeFile& file, const PatternSearch& search);

// An 8 by 8 tile of a selection as it encodes on its own: its number among the whole tiles
// of the selection (row by row from 0) and its bytes.
struct TileBytes {
  int number = 0;
  ByteString bytes;
};

// The whole 8 by 8 tiles of a selection, each encoded on its own in `format`, leaving out
// the tiles whose bytes decode to a single colour (they would match every plain stretch of a
// ROM). Partial tiles at the right and bottom edges are left out too.
std::vector<TileBytes> DistinctiveTiles(const formats::FormatInfo& format, const platform::Surface& picture,
                                        const convert::Selection& selection);

}  // namespace glyphon::rom
