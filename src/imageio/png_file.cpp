// SPDX-License-Identifier: MIT
// PNG files through libspng, decoded row by row straight into the picture's rows and
// encoded row by row into the output bytes.
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "imageio/picture_file.h"
#include "imageio/readers.h"

namespace glyphon::imageio {

namespace {

using R = Result<PictureFile>;

struct ContextFree {
  void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

bool IsCut(int error) {
  return error == SPNG_IO_EOF || error == SPNG_EOF || error == SPNG_EIDAT_TOO_SHORT;
}

std::string Problem(int error) {
  if (IsCut(error)) return "the PNG file is truncated";
  return std::string("the PNG file is damaged (") + spng_strerror(error) + ")";
}

// Decodes a picture that is not interlaced one row at a time in the file's own packing,
// handing each row to `put(y, row)`.
template <typename Put>
Status ForEachRow(spng_ctx* ctx, std::uint32_t height, std::size_t rowBytes, Put&& put) {
  if (int error = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE); error != 0) {
    return Status::Failure(Problem(error));
  }
  std::vector<std::uint8_t> packed(rowBytes);
  for (std::uint32_t y = 0; y < height; ++y) {
    const int error = spng_decode_row(ctx, packed.data(), packed.size());
    if (error != 0 && error != SPNG_EOI) return Status::Failure(Problem(error));
    put(y, packed.data());
  }
  return Status::Success();
}

// What the pixels of one packed byte of 1-, 2-, 4- or 8-bit samples stand for, first
// pixel (top bits) first: a row is expanded with one look-up and one short copy a byte
// rather than a shift and a mask a pixel.
template <typename T>
class ByteTable {
 public:
  // `ofValue` gives what each of the 2^bits sample values stands for.
  ByteTable(int bits, std::span<const T> ofValue)
      : m_perByte(8 / bits), m_table(256 * std::size_t(8 / bits)) {
    const unsigned mask = (1u << bits) - 1u;
    for (std::size_t byte = 0; byte < 256; ++byte) {
      for (int k = 0; k < m_perByte; ++k) {
        m_table[byte * std::size_t(m_perByte) + std::size_t(k)] =
            ofValue[(byte >> (8 - bits * (k + 1))) & mask];
      }
    }
  }

  void Expand(const std::uint8_t* packed, std::span<T> row) const {
    switch (m_perByte) {
      case 1:
        for (std::size_t x = 0; x < row.size(); ++x) row[x] = m_table[packed[x]];
        return;
      case 2:
        return ExpandAt<2>(packed, row);
      case 4:
        return ExpandAt<4>(packed, row);
      default:
        return ExpandAt<8>(packed, row);
    }
  }

 private:
  // The copies are of a fixed size, so they compile to a few moves.
  template <std::size_t kPerByte>
  void ExpandAt(const std::uint8_t* packed, std::span<T> row) const {
    const std::size_t whole = row.size() / kPerByte;
    T* to = row.data();
    for (std::size_t i = 0; i < whole; ++i, to += kPerByte) {
      std::memcpy(to, &m_table[packed[i] * kPerByte], kPerByte * sizeof(T));
    }
    if (const std::size_t rest = row.size() % kPerByte; rest != 0) {
      std::memcpy(to, &m_table[packed[whole] * kPerByte], rest * sizeof(T));
    }
  }

