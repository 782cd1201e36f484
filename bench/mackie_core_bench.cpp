// Prints the time per message of firing a 200-row MK table with three matching rows, and the time per word of
// reading incoming packets. Run by hand on a quiet machine: `build/bench/mackie_core_bench`.
#include <chrono>
#include <cstdio>
#include <vector>

#include "mackie/core/fire.h"
#include "mackie/core/packets.h"
#include "mackie/core/rules.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double nanosecondsPer(long count, F&& body) {
  body();  // warm up
  const auto start = Clock::now();
  for (long i = 0; i < count; ++i)
    body();
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / static_cast<double>(count);
}

std::vector<MKRules::MKRow> tableOf200() {
  const char* commands[] = {"play", "jog", "vpot1", "fader2", "shift", "continuestop", "volume", "mute3"};
  std::vector<MKRules::MKRow> rows;
  for (int i = 0; i < 200; ++i) {
    // Three rows listen to CC 21; the others are spread over other notes and CCs.
    const bool target = i == 20 || i == 100 || i == 180;
    const nlohmann::json stored = {{"id", i + 1},
                                   {"from", i % 2 ? "note" : "cc"},
                                   {"number", target ? 21 : 22 + i % 100},
                                   {"command", target ? commands[i % 3] : commands[i % 8]}};
    auto row = *MKRules::clean(stored).row;
    if (target) row.from = "cc";
    rows.push_back(row);
  }
  return rows;
}

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
  const auto rows = tableOf200();
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  std::size_t fired = 0;
  int value = 0;
  const double fire = nanosecondsPer(1'000'000, [&] {
    value = (value + 1) % 128;
    fired += MKRules::fire(rows, MKRules::MKMsg{"cc", 21, value, 0}, held, coarse).size();
  });

  const auto words = trafficWords();
  std::size_t read = 0;
  const double perPass = nanosecondsPer(20'000, [&] { read += MKMCU::readPackets(words).size(); });

  std::printf("MKRules::fire, 200 rows, 3 matching: %.0f ns per message (%zu actions)\n", fire, fired);
  std::printf("readPackets: %.2f ns per word (%zu messages)\n", perPass / static_cast<double>(words.size()),
              read);
  return 0;
}
