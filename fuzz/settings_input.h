// The settings targets' input: a settings file in a home of the target's own.
#pragma once

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace fuzz {

// The text as the settings file `name` in ~/.config of `home`, where nothing the last input left remains;
// its path.
inline std::string settingsFile(const TempFolder& home, const std::string& name, const std::string& text) {
  std::filesystem::remove_all(home.path() + "/.config");
  return home.write(".config/" + name, text);
}

}  // namespace fuzz
