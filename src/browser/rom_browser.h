// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browser/find_in_rom.h"
#include "browser/format_strip.h"
#include "browser/layout.h"
#include "browser/pixel_editor.h"
#include "browser/rom_palette.h"
#include "compression/compression.h"
#include "convert/encoding.h"
#include "core/surface.h"
#include "core/undo_stack.h"
#include "formats/format_table.h"
#include "palette/palette.h"
#include "platform/platform.h"
#include "platform/watched_file.h"
#include "tiles/tile_order.h"

namespace glyphon::workspace {
class MainWindow;
}

namespace glyphon::browser {

inline constexpr std::string_view kBrowserCaption = "ROM Browser";
inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 16;
// Rows the wheel moves per notch (120 units of a Qt angle delta).
inline constexpr int kWheelRows = 3;

// The keys of the view, as operations.
enum class Step {
  LineUp,  // one tile row (8 pixel rows) in grid formats, one pixel row in linear ones
  LineDown,
  PageUp,  // one screen
  PageDown,
  Home,      // the start of the file (keeping nothing of the byte alignment)
  End,       // the last screen, at the current byte alignment
  ByteLeft,  // one byte back: how tiles are brought into line
  ByteRight,
  Wider,  // one tile (grid formats) or one byte's worth of pixels (linear) wider
  Narrower,
  NextBlock,  // with a compression: the next offset where a block of it starts
  PreviousBlock,
};

// The vertical scroll bar over the whole file, in rows (scaled down for files too long
// for an int): minimum 0, single step 1.
struct ScrollRange {
  int maximum = 0;
  int pageStep = 1;
  int value = 0;
  friend bool operator==(const ScrollRange&, const ScrollRange&) = default;
};

// What lies under a point of the view.
struct PointInfo {
  int x = 0;  // picture pixel
  int y = 0;
  std::uint64_t offset = 0;           // the first byte holding the pixel
  std::optional<std::uint64_t> tile;  // grid formats: the tile's number counted from the file's start
  bool pastEnd = false;               // the pixel's bytes lie beyond the end of the file
};

// Where a picture sent to the main window came from.
struct BrowsedRange {
  std::filesystem::path path;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;  // bytes
  int format = 0;
  int width = 0;  // pixels
  int height = 0;
  // With a compression, `offset` is where the block starts and `length` bytes of its
  // decompressed data from `inBlock` were sent.
  const compression::Scheme* scheme = nullptr;
  std::uint64_t inBlock = 0;
  friend bool operator==(const BrowsedRange&, const BrowsedRange&) = default;
};

// The smallest block the block steps stop at: one 8 by 8 tile of 2 bits a pixel. Chance
// headers that decompress to a few bytes are common in any ROM.
inline constexpr std::size_t kMinBlockSize = 16;
// How far a block is read: its compressed bytes from the offset and its decompressed size.
inline constexpr std::size_t kBlockWindow = std::size_t{1} << 20;

// The ROM browser as a model: a ROM shown from a byte offset in one of the formats at a
// width and an integer zoom. Only the rows on screen are read and decoded, into one surface
// in picture pixels that the window blits scaled by Zoom(). Every message (a file
// that cannot be opened, an offset beyond the end, the write-back question) goes through
// the Platform; the status bar's texts are returned as strings.
class RomBrowser {
 public:
  explicit RomBrowser(platform::Platform& platform);
  RomBrowser(const RomBrowser&) = delete;
  RomBrowser& operator=(const RomBrowser&) = delete;
  ~RomBrowser();

  // ---- The file ----

  // Opens a ROM at offset 0; on failure says why (naming the file) and keeps the open one.
  bool Open(const std::filesystem::path& path);
  bool HasFile() const noexcept { return m_file.has_value(); }
  std::filesystem::path Path() const;
  std::uint64_t FileSize() const noexcept;

  // ---- Settings ----

