#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_platform.h"

namespace glyphon::test {

// The Qt platform with its dialogs and message boxes answered from a script: everything else
// (clipboard, picture files, pending events and the repaint at each of them) is the real
// thing. Records every message and every dialog's filter list.
class ScriptedPlatform final : public app::QtPlatform {
 public:
  // ---- Script ----
  std::deque<platform::Answer> answers;
  std::deque<platform::FileChoice> openChoices;  // none left: the dialog is cancelled
  std::deque<platform::FileChoice> saveChoices;
  // Runs after each repaint at a progress report, while the loop is under way.
  std::function<void()> duringLoop;

  // ---- Record ----
  std::vector<platform::Message> messages;
  std::vector<std::string> openDialogFilters;
  std::vector<std::string> saveDialogFilters;

  platform::Answer ShowMessage(const platform::Message& message) override {
    messages.push_back(message);
    if (message.buttons == platform::Buttons::Ok) return platform::Answer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "question asked with no scripted answer: " << message.text;
      return message.buttons == platform::Buttons::YesNoCancel ? platform::Answer::Cancel
                                                               : platform::Answer::No;
    }
    const platform::Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  platform::FileChoice SaveFileDialog(std::string_view filters) override {
    saveDialogFilters.emplace_back(filters);
    return Next(saveChoices);
  }

  void ProcessPendingEvents() override {
    QtPlatform::ProcessPendingEvents();
    if (duringLoop) duringLoop();
  }

 protected:
  platform::FileChoice ChooseFileToOpen(std::string_view filters) override {
    openDialogFilters.emplace_back(filters);
    return Next(openChoices);
  }

 private:
  static platform::FileChoice Next(std::deque<platform::FileChoice>& choices) {
    if (choices.empty()) return {};
    platform::FileChoice choice = choices.front();
    choices.pop_front();
    return choice;
  }
};

}  // namespace glyphon::test
