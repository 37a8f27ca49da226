// SPDX-License-Identifier: MIT
#include "palette/palette.h"

#include <array>

namespace glyphon::palette {

namespace {
int ComponentAtDepth(int c, int bits) {
  if (bits == 5) return ExpandFrom5(ReduceTo5(c));
  if (bits == 3) return ExpandFrom3(ReduceTo3(c));
  return c;
}
}  // namespace

Palette AtDepth(const Palette& palette, int bits) {
  Palette out = palette;
  for (RgbColor& c : out.colours) {
    c = Rgb(ComponentAtDepth(RedOf(c), bits), ComponentAtDepth(GreenOf(c), bits),
            ComponentAtDepth(BlueOf(c), bits));
  }
  return out;
}

RgbColor Rounded(RgbColor colour, int bits, Rounding rounding) {
  if (rounding == Rounding::Nearest || (bits != 5 && bits != 3)) return colour;
  const auto cut = [bits](int c) { return bits == 5 ? ExpandFrom5(c >> 3) : ExpandFrom3(c >> 5); };
  return Rgb(cut(RedOf(colour)), cut(GreenOf(colour)), cut(BlueOf(colour)));
}

Palette Rounded(const Palette& palette, int bits, Rounding rounding) {
  Palette out = palette;
  for (RgbColor& c : out.colours) c = Rounded(c, bits, rounding);
  return out;
}

std::string HexColour(RgbColor colour) {
  constexpr std::array<char, 16> kDigits{'0', '1', '2', '3', '4', '5', '6', '7',
                                         '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  std::string text = "#";
  for (int component : {RedOf(colour), GreenOf(colour), BlueOf(colour)}) {
    text += kDigits[static_cast<std::size_t>(component >> 4)];
    text += kDigits[static_cast<std::size_t>(component & 15)];
  }
  return text;
}

}  // namespace glyphon::palette
