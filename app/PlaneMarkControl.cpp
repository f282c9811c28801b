#include "app/PlaneMarkControl.h"

#include <algorithm>

#include "app/MainForm.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "files/history/VectorHolder.h"
#include "platform/KeyboardState.h"
#include "platform/Menus.h"
#include "platform/NumberFormat.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

// The shortcut of a menu item: the key code with Shift above it.
constexpr int32_t kShiftShortCut = 0x2000;

// Top speed of the keys held now: Space fast, else Ctrl slow, else normal.
float TopSpeed(const IKeyboardState& keys) {
  if (keys.KeyDown(vkSpace))
    return TPlaneMarkControl::kFastSpeed;
  if (keys.KeyDown(vkControl))
    return TPlaneMarkControl::kSlowSpeed;
  return TPlaneMarkControl::kTopSpeed;
}

bool DirectionHeld(const IKeyboardState& keys, int direction) {
  const std::vector<int>& held = PlaneMarkKeys(direction);
  return std::any_of(held.begin(), held.end(), [&](int key) { return keys.KeyDown(key); });
}

float RampVelocity(float v, bool held, float top, float acceleration, float deceleration) {
  if (held && v < top)
    return std::min(v + acceleration, top);
  if (held)
    return std::max(v - deceleration, top);
  return std::max(v - deceleration, 0.0f);
}

}  // namespace

const std::vector<int>& PlaneMarkKeys(int direction) {
  static const std::array<std::vector<int>, kPlaneMarkDirections> keys{{
      {vkLeft, NumpadKey(4)},
      {vkUp, NumpadKey(8)},
      {vkRight, NumpadKey(6)},
      {vkDown, NumpadKey(2)},
      {vkPrior, NumpadKey(7), NumpadKey(9)},
      {vkNext, NumpadKey(1), NumpadKey(3)},
  }};
  return keys.at(static_cast<std::size_t>(direction));
}

bool IsPlaneMarkKey(int key) {
  for (int direction = 0; direction < kPlaneMarkDirections; ++direction) {
    const std::vector<int>& keys = PlaneMarkKeys(direction);
    if (std::find(keys.begin(), keys.end(), key) != keys.end())
      return true;
  }
  return false;
}

TPlaneMarkControl::TPlaneMarkControl(TMainForm& form) : form_(form), memory_(std::make_unique<TMenuItem>()) {
  memory_->SetName(kMemoryName);
}

TPlaneMarkControl::~TPlaneMarkControl() = default;

bool TPlaneMarkControl::MarkShown() const {
  return form_.Started() && (form_.ViewFlags() & vfPlaneMark) != 0;
}

Vec3 TPlaneMarkControl::Position() const {
  return form_.RenderStage() ? form_.RenderStage()->PlaneMark()->Position() : Vec3{};
}

// --- flight ----------------------------------------------------------------------------------------

void TPlaneMarkControl::KeyDown() {
  if (!MarkShown() || timerEnabled_)
    return;
  const IKeyboardState& keys = KeyboardState();
  for (int direction = 0; direction < kPlaneMarkDirections; ++direction) {
    if (DirectionHeld(keys, direction)) {
      velocity_.fill(0.0f);
      timerEnabled_ = true;
      form_.Window().SetTimer1Enabled(true);
      return;
    }
  }
}

void TPlaneMarkControl::Timer1Timer() {
  if (!timerEnabled_ || !form_.Started())
    return;
  const IKeyboardState& keys = KeyboardState();
  const float top = TopSpeed(keys);
  const float acceleration = form_.PlaneSmooth() ? top / 30.0f : top;
  const float deceleration = form_.PlaneSmooth() ? top / 3.0f : top;
  for (int direction = 0; direction < kPlaneMarkDirections; ++direction) {
    float& v = velocity_.at(static_cast<std::size_t>(direction));
    v = RampVelocity(v, DirectionHeld(keys, direction), top, acceleration, deceleration);
  }
  const Vec3 p = Position();
  const auto& v = velocity_;
  SetPlaneMarkPosition({p.x + v[pdPlusX] - v[pdMinusX], p.y + v[pdUp] - v[pdDown], p.z + v[pdPlusZ] - v[pdMinusZ]});
  if (std::all_of(v.begin(), v.end(), [](float speed) { return speed == 0.0f; })) {
    timerEnabled_ = false;
    form_.Window().SetTimer1Enabled(false);
    form_.PushPlaneMarkHistory();
  }
  form_.Redraw();
}

