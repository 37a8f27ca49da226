// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>

#include "core/progress.h"

namespace glyphon::cli {

// Draws a bar on a terminal, redrawing only when the percentage changes.
class TerminalProgress final : public platform::ProgressSink {
 public:
  TerminalProgress(std::ostream& err, bool enabled) : m_err(err), m_enabled(enabled) {}
  ~TerminalProgress() override {
    if (m_drawn) m_err << "\r" << std::string(60, ' ') << "\r" << std::flush;
  }
  void Report(int percent) override {
    if (!m_enabled || percent == m_last) return;
    m_last = percent;
    const int filled = std::clamp(percent, 0, 100) * 40 / 100;
    m_err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << percent << "%" << std::flush;
    m_drawn = true;
  }

 private:
  std::ostream& m_err;
  bool m_enabled;
  bool m_drawn = false;
  int m_last = -1;
};

}  // namespace glyphon::cli
