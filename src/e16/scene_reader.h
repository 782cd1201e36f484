// Finds the newest OXI E16 scene file under the user's Documents folder and answers which knob sends a
// given MIDI message. Every lookup re-checks the file cheaply, so edits made in the OXI App show up.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "e16/knob.h"
#include "e16/scene_search.h"
#include "platform/clock.h"

namespace e16 {

class SceneReader {
 public:
  SceneReader(const Clock& clock, std::string documents, FolderLinks links);

  // The scene in use, re-read when its file changed; nullptr until one has been read. The pointer stays
  // valid until the next call that reads the scene (this, knobFor, knobOrGuess): a scene can be large, and
  // every lookup would otherwise copy it.
  const nlohmann::json* readScene();

  // The newest ".oxie16" file in the Documents folder, its subfolders and theirs; nothing when there is none.
  // Only the folders changed since the last search are listed again.
  std::optional<std::string> walk() { return search_.newest(); }

  // The first knob, in page and knob order, that sends the message. type "note" is a note, anything else a
  // CC; channel is 0-based. When a channel is asked for and no knob sends on it, the first knob that sends
  // the number on another channel.
  std::optional<E16Knob> knobFor(std::string_view type, int number, std::optional<int> channel);

  // knobFor's answer, or for notes 1-16 the knob the factory layout would give (knob n pushes note n).
  std::optional<E16Knob> knobOrGuess(std::string_view type, int number, std::optional<int> channel);

  // Makes the next lookup parse the file again, for when it was changed within the same time stamp.
  void forget();

  const std::optional<std::string>& path() const { return path_; }

 private:
  const Clock& clock_;
  SceneSearch search_;
  std::optional<std::string> path_;
  std::optional<nlohmann::json> scene_;
  double mtime_ = DISTANT_PAST;   // of the file the scene came from
  double looked_ = DISTANT_PAST;  // last check of the file's time stamp
  double walked_ = DISTANT_PAST;  // last folder search

  // Which knobs send a message, by (is a note, number), in page and knob order, with the channel each sends
  // on.
  struct Candidate {
    E16Knob knob;
    int channel;
  };
  void index(const nlohmann::json& scene);
  std::map<std::pair<bool, int>, std::vector<Candidate>> knobs_;
  unsigned scene_generation_ = 0;  // counts the scenes read
  unsigned indexed_ = 0;           // the scene the index was built from
};

}  // namespace e16
