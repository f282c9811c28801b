// The main window as the program makes it, on the X server (xvfb-run): restored from a temporary
// settings file (VREL_INI) and closed again, keys typed through Qt's own key path, the program's
// application object and start-up services in place.

#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <stdexcept>
#include <string>

#include "app/PlaneMarkControl.h"
#include "app/qt/Application.h"
#include "app/qt/ApplicationWindows.h"
#include "app/qt/DockForm.h"
#include "app/qt/FlatButton.h"
#include "app/qt/FloatForm.h"
#include "app/qt/MainWindow.h"
#include "app/qt/RenderWidget.h"
#include "app/qt/ShortcutGate.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "imaging/Graphics.h"
#include "imaging/qt/QtImageFormats.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtMessageBox.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "tests/app/ProgramApp.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

using apptest::App;

QRect Screen() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

class MainWindowTest : public apptest::ProgramWindowsTest {
 protected:
  // Makes the window the active one, as a click on it would; shortcuts go to the active window.
  void Activate(QWidget& window) {
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window, qttest::kWindowWait));
  }
  void WriteIni(const std::string& text) { WriteBytes(ini_, text); }
  std::string Stored(const char* section, const char* key) const {
    return TIniFile(ini_).ReadString(section, key, "<none>");
  }
  // The head panel shows every button and each docked panel stands whole, not more, below the head
  // panel, above the status bar and below the one before it.
  void ExpectPanelsWhole() const {
    const auto* more = window_->HeadPanel()->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    EXPECT_TRUE(more == nullptr || !more->isVisible());
    int above = window_->HeadPanel()->geometry().bottom();
    for (const TDockForm* form : window_->DockedForms()) {
      EXPECT_EQ(form->height(), form->sizeHint().height()) << form->objectName().toStdString();
      EXPECT_GT(form->geometry().top(), above) << form->objectName().toStdString();
      above = form->geometry().bottom();
    }
    EXPECT_LT(above, window_->statusBar()->geometry().top());
  }
  std::vector<std::string> DockedNames() const {
    std::vector<std::string> names;
    for (const TDockForm* form : window_->DockedForms())
      names.push_back(form->objectName().toStdString());
    return names;
  }
};

// --- start-up --------------------------------------------------------------------------------------

TEST_F(MainWindowTest, AFirstStartShowsTheEmptyDocumentWithItsPanelsAndStatusBar) {
  MainWindow& window = Open();
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Vrel"));
  EXPECT_EQ(DockedNames(), (std::vector<std::string>{"ToolForm", "LayerForm", "ParamForm"}));
  ExpectPanelsWhole();
  EXPECT_TRUE(Tools().OperatePanelForm->isVisible());
  EXPECT_FALSE(Tools().DirectionToolForm->isVisible());
  EXPECT_FALSE(Tools().ScaleToolForm->isVisible());
  EXPECT_FALSE(Tools().RotationToolForm->isVisible());
  EXPECT_TRUE(window.ViewPointButton(vpFree)->isChecked());
  for (int tag = 0; tag < kViewToggleCount; ++tag)
    EXPECT_TRUE(window.ViewToggle(tag)->isChecked()) << tag;
  EXPECT_EQ(window.focusWidget(), window.Render1());
  EXPECT_EQ(QApplication::font().family(), QStringLiteral("IPAPGothic"));
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainWindowTest, AtTheMinimumSizeTheDockedPanelsScrollAndNeverOverlap) {
  MainWindow& window = Open();
  window.resize(window.minimumSize());
  Settle();
  int above = window.HeadPanel()->geometry().bottom();
  for (const TDockForm* form : window.DockedForms()) {
    EXPECT_GT(form->geometry().top(), above) << form->objectName().toStdString();
    above = form->geometry().bottom();
  }
  EXPECT_LT(above, window.statusBar()->geometry().top());
  // "更新" scrolls into the panel's sight.
  TParamForm& params = *Tools().ParamForm;
  QPushButton* update = params.ButtonUpdate();
  auto* scroller = qobject_cast<QScrollArea*>(params.widget());
  ASSERT_NE(scroller, nullptr);
  scroller->ensureWidgetVisible(update);
  Settle();
  const QWidget* sight = scroller->viewport();
  EXPECT_TRUE(sight->rect().contains(QRect(update->mapTo(sight, QPoint()), update->size())));
}

