#include "app/DirectionTool.h"

#include "app/MainForm.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transform.h"

namespace vrel {

bool MoveSelection(TMainForm& form, TDirectionMode mode, const Vec3& vector) {
  TSquareBladeCollections* layers = form.Collections();
  if (layers == nullptr || layers->SelectedVertices().Count() == 0)
    return false;
  const bool moved = mode == dmAbsolute ? MoveCentroidTo(*layers, vector) : MoveBy(*layers, vector);
  if (!moved)
    return false;
  form.PushHistory();
  form.Redraw();
  form.UpdateSelectionCenter();
  return true;
}

}  // namespace vrel
