#include "output/TextOutput.h"

namespace TernioParser {

// The text goes out even when the argument raised an error: the slot then
// still holds the value of the previous evaluation (the run stops all the
// same).
double TPrint::Calculate(TCalcInfo& ci) {
  if (ci.Host.Output) ci.Host.Output->Write(Results[0].AsString(), false);
  return 1;
}

double TPrintln::Calculate(TCalcInfo& ci) {
  if (ci.Host.Output) ci.Host.Output->Write(Results[0].AsString(), true);
  return 1;
}

double TClearText::Calculate(TCalcInfo& ci) {
  if (ci.Host.Output) ci.Host.Output->Clear();
  return 1;
}

}  // namespace TernioParser