TEST_F(MainWindowTest, ShowingTheWindowAgainMakesNoNewDocumentAndReadsNoPlacement) {
  MainWindow& window = Open();
  TSquareBladeCollections* layers = window.Form().Collections();
  window.Form().PushHistory();
  WriteIni("[MainForm]\r\nLeft=300\r\nTop=200\r\n");
  window.hide();  // as minimising and restoring does, Qt shows the window again
  window.show();
  Settle();
  EXPECT_EQ(window.Form().Collections(), layers);
  EXPECT_EQ(window.Form().History()->Count(), 2);
  EXPECT_TRUE(window.Form().Modified());
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(0, 0));
}

TEST_F(MainWindowTest, PlacementAndPanelsComeBackFromTheSettingsFile) {
  WriteIni(
      "[MainForm]\r\nLeft=40\r\nTop=30\r\nWidth=1000\r\nHeight=700\r\nSitePanelWidth=200\r\n"
      "[ToolForm]\r\nTop=500\r\n[LayerForm]\r\nTop=0\r\n"
      "[ParamForm]\r\nDocking=0\r\nLeft=1200\r\nTop=100\r\nWidth=220\r\nHeight=300\r\n"
      "[OperatePanelForm]\r\nLeft=50\r\nTop=80\r\n[DirectionToolForm]\r\nVisible=1\r\n");
  MainWindow& window = Open();
  EXPECT_EQ(window.frameGeometry(), QRect(40, 30, 1000, 700));
  EXPECT_EQ(DockedNames(), (std::vector<std::string>{"LayerForm", "ToolForm"}));
  EXPECT_EQ(Tools().LayerForm->width(), 200);
  EXPECT_TRUE(Tools().ParamForm->isFloating());
  EXPECT_EQ(Tools().ParamForm->frameGeometry(), QRect(1200, 100, 220, 300));
  EXPECT_EQ(Tools().OperatePanelForm->Position(), QPoint(50, 80));
  EXPECT_FALSE(Tools().DirectionToolForm->isVisible());  // only in its edit mode
}

TEST_F(MainWindowTest, PanelValuesThatAreNotNumbersGiveTheDefaults) {
  WriteIni(
      "[LayerForm]\r\nDocking=perhaps\r\nDockAlign=7\r\nVisible=\r\n[OperatePanelForm]\r\nLeft=abc\r\nTop=1.5\r\n");
  Open();
  EXPECT_EQ(Tools().LayerForm->DockAlign(), 1);
  EXPECT_FALSE(Tools().LayerForm->isVisible());              // "" reads as 0
  EXPECT_EQ(Tools().OperatePanelForm->Position().x(), 200);  // its top kept inside the window
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainWindowTest, AWindowPlacedOutsideTheDesktopLandsOnItAndItsFramesInsideIt) {
  WriteIni(
      "[MainForm]\r\nLeft=5000\r\nTop=-300\r\nWidth=4000\r\nHeight=300\r\n"
      "[OperatePanelForm]\r\nLeft=3000\r\nTop=-50\r\n");
  MainWindow& window = Open();
  const QRect screen = Screen();
  EXPECT_EQ(window.frameGeometry(), QRect(screen.x(), screen.y(), screen.width(), 400));
  const QRect area = window.FloatArea();
  const TFloatForm& operate = *Tools().OperatePanelForm;
  EXPECT_EQ(operate.Position(), QPoint(area.right() + 1 - operate.width(), area.top()));
  EXPECT_GT(operate.Position().x(), 0);
}

TEST_F(MainWindowTest, DockedAndFloatingPanelsSurviveARestart) {
  Open();
  Tools().ParamForm->setFloating(true);
  Tools().ParamForm->move(1300, 200);
  Tools().ParamForm->resize(230, 280);
  Tools().LayerForm->close();
  Tools().OperatePanelForm->SetPosition({60, 90});
  Settle();
  Close();
  EXPECT_EQ(Stored("ParamForm", "Docking"), "0");
  EXPECT_EQ(Stored("LayerForm", "Docking"), "1");
  EXPECT_EQ(Stored("LayerForm", "Visible"), "0");

  Open();
  EXPECT_TRUE(Tools().ParamForm->isFloating());
  EXPECT_EQ(Tools().ParamForm->frameGeometry(), QRect(1300, 200, 230, 280));
  EXPECT_TRUE(Tools().ParamForm->isVisible());
  EXPECT_FALSE(Tools().LayerForm->isVisible());
  EXPECT_FALSE(Tools().LayerForm->isFloating());
  EXPECT_EQ(DockedNames(), (std::vector<std::string>{"ToolForm"}));
  EXPECT_EQ(Tools().OperatePanelForm->Position(), QPoint(60, 90));
  window_->DockControl(Tools().LayerForm, TDockForm::kAlignTop);  // shown again: back in the site
  EXPECT_EQ(DockedNames(), (std::vector<std::string>{"LayerForm", "ToolForm"}));
}

