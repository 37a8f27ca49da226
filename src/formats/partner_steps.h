// SPDX-License-Identifier: MIT
#pragma once

// The encoders of the five formats that carry partner data beside the main data (the
// other nibble of the SuperFX formats, the interleave bytes of Mode 7, the N64 alpha)
// share one shape: a partner step chosen by what the workspace holds, then the main pass.
//
// A codec plugged into EncodeWithPartner provides:
//   static constexpr PartnerLayout kLayout;
//   static constexpr bool kPartnerAtSelection;  // partner picture read at (X0, Y0) or at (0, 0)
//   static bool FusesWith(const Selection&);    // optional; true: the partner picture step and the
//                                               // main pass may share one pass (FusedPicturePass)
//   void Fused(WritableBytes out, WritableBytes aux, RgbColor colour, RgbColor partnerColour,
//              int x, int y, std::int64_t k);   // with FusesWith: pixel k's partner point, then
//                                               // its main pass, written at once
//   explicit Codec(const Selection&);           // a fresh one per pass (it may hold packing state)
//   void PartnerPoint(WritableBytes aux, RgbColor colour, int x, int y, std::int64_t k);
//   int PartnerData(WritableBytes aux, int x, int y, std::int64_t k);  // returns the grey to draw
//   void Main(WritableBytes out, ReadableBytes aux, RgbColor colour, int x, int y, std::int64_t k);
// The byte strings go in as spans, so the hot loops keep their addresses in registers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/fresh_memory.h"
#include "formats/decoding.h"

namespace glyphon::formats {

using WritableBytes = std::span<std::uint8_t>;
using ReadableBytes = std::span<const std::uint8_t>;

enum class PartnerStep {
  FromPicture,  // a loaded partner picture and no partner data: build the data from the picture
  FromData,     // partner data and no loaded picture: normalise the data and redraw the picture
  Kept,         // both: the data built from the picture last time is used as it stands
};

// The partner data of a selection is as long as its main data.
struct PartnerLayout {
  std::uint8_t fill;  // every byte of a fresh partner string
  RgbColor paint;     // the colour of the area by which the partner picture grows
};

inline std::int64_t PixelCount(const Selection& selection) noexcept {
  return std::int64_t{selection.width} * selection.height;
}

// With neither a partner picture nor partner data the partner string starts as fill bytes
// and goes through the data step, which turns it into the format's "no partner" value.
inline PartnerStep ChoosePartnerStep(PartnerState& partner, const PartnerLayout& layout, std::size_t size) {
  const bool havePic = partner.HasPicture();
  const bool haveData = partner.HasData();
  if (havePic && haveData) return PartnerStep::Kept;
  if (havePic) return PartnerStep::FromPicture;
  if (!haveData) platform::AssignFresh(partner.data, size, layout.fill);
  return PartnerStep::FromData;
}

// The first half of the partner picture step: the partner picture grows to at least W by H,
// the new area takes the paint colour at once (a read at an offset origin may reach it
// before its own point comes up), and the loaded pixels are never painted over. Growing
// keeps the surface's loaded-picture flag. The partner string starts as fill bytes. Returns
// the rectangle of the partner picture the step reads. The grown size must lie within the
// picture limits: Encode refuses the run before it starts.
template <class Codec>
Selection GrowPartnerPicture(PartnerState& partner, const Selection& selection, std::size_t size) {
  Surface& picture = partner.picture;
  picture.Resize(std::max(picture.Width(), selection.width), std::max(picture.Height(), selection.height),
                 Codec::kLayout.paint);
  platform::AssignFresh(partner.data, size, Codec::kLayout.fill);
  Selection read = selection;
  if (!Codec::kPartnerAtSelection) read.x = read.y = 0;
  return read;
}

// Partner picture to partner data, over the selection's own W by H so that the main pass,
// which indexes the partner data with the selection's geometry, finds every byte where it
// looks.
template <class Codec>
void PartnerPicturePass(PartnerState& partner, const Selection& selection, const Selection& read,
                        convert::ProgressTicker& ticker) {
  Codec codec(selection);
  const WritableBytes aux(partner.data);
  ForEachSelectedPixel(partner.picture, read, ticker,
                       [&codec, aux](RgbColor colour, int x, int y, std::int64_t k) {
                         codec.PartnerPoint(aux, colour, x, y, k);
                       });
}

// The reports of a partner step of N pixels (0 to 50) followed by a main pass of N pixels
// (50 to 100), given by one pass that does both: its pixel k stands for steps 2k - 1 and 2k
// of the 2N, so the same values come in the same order.
class TwoStepProgress {
 public:
  TwoStepProgress(platform::ProgressSink& progress, std::int64_t pixels) noexcept
      : m_pixels(pixels), m_partner(progress, pixels, 50.0), m_main(progress, pixels, 50.0, 50.0) {}

