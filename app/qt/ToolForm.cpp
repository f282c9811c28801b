#include "app/qt/ToolForm.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include <array>

#include "app/MainForm.h"
#include "app/qt/ToolWindowHost.h"

namespace vrel {

namespace {

constexpr int kButtonWidth = 46;
constexpr int kButtonHeight = 26;

enum class TGlyph { None, Stick, Reverse, Alignment, Gather, FourVertex, AlignmentFace, Face };

struct TToolButtonRow {
  const char* Name;
  int Tag;  // the edit mode, -1 for a command
  const char* Caption;
  const char* Hint;
  TGlyph Glyph;
  void (TToolCommands::*Command)();
};

const std::array<TToolButtonRow, 15>& ToolButtons() {
  static const std::array<TToolButtonRow, 15> rows{{
      {"SpeedButton_Select", emSelect, "s", "選択 S", TGlyph::None, nullptr},
      {"SpeedButton_Knife", emKnife, "k", "ナイフ  K", TGlyph::None, nullptr},
      {"SpeedButton_Scissors", emScissors, "l", "ハサミ L", TGlyph::None, nullptr},
      {"SpeedButton_Direction", emDirection, "v", "移動  V", TGlyph::None, nullptr},
      {"SpeedButton_Scale", emScale, "q", "拡大  Q", TGlyph::None, nullptr},
      {"SpeedButton_Rotation", emRotation, "c", "回転  C", TGlyph::None, nullptr},
      {"SpeedButton_Stick", -1, "", "くっつける  Ctrl+J", TGlyph::Stick, &TToolCommands::Stick},
      {"SpeedButton_Reverse", -1, "", "面を反転する Ctrl+R", TGlyph::Reverse, &TToolCommands::FaceReverse},
      {"SpeedButton_Alignment", -1, "", "一列に並べる  Ctrl+I", TGlyph::Alignment, &TToolCommands::Alignment},
      {"SpeedButton_Gather", -1, "", "集める Ctrl+K", TGlyph::Gather, &TToolCommands::Gather},
      {"SpeedButton_4VertexToBlade", -1, "", "４頂点に面を作成 Ctrl+B", TGlyph::FourVertex,
       &TToolCommands::FourVertexToBlade},
      {"SpeedButton_AlignmentFace", -1, "", "面を一列に並べる Ctrl+U", TGlyph::AlignmentFace,
       &TToolCommands::AlignmentSurface},
      {"SpeedButton_NewPolygon", -1, "p", "ポリゴン  P", TGlyph::None, &TToolCommands::CreatePolygon},
      {"SpeedButton_Position", -1, "w", "位置合わせ W", TGlyph::None, &TToolCommands::AlignVertexPosition},
      {"SpeedButton_Face", -1, "", "カメラへ向ける Ctrl+F", TGlyph::Face, &TToolCommands::FaceToCamera},
  }};
  return rows;
}

void Dot(QPainter& p, QPointF at) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 0, 0));
  p.drawEllipse(at, 2.2, 2.2);
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.setPen(QPen(Qt::black, 1.2));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
  const QPointF n(-d.y(), d.x());
  p.setBrush(Qt::black);
  const QPointF head[3] = {to, to - d * 3.5 + n * 2.2, to - d * 3.5 - n * 2.2};
  p.drawPolygon(head, 3);
}

