// SPDX-License-Identifier: MIT
#include "platform/pending_files.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace glyphon::platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

enum SlotState : int { kFree, kFilling, kInUse };

// Only plain data and atomics, so the handler may read it at any moment.
struct Slot {
  std::atomic<int> state{kFree};
  int folder = -1;
  char name[48] = {};
};

std::array<Slot, 64> g_slots;
std::atomic<bool> g_installed{false};
struct sigaction g_previous[3];

void RemovePending(int signal) {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kInUse) unlinkat(slot.folder, slot.name, 0);
  }
  // Back to the previous handling, then the signal once more: with the default action the
  // process ends by this signal, as its parent expects.
  for (int i = 0; i < 3; ++i) {
    if (kSignals[i] == signal) sigaction(signal, &g_previous[i], nullptr);
  }
  g_installed.store(false);
  raise(signal);
}

void InstallHandlers() {
  if (g_installed.exchange(true)) return;
  struct sigaction action {};
  action.sa_handler = RemovePending;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  for (int i = 0; i < 3; ++i) {
    struct sigaction previous {};
    sigaction(kSignals[i], nullptr, &previous);
    // A signal the process ignores stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    g_previous[i] = previous;
    sigaction(kSignals[i], &action, nullptr);
  }
}

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

int RememberPending(int folder, std::string_view name) {
  if (name.size() >= sizeof(Slot::name)) return -1;
  InstallHandlers();
  for (std::size_t i = 0; i < g_slots.size(); ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    g_slots[i].folder = folder;
    std::memcpy(g_slots[i].name, name.data(), name.size());
    g_slots[i].name[name.size()] = '\0';
    g_slots[i].state.store(kInUse);
    return static_cast<int>(i);
  }
  return -1;
}

void ForgetPending(int slot) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < g_slots.size())
    g_slots[static_cast<std::size_t>(slot)].state.store(kFree);
}

HeldSignals::HeldSignals() {
  const sigset_t held = CleanupSignals();
  pthread_sigmask(SIG_BLOCK, &held, &m_saved);
}

HeldSignals::~HeldSignals() {
  pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
}

}  // namespace glyphon::platform
