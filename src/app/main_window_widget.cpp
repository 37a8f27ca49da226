// SPDX-License-Identifier: MIT
#include "app/main_window_widget.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>
#include <new>
#include <string>

#include "app/cursors.h"
#include "app/progress_window_widget.h"
#include "app/rom_browser_widget.h"
#include "app/viewer_widget.h"
#include "app/widgets.h"
#include "core/product.h"

namespace glyphon::app {

namespace {

using workspace::Spinner;

constexpr std::array<Spinner, 4> kSpinners = {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height};
constexpr std::array<const char*, 4> kSpinnerNames = {"x", "y", "width", "height"};

constexpr int kButtonWidth = 113;
constexpr int kWideButtonWidth = 233;
constexpr int kButtonHeight = 25;
constexpr int kColumnPitch = 112;
constexpr int kOptionWidth = 105;
constexpr int kOptionHeight = 17;
constexpr int kOptionsPerColumn = 10;
constexpr int kFixedLabelWidth = 40;  // from the fixed label to its value label
constexpr int kValueLabelWidth = 33;
constexpr int kRowHeight = 17;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void RenderButton(QPushButton& widget, const workspace::ButtonView& button) {
  widget.setText(Text(button.caption));
  widget.setToolTip(Text(button.toolTip));
  widget.setEnabled(button.enabled);
  widget.resize(button.wide ? kWideButtonWidth : kButtonWidth, kButtonHeight);
  widget.setVisible(button.visible);
}

// The format options' columns: as many as the table needs, the first two in the frame's
// place of old and each further one widening the frame and the window.
int FormatColumns() {
  const int count = static_cast<int>(formats::Formats().size());
  return std::max(2, (count + kOptionsPerColumn - 1) / kOptionsPerColumn);
}
int ExtraWidth() {
  return kColumnPitch * (FormatColumns() - 2);
}

// A click on a command button from the keyboard: only while the button can be clicked.
void ClickIfAvailable(QPushButton& button) {
  if (button.isEnabled() && button.isVisible()) button.click();
}

}  // namespace

MainWindowWidget::MainWindowWidget(QtPlatform& platform)
    : QWidget(nullptr), m_platform(platform), m_model(platform), m_commands(m_model, platform) {
  // A fixed single border with a close button only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setObjectName("mainWindow");
  setFixedSize(kClientWidth + ExtraWidth(), kClientHeight);
  setAcceptDrops(true);

  // The pictures' drawing areas inside a 2-pixel frame.
  m_thumbnail = new FramedPicture(this, FramedPicture::kFrame);
  m_thumbnail->setObjectName("thumbnail");
  m_thumbnail->setGeometry(8, 8, workspace::kThumbnailWidth + 4, workspace::kThumbnailHeight + 4);
  m_thumbnail->OnClick([this] { Dispatch("show the picture", [this] { m_model.OpenViewer(); }); });

  m_swatches = new FramedPicture(this, FramedPicture::kFrame);
  m_swatches->setObjectName("swatches");
  m_swatches->setGeometry(8, 144, workspace::kSwatchWidth + 4, workspace::kSwatchHeight + 4);

  BuildCommandButtons();
  BuildFormatFrame();
  BuildSelectionFrame();

  m_about = new QLabel(this);
  m_about->setObjectName("about");
  m_about->setGeometry(64, 272, 145, 17);
  m_about->setAlignment(Qt::AlignCenter);
  m_about->installEventFilter(this);
  QFont aboutFont = m_about->font();
  aboutFont.setUnderline(true);
  m_about->setFont(aboutFont);
  m_about->setForegroundRole(QPalette::Link);
  m_about->setCursor(Qt::WhatsThisCursor);
  m_about->setText(Text(workspace::AboutName()));
  m_about->setToolTip(Text(workspace::AboutTitle()));

  // The status line: what the last command did, and how Convert reads values.
  m_status = new QLabel(this);
  m_status->setObjectName("status");
  m_status->setGeometry(8, 294, kClientWidth + ExtraWidth() - 8 - 176, 17);
  m_values = new QLabel(this);
  m_values->setObjectName("values");
  m_values->setGeometry(kClientWidth + ExtraWidth() - 176, 294, 168, 17);
  m_values->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  m_viewer = std::make_unique<ViewerWidget>();
  m_viewer->EnableEditing(m_platform, m_model);
  m_viewer->OnClick([this] { Dispatch("close the picture", [this] { m_model.CloseViewer(); }); });
  m_viewer->OnKeyUp([this](int, int) { Dispatch("close the picture", [this] { m_model.CloseViewer(); }); });
  m_viewer->OnWheel(
      [this](int steps) { Dispatch("zoom the picture", [this, steps] { m_model.ZoomViewer(steps); }); });
  m_progress = new ProgressWindowWidget(this);

  BuildShortcuts();
  BuildEditActions();
  m_platform.SetDialogParent(this);
  m_platform.SetRenderer([this] { Render(); });
  RenderControls();
  FitFont();
}

MainWindowWidget::~MainWindowWidget() {
  m_platform.SetRenderer({});
  m_platform.SetDialogParent(nullptr);
}

void MainWindowWidget::BuildCommandButtons() {
  // Each button with what its command does, for the message should memory run out.
  const auto make = [this](QPushButton*& button, const char* name, QPoint at, std::string operation,
                           std::function<void()> handler) {
    button = new QPushButton(this);
    button->setObjectName(name);
    button->move(at);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, operation, handler] { Dispatch(operation, handler); });
  };
  make(m_load, "load", {280, 8}, "load the file", [this] { m_commands.Load(); });
  make(m_clear, "clear", {280, 40}, "clear the window", [this] { m_model.ClearOrCancel(); });
  make(m_save, "save", {280, 72}, "save the file", [this] { m_commands.Save(); });
  make(m_paste, "paste", {400, 8}, "paste image", [this] { m_commands.Paste(); });
  make(m_convert, "convert", {400, 40}, "convert image", [this] { m_model.Convert(); });
  make(m_copy, "copy", {400, 72}, "copy image", [this] { m_commands.Copy(); });
}

