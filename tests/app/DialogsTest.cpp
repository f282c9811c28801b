// The numeric dialogs and the settings dialog in the program's own windows on the X server
// (xvfb-run), opened as a user opens them (the palette's p and w, the panels' 数値設定, the menus)
// and driven through Qt's event path: each dialog's boxes applied to the document, cancel changing
// nothing, the position kept on the screen and saved, the settings' OK reaching the view and the
// settings file, the editors' reloading, and the preview's pixels read back from its framebuffer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

#include <string>
#include <vector>

#include "app/PropertyEditor.h"
#include "app/qt/ColorBox.h"
#include "app/qt/NumberBox.h"
#include "app/qt/NumericDialogForms.h"
#include "app/qt/PropertyForm.h"
#include "app/qt/RenderWidget.h"
#include "app/qt/UpDownBox.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "files/history/ComponentStateHolder.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/ProgramApp.h"
#include "tests/app/SelectionOracle.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

void Type(TUpDownBox* box, const char* text) {
  box->Edit()->selectAll();
  QTest::keyClicks(box->Edit(), QString::fromUtf8(text));
}

using apptest::AboutPivot;
using qttest::WhenModal;

class DialogsTest : public apptest::ProgramWindowsTest {
 protected:
  void SetUp() override {
    ProgramWindowsTest::SetUp();
    WriteBytes(ini_, "[MainForm]\nWidth=1000\nHeight=700\n");
    Open();
  }
  TDialogWindows& Dialogs() { return *Tools().Dialogs; }
  void SelectTwoBlades() { apptest::SelectTwoBlades(Layers()); }
  std::vector<Vec3> Selected() { return apptest::SelectedPositions(Layers()); }
  static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  // On the mark of a radio button or check box, which the button's whole width may be too wide for.
  static void ClickMark(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  QToolButton* Palette(const char* name) { return Tools().ToolForm->Button(name); }
  void SetAreaRadius(int radius) {
    TFMSDataHolder data;
    data.Assign(Form().SceneFiler()->FMSData());
    data.SetAreaRadius(radius);
    Form().SceneFiler()->FMSData()->Assign(&data);
  }
  // "section|key=value" lines of the settings file as Python's configparser reads it.
  std::string Ini() { return ConfigParserView(ini_); }
};

// --- the polygon grid ------------------------------------------------------------------------------

TEST_F(DialogsTest, ThePalettesPMakesTheTypedGridInANewLayerAsOneStep) {
  const int steps = Steps();
  WhenModal<TPolygonForm>([this](TPolygonForm& dialog) {
    EXPECT_FALSE(dialog.CheckBoxNewLayer()->isChecked());
    Type(dialog.DivisionX(), "2");
    Type(dialog.DivisionZ(), "3");
    Type(dialog.SizeX(), "40");
    Type(dialog.SizeZ(), "60");
    ClickMark(dialog.PositionButton(pmTyped));
    Type(dialog.Position(0), "5");
    Type(dialog.Position(1), "-1.5");
    Type(dialog.Position(2), "-5");
    ClickMark(dialog.CheckBoxNewLayer());
    Click(dialog.ButtonOk());
  });
  Click(Palette("SpeedButton_NewPolygon"));
  ASSERT_EQ(Layers().Count(), 2);
  const TSquareBladeCollection& grid = *Layers().CurrentLayer();
  EXPECT_EQ(grid.Count(), 6);
  EXPECT_EQ(grid.VertexPool()->Count(), 12);
  const std::optional<TVertexExtents> extents = VertexExtents(Layers().SelectedVertices());
  ASSERT_TRUE(extents);
  EXPECT_EQ(extents->Min, Vec3(-15, -1.5f, -35));
  EXPECT_EQ(extents->Max, Vec3(25, -1.5f, 25));
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(Form().Modified());
  Form().SetModified(false);

  // The typed position is offered again; a cancelled dialog changes nothing.
  WhenModal<TPolygonForm>([](TPolygonForm& dialog) {
    EXPECT_TRUE(dialog.PositionButton(pmTyped)->isChecked());
    EXPECT_FALSE(dialog.CheckBoxNewLayer()->isChecked());
    dialog.ButtonCancel()->click();
  });
  Click(Palette("SpeedButton_NewPolygon"));
  EXPECT_EQ(Layers().Count(), 2);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_FALSE(Form().Modified());
}

TEST_F(DialogsTest, ABoxShowsTheValueTheDialogUsesWhenLeftAndBeforeOKActs) {
  WhenModal<TPolygonForm>([](TPolygonForm& dialog) {
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.DivisionX()->Edit()->setFocus();
    Type(dialog.DivisionX(), "100");
    QTest::keyClick(dialog.DivisionX()->Edit(), Qt::Key_Tab);
    EXPECT_EQ(dialog.DivisionX()->Edit()->text(), QStringLiteral("10"));
    Type(dialog.DivisionZ(), "100");
    Type(dialog.SizeX(), "1800");
    Type(dialog.SizeZ(), "1e3");
    QTest::keyClick(dialog.SizeZ()->Edit(), Qt::Key_Return);
  });
  Click(Palette("SpeedButton_NewPolygon"));
  const TPolygonForm& dialog = *Dialogs().PolygonForm();
  EXPECT_EQ(dialog.DivisionZ()->Edit()->text(), QStringLiteral("10"));
  EXPECT_EQ(dialog.SizeX()->Edit()->text(), QStringLiteral("1000.00"));
  EXPECT_EQ(dialog.SizeZ()->Edit()->text(), QStringLiteral("1e3"));  // in range: as typed
  EXPECT_EQ(Layers().CurrentLayer()->Count(), 100);
  const std::optional<TVertexExtents> extents = VertexExtents(Layers().SelectedVertices());
  ASSERT_TRUE(extents);
  EXPECT_EQ(extents->Max.x - extents->Min.x, 1000.0f);
}

// --- the vertex positions --------------------------------------------------------------------------

TEST_F(DialogsTest, ThePalettesWLinesTheFlattestAxisUpOnItsMiddle) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const int steps = Steps();
  WhenModal<TVertexPositionForm>([](TVertexPositionForm& dialog) {
    EXPECT_EQ(dialog.MinButton(1)->text(), QStringLiteral("2.00"));
    EXPECT_EQ(dialog.MaxButton(1)->text(), QStringLiteral("3.00"));
    EXPECT_TRUE(dialog.ApplyBox(1)->isChecked());
    EXPECT_FALSE(dialog.ApplyBox(0)->isChecked());
    EXPECT_FALSE(dialog.Position(0)->isEnabled());
    EXPECT_TRUE(dialog.Position(1)->isEnabled());
    EXPECT_EQ(dialog.Position(1)->Edit()->text(), QStringLiteral("2.50"));
    dialog.MaxButton(1)->click();
    EXPECT_EQ(dialog.Position(1)->Edit()->text(), QStringLiteral("3.00"));
    dialog.ButtonOk()->click();
  });
  Click(Palette("SpeedButton_Position"));
  const std::vector<Vec3> after = Selected();
  for (std::size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(after[i], Vec3(before[i].x, 3, before[i].z));
  EXPECT_EQ(Steps(), steps + 1);
}

// --- rotation and scaling --------------------------------------------------------------------------

TEST_F(DialogsTest, TheRotationPanelsNumericalButtonTurnsAboutTheTypedAxisAndCentre) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const int steps = Steps();
  Form().SetEditMode(emRotation);
  WhenModal<TRotationForm>([](TRotationForm& dialog) {
    EXPECT_EQ(dialog.Centre().Box(0)->Edit()->text(), QStringLiteral("4.00"));
    Click(dialog.AxisButton(ramY));
    Type(dialog.Angle(), "90");
    ClickMark(dialog.Centre().Origin());
    EXPECT_EQ(dialog.Centre().Box(0)->Edit()->text(), QStringLiteral("0.00"));
    Type(dialog.Centre().Box(2), "1");
    dialog.ButtonOk()->click();
  });
  Click(Tools().RotationToolForm->SpeedButtonNumerical());
  apptest::ExpectTransformedAs(before, Selected(),
                               AboutPivot({0, 0, 1}, glm::rotate(glm::mat4(1), glm::radians(90.0f), {0, 1, 0})));
  EXPECT_EQ(Steps(), steps + 1);
}

