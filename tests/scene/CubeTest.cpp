// The panorama cube: its corner and face tables, turning and growing, face textures and drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ComponentStream.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Cube.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

Vec3 CornerOf(const TCubeSquareBladeCollection& c, int i) {
  return c.VertexPool()->Item(i)->Vertex()->GetVector();
}
using Progress = std::vector<std::pair<TProgressStage, int>>;

// The tables written out rather than computed.
const glm::dvec3 kUnitCorners[8] = {{-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1},
                                    {1, 1, 1},   {1, 1, -1}, {1, -1, -1}, {1, -1, 1}};
const struct {
  const char* suffix;
  int items[4];
} kFaces[6] = {{"_left", {5, 0, 3, 6}}, {"_front", {0, 1, 2, 3}}, {"_right", {1, 4, 7, 2}},
               {"_back", {4, 5, 6, 7}}, {"_top", {5, 4, 1, 0}},   {"_bottom", {3, 2, 7, 6}}};

// Corners turned about Y as GLM turns and scaled; faces on their corners with texture coordinates 0,0 1,0 1,1 0,1.
void ExpectTheTables(const TCubeSquareBladeCollection& cube, double size, double degrees) {
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const glm::dmat4 turn = glm::rotate(glm::dmat4(1.0), glm::radians(degrees), {0, 1, 0});
  ASSERT_EQ(std::pair(cube.VertexPool()->Count(), cube.Count()), std::pair(8, 6));
  for (int i = 0; i < 8; ++i)
    EXPECT_LE(glm::distance(G(CornerOf(cube, i)), glm::dvec3(turn * glm::dvec4(kUnitCorners[i] * size, 1.0))),
              std::sqrt(3.0) * (2e-6 * size + 1e-4))
        << i;
  for (int f = 0; f < 6; ++f) {
    const TCubeSquareBlade* face = cube.GetFaceBlade(f);
    EXPECT_TRUE(face->Suffix() == kFaces[f].suffix && face->GetTexture() == nullptr) << f;
    for (std::size_t k = 0; k < 4; ++k) {
      const int item = kFaces[f].items[k];
      const Vec3 corner = CornerOf(cube, item);
      const TTexturedVertex& v = face->TexturedVertices()[k];
      EXPECT_EQ(std::tuple(face->GetVertexItem(int(k)), face->GetReferenceID(int(k)), face->PositionCache()[k]),
                std::tuple(cube.VertexPool()->Item(item), item, corner));
      EXPECT_EQ(std::tuple(Vec3(v.x, v.y, v.z), v.diffuse, v.tu, v.tv), std::tuple(corner, ~0u, uv[k][0], uv[k][1]));
    }
  }
}

TEST(CubeShape, CornersAndFacesFollowTheTablesAtAnySizeAndRotation) {
  TCubeSquareBladeCollection cube;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> angle(-400.0f, 400.0f);
  std::uniform_real_distribution<float> size(1.0f, 5000.0f);
  for (int round = 0; round < 30; ++round) {
    const float s = size(random);
    const float degrees = angle(random);
    cube.SetSize(s);
    cube.SetRotation(degrees);
    ExpectTheTables(cube, s, degrees);
  }
}

// A container whose layer is a cube.
class CubeContainer : public TSquareBladeCollectionContainer {
 public:
  CubeContainer() : TSquareBladeCollectionContainer(nullptr, LayerOf<TCubeSquareBladeCollection>()) {}
};

// Whatever makes a blade in the cube makes a face: the collection's own Add (which the stream
// reader uses), Insert, its Assign, and a stream.
TEST(CubeFaces, EveryWayOfMakingABladeMakesAFace) {
  const std::pair<const char*, TCollectionItem* (*)(CubeContainer&)> ways[] = {
      {"Add", [](CubeContainer& c) -> TCollectionItem* { return static_cast<TCollection*>(c.Collection())->Add(); }},
      {"Insert", [](CubeContainer& c) -> TCollectionItem* { return c.Collection()->Insert(0); }},
      {"Assign",
       [](CubeContainer& c) -> TCollectionItem* {
         c.Collection()->TCollection::Assign(CubeContainer().Collection());
         return c.Collection()->Blade(5);
       }},
      {"stream", [](CubeContainer& c) -> TCollectionItem* {
         LoadComponentFromBytes(SaveComponentToBytes(CubeContainer()), c);
         return c.Collection()->Blade(5);
       }}};
  for (const auto& [way, make] : ways) {
    CubeContainer cube;
    EXPECT_NE(dynamic_cast<TCubeSquareBlade*>(make(cube)), nullptr) << way;
  }
}

