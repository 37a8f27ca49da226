#include "workspace/main_window.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "formats/decoding.h"
#include "workspace/drawing.h"

namespace glyphon::workspace {

namespace {

using platform::Answer;
using platform::Surface;

// The thumbnail and the swatch strip: 260 by 132 and 260 by 17 with a 2-pixel frame.
constexpr int kThumbnailWidth = 260;
constexpr int kThumbnailHeight = 132;
constexpr int kPaletteWidth = 260;
constexpr int kPaletteHeight = 17;

// "Quilby ROM Glyphon 1.0": the maker's name before the product's and its version.
const std::string kAboutName = "Quilby " + std::string(kProductName) + " " + std::string(kVersion);
const std::string kAboutTitle = "About Quilby " + std::string(kProductName) + "...";
const std::array<std::string_view, 9> kAboutLines = {
    kAboutName,
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

void SetButton(CommandButton& button, const ButtonText& text) {
  button.caption = text.caption;
  button.toolTip = text.toolTip;
}

constexpr std::array<Spinner, 4> kSpinners = {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height};

}  // namespace

MainWindow::MainWindow(platform::Platform& platform) : m_platform(platform), m_progress(platform) {
  m_view.thumbnail.width = kThumbnailWidth;
  m_view.thumbnail.height = kThumbnailHeight;
  m_view.thumbnail.image = Surface(m_view.thumbnail.DrawWidth(), m_view.thumbnail.DrawHeight());
  m_view.swatches.width = kPaletteWidth;
  m_view.swatches.height = kPaletteHeight;
  m_view.swatches.image = Surface(m_view.swatches.DrawWidth(), m_view.swatches.DrawHeight());

  SetButton(m_view.paste, kPasteButton);
  SetButton(m_view.copy, kCopyButton);
  ShowMode(Mode::Normal);

  for (const formats::FormatInfo& format : formats::Formats()) {
    m_view.formats[static_cast<std::size_t>(format.index)].caption = format.caption;
  }

  m_view.about.caption = kAboutName;
  m_view.about.toolTip = kAboutTitle;
  m_view.about.pointer = MousePointer::ArrowQuestion;
}

// ---- Start-up, shut-down, Clear, Cancel, About ----

void MainWindow::Start() {
  m_formatIndex = 8;  // "4bpp SNES"
  ApplyFormat(m_formatIndex);
  ClearOrCancel();
}

void MainWindow::Close() {
  m_viewer.Unload();
}

void MainWindow::ClearOrCancel() {
  if (ClearCancels()) {
    CancelPreview();
  } else {
    ClearWindow();
  }
}

// Clear: the thumbnail and the selection go; the picture itself, the data strings and
// the Load and Paste commands stay.
void MainWindow::ClearWindow() {
  ClearThumbnail();
  m_view.outline.visible = false;
  SetThumbnailViewable(false);
  for (Spinner spinner : kSpinners) SetSpinner(spinner, 0);
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, false);
  m_view.tileLock.enabled = false;
  m_view.convert.enabled = false;
  m_view.save.enabled = false;
  m_view.copy.enabled = false;
  SettleFormat();
  EnableFormatOptions(false);
  SetFormatOption(m_formatIndex);
}

// Cancel: leaves a ROM data preview and brings back the picture that was current before
// it, wholly selected. m_romData keeps the loaded data.
void MainWindow::CancelPreview() {
  m_view.outline.visible = false;
  m_viewer.outline.visible = false;
  m_encoderInput = m_picture;
  if (m_picture.HasPicture()) {
    DrawThumbnail(m_picture);
  } else {
    ClearThumbnail();
  }
  m_view.outline.left = m_view.outline.top = 0;
  m_view.outline.visible = true;
  m_viewer.outline.left = m_viewer.outline.top = 0;
  m_viewer.outline.visible = true;

  m_view.convert.enabled = true;
  m_view.load.enabled = true;
  m_view.clear.enabled = true;
  ShowMode(Mode::Normal);

  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  // The lock may be switched off only where the selected format allows it.
  m_view.tileLock.enabled = formats::Format(SelectedFormat()).lockOptional;

  SelectWholePicture();

  SetThumbnailViewable(true);
  m_view.save.enabled = true;
  m_view.copy.enabled = true;
  ApplyTileLock();

  // Nothing was current before the preview: the window ends up empty.
  if (!m_picture.HasPicture()) ClearOrCancel();
}

void MainWindow::ShowAbout() {
  std::string text;
  for (std::size_t i = 0; i < kAboutLines.size(); ++i) {
    if (i > 0) text += '\r';
    text += kAboutLines[i];
  }
  m_platform.ShowMessage({text, platform::Buttons::Ok, platform::Icon::Information, Answer::Ok, kAboutTitle});
}

// ---- Convert ----

void MainWindow::Convert() {
  SettleFormat();
  const formats::FormatInfo& format = formats::Format(m_formatIndex);
  const convert::Selection selection = CurrentSelection();
  // Nothing to convert: the old data, which may still be saved, stays.
  if (selection.width == 0 || selection.height == 0) {
    m_platform.ShowMessage(
        {"The selection is empty.", platform::Buttons::Ok, platform::Icon::Exclamation, Answer::Ok, ""});
    return;
  }

  if (format.HasPartner() && !m_partner.HavePic() && !m_partner.HaveData()) {
    const platform::Message question{
        "NOTE: No " + std::string(format.partnerName) + " data loaded.\rDo you wish to continue?",
        platform::Buttons::YesNo, platform::Icon::Question, Answer::Yes, ""};
    if (m_platform.ShowMessage(question) != Answer::Yes) return;
  }

  LockForConversion();
  m_progress.caption = kConversionCaption;
  m_progress.PercentBar(0);
  m_progress.visible = true;

  std::string failure = formats::EncodeProblem(format, m_partner, selection);
  try {
    if (failure.empty())
      m_romData = formats::Encode(format, m_encoderInput, selection, m_partner, m_progress);
  } catch (const std::bad_alloc&) {
    failure = "there is not enough memory";
  }

  m_progress.Unload();
  UnlockAfterConversion();
  if (!failure.empty()) {
    // The old data stays, and the save list offers bitmaps only.
    m_platform.ShowMessage({"Unable to convert image.\r" + failure, platform::Buttons::Ok,
                            platform::Icon::Exclamation, Answer::Ok, ""});
    return;
  }
  m_dataOrigin = DataOrigin{m_formatIndex, selection};
  m_dataSaved = false;
  // After the format is re-applied (which offers bitmaps only): the new data matches the
  // selection and the format, so it can be saved.
  m_saveFilters = formats::SaveFilters(format);
}

// Everything a click could reach during the loop is disabled: PercentBar lets pending
// window messages run.
void MainWindow::LockForConversion() {
  for (CommandButton* button :
       {&m_view.load, &m_view.paste, &m_view.clear, &m_view.convert, &m_view.save, &m_view.copy}) {
    button->enabled = false;
  }
  ShowMode(Mode::Converting);
  SetThumbnailViewable(false);
  m_view.outline.visible = false;
  m_viewer.outline.visible = false;
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, false);
  m_view.tileLock.enabled = false;
  EnableFormatOptions(false);
  SetFormatOption(m_formatIndex);
}

