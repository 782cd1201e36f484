// The user's home and Documents folders as Linux desktops define them, so files the user saves through
// other applications (such as controller scenes) can be found.
#pragma once

#include <string>
#include <string_view>

namespace posix {

// $HOME when set and not empty, else the password database's entry, else "/".
std::string homeFolder();

// The Documents folder the user configured in the XDG user-dirs file, else home + "/Documents".
std::string documentsFolder(const std::string& home);

// The Documents folder named in the text of a user-dirs file ("XDG_DOCUMENTS_DIR=\"$HOME/Docs\""), or
// home + "/Documents" when the text names none, names a relative path, or names the home folder itself
// (which the user-dirs convention uses to switch a folder off).
std::string documentsFolderFrom(std::string_view userDirsText, const std::string& home);

}  // namespace posix
