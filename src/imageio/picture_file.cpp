// SPDX-License-Identifier: MIT
#include "imageio/picture_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

#include "imageio/readers.h"
#include "platform/file_io.h"

namespace glyphon::imageio {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic, std::size_t at = 0) {
  return bytes.size() >= at + magic.size() && std::memcmp(bytes.data() + at, magic.data(), magic.size()) == 0;
}

Result<PictureFile> Read(std::span<const std::uint8_t> bytes, Want want) {
  using R = Result<PictureFile>;
  if (bytes.empty()) return R::Failure("the file is empty");
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return ReadPng(bytes, want);
  if (StartsWith(bytes, "BM")) return ReadBmp(bytes, want);
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return ReadGif(bytes, want);
  if (std::string kind = UnreadableKind(bytes); !kind.empty()) {
    return R::Failure("it is " + kind + " file, which this program cannot read (it reads PNG, BMP and GIF)");
  }
  return R::Failure("it is not a picture file");
}

Result<ByteString> ReadBytes(const std::filesystem::path& path) {
  return platform::ReadFileBytes(path);
}

// A regular BMP file within the limit is read from disk a stretch at a time; every other
// file (and every failure to open one) goes through its bytes.
Result<PictureFile> ReadPath(const std::filesystem::path& path, Want want) {
  if (auto file = platform::RangeFile::Open(path);
      file && file.Value().Size() <= platform::kPictureFileLimit.bytes) {
    std::uint8_t magic[2] = {};
    if (file.Value().ReadAt(0, magic) && magic[0] == 'B' && magic[1] == 'M')
      return ReadBmpFile(file.Value(), want);
  }
  auto bytes = ReadBytes(path);
  if (!bytes) return Result<PictureFile>::Failure(bytes.Error());
  return Read(bytes.Value(), want);
}

}  // namespace

std::unique_ptr<PictureRows> OpenPictureRows(const std::filesystem::path& path, RowsReach reach) {
  auto file = platform::RangeFile::Open(path);
  // A tall picture's file is never held, so no size is too large to read.
  if (!file || (reach == RowsReach::PictureLimits && file.Value().Size() > platform::kPictureFileLimit.bytes))
    return nullptr;
  std::uint8_t magic[8] = {};
  if (!file.Value().ReadAt(0, std::span(magic).first(std::min<std::size_t>(8, file.Value().Size()))))
    return nullptr;
  if (StartsWith(magic, "BM")) return OpenBmpRows(std::move(file).Value(), reach);
  if (StartsWith(magic, "\x89PNG\r\n\x1a\n")) return OpenPngRows(path, reach);
  return nullptr;
}

std::string UnreadableKind(std::span<const std::uint8_t> bytes) {
  if (StartsWith(bytes, "\xFF\xD8\xFF")) return "a JPEG";
  if (StartsWith(bytes, "II*\0") || StartsWith(bytes, std::string_view("MM\0*", 4))) return "a TIFF";
  if (StartsWith(bytes, "RIFF") && StartsWith(bytes, "WEBP", 8)) return "a WebP";
  if (StartsWith(bytes, "ftyp", 4)) return "an AVIF or HEIF";
  if (StartsWith(bytes, "qoif")) return "a QOI";
  if (StartsWith(bytes, "/* XPM */")) return "an XPM";
  if (StartsWith(bytes, std::string_view("\0\0\1\0", 4))) return "an icon (ICO)";
  if (bytes.size() >= 3 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6' &&
      std::isspace(bytes[2]) != 0) {
    return "a PNM (PBM, PGM or PPM)";
  }
  return {};
}

Result<PictureFile> ReadPictureFileBytes(std::span<const std::uint8_t> bytes) {
  return Read(bytes, Want::ColoursAndIndices);
}

Result<PictureFile> ReadPictureFile(const std::filesystem::path& path) {
  return ReadPath(path, Want::ColoursAndIndices);
}

