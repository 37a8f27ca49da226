#include "app/main_form.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
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

#include "app/cursors.h"
#include "app/image_form.h"
#include "app/progress_form.h"
#include "app/rom_browser_form.h"
#include "app/widgets.h"

namespace glyphon::app {

namespace {

using workspace::Spinner;

constexpr std::array<Spinner, 4> kSpinners = {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height};
constexpr std::array<const char*, 4> kSpinnerNames = {"X", "Y", "Width", "Height"};

constexpr int kButtonHeight = 25;
constexpr int kOptionWidth = 105;
constexpr int kOptionHeight = 17;
constexpr int kOptionsPerColumn = 10;
constexpr int kFixedLabelWidth = 40;  // from the fixed label to its value label
constexpr int kValueLabelWidth = 33;
constexpr int kRowHeight = 17;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void RenderButton(QPushButton& widget, const workspace::CommandButton& button) {
  widget.setText(Text(button.caption));
  widget.setToolTip(Text(button.toolTip));
  widget.setEnabled(button.enabled);
  widget.resize(button.width, kButtonHeight);
  widget.setVisible(button.visible);
}

void RenderLabel(QLabel& widget, const workspace::Label& label) {
  widget.setText(Text(label.caption));
  widget.setEnabled(label.enabled);
}

// A click on a command button from the keyboard: only while the button can be clicked.
void ClickIfAvailable(QPushButton& button) {
  if (button.isEnabled() && button.isVisible()) button.click();
}

}  // namespace

MainForm::MainForm(QtPlatform& platform)
    : QWidget(nullptr), m_platform(platform), m_model(platform), m_files(m_model, platform) {
  // A fixed single border with a close button only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setObjectName("frmMain");
  setFixedSize(kClientWidth, kClientHeight);
  setAcceptDrops(true);

  m_picImage = new FramedPicture(this, FramedPicture::kFrame);
  m_picImage->setObjectName("picImage");
  m_picImage->setGeometry(8, 8, m_model.picImage.width, m_model.picImage.height);
  m_picImage->OnClick([this] { Dispatch([this] { m_model.picImage_Click(); }); });

  m_picPalette = new FramedPicture(this, FramedPicture::kFrame);
  m_picPalette->setObjectName("picPalette");
  m_picPalette->setGeometry(8, 144, m_model.picPalette.width, m_model.picPalette.height);

  BuildCommandButtons();
  BuildFormatFrame();
  BuildSelectionFrame();

  m_lblAbout = new QLabel(this);
  m_lblAbout->setObjectName("lblAbout");
  m_lblAbout->setGeometry(64, 272, 145, 17);
  m_lblAbout->setAlignment(Qt::AlignCenter);
  m_lblAbout->installEventFilter(this);
  QFont aboutFont = m_lblAbout->font();
  aboutFont.setUnderline(true);
  m_lblAbout->setFont(aboutFont);
  m_lblAbout->setForegroundRole(QPalette::Link);

  m_viewer = std::make_unique<ImageForm>();
  m_viewer->OnClick([this] { Dispatch([this] { m_model.frmImage.picImage_Click(); }); });
  m_viewer->OnKeyUp(
      [this](int key, int shift) { Dispatch([=, this] { m_model.frmImage.picImage_KeyUp(key, shift); }); });
  m_progress = new ProgressForm(this);

  BuildShortcuts();
  m_platform.SetDialogParent(this);
  m_platform.SetRenderer([this] { Render(); });
  RenderControls();
  FitFont();
}

MainForm::~MainForm() {
  m_platform.SetRenderer({});
  m_platform.SetDialogParent(nullptr);
}

void MainForm::BuildCommandButtons() {
  const auto make = [this](QPushButton*& button, const char* name, QPoint at, std::function<void()> handler) {
    button = new QPushButton(this);
    button->setObjectName(name);
    button->move(at);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, handler] { Dispatch(handler); });
  };
  make(m_cmdLoad, "cmdLoad", {280, 8}, [this] { m_files.cmdLoad_Click(); });
  make(m_cmdClear, "cmdClear", {280, 40}, [this] { m_model.cmdClear_Click(); });
  make(m_cmdSave, "cmdSave", {280, 72}, [this] { m_files.cmdSave_Click(); });
  make(m_cmdPaste, "cmdPaste", {400, 8}, [this] { m_files.cmdPaste_Click(); });
  make(m_cmdConvert, "cmdConvert", {400, 40}, [this] { m_model.cmdConvert_Click(); });
  make(m_cmdCopy, "cmdCopy", {400, 72}, [this] { m_files.cmdCopy_Click(); });
}

