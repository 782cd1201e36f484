// The modules' traces on standard output, for a session without a window or a script: every line once, as it
// is written, in order, flushed line by line. A new line reads "<module id>  <line>"; a line that takes the
// place of one before it (the same control again) reads "<module id> ~ <line>".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/trace.h"

class TracePrinter {
 public:
  explicit TracePrinter(std::FILE* out = stdout) : out_(out) {}
  ~TracePrinter();
  TracePrinter(const TracePrinter&) = delete;
  TracePrinter& operator=(const TracePrinter&) = delete;

  // Prints what the trace holds now, then each line as the trace is given it. The trace outlives the printer.
  void watch(const std::string& moduleId, const Trace& trace);

 private:
  void print(const std::string& moduleId, const std::string& line, bool replaces);

  std::FILE* out_;
  std::vector<const Trace*> watched_;
};
