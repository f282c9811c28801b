#include "scene/DX9VertexPicker.h"

#include <cmath>

#include "platform/D3DMath.h"

namespace vrel {

void TVertexPicker::Reset() {
  points_.clear();
  result_.Clear();
  firstIndex_ = -1;
  startIndex_ = -1;
  endIndex_ = -1;
  best_ = Candidate{};
}

bool TVertexPicker::Pick(std::span<TVertexItem* const> items, TVertexItem* first) {
  Reset();
  for (TVertexItem* item : items) {
    if (!item)
      continue;
    TVertexItemPoint point;
    point.Item = item;
    point.Position = item->Vertex()->GetVector();
    point.Direction = -Vec3Normalize(point.Position);
    if (item == first && firstIndex_ < 0)
      firstIndex_ = static_cast<int>(points_.size());
    points_.push_back(point);
  }
  if (!FindStartEdge() || !EmitOrder()) {
    result_.Clear();
    return false;
  }
  return true;
}

bool TVertexPicker::FindStartEdge() {
  const int n = static_cast<int>(points_.size());
  for (int s = 0; s < n; ++s) {
    const int a = firstIndex_ >= 0 ? (firstIndex_ + s) % n : s;
    const Vec3 pa = points_[static_cast<std::size_t>(a)].Position;
    for (int b = 0; b < n; ++b) {
      if (b == a)
        continue;
      const Vec3 pb = points_[static_cast<std::size_t>(b)].Position;
      const Vec3 e = Vec3Normalize(pb - pa);
      bool inner = true;
      for (int c = 0; c < n && inner; ++c) {
        if (c == a || c == b)
          continue;
        const TVertexItemPoint& pc = points_[static_cast<std::size_t>(c)];
        const Vec3 f = Vec3Normalize(pc.Position - pb);
        inner = Vec3Dot(pc.Direction, Vec3Cross(e, f)) >= 0.0f;
      }
      if (inner) {
        startIndex_ = a;
        endIndex_ = b;
        return true;
      }
    }
  }
  return false;
}

void TVertexPicker::Emit(int index) {
  TVertexItemPoint& point = points_[static_cast<std::size_t>(index)];
  point.Used = true;
  result_.Add(point.Item);
}

bool TVertexPicker::EmitOrder() {
  Emit(startIndex_);
  Emit(endIndex_);
  const Vec3 pa = points_[static_cast<std::size_t>(startIndex_)].Position;
  const Vec3 pb = points_[static_cast<std::size_t>(endIndex_)].Position;
  const Vec3 e = Vec3Normalize(pb - pa);
  best_ = Candidate{};
  for (int c = 0; c < static_cast<int>(points_.size()); ++c) {
    const TVertexItemPoint& point = points_[static_cast<std::size_t>(c)];
    if (point.Used)
      continue;
    const Vec3 toC = point.Position - pb;
    const float cosine = Vec3Dot(e, Vec3Normalize(toC));
    const float distance = Vec3Length(toC);
    const bool better =
        cosine > best_.Cosine + 1e-6f || (std::fabs(cosine - best_.Cosine) <= 1e-6f && distance < best_.Distance);
    if (better)
      best_ = Candidate{cosine, distance, c};
  }
  if (best_.Index < 0)
    return false;
  Emit(best_.Index);
  for (int c = 0; c < static_cast<int>(points_.size()); ++c)
    if (!points_[static_cast<std::size_t>(c)].Used)
      Emit(c);
  return true;
}

}  // namespace vrel
