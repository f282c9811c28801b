#include "files/FMSSceneWriter.h"

#include "files/VrelPanoFiler.h"
#include "platform/Cp932.h"
#include "platform/NumberFormat.h"
#include "scene/DX9Cube.h"
#include "scene/DX9CubeRiders.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

// How far the clear polygon over a re-cut piece stands in front of it, so that it hides the piece's
// slices behind it instead of fighting with them for depth.
constexpr float kFinClearOffset = 0.03f;

Currency AddCount(Currency value, int64_t delta) {
  int64_t sum = 0;
  if (__builtin_add_overflow(value.Count(), delta, &sum)) {
    throw Exception("The aircraft height " + FormatCurrency(value, 4) + " is beyond what a scene file can hold");
  }
  return Currency::FromCount(sum);
}

void AppendQuadLines(TSceneLines& lines, const std::array<TTexturedVertex, 4>& vertices, const TVrelPanoFiler& filer) {
  for (const TTexturedVertex& v : ReverseVertices(SwapVerticesYZ(vertices))) {
    lines.push_back(TexturedVertexLine(filer.MapTexCoord(v.tu), filer.MapTexCoord(v.tv), v));
  }
}

}  // namespace

std::string TexturedVertexLine(float u, float v, const TTexturedVertex& vertex) {
  std::string line = FormatFixed(u, 4);
  line += ' ';
  line += FormatFixed(v, 4);
  for (const float c : {vertex.x, vertex.y, vertex.z}) {
    line += ' ';
    line += FormatFixed(RoundDigits(c, 4), 4);
  }
  return line;
}

std::vector<std::string> FaceTextureNames(const TVrelPanoFiler& filer) {
  const std::vector<std::string>& images = filer.ImageNames();
  if (images.size() < static_cast<std::size_t>(kCubeFaceCount)) {
    throw Exception("６面の画像ファイルが指定されていません。");
  }
  std::vector<std::string> names;
  for (int face = 0; face < kCubeFaceCount; ++face) {
    const std::string name = PathWithoutExtension(PathFileName(images[static_cast<std::size_t>(face)]));
    if (!Utf8FitsCp932(name) || HasControlCharacter(name)) {
      throw Exception(FormatMessage("画像ファイル名 %s にはシーンファイルに書けない文字があります。", {name}));
    }
    names.push_back(Utf8ToCp932(name));
  }
  return names;
}

std::vector<const TSquareBlade*> ExportedBlades(const TVrelPanoFiler& filer, const TSquareBladeCollections& layers) {
  return ExportedBlades(layers, filer.ExportAll());
}

std::vector<const TSquareBlade*> ExportedBlades(const TSquareBladeCollections& layers, bool all) {
  std::vector<const TSquareBlade*> blades;
  for (int i = 0; i < layers.Count(); ++i) {
    const TSquareBladeCollection* layer = layers.GetLayer(i);
    if (!all && !layer->Visible())
      continue;
    for (int j = 0; j < layer->Count(); ++j) {
      const TSquareBlade* blade = layer->Blade(j);
      if (all || blade->Visible())
        blades.push_back(blade);
    }
  }
  return blades;
}

void RideTexturedBlades(TCubeRider& rider, const TCubeSquareBladeCollection& cube,
                        const std::vector<const TSquareBlade*>& blades) {
  rider.Clone()->Assign(&cube);
  for (const TSquareBlade* blade : blades) {
    if (blade->DrawTexture())
      rider.AddQuad(*blade);
  }
  rider.Finish();
}

void WriteAircraftLines(const TFMSDataHolder& data, TSceneLines& lines) {
  lines.push_back("AIRCRAFT_POSITION  " + FormatCurrency(data.AirCraftX(), 2) + "  " +
                  FormatCurrency(data.AirCraftY(), 2) + "  " + FormatCurrency(data.AirCraftZ(), 2) + "  " +
                  FormatCurrency(AddCount(data.AirCraftZ(), Currency::kScale), 2));
  lines.emplace_back("PILOT_POSITION      0  0  0  FIXED");
}

void WriteClearPolygons(const std::vector<const TSquareBlade*>& blades, TSceneLines& lines) {
  lines.emplace_back();
  lines.emplace_back("QUADS");
  bool first = true;
  for (const TSquareBlade* blade : blades) {
    if (blade->DrawTexture())
      continue;
    if (first) {
      lines.emplace_back();
      lines.emplace_back("// clear polygon");
      first = false;
    }
    lines.push_back(AppendCornersText(SwapCornersYZ(blade->GetVertices())));
  }
}

