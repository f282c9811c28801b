// The tool panels in the program's own windows on the X server (xvfb-run), driven through Qt's event
// path with QTest: the layer list's buttons, marks, menu, rename box and drag to reorder; the FMS
// parameter panel's boxes; the operate panel's drags; the move panel; the tool palette's modes and
// the rotation and scale panels. Each checks the document behind: the layers, the vertices, the
// history and Modified.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "app/qt/ApplicationWindows.h"
#include "app/qt/LayerListBox.h"
#include "app/qt/NumberBox.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/NumberFormat.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/ProgramApp.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

class PanelsTest : public apptest::ProgramWindowsTest {
 protected:
  void SetUp() override {
    ProgramWindowsTest::SetUp();
    WriteBytes(ini_, "[MainForm]\nWidth=1000\nHeight=700\n[LayerForm]\nTop=300\n");
    Open();
  }

  TLayerListBox& List() { return *Tools().LayerForm->LayerListBox(); }
  QWidget* View() { return List().viewport(); }
  // A point on row `row` of the list: on its name, or at `x` (the eye cell is below 22, the key's
  // from 22 to 43).
  QPoint RowPoint(int row, int x = 90) { return {x, (row - List().TopIndex()) * kLayerItemHeight + 12}; }
  void ClickRow(int row, int x = 90) { QTest::mouseClick(View(), Qt::LeftButton, {}, RowPoint(row, x)); }
  std::vector<std::string> LayerNames() {
    std::vector<std::string> names;
    for (int i = 0; i < Layers().Count(); ++i)
      names.push_back(Cp932ToUtf8(Layers().GetLayer(i)->Name()));
    return names;
  }
  std::vector<std::string> RowTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < List().Rows().Count(); ++i)
      texts.push_back(List().Rows().Row(i).Text);
    return texts;
  }
  // Layers "L0" .. "L<n-1>" instead of the first one, shown in the list.
  void MakeLayers(int n) {
    Layers().Clear();
    for (int i = 0; i < n; ++i)
      Layers().AddLayer()->SetName("L" + std::to_string(i));
    Layers().SetCurrentIndex(0);
    Form().PushHistory();
    Tools().LayerForm->SetCollections(&Layers());
    Settle();
  }
  // A blade in `layer` with corners 10 apart around `at`, optionally selected.
  TSquareBlade* AddBlade(TSquareBladeCollection& layer, const Vec3& at, bool select) {
    TSquareBlade* blade =
        scenetest::AddBlade(layer, {at, at + Vec3(10, 0, 0), at + Vec3(10, 0, -10), at + Vec3(0, 0, -10)});
    if (select)
      blade->SelectAll();
    Layers().RebuildSelectedVertexList();
    return blade;
  }
  // Answers the next modal input box with `text`, or cancels it.
  static void AnswerInputBox(std::optional<QString> text) {
    qttest::WhenModal<QInputDialog>([text](QInputDialog& box) {
      if (text) {
        box.setTextValue(*text);
        box.accept();
      }
    });
  }
};

// --- the layer panel ---------------------------------------------------------------------------------

TEST_F(PanelsTest, TheCurrentLayersRowIsScrolledIntoSight) {
  MakeLayers(30);
  Layers().SetCurrentIndex(25);
  Tools().LayerForm->SetCollections(&Layers());
  const int rowsShown = View()->height() / kLayerItemHeight;
  ASSERT_LT(rowsShown, 25);
  EXPECT_EQ(List().TopIndex(), 25 - rowsShown + 1);
  QTest::keyClick(View(), Qt::Key_Down);
  EXPECT_EQ(List().TopIndex(), 26 - rowsShown + 1);
  EXPECT_EQ(Layers().CurrentIndex(), 26);
}

