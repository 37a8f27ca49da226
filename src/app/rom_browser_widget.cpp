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
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/editor_widgets.h"
#include "app/format_strip_widget.h"
#include "app/rom_palette_dialog.h"
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

// The colour choices in the order of the colours box; the last two are both the palette, from
// a palette file or from a ROM, and show its name once chosen.
constexpr std::array<Colours, 5> kColourChoices = {Colours::DecoderGreys, Colours::Shades, Colours::Ramp,
                                                   Colours::Palette, Colours::Palette};
constexpr std::array<const char*, 5> kColourCaptions = {"Decoder greys", "Shades (white 0)", "Built-in ramp",
                                                        "Palette file...", "Palette in ROM..."};
constexpr int kPaletteFileChoice = 3;
constexpr int kPaletteInRomChoice = 4;

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

// The colours of one ROM, under its absolute path.
QString ColoursKey(const std::filesystem::path& rom) {
  const QString path = QFileInfo(QString::fromStdString(rom.string())).absoluteFilePath();
  return QStringLiteral("RomColours/") + QString::fromLatin1(QUrl::toPercentEncoding(path));
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
  if (!m_mouse) return {};
  QString text = Text(m_model.DescribePoint(m_mouse->x(), m_mouse->y()));
  if (Drawing()) text += QStringLiteral("    ") + Text(m_editor->Describe(m_mouse->x(), m_mouse->y()));
  return text;
}

bool RomView::Drawing() const {
  return m_editor != nullptr && m_editor->Editing();
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
  const bool tileGrid = m_editBar != nullptr && m_editBar->TileGrid();
  if (Drawing() || tileGrid) {
    const std::vector<editor::Point> preview =
        Drawing() ? m_editor->Tools().Preview() : std::vector<editor::Point>();
    const std::vector<RgbColor> colours = Drawing() ? m_editor->ValueColours() : std::vector<RgbColor>();
    const auto value = static_cast<std::size_t>(Drawing() ? m_editor->Tools().Value() : 0);
    DrawEditorOverlay(painter, Drawing() ? zoom : 1,
                      QSize(surface.Width(), surface.Height()) * (Drawing() ? 1 : zoom),
                      formats::Format(m_model.Format()).blockSide * (Drawing() ? 1 : zoom), tileGrid, preview,
                      value < colours.size() ? colours[value] : kWhite);
  }
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
  // While editing, a press draws; with Shift held it selects, as outside the editing mode.
  if (Drawing() && !(event->modifiers() & Qt::ShiftModifier) &&
      (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    m_editor->Press(at.x(), at.y(), event->button() == Qt::RightButton);
    m_stroke = m_editor->Tools().Stroking();
    m_changed();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  m_pressedAt = event->position().toPoint();
  m_beforeDrag = m_model.CurrentSettings();
}

void RomView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  m_mouse = at;
  if (m_stroke) {
    m_editor->Drag(at.x(), at.y());
    m_changed();
    return;
  }
  if (m_pressedAt && (event->buttons() & Qt::LeftButton) &&
      (at - *m_pressedAt).manhattanLength() > kDragSlack) {
    m_model.Select(m_pressedAt->x(), m_pressedAt->y(), at.x(), at.y());
  }
  m_changed();
}

void RomView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_stroke) {
    const QPoint at = event->position().toPoint();
    m_editor->Release(at.x(), at.y());
    m_stroke = false;
    m_changed();
    return;
  }
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
  if (Drawing() && EditorKey(*event, m_editor->Tools())) {
    event->accept();
    m_changed();
    return;
  }
  // [ and ]: the previous and next sub-palette of a palette in a ROM.
  if ((event->key() == Qt::Key_BracketLeft || event->key() == Qt::Key_BracketRight) &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    event->accept();
    m_model.StepSubPalette(event->key() == Qt::Key_BracketRight ? 1 : -1);
    m_changed();
    return;
  }
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
      m_model(platform),
      m_editor(m_model, platform) {
  setObjectName("romBrowser");
  setWindowTitle(Text(browser::kBrowserCaption));
  m_point = new QLabel(this);
  m_find = new QLabel(this);
  m_find->setObjectName("findLine");
  m_range = new QLabel(this);
  statusBar()->addWidget(m_point, 1);
  statusBar()->addWidget(m_find);
  statusBar()->addPermanentWidget(m_range);
  // The strip of every format, shown or hidden from the status bar: the toolbar is full.
  m_showStrip = new QAction(QStringLiteral("All formats"), this);
  m_showStrip->setObjectName("showFormatStrip");
  m_showStrip->setCheckable(true);
  m_showStrip->setToolTip(QStringLiteral("Show the bytes at the offset in every format"));
  connect(m_showStrip, &QAction::toggled, this, [this](bool on) {
    if (m_stripArea) m_stripArea->setVisible(on);
  });
  auto* stripButton = new QToolButton(this);
  stripButton->setDefaultAction(m_showStrip);
  stripButton->setAutoRaise(true);
  statusBar()->addPermanentWidget(stripButton);
  BuildToolBar();
  BuildCentre();
  BuildEditing();
  BuildHistory();

  QSettings settings(kSettingsOwner, kSettingsOwner);
  m_model.SetFormat(settings.value(Key("format"), m_model.Format()).toInt());
  m_model.SetWidth(settings.value(Key("width"), m_model.Width()).toInt());
  m_model.SetZoom(settings.value(Key("zoom"), m_model.Zoom()).toInt());
  m_showStrip->setChecked(settings.value(Key("formatStrip"), true).toBool());
  m_stripArea->setVisible(m_showStrip->isChecked());
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
  // Wide enough for a palette's place ("bgr555 0x1F3A0 #2"); its tooltip names it whole.
  m_colours->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_colours->setMinimumContentsLength(17);
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
  // F3 and Shift+F3 step through the matches of Find in ROM.
  auto* next = new QAction(QStringLiteral("Find next"), this);
  next->setShortcut(QKeySequence(Qt::Key_F3));
  connect(next, &QAction::triggered, this, [this] { FindAgain(true); });
  addAction(next);
  auto* previous = new QAction(QStringLiteral("Find previous"), this);
  previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  connect(previous, &QAction::triggered, this, [this] { FindAgain(false); });
  addAction(previous);
  bar.addSeparator();
  m_edit = bar.addAction(QStringLiteral("Edit"), this, [this](bool on) { SetEditing(on); });
  m_edit->setObjectName("edit");
  m_edit->setCheckable(true);
  m_edit->setShortcut(Qt::Key_E);
  m_edit->setToolTip(QStringLiteral("Draw on the view (E)"));
}

