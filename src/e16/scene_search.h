// Finds the newest OXI E16 scene file in a folder tree, remembering what each folder held: a search of a tree
// that did not change reads a few time stamps instead of listing thousands of files on the main loop.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace e16 {

// How the search decides that an entry is a folder to look into.
enum class FolderLinks {
  skip,   // by the entry's own type: a symbolic link to a folder is not entered
  enter,  // by where the path leads: a symbolic link to a folder is entered
};

// A file's modification time in seconds since the epoch, following links; DISTANT_PAST when unreadable.
double modifiedTime(const std::string& path);

class SceneSearch {
 public:
  SceneSearch(std::string root, FolderLinks links);

  // The newest ".oxie16" file in the root, its subfolders and theirs; nothing when there is none.
  std::optional<std::string> newest();

 private:
  enum class Kind { scene, folder, link };  // a link is resolved again at every search
  struct Entry {
    std::string name;
    Kind kind;
  };
  // What one listing found, in the order it came, and the folder's time when it was listed.
  struct Folder {
    double time;
    bool settled;  // a later change is sure to move the folder's time
    std::vector<Entry> entries;
  };
  using Folders = std::unordered_map<std::string, Folder>;
  struct Best {
    std::optional<std::string> path;
    double time;
  };

  void search(const std::string& folder, int depth, double now, Folders& reached, Best& best);
  Folder list(const std::string& folder, int depth, double time, double now) const;

  std::string root_;
  FolderLinks links_;
  Folders folders_;  // by path, those the last search reached
};

}  // namespace e16
