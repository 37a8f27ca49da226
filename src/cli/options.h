#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/encoding.h"

namespace glyphon::cli {

// Splits "--name=value" and "--name value" alike; `Positional` collects the rest, and
// everything after "--".
class OptionReader {
 public:
  explicit OptionReader(std::span<const std::string> args) : m_args(args) {}

  // The next option name (without an "=value" part), or an empty string at the end.
  std::string Next();
  // The value of the option just read: after its "=", or the next argument.
  std::optional<std::string> Value();
  // Whether the option just read came with "=value" (a flag must not).
  bool HasInlineValue() const noexcept { return m_pendingValue.has_value(); }
  const std::vector<std::string>& Positional() const { return m_positional; }

 private:
  std::span<const std::string> m_args;
  std::size_t m_at = 0;
  std::vector<std::string> m_positional;
  std::optional<std::string> m_pendingValue;
  bool m_afterDashes = false;
};

// "X,Y,W,H", four whole numbers from 0 to 32767.
std::optional<convert::Selection> ParseRect(std::string_view text);

}  // namespace glyphon::cli
