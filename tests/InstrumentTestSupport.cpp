#include "InstrumentTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>

namespace OstraTest {

TPtyInstrument::TPtyInstrument(std::function<std::string(const std::string&)> answer) : Answer(std::move(answer)) {
  Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) return;
  Device = ptsname(Master);
  fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
  Thread = std::thread([this] { Run(); });
}

TPtyInstrument::~TPtyInstrument() {
  Stop = true;
  if (Thread.joinable()) Thread.join();
  if (Master >= 0) close(Master);
}

void TPtyInstrument::Run() {
  while (!Stop) {
    pollfd p{Master, POLLIN, 0};
    if (poll(&p, 1, 5) <= 0) continue;
    char buf[4096];
    ssize_t n = read(Master, buf, sizeof buf);
    if (n <= 0) {
      // No slave open (EIO): wait for the calculator to open it.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    std::vector<std::string> lines;
    {
      std::lock_guard<std::mutex> g(Lock);
      All.append(buf, static_cast<size_t>(n));
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] == '\r') {
          lines.push_back(Line);
          Line.clear();
        } else {
          Line += buf[i];
        }
      }
    }
    if (!Answer) continue;
    for (const std::string& l : lines) {
      std::string a = Answer(l);
      if (!a.empty()) Send(a);
    }
  }
}

void TPtyInstrument::Send(const std::string& bytes) {
  size_t done = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (done < bytes.size() && Master >= 0 && std::chrono::steady_clock::now() < end) {
    ssize_t n = write(Master, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<size_t>(n);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::string TPtyInstrument::Received() {
  std::lock_guard<std::mutex> g(Lock);
  return All;
}

bool TPtyInstrument::WaitReceived(size_t n, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (Received().size() >= n) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return Received().size() >= n;
}

void TPtyInstrument::Vanish() {
  Stop = true;
  if (Thread.joinable()) Thread.join();
  if (Master >= 0) close(Master);
  Master = -1;
}

std::string StandardAnswer(const std::string& line) {
  if (line == "*IDN?") return "OSTRA,PTY INSTRUMENT,0,1.0\r\n";
  if (line == "READ?") return "+4.250E-03\r\n";
  if (line == "CURVE?") return std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  return "";
}

TScopedEnv::TScopedEnv(const std::string& name, const std::string& value) : Name(name) {
  const char* old = getenv(name.c_str());
  HadOld = old != nullptr;
  if (old) Old = old;
  setenv(name.c_str(), value.c_str(), 1);
}

TScopedEnv::~TScopedEnv() {
  if (HadOld) setenv(Name.c_str(), Old.c_str(), 1);
  else unsetenv(Name.c_str());
}

}  // namespace OstraTest
