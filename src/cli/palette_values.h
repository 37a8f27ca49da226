#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "convert/encoding.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "palette/palette.h"
#include "palette/palette_file.h"
#include "platform/result.h"

namespace glyphon::cli {

// How encode turns a pixel into the value the format stores.
enum class ValueRule {
  Grey,     // the format's grey rule (the default)
  Index,    // the palette index an indexed picture stores
  Palette,  // the index of the pixel's colour in --palette
};

// The palette options of encode and decode.
struct ValueOptions {
  ValueRule rule = ValueRule::Grey;
  bool ruleGiven = false;
  std::string palette;     // --palette
  std::string kindName;    // --palette-format
  bool nearest = false;    // --nearest
  std::string paletteOut;  // --palette-out

  const palette::PaletteKind* Kind() const { return palette::FindPaletteKind(kindName); }
};

// Adds the palette options of encode and decode to their command line.
void AddValueOptions(CommandLine& line, ValueOptions& options);
// Takes the value of one of them ("--values", "--palette", "--palette-format",
// "--palette-out"); a failure is a usage error.
Status SetValueOption(ValueOptions& options, std::string_view option, const std::string& value);
// Whether the options go together and with the format; a failure is a usage error.
// `command` is "encode" or "decode".
Status CheckValueOptions(ValueOptions& options, const formats::FormatInfo& format, std::string_view command);

// The picture encode reads: its colours, and for --values index its indices too.
// Failures name the file.
Result<imageio::PictureFile> ReadEncodeInput(const std::string& name, const ValueOptions& options);

// Applies the value rule before the encoder runs: for index and palette the selection of
// `picture.pixels` is repainted in the colours the format draws the chosen values in, so
// the unchanged encoder stores exactly those values. Returns the bytes of --palette-out
// (empty without it). Failures are whole messages, "file: cause"; `notes` gets the count of
// inexact pixels under --nearest.
Result<ByteString> ApplyValueRule(const ValueOptions& options, const formats::FormatInfo& format,
                                  imageio::PictureFile& picture, const std::string& inputName,
                                  const convert::Selection& selection, std::ostream& notes);

// The picture file of decode --palette: a decoded picture's values drawn in the palette's
// colours, as an indexed PNG whose indices are the values (a ".bmp" name: 24-bit); the kind
// follows `outputKind`, and messages call the file `outputName`. Values beyond the palette
// are drawn black and counted in a warning on `notes`. Failures are whole messages, "file: cause".
Result<ByteString> PalettePictureBytes(const ValueOptions& options, const formats::FormatInfo& format,
                                       const platform::Surface& decoded,
                                       const std::filesystem::path& outputKind, const std::string& outputName,
                                       std::ostream& notes);

// Reads a palette file of `kind`, or of its extension's kind when null; "-" is standard
// input and needs a kind. Failures name the file and, for a missing kind, `kindOption`.
Result<palette::Palette> ReadPaletteInput(const std::string& name, const palette::PaletteKind* kind,
                                          std::string_view kindOption = "--palette-format");
// The bytes of a palette file of `kind`, or of its extension's kind when null. Failures
// name the file.
Result<ByteString> PaletteFileBytes(const std::string& name, const palette::PaletteKind* kind,
                                    const palette::Palette& palette);

// An indexed PNG of `width` by `height` indices at the fewest bits (1, 2, 4 or 8) that hold
// every entry of `colours`.
Result<ByteString> IndexedPng(int width, int height, std::span<const std::uint8_t> indices,
                              std::span<const RgbColor> colours);

}  // namespace glyphon::cli
