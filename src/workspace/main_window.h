#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/encoding.h"
#include "formats/decoding.h"
#include "formats/file_filters.h"
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

// One row of the selection box: the fixed label ("X Pos:"), the value label and the spinner.
struct SpinnerRow {
  explicit SpinnerRow(std::string caption) : name(std::move(caption)) {}

  Label name;
  Label value{"0"};
  ScrollBar bar;
};

// Everything the main window shows, as the front end draws it.
struct WindowView {
  std::string caption{kProductName};
  bool visible = true;
  Mode mode = Mode::Normal;

  CommandButton load;   // Load, or Preview
  CommandButton clear;  // Clear, or Cancel
  CommandButton save;   // Save, or Accept
  CommandButton paste;
  CommandButton convert;
  CommandButton copy;

  Frame formatFrame{"Graphics Format"};
  std::array<OptionButton, formats::kFormatCount> formats;  // by format index

  Frame selectionFrame{"Selection Box"};
  SpinnerRow x{"X Pos:"};
  SpinnerRow y{"Y Pos:"};
  SpinnerRow width{"Width:"};
  SpinnerRow height{"Height:"};
  CheckBox tileLock{"Lock selection box to 8 x 8 pixel tiles"};

  PictureBox thumbnail;  // drawing area 256 by 128: every shown picture is stretched over it
  PictureBox swatches;   // drawing area 256 by 13
  Shape outline;         // the selection box over the thumbnail, in drawing-area units
  Label about;

  const SpinnerRow& Row(Spinner spinner) const noexcept;
  SpinnerRow& Row(Spinner spinner) noexcept;
};

// The main window, the whole workspace: the current picture, the selection box, the
// format, the ROM data and the partner, the file dialogs' lists and the controls, with the
// operations a person or the file commands ask of it. Everything that talks to a person or
// the system goes through the Platform. The front end draws View(), Viewer() and
// Progress() and calls the operations; it changes nothing else.
//
// Setting a format, the grid lock or a spinner re-applies what follows from it only when
// the value changes; every step gives the same result when reached again from inside.
class MainWindow {
 public:
  explicit MainWindow(platform::Platform& platform);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- What is shown ----

  const WindowView& View() const noexcept { return m_view; }
  const ImageWindow& Viewer() const noexcept { return m_viewer; }
  const ProgressWindow& Progress() const noexcept { return m_progress; }

  // ---- Commands ----

  // Start-up: "4bpp SNES" applied, then the window cleared.
  void Start();
  // Shut-down: the viewer goes with the window.
  void Close();
  // Clear in normal mode: the thumbnail and the selection go (the picture and the data
  // stay). Cancel from loading ROM data until the preview is accepted: the picture that
  // was current before comes back wholly selected, or the window is cleared when there
  // was none.
  void ClearOrCancel();
  void ShowAbout();
  // Encodes the selection of the current picture in the selected format into the ROM data.
  void Convert();
  // The thumbnail's picture at full size (the last preview in preview mode); the viewer
  // stands in for the window until CloseViewer.
  void OpenViewer();
  void CloseViewer();
  // The window is being closed: asks "Quit without saving?" when a conversion or an
  // accepted picture was never saved. Returns whether the window may close.
  bool ConfirmQuit();

  // ---- Format and selection, as the user sets them (ignored while disabled) ----

  void SelectFormat(int index);
  void ToggleTileLock();
  void ScrollSpinner(Spinner spinner, int value);
  // A value typed into a spinner's label: a whole number, clamped and rounded to the grid
  // as the arrows' values are. Anything else changes nothing. Returns whether it was taken.
  bool TypeSpinnerValue(Spinner spinner, std::string_view text);

  // ---- Format and selection, as the program sets them ----

  void SetTileLock(bool locked);
  // Clamped to 0 .. the spinner's maximum.
  void SetSpinner(Spinner spinner, int value);
  // Clamped to 0 .. kMaxPictureSide; a value above the new maximum comes down to it.
  void SetSpinnerMax(Spinner spinner, int max);
  // Sizes first, so the position is not pushed back by the old size.
  void SetSelection(const convert::Selection& selection);

  // ---- State ----

  Mode CurrentMode() const noexcept { return m_view.mode; }
  // Preview mode, or accepting a preview: a new format or width makes the shown preview stale.
  bool InPreviewMode() const noexcept {
    return CurrentMode() == Mode::Preview || CurrentMode() == Mode::Accepting;
  }
  // Clear is Cancel from loading ROM data until it is accepted or cancelled.
  bool ClearCancels() const noexcept { return InPreviewMode() || CurrentMode() == Mode::Previewing; }
  // Save is Accept in preview mode and while a preview is decoded.
  bool SaveAccepts() const noexcept {
    return CurrentMode() == Mode::Preview || CurrentMode() == Mode::Previewing;
  }
  // The format of the last command (the selected option is settled by each command).
  int FormatIndex() const noexcept { return m_formatIndex; }
  // The selection X0, Y0, W, H: the spinners' values.
  convert::Selection CurrentSelection() const noexcept;
  // The current picture at its natural size; it gives the selection its range.
  const platform::Surface& Picture() const noexcept { return m_picture; }
  // The full-size copy of the current picture the encoder reads; nothing in preview mode.
  const platform::Surface& EncoderInput() const noexcept { return m_encoderInput; }
  // The last preview decoded, or the last bitmap copied or saved.
  const platform::Surface& WorkBitmap() const noexcept { return m_work; }
  // The main ROM data: the last conversion's or the last loaded data file's.
  const ByteString& RomData() const noexcept { return m_romData; }
  // The partner picture and the partner data, handed to the partner codecs as they are.
  const convert::PartnerState& Partner() const noexcept { return m_partner; }
  // The open dialog's entries (the selected format's) and the save dialog's (the
  // converted format's while the data matches the selection and the format, else
  // pictures only).
  const std::vector<formats::FileFilter>& LoadFilters() const noexcept { return m_loadFilters; }
  const std::vector<formats::FileFilter>& SaveFilters() const noexcept { return m_saveFilters; }
  // The selected rectangle of the current picture.
  platform::Surface SelectedPart() const;