TEST_F(DialogsTest, TheCameraAxisRecomputesFromTheNewSelectionAndWithTheEyeOnItSaysSo) {
  SelectTwoBlades();
  TRotationForm& dialog = *Dialogs().RotationForm();
  const Vec3 centroid = SelectionCentroid(Layers().SelectedVertices());
  ASSERT_TRUE(dialog.Prepare(Layers().SelectedVertices(), {100, 200, 300}));
  dialog.SetAxisMode(ramCamera);
  EXPECT_EQ(dialog.Axis(), Vec3(100, 200, 300) - centroid);
  scenetest::AddBlade(*Layers().GetLayer(0), {{{20, 0, 0}, {21, 0, 0}, {21, 0, -1}, {20, 0, -1}}})->SelectAll();
  Layers().RebuildSelectedVertexList();
  const Vec3 moved = SelectionCentroid(Layers().SelectedVertices());
  ASSERT_TRUE(dialog.Prepare(Layers().SelectedVertices(), {100, 200, 300}));
  EXPECT_EQ(dialog.AxisMode(), ramCamera);
  EXPECT_EQ(dialog.Axis(), Vec3(100, 200, 300) - moved);
  ASSERT_TRUE(dialog.Prepare(Layers().SelectedVertices(), moved));
  EXPECT_EQ(dialog.Axis(), Vec3(0, 0, 0));
  const std::vector<Vec3> before = Selected();
  EXPECT_FALSE(dialog.Apply(Layers()));
  EXPECT_EQ(Selected(), before);
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(messages_.Shown[0].Text, TRotationForm::kZeroAxisMessage);
}

