// The streamable menu item that carries the remembered plane-mark positions.
#include <gtest/gtest.h>
#include "files/ObjectFiles.h"
#include "platform/ComponentStream.h"
#include "tests/files/TestBytes.h"

namespace vrel {
namespace {
using namespace bytes;

TMenuItem* Item(const std::string& caption, TMenuItem* child = nullptr) {
  auto* item = new TMenuItem;
  item->SetCaption(caption);
  if (child)
    item->Add(child);
  return item;
}

std::string Captions(const TMenuItem& menu) {
  std::string out;
  for (int i = 0; i < menu.Count(); ++i)
    out += menu.Items(i)->Caption() + ";";
  return out;
}

TEST(MenuItem, SubItemsAreOwnedInOrderAssignCopiesThemAndStreamsWriteOnlyWhatIsNotDefault) {
  TMenuItem menu, other, form, *child = Item("child"), *sub = new TMenuItem(&form);
  menu.Add(Item("b")), menu.Insert(0, Item("a")), menu.Insert(99, Item("d")), menu.Insert(2, Item("c"));
  EXPECT_EQ(Captions(menu), "a;b;c;d;");
  other.Add(menu.Items(2));  // moving an item to another menu takes it out of the first
  EXPECT_EQ(Captions(menu) + Captions(other), "a;b;d;c;");
  EXPECT_EQ(other.Items(0)->Parent(), &other);
  delete menu.Items(0);  // freeing an item takes it out of its menu
  menu.Delete(1);
  EXPECT_EQ(Captions(menu), "b;");
  other.Add(child);
  EXPECT_THROW(child->Add(&other), Exception);  // a menu item cannot go below itself
  menu.Add(&other);
  EXPECT_EQ(other.Parent(), &menu);
  menu.Remove(&other);  // handed back, so that `menu` does not free the stack object
  EXPECT_EQ(other.Parent(), nullptr);
  menu.Add(sub);  // an item made with an owner is owned once when added
  EXPECT_EQ(std::tuple(form.ComponentCount(), menu.Count()), std::tuple(0, 2));
  menu.Clear();
  EXPECT_EQ(menu.Count(), 0);
  RegisterFileClasses();
  TMenuItem source, target, plain, back, *copied = Item("sub", Item("subsub"));
  source.SetCaption("c"), source.SetChecked(true), source.SetEnabled(false), source.SetVisible(false);
  source.SetShortCut(0x2030), source.SetTag(9), source.Add(copied), source.Add(Item("second")), target.Add(Item("old"));
  target.Assign(&source);
  EXPECT_EQ(Captions(target) + Captions(*target.Items(0)), "sub;second;subsub;");
  EXPECT_NE(target.Items(0), copied);
  EXPECT_EQ(Hex(SaveComponentToBytes(plain)), Hex(Header("TMenuItem") + kEnd + kEnd));
  target.Clear();
  const std::string bytes =
      Record("TMenuItem", S("Tag") + Int8(9) + S("Caption") + Str("c") + S("Checked") + kTrue + S("Enabled") + kFalse +
                              S("ShortCut") + B({3, 0x30, 0x20}) + S("Visible") + kFalse);
  EXPECT_EQ(Hex(SaveComponentToBytes(target)), Hex(bytes));  // and the assigned values with it
  LoadComponentFromBytes(bytes, back);
  EXPECT_EQ(Hex(SaveComponentToBytes(back)), Hex(bytes));
  // What other versions wrote is skipped, and a child of another class is kept out of the menu.
  LoadComponentFromBytes(Header("TMenuItem") + S("Bitmap.Data") + B({10, 3, 0, 0, 0}) + "abc" + S("ImageIndex") +
                             Int8(4) + S("Hint") + Str("h") + S("OnClick") + B({7}) + S("PlaneMarkMemoryClick") +
                             S("GroupIndex") + B({1, 2, 1, 0}) + S("Caption") + Str("kept") + kEnd +
                             S("TVectorHolder") + S("v") + kEnd + kEnd + S("TMenuItem") + S("") + kEnd + kEnd + kEnd,
                         menu);
  EXPECT_EQ(std::tuple(menu.Caption(), menu.Count(), menu.ComponentCount(), menu.Components(0)->Name()),
            std::tuple("kept", 1, 1, "v"));
}
}  // namespace
}  // namespace vrel
