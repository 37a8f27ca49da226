// SPDX-License-Identifier: MIT
#include "convert/progress_ticker.h"

#include <cmath>

#include "core/types.h"

namespace glyphon::convert {

int ProgressTicker::PercentAt(std::int64_t k) const noexcept {
  return static_cast<int>(
      Nearest(static_cast<double>(k) / static_cast<double>(m_total) * m_scale + m_offset));
}

void ProgressTicker::Advance(std::int64_t k) {
  const int percent = PercentAt(k);
  if (percent != m_last) {
    m_last = percent;
    m_sink.Report(percent);
  }
  // The percentage never falls as k grows. Estimate where it next changes, then step to
  // the exact pixel; the estimate is off by at most a pixel or two of rounding.
  const double target = (static_cast<double>(percent) + 0.5 - m_offset) / m_scale;
  std::int64_t next = static_cast<std::int64_t>(std::floor(target * static_cast<double>(m_total)));
  if (next <= k) next = k + 1;
  while (next > k + 1 && PercentAt(next - 1) != percent) --next;
  while (next <= m_total && PercentAt(next) == percent) ++next;
  m_next = next > m_total ? kNever : next;
}

}  // namespace glyphon::convert
