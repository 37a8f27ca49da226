// SPDX-License-Identifier: MIT
// Every format encodes the pictures under golden/<format>/ to the bytes beside them.
// GLYPHON_UPDATE_GOLDEN=1 (scripts/update_golden.sh) rewrites the .bin files from the
// encoders instead; a picture without its .bin fails otherwise.
#include "formats/golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "formats/decoding.h"

namespace glyphon::formats {
namespace {

class Golden : public ::testing::TestWithParam<int> {};

std::vector<std::filesystem::path> Pictures(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> pictures;
  if (!std::filesystem::is_directory(folder)) return pictures;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const auto extension = entry.path().extension();
    if (extension == ".pgm" || extension == ".ppm") pictures.push_back(entry.path());
  }
  std::sort(pictures.begin(), pictures.end());
  return pictures;
}

TEST_P(Golden, PicturesEncodeToTheirBytes) {
  const FormatInfo& format = Format(GetParam());
  const std::filesystem::path folder = golden::FolderOf(GLYPHON_GOLDEN_DIR, format);
  const bool update = std::getenv("GLYPHON_UPDATE_GOLDEN") != nullptr;
  const std::vector<std::filesystem::path> pictures = Pictures(folder);
  ASSERT_FALSE(pictures.empty()) << "no known answers in " << folder;
  for (const std::filesystem::path& file : pictures) {
    SCOPED_TRACE(file.filename().string());
    const std::optional<golden::Case> c = golden::ReadPicture(file);
    ASSERT_TRUE(c.has_value()) << "not a P2 or P3 picture of maximum 255";
    PartnerState partner;
    platform::NullProgress progress;
    const ByteString bytes = Encode(format, c->picture, c->selection, partner, progress).Value();
    std::filesystem::path bin = file;
    bin.replace_extension(".bin");
    if (update) {
      golden::WriteBytes(bin, bytes);
    } else {
      ASSERT_TRUE(std::filesystem::exists(bin));
      EXPECT_EQ(bytes, golden::ReadBytes(bin));
    }
  }
  if (update) GTEST_SKIP() << "rewrote the known answers of " << folder;
}

std::string FolderName(const ::testing::TestParamInfo<int>& info) {
  std::string name = golden::FolderOf("", Format(info.param)).string();
  std::replace_if(
      name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
  return "f" + std::to_string(info.param) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Table, Golden, ::testing::Range(0, kFormatCount), FolderName);

}  // namespace
}  // namespace glyphon::formats
