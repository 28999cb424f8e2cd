// Serial ports against a real pseudo-terminal: the test plays the instrument
// on the master side while the calculator opens the slave as its port.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "InstrumentTestSupport.h"
#include "TestSupport.h"
#include "instruments/Serial.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Describe;
using OstraTest::TPtyInstrument;
using OstraTest::TScopedEnv;

namespace {

using OstraTest::TClock;

using OstraTest::MsSince;

// A program's result "text|milliseconds" split up.
struct TTimed {
  std::string Text;
  double Ms = -1;
};

TTimed Timed(const OstraTest::TRun& run) {
  TTimed t;
  const std::string s = run.Result.AsString();
  const size_t bar = s.rfind('|');
  if (run.Error || bar == std::string::npos) {
    t.Text = Describe(run);
    return t;
  }
  t.Text = s.substr(0, bar);
  t.Ms = std::stod(s.substr(bar + 1));
  return t;
}

// Wraps a read expression so that the result tells what it gave and how long
// it took: "value|ms".
std::string TimedRead(const std::string& open, const std::string& read) {
  return open + ", t=gettime(), r=" + read + ", string(r)+'|'+string(gettime()-t)";
}

class Serial : public ::testing::Test {
protected:
  TPtyInstrument Instrument{OstraTest::StandardAnswer};
  TScopedEnv Port0{"OSTRA_SERIAL_0", Instrument.Device};
  OstraTest::TCalculator Calc;

  OstraTest::TRun Run(const std::string& program, const std::string& global = "") {
    return Calc.Run(program, global);
  }
  std::string Outcome(const std::string& program) { return Describe(Run(program)); }
};

}  // namespace

TEST(SerialDescriptor, ModeStrings) {
  struct {
    const char* Desc;
    bool Ok;
    uint32_t Baud;
    int Data;
    char Parity;
    int Stop;
  } cases[] = {
      {"baud=9600 parity=N stop=1 data=8", true, 9600, 8, 'n', 1},
      {"BAUD=19200 PARITY=E DATA=7 STOP=2", true, 19200, 7, 'e', 2},
      {"COM1: baud=115200 parity=n data=8 stop=1 xon=off octs=off dtr=on rts=on to=off", true, 115200, 8, 'n', 1},
      {"9600,n,8,1", true, 9600, 8, 'n', 1},
      {"96,e,7,2", true, 9600, 7, 'e', 2},
      {"COM2:4800,o,8,1.5", true, 4800, 8, 'o', 2},
      {"  57600 ", true, 57600, 8, 'n', 1},
      {"baud=9600", true, 9600, 8, 'n', 1},
      {"baud=12345 parity=n", false, 0, 0, 0, 0},  // no such rate
      {"baud=9600 parity=q", false, 0, 0, 0, 0},
      {"baud=9600 data=9", false, 0, 0, 0, 0},
      {"baud=9600 speed=fast", false, 0, 0, 0, 0},
      {"9600,n,8,1,p,x", false, 0, 0, 0, 0},
      {"fast", false, 0, 0, 0, 0},
      {"", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Desc);
    TCommConfig config;
    ASSERT_EQ(ParseCommDescriptor(c.Desc, config), c.Ok);
    if (!c.Ok) continue;
    EXPECT_EQ(config.Baud, c.Baud);
    EXPECT_EQ(config.DataBits, c.Data);
    EXPECT_EQ(config.Parity, c.Parity);
    EXPECT_EQ(config.StopBits, c.Stop);
  }
}

TEST(SerialDescriptor, PortNumbersMapToDevices) {
  {
    TScopedEnv e("OSTRA_SERIAL_7", "/dev/ttyUSB3");
    EXPECT_EQ(SerialDevicePath(7), "/dev/ttyUSB3");
  }
  TScopedEnv none("OSTRA_SERIAL_7", "");
  EXPECT_EQ(SerialDevicePath(7), "/dev/ttyS7");
}

