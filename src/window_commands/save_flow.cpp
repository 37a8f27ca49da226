// SPDX-License-Identifier: MIT
#include <cctype>
#include <optional>
#include <utility>
#include <vector>

#include "formats/decoding.h"
#include "imageio/picture_file.h"
#include "window_commands/file_commands.h"
#include "window_commands/file_kind.h"

namespace glyphon::window_commands {

namespace {

using platform::Answer;

constexpr std::string_view kEmptyPicture = "the picture would be empty (0 pixels)";
constexpr std::string_view kNoKind =
    "its extension names no kind of file to save: use .bmp or .png for a picture, .dat for ROM data";
constexpr std::string_view kGenerationProgress = "Image Generation Progress";

}  // namespace

void FileCommands::Save() {
  if (m_window.SaveAccepts()) {
    Accept();
  } else {
    SaveFile();
  }
}

// Writes one of the four kinds, chosen by the extension after the name's last '.' and the
// filter entry; a name without an extension takes the chosen entry's. A file is replaced
// in one step, so a failed write leaves an old file as it was; saving changes nothing in
// the window except its work surface, which keeps a saved bitmap.
void FileCommands::SaveFile() {
  workspace::MainWindow& w = m_window;
  const std::vector<FileFilter> filters = w.SaveFilters();
  const platform::FileChoice choice = m_platform.SaveFileDialog(filters);
  std::string fileName = choice.fileName;
  if (fileName.empty()) return;
  if (Extension(fileName).empty() && !choice.filter.extensions.empty()) {
    fileName.append(".").append(choice.filter.extensions.front());
  }
  const std::optional<FileKind> kind = KindOf(fileName, choice.filter, Direction::Save);
  if (!kind) {
    Warn("Unable to save " + fileName + ".", kNoKind);
    return;
  }
  const bool data = *kind == FileKind::Data || *kind == FileKind::PartnerData;
  if (data && !DataMayBeSaved(fileName, *kind)) return;

  if (m_platform.FileExists(fileName)) {
    const platform::Message question{{fileName + " already exists.", "Do you want to replace it?"},
                                     platform::Buttons::YesNo,
                                     platform::Icon::Exclamation,
                                     Answer::No,
                                     ""};
    if (m_platform.ShowMessage(question) != Answer::Yes) return;
  }

  const convert::Selection selection = w.CurrentSelection();
  std::optional<platform::Surface> bitmap;
  Status written;
  switch (*kind) {
    case FileKind::Picture:
      bitmap = w.SelectedPart();
      written = SavePicture(fileName, *bitmap);
      break;
    case FileKind::PartnerPicture:
      // The top-left selection-sized corner of the partner picture.
      bitmap = w.Partner().picture.Crop(0, 0, selection.width, selection.height);
      written = m_platform.SaveBitmap(fileName, *bitmap);
      break;
    case FileKind::Data:
      written = m_platform.WriteBytes(fileName, w.RomData());
      break;
    case FileKind::PartnerData:
      written = m_platform.WriteBytes(fileName, w.Partner().data);
      break;
  }
  if (!written) {
    Warn("Unable to save " + fileName + ".", written.error);
    return;
  }
  if (data) w.MarkDataSaved();
  if (*kind == FileKind::Picture) w.MarkPictureSaved();
  if (bitmap) w.KeepBitmap(std::move(*bitmap));
}

// A picture with palette indices goes to a PNG as a palette PNG of those indices, at the
// depth its colours need (a 2 bits a pixel format's four colours: 2 bits), as glyphon's
// decode writes them; a paint program that keeps the palette keeps the values.
Status FileCommands::SavePicture(const std::string& fileName, const platform::Surface& part) {
  std::string extension(Extension(fileName));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::vector<RgbColor>& colours = m_window.PictureColours();
  if (extension != "png" || !m_window.HasPictureIndices() || colours.empty() || colours.size() > 256)
    return m_platform.SaveBitmap(fileName, part);
  const std::vector<std::uint8_t> indices = m_window.SelectedIndices();
  const std::size_t n = colours.size();
  const int depth = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
  Result<ByteString> bytes = imageio::IndexedPngBytes(part.Width(), part.Height(), indices, colours, depth);
  if (!bytes) return Status::Failure(bytes.Error());
  return m_platform.WriteBytes(fileName, bytes.Value());
}

bool FileCommands::DataMayBeSaved(const std::string& fileName, FileKind kind) {
  const workspace::MainWindow& w = m_window;
  const std::optional<workspace::DataOrigin>& origin = w.RomDataOrigin();
  // The partner of the format the data was converted as, or else of the selected one.
  const std::string_view partner = formats::Format(origin ? origin->format : w.FormatIndex()).partnerFilter;
  const std::string what = kind == FileKind::Data ? "ROM data"
                           : partner.empty()      ? "partner data"
                                                  : "ROM " + std::string(partner) + " data";
  if (!origin) {
    Warn("Unable to save " + fileName + ".",
         "there is no " + what + " for the current picture: convert it first");
    return false;
  }
  if (*origin == w.CurrentOrigin()) return true;
  const convert::Selection& s = origin->selection;
  const std::string made =
      "The " + what + " was converted as " + std::string(formats::Format(origin->format).caption) +
      " from the rectangle at " + std::to_string(s.x) + "," + std::to_string(s.y) + " of " +
      std::to_string(s.width) + " by " + std::to_string(s.height) + " pixels, not with the current settings.";
  const platform::Message question{{made, "Save it to " + fileName + " anyway?"},
                                   platform::Buttons::YesNo,
                                   platform::Icon::Question,
                                   Answer::No,
                                   ""};
  return m_platform.ShowMessage(question) == Answer::Yes;
}

// Image generation: decodes the ROM data once more at the selected format and width (short
// data never fails here) and makes the result the current picture, wholly selected, back
// in normal mode. A picture beyond the limits is refused and the preview stays as it was.
void FileCommands::Accept() {
  m_window.Record("Accept", [this] { AcceptNow(); });
}

void FileCommands::AcceptNow() {
  workspace::MainWindow& w = m_window;
  w.BeginDecode(workspace::Mode::Accepting, kGenerationProgress);
  formats::DecodeResult result = w.DecodeRomData(formats::DecodeMode::ImageGeneration);
  // A picture of no pixels (a width of 0) would leave the window with nothing to convert,
  // save or copy.
  const std::string failure = !result.Ok()               ? result.failure->Describe()
                              : result.picture.IsEmpty() ? std::string(kEmptyPicture)
                                                         : std::string();
  if (!failure.empty()) {
    Warn(UnableToLoad(m_dataFile), failure);
    w.EndDecode(workspace::Mode::Preview);
    return;
  }
  w.AcceptPicture(std::move(result.picture));
}

}  // namespace glyphon::window_commands
