#include "imaging/PixelColor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace vrel {

namespace {

constexpr const char* kDepthMessage = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
constexpr const char* kSampleCountMessage = "Sample count per pixel does not correspond to the given color scheme.";
constexpr const char* kIndexedMessage = "Conversion between indexed and non-indexed pixel formats is not supported.";
constexpr const char* kNoMethodMessage = "Color conversion failed. Could not find a proper method.";
constexpr const char* kSubsamplingMessage = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
constexpr const char* kVerticalMessage = "Vertical subsampling value must be <= horizontal subsampling value.";

[[noreturn]] void Fail(const std::string& message) {
  throw EColorConversionError(message);
}

bool IsIndexedOrGray(TColorScheme s) {
  return s == TColorScheme::Indexed || s == TColorScheme::Gray || s == TColorScheme::GrayAlpha;
}
bool IsRGBFamily(TColorScheme s) {
  return s == TColorScheme::RGB || s == TColorScheme::RGBA || s == TColorScheme::BGR || s == TColorScheme::BGRA;
}
bool IsBGROrder(TColorScheme s) {
  return s == TColorScheme::BGR || s == TColorScheme::BGRA;
}
bool HasAlpha(TColorScheme s) {
  return s == TColorScheme::GrayAlpha || s == TColorScheme::RGBA || s == TColorScheme::BGRA;
}
bool ByteOrWord(unsigned bits) {
  return bits == 8 || bits == 16;
}

// Products such as v x 255 are computed in 32 bits: a 16-bit product would wrap.
inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline std::uint16_t Swap16(std::uint16_t v) {
  return static_cast<std::uint16_t>(v >> 8 | v << 8);
}
inline void Store16(std::uint8_t* p, std::uint32_t v) {
  const auto w = static_cast<std::uint16_t>(v);
  std::memcpy(p, &w, 2);
}
inline std::uint8_t Reduce16(std::uint32_t v) {
  return static_cast<std::uint8_t>(v * 255u / 65535u);
}
inline std::uint32_t Widen8(std::uint32_t v) {
  return v * 65535u / 255u;
}
inline std::uint8_t Clamp255(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}
inline std::uint8_t Clamp255(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}
inline std::uint32_t Clamp65535(double v) {
  return static_cast<std::uint32_t>(std::clamp(std::nearbyint(v), 0.0, 65535.0));
}

// CIE L*a*b* against the D65 white (the white of sRGB) to 8-bit sRGB: the CIE inverse to XYZ, the
// sRGB primaries' matrix, then its transfer curve. Colours outside sRGB are clipped.
std::array<std::uint8_t, 3> LabToSRGB(double L, double a, double b) {
  constexpr double kDelta = 6.0 / 29.0;
  const auto inverse = [](double f) { return f > kDelta ? f * f * f : 3 * kDelta * kDelta * (f - 4.0 / 29.0); };
  const double fy = (L + 16) / 116;
  const double X = 0.95047 * inverse(fy + a / 500), Y = inverse(fy), Z = 1.08883 * inverse(fy - b / 200);
  const auto encode = [](double linear) {
    const double v = std::clamp(linear, 0.0, 1.0);
    return Clamp255(255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055));
  };
  return {encode(3.2406 * X - 1.5372 * Y - 0.4986 * Z), encode(-0.9689 * X + 1.8758 * Y + 0.0415 * Z),
          encode(0.0557 * X - 0.2040 * Y + 1.0570 * Z)};
}

// The target pixels a mask selects among `count`.
std::uint64_t SelectedPixels(std::uint32_t count, std::uint8_t mask) {
  std::uint64_t n = std::uint64_t{count / 8} * static_cast<unsigned>(std::popcount(mask));
  const unsigned rest = count % 8;
  if (rest > 0)
    n += static_cast<unsigned>(std::popcount(static_cast<std::uint8_t>(mask & (0xFF00u >> rest))));
  return n;
}

// Calls pixel(target index, source index) for every selected target pixel.
template <class Pixel>
inline void ForSelected(std::uint32_t count, std::uint8_t mask, Pixel&& pixel) {
  if (mask == 0xFF) {
    for (std::uint32_t i = 0; i < count; ++i)
      pixel(i, i);
    return;
  }
  std::uint32_t s = 0;
  std::uint8_t bit = 0x80;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (mask & bit)
      pixel(i, s++);
    bit = bit == 1 ? 0x80 : static_cast<std::uint8_t>(bit >> 1);
  }
}

