// SPDX-License-Identifier: MIT
// The picture writers on random pictures: the bytes of every kind read back as the same
// picture, and a written file holds exactly those bytes.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_input.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"

namespace {
// The kinds the writers know; both are lossless.
constexpr const char* kKinds[] = {"bmp", "png"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const char* kind = kKinds[input.Take(std::size(kKinds))];
  const int width = input.Take(64) + 1, height = input.Take(64) + 1;
  const platform::Surface picture = input.TakePicture(width, height);
  const std::string name = std::string("picture.") + kind;
  auto bytes = imageio::PictureFileBytes(name, picture);
  if (!bytes) std::abort();
  auto back = imageio::ReadPictureBytes(bytes.Value());
  if (!back) std::abort();
  if (back.Value().Width() != width || back.Value().Height() != height) std::abort();
  if (!(back.Value() == picture)) std::abort();

  // One file a run through the writer, in a folder that goes again at once: it holds
  // exactly those bytes.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("glyphon-picture-write-fuzz-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  if (!imageio::WritePicture(folder / name, picture)) std::abort();
  if (platform::ReadFileBytes(folder / name).Value() != bytes.Value()) std::abort();
  std::filesystem::remove_all(folder);
  return 0;
}
