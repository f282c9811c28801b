#pragma once

// The FMS parameter panel: the scene's placement values (area radius, scene rotation and the
// aircraft's start position) in number boxes, and "更新" to apply them. It keeps its own copy of the
// values; the main window fills it from the scene after making, loading or resetting a document, and
// "更新" hands it back for the scene to take over as one change. The option "更新" (LookAt) lets
// the plane mark follow a new start position in the origin view.
//
// A box the user has not edited since the panel last showed the values keeps its exact stored value:
// the boxes show two decimals, the values have four. Enter in a box is "更新"; afterwards the panel
// shows what the scene took and the keyboard is the view's again.

#include <functional>

#include "app/qt/DockForm.h"
#include "files/SimFilers.h"

class QCheckBox;
class QPushButton;

namespace vrel {

class TToolWindowHost;
class TNumberBox;

class TParamForm : public TDockForm {
 public:
  explicit TParamForm(TToolWindowHost& window);

  // The panel's own copy of the placement values.
  TFMSDataHolder& DataHolder() { return dataHolder_; }
  // The values into the boxes: the radius as an integer, the rest with two decimals.
  void ShowParams();
  // The boxes into the copy: a box the user edited is read (text that is not a number gives its
  // default: radius 1000, rotation 0, X -5, Y 0, Z -1.7; the radius is at least 100); one left alone
  // keeps its value.
  void ReadParams();
  // "更新": ReadParams, the scene takes the values, the boxes show what it holds now, and the view
  // takes the keyboard focus.
  void ButtonUpdateClick();

  bool LookAt() const;
  void SetLookAt(bool value);

  TNumberBox* EditAreaRadius() const { return editAreaRadius_; }
  TNumberBox* EditSceneRotate() const { return editSceneRotate_; }
  TNumberBox* EditAirCraftX() const { return editAirCraftX_; }
  TNumberBox* EditAirCraftY() const { return editAirCraftY_; }
  TNumberBox* EditAirCraftZ() const { return editAirCraftZ_; }
  QPushButton* ButtonUpdate() const { return buttonUpdate_; }
  QCheckBox* CheckBoxUpdate() const { return checkBoxUpdate_; }

  void LoadSettings() override;
  void SaveSettings() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TToolWindowHost& window_;
  TFMSDataHolder dataHolder_;
  TNumberBox* editAreaRadius_;
  TNumberBox* editSceneRotate_;
  TNumberBox* editAirCraftX_;
  TNumberBox* editAirCraftZ_;
  TNumberBox* editAirCraftY_;
  QCheckBox* checkBoxUpdate_;
  QPushButton* buttonUpdate_;
};

}  // namespace vrel
