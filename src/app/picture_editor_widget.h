// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>

#include "app/editor_widgets.h"
#include "core/undo_stack.h"
#include "editor/editor.h"
#include "editor/picture_canvas.h"
#include "platform/platform.h"

class QScrollArea;
class QKeyEvent;

namespace glyphon::workspace {
class MainWindow;
}

namespace glyphon::app {

// The main window's picture drawn at a zoom, for the tools: a press draws (right button:
// the second value), a drag goes on with the stroke.
class PictureEditView : public QWidget {
 public:
  PictureEditView(workspace::MainWindow& model, editor::Editor& tools, const editor::PictureCanvas& canvas);
  int Zoom() const { return m_zoom; }
  void SetZoom(int zoom);
  void SetToolBar(const EditToolBar* bar) { m_bar = bar; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  editor::Point PixelOf(QPoint at) const;
  workspace::MainWindow& m_model;
  editor::Editor& m_tools;
  const editor::PictureCanvas& m_canvas;
  const EditToolBar* m_bar = nullptr;
  int m_zoom = 1;
};

// The editor of the viewer: E turns it on over the full-size picture, which it shows
// zoomed in with the editing toolbar in a small window of its own; the same tools, tile
// operations (on the main window's selection) and undo as the ROM browser's.
class PictureEditor {
 public:
  PictureEditor(QScrollArea& viewer, platform::Platform& platform, workspace::MainWindow& model);
  ~PictureEditor();

  bool Editing() const { return m_editing; }
  // E: on (refused with a message when the picture cannot be drawn on) or off.
  void Toggle();
  // The viewer closes: editing ends and the history goes with the picture it was for.
  void Stop();
  // While editing: the editor's keys. Returns whether the key was taken.
  bool Key(const QKeyEvent& event);

  editor::Editor& Tools() { return *m_tools; }
  platform::UndoStack& History() { return m_history; }
  PictureEditView& View() { return *m_view; }

 private:
  void SetEditing(bool on);
  void Changed();
  std::optional<editor::Rect> Selection();

  QScrollArea& m_viewer;
  platform::Platform& m_platform;
  workspace::MainWindow& m_model;
  editor::PictureCanvas m_canvas;
  platform::UndoStack m_history;
  std::unique_ptr<editor::Editor> m_tools;
  PictureEditView* m_view = nullptr;   // owned by the viewer while editing, else here
  QWidget* m_picture = nullptr;        // the viewer's own picture while editing
  std::unique_ptr<QWidget> m_palette;  // the toolbar's window
  EditToolBar* m_bar = nullptr;
  EditHooks m_hooks;  // the toolbar's operations, for their keys too
  QRect m_geometry;   // the viewer's before editing
  bool m_editing = false;
};

}  // namespace glyphon::app