// Packed values of 1 to 8 bits, most significant bits first.
inline unsigned GetBits(const std::uint8_t* row, std::uint64_t index, unsigned bits) {
  if (bits == 8)
    return row[index];
  const std::uint64_t bit = index * bits;
  const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}
inline void PutBits(std::uint8_t* row, std::uint64_t index, unsigned bits, unsigned value) {
  if (bits == 8) {
    row[index] = static_cast<std::uint8_t>(value);
    return;
  }
  const std::uint64_t bit = index * bits;
  const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
  const unsigned field = ((1u << bits) - 1) << shift;
  std::uint8_t& b = row[bit / 8];
  b = static_cast<std::uint8_t>((b & ~field) | ((value << shift) & field));
}
std::uint64_t PackedBytes(std::uint64_t pixels, unsigned bits) {
  return (pixels * bits + 7) / 8;
}

// One sample of the RGB family, by the depths and options the row needs.
template <bool Src16, bool Dst16, bool Swap, bool Gamma>
struct Sample {
  const std::uint8_t* gamma;
  inline std::uint32_t operator()(const std::uint8_t* p) const {
    if constexpr (Src16) {
      std::uint16_t v = Load16(p);
      if constexpr (Swap)
        v = Swap16(v);
      if constexpr (Dst16) {
        return v;
      } else {
        const std::uint8_t b = Reduce16(v);
        if constexpr (Gamma)
          return gamma[b];
        return b;
      }
    } else {
      const std::uint8_t b = Gamma ? gamma[*p] : *p;
      if constexpr (Dst16)
        return Widen8(b);
      return b;
    }
  }
};

template <bool Dst16>
inline void Put(std::uint8_t* p, std::uint32_t v) {
  if constexpr (Dst16)
    Store16(p, v);
  else
    *p = static_cast<std::uint8_t>(v);
}

struct RowLayout {
  std::array<const std::uint8_t*, 4> planes{};  // the first byte of sample k of source pixel 0
  std::size_t sourceStep = 0;                   // bytes from one source pixel to the next
  std::size_t targetStep = 0;                   // bytes of one target pixel
};

// The layout of a source of `samples` samples of `bytes` bytes each, interleaved or planar.
RowLayout LayoutOf(TSourceRows source, unsigned samples, unsigned bytes, unsigned targetSamples, unsigned targetBytes) {
  RowLayout layout;
  const bool planar = source.size() > 1;
  for (unsigned k = 0; k < samples; ++k)
    layout.planes[k] = planar ? source[k].data() : source[0].data() + k * bytes;
  layout.sourceStep = planar ? bytes : std::size_t{samples} * bytes;
  layout.targetStep = std::size_t{targetSamples} * targetBytes;
  return layout;
}

template <bool Src16, bool Dst16, bool Swap, bool Gamma>
void RGBRow(const RowLayout& l, std::uint8_t* target, std::uint32_t count, std::uint8_t mask, const int order[3],
            bool copyAlpha, const std::uint8_t* gamma) {
  const Sample<Src16, Dst16, Swap, Gamma> colour{gamma};
  const Sample<Src16, Dst16, Swap, false> alpha{gamma};
  constexpr std::size_t kOut = Dst16 ? 2 : 1;
  const std::uint8_t *p0 = l.planes[0], *p1 = l.planes[1], *p2 = l.planes[2], *p3 = l.planes[3];
  const std::size_t o0 = static_cast<std::size_t>(order[0]) * kOut, o1 = static_cast<std::size_t>(order[1]) * kOut,
                    o2 = static_cast<std::size_t>(order[2]) * kOut;
  const std::size_t step = l.sourceStep, out = l.targetStep;
  ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
    std::uint8_t* q = target + t * out;
    const std::size_t at = s * step;
    Put<Dst16>(q + o0, colour(p0 + at));
    Put<Dst16>(q + o1, colour(p1 + at));
    Put<Dst16>(q + o2, colour(p2 + at));
    if (copyAlpha)
      Put<Dst16>(q + 3 * kOut, alpha(p3 + at));
  });
}

