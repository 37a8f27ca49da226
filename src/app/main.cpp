// rom-glyphon: the desktop program.
#include <QApplication>
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

  glyphon::app::QtPlatform platform;
  glyphon::app::MainForm form(platform);
  form.Start();
  return QApplication::exec();
}