void MainWindow::UnlockAfterConversion() {
  for (CommandButton* button :
       {&m_view.load, &m_view.paste, &m_view.clear, &m_view.convert, &m_view.save, &m_view.copy}) {
    button->enabled = true;
  }
  ShowMode(Mode::Normal);
  SetThumbnailViewable(true);
  m_view.outline.visible = true;
  m_viewer.outline.visible = true;
  RedrawSelection();
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  EnableFormatOptions(true);
  SetFormatOption(m_formatIndex);
  // Re-applies the format's own settings, the state of the grid lock among them.
  ApplyFormat(m_formatIndex);
}

// ---- Format selection ----

void MainWindow::ApplyFormat(int index) {
  const formats::FormatInfo& format = formats::Format(index);
  // A shown preview no longer matches the chosen format.
  if (InPreviewMode()) ClearThumbnail();
  // Selecting an option that was not selected applies the format once more, with the
  // same index; every step below gives the same result when repeated.
  SetFormatOption(index);
  DrawSwatches(format, m_view.swatches.image);
  m_view.swatches.image.SetHasPicture(true);
  SetTileLock(true);
  m_view.tileLock.enabled = format.lockOptional;
  m_loadFilters = formats::LoadFilters(format);
  m_saveFilters = formats::PictureSaveFilters();
}

