#include "instruments/VisaResource.h"

#include <cctype>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace TernioParser {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool StartsNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// A decimal number of at most 9 digits.
bool Decimal(std::string_view s, int& out) {
  if (s.empty() || s.size() > 9) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}

// A USB id: 0x followed by 1 to 4 hex digits, or a decimal number, 0..65535.
bool UsbId(std::string_view s, int& out) {
  if (StartsNoCase(s, "0x")) {
    s.remove_prefix(2);
    if (s.empty() || s.size() > 4) return false;
    int v = 0;
    for (char c : s) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
      v = v * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    out = v;
    return true;
  }
  return Decimal(s, out) && out <= 0xFFFF;
}

// The board number after a keyword: none (board 0) or decimal digits.
bool Board(std::string_view s, int& board) {
  board = 0;
  return s.empty() || Decimal(s, board);
}

// Splits at "::"; an IPv6 literal in brackets stays whole.
std::vector<std::string_view> Fields(std::string_view s) {
  std::vector<std::string_view> out;
  size_t start = 0, i = 0;
  while (i <= s.size()) {
    if (i < s.size() && s[i] == '[') {
      size_t close = s.find(']', i);
      if (close == std::string_view::npos) return {};
      i = close + 1;
      continue;
    }
    if (i == s.size() || s.compare(i, 2, "::") == 0) {
      out.push_back(s.substr(start, i - start));
      if (i == s.size()) break;
      i += 2;
      start = i;
      continue;
    }
    ++i;
  }
  return out;
}

bool ValidHost(std::string_view h, std::string& host) {
  if (h.empty()) return false;
  if (h.front() == '[') {
    if (h.size() < 3 || h.back() != ']') return false;
    h = h.substr(1, h.size() - 2);
    // Hex digits, colons and dots, then an optional zone (%eth0).
    const size_t zone = std::min(h.find('%'), h.size());
    for (size_t i = 0; i < h.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(h[i]);
      const bool ok =
          i < zone ? std::isxdigit(c) || c == ':' || c == '.' : i == zone || std::isalnum(c) || c == '_' || c == '-';
      if (!ok) return false;
    }
    if (h.substr(0, zone).find(':') == std::string_view::npos || zone + 1 == h.size()) return false;
  } else {
    for (char c : h)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') return false;
  }
  host = std::string(h);
  return true;
}

bool ParseTcpip(const std::vector<std::string_view>& f, TVisaResource& r) {
  // f[0] is TCPIP[n]; the class is the last field.
  if (f.size() < 2 || !ValidHost(f[1], r.Host)) return false;
  std::vector<std::string_view> rest(f.begin() + 2, f.end());
  if (!rest.empty() && EqualNoCase(rest.back(), "SOCKET")) {
    int port = 0;
    if (rest.size() != 2 || !Decimal(rest[0], port) || port < 1 || port > 65535) return false;
    r.Kind = TVisaKind::Socket;
    r.Port = port;
    return true;
  }
  if (!rest.empty() && EqualNoCase(rest.back(), "INSTR")) rest.pop_back();
  if (rest.size() > 1) return false;
  std::string_view dev = rest.empty() ? std::string_view("inst0") : rest[0];
  if (dev.empty()) return false;
  for (char c : dev)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != ',' && c != '_') return false;
  if (StartsNoCase(dev, "hislip")) {
    size_t comma = dev.find(',');
    std::string_view name = dev.substr(0, comma);
    int n = 0;
    if (!Decimal(name.substr(6), n)) return false;
    r.Port = 4880;
    if (comma != std::string_view::npos && (!Decimal(dev.substr(comma + 1), r.Port) || r.Port < 1 || r.Port > 65535))
      return false;
    r.Kind = TVisaKind::Hislip;
    r.Device = std::string(name);
    for (char& c : r.Device) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return true;
  }
  r.Kind = TVisaKind::Vxi11;
  r.Device = std::string(dev);
  return true;
}

bool ParseUsb(const std::vector<std::string_view>& f, TVisaResource& r) {
  std::vector<std::string_view> rest(f.begin() + 1, f.end());
  if (!rest.empty() && EqualNoCase(rest.back(), "INSTR")) rest.pop_back();
  if (rest.size() != 3 && rest.size() != 4) return false;
  if (!UsbId(rest[0], r.Vendor) || !UsbId(rest[1], r.Product) || rest[2].empty()) return false;
  for (char c : rest[2])
    if (static_cast<unsigned char>(c) <= ' ' || c == ':') return false;
  r.SerialNumber = std::string(rest[2]);
  if (rest.size() == 4 && (!Decimal(rest[3], r.Interface) || r.Interface > 255)) return false;
  r.Kind = TVisaKind::Usbtmc;
  return true;
}

