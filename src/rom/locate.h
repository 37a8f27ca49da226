// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "convert/encoding.h"
#include "core/result.h"
#include "formats/format_table.h"
#include "platform/file_range.h"

namespace glyphon::rom {

// Told of each occurrence as it is found, in increasing order of offset: the patterns (by
// index, in increasing order; equal patterns are found together) whose bytes lie at
// `offset`. Returns false to end the search there. Nothing is kept between calls, so a
// search costs memory by its patterns, never by how often they occur.
using OccurrenceVisitor = std::function<bool(std::span<const std::size_t> patterns, std::uint64_t offset)>;

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
  // How many of the patterns differ from one another.
  std::size_t Distinct() const noexcept { return m_unique.size(); }

  // Tells `visit` of base + position for every window of `text` equal to a pattern, in
  // increasing order; false when the visitor ended the search.
  bool Scan(std::span<const std::uint8_t> text, std::uint64_t base, const OccurrenceVisitor& visit) const;

 private:
  struct Entry {
    std::uint64_t hash;
    std::size_t unique;  // index into m_unique
    bool operator<(const Entry& other) const noexcept { return hash < other.hash; }
  };
  std::uint64_t Slot(std::uint64_t hash) const noexcept;  // the filter bit of a hash
  bool MayMatch(std::uint64_t hash) const noexcept;
  bool Confirm(const std::uint8_t* window, std::uint64_t hash, std::uint64_t offset,
               const OccurrenceVisitor& visit) const;

  std::size_t m_length = 0;
  std::size_t m_count = 0;
  std::vector<ByteString> m_unique;                // the distinct patterns
  std::vector<std::vector<std::size_t>> m_owners;  // per distinct pattern, the patterns equal to it
  std::vector<Entry> m_entries;                    // sorted by hash
  std::vector<std::uint64_t> m_filter;             // one bit per filter slot
  int m_filterShift = 0;
  std::uint64_t m_leadFactor = 0;  // the rolling hash's factor of a window's first byte
};

// Tells `visit` of every occurrence of the patterns in a file, read a few MiB at a time,
// until the end or until the visitor ends the search.
Status FindInFile(const platform::RangeFile& file, const PatternSearch& search,
                  const OccurrenceVisitor& visit);

// The offsets found for many patterns, to be given back pattern by pattern once the search
// is over (as `locate --tiles` prints them). Each pattern keeps its latest offsets in memory,
// at most `perPattern` of them; a full batch moves to a temporary file, chained to the
// pattern's batch before it. Memory grows with the patterns, not with the offsets.
class OccurrenceLog {
 public:
  explicit OccurrenceLog(std::size_t patterns, std::size_t perPattern = 0);
  ~OccurrenceLog();
  OccurrenceLog(const OccurrenceLog&) = delete;
  OccurrenceLog& operator=(const OccurrenceLog&) = delete;

  Status Add(std::size_t pattern, std::uint64_t offset);
  std::uint64_t Count(std::size_t pattern) const { return m_patterns[pattern].count; }
  // Calls `visit` with each offset of the pattern, in the order they were added.
  Status ForEach(std::size_t pattern, const std::function<void(std::uint64_t)>& visit) const;

  // The offsets held in memory now, all patterns together.
  std::size_t Held() const noexcept { return m_held; }

 private:
  struct Pattern {
    std::vector<std::uint64_t> recent;  // not yet in the file
    std::uint64_t count = 0;
    std::int64_t first = -1;  // file position of the first and last batch, -1: none
    std::int64_t last = -1;
  };
  Status Spill(Pattern& pattern);

  std::vector<Pattern> m_patterns;
  std::size_t m_perPattern;
  std::size_t m_held = 0;
  std::FILE* m_file = nullptr;  // the temporary file, opened at the first spill
  std::int64_t m_fileEnd = 0;
};

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
