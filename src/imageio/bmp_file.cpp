// SPDX-License-Identifier: MIT
// BMP files: the Windows and OS/2 layouts at 1, 2, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed, with bit-field masks, or run-length encoded (RLE8, RLE4). Every read is
// measured against the file's length first, so a cut file is refused, never half-read.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imageio/picture_file.h"
#include "imageio/readers.h"

namespace glyphon::imageio {

namespace {

using R = Result<PictureFile>;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel of a 16- or 32-bit pixel: where its bits sit and how to widen them
// to 0-255 (the channel's largest value becomes 255).
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    max = mask >> shift;
  }
  int Level(std::uint32_t pixel) const noexcept {
    if (max == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<int>((std::uint64_t{v} * 255 + max / 2) / max);
  }
};

struct BmpHeader {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive; `topDown` says the row order
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t dataOffset = 0;
  std::array<Channel, 3> channels;  // red, green, blue
  std::vector<RgbColor> palette;
};

const char* const kTruncatedHeader = "the BMP file is truncated (its header is incomplete)";

Result<BmpHeader> ParseHeader(std::span<const std::uint8_t> bytes) {
  using H = Result<BmpHeader>;
  if (bytes.size() < 18) return H::Failure(kTruncatedHeader);
  BmpHeader h;
  h.dataOffset = Le32(bytes, 10);
  const std::uint32_t headerSize = Le32(bytes, 14);
  const bool core = headerSize == 12;
  if (!core && (headerSize < 16 || headerSize > 124)) {
    return H::Failure("the BMP header has an unknown size (" + std::to_string(headerSize) + " bytes)");
  }
  if (bytes.size() < 14 + std::size_t{headerSize}) return H::Failure(kTruncatedHeader);
  std::size_t after = 14 + headerSize;
  if (core) {
    h.width = Le16(bytes, 18);
    h.height = Le16(bytes, 20);
    h.bitsPerPixel = Le16(bytes, 24);
  } else {
    h.width = static_cast<std::int32_t>(Le32(bytes, 18));
    const auto height = static_cast<std::int32_t>(Le32(bytes, 22));
    h.topDown = height < 0;
    h.height = height < 0 ? -std::int64_t{height} : height;
    h.bitsPerPixel = Le16(bytes, 28);
    h.compression = headerSize >= 20 ? Le32(bytes, 30) : kRgb;
  }
  const int bits = h.bitsPerPixel;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return H::Failure("the BMP header gives " + std::to_string(bits) + " bits per pixel");
  }
  switch (h.compression) {
    case kRgb:
      break;
    case kRle8:
    case kRle4:
      if (bits != (h.compression == kRle8 ? 8 : 4) || h.topDown) {
        return H::Failure("the BMP file's run-length encoding does not fit its pixel depth");
      }
      break;
    case kBitFields:
    case kAlphaBitFields: {
      if (bits != 16 && bits != 32)
        return H::Failure("the BMP file has bit fields at " + std::to_string(bits) + " bits");
      // A 40-byte header keeps the masks after it; the later headers hold them inside.
      const std::size_t masksAt = headerSize >= 52 ? 54 : after;
      if (bytes.size() < masksAt + 12) return H::Failure(kTruncatedHeader);
      for (std::size_t c = 0; c < 3; ++c) h.channels[c] = Channel(Le32(bytes, masksAt + 4 * c));
      if (headerSize < 52) after += h.compression == kAlphaBitFields ? 16 : 12;
      break;
    }
    default:
      return H::Failure("the BMP file uses a compression this program cannot read (kind " +
                        std::to_string(h.compression) + ")");
  }
  if (h.compression == kRgb && bits == 16) {
    h.channels = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
  } else if (h.compression == kRgb && bits == 32) {
    h.channels = {Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};
  }
  if (bits <= 8) {
    const std::size_t entrySize = core ? 3 : 4;
    std::size_t count = std::size_t{1} << bits;
    if (!core && headerSize >= 36) {
      const std::uint32_t used = Le32(bytes, 46);
      if (used != 0 && used < count) count = used;
    }
    if (bytes.size() < after + count * entrySize)
      return H::Failure("the BMP file is truncated (in its colour table)");
    h.palette.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = after + i * entrySize;
      h.palette.push_back(Rgb(bytes[at + 2], bytes[at + 1], bytes[at]));
    }
  }
  return h;
}

