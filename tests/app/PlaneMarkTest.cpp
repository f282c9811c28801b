// The plane mark's flight with held keys and the timer ticked by hand (a fake clock: the distance is
// the ticks fired times the speed), its status text, its commands and history, and the remembered
// positions.

#include "app/PlaneMarkControl.h"
#include "files/ComponentStateHolder.h"
#include "files/VrelProp.h"
#include "platform/Menus.h"
#include "scene/DX9RenderStage.h"
#include "tests/app/FormFixture.h"

namespace vrel::formtest {
namespace {

class PlaneMarkTest : public FormTest {
 protected:
  TPlaneMarkControl& Mark() { return form_->PlaneMark(); }
  Vec3 Position() { return Mark().Position(); }
  // Ticks while the flight goes on, at most `limit`; answers how many fired.
  int TickUntilLanded(int limit = 1000) {
    int ticks = 0;
    while (Mark().Flying() && ticks < limit) {
      Mark().Timer1Timer();
      ++ticks;
    }
    return ticks;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i)
      Mark().Timer1Timer();
  }
  // Presses a key in the view: held from now on, and its key-down.
  void Hold(int key) {
    keys_.Press(key);
    Mark().KeyDown();
  }
  Vec3 Start() const { return form_->SceneFiler()->FMSData()->GetAircraftVector(); }
  int PlaneSteps() const { return form_->PlaneMarkHistory()->Count(); }
  std::string Caption(int i) { return Mark().Memory().Items(i)->Caption(); }
};

// --- flight ----------------------------------------------------------------------------------------

TEST_F(PlaneMarkTest, HoldingRightForTenTicksMovesTheMarkTenUnitsAndItStopsTheTickAfterRelease) {
  const Vec3 start = Position();
  Hold(vkRight);
  EXPECT_TRUE(Mark().Flying());
  EXPECT_TRUE(window_.timerOn);
  Ticks(10);
  EXPECT_EQ(Position(), start + Vec3(10, 0, 0));
  keys_.Release(vkRight);
  EXPECT_EQ(TickUntilLanded(), 1);
  EXPECT_EQ(Position(), start + Vec3(10, 0, 0));
  EXPECT_FALSE(window_.timerOn);
  EXPECT_EQ(PlaneSteps(), 2);
}

TEST_F(PlaneMarkTest, EachDirectionFliesWithItsArrowPageAndKeypadKeys) {
  struct Case {
    int key;
    Vec3 way;
  };
  for (const Case& c : {Case{vkLeft, {-1, 0, 0}}, Case{NumpadKey(4), {-1, 0, 0}}, Case{vkUp, {0, 0, 1}},
                        Case{NumpadKey(8), {0, 0, 1}}, Case{vkRight, {1, 0, 0}}, Case{NumpadKey(6), {1, 0, 0}},
                        Case{vkDown, {0, 0, -1}}, Case{NumpadKey(2), {0, 0, -1}}, Case{vkPrior, {0, 1, 0}},
                        Case{NumpadKey(7), {0, 1, 0}}, Case{NumpadKey(9), {0, 1, 0}}, Case{vkNext, {0, -1, 0}},
                        Case{NumpadKey(1), {0, -1, 0}}, Case{NumpadKey(3), {0, -1, 0}}}) {
    const Vec3 start = Position();
    Hold(c.key);
    Ticks(3);
    keys_.Release(c.key);
    TickUntilLanded();
    SCOPED_TRACE(c.key);
    ExpectNear(Position(), G(start + c.way * 3.0f), 1e-4);
  }
}

TEST_F(PlaneMarkTest, OtherKeysStartNoFlight) {
  for (const int key : {int(vkHome), int(vkEnd), int(vkSpace), NumpadKey(5), int(vkA)}) {
    Hold(key);
    EXPECT_FALSE(Mark().Flying()) << key;
    keys_.Release(key);
  }
}

TEST_F(PlaneMarkTest, SmoothFlightRisesAThirtiethATickAndFallsAThirdATick) {
  form_->Prop()->SetPlaneSmooth(true);
  form_->ApplyProperties();
  Hold(vkUp);
  Ticks(1);
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusZ], 1.0f / 30.0f);
  Ticks(30);
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusZ], 1.0f);
  keys_.Release(vkUp);
  Ticks(1);
  EXPECT_NEAR(Mark().Velocity()[pdPlusZ], 2.0f / 3.0f, 1e-6);
  EXPECT_EQ(TickUntilLanded(), 2);
}

