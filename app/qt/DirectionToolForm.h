#pragma once

// The move panel, shown in the move mode: the selection moves by a typed vector ("相対") or so that
// its centre lands on a typed point ("絶対") when OK is pressed. Each mode keeps its own last vector
// while the panel stays shown; a move drag in the view shows both, the move so far and where the
// centre is now. Coordinates are held within plus and minus twice the scene's area radius.

#include <QToolButton>

#include <array>

#include "app/DirectionTool.h"
#include "app/qt/FloatForm.h"

class QPushButton;

namespace vrel {

class TToolWindowHost;
class TNumberBox;
class TUpDownBox;

class TDirectionToolForm : public TFloatForm {
 public:
  explicit TDirectionToolForm(TToolWindowHost& window);

  TDirectionMode Mode() const { return mode_; }
  // The mode buttons' click: the other mode's vector comes back into the boxes.
  void SetMode(TDirectionMode mode);
  // The coordinate limits; the main window sets them from the area radius.
  void SetRange(float minValue, float maxValue);
  float MinValue() const { return minValue_; }
  float MaxValue() const { return maxValue_; }
  const Vec3& RelativeVector() const { return relativeVector_; }
  const Vec3& AbsoluteVector() const { return absoluteVector_; }
  // Both vectors of a move drag; the boxes show the current mode's.
  void ShowVectors(const Vec3& relative, const Vec3& absolute);
  // Both vectors and the boxes at 0, as when the panel shows.
  void ClearVectors();
  // The boxes as a vector (unreadable text as 0, each held in the range).
  Vec3 BoxVector() const;
  // One up-down step (+1 up, -1 down) of coordinate 0..2 by 0.1.
  void UpDownClick(int coordinate, int step);
  void ButtonOKClick();

  TNumberBox* Edit(int coordinate) const;
  QToolButton* SpeedButtonRel() const { return rel_; }
  QToolButton* SpeedButtonAbs() const { return abs_; }
  QPushButton* ButtonOK() const { return ok_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowVector(const Vec3& v);
  void StoreBoxes();

  TToolWindowHost& window_;
  std::array<TUpDownBox*, 3> boxes_{};
  QToolButton* rel_;
  QToolButton* abs_;
  QPushButton* ok_;
  float minValue_ = -2000.0f;
  float maxValue_ = 2000.0f;
  TDirectionMode mode_ = dmRelative;
  Vec3 relativeVector_;
  Vec3 absoluteVector_;
};

}  // namespace vrel
