// Finding, caching and searching the OXI E16 scene (see the header). Nothing here reports an error: a
// missing folder, a half-written file or odd values all end in "no knob" or the previous scene staying.
#include "e16/scene_reader.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <utility>

#include "common/json_nesting.h"
#include "e16/palette.h"

namespace e16 {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double WALK_INTERVAL = 30.0;  // a folder search is slow; a new scene file may wait this long
// Without any scene file yet, the search runs this often: not at every lookup, which would walk the folders
// once per MIDI message.
constexpr double EMPTY_WALK_INTERVAL = 2.0;
constexpr double CHECK_INTERVAL = 2.0;  // a time stamp check is cheap but lookups come in bursts
constexpr std::uintmax_t MAX_SCENE_BYTES = 32u << 20;  // scenes are a few hundred KB
// Scenes nest about five deep; far deeper text is not a scene, and would only cost memory to build.
constexpr int MAX_NESTING = 512;

// Elapsed-time test that also passes when the wall clock was set back, so a clock change cannot freeze
// the cache until the clock catches up again.
bool passed(double now, double since, double interval) {
  const double elapsed = now - since;
  return elapsed >= interval || elapsed < 0;
}

// Only regular files are read: a named pipe would block, a device could be endless.
std::optional<std::string> readBounded(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    // Checked while reading, as the file may still be growing.
    if (text.size() > MAX_SCENE_BYTES) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return text;
}

// The scene's values are hand-editable in principle; anything that is not a number in int range counts as
// missing, and fractions are dropped.
std::optional<int> integer(const json* value) {
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned()) {
    const auto n = value->get<std::uint64_t>();
    if (n > static_cast<std::uint64_t>(INT_MAX)) return std::nullopt;
    return static_cast<int>(n);
  }
  if (value->is_number_integer()) {
    const auto n = value->get<std::int64_t>();
    if (n < INT_MIN || n > INT_MAX) return std::nullopt;
    return static_cast<int>(n);
  }
  if (value->is_number_float()) {
    const double n = std::trunc(value->get<double>());
    if (!std::isfinite(n) || n < INT_MIN || n > INT_MAX) return std::nullopt;
    return static_cast<int>(n);
  }
  return std::nullopt;
}

const json* member(const json* object, const char* key) {
  if (object == nullptr || !object->is_object()) return nullptr;
  const auto found = object->find(key);
  return found == object->end() ? nullptr : &*found;
}

// A stored 1-based channel made 0-based; the one int that cannot be lowered counts as missing.
std::optional<int> zeroBased(std::optional<int> channel) {
  if (!channel || *channel == INT_MIN) return std::nullopt;
  return *channel - 1;
}

struct Action {
  std::optional<int> type;
  std::optional<int> nr1;
  std::optional<int> channel;  // 0-based; absent means the page's channel
};

Action actionFrom(const json* value) {
  if (value == nullptr || !value->is_object()) return {};
  const auto channel = integer(member(value, "channel"));
  return {integer(member(value, "type")), integer(member(value, "nr1")),
          channel == 0 ? std::nullopt : zeroBased(channel)};
}

Action firstTurn(const json* encoder) {
  const json* list = member(encoder, "turn_actions");
  if (list == nullptr || !list->is_array() || list->empty()) return {};
  return actionFrom(&list->front());
}

}  // namespace

SceneReader::SceneReader(const Clock& clock, std::string documents, FolderLinks links)
    : clock_(clock), search_(std::move(documents), links) {}

