#pragma once

// The tool palette's commands, without the window: the geometry commands on the selection (stick,
// gather, line up, line up faces, turn to the camera, reverse faces, a face on four vertices), the
// new polygon grid and the three numeric dialogs. The main menu and its shortcut keys call the same
// procedures. Each checks its condition first and does nothing at all when it is missing; a command
// that changed the scene ends the same way: a snapshot into the history, a redraw, and the centre
// of the selection in the status bar.
//
// The numeric dialogs come through TToolDialogs, so the commands run and are tested without them.

#include <optional>

#include "platform/Vector3.h"

namespace vrel {

class TLayerCommands;
class TMainForm;
class TSquareBladeCollections;

// What the polygon dialog answers on OK.
struct TPolygonRequest {
  bool NewLayer = false;
  int DivisionsX = 1;  // 1..10
  int DivisionsZ = 1;
  float SizeX = 100.0f;
  float SizeZ = 100.0f;
  Vec3 Position;
};

class TToolDialogs {
 public:
  virtual ~TToolDialogs() = default;
  // The polygon dialog offering three positions: the aircraft's start position, the plane mark and
  // the selection's centre (none without a selected vertex). Nothing when cancelled.
  virtual std::optional<TPolygonRequest> PolygonDialog(const Vec3& /*start*/, const Vec3& /*planeMark*/,
                                                       const std::optional<Vec3>& /*selectionCenter*/) {
    return {};
  }
  // The vertex-position, rotation and scale dialogs on the selected vertices: true when they changed
  // them.
  virtual bool VertexPositionDialog(TSquareBladeCollections& /*layers*/) { return false; }
  virtual bool RotationDialog(TSquareBladeCollections& /*layers*/) { return false; }
  virtual bool ScaleDialog(TSquareBladeCollections& /*layers*/) { return false; }
  // The polygon statistics of the document (the main menu's "ポリゴンプロパティ").
  virtual void PolygonProperty() {}
};

class TToolCommands {
 public:
  // `layers` adds the new layer of a polygon grid; `dialogs` may be null (every dialog cancelled).
  TToolCommands(TMainForm& form, TLayerCommands& layers, TToolDialogs* dialogs = nullptr);
  void SetDialogs(TToolDialogs* dialogs);
  TToolDialogs& Dialogs() const { return *dialogs_; }

  void Stick();
  void Gather();
  void Alignment();
  void AlignmentSurface();
  void FaceToCamera();
  void FaceReverse();
  void FourVertexToBlade();
  // One undo step for the grid and, when asked for, the new layer it goes into.
  void CreatePolygon();
  void AlignVertexPosition();
  void RotateNumerical();
  void ScaleNumerical();

  // A snapshot, a redraw, the selection's centre.
  void CommandDone();

 private:
  int SelectedCount() const;
  TSquareBladeCollections& Layers() const;
  void DoneIf(bool changed);

  TMainForm& form_;
  TLayerCommands& layers_;
  TToolDialogs* dialogs_;
};

}  // namespace vrel