// The busiest case, 8-bit interleaved pixels one to one without gamma, with the layout fixed at
// compile time so that the compiler keeps it in registers.
template <unsigned SourceStep, unsigned TargetStep, bool Reverse>
void RGB8Row(const std::uint8_t* in, std::uint8_t* out, std::uint32_t count) {
  constexpr bool kCopyAlpha = SourceStep == 4 && TargetStep == 4;
  std::uint32_t i = 0;
  if constexpr (SourceStep == TargetStep && !Reverse) {
    std::memcpy(out, in, std::size_t{count} * SourceStep);
    return;
  } else if constexpr (SourceStep == TargetStep && Reverse) {
    // Red and blue change places inside one 32-bit word; three-byte pixels move a word at a time too,
    // each word's fourth byte overwritten by the next pixel (so the last pixel goes byte by byte).
    const std::uint32_t words = SourceStep == 4 ? count : count > 0 ? count - 1 : 0;
    for (; i < words; ++i, in += SourceStep, out += TargetStep) {
      std::uint32_t v;
      std::memcpy(&v, in, 4);
      v = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16;
      std::memcpy(out, &v, 4);
    }
  }
  for (; i < count; ++i, in += SourceStep, out += TargetStep) {
    out[0] = in[Reverse ? 2 : 0];
    out[1] = in[1];
    out[2] = in[Reverse ? 0 : 2];
    if constexpr (kCopyAlpha)
      out[3] = in[3];
  }
}

template <unsigned SourceStep, unsigned TargetStep>
void RGB8Row(const std::uint8_t* in, std::uint8_t* out, std::uint32_t count, bool reverse) {
  if (reverse)
    RGB8Row<SourceStep, TargetStep, true>(in, out, count);
  else
    RGB8Row<SourceStep, TargetStep, false>(in, out, count);
}

// The planar loaders' usual case, three 8-bit planes into three-byte pixels, as a plain loop the
// compiler can unroll: about twice as fast as the general row.
void RGB8Planes(TSourceRows planes, std::uint8_t* out, std::uint32_t count, bool reverse) {
  const std::uint8_t* __restrict first = planes[reverse ? 2 : 0].data();
  const std::uint8_t* __restrict second = planes[1].data();
  const std::uint8_t* __restrict third = planes[reverse ? 0 : 2].data();
  std::uint8_t* __restrict q = out;
  for (std::uint32_t i = 0; i < count; ++i, q += 3) {
    q[0] = first[i];
    q[1] = second[i];
    q[2] = third[i];
  }
}

using RGBRowFunction = void (*)(const RowLayout&, std::uint8_t*, std::uint32_t, std::uint8_t, const int*, bool,
                                const std::uint8_t*);

template <bool Src16, bool Dst16>
RGBRowFunction PickRGBRow(bool swap, bool gamma) {
  if (swap)
    return gamma ? &RGBRow<Src16, Dst16, true, true> : &RGBRow<Src16, Dst16, true, false>;
  return gamma ? &RGBRow<Src16, Dst16, false, true> : &RGBRow<Src16, Dst16, false, false>;
}

// One sample reduced to 8 bits, for the converters that compute in 8 bits.
inline std::uint8_t Sample8(const std::uint8_t* p, bool src16, bool swap) {
  if (!src16)
    return *p;
  const std::uint16_t v = Load16(p);
  return Reduce16(swap ? Swap16(v) : v);
}
inline std::uint16_t Sample16(const std::uint8_t* p, bool swap) {
  const std::uint16_t v = Load16(p);
  return swap ? Swap16(v) : v;
}

// Writes red, green, blue at the target's order, widened for 16-bit targets.
inline void PutColour(std::uint8_t* q, const int order[3], bool dst16, std::uint32_t r, std::uint32_t g,
                      std::uint32_t b) {
  if (dst16) {
    Store16(q + order[0] * 2, Widen8(r));
    Store16(q + order[1] * 2, Widen8(g));
    Store16(q + order[2] * 2, Widen8(b));
  } else {
    q[order[0]] = static_cast<std::uint8_t>(r);
    q[order[1]] = static_cast<std::uint8_t>(g);
    q[order[2]] = static_cast<std::uint8_t>(b);
  }
}

}  // namespace

TColorManager::TColorManager() {
  SetGamma(1.0f, 2.2f);
}

void TColorManager::SetSourceBitsPerSample(std::uint8_t bits) {
  if (bits < 1 || bits > 16)
    Fail(kDepthMessage);
  if (bits != sourceBits_) {
    sourceBits_ = bits;
    changed_ = true;
  }
}

void TColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
  if (bits < 1 || bits > 16)
    Fail(kDepthMessage);
  if (bits != targetBits_) {
    targetBits_ = bits;
    changed_ = true;
  }
}

void TColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
  if (samples < 1 || samples > 4)
    Fail(kSampleCountMessage);
  if (samples != sourceSamples_) {
    sourceSamples_ = samples;
    changed_ = true;
  }
}

void TColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
  if (samples < 1 || samples > 4)
    Fail(kSampleCountMessage);
  if (samples != targetSamples_) {
    targetSamples_ = samples;
    changed_ = true;
  }
}

