// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/byte_sink.h"
#include "core/result.h"
#include "formats/format_table.h"
#include "formats/value_rules.h"
#include "imageio/picture_file.h"
#include "palette/palette.h"
#include "palette/palette_file.h"

namespace glyphon::cli {

// How a pixel becomes the value the format stores, and how a value is drawn.
using ValueRule = formats::ValueRule;

// The commands that take the value options: those that read a picture's values (encode,
// locate) and those that draw values (decode); tiles reads and untile draws, and they also
// take --values colour, the sub-palettes of colour art.
enum class ValueUse { Encode, Read, Draw, Tiles, Untile };

constexpr bool DrawsValues(ValueUse use) noexcept {
  return use == ValueUse::Draw || use == ValueUse::Untile;
}

// The value options of every command that reads or draws values.
struct ValueOptions {
  ValueRule rule = ValueRule::Grey;
  bool ruleGiven = false;
  std::string palette;      // --palette
  std::string kindName;     // --palette-format
  bool nearest = false;     // --nearest
  std::string paletteOut;   // --palette-out
  int alphaThreshold = -1;  // --alpha-threshold: alpha below it is transparent; -1 not given
  bool crop = false;        // --crop: a picture not of whole tiles gives its whole tiles
  std::string outKindName;  // --palette-out-format
  palette::Rounding rounding = palette::Rounding::Nearest;  // --colour-rounding

