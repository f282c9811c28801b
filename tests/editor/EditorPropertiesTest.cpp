#include "editor/EditorProperties.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ComponentStream.h"
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {

// A component that publishes the property objects the way the editor control does.
class PropertyHolder : public TComponent {
  VREL_CLASS_INFO(PropertyHolder, TComponent)
 public:
  TEditorCaret* Caret() const { return caret_.get(); }
  TEditorMargin* Margin() const { return margin_.get(); }
  TEditorMarks* Marks() const { return marks_.get(); }
  TEditorViewInfo* View() const { return view_.get(); }
  TEditorRuler* Ruler() const { return ruler_.get(); }
  TEditorLeftbar* Leftbar() const { return leftbar_.get(); }
  TEditorImagebar* Imagebar() const { return imagebar_.get(); }
  TEditorSpeed* Speed() const { return speed_.get(); }

 private:
  std::unique_ptr<TEditorCaret> caret_ = std::make_unique<TEditorCaret>();
  std::unique_ptr<TEditorMargin> margin_ = std::make_unique<TEditorMargin>();
  std::unique_ptr<TEditorMarks> marks_ = std::make_unique<TEditorMarks>();
  std::unique_ptr<TEditorViewInfo> view_ = std::make_unique<TEditorViewInfo>();
  std::unique_ptr<TEditorRuler> ruler_ = std::make_unique<TEditorRuler>();
  std::unique_ptr<TEditorLeftbar> leftbar_ = std::make_unique<TEditorLeftbar>();
  std::unique_ptr<TEditorImagebar> imagebar_ = std::make_unique<TEditorImagebar>();
  std::unique_ptr<TEditorSpeed> speed_ = std::make_unique<TEditorSpeed>();
};

const TClassInfo& PropertyHolder::StaticClass() {
  using C = PropertyHolder;
  static const TClassInfo info(
      "PropertyHolder", &Inherited::StaticClass(),
      {props::Object<&C::Caret>("Caret"), props::Object<&C::Imagebar>("Imagebar"),
       props::Object<&C::Leftbar>("Leftbar"), props::Object<&C::Margin>("Margin"), props::Object<&C::Marks>("Marks"),
       props::Object<&C::Ruler>("Ruler"), props::Object<&C::Speed>("Speed"), props::Object<&C::View>("View")},
      [](TComponent*) -> TComponent* { return new PropertyHolder; });
  return info;
}

TEST(EditorProperties, ATabWidthGoesDownToAnEvenNumberFrom2To8) {
  TEditorCaret caret;
  for (const auto& [value, stored] : {std::pair{7, 6}, {1, 2}, {9, 8}, {4, 4}, {-3, 2}}) {
    caret.SetTabSpaceCount(value);
    EXPECT_EQ(caret.TabSpaceCount(), stored) << value;
  }
}

// The caret's flags and cursors announce nothing; a gauge range is kept at 10.
const Announcing kAnnouncing[] = {
    Announces<TEditorCaret>(
        "flags and a cursor", 0,
        [](auto& c) { c.SetAutoIndent(false), c.SetFreeRow(true), c.Cursors()->SetDefaultCursor(5); }),
    Announces<TEditorCaret>(
        "a tab width and a style as they are, then new ones", 2,
        [](auto& c) { c.SetTabSpaceCount(8), c.SetStyle(csDefault), c.SetTabSpaceCount(4), c.SetStyle(csBrief); }),
    Announces<TEditorRuler>("a gauge range clamped to the one stored", 0, [](auto& r) { r.SetGaugeRange(11); })};

TEST(Announcements, ASetterAnnouncesARealChangeOnly) {
  for (const Announcing& a : kAnnouncing)
    EXPECT_EQ(a.count(), a.expected) << a.steps;
}

TEST(EditorProperties, AChangeOfAnyMarkIsAChangeOfTheMarks) {
  TEditorMarks marks;
  ChangeCounter counter;
  marks.OnChange = counter.Event();
  marks.RetMark()->SetVisible(true);
  marks.Underline()->SetColor(1);
  EXPECT_EQ(counter.count, 2);
  TEditorMark mark;
  mark.SetColor(0xFF);
  marks.SetWrapMark(&mark);
  EXPECT_EQ(marks.WrapMark()->Color(), 0xFF);
  EXPECT_EQ(counter.count, 3);
}

TEST(EditorProperties, TheViewFollowsItsFountain) {
  TEditorViewInfo view;
  ChangeCounter counter;
  view.OnChange = counter.Event();
  view.Colors()->Int()->SetColor(0xFF0000);
  EXPECT_EQ(counter.count, 1);
  view.SetCommenter("//");
  view.SetCommenter("//");
  EXPECT_EQ(counter.count, 2);
  view.Brackets()->Add();
  EXPECT_EQ(counter.count, 3);
  view.SetQuotation("\"x");
  EXPECT_EQ(view.Quotation(), "\"");
  view.SetQuotation("");
  EXPECT_EQ(view.Quotation(), "");
}

TEST(EditorProperties, AssignCopiesEverythingWithOneAnnouncement) {
  TEditorViewInfo source;
  source.Brackets()->Add()->SetLeftBracket("(");
  source.Colors()->Str()->SetColor(0x00FF00);
  source.SetUrl(true);
  source.SetHexPrefix("$");
  TEditorViewInfo view;
  ChangeCounter counter;
  view.OnChange = counter.Event();
  view.Assign(&source);
  EXPECT_EQ(counter.count, 1);
  ASSERT_EQ(view.Brackets()->Count(), 1);
  EXPECT_EQ(view.Brackets()->Items(0)->LeftBracket(), "(");
  EXPECT_EQ(view.Colors()->Str()->Color(), 0x00FF00);
  EXPECT_TRUE(view.Url());
  EXPECT_EQ(view.HexPrefix(), "$");

  TEditorCaret caret;
  TEditorCaret other;
  other.SetSoftTab(true);
  other.Cursors()->SetInSelCursor(3);
  caret.OnChange = counter.Event();
  caret.Assign(&other);
  EXPECT_EQ(counter.count, 2);
  EXPECT_TRUE(caret.SoftTab());
  EXPECT_EQ(caret.Cursors()->InSelCursor(), 3);
  EXPECT_THROW(caret.Assign(&view), EConvertError);
}

TEST(EditorProperties, StreamWithTheComponentAndReadBackEqual) {
  RegisterClass(PropertyHolder::StaticClass());
  PropertyHolder holder;
  holder.Caret()->SetAutoIndent(false);
  holder.Caret()->SetTabSpaceCount(4);
  holder.Caret()->SetStyle(csBrief);
  holder.Caret()->Cursors()->SetTopMarginCursor(-21);
  holder.Margin()->SetLine(3);
  holder.Marks()->EofMark()->SetVisible(true);
  holder.Ruler()->SetVisible(true);
  holder.Leftbar()->SetShowNumberMode(nmLine);
  holder.Imagebar()->SetVisible(false);
  holder.Speed()->SetInitBracketsFull(true);
  holder.Speed()->SetPageVerticalRangeAc(4);
  holder.View()->Colors()->Int()->SetColor(0xFF0000);
  holder.View()->Brackets()->Add()->SetRightBracket("\x81\x76");
  holder.View()->SetMail(true);
  const std::string bytes = SaveComponentToBytes(holder);

  PropertyHolder back;
  LoadComponentFromBytes(bytes, back);
  const TEditorCaret& caret = *back.Caret();
  EXPECT_EQ(std::tuple(caret.AutoIndent(), caret.TabSpaceCount(), caret.Style(), caret.Cursors()->TopMarginCursor()),
            std::tuple(false, 4, csBrief, -21));
  EXPECT_EQ(std::tuple(back.Margin()->Line(), back.Marks()->EofMark()->Visible(), back.Ruler()->Visible(),
                       back.Leftbar()->ShowNumberMode(), back.Imagebar()->Visible(), back.Speed()->InitBracketsFull(),
                       back.Speed()->PageVerticalRangeAc()),
            std::tuple(3, true, true, nmLine, false, true, 4));
  ASSERT_EQ(back.View()->Brackets()->Count(), 1);
  EXPECT_EQ(std::tuple(back.View()->Colors()->Int()->Color(), back.View()->Brackets()->Items(0)->RightBracket(),
                       back.View()->Mail()),
            std::tuple(0xFF0000, "\x81\x76", true));
  EXPECT_EQ(SaveComponentToBytes(back), bytes);
}

TEST(EditorProperties, DefaultValuesAreLeftOutOfTheStream) {
  const PropertyHolder fresh;
  PropertyHolder changed;
  changed.Ruler()->SetEdge(false);
  EXPECT_LT(SaveComponentToBytes(fresh).size(), SaveComponentToBytes(changed).size());
  EXPECT_EQ(SaveComponentToBytes(fresh).find("TabSpaceCount"), std::string::npos);
  EXPECT_NE(SaveComponentToBytes(changed).find("Ruler.Edge"), std::string::npos);
}

}  // namespace
}  // namespace vrel