void TColorManager::SetSourceColorScheme(TColorScheme scheme) {
  if (scheme != sourceScheme_) {
    sourceScheme_ = scheme;
    changed_ = true;
  }
}

void TColorManager::SetTargetColorScheme(TColorScheme scheme) {
  if (scheme != targetScheme_) {
    targetScheme_ = scheme;
    changed_ = true;
  }
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  const float exponent = 1.0f / (mainGamma_ * displayGamma_);
  const unsigned maxIn = sourceBits_ >= 8 ? 255u : (1u << sourceBits_) - 1u;
  const unsigned maxOut = targetBits_ >= 8 ? 255u : (1u << targetBits_) - 1u;
  for (unsigned i = 0; i <= maxIn; ++i) {
    const double level = std::pow(static_cast<double>(i) / maxIn, static_cast<double>(exponent)) * maxOut;
    gammaTable_[i] = static_cast<std::uint8_t>(std::nearbyint(level));
  }
}

void TColorManager::SetYCbCrParameters(std::span<const float> values, std::uint8_t hSubSampling,
                                       std::uint8_t vSubSampling) {
  for (std::size_t i = 0; i < values.size() && i < 3; ++i)
    yCbCrCoefficients_[i] = values[i];
  const auto valid = [](std::uint8_t v) { return v == 1 || v == 2 || v == 4; };
  if (!valid(hSubSampling) || !valid(vSubSampling))
    Fail(kSubsamplingMessage);
  if (vSubSampling > hSubSampling)
    Fail(kVerticalMessage);
  hSubSampling_ = hSubSampling;
  vSubSampling_ = vSubSampling;
}

void TColorManager::BuildYCbCrTables() {
  const float r = yCbCrCoefficients_[0], g = yCbCrCoefficients_[1], b = yCbCrCoefficients_[2];
  const float f1 = 2 - 2 * r;
  const float f2 = 2 - 2 * b;
  const float f3 = r * f1 / g;
  const float f4 = b * f2 / g;
  const bool photo = sourceScheme_ == TColorScheme::PhotoYCC;
  const int crOffset = photo ? 137 : 128, cbOffset = photo ? 156 : 128;
  const auto round = [](double v) { return static_cast<std::int32_t>(std::nearbyint(v)); };
  for (int i = 0; i < 256; ++i) {
    const double cr = i - crOffset, cb = i - cbOffset;
    const auto at = static_cast<std::size_t>(i);
    crToRed_[at] = round(cr * f1);
    cbToBlue_[at] = round(cb * f2);
    crToGreen_[at] = -round(cr * f3);
    cbToGreen_[at] = -round(cb * f4);
  }
}

void TColorManager::PrepareConversion() {
  converter_ = Converter::None;
  const TColorScheme s = sourceScheme_, t = targetScheme_;
  if (IsIndexedOrGray(s) != (t == TColorScheme::Indexed || t == TColorScheme::Gray))
    Fail(kIndexedMessage);
  sourceOptions_ = static_cast<TConvertOptions>(HasAlpha(s) ? sourceOptions_ | coAlpha : sourceOptions_ & ~coAlpha);
  targetOptions_ = static_cast<TConvertOptions>(HasAlpha(t) ? targetOptions_ | coAlpha : targetOptions_ & ~coAlpha);
  const unsigned sb = sourceBits_, tb = targetBits_;
  const bool s16 = sb == 16, t16 = tb == 16;
  // Depths a converter has no code for leave no converter: the first row then raises, instead of
  // writing nothing and looking like a success.
  const bool packedS = sb <= 8, packedT = tb <= 8;
  Converter chosen = Converter::None;
  switch (s) {
    case TColorScheme::Indexed:
      if (s16 && t16)
        chosen = Converter::Indexed16To16;
      else if (s16)
        chosen = packedT ? Converter::Indexed16ToN : Converter::None;
      else if (t16)
        chosen = packedS ? Converter::IndexedNTo16 : Converter::None;
      else
        chosen = packedS && packedT ? Converter::IndexedByDepth : Converter::None;
      break;
    case TColorScheme::Gray:
      if (s16 || t16)
        chosen = ByteOrWord(sb) && ByteOrWord(tb) ? Converter::GrayFamily : Converter::None;
      else
        chosen = packedS && packedT ? Converter::IndexedByDepth : Converter::None;
      break;
    case TColorScheme::GrayAlpha:
      chosen = ByteOrWord(sb) && ByteOrWord(tb) ? Converter::GrayFamily : Converter::None;
      break;
    case TColorScheme::RGB:
    case TColorScheme::RGBA:
    case TColorScheme::BGR:
    case TColorScheme::BGRA:
      if (IsRGBFamily(t) && ByteOrWord(sb) && ByteOrWord(tb))
        chosen = Converter::RGBFamily;
      break;
    case TColorScheme::CMYK:
      if (IsRGBFamily(t) && ByteOrWord(sb) && ByteOrWord(tb))
        chosen = Converter::CMYK;
      break;
    case TColorScheme::CIELab:
      if (IsRGBFamily(t) && ByteOrWord(sb) && ByteOrWord(tb))
        chosen = Converter::Lab;
      break;
    case TColorScheme::YCbCr:
    case TColorScheme::PhotoYCC:
      BuildYCbCrTables();
      if (IsRGBFamily(t) && ByteOrWord(sb) && ByteOrWord(tb))
        chosen = Converter::YCbCr;
      break;
    case TColorScheme::Unknown:
    case TColorScheme::CMY:
      break;
  }
  // The RGB family reverses when the two orders differ; the others compute red, green, blue and
  // reverse for a blue-first target.
  reverseOrder_ = chosen == Converter::RGBFamily ? IsBGROrder(s) != IsBGROrder(t) : IsBGROrder(t);
  converter_ = chosen;
  changed_ = false;
}

