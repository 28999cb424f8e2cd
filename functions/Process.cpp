#include "functions/Process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <thread>

extern char** environ;

namespace TernioParser {

namespace {

const char* const StartFailed = "Execute failed (maybe unknown command)";

// Output beyond this size is refused: the command is killed and the run ends
// with an error instead of exhausting the memory.
constexpr size_t MaxOutput = size_t(1) << 30;

// How often a wait looks at the stop request, in milliseconds.
constexpr int StopPollMs = 50;

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A pipe whose ends are close-on-exec and never take the numbers 0 to 2, so
// that laying them onto the child's standard handles cannot clobber one
// another.
bool MakePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  for (int i = 0; i < 2; ++i) {
    if (fds[i] > 2) continue;
    int moved = ::fcntl(fds[i], F_DUPFD_CLOEXEC, 3);
    ::close(fds[i]);
    fds[i] = moved;
  }
  if (fds[0] < 0 || fds[1] < 0) {
    CloseFd(fds[0]);
    CloseFd(fds[1]);
    return false;
  }
  return true;
}

void SetNonBlocking(int fd) {
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl | O_NONBLOCK);
}

// Starts the program with the given standard handles; 0 when the program
// could not be started.
pid_t Spawn(const std::vector<std::string>& words, int in, int out) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&actions) != 0) return 0;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return 0;
  }
  posix_spawn_file_actions_adddup2(&actions, in, 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, out, 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Nothing else of ours leaks into the child.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  // The child starts as a fresh program would: no blocked signals, default
  // dispositions (SIGPIPE in particular), in a session of its own.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
  flags |= POSIX_SPAWN_SETSID;
#endif
  posix_spawnattr_setflags(&attr, flags);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);

  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : 0;
}

// Collects the exit status of a child that has closed its output, so that no
// zombie stays behind. A child that lives on without its output (it closed
// it, or left a daemon) is waited for on a thread of its own.
void Reap(pid_t pid) {
  for (int i = 0; i < 20; ++i) {
    pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return;
    struct timespec ts {
      0, 1000000
    };  // 1 ms
    ::nanosleep(&ts, nullptr);
  }
  try {
    std::thread([pid] {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (...) {
    // No thread to spare: the zombie stays until the application ends.
  }
}

void KillAndReap(pid_t pid) {
  ::kill(-pid, SIGKILL);  // the child's process group, with whatever it started
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// While writing to the child the thread blocks SIGPIPE, so that a child that
// exits without reading its input shows up as EPIPE instead of killing the
// application; a SIGPIPE raised meanwhile is taken off before unblocking.
class TSigPipeGuard {
public:
  TSigPipeGuard() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, &Old);
  }
  ~TSigPipeGuard() {
    if (Raised && !sigismember(&Old, SIGPIPE)) {
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGPIPE);
      struct timespec zero {
        0, 0
      };
      while (::sigtimedwait(&set, nullptr, &zero) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &Old, nullptr);
  }
  bool Raised = false;

private:
  sigset_t Old;
};

enum class TOutcome { Done, Stopped, TooLarge };

// Writes `input` to `in` and reads `out` until end of file, both at once.
// Closes both descriptors.
TOutcome Exchange(TCalcInfo& ci, int& in, int& out, std::string_view input, std::string& output) {
  TSigPipeGuard guard;
  size_t written = 0;
  if (input.empty()) CloseFd(in);
  if (in >= 0) SetNonBlocking(in);
  SetNonBlocking(out);
  constexpr size_t Chunk = 1 << 16;
  TOutcome outcome = TOutcome::Done;
  // Until the output has ended and the input is delivered (or refused): a
  // child may close its output and still read its input.
  while (out >= 0 || in >= 0) {
    if (ci.Stopping()) {
      outcome = TOutcome::Stopped;
      break;
    }
    struct pollfd fds[2];
    nfds_t n = 0;
    int outIndex = -1, inIndex = -1;
    if (out >= 0) {
      outIndex = static_cast<int>(n);
      fds[n++] = {out, POLLIN, 0};
    }
    if (in >= 0) {
      inIndex = static_cast<int>(n);
      fds[n++] = {in, POLLOUT, 0};
    }
    int r = ::poll(fds, n, StopPollMs);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (outIndex >= 0 && fds[outIndex].revents) {
      const size_t old = output.size();
      if (old + Chunk > MaxOutput) {
        outcome = TOutcome::TooLarge;
        break;
      }
      try {
        output.resize(old + Chunk);
      } catch (const std::bad_alloc&) {
        output.resize(old);
        outcome = TOutcome::TooLarge;
        break;
      }
      ssize_t got = ::read(out, output.data() + old, Chunk);
      output.resize(old + (got > 0 ? static_cast<size_t>(got) : 0));
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) CloseFd(out);
    }
    if (inIndex >= 0 && fds[inIndex].revents) {
      if (fds[inIndex].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        // The child closed its input (or ended): the rest is not wanted.
        CloseFd(in);
      } else {
        ssize_t w = ::write(in, input.data() + written, std::min(input.size() - written, Chunk));
        if (w > 0) {
          written += static_cast<size_t>(w);
          if (written == input.size()) CloseFd(in);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
          if (errno == EPIPE) guard.Raised = true;
          CloseFd(in);
        }
      }
    }
  }
  CloseFd(in);
  CloseFd(out);
  return outcome;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : line) {
    if (quote) {
      if (c == quote) quote = 0;
      else word += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

void TExecute::Run(TCalcInfo& ci, TReturnValue& result) {
  const std::string cmd = Results[0].AsString();
  const TReturnValue& in = Results[1];
  const std::string numberInput = in.IsString ? std::string() : NumberToText(in.Number);
  const std::string_view input = in.IsString ? in.Text.View() : std::string_view(numberInput);

  // A zero byte cannot be passed in a command line; the program would get
  // a different one.
  const std::vector<std::string> words =
      cmd.find('\0') == std::string::npos ? SplitCommandLine(cmd) : std::vector<std::string>();
  // Break came first: start nothing.
  if (StopIfRequested(ci)) return;
  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
  pid_t pid = 0;
  if (!words.empty() && !words[0].empty() && MakePipe(inPipe) && MakePipe(outPipe))
    pid = Spawn(words, inPipe[0], outPipe[1]);
  CloseFd(inPipe[0]);
  CloseFd(outPipe[1]);
  if (pid <= 0) {
    CloseFd(inPipe[1]);
    CloseFd(outPipe[0]);
    ci.SetError(StartFailed);
    return;
  }

  TText text;
  std::string& output = text.Mutable();
  switch (Exchange(ci, inPipe[1], outPipe[0], input, output)) {
    case TOutcome::Done:
      Reap(pid);
      output.shrink_to_fit();
      result.SetText(text);
      break;
    case TOutcome::Stopped:
      KillAndReap(pid);
      RaiseStopped(ci);
      break;
    case TOutcome::TooLarge:
      KillAndReap(pid);
      ci.SetError("Execute: Output of the command is too large");
      break;
  }
}

}  // namespace TernioParser
