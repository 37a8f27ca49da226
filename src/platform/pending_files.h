// SPDX-License-Identifier: MIT
#pragma once

#include <signal.h>

#include <string_view>

namespace glyphon::platform {

// Temporary files that must not outlive the process. Each is a short name in a folder held
// open by its owner. On SIGINT, SIGTERM or SIGHUP every registered file is removed, the
// signal's previous handling is restored and the signal raised again, so the process ends
// (or carries on) as it would have without us.
//
// Returns a slot for ForgetPending, or -1 when the name is too long or every slot is taken
// (the file is then only removed by its owner).
int RememberPending(int folder, std::string_view name);
void ForgetPending(int slot);

// Holds SIGINT, SIGTERM and SIGHUP back for its lifetime: they arrive when it ends.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t m_saved{};  // the mask before
};

}  // namespace glyphon::platform
