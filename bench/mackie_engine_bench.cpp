// Prints the MK engine's time per message, from `received` to the paced send queue, beside the time of
// matching its table (see mackie_path_figures.h); and what a flood of 100,000 messages in one burst leaves
// behind (every structure is bounded); and the time of one search for an E16 scene among those 10,000 files.
// Run by hand: `build/bench/mackie_engine_bench`.
#include <sys/resource.h>

#include <cstdio>

#include "e16/scene_reader.h"
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

  // A reader of its own, so that its first search starts from nothing, as at the program's start.
  e16::SceneReader reader(world.loop, world.home.path(), e16::FolderLinks::enter);
  const double start = mkbench::threadNanoseconds();
  reader.walk();
  const double first = mkbench::threadNanoseconds() - start;
  const double again = mkbench::nanosecondsPer(100, [&] { reader.walk(); });
  std::printf("one search for a scene among 10000 files: %.0f µs the first time, %.0f µs each time after\n",
              first / 1e3, again / 1e3);

  const auto& engine = world.engine;
  const long before = maxRssKb();
  for (long i = 0; i < 100'000; ++i)
    engine->received("Port 1", MKMCU::MKRaw{0xB0, 21, static_cast<int>(i % 128), false});
  const auto sizes = engine->listSizes();
  std::printf(
      "after a burst of 100000: queue %zu, trace %zu lines, monitor %zu, row lamps %zu, spins %zu, "
      "max RSS %ld KB before and %ld KB after\n",
      sizes.at("queue"), sizes.at("trace"), sizes.at("monitor"), sizes.at("lamps"), sizes.at("turns"), before,
      maxRssKb());
  return 0;
}
