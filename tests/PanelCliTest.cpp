// Panels in the headless runner: loadgui, the properties, the waits and the
// end-of-run closing, through a real child process.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

struct TCliRun {
  int Status = -1;
  std::string Out, Err;
  double Millis = 0;
};

// Runs ostracalc-cli in folder cwd; interruptAfterMs >= 0 sends one SIGINT
// that long after the start.
TCliRun RunCliIn(const std::string& cwd, std::vector<std::string> args, int interruptAfterMs = -1) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]), close(err[0]), close(out[1]), close(err[1]);
    std::vector<char*> argv{const_cast<char*>(OSTRA_CLI)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(OSTRA_CLI, argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  TCliRun r;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  bool interrupted = false;
  for (int open = 2; open > 0;) {
    if (interruptAfterMs >= 0 && !interrupted &&
        std::chrono::steady_clock::now() - start > std::chrono::milliseconds(interruptAfterMs)) {
      kill(pid, SIGINT);
      interrupted = true;
    }
    if (poll(fds, 2, 10) <= 0) continue;
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
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Millis = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return r;
}

const char* const Panel =
    "0,1,1,21,3,1,Speed,0\r\n"
    "2,30,0,35,25,2,0,200,10,1,120,0\r\n"
    "4,1,14,16,18,3,\"Start \xe9\"\r\n";

class PanelCli : public ::testing::Test {
protected:
  OstraTest::TTempDir Docs, Work;
};

}  // namespace

TEST_F(PanelCli, PanelNextToTheDocumentFromAnotherFolder) {
  OstraTest::WriteBytes(Docs / "panel.gui", Panel);
  OstraTest::WriteBytes(Docs / "macro.sma",
                        "/*$$panel:Global$$*/\n\r\n/*$$panel:Calculator 1$$*/\n"
                        "loadgui(0;'panel.gui'),\r\n"
                        "panelname(0;'Motors'),\r\n"
                        "setproperty(0;1;0;'Slow'),\r\n"
                        "println(getproperty(0;1;0)),\r\n"
                        "println(getproperty(0;3;0)),\r\n"
                        "println(haschanged(0;2)),\r\n"
                        "getproperty(0;2;0)*setproperty(0;2;0;7)+getproperty(0;2;0)");
  const TCliRun r = RunCliIn(Work.Path, {Docs / "macro.sma"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "Slow\nStart \xe9\n0\n-113\n");
  EXPECT_EQ(r.Err, "");

  // With -e there is no document: names are taken from the current folder.
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'panel.gui'), getproperty(0;1;0)"}).Out, "0\n");
  EXPECT_EQ(RunCliIn(Docs.Path, {"-e", "loadgui(0;'panel.gui'), getproperty(0;1;0)"}).Out, "Speed\n");
}

TEST_F(PanelCli, LoadAnswersAndTheGlobalProgramsPanelsClose) {
  OstraTest::WriteBytes(Work / "panel.gui", Panel);
  std::string big;
  for (int i = 0; i < 4097; ++i) big += "0,0,0,20,2,1,x,0\r\n";
  OstraTest::WriteBytes(Work / "big.gui", big);
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'missing.gui')"}).Out, "-1\n");
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'big.gui')"}).Out, "0\n");
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(256;'panel.gui')+loadgui(-1;'panel.gui')"}).Out, "0\n");

  OstraTest::WriteBytes(Work / "two.sma",
                        "/*$$panel:Global$$*/\nloadgui(0;'panel.gui'), $g=getproperty(0;1;0)\r\n"
                        "/*$$panel:P$$*/\n$g+' '+string(getproperty(0;1;0))");
  EXPECT_EQ(RunCliIn(Work.Path, {"two.sma"}).Out, "Speed 0\n");
}

TEST_F(PanelCli, WaitsEndOnTheTimeOutOrBreak) {
  OstraTest::WriteBytes(Work / "panel.gui", Panel);
  const TCliRun timed = RunCliIn(Work.Path, {"-e", "loadgui(0;'panel.gui'), waitguievent(300)"});
  EXPECT_EQ(timed.Out, "0\n");
  EXPECT_GE(timed.Millis, 300);

  const TCliRun broken = RunCliIn(Work.Path,
                                  {"-e",
                                   "loadgui(0;'panel.gui'),\n"
                                   "println('waiting'),\n"
                                   "while(waitguievent(0);\n println('GUI Event...')\n)\n"},
                                  400);
  EXPECT_EQ(broken.Status, 1);
  EXPECT_EQ(broken.Out, "waiting\n");
  EXPECT_EQ(broken.Err, "Error: Stopped\n");
  EXPECT_LT(broken.Millis, 3000);
}

TEST_F(PanelCli, ExamplePanelMacroRunsUntilBreak) {
  // The example finds motor.gui next to itself and waits for operations.
  const TCliRun r = RunCliIn(Work.Path, {OSTRA_SOURCE_DIR "/examples/panel.sma"}, 400);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "Error: Stopped\n");
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'" OSTRA_SOURCE_DIR "/examples/motor.gui'), getproperty(0;2;0)"}).Out,
            "40 %\n");
}