void MainWindowWidget::BuildFormatFrame() {
  m_formatFrame = new CaptionFrame(this);
  m_formatFrame->setObjectName("formatFrame");
  m_formatFrame->setGeometry(280, 104, 233 + ExtraWidth(), 185);
  m_formatFrame->SetCaption(Text(workspace::kFormatFrameCaption));
  for (const formats::FormatInfo& format : formats::Formats()) {
    const int i = format.index;
    // Columns of ten, 112 pixels apart from x = 8, rows 16 pixels apart.
    const int column = i / kOptionsPerColumn;
    const int row = i % kOptionsPerColumn;
    auto* option = new QRadioButton(m_formatFrame);
    option->setObjectName(QStringLiteral("format%1").arg(i));
    // The model decides which option is set; a click only tells it which was clicked.
    option->setAutoExclusive(false);
    option->setGeometry(8 + kColumnPitch * column, 16 + 16 * row, kOptionWidth, kOptionHeight);
    option->setText(Text(format.caption));
    connect(option, &QRadioButton::clicked, this,
            [this, i] { Dispatch("change the format", [this, i] { m_model.SelectFormat(i); }); });
    option->installEventFilter(this);
    m_formatOptions.push_back(option);
  }
}

void MainWindowWidget::BuildSelectionFrame() {
  m_selectionFrame = new CaptionFrame(this);
  m_selectionFrame->setObjectName("selectionFrame");
  m_selectionFrame->setGeometry(8, 168, 257, 97);
  m_selectionFrame->SetCaption(Text(workspace::kSelectionFrameCaption));
  for (std::size_t i = 0; i < kSpinners.size(); ++i) {
    // X and Y on the first row, width and height on the second; the left group at 24,
    // the right one at 144.
    const int x = i % 2 == 0 ? 24 : 144;
    const int y = i < 2 ? 16 : 40;
    auto* fixed = new QLabel(m_selectionFrame);
    fixed->setObjectName(QStringLiteral("%1Name").arg(kSpinnerNames[i]));
    fixed->setGeometry(x, y + 2, kFixedLabelWidth, kRowHeight - 2);
    fixed->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fixed->setText(Text(workspace::kSpinnerNames[i]));
    auto* value = new ValueField(m_selectionFrame);
    value->setObjectName(QStringLiteral("%1Value").arg(kSpinnerNames[i]));
    value->setGeometry(x + kFixedLabelWidth, y, kValueLabelWidth, kRowHeight);
    auto* spinner = new SpinnerBar(m_selectionFrame);
    spinner->setObjectName(QStringLiteral("%1Spinner").arg(kSpinnerNames[i]));
    spinner->setGeometry(x + kFixedLabelWidth + 32, y, kRowHeight, kRowHeight);
    const Spinner which = kSpinners[i];
    value->OnEnter([this, which](const QString& text) {
      Dispatch("change the selection",
               [this, which, typed = text.toStdString()] { m_model.TypeSpinnerValue(which, typed); });
    });
    connect(spinner, &QScrollBar::valueChanged, this, [this, which](int v) {
      Dispatch("change the selection", [this, which, v] { m_model.ScrollSpinner(which, v); });
    });
    m_fixedLabels[i] = fixed;
    m_valueFields[i] = value;
    m_spinners[i] = spinner;
  }
  m_tileLock = new QCheckBox(m_selectionFrame);
  m_tileLock->setObjectName("tileLock");
  m_tileLock->setGeometry(32, 72, 193, 13 + 4);
  m_tileLock->setText(Text(workspace::kTileLockCaption));
  connect(m_tileLock, &QCheckBox::clicked, this,
          [this] { Dispatch("change the selection", [this] { m_model.ToggleTileLock(); }); });
}

