#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "platform/result.h"
#include "platform/surface.h"

namespace glyphon::imageio {

// Reads a picture file (BMP, PNG, JPEG, GIF and whatever else Qt's image reader knows) into
// a surface holding a loaded picture. Alpha is dropped. Fails with a reason for a file that
// is not a picture, a truncated BMP, or a picture beyond the size limits.
Result<platform::Surface> ReadPicture(const std::filesystem::path& path);
Result<platform::Surface> ReadPictureBytes(std::span<const unsigned char> bytes);

// Writes a surface as a picture file whose kind follows the extension: ".bmp" (24-bit) and
// ".png", or whatever Qt's writer knows. The file is replaced atomically: a failed write
// leaves any old file as it was.
Status WritePicture(const std::filesystem::path& path, const platform::Surface& picture);

// Writes a surface as a 24-bit BMP file whatever the name's extension (the window saves
// partner pictures under names like "x.bmp2"), replacing any old file atomically.
Status WriteBitmap(const std::filesystem::path& path, const platform::Surface& picture);

// The bytes of the picture file `name` would get from WritePicture (kind from the name's
// extension), without writing them.
Result<ByteString> PictureFileBytes(const std::filesystem::path& name, const platform::Surface& picture);

// Encodes a surface as the bytes of a 24-bit BMP file.
std::string BmpBytes(const platform::Surface& picture);

}  // namespace glyphon::imageio