TEST_F(PlaneMarkTest, SpaceRaisesTheTopSpeedToEightAndItsReleaseSlowsDownAStepATick) {
  const Vec3 start = Position();
  Hold(vkRight);
  keys_.Press(vkSpace);
  Ticks(2);
  EXPECT_EQ(Position(), start + Vec3(16, 0, 0));
  keys_.Release(vkSpace);
  Ticks(1);
  // Without smoothing the step down is the new top speed, 1.
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusX], 7.0f);
  Ticks(6);
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusX], 1.0f);
  Ticks(1);
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusX], 1.0f);
}

TEST_F(PlaneMarkTest, CtrlFliesAtATenth) {
  const Vec3 start = Position();
  Hold(vkLeft);
  keys_.Press(vkControl);
  Ticks(5);
  EXPECT_NEAR(Position().x, start.x - 0.5f, 1e-5);
}

TEST_F(PlaneMarkTest, AKeyDownDuringAFlightKeepsItsSpeed) {
  Hold(vkRight);
  Ticks(2);
  Hold(vkUp);
  EXPECT_FLOAT_EQ(Mark().Velocity()[pdPlusX], 1.0f);
}

TEST_F(PlaneMarkTest, WithTheMarkHiddenTheKeysDoNothingAndUndoChangesOnlyTheIndex) {
  Hold(vkRight);
  Ticks(4);
  keys_.Release(vkRight);
  TickUntilLanded();
  const Vec3 flown = Position();
  form_->ViewToggleClick(6, false);
  Hold(vkRight);
  EXPECT_FALSE(Mark().Flying());
  Mark().Undo();
  EXPECT_EQ(form_->PlaneMarkHistory()->Index(), 0);
  EXPECT_EQ(Position(), flown);
}

TEST_F(PlaneMarkTest, TheStatusBarShowsThePositionAndItsDistanceFromThePilot) {
  Mark().SetPlaneMarkPosition({3, 4, 12});
  EXPECT_EQ(window_.status.at(spPlaneMark), "機体位置 X:3.00 Y:4.00 Z:12.00 距離 13.00");
}

TEST_F(PlaneMarkTest, InTheOriginViewTheCameraTurnsToTheMark) {
  form_->ViewPointClick(vpOrigin);
  const Vec3 mark(300, 200, -400);
  Mark().SetPlaneMarkPosition(mark);
  const Matrix view = Frame().State().view;
  // Seen from the origin, the mark lies straight ahead: on the view's +Z axis.
  const glm::dvec3 inView(G(mark).x * view.m[0][0] + G(mark).y * view.m[1][0] + G(mark).z * view.m[2][0],
                          G(mark).x * view.m[0][1] + G(mark).y * view.m[1][1] + G(mark).z * view.m[2][1],
                          G(mark).x * view.m[0][2] + G(mark).y * view.m[1][2] + G(mark).z * view.m[2][2]);
  EXPECT_NEAR(inView.x, 0.0, 1e-2);
  EXPECT_NEAR(inView.y, 0.0, 1e-2);
  EXPECT_NEAR(inView.z, glm::length(G(mark)), 1e-2);
}

// --- commands and history --------------------------------------------------------------------------

TEST_F(PlaneMarkTest, HomeIsOfferedOnlyAwayFromTheStartPosition) {
  EXPECT_FALSE(Mark().CanGoHome());
  Mark().SetPlaneMarkPosition({10, 0, 0});
  EXPECT_TRUE(Mark().CanGoHome());
  Mark().GoHome();
  EXPECT_EQ(Position(), Start());
  EXPECT_EQ(PlaneSteps(), 2);
  EXPECT_FALSE(Mark().CanGoHome());
}

