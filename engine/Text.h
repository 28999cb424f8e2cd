#pragma once
// A byte string shared between values and variables.
//
// Copies share one buffer (a copy costs a counter increment); a write to a
// shared buffer copies it first. Appending to a buffer nobody else holds works
// in place, so building a long text by repeated appends stays linear.
// The counter is not atomic: a text belongs to the thread that evaluates.

#include <cstddef>
#include <string>
#include <string_view>

namespace TernioParser {

class TText {
public:
  TText() noexcept = default;
  explicit TText(std::string_view s) { Assign(s); }
  TText(const TText& o) noexcept : Rep(o.Rep) {
    if (Rep) ++Rep->Refs;
  }
  TText(TText&& o) noexcept : Rep(o.Rep) { o.Rep = nullptr; }
  ~TText() { Release(); }

  TText& operator=(const TText& o) noexcept {
    if (o.Rep) ++o.Rep->Refs;
    Release();
    Rep = o.Rep;
    return *this;
  }
  TText& operator=(TText&& o) noexcept {
    if (this != &o) {
      Release();
      Rep = o.Rep;
      o.Rep = nullptr;
    }
    return *this;
  }

  const std::string& Str() const noexcept { return Rep ? Rep->S : Empty(); }
  std::string_view View() const noexcept { return Str(); }
  size_t Size() const noexcept { return Rep ? Rep->S.size() : 0; }
  bool IsEmpty() const noexcept { return Size() == 0; }

  void Clear() noexcept { Release(); }
  void Assign(std::string_view s);
  // Appends in place when this is the only holder, else copies first.
  void Append(std::string_view s);
  // Gives write access to a buffer nobody else holds.
  std::string& Mutable();

  // The buffer as a bare handle, so that a variable's text can be put aside
  // and given back without touching its counter. Take leaves this text empty;
  // Adopt replaces this text by a taken one; Drop releases a taken handle
  // that is never given back.
  using THandle = void*;
  THandle Take() noexcept {
    TRep* r = Rep;
    Rep = nullptr;
    return r;
  }
  void Adopt(THandle h) noexcept {
    Release();
    Rep = static_cast<TRep*>(h);
  }
  static void Drop(THandle h) noexcept {
    TText t;
    t.Rep = static_cast<TRep*>(h);
  }

private:
  struct TRep {
    size_t Refs;
    std::string S;
  };
  TRep* Rep = nullptr;

  void Release() noexcept {
    if (Rep && --Rep->Refs == 0) delete Rep;
    Rep = nullptr;
  }
  static const std::string& Empty() noexcept;
};

}  // namespace TernioParser