TEST_F(DialogsTest, EqualScalingCopiesATypedFactorAndTheScalePanelScalesAboutTheCentre) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const Vec3 centroid = SelectionCentroid(Layers().SelectedVertices());
  Form().SetEditMode(emScale);
  WhenModal<TScaleForm>([](TScaleForm& dialog) {
    EXPECT_TRUE(dialog.CheckBoxEqualScale()->isChecked());
    Type(dialog.Scale(1), "2");
    EXPECT_EQ(dialog.Scale(0)->Edit()->text(), QStringLiteral("2.000"));
    EXPECT_EQ(dialog.Scale(2)->Edit()->text(), QStringLiteral("2.000"));
    ClickMark(dialog.CheckBoxEqualScale());
    Type(dialog.Scale(2), "0.5");
    EXPECT_EQ(dialog.Scale(0)->Edit()->text(), QStringLiteral("2.000"));
    dialog.Scale(0)->Step(1);
    EXPECT_EQ(dialog.Scale(0)->Edit()->text(), QStringLiteral("2.010"));
    dialog.ButtonOk()->click();
  });
  Click(Tools().ScaleToolForm->SpeedButtonNumerical());
  apptest::ExpectTransformedAs(before, Selected(), AboutPivot(centroid, glm::scale(glm::mat4(1), {2.01f, 2, 0.5f})));
}

