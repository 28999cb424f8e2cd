// The UDP socket functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "instruments/Udp.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"udpcreate",
     MakeFunction<TUdpCreate>,
     {"handle;address;port;timeout",
      "Create an UDP socket connected with the specified address and port. The function returns -1 "
      "when the UDP socket has been created. <handle> is a value from 0 to 9 and allows up to 10 "
      "parallel sockets to be created. <timeout> is the timeout value given in ms.",
      "udpcreate(0;'127.0.0.1';5025;200),\n"
      "udpsendstring(0;'MEAS?'),\n"
      "answer=udpreceivestring(0),\n"
      "if(length(answer)>0; answer; 'no answer within 200 ms')\n",
      "This sends the datagram 'MEAS?' to port 5025 of this computer and returns the answer, or says "
      "that none came. The address must be written in dotted decimal form; the port may be a number "
      "or a string. A receive waits up to <timeout> ms for a datagram (below 10 ms it does not wait "
      "at all); a negative <timeout> waits until a datagram comes, and Break ends every wait. The "
      "socket stays open after the calculation, until udpclose or a new udpcreate on the handle.",
      "udpsendstring()"}},
    {"udpsendstring",
     MakeFunction<TUdpSendString>,
     {"handle;string",
      "Sends <string> as one datagram through the UDP socket <handle> to its peer: the address given "
      "to udpcreate, or the sender of the last datagram received. Returns the number of bytes sent, "
      "or -1 on failure.",
      nullptr,
      nullptr,
      "udpcreate()"}},
    {"udpreceivestring",
     MakeFunction<TUdpReceiveString>,
     {"handle",
      "Waits up to the timeout of the UDP socket <handle> for a datagram and returns its bytes as a "
      "string, or an empty string when none came. The sender becomes the peer to which the next "
      "send goes. A datagram of exactly 2047 bytes is discarded (the result is empty); a longer one "
      "is skipped and the wait goes on.",
      nullptr,
      nullptr,
      "udpsendstring()"}},
    {"udpsendbin",
     MakeFunction<TUdpSendBin>,
     {"handle;arr[]",
      "Sends the elements of the array <arr[]> as one datagram of bytes through the UDP socket "
      "<handle>: each element is cut to an integer and its lowest 8 bits, so 300 is sent as 44. "
      "Returns the number of bytes sent, or -1 on failure.",
      nullptr,
      nullptr,
      "udpcreate()"}},
    {"udpreceivebin",
     MakeFunction<TUdpReceiveBin>,
     {"handle;arr[]",
      "Waits up to the timeout of the UDP socket <handle> for a datagram and stores its bytes in the "
      "array <arr[]>, one element per byte with a value from 0 to 255. Returns the number of bytes "
      "received; 0 (and an empty array) when none came. The sender becomes the peer.",
      "udpcreate(1;'127.0.0.1';5026;1000),\n"
      "udpsendstring(1;'SCAN?'),\n"
      "n=udpreceivebin(1;scan[]),\n"
      "if(n>0; arraymax(scan[]); -1)\n",
      "This asks the peer at port 5026 of this computer for a scan and returns the largest byte of "
      "the answer, or -1 when no datagram came within 1000 ms.",
      "udpcreate()"}},
    {"udpclose",
     MakeFunction<TUdpClose>,
     {"handle",
      "Closes the UDP socket <handle>. Closing a handle without a socket does nothing. The function "
      "returns 0.",
      nullptr,
      nullptr,
      "udpcreate()"}},
};

}  // namespace

TLibrary UdpLibrary() { return Rows; }

}  // namespace TernioParser