void MainWindowWidget::BuildShortcuts() {
  const auto bind = [this](const QKeySequence& keys, QPushButton* button) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [button] { ClickIfAvailable(*button); });
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_O), m_load);  // Load, or Preview
  bind(QKeySequence(Qt::CTRL | Qt::Key_S), m_save);  // Save, or Accept
  bind(QKeySequence(Qt::CTRL | Qt::Key_C), m_copy);
  bind(QKeySequence(Qt::CTRL | Qt::Key_V), m_paste);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Return), m_convert);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Enter), m_convert);
  // The ROM browser: Ctrl+B, or the window's right-click menu.
  auto* browse = new QAction(QStringLiteral("Browse ROM..."), this);
  browse->setObjectName("browseRom");
  browse->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  connect(browse, &QAction::triggered, this, [this] { Browse(); });
  addAction(browse);
  // Find in ROM: the selection looked for in the browser's ROM; F3 and Shift+F3 go on.
  auto* find = new QAction(QStringLiteral("Find in ROM"), this);
  find->setObjectName("findInRom");
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(find, &QAction::triggered, this, [this] { Browse().FindInRom(m_model); });
  addAction(find);
  for (const bool forward : {true, false}) {
    auto* again =
        new QShortcut(forward ? QKeySequence(Qt::Key_F3) : QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this, forward] {
      if (m_browser) m_browser->FindAgain(forward);
    });
  }
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    // Escape only cancels a preview; it never clears the window.
    if (m_model.InPreviewMode()) ClickIfAvailable(*m_clear);
  });
}

// Undo and Redo, and the value rule of Convert: on the right-click menu, with the keys.
void MainWindowWidget::BuildEditActions() {
  m_undo = new QAction(QStringLiteral("Undo"), this);
  m_undo->setObjectName("undo");
  m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(m_undo, &QAction::triggered, this, [this] {
    if (m_running == 0) Dispatch("undo", [this] { m_model.Undo(); });
  });
  m_redo = new QAction(QStringLiteral("Redo"), this);
  m_redo->setObjectName("redo");
  m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  connect(m_redo, &QAction::triggered, this, [this] {
    if (m_running == 0) Dispatch("redo", [this] { m_model.Redo(); });
  });
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  // Undo and Redo first on the menu.
  const QList<QAction*> existing = actions();
  insertActions(existing.isEmpty() ? nullptr : existing.first(), {m_undo, m_redo, separator});

  auto* values = new QAction(QStringLiteral("Values for Convert"), this);
  values->setObjectName("valueRules");
  auto* menu = new QMenu(this);
  auto* group = new QActionGroup(this);  // one rule at a time
  const std::array<const char*, 4> captions = {"Grey (black 0)", "Shade (white 0)",
                                               "Index (the picture's palette)", "Palette file..."};
  for (std::size_t i = 0; i < captions.size(); ++i) {
    QAction* rule = menu->addAction(QString::fromLatin1(captions[i]));
    rule->setCheckable(true);
    group->addAction(rule);
    rule->setObjectName(QStringLiteral("valueRule%1").arg(i));
    const auto which = static_cast<formats::ValueRule>(i);
    connect(rule, &QAction::triggered, this, [this, which] {
      Dispatch("choose the values", [this, which] {
        if (which == formats::ValueRule::Palette) {
          m_commands.ChooseValuePalette();
        } else {
          m_model.ChooseValueRule(which);
        }
      });
    });
    m_valueRules[i] = rule;
  }
  values->setMenu(menu);
  addAction(values);
}

