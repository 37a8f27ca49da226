// PNG files through libspng, decoded row by row straight into the picture's rows and
// encoded row by row into the output bytes.
#include <spng.h>

#include <memory>

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

// Unpacks one row of 1-, 2-, 4- or 8-bit palette indices, most significant bits first.
void Unpack(const std::uint8_t* packed, int bits, std::span<std::uint8_t> indices) {
  if (bits == 8) {
    std::copy(packed, packed + indices.size(), indices.begin());
    return;
  }
  const unsigned mask = (1u << bits) - 1u;
  const int perByte = 8 / bits;
  for (std::size_t x = 0; x < indices.size(); ++x) {
    const int slot = static_cast<int>(x % static_cast<std::size_t>(perByte));
    indices[x] = static_cast<std::uint8_t>(
        (unsigned{packed[x / static_cast<std::size_t>(perByte)]} >> (8 - bits * (slot + 1))) & mask);
  }
}

// The rows of an indexed picture as stored indices. Interlaced files are decoded whole
// (the passes fill every row in turn); the others one row at a time.
Status ReadIndexed(spng_ctx* ctx, const spng_ihdr& ihdr, PictureFile& out, Want want) {
  spng_plte plte{};
  if (int error = spng_get_plte(ctx, &plte); error != 0) return Status::Failure(Problem(error));
  for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
    out.palette.push_back(Rgb(plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue));
  }
  const auto width = static_cast<std::size_t>(ihdr.width);
  const std::size_t rowBytes = (width * ihdr.bit_depth + 7) / 8;
  // The rows arrive in order, so the plane of indices grows a row at a time: reserved,
  // not zero-filled, each of its pages is touched once.
  const bool keepIndices = want == Want::ColoursAndIndices;
  if (keepIndices) out.indices.reserve(width * ihdr.height);
  std::vector<std::uint8_t> indices(width);
  auto putRow = [&](std::uint32_t y, const std::uint8_t* packed) {
    Unpack(packed, ihdr.bit_depth, indices);
    auto row = out.pixels.Row(static_cast<int>(y));
    for (std::size_t x = 0; x < width; ++x) {
      row[x] = indices[x] < out.palette.size() ? out.palette[indices[x]] : kBlack;
    }
    if (keepIndices) out.indices.insert(out.indices.end(), indices.begin(), indices.end());
  };
  if (ihdr.interlace_method != SPNG_INTERLACE_NONE) {
    std::vector<std::uint8_t> image(rowBytes * ihdr.height);
    if (int error = spng_decode_image(ctx, image.data(), image.size(), SPNG_FMT_PNG, 0); error != 0) {
      return Status::Failure(Problem(error));
    }
    for (std::uint32_t y = 0; y < ihdr.height; ++y) putRow(y, image.data() + y * rowBytes);
    return Status::Success();
  }
  if (int error = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE); error != 0) {
    return Status::Failure(Problem(error));
  }
  std::vector<std::uint8_t> packed(rowBytes);
  for (std::uint32_t y = 0; y < ihdr.height; ++y) {
    const int error = spng_decode_row(ctx, packed.data(), packed.size());
    if (error != 0 && error != SPNG_EOI) return Status::Failure(Problem(error));
    putRow(y, packed.data());
  }
  return Status::Success();
}

// Any other picture as 8-bit RGBA, which in memory is an RgbColor with alpha in its top
// byte: each row lands in the picture's own row and loses its alpha afterwards.
Status ReadColours(spng_ctx* ctx, const spng_ihdr& ihdr, PictureFile& out) {
  if (int error = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_PROGRESSIVE); error != 0) {
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
    for (RgbColor& c : out.pixels.Row(y)) c &= 0xFFFFFF;
  }
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
                                                                 : ReadColours(ctx.get(), ihdr, out);
  if (!read) return R::Failure(read.error);
  // The chunks after the pixels up to the end marker: a file cut there is cut all the same.
  if (int error = spng_decode_chunks(ctx.get()); error != 0) return R::Failure(Problem(error));
  return out;
}

namespace {

int AppendBytes(spng_ctx*, void* user, void* data, std::size_t length) {
  auto* out = static_cast<ByteString*>(user);
  const auto* from = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), from, from + length);
  return 0;
}

}  // namespace

Result<ByteString> EncodePng(const PngLayout& layout,
                             const std::function<void(int, std::uint8_t*)>& fillRow) {
  using B = Result<ByteString>;
  Context ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) throw std::bad_alloc();
  ByteString out;
  spng_set_png_stream(ctx.get(), AppendBytes, &out);
  spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, layout.compressionLevel);
  spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, layout.filters);
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(layout.width);
  ihdr.height = static_cast<std::uint32_t>(layout.height);
  ihdr.bit_depth = static_cast<std::uint8_t>(layout.bitDepth);
  ihdr.color_type = static_cast<std::uint8_t>(layout.colourType);
  if (int error = spng_set_ihdr(ctx.get(), &ihdr); error != 0) return B::Failure(spng_strerror(error));
  if (layout.colourType == SPNG_COLOR_TYPE_INDEXED) {
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(layout.palette.size());
    for (std::size_t i = 0; i < layout.palette.size(); ++i) {
      const RgbColor c = layout.palette[i];
      plte.entries[i] = {static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                         static_cast<std::uint8_t>(BlueOf(c)), 255};
    }
    if (int error = spng_set_plte(ctx.get(), &plte); error != 0) return B::Failure(spng_strerror(error));
  }
  const int flags = SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE;
  if (int error = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, flags); error != 0) {
    return B::Failure(spng_strerror(error));
  }
  const int channels = layout.colourType == SPNG_COLOR_TYPE_TRUECOLOR ? 3 : 1;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(channels * layout.bitDepth) + 7) / 8;
  std::vector<std::uint8_t> row(rowBytes);
  for (int y = 0; y < layout.height; ++y) {
    fillRow(y, row.data());
    const int error = spng_encode_row(ctx.get(), row.data(), row.size());
    if (error != 0 && error != SPNG_EOI) return B::Failure(spng_strerror(error));
  }
  return out;
}

}  // namespace glyphon::imageio
