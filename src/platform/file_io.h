// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "core/picture_limits.h"
#include "core/result.h"
#include "core/types.h"

namespace glyphon::platform {

// How much a read takes at most, and what a larger input is called in the refusal.
struct ReadLimit {
  std::uint64_t bytes;
  std::string_view tooLarge;
};
inline constexpr ReadLimit kRomDataLimit{kMaxRomDataBytes,
                                         "more ROM data than any picture can hold (at most 256 MiB)"};
inline constexpr ReadLimit kPictureFileLimit{
    kMaxPictureFileBytes, "larger than any picture file within the picture limits (at most 528 MiB)"};
inline constexpr ReadLimit kPaletteFileLimit{kMaxPaletteFileBytes,
                                             "larger than any palette file (at most 4 MiB)"};
inline constexpr ReadLimit kTileMapLimit{kMaxTileMapBytes, "larger than any tile map (at most 2 MiB)"};
inline constexpr ReadLimit kAttributeMapLimit{kMaxAttributeMapBytes,
                                              "larger than any attribute map (at most 1 MiB)"};

// Reads a whole file as raw bytes, byte for byte. A regular file larger than the limit is
// refused before anything is read; a pipe or a device is read up to the limit plus one
// byte and then refused.
Result<ByteString> ReadFileBytes(const std::filesystem::path& path,
                                 const ReadLimit& limit = kPictureFileLimit);

// ROM data and partner data: at most what the largest picture can hold.
inline Result<ByteString> ReadRomData(const std::filesystem::path& path) {
  return ReadFileBytes(path, kRomDataLimit);
}

// Reads an open descriptor (standard input) to its end, within the limit.
Result<ByteString> ReadDescriptorBytes(int descriptor, const ReadLimit& limit);

// Writes raw bytes to a file as a batch of one output (platform/output_batch.h): the old
// file is replaced whole or left as it was. Failures name the file.
Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// True when both names lead to one file: the same device and inode where both exist,
// else the same normalised path.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// A short, human reason for the last failed C library or system call.
std::string SystemReason(int error);

}  // namespace glyphon::platform