void MainForm::BuildFormatFrame() {
  m_fraFormat = new CaptionFrame(this);
  m_fraFormat->setObjectName("fraFormat");
  m_fraFormat->setGeometry(280, 104, 233, 185);
  for (int i = 0; i < formats::kFormatCount; ++i) {
    // Columns of ten, 112 pixels apart from x = 8, rows 16 pixels apart.
    const int column = i / kOptionsPerColumn;
    const int row = i % kOptionsPerColumn;
    auto* option = new QRadioButton(m_fraFormat);
    option->setObjectName(QStringLiteral("optFormat%1").arg(i));
    // The model decides which option is set; a click only tells it which was clicked.
    option->setAutoExclusive(false);
    option->setGeometry(8 + 112 * column, 16 + 16 * row, kOptionWidth, kOptionHeight);
    connect(option, &QRadioButton::clicked, this,
            [this, i] { Dispatch([this, i] { m_model.ClickFormatOption(i); }); });
    option->installEventFilter(this);
    m_optFormat[static_cast<std::size_t>(i)] = option;
  }
}

void MainForm::BuildSelectionFrame() {
  m_fraSelBox = new CaptionFrame(this);
  m_fraSelBox->setObjectName("fraSelBox");
  m_fraSelBox->setGeometry(8, 168, 257, 97);
  for (std::size_t i = 0; i < kSpinners.size(); ++i) {
    // X and Y on the first row, width and height on the second; the left group at 24,
    // the right one at 144.
    const int x = i % 2 == 0 ? 24 : 144;
    const int y = i < 2 ? 16 : 40;
    auto* fixed = new QLabel(m_fraSelBox);
    fixed->setObjectName(QStringLiteral("lbl%1%2").arg(kSpinnerNames[i]).arg(1));
    fixed->setGeometry(x, y + 2, kFixedLabelWidth, kRowHeight - 2);
    fixed->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* value = new ValueField(m_fraSelBox);
    value->setObjectName(QStringLiteral("lbl%1").arg(kSpinnerNames[i]));
    value->setGeometry(x + kFixedLabelWidth, y, kValueLabelWidth, kRowHeight);
    auto* spinner = new SpinnerBar(m_fraSelBox);
    spinner->setObjectName(QStringLiteral("vsc%1").arg(kSpinnerNames[i]));
    spinner->setGeometry(x + kFixedLabelWidth + 32, y, kRowHeight, kRowHeight);
    const Spinner which = kSpinners[i];
    value->OnEnter([this, which](const QString& text) {
      Dispatch([this, which, typed = text.toStdString()] { m_model.TypeSpinnerValue(which, typed); });
    });
    connect(spinner, &QScrollBar::valueChanged, this,
            [this, which](int v) { Dispatch([this, which, v] { m_model.ScrollSpinner(which, v); }); });
    m_fixedLabels[i] = fixed;
    m_valueFields[i] = value;
    m_spinners[i] = spinner;
  }
  m_chkTile8 = new QCheckBox(m_fraSelBox);
  m_chkTile8->setObjectName("chkTile8");
  m_chkTile8->setGeometry(32, 72, 193, 13 + 4);
  connect(m_chkTile8, &QCheckBox::clicked, this, [this] { Dispatch([this] { m_model.ClickTile8(); }); });
}

