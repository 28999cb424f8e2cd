// The VISA session functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "instruments/Visa.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"visaopen",
     MakeFunction<TVisaOpen>,
     {"h;resource;timeout",
      "Opens session <h> (0 to 31) to the instrument named by the VISA resource string <resource> and "
      "returns -1, or 0 when it cannot be opened (unknown or unreachable resource, wrong syntax, <h> "
      "out of range). <timeout> in ms bounds every later wait of the session: a transfer ends when no "
      "byte has come for that long; 0 or less means no limit, only Break ends a wait. The forms, "
      "case-insensitive, board numbers optional:\n"
      "TCPIP::host::port::SOCKET  raw SCPI over TCP\n"
      "TCPIP::host::INSTR  VXI-11 (TCPIP::host::inst0::INSTR)\n"
      "TCPIP::host::hislip0::INSTR  HiSLIP (hislip0,port for another port than 4880)\n"
      "USB::vid::pid::serial::INSTR  USBTMC\n"
      "ASRL1::INSTR or ASRL/dev/ttyUSB0::INSTR  serial port at 9600 baud, 8N1\n"
      "GPIB::addr::INSTR  GPIB device (GPIB::addr::sec::INSTR with a secondary address)\n"
      "A host may be a name, an IPv4 address or an IPv6 address in brackets such as [::1]. All "
      "sessions close when the calculation ends.",
      "if(visaopen(0;'TCPIP::127.0.0.1::5025::SOCKET';2000);\n"
      " visaquery(0;'*IDN?');\n"
      " 'no instrument'\n"
      ")\n",
      "This asks the instrument at port 5025 of this computer for its identification and returns it, "
      "or says that none answered.",
      "visaclose(h),visaquery(h;text),visafind(pattern)"}},
    {"visawrite",
     MakeFunction<TVisaWrite>,
     {"h;text",
      "Sends <text> followed by the write termination of session <h> (a line feed for sockets and "
      "serial ports, none for the protocols with an END mark) as one message. Returns the number of "
      "bytes sent, or 0 when the session is not open or the transfer failed.",
      nullptr,
      nullptr,
      "visaread(h),visaquery(h;text),visatermination(h;read;write)"}},
    {"visaread",
     MakeFunction<TVisaRead>,
     {"h",
      "Reads one message from session <h>: up to the read termination or the protocol's END, and "
      "returns it without the termination (a line feed that ends a message with END is removed too). "
      "A message longer than 65536 bytes comes back in pieces of 65536. Returns an empty string on a "
      "time-out, when the instrument closed the connection, or when the session is not open.",
      nullptr,
      nullptr,
      "visawrite(h;text),visaquery(h;text)"}},
    {"visaquery",
     MakeFunction<TVisaQuery>,
     {"h;text",
      "Sends <text> with the write termination to session <h>, then reads one message and returns "
      "it, as visawrite followed by visaread. Returns an empty string when no answer came.",
      "visaopen(0;'TCPIP::127.0.0.1::INSTR';2000),\n"
      "value=number(visaquery(0;'MEAS?')),\n"
      "println('reading: '+string(value))\n",
      "This reads a measurement from the VXI-11 instrument on this computer and prints it.",
      "visawrite(h;text),visaread(h),visareadblock(h;a[])"}},
    {"visawritebin",
     MakeFunction<TVisaWriteBin>,
     {"h;a[];n",
      "Sends the first <n> elements of the array <a[]> as raw bytes to session <h> (each element cut "
      "to an integer and its lowest 8 bits), with no termination; the last byte carries END. Returns "
      "the number of bytes sent, 0 on failure.",
      nullptr,
      nullptr,
      "visareadbin(h;a[];n)"}},
    {"visareadbin",
     MakeFunction<TVisaReadBin>,
     {"h;a[];n",
      "Reads up to <n> raw bytes from session <h> into the array <a[]>, one element per byte from 0 "
      "to 255; the read also ends at END or when the time-out passes without a byte. The array holds "
      "exactly the bytes that came; their number is returned.",
      nullptr,
      nullptr,
      "visawritebin(h;a[];n),visareadblock(h;a[])"}},
    {"visareadblock",
     MakeFunction<TVisaReadBlock>,
     {"h;a[]",
      "Reads one IEEE 488.2 block from session <h> into the array <a[]>, one element per byte: "
      "#<d><len><bytes> with <d> digits of length, or #0<bytes> up to END (on sockets and serial "
      "ports up to the read termination). Returns the block's length. A malformed header, or a block "
      "that ends early or times out, gives -1 and leaves <a[]> as it was; the rest of that message is "
      "read and dropped, so the next query works. A block longer than the memory allows stops the "
      "calculation with an error before anything is stored.",
      "visaopen(0;'TCPIP::127.0.0.1::hislip0::INSTR';5000),\n"
      "visawrite(0;'CURV?'),\n"
      "n=visareadblock(0;curve[]),\n"
      "plotxy(0;0;0;curve[]),\n"
      "n\n",
      "This fetches the curve of the simulated oscilloscope over HiSLIP, plots it and returns the "
      "number of points.",
      "visaquery(h;text),visareadbin(h;a[];n)"}},
    {"visatermination",
     MakeFunction<TVisaTermination>,
     {"h;read;write",
      "Sets the read and the write termination of session <h>. An empty string means none: a read "
      "then ends only at the protocol's END (VXI-11, HiSLIP, USBTMC, GPIB), and nothing is added to "
      "what is written. Sockets and serial ports start with chr(10) for both, the other protocols "
      "with none. Returns -1, or 0 when the session is not open.",
      "visaopen(0;'ASRL1::INSTR';1000),\n"
      "visatermination(0;chr(13);chr(13)),\n"
      "visaquery(0;'*IDN?')\n",
      "This talks to a serial instrument that ends its lines with a carriage return.",
      "visaopen(h;resource;timeout)"}},
    {"visatimeout",
     MakeFunction<TVisaTimeout>,
     {"h;ms",
      "Sets the time-out of session <h> to <ms> milliseconds (0 or less: no limit). Returns -1, or 0 "
      "when the session is not open.",
      nullptr,
      nullptr,
      "visaopen(h;resource;timeout)"}},
    {"visaclear",
     MakeFunction<TVisaClear>,
     {"h",
      "Sends a device clear to session <h> (on sockets and serial ports the bytes not yet read are "
      "dropped) and returns -1, or 0 when it failed, the GPIB driver has no device clear or the "
      "session is not open.",
      nullptr,
      nullptr,
      "visastatus(h)"}},
    {"visastatus",
     MakeFunction<TVisaStatus>,
     {"h",
      "Returns the status byte of the instrument of session <h> (a serial poll; on sockets, serial "
      "ports and GPIB drivers without serial poll the answer to *STB?), or -1 on failure.",
      nullptr,
      nullptr,
      "visaclear(h)"}},
    {"visaclose",
     MakeFunction<TVisaClose>,
     {"h",
      "Closes session <h>. Closing a session that is not open does nothing. Every session also "
      "closes when the calculation ends. The function returns 0.",
      nullptr,
      nullptr,
      "visaopen(h;resource;timeout)"}},
    {"visafind",
     MakeFunction<TVisaFind>,
     {"pattern",
      "Returns the resources present that match <pattern>, separated by ';': the USBTMC instruments "
      "the kernel driver knows and the serial ports. In <pattern> * stands for any characters and ? "
      "for one, as in VISA; letters match in either case. LAN instruments are not searched for.",
      "list=visafind('USB?*INSTR'),\n"
      "if(length(list)>0; list; 'no USB instrument')\n",
      "This lists the USBTMC instruments plugged in.",
      "visaopen(h;resource;timeout)"}},
};

}  // namespace

TLibrary VisaLibrary() { return Rows; }

}  // namespace TernioParser