// ---- Selection box ----

void MainWindow::ApplyTileLock() {
  const bool locked = m_view.tileLock.value == 1;
  const auto step = static_cast<std::int16_t>(locked ? 8 : 1);
  for (Spinner spinner : kSpinners) {
    m_view.Row(spinner).bar.smallChange = step;
    m_view.Row(spinner).bar.largeChange = step;
  }
  if (!locked) return;
  // Width and height down to whole tiles; the position moves in steps of 8 from wherever
  // it is. Each value is read afresh: the first change may already have redrawn (and so
  // rounded) the other.
  SetSpinner(Spinner::Width, m_view.width.bar.value / 8 * 8);
  SetSpinner(Spinner::Height, m_view.height.bar.value / 8 * 8);
}

void MainWindow::SpinnerChanged(Spinner spinner) {
  SpinnerRow& row = m_view.Row(spinner);
  row.value.caption = std::to_string(row.bar.value);

  if (InPreviewMode()) {
    // The width is the width the ROM data is decoded at: the shown preview no longer
    // matches it. The other three only show their value.
    if (spinner == Spinner::Width) ClearThumbnail();
    return;
  }

  // Keep the box inside the picture: moving it pushes it back against the far edge, and
  // growing it moves its near edge instead of cutting its size. The sum is taken in 32
  // bits: two 16-bit values near the limit would overflow 16.
  const bool horizontal = spinner == Spinner::X || spinner == Spinner::Width;
  const int position = horizontal ? m_view.x.bar.value : m_view.y.bar.value;
  const int size = horizontal ? m_view.width.bar.value : m_view.height.bar.value;
  const int picture = horizontal ? m_picture.Width() : m_picture.Height();
  if (static_cast<float>(position + size) > static_cast<float>(picture)) {
    const auto corrected = Nearest(static_cast<float>(picture) - static_cast<float>(size));
    SetSpinner(horizontal ? Spinner::X : Spinner::Y, static_cast<int>(corrected));
  }
  RedrawSelection();
  // Converted data no longer matches the selection.
  m_saveFilters = formats::PictureSaveFilters();
}

void MainWindow::RedrawSelection() {
  if (m_view.tileLock.value == 1) ApplyTileLock();

  // The picture is drawn stretched over the thumbnail's drawing area, so the box scales
  // the same way. Without a picture there is nothing to scale by: the box collapses.
  const float pictureWidth = static_cast<float>(m_picture.Width());
  const float pictureHeight = static_cast<float>(m_picture.Height());
  const float scaleX =
      pictureWidth > 0 ? static_cast<float>(m_view.thumbnail.DrawWidth()) / pictureWidth : 0.0f;
  const float scaleY =
      pictureHeight > 0 ? static_cast<float>(m_view.thumbnail.DrawHeight()) / pictureHeight : 0.0f;
  m_view.outline.left = scaleX * static_cast<float>(m_view.x.bar.value);
  m_view.outline.top = scaleY * static_cast<float>(m_view.y.bar.value);
  m_view.outline.width = scaleX * static_cast<float>(m_view.width.bar.value) + 1;
  m_view.outline.height = scaleY * static_cast<float>(m_view.height.bar.value) + 1;

  Shape& full = m_viewer.outline;
  full.left = m_view.x.bar.value;
  full.top = m_view.y.bar.value;
  full.width = static_cast<float>(m_view.width.bar.value + 1);
  full.height = static_cast<float>(m_view.height.bar.value + 1);

  const bool any = m_view.x.bar.value != 0 || m_view.y.bar.value != 0 || m_view.width.bar.value != 0 ||
                   m_view.height.bar.value != 0;
  m_view.outline.visible = any;
  full.visible = any;
}

// ---- Viewer ----

