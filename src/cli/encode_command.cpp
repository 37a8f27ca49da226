// SPDX-License-Identifier: MIT
#include "cli/encode_command.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/compressed_rom.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/picture_bands.h"
#include "cli/rom_options.h"
#include "cli/run_files.h"
#include "cli/terminal_progress.h"
#include "convert/encoding.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/values.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;

struct EncodeCommand {
  const formats::FormatInfo* format = nullptr;
  std::optional<convert::Selection> rect;
  std::string partnerImage;
  std::string partnerData;
  std::string partnerOut;
  RomOptions rom;
  ValueOptions values;
  OrderOptions order;
  CompressionOptions compression;
  bool help = false;
  std::string input;
  std::string output;  // empty when writing --into a ROM
};

template <typename T>
Result<T> Usage(std::string message) {
  return Result<T>::Failure(std::move(message));
}

Result<EncodeCommand> ParseEncode(std::span<const std::string> args) {
  EncodeCommand command;
  CommandLine line("encode");
  line.Value("--format,-f", FormatOption(command.format));
  line.Value("--rect", RectOption(command.rect, platform::kMaxPictureRows));
  line.Value("--partner-image", command.partnerImage);
  line.Value("--partner-data", command.partnerData);
  line.Value("--partner-out", command.partnerOut);
  AddRomOptions(RomVerb::Encode, line, command.rom);
  AddCompressionOptions(line, command.compression, RomVerb::Encode);
  AddValueOptions(line, command.values);
  AddOrderOptions(line, command.order);
  if (Status read = line.Parse(args); !read) return Usage<EncodeCommand>(read.error);
  if (line.HelpWanted()) {
    command.help = true;
    return command;
  }
  if (command.format == nullptr) return Usage<EncodeCommand>("encode needs --format");
  if (Status fits = CheckValueOptions(command.values, *command.format, "encode"); !fits)
    return Usage<EncodeCommand>(fits.error);
  if (!command.partnerImage.empty() && !command.partnerData.empty()) {
    return Usage<EncodeCommand>("give --partner-image or --partner-data, not both");
  }
  const std::vector<std::string>& files = line.Files();
  if (files.size() != EncodeFileCount(command.rom))
    return Usage<EncodeCommand>(command.rom.into.empty()
                                    ? "encode needs an INPUT picture and an OUTPUT file"
                                    : "encode --into needs an INPUT picture and no OUTPUT");
  command.input = files[0];
  if (command.rom.into.empty()) command.output = files[1];
  if (Status rom = CheckRomOptions(RomVerb::Encode, command.rom, command.output); !rom)
    return Usage<EncodeCommand>(rom.error);
  if (Status c = CheckCompressionOptions(command.compression, command.rom, command.partnerOut); !c)
    return Usage<EncodeCommand>(c.error);
  return command;
}

// What the selection encodes to is empty: a tiled format stores whole 8 by 8 tiles only,
// a linear one whole groups of pixels.
std::string NoBytes(const FormatInfo& format, const convert::Selection& selection) {
  std::ostringstream why;
  why << "the selection " << selection.x << ',' << selection.y << ',' << selection.width << ','
      << selection.height << " encodes to no bytes in " << format.caption
      << (format.tiled ? ", which stores whole 8 by 8 tiles" : "");
  return why.str();
}

// The partner options do nothing for a format without partner data.
void WarnOfPartnerOptions(const EncodeCommand& command, std::ostream& notes) {
  for (const auto& [option, value] :
       {std::pair{"--partner-image", &command.partnerImage},
        std::pair{"--partner-data", &command.partnerData}, std::pair{"--partner-out", &command.partnerOut}}) {
    if (!value->empty()) {
      notes << "glyphon: warning: " << option << " does nothing for " << command.format->caption
            << ", which has no partner data\n";
    }
  }
}