const json* SceneReader::readScene() {
  const auto current = [this]() -> const json* { return scene_ ? &*scene_ : nullptr; };
  const double now = clock_.now();
  if (passed(now, walked_, path_ ? WALK_INTERVAL : EMPTY_WALK_INTERVAL)) {
    auto found = walk();
    // Another file is read at once, even when it carries the same time stamp as the one in use.
    if (found != path_) mtime_ = looked_ = DISTANT_PAST;
    path_ = std::move(found);
    walked_ = now;
  }
  // A scene once read stays in use after its file has gone.
  if (!path_) return current();
  if (!passed(now, looked_, CHECK_INTERVAL)) return current();
  looked_ = now;
  const double time = modifiedTime(*path_);
  if (time == mtime_ && scene_) return current();
  // On any failure mtime stays, so a half-written file is tried again at the next check.
  const auto text = readBounded(*path_);
  if (!text || jsonNesting::deeperThan(*text, MAX_NESTING)) return current();
  json parsed = json::parse(*text, nullptr, false);
  if (!parsed.is_object()) return current();
  scene_ = std::move(parsed);
  ++scene_generation_;
  mtime_ = time;
  return current();
}

void SceneReader::index(const json& scene) {
  knobs_.clear();
  const json* pages = member(&scene, "pages");
  if (pages == nullptr || !pages->is_array()) return;
  int p = 0;
  // Elements of the wrong type still count, so page and knob numbers match what the device shows.
  for (const json& page : *pages) {
    ++p;
    const int pageChannel = zeroBased(integer(member(&page, "channel"))).value_or(0);
    const json* encoders = member(&page, "encoders");
    if (encoders == nullptr || !encoders->is_array()) continue;
    int k = 0;
    for (const json& encoder : *encoders) {
      ++k;
      const Action turn = firstTurn(&encoder);
      const Action push = actionFrom(member(&encoder, "push_action"));
      const int turnType = turn.type.value_or(0);
      const int turnChannel = turn.channel.value_or(pageChannel);
      const int index = integer(member(&encoder, "color")).value_or(0);
      const json* abbr = member(&encoder, "abbr");
      E16Knob knob{p,
                   k,
                   turn.nr1.value_or(k),
                   turnChannel,
                   turnType,
                   turnType == 3,
                   false,
                   index >= 0 && index < static_cast<int>(PALETTE.size())
                       ? std::optional(PALETTE[static_cast<std::size_t>(index)])
                       : std::nullopt,
                   index,
                   abbr != nullptr && abbr->is_string() ? abbr->get<std::string>() : std::string(),
                   false};
      // A CC the turn sends is the turn's, even when the push sends the same CC.
      const bool turnsCc = turnType >= 1 && turnType <= 4 && turn.nr1;
      if (turnsCc) knobs_[{false, *turn.nr1}].push_back({knob, turnChannel});
      if (push.nr1 && (push.type == 1 || (push.type == 2 && !(turnsCc && *turn.nr1 == *push.nr1)))) {
        knob.push = true;
        knobs_[{push.type == 1, *push.nr1}].push_back({std::move(knob), push.channel.value_or(pageChannel)});
      }
    }
  }
}

std::optional<E16Knob> SceneReader::knobFor(std::string_view type, int number, std::optional<int> channel) {
  const json* scene = readScene();
  if (scene == nullptr) return std::nullopt;
  // Indexed once per scene read: a lookup comes with every message, and a scene has hundreds of knobs.
  if (indexed_ != scene_generation_) {
    index(*scene);
    indexed_ = scene_generation_;
  }
  const auto found = knobs_.find({type == "note", number});
  if (found == knobs_.end() || found->second.empty()) return std::nullopt;
  if (channel)
    for (const auto& candidate : found->second)
      if (candidate.channel == *channel) return candidate.knob;
  return found->second.front().knob;
}

std::optional<E16Knob> SceneReader::knobOrGuess(std::string_view type, int number,
                                                std::optional<int> channel) {
  if (auto knob = knobFor(type, number, channel)) return knob;
  if (type != "note" || number < 1 || number > 16) return std::nullopt;
  // The factory layout: knob n pushes note n and turns CC n, absolute.
  return E16Knob{0, number, number, channel.value_or(0), 3, true, true, std::nullopt, -1, {}, true};
}

void SceneReader::forget() {
  mtime_ = DISTANT_PAST;
  looked_ = DISTANT_PAST;
}

}  // namespace e16
