#pragma once

// The settings dialog ("プロパティ"), a thin window over TPropertyEditor. The page "色" holds the
// tree of elements, the live 3D preview of the sample scene and the editors of the chosen element:
// the colour box, the line switch ("線を描画"), the transparency ("透過率 %") and the size
// ("大きさ"), with the buttons "←すべてデフォルト", "↓デフォルト" and "視点をリセット". The page "設定"
// holds three switches. A typed transparency or size counts when Enter is pressed (which leaves the
// dialog open) or the box loses the focus; the arrows count at once.
//
// The preview turns with the right button (Ctrl for fine steps), pans with the middle button and
// zooms with the wheel.

#include <memory>

#include "app/qt/DialogForm.h"

class QCheckBox;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vrel {

class RenderWidget;
class TColorBox;
class TPropertyEditor;
class TUpDownBox;
class TVrelProp;

class TPropertyForm : public TDialogForm {
 public:
  explicit TPropertyForm(QWidget* parent = nullptr);
  ~TPropertyForm() override;

  // Edits a copy of `settings`; on OK the copy goes back into `settings` and the answer is true. On
  // Cancel `settings` stays as it was.
  static bool Execute(TVrelProp& settings, QWidget* parent);

  // The settings to edit: the switches show them.
  void Load(const TVrelProp& settings);
  TPropertyEditor& Editor() { return *editor_; }

  // Chooses the tree's element `id` (0: none), as a click on it does.
  void SelectElement(int id);

  QTabWidget* Pages() const { return pages_; }
  QTreeWidget* TreeViewElements() const { return tree_; }
  RenderWidget* Render1() const { return render1_; }
  TColorBox* ColorBox1() const { return colorBox_; }
  QCheckBox* CheckBoxBorder() const { return border_; }
  QWidget* PanelAlpha() const { return panelAlpha_; }
  TUpDownBox* Alpha() const { return alpha_; }
  QWidget* PanelLength() const { return panelLength_; }
  TUpDownBox* Length() const { return length_; }
  QToolButton* SpeedButtonDefaultAll() const { return defaultAll_; }
  QToolButton* SpeedButtonDefault() const { return default_; }
  QToolButton* SpeedButtonViewReset() const { return viewReset_; }
  // The second page's switch of that tag (TPropertySwitch).
  QCheckBox* Switch(int tag) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildColorPage();
  QWidget* BuildSettingsPage();
  void ElementChanged(QTreeWidgetItem* item);
  // The editors show the current element's values, without acting on them.
  void LoadEditors();
  void AlphaEdited();
  void LengthEdited();

  QTabWidget* pages_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  RenderWidget* render1_ = nullptr;
  TColorBox* colorBox_ = nullptr;
  QCheckBox* border_ = nullptr;
  QWidget* panelAlpha_ = nullptr;
  TUpDownBox* alpha_ = nullptr;
  QWidget* panelLength_ = nullptr;
  TUpDownBox* length_ = nullptr;
  QToolButton* defaultAll_ = nullptr;
  QToolButton* default_ = nullptr;
  QToolButton* viewReset_ = nullptr;
  std::array<QCheckBox*, 3> switches_{};
  std::unique_ptr<TPropertyEditor> editor_;
};

}  // namespace vrel
