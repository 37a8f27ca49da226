#include "files/file_commands.h"

#include "formats/decoding.h"
#include "platform/picture_limits.h"

namespace glyphon::files {

using workspace::Spinner;

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
  std::string text(first);
  if (!reason.empty()) text.append("\r").append(reason);
  m_platform.ShowMessage(
      {text, platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""});
}

// Preview and Accept lock everything a click could reach while the decoder runs: the
// progress window lets pending window messages run after every pixel. In preview mode
// only the three command buttons, the width and the formats are live.
void FileCommands::LockForDecode(workspace::Mode busyMode, workspace::CommandButton& busyButton,
                                 std::string_view busyCaption, std::string_view progressCaption) {
  workspace::MainWindow& w = m_window;
  w.SetMode(busyMode);
  w.cmdLoad.enabled = w.cmdClear.enabled = w.cmdSave.enabled = false;
  busyButton.caption = busyCaption;
  w.SetThumbnailViewable(false);
  w.EnableSpinnerRow(Spinner::Width, false);
  w.chkTile8.enabled = false;

  w.SettleFormat();
  w.EnableFormatOptions(false);
  w.SetFormatOption(w.FormatIndex);

  w.frmProgress.Caption = progressCaption;
  w.frmProgress.PercentBar(0);
  w.frmProgress.Visible = true;
}

// Runs while the busy mode still stands: after a preview the window is not in preview mode
// yet, so re-applying the format keeps the new preview in the thumbnail.
void FileCommands::UnlockAfterDecode() {
  workspace::MainWindow& w = m_window;
  w.frmProgress.Unload();
  w.cmdLoad.enabled = w.cmdClear.enabled = w.cmdSave.enabled = true;
  w.SetThumbnailViewable(true);
  w.EnableSpinnerRow(Spinner::Width, true);
  w.chkTile8.enabled = true;
  w.EnableFormatOptions(true);
  w.SetFormatOption(w.FormatIndex);
  w.optFormat_Click(w.FormatIndex);
}

}  // namespace glyphon::files
