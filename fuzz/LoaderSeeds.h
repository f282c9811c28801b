#pragma once

#include <string>

namespace vrel::fuzz {

// Writes small valid Photoshop, Paint Shop Pro and RLA files (and a Photo-CD head) for the planar
// loaders target into `folder`, each behind the target's two bytes.
void WriteLoaderSeeds(const std::string& folder);

}  // namespace vrel::fuzz
