// The MIDI TO KEY STROKE module as the shell sees it: its engine, its switch (ignored in dry mode) and its
// tray lines.
#pragma once

#include <memory>

#include "keystroke/engine.h"
#include "shell/live_module.h"

class MidiKeysModule : public LiveModule {
 public:
  // With `dry`, the engine listens and shows but presses nothing and writes no file, and the switch leaves it
  // alone: it runs in a window of its own.
  MidiKeysModule(KSServices services, bool dry);
  ~MidiKeysModule() override;

  std::shared_ptr<KSEngine> engine;

  std::string id() const override { return "midikeys"; }
  std::string title() const override { return "MIDI TO KEY STROKE"; }
  std::string about() const override;
  void setOn(bool on) override;
  std::vector<MenuLine> menuItems() override;
  std::string status() override;
  int subscribe(std::function<void()> changed) override { return engine->subscribe(std::move(changed)); }
  void unsubscribe(int id) override { engine->unsubscribe(id); }
};
