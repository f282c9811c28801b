#include "app/qt/LayerListBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace vrel {

namespace {

// The mark column's background: the eye cell and the key cell, sunk into the row.
const QPixmap& MarkBase() {
  static const QPixmap base = [] {
    QPixmap pixmap(kMarkColumnWidth, kLayerItemHeight);
    pixmap.fill(QColor(212, 208, 200));
    QPainter p(&pixmap);
    for (int cell = 0; cell < 2; ++cell) {
      const QRect r(cell * kEyeCellWidth + 2, 3, kEyeCellWidth - 4, kLayerItemHeight - 6);
      p.fillRect(r, QColor(236, 233, 216));
      p.setPen(QColor(128, 128, 128));
      p.drawLine(r.topLeft(), r.topRight());
      p.drawLine(r.topLeft(), r.bottomLeft());
      p.setPen(Qt::white);
      p.drawLine(r.bottomLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomRight());
    }
    return pixmap;
  }();
  return base;
}

constexpr int kMarkSide = 14;

const QPixmap& EyeMark() {
  static const QPixmap eye = [] {
    QPixmap pixmap(kMarkSide, kMarkSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath lid;
    lid.moveTo(1, 7);
    lid.quadTo(7, 0, 13, 7);
    lid.quadTo(7, 14, 1, 7);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(lid);
    p.setBrush(QColor(30, 60, 160));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(7, 7), 2.6, 2.6);
    return pixmap;
  }();
  return eye;
}

const QPixmap& KeyMark() {
  static const QPixmap key = [] {
    QPixmap pixmap(kMarkSide, kMarkSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 0), 1.2));
    p.setBrush(QColor(230, 180, 30));
    p.drawEllipse(QPointF(4.5, 4.5), 3.5, 3.5);
    p.drawRect(QRectF(6.5, 6.5, 2.2, 7));
    p.drawRect(QRectF(8.5, 10, 3, 1.6));
    p.drawRect(QRectF(8.5, 12.2, 2.2, 1.4));
    return pixmap;
  }();
  return key;
}

}  // namespace

TLayerListBox::TLayerListBox(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
  scrollTimer_.setInterval(kScrollInterval);
  connect(&scrollTimer_, &QTimer::timeout, this, [this] { OnScrollTimer(); });
  rows_.OnChanged = [this](int) { RowsChanged(); };
}

void TLayerListBox::RowsChanged() {
  UpdateScrollRange();
  // A newly selected row is scrolled into sight, as a list box does.
  const int selected = rows_.ItemIndex();
  if (selected != shownSelection_) {
    shownSelection_ = selected;
    if (selected >= 0)
      ScrollIntoView(selected);
  }
  viewport()->update();
}

void TLayerListBox::ScrollIntoView(int row) {
  const int page = verticalScrollBar()->pageStep();
  if (row < TopIndex())
    SetTopIndex(row);
  else if (row >= TopIndex() + page)
    SetTopIndex(row - page + 1);
}

void TLayerListBox::UpdateScrollRange() {
  const int visible = std::max(viewport()->height() / kLayerItemHeight, 1);
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(visible);
  bar->setRange(0, std::max(rows_.Count() - visible, 0));
}

void TLayerListBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

int TLayerListBox::TopIndex() const {
  return verticalScrollBar()->value();
}

void TLayerListBox::SetTopIndex(int index) {
  verticalScrollBar()->setValue(index);
}

int TLayerListBox::ItemAtPos(QPoint pos) const {
  if (!viewport()->rect().contains(pos))
    return -1;
  const int row = TopIndex() + pos.y() / kLayerItemHeight;
  return row < rows_.Count() ? row : -1;
}

QRect TLayerListBox::ItemRect(int index) const {
  return {0, (index - TopIndex()) * kLayerItemHeight, viewport()->width(), kLayerItemHeight};
}

// --- drawing ---------------------------------------------------------------------------------------