// Bytes of one stored row: whole pixels, padded to a multiple of 4.
std::int64_t Stride(std::int64_t width, int bits) {
  return (width * bits + 31) / 32 * 4;
}

// The row of the picture that the `stored`-th row of the file fills.
int PictureRow(const BmpHeader& h, std::int64_t stored) {
  return static_cast<int>(h.topDown ? stored : h.height - 1 - stored);
}

// One uncompressed or bit-field row: the colours, and for an indexed file the indices
// when `indices` is not null.
void ConvertRow(const std::uint8_t* in, const BmpHeader& h, std::span<RgbColor> row, std::uint8_t* indices) {
  const std::size_t width = row.size();
  switch (h.bitsPerPixel) {
    case 24:
      for (std::size_t x = 0; x < width; ++x, in += 3) row[x] = Rgb(in[2], in[1], in[0]);
      break;
    case 16:
    case 32: {
      const std::size_t size = static_cast<std::size_t>(h.bitsPerPixel) / 8;
      for (std::size_t x = 0; x < width; ++x, in += size) {
        std::uint32_t pixel = in[0] | static_cast<std::uint32_t>(in[1]) << 8;
        if (size == 4)
          pixel |= static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
        row[x] = Rgb(h.channels[0].Level(pixel), h.channels[1].Level(pixel), h.channels[2].Level(pixel));
      }
      break;
    }
    default: {
      const int bits = h.bitsPerPixel;
      const unsigned mask = (1u << bits) - 1u;
      const std::size_t paletteSize = h.palette.size();
      for (std::size_t x = 0; x < width; ++x) {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        const auto index = static_cast<std::uint8_t>(
            (unsigned{in[bit / 8]} >> (8 - bits - static_cast<int>(bit % 8))) & mask);
        row[x] = index < paletteSize ? h.palette[index] : kBlack;
        if (indices != nullptr) indices[x] = index;
      }
    }
  }
}

// Uncompressed and bit-field rows: `data` holds whole stored rows from the `first`.
void ReadRows(std::span<const std::uint8_t> data, std::int64_t first, const BmpHeader& h, PictureFile& out) {
  const std::int64_t stride = Stride(h.width, h.bitsPerPixel);
  const auto width = static_cast<std::size_t>(h.width);
  const std::int64_t end = first + static_cast<std::int64_t>(data.size()) / stride;
  for (std::int64_t stored = first; stored < end; ++stored) {
    const int y = PictureRow(h, stored);
    std::uint8_t* indices =
        out.indices.empty() ? nullptr : out.indices.data() + static_cast<std::size_t>(y) * width;
    ConvertRow(data.data() + (stored - first) * stride, h, out.pixels.Row(y), indices);
  }
}

