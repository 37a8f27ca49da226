// SPDX-License-Identifier: MIT
#include "formats/file_filters.h"

namespace glyphon::formats {

namespace {

std::vector<std::string_view> Extensions(std::span<const std::string_view> list) {
  return {list.begin(), list.end()};
}

// Bitmap, partner bitmap, ROM data and partner data entries; the partner entries only for
// a format with a partner ("Bitmap FX high data", "ROM FX high data").
std::vector<FileFilter> Entries(const FormatInfo& format, std::span<const std::string_view> pictures) {
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on sums of temporary
  // strings.
  const auto partner = [&format](std::string_view what) {
    return std::string(what).append(" ").append(format.partnerFilter).append(" data");
  };
  std::vector<FileFilter> entries;
  entries.push_back({"Bitmap", Extensions(pictures), FileKind::Picture});
  if (format.HasPartner())
    entries.push_back({partner("Bitmap"), Extensions(pictures), FileKind::PartnerPicture});
  entries.push_back({"ROM data", {"dat"}, FileKind::Data});
  if (format.HasPartner()) entries.push_back({partner("ROM"), {"dat"}, FileKind::PartnerData});
  return entries;
}

}  // namespace

std::vector<FileFilter> LoadFilters(const FormatInfo& format) {
  std::vector<FileFilter> entries = Entries(format, kLoadablePictureExtensions);
  entries.push_back({"All", {}, std::nullopt});
  return entries;
}

std::vector<FileFilter> SaveFilters(const FormatInfo& format) {
  return Entries(format, kSavablePictureExtensions);
}

std::vector<FileFilter> PictureSaveFilters() {
  return {{"Bitmap", Extensions(kSavablePictureExtensions), FileKind::Picture}};
}

}  // namespace glyphon::formats
