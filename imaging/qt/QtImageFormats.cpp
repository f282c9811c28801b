#include "imaging/qt/QtImageFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "imaging/RasterFormatsRegistration.h"

namespace vrel {

namespace {

// The bitmap layout that holds a Qt format's rows byte for byte (both pad rows to four bytes).
struct TQtLayout {
  TPixelFormat PixelFormat;
  TAlphaFormat AlphaFormat;
};

std::optional<TQtLayout> LayoutOf(QImage::Format format) {
  switch (format) {
    case QImage::Format_Mono:
      return TQtLayout{TPixelFormat::pf1bit, TAlphaFormat::afIgnored};
    case QImage::Format_Indexed8:
      return TQtLayout{TPixelFormat::pf8bit, TAlphaFormat::afIgnored};
    case QImage::Format_RGB32:  // blue, green, red, 255 in memory
      return TQtLayout{TPixelFormat::pf32bit, TAlphaFormat::afIgnored};
    case QImage::Format_ARGB32:
      return TQtLayout{TPixelFormat::pf32bit, TAlphaFormat::afDefined};
    default:
      return std::nullopt;
  }
}

void Allocate(TBitmap& bitmap, const TQtLayout& layout, QSize size) {
  bitmap.SetPixelFormat(layout.PixelFormat);
  bitmap.SetAlphaFormat(layout.AlphaFormat);
  bitmap.SetSize(size.width(), size.height());
}

}  // namespace

void QtSystemImageDecoder::Decode(std::span<const std::uint8_t> file, std::string_view format, TBitmap& bitmap) {
  if (file.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw EInvalidGraphic("Cannot load image. The file is too large.");
  // No copy: the bytes outlive the reader.
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  const QByteArray name(format.data(), static_cast<qsizetype>(format.size()));
  QImageReader reader(&buffer, name);
  reader.setDecideFormatFromContent(false);
  reader.setAutoTransform(false);
  // Qt decodes into an image it is given when the size and format are the ones it makes: given the
  // bitmap's own rows, the picture is decoded in place, without a copy.
  TBitmap decoded;
  QImage image;
  const std::optional<TQtLayout> layout = LayoutOf(reader.imageFormat());
  const QSize size = reader.size();
  if (layout && !size.isEmpty()) {
    Allocate(decoded, *layout, size);
    image = QImage(decoded.ScanLine(0).data(), size.width(), size.height(), static_cast<qsizetype>(decoded.RowStride()),
                   reader.imageFormat());
  }
  if (!reader.read(&image) || image.isNull())
    throw EInvalidGraphic("Cannot load image. " + reader.errorString().toStdString() + ".");
  if (decoded.Empty() || image.constBits() != decoded.ScanLine(0).data()) {
    // An image of Qt's own: one copy of its rows into a bitmap of their layout.
    std::optional<TQtLayout> own = LayoutOf(image.format());
    if (!own) {
      image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
      own = LayoutOf(image.format());
    }
    if (image.isNull() || !own)
      throw EInvalidGraphic("Cannot load image. Out of memory converting the image.");
    decoded.Clear();
    Allocate(decoded, *own, image.size());
    const auto rowBytes = std::min(decoded.RowStride(), static_cast<std::size_t>(image.bytesPerLine()));
    for (int y = 0; y < image.height(); ++y)
      std::memcpy(decoded.ScanLine(y).data(), image.constScanLine(y), rowBytes);
  }
  if (decoded.PixelFormat() != TPixelFormat::pf32bit) {
    TPalette palette;
    for (const QRgb c : image.colorTable())
      palette.push_back({static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                         static_cast<std::uint8_t>(qBlue(c))});
    decoded.SetPalette(std::move(palette));
  }
  bitmap.Take(decoded);
}

QImage ToQImage(const TBitmap& bitmap) {
  if (bitmap.Empty())
    return {};
  const std::vector<std::uint8_t> bgra = bitmap.ToBgra();
  const QImage view(bgra.data(), bitmap.Width(), bitmap.Height(), bitmap.Width() * 4,
                    bitmap.AlphaFormat() == TAlphaFormat::afDefined ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  return view.copy();
}

TImageFormatsRegistration::TImageFormatsRegistration()
    : previousDecoder_(SetSystemImageDecoder(&decoder_)), formats_(RegisterRasterFormats()) {
  // The codecs check every size against the file's bytes before Qt sees it; Qt's own limit (256 MB)
  // would refuse a 16384 x 16384 face.
  QImageReader::setAllocationLimit(static_cast<int>(TBitmap::kMaxImageBytes >> 20));
}

TImageFormatsRegistration::~TImageFormatsRegistration() {
  formats_.reset();
  SetSystemImageDecoder(previousDecoder_);
}

std::unique_ptr<TImageFormatsRegistration> RegisterImageFormats() {
  return std::make_unique<TImageFormatsRegistration>();
}

}  // namespace vrel