void RomBrowserWidget::BuildHistory() {
  const auto step = [this](bool undo) {
    bool done = false;
    Run([this, undo, &done] { done = undo ? m_model.Undo() : m_model.Redo(); });
    if (done) statusBar()->showMessage(Text(m_model.Report()));
    Refresh();
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
  m_strip = new FormatStripWidget(centre, m_model, [this] { Refresh(); });
  m_stripArea = new QScrollArea(centre);
  m_stripArea->setObjectName("formatStripArea");
  m_stripArea->setWidget(m_strip);
  m_stripArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_stripArea->setFixedWidth(m_strip->sizeHint().width() +
                             m_stripArea->verticalScrollBar()->sizeHint().width() + 2);
  row->addWidget(m_view, 1);
  row->addWidget(m_scrollBar);
  row->addWidget(m_stripArea);
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
    // The palette's entry names its file, or where in a ROM it lies.
    const QSignalBlocker quiet(m_colours);
    const bool inRom = m_model.PaletteInRom().has_value();
    const QString caption = Text(m_model.PaletteCaption());
    m_colours->setItemText(
        kPaletteFileChoice,
        !inRom && !caption.isEmpty() ? caption : QString::fromLatin1(kColourCaptions[kPaletteFileChoice]));
    m_colours->setItemText(kPaletteInRomChoice,
                           inRom ? caption : QString::fromLatin1(kColourCaptions[kPaletteInRomChoice]));
    const auto at = std::find(kColourChoices.begin(), kColourChoices.end(), m_model.ColourSource());
    const int index = static_cast<int>(at - kColourChoices.begin());
    m_colours->setCurrentIndex(index == kPaletteFileChoice && inRom ? kPaletteInRomChoice : index);
    m_colours->setToolTip(inRom ? caption + QStringLiteral(": [ and ] step through the sub-palettes")
                                : caption);
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
  RefreshEditing();
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
  m_find->setText(Text(m_model.FindLine()));
  m_strip->update();
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
  Run([this, colours, index] {
    if (colours != Colours::Palette) {
      m_model.SetColourSource(colours);
    } else if (index == kPaletteInRomChoice) {
      // From where the view is, or the palette chosen last.
      browser::RomPalette start;
      start.offset = m_model.Offset();
      if (m_model.PaletteInRom()) start = *m_model.PaletteInRom();
      const QString name = Text(m_model.Path().filename().string());
      if (const std::optional<browser::RomPalette> where = AskRomPalette(this, start, name))
        m_model.LoadRomPalette(*where);
    } else {
      const platform::FileChoice choice = m_platform.OpenFileDialog(palette::PaletteFileFilters());
      if (!choice.fileName.empty()) m_model.LoadPalette(platform::PathFromUtf8(choice.fileName));
    }
  });
  RememberColours();
}

void RomBrowserWidget::RememberColours() const {
  if (!m_model.HasFile()) return;
  QSettings settings(kSettingsOwner, kSettingsOwner);
  settings.setValue(ColoursKey(m_model.Path()), Text(browser::ColourChoiceText(m_model.CurrentColours())));
}

// A ROM opened takes the colours it had; one without a memory keeps the colours, unless
// they came from the ROM before it.
void RomBrowserWidget::RecallColours() {
  QSettings settings(kSettingsOwner, kSettingsOwner);
  const QString text = settings.value(ColoursKey(m_model.Path())).toString();
  const std::optional<browser::ColourChoice> choice = browser::ParseColourChoice(text.toStdString());
  if (choice) {
    m_model.RecallColours(*choice);
  } else if (m_model.PaletteInRom() && m_model.PaletteInRom()->file.empty()) {
    m_model.SetColourSource(Colours::DecoderGreys);
  }
  Refresh();
}

void RomBrowserWidget::FindInRom(const workspace::MainWindow& window) {
  if (!m_model.HasFile()) Browse();
  Run([this, &window] { m_model.FindInRom(window); });
  m_view->setFocus();
}

void RomBrowserWidget::FindAgain(bool forward) {
  Run([this, forward] {
    if (!(forward ? m_model.FindNext() : m_model.FindPrevious()) && m_model.FindLine().empty())
      m_model.FindInRom(m_mainWindow);
  });
}

void RomBrowserWidget::ChooseFile() {
  std::string chosen;
  Run([this, &chosen] { chosen = m_platform.OpenFileDialog(kRomFilters).fileName; });
  if (!chosen.empty()) Open(QString::fromStdString(chosen));
}

void RomBrowserWidget::Open(const QString& path) {
  bool opened = false;
  RememberColours();  // of the ROM open until now
  Run([this, &path, &opened] {
    if (!m_editor.ConfirmDiscard("opening another file")) return;
    opened = m_model.Open(platform::PathFromUtf8(path.toStdString()));
    if (opened) m_editor.Forget();
  });
  if (!opened) return;
  RecallColours();
  Remember();
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
  settings.setValue(Key("formatStrip"), m_showStrip->isChecked());
  if (m_model.HasFile()) {
    settings.setValue(Key("path"),
                      QFileInfo(QString::fromStdString(m_model.Path().string())).absoluteFilePath());
    settings.setValue(Key("offset"), static_cast<qulonglong>(m_model.Offset()));
    settings.setValue(ColoursKey(m_model.Path()), Text(browser::ColourChoiceText(m_model.CurrentColours())));
  }
}

void RomBrowserWidget::closeEvent(QCloseEvent* event) {
  bool close = true;
  Run([this, &close] { close = m_editor.ConfirmDiscard("closing"); });
  if (!close) {
    event->ignore();
    return;
  }
  Remember();
  event->accept();
}

// ---- Editing ----

void RomBrowserWidget::BuildEditing() {
  auto run = [this](bool (browser::RomEditor::*operation)()) {
    return [this, operation] { Run([this, operation] { (m_editor.*operation)(); }); };
  };
  EditHooks hooks;
  hooks.changed = [this] { Refresh(); };
  // Edits share the window's history (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y): one Undo for all.
  hooks.undo = [this] { m_undo->trigger(); };
  hooks.redo = [this] { m_redo->trigger(); };
  hooks.save = run(&browser::RomEditor::Save);
  hooks.copy = run(&browser::RomEditor::CopySelection);
  hooks.paste = run(&browser::RomEditor::PasteAtSelection);
  hooks.flipHorizontally = run(&browser::RomEditor::FlipHorizontally);
  hooks.flipVertically = run(&browser::RomEditor::FlipVertically);
  hooks.rotate = run(&browser::RomEditor::Rotate);
  hooks.swapValues = run(&browser::RomEditor::SwapValues);
  hooks.clear = run(&browser::RomEditor::Clear);
  hooks.remap = [this](const std::string& pairs) { Run([this, &pairs] { m_editor.Remap(pairs); }); };
  m_editBar = new EditToolBar(this, m_editor.Tools(), hooks);
  addToolBarBreak();
  addToolBar(m_editBar);
  m_editBar->hide();
  m_view->SetEditor(&m_editor, m_editBar);

  // The keys work while the window is active, with the toolbar shown or not; those of the
  // editing mode only in it.
  struct Key {
    const char* name;
    QList<QKeySequence> keys;
    std::function<void()> run;
    bool editingOnly;
  };
  const Key keys[] = {
      {"saveKey", {QKeySequence(Qt::CTRL | Qt::Key_S)}, hooks.save, false},
      {"copyKey", {QKeySequence(Qt::CTRL | Qt::Key_C)}, hooks.copy, true},
      {"pasteKey", {QKeySequence(Qt::CTRL | Qt::Key_V)}, hooks.paste, true},
      {"flipHKey", {QKeySequence(Qt::Key_H)}, hooks.flipHorizontally, true},
      {"flipVKey", {QKeySequence(Qt::Key_V)}, hooks.flipVertically, true},
      {"rotateKey", {QKeySequence(Qt::Key_R)}, hooks.rotate, true},
      {"swapKey", {QKeySequence(Qt::Key_W)}, hooks.swapValues, true},
      {"clearKey", {QKeySequence(Qt::Key_Delete)}, hooks.clear, true},
      {"gridKey",
       {QKeySequence(Qt::Key_G)},
       [this] { m_editBar->findChild<QAction*>("tileGrid")->toggle(); },
       false},
  };
  for (const Key& key : keys) {
    auto* action = new QAction(this);
    action->setObjectName(key.name);
    action->setShortcuts(key.keys);
    action->setProperty("editingOnly", key.editingOnly);
    connect(action, &QAction::triggered, this, [this, run = key.run] {
      run();
      Refresh();
    });
    addAction(action);
  }
}

void RomBrowserWidget::SetEditing(bool on) {
  Run([this, on] { m_editor.SetEditing(on); });
  m_view->setFocus();
}

void RomBrowserWidget::RefreshEditing() {
  // A view that can no longer be drawn on (a compression chosen) leaves the editing mode.
  if (m_editor.Editing() && !m_editor.Problem().empty()) m_editor.SetEditing(false);
  const bool editing = m_editor.Editing();
  {
    const QSignalBlocker quiet(m_edit);
    m_edit->setChecked(editing);
  }
  m_edit->setEnabled(m_model.HasFile());
  m_editBar->setVisible(editing);
  m_editBar->SetColours(m_editor.ValueColours());
  m_editBar->Sync(m_editor.History().CanUndo(), m_editor.History().CanRedo());
  for (QAction* action : actions())
    if (action->property("editingOnly").toBool()) action->setEnabled(editing);
  const QString title = Text(browser::kBrowserCaption);
  setWindowTitle(m_editor.HasUnsavedEdits()
                     ? title + QStringLiteral(" - ") + Text(m_model.Path().filename().string()) +
                           QStringLiteral(" *")
                     : title);
}

}  // namespace glyphon::app
