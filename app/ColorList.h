#pragma once

// The entries of the settings dialog's colour box, top to bottom: the seven colours named after
// their use (the display settings' defaults show as these names), the colour box's 16 standard
// colours black to white and its 4 extended ones (`StandardColors`), then the named web colours. A name that
// two lists give different values keeps both entries, the first one above. A colour in none of the
// lists gets one custom entry at the very top, which the next such colour takes over.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/RegMng.h"

namespace vrel {

// The colours named after their use, in list order: clRenderGreen, clPink, clYellowGreen, clSkyBlue,
// clTextureRed, clTextureBlue, clLemonYellow.
std::span<const TNamedColor> SettingsNamedColors();

struct TColorEntry {
  int32_t Color = 0;
  std::string Name;
  bool operator==(const TColorEntry&) const = default;
};

class TColorList {
 public:
  TColorList();

  const std::vector<TColorEntry>& Entries() const { return entries_; }
  // The first entry of that colour, or -1.
  int IndexOf(int32_t color) const;
  // The entry to show for `color`: the first that has it, else the custom entry, made or taken
  // over for it.
  int Select(int32_t color);
  bool HasCustomEntry() const { return hasCustom_; }

 private:
  std::vector<TColorEntry> entries_;
  bool hasCustom_ = false;
};

}  // namespace vrel