void WriteClearFinPolygons(const TCubeRider& rider, TSceneLines& lines) {
  const TCubeRiderBladeCollections& pieces = *rider.Pieces();
  if (pieces.TotalCount() == 0)
    return;
  lines.emplace_back();
  lines.emplace_back("// clear polygon over the fin");
  for (int face = 0; face < kCubeFaceCount; ++face) {
    const TCubeRiderBladeCollection& set = *pieces.GetFace(face);
    for (int j = 0; j < set.Count(); ++j) {
      const TCubeRiderBlade& piece = *set.Blade(j);
      if (!piece.Flag())
        continue;
      lines.push_back(
          AppendCornersText(SwapCornersYZ(OffsetCornersAlongNormal(piece.GetPositions(), kFinClearOffset))));
    }
  }
}

void WriteTexturePolygons(const TVrelPanoFiler& filer, const TCubeSquareBladeCollection& cube, const TCubeRider& rider,
                          const std::vector<std::string>& faceNames, TSceneLines& lines) {
  lines.emplace_back();
  lines.emplace_back("LIGHTNING OFF");
  lines.emplace_back();
  lines.emplace_back("// u v x y z");
  for (int face = 0; face < kCubeFaceCount; ++face) {
    lines.emplace_back();
    lines.push_back("TEXTURE " + faceNames.at(static_cast<std::size_t>(face)));
    // The face itself reaches exactly to the texel insets.
    for (const TTexturedVertex& v : ReverseVertices(SwapVerticesYZ(cube.GetFaceBlade(face)->TexturedVertices()))) {
      const float u = v.tu == 0.0f ? filer.TexelLow() : filer.TexelHigh();
      const float w = v.tv == 0.0f ? filer.TexelLow() : filer.TexelHigh();
      lines.push_back(TexturedVertexLine(u, w, v));
    }

    const TCubeRiderBladeCollection& pieces = *rider.Pieces()->GetFace(face);
    bool first = true;
    for (int j = 0; j < pieces.Count(); ++j) {
      const TCubeRiderBlade& piece = *pieces.Blade(j);
      if (piece.Flag())
        continue;  // replaced by its slices
      if (first) {
        lines.emplace_back();
        lines.emplace_back("// texture polygon");
        first = false;
      }
      AppendQuadLines(lines, piece.Vertices(), filer);
    }

    const TCubeRiderBladeCollection& slices = *rider.Slices()->GetFace(face);
    if (slices.Count() > 0) {
      lines.emplace_back();
      lines.emplace_back("// texture fin polygon");
      for (int j = 0; j < slices.Count(); ++j)
        AppendQuadLines(lines, slices.Blade(j)->Vertices(), filer);
    }
  }
}

void WriteVistaQuad(const TFMSDataHolder& data, TSceneLines& lines) {
  lines.emplace_back();
  lines.emplace_back("// for windows vista");
  lines.emplace_back("TEXTURE fms_vista");
  const std::string z = FormatCurrency(AddCount(data.AirCraftZ(), -Currency::kScale), 2);
  const std::pair<const char*, const char*> signs[] = {{" -", " -"}, {" -", "  "}, {"  ", "  "}, {"  ", " -"}};
  for (const auto& [first, second] : signs) {
    lines.push_back(std::string("0 ") + "254" + first + "1" + second + "1" + "  " + z);
  }
}

void WriteSceneEnd(TSceneLines& lines) {
  lines.emplace_back();
  lines.emplace_back("END");
}

TSceneLines SceneFileLines(TVrelPanoFiler& filer, const TSquareBladeCollections& layers,
                           const TCubeSquareBladeCollection& cube) {
  // Loaded faces decide the texel insets. Without them a scene keeps those its file has, so that
  // saving it unchanged changes no texture coordinate; a new one takes those of the default size.
  if (cube.TexturesLoaded()) {
    filer.SetTextureSize(cube.FaceImageSize());
  } else if (filer.SceneTexelInsets()) {
    filer.SetTexelInsets(*filer.SceneTexelInsets());
  } else {
    filer.SetTextureSize(kDefaultTextureSize);
  }
  // Names are checked before any text is made, so a refused name leaves nothing half done.
  const std::vector<std::string> faceNames = FaceTextureNames(filer);

  TSceneLines lines;
  filer.WriteSceneHeader(lines);
  lines.at(2) = "// FMS version 2.8 scene file created by vrel.exe";
  lines.at(4) = "// Line sf_SceneType .. sf_TextureBasename, vrel.exe read it, please do not change.";
  WriteAircraftLines(*filer.FMSData(), lines);

  const std::vector<const TSquareBlade*> blades = ExportedBlades(filer, layers);
  WriteClearPolygons(blades, lines);

  TCubeRider rider;
  RideTexturedBlades(rider, cube, blades);

  WriteClearFinPolygons(rider, lines);
  WriteTexturePolygons(filer, cube, rider, faceNames, lines);
  WriteVistaQuad(*filer.FMSData(), lines);
  WriteSceneEnd(lines);
  return lines;
}

std::string JoinSceneLines(const TSceneLines& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines)
    size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace vrel
