// The modules' settings files: one JSON object each, read whole, written whole and atomically, so that a
// crash or a full disk never leaves half a file behind.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

struct JsonFileRead {
  bool exists = false;                   // there is a file at the path
  std::optional<nlohmann::json> object;  // its content, when it is a JSON object
};

JsonFileRead readJsonObject(const std::string& path);

// Creates the folders, writes the value pretty-printed with sorted keys to a temporary file beside the target
// and renames it over the target; when the path is a symbolic link, the target is the file it leads to. False
// on any failure, whose reason goes to `failure` when given; the old file is then untouched.
bool writeJsonAtomically(const std::string& path, const nlohmann::json& value,
                         std::string* failure = nullptr);

// Renames the file to `path + suffix`, replacing an older one. False when there was nothing to keep.
bool keepAside(const std::string& path, const std::string& suffix);

// A settings file that is there but does not read would be overwritten with defaults at the next save, losing
// the user's table: before that save it is kept as `<file>.broken`. Answers the line for the trace, or
// nothing when there was nothing to keep.
std::optional<std::string> keepUnreadable(const std::string& path);

// One module's saves of its settings file, and the trace lines they call for. A file that was there but did
// not read is kept aside before the first save that can keep it. A failed save is said once, and again only
// once a save has worked in between, so that a full disk or a read-only folder does not fill the trace; the
// table stays in memory whatever happens, and no line claims a file that was not written.
class SettingsSaves {
 public:
  // After reading the file: whether it was there but unreadable.
  void read(bool unreadable) { keepAside_ = unreadable; }
  // Writes `value` to `path`; answers the lines for the trace (none, usually).
  std::vector<std::string> save(const std::string& path, const nlohmann::json& value);

 private:
  bool keepAside_ = false;
  bool failing_ = false;
};

// The trace line of a save asked for before the settings file was read: refused, so that the defaults never
// replace a table that nobody has seen yet.
inline constexpr const char* NOT_READ_YET = "not saved: the settings file has not been read yet";
