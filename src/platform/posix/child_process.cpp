// Child processes through posix_spawn: glibc reports a failed exec as the spawn's own error (so "could not
// start" needs no extra pipe), and the child gets its own process group before it runs. Its exit is watched
// through a pidfd, which the loop can watch like the output pipe.
#include "platform/posix/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;

namespace {

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

int exitStatus(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

// Collects a child that has exited or was killed. ECHILD counts as collected: with SIGCHLD ignored the system
// reaps it for us and its status is lost.
void reap(pid_t pid, int& status) {
  int wstatus = 0;
  pid_t got = -1;
  do {
    got = waitpid(pid, &wstatus, 0);
  } while (got < 0 && errno == EINTR);
  if (got == pid) status = exitStatus(wstatus);
}

void keep(std::string& output, const char* bytes, std::size_t count) {
  const std::size_t room = MAX_PROCESS_OUTPUT - std::min(output.size(), MAX_PROCESS_OUTPUT);
  output.append(bytes, std::min(count, room));
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

// One child from its start to its result. Every loop callback holds it weakly: once its owner let go, nothing
// of it runs.
class Running final : public ChildProcess, public std::enable_shared_from_this<Running> {
 public:
  Running(Loop& loop, std::function<void(ProcessResult)> done) : loop_(loop), done_(std::move(done)) {}
  ~Running() override {
    cancelWatches();
    stopChild();
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  void start(const std::string& program, const std::vector<std::string>& args, double timeoutSeconds) {
    const std::weak_ptr<Running> weak = weak_from_this();
    const auto later = [weak](void (Running::*step)()) {
      return [weak, step] {
        if (const auto self = weak.lock()) (self.get()->*step)();
      };
    };
    if (const int err = spawn(program, args); err != 0) {
      result_.error = describe(err);
      loop_.post(later(&Running::finish));
      return;
    }
    result_.started = true;
    outputWatch_ = loop_.watch(output_.fd, later(&Running::readOutput));
    exitWatch_ = loop_.watch(pidfd_.fd, later(&Running::exited));
    const double seconds = timeoutSeconds > 0 ? std::min(timeoutSeconds, 1e9) : 0;  // NaN: no time at all
    timer_ = loop_.after(seconds, later(&Running::timeUp));
  }

 private:
  // Starts the child with its output on a non-blocking pipe and a pidfd that becomes readable when it exits;
  // answers 0 or the error.
  int spawn(const std::string& program, const std::vector<std::string>& args) {
    // A NUL byte would silently cut an argument short.
    auto hasNul = [](const std::string& text) { return text.find('\0') != std::string::npos; };
    if (hasNul(program) || std::any_of(args.begin(), args.end(), hasNul)) return EINVAL;
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return errno;
    output_.fd = aboveStdio(ends[0]);
    OwnedFd writeEnd{aboveStdio(ends[1])};
    if (output_.fd < 0 || writeEnd.fd < 0) return errno;
    // Only our end must never block; the child's blocks as any standard output does.
    if (fcntl(output_.fd, F_SETFL, O_NONBLOCK) != 0) return errno;

    int err = 0;
    {
      SpawnSetup setup(writeEnd.fd);
      err = setup.error;
      if (err == 0)
        err = posix_spawn(&pid_, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    }
    // From here only the child's side holds the write end, so the output ends when it and its children are
    // done.
    writeEnd.close();
    if (err != 0) {
      pid_ = -1;
      return err;
    }
    // Until the child is collected its pid cannot be taken by another process, so this pidfd is its own.
    pidfd_.fd = aboveStdio(static_cast<int>(syscall(SYS_pidfd_open, pid_, 0)));
    if (pidfd_.fd < 0) {
      err = errno;
      stopChild();
      return err;
    }
    return 0;
  }

  void readOutput() {
    char buffer[64 * 1024];
    // A bounded number of reads per wake, so that a flood never keeps the loop to itself; it calls again.
    for (int round = 0; round < 16; ++round) {
      const ssize_t got = read(output_.fd, buffer, sizeof buffer);
      if (got > 0) {
        keep(result_.output, buffer, static_cast<std::size_t>(got));
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      // The end, or a pipe that cannot be read any more: what came so far is all there is.
      outputWatch_->cancel();
      output_.close();
      outputEnded_ = true;
      if (exited_) finish();
      return;
    }
  }

  void exited() {
    // Collected only at the end: while it is not, its pid and its group's id stay reserved, so the kill at
    // the time-out can never reach a stranger.
    exitWatch_->cancel();
    pidfd_.close();
    exited_ = true;
    if (outputEnded_) finish();
  }

  void timeUp() {
    // Out of time before the output ended or the child exited: the output is incomplete either way.
    result_.timedOut = true;
    cancelWatches();
    stopChild();
    if (output_.fd >= 0) drainWhatIsThere(output_.fd, result_.output);
    finish();
  }

  void finish() {
    cancelWatches();
    if (pid_ > 0) reap(pid_, result_.status);  // it has exited: no wait
    pid_ = -1;
    output_.close();
    pidfd_.close();
    // The owner may let go of this object in `done`; the caller's lock keeps it alive until it returns.
    if (auto done = std::exchange(done_, nullptr)) done(std::move(result_));
  }

  // Kills the child's whole group (what it started too) and collects it. Never without a child: as root,
  // kill(-1) would end every process on the machine.
  void stopChild() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGKILL);  // the group whose id is the child's pid
    kill(pid_, SIGKILL);   // in case the child moved itself to another group
    reap(pid_, result_.status);
    pid_ = -1;
  }

  void cancelWatches() {
    for (const TaskHandle& task : {outputWatch_, exitWatch_, timer_})
      if (task) task->cancel();
  }

  Loop& loop_;
  std::function<void(ProcessResult)> done_;
  ProcessResult result_;
  pid_t pid_ = -1;
  OwnedFd output_;
  OwnedFd pidfd_;
  TaskHandle outputWatch_, exitWatch_, timer_;
  bool outputEnded_ = false;
  bool exited_ = false;
};

}  // namespace

std::shared_ptr<ChildProcess> startProcess(Loop& loop, const std::string& program,
                                           const std::vector<std::string>& args, double timeoutSeconds,
                                           std::function<void(ProcessResult)> done) {
  auto running = std::make_shared<Running>(loop, std::move(done));
  running->start(program, args, timeoutSeconds);
  return running;
}
