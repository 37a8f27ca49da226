// SPDX-License-Identifier: MIT
#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "core/types.h"

namespace glyphon::cli {

namespace {

// Thrown by a handler through CLI11's parse and caught in Parse: a bad value, or --help.
struct Refused {
  std::string why;
};
struct HelpSeen {};

constexpr std::string_view kMissingValue = " missing";
constexpr std::string_view kFlagWithValue = " was given a disallowed flag override";

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// CLI11's wording of the two errors it finds itself, in ours: a value missing at the end
// of the line ("--format: 1 required TEXT missing") and a flag given "=value" ("grow was
// given a disallowed flag override", the name without its dashes).
std::string Reworded(const CLI::ParseError& error) {
  const std::string_view text = error.what();
  if (EndsWith(text, kMissingValue))
    return "option " + std::string(text.substr(0, text.find(':'))) + " needs a value";
  if (EndsWith(text, kFlagWithValue)) {
    const std::string_view name = text.substr(0, text.size() - kFlagWithValue.size());
    return (name.size() == 1 ? "-" : "--") + std::string(name) + " takes no value";
  }
  return std::string(text);
}

// CLI11 leaves unknown options unread, and the "--" that ends the options too.
bool IsUnknownOption(const std::string& arg) {
  return arg.size() >= 2 && arg[0] == '-' && arg != "--";
}

}  // namespace

CommandLine::CommandLine(std::string verb)
    : m_verb(std::move(verb)), m_app(std::make_unique<CLI::App>("", "glyphon " + m_verb)) {
  m_app->set_help_flag();
  m_app->allow_extras();
  m_app->add_flag_callback("-h,--help", [] { throw HelpSeen{}; })->trigger_on_parse();
  m_app->add_option("FILE", m_files);
}

CommandLine::~CommandLine() = default;

void CommandLine::Value(const std::string& names, Take take) {
  m_app
      ->add_option_function<std::string>(names,
                                         [take = std::move(take)](const std::string& value) {
                                           if (auto why = take(value)) throw Refused{std::move(*why)};
                                         })
      ->trigger_on_parse();
}

void CommandLine::Value(const std::string& names, std::string& into) {
  Value(names, [&into](const std::string& value) -> std::optional<std::string> {
    into = value;
    return std::nullopt;
  });
}

void CommandLine::Flag(const std::string& names, bool& into) {
  m_app->add_flag(names, into)->disable_flag_override();
}

Status CommandLine::Parse(std::span<const std::string> args) {
  // CLI11 takes the arguments from the back of the vector. It reads "-f=8" as the value
  // "=8"; a short option's "=" separates its value as a long option's does.
  std::vector<std::string> reversed;
  for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
    if (arg->size() > 2 && (*arg)[0] == '-' && (*arg)[1] != '-' && (*arg)[2] == '=') {
      reversed.push_back(arg->substr(3));
      reversed.push_back(arg->substr(0, 2));
    } else {
      reversed.push_back(*arg);
    }
  }
  try {
    m_app->parse(reversed);
  } catch (const HelpSeen&) {
    m_help = true;
    return Status::Success();
  } catch (const Refused& refused) {
    return Status::Failure(refused.why);
  } catch (const CLI::ParseError& error) {
    return Status::Failure(Reworded(error));
  }
  for (const std::string& extra : m_app->remaining()) {
    if (IsUnknownOption(extra))
      return Status::Failure("unknown option " + extra.substr(0, extra.find('=')) + " for " + m_verb);
  }
  return Status::Success();
}

std::optional<convert::Selection> ParseRect(std::string_view text, std::int64_t maxRows) {
  int parts[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = i < 3 ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, comma);
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), parts[i]);
    if (part.empty() || error != std::errc() || end != part.data() + part.size()) return std::nullopt;
    if (parts[i] < 0 || parts[i] > (i % 2 == 0 ? kMaxPictureSide : maxRows)) return std::nullopt;
    text.remove_prefix(i < 3 ? comma + 1 : comma);
  }
  return convert::Selection{parts[0], parts[1], parts[2], parts[3]};
}

CommandLine::Take FormatOption(const formats::FormatInfo*& into) {
  return [&into](const std::string& name) -> std::optional<std::string> {
    into = formats::FindFormat(name);
    if (into == nullptr) return "unknown format \"" + name + "\" (see 'glyphon formats')";
    return std::nullopt;
  };
}

CommandLine::Take RectOption(std::optional<convert::Selection>& into, std::int64_t maxRows) {
  return [&into, maxRows](const std::string& text) -> std::optional<std::string> {
    into = ParseRect(text, maxRows);
    if (!into)
      return "--rect wants X,Y,W,H as four whole numbers from 0 to " + std::to_string(kMaxPictureSide) +
             ", not \"" + text + "\"";
    return std::nullopt;
  };
}

}  // namespace glyphon::cli
