// The scene search and its memory of folders (see the header). A folder is listed again when its time
// changed, since adding, removing or renaming an entry moves it; a scene file's own time is read at every
// search, since saving a file in place does not move its folder's.
#include "e16/scene_search.h"

#include <chrono>
#include <filesystem>
#include <string_view>
#include <utility>

#include "platform/clock.h"

namespace e16 {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view SCENE_SUFFIX = ".oxie16";
constexpr int SEARCH_DEPTH = 2;  // the root, its subfolders and theirs
// File systems stamp times coarsely (FAT to 2 s), so an entry added soon after a listing may leave its
// folder's time as it was: a folder stamped this close to the listing, or after it, is listed again.
constexpr double SETTLE_TIME = 2.0;

double seconds(fs::file_time_type t) {
  return std::chrono::duration<double>(std::chrono::file_clock::to_sys(t).time_since_epoch()).count();
}

}  // namespace

double modifiedTime(const std::string& path) {
  std::error_code ec;
  const auto t = fs::last_write_time(path, ec);
  return ec ? DISTANT_PAST : seconds(t);
}

SceneSearch::SceneSearch(std::string root, FolderLinks links) : root_(std::move(root)), links_(links) {}

std::optional<std::string> SceneSearch::newest() {
  // The file system's own clock, not the program's: folder times are stamped by it.
  const double now = seconds(std::chrono::file_clock::now());
  Folders reached;
  Best best{std::nullopt, DISTANT_PAST};
  search(root_, SEARCH_DEPTH, now, reached, best);
  // Folders gone from the tree are forgotten with it.
  folders_ = std::move(reached);
  return best.path;
}

void SceneSearch::search(const std::string& folder, int depth, double now, Folders& reached, Best& best) {
  // Read before listing, so that a change made during the listing moves the time past the one kept.
  const double time = modifiedTime(folder);
  auto known = folders_.extract(folder);
  const bool unchanged = !known.empty() && known.mapped().settled && known.mapped().time == time;
  // A map's elements stay in place as it grows, so `here` outlives the searches below.
  const Folder& here =
      reached.insert_or_assign(folder, unchanged ? std::move(known.mapped()) : list(folder, depth, time, now))
          .first->second;
  for (const Entry& entry : here.entries) {
    const std::string full = folder + "/" + entry.name;
    if (entry.kind == Kind::scene) {
      // Strictly later, so of files saved at the same moment the first found stays, and a file whose time
      // cannot be read never wins.
      const double t = modifiedTime(full);
      if (t > best.time) best = {full, t};
      continue;
    }
    std::error_code typeError;
    if (entry.kind == Kind::folder || (fs::is_directory(full, typeError) && !typeError))
      search(full, depth - 1, now, reached, best);
  }
}

SceneSearch::Folder SceneSearch::list(const std::string& folder, int depth, double time, double now) const {
  Folder out{time, false, {}};
  std::error_code ec;
  bool whole = true;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    if (name.ends_with(SCENE_SUFFIX)) {
      out.entries.push_back({std::move(name), Kind::scene});
      continue;
    }
    if (depth <= 0) continue;
    std::error_code typeError;
    const auto type = it->symlink_status(typeError).type();
    whole = whole && !typeError;
    if (type == fs::file_type::directory)
      out.entries.push_back({std::move(name), Kind::folder});
    else if (type == fs::file_type::symlink && links_ == FolderLinks::enter)
      // Where a link leads can change without its folder's time moving.
      out.entries.push_back({std::move(name), Kind::link});
  }
  // A listing cut short by an error is not kept: the folder may read again without its time moving.
  out.settled = whole && !ec && time > DISTANT_PAST && time < now - SETTLE_TIME;
  return out;
}

}  // namespace e16
