// SPDX-License-Identifier: MIT
#include "browser/pixel_editor.h"

#include <algorithm>
#include <utility>

#include "browser/rom_browser.h"
#include "formats/decoding.h"
#include "formats/values.h"
#include "platform/file_range.h"
#include "platform/output_batch.h"
#include "rom/rom_write.h"

namespace glyphon::browser {

// ---- The working copy ----

void WorkingCopy::Put(std::uint64_t offset, std::span<const std::uint8_t> bytes,
                      std::span<const std::uint8_t> file) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i < file.size() && bytes[i] == file[i]) {
      m_bytes.erase(offset + i);
    } else {
      m_bytes[offset + i] = bytes[i];
    }
  }
}

void WorkingCopy::Overlay(std::uint64_t offset, std::span<std::uint8_t> into) const {
  for (auto at = m_bytes.lower_bound(offset); at != m_bytes.end() && at->first - offset < into.size(); ++at)
    into[static_cast<std::size_t>(at->first - offset)] = at->second;
}

std::vector<WorkingCopy::Range> WorkingCopy::Ranges() const {
  std::vector<Range> ranges;
  for (const auto& [offset, byte] : m_bytes) {
    if (ranges.empty() || ranges.back().offset + ranges.back().bytes.size() != offset)
      ranges.push_back({offset, {}});
    ranges.back().bytes.push_back(byte);
  }
  return ranges;
}

namespace {

using platform::CountOf;

// The values of `bytes` decoded at `width` into `height` rows, as the encoder classifies them.
convert::ValuePlane DecodeValues(const formats::FormatInfo& format, std::span<const std::uint8_t> bytes,
                                 int width, int height) {
  platform::Surface picture(width, height);
  platform::NullProgress quiet;
  convert::ProgressTicker ticker(quiet, std::int64_t{width} * height);
  format.decode(bytes, picture, formats::DecodeMode::Preview, nullptr, ticker);
  return formats::ValuesOf(format, picture, {0, 0, width, height});
}

}  // namespace

// ---- The canvas: the browser's view as values ----

class RomEditor::RomCanvas : public editor::Canvas {
 public:
  RomCanvas(RomBrowser& browser, RomEditor& owner) : m_browser(browser), m_owner(owner) {}

  int Width() const override { return m_browser.CurrentLayout().pixelWidth; }
  int Height() const override { return m_browser.VisibleBands() * m_browser.CurrentLayout().bandHeight; }
  int MaxValue() const override {
    const formats::FormatInfo& format = m_browser.FormatInfo();
    return format.HasValues() ? static_cast<int>(format.values->MaxIndex()) : 0;
  }
  int TileSide() const override { return m_browser.FormatInfo().blockSide; }

  std::optional<std::uint8_t> ValueAt(editor::Point p) const override {
    if (p.x < 0 || p.y < 0 || p.x >= Width() || p.y >= Height()) return std::nullopt;
    Refresh();
    const std::size_t i = m_values.Index(p.x, p.y);
    if (!m_present[i]) return std::nullopt;
    return m_values.values[i];
  }

  std::unique_ptr<platform::UndoCommand> Write(std::span<const editor::PixelWrite> writes,
                                               std::string name) override;

  void Stale() noexcept { m_fresh = false; }

  // What the screen's values depend on besides the edits.
  struct Key {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    int format = 0;
    int width = 0;
    int height = 0;
    tiles::TileOrder order;
    friend bool operator==(const Key&, const Key&) = default;
  };
  Key CurrentKey() const {
    return {m_browser.Offset(), m_browser.FileSize(), m_browser.Format(), m_browser.Width(),
            Height(),           m_browser.TileOrder()};
  }

