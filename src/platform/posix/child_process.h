// Running a helper program without waiting for it: the loop watches the child's output and its exit, and a
// timer bounds how long it may run. The loop carries MIDI, so a slow, hung or chatty child must never hold
// it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop.h"

struct ProcessResult {
  // False when the program could not be run at all; `error` is then the system's description of why.
  bool started = false;
  std::string error;
  // Standard output and standard error as they arrived, at most MAX_PROCESS_OUTPUT bytes of them.
  std::string output;
  // The exit status; 128 + the signal number when a signal ended the child.
  int status = -1;
  // The time ran out before the output ended and the child exited; it and everything it started were killed,
  // and `output` holds what came before.
  bool timedOut = false;
};

// Output beyond this is read and dropped, so the child is never stalled on a full pipe.
inline constexpr std::size_t MAX_PROCESS_OUTPUT = 1024 * 1024;

// A child being run. Dropping the last handle before its result came kills the child and whatever it started,
// and the result never comes.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
};

// Starts `program` (a path: no shell, no search of PATH) with `args`, the same environment, working folder
// and standard input, and both output streams into one pipe, then returns at once. `done` runs once, on the
// loop: when the output has ended and the child has exited; or `timeoutSeconds` after the start, once the
// child's whole process group is killed; or soon, with `started` false, when the program could not be run.
std::shared_ptr<ChildProcess> startProcess(Loop& loop, const std::string& program,
                                           const std::vector<std::string>& args, double timeoutSeconds,
                                           std::function<void(ProcessResult)> done);
