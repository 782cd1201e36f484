// What the MK engine shows: the state its screens, the shell and the benches draw, written by the engine
// alone and read through MKEngine::view().
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/monitor.h"
#include "common/trace.h"
#include "mackie/core/row.h"

struct MKView {
  std::vector<MKRules::MKRow> rows;
  std::string outName;  // the destination towards Live, empty when none is open
  long sent = 0;
  Trace trace;
  struct Heard {
    std::string line;
    bool mine = false;
    double at = 0;
  };
  std::optional<Heard> heard;
  std::deque<MonitorEntry> incoming;  // newest first, at most 4
  bool detect = false;
  std::optional<std::int64_t> learnId;
  struct Lamps {
    std::optional<double> at;
    std::map<std::string, bool> lit;
  } lamps;
};
