// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formats/file_filters.h"
#include "platform/platform.h"

namespace glyphon::window_commands {

using formats::FileFilter;
using formats::FileKind;

// The text after the last '.' of the file name (its last path component); empty when the
// name has no '.'.
std::string_view Extension(std::string_view fileName) noexcept;

// Which picture extensions count as pictures: every kind the reader decodes when loading,
// the kinds the writer makes when saving.
enum class Direction { Load, Save };

// The kind a file name asks for, with the dialog entry it was chosen with: a picture
// extension of `direction` is a picture, ".dat" is ROM data, ".bmp2" and ".dat2" are the
// partner's picture and data (any case). A partner entry makes a picture or data the
// partner's (and a partner extension with it nothing). Any other extension names no kind.
std::optional<FileKind> KindOf(std::string_view fileName, const FileFilter& chosen,
                               Direction direction = Direction::Load);

// An extension that is neither a picture's nor starts with "bmp" or "dat" (nor any
// extension at all): the user is asked what the file is. ("a.bmpx" is not asked about: it
// names no kind and loads as nothing.)
bool NeedsQuestion(std::string_view fileName, Direction direction = Direction::Load);

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

}  // namespace glyphon::window_commands
