// rom-glyphon: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "app/main_form.h"
#include "app/qt_platform.h"
#include "platform/product.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(
      QString::fromUtf8(glyphon::kProductName.data(), static_cast<qsizetype>(glyphon::kProductName.size())));
  QApplication::setApplicationVersion(
      QString::fromUtf8(glyphon::kVersion.data(), static_cast<qsizetype>(glyphon::kVersion.size())));
  QApplication::setDesktopFileName("rom-glyphon");
  QApplication::setWindowIcon(QIcon(":/icons/rom-glyphon.png"));

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral("Converts pictures to console ROM graphics and back."));
  options.addHelpOption();
  options.addVersionOption();
  const QCommandLineOption browse(QStringLiteral("browse"), QStringLiteral("Open FILE in the ROM browser."),
                                  QStringLiteral("FILE"));
  options.addOption(browse);
  options.process(application);  // --help and --version print and exit; unknown options are refused

  glyphon::app::QtPlatform platform;
  glyphon::app::MainForm form(platform);
  form.Start();
  if (options.isSet(browse)) form.Browse(options.value(browse));
  return QApplication::exec();
}
