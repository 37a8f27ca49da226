// SPDX-License-Identifier: MIT
// The binary palette kinds: 3 bytes a colour, and the 16-bit console layouts.
#include <string>

#include "palette/palette_codecs.h"
#include "platform/file_range.h"

namespace glyphon::palette::codecs {

namespace {

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
    return Result<Palette>::Failure(platform::CountOf(bytes.size(), "byte") + ", an odd count: a " +
                                    layout.name + " palette is 2 bytes a colour");
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
    return Result<Palette>::Failure(platform::CountOf(bytes.size(), "byte") +
                                    ": an .act palette is 768 or 772 bytes");
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
    return Result<Palette>::Failure(platform::CountOf(bytes.size(), "byte") +
                                    ": an RGB24 palette is 3 bytes a colour");
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

namespace {

// Photoshop colour swatches (.aco): big-endian 16-bit words. A section is its version (1 or
// 2), the colour count, then a colour a block of five words: the colour space (0 RGB) and
// four components w, x, y, z; RGB keeps red, green and blue in w, x, y at 16 bits (an
// 8-bit c is c * 257) and z is 0. A version 2 block is followed by the colour's name: a
// 32-bit count of UTF-16 units, the units, the last of them 0. Photoshop writes a version 1
// section followed by a version 2 one and reads the version 2 section when there is one.
constexpr std::size_t kAcoBlock = 10;

class WordReader {
 public:
  explicit WordReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
  bool Has(std::size_t count) const { return m_at + count <= m_bytes.size(); }
  unsigned Word() {
    const unsigned word = unsigned{m_bytes[m_at]} << 8 | m_bytes[m_at + 1];
    m_at += 2;
    return word;
  }
  void Skip(std::size_t count) { m_at += count; }
  bool AtEnd() const { return m_at == m_bytes.size(); }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_at = 0;
};

// One section from the reader's place; the reader then stands after it.
Result<Palette> ReadAcoSection(WordReader& in, unsigned version) {
  using R = Result<Palette>;
  if (!in.Has(4)) return R::Failure("the version " + std::to_string(version) + " section is cut short");
  const unsigned found = in.Word();
  if (found != version) {
    return R::Failure("the section version is " + std::to_string(found) + " where " +
                      std::to_string(version) + " was due");
  }
  const unsigned count = in.Word();
  if (Status fits = CheckColourCount(count); !fits) return R::Failure(fits.error);
  Palette palette;
  for (unsigned i = 0; i < count; ++i) {
    if (!in.Has(kAcoBlock)) return R::Failure("colour " + std::to_string(i) + " is cut short");
    const unsigned space = in.Word();
    const unsigned w = in.Word(), x = in.Word(), y = in.Word();
    in.Word();
    if (space != 0) {
      return R::Failure("colour " + std::to_string(i) + " is in colour space " + std::to_string(space) +
                        "; only RGB (0) colours are read");
    }
    // 16 bits to 8: the nearest level, w / 257 rounded.
    const auto eight = [](unsigned v) { return static_cast<int>((v + 128) / 257); };
    palette.colours.push_back(Rgb(eight(w), eight(x), eight(y)));
    if (version == 2) {
      if (!in.Has(4)) return R::Failure("the name of colour " + std::to_string(i) + " is cut short");
      const std::size_t units = std::size_t{in.Word()} << 16 | in.Word();
      if (!in.Has(2 * units)) return R::Failure("the name of colour " + std::to_string(i) + " is cut short");
      in.Skip(2 * units);
    }
  }
  return palette;
}

void PutWord(ByteString& out, unsigned word) {
  out.push_back(static_cast<std::uint8_t>(word >> 8));
  out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

}  // namespace

Result<Palette> ReadAco(std::span<const std::uint8_t> bytes) {
  using R = Result<Palette>;
  if (bytes.size() < 4)
    return R::Failure(platform::CountOf(bytes.size(), "byte") + ": too short for a colour swatch file");
  WordReader in(bytes);
  const unsigned first = unsigned{bytes[0]} << 8 | bytes[1];
  if (first != 1 && first != 2)
    return R::Failure("the version is " + std::to_string(first) + ", not 1 or 2: not a colour swatch file");
  auto palette = ReadAcoSection(in, first);
  if (!palette || first == 2 || in.AtEnd())
    return palette.Ok() ? Checked(std::move(palette).Value()) : palette;
  // The names' section after the plain one gives the same colours.
  auto named = ReadAcoSection(in, 2);
  if (!named) return R::Failure(named.Error());
  return Checked(std::move(named).Value());
}

ByteString WriteAco(const Palette& palette) {
  ByteString out;
  for (unsigned version : {1u, 2u}) {
    PutWord(out, version);
    PutWord(out, static_cast<unsigned>(palette.colours.size()));
    for (RgbColor c : palette.colours) {
      PutWord(out, 0);
      for (int component : {RedOf(c), GreenOf(c), BlueOf(c), 0})
        PutWord(out, static_cast<unsigned>(component) * 257);
      if (version == 2) {
        // The name is the colour's #rrggbb, 7 units and the closing 0.
        const std::string name = HexColour(c);
        PutWord(out, 0);
        PutWord(out, static_cast<unsigned>(name.size() + 1));
        for (char ch : name) PutWord(out, static_cast<unsigned char>(ch));
        PutWord(out, 0);
      }
    }
  }
  return out;
}

}  // namespace glyphon::palette::codecs
