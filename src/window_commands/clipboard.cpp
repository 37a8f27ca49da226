// SPDX-License-Identifier: MIT
#include <utility>

#include "palette/palette_file.h"
#include "window_commands/file_commands.h"

namespace glyphon::window_commands {

namespace {
constexpr std::string_view kUnableToPaste = "Unable to paste image.";
}  // namespace

// The selected rectangle of the current picture goes to the clipboard as a bitmap, cut out
// on the window's work surface.
void FileCommands::Copy() {
  const convert::Selection selection = m_window.CurrentSelection();
  // Copying nothing would only empty the clipboard.
  if (selection.width == 0 || selection.height == 0) {
    Warn("The selection is empty.");
    return;
  }
  m_window.KeepBitmap(m_window.SelectedPart());
  m_platform.SetClipboardPicture(m_window.WorkBitmap());
}

// The clipboard's picture becomes the current picture, as a loaded bitmap does.
void FileCommands::Paste() {
  std::optional<platform::Surface> picture = m_platform.ClipboardPicture();
  if (!picture || picture->IsEmpty()) {
    Warn(kUnableToPaste);
    return;
  }
  if (const std::string problem = PictureProblem(*picture); !problem.empty()) {
    Warn(kUnableToPaste, problem);
    return;
  }
  m_window.Record("Paste", [&] { m_window.MakeCurrentPicture(std::move(*picture)); });
}

void FileCommands::ChooseValuePalette() {
  const platform::FileChoice choice = m_platform.OpenFileDialog(palette::PaletteFileFilters());
  if (choice.fileName.empty()) return;
  Result<palette::Palette> loaded = palette::LoadPalette(platform::PathFromUtf8(choice.fileName));
  if (!loaded) {
    Warn(UnableToLoad(choice.fileName), loaded.Error());
    return;
  }
  const std::string name = platform::PathFromUtf8(choice.fileName).filename().string();
  m_window.ChooseValueRule(formats::ValueRule::Palette, std::move(loaded.Value().colours), name);
}

}  // namespace glyphon::window_commands
