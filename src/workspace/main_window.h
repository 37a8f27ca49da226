// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/encoding.h"
#include "core/surface.h"
#include "core/types.h"
#include "core/undo_stack.h"
#include "formats/decoding.h"
#include "formats/file_filters.h"
#include "formats/format_table.h"
#include "platform/platform.h"
#include "workspace/progress_window.h"
#include "workspace/window_state.h"
#include "workspace/window_view.h"

namespace glyphon::workspace {

// The main window, the whole workspace: its state (the current picture, the selection box,
// the format, the ROM data and the partner) and the operations a person or the window's
// commands ask of it. Everything that talks to a person or the system goes through the
// Platform. The front end draws View() and Progress() and calls the operations; it changes
// nothing else.
//
// Setting a format, the grid lock or a selection value re-applies what follows from it only
// when the value changes; every step gives the same result when reached again from inside.
class MainWindow {
 public:
  explicit MainWindow(platform::Platform& platform);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- What is shown ----

  const WindowState& State() const noexcept { return m_state; }
  // ViewOf the state, with the status line and the viewer's zoom.
  WindowView View() const;
  const ProgressWindow& Progress() const noexcept { return m_progress; }

  // ---- History ----

  // Every operation that changes the state is one step of the history, named by intent
  // ("Convert", "Paste", "Change selection"): Undo brings back the state before it, Redo
  // the state after it. Consecutive changes of one value of the selection are one step. The viewer and
  // the progress window are not part of a step.
  bool Undo();
  bool Redo();
  // "Undo Convert", "Redo Paste"; empty when there is nothing to undo or redo.
  std::string UndoName() const { return m_history.UndoName(); }
  std::string RedoName() const { return m_history.RedoName(); }
  const platform::UndoStack& History() const noexcept { return m_history; }
  // Runs `operation` as one step named `name`: when it changed the state, the states before
  // and after are kept. A step run inside another is part of the outer one. Consecutive
  // steps of one `mergeKey` other than 0 are one step (the arrows of one spinner).
  void Record(std::string name, const std::function<void()>& operation, int mergeKey = 0);

  // The line under the window that says what the last command did ("Converted ...").
  const std::string& StatusLine() const noexcept { return m_status; }
  void SetStatusLine(std::string line) {
    m_status = std::move(line);
    ++m_statusLines;
  }

  // ---- The viewer's zoom ----

  int ViewerZoom() const noexcept { return m_viewerZoom; }
  // 1x to 8x, as far as the shown picture stays within kMaxZoomedSide pixels a side.
  void ZoomViewer(int steps);

  // ---- How Convert reads values ----

  // The rule for the formats that store values; `colours` and `paletteName` belong to
  // ValueRule::Palette. The window shows the choice.
  void ChooseValueRule(formats::ValueRule rule, std::vector<RgbColor> colours = {},
                       std::string paletteName = {});
  formats::ValueRule ValueRule() const noexcept { return m_state.valueRule; }

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

  // ---- Format and selection, as the user sets them (ignored while out of reach) ----

  void SelectFormat(int index);
  void ToggleTileLock();
  void ScrollSpinner(Spinner spinner, int value);
  // A value typed into a spinner's field: a whole number, clamped and rounded to the grid
  // as the arrows' values are. Anything else changes nothing. Returns whether it was taken.
  bool TypeSpinnerValue(Spinner spinner, std::string_view text);

  // ---- Format and selection, as the program sets them ----

  void SetTileLock(bool locked);
  // Clamped to 0 .. the value's limit.
  void SetSpinner(Spinner spinner, int value);
  // Clamped to 0 .. kMaxPictureSide; a value above the new limit comes down to it.
  void SetSpinnerMax(Spinner spinner, int max);
  // Sizes first, so the position is not pushed back by the old size.
  void SetSelection(const convert::Selection& selection);

  // ---- State ----

  // A state of the history brought back: everything but whether the viewer is open.
  void Restore(const WindowState& state);

  Mode CurrentMode() const noexcept { return m_state.mode; }
  bool InPreviewMode() const noexcept { return workspace::InPreviewMode(m_state); }
  // Clear is Cancel from loading ROM data until it is accepted or cancelled.
  bool ClearCancels() const noexcept { return InPreviewMode() || CurrentMode() == Mode::Previewing; }
  // Save is Accept in preview mode and while a preview is decoded.
  bool SaveAccepts() const noexcept {
    return CurrentMode() == Mode::Preview || CurrentMode() == Mode::Previewing;
  }
  // The selected format.
  int FormatIndex() const noexcept { return m_state.format; }
  const formats::FormatInfo& Format() const noexcept { return formats::Format(m_state.format); }
  convert::Selection CurrentSelection() const noexcept { return m_state.selection; }
  // The current picture at its natural size; it gives the selection its range.
  const platform::Surface& Picture() const noexcept { return m_state.picture; }
  // The picture the encoder reads: the current one, nothing while ROM data is previewed.
  const platform::Surface& EncoderInput() const noexcept;
  // The last preview decoded, or the last bitmap copied or saved.
  const platform::Surface& WorkBitmap() const noexcept { return m_state.work; }
  const ByteString& RomData() const noexcept { return m_state.romData; }
  // The partner picture and the partner data, handed to the partner codecs as they are.
  const convert::PartnerState& Partner() const noexcept { return m_state.partner; }
  // The open dialog's entries (the selected format's) and the save dialog's (the
  // converted format's while the data matches the selection and the format, else
  // pictures only).
  std::vector<formats::FileFilter> LoadFilters() const;
  std::vector<formats::FileFilter> SaveFilters() const;
  // The selected rectangle of the current picture.
  platform::Surface SelectedPart() const;
  // The picture the encoder is given for the selection under the value rule (the
  // selection repainted in the format's colours of the chosen values), or why there is none.
  Result<platform::Surface> EncoderPicture() const;

