#pragma once

// A tool window's settings live in the section named after the window; moving the window's item
// table to another section is the same for every kind of window, and so are the names of the
// items that keep its placement.

#include <string>

#include "files/RegMng.h"

namespace vrel {

inline constexpr const char* kLeftItem = "Left";
inline constexpr const char* kTopItem = "Top";
inline constexpr const char* kWidthItem = "Width";
inline constexpr const char* kHeightItem = "Height";

// Every item of `reg` into `section`, which becomes `current`; nothing for an empty name or the
// current one.
inline void MoveItemsToSection(TRegManager& reg, std::string& current, const std::string& section) {
  if (section.empty() || section == current)
    return;
  current = section;
  for (int i = 0; i < reg.RegItems()->Count(); ++i)
    reg.RegItems()->Items(i)->SetSection(section);
}

}  // namespace vrel
