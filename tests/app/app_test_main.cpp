// Runs the desktop app's tests inside a QApplication on the offscreen platform. A test that
// runs longer than QTEST_FUNCTION_TIMEOUT milliseconds (a modal dialog nobody answers, a
// loop that never ends) aborts the program with its name, so a hang fails fast.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class Watchdog final : public testing::EmptyTestEventListener {
 public:
  explicit Watchdog(std::chrono::milliseconds limit) : m_limit(limit), m_thread([this] { Watch(); }) {}
  ~Watchdog() override {
    {
      std::lock_guard lock(m_mutex);
      m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }

  void OnTestStart(const testing::TestInfo& test) override {
    std::lock_guard lock(m_mutex);
    m_test = std::string(test.test_suite_name()) + "." + test.name();
    ++m_generation;
    m_running = true;
    m_wake.notify_all();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard lock(m_mutex);
    m_running = false;
    m_wake.notify_all();
  }

 private:
  void Watch() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
      if (!m_running) {
        m_wake.wait(lock);
        continue;
      }
      const int generation = m_generation;
      const bool ended = m_wake.wait_for(
          lock, m_limit, [&] { return m_stopping || m_generation != generation || !m_running; });
      if (!ended) {
        std::fprintf(stderr, "%s ran longer than %lld ms: aborting\n", m_test.c_str(),
                     static_cast<long long>(m_limit.count()));
        std::fflush(stderr);
        std::abort();
      }
    }
  }

  std::chrono::milliseconds m_limit;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::string m_test;
  int m_generation = 0;
  bool m_running = false;
  bool m_stopping = false;
  std::thread m_thread;  // last: starts once the rest is set up
};

}  // namespace

int main(int argc, char** argv) {
  // Headless unless told otherwise, also when the test list is discovered.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);

  const int limit = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT");
  if (limit > 0)
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(std::chrono::milliseconds(limit)));
  return RUN_ALL_TESTS();
}