// Writes what a picture read by rows encoded to: in the stored order, compressed, into
// the ROMs or to the outputs, as the whole picture's bytes would go (without --verify, which
// compares them with the whole picture).
int WriteByBands(const EncodeCommand& command, BandsEncoded& made, std::ostream& out, std::ostream& err,
                 std::ostream& notes) {
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  WarnOfPartnerOptions(command, notes);
  const auto order = SelectionOrder(command.order, format, made.selection);
  if (!order) return Fail(err, input, order.Error());
  if (made.data.empty()) return Fail(err, input, NoBytes(format, made.selection));
  if (order.Value()) PutBytesInOrder(made.data, format, made.selection, *order.Value());
  if (command.compression.scheme)
    return WriteCompressed(command.compression, made.data, command.rom, command.output,
                           {command.values.paletteOut, made.paletteData}, out, err, notes);
  if (command.rom.Active()) {
    static const platform::Surface kNotHeld;
    static const ByteString kNoPartner;
    return WriteEncoded({format, kNotHeld, made.selection, input, command.output, "", made.data, kNoPartner,
                         command.values.paletteOut, made.paletteData},
                        command.rom, out, err, notes);
  }
  return CommitOutputs(out, err,
                       {{command.output, made.data}, {command.values.paletteOut, made.paletteData}});
}

int RunEncode(const EncodeCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes,
              bool showProgress) {
  // The picture is read a row at a time where it can be, and must be when it is taller than
  // a picture held whole may be.
  {
    auto streamed = [&] {
      TerminalProgress progress(err, showProgress);
      return EncodePictureByBands(*command.format, command.values, command.rect, command.input, notes,
                                  progress, imageio::RowsReach::Tall,
                                  command.rom.verify
                                      ? "--verify compares the bytes with the whole picture; leave "
                                        "it out and compare them with glyphon decode"
                                      : "");
    }();
    if (!streamed) return Fail(err, "", streamed.Error());
    if (streamed.Value()) return WriteByBands(command, *streamed.Value(), out, err, notes);
  }
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  auto picture = ReadEncodeInput(command.input, command.values);
  if (!picture) return Fail(err, input, picture.Error());
  const platform::Surface& source = picture.Value().pixels;
  const auto selection = PictureSelection(command.values, format, source, command.rect, input, notes);
  if (!selection) return Fail(err, input, selection.Error());
  const auto paletteOut =
      ApplyValueRule(command.values, format, picture.Value(), input, selection.Value(), notes);
  if (!paletteOut) return Fail(err, "", paletteOut.Error());

  convert::PartnerState partner;
  if (!format.HasPartner()) {
    WarnOfPartnerOptions(command, notes);
  } else if (!command.partnerImage.empty()) {
    auto partnerPicture = ReadPictureInput(command.partnerImage);
    if (!partnerPicture) return Fail(err, InputName(command.partnerImage), partnerPicture.Error());
    partner.picture = std::move(partnerPicture).Value();
  } else if (!command.partnerData.empty()) {
    auto bytes = ReadInput(command.partnerData, platform::kRomDataLimit);
    if (!bytes) return Fail(err, InputName(command.partnerData), bytes.Error());
    partner.data = std::move(bytes).Value();
  }
  // An empty partner data file loads nothing, so the note goes by what was loaded.
  if (format.HasPartner() && !partner.HasPicture() && !partner.HasData()) {
    notes << "glyphon: NOTE: No " << format.partnerName << " data loaded.\n";
  }

  const auto order = SelectionOrder(command.order, format, selection.Value());
  if (!order) return Fail(err, input, order.Error());
  ByteString data;
  {
    TerminalProgress progress(err, showProgress);
    Result<ByteString> encoded = formats::Encode(format, source, selection.Value(), partner, progress);
    // The only failure: the partner picture cannot grow to the selection's size.
    if (!encoded) {
      return Fail(err, InputName(command.partnerImage),
                  encoded.Error() + " to fit the selection of " + input);
    }
    data = std::move(encoded).Value();
  }
  if (data.empty()) return Fail(err, input, NoBytes(format, selection.Value()));
  // A tile order moves the encoded tiles into their stored places; --verify then compares
  // the bytes with the picture of the tiles so moved.
  platform::Surface stored;
  convert::Selection place = selection.Value();
  if (order.Value()) {
    PutBytesInOrder(data, format, selection.Value(), *order.Value());
    if (command.rom.Active()) {
      stored = PictureInStoredOrder(format, source, selection.Value(), *order.Value());
      place = {0, 0, stored.Width(), stored.Height()};
    }
  }
  if (command.compression.scheme)
    return WriteCompressed(command.compression, data, command.rom, command.output,
                           {command.values.paletteOut, paletteOut.Value()}, out, err, notes);
  if (command.rom.Active()) {
    return WriteEncoded({format, order.Value() ? stored : source, place, input, command.output,
                         format.HasPartner() ? command.partnerOut : "", data, partner.data,
                         command.values.paletteOut, paletteOut.Value()},
                        command.rom, out, err, notes);
  }
  return CommitOutputs(out, err,
                       {{command.output, data},
                        {format.HasPartner() ? command.partnerOut : "", partner.data},
                        {command.values.paletteOut, paletteOut.Value()}});
}

