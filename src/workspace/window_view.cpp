// SPDX-License-Identifier: MIT
#include "workspace/window_view.h"

#include <algorithm>
#include <cstdint>

#include "formats/format_table.h"
#include "formats/value_rules.h"
#include "workspace/drawing.h"

namespace glyphon::workspace {

namespace {

struct ButtonText {
  std::string_view caption;
  std::string_view toolTip;
};

// Normal mode.
constexpr ButtonText kLoadButton{"Load", "Load image from file..."};
constexpr ButtonText kClearButton{"Clear", "Clear image window"};
constexpr ButtonText kSaveButton{"Save", "Save data to file..."};
constexpr ButtonText kPasteButton{"Paste", "Paste image from clipboard"};
constexpr ButtonText kCopyButton{"Copy", "Copy image to clipboard"};
constexpr ButtonText kConvertButton{"Convert", "Convert image to graphics format"};
// Preview mode: Load, Clear and Save take these roles, twice as wide.
constexpr ButtonText kPreviewButton{"Preview", "Preview image using current settings"};
constexpr ButtonText kCancelButton{"Cancel", "Cancel image load"};
constexpr ButtonText kAcceptButton{"Accept", "Accept image using current settings"};
// Captions while a long command runs.
constexpr std::string_view kConvertingCaption = "Converting...";
constexpr std::string_view kPreviewingCaption = "Previewing...";
constexpr std::string_view kAcceptingCaption = "Accepting...";

ButtonView Button(const ButtonText& text, bool enabled) {
  return {text.caption, text.toolTip, false, enabled, true};
}

bool ShowsPreviewButtons(Mode mode) noexcept {
  return mode == Mode::Preview || mode == Mode::Previewing || mode == Mode::Accepting;
}

// A picture is current and the window is free: everything can be reached.
bool WorkingOnPicture(const WindowState& s) noexcept {
  return s.mode == Mode::Normal && !s.cleared;
}

bool AnySelection(const convert::Selection& s) noexcept {
  return s.x != 0 || s.y != 0 || s.width != 0 || s.height != 0;
}

}  // namespace

ThumbnailPlace ThumbnailPlaceOf(const platform::Surface& picture) noexcept {
  if (picture.IsEmpty()) return {0, 0, kThumbnailWidth, kThumbnailHeight};
  // The larger scale that fits both sides, computed in whole numbers: width / height
  // against 256 / 128.
  const std::int64_t w = picture.Width();
  const std::int64_t h = picture.Height();
  ThumbnailPlace place{0, 0, kThumbnailWidth, kThumbnailHeight};
  if (w * kThumbnailHeight >= h * kThumbnailWidth) {
    place.height = static_cast<int>(std::max<std::int64_t>(1, (h * kThumbnailWidth + w / 2) / w));
  } else {
    place.width = static_cast<int>(std::max<std::int64_t>(1, (w * kThumbnailHeight + h / 2) / h));
  }
  place.left = (kThumbnailWidth - place.width) / 2;
  place.top = (kThumbnailHeight - place.height) / 2;
  return place;
}

std::string AboutName() {
  return "Quilby " + std::string(kProductName) + " " + std::string(kVersion);
}

std::string AboutTitle() {
  return "About Quilby " + std::string(kProductName) + "...";
}

const SpinnerView& WindowView::Row(Spinner spinner) const noexcept {
  switch (spinner) {
    case Spinner::X:
      return x;
    case Spinner::Y:
      return y;
    case Spinner::Width:
      return width;
    case Spinner::Height:
      break;
  }
  return height;
}

bool FormatsEnabled(const WindowState& s) noexcept {
  return WorkingOnPicture(s) || s.mode == Mode::Preview;
}

bool TileLockEnabled(const WindowState& s) noexcept {
  // The lock may be switched off only where the selected format allows it.
  return FormatsEnabled(s) && formats::Format(s.format).lockOptional;
}

bool SpinnerEnabled(const WindowState& s, Spinner spinner) noexcept {
  // A preview only has a width: the width the ROM data is decoded at.
  return WorkingOnPicture(s) || (s.mode == Mode::Preview && spinner == Spinner::Width);
}

const platform::Surface* ShownPicture(const WindowState& s) noexcept {
  switch (s.thumbnail) {
    case Thumbnail::Picture:
      return &s.picture;
    case Thumbnail::Preview:
      return &s.work;
    case Thumbnail::Nothing:
      break;
  }
  return nullptr;
}

bool CanOpenViewer(const WindowState& s) noexcept {
  const platform::Surface* shown = ShownPicture(s);
  return FormatsEnabled(s) && shown != nullptr && !shown->IsEmpty();
}

WindowView ViewOf(const WindowState& s) {
  WindowView v;
  v.visible = !s.viewerOpen;
  v.mode = s.mode;
  const bool picture = WorkingOnPicture(s);
  const bool free = s.mode == Mode::Normal || s.mode == Mode::Preview;  // no command runs

  if (ShowsPreviewButtons(s.mode)) {
    v.load = Button(kPreviewButton, free);
    v.clear = Button(kCancelButton, free);
    v.save = Button(kAcceptButton, free);
    for (ButtonView* wide : {&v.load, &v.clear, &v.save}) wide->wide = true;
    v.paste = Button(kPasteButton, false);
    v.convert = Button(kConvertButton, false);
    v.copy = Button(kCopyButton, false);
    for (ButtonView* gone : {&v.paste, &v.convert, &v.copy}) gone->visible = false;
    if (s.mode == Mode::Previewing) v.load.caption = kPreviewingCaption;
    if (s.mode == Mode::Accepting) v.save.caption = kAcceptingCaption;
  } else {
    v.load = Button(kLoadButton, free);
    v.clear = Button(kClearButton, free);
    v.save = Button(kSaveButton, picture);
    v.paste = Button(kPasteButton, free);
    v.convert = Button(kConvertButton, picture);
    v.copy = Button(kCopyButton, picture);
    if (s.mode == Mode::Converting) v.convert.caption = kConvertingCaption;
  }

  v.format = s.format;
  v.formatsEnabled = FormatsEnabled(s);

  const int step = s.tileLock ? 8 : 1;
  for (Spinner spinner : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height}) {
    SpinnerView& row = const_cast<SpinnerView&>(v.Row(spinner));
    row = {Field(s.selection, spinner), Field(s.limits, spinner), step, SpinnerEnabled(s, spinner)};
  }
  v.tileLock = s.tileLock;
  v.tileLockEnabled = TileLockEnabled(s);

