// The editor widget's input on the X server of the test run: input-method events (a commit is typed
// whole, a composition is only drawn at the caret), the input method's questions, the popup menu's
// shortcuts by real key events before the menu was ever shown, Shift+Ctrl+digit through the X
// keymap (keys sent by xdotool), and the menu's rules and check marks when it pops up.

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QProcess>
#include <QTextCharFormat>

#include <string>

#include "editor/EditorMenu.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/qt/EditorPopupMenu.h"
#include "tests/editor/EditorWidgetSupport.h"

namespace vrel {
namespace {

using editortest::AllDark;
using editortest::AnyDark;
using editortest::FirstDifference;
using editortest::ShownEditor;
using editortest::Sjis;

void Commit(TEditor& e, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(&e, &event);
}

// A composition with its cursor after its last character, underlined as input methods mark it.
void Compose(TEditor& e, const QString& text) {
  QTextCharFormat underlined;
  underlined.setFontUnderline(true);
  const QList<QInputMethodEvent::Attribute> attributes = {
      {QInputMethodEvent::TextFormat, 0, static_cast<int>(text.size()), underlined},
      {QInputMethodEvent::Cursor, static_cast<int>(text.size()), 1, QVariant()}};
  QInputMethodEvent event(text, attributes);
  QApplication::sendEvent(&e, &event);
}

// Asks the editor as an input method asks its focus widget.
QVariant Ask(TEditor& e, Qt::InputMethodQuery query) {
  QInputMethodQueryEvent event(query);
  QApplication::sendEvent(&e, &event);
  return event.value(query);
}

// ---------------------------------------------------------------------------------------------
// Input methods

TEST(EditorInput, ACompositionIsDrawnUnderlinedAtTheCaretAndNeverReachesTheText) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText("abcdefgh\r\n");
  e.SetModified(false);
  e.SetCol(1);
  Compose(e, QStringLiteral("にほん"));
  EXPECT_EQ(e.Lines()->Text(), "abcdefgh\r\n");
  EXPECT_EQ(e.Rows().Get(0), "abcdefgh");
  EXPECT_FALSE(e.Modified());
  EXPECT_FALSE(e.CanUndo());
  const QImage composing = shown.ServerCopy();
  EXPECT_EQ(FirstDifference(composing, shown.OwnPaint()), "");
  // Three kana over six cells from the caret, underlined from end to end.
  const int underline = shown.Y(0) + e.FontHeight() - 1;
  EXPECT_TRUE(AllDark(composing, QRect(shown.X(1), underline, 6 * e.ColumnWidth(), 1)));
  EXPECT_TRUE(AnyDark(composing, QRect(shown.X(5), shown.Y(0), 2 * e.ColumnWidth(), e.FontHeight() - 2)));
  // Dropped, the composition leaves the row as it was on the screen.
  Compose(e, QString());
  const QImage dropped = shown.ServerCopy();
  EXPECT_EQ(FirstDifference(dropped, shown.OwnPaint()), "");
  EXPECT_FALSE(AllDark(dropped, QRect(shown.X(1), underline, 6 * e.ColumnWidth(), 1)));
  EXPECT_EQ(e.Lines()->Text(), "abcdefgh\r\n");
  EXPECT_FALSE(e.Modified());
}

TEST(EditorInput, ACompositionEndsWithItsCommit) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  Compose(e, QStringLiteral("ねこ"));
  Compose(e, QStringLiteral("猫"));
  Commit(e, QStringLiteral("猫"));
  EXPECT_EQ(e.Lines()->Text(), Sjis("猫"));
  EXPECT_TRUE(e.Preedit().Empty());
  EXPECT_EQ(FirstDifference(shown.ServerCopy(), shown.OwnPaint()), "");
}

TEST(EditorInput, ACommitWithACharacterCp932LacksIsReportedAndNotTyped) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  std::string reported;
  e.OnUnmappableText = [&reported](const std::string& text) { reported = text; };
  Commit(e, QStringLiteral("한국"));
  EXPECT_EQ(reported, "한국");
  EXPECT_EQ(e.Lines()->Text(), "");
}

TEST(EditorInput, TheInputMethodLearnsTheCaretsPlaceAndTheTextAroundIt) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText(Sjis("日本abc") + "\r\n");
  e.SetCol(4);
  EXPECT_TRUE(Ask(e, Qt::ImEnabled).toBool());
  EXPECT_EQ(Ask(e, Qt::ImCursorRectangle).toRect(), QRect(shown.X(4), shown.Y(0), e.ColumnWidth(), e.FontHeight()));
  EXPECT_EQ(Ask(e, Qt::ImSurroundingText).toString(), QStringLiteral("日本abc"));
  EXPECT_EQ(Ask(e, Qt::ImCursorPosition).toInt(), 2);
  EXPECT_EQ(Ask(e, Qt::ImTextBeforeCursor).toString(), QStringLiteral("日本"));
  e.SetReadOnly(true);
  EXPECT_FALSE(Ask(e, Qt::ImEnabled).toBool());
}

TEST(EditorInput, TheCandidateWindowGoesToTheCompositionsCursor) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  Compose(e, QStringLiteral("にほ"));
  EXPECT_EQ(Ask(e, Qt::ImCursorRectangle).toRect().left(), shown.X(4));
}

