// What the settings targets share: their input as a settings file in a home of their own, and the checks
// both engines must pass after reading it.
#pragma once

#include <filesystem>
#include <string>

#include "check.h"
#include "support/temp_folder.h"

namespace fuzz {

// The text as the settings file `name` in ~/.config of `home`, where nothing the last input left remains;
// its path.
inline std::string settingsFile(const TempFolder& home, const std::string& name, const std::string& text) {
  std::filesystem::remove_all(home.path() + "/.config");
  return home.write(".config/" + name, text);
}

// A new row takes an id that no row has, whatever ids the file held (either engine).
template <typename Engine>
void checkAddTakesAFreshId(Engine& engine) {
  const auto before = engine.view().rows;
  engine.add();
  check(engine.view().rows.size() == before.size() + 1);
  for (const auto& row : before)
    check(row.id != engine.view().rows.back().id);
}

}  // namespace fuzz
