#pragma once
// The panels of a run by number, and the page captions of the control
// window. Loading or naming panel n makes the pages up to n, new ones
// captioned "Panel 1", "Panel 2", ...; a page may have no panel. The control
// window holds its forms in one, the headless runner its panel models.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TernioParser {

// Panel numbers a program can use: 0 to this. Larger ones are refused rather
// than creating pages up to them.
constexpr int32_t MaxPanelNumber = 255;
inline bool IsPanelNumber(int32_t panel) { return panel >= 0 && panel <= MaxPanelNumber; }

template <class T>
class TPanelTable {
public:
  // The panel of a number, or null.
  T* At(int32_t panel) const {
    return panel >= 0 && static_cast<size_t>(panel) < Slots.size() ? Slots[panel].get() : nullptr;
  }
  // The number of slots: one past the highest panel loaded.
  size_t SlotCount() const { return Slots.size(); }
  const std::vector<std::string>& Pages() const { return Captions; }

  // Puts a panel in its slot, in place of the one there; false for a number
  // out of range.
  bool Put(int32_t panel, std::unique_ptr<T> p) {
    if (!IsPanelNumber(panel)) return false;
    MakePages(panel);
    if (Slots.size() <= static_cast<size_t>(panel)) Slots.resize(panel + 1);
    Slots[panel] = std::move(p);
    return true;
  }
  // Sets the caption of a page; false for a number out of range.
  bool Name(int32_t panel, std::string caption) {
    if (!IsPanelNumber(panel)) return false;
    MakePages(panel);
    Captions[panel] = std::move(caption);
    return true;
  }
  // Removes every panel and page; the slots stay, empty.
  void Clear() {
    for (auto& p : Slots) p.reset();
    Captions.clear();
  }

private:
  std::vector<std::unique_ptr<T>> Slots;
  std::vector<std::string> Captions;

  void MakePages(int32_t panel) {
    while (Captions.size() <= static_cast<size_t>(panel))
      Captions.push_back("Panel " + std::to_string(Captions.size() + 1));
  }
};

}  // namespace TernioParser
