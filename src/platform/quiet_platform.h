// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace glyphon::platform {

// A platform with nobody in front of it, for benchmarks and fuzzing: every message box
// gets `answer` (or its default button when none is set), the open dialog returns
// `openFile` with the first entry, the save dialog is cancelled, there is no clipboard and
// pictures neither load nor save.
class QuietPlatform final : public Platform {
 public:
  std::optional<Answer> answer;
  std::string openFile;

  Answer ShowMessage(const Message& message) override { return answer.value_or(message.defaultButton); }
  FileChoice OpenFileDialog(std::span<const FileFilter> filters) override {
    if (openFile.empty()) return {};
    return {openFile, filters.empty() ? FileFilter{} : filters.front()};
  }
  FileChoice SaveFileDialog(std::span<const FileFilter>) override { return {}; }
  std::optional<Surface> ClipboardPicture() override { return std::nullopt; }
  void SetClipboardPicture(const Surface&) override {}
  Result<Surface> LoadPicture(const std::string&) override {
    return Result<Surface>::Failure("there is nobody to load pictures for");
  }
  Status SaveBitmap(const std::string&, const Surface&) override {
    return Status::Failure("there is nobody to save pictures for");
  }
  void ProcessPendingEvents() override {}
};

}  // namespace glyphon::platform
