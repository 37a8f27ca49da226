// SPDX-License-Identifier: MIT
#include "formats/format_table.h"

#include <gtest/gtest.h>

#include <set>

#include "formats/decoding.h"
#include "formats/file_filters.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

TEST(FormatTable, FilterListsOfPlainAndPartnerFormats) {
  using V = std::vector<std::string_view>;
  const V load{"bmp", "png", "gif", "jpg", "jpeg"};
  const V save{"bmp", "png"};
  const V dat{"dat"};
  const FileFilter all{"All", {}, std::nullopt};
  EXPECT_EQ(
      LoadFilters(Format(8)),
      (std::vector<FileFilter>{{"Bitmap", load, FileKind::Picture}, {"ROM data", dat, FileKind::Data}, all}));
  EXPECT_EQ(SaveFilters(Format(0)), (std::vector<FileFilter>{{"Bitmap", save, FileKind::Picture},
                                                             {"ROM data", dat, FileKind::Data}}));
  EXPECT_EQ(LoadFilters(Format(11)),
            (std::vector<FileFilter>{{"Bitmap", load, FileKind::Picture},
                                     {"Bitmap FX high data", load, FileKind::PartnerPicture},
                                     {"ROM data", dat, FileKind::Data},
                                     {"ROM FX high data", dat, FileKind::PartnerData},
                                     all}));
  EXPECT_EQ(SaveFilters(Format(18)),
            (std::vector<FileFilter>{{"Bitmap", save, FileKind::Picture},
                                     {"Bitmap 32bpp N64 alpha data", save, FileKind::PartnerPicture},
                                     {"ROM data", dat, FileKind::Data},
                                     {"ROM 32bpp N64 alpha data", dat, FileKind::PartnerData}}));
  EXPECT_EQ(PictureSaveFilters(), (std::vector<FileFilter>{{"Bitmap", save, FileKind::Picture}}));
}

TEST(FormatTable, EveryFormatIsFoundByCaptionIndexAndCliName) {
  std::set<std::string> names;
  for (const FormatInfo& format : Formats()) {
    EXPECT_EQ(FindFormat(format.caption), &format);
    EXPECT_EQ(FindFormat(std::to_string(format.index)), &format);
    EXPECT_EQ(FindFormat(CliName(format)), &format);
    names.insert(CliName(format));
  }
  EXPECT_EQ(names.size(), Formats().size());
  EXPECT_EQ(CliName(Format(17)), "16bpp-n64-high");
  EXPECT_EQ(CliName(Format(2)), "2bpp-snes/gb");
  const std::vector<std::string> bad{
      "", std::to_string(kFormatCount), "-1", "4BPP SNES", "4bpp", " 4bpp SNES", "08x"};
  for (const std::string& name : bad) {
    EXPECT_EQ(FindFormat(name), nullptr) << name;
  }
}

// Every alias names one format only and is no format's CLI name; the console names lead to
// the layouts those consoles store.
TEST(FormatTable, AliasesFindTheirConsolesFormats) {
  std::set<std::string> names;
  for (const FormatInfo& format : Formats()) names.insert(CliName(format));
  for (const FormatInfo& format : Formats()) {
    for (std::string_view alias : Aliases(format)) {
      EXPECT_TRUE(names.insert(std::string(alias)).second) << alias << " names two formats";
      EXPECT_EQ(FindFormat(alias), &format) << alias;
    }
  }
  const std::vector<std::pair<std::string, std::string_view>> consoles{{"8bpp-gba", "8bpp Mode7 Lin"},
                                                                       {"8bpp-nds", "8bpp Mode7 Lin"},
                                                                       {"2bpp-gb", "2bpp SNES/GB"},
                                                                       {"2bpp-gbc", "2bpp SNES/GB"},
                                                                       {"2bpp-ws", "2bpp SNES/GB"},
                                                                       {"4bpp-pce", "4bpp SNES"},
                                                                       {"4bpp-wsc-packed", "4bpp Genesis"},
                                                                       {"4bpp-psx", "4bpp Linear Rev"},
                                                                       {"8bpp-psx", "8bpp Linear"},
                                                                       {"4bpp-gg", "4bpp SMS"},
                                                                       {"4bpp-wsc", "4bpp SMS"},
                                                                       {"4bpp-nds", "4bpp GBA"},
                                                                       {"16bpp-gba", "16bpp BGR555"},
                                                                       {"16bpp-psx", "16bpp BGR555"},
                                                                       {"2bpp-ngpc", "2bpp NGP"}};
  for (const auto& [alias, caption] : consoles) {
    ASSERT_NE(FindFormat(alias), nullptr) << alias;
    EXPECT_EQ(FindFormat(alias)->caption, caption) << alias;
  }
  EXPECT_EQ(FindFormat("4BPP-NDS"), nullptr);
}

TEST(FormatTable, EveryFormatHasItsCodec) {
  for (const FormatInfo& format : Formats()) {
    EXPECT_NE(format.encode, nullptr) << format.caption;
    EXPECT_NE(format.decode, nullptr) << format.caption;
  }
}

TEST(FormatTable, PartnerFormatsAreTheFiveWithPartnerNames) {
  std::vector<int> partners;
  for (const FormatInfo& format : Formats()) {
    if (format.HasPartner()) partners.push_back(format.index);
  }
  EXPECT_EQ(partners, (std::vector<int>{11, 12, 14, 17, 18}));
  EXPECT_EQ(Format(11).partnerName, "SuperFX high");
  EXPECT_EQ(Format(14).partnerName, "Mode7 interleave");
}

// Tile sets are encoded as one column of tiles, so a tiled format must store a column of N
// tiles, and a row of them too, as the N tiles one after the other; the linear formats lay
// a row out by pixel rows instead.
TEST(FormatTable, TiledFormatsStoreAColumnOrARowOfTilesAsTheTilesInOrder) {
  platform::NullProgress progress;
  const int count = 3;
  const Surface column = test::RandomPicture(8, 8 * count, 7);
  Surface row = Surface::Picture(8 * count, 8);
  for (int t = 0; t < count; ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) row.SetPixel(8 * t + x, y, column.GetPixel(x, 8 * t + y));
    }
  }
  for (const FormatInfo& format : Formats()) {
    SCOPED_TRACE(format.caption);
    PartnerState partner;
    if (format.HasPartner()) {
      EXPECT_FALSE(format.tiled) << "a tile set is encoded without partner data";
      continue;
    }
    ByteString tiles;
    for (int t = 0; t < count; ++t) {
      const ByteString one =
          Encode(format, column.Crop(0, 8 * t, 8, 8), {0, 0, 8, 8}, partner, progress).Value();
      tiles.insert(tiles.end(), one.begin(), one.end());
    }
    const bool columnInOrder =
        Encode(format, column, {0, 0, 8, 8 * count}, partner, progress).Value() == tiles;
    const bool rowInOrder = Encode(format, row, {0, 0, 8 * count, 8}, partner, progress).Value() == tiles;
    EXPECT_EQ(columnInOrder && rowInOrder, format.tiled);
  }
}

}  // namespace
}  // namespace glyphon::formats
