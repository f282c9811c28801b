#pragma once

// The operate panel: a grid of picture buttons over the 3D view. Pressing one and dragging sideways
// moves (left column), scales (middle) or rotates (right) the selection along X, Y or Z (rows); the
// scale picture on top scales along all axes alike. The running amount shows underneath. The drag
// itself is TOperateDrag's.

#include <QLabel>

#include <array>
#include <memory>

#include "app/OperateDrag.h"
#include "app/qt/FloatForm.h"

namespace vrel {

class TToolWindowHost;

class TOperatePanelForm : public TFloatForm {
 public:
  // One picture of the panel; its tag names what it does.
  class TImage : public QLabel {
   public:
    TImage(TOperatePanelForm& panel, int tag, QSize size);
    int Tag() const { return tag_; }
    void ShowPicture(bool pressed);

   protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

   private:
    TOperatePanelForm& panel_;
    int tag_;
  };

  explicit TOperatePanelForm(TToolWindowHost& window);
  ~TOperatePanelForm() override;

  TOperateDrag& Drag() { return *drag_; }
  // The picture of `tag` (0..11).
  TImage* Image(int tag) const { return images_.at(static_cast<std::size_t>(tag)); }
  QLabel* LabelInfo() const { return labelInfo_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ImagePress(TImage& image, QMouseEvent& event);
  void ImageMove(QMouseEvent& event);
  void ImageRelease();

  TToolWindowHost& window_;
  std::unique_ptr<TOperateDrag> drag_;
  std::array<TImage*, 12> images_{};
  QLabel* labelInfo_ = nullptr;
};

}  // namespace vrel
