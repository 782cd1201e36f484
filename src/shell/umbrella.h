// The shell: the modules in their fixed order, which of them are on and which one the window shows (kept in
// the shell's settings file), the tray menu's lines, Live coming and going, and the hot keys.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/observers.h"
#include "platform/hot_keys.h"
#include "platform/loop.h"
#include "platform/workspace.h"
#include "shell/hot_keys.h"
#include "shell/json_settings.h"
#include "shell/live_module.h"

struct ShellServices {
  Loop& loop;
  Workspace& workspace;
  HotKeySystem& hotKeys;
  std::string home;  // the settings file lives under it
};

// Made with std::make_shared: the workspace's callbacks and the delayed steps hold it weakly.
class Umbrella : public std::enable_shared_from_this<Umbrella> {
 public:
  static const int VERSION;  // the major number of the project's version, which the package carries whole
  static constexpr const char* RELEASES = "https://github.com/orvane/vuda-verer/releases";
  static constexpr const char* TOOL_TIP = "Orvane VUDA Verer: MIDI to MK Control and MIDI to Key Stroke";
  static constexpr const char* SETTINGS_ITEM = "Settings…";
  static constexpr double LIVE_SETTLES = 5.0;  // from Live's launch to asking it anything
  static std::string SETTINGS(const std::string& home) { return home + "/.config/vuda-verer.json"; }

  // `modules` in the order of the tray menu, the window's tabs, start-up and shutdown.
  Umbrella(ShellServices services, std::vector<std::unique_ptr<LiveModule>> modules);
  ~Umbrella();

  const std::vector<std::unique_ptr<LiveModule>> MODULES;
  std::map<std::string, bool> on;  // module id to whether it is on
  std::string tab;                 // the id of the module the window shows

  // Reads the settings, switches on the modules that are on, watches the workspace, arms the hot keys.
  void start();
  // Switches every module off, on or off already: the program is ending.
  void stop();

  void setModule(const std::string& id, bool isOn);
  void setTab(const std::string& id);
  LiveModule* module(const std::string& id) const;
  // The tray menu as it is now: built again each time it opens.
  std::vector<MenuLine> menu();
  void rebindKeys();
  bool liveRunning();
  // The main thread's loop, which everything that follows the shell runs on.
  Loop& loop() const { return services_.loop; }

  // What "Settings…" does; the user interface sets it.
  std::function<void()> showSettings;

  int subscribe(std::function<void()> changed) { return observers_.subscribe(std::move(changed)); }
  void unsubscribe(int id) { observers_.unsubscribe(id); }

 private:
  void appChanged(AppEvent event, const RunningApp& app);
  void publish() { observers_.notify(); }

  ShellServices services_;
  JSONFile settings_;
  std::shared_ptr<HotKeys> hotKeys_;
  bool started_ = false;
  Observers observers_;
};
