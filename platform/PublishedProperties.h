#pragma once

// Walking an object's published properties: every property of chosen kinds, nested owned objects and
// collection items included, in the order the framework's property lists give them.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "platform/Classes.h"
#include "platform/TypInfo.h"

namespace vrel {

// A set of property kinds.
class TTypeKinds {
 public:
  constexpr TTypeKinds() = default;
  constexpr TTypeKinds(std::initializer_list<TTypeKind> kinds) {
    for (TTypeKind kind : kinds)
      bits_ |= Bit(kind);
  }
  static constexpr TTypeKinds All() {
    TTypeKinds all;
    all.bits_ = Bit(TTypeKind::Method) * 2 - 1;
    return all;
  }
  constexpr TTypeKinds Without(TTypeKind kind) const {
    TTypeKinds out = *this;
    out.bits_ &= ~Bit(kind);
    return out;
  }
  constexpr bool Contains(TTypeKind kind) const { return (bits_ & Bit(kind)) != 0; }

 private:
  static constexpr uint32_t Bit(TTypeKind kind) { return uint32_t{1} << static_cast<unsigned>(kind); }
  uint32_t bits_ = 0;
};

using TPropertyCallback = std::function<void(TPersistent& object, const TPropInfo& prop)>;

// Calls `callback` for every published property of `object` whose kind is in `kinds`, in order of
// name (case-insensitive); after a property whose value is an owned object, walks that object the
// same way, and when it is a collection, each of its items in index order.
void ForEachPublishedProperty(TPersistent& object, TTypeKinds kinds, const TPropertyCallback& callback);

// True when ForEachPublishedProperty over every kind but events meets a property called exactly
// `name` (case-sensitive), on the object itself, a nested object or a collection item.
bool HasProperty(TPersistent& object, std::string_view name);

}  // namespace vrel
