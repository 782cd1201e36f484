// Each module's screen, made for the window that shows it.
#include "ui/module_views.h"

#include <functional>
#include <map>
#include <string>

#include "shell/mackie_module.h"
#include "shell/midikeys_module.h"
#include "ui/keystroke/section.h"
#include "ui/mackie/section.h"

namespace ui {

namespace {

// The module of each id is the shell's own class: a module of another class under the same id has no screen.
template <class Module>
Module* as(LiveModule& module) {
  return dynamic_cast<Module*>(&module);
}

const std::map<std::string, std::function<QWidget*(LiveModule&)>> SCREENS = {
    {"mackie",
     [](LiveModule& m) -> QWidget* {
       auto* mk = as<MackieModule>(m);
       return mk ? new MKSection(mk->engine) : nullptr;
     }},
    {"midikeys",
     [](LiveModule& m) -> QWidget* {
       auto* ks = as<MidiKeysModule>(m);
       return ks ? new KSSection(ks->engine) : nullptr;
     }},
};

}  // namespace

QWidget* screenOf(LiveModule& module) {
  const auto found = SCREENS.find(module.id());
  return found == SCREENS.end() ? nullptr : found->second(module);
}

}  // namespace ui
