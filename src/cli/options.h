// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/encoding.h"
#include "core/result.h"
#include "formats/format_table.h"

namespace CLI {
class App;
}

namespace glyphon::cli {

// The options and files of one command, read by CLI11: "--name value" and "--name=value"
// alike, the rest are files, and so is everything after "--". Each value goes to its
// handler as soon as it is read, so the first bad option on the line is the one named and
// a repeated option's last value wins. The messages are ours, not CLI11's.
class CommandLine {
 public:
  // The usage error of a bad value, or nothing.
  using Take = std::function<std::optional<std::string>(const std::string&)>;

  explicit CommandLine(std::string verb);
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // `names` as "--format,-f".
  void Value(const std::string& names, Take take);
  void Value(const std::string& names, std::string& into);
  // An option without a value; "--name=value" is refused.
  void Flag(const std::string& names, bool& into);

  // Reads the arguments after the verb; a failure is a usage error. "--help" or "-h"
  // stops the reading: HelpWanted() is then true and the rest is not looked at.
  Status Parse(std::span<const std::string> args);
  bool HelpWanted() const noexcept { return m_help; }
  const std::vector<std::string>& Files() const noexcept { return m_files; }

 private:
  std::string m_verb;
  std::unique_ptr<CLI::App> m_app;
  std::vector<std::string> m_files;
  bool m_help = false;
};

// "X,Y,W,H", four whole numbers from 0 to 32767; Y and H up to `maxRows`.
std::optional<convert::Selection> ParseRect(std::string_view text, std::int64_t maxRows = kMaxPictureSide);

// Handlers of the options most commands share: --format by caption, index or short name,
// and --rect.
CommandLine::Take FormatOption(const formats::FormatInfo*& into);
// A command that reads pictures taller than the picture limits (encode) takes Y and H up
// to `maxRows`.
CommandLine::Take RectOption(std::optional<convert::Selection>& into, std::int64_t maxRows = kMaxPictureSide);

}  // namespace glyphon::cli