 private:
  // Where a pixel's values are stored: a whole block in the formats that store blocks whole,
  // else the band (row of tiles, or pixel row) it lies in.
  struct Unit {
    std::uint64_t offset = 0;
    int width = 0;
    int height = 0;
    int x = 0;  // the pixel within the unit
    int y = 0;
  };
  std::optional<Unit> UnitOf(editor::Point p) const {
    if (p.x < 0 || p.y < 0 || p.x >= Width() || p.y >= Height()) return std::nullopt;
    const Layout layout = m_browser.CurrentLayout();
    const formats::FormatInfo& format = m_browser.FormatInfo();
    if (format.StoresWholeBlocks()) {
      const int side = format.blockSide;
      const int zoom = m_browser.Zoom();
      const std::optional<PointInfo> point = m_browser.At(p.x * zoom, p.y * zoom);
      if (!point) return std::nullopt;
      return Unit{point->offset, side, side, p.x % side, p.y % side};
    }
    const auto band = static_cast<std::uint64_t>(p.y / layout.bandHeight);
    return Unit{m_browser.Offset() + band * layout.bandBytes, layout.pixelWidth, layout.bandHeight, p.x,
                p.y % layout.bandHeight};
  }
  std::uint64_t BytesOf(const Unit& unit) const {
    return m_browser.CurrentLayout().BytesOfPixels(std::int64_t{unit.width} * unit.height);
  }
  bool Inside(const Unit& unit) const { return unit.offset + BytesOf(unit) <= m_browser.FileSize(); }

  // The screen's values, decoded from the bytes the view was last drawn from.
  void Refresh() const {
    if (m_fresh && m_key == CurrentKey()) return;
    m_browser.Render();
    m_key = CurrentKey();
    const formats::FormatInfo& format = m_browser.FormatInfo();
    const int width = Width(), height = Height();
    platform::Surface picture(width, height);
    {
      platform::NullProgress quiet;
      convert::ProgressTicker ticker(quiet, std::int64_t{width} * height);
      format.decode(m_browser.m_bytes, picture, formats::DecodeMode::Preview, nullptr, ticker);
    }
    const tiles::TileOrder& order = m_browser.TileOrder();
    if (!order.Plain() || order.inside != tiles::Walk::Rows)
      picture = tiles::PictureOfSheet(picture, format.blockSide, order);
    m_values = formats::ValuesOf(format, picture, {0, 0, width, height});
    m_present.assign(m_values.values.size(), false);
    // One unit at a time: every pixel of a unit lies inside the file or none does.
    const bool blocks = format.StoresWholeBlocks();
    const int stepX = blocks ? format.blockSide : width;
    const int stepY = blocks ? format.blockSide : m_browser.CurrentLayout().bandHeight;
    for (int y = 0; y < height; y += stepY)
      for (int x = 0; x < width; x += stepX) {
        const std::optional<Unit> unit = UnitOf({x, y});
        if (!unit || !Inside(*unit)) continue;
        for (int v = y; v < std::min(height, y + stepY); ++v)
          std::fill_n(m_present.begin() + static_cast<std::ptrdiff_t>(m_values.Index(x, v)),
                      std::min(stepX, width - x), true);
      }
    m_fresh = true;
  }

  RomBrowser& m_browser;
  RomEditor& m_owner;
  mutable bool m_fresh = false;
  mutable Key m_key;
  mutable convert::ValuePlane m_values;
  mutable std::vector<bool> m_present;
};

// Bytes of the working copy before and after one write, by offset.
class RomEditor::BytesCommand : public platform::UndoCommand {
 public:
  struct Change {
    std::uint64_t offset = 0;
    ByteString before;
    ByteString after;
  };
  BytesCommand(RomEditor& owner, std::vector<Change> changes, std::string name)
      : m_owner(owner), m_changes(std::move(changes)), m_name(std::move(name)) {}
  std::string Name() const override { return m_name; }
  bool Undo() override {
    for (auto at = m_changes.rbegin(); at != m_changes.rend(); ++at) m_owner.Put(at->offset, at->before);
    return true;
  }
  bool Redo() override {
    for (const Change& change : m_changes) m_owner.Put(change.offset, change.after);
    return true;
  }

 private:
  RomEditor& m_owner;
  std::vector<Change> m_changes;
  std::string m_name;
};