TEST_F(PanelsTest, NewCopyAndDeleteChangeTheLayersAndTakeOneStepEach) {
  Form().SetModified(false);
  const int steps = Steps();
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_New"), Qt::LeftButton);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"レイヤー1", "レイヤー2"}));
  EXPECT_EQ(RowTexts(), LayerNames());
  EXPECT_EQ(Layers().CurrentIndex(), 1);
  EXPECT_EQ(List().Rows().ItemIndex(), 1);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(Form().Modified());

  AddBlade(*Layers().GetLayer(1), {0, 0, 0}, false);
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_Copy"), Qt::LeftButton);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"レイヤー1", "レイヤー2", "レイヤー2のコピー"}));
  EXPECT_EQ(Layers().GetLayer(2)->Count(), 1);
  EXPECT_EQ(Layers().GetLayer(1)->Count(), 1);
  EXPECT_EQ(Layers().CurrentIndex(), 2);
  EXPECT_EQ(Steps(), steps + 2);

  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_Copy"), Qt::LeftButton);
  EXPECT_EQ(LayerNames().back(), "レイヤー2のコピー2");
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_Delete"), Qt::LeftButton);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"レイヤー1", "レイヤー2", "レイヤー2のコピー"}));
  EXPECT_EQ(List().Rows().ItemIndex(), 2);
  EXPECT_EQ(Steps(), steps + 4);

  // Undo restores the snapshot before the delete.
  Form().History()->SetIndex(Form().History()->Index() - 1);
  EXPECT_EQ(Form().Collections()->Count(), 4);
}

TEST_F(PanelsTest, DeletingTheOnlyLayerLeavesAnEmptyListAndANewOneStartsAgain) {
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_Delete"), Qt::LeftButton);
  EXPECT_EQ(Layers().Count(), 0);
  EXPECT_EQ(List().Rows().Count(), 0);
  EXPECT_EQ(List().Rows().ItemIndex(), -1);
  EXPECT_EQ(Layers().CurrentLayer(), nullptr);
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_Copy"), Qt::LeftButton);
  EXPECT_EQ(Layers().Count(), 0);
  QTest::mouseClick(Tools().LayerForm->Button("SpeedButton_New"), Qt::LeftButton);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"レイヤー1"}));
}

TEST_F(PanelsTest, ClickingARowTakesAStepOnlyWhenTheCurrentLayerChanges) {
  MakeLayers(3);
  Form().SetModified(false);
  const int steps = Steps();
  ClickRow(0);
  EXPECT_EQ(Steps(), steps);
  EXPECT_FALSE(Form().Modified());
  ClickRow(2);
  EXPECT_EQ(Layers().CurrentIndex(), 2);
  EXPECT_EQ(Steps(), steps + 1);
  ClickRow(2);
  EXPECT_EQ(Steps(), steps + 1);
  QTest::keyClick(View(), Qt::Key_Up);
  EXPECT_EQ(Layers().CurrentIndex(), 1);
  EXPECT_EQ(Steps(), steps + 2);
}

TEST_F(PanelsTest, RenamingThroughTheInputBoxTakesAStepOnlyWhenTheNameChanged) {
  MakeLayers(2);
  const int steps = Steps();
  AnswerInputBox(QStringLiteral("地面"));
  QTest::mouseDClick(View(), Qt::LeftButton, {}, RowPoint(0));
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"地面", "L1"}));
  EXPECT_EQ(RowTexts(), LayerNames());
  EXPECT_EQ(Steps(), steps + 1);
  AnswerInputBox(QStringLiteral("地面"));
  QTest::mouseDClick(View(), Qt::LeftButton, {}, RowPoint(0));
  AnswerInputBox(std::nullopt);
  QTest::mouseDClick(View(), Qt::LeftButton, {}, RowPoint(0));
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"地面", "L1"}));
  EXPECT_EQ(Steps(), steps + 1);
  AnswerInputBox(QString());
  Tools().LayerForm->MenuItem("mnuName")->trigger();
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"", "L1"}));
  EXPECT_EQ(Steps(), steps + 2);
}

TEST_F(PanelsTest, AMarkPressDraggedDownGivesEveryRowPassedTheFirstRowsNewState) {
  MakeLayers(6);
  Layers().GetLayer(3)->SetVisible(false);
  Tools().LayerForm->SetCollections(&Layers());
  const int steps = Steps();
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(0, 10));
  for (int row = 1; row <= 5; ++row)
    QTest::mouseMove(View(), RowPoint(row, 10));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(5, 10));
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(Layers().GetLayer(i)->Visible()) << i;
    EXPECT_FALSE(List().Rows().ItemVisible(i)) << i;
  }
  // Row 3 was hidden already: five changes, each a step.
  EXPECT_EQ(Steps(), steps + 5);
  // The mark column selects nothing and starts no drag.
  EXPECT_EQ(List().Rows().ItemIndex(), 0);
  EXPECT_EQ(List().PaintMode(), TLayerListBox::pmNone);

  ClickRow(2, 30);
  EXPECT_TRUE(Layers().GetLayer(2)->Locked());
  EXPECT_EQ(List().Rows().ItemIndex(), 0);
  // Moving over the eye cells in key mode changes nothing.
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(3, 30));
  QTest::mouseMove(View(), RowPoint(4, 10));
  QTest::mouseMove(View(), RowPoint(5, 30));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(5, 30));
  EXPECT_TRUE(Layers().GetLayer(3)->Locked());
  EXPECT_FALSE(Layers().GetLayer(4)->Locked());
  EXPECT_TRUE(Layers().GetLayer(5)->Locked());
  EXPECT_FALSE(Layers().GetLayer(4)->Visible());
}

