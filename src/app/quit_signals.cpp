// The self-pipe of the quit signals (see the header).
#include "app/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {

int pipeEnds[2] = {-1, -1};

void caught(int) {
  // write() is one of the few calls a signal handler may make; a full pipe already holds a wake-up.
  const int saved = errno;
  const char one = 1;
  [[maybe_unused]] const auto written = ::write(pipeEnds[1], &one, 1);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [] {
    char drained[64];
    while (::read(pipeEnds[0], drained, sizeof drained) > 0) {
    }
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = caught;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP})
    sigaction(signal, &action, nullptr);
}
