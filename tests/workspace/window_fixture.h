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
// comparison shows the line that differs.
inline std::string Describe(const MainWindow& w) {
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

  out << "main vis" << w.Visible << " '" << w.Caption << "' format " << w.FormatIndex << "\n";
  bytes("rom", w.RomDataString);
  bytes("aux", w.AuxDataString);
  out << "load '" << w.LoadFilterString << "'\nsave '" << w.SaveFilterString << "'\n";
  out << "sel " << w.SelLeft << "," << w.SelTop << " " << w.SelWidth << "x" << w.SelHeight << "\n";
  surface("imgImage", w.imgImage);
  surface("picView", w.picView);
  surface("picBitmap", w.picBitmap);
  surface("picData", w.picData);
  surface("picImage", w.picImage.image);
  out << "picImage pointer " << static_cast<int>(w.picImage.pointer) << " tip '" << w.picImage.toolTip
      << "'\n";
  surface("picPalette", w.picPalette.image);
  shape("shaBox", w.shaBox);
  button("cmdLoad", w.cmdLoad);
  button("cmdClear", w.cmdClear);
  button("cmdSave", w.cmdSave);
  button("cmdPaste", w.cmdPaste);
  button("cmdConvert", w.cmdConvert);
  button("cmdCopy", w.cmdCopy);
  for (const auto& option : w.optFormat)
    out << "opt '" << option.caption << "' " << option.value << option.enabled << "\n";
  label("lblX1", w.lblX1);
  label("lblX", w.lblX);
  bar("vscX", w.vscX);
  label("lblY1", w.lblY1);
  label("lblY", w.lblY);
  bar("vscY", w.vscY);
  label("lblWidth1", w.lblWidth1);
  label("lblWidth", w.lblWidth);
  bar("vscWidth", w.vscWidth);
  label("lblHeight1", w.lblHeight1);
  label("lblHeight", w.lblHeight);
  bar("vscHeight", w.vscHeight);
  out << "chkTile8 " << w.chkTile8.value << " en" << w.chkTile8.enabled << "\n";
  out << "viewer vis" << w.frmImage.Visible << "\n";
  surface("viewer picture", w.frmImage.picImage);
  shape("viewer shaBox", w.frmImage.shaBox);
  out << "progress vis" << w.frmProgress.Visible << " '" << w.frmProgress.Caption << "' "
      << w.frmProgress.lblPercent.caption << " fill " << w.frmProgress.BarFill << "\n";
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
  WindowTest() { window.Form_Load(); }

  // A picture made current with `format` selected and the grid lock off where the format
  // allows it, so any selection can be set.
  void PictureWithFreeSelection(platform::Surface picture, int format = 1) {
    window.MakeCurrentPicture(std::move(picture));
    window.ClickFormatOption(format);
    window.SetTile8(0);
  }

  // Sizes first, so the position is not pushed back by the old size.
  void Select(int x, int y, int width, int height) {
    window.SetSpinner(Spinner::Width, width);
    window.SetSpinner(Spinner::Height, height);
    window.SetSpinner(Spinner::X, x);
    window.SetSpinner(Spinner::Y, y);
  }

  convert::Selection Selection() const { return window.CurrentSelection(); }

  // The state loading a ROM data file leaves.
  void EnterPreview(ByteString data) { window.EnterPreview(std::move(data)); }

  // A preview drawn: what the Preview command leaves on picBitmap and the thumbnail.
  void ShowPreview(const platform::Surface& preview) {
    window.picBitmap = preview;
    window.DrawThumbnail(preview);
  }

  FakePlatform platform;
  MainWindow window{platform};
};

}  // namespace glyphon::test
