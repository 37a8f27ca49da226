// SPDX-License-Identifier: MIT
#include "app/surface_image.h"

#include <cstddef>

namespace glyphon::app {

QImage ToQImage(const platform::Surface& surface) {
  QImage image(surface.Width(), surface.Height(), QImage::Format_RGB32);
  for (int y = 0; y < surface.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (RgbColor c : surface.Row(y)) *line++ = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
  }
  return image;
}

platform::Surface FromQImage(const QImage& image) {
  if (image.isNull()) return {};
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  platform::Surface surface = platform::Surface::Picture(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    auto row = surface.Row(y);
    for (std::size_t x = 0; x < row.size(); ++x) row[x] = Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
  }
  return surface;
}

}  // namespace glyphon::app
