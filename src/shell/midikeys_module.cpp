// The Key Stroke module's side of the shell (see the header).
#include "shell/midikeys_module.h"

MidiKeysModule::MidiKeysModule(KSServices services, bool dry)
    : engine(std::make_shared<KSEngine>(std::move(services))) {
  engine->setDry(dry);
}

MidiKeysModule::~MidiKeysModule() {
  engine->stop();
}

std::string MidiKeysModule::about() const {
  return "A knob's CC or a key's note becomes a key stroke in the front app, or the Mac's own volume";
}

void MidiKeysModule::setOn(bool on) {
  // A dry engine runs in its own window, whatever the switch says.
  if (engine->dry()) return;
  if (on)
    engine->start();
  else
    engine->stop();
}

std::string MidiKeysModule::status() {
  if (!engine->running()) return "OFF";
  if (!engine->view().on) return "STOPPED";
  return engine->view().device.empty() ? "NO DEVICE" : "LISTENING";
}

std::vector<MenuLine> MidiKeysModule::menuItems() {
  const std::weak_ptr<KSEngine> weak = engine;
  const auto& view = engine->view();
  const auto rows = view.rows.size();
  return {
      MenuLine::doing(std::string("  ") + (view.on ? "Stop sending keys" : "Send keys"),
                      [weak] {
                        if (const auto e = weak.lock()) e->togglePower();
                      }),
      MenuLine::told("  " + (view.device.empty() ? std::string("No device locked")
                                                 : "Locked to " + engine->label(view.device))),
      MenuLine::told("  " + std::to_string(rows) + " row" + (rows == 1 ? "" : "s") + " in the table"),
  };
}
