// The notification command as a child process, watched with poll() on a pidfd beside the stop
// signal, so that neither a hung command nor a stop request is waited out.
#include "notify/CommandDelivery.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "notify/StopSignal.h"

extern char** environ;

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kKeptErrorBytes = 300;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

std::string StatusText(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("killed by signal ") + strsignal(WTERMSIG(status));
  return "ended oddly";
}

int PidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// Spawns /bin/sh -c `command` in a new process group with default signal handling, its standard
// input `input`, standard output /dev/null and standard error `error`.
pid_t Spawn(const std::string& command, int input, int error, std::string& failure) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO);
  // The service may block or ignore signals for its own handling; the command starts clean.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t pid = -1;
  const int result =
      posix_spawn(&pid, "/bin/sh", &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) {
    failure = std::string("cannot start /bin/sh: ") + std::strerror(result);
    return -1;
  }
  return pid;
}

// Keeps the start of what the command wrote to its standard error, for the delivery's record.
void ReadError(int fd, std::string& kept, bool& open) {
  char buffer[512];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      const std::size_t room = kKeptErrorBytes - std::min(kKeptErrorBytes, kept.size());
      kept.append(buffer, std::min(room, static_cast<std::size_t>(got)));
      continue;
    }
    if (got == 0) open = false;
    if (got < 0 && errno == EINTR) continue;
    return;
  }
}

std::string WithError(std::string text, const std::string& stderrText) {
  std::string line;
  for (const char c : stderrText) line += (c == '\n' || c == '\r') ? ' ' : c;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (!line.empty()) text += ": " + line;
  return text;
}

}  // namespace

CommandOutcome RunNotifyCommand(const std::string& command, const std::string& input,
                                std::chrono::milliseconds limit, const StopSignal& stop) {
  CommandOutcome outcome;
  int pair[2];
  int errorPipe[2];
  // A socket rather than a pipe for the input: a command that never reads it cannot kill the
  // service with SIGPIPE (send takes MSG_NOSIGNAL).
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    outcome.error = SystemError("socketpair");
    return outcome;
  }
  Fd ours(pair[0]), theirs(pair[1]);
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    outcome.error = SystemError("pipe");
    return outcome;
  }
  Fd errorRead(errorPipe[0]), errorWrite(errorPipe[1]);
  ::fcntl(errorRead.get(), F_SETFL, O_NONBLOCK);
  ::fcntl(ours.get(), F_SETFL, O_NONBLOCK);
  ::shutdown(theirs.get(), SHUT_WR);

  const pid_t pid = Spawn(command, theirs.get(), errorWrite.get(), outcome.error);
  if (pid < 0) return outcome;
  theirs.Reset();
  errorWrite.Reset();
  Fd pidfd(PidFd(pid));

  const SteadyClock::time_point deadline = SteadyClock::now() + limit;
  std::size_t sent = 0;
  bool errorOpen = true;
  std::string stderrText;
  std::string abandoned;
  int status = 0;
  for (;;) {
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (stop.requested() || left.count() <= 0) {
      abandoned = stop.requested() ? "stopped before the command ended"
                                   : "the command did not end within " +
                                         std::to_string(limit.count() / 1000.0) + " s";
      ::kill(-pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    pollfd watched[4];
    nfds_t count = 0;
    watched[count++] = {stop.fd(), POLLIN, 0};
    if (pidfd.get() >= 0) watched[count++] = {pidfd.get(), POLLIN, 0};
    if (errorOpen) watched[count++] = {errorRead.get(), POLLIN, 0};
    if (ours.get() >= 0) watched[count++] = {ours.get(), POLLOUT, 0};
    // Without a pidfd (an old kernel) the child's end is looked for every 50 ms.
    const int timeout =
        static_cast<int>(pidfd.get() >= 0 ? left.count() : std::min<long long>(left.count(), 50));
    if (::poll(watched, count, timeout) < 0 && errno != EINTR) {
      outcome.error = SystemError("poll");
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return outcome;
    }
    if (errorOpen) ReadError(errorRead.get(), stderrText, errorOpen);
    if (ours.get() >= 0) {
      const ssize_t wrote =
          ::send(ours.get(), input.data() + sent, input.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (wrote > 0) sent += static_cast<std::size_t>(wrote);
      // All written, or the command closed its input: it sees the end of its input.
      if (sent == input.size() || (wrote < 0 && errno != EAGAIN && errno != EINTR)) ours.Reset();
    }
  }
  if (errorOpen) ReadError(errorRead.get(), stderrText, errorOpen);
  if (!abandoned.empty()) {
    outcome.error = WithError(abandoned, stderrText);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    outcome.delivered = true;
  } else {
    outcome.error = WithError("the command failed with " + StatusText(status), stderrText);
  }
  return outcome;
}