TEST_F(DialogsTest, TheDialogsAndTheMovePanelsCoordinatesFollowTheAreaRadius) {
  SetAreaRadius(250);
  EXPECT_EQ(Dialogs().RotationForm()->MaxValue(), 500.0f);
  EXPECT_EQ(Dialogs().ScaleForm()->MinValue(), -500.0f);
  EXPECT_EQ(Dialogs().VertexPositionForm()->MaxValue(), 500.0f);
  EXPECT_EQ(Dialogs().PolygonForm()->MaxSize(), 250.0f);
  EXPECT_EQ(Tools().DirectionToolForm->MaxValue(), 500.0f);
  EXPECT_EQ(Tools().DirectionToolForm->MinValue(), -500.0f);
  Type(Dialogs().RotationForm()->Centre().Box(0), "900");
  EXPECT_EQ(Dialogs().RotationForm()->Centre().Value().x, 500.0f);
  // The polygon's position may go anywhere in the cube as it is when the dialog opens.
  WhenModal<TPolygonForm>([](TPolygonForm& dialog) {
    EXPECT_EQ(dialog.MaxValue(), 500.0f);
    dialog.ButtonCancel()->click();
  });
  Click(Palette("SpeedButton_NewPolygon"));
}

// --- the polygon statistics ------------------------------------------------------------------------

TEST_F(DialogsTest, TheStatisticsMenuCountsAndShowsTheTotalInRedFrom1251) {
  TSquareBladeCollection& layer = *Layers().GetLayer(0);
  for (int i = 0; i < 1244; ++i)
    scenetest::AddBlade(layer, {{{0, 1, 5}, {1, 1, 5}, {1, 0, 5}, {0, 0, 5}}});
  QColor total;
  QString text;
  const auto look = [&](TPolygonPropertyForm& dialog) {
    text = dialog.Box("Edit_SceneTotal")->text();
    total = dialog.Box("Edit_SceneTotal")->palette().color(QPalette::Text);
    EXPECT_EQ(dialog.Box("Edit_Cube")->text(), QStringLiteral("6"));
    dialog.ButtonOk()->click();
  };
  WhenModal<TPolygonPropertyForm>(look);
  window_->MenuAction("mnuPolygonProperty")->trigger();
  EXPECT_EQ(text, QStringLiteral("1250"));
  EXPECT_NE(total, QColor(255, 0, 0));
  scenetest::AddBlade(layer, {{{0, 1, 5}, {1, 1, 5}, {1, 0, 5}, {0, 0, 5}}});
  WhenModal<TPolygonPropertyForm>(look);
  window_->MenuAction("mnuPolygonProperty")->trigger();
  EXPECT_EQ(text, QStringLiteral("1251"));
  EXPECT_EQ(total, QColor(255, 0, 0));
}

// --- placement -------------------------------------------------------------------------------------

TEST_F(DialogsTest, ADialogStoredOffTheScreenShowsOnItItsPlaceIsSavedAndACancelChangesNothing) {
  WriteBytes(ini_, ReadBytes(ini_) + "[ScaleForm]\nLeft=-500\nTop=99999\n");
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const int steps = Steps();
  QRect shown;
  WhenModal<TScaleForm>([&](TScaleForm& dialog) {
    shown = dialog.frameGeometry();
    dialog.move(123, 45);
    Type(dialog.Scale(0), "3");
    dialog.ButtonCancel()->click();
  });
  Form().SetEditMode(emScale);
  Click(Tools().ScaleToolForm->SpeedButtonNumerical());
  EXPECT_EQ(Selected(), before);
  EXPECT_EQ(Steps(), steps);
  const QRect screen = window_->screen()->availableGeometry();
  EXPECT_GE(shown.left(), screen.left());
  EXPECT_LE(shown.bottom(), screen.bottom());
  const std::string ini = Ini();
  EXPECT_NE(ini.find("ScaleForm|Left=123\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ScaleForm|Top=45\n"), std::string::npos) << ini;
}

// --- the settings dialog ---------------------------------------------------------------------------

