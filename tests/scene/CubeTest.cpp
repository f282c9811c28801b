// The panorama cube: its corner and face tables, turning and growing, face textures and drawing.
#include <gtest/gtest.h>

#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/RecordingDevice.h"
#include "scene/DX9Cube.h"

namespace vrel {
namespace {

glm::dvec3 G(const Vec3& v) { return {v.x, v.y, v.z}; }
Vec3 CornerOf(const TCubeSquareBladeCollection& cube, int i) { return cube.VertexPool()->Item(i)->Vertex()->GetVector(); }
using Progress = std::vector<std::pair<TProgressStage, int>>;

// The tables written out rather than computed; a face lies at coordinate `axis` = sign * size.
const glm::dvec3 kUnitCorners[8] = {{-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1},
                                    {1, 1, 1},   {1, 1, -1}, {1, -1, -1}, {1, -1, 1}};
const struct {
  const char* suffix;
  int items[4], axis;
  double sign;
} kFaces[6] = {{"_left", {5, 0, 3, 6}, 2, -1}, {"_front", {0, 1, 2, 3}, 0, -1}, {"_right", {1, 4, 7, 2}, 2, 1},
               {"_back", {4, 5, 6, 7}, 0, 1},  {"_top", {5, 4, 1, 0}, 1, 1},    {"_bottom", {3, 2, 7, 6}, 1, -1}};

// Corners at the table's, turned about Y (GLM's x' = x cos + z sin, z' = -x sin + z cos) and scaled by the size;
// faces on the table's corners in order with their suffix, no texture, and texture coordinates (0,0) (1,0) (1,1)
// (0,1) at corners 0..3.
void ExpectTheTables(const TCubeSquareBladeCollection& cube, double size, double degrees) {
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const glm::dmat4 turn = glm::rotate(glm::dmat4(1.0), glm::radians(degrees), {0, 1, 0});
  ASSERT_EQ(std::pair(cube.VertexPool()->Count(), cube.Count()), std::pair(8, 6));
  for (int i = 0; i < 8; ++i)
    EXPECT_LE(glm::distance(G(CornerOf(cube, i)), glm::dvec3(turn * glm::dvec4(kUnitCorners[i] * size, 1.0))),
              std::sqrt(3.0) * (2e-6 * size + 1e-4)) << i;
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

TEST(CubeShape, CornersAndFacesSeenClockwiseFromTheCentreTurnAboutYAndGrowWithSizeAndNoiseChangesNothing) {
  TCubeSquareBladeCollection cube;
  EXPECT_EQ(std::tuple(cube.Size(), cube.Rotation(), cube.FaceImageSize(), int(cube.DrawFlags())),
            std::tuple(1000.f, 0.f, 2048, 7));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(G(CornerOf(cube, i)), kUnitCorners[i] * 1000.0);
  ExpectTheTables(cube, 1000, 0);
  for (int f = 0; f < 6; ++f) {
    const TCorners& c = cube.GetFaceBlade(f)->PositionCache();
    // Corners 0..3 run clockwise for a left-handed look from the centre; on the side faces (up is +Y) corner 0
    // is top left and corner 1 top right.
    const glm::dmat4 view = glm::lookAtLH(glm::dvec3(0.0), (G(c[0]) + G(c[1]) + G(c[2]) + G(c[3])) / 4.0,
                                          kFaces[f].axis == 1 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0));
    glm::dvec2 seen[4];
    double twiceArea = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(G(c[i])[kFaces[f].axis], kFaces[f].sign * 1000.0) << f;
      const glm::dvec4 e = view * glm::dvec4(G(c[i]), 1.0);
      seen[i] = {e.x / e.z, e.y / e.z};
    }
    for (std::size_t i = 0; i < 4; ++i) twiceArea += seen[i].x * seen[(i + 1) % 4].y - seen[(i + 1) % 4].x * seen[i].y;
    EXPECT_LT(twiceArea, 0.0) << f;
    EXPECT_TRUE(kFaces[f].axis == 1 || (seen[0].x < 0 && seen[0].y > 0 && seen[1].x > 0 && seen[1].y > 0)) << f;
  }
  cube.SetRotation(90.0f);
  EXPECT_LE(glm::distance(G(CornerOf(cube, 0)), glm::dvec3(-1000, 1000, 1000)), 1e-3);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> angle(-400.0f, 400.0f), size(1.0f, 5000.0f);
  for (int round = 0; round < 30; ++round) {
    const float s = size(random), degrees = angle(random);
    cube.SetSize(s);
    cube.SetRotation(degrees);
    ExpectTheTables(cube, s, degrees);
  }
  struct Counter {
    int count = 0;
    void Changed(TObject*) { ++count; }
  } counter;
  cube.SetSize(250.0f); cube.SetRotation(12.5f);
  const Vec3 before = CornerOf(cube, 6);
  cube.VertexPool()->OnChange = TNotifyEvent::Of<&Counter::Changed>(&counter);
  cube.SetSize(250.0f); cube.SetRotation(12.5f); cube.SetSize(std::nanf("")); cube.SetRotation(INFINITY);
  EXPECT_EQ(std::tuple(counter.count, cube.Size(), cube.Rotation(), CornerOf(cube, 6)), std::tuple(0, 250.f, 12.5f, before));
  cube.SetRotation(13.0f);  // the probe does hear a real change
  EXPECT_GT(counter.count, 0);
  cube.VertexPool()->OnChange = {};
}

struct LoadFixture {
  RecordingDevice device;
  TCubeSquareBladeCollection cube;
  Progress progress;
  std::vector<std::string> widthAsked;
  TFaceImageNames names{"p_left.bmp", "p_front.bmp", "p_right.bmp", "p_back.bmp", "p_top.bmp", "p_bottom.bmp"};
  TImageWidthReader reader = [this](const std::string& file) { widthAsked.push_back(file); return 1024; };
  LoadFixture() {
    cube.OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw, const TProgressRect& rect,
                             const std::string& message) {
      EXPECT_TRUE(sender == &cube && !redraw && rect == TProgressRect{} && message.empty());
      progress.emplace_back(stage, percent);
    };
  }
  void ExpectNoTextures() const {
    EXPECT_FALSE(cube.TexturesLoaded());
    for (int f = 0; f < 6; ++f) EXPECT_EQ(cube.GetFaceBlade(f)->GetTexture(), nullptr);
  }
};