std::unique_ptr<platform::UndoCommand> RomEditor::RomCanvas::Write(std::span<const editor::PixelWrite> writes,
                                                                   std::string name) {
  // The writes by the unit they fall in, each unit decoded, drawn on and encoded once.
  struct Pending {
    Unit unit;
    std::vector<std::pair<editor::Point, std::uint8_t>> pixels;
  };
  std::map<std::uint64_t, Pending> units;
  for (const editor::PixelWrite& w : writes) {
    if (w.value > MaxValue()) continue;
    const std::optional<Unit> unit = UnitOf({w.x, w.y});
    if (!unit || !Inside(*unit)) continue;
    Pending& pending = units.try_emplace(unit->offset, Pending{*unit, {}}).first->second;
    pending.pixels.push_back({{unit->x, unit->y}, w.value});
  }
  const formats::FormatInfo& format = m_browser.FormatInfo();
  std::vector<BytesCommand::Change> changes;
  for (auto& [offset, pending] : units) {
    const Unit& unit = pending.unit;
    ByteString file(static_cast<std::size_t>(BytesOf(unit)));
    const Result<std::size_t> read = m_browser.m_file->ReadAt(offset, file);
    if (!read || read.Value() < file.size()) continue;
    ByteString before = file;
    m_browser.m_working.Overlay(offset, before);
    convert::ValuePlane values = DecodeValues(format, before, unit.width, unit.height);
    for (const auto& [p, value] : pending.pixels) values.Set(p.x, p.y, value);
    convert::PartnerState partner;
    platform::NullProgress quiet;
    Result<ByteString> after = formats::Encode(format, formats::PictureOfValues(format, values),
                                               {0, 0, unit.width, unit.height}, partner, quiet);
    if (!after || after.Value().size() != before.size() || after.Value() == before) continue;
    m_browser.m_working.Put(offset, after.Value(), file);
    changes.push_back({offset, std::move(before), std::move(after).Value()});
  }
  if (changes.empty()) return nullptr;
  m_owner.Touched();
  return std::make_unique<BytesCommand>(m_owner, std::move(changes), std::move(name));
}

// ---- The editor ----

RomEditor::RomEditor(RomBrowser& browser, platform::Platform& platform)
    : m_browser(browser),
      m_platform(platform),
      m_history(browser.m_history),
      m_canvas(std::make_unique<RomCanvas>(browser, *this)),
      m_tools(std::make_unique<editor::Editor>(*m_canvas, m_history)) {}

RomEditor::~RomEditor() = default;

const editor::Canvas& RomEditor::Canvas() const noexcept {
  return *m_canvas;
}

void RomEditor::Warn(std::string_view first, std::string_view reason) {
  std::vector<std::string> lines{std::string(first)};
  if (!reason.empty()) lines.emplace_back(reason);
  m_platform.ShowMessage(
      {std::move(lines), platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""});
}

std::string RomEditor::Problem() const {
  if (!m_browser.HasFile()) return "Open a ROM to edit first.";
  const std::string name = m_browser.Path().filename().string();
  const formats::FormatInfo& format = m_browser.FormatInfo();
  const std::string caption(format.caption);
  if (m_browser.Compression())
    return "Unable to edit " + name +
           ": the view shows a decompressed block; choose Compression None to edit.";
  if (!format.HasValues()) return "Unable to edit " + name + ": " + caption + " stores colours, not values.";
  if (format.HasPartner())
    return "Unable to edit " + name + ": " + caption + " shares its bytes with partner data.";
  if (!format.lossless)
    return "Unable to edit " + name + ": " + caption + " does not draw every bit it stores.";
  return {};
}

bool RomEditor::SetEditing(bool on) {
  if (on && !m_editing) {
    if (std::string problem = Problem(); !problem.empty()) {
      Warn(problem);
      return false;
    }
  }
  if (!on && m_tools->Stroking()) m_tools->Release({0, 0});
  m_editing = on;
  m_tools->FitValues();
  return m_editing;
}

void RomEditor::Touched() {
  m_canvas->Stale();
  m_browser.m_stale = true;
}

void RomEditor::Put(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  ByteString file(bytes.size());
  const Result<std::size_t> read =
      m_browser.m_file ? m_browser.m_file->ReadAt(offset, file) : Result<std::size_t>::Failure("no file");
  if (read) file.resize(read.Value());
  m_browser.m_working.Put(offset, bytes,
                          read ? std::span<const std::uint8_t>(file) : std::span<const std::uint8_t>());
  Touched();
}

bool RomEditor::Undo() {
  if (m_tools->Stroking()) return false;
  return m_browser.Undo();
}

bool RomEditor::Redo() {
  if (m_tools->Stroking()) return false;
  return m_browser.Redo();
}