  v.thumbnail = platform::Surface(kThumbnailWidth, kThumbnailHeight);
  if (const platform::Surface* shown = ShownPicture(s)) {
    const ThumbnailPlace place = ThumbnailPlaceOf(*shown);
    platform::Surface scaled(place.width, place.height);
    StretchDraw(*shown, scaled);
    if (scaled.HasPicture()) {
      v.thumbnail.FillRect(0, 0, kThumbnailWidth, kThumbnailHeight, kThumbnailMargin);
      for (int y = 0; y < place.height; ++y) {
        const auto from = scaled.Row(y);
        std::copy(from.begin(), from.end(), v.thumbnail.Row(place.top + y).begin() + place.left);
      }
      v.thumbnail.SetHasPicture(true);
    }
  }
  v.thumbnailViewable = FormatsEnabled(s);

  // The box scales as the picture is drawn. Without a picture there is nothing to scale
  // by: the box collapses.
  const convert::Selection& box = s.selection;
  const bool outlined = picture && AnySelection(box);
  const ThumbnailPlace place = ThumbnailPlaceOf(s.picture);
  const auto pictureWidth = static_cast<float>(s.picture.Width());
  const auto pictureHeight = static_cast<float>(s.picture.Height());
  const float scaleX = pictureWidth > 0 ? static_cast<float>(place.width) / pictureWidth : 0.0f;
  const float scaleY = pictureHeight > 0 ? static_cast<float>(place.height) / pictureHeight : 0.0f;
  v.outline = {static_cast<float>(place.left) + scaleX * static_cast<float>(box.x),
               static_cast<float>(place.top) + scaleY * static_cast<float>(box.y),
               scaleX * static_cast<float>(box.width) + 1, scaleY * static_cast<float>(box.height) + 1,
               outlined};
  if (formats::Format(s.format).HasValues()) {
    v.values = "Values: " + std::string(formats::ValueRuleName(s.valueRule));
    if (s.valueRule == formats::ValueRule::Palette) v.values += " " + s.valuePaletteName;
  }

  v.swatches = platform::Surface(kSwatchWidth, kSwatchHeight);
  DrawSwatches(formats::Format(s.format), v.swatches);
  v.swatches.SetHasPicture(true);

  v.viewer.visible = s.viewerOpen;
  v.viewer.picture = ShownPicture(s);
  v.viewer.outline = {static_cast<float>(box.x), static_cast<float>(box.y), static_cast<float>(box.width + 1),
                      static_cast<float>(box.height + 1), outlined};
  return v;
}

}  // namespace glyphon::workspace
