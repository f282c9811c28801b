#include "app/qt/ColorBox.h"

#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

namespace vrel {

namespace {

// Red in the low byte, as the settings keep colours.
QColor ToQColor(int32_t color) {
  const auto bits = static_cast<uint32_t>(color);
  return {static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF), static_cast<int>((bits >> 16) & 0xFF)};
}

QIcon Swatch(int32_t color) {
  QPixmap pixmap(24, 14);
  pixmap.fill(ToQColor(color));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

}  // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("ColorBox1"));
  setIconSize({24, 14});
  setMaxVisibleItems(20);
  for (std::size_t i = 0; i < list_.Entries().size(); ++i)
    AddEntry(static_cast<int>(i), list_.Entries()[i]);
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (index >= 0 && OnChange)
      OnChange(list_.Entries().at(static_cast<std::size_t>(index)).Color);
  });
}

void TColorBox::AddEntry(int index, const TColorEntry& entry) {
  insertItem(index, Swatch(entry.Color), QString::fromStdString(entry.Name));
}

void TColorBox::SetSelected(int32_t color) {
  const QSignalBlocker quiet(this);
  const bool hadCustom = list_.HasCustomEntry();
  const int index = list_.Select(color);
  if (list_.HasCustomEntry()) {
    const TColorEntry& custom = list_.Entries().front();
    if (!hadCustom)
      AddEntry(0, custom);
    setItemIcon(0, Swatch(custom.Color));
    setItemText(0, QString::fromStdString(custom.Name));
  }
  setCurrentIndex(index);
}

int32_t TColorBox::Selected() const {
  const int index = currentIndex();
  return index < 0 ? 0 : list_.Entries().at(static_cast<std::size_t>(index)).Color;
}

}  // namespace vrel
