// The default sink's volume and mute over libpulse. Answers come back through a condition variable rather
// than the main loop's own wait, so that every call can give up at a deadline.
#include "platform/pulse/pulse_audio_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace {

using SteadyClock = std::chrono::steady_clock;
// The longest any call waits for the server, connecting included.
constexpr auto CALL_LIMIT = std::chrono::seconds(1);
// After a server that accepted but did not answer, calls give up at once for this long, so that a stuck
// server costs the main thread one wait now and then rather than one on every timer tick.
constexpr auto QUIET_AFTER_TIMEOUT = std::chrono::seconds(3);

struct Sink {
  std::uint32_t index = PA_INVALID_INDEX;
  pa_cvolume volume{};
  bool mute = false;
};

class MainLoopLock {
 public:
  explicit MainLoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~MainLoopLock() { pa_threaded_mainloop_unlock(loop_); }
  MainLoopLock(const MainLoopLock&) = delete;
  MainLoopLock& operator=(const MainLoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

double levelOf(const pa_cvolume& volume) {
  return std::min(1.0, static_cast<double>(pa_cvolume_avg(&volume)) / PA_VOLUME_NORM);
}

// Every channel scaled by one factor so that their average is `level`; none is pushed past the normal level,
// so near the top a strong balance narrows rather than a channel being amplified.
pa_cvolume scaledTo(pa_cvolume volume, double level) {
  const double target = std::clamp(level, 0.0, 1.0) * PA_VOLUME_NORM;
  const double average = pa_cvolume_avg(&volume);
  for (unsigned i = 0; i < volume.channels; ++i) {
    const double channel = average > 0 ? volume.values[i] * target / average : target;
    volume.values[i] = static_cast<pa_volume_t>(std::clamp(std::round(channel), 0.0, double{PA_VOLUME_NORM}));
  }
  return volume;
}

bool finished(pa_context_state_t state) {
  return state == PA_CONTEXT_READY || state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

bool broken(pa_context_state_t state) {
  return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

}  // namespace

class PulseAudioOutput::Impl {
 public:
  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  ~Impl() {
    if (!mainloop_) return;
    {
      MainLoopLock lock(mainloop_);
      dropContext();
    }
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
  }

  std::optional<Sink> defaultSink() {
    std::lock_guard call(calls_);
    const auto deadline = SteadyClock::now() + CALL_LIMIT;
    return connect(deadline) ? readDefaultSink(deadline) : std::nullopt;
  }

  bool setVolume(double level) {
    if (std::isnan(level)) return false;
    return change([level](pa_context* c, const Sink& sink, Request& r) {
      const pa_cvolume volume = scaledTo(sink.volume, level);
      return pa_context_set_sink_volume_by_index(c, sink.index, &volume, onSuccess, &r);
    });
  }

  bool setMuted(bool mute) {
    return change([mute](pa_context* c, const Sink& sink, Request& r) {
      return pa_context_set_sink_mute_by_index(c, sink.index, mute ? 1 : 0, onSuccess, &r);
    });
  }

 private:
  // One request's answer; written on the main loop's thread under waitMutex_.
  struct Request {
    explicit Request(Impl* impl) : owner(impl) {}
    Impl* owner;
    bool done = false;
    bool ok = false;
    std::string sinkName;
    std::optional<Sink> sink;
  };

  // Reads the default sink afresh, then sends the change that `start` makes of it.
  bool change(const std::function<pa_operation*(pa_context*, const Sink&, Request&)>& start) {
    std::lock_guard call(calls_);
    const auto deadline = SteadyClock::now() + CALL_LIMIT;
    if (!connect(deadline)) return false;
    const auto sink = readDefaultSink(deadline);
    if (!sink) return false;
    Request set{this};
    return request(set, deadline, [&](pa_context* c) { return start(c, *sink, set); }) && set.ok;
  }

  // A ready context, connecting first when there is none or the last one broke.
  bool connect(SteadyClock::time_point deadline) {
    if (SteadyClock::now() < quietUntil_) return false;
    if (!mainloop_) {
      mainloop_ = pa_threaded_mainloop_new();
      if (!mainloop_) return false;
      if (pa_threaded_mainloop_start(mainloop_) < 0) {
        pa_threaded_mainloop_free(mainloop_);
        mainloop_ = nullptr;
        return false;
      }
    }
    {
      MainLoopLock lock(mainloop_);
      if (context_ && state() == PA_CONTEXT_READY) return true;
      dropContext();
      context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Orvane VUDA Verer");
      if (!context_) return false;
      pa_context_set_state_callback(context_, onState, this);
      // Never start a server of our own: the user's session decides whether one runs.
      if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        dropContext();
        return false;
      }
    }
    bool settled = false;
    bool ready = false;
    {
      std::unique_lock wait(waitMutex_);
      settled = woke_.wait_until(wait, deadline, [this] { return finished(state_); });
      ready = state_ == PA_CONTEXT_READY;
    }
    if (ready) return true;
    MainLoopLock lock(mainloop_);
    dropContext();
    if (!settled) quietUntil_ = SteadyClock::now() + QUIET_AFTER_TIMEOUT;
    return false;
  }

  // Only with the main loop locked.
  void dropContext() {
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
    std::lock_guard wait(waitMutex_);
    state_ = PA_CONTEXT_UNCONNECTED;
  }

  pa_context_state_t state() {
    std::lock_guard wait(waitMutex_);
    return state_;
  }

  std::optional<Sink> readDefaultSink(SteadyClock::time_point deadline) {
    Request server{this};
    if (!request(server, deadline,
                 [&](pa_context* c) { return pa_context_get_server_info(c, onServerInfo, &server); }))
      return std::nullopt;
    if (server.sinkName.empty()) return std::nullopt;
    Request sink{this};
    if (!request(sink, deadline, [&](pa_context* c) {
          return pa_context_get_sink_info_by_name(c, server.sinkName.c_str(), onSinkInfo, &sink);
        }))
      return std::nullopt;
    return sink.sink;
  }

  // Starts one operation and waits for its answer until the deadline. Cancelling under the main loop's lock
  // guarantees that no callback touches `r` once this returns.
  bool request(Request& r, SteadyClock::time_point deadline,
               const std::function<pa_operation*(pa_context*)>& start) {
    pa_operation* op = nullptr;
    {
      MainLoopLock lock(mainloop_);
      if (context_) op = start(context_);
    }
    if (!op) return false;
    bool settled = false;
    {
      std::unique_lock wait(waitMutex_);
      settled = woke_.wait_until(wait, deadline, [&] { return r.done || broken(state_); });
    }
    MainLoopLock lock(mainloop_);
    if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_operation_cancel(op);
    pa_operation_unref(op);
    bool done = false;
    {
      std::lock_guard wait(waitMutex_);
      done = r.done;
    }
    if (!done) {
      // Either the connection broke or the server stopped answering: start afresh next time.
      dropContext();
      if (!settled) quietUntil_ = SteadyClock::now() + QUIET_AFTER_TIMEOUT;
    }
    return done;
  }

  // The callbacks run on the main loop's thread with its lock held.
  static void onState(pa_context* c, void* self) {
    auto* impl = static_cast<Impl*>(self);
    std::lock_guard wait(impl->waitMutex_);
    impl->state_ = pa_context_get_state(c);
    impl->woke_.notify_all();
  }

  static void onServerInfo(pa_context*, const pa_server_info* info, void* request) {
    auto* r = static_cast<Request*>(request);
    std::lock_guard wait(r->owner->waitMutex_);
    if (info && info->default_sink_name) r->sinkName = info->default_sink_name;
    r->done = true;
    r->owner->woke_.notify_all();
  }

  // Called once with the sink, then once more with eol set (negative when there is no such sink).
  static void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* request) {
    auto* r = static_cast<Request*>(request);
    std::lock_guard wait(r->owner->waitMutex_);
    if (eol == 0) {
      if (info && pa_cvolume_valid(&info->volume)) r->sink = Sink{info->index, info->volume, info->mute != 0};
      return;
    }
    r->done = true;
    r->owner->woke_.notify_all();
  }

  static void onSuccess(pa_context*, int success, void* request) {
    auto* r = static_cast<Request*>(request);
    std::lock_guard wait(r->owner->waitMutex_);
    r->ok = success != 0;
    r->done = true;
    r->owner->woke_.notify_all();
  }

  std::mutex calls_;  // one call at a time; guards everything below but the wait state
  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  SteadyClock::time_point quietUntil_{};

  std::mutex waitMutex_;  // taken after the main loop's lock, never before it
  std::condition_variable woke_;
  pa_context_state_t state_ = PA_CONTEXT_UNCONNECTED;
};

PulseAudioOutput::PulseAudioOutput() : impl_(std::make_unique<Impl>()) {}

PulseAudioOutput::~PulseAudioOutput() = default;

std::optional<std::uint32_t> PulseAudioOutput::defaultDevice() {
  const auto sink = impl_->defaultSink();
  if (!sink) return std::nullopt;
  return sink->index;
}

std::optional<double> PulseAudioOutput::volume() {
  const auto sink = impl_->defaultSink();
  if (!sink) return std::nullopt;
  return levelOf(sink->volume);
}

std::optional<bool> PulseAudioOutput::muted() {
  const auto sink = impl_->defaultSink();
  if (!sink) return std::nullopt;
  return sink->mute;
}

bool PulseAudioOutput::setVolume(double volume) {
  return impl_->setVolume(volume);
}

bool PulseAudioOutput::setMuted(bool muted) {
  return impl_->setMuted(muted);
}
