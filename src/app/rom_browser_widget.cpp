// SPDX-License-Identifier: MIT
#include "app/rom_browser_widget.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/surface_image.h"
#include "app/widgets.h"
#include "palette/palette_file.h"
#include "platform/file_range.h"
#include "tiles/tile_order.h"

namespace glyphon::app {

namespace {

using browser::Colours;
using browser::Step;

constexpr int kDragSlack = 2;  // screen pixels a press may move and still be a click
constexpr QSize kDefaultSize(1040, 720);
constexpr QLatin1StringView kSettingsOwner("rom-glyphon");

// The colour choices in the order of the colours box.
constexpr std::array<Colours, 4> kColourChoices = {Colours::DecoderGreys, Colours::Shades, Colours::Ramp,
                                                   Colours::Palette};
constexpr std::array<const char*, 4> kColourCaptions = {"Decoder greys", "Shades (white 0)", "Built-in ramp",
                                                        "Palette file..."};

// The tile orders of the order box: sprites stored as objects of several tiles (blocks, for
// the PC Engine's 16 by 16 patterns), each object's tiles together. The Game Boy's tall
// sprites are 1x2, the SNES's 16 by 16 sprites 2x2; the Genesis keeps an object's tiles in
// columns.
struct OrderChoice {
  const char* caption;
  tiles::TileOrder order;
};
const std::array<OrderChoice, 6> kOrderChoices = {{
    {"Rows", {}},
    {"1x2 objects", {tiles::Walk::Rows, 1, 2, tiles::Walk::Rows}},
    {"2x2 objects", {tiles::Walk::Rows, 2, 2, tiles::Walk::Rows}},
    {"4x4 objects", {tiles::Walk::Rows, 4, 4, tiles::Walk::Rows}},
    {"2x2 by columns", {tiles::Walk::Rows, 2, 2, tiles::Walk::Columns}},
    {"4x4 by columns", {tiles::Walk::Rows, 4, 4, tiles::Walk::Columns}},
}};

const std::vector<platform::FileFilter> kRomFilters = {
    {"ROM",
     {"sfc", "smc", "fig", "gb", "gbc", "gba", "nes", "md", "gen", "smd", "bin", "vb", "z64", "n64", "v64",
      "dat"},
     std::nullopt},
    {"All", {}, std::nullopt}};

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A control on the toolbar after its caption.
template <class Control>
Control* Labelled(QToolBar* bar, const char* caption, const char* name) {
  bar->addWidget(new QLabel(QString::fromLatin1(caption), bar));
  auto* control = new Control(bar);
  control->setObjectName(name);
  bar->addWidget(control);
  return control;
}

// The palette kinds that a file's extension picks, as one filter entry.
std::vector<platform::FileFilter> PaletteFilters() {
  std::vector<std::string_view> extensions;
  for (const palette::PaletteKind& kind : palette::PaletteKinds()) {
    std::string_view rest = kind.extensions;
    while (!rest.empty()) {
      const std::size_t space = rest.find(' ');
      // The kinds list their extensions with the dot: ".pal .act".
      std::string_view extension = rest.substr(0, space);
      if (extension.starts_with('.')) extension.remove_prefix(1);
      extensions.push_back(extension);
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
  }
  return {{"Palette", std::move(extensions), std::nullopt}, {"All", {}, std::nullopt}};
}

// The key that moves the view, if any. '=' is '+' without Shift on most layouts.
std::optional<Step> StepOfKey(int key) {
  switch (key) {
    case Qt::Key_Up:
      return Step::LineUp;
    case Qt::Key_Down:
      return Step::LineDown;
    case Qt::Key_PageUp:
      return Step::PageUp;
    case Qt::Key_PageDown:
      return Step::PageDown;
    case Qt::Key_Home:
      return Step::Home;
    case Qt::Key_End:
      return Step::End;
    case Qt::Key_Left:
      return Step::ByteLeft;
    case Qt::Key_Right:
      return Step::ByteRight;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return Step::Wider;
    case Qt::Key_Minus:
      return Step::Narrower;
    case Qt::Key_N:
      return Step::NextBlock;
    case Qt::Key_P:
      return Step::PreviousBlock;
    default:
      return std::nullopt;
  }
}

// What the window remembers between runs, in the desktop program's settings file.
QString Key(const char* name) {
  return QStringLiteral("RomBrowser/") + QLatin1String(name);
}

}  // namespace

// ---- The view ----

RomView::RomView(QWidget* parent, browser::RomBrowser& model, std::function<void()> changed)
    : QWidget(parent), m_model(model), m_changed(std::move(changed)) {
  setObjectName("romView");
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(64, 64);
}

QString RomView::PointText() const {
  return m_mouse ? Text(m_model.DescribePoint(m_mouse->x(), m_mouse->y())) : QString();
}

void RomView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!m_model.HasFile()) return;
  const int zoom = m_model.Zoom();
  const platform::Surface& surface = m_model.Render();
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.scale(zoom, zoom);
  painter.drawImage(QPoint(0, 0), ToQImage(surface));
  painter.restore();
  if (const auto& s = m_model.Selection()) {
    const float z = static_cast<float>(zoom);
    DrawOutline(painter,
                {static_cast<float>(s->x) * z, static_cast<float>(s->y) * z, static_cast<float>(s->width) * z,
                 static_cast<float>(s->height) * z, true},
                QPoint(0, 0));
  }
}

