// SPDX-License-Identifier: MIT
// glyphon end to end in a scratch folder: a picture, a partner picture and data files made
// from the input, then a command line from the rest of it (arguments split at zero bytes,
// file names only inside the folder). A failing run must leave every file as it was, and
// no run leaves a temporary behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "fuzz_input.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"

namespace {

namespace fs = std::filesystem;
using namespace glyphon;

fs::path g_folder;

void Put(const std::string& name, std::span<const std::uint8_t> bytes) {
  std::ofstream(g_folder / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

platform::Surface PictureFrom(fuzz::Input& input) {
  const int width = input.Take(25), height = input.Take(25);
  platform::Surface picture = platform::Surface::Picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, input.Take(4) * 0x3F3F3F);
  }
  return picture;
}

// The folder's files: bytes, or the target of a link.
std::map<std::string, std::string> Snapshot() {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(g_folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      files[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      const ByteString bytes = platform::ReadFileBytes(entry.path()).Value();
      files[name] = std::string(bytes.begin(), bytes.end());
    } else {
      files[name] = "<other>";
    }
  }
  return files;
}

void MakeFiles(fuzz::Input& input) {
  fs::create_directories(g_folder);
  const platform::Surface picture = PictureFrom(input);
  const platform::Surface partner = PictureFrom(input);
  auto pictureBytes = imageio::PictureFileBytes("pic.bmp", picture);
  auto partnerBytes = imageio::PictureFileBytes("part.png", partner);
  Put("pic.bmp", pictureBytes ? pictureBytes.Value() : ByteString{});
  Put("part.png", partnerBytes ? partnerBytes.Value() : ByteString{});
  Put("data.dat", input.TakeBytes(static_cast<std::size_t>(input.Take(300))));
  Put("out.dat", ByteString{1, 2, 3});
  Put("ro.dat", ByteString{4});
  chmod((g_folder / "ro.dat").c_str(), 0444);
  fs::create_symlink("out.dat", g_folder / "link.dat");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // "-" as an input reads an empty standard input, never a terminal.
  const int null = open("/dev/null", O_RDONLY);
  dup2(null, STDIN_FILENO);
  close(null);
  // In memory where there is a memory file system: flushing to disk costs nothing there.
  std::error_code error;
  const fs::path base =
      fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  g_folder = base / ("glyphon-cli-fuzz-" + std::to_string(getpid()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  MakeFiles(input);
  std::vector<std::string> args(1);
  for (std::uint8_t byte : input.Rest()) {
    if (byte == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(byte);
    }
  }
  // Every file the run may touch lies in the scratch folder.
  for (const std::string& arg : args) {
    if (arg.find('/') != std::string::npos || arg == "..") {
      fs::remove_all(g_folder);
      return -1;
    }
  }
  const auto before = Snapshot();
  // The run works in the scratch folder; libFuzzer's own paths are relative to where it started.
  const fs::path start = fs::current_path();
  fs::current_path(g_folder);
  std::ostringstream out, err;
  const int status = cli::Run(args, out, err);
  fs::current_path(start);
  const auto after = Snapshot();
  if (status != cli::kExitSuccess && after != before) std::abort();
  for (const auto& [name, bytes] : after) {
    // A temporary's name, unless the command line gave it.
    const bool named = std::find(args.begin(), args.end(), name) != args.end();
    if (name.rfind(".glyphon-", 0) == 0 && !named) std::abort();
  }
  // The folder goes with every run, so that none outlives the fuzzer.
  fs::remove_all(g_folder);
  return 0;
}