std::vector<RunFile> FilesOf(const EncodeCommand& c) {
  return {{"INPUT", c.input, FileRole::Input},
          {"--partner-image", c.partnerImage, FileRole::Input},
          {"--partner-data", c.partnerData, FileRole::Input},
          {"--palette", c.values.palette, FileRole::Input},
          {"OUTPUT", c.output, FileRole::Output},
          {"--partner-out", c.partnerOut, FileRole::Output},
          {"--palette-out", c.values.paletteOut, FileRole::Output},
          {"--into", c.rom.into, FileRole::Rom},
          {"--partner-into", c.rom.partnerInto, FileRole::Rom}};
}

}  // namespace

Result<std::optional<CommandRun>> PrepareEncode(std::span<const std::string> args, bool showProgress) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseEncode(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const EncodeCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{FilesOf(command), command.input,
                 [command, showProgress](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return RunEncode(command, out, err, notes, showProgress);
                 }});
}

std::string EncodeHelp() {
  std::ostringstream text;
  text << "Usage: glyphon encode --format F [--rect X,Y,W,H | --crop]\n"
          "                      [--partner-image FILE | --partner-data FILE]\n"
          "                      [--partner-out FILE] [--verify]\n"
          "                      [--values grey|shade|index|palette] [--palette FILE]\n"
          "                      [--palette-format KIND] [--nearest] [--alpha-threshold N]\n"
          "                      [--colour-rounding nearest|truncate]\n"
          "                      [--palette-out FILE [--palette-out-format KIND]]\n"
          "                      [--order rows|columns] [--object WxH]\n"
          "                      [--object-order rows|columns] [--compression K] INPUT OUTPUT\n"
          "       glyphon encode --format F ... --into ROM --at OFFSET [--grow] [--dry-run]\n"
          "                      [--partner-into ROM --partner-at OFFSET] [--verify]\n"
          "                      [--compression K [--relocate OFF2 [--repoint]]] INPUT\n\n"
          "Converts a rectangle of the picture INPUT (PNG, BMP or GIF) into raw ROM graphics\n"
          "and writes them to OUTPUT.\n\n"
          "  --format F          the format: its caption (\"4bpp SNES\"), its index 0-"
       << formats::kFormatCount - 1
       << ", or\n"
          "                      its short name (\"4bpp-snes\") or a console name\n"
          "                      (\"4bpp-pce\"); see 'glyphon formats'\n"
          "  --rect X,Y,W,H      the selection; it must lie inside the picture (one not of\n"
          "                      whole tiles in a tiled format is warned of). Without it,\n"
          "                      the whole picture, which in a tiled format must be whole\n"
          "                      tiles (see --crop); a linear format rounds it down to\n"
          "                      multiples of 8. In a picture taller than 32767 rows Y and\n"
          "                      H go up to 2147483647\n"
          "  --partner-image F   partner picture of the partner formats (FX high/low,\n"
          "                      Mode 7 interleave, N64 alpha)\n"
          "  --partner-data F    partner data of the partner formats, raw bytes\n"
          "  --partner-out F     write the partner data as it stands after the conversion\n"
       << ValueHelp(ValueUse::Encode) << OrderHelp() << RomHelp(RomVerb::Encode)
       << CompressionHelp(RomVerb::Encode)
       << "\n"
          "A file name \"-\" is standard input as an input and standard output as an output.\n"
          "\n"
          "A PNG or BMP file taller than 32767 rows (up to 2147483647, as decode writes a\n"
          "whole ROM) is read a row at a time, never held: every pixel opaque, without\n"
          "--verify and a partner format, and into at most 256 MiB of data.\n";
  return text.str();
}

}  // namespace glyphon::cli
