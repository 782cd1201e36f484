// The user's home and Documents folders (see the header).
#include "platform/posix/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

namespace posix {

namespace {

constexpr std::string_view KEY = "XDG_DOCUMENTS_DIR";
constexpr std::size_t MAX_USER_DIRS_BYTES = 1 << 20;  // the real file is a dozen short lines

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view space = " \t\r";
  const auto first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}

std::string joined(const std::string& folder, std::string_view name) {
  if (!folder.empty() && folder.back() == '/') return folder + std::string(name);
  return folder + "/" + std::string(name);
}

// The value part of one assignment: a double-quoted shell word in which a backslash takes the next
// character literally, optionally followed by a comment. Nothing when it is not quoted or not closed.
std::optional<std::string> quoted(std::string_view value) {
  if (value.empty() || value.front() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') {
      const auto after = trimmed(value.substr(i + 1));
      return after.empty() || after.front() == '#' ? std::optional(out) : std::nullopt;
    }
    if (c == '\\') {
      if (++i == value.size()) return std::nullopt;
      out += value[i];
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

// The folder a value names: "$HOME/..." below home, or an absolute path; nothing otherwise, and nothing
// for home itself.
std::optional<std::string> folderOf(const std::string& value, const std::string& home) {
  constexpr std::string_view HOME = "$HOME";
  std::string folder;
  if (value.starts_with(HOME)) {
    std::string_view rest = std::string_view(value).substr(HOME.size());
    if (!rest.empty() && rest.front() != '/') return std::nullopt;  // "$HOMEX" is another variable
    while (!rest.empty() && rest.front() == '/')
      rest.remove_prefix(1);
    if (rest.empty()) return std::nullopt;
    folder = joined(home, rest);
  } else if (value.starts_with('/')) {
    folder = value;
  } else {
    return std::nullopt;
  }
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  return folder;
}

std::optional<std::string> passwordHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size <= 0) size = 16384;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || found->pw_dir[0] == '\0')
    return std::nullopt;
  return std::string(found->pw_dir);
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text(MAX_USER_DIRS_BYTES, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

}  // namespace

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  return passwordHome().value_or("/");
}

std::string documentsFolderFrom(std::string_view text, const std::string& home) {
  // As when the file is sourced by a shell, the last assignment decides; lines that cannot be read are
  // passed over.
  std::optional<std::string> folder;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.starts_with(KEY)) continue;
    const std::string_view rest = trimmed(line.substr(KEY.size()));
    if (rest.empty() || rest.front() != '=') continue;
    const auto value = quoted(trimmed(rest.substr(1)));
    if (!value) continue;
    folder = folderOf(*value, home);
  }
  if (folder) return *folder;
  return joined(home, "Documents");
}

std::string documentsFolder(const std::string& home) {
  // A relative XDG_CONFIG_HOME is invalid by the XDG convention and is ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string folder =
      config != nullptr && config[0] == '/' ? std::string(config) : joined(home, ".config");
  return documentsFolderFrom(fileText(joined(folder, "user-dirs.dirs")), home);
}

}  // namespace posix
