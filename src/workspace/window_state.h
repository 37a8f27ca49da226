// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/encoding.h"
#include "core/surface.h"
#include "core/types.h"
#include "formats/value_rules.h"

namespace glyphon::workspace {

// What the window is doing. The mode decides what Load, Clear and Save do, and the
// buttons' captions, tool tips and widths follow from it.
enum class Mode {
  Normal,      // Load, Clear, Save
  Preview,     // ROM data loaded: Preview, Cancel, Accept
  Converting,  // a conversion runs
  Previewing,  // a preview is being decoded
  Accepting,   // a preview is being made the picture
};

// The four values of the selection box, as the user sets them one at a time.
enum class Spinner { X, Y, Width, Height };

// What the thumbnail shows: nothing, the current picture, or the last preview decoded.
enum class Thumbnail { Nothing, Picture, Preview };

// How far each value of the selection box may go (the least is always 0).
struct SelectionLimits {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const SelectionLimits&, const SelectionLimits&) = default;
};

// What the ROM data was converted from: the format and the selection at the time.
struct DataOrigin {
  int format = 0;
  convert::Selection selection;
  friend bool operator==(const DataOrigin&, const DataOrigin&) = default;
};

// The format the window starts in: "4bpp SNES".
inline constexpr int kStartFormat = 8;

// The viewer zooms from 1x to 8x, so far as the zoomed picture keeps to this many pixels a side.
inline constexpr int kMaxZoom = 8;
inline constexpr int kMaxZoomedSide = 16384;

// A preview's width goes no further than this, however long the data.
inline constexpr int kMaxPreviewWidth = 1024;

// Everything the main window holds. What it shows is computed from this alone (ViewOf).
struct WindowState {
  Mode mode = Mode::Normal;
  // In normal mode: the selection box and the thumbnail were emptied (start-up, Clear), so
  // only Load, Paste and Clear can be used until a picture is made current again.
  bool cleared = true;
  // The viewer stands in for the main window on screen.
  bool viewerOpen = false;

  int format = kStartFormat;  // index into the format table
  bool tileLock = false;      // the selection box keeps to the 8 by 8 pixel grid
  convert::Selection selection;
  SelectionLimits limits;
  Thumbnail thumbnail = Thumbnail::Nothing;
  // What the thumbnail showed when an accept started: shown again when it is refused.
  Thumbnail thumbnailBeforeAccept = Thumbnail::Nothing;

  // The current picture at its natural size; it gives the selection its range.
  platform::Surface picture;
  // The last preview decoded, or the last bitmap copied or saved.
  platform::Surface work;
  // The main ROM data: the last conversion's or the last loaded data file's.
  ByteString romData;
  convert::PartnerState partner;

  // Where the ROM data came from while it belongs to the current picture.
  std::optional<DataOrigin> dataOrigin;
  // The save dialog offers the format's data files: set by a conversion, dropped by any
  // change of the format or the selection.
  bool saveOffersData = false;
  bool dataSaved = true;
  bool acceptedUnsaved = false;

  // The palette indices of the current picture, one a pixel row by row, and the colours
  // they index: a picture sent from the ROM browser, or a palette PNG, BMP or GIF. Empty
  // for a picture of colours alone.
  std::vector<std::uint8_t> pictureIndices;
  std::vector<RgbColor> pictureColours;

  // How Convert turns the picture's pixels into the format's values, and the palette of
  // ValueRule::Palette with the name of its file.
  formats::ValueRule valueRule = formats::ValueRule::Grey;
  std::vector<RgbColor> valuePalette;
  std::string valuePaletteName;

  friend bool operator==(const WindowState&, const WindowState&) = default;
};

// Preview mode, or accepting a preview: a new format or width makes the shown preview stale.
inline bool InPreviewMode(const WindowState& s) noexcept {
  return s.mode == Mode::Preview || s.mode == Mode::Accepting;
}

inline int& Field(convert::Selection& selection, Spinner spinner) noexcept {
  switch (spinner) {
    case Spinner::X:
      return selection.x;
    case Spinner::Y:
      return selection.y;
    case Spinner::Width:
      return selection.width;
    case Spinner::Height:
      break;
  }
  return selection.height;
}

inline int Field(const convert::Selection& selection, Spinner spinner) noexcept {
  return Field(const_cast<convert::Selection&>(selection), spinner);
}

inline int& Field(SelectionLimits& limits, Spinner spinner) noexcept {
  switch (spinner) {
    case Spinner::X:
      return limits.x;
    case Spinner::Y:
      return limits.y;
    case Spinner::Width:
      return limits.width;
    case Spinner::Height:
      break;
  }
  return limits.height;
}

inline int Field(const SelectionLimits& limits, Spinner spinner) noexcept {
  return Field(const_cast<SelectionLimits&>(limits), spinner);
}

}  // namespace glyphon::workspace