// The settings dialog, shown without its modal loop.
class SettingsDialogTest : public DialogsTest {
 protected:
  TPropertyForm& Show(const TVrelProp& settings = TVrelProp()) {
    dialog_ = std::make_unique<TPropertyForm>(window_.get());
    dialog_->Load(settings);
    dialog_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog_.get(), qttest::kWindowWait));
    EXPECT_TRUE(qttest::WaitUntil([this] { return dialog_->Render1()->Render().HasDevice(); }));
    Settle();
    return *dialog_;
  }
  const TVrelProp& Edited() { return dialog_->Editor().Prop(); }
  void TearDown() override {
    dialog_.reset();
    DialogsTest::TearDown();
  }
  // The preview as it shows now.
  QImage Preview() {
    Settle();
    return dialog_->Render1()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }
  static int Count(const QImage& image, QColor color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x)
        count += image.pixelColor(x, y) == color ? 1 : 0;
    }
    return count;
  }
  void PickColor(int32_t color) { Pick(*dialog_, color); }
  // The user picks the colour's entry.
  static void Pick(TPropertyForm& dialog, int32_t color) {
    TColorBox& box = *dialog.ColorBox1();
    const int index = box.List().IndexOf(color);
    ASSERT_GE(index, 0);
    box.setCurrentIndex(index);
    emit box.activated(index);
  }

  std::unique_ptr<TPropertyForm> dialog_;
};

TEST_F(SettingsDialogTest, CancelFromTheMenuChangesNoSettingAndNothingOnTheView) {
  const uint32_t background = Form().Render1().BackgroundColor();
  WhenModal<TPropertyForm>([](TPropertyForm& dialog) {
    dialog.SelectElement(1);
    QTest::keyClick(dialog.ColorBox1(), Qt::Key_Down);
    dialog.SelectElement(5);
    Type(dialog.Length(), "9");
    dialog.Length()->Step(1);
    dialog.Switch(psDiagonalKnife)->click();
    EXPECT_NE(dialog.Editor().Prop().RenderBackGroundColor(), 5849112);
    dialog.ButtonCancel()->click();
  });
  window_->MenuAction("mnuVrelProp")->trigger();
  const TVrelProp defaults;
  for (const TDisplaySetting& setting : TVrelProp::Settings())
    EXPECT_EQ(Form().Prop()->SettingValue(setting), defaults.SettingValue(setting)) << setting.IniKey;
  EXPECT_EQ(Form().Render1().BackgroundColor(), background);
  EXPECT_FALSE(Form().Collections()->DiagonalKnife());
}

TEST_F(SettingsDialogTest, OKPutsTheSettingsOnTheViewAndTheSettingsFileHoldsThemAfterClosing) {
  WhenModal<TPropertyForm>([](TPropertyForm& dialog) {
    dialog.SelectElement(1);
    Pick(dialog, 0x000000);
    dialog.SelectElement(9);
    Pick(dialog, 0x00FF00);
    dialog.SelectElement(5);
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog, qttest::kWindowWait));
    dialog.Length()->Edit()->setFocus();
    Type(dialog.Length(), "7.5");
    dialog.TreeViewElements()->setFocus();
    dialog.Pages()->setCurrentIndex(1);
    dialog.Switch(psNotIgnoreVisible)->click();
    dialog.Switch(psPlaneSmooth)->click();
    dialog.ButtonOk()->click();
  });
  window_->MenuAction("mnuVrelProp")->trigger();
  EXPECT_EQ(Form().Prop()->RenderBackGroundColor(), 0);
  EXPECT_EQ(Form().Render1().BackgroundColor(), 0u);
  EXPECT_EQ(Form().Collections()->Materials()->Border()->Color(), 0x00FF00);
  EXPECT_EQ(Form().RenderStage()->StartPoint()->Length(), 7.5f);
  EXPECT_FALSE(Form().SceneFiler()->ExportAll());
  EXPECT_TRUE(Form().PlaneSmooth());

  window_->close();
  const std::string ini = Ini();
  for (const char* line :
       {"Property|BackGroundColor=0\n", "Property|PolygonBorderColor=65280\n", "Property|StartPointLength=7.5\n",
        "Property|IgnoreVisible=0\n", "Property|PlaneSmooth=1\n", "PropertyForm|Left=", "PropertyForm|Top="}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line << ini;
  }
}

