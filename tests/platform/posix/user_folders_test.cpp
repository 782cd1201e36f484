// The user's home and Documents folders: environment, password database and the XDG user-dirs file.
#include "platform/posix/user_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/temp_folder.h"

TEST(UserFolders, DocumentsIsTheConfiguredFolderOrDocumentsInAHomeFromTheEnvironmentOrPasswords) {
  const std::string fallback = "/home/ada/Documents";
  const std::pair<const char*, std::string> cases[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n", "/home/ada/Papers"},
      {"# XDG_DOCUMENTS_DIR=\"$HOME/Off\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n", fallback},
      {"  XDG_DOCUMENTS_DIR = \"/srv/docs/\"  # shared\r\n", "/srv/docs"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"", "/home/ada/My \"Docs\""},
      {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/\"\n", fallback},  // switched off later
      {"XDG_DOCUMENTS_DIR=\"Documents\"", fallback},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(posix::documentsFolderFrom(text, "/home/ada"), expected) << text;

  // The file under the config folder, and home from the environment or else the password database. The
  // environment is this test's own; HOME is put back.
  const std::string home = getenv("HOME") ? getenv("HOME") : "";
  const TempFolder config;
  config.write("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  EXPECT_EQ(posix::documentsFolder("/home/ada"), "/home/ada/Papers");
  // Without XDG_CONFIG_HOME the file is looked for in home/.config, here absent.
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(posix::documentsFolder(config.path()), config.path() + "/Documents");

  setenv("HOME", "", 1);
  EXPECT_EQ(posix::homeFolder().substr(0, 1), "/") << "from the password database";
  home.empty() ? unsetenv("HOME") : setenv("HOME", home.c_str(), 1);
}
