// The binary palette kinds: 3 bytes a colour, and the 16-bit console layouts.
#include <string>

#include "palette/palette_codecs.h"

namespace glyphon::palette::codecs {

namespace {

std::string Bytes(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

Result<Palette> ReadTriples(std::span<const std::uint8_t> bytes, std::size_t count) {
  Palette palette;
  for (std::size_t i = 0; i < count; ++i)
    palette.colours.push_back(Rgb(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]));
  return Checked(std::move(palette));
}

ByteString Triples(const Palette& palette, std::size_t count) {
  ByteString out(3 * count, 0);
  for (std::size_t i = 0; i < palette.colours.size() && i < count; ++i) {
    const RgbColor c = palette.colours[i];
    out[3 * i] = static_cast<std::uint8_t>(RedOf(c));
    out[3 * i + 1] = static_cast<std::uint8_t>(GreenOf(c));
    out[3 * i + 2] = static_cast<std::uint8_t>(BlueOf(c));
  }
  return out;
}

// A console layout: one 16-bit word a colour.
struct WordLayout {
  const char* name;
  bool bigEndian;
  unsigned (*pack)(RgbColor colour);
  RgbColor (*unpack)(unsigned word);
};

// SNES CGRAM and Game Boy Color: little-endian 0bbbbbgggggrrrrr; bit 15 is not read.
constexpr WordLayout kBgr555{"bgr555", false,
                             [](RgbColor c) {
                               return unsigned(ReduceTo5(RedOf(c))) | unsigned(ReduceTo5(GreenOf(c))) << 5 |
                                      unsigned(ReduceTo5(BlueOf(c))) << 10;
                             },
                             [](unsigned w) {
                               return Rgb(ExpandFrom5(int(w & 31)), ExpandFrom5(int((w >> 5) & 31)),
                                          ExpandFrom5(int((w >> 10) & 31)));
                             }};

// Genesis CRAM: big-endian 0000bbb0ggg0rrr0, three bits a component.
constexpr WordLayout kGenesis{"genesis", true,
                              [](RgbColor c) {
                                return unsigned(ReduceTo3(RedOf(c))) << 1 |
                                       unsigned(ReduceTo3(GreenOf(c))) << 5 |
                                       unsigned(ReduceTo3(BlueOf(c))) << 9;
                              },
                              [](unsigned w) {
                                return Rgb(ExpandFrom3(int((w >> 1) & 7)), ExpandFrom3(int((w >> 5) & 7)),
                                           ExpandFrom3(int((w >> 9) & 7)));
                              }};

// N64: big-endian rrrrrgggggbbbbba; written opaque (a = 1), the alpha bit is not read.
constexpr WordLayout kRgba5551{"rgba5551", true,
                               [](RgbColor c) {
                                 return unsigned(ReduceTo5(RedOf(c))) << 11 |
                                        unsigned(ReduceTo5(GreenOf(c))) << 6 |
                                        unsigned(ReduceTo5(BlueOf(c))) << 1 | 1u;
                               },
                               [](unsigned w) {
                                 return Rgb(ExpandFrom5(int((w >> 11) & 31)), ExpandFrom5(int((w >> 6) & 31)),
                                            ExpandFrom5(int((w >> 1) & 31)));
                               }};

Result<Palette> ReadWords(std::span<const std::uint8_t> bytes, const WordLayout& layout) {
  if (bytes.size() % 2 != 0) {
    return Result<Palette>::Failure(Bytes(bytes.size()) + ", an odd count: a " + layout.name +
                                    " palette is 2 bytes a colour");
  }
  if (Status count = CheckColourCount(bytes.size() / 2); !count) return Result<Palette>::Failure(count.error);
  Palette palette;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned low = layout.bigEndian ? bytes[i + 1] : bytes[i];
    const unsigned high = layout.bigEndian ? bytes[i] : bytes[i + 1];
    palette.colours.push_back(layout.unpack(high << 8 | low));
  }
  return Checked(std::move(palette));
}

ByteString WriteWords(const Palette& palette, const WordLayout& layout) {
  ByteString out;
  for (RgbColor c : palette.colours) {
    const unsigned word = layout.pack(c);
    const auto low = static_cast<std::uint8_t>(word & 0xFF);
    const auto high = static_cast<std::uint8_t>(word >> 8);
    out.push_back(layout.bigEndian ? high : low);
    out.push_back(layout.bigEndian ? low : high);
  }
  return out;
}

// Adobe colour table: 256 RGB triples, then (in the 772-byte form) the colour count and
// the transparent index, both 16-bit big-endian (0xFFFF: none).
constexpr std::size_t kActTable = 3 * kMaxColours;

}  // namespace

Result<Palette> ReadAct(std::span<const std::uint8_t> bytes) {
  if (bytes.size() == kActTable) return ReadTriples(bytes, kMaxColours);
  if (bytes.size() != kActTable + 4) {
    return Result<Palette>::Failure(Bytes(bytes.size()) + ": an .act palette is 768 or 772 bytes");
  }
  const std::size_t count = std::size_t{bytes[kActTable]} << 8 | bytes[kActTable + 1];
  if (count > kMaxColours) {
    return Result<Palette>::Failure("the colour count says " + std::to_string(count) + ", more than " +
                                    std::to_string(kMaxColours));
  }
  return ReadTriples(bytes, count);
}

ByteString WriteAct(const Palette& palette) {
  ByteString out = Triples(palette, kMaxColours);
  const std::size_t count = palette.colours.size();
  for (unsigned byte : {unsigned(count >> 8), unsigned(count & 0xFF), 0xFFu, 0xFFu})
    out.push_back(static_cast<std::uint8_t>(byte));
  return out;
}

Result<Palette> ReadRgb24(std::span<const std::uint8_t> bytes) {
  if (bytes.size() % 3 != 0) {
    return Result<Palette>::Failure(Bytes(bytes.size()) + ": an RGB24 palette is 3 bytes a colour");
  }
  if (Status count = CheckColourCount(bytes.size() / 3); !count) return Result<Palette>::Failure(count.error);
  return ReadTriples(bytes, bytes.size() / 3);
}

ByteString WriteRgb24(const Palette& palette) {
  return Triples(palette, palette.colours.size());
}

Result<Palette> ReadBgr555(std::span<const std::uint8_t> bytes) {
  return ReadWords(bytes, kBgr555);
}
ByteString WriteBgr555(const Palette& palette) {
  return WriteWords(palette, kBgr555);
}
Result<Palette> ReadGenesis(std::span<const std::uint8_t> bytes) {
  return ReadWords(bytes, kGenesis);
}
ByteString WriteGenesis(const Palette& palette) {
  return WriteWords(palette, kGenesis);
}
Result<Palette> ReadRgba5551(std::span<const std::uint8_t> bytes) {
  return ReadWords(bytes, kRgba5551);
}
ByteString WriteRgba5551(const Palette& palette) {
  return WriteWords(palette, kRgba5551);
}

}  // namespace glyphon::palette::codecs
