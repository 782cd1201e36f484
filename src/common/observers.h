// The screens' subscriptions to an engine: each is told, without arguments, that something it shows changed.
#pragma once

#include <cstddef>
#include <functional>
#include <map>

class Observers {
 public:
  int subscribe(std::function<void()> changed) {
    list_[next_] = std::move(changed);
    return next_++;
  }
  void unsubscribe(int id) { list_.erase(id); }
  void clear() { list_.clear(); }
  std::size_t size() const { return list_.size(); }
  void notify() const {
    // Copied: an observer may unsubscribe while being told.
    const auto now = list_;
    for (const auto& [id, changed] : now)
      changed();
  }

 private:
  int next_ = 1;
  std::map<int, std::function<void()>> list_;
};