// RLE8 and RLE4: pairs of (count, index) runs and escapes (0,0 end of row; 0,1 end of
// picture; 0,2,dx,dy a jump; 0,n n literal indices padded to a 16-bit boundary). The
// rows run bottom-up. Data that ends before the end-of-picture escape is a cut file.
Status ReadRunLengths(std::span<const std::uint8_t> data, const BmpHeader& h,
                      std::vector<std::uint8_t>& indices) {
  const bool four = h.compression == kRle4;
  const std::int64_t width = h.width, height = h.height;
  std::int64_t x = 0, y = 0;  // y counts stored rows, bottom first
  std::size_t at = 0;
  auto put = [&](std::uint8_t index) {
    if (x < width && y < height) {
      indices[static_cast<std::size_t>(PictureRow(h, y)) * static_cast<std::size_t>(width) +
              static_cast<std::size_t>(x)] = index;
    }
    ++x;
  };
  const Status truncated = Status::Failure("the BMP file is truncated (its run-length data ends early)");
  for (;;) {
    if (at + 2 > data.size()) return truncated;
    const unsigned count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) {
        put(static_cast<std::uint8_t>(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value));
      }
      continue;
    }
    if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return Status::Success();
    } else if (value == 2) {
      if (at + 2 > data.size()) return truncated;
      x += data[at];
      y += data[at + 1];
      at += 2;
    } else {
      const std::size_t stored = four ? (value + 1) / 2 : value;
      const std::size_t padded = (stored + 1) / 2 * 2;
      if (at + padded > data.size()) return truncated;
      for (unsigned i = 0; i < value; ++i) {
        const std::uint8_t byte = data[at + (four ? i / 2 : i)];
        put(static_cast<std::uint8_t>(four ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte));
      }
      at += padded;
    }
  }
}

}  // namespace

namespace {

bool RunLengths(const BmpHeader& h) {
  return h.compression == kRle8 || h.compression == kRle4;
}

// The checks before any pixel is allocated, against the length of the whole file: the
// header's size passes the limits and the pixel data is all there, so a cut or lying file
// costs nothing.
Status CheckSizes(const BmpHeader& h, std::uint64_t fileSize, RowsReach reach = RowsReach::PictureLimits) {
  if (reach == RowsReach::Tall && !platform::FitsPictureRows(h.width, h.height))
    return Status::Failure("the BMP picture is too large to read by rows");
  if (std::string problem = platform::PictureSizeProblem(h.width, h.height, "the BMP picture is");
      reach == RowsReach::PictureLimits && h.width > 0 && h.height > 0 && !problem.empty()) {
    return Status::Failure(std::move(problem));
  }
  if (h.dataOffset > fileSize)
    return Status::Failure("the BMP file is truncated (its pixel data is missing)");
  if (!RunLengths(h) && h.width > 0 && h.height > 0) {
    const std::int64_t need = Stride(h.width, h.bitsPerPixel) * h.height;
    const auto have = static_cast<std::int64_t>(fileSize - h.dataOffset);
    if (have < need) {
      return Status::Failure("the BMP file is truncated (" + std::to_string(have) +
                             " bytes of pixel data where its header says " + std::to_string(need) + ")");
    }
  }
  return Status::Success();
}

// The picture and, for an indexed file whose caller wants them, a plane for its indices.
Result<PictureFile> NewBmpPicture(const BmpHeader& h, Want want) {
  auto pixels = NewPicture(h.width, h.height, "the BMP");
  if (!pixels) return R::Failure(pixels.Error());
  PictureFile out;
  out.pixels = std::move(pixels).Value();
  if (h.bitsPerPixel <= 8) {
    out.palette = h.palette;
    if (want == Want::ColoursAndIndices || RunLengths(h)) out.indices.assign(out.pixels.PixelCount(), 0);
  }
  return out;
}

// A header, a colour table of 256 entries and the masks fit in this many bytes.
constexpr std::uint64_t kHeadBytes = 2048;
// Uncompressed rows are read from a file this many bytes at a time (at least one row).
constexpr std::int64_t kRowChunkBytes = std::int64_t{1} << 20;

}  // namespace

Result<PictureFile> ReadBmp(std::span<const std::uint8_t> bytes, Want want) {
  auto parsed = ParseHeader(bytes);
  if (!parsed) return R::Failure(parsed.Error());
  const BmpHeader& h = parsed.Value();
  if (Status sizes = CheckSizes(h, bytes.size()); !sizes) return R::Failure(sizes.error);
  auto made = NewBmpPicture(h, want);
  if (!made) return made;
  PictureFile& out = made.Value();
  const auto data = bytes.subspan(h.dataOffset);
  if (RunLengths(h)) {
    if (Status read = ReadRunLengths(data, h, out.indices); !read) return R::Failure(read.error);
    const std::size_t paletteSize = h.palette.size();
    const std::uint8_t* index = out.indices.data();
    for (int y = 0; y < out.pixels.Height(); ++y) {
      for (RgbColor& c : out.pixels.Row(y)) {
        c = *index < paletteSize ? h.palette[*index] : kBlack;
        ++index;
      }
    }
    if (want == Want::Colours) out.indices = {};
  } else {
    ReadRows(data.first(static_cast<std::size_t>(Stride(h.width, h.bitsPerPixel) * h.height)), 0, h, out);
  }
  return made;
}

