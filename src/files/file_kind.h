#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formats/file_filters.h"
#include "platform/platform.h"

namespace glyphon::files {

using formats::FileFilter;
using formats::FileKind;

// "BMP", "BMP2", "DAT" or "DAT2" as a kind; any other text is none.
std::optional<FileKind> ParseKind(std::string_view kind) noexcept;

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
// entry of `filters`. An index outside the list adds nothing.
std::string CandidateKind(std::string_view fileName, std::span<const FileFilter> filters, int filterIndex,
                          Direction direction = Direction::Load);

// A candidate that starts with neither "BMP" nor "DAT" needs the user to say what the
// file is.
bool NeedsQuestion(std::string_view candidate) noexcept;

// "Do you wish to load as ROM data?"
std::string LoadAsQuestion(std::string_view description);

// Asks, for each entry that has a kind, in turn from the first and starting again after
// the last, whether to load the file as that entry. Yes gives the entry's kind, No moves
// on, anything else (Cancel) gives nothing. A list without any kind gives nothing
// without asking.
template <class AskFn>
std::optional<FileKind> AskForKind(std::span<const FileFilter> filters, AskFn&& ask) {
  bool anyKind = false;
  for (const FileFilter& entry : filters) anyKind = anyKind || entry.kind.has_value();
  if (!anyKind) return std::nullopt;
  for (;;) {
    for (const FileFilter& entry : filters) {
      if (!entry.kind) continue;
      const platform::Answer answer = ask(entry.description);
      if (answer == platform::Answer::Yes) return entry.kind;
      if (answer != platform::Answer::No) return std::nullopt;
    }
  }
}

}  // namespace glyphon::files