void MainWindow::OpenViewer() {
  if (m_view.thumbnail.pointer == MousePointer::Default || !m_view.thumbnail.image.HasPicture()) return;
  // In preview mode the last preview, otherwise the current picture.
  m_viewer.picture = InPreviewMode() ? m_work : m_picture;
  m_viewer.visible = true;
  m_view.visible = false;
}

void MainWindow::CloseViewer() {
  m_viewer.Return();
}

// ---- The user's events and values written from code ----

void MainWindow::SelectFormat(int index) {
  if (m_view.formats.at(static_cast<std::size_t>(index)).enabled) SetFormatOption(index);
}

void MainWindow::ToggleTileLock() {
  if (m_view.tileLock.enabled) SetTileLock(m_view.tileLock.value != 1);
}

void MainWindow::ScrollSpinner(Spinner spinner, int value) {
  if (m_view.Row(spinner).bar.enabled) SetSpinner(spinner, value);
}

bool MainWindow::TypeSpinnerValue(Spinner spinner, std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return false;
  // Beyond the range of the number type: as far as the spinner goes in that direction.
  if (error == std::errc::result_out_of_range) value = text.front() == '-' ? -1 : m_view.Row(spinner).bar.max;
  if (!m_view.Row(spinner).bar.enabled) return false;
  ScrollSpinner(spinner, static_cast<int>(std::clamp<long long>(value, -1, m_view.Row(spinner).bar.max)));
  return true;
}

bool MainWindow::ConfirmQuit() {
  if (!HasUnsavedWork()) return true;
  const platform::Message question{"Quit without saving?", platform::Buttons::YesNo, platform::Icon::Question,
                                   Answer::No, ""};
  return m_platform.ShowMessage(question) == Answer::Yes;
}

void MainWindow::SetFormatOption(int index) {
  OptionButton& option = m_view.formats.at(static_cast<std::size_t>(index));
  if (option.value) return;
  for (OptionButton& other : m_view.formats) other.value = false;
  option.value = true;
  ApplyFormat(index);
}

void MainWindow::SetTileLock(bool locked) {
  const int checked = locked ? 1 : 0;
  if (m_view.tileLock.value == checked) return;
  m_view.tileLock.value = checked;
  ApplyTileLock();
}

void MainWindow::SetSpinner(Spinner spinner, int value) {
  ScrollBar& bar = m_view.Row(spinner).bar;
  const auto clamped = static_cast<std::int16_t>(std::clamp(value, 0, static_cast<int>(bar.max)));
  if (clamped == bar.value) return;
  bar.value = clamped;
  SpinnerChanged(spinner);
}

void MainWindow::SetSelection(const convert::Selection& selection) {
  SetSpinner(Spinner::Width, selection.width);
  SetSpinner(Spinner::Height, selection.height);
  SetSpinner(Spinner::X, selection.x);
  SetSpinner(Spinner::Y, selection.y);
}

void MainWindow::SetSpinnerMax(Spinner spinner, int max) {
  ScrollBar& bar = m_view.Row(spinner).bar;
  bar.max = static_cast<std::int16_t>(
      std::clamp(max, 0, static_cast<int>(std::numeric_limits<std::int16_t>::max())));
  if (bar.value > bar.max) SetSpinner(spinner, bar.max);
}

// ---- Shared steps ----

SpinnerRow& WindowView::Row(Spinner spinner) noexcept {
  return const_cast<SpinnerRow&>(std::as_const(*this).Row(spinner));
}

const SpinnerRow& WindowView::Row(Spinner spinner) const noexcept {
  switch (spinner) {
    case Spinner::X:
      return x;
    case Spinner::Y:
      return y;
    case Spinner::Width:
      return width;
    case Spinner::Height:
      break;
  }
  return height;
}

Surface MainWindow::SelectedPart() const {
  const convert::Selection s = CurrentSelection();
  return m_picture.Crop(s.x, s.y, s.width, s.height);
}

DataOrigin MainWindow::CurrentOrigin() const noexcept {
  return {SelectedFormat(), CurrentSelection()};
}

convert::Selection MainWindow::CurrentSelection() const noexcept {
  return {m_view.x.bar.value, m_view.y.bar.value, m_view.width.bar.value, m_view.height.bar.value};
}

