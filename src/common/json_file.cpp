// Reading and writing the settings files (see the header).
#include "common/json_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/json_nesting.h"

namespace {

// A settings file is a few kilobytes; anything far larger is not one of ours and is not read into memory.
constexpr std::uintmax_t MAX_BYTES = 64u << 20;
// A settings file nests four levels deep (a row's list of modifiers); far deeper text is not one of ours, and
// saving it again would recurse once per level and write a file that grows with the square of the depth.
constexpr int MAX_NESTING = 64;

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const auto n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

JsonFileRead readJsonObject(const std::string& path) {
  namespace fs = std::filesystem;
  JsonFileRead out;
  std::error_code ec;
  out.exists = fs::exists(fs::symlink_status(path, ec));
  if (!out.exists || !fs::is_regular_file(path, ec) || fs::file_size(path, ec) > MAX_BYTES || ec) return out;
  std::ifstream in(path, std::ios::binary);
  if (!in) return out;
  std::ostringstream text;
  text << in.rdbuf();
  const std::string content = text.str();
  if (jsonNesting::deeperThan(content, MAX_NESTING)) return out;
  auto value = nlohmann::json::parse(content, nullptr, false);
  if (!value.is_discarded() && value.is_object()) out.object = std::move(value);
  return out;
}

namespace {

// Where a settings file really is: a symbolic link (a dotfiles set-up) stays a link, and its target gets the
// new content. A loop of links ends at the last one read.
std::string followLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path at(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(at, ec))) break;
    const auto next = fs::read_symlink(at, ec);
    if (ec) break;
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  return at.string();
}

}  // namespace

bool writeJsonAtomically(const std::string& link, const nlohmann::json& value) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string path = followLinks(link);
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  std::string text;
  try {
    // Invalid UTF-8 in a stored text is replaced rather than making the whole save fail.
    text = value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  } catch (...) {
    return false;
  }
  auto temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  // mkstemp makes the file private; keep the old file's permissions, or the usual ones for a new file.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool ok = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool keepAside(const std::string& path, const std::string& suffix) {
  return std::rename(path.c_str(), (path + suffix).c_str()) == 0;
}

std::optional<std::string> keepUnreadable(const std::string& path) {
  if (!keepAside(path, ".broken")) return std::nullopt;
  const auto name = std::filesystem::path(path).filename().string();
  return "the settings file did not read as JSON: it is kept as " + name +
         ".broken, and a fresh one is written";
}
