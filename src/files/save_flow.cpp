#include <optional>
#include <utility>
#include <vector>

#include "files/file_commands.h"
#include "files/file_kind.h"
#include "formats/decoding.h"

namespace glyphon::files {

namespace {

using platform::Answer;

constexpr std::string_view kUnableToLoad = "Unable to load image.";
constexpr std::string_view kGenerationProgress = "Image Generation Progress";

}  // namespace

void FileCommands::cmdSave_Click() {
  if (m_window.cmdSave.caption == workspace::kAcceptButton.caption) {
    Accept();
  } else {
    SaveFile();
  }
}

// Writes one of the four kinds, chosen by the name's extension and the filter entry. A
// file is replaced in one step, so a failed write leaves an old file as it was; saving
// changes nothing in the window except picBitmap, which keeps a saved bitmap.
void FileCommands::SaveFile() {
  workspace::MainWindow& w = m_window;
  const platform::FileChoice choice = m_platform.SaveFileDialog(w.SaveFilterString);
  const std::string& fileName = choice.fileName;
  if (fileName.empty()) return;
  // The save list holds the leading entries of the load list, so the chosen index names
  // the same entry in both.
  const std::vector<FilterEntry> table = FilterTable(w.LoadFilterString);
  const std::optional<FileKind> kind = ParseKind(CandidateKind(fileName, table, choice.filterIndex));

  if (m_platform.FileExists(fileName)) {
    const platform::Message question{fileName + " already exists.\rDo you want to replace it?",
                                     platform::Buttons::YesNo, platform::Icon::Exclamation, Answer::No, ""};
    if (m_platform.ShowMessage(question) != Answer::Yes) return;
  }
  if (!kind) return;

  const convert::Selection selection = w.CurrentSelection();
  std::optional<platform::Surface> bitmap;
  Status written;
  switch (*kind) {
    case FileKind::Bitmap:
      bitmap = w.imgImage.Crop(selection.x, selection.y, selection.width, selection.height);
      written = m_platform.SaveBitmap(fileName, *bitmap);
      break;
    case FileKind::PartnerBitmap:
      // The top-left selection-sized corner of the partner picture.
      bitmap = w.picData.Crop(0, 0, selection.width, selection.height);
      written = m_platform.SaveBitmap(fileName, *bitmap);
      break;
    case FileKind::Data:
      written = m_platform.WriteBytes(fileName, w.RomDataString);
      break;
    case FileKind::PartnerData:
      written = m_platform.WriteBytes(fileName, w.AuxDataString);
      break;
  }
  if (!written) {
    Inform("Unable to save " + fileName + ".", written.error);
    return;
  }
  if (bitmap) w.picBitmap = std::move(*bitmap);
}

// Image generation: decodes the ROM data once more at the selected format and width (short
// data never fails here) and makes the result the current picture, wholly selected, back
// in normal mode. A picture beyond the limits is refused and the preview stays as it was.
void FileCommands::Accept() {
  workspace::MainWindow& w = m_window;
  const workspace::PictureBox thumbnail = w.picImage;
  LockForDecode(w.cmdSave, workspace::kAcceptingCaption, kGenerationProgress);
  w.ClearThumbnail();

  // The Mode 7 interleaved decoder rebuilds the partner data and picture here.
  formats::DecodeResult result =
      formats::Decode(formats::Format(w.FormatIndex), w.RomDataString, w.vscWidth.value,
                      formats::DecodeMode::ImageGeneration, &w.Partner, w.frmProgress);
  if (!result.Ok()) {
    Inform(kUnableToLoad, result.failure->Describe());
    UnlockAfterDecode();
    w.cmdSave.caption = workspace::kAcceptButton.caption;
    w.picImage = thumbnail;
    return;
  }
  w.DrawThumbnail(result.picture);

  UnlockAfterDecode();
  w.RestoreNormalButtons();
  // The generated picture becomes the current one. picBitmap is only a work surface from
  // here on (Copy and Save size it anew), so the picture moves instead of being copied.
  w.picBitmap = platform::Surface();
  w.MakeCurrentPicture(std::move(result.picture));
}

}  // namespace glyphon::files
