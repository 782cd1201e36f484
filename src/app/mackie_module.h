// The MIDI TO MK CONTROL module as the shell sees it: its engine, its switch, its tray lines and its screen.
#pragma once

#include <memory>

#include "app/live_module.h"
#include "mackie/engine/engine.h"

class MackieModule : public LiveModule {
 public:
  // The module's screen for its engine; the user interface provides it, and without it there is none.
  using View = std::function<QWidget*(const std::shared_ptr<MKEngine>&)>;

  explicit MackieModule(MKServices services, View view = {});
  ~MackieModule() override;

  std::shared_ptr<MKEngine> engine;

  std::string id() const override { return "mackie"; }
  std::string title() const override { return "MIDI TO MK CONTROL"; }
  std::string about() const override;
  void setOn(bool on) override;
  void liveCame() override;
  std::vector<MenuLine> menuItems() override;
  QWidget* settingsView() override;
  std::string status() override { return engine->status(); }
  int subscribe(std::function<void()> changed) override { return engine->subscribe(std::move(changed)); }
  void unsubscribe(int id) override { engine->unsubscribe(id); }

 private:
  View view_;
};
