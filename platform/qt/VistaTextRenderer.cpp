#include "platform/qt/VistaTextRenderer.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstring>

#include "platform/Exceptions.h"

namespace vrel {

namespace {

const QString kFamily = QStringLiteral("DejaVu Sans Mono");
const QString kFontFile = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
constexpr int kPixelSize = 16;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ToQColor(TRgbColor c) {
  return QColor(c.Red, c.Green, c.Blue);
}

QFont MakeFont() {
  // The font database of a headless platform may not have scanned the system fonts; the file
  // itself can always be added.
  if (!QFontDatabase::families().contains(kFamily))
    QFontDatabase::addApplicationFont(kFontFile);
  QFont font = QFontDatabase::families().contains(kFamily) ? QFont(kFamily)
                                                           : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(kPixelSize);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

}  // namespace

TQtVistaTextRenderer::TQtVistaTextRenderer() {
  if (QGuiApplication::instance() == nullptr) {
    throw Exception("The vista bitmap's text needs a running QGuiApplication");
  }
  font_ = MakeFont();
}

int TQtVistaTextRenderer::TextWidth(std::string_view text) {
  return QFontMetrics(font_).horizontalAdvance(ToQString(text));
}

void TQtVistaTextRenderer::DrawText(TRgbImage& image, int x, int y, std::string_view text, TRgbColor color,
                                    TRgbColor background) {
  const int width = image.Width();
  const int height = image.Height();
  QImage canvas(width, height, QImage::Format_RGB888);
  for (int row = 0; row < height; ++row) {
    std::memcpy(canvas.scanLine(row), image.Data() + static_cast<std::size_t>(row) * width * 3,
                static_cast<std::size_t>(width) * 3);
  }
  {
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font_);
    painter.setPen(ToQColor(color));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(ToQColor(background));
    painter.drawText(QPoint(x, y + QFontMetrics(font_).ascent()), ToQString(text));
  }
  for (int row = 0; row < height; ++row) {
    std::memcpy(image.Data() + static_cast<std::size_t>(row) * width * 3, canvas.constScanLine(row),
                static_cast<std::size_t>(width) * 3);
  }
}

void InstallQtVistaTextRenderer() {
  // Never freed: fonts must not outlive the application object, and the port may be used up to exit.
  static auto* renderer = new TQtVistaTextRenderer;
  SetVistaTextRenderer(renderer);
}

}  // namespace vrel
