// The Qt-backed Loop (see the header): each task owns a precise QTimer (a watch, a QSocketNotifier) parented
// to one QObject on the loop's thread, and posted work is a queued call onto that same object, so Qt delivers
// it in order on that thread.
#include "platform/qt/qt_loop.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <climits>
#include <cmath>
#include <utility>

namespace {

// Timer intervals in whole milliseconds; nonsense (negative, NaN) means "as soon as possible".
int milliseconds(double seconds, int least) {
  const double ms = std::round(seconds * 1000);
  if (!(ms >= least)) return least;
  return ms >= INT_MAX ? INT_MAX : static_cast<int>(ms);
}

class TimerTask final : public Task {
 public:
  TimerTask(std::function<void()> fn, bool repeat) : fn_(std::move(fn)), repeat_(repeat) {}

  static TaskHandle start(QObject* home, int interval, bool repeat, std::function<void()> fn) {
    auto task = std::make_shared<TimerTask>(std::move(fn), repeat);
    auto* timer = new QTimer(home);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeat);
    timer->setInterval(interval);
    // The connection keeps the task alive while its timer exists, so that dropping the handle does not
    // cancel it; the timer goes when the task ends or with the loop.
    QObject::connect(timer, &QTimer::timeout, timer, [task] {
      const auto keep = task;  // the function may end the loop, and with it this connection
      keep->fire();
    });
    task->timer_ = timer;
    timer->start();
    return task;
  }

  void cancel() override {
    if (done_) return;
    done_ = true;
    // From inside the function itself the function is still running: fire() finishes once it returns.
    if (!running_) finish();
  }

 private:
  void fire() {
    if (done_) return;
    if (!repeat_) done_ = true;
    running_ = true;
    if (fn_) fn_();
    running_ = false;
    if (done_) finish();
  }

  void finish() {
    fn_ = nullptr;  // lets go of whatever the function captured
    // Later, not now: this may run inside the timer's own timeout. A timer already gone went with its loop.
    if (timer_) {
      timer_->stop();
      timer_->deleteLater();
    }
  }

  std::function<void()> fn_;
  QPointer<QTimer> timer_;
  bool repeat_;
  bool done_ = false;
  bool running_ = false;
};

class WatchTask final : public Task {
 public:
  explicit WatchTask(std::function<void()> fn) : fn_(std::move(fn)) {}

  static TaskHandle start(QObject* home, int descriptor, std::function<void()> fn) {
    auto task = std::make_shared<WatchTask>(std::move(fn));
    auto* notifier = new QSocketNotifier(static_cast<qintptr>(descriptor), QSocketNotifier::Read, home);
    // As with timers, the connection keeps the task alive while its notifier exists.
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [task] {
      const auto keep = task;
      keep->fire();
    });
    task->notifier_ = notifier;
    return task;
  }

  void cancel() override {
    if (done_) return;
    done_ = true;
    if (notifier_) {
      // Off at once, so that nothing more is read for it; deleted later, as this may run inside its signal.
      notifier_->setEnabled(false);
      notifier_->deleteLater();
    }
    if (!running_) fn_ = nullptr;
  }

 private:
  void fire() {
    if (done_) return;
    running_ = true;
    if (fn_) fn_();
    running_ = false;
    if (done_) fn_ = nullptr;
  }

  std::function<void()> fn_;
  QPointer<QSocketNotifier> notifier_;
  bool done_ = false;
  bool running_ = false;
};

}  // namespace

struct QtLoop::Impl {
  // Lives on the constructing thread: it decides where timers fire and posted calls run.
  QObject home;
};

QtLoop::QtLoop() : impl_(std::make_unique<Impl>()) {}

// Deleting the home object deletes every timer and drops calls posted to it that have not run yet.
QtLoop::~QtLoop() = default;

double QtLoop::now() const {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

TaskHandle QtLoop::after(double seconds, std::function<void()> fn) {
  return TimerTask::start(&impl_->home, milliseconds(seconds, 0), false, std::move(fn));
}

// At least a millisecond apart, so that a zero period cannot keep the loop spinning on one task.
TaskHandle QtLoop::every(double seconds, std::function<void()> fn) {
  return TimerTask::start(&impl_->home, milliseconds(seconds, 1), true, std::move(fn));
}

void QtLoop::post(std::function<void()> fn) {
  if (!fn) return;
  QMetaObject::invokeMethod(
      &impl_->home, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

TaskHandle QtLoop::watch(int descriptor, std::function<void()> fn) {
  return WatchTask::start(&impl_->home, descriptor, std::move(fn));
}
