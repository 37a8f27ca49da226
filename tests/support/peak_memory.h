// SPDX-License-Identifier: MIT
#pragma once

// How much resident memory a piece of code adds at its peak: the kernel's high-water mark
// of the resident set is reset to the present size, the code runs, and the mark is read.
// Linux only (/proc/self/clear_refs, since 4.0); elsewhere, or where the reset is not
// allowed, the measure is unavailable and the test skips.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace glyphon::test {

namespace detail {
inline std::optional<std::uint64_t> StatusKib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == field + ":") {
      std::uint64_t kib = 0;
      if (status >> kib) return kib;
      return std::nullopt;
    }
    status.ignore(1 << 16, '\n');
  }
  return std::nullopt;
}
}  // namespace detail

// The bytes the peak resident set grew by while `run` ran, or nothing when not measurable.
template <class Run>
std::optional<std::uint64_t> PeakGrowth(Run&& run) {
  {
    std::ofstream reset("/proc/self/clear_refs");
    if (!(reset << "5" << std::flush)) return std::nullopt;
  }
  const auto before = detail::StatusKib("VmRSS");
  const auto afterReset = detail::StatusKib("VmHWM");
  if (!before || !afterReset || *afterReset > *before + 1024) return std::nullopt;  // the reset did not take
  run();
  const auto peak = detail::StatusKib("VmHWM");
  if (!peak) return std::nullopt;
  return (*peak > *before ? *peak - *before : 0) * 1024;
}

}  // namespace glyphon::test
