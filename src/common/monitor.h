// The monitor of incoming MIDI: the newest messages first, a repeat counted on its entry instead of added.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

struct MonitorEntry {
  std::string port;
  std::string text;
  int count = 0;
  double at = 0;
};

inline constexpr std::size_t MONITOR_LIMIT = 4;

inline void monitorAdd(std::deque<MonitorEntry>& entries, const std::string& port, const std::string& text,
                       double now) {
  if (!entries.empty() && entries.front().port == port && entries.front().text == text) {
    ++entries.front().count;
    entries.front().at = now;
    return;
  }
  entries.push_front({port, text, 1, now});
  if (entries.size() > MONITOR_LIMIT) entries.pop_back();
}