TEST_F(MainWindowTest, ARestoredPlacementIsSavedAsItWasReadAndAMovedOneWhereItStands) {
  WriteIni("[MainForm]\r\nLeft=33\r\nTop=44\r\nWidth=777\r\nHeight=555\r\nSitePanelWidth=170\r\n");
  for (int run = 0; run < 2; ++run) {
    Open();
    Close();
    EXPECT_EQ(Section("MainForm"), "Left=33 Top=44 Width=777 Height=555 SitePanelWidth=170 Maximize=0 ");
  }
  Open();
  window_->move(120, 80);
  window_->resize(900, 600);
  Settle();
  Close();
  EXPECT_EQ(Section("MainForm"), "Left=120 Top=80 Width=900 Height=600 SitePanelWidth=170 Maximize=0 ");
}

TEST_F(MainWindowTest, ClosingMaximisedKeepsTheNormalPlacementAndTheNextStartIsMaximised) {
  WriteIni("[MainForm]\r\nLeft=33\r\nTop=44\r\nWidth=777\r\nHeight=555\r\n");
  Open();
  window_->showMaximized();
  Settle();
  Close();
  EXPECT_EQ(Section("MainForm"), "Left=33 Top=44 Width=777 Height=555 Maximize=1 SitePanelWidth=145 ");
  Open();
  EXPECT_TRUE(window_->isMaximized());
}

TEST_F(MainWindowTest, TheSitePanelsWidthIsSavedWithinItsLimits) {
  Open();
  const std::vector<TDockForm*> docked = window_->DockedForms();
  window_->resizeDocks(QList<QDockWidget*>(docked.begin(), docked.end()), QList<int>(3, 260), Qt::Horizontal);
  Settle();
  EXPECT_EQ(window_->SitePanelWidth(), 260);
  window_->resizeDocks(QList<QDockWidget*>(docked.begin(), docked.end()), QList<int>(3, 900), Qt::Horizontal);
  Settle();
  EXPECT_EQ(docked.front()->width(), 320);
  Close();
  EXPECT_EQ(Stored("MainForm", "SitePanelWidth"), "320");
}

TEST_F(MainWindowTest, APanelDockedAgainTakesItsSideFromWhereItLanded) {
  Open();
  for (TDockForm* form : std::initializer_list<TDockForm*>{Tools().ToolForm, Tools().ParamForm}) {
    form->setFloating(true);
    Settle();
    form->setFloating(false);  // back where it stood, as a drop there puts it
    Settle();
  }
  EXPECT_EQ(Tools().ToolForm->DockAlign(), TDockForm::kAlignTop);
  EXPECT_EQ(Tools().ParamForm->DockAlign(), TDockForm::kAlignBottom);
  Close();
  EXPECT_EQ(Stored("ParamForm", "DockAlign"), "2");
}

TEST_F(MainWindowTest, FloatingFramesStayInsideTheClientAreaAndKeepTheirRightDistance) {
  WriteIni("[MainForm]\r\nWidth=1000\r\nHeight=700\r\n[OperatePanelForm]\r\nLeft=600\r\nTop=100\r\n");
  MainWindow& window = Open();
  TFloatForm& operate = *Tools().OperatePanelForm;
  EXPECT_FALSE(operate.LeftAnchored());
  const int offset = window.width() - operate.Position().x() - operate.width();
  window.resize(1200, 700);
  Settle();
  EXPECT_EQ(window.width() - operate.Position().x() - operate.width(), offset);
  window.resize(620, 420);
  Settle();
  const QRect area = window.FloatArea();
  EXPECT_LE(operate.Position().x() + operate.width(), area.right() + 1);
  EXPECT_LE(operate.Position().y() + operate.height(), area.bottom() + 1);
  EXPECT_GE(operate.Position().y(), area.top());
}

// --- the window's state ----------------------------------------------------------------------------

