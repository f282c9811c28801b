#include "app/ToolCommands.h"

#include "app/LayerCommands.h"
#include "app/MainForm.h"
#include "files/VrelPanoFiler.h"
#include "scene/DX9Edit.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"

namespace vrel {

namespace {

TToolDialogs& NoDialogs() {
  static TToolDialogs none;
  return none;
}

}  // namespace

TToolCommands::TToolCommands(TMainForm& form, TLayerCommands& layers, TToolDialogs* dialogs)
    : form_(form), layers_(layers), dialogs_(dialogs ? dialogs : &NoDialogs()) {}

void TToolCommands::SetDialogs(TToolDialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : &NoDialogs();
}

TSquareBladeCollections& TToolCommands::Layers() const {
  return *form_.Collections();
}

int TToolCommands::SelectedCount() const {
  return form_.Collections() ? Layers().SelectedVertices().Count() : 0;
}

void TToolCommands::CommandDone() {
  form_.PushHistory();
  form_.Redraw();
  form_.UpdateSelectionCenter();
}

void TToolCommands::DoneIf(bool changed) {
  if (changed)
    CommandDone();
}

void TToolCommands::Stick() {
  if (SelectedCount() > 1)
    DoneIf(StickVertices(Layers()));
}

void TToolCommands::Gather() {
  if (SelectedCount() > 1)
    DoneIf(GatherVertices(Layers()));
}

void TToolCommands::Alignment() {
  if (SelectedCount() > 2)
    DoneIf(AlignVertices(Layers()));
}

void TToolCommands::AlignmentSurface() {
  if (form_.Collections() && AnyEditableFaceSelected(Layers()))
    DoneIf(AlignToFacePlane(Layers()));
}

void TToolCommands::FaceToCamera() {
  if (form_.Collections() && AnyFaceSelected(Layers()))
    DoneIf(vrel::FaceToCamera(Layers(), EyePoint(form_.Transformer1().CameraPos()->GetVector())));
}

void TToolCommands::FaceReverse() {
  // Only faces of shown, unlocked layers turn: a selected face elsewhere makes no empty step.
  if (form_.Collections() && AnyEditableFaceSelected(Layers()))
    DoneIf(ReverseFaces(Layers()));
}

void TToolCommands::FourVertexToBlade() {
  if (SelectedCount() == 4)
    DoneIf(MakeFace(Layers()));
}

void TToolCommands::CreatePolygon() {
  if (!form_.Collections())
    return;
  // The start position in the view's axes: FMS has Z up.
  const Vec3 start = form_.SceneFiler()->FMSData()->GetAircraftVector();
  const std::optional<TPolygonRequest> request =
      dialogs_->PolygonDialog(start, form_.RenderStage()->PlaneMark()->Position(), form_.SelectionCenter());
  if (!request)
    return;
  const bool layerAdded = request->NewLayer && layers_.AddNewLayer() != nullptr;
  const bool made =
      NewPolygon(Layers(), request->DivisionsX, request->DivisionsZ, request->SizeX, request->SizeZ, request->Position);
  DoneIf(layerAdded || made);
}

void TToolCommands::AlignVertexPosition() {
  if (SelectedCount() > 0)
    DoneIf(dialogs_->VertexPositionDialog(Layers()));
}

void TToolCommands::RotateNumerical() {
  if (SelectedCount() > 1)
    DoneIf(dialogs_->RotationDialog(Layers()));
}

void TToolCommands::ScaleNumerical() {
  if (SelectedCount() > 1)
    DoneIf(dialogs_->ScaleDialog(Layers()));
}

}  // namespace vrel
