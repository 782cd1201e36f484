// The user's home and Documents folders: environment, password database and the XDG user-dirs file.
#include "platform/posix/user_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvironmentValue {
 public:
  EnvironmentValue(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~EnvironmentValue() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DocumentsFolder, ReadsTheConfiguredFolderAndFallsBackToDocumentsInHome) {
  const std::string home = "/home/ada";
  const std::string fallback = "/home/ada/Documents";
  const std::pair<const char*, std::string> cases[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n", "/home/ada/Papers"},
      {"# XDG_DOCUMENTS_DIR=\"$HOME/Off\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n", fallback},
      {"  XDG_DOCUMENTS_DIR = \"/srv/docs/\"  # shared\r\n", "/srv/docs"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"", "/home/ada/My \"Docs\""},
      {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/B\"\n", "/home/ada/B"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/\"\n", fallback},  // switched off later
      {"XDG_DOCUMENTS_DIR=\"$HOME\"", fallback},
      {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"", fallback},
      {"XDG_DOCUMENTS_DIR=\"Documents\"", fallback},
      {"XDG_DOCUMENTS_DIR=\"$HOME/unclosed", fallback},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(posix::documentsFolderFrom(text, home), expected) << text;
  EXPECT_EQ(posix::documentsFolderFrom("", "/home/ada/"), fallback);
}

TEST(DocumentsFolder, ReadsTheUserDirsFileUnderTheConfigFolder) {
  const TempFolder config;
  config.write("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  {
    const EnvironmentValue configHome("XDG_CONFIG_HOME", config.path().c_str());
    EXPECT_EQ(posix::documentsFolder("/home/ada"), "/home/ada/Papers");
  }
  // Without XDG_CONFIG_HOME the file is looked for in home/.config, here absent.
  const EnvironmentValue configHome("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(posix::documentsFolder(config.path()), config.path() + "/Documents");
}

TEST(HomeFolder, PrefersHomeFromTheEnvironmentThenThePasswordDatabase) {
  {
    const EnvironmentValue home("HOME", "/home/ada");
    EXPECT_EQ(posix::homeFolder(), "/home/ada");
  }
  for (const char* value : {"", static_cast<const char*>(nullptr)}) {
    const EnvironmentValue home("HOME", value);
    const std::string found = posix::homeFolder();
    EXPECT_FALSE(found.empty());
    EXPECT_EQ(found.front(), '/');
  }
}

}  // namespace
