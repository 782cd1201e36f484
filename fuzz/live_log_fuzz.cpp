// Fuzz target for the scan of Live's log: the input is a log, written in two steps with a scan after each,
// then cut back to its first step and scanned again. The state must always be what the last line that reports
// it says, however the bytes fell across the scans and across the pieces a scan reads.
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "mackie/engine/live.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using fuzz::check;

// The size of the pieces a scan reads the log in.
constexpr std::size_t PIECE = 1 << 16;

// The two reports Live writes, and what a line says with them; a later report overrides an earlier one.
std::optional<bool> reported(std::string_view text) {
  std::optional<bool> says;
  while (!text.empty()) {
    const auto end = std::min(text.find('\n'), text.size());
    const auto line = text.substr(0, end);
    for (const std::string_view pattern :
         {"Property is_playing changed of song []: (", "Getting property for song: is_playing = "}) {
      const auto at = line.find(pattern);
      if (at == std::string_view::npos) continue;
      const auto rest = line.substr(at + pattern.size());
      if (rest.starts_with("True")) says = true;
      if (rest.starts_with("False")) says = false;
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return says;
}

void write(const std::string& path, const std::string& text, std::ios::openmode mode) {
  std::ofstream(path, std::ios::binary | mode) << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder home;
  static const std::string path = home.write("Library/Preferences/Ableton/Live 12.0.5/Log.txt", "");
  if (size == 0) return 0;

  // The first byte chooses whether plain lines come first, ending up to 127 bytes before the end of the first
  // piece, so that the input's lines cross from one piece into the next.
  const std::uint8_t control = data[0];
  std::string log;
  if (control & 1) {
    const std::size_t fill = PIECE - (control >> 1);
    const std::string line(99, '.');
    while (log.size() + 100 < fill)
      log += line + "\n";
    log += std::string(fill - log.size() - 1, '.') + "\n";
  }
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The first step ends after a whole line: Live writes lines whole, so a scan never sees half of one.
  const auto half = input.substr(0, input.size() / 2).rfind('\n');
  const std::size_t split = half == std::string_view::npos ? 0 : half + 1;
  const std::string first = log + std::string(input.substr(0, split));
  log += input;

  VirtualLoop loop;
  const auto live = std::make_shared<MKLive>(loop, LiveFolders{home.path(), std::nullopt});
  write(path, first, std::ios::trunc);
  check(live->saysNow() == reported(first));
  write(path, std::string(input.substr(split)), std::ios::app);
  check(live->saysNow() == reported(log));

  // A log cut back is read again from its start, and a log that reports nothing leaves the state as it was.
  const auto before = live->playing;
  write(path, first, std::ios::trunc);
  const auto after = live->saysNow();
  if (first.size() < log.size()) check(after == (reported(first) ? reported(first) : before));
  return 0;
}