// The window's sizes are fixed, so its font must let the longest captions fit their
// controls: an 11-pixel font (8.25 points at the standard resolution), narrowed where the
// family's letters are wide.
void MainWindowWidget::FitFont() {
  QFont candidate = font();
  for (int pixels : {11, 10, 9}) {
    for (int stretch : {100, 90, 80, 75}) {
      candidate.setPixelSize(pixels);
      candidate.setStretch(stretch);
      setFont(candidate);
      const auto fits = [](const QWidget* w) { return w->sizeHint().width() <= w->width(); };
      bool all = fits(m_tileLock);
      for (const QRadioButton* option : m_formatOptions) all = all && fits(option);
      for (const QLabel* label : m_fixedLabels) all = all && fits(label);
      if (all) return;
    }
  }
}

void MainWindowWidget::Start() {
  Dispatch("start", [this] { m_model.Start(); });
}

void MainWindowWidget::Dispatch(std::string_view operation, const std::function<void()>& handler) {
  ++m_running;
  try {
    handler();
  } catch (const std::bad_alloc&) {
    // The one place the window's commands end when memory runs out: the user hears which
    // command could not finish.
    m_platform.ShowMessage({{"Unable to " + std::string(operation) + ".", "there is not enough memory"},
                            platform::Buttons::Ok,
                            platform::Icon::Exclamation,
                            platform::Answer::Ok,
                            ""});
  }
  --m_running;
  Render();
  if (m_browser) m_browser->MainWindowChanged();
}

void MainWindowWidget::Render() {
  RenderControls();
  m_progress->Render(m_model.Progress());

  // One of the main window and the viewer is always on screen: the one to show goes first.
  const workspace::WindowView view = m_model.View();
  if (view.visible) {
    if (!isVisible()) {
      if (!m_placed) {
        const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
        move(where->availableGeometry().center() - rect().center());
        m_placed = true;
      }
      show();
    }
    m_viewer->Render(view.viewer);
  } else {
    // The viewer opens on the screen the main window is on.
    if (!m_viewer->isVisible()) m_viewer->setScreen(screen());
    m_viewer->Render(view.viewer);
    hide();
  }
}

void MainWindowWidget::RenderControls() {
  const workspace::WindowView view = m_model.View();
  setWindowTitle(Text(kProductName));

  RenderButton(*m_load, view.load);
  RenderButton(*m_clear, view.clear);
  RenderButton(*m_save, view.save);
  RenderButton(*m_paste, view.paste);
  RenderButton(*m_convert, view.convert);
  RenderButton(*m_copy, view.copy);

  for (std::size_t i = 0; i < m_formatOptions.size(); ++i) {
    QRadioButton& option = *m_formatOptions[i];
    const bool selected = static_cast<int>(i) == view.format;
    option.setChecked(selected);
    option.setEnabled(view.formatsEnabled);
    option.setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
  }

  for (std::size_t i = 0; i < kSpinners.size(); ++i) {
    const workspace::SpinnerView& row = view.Row(kSpinners[i]);
    m_fixedLabels[i]->setEnabled(row.enabled);
    m_valueFields[i]->Show(QString::number(row.value));
    m_valueFields[i]->setEnabled(row.enabled);
    SpinnerBar& spinner = *m_spinners[i];
    const QSignalBlocker quiet(spinner);  // values from the model are not the user's events
    spinner.setRange(0, row.max);
    spinner.setValue(row.value);
    spinner.setSingleStep(row.step);
    spinner.setPageStep(row.step);
    spinner.setEnabled(row.enabled);
  }
  m_tileLock->setChecked(view.tileLock);
  m_tileLock->setEnabled(view.tileLockEnabled);

  m_thumbnail->SetPicture(view.thumbnail);
  m_thumbnail->SetOutline(view.outline);
  m_thumbnail->setToolTip(view.thumbnailViewable ? Text(workspace::kViewToolTip) : QString());
  ShowMagnifier(*m_thumbnail, view.thumbnailViewable, Magnifier::ZoomIn);
  m_swatches->SetPicture(view.swatches);

  m_status->setText(Text(view.status));
  m_status->setToolTip(Text(view.status));
  m_values->setText(Text(view.values));
  const std::string undo = m_model.UndoName();
  const std::string redo = m_model.RedoName();
  const bool free = view.mode == workspace::Mode::Normal || view.mode == workspace::Mode::Preview;
  m_undo->setText(undo.empty() ? QStringLiteral("Undo") : Text(undo));
  m_undo->setEnabled(free && !undo.empty());
  m_redo->setText(redo.empty() ? QStringLiteral("Redo") : Text(redo));
  m_redo->setEnabled(free && !redo.empty());
  for (std::size_t i = 0; i < m_valueRules.size(); ++i) {
    m_valueRules[i]->setChecked(static_cast<std::size_t>(m_model.ValueRule()) == i);
    m_valueRules[i]->setEnabled(free);
  }
}