int MainWindow::SelectedFormat() const noexcept {
  const auto& options = m_view.formats;
  const auto selected =
      std::find_if(options.begin(), options.end(), [](const OptionButton& o) { return o.value; });
  return selected == options.end() ? m_formatIndex : static_cast<int>(selected - options.begin());
}

void MainWindow::SettleFormat() {
  m_formatIndex = SelectedFormat();
}

void MainWindow::DrawThumbnail(const Surface& picture) {
  StretchDraw(picture, m_view.thumbnail.image);
}

void MainWindow::ClearThumbnail() {
  m_view.thumbnail.image.ClearPicture();
}

void MainWindow::SetThumbnailViewable(bool viewable) {
  m_view.thumbnail.pointer = viewable ? MousePointer::Custom : MousePointer::Default;
  m_view.thumbnail.toolTip = viewable ? kViewToolTip : "";
}

void MainWindow::EnableSpinnerRow(Spinner spinner, bool enabled) {
  SpinnerRow& row = m_view.Row(spinner);
  row.name.enabled = row.value.enabled = row.bar.enabled = enabled;
}

void MainWindow::EnableFormatOptions(bool enabled) {
  for (OptionButton& option : m_view.formats) option.enabled = enabled;
}

void MainWindow::ShowMode(Mode mode) {
  m_view.mode = mode;
  const bool preview = mode == Mode::Preview || mode == Mode::Previewing || mode == Mode::Accepting;
  SetButton(m_view.load, preview ? kPreviewButton : kLoadButton);
  SetButton(m_view.clear, preview ? kCancelButton : kClearButton);
  SetButton(m_view.save, preview ? kAcceptButton : kSaveButton);
  SetButton(m_view.convert, kConvertButton);
  for (CommandButton* button : {&m_view.load, &m_view.clear, &m_view.save}) {
    button->width = preview ? kWideButtonWidth : kNormalButtonWidth;
  }
  for (CommandButton* button : {&m_view.paste, &m_view.convert, &m_view.copy}) button->visible = !preview;
  if (mode == Mode::Converting) m_view.convert.caption = kConvertingCaption;
  if (mode == Mode::Previewing) m_view.load.caption = kPreviewingCaption;
  if (mode == Mode::Accepting) m_view.save.caption = kAcceptingCaption;
}

// The spinners range over the current picture and select all of it.
void MainWindow::SelectWholePicture() {
  SetSpinnerMax(Spinner::X, m_picture.Width());
  SetSpinnerMax(Spinner::Width, m_picture.Width());
  SetSpinnerMax(Spinner::Y, m_picture.Height());
  SetSpinnerMax(Spinner::Height, m_picture.Height());
  SetSpinner(Spinner::X, 0);
  SetSpinner(Spinner::Y, 0);
  SetSpinner(Spinner::Width, m_picture.Width());
  SetSpinner(Spinner::Height, m_picture.Height());
}

void MainWindow::MakeCurrentPicture(Surface picture) {
  // Data converted from the old picture no longer belongs to the window's picture.
  ForgetDataOrigin();
  m_acceptedUnsaved = false;
  m_picture = std::move(picture);
  m_picture.SetHasPicture(true);
  m_view.outline.visible = false;
  m_viewer.outline.visible = false;
  m_encoderInput = m_picture;
  DrawThumbnail(m_picture);
  m_view.outline.left = m_view.outline.top = 0;
  m_view.outline.visible = true;
  m_viewer.outline.left = m_viewer.outline.top = 0;
  m_viewer.outline.visible = true;

  m_view.convert.enabled = true;
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  // The format the user has selected, even if no command has used it yet.
  SettleFormat();
  EnableFormatOptions(true);
  SetFormatOption(m_formatIndex);
  ApplyFormat(m_formatIndex);
  m_saveFilters = formats::PictureSaveFilters();

  SelectWholePicture();
  RedrawSelection();

  SetThumbnailViewable(true);
  m_view.save.enabled = true;
  m_view.copy.enabled = true;
  ApplyTileLock();
}

// ---- Preview and accept ----

