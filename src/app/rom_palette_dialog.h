// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

#include "browser/rom_palette.h"

class QWidget;

namespace glyphon::app {

// Asks where a palette lies in a ROM: its offset (hex), the console layout, the sub-palette
// and the file (the open ROM, named `romName`, or another one chosen in a file dialog).
// Starts from `start`; none when cancelled or the offset is not hex.
std::optional<browser::RomPalette> AskRomPalette(QWidget* parent, const browser::RomPalette& start,
                                                 const QString& romName);

}  // namespace glyphon::app
