// A module's trace: the last 60 lines of what it did, each stamped with the local time, where a new line may
// replace the last one so that a control being turned keeps one line up to date.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

// Local time of day as "HH:mm:ss".
std::string clockText(double seconds);

class Trace {
 public:
  static constexpr std::size_t LIMIT = 60;

  // Adds "HH:mm:ss  text", or replaces the last line with it when `replacesLast(last line)` says so.
  void add(double now, const std::string& text,
           const std::function<bool(const std::string&)>& replacesLast = {});
  void clear() { lines_.clear(); }
  const std::deque<std::string>& lines() const { return lines_; }

 private:
  std::deque<std::string> lines_;
};
