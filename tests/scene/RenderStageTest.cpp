// The overlay parts: their shapes and the device calls each Draw makes.
#include <gtest/gtest.h>

#include <boost/geometry.hpp>
#include <cmath>
#include <string>

#include "platform/RecordingDevice.h"
#include "scene/DX9RenderStage.h"

namespace vrel {
namespace {

// What the overlay parts announce is in the table of NotifyTest.cpp.
TEST(Overlay, APlaneMarkDrawsAtItsPositionNotItsMarkPosition) {
  TPlaneMark mark;
  mark.SetMarkPosition({5, 5, 5});
  EXPECT_EQ(mark.Vertices()[0].x, 0.0f);
}

// In pixels; 0xDAC19E is red 0x9E, green 0xC1, blue 0xDA.
TEST(Overlay, TheBandAndTheKnifeLineInvertWhatLiesUnderThem) {
  TMouseSquare square;
  TMouseLine line;
  square.SetRect({10, 20, 110, 71});
  line.SetRect({5, 6, 300, -40});
  RecordingDevice device;
  square.Draw(device);
  line.Draw(device);
  for (const DrawCall* draw : device.Draws())
    EXPECT_EQ(draw->state.RenderStateValue(RenderState::SrcBlend), uint32_t(Blend::InvDestColor));
  EXPECT_EQ(device.GetRenderState(RenderState::AlphaBlendEnable), 0u);
  std::string drawn;
  for (const DrawCall* draw : device.Draws())
    for (const ScreenVertex& v : draw->VerticesAs<ScreenVertex>())
      drawn += std::to_string(int(v.x)) + "," + std::to_string(int(v.y)) + (v.z == 0 && v.rhw == 1 ? " " : "? ");
  EXPECT_EQ(drawn, "10,20 110,20 110,71 10,71 10,20 5,6 300,-40 ");
  EXPECT_EQ(device.Draws()[0]->VerticesAs<ScreenVertex>()[0].diffuse, 0xFF9EC1DAu);
}

// The axes start at the origin whatever the position; the start direction runs through its own, in blue.
TEST(Overlay, TheAxesAndTheStartDirectionAreColouredLines) {
  TAxis axis;
  TStartDirection direction;
  axis.SetPosition({50, 50, 50});
  axis.SetLength(7);
  direction.SetPosition({1, 2, 3});
  direction.SetLength(10);
  RecordingDevice device;
  axis.Draw(device);
  direction.Draw(device);
  std::string drawn;
  for (const DrawCall* draw : device.Draws())
    for (const ColoredVertex& v : draw->VerticesAs<ColoredVertex>())
      drawn += std::to_string(int(v.x)) + "," + std::to_string(int(v.y)) + "," + std::to_string(int(v.z)) + " " +
               std::to_string(v.diffuse & 0xFFFFFF) + " ";
  EXPECT_EQ(drawn, "0,0,0 16711680 7,0,0 16711680 0,0,0 65280 0,7,0 65280 0,0,0 255 0,0,7 255 1,2,-7 255 1,2,13 255 ");
}

// The face triangles tile the outline exactly, facing up; the back faces are the same the other way round.
TEST(Overlay, StartPointFaceTablesTileTheOutlineFromAboveAndBelow) {
  namespace bg = boost::geometry;
  using XZ = bg::model::d2::point_xy<double>;
  TStartPoint point;
  point.SetLength(12);
  const auto& v = point.Vertices();
  bg::model::polygon<XZ, false, false> outline;  // counter-clockwise, open
  for (std::size_t k = 0; k + 1 < TStartPoint::kOutline.size(); ++k)
    outline.outer().push_back(XZ(v[TStartPoint::kOutline[k]].x, v[TStartPoint::kOutline[k]].z));
  EXPECT_EQ(TStartPoint::kOutline.front(), TStartPoint::kOutline.back());
  const double area = std::fabs(bg::area(outline));
  EXPECT_NEAR(area, (20 + 1.732) * 4, 1e-3);  // five squares of side 4, and a tip of base 4, height 2 x 1.732
  for (auto [table, upSign] : {std::pair{&TStartPoint::kFaces, 1.0}, {&TStartPoint::kBackFaces, -1.0}}) {
    double total = 0;
    for (std::size_t t = 0; t < 21; t += 3) {
      const Vec3 a = v[(*table)[t]];
      const Vec3 e1 = v[(*table)[t + 1]] - a;
      const Vec3 e2 = v[(*table)[t + 2]] - a;
      // Left-handed: a triangle is seen (clockwise on screen) from the side its (b-a) x (c-a) points to.
      const double ny = double(e1.z) * e2.x - double(e1.x) * e2.z;
      EXPECT_GT(ny * upSign, 0) << "triangle " << t / 3;
      total += std::fabs(ny) / 2;
      EXPECT_TRUE(bg::within(XZ(a.x + (e1.x + e2.x) / 3, a.z + (e1.z + e2.z) / 3), outline)) << "triangle " << t / 3;
    }
    EXPECT_NEAR(total, area, 1e-3);
  }
}

}  // namespace
}  // namespace vrel
