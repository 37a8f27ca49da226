#include "convert/classify.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace glyphon::convert {

namespace {
std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
  return out;
}
}  // namespace

int UnRGB(RgbColor colour, std::string_view name) {
  const std::string key = Upper(name);
  // Masks taken on the 32-bit value as a signed integer; the divisions are exact.
  const std::int64_t c = colour;
  const std::int64_t low24 = static_cast<std::int32_t>(static_cast<std::uint32_t>(colour) & 0xFFFFFF00u);
  if (key == "R" || key == "RED" || key == "0") return static_cast<int>(c & 0xFF);
  if (key == "G" || key == "GREEN" || key == "1") return static_cast<int>((low24 - (c & 0xFF0000)) / 256);
  if (key == "B" || key == "BLUE" || key == "2") return static_cast<int>((c & 0xFF0000) / 65536);
  return 0;
}

int GreyLevel(RgbColor colour) noexcept {
  if ((static_cast<std::uint32_t>(colour) & 0xFF000000u) == 0) return GreyOfColour(colour);
  const std::int64_t c = colour;
  const std::int64_t low24 = static_cast<std::int32_t>(static_cast<std::uint32_t>(colour) & 0xFFFFFF00u);
  const std::int64_t sum = (c & 0xFF) + (low24 - (c & 0xFF0000)) / 256 + (c & 0xFF0000) / 65536;
  return static_cast<int>(Nearest(static_cast<double>(sum) / 3.0));
}

}  // namespace glyphon::convert
