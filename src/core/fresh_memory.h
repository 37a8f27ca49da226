// SPDX-License-Identifier: MIT
#pragma once

// Large buffers that are filled for the first time. Each 4 KiB page of fresh memory costs
// a page fault on first touch, and on a virtual machine a fault is an exit to the host:
// handing out a 16 MiB buffer can cost more than a pass over a picture. On Linux the whole
// 2 MiB pages inside such a buffer are advised to be huge pages before it is filled, which
// turns 512 faults into one. Elsewhere, or where the kernel declines, nothing changes.

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace glyphon::platform {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Advises huge pages for the 2 MiB pages that [data, data + bytes) touches, a buffer of at
// least one such page long. The rounding outward matters: a large allocation starts 16
// bytes into a mapping that the kernel aligns to 2 MiB, so its first page is a huge page
// too. Memory of the same mapping beyond the buffer only becomes eligible, and a huge page
// is used only where a whole one lies inside a mapping.
inline void AdviseHugePages(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes < kHugePageBytes) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = begin & ~(kHugePageBytes - 1);
  const std::uintptr_t last = (begin + bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

// Gives `values` n copies of `fill`. Storage too small for them is released first and the
// new storage is advised before it is touched; storage that is large enough is reused.
template <class T>
void AssignFresh(std::vector<T>& values, std::size_t n, const T& fill) {
  if (n > values.capacity()) {
    std::vector<T>().swap(values);
    values.reserve(n);
    AdviseHugePages(values.data(), n * sizeof(T));
  }
  values.assign(n, fill);
}

}  // namespace glyphon::platform
