// Running a child process: one pipe for both streams, exit and signal statuses, start failures, timeouts
// that reach grandchildren, output floods, and what the child inherits.
#include "platform/posix/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double GENEROUS = 20.0;  // never reached by a working child; a deadlock shows up as timedOut

ProcessResult sh(const std::string& script, double timeout = GENEROUS) {
  return runProcess("/bin/sh", {"-c", script}, timeout);
}

// Whether the process is gone (exited, even if not yet reaped by its new parent). Waits on a pidfd for the
// exit event itself rather than sleeping; the 5 s bound only matters when the test is failing.
bool processEnds(pid_t pid) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return errno == ESRCH;
  pollfd ready{fd, POLLIN, 0};
  const int n = poll(&ready, 1, 5000);
  close(fd);
  return n == 1;
}

TEST(ChildProcess, BothStreamsArriveInOnePipeInOrderArgumentsVerbatimAndExitsAndSignalsAsNumbers) {
  const struct {
    const char* script;
    const char* output;
    int status;
  } cases[] = {
      {"echo one; echo two >&2; echo three", "one\ntwo\nthree\n", 0},
      {"tr '\\0' '|' < /proc/$$/cmdline", "/bin/sh|-c|tr '\\0' '|' < /proc/$$/cmdline|", 0},
      {"exit 255", "", 255},
      {"kill -TERM $$", "", 128 + SIGTERM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const ProcessResult r = sh(c.script);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.output, c.output);
    EXPECT_EQ(r.status, c.status);
    EXPECT_FALSE(r.timedOut);
  }
  EXPECT_EQ(
      runProcess("/bin/sh", {"-c", "printf '[%s]' \"$@\"", "sh", "a b", "'q'", "", "$HOME"}, GENEROUS).output,
      "[a b]['q'][][$HOME]");
  // A bare name is not looked up in PATH.
  for (const auto& [program, error] : {std::pair{"sh", ENOENT}, std::pair{"/etc/passwd", EACCES}}) {
    const ProcessResult r = runProcess(program, {}, GENEROUS);
    EXPECT_FALSE(r.started) << program;
    EXPECT_EQ(r.error, std::strerror(error)) << program;
  }
  EXPECT_FALSE(runProcess("/bin/sh", {"-c", std::string("echo a\0b", 8)}, GENEROUS).started);
}

TEST(ChildProcess, AHangingChildAndItsGrandchildAreKilledAtTheTimeoutAsIsOneThatNeverStopsWriting) {
  const ProcessResult r = sh("sleep 30 & echo $!; sleep 30", 0.3);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.status, 128 + SIGKILL);
  ASSERT_NE(r.output, "");
  const pid_t grandchild = std::stoi(r.output);  // printed before the hang, so kept through the kill
  EXPECT_TRUE(processEnds(grandchild));

  const ProcessResult flood = runProcess("/usr/bin/yes", {}, 0.3);
  EXPECT_TRUE(flood.timedOut);
  EXPECT_EQ(flood.status, 128 + SIGKILL);
  // Drained and capped: a child that writes more than is kept is never blocked on a full pipe.
  const ProcessResult r5 =
      runProcess("/usr/bin/python3", {"-c", "import sys; sys.stdout.write('a' * (5 << 20))"}, GENEROUS);
  EXPECT_EQ(r5.status, 0);
  EXPECT_EQ(r5.output, std::string(MAX_PROCESS_OUTPUT, 'a'));
}

TEST(ChildProcess, StandardInputIsInheritedAndNoOtherDescriptorOfTheParentLeaksIntoTheChild) {
  int feed[2];
  ASSERT_EQ(pipe(feed), 0);
  ASSERT_EQ(write(feed[1], "from parent", 11), 11);
  close(feed[1]);
  const int saved = dup(STDIN_FILENO);
  ASSERT_GE(saved, 0);
  dup2(feed[0], STDIN_FILENO);
  close(feed[0]);
  const ProcessResult r = sh("cat");
  dup2(saved, STDIN_FILENO);
  close(saved);
  EXPECT_EQ(r.output, "from parent");
  const int open = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(open, 3);
  const ProcessResult fds = sh("ls /proc/$$/fd");
  close(open);
  EXPECT_EQ(fds.output, "0\n1\n2\n");
}

}  // namespace