  // ---- Pictures and data from the window's commands ----

  // Makes `picture` the current picture, as loading a bitmap or pasting does: drawn in the
  // thumbnail, the format re-applied, the pictures-only save list, the selection's limits
  // set to the picture and the whole picture selected (then locked to the grid when the
  // lock is on).
  //
  // `indices` (one a pixel) and the `colours` they index come with a picture that has
  // them: Convert stores those values under the index rule, and Save writes a palette PNG.
  void MakeCurrentPicture(platform::Surface picture, std::vector<std::uint8_t> indices = {},
                          std::vector<RgbColor> colours = {});
  // The indices of the selection and the colours they index, when the picture has them.
  bool HasPictureIndices() const noexcept { return !m_state.pictureIndices.empty(); }
  std::vector<std::uint8_t> SelectedIndices() const;
  const std::vector<RgbColor>& PictureColours() const noexcept { return m_state.pictureColours; }
  // A partner picture or partner data from a file replaces the other.
  void SetPartnerPicture(platform::Surface picture);
  void SetPartnerData(ByteString data);
  // The current picture to be drawn on in place (the viewer's editor): data converted from
  // it no longer belongs to it, and the window has unsaved work.
  platform::Surface& PictureToEdit() noexcept {
    m_state.dataOrigin.reset();
    m_state.acceptedUnsaved = true;
    return m_state.picture;
  }
  // A bitmap copied or saved stays on the work surface.
  void KeepBitmap(platform::Surface bitmap) { m_state.work = std::move(bitmap); }

  // ---- Preview and accept ----

  // Loaded ROM data is shown for preview: Load, Clear and Save become Preview, Cancel and
  // Accept; Paste, Convert and Copy go; only the width stays, ranging over the data's
  // length up to kMaxPreviewWidth and starting near the side of a square. The partner
  // data goes with the old picture.
  void EnterPreview(ByteString data);
  // A preview or an accept (`busy`) starts decoding: everything a click could reach is
  // locked and the progress window shows `progressCaption`. Accepting clears the thumbnail.
  void BeginDecode(Mode busy, std::string_view progressCaption);
  // Decodes the whole ROM data at the selected format and width, reporting to the progress
  // window; generating the picture rebuilds the partner where the format's decoder does.
  formats::DecodeResult DecodeRomData(formats::DecodeMode mode);
  // The decoded preview on the work surface and in the thumbnail, or nothing in either.
  void ShowPreview(platform::Surface preview);
  void ClearPreview();
  // The decode is over: the window goes to `next`. The format is re-applied while the busy
  // mode still stands, so a new preview stays in the thumbnail. A refused accept (back to
  // Preview) shows the preview it started from.
  void EndDecode(Mode next);
  // The accepted picture becomes the current one, in normal mode.
  void AcceptPicture(platform::Surface picture);

  // ---- Whether the data and the picture belong together, and what was saved ----

  // Where the ROM data (and the partner data) came from while it belongs to the current
  // picture: set by a conversion, forgotten by anything that replaces the picture or the
  // data (a load, a paste, an accept).
  const std::optional<DataOrigin>& RomDataOrigin() const noexcept { return m_state.dataOrigin; }
  // The format and selection the window would convert with now.
  DataOrigin CurrentOrigin() const noexcept { return {m_state.format, m_state.selection}; }
  void MarkDataSaved() noexcept { m_state.dataSaved = true; }
  void MarkPictureAccepted() noexcept { m_state.acceptedUnsaved = true; }
  void MarkPictureSaved() noexcept { m_state.acceptedUnsaved = false; }
  // A conversion or an accepted picture that was never saved.
  bool HasUnsavedWork() const noexcept {
    return (m_state.dataOrigin && !m_state.dataSaved) || m_state.acceptedUnsaved;
  }

 private:
  void ClearWindow();
  void CancelPreview();
  void ConvertSelection();
  // What choosing a format applies: the grid lock back on, the pictures-only save list; a
  // shown preview goes.
  void ApplyFormat();
  // Rounds the box's size down to whole tiles while the lock is on.
  void ApplyTileLock();
  void SpinnerChanged(Spinner spinner);
  void SelectWholePicture();
  // The preview's selection for `length` bytes of data: only the width, near a square's side.
  void PreviewWidthFor(std::size_t length);

  platform::Platform& m_platform;
  WindowState m_state;
  ProgressWindow m_progress;
  platform::UndoStack m_history{100};
  int m_recording = 0;  // steps under way: only the outermost is kept
  // The state the last kept step ended in, shared with that step.
  std::shared_ptr<const WindowState> m_recorded;
  std::string m_status;
  int m_statusLines = 0;  // lines set by the operations themselves
  int m_viewerZoom = 1;
};

}  // namespace glyphon::workspace
