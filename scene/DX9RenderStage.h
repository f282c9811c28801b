#pragma once

// What the 3D view draws besides the blades: the panorama cube, the rubber band of a selection drag,
// the knife stroke, the coordinate axes, the scene's start point and start direction, and the marker
// of the model aircraft. Each part keeps its vertices ready and rebuilds them whenever it changes; the
// render event calls each part's Draw in the order and under the view toggles it chooses.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Device.h"
#include "platform/Vector3.h"
#include "platform/zeClasses.h"
#include "scene/DX9Materials.h"

namespace vrel {

class TCubeSquareBladeCollection;

// A rectangle of client pixels.
struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// The rubber band of a selection drag: a rectangle outline in screen pixels that inverts what lies
// under it, so it shows on any background.
class TMouseSquare : public TNotifyPersistent {
  VREL_CLASS_INFO(TMouseSquare, TNotifyPersistent)
 public:
  // Colour 0xDAC19E (red in the low byte).
  TMouseSquare();

  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  const TRect& Rect() const { return rect_; }
  // Notifies when any field differs.
  void SetRect(const TRect& value);
  const std::vector<ScreenVertex>& Vertices() const { return vertices_; }

  // Rebuilds the vertices, then notifies.
  void Changed() override;
  // Depth test and lighting off, the source blend inverting the destination colour; blending is off
  // again afterwards. The destination factor is left as earlier drawing set it.
  virtual void Draw(IDevice& device) const;

 protected:
  // The closed outline: (Left, Top), (Right, Top), (Right, Bottom), (Left, Bottom), (Left, Top).
  virtual void UpdateVertices();
  ScreenVertex At(int32_t x, int32_t y) const;
  void SetInverting(IDevice& device) const;

  std::vector<ScreenVertex> vertices_;

 private:
  int32_t color_ = 0xDAC19E;
  TRect rect_;
};

// The knife stroke: the rectangle holds its start (Left, Top) and end (Right, Bottom).
class TMouseLine : public TMouseSquare {
  VREL_CLASS_INFO(TMouseLine, TMouseSquare)
 public:
  TMouseLine();
  void Draw(IDevice& device) const override;

 protected:
  void UpdateVertices() override;
};

// A marker with a position and a length (its size, or the half length of a line).
class TPLPersistent : public TNotifyPersistent {
  VREL_CLASS_INFO(TPLPersistent, TNotifyPersistent)
 public:
  const Vec3& Position() const { return position_; }
  // Notifies when a component differs by more than 1e-6.
  virtual void SetPosition(const Vec3& value);
  float Length() const { return length_; }
  void SetLength(float value);

  // Rebuilds the vertices, then notifies.
  void Changed() override;

 protected:
  virtual void UpdateVertices() = 0;

 private:
  Vec3 position_;
  float length_ = 0.0f;
};

// The coordinate axes from the origin: X red, Y green, Z blue, each `Length` long. The position is
// not used.
class TAxis : public TPLPersistent {
  VREL_CLASS_INFO(TAxis, TPLPersistent)
 public:
  TAxis();
  const std::array<ColoredVertex, 6>& Vertices() const { return vertices_; }
  virtual void Draw(IDevice& device) const;

 protected:
  void UpdateVertices() override;

 private:
  std::array<ColoredVertex, 6> vertices_{};
};

// The scene's start point: a flat cross in the horizontal plane through the position, with an arrow
// tip towards +Z, arms 2 x Length / 6 wide. Drawn without depth test, so it shows through blades and
// cube; seen only from the side its faces face (from above).
class TStartPoint : public TPLPersistent {
  VREL_CLASS_INFO(TStartPoint, TPLPersistent)
 public:
  static constexpr int kVertexCount = 13;

  // Surface white at 50 %, border red.
  TStartPoint();
  ~TStartPoint() override;

  TSurfaceBorderMaterials* Materials() const { return materials_.get(); }
  const std::array<Vec3, kVertexCount>& Vertices() const { return vertices_; }
  virtual void Draw(IDevice& device) const;

  static const std::array<uint16_t, 21> kFaces;
  static const std::array<uint16_t, 14> kOutline;
  static const std::array<uint16_t, 21> kBackFaces;

 protected:
  void UpdateVertices() override;
  // The translucent faces, then the opaque outline.
  void DrawFacesAndOutline(IDevice& device) const;

 private:
  std::unique_ptr<TSurfaceBorderMaterials> materials_;
  std::array<Vec3, kVertexCount> vertices_{};
};

// The marker of the model aircraft: a start point with a red surface, seen from below as well.
class TPlaneMark : public TStartPoint {
  VREL_CLASS_INFO(TPlaneMark, TStartPoint)
 public:
  TPlaneMark();

  // A second position kept with the mark; the vertices follow Position.
  const Vec3& MarkPosition() const { return markPosition_; }
  void SetMarkPosition(const Vec3& value);
  // As the start point, then the back faces in the surface material (blending stays on).
  void Draw(IDevice& device) const override;

 private:
  Vec3 markPosition_;
};

// The scene's start direction: a line along Z through the position, Length to each side.
class TStartDirection : public TPLPersistent {
  VREL_CLASS_INFO(TStartDirection, TPLPersistent)
 public:
  // Colour 0xFF0000 (blue, red in the low byte).
  TStartDirection();

  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  const std::array<ColoredVertex, 2>& Vertices() const { return vertices_; }
  virtual void Draw(IDevice& device) const;

 protected:
  void UpdateVertices() override;

 private:
  int32_t color_ = 0xFF0000;
  std::array<ColoredVertex, 2> vertices_{};
};

class TDX9RenderStage : public TPersistent {
  VREL_CLASS_INFO(TDX9RenderStage, TPersistent)
 public:
  TDX9RenderStage();
  ~TDX9RenderStage() override;

  TCubeSquareBladeCollection* Cube() const { return cube_.get(); }
  // The cube's edge and corner colour and point size.
  TCubeMaterial* CubeMaterial() const { return cubeMaterial_.get(); }
  TMouseSquare* MouseSquare() const { return mouseSquare_.get(); }
  TMouseLine* MouseLine() const { return mouseLine_.get(); }
  TAxis* Axis() const { return axis_.get(); }
  TStartPoint* StartPoint() const { return startPoint_.get(); }
  TPlaneMark* PlaneMark() const { return planeMark_.get(); }
  TStartDirection* StartDirection() const { return startDirection_.get(); }

  // The cube by its draw flags, with the cube material.
  void DrawCube(IDevice& device) const;

 private:
  std::unique_ptr<TCubeSquareBladeCollection> cube_;
  std::unique_ptr<TCubeMaterial> cubeMaterial_;
  std::unique_ptr<TMouseSquare> mouseSquare_;
  std::unique_ptr<TMouseLine> mouseLine_;
  std::unique_ptr<TAxis> axis_;
  std::unique_ptr<TStartPoint> startPoint_;
  std::unique_ptr<TPlaneMark> planeMark_;
  std::unique_ptr<TStartDirection> startDirection_;
};

}  // namespace vrel