TEST_F(PlaneMarkTest, TheMarkGoesToTheCentreOfTheSelection) {
  EXPECT_FALSE(Mark().CanGoToSelection());
  SelectBlade(AddSquare(0, 40, 20, 0));
  Mark().GoToSelection();
  EXPECT_EQ(Position(), Vec3(10, 20, kZ));
  EXPECT_EQ(PlaneSteps(), 2);
}

TEST_F(PlaneMarkTest, UndoAndRedoWalkThePositionsAndLeaveModifiedAlone) {
  const Vec3 start = Position();
  Mark().SetPlaneMarkPosition({10, 0, 0});
  form_->PushPlaneMarkHistory();
  EXPECT_FALSE(Mark().CanRedo());
  Mark().Undo();
  EXPECT_EQ(Position(), start);
  EXPECT_FALSE(Mark().CanUndo());
  Mark().Redo();
  EXPECT_EQ(Position(), Vec3(10, 0, 0));
  EXPECT_FALSE(form_->Modified());
}

TEST_F(PlaneMarkTest, UndoDuringAFlightEndsItWithItsOwnStepThenUndoesIt) {
  const Vec3 start = Position();
  Hold(vkRight);
  Ticks(3);
  Mark().Undo();
  EXPECT_FALSE(Mark().Flying());
  EXPECT_EQ(Position(), start);
  EXPECT_TRUE(Mark().CanRedo());
  Mark().Redo();
  EXPECT_EQ(Position(), start + Vec3(3, 0, 0));
}

// --- remembered positions --------------------------------------------------------------------------

TEST_F(PlaneMarkTest, TheTwentyFirstRememberedPositionDropsTheOldest) {
  for (int i = 1; i <= 21; ++i) {
    Mark().SetPlaneMarkPosition({static_cast<float>(i), 0, 0});
    Mark().Remember();
  }
  ASSERT_EQ(Mark().Memory().Count(), 20);
  EXPECT_EQ(Caption(0), "x:21.00 y:0.00 z:0.00");
  EXPECT_EQ(Caption(19), "x:2.00 y:0.00 z:0.00");
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(window_.memoryChanges, 21);
}

TEST_F(PlaneMarkTest, TheNewestTenGetShiftWithTheDigitsOneToZero) {
  for (int i = 0; i < 12; ++i)
    Mark().Remember();
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(Mark().Memory().Items(i)->ShortCut(), 0x2000 | ('0' + (i + 1) % 10)) << i;
  EXPECT_EQ(Mark().Memory().Items(10)->ShortCut(), 0);
  EXPECT_EQ(Mark().Memory().Items(11)->ShortCut(), 0);
}

TEST_F(PlaneMarkTest, ARememberedPositionComesBackWithTwoDecimals) {
  Mark().SetPlaneMarkPosition({1.237f, -2.5f, 10.0f});
  Mark().Remember();
  Mark().SetPlaneMarkPosition({0, 0, 0});
  Mark().Recall(0);
  EXPECT_EQ(Position(), Vec3(1.24f, -2.5f, 10.0f));
  EXPECT_EQ(PlaneSteps(), 2);
}

TEST_F(PlaneMarkTest, ClearingTheMemoryMarksTheDocumentModified) {
  Mark().Remember();
  form_->SetModified(false);
  Mark().ClearMemory();
  EXPECT_FALSE(Mark().HasMemory());
  EXPECT_TRUE(form_->Modified());
}

TEST_F(PlaneMarkTest, ItemsLoadedFromAFileGetTheStandardShortcuts) {
  auto* loaded = new TMenuItem();
  loaded->SetCaption("x:1.00 y:2.00 z:3.00");
  loaded->SetShortCut(0x4000 | 'S');
  Mark().Memory().Add(loaded);
  Mark().BindMemoryItems();
  EXPECT_EQ(loaded->ShortCut(), 0x2000 | '1');
  EXPECT_EQ(window_.memoryChanges, 1);
}

}  // namespace
}  // namespace vrel::formtest
