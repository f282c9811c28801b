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

// A place past the end appends.
TEST(MenuItem, InsertPlacesSubItemsInOrder) {
  TMenuItem menu;
  menu.Add(Item("b"));
  menu.Insert(0, Item("a"));
  menu.Insert(99, Item("d"));
  menu.Insert(2, Item("c"));
  EXPECT_EQ(Captions(menu), "a;b;c;d;");
}

TEST(MenuItem, AddingASubItemToAnotherMenuTakesItOutOfTheFirst) {
  TMenuItem menu;
  TMenuItem other;
  menu.Add(Item("a"));
  menu.Add(Item("b"));
  other.Add(menu.Items(1));
  EXPECT_EQ(Captions(menu) + Captions(other), "a;b;");
  EXPECT_EQ(other.Items(0)->Parent(), &other);
}

TEST(MenuItem, AFreedSubItemLeavesItsMenu) {
  TMenuItem menu;
  menu.Add(Item("a"));
  menu.Add(Item("b"));
  menu.Add(Item("c"));
  delete menu.Items(0);
  menu.Delete(1);
  EXPECT_EQ(Captions(menu), "b;");
}

TEST(MenuItem, AMenuItemCannotGoBelowItself) {
  TMenuItem other;
  TMenuItem* child = Item("child");
  other.Add(child);
  EXPECT_THROW(child->Add(&other), Exception);
}

// Handed back, so that the menu does not free a stack object.
TEST(MenuItem, RemoveHandsTheSubItemBack) {
  TMenuItem menu;
  TMenuItem other;
  menu.Add(&other);
  EXPECT_EQ(other.Parent(), &menu);
  menu.Remove(&other);
  EXPECT_EQ(other.Parent(), nullptr);
  EXPECT_EQ(menu.Count(), 0);
}

TEST(MenuItem, AnItemMadeWithAnOwnerIsOwnedOnceWhenAdded) {
  TMenuItem menu;
  TMenuItem form;
  menu.Add(new TMenuItem(&form));
  EXPECT_EQ(std::tuple(form.ComponentCount(), menu.Count()), std::tuple(0, 1));
}

// Caption, flags, short-cut and tag, then a copy of every sub-item in order.
struct Source {
  TMenuItem source;
  TMenuItem* copied = Item("sub", Item("subsub"));
  Source() {
    RegisterFileClasses();
    source.SetCaption("c");
    source.SetChecked(true);
    source.SetEnabled(false);
    source.SetVisible(false);
    source.SetShortCut(0x2030);
    source.SetTag(9);
    source.Add(copied);
    source.Add(Item("second"));
  }
};

const std::string kSourceRecord =
    Record("TMenuItem", S("Tag") + Int8(9) + S("Caption") + Str("c") + S("Checked") + kTrue + S("Enabled") + kFalse +
                            S("ShortCut") + B({3, 0x30, 0x20}) + S("Visible") + kFalse);

TEST(MenuItem, AssignCopiesEverySubItemInsteadOfItsOwn) {
  Source s;
  TMenuItem target;
  target.Add(Item("old"));
  target.Assign(&s.source);
  EXPECT_EQ(Captions(target) + Captions(*target.Items(0)), "sub;second;subsub;");
  EXPECT_NE(target.Items(0), s.copied);
}

TEST(MenuItem, AStreamWritesOnlyWhatIsNotDefault) {
  Source s;
  TMenuItem plain;
  TMenuItem target;
  EXPECT_EQ(Hex(SaveComponentToBytes(plain)), Hex(Header("TMenuItem") + kEnd + kEnd));
  target.Assign(&s.source);
  target.Clear();
  EXPECT_EQ(Hex(SaveComponentToBytes(target)), Hex(kSourceRecord));
}

TEST(MenuItem, AStreamedItemReadsBackAsItWasWritten) {
  Source s;
  TMenuItem back;
  LoadComponentFromBytes(kSourceRecord, back);
  EXPECT_EQ(Hex(SaveComponentToBytes(back)), Hex(kSourceRecord));
}

// What other versions wrote is skipped, and a child of another class is kept out of the menu.
TEST(MenuItem, AStreamOfAnotherVersionReadsWhatThisItemKnows) {
  Source s;
  TMenuItem menu;
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