TEST(EditorInput, AReplacementAroundTheCaretReplacesThoseCharacters) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText(Sjis("日本語") + "\r\n");
  e.SetCol(6);
  QInputMethodEvent event;
  event.setCommitString(QStringLiteral("誤"), -1, 1);
  QApplication::sendEvent(&e, &event);
  EXPECT_EQ(e.Lines()->Text(), Sjis("日本誤") + "\r\n");
}

// ---------------------------------------------------------------------------------------------
// Shortcuts

TEST(EditorInput, ThePopupsShortcutsWorkBeforeTheMenuWasEverShown) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  // The menu never popped up: its undo item is still off.
  ASSERT_FALSE(e.PopupMenu().Action(TEditorCommand::Undo)->isEnabled());
  QTest::keyClicks(&e, "one two");
  QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(e.Lines()->Text(), "one tw");
  QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(e.Lines()->Text(), "one two");
  QTest::keyClick(&e, Qt::Key_Home);
  for (int i = 0; i < 3; ++i)
    QTest::keyClick(&e, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(&e, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one"));
  QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(e.Lines()->Text(), " two");
  QTest::keyClick(&e, Qt::Key_End);
  QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e.Lines()->Text(), " twoone");
  QTest::keyClick(&e, Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(e.SelectionMode(), smBox);
}

TEST(EditorInput, AShortcutOfTheWindowAroundDoesNotTakeTheEditorsKeys) {
  editortest::Application();
  QWidget window;
  int windowUndos = 0;
  auto* undo = new QAction(&window);
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QObject::connect(undo, &QAction::triggered, [&windowUndos] { ++windowUndos; });
  window.addAction(undo);
  auto* editor = new TEditor(&window);
  editor->setGeometry(0, 0, 200, 100);
  window.show();
  window.activateWindow();
  (void)QTest::qWaitForWindowActive(&window, qttest::kWindowWait);
  editor->setFocus();
  QTest::keyClicks(editor, "ab");
  QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor->Lines()->Text(), "a");
  EXPECT_EQ(windowUndos, 0);
}

TEST(EditorInput, EnterIsLeftToTheWindowAroundWithoutWantReturns) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.SetWantReturns(false);
  QTest::keyClick(&e, Qt::Key_Return);
  EXPECT_EQ(e.Lines()->Text(), "");
  e.SetWantReturns(true);
  QTest::keyClick(&e, Qt::Key_Return);
  EXPECT_EQ(e.Lines()->Text(), "\r\n");
}

// Sends keys as a keyboard would, through the X server (XTEST), to the focused window.
void XKeys(const char* keys) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)});
  ASSERT_TRUE(xdotool.waitForFinished(5000));
  ASSERT_EQ(xdotool.exitCode(), 0);
}

TEST(EditorInput, ShiftCtrlAndADigitKeySetsThatMarkWhateverSymbolShiftGivesTheKey) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  std::string text;
  for (int i = 0; i < 60; ++i)
    text += "row " + std::to_string(i) + "\r\n";
  e.Lines()->SetText(text);
  e.SetRow(40);
  XKeys("ctrl+shift+3");
  ASSERT_TRUE(qttest::WaitUntil([&e] { return e.GetRowMarks(40) != 0; }));
  EXPECT_EQ(e.GetRowMarks(40), 1 << 3);
  e.SetRow(2);
  XKeys("ctrl+3");
  ASSERT_TRUE(qttest::WaitUntil([&e] { return e.Row() == 40; }));
  XKeys("ctrl+shift+3");
  EXPECT_TRUE(qttest::WaitUntil([&e] { return e.GetRowMarks(40) == 0; }));
}

// ---------------------------------------------------------------------------------------------
// The popup menu

TEST(EditorInput, TheMenuEnablesAndChecksItsItemsWhenItPopsUp) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText("abc\r\ndef\r\n");
  e.SetMark(1, 7);
  e.SelectAll();
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), e.mapToGlobal(QPoint(20, 20)));
  QApplication::sendEvent(e.viewport(), &event);
  TEditorPopupMenu& menu = e.PopupMenu();
  ASSERT_TRUE(qttest::WaitUntil([&menu] { return menu.isVisible(); }));
  EXPECT_TRUE(menu.Action(TEditorCommand::Copy)->isEnabled());
  EXPECT_TRUE(menu.Action(TEditorCommand::Cut)->isEnabled());
  EXPECT_FALSE(menu.Action(TEditorCommand::Undo)->isEnabled());
  EXPECT_TRUE(menu.Action(TEditorCommand::MarkJump, 7)->isChecked());
  EXPECT_FALSE(menu.Action(TEditorCommand::MarkJump, 6)->isChecked());
  EXPECT_FALSE(menu.Action(TEditorCommand::BoxSelectionMode)->isChecked());
  menu.Action(TEditorCommand::BoxSelectionMode)->trigger();
  menu.close();
  EXPECT_EQ(e.SelectionMode(), smBox);
  menu.PopupHandler();
  EXPECT_TRUE(menu.Action(TEditorCommand::BoxSelectionMode)->isChecked());
}

}  // namespace
}  // namespace vrel
