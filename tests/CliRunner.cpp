#include "CliRunner.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

namespace OstraTest {

TCliRun RunCli(const std::vector<std::string>& args, const TCliOptions& options) {
  using TClock = std::chrono::steady_clock;
  TCliRun r;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return r;
  // Everything the child needs is prepared before fork: after it only
  // async-signal-safe calls are made.
  std::vector<std::string> env = options.Env;
  std::string program = options.Program.empty() ? OSTRA_CLI : options.Program;
  std::vector<char*> argv{program.data()};
  std::vector<std::string> argsCopy = args;
  for (std::string& a : argsCopy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = TClock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!options.WorkDir.empty() && chdir(options.WorkDir.c_str()) != 0) _exit(126);
    if (options.AddressSpaceLimit) {
      rlimit limit{options.AddressSpaceLimit, options.AddressSpaceLimit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    }
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]), close(err[0]), close(out[1]), close(err[1]);
    for (std::string& e : env) putenv(e.data());
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  bool interrupted = false, killed = false;
  TClock::time_point interruptAt{};
  // From when the interrupt delay counts: the start, or the marker text.
  std::optional<TClock::time_point> ready;
  if (options.InterruptAfter.empty()) ready = start;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  for (int open = 2; open > 0;) {
    const auto now = TClock::now();
    if (!ready && r.Out.find(options.InterruptAfter) != std::string::npos) ready = now;
    if (options.InterruptAfterMs >= 0 && !interrupted && ready &&
        now - *ready > std::chrono::milliseconds(options.InterruptAfterMs)) {
      for (int i = 0; i < options.Interrupts; ++i) {
        if (i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        kill(pid, SIGINT);
      }
      interrupted = true;
      interruptAt = now;
    }
    if (!killed && now - start > std::chrono::seconds(20)) {
      kill(pid, SIGKILL);
      killed = true;
    }
    if (poll(fds, 2, 5) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.Out : r.Err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto end = TClock::now();
  r.Ms = std::chrono::duration<double, std::milli>(end - start).count();
  if (interrupted) r.AfterInterruptMs = std::chrono::duration<double, std::milli>(end - interruptAt).count();
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

}  // namespace OstraTest
