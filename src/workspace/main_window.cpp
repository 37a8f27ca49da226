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

MainWindow::MainWindow(platform::Platform& platform) : frmProgress(platform), m_platform(platform) {
  picImage.width = kThumbnailWidth;
  picImage.height = kThumbnailHeight;
  picImage.image = Surface(picImage.DrawWidth(), picImage.DrawHeight());
  picPalette.width = kPaletteWidth;
  picPalette.height = kPaletteHeight;
  picPalette.image = Surface(picPalette.DrawWidth(), picPalette.DrawHeight());

  SetButton(cmdPaste, kPasteButton);
  SetButton(cmdCopy, kCopyButton);
  ShowMode(Mode::Normal);

  for (const formats::FormatInfo& format : formats::Formats()) {
    optFormat[static_cast<std::size_t>(format.index)].caption = format.caption;
  }

  lblAbout.caption = kAboutName;
  lblAbout.toolTip = kAboutTitle;
  lblAbout.pointer = MousePointer::ArrowQuestion;
}

// ---- Start-up, shut-down, Clear, Cancel, About ----

void MainWindow::Form_Load() {
  FormatIndex = 8;  // "4bpp SNES"
  optFormat_Click(FormatIndex);
  cmdClear_Click();
}

void MainWindow::Form_Unload() {
  frmImage.Unload();
}

void MainWindow::cmdClear_Click() {
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
  shaBox.visible = false;
  SetThumbnailViewable(false);
  for (Spinner spinner : kSpinners) SetSpinner(spinner, 0);
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, false);
  chkTile8.enabled = false;
  cmdConvert.enabled = false;
  cmdSave.enabled = false;
  cmdCopy.enabled = false;
  SettleFormat();
  EnableFormatOptions(false);
  SetFormatOption(FormatIndex);
}

// Cancel: leaves a ROM data preview and brings back the picture that was current before
// it, wholly selected. RomDataString keeps the loaded data.
void MainWindow::CancelPreview() {
  shaBox.visible = false;
  frmImage.shaBox.visible = false;
  picView = imgImage;
  if (imgImage.HasPicture()) {
    DrawThumbnail(imgImage);
  } else {
    ClearThumbnail();
  }
  shaBox.left = shaBox.top = 0;
  shaBox.visible = true;
  frmImage.shaBox.left = frmImage.shaBox.top = 0;
  frmImage.shaBox.visible = true;

  cmdConvert.enabled = true;
  cmdLoad.enabled = true;
  cmdClear.enabled = true;
  ShowMode(Mode::Normal);

  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  // The lock may be switched off only where the selected format allows it.
  chkTile8.enabled = formats::Format(SelectedFormat()).lockOptional;

  SelectWholePicture();

  SetThumbnailViewable(true);
  cmdSave.enabled = true;
  cmdCopy.enabled = true;
  chkTile8_Click();

  // Nothing was current before the preview: the window ends up empty.
  if (!imgImage.HasPicture()) cmdClear_Click();
}

void MainWindow::lblAbout_Click() {
  std::string text;
  for (std::size_t i = 0; i < kAboutLines.size(); ++i) {
    if (i > 0) text += '\r';
    text += kAboutLines[i];
  }
  m_platform.ShowMessage({text, platform::Buttons::Ok, platform::Icon::Information, Answer::Ok, kAboutTitle});
}

// ---- Convert ----

void MainWindow::cmdConvert_Click() {
  SettleFormat();
  const formats::FormatInfo& format = formats::Format(FormatIndex);
  const convert::Selection selection = CurrentSelection();
  // Nothing to convert: the old data, which may still be saved, stays.
  if (selection.width == 0 || selection.height == 0) {
    m_platform.ShowMessage(
        {"The selection is empty.", platform::Buttons::Ok, platform::Icon::Exclamation, Answer::Ok, ""});
    return;
  }

  if (format.HasPartner() && !Partner.HavePic() && !Partner.HaveData()) {
    const platform::Message question{
        "NOTE: No " + std::string(format.partnerName) + " data loaded.\rDo you wish to continue?",
        platform::Buttons::YesNo, platform::Icon::Question, Answer::Yes, ""};
    if (m_platform.ShowMessage(question) != Answer::Yes) return;
  }

  LockForConversion();
  frmProgress.Caption = kConversionCaption;
  frmProgress.PercentBar(0);
  frmProgress.Visible = true;

  std::string failure = formats::EncodeProblem(format, Partner, selection);
  try {
    if (failure.empty()) RomDataString = formats::Encode(format, picView, selection, Partner, frmProgress);
  } catch (const std::bad_alloc&) {
    failure = "there is not enough memory";
  }

  frmProgress.Unload();
  UnlockAfterConversion();
  if (!failure.empty()) {
    // The old data stays, and the save list offers bitmaps only.
    m_platform.ShowMessage({"Unable to convert image.\r" + failure, platform::Buttons::Ok,
                            platform::Icon::Exclamation, Answer::Ok, ""});
    return;
  }
  m_dataOrigin = DataOrigin{FormatIndex, selection};
  m_dataSaved = false;
  // After the format is re-applied (which offers bitmaps only): the new data matches the
  // selection and the format, so it can be saved.
  SaveFilterString = formats::SaveFilterList(format);
}

