// The GPIB functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "instruments/Gpib.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"gpibwritebin",
     MakeFunction<TGPIBWriteBin>,
     {"id;arr[]",
      "Sends the elements of the array <arr[]> as bytes to the GPIB device with id <id> (its primary "
      "address on the active board), EOI with the last byte. Each element is cut to an integer and "
      "its lowest 8 bits, so 256 is sent as 0. Returns true (-1) when the driver reported no error, "
      "else 0 (also when there is no device or no GPIB driver).",
      nullptr,
      nullptr,
      "gpibreadbin(id;arr;c),gpibprint(id;s;c),gpibprintln(id;s)"}},
    {"gpibreadbin",
     MakeFunction<TGPIBReadBin>,
     {"id;arr[];c",
      "Reads up to <c> bytes from the GPIB device with id <id> into the array <arr[]>, one element "
      "per byte with a value from 0 to 255. The read ends at EOI, after <c> bytes or at the device's "
      "timeout. Returns true (-1) on success; on an error the array keeps its old contents and the "
      "function returns 0.",
      nullptr,
      nullptr,
      "gpibwritebin(id;arr[]),gpibread(id;c),gpibprintln(id;s)"}},
    {"gpibprintln",
     MakeFunction<TGPIBWriteLn>,
     {"id;s",
      "Sends the string <s> to the GPIB device with id <id>, the end marked by EOI with the last "
      "character; no line end is added. Returns true (-1) when the driver reported no error, else 0 "
      "(also when there is no device or no GPIB driver).",
      nullptr,
      nullptr,
      "gpibprint(id;s;c),gpibreadln(id)"}},
    {"gpibprint",
     MakeFunction<TGPIBWrite>,
     {"id;s;c",
      "Sends the whole string <s> to the GPIB device with id <id>, as gpibprintln does; <c> is "
      "evaluated but does not limit what is sent. Returns true (-1) when the driver reported no "
      "error, else 0.",
      nullptr,
      nullptr,
      "gpibprintln(id;s),gpibread(id;c)"}},
    {"gpibreadln",
     MakeFunction<TGPIBReadLn>,
     {"id",
      "Reads an answer of up to 1024 bytes from the GPIB device with id <id> and returns it as a "
      "string, including a line end the device sends. The read ends at EOI, after 1024 bytes or at "
      "the device's timeout; on a timeout or an error, or without a device or GPIB driver, the "
      "result is an empty string. The GPIB driver library is the one named by the environment "
      "variable OSTRA_GPIB_LIBRARY, else libgpib.so.0 or libgpibapi.so.0. Where the driver offers "
      "asynchronous transfers, Break aborts a read or write at once; otherwise the device's timeout "
      "(gpibtimeout) ends it.",
      "if(gpibprintln(5;'*IDN?');\n"
      " gpibreadln(5);\n"
      " 'no answer: status '+string(gpibsta())\n"
      ")\n",
      "This asks the device at address 5 for its identification and returns the answer, or the "
      "driver's status when the query could not be sent (32768 without a GPIB driver).",
      "gpibread(id;c),gpibprintln(id;s)"}},
    {"gpibread",
     MakeFunction<TGPIBRead>,
     {"id;c",
      "Reads up to <c> bytes (0 to 65535) from the GPIB device with id <id> and returns them as a "
      "string; on a timeout or an error the result is empty. Any other <c> stops the calculation "
      "with an error.",
      nullptr,
      nullptr,
      "gpibreadln(id)"}},
    {"gpibtimeout",
     MakeFunction<TGPIBTimout>,
     {"id;t",
      "This sets the timeout interval for device with id <id> to <t>. <t> is a value from 1 to 17. "
      "The function returns true (-1) when the operation was successfull.The timout value affects "
      "read and write operations. The following table describes the timeout period depending on "
      "<t>:\n"
      "1:  10 \xB5s\n"
      "2:  30 \xB5s\n"
      "3:  100 \xB5s\n"
      "4:  300 \xB5s\n"
      "5:  1 ms\n"
      "6:  3 ms\n"
      "7:  10 ms\n"
      "8:  30 ms\n"
      "9:  100 ms\n"
      "10: 300 ms\n"
      "11: 1 s\n"
      "12: 3 s\n"
      "13: 10 s\n"
      "14: 30 s\n"
      "15: 100 s\n"
      "16: 300 s\n"
      "17: 1000 s",
      nullptr,
      nullptr,
      nullptr}},
    {"gpibboard",
     MakeFunction<TGPIBBoard>,
     {"b",
      "Makes GPIB board <b> (0 to 20) the active board: every device of the previous board is taken "
      "offline, and ids then address devices on board <b>. Returns true (-1) unless the driver "
      "reported an error, then 0.",
      nullptr,
      nullptr,
      nullptr}},
    {"gpibsta",
     MakeFunction<TGPIBSta>,
     {"",
      "Returns the status word of the GPIB driver after the last GPIB call (ibsta): bit 15 (32768) "
      "is set after an error, bit 14 (16384) after a timeout. Without a GPIB driver it is 32768.",
      nullptr,
      nullptr,
      nullptr}},
    {"gpiberr",
     MakeFunction<TGPIBErr>,
     {"",
      "Returns the error code of the GPIB driver after the last GPIB call (iberr); it is meaningful "
      "when gpibsta() has bit 15 set. 0 means that no driver is loaded.",
      nullptr,
      nullptr,
      nullptr}},
};

}  // namespace

TLibrary GpibLibrary() { return Rows; }

}  // namespace TernioParser
