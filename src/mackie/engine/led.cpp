// The MK module's E16 rings (see the header): MK rows decide what lights, ring values go out through the
// module's MIDI client to "Port 3", and the module's own timer keeps volume rings in step.
#include "mackie/engine/led.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/system_volume.h"
#include "e16/colour_helper.h"

namespace {

// The volume percent as a ring level, rounded half up. A reading that is no number shows as dark rather
// than reaching an undefined conversion.
int levelOfPercent(double percent) {
  const double level = std::floor(percent * 127 / 100 + 0.5);
  if (std::isnan(level) || level <= 0) return 0;
  return level >= 127 ? 127 : static_cast<int>(level);
}

}  // namespace

MKLed::MKLed(Loop& loop, MidiSystem& system, std::shared_ptr<MidiClient> midi, AudioOutput& audio,
             std::string documents, std::string helper)
    : rings(loop, std::move(documents), e16::FolderLinks::enter),
      loop_(loop),
      system_(system),
      midi_(std::move(midi)),
      audio_(audio),
      helper_(std::move(helper)) {}

bool MKLed::send(int cc, int value, int channel) {
  if (!midi_) return false;
  const auto destinations = mkDestinations(system_);
  const auto port = std::find_if(destinations.begin(), destinations.end(),
                                 [](const MKDestination& d) { return d.name == PORT; });
  if (port == destinations.end()) return false;
  return midi_->send(port->ref, 0xB0 | (channel & 0x0F), cc, value);
}

std::optional<std::string> MKLed::feel(bool lights, const std::string& type, int number, int value,
                                       std::optional<int> channel) {
  return rings.feel(lights, type, number, value, channel,
                    [this](int cc, int v, int ch) { return send(cc, v, ch); });
}

void MKLed::startFollowing() {
  // A fresh start sends every followed ring once, whatever it showed before.
  rings.sent.clear();
  if (timer) timer->cancel();
  timer = loop_.every(FOLLOW_EVERY, [weak = weak_from_this()] {
    if (const auto self = weak.lock()) self->followTick();
  });
}

void MKLed::stopFollowing() {
  if (timer) timer->cancel();
  timer.reset();
}

void MKLed::followTick() {
  // The rows first: reading the volume asks the sound server, twice a second, for nothing when none follows
  // it.
  if (!follow) return;
  const auto ccs = follow();
  if (ccs.empty()) return;
  const auto percent = systemVolume::level(audio_);
  if (!percent) return;
  rings.follow(levelOfPercent(*percent), ccs, [this](int cc, int v, int ch) { return send(cc, v, ch); });
}

MKLedAbout MKLed::about(const std::string& type, int number, bool isVolume) {
  auto r = rings.about(type, number, isVolume);
  // Only a scene knob has a colour to show; hex() greys one whose number is outside the palette.
  std::string colour = r.knob.empty() ? std::string() : hex(r.index);
  return {r.can, std::move(colour), r.index, std::move(r.knob), std::move(r.says)};
}

void MKLed::setColour(const std::string& type, int number, int colour, e16::RingDriver::Say say) {
  rings.setColour(
      type, number, colour,
      [this](const std::string& scene, int page, int knob, int c, std::function<void(ProcessResult)> done) {
        return startColourHelper(loop_, helper_, scene, page, knob, c, std::move(done), HELPER_TIMEOUT,
                                 interpreter);
      },
      [](const std::string&) { return std::string("the scene was not changed: python3 did not start"); },
      std::move(say));
}
