// SPDX-License-Identifier: MIT
#include "imageio/qt_picture_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QtGlobal>
#include <string>

#include "core/picture_limits.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"

namespace glyphon::imageio {

namespace {

using R = Result<platform::Surface>;

bool IsCoreKind(std::span<const std::uint8_t> bytes) {
  auto starts = [&](std::string_view magic) {
    return bytes.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
  };
  return starts("\x89PNG") || starts("BM") || starts("GIF8");
}

std::size_t Be16(std::span<const std::uint8_t> b, std::size_t at) {
  return std::size_t{b[at]} << 8 | b[at + 1];
}

// Walks a JPEG's segments to its end-of-image marker (FF D9). The JPEG library only warns
// about a cut file and fills the missing rows with grey; the missing marker tells.
bool JpegIsComplete(std::span<const std::uint8_t> b) {
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 1 < b.size()) {
    if (b[at] != 0xFF) return false;
    const std::uint8_t marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) return true;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (at + 4 > b.size()) return false;
    at += 2 + Be16(b, at + 2);
    if (marker != 0xDA) continue;
    // Entropy-coded data runs to the next marker that is neither a stuffed 00 nor a restart.
    while (at + 1 < b.size() &&
           !(b[at] == 0xFF && b[at + 1] != 0x00 && !(b[at + 1] >= 0xD0 && b[at + 1] <= 0xD7))) {
      ++at;
    }
  }
  return false;
}

// Collects what Qt and its plugins would print while a picture is read.
thread_local std::string* t_diagnostics = nullptr;

void CollectMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  if (t_diagnostics == nullptr) return;
  if (!t_diagnostics->empty()) t_diagnostics->append("; ");
  t_diagnostics->append(message.toStdString());
}

class DiagnosticsCollector {
 public:
  DiagnosticsCollector() : m_previous(qInstallMessageHandler(CollectMessage)) { t_diagnostics = &m_text; }
  ~DiagnosticsCollector() {
    t_diagnostics = nullptr;
    qInstallMessageHandler(m_previous);
  }
  DiagnosticsCollector(const DiagnosticsCollector&) = delete;
  DiagnosticsCollector& operator=(const DiagnosticsCollector&) = delete;
  const std::string& Text() const { return m_text; }

 private:
  QtMessageHandler m_previous;
  std::string m_text;
};

R ReadWithQt(std::span<const std::uint8_t> bytes) {
  const std::string kind = UnreadableKind(bytes);
  if (kind == "a JPEG" && !JpegIsComplete(bytes)) return R::Failure("the JPEG file is truncated");
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)));
  DiagnosticsCollector diagnostics;
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
  if (!diagnostics.Text().empty()) {
    return R::Failure("the " + (kind.empty() ? std::string("picture") : kind.substr(kind.find(' ') + 1)) +
                      " file is damaged (" + diagnostics.Text() + ")");
  }
  if (std::string problem = platform::PictureSizeProblem(image.width(), image.height()); !problem.empty()) {
    return R::Failure(std::move(problem));
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  platform::Surface surface = platform::Surface::Picture(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    auto row = surface.Row(y);
    for (std::size_t x = 0; x < row.size(); ++x) row[x] = Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
  }
  return surface;
}

}  // namespace

Result<platform::Surface> ReadAnyPictureBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || IsCoreKind(bytes)) return ReadPictureBytes(bytes);
  return ReadWithQt(bytes);
}

Result<platform::Surface> ReadAnyPicture(const std::filesystem::path& path) {
  auto bytes = platform::ReadFileBytes(path);
  if (!bytes) return R::Failure(bytes.Error());
  return ReadAnyPictureBytes(bytes.Value());
}

}  // namespace glyphon::imageio