Result<PictureFile> ReadBmpFile(const platform::RangeFile& file, Want want) {
  const std::uint64_t size = file.Size();
  auto head = file.Read({0, std::min(size, kHeadBytes)});
  if (!head) return R::Failure(head.Error());
  auto parsed = ParseHeader(head.Value());
  if (!parsed) return R::Failure(parsed.Error());
  const BmpHeader& h = parsed.Value();
  // Run-length data is read whole: it is no larger than the indices it encodes.
  if (RunLengths(h) || h.width <= 0 || h.height <= 0) {
    auto all = file.Read({0, size});
    if (!all) return R::Failure(all.Error());
    return ReadBmp(all.Value(), want);
  }
  if (Status sizes = CheckSizes(h, size); !sizes) return R::Failure(sizes.error);
  auto made = NewBmpPicture(h, want);
  if (!made) return made;
  // The rows pass through one buffer of whole rows; the picture is the only full-size one.
  const std::int64_t stride = Stride(h.width, h.bitsPerPixel);
  const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, kRowChunkBytes / stride);
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min(rowsPerChunk, h.height) * stride));
  for (std::int64_t first = 0; first < h.height; first += rowsPerChunk) {
    const std::int64_t rows = std::min(rowsPerChunk, h.height - first);
    const auto piece = std::span(chunk).first(static_cast<std::size_t>(rows * stride));
    if (Status read = file.ReadAt(h.dataOffset + static_cast<std::uint64_t>(first * stride), piece); !read)
      return R::Failure(read.error);
    ReadRows(piece, first, h, made.Value());
  }
  return made;
}

namespace {

// An uncompressed BMP read from disk a stretch of stored rows at a time, handed out top
// row first: a bottom-up file's stretches are read from its end.
class BmpRows final : public PictureRows {
 public:
  BmpRows(platform::RangeFile file, BmpHeader header)
      : PictureRows(static_cast<int>(header.width), static_cast<int>(header.height)),
        m_file(std::move(file)),
        m_header(std::move(header)),
        m_stride(Stride(m_header.width, m_header.bitsPerPixel)),
        m_rowsPerChunk(std::max<std::int64_t>(1, kRowChunkBytes / m_stride)) {
    if (m_header.bitsPerPixel <= 8) SetPalette(m_header.palette);
  }

 private:
  Status ReadRow(std::span<RgbColor> row, std::span<std::uint8_t> indices) override {
    const std::int64_t stored = m_header.topDown ? m_y : m_header.height - 1 - m_y;
    if (stored < m_chunkFirst || stored >= m_chunkFirst + m_chunkRows) {
      // The stretch that holds this row and those that come after it.
      m_chunkRows = std::min(m_rowsPerChunk, m_header.height);
      m_chunkFirst = m_header.topDown ? stored : std::max<std::int64_t>(0, stored - m_chunkRows + 1);
      m_chunkRows = std::min(m_chunkRows, m_header.height - m_chunkFirst);
      m_chunk.resize(static_cast<std::size_t>(m_chunkRows * m_stride));
      if (Status read = m_file.ReadAt(
              m_header.dataOffset + static_cast<std::uint64_t>(m_chunkFirst * m_stride), m_chunk);
          !read)
        return read;
    }
    const bool wanted = !indices.empty() && m_header.bitsPerPixel <= 8;
    ConvertRow(m_chunk.data() + (stored - m_chunkFirst) * m_stride, m_header, row,
               wanted ? indices.data() : nullptr);
    ++m_y;
    return Status::Success();
  }

