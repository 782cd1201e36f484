// The MIDI TO MK CONTROL module as the shell sees it: its engine, its switch and its tray lines.
#pragma once

#include <memory>

#include "mackie/engine/engine.h"
#include "shell/live_module.h"

class MackieModule : public LiveModule {
 public:
  explicit MackieModule(MKServices services);
  ~MackieModule() override;

  std::shared_ptr<MKEngine> engine;

  std::string id() const override { return "mackie"; }
  std::string title() const override { return "MIDI TO MK CONTROL"; }
  std::string about() const override;
  void setOn(bool on) override;
  void liveCame() override;
  std::vector<MenuLine> menuItems() override;
  std::string status() override { return engine->status(); }
  int subscribe(std::function<void()> changed) override { return engine->subscribe(std::move(changed)); }
  void unsubscribe(int id) override { engine->unsubscribe(id); }
};
