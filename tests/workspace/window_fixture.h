// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "support/test_support.h"
#include "workspace/main_window.h"

namespace glyphon::test {

using workspace::MainWindow;
using workspace::Spinner;

// The file dialogs' lists as a user reads them: the save list before any conversion
// (bitmaps only), after one in a format without a partner, and the load list of such a
// format.
inline const std::vector<formats::FileFilter> kBitmapsOnly = {
    {"Bitmap", {"bmp", "png"}, platform::FileKind::Picture}};
inline const std::vector<formats::FileFilter> kBitmapsAndRomData = {
    {"Bitmap", {"bmp", "png"}, platform::FileKind::Picture}, {"ROM data", {"dat"}, platform::FileKind::Data}};
// After a conversion the data's entry comes first.
inline const std::vector<formats::FileFilter> kRomDataAndBitmaps = {
    {"ROM data", {"dat"}, platform::FileKind::Data}, {"Bitmap", {"bmp", "png"}, platform::FileKind::Picture}};
inline const std::vector<formats::FileFilter> kPlainLoadList = {
    {"Bitmap", {"bmp", "png", "gif", "jpg", "jpeg"}, platform::FileKind::Picture},
    {"ROM data", {"dat"}, platform::FileKind::Data},
    {"All", {}, std::nullopt}};

// Whether a dialog's list has an entry for `kind`.
inline bool Offers(const std::vector<formats::FileFilter>& list, platform::FileKind kind) {
  return std::any_of(list.begin(), list.end(),
                     [kind](const formats::FileFilter& f) { return f.kind == kind; });
}

// Everything a user could see of the windows, and the state behind it, as one text: two
// descriptions are equal exactly when nothing visible or stored differs, and a failing
// comparison shows the line that differs. Without `data`, the ROM data and the work
// bitmap are left out.
inline std::string Describe(const MainWindow& w, bool data = true) {
  std::ostringstream out;
  auto button = [&](const char* name, const workspace::ButtonView& b) {
    out << name << " '" << b.caption << "' tip '" << b.toolTip << "' wide" << b.wide << " en" << b.enabled
        << " vis" << b.visible << "\n";
  };
  auto spinner = [&](const char* name, const workspace::SpinnerView& s) {
    out << name << " v" << s.value << " max" << s.max << " step" << s.step << " en" << s.enabled << "\n";
  };
  auto outline = [&](const char* name, const workspace::Outline& s) {
    out << name;
    if (s.visible) out << " " << s.left << "," << s.top << " " << s.width << "x" << s.height;
    out << " vis" << s.visible << "\n";
  };
  auto surface = [&](const char* name, const platform::Surface& s) {
    std::uint64_t hash = 1469598103934665603ull;
    for (RgbColor c : s.Pixels()) hash = (hash ^ static_cast<std::uint32_t>(c)) * 1099511628211ull;
    out << name << " " << s.Width() << "x" << s.Height() << " pic" << s.HasPicture() << " #" << hash << "\n";
  };
  auto bytes = [&](const char* name, const ByteString& b) {
    out << name << " " << b.size() << ":";
    for (std::size_t i = 0; i < std::min<std::size_t>(b.size(), 64); ++i) out << " " << int{b[i]};
    out << "\n";
  };
  auto filters = [&](const char* name, const std::vector<formats::FileFilter>& list) {
    out << name;
    for (const formats::FileFilter& f : list) out << " '" << f.description << "'";
    out << "\n";
  };

  const workspace::WindowView v = w.View();
  out << "main vis" << v.visible << " format " << v.format << " en" << v.formatsEnabled << "\n";
  if (data) bytes("rom", w.RomData());
  bytes("aux", w.Partner().data);
  filters("load", w.LoadFilters());
  filters("save", w.SaveFilters());
  surface("picture", w.Picture());
  surface("encoder input", w.EncoderInput());
  if (data) surface("work bitmap", w.WorkBitmap());
  surface("partner", w.Partner().picture);
  surface("thumbnail", v.thumbnail);
  out << "thumbnail viewable " << v.thumbnailViewable << "\n";
  surface("swatches", v.swatches);
  outline("outline", v.outline);
  for (const auto* b : {&v.load, &v.clear, &v.save, &v.paste, &v.convert, &v.copy}) button("button", *b);
  for (const auto* row : {&v.x, &v.y, &v.width, &v.height}) spinner("spinner", *row);
  out << "tile lock " << v.tileLock << " en" << v.tileLockEnabled << "\n";
  out << "viewer vis" << v.viewer.visible << "\n";
  outline("viewer outline", v.viewer.outline);
  const workspace::ProgressWindow& p = w.Progress();
  out << "progress vis" << p.visible << " '" << p.caption << "' " << p.text << " fill " << p.barFill << "\n";
  return out.str();
}

// A format's name as a test name can carry it: "2bpp_snes_gb".
inline std::string FormatTestName(int index) {
  std::string name = formats::CliName(formats::Format(index));
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

// A started window on a fake platform.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() { window.Start(); }

  // A picture made current with `format` selected and the grid lock off where the format
  // allows it, so any selection can be set.
  void PictureWithFreeSelection(platform::Surface picture, int format = 1) {
    window.MakeCurrentPicture(std::move(picture));
    window.SelectFormat(format);
    window.SetTileLock(false);
  }

  void Select(int x, int y, int width, int height) { window.SetSelection({x, y, width, height}); }

  convert::Selection Selection() const { return window.CurrentSelection(); }

  // The state loading a ROM data file leaves.
  void EnterPreview(ByteString data) { window.EnterPreview(std::move(data)); }

  FakePlatform platform;
  MainWindow window{platform};
};

}  // namespace glyphon::test
