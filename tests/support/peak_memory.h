// SPDX-License-Identifier: MIT
#pragma once

// How much resident memory a piece of code adds at its peak: the kernel's high-water mark
// of the resident set is reset to the present size, the code runs, and the mark is read.
// Linux only (/proc/self/clear_refs, since 4.0); elsewhere, or where the reset is not
// allowed, the measure is unavailable and the test skips. So it is under AddressSanitizer,
// whose allocator holds freed blocks back and whose shadow memory grows with every page
// touched: what it measures there is the sanitizer's cost, not ours.

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

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// The bytes the peak resident set grew by while `run` ran, or nothing when not measurable.
// `run` runs in either case.
template <class Run>
std::optional<std::uint64_t> PeakGrowth(Run&& run) {
  bool reset = false;
  if (!kUnderAddressSanitizer) {
    std::ofstream clear("/proc/self/clear_refs");
    reset = static_cast<bool>(clear << "5" << std::flush);
  }
  const auto before = detail::StatusKib("VmRSS");
  const auto afterReset = detail::StatusKib("VmHWM");
  // Where the mark could not be reset, the code still runs: the test's other checks hold.
  const bool measurable = reset && before && afterReset && *afterReset <= *before + 1024;
  run();
  const auto peak = detail::StatusKib("VmHWM");
  if (!measurable || !peak) return std::nullopt;
  return (*peak > *before ? *peak - *before : 0) * 1024;
}

}  // namespace glyphon::test
