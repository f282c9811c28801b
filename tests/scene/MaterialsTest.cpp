// Colours become device materials, changes reach the owners, and layers draw in passes, translucency last.

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "GridFixture.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Materials.h"
#include "scene/DX9Square.h"
#include "scene/DX9SquareDraw.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

std::vector<const TRenderMaterial*> Parts(const TSquareBladeMaterials& m) {
  return {m.Border(),        m.Surface(),        m.Reverse(),        m.Selected(),
          m.TextureBorder(), m.TextureSurface(), m.TextureSelected()};
}
const char* const kPartNames[] = {"Border",        "Surface",        "Reverse",        "Selected",
                                  "TextureBorder", "TextureSurface", "TextureSelected"};

TEST(Materials, ColoursBecomeDeviceMaterialsAndGroupsAnnounceOnceAndTakeOnlyTheirKind) {
  TRenderMaterial m, source;
  ChangeCounter changes;
  m.SetColor(0x0000FF);
  m.SetAlpha(30);  // red is the low byte; the alpha goes to the diffuse alpha
  EXPECT_EQ(m.DeviceMaterial(), (Material{{0, 0, 0, 0.3f}, {}, {}, {1, 0, 0, 1}, 0}));
  m.SetColor(int32_t(0x80336699u));  // green in the middle byte, blue high; a system-colour flag is no colour
  EXPECT_EQ(m.DeviceMaterial().emissive, (ColorValue{0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 1}));
  m.SetColor(0xFFFFFF);
  m.SetAlpha(100);
  m.OnChange = changes.Event();
  m.SetAlpha(-5);
  EXPECT_EQ(std::tuple(m.Alpha(), m.DeviceMaterial().diffuse.a, changes.count), std::tuple(0, 0.f, 1));
  m.SetAlpha(-20);
  m.SetColor(0xFFFFFF);
  m.SetColor(0x123456);
  source.SetColor(0x00FF00);
  source.SetAlpha(42);
  m.Assign(&source);
  EXPECT_EQ(std::tuple(changes.count, m.Color(), m.Alpha(), m.DeviceMaterial()),
            std::tuple(3, 0x00FF00, 42, source.DeviceMaterial()));
  TSquareBladeMaterials blade, target;
  TCubeMaterial cube;
  TSurfaceBorderMaterials pair;
  // A part's change is the group's change; Assign announces once.
  changes.count = 0;
  target.OnChange = changes.Event();
  target.TextureSelected()->SetColor(0x010203);
  target.Border()->SetAlpha(50);
  target.SetPointSize(7);
  EXPECT_EQ(changes.count, 3);
  blade.SetPointSize(11);
  blade.Reverse()->SetColor(0x0A0B0C);
  blade.TextureSurface()->SetAlpha(77);
  target.Assign(&blade);
  EXPECT_EQ(std::tuple(changes.count, target.PointSize(), target.Reverse()->Color(), target.TextureSurface()->Alpha(),
                       target.TextureSelected()->DeviceMaterial(), target.Border()->Alpha()),
            std::tuple(4, 11, 0x0A0B0C, 77, blade.TextureSelected()->DeviceMaterial(), 100));
  pair.Border()->SetColor(0x111111);
  EXPECT_THROW(target.Assign(&pair), EConvertError);
  EXPECT_EQ(target.Border()->Color(), 0xB380E6);
  EXPECT_THROW(cube.Assign(&target), EConvertError);
  pair.Assign(&target);  // a blade set is a border/surface pair too
  EXPECT_EQ(std::pair(pair.Border()->Color(), pair.Surface()->Alpha()), std::pair(0xB380E6, 30));
}

// Two welded blades side by side: A (plain) and B (a texture blade) share A's edge 1 (B's edge 3).
class LayerDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid::BuildWeldedGrid(*layer_, {2, 1, 2.0f, {}});
    a_ = layer_->Blade(0);
    b_ = layer_->Blade(1);
    b_->SetDrawTexture(true);
  }
  // Per draw: type, count, material (or "colours" for the unlit front sides, "+" when translucent), and
  // the primitives by blade and corner: A03 is the line from A's corner 0 to its corner 3.
  std::string Describe(const RecordingDevice& device) const {
    std::string out;
    for (const DrawCall* d : device.Draws()) {
      EXPECT_TRUE(d->fromBuffers && d->indexed);
      EXPECT_EQ(std::pair(d->state.vertexFormat, d->stride), std::pair(VertexFormat::XyzDiffuse, 16u));
      std::string material = "?";
      for (std::size_t i = 0; i < 7; ++i)
        if (Parts(*layers_.Materials())[i]->DeviceMaterial() == d->state.material)
          material = kPartNames[i];
      const bool lit = d->state.RenderStateValue(RenderState::Lighting) == 1;
      out += PrimitiveTypeName(d->type) + " " + std::to_string(d->primitiveCount) + " " + (lit ? material : "colours");
      const std::size_t corners = d->type == PrimitiveType::TriangleList ? 3
                                  : d->type == PrimitiveType::LineList   ? 2
                                                                         : 1;
      for (std::size_t i = 0; i < d->indices.size(); ++i) {
        if (i % corners == 0)
          out += " " + std::string(1, char('A' + d->indices[i] / 4));
        out += std::to_string(d->indices[i] % 4);
      }
      const bool translucent = d->state.RenderStateValue(RenderState::AlphaBlendEnable) == 1;
      EXPECT_EQ(translucent, d->state.RenderStateValue(RenderState::ZFunc) == uint32_t(CompareFunc::Less)) << out;
      EXPECT_EQ(translucent, !lit) << out;
      out += translucent ? " +\n" : "\n";
    }
    return out;
  }
  TSquareBladeCollections layers_;
  TSquareBladeCollection* layer_ = layers_.AddLayer();
  TSquareBlade *a_ = nullptr, *b_ = nullptr;
};

