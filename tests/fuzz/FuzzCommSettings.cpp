// The serial line settings a program passes to commopen, any text: a mode
// string is accepted with settings the terminal interface can take, or
// refused.

#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "instruments/Serial.h"

using namespace TernioParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCommConfig config;
  if (!ParseCommDescriptor(std::string_view(reinterpret_cast<const char*>(data), size), config)) return 0;
  FUZZ_CHECK(config.Baud > 0);
  FUZZ_CHECK(config.DataBits >= 5 && config.DataBits <= 8);
  FUZZ_CHECK(config.StopBits == 1 || config.StopBits == 2);
  FUZZ_CHECK(config.Parity == 'n' || config.Parity == 'e' || config.Parity == 'o' || config.Parity == 'm' ||
             config.Parity == 's');
  return 0;
}