void TColorManager::CheckRows(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                              std::uint8_t mask) const {
  const std::uint64_t selected = SelectedPixels(count, mask);
  const unsigned sb = sourceBits_, tb = targetBits_;
  const bool sourceAlpha = sourceOptions_ & coAlpha, targetAlpha = targetOptions_ & coAlpha;
  std::uint64_t sampleBytes = sb / 8, samples = 1, planeBytes = 0, interleavedBytes = 0, targetBytes = 0;
  bool planarAllowed = false;
  switch (converter_) {
    case Converter::IndexedByDepth:
      interleavedBytes = PackedBytes(selected, sb);
      targetBytes = PackedBytes(count, tb);
      break;
    case Converter::Indexed16To16:
      interleavedBytes = selected * 2;
      targetBytes = std::uint64_t{count} * 2;
      break;
    case Converter::Indexed16ToN:
      interleavedBytes = selected * 2;
      targetBytes = PackedBytes(count, tb);
      break;
    case Converter::IndexedNTo16:
      interleavedBytes = PackedBytes(selected, sb);
      targetBytes = std::uint64_t{count} * 2;
      break;
    case Converter::GrayFamily:
      interleavedBytes = selected * (sourceAlpha ? 2 : 1) * sampleBytes;
      targetBytes = std::uint64_t{count} * (tb / 8);
      break;
    case Converter::RGBFamily:
    case Converter::CMYK:
    case Converter::Lab:
    case Converter::YCbCr:
      samples = converter_ == Converter::CMYK ? 4 : converter_ == Converter::RGBFamily && sourceAlpha ? 4 : 3;
      planarAllowed = true;
      planeBytes = selected * sampleBytes;
      interleavedBytes = planeBytes * samples;
      targetBytes = std::uint64_t{count} * (targetAlpha ? 4 : 3) * (tb / 8);
      break;
    case Converter::None:
      Fail(kNoMethodMessage);
  }
  const auto shortRow = [] { Fail("Color conversion failed. A row holds fewer samples than its pixels need."); };
  if (source.size() == 1) {
    if (source[0].size() < interleavedBytes)
      shortRow();
  } else if (planarAllowed && source.size() == samples) {
    for (const auto& plane : source) {
      if (plane.size() < planeBytes)
        shortRow();
    }
  } else {
    Fail("Color conversion failed. The rows given do not match the source's samples.");
  }
  if (target.size() < targetBytes)
    shortRow();
}

void TColorManager::ConvertRow(std::span<const std::uint8_t> source, std::span<std::uint8_t> target,
                               std::uint32_t count, std::uint8_t mask) {
  const std::span<const std::uint8_t> rows[1] = {source};
  ConvertRow(TSourceRows(rows), target, count, mask);
}

void TColorManager::ConvertRow(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                               std::uint8_t mask) {
  if (changed_)
    PrepareConversion();
  CheckRows(source, target, count, mask);
  switch (converter_) {
    case Converter::IndexedByDepth:
    case Converter::Indexed16To16:
    case Converter::Indexed16ToN:
    case Converter::IndexedNTo16:
      ConvertIndexed(source[0], target, count, mask);
      break;
    case Converter::GrayFamily:
      ConvertGray(source[0], target, count, mask);
      break;
    case Converter::RGBFamily:
      ConvertRGB(source, target, count, mask);
      break;
    case Converter::CMYK:
      ConvertCMYK(source, target, count, mask);
      break;
    case Converter::Lab:
      ConvertLab(source, target, count, mask);
      break;
    case Converter::YCbCr:
      ConvertYCbCr(source, target, count, mask);
      break;
    case Converter::None:
      Fail(kNoMethodMessage);
  }
}

