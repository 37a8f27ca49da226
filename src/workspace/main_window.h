#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/encoding.h"
#include "formats/format_table.h"
#include "platform/platform.h"
#include "platform/product.h"
#include "platform/surface.h"
#include "platform/types.h"
#include "workspace/controls.h"
#include "workspace/image_window.h"
#include "workspace/progress_window.h"

namespace glyphon::workspace {

// A command button's caption and tool tip in one of its roles.
struct ButtonText {
  std::string_view caption;
  std::string_view toolTip;
};

// Normal mode.
inline constexpr ButtonText kLoadButton{"Load", "Load image from file..."};
inline constexpr ButtonText kClearButton{"Clear", "Clear image window"};
inline constexpr ButtonText kSaveButton{"Save", "Save data to file..."};
inline constexpr ButtonText kPasteButton{"Paste", "Paste image from clipboard"};
inline constexpr ButtonText kCopyButton{"Copy", "Copy image to clipboard"};
inline constexpr ButtonText kConvertButton{"Convert", "Convert image to graphics format"};
// Preview mode: Load, Clear and Save take these roles, widened to kWideButton.
inline constexpr ButtonText kPreviewButton{"Preview", "Preview image using current settings"};
inline constexpr ButtonText kCancelButton{"Cancel", "Cancel image load"};
inline constexpr ButtonText kAcceptButton{"Accept", "Accept image using current settings"};
inline constexpr int kNormalButtonWidth = 113;
inline constexpr int kWideButtonWidth = 233;
// Captions while a long command runs.
inline constexpr std::string_view kConvertingCaption = "Converting...";
inline constexpr std::string_view kPreviewingCaption = "Previewing...";
inline constexpr std::string_view kAcceptingCaption = "Accepting...";

inline constexpr std::string_view kViewToolTip = "Click to view full size...";

// What the window is doing. The mode decides what Load, Clear and Save do, and the
// buttons' captions, tool tips and widths follow from it.
enum class Mode {
  Normal,      // Load, Clear, Save
  Preview,     // ROM data loaded: Preview, Cancel, Accept
  Converting,  // a conversion runs
  Previewing,  // a preview is being decoded
  Accepting,   // a preview is being made the picture
};

// A preview's width goes no further than this, however long the data.
inline constexpr int kMaxPreviewWidth = 1024;

// The four selection spinners.
enum class Spinner { X, Y, Width, Height };

// What the ROM data was converted from: the format and the selection at the time.
struct DataOrigin {
  int format = 0;
  convert::Selection selection;
  friend bool operator==(const DataOrigin&, const DataOrigin&) = default;
};

// The main window, the whole workspace: the current picture on its surfaces, the selection box,
// the format, the two data strings, the two filter lists and every control, as plain
// state, with the handlers of the window's events. Everything that talks to a person or
// the system goes through the Platform.
//
// Writing an option's value, the check box or a spinner through the Set... operations
// raises the control's handler when the value changes, as the window system does for
// code that sets them; the handlers give the same result when re-entered that way.
class MainWindow {
 public:
  explicit MainWindow(platform::Platform& platform);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- State ----

  std::string Caption{kProductName};
  bool Visible = true;

  std::int16_t FormatIndex = 0;  // 0 to kFormatCount - 1
  ByteString RomDataString;
  // The partner picture and the partner data (two views into Partner), handed to the
  // partner codecs as they are.
  convert::PartnerState Partner;
  ByteString& AuxDataString = Partner.aux;
  platform::Surface& picData = Partner.picData;
  std::string LoadFilterString;
  std::string SaveFilterString;
  // The selection box in thumbnail drawing-area units, kept by the last redraw.
  float SelLeft = 0;
  float SelTop = 0;
  float SelWidth = 0;
  float SelHeight = 0;

  // Surfaces. imgImage is the current picture at its natural size: its size is the
  // picture size of the selection box. picView is the full-size copy the encoders read.
  // picBitmap is where the decoders draw and pictures are cut out for saving.
  platform::Surface imgImage;
  platform::Surface picView;
  platform::Surface picBitmap;
  PictureBox picImage;    // the thumbnail, drawing area 256 by 128
  PictureBox picPalette;  // the swatch strip, drawing area 256 by 13
  Shape shaBox;           // the selection outline over the thumbnail

  CommandButton cmdLoad;
  CommandButton cmdClear;
  CommandButton cmdSave;
  CommandButton cmdPaste;
  CommandButton cmdConvert;
  CommandButton cmdCopy;

  Frame fraFormat{"Graphics Format"};
  std::array<OptionButton, formats::kFormatCount> optFormat;

  Frame fraSelBox{"Selection Box"};
  Label lblX1{"X Pos:"};
  Label lblX{"0"};
  ScrollBar vscX;
  Label lblY1{"Y Pos:"};
  Label lblY{"0"};
  ScrollBar vscY;
  Label lblWidth1{"Width:"};
  Label lblWidth{"0"};
  ScrollBar vscWidth;
  Label lblHeight1{"Height:"};
  Label lblHeight{"0"};
  ScrollBar vscHeight;
  CheckBox chkTile8{"Lock selection box to 8 x 8 pixel tiles"};

  Label lblAbout;

  ProgressWindow frmProgress;
  ImageWindow frmImage{Visible};

  // ---- Handlers ----

  void Form_Load();
  void Form_Unload();
  void cmdClear_Click();  // Clear in normal mode, Cancel in preview mode
  void lblAbout_Click();
  void cmdConvert_Click();
  void optFormat_Click(std::int16_t index);
  void chkTile8_Click();
  void vscX_Change();
  void vscY_Change();
  void vscWidth_Change();
  void vscHeight_Change();
  void RedrawSelection();
  void picImage_Click();  // opens the viewer