TEST_F(MainWindowTest, TheHeadPanelsButtonsDriveTheViewFlagsAndTheViewPoint) {
  MainWindow& window = Open();
  QTest::mouseClick(window.ViewToggle(3), Qt::LeftButton);
  EXPECT_EQ(window.Form().ViewFlags(), kAllViewFlags & ~vfAxis);
  QTest::mouseClick(window.ViewGroup(2), Qt::LeftButton);
  EXPECT_EQ(window.Form().ViewFlags(), kAllViewFlags & ~(vfAxis | vfVertex | vfBorder | vfSurface));
  EXPECT_FALSE(window.ViewToggle(8)->isChecked());
  QTest::mouseClick(window.ViewPointButton(vpTop), Qt::LeftButton);
  EXPECT_EQ(window.Form().ViewPoint(), vpTop);
  EXPECT_FALSE(window.ViewPointButton(vpFree)->isChecked());
}

TEST_F(MainWindowTest, AFlatButtonReleasedOutsideKeepsItsState) {
  MainWindow& window = Open();
  TFlatButton& parts = *window.ViewGroup(1);
  QTest::mousePress(&parts, Qt::LeftButton);
  QTest::mouseRelease(&parts, Qt::LeftButton, {}, QPoint(parts.width() + 20, parts.height() / 2));
  EXPECT_TRUE(parts.Down());
  EXPECT_EQ(window.Form().ViewFlags(), kAllViewFlags);
}

TEST_F(MainWindowTest, TextAreasKeepTheirKeysWhileShortcutsStayWithTheView) {
  MainWindow& window = Open();
  auto* edit = new QLineEdit(Tools().OperatePanelForm->Client());
  edit->show();
  window.Gate().AddTextArea(edit);
  TDX9Transformer& camera = window.Form().Transformer1();
  camera.SetCameraRotation({10, 20, 0});
  Activate(window);
  edit->setFocus();
  Settle();
  ASSERT_TRUE(edit->hasFocus());
  EXPECT_FALSE(window.Form().ShortCutEnabled());
  QTest::keyClick(edit, Qt::Key_F5);
  QTest::keyClicks(edit, "s");
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(10, 20, 0));
  EXPECT_EQ(edit->text(), QStringLiteral("s"));

  window.Render1()->setFocus();
  Settle();
  EXPECT_TRUE(window.Form().ShortCutEnabled());
  QTest::keyClick(window.Render1(), Qt::Key_F5);
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(45, -45, 0));
}

// --- the menus and the file dialogs ------------------------------------------------------------------

// "name caption shortcut" for each item of the menu, "-" for a rule.
QStringList MenuItems(const QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions()) {
    items << (action->isSeparator()
                  ? QStringLiteral("-")
                  : action->objectName() + " " + action->text() + " " + action->shortcut().toString());
  }
  return items;
}

TEST_F(MainWindowTest, TheMenuBarBuildsEachMenuFromTheTableWithItsSeparatorsAndShortcuts) {
  MainWindow& window = Open();
  QStringList titles;
  for (QAction* action : window.menuBar()->actions())
    titles << action->text();
  EXPECT_EQ(titles, QStringList({"ファイル(&F)", "編集(&E)", "選択範囲(&S)", "視点(&V)", "機体マーク(&M)", "パネル(&P)",
                                 "表示(&V)", "ヘルプ(&H)"}));
  EXPECT_EQ(MenuItems(window.Menu("mnuFile")),
            QStringList({
                QStringLiteral("mnuNew 新規作成(&N) Ctrl+N"),
                QStringLiteral("mnuOpen_Scn 開く(&O)... Ctrl+O"),
                QStringLiteral("mnuOpen6Images ６面画像を開く...(&I) "),
                QStringLiteral("mnuSave 上書き保存(&S) Ctrl+S"),
                QStringLiteral("mnuSaveAs 名前をつけて保存(&A)... "),
                QStringLiteral("-"),
                QStringLiteral("mnuOpenVro オブジェクトファイルを開く(&P)... "),
                QStringLiteral("mnuAppendVro オブジェクトファイルを追加で開く(&Ｌ) "),
                QStringLiteral("mnuSaveAsVro オブジェクトに名前を付けて保存(&ＫG) "),
                QStringLiteral("-"),
                QStringLiteral("mnuVrelProp 設定(&G) "),
                QStringLiteral("-"),
                QStringLiteral("mnuExit 終了(&X) "),
            }));
  EXPECT_EQ(MenuItems(window.Menu("mnuClearMemory")), QStringList({"mnuClearHistory 履歴(&H) "}));
  // The single keys belong to the window, in no menu.
  EXPECT_EQ(window.MenuAction("mnuScissors")->shortcut(), QKeySequence(Qt::Key_L));
  EXPECT_EQ(window.MenuAction("mnuVertexPosition")->shortcut(), QKeySequence(Qt::Key_W));
  EXPECT_EQ(window.Menu("mnuHidedCommand"), nullptr);
}