std::optional<editor::Point> RomEditor::PixelAt(int viewX, int viewY, bool clamp) const {
  const int zoom = m_browser.Zoom();
  editor::Point p{viewX < 0 ? -1 : viewX / zoom, viewY < 0 ? -1 : viewY / zoom};
  if (clamp) {
    p.x = std::clamp(p.x, 0, std::max(0, m_canvas->Width() - 1));
    p.y = std::clamp(p.y, 0, std::max(0, m_canvas->Height() - 1));
  }
  if (p.x < 0 || p.y < 0 || p.x >= m_canvas->Width() || p.y >= m_canvas->Height()) return std::nullopt;
  return p;
}

void RomEditor::Press(int viewX, int viewY, bool second) {
  if (!m_editing || !Problem().empty()) return;
  m_tools->FitValues();
  if (const std::optional<editor::Point> p = PixelAt(viewX, viewY)) m_tools->Press(*p, second);
}

void RomEditor::Drag(int viewX, int viewY) {
  if (!m_tools->Stroking()) return;
  if (const std::optional<editor::Point> p = PixelAt(viewX, viewY, true)) m_tools->Drag(*p);
}

void RomEditor::Release(int viewX, int viewY) {
  if (!m_tools->Stroking()) return;
  // A view emptied under the stroke still ends it.
  const std::optional<editor::Point> p = PixelAt(viewX, viewY, true);
  m_tools->Release(p.value_or(editor::Point{}));
}

// ---- Tile operations ----

std::optional<editor::Rect> RomEditor::SelectionRect(bool needed) {
  if (std::string problem = Problem(); !problem.empty()) {
    Warn(problem);
    return std::nullopt;
  }
  const std::optional<convert::Selection>& s = m_browser.Selection();
  if (!s) {
    if (needed) Warn("Select the tiles first: drag over them with the editing mode off.");
    return std::nullopt;
  }
  return editor::Rect{s->x, s->y, s->width, s->height};
}

bool RomEditor::CopySelection() {
  const std::optional<editor::Rect> rect = SelectionRect();
  if (!rect) return false;
  std::optional<editor::Clip> clip = m_tools->Copy(*rect);
  if (!clip) {
    Warn("The selection runs past the end of " + m_browser.Path().filename().string() + ".");
    return false;
  }
  editor::Clipboard() = std::move(clip);
  return true;
}

bool RomEditor::PasteAtSelection() {
  if (!editor::Clipboard()) {
    Warn("Copy some tiles first.");
    return false;
  }
  if (std::string problem = Problem(); !problem.empty()) {
    Warn(problem);
    return false;
  }
  const std::optional<convert::Selection>& s = m_browser.Selection();
  std::string why;
  const bool pasted =
      m_tools->Paste(*editor::Clipboard(), s ? editor::Point{s->x, s->y} : editor::Point{}, &why);
  if (!why.empty()) Warn("Unable to paste into " + m_browser.Path().filename().string() + ".", why);
  return pasted;
}

bool RomEditor::FlipHorizontally() {
  const std::optional<editor::Rect> rect = SelectionRect();
  return rect && m_tools->FlipHorizontally(*rect);
}

bool RomEditor::FlipVertically() {
  const std::optional<editor::Rect> rect = SelectionRect();
  return rect && m_tools->FlipVertically(*rect);
}

bool RomEditor::Rotate() {
  const std::optional<editor::Rect> rect = SelectionRect();
  if (!rect) return false;
  std::string why;
  const bool turned = m_tools->Rotate(*rect, &why);
  if (!why.empty()) Warn("Unable to rotate the selection.", why);
  return turned;
}

bool RomEditor::SwapValues() {
  const std::optional<editor::Rect> rect = SelectionRect();
  return rect && m_tools->SwapValuesIn(*rect);
}

bool RomEditor::Remap(std::string_view pairs) {
  const std::optional<editor::Rect> rect = SelectionRect();
  if (!rect) return false;
  std::string why;
  const std::optional<std::array<std::uint8_t, 256>> table =
      editor::ParseRemap(pairs, m_canvas->MaxValue(), &why);
  if (!table) {
    Warn("Unable to remap the values in " + m_browser.Path().filename().string() + ".", why);
    return false;
  }
  return m_tools->Remap(*rect, *table);
}

bool RomEditor::Clear() {
  const std::optional<editor::Rect> rect = SelectionRect();
  return rect && m_tools->Clear(*rect);
}