TEST_F(PanelsTest, DraggingARowOntoAnotherMovesTheLayerThereAsOneStep) {
  MakeLayers(4);
  const int steps = Steps();
  const int width = View()->width();
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(0));
  QTest::mouseMove(View(), RowPoint(0) + QPoint(0, 2));
  EXPECT_FALSE(List().Dragging());
  QTest::mouseMove(View(), RowPoint(0) + QPoint(0, QApplication::startDragDistance() + 1));
  EXPECT_TRUE(List().Dragging());
  // Over itself: a frame around the row.
  EXPECT_TRUE(List().DropMarkShown());
  EXPECT_EQ(List().DropMark(), (TMarkRect{0, 0, width, kLayerItemHeight}));
  QTest::mouseMove(View(), RowPoint(2));
  // Moving down: a bar under the target row.
  EXPECT_EQ(List().DropTarget(), 2);
  EXPECT_EQ(List().DropMark(), (TMarkRect{0, 3 * kLayerItemHeight - 3, width, 6}));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(2));
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"L1", "L2", "L0", "L3"}));
  EXPECT_EQ(RowTexts(), LayerNames());
  EXPECT_EQ(Layers().CurrentIndex(), 2);
  EXPECT_EQ(List().Rows().ItemIndex(), 2);
  EXPECT_FALSE(List().DropMarkShown());
  EXPECT_EQ(Steps(), steps + 1);

  // Up again, over row 0: the bar above it.
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(3));
  QTest::mouseMove(View(), RowPoint(1));
  QTest::mouseMove(View(), RowPoint(0));
  EXPECT_EQ(List().DropMark(), (TMarkRect{0, -3, width, 6}));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(0));
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"L3", "L1", "L2", "L0"}));
}

TEST_F(PanelsTest, ARowDroppedOnItselfOrBelowTheRowsStaysWhereItWas) {
  MakeLayers(3);
  const int steps = Steps();
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mouseMove(View(), RowPoint(2));
  QTest::mouseMove(View(), RowPoint(1));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mouseMove(View(), RowPoint(4));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, RowPoint(4));
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"L0", "L1", "L2"}));
  // Only the press that chose row 1 was a step.
  EXPECT_EQ(Steps(), steps + 1);
}

TEST_F(PanelsTest, DraggingInTheTopBandScrollsARowEvery150msUntilThePointerLeavesIt) {
  MakeLayers(30);
  const int rowsShown = View()->height() / kLayerItemHeight;
  ASSERT_LT(rowsShown, 25);
  List().SetTopIndex(10);
  int ticks = 0;
  QObject::connect(&List().ScrollTimer(), &QTimer::timeout, [&ticks] { ++ticks; });
  QTest::mousePress(View(), Qt::LeftButton, {}, RowPoint(12));
  QTest::mouseMove(View(), RowPoint(11));
  QTest::mouseMove(View(), {90, 3});
  EXPECT_TRUE(List().ScrollTimer().isActive());
  EXPECT_EQ(List().ScrollTimer().interval(), kScrollInterval);
  EXPECT_EQ(List().ScrollDirection(), -1);
  // A row a tick, however late the ticks come.
  ASSERT_TRUE(qttest::WaitUntil([&ticks] { return ticks >= 2; }));
  EXPECT_EQ(List().TopIndex(), 10 - ticks);
  EXPECT_EQ(List().DropTarget(), List().TopIndex());
  QTest::mouseMove(View(), {90, 3 * kLayerItemHeight + 12});
  EXPECT_FALSE(List().ScrollTimer().isActive());
  QTest::mouseMove(View(), {90, View()->height() - 2});
  EXPECT_EQ(List().ScrollDirection(), 1);
  QTest::mouseRelease(View(), Qt::LeftButton, {}, {90, View()->height() - 2});
  EXPECT_FALSE(List().ScrollTimer().isActive());
}

