// The memo window and the about box as the program makes them, on the X server (xvfb-run): the memo
// reached from the View menu, placed from a temporary settings file (VREL_INI) and storing its
// placement again, typed into through Qt's key and input-method paths, saved with the document; the
// about box from the Help menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "app/MainMenu.h"
#include "app/qt/MainWindow.h"
#include "app/qt/MemoForm.h"
#include "app/qt/VersionDialogForm.h"
#include "editor/EditorStrings.h"
#include "editor/qt/ZEditor.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/IniFile.h"
#include "tests/app/ProgramApp.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

class MemoWindowTest : public apptest::ProgramWindowsTest {
 protected:
  TMemoForm& Memo() { return *Tools().MemoForm; }
  TEditor& Editor() { return *Memo().Editor1(); }
  // The memo from the View menu, with the keyboard.
  TMemoForm& ShowMemo() {
    window_->MenuAction("mnuMemo")->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Memo(), qttest::kWindowWait));
    Settle();
    return Memo();
  }
  void Commit(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(&Editor(), &event);
  }
};

TEST_F(MemoWindowTest, TheMemoItemShowsTheMemoWhereTheSettingsPlaceItWithTheKeyboardInItsNotes) {
  WriteBytes(ini_, "[MemoForm]\r\nLeft=300\r\nTop=150\r\nWidth=500\r\nHeight=320\r\n");
  MainWindow& window = Open();
  EXPECT_FALSE(Memo().isVisible());
  ShowMemo();
  EXPECT_EQ(Memo().frameGeometry(), QRect(300, 150, 500, 320));
  EXPECT_TRUE(Editor().hasFocus());
  EXPECT_FALSE(window.Form().ShortCutEnabled());
  EXPECT_EQ(window.Form().MemoEditor(), &Editor());
}

TEST_F(MemoWindowTest, APlacementOffTheScreenIsMovedOntoItAndABadSizeReadsAsTheDefault) {
  WriteBytes(ini_, "[MemoForm]\r\nLeft=5000\r\nTop=-40\r\nWidth=10\r\nHeight=x\r\n");
  Open();
  ShowMemo();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(Memo().frameGeometry(), QRect(screen.right() + 1 - 140, 0, 140, 300));  // at least 140 wide
}

TEST_F(MemoWindowTest, TheMemosPlacementIsStoredWhenTheProgramQuitsWithItOpenAndNotWhenItWasNeverShown) {
  Open();
  Close();
  EXPECT_EQ(Section("MemoForm"), "");
  Open();
  ShowMemo();
  Memo().move(130, 95);
  Memo().resize(520, 340);
  Settle();
  Close();
  EXPECT_EQ(Section("MemoForm"), "Left=130 Top=95 Width=520 Height=340 ");
}

TEST_F(MemoWindowTest, TheCloseButtonHidesTheMemoAndStoresItsPlacement) {
  Open();
  ShowMemo();
  Memo().move(60, 70);
  Settle();
  QTest::mouseClick(Memo().SpeedButtonClose(), Qt::LeftButton);
  Settle();
  EXPECT_FALSE(Memo().isVisible());
  EXPECT_EQ(Section("MemoForm"), "Left=60 Top=70 Width=450 Height=300 ");
}