  // Every step up to pixel k's, in order: the partner step's first, then the main pass's.
  void TickTo(std::int64_t k) {
    const std::int64_t steps = 2 * k;
    m_partner.TickTo(std::min(steps, m_pixels));
    if (steps > m_pixels) m_main.TickTo(steps - m_pixels);
  }

  std::int64_t m_pixels;
  convert::ProgressTicker m_partner;
  convert::ProgressTicker m_main;
};

template <class Codec>
bool Fuses(const Selection& selection) noexcept {
  if constexpr (requires { Codec::FusesWith(selection); }) {
    return Codec::FusesWith(selection);
  } else {
    return false;
  }
}

// The partner picture step and the main pass in one pass over both pictures: each pixel's
// partner point goes into the partner string as the main pass writes the pixel (Fused).
// Only for a codec whose pixels write disjoint partner bytes (FusesWith), so no later
// partner point can change a byte the main pass has already read, and for rectangles inside
// both pictures; the bytes are those of the two passes run one after the other, with the
// partner string as long as the output.
template <class Codec>
void FusedPicturePass(const Surface& source, const Selection& selection, PartnerState& partner,
                      const Selection& read, WritableBytes out, platform::ProgressSink& progress) {
  TwoStepProgress ticker(progress, PixelCount(selection));
  Codec codec(selection);
  const WritableBytes aux(partner.data);
  std::int64_t k = 0;
  for (int y = 0; y < selection.height; ++y) {
    const RgbColor* main = source.Row(selection.y + y).data() + selection.x;
    const RgbColor* side = partner.picture.Row(read.y + y).data() + read.x;
    for (int x = 0; x < selection.width; ++x) {
      ++k;
      codec.Fused(out, aux, convert::InsideOrBlack(main[x]), convert::InsideOrBlack(side[x]), x, y, k);
    }
    ticker.TickTo(k);
  }
}

// Partner data pass: short data is padded with zero bytes (longer data keeps its extra
// bytes), and the partner picture becomes a W by H surface without a loaded picture that
// shows the partner value of every pixel (every pixel is drawn, so no clearing is needed).
template <class Codec>
void PartnerDataStep(PartnerState& partner, const Selection& selection, std::size_t size,
                     convert::ProgressTicker& ticker) {
  if (partner.data.size() < size) partner.data.resize(size, 0);
  partner.picture.Resize(selection.width, selection.height);
  partner.picture.SetHasPicture(false);
  Codec codec(selection);
  const WritableBytes aux(partner.data);
  std::int64_t k = 0;
  for (int y = 0; y < selection.height; ++y) {
    const auto row = partner.picture.Row(y);
    for (int x = 0; x < selection.width; ++x) {
      ++k;
      row[static_cast<std::size_t>(x)] = GreyColor(codec.PartnerData(aux, x, y, k));
    }
    ticker.TickTo(k);
  }
}

// The partner step's reports run from 0 to 50 and the main pass's from 50 to 100; without
// a partner step the main pass runs from 0 to 100.
template <class Codec>
void EncodeWithPartner(const Surface& source, const Selection& selection, PartnerState& partner,
                       WritableBytes out, platform::ProgressSink& progress) {
  const std::int64_t pixels = PixelCount(selection);
  const PartnerStep step = ChoosePartnerStep(partner, Codec::kLayout, out.size());
  if (step == PartnerStep::FromPicture) {
    const Selection read = GrowPartnerPicture<Codec>(partner, selection, out.size());
    if (Fuses<Codec>(selection) && Inside(source, selection) && Inside(partner.picture, read)) {
      FusedPicturePass<Codec>(source, selection, partner, read, out, progress);
      return;
    }
    convert::ProgressTicker ticker(progress, pixels, 50.0);
    PartnerPicturePass<Codec>(partner, selection, read, ticker);
  } else if (step == PartnerStep::FromData) {
    convert::ProgressTicker ticker(progress, pixels, 50.0);
    PartnerDataStep<Codec>(partner, selection, out.size(), ticker);
  }
  const int f = step == PartnerStep::Kept ? 0 : 1;
  convert::ProgressTicker ticker(progress, pixels, 100.0 / (f + 1), 50.0 * f);
  Codec codec(selection);
  const ReadableBytes aux(partner.data);
  ForEachSelectedPixel(source, selection, ticker,
                       [&codec, out, aux](RgbColor colour, int x, int y, std::int64_t k) {
                         codec.Main(out, aux, colour, x, y, k);
                       });
}

}  // namespace glyphon::formats
