// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/qt_platform.h"
#include "formats/format_table.h"
#include "window_commands/file_commands.h"
#include "workspace/main_window.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QMimeData;

namespace glyphon::app {

class CaptionFrame;
class FramedPicture;
class ViewerWidget;
class ProgressWindowWidget;
class RomBrowserWidget;
class SpinnerBar;
class ValueField;

// The main window on screen: the controls of the window model at their places, drawn from
// its view after every operation and at every progress report, with the user's events
// forwarded to the model's operations. The widgets keep no state of their own.
class MainWindowWidget : public QWidget {
 public:
  static constexpr int kClientWidth = 520;
  // The window of old was 296 pixels high; a status line is added under it.
  static constexpr int kClientHeight = 316;

  explicit MainWindowWidget(QtPlatform& platform);
  ~MainWindowWidget() override;

  // Start-up: the model's start, then the window is shown centred on the screen.
  void Start();

  // Redraws every control of the three windows from the model.
  void Render();

  // Loads a file as the Load command does when that file is chosen with the first entry of
  // the open dialog. Only in normal mode with Load available; returns whether the load ran.
  bool LoadDroppedFile(const QString& path);

  // Shows the ROM browser (made on first use; one per main window) with `path` open, or
  // without a path with its last file, or else asking for one.
  RomBrowserWidget& Browse(const QString& path = {});
  RomBrowserWidget* Browser() { return m_browser.get(); }

  workspace::MainWindow& Model() { return m_model; }
  ViewerWidget& Viewer() { return *m_viewer; }
  ProgressWindowWidget& Progress() { return *m_progress; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Everything of the main window but whether it and the other two windows are shown.
  void RenderControls();
  // Runs one handler of the model to completion and shows the result. Memory running out
  // ends the handler with a message that names the `operation` ("convert image").
  void Dispatch(std::string_view operation, const std::function<void()>& handler);
  bool CanLoadDrop() const;
  // The format options are one group: one Tab stop (the selected option), and the arrow
  // keys select the option before or after it.
  bool MoveFormatSelection(int from, int key);
  static QString DroppedFile(const QMimeData* data);

  void BuildCommandButtons();
  void BuildFormatFrame();
  void BuildSelectionFrame();
  void BuildShortcuts();
  void BuildEditActions();
  void FitFont();

  QtPlatform& m_platform;
  workspace::MainWindow m_model;
  window_commands::FileCommands m_commands;
  int m_running = 0;  // handlers under way (a long loop lets events in)
  bool m_placed = false;

  QPushButton* m_load = nullptr;
  QPushButton* m_clear = nullptr;
  QPushButton* m_save = nullptr;
  QPushButton* m_paste = nullptr;
  QPushButton* m_convert = nullptr;
  QPushButton* m_copy = nullptr;
  CaptionFrame* m_formatFrame = nullptr;
  std::vector<QRadioButton*> m_formatOptions;  // by format index
  CaptionFrame* m_selectionFrame = nullptr;
  std::array<QLabel*, 4> m_fixedLabels{};  // X Pos:, Y Pos:, Width:, Height:
  std::array<ValueField*, 4> m_valueFields{};
  std::array<SpinnerBar*, 4> m_spinners{};
  QCheckBox* m_tileLock = nullptr;
  FramedPicture* m_thumbnail = nullptr;
  FramedPicture* m_swatches = nullptr;
  QLabel* m_about = nullptr;
  QLabel* m_status = nullptr;
  QLabel* m_values = nullptr;
  QAction* m_undo = nullptr;
  QAction* m_redo = nullptr;
  std::array<QAction*, 4> m_valueRules{};  // by formats::ValueRule
  std::unique_ptr<ViewerWidget> m_viewer;
  ProgressWindowWidget* m_progress = nullptr;
  std::unique_ptr<RomBrowserWidget> m_browser;
};

}  // namespace glyphon::app
