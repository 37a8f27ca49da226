// SPDX-License-Identifier: MIT
#include "formats/value_rules.h"

#include <algorithm>

#include "formats/grey_palette.h"
#include "formats/values.h"
#include "palette/palette_match.h"

namespace glyphon::formats {

namespace {

// The stored indices of the selection.
Result<convert::ValuePlane> IndicesOf(const FormatInfo& format, const ValueSource& source,
                                      const convert::Selection& sel) {
  using R = Result<convert::ValuePlane>;
  if (source.indices.empty()) {
    return R::Failure(
        "the picture stores colours, not palette indices (--values index needs "
        "a palette PNG, a BMP with a colour table or a GIF)");
  }
  convert::ValuePlane plane(sel.width, sel.height);
  const auto width = static_cast<std::size_t>(source.pixels.Width());
  for (int y = 0; y < sel.height; ++y) {
    const auto row =
        source.indices.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(sel.y + y) * width +
                                                             static_cast<std::size_t>(sel.x));
    std::copy(row, row + sel.width, plane.values.begin() + static_cast<std::ptrdiff_t>(plane.Index(0, y)));
  }
  if (Status fits = CheckValuesFit(format, plane, sel.x, sel.y); !fits) return R::Failure(fits.error);
  return plane;
}

}  // namespace

std::string_view ValueRuleName(ValueRule rule) noexcept {
  switch (rule) {
    case ValueRule::Shade:
      return "shade";
    case ValueRule::Index:
      return "index";
    case ValueRule::Palette:
      return "palette";
    case ValueRule::Colour:
      return "colour";
    case ValueRule::Grey:
      break;
  }
  return "grey";
}

Result<ChosenValues> ValuesUnderRule(ValueRule rule, const FormatInfo& format, const ValueSource& source,
                                     const convert::Selection& selection) {
  using R = Result<ChosenValues>;
  ChosenValues chosen;
  switch (rule) {
    case ValueRule::Grey: {
      chosen.values = ValuesOf(format, source.pixels, selection);
      const auto greys = DecoderColours(format.bitsPerPixel);
      chosen.colours.assign(greys.begin(), greys.end());
      break;
    }
    case ValueRule::Shade:
      chosen.values = ShadeValuesOf(format, source.pixels, selection);
      chosen.colours = ShadeColours(format.bitsPerPixel);
      break;
    case ValueRule::Index: {
      Result<convert::ValuePlane> indices = IndicesOf(format, source, selection);
      if (!indices) return R::Failure(indices.Error());
      chosen.values = std::move(indices).Value();
      chosen.colours.assign(source.indexColours.begin(), source.indexColours.end());
      break;
    }
    case ValueRule::Palette: {
      if (source.palette == nullptr) return R::Failure("no palette was given");
      chosen.colours = source.palette->colours;
      if (source.nearest) {
        palette::NearestValues nearest = palette::NearestValuesOf(*source.palette, source.pixels, selection);
        chosen.values = std::move(nearest.values);
        chosen.inexact = nearest.inexact;
        break;
      }
      Result<convert::ValuePlane> exact = palette::ExactValues(*source.palette, source.pixels, selection);
      if (!exact) return R::Failure(exact.Error());
      chosen.values = std::move(exact).Value();
      break;
    }
    case ValueRule::Colour:
      // Each tile has a sub-palette of its own: the tile set's packing finds them.
      return R::Failure("the colour rule chooses a palette for each tile, not one for the picture");
  }
  return chosen;
}

Status PaintValues(const FormatInfo& format, platform::Surface& picture, const convert::Selection& sel,
                   const convert::ValuePlane& values) {
  const auto& colours = format.values->colourOfIndex;
  const auto width = static_cast<std::size_t>(sel.width);
  const std::uint8_t limit = static_cast<std::uint8_t>(format.values->MaxIndex());
  for (int y = 0; y < sel.height; ++y) {
    const std::uint8_t* from = values.values.data() + values.Index(0, y);
    const auto to = picture.Row(sel.y + y).subspan(static_cast<std::size_t>(sel.x));
    // The limit is 2^bits - 1, so a value beyond it sets a bit above the limit's.
    std::uint8_t seen = 0;
    for (std::size_t x = 0; x < width; ++x) {
      seen |= from[x];
      to[x] = colours[from[x]];
    }
    if (seen > limit) {
      convert::ValuePlane row(sel.width, 1);
      std::copy(from, from + width, row.values.begin());
      return CheckValuesFit(format, row, sel.x, sel.y + y);
    }
  }
  return Status::Success();
}

}  // namespace glyphon::formats
