#pragma once

// The five numeric dialogs, thin windows over NumericDialogs.h: the polygon grid ("ポリゴン作成"),
// the vertex positions ("頂点の位置をそろえる"), rotation ("回転"), scaling ("拡大") and the polygon
// statistics ("ポリゴン プロパティ"). They are made once at start-up and kept, so every box, mode
// and check mark carries over from one use to the next. Each dialog's Execute is Prepare (fill the
// boxes), the modal loop, and on OK Apply (read the boxes, change the vertices).
//
// TDialogWindows plugs them into the tool palette's commands and opens the statistics and the
// settings dialog for the main menu.

#include <QObject>

#include <array>
#include <memory>
#include <optional>

#include "app/NumericDialogs.h"
#include "app/ToolCommands.h"
#include "app/qt/DialogForm.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vrel {

class TToolWindowHost;
class TUpDownBox;

class TPolygonForm : public TDialogForm {
 public:
  explicit TPolygonForm(QWidget* parent);

  // Offers the three reference points; the grid the boxes ask for after OK, nothing after Cancel.
  std::optional<TPolygonRequest> Execute(const Vec3& start, const Vec3& planeMark,
                                         const std::optional<Vec3>& selectionCenter);
  // The boxes show the reference points of this opening, in the current mode; the selection centre
  // is offered only with a selection; the new-layer box starts unchecked.
  void Prepare(const Vec3& start, const Vec3& planeMark, const std::optional<Vec3>& selectionCenter);
  // What the boxes say now.
  TPolygonRequest Request() const;

  TPositionMode PositionMode() const { return positions_.Mode(); }
  // The radio group's choice: the position boxes show its point.
  void SetPositionMode(int mode);
  float MaxSize() const { return maxSize_; }
  void SetMaxSize(float maxSize);

  TUpDownBox* DivisionX() const { return divisions_[0]; }
  TUpDownBox* DivisionZ() const { return divisions_[1]; }
  TUpDownBox* SizeX() const { return sizes_[0]; }
  TUpDownBox* SizeZ() const { return sizes_[1]; }
  TUpDownBox* Position(int axis) const { return positionBoxes_.at(static_cast<std::size_t>(axis)); }
  QCheckBox* CheckBoxNewLayer() const { return newLayer_; }
  QRadioButton* PositionButton(int mode) const { return modeButtons_.at(static_cast<std::size_t>(mode)); }

 protected:
  void RangeChanged() override;
  void done(int result) override;

 private:
  Vec3 BoxPosition() const;

  TPolygonPositions positions_;
  float maxSize_ = 2000.0f;
  std::array<TUpDownBox*, 2> divisions_{};
  std::array<TUpDownBox*, 2> sizes_{};
  std::array<TUpDownBox*, 3> positionBoxes_{};
  std::array<QRadioButton*, 4> modeButtons_{};
  QCheckBox* newLayer_;
};

class TVertexPositionForm : public TDialogForm {
 public:
  explicit TVertexPositionForm(QWidget* parent);

  // False after Cancel, for no selected vertex, or when no vertex moved.
  bool Execute(TSquareBladeCollections& layers);
  // The extents of the listed vertices on the buttons, their middles in the boxes, the flattest
  // axis checked; false for an empty list.
  bool Prepare(const TVertexItemList& list);
  // Every selected vertex gets the checked coordinates; true when one moved.
  bool Apply(TSquareBladeCollections& layers) const;

  QPushButton* MinButton(int axis) const { return minButtons_.at(static_cast<std::size_t>(axis)); }
  QPushButton* MaxButton(int axis) const { return maxButtons_.at(static_cast<std::size_t>(axis)); }
  QCheckBox* ApplyBox(int axis) const { return applyBoxes_.at(static_cast<std::size_t>(axis)); }
  TUpDownBox* Position(int axis) const { return positionBoxes_.at(static_cast<std::size_t>(axis)); }

 protected:
  void RangeChanged() override;

 private:
  std::array<QPushButton*, 3> minButtons_{};
  std::array<QPushButton*, 3> maxButtons_{};
  std::array<QCheckBox*, 3> applyBoxes_{};
  std::array<TUpDownBox*, 3> positionBoxes_{};
};

// The centre boxes and the choice between the selection's centroid and the origin, which the
// rotation and scale dialogs share.
class TCentreBoxes {
 public:
  // `heading` names the boxes ("中心位置", "基準位置").
  TCentreBoxes(QWidget* parent, const char* heading);
  QWidget* Widget() const { return widget_; }
  // 0 the centroid, 1 the origin: the boxes show that point.
  void SetCenterMode(int mode);
  int CenterMode() const { return centerMode_; }
  void SetCentroid(const Vec3& centroid);
  const Vec3& Centroid() const { return centroid_; }
  Vec3 Value() const;
  void SetRange(float minValue, float maxValue);
  TUpDownBox* Box(int axis) const { return boxes_.at(static_cast<std::size_t>(axis)); }
  QRadioButton* BaryCentric() const { return baryCentric_; }
  QRadioButton* Origin() const { return origin_; }