void RomView::resizeEvent(QResizeEvent*) {
  m_model.SetViewSize(width(), height());
  m_changed();
}

void RomView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  m_pressedAt = event->position().toPoint();
  m_beforeDrag = m_model.CurrentSettings();
}

void RomView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  m_mouse = at;
  if (m_pressedAt && (event->buttons() & Qt::LeftButton) &&
      (at - *m_pressedAt).manhattanLength() > kDragSlack) {
    m_model.Select(m_pressedAt->x(), m_pressedAt->y(), at.x(), at.y());
  }
  m_changed();
}

void RomView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !m_pressedAt) return;
  const QPoint at = event->position().toPoint();
  if ((at - *m_pressedAt).manhattanLength() > kDragSlack) {
    m_model.Select(m_pressedAt->x(), m_pressedAt->y(), at.x(), at.y());
  } else {
    m_model.ClearSelection();  // a click without a drag
  }
  // The drag, or the click that dropped a selection, is one step of the history.
  if (m_beforeDrag) m_model.Recorded(m_model.Selection() ? "Select" : "Clear selection", *m_beforeDrag);
  m_beforeDrag.reset();
  m_pressedAt.reset();
  m_changed();
}

void RomView::leaveEvent(QEvent*) {
  m_mouse.reset();
  m_changed();
}

void RomView::wheelEvent(QWheelEvent* event) {
  event->accept();
  m_wheel += event->angleDelta().y();
  const int notches = m_wheel / 120;
  if (notches == 0) return;
  m_wheel -= notches * 120;
  m_model.Wheel(-notches);  // turning the wheel away from the user scrolls up
  m_changed();
}

