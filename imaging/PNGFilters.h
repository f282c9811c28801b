#pragma once

// The five row filters of PNG images undone: each row of a pass starts with its filter type, and the
// bytes after it are differences from the byte one pixel to the left, the byte above, their mean, or
// the Paeth predictor of left, above and upper left. Bytes left of the row and above the pass's
// first row count as 0.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vrel {

// Undoes filter type `filter` (0 none, 1 Sub, 2 Up, 3 Average, 4 Paeth) on `row` in place, with
// `prior` the row above as it was after its own unfiltering (as long as `row`; zeros for a pass's
// first row) and `bytesPerPixel` the distance to the left neighbour (the bytes of a whole pixel, 1 for
// pixels of less than a byte). Answers false for an unknown filter type, leaving the row as it was.
bool UnfilterPngRow(std::uint8_t filter, std::span<std::uint8_t> row, std::span<const std::uint8_t> prior,
                    std::size_t bytesPerPixel);

}  // namespace vrel
