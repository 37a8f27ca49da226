// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "core/file_filter.h"
#include "core/result.h"
#include "palette/palette.h"

namespace glyphon::palette {

// One kind of palette file: its name (what --palette-format takes), the extensions that
// pick it, the bits a colour component keeps in it, and its reader and writer. Readers
// give a message naming the fault (with the line number in text kinds); the caller adds
// the file name.
struct PaletteKind {
  std::string_view name;
  std::string_view extensions;  // space-separated, with the dot; empty: by name only
  int componentBits;
  std::string_view description;
  Result<Palette> (*read)(std::span<const std::uint8_t> bytes);
  ByteString (*write)(const Palette& palette);
};

// jasc, gimp, hex, act, rgb24, bgr555, genesis, rgba5551, aco.
std::span<const PaletteKind> PaletteKinds() noexcept;
const PaletteKind* FindPaletteKind(std::string_view name);
// The kind a file name's extension picks (any letter case), or null.
const PaletteKind* PaletteKindOfPath(const std::filesystem::path& path);
// The open dialog's entries for a palette: every extension a kind is picked by, then all files.
std::vector<platform::FileFilter> PaletteFileFilters();

// Reads a palette file whose kind is `kind`, or (when null) the kind of its extension. A
// ".pal" file that is text is read as JASC-PAL, any other as raw RGB24. Files beyond
// platform::kPaletteFileLimit are refused before they are read.
Result<Palette> LoadPalette(const std::filesystem::path& path, const PaletteKind* kind = nullptr);
// Writes the palette in `kind`, or (when null) the kind of the file's extension.
Status SavePalette(const std::filesystem::path& path, const Palette& palette,
                   const PaletteKind* kind = nullptr);

}  // namespace glyphon::palette
