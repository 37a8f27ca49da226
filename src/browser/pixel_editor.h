// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"
#include "core/undo_stack.h"
#include "editor/editor.h"
#include "platform/platform.h"

namespace glyphon::browser {

class RomBrowser;

// The edits drawn in the browser and not yet saved: bytes that differ from the file's, by
// offset. The view is drawn from the file with these laid over it.
class WorkingCopy {
 public:
  bool Empty() const noexcept { return m_bytes.empty(); }
  std::size_t Size() const noexcept { return m_bytes.size(); }
  // `bytes` at `offset` over the file's `file` bytes there: a byte equal to the file's is
  // no edit, and drops one held.
  void Put(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> file);
  // Lays the edits that fall in [offset, offset + into.size()) over `into`.
  void Overlay(std::uint64_t offset, std::span<std::uint8_t> into) const;
  struct Range {
    std::uint64_t offset = 0;
    ByteString bytes;
  };
  // The edits as runs of consecutive bytes, in offset order.
  std::vector<Range> Ranges() const;
  void Clear() noexcept { m_bytes.clear(); }

 private:
  std::map<std::uint64_t, std::uint8_t> m_bytes;
};

// The browser's editing mode: the tools draw the format's values on the view, each stroke
// re-encodes the tiles (or, in formats that do not store whole tiles, the rows) it touched
// into the working copy, and Save writes every edit into the ROM at once. Compressed blocks
// are not edited: their bytes are not the ROM's.
class RomEditor {
 public:
  RomEditor(RomBrowser& browser, platform::Platform& platform);
  ~RomEditor();
  RomEditor(const RomEditor&) = delete;
  RomEditor& operator=(const RomEditor&) = delete;

  // Why the view cannot be edited now (one line naming the file); empty when it can.
  std::string Problem() const;
  // Editing on is refused, with the problem as a message; returns whether editing is on.
  bool SetEditing(bool on);
  bool Editing() const noexcept { return m_editing; }

  editor::Editor& Tools() noexcept { return *m_tools; }
  const editor::Canvas& Canvas() const noexcept;
  platform::UndoStack& History() noexcept { return m_history; }
  bool Undo();
  bool Redo();

  // The picture pixel under a point of the view (screen pixels), clamped into the picture
  // when `clamp` is set (a drag that leaves the view).
  std::optional<editor::Point> PixelAt(int viewX, int viewY, bool clamp = false) const;
  // The tools' mouse: left draws the first value, right the second.
  void Press(int viewX, int viewY, bool second);
  void Drag(int viewX, int viewY);
  void Release(int viewX, int viewY);

  // ---- Tile operations on the browser's selection; each says why when refused ----
  bool CopySelection();
  // At the selection's top-left corner, or the view's when nothing is selected.
  bool PasteAtSelection();
  bool FlipHorizontally();
  bool FlipVertically();
  bool Rotate();
  bool SwapValues();
  // Values remapped as typed: "1>3 3>1" (see editor::ParseRemap).
  bool Remap(std::string_view pairs);
  bool Clear();

  // The colour the view draws each value in, value 0 first.
  std::vector<RgbColor> ValueColours() const;
  // "Pencil  value 1 / 0", and the value under a point of the view, for the status bar.
  std::string Describe(int viewX, int viewY) const;

  bool HasUnsavedEdits() const noexcept;
  // After a Yes to a question naming the ranges and the count of bytes that change, every
  // edit goes into the ROM in one replacement of the file, then is read back. Returns
  // whether the ROM was written.
  bool Save();
  // With unsaved edits, asks whether to save them before `action` ("closing"): Yes saves,
  // No drops them. Returns whether the action may go on.
  bool ConfirmDiscard(std::string_view action);
  // A new file was opened: the edits and their history go.
  void Forget();

 private:
  class RomCanvas;
  class BytesCommand;
  std::optional<editor::Rect> SelectionRect(bool needed = true);
  bool Write(bool ask);
  void Warn(std::string_view first, std::string_view reason = {});
  void Put(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void Touched();

  RomBrowser& m_browser;
  platform::Platform& m_platform;
  platform::UndoStack& m_history;  // the browser's: edits and its own steps in one history
  std::unique_ptr<RomCanvas> m_canvas;
  std::unique_ptr<editor::Editor> m_tools;
  bool m_editing = false;
};

}  // namespace glyphon::browser