void RomView::keyPressEvent(QKeyEvent* event) {
  const std::optional<Step> step = StepOfKey(event->key());
  if (!step || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  if (*step == Step::Wider || *step == Step::Narrower) {
    m_model.Record(
        "Change width", [this, step] { m_model.Press(*step); }, 1);
  } else {
    m_model.Press(*step);
  }
  m_changed();
}

// ---- The window ----

RomBrowserWidget::RomBrowserWidget(QtPlatform& platform, workspace::MainWindow& mainWindow,
                                   std::function<void()> mainChanged)
    : QMainWindow(nullptr),
      m_platform(platform),
      m_mainWindow(mainWindow),
      m_mainChanged(std::move(mainChanged)),
      m_model(platform) {
  setObjectName("romBrowser");
  setWindowTitle(Text(browser::kBrowserCaption));
  m_point = new QLabel(this);
  m_range = new QLabel(this);
  statusBar()->addWidget(m_point, 1);
  statusBar()->addPermanentWidget(m_range);
  BuildToolBar();
  BuildCentre();
  BuildHistory();

  QSettings settings(kSettingsOwner, kSettingsOwner);
  m_model.SetFormat(settings.value(Key("format"), m_model.Format()).toInt());
  m_model.SetWidth(settings.value(Key("width"), m_model.Width()).toInt());
  m_model.SetZoom(settings.value(Key("zoom"), m_model.Zoom()).toInt());
  Refresh();
  // At first as wide as the toolbar with its values in, so that every control shows.
  const QSize wanted(std::max(kDefaultSize.width(), findChild<QToolBar*>("romToolBar")->sizeHint().width()),
                     kDefaultSize.height());
  resize(settings.value(Key("size"), wanted).toSize());
}

RomBrowserWidget::~RomBrowserWidget() = default;

void RomBrowserWidget::BuildToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("Browse"));
  bar->setObjectName("romToolBar");
  bar->setMovable(false);
  QAction* open = bar->addAction(QStringLiteral("Open..."), this, [this] { ChooseFile(); });
  open->setObjectName("openRom");
  open->setIconText(open->text());  // a tool button would drop the dots
  bar->addSeparator();

  m_format = Labelled<QComboBox>(bar, " Format ", "format");
  for (const formats::FormatInfo& format : formats::Formats()) m_format->addItem(Text(format.caption));
  connect(m_format, &QComboBox::activated, this, [this](int i) {
    Run([this, i] {
      m_model.Record("Format " + std::string(formats::Format(i).caption),
                     [this, i] { m_model.SetFormat(i); });
    });
  });

  m_width = Labelled<QSpinBox>(bar, " Width ", "width");
  m_width->setKeyboardTracking(false);  // a typed width is taken on Enter or on leaving the box
  connect(m_width, &QSpinBox::valueChanged, this, [this](int) { RefreshWidth(); });
  QAction* fit = bar->addAction(QStringLiteral("Fit"), this, [this] {
    Run([this] { m_model.Record("Fit width", [this] { m_model.FitWidth(); }); });
  });
  fit->setObjectName("fitWidth");
  fit->setToolTip(QStringLiteral("The widest width that fits the window"));

  m_zoom = Labelled<QComboBox>(bar, " Zoom ", "zoom");
  for (int zoom = browser::kMinZoom; zoom <= browser::kMaxZoom; ++zoom)
    m_zoom->addItem(QStringLiteral("%1x").arg(zoom));
  connect(m_zoom, &QComboBox::activated, this,
          [this](int i) { Run([this, i] { m_model.SetZoom(browser::kMinZoom + i); }); });

  m_colours = Labelled<QComboBox>(bar, " Colours ", "colours");
  for (const char* caption : kColourCaptions) m_colours->addItem(QString::fromLatin1(caption));
  connect(m_colours, &QComboBox::activated, this, [this](int i) { ChooseColours(i); });

  m_order = Labelled<QComboBox>(bar, " Order ", "order");
  for (const OrderChoice& choice : kOrderChoices) m_order->addItem(QString::fromLatin1(choice.caption));
  connect(m_order, &QComboBox::activated, this, [this](int i) {
    const OrderChoice& choice = kOrderChoices[static_cast<std::size_t>(i)];
    Run([this, &choice] {
      m_model.Record(std::string("Order ") + choice.caption,
                     [this, &choice] { m_model.SetTileOrder(choice.order); });
    });
  });
  bar->addSeparator();
  BuildRomControls(*bar);
}

void RomBrowserWidget::BuildRomControls(QToolBar& bar) {
  m_offset = Labelled<QLineEdit>(&bar, " Offset ", "offset");
  m_offset->setToolTip(QStringLiteral("Hex offset to jump to; press Enter"));
  m_offset->setFixedWidth(m_offset->fontMetrics().horizontalAdvance(QStringLiteral("0x00000000")) + 16);
  connect(m_offset, &QLineEdit::returnPressed, this, [this] {
    bool jumped = false;
    Run([this, &jumped] { jumped = m_model.JumpTo(m_offset->text().toStdString()); });
    if (!jumped) return;
    // The typed text gives way to the offset as the browser writes it ("0x2000").
    m_offset->setModified(false);
    m_view->setFocus();
    Refresh();
  });

  m_compression = Labelled<QComboBox>(&bar, " Compression ", "compression");
  m_compression->addItem(QStringLiteral("None"));
  for (const compression::Scheme& scheme : compression::Schemes()) m_compression->addItem(Text(scheme.name));
  connect(m_compression, &QComboBox::activated, this, [this](int i) {
    const compression::Scheme* scheme =
        i == 0 ? nullptr : &compression::Schemes()[static_cast<std::size_t>(i - 1)];
    Run([this, scheme] {
      m_model.Record("Compression " + std::string(scheme ? scheme->name : "None"),
                     [this, scheme] { m_model.SetCompression(scheme); });
    });
  });
  m_previousBlock = bar.addAction(QStringLiteral("Previous block"), this,
                                  [this] { Run([this] { m_model.PreviousBlock(); }); });
  m_previousBlock->setObjectName("previousBlock");
  m_previousBlock->setToolTip(QStringLiteral("The previous block of the compression (P)"));
  m_nextBlock =
      bar.addAction(QStringLiteral("Next block"), this, [this] { Run([this] { m_model.NextBlock(); }); });
  m_nextBlock->setObjectName("nextBlock");
  m_nextBlock->setToolTip(QStringLiteral("The next block of the compression (N)"));
  bar.addSeparator();

  m_send = bar.addAction(QStringLiteral("Send to main window"), this, [this] {
    bool sent = false;
    Run([this, &sent] { sent = m_model.SendToMainWindow(m_mainWindow); });
    if (sent && m_mainChanged) m_mainChanged();
  });
  m_send->setObjectName("send");
  m_write = bar.addAction(QStringLiteral("Write into ROM"), this, [this] {
    bool written = false;
    Run([this, &written] { written = m_model.WriteIntoRom(m_mainWindow); });
    if (written) statusBar()->showMessage(Text(m_model.Report()));
  });
  m_write->setObjectName("write");
}