TEST_F(MainWindowTest, AMenusRulesHoldOnlyWhileItIsOpenAndTheHistoryItemShowsTheBytesHeld) {
  MainWindow& window = Open();
  QMenu* edit = window.Menu("mnuEdit");
  QAction* undo = window.MenuAction("mnuUndo");
  emit edit->aboutToShow();
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(window.MenuAction("mnuClearMemory")->isEnabled());
  emit edit->aboutToHide();
  EXPECT_TRUE(undo->isEnabled());
  window.Form().PushHistory();
  emit window.Menu("mnuClearMemory")->aboutToShow();
  const QString expected =
      QStringLiteral("履歴(&H) %1 K byte").arg(double(window.Form().History()->HistorySize()) / 1024.0, 0, 'f', 2);
  EXPECT_EQ(window.MenuAction("mnuClearHistory")->text(), expected);
}

TEST_F(MainWindowTest, ThePanelMenuChecksTheShownPanelsAndClosesAndReopensThemWhereTheyWere) {
  MainWindow& window = Open();
  TDockForm* layers = Tools().LayerForm;
  ASSERT_EQ(DockedNames(), (std::vector<std::string>{"ToolForm", "LayerForm", "ParamForm"}));
  emit window.Menu("mnuPanel")->aboutToShow();
  EXPECT_TRUE(window.MenuAction("mnuLayerPanel")->isChecked());
  EXPECT_TRUE(window.MenuAction("mnuOperatePanelForm")->isChecked());
  window.MenuAction("mnuLayerPanel")->trigger();
  window.MenuAction("mnuOperatePanelForm")->trigger();
  Settle();
  EXPECT_TRUE(layers->isHidden());
  EXPECT_TRUE(Tools().OperatePanelForm->isHidden());
  emit window.Menu("mnuPanel")->aboutToShow();
  EXPECT_FALSE(window.MenuAction("mnuLayerPanel")->isChecked());
  EXPECT_FALSE(window.MenuAction("mnuOperatePanelForm")->isChecked());
  window.MenuAction("mnuLayerPanel")->trigger();
  window.MenuAction("mnuOperatePanelForm")->trigger();
  Settle();
  EXPECT_FALSE(layers->isFloating());
  EXPECT_EQ(DockedNames(), (std::vector<std::string>{"LayerForm", "ToolForm", "ParamForm"}));
  EXPECT_TRUE(Tools().OperatePanelForm->isVisible());
}

// What a file dialog showed, seen from a timer that runs inside its modal loop.
struct SeenDialog {
  QStringList Filters;
  QString Suffix;
  bool Native = true;
  QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
  bool Preview = false;
};

// The next modal file dialog: recorded, then answered with `file` (cancelled when empty).
void AnswerNextFileDialog(std::vector<SeenDialog>& seen, const QString& file = {}) {
  qttest::WhenModal<QFileDialog>([&seen, file](QFileDialog& dialog) {
    seen.push_back({dialog.nameFilters(), dialog.defaultSuffix(), !dialog.testOption(QFileDialog::DontUseNativeDialog),
                    dialog.acceptMode(), dialog.findChild<QWidget*>(QStringLiteral("PicturePreview")) != nullptr});
    if (!file.isEmpty())
      qttest::ChooseFile(dialog, file);
  });
}