void MainForm::BuildShortcuts() {
  const auto bind = [this](const QKeySequence& keys, QPushButton* button) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [button] { ClickIfAvailable(*button); });
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_O), m_cmdLoad);  // Load, or Preview
  bind(QKeySequence(Qt::CTRL | Qt::Key_S), m_cmdSave);  // Save, or Accept
  bind(QKeySequence(Qt::CTRL | Qt::Key_C), m_cmdCopy);
  bind(QKeySequence(Qt::CTRL | Qt::Key_V), m_cmdPaste);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Return), m_cmdConvert);
  bind(QKeySequence(Qt::CTRL | Qt::Key_Enter), m_cmdConvert);
  // The ROM browser: Ctrl+B, or the window's right-click menu.
  auto* browse = new QAction(QStringLiteral("Browse ROM..."), this);
  browse->setObjectName("browseRom");
  browse->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  connect(browse, &QAction::triggered, this, [this] { Browse(); });
  addAction(browse);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    // Escape only cancels a preview; it never clears the window.
    if (m_model.InPreviewMode()) ClickIfAvailable(*m_cmdClear);
  });
}

// The window's sizes are fixed, so its font must let the longest captions fit their
// controls: an 11-pixel font (8.25 points at the standard resolution), narrowed where the
// family's letters are wide.
void MainForm::FitFont() {
  QFont candidate = font();
  for (int pixels : {11, 10, 9}) {
    for (int stretch : {100, 90, 80, 75}) {
      candidate.setPixelSize(pixels);
      candidate.setStretch(stretch);
      setFont(candidate);
      const auto fits = [](const QWidget* w) { return w->sizeHint().width() <= w->width(); };
      bool all = fits(m_chkTile8);
      for (const QRadioButton* option : m_optFormat) all = all && fits(option);
      for (const QLabel* label : m_fixedLabels) all = all && fits(label);
      if (all) return;
    }
  }
}

void MainForm::Start() {
  Dispatch([this] { m_model.Form_Load(); });
}

void MainForm::Dispatch(const std::function<void()>& handler) {
  ++m_running;
  handler();
  --m_running;
  Render();
}

void MainForm::Render() {
  RenderControls();
  m_progress->Render(m_model.frmProgress);

  // One of the main window and the viewer is always on screen: the one to show goes first.
  if (m_model.Visible) {
    if (!isVisible()) {
      if (!m_placed) {
        const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
        move(where->availableGeometry().center() - rect().center());
        m_placed = true;
      }
      show();
    }
    m_viewer->Render(m_model.frmImage);
  } else {
    // The viewer opens on the screen the main window is on.
    if (!m_viewer->isVisible()) m_viewer->setScreen(screen());
    m_viewer->Render(m_model.frmImage);
    hide();
  }
}

void MainForm::RenderControls() {
  const workspace::MainWindow& m = m_model;
  setWindowTitle(Text(m.Caption));

  RenderButton(*m_cmdLoad, m.cmdLoad);
  RenderButton(*m_cmdClear, m.cmdClear);
  RenderButton(*m_cmdSave, m.cmdSave);
  RenderButton(*m_cmdPaste, m.cmdPaste);
  RenderButton(*m_cmdConvert, m.cmdConvert);
  RenderButton(*m_cmdCopy, m.cmdCopy);

  m_fraFormat->SetCaption(Text(m.fraFormat.caption));
  for (std::size_t i = 0; i < m_optFormat.size(); ++i) {
    QRadioButton& option = *m_optFormat[i];
    option.setText(Text(m.optFormat[i].caption));
    option.setChecked(m.optFormat[i].value);
    option.setEnabled(m.optFormat[i].enabled);
    option.setFocusPolicy(m.optFormat[i].value ? Qt::StrongFocus : Qt::ClickFocus);
  }

  m_fraSelBox->SetCaption(Text(m.fraSelBox.caption));
  const std::array<const workspace::Label*, 4> fixed = {&m.lblX1, &m.lblY1, &m.lblWidth1, &m.lblHeight1};
  const std::array<const workspace::Label*, 4> values = {&m.lblX, &m.lblY, &m.lblWidth, &m.lblHeight};
  for (std::size_t i = 0; i < kSpinners.size(); ++i) {
    RenderLabel(*m_fixedLabels[i], *fixed[i]);
    m_valueFields[i]->Show(Text(values[i]->caption));
    m_valueFields[i]->setEnabled(values[i]->enabled);
    const workspace::ScrollBar& bar = m.Bar(kSpinners[i]);
    SpinnerBar& spinner = *m_spinners[i];
    const QSignalBlocker quiet(spinner);  // values from the model are not the user's events
    spinner.setRange(0, bar.max);
    spinner.setValue(bar.value);
    spinner.setSingleStep(bar.smallChange);
    spinner.setPageStep(bar.largeChange);
    spinner.setEnabled(bar.enabled);
  }
  m_chkTile8->setText(Text(m.chkTile8.caption));
  m_chkTile8->setChecked(m.chkTile8.value == 1);
  m_chkTile8->setEnabled(m.chkTile8.enabled);

  m_picImage->SetPicture(m.picImage.image);
  m_picImage->SetOutline(m.shaBox);
  m_picImage->setToolTip(Text(m.picImage.toolTip));
  ApplyPointer(*m_picImage, m.picImage.pointer, Magnifier::ZoomIn);
  m_picPalette->SetPicture(m.picPalette.image);

  RenderLabel(*m_lblAbout, m.lblAbout);
  m_lblAbout->setToolTip(Text(m.lblAbout.toolTip));
  ApplyPointer(*m_lblAbout, m.lblAbout.pointer, Magnifier::ZoomIn);
}

