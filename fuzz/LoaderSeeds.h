#pragma once

#include <string>

namespace vrel::fuzz {

// Writes small valid pictures for each loader target into <root>/<format>_fuzz.
void WriteLoaderSeeds(const std::string& root);

}  // namespace vrel::fuzz
