// SPDX-License-Identifier: MIT
#include "cli/compress_command.h"

#include <charconv>
#include <ostream>

#include "cli/options.h"
#include "compression/compression.h"
#include "formats/format_table.h"
#include "rom/offsets.h"

namespace glyphon::cli {

namespace {

CommandLine::Take SchemeOption(const compression::Scheme*& into) {
  return [&into](const std::string& text) -> std::optional<std::string> {
    into = compression::FindScheme(text);
    if (into == nullptr)
      return "--compression wants one of " + compression::SchemeNames() + ", not \"" + text + "\"";
    return std::nullopt;
  };
}

CommandLine::Take OffsetOption(std::uint64_t& into, const std::string& name) {
  return [&into, name](const std::string& text) -> std::optional<std::string> {
    const auto offset = rom::ParseOffset(text);
    if (!offset) return name + ": " + offset.Error();
    into = offset.Value();
    return std::nullopt;
  };
}

struct CompressCommand {
  const compression::Scheme* scheme = nullptr;
  bool vramSafe = false;
  std::uint64_t offset = 0;
  std::string input;
  std::string output;
};

Result<std::optional<CompressCommand>> ParseCompress(std::span<const std::string> args, bool compress) {
  using Parsed = Result<std::optional<CompressCommand>>;
  CompressCommand command;
  const std::string verb = compress ? "compress" : "decompress";
  CommandLine line(verb);
  line.Value("--compression,-c", SchemeOption(command.scheme));
  if (compress) {
    line.Flag("--vram-safe", command.vramSafe);
  } else {
    line.Value("--offset,-o", OffsetOption(command.offset, "--offset"));
  }
  if (Status read = line.Parse(args); !read) return Parsed::Failure(read.error);
  if (line.HelpWanted()) return std::optional<CompressCommand>();
  if (command.scheme == nullptr) return Parsed::Failure(verb + " needs --compression");
  if (line.Files().size() != 2) return Parsed::Failure(verb + " needs an INPUT and an OUTPUT file");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return std::optional<CompressCommand>(command);
}

}  // namespace

namespace {

// What compress and decompress do with INPUT's bytes: write OUTPUT, or fail naming INPUT.
using Transform = int (*)(const CompressCommand& c, const ByteString& input, std::ostream& out,
                          std::ostream& err, std::ostream& notes);

// A run of compress or decompress: INPUT read within the ROM data bound, then `transform`.
Result<std::optional<CommandRun>> PrepareTransform(std::span<const std::string> args, bool compress,
                                                   Transform transform) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseCompress(args, compress);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (!parsed.Value()) return std::optional<CommandRun>();
  const CompressCommand c = *parsed.Value();
  CommandRun run;
  run.files = {{"INPUT", c.input, FileRole::Input}, {"OUTPUT", c.output, FileRole::Output}};
  run.mainInput = c.input;
  run.body = [c, transform](std::ostream& out, std::ostream& err, std::ostream& notes) {
    const auto input = ReadInput(c.input, platform::kRomDataLimit);
    if (!input) return Fail(err, InputName(c.input), input.Error());
    return transform(c, input.Value(), out, err, notes);
  };
  return std::optional<CommandRun>(std::move(run));
}

int Compress(const CompressCommand& c, const ByteString& input, std::ostream& out, std::ostream& err,
             std::ostream& notes) {
  const auto block = c.scheme->encode(input, {.vramSafe = c.vramSafe});
  if (!block) return Fail(err, InputName(c.input), block.Error());
  notes << "glyphon: " << OutputName(c.output) << ": " << input.size() << " bytes compressed to "
        << block.Value().size() << " (" << c.scheme->name << ")\n";
  return CommitOutputs(out, err, {{c.output, block.Value()}});
}

int Decompress(const CompressCommand& c, const ByteString& bytes, std::ostream& out, std::ostream& err,
               std::ostream& notes) {
  if (c.offset >= bytes.size()) {
    return Fail(err, InputName(c.input),
                "the offset " + std::to_string(c.offset) + " lies past the end of the " +
                    std::to_string(bytes.size()) + "-byte file");
  }
  const auto block =
      c.scheme->decode(std::span(bytes).subspan(static_cast<std::size_t>(c.offset)), {.base = c.offset});
  if (!block) return Fail(err, InputName(c.input), block.Error());
  notes << "glyphon: " << InputName(c.input) << ": the " << c.scheme->name << " block used "
        << block.Value().consumed << " bytes and decompressed to " << block.Value().bytes.size() << "\n";
  return CommitOutputs(out, err, {{c.output, block.Value().bytes}});
}

}  // namespace

Result<std::optional<CommandRun>> PrepareCompress(std::span<const std::string> args) {
  return PrepareTransform(args, true, Compress);
}