void TLayerListBox::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QPalette& colours = palette();
  const int rowsShown = viewport()->height() / kLayerItemHeight + 1;
  for (int i = TopIndex(); i < rows_.Count() && i <= TopIndex() + rowsShown; ++i) {
    const QRect row = ItemRect(i);
    const TLayerRow& layer = rows_.Row(i);
    p.drawPixmap(row.left(), row.top(), MarkBase());
    if (layer.Visible)
      p.drawPixmap(row.left() + 4, row.top() + 5, EyeMark());
    if (layer.Locked)
      p.drawPixmap(row.left() + 26, row.top() + 5, KeyMark());
    // Neighbouring rows share one frame line.
    const QRect text(row.left() + kMarkColumnWidth, row.top(), row.width() - kMarkColumnWidth, row.height());
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(text.left(), text.top() - 1, text.width() - 1, text.height());
    QColor ink = colours.color(QPalette::Text);
    if (i == rows_.ItemIndex()) {
      p.fillRect(QRect(QPoint(text.left() + 2, text.top() + 1), QPoint(text.right() - 2, text.bottom() - 2)),
                 colours.color(QPalette::Highlight));
      ink = colours.color(QPalette::HighlightedText);
    }
    p.setPen(ink);
    p.drawText(text.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               QString::fromStdString(layer.Text));
  }
  if (dropMarkShown_) {
    const TMarkRect& m = dropMarkRect_;
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    if (dropMarkIndex_ != dragIndex_) {
      p.drawLine(0, m.Top + 3, m.Width - 1, m.Top + 3);
      p.drawLine(1, m.Top, 1, m.Top + 5);
      p.drawLine(m.Width - 1, m.Top, m.Width - 1, m.Top + 5);
    } else {
      p.drawRect(m.Left + 1, m.Top + 1, m.Width - 2, m.Height - 2);
    }
  }
}

void TLayerListBox::DrawDropMark(int index, int source) {
  if (index < 0)
    return;
  if (dropMarkShown_ && dropMarkIndex_ != index)
    InvalidateDropMark();
  dropMarkRect_ = DropMarkRect(index, source, TopIndex(), kLayerItemHeight, viewport()->width());
  dropMarkShown_ = true;
  dropMarkIndex_ = index;
  viewport()->update();
}

void TLayerListBox::InvalidateDropMark() {
  if (!dropMarkShown_)
    return;
  dropMarkShown_ = false;
  viewport()->update();
}

// --- the mouse -------------------------------------------------------------------------------------

void TLayerListBox::MarkPress(int row, TMarkCell cell) {
  if (cell == TMarkCell::Eye) {
    const bool visible = !rows_.ItemVisible(row);
    rows_.SetItemVisible(row, visible);
    if (OnVisibleClick)
      OnVisibleClick(row, visible);
    paintMode_ = visible ? pmShowing : pmHiding;
  } else if (cell == TMarkCell::Key) {
    const bool locked = !rows_.ItemLocked(row);
    rows_.SetItemLocked(row, locked);
    if (OnLockedClick)
      OnLockedClick(row, locked);
    paintMode_ = locked ? pmLocking : pmUnlocking;
  }
}

void TLayerListBox::PaintMarks(QPoint pos) {
  const int row = ItemAtPos(pos);
  if (row < 0)
    return;
  const TMarkCell cell = MarkCellAt(pos.x());
  const bool eyeMode = paintMode_ == pmShowing || paintMode_ == pmHiding;
  if (cell == TMarkCell::Eye && eyeMode) {
    const bool visible = paintMode_ == pmShowing;
    if (rows_.ItemVisible(row) != visible) {
      rows_.SetItemVisible(row, visible);
      if (OnVisibleClick)
        OnVisibleClick(row, visible);
    }
  } else if (cell == TMarkCell::Key && !eyeMode) {
    const bool locked = paintMode_ == pmLocking;
    if (rows_.ItemLocked(row) != locked) {
      rows_.SetItemLocked(row, locked);
      if (OnLockedClick)
        OnLockedClick(row, locked);
    }
  }
}

