// SPDX-License-Identifier: MIT
#include "cli/decode_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/compressed_rom.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/rom_options.h"
#include "cli/run_files.h"
#include "cli/terminal_progress.h"
#include "convert/encoding.h"
#include "formats/bands.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "platform/file_range.h"
#include "platform/output_batch.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;

struct DecodeCommand {
  const formats::FormatInfo* format = nullptr;
  int width = 0;
  std::string partnerOut;
  RomOptions rom;
  ValueOptions values;  // --palette and --palette-format
  OrderOptions order;
  CompressionOptions compression;
  bool help = false;
  std::string input;
  std::string output;
};

template <typename T>
Result<T> Usage(std::string message) {
  return Result<T>::Failure(std::move(message));
}

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

Result<DecodeCommand> ParseDecode(std::span<const std::string> args) {
  DecodeCommand command;
  CommandLine line("decode");
  line.Value("--format,-f", FormatOption(command.format));
  line.Value("--width,-w", [&command](const std::string& value) -> std::optional<std::string> {
    const auto width = ParseInt(value);
    if (!width || *width < 1 || *width > kMaxPictureSide)
      return "--width wants a whole number from 1 to " + std::to_string(kMaxPictureSide) + ", not \"" +
             value + "\"";
    command.width = *width;
    return std::nullopt;
  });
  line.Value("--partner-out", command.partnerOut);
  AddRomOptions(RomVerb::Decode, line, command.rom);
  AddCompressionOptions(line, command.compression, RomVerb::Decode);
  AddValueOptions(line, command.values);
  AddOrderOptions(line, command.order);
  if (Status read = line.Parse(args); !read) return Usage<DecodeCommand>(read.error);
  if (line.HelpWanted()) {
    command.help = true;
    return command;
  }
  if (command.format == nullptr) return Usage<DecodeCommand>("decode needs --format");
  if (command.width == 0) return Usage<DecodeCommand>("decode needs --width");
  if (Status fits = CheckValueOptions(command.values, *command.format, "decode"); !fits)
    return Usage<DecodeCommand>(fits.error);
  if (line.Files().size() != 2)
    return Usage<DecodeCommand>("decode needs an INPUT data file and an OUTPUT picture");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return command;
}

// The data a decode reads: a range of a file, read a band at a time where it lies, or bytes
// in memory (standard input, a decompressed block, a file that is not a regular one).
class DecodeData {
 public:
  static Result<DecodeData> Open(const DecodeCommand& command, std::ostream& notes) {
    using R = Result<DecodeData>;
    DecodeData data;
    if (!command.compression.scheme && command.input != kStandardStream) {
      auto file = platform::RangeFile::Open(command.input);
      if (file) {
        auto range =
            platform::ResolveRange(file.Value().Size(), command.rom.offset.value_or(0), command.rom.length);
        // A range beyond the file or the limit is read below, which tells why it cannot be.
        if (range && range.Value().length <= platform::kRomDataLimit.bytes) {
          data.m_file.emplace(std::move(file).Value());
          data.m_range = range.Value();
          return data;
        }
      }
    }
    auto bytes = command.compression.scheme
                     ? ReadCompressedInput(command.input, command.compression, command.rom, notes)
                 : command.rom.Ranged() ? ReadDataRange(command.input, command.rom)
                                        : ReadInput(command.input, platform::kRomDataLimit);
    if (!bytes) return R::Failure(bytes.Error());
    data.m_bytes = std::move(bytes).Value();
    data.m_range = {0, data.m_bytes.size()};
    return data;
  }

  std::int64_t Length() const noexcept { return static_cast<std::int64_t>(m_range.length); }

  // The bytes of `range` of the data.
  Status Read(const platform::ByteRange& range, std::span<std::uint8_t> into) const {
    if (m_file) return m_file->ReadAt(m_range.offset + range.offset, into.first(range.length));
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(range.offset), range.length, into.begin());
    return Status::Success();
  }

  // All of it, for the decodes that need the whole picture.
  Result<ByteString> Whole() && {
    if (!m_file) return std::move(m_bytes);
    return m_file->Read(m_range);
  }

 private:
  std::optional<platform::RangeFile> m_file;
  platform::ByteRange m_range;
  ByteString m_bytes;
};

// A decode in the plain order without partner data to rebuild is written band by band and
// never holds the picture or the data: in the decoders' greys, or its values drawn in the
// colours of --palette or --values shade.
bool DecodesByBands(const DecodeCommand& command) {
  const FormatInfo& format = *command.format;
  if (!command.order.Plain()) return false;
  if (DrawsOwnColours(command.values)) return !format.HasPartner() && format.HasValues();
  return !format.HasPartner() || command.partnerOut.empty();
}