Result<PictureFile> ReadPictureColours(const std::filesystem::path& path) {
  return ReadPath(path, Want::Colours);
}

Result<PictureFile> ReadPictureColoursBytes(std::span<const std::uint8_t> bytes) {
  return Read(bytes, Want::Colours);
}

Result<platform::Surface> ReadPictureBytes(std::span<const std::uint8_t> bytes) {
  auto file = Read(bytes, Want::Colours);
  if (!file) return Result<platform::Surface>::Failure(file.Error());
  return std::move(file.Value().pixels);
}

Result<platform::Surface> ReadPicture(const std::filesystem::path& path) {
  auto file = ReadPath(path, Want::Colours);
  if (!file) return Result<platform::Surface>::Failure(file.Error());
  return std::move(file.Value().pixels);
}

namespace {

// Compression settings, chosen by measuring 2048 by 2048 decodes (bench/README.md):
// level 6 keeps palette and grey files near their smallest at a fraction of the time of
// level 9; RGB rows of decoded pictures gain little from filtering.
constexpr int kIndexedLevel = 6;
constexpr int kRgbLevel = 6;
constexpr int kNoFilters = 0;

// The smallest PNG depth that holds `count` indices.
int DepthFor(std::size_t count) {
  for (int bits : {1, 2, 4, 8}) {
    if (count <= (std::size_t{1} << bits)) return bits;
  }
  return 0;
}

// Packs one row of `count` indices, index x being `indexOf(x)`, at kBits a pixel, the
// first pixel in the top bits; a last byte that is not full is padded with zero bits.
template <int kBits, typename IndexOf>
void PackRowAt(std::size_t count, const IndexOf& indexOf, std::uint8_t* out) {
  constexpr std::size_t kPerByte = 8 / kBits;
  std::size_t x = 0;
  for (; x + kPerByte <= count; x += kPerByte) {
    unsigned byte = 0;
    for (std::size_t k = 0; k < kPerByte; ++k) byte = byte << kBits | indexOf(x + k);
    *out++ = static_cast<std::uint8_t>(byte);
  }
  if (x == count) return;
  unsigned byte = 0;
  std::size_t k = 0;
  for (; x < count; ++x, ++k) byte = byte << kBits | indexOf(x);
  *out = static_cast<std::uint8_t>(byte << (kBits * (kPerByte - k)));
}

template <typename IndexOf>
void PackRow(int bits, std::size_t count, const IndexOf& indexOf, std::uint8_t* out) {
  switch (bits) {
    case 1:
      return PackRowAt<1>(count, indexOf, out);
    case 2:
      return PackRowAt<2>(count, indexOf, out);
    case 4:
      return PackRowAt<4>(count, indexOf, out);
    default:
      return PackRowAt<8>(count, indexOf, out);
  }
}

// Finds each pixel's index in a palette of at most 256 colours: by its red byte when the
// reds differ (the grey palettes and most others), else by a search that remembers the
// last hit.
class PaletteIndex {
 public:
  explicit PaletteIndex(std::span<const RgbColor> colours) : m_colours(colours) {
    m_colourOfRed.fill(kOutside);  // no pixel's colour
    for (std::size_t i = 0; i < colours.size(); ++i) {
      const auto red = static_cast<std::size_t>(RedOf(colours[i]));
      if (m_colourOfRed[red] != kOutside) m_redsDiffer = false;
      m_colourOfRed[red] = colours[i];
      m_indexOfRed[red] = static_cast<std::uint8_t>(i);
    }
  }
  bool RedsDiffer() const { return m_redsDiffer; }
  // When the reds differ: whether every colour of a row is one of them, with no branch a
  // pixel; and the index of a colour known to be one of them.
  bool HoldsRow(std::span<const RgbColor> row) const {
    bool missing = false;
    for (RgbColor c : row) missing |= m_colourOfRed[static_cast<std::size_t>(RedOf(c))] != c;
    return !missing;
  }
  const std::array<std::uint8_t, 256>& IndexOfRed() const { return m_indexOfRed; }

