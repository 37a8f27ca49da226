// SPDX-License-Identifier: MIT
#include "workspace/main_window.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "formats/decoding.h"
#include "formats/value_rules.h"

namespace glyphon::workspace {

namespace {

using platform::Answer;
using platform::Surface;

const std::array<std::string, 9> kAboutLines = {
    AboutName(),
    "Copyright 2026",
    "The ROM Glyphon developers",
    "                  (see README)",
    "",
    "Converts an image into a ROM graphics",
    "formatted file and back again.",
    "For best results, use on a True Color (24",
    "bit) or higher display.",
};

constexpr std::string_view kConversionCaption = "Image Conversion Progress";

constexpr std::array<Spinner, 4> kSpinners = {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height};

constexpr std::string_view kChangeSelection = "Change selection";

std::string RuleCaption(const WindowState& s) {
  if (s.valueRule == formats::ValueRule::Palette) return "palette " + s.valuePaletteName;
  return std::string(formats::ValueRuleName(s.valueRule));
}

}  // namespace

MainWindow::MainWindow(platform::Platform& platform) : m_platform(platform), m_progress(platform) {}

// ---- History ----

void MainWindow::Record(std::string name, const std::function<void()>& operation, int mergeKey) {
  if (m_recording > 0) {
    operation();
    return;
  }
  const std::shared_ptr<const WindowState> before =
      m_recorded && *m_recorded == m_state ? m_recorded : std::make_shared<const WindowState>(m_state);
  const int said = m_statusLines;
  ++m_recording;
  try {
    operation();
  } catch (...) {
    --m_recording;
    throw;
  }
  --m_recording;
  if (m_state == *before) return;
  // The status line names the step unless the step said more itself (Convert does).
  if (m_statusLines == said) m_status = name + ".";
  auto after = std::make_shared<const WindowState>(m_state);
  m_recorded = after;
  // A step holds the whole state before and after it; neighbouring steps share theirs.
  using StateStep = platform::StateCommand<std::shared_ptr<const WindowState>>;
  m_history.Push(std::make_unique<StateStep>(std::move(name), mergeKey, before, std::move(after),
                                             [this](const auto& state) { Restore(*state); }));
}

void MainWindow::Restore(const WindowState& state) {
  const bool viewer = m_state.viewerOpen;
  m_state = state;
  m_state.viewerOpen = viewer && CanOpenViewer(m_state);
}

bool MainWindow::Undo() {
  // Not while a command runs: its loop lets window messages in.
  if (m_state.mode != Mode::Normal && m_state.mode != Mode::Preview) return false;
  const std::string name = m_history.UndoName();
  if (!m_history.Undo()) return false;
  m_status = "Undid " + name.substr(5) + ".";
  return true;
}

bool MainWindow::Redo() {
  if (m_state.mode != Mode::Normal && m_state.mode != Mode::Preview) return false;
  const std::string name = m_history.RedoName();
  if (!m_history.Redo()) return false;
  m_status = "Redid " + name.substr(5) + ".";
  return true;
}

WindowView MainWindow::View() const {
  WindowView view = ViewOf(m_state);
  view.status = m_status;
  // Within the bounds of the picture shown now.
  const Surface* shown = ShownPicture(m_state);
  const int side = shown != nullptr ? std::max({shown->Width(), shown->Height(), 1}) : 1;
  view.viewer.zoom = std::clamp(m_viewerZoom, 1, std::clamp(kMaxZoomedSide / side, 1, kMaxZoom));
  const auto zoom = static_cast<float>(view.viewer.zoom);
  Outline& outline = view.viewer.outline;
  outline = {outline.left * zoom, outline.top * zoom, (outline.width - 1) * zoom + 1,
             (outline.height - 1) * zoom + 1, outline.visible};
  return view;
}

void MainWindow::ZoomViewer(int steps) {
  const Surface* shown = ShownPicture(m_state);
  const int side = shown != nullptr ? std::max({shown->Width(), shown->Height(), 1}) : 1;
  const int most = std::clamp(kMaxZoomedSide / side, 1, kMaxZoom);
  m_viewerZoom = std::clamp(m_viewerZoom + steps, 1, most);
}

void MainWindow::ChooseValueRule(formats::ValueRule rule, std::vector<RgbColor> colours,
                                 std::string paletteName) {
  Record("Values: " + (rule == formats::ValueRule::Palette ? "palette " + paletteName
                                                           : std::string(formats::ValueRuleName(rule))),
         [&] {
           m_state.valueRule = rule;
           const bool palette = rule == formats::ValueRule::Palette;
           m_state.valuePalette = palette ? std::move(colours) : std::vector<RgbColor>();
           m_state.valuePaletteName = palette ? std::move(paletteName) : std::string();
         });
}

// ---- Start-up, shut-down, Clear, Cancel, About ----

void MainWindow::Start() {
  m_state.format = kStartFormat;
  ApplyFormat();
  ClearWindow();
}

void MainWindow::Close() {
  m_state.viewerOpen = false;
}

void MainWindow::ClearOrCancel() {
  if (ClearCancels()) {
    Record("Cancel", [this] { CancelPreview(); });
  } else {
    Record("Clear", [this] {
      ClearWindow();
      // The converted data goes too: nothing is left to save or to write into a ROM.
      m_state.romData.clear();
      m_state.dataOrigin.reset();
      m_state.saveOffersData = false;
    });
  }
}

// Clear: the thumbnail and the selection go; the picture itself and the Load and Paste
// commands stay.
void MainWindow::ClearWindow() {
  m_state.thumbnail = Thumbnail::Nothing;
  m_state.cleared = true;
  for (Spinner spinner : kSpinners) SetSpinner(spinner, 0);
}

// Cancel: leaves a ROM data preview and brings back the picture that was current before
// it, wholly selected. The loaded data stays.
void MainWindow::CancelPreview() {
  m_state.thumbnail = m_state.picture.HasPicture() ? Thumbnail::Picture : Thumbnail::Nothing;
  m_state.mode = Mode::Normal;
  m_state.cleared = false;
  SelectWholePicture();
  ApplyTileLock();
  // Nothing was current before the preview: the window ends up empty.
  if (!m_state.picture.HasPicture()) ClearWindow();
}

void MainWindow::ShowAbout() {
  m_platform.ShowMessage({{kAboutLines.begin(), kAboutLines.end()},
                          platform::Buttons::Ok,
                          platform::Icon::Information,
                          Answer::Ok,
                          AboutTitle()});
}

// ---- Convert ----

void MainWindow::Convert() {
  Record("Convert", [this] { ConvertSelection(); });
}

Result<Surface> MainWindow::EncoderPicture() const {
  const formats::FormatInfo& format = Format();
  const formats::ValueRule rule = m_state.valueRule;
  // The direct-colour formats store the colours themselves.
  if (!format.HasValues() || rule == formats::ValueRule::Grey) return m_state.picture;
  if (rule == formats::ValueRule::Index && m_state.pictureIndices.empty())
    return Result<Surface>::Failure(
        "the picture holds colours, not palette indices: choose another value rule, or load a palette PNG");
  palette::Palette chosen{m_state.valuePalette};
  const formats::ValueSource source{m_state.picture, m_state.pictureIndices, m_state.pictureColours, &chosen,
                                    false};
  Result<formats::ChosenValues> values = formats::ValuesUnderRule(rule, format, source, m_state.selection);
  if (!values) return Result<Surface>::Failure(values.Error());
  Surface painted = m_state.picture;
  if (Status fits = formats::PaintValues(format, painted, m_state.selection, values.Value().values); !fits)
    return Result<Surface>::Failure(fits.error);
  return painted;
}

void MainWindow::ConvertSelection() {
  const formats::FormatInfo& format = Format();
  const convert::Selection selection = m_state.selection;
  // Nothing to convert: the old data, which may still be saved, stays.
  if (selection.width == 0 || selection.height == 0) {
    m_platform.ShowMessage(
        {{"The selection is empty."}, platform::Buttons::Ok, platform::Icon::Exclamation, Answer::Ok, ""});
    return;
  }

  if (format.HasPartner() && !m_state.partner.HasPicture() && !m_state.partner.HasData()) {
    const platform::Message question{
        {"NOTE: No " + std::string(format.partnerName) + " data loaded.", "Do you wish to continue?"},
        platform::Buttons::YesNo,
        platform::Icon::Question,
        Answer::Yes,
        ""};
    if (m_platform.ShowMessage(question) != Answer::Yes) return;
  }

  // Everything a click could reach is out of reach while the loop lets window messages run.
  m_state.mode = Mode::Converting;
  m_progress.Open(kConversionCaption);

  std::string failure;
  try {
    Result<Surface> input = EncoderPicture();
    Result<ByteString> data =
        input ? formats::Encode(format, input.Value(), selection, m_state.partner, m_progress)
              : Result<ByteString>::Failure(input.Error());
    if (data)
      m_state.romData = std::move(data).Value();
    else
      failure = data.Error();
  } catch (const std::bad_alloc&) {
    failure = "there is not enough memory";
  }

  m_progress.Close();
  m_state.mode = Mode::Normal;
  ApplyTileLock();
  // The format's own settings again, the state of the grid lock among them.
  ApplyFormat();
  if (!failure.empty()) {
    // The old data stays, and the save list offers bitmaps only.
    m_platform.ShowMessage({{"Unable to convert image.", failure},
                            platform::Buttons::Ok,
                            platform::Icon::Exclamation,
                            Answer::Ok,
                            ""});
    return;
  }
  m_state.dataOrigin = DataOrigin{m_state.format, selection};
  m_state.dataSaved = false;
  ++m_statusLines;
  m_status = "Converted " + std::to_string(selection.width) + " by " + std::to_string(selection.height) +
             " pixels at " + std::to_string(selection.x) + "," + std::to_string(selection.y) + " to " +
             std::to_string(m_state.romData.size()) + " bytes of " + std::string(format.caption) +
             (format.HasValues() ? " (values: " + RuleCaption(m_state) + ")." : ".");
  // The new data matches the selection and the format (even where the lock has just
  // rounded the box), so it can be saved.
  m_state.saveOffersData = true;
}

// ---- Format selection ----

void MainWindow::ApplyFormat() {
  // A shown preview no longer matches the chosen format.
  if (InPreviewMode()) m_state.thumbnail = Thumbnail::Nothing;
  SetTileLock(true);
  m_state.saveOffersData = false;
}

std::vector<formats::FileFilter> MainWindow::LoadFilters() const {
  return formats::LoadFilters(Format());
}

std::vector<formats::FileFilter> MainWindow::SaveFilters() const {
  if (!m_state.saveOffersData) return formats::PictureSaveFilters();
  // Just converted: the data is what is saved next, so its entry comes first.
  std::vector<formats::FileFilter> filters = formats::SaveFilters(Format());
  std::stable_partition(filters.begin(), filters.end(),
                        [](const formats::FileFilter& f) { return f.kind == platform::FileKind::Data; });
  return filters;
}

// ---- Selection box ----

void MainWindow::ApplyTileLock() {
  if (!m_state.tileLock) return;
  // Width and height down to whole tiles; the position moves in steps of 8 from wherever
  // it is. Each value is read afresh: the first change may already have rounded the other.
  SetSpinner(Spinner::Width, m_state.selection.width / 8 * 8);
  SetSpinner(Spinner::Height, m_state.selection.height / 8 * 8);
}

void MainWindow::SpinnerChanged(Spinner spinner) {
  if (InPreviewMode()) {
    // The width is the width the ROM data is decoded at: the shown preview no longer
    // matches it. The other three only show their value.
    if (spinner == Spinner::Width) m_state.thumbnail = Thumbnail::Nothing;
    return;
  }

  // Keep the box inside the picture: moving it pushes it back against the far edge, and
  // growing it moves its near edge instead of cutting its size.
  const convert::Selection& box = m_state.selection;
  const bool horizontal = spinner == Spinner::X || spinner == Spinner::Width;
  const int position = horizontal ? box.x : box.y;
  const int size = horizontal ? box.width : box.height;
  const int picture = horizontal ? m_state.picture.Width() : m_state.picture.Height();
  if (static_cast<std::int64_t>(position) + size > picture) {
    const auto corrected = Nearest(static_cast<float>(picture) - static_cast<float>(size));
    SetSpinner(horizontal ? Spinner::X : Spinner::Y, static_cast<int>(corrected));
  }
  ApplyTileLock();
  // Converted data no longer matches the selection.
  m_state.saveOffersData = false;
}

// ---- Viewer ----

void MainWindow::OpenViewer() {
  if (!CanOpenViewer(m_state)) return;
  m_state.viewerOpen = true;
  m_viewerZoom = 1;
}

void MainWindow::CloseViewer() {
  m_state.viewerOpen = false;
}

// ---- The user's events and values written from code ----

void MainWindow::SelectFormat(int index) {
  if (!FormatsEnabled(m_state) || index < 0 || index >= static_cast<int>(formats::Formats().size())) return;
  if (index == m_state.format) return;
  Record("Format " + std::string(formats::Format(index).caption), [this, index] {
    m_state.format = index;
    ApplyFormat();
  });
}

void MainWindow::ToggleTileLock() {
  if (TileLockEnabled(m_state))
    Record(std::string(kChangeSelection), [this] { SetTileLock(!m_state.tileLock); });
}

void MainWindow::ScrollSpinner(Spinner spinner, int value) {
  if (SpinnerEnabled(m_state, spinner))
    Record(
        std::string(kChangeSelection), [this, spinner, value] { SetSpinner(spinner, value); },
        1 + static_cast<int>(spinner));
}

bool MainWindow::TypeSpinnerValue(Spinner spinner, std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return false;
  const int max = Field(m_state.limits, spinner);
  // Beyond the range of the number type: as far as the value goes in that direction.
  if (error == std::errc::result_out_of_range) value = text.front() == '-' ? -1 : max;
  if (!SpinnerEnabled(m_state, spinner)) return false;
  ScrollSpinner(spinner, static_cast<int>(std::clamp<long long>(value, -1, max)));
  return true;
}

bool MainWindow::ConfirmQuit() {
  if (!HasUnsavedWork()) return true;
  const platform::Message question{
      {"Quit without saving?"}, platform::Buttons::YesNo, platform::Icon::Question, Answer::No, ""};
  return m_platform.ShowMessage(question) == Answer::Yes;
}

void MainWindow::SetTileLock(bool locked) {
  if (m_state.tileLock == locked) return;
  m_state.tileLock = locked;
  ApplyTileLock();
}

void MainWindow::SetSpinner(Spinner spinner, int value) {
  const int clamped = std::clamp(value, 0, Field(m_state.limits, spinner));
  int& field = Field(m_state.selection, spinner);
  if (clamped == field) return;
  field = clamped;
  SpinnerChanged(spinner);
}

void MainWindow::SetSelection(const convert::Selection& selection) {
  SetSpinner(Spinner::Width, selection.width);
  SetSpinner(Spinner::Height, selection.height);
  SetSpinner(Spinner::X, selection.x);
  SetSpinner(Spinner::Y, selection.y);
}

void MainWindow::SetSpinnerMax(Spinner spinner, int max) {
  int& limit = Field(m_state.limits, spinner);
  limit = std::clamp(max, 0, static_cast<int>(std::numeric_limits<std::int16_t>::max()));
  if (Field(m_state.selection, spinner) > limit) SetSpinner(spinner, limit);
}

// ---- Shared steps ----

const Surface& MainWindow::EncoderInput() const noexcept {
  static const Surface kNone;
  return m_state.mode == Mode::Normal || m_state.mode == Mode::Converting ? m_state.picture : kNone;
}

Surface MainWindow::SelectedPart() const {
  const convert::Selection& s = m_state.selection;
  return m_state.picture.Crop(s.x, s.y, s.width, s.height);
}

std::vector<std::uint8_t> MainWindow::SelectedIndices() const {
  const convert::Selection& s = m_state.selection;
  std::vector<std::uint8_t> part;
  if (m_state.pictureIndices.empty()) return part;
  part.reserve(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  const auto width = static_cast<std::size_t>(m_state.picture.Width());
  for (int y = s.y; y < s.y + s.height; ++y) {
    const auto row =
        m_state.pictureIndices.begin() +
        static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * width + static_cast<std::size_t>(s.x));
    part.insert(part.end(), row, row + s.width);
  }
  return part;
}

// The selection ranges over the current picture and takes all of it.
void MainWindow::SelectWholePicture() {
  const int width = m_state.picture.Width();
  const int height = m_state.picture.Height();
  SetSpinnerMax(Spinner::X, width);
  SetSpinnerMax(Spinner::Width, width);
  SetSpinnerMax(Spinner::Y, height);
  SetSpinnerMax(Spinner::Height, height);
  SetSpinner(Spinner::X, 0);
  SetSpinner(Spinner::Y, 0);
  SetSpinner(Spinner::Width, width);
  SetSpinner(Spinner::Height, height);
}

void MainWindow::MakeCurrentPicture(Surface picture, std::vector<std::uint8_t> indices,
                                    std::vector<RgbColor> colours) {
  // Data converted from the old picture no longer belongs to the window's picture.
  m_state.dataOrigin.reset();
  m_state.acceptedUnsaved = false;
  // Indices that are not one a pixel belong to some other picture.
  if (indices.size() != picture.PixelCount()) {
    indices.clear();
    colours.clear();
  }
  // A picture of colours alone has no indices to store.
  if (indices.empty() && m_state.valueRule == formats::ValueRule::Index)
    m_state.valueRule = formats::ValueRule::Grey;
  m_state.pictureIndices = std::move(indices);
  m_state.pictureColours = std::move(colours);
  m_state.picture = std::move(picture);
  m_state.picture.SetHasPicture(true);
  m_state.thumbnail = Thumbnail::Picture;
  m_state.cleared = false;
  ApplyFormat();
  SelectWholePicture();
  ApplyTileLock();
}

// ---- Preview and accept ----

void MainWindow::EnterPreview(ByteString data) {
  m_state.dataOrigin.reset();
  m_state.work.ClearPicture();
  m_state.romData = std::move(data);
  const std::size_t length = m_state.romData.size();

  m_state.thumbnail = Thumbnail::Nothing;
  m_state.mode = Mode::Preview;
  ApplyFormat();
  PreviewWidthFor(length);
  ApplyTileLock();
  if (m_state.selection.width == 0) {
    // No data, or less than a tile row under the lock: one step of the arrows, which the
    // range must then hold.
    const int step = m_state.tileLock ? 8 : 1;
    if (m_state.limits.width < step) SetSpinnerMax(Spinner::Width, step);
    SetSpinner(Spinner::Width, step);
  }
  m_state.partner.data.clear();
  m_state.partner.picture = Surface();
}

void MainWindow::PreviewWidthFor(std::size_t length) {
  const int maxWidth = static_cast<int>(std::min<std::size_t>(length, kMaxPreviewWidth));
  SetSpinnerMax(Spinner::X, 0);
  SetSpinnerMax(Spinner::Y, 0);
  SetSpinnerMax(Spinner::Height, 0);
  SetSpinnerMax(Spinner::Width, maxWidth);
  SetSpinner(Spinner::X, 0);
  SetSpinner(Spinner::Y, 0);
  SetSpinner(Spinner::Height, 0);
  // Beyond the range the width stops at its maximum.
  const auto side = Nearest(std::sqrt(static_cast<double>(length)));
  SetSpinner(Spinner::Width, static_cast<int>(std::min<std::int64_t>(side, maxWidth)));
}

// The progress window lets pending window messages run after every pixel: the busy mode
// keeps every click out of reach.
void MainWindow::BeginDecode(Mode busy, std::string_view progressCaption) {
  if (busy == Mode::Accepting) m_state.thumbnailBeforeAccept = m_state.thumbnail;
  m_state.mode = busy;
  m_progress.Open(progressCaption);
  // The picture being generated is not the preview that was shown.
  if (busy == Mode::Accepting) m_state.thumbnail = Thumbnail::Nothing;
}

formats::DecodeResult MainWindow::DecodeRomData(formats::DecodeMode mode) {
  // Only generating the picture rebuilds the partner (the Mode 7 interleaved decoder).
  convert::PartnerState* partner = mode == formats::DecodeMode::ImageGeneration ? &m_state.partner : nullptr;
  return formats::Decode(Format(), m_state.romData, m_state.selection.width, mode, partner, m_progress);
}

void MainWindow::ShowPreview(Surface preview) {
  m_state.work = std::move(preview);
  m_state.thumbnail = Thumbnail::Preview;
}

void MainWindow::ClearPreview() {
  m_state.work.ClearPicture();
  m_state.thumbnail = Thumbnail::Nothing;
}

void MainWindow::EndDecode(Mode next) {
  const bool refusedAccept = CurrentMode() == Mode::Accepting && next == Mode::Preview;
  m_progress.Close();
  ApplyFormat();
  m_state.mode = next;
  if (refusedAccept) m_state.thumbnail = m_state.thumbnailBeforeAccept;
  // Only an accept under way needs it: a refused accept leaves the state as it found it.
  m_state.thumbnailBeforeAccept = Thumbnail::Nothing;
}

void MainWindow::AcceptPicture(Surface picture) {
  EndDecode(Mode::Normal);
  // The work surface only holds copies and saves from here on: the picture moves.
  m_state.work = Surface();
  MakeCurrentPicture(std::move(picture));
  MarkPictureAccepted();
}

void MainWindow::SetPartnerPicture(Surface picture) {
  // Converted data was made with the old partner.
  m_state.dataOrigin.reset();
  m_state.partner.picture = std::move(picture);
  m_state.partner.picture.SetHasPicture(true);
  m_state.partner.data.clear();
}

void MainWindow::SetPartnerData(ByteString data) {
  m_state.dataOrigin.reset();
  m_state.partner.picture = Surface();
  m_state.partner.data = std::move(data);
}

}  // namespace glyphon::workspace
