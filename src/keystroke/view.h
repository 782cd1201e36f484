// What the Key Stroke screens draw: the engine's published state as one value, which only the engine writes.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/monitor.h"
#include "common/trace.h"
#include "keystroke/row.h"

struct KSView {
  // The last message heard from any source, and whether it came from the locked device.
  struct Heard {
    std::string line;
    bool mine = false;
    double at = 0;
  };

  bool on = true;
  bool trusted = false;  // keys may be pressed and captured
  std::string device;    // the locked source's name; empty: none
  std::vector<KSRules::KSRow> rows;
  bool detect = false;
  std::optional<std::int64_t> learnId;
  std::optional<std::int64_t> capId;
  std::optional<Heard> heard;
  Trace trace;
  std::deque<MonitorEntry> incoming;
  std::vector<std::string> listening;       // the labels of the open sources
  std::map<std::int64_t, std::string> lit;  // row id to "fire" or "heard"
};