// The output's extension in lower case: ".png", ".bmp" (also written for no extension).
std::string Extension(const std::filesystem::path& kind) {
  std::string extension = kind.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::string NoPixels(const DecodeCommand& command, std::int64_t length) {
  return "no pixels to decode at width " + std::to_string(command.width) + " (" + std::to_string(length) +
         " bytes)";
}

int DecodeByBands(const DecodeCommand& command, const DecodeData& data, const std::filesystem::path& kind,
                  std::ostream& out, std::ostream& err, std::ostream& notes, bool showProgress) {
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  const formats::DecodeSize size =
      formats::DecodedSize(static_cast<std::size_t>(data.Length()), command.width, format.Height());
  const auto width = static_cast<int>(size.width);
  const auto height = static_cast<int>(size.height);
  auto read = [&data](const platform::ByteRange& range, std::span<std::uint8_t> into) {
    return data.Read(range, into);
  };
  // Values drawn in colours of their own: a PNG's depth follows the largest value, and the
  // warning counts the values past the colours, so unless the colours cover every value the
  // data is decoded once to learn both before the picture is written.
  const bool ownColours = DrawsOwnColours(command.values);
  // The decoders draw each value in a grey of its own level, which the format's encoder
  // takes back to that value.
  static constexpr std::array<std::uint8_t, 256> kNoValues{};
  const std::array<std::uint8_t, 256>& valueOf = format.HasValues() ? format.values->indexOfGrey : kNoValues;
  palette::Palette drawing;
  std::uint8_t largest = 0;
  if (ownColours) {
    auto colours = DrawingColours(command.values, format);
    if (!colours) return Fail(err, "", colours.Error());
    drawing = std::move(colours).Value();
    if (!DrawsEveryValue(drawing, format)) {
      formats::BandDecoder scan(format, width, height, data.Length(), read);
      std::int64_t beyond = 0;
      for (int y = 0; y < height; ++y) {
        auto row = scan.Row(y);
        if (!row) return Fail(err, input, row.Error());
        for (const RgbColor colour : row.Value()) {
          const std::uint8_t value = valueOf[static_cast<std::size_t>(RedOf(colour))];
          largest = std::max(largest, value);
          beyond += value >= drawing.colours.size() ? 1 : 0;
        }
      }
      WarnOfValuesBeyond(command.values, drawing, beyond, notes);
    }
  }
  platform::OutputBatch batch;
  Status readFailure;
  Status staged;
  {
    TerminalProgress progress(err, showProgress);
    convert::ProgressTicker ticker(progress, size.width * size.height);
    formats::BandDecoder bands(format, width, height, data.Length(), read, &ticker);
    const imageio::RowAt rowAt = [&](int y) -> std::span<const RgbColor> {
      auto row = bands.Row(y);
      if (row) return row.Value();
      if (readFailure) readFailure = Status::Failure(row.Error());
      return {};
    };
    std::vector<std::uint8_t> values(static_cast<std::size_t>(width));
    const ValuesRowAt valuesAt = [&](int y) -> std::span<const std::uint8_t> {
      const std::span<const RgbColor> row = rowAt(y);
      if (row.size() != values.size()) return {};
      std::ranges::transform(row, values.begin(), [&](RgbColor colour) {
        return valueOf[static_cast<std::size_t>(RedOf(colour))];
      });
      return values;
    };
    const auto colours = formats::DecoderColours(format.bitsPerPixel);
    platform::OutputBatch::Writer write = [&](platform::ByteSink& sink) {
      Status written = ownColours ? WriteValuesPicture(drawing, width, height, valuesAt, largest, kind, sink)
                                  : imageio::WritePictureRows(kind, width, height, rowAt, colours, sink);
      // A row that could not be read is the input's failure, not the output's.
      if (!readFailure) return Status::Failure(input + ": " + readFailure.error);
      if (!written) return Status::Failure(OutputName(command.output) + ": " + written.error);
      return written;
    };
    staged = StageOutputs(batch, out, {{command.output, {}, write}, {command.partnerOut, {}}});
  }
  if (!staged) return Fail(err, "", staged.error);
  if (Status committed = batch.Commit(); !committed) return Fail(err, "", committed.error);
  return kExitSuccess;
}

int RunDecode(const DecodeCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes,
              bool showProgress) {
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  auto opened = DecodeData::Open(command, notes);
  if (!opened) return Fail(err, input, opened.Error());
  // A picture on standard output is a PNG; a file's kind follows its extension.
  const std::filesystem::path kind =
      command.output == kStandardStream ? "standard-output.png" : command.output;
  const formats::DecodeSize size =
      formats::DecodedSize(static_cast<std::size_t>(opened.Value().Length()), command.width, format.Height());
  if (DecodesByBands(command)) {
    if (size.height <= 0) return Fail(err, input, NoPixels(command, opened.Value().Length()));
    // A PNG written band by band holds any height; a BMP keeps the picture limits.
    const std::string extension = Extension(kind);
    const bool png = extension == ".png";
    if (platform::FitsPictureLimits(size.width, size.height) ||
        (png && size.height <= platform::kMaxPictureRows))
      return DecodeByBands(command, opened.Value(), kind, out, err, notes, showProgress);
    std::string problem = platform::PictureSizeProblem(size.width, size.height, "the picture would be");
    if (extension == ".bmp" || extension.empty())
      problem += "; a BMP file is held to that, a .png OUTPUT is not";
    return Fail(err, input, problem);
  }
  auto bytes = std::move(opened).Value().Whole();
  if (!bytes) return Fail(err, input, bytes.Error());
  const ByteString& data = bytes.Value();

  convert::PartnerState partner;
  formats::DecodeResult result;
  {
    TerminalProgress progress(err, showProgress);
    result = formats::Decode(format, data, command.width, formats::DecodeMode::ImageGeneration, &partner,
                             progress);
  }
  if (!result.Ok()) {
    std::string problem = result.failure->Describe();
    if (result.failure->kind == formats::DecodeFailure::Kind::TooLarge &&
        size.height <= platform::kMaxPictureRows)
      problem += "; a decode to PNG in the plain order holds it (without --order, --object or --partner-out)";
    return Fail(err, input, problem);
  }
  if (result.picture.IsEmpty())
    return Fail(err, input, NoPixels(command, static_cast<std::int64_t>(data.size())));
  if (auto placed = PictureInOrder(command.order, format, std::move(result.picture)); placed) {
    result.picture = std::move(placed).Value();
  } else {
    return Fail(err, input, placed.Error());
  }
  if (DrawsOwnColours(command.values)) {
    const platform::Surface& decoded = result.picture;
    auto coloured = ValuesPictureBytes(
        command.values, format, formats::ValuesOf(format, decoded, {0, 0, decoded.Width(), decoded.Height()}),
        kind, OutputName(command.output), notes);
    if (!coloured) return Fail(err, "", coloured.Error());
    return CommitOutputs(out, err, {{command.output, coloured.Value()}, {command.partnerOut, partner.data}});
  }
  auto file = imageio::PictureFileBytes(kind, result.picture, formats::DecoderColours(format.bitsPerPixel));
  if (!file) return Fail(err, OutputName(command.output), file.Error());
  return CommitOutputs(out, err, {{command.output, file.Value()}, {command.partnerOut, partner.data}});
}

std::vector<RunFile> FilesOf(const DecodeCommand& c) {
  return {{"INPUT", c.input, FileRole::Input},
          {"--palette", c.values.palette, FileRole::Input},
          {"OUTPUT", c.output, FileRole::Output},
          {"--partner-out", c.partnerOut, FileRole::Output}};
}

}  // namespace

