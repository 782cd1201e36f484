// Prints the time per message of matching a 200-row MK table with three matching rows, with and without the
// row index, beside the engine's whole path (see mackie_path_figures.h); and the time per word of reading
// incoming packets. Run by hand on a quiet machine: `build/bench/mackie_core_bench`.
#include <cstdio>
#include <vector>

#include "mackie/core/packets.h"
#include "mackie_path_figures.h"

namespace {

std::vector<std::uint32_t> trafficWords() {
  std::vector<std::uint32_t> words;
  for (int i = 0; i < 1024; ++i) {
    words.push_back(0x20B01500u | static_cast<std::uint32_t>(i % 128));  // CC 21
    words.push_back(0x10F80000u);                                        // clock
    words.push_back(0x20903C7Fu);                                        // note on
    words.push_back(0x30160102u);                                        // SysEx, 6 bytes
    words.push_back(0x03040506u);
  }
  return words;
}

}  // namespace

int main() {
  mkbench::World world(10'000);
  mkbench::printPathFigures(world);

  const auto words = trafficWords();
  std::size_t read = 0;
  const double perPass = mkbench::nanosecondsPer(20'000, [&] { read += MKMCU::readPackets(words).size(); });
  std::printf("readPackets: %.2f ns per word (%zu messages)\n", perPass / static_cast<double>(words.size()),
              read);
  return 0;
}
