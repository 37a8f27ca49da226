// SPDX-License-Identifier: MIT
#include "app/editor_widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace glyphon::app {

namespace {

constexpr int kSwatch = 18;  // a value's box in the picker
constexpr int kMaxColumns = 16;
constexpr int kPixelGridZoom = 4;

QColor ColourOf(RgbColor colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

// Each tool's caption, tip and key.
struct ToolButton {
  editor::Tool tool;
  const char* caption;
  const char* tip;
};
constexpr std::array<ToolButton, editor::kToolCount> kToolButtons = {{
    {editor::Tool::Pencil, "Pencil", "Set pixels to the value (left) or the second value (right)"},
    {editor::Tool::Line, "Line", "A line from the press to the release"},
    {editor::Tool::Rectangle, "Rect", "A rectangle's outline"},
    {editor::Tool::FilledRectangle, "Filled", "A filled rectangle"},
    {editor::Tool::Fill, "Fill", "Fill the pixels of one value joined to the one clicked"},
    {editor::Tool::TileFill, "Tile fill", "Fill within the clicked tile only"},
    {editor::Tool::Eyedropper, "Pick", "Take the clicked pixel's value"},
}};

}  // namespace

// ---- The value picker ----

ValuePicker::ValuePicker(QWidget* parent, editor::Editor& tools, std::function<void()> changed)
    : QWidget(parent), m_tools(tools), m_changed(std::move(changed)) {
  setObjectName("valuePicker");
  setToolTip(QStringLiteral("Left click: the value to draw; right click: the second value (X swaps)"));
}

void ValuePicker::SetColours(std::vector<RgbColor> colours) {
  if (colours == m_colours) return;
  m_colours = std::move(colours);
  updateGeometry();
  update();
}

QSize ValuePicker::sizeHint() const {
  const int count = std::max<int>(1, static_cast<int>(m_colours.size()));
  const int columns = std::min(count, kMaxColumns);
  const int rows = (count + kMaxColumns - 1) / kMaxColumns;
  // 256 values take 16 rows of small boxes.
  const int side = rows > 2 ? 6 : kSwatch;
  return {columns * side + 2, rows * side + 2};
}

int ValuePicker::ValueAt(QPoint point) const {
  const int count = static_cast<int>(m_colours.size());
  const int columns = std::min(std::max(count, 1), kMaxColumns);
  const int side = std::max(1, (width() - 2) / columns);
  const int rowSide = std::max(1, (height() - 2) / std::max(1, (count + kMaxColumns - 1) / kMaxColumns));
  const int value = (point.y() - 1) / rowSide * columns + (point.x() - 1) / side;
  return value >= 0 && value < count ? value : -1;
}

void ValuePicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int count = static_cast<int>(m_colours.size());
  if (count == 0) return;
  const int columns = std::min(count, kMaxColumns);
  const int rows = (count + kMaxColumns - 1) / kMaxColumns;
  const int side = std::max(1, (width() - 2) / columns);
  const int rowSide = std::max(1, (height() - 2) / rows);
  for (int v = 0; v < count; ++v) {
    const QRect box(1 + v % columns * side, 1 + v / columns * rowSide, side, rowSide);
    painter.fillRect(box, ColourOf(m_colours[static_cast<std::size_t>(v)]));
    if (v == m_tools.Value(true)) {
      painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
      painter.drawRect(box.adjusted(1, 1, -2, -2));
    }
    if (v == m_tools.Value()) {
      painter.setPen(QPen(Qt::red, 2));
      painter.drawRect(box.adjusted(1, 1, -1, -1));
    }
  }
}

void ValuePicker::mousePressEvent(QMouseEvent* event) {
  const int value = ValueAt(event->position().toPoint());
  if (value < 0) return;
  m_tools.SetValue(value, event->button() == Qt::RightButton);
  update();
  if (m_changed) m_changed();
}

// ---- The toolbar ----