  int m_perByte;
  std::vector<T> m_table;
};

// The rows of an indexed picture as stored indices. Interlaced files are decoded whole
// (the passes fill every row in turn); the others one row at a time.
Status ReadIndexed(spng_ctx* ctx, const spng_ihdr& ihdr, PictureFile& out, Want want) {
  spng_plte plte{};
  if (int error = spng_get_plte(ctx, &plte); error != 0) return Status::Failure(Problem(error));
  for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
    out.palette.push_back(Rgb(plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue));
  }
  // An index beyond the palette draws black.
  std::array<RgbColor, 256> colourOf{};
  std::array<std::uint8_t, 256> identity{};
  for (std::size_t i = 0; i < 256; ++i) {
    colourOf[i] = i < out.palette.size() ? out.palette[i] : kBlack;
    identity[i] = static_cast<std::uint8_t>(i);
  }
  const ByteTable<RgbColor> colours(ihdr.bit_depth, colourOf);
  const ByteTable<std::uint8_t> indices(ihdr.bit_depth, identity);
  // tRNS gives the alpha of the first entries; the others are opaque.
  spng_trns trns{};
  const bool hasAlpha = spng_get_trns(ctx, &trns) == 0 && trns.n_type3_entries > 0;
  std::array<std::uint8_t, 256> alphaOf{};
  alphaOf.fill(255);
  for (std::uint32_t i = 0; hasAlpha && i < trns.n_type3_entries && i < 256; ++i)
    alphaOf[i] = trns.type3_alpha[i];
  const ByteTable<std::uint8_t> alphas(ihdr.bit_depth, alphaOf);
  const auto width = static_cast<std::size_t>(ihdr.width);
  const std::size_t rowBytes = (width * ihdr.bit_depth + 7) / 8;
  // The rows arrive in order, so the plane of indices grows a row at a time into storage
  // reserved once: each row is cleared and written while it is in the cache.
  const bool keepIndices = want == Want::ColoursAndIndices;
  if (keepIndices) out.indices.reserve(width * ihdr.height);
  auto putRow = [&](std::uint32_t y, const std::uint8_t* packed) {
    colours.Expand(packed, out.pixels.Row(static_cast<int>(y)));
    if (hasAlpha) alphas.Expand(packed, AlphaRow(out, static_cast<int>(y)));
    if (keepIndices) {
      out.indices.resize(out.indices.size() + width);
      indices.Expand(packed, std::span(out.indices).last(width));
    }
  };
  if (ihdr.interlace_method != SPNG_INTERLACE_NONE) {
    std::vector<std::uint8_t> image(rowBytes * ihdr.height);
    if (int error = spng_decode_image(ctx, image.data(), image.size(), SPNG_FMT_PNG, 0); error != 0) {
      return Status::Failure(Problem(error));
    }
    for (std::uint32_t y = 0; y < ihdr.height; ++y) putRow(y, image.data() + y * rowBytes);
  } else if (Status read = ForEachRow(ctx, ihdr.height, rowBytes, putRow); !read) {
    return read;
  }
  DropOpaqueAlpha(out);
  return Status::Success();
}

// True for the kinds whose rows are expanded here from the file's own packing: grey at 1
// to 8 bits, grey with alpha, RGB and RGBA at 8 bits, not interlaced. The colours are those
// of libspng's 8-bit RGBA conversion, which ignores gamma unless asked, so gamma changes no
// colour here either; alpha and tRNS go to the alpha plane.
bool ExpandsOwnRows(const spng_ihdr& ihdr) {
  if (ihdr.interlace_method != SPNG_INTERLACE_NONE || ihdr.bit_depth > 8) return false;
  return ihdr.bit_depth == 8 || ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE;
}

// A grey, RGB or RGBA picture from its rows as the file packs them.
Status ReadOwnRows(spng_ctx* ctx, const spng_ihdr& ihdr, PictureFile& out) {
  const int bits = ihdr.bit_depth;
  std::array<RgbColor, 256> greyOf{};
  const int top = (1 << bits) - 1;
  for (int v = 0; v <= top; ++v) greyOf[static_cast<std::size_t>(v)] = GreyColor(v * 255 / top);
  const ByteTable<RgbColor> greys(bits, std::span(greyOf).first(std::size_t{1} << bits));
  const int channels = ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR         ? 3
                       : ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ? 4
                       : ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ? 2
                                                                            : 1;
  const std::size_t rowBytes = (std::size_t{ihdr.width} * static_cast<std::size_t>(channels * bits) + 7) / 8;
  // Grey and RGB may name one transparent sample value in tRNS.
  spng_trns trns{};
  const bool colourKey = (channels == 1 || channels == 3) && spng_get_trns(ctx, &trns) == 0;
  std::array<std::uint8_t, 256> keyAlpha{};
  keyAlpha.fill(255);
  if (colourKey && channels == 1 && trns.gray <= top) keyAlpha[trns.gray] = 0;
  const ByteTable<std::uint8_t> greyAlpha(bits, std::span(keyAlpha).first(std::size_t{1} << bits));
  const Status read = ForEachRow(ctx, ihdr.height, rowBytes, [&](std::uint32_t y, const std::uint8_t* p) {
    const std::span<RgbColor> row = out.pixels.Row(static_cast<int>(y));
    if (channels == 1) {
      greys.Expand(p, row);
      if (colourKey) greyAlpha.Expand(p, AlphaRow(out, static_cast<int>(y)));
      return;
    }
    const std::span<std::uint8_t> alpha =
        channels == 3 && !colourKey ? std::span<std::uint8_t>() : AlphaRow(out, static_cast<int>(y));
    for (std::size_t x = 0; x < row.size(); ++x, p += channels) {
      row[x] = channels == 2 ? greyOf[p[0]] : Rgb(p[0], p[1], p[2]);
      if (channels == 2 || channels == 4) {
        alpha[x] = p[channels - 1];
      } else if (colourKey && p[0] == trns.red && p[1] == trns.green && p[2] == trns.blue) {
        alpha[x] = 0;
      }
    }
  });
  if (!read) return read;
  DropOpaqueAlpha(out);
  return Status::Success();
}

// Any other picture (16-bit samples, interlaced rows) through libspng's conversion to 8-bit
// RGBA (tRNS applied), which in memory is an RgbColor with alpha in its top byte: each row
// lands in the picture's own row and gives its alpha to the alpha plane afterwards.
Status ReadColours(spng_ctx* ctx, const spng_ihdr& ihdr, PictureFile& out) {
  if (int error =
          spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_PROGRESSIVE | SPNG_DECODE_TRNS);
      error != 0) {
    return Status::Failure(Problem(error));
  }
  const std::size_t rowBytes = std::size_t{ihdr.width} * 4;
  for (;;) {
    spng_row_info info{};
    if (int error = spng_get_row_info(ctx, &info); error != 0) {
      if (error == SPNG_EOI) break;
      return Status::Failure(Problem(error));
    }
    const int error = spng_decode_row(ctx, out.pixels.Row(static_cast<int>(info.row_num)).data(), rowBytes);
    if (error == SPNG_EOI) break;
    if (error != 0) return Status::Failure(Problem(error));
  }
  for (int y = 0; y < out.pixels.Height(); ++y) {
    const std::span<RgbColor> row = out.pixels.Row(y);
    for (std::size_t x = 0; x < row.size(); ++x) {
      const auto alpha = static_cast<std::uint8_t>(static_cast<std::uint32_t>(row[x]) >> 24);
      if (alpha != 255) AlphaRow(out, y)[x] = alpha;
      row[x] &= 0xFFFFFF;
    }
  }
  DropOpaqueAlpha(out);
  return Status::Success();
}

}  // namespace