void TPlaneMarkControl::StopPlaneMark() {
  if (!timerEnabled_)
    return;
  timerEnabled_ = false;
  form_.Window().SetTimer1Enabled(false);
  form_.PushPlaneMarkHistory();
}

void TPlaneMarkControl::SetPlaneMarkPosition(const Vec3& position) {
  if (!MarkShown())
    return;
  form_.RenderStage()->PlaneMark()->SetPosition(position);
  form_.Window().SetStatusText(
      spPlaneMark, "機体位置 X:" + FormatFixed(position.x, 2) + " Y:" + FormatFixed(position.y, 2) +
                       " Z:" + FormatFixed(position.z, 2) + " 距離 " + FormatFixed(VectorLength(position), 2));
  if (form_.ViewPoint() == vpOrigin)
    form_.Transformer1().SetRotationFromDirection(position);
  form_.Redraw();
}

// --- commands --------------------------------------------------------------------------------------

bool TPlaneMarkControl::CanGoHome() const {
  return form_.Started() && !SameVector(Position(), form_.SceneFiler()->FMSData()->GetAircraftVector());
}

bool TPlaneMarkControl::CanGoToSelection() const {
  return form_.Started() && form_.Collections()->SelectedVertices().Count() > 0;
}

bool TPlaneMarkControl::HasMemory() const {
  return memory_->Count() > 0;
}

bool TPlaneMarkControl::CanUndo() const {
  return form_.Started() && form_.PlaneMarkHistory()->Index() >= 1;
}

bool TPlaneMarkControl::CanRedo() const {
  return form_.Started() && form_.PlaneMarkHistory()->Index() < form_.PlaneMarkHistory()->Count() - 1;
}

void TPlaneMarkControl::GoHome() {
  if (!MarkShown() || !CanGoHome())
    return;
  StopPlaneMark();
  SetPlaneMarkPosition(form_.SceneFiler()->FMSData()->GetAircraftVector());
  form_.PushPlaneMarkHistory();
}

void TPlaneMarkControl::GoToSelection() {
  if (!CanGoToSelection())
    return;
  StopPlaneMark();
  SetPlaneMarkPosition(SelectionCentroid(form_.Collections()->SelectedVertices()));
  form_.PushPlaneMarkHistory();
}

void TPlaneMarkControl::Remember() {
  if (!form_.Started())
    return;
  StopPlaneMark();
  auto item = std::make_unique<TMenuItem>();
  item->SetCaption(VectorToText(Position()));
  memory_->Insert(0, item.release());
  while (memory_->Count() > kMaxMemory)
    memory_->Delete(memory_->Count() - 1);
  BindMemoryItems();
  form_.SetModified(true);
}

void TPlaneMarkControl::Recall(int index) {
  if (!form_.Started() || index < 0 || index >= memory_->Count())
    return;
  StopPlaneMark();
  // The caption is the only copy of the position: it comes back with two decimals.
  Vec3 position;
  TextToVector(memory_->Items(index)->Caption(), position);
  SetPlaneMarkPosition(position);
  form_.PushPlaneMarkHistory();
}

void TPlaneMarkControl::ClearMemory() {
  // Clearing nothing changes nothing, and leaves the document unmodified.
  if (!HasMemory())
    return;
  memory_->Clear();
  BindMemoryItems();
  form_.SetModified(true);
}

void TPlaneMarkControl::Undo() {
  // A flight ends first, with its own step.
  StopPlaneMark();
  if (!CanUndo())
    return;
  TComponentStateHolder& history = *form_.PlaneMarkHistory();
  history.SetIndex(history.Index() - 1);
  SetPlaneMarkPosition(form_.PlaneMarkVector()->GetVector());
}

void TPlaneMarkControl::Redo() {
  // A flight ends first, with its own step.
  StopPlaneMark();
  if (!CanRedo())
    return;
  TComponentStateHolder& history = *form_.PlaneMarkHistory();
  history.SetIndex(history.Index() + 1);
  SetPlaneMarkPosition(form_.PlaneMarkVector()->GetVector());
}

void TPlaneMarkControl::UpdateMemoryShortcuts() {
  for (int i = 0; i < memory_->Count(); ++i)
    memory_->Items(i)->SetShortCut(i < 10 ? kShiftShortCut | (vk0 + (i + 1) % 10) : 0);
}

void TPlaneMarkControl::BindMemoryItems() {
  UpdateMemoryShortcuts();
  form_.Window().PlaneMarkMemoryChanged();
}

}  // namespace vrel
