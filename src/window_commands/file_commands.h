// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "window_commands/file_kind.h"
#include "workspace/main_window.h"

namespace glyphon::window_commands {

// The Load, Save, Copy and Paste commands of the main window. Load and Save have two
// roles each, told apart by the window's mode: in normal mode they load and save
// files of the four kinds; in preview mode Load ("Preview") decodes the loaded ROM data at
// the chosen format and width, and Save ("Accept") decodes it once more and makes the
// result the current picture.
//
// Every failure ends in a message box and leaves the window as it was before the click
// (a failing preview leaves the window unlocked, showing nothing).
class FileCommands {
 public:
  FileCommands(workspace::MainWindow& window, platform::Platform& platform)
      : m_window(window), m_platform(platform) {}

  void Load();
  // A file dropped on the window loads as the Load command loads it when it is chosen with
  // the open dialog's first entry.
  void LoadDroppedFile(const std::string& fileName);
  void Save();
  void Copy();
  void Paste();
  // The value rule of the palette file the user picks: Convert stores the index of each
  // pixel's colour in it.
  void ChooseValuePalette();

 private:
  // Load, normal mode.
  void LoadFile();
  void LoadNamed(const std::string& fileName, const FileFilter& chosen);
  void LoadBitmap(const std::string& fileName);
  void LoadPartnerBitmap(const std::string& fileName);
  void LoadData(const std::string& fileName);
  void LoadPartnerData(const std::string& fileName);
  // Load, preview mode.
  void Preview();
  void PreviewNow();

  // Save, normal mode.
  void SaveFile();
  Status SavePicture(const std::string& fileName, const platform::Surface& part);
  // Save, preview mode: image generation.
  void Accept();
  void AcceptNow();

  // Why a picture from a file or the clipboard cannot be taken (empty, or beyond the
  // picture limits); empty when it can.
  static std::string PictureProblem(const platform::Surface& picture);
  // A picture file or a data file, read whole, or the reason it cannot be.
  Result<platform::Surface> ReadPicture(const std::string& fileName);
  Result<ByteString> ReadData(const std::string& fileName);
  // The palette indices a picture file stores for `picture` (a palette PNG, a BMP with a
  // colour table, a GIF) and their colours; nothing for a file of colours alone.
  std::pair<std::vector<std::uint8_t>, std::vector<RgbColor>> IndicesOf(const std::string& fileName,
                                                                        const platform::Surface& picture);

  // Save, normal mode: whether ROM data or partner data may be written to `fileName`. It
  // must come from a conversion of the current picture; when the format or the selection
  // changed since, the user is asked.
  bool DataMayBeSaved(const std::string& fileName, FileKind kind);

  // "Unable to load x.dat."
  static std::string UnableToLoad(std::string_view fileName);
  // A failure: a message box with the warning icon and an OK button, `first` alone, or
  // `first` and the reason on a second line.
  void Warn(std::string_view first, std::string_view reason = {});

  workspace::MainWindow& m_window;
  platform::Platform& m_platform;
  std::string m_dataFile;  // the ROM data file being previewed
};

}  // namespace glyphon::window_commands
