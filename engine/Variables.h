#pragma once
// Variables of a program and the variable store of an engine.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ReturnValue.h"
#include "engine/StackGuard.h"

namespace TernioParser {

class TVarHandler;
class TFunction;

// What a variable entry holds.
enum class TVarKind { Scalar = 0, Array = 1 };

class TVarEntryBase {
public:
  TVarEntryBase(std::string name, TVarKind kind) : Name(std::move(name)), VarKind(kind) {}
  TVarEntryBase(const TVarEntryBase&) = delete;
  TVarEntryBase& operator=(const TVarEntryBase&) = delete;
  virtual ~TVarEntryBase() = default;

  std::string Name;
  // The stores that reference this entry; used for global variables only.
  std::set<TVarHandler*> Handlers;

  // Fixed for the life of the entry; kept as a field, since saving and
  // restoring the locals of every call asks for it.
  TVarKind Kind() const { return VarKind; }
  virtual void Clear() = 0;

private:
  const TVarKind VarKind;
};

class TVarEntry final : public TVarEntryBase {
public:
  explicit TVarEntry(std::string name) : TVarEntryBase(std::move(name), TVarKind::Scalar) {}

  TText Text;
  bool HasValue = false;
  bool IsString = false;

  void Clear() override;

  void SetNumber(double x) noexcept {
    Num = x;
    NumKnown = true;
    HasValue = true;
    IsString = false;
    Text.Clear();
  }
  // Stores a number into an entry that has a value (the fast path of the
  // compound assignments).
  void UpdateNumber(double x) noexcept {
    if (IsString) SetNumber(x);
    else Num = x;
  }
  void SetString(std::string_view s) {
    Text.Assign(s);
    SetStringDone();
  }
  void SetText(const TText& t) {
    Text = t;
    SetStringDone();
  }
  // Appends to the string held (which must be a string) in place.
  void AppendString(std::string_view s) {
    Text.Append(s);
    SetStringDone();
  }
  void SetValue(const TReturnValue& v) {
    if (v.IsString) SetText(v.Text);
    else SetNumber(v.Number);
  }
  // The numeric value; for a string, the number the text reads as.
  double Number() const {
    if (!NumKnown) {
      Num = TextToNumber(Text.View());
      NumKnown = true;
    }
    return Num;
  }
  // The value of an entry known to hold a number (HasValue, not IsString).
  double HeldNumber() const noexcept { return Num; }
  void GetValue(TReturnValue& v) const {
    if (IsString) v.SetText(Text);
    else v.SetNumber(Num);
  }

private:
  // The number of a string is computed when first asked for, so that
  // appending to a long text never rescans it.
  mutable double Num = 0;
  mutable bool NumKnown = true;
  void SetStringDone() {
    HasValue = true;
    IsString = true;
    NumKnown = false;
  }
  friend class TVarHandler;
};

class TArrayEntry final : public TVarEntryBase {
public:
  explicit TArrayEntry(std::string name) : TVarEntryBase(std::move(name), TVarKind::Array) {}
  ~TArrayEntry() override;

  // Element storage: Count elements in use out of Capacity (a multiple of
  // 128). Behind the scenes the block may be larger, so that filling an array
  // element by element grows it geometrically; the elements between Capacity
  // and the block's end are never read.
  double* Data = nullptr;
  int32_t Count = 0;
  int32_t Capacity = 0;

  void Clear() override;

  // The most elements an array can hold.
  static constexpr int32_t MaxCount = INT32_MAX / 128 * 128;

  // Makes room for n elements (new ones are 0). A size beyond MaxCount, or
  // memory the system refuses, throws TNoMemory and leaves the array as it
  // was.
  void Reserve(int64_t n);
  void SetLength(int32_t n);
  bool SetElement(int32_t i, double x) {
    if (i < 0) return false;
    if (i >= Count) {
      if (i >= Capacity) Reserve(static_cast<int64_t>(i) + 1);
      Count = i + 1;
    }
    Data[i] = x;
    return true;
  }
  double GetElement(int32_t i) const { return (i >= 0 && i < Count) ? Data[i] : 0.0; }
  int32_t Append(const TArrayEntry& other);
  // Moves the storage of other into this entry; other is left empty.
  void TakeStorage(TArrayEntry& other) noexcept;

  // The element storage as a plain record, for putting an array's contents
  // aside without an entry to hold them: TakeOut leaves the array empty,
  // PutBack replaces its contents by storage taken out before.
  struct TStorage {
    double* Data;
    int32_t Count, Capacity;
    int64_t Allocated;
  };
  TStorage TakeOut() noexcept;
  void PutBack(const TStorage& s) noexcept;

private:
  int64_t Allocated = 0;
  friend class TVarHandler;
};

// The variable store of an engine (or of the body of a user-defined function).
// Names beginning with $ are global and live in one list shared by all stores;
// every other name is local to the store that binds it.
class TVarHandler {
public:
  using TGlobalList = std::list<TVarEntryBase*>;

