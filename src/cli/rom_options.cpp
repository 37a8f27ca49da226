// SPDX-License-Identifier: MIT
#include "cli/rom_options.h"

#include <filesystem>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/run_files.h"
#include "formats/decoding.h"
#include "formats/values.h"
#include "platform/file_range.h"
#include "platform/output_batch.h"
#include "rom/offsets.h"
#include "rom/rom_write.h"

namespace glyphon::cli {

namespace {

using Problem = std::optional<std::string>;

CommandLine::Take Number(std::string option, std::optional<std::uint64_t>& into) {
  return [option = std::move(option), &into](const std::string& text) -> Problem {
    auto number = rom::ParseOffset(text);
    if (!number) return option + ": " + number.Error();
    into = number.Value();
    return std::nullopt;
  };
}

CommandLine::Take Name(std::string option, std::string& into) {
  return [option = std::move(option), &into](const std::string& text) -> Problem {
    if (text.empty()) return "option " + option + " needs a file name";
    into = text;
    return std::nullopt;
  };
}

}  // namespace

void AddRomOptions(RomVerb verb, CommandLine& line, RomOptions& options) {
  if (verb == RomVerb::Decode) {
    line.Value("--offset", Number("--offset", options.offset));
    line.Value("--length", Number("--length", options.length));
    return;
  }
  line.Flag("--grow", options.grow);
  line.Flag("--dry-run", options.dryRun);
  line.Flag("--verify", options.verify);
  line.Value("--into", Name("--into", options.into));
  line.Value("--at", Number("--at", options.at));
  line.Value("--partner-into", Name("--partner-into", options.partnerInto));
  line.Value("--partner-at", Number("--partner-at", options.partnerAt));
}

std::string RomHelp(RomVerb verb) {
  if (verb == RomVerb::Decode) {
    return "  --offset N          decode the bytes from file offset N (decimal, 0x hex or $ hex);\n"
           "                      only the range is read\n"
           "  --length L          decode L bytes from there (default: to the end of the file)\n";
  }
  return "  --into ROM          write the bytes into the existing file ROM instead of OUTPUT;\n"
         "                      the ROM is replaced in one step and keeps its permissions\n"
         "  --at OFFSET         where in ROM (decimal, 0x hex or $ hex)\n"
         "  --grow              allow writing past the end of the ROM (the gap is zero-filled)\n"
         "  --dry-run           tell what would be written and changed, write nothing\n"
         "  --partner-into ROM  write the partner data into ROM (may be the --into ROM, under\n"
         "                      its name or a symbolic link, not a second hard link)\n"
         "  --partner-at OFFSET where in that ROM\n"
         "  --verify            decode the bytes at the selection's width and compare them\n"
         "                      value by value with the picture, before writing and after\n"
         "                      reading them back; the first difference fails the run.\n"
         "                      An OUTPUT that is no regular file (a FIFO, /dev/null) is\n"
         "                      compared before writing only\n";
}

Status CheckRomOptions(RomVerb verb, const RomOptions& options, const std::string& output) {
  if (verb == RomVerb::Decode) return Status::Success();
  if (options.at && options.into.empty()) return Status::Failure("--at needs --into ROM");
  if (!options.into.empty() && !options.at) return Status::Failure("--into needs --at OFFSET");
  if (options.partnerAt && options.partnerInto.empty())
    return Status::Failure("--partner-at needs --partner-into ROM");
  if (!options.partnerInto.empty() && !options.partnerAt)
    return Status::Failure("--partner-into needs --partner-at OFFSET");
  if (options.grow && options.into.empty() && options.partnerInto.empty())
    return Status::Failure("--grow needs --into or --partner-into");
  if (options.into.empty() && options.verify && output == kStandardStream)
    return Status::Failure("--verify cannot read back standard output; write to a file or --into a ROM");
  if (options.into.empty() && options.dryRun && options.partnerInto.empty())
    return Status::Failure("--dry-run needs --into or --partner-into");
  return Status::Success();
}

Result<ByteString> ReadDataRange(const std::string& name, const RomOptions& options) {
  const std::uint64_t offset = options.offset.value_or(0);
  if (name != kStandardStream)
    return platform::ReadFileRange(name, offset, options.length, platform::kRomDataLimit.bytes);
  // Standard input cannot seek: it is read within the limit, then cut.
  auto all = ReadInput(name, platform::kRomDataLimit);
  if (!all) return all;
  auto range = platform::ResolveRange(all.Value().size(), offset, options.length);
  if (!range) return Result<ByteString>::Failure(range.Error());
  const auto begin = all.Value().begin() + static_cast<std::ptrdiff_t>(range.Value().offset);
  return ByteString(begin, begin + static_cast<std::ptrdiff_t>(range.Value().length));
}

namespace {

std::string Place(const convert::Selection& selection, int x, int y) {
  return "pixel (" + std::to_string(selection.x + x) + ", " + std::to_string(selection.y + y) + ")";
}

std::string ColourText(RgbColor colour) {
  std::ostringstream text;
  text << "colour #" << std::hex << std::uppercase;
  text.width(6);
  text.fill('0');
  text << (colour & 0xFFFFFF);
  return text.str();
}

platform::Surface DecodeAtWidth(const formats::FormatInfo& format, std::span<const std::uint8_t> bytes,
                                int width) {
  convert::PartnerState scratch;
  platform::NullProgress progress;
  auto decoded =
      formats::Decode(format, bytes, width, formats::DecodeMode::ImageGeneration, &scratch, progress);
  return decoded.Ok() ? std::move(decoded.picture) : platform::Surface();
}

}  // namespace

Status CompareDecoded(const Encoded& run, std::span<const std::uint8_t> bytes) {
  const convert::Selection& selection = run.selection;
  const platform::Surface back = DecodeAtWidth(run.format, bytes, selection.width);
  auto missing = [&](int x, int y) {
    std::ostringstream why;
    why << "verify: " << Place(selection, x, y) << " of " << run.input << " is missing: the " << bytes.size()
        << " bytes decode to " << back.Width() << " by " << back.Height() << " pixels";
    return Status::Failure(why.str());
  };
  if (run.format.HasValues()) {
    const auto want = formats::ValuesOf(run.format, run.source, selection);
    const auto got = formats::ValuesOf(run.format, back, {0, 0, back.Width(), back.Height()});
    for (int y = 0; y < selection.height; ++y) {
      for (int x = 0; x < selection.width; ++x) {
        if (x >= got.width || y >= got.height) return missing(x, y);
        if (got.At(x, y) == want.At(x, y)) continue;
        return Status::Failure("verify: " + Place(selection, x, y) + " of " + run.input + " is value " +
                               std::to_string(got.At(x, y)) + " where the picture has value " +
                               std::to_string(want.At(x, y)));
      }
    }
    return Status::Success();
  }
  const platform::Surface want = DecodeAtWidth(run.format, run.data, selection.width);
  for (int y = 0; y < selection.height; ++y) {
    for (int x = 0; x < selection.width; ++x) {
      if (x >= back.Width() || y >= back.Height()) return missing(x, y);
      if (x >= want.Width() || y >= want.Height() || back.GetPixel(x, y) == want.GetPixel(x, y)) continue;
      return Status::Failure("verify: " + Place(selection, x, y) + " of " + run.input + " is " +
                             ColourText(back.GetPixel(x, y)) + " where the encoding has " +
                             ColourText(want.GetPixel(x, y)));
    }
  }
  return Status::Success();
}

Result<ByteString> ReadBackFromDisk(const Encoded& run, const RomOptions& options) {
  if (options.into.empty()) return platform::ReadFileBytes(run.output, platform::kRomDataLimit);
  auto file = platform::RangeFile::Open(options.into);
  if (!file) return Result<ByteString>::Failure(file.Error());
  const std::uint64_t at = *options.at;
  const std::uint64_t size = file.Value().Size();
  const std::uint64_t length = at >= size ? 0 : std::min<std::uint64_t>(run.data.size(), size - at);
  return file.Value().Read({at, length});
}

namespace {

bool IsRegularFile(const std::string& name) {
  std::error_code error;
  return std::filesystem::status(name, error).type() == std::filesystem::file_type::regular;
}

struct RomTarget {
  const std::string& rom;
  std::uint64_t at;
  const ByteString& bytes;
};

// The ROM writes of a run: the main data and the partner data, each into its ROM.
std::vector<RomTarget> TargetsOf(const Encoded& run, const RomOptions& options, std::ostream& err) {
  std::vector<RomTarget> targets;
  if (!options.into.empty()) targets.push_back({options.into, *options.at, run.data});
  if (options.partnerInto.empty()) return targets;
  if (run.format.HasPartner()) {
    targets.push_back({options.partnerInto, *options.partnerAt, run.partnerData});
  } else {
    err << "glyphon: warning: --partner-into does nothing for " << run.format.caption
        << ", which has no partner data\n";
  }
  return targets;
}

// Stages the ROM writes and the plain outputs on one batch and commits them together.
Status CommitAll(const Encoded& run, const std::vector<rom::RomWritePlan>& plans,
                 const std::vector<RomTarget>& targets, std::ostream& out) {
  platform::OutputBatch batch;
  std::vector<rom::RomPiece> pieces;
  for (std::size_t i = 0; i < plans.size(); ++i) pieces.push_back({&plans[i], targets[i].bytes});
  if (Status staged = rom::StageRomWrites(batch, pieces); !staged) return staged;
  if (Status staged = StageOutputs(
          batch, out,
          {{run.output, run.data}, {run.partnerOut, run.partnerData}, {run.paletteOut, run.paletteData}});
      !staged)
    return staged;
  return batch.Commit();
}

}  // namespace

int WriteEncoded(const Encoded& run, const RomOptions& options, std::ostream& out, std::ostream& err,
                 std::ostream& notes, const ReadBackFn& readBack) {
  const std::vector<RomTarget> targets = TargetsOf(run, options, notes);
  std::vector<rom::RomWritePlan> plans;
  for (const RomTarget& target : targets) {
    auto plan = rom::PlanRomWrite(target.rom, target.at, target.bytes, options.grow);
    if (!plan) return Fail(err, target.rom, plan.Error());
    plans.push_back(std::move(plan).Value());
  }
  // A wrong width or a size cut by the format's rule shows in the bytes themselves: found
  // before anything is written. The read-back after the commit finds storage faults.
  const std::string& where =
      options.into.empty() ? (run.output.empty() ? run.input : run.output) : options.into;
  if (options.verify) {
    if (Status same = CompareDecoded(run, run.data); !same) return Fail(err, where, same.error);
  }
  if (!options.dryRun) {
    if (Status committed = CommitAll(run, plans, targets, out); !committed)
      return Fail(err, "", committed.error);
  }
  // The report goes to standard output unless the data itself does.
  const bool dataOnStdout =
      run.output == kStandardStream || run.partnerOut == kStandardStream || run.paletteOut == kStandardStream;
  for (const rom::RomWritePlan& plan : plans)
    (dataOnStdout ? err : out) << rom::DescribeRomWrite(plan, options.dryRun) << '\n';
  if (!options.verify || options.dryRun) return kExitSuccess;
  // A FIFO or a device gives nothing back (or blocks): only a regular file is read again.
  if (!IsRegularFile(where)) {
    notes << "glyphon: note: " << where << " is not a regular file; verified before writing only\n";
    return kExitSuccess;
  }
  auto back = readBack ? readBack(run, options) : ReadBackFromDisk(run, options);
  if (!back) return Fail(err, where, back.Error());
  if (Status same = CompareDecoded(run, back.Value()); !same) return Fail(err, where, same.error);
  return kExitSuccess;
}

}  // namespace glyphon::cli
