#pragma once

// The settings dialog's colour box: a drop-down list of colour swatches with their names (see
// ColorList.h). Showing a colour never counts as the user's choice; only picking an entry does.

#include <QComboBox>

#include <cstdint>
#include <functional>

#include "app/ColorList.h"

namespace vrel {

class TColorBox : public QComboBox {
 public:
  explicit TColorBox(QWidget* parent = nullptr);

  const TColorList& List() const { return list_; }
  // Shows `color` selected: its first entry, or the custom entry at the top.
  void SetSelected(int32_t color);
  // The colour of the entry shown.
  int32_t Selected() const;
  // The user picked an entry.
  std::function<void(int32_t color)> OnChange;

 private:
  void AddEntry(int index, const TColorEntry& entry);

  TColorList list_;
};

}  // namespace vrel