  // ---- Pictures and data from the file commands ----

  // Makes `picture` the current picture, as loading a bitmap or pasting does: copied for
  // the encoder, drawn in the thumbnail, the format re-applied, the pictures-only save
  // list, the spinner ranges set to the picture and the whole picture selected (then
  // locked to the grid when the lock is on).
  void MakeCurrentPicture(platform::Surface picture);
  // A partner picture or partner data from a file replaces the other.
  void SetPartnerPicture(platform::Surface picture);
  void SetPartnerData(ByteString data);
  // A bitmap copied or saved stays on the work surface.
  void KeepBitmap(platform::Surface bitmap) { m_work = std::move(bitmap); }

  // ---- Preview and accept ----

  // Loaded ROM data is shown for preview: Load, Clear and Save become Preview, Cancel and
  // Accept; Paste, Convert and Copy go; only the width stays, ranging over the data's
  // length up to kMaxPreviewWidth and starting near the side of a square. The partner
  // data goes with the old picture.
  void EnterPreview(ByteString data);
  // A preview or an accept (`busy`) starts decoding: everything a click could reach is
  // locked and the progress window shows `progressCaption`. Accepting clears the thumbnail.
  void BeginDecode(Mode busy, std::string_view progressCaption);
  // Decodes the whole ROM data at the selected format and the width spinner's value,
  // reporting to the progress window; generating the picture rebuilds the partner where
  // the format's decoder does.
  formats::DecodeResult DecodeRomData(formats::DecodeMode mode);
  // The decoded preview on the work surface and in the thumbnail, or nothing in either.
  void ShowPreview(platform::Surface preview);
  void ClearPreview();
  // The decode is over: the window is unlocked and goes to `next`. The format is
  // re-applied while the busy mode still stands, so a new preview stays in the thumbnail.
  // A refused accept (back to Preview) shows the preview it started from.
  void EndDecode(Mode next);
  // The accepted picture becomes the current one, in normal mode.
  void AcceptPicture(platform::Surface picture);

  // ---- Whether the data and the picture belong together, and what was saved ----

  // Where the ROM data (and the partner data) came from while it belongs to the current
  // picture: set by a conversion, forgotten by anything that replaces the picture or the
  // data (a load, a paste, an accept).
  const std::optional<DataOrigin>& RomDataOrigin() const noexcept { return m_dataOrigin; }
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
  // What choosing a format applies: swatches, the grid lock, the dialogs' lists; a shown
  // preview goes.
  void ApplyFormat(int index);
  // Selects the format's option; applies the format when the option was not selected.
  void SetFormatOption(int index);
  // The first option that is set; m_formatIndex when none is.
  int SelectedFormat() const noexcept;
  // m_formatIndex from the first option that is set.
  void SettleFormat();
  // Re-applies the grid lock: the spinners' steps, and whole tiles for the size.
  void ApplyTileLock();
  void SpinnerChanged(Spinner spinner);
  void RedrawSelection();
  void SelectWholePicture();
  void DrawThumbnail(const platform::Surface& picture);
  void ClearThumbnail();
  // The thumbnail's pointer and tool tip: whether a picture can be viewed.
  void SetThumbnailViewable(bool viewable);
  void ShowOutlines(bool shown);
  // The labels and spinner of one selection value, together.
  void EnableSpinnerRow(Spinner spinner, bool enabled);
  void EnableFormatOptions(bool enabled);
  // Sets the mode and the command buttons' captions, tool tips, widths and visibility
  // that follow from it.
  void ShowMode(Mode mode);
  // The preview's spinners for `length` bytes of data: only the width, near a square's side.
  void PreviewWidthFor(std::size_t length);
  void LockForConversion();
  void UnlockAfterConversion();
  void ForgetDataOrigin() noexcept { m_dataOrigin.reset(); }

  platform::Platform& m_platform;
  WindowView m_view;
  ImageWindow m_viewer{m_view.visible};
  ProgressWindow m_progress;

  int m_formatIndex = 0;  // 0 to kFormatCount - 1
  ByteString m_romData;
  convert::PartnerState m_partner;
  std::vector<formats::FileFilter> m_loadFilters;
  std::vector<formats::FileFilter> m_saveFilters;
  platform::Surface m_picture;
  platform::Surface m_encoderInput;
  platform::Surface m_work;
  // The thumbnail as an accept found it, shown again when the accept is refused.
  PictureBox m_thumbnailBeforeAccept;

  std::optional<DataOrigin> m_dataOrigin;
  bool m_dataSaved = true;
  bool m_acceptedUnsaved = false;
};

}  // namespace glyphon::workspace
