// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/picture_file.h"
#include "platform/platform.h"

namespace glyphon::test {

// Message boxes and file dialogs answered from a script, over any platform `Base`:
// queued answers to questions and queued file choices; every message and every dialog's
// filter list is recorded. A question with no scripted answer fails the test and is
// answered No (or Cancel).
// The entry of a dialog's list a user picks: the first, the one of a kind, or every file.
struct Entry {
  std::optional<platform::FileKind> kind;
  bool everyFile = false;
};
inline const Entry kFirstEntry{};
inline const Entry kEveryFileEntry{std::nullopt, true};
inline Entry EntryOf(platform::FileKind kind) {
  return {kind};
}

// A file the user picks in a dialog with an entry of its list.
struct ScriptedChoice {
  std::string fileName;
  Entry entry;
};

template <class Base>
class ScriptedDialogs : public Base {
 public:
  using Filters = std::vector<platform::FileFilter>;

  // ---- Script ----
  std::deque<platform::Answer> answers;
  std::deque<ScriptedChoice> openChoices;  // empty: the dialog is cancelled
  std::deque<ScriptedChoice> saveChoices;

  // ---- Record ----
  std::vector<platform::Message> messages;
  std::vector<Filters> openDialogFilters;
  std::vector<Filters> saveDialogFilters;

  platform::Answer ShowMessage(const platform::Message& message) override {
    messages.push_back(message);
    if (message.buttons == platform::Buttons::Ok) return platform::Answer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "question asked with no scripted answer: " << testing::PrintToString(message.lines);
      return message.buttons == platform::Buttons::YesNoCancel ? platform::Answer::Cancel
                                                               : platform::Answer::No;
    }
    const platform::Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  platform::FileChoice OpenFileDialog(std::span<const platform::FileFilter> filters) override {
    openDialogFilters.emplace_back(filters.begin(), filters.end());
    return Next(openChoices, filters);
  }
  platform::FileChoice SaveFileDialog(std::span<const platform::FileFilter> filters) override {
    saveDialogFilters.emplace_back(filters.begin(), filters.end());
    return Next(saveChoices, filters);
  }

 private:
  static platform::FileChoice Next(std::deque<ScriptedChoice>& choices,
                                   std::span<const platform::FileFilter> filters) {
    if (choices.empty()) return {};
    const ScriptedChoice choice = choices.front();
    choices.pop_front();
    for (const platform::FileFilter& entry : filters) {
      const bool match = choice.entry.everyFile ? !entry.kind && entry.extensions.empty()
                                                : !choice.entry.kind || entry.kind == choice.entry.kind;
      if (match) return {choice.fileName, entry};
    }
    ADD_FAILURE() << "the dialog has no entry of the scripted kind for " << choice.fileName;
    return {};
  }
};

// A platform for model tests: scripted dialogs, a clipboard the test sets and reads, and a
// record of each time pending events were let run. Files are real (the tests use
// temporary folders) and pictures go through the picture-file unit.
class FakePlatform final : public ScriptedDialogs<platform::Platform> {
 public:
  std::optional<platform::Surface> clipboard;
  // Runs each time pending events are let run: where a test looks at the window as the
  // front end would repaint it in the middle of a loop.
  std::function<void()> onPendingEvents;
  int clipboardWrites = 0;
  int pendingEventRuns = 0;

  std::optional<platform::Surface> ClipboardPicture() override { return clipboard; }
  void SetClipboardPicture(const platform::Surface& picture) override {
    clipboard = picture;
    ++clipboardWrites;
  }

  Result<platform::Surface> LoadPicture(const std::string& fileName) override {
    return imageio::ReadPicture(platform::PathFromUtf8(fileName));
  }
  Status SaveBitmap(const std::string& fileName, const platform::Surface& picture) override {
    return imageio::WriteBitmap(platform::PathFromUtf8(fileName), picture);
  }

  void ProcessPendingEvents() override {
    ++pendingEventRuns;
    if (onPendingEvents) onPendingEvents();
  }
};

}  // namespace glyphon::test
