// A screen's hold on a source of change notices (the shell, an engine, the permissions watch): it stops
// listening when the screen goes, never reaches a source that went first, and is never called once cancelled,
// even by a notice already under way when it was.
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace ui {

class Subscription {
 public:
  Subscription() = default;
  // `source` has subscribe(function) → id and unsubscribe(id); it is held weakly.
  template <class Source>
  Subscription(const std::shared_ptr<Source>& source, std::function<void()> changed)
      : Subscription(source, source.get(), std::move(changed)) {}
  // A source that lives exactly as long as `owner` (a module of the shell).
  template <class Owner, class Source>
  Subscription(const std::shared_ptr<Owner>& owner, Source* source, std::function<void()> changed) {
    auto live = std::make_shared<bool>(true);
    const int id = source->subscribe([live, changed = std::move(changed)] {
      if (*live) changed();
    });
    cancel_ = [live, weak = std::weak_ptr<Owner>(owner), source, id] {
      *live = false;
      if (const auto kept = weak.lock()) source->unsubscribe(id);
    };
  }
  ~Subscription() { reset(); }
  Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      reset();
      cancel_ = std::exchange(other.cancel_, {});
    }
    return *this;
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;

  void reset() {
    if (const auto cancel = std::exchange(cancel_, {})) cancel();
  }

 private:
  std::function<void()> cancel_;
};

}  // namespace ui
