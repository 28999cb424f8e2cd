// VISA sessions: the resource names, and every protocol end to end against
// the simulated LAN oscilloscope (raw SCPI, VXI-11, HiSLIP, on 127.0.0.1 and
// ::1), a USBTMC stand-in (a pseudo-terminal and a sysfs tree), the serial
// and GPIB stand-ins, and clients nobody here wrote (lxi-tools, PyVISA).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "CliRunner.h"
#include "InstrumentTestSupport.h"
#include "TestSupport.h"
#include "VisaSimulator.h"
#include "instruments/VisaResource.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

// The GPIB forms use the stand-in library (as the GPIB tests do).
const bool UsesStandIn = setenv("OSTRA_GPIB_LIBRARY", OSTRA_GPIB_STANDIN, 1) == 0;

using OstraTest::TClock;
using OstraTest::MsSince;

const std::string Idn = "OSTRA INSTRUMENTS,LAN OSCILLOSCOPE,SIM0001,1.0";

}  // namespace

TEST(VisaResource, EveryFormAsOneTable) {
  struct TCase {
    const char* Text;
    const char* Canonical;  // null: refused
  } cases[] = {
      {"TCPIP::127.0.0.1::5025::SOCKET", "TCPIP0::127.0.0.1::5025::SOCKET"},
      {"tcpip3::scope-2.lab::5025::socket", "TCPIP3::scope-2.lab::5025::SOCKET"},
      {"TCPIP::192.168.1.20::INSTR", "TCPIP0::192.168.1.20::inst0::INSTR"},
      {"TCPIP0::10.0.0.5", "TCPIP0::10.0.0.5::inst0::INSTR"},
      {"TCPIP::h::gpib0,5::INSTR", "TCPIP0::h::gpib0,5::INSTR"},
      {"TCPIP::[::1]::INSTR", "TCPIP0::[::1]::inst0::INSTR"},
      {"TCPIP::[fe80::1%eth0]::5025::SOCKET", "TCPIP0::[fe80::1%eth0]::5025::SOCKET"},
      {"TCPIP::h::HISLIP0::INSTR", "TCPIP0::h::hislip0::INSTR"},
      {"TCPIP2::[::1]::hislip0,4881::INSTR", "TCPIP2::[::1]::hislip0,4881::INSTR"},
      {" USB::0x0957::0x1796::MY123::INSTR ", "USB0::0x0957::0x1796::MY123::INSTR"},
      {"usb1::2391::6038::MY123::0::instr", "USB1::0x0957::0x1796::MY123::0::INSTR"},
      {"ASRL1::INSTR", "ASRL1::INSTR"},
      {"asrl12", "ASRL12::INSTR"},
      {"ASRL/dev/ttyUSB0::INSTR", "ASRL/dev/ttyUSB0::INSTR"},
      {"asrl/dev/serial/by-id/usb-FTDI:x", "ASRL/dev/serial/by-id/usb-FTDI:x::INSTR"},
      {"GPIB::5::INSTR", "GPIB0::5::INSTR"},
      {"gpib1::5::3::instr", "GPIB1::5::3::INSTR"},
      {"", nullptr},
      {"TCPIP", nullptr},
      {"TCPIP::", nullptr},
      {"TCPIPX::h::INSTR", nullptr},
      {"TCPIP::h::0::SOCKET", nullptr},
      {"TCPIP::h::65536::SOCKET", nullptr},
      {"TCPIP::h::x::SOCKET", nullptr},
      {"TCPIP::h::SOCKET", nullptr},
      {"TCPIP::h::5025::SOCKET::INSTR", nullptr},
      {"TCPIP::[::1::INSTR", nullptr},
      {"TCPIP::[]::INSTR", nullptr},
      {"TCPIP::h h::INSTR", nullptr},
      {"TCPIP::h::inst0::x::INSTR", nullptr},
      {"TCPIP::h::hislipx::INSTR", nullptr},
      {"TCPIP::h::hislip0,0::INSTR", nullptr},
      {"USB::0x0957::0x1796::INSTR", nullptr},
      {"USB::0x10000::1::S::INSTR", nullptr},
      {"USB::1::2::S::256::INSTR", nullptr},
      {"ASRL0::INSTR", nullptr},
      {"ASRL::INSTR", nullptr},
      {"ASRL1::SOCKET", nullptr},
      {"GPIB::31::INSTR", nullptr},
      {"GPIB::5::31::INSTR", nullptr},
      {"GPIB21::5::INSTR", nullptr},
      {"SERIAL::1::INSTR", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    TVisaResource r;
    const bool ok = ParseVisaResource(c.Text, r);
    EXPECT_EQ(ok, c.Canonical != nullptr);
    if (ok && c.Canonical) {
      EXPECT_EQ(VisaResourceName(r), c.Canonical);
    }
  }
  TVisaResource h;
  ASSERT_TRUE(ParseVisaResource("TCPIP::h::hislip0::INSTR", h));
  EXPECT_EQ(h.Port, 4880);
  ASSERT_TRUE(ParseVisaResource("ASRL/dev/ttyUSB0", h));
  EXPECT_EQ(h.Path, "/dev/ttyUSB0");

  struct TMatch {
    const char* Pattern;
    const char* Name;
    bool Matches;
  } matches[] = {
      {"?*::INSTR", "USB0::0x0957::0x1796::MY123::INSTR", true},
      {"USB?*", "ASRL1::INSTR", false},
      {"asrl*", "ASRL1::INSTR", true},
      {"*", "", true},
      {"?", "", false},
      {"GPIB?::*", "GPIB0::5::INSTR", true},
      {"*::5::*", "GPIB0::5::INSTR", true},
  };
  for (const TMatch& m : matches) EXPECT_EQ(VisaPatternMatch(m.Pattern, m.Name), m.Matches) << m.Pattern;
}

// Wrong usage is an error; a session that is not open gives failure results.
TEST(VisaFunctions, UsageErrorsAndSessionsThatAreNotOpen) {
  OstraTest::TCalculator calc;
  auto outcome = [&](const std::string& p) { return Describe(calc.Run(p)); };
  const struct {
    const char* Program;
    const char* Expect;
  } cases[] = {
      {"visawrite(32;'x')", "!visawrite: Illegal session number"},
      {"visaread(-1)", "!visaread: Illegal session number"},
      {"visaclose(40)", "!visaclose: Illegal session number"},
      {"visareadblock(99;a[])", "!visareadblock: Illegal session number"},
      {"visareadbin(0;x;3)", "#Illegal argument"},
      {"x=1, visawritebin(0;x[];1)", "!visawritebin: Second parameter x[] is not an array"},
      {"x=1, visareadbin(0;x[];3)", "!visareadbin: Second parameter x[] is not an array"},
      {"x='', visareadblock(0;x[])", "!visareadblock: Second parameter x[] is not an array"},
      {"visaopen(32;'TCPIP::127.0.0.1::5025::SOCKET';100)", "0"},
      {"visaopen(-1;'TCPIP::127.0.0.1::5025::SOCKET';100)", "0"},
      {"visaopen(0;'no such form';100)", "0"},
      {"visaopen(0;'TCPIP::127.0.0.1::1::SOCKET';1000)", "0"},
      {"visaopen(0;'USB::0x1234::0x5678::NONE::INSTR';100)", "0"},
      {"visawrite(5;'x')", "0"},
      {"visaread(5)", "''"},
      {"visaquery(5;'*IDN?')", "''"},
      {"a[0]=1, visawritebin(5;a[];1)", "0"},
      {"visareadblock(5;a[])", "-1"},
      {"visatermination(5;'';'')", "0"},
      {"visatimeout(5;100)", "0"},
      {"visaclear(5)", "0"},
      {"visastatus(5)", "-1"},
      {"visaclose(5)", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.Program), c.Expect) << c.Program;
}

namespace {

enum class TService { Socket, Vxi11, Hislip };

struct TLanCase {
  const char* Name;
  // The resource with the port of the service to fill in (%d).
  const char* Pattern;
  TService Service;
};

void PrintTo(const TLanCase& c, std::ostream* os) { *os << c.Name; }

class VisaLan : public ::testing::TestWithParam<TLanCase> {
protected:
  static inline OstraTest::TLanOscilloscope* Scope = nullptr;
  static void SetUpTestSuite() { Scope = new OstraTest::TLanOscilloscope({"--slow", "10"}); }
  static void TearDownTestSuite() {
    delete Scope;
    Scope = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(Scope->Ready) << Scope->Output;
    char buf[128];
    const TLanCase& c = GetParam();
    const int port = c.Service == TService::Socket   ? Scope->SocketPort
                     : c.Service == TService::Hislip ? Scope->HislipPort
                                                     : 0;
    std::snprintf(buf, sizeof buf, c.Pattern, port);
    Resource = buf;
  }
  std::string Open(int timeout) { return "visaopen(0;'" + Resource + "';" + std::to_string(timeout) + "), "; }
  std::string Outcome(const std::string& program) { return Describe(Calc.Run(program)); }
  std::string Resource;
  OstraTest::TCalculator Calc;
};

}  // namespace

TEST_P(VisaLan, QueryBlockStatusAndClear) {
  // The port mapper of the simulator, for the VXI-11 cases.
  OstraTest::TScopedEnv mapper("OSTRA_VXI11_PORTMAPPER", std::to_string(Scope->PortMapper));
  EXPECT_EQ(Outcome(Open(3000) + "visaquery(0;'*IDN?')"), "'" + Idn + "'");
  EXPECT_EQ(Outcome(Open(3000) + "visawrite(0;'CURV?'), n=visareadblock(0;c[]), m=visaquery(0;'MEAS?'), "
                                 "string(n)+' '+m"),
            "'1000000 +1.234500E+00'");
  const std::vector<double> curve = OstraTest::ArrayOf(Calc, "c");
  ASSERT_EQ(curve.size(), 1000000u);
  for (int i : {0, 1, 250, 77, 999999}) EXPECT_EQ(curve[i], OstraTest::CurvePoint(i)) << i;
  // The status byte (32 after an unknown command, 0 after *CLS) by serial
  // poll, on a socket by *STB?.
  EXPECT_EQ(
      Outcome(Open(3000) + "visawrite(0;'BOGUS'), a=visastatus(0), visawrite(0;'*CLS'), b=visastatus(0), "
                           "c=visaclear(0), d=visaquery(0;'MEAS?'), string(a)+' '+string(b)+' '+string(c)+' '+d"),
      "'32 0 -1 +1.234500E+00'");
  // A message longer than the cap comes in pieces.
  EXPECT_EQ(Outcome(Open(3000) + "s='x', for(i=0;i<17;i+=1; s=s+s), s=substr(s;0;100000), "
                                 "a=visaquery(0;'ECHO? '+s), b=visaread(0), length(a)*1000000+length(b)"),
            "65536034464");
  // A host name goes through the system resolver.
  if (GetParam().Service == TService::Socket) {
    EXPECT_EQ(Outcome("visaopen(0;'TCPIP::localhost::" + std::to_string(Scope->SocketPort) +
                      "::SOCKET';3000), visaquery(0;'*IDN?')"),
              "'" + Idn + "'");
  }
  // Without a read termination a byte stream's message ends with the
  // time-out, line feed and all; the others end at END.
  EXPECT_EQ(Outcome(Open(300) + "visatermination(0;'';chr(10)), length(visaquery(0;'MEAS?'))"),
            GetParam().Service == TService::Socket ? "14" : "13");
  // Bytes both ways.
  EXPECT_EQ(Outcome(Open(3000) + "t=visatermination(0;'';''), s='ECHO? AB'+chr(10), "
                                 "for(i=0;i<length(s);i+=1; w[i]=asc(substr(s;i;1))), "
                                 "n=visawritebin(0;w[];length(s)), k=visareadbin(0;r[];3), "
                                 "string(t)+' '+string(n)+' '+string(k)+' '+string(r[0])+string(r[1])+string(r[2])"),
            "'-1 9 3 656610'");
}

TEST_P(VisaLan, MalformedBlocksLeaveTheNextQueryWorking) {
  OstraTest::TScopedEnv mapper("OSTRA_VXI11_PORTMAPPER", std::to_string(Scope->PortMapper));
  const struct {
    const char* Header;
    const char* Expect;
  } cases[] = {
      {"#", "-1"},
      {"#x12", "-1"},
      {"abc", "-1"},
      {"#2x1", "-1"},
      {"#9000000100abc", "-1"},
      {"#0abc", "3"},
      {"#15hello", "5"},
      {"  #13abc", "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Header);
    EXPECT_EQ(
        Outcome(Open(400) + "a[0]=7, visawrite(0;'ECHO? " + std::string(c.Header) +
                "'), n=visareadblock(0;a[]), m=visaquery(0;'MEAS?'), "
                "string(n)+' '+string(length(a[]))+' '+m"),
        std::string("'") + c.Expect + " " + (std::string(c.Expect) == "-1" ? "1" : c.Expect) + " +1.234500E+00'");
  }
}

TEST_P(VisaLan, TimeOutServerGoneAndBreak) {
  OstraTest::TScopedEnv mapper("OSTRA_VXI11_PORTMAPPER", std::to_string(Scope->PortMapper));
  auto start = TClock::now();
  EXPECT_EQ(Outcome(Open(300) + "visaquery(0;'SLOW?')"), "''");
  const double ms = MsSince(start);
  EXPECT_GE(ms, 280);
  EXPECT_LT(ms, 5000);

  // The server closes the connection while the read waits: it ends as a
  // time-out would, long before the 8 s, and the session opens again.
  start = TClock::now();
  EXPECT_EQ(
      Outcome(Open(8000) + "r=visaquery(0;'DROP'), c=visaclose(0), o=" + Open(3000).substr(0, Open(3000).size() - 2) +
              ", q=visaquery(0;'*IDN?'), string(length(r))+' '+string(o)+' '+q"),
      "'0 -1 " + Idn + "'");
  EXPECT_LT(MsSince(start), 6000);

  // Break during a read without time-out.
  ASSERT_TRUE(Calc.Start(Open(0) + "visaquery(0;'SLOW?')"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto breakAt = TClock::now();
  Calc.Break();
  OstraTest::TRun stopped = Calc.Finish();
  EXPECT_LT(MsSince(breakAt), 200);
  EXPECT_EQ(Describe(stopped), "!Stopped");
  EXPECT_EQ(Outcome(Open(3000) + "visaquery(0;'*IDN?')"), "'" + Idn + "'");
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, VisaLan,
    ::testing::Values(TLanCase{"Socket", "TCPIP::127.0.0.1::%d::SOCKET", TService::Socket},
                      TLanCase{"SocketIPv6", "tcpip0::[::1]::%d::socket", TService::Socket},
                      TLanCase{"Vxi11", "TCPIP::127.0.0.1::INSTR", TService::Vxi11},
                      TLanCase{"Vxi11IPv6", "TCPIP0::[::1]::inst0::INSTR", TService::Vxi11},
                      TLanCase{"Hislip", "TCPIP::127.0.0.1::hislip0,%d::INSTR", TService::Hislip},
                      TLanCase{"HislipIPv6", "TCPIP::[::1]::HISLIP0,%d::INSTR", TService::Hislip}),
    [](const ::testing::TestParamInfo<TLanCase>& p) { return std::string(p.param.Name); });

// A header that announces more than the process may have is refused before
// anything is read into memory.
TEST(VisaBlock, BeyondMemoryIsAClearError) {
  if (OstraTest::Sanitized) GTEST_SKIP() << "the sanitizers' shadow memory does not fit an address-space limit";
  OstraTest::TLanOscilloscope scope;
  ASSERT_TRUE(scope.Ready) << scope.Output;
  OstraTest::TCliOptions options;
  options.AddressSpaceLimit = size_t{2} << 30;
  const std::string program = "visaopen(0;'TCPIP::127.0.0.1::" + std::to_string(scope.SocketPort) +
                              "::SOCKET';2000), visawrite(0;'ECHO? #9999999999abc'), a[0]=7, visareadblock(0;a[])";
  OstraTest::TCliRun r = OstraTest::RunCli({"-e", program}, options);
  EXPECT_NE(r.Status, 0);
  EXPECT_NE(r.Err.find("visareadblock: A block of 999999999 bytes is more than the memory allows"), std::string::npos)
      << r.Err;
}

// ---- USBTMC through a stand-in: a sysfs tree and a pseudo-terminal as
// the device node.

namespace {

class VisaUsbtmc : public ::testing::Test {
protected:
  OstraTest::TTempDir Root;
  OstraTest::TPtyInstrument Device{[](const std::string& line) -> std::string {
    if (line == "*IDN?") return "ACME,USB SCOPE,MY123,2.0\n";
    if (line == "MEAS?") return "+5.000E-01\n";
    return "";
  }};
  std::unique_ptr<OstraTest::TScopedEnv> Env;

  void SetUp() override {
    namespace fs = std::filesystem;
    const std::string dev = Root / "sys/devices/pci0000:00/usb1/1-2";
    fs::create_directories(dev + "/1-2:1.0");
    fs::create_directories(Root / "sys/class/usbmisc/usbtmc0");
    fs::create_directories(Root / "dev");
    std::ofstream(dev + "/idVendor") << "0957\n";
    std::ofstream(dev + "/idProduct") << "1796\n";
    std::ofstream(dev + "/serial") << "MY123\n";
    std::ofstream(dev + "/1-2:1.0/bInterfaceNumber") << "00\n";
    fs::create_symlink(dev + "/1-2:1.0", Root / "sys/class/usbmisc/usbtmc0/device");
    fs::create_symlink(Device.Device, Root / "dev/usbtmc0");
    // A serial port with hardware and a placeholder without.
    fs::create_directories(Root / "sys/bus/usb-serial");
    fs::create_directories(Root / "sys/bus/platform");
    for (const char* tty : {"ttyUSB0", "ttyS3"}) {
      fs::create_directories(Root / ("sys/class/tty/" + std::string(tty) + "/device"));
      fs::create_symlink(Root / (std::string(tty) == "ttyUSB0" ? "sys/bus/usb-serial" : "sys/bus/platform"),
                         Root / ("sys/class/tty/" + std::string(tty) + "/device/subsystem"));
    }
    // The device delivers messages whole: a raw terminal.
    int fd = open(Device.Device.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    close(fd);
    Env = std::make_unique<OstraTest::TScopedEnv>("OSTRA_VISA_ROOT", Root.Path);
  }
};

}  // namespace

TEST_F(VisaUsbtmc, FindOpenQueryAndBreak) {
  OstraTest::TCalculator calc;
  EXPECT_EQ(Describe(calc.Run("visafind('?*INSTR')")),
            "'USB0::0x0957::0x1796::MY123::0::INSTR;ASRL/dev/ttyUSB0::INSTR'");
  EXPECT_EQ(Describe(calc.Run("visafind('usb?*')")), "'USB0::0x0957::0x1796::MY123::0::INSTR'");
  EXPECT_EQ(Describe(calc.Run("visafind('GPIB?*')")), "''");
  // Ids in either notation, serial number in either case; END ends the
  // message (no termination), the device's line feed goes.
  for (const char* r : {"USB::0x0957::0x1796::MY123::INSTR", "usb0::2391::6038::my123::0::instr"}) {
    SCOPED_TRACE(r);
    EXPECT_EQ(Describe(calc.Run(std::string("visaopen(0;'") + r +
                                "';1000), visatermination(0;'';chr(13)), visaquery(0;'*IDN?')")),
              "'ACME,USB SCOPE,MY123,2.0'");
  }
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'USB::0x0957::0x1796::OTHER::INSTR';1000)")), "0");
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'USB::0x0957::0x1796::MY123::1::INSTR';1000)")), "0");
  // No answer: the time-out, then Break on a wait without one.
  auto start = TClock::now();
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'USB::0x0957::0x1796::MY123::INSTR';300), visaquery(0;'SILENT?')")), "''");
  EXPECT_GE(MsSince(start), 280);
  ASSERT_TRUE(calc.Start("visaopen(0;'USB::0x0957::0x1796::MY123::INSTR';0), visaquery(0;'SILENT?')"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto breakAt = TClock::now();
  calc.Break();
  OstraTest::TRun stopped = calc.Finish();
  EXPECT_LT(MsSince(breakAt), 200);
  EXPECT_EQ(Describe(stopped), "!Stopped");
}

// ---- the serial and GPIB layers under the same functions

TEST(VisaLocalBuses, SerialAndGpibForms) {
  OstraTest::TPtyInstrument pty(OstraTest::StandardAnswer);
  OstraTest::TScopedEnv port("OSTRA_SERIAL_0", pty.Device);
  OstraTest::TCalculator calc;
  for (const std::string& r : {std::string("ASRL1::INSTR"), "ASRL" + pty.Device + "::INSTR"}) {
    SCOPED_TRACE(r);
    EXPECT_EQ(Describe(calc.Run("visaopen(0;'" + r +
                                "';1000), visatermination(0;chr(13)+chr(10);chr(13)), "
                                "a=visaquery(0;'*IDN?'), b=visaquery(0;'READ?'), a+'/'+b")),
              "'OSTRA,PTY INSTRUMENT,0,1.0/+4.250E-03'");
  }
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'ASRL1::INSTR';200), visaquery(0;'NOTHING')")), "''");
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'ASRL/dev/no-such-port::INSTR';200)")), "0");

  // GPIB: the stand-in's instrument at address 5 answers with END.
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'GPIB::5::INSTR';1000), a=visaquery(0;'*IDN?'), "
                              "b=visaquery(0;'LONG?'), a+'/'+string(length(b))")),
            "'OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0/1500'");
  // No instrument at address 6: the write fails as a result.
  EXPECT_EQ(Describe(calc.Run("visaopen(0;'GPIB0::6::INSTR';1000), visawrite(0;'*IDN?')")), "0");
}

