// The serial port functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "instruments/Serial.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"commopen",
     MakeFunction<TOpenComm>,
     {"portno;desc:timeout",
      "Opens serial port number <portno> using communication parameters <desc> and a read timeout of "
      "<timeout> milliseconds. <desc> is a string in the format:\n"
      "'baud=xxxx parity=x stop=x data=x'\n"
      "The first serial port has the port number 0. The port is automatically closed when the "
      "execution in the calculator terminates. It also can be reopened without closing it to change "
      "for example the baud rate etc.",
      "if(commopen(0;'baud=9600 parity=N stop=1 data=8';1000);\n"
      " commwrite(0;'*IDN?'+chr(13)),\n"
      " commreadln(0);\n"
      " 'port 0 did not open'\n"
      ")\n",
      "This asks the instrument on port 0 for its identification and returns the line it answers, or "
      "0 when no answer comes within 1000 ms. Port <portno> is the device named by the environment "
      "variable OSTRA_SERIAL_<portno> (for example OSTRA_SERIAL_0=/dev/ttyUSB0), else "
      "/dev/ttyS<portno>; the port is opened for this program alone. <desc> may also be written "
      "'9600,n,8,1'; an unknown setting or rate makes commopen return 0, and so does a device that "
      "does not take every setting asked for (a pseudo-terminal, for one, has only 8 data bits and no "
      "parity). Every read call ends after "
      "<timeout> ms, or when more than <timeout>/10 ms pass between two bytes. A <timeout> of 0 or "
      "less means no time-out: a read waits until its data has come, and only Break (or a device that "
      "goes away) ends it sooner.",
      "commclose(portno)"}},
    {"commclose",
     MakeFunction<TCloseComm>,
     {"portno",
      "Closes serial port number <portno>. Closing a port that is not open does nothing. All ports "
      "are also closed when a calculation ends. The function returns 0.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout)"}},
    {"commwrite",
     MakeFunction<TWriteComm>,
     {"portno;s",
      "Sends the string <s> to serial port <portno>, up to its first zero character; a number is "
      "sent in its text form. No line end is added. The port must have been opened with commopen. "
      "The function returns 0.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout),commread(portno;count),commreadln(portno)"}},
    {"commreadln",
     MakeFunction<TReadComm>,
     {"portno",
      "Reads a line from serial port <portno> and returns it without its line terminator (a carriage "
      "return unless changed with commlineterm). Each character may take up to the port's timeout; "
      "when it passes, the function returns the number 0. A line longer than 65536 characters is "
      "returned in pieces of 65536 characters. A zero character ends the returned text.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout),commread(portno;count),commlineterm(portno;s)"}},
    {"commread",
     MakeFunction<TReadCommCnt>,
     {"portno;count",
      "Reads up to <count> characters from serial port <portno> and returns them as a string. The "
      "read ends after the port's timeout, or earlier when a tenth of it passes between two "
      "characters, so the string may be shorter or empty. A zero character ends the returned text. "
      "A negative <count> stops the calculation with an error.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout),commreadln(portno)"}},
    {"commlineterm",
     MakeFunction<TLineTerm>,
     {"portno;s",
      "Sets the line terminator with which commreadln recognises the end of a line on serial port "
      "<portno> to the string <s>; it may have several characters, such as chr(13)+chr(10). An "
      "empty terminator makes commreadln return 0 at once. The function returns 1.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout),commreadln(portno)"}},
    {"commreadbin",
     MakeFunction<TReadCommBin>,
     {"portno;arr[];c",
      "Reads up to <c> bytes from serial port <portno> into the array <arr[]>, one element per byte "
      "with a value from 0 to 255; the array then has exactly as many elements as bytes arrived. "
      "Returns 1 if at least one byte arrived, else 0 (and <arr[]> is empty).",
      "commopen(0;'115200,n,8,1';500),\n"
      "commwrite(0;'CURVE?'+chr(13)),\n"
      "if(commreadbin(0;block[];256);\n"
      " println('bytes: '+string(length(block[]))),\n"
      " mean(block[]);\n"
      " -1\n"
      ")\n",
      "This asks the instrument on port 0 for a block of up to 256 bytes, prints how many arrived and "
      "returns their mean value, or -1 when none came within 500 ms.",
      "commopen(portno;descr;timeout)"}},
    {"commwritebin",
     MakeFunction<TWriteCommBin>,
     {"portno;arr[]",
      "Sends the elements of the array <arr[]> as bytes to serial port <portno>: each element is "
      "cut to an integer and its lowest 8 bits, so 256 is sent as 0 and -1 as 255. The function "
      "returns 0.",
      nullptr,
      nullptr,
      "commopen(portno;descr;timeout)"}},
};

}  // namespace

TLibrary SerialLibrary() { return Rows; }

}  // namespace TernioParser
