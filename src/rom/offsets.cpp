// SPDX-License-Identifier: MIT
#include "rom/offsets.h"

#include <charconv>
#include <string>

namespace glyphon::rom {

Result<std::uint64_t> ParseOffset(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text).push_back('"');
  int base = 10;
  std::string_view digits = text;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  } else if (digits.starts_with('$')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (text.starts_with('-')) return Result<std::uint64_t>::Failure(quoted + " is negative");
  // from_chars takes neither a sign nor blanks, so whatever it does not consume is refused.
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error == std::errc::result_out_of_range)
    return Result<std::uint64_t>::Failure(quoted + " is too large");
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return Result<std::uint64_t>::Failure(quoted + " is not a number (decimal, 0x hex or $ hex)");
  }
  return value;
}

}  // namespace glyphon::rom
