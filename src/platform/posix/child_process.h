// Running a helper program and collecting what it prints. The colour helpers are run this way; the caller
// waits for them, so a hung or chatty child must never freeze or flood the application.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// Runs `program` (a path: no shell, no search of PATH) with `args`, the same environment, working folder and
// standard input, and both output streams into one pipe. Returns when the output has ended and the child has
// exited, or after `timeoutSeconds`, when the child's whole process group is killed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         double timeoutSeconds);