// Everything a click could reach during the loop is disabled: PercentBar lets pending
// window messages run.
void MainWindow::LockForConversion() {
  for (CommandButton* button : {&cmdLoad, &cmdPaste, &cmdClear, &cmdConvert, &cmdSave, &cmdCopy}) {
    button->enabled = false;
  }
  ShowMode(Mode::Converting);
  SetThumbnailViewable(false);
  shaBox.visible = false;
  frmImage.shaBox.visible = false;
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, false);
  chkTile8.enabled = false;
  EnableFormatOptions(false);
  SetFormatOption(FormatIndex);
}

void MainWindow::UnlockAfterConversion() {
  for (CommandButton* button : {&cmdLoad, &cmdPaste, &cmdClear, &cmdConvert, &cmdSave, &cmdCopy}) {
    button->enabled = true;
  }
  ShowMode(Mode::Normal);
  SetThumbnailViewable(true);
  shaBox.visible = true;
  frmImage.shaBox.visible = true;
  RedrawSelection();
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  EnableFormatOptions(true);
  SetFormatOption(FormatIndex);
  // Re-applies the format's own settings, the state of the grid lock among them.
  optFormat_Click(FormatIndex);
}

// ---- Format selection ----

void MainWindow::optFormat_Click(std::int16_t index) {
  const formats::FormatInfo& format = formats::Format(index);
  // A shown preview no longer matches the chosen format.
  if (InPreviewMode()) ClearThumbnail();
  // Selecting an option that was not selected raises this handler once more, with the
  // same index; every step below gives the same result when repeated.
  SetFormatOption(index);
  DrawSwatches(format, picPalette.image);
  picPalette.image.SetHasPicture(true);
  SetTile8(1);
  chkTile8.enabled = format.lockOptional;
  LoadFilterString = formats::LoadFilterList(format);
  SaveFilterString = formats::kBitmapOnlyFilter;
}

// ---- Selection box ----

void MainWindow::chkTile8_Click() {
  const bool locked = chkTile8.value == 1;
  const auto step = static_cast<std::int16_t>(locked ? 8 : 1);
  for (Spinner spinner : kSpinners) {
    Bar(spinner).smallChange = step;
    Bar(spinner).largeChange = step;
  }
  if (!locked) return;
  // Width and height down to whole tiles; the position moves in steps of 8 from wherever
  // it is. Each value is read afresh: the first change may already have redrawn (and so
  // rounded) the other.
  SetSpinner(Spinner::Width, vscWidth.value / 8 * 8);
  SetSpinner(Spinner::Height, vscHeight.value / 8 * 8);
}

void MainWindow::vscX_Change() {
  SpinnerChanged(Spinner::X);
}
void MainWindow::vscY_Change() {
  SpinnerChanged(Spinner::Y);
}
void MainWindow::vscWidth_Change() {
  SpinnerChanged(Spinner::Width);
}
void MainWindow::vscHeight_Change() {
  SpinnerChanged(Spinner::Height);
}