void MainWindow::EnterPreview(ByteString data) {
  ForgetDataOrigin();
  m_work.ClearPicture();
  m_romData = std::move(data);
  const std::size_t length = m_romData.size();

  m_view.outline.visible = false;
  m_viewer.outline.visible = false;
  m_encoderInput = Surface();
  ClearThumbnail();
  ShowMode(Mode::Preview);
  m_view.load.enabled = m_view.clear.enabled = m_view.save.enabled = true;
  EnableSpinnerRow(Spinner::X, false);
  EnableSpinnerRow(Spinner::Y, false);
  EnableSpinnerRow(Spinner::Height, false);
  EnableSpinnerRow(Spinner::Width, true);
  // The format the user has selected, even if no command has used it yet: the preview
  // will decode with it.
  SettleFormat();
  EnableFormatOptions(true);
  SetFormatOption(m_formatIndex);
  ApplyFormat(m_formatIndex);
  PreviewWidthFor(length);
  SetThumbnailViewable(true);
  ApplyTileLock();
  if (m_view.width.bar.value == 0) {
    // No data, or less than a tile row under the lock: one step of the arrows, which the
    // range must then hold.
    const int step = m_view.width.bar.smallChange;
    if (m_view.width.bar.max < step) SetSpinnerMax(Spinner::Width, step);
    SetSpinner(Spinner::Width, step);
  }
  m_partner.aux.clear();
  m_partner.picData = Surface();
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

// The progress window lets pending window messages run after every pixel. In preview mode
// only the three command buttons, the width and the formats are live.
void MainWindow::BeginDecode(Mode busy, std::string_view progressCaption) {
  if (busy == Mode::Accepting) m_thumbnailBeforeAccept = m_view.thumbnail;
  ShowMode(busy);
  m_view.load.enabled = m_view.clear.enabled = m_view.save.enabled = false;
  SetThumbnailViewable(false);
  EnableSpinnerRow(Spinner::Width, false);
  m_view.tileLock.enabled = false;

  SettleFormat();
  EnableFormatOptions(false);
  SetFormatOption(m_formatIndex);

  m_progress.caption = progressCaption;
  m_progress.PercentBar(0);
  m_progress.visible = true;
  // The picture being generated is not the preview that was shown.
  if (busy == Mode::Accepting) ClearThumbnail();
}

formats::DecodeResult MainWindow::DecodeRomData(formats::DecodeMode mode) {
  // Only generating the picture rebuilds the partner (the Mode 7 interleaved decoder).
  convert::PartnerState* partner = mode == formats::DecodeMode::ImageGeneration ? &m_partner : nullptr;
  return formats::Decode(formats::Format(m_formatIndex), m_romData, m_view.width.bar.value, mode, partner,
                         m_progress);
}

void MainWindow::ShowPreview(Surface preview) {
  m_work = std::move(preview);
  DrawThumbnail(m_work);
}

void MainWindow::ClearPreview() {
  m_work.ClearPicture();
  ClearThumbnail();
}

void MainWindow::EndDecode(Mode next) {
  const bool refusedAccept = CurrentMode() == Mode::Accepting && next == Mode::Preview;
  m_progress.Unload();
  m_view.load.enabled = m_view.clear.enabled = m_view.save.enabled = true;
  SetThumbnailViewable(true);
  EnableSpinnerRow(Spinner::Width, true);
  m_view.tileLock.enabled = true;
  EnableFormatOptions(true);
  SetFormatOption(m_formatIndex);
  ApplyFormat(m_formatIndex);
  ShowMode(next);
  if (refusedAccept) m_view.thumbnail = m_thumbnailBeforeAccept;
}

void MainWindow::AcceptPicture(Surface picture) {
  EndDecode(Mode::Normal);
  // The work surface only holds copies and saves from here on: the picture moves.
  m_work = Surface();
  MakeCurrentPicture(std::move(picture));
  MarkPictureAccepted();
}

void MainWindow::SetPartnerPicture(Surface picture) {
  // Converted data was made with the old partner.
  ForgetDataOrigin();
  m_partner.picData = std::move(picture);
  m_partner.picData.SetHasPicture(true);
  m_partner.aux.clear();
}

void MainWindow::SetPartnerData(ByteString data) {
  ForgetDataOrigin();
  m_partner.picData = Surface();
  m_partner.aux = std::move(data);
}

}  // namespace glyphon::workspace