// The commands' pictures: dots are vertices, grey shapes faces.
QIcon Glyph(TGlyph glyph) {
  QPixmap pixmap(22, 18);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor face(150, 170, 200);
  switch (glyph) {
    case TGlyph::None:
      break;
    case TGlyph::Stick:
      Arrow(p, {2, 9}, {8, 9});
      Arrow(p, {20, 9}, {14, 9});
      Dot(p, {11, 9});
      break;
    case TGlyph::Reverse: {
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(face);
      p.drawRect(QRectF(3, 4, 9, 10));
      QPainterPath turn;
      turn.moveTo(14, 4);
      turn.cubicTo(22, 4, 22, 14, 14, 14);
      p.setBrush(Qt::NoBrush);
      p.drawPath(turn);
      Arrow(p, {16, 14}, {13, 14});
      break;
    }
    case TGlyph::Alignment:
      p.setPen(QPen(Qt::gray, 1));
      p.drawLine(2, 16, 20, 2);
      for (QPointF at : {QPointF(4, 14.5), QPointF(11, 9), QPointF(18, 3.5)})
        Dot(p, at);
      break;
    case TGlyph::Gather:
      Arrow(p, {2, 2}, {8, 7});
      Arrow(p, {20, 2}, {14, 7});
      Arrow(p, {2, 16}, {8, 11});
      Arrow(p, {20, 16}, {14, 11});
      Dot(p, {11, 9});
      break;
    case TGlyph::FourVertex: {
      const QPointF corners[4] = {{4, 4}, {18, 3}, {17, 15}, {5, 14}};
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(face);
      p.drawPolygon(corners, 4);
      for (const QPointF& at : corners)
        Dot(p, at);
      break;
    }
    case TGlyph::AlignmentFace:
      p.setPen(QPen(Qt::gray, 1));
      p.drawLine(1, 9, 21, 9);
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(face);
      for (int x : {2, 9, 16})
        p.drawRect(QRectF(x, 6, 5, 6));
      break;
    case TGlyph::Face:
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(face);
      p.drawPolygon(QPolygonF({{2, 4}, {9, 2}, {9, 16}, {2, 14}}));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(16.5, 9), 4, 2.6);
      p.setBrush(Qt::black);
      p.drawEllipse(QPointF(16.5, 9), 1.3, 1.3);
      Arrow(p, {12, 9}, {10, 9});
      break;
  }
  return QIcon(pixmap);
}

}  // namespace

TToolForm::TToolForm(TToolWindowHost& window, TLayerCommands& layers)
    : TDockForm(QStringLiteral("ToolForm"), QString::fromUtf8(" ツール"), {.Width = 150, .Height = 132},
                {.MaxWidth = 320, .MaxHeight = 260}, &window.OwnerWindow()),
      window_(window),
      commands_(std::make_unique<TToolCommands>(window.Form(), layers)),
      modes_(new QButtonGroup(this)) {
  modes_->setExclusive(true);
  auto* grid = new QGridLayout(Client());
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setSpacing(1);
  int index = 0;
  for (const TToolButtonRow& row : ToolButtons()) {
    auto* button = new QToolButton(Client());
    button->setObjectName(QString::fromLatin1(row.Name));
    button->setFixedSize(kButtonWidth, kButtonHeight);
    button->setText(QString::fromUtf8(row.Caption));
    button->setToolTip(QString::fromUtf8(row.Hint));
    if (row.Glyph != TGlyph::None) {
      button->setIcon(Glyph(row.Glyph));
      button->setIconSize({22, 18});
    }
    grid->addWidget(button, index / 3, index % 3);
    ++index;
    if (row.Tag >= 0) {
      button->setCheckable(true);
      modes_->addButton(button, row.Tag);
      const auto mode = static_cast<TEditMode>(row.Tag);
      connect(button, &QToolButton::clicked, this,
              [this, mode] { window_.Command([&] { window_.Form().SetEditMode(mode); }); });
    } else {
      const auto command = row.Command;
      connect(button, &QToolButton::clicked, this,
              [this, command] { window_.Command([&] { ((*commands_).*command)(); }); });
    }
  }
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(3, 1);
  modes_->button(emSelect)->setChecked(true);
}

TToolForm::~TToolForm() = default;

QToolButton* TToolForm::Button(const char* name) const {
  return Client()->findChild<QToolButton*>(QString::fromLatin1(name));
}

void TToolForm::SetModeButtonDown(TEditMode mode) {
  if (QAbstractButton* button = modes_->button(mode))
    button->setChecked(true);
}

TEditMode TToolForm::DownMode() const {
  return static_cast<TEditMode>(modes_->checkedId());
}

}  // namespace vrel