TEST_F(Serial, OpenAppliesTheLineSettings) {
  ASSERT_FALSE(Instrument.Device.empty());
  // The terminal settings of the pair show through the master side while
  // the port is open.
  Calc.Start("r=commopen(0;'19200,n,8,2';100), sleep(400), r");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  termios tio{};
  ASSERT_EQ(tcgetattr(Instrument.MasterFd(), &tio), 0);
  EXPECT_EQ(Describe(Calc.Finish()), "1");
  EXPECT_EQ(cfgetospeed(&tio), B19200);
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_TRUE(tio.c_cflag & CLOCAL);
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
  // A descriptor that is no mode string, or an unknown rate, fails the open.
  EXPECT_EQ(Outcome("commopen(0;'baud=12345';100)"), "0");
  EXPECT_EQ(Outcome("commopen(0;'fast please';100)"), "0");
  TScopedEnv missing("OSTRA_SERIAL_4", "/nonexistent/tty");
  EXPECT_EQ(Outcome("commopen(4;'9600,n,8,1';100)"), "0");
}

// A pseudo-terminal keeps 8 data bits without parity whatever is asked: a
// port that does not take every setting does not open, whatever settings
// the device had before, and is left as it was.
TEST_F(Serial, PartlyRefusedSettingsDoNotOpen) {
  const std::string sevenE2 = "commopen(0;'19200,e,7,2';100)";
  const std::string eightN1 = "commopen(0;'9600,n,8,1';100)";
  // The device as a run finds it: as the last open left it, or with the
  // refused settings' stop bits and rate already in place.
  const std::function<void()> before[] = {
      [] {},
      [&] {
        termios tio{};
        ASSERT_EQ(tcgetattr(Instrument.MasterFd(), &tio), 0);
        tio.c_cflag |= CSTOPB;
        cfsetospeed(&tio, B19200);
        cfsetispeed(&tio, B19200);
        ASSERT_EQ(tcsetattr(Instrument.MasterFd(), TCSANOW, &tio), 0);
      },
  };
  for (const auto& prepare : before) {
    prepare();
    termios found{};
    ASSERT_EQ(tcgetattr(Instrument.MasterFd(), &found), 0);
    EXPECT_EQ(Outcome(sevenE2), "0");
    termios after{};
    ASSERT_EQ(tcgetattr(Instrument.MasterFd(), &after), 0);
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    // The same call repeated, and after a port that did open.
    EXPECT_EQ(Outcome("a=" + sevenE2 + ", b=" + sevenE2 + ", c=" + eightN1 +
                      ", d=commopen(0;'9600,e,8,1';100), e=commopen(0;'9600,o,8,1';100), "
                      "f=commopen(0;'9600,n,7,1';100), string(a)+string(b)+string(c)+string(d)+string(e)+string(f)"),
              "'001000'");
    // A refused open leaves the slot empty.
    EXPECT_EQ(Outcome(eightN1 + ", " + sevenE2 + ", commwrite(0;'x')"), "!Port has not been opened");
  }
}

// Time-outs end after t ms, never earlier, from 1 ms up.
TEST_F(Serial, TimeOutsNeverEndEarly) {
  for (int t : {1, 2, 3, 5, 10, 20, 35}) {
    SCOPED_TRACE(t);
    TCommHandler port(1, "9600,n,8,1", t / 10, 0, t, true);
    ASSERT_TRUE(port.Open());
    TCalcInfo ci;
    TCommHandler::TRead how;
    std::string line;
    for (int read = 0; read < 2; ++read) {
      const auto start = TClock::now();
      if (read == 0) EXPECT_EQ(port.ReadText(ci, 4, how), "");
      else EXPECT_FALSE(port.ReadLine(ci, line, how));
      const double ms = MsSince(start);
      EXPECT_GE(ms, t);
      EXPECT_LT(ms, t + 200);
    }
  }
}

