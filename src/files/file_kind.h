#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace glyphon::files {

// The four things a file can be loaded or saved as.
enum class FileKind {
  Bitmap,         // "BMP": the main picture
  PartnerBitmap,  // "BMP2": the partner picture
  Data,           // "DAT": the main ROM data
  PartnerData,    // "DAT2": the partner data
};

// "BMP", "BMP2", "DAT" or "DAT2" as a kind; any other text is none.
std::optional<FileKind> ParseKind(std::string_view kind) noexcept;

// One entry of a dialog's filter list, as the load and save flows see it.
struct FilterEntry {
  // The description without " files (...)": "ROM FX high data".
  std::string description;
  // The kind the entry stands for: its first pattern's extension upper-cased, with "2"
  // when the entry is a partner entry: "BMP", "DAT2". Empty for an "All files" entry.
  std::string kind;
  // The first pattern's extension as written ("bmp"); empty for an "All files" entry.
  std::string extension;
  friend bool operator==(const FilterEntry&, const FilterEntry&) = default;
};

// Splits a filter list, pairs of a description and its patterns ("*.bmp;*.png") all
// separated by '|', into its entries. A description left without a pattern at the end is
// no entry.
std::vector<FilterEntry> FilterTable(std::string_view filters);

// A partner entry names the partner data: the partner filter name of a format ("FX high",
// "interleaved", "16bpp N64 alpha") in its description.
bool IsPartnerDescription(std::string_view description) noexcept;

// The text after the last '.' of the file name (its last path component); empty when the
// name has no '.'.
std::string_view Extension(std::string_view fileName) noexcept;

// Which picture extensions count as "BMP": every kind the reader decodes when loading,
// the kinds the writer makes when saving.
enum class Direction { Load, Save };

// The kind a file name asks for: its extension upper-cased, with the picture extensions of
// `direction` as "BMP" ("a.png" is "BMP", "a.dat2" is "DAT2"). Empty without an extension.
std::string NameKind(std::string_view fileName, Direction direction = Direction::Load);

// The name's kind, with "2" appended when the 1-based `filterIndex` chose a partner
// entry of `table`. An index outside the table adds nothing.
std::string CandidateKind(std::string_view fileName, std::span<const FilterEntry> table, int filterIndex,
                          Direction direction = Direction::Load);

// A candidate that starts with neither "BMP" nor "DAT" needs the user to say what the
// file is.
bool NeedsQuestion(std::string_view candidate) noexcept;

// "Do you wish to load as ROM data?"
std::string LoadAsQuestion(std::string_view description);

// Asks, for each entry that has a kind, in turn from the first and starting again after
// the last, whether to load the file as that entry. Yes gives the entry's kind, No moves
// on, anything else (Cancel) gives nothing. A table without any kind gives nothing
// without asking.
template <class AskFn>
std::string AskForKind(std::span<const FilterEntry> table, AskFn&& ask) {
  bool anyKind = false;
  for (const FilterEntry& entry : table) anyKind = anyKind || !entry.kind.empty();
  if (!anyKind) return {};
  for (;;) {
    for (const FilterEntry& entry : table) {
      if (entry.kind.empty()) continue;
      const platform::Answer answer = ask(entry.description);
      if (answer == platform::Answer::Yes) return entry.kind;
      if (answer != platform::Answer::No) return {};
    }
  }
}

}  // namespace glyphon::files
