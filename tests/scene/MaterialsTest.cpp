// Colours become device materials, changes reach the owners, and layers draw in passes, translucency last.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GridFixture.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Materials.h"
#include "scene/DX9Square.h"

namespace vrel {
namespace {

struct ChangeCounter {
  int count = 0;
  void Hit(TObject*) { ++count; }
  TNotifyEvent Event() { return TNotifyEvent::Of<&ChangeCounter::Hit>(this); }
};
std::vector<const TRenderMaterial*> Parts(const TSquareBladeMaterials& m) {
  return {m.Border(),        m.Surface(),        m.Reverse(),        m.Selected(),
          m.TextureBorder(), m.TextureSurface(), m.TextureSelected()};
}
const char* const kPartNames[] = {"Border",        "Surface",        "Reverse",        "Selected",
                                  "TextureBorder", "TextureSurface", "TextureSelected"};

// Red is the low byte, green the middle one, blue the high one; a system-colour flag is no colour.
TEST(Materials, TheColourIsEmissiveAndTheAlphaTheDiffuseAlpha) {
  TRenderMaterial m;
  m.SetColor(0x0000FF);
  m.SetAlpha(30);
  EXPECT_EQ(m.DeviceMaterial(), (Material{{0, 0, 0, 0.3f}, {}, {}, {1, 0, 0, 1}, 0}));
  m.SetColor(int32_t(0x80336699u));
  EXPECT_EQ(m.DeviceMaterial().emissive, (ColorValue{0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 1}));
}

TEST(Materials, TheAlphaStaysWithinNoneAndAHundredAnnouncingRealChangesOnly) {
  TRenderMaterial m;
  ChangeCounter changes;
  m.OnChange = changes.Event();
  m.SetAlpha(150);  // clamped to what it was
  EXPECT_EQ(std::pair(m.Alpha(), changes.count), std::pair(100, 0));
  m.SetAlpha(-5);
  EXPECT_EQ(std::tuple(m.Alpha(), m.DeviceMaterial().diffuse.a, changes.count), std::tuple(0, 0.f, 1));
  m.SetAlpha(-20);
  m.SetColor(0xFFFFFF);
  EXPECT_EQ(changes.count, 1);
}

TEST(Materials, AssignCopiesColourAndAlphaAnnouncingOnce) {
  TRenderMaterial m;
  TRenderMaterial source;
  ChangeCounter changes;
  m.OnChange = changes.Event();
  source.SetColor(0x00FF00);
  source.SetAlpha(42);
  m.Assign(&source);
  EXPECT_EQ(std::tuple(changes.count, m.Color(), m.Alpha(), m.DeviceMaterial()),
            std::tuple(1, 0x00FF00, 42, source.DeviceMaterial()));
}

TEST(Materials, APartsRealChangeIsTheGroupsChange) {
  TSquareBladeMaterials target;
  ChangeCounter changes;
  target.OnChange = changes.Event();
  target.TextureSelected()->SetColor(0x010203);
  target.Border()->SetAlpha(50);
  target.SetPointSize(7);
  target.SetPointSize(7);
  EXPECT_EQ(changes.count, 3);
}

TEST(Materials, AGroupsAssignCopiesEveryPartAnnouncingOnce) {
  TSquareBladeMaterials blade;
  TSquareBladeMaterials target;
  target.Border()->SetAlpha(50);
  blade.SetPointSize(11);
  blade.Reverse()->SetColor(0x0A0B0C);
  blade.TextureSurface()->SetAlpha(77);
  ChangeCounter changes;
  target.OnChange = changes.Event();
  target.Assign(&blade);
  EXPECT_EQ(std::tuple(changes.count, target.PointSize(), target.Reverse()->Color(), target.TextureSurface()->Alpha(),
                       target.TextureSelected()->DeviceMaterial(), target.Border()->Alpha()),
            std::tuple(1, 11, 0x0A0B0C, 77, blade.TextureSelected()->DeviceMaterial(), 100));
}

// A bare border/surface pair would leave the rest half-set; a blade set is a pair too.
TEST(Materials, AGroupTakesOnlyAGroupOfItsOwnKind) {
  TSquareBladeMaterials target;
  TCubeMaterial cube;
  TSurfaceBorderMaterials pair;
  pair.Border()->SetColor(0x111111);
  EXPECT_THROW(target.Assign(&pair), EConvertError);
  EXPECT_EQ(target.Border()->Color(), 0xB380E6);
  EXPECT_THROW(cube.Assign(&target), EConvertError);
  pair.Assign(&target);
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
    a_->Select(bpBorder, 1, true);  // selects the shared vertices, but not B's corner flags
    b_->Select(bpVertex, 2, true);
    layers_.SetDrawFlags(7);
  }
  // Per draw: type, count, material, subject (A, B or a corner: B2), indices; "+" the strict translucent pass.
  std::string Describe(const RecordingDevice& device) const {
    std::string out;
    for (const DrawCall* d : device.Draws()) {
      std::string material = "?";
      std::string subject = "?";
      for (std::size_t i = 0; i < 7; ++i)
        if (Parts(*layers_.Materials())[i]->DeviceMaterial() == d->state.material)
          material = kPartNames[i];
      const std::vector<Vec3> p = d->Positions();
      for (const auto& [blade, name] : {std::pair{a_, "A"}, std::pair{b_, "B"}}) {
        const TCorners& c = blade->PositionCache();
        if (p.size() == 4 && std::equal(p.begin(), p.end(), c.begin()))
          subject = name;
        for (std::size_t i = 0; i < 4 && p.size() == 1; ++i)
          if (p[0] == c[i])
            subject = name + std::to_string(i);
      }
      EXPECT_EQ(std::pair(d->state.vertexFormat, d->stride), std::pair(VertexFormat::Xyz, 12u));
      out += PrimitiveTypeName(d->type) + " " + std::to_string(d->primitiveCount) + " " + material + " " + subject;
      for (uint16_t i : d->indices)
        out += " " + std::to_string(i);
      const bool translucent = d->state.RenderStateValue(RenderState::AlphaBlendEnable) == 1;
      EXPECT_EQ(translucent, d->state.RenderStateValue(RenderState::ZFunc) == uint32_t(CompareFunc::Less)) << out;
      out += translucent ? " +\n" : "\n";
    }
    return out;
  }
  TSquareBladeCollections layers_;
  TSquareBladeCollection* layer_ = layers_.AddLayer();
  TSquareBlade* a_ = nullptr;
  TSquareBlade* b_ = nullptr;
  RecordingDevice device_;
};

// Backs, outlines, corners; texture blades again; selections, then texture ones; translucent fronts.
TEST_F(LayerDrawTest, PassesPutSelectionsOverOutlinesAndTranslucentSurfacesLast) {
  layers_.Draw(device_);
  EXPECT_EQ(Describe(device_),
            "TRIANGLESTRIP 2 Reverse A 0 3 1 2\nTRIANGLESTRIP 2 Reverse B 0 3 1 2\nLINESTRIP 4 Border A 0 1 2 3 0\n"
            "LINESTRIP 4 Border B 0 1 2 3 0\nPOINTLIST 4 Border A\nPOINTLIST 4 Border B\n"
            "LINESTRIP 4 TextureBorder B 0 1 2 3 0\nPOINTLIST 4 TextureBorder B\n"
            "LINELIST 1 Selected A 1 2\nPOINTLIST 1 Selected B2\nPOINTLIST 1 TextureSelected B2\n"
            "TRIANGLESTRIP 2 Surface A 0 1 3 2 +\nTRIANGLESTRIP 2 TextureSurface B 0 1 3 2 +\n");
}

TEST_F(LayerDrawTest, TheStrictDepthTestAndTheBlendingEndWithTheLayer) {
  layers_.Draw(device_);
  EXPECT_EQ(device_.GetRenderState(RenderState::ZFunc), uint32_t(CompareFunc::LessEqual));
  EXPECT_EQ(device_.GetRenderState(RenderState::AlphaBlendEnable), 0u);
}

// Corners, outlines, faces.
TEST_F(LayerDrawTest, EachFlagAloneDrawsItsOwnPassOnly) {
  const std::pair<int, std::string> flags[] = {
      {1,
       "POINTLIST 4 Border A\nPOINTLIST 4 Border B\nPOINTLIST 4 TextureBorder B\nPOINTLIST 1 Selected B2\n"
       "POINTLIST 1 TextureSelected B2\n"},
      {2,
       "LINESTRIP 4 Border A 0 1 2 3 0\nLINESTRIP 4 Border B 0 1 2 3 0\nLINESTRIP 4 TextureBorder B 0 1 2 3 0\n"
       "LINELIST 1 Selected A 1 2\n"},
      {4,
       "TRIANGLESTRIP 2 Reverse A 0 3 1 2\nTRIANGLESTRIP 2 Reverse B 0 3 1 2\n"
       "TRIANGLESTRIP 2 Surface A 0 1 3 2 +\nTRIANGLESTRIP 2 TextureSurface B 0 1 3 2 +\n"}};
  for (const auto& [flag, draws] : flags) {
    device_.ClearLog();
    layer_->Draw(device_, *layers_.Materials(), flag);
    EXPECT_EQ(Describe(device_), draws) << flag;
  }
}

TEST_F(LayerDrawTest, AHiddenBladeIsLeftOut) {
  b_->SetVisible(false);
  layers_.Draw(device_);
  EXPECT_EQ(Describe(device_),
            "TRIANGLESTRIP 2 Reverse A 0 3 1 2\nLINESTRIP 4 Border A 0 1 2 3 0\n"
            "POINTLIST 4 Border A\nLINELIST 1 Selected A 1 2\nTRIANGLESTRIP 2 Surface A 0 1 3 2 +\n");
}

TEST_F(LayerDrawTest, AHiddenLayerDrawsNothingAtAll) {
  layer_->SetVisible(false);
  layers_.Draw(device_);
  EXPECT_TRUE(device_.Calls().empty());
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