TEST_F(PanelsTest, ThePopupMenuOffersWhatTheSelectionAllowsAndMergesLayers) {
  MakeLayers(3);
  for (int i = 0; i < 3; ++i)
    AddBlade(*Layers().GetLayer(i), {10.0f * static_cast<float>(i), 0, 0}, false);
  Layers().GetLayer(2)->SetVisible(false);
  Tools().LayerForm->SetCollections(&Layers());
  QMenu* menu = Tools().LayerForm->PopupMenu();
  auto offered = [&] {
    emit menu->aboutToShow();
    std::vector<bool> enabled;
    for (const char* name : {"mnuNew", "mnuCopy", "mnuDelete", "mnuName", "mnuConbine", "mnuIntegrate"})
      enabled.push_back(Tools().LayerForm->MenuItem(name)->isEnabled());
    return enabled;
  };
  ClickRow(2);
  EXPECT_EQ(offered(), (std::vector<bool>{true, true, true, true, false, true}));
  ClickRow(0);
  EXPECT_EQ(offered(), (std::vector<bool>{true, true, true, true, true, true}));
  const int steps = Steps();
  Tools().LayerForm->MenuItem("mnuConbine")->trigger();
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"L1", "L2"}));
  EXPECT_EQ(Layers().GetLayer(0)->Count(), 2);
  EXPECT_EQ(Steps(), steps + 1);
  Tools().LayerForm->MenuItem("mnuIntegrate")->trigger();
  // The last layer takes every blade and keeps its name and marks.
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"L2"}));
  EXPECT_EQ(Layers().GetLayer(0)->Count(), 3);
  EXPECT_FALSE(Layers().GetLayer(0)->Visible());
  EXPECT_FALSE(List().Rows().ItemVisible(0));
  EXPECT_EQ(Steps(), steps + 2);
  EXPECT_EQ(offered(), (std::vector<bool>{true, true, true, true, false, false}));
  Tools().LayerForm->MenuItem("mnuIntegrate")->trigger();
  EXPECT_EQ(Steps(), steps + 2);
}

// --- the FMS parameter panel -----------------------------------------------------------------------

TEST_F(PanelsTest, ABoxLeftAloneKeepsItsExactValueWhileATypedOneIsRead) {
  TFMSDataHolder& scene = *Form().SceneFiler()->FMSData();
  TFMSDataHolder exact;
  exact.Assign(&scene);
  exact.SetAirCraftX(Currency::FromCount(123456));
  exact.SetAirCraftZ(Currency::FromCount(-17777));
  scene.Assign(&exact);
  TParamForm& panel = *Tools().ParamForm;
  panel.DataHolder().Assign(&scene);
  panel.ShowParams();
  EXPECT_EQ(panel.EditAirCraftX()->text(), QStringLiteral("12.35"));
  EXPECT_EQ(panel.EditAirCraftZ()->text(), QStringLiteral("-1.78"));
  panel.EditAreaRadius()->clear();
  QTest::keyClicks(panel.EditAreaRadius(), "1500");
  QTest::mouseClick(panel.ButtonUpdate(), Qt::LeftButton);
  EXPECT_EQ(scene.AreaRadius(), 1500);
  EXPECT_EQ(scene.AirCraftX().Count(), 123456);
  EXPECT_EQ(scene.AirCraftZ().Count(), -17777);
  // Typing the text it shows is an edit all the same.
  QTest::keyClick(panel.EditAirCraftZ(), Qt::Key_Backspace);
  QTest::keyClicks(panel.EditAirCraftZ(), "8");
  QTest::mouseClick(panel.ButtonUpdate(), Qt::LeftButton);
  EXPECT_EQ(scene.AirCraftZ().Count(), -17800);
}

TEST_F(PanelsTest, UnreadableParameterTextsGiveTheirDefaultsAndTheSceneChangesOnce) {
  TParamForm& panel = *Tools().ParamForm;
  const std::pair<TNumberBox*, const char*> typed[] = {{panel.EditAreaRadius(), "abc"}, {panel.EditAirCraftX(), ""}};
  for (const auto& [box, text] : typed) {
    box->clear();
    QTest::keyClicks(box, text);
  }
  Form().SetModified(false);
  QTest::mouseClick(panel.ButtonUpdate(), Qt::LeftButton);
  const TFMSDataHolder& scene = *Form().SceneFiler()->FMSData();
  EXPECT_EQ(scene.AreaRadius(), 1000);
  EXPECT_EQ(scene.AirCraftX().Count(), -50000);
  // Those are the values it had: no change, so nothing to save.
  EXPECT_FALSE(Form().Modified());
  panel.EditAirCraftY()->clear();
  QTest::keyClicks(panel.EditAirCraftY(), "2");
  QTest::mouseClick(panel.ButtonUpdate(), Qt::LeftButton);
  EXPECT_TRUE(Form().Modified());
  EXPECT_EQ(Form().RenderStage()->StartPoint()->Position(), Vec3(-5, -1.7f, 2));
}

