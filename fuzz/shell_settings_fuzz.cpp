// Fuzz target for the shell's settings file: the input is the file in a temporary home, and the shell starts
// on it with two recording modules, then switches a module and a tab as the window would. Only a string tab
// and an object of booleans are taken; the switches are saved beside every key the shell does not know.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "common/json_file.h"
#include "settings_input.h"
#include "shell/umbrella.h"
#include "support/fake_hot_keys.h"
#include "support/fake_module.h"
#include "support/fake_workspace.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using fuzz::check;

struct World {
  VirtualLoop loop;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  FakeModule* mackie = nullptr;
  FakeModule* midikeys = nullptr;
  std::shared_ptr<Umbrella> umbrella;

  explicit World(const std::string& home) {
    auto first = std::make_unique<FakeModule>("mackie", true);
    auto second = std::make_unique<FakeModule>("midikeys", false);
    mackie = first.get();
    midikeys = second.get();
    std::vector<std::unique_ptr<LiveModule>> modules;
    modules.push_back(std::move(first));
    modules.push_back(std::move(second));
    umbrella = std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home}, std::move(modules));
    umbrella->start();
    loop.runDue();
  }
};

// What the shell should have read from the file: the stored switch when the stored modules are an object of
// booleans holding it, else the module's default.
bool expectedOn(const nlohmann::json& conf, const std::string& id, bool byDefault) {
  const auto modules = conf.find("modules");
  if (modules == conf.end() || !modules->is_object()) return byDefault;
  for (const auto& [key, value] : modules->items())
    if (!value.is_boolean()) return byDefault;
  const auto stored = modules->find(id);
  return stored == modules->end() ? byDefault : stored->get<bool>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder home;
  const auto path =
      fuzz::settingsFile(home, "vuda-verer.json", std::string(reinterpret_cast<const char*>(data), size));
  // What the file holds, as the shell and both modules read their files.
  const auto conf = readJsonObject(path).object.value_or(nlohmann::json::object());

  World world(home.path());
  auto& shell = *world.umbrella;
  const auto tab = conf.find("tab");
  check(shell.tab == (tab != conf.end() && tab->is_string() ? tab->get<std::string>() : "mackie"));
  check(shell.on.size() == 2);
  check(shell.on.at("mackie") == expectedOn(conf, "mackie", true));
  check(shell.on.at("midikeys") == expectedOn(conf, "midikeys", false));
  // A module is switched on at start exactly when it is on.
  check((world.mackie->calls == std::vector<std::string>{"on"}) == shell.on.at("mackie"));
  check((world.midikeys->calls == std::vector<std::string>{"on"}) == shell.on.at("midikeys"));
  shell.menu();

  const bool midikeysOn = !shell.on.at("midikeys");
  shell.setModule("midikeys", midikeysOn);
  shell.setTab("midikeys");
  shell.stop();

  const auto saved = nlohmann::json::parse(home.read(".config/vuda-verer.json"), nullptr, false);
  check(saved.is_object());
  check(saved.at("tab") == "midikeys");
  check(saved.at("modules") == nlohmann::json({{"mackie", shell.on.at("mackie")}, {"midikeys", midikeysOn}}));
  for (const auto& [key, value] : conf.items())
    if (key != "tab" && key != "modules") check(saved.at(key) == value);

  World again(home.path());
  check(again.umbrella->tab == "midikeys" && again.umbrella->on == shell.on);
  return 0;
}