TEST_F(MainWindowTest, TheFileDialogsAreQtsOwnWithTheFiltersOfTheirKind) {
  const auto formats = RegisterImageFormats();
  MainWindow& window = Open();
  std::vector<SeenDialog> seen;
  for (const char* item : {"mnuOpen_Scn", "mnuSaveAsVro", "mnuOpen6Images"}) {
    AnswerNextFileDialog(seen);
    window.MenuAction(item)->trigger();
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].Filters, QStringList{QStringLiteral("シーンファイル(*.scn)")});
  EXPECT_EQ(seen[0].Mode, QFileDialog::AcceptOpen);
  EXPECT_EQ(seen[1].Filters, QStringList{QStringLiteral("オブジェクトファイル(*.vro)")});
  EXPECT_EQ(seen[1].Suffix, QStringLiteral("vro"));
  EXPECT_EQ(seen[1].Mode, QFileDialog::AcceptSave);
  EXPECT_EQ(seen[2].Filters, QString::fromStdString(FilterText(PictureFormats().Filter())).split(";;"));
  EXPECT_TRUE(seen[2].Preview);
  EXPECT_FALSE(seen[0].Preview);
  for (const SeenDialog& dialog : seen)
    EXPECT_FALSE(dialog.Native);
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainWindowTest, RememberedPositionsTravelWithTheObjectFileAndItsOpeningListsThemInThePlaneMarkMenu) {
  MainWindow& window = Open();
  TPlaneMarkControl& mark = window.Form().PlaneMark();
  mark.SetPlaneMarkPosition({12, 0, 3});
  window.MenuAction("mnuPlaneMark_Memory")->trigger();
  mark.SetPlaneMarkPosition({-4.5f, 5, 0});
  window.MenuAction("mnuPlaneMark_Memory")->trigger();
  std::vector<SeenDialog> seen;
  AnswerNextFileDialog(seen, QString::fromStdString(PathOf("marks.vro")));
  window.MenuAction("mnuSaveAsVro")->trigger();
  ASSERT_EQ(seen.size(), 1u);
  window.MenuAction("mnuPlaneMark_Clear")->trigger();
  ASSERT_TRUE(window.Menu("mnuPlaneMark_Call")->actions().isEmpty());
  window.Form().SetModified(false);

  AnswerNextFileDialog(seen, QString::fromStdString(PathOf("marks.vro")));
  window.MenuAction("mnuOpenVro")->trigger();
  ASSERT_EQ(seen.size(), 2u);
  const QList<QAction*> listed = window.Menu("mnuPlaneMark_Call")->actions();
  ASSERT_EQ(listed.size(), 2);
  EXPECT_EQ(listed[0]->text(), QStringLiteral("x:-4.50 y:5.00 z:0.00"));
  EXPECT_EQ(listed[0]->shortcut(), QKeySequence(QStringLiteral("Shift+1")));
  EXPECT_EQ(listed[1]->text(), QStringLiteral("x:12.00 y:0.00 z:3.00"));
  EXPECT_EQ(listed[1]->shortcut(), QKeySequence(QStringLiteral("Shift+2")));
  window.RunMenuRules(window.Menu("mnuPlaneMark"));
  EXPECT_TRUE(window.MenuAction("mnuPlaneMark_Call")->isEnabled());
  listed[1]->trigger();
  EXPECT_EQ(mark.Position(), Vec3(12, 0, 3));
  EXPECT_TRUE(messages_.Shown.empty());
}

// --- the program ------------------------------------------------------------------------------------

class Throwing : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User)
      throw std::runtime_error("壊れた処理");
    return QObject::event(event);
  }
};

TEST_F(MainWindowTest, AnExceptionLeavingAnEventHandlerBecomesTheErrorBox) {
  Throwing object;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&object, &event);
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(messages_.Shown[0].Caption, "Vrel");
  EXPECT_EQ(messages_.Shown[0].Text, "壊れた処理");
  EXPECT_EQ(messages_.Shown[0].Icon, TMsgIcon::Error);
}

TEST_F(MainWindowTest, TheProgramQuitsWhenTheMainWindowClosesWhileAnotherWindowIsOpen) {
  Open();
  QWidget memo;  // a top-level window of its own, as the memo window is
  memo.show();
  QTimer::singleShot(100, window_.get(), [this] { window_->close(); });
  QTimer::singleShot(120000, &App(), [] { QCoreApplication::exit(1); });  // a hang fails
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, MessageBoxesOfferTheirStandardButtonsInJapanese) {
  QtMessageBox qtBox;
  TScopedMessageBox scope(qtBox);
  QStringList texts;
  qttest::WhenModal<QMessageBox>([&](QMessageBox& box) {
    for (const QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
      texts << box.button(b)->text();
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ShowMessageBox("Vrel", "変更を保存しますか？", TMsgIcon::Question, TMsgButtons::YesNoCancel),
            TMsgResult::No);
  ASSERT_EQ(texts.size(), 3);
  EXPECT_TRUE(texts[0].contains(QStringLiteral("はい"))) << texts[0].toStdString();
  EXPECT_TRUE(texts[1].contains(QStringLiteral("いいえ"))) << texts[1].toStdString();
  EXPECT_TRUE(texts[2].contains(QStringLiteral("キャンセル"))) << texts[2].toStdString();
}

}  // namespace
}  // namespace vrel
