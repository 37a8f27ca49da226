// SPDX-License-Identifier: MIT
// Palettes from a ROM: a sub-palette in one of the consoles' 16-bit colour layouts read
// at an offset, and the colour choice as the browser remembers it per ROM.
#include <algorithm>
#include <charconv>

#include "browser/rom_browser.h"
#include "palette/palette_file.h"
#include "platform/file_range.h"

namespace glyphon::browser {

namespace {

// A sub-palette is at most 256 colours of 2 bytes.
constexpr std::uint64_t kMostPaletteBytes = 2 * palette::kMaxColours;

const palette::PaletteKind* RomKind(std::string_view name) {
  const bool console =
      std::find(kRomPaletteKinds.begin(), kRomPaletteKinds.end(), name) != kRomPaletteKinds.end();
  return console ? palette::FindPaletteKind(name) : nullptr;
}

// The kinds' names as the table spells them, so a parsed choice can point at them.
std::optional<std::string_view> KnownKind(std::string_view name) {
  const auto at = std::find(kRomPaletteKinds.begin(), kRomPaletteKinds.end(), name);
  if (at == kRomPaletteKinds.end()) return std::nullopt;
  return *at;
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t tab = text.find('\t');
    fields.push_back(text.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    text.remove_prefix(tab + 1);
  }
}

}  // namespace

Result<palette::Palette> ReadRomPalette(const std::filesystem::path& path, const RomPalette& where,
                                        std::size_t colours) {
  const palette::PaletteKind* kind = RomKind(where.kind);
  if (kind == nullptr)
    return Result<palette::Palette>::Failure("\"" + std::string(where.kind) +
                                             "\" is not a console palette layout");
  if (where.number < 0) return Result<palette::Palette>::Failure("no sub-palette below 0");
  colours = std::clamp<std::size_t>(colours, 1, palette::kMaxColours);
  const std::uint64_t start = where.offset + static_cast<std::uint64_t>(where.number) * 2 * colours;
  // The sub-palette and, as far as the file goes, the colours after it up to 256 in all: the
  // strip shows formats of more values in them, as a console reads the next sub-palettes.
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(path, error);
  const std::uint64_t after = !error && size > start ? (size - start) / 2 * 2 : 0;
  const std::uint64_t length = std::max<std::uint64_t>(2 * colours, std::min(after, kMostPaletteBytes));
  Result<ByteString> bytes = platform::ReadFileRange(path, start, length, kMostPaletteBytes);
  if (!bytes) return Result<palette::Palette>::Failure(bytes.Error());
  return kind->read(bytes.Value());
}

std::string ColourChoiceText(const ColourChoice& choice) {
  switch (choice.colours) {
    case Colours::DecoderGreys:
      return "greys";
    case Colours::Shades:
      return "shades";
    case Colours::Ramp:
      return "ramp";
    case Colours::Palette:
      break;
  }
  if (choice.inRom) {
    const RomPalette& p = *choice.inRom;
    return "rom\t" + std::string(p.kind) + "\t" + platform::HexOffset(p.offset) + "\t" +
           std::to_string(p.number) + "\t" + p.file.string();
  }
  return "file\t" + choice.paletteFile.string();
}

std::optional<ColourChoice> ParseColourChoice(std::string_view text) {
  const std::vector<std::string_view> f = Fields(text);
  ColourChoice choice;
  if (f.size() == 1 && f[0] == "greys") return choice;
  if (f.size() == 1 && (f[0] == "shades" || f[0] == "ramp")) {
    choice.colours = f[0] == "shades" ? Colours::Shades : Colours::Ramp;
    return choice;
  }
  choice.colours = Colours::Palette;
  if (f.size() == 2 && f[0] == "file" && !f[1].empty()) {
    choice.paletteFile = std::filesystem::path(std::string(f[1]));
    return choice;
  }
  if (f.size() != 5 || f[0] != "rom" || !f[2].starts_with("0x")) return std::nullopt;
  const std::optional<std::string_view> kind = KnownKind(f[1]);
  RomPalette where;
  const std::string_view hex = f[2].substr(2);
  const auto [offsetEnd, offsetError] =
      std::from_chars(hex.data(), hex.data() + hex.size(), where.offset, 16);
  const auto [numberEnd, numberError] = std::from_chars(f[3].data(), f[3].data() + f[3].size(), where.number);
  if (!kind || hex.empty() || offsetError != std::errc() || offsetEnd != hex.data() + hex.size() ||
      numberError != std::errc() || numberEnd != f[3].data() + f[3].size() || where.number < 0)
    return std::nullopt;
  where.kind = *kind;
  where.file = std::filesystem::path(std::string(f[4]));
  choice.inRom = where;
  return choice;
}

// ---- The browser's side ----

Result<palette::Palette> RomBrowser::ReadPaletteInRom(const RomPalette& where) const {
  const formats::FormatInfo& format = FormatInfo();
  const std::size_t colours = format.HasValues() ? format.values->MaxIndex() + 1 : 16;
  if (where.file.empty() && !m_file) return Result<palette::Palette>::Failure("no ROM is open");
  return ReadRomPalette(where.file.empty() ? Path() : where.file, where, colours);
}

bool RomBrowser::LoadRomPalette(const RomPalette& where) {
  Result<palette::Palette> colours = ReadPaletteInRom(where);
  if (!colours) {
    const std::string name = where.file.empty() ? FileName() : where.file.filename().string();
    Warn("Unable to read a " + std::string(where.kind) + " palette at " + platform::HexOffset(where.offset) +
             " (sub-palette " + std::to_string(where.number) + ") of " + name + ".",
         colours.Error());
    return false;
  }
  m_palette = std::move(colours).Value();
  m_romPalette = where;
  m_paletteFile.clear();
  m_stripStale = true;
  SetColourSource(Colours::Palette);
  return true;
}

bool RomBrowser::StepSubPalette(int delta) {
  if (!m_romPalette || m_colours != Colours::Palette) return false;
  RomPalette next = *m_romPalette;
  next.number += delta;
  if (next.number < 0) return false;
  Result<palette::Palette> colours = ReadPaletteInRom(next);
  if (!colours) return false;
  m_palette = std::move(colours).Value();
  m_romPalette = next;
  m_stale = true;
  m_stripStale = true;
  return true;
}

std::string RomBrowser::PaletteCaption() const {
  if (!m_palette) return {};
  if (!m_romPalette) return m_paletteFile.filename().string();
  const RomPalette& p = *m_romPalette;
  const std::string in = p.file.empty() ? std::string() : p.file.filename().string() + " ";
  return in + std::string(p.kind) + " " + platform::HexOffset(p.offset) + " #" + std::to_string(p.number);
}

ColourChoice RomBrowser::CurrentColours() const {
  ColourChoice choice{m_colours, {}, std::nullopt};
  if (m_colours == Colours::Palette) {
    choice.paletteFile = m_paletteFile;
    choice.inRom = m_romPalette;
  }
  return choice;
}

void RomBrowser::RecallColours(const ColourChoice& choice) {
  if (choice.colours != Colours::Palette) {
    SetColourSource(choice.colours);
    return;
  }
  if (choice.inRom) {
    Result<palette::Palette> colours = ReadPaletteInRom(*choice.inRom);
    if (!colours) return;
    m_palette = std::move(colours).Value();
    m_romPalette = choice.inRom;
    m_paletteFile.clear();
  } else {
    Result<palette::Palette> loaded = palette::LoadPalette(choice.paletteFile);
    if (!loaded) return;
    m_palette = std::move(loaded).Value();
    m_romPalette.reset();
    m_paletteFile = choice.paletteFile;
  }
  m_colours = Colours::Palette;
  m_stale = true;
  m_stripStale = true;
}

}  // namespace glyphon::browser
