// The main menu and its shortcuts under real X events (xvfb-run, xdotool): keys pressed before any
// menu was opened, after a menu was opened and closed with its items disabled, while a floating
// panel has the focus, and the single-key commands.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <string>

#include "app/qt/AxisToolForms.h"
#include "app/qt/DirectionToolForm.h"
#include "app/qt/DockForm.h"
#include "app/qt/LayerForm.h"
#include "app/qt/LayerListBox.h"
#include "app/qt/MainWindow.h"
#include "app/qt/NumberBox.h"
#include "app/qt/OperatePanelForm.h"
#include "app/qt/ParamForm.h"
#include "app/qt/ToolForm.h"
#include "files/history/ComponentStateHolder.h"
#include "scene/DX9Square.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/RealEventsFixture.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

using apptest::Xdotool;

class MenuWindowTest : public apptest::RealEventsWindowTest {
 protected:
  void SetUp() override {
    RealEventsWindowTest::SetUp();
    if (HasFatalFailure())
      return;
    // The document as just opened: one state, unmodified.
    AddTwoSquares();
    Form().History()->Clear();
    Form().PushHistory();
    Form().SetModified(false);
  }
  std::string Settings() const override { return "[MainForm]\nLeft=0\nTop=0\nWidth=1024\nHeight=700\n"; }

  TSquareBladeCollection& Layer() { return *Form().Collections()->GetLayer(0); }
  int Selected() { return Form().Collections()->SelectedVertices().Count(); }
  int HistoryIndex() { return Form().History()->Index(); }
  bool Key(const char* keys) { return Xdotool({"key", QString::fromLatin1(keys)}) == 0; }
  // The X server's focus on a top-level window of the program.
  void FocusWindow(QWidget* window) {
    ASSERT_EQ(Xdotool({"windowfocus", "--sync", QString::number(window->winId())}), 0);
    ASSERT_TRUE(qttest::WaitUntil([window] { return window->isActiveWindow(); }));
  }
};

TEST_F(MenuWindowTest, CtrlZAfterOneEditUndoesItBeforeAnyMenuWasOpened) {
  FocusView();
  ASSERT_TRUE(Key("ctrl+a"));
  ASSERT_TRUE(qttest::WaitUntil([this] { return Selected() == 8; }));
  EXPECT_EQ(HistoryIndex(), 1);
  ASSERT_TRUE(Key("ctrl+z"));
  EXPECT_TRUE(qttest::WaitUntil([this] { return Selected() == 0; }));
  EXPECT_EQ(HistoryIndex(), 0);
}

TEST_F(MenuWindowTest, AShortcutWorksAfterItsMenuWasOpenedAndClosedWithTheItemDisabled) {
  FocusView();
  QMenu* edit = window_->Menu("mnuEdit");
  QAction* undo = window_->MenuAction("mnuUndo");
  ASSERT_TRUE(Key("alt+e"));
  ASSERT_TRUE(qttest::WaitUntil([edit] { return edit->isVisible(); }));
  EXPECT_FALSE(undo->isEnabled());
  ASSERT_TRUE(Key("Escape"));
  ASSERT_TRUE(qttest::WaitUntil([edit] { return !edit->isVisible(); }));
  EXPECT_TRUE(undo->isEnabled());
  FocusView();
  ASSERT_TRUE(Key("Delete"));  // nothing selected: offered, but does nothing
  EXPECT_EQ(HistoryIndex(), 0);
  Layer().Blade(0)->SelectAll();
  Form().Collections()->RebuildSelectedVertexList();
  ASSERT_TRUE(Key("Delete"));
  ASSERT_TRUE(qttest::WaitUntil([this] { return Layer().Count() == 1; }));
  ASSERT_TRUE(Key("ctrl+z"));
  EXPECT_TRUE(qttest::WaitUntil([this] { return Layer().Count() == 2; }));
}

TEST_F(MenuWindowTest, TheMenusShortcutsWorkWhileAFloatingPanelHasTheFocusUnlessItIsATextArea) {
  TLayerForm* layers = window_->Tools().LayerForm;
  layers->setFloating(true);
  layers->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(layers, qttest::kWindowWait));
  FocusWindow(layers);
  layers->LayerListBox()->setFocus();
  Settle();
  ASSERT_TRUE(Key("ctrl+a"));
  ASSERT_TRUE(qttest::WaitUntil([this] { return Selected() == 8; }));

  TParamForm* params = window_->Tools().ParamForm;
  params->setFloating(true);
  params->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(params, qttest::kWindowWait));
  FocusWindow(params);
  QLineEdit* box = params->EditAirCraftX();
  box->setFocus();
  box->setCursorPosition(0);
  Settle();
  ASSERT_FALSE(Form().ShortCutEnabled());
  ASSERT_FALSE(box->text().isEmpty());
  // End, which the box takes after Ctrl+Z, tells when both have arrived.
  ASSERT_EQ(Xdotool({"key", "ctrl+z", "End"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([box] { return box->cursorPosition() == box->text().size(); }));
  EXPECT_EQ(Selected(), 8);
  EXPECT_EQ(HistoryIndex(), 1);
}

TEST_F(MenuWindowTest, SingleKeysAreTheWindowsOwnActionsAndSetTheEditMode) {
  for (const char* name : {"mnuSelect", "mnuKnife", "mnuScissors", "mnuDirection", "mnuScale", "mnuRotation",
                           "mnuPolygon", "mnuVertexPosition"}) {
    const QList<QObject*> owners = window_->MenuAction(name)->associatedObjects();
    EXPECT_EQ(owners, QList<QObject*>{window_.get()}) << name;
  }
  FocusView();
  ASSERT_TRUE(Key("v"));
  ASSERT_TRUE(qttest::WaitUntil([this] { return Form().EditMode() == emDirection; }));
  EXPECT_TRUE(window_->Tools().DirectionToolForm->isVisible());
}

TEST_F(MenuWindowTest, WhileAMenuIsOpenALetterChoosesItsItemAndRunsNoSingleKeyCommand) {
  Layer().Blade(1)->SelectAll();
  Form().Collections()->RebuildSelectedVertexList();
  FocusView();
  QMenu* edit = window_->Menu("mnuEdit");
  ASSERT_TRUE(Key("alt+e"));
  ASSERT_TRUE(qttest::WaitUntil([edit] { return edit->isVisible(); }));
  ASSERT_TRUE(Key("c"));  // コピー(&C), not the rotation mode's C
  ASSERT_TRUE(qttest::WaitUntil([edit] { return !edit->isVisible(); }));
  Settle();
  EXPECT_EQ(Form().EditMode(), emSelect);
  FocusView();
  ASSERT_TRUE(Key("alt+e"));
  ASSERT_TRUE(qttest::WaitUntil([edit] { return edit->isVisible(); }));
  ASSERT_TRUE(Key("p"));  // 貼り付け(&P), not the new polygon's P
  EXPECT_TRUE(qttest::WaitUntil([this] { return Layer().Count() == 3; }));
}

}  // namespace
}  // namespace vrel
