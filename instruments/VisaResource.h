#pragma once
// VISA resource names: the instrument a session opens, as lab tools write it.
//
//   TCPIP[n]::host::port::SOCKET             raw SCPI over TCP
//   TCPIP[n]::host[::inst0]::INSTR           VXI-11 (any device name but hislip...)
//   TCPIP[n]::host::hislip0[,port]::INSTR    HiSLIP, port 4880 unless given
//   USB[n]::vid::pid::serial[::intf]::INSTR  USBTMC
//   ASRL<n>::INSTR, ASRL/dev/ttyUSB0::INSTR  serial port (ASRL1 is script port 0)
//   GPIB[n]::addr[::sec]::INSTR              GPIB device on board n
//
// Keywords are case-insensitive, board numbers may be left out (board 0),
// and the closing ::INSTR may be left out as VISA allows. A host may be a
// name, an IPv4 address or an IPv6 literal in brackets ([::1]).

#include <cstdint>
#include <string>
#include <string_view>

namespace TernioParser {

enum class TVisaKind { Socket, Vxi11, Hislip, Usbtmc, Serial, Gpib };

struct TVisaResource {
  TVisaKind Kind = TVisaKind::Socket;
  int Board = 0;
  // TCPIP: the host without brackets, the port (SOCKET, HiSLIP) and the
  // device name (VXI-11: inst0 unless given; HiSLIP: hislip0).
  std::string Host;
  int Port = 0;
  std::string Device;
  // USB: vendor and product id, serial number, interface (-1: any).
  int Vendor = 0, Product = 0;
  std::string SerialNumber;
  int Interface = -1;
  // ASRL: the device path when given, else the port number (ASRL1 = 1).
  std::string Path;
  int SerialPort = 0;
  // GPIB: primary address 0..30, secondary 0..30 or -1.
  int Primary = 0, Secondary = -1;
};

// Reads a resource name; false when it is none of the forms above.
bool ParseVisaResource(std::string_view text, TVisaResource& resource);

// The name in canonical form (upper-case keywords, board number written),
// as visafind lists it.
std::string VisaResourceName(const TVisaResource& resource);

// VISA's pattern match of visafind: * any run of characters, ? one
// character, the rest case-insensitive.
bool VisaPatternMatch(std::string_view pattern, std::string_view name);

}  // namespace TernioParser