  // The index of `c`, or -1 when it is none of the colours.
  int IndexOf(RgbColor c) {
    if (m_redsDiffer) {
      const auto red = static_cast<std::size_t>(RedOf(c));
      return m_colourOfRed[red] == c ? m_indexOfRed[red] : -1;
    }
    if (m_last < m_colours.size() && m_colours[m_last] == c) return static_cast<int>(m_last);
    const auto found = std::find(m_colours.begin(), m_colours.end(), c);
    if (found == m_colours.end()) return -1;
    m_last = static_cast<std::size_t>(found - m_colours.begin());
    return static_cast<int>(m_last);
  }

 private:
  std::span<const RgbColor> m_colours;
  std::array<RgbColor, 256> m_colourOfRed{};
  std::array<std::uint8_t, 256> m_indexOfRed{};
  bool m_redsDiffer = true;
  std::size_t m_last = 0;
};

// True when every pixel is one of `colours` (at most 256 of them); stops at the first
// row that holds another.
bool AllIn(const platform::Surface& picture, std::span<const RgbColor> colours) {
  if (colours.empty() || colours.size() > 256) return false;
  PaletteIndex palette(colours);
  for (int y = 0; y < picture.Height(); ++y) {
    if (palette.RedsDiffer()) {
      if (!palette.HoldsRow(picture.Row(y))) return false;
      continue;
    }
    for (RgbColor c : picture.Row(y)) {
      if (palette.IndexOf(c) < 0) return false;
    }
  }
  return true;
}

// True when colour i is the grey i * 255 / (2^bits - 1) of a grey PNG of that depth.
bool IsGreyRamp(std::span<const RgbColor> colours, int bits) {
  const std::size_t count = std::size_t{1} << bits;
  if (colours.size() != count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (colours[i] != GreyColor(static_cast<int>(i * 255 / (count - 1)))) return false;
  }
  return true;
}

// Indices at `bits` a pixel, as grey levels when the palette is that depth's grey ramp.
PngLayout IndexedLayout(int width, int height, std::span<const RgbColor> palette, int bits, bool grey) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitDepth = bits;
  layout.colourType = grey ? kPngGrey : kPngIndexed;
  layout.palette = palette;
  layout.compressionLevel = kIndexedLevel;
  layout.filters = kNoFilters;
  return layout;
}

