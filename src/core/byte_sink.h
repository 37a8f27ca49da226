// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "core/result.h"
#include "core/types.h"

namespace glyphon::platform {

// Where a writer puts bytes it makes as it goes (a picture file written row by row): a
// string in memory, or a file being staged.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends the bytes; a failure says why, without the file's name.
  virtual Status Write(std::span<const std::uint8_t> bytes) = 0;
  // How many bytes are still to come in all, when the writer knows: a string reserves them.
  virtual void Expect(std::uint64_t) {}
};

// Appends to a string.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(ByteString& out) noexcept : m_out(out) {}
  Status Write(std::span<const std::uint8_t> bytes) override {
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
    return Status::Success();
  }
  void Expect(std::uint64_t bytes) override { m_out.reserve(m_out.size() + static_cast<std::size_t>(bytes)); }

 private:
  ByteString& m_out;
};

}  // namespace glyphon::platform
