#include "platform/qt/QtImageFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstring>
#include <limits>
#include <string>

#include "imaging/RasterFormats.h"

namespace vrel {

namespace {

void CopyRows(const QImage& image, TBitmap& bitmap, std::size_t rowBytes) {
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y).data(), image.constScanLine(y), rowBytes);
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
  QImage image;
  if (!reader.read(&image) || image.isNull())
    throw EInvalidGraphic("Cannot load image. " + reader.errorString().toStdString() + ".");
  TBitmap decoded;
  const QImage::Format f = image.format();
  if (f == QImage::Format_Mono || f == QImage::Format_MonoLSB || f == QImage::Format_Indexed8) {
    image.convertTo(QImage::Format_Indexed8);
    TPalette palette;
    for (const QRgb c : image.colorTable())
      palette.push_back({static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                         static_cast<std::uint8_t>(qBlue(c))});
    decoded.SetPixelFormat(TPixelFormat::pf8bit);
    decoded.SetSize(image.width(), image.height());
    decoded.SetPalette(std::move(palette));
    CopyRows(image, decoded, static_cast<std::size_t>(image.width()));
  } else if (image.hasAlphaChannel()) {
    image.convertTo(QImage::Format_ARGB32);  // blue, green, red, alpha in memory
    decoded.SetPixelFormat(TPixelFormat::pf32bit);
    decoded.SetAlphaFormat(TAlphaFormat::afDefined);
    decoded.SetSize(image.width(), image.height());
    CopyRows(image, decoded, static_cast<std::size_t>(image.width()) * 4);
  } else {
    image.convertTo(QImage::Format_BGR888);
    decoded.SetPixelFormat(TPixelFormat::pf24bit);
    decoded.SetSize(image.width(), image.height());
    CopyRows(image, decoded, static_cast<std::size_t>(image.width()) * 3);
  }
  if (image.isNull())
    throw EInvalidGraphic("Cannot load image. Out of memory converting the image.");
  bitmap.Assign(&decoded);
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
