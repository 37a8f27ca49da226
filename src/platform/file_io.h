#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/result.h"
#include "platform/types.h"

namespace glyphon::platform {

// Reads a whole file as raw bytes, byte for byte.
Result<ByteString> ReadFileBytes(const std::filesystem::path& path);

// Writes raw bytes to a file. The bytes go to a temporary file in the same folder, which
// then replaces the target in one rename: a failed write never leaves a partial file or
// loses the old one.
Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// A short, human reason for the last failed C library or system call.
std::string SystemReason(int error);

}  // namespace glyphon::platform
