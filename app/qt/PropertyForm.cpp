#include "app/qt/PropertyForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/PropertyEditor.h"
#include "app/qt/ColorBox.h"
#include "app/qt/NumberBox.h"
#include "app/qt/RenderWidget.h"
#include "app/qt/UpDownBox.h"
#include "files/VrelProp.h"
#include "imaging/Graphics.h"
#include "imaging/JPG.h"
#include "platform/Cursors.h"
#include "platform/NumberFormat.h"
#include "platform/qt/QtCursors.h"

namespace vrel {

namespace {

constexpr int kIdRole = Qt::UserRole;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

TextureImage DecodeSampleTexture(std::span<const uint8_t> file) {
  TBitmap bitmap;
  DecodeJpegFile(file, bitmap, FailOnPrematureEnd());
  return BgraTextureImage(bitmap.Width(), bitmap.Height(), bitmap.ToBgra());
}

QToolButton* FlatButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(Text(caption));
  button->setAutoRaise(true);
  return button;
}

// A panel of a caption and an editor, hidden until an element needs it.
QWidget* Panel(const char* name, const char* caption, QWidget* editor, QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QString::fromLatin1(name));
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(Text(caption), panel));
  editor->setParent(panel);
  layout->addWidget(editor, 1);
  return panel;
}

}  // namespace

TPropertyForm::TPropertyForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("PropertyForm"), Text("プロパティ")) {
  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  pages_ = new QTabWidget(Client());
  pages_->addTab(BuildColorPage(), Text("色"));
  pages_->addTab(BuildSettingsPage(), Text("設定"));
  layout->addWidget(pages_);
  editor_ = std::make_unique<TPropertyEditor>(render1_->Render(), &DecodeSampleTexture);
  SelectElement(0);
}

TPropertyForm::~TPropertyForm() {
  // The children go after this object: no focus change or current item of theirs may reach it.
  for (QObject* child : findChildren<QObject*>())
    child->disconnect(this);
  for (QObject* watched :
       {static_cast<QObject*>(render1_), static_cast<QObject*>(alpha_->Edit()), static_cast<QObject*>(length_->Edit())})
    watched->removeEventFilter(this);
}

QWidget* TPropertyForm::BuildColorPage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  tree_ = new QTreeWidget(page);
  tree_->setObjectName(QStringLiteral("TreeView_Elements"));
  tree_->setHeaderHidden(true);
  tree_->setFixedWidth(170);
  for (const TPropertyGroup& group : PropertyElementTree()) {
    auto* groupItem = new QTreeWidgetItem(tree_, {Text(group.Caption)});
    groupItem->setData(0, kIdRole, 0);
    for (const TPropertyElement& element : group.Elements) {
      auto* item = new QTreeWidgetItem(groupItem, {Text(element.Caption)});
      item->setData(0, kIdRole, element.Id);
    }
  }
  tree_->expandAll();
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { ElementChanged(item); });
  layout->addWidget(tree_);

  auto* right = new QVBoxLayout;
  render1_ = new RenderWidget(page);
  render1_->setObjectName(QStringLiteral("Render1"));
  render1_->setFixedSize(350, 328);
  render1_->setMouseTracking(true);
  render1_->installEventFilter(this);
  right->addWidget(render1_);

  auto* buttons = new QHBoxLayout;
  defaultAll_ = FlatButton("SpeedButton_DefaultAll", "←すべてデフォルト", page);
  default_ = FlatButton("SpeedButton_Default", "↓デフォルト", page);
  viewReset_ = FlatButton("SpeedButton_ViewReset", "視点をリセット", page);
  buttons->addWidget(defaultAll_);
  buttons->addWidget(default_);
  buttons->addStretch(1);
  buttons->addWidget(viewReset_);
  right->addLayout(buttons);
  connect(defaultAll_, &QToolButton::clicked, this, [this] {
    editor_->DefaultAll();
    LoadEditors();
  });
  connect(default_, &QToolButton::clicked, this, [this] {
    editor_->DefaultItem();
    LoadEditors();
  });
  connect(viewReset_, &QToolButton::clicked, this, [this] { editor_->ViewReset(); });

  colorBox_ = new TColorBox;
  colorBox_->OnChange = [this](int32_t color) { editor_->SetColor(color); };
  right->addWidget(Panel("Panel_Color", "色", colorBox_, page));

  border_ = new QCheckBox(Text("線を描画"), page);
  border_->setObjectName(QStringLiteral("CheckBox_Border"));
  connect(border_, &QCheckBox::toggled, this, [this](bool checked) { editor_->SetBorder(checked); });
  right->addWidget(border_);

  alpha_ = new TUpDownBox(nullptr, AlphaBox(), QStringLiteral("Edit_Alpha"), QStringLiteral("UpDown1"));
  alpha_->Edit()->Show(QStringLiteral("100"));
  alpha_->OnStep = [this] { editor_->SetAlpha(static_cast<int>(alpha_->Value())); };
  connect(alpha_->Edit(), &QLineEdit::editingFinished, this, [this] { AlphaEdited(); });
  alpha_->Edit()->installEventFilter(this);
  panelAlpha_ = Panel("Panel_Alpha", "透過率 %", alpha_, page);
  right->addWidget(panelAlpha_);

  length_ = new TUpDownBox(nullptr, LengthBox(), QStringLiteral("Edit_Length"), QStringLiteral("UpDown_Length"));
  length_->OnStep = [this] { editor_->SetLength(static_cast<float>(length_->Value())); };
  connect(length_->Edit(), &QLineEdit::editingFinished, this, [this] { LengthEdited(); });
  length_->Edit()->installEventFilter(this);
  panelLength_ = Panel("Panel_Length", "大きさ", length_, page);
  right->addWidget(panelLength_);
  // The editors come and go with the element; the page keeps its shape.
  for (QWidget* editor : {static_cast<QWidget*>(border_), panelAlpha_, panelLength_}) {
    QSizePolicy policy = editor->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    editor->setSizePolicy(policy);
  }
  right->addStretch(1);
  layout->addLayout(right);
  return page;
}

