#pragma once

// The keys the editor reacts to, by their Windows virtual-key codes; the window maps its toolkit's
// keys onto these.

namespace vrel {

enum TEditorKey : int {
  vkBack = 0x08,
  vkTab = 0x09,
  vkReturn = 0x0D,
  vkShift = 0x10,
  vkControl = 0x11,
  vkEscape = 0x1B,
  vkPrior = 0x21,  // Page Up
  vkNext = 0x22,   // Page Down
  vkEnd = 0x23,
  vkHome = 0x24,
  vkLeft = 0x25,
  vkUp = 0x26,
  vkRight = 0x27,
  vkDown = 0x28,
  vkInsert = 0x2D,
  vkDelete = 0x2E,
};

}  // namespace vrel
