// Reading and writing the settings files (see the header).
#include "common/json_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

// The temporary file of a save is the target's name, this, and six random characters.
constexpr const char* TEMP_INFIX = ".saving-";

// A save killed before its rename leaves its temporary file behind; the next save of the same file removes
// it, so that crashes never pile files up beside the settings. One process writes a given file, from one
// thread.
void removeLeftTemps(const std::filesystem::path& target) {
  namespace fs = std::filesystem;
  const auto stem = target.filename().string() + TEMP_INFIX;
  std::error_code ec;
  for (fs::directory_iterator at(target.has_parent_path() ? target.parent_path() : ".", ec), end;
       !ec && at != end; at.increment(ec)) {
    const auto name = at->path().filename().string();
    if (name.size() == stem.size() + 6 && name.rfind(stem, 0) == 0) fs::remove(at->path(), ec);
  }
}

}  // namespace

bool writeJsonAtomically(const std::string& link, const nlohmann::json& value, std::string* failure) {
  namespace fs = std::filesystem;
  const auto failed = [failure](const std::string& why) {
    if (failure) *failure = why;
    return false;
  };
  std::error_code ec;
  const std::string path = followLinks(link);
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  std::string text;
  try {
    // Invalid UTF-8 in a stored text is replaced rather than making the whole save fail.
    text = value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  } catch (...) {
    return failed("it could not be written as JSON");
  }
  removeLeftTemps(target);
  auto temp = path + TEMP_INFIX + "XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return failed(std::strerror(errno));
  // mkstemp makes the file private; keep the old file's permissions, or the usual ones for a new file.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool ok = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const std::string why = std::strerror(errno);
  ::close(fd);
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = ok ? std::strerror(errno) : why;
    ::unlink(temp.c_str());
    return failed(reason);
  }
  return true;
}

bool keepAside(const std::string& path, const std::string& suffix) {
  return std::rename(path.c_str(), (path + suffix).c_str()) == 0;
}

std::optional<std::string> keepUnreadable(const std::string& path) {
  if (!keepAside(path, ".broken")) return std::nullopt;
  const auto name = std::filesystem::path(path).filename().string();
  return "the settings file did not read as JSON: it is kept as " + name + ".broken";
}

std::vector<std::string> SettingsSaves::save(const std::string& path, const nlohmann::json& value) {
  std::vector<std::string> lines;
  std::optional<std::string> kept;
  if (keepAside_) {
    kept = keepUnreadable(path);
    // Not kept and still there (a read-only folder): tried again at the next save, before anything replaces
    // it.
    std::error_code ec;
    keepAside_ = !kept && std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  }
  std::string failure;
  const bool written = writeJsonAtomically(path, value, &failure);
  if (kept) lines.push_back(*kept + (written ? ", and a fresh one is written" : ""));
  if (written) {
    keepAside_ = false;
    failing_ = false;
  } else if (!failing_) {
    failing_ = true;
    lines.push_back("not saved: " + std::filesystem::path(path).filename().string() +
                    " could not be written (" + failure + "); the table stays as it is in memory");
  }
  return lines;
}
