// The targets that read files write their input to a temporary folder at every run, and the settings files
// are synced to disk when saved: on a disk that costs milliseconds a run, in memory nothing.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace fuzz {

// Makes the temporary folders of this process live in /dev/shm when there is one, unless TMPDIR says where.
inline void preferMemoryFolder() {
  std::error_code ec;
  if (std::filesystem::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 0);
}

}  // namespace fuzz