TEST_F(PanelsTest, UpdateReadsEveryEditedBoxAndShowsWhatTheSceneTook) {
  TParamForm& panel = *Tools().ParamForm;
  TNumberBox& radius = *panel.EditAreaRadius();
  const TFMSDataHolder& scene = *Form().SceneFiler()->FMSData();
  // The second text is the one the box showed at first; 0 is below the radius's minimum.
  const struct {
    const char* typed;
    int held;
  } steps[] = {{"2000", 2000}, {"1000", 1000}, {"0", 100}};
  for (const auto& step : steps) {
    radius.selectAll();
    QTest::keyClicks(&radius, step.typed);
    QTest::mouseClick(panel.ButtonUpdate(), Qt::LeftButton);
    EXPECT_EQ(scene.AreaRadius(), step.held) << step.typed;
    EXPECT_EQ(radius.text(), QString::number(step.held)) << step.typed;
  }
}

TEST_F(PanelsTest, EnterInAParameterBoxUpdatesAndGivesTheKeyboardBackToTheView) {
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  TNumberBox& x = *Tools().ParamForm->EditAirCraftX();
  x.setFocus();
  x.selectAll();
  QTest::keyClicks(&x, "12.5");
  EXPECT_FALSE(Form().ShortCutEnabled());
  QTest::keyClick(&x, Qt::Key_Return);
  EXPECT_EQ(Form().SceneFiler()->FMSData()->AirCraftX().Count(), 125000);
  EXPECT_EQ(QApplication::focusWidget(), window_->Render1());
  EXPECT_TRUE(Form().ShortCutEnabled());
}

TEST_F(PanelsTest, TheUpdateOptionIsKeptInTheParameterPanelsSection) {
  Tools().ParamForm->CheckBoxUpdate()->click();
  EXPECT_FALSE(Tools().ParamForm->LookAt());
  Close();
  EXPECT_EQ(TIniFile(ini_).ReadString("ParamForm", "LookAt", "<none>"), "0");
  Open();
  EXPECT_FALSE(Tools().ParamForm->LookAt());
  EXPECT_FALSE(Tools().ParamForm->CheckBoxUpdate()->isChecked());
}

// --- the operate panel -------------------------------------------------------------------------------

TEST_F(PanelsTest, DraggingAnOperatePictureMovesTheSelectionAsOneStepAndShowsTheAmount) {
  AddBlade(*Layers().GetLayer(0), {0, 0, 0}, true);
  TOperatePanelForm& panel = *Tools().OperatePanelForm;
  QWidget* image = panel.Image(3);  // move along X
  const int steps = Steps();
  QTest::mousePress(image, Qt::LeftButton, {}, {5, 5});
  QTest::mouseMove(image, {15, 5});
  QTest::mouseMove(image, {25, 6});
  const double total = Form().OperateMoveTotal();
  EXPECT_GT(total, 0.0);
  EXPECT_EQ(panel.LabelInfo()->text().toStdString(), FormatFixed(total, 4));
  QTest::mouseRelease(image, Qt::LeftButton, {}, {25, 6});
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_FLOAT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0).x, static_cast<float>(total));
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0).y, 0.0f);

  QWidget* label = panel.Image(2);
  QTest::mousePress(label, Qt::LeftButton, {}, {5, 5});
  QTest::mouseMove(label, {45, 5});
  QTest::mouseRelease(label, Qt::LeftButton, {}, {45, 5});
  EXPECT_EQ(Steps(), steps + 1);
}

// --- the move panel, the tool palette and the axis panels -----------------------------------------------