  explicit TVarHandler(TGlobalList* globals) : Globals(globals) {}
  TVarHandler(const TVarHandler&) = delete;
  TVarHandler& operator=(const TVarHandler&) = delete;
  ~TVarHandler();

  TGlobalList* Globals;
  std::vector<TVarEntryBase*> Locals;

  // While a tree binds to the store, local names are found through an index
  // instead of a walk over the locals (a long program binds thousands of
  // names). Nothing but binding may change the locals meanwhile.
  class TBinding {
  public:
    explicit TBinding(TVarHandler& vars);
    ~TBinding();
    TBinding(const TBinding&) = delete;
    TBinding& operator=(const TBinding&) = delete;

  private:
    TVarHandler& Vars;
    bool Owner;
  };

  TVarEntryBase* Find(const std::string& name);
  TVarEntry* FindScalar(const std::string& name);
  TArrayEntry* FindArray(const std::string& name);
  void Release();
  // Puts the contents of every local aside (leaving the locals empty) and gives
  // them back; pairs nest, which is what recursive calls need.
  void SaveAll();
  bool RestoreAll();
  size_t SavedCount() const { return SavedTop; }

  // Set while the body of a user-defined function binds: the calls bound so
  // far, and the function nodes that keep argument values in their slots
  // while they evaluate arguments holding calls. A recursive call of the
  // body may evaluate such a node anew before the outer evaluation has used
  // its values, so the call puts them aside.
  struct TBodyNotes {
    int Calls = 0;
    std::vector<TFunction*> KeepValues;
  };
  TBodyNotes* Notes = nullptr;

private:
  // The contents of one local entry, put aside by SaveAll: a plain record, so
  // that a call of a user-defined function allocates nothing once the stack
  // has grown to the depth in use, and moving a local aside is a few stores.
  struct TSaved {
    TArrayEntry::TStorage Array;
    void* Text;  // a scalar's text, as a TText handle
    double Num;
    TVarKind Kind;
    bool HasValue, IsString, NumKnown;
  };
  // Saved[0, SavedTop) are in use; the rest is room kept for deeper calls.
  std::vector<TSaved> Saved;
  size_t SavedTop = 0;
  std::unordered_map<std::string, TVarEntryBase*> Index;
  bool Indexed = false;
  template <class T>
  T* FindKind(const std::string& name, TVarKind kind);
};

// Saving and restoring the locals is part of every call of a user-defined
// function, so it is inlined there.
inline void TVarHandler::SaveAll() {
  // Room first (growing geometrically), so that a refused allocation leaves
  // every local as it was.
  const size_t n = Locals.size();
  if (Saved.size() - SavedTop < n) Saved.resize(std::max(SavedTop + n, 2 * Saved.size()));
  TSaved* s = Saved.data() + SavedTop;
  int64_t held = 0;
  for (TVarEntryBase* base : Locals) {
    s->Kind = base->Kind();
    if (s->Kind == TVarKind::Scalar) {
      TVarEntry* e = static_cast<TVarEntry*>(base);
      s->Text = e->Text.Take();
      s->Num = e->Num;
      s->NumKnown = e->NumKnown;
      s->HasValue = e->HasValue;
      s->IsString = e->IsString;
      e->HasValue = e->IsString = false;
      e->Num = 0;
      e->NumKnown = true;
    } else {
      s->Array = static_cast<TArrayEntry*>(base)->TakeOut();
      held += s->Array.Allocated;
    }
    ++s;
  }
  SavedTop += n;
  if (held) TStackGuard::Current().HeldBytes += held * static_cast<int64_t>(sizeof(double));
}

inline bool TVarHandler::RestoreAll() {
  const size_t n = Locals.size();
  if (SavedTop < n) return false;
  SavedTop -= n;
  const TSaved* s = Saved.data() + SavedTop;
  for (TVarEntryBase* base : Locals) {
    if (base->Kind() == TVarKind::Scalar) {
      TVarEntry* e = static_cast<TVarEntry*>(base);
      e->Text.Adopt(s->Text);
      e->Num = s->Num;
      e->NumKnown = s->NumKnown;
      e->HasValue = s->HasValue;
      e->IsString = s->IsString;
    } else {
      static_cast<TArrayEntry*>(base)->PutBack(s->Array);
      if (s->Array.Allocated)
        TStackGuard::Current().HeldBytes -= s->Array.Allocated * static_cast<int64_t>(sizeof(double));
    }
    ++s;
  }
  return true;
}

}  // namespace TernioParser
