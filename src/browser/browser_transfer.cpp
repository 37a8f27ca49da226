// SPDX-License-Identifier: MIT
#include <algorithm>

#include "browser/rom_browser.h"
#include "formats/decoding.h"
#include "formats/values.h"
#include "platform/file_range.h"
#include "rom/rom_write.h"
#include "workspace/main_window.h"

namespace glyphon::browser {

using platform::CountOf;

// The bytes a write replaced and the bytes it wrote, at one place of one file.
class RomBrowser::WriteStep final : public platform::UndoCommand {
 public:
  WriteStep(RomBrowser& browser, std::string name, std::filesystem::path path, std::uint64_t offset,
            ByteString before, ByteString after)
      : m_browser(browser),
        m_name(std::move(name)),
        m_path(std::move(path)),
        m_offset(offset),
        m_before(std::move(before)),
        m_after(std::move(after)) {}
  std::string Name() const override { return m_name; }
  bool Undo() override { return Write(m_before); }
  bool Redo() override { return Write(m_after); }

 private:
  bool Write(const ByteString& bytes) {
    return m_browser.WriteAsked(m_path, m_offset, bytes,
                                "Write " + CountOf(bytes.size(), "byte") + " at " +
                                    platform::HexOffset(m_offset) + " into " + m_path.filename().string() +
                                    "?",
                                {});
  }
  RomBrowser& m_browser;
  std::string m_name;
  std::filesystem::path m_path;
  std::uint64_t m_offset;
  ByteString m_before;
  ByteString m_after;
};

bool RomBrowser::WriteAsked(const std::filesystem::path& path, std::uint64_t offset, const ByteString& bytes,
                            std::string question, const std::string& step) {
  const std::string name = path.filename().string();
  // What is there now, to be written back by an undo.
  Result<ByteString> before = platform::ReadFileRange(path, offset, bytes.size(), bytes.size());
  Result<rom::RomWritePlan> plan = rom::PlanRomWrite(path, offset, bytes, false);
  if (!plan || !before) {
    Warn("Unable to write into " + name + ".", !plan ? plan.Error() : before.Error());
    return false;
  }
  const std::uint64_t changed = plan.Value().changed;
  if (m_platform.ShowMessage({{std::move(question), CountOf(changed, "byte") + " will change."},
                              platform::Buttons::YesNo,
                              platform::Icon::Question,
                              platform::Answer::No,
                              ""}) != platform::Answer::Yes)
    return false;
  if (Status written = rom::ApplyRomWrite(plan.Value(), bytes); !written) {
    Warn("Unable to write into " + name + ".", written.error);
    return false;
  }
  // Read back from the file now under the name; one cut short since is not the bytes written.
  Result<ByteString> after = platform::ReadFileRange(path, offset, bytes.size(), bytes.size());
  if (!after || after.Value() != bytes) {
    Warn("The bytes read back from " + name + " are not the bytes written.");
    return false;
  }
  // The editor's unsaved edits of the range are in the ROM now, or replaced.
  if (m_file && m_file->Path() == path) {
    m_working.Put(offset, bytes, bytes);
    CheckFile();
  }
  m_block.reset();
  m_stale = true;
  m_report = "Wrote " + CountOf(bytes.size(), "byte") + " at " + platform::HexOffset(offset) + " into " +
             name + ", " + std::to_string(changed) + " of them changed.";
  if (!step.empty())
    m_history.Push(std::make_unique<WriteStep>(*this, step, path, offset, std::move(before).Value(), bytes));
  return true;
}

RomBrowser::Settings RomBrowser::CurrentSettings() const {
  return {m_format, m_width, m_order, m_scheme, m_offset, m_selection};
}

void RomBrowser::Apply(const Settings& settings) {
  m_format = settings.format;
  m_width = settings.width;
  m_order = settings.order;
  m_scheme = settings.scheme;
  m_offset = settings.offset;
  Changed();
  m_selection = settings.selection;
}

void RomBrowser::Record(std::string name, const std::function<void()>& operation, int mergeKey) {
  const Settings before = CurrentSettings();
  operation();
  Recorded(std::move(name), before, mergeKey);
}

void RomBrowser::Recorded(std::string name, const Settings& before, int mergeKey) {
  const Settings after = CurrentSettings();
  if (after == before) return;
  m_history.Push(std::make_unique<platform::StateCommand<Settings>>(
      std::move(name), mergeKey, before, after, [this](const Settings& settings) { Apply(settings); }));
}

bool RomBrowser::Undo() {
  return TakeStep(true);
}

bool RomBrowser::Redo() {
  return TakeStep(false);
}

// "Undid Write into ROM: Wrote 48 bytes at ...", "Redid Format 4bpp SNES."
bool RomBrowser::TakeStep(bool undo) {
  const std::string name = undo ? m_history.UndoName() : m_history.RedoName();
  const std::string report = std::move(m_report);
  m_report.clear();
  if (!(undo ? m_history.Undo() : m_history.Redo())) {
    m_report = report;
    return false;
  }
  // The stack named the step "Undo NAME" or "Redo NAME".
  m_report = (undo ? "Undid " : "Redid ") + name.substr(5) + (m_report.empty() ? "." : ": " + m_report);
  return true;
}

bool RomBrowser::CanWriteInto(const workspace::MainWindow& window) const {
  return m_sent.has_value() && window.RomDataOrigin().has_value();
}

std::vector<RgbColor> RomBrowser::ValueColours() const {
  const formats::FormatInfo& format = FormatInfo();
  if (!format.HasValues()) return {};  // the direct-colour formats store colours
  const formats::GreyPalette& greys = *format.values;
  std::vector<RgbColor> colours(greys.colourOfIndex.begin(),
                                greys.colourOfIndex.begin() + greys.MaxIndex() + 1);
  if (m_colours == Colours::DecoderGreys) return colours;
  const std::array<RgbColor, 256> table = ColourTable(format);
  for (RgbColor& colour : colours) colour = table[static_cast<std::size_t>(colour & 0xFF)];
  return colours;
}

std::string RomBrowser::DescribeSelection() const {
  const std::optional<BrowsedRange> range = SelectedRange();
  if (!range || range->length == 0) return {};
  const std::uint64_t first = range->scheme ? range->inBlock : range->offset;
  std::string where = platform::HexOffset(first) + "-" + platform::HexOffset(first + range->length - 1);
  if (range->scheme)
    where +=
        " of the " + std::string(range->scheme->name) + " block at " + platform::HexOffset(range->offset);
  return "Selected " + where + ": " + CountOf(range->length, "byte") + ", " + std::to_string(range->width) +
         " by " + std::to_string(range->height) + " pixels";
}

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
  bool sent = false;
  window.Record("Send from ROM browser", [&] { sent = SendNow(window); });
  return sent;
}

bool RomBrowser::SendNow(workspace::MainWindow& window) {
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
  // options are enabled only once there is a picture. It keeps its values and shows them in
  // the browser's colours; Convert then stores those values.
  if (FormatInfo().HasValues()) {
    const convert::Selection whole{0, 0, decoded.picture.Width(), decoded.picture.Height()};
    convert::ValuePlane values = formats::ValuesOf(FormatInfo(), decoded.picture, whole);
    std::vector<RgbColor> colours = ValueColours();
    for (int y = 0; y < whole.height; ++y) {
      auto row = decoded.picture.Row(y);
      for (int x = 0; x < whole.width; ++x) row[static_cast<std::size_t>(x)] = colours[values.At(x, y)];
    }
    window.MakeCurrentPicture(std::move(decoded.picture), std::move(values.values), std::move(colours));
    window.ChooseValueRule(formats::ValueRule::Index);
  } else {
    window.MakeCurrentPicture(std::move(decoded.picture));
  }
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
  return WriteAsked(sent.path, sent.offset, data,
                    "Write " + CountOf(sent.length, "byte") + " at " + platform::HexOffset(sent.offset) +
                        " into " + name + "?",
                    "Write into ROM");
}

}  // namespace glyphon::browser
