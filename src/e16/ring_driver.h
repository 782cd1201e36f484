// What both modules do with the E16's rings: remember each knob's turns, light a pushed knob's ring while a
// row asks for it, keep the rings of volume knobs in step with the volume, explain a row's ring, and change a
// knob's colour in the scene through a helper script. Each module wraps one of these with its own rows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e16/knob.h"
#include "e16/palette.h"
#include "e16/scene_reader.h"
#include "platform/clock.h"
#include "platform/posix/child_process.h"

namespace e16 {

struct RingAbout {
  bool can = false;                     // this program lights the row's ring
  std::optional<std::uint32_t> colour;  // the knob's colour; absent without a scene knob
  int index = -1;                       // the knob's colour number; -1 without a scene knob
  std::string knob;                     // "knob 3 (name) on page 1"; empty without a scene knob
  std::string says;
};

class RingDriver {
 public:
  // How a ring value leaves: CC `cc` = `value` on `channel` (0-based) to the E16; false when it did not.
  using Send = std::function<bool(int cc, int value, int channel)>;
  // Starts the colour helper, which hands its result to `done` later, on the loop; answers its handle.
  using RunHelper = std::function<std::shared_ptr<ChildProcess>(
      const std::string& scene, int page, int knob, int colour, std::function<void(ProcessResult)> done)>;
  // Shows a line to the user.
  using Say = std::function<void(const std::string& line)>;

  RingDriver(const Clock& clock, std::string documents, FolderLinks links);
  // Its helper's result is handed back to this very object.
  RingDriver(const RingDriver&) = delete;
  RingDriver& operator=(const RingDriver&) = delete;

  SceneReader reader;
  std::map<std::string, int> turned;  // "cc:channel" → the last value the knob's turn sent
  struct At {
    double at = 0;
    int value = 0;
    std::optional<int> channel;
  };
  std::map<int, At> knobAt;         // CC number → when it last arrived, its value and channel
  std::map<std::string, int> sent;  // "page:knob" → the volume level last sent to a followed ring

  // One controller message. `lights`: a row that is on and asks for its ring answers this message. Answers
  // the trace line when a ring was lit or put back.
  std::optional<std::string> feel(bool lights, std::string_view type, int number, int value,
                                  std::optional<int> channel, const Send& send);

  // One follow pass: the volume as a level 0-127, for these CC numbers.
  void follow(int level, const std::vector<int>& ccs, const Send& send);

  RingAbout about(std::string_view type, int number, bool isVolume);

  // Changes the colour of the knob that sends this message, through the helper, without waiting for it:
  // `say` gets the outcome once the helper is done, or at once when there is nothing to run or a helper is
  // still running. `notStarted` words a helper that could not be started, given the system's reason.
  void setColour(std::string_view type, int number, int colour, const RunHelper& run,
                 std::function<std::string(const std::string& error)> notStarted, Say say);
  // How many colour changes have ended, whatever their outcome: the screens read the knobs again when it
  // moves.
  unsigned coloursDone() const { return coloursDone_; }

 private:
  const Clock& clock_;
  bool colouring_ = false;
  std::shared_ptr<ChildProcess> helper_;  // the running helper; dropped, it is stopped
  unsigned coloursDone_ = 0;
};

// A volume as the ring level that shows it: fraction × 127, rounded half up.
int ringLevel(double fraction);

}  // namespace e16
