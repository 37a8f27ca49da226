// SPDX-License-Identifier: MIT
#pragma once

// Known answers kept as files: under golden/<format>/ each case is a picture in plain-text
// netpbm (P2 grey or P3 colour, maximum 255) and the bytes it encodes to in the same name
// with ".bin". A "# rect X Y W H" comment gives a selection other than the whole picture.
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "core/surface.h"
#include "formats/format_table.h"

namespace glyphon::formats::golden {

struct Case {
  Surface picture;
  Selection selection;
};

// The folder of a format's cases: its CLI name with '/' as '-'.
inline std::filesystem::path FolderOf(const std::filesystem::path& root, const FormatInfo& format) {
  std::string name = CliName(format);
  for (char& ch : name) ch = ch == '/' ? '-' : ch;
  return root / name;
}

// The next number of a netpbm text, skipping comments; a "# rect" comment is kept.
inline bool NextNumber(std::istream& in, int& value, std::optional<Selection>& rect) {
  for (;;) {
    in >> std::ws;
    if (in.peek() != '#') return static_cast<bool>(in >> value);
    std::string comment;
    std::getline(in, comment);
    std::istringstream words(comment);
    std::string hash, keyword;
    Selection s;
    if (words >> hash >> keyword >> s.x >> s.y >> s.width >> s.height && keyword == "rect") rect = s;
  }
}

inline std::optional<Case> ReadPicture(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string magic;
  in >> magic;
  const int channels = magic == "P2" ? 1 : magic == "P3" ? 3 : 0;
  std::optional<Selection> rect;
  int width = 0, height = 0, maximum = 0;
  if (channels == 0 || !NextNumber(in, width, rect) || !NextNumber(in, height, rect) ||
      !NextNumber(in, maximum, rect) || maximum != 255) {
    return std::nullopt;
  }
  Case c{Surface::Picture(width, height), rect.value_or(Selection{0, 0, width, height})};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v[3] = {0, 0, 0};
      for (int i = 0; i < channels; ++i) {
        if (!NextNumber(in, v[i], rect)) return std::nullopt;
      }
      c.picture.SetPixel(x, y, channels == 1 ? GreyColor(v[0]) : Rgb(v[0], v[1], v[2]));
    }
  }
  return c;
}

inline ByteString ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return ByteString(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& file, const ByteString& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace glyphon::formats::golden
