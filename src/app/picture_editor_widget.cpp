// SPDX-License-Identifier: MIT
#include "app/picture_editor_widget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "app/editor_widgets.h"
#include "app/surface_image.h"
#include "workspace/main_window.h"

namespace glyphon::app {

namespace {
constexpr int kMaxZoom = 16;
}  // namespace

// ---- The view ----

PictureEditView::PictureEditView(workspace::MainWindow& model, editor::Editor& tools,
                                 const editor::PictureCanvas& canvas)
    : QWidget(nullptr), m_model(model), m_tools(tools), m_canvas(canvas) {
  setObjectName("pictureEditView");
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureEditView::SetZoom(int zoom) {
  m_zoom = std::clamp(zoom, 1, kMaxZoom);
  resize(m_canvas.Width() * m_zoom, m_canvas.Height() * m_zoom);
  update();
}

void PictureEditView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const platform::Surface& picture = m_model.Picture();
  painter.save();
  painter.scale(m_zoom, m_zoom);
  painter.drawImage(QPoint(0, 0), ToQImage(picture));
  painter.restore();
  const auto value = static_cast<std::size_t>(m_tools.Value());
  const formats::FormatInfo& format = m_model.Format();
  const RgbColor ink =
      format.HasValues() && value <= format.values->MaxIndex() ? format.values->colourOfIndex[value] : kWhite;
  DrawEditorOverlay(painter, m_zoom, QSize(picture.Width(), picture.Height()), 8, m_bar && m_bar->TileGrid(),
                    m_tools.Preview(), ink);
}

editor::Point PictureEditView::PixelOf(QPoint at) const {
  return {std::clamp(at.x() / m_zoom, 0, std::max(0, m_canvas.Width() - 1)),
          std::clamp(at.y() / m_zoom, 0, std::max(0, m_canvas.Height() - 1))};
}

void PictureEditView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  m_tools.Press(PixelOf(event->position().toPoint()), event->button() == Qt::RightButton);
  update();
}

void PictureEditView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_tools.Stroking()) return;
  m_tools.Drag(PixelOf(event->position().toPoint()));
  update();
}

void PictureEditView::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_tools.Stroking()) return;
  m_tools.Release(PixelOf(event->position().toPoint()));
  update();
}

// ---- The editor ----

PictureEditor::PictureEditor(QScrollArea& viewer, platform::Platform& platform, workspace::MainWindow& model)
    : m_viewer(viewer),
      m_platform(platform),
      m_model(model),
      m_canvas(model),
      m_tools(std::make_unique<editor::Editor>(m_canvas, m_history)),
      m_view(new PictureEditView(model, *m_tools, m_canvas)) {
  m_palette = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
  m_palette->setObjectName("pictureEditorPalette");
  m_palette->setWindowTitle(QStringLiteral("Picture editor"));
  auto* column = new QVBoxLayout(m_palette.get());
  column->setContentsMargins(2, 2, 2, 2);
  EditHooks hooks;
  hooks.changed = [this] { Changed(); };
  hooks.undo = [this] { m_history.Undo(); };
  hooks.redo = [this] { m_history.Redo(); };
  hooks.copy = [this] {
    if (const std::optional<editor::Rect> rect = Selection()) editor::Clipboard() = m_tools->Copy(*rect);
  };
  hooks.paste = [this] {
    if (!editor::Clipboard()) return;
    const std::optional<editor::Rect> rect = Selection();
    std::string why;
    m_tools->Paste(*editor::Clipboard(), rect ? editor::Point{rect->x, rect->y} : editor::Point{}, &why);
    if (!why.empty())
      m_platform.ShowMessage({{"Unable to paste into the picture.", why},
                              platform::Buttons::Ok,
                              platform::Icon::Exclamation,
                              platform::Answer::Ok,
                              ""});
  };
  auto onSelection = [this](bool (editor::Editor::*operation)(const editor::Rect&)) {
    return [this, operation] {
      if (const std::optional<editor::Rect> rect = Selection()) ((*m_tools).*operation)(*rect);
    };
  };
  hooks.flipHorizontally = onSelection(&editor::Editor::FlipHorizontally);
  hooks.flipVertically = onSelection(&editor::Editor::FlipVertically);
  hooks.rotate = [this] {
    std::string why;
    if (const std::optional<editor::Rect> rect = Selection()) m_tools->Rotate(*rect, &why);
    if (!why.empty())
      m_platform.ShowMessage({{"Unable to rotate the selection.", why},
                              platform::Buttons::Ok,
                              platform::Icon::Exclamation,
                              platform::Answer::Ok,
                              ""});
  };
  hooks.swapValues = onSelection(&editor::Editor::SwapValuesIn);
  hooks.clear = onSelection(&editor::Editor::Clear);
  hooks.remap = [this](const std::string& pairs) {
    std::string why;
    const auto table = editor::ParseRemap(pairs, m_canvas.MaxValue(), &why);
    const std::optional<editor::Rect> rect = Selection();
    if (table && rect) m_tools->Remap(*rect, *table);
    if (!why.empty())
      m_platform.ShowMessage({{"Unable to remap the values of the picture.", why},
                              platform::Buttons::Ok,
                              platform::Icon::Exclamation,
                              platform::Answer::Ok,
                              ""});
  };
  m_hooks = hooks;
  m_bar = new EditToolBar(m_palette.get(), *m_tools, hooks);
  m_bar->setOrientation(Qt::Vertical);  // a narrow window of its own shows every button
  column->addWidget(m_bar);
  m_view->SetToolBar(m_bar);
}

