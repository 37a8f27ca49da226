// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include "core/surface.h"

namespace glyphon::app {

// The colours of a surface as a QImage for the screen and the clipboard (RGB32, opaque).
QImage ToQImage(const platform::Surface& surface);

// A QImage as a surface holding a loaded picture. Alpha is dropped; a null image gives
// an empty surface that holds no picture.
platform::Surface FromQImage(const QImage& image);

}  // namespace glyphon::app
