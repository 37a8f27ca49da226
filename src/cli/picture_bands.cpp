// SPDX-License-Identifier: MIT
#include "cli/picture_bands.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/run_files.h"
#include "convert/classify.h"
#include "core/fresh_memory.h"
#include "core/picture_limits.h"
#include "formats/bands.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "palette/palette_match.h"
#include "platform/file_range.h"

namespace glyphon::cli {

namespace {

using Outcome = Result<std::optional<BandsEncoded>>;

// What in the options keeps the picture from being encoded a row at a time, and what would
// do instead; empty when nothing does.
std::string RowsObstacle(const formats::FormatInfo& format, const ValueOptions& values) {
  if (format.band.encode == nullptr) {
    return std::string(format.caption) +
           " encodes its partner data from the whole picture; split the picture into pictures within "
           "those limits";
  }
  if (values.rule != ValueRule::Grey && !format.HasValues()) {
    return std::string(format.caption) + " stores colours, not values; leave out --values and --palette";
  }
  if (values.rule == ValueRule::Colour) {
    return "--values colour chooses a palette per tile from the whole picture; the grey, shade, index and "
           "palette rules work a row at a time";
  }
  return {};
}

// The palette --palette-out writes: the format's greys, the colours the stored indices
// index, or --palette's own entries.
palette::Palette UsedPalette(const formats::FormatInfo& format, const ValueOptions& values,
                             const imageio::PictureRows& rows, const palette::Palette& given) {
  palette::Palette used;
  if (values.rule == ValueRule::Palette) {
    used = given;
  } else if (values.rule == ValueRule::Shade) {
    used.colours = formats::ShadeColours(format.bitsPerPixel);
  } else if (values.rule == ValueRule::Index) {
    used.colours.assign(rows.Palette().begin(), rows.Palette().end());
  } else {
    const auto greys = formats::DecoderColours(format.bitsPerPixel);
    used.colours.assign(greys.begin(), greys.end());
  }
  return used;
}

}  // namespace

Outcome EncodePictureByBands(const formats::FormatInfo& format, const ValueOptions& values,
                             const std::optional<convert::Selection>& rect, const std::string& input,
                             std::ostream& notes, platform::ProgressSink& progress, imageio::RowsReach reach,
                             std::string_view wholeFor) {
  const std::optional<BandsEncoded> wholeInstead;
  if (input == kStandardStream) return wholeInstead;
  auto rows = imageio::OpenPictureRows(input, reach);
  if (!rows) return wholeInstead;
  // A picture within the limits that cannot go by rows is read whole, which tells why it
  // fails where it does; a taller one cannot be, and is refused here.
  const bool tall = !platform::FitsPictureLimits(rows->Width(), rows->Height());
  auto refuse = [&](const std::string& cause) {
    return tall ? Outcome::Failure(input + ": " + cause) : Outcome(wholeInstead);
  };
  auto refuseTall = [&](const std::string& obstacle) {
    return refuse(platform::PictureSizeProblem(rows->Width(), rows->Height()) +
                  ", so encode reads it a row at a time, and " + obstacle);
  };
  if (!wholeFor.empty()) return refuseTall(std::string(wholeFor));
  if (std::string obstacle = RowsObstacle(format, values); !obstacle.empty()) return refuseTall(obstacle);
  if (values.rule == ValueRule::Index && !rows->Indexed()) {
    return refuse(
        "the picture stores colours, not palette indices (--values index needs a palette PNG or a BMP with a "
        "colour table)");
  }

  // --palette is read here once; from standard input it could not be read again by the
  // whole-picture path, which then reads it instead.
  palette::Palette given;
  if (values.rule == ValueRule::Palette) {
    if (values.palette == kStandardStream && !tall) return wholeInstead;
    auto read = ReadPaletteInput(values.palette, values.Kind());
    if (!read) return tall ? Outcome::Failure(read.Error()) : Outcome(wholeInstead);
    given = std::move(read).Value();
  }

  std::ostringstream said;
  const auto selection = PictureSelection(values, format, rows->Width(), rows->Height(), rect, input, said);
  if (!selection) return refuse(selection.Error());
  const convert::Selection& sel = selection.Value();
  if (const std::uint64_t size = format.DataSize(sel); size > platform::kMaxRomDataBytes) {
    std::ostringstream why;
    why << "the selection " << sel.x << ',' << sel.y << ',' << sel.width << ',' << sel.height
        << " encodes to " << platform::CountOf(size, "byte") << " of " << format.caption << ", more than the "
        << platform::kRomDataLimit.bytes << " bytes (256 MiB) of ROM data glyphon writes; give --rect for a "
        << "part of the picture";
    return refuse(why.str());
  }
  BandsEncoded made;
  made.selection = sel;
  if (!values.paletteOut.empty()) {
    auto palette = PaletteFileBytes(values.paletteOut, values.OutKind(),
                                    UsedPalette(format, values, *rows, given), values.rounding);
    if (!palette) return tall ? Outcome::Failure(palette.Error()) : Outcome(wholeInstead);
    made.paletteData = std::move(palette).Value();
  }
  platform::AssignFresh(made.data, format.DataSize(sel), std::uint8_t{0});
  // No bytes: the caller tells why.
  if (made.data.empty()) return tall ? Outcome(std::move(made)) : Outcome(wholeInstead);

  // Under the index, palette and shade rules each row's values (the stored indices, the
  // indices of its colours in --palette, or the shades of their lumas) are drawn in the
  // colours the format draws them in, so the encoder stores exactly those values. 16bpp
  // BGR555 under --colour-rounding truncate takes the colours whose nearest 5-bit levels
  // are c >> 3.
  const bool indices = values.rule == ValueRule::Index;
  const bool byPalette = values.rule == ValueRule::Palette;
  const bool byShade = values.rule == ValueRule::Shade;
  palette::PaletteMatcher matcher(given, values.nearest);
  const std::array<std::uint8_t, 256> shadeOfLuma =
      byShade ? formats::ShadeValueOfLuma(format) : std::array<std::uint8_t, 256>{};
  const bool truncate =
      values.rounding == palette::Rounding::Truncate && &format == formats::FindFormat("16bpp-bgr555");
  convert::ProgressTicker ticker(progress, std::int64_t{sel.width} * sel.height);
  formats::BandEncoder bands(format, sel.width, sel.height, made.data, ticker);
  std::vector<RgbColor> row(static_cast<std::size_t>(rows->Width()));
  std::vector<std::uint8_t> stored(indices || byPalette || byShade ? row.size() : 0);
  const std::size_t from = static_cast<std::size_t>(sel.x);
  const auto count = static_cast<std::size_t>(sel.width);
  for (int y = 0; y < rows->Height(); ++y) {
    if (Status read = rows->Next(row, indices ? std::span(stored) : std::span<std::uint8_t>()); !read) {
      if (!rows->StoppedAtTransparency()) return refuse(read.error);
      return refuseTall("row " + std::to_string(y) +
                        " holds pixels that are not wholly opaque, which only a picture read whole may; make "
                        "every pixel opaque");
    }
    if (y < sel.y || y >= sel.y + sel.height) continue;
    const std::span<RgbColor> to = bands.NextRow();
    if (byPalette) {
      for (std::size_t x = from; x < from + count; ++x) {
        const int index = matcher.Match(row[x]);
        if (index < 0) return refuse(palette::NotInPalette(static_cast<std::int64_t>(x), y, row[x]));
        stored[x] = static_cast<std::uint8_t>(index);
      }
    }
    if (byShade) {
      for (std::size_t x = from; x < from + count; ++x)
        stored[x] = shadeOfLuma[static_cast<std::size_t>(convert::LumaOfColour(row[x]))];
    }
    if (indices || byPalette || byShade) {
      const auto& colours = format.values->colourOfIndex;
      // The limit is 2^bits - 1, so an index beyond it sets a bit above the limit's.
      std::uint8_t seen = 0;
      for (std::size_t x = 0; x < count; ++x) {
        seen |= stored[from + x];
        to[x] = colours[stored[from + x]];
      }
      if (seen > format.values->MaxIndex()) {
        convert::ValuePlane beyond(sel.width, 1);
        std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(from), count, beyond.values.begin());
        return refuse(formats::CheckValuesFit(format, beyond, sel.x, y).error);
      }
    } else {
      std::copy_n(row.begin() + static_cast<std::ptrdiff_t>(from), count, to.begin());
    }
    if (truncate) {
      for (RgbColor& c : to) c = palette::Rounded(c, 5, palette::Rounding::Truncate);
    }
    bands.Done();
  }
  // The rows below the selection are read all the same: a cut file is refused as a whole.
  if (Status finished = rows->Finish(); !finished) return refuse(finished.error);
  notes << said.str();
  NoteNearest(input, matcher.Inexact(), notes);
  return Outcome(std::move(made));
}

}  // namespace glyphon::cli
