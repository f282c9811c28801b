// The texture cube and the fins: what they take from the cube and riders, how they stream and draw.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ComponentStream.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9TextureCube.h"

namespace vrel {
namespace {

using Quad = std::array<TTexturedVertex, 4>;
Quad QuadAt(float x) {
  return {{{x, 0, 1, ~0u, 0, 0}, {x + 1, 0, 1, ~0u, 1, 0}, {x + 1, -1, 1, ~0u, 1, 1}, {x, -1, 1, ~0u, 0, 1}}};
}
void AddQuad(TCubeRiderBladeCollection* face, float x, bool flag = false) {
  const Quad q = QuadAt(x);
  face->AddBlade(q[0], q[1], q[2], q[3])->SetFlag(flag);
}
bool Same(const void* a, const void* b, std::size_t n = sizeof(Quad)) {
  return std::memcmp(a, b, n) == 0;
}
const TFaceImageNames kNames{"l.bmp", "f.bmp", "r.bmp", "b.bmp", "t.bmp", "d.bmp"};
TextureImage OnePixelFace(const std::string&, int) {
  return BgraTextureImage(1, 1, {255, 255, 255, 255});
}

// The flagged pieces are those replaced by slices; the rider's set is copied, not touched.
TEST(TextureCube, TakesACopyOfThePiecesThatWereNotSliced) {
  TTextureCube cube;
  TCubeRiderBladeCollections pieces;
  for (auto [face, x, flag] :
       {std::tuple{0, 0.f, true}, {0, 1.f, false}, {0, 2.f, true}, {0, 3.f, true}, {4, 4.f, false}, {4, 5.f, true}})
    AddQuad(pieces.GetFace(face), x, flag);
  cube.AssignTexturePolygons(pieces);
  const TCubeRiderBladeCollections& kept = *cube.Pieces();
  ASSERT_EQ(std::tuple(kept.TotalCount(), kept.GetFace(0)->Count(), kept.GetFace(4)->Count()), std::tuple(2, 1, 1));
  EXPECT_TRUE(Same(kept.GetFace(0)->Blade(0)->Vertices().data(), QuadAt(1).data()));
  EXPECT_TRUE(Same(kept.GetFace(4)->Blade(0)->Vertices().data(), QuadAt(4).data()));
  EXPECT_EQ(pieces.TotalCount(), 6);
}

TEST(TextureCube, TakesTheShapeOfACubeWithoutTextures) {
  TTextureCube cube;
  TCubeSquareBladeCollection stage;
  stage.SetSize(250);
  cube.Assign(&stage);
  EXPECT_EQ(std::pair(cube.GetFaceBlade(3)->PositionCache(), cube.GetFaceBlade(3)->GetTexture()),
            std::pair(stage.GetFaceBlade(3)->PositionCache(), std::shared_ptr<Texture>()));
}

// The textures outlive the source as long as a face holds them.
TEST(TextureCube, SharesTheTexturesOfACubeThatHasThem) {
  TTextureCube cube;
  TCubeSquareBladeCollection stage;
  RecordingDevice device;
  ASSERT_TRUE(stage.LoadTextures(device, kNames, OnePixelFace).Loaded);
  cube.Assign(&stage);
  for (int f = 0; f < 6; ++f)
    EXPECT_EQ(cube.GetFaceBlade(f)->GetTexture(), stage.GetFaceBlade(f)->GetTexture()) << f;
  const std::shared_ptr<Texture> front = cube.GetFaceBlade(1)->GetTexture();
  stage.ReleaseTextures();
  EXPECT_EQ(cube.GetFaceBlade(1)->GetTexture(), front);
  EXPECT_EQ(front.use_count(), 2);
}

// Two front-face blades through the rider: one facing the pilot (a piece), one away (replaced by a slice).
TEST(TextureCube, DrawsPiecesThenSlicesFaceByFaceInEveryState) {
  TCubeSquareBladeCollection stage;
  TTextureCube cube;
  TCubeRider rider;
  RecordingDevice device;
  rider.Clone()->Assign(&stage);
  rider.AddQuad(TCorners{{{-500, 100, -300}, {-500, 100, -100}, {-500, -100, -100}, {-500, -100, -300}}});
  rider.AddQuad(TCorners{{{-500, 100, 100}, {-500, -100, 100}, {-500, -100, 300}, {-500, 100, 300}}});
  rider.Finish();
  cube.Slices()->Assign(rider.Slices());
  cube.AssignTexturePolygons(*rider.Pieces());
  ASSERT_EQ(std::tuple(cube.Pieces()->TotalCount(), cube.Pieces()->GetFace(1)->Count(), cube.Slices()->TotalCount(),
                       cube.Slices()->GetFace(1)->Count()),
            std::tuple(1, 1, 1, 1));
  ASSERT_TRUE(stage.LoadTextures(device, kNames, OnePixelFace).Loaded);
  cube.Assign(&stage);
  cube.SetDrawStates(dsSurface | dsBorder | dsVertex);
  cube.Material()->SetPointSize(6);
  device.ClearLog();
  cube.Draw(device);
  // The rider's vertices as they are, then the same positions repacked for the edges and corners.
  const std::vector<const DrawCall*> draws = device.Draws();
  ASSERT_EQ(draws.size(), 6u);
  const Quad& piece = cube.Pieces()->GetFace(1)->Blade(0)->Vertices();
  const Quad& slice = cube.Slices()->GetFace(1)->Blade(0)->Vertices();
  EXPECT_EQ(std::pair(draws[0]->stride, draws[0]->textureIds[0]), std::pair(24u, 2u));
  EXPECT_TRUE(Same(draws[0]->vertices.data(), piece.data()) && Same(draws[1]->vertices.data(), slice.data()));
  for (std::size_t i = 2; i < 6; ++i)
    for (std::size_t k = 0; k < 4; ++k) {
      const TTexturedVertex& v = (i % 2 == 0 ? piece : slice)[k];
      EXPECT_EQ(std::pair(draws[i]->stride, draws[i]->Position(k)), std::pair(12u, Vec3(v.x, v.y, v.z)));
    }
}

TEST(TextureCube, DrawsNothingWithoutAStateOrWithoutFaces) {
  TTextureCube cube;
  AddQuad(cube.Pieces()->GetFace(1), 0);
  RecordingDevice device;
  cube.SetDrawStates(0);
  cube.Draw(device);
  EXPECT_TRUE(device.Calls().empty());
  cube.SetDrawStates(7);
  cube.Clear();
  cube.Draw(device);
  EXPECT_TRUE(device.Calls().empty());
}

// Fins on two faces, one with a vertex of every field set.
struct Fins {
  TFinCollectionsContainer source;
  Fins() {
    RegisterTextureCubeClasses();
    TCubeRiderBladeCollections rider;
    AddQuad(rider.GetFace(2), 1);
    AddQuad(rider.GetFace(2), 2);
    AddQuad(rider.GetFace(5), 3);
    rider.GetFace(5)->Blade(0)->SetVertex(1, {-1.5f, 2.25f, 1e-3f, 0x80FF0000, 0.125f, 0.875f});
    source.FinCollections()->Assign(&rider);
  }
};

TEST(Fins, TheContainerStreamsItsFinsWhichTakeTheirVerticesAtTheSync) {
  Fins fins;
  const TFinCollectionsContainer& source = fins.source;
  ASSERT_EQ(source.FinCollections()->TotalCount(), 3);
  TFinCollectionsContainer copy;
  LoadComponentFromBytes(SaveComponentToBytes(source), copy);
  ASSERT_EQ(std::pair(copy.FinCollections()->Count(), copy.FinCollections()->TotalCount()), std::pair(6, 3));
  // Before the sync only the streamed copies hold the vertices.
  EXPECT_TRUE(Same(copy.FinCollections()->GetFace(5)->Fin(0)->Vertices().data(), Quad{}.data()));
  copy.SyncBlades();
  for (int f = 0; f < 6; ++f)
    for (int i = 0; i < source.FinCollections()->GetFace(f)->Count(); ++i)
      EXPECT_TRUE(Same(copy.FinCollections()->GetFace(f)->Fin(i)->Vertices().data(),
                       source.FinCollections()->GetFace(f)->Fin(i)->Vertices().data()))
          << f << " " << i;
}

// Never reading past its end.
TEST(Fins, AStreamCutShortFails) {
  Fins fins;
  const std::string bytes = SaveComponentToBytes(fins.source);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    TFinCollectionsContainer target;
    EXPECT_ANY_THROW(LoadComponentFromBytes(std::string_view(bytes).substr(0, n), target)) << n;
  }
}

}  // namespace
}  // namespace vrel
