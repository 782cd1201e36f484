// The shell's own settings file: one JSON object, read whole and rewritten whole (atomically) with every
// change, so that keys the shell does not know survive.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

class JSONFile {
 public:
  explicit JSONFile(std::string path) : path_(std::move(path)) {}

  // The file's object; empty when the file is missing, unreadable, not JSON or not an object.
  nlohmann::json read() const;
  // Reads, edits in place, and writes the whole object back; a failed write is lost silently.
  void change(const std::function<void(nlohmann::json&)>& edit) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
