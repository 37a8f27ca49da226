#pragma once

#include <functional>

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

  void ProcessPendingEvents() override {
    QtPlatform::ProcessPendingEvents();
    if (duringLoop) duringLoop();
  }
};

}  // namespace glyphon::test
