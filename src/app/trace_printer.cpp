// The trace printer (see the header). It hears each line from the trace itself rather than reading the trace
// afterwards, which keeps only its newest lines: so one message that fires more rows than that loses none.
#include "app/trace_printer.h"

TracePrinter::~TracePrinter() {
  for (auto* trace : watched_)
    trace->echo = nullptr;
}

void TracePrinter::watch(const std::string& moduleId, const Trace& trace) {
  watched_.push_back(&trace);
  for (const auto& line : trace.lines())
    print(moduleId, line, false);
  trace.echo = [this, moduleId](const std::string& line, bool replaces) { print(moduleId, line, replaces); };
}

void TracePrinter::print(const std::string& moduleId, const std::string& line, bool replaces) {
  const auto text = moduleId + (replaces ? " ~ " : "  ") + line + "\n";
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fflush(out_);
}
