// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <span>

#include "core/result.h"
#include "core/surface.h"

namespace glyphon::imageio {

// Reads a picture file of any kind the desktop app offers: PNG, BMP and GIF through the
// core's readers, everything else (JPEG, TIFF, WebP, ...) through Qt's image plugins. A
// JPEG without its end marker is refused as truncated, and whatever a plugin would print
// becomes the reason instead.
Result<platform::Surface> ReadAnyPicture(const std::filesystem::path& path);
Result<platform::Surface> ReadAnyPictureBytes(std::span<const std::uint8_t> bytes);

}  // namespace glyphon::imageio