  int Format() const noexcept { return m_format; }
  void SetFormat(int index);  // keeps the offset; the width keeps its pixels where it can
  // Grid formats count the width in 8-pixel tiles, linear ones in pixels (a multiple of
  // the pixels that fill whole bytes).
  bool WidthInTiles() const noexcept;
  int Width() const noexcept { return m_width; }  // in its unit
  int PixelWidth() const noexcept;
  void SetWidth(int width);  // clamped and rounded to the unit
  // The widest width whose pixels, zoomed, fit the view's width.
  void FitWidth();
  // The order of the blocks in the formats that store whole blocks: objects of several
  // blocks stored together (SNES, Game Boy and Genesis sprites), taken in rows; a band is
  // then one row of objects and the width whole objects. Objects taken in columns need the
  // picture's height, which a ROM does not have: refused, as any order is for the other
  // formats. Returns whether the order was taken.
  bool SetTileOrder(const tiles::TileOrder& order);
  const tiles::TileOrder& TileOrder() const noexcept { return m_order; }
  int Zoom() const noexcept { return m_zoom; }
  void SetZoom(int zoom);  // clamped to kMinZoom .. kMaxZoom
  // The view's size in screen pixels.
  void SetViewSize(int width, int height);

  Colours ColourSource() const noexcept { return m_colours; }
  void SetColourSource(Colours colours);
  // With a scheme the view shows the block that starts at the offset, decompressed, in the
  // format and width; nullptr shows the ROM's bytes as they are.
  const compression::Scheme* Compression() const noexcept { return m_scheme; }
  void SetCompression(const compression::Scheme* scheme);  // Palette without a loaded palette stays as it was
  // Reads a palette file and switches to its colours; on failure says why.
  bool LoadPalette(const std::filesystem::path& path);
  // Reads a sub-palette of 2^bits colours of the format (16 when the format stores colours)
  // from a ROM, the open one or another file, and switches to its colours; on failure says
  // why and keeps the colours as they were. The sub-palette is read again for the new
  // colour count when the format changes.
  bool LoadRomPalette(const RomPalette& where);
  // The next (+1) or previous (-1) sub-palette of the palette in the ROM; none below 0 or
  // past the end of the file. Returns whether the colours changed.
  bool StepSubPalette(int delta);
  const std::optional<RomPalette>& PaletteInRom() const noexcept { return m_romPalette; }
  // What the Colours box shows for the palette: the file's name, or "bgr555 0x1F000 #2"
  // (with the file's name in front when the palette lies in another file); empty without one.
  std::string PaletteCaption() const;
  // The colour choice, to be remembered for the open ROM, and one remembered brought back:
  // a palette that can no longer be read leaves the colours as they are, without a word.
  ColourChoice CurrentColours() const;
  void RecallColours(const ColourChoice& choice);

  // ---- Navigation ----

  std::uint64_t Offset() const noexcept { return m_offset; }
  void SetOffset(std::uint64_t offset);  // clamped into the file
  void Press(Step step);
  void Wheel(int notches);  // positive scrolls down
  ScrollRange Scroll() const noexcept;
  void ScrollTo(int value);
  // An offset typed in the offset field ("1F000", "0x1F000", "$1F000": hex either way).
  // A bad text or an offset beyond the end is refused with a message; returns whether it
  // was taken.
  bool JumpTo(std::string_view text);
  // With a compression: the offset moves to the next (previous) offset at the scheme's
  // alignment where a block decompresses cleanly to at least kMinBlockSize bytes; says so
  // when there is none. Returns whether the offset moved.
  bool NextBlock();
  bool PreviousBlock();

  // ---- Find in ROM ----

  // Looks for the main window's selection in the open ROM as `glyphon locate` does: encoded
  // in the main window's format, its blocks in the browser's tile order where the format
  // stores whole blocks. The view takes that format and the selection's width, shows the raw
  // bytes, moves to the first match and selects it. Returns whether anything was found;
  // FindLine() says what was (or was not).
  bool FindInRom(const workspace::MainWindow& window);
  // The next (previous) match, going round at the end (start). Returns whether it moved.
  bool FindNext();
  bool FindPrevious();
  // For the status bar: "Match 2 of 7 at 0x1F000", "... (wrapped)", or "The selection's 64
  // bytes are not in game.gba."; empty before a search.
  const std::string& FindLine() const noexcept { return m_findLine; }

  // ---- Every format at a glance ----

  // The bytes at the offset (the decompressed block's with a compression) in every format at
  // the view's pixel width, in the browser's colours; decoded afresh when something changed.
  const std::vector<StripCell>& Strip();
  // A click on a cell: the view takes its format.
  void ChooseStripCell(std::size_t cell);

  // ---- The status bar ----

