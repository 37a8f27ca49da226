// SPDX-License-Identifier: MIT
// rom-glyphon: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <algorithm>
#include <string_view>

#include "app/main_window_widget.h"
#include "app/qt_platform.h"
#include "core/product.h"

namespace {

const QCommandLineOption kBrowse(QStringLiteral("browse"), QStringLiteral("Open FILE in the ROM browser."),
                                 QStringLiteral("FILE"));

// The options, after --help and --version have printed their text and ended the program.
void ReadOptions(const QCoreApplication& application, QCommandLineParser& options) {
  options.setApplicationDescription(QStringLiteral("Converts pictures to console ROM graphics and back."));
  options.addHelpOption();
  options.addVersionOption();
  options.addOption(kBrowse);
  options.process(application);  // an unknown option is refused with a line on stderr
}

// --help and --version need no display: they are answered before the window system is
// opened, so they work on a console without one.
bool OnlyAsksForText(int argc, char** argv) {
  constexpr std::string_view kTexts[] = {"-h", "--help", "-?", "--help-all", "-v", "--version"};
  return std::any_of(argv + 1, argv + argc, [&](const char* argument) {
    return std::find(std::begin(kTexts), std::end(kTexts), argument) != std::end(kTexts);
  });
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(
      QString::fromUtf8(glyphon::kProductName.data(), static_cast<qsizetype>(glyphon::kProductName.size())));
  QCoreApplication::setApplicationVersion(
      QString::fromUtf8(glyphon::kVersion.data(), static_cast<qsizetype>(glyphon::kVersion.size())));
  QCommandLineParser options;
  if (OnlyAsksForText(argc, argv)) {
    const QCoreApplication console(argc, argv);
    ReadOptions(console, options);
    return 0;
  }

  QApplication application(argc, argv);
  QApplication::setDesktopFileName("rom-glyphon");
  QApplication::setWindowIcon(QIcon(":/icons/rom-glyphon.png"));
  ReadOptions(application, options);

  glyphon::app::QtPlatform platform;
  glyphon::app::MainWindowWidget mainWindow(platform);
  mainWindow.Start();
  if (options.isSet(kBrowse)) mainWindow.Browse(options.value(kBrowse));
  return QApplication::exec();
}
