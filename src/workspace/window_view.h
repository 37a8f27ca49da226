// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "core/product.h"
#include "core/surface.h"
#include "workspace/window_state.h"

namespace glyphon::workspace {

// The fixed captions of the main window.
inline constexpr std::string_view kFormatFrameCaption = "Graphics Format";
inline constexpr std::string_view kSelectionFrameCaption = "Selection Box";
inline constexpr std::string_view kTileLockCaption = "Lock selection box to 8 x 8 pixel tiles";
inline constexpr std::string_view kSpinnerNames[] = {"X Pos:", "Y Pos:", "Width:", "Height:"};  // by Spinner
inline constexpr std::string_view kViewToolTip = "Click to view full size...";
inline constexpr std::string_view kViewerCaption = "View Image";
inline constexpr std::string_view kViewerToolTip = "Click to return...";

// The thumbnail's and the swatch strip's drawing areas; every shown picture is stretched
// over the thumbnail.
inline constexpr int kThumbnailWidth = 256;
inline constexpr int kThumbnailHeight = 128;
inline constexpr int kSwatchWidth = 256;
inline constexpr int kSwatchHeight = 13;

// Where a picture is drawn in the thumbnail: as large as fits with its sides in their
// proportion, centred; kThumbnailMargin around it.
struct ThumbnailPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ThumbnailPlace&, const ThumbnailPlace&) = default;
};
inline constexpr RgbColor kThumbnailMargin = 0x808080;
ThumbnailPlace ThumbnailPlaceOf(const platform::Surface& picture) noexcept;

// "Quilby ROM Glyphon 1.0": the maker's name before the product's and its version.
std::string AboutName();
std::string AboutTitle();

// A command button: its caption and tool tip in its current role, and whether it takes the
// width of two buttons (Preview, Cancel and Accept do).
struct ButtonView {
  std::string_view caption;
  std::string_view toolTip;
  bool wide = false;
  bool enabled = true;
  bool visible = true;
  friend bool operator==(const ButtonView&, const ButtonView&) = default;
};

// One value of the selection box: its number and the range and step of its arrows (the
// least value is 0).
struct SpinnerView {
  int value = 0;
  int max = 0;
  int step = 1;
  bool enabled = false;
  friend bool operator==(const SpinnerView&, const SpinnerView&) = default;
};

// The selection box over a picture. On the thumbnail it lies in drawing-area coordinates
// (fractions allowed); on the viewer in picture pixels.
struct Outline {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool visible = false;
  friend bool operator==(const Outline&, const Outline&) = default;
};

// The full-size viewer: the picture (owned by the window state) and its outline.
struct ViewerView {
  bool visible = false;
  const platform::Surface* picture = nullptr;
  int zoom = 1;     // the picture is shown this many screen pixels a picture pixel
  Outline outline;  // in screen pixels of the zoomed picture
};

// Everything the main window and the viewer show.
struct WindowView {
  bool visible = true;  // the main window; the viewer stands in for it otherwise
  Mode mode = Mode::Normal;

  ButtonView load;   // Load, or Preview
  ButtonView clear;  // Clear, or Cancel
  ButtonView save;   // Save, or Accept
  ButtonView paste;
  ButtonView convert;
  ButtonView copy;

  int format = 0;  // the selected option: an index into the format table
  bool formatsEnabled = false;

  SpinnerView x;
  SpinnerView y;
  SpinnerView width;
  SpinnerView height;
  bool tileLock = false;
  bool tileLockEnabled = false;

  // kThumbnailWidth by kThumbnailHeight; HasPicture() is false when it shows nothing.
  platform::Surface thumbnail;
  // A click on the thumbnail opens the viewer (its tool tip and pointer say so).
  bool thumbnailViewable = false;
  Outline outline;
  platform::Surface swatches;  // kSwatchWidth by kSwatchHeight

  ViewerView viewer;

  // How Convert reads values: "Values: grey", "Values: palette snes.pal"; empty for the
  // direct-colour formats.
  std::string values;
  // What the last command did; empty at first.
  std::string status;

  const SpinnerView& Row(Spinner spinner) const noexcept;
};

// What the window shows in `state`.
WindowView ViewOf(const WindowState& state);

// The facts the view and the operations share: what the user can reach.
bool FormatsEnabled(const WindowState& state) noexcept;
bool TileLockEnabled(const WindowState& state) noexcept;
bool SpinnerEnabled(const WindowState& state, Spinner spinner) noexcept;
// A click on the thumbnail opens the viewer: there is a picture there, and no command runs.
bool CanOpenViewer(const WindowState& state) noexcept;
// The picture the thumbnail and the viewer show; null when they show nothing.
const platform::Surface* ShownPicture(const WindowState& state) noexcept;

}  // namespace glyphon::workspace
