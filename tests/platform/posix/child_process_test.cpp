// Running a child process: one pipe for both streams, exit and signal statuses, start failures, timeouts
// that reach grandchildren, output floods, and what the child inherits.
#include "platform/posix/child_process.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

constexpr double GENEROUS = 20.0;  // never reached by a working child; a deadlock shows up as timedOut

TEST(ChildProcess,
     BothStreamsArriveInOnePipeArgumentsVerbatimStatusesAsNumbersAndNoOtherDescriptorIsInherited) {
  const std::tuple<std::vector<std::string>, const char*, int> cases[] = {
      {{"-c", "echo one; echo two >&2; echo three"}, "one\ntwo\nthree\n", 0},
      {{"-c", "printf '[%s]' \"$0\" \"$@\"", "a b", "'q'", "", "$HOME"}, "[a b]['q'][][$HOME]", 0},
      {{"-c", "exit 255"}, "", 255},
      {{"-c", "kill -TERM $$"}, "", 128 + SIGTERM},
  };
  for (const auto& [args, output, status] : cases) {
    SCOPED_TRACE(args[1]);
    const ProcessResult r = runProcess("/bin/sh", args, GENEROUS);
    EXPECT_EQ(std::tuple(r.started, r.output, r.status, r.timedOut), std::tuple(true, output, status, false));
  }
  // A bare name is not looked up in PATH.
  for (const auto& [program, error] : {std::pair{"sh", ENOENT}, std::pair{"/etc/passwd", EACCES}}) {
    const ProcessResult r = runProcess(program, {}, GENEROUS);
    EXPECT_EQ(std::pair(r.started, r.error), std::pair(false, std::string(std::strerror(error)))) << program;
  }
  EXPECT_FALSE(runProcess("/bin/sh", {"-c", std::string("echo a\0b", 8)}, GENEROUS).started);  // no NUL

  // No descriptor of the parent but the standard three reaches the child, though this one has no
  // close-on-exec.
  const int extra = dup(STDIN_FILENO);
  EXPECT_EQ(runProcess("/bin/sh", {"-c", "ls /proc/$$/fd"}, GENEROUS).output, "0\n1\n2\n");
  close(extra);
}

TEST(ChildProcess, AHangingChildAndItsGrandchildAreKilledAtTheTimeoutAndAFloodIsDrainedAndCapped) {
  const ProcessResult r = runProcess("/bin/sh", {"-c", "sleep 30 & echo $!; sleep 30"}, 0.3);
  EXPECT_EQ(std::tuple(r.started, r.timedOut, r.status), std::tuple(true, true, 128 + SIGKILL));
  // The grandchild, printed before the hang, is gone (exited, if not yet reaped by its new parent).
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, std::atoi(r.output.c_str()), 0));
  pollfd exited{pidfd, POLLIN, 0};
  EXPECT_TRUE(pidfd < 0 ? errno == ESRCH : poll(&exited, 1, 5000) == 1) << r.output;
  if (pidfd >= 0) close(pidfd);

  // Drained and capped: a child that writes more than is kept is never blocked on a full pipe.
  const ProcessResult big = runProcess("/bin/sh", {"-c", "head -c 5242880 /dev/zero"}, GENEROUS);
  EXPECT_EQ(std::pair(big.status, big.output), std::pair(0, std::string(MAX_PROCESS_OUTPUT, '\0')));
}
