// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/file_filter.h"
#include "core/result.h"
#include "core/surface.h"
#include "core/types.h"
#include "platform/file_io.h"

namespace glyphon::platform {

// The button sets, icons and answers of a message box.
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation };
enum class Answer { Ok, Yes, No, Cancel };

// A message box as the program asks for it: its text as lines, which the front end shows
// each on a line of its own (an empty one as a blank line).
struct Message {
  std::vector<std::string> lines;
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  Answer defaultButton = Answer::Ok;  // one of the buttons of `buttons`
  std::string title;
  friend bool operator==(const Message&, const Message&) = default;
};

// A reason as a message box shows it under the first line: starting with a capital. The
// program writes reasons as clauses ("the file was not found"); a line that starts with a
// file name ("game.sfc holds 0x100 bytes.") keeps the name as it is.
inline std::string AsSentence(std::string line) {
  const std::size_t space = line.find(' ');
  const std::string_view first = std::string_view(line).substr(0, space);
  const bool name = first.find_first_of("./\\_") != std::string_view::npos;
  if (!line.empty() && line[0] >= 'a' && line[0] <= 'z' && !name)
    line[0] = static_cast<char>(line[0] - 'a' + 'A');
  return line;
}

// What an open or save dialog returns: the chosen name (UTF-8) and the entry of the list
// that was chosen with it. An empty name means the user cancelled.
struct FileChoice {
  std::string fileName;
  FileFilter filter;
  friend bool operator==(const FileChoice&, const FileChoice&) = default;
};

// A path from a UTF-8 file name, whatever the system's narrow encoding.
inline std::filesystem::path PathFromUtf8(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// Everything that talks to a person or to the system: message boxes, the file dialogs,
// the clipboard, files, picture files, and the moment a long loop lets the window system
// catch up. The desktop app implements it over Qt; the tests implement it with a fake that
// records every request and answers from a script.
class Platform {
 public:
  virtual ~Platform() = default;

  // Shows a modal message box and returns the button pressed.
  virtual Answer ShowMessage(const Message& message) = 0;

  // The open and the save dialog over the entries of `filters`, the first one chosen at
  // first. No default extension is ever added to a typed name: the load and save flows
  // read the kind of a file from the extension the user typed.
  virtual FileChoice OpenFileDialog(std::span<const FileFilter> filters) = 0;
  virtual FileChoice SaveFileDialog(std::span<const FileFilter> filters) = 0;

  // The clipboard's picture, or nothing when it holds no picture.
  virtual std::optional<Surface> ClipboardPicture() = 0;
  virtual void SetClipboardPicture(const Surface& picture) = 0;

  // Picture files. A file that is not a picture, or one beyond the size limits, is a
  // failure with a reason. Bitmaps are written whole or not at all.
  virtual Result<Surface> LoadPicture(const std::string& fileName) = 0;
  virtual Status SaveBitmap(const std::string& fileName, const Surface& picture) = 0;

  // Lets pending window messages run: the front end repaints what changed (the progress
  // window above all) and handles input. Called from inside the long loops.
  virtual void ProcessPendingEvents() = 0;

  // Files, read and written whole as raw bytes (ROM data only up to what the largest
  // picture can hold). The defaults use the local file system.
  virtual bool FileExists(const std::string& fileName) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(PathFromUtf8(fileName), ignored);
  }
  virtual Status RemoveFile(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::remove(PathFromUtf8(fileName), error) && error)
      return Status::Failure(error.message());
    return Status::Success();
  }
  virtual Result<ByteString> ReadBytes(const std::string& fileName) {
    return ReadRomData(PathFromUtf8(fileName));
  }
  // Replaces the file in one step: a failed write leaves an old file as it was.
  virtual Status WriteBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    return WriteFileAtomic(PathFromUtf8(fileName), bytes);
  }
};

}  // namespace glyphon::platform