bool ParseGpib(const std::vector<std::string_view>& f, TVisaResource& r) {
  std::vector<std::string_view> rest(f.begin() + 1, f.end());
  if (!rest.empty() && EqualNoCase(rest.back(), "INSTR")) rest.pop_back();
  if (rest.empty() || rest.size() > 2) return false;
  if (!Decimal(rest[0], r.Primary) || r.Primary > 30) return false;
  if (rest.size() == 2 && (!Decimal(rest[1], r.Secondary) || r.Secondary > 30)) return false;
  if (r.Board > 20) return false;
  r.Kind = TVisaKind::Gpib;
  return true;
}

}  // namespace

bool ParseVisaResource(std::string_view text, TVisaResource& resource) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  TVisaResource r;
  // ASRL with a path keeps the path's own colons and case.
  if (StartsNoCase(text, "ASRL/")) {
    std::string_view path = text.substr(4);
    size_t tail = path.rfind("::");
    if (tail != std::string_view::npos) {
      if (!EqualNoCase(path.substr(tail + 2), "INSTR")) return false;
      path = path.substr(0, tail);
    }
    if (path.size() < 2 || path.find("::") != std::string_view::npos) return false;
    r.Kind = TVisaKind::Serial;
    r.Path = std::string(path);
    resource = r;
    return true;
  }
  const std::vector<std::string_view> f = Fields(text);
  if (f.empty()) return false;
  bool ok = false;
  if (StartsNoCase(f[0], "TCPIP")) {
    ok = Board(f[0].substr(5), r.Board) && ParseTcpip(f, r);
  } else if (StartsNoCase(f[0], "USB")) {
    ok = Board(f[0].substr(3), r.Board) && ParseUsb(f, r);
  } else if (StartsNoCase(f[0], "GPIB")) {
    ok = Board(f[0].substr(4), r.Board) && ParseGpib(f, r);
  } else if (StartsNoCase(f[0], "ASRL")) {
    ok = Decimal(f[0].substr(4), r.SerialPort) && r.SerialPort >= 1 && r.SerialPort <= 50 &&
         (f.size() == 1 || (f.size() == 2 && EqualNoCase(f[1], "INSTR")));
    r.Kind = TVisaKind::Serial;
  }
  if (ok) resource = r;
  return ok;
}

std::string VisaResourceName(const TVisaResource& r) {
  char buf[64];
  switch (r.Kind) {
    case TVisaKind::Usbtmc:
      std::snprintf(buf, sizeof buf, "USB%d::0x%04X::0x%04X::", r.Board, r.Vendor, r.Product);
      return buf + r.SerialNumber + (r.Interface >= 0 ? "::" + std::to_string(r.Interface) : "") + "::INSTR";
    case TVisaKind::Serial:
      return r.Path.empty() ? "ASRL" + std::to_string(r.SerialPort) + "::INSTR" : "ASRL" + r.Path + "::INSTR";
    case TVisaKind::Gpib:
      return "GPIB" + std::to_string(r.Board) + "::" + std::to_string(r.Primary) +
             (r.Secondary >= 0 ? "::" + std::to_string(r.Secondary) : "") + "::INSTR";
    default: {
      const std::string host = r.Host.find(':') != std::string::npos ? "[" + r.Host + "]" : r.Host;
      const std::string head = "TCPIP" + std::to_string(r.Board) + "::" + host + "::";
      if (r.Kind == TVisaKind::Socket) return head + std::to_string(r.Port) + "::SOCKET";
      if (r.Kind == TVisaKind::Hislip)
        return head + r.Device + (r.Port != 4880 ? "," + std::to_string(r.Port) : "") + "::INSTR";
      return head + r.Device + "::INSTR";
    }
  }
}

bool VisaPatternMatch(std::string_view p, std::string_view s) {
  // Iterative glob with backtracking to the last star.
  size_t i = 0, j = 0, star = std::string_view::npos, mark = 0;
  while (j < s.size()) {
    if (i < p.size() && p[i] == '*') {
      star = i++;
      mark = j;
    } else if (i < p.size() && (p[i] == '?' || std::tolower(static_cast<unsigned char>(p[i])) ==
                                                   std::tolower(static_cast<unsigned char>(s[j])))) {
      ++i, ++j;
    } else if (star != std::string_view::npos) {
      i = star + 1;
      j = ++mark;
    } else {
      return false;
    }
  }
  while (i < p.size() && p[i] == '*') ++i;
  return i == p.size();
}

}  // namespace TernioParser
