#pragma once

#include <QCursor>

class QWidget;

#include "workspace/controls.h"

namespace glyphon::app {

// The window's own pointers: a magnifier with a plus over the thumbnail (click to view the
// picture full size) and one with a minus over the full-size view (click to go back).
enum class Magnifier { ZoomIn, ZoomOut };
QCursor MagnifierCursor(Magnifier kind);

// Gives `widget` the pointer its control asks for; `custom` stands for pointer 99. The
// cursor is only built when the pointer changes.
void ApplyPointer(QWidget& widget, workspace::MousePointer pointer, Magnifier custom);

}  // namespace glyphon::app
