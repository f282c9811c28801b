#include "imaging/PNGFilters.h"

#include <cstdlib>
#include <stdexcept>

namespace vrel {

namespace {

inline std::uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc)
    return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The filters with the pixel size known at compile time (0: given at run time), so that the channels
// of one pixel are worked on side by side.
template <std::size_t Fixed>
void Unfilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
              std::size_t runtimeBpp) {
  const std::size_t bpp = Fixed ? Fixed : runtimeBpp;
  const std::size_t first = bpp < size ? bpp : size;
  switch (filter) {
    case 1:
      for (std::size_t i = bpp; i < size; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
      return;
    case 2:
      for (std::size_t i = 0; i < size; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
      return;
    case 3:
      for (std::size_t i = 0; i < first; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + (prior[i] >> 1));
      for (std::size_t i = bpp; i < size; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bpp] + prior[i]) >> 1));
      return;
    case 4:
      // Left of the row a and c are 0, so the predictor is the byte above.
      for (std::size_t i = 0; i < first; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
      for (std::size_t i = bpp; i < size; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - bpp], prior[i], prior[i - bpp]));
      return;
    default:
      return;
  }
}

}  // namespace

bool UnfilterPngRow(std::uint8_t filter, std::span<std::uint8_t> row, std::span<const std::uint8_t> prior,
                    std::size_t bytesPerPixel) {
  if (filter > 4)
    return false;
  if (filter == 0)
    return true;
  if (prior.size() < row.size() || bytesPerPixel == 0)
    throw std::invalid_argument("PNG unfiltering needs the whole row above and a pixel size");
  std::uint8_t* r = row.data();
  const std::uint8_t* p = prior.data();
  const std::size_t n = row.size();
  switch (bytesPerPixel) {
    case 1:
      Unfilter<1>(filter, r, p, n, 1);
      break;
    case 2:
      Unfilter<2>(filter, r, p, n, 2);
      break;
    case 3:
      Unfilter<3>(filter, r, p, n, 3);
      break;
    case 4:
      Unfilter<4>(filter, r, p, n, 4);
      break;
    case 6:
      Unfilter<6>(filter, r, p, n, 6);
      break;
    case 8:
      Unfilter<8>(filter, r, p, n, 8);
      break;
    default:
      Unfilter<0>(filter, r, p, n, bytesPerPixel);
      break;
  }
  return true;
}

}  // namespace vrel