RomBrowserForm& MainForm::Browse(const QString& path) {
  if (!m_browser) m_browser = std::make_unique<RomBrowserForm>(m_platform, m_model, [this] { Render(); });
  m_browser->Browse(path);
  return *m_browser;
}

bool MainForm::CanLoadDrop() const {
  return m_running == 0 && m_model.Visible && !m_model.InPreviewMode() && m_model.cmdLoad.enabled &&
         m_model.cmdLoad.visible;
}

// The one local file of a drop that the Load command can take: a ROM data file or a
// picture Qt can read.
QString MainForm::DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl& url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  const QByteArray suffix = QFileInfo(path).suffix().toLower().toUtf8();
  if (suffix != "dat" && !QImageReader::supportedImageFormats().contains(suffix)) return {};
  return path;
}

bool MainForm::LoadDroppedFile(const QString& path) {
  if (!CanLoadDrop()) return false;
  m_platform.PresetOpenChoice({path.toStdString(), 1});
  Dispatch([this] { m_files.cmdLoad_Click(); });
  m_platform.ClearPresetOpenChoice();
  return true;
}

void MainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (CanLoadDrop() && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainForm::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // The load may ask questions: it runs once the drag has finished.
  QMetaObject::invokeMethod(
      this, [this, path] { LoadDroppedFile(path); }, Qt::QueuedConnection);
}

bool MainForm::MoveFormatSelection(int from, int key) {
  int step = 0;
  if (key == Qt::Key_Up || key == Qt::Key_Left) step = -1;
  if (key == Qt::Key_Down || key == Qt::Key_Right) step = 1;
  if (step == 0) return false;
  // The next enabled option that way, going round the group.
  int to = from;
  do {
    to = (to + step + formats::kFormatCount) % formats::kFormatCount;
  } while (to != from && !m_model.optFormat[static_cast<std::size_t>(to)].enabled);
  if (to != from) {
    Dispatch([this, to] { m_model.ClickFormatOption(to); });
    m_optFormat[static_cast<std::size_t>(to)]->setFocus(Qt::TabFocusReason);
  }
  return true;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto option = std::find(m_optFormat.begin(), m_optFormat.end(), watched);
    if (option != m_optFormat.end() && MoveFormatSelection(static_cast<int>(option - m_optFormat.begin()),
                                                           static_cast<QKeyEvent*>(event)->key())) {
      return true;
    }
  }
  // The About label is clicked like a button.
  if (watched == m_lblAbout && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_lblAbout->isEnabled()) {
    Dispatch([this] { m_model.lblAbout_Click(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainForm::closeEvent(QCloseEvent* event) {
  // A long loop lets window messages run; the window stays until it has finished.
  if (m_running > 0) {
    event->ignore();
    return;
  }
  // Work that was never saved: the user may stay.
  bool quit = true;
  Dispatch([this, &quit] { quit = m_model.ConfirmQuit(); });
  if (!quit) {
    event->ignore();
    return;
  }
  Dispatch([this] { m_model.Form_Unload(); });
  if (m_browser) m_browser->close();
  event->accept();
}

}  // namespace glyphon::app