Result<PictureFile> ReadPng(std::span<const std::uint8_t> bytes, Want want) {
  Context ctx(spng_ctx_new(0));
  if (!ctx) throw std::bad_alloc();
  spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
  spng_set_image_limits(ctx.get(), kMaxPictureSide, kMaxPictureSide);
  // Text and other side chunks are bounded so that a small file cannot ask for much memory.
  spng_set_chunk_limits(ctx.get(), std::size_t{1} << 24, std::size_t{1} << 26);
  spng_ihdr ihdr{};
  if (int error = spng_get_ihdr(ctx.get(), &ihdr); error != 0) {
    if (error == SPNG_EWIDTH || error == SPNG_EHEIGHT || error == SPNG_EUSER_WIDTH ||
        error == SPNG_EUSER_HEIGHT) {
      return R::Failure("the PNG picture is too large (more than " + std::to_string(kMaxPictureSide) +
                        " pixels on a side)");
    }
    return R::Failure(Problem(error));
  }
  auto pixels = NewPicture(ihdr.width, ihdr.height, "the PNG");
  if (!pixels) return R::Failure(pixels.Error());
  PictureFile out;
  out.pixels = std::move(pixels).Value();
  const Status read = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED ? ReadIndexed(ctx.get(), ihdr, out, want)
                      : ExpandsOwnRows(ihdr)                     ? ReadOwnRows(ctx.get(), ihdr, out)
                                                                 : ReadColours(ctx.get(), ihdr, out);
  if (!read) return R::Failure(read.error);
  // The chunks after the pixels up to the end marker: a file cut there is cut all the same.
  if (int error = spng_decode_chunks(ctx.get()); error != 0) return R::Failure(Problem(error));
  return out;
}

