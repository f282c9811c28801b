#include "app/ColorList.h"

#include <array>

#include "app/WebColors.h"

namespace vrel {

namespace {

// Each was put at the top of the list in turn, so the last named here stands first.
constexpr std::array<TNamedColor, 7> kNamedColors{{
    {5849112, "clRenderGreen"},
    {11763942, "clPink"},
    {11789952, "clYellowGreen"},
    {14336414, "clSkyBlue"},
    {8323298, "clTextureRed"},
    {15711039, "clTextureBlue"},
    {6750207, "clLemonYellow"},
}};

}  // namespace

std::span<const TNamedColor> SettingsNamedColors() {
  return kNamedColors;
}

TColorList::TColorList() {
  for (const TNamedColor& color : kNamedColors)
    entries_.push_back({color.Color, color.Name});
  for (const TNamedColor& color : StandardColors())
    entries_.push_back({color.Color, color.Name});
  for (const TWebColor& color : WebColors())
    entries_.push_back({static_cast<int32_t>(color.Color), color.Name});
}

int TColorList::IndexOf(int32_t color) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Color == color)
      return static_cast<int>(i);
  }
  return -1;
}

int TColorList::Select(int32_t color) {
  const int found = IndexOf(color);
  if (found >= 0)
    return found;
  if (!hasCustom_) {
    entries_.insert(entries_.begin(), TColorEntry{});
    hasCustom_ = true;
  }
  entries_.front() = {color, ColorToString(color)};
  return 0;
}

}  // namespace vrel
