// The shell's settings file (see the header).
#include "shell/json_settings.h"

#include "common/json_file.h"

nlohmann::json JSONFile::read() const {
  return readJsonObject(path_).object.value_or(nlohmann::json::object());
}

void JSONFile::change(const std::function<void(nlohmann::json&)>& edit) const {
  auto conf = read();
  edit(conf);
  // A write that fails leaves the old file whole; the shell has nothing better to do about it.
  writeJsonAtomically(path_, conf);
}