 private:
  QWidget* widget_;
  std::array<TUpDownBox*, 3> boxes_{};
  QRadioButton* baryCentric_;
  QRadioButton* origin_;
  int centerMode_ = 0;
  Vec3 centroid_;
};

class TRotationForm : public TDialogForm {
 public:
  static constexpr const char* kZeroAxisMessage =
      "視点が選択オブジェクトの中心と同じ位置にあるため、視点軸では回転できません。";

  explicit TRotationForm(QWidget* parent);

  // `eye` is the view's eye, for the camera axis. False after Cancel, for fewer than two selected
  // vertices, or when no vertex moved.
  bool Execute(TSquareBladeCollections& layers, const Vec3& eye);
  bool Prepare(const TVertexItemList& list, const Vec3& eye);
  // The rotation by the angle about the axis through the centre boxes' point. An axis of no length
  // (the eye on the centroid) turns nothing and says so.
  bool Apply(TSquareBladeCollections& layers) const;

  int AxisMode() const { return axisMode_; }
  void SetAxisMode(int mode);
  const Vec3& Axis() const { return axis_; }
  TCentreBoxes& Centre() { return *centre_; }
  TUpDownBox* Angle() const { return angle_; }
  QToolButton* AxisButton(int mode) const { return axisButtons_.at(static_cast<std::size_t>(mode)); }

 protected:
  void RangeChanged() override;

 private:
  int axisMode_ = ramX;
  Vec3 axis_{1, 0, 0};
  Vec3 eye_;
  std::array<QToolButton*, 4> axisButtons_{};
  TUpDownBox* angle_;
  std::unique_ptr<TCentreBoxes> centre_;
};

class TScaleForm : public TDialogForm {
 public:
  explicit TScaleForm(QWidget* parent);

  bool Execute(TSquareBladeCollections& layers);
  bool Prepare(const TVertexItemList& list);
  // The scaling by the three factors about the centre boxes' point.
  bool Apply(TSquareBladeCollections& layers) const;

  TCentreBoxes& Centre() { return *centre_; }
  TUpDownBox* Scale(int axis) const { return scales_.at(static_cast<std::size_t>(axis)); }
  QCheckBox* CheckBoxEqualScale() const { return equalScale_; }

 protected:
  void RangeChanged() override;

 private:
  // With equal scaling, the other two boxes take box `axis`'s value.
  void ScaleEdited(int axis);

  std::array<TUpDownBox*, 3> scales_{};
  QCheckBox* equalScale_;
  std::unique_ptr<TCentreBoxes> centre_;
};

class TPolygonPropertyForm : public TDialogForm {
 public:
  explicit TPolygonPropertyForm(QWidget* parent);

  // Counts and shows; changes nothing.
  void Execute(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube, bool includeHidden);
  void Prepare(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube, bool includeHidden);

  // The read-only box of that name ("Edit_SceneTotal").
  QLineEdit* Box(const char* name) const;
};

// The dialogs as the tool palette and the main menu open them.
class TDialogWindows : public QObject, public TToolDialogs {
 public:
  // Makes the dialogs, children of the main window.
  explicit TDialogWindows(TToolWindowHost& window);

  TVertexPositionForm* VertexPositionForm() const { return vertexPosition_; }
  TPolygonForm* PolygonForm() const { return polygon_; }
  TRotationForm* RotationForm() const { return rotation_; }
  TPolygonPropertyForm* PolygonPropertyForm() const { return polygonProperty_; }
  TScaleForm* ScaleForm() const { return scale_; }

  // The scene's area radius R: coordinates within -2R .. 2R, polygon sizes up to R.
  void SetRanges(float areaRadius);

  // TToolDialogs
  std::optional<TPolygonRequest> PolygonDialog(const Vec3& start, const Vec3& planeMark,
                                               const std::optional<Vec3>& selectionCenter) override;
  bool VertexPositionDialog(TSquareBladeCollections& layers) override;
  bool RotationDialog(TSquareBladeCollections& layers) override;
  bool ScaleDialog(TSquareBladeCollections& layers) override;

  // The polygon statistics of the document, hidden blades counted as the scene file would.
  void PolygonProperty() override;
  // The settings dialog; on OK the settings go onto the view and the document.
  void Settings();

 private:
  TToolWindowHost& window_;
  TVertexPositionForm* vertexPosition_;
  TPolygonForm* polygon_;
  TRotationForm* rotation_;
  TPolygonPropertyForm* polygonProperty_;
  TScaleForm* scale_;
};

}  // namespace vrel