namespace {

struct FileClose {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// A PNG read through libspng's rows from the file itself, each row expanded from the file's
// own packing as the whole-picture reader expands it. Any alpha below 255 (an alpha channel,
// a tRNS entry or colour key that a pixel uses) stops the read.
class PngRows final : public PictureRows {
 public:
  PngRows(std::unique_ptr<std::FILE, FileClose> file, Context ctx, const spng_ihdr& ihdr)
      : PictureRows(static_cast<int>(ihdr.width), static_cast<int>(ihdr.height)),
        m_file(std::move(file)),
        m_ctx(std::move(ctx)),
        m_ihdr(ihdr) {}

  // The tables for the file's kind. A file that fails here (no palette, its pixel data cut
  // short) fails its first row.
  void Prepare() {
    if (!MakeTables()) {
      m_failed = Status::Failure("the PNG file is damaged (it has no palette)");
      return;
    }
    if (int error = spng_decode_image(m_ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE);
        error != 0)
      m_failed = Status::Failure(Problem(error));
  }

  Status Finish() override {
    if (!m_failed) return m_failed;
    if (int error = spng_decode_chunks(m_ctx.get()); error != 0) return Status::Failure(Problem(error));
    return Status::Success();
  }

 private:
  bool MakeTables() {
    const int bits = m_ihdr.bit_depth;
    const auto values = std::size_t{1} << bits;
    std::array<RgbColor, 256> colourOf{};
    std::array<std::uint8_t, 256> alphaOf{};
    alphaOf.fill(255);
    spng_trns trns{};
    const bool hasTrns = spng_get_trns(m_ctx.get(), &trns) == 0;
    if (m_ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) {
      spng_plte plte{};
      if (spng_get_plte(m_ctx.get(), &plte) != 0) return false;
      // An index beyond the palette draws black.
      std::vector<RgbColor> palette;
      for (std::uint32_t i = 0; i < plte.n_entries && i < 256; ++i) {
        colourOf[i] = Rgb(plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue);
        palette.push_back(colourOf[i]);
      }
      SetPalette(std::move(palette));
      std::array<std::uint8_t, 256> identity{};
      for (std::size_t i = 0; i < identity.size(); ++i) identity[i] = static_cast<std::uint8_t>(i);
      m_indices.emplace(bits, std::span<const std::uint8_t>(identity).first(values));
      for (std::uint32_t i = 0; hasTrns && i < trns.n_type3_entries && i < 256; ++i)
        alphaOf[i] = trns.type3_alpha[i];
      m_channels = 1;
    } else {
      m_channels = m_ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR         ? 3
                   : m_ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ? 4
                   : m_ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ? 2
                                                                          : 1;
      const int top = (1 << bits) - 1;
      for (int v = 0; v <= top; ++v) colourOf[static_cast<std::size_t>(v)] = GreyColor(v * 255 / top);
      if (hasTrns && m_channels == 1 && trns.gray <= top) alphaOf[trns.gray] = 0;
      m_colourKey = hasTrns && m_channels == 3;
      m_key = {trns.red, trns.green, trns.blue};
    }
    m_greyOf = colourOf;
    if (m_channels == 1) {
      m_colours.emplace(bits, std::span<const RgbColor>(colourOf).first(values));
      m_seeThrough = std::any_of(alphaOf.begin(), alphaOf.begin() + static_cast<std::ptrdiff_t>(values),
                                 [](std::uint8_t a) { return a != 255; });
      if (m_seeThrough) m_alphas.emplace(bits, std::span<const std::uint8_t>(alphaOf).first(values));
    }
    m_packed.resize((std::size_t{m_ihdr.width} * static_cast<std::size_t>(m_channels * bits) + 7) / 8);
    return true;
  }

  Status ReadRow(std::span<RgbColor> row, std::span<std::uint8_t> indices) override {
    if (!m_failed) return m_failed;
    const int error = spng_decode_row(m_ctx.get(), m_packed.data(), m_packed.size());
    if (error != 0 && error != SPNG_EOI) return Status::Failure(Problem(error));
    const std::uint8_t* p = m_packed.data();
    if (m_channels == 1) {
      m_colours->Expand(p, row);
      if (m_indices && !indices.empty()) m_indices->Expand(p, indices);
      if (m_seeThrough) {
        m_alpha.resize(row.size());
        m_alphas->Expand(p, m_alpha);
        if (std::any_of(m_alpha.begin(), m_alpha.end(), [](std::uint8_t a) { return a != 255; }))
          return Transparent();
      }
      return Status::Success();
    }
    bool opaque = true;
    for (std::size_t x = 0; x < row.size(); ++x, p += m_channels) {
      row[x] = m_channels == 2 ? m_greyOf[p[0]] : Rgb(p[0], p[1], p[2]);
      if (m_channels == 2 || m_channels == 4) {
        opaque &= p[m_channels - 1] == 255;
      } else if (m_colourKey) {
        opaque &= !(p[0] == m_key[0] && p[1] == m_key[1] && p[2] == m_key[2]);
      }
    }
    return opaque ? Status::Success() : Transparent();
  }

