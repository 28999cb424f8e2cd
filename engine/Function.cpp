#include "engine/Function.h"

#include <algorithm>

#include "engine/OutOfMemory.h"

namespace TernioParser {

void TFunction::CreateSlots() {
  Count = ArgumentCount();
  Args.assign(Count, nullptr);
  Results.assign(Count, TReturnValue());
}

void TFunction::Bind(TVarHandler& vars) {
  TVarHandler::TBodyNotes* notes = vars.Notes;
  const int calls = notes ? notes->Calls : 0;
  for (TParserAtom* a : Args) a->Bind(vars);
  if (notes && notes->Calls != calls && KeepsArgumentValues()) notes->KeepValues.push_back(this);
}

void TFunction::PutAside(TAside& aside) {
  auto& values = aside.Values;
  if (values.capacity() - values.size() < Results.size())
    values.reserve(std::max(values.size() + Results.size(), 2 * values.capacity()));
  for (TReturnValue& r : Results) {
    values.push_back(std::move(r));
    r.IsString = false;
    r.Number = 0;
  }
}

void TFunction::TakeBack(TAside& aside) noexcept {
  for (auto r = Results.rbegin(); r != Results.rend(); ++r) {
    *r = std::move(aside.Values.back());
    aside.Values.pop_back();
  }
}

bool TFunction::EvaluateArguments(TCalcInfo& ci) {
  for (int i = 0; i < Count && !ci.Error; ++i) Args[i]->Evaluate(ci, Results[i]);
  return !ci.Error;
}

void TFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  EvaluateArguments(ci);
  GuardMemory(ci, Name, [&] { result.SetNumber(Calculate(ci)); });
}

double TFunction::Calculate(TCalcInfo&) { return 0; }

bool TFunction::IsArrayArg(int i) const {
  auto* op = dynamic_cast<TOperandBase*>(Args[i]);
  return op && op->IsVariable() && op->IsArrayRef();
}

TArrayEntry* TFunction::RequireArray(TCalcInfo& ci, int i, std::string_view message, TScalarName scalar) const {
  const bool reference = IsArrayArg(i);
  if (TArrayEntry* a = reference ? ArrayArg(i) : nullptr) return a;
  if (!reference || scalar == TScalarName::Same) {
    ci.SetError(std::string(message));
  } else if (scalar == TScalarName::Bare) {
    ci.SetErrorFlag(true);
  } else {
    constexpr std::string_view tail = " is not an array";
    const std::string_view head = message.substr(0, message.size() - std::min(message.size(), tail.size()));
    const auto* ref = dynamic_cast<const TOpArray*>(Args[i]);
    ci.SetError(std::string(head) + " " + (ref ? ref->Name : std::string()) + "[]" + std::string(tail));
  }
  return nullptr;
}

int32_t TFunction::EvaluateIntArg(TCalcInfo& ci, int i) const { return IntegerValue(Args[i]->EvaluateNumber(ci)); }

bool TFunction::StopIfRequested(TCalcInfo& ci) {
  if (!ci.Stopping()) return false;
  RaiseStopped(ci);
  return true;
}

void TFunction::RaiseStopped(TCalcInfo& ci) {
  if (!ci.Error) ci.SetError("Stopped");
}

std::string TFunction::ArrayBytes(const TArrayEntry& a, int32_t n) {
  n = std::clamp(n, 0, a.Count);
  std::string bytes(static_cast<size_t>(n), '\0');
  for (int32_t k = 0; k < n; ++k) bytes[k] = static_cast<char>(IntegerValue(a.Data[k]) & 0xFF);
  return bytes;
}

void TFunction::StoreBytes(TArrayEntry& a, std::string_view bytes) {
  const int32_t n = static_cast<int32_t>(std::min<size_t>(bytes.size(), TArrayEntry::MaxCount));
  a.SetLength(n);
  for (int32_t k = 0; k < n; ++k) a.Data[k] = static_cast<unsigned char>(bytes[k]);
  std::fill(a.Data + n, a.Data + a.Capacity, 0.0);
}

std::string TFunction::Signature() const {
  if (const char* p = ParameterList()) return std::string("(") + p + ")";
  std::string s = "(";
  for (int i = 0; i < ArgumentCount(); ++i) {
    if (i) s += ';';
    s += static_cast<char>('a' + i % 26);
  }
  return s + ")";
}

const char* TFunction::ParameterList() const { return Help() ? Help()->ParameterList : nullptr; }
const char* TFunction::Description() const {
  const char* d = Help() ? Help()->Description : nullptr;
  return d ? d : "No Description available.";
}
const char* TFunction::Example() const { return Help() ? Help()->Example : nullptr; }
const char* TFunction::ExampleNote() const { return Help() ? Help()->ExampleNote : nullptr; }
const char* TFunction::SeeAlso() const { return Help() ? Help()->SeeAlso : nullptr; }

double TNeg::EvaluateNumber(TCalcInfo& ci) {
  Args[0]->Evaluate(ci, Results[0]);
  return -Results[0].AsNumber();
}

TNeg::TNeg() {
  static const THelpEntry entry{nullptr, "Returns -1*<a>.", nullptr, nullptr, nullptr};
  HelpEntry = &entry;
}

TFunction* TBuiltinRow::Create() const {
  TFunction* f = Factory();
  if (f) {
    f->HelpEntry = &Help;
    f->Name = Name;
  }
  return f;
}

}  // namespace TernioParser