  // ---- The user's events on value controls (ignored while the control is disabled) ----

  void ClickFormatOption(int index);
  void ClickTile8();  // toggles the check box
  void ScrollSpinner(Spinner spinner, int value);
  // A value typed into a spinner's label: a whole number, clamped and rounded to the grid
  // as the arrows' values are. Anything else changes nothing. Returns whether it was taken.
  bool TypeSpinnerValue(Spinner spinner, std::string_view text);
  // The window is being closed: asks "Quit without saving?" when a conversion or an
  // accepted picture was never saved. Returns whether the window may close.
  bool ConfirmQuit();

  // ---- Writing values from code: raises the handler when the value changes ----

  void SetFormatOption(int index);
  void SetTile8(int value);
  // Clamped to 0 .. the spinner's maximum.
  void SetSpinner(Spinner spinner, int value);
  // Clamped to 0 .. kMaxPictureSide; a value above the new maximum comes down to it.
  void SetSpinnerMax(Spinner spinner, int max);

  // ---- Shared steps of the commands ----

  ScrollBar& Bar(Spinner spinner) noexcept;
  const ScrollBar& Bar(Spinner spinner) const noexcept;
  Mode CurrentMode() const noexcept { return m_mode; }
  // Preview mode, or accepting a preview: a new format or width makes the shown preview stale.
  bool InPreviewMode() const noexcept { return m_mode == Mode::Preview || m_mode == Mode::Accepting; }
  // Clear is Cancel from loading ROM data until it is accepted or cancelled.
  bool ClearCancels() const noexcept { return InPreviewMode() || m_mode == Mode::Previewing; }
  // Save is Accept in preview mode and while a preview is decoded.
  bool SaveAccepts() const noexcept { return m_mode == Mode::Preview || m_mode == Mode::Previewing; }
  // The size of the current picture (imgImage); 0 by 0 when there is none.
  int PictureWidth() const noexcept { return imgImage.Width(); }
  int PictureHeight() const noexcept { return imgImage.Height(); }
  // The selection X0, Y0, W, H: the spinners' values.
  convert::Selection CurrentSelection() const noexcept;
  // The first option that is set; FormatIndex when none is.
  std::int16_t SelectedFormat() const noexcept;
  // FormatIndex from the first option that is set; unchanged when none is.
  void SettleFormat();
  // The thumbnail shows `picture` stretched over its drawing area, or nothing.
  void DrawThumbnail(const platform::Surface& picture);
  void ClearThumbnail();
  // The thumbnail's pointer and tool tip: whether a picture can be viewed.
  void SetThumbnailViewable(bool viewable);
  // The labels and spinner of one selection value, together.
  void EnableSpinnerRow(Spinner spinner, bool enabled);
  void EnableFormatOptions(bool enabled);
  // Makes `picture` the current picture, as loading a bitmap or pasting does: copied to
  // picView, drawn in the thumbnail, the format re-applied, the bitmap-only save list, the
  // spinner ranges set to the picture and the whole picture selected (then locked to the
  // grid when the lock is on).
  void MakeCurrentPicture(platform::Surface picture);

  // ---- Mode transitions ----

  // Loaded ROM data is shown for preview: Load, Clear and Save become Preview, Cancel and
  // Accept; Paste, Convert and Copy go; only the width stays, ranging over the data's
  // length up to kMaxPreviewWidth and starting near the side of a square. The partner
  // data goes with the old picture.
  void EnterPreview(ByteString data);
  // A preview or an accept (`busy`) starts decoding: everything a click could reach is
  // locked and the progress window shows `progressCaption`.
  void BeginDecode(Mode busy, std::string_view progressCaption);
  // The decode is over: the window is unlocked and goes to `next`. The format is
  // re-applied while the busy mode still stands, so a new preview stays in the thumbnail.
  void EndDecode(Mode next);
  // A partner picture or partner data from a file replaces the other.
  void SetPartnerPicture(platform::Surface picture);
  void SetPartnerData(ByteString data);

  // ---- Whether the data and the picture belong together, and what was saved ----

  // Where RomDataString (and the partner data) came from while it belongs to the current
  // picture: set by a conversion, forgotten by anything that replaces the picture or the
  // data (a load, a paste, an accept).
  const std::optional<DataOrigin>& RomDataOrigin() const noexcept { return m_dataOrigin; }
  void ForgetDataOrigin() noexcept { m_dataOrigin.reset(); }
  // The format and selection the window would convert with now.
  DataOrigin CurrentOrigin() const noexcept;
  void MarkDataSaved() noexcept { m_dataSaved = true; }
  void MarkPictureAccepted() noexcept { m_acceptedUnsaved = true; }
  void MarkPictureSaved() noexcept { m_acceptedUnsaved = false; }
  // A conversion or an accepted picture that was never saved.
  bool HasUnsavedWork() const noexcept { return (m_dataOrigin && !m_dataSaved) || m_acceptedUnsaved; }

 private:
  void ClearWindow();
  void CancelPreview();
  void SelectWholePicture();
  void SpinnerChanged(Spinner spinner);
  // Sets the mode and the command buttons' captions, tool tips, widths and visibility
  // that follow from it.
  void ShowMode(Mode mode);
  // The preview's spinners for `length` bytes of data: only the width, near a square's side.
  void PreviewWidthFor(std::size_t length);
  void LockForConversion();
  void UnlockAfterConversion();

  platform::Platform& m_platform;
  Mode m_mode = Mode::Normal;
  std::optional<DataOrigin> m_dataOrigin;
  bool m_dataSaved = true;
  bool m_acceptedUnsaved = false;
};

}  // namespace glyphon::workspace
