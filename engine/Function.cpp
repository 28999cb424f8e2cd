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
