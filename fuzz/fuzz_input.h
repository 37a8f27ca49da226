#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace glyphon::fuzz {

// Takes small numbers off the front of the fuzzer's bytes; the rest is data.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_bytes(data, size) {}
  // A number from 0 to limit - 1 (0 when the bytes run out).
  int Take(int limit) {
    if (m_bytes.empty() || limit <= 1) return 0;
    unsigned value = m_bytes[0];
    m_bytes = m_bytes.subspan(1);
    if (limit > 256 && !m_bytes.empty()) {
      value = value << 8 | m_bytes[0];
      m_bytes = m_bytes.subspan(1);
    }
    return static_cast<int>(value % static_cast<unsigned>(limit));
  }
  std::span<const std::uint8_t> Rest() const { return m_bytes; }
  std::span<const std::uint8_t> TakeBytes(std::size_t count) {
    const std::size_t n = count < m_bytes.size() ? count : m_bytes.size();
    auto out = m_bytes.first(n);
    m_bytes = m_bytes.subspan(n);
    return out;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
};

}  // namespace glyphon::fuzz
