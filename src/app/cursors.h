// SPDX-License-Identifier: MIT
#pragma once

#include <QCursor>

class QWidget;

namespace glyphon::app {

// The window's own pointers: a magnifier with a plus over the thumbnail (click to view the
// picture full size) and one with a minus over the full-size view (click to go back).
enum class Magnifier { ZoomIn, ZoomOut };
QCursor MagnifierCursor(Magnifier kind);

// Gives `widget` the magnifier `kind` while a click on it opens or closes the viewer
// (`shown`), the arrow otherwise. The cursor is only built when it changes.
void ShowMagnifier(QWidget& widget, bool shown, Magnifier kind);

}  // namespace glyphon::app
