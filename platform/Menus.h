#pragma once

// A menu item as the component stream knows it: a caption, the usual flags and a list of owned
// sub-items. It is data, not a widget: the application builds its real menus from it and writes
// back into it, so that remembered positions travel in object files the way earlier versions of
// the program stored them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Classes.h"

namespace vrel {

class TMenuItem : public TComponent {
  VREL_CLASS_INFO(TMenuItem, TComponent)
 public:
  explicit TMenuItem(TComponent* owner = nullptr);
  // Frees the sub-items, last first.
  ~TMenuItem() override;

  // CP932 text, with "&" marking the access key as menus show it.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value) { checked_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  // Key code in the low byte, modifiers above it: 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt; 0 for none.
  int32_t ShortCut() const { return shortCut_; }
  void SetShortCut(int32_t value) { shortCut_ = value; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  TMenuItem* Parent() const { return parent_; }
  int IndexOf(const TMenuItem* item) const;
  // Takes ownership of `item` (taking it out of any other menu item first) and puts it at `index`,
  // clamped to 0..Count.
  void Insert(int index, TMenuItem* item);
  void Add(TMenuItem* item) { Insert(Count(), item); }
  // Gives up ownership: the item is no longer a sub-item of this one.
  void Remove(TMenuItem* item);
  // Frees sub-item `index`.
  void Delete(int index);
  // Frees every sub-item, last first.
  void Clear();

  // Caption, flags, short-cut and tag, then a copy of every sub-item in order.
  void Assign(const TPersistent* source) override;

  // The stream writes the sub-items as child records, in menu order.
  std::vector<TComponent*> GetChildren() const override;
  // Sub-items read from a stream are appended; a child of another class is kept as an owned
  // component but is not part of the menu.
  void AddChild(TComponent* child) override;
  // Menu records written by other versions carry properties (bitmaps, image indexes, hints, ...)
  // that this item has no use for.
  bool IgnoresUnknownProperties() const override { return true; }

 private:
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  int32_t shortCut_ = 0;
  std::vector<TMenuItem*> items_;  // owned
  TMenuItem* parent_ = nullptr;
};

// Registers TMenuItem, so that streams can create sub-items by class name.
void RegisterMenuClasses();

}  // namespace vrel
