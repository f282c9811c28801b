#pragma once

// A deterministic grid of welded blades. Blade (column, row) covers the grid points (column, row) to
// (column + 1, row + 1); blades that meet at a grid point share that point's pool item, as blades
// welded in the editor do. Tests and benchmarks build their models from it, so both work on the
// same shape.

#include <cstddef>
#include <vector>

#include "scene/DX9Square.h"

namespace vrel::grid {

struct GridShape {
  int Columns = 1;
  int Rows = 1;
  float Spacing = 1.0f;
  Vec3 Origin{};
};

// Corner k of a blade sits at grid point (column + kCornerColumn[k], row + kCornerRow[k]).
inline constexpr int kCornerColumn[4] = {0, 1, 1, 0};
inline constexpr int kCornerRow[4] = {0, 0, 1, 1};

// Heights vary a little so that neighbouring blades are not all coplanar, and stay on a
// quarter-unit lattice so that every coordinate of a grid with integral spacing and origin is exact
// in single precision (tests compare positions exactly).
inline Vec3 GridPoint(const GridShape& shape, int column, int row) {
  const float height = static_cast<float>((column * 7 + row * 13) % 5) * 0.25f;
  return {shape.Origin.x + shape.Spacing * static_cast<float>(column), shape.Origin.y + height,
          shape.Origin.z + shape.Spacing * static_cast<float>(row)};
}

inline std::size_t GridPointIndex(const GridShape& shape, int column, int row) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(shape.Columns + 1) + static_cast<std::size_t>(column);
}

// Appends Columns x Rows blades to `layer`, row by row (blade (column, row) lands at
// row * Columns + column after the blades the layer already had), and returns the pool item of
// every grid point, indexed by GridPointIndex. The first blade that reaches a point makes its item
// (NewDataFor on that corner, then the point's position); every later blade binds its corner to the
// same item. Binding does not refresh a blade's caches, so each blade refreshes its own once its
// four corners are bound, as the editing operations do.
inline std::vector<TVertexItem*> BuildWeldedGrid(TSquareBladeCollection& layer, const GridShape& shape) {
  std::vector<TVertexItem*> points(GridPointIndex(shape, 0, shape.Rows + 1), nullptr);
  TVertexItemCollection* pool = layer.VertexPool();
  for (int row = 0; row < shape.Rows; ++row) {
    for (int column = 0; column < shape.Columns; ++column) {
      TSquareBlade* blade = layer.Add();
      for (int k = 0; k < 4; ++k) {
        const int pointColumn = column + kCornerColumn[k];
        const int pointRow = row + kCornerRow[k];
        TVertexItem*& point = points[GridPointIndex(shape, pointColumn, pointRow)];
        if (point) {
          blade->SetReference(k, point);
          continue;
        }
        pool->NewDataFor(blade, k);
        point = blade->GetVertexItem(k);
        point->Vertex()->SetVector(GridPoint(shape, pointColumn, pointRow));
      }
      blade->UpdatePositionCache();
      blade->UpdateSelectedBorderIndices();
    }
  }
  return points;
}

// A layer set holding one welded grid layer per entry of `shapes`.
inline void BuildWeldedGridLayers(TSquareBladeCollections& layers, const std::vector<GridShape>& shapes) {
  for (const GridShape& shape : shapes) BuildWeldedGrid(*layers.AddLayer(), shape);
}

}  // namespace vrel::grid