  std::unique_ptr<std::FILE, FileClose> m_file;
  Context m_ctx;
  spng_ihdr m_ihdr;
  int m_channels = 1;
  bool m_seeThrough = false;
  bool m_colourKey = false;
  std::array<std::uint16_t, 3> m_key{};
  std::array<RgbColor, 256> m_greyOf{};
  std::optional<ByteTable<RgbColor>> m_colours;
  std::optional<ByteTable<std::uint8_t>> m_alphas;
  std::optional<ByteTable<std::uint8_t>> m_indices;
  std::vector<std::uint8_t> m_packed;
  std::vector<std::uint8_t> m_alpha;
  Status m_failed;
};

}  // namespace

std::unique_ptr<PictureRows> OpenPngRows(const std::filesystem::path& path, RowsReach reach) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
  if (!file) return nullptr;
  Context ctx(spng_ctx_new(0));
  if (!ctx) throw std::bad_alloc();
  if (spng_set_png_file(ctx.get(), file.get()) != 0) return nullptr;
  const bool tall = reach == RowsReach::Tall;
  spng_set_image_limits(ctx.get(), kMaxPictureSide,
                        static_cast<std::uint32_t>(tall ? platform::kMaxPictureRows : kMaxPictureSide));
  spng_set_chunk_limits(ctx.get(), std::size_t{1} << 24, std::size_t{1} << 26);
  spng_ihdr ihdr{};
  if (spng_get_ihdr(ctx.get(), &ihdr) != 0) return nullptr;
  const bool byRows = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED
                          ? ihdr.interlace_method == SPNG_INTERLACE_NONE
                          : ExpandsOwnRows(ihdr);
  const bool fits = tall ? platform::FitsPictureRows(ihdr.width, ihdr.height)
                         : platform::FitsPictureLimits(ihdr.width, ihdr.height);
  if (!fits || ihdr.width == 0 || ihdr.height == 0) return nullptr;
  if (!byRows) {
    // Within the limits the whole-picture reader takes it; beyond them nothing does.
    if (platform::FitsPictureLimits(ihdr.width, ihdr.height)) return nullptr;
    return std::make_unique<UnreadableRows>(
        static_cast<int>(ihdr.width), static_cast<int>(ihdr.height),
        std::string("the PNG file is ") + (ihdr.bit_depth > 8 ? "of 16-bit samples" : "interlaced") +
            ", which is read only whole, and so at most " + std::to_string(kMaxPictureSide) +
            " rows tall; save it " + (ihdr.bit_depth > 8 ? "at 8 bits a sample" : "without interlacing"));
  }
  auto rows = std::make_unique<PngRows>(std::move(file), std::move(ctx), ihdr);
  rows->Prepare();
  return rows;
}

