// The text palette kinds: JASC-PAL, GIMP and one hex colour a line.
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "palette/palette_codecs.h"

namespace glyphon::palette::codecs {

namespace {

// The file's lines without their line ends (LF, CRLF or CR), trimmed of spaces and tabs.
std::vector<std::string_view> Lines(std::span<const std::uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    const std::size_t first = line.find_first_not_of(" \t");
    line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    lines.push_back(line);
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

Result<Palette> Failure(std::size_t lineIndex, const std::string& what, std::string_view line) {
  std::string shown(line.substr(0, 40));
  if (line.size() > 40) shown += "...";
  return Result<Palette>::Failure("line " + std::to_string(lineIndex + 1) + ": " + what + ", found \"" +
                                  shown + "\"");
}

// Reads a whole-number field from `line`, skipping spaces and tabs before it.
bool ReadNumber(std::string_view& line, int& value) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  line.remove_prefix(first);
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc()) return false;
  line.remove_prefix(static_cast<std::size_t>(end - line.data()));
  return line.empty() || line.front() == ' ' || line.front() == '\t';
}

// "r g b" with each component 0-255; the rest of the line is left in `line`.
bool ReadTriple(std::string_view& line, RgbColor& colour) {
  int rgb[3] = {};
  for (int& c : rgb) {
    if (!ReadNumber(line, c) || c < 0 || c > 255) return false;
  }
  colour = Rgb(rgb[0], rgb[1], rgb[2]);
  return true;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  const int lower = std::tolower(static_cast<unsigned char>(ch));
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// "rrggbb" or "aarrggbb" (the alpha is dropped), optionally after '#'.
bool ReadHex(std::string_view text, RgbColor& colour) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6 && text.size() != 8) return false;
  unsigned value = 0;
  for (char ch : text) {
    const int digit = HexDigit(ch);
    if (digit < 0) return false;
    value = value << 4 | static_cast<unsigned>(digit);
  }
  colour = Rgb(static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
               static_cast<int>(value & 0xFF));
  return true;
}

ByteString Text(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

std::string Triple(RgbColor c) {
  return std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " + std::to_string(BlueOf(c));
}

constexpr std::string_view kColourLine = "expected three numbers 0-255 (red green blue)";

}  // namespace

// JASC-PAL: "JASC-PAL", "0100", the colour count, then one "r g b" line a colour.
Result<Palette> ReadJasc(std::span<const std::uint8_t> bytes) {
  const std::vector<std::string_view> lines = Lines(bytes);
  if (lines.empty() || lines[0] != "JASC-PAL") {
    return Failure(0, "expected \"JASC-PAL\"", lines.empty() ? std::string_view{} : lines[0]);
  }
  if (lines.size() < 2 || lines[1] != "0100")
    return Failure(1, "expected the version \"0100\"", lines.size() < 2 ? "" : lines[1]);
  int count = -1;
  std::string_view countLine = lines.size() < 3 ? std::string_view{} : lines[2];
  std::string_view rest = countLine;
  if (!ReadNumber(rest, count) || !rest.empty() || count < 0)
    return Failure(2, "expected the colour count", countLine);
  Palette palette;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    RgbColor colour = 0;
    if (!ReadTriple(line, colour) || !line.empty()) return Failure(i, std::string(kColourLine), lines[i]);
    palette.colours.push_back(colour);
  }
  if (palette.colours.size() != static_cast<std::size_t>(count) && palette.colours.size() <= kMaxColours) {
    return Result<Palette>::Failure("the header says " + std::to_string(count) + " colours, the file holds " +
                                    std::to_string(palette.colours.size()));
  }
  return Checked(std::move(palette));
}

ByteString WriteJasc(const Palette& palette) {
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.colours.size()) + "\r\n";
  for (RgbColor c : palette.colours) text += Triple(c) + "\r\n";
  return Text(text);
}

// GIMP: "GIMP Palette", then header lines ("Name: ...", "Columns: ...") and comments ('#'),
// then "r g b" lines, each optionally followed by a colour name.
Result<Palette> ReadGimp(std::span<const std::uint8_t> bytes) {
  const std::vector<std::string_view> lines = Lines(bytes);
  if (lines.empty() || lines[0] != "GIMP Palette") {
    return Failure(0, "expected \"GIMP Palette\"", lines.empty() ? std::string_view{} : lines[0]);
  }
  Palette palette;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.empty() || line.front() == '#') continue;
    if (palette.colours.empty() && (line.starts_with("Name:") || line.starts_with("Columns:"))) continue;
    RgbColor colour = 0;
    if (!ReadTriple(line, colour))
      return Failure(i, std::string(kColourLine) + " and an optional name", lines[i]);
    palette.colours.push_back(colour);
  }
  return Checked(std::move(palette));
}

ByteString WriteGimp(const Palette& palette) {
  std::string text = "GIMP Palette\nName: glyphon\nColumns: 16\n#\n";
  for (RgbColor c : palette.colours) {
    // Components right-aligned in columns of three, the colour's hex code as its name.
    std::array<char, 16> rgb{};
    std::snprintf(rgb.data(), rgb.size(), "%3d %3d %3d\t", RedOf(c), GreenOf(c), BlueOf(c));
    text.append(rgb.data()).append(HexColour(c)).push_back('\n');
  }
  return Text(text);
}

// One "#rrggbb" a line; the '#' may be missing, "aarrggbb" drops its alpha, blank lines and
// lines starting with ';' are skipped.
Result<Palette> ReadHex(std::span<const std::uint8_t> bytes) {
  const std::vector<std::string_view> lines = Lines(bytes);
  Palette palette;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty() || lines[i].front() == ';') continue;
    RgbColor colour = 0;
    if (!ReadHex(lines[i], colour)) return Failure(i, "expected a colour \"#rrggbb\"", lines[i]);
    palette.colours.push_back(colour);
  }
  return Checked(std::move(palette));
}

ByteString WriteHex(const Palette& palette) {
  std::string text;
  for (RgbColor c : palette.colours) text += HexColour(c) + "\n";
  return Text(text);
}

}  // namespace glyphon::palette::codecs
