#pragma once
// The result of a run as the main window's result field and the runner show it.

#include <string>

#include "engine/ReturnValue.h"

namespace TernioParser {

enum class TRadix { Decimal, Hexadecimal, Binary };

// A text as it is; a number in decimal (%.15g), or its 32-bit two's-complement
// pattern in hexadecimal or binary when it fits a 32-bit integer.
std::string FormatResult(const TReturnValue& value, TRadix radix);

}  // namespace TernioParser
