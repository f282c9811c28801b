// The main window's view, the plane mark's keys and the palette under real X events (xvfb-run), from
// xdotool; see RealEventsFixture.h.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <string>

#include "app/PlaneMarkControl.h"
#include "app/ViewInput.h"
#include "app/qt/Application.h"
#include "app/qt/ApplicationWindows.h"
#include "app/qt/DirectionToolForm.h"
#include "app/qt/DockForm.h"
#include "app/qt/MainWindow.h"
#include "app/qt/NumberBox.h"
#include "app/qt/RenderWidget.h"
#include "app/qt/ShortcutGate.h"
#include "app/qt/ToolForm.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Cursors.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"
#include "tests/app/ProgramApp.h"
#include "tests/app/RealEventsFixture.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

using apptest::RootWindow;
using apptest::RunProgram;
using apptest::SetKeymap;
using apptest::Xdotool;

class ViewWindowTest : public apptest::RealEventsWindowTest {};

// --- held keys -------------------------------------------------------------------------------------

TEST_F(ViewWindowTest, AKeyLetGoWhileAPanelHasTheFocusStopsTheMark) {
  auto* edit = new QLineEdit(window_->Tools().ParamForm);
  window_->Tools().ParamForm->setWidget(edit);
  FocusView();
  ASSERT_EQ(Xdotool({"keydown", "Right"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([this] { return Mark().Flying(); }));
  edit->setFocus();
  Settle();
  ASSERT_EQ(Xdotool({"keyup", "Right"}), 0);
  EXPECT_TRUE(WaitLanded());
}

TEST_F(ViewWindowTest, LeavingTheApplicationLetsGoOfEveryKey) {
  FocusView();
  ASSERT_EQ(Xdotool({"keydown", "Right"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([this] { return Mark().Flying(); }));
  // The focus goes to the root window: the key's release would go elsewhere.
  ASSERT_EQ(Xdotool({"windowfocus", "--sync", RootWindow()}), 0);
  EXPECT_TRUE(qttest::WaitUntil([] { return QGuiApplication::applicationState() != Qt::ApplicationActive; }));
  EXPECT_TRUE(WaitLanded());
}

TEST_F(ViewWindowTest, KeypadHomeWithNumLockOffFliesTheMarkUpAndTheMainHomeKeyGoesHome) {
  Mark().SetPlaneMarkPosition({40, 0, 0});
  Form().PushPlaneMarkHistory();
  FocusView();
  ASSERT_EQ(Xdotool({"keydown", "KP_Home"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([this] { return Position().y >= 3; }));
  ASSERT_EQ(Xdotool({"keyup", "KP_Home"}), 0);
  ASSERT_TRUE(WaitLanded());
  // One unit a tick, so a whole number of units; nothing but Y, as one step.
  EXPECT_EQ(Position().x, 40.0f);
  EXPECT_EQ(Position().y, std::round(Position().y));
  EXPECT_EQ(Form().PlaneMarkHistory()->Count(), 3);
  ASSERT_EQ(Xdotool({"key", "Home"}), 0);
  EXPECT_TRUE(qttest::WaitUntil([this] { return Position() == Form().SceneFiler()->FMSData()->GetAircraftVector(); }));
}

// --- Shift with a digit ----------------------------------------------------------------------------

class ShiftDigitTest : public ViewWindowTest {
 protected:
  // Seven remembered positions: x = 70 is the newest (Shift+1), x = 10 the oldest (Shift+7).
  void RememberSeven() {
    for (int i = 1; i <= 7; ++i) {
      Mark().SetPlaneMarkPosition({10.0f * static_cast<float>(i), 0, 0});
      Mark().Remember();
    }
    Mark().SetPlaneMarkPosition({0, 0, 0});
  }
};

TEST_F(ShiftDigitTest, ShiftOneAndSevenRecallTheNewestAndTheSeventhPositionOnAGermanKeyboard) {
  RememberSeven();
  SetKeymap("de");
  FocusView();
  ASSERT_EQ(Xdotool({"key", "shift+1"}), 0);
  EXPECT_TRUE(qttest::WaitUntil([this] { return Position().x == 70.0f; }));
  // Shift+7 is "/" there.
  ASSERT_EQ(Xdotool({"key", "shift+7"}), 0);
  EXPECT_TRUE(qttest::WaitUntil([this] { return Position().x == 10.0f; }));
}

// A text area that does not claim its keys before the shortcuts see them (a line edit would; a text
// editor drawn by hand does not): it types what the shortcut gate lets through.
class TypingArea : public QWidget {
 public:
  explicit TypingArea(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
  QString typed;

 protected:
  void keyPressEvent(QKeyEvent* event) override { typed += event->text(); }
};

TEST_F(ShiftDigitTest, ShiftDigitsTypeTheirSymbolsWhileATextAreaHasTheFocus) {
  RememberSeven();
  auto* area = new TypingArea(window_->Tools().ParamForm);
  window_->Tools().ParamForm->setWidget(area);
  window_->Gate().AddTextArea(area);
  SetKeymap("de");
  FocusView();
  area->setFocus();
  Settle();
  ASSERT_EQ(Xdotool({"key", "shift+1", "shift+7"}), 0);
  EXPECT_TRUE(qttest::WaitUntil([area] { return area->typed == QStringLiteral("!/"); }));
  EXPECT_EQ(Position(), Vec3(0, 0, 0));
}

// --- the mouse -------------------------------------------------------------------------------------

class MouseWindowTest : public ViewWindowTest {
 protected:
  void SetUp() override {
    ViewWindowTest::SetUp();
    if (HasFatalFailure())
      return;
    AddTwoSquares();
  }
  // A window large enough to see the squares, with nothing floating over the view.
  std::string Settings() const override {
    return "[MainForm]\nLeft=0\nTop=0\nWidth=1024\nHeight=700\n[OperatePanelForm]\nVisible=0\n";
  }
  int Blades() { return Form().Collections()->GetLayer(0)->Count(); }
  // Where a world point shows in the view, in the view's pixels.
  QPoint ViewPixel(const Vec3& world) {
    IDevice& device = Form().Render1().GetDevice();
    Form().Transformer1().ApplyTransforms(device);
    const Vec3 at = Vec3TransformCoord(world, GetScreenMatrix(device));
    return {static_cast<int>(std::lround(at.x)), static_cast<int>(std::lround(at.y))};
  }
};

TEST_F(MouseWindowTest, ThePalettesMoveButtonMakesADragInTheViewMoveTheSelectionShownInTheMovePanel) {
  TSquareBlade* left = Form().Collections()->GetLayer(0)->Blade(0);
  left->SelectAll();
  Form().Collections()->RebuildSelectedVertexList();
  const Vec3 before = left->GetVertexPosition(0);
  const int steps = Form().History()->Count();
  FocusView();
  ASSERT_EQ(window_->Render1()->cursor().shape(), Qt::ArrowCursor);
  QToolButton* button = window_->Tools().ToolForm->Button("SpeedButton_Direction");
  const QPoint at = button->mapToGlobal(button->rect().center());
  ASSERT_EQ(Xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([this] { return Form().EditMode() == emDirection; }));
  EXPECT_TRUE(window_->Tools().DirectionToolForm->isVisible());
  EXPECT_EQ(window_->Render1()->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(window_->Render1()->cursor().hotSpot(),
            QPoint(ScreenCursors().Find(crDirection)->hotX, ScreenCursors().Find(crDirection)->hotY));

  // The square's right part: the move panel floats over its left part.
  const QPoint from = ViewPixel({-35, 0, -100});
  ASSERT_EQ(QApplication::widgetAt(OnScreen(from.x(), from.y())), window_->Render1());
  MouseTo(from.x(), from.y());
  ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
  for (int step = 1; step <= 10; ++step)
    MouseTo(from.x() + step * 12, from.y());
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  ASSERT_TRUE(qttest::WaitUntil([this, steps] { return Form().History()->Count() == steps + 1; }));
  Settle();
  Screenshot("vrel-palette-move.png");

  // Straight along +Z, a drag across the screen moves to the right; the move panel and the status bar
  // show where it went.
  const Vec3 after = left->GetVertexPosition(0);
  EXPECT_GT(after.x - before.x, 50.0f);
  const TDirectionToolForm& panel = *window_->Tools().DirectionToolForm;
  EXPECT_EQ(panel.Edit(0)->text(), QString::number(after.x - before.x, 'f', 2));
  const Vec3 centre = SelectionCentroid(Form().Collections()->SelectedVertices());
  EXPECT_EQ(
      window_->StatusPanel(spSelectionCenter)->text(),
      QString::asprintf("選択頂点の中心 X:%.2f Y:%.2f Z:%.2f", double(centre.x), double(centre.y), double(centre.z)));
}

TEST_F(MouseWindowTest, TheScissorsHighlightShowsOnTheScreenInTheNextFrame) {
  // A third square welded to the right edge of the first, x = -20, from y = 150 down to -150.
  TSquareBladeCollection& layer = *Form().Collections()->GetLayer(0);
  apptest::AddWeldedRight(layer, layer.Blade(0), 10);
  Form().SetEditMode(emScissors);
  FocusView();
  IDevice& device = Form().Render1().GetDevice();
  Form().Transformer1().ApplyTransforms(device);
  const Vec3 middle = Vec3TransformCoord({-20, 0, -100}, GetScreenMatrix(device));
  const Vec3 top = Vec3TransformCoord({-20, 150, -100}, GetScreenMatrix(device));
  MouseTo(static_cast<int>(std::lround(middle.x)), static_cast<int>(std::lround(middle.y)));
  ASSERT_TRUE(qttest::WaitUntil([this] { return Form().ViewInput().ScissorsHighlightShown(); }));
  // The edge's upper half, away from the cursor, once the frame is on the screen: the highlight
  // colour, red in the low byte 0x66FFFF.
  const auto lit = [&] {
    const QImage screen = Screenshot("vrel-scissors-highlight.png");
    int count = 0;
    for (int y = static_cast<int>(top.y) + 5; y < static_cast<int>(middle.y) - 20; ++y) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (screen.pixelColor(OnScreen(static_cast<int>(std::lround(top.x)) + dx, y)) == QColor(0xFF, 0xFF, 0x66)) {
          ++count;
          break;
        }
      }
    }
    return count >= static_cast<int>(middle.y - top.y) - 30;
  };
  EXPECT_TRUE(qttest::WaitUntil(lit));
  Xdotool({"click", "1"});
  EXPECT_TRUE(qttest::WaitUntil([this] { return Blades() == 2; }));
}

TEST_F(MouseWindowTest, TheWheelZoomsInANotchAtATime) {
  FocusView();
  MouseTo(100, 100);
  ASSERT_EQ(Xdotool({"click", "4"}), 0);
  EXPECT_TRUE(qttest::WaitUntil([this] { return std::fabs(Form().Transformer1().Zoom() - 57.0f) < 1e-3f; }));
}

}  // namespace
}  // namespace vrel