EditToolBar::EditToolBar(QWidget* parent, editor::Editor& tools, EditHooks hooks)
    : QToolBar(QStringLiteral("Edit"), parent), m_tools(tools), m_hooks(std::move(hooks)) {
  setObjectName("editToolBar");
  setMovable(false);
  auto* group = new QActionGroup(this);
  for (std::size_t i = 0; i < kToolButtons.size(); ++i) {
    const ToolButton& button = kToolButtons[i];
    QAction* action = addAction(QString::fromLatin1(button.caption));
    action->setObjectName(QStringLiteral("tool") + QString::number(static_cast<int>(i)));
    action->setToolTip(QString::fromLatin1(button.tip));
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, tool = button.tool] {
      m_tools.SetTool(tool);
      if (m_hooks.changed) m_hooks.changed();
    });
    m_toolActions[i] = action;
  }
  addSeparator();
  m_picker = new ValuePicker(this, tools, [this] {
    if (m_hooks.changed) m_hooks.changed();
  });
  addWidget(m_picker);
  addSeparator();
  m_grid = addAction(QStringLiteral("Grid"));
  m_grid->setObjectName("tileGrid");
  m_grid->setCheckable(true);
  m_grid->setToolTip(QStringLiteral("The 8 by 8 tile grid (G)"));
  connect(m_grid, &QAction::toggled, this, [this] {
    if (m_hooks.changed) m_hooks.changed();
  });
  // Buttons only for what the host does; their keys are the host's.
  auto add = [this](const char* caption, const char* name, const char* tip,
                    const std::function<void()>& run) {
    if (!run) return static_cast<QAction*>(nullptr);
    QAction* action = addAction(QString::fromLatin1(caption), this, [this, run] {
      run();
      if (m_hooks.changed) m_hooks.changed();
    });
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromLatin1(tip));
    return action;
  };
  addSeparator();
  m_undo = add("Undo", "editUndo", "Undo the last edit (Ctrl+Z)", m_hooks.undo);
  m_redo = add("Redo", "editRedo", "Redo (Ctrl+Shift+Z, Ctrl+Y)", m_hooks.redo);
  add("Save", "editSave", "Save the edits into the ROM (Ctrl+S)", m_hooks.save);
  addSeparator();
  add("Copy", "copyTiles", "Copy the selected tiles (Ctrl+C)", m_hooks.copy);
  add("Paste", "pasteTiles", "Paste tiles at the selection (Ctrl+V)", m_hooks.paste);
  add("Flip H", "flipH", "Flip the selection horizontally (H)", m_hooks.flipHorizontally);
  add("Flip V", "flipV", "Flip the selection vertically (V)", m_hooks.flipVertically);
  add("Rotate", "rotate", "Turn a square selection clockwise (R)", m_hooks.rotate);
  add("Swap", "swapValues", "Swap the two current values in the selection (W)", m_hooks.swapValues);
  if (m_hooks.remap) {
    add("Remap...", "remapValues", "Change values in the selection: pairs such as 1>3 3>1", [this] {
      bool ok = false;
      const QString pairs = QInputDialog::getText(this, QStringLiteral("Remap values"),
                                                  QStringLiteral("Pairs of values, from>to (1>3 3>1):"),
                                                  QLineEdit::Normal, QString(), &ok);
      if (ok) m_hooks.remap(pairs.toStdString());
    });
  }
  add("Clear", "clearTiles", "Set the selection to value 0 (Delete)", m_hooks.clear);
}

void EditToolBar::Sync(bool canUndo, bool canRedo) {
  for (std::size_t i = 0; i < kToolButtons.size(); ++i)
    m_toolActions[i]->setChecked(kToolButtons[i].tool == m_tools.CurrentTool());
  if (m_undo) m_undo->setEnabled(canUndo);
  if (m_redo) m_redo->setEnabled(canRedo);
  m_picker->update();
}

bool EditToolBar::TileGrid() const {
  return m_grid->isChecked();
}

// ---- Keys and drawing ----

bool EditorKey(const QKeyEvent& event, editor::Editor& tools) {
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const int key = event.key();
  if (key == Qt::Key_X && !(modifiers & Qt::ShiftModifier)) {
    tools.SwapValues();
    return true;
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    tools.SetValue(key - Qt::Key_0);
    return true;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_F) {
    // E alone is the editing switch; Shift+E is value 14.
    if (key == Qt::Key_E && !(modifiers & Qt::ShiftModifier)) return false;
    tools.SetValue(key - Qt::Key_A + 10);
    return true;
  }
  return false;
}

void DrawEditorOverlay(QPainter& painter, int zoom, QSize picture, int tileSide, bool tileGrid,
                       const std::vector<editor::Point>& preview, RgbColor ink) {
  painter.save();
  const int width = picture.width() * zoom, height = picture.height() * zoom;
  if (zoom >= kPixelGridZoom) {
    painter.setPen(QColor(128, 128, 128, 90));
    for (int x = zoom; x < width; x += zoom) painter.drawLine(x, 0, x, height - 1);
    for (int y = zoom; y < height; y += zoom) painter.drawLine(0, y, width - 1, y);
  }
  if (tileGrid && tileSide > 0) {
    painter.setPen(QColor(255, 0, 128, 170));
    const int step = tileSide * zoom;
    for (int x = step; x < width; x += step) painter.drawLine(x, 0, x, height - 1);
    for (int y = step; y < height; y += step) painter.drawLine(0, y, width - 1, y);
  }
  QColor shape = ColourOf(ink);
  shape.setAlpha(200);
  for (const editor::Point p : preview) painter.fillRect(p.x * zoom, p.y * zoom, zoom, zoom, shape);
  painter.restore();
}

}  // namespace glyphon::app
