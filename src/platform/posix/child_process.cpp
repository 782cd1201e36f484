// Child processes through posix_spawn: glibc reports a failed exec as the spawn's own error (so "could not
// start" needs no extra pipe), and the child gets its own process group before it runs.
#include "platform/posix/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Closes the descriptor on every way out.
struct OwnedFd {
  int fd = -1;
  ~OwnedFd() { close(); }
  void close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

std::string describe(int err) {
  char buffer[256];
  return strerror_r(err, buffer, sizeof buffer);  // the GNU form, which may return its own static text
}

// A pipe end that lands on 0, 1 or 2 (when the parent runs with one of them closed) would collide with the
// child's standard streams, so it is moved above them.
int aboveStdio(int fd) {
  if (fd < 0 || fd > 2) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

Clock::duration limitOf(double seconds) {
  if (!(seconds > 0)) return Clock::duration::zero();  // negative or NaN: no time at all
  seconds = std::min(seconds, 1e9);                    // ~30 years; keeps the clock arithmetic in range
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int millisecondsUntil(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  // Rounded up, so a wait never ends just before the deadline and spins.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

int exitStatus(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

// True once the child is gone. ECHILD counts as gone: with SIGCHLD ignored the system reaps it for us and its
// status is lost.
bool reap(pid_t pid, int options, int& status) {
  for (;;) {
    int wstatus = 0;
    const pid_t got = waitpid(pid, &wstatus, options);
    if (got == pid) {
      status = exitStatus(wstatus);
      return true;
    }
    if (got == 0) return false;
    if (errno != EINTR) return true;
  }
}

void keep(std::string& output, const char* bytes, std::size_t count) {
  const std::size_t room = MAX_PROCESS_OUTPUT - std::min(output.size(), MAX_PROCESS_OUTPUT);
  output.append(bytes, std::min(count, room));
}

// Reads until the end of output or the deadline. True when the end was reached.
bool readToEnd(int fd, Clock::time_point deadline, std::string& output) {
  char buffer[64 * 1024];
  // The deadline is checked before every read: a child that never stops writing must still time out.
  while (Clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    const int n = poll(&ready, 1, millisecondsUntil(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
      keep(output, buffer, static_cast<std::size_t>(got));
    } else if (got == 0) {
      return true;
    } else if (errno != EINTR && errno != EAGAIN) {
      return true;  // the pipe cannot be read any more; what came so far is all there is
    }
  }
  return false;
}

// Waits for the child's exit until the deadline. Output has ended, so it is normally gone already; the short,
// growing naps only matter for a child that closed its output and went on running.
bool waitForExit(pid_t pid, Clock::time_point deadline, int& status) {
  auto nap = std::chrono::milliseconds(1);
  while (!reap(pid, WNOHANG, status)) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(nap, left));
    nap = std::min(nap * 2, std::chrono::milliseconds(50));
  }
  return true;
}

// Picks up what was written before a kill without waiting: a process that left the group could hold the pipe
// open for ever, so this reads only what is there, and only a bounded amount of it.
void drainWhatIsThere(int fd, std::string& output) {
  char buffer[64 * 1024];
  for (int round = 0; round < 32; ++round) {
    pollfd ready{fd, POLLIN, 0};
    const int n = poll(&ready, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    keep(output, buffer, static_cast<std::size_t>(got));
  }
}

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  int error = 0;

  explicit SpawnSetup(int outputFd) {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    note(posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO));
    note(posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO));
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Our own descriptors are close-on-exec; this also keeps out any a library opened without the flag.
    note(posix_spawn_file_actions_addclosefrom_np(&actions, 3));
#endif
    // Its own process group, so a timeout can kill whatever it started too; no blocked signals, and the
    // default action for the ones a program expects to find at their default.
    note(posix_spawnattr_setflags(&attributes,
                                  POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    note(posix_spawnattr_setpgroup(&attributes, 0));
    sigset_t signals;
    sigemptyset(&signals);
    note(posix_spawnattr_setsigmask(&attributes, &signals));
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGXFSZ);
    note(posix_spawnattr_setsigdefault(&attributes, &signals));
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  void note(int err) {
    if (error == 0) error = err;
  }
};

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         double timeoutSeconds) {
  ProcessResult result;
  const Clock::time_point deadline = Clock::now() + limitOf(timeoutSeconds);

  // A NUL byte would silently cut an argument short.
  auto hasNul = [](const std::string& text) { return text.find('\0') != std::string::npos; };
  if (hasNul(program) || std::any_of(args.begin(), args.end(), hasNul)) {
    result.error = describe(EINVAL);
    return result;
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    result.error = describe(errno);
    return result;
  }
  OwnedFd readEnd{aboveStdio(ends[0])};
  OwnedFd writeEnd{aboveStdio(ends[1])};
  if (readEnd.fd < 0 || writeEnd.fd < 0) {
    result.error = describe(errno);
    return result;
  }

  pid_t pid = -1;
  int err = 0;
  {
    SpawnSetup setup(writeEnd.fd);
    err = setup.error;
    if (err == 0)
      err = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
  }
  // From here only the child's side holds the write end, so the output ends when it and its children are
  // done.
  writeEnd.close();
  if (err != 0) {
    result.error = describe(err);
    return result;
  }
  result.started = true;

  const bool finished =
      readToEnd(readEnd.fd, deadline, result.output) && waitForExit(pid, deadline, result.status);
  if (!finished) {
    // Out of time before the output ended or the child exited: the output is incomplete either way.
    result.timedOut = true;
    kill(-pid, SIGKILL);  // the group whose id is the child's pid: the child and what it started
    kill(pid, SIGKILL);   // in case the child moved itself to another group
    reap(pid, 0, result.status);
    drainWhatIsThere(readEnd.fd, result.output);
  }
  return result;
}
