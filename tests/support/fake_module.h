// A module that records what the shell asks of it, with the hot keys and menu lines a test gives it.
#pragma once

#include <string>
#include <vector>

#include "common/observers.h"
#include "shell/live_module.h"

class FakeModule : public LiveModule {
 public:
  explicit FakeModule(std::string id, bool byDefault = true) : id_(std::move(id)), defaultOn_(byDefault) {}

  std::vector<std::string> calls;  // "on", "off", "came", "left", in order
  std::vector<HotKeyWish> wishes;

  std::string id() const override { return id_; }
  std::string title() const override { return "TITLE " + id_; }
  std::string about() const override { return "about " + id_; }
  bool defaultOn() const override { return defaultOn_; }
  void setOn(bool on) override { calls.push_back(on ? "on" : "off"); }
  void liveCame() override { calls.push_back("came"); }
  void liveLeft() override { calls.push_back("left"); }
  std::vector<HotKeyWish> hotkeys() override { return wishes; }
  std::vector<MenuLine> menuItems() override { return {MenuLine::told("  line of " + id_)}; }
  std::string status() override { return "STATE"; }
  int subscribe(std::function<void()> changed) override { return observers_.subscribe(std::move(changed)); }
  void unsubscribe(int id) override { observers_.unsubscribe(id); }

 private:
  std::string id_;
  bool defaultOn_;
  Observers observers_;
};