TEST(CubeTextures, SixFacesLoadWithProgressAReloadReplacesThemAndFailuresAreNamedLeavingNoTexture) {
  LoadFixture fx;
  const TTextureLoadResult result = fx.cube.LoadTextures(fx.device, fx.names, fx.reader);
  EXPECT_EQ(std::tuple(result.Loaded, result.FailedFace, fx.cube.TexturesLoaded(), fx.cube.FaceImageSize()),
            std::tuple(true, -1, true, 1024));
  EXPECT_EQ(fx.widthAsked, std::vector<std::string>{"p_left.bmp"});
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0}, {psRunning, 16}, {psRunning, 32}, {psRunning, 48}, {psRunning, 64},
                                   {psRunning, 80}, {psRunning, 96}, {psEnding, 100}}));
  for (int f = 0; f < 6; ++f) {
    auto texture = std::dynamic_pointer_cast<RecordedTexture>(fx.cube.GetFaceBlade(f)->GetTexture());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Source(), fx.names[std::size_t(f)]);
  }
  std::weak_ptr<Texture> first = fx.cube.GetFaceBlade(0)->GetTexture();
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  EXPECT_TRUE(first.expired());
  fx.cube.ReleaseTextures();
  fx.ExpectNoTextures();
  fx.progress.clear(); fx.device.ClearLog();
  fx.device.SetTextureLoadFilter([](const std::string& source) { return source != "p_back.bmp"; });
  const TTextureLoadResult failed = fx.cube.LoadTextures(fx.device, fx.names, fx.reader);
  EXPECT_EQ(std::tuple(failed.Loaded, failed.FailedFace, failed.FailedFile), std::tuple(false, 3, std::string("p_back.bmp")));
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0}, {psRunning, 16}, {psRunning, 32}, {psRunning, 48}}));
  EXPECT_EQ(fx.device.CallsOf<CreateTextureCall>().size(), 4u);  // nothing past the failing face
  fx.ExpectNoTextures();
  // An unreadable first image raises, and leaves no texture either.
  fx.device.SetTextureLoadFilter(nullptr);
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  fx.progress.clear();
  EXPECT_THROW(fx.cube.LoadTextures(fx.device, fx.names, [](const std::string&) -> int32_t { throw std::runtime_error(""); }),
               std::runtime_error);
  fx.ExpectNoTextures();
  EXPECT_EQ(fx.progress, (Progress{{psStarting, 0}}));
}

