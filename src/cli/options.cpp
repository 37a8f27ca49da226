#include "cli/options.h"

#include <charconv>

#include "platform/types.h"

namespace glyphon::cli {

std::string OptionReader::Next() {
  while (m_at < m_args.size()) {
    const std::string& arg = m_args[m_at++];
    if (m_afterDashes || arg.size() < 2 || arg[0] != '-') {
      m_positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      m_afterDashes = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    m_pendingValue.reset();
    if (equals != std::string::npos) {
      m_pendingValue = arg.substr(equals + 1);
      return arg.substr(0, equals);
    }
    return arg;
  }
  return {};
}

std::optional<std::string> OptionReader::Value() {
  if (m_pendingValue) return std::exchange(m_pendingValue, std::nullopt);
  if (m_at < m_args.size()) return m_args[m_at++];
  return std::nullopt;
}

std::optional<convert::Selection> ParseRect(std::string_view text) {
  int parts[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = i < 3 ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, comma);
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), parts[i]);
    if (part.empty() || error != std::errc() || end != part.data() + part.size()) return std::nullopt;
    if (parts[i] < 0 || parts[i] > kMaxPictureSide) return std::nullopt;
    text.remove_prefix(i < 3 ? comma + 1 : comma);
  }
  return convert::Selection{parts[0], parts[1], parts[2], parts[3]};
}

}  // namespace glyphon::cli
