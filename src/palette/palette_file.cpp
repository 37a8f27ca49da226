// SPDX-License-Identifier: MIT
#include "palette/palette_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "palette/palette_codecs.h"
#include "platform/file_io.h"

namespace glyphon::palette {

namespace codecs {
Status CheckColourCount(std::size_t count) {
  if (count == 0) return Status::Failure("no colours");
  if (count > kMaxColours) {
    return Status::Failure(std::to_string(count) + " colours, more than the " + std::to_string(kMaxColours) +
                           " a palette holds");
  }
  return Status::Success();
}

Result<Palette> Checked(Palette palette) {
  if (Status count = CheckColourCount(palette.colours.size()); !count)
    return Result<Palette>::Failure(count.error);
  return palette;
}
}  // namespace codecs

namespace {

using namespace codecs;

// clang-format off
constexpr std::array<PaletteKind, 9> kKinds{{
  // name       extensions    bits  description
  {"jasc",     ".pal",       8, "JASC-PAL text",                                    ReadJasc,     WriteJasc},
  {"gimp",     ".gpl",       8, "GIMP palette text",                                ReadGimp,     WriteGimp},
  {"hex",      ".hex .txt",  8, "one #rrggbb a line",                               ReadHex,      WriteHex},
  {"act",      ".act",       8, "Adobe colour table, 256 RGB triples and a count",  ReadAct,      WriteAct},
  {"rgb24",    "",           8, "raw RGB, 3 bytes a colour",                        ReadRgb24,    WriteRgb24},
  {"bgr555",   "",           5, "SNES and Game Boy Color, 16-bit little-endian",    ReadBgr555,   WriteBgr555},
  {"genesis",  "",           3, "Genesis, 16-bit big-endian 0000bbb0ggg0rrr0",      ReadGenesis,  WriteGenesis},
  {"rgba5551", "",           5, "N64, 16-bit big-endian rrrrrgggggbbbbba",          ReadRgba5551, WriteRgba5551},
  {"aco",      ".aco",       8, "Photoshop colour swatches, RGB",                   ReadAco,      WriteAco},
}};
// clang-format on

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return text;
}

bool HasExtension(const PaletteKind& kind, const std::string& extension) {
  std::string_view list = kind.extensions;
  while (!list.empty()) {
    const std::size_t space = list.find(' ');
    if (list.substr(0, space) == extension) return true;
    list = space == std::string_view::npos ? std::string_view{} : list.substr(space + 1);
  }
  return false;
}

// A ".pal" file is JASC text when it reads as text, else raw RGB24 (the binary .pal of tile
// editors). Text is a file that starts with "JASC" after an optional byte order mark, or
// that breaks into lines and holds no control bytes but tabs and line ends: raw colours
// nearly always hold a component below 32 (black alone does), and a text file that is no
// valid JASC-PAL is better refused at the line that is wrong than read as garbage colours.
const PaletteKind& PalKind(std::span<const std::uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const bool control = std::any_of(text.begin(), text.end(), [](char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
  });
  const bool lines = text.find_first_of("\r\n") != std::string_view::npos;
  const bool jasc = text.starts_with("JASC") || (lines && !control);
  return *FindPaletteKind(jasc ? "jasc" : "rgb24");
}

std::string UnknownKind(const std::filesystem::path& path) {
  std::string names;
  for (const PaletteKind& kind : kKinds) names += (names.empty() ? "" : ", ") + std::string(kind.name);
  return "the palette kind of \"" + path.filename().string() +
         "\" is not known by its extension; name one of " + names;
}

}  // namespace

std::span<const PaletteKind> PaletteKinds() noexcept {
  return kKinds;
}

const PaletteKind* FindPaletteKind(std::string_view name) {
  const std::string wanted = Lower(std::string(name));
  for (const PaletteKind& kind : kKinds) {
    if (kind.name == wanted) return &kind;
  }
  return nullptr;
}

const PaletteKind* PaletteKindOfPath(const std::filesystem::path& path) {
  const std::string extension = Lower(path.extension().string());
  if (extension.empty()) return nullptr;
  for (const PaletteKind& kind : kKinds) {
    if (HasExtension(kind, extension)) return &kind;
  }
  return nullptr;
}

std::vector<platform::FileFilter> PaletteFileFilters() {
  std::vector<std::string_view> extensions;
  for (const PaletteKind& kind : PaletteKinds()) {
    std::string_view rest = kind.extensions;
    while (!rest.empty()) {
      const std::size_t space = rest.find(' ');
      // The kinds list their extensions with the dot: ".pal .act".
      std::string_view extension = rest.substr(0, space);
      if (extension.starts_with('.')) extension.remove_prefix(1);
      extensions.push_back(extension);
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
  }
  return {{"Palette", std::move(extensions), std::nullopt}, {"All", {}, std::nullopt}};
}

Result<Palette> LoadPalette(const std::filesystem::path& path, const PaletteKind* kind) {
  const bool byExtension = kind == nullptr;
  if (byExtension) kind = PaletteKindOfPath(path);
  if (kind == nullptr) return Result<Palette>::Failure(UnknownKind(path));
  Result<ByteString> bytes = platform::ReadFileBytes(path, platform::kPaletteFileLimit);
  if (!bytes) return Result<Palette>::Failure(bytes.Error());
  if (byExtension && kind->name == "jasc") kind = &PalKind(bytes.Value());
  return kind->read(bytes.Value());
}

Status SavePalette(const std::filesystem::path& path, const Palette& palette, const PaletteKind* kind) {
  if (kind == nullptr) kind = PaletteKindOfPath(path);
  if (kind == nullptr) return Status::Failure(UnknownKind(path));
  if (const Result<Palette> checked = Checked(palette); !checked) return Status::Failure(checked.Error());
  return platform::WriteFileAtomic(path, kind->write(palette));
}

}  // namespace glyphon::palette