namespace {

// libspng hands the file over in pieces; the first failure of the sink is kept and stops it.
struct SinkState {
  platform::ByteSink* sink;
  Status failed;
};

int WriteToSink(spng_ctx*, void* user, void* data, std::size_t length) {
  auto* state = static_cast<SinkState*>(user);
  state->failed = state->sink->Write({static_cast<const std::uint8_t*>(data), length});
  return state->failed ? 0 : SPNG_IO_ERROR;
}

// Decoded random data does not compress, and deflate spends its time (about 40 ms on 2
// MiB at any level) looking for matches it never finds. Eight bands of rows spread over
// the picture, 8 KiB each, deflated at the fastest level tell such pictures apart: they
// are stored instead (level 0), which also comes out a few bytes smaller. Drawn graphics
// deflate to a few percent of their bytes, sheets of repeated random tiles to about
// two thirds; anything that saves a tenth keeps the layout's level.
int LevelFor(const PngLayout& layout, std::size_t rowBytes, const FillRow& fillRow) {
  constexpr std::size_t kBands = 8;
  constexpr std::size_t kBandBytes = 8192;
  const auto height = static_cast<std::size_t>(layout.height);
  if (rowBytes * height < kBands * kBands * kBandBytes) return layout.compressionLevel;
  const std::size_t bandRows = std::min(height / kBands, (kBandBytes + rowBytes - 1) / rowBytes);
  // The sample is deflated a row at a time and only the deflated length counted: deflate
  // without flushing gives the same bytes however its input is cut, so this is the length
  // of the whole sample deflated at once, with no copy of it held.
  z_stream stream{};
  if (deflateInit(&stream, 1) != Z_OK) return layout.compressionLevel;
  std::vector<std::uint8_t> row(rowBytes);
  std::array<Bytef, 16384> out{};
  std::size_t deflated = 0;
  std::size_t sampled = 0;
  int status = Z_OK;
  auto put = [&](const std::uint8_t* from, std::size_t count, int flush) {
    stream.next_in = const_cast<Bytef*>(from);
    stream.avail_in = static_cast<uInt>(count);
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      status = deflate(&stream, flush);
      deflated += out.size() - stream.avail_out;
    } while (status == Z_OK && (stream.avail_out == 0 || flush == Z_FINISH));
  };
  for (std::size_t band = 0; band < kBands; ++band) {
    for (std::size_t y = band * height / kBands, end = y + bandRows; y < end; ++y) {
      fillRow(static_cast<int>(y), row.data());
      put(row.data(), rowBytes, Z_NO_FLUSH);
      sampled += rowBytes;
    }
  }
  put(nullptr, 0, Z_FINISH);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) return layout.compressionLevel;
  return deflated * 10 >= sampled * 9 ? 0 : layout.compressionLevel;
}

}  // namespace

Status EncodePngTo(const PngLayout& layout, const FillRow& fillRow, platform::ByteSink& sink) {
  Context ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) throw std::bad_alloc();
  SinkState state{&sink, Status::Success()};
  spng_set_png_stream(ctx.get(), WriteToSink, &state);
  auto failure = [&state](int error) {
    return state.failed ? Status::Failure(spng_strerror(error)) : state.failed;
  };
  const int channels = layout.colourType == SPNG_COLOR_TYPE_TRUECOLOR ? 3 : 1;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(channels * layout.bitDepth) + 7) / 8;
  const int level = LevelFor(layout, rowBytes, fillRow);
  // Stored rows take their own size, a filter byte a row and a few bytes a 64 KiB block.
  if (level == 0) sink.Expect((rowBytes + 1) * static_cast<std::size_t>(layout.height) * 1025 / 1024 + 4096);
  spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, level);
  spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, layout.filters);
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(layout.width);
  ihdr.height = static_cast<std::uint32_t>(layout.height);
  ihdr.bit_depth = static_cast<std::uint8_t>(layout.bitDepth);
  ihdr.color_type = static_cast<std::uint8_t>(layout.colourType);
  if (int error = spng_set_ihdr(ctx.get(), &ihdr); error != 0) return failure(error);
  if (layout.colourType == SPNG_COLOR_TYPE_INDEXED) {
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(layout.palette.size());
    for (std::size_t i = 0; i < layout.palette.size(); ++i) {
      const RgbColor c = layout.palette[i];
      plte.entries[i] = {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                         static_cast<std::uint8_t>(BlueOf(c)), 255};
    }
    if (int error = spng_set_plte(ctx.get(), &plte); error != 0) return failure(error);
  }
  const int flags = SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE;
  if (int error = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, flags); error != 0) {
    return failure(error);
  }
  std::vector<std::uint8_t> row(rowBytes);
  for (int y = 0; y < layout.height; ++y) {
    fillRow(y, row.data());
    const int error = spng_encode_row(ctx.get(), row.data(), row.size());
    if (error != 0 && error != SPNG_EOI) return failure(error);
  }
  return Status::Success();
}

Result<ByteString> EncodePng(const PngLayout& layout, const FillRow& fillRow) {
  ByteString out;
  platform::StringSink sink(out);
  if (Status encoded = EncodePngTo(layout, fillRow, sink); !encoded)
    return Result<ByteString>::Failure(encoded.error);
  return out;
}

}  // namespace glyphon::imageio
