// The MK module's side of the shell (see the header).
#include "shell/mackie_module.h"

MackieModule::MackieModule(MKServices services) : engine(std::make_shared<MKEngine>(std::move(services))) {}

MackieModule::~MackieModule() {
  engine->stop();
}

std::string MackieModule::about() const {
  return "A knob on a MIDI controller becomes a Mackie Control command in Live: the timeline under a knob, "
         "PLAY / STOP from the insert point, 121 commands";
}

void MackieModule::setOn(bool on) {
  if (on)
    engine->start();
  else
    engine->stop();
}

void MackieModule::liveCame() {
  engine->liveCame();
}

std::vector<MenuLine> MackieModule::menuItems() {
  if (!engine->running()) return {};
  // Each action holds the engine weakly: a menu left open must not keep it alive, nor call into it once gone.
  const std::weak_ptr<MKEngine> weak = engine;
  const auto device = engine->device();
  const auto rows = engine->view().rows.size();
  return {
      MenuLine::doing(std::string("  ") + (engine->power() ? "Stop sending Mackie" : "Send Mackie"),
                      [weak] {
                        if (const auto e = weak.lock()) e->togglePower();
                      }),
      MenuLine::told(
          "  " + (device.empty() ? std::string("No device locked") : "Locked to " + engine->label(device))),
      MenuLine::told("  " + (engine->view().outName.empty() ? std::string("Nothing open to Live")
                                                            : "Sending to " + engine->view().outName)),
      MenuLine::doing(
          "  The command blob at the top of Live",
          [weak] {
            if (const auto e = weak.lock()) e->toggleBlob();
          },
          engine->blobOn()),
      MenuLine::told("  " + std::to_string(rows) + " row" + (rows == 1 ? "" : "s") + " in the table"),
  };
}