  std::optional<PointInfo> At(int viewX, int viewY) const;
  // "0x1F3A0  tile 3994" under the mouse; empty away from the picture.
  std::string DescribePoint(int viewX, int viewY) const;
  // "0x1F000-0x22FFF of 0x400000" on screen, with any notice about the file after it. With
  // a compression: "gba-lz77 block at 0x3A2F40: 611 bytes, 2048 decompressed", or why there
  // is no block at the offset.
  std::string DescribeRange() const;

  // "Selected 0x1F000-0x1F1FF: 512 bytes, 32 by 16 pixels"; empty without a selection.
  std::string DescribeSelection() const;
  // What the last write into the ROM, or its undo, did: "Wrote 512 bytes at 0x1F000 into
  // rom.gb, 37 of them changed."; empty before any.
  const std::string& Report() const noexcept { return m_report; }

  // ---- Drawing ----

  // The rows on screen in picture pixels, read and decoded afresh when something changed
  // (the file is checked first). Pixels whose bytes lie past the end of the file, including
  // the end of a file cut short while it was being read, are hatched in kPastEndInk and
  // kPastEndPaper.
  const platform::Surface& Render();

  // ---- The selection (a drag in view pixels, snapped) ----

  void Select(int fromX, int fromY, int toX, int toY);
  void ClearSelection() noexcept { m_selection.reset(); }
  // In picture pixels. Grid formats snap to whole tiles; a selection over more than one
  // row takes whole rows, the only shape that is one stretch of the ROM.
  const std::optional<convert::Selection>& Selection() const noexcept { return m_selection; }

  // ---- Pull out, put back ----

  // Makes the selection the main window's picture as an Accept does, in the browser's
  // format, and remembers where it came from. Returns whether it was sent.
  bool SendToMainWindow(workspace::MainWindow& window);
  const std::optional<BrowsedRange>& Sent() const noexcept { return m_sent; }
  // Writes the main window's ROM data back over the remembered range after a Yes to a
  // question naming the offset, the byte count and the bytes that change; refuses (with a
  // message) data converted in another format or of another length. From a compressed
  // block, the block's data with the range replaced is compressed again and written over
  // the block when it fits; a longer block is offered a move, after a question naming both
  // sizes and the place: to the first run of filler bytes after the ROM's used data large
  // enough for it, with the GBA pointers to the old block pointed at it, in one replacement
  // of the file. Returns whether the ROM was written.
  bool WriteIntoRom(const workspace::MainWindow& window);
  // Whether Write into ROM has something to write: a range was sent, and the main window
  // holds converted data (Clear drops it).
  bool CanWriteInto(const workspace::MainWindow& window) const;

  // ---- History ----

  // Writes into the ROM are steps of the browser's history: Undo writes the bytes that were
  // there before back, Redo the written ones again, each after the same question and
  // through the same checked write. A step refused (No, or a failed write) stays.
  //
  // So are changes of the format, the width, the tile order, the compression and the
  // selection, as the user makes them: Undo brings back those settings and the offset they
  // were made at. Moving through the file is not a step.
  struct Settings {
    int format = 0;
    int width = 0;
    tiles::TileOrder order;
    const compression::Scheme* scheme = nullptr;
    std::uint64_t offset = 0;
    std::optional<convert::Selection> selection;
    friend bool operator==(const Settings&, const Settings&) = default;
  };
  Settings CurrentSettings() const;
  // Runs `operation` as one step named `name` when it changed the settings; consecutive
  // steps of one `mergeKey` other than 0 are one (the width's arrows).
  void Record(std::string name, const std::function<void()>& operation, int mergeKey = 0);
  // The settings changed since `before` (a drag of the selection): one step named `name`.
  void Recorded(std::string name, const Settings& before, int mergeKey = 0);
  bool Undo();
  bool Redo();
  std::string UndoName() const { return m_history.UndoName(); }
  std::string RedoName() const { return m_history.RedoName(); }

  static constexpr RgbColor kPastEndInk = 0xFF00FF;    // magenta
  static constexpr RgbColor kPastEndPaper = 0x404040;  // dark grey

 private:
  // The editing mode draws into the working copy through the browser's layout.
  friend class RomEditor;

