#pragma once

// The check a PNG file passes before the window system's decoder sees it: the signature, an IHDR
// chunk first, every chunk inside the file with its CRC right, an IEND chunk, and image data enough
// for the size IHDR promises. A cut-off or damaged file is refused instead of being padded.

#include <cstdint>
#include <span>

namespace vrel {

// Raises EInvalidGraphic naming what is wrong.
void CheckPngFile(std::span<const std::uint8_t> file);

}  // namespace vrel
