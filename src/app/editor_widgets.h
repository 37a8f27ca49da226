// SPDX-License-Identifier: MIT
#pragma once

#include <QToolBar>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/types.h"
#include "editor/editor.h"

class QAction;
class QKeyEvent;
class QPainter;

namespace glyphon::app {

// The values the editor draws, each in the colour the view shows it in: a click picks the
// first value, a right click the second. The two current values are framed (the first in
// a thick frame).
class ValuePicker : public QWidget {
 public:
  ValuePicker(QWidget* parent, editor::Editor& tools, std::function<void()> changed);
  void SetColours(std::vector<RgbColor> colours);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int ValueAt(QPoint point) const;
  editor::Editor& m_tools;
  std::function<void()> m_changed;
  std::vector<RgbColor> m_colours;
};

// What the editing toolbar's buttons do beyond choosing tools and values; an empty one is
// left off the bar.
struct EditHooks {
  std::function<void()> changed;  // after anything: redraw
  std::function<void()> undo;
  std::function<void()> redo;
  std::function<void()> save;
  std::function<void()> copy;
  std::function<void()> paste;
  std::function<void()> flipHorizontally;
  std::function<void()> flipVertically;
  std::function<void()> rotate;
  std::function<void()> swapValues;
  std::function<void(const std::string& pairs)> remap;
  std::function<void()> clear;
};

// The editing toolbar shared by the ROM browser and the viewer: the tools, the value
// picker, the 8 by 8 tile grid, undo and redo, and the tile operations.
class EditToolBar : public QToolBar {
 public:
  EditToolBar(QWidget* parent, editor::Editor& tools, EditHooks hooks);
  void SetColours(std::vector<RgbColor> colours) { m_picker->SetColours(std::move(colours)); }
  // The buttons from the editor's state: the tool checked, undo and redo enabled.
  void Sync(bool canUndo, bool canRedo);
  bool TileGrid() const;
  ValuePicker& Picker() { return *m_picker; }

 private:
  editor::Editor& m_tools;
  EditHooks m_hooks;
  std::array<QAction*, editor::kToolCount> m_toolActions{};
  QAction* m_grid = nullptr;
  QAction* m_undo = nullptr;
  QAction* m_redo = nullptr;
  ValuePicker* m_picker = nullptr;
};

// The keys both editors share: 0-9 and A-F pick the first value (Shift+E for 14, as E
// alone turns editing on and off), X swaps the two values. Returns whether the key was taken.
bool EditorKey(const QKeyEvent& event, editor::Editor& tools);

// Over a view drawn at `zoom` (screen pixels a picture pixel): a faint pixel grid from
// zoom 4 up, the tile grid when asked, and the line or rectangle being dragged in `ink`.
void DrawEditorOverlay(QPainter& painter, int zoom, QSize picture, int tileSide, bool tileGrid,
                       const std::vector<editor::Point>& preview, RgbColor ink);

}  // namespace glyphon::app
