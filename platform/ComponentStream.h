#pragma once

// Component streams: a component, its published properties and its child components as one
// self-describing "TPF0" record. Object files, the blade clipboard, undo snapshots and settings
// values all use it.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"
#include "platform/StreamIO.h"

namespace vrel {

// Writes the properties of `instance` (a component, collection item or nested object) with `prefix`
// in front of each name. `root` is the component whose published methods name event handlers.
void WriteProperties(StreamWriter& writer, const TPersistent& instance, const std::string& prefix, TComponent* root);

// Writes `component` as a record (no signature): class, name, properties, children.
void WriteComponent(StreamWriter& writer, const TComponent& component, TComponent* root);

// Signature and record; `root` defaults to the component itself.
std::string SaveComponentToBytes(const TComponent& component, TComponent* root = nullptr);

// Reads a record into `target`, then calls Loaded on every component read, first to last. On error
// raises the reader's exception and leaves `target` partly filled: callers that must not change the
// document read into a fresh object first and take it over only when the whole read succeeded.
// The objects made are charged to the budget of the bytes given, or to `budget` when several
// reads share one (the records of a file).
void LoadComponentFromBytes(std::string_view bytes, TComponent& target);
void LoadComponentFromBytes(std::string_view bytes, TComponent& target, TReadBudget& budget);
void ReadComponent(StreamReader& reader, TComponent& target);
void ReadComponent(StreamReader& reader, TComponent& target, TReadBudget& budget);

}  // namespace vrel