// Only a handler that set TIOCEXCL clears it: an open that fails on the lock
// leaves the holder's exclusive use alone, whether the holder is a port of
// this program (another port number on the same device) or another program.
TEST_F(Serial, FailedOpenLeavesTheHoldersExclusiveUse) {
  // A descriptor of the test's own, opened first, to look at the device.
  const int look = ::open(Instrument.Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(look, 0);
  const auto exclusive = [&] {
    int on = -1;
    EXPECT_EQ(ioctl(look, TIOCGEXCL, &on), 0);
    return on;
  };
  TScopedEnv alias("OSTRA_SERIAL_1", Instrument.Device);
  {
    TCommHandler holder(1, "9600,n,8,1", 10, 0, 100, true), second(2, "9600,n,8,1", 10, 0, 100, true);
    ASSERT_TRUE(holder.Open());
    EXPECT_EQ(exclusive(), 1);
    EXPECT_FALSE(second.Open());
    second.Close();
    EXPECT_EQ(exclusive(), 1);
    holder.Close();
    EXPECT_EQ(exclusive(), 0);
  }
  // Another program holds the device: exclusive with or without the lock.
  for (bool locked : {true, false}) {
    SCOPED_TRACE(locked);
    const int other = ::open(Instrument.Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    if (locked) {
      ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    }
    // The run's end closes what opened (without the lock only root gets
    // the device open at all).
    const std::string opened = Outcome("commopen(1;'9600,n,8,1';100)");
    if (locked) {
      EXPECT_EQ(opened, "0");
    }
    EXPECT_EQ(exclusive(), 1);
    ioctl(other, TIOCNXCL);
    ::close(other);
  }
  ::close(look);
}

TEST_F(Serial, QueryAndLineTerminators) {
  const std::string open = "commopen(0;'baud=9600 parity=N stop=1 data=8';1000), ";
  // CR is the default terminator: the LF of CR LF stays for the next read.
  EXPECT_EQ(Outcome(open + "commwrite(0;'*IDN?'+chr(13)), a=commreadln(0), a+'/'+string(asc(commread(0;1)))"),
            "'OSTRA,PTY INSTRUMENT,0,1.0/10'");
  EXPECT_EQ(Outcome(open + "commlineterm(0;chr(13)+chr(10)), commwrite(0;'READ?'+chr(13)), commreadln(0)"),
            "'+4.250E-03'");
  EXPECT_EQ(Instrument.Received(), "*IDN?\rREAD?\r");

  // A multi-character terminator is matched as a whole; a zero byte ends the
  // text returned.
  OstraTest::TRun run = [&] {
    Calc.Start(open + "commlineterm(0;'END'), a=commreadln(0), b=commreadln(0), a+'/'+b");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Instrument.Send(std::string("one EN twoEND", 13) + std::string("x\0yEND", 6));
    return Calc.Finish();
  }();
  EXPECT_EQ(Describe(run), "'one EN two/x'");

  // An empty terminator makes every line read give 0 at once.
  EXPECT_EQ(Outcome(open + "commlineterm(0;''), t=gettime(), string(commreadln(0))+'|'+string(gettime()-t < 50)"),
            "'0|1'");
}

TEST_F(Serial, ReadTimeOuts) {
  // Nothing comes: commreadln ends after the time-out.
  TTimed silent = Timed(Run(TimedRead("commopen(0;'9600,n,8,1';300)", "commreadln(0)")));
  EXPECT_EQ(silent.Text, "0");
  EXPECT_GE(silent.Ms, 280);
  EXPECT_LT(silent.Ms, 700);

  // Three bytes and then silence: commread ends one interval (a tenth of
  // the time-out) after the last byte, long before the total time-out.
  Calc.Start(TimedRead("commopen(0;'9600,n,8,1';2000)", "commread(0;100)"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Instrument.Send("abc");
  TTimed gap = Timed(Calc.Finish());
  EXPECT_EQ(gap.Text, "abc");
  EXPECT_GE(gap.Ms, 300 + 150);
  EXPECT_LT(gap.Ms, 300 + 1000);

  // Before the first byte no interval applies: the read waits for it.
  // Bytes that keep coming within the interval end at the total time-out.
  Calc.Start(TimedRead("commopen(0;'9600,n,8,1';600)", "commread(0;1000)"));
  std::thread trickle([&] {
    for (int i = 0; i < 80; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
      Instrument.Send("x");
    }
  });
  TTimed steady = Timed(Calc.Finish());
  trickle.join();
  EXPECT_GE(steady.Ms, 580);
  EXPECT_LT(steady.Ms, 900);
  EXPECT_GE(steady.Text.size(), 10u);
  EXPECT_LT(steady.Text.size(), 60u);

  // commread(0;0) returns at once with nothing; a negative count is an error.
  EXPECT_EQ(Outcome("commopen(0;'9600,n,8,1';1000), t=gettime(), commread(0;0)+string(gettime()-t<50)"), "'1'");
  EXPECT_EQ(Outcome("commopen(0;'9600,n,8,1';1000), commread(0;-1)"), "!CommRead: Illegal char count");
}

// A time-out of 0 or less means no time-out: the read waits for its data
// however long it takes, and only Break ends it sooner.
TEST_F(Serial, ZeroOrNegativeTimeOutWaitsUntilDataOrBreak) {
  for (const char* t : {"0", "-5"}) {
    SCOPED_TRACE(t);
    Calc.Start(TimedRead(std::string("commopen(0;'9600,n,8,1';") + t + ")", "commread(0;3)"));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Instrument.Send("ab");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Instrument.Send("c");
    TTimed late = Timed(Calc.Finish());
    EXPECT_EQ(late.Text, "abc");
    EXPECT_GE(late.Ms, 600);

    // The Break comes once the port is open and the read waits: the time
    // taken is the read's answer to it, not the opening of the port.
    OstraTest::TWatchSink watch;
    Calc.Host().Output = &watch;
    Calc.Start(std::string("commopen(0;'9600,n,8,1';") + t + "), println('reading'), commreadln(0)");
    ASSERT_TRUE(watch.WaitFor("reading", 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto breakAt = TClock::now();
    Calc.Break();
    OstraTest::TRun stopped = Calc.Finish();
    EXPECT_LT(MsSince(breakAt), 200);
    EXPECT_EQ(Describe(stopped), "!Stopped");
    Calc.Host().Output = &Calc.Sink;
  }
}

TEST_F(Serial, BreakEndsAReadWithALongTimeOut) {
  for (const char* read : {"commreadln(0)", "commread(0;10)", "commreadbin(0;a[];10)"}) {
    SCOPED_TRACE(read);
    Calc.Start(std::string("commopen(0;'9600,n,8,1';100000), ") + read);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto breakAt = TClock::now();
    Calc.Break();
    OstraTest::TRun stopped = Calc.Finish();
    EXPECT_LT(MsSince(breakAt), 200);
    EXPECT_EQ(Describe(stopped), "!Stopped");
  }
}

TEST_F(Serial, BinaryBlocksAndEightBitCuts) {
  const std::string open = "commopen(0;'9600,n,8,1';300), ";
  EXPECT_EQ(Outcome(open + "a[0]=65, a[1]=256, a[2]=-1, a[3]=0x7F+0.9, a[4]=13, commwritebin(0;a[])"), "0");
  ASSERT_TRUE(Instrument.WaitReceived(5, 1000));
  EXPECT_EQ(Instrument.Received(), std::string("\x41\x00\xFF\x7F\r", 5));

  // Four bytes arrive: the array holds exactly them, unsigned.
  OstraTest::TRun four = Calc.Run(open + "a[9]=5, commwrite(0;'CURVE?'+chr(13)), r=commreadbin(0;a[];10)");
  EXPECT_EQ(Describe(four), "1");
  EXPECT_EQ(OstraTest::ArrayOf(Calc, "a"), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
  Calc.Start(open + "a[3]=1, r=commreadbin(0;a[];10)");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Instrument.Send(std::string("\x00\xFF\x80\x0A", 4));
  EXPECT_EQ(Describe(Calc.Finish()), "1");
  EXPECT_EQ(OstraTest::ArrayOf(Calc, "a"), (std::vector<double>{0, 255, 128, 10}));

  // Nothing arrives: 0 and an empty array.
  EXPECT_EQ(Outcome(open + "a[3]=1, commreadbin(0;a[];10)*100+length(a[])"), "0");
  // A count of zero or below reads nothing.
  EXPECT_EQ(Outcome(open + "a[3]=1, commreadbin(0;a[];-4)*100+length(a[])"), "0");
  // commread cuts its text at a zero byte.
  Calc.Start(open + "commread(0;6)");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Instrument.Send(std::string("ab\0cde", 6));
  EXPECT_EQ(Describe(Calc.Finish()), "'ab'");
}

TEST_F(Serial, Errors) {
  struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"commopen(50;'9600';100)", "!Illegal port number"},
      {"commopen(-1;'9600';100)", "!Illegal port number"},
      {"commclose(50)", "!Illegal port number"},
      {"commclose(3)", "0"},
      {"commwrite(3;'x')", "!Port has not been opened"},
      {"commwrite(50;'x')", "!OpenComm: Illegal port number"},
      {"commreadln(3)", "!Port has not been opened"},
      {"commread(-1;2)", "!OpenComm: Illegal port number"},
      {"commlineterm(3;'x')", "!Port has not been opened"},
      {"commreadbin(300;a[];2)", "!CommReadBin: Illegal port number"},
      {"commreadbin(60;a[];2)", "!OpenComm: Illegal port number"},
      {"commreadbin(3;a[];2)", "!Port has not been opened"},
      {"commwritebin(256;a[])", "!CommWriteBin: Illegal comm port number"},
      {"commwritebin(70;a[])", "!OpenComm: Illegal port number"},
      {"commwritebin(3;a[])", "!Port has not been opened"},
      {"commreadbin(0;a;2)", "#Illegal argument"},
      {"commwritebin(0;7)", "#Illegal argument"},
      // A name that holds a scalar written as an array: the message names it.
      {"commopen(0;'9600,n,8,1';100), x=1, commwritebin(0;x[])",
       "!CommWriteBin: Second parameter x[] is not an array"},
      {"define(f(v); commwritebin(0;v[])), f(2)", "!CommWriteBin: Second parameter v[] is not an array"},
      {"x='', commreadbin(0;x[];2)", "!CommReadBin: Second parameter x[] is not an array"},
      // An array without elements sends nothing.
      {"commopen(0;'9600,n,8,1';100), commwritebin(0;empty[])", "0"},
      // An argument that fails stops the function before any device call.
      {"commopen(0;'9600';nothing)", "!Variable nothing has no value"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.Program), c.Outcome) << c.Program;
}

TEST_F(Serial, ReopenExclusiveAndEndOfRun) {
  // Reopening an open port with new settings needs no commclose.
  EXPECT_EQ(Outcome("commopen(0;'9600,n,8,1';100)+commopen(0;'19200,n,8,1';100)"), "2");
  // The device is this program's alone while it is open, even through
  // another port number.
  TScopedEnv alias("OSTRA_SERIAL_1", Instrument.Device);
  EXPECT_EQ(Outcome("a=commopen(0;'9600,n,8,1';100), b=commopen(1;'9600,n,8,1';100), commclose(0), "
                    "c=commopen(1;'9600,n,8,1';100), a*100+b*10+c"),
            "101");
  // A failed open leaves the slot empty, also when a port was open there.
  EXPECT_EQ(Outcome("commopen(0;'9600,n,8,1';100), commopen(0;'nonsense';100), commwrite(0;'x')"),
            "!Port has not been opened");
  // Every run closes its ports at its end; the Global panel's ports close
  // before the panel's program starts.
  EXPECT_EQ(Outcome("commopen(0;'9600,n,8,1';100)"), "1");
  EXPECT_EQ(Outcome("commwrite(0;'x')"), "!Port has not been opened");
  EXPECT_EQ(Describe(Run("commwrite(0;'x')", "commopen(0;'9600,n,8,1';100)")), "!Port has not been opened");
  // Nothing of this program holds the device any more.
  int fd = ::open(Instrument.Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
}

TEST_F(Serial, VanishedDeviceEndsTheReadAndStaysClosable) {
  // No time-out at all: only the hang-up can end this read.
  Calc.Start(
      "commopen(0;'9600,n,8,1';0), t=gettime(), r=commreadln(0), s=commread(0;5), "
      "commwrite(0;'still there?'), commclose(0), string(r)+'/'+s+'|'+string(gettime()-t)");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Instrument.Send("partial");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Instrument.Vanish();
  const auto gone = TClock::now();
  TTimed r = Timed(Calc.Finish());
  EXPECT_LT(MsSince(gone), 500);
  EXPECT_EQ(r.Text, "0/");
}

TEST_F(Serial, EndlessDataWithoutTerminatorIsCutIntoLines) {
  Calc.Start(
      "commopen(0;'9600,n,8,1';1000), a=commreadln(0), b=commreadln(0), "
      "string(length(a))+' '+string(length(b))+' '+substr(b;0;3)");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::thread flood([&] {
    for (int i = 0; i < 32; ++i) Instrument.Send(std::string(4096, static_cast<char>('\xFF')));
    Instrument.Send("end\r");
  });
  OstraTest::TRun run = Calc.Finish();
  flood.join();
  const std::string ff(3, '\xFF');
  EXPECT_EQ(Describe(run), "'65536 65536 " + ff + "'");
}

// The help examples against the instrument on port 0.
TEST_F(Serial, HelpExamples) {
  OstraTest::TRun idn = Run(FindBuiltin("commopen")->Help.Example);
  EXPECT_EQ(Describe(idn), "'OSTRA,PTY INSTRUMENT,0,1.0'");
  OstraTest::TRun block = Run(FindBuiltin("commreadbin")->Help.Example);
  EXPECT_EQ(Describe(block), "4.5");
  EXPECT_EQ(block.Output, "bytes: 8\n");
  // Without an instrument attached the examples say so.
  TScopedEnv missing("OSTRA_SERIAL_0", "/nonexistent/tty");
  EXPECT_EQ(Describe(Run(FindBuiltin("commopen")->Help.Example)), "'port 0 did not open'");
}

// End to end through the headless runner, Ctrl+C as Break.
TEST_F(Serial, Runner) {
  OstraTest::TCliRun r = OstraTest::RunCli(
      {"-e", "commopen(0;'115200,n,8,1';1000), commwrite(0;'*IDN?'+chr(13)), println(commreadln(0)), 1"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "OSTRA,PTY INSTRUMENT,0,1.0\n1\n");

  OstraTest::TCliRun broken =
      OstraTest::RunCli({"-e", "commopen(0;'9600,n,8,1';0), commreadln(0)"}, {.InterruptAfterMs = 500});
  EXPECT_EQ(broken.Status, 1);
  EXPECT_EQ(broken.Err, "Error: Stopped\n");
  EXPECT_LT(broken.AfterInterruptMs, 300);
}

// A device that takes no more data: the write waits for room, and Break ends
// the wait.
TEST(SerialWrite, BreakEndsAWriteToADeviceThatTakesNothing) {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  TScopedEnv port("OSTRA_SERIAL_0", ptsname(master));
  OstraTest::TCalculator calc;
  calc.Start("commopen(0;'9600,n,8,1';100), s='x', for(i=0;i<20;i+=1;s+=s), commwrite(0;s), 'written'");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const auto breakAt = TClock::now();
  calc.Break();
  const OstraTest::TRun r = calc.Finish();
  EXPECT_LT(MsSince(breakAt), 200);
  EXPECT_EQ(Describe(r), "!Stopped");
  close(master);
}
