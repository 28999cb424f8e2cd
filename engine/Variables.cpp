#include "engine/Variables.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/OutOfMemory.h"
#include "engine/StackGuard.h"

namespace TernioParser {

// ---- TVarEntry

void TVarEntry::Clear() {
  HasValue = false;
  IsString = false;
  Num = 0;
  NumKnown = true;
  Text.Clear();
}

// ---- TArrayEntry

TArrayEntry::~TArrayEntry() { std::free(Data); }

void TArrayEntry::Reserve(int64_t n) {
  if (n < 0) n = 0;
  if (n > MaxCount) throw TNoMemory(std::to_string(n) + " elements of array " + Name);
  const int64_t cap = (n + 127) / 128 * 128;
  if (cap == Capacity) return;
  if (cap == 0) {
    std::free(Data);
    Data = nullptr;
    Capacity = 0;
    Allocated = 0;
    return;
  }
  if (cap > Allocated || cap < Allocated / 4) {
    // Grow geometrically (or give memory back after a large shrink).
    int64_t alloc = cap > Allocated ? std::max<int64_t>(cap, Allocated + Allocated / 2) : cap;
    alloc = (alloc + 127) / 128 * 128;
    void* p = std::realloc(Data, static_cast<size_t>(alloc) * sizeof(double));
    if (!p && alloc > cap) {
      // Without the geometric reserve there may still be room for the array.
      alloc = cap;
      p = std::realloc(Data, static_cast<size_t>(alloc) * sizeof(double));
    }
    if (!p) throw TNoMemory(std::to_string(n) + " elements of array " + Name);
    Data = static_cast<double*>(p);
    Allocated = alloc;
  }
  if (cap > Capacity) std::memset(Data + Capacity, 0, static_cast<size_t>(cap - Capacity) * sizeof(double));
  Capacity = static_cast<int32_t>(cap);
}

void TArrayEntry::SetLength(int32_t n) {
  if (n < 0) n = 0;
  Reserve(n);
  Count = n;
}

int32_t TArrayEntry::Append(const TArrayEntry& other) {
  if (other.Count > 0) {
    int32_t n = other.Count;
    const double* src = other.Data;
    int32_t old = Count;
    Reserve(static_cast<int64_t>(old) + n);
    // other may be this array: its data pointer may have moved.
    if (&other == this) src = Data;
    std::memmove(Data + old, src, static_cast<size_t>(n) * sizeof(double));
    Count = old + n;
  }
  return Count;
}

void TArrayEntry::TakeStorage(TArrayEntry& other) noexcept {
  if (&other != this) PutBack(other.TakeOut());
}

TArrayEntry::TStorage TArrayEntry::TakeOut() noexcept {
  TStorage s{Data, Count, Capacity, Allocated};
  Data = nullptr;
  Count = Capacity = 0;
  Allocated = 0;
  return s;
}

void TArrayEntry::PutBack(const TStorage& s) noexcept {
  std::free(Data);
  Data = s.Data;
  Count = s.Count;
  Capacity = s.Capacity;
  Allocated = s.Allocated;
}

void TArrayEntry::Clear() {
  Reserve(0);
  Count = 0;
}

// ---- TVarHandler

TVarHandler::~TVarHandler() { Release(); }

TVarEntryBase* TVarHandler::Find(const std::string& name) {
  if (!name.empty() && name[0] == '$') {
    if (!Globals) return nullptr;
    for (TVarEntryBase* e : *Globals) {
      if (e->Name == name) {
        e->Handlers.insert(this);
        return e;
      }
    }
    return nullptr;
  }
  if (Indexed) {
    auto it = Index.find(name);
    return it == Index.end() ? nullptr : it->second;
  }
  for (TVarEntryBase* e : Locals)
    if (e->Name == name) return e;
  return nullptr;
}

TVarHandler::TBinding::TBinding(TVarHandler& vars) : Vars(vars), Owner(!vars.Indexed) {
  if (!Owner) return;
  Vars.Index.clear();
  // The first of equal names wins, as in the walk.
  for (TVarEntryBase* e : Vars.Locals) Vars.Index.emplace(e->Name, e);
  Vars.Indexed = true;
}

TVarHandler::TBinding::~TBinding() {
  if (!Owner) return;
  Vars.Indexed = false;
  Vars.Index.clear();
}

template <class T>
T* TVarHandler::FindKind(const std::string& name, TVarKind kind) {
  if (TVarEntryBase* e = Find(name)) return e->Kind() == kind ? static_cast<T*>(e) : nullptr;
  T* e = new T(name);
  if (!name.empty() && name[0] == '$' && Globals) {
    Globals->push_back(e);
    e->Handlers.insert(this);
  } else {
    Locals.push_back(e);
    if (Indexed) Index.emplace(name, e);
  }
  return e;
}

TVarEntry* TVarHandler::FindScalar(const std::string& name) { return FindKind<TVarEntry>(name, TVarKind::Scalar); }
TArrayEntry* TVarHandler::FindArray(const std::string& name) { return FindKind<TArrayEntry>(name, TVarKind::Array); }

void TVarHandler::Release() {
  // Contents still put aside (a run an exception ended) go with the locals.
  for (size_t k = 0; k < SavedTop; ++k) {
    if (Saved[k].Kind == TVarKind::Scalar) TText::Drop(Saved[k].Text);
    else std::free(Saved[k].Array.Data);
  }
  SavedTop = 0;
  for (TVarEntryBase* e : Locals) delete e;
  Locals.clear();
  if (!Globals) return;
  for (auto it = Globals->begin(); it != Globals->end();) {
    TVarEntryBase* e = *it;
    e->Handlers.erase(this);
    if (e->Handlers.empty()) {
      it = Globals->erase(it);
      delete e;
    } else {
      ++it;
    }
  }
}

}  // namespace TernioParser
