// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cctype>
#include <new>
#include <utility>
#include <vector>

#include "formats/decoding.h"
#include "imageio/picture_file.h"
#include "window_commands/file_commands.h"
#include "window_commands/file_kind.h"

namespace glyphon::window_commands {

namespace {

using platform::Answer;

constexpr std::string_view kFileNotFound = "the file was not found";
constexpr std::string_view kEmptyFile = "the file is empty (0 bytes)";
constexpr std::string_view kPreviewProgress = "Preview Generation Progress";

}  // namespace

void FileCommands::Load() {
  if (m_window.InPreviewMode()) {
    Preview();
  } else {
    LoadFile();
  }
}

void FileCommands::LoadFile() {
  const std::vector<FileFilter> filters = m_window.LoadFilters();
  const platform::FileChoice choice = m_platform.OpenFileDialog(filters);
  if (choice.fileName.empty()) return;
  LoadNamed(choice.fileName, choice.filter);
}

void FileCommands::LoadDroppedFile(const std::string& fileName) {
  if (m_window.InPreviewMode()) return;
  const std::vector<FileFilter> filters = m_window.LoadFilters();
  LoadNamed(fileName, filters.front());
}

void FileCommands::LoadNamed(const std::string& fileName, const FileFilter& chosen) {
  if (!m_platform.FileExists(fileName)) {
    Warn(UnableToLoad(fileName), kFileNotFound);
    return;
  }

  // The extension decides; a partner entry of the list makes it the partner's.
  const std::optional<FileKind> kind =
      !NeedsQuestion(fileName) ? KindOf(fileName, chosen)
                               : AskForKind(m_window.LoadFilters(), [this](std::string_view description) {
                                   return m_platform.ShowMessage({{LoadAsQuestion(description)},
                                                                  platform::Buttons::YesNoCancel,
                                                                  platform::Icon::None,
                                                                  Answer::Yes,
                                                                  ""});
                                 });
  if (!kind) return;
  switch (*kind) {
    case FileKind::Picture:
      LoadBitmap(fileName);
      break;
    case FileKind::PartnerPicture:
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
  // A pair, not a structured binding: clang 14 cannot capture bindings in a lambda.
  std::pair<std::vector<std::uint8_t>, std::vector<RgbColor>> values = IndicesOf(fileName, picture.Value());
  m_window.Record("Load picture", [&] {
    m_window.MakeCurrentPicture(std::move(picture).Value(), std::move(values.first),
                                std::move(values.second));
  });
}

std::pair<std::vector<std::uint8_t>, std::vector<RgbColor>> FileCommands::IndicesOf(
    const std::string& fileName, const platform::Surface& picture) {
  // Only the kinds that can store indices are read a second time.
  std::string extension(Extension(fileName));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension != "png" && extension != "bmp" && extension != "gif") return {};
  Result<ByteString> bytes = m_platform.ReadBytes(fileName);
  if (!bytes) return {};
  Result<imageio::PictureFile> file = imageio::ReadPictureFileBytes(bytes.Value());
  // The indices belong to the picture only when the file still holds that picture.
  if (!file || file.Value().indices.empty() || file.Value().pixels.Width() != picture.Width() ||
      file.Value().pixels.Height() != picture.Height() ||
      !std::equal(picture.Pixels().begin(), picture.Pixels().end(), file.Value().pixels.Pixels().begin()))
    return {};
  return {std::move(file.Value().indices), std::move(file.Value().palette)};
}

void FileCommands::LoadPartnerBitmap(const std::string& fileName) {
  Result<platform::Surface> picture = ReadPicture(fileName);
  if (!picture) {
    Warn(UnableToLoad(fileName), picture.Error());
    return;
  }
  m_window.Record("Load partner picture", [&] { m_window.SetPartnerPicture(std::move(picture).Value()); });
}

void FileCommands::LoadData(const std::string& fileName) {
  Result<ByteString> data = ReadData(fileName);
  if (!data) {
    Warn(UnableToLoad(fileName), data.Error());
    return;
  }
  m_dataFile = fileName;
  m_window.Record("Load ROM data", [&] { m_window.EnterPreview(std::move(data).Value()); });
}

void FileCommands::LoadPartnerData(const std::string& fileName) {
  Result<ByteString> data = ReadData(fileName);
  if (!data) {
    Warn(UnableToLoad(fileName), data.Error());
    return;
  }
  m_window.Record("Load partner data", [&] { m_window.SetPartnerData(std::move(data).Value()); });
}

// Decodes the whole of the ROM data at the chosen format and width and shows it in the
// thumbnail. A failure shows nothing and gives the window back.
void FileCommands::Preview() {
  m_window.Record("Preview", [this] { PreviewNow(); });
}

void FileCommands::PreviewNow() {
  m_window.BeginDecode(workspace::Mode::Previewing, kPreviewProgress);
  formats::DecodeResult result = m_window.DecodeRomData(formats::DecodeMode::Preview);
  if (result.Ok()) {
    m_window.ShowPreview(std::move(result.picture));
  } else {
    Warn(UnableToLoad(m_dataFile), result.failure->Describe());
    m_window.ClearPreview();
  }
  m_window.EndDecode(workspace::Mode::Preview);
}

}  // namespace glyphon::window_commands
