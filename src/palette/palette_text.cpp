// SPDX-License-Identifier: MIT
// The text palette kinds: JASC-PAL, GIMP and one hex colour a line.
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "palette/palette_codecs.h"

namespace glyphon::palette::codecs {

namespace {

// The file's lines one at a time, without their line ends (LF, CRLF or CR), trimmed of
// spaces and tabs and numbered from 0. A UTF-8 byte order mark before the first line is
// skipped, and so are the blank lines at the end. Nothing is kept per line, so a file of
// nothing but line ends costs no more memory than its bytes.
class LineCursor {
 public:
  explicit LineCursor(std::span<const std::uint8_t> bytes)
      : m_text(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {
    if (m_text.starts_with(kByteOrderMark)) m_text.remove_prefix(kByteOrderMark.size());
    m_text = m_text.substr(0, m_text.find_last_not_of(" \t\r\n") + 1);
    m_done = m_text.empty();
  }

  // The next line, or false after the last; Index() is then the number of lines.
  bool Next(std::string_view& line) {
    if (m_done) return false;
    if (m_started) ++m_index;
    m_started = true;
    std::size_t end = m_text.find_first_of("\r\n", m_at);
    if (end == std::string_view::npos) {
      end = m_text.size();
      m_done = true;
    }
    line = m_text.substr(m_at, end - m_at);
    const std::size_t first = line.find_first_not_of(" \t");
    line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (end + 1 < m_text.size() && m_text[end] == '\r' && m_text[end + 1] == '\n') ++end;
    m_at = end + 1;
    return true;
  }

  // The number of the line Next gave last.
  std::size_t Index() const noexcept { return m_index; }

 private:
  std::string_view m_text;
  std::size_t m_at = 0;
  std::size_t m_index = 0;
  bool m_started = false;
  bool m_done = false;
};

// Colours as they are read: only the first 257 are kept, the rest counted, so a file of
// many colour lines is refused with its count but without holding them.
class Collected {
 public:
  void Add(RgbColor colour) {
    if (m_palette.colours.size() <= kMaxColours) m_palette.colours.push_back(colour);
    ++m_count;
  }
  std::size_t Count() const noexcept { return m_count; }
  Result<Palette> Finish() {
    if (Status count = CheckColourCount(m_count); !count) return Result<Palette>::Failure(count.error);
    return std::move(m_palette);
  }

 private:
  Palette m_palette;
  std::size_t m_count = 0;
};

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
  LineCursor lines(bytes);
  std::string_view line;
  if (!lines.Next(line) || line != "JASC-PAL") return Failure(0, "expected \"JASC-PAL\"", line);
  if (line = {}; !lines.Next(line) || line != "0100")
    return Failure(1, "expected the version \"0100\"", line);
  int count = -1;
  line = {};
  lines.Next(line);
  std::string_view rest = line;
  if (!ReadNumber(rest, count) || !rest.empty() || count < 0)
    return Failure(2, "expected the colour count", line);
  Collected colours;
  while (lines.Next(line)) {
    std::string_view fields = line;
    RgbColor colour = 0;
    if (!ReadTriple(fields, colour) || !fields.empty())
      return Failure(lines.Index(), std::string(kColourLine), line);
    colours.Add(colour);
  }
  if (colours.Count() != static_cast<std::size_t>(count) && colours.Count() <= kMaxColours) {
    return Result<Palette>::Failure("the header says " + std::to_string(count) + " colours, the file holds " +
                                    std::to_string(colours.Count()));
  }
  return colours.Finish();
}

ByteString WriteJasc(const Palette& palette) {
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.colours.size()) + "\r\n";
  for (RgbColor c : palette.colours) text += Triple(c) + "\r\n";
  return Text(text);
}

// GIMP: "GIMP Palette", then header lines ("Name: ...", "Columns: ...") and comments ('#'),
// then "r g b" lines, each optionally followed by a colour name.
Result<Palette> ReadGimp(std::span<const std::uint8_t> bytes) {
  LineCursor lines(bytes);
  std::string_view line;
  if (!lines.Next(line) || line != "GIMP Palette") return Failure(0, "expected \"GIMP Palette\"", line);
  Collected colours;
  while (lines.Next(line)) {
    if (line.empty() || line.front() == '#') continue;
    if (colours.Count() == 0 && (line.starts_with("Name:") || line.starts_with("Columns:"))) continue;
    std::string_view fields = line;
    RgbColor colour = 0;
    if (!ReadTriple(fields, colour))
      return Failure(lines.Index(), std::string(kColourLine) + " and an optional name", line);
    colours.Add(colour);
  }
  return colours.Finish();
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
  LineCursor lines(bytes);
  std::string_view line;
  Collected colours;
  while (lines.Next(line)) {
    if (line.empty() || line.front() == ';') continue;
    RgbColor colour = 0;
    if (!ReadHex(line, colour)) return Failure(lines.Index(), "expected a colour \"#rrggbb\"", line);
    colours.Add(colour);
  }
  return colours.Finish();
}

ByteString WriteHex(const Palette& palette) {
  std::string text;
  for (RgbColor c : palette.colours) text += HexColour(c) + "\n";
  return Text(text);
}

}  // namespace glyphon::palette::codecs