  const formats::FormatInfo& FormatInfo() const noexcept { return formats::Format(m_format); }
  Layout CurrentLayout() const noexcept { return LayoutOf(FormatInfo(), m_width, m_order); }
  // Bands on screen: VisibleBands() touched by the view, FullBands() wholly inside it.
  int VisibleBands() const noexcept;
  int FullBands() const noexcept;
  // The band the view starts at, counted from the byte alignment (Offset() mod band bytes).
  std::uint64_t TopBand() const noexcept;
  std::uint64_t LastTopBand() const noexcept;  // the top band of the last screen
  std::uint64_t ScrollScale() const noexcept;  // bands per scroll bar step
  void MoveToBand(std::uint64_t band);
  // Something the picture depends on changed: decode again, and drop the selection.
  void Changed() noexcept;
  void Warn(std::string_view first, std::string_view reason = {});
  std::string FileName() const;

  // Rendering.
  void CheckFile();
  void DecodeTail(std::size_t present);
  void RenderBlock();
  void DrawScreen(std::size_t present);
  void ApplyColours();
  std::array<RgbColor, 256> ColourTable(const formats::FormatInfo& format) const;
  void ApplyColours(const formats::FormatInfo& format, platform::Surface& picture) const;
  // The colours of the palette in the ROM at the current format's colour count.
  Result<palette::Palette> ReadPaletteInRom(const RomPalette& where) const;
  void ShowMatch(std::size_t index, bool wrapped);

  // The selection's bytes and picture, and the checks before writing it back.
  std::optional<BrowsedRange> SelectedRange() const;
  bool SendNow(workspace::MainWindow& window);
  std::string WriteBackProblem(const workspace::MainWindow& window) const;
  bool WriteBlockIntoRom(const BrowsedRange& sent, const ByteString& data);
  // The block grew: asks to write it at free space of the ROM and repoint the GBA pointers
  // to the old one, in one replacement of the file.
  bool MoveBlockIntoRom(const BrowsedRange& sent, const ByteString& block, std::size_t oldLength);
  // The colour each value of the format is drawn in, in value order.
  std::vector<RgbColor> ValueColours() const;
  // Asks `question` (with the count of bytes that change after it), then writes `bytes` at
  // `offset` into `path` in one step and reads them back; keeps what was there before as a
  // step of the history named `step` unless `step` is empty. Returns whether it wrote.
  bool WriteAsked(const std::filesystem::path& path, std::uint64_t offset, const ByteString& bytes,
                  std::string question, const std::string& step);
  // A write into the ROM as a step of the history.
  class WriteStep;
  // Undo (true) or Redo, with the report that names the step.
  bool TakeStep(bool undo);
  void Apply(const Settings& settings);

  // The block at the offset, decompressed (once per offset and scheme).
  struct Block {
    std::uint64_t offset = 0;
    const compression::Scheme* scheme = nullptr;
    Result<compression::Decompressed> decoded = Result<compression::Decompressed>::Failure("");
  };
  const Block& CurrentBlock() const;
  // The first block from `from` on (forward) or before `from` (backward), if any.
  std::optional<std::uint64_t> FindBlock(std::uint64_t from, bool forward) const;

  platform::Platform& m_platform;
  std::optional<platform::WatchedFile> m_file;
  int m_format = 0;
  int m_width = 16;
  tiles::TileOrder m_order;
  int m_zoom = 2;
  int m_viewWidth = 0;
  int m_viewHeight = 0;
  std::uint64_t m_offset = 0;
  Colours m_colours = Colours::DecoderGreys;
  std::optional<palette::Palette> m_palette;
  std::filesystem::path m_paletteFile;     // where m_palette came from: a palette file,
  std::optional<RomPalette> m_romPalette;  // or a ROM
  std::vector<StripCell> m_strip;
  bool m_stripStale = true;
  // Find in ROM: the pattern's length and where it lies; the match shown.
  std::uint64_t m_findLength = 0;
  int m_findWidth = 0;  // the selection looked for, in pixels
  int m_findHeight = 0;
  std::vector<std::uint64_t> m_matches;
  std::size_t m_match = 0;
  std::string m_findLine;
  std::optional<convert::Selection> m_selection;
  std::optional<BrowsedRange> m_sent;
  std::string m_notice;  // what the last check of the file found
  platform::Surface m_view;
  platform::Surface m_scratch;  // the tail decoded a second time, to find the pixels past the end
  ByteString m_bytes;           // the screen's bytes, read for each decode; past the end padded
  bool m_stale = true;
  const compression::Scheme* m_scheme = nullptr;
  mutable std::optional<Block> m_block;
  WorkingCopy m_working;  // edits not yet saved, drawn over the file's bytes
  platform::UndoStack m_history;
  std::string m_report;
};

}  // namespace glyphon::browser