void TColorManager::ConvertIndexed(std::span<const std::uint8_t> source, std::span<std::uint8_t> target,
                                   std::uint32_t count, std::uint8_t mask) const {
  const std::uint8_t* in = source.data();
  std::uint8_t* out = target.data();
  const unsigned sb = sourceBits_, tb = targetBits_;
  const bool swap = sourceOptions_ & coNeedByteSwap;
  switch (converter_) {
    case Converter::IndexedByDepth: {
      if (sb == tb && mask == 0xFF) {
        std::memcpy(out, in, static_cast<std::size_t>(PackedBytes(count, sb)));
        return;
      }
      const unsigned sMax = (1u << sb) - 1, tMax = (1u << tb) - 1;
      ForSelected(count, mask,
                  [&](std::uint32_t t, std::uint32_t s) { PutBits(out, t, tb, GetBits(in, s, sb) * tMax / sMax); });
      return;
    }
    case Converter::Indexed16To16:
      ForSelected(count, mask,
                  [&](std::uint32_t t, std::uint32_t s) { Store16(out + t * 2, Sample16(in + s * 2, swap)); });
      return;
    case Converter::Indexed16ToN: {
      const unsigned tMax = (1u << tb) - 1;
      ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
        PutBits(out, t, tb, std::uint32_t{Sample16(in + s * 2, swap)} * tMax / 65535u);
      });
      return;
    }
    case Converter::IndexedNTo16: {
      const unsigned sMax = (1u << sb) - 1;
      ForSelected(count, mask,
                  [&](std::uint32_t t, std::uint32_t s) { Store16(out + t * 2, GetBits(in, s, sb) * 65535u / sMax); });
      return;
    }
    default:
      Fail(kNoMethodMessage);
  }
}

void TColorManager::ConvertGray(std::span<const std::uint8_t> source, std::span<std::uint8_t> target,
                                std::uint32_t count, std::uint8_t mask) const {
  const std::uint8_t* in = source.data();
  std::uint8_t* out = target.data();
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool swap = sourceOptions_ & coNeedByteSwap;
  const std::size_t step = (sourceOptions_ & coAlpha ? 2u : 1u) * (s16 ? 2u : 1u);
  ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
    const std::uint8_t* p = in + s * step;
    if (t16)
      Store16(out + t * 2, s16 ? Sample16(p, swap) : Widen8(*p));
    else
      out[t] = Sample8(p, s16, swap);
  });
}

void TColorManager::ConvertRGB(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                               std::uint8_t mask) const {
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool sourceAlpha = sourceOptions_ & coAlpha, targetAlpha = targetOptions_ & coAlpha;
  const bool swap = s16 && (sourceOptions_ & coNeedByteSwap);
  // 16-bit targets take no gamma.
  const bool gamma = (targetOptions_ & coApplyGamma) && !(s16 && t16);
  if (!s16 && !t16 && !gamma && mask == 0xFF && source.size() == 1) {
    const std::uint8_t* in = source[0].data();
    std::uint8_t* out = target.data();
    if (sourceAlpha)
      targetAlpha ? RGB8Row<4, 4>(in, out, count, reverseOrder_) : RGB8Row<4, 3>(in, out, count, reverseOrder_);
    else
      targetAlpha ? RGB8Row<3, 4>(in, out, count, reverseOrder_) : RGB8Row<3, 3>(in, out, count, reverseOrder_);
    return;
  }
  if (!s16 && !t16 && !gamma && mask == 0xFF && source.size() == 3 && !targetAlpha) {
    RGB8Planes(source, target.data(), count, reverseOrder_);
    return;
  }
  const RowLayout layout = LayoutOf(source, sourceAlpha ? 4u : 3u, s16 ? 2u : 1u, targetAlpha ? 4u : 3u, t16 ? 2u : 1u);
  const int straight[3] = {0, 1, 2}, reversed[3] = {2, 1, 0};
  RGBRowFunction row = nullptr;
  if (s16)
    row = t16 ? PickRGBRow<true, true>(swap, false) : PickRGBRow<true, false>(swap, gamma);
  else
    row = t16 ? PickRGBRow<false, true>(false, gamma) : PickRGBRow<false, false>(false, gamma);
  row(layout, target.data(), count, mask, reverseOrder_ ? reversed : straight, sourceAlpha && targetAlpha,
      gammaTable_.data());
}

