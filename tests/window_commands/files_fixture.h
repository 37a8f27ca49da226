// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "support/fake_platform.h"
#include "support/test_support.h"
#include "window_commands/file_commands.h"
#include "workspace/window_fixture.h"

namespace glyphon::test {

// A test name for a format: "F08_4bpp_snes".
inline std::string FormatName(int index) {
  std::string name = formats::CliName(formats::Format(index));
  for (char& ch : name) {
    if (ch == '-' || ch == '/') ch = '_';
  }
  return (index < 10 ? "F0" : "F") + std::to_string(index) + "_" + name;
}

// A started window with the file commands, and a temporary folder for real files.
class FilesTest : public WindowTest {
 protected:
  // Writes `bytes` into the temporary folder and returns the file's full name.
  std::string PutFile(const std::string& name, const ByteString& bytes) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(platform::WriteFileAtomic(path, bytes).Ok()) << path;
    return path;
  }
  std::string PutBitmap(const std::string& name, const platform::Surface& picture) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(imageio::WritePicture(path, picture).Ok()) << path;
    return path;
  }
  static ByteString FileBytes(const std::string& path) {
    auto bytes = platform::ReadFileBytes(path);
    EXPECT_TRUE(bytes.Ok()) << path;
    return bytes ? bytes.Value() : ByteString();
  }
  static platform::Surface FilePicture(const std::string& path) {
    auto picture = imageio::ReadPicture(path);
    EXPECT_TRUE(picture.Ok()) << path << ": " << (picture ? "" : picture.Error());
    return picture ? picture.Value() : platform::Surface();
  }

  // The Load and Save commands with the file the user picks in the dialog.
  void Load(const std::string& fileName, Entry entry = kFirstEntry) {
    platform.openChoices.push_back({fileName, entry});
    commands.Load();
  }
  void Save(const std::string& fileName, Entry entry = kFirstEntry) {
    platform.saveChoices.push_back({fileName, entry});
    commands.Save();
  }

  // Loads `data` as main ROM data from a ".dat" file: preview mode.
  void LoadData(const ByteString& data) { Load(PutFile("rom.dat", data)); }

  using Lines = std::vector<std::string>;
  // The lines of the message boxes shown so far.
  std::vector<Lines> MessageTexts() const {
    std::vector<Lines> texts;
    for (const platform::Message& message : platform.messages) texts.push_back(message.lines);
    return texts;
  }
  // A warning box with an OK button and no title, as failures are shown.
  static platform::Message Warning(Lines lines) {
    return {std::move(lines), platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""};
  }
  // The first line of a failed load.
  static std::string UnableToLoad(const std::string& path) { return "Unable to load " + path + "."; }

  TempDir dir;
  window_commands::FileCommands commands{window, platform};
};

}  // namespace glyphon::test