void MainWindow::SpinnerChanged(Spinner spinner) {
  Label& label = spinner == Spinner::X       ? lblX
                 : spinner == Spinner::Y     ? lblY
                 : spinner == Spinner::Width ? lblWidth
                                             : lblHeight;
  label.caption = std::to_string(Bar(spinner).value);

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
  const int position = horizontal ? vscX.value : vscY.value;
  const int size = horizontal ? vscWidth.value : vscHeight.value;
  const int picture = horizontal ? PictureWidth() : PictureHeight();
  if (static_cast<float>(position + size) > static_cast<float>(picture)) {
    const auto corrected = Nearest(static_cast<float>(picture) - static_cast<float>(size));
    SetSpinner(horizontal ? Spinner::X : Spinner::Y, static_cast<int>(corrected));
  }
  RedrawSelection();
  // Converted data no longer matches the selection.
  SaveFilterString = formats::kBitmapOnlyFilter;
}

void MainWindow::RedrawSelection() {
  if (chkTile8.value == 1) chkTile8_Click();

  // The picture is drawn stretched over the thumbnail's drawing area, so the box scales
  // the same way. Without a picture there is nothing to scale by: the box collapses.
  const float pictureWidth = static_cast<float>(PictureWidth());
  const float pictureHeight = static_cast<float>(PictureHeight());
  const float scaleX = pictureWidth > 0 ? static_cast<float>(picImage.DrawWidth()) / pictureWidth : 0.0f;
  const float scaleY = pictureHeight > 0 ? static_cast<float>(picImage.DrawHeight()) / pictureHeight : 0.0f;
  SelLeft = scaleX * static_cast<float>(vscX.value);
  SelTop = scaleY * static_cast<float>(vscY.value);
  SelWidth = scaleX * static_cast<float>(vscWidth.value);
  SelHeight = scaleY * static_cast<float>(vscHeight.value);

  shaBox.left = SelLeft;
  shaBox.top = SelTop;
  shaBox.width = SelWidth + 1;
  shaBox.height = SelHeight + 1;

  Shape& full = frmImage.shaBox;
  full.left = vscX.value;
  full.top = vscY.value;
  full.width = static_cast<float>(vscWidth.value + 1);
  full.height = static_cast<float>(vscHeight.value + 1);

  const bool any = vscX.value != 0 || vscY.value != 0 || vscWidth.value != 0 || vscHeight.value != 0;
  shaBox.visible = any;
  full.visible = any;
}

// ---- Viewer ----

void MainWindow::picImage_Click() {
  if (picImage.pointer == MousePointer::Default || !picImage.image.HasPicture()) return;
  // In preview mode the last preview, otherwise the current picture.
  frmImage.picImage = InPreviewMode() ? picBitmap : imgImage;
  frmImage.Visible = true;
  Visible = false;
}

// ---- The user's events and values written from code ----

void MainWindow::ClickFormatOption(int index) {
  if (optFormat.at(static_cast<std::size_t>(index)).enabled) SetFormatOption(index);
}

void MainWindow::ClickTile8() {
  if (chkTile8.enabled) SetTile8(chkTile8.value == 1 ? 0 : 1);
}

void MainWindow::ScrollSpinner(Spinner spinner, int value) {
  if (Bar(spinner).enabled) SetSpinner(spinner, value);
}

bool MainWindow::TypeSpinnerValue(Spinner spinner, std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return false;
  // Beyond the range of the number type: as far as the spinner goes in that direction.
  if (error == std::errc::result_out_of_range) value = text.front() == '-' ? -1 : Bar(spinner).max;
  if (!Bar(spinner).enabled) return false;
  ScrollSpinner(spinner, static_cast<int>(std::clamp<long long>(value, -1, Bar(spinner).max)));
  return true;
}

bool MainWindow::ConfirmQuit() {
  if (!HasUnsavedWork()) return true;
  const platform::Message question{"Quit without saving?", platform::Buttons::YesNo, platform::Icon::Question,
                                   Answer::No, ""};
  return m_platform.ShowMessage(question) == Answer::Yes;
}

void MainWindow::SetFormatOption(int index) {
  OptionButton& option = optFormat.at(static_cast<std::size_t>(index));
  if (option.value) return;
  for (OptionButton& other : optFormat) other.value = false;
  option.value = true;
  optFormat_Click(static_cast<std::int16_t>(index));
}

void MainWindow::SetTile8(int value) {
  const int checked = value != 0 ? 1 : 0;
  if (chkTile8.value == checked) return;
  chkTile8.value = checked;
  chkTile8_Click();
}

