#include "platform/qt/QtCursors.h"

#include <QImage>
#include <QPixmap>

#include <vector>

#include "platform/Cursors.h"

namespace vrel {

QCursor ScreenCursor(int id) {
  const CursorImage* image = id == 0 ? nullptr : ScreenCursors().Find(id);
  if (image == nullptr)
    return QCursor(Qt::ArrowCursor);
  const std::vector<std::uint32_t> argb = image->ToArgb();
  QImage pixels(image->width, image->height, QImage::Format_ARGB32);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x)
      pixels.setPixel(x, y, argb[static_cast<std::size_t>(y * image->width + x)]);
  }
  return QCursor(QPixmap::fromImage(pixels), image->hotX, image->hotY);
}

}  // namespace vrel
