// Pictures of the windows in their states, written into the build folder for the README and
// for a look by eye: empty, with a picture, converting, previewing ROM data, and the viewer.
#include <QDir>
#include <QPainter>

#include "app/app_fixture.h"

namespace glyphon::test {
namespace {

class ScreenshotTest : public AppTest {
 protected:
  void Write(const QString& name, const QImage& image) {
    const QString path = QDir(GLYPHON_SCREENSHOT_DIR).filePath(name + ".png");
    ASSERT_TRUE(QDir().mkpath(GLYPHON_SCREENSHOT_DIR));
    ASSERT_TRUE(image.save(path)) << path.toStdString();
    EXPECT_FALSE(image.isNull());
  }
  QImage MainWindow() { return form.grab().toImage(); }
};

TEST_F(ScreenshotTest, WindowsInTheirStates) {
  Write("main-empty", MainWindow());

  platform.openChoices.push_back({GLYPHON_SAMPLE_PICTURE, 1});
  Click(Button("load"));
  ASSERT_TRUE(Model().Picture().HasPicture());
  Write("main-picture", MainWindow());

  // Half-way through a conversion: the main window locked, the progress window over it.
  QImage converting;
  platform.duringLoop = [&] {
    if (!converting.isNull() || form.Progress().Text() != "50%") return;
    converting = MainWindow();
    QPainter painter(&converting);
    const QImage bar = form.Progress().grab().toImage();
    const QPoint at((converting.width() - bar.width()) / 2, (converting.height() - bar.height()) / 2);
    painter.drawImage(at, bar);
    painter.setPen(Qt::black);
    painter.drawRect(QRect(at, bar.size()).adjusted(-1, -1, 0, 0));
  };
  Click(Button("convert"));
  platform.duringLoop = nullptr;
  ASSERT_FALSE(converting.isNull());
  Write("main-converting", converting);

  const std::string data = dir.File("sample.dat");
  platform.saveChoices.push_back({data, 2});
  Click(Button("save"));
  platform.openChoices.push_back({data, 1});
  Click(Button("load"));
  Model().SetSpinner(workspace::Spinner::Width, 128);
  form.Render();
  Click(Button("load"));  // Preview
  ASSERT_FALSE(Thumbnail().Image().isNull());
  Write("main-preview", MainWindow());

  Click(Button("clear"));  // Cancel
  Click(Thumbnail());
  ASSERT_TRUE(form.Viewer().isVisible());
  Write("viewer", form.Viewer().grab().toImage());
  Click(form.Viewer().Picture());
}

}  // namespace
}  // namespace glyphon::test