TEST(CubeDraw, TexturedFacesThenBordersThenPointsEachByItsFlag) {
  LoadFixture fx;
  Material border;
  border.emissive = {1, 1, 0, 1}; border.diffuse.a = 1;
  fx.cube.SetDrawFlags(TCubeSquareBladeCollection::kDrawTextures);
  fx.cube.Draw(fx.device, border, 5);
  EXPECT_TRUE(fx.device.Calls().empty());  // faces need loaded textures
  fx.cube.SetRotation(20.0f); fx.cube.SetDrawFlags(7);
  ASSERT_TRUE(fx.cube.LoadTextures(fx.device, fx.names, fx.reader).Loaded);
  fx.device.ClearLog();
  fx.cube.Draw(fx.device, border, 5);
  std::string expected = "SetRenderState ZENABLE 1\nSetRenderState LIGHTING 0\nSetRenderState ALPHABLENDENABLE 0\n"
                         "SetFVF XYZ|DIFFUSE|TEX1\n";
  for (std::size_t f = 0; f < 6; ++f)
    expected += "SetTexture 0 #" + std::to_string(f + 1) + " " + fx.names[f] +
                "\nDrawIndexedPrimitiveUP TRIANGLESTRIP 2 XYZ|DIFFUSE|TEX1 vertices 0+4 indices 0 1 3 2\n";
  const std::string lit = "SetRenderState ZENABLE 1\nSetRenderState LIGHTING 1\nSetRenderState ALPHABLENDENABLE 0\n";
  const std::string yellow =
      "SetFVF XYZ\nSetMaterial diffuse 0 0 0 1 ambient 0 0 0 0 specular 0 0 0 0 emissive 1 1 0 1 power 0\n";
  expected += "SetTexture 0 null\n" + lit + yellow;
  for (int f = 0; f < 6; ++f) expected += "DrawIndexedPrimitiveUP LINESTRIP 4 XYZ vertices 0+4 indices 0 1 2 3 0\n";
  expected += lit + "SetRenderState POINTSIZE 5\n" + yellow;
  for (int f = 0; f < 6; ++f) expected += "DrawPrimitiveUP POINTLIST 4 XYZ\n";
  EXPECT_EQ(fx.device.LogText(), expected);
  const auto draws = fx.device.Draws();
  ASSERT_EQ(draws.size(), 18u);
  for (std::size_t f = 0; f < 6; ++f) {  // the faces' textured vertices, then their corners
    const TCubeSquareBlade* face = fx.cube.GetFaceBlade(int(f));
    const std::vector<Vec3> corners(face->PositionCache().begin(), face->PositionCache().end());
    const auto textured = draws[f]->VerticesAs<TTexturedVertex>();
    for (std::size_t k = 0; k < 4; ++k) {
      const TTexturedVertex &a = textured[k], &b = face->TexturedVertices()[k];
      EXPECT_EQ(std::tuple(a.x, a.y, a.z, a.diffuse, a.tu, a.tv), std::tuple(b.x, b.y, b.z, b.diffuse, b.tu, b.tv));
    }
    EXPECT_EQ(std::pair(draws[6 + f]->Positions(), draws[12 + f]->Positions()), std::pair(corners, corners));
  }
  // Each flag alone draws its part; a failed load still draws borders and points.
  for (auto [flag, type] : {std::pair{1, PrimitiveType::PointList}, {2, PrimitiveType::LineStrip}, {4, PrimitiveType::TriangleStrip}}) {
    fx.device.ClearLog(); fx.cube.SetDrawFlags(uint8_t(flag)); fx.cube.Draw(fx.device, border, 5);
    ASSERT_EQ(fx.device.Draws().size(), 6u);
    for (const DrawCall* d : fx.device.Draws()) EXPECT_EQ(d->type, type);
  }
  fx.device.SetTextureLoadFilter([](const std::string& source) { return source != "p_top.bmp"; });
  fx.cube.LoadTextures(fx.device, fx.names, fx.reader);
  fx.cube.SetDrawFlags(7); fx.device.ClearLog(); fx.cube.Draw(fx.device, border, 3);
  EXPECT_EQ(fx.device.Draws().size(), 12u);
  for (const DrawCall* d : fx.device.Draws()) EXPECT_NE(d->type, PrimitiveType::TriangleStrip);
  TVertex vertex;  // only layers are assigned; the faces stay six
  EXPECT_THROW(fx.cube.Assign(&vertex), EConvertError);
  EXPECT_THROW(fx.cube.GetFaceBlade(6), std::out_of_range);
}

}  // namespace
}  // namespace vrel
