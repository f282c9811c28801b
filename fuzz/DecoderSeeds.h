#pragma once

#include <string>

namespace vrel::fuzz {

// Writes valid inputs for every decoder of the decoders target into `folder`.
void WriteDecoderSeeds(const std::string& folder);

}  // namespace vrel::fuzz
