// SPDX-License-Identifier: MIT
#include "cli/map_options.h"

#include <charconv>

#include "core/picture_limits.h"
#include "core/types.h"

namespace glyphon::cli {

namespace {

using Problem = std::optional<std::string>;

std::optional<std::int64_t> WholeNumber(std::string_view text, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

CommandLine::Take Number(std::string name, std::int64_t low, std::int64_t high, std::int64_t& into) {
  return [name = std::move(name), low, high, &into](const std::string& text) -> Problem {
    const auto value = WholeNumber(text, low, high);
    if (!value)
      return name + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
             ", not \"" + text + "\"";
    into = *value;
    return std::nullopt;
  };
}

void AddScreens(CommandLine& line, MapOptions& into) {
  line.Value("--map-screens", [&into](const std::string& text) -> Problem {
    const std::size_t x = text.find('x');
    const auto width = WholeNumber(text.substr(0, x), 1, 256);
    const auto height = x == std::string::npos ? std::nullopt : WholeNumber(text.substr(x + 1), 1, 256);
    if (!width || !height)
      return "--map-screens wants WxH in tiles, 1 to 256 each (32x32), not \"" + text + "\"";
    into.screens = std::pair{static_cast<int>(*width), static_cast<int>(*height)};
    return std::nullopt;
  });
}

void AddBankSplit(CommandLine& line, MapOptions& into) {
  line.Value("--bank-split", [&into](const std::string& text) -> Problem {
    const auto split = WholeNumber(text, 1, 0xFFFF);
    if (!split) return "--bank-split wants a whole number from 1 to 65535, not \"" + text + "\"";
    into.bankSplit = static_cast<std::uint32_t>(*split);
    return std::nullopt;
  });
}

}  // namespace

void AddTilesMapOptions(CommandLine& line, MapOptions& into) {
  AddScreens(line, into);
  AddBankSplit(line, into);
  line.Value("--trim-end",
             Number("--trim-end", 0, static_cast<std::int64_t>(platform::kMaxPictureTiles), into.trimEnd));
  line.Value("--tiles-from", into.tilesFrom);
  line.Flag("--tiles-from-only", into.tilesFromOnly);
  line.Value("--background", [&into](const std::string& text) -> Problem {
    into.background = ParseColour(text);
    if (!into.background) return "--background wants a colour #RRGGBB, not \"" + text + "\"";
    return std::nullopt;
  });
  line.Value("--background-tile", Number("--background-tile", 0, 0xFFFF, into.backgroundTile));
}

void AddUntileMapOptions(CommandLine& line, MapOptions& into) {
  AddScreens(line, into);
  AddBankSplit(line, into);
}

std::vector<std::string> JoinFlips(std::span<const std::string> args) {
  std::vector<std::string> joined;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") options = false;
    if (!options || args[i] != "--flips") {
      joined.push_back(args[i]);
    } else if (i + 1 < args.size() && ParseFlips(args[i + 1])) {
      joined.push_back("--flips=" + args[++i]);
    } else {
      joined.push_back("--flips=both");
    }
  }
  return joined;
}

std::optional<tiles::Flip> ParseFlips(const std::string& text) {
  if (text == "h") return tiles::kFlipH;
  if (text == "v") return tiles::kFlipV;
  if (text == "both") return tiles::kFlipBoth;
  return std::nullopt;
}

std::optional<RgbColor> ParseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  RgbColor colour = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), colour, 16);
  if (error != std::errc() || end != text.data() + text.size() || colour < 0) return std::nullopt;
  return colour;
}

}  // namespace glyphon::cli
