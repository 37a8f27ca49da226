#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "support/fake_platform.h"
#include "support/test_support.h"
#include "workspace/main_window.h"

namespace glyphon::test {

using workspace::MainWindow;
using workspace::MousePointer;
using workspace::Spinner;

// Everything a user could see of the windows, and the state behind it, as one text: two
// descriptions are equal exactly when nothing visible or stored differs, and a failing
// comparison shows the line that differs. Without `data`, the ROM data and the work
// bitmap are left out.
inline std::string Describe(const MainWindow& w, bool data = true) {
  std::ostringstream out;
  auto button = [&](const char* name, const workspace::CommandButton& b) {
    out << name << " '" << b.caption << "' tip '" << b.toolTip << "' w" << b.width << " en" << b.enabled
        << " vis" << b.visible << "\n";
  };
  auto label = [&](const char* name, const workspace::Label& l) {
    out << name << " '" << l.caption << "' en" << l.enabled << "\n";
  };
  auto bar = [&](const char* name, const workspace::ScrollBar& s) {
    out << name << " v" << s.value << " max" << s.max << " step" << s.smallChange << "/" << s.largeChange
        << " en" << s.enabled << "\n";
  };
  auto shape = [&](const char* name, const workspace::Shape& s) {
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

  const workspace::WindowView& v = w.View();
  out << "main vis" << v.visible << " '" << v.caption << "' format " << w.FormatIndex() << "\n";
  if (data) bytes("rom", w.RomData());
  bytes("aux", w.Partner().aux);
  out << "load '" << formats::FilterText(w.LoadFilters()) << "'\nsave '"
      << formats::FilterText(w.SaveFilters()) << "'\n";
  surface("picture", w.Picture());
  surface("encoder input", w.EncoderInput());
  if (data) surface("work bitmap", w.WorkBitmap());
  surface("partner", w.Partner().picData);
  surface("thumbnail", v.thumbnail.image);
  out << "thumbnail pointer " << static_cast<int>(v.thumbnail.pointer) << " tip '" << v.thumbnail.toolTip
      << "'\n";
  surface("swatches", v.swatches.image);
  shape("outline", v.outline);
  for (const auto* b : {&v.load, &v.clear, &v.save, &v.paste, &v.convert, &v.copy}) button("button", *b);
  for (const auto& option : v.formats)
    out << "format '" << option.caption << "' " << option.value << option.enabled << "\n";
  for (const auto* row : {&v.x, &v.y, &v.width, &v.height}) {
    label("name", row->name);
    label("value", row->value);
    bar("spinner", row->bar);
  }
  out << "tile lock " << v.tileLock.value << " en" << v.tileLock.enabled << "\n";
  out << "viewer vis" << w.Viewer().visible << "\n";
  surface("viewer picture", w.Viewer().picture);
  shape("viewer outline", w.Viewer().outline);
  const workspace::ProgressWindow& p = w.Progress();
  out << "progress vis" << p.visible << " '" << p.caption << "' " << p.label.caption << " fill " << p.barFill
      << "\n";
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
