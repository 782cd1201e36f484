// The Linux services (see the header).
#include "app/backends.h"

#include <cstdlib>

#include "platform/posix/user_folders.h"

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

Backends::Backends(const Options& options)
    : midi(chooseMidi(loop, options.midi)),
      home(posix::homeFolder()),
      documents(posix::documentsFolder(home)),
      winePrefix(environment("WINEPREFIX").empty() ? home + "/.wine" : environment("WINEPREFIX")) {}
