// A module's trace: the last 60 lines of what it did, each stamped with the local time, where a new line may
// replace the last one so that a control being turned keeps one line up to date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Local time of day as "HH:mm:ss".
std::string clockText(double seconds);

class Trace {
 public:
  static constexpr std::size_t LIMIT = 60;

  // Adds "HH:mm:ss  text", or replaces the last line with it when `replacesLast(last line)` says so.
  void add(double now, const std::string& text,
           const std::function<bool(const std::string&)>& replacesLast = {});
  // Adds the lines of one event after removing the run of lines at the end whose text (after the time) begins
  // with `prefix`: the lines of the previous event of the same kind, which these bring up to date.
  void replaceRun(double now, const std::vector<std::string>& texts, const std::string& prefix);
  void clear() { lines_.clear(); }
  // Told of each line as it is written, with whether it takes the place of what was written before (the same
  // control again: the last line, or the previous event's run of lines): whoever follows the trace as a
  // stream sees every line once, however many one event writes. A listener, not part of what the trace holds:
  // it may be set on a trace that its owner shows read-only.
  mutable std::function<void(const std::string& line, bool replaces)> echo;
  const std::deque<std::string>& lines() const { return lines_; }
  // How many lines were ever written, replacing ones included: who reads the trace as it grows sees from it
  // how many of the last lines are new to it.
  std::uint64_t written() const { return written_; }

 private:
  void trim();

  std::deque<std::string> lines_;
  std::uint64_t written_ = 0;
};
