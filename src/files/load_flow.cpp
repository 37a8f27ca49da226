#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "files/file_commands.h"
#include "files/file_kind.h"
#include "formats/decoding.h"

namespace glyphon::files {

namespace {

using platform::Answer;
using workspace::Spinner;

constexpr std::string_view kFileNotFound = "the file was not found";
constexpr std::string_view kEmptyFile = "the file is empty (0 bytes)";
constexpr std::string_view kPreviewProgress = "Preview Generation Progress";
// The preview width goes no further than this, however long the data.
constexpr int kMaxPreviewWidth = 1024;

void SetButton(workspace::CommandButton& button, const workspace::ButtonText& text) {
  button.caption = text.caption;
  button.toolTip = text.toolTip;
  button.width = workspace::kWideButtonWidth;
  button.enabled = true;
}

}  // namespace

void FileCommands::cmdLoad_Click() {
  if (m_window.InPreviewMode()) {
    Preview();
  } else {
    LoadFile();
  }
}

void FileCommands::LoadFile() {
  const std::string filters = m_window.LoadFilterString;
  const std::vector<FilterEntry> table = FilterTable(filters);
  const platform::FileChoice choice = m_platform.OpenFileDialog(filters);
  const std::string& fileName = choice.fileName;
  if (fileName.empty()) return;
  if (!m_platform.FileExists(fileName)) {
    Warn(UnableToLoad(fileName), kFileNotFound);
    return;
  }

  // The extension decides; a partner entry of the filter list makes it the partner's.
  std::string kind = CandidateKind(fileName, table, choice.filterIndex);
  if (NeedsQuestion(kind)) {
    kind = AskForKind(table, [this](std::string_view description) {
      return m_platform.ShowMessage({LoadAsQuestion(description), platform::Buttons::YesNoCancel,
                                     platform::Icon::None, Answer::Yes, ""});
    });
  }
  const std::optional<FileKind> parsed = ParseKind(kind);
  if (!parsed) return;
  switch (*parsed) {
    case FileKind::Bitmap:
      LoadBitmap(fileName);
      break;
    case FileKind::PartnerBitmap:
      LoadPartnerBitmap(fileName);
      break;
    case FileKind::Data:
      LoadData(fileName);
      break;
    case FileKind::PartnerData:
      LoadPartnerData(fileName);
      break;
  }
}

Result<platform::Surface> FileCommands::ReadPicture(const std::string& fileName) {
  Result<platform::Surface> picture = m_platform.LoadPicture(fileName);
  if (!picture) return picture;
  if (std::string problem = PictureProblem(picture.Value()); !problem.empty()) {
    return Result<platform::Surface>::Failure(std::move(problem));
  }
  return picture;
}

Result<ByteString> FileCommands::ReadData(const std::string& fileName) {
  try {
    Result<ByteString> data = m_platform.ReadBytes(fileName);
    // Nothing to preview or to convert with: the window stays as it was.
    if (data && data.Value().empty()) return Result<ByteString>::Failure(std::string(kEmptyFile));
    return data;
  } catch (const std::bad_alloc&) {
    return Result<ByteString>::Failure("the file is too large to hold in memory");
  }
}

// Everything is read before anything changes: a file that cannot be loaded leaves the
// window as it was.
void FileCommands::LoadBitmap(const std::string& fileName) {
  Result<platform::Surface> picture = ReadPicture(fileName);
  if (!picture) {
    Warn(UnableToLoad(fileName), picture.Error());
    return;
  }
  m_window.MakeCurrentPicture(std::move(picture).Value());
}

void FileCommands::LoadPartnerBitmap(const std::string& fileName) {
  Result<platform::Surface> picture = ReadPicture(fileName);
  if (!picture) {
    Warn(UnableToLoad(fileName), picture.Error());
    return;
  }
  // Converted data was made with the old partner.
  m_window.ForgetDataOrigin();
  m_window.picData = std::move(picture).Value();
  m_window.picData.SetHasPicture(true);
  m_window.AuxDataString.clear();
}

void FileCommands::LoadData(const std::string& fileName) {
  Result<ByteString> data = ReadData(fileName);
  if (!data) {
    Warn(UnableToLoad(fileName), data.Error());
    return;
  }
  m_dataFile = fileName;
  m_window.ForgetDataOrigin();
  m_window.picBitmap.ClearPicture();
  m_window.RomDataString = std::move(data).Value();
  EnterPreviewMode();
}

void FileCommands::LoadPartnerData(const std::string& fileName) {
  Result<ByteString> data = ReadData(fileName);
  if (!data) {
    Warn(UnableToLoad(fileName), data.Error());
    return;
  }
  m_window.ForgetDataOrigin();
  m_window.picData = platform::Surface();
  m_window.AuxDataString = std::move(data).Value();
}

// Load, Clear and Save become Preview, Cancel and Accept; Paste, Convert and Copy go; only
// the width stays, ranging over the data's length up to kMaxPreviewWidth and starting
// near the side of a square.
void FileCommands::EnterPreviewMode() {
  workspace::MainWindow& w = m_window;
  const std::size_t length = w.RomDataString.size();

  w.shaBox.visible = false;
  w.frmImage.shaBox.visible = false;
  w.picView = platform::Surface();
  w.ClearThumbnail();
  w.SetMode(workspace::Mode::Preview);
  SetButton(w.cmdLoad, workspace::kPreviewButton);
  SetButton(w.cmdClear, workspace::kCancelButton);
  SetButton(w.cmdSave, workspace::kAcceptButton);
  w.cmdPaste.visible = w.cmdConvert.visible = w.cmdCopy.visible = false;
  w.EnableSpinnerRow(Spinner::X, false);
  w.EnableSpinnerRow(Spinner::Y, false);
  w.EnableSpinnerRow(Spinner::Height, false);
  w.EnableSpinnerRow(Spinner::Width, true);
  // The format the user has selected, even if no command has used it yet: the preview
  // will decode with it.
  w.SettleFormat();
  w.EnableFormatOptions(true);
  w.SetFormatOption(w.FormatIndex);
  w.optFormat_Click(w.FormatIndex);

  const int maxWidth = static_cast<int>(std::min<std::size_t>(length, kMaxPreviewWidth));
  w.SetSpinnerMax(Spinner::X, 0);
  w.SetSpinnerMax(Spinner::Y, 0);
  w.SetSpinnerMax(Spinner::Height, 0);
  w.SetSpinnerMax(Spinner::Width, maxWidth);
  w.SetSpinner(Spinner::X, 0);
  w.SetSpinner(Spinner::Y, 0);
  w.SetSpinner(Spinner::Height, 0);
  // Beyond the range the width stops at its maximum.
  const auto side = Nearest(std::sqrt(static_cast<double>(length)));
  w.SetSpinner(Spinner::Width, static_cast<int>(std::min<std::int64_t>(side, maxWidth)));
  w.SetThumbnailViewable(true);
  w.chkTile8_Click();
  if (w.vscWidth.value == 0) {
    // No data, or less than a tile row under the lock: one step of the arrows, which the
    // range must then hold.
    const int step = w.vscWidth.smallChange;
    if (w.vscWidth.max < step) w.SetSpinnerMax(Spinner::Width, step);
    w.SetSpinner(Spinner::Width, step);
  }

  w.AuxDataString.clear();
  w.picData = platform::Surface();
}

// Decodes the whole of the ROM data at the chosen format and width into picBitmap and
// shows it in the thumbnail. A failure shows nothing and gives the window back.
void FileCommands::Preview() {
  workspace::MainWindow& w = m_window;
  LockForDecode(workspace::Mode::Previewing, w.cmdLoad, workspace::kPreviewingCaption, kPreviewProgress);

  formats::DecodeResult result =
      formats::Decode(formats::Format(w.FormatIndex), w.RomDataString, w.vscWidth.value,
                      formats::DecodeMode::Preview, nullptr, w.frmProgress);
  if (result.Ok()) {
    w.picBitmap = std::move(result.picture);
    w.DrawThumbnail(w.picBitmap);
  } else {
    Warn(UnableToLoad(m_dataFile), result.failure->Describe());
    w.picBitmap.ClearPicture();
    w.ClearThumbnail();
  }

  UnlockAfterDecode();
  w.SetMode(workspace::Mode::Preview);
  w.cmdLoad.caption = workspace::kPreviewButton.caption;
}

}  // namespace glyphon::files
