#pragma once

#include <string>

namespace vrel::fuzz {

// Writes small TIFF files of every layout and compression the TIFF loader reads, and an EPS file
// around one of them, into `folder` (libtiff writes them).
void WriteTiffSeeds(const std::string& folder);

}  // namespace vrel::fuzz
