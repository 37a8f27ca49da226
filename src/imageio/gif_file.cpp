// SPDX-License-Identifier: MIT
// GIF files through giflib: the first frame on the logical screen. The records after it
// are walked to the trailer here, without giflib (which keeps a record of every frame it
// meets: two million tiny frames cost over 100 MB), so a file cut anywhere is refused while
// an animation costs no more memory than its first frame.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "imageio/picture_file.h"
#include "imageio/readers.h"

namespace glyphon::imageio {

namespace {

using R = Result<PictureFile>;

struct MemoryReader {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* to, int length) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t wanted = static_cast<std::size_t>(std::max(length, 0));
  const std::size_t count = std::min(wanted, reader->bytes.size() - reader->at);
  if (count > 0) std::memcpy(to, reader->bytes.data() + reader->at, count);
  reader->at += count;
  return static_cast<int>(count);
}

struct GifClose {
  void operator()(GifFileType* gif) const noexcept {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};
using GifFile = std::unique_ptr<GifFileType, GifClose>;

std::string Problem(int error) {
  if (error == D_GIF_ERR_READ_FAILED || error == D_GIF_ERR_EOF_TOO_SOON) return "the GIF file is truncated";
  const char* text = GifErrorString(error);
  return std::string("the GIF file is damaged (") + (text != nullptr ? text : "unknown fault") + ")";
}

// Rows of an interlaced frame arrive in four passes: every 8th row from 0, every 8th from
// 4, every 4th from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  }
  return order;
}

struct FirstFrame {
  int transparent = -1;  // the index drawn as nothing (black here), or -1
};

Status ReadFrame(GifFileType* gif, PictureFile& out, const FirstFrame& frame) {
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  if (map != nullptr) {
    for (int i = 0; i < map->ColorCount; ++i) {
      const GifColorType c = map->Colors[i];
      out.palette.push_back(Rgb(c.Red, c.Green, c.Blue));
    }
  }
  auto colourOf = [&](int index) {
    if (index == frame.transparent || static_cast<std::size_t>(index) >= out.palette.size()) return kBlack;
    return out.palette[static_cast<std::size_t>(index)];
  };
  const int screenWidth = out.pixels.Width();
  const int background = gif->SBackGroundColor;
  if (!out.indices.empty())
    std::fill(out.indices.begin(), out.indices.end(), static_cast<std::uint8_t>(background));
  const RgbColor backgroundColour = colourOf(background);
  for (int y = 0; y < out.pixels.Height(); ++y) std::ranges::fill(out.pixels.Row(y), backgroundColour);
  // The transparent index is transparent wherever it stands, the background included.
  if (frame.transparent >= 0 && background == frame.transparent) out.alpha.assign(out.pixels.PixelCount(), 0);

  // A frame may hang over the screen's edge, but never beyond what a picture may hold.
  if (!platform::FitsPictureLimits(desc.Width, desc.Height)) {
    return Status::Failure(
        platform::PictureSizeProblem(desc.Width, desc.Height, "the GIF file's first frame is"));
  }
  std::vector<GifPixelType> line(static_cast<std::size_t>(std::max(desc.Width, 0)));
  for (int row : RowOrder(desc.Height, desc.Interlace)) {
    if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return Status::Failure(Problem(gif->Error));
    const int y = desc.Top + row;
    if (y < 0 || y >= out.pixels.Height()) continue;
    auto pixels = out.pixels.Row(y);
    for (int x = 0; x < desc.Width; ++x) {
      const int at = desc.Left + x;
      if (at < 0 || at >= screenWidth) continue;
      const int index = line[static_cast<std::size_t>(x)];
      pixels[static_cast<std::size_t>(at)] = colourOf(index);
      if (frame.transparent >= 0 && (index == frame.transparent || !out.alpha.empty()))
        AlphaRow(out, y)[static_cast<std::size_t>(at)] = index == frame.transparent ? 0 : 255;
      if (!out.indices.empty()) {
        out.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(screenWidth) +
                    static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(index);
      }
    }
  }
  DropOpaqueAlpha(out);
  return Status::Success();
}

Status ReadExtension(GifFileType* gif, FirstFrame& frame) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return Status::Failure(Problem(gif->Error));
  // Graphic control: byte 1 bit 0 says whether byte 4 is a transparent index.
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
    frame.transparent = (block[1] & 1) != 0 ? block[4] : -1;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return Status::Failure(Problem(gif->Error));
  }
  return Status::Success();
}

// Walks the records after the first frame to the trailer, touching no memory: an extension
// (0x21, a label, sub-blocks) or a frame (0x2C, a 9-byte descriptor, a local colour table
// when its flags say so, the LZW code size, sub-blocks). Sub-blocks are a length byte and
// that many bytes, ended by a length of 0.
Status WalkToTrailer(std::span<const std::uint8_t> bytes, std::size_t at) {
  auto skip = [&](std::size_t count) {
    if (bytes.size() - at < count) return false;
    at += count;
    return true;
  };
  auto skipBlocks = [&] {
    for (;;) {
      if (at >= bytes.size()) return false;
      const std::size_t length = bytes[at++];
      if (length == 0) return true;
      if (!skip(length)) return false;
    }
  };
  const Status truncated = Status::Failure(Problem(D_GIF_ERR_READ_FAILED));
  for (;;) {
    if (at >= bytes.size()) return truncated;
    const std::uint8_t record = bytes[at++];
    if (record == 0x3B) return Status::Success();
    if (record == 0x21) {
      if (!skip(1) || !skipBlocks()) return truncated;
    } else if (record == 0x2C) {
      if (!skip(9)) return truncated;
      const std::uint8_t flags = bytes[at - 1];
      if ((flags & 0x80) != 0 && !skip(std::size_t{3} << ((flags & 7) + 1))) return truncated;
      if (!skip(1) || !skipBlocks()) return truncated;
    } else {
      return Status::Failure(Problem(D_GIF_ERR_WRONG_RECORD));
    }
  }
}

}  // namespace

Result<PictureFile> ReadGif(std::span<const std::uint8_t> bytes, Want want) {
  MemoryReader reader{bytes};
  int error = 0;
  GifFile gif(DGifOpen(&reader, ReadMemory, &error));
  if (!gif) return R::Failure(Problem(error));
  auto pixels = NewPicture(gif->SWidth, gif->SHeight, "the GIF");
  if (!pixels) return R::Failure(pixels.Error());
  PictureFile out;
  out.pixels = std::move(pixels).Value();
  if (want == Want::ColoursAndIndices) out.indices.resize(out.pixels.PixelCount());

  FirstFrame frame;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return R::Failure(Problem(gif->Error));
    if (type == TERMINATE_RECORD_TYPE) return R::Failure("the GIF file holds no picture");
    if (type == EXTENSION_RECORD_TYPE) {
      if (Status step = ReadExtension(gif.get(), frame); !step) return R::Failure(step.error);
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return R::Failure(Problem(gif->Error));
      if (Status read = ReadFrame(gif.get(), out, frame); !read) return R::Failure(read.error);
      // giflib has read the frame's last sub-block and nothing after it.
      if (Status rest = WalkToTrailer(bytes, reader.at); !rest) return R::Failure(rest.error);
      return out;
    }
  }
}

}  // namespace glyphon::imageio
