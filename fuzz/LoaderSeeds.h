#pragma once

#include <string>

namespace vrel::fuzz {

// Writes small valid pictures for each loader target into <root>/<target>: one folder per format for
// the single-format targets, and the planar loaders' files behind the target's two bytes.
void WriteLoaderSeeds(const std::string& root);

}  // namespace vrel::fuzz
