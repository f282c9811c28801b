#pragma once

// Orders three or four free vertices into the corner order of a new blade: the polygon winds the
// same way for every blade as seen from the origin (the centre of the panorama, where the viewer
// stands), and it starts at a chosen vertex when one is given.

#include <span>
#include <vector>

#include "platform/Vector3.h"
#include "scene/DX9Square.h"

namespace vrel {

struct TVertexItemPoint {
  TVertexItem* Item = nullptr;
  Vec3 Position;
  bool Used = false;
  Vec3 Direction;  // towards the origin: minus the normalised position
};

class TVertexPicker {
 public:
  // Orders `items`, starting at `first` when it is among them. False when no order is found (as
  // with fewer than three points); the result is then empty.
  bool Pick(std::span<TVertexItem* const> items, TVertexItem* first = nullptr);
  const TVertexItemList& Result() const { return result_; }

 private:
  struct Candidate {
    float Cosine = -1.0f;
    float Distance = 2147483648.0f;
    int Index = -1;
  };

  void Reset();
  // The first edge a -> b with every other point on its inner side as seen from the origin.
  bool FindStartEdge();
  bool EmitOrder();
  void Emit(int index);

  std::vector<TVertexItemPoint> points_;
  TVertexItemList result_;
  int firstIndex_ = -1;
  int startIndex_ = -1;
  int endIndex_ = -1;
  Candidate best_;
};

}  // namespace vrel
