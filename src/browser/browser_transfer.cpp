// SPDX-License-Identifier: MIT
#include <algorithm>

#include "browser/rom_browser.h"
#include "formats/decoding.h"
#include "rom/rom_write.h"
#include "workspace/main_window.h"

namespace glyphon::browser {

namespace {

std::string CountOf(std::uint64_t count, std::string_view unit) {
  return std::to_string(count) + " " + std::string(unit) + (count == 1 ? "" : "s");
}

}  // namespace

// The selection as a stretch of the file: whole rows, or part of one row, so its bytes are
// consecutive; none when nothing is selected or part of it lies past the end.
std::optional<BrowsedRange> RomBrowser::SelectedRange() const {
  if (!m_file || !m_selection) return std::nullopt;
  const Layout layout = CurrentLayout();
  const convert::Selection& s = *m_selection;
  const std::uint64_t band = static_cast<std::uint64_t>(s.y / layout.bandHeight);
  BrowsedRange range{Path(),
                     m_offset + band * layout.bandBytes + layout.ColumnByte(s.x),
                     layout.BytesOfPixels(std::int64_t{s.width} * s.height),
                     m_format,
                     s.width,
                     s.height};
  if (m_scheme) {
    // Within the block: the offset is the block's, the bytes its decompressed ones.
    const Block& block = CurrentBlock();
    range.inBlock = range.offset - m_offset;
    range.offset = m_offset;
    range.scheme = m_scheme;
    if (!block.decoded || range.inBlock + range.length > block.decoded.Value().bytes.size())
      return std::nullopt;
    return range;
  }
  if (range.offset + range.length > FileSize()) return std::nullopt;
  return range;
}

bool RomBrowser::SendToMainWindow(workspace::MainWindow& window) {
  CheckFile();
  if (!m_selection) {
    Warn("Select part of the view to send to the main window first.");
    return false;
  }
  const std::optional<BrowsedRange> range = SelectedRange();
  if (!range && m_scheme) {
    Warn("The selection runs past the end of the " + std::string(m_scheme->name) + " block at " +
         platform::HexOffset(m_offset) + " in " + FileName() + ".");
    return false;
  }
  if (!range) {
    Warn("The selection runs past the end of " + FileName() + ".");
    return false;
  }
  // Read before the main window is touched: a file cut short since the look above leaves
  // the selection running past its end, and the main window as it was.
  ByteString bytes(static_cast<std::size_t>(range->length));
  if (range->scheme) {
    const ByteString& block = CurrentBlock().decoded.Value().bytes;
    const auto from = block.begin() + static_cast<std::ptrdiff_t>(range->inBlock);
    std::copy(from, from + static_cast<std::ptrdiff_t>(bytes.size()), bytes.begin());
  }
  const Result<std::size_t> read =
      range->scheme ? Result<std::size_t>(bytes.size()) : m_file->ReadAt(range->offset, bytes);
  if (!read) {
    Warn("Unable to read " + FileName() + ".", read.Error());
    return false;
  }
  if (read.Value() < bytes.size()) {
    Warn("The selection runs past the end of " + FileName() + ".");
    CheckFile();  // the status bar says what the file shrank to
    return false;
  }
  // The picture is the one on screen: with the editor's unsaved edits.
  if (!range->scheme) m_working.Overlay(range->offset, bytes);
  if (window.CurrentMode() == workspace::Mode::Preview) window.ClearOrCancel();  // cancels the preview
  if (window.CurrentMode() != workspace::Mode::Normal) {
    Warn("The main window is busy. Try again when it has finished.");
    return false;
  }
  convert::PartnerState partner;
  platform::NullProgress quiet;
  formats::DecodeResult decoded = formats::Decode(FormatInfo(), bytes, range->width,
                                                  formats::DecodeMode::ImageGeneration, &partner, quiet);
  // The picture takes the browser's format, so its Convert gives these bytes back. The format
  // options are enabled only once there is a picture.
  window.MakeCurrentPicture(std::move(decoded.picture));
  window.SelectFormat(m_format);
  // A linear picture need not be whole tiles, and the grid lock cut its selection down: the
  // lock goes off and the whole picture is selected again, so a Convert gives every byte.
  if (range->width % 8 != 0 || range->height % 8 != 0) {
    window.SetTileLock(false);
    window.SetSpinner(workspace::Spinner::Width, range->width);
    window.SetSpinner(workspace::Spinner::Height, range->height);
  }
  // The partner formats share their bytes with the partner data: the same bytes as partner
  // data keep the other half as the ROM has it when the picture is converted again.
  if (FormatInfo().HasPartner()) window.SetPartnerData(std::move(bytes));
  window.MarkPictureAccepted();
  m_sent = range;
  return true;
}

// Why the main window's ROM data cannot go back over the remembered range; empty when it can.
std::string RomBrowser::WriteBackProblem(const workspace::MainWindow& window) const {
  const BrowsedRange& sent = *m_sent;
  const std::optional<workspace::DataOrigin>& origin = window.RomDataOrigin();
  if (!origin) return "The main window holds no converted data. Convert its picture first.";
  if (origin->format != sent.format) {
    return "The data was converted as " + std::string(formats::Format(origin->format).caption) +
           ", but the range at " + platform::HexOffset(sent.offset) + " holds " +
           std::string(formats::Format(sent.format).caption) + ".";
  }
  if (window.RomData().size() != sent.length) {
    return "The data is " + CountOf(window.RomData().size(), "byte") + ", but the range at " +
           platform::HexOffset(sent.offset) + " is " + CountOf(sent.length, "byte") + ".";
  }
  if (origin->selection.width != sent.width || origin->selection.height != sent.height) {
    return "The data is " + std::to_string(origin->selection.width) + " by " +
           std::to_string(origin->selection.height) + " pixels, but the range at " +
           platform::HexOffset(sent.offset) + " is " + std::to_string(sent.width) + " by " +
           std::to_string(sent.height) + ".";
  }
  return {};
}

bool RomBrowser::WriteIntoRom(const workspace::MainWindow& window) {
  if (!m_sent) {
    Warn("Nothing from this ROM is in the main window. Send a selection there first.");
    return false;
  }
  const BrowsedRange sent = *m_sent;
  const std::string name = sent.path.filename().string();
  if (std::string problem = WriteBackProblem(window); !problem.empty()) {
    Warn("Unable to write into " + name + ".", problem);
    return false;
  }
  const ByteString& data = window.RomData();
  if (sent.scheme) return WriteBlockIntoRom(sent, data);
  Result<rom::RomWritePlan> plan = rom::PlanRomWrite(sent.path, sent.offset, data, false);
  if (!plan) {
    Warn("Unable to write into " + name + ".", plan.Error());
    return false;
  }
  std::vector<std::string> question{"Write " + CountOf(sent.length, "byte") + " at " +
                                        platform::HexOffset(sent.offset) + " into " + name + "?",
                                    CountOf(plan.Value().changed, "byte") + " will change."};
  if (m_platform.ShowMessage({std::move(question), platform::Buttons::YesNo, platform::Icon::Question,
                              platform::Answer::No, ""}) != platform::Answer::Yes)
    return false;
  if (Status written = rom::ApplyRomWrite(plan.Value(), data); !written) {
    Warn("Unable to write into " + name + ".", written.error);
    return false;
  }
  // Read back from the file now under the name; one cut short since is not the bytes written.
  Result<ByteString> after = platform::ReadFileRange(sent.path, sent.offset, sent.length, sent.length);
  const bool same = after && after.Value() == data;
  if (!same) {
    Warn("The bytes read back from " + name + " are not the bytes written.");
    return false;
  }
  // The editor's unsaved edits of the range are in the ROM now, or replaced.
  if (m_file && m_file->Path() == sent.path) {
    m_working.Put(sent.offset, data, data);
    CheckFile();
  }
  m_stale = true;
  return true;
}

}  // namespace glyphon::browser
