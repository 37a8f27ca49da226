// rom-glyphon: the desktop program.
#include <QApplication>
#include <QIcon>

#include "app/main_form.h"
#include "app/qt_platform.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("ROM Glyphon");
  QApplication::setDesktopFileName("rom-glyphon");
  QApplication::setWindowIcon(QIcon(":/icons/rom-glyphon.png"));

  glyphon::app::QtPlatform platform;
  glyphon::app::MainForm form(platform);
  form.Start();
  return QApplication::exec();
}
