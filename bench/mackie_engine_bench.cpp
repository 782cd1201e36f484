// Prints the MK engine's time per message, from `received` to the paced send queue, beside the time of
// matching its table (see mackie_path_figures.h); and what a flood of 100,000 messages in one burst leaves
// behind (every structure is bounded). Run by hand: `build/bench/mackie_engine_bench`.
#include <sys/resource.h>

#include <cstdio>

#include "mackie_path_figures.h"

namespace {

long maxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  mkbench::World world(10'000);
  mkbench::printPathFigures(world);

  const auto& engine = world.engine;
  const long before = maxRssKb();
  for (long i = 0; i < 100'000; ++i)
    engine->received("Port 1", MKMCU::MKRaw{0xB0, 21, static_cast<int>(i % 128), false});
  std::printf(
      "after a burst of 100000: queue %zu, trace %zu lines, monitor %zu, row lamps %zu, spins %zu, "
      "max RSS %ld KB before and %ld KB after\n",
      engine->queue.size(), engine->trace.lines().size(), engine->incoming.size(), engine->act.size(),
      engine->spins.size(), before, maxRssKb());
  return 0;
}
