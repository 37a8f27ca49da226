// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <functional>
#include <optional>

#include "app/qt_platform.h"
#include "browser/pixel_editor.h"
#include "browser/rom_browser.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QScrollBar;
class QSpinBox;
class QToolBar;

namespace glyphon::workspace {
class MainWindow;
}

namespace glyphon::app {

class FormatStripWidget;
class EditToolBar;

// The picture of the ROM browser: the model's rows on screen blitted at the integer zoom,
// without smoothing, with the selection outline over them. Mouse, wheel and keys go to the
// model; `changed` runs after each so the window around it shows the new state.
class RomView : public QWidget {
 public:
  RomView(QWidget* parent, browser::RomBrowser& model, std::function<void()> changed);

  // The status bar's text for the point under the mouse, or empty when it is away.
  QString PointText() const;
  // The editing mode's mouse and keys go to `editor`; `bar` says whether the tile grid shows.
  void SetEditor(browser::RomEditor* editor, const EditToolBar* bar) {
    m_editor = editor;
    m_editBar = bar;
  }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  browser::RomBrowser& m_model;
  std::function<void()> m_changed;
  bool Drawing() const;
  browser::RomEditor* m_editor = nullptr;
  const EditToolBar* m_editBar = nullptr;
  bool m_stroke = false;                                      // a stroke of the editor's tool is under way
  std::optional<QPoint> m_pressedAt;                          // where a left-button drag began
  std::optional<browser::RomBrowser::Settings> m_beforeDrag;  // the settings it began in
  std::optional<QPoint> m_mouse;                              // the mouse over the view
  int m_wheel = 0;  // eighths of a degree not yet turned into notches
};

// The ROM browser window: a toolbar of the model's settings, the view with a scroll bar over
// the whole file, and a status bar. It keeps no state of its own beyond what is remembered
// between runs (its size, the last file and the view's settings, in QSettings).
class RomBrowserWidget : public QMainWindow {
 public:
  // `mainWindow` is the main window's model that pictures are sent to and written back
  // from; `mainChanged` redraws the main window after a picture was sent.
  RomBrowserWidget(QtPlatform& platform, workspace::MainWindow& mainWindow,
                   std::function<void()> mainChanged);
  ~RomBrowserWidget() override;

  // Shows the window with `path` open. Without a path it keeps the open file, or reopens
  // the last one, or else asks for one.
  void Browse(const QString& path = {});
  // Asks for a ROM file and opens it.
  void ChooseFile();

  // Find in ROM from the main window: the search, then the status bar says what it found.
  void FindInRom(const workspace::MainWindow& window);
  // F3 and Shift+F3: the next and previous match.
  void FindAgain(bool forward);
  // The main window changed (a conversion, a Clear): what the browser offers follows.
  void MainWindowChanged() { Refresh(); }

  browser::RomBrowser& Model() { return m_model; }
  FormatStripWidget& Strip() { return *m_strip; }
  browser::RomEditor& Editor() { return m_editor; }
  RomView& View() { return *m_view; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildToolBar();
  void BuildRomControls(QToolBar& bar);
  void BuildCentre();
  // Undo and Redo of writes into the ROM: the right-click menu and the keys.
  void BuildHistory();
  // Runs a model operation with its message boxes over this window, then redraws.
  void Run(const std::function<void()>& operation);
  // Redraws every control and the view from the model.
  void Refresh();
  void RefreshWidth();
  void ChooseColours(int index);
  void Open(const QString& path);
  bool ReopenLast();
  void Remember() const;
  // The colour choice of the open ROM, kept in the settings under its path.
  void RememberColours() const;
  void RecallColours();
  void BuildEditing();
  void SetEditing(bool on);
  void RefreshEditing();

  QtPlatform& m_platform;
  workspace::MainWindow& m_mainWindow;
  std::function<void()> m_mainChanged;
  browser::RomBrowser m_model;
  browser::RomEditor m_editor;

  RomView* m_view = nullptr;
  QScrollBar* m_scrollBar = nullptr;
  QComboBox* m_format = nullptr;
  QSpinBox* m_width = nullptr;
  QComboBox* m_zoom = nullptr;
  QComboBox* m_colours = nullptr;
  QComboBox* m_order = nullptr;
  QLineEdit* m_offset = nullptr;
  QComboBox* m_compression = nullptr;
  QAction* m_previousBlock = nullptr;
  QAction* m_nextBlock = nullptr;
  QAction* m_send = nullptr;
  QAction* m_write = nullptr;
  QAction* m_edit = nullptr;
  EditToolBar* m_editBar = nullptr;
  QAction* m_undo = nullptr;
  QAction* m_redo = nullptr;
  QLabel* m_point = nullptr;
  QLabel* m_find = nullptr;
  QLabel* m_range = nullptr;
  FormatStripWidget* m_strip = nullptr;
  QScrollArea* m_stripArea = nullptr;
  QAction* m_showStrip = nullptr;
};

}  // namespace glyphon::app
