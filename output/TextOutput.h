#pragma once
// print, println and cleartext: text for the output window.

#include "engine/Function.h"

namespace TernioParser {

class TPrint final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

class TPrintln final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

class TClearText final : public TFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
};

// The rows of this library.
TLibrary TextOutputLibrary();

}  // namespace TernioParser
