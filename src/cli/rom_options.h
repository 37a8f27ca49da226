// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/options.h"
#include "convert/encoding.h"
#include "core/result.h"
#include "core/surface.h"
#include "core/types.h"
#include "formats/format_table.h"

namespace glyphon::cli {

// The options of encode and decode that work on a stretch of a larger file (a ROM).
struct RomOptions {
  std::optional<std::uint64_t> offset;  // decode: where the data starts
  std::optional<std::uint64_t> length;  // decode: how many bytes (else to the end)
  std::string into;                     // encode: the ROM written in place
  std::optional<std::uint64_t> at;
  std::string partnerInto;  // encode: the ROM the partner data goes into
  std::optional<std::uint64_t> partnerAt;
  bool grow = false;
  bool dryRun = false;
  bool verify = false;

  bool Ranged() const noexcept { return offset || length; }
  // Whether encode leaves the plain OUTPUT path: a ROM to write, or a check to make.
  bool Active() const noexcept { return !into.empty() || !partnerInto.empty() || dryRun || verify; }
};

enum class RomVerb { Encode, Decode };

// Adds the verb's ROM options to its command line.
void AddRomOptions(RomVerb verb, CommandLine& line, RomOptions& options);

// The help lines of the verb's ROM options.
std::string RomHelp(RomVerb verb);

// The rules between the options, once all are read; `output` is OUTPUT or empty.
Status CheckRomOptions(RomVerb verb, const RomOptions& options, const std::string& output);

// How many positional arguments encode takes: INPUT, and OUTPUT unless writing into a ROM.
inline std::size_t EncodeFileCount(const RomOptions& options) {
  return options.into.empty() ? 2 : 1;
}

// The bytes decode works on: the range --offset and --length give of the file (only that
// range is read), or of standard input for "-".
Result<ByteString> ReadDataRange(const std::string& name, const RomOptions& options);

// What an encode run produced, to be written and checked.
struct Encoded {
  const formats::FormatInfo& format;
  const platform::Surface& source;
  convert::Selection selection;
  std::string input;   // the picture's name in messages
  std::string output;  // OUTPUT, or empty
  std::string partnerOut;
  const ByteString& data;
  const ByteString& partnerData;
  std::string paletteOut;  // --palette-out, or empty
  ByteString paletteData;
};

// Compares what `bytes` decode to with what the encoder was given, pixel by pixel over the
// selection: the values the source classifies to, or (for the direct-colour formats) the
// colours the encoded bytes decode to. The first difference is the failure.
Status CompareDecoded(const Encoded& run, std::span<const std::uint8_t> bytes);

// The bytes that now stand where the run's data was written: OUTPUT, or its range of the
// --into ROM.
Result<ByteString> ReadBackFromDisk(const Encoded& run, const RomOptions& options);
using ReadBackFn = std::function<Result<ByteString>(const Encoded& run, const RomOptions& options)>;

// Writes an encode run's bytes into the ROMs and outputs together (or, for a dry run, only
// tells what would change), prints one line a ROM write, and under --verify compares the
// bytes before writing and, read back through `readBack` (empty: ReadBackFromDisk), after.
// A file that is no regular file (a FIFO, /dev/null) is verified before writing only, and
// a note on `notes` says so. Failures go to `err`, warnings to `notes`. Returns the exit
// status.
int WriteEncoded(const Encoded& run, const RomOptions& options, std::ostream& out, std::ostream& err,
                 std::ostream& notes, const ReadBackFn& readBack = {});

}  // namespace glyphon::cli