void TLayerListBox::Choose(int row) {
  if (row < 0 || row == rows_.ItemIndex())
    return;
  rows_.SetItemIndex(row);
  if (OnClick)
    OnClick();
}

bool TLayerListBox::MarkColumnPress(QPoint pos) {
  const TMarkCell cell = MarkCellAt(pos.x());
  if (cell == TMarkCell::None)
    return false;
  // The mark column is no part of a row's selection; a double press there counts as one more press.
  const int row = ItemAtPos(pos);
  if (row >= 0)
    MarkPress(row, cell);
  return true;
}

void TLayerListBox::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  lastPos_ = pos;
  if (event->button() != Qt::LeftButton || MarkColumnPress(pos))
    return;
  const int row = ItemAtPos(pos);
  if (row < 0)
    return;
  Choose(row);
  pressed_ = true;
  pressPos_ = pos;
  dragIndex_ = row;
  dragVisible_ = rows_.ItemVisible(row);
  dragLocked_ = rows_.ItemLocked(row);
}

void TLayerListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() != Qt::LeftButton || MarkColumnPress(pos))
    return;
  if (ItemAtPos(pos) >= 0 && OnDblClick)
    OnDblClick();
}

void TLayerListBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  lastPos_ = pos;
  if (paintMode_ != pmNone) {
    PaintMarks(pos);
    return;
  }
  if (!pressed_)
    return;
  if (!dragging_ && (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance())
    dragging_ = true;
  if (dragging_)
    DragOver(pos);
}

void TLayerListBox::DragOver(QPoint pos) {
  if (!viewport()->rect().contains(pos))
    return;
  dropTarget_ = ItemAtPos(pos);
  if (pos.y() < kScrollBand) {
    scrollDirection_ = -1;
    scrollTimer_.start();
  } else if (pos.y() > viewport()->height() - kScrollBand) {
    scrollDirection_ = 1;
    scrollTimer_.start();
  } else {
    scrollTimer_.stop();
    if (dropTarget_ >= 0)
      DrawDropMark(dropTarget_, dragIndex_);
  }
}

void TLayerListBox::OnScrollTimer() {
  const int row = ItemAtPos(lastPos_);
  if (!dragging_ || row < 0) {
    scrollTimer_.stop();
    return;
  }
  InvalidateDropMark();
  SetTopIndex(TopIndex() + scrollDirection_);
  dropTarget_ = std::clamp(row + scrollDirection_, 0, rows_.Count() - 1);
  DrawDropMark(dropTarget_, dragIndex_);
}

void TLayerListBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  lastPos_ = pos;
  paintMode_ = pmNone;
  if (event->button() != Qt::LeftButton || !pressed_)
    return;
  if (dragging_) {
    scrollTimer_.stop();
    const int target = ItemAtPos(pos);
    // A row dropped on itself, or off the rows, stays where it was.
    if (target >= 0 && target != dragIndex_) {
      const int source = dragIndex_;
      rows_.Move(source, target);
      rows_.SetItemVisible(target, dragVisible_);
      rows_.SetItemLocked(target, dragLocked_);
      rows_.SetItemIndex(target);
      EndDrag();
      if (OnIndexChange)
        OnIndexChange(source, target);
      return;
    }
  }
  EndDrag();
}

void TLayerListBox::EndDrag() {
  scrollTimer_.stop();
  InvalidateDropMark();
  pressed_ = false;
  dragging_ = false;
  dropTarget_ = -1;
}

void TLayerListBox::keyPressEvent(QKeyEvent* event) {
  const int current = rows_.ItemIndex();
  int row = current;
  switch (event->key()) {
    case Qt::Key_Up:
      row = current < 0 ? 0 : current - 1;
      break;
    case Qt::Key_Down:
      row = current + 1;
      break;
    case Qt::Key_Home:
      row = 0;
      break;
    case Qt::Key_End:
      row = rows_.Count() - 1;
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (rows_.Count() == 0)
    return;
  Choose(std::clamp(row, 0, rows_.Count() - 1));
}

}  // namespace vrel