void MainWindow::SetSpinner(Spinner spinner, int value) {
  ScrollBar& bar = Bar(spinner);
  const auto clamped = static_cast<std::int16_t>(std::clamp(value, 0, static_cast<int>(bar.max)));
  if (clamped == bar.value) return;
  bar.value = clamped;
  switch (spinner) {
    case Spinner::X:
      vscX_Change();
      break;
    case Spinner::Y:
      vscY_Change();
      break;
    case Spinner::Width:
      vscWidth_Change();
      break;
    case Spinner::Height:
      vscHeight_Change();
      break;
  }
}

void MainWindow::SetSpinnerMax(Spinner spinner, int max) {
  ScrollBar& bar = Bar(spinner);
  bar.max = static_cast<std::int16_t>(
      std::clamp(max, 0, static_cast<int>(std::numeric_limits<std::int16_t>::max())));
  if (bar.value > bar.max) SetSpinner(spinner, bar.max);
}

// ---- Shared steps ----

ScrollBar& MainWindow::Bar(Spinner spinner) noexcept {
  return const_cast<ScrollBar&>(std::as_const(*this).Bar(spinner));
}

const ScrollBar& MainWindow::Bar(Spinner spinner) const noexcept {
  switch (spinner) {
    case Spinner::X:
      return vscX;
    case Spinner::Y:
      return vscY;
    case Spinner::Width:
      return vscWidth;
    case Spinner::Height:
      break;
  }
  return vscHeight;
}

DataOrigin MainWindow::CurrentOrigin() const noexcept {
  return {SelectedFormat(), CurrentSelection()};
}

convert::Selection MainWindow::CurrentSelection() const noexcept {
  return {vscX.value, vscY.value, vscWidth.value, vscHeight.value};
}

std::int16_t MainWindow::SelectedFormat() const noexcept {
  const auto selected =
      std::find_if(optFormat.begin(), optFormat.end(), [](const OptionButton& o) { return o.value; });
  return selected == optFormat.end() ? FormatIndex : static_cast<std::int16_t>(selected - optFormat.begin());
}

void MainWindow::SettleFormat() {
  FormatIndex = SelectedFormat();
}

void MainWindow::DrawThumbnail(const Surface& picture) {
  StretchDraw(picture, picImage.image);
}

void MainWindow::ClearThumbnail() {
  picImage.image.ClearPicture();
}

void MainWindow::SetThumbnailViewable(bool viewable) {
  picImage.pointer = viewable ? MousePointer::Custom : MousePointer::Default;
  picImage.toolTip = viewable ? kViewToolTip : "";
}

void MainWindow::EnableSpinnerRow(Spinner spinner, bool enabled) {
  switch (spinner) {
    case Spinner::X:
      lblX1.enabled = lblX.enabled = enabled;
      break;
    case Spinner::Y:
      lblY1.enabled = lblY.enabled = enabled;
      break;
    case Spinner::Width:
      lblWidth1.enabled = lblWidth.enabled = enabled;
      break;
    case Spinner::Height:
      lblHeight1.enabled = lblHeight.enabled = enabled;
      break;
  }
  Bar(spinner).enabled = enabled;
}

void MainWindow::EnableFormatOptions(bool enabled) {
  for (OptionButton& option : optFormat) option.enabled = enabled;
}

void MainWindow::ShowMode(Mode mode) {
  m_mode = mode;
  const bool preview = mode == Mode::Preview || mode == Mode::Previewing || mode == Mode::Accepting;
  SetButton(cmdLoad, preview ? kPreviewButton : kLoadButton);
  SetButton(cmdClear, preview ? kCancelButton : kClearButton);
  SetButton(cmdSave, preview ? kAcceptButton : kSaveButton);
  SetButton(cmdConvert, kConvertButton);
  for (CommandButton* button : {&cmdLoad, &cmdClear, &cmdSave}) {
    button->width = preview ? kWideButtonWidth : kNormalButtonWidth;
  }
  for (CommandButton* button : {&cmdPaste, &cmdConvert, &cmdCopy}) button->visible = !preview;
  if (mode == Mode::Converting) cmdConvert.caption = kConvertingCaption;
  if (mode == Mode::Previewing) cmdLoad.caption = kPreviewingCaption;
  if (mode == Mode::Accepting) cmdSave.caption = kAcceptingCaption;
}