TEST_F(PanelsTest, TheModeButtonsShowEachModesPanelAndTheMovePanelHoldsItsCoordinates) {
  TToolForm& palette = *Tools().ToolForm;
  QTest::mouseClick(palette.Button("SpeedButton_Knife"), Qt::LeftButton);
  EXPECT_EQ(Form().EditMode(), emKnife);
  QTest::mouseClick(palette.Button("SpeedButton_Direction"), Qt::LeftButton);
  EXPECT_EQ(Form().EditMode(), emDirection);
  EXPECT_TRUE(Tools().DirectionToolForm->isVisible());
  EXPECT_FALSE(Tools().ScaleToolForm->isVisible());
  QTest::mouseClick(palette.Button("SpeedButton_Scale"), Qt::LeftButton);
  EXPECT_TRUE(Tools().ScaleToolForm->isVisible());
  EXPECT_FALSE(Tools().DirectionToolForm->isVisible());
  Form().SetEditMode(emRotation);
  EXPECT_TRUE(Tools().RotationToolForm->isVisible());
  EXPECT_EQ(palette.DownMode(), emRotation);
  QTest::mouseClick(Tools().RotationToolForm->Button("SpeedButton_y"), Qt::LeftButton);
  EXPECT_EQ(Tools().RotationToolForm->Axis(), raY);
  QTest::mouseClick(palette.Button("SpeedButton_Select"), Qt::LeftButton);
  EXPECT_FALSE(Tools().RotationToolForm->isVisible());
  QTest::mouseClick(Tools().ScaleToolForm->Button("SpeedButton_z"), Qt::LeftButton);
  EXPECT_EQ(Tools().ScaleToolForm->Axis(), saZ);
}

TEST_F(PanelsTest, TheMovePanelsOKMovesByTheTypedVectorHeldWithinTwiceTheAreaRadius) {
  AddBlade(*Layers().GetLayer(0), {0, 0, 0}, false);
  Layers().GetLayer(0)->Blade(0)->Select(bpVertex, 0, true);
  Layers().RebuildSelectedVertexList();
  Form().SetEditMode(emDirection);
  TDirectionToolForm& panel = *Tools().DirectionToolForm;
  panel.Edit(0)->selectAll();
  QTest::keyClicks(panel.Edit(0), "5000");
  const int steps = Steps();
  QTest::mouseClick(panel.ButtonOK(), Qt::LeftButton);
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0), Vec3(2000, 0, 0));
  EXPECT_EQ(panel.Edit(0)->text(), QStringLiteral("2000.00"));
  EXPECT_EQ(Steps(), steps + 1);

  // Absolute: the centre lands on the point; each mode keeps its own vector.
  QTest::mouseClick(panel.SpeedButtonAbs(), Qt::LeftButton);
  EXPECT_EQ(panel.Edit(0)->text(), QStringLiteral("0.00"));
  panel.Edit(2)->selectAll();
  QTest::keyClicks(panel.Edit(2), "-12.5");
  QTest::mouseClick(panel.ButtonOK(), Qt::LeftButton);
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0), Vec3(0, 0, -12.5f));
  QTest::mouseClick(panel.SpeedButtonRel(), Qt::LeftButton);
  EXPECT_EQ(panel.Edit(0)->text(), QStringLiteral("2000.00"));
  QTest::mouseClick(panel.SpeedButtonAbs(), Qt::LeftButton);
  EXPECT_EQ(panel.Edit(2)->text(), QStringLiteral("-12.50"));
  panel.UpDownClick(2, 1);
  EXPECT_EQ(panel.Edit(2)->text(), QStringLiteral("-12.40"));
  EXPECT_FLOAT_EQ(panel.AbsoluteVector().z, -12.4f);

  // A move drag in the view shows both vectors; the boxes show the current mode's.
  panel.ShowVectors({1, 2, 3}, {4, 5, 6});
  EXPECT_EQ(panel.Edit(0)->text(), QStringLiteral("4.00"));
  QTest::mouseClick(panel.SpeedButtonRel(), Qt::LeftButton);
  EXPECT_EQ(panel.Edit(2)->text(), QStringLiteral("3.00"));
}

TEST_F(PanelsTest, ANewDocumentPutsTheMovePanelBackToZero) {
  Form().SetEditMode(emDirection);
  TDirectionToolForm& panel = *Tools().DirectionToolForm;
  panel.ShowVectors({1, 2, 3}, {4, 5, 6});
  window_->Documents().NewDocument();
  EXPECT_EQ(panel.Edit(0)->text(), QStringLiteral("0.00"));
  EXPECT_EQ(panel.RelativeVector(), Vec3(0, 0, 0));
  EXPECT_EQ(panel.AbsoluteVector(), Vec3(0, 0, 0));
}

}  // namespace
}  // namespace vrel
