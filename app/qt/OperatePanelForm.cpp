#include "app/qt/OperatePanelForm.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <vector>

#include "app/MainForm.h"
#include "app/qt/ToolWindowHost.h"

namespace vrel {

namespace {

constexpr QSize kInfoSize{32, 32};
constexpr QSize kGridSize{32, 24};
const std::array<QColor, 4> kAxisColours{QColor(90, 90, 90), QColor(200, 30, 30), QColor(20, 150, 20),
                                         QColor(30, 60, 210)};

void Bevel(QPainter& p, QRect r, bool pressed) {
  p.fillRect(r, QColor(212, 208, 200));
  p.setPen(pressed ? QColor(128, 128, 128) : Qt::white);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(pressed ? Qt::white : QColor(64, 64, 64));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

void DoubleArrow(QPainter& p, QPointF a, QPointF b) {
  p.drawLine(a, b);
  const QPointF d = (b - a) / std::hypot((b - a).x(), (b - a).y());
  const QPointF n(-d.y(), d.x());
  for (const auto& [tip, dir] : {std::pair{a, -d}, std::pair{b, d}}) {
    const QPointF head[3] = {tip, tip - dir * 4 + n * 3, tip - dir * 4 - n * 3};
    p.drawPolygon(head, 3);
  }
}

// The grid's pictures, as the image list held them: for axis row r (1..3) index (r - 1) * 2 is
// released and (r - 1) * 2 + 1 pressed; the three columns of a row share them.
const std::vector<QPixmap>& ButtonPictures() {
  static const std::vector<QPixmap> pictures = [] {
    std::vector<QPixmap> made;
    for (int axis = 1; axis <= 3; ++axis) {
      for (bool pressed : {false, true}) {
        QPixmap pixmap(kGridSize);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        Bevel(p, pixmap.rect().adjusted(0, 0, -1, -1), pressed);
        const int shift = pressed ? 1 : 0;
        p.setPen(QPen(kAxisColours.at(static_cast<std::size_t>(axis)), 1.6));
        p.setBrush(kAxisColours.at(static_cast<std::size_t>(axis)));
        DoubleArrow(p, QPointF(5 + shift, 15 + shift), QPointF(27 + shift, 15 + shift));
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(10);
        p.setFont(font);
        p.drawText(QRect(shift, shift + 1, 32, 11), Qt::AlignCenter, QString(QChar('W' + axis)));
        made.push_back(pixmap);
      }
    }
    return made;
  }();
  return pictures;
}

enum class TInfoPicture { Move, ScaleReleased, ScalePressed, Rotate };

QPixmap InfoPicture(TInfoPicture kind) {
  QPixmap pixmap(kInfoSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const bool button = kind == TInfoPicture::ScaleReleased || kind == TInfoPicture::ScalePressed;
  if (button) {
    Bevel(p, pixmap.rect().adjusted(0, 0, -1, -1), kind == TInfoPicture::ScalePressed);
  } else {
    pixmap.fill(QColor(212, 208, 200));
  }
  p.setPen(QPen(Qt::black, 1.4));
  p.setBrush(Qt::black);
  switch (kind) {
    case TInfoPicture::Move:
      DoubleArrow(p, {6, 16}, {26, 16});
      DoubleArrow(p, {16, 6}, {16, 26});
      break;
    case TInfoPicture::ScaleReleased:
    case TInfoPicture::ScalePressed: {
      const int shift = kind == TInfoPicture::ScalePressed ? 1 : 0;
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(7 + shift, 7 + shift, 18, 18));
      p.setBrush(QColor(150, 170, 200));
      p.drawRect(QRectF(11 + shift, 11 + shift, 10, 10));
      break;
    }
    case TInfoPicture::Rotate: {
      QPainterPath arc;
      arc.arcMoveTo(QRectF(6, 6, 20, 20), 120);
      arc.arcTo(QRectF(6, 6, 20, 20), 120, 280);
      p.setBrush(Qt::NoBrush);
      p.drawPath(arc);
      p.setBrush(Qt::black);
      const QPointF end = arc.currentPosition();
      const QPointF head[3] = {end + QPointF(-4, -1), end + QPointF(3, -3), end + QPointF(1, 4)};
      p.drawPolygon(head, 3);
      break;
    }
  }
  return pixmap;
}

}  // namespace

TOperatePanelForm::TImage::TImage(TOperatePanelForm& panel, int tag, QSize size)
    : QLabel(panel.Client()), panel_(panel), tag_(tag) {
  setFixedSize(size);
  ShowPicture(false);
}

void TOperatePanelForm::TImage::ShowPicture(bool pressed) {
  switch (tag_) {
    case 0:
      setPixmap(InfoPicture(TInfoPicture::Move));
      break;
    case 1:
      setPixmap(InfoPicture(pressed ? TInfoPicture::ScalePressed : TInfoPicture::ScaleReleased));
      break;
    case 2:
      setPixmap(InfoPicture(TInfoPicture::Rotate));
      break;
    default:
      setPixmap(
          ButtonPictures().at(static_cast<std::size_t>((TOperateDrag::AxisOf(tag_) - 1) * 2 + (pressed ? 1 : 0))));
      break;
  }
}

void TOperatePanelForm::TImage::mousePressEvent(QMouseEvent* event) {
  panel_.ImagePress(*this, *event);
}

void TOperatePanelForm::TImage::mouseMoveEvent(QMouseEvent* event) {
  panel_.ImageMove(*event);
}

void TOperatePanelForm::TImage::mouseReleaseEvent(QMouseEvent*) {
  panel_.ImageRelease();
}

TOperatePanelForm::TOperatePanelForm(TToolWindowHost& window)
    : TFloatForm(QStringLiteral("OperatePanelForm"), QString::fromUtf8("操作パネル"), &window.OwnerWindow()),
      window_(window),
      drag_(std::make_unique<TOperateDrag>(window.Form())) {
  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(6);
  auto* top = new QGridLayout;
  top->setSpacing(12);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(4);
  static constexpr std::array<const char*, 12> kNames{"Image_info_direction",
                                                      "Image_info_scale",
                                                      "Image_info_rotate",
                                                      "Image_dx",
                                                      "Image_sx",
                                                      "Image_rx",
                                                      "Image_dy",
                                                      "Image_sy",
                                                      "Image_ry",
                                                      "Image_dz",
                                                      "Image_sz",
                                                      "Image_rz"};
  for (int tag = 0; tag < 12; ++tag) {
    auto* image = new TImage(*this, tag, tag < 3 ? kInfoSize : kGridSize);
    image->setObjectName(QString::fromLatin1(kNames.at(static_cast<std::size_t>(tag))));
    images_.at(static_cast<std::size_t>(tag)) = image;
    if (tag < 3)
      top->addWidget(image, 0, tag);
    else
      grid->addWidget(image, tag / 3 - 1, tag % 3);
  }
  layout->addLayout(top);
  layout->addLayout(grid);
  labelInfo_ = new QLabel(QStringLiteral("0"), Client());
  labelInfo_->setObjectName(QStringLiteral("Label_Info"));
  labelInfo_->setAlignment(Qt::AlignCenter);
  labelInfo_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  layout->addWidget(labelInfo_);
  layout->addStretch(1);
}

TOperatePanelForm::~TOperatePanelForm() = default;

void TOperatePanelForm::showEvent(QShowEvent* event) {
  TFloatForm::showEvent(event);
  for (TImage* image : images_)
    image->ShowPicture(false);
}

void TOperatePanelForm::ImagePress(TImage& image, QMouseEvent& event) {
  if (event.button() != Qt::LeftButton || !TOperateDrag::IsButton(image.Tag()))
    return;
  window_.Command([&] {
    drag_->Press(image.Tag(), event.position().toPoint().x());
    image.ShowPicture(true);
    labelInfo_->setText(QString::fromStdString(drag_->Info()));
  });
}

void TOperatePanelForm::ImageMove(QMouseEvent& event) {
  if (!drag_->Dragging())
    return;
  window_.Command([&] {
    drag_->Move(event.position().toPoint().x(), event.modifiers().testFlag(Qt::ControlModifier));
    labelInfo_->setText(QString::fromStdString(drag_->Info()));
  });
}

void TOperatePanelForm::ImageRelease() {
  const int tag = drag_->PressedTag();
  if (tag != TOperateDrag::kNone)
    Image(tag)->ShowPicture(false);
  window_.Command([&] { drag_->Release(); });
}

}  // namespace vrel