// The spinners range over the current picture and select all of it.
void MainWindow::SelectWholePicture() {
  SetSpinnerMax(Spinner::X, PictureWidth());
  SetSpinnerMax(Spinner::Width, PictureWidth());
  SetSpinnerMax(Spinner::Y, PictureHeight());
  SetSpinnerMax(Spinner::Height, PictureHeight());
  SetSpinner(Spinner::X, 0);
  SetSpinner(Spinner::Y, 0);
  SetSpinner(Spinner::Width, PictureWidth());
  SetSpinner(Spinner::Height, PictureHeight());
}

void MainWindow::MakeCurrentPicture(Surface picture) {
  // Data converted from the old picture no longer belongs to the window's picture.
  ForgetDataOrigin();
  m_acceptedUnsaved = false;
  imgImage = std::move(picture);
  imgImage.SetHasPicture(true);
  shaBox.visible = false;
  frmImage.shaBox.visible = false;
  picView = imgImage;
  DrawThumbnail(imgImage);
  shaBox.left = shaBox.top = 0;
  shaBox.visible = true;
  frmImage.shaBox.left = frmImage.shaBox.top = 0;
  frmImage.shaBox.visible = true;

  cmdConvert.enabled = true;
  for (Spinner spinner : kSpinners) EnableSpinnerRow(spinner, true);
  // The format the user has selected, even if no command has used it yet.
  SettleFormat();
  EnableFormatOptions(true);
  SetFormatOption(FormatIndex);
  optFormat_Click(FormatIndex);
  SaveFilterString = formats::kBitmapOnlyFilter;

  SelectWholePicture();
  RedrawSelection();

  SetThumbnailViewable(true);
  cmdSave.enabled = true;
  cmdCopy.enabled = true;
  chkTile8_Click();
}

// ---- Preview and accept ----

void MainWindow::EnterPreview(ByteString data) {
  ForgetDataOrigin();
  picBitmap.ClearPicture();
  RomDataString = std::move(data);
  const std::size_t length = RomDataString.size();

  shaBox.visible = false;
  frmImage.shaBox.visible = false;
  picView = Surface();
  ClearThumbnail();
  ShowMode(Mode::Preview);
  cmdLoad.enabled = cmdClear.enabled = cmdSave.enabled = true;
  EnableSpinnerRow(Spinner::X, false);
  EnableSpinnerRow(Spinner::Y, false);
  EnableSpinnerRow(Spinner::Height, false);
  EnableSpinnerRow(Spinner::Width, true);
  // The format the user has selected, even if no command has used it yet: the preview
  // will decode with it.
  SettleFormat();
  EnableFormatOptions(true);
  SetFormatOption(FormatIndex);
  optFormat_Click(FormatIndex);
  PreviewWidthFor(length);
  SetThumbnailViewable(true);
  chkTile8_Click();
  if (vscWidth.value == 0) {
    // No data, or less than a tile row under the lock: one step of the arrows, which the
    // range must then hold.
    const int step = vscWidth.smallChange;
    if (vscWidth.max < step) SetSpinnerMax(Spinner::Width, step);
    SetSpinner(Spinner::Width, step);
  }
  Partner.aux.clear();
  Partner.picData = Surface();
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
  ShowMode(busy);
  cmdLoad.enabled = cmdClear.enabled = cmdSave.enabled = false;
  SetThumbnailViewable(false);
  EnableSpinnerRow(Spinner::Width, false);
  chkTile8.enabled = false;

  SettleFormat();
  EnableFormatOptions(false);
  SetFormatOption(FormatIndex);

  frmProgress.Caption = progressCaption;
  frmProgress.PercentBar(0);
  frmProgress.Visible = true;
}

void MainWindow::EndDecode(Mode next) {
  frmProgress.Unload();
  cmdLoad.enabled = cmdClear.enabled = cmdSave.enabled = true;
  SetThumbnailViewable(true);
  EnableSpinnerRow(Spinner::Width, true);
  chkTile8.enabled = true;
  EnableFormatOptions(true);
  SetFormatOption(FormatIndex);
  optFormat_Click(FormatIndex);
  ShowMode(next);
}

void MainWindow::SetPartnerPicture(Surface picture) {
  // Converted data was made with the old partner.
  ForgetDataOrigin();
  Partner.picData = std::move(picture);
  Partner.picData.SetHasPicture(true);
  Partner.aux.clear();
}

void MainWindow::SetPartnerData(ByteString data) {
  ForgetDataOrigin();
  Partner.picData = Surface();
  Partner.aux = std::move(data);
}

}  // namespace glyphon::workspace
