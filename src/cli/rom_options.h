#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/options.h"
#include "convert/encoding.h"
#include "formats/format_table.h"
#include "platform/result.h"
#include "platform/surface.h"
#include "platform/types.h"

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

// Writes an encode run's bytes into the ROMs and outputs together (or, for a dry run, only
// tells what would change), prints one line a ROM write, and reads back and compares
// under --verify. Returns the exit status.
int WriteEncoded(const Encoded& run, const RomOptions& options, std::ostream& out, std::ostream& err);

}  // namespace glyphon::cli
