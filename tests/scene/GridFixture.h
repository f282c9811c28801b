#pragma once

// A deterministic grid of welded blades, the shape tests and benchmarks share. Blade (column, row)
// covers grid points (column, row) to (column + 1, row + 1); blades meeting at a point share its item.

#include <cstddef>
#include <vector>

#include "scene/DX9Square.h"

namespace vrel::grid {

struct GridShape {
  int Columns = 1, Rows = 1;
  float Spacing = 1.0f;
  Vec3 Origin{};
};

// Corner k of a blade sits at grid point (column + kCornerColumn[k], row + kCornerRow[k]).
inline constexpr int kCornerColumn[4] = {0, 1, 1, 0};
inline constexpr int kCornerRow[4] = {0, 0, 1, 1};

// Heights vary so that neighbours are not all coplanar, on a quarter-unit lattice so that a grid
// with integral spacing and origin is exact in single precision (tests compare positions exactly).
inline Vec3 GridPoint(const GridShape& shape, int column, int row) {
  const float height = static_cast<float>((column * 7 + row * 13) % 5) * 0.25f;
  return {shape.Origin.x + shape.Spacing * static_cast<float>(column), shape.Origin.y + height,
          shape.Origin.z + shape.Spacing * static_cast<float>(row)};
}

inline std::size_t GridPointIndex(const GridShape& shape, int column, int row) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(shape.Columns + 1) + static_cast<std::size_t>(column);
}

// Appends the blades row by row after the layer's own and returns every grid point's item, indexed
// by GridPointIndex. The first blade at a point makes its item; later ones bind to it. Binding does
// not refresh caches, so each blade refreshes its own once bound, as the editing operations do.
inline std::vector<TVertexItem*> BuildWeldedGrid(TSquareBladeCollection& layer, const GridShape& shape) {
  std::vector<TVertexItem*> points(GridPointIndex(shape, 0, shape.Rows + 1), nullptr);
  for (int row = 0; row < shape.Rows; ++row)
    for (int column = 0; column < shape.Columns; ++column) {
      TSquareBlade* blade = layer.Add();
      for (int k = 0; k < 4; ++k) {
        TVertexItem*& point = points[GridPointIndex(shape, column + kCornerColumn[k], row + kCornerRow[k])];
        if (!point) {
          layer.VertexPool()->NewDataFor(blade, k);
          point = blade->GetVertexItem(k);
          point->Vertex()->SetVector(GridPoint(shape, column + kCornerColumn[k], row + kCornerRow[k]));
        }
        blade->SetReference(k, point);  // nothing to do for the corner that just made it
      }
      blade->UpdatePositionCache();
      blade->UpdateSelectedBorderIndices();
    }
  return points;
}

inline void BuildWeldedGridLayers(TSquareBladeCollections& layers, const std::vector<GridShape>& shapes) {
  for (const GridShape& shape : shapes)
    BuildWeldedGrid(*layers.AddLayer(), shape);
}

}  // namespace vrel::grid