void TColorManager::ConvertCMYK(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                                std::uint8_t mask) const {
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool swap = sourceOptions_ & coNeedByteSwap;
  const RowLayout l = LayoutOf(source, 4, s16 ? 2u : 1u, targetOptions_ & coAlpha ? 4u : 3u, t16 ? 2u : 1u);
  const int straight[3] = {0, 1, 2}, reversed[3] = {2, 1, 0};
  const int* order = reverseOrder_ ? reversed : straight;
  ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
    const std::size_t at = s * l.sourceStep;
    const int c = Sample8(l.planes[0] + at, s16, swap), m = Sample8(l.planes[1] + at, s16, swap);
    const int y = Sample8(l.planes[2] + at, s16, swap), k = Sample8(l.planes[3] + at, s16, swap);
    const auto ink = [k](int x) { return Clamp255(255 - (x - x * k / 255 + k)); };
    PutColour(target.data() + t * l.targetStep, order, t16, ink(c), ink(m), ink(y));
  });
}

void TColorManager::ConvertLab(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                               std::uint8_t mask) const {
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool swap = sourceOptions_ & coNeedByteSwap;
  const bool byteRange = sourceOptions_ & coLabByteRange, chromaOffset = sourceOptions_ & coLabChromaOffset;
  const RowLayout l = LayoutOf(source, 3, s16 ? 2u : 1u, targetOptions_ & coAlpha ? 4u : 3u, t16 ? 2u : 1u);
  const int straight[3] = {0, 1, 2}, reversed[3] = {2, 1, 0};
  const int* order = reverseOrder_ ? reversed : straight;
  ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
    const std::size_t at = s * l.sourceStep;
    double L = 0, a = 0, b = 0;
    if (s16) {
      // 16-bit samples on the 8-bit scale: L* over 0..65535, a* and b* in 1/256 units.
      L = Sample16(l.planes[0] + at, swap) * 255.0 / 65535.0;
      const std::uint16_t ra = Sample16(l.planes[1] + at, swap), rb = Sample16(l.planes[2] + at, swap);
      a = chromaOffset ? (ra - 32768.0) / 256.0 : static_cast<std::int16_t>(ra) / 256.0;
      b = chromaOffset ? (rb - 32768.0) / 256.0 : static_cast<std::int16_t>(rb) / 256.0;
    } else {
      L = l.planes[0][at];
      const std::uint8_t ra = l.planes[1][at], rb = l.planes[2][at];
      a = chromaOffset ? ra - 128.0 : static_cast<std::int8_t>(ra);
      b = chromaOffset ? rb - 128.0 : static_cast<std::int8_t>(rb);
    }
    if (byteRange)
      L /= 2.55;
    const auto [red, green, blue] = LabToSRGB(L, a, b);
    PutColour(target.data() + t * l.targetStep, order, t16, red, green, blue);
  });
}

void TColorManager::ConvertYCbCr(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count,
                                 std::uint8_t mask) const {
  const bool s16 = sourceBits_ == 16, t16 = targetBits_ == 16;
  const bool swap = sourceOptions_ & coNeedByteSwap;
  const RowLayout l = LayoutOf(source, 3, s16 ? 2u : 1u, targetOptions_ & coAlpha ? 4u : 3u, t16 ? 2u : 1u);
  const int straight[3] = {0, 1, 2}, reversed[3] = {2, 1, 0};
  const int* order = reverseOrder_ ? reversed : straight;
  if (s16 && t16) {
    ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
      const std::size_t at = s * l.sourceStep;
      const double y = Sample16(l.planes[0] + at, swap) * 1.3584;
      const double cb = Sample16(l.planes[1] + at, swap) - 40092.0, cr = Sample16(l.planes[2] + at, swap) - 35209.0;
      std::uint8_t* q = target.data() + t * l.targetStep;
      Store16(q + order[0] * 2, Clamp65535(y + 1.8215 * cr));
      Store16(q + order[1] * 2, Clamp65535(y - 0.9271435 * cr - 0.4302726 * cb));
      Store16(q + order[2] * 2, Clamp65535(y + 2.2179 * cb));
    });
    return;
  }
  ForSelected(count, mask, [&](std::uint32_t t, std::uint32_t s) {
    const std::size_t at = s * l.sourceStep;
    const int y = Sample8(l.planes[0] + at, s16, swap);
    const std::uint8_t cb = Sample8(l.planes[1] + at, s16, swap), cr = Sample8(l.planes[2] + at, s16, swap);
    PutColour(target.data() + t * l.targetStep, order, t16, Clamp255(y + crToRed_[cr]),
              Clamp255(y + cbToGreen_[cb] + crToGreen_[cr]), Clamp255(y + cbToBlue_[cb]));
  });
}