TEST_F(SettingsDialogTest, TheStartPointsSizeShowsTheColourBoxAndTheSizeEditorOnly) {
  TPropertyForm& dialog = Show();
  dialog.SelectElement(5);
  EXPECT_TRUE(dialog.ColorBox1()->isVisible());
  EXPECT_TRUE(dialog.PanelLength()->isVisible());
  EXPECT_FALSE(dialog.PanelAlpha()->isVisible());
  EXPECT_FALSE(dialog.CheckBoxBorder()->isVisible());
  EXPECT_EQ(dialog.Length()->Edit()->text(), QStringLiteral("4.00"));
  Click(dialog.Length()->UpButton());
  EXPECT_EQ(dialog.Length()->Edit()->text(), QStringLiteral("4.10"));
  EXPECT_EQ(Edited().StartPointLength(), 4.1f);
  Type(dialog.Length(), "100");
  QTest::keyClick(dialog.Length()->Edit(), Qt::Key_Return);
  Click(dialog.Length()->UpButton());
  EXPECT_EQ(dialog.Length()->Edit()->text(), QStringLiteral("100.00"));
  EXPECT_EQ(Edited().StartPointLength(), 100.0f);
  dialog.SelectElement(16);
  EXPECT_TRUE(dialog.CheckBoxBorder()->isVisible());
  EXPECT_TRUE(dialog.CheckBoxBorder()->isChecked());
  dialog.SelectElement(10);
  EXPECT_TRUE(dialog.PanelAlpha()->isVisible());
  EXPECT_EQ(dialog.Alpha()->Edit()->text(), QStringLiteral("30"));
}

TEST_F(SettingsDialogTest, ATypedSizeOrAlphaCountsOnEnterAndWhenTheBoxLosesTheFocus) {
  TPropertyForm& dialog = Show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, qttest::kWindowWait));
  dialog.SelectElement(8);
  dialog.Length()->Edit()->setFocus();
  Type(dialog.Length(), "2.25");
  EXPECT_EQ(Edited().PlaneMarkLength(), 3.0f);
  dialog.TreeViewElements()->setFocus();
  EXPECT_EQ(Edited().PlaneMarkLength(), 2.25f);
  dialog.SelectElement(7);
  dialog.Alpha()->Edit()->setFocus();
  Type(dialog.Alpha(), "250");
  QTest::keyClick(dialog.Alpha()->Edit(), Qt::Key_Return);
  EXPECT_EQ(Edited().PlaneMarkMaterials()->Surface()->Alpha(), 100);
  EXPECT_EQ(dialog.Alpha()->Edit()->text(), QStringLiteral("100"));
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SettingsDialogTest, AStoredAlphaOfNothingShowsAsNothingAndStaysUntilChanged) {
  TVrelProp settings;
  settings.StartPointMaterials()->Surface()->SetAlpha(0);
  TPropertyForm& dialog = Show(settings);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, qttest::kWindowWait));
  dialog.SelectElement(4);
  EXPECT_EQ(dialog.Alpha()->Edit()->text(), QStringLiteral("0"));
  dialog.Alpha()->Edit()->setFocus();
  QTest::keyClick(dialog.Alpha()->Edit(), Qt::Key_Return);
  EXPECT_EQ(Edited().StartPointMaterials()->Surface()->Alpha(), 0);
  Click(dialog.Alpha()->UpButton());
  EXPECT_EQ(Edited().StartPointMaterials()->Surface()->Alpha(), 1);
}

