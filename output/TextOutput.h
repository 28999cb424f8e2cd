#pragma once
// print, println and cleartext: text for the output window.

#include "engine/Function.h"

namespace TernioParser {

class TPrint final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
  OSTRA_HELP("print")
};

class TPrintln final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
  OSTRA_HELP("println")
};

class TClearText final : public TFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
  OSTRA_HELP("cleartext")
};

}  // namespace TernioParser
