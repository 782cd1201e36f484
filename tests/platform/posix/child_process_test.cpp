// Running a child process beside the loop: one pipe for both streams, exit and signal statuses, start
// failures, the time limit that reaches grandchildren, output floods, what the child inherits, and a child
// let go of.
#include "platform/posix/child_process.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/thread_loop.h"
#include "support/virtual_loop.h"

namespace {

constexpr double GENEROUS = 20.0;  // never reached by a working child; a deadlock shows up as timedOut

// Runs the program on a real-time loop and waits for its result.
ProcessResult run(const std::string& program, const std::vector<std::string>& args) {
  ThreadLoop loop;
  std::optional<ProcessResult> result;
  const auto child =
      startProcess(loop, program, args, GENEROUS, [&](ProcessResult r) { result = std::move(r); });
  EXPECT_TRUE(loop.runUntil([&] { return result.has_value(); }, GENEROUS + 10));
  return result.value_or(ProcessResult{});
}

// This process's children, exited ones not yet collected among them.
std::set<pid_t> children() {
  std::set<pid_t> pids;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream listed(task.path() / "children");
    for (pid_t pid = 0; listed >> pid;)
      pids.insert(pid);
  }
  return pids;
}

// One pipe for both streams, drained and capped: a child that writes more than is kept never blocks on it.
TEST(ChildProcess,
     BothStreamsArriveInOneCappedPipeArgumentsVerbatimStatusesAsNumbersAndNoOtherDescriptorIsInherited) {
  const std::tuple<std::vector<std::string>, std::string, int> cases[] = {
      {{"-c", "echo one; echo two >&2; echo three"}, "one\ntwo\nthree\n", 0},
      {{"-c", "printf '[%s]' \"$0\" \"$@\"", "a b", "'q'", "", "$HOME"}, "[a b]['q'][][$HOME]", 0},
      {{"-c", "exit 255"}, "", 255},
      {{"-c", "kill -TERM $$"}, "", 128 + SIGTERM},
      {{"-c", "head -c 5242880 /dev/zero"}, std::string(MAX_PROCESS_OUTPUT, '\0'), 0},
  };
  for (const auto& [args, output, status] : cases) {
    SCOPED_TRACE(args[1]);
    const ProcessResult r = run("/bin/sh", args);
    EXPECT_EQ(std::tuple(r.started, r.output, r.status, r.timedOut), std::tuple(true, output, status, false));
  }
  // A bare name is not looked up in PATH.
  for (const auto& [program, error] : {std::pair{"sh", ENOENT}, std::pair{"/etc/passwd", EACCES}}) {
    const ProcessResult r = run(program, {});
    EXPECT_EQ(std::pair(r.started, r.error), std::pair(false, std::string(std::strerror(error)))) << program;
  }
  EXPECT_FALSE(run("/bin/sh", {"-c", std::string("echo a\0b", 8)}).started);  // no NUL

  // No descriptor of the parent but the standard three reaches the child, though this one has no
  // close-on-exec.
  const int extra = dup(STDIN_FILENO);
  EXPECT_EQ(run("/bin/sh", {"-c", "ls /proc/$$/fd"}).output, "0\n1\n2\n");
  close(extra);
}

// The loop is never held: starting returns at once, the result comes only on the loop, and the time limit is
// the loop's own timer, exact to the loop's clock, which ends what the child started too.
TEST(ChildProcess, StartingReturnsAtOnceTheLimitIsTheLoopsTimerKillingGrandchildrenAndALetGoChildIsKilled) {
  VirtualLoop loop;
  std::optional<ProcessResult> result;
  const auto before = children();
  const std::vector<std::string> hang = {"-c", "sleep 30 & echo $!; sleep 30"};
  auto child = startProcess(loop, "/bin/sh", hang, 10, [&](ProcessResult r) { result = r; });
  loop.awaitWatched(5);  // the grandchild's pid, printed before the hang
  loop.advance(9.999);
  EXPECT_FALSE(result);
  loop.advance(0.001);
  ASSERT_TRUE(result);
  EXPECT_EQ(std::tuple(result->started, result->timedOut, result->status),
            std::tuple(true, true, 128 + SIGKILL));
  EXPECT_EQ(children(), before);  // collected, not left a zombie
  // The grandchild is gone (exited, if not yet reaped by its new parent).
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, std::atoi(result->output.c_str()), 0));
  pollfd exited{pidfd, POLLIN, 0};
  EXPECT_TRUE(pidfd < 0 ? errno == ESRCH : poll(&exited, 1, 5000) == 1) << result->output;
  if (pidfd >= 0) close(pidfd);

  // A start failure also comes on the loop, never from within the start.
  result.reset();
  child = startProcess(loop, "/nonexistent", {}, 10, [&](ProcessResult r) { result = r; });
  EXPECT_FALSE(result);
  loop.runDue();
  EXPECT_EQ(std::pair(result->started, result->error), std::pair(false, std::string(std::strerror(ENOENT))));

  // Let go of before it ended: killed and collected at once, and its result never comes.
  result.reset();
  child = startProcess(loop, "/bin/sh", {"-c", "sleep 30"}, 10, [&](ProcessResult r) { result = r; });
  EXPECT_EQ(children().size(), before.size() + 1);
  child.reset();
  EXPECT_EQ(children(), before);
  loop.advance(20);
  EXPECT_FALSE(result);
}

}  // namespace
