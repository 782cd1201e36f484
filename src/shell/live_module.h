// What the shell asks of each module: its names, its switch, word of Live coming and going, the hot keys it
// wants, its lines in the tray menu and one word of state. Its screen is the windows' business: they find it
// by the module's id.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One line of the tray menu; the menu draws it, the module decides what it says and does.
struct MenuLine {
  std::string title;
  bool enabled = false;
  std::optional<bool> checked;   // a check mark beside the line when set
  std::function<void()> action;  // what choosing it does; empty for a line that only tells
  bool separator = false;        // a divider instead of a line

  // A line that only tells; one that does something; a divider.
  static MenuLine told(std::string title) { return {std::move(title), false, std::nullopt, {}, false}; }
  static MenuLine doing(std::string title, std::function<void()> action,
                        std::optional<bool> checked = std::nullopt) {
    return {std::move(title), true, checked, std::move(action), false};
  }
  static MenuLine divider() { return {"", false, std::nullopt, {}, true}; }
};

// A global chord a module wants while it is on, as the hot-key system takes it, and what it does.
struct HotKeyWish {
  std::uint32_t key = 0;        // virtual key code
  std::uint32_t modifiers = 0;  // the hot-key modifier mask (see HotKeySystem::registerKey)
  std::function<void()> action;
};

class LiveModule {
 public:
  virtual ~LiveModule() = default;

  virtual std::string id() const = 0;
  virtual std::string title() const = 0;
  virtual std::string about() const = 0;
  virtual bool defaultOn() const { return true; }
  virtual void setOn(bool on) = 0;
  virtual void liveCame() {}
  virtual void liveLeft() {}
  virtual std::vector<HotKeyWish> hotkeys() { return {}; }
  virtual std::vector<MenuLine> menuItems() = 0;
  virtual std::string status() = 0;

  // Word of every change the module's screen and state word show, at most ten a second.
  virtual int subscribe(std::function<void()> changed) = 0;
  virtual void unsubscribe(int id) = 0;
};
