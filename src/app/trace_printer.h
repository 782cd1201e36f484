// The modules' traces on standard output, for a session without a window or a script: each new line once,
// as "<module id>  <line>", flushed line by line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/live_module.h"
#include "common/trace.h"

class TracePrinter {
 public:
  explicit TracePrinter(std::FILE* out = stdout) : out_(out) {}
  ~TracePrinter();
  TracePrinter(const TracePrinter&) = delete;
  TracePrinter& operator=(const TracePrinter&) = delete;

  // Prints what the trace holds now, then every line it gains whenever the module says it changed. The
  // module and its trace outlive the printer.
  void watch(LiveModule& module, const Trace& trace);
  // Prints what every watched trace gained since it was last printed.
  void printNew();

 private:
  struct Watched {
    LiveModule* module;
    const Trace* trace;
    std::uint64_t printed;
    int subscription;
  };

  std::FILE* out_;
  std::vector<Watched> watched_;
};
