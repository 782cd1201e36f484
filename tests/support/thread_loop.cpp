// The real-time test loop (see the header).
#include "support/thread_loop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {
// Runs Qt's events on this thread for `ms` milliseconds.
void spend(qint64 ms) {
  QEventLoop wait;
  QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &wait, &QEventLoop::quit);
  wait.exec();
}
}  // namespace

QtApplicationOnce::QtApplicationOnce() {
  static int argc = 1;
  static char name[] = "vuda-tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives as long as the process
}

bool ThreadLoop::runUntil(const std::function<bool()>& done, double seconds) {
  QElapsedTimer clock;
  clock.start();
  const auto limit = static_cast<qint64>(seconds * 1000);
  while (!done()) {
    if (clock.elapsed() >= limit) return false;
    spend(std::min<qint64>(10, limit - clock.elapsed()));
  }
  return true;
}

void ThreadLoop::runFor(double seconds) {
  spend(static_cast<qint64>(seconds * 1000));
}