TEST_F(SettingsDialogTest, DefaultPutsOneElementBackAndDefaultAllEveryOneWithTheEditorsReloaded) {
  TPropertyForm& dialog = Show();
  dialog.SelectElement(7);
  PickColor(0x00FFFF);
  Type(dialog.Alpha(), "90");
  QTest::keyClick(dialog.Alpha()->Edit(), Qt::Key_Return);
  dialog.SelectElement(6);
  PickColor(0x00FFFF);
  dialog.SelectElement(7);
  Click(dialog.SpeedButtonDefault());
  EXPECT_EQ(Edited().PlaneMarkMaterials()->Surface()->Color(), 255);
  EXPECT_EQ(Edited().PlaneMarkMaterials()->Surface()->Alpha(), 50);
  EXPECT_EQ(Edited().PlaneMarkMaterials()->Border()->Color(), 0x00FFFF);
  EXPECT_EQ(dialog.ColorBox1()->Selected(), 255);
  EXPECT_EQ(dialog.Alpha()->Edit()->text(), QStringLiteral("50"));

  PickColor(0x00FF00);
  const int updates = dialog.Editor().Updates();
  Click(dialog.SpeedButtonDefaultAll());
  EXPECT_EQ(Edited().PlaneMarkMaterials()->Border()->Color(), 255);
  EXPECT_EQ(dialog.ColorBox1()->currentText(), QStringLiteral("clRed"));
  EXPECT_GT(dialog.Editor().Updates(), updates);
}

TEST_F(SettingsDialogTest, AGroupNodeIsNoElementAndKeepsTheColourBox) {
  TPropertyForm& dialog = Show();
  dialog.TreeViewElements()->setCurrentItem(dialog.TreeViewElements()->topLevelItem(4));
  EXPECT_EQ(dialog.Editor().ElementId(), 0);
  EXPECT_TRUE(dialog.ColorBox1()->isVisible());
}

TEST_F(SettingsDialogTest, AStoredColourInNoListShowsAsACustomEntry) {
  TVrelProp settings;
  settings.SetRenderBackGroundColor(0x123456);
  TPropertyForm& dialog = Show(settings);
  dialog.SelectElement(1);
  EXPECT_EQ(dialog.ColorBox1()->currentIndex(), 0);
  EXPECT_EQ(dialog.ColorBox1()->currentText(), QStringLiteral("$00123456"));
  EXPECT_EQ(dialog.ColorBox1()->count(), 166);
}

TEST_F(SettingsDialogTest, ThePreviewsPixelsFollowTheBackgroundAndTheLineColours) {
  TPropertyForm& dialog = Show();
  const QImage first = Preview();
  ASSERT_EQ(first.size(), QSize(350, 328));
  EXPECT_EQ(first.pixelColor(3, 3), QColor(0x18, 0x40, 0x59));
  dialog.SelectElement(1);
  PickColor(0x0000FF);
  EXPECT_EQ(Preview().pixelColor(3, 3), QColor(255, 0, 0));
  dialog.SelectElement(9);
  const int lime = Count(Preview(), QColor(0, 255, 0));
  PickColor(0x00FF00);
  EXPECT_GT(Count(Preview(), QColor(0, 255, 0)), lime + 100);
  dialog.SelectElement(2);
  const int yellow = Count(Preview(), QColor(255, 255, 0));
  PickColor(0x00FFFF);
  EXPECT_GT(Count(Preview(), QColor(255, 255, 0)), yellow + 100);
}

TEST_F(SettingsDialogTest, TheViewResetButtonBringsTheCameraBack) {
  TPropertyForm& dialog = Show();
  const QImage start = Preview();
  QWheelEvent wheel({175, 164}, dialog.Render1()->mapToGlobal(QPointF(175, 164)), {}, {0, 120}, Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(dialog.Render1(), &wheel);
  EXPECT_NE(Preview(), start);
  Click(dialog.SpeedButtonViewReset());
  EXPECT_EQ(Preview(), start);
}

}  // namespace
}  // namespace vrel