// ---- third-party clients against the simulator

namespace {

bool Installed(const std::string& command) { return OstraTest::Shell(command, 30).Status == 0; }

// The port mapper's port 111 is one per machine: the tests that need it
// take turns.
class TPortMapperTurn {
public:
  TPortMapperTurn() {
    Fd = open("/tmp/ostra-visa-portmapper.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (Fd >= 0) flock(Fd, LOCK_EX);
  }
  ~TPortMapperTurn() {
    if (Fd >= 0) close(Fd);
  }

private:
  int Fd = -1;
};

}  // namespace

TEST(VisaThirdParty, LxiToolsQueriesRawSocketAndVxi11) {
  if (!Installed("command -v lxi"))
    GTEST_SKIP() << "lxi-tools is not installed (scripts/install-deps.sh installs it)";
  TPortMapperTurn turn;
  OstraTest::TLanOscilloscope scope({"--portmapper", "111"});
  ASSERT_TRUE(scope.Ready) << "the simulator needs port 111 for VXI-11 clients: " << scope.Output;
  OstraTest::TShellRun raw =
      OstraTest::Shell("lxi scpi --address 127.0.0.1 --port " + std::to_string(scope.SocketPort) + " --raw '*IDN?'");
  EXPECT_NE(raw.Out.find(Idn), std::string::npos) << raw.Out;
  OstraTest::TShellRun vxi = OstraTest::Shell("lxi scpi --address 127.0.0.1 '*IDN?'");
  EXPECT_NE(vxi.Out.find(Idn), std::string::npos) << vxi.Out;
}

TEST(VisaThirdParty, PyVisaQueriesSocketAndVxi11) {
  if (!Installed("/usr/bin/python3 -c 'import pyvisa, pyvisa_py'"))
    GTEST_SKIP() << "PyVISA with pyvisa-py is not installed (scripts/install-deps.sh installs it)";
  TPortMapperTurn turn;
  OstraTest::TLanOscilloscope scope({"--portmapper", "111"});
  ASSERT_TRUE(scope.Ready) << "the simulator needs port 111 for VXI-11 clients: " << scope.Output;
  const std::string script =
      "import pyvisa\n"
      "rm = pyvisa.ResourceManager('@py')\n"
      "for name in ['TCPIP::127.0.0.1::" +
      std::to_string(scope.SocketPort) +
      "::SOCKET', 'TCPIP::127.0.0.1::INSTR']:\n"
      "    i = rm.open_resource(name, read_termination='\\n', write_termination='\\n', timeout=5000)\n"
      "    print(name, i.query('*IDN?'))\n"
      "    data = i.query_binary_values('CURV?', datatype='B', container=bytes)\n"
      "    print(name, 'points', len(data))\n"
      "    i.close()\n";
  OstraTest::TTempDir dir;
  OstraTest::WriteBytes(dir / "check.py", script);
  OstraTest::TShellRun r = OstraTest::Shell("/usr/bin/python3 " + (dir / "check.py"), 90);
  EXPECT_EQ(r.Status, 0) << r.Out;
  for (const std::string& name : {"TCPIP::127.0.0.1::" + std::to_string(scope.SocketPort) + "::SOCKET",
                                  std::string("TCPIP::127.0.0.1::INSTR")}) {
    EXPECT_NE(r.Out.find(name + " " + Idn), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(name + " points 1000000"), std::string::npos) << r.Out;
  }
}

// ---- the macros of examples/instruments, as a user runs them

TEST(VisaExamples, OneMacroPerKindAndBreakDuringSlow) {
  TPortMapperTurn turn;
  OstraTest::TLanOscilloscope scope(
      {"--socket-port", "5025", "--hislip-port", "4880", "--portmapper", "111", "--slow", "15"});
  ASSERT_TRUE(scope.Ready) << "the macros need ports 5025, 4880 and 111: " << scope.Output;
  const std::string dir = std::string(OSTRA_SOURCE_DIR) + "/examples/instruments/";
  for (const char* kind : {"socket", "vxi11", "hislip"}) {
    SCOPED_TRACE(kind);
    OstraTest::TCliOptions options;
    options.InterruptAfterMs = 7000;
    OstraTest::TCliRun r = OstraTest::RunCli({dir + "visa_" + kind + ".sma"}, options);
    EXPECT_EQ(r.Out.rfind("scope: " + Idn + "\nreading: +1.234500E+00\ncurve: 1000000 points\nSLOW? answers", 0), 0u)
        << r.Out << r.Err;
    EXPECT_EQ(r.Err, "Error: Stopped\n");
    EXPECT_GE(r.AfterInterruptMs, 0);
    EXPECT_LT(r.AfterInterruptMs, 200 * OstraTest::SanitizerSlowdown);
  }
}

// The examples of the help entries, against the same simulator and stand-ins.
TEST(VisaExamples, HelpExamplesDoWhatTheirNotesSay) {
  auto example = [](const char* name) { return std::string(FindBuiltin(name)->Help.Example); };
  TPortMapperTurn turn;
  OstraTest::TLanOscilloscope scope({"--socket-port", "5025", "--hislip-port", "4880", "--portmapper", "111"});
  ASSERT_TRUE(scope.Ready) << "the examples need ports 5025, 4880 and 111: " << scope.Output;
  OstraTest::TCalculator calc;
  EXPECT_EQ(Describe(calc.Run(example("visaopen"))), "'" + Idn + "'");
  OstraTest::TRun q = calc.Run(example("visaquery"));
  EXPECT_EQ(q.Output, "reading: 1.2345\n");
  EXPECT_EQ(Describe(calc.Run(example("visareadblock"))), "1000000");
  OstraTest::TPtyInstrument pty(OstraTest::StandardAnswer);
  OstraTest::TScopedEnv port("OSTRA_SERIAL_0", pty.Device);
  EXPECT_EQ(Describe(calc.Run(example("visatermination"))), "'OSTRA,PTY INSTRUMENT,0,1.0'");
  OstraTest::TTempDir empty;
  OstraTest::TScopedEnv root("OSTRA_VISA_ROOT", empty.Path);
  EXPECT_EQ(Describe(calc.Run(example("visafind"))), "'no USB instrument'");
}
