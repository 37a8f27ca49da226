// SPDX-License-Identifier: MIT
#include "window_commands/file_commands.h"

#include "core/picture_limits.h"
#include "formats/decoding.h"

namespace glyphon::window_commands {

std::string FileCommands::PictureProblem(const platform::Surface& picture) {
  const std::int64_t width = picture.Width();
  const std::int64_t height = picture.Height();
  if (picture.IsEmpty()) return "the picture is empty (0 pixels)";
  // The selection spinners are 16-bit: a larger side could not be selected or saved.
  return platform::PictureSizeProblem(width, height);
}

std::string FileCommands::UnableToLoad(std::string_view fileName) {
  return "Unable to load " + std::string(fileName) + ".";
}

void FileCommands::Warn(std::string_view first, std::string_view reason) {
  std::vector<std::string> lines{std::string(first)};
  if (!reason.empty()) lines.emplace_back(reason);
  m_platform.ShowMessage(
      {std::move(lines), platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""});
}

}  // namespace glyphon::window_commands