  platform::RangeFile m_file;
  BmpHeader m_header;
  std::int64_t m_stride;
  std::int64_t m_rowsPerChunk;
  std::int64_t m_y = 0;  // the next picture row
  std::int64_t m_chunkFirst = 0;
  std::int64_t m_chunkRows = 0;
  std::vector<std::uint8_t> m_chunk;
};

}  // namespace

std::unique_ptr<PictureRows> OpenBmpRows(platform::RangeFile file, RowsReach reach) {
  auto head = file.Read({0, std::min(file.Size(), kHeadBytes)});
  if (!head) return nullptr;
  auto parsed = ParseHeader(head.Value());
  if (!parsed) return nullptr;
  BmpHeader& h = parsed.Value();
  if (h.width <= 0 || h.height <= 0) return nullptr;
  Status sizes = CheckSizes(h, file.Size(), reach);
  if (sizes && !RunLengths(h)) return std::make_unique<BmpRows>(std::move(file), std::move(h));
  // Within the limits the whole-picture reader takes it or tells why not; beyond them the
  // rows tell why they cannot be read.
  if (reach != RowsReach::Tall || platform::FitsPictureLimits(h.width, h.height) ||
      !platform::FitsPictureRows(h.width, h.height))
    return nullptr;
  if (sizes) {
    sizes = Status::Failure("the BMP file is run-length encoded, which is read only whole, and so at most " +
                            std::to_string(kMaxPictureSide) + " rows tall; save it uncompressed");
  }
  return std::make_unique<UnreadableRows>(static_cast<int>(h.width), static_cast<int>(h.height), sizes.error);
}

Status WriteBmpRows(int width, int height, const RowAt& rowAt, platform::ByteSink& sink) {
  // A 14-byte file header and a 40-byte info header, then bottom-up BGR rows padded to
  // multiples of 4 bytes.
  const auto stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
  const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(height);
  std::array<std::uint8_t, 54> head{};
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    head[at] = static_cast<std::uint8_t>(v);
    head[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    put16(at, v);
    put16(at + 2, v >> 16);
  };
  head[0] = 'B';
  head[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put16(26, 1);   // planes
  put16(28, 24);  // bits per pixel
  put32(34, dataSize);
  put32(38, 2835);  // 72 dots per inch, in dots per metre
  put32(42, 2835);
  sink.Expect(54 + std::uint64_t{dataSize});
  if (Status written = sink.Write(head); !written) return written;
  // Rows pass through a buffer of about 64 KiB of whole rows.
  const std::size_t rowsPerWrite = std::max<std::size_t>(1, (std::size_t{1} << 16) / stride);
  std::vector<std::uint8_t> buffer(rowsPerWrite * stride, 0);
  std::size_t filled = 0;
  for (int y = height - 1; y >= 0; --y) {
    const std::span<const RgbColor> row = rowAt(y);
    if (row.size() != static_cast<std::size_t>(width))
      return Status::Failure("row " + std::to_string(y) + " is missing");
    std::uint8_t* line = buffer.data() + filled * stride;
    for (RgbColor c : row) {
      *line++ = static_cast<std::uint8_t>(BlueOf(c));
      *line++ = static_cast<std::uint8_t>(GreenOf(c));
      *line++ = static_cast<std::uint8_t>(RedOf(c));
    }
    if (++filled < rowsPerWrite && y > 0) continue;
    if (Status written = sink.Write(std::span(buffer).first(filled * stride)); !written) return written;
    filled = 0;
  }
  return Status::Success();
}

ByteString BmpFileBytes(const platform::Surface& picture) {
  ByteString out;
  platform::StringSink sink(out);
  const RowAt rowAt = [&picture](int y) { return picture.Row(y); };
  static_cast<void>(WriteBmpRows(picture.Width(), picture.Height(), rowAt, sink));
  return out;
}

}  // namespace glyphon::imageio
