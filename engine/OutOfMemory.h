#pragma once
// Memory a program asks for but cannot have ends the run with an error, never
// the process. Allocations whose size a program decides throw std::bad_alloc
// (TNoMemory where the request can be told); the node doing the operation
// catches it with GuardMemory and sets the error naming itself. The stores
// keep what they held: every growth allocates before it changes anything.

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/CalcInfo.h"

namespace TernioParser {

class TNoMemory : public std::bad_alloc {
public:
  // request: what could not be had, as "2000000000 elements of array a".
  explicit TNoMemory(std::string request) : Request(std::move(request)) {}
  const char* what() const noexcept override { return Request.c_str(); }
  std::string Request;
};

// "<who>: not enough memory", followed by " for <request>" when known.
inline std::string NoMemoryMessage(std::string_view who, const std::exception* e = nullptr) {
  std::string m(who);
  m += ": not enough memory";
  if (auto* n = dynamic_cast<const TNoMemory*>(e)) m += " for " + n->Request;
  return m;
}

// Runs work; an allocation failure in it (or a length beyond what a string
// or vector can hold) becomes the error "<who>: not enough memory ...".
// False when that happened.
template <class F>
bool GuardMemory(TCalcInfo& ci, std::string_view who, F&& work) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc& e) {
    ci.SetError(NoMemoryMessage(who, &e));
  } catch (const std::length_error& e) {
    ci.SetError(NoMemoryMessage(who, &e));
  }
  return false;
}

}  // namespace TernioParser
