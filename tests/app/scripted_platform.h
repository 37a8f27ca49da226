// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "app/qt_platform.h"
#include "support/fake_platform.h"

namespace glyphon::test {

// The Qt platform with its dialogs and message boxes answered from a script: everything else
// (clipboard, picture files, pending events and the repaint at each of them) is the real
// thing.
class ScriptedPlatform final : public ScriptedDialogs<app::QtPlatform> {
 public:
  // Runs after each repaint at a progress report, while the loop is under way.
  std::function<void()> duringLoop;
  // Runs before a picture file is read (a test makes it throw, as when memory runs out).
  std::function<void()> beforeLoadPicture;

  Result<platform::Surface> LoadPicture(const std::string& fileName) override {
    if (beforeLoadPicture) beforeLoadPicture();
    return QtPlatform::LoadPicture(fileName);
  }

  void ProcessPendingEvents() override {
    QtPlatform::ProcessPendingEvents();
    if (duringLoop) duringLoop();
  }
};

}  // namespace glyphon::test