  const palette::PaletteKind* Kind() const { return palette::FindPaletteKind(kindName); }
  // The kind of --palette-out: --palette-out-format, else --palette-format.
  const palette::PaletteKind* OutKind() const {
    return palette::FindPaletteKind(outKindName.empty() ? kindName : outKindName);
  }
};

// The lines of a command's --help that describe the value options it takes.
std::string ValueHelp(ValueUse use);

// Adds the value options to a command's line.
void AddValueOptions(CommandLine& line, ValueOptions& options);
// Takes the value of one of them ("--values", "--palette", "--palette-format",
// "--palette-out", "--palette-out-format", "--alpha-threshold", "--colour-rounding"); a
// failure is a usage error.
Status SetValueOption(ValueOptions& options, std::string_view option, const std::string& value);
// Whether the options go together, with the command and with the format; a failure is a
// usage error. `command` names the command in messages.
Status CheckValueOptions(ValueOptions& options, const formats::FormatInfo& format, std::string_view command,
                         ValueUse use);
inline Status CheckValueOptions(ValueOptions& options, const formats::FormatInfo& format,
                                std::string_view command) {
  return CheckValueOptions(options, format, command, command == "decode" ? ValueUse::Draw : ValueUse::Encode);
}

// The picture a command reads values from: its colours and alpha, and for --values index
// its indices too. Failures name the file.
Result<imageio::PictureFile> ReadEncodeInput(const std::string& name, const ValueOptions& options);

// The selection of a picture read for `format`: `rect` when given, which must lie inside
// the picture and hold a pixel (one not of whole tiles in a tiled format is kept, with a
// warning on `notes`: the console reads whole tiles); else the whole picture,
// which in a tiled format must be whole tiles (8 by 8, 16 by 16 for PC Engine sprites)
// unless --crop takes the whole tiles inside (with a warning naming what was left out).
// The linear formats take the whole picture rounded down to multiples of 8 as before.
// Failures are causes, without the file's name.
Result<convert::Selection> PictureSelection(const ValueOptions& options, const formats::FormatInfo& format,
                                            const platform::Surface& source,
                                            const std::optional<convert::Selection>& rect,
                                            const std::string& inputName, std::ostream& notes);
// The same for a picture of `width` by `height` that is read a row at a time.
Result<convert::Selection> PictureSelection(const ValueOptions& options, const formats::FormatInfo& format,
                                            int width, int height,
                                            const std::optional<convert::Selection>& rect,
                                            const std::string& inputName, std::ostream& notes);

// The note of `inexact` pixels that took the nearest palette colour under --nearest (none
// for 0).
void NoteNearest(const std::string& inputName, std::int64_t inexact, std::ostream& notes);

// The values of the selection under the rule, transparency applied: a pixel of alpha 0 is
// value 0 (the console's transparent colour), one partly transparent a failure naming it
// unless --alpha-threshold decides. `used` gets the palette the values index (the format's
// greys or shades, the picture's palette, --palette). Failures are whole messages,
// "file: cause"; `notes` gets the count of inexact pixels under --nearest.
Result<convert::ValuePlane> ChooseValues(const ValueOptions& options, const formats::FormatInfo& format,
                                         const imageio::PictureFile& picture, const std::string& inputName,
                                         const convert::Selection& selection, std::ostream& notes,
                                         palette::Palette* used = nullptr);

// The transparent pixels of the selection, one byte a pixel in row order (non-zero:
// transparent): alpha 0, or under --alpha-threshold alpha below it. Empty for a picture
// without alpha. A partly transparent pixel without a threshold is a failure naming it
// (a cause, without the file's name).
Result<std::vector<std::uint8_t>> TransparentPixels(const ValueOptions& options,
                                                    const imageio::PictureFile& picture,
                                                    const convert::Selection& selection);

// Applies the value rule before the encoder runs: under --colour-rounding truncate the
// selection of a 16bpp BGR555 picture is repainted in colours whose nearest 5-bit levels are
// c >> 3; for the other rules than grey (and for a picture with transparency) the selection
// of `picture.pixels` is repainted in the colours the format draws the chosen values in, so
// the unchanged encoder stores exactly those values. Returns the bytes of --palette-out
// (empty without it). Failures are whole messages, "file: cause"; `notes` gets the count of
// inexact pixels under --nearest.
Result<ByteString> ApplyValueRule(const ValueOptions& options, const formats::FormatInfo& format,
                                  imageio::PictureFile& picture, const std::string& inputName,
                                  const convert::Selection& selection, std::ostream& notes);

// Whether drawing values under the options differs from the decoders' own greys.
bool DrawsOwnColours(const ValueOptions& options);

// The picture file of values drawn under the options (decode, untile): in --palette's
// colours, or the shade levels of --values shade, as an indexed PNG whose indices are the
// values (a ".bmp" name: 24-bit); the kind follows `outputKind`, and messages call the file
// `outputName`. Values beyond the palette are drawn black and counted in a warning on
// `notes`. Failures are whole messages, "file: cause".
Result<ByteString> ValuesPictureBytes(const ValueOptions& options, const formats::FormatInfo& format,
                                      const convert::ValuePlane& values,
                                      const std::filesystem::path& outputKind, const std::string& outputName,
                                      std::ostream& notes);

// The same in parts, for values that are never held whole (untile). The colours values
// are drawn in under the options: --palette's, the shade levels of --values shade, else the
// decoders' greys. Failures are whole messages, "file: cause".
Result<palette::Palette> DrawingColours(const ValueOptions& options, const formats::FormatInfo& format);
// Whether `colours` draw every value the format holds: then no value lies past them and a
// PNG's depth follows from the colours alone, so the values need not be read before the
// picture is written.
bool DrawsEveryValue(const palette::Palette& colours, const formats::FormatInfo& format);
// The warning for `beyond` values past the colours, drawn black (none for 0).
void WarnOfValuesBeyond(const ValueOptions& options, const palette::Palette& colours, std::int64_t beyond,
                        std::ostream& notes);
// Row y of a picture's values, any row in any order, more than once; a span not as wide as
// the picture says the row cannot be had, which fails the write.
using ValuesRowAt = imageio::IndexRowAt;
// The picture file of the values `width` by `height` drawn in `colours`, its bytes going to
// `sink` as they are made; `largest` is the largest value of the whole picture, which
// decides a PNG's depth. Failures are causes, without the file's name.
Status WriteValuesPicture(const palette::Palette& colours, int width, int height, const ValuesRowAt& valuesAt,
                          std::uint8_t largest, const std::filesystem::path& outputKind,
                          platform::ByteSink& sink);

// Reads a palette file of `kind`, or of its extension's kind when null; "-" is standard
// input and needs a kind. Failures name the file and, for a missing kind, `kindOption`.
Result<palette::Palette> ReadPaletteInput(const std::string& name, const palette::PaletteKind* kind,
                                          std::string_view kindOption = "--palette-format");
// The bytes of a palette file of `kind`, or of its extension's kind when null, its
// components reduced to the kind's bits under `rounding`. Failures name the file.
Result<ByteString> PaletteFileBytes(const std::string& name, const palette::PaletteKind* kind,
                                    const palette::Palette& palette,
                                    palette::Rounding rounding = palette::Rounding::Nearest);

// An indexed PNG of `width` by `height` indices at the fewest bits (1, 2, 4 or 8) that hold
// every entry of `colours`.
Result<ByteString> IndexedPng(int width, int height, std::span<const std::uint8_t> indices,
                              std::span<const RgbColor> colours);

}  // namespace glyphon::cli