// Each row's indices are packed as they come, so no plane of indices is held for the
// whole picture. With `colours` (at most 256) every pixel is one of them and the file holds
// indices; a row that holds another colour stops the write. Without, 8-bit RGB.
Status WritePngRows(int width, int height, const RowAt& rowAt, std::span<const RgbColor> colours,
                    bool checkRows, platform::ByteSink& sink) {
  const auto count = static_cast<std::size_t>(width);
  Status missing = Status::Success();
  // A row that cannot be had, or holds a colour beyond the palette, is written as zeros
  // and fails the write once the file is done.
  auto rowOf = [&](int y) {
    std::span<const RgbColor> row = rowAt(y);
    if (row.size() != count && missing) missing = Status::Failure("row " + std::to_string(y) + " is missing");
    return row.size() == count ? row.data() : nullptr;
  };
  if (!colours.empty()) {
    const int bits = DepthFor(colours.size());
    PaletteIndex palette(colours);
    const PngLayout layout = IndexedLayout(width, height, colours, bits, IsGreyRamp(colours, bits));
    const std::size_t rowBytes = (count * static_cast<std::size_t>(bits) + 7) / 8;
    const std::array<std::uint8_t, 256>& indexOfRed = palette.IndexOfRed();
    Status written = EncodePngTo(
        layout,
        [&](int y, std::uint8_t* row) {
          const RgbColor* pixels = rowOf(y);
          if (pixels != nullptr && palette.RedsDiffer() &&
              (!checkRows || palette.HoldsRow({pixels, count}))) {
            const auto index = [&](std::size_t x) {
              return unsigned{indexOfRed[std::size_t(RedOf(pixels[x]))]};
            };
            PackRow(bits, count, index, row);
            return;
          }
          bool held = pixels != nullptr;
          for (std::size_t x = 0; held && x < count; ++x) held = palette.IndexOf(pixels[x]) >= 0;
          if (!held) {
            if (pixels != nullptr && missing)
              missing = Status::Failure("a pixel's colour lies beyond the palette");
            std::fill_n(row, rowBytes, std::uint8_t{0});
            return;
          }
          const auto index = [&](std::size_t x) { return static_cast<unsigned>(palette.IndexOf(pixels[x])); };
          PackRow(bits, count, index, row);
        },
        sink);
    return written ? missing : written;
  }
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.compressionLevel = kRgbLevel;
  layout.filters = kNoFilters;
  Status written = EncodePngTo(
      layout,
      [&](int y, std::uint8_t* row) {
        const RgbColor* pixels = rowOf(y);
        if (pixels == nullptr) {
          std::fill_n(row, count * 3, std::uint8_t{0});
          return;
        }
        for (std::size_t x = 0; x < count; ++x) {
          const RgbColor c = pixels[x];
          *row++ = static_cast<std::uint8_t>(RedOf(c));
          *row++ = static_cast<std::uint8_t>(GreenOf(c));
          *row++ = static_cast<std::uint8_t>(BlueOf(c));
        }
      },
      sink);
  return written ? missing : written;
}

Result<ByteString> PngFileBytes(const platform::Surface& picture, std::span<const RgbColor> colours) {
  ByteString out;
  platform::StringSink sink(out);
  const RowAt rowAt = [&picture](int y) { return picture.Row(y); };
  // The colours are checked here once for the whole picture, to choose the file's kind.
  const Status written =
      WritePngRows(picture.Width(), picture.Height(), rowAt,
                   AllIn(picture, colours) ? colours : std::span<const RgbColor>(), false, sink);
  if (!written) return Result<ByteString>::Failure(written.error);
  return out;
}

std::string LowerExtension(const std::filesystem::path& name) {
  std::string extension = name.extension().string();
  std::ranges::transform(extension, extension.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return extension;
}

}  // namespace

namespace {

// Why a palette PNG of these cannot be written, or empty.
std::string IndexedPngProblem(int width, int height, std::span<const RgbColor> palette, int bitDepth) {
  if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8)
    return "a palette PNG holds 1, 2, 4 or 8 bits a pixel, not " + std::to_string(bitDepth);
  if (width <= 0 || height <= 0) return "the picture is empty (0 pixels)";
  if (palette.empty() || palette.size() > (std::size_t{1} << bitDepth)) {
    return "a palette of " + std::to_string(palette.size()) + " colours does not fit " +
           std::to_string(bitDepth) + " bits";
  }
  return {};
}

std::string IndexBeyond(std::size_t colours) {
  return "an index lies beyond the palette of " + std::to_string(colours) + " colours";
}

}  // namespace

Result<ByteString> IndexedPngBytes(int width, int height, std::span<const std::uint8_t> indices,
                                   std::span<const RgbColor> palette, int bitDepth) {
  using B = Result<ByteString>;
  if (std::string problem = IndexedPngProblem(width, height, palette, bitDepth); !problem.empty())
    return B::Failure(problem);
  if (indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return B::Failure("the indices do not fill " + std::to_string(width) + " by " + std::to_string(height) +
                      " pixels");
  }
  if (std::ranges::any_of(indices, [&](std::uint8_t i) { return i >= palette.size(); }))
    return B::Failure(IndexBeyond(palette.size()));
  const auto rowWidth = static_cast<std::size_t>(width);
  ByteString out;
  platform::StringSink sink(out);
  const Status written = WriteIndexedPngRows(
      width, height, [&](int y) { return indices.subspan(static_cast<std::size_t>(y) * rowWidth, rowWidth); },
      palette, bitDepth, sink);
  if (!written) return B::Failure(written.error);
  return out;
}