TPixelFormat TColorManager::GetPixelFormat(int index) const {
  const unsigned bits = index == 0 ? sourceBits_ : targetBits_;
  const unsigned samples = index == 0 ? sourceSamples_ : targetSamples_;
  switch (samples) {
    case 1:
      if (bits == 1)
        return TPixelFormat::pf1bit;
      if (bits >= 2 && bits <= 4)
        return TPixelFormat::pf4bit;
      if (bits >= 8 && bits <= 16)
        return TPixelFormat::pf8bit;
      return TPixelFormat::pfCustom;
    case 3:
      return bits >= 1 && bits <= 5 ? TPixelFormat::pf15bit : TPixelFormat::pf24bit;
    case 4:
      return bits >= 8 ? TPixelFormat::pf32bit : TPixelFormat::pfCustom;
    default:
      return TPixelFormat::pfCustom;
  }
}

TPalette TColorManager::CreateColorPalette(std::span<const std::span<const std::uint8_t>> data, std::uint8_t dataFormat,
                                           std::uint32_t colorCount, bool componentOrder) const {
  const std::size_t entries = std::min<std::uint32_t>(colorCount, 256);
  const bool wide = dataFormat >= 4;
  const bool planes = dataFormat == 2 || dataFormat == 3 || dataFormat == 6 || dataFormat == 7;
  if (dataFormat > 7)
    Fail("Color conversion failed. Unknown palette data format " + std::to_string(dataFormat) + ".");
  const std::size_t sampleBytes = wide ? 2 : 1;
  const std::size_t stride = planes ? sampleBytes : sampleBytes * (dataFormat % 2 == 1 ? 4 : 3);
  const std::size_t needed = entries * stride;
  if (data.size() < (planes ? 3u : 1u) ||
      std::any_of(data.begin(), data.begin() + (planes ? 3 : 1), [&](const auto& d) { return d.size() < needed; }))
    Fail("Color conversion failed. The palette data are shorter than the colours they promise.");
  const bool swap = sourceOptions_ & coNeedByteSwap, gamma = targetOptions_ & coApplyGamma;
  const auto level = [&](const std::uint8_t* p) {
    const std::uint8_t v = wide ? Sample8(p, true, swap) : *p;
    return gamma ? gammaTable_[v] : v;
  };
  std::array<TPaletteColor, 256> colours{};
  for (std::size_t i = 0; i < entries; ++i) {
    std::array<const std::uint8_t*, 3> rgb{};
    if (planes) {
      for (std::size_t k = 0; k < 3; ++k)
        rgb[k] = data[k].data() + i * stride;
    } else {
      const std::uint8_t* p = data[0].data() + i * stride;
      // 8-bit triples are blue first with componentOrder; 16-bit ones red first.
      const bool redFirst = wide ? componentOrder : !componentOrder;
      for (std::size_t k = 0; k < 3; ++k)
        rgb[k] = p + (redFirst ? k : 2 - k) * sampleBytes;
    }
    colours[i] = {level(rgb[0]), level(rgb[1]), level(rgb[2])};
  }
  std::size_t size = entries;
  const unsigned sb = sourceBits_, tb = targetBits_;
  if (tb <= 8 && sb <= 8 && sb != tb) {
    const unsigned sMax = (1u << sb) - 1, tMax = (1u << tb) - 1;
    std::array<TPaletteColor, 256> resampled{};
    for (unsigned i = 0; i <= tMax; ++i)
      resampled[i] = colours[i * sMax / tMax];
    colours = resampled;
    size = tMax + 1;
  }
  return TPalette(colours.begin(), colours.begin() + static_cast<std::ptrdiff_t>(size));
}

TPalette TColorManager::CreateGrayscalePalette(bool minimumIsWhite) const {
  const unsigned bits = std::min(unsigned{targetBits_} * targetSamples_, 8u);
  const unsigned n = 1u << bits;
  const unsigned step = 255 / (n - 1);
  const bool gamma = targetOptions_ & coApplyGamma;
  TPalette palette(n);
  for (unsigned i = 0; i < n; ++i) {
    const std::uint8_t level = gamma ? gammaTable_[i * step] : static_cast<std::uint8_t>(i * step);
    palette[minimumIsWhite ? n - 1 - i : i] = {level, level, level};
  }
  return palette;
}

}  // namespace vrel
