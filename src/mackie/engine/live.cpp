// Live's transport state from its log, the OSC requests that make Live write it there, and where Live is on
// the desktop (see the header).
#include "mackie/engine/live.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/posix/udp.h"

namespace fs = std::filesystem;

namespace {

// A scan reads the log in pieces of this size, so that a flood of lines since the last scan is read whole
// without ever being held in memory at once.
constexpr std::size_t CHUNK = 1 << 16;
// The part of an overlong line that is kept while its end is still to come: longer than any pattern and the
// word after it.
constexpr std::size_t LINE_TAIL = 256;

constexpr std::array<std::string_view, 2> PATTERNS = {"Property is_playing changed of song []: (",
                                                      "Getting property for song: is_playing = "};

// Zero bytes up to the next multiple of four above the length: OSC strings always end with at least one.
void appendOscString(std::string& out, std::string_view text) {
  out += text;
  out.append(4 - text.size() % 4, '\0');
}

// Entries of a folder whose names begin with "Live ", sorted so that equal times pick the same file every
// run.
std::vector<std::string> liveFolders(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    auto name = it->path().filename().string();
    if (name.starts_with("Live ")) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> subfolders(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// What one log line says about the transport; nothing when it says nothing.
std::optional<bool> lineSays(std::string_view line) {
  std::optional<bool> says;
  for (const auto pattern : PATTERNS) {
    const auto found = line.find(pattern);
    if (found == std::string_view::npos) continue;
    const auto rest = line.substr(found + pattern.size());
    if (rest.starts_with("True"))
      says = true;
    else if (rest.starts_with("False"))
      says = false;
  }
  return says;
}

}  // namespace

std::string oscPacket(std::string_view address) {
  std::string out;
  appendOscString(out, address);
  appendOscString(out, ",");
  return out;
}

MKLive::MKLive(Loop& loop, LiveFolders folders, int oscPort)
    : loop_(loop), folders_(std::move(folders)), oscPort_(oscPort) {}

void MKLive::ask(std::string_view address) {
  sendDatagram("127.0.0.1", oscPort_, oscPacket(address));
}

void MKLive::askBoth() {
  ask(START_LISTEN);
  ask(GET);
}

std::optional<std::string> MKLive::logPath() {
  std::error_code ec;
  if (log && fs::exists(*log, ec)) return log;

  std::vector<std::string> candidates;
  const std::string home = folders_.home + "/Library/Preferences/Ableton";
  for (const auto& name : liveFolders(home))
    candidates.push_back(home + "/" + name + "/Log.txt");
  if (folders_.winePrefix) {
    const std::string users = *folders_.winePrefix + "/drive_c/users";
    for (const auto& user : subfolders(users)) {
      const std::string ableton = users + "/" + user + "/AppData/Roaming/Ableton";
      for (const auto& name : liveFolders(ableton))
        candidates.push_back(ableton + "/" + name + "/Preferences/Log.txt");
    }
  }

  std::optional<std::string> best;
  fs::file_time_type bestTime{};
  for (auto& path : candidates) {
    if (!fs::is_regular_file(path, ec)) continue;
    const auto time = fs::last_write_time(path, ec);
    if (ec) continue;
    if (!best || time > bestTime) {
      best = std::move(path);
      bestTime = time;
    }
  }
  log = best;
  pos = 0;
  return log;
}

void MKLive::scan() {
  const auto path = logPath();
  if (!path) return;
  std::error_code ec;
  const std::uint64_t size = fs::file_size(*path, ec);
  if (ec) return;
  // A fresh start, or a log that was replaced or cut: only the tail matters, as later lines override earlier.
  if (pos == 0 || pos > size) pos = size >= SEED ? size - SEED : 0;
  if (pos == size) return;

  std::ifstream in(*path, std::ios::binary);
  if (!in) return;
  in.seekg(static_cast<std::streamoff>(pos));
  // Only what the file held at the size check: what is written meanwhile waits for the next scan.
  std::uint64_t left = size - pos;
  pos = size;
  const auto heard = [this](std::string_view line) {
    if (const auto says = lineSays(line)) {
      playing = says;
      at = loop_.now();
    }
  };
  // The patterns and the words after them are ASCII, which no invalid UTF-8 sequence can hide or forge, so
  // the bytes are searched as they stand instead of being decoded first.
  std::string text;  // the unfinished last line of the pieces read so far, then the next piece
  std::vector<char> piece(CHUNK);
  while (left > 0) {
    in.read(piece.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(left, CHUNK)));
    const auto got = in.gcount();
    if (got <= 0) break;
    left -= static_cast<std::uint64_t>(got);
    text.append(piece.data(), static_cast<std::size_t>(got));
    std::string_view rest = text;
    for (auto end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
      heard(rest.substr(0, end));
      rest = rest.substr(end + 1);
    }
    if (rest.size() > CHUNK) {
      heard(rest);
      rest = rest.substr(rest.size() - LINE_TAIL);
    }
    text = std::string(rest);
  }
  heard(text);
}

std::optional<bool> MKLive::isPlaying() {
  scan();
  if (playing && loop_.now() - at <= STALE) return playing;
  askBoth();
  return std::nullopt;
}

std::optional<bool> MKLive::saysNow() {
  scan();
  return playing;
}

void MKLive::expect(bool isPlaying) {
  playing = isPlaying;
  at = loop_.now();
}

void MKLive::start() {
  askBoth();
  if (timer) timer->cancel();
  const std::weak_ptr<MKLive> weak = weak_from_this();
  timer = loop_.every(BEAT, [weak] {
    if (const auto self = weak.lock()) {
      self->ask(GET);
      self->scan();
    }
  });
  // Tied to this start's timer, so that a stop (or a new start) before it runs drops it too.
  loop_.after(0.3, [weak, started = std::weak_ptr<Task>(timer)] {
    const auto self = weak.lock();
    if (self && self->timer && self->timer == started.lock()) self->scan();
  });
}

void MKLive::stop() {
  if (timer) timer->cancel();
  timer.reset();
  playing.reset();
  at = DISTANT_PAST;
  pos = 0;
  log.reset();
}