// Each edge and corner is drawn once, in the material that drawing every pass in full leaves on top of
// it: the selection over the outline, a texture blade's colours over the plain ones.
TEST_F(LayerDrawTest, EachPartIsDrawnOnceInTheMaterialThePassesLeaveOnTopAndSurfacesLast) {
  a_->Select(bpBorder, 1, true);  // selects the shared vertices, but not B's corner flags
  b_->Select(bpVertex, 2, true);
  layers_.SetDrawFlags(7);
  RecordingDevice device;
  layers_.Draw(device);
  // Backs, outlines, corners; texture blades'; selections, then texture ones; translucent fronts.
  EXPECT_EQ(Describe(device),
            "TRIANGLELIST 4 Reverse A031 A132 B031 B132\n"
            "LINELIST 3 Border A01 A23 A30\nPOINTLIST 4 Border A0 A1 A2 A3\n"
            "LINELIST 4 TextureBorder B01 B12 B23 B30\nPOINTLIST 3 TextureBorder B0 B1 B3\n"
            "LINELIST 1 Selected A12\nPOINTLIST 1 TextureSelected B2\n"
            "TRIANGLELIST 4 colours A013 A312 B013 B312 +\n");
  // The front sides carry their surface colours; the strict test and the blending end with the layer.
  const std::vector<ColoredVertex> vertices = device.Draws().back()->VerticesAs<ColoredVertex>();
  const TSquareBladeMaterials& m = *layers_.Materials();
  EXPECT_EQ(vertices.at(0).diffuse, SurfaceColor(m.Surface()->DeviceMaterial()));
  EXPECT_EQ(vertices.at(4).diffuse, SurfaceColor(m.TextureSurface()->DeviceMaterial()));
  EXPECT_EQ(SurfaceColor(m.TextureSurface()->DeviceMaterial()), 0x21000000u);  // black, 13 %
  EXPECT_EQ(device.GetRenderState(RenderState::ZFunc), uint32_t(CompareFunc::LessEqual));
  EXPECT_EQ(device.GetRenderState(RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(device.GetRenderState(RenderState::Lighting), 1u);
  // Each flag alone draws its own part and nothing of the others: corners, outlines, faces.
  const std::pair<int, std::string> flags[] = {
      {1,
       "POINTLIST 4 Border A0 A1 A2 A3\nPOINTLIST 3 TextureBorder B0 B1 B3\n"
       "POINTLIST 1 TextureSelected B2\n"},
      {2, "LINELIST 3 Border A01 A23 A30\nLINELIST 4 TextureBorder B01 B12 B23 B30\nLINELIST 1 Selected A12\n"},
      {4, "TRIANGLELIST 4 Reverse A031 A132 B031 B132\nTRIANGLELIST 4 colours A013 A312 B013 B312 +\n"}};
  for (const auto& [flag, draws] : flags) {
    device.ClearLog();
    layer_->Draw(device, *layers_.Materials(), flag);
    EXPECT_EQ(Describe(device), draws) << flag;
  }
  b_->SetVisible(false);  // hidden blades and layers are left out
  device.ClearLog();
  layers_.Draw(device);
  EXPECT_EQ(Describe(device),
            "TRIANGLELIST 2 Reverse A031 A132\nLINELIST 3 Border A01 A23 A30\nPOINTLIST 4 Border A0 A1 A2 A3\n"
            "LINELIST 1 Selected A12\nTRIANGLELIST 2 colours A013 A312 +\n");
  layer_->SetVisible(false);
  device.ClearLog();
  layers_.Draw(device);
  EXPECT_TRUE(device.Calls().empty());
  // No flag: nothing drawn, the passes' point size set all the same.
  layer_->SetVisible(true);
  layers_.Materials()->SetPointSize(9);
  layer_->Draw(device, *layers_.Materials(), 0);
  EXPECT_TRUE(device.Draws().empty());
  EXPECT_EQ(device.GetRenderState(RenderState::PointSize), std::bit_cast<uint32_t>(9.0f));
}

// A texture blade's selected edge: TextureSelected, not Selected (which the old pass 3 drew under it).
TEST_F(LayerDrawTest, ASelectedEdgeOfATextureBladeIsDrawnInTheTextureSelectionOnly) {
  b_->Select(bpFace, 0, true);
  b_->SetVertexSelect(0, true);
  layers_.SetDrawFlags(3);
  RecordingDevice device;
  layers_.Draw(device);
  EXPECT_EQ(Describe(device),
            "LINELIST 4 Border A01 A12 A23 A30\nPOINTLIST 4 Border A0 A1 A2 A3\nPOINTLIST 3 TextureBorder B1 B2 B3\n"
            "LINELIST 4 TextureSelected B01 B12 B23 B30\nPOINTLIST 1 TextureSelected B0\n");
}

// The layer's buffers are filled again exactly when a change notification says its blades changed:
// a frame with nothing new draws from the same buffers at the same revision.
TEST_F(LayerDrawTest, BuffersAreFilledAgainOnlyAfterAChangeTheBladesShow) {
  layers_.SetDrawFlags(7);
  TSquareBladeCollection& other = *layers_.AddLayer();
  grid::BuildWeldedGrid(other, {1, 1, 1.0f, {10, 0, 0}});
  RecordingDevice device;
  // The buffer revisions the frame's draws of the first layer (the last drawn) used.
  const auto frame = [&] {
    device.ClearLog();
    layers_.Draw(device);
    const DrawCall& last = *device.Draws().back();
    return std::tuple(last.vertexBufferId, last.vertexBufferRevision, last.indexBufferId, last.indexBufferRevision);
  };
  auto before = frame();
  EXPECT_EQ(frame(), before);
  TSquareBlade* extra = nullptr;
  const std::pair<const char*, std::function<void()>> shown[] = {
      {"a moved vertex",
       [&] {
         a_->SetVertexPosition(0, {0, 5, 0});
       }},
      {"a selected corner", [&] { a_->SetVertexSelect(3, true); }},
      {"a selected edge", [&] { a_->Select(bpBorder, 2, true); }},
      {"a hidden blade", [&] { a_->SetVisible(false); }},
      {"a texture flag", [&] { a_->SetDrawTexture(true); }},
      {"an added blade", [&] { extra = layer_->Add(); }},
      {"a blade moved in the order", [&] { extra->SetIndex(0); }},
      {"a deleted blade", [&] { delete extra; }},
      {"a surface colour", [&] { layers_.Materials()->Surface()->SetColor(0x0000FF); }},
      {"a texture surface opacity", [&] { layers_.Materials()->TextureSurface()->SetAlpha(50); }},
      {"a layer assigned", [&] { layer_->Assign(&other); }}};
  for (const auto& [what, change] : shown) {
    change();
    const auto after = frame();
    EXPECT_NE(std::get<1>(after), std::get<1>(before)) << what;
    before = after;
  }
  const std::pair<const char*, std::function<void()>> hidden[] = {
      {"a vertex of another layer",
       [&] {
         other.Blade(0)->SetVertexPosition(0, {10, 5, 0});
       }},
      {"the same flag again", [&] { layer_->Blade(0)->SetVisible(true); }},
      {"a border colour", [&] { layers_.Materials()->Border()->SetColor(0x00FF00); }},
      {"the point size", [&] { layers_.Materials()->SetPointSize(7); }},
      {"the layer's name and lock", [&] { layer_->SetName("x"), layer_->SetLocked(true); }}};
  for (const auto& [what, change] : hidden) {
    change();
    EXPECT_EQ(frame(), before) << what;
  }
  // What was drawn after the last change is what the blades show now.
  a_ = layer_->Blade(0);
  EXPECT_EQ(device.Draws().back()->Position(0), a_->PositionCache()[0]);
}

TEST(LayerSetDraw, VisibleLayersDrawFromTheLastToTheFirst) {
  RecordingDevice device;
  TSquareBladeCollections layers;
  for (float x : {0.0f, 10.0f, 20.0f, 30.0f})
    grid::BuildWeldedGrid(*layers.AddLayer(), {1, 1, 1.0f, {x, 0, 0}});
  layers.GetLayer(2)->SetVisible(false);
  layers.GetLayer(1)->SetLocked(true);  // locked layers still show
  layers.SetDrawFlags(2);
  layers.Draw(device);
  std::vector<float> order;
  for (const DrawCall* d : device.Draws())
    order.push_back(d->Position(0).x);
  EXPECT_EQ(order, (std::vector<float>{30.0f, 10.0f, 0.0f}));
}

}  // namespace
}  // namespace vrel
