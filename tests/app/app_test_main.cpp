// SPDX-License-Identifier: MIT
// Runs the desktop app's tests inside a QApplication on the offscreen platform. A test that
// runs longer than QTEST_FUNCTION_TIMEOUT milliseconds (a modal dialog nobody answers, a
// loop that never ends) is killed by an alarm, so a hang fails fast.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

namespace {

class Watchdog final : public testing::EmptyTestEventListener {
 public:
  explicit Watchdog(unsigned seconds) : m_seconds(seconds) {}
  void OnTestStart(const testing::TestInfo&) override { alarm(m_seconds); }
  void OnTestEnd(const testing::TestInfo&) override { alarm(0); }

 private:
  unsigned m_seconds;
};

}  // namespace

int main(int argc, char** argv) {
  // Headless unless told otherwise, also when the test list is discovered.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const int limit = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT");
  if (limit > 0) {
    testing::UnitTest::GetInstance()->listeners().Append(
        new Watchdog(static_cast<unsigned>((limit + 999) / 1000)));
  }
  return RUN_ALL_TESTS();
}