RomBrowserWidget& MainWindowWidget::Browse(const QString& path) {
  if (!m_browser) m_browser = std::make_unique<RomBrowserWidget>(m_platform, m_model, [this] { Render(); });
  m_browser->Browse(path);
  return *m_browser;
}

bool MainWindowWidget::CanLoadDrop() const {
  const workspace::WindowView view = m_model.View();
  return m_running == 0 && view.visible && !m_model.InPreviewMode() && view.load.enabled && view.load.visible;
}

// The one local file of a drop that the Load command can take: a ROM data file or a
// picture Qt can read.
QString MainWindowWidget::DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl& url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  const QByteArray suffix = QFileInfo(path).suffix().toLower().toUtf8();
  if (suffix != "dat" && !QImageReader::supportedImageFormats().contains(suffix)) return {};
  return path;
}

bool MainWindowWidget::LoadDroppedFile(const QString& path) {
  if (!CanLoadDrop()) return false;
  const std::string name = path.toStdString();
  Dispatch("load " + name, [this, &name] { m_commands.LoadDroppedFile(name); });
  return true;
}

void MainWindowWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (CanLoadDrop() && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindowWidget::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // The load may ask questions: it runs once the drag has finished.
  QMetaObject::invokeMethod(
      this, [this, path] { LoadDroppedFile(path); }, Qt::QueuedConnection);
}

bool MainWindowWidget::MoveFormatSelection(int from, int key) {
  int step = 0;
  if (key == Qt::Key_Up || key == Qt::Key_Left) step = -1;
  if (key == Qt::Key_Down || key == Qt::Key_Right) step = 1;
  if (step == 0) return false;
  // The next enabled option that way, going round the group.
  const int count = static_cast<int>(m_formatOptions.size());
  int to = from;
  do {
    to = (to + step + count) % count;
  } while (to != from && !m_model.View().formatsEnabled);
  if (to != from) {
    Dispatch("change the format", [this, to] { m_model.SelectFormat(to); });
    m_formatOptions[static_cast<std::size_t>(to)]->setFocus(Qt::TabFocusReason);
  }
  return true;
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto option = std::find(m_formatOptions.begin(), m_formatOptions.end(), watched);
    if (option != m_formatOptions.end() &&
        MoveFormatSelection(static_cast<int>(option - m_formatOptions.begin()),
                            static_cast<QKeyEvent*>(event)->key())) {
      return true;
    }
  }
  // The About label is clicked like a button.
  if (watched == m_about && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_about->isEnabled()) {
    Dispatch("show About", [this] { m_model.ShowAbout(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
  // A long loop lets window messages run; the window stays until it has finished.
  if (m_running > 0) {
    event->ignore();
    return;
  }
  // Work that was never saved: the user may stay.
  bool quit = true;
  Dispatch("quit", [this, &quit] { quit = m_model.ConfirmQuit(); });
  if (!quit) {
    event->ignore();
    return;
  }
  Dispatch("quit", [this] { m_model.Close(); });
  if (m_browser) m_browser->close();
  event->accept();
}

}  // namespace glyphon::app