void RomBrowserWidget::BuildHistory() {
  const auto step = [this](bool undo) {
    bool done = false;
    Run([this, undo, &done] { done = undo ? m_model.Undo() : m_model.Redo(); });
    if (done) statusBar()->showMessage(Text(m_model.Report()));
  };
  m_undo = new QAction(QStringLiteral("Undo"), this);
  m_undo->setObjectName("undo");
  m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(m_undo, &QAction::triggered, this, [step] { step(true); });
  m_redo = new QAction(QStringLiteral("Redo"), this);
  m_redo->setObjectName("redo");
  m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  connect(m_redo, &QAction::triggered, this, [step] { step(false); });
  m_view->addAction(m_undo);
  m_view->addAction(m_redo);
  m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void RomBrowserWidget::BuildCentre() {
  auto* centre = new QWidget(this);
  auto* row = new QHBoxLayout(centre);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  m_view = new RomView(centre, m_model, [this] { Refresh(); });
  m_scrollBar = new QScrollBar(Qt::Vertical, centre);
  m_scrollBar->setObjectName("romScrollBar");
  connect(m_scrollBar, &QScrollBar::valueChanged, this,
          [this](int v) { Run([this, v] { m_model.ScrollTo(v); }); });
  row->addWidget(m_view, 1);
  row->addWidget(m_scrollBar);
  setCentralWidget(centre);
  m_view->setFocus();
}

void RomBrowserWidget::Run(const std::function<void()>& operation) {
  // The model's message boxes belong to this window while it works.
  QWidget* home = m_platform.DialogParent();
  m_platform.SetDialogParent(this);
  try {
    operation();
  } catch (const std::bad_alloc&) {
    // The one place the browser's operations end when memory runs out.
    const std::string name = m_model.HasFile() ? m_model.Path().filename().string() : "the ROM";
    m_platform.ShowMessage({{"Unable to browse " + name + ".", "there is not enough memory"},
                            platform::Buttons::Ok,
                            platform::Icon::Exclamation,
                            platform::Answer::Ok,
                            ""});
  }
  m_platform.SetDialogParent(home);
  Refresh();
}

void RomBrowserWidget::Refresh() {
  {
    const QSignalBlocker quiet(m_format);
    m_format->setCurrentIndex(m_model.Format());
  }
  {
    const QSignalBlocker quiet(m_zoom);
    m_zoom->setCurrentIndex(m_model.Zoom() - browser::kMinZoom);
  }
  {
    const QSignalBlocker quiet(m_colours);
    const auto at = std::find(kColourChoices.begin(), kColourChoices.end(), m_model.ColourSource());
    m_colours->setCurrentIndex(static_cast<int>(at - kColourChoices.begin()));
  }
  {
    // Only the formats that store whole tiles in order take a tile order.
    const QSignalBlocker quiet(m_order);
    const auto at = std::find_if(kOrderChoices.begin(), kOrderChoices.end(),
                                 [this](const OrderChoice& c) { return c.order == m_model.TileOrder(); });
    m_order->setCurrentIndex(at == kOrderChoices.end() ? 0 : static_cast<int>(at - kOrderChoices.begin()));
    m_order->setEnabled(formats::Format(m_model.Format()).StoresWholeBlocks());
  }
  {
    // Grid formats count tiles; linear ones pixels, in steps that fill whole bytes.
    const QSignalBlocker quiet(m_width);
    const bool tiles = m_model.WidthInTiles();
    const int step = tiles ? 1 : m_model.PixelWidth() / std::max(m_model.Width(), 1);
    m_width->setSuffix(tiles ? QStringLiteral(" tiles") : QStringLiteral(" pixels"));
    m_width->setRange(step, tiles ? 1024 : 8192);
    m_width->setSingleStep(step);
    m_width->setValue(tiles ? m_model.Width() : m_model.PixelWidth());
  }
  {
    const browser::ScrollRange range = m_model.Scroll();
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setRange(0, range.maximum);
    m_scrollBar->setPageStep(range.pageStep);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setValue(range.value);
    m_scrollBar->setEnabled(m_model.HasFile());
  }
  if (!m_offset->hasFocus() || !m_offset->isModified()) {
    m_offset->setText(m_model.HasFile() ? Text(platform::HexOffset(m_model.Offset())) : QString());
    m_offset->setModified(false);
  }
  m_offset->setEnabled(m_model.HasFile());
  {
    const compression::Scheme* scheme = m_model.Compression();
    const std::span<const compression::Scheme> schemes = compression::Schemes();
    m_compression->setCurrentIndex(scheme ? static_cast<int>(scheme - schemes.data()) + 1 : 0);
    m_previousBlock->setEnabled(m_model.HasFile() && scheme);
    m_nextBlock->setEnabled(m_model.HasFile() && scheme);
  }
  m_send->setEnabled(m_model.Selection().has_value());
  m_write->setEnabled(m_model.CanWriteInto(m_mainWindow));
  if (m_undo != nullptr) {
    const std::string undo = m_model.UndoName();
    const std::string redo = m_model.RedoName();
    m_undo->setText(undo.empty() ? QStringLiteral("Undo") : Text(undo));
    m_undo->setEnabled(!undo.empty());
    m_redo->setText(redo.empty() ? QStringLiteral("Redo") : Text(redo));
    m_redo->setEnabled(!redo.empty());
  }
  // The point under the mouse, then the selection's bytes.
  const QString point = m_view->PointText();
  const QString selection = Text(m_model.DescribeSelection());
  m_point->setText(point.isEmpty() || selection.isEmpty() ? point + selection : point + "    " + selection);
  m_range->setText(m_model.HasFile() ? Text(m_model.DescribeRange()) : QString());
  m_view->update();
}

void RomBrowserWidget::RefreshWidth() {
  const int value = m_width->value();
  Run([this, value] {
    m_model.Record(
        "Change width",
        [this, value] {
          if (m_model.WidthInTiles()) {
            m_model.SetWidth(value);
          } else {
            const int step = m_model.PixelWidth() / std::max(m_model.Width(), 1);
            m_model.SetWidth((value + step / 2) / step);
          }
        },
        1);
  });
}

void RomBrowserWidget::ChooseColours(int index) {
  const Colours colours = kColourChoices[static_cast<std::size_t>(index)];
  Run([this, colours] {
    if (colours != Colours::Palette) {
      m_model.SetColourSource(colours);
      return;
    }
    const platform::FileChoice choice = m_platform.OpenFileDialog(PaletteFilters());
    if (!choice.fileName.empty()) m_model.LoadPalette(platform::PathFromUtf8(choice.fileName));
  });
}

void RomBrowserWidget::ChooseFile() {
  std::string chosen;
  Run([this, &chosen] { chosen = m_platform.OpenFileDialog(kRomFilters).fileName; });
  if (!chosen.empty()) Open(QString::fromStdString(chosen));
}

void RomBrowserWidget::Open(const QString& path) {
  bool opened = false;
  Run([this, &path, &opened] { opened = m_model.Open(platform::PathFromUtf8(path.toStdString())); });
  if (opened) Remember();
}

bool RomBrowserWidget::ReopenLast() {
  QSettings settings(kSettingsOwner, kSettingsOwner);
  const QString last = settings.value(Key("path")).toString();
  const qulonglong offset = settings.value(Key("offset"), 0).toULongLong();
  if (last.isEmpty() || !QFileInfo(last).isFile()) return false;
  Open(last);
  if (!m_model.HasFile()) return false;
  m_model.SetOffset(offset);
  Refresh();
  return true;
}

void RomBrowserWidget::Browse(const QString& path) {
  show();
  raise();
  activateWindow();
  if (!path.isEmpty()) {
    Open(path);
  } else if (!m_model.HasFile() && !ReopenLast()) {
    ChooseFile();
  }
  m_view->setFocus();
}

void RomBrowserWidget::Remember() const {
  QSettings settings(kSettingsOwner, kSettingsOwner);
  settings.setValue(Key("size"), size());
  settings.setValue(Key("format"), m_model.Format());
  settings.setValue(Key("width"), m_model.Width());
  settings.setValue(Key("zoom"), m_model.Zoom());
  if (m_model.HasFile()) {
    settings.setValue(Key("path"),
                      QFileInfo(QString::fromStdString(m_model.Path().string())).absoluteFilePath());
    settings.setValue(Key("offset"), static_cast<qulonglong>(m_model.Offset()));
  }
}

void RomBrowserWidget::closeEvent(QCloseEvent* event) {
  Remember();
  event->accept();
}

}  // namespace glyphon::app