Status WriteIndexedPngRows(int width, int height, const IndexRowAt& indicesAt,
                           std::span<const RgbColor> palette, int bitDepth, platform::ByteSink& sink) {
  if (std::string problem = IndexedPngProblem(width, height, palette, bitDepth); !problem.empty())
    return Status::Failure(problem);
  const auto rowWidth = static_cast<std::size_t>(width);
  const std::size_t rowBytes = (rowWidth * static_cast<std::size_t>(bitDepth) + 7) / 8;
  // A row that cannot be had, or holds an index beyond the palette, is written as zeros and
  // fails the write once the file is done.
  Status missing = Status::Success();
  const Status written = EncodePngTo(
      IndexedLayout(width, height, palette, bitDepth, false),
      [&](int y, std::uint8_t* row) {
        const std::span<const std::uint8_t> from = indicesAt(y);
        if (from.size() != rowWidth ||
            std::ranges::any_of(from, [&](std::uint8_t i) { return i >= palette.size(); })) {
          if (missing)
            missing = Status::Failure(from.size() != rowWidth ? "row " + std::to_string(y) + " is missing"
                                                              : IndexBeyond(palette.size()));
          std::fill_n(row, rowBytes, std::uint8_t{0});
          return;
        }
        const auto index = [&](std::size_t x) { return unsigned{from[x]}; };
        PackRow(bitDepth, rowWidth, index, row);
      },
      sink);
  return written ? missing : written;
}

Result<ByteString> PictureFileBytes(const std::filesystem::path& name, const platform::Surface& picture,
                                    std::span<const RgbColor> colours) {
  using B = Result<ByteString>;
  if (picture.IsEmpty()) return B::Failure("the picture is empty (0 pixels)");
  const std::string extension = LowerExtension(name);
  if (extension == ".png") return PngFileBytes(picture, colours);
  if (extension == ".bmp" || extension.empty()) return BmpFileBytes(picture);
  return B::Failure("no picture format is known for the extension \"" + extension +
                    "\" (pictures are written as .png or .bmp)");
}

Status WritePictureRows(const std::filesystem::path& name, int width, int height, const RowAt& rowAt,
                        std::span<const RgbColor> colours, platform::ByteSink& sink) {
  if (width <= 0 || height <= 0) return Status::Failure("the picture is empty (0 pixels)");
  const std::string extension = LowerExtension(name);
  if (extension == ".png") {
    const bool indexed = !colours.empty() && colours.size() <= 256;
    return WritePngRows(width, height, rowAt, indexed ? colours : std::span<const RgbColor>(), true, sink);
  }
  if (extension == ".bmp" || extension.empty()) return WriteBmpRows(width, height, rowAt, sink);
  return Status::Failure("no picture format is known for the extension \"" + extension +
                         "\" (pictures are written as .png or .bmp)");
}

Status WritePicture(const std::filesystem::path& path, const platform::Surface& picture,
                    std::span<const RgbColor> colours) {
  auto bytes = PictureFileBytes(path, picture, colours);
  if (!bytes) return Status::Failure(bytes.Error());
  return platform::WriteFileAtomic(path, bytes.Value());
}

Status WriteBitmap(const std::filesystem::path& path, const platform::Surface& picture) {
  if (picture.IsEmpty()) return Status::Failure("the picture is empty (0 pixels)");
  return platform::WriteFileAtomic(path, BmpFileBytes(picture));
}

std::string BmpBytes(const platform::Surface& picture) {
  if (picture.IsEmpty()) return {};
  const ByteString bytes = BmpFileBytes(picture);
  return std::string(bytes.begin(), bytes.end());
}
}  // namespace glyphon::imageio