TEST_F(MemoWindowTest, TypingInTheMemoMarksTheDocumentModifiedAndNoMainMenuShortcutFires) {
  MainWindow& window = Open();
  window.Form().PushHistory();
  window.Form().SetModified(false);
  ShowMemo();
  QTest::keyClicks(&Editor(), "sk");
  EXPECT_EQ(Editor().Lines()->Text(), "sk");
  EXPECT_TRUE(window.Form().Modified());
  EXPECT_EQ(window.Form().EditMode(), emSelect);
  QTest::keyClick(&Editor(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window.Form().History()->Index(), 1);  // the blades' undo did not run
  EXPECT_NE(Editor().Lines()->Text(), "sk");       // the memo's did
}

TEST_F(MemoWindowTest, AJapaneseNoteFromTheInputMethodIsSavedWithTheDocument) {
  MainWindow& window = Open();
  ShowMemo();
  Commit(QStringLiteral("日本語のメモ"));
  QTest::keyClick(&Editor(), Qt::Key_Return);
  Commit(QStringLiteral("ソ①"));
  EXPECT_TRUE(window.Form().Modified());
  qttest::WhenModal<QFileDialog>(
      [this](QFileDialog& dialog) { qttest::ChooseFile(dialog, QString::fromStdString(PathOf("notes"))); });
  window.MenuAction("mnuSaveAsVro")->trigger();
  // Python's cp932 of "日本語のメモ\r\nソ①".
  EXPECT_EQ(ReadBytes(PathOf("notes.txt")), "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x81\x83\x82\r\n\x83\x5c\x87\x40");
  EXPECT_FALSE(window.Form().Modified());
}

TEST_F(MemoWindowTest, APasteTheMemoCannotHoldIsNamedInItsWindowAndNothingOfItGoesIn) {
  MainWindow& window = Open();
  ShowMemo();
  QTest::keyClicks(&Editor(), "x");
  window.Form().SetModified(false);
  QGuiApplication::clipboard()->setText(QStringLiteral("メモ €5"));
  QTest::keyClick(&Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Editor().Lines()->Text(), "x");
  EXPECT_FALSE(window.Form().Modified());
  EXPECT_EQ(Memo().Notice()->text(), QStringLiteral("「€」(U+20AC) は CP932 にない文字のため入力しませんでした。"));
  QGuiApplication::clipboard()->setText(QStringLiteral("メモ"));
  QTest::keyClick(&Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Editor().Lines()->Text(), "x\x83\x81\x83\x82");  // Python's cp932 of "xメモ"
  EXPECT_FALSE(Memo().Notice()->isVisible());
}

TEST_F(MemoWindowTest, TheFMSButtonAppendsThePlacementDataAndMarksTheDocumentModified) {
  MainWindow& window = Open();
  ShowMemo();
  QTest::mouseClick(Memo().SpeedButtonFMS(), Qt::LeftButton);
  ASSERT_EQ(Editor().Lines()->Count(), 7);
  EXPECT_EQ(Editor().Lines()->Get(3), "X       : -5.00");
  EXPECT_TRUE(window.Form().Modified());
  EXPECT_TRUE(Editor().hasFocus());  // the button takes no focus from the notes
}

TEST_F(MemoWindowTest, TheWheelMovesTheCaretARowPerNotch) {
  Open();
  ShowMemo();
  Editor().Lines()->SetText("1\r\n2\r\n3\r\n4\r\n");
  Editor().SetRow(2);
  const QPoint at = Editor().viewport()->rect().center();
  QWheelEvent up(at, Editor().viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Editor().viewport(), &up);
  EXPECT_EQ(Editor().Row(), 1);
  QWheelEvent down(at, Editor().viewport()->mapToGlobal(at), {}, {0, -240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Editor().viewport(), &down);
  EXPECT_EQ(Editor().Row(), 3);
}

// --- the about box ---------------------------------------------------------------------------------

TEST_F(MemoWindowTest, TheAboutBoxShowsTheVersionAndTheHomePageWithoutAFrameAndClosesOnReturn) {
  MainWindow& window = Open();
  bool seen = false;
  qttest::WhenModal<TVersionDialogForm>([&](TVersionDialogForm& box) {
    seen = true;
    EXPECT_EQ(box.Label1()->text(), QStringLiteral("version 1.05"));
    EXPECT_EQ(box.Label2()->text(), QString::fromLatin1(TMenuCommands::kHomePage));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::FramelessWindowHint));
    QTest::keyClick(&box, Qt::Key_Return);
  });
  window.MenuAction("mnuVersion")->trigger();
  EXPECT_TRUE(seen);
  EXPECT_EQ(window.findChild<QDialog*>(QStringLiteral("VersionDialogForm")), nullptr);  // gone with its closing
}

class AboutBoxTest : public MemoWindowTest {
 protected:
  void SetUp() override {
    MemoWindowTest::SetUp();
    box_ = std::make_unique<TVersionDialogForm>();
    box_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box_.get(), qttest::kWindowWait));
  }
  void TearDown() override {
    box_.reset();
    MemoWindowTest::TearDown();
  }
  // The picture the button shows is the state's.
  bool Shows(int state) const {
    return box_->ImageButton()->pixmap().toImage() == box_->ButtonPicture(state).toImage();
  }
  QLabel& Button() const { return *box_->ImageButton(); }
  // The pointer moved to `at` in `widget`, as the window system delivers it there (the widget that
  // took a press keeps the moves until the release).
  static void MoveTo(QWidget& widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
  }
  std::unique_ptr<TVersionDialogForm> box_;
};

TEST_F(AboutBoxTest, ThePointerOverTheButtonLightsItAndOverTheBackgroundPutsItBack) {
  EXPECT_TRUE(Shows(TVersionDialogForm::bsNormal));
  MoveTo(Button(), {10, 10});
  EXPECT_TRUE(Shows(TVersionDialogForm::bsHover));
  MoveTo(*box_->Image1(), {10, 10});
  EXPECT_TRUE(Shows(TVersionDialogForm::bsNormal));
}

TEST_F(AboutBoxTest, PressingTheButtonAndDraggingOffShowsTheNormalPictureAndReleasingOutsideDoesNotClose) {
  QTest::mousePress(&Button(), Qt::LeftButton, {}, {10, 10});
  EXPECT_TRUE(Shows(TVersionDialogForm::bsPressed));
  MoveTo(Button(), {-20, 10}, Qt::LeftButton);
  EXPECT_TRUE(Shows(TVersionDialogForm::bsNormal));
  MoveTo(Button(), {30, 12}, Qt::LeftButton);
  EXPECT_TRUE(Shows(TVersionDialogForm::bsPressed));
  MoveTo(Button(), {30, 40}, Qt::LeftButton);
  QTest::mouseRelease(&Button(), Qt::LeftButton, {}, {30, 40});
  EXPECT_TRUE(box_->isVisible());
  EXPECT_FALSE(box_->Pressed());
  QTest::mouseClick(&Button(), Qt::LeftButton, {}, {30, 12});
  EXPECT_FALSE(box_->isVisible());
}

TEST_F(AboutBoxTest, AClickOnTheAddressOpensItAndClosesTheBox) {
  QString opened;
  box_->OpenAddress = [&opened](const QString& address) { opened = address; };
  QTest::mouseClick(box_->Label2(), Qt::LeftButton);
  EXPECT_EQ(opened, QString::fromLatin1(TMenuCommands::kHomePage));
  EXPECT_FALSE(box_->isVisible());
  EXPECT_EQ(box_->Label2()->cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
}  // namespace vrel
