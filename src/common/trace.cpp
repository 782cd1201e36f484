// The trace (see the header).
#include "common/trace.h"

#include <cmath>
#include <ctime>

std::string clockText(double seconds) {
  // Far outside any real time (or not a number), a clock reading would not convert to time_t: midnight.
  const auto t = static_cast<std::time_t>(std::fabs(seconds) < 1e15 ? std::floor(seconds) : 0);
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

void Trace::add(double now, const std::string& text,
                const std::function<bool(const std::string&)>& replacesLast) {
  auto line = clockText(now) + "  " + text;
  ++written_;
  const bool replaces = replacesLast && !lines_.empty() && replacesLast(lines_.back());
  if (replaces)
    lines_.back() = std::move(line);
  else
    lines_.push_back(std::move(line));
  trim();
  if (echo) echo(lines_.back(), replaces);
}

void Trace::replaceRun(double now, const std::vector<std::string>& texts, const std::string& prefix) {
  const auto stamp = clockText(now) + "  ";
  bool removed = false;
  while (!lines_.empty() && lines_.back().compare(stamp.size(), prefix.size(), prefix) == 0) {
    lines_.pop_back();
    removed = true;
  }
  for (const auto& text : texts)
    lines_.push_back(stamp + text);
  written_ += texts.size();
  // The event's lines take the place of the previous event's, however many of those the trace still held.
  if (echo)
    for (const auto& text : texts)
      echo(stamp + text, removed);
  trim();
}

void Trace::trim() {
  while (lines_.size() > LIMIT)
    lines_.pop_front();
}
