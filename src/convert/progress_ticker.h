// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <limits>

#include "core/progress.h"

namespace glyphon::convert {

// Reports nearest(k / total * scale + offset) after pixel k (k = 1 .. total), computed in
// double precision exactly as written, to a progress sink. Only values that differ from
// the last one reported reach the sink, and the check per pixel is one comparison: the
// ticker works out in advance the next k at which the percentage changes.
class ProgressTicker {
 public:
  ProgressTicker(platform::ProgressSink& sink, std::int64_t total, double scale = 100.0,
                 double offset = 0.0) noexcept
      : m_sink(sink), m_total(total), m_scale(scale), m_offset(offset), m_next(total > 0 ? 1 : kNever) {}

  void Tick(std::int64_t k) {
    if (k >= m_next) Advance(k);
  }

  // Reports what ticking every pixel up to k one by one would, in the same order: a loop
  // can tick once a row instead of once a pixel.
  void TickTo(std::int64_t k) {
    while (k >= m_next) Advance(m_next);
  }

  // The percentage the contract gives after pixel k.
  int PercentAt(std::int64_t k) const noexcept;

 private:
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
  void Advance(std::int64_t k);

  platform::ProgressSink& m_sink;
  std::int64_t m_total;
  double m_scale;
  double m_offset;
  std::int64_t m_next;
  int m_last = std::numeric_limits<int>::min();
};

}  // namespace glyphon::convert
