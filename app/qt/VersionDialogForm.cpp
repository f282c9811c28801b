#include "app/qt/VersionDialogForm.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include "app/CommandGuard.h"
#include "app/MainMenu.h"

namespace vrel {

namespace {

constexpr QSize kButtonSize{75, 29};
constexpr QPoint kButtonAt{116, 173};
constexpr int kLabel1Top = 93;
constexpr QPoint kLabel2At{38, 142};
constexpr QPoint kLabel3At{33, 127};
// The version the form is designed with; the box shows the program's own when it opens.
constexpr const char* kDesignVersion = "version 0.95";
constexpr const char* kVersion = "version 1.05";
constexpr const char* kLabel3Text = "Vrel home page";

QFont LabelFont(const char* family, int points, bool bold) {
  QFont font;
  // The families a Windows desktop has first, then what a Linux one has.
  font.setFamilies({QString::fromLatin1(family), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setPointSize(points);
  font.setBold(bold);
  return font;
}

QLabel* WhiteLabel(const char* name, const QString& text, const QFont& font, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  QPalette white = label->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(white);
  label->adjustSize();
  return label;
}

// The background: night blue fading to a lighter blue, the program's name and what it makes.
QPixmap BackgroundPicture() {
  QPixmap picture(TVersionDialogForm::kClientWidth, TVersionDialogForm::kClientHeight);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, picture.height());
  sky.setColorAt(0.0, QColor(12, 28, 72));
  sky.setColorAt(1.0, QColor(40, 96, 168));
  painter.fillRect(picture.rect(), sky);
  painter.setPen(QColor(255, 255, 255, 60));
  painter.drawLine(24, 86, picture.width() - 24, 86);
  painter.setPen(Qt::white);
  painter.setFont(LabelFont("Arial", 30, true));
  painter.drawText(QRect(0, 14, picture.width(), 46), Qt::AlignCenter, QStringLiteral("Vrel"));
  painter.setFont(LabelFont("Arial", 9, false));
  painter.setPen(QColor(200, 220, 255));
  painter.drawText(QRect(0, 58, picture.width(), 22), Qt::AlignCenter, QStringLiteral("FMS scenery editor"));
  return picture;
}

// The close button in one of its three states.
QPixmap DrawButtonPicture(int state) {
  QPixmap picture(kButtonSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF face = QRectF(picture.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient fill(0, 0, 0, picture.height());
  const bool pressed = state == TVersionDialogForm::bsPressed;
  const QColor top = state == TVersionDialogForm::bsHover ? QColor(255, 246, 214)
                     : pressed                            ? QColor(168, 178, 196)
                                                          : QColor(236, 240, 246);
  const QColor bottom = state == TVersionDialogForm::bsHover ? QColor(246, 206, 120)
                        : pressed                            ? QColor(214, 220, 232)
                                                             : QColor(188, 198, 216);
  fill.setColorAt(0.0, top);
  fill.setColorAt(1.0, bottom);
  QPainterPath outline;
  outline.addRoundedRect(face, 6, 6);
  painter.fillPath(outline, fill);
  painter.setPen(QColor(20, 36, 80));
  painter.drawPath(outline);
  painter.setFont(LabelFont("Arial", 10, true));
  const QPoint shift = pressed ? QPoint(1, 1) : QPoint();
  painter.drawText(picture.rect().translated(shift), Qt::AlignCenter, QStringLiteral("OK"));
  return picture;
}

bool Inside(const QWidget& widget, const QMouseEvent& event) {
  return widget.rect().contains(event.position().toPoint());
}

}  // namespace

TVersionDialogForm::TVersionDialogForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      OpenAddress([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }) {
  setObjectName(QStringLiteral("VersionDialogForm"));
  setWindowTitle(QStringLiteral("Vrel.exe"));
  setFixedSize(kClientWidth, kClientHeight);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  image1_ = new QLabel(this);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setPixmap(BackgroundPicture());
  image1_->setGeometry(0, 0, kClientWidth, kClientHeight);
  image1_->setMouseTracking(true);
  image1_->installEventFilter(this);

  label1_ = WhiteLabel("Label1", QString::fromLatin1(kDesignVersion), LabelFont("Arial", 11, true), this);
  label1_->move((kClientWidth - label1_->width()) / 2, kLabel1Top);
  imageButton_ = new QLabel(this);
  imageButton_->setObjectName(QStringLiteral("Image_Button"));
  imageButton_->setGeometry(QRect(kButtonAt, kButtonSize));
  imageButton_->setMouseTracking(true);
  imageButton_->installEventFilter(this);
  label2_ = WhiteLabel("Label2", QString::fromLatin1(TMenuCommands::kHomePage), LabelFont("Verdana", 10, false), this);
  label2_->move(kLabel2At);
  label2_->setCursor(Qt::PointingHandCursor);
  label2_->installEventFilter(this);
  label3_ = WhiteLabel("Label3", QString::fromLatin1(kLabel3Text), LabelFont("Verdana", 8, false), this);
  label3_->move(kLabel3At);
  // The pointer over the version and the caption is over the background.
  label1_->setAttribute(Qt::WA_TransparentForMouseEvents);
  label3_->setAttribute(Qt::WA_TransparentForMouseEvents);

  for (int state = bsNormal; state <= bsPressed; ++state)
    imageList1_.at(static_cast<std::size_t>(state)) = DrawButtonPicture(state);
}

TVersionDialogForm::~TVersionDialogForm() = default;

const QPixmap& TVersionDialogForm::ButtonPicture(int state) const {
  return imageList1_.at(static_cast<std::size_t>(state));
}

void TVersionDialogForm::SetButtonState(int n) {
  if (n == state_ || n < bsNormal || n > bsPressed)
    return;
  state_ = n;
  buttonBitmap_ = imageList1_.at(static_cast<std::size_t>(n));
  imageButton_->setPixmap(buttonBitmap_);
}

void TVersionDialogForm::showEvent(QShowEvent* event) {
  buttonBitmap_ = imageList1_.at(static_cast<std::size_t>(state_));
  imageButton_->setPixmap(buttonBitmap_);
  QDialog::showEvent(event);
}

void TVersionDialogForm::FormClose() {
  imageButton_->clear();
  buttonBitmap_ = QPixmap();
}

void TVersionDialogForm::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
}

void TVersionDialogForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TVersionDialogForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      close();
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TVersionDialogForm::Label2Click() {
  if (OpenAddress)
    OpenAddress(label2_->text());
  close();
}

bool TVersionDialogForm::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
    return QDialog::eventFilter(watched, event);
  const auto& mouse = *static_cast<QMouseEvent*>(event);
  if (watched == image1_) {
    if (type == QEvent::MouseMove)
      SetButtonState(bsNormal);
    return false;
  }
  if (watched == imageButton_) {
    if (type == QEvent::MouseButtonPress && mouse.button() == Qt::LeftButton) {
      SetButtonState(bsPressed);
      pressed_ = true;
    } else if (type == QEvent::MouseMove) {
      if (pressed_)
        SetButtonState(Inside(*imageButton_, mouse) ? bsPressed : bsNormal);
      else
        SetButtonState(bsHover);
    } else if (type == QEvent::MouseButtonRelease && mouse.button() == Qt::LeftButton) {
      const bool click = pressed_ && Inside(*imageButton_, mouse);
      pressed_ = false;
      // A press released off the button is no click.
      if (click)
        close();
    }
    return true;
  }
  if (watched == label2_ && type == QEvent::MouseButtonRelease && mouse.button() == Qt::LeftButton &&
      Inside(*label2_, mouse)) {
    Guarded([this] { Label2Click(); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ShowVersionDialog(QWidget* parent) {
  TVersionDialogForm box(parent);
  QLabel& version = *box.Label1();
  version.setText(QString::fromLatin1(kVersion));
  version.adjustSize();
  version.move((box.width() - version.width()) / 2, version.y());
  if (parent) {
    const QRect over = parent->frameGeometry();
    box.move(over.topLeft() + QPoint((over.width() - box.width()) / 2, (over.height() - box.height()) / 2));
  }
  box.exec();
}

}  // namespace vrel
