// The trace printer (see the header). A line that replaced another is new too: a moving control prints each
// of its steps, which is what a script reading the output wants to see.
#include "app/trace_printer.h"

#include <algorithm>

TracePrinter::~TracePrinter() {
  for (const auto& w : watched_)
    w.module->unsubscribe(w.subscription);
}

void TracePrinter::watch(LiveModule& module, const Trace& trace) {
  watched_.push_back({&module, &trace, 0, module.subscribe([this] { printNew(); })});
  printNew();
}

void TracePrinter::printNew() {
  for (auto& w : watched_) {
    const auto& lines = w.trace->lines();
    const auto fresh = std::min<std::uint64_t>(w.trace->written() - w.printed, lines.size());
    for (auto line = lines.end() - static_cast<std::ptrdiff_t>(fresh); line != lines.end(); ++line) {
      const auto text = w.module->id() + "  " + *line + "\n";
      std::fwrite(text.data(), 1, text.size(), out_);
      std::fflush(out_);
    }
    w.printed = w.trace->written();
  }
}