// Seen from the centre (a left-handed look at the face's middle), corners 0..3 run clockwise, as the faces are
// drawn from inside; on the side faces (up +Y) corner 0 is top left and corner 1 top right. Turning keeps it.
TEST(CubeShape, FacesRunClockwiseSeenFromTheCentre) {
  TCubeSquareBladeCollection cube;
  for (float degrees : {0.0f, 33.0f, -120.0f}) {
    cube.SetRotation(degrees);
    for (int f = 0; f < 6; ++f) {
      const TCorners& c = cube.GetFaceBlade(f)->PositionCache();
      const glm::dvec3 middle = (G(c[0]) + G(c[1]) + G(c[2]) + G(c[3])) / 4.0;
      const bool cap = std::fabs(middle.y) > 500;  // top and bottom: up along the view is +Z
      const glm::dmat4 view = glm::lookAtLH(glm::dvec3(0.0), middle, cap ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0));
      glm::dvec2 seen[4];
      for (std::size_t i = 0; i < 4; ++i) {
        const glm::dvec4 e = view * glm::dvec4(G(c[i]), 1.0);
        seen[i] = {e.x / e.z, e.y / e.z};
      }
      double twiceArea = 0;
      for (std::size_t i = 0; i < 4; ++i)
        twiceArea += seen[i].x * seen[(i + 1) % 4].y - seen[(i + 1) % 4].x * seen[i].y;
      EXPECT_LT(twiceArea, 0.0) << f << " at " << degrees;
      EXPECT_TRUE(cap || (seen[0].x < 0 && seen[0].y > 0 && seen[1].x > 0 && seen[1].y > 0)) << f << " at " << degrees;
    }
  }
}

struct LoadFixture {
  RecordingDevice device;
  TCubeSquareBladeCollection cube;
  Progress progress;
  std::vector<std::string> decoded;
  TFaceImageNames names{"p_left.bmp", "p_front.bmp", "p_right.bmp", "p_back.bmp", "p_top.bmp", "p_bottom.bmp"};
  // Face i is 4 + i pixels wide, so that the size taken is seen to be the first face's.
  TFaceImageDecoder reader = [this](const std::string& file, int largestSide) {
    EXPECT_EQ(largestSide, device.MaxTextureSize());
    decoded.push_back(file);
    const int width = 4 + static_cast<int>(decoded.size()) - 1;
    return BgraTextureImage(width, 2, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * 8, 200));
  };
  LoadFixture() {
    cube.OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                             const TProgressRect& rect, const std::string& message) {
      EXPECT_TRUE(sender == &cube && !redraw && rect == TProgressRect{} && message.empty());
      progress.emplace_back(stage, percent);
    };
  }
  void ExpectNoTextures() const {
    EXPECT_FALSE(cube.TexturesLoaded());
    for (int f = 0; f < 6; ++f)
      EXPECT_EQ(cube.GetFaceBlade(f)->GetTexture(), nullptr);
  }
};

TEST(CubeTextures, SixFacesLoadInOrderWithProgress) {
  LoadFixture fx;
  const TTextureLoadResult result = fx.cube.LoadTextures(fx.device, fx.names, fx.reader);
  EXPECT_EQ(std::tuple(result.Loaded, result.FailedFace, fx.cube.TexturesLoaded()), std::tuple(true, -1, true));
  EXPECT_EQ(fx.decoded, std::vector<std::string>(fx.names.begin(), fx.names.end()));
  EXPECT_EQ(fx.device.CallsOf<CreateTextureCall>().at(5)->width, 9);
  EXPECT_EQ(fx.cube.FaceImageSize(), 4);  // the first face's width
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0},
                                   {psRunning, 16},
                                   {psRunning, 32},
                                   {psRunning, 48},
                                   {psRunning, 64},
                                   {psRunning, 80},
                                   {psRunning, 96},
                                   {psEnding, 100}}));
}

