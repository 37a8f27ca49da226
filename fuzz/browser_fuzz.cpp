// SPDX-License-Identifier: MIT
// The ROM browser over any file: the format, width, zoom, view size, the keys pressed, the
// offset typed and the drag all come from the fuzzer's bytes, the rest is the ROM. Every
// screen must come out at the size the view asks for, and every selection must lie inside
// the picture drawn.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser/rom_browser.h"
#include "fuzz_input.h"
#include "platform/quiet_platform.h"

namespace {

using namespace glyphon;

std::string RomFile(std::span<const std::uint8_t> bytes) {
  static const std::string path = "/tmp/glyphon-browser-fuzz-" + std::to_string(getpid()) + ".rom";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  std::fclose(file);
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  platform::QuietPlatform platform;
  browser::RomBrowser rom(platform);
  rom.SetFormat(input.Take(formats::kFormatCount));
  rom.SetWidth(input.Take(300));
  rom.SetZoom(input.Take(10));
  rom.SetViewSize(input.Take(600), input.Take(400));
  rom.SetColourSource(static_cast<browser::Colours>(input.Take(3)));
  const std::uint64_t offset = static_cast<std::uint64_t>(input.Take(4096));
  std::vector<browser::Step> steps(static_cast<std::size_t>(input.Take(8)));
  for (auto& step : steps) step = static_cast<browser::Step>(input.Take(10));
  const int x0 = input.Take(700), y0 = input.Take(500), x1 = input.Take(700), y1 = input.Take(500);
  if (!rom.Open(RomFile(input.Rest()))) return 0;

  rom.SetOffset(offset);
  for (browser::Step step : steps) rom.Press(step);
  rom.ScrollTo(rom.Scroll().value);
  const platform::Surface& screen = rom.Render();
  (void)rom.DescribePoint(x0, y0);
  (void)rom.DescribeRange();
  rom.Select(x0, y0, x1, y1);
  if (const auto& selection = rom.Selection()) {
    const bool inside = selection->x >= 0 && selection->y >= 0 && selection->width > 0 &&
                        selection->height > 0 && selection->x + selection->width <= screen.Width() &&
                        selection->y + selection->height <= screen.Height();
    if (!inside) std::abort();
  }
  return 0;
}
