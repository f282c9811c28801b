#include "app/qt/FlatButton.h"

#include <QFontMetrics>

#include <algorithm>

namespace vrel {

TFlatButton::TFlatButton(const QString& caption, QWidget* parent) : QToolButton(parent) {
  setText(caption);
  setCheckable(true);
  setAutoRaise(false);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  // Room for the bold caption besides the frame.
  setMinimumSize(std::max(24, QFontMetrics(bold).horizontalAdvance(caption) + 12), 24);
  connect(this, &QAbstractButton::toggled, this, [this] { DoDownChange(); });
}

void TFlatButton::DoDownChange() {
  if (OnDownChange)
    OnDownChange(*this);
}

}  // namespace vrel
