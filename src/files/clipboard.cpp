#include <utility>

#include "files/file_commands.h"

namespace glyphon::files {

namespace {
constexpr std::string_view kUnableToPaste = "Unable to paste image.";
}  // namespace

// The selected rectangle of the current picture goes to the clipboard as a bitmap, cut out
// on picBitmap.
void FileCommands::cmdCopy_Click() {
  workspace::MainWindow& w = m_window;
  const convert::Selection selection = w.CurrentSelection();
  // Copying nothing would only empty the clipboard.
  if (selection.width == 0 || selection.height == 0) {
    Warn("The selection is empty.");
    return;
  }
  w.picBitmap = w.imgImage.Crop(selection.x, selection.y, selection.width, selection.height);
  m_platform.SetClipboardPicture(w.picBitmap);
}

// The clipboard's picture becomes the current picture, as a loaded bitmap does.
void FileCommands::cmdPaste_Click() {
  std::optional<platform::Surface> picture = m_platform.ClipboardPicture();
  if (!picture || picture->IsEmpty()) {
    Warn(kUnableToPaste);
    return;
  }
  if (const std::string problem = PictureProblem(*picture); !problem.empty()) {
    Warn(kUnableToPaste, problem);
    return;
  }
  m_window.MakeCurrentPicture(std::move(*picture));
}

}  // namespace glyphon::files