Result<std::optional<CommandRun>> PrepareDecompress(std::span<const std::string> args) {
  return PrepareTransform(args, false, Decompress);
}

namespace {

struct ScanCommand {
  const compression::Scheme* scheme = nullptr;
  std::uint64_t minSize = 1;
  std::uint64_t multiple = 1;  // the decompressed size must be a multiple of this (--tiles)
  std::uint64_t maxSize = compression::kDefaultScanLimit;
  std::string rom;
};

}  // namespace

Result<std::optional<CommandRun>> PrepareScan(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  ScanCommand c;
  bool tiles = false;
  CommandLine line("scan");
  line.Value("--compression,-c", SchemeOption(c.scheme));
  line.Value("--min-size", [&c](const std::string& text) -> std::optional<std::string> {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), c.minSize);
    if (error != std::errc() || end != text.data() + text.size())
      return "--min-size wants a whole number, not \"" + text + "\"";
    return std::nullopt;
  });
  line.Value("--max-size", [&c](const std::string& text) -> std::optional<std::string> {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), c.maxSize);
    if (error != std::errc() || end != text.data() + text.size() || c.maxSize == 0 ||
        c.maxSize > compression::kDefaultOutputLimit)
      return "--max-size wants a whole number from 1 to " + std::to_string(compression::kDefaultOutputLimit) +
             ", not \"" + text + "\"";
    return std::nullopt;
  });
  line.Flag("--tiles", tiles);
  const formats::FormatInfo* format = nullptr;
  line.Value("--format,-f", FormatOption(format));
  if (Status read = line.Parse(args); !read) return Prepared::Failure(read.error);
  if (line.HelpWanted()) return std::optional<CommandRun>();
  if (c.scheme == nullptr) return Prepared::Failure("scan needs --compression");
  if (line.Files().size() != 1) return Prepared::Failure("scan needs a ROM file");
  c.rom = line.Files()[0];
  if (format != nullptr && !tiles) return Prepared::Failure("--format goes with --tiles");
  // An 8 by 8 tile of the format; 4bpp (32 bytes), the GBA's and the NDS's usual, by default.
  if (tiles) c.multiple = format == nullptr ? 32 : static_cast<std::uint64_t>(format->bitsPerPixel) * 8;
  CommandRun run;
  run.files = {{"ROM", c.rom, FileRole::Input}};
  run.mainInput = c.rom;
  run.body = [c](std::ostream& out, std::ostream& err, std::ostream&) {
    const auto input = ReadInput(c.rom, platform::kRomDataLimit);
    if (!input) return Fail(err, InputName(c.rom), input.Error());
    compression::ScanBlocks(input.Value(), *c.scheme, static_cast<std::size_t>(c.minSize),
                            static_cast<std::size_t>(c.multiple),
                            [&out](const compression::FoundBlock& block) {
                              out << "0x" << std::hex << std::uppercase << block.offset << std::dec << '\t'
                                  << block.compressed << '\t' << block.decompressed << '\n';
                            },
                            {.maxOutput = static_cast<std::size_t>(c.maxSize)});
    return out ? kExitSuccess : Fail(err, OutputName("-"), "could not write the list");
  };
  return std::optional<CommandRun>(std::move(run));
}

std::string CompressHelp() {
  return "Usage: glyphon compress --compression K [--vram-safe] INPUT OUTPUT\n\n"
         "Compresses the bytes of INPUT into one block of scheme K: " +
         compression::SchemeNames() +
         ".\nThe LZ schemes choose their copies for the smallest block.\n"
         "  --vram-safe   gba-lz77: no copy from the byte just written, for the BIOS's VRAM routine\n";
}

std::string DecompressHelp() {
  return "Usage: glyphon decompress --compression K [--offset N] INPUT OUTPUT\n\n"
         "Decompresses the block of scheme K that starts at offset N of INPUT (0 by default;\n"
         "decimal or 0x hex). Stderr tells how many bytes the block used. Schemes: " +
         compression::SchemeNames() + ".\n";
}

std::string ScanHelp() {
  return "Usage: glyphon scan --compression K [--min-size N] [--max-size N] [--tiles [--format F]] ROM\n\n"
         "Lists the offsets where a block of scheme K starts and decompresses cleanly, one a\n"
         "line: the offset, the compressed size and the decompressed size, separated by tabs.\n"
         "  --min-size N  only blocks decompressing to at least N bytes\n"
         "  --max-size N  only blocks decompressing to at most N bytes (262144 by default, the\n"
         "                GBA's work RAM; up to 16 MiB)\n"
         "  --tiles       only blocks decompressing to whole 8 by 8 tiles of --format F\n"
         "                (4bpp, 32 bytes, by default)\n";
}

}  // namespace glyphon::cli
