#include "platform/qt/QtCursors.h"

#include <QImage>
#include <QPixmap>

namespace vrel {

namespace {

// The framework's standard cursors (crDefault 0 down to crSizeAll -22).
Qt::CursorShape StandardShape(int id) {
  switch (id) {
    case -1:
      return Qt::BlankCursor;
    case -3:
      return Qt::CrossCursor;
    case -4:
      return Qt::IBeamCursor;
    case -6:
      return Qt::SizeBDiagCursor;
    case -7:
      return Qt::SizeVerCursor;
    case -8:
      return Qt::SizeFDiagCursor;
    case -9:
      return Qt::SizeHorCursor;
    case -10:
      return Qt::UpArrowCursor;
    case -11:
      return Qt::WaitCursor;
    case -12:
      return Qt::DragMoveCursor;
    case -13:
    case -18:
      return Qt::ForbiddenCursor;
    case -14:
      return Qt::SplitHCursor;
    case -15:
      return Qt::SplitVCursor;
    case -16:
      return Qt::DragCopyCursor;
    case -17:
    case -19:
      return Qt::BusyCursor;
    case -20:
      return Qt::WhatsThisCursor;
    case -21:
      return Qt::PointingHandCursor;
    case -22:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

QCursor CursorForId(int id, const CursorRegistry& registry) {
  if (id > 0) {
    if (const CursorImage* image = registry.Find(id)) {
      const std::vector<std::uint32_t> argb = image->ToArgb();
      QImage pixels(image->width, image->height, QImage::Format_ARGB32);
      for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
          pixels.setPixel(x, y, argb[static_cast<std::size_t>(y * image->width + x)]);
      return QCursor(QPixmap::fromImage(pixels), image->hotX, image->hotY);
    }
  }
  return QCursor(StandardShape(id));
}

}  // namespace vrel
