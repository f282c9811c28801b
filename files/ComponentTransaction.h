#pragma once

// Reading a component stream so that the document either takes the whole stream or stays as it
// was. Opening, undo and redo, and paste read into a fresh object of the target's class; only when
// the read and every Loaded call have succeeded is the fresh object taken over by the target.

#include <functional>
#include <memory>
#include <string_view>

#include "platform/Classes.h"

namespace vrel {

// A new, ownerless component of `like`'s class, made by the class's registered factory. Raises
// EClassNotFound when the class has none.
std::unique_ptr<TComponent> NewComponentLike(const TComponent& like);

// The target takes over what a stream gave `fresh` (TComponent::TakeOver), then its name and tag;
// then the target's Loaded runs again, so that whatever it binds after streaming (corner references,
// caches, selection lists) is bound to its own objects.
void TakeOverComponent(TComponent& target, const TComponent& fresh);

// Reads a whole stream (signature and record) into a fresh object like `target` (which starts with
// the target's tag, since a zero tag is not written), runs `prepare` on it first when given
// (TStateComponent::ClearState, for instance), then TakeOverComponent. On any error the exception
// goes to the caller and `target` is untouched.
void LoadComponentTransactional(std::string_view bytes, TComponent& target,
                                const std::function<void(TComponent&)>& prepare = {});

}  // namespace vrel