PictureEditor::~PictureEditor() {
  // The view not in the viewer is this editor's; so is the viewer's picture while editing.
  if (m_editing) {
    delete m_picture;
  } else {
    delete m_view;
  }
}

// The main window's selection, where the tile operations work.
std::optional<editor::Rect> PictureEditor::Selection() {
  const convert::Selection s = m_model.CurrentSelection();
  if (s.width <= 0 || s.height <= 0) return std::nullopt;
  return editor::Rect{s.x, s.y, s.width, s.height};
}

void PictureEditor::Changed() {
  std::vector<RgbColor> colours;
  const formats::FormatInfo& format = m_model.Format();
  if (format.HasValues())
    for (unsigned v = 0; v <= format.values->MaxIndex(); ++v)
      colours.push_back(format.values->colourOfIndex[v]);
  m_bar->SetColours(std::move(colours));
  m_bar->Sync(m_history.CanUndo(), m_history.CanRedo());
  m_palette->adjustSize();  // as wide as the value picker
  m_view->update();
}

void PictureEditor::Toggle() {
  SetEditing(!m_editing);
}

void PictureEditor::SetEditing(bool on) {
  if (on == m_editing) return;
  if (on) {
    if (const std::string problem = m_canvas.Problem(); !problem.empty()) {
      m_platform.ShowMessage(
          {{problem}, platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""});
      return;
    }
    m_canvas.Stale();
    m_tools->FitValues();
    m_geometry = m_viewer.geometry();
    // As large as fits four fifths of the screen, at most 16 screen pixels a pixel.
    const QRect available =
        (m_viewer.screen() != nullptr ? m_viewer.screen() : QGuiApplication::primaryScreen())
            ->availableGeometry();
    const int width = std::max(1, m_canvas.Width()), height = std::max(1, m_canvas.Height());
    const int zoom = std::clamp(
        std::min(available.width() * 4 / 5 / width, available.height() * 4 / 5 / height), 1, kMaxZoom);
    m_view->SetZoom(zoom);
    // The window takes its new size first, so that the scroll bars are judged against it.
    m_viewer.resize(std::min(available.width(), width * zoom), std::min(available.height(), height * zoom));
    m_viewer.move(available.center() - m_viewer.rect().center());
    m_picture = m_viewer.takeWidget();
    m_viewer.setWidget(m_view);
    m_palette->adjustSize();
    m_palette->move(available.topLeft());
    m_palette->show();
    m_editing = true;
    Changed();
    m_viewer.activateWindow();
    m_viewer.setFocus();
    return;
  }
  if (m_tools->Stroking()) m_tools->Release({0, 0});
  m_palette->hide();
  m_viewer.takeWidget();  // the edit view, kept here
  m_view->setParent(nullptr);
  m_viewer.setWidget(m_picture);
  m_picture = nullptr;
  m_viewer.setGeometry(m_geometry);
  m_editing = false;
}

void PictureEditor::Stop() {
  SetEditing(false);
  m_history.Clear();
}

bool PictureEditor::Key(const QKeyEvent& event) {
  const bool control = event.modifiers() & Qt::ControlModifier;
  const bool shift = event.modifiers() & Qt::ShiftModifier;
  bool taken = true;
  if (control && event.key() == Qt::Key_Z && !shift) {
    m_history.Undo();
  } else if (control && (event.key() == Qt::Key_Y || (event.key() == Qt::Key_Z && shift))) {
    m_history.Redo();
  } else if (!control && (event.key() == Qt::Key_Plus || event.key() == Qt::Key_Equal)) {
    m_view->SetZoom(m_view->Zoom() + 1);
  } else if (!control && event.key() == Qt::Key_Minus) {
    m_view->SetZoom(m_view->Zoom() - 1);
  } else if (!control && event.key() == Qt::Key_G) {
    m_bar->findChild<QAction*>("tileGrid")->toggle();
  } else if (control && event.key() == Qt::Key_C) {
    m_hooks.copy();
  } else if (control && event.key() == Qt::Key_V) {
    m_hooks.paste();
  } else if (!control && event.key() == Qt::Key_H) {
    m_hooks.flipHorizontally();
  } else if (!control && event.key() == Qt::Key_V) {
    m_hooks.flipVertically();
  } else if (!control && event.key() == Qt::Key_R) {
    m_hooks.rotate();
  } else if (!control && event.key() == Qt::Key_W) {
    m_hooks.swapValues();
  } else if (!control && event.key() == Qt::Key_Delete) {
    m_hooks.clear();
  } else {
    taken = EditorKey(event, *m_tools);
  }
  if (taken) Changed();
  return taken;
}

}  // namespace glyphon::app