Result<std::optional<CommandRun>> PrepareDecode(std::span<const std::string> args, bool showProgress) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseDecode(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const DecodeCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{FilesOf(command), command.input,
                 [command, showProgress](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return RunDecode(command, out, err, notes, showProgress);
                 }});
}

std::string DecodeHelp() {
  std::ostringstream text;
  text << "Usage: glyphon decode --format F --width N [--offset N] [--length L]\n"
          "                      [--partner-out FILE] [--values grey|shade|index|palette]\n"
          "                      [--palette FILE] [--palette-format KIND]\n"
          "                      [--order rows|columns] [--object WxH]\n"
          "                      [--object-order rows|columns] [--compression K]\n"
          "                      INPUT OUTPUT\n\n"
          "Decodes the raw ROM graphics INPUT at width N into a picture. OUTPUT's extension\n"
          "picks the picture kind: .bmp (24-bit) or .png (up to 8 bits per pixel a palette\n"
          "or grey PNG of the decoded colours, else 8-bit RGB).\n\n"
          "  --format F          the format, as for encode\n"
          "  --width N           the picture width in pixels, 1 or more\n"
          "  --partner-out F     write the partner data rebuilt by the decode (the Mode 7\n"
          "                      interleave bytes of \"8bpp Mode7 Int\"; empty otherwise)\n"
       << ValueHelp(ValueUse::Draw) << OrderHelp()
       << "                      (the width is the picture's; the objects fill it row by row)\n"
       << RomHelp(RomVerb::Decode) << CompressionHelp(RomVerb::Decode)
       << "\n"
          "A file name \"-\" is standard input as an input and standard output as an output;\n"
          "a picture written to standard output is a PNG.\n";
  return text.str();
}

}  // namespace glyphon::cli
