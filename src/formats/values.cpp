// SPDX-License-Identifier: MIT
#include "formats/values.h"

#include <array>
#include <string>
#include <vector>

#include "convert/classify.h"

namespace glyphon::formats {

namespace {

// One selected row into values: the whole colour for 1 bit, else the grey level.
template <bool kWholeColour>
void ClassifyRow(const GreyPalette& greys, std::span<const RgbColor> colours, std::uint8_t* values) {
  for (std::size_t x = 0; x < colours.size(); ++x) {
    const RgbColor colour = convert::InsideOrBlack(colours[x]);
    if constexpr (kWholeColour) {
      values[x] = static_cast<std::uint8_t>(convert::Bit1(colour));
    } else {
      values[x] = greys.indexOfGrey[static_cast<std::size_t>(convert::GreyOfColour(colour))];
    }
  }
}

template <bool kWholeColour>
void ClassifySelection(const GreyPalette& greys, const Surface& source, const Selection& sel,
                       convert::ValuePlane& plane) {
  const bool inside = sel.x >= 0 && sel.y >= 0 && sel.x + sel.width <= source.Width() &&
                      sel.y + sel.height <= source.Height();
  std::vector<RgbColor> row;
  for (int y = 0; y < sel.height; ++y) {
    std::uint8_t* values = plane.values.data() + plane.Index(0, y);
    if (inside) {
      ClassifyRow<kWholeColour>(greys,
                                source.Row(sel.y + y)
                                    .subspan(static_cast<std::size_t>(sel.x))
                                    .first(static_cast<std::size_t>(sel.width)),
                                values);
      continue;
    }
    row.resize(static_cast<std::size_t>(sel.width));
    for (int x = 0; x < sel.width; ++x)
      row[static_cast<std::size_t>(x)] = source.GetPixel(sel.x + x, sel.y + y);
    ClassifyRow<kWholeColour>(greys, row, values);
  }
}

}  // namespace

convert::ValuePlane ValuesOf(const FormatInfo& format, const Surface& source, const Selection& selection) {
  if (!format.HasValues() || selection.width <= 0 || selection.height <= 0) return {};
  convert::ValuePlane plane(selection.width, selection.height);
  if (format.values->wholeColour) {
    ClassifySelection<true>(*format.values, source, selection, plane);
  } else {
    ClassifySelection<false>(*format.values, source, selection, plane);
  }
  return plane;
}

convert::ValuePlane ShadeValuesOf(const FormatInfo& format, const Surface& source,
                                  const Selection& selection) {
  if (!format.HasValues() || selection.width <= 0 || selection.height <= 0) return {};
  const std::array<std::uint8_t, 256> valueOfLuma = ShadeValueOfLuma(format);
  convert::ValuePlane plane(selection.width, selection.height);
  for (int y = 0; y < selection.height; ++y) {
    std::uint8_t* values = plane.values.data() + plane.Index(0, y);
    for (int x = 0; x < selection.width; ++x) {
      const RgbColor colour = convert::InsideOrBlack(source.GetPixel(selection.x + x, selection.y + y));
      values[x] = valueOfLuma[static_cast<std::size_t>(convert::LumaOfColour(colour))];
    }
  }
  return plane;
}

std::array<std::uint8_t, 256> ShadeValueOfLuma(const FormatInfo& format) {
  std::array<std::uint8_t, 256> valueOfLuma{};
  for (int luma = 0; luma < 256; ++luma) {
    valueOfLuma[static_cast<std::size_t>(luma)] =
        static_cast<std::uint8_t>(convert::ShadeOfLuma(luma, format.values->bits));
  }
  return valueOfLuma;
}

std::vector<RgbColor> ShadeColours(int bitsPerPixel) {
  std::vector<RgbColor> colours;
  if (bitsPerPixel < 1 || bitsPerPixel > 8) return colours;
  for (int v = 0; v < (1 << bitsPerPixel); ++v)
    colours.push_back(GreyColor(convert::ShadeLevel(v, bitsPerPixel)));
  return colours;
}

Surface PictureOfValues(const FormatInfo& format, const convert::ValuePlane& values) {
  if (!format.HasValues() || values.width <= 0 || values.height <= 0) return {};
  // Entries past 2^bits are zero: black.
  const auto& colours = format.values->colourOfIndex;
  Surface picture = Surface::Picture(values.width, values.height);
  for (int y = 0; y < values.height; ++y) {
    const std::span<RgbColor> row = picture.Row(y);
    const std::uint8_t* from = values.values.data() + values.Index(0, y);
    for (std::size_t x = 0; x < row.size(); ++x) row[x] = colours[from[x]];
  }
  return picture;
}

Status CheckValuesFit(const FormatInfo& format, const convert::ValuePlane& values, int originX, int originY) {
  if (!format.HasValues()) {
    return Status::Failure(std::string(format.caption) + " stores colours, not values");
  }
  const unsigned limit = format.values->MaxIndex();
  for (int y = 0; y < values.height; ++y) {
    for (int x = 0; x < values.width; ++x) {
      const unsigned value = values.At(x, y);
      if (value <= limit) continue;
      return Status::Failure("pixel (" + std::to_string(originX + x) + ", " + std::to_string(originY + y) +
                             ") has index " + std::to_string(value) + ", beyond the " +
                             std::to_string(limit + 1) + " values of " + std::string(format.caption));
    }
  }
  return Status::Success();
}

}  // namespace glyphon::formats