TEST(CubeTextures, AReloadReplacesTheTextures) {
  LoadFixture fx;
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  std::weak_ptr<Texture> first = fx.cube.GetFaceBlade(0)->GetTexture();
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  EXPECT_TRUE(first.expired());
}

TEST(CubeTextures, AFaceTheDeviceRefusesIsNamedAndLeavesNoTexture) {
  LoadFixture fx;
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  fx.progress.clear();
  fx.device.ClearLog();
  fx.device.SetTextureLoadFilter([](const std::string& source) { return source != "p_back.bmp"; });
  const TTextureLoadResult failed = fx.cube.LoadTextures(fx.device, fx.names, fx.reader);
  EXPECT_EQ(std::tuple(failed.Loaded, failed.FailedFace, failed.FailedFile), std::tuple(false, 3, "p_back.bmp"));
  EXPECT_NE(failed.Message.find("\"p_back.bmp\""), std::string::npos) << failed.Message;
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0}, {psRunning, 16}, {psRunning, 32}, {psRunning, 48}}));
  EXPECT_EQ(fx.device.CallsOf<CreateTextureCall>().size(), 4u);  // nothing past the failing face
  fx.ExpectNoTextures();
  EXPECT_EQ(fx.cube.FaceImageSize(), 4);  // that of the last good load
}

// An image that cannot be decoded is named with the decoder's reason.
TEST(CubeTextures, AFaceThatCannotBeDecodedIsNamedAndLeavesNoTexture) {
  LoadFixture fx;
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  fx.progress.clear();
  const TFaceImageDecoder unreadable = [](const std::string&, int) -> TextureImage { throw Exception("not an image"); };
  const TTextureLoadResult undecoded = fx.cube.LoadTextures(fx.device, fx.names, unreadable);
  EXPECT_EQ(std::tuple(undecoded.Loaded, undecoded.FailedFace, undecoded.Message),
            std::tuple(false, 0, "not an image"));
  fx.ExpectNoTextures();
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0}}));
}

TEST(CubeDraw, FacesNeedLoadedTextures) {
  LoadFixture fx;
  fx.cube.SetDrawFlags(TCubeSquareBladeCollection::kDrawTextures);
  fx.cube.Draw(fx.device, Material{}, 5);
  EXPECT_TRUE(fx.device.Calls().empty());
}

TEST(CubeDraw, TexturedFacesThenBordersThenPoints) {
  LoadFixture fx;
  Material border;
  border.emissive = {1, 1, 0, 1};
  border.diffuse.a = 1;
  fx.cube.SetRotation(20.0f);
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  fx.device.ClearLog();
  fx.cube.Draw(fx.device, border, 5);
  const auto draws = fx.device.Draws();
  ASSERT_EQ(draws.size(), 18u);
  for (std::size_t f = 0; f < 6; ++f) {  // the faces' textured vertices as they are, then their corners
    const TCubeSquareBlade* face = fx.cube.GetFaceBlade(int(f));
    const std::vector<Vec3> corners(face->PositionCache().begin(), face->PositionCache().end());
    ASSERT_EQ(draws[f]->vertices.size(), sizeof(face->TexturedVertices()));
    EXPECT_EQ(std::memcmp(draws[f]->vertices.data(), face->TexturedVertices().data(), 96), 0) << f;
    EXPECT_EQ(draws[f]->textureIds[0], f + 1);
    EXPECT_EQ(draws[6 + f]->state.material, border);
    EXPECT_EQ(std::pair(draws[6 + f]->Positions(), draws[12 + f]->Positions()), std::pair(corners, corners));
  }
}

TEST(CubeShape, ThereIsNoFacePastTheSixth) {
  const TCubeSquareBladeCollection cube;
  EXPECT_THROW(cube.GetFaceBlade(6), std::out_of_range);
}

}  // namespace
}  // namespace vrel
