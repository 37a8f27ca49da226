#include "imageio/picture_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QString>
#include <cstring>
#include <optional>

#include "platform/file_io.h"
#include "platform/picture_limits.h"

namespace glyphon::imageio {

namespace {

std::uint32_t Le32(std::span<const unsigned char> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(std::span<const unsigned char> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// Qt's BMP reader reports success on a truncated file and leaves the missing rows
// uninitialised, so the pixel data is measured against the header first.
std::optional<std::string> CheckBmp(std::span<const unsigned char> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  if (bytes.size() < 30) return "the BMP file is truncated (its header is incomplete)";
  const std::uint32_t dataOffset = Le32(bytes, 10);
  const std::uint32_t headerSize = Le32(bytes, 14);
  std::int64_t width = 0, height = 0;
  int bitsPerPixel = 0;
  std::uint32_t compression = 0;
  if (headerSize == 12) {  // OS/2 core header
    width = Le16(bytes, 18);
    height = Le16(bytes, 20);
    bitsPerPixel = Le16(bytes, 24);
  } else {
    if (bytes.size() < 34) return "the BMP file is truncated (its header is incomplete)";
    width = static_cast<std::int32_t>(Le32(bytes, 18));
    height = static_cast<std::int32_t>(Le32(bytes, 22));
    bitsPerPixel = Le16(bytes, 28);
    compression = Le32(bytes, 30);
  }
  if (height < 0) height = -height;
  if (width <= 0 || height == 0) return "the BMP header gives an empty or negative size";
  if (std::string problem = platform::PictureSizeProblem(width, height); !problem.empty()) return problem;
  if (dataOffset > bytes.size()) return "the BMP file is truncated (its pixel data is missing)";
  // Uncompressed (BI_RGB) and bit-field (BI_BITFIELDS, BI_ALPHABITFIELDS) pictures have a
  // known size; the run-length encodings are checked by the reader itself.
  if (compression == 0 || compression == 3 || compression == 6) {
    const std::int64_t stride = ((width * bitsPerPixel + 31) / 32) * 4;
    const std::int64_t need = stride * height;
    const std::int64_t have = static_cast<std::int64_t>(bytes.size()) - dataOffset;
    if (have < need) {
      return "the BMP file is truncated (" + std::to_string(have) +
             " bytes of pixel data where its header says " + std::to_string(need) + ")";
    }
  }
  return std::nullopt;
}

}  // namespace

Result<platform::Surface> ReadPictureBytes(std::span<const unsigned char> bytes) {
  using R = Result<platform::Surface>;
  if (bytes.empty()) return R::Failure("the file is empty");
  if (auto problem = CheckBmp(bytes)) return R::Failure(*problem);

  // The reader works on the caller's bytes in place: no copy of a large file.
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)));
  const QSize size = reader.size();
  if (size.isValid()) {
    if (std::string problem = platform::PictureSizeProblem(size.width(), size.height()); !problem.empty()) {
      return R::Failure(std::move(problem));
    }
  }
  QImage image = reader.read();
  if (image.isNull()) {
    if (reader.error() == QImageReader::UnsupportedFormatError) return R::Failure("it is not a picture file");
    return R::Failure(reader.errorString().toStdString());
  }
  if (std::string problem = platform::PictureSizeProblem(image.width(), image.height()); !problem.empty()) {
    return R::Failure(std::move(problem));
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  platform::Surface surface = platform::Surface::Picture(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    auto row = surface.Row(y);
    for (int x = 0; x < image.width(); ++x) {
      row[static_cast<std::size_t>(x)] = Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
  }
  return surface;
}

Result<platform::Surface> ReadPicture(const std::filesystem::path& path) {
  auto bytes = platform::ReadFileBytes(path);
  if (!bytes) return Result<platform::Surface>::Failure(bytes.Error());
  return ReadPictureBytes(bytes.Value());
}

namespace {
QImage ToImage(const platform::Surface& picture) {
  QImage image(picture.Width(), picture.Height(), QImage::Format_RGB888);
  for (int y = 0; y < picture.Height(); ++y) {
    uchar* line = image.scanLine(y);
    for (RgbColor c : picture.Row(y)) {
      *line++ = static_cast<uchar>(RedOf(c));
      *line++ = static_cast<uchar>(GreenOf(c));
      *line++ = static_cast<uchar>(BlueOf(c));
    }
  }
  return image;
}

Result<QByteArray> Encode(const platform::Surface& picture, const QByteArray& kind) {
  if (picture.IsEmpty()) return Result<QByteArray>::Failure("the picture is empty (0 pixels)");
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, kind);
  if (!writer.write(ToImage(picture))) return Result<QByteArray>::Failure(writer.errorString().toStdString());
  return out;
}
}  // namespace

std::string BmpBytes(const platform::Surface& picture) {
  auto bytes = Encode(picture, "bmp");
  return bytes ? bytes.Value().toStdString() : std::string();
}

namespace {
Status WriteEncoded(const std::filesystem::path& path, const platform::Surface& picture,
                    const QByteArray& kind) {
  auto bytes = Encode(picture, kind);
  if (!bytes) return Status::Failure(bytes.Error());
  const QByteArray& data = bytes.Value();
  return platform::WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                                   static_cast<std::size_t>(data.size())));
}
}  // namespace

Status WritePicture(const std::filesystem::path& path, const platform::Surface& picture) {
  QByteArray kind = QString::fromStdString(path.extension().string()).toLower().toUtf8();
  if (kind.startsWith('.')) kind.remove(0, 1);
  if (kind.isEmpty()) kind = "bmp";
  if (!QImageWriter::supportedImageFormats().contains(kind)) {
    return Status::Failure("no picture format is known for the extension \"." + kind.toStdString() + "\"");
  }
  return WriteEncoded(path, picture, kind);
}

Status WriteBitmap(const std::filesystem::path& path, const platform::Surface& picture) {
  return WriteEncoded(path, picture, "bmp");
}

Result<ByteString> PictureFileBytes(const std::filesystem::path& name, const platform::Surface& picture) {
  QByteArray kind = QString::fromStdString(name.extension().string()).toLower().toUtf8();
  if (kind.startsWith('.')) kind.remove(0, 1);
  if (kind.isEmpty()) kind = "bmp";
  if (!QImageWriter::supportedImageFormats().contains(kind)) {
    return Result<ByteString>::Failure("no picture format is known for the extension \"." +
                                       kind.toStdString() + "\"");
  }
  auto bytes = Encode(picture, kind);
  if (!bytes) return Result<ByteString>::Failure(bytes.Error());
  return ByteString(bytes.Value().begin(), bytes.Value().end());
}

}  // namespace glyphon::imageio
