// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace glyphon {

// A value or the reason there is none, for failures that travel to the edge of the
// program (a message box, a line on stderr) as values.
template <class T>
class Result {
 public:
  Result(T value) : m_state(std::move(value)) {}  // NOLINT(google-explicit-constructor)
  static Result Failure(std::string reason) { return Result(ErrorText{std::move(reason)}); }

  bool Ok() const noexcept { return std::holds_alternative<T>(m_state); }
  explicit operator bool() const noexcept { return Ok(); }
  T& Value() & { return std::get<T>(m_state); }
  const T& Value() const& { return std::get<T>(m_state); }
  T&& Value() && { return std::get<T>(std::move(m_state)); }
  const std::string& Error() const { return std::get<ErrorText>(m_state).text; }

 private:
  struct ErrorText {
    std::string text;
  };
  explicit Result(ErrorText error) : m_state(std::move(error)) {}
  std::variant<T, ErrorText> m_state;
};

// The outcome of an operation that returns nothing but may fail.
struct Status {
  std::string error;  // empty on success
  bool Ok() const noexcept { return error.empty(); }
  explicit operator bool() const noexcept { return Ok(); }
  static Status Success() { return {}; }
  static Status Failure(std::string reason) { return Status{std::move(reason)}; }
};

}  // namespace glyphon