// ---- Saving ----

std::vector<RgbColor> RomEditor::ValueColours() const {
  return m_browser.ValueColours();
}

std::string RomEditor::Describe(int viewX, int viewY) const {
  std::string text = editor::ToolName(m_tools->CurrentTool()) + "  value " +
                     std::to_string(m_tools->Value()) + " / " + std::to_string(m_tools->Value(true));
  if (const std::optional<editor::Point> p = PixelAt(viewX, viewY))
    if (const std::optional<std::uint8_t> v = m_canvas->ValueAt(*p))
      text += "  (" + std::to_string(p->x) + ", " + std::to_string(p->y) + ") = " + std::to_string(*v);
  return text;
}

bool RomEditor::HasUnsavedEdits() const noexcept {
  return !m_browser.m_working.Empty();
}

bool RomEditor::Save() {
  return Write(true);
}

bool RomEditor::Write(bool ask) {
  if (!m_browser.HasFile() || !HasUnsavedEdits()) return false;
  const std::filesystem::path path = m_browser.Path();
  const std::string name = path.filename().string();
  const std::vector<WorkingCopy::Range> ranges = m_browser.m_working.Ranges();
  std::vector<rom::RomWritePlan> plans;
  plans.reserve(ranges.size());
  std::uint64_t changed = 0;
  for (const WorkingCopy::Range& range : ranges) {
    Result<rom::RomWritePlan> plan = rom::PlanRomWrite(path, range.offset, range.bytes, false);
    if (!plan) {
      Warn("Unable to save the edits into " + name + ".", plan.Error());
      return false;
    }
    changed += plan.Value().changed;
    plans.push_back(std::move(plan).Value());
  }
  // The question names the ranges, the first few of them when there are many.
  constexpr std::size_t kNamed = 6;
  std::string where;
  for (std::size_t i = 0; i < ranges.size() && i < kNamed; ++i) {
    const std::uint64_t last = ranges[i].offset + ranges[i].bytes.size() - 1;
    where += (i > 0 ? ", " : "") + platform::HexOffset(ranges[i].offset) +
             (last > ranges[i].offset ? "-" + platform::HexOffset(last) : std::string());
  }
  if (ranges.size() > kNamed) where += " and " + std::to_string(ranges.size() - kNamed) + " more";
  std::vector<std::string> question{"Save the edits into " + name + " at " + where + "?",
                                    CountOf(changed, "byte") + " will change."};
  if (ask && m_platform.ShowMessage({std::move(question), platform::Buttons::YesNo, platform::Icon::Question,
                                     platform::Answer::No, ""}) != platform::Answer::Yes)
    return false;
  std::vector<rom::RomPiece> pieces;
  for (std::size_t i = 0; i < ranges.size(); ++i) pieces.push_back({&plans[i], ranges[i].bytes});
  platform::OutputBatch batch;
  Status written = rom::StageRomWrites(batch, pieces);
  if (written) written = batch.Commit();
  if (!written) {
    Warn("Unable to save the edits into " + name + ".", written.error);
    return false;
  }
  for (const WorkingCopy::Range& range : ranges) {
    Result<ByteString> after =
        platform::ReadFileRange(path, range.offset, range.bytes.size(), range.bytes.size());
    if (!after || after.Value() != range.bytes) {
      Warn("The bytes read back from " + name + " are not the bytes saved.");
      return false;
    }
  }
  m_browser.m_working.Clear();
  m_history.SetClean();
  m_browser.CheckFile();
  Touched();
  return true;
}

bool RomEditor::ConfirmDiscard(std::string_view action) {
  if (!HasUnsavedEdits()) return true;
  const platform::Answer answer = m_platform.ShowMessage(
      {{"Save the edits to " + m_browser.Path().filename().string() + " before " + std::string(action) + "?"},
       platform::Buttons::YesNoCancel,
       platform::Icon::Question,
       platform::Answer::Yes,
       ""});
  if (answer == platform::Answer::Cancel) return false;
  if (answer == platform::Answer::Yes) return Write(false);
  return true;
}

void RomEditor::Forget() {
  if (m_tools->Stroking()) m_tools->Release({0, 0});
  m_browser.m_working.Clear();
  m_history.Clear();
  Touched();
}

}  // namespace glyphon::browser