QWidget* TPropertyForm::BuildSettingsPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  constexpr std::array<std::pair<const char*, const char*>, 3> kSwitches{{
      {"CheckBox_PlaneSmooth", "機体マークをスムーズに動かす"},
      {"CheckBox_DiagonalKnife", "ナイフツールに斜め切りを許可する"},
      {"CheckBox_NotIgnoreVisible", "見えているポリゴンだけシーンファイルへ出力する"},
  }};
  for (int tag = 0; tag < 3; ++tag) {
    const auto& [name, caption] = kSwitches.at(static_cast<std::size_t>(tag));
    auto* box = new QCheckBox(Text(caption), page);
    box->setObjectName(QString::fromLatin1(name));
    connect(box, &QCheckBox::toggled, this, [this, tag](bool checked) { editor_->SetSwitch(tag, checked); });
    layout->addWidget(box);
    switches_.at(static_cast<std::size_t>(tag)) = box;
  }
  layout->addStretch(1);
  return page;
}

bool TPropertyForm::Execute(TVrelProp& settings, QWidget* parent) {
  TPropertyForm dialog(parent);
  dialog.Load(settings);
  if (dialog.exec() != Accepted)
    return false;
  settings.Assign(&dialog.Editor().Prop());
  return true;
}

void TPropertyForm::Load(const TVrelProp& settings) {
  editor_->Load(settings);
  for (int tag = 0; tag < 3; ++tag) {
    const QSignalBlocker quiet(Switch(tag));
    Switch(tag)->setChecked(editor_->Switch(tag));
  }
  pages_->setCurrentIndex(0);
  LoadEditors();
}

QCheckBox* TPropertyForm::Switch(int tag) const {
  return switches_.at(static_cast<std::size_t>(tag));
}

void TPropertyForm::SelectElement(int id) {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(0, kIdRole).toInt() == id && ((*it)->parent() != nullptr || id == 0)) {
      tree_->setCurrentItem(id == 0 ? nullptr : *it);
      break;
    }
  }
  if (id == 0)
    ElementChanged(nullptr);
}

void TPropertyForm::ElementChanged(QTreeWidgetItem* item) {
  const int id = item ? item->data(0, kIdRole).toInt() : 0;
  const TElementEditors editors = editor_->SelectElement(id);
  border_->setVisible(editors.Border != nullptr);
  panelAlpha_->setVisible(editors.Alpha != nullptr);
  panelLength_->setVisible(editors.Length != nullptr);
  render1_->setCursor(editor_->ScissorsCursor() ? CursorForId(crScissors) : QCursor(Qt::ArrowCursor));
  LoadEditors();
}

void TPropertyForm::LoadEditors() {
  if (const std::optional<int32_t> color = editor_->Color())
    colorBox_->SetSelected(*color);
  if (const std::optional<int> alpha = editor_->Alpha())
    alpha_->Edit()->Show(QString::number(*alpha));
  if (const std::optional<float> length = editor_->Length())
    length_->Edit()->Show(QString::fromStdString(FormatFixed(*length, 2)));
  if (const std::optional<bool> border = editor_->Border()) {
    const QSignalBlocker quiet(border_);
    border_->setChecked(*border);
  }
}

void TPropertyForm::AlphaEdited() {
  // Enter on a box that still shows the stored value (a 0 among them) changes nothing.
  if (!alpha_->Edit()->Edited())
    return;
  const double value = alpha_->Value();
  alpha_->Edit()->Show(QString::number(static_cast<int>(value)));
  editor_->SetAlpha(static_cast<int>(value));
}

void TPropertyForm::LengthEdited() {
  if (!length_->Edit()->Edited())
    return;
  const double value = length_->Value();
  length_->Edit()->Show(QString::fromStdString(FormatFixed(value, 2)));
  editor_->SetLength(static_cast<float>(value));
}

bool TPropertyForm::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the transparency or size box shows the typed value in the preview; it does not close
  // the dialog, which the user is still looking at.
  if ((watched == alpha_->Edit() || watched == length_->Edit()) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      watched == alpha_->Edit() ? AlphaEdited() : LengthEdited();
      return true;
    }
  }
  if (watched != render1_ || !editor_)
    return TDialogForm::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      editor_->MouseDown(at.x(), at.y());
      break;
    }
    case QEvent::MouseMove: {
      const auto* move = static_cast<QMouseEvent*>(event);
      const QPoint at = move->position().toPoint();
      const TPreviewButtons buttons{
          move->buttons().testFlag(Qt::LeftButton), move->buttons().testFlag(Qt::MiddleButton),
          move->buttons().testFlag(Qt::RightButton), move->modifiers().testFlag(Qt::ControlModifier)};
      const QScreen* screen = render1_->screen();
      editor_->MouseMove(buttons, at.x(), at.y(), screen ? screen->geometry().width() : render1_->width());
      break;
    }
    case QEvent::Wheel:
      editor_->Wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
      return true;
    default:
      break;
  }
  return TDialogForm::eventFilter(watched, event);
}

}  // namespace vrel
