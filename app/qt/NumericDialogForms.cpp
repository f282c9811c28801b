#include "app/qt/NumericDialogForms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainForm.h"
#include "app/qt/NumberBox.h"
#include "app/qt/PropertyForm.h"
#include "app/qt/ToolWindowHost.h"
#include "app/qt/UpDownBox.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "platform/MessageBox.h"
#include "platform/NumberFormat.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"

namespace vrel {

namespace {

constexpr std::array<const char*, 3> kAxisLetters{"X", "Y", "Z"};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString Name(const char* prefix, int axis) {
  return QString::fromLatin1(prefix) + QString::fromLatin1(kAxisLetters.at(static_cast<std::size_t>(axis)));
}

float Component(const Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

Vec3 BoxesValue(const std::array<TUpDownBox*, 3>& boxes) {
  return {static_cast<float>(boxes[0]->Value()), static_cast<float>(boxes[1]->Value()),
          static_cast<float>(boxes[2]->Value())};
}

void ShowInBoxes(const std::array<TUpDownBox*, 3>& boxes, const Vec3& v) {
  for (int axis = 0; axis < 3; ++axis)
    boxes.at(static_cast<std::size_t>(axis))->SetValue(Component(v, axis));
}

// Three coordinate boxes "Edit_PosX" .. with "UpDown_PosX" ..
std::array<TUpDownBox*, 3> CoordinateBoxes(QWidget* parent, const TDialogForm& dialog) {
  std::array<TUpDownBox*, 3> boxes{};
  for (int axis = 0; axis < 3; ++axis) {
    auto* box = new TUpDownBox(parent, CoordinateBox(dialog.MinValue(), dialog.MaxValue()), Name("Edit_Pos", axis),
                               Name("UpDown_Pos", axis));
    box->Edit()->Show(QStringLiteral("0"));
    boxes.at(static_cast<std::size_t>(axis)) = box;
  }
  return boxes;
}

void SetCoordinateRange(const std::array<TUpDownBox*, 3>& boxes, float minValue, float maxValue) {
  for (TUpDownBox* box : boxes)
    box->SetKind(CoordinateBox(minValue, maxValue));
}

QLabel* Label(const char* text, QWidget* parent) {
  return new QLabel(Text(text), parent);
}

}  // namespace

// --- the polygon grid ------------------------------------------------------------------------------

TPolygonForm::TPolygonForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("PolygonForm"), Text("ポリゴン作成"), Text("作成")) {
  auto* grid = new QGridLayout(Client());
  grid->addWidget(Label("X方向", Client()), 0, 1);
  grid->addWidget(Label("Z方向", Client()), 0, 2);
  grid->addWidget(Label("分割数", Client()), 1, 0);
  grid->addWidget(Label("サイズ", Client()), 2, 0);
  for (int i = 0; i < 2; ++i) {
    const char* axis = i == 0 ? "X" : "Z";
    auto* division = new TUpDownBox(Client(), DivisionBox(), QStringLiteral("Edit_Devide") + axis,
                                    QStringLiteral("UpDown_Devide") + axis);
    division->Edit()->Show(QStringLiteral("1"));
    auto* size = new TUpDownBox(Client(), SizeBox(maxSize_), QStringLiteral("Edit_Size") + axis,
                                QStringLiteral("UpDown_Size") + axis);
    size->Edit()->Show(QStringLiteral("200"));
    divisions_.at(static_cast<std::size_t>(i)) = division;
    sizes_.at(static_cast<std::size_t>(i)) = size;
    grid->addWidget(division, 1, i + 1);
    grid->addWidget(size, 2, i + 1);
  }

  auto* group = new QGroupBox(Text(" 位置指定 "), Client());
  group->setObjectName(QStringLiteral("RadioGroup_Position"));
  auto* groupLayout = new QHBoxLayout(group);
  auto* buttons = new QVBoxLayout;
  auto* modes = new QButtonGroup(this);
  constexpr std::array<const char*, 4> kModes{"発進位置", "機体位置", "選択重心", "位置指定"};
  for (int mode = 0; mode < 4; ++mode) {
    auto* button = new QRadioButton(Text(kModes.at(static_cast<std::size_t>(mode))), group);
    modes->addButton(button, mode);
    buttons->addWidget(button);
    modeButtons_.at(static_cast<std::size_t>(mode)) = button;
  }
  connect(modes, &QButtonGroup::idClicked, this, [this](int mode) { SetPositionMode(mode); });
  groupLayout->addLayout(buttons);
  auto* boxes = new QGridLayout;
  positionBoxes_ = CoordinateBoxes(group, *this);
  for (int axis = 0; axis < 3; ++axis) {
    boxes->addWidget(new QLabel(QString::fromLatin1(kAxisLetters.at(static_cast<std::size_t>(axis))), group), axis, 0);
    boxes->addWidget(Position(axis), axis, 1);
  }
  groupLayout->addLayout(boxes);
  grid->addWidget(group, 3, 0, 1, 3);

  newLayer_ = new QCheckBox(Text("新しいレイヤーに作成"), Client());
  newLayer_->setObjectName(QStringLiteral("CheckBox_NewLayer"));
  grid->addWidget(newLayer_, 4, 0, 1, 3);
  modeButtons_[0]->setChecked(true);
}

std::optional<TPolygonRequest> TPolygonForm::Execute(const Vec3& start, const Vec3& planeMark,
                                                     const std::optional<Vec3>& selectionCenter) {
  Prepare(start, planeMark, selectionCenter);
  if (exec() != Accepted)
    return std::nullopt;
  return Request();
}

void TPolygonForm::Prepare(const Vec3& start, const Vec3& planeMark, const std::optional<Vec3>& selectionCenter) {
  positions_.SetReferences(start, planeMark, selectionCenter);
  PositionButton(pmSelectionCenter)->setEnabled(positions_.Offers(pmSelectionCenter));
  SetPositionMode(positions_.Mode());
  newLayer_->setChecked(false);
}

TPolygonRequest TPolygonForm::Request() const {
  TPolygonRequest request;
  request.NewLayer = newLayer_->isChecked();
  request.DivisionsX = static_cast<int>(DivisionX()->Value());
  request.DivisionsZ = static_cast<int>(DivisionZ()->Value());
  request.SizeX = static_cast<float>(SizeX()->Value());
  request.SizeZ = static_cast<float>(SizeZ()->Value());
  request.Position = BoxPosition();
  return request;
}

void TPolygonForm::SetPositionMode(int mode) {
  positions_.SetMode(mode);
  modeButtons_.at(positions_.Mode())->setChecked(true);
  ShowInBoxes(positionBoxes_, positions_.Position());
}

void TPolygonForm::SetMaxSize(float maxSize) {
  maxSize_ = maxSize;
  for (TUpDownBox* size : sizes_)
    size->SetKind(SizeBox(maxSize));
}

Vec3 TPolygonForm::BoxPosition() const {
  return BoxesValue(positionBoxes_);
}

void TPolygonForm::RangeChanged() {
  SetCoordinateRange(positionBoxes_, MinValue(), MaxValue());
}

void TPolygonForm::done(int result) {
  positions_.Close(BoxPosition());
  TDialogForm::done(result);
}

// --- the vertex positions ------------------------------------------------------------------------

TVertexPositionForm::TVertexPositionForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("VertexPositionForm"), Text("頂点の位置をそろえる"), Text("実行")) {
  auto* grid = new QGridLayout(Client());
  constexpr std::array<const char*, 4> kColumns{"最小", "最大", "適用", "新しい位置"};
  for (int column = 0; column < 4; ++column)
    grid->addWidget(Label(kColumns.at(static_cast<std::size_t>(column)), Client()), 0, column + 1);
  constexpr std::array<const char*, 3> kMinNames{"SpeedButton_Xmin", "SpeedButton_YMin", "SpeedButton_ZMin"};
  positionBoxes_ = CoordinateBoxes(Client(), *this);
  for (int axis = 0; axis < 3; ++axis) {
    const auto at = static_cast<std::size_t>(axis);
    const int row = axis + 1;
    grid->addWidget(new QLabel(QString::fromLatin1(kAxisLetters.at(at)), Client()), row, 0);
    auto* minButton = new QPushButton(QStringLiteral("0.00"), Client());
    minButton->setObjectName(QString::fromLatin1(kMinNames.at(at)));
    auto* maxButton = new QPushButton(QStringLiteral("0.00"), Client());
    maxButton->setObjectName(Name("SpeedButton_", axis) + QStringLiteral("Max"));
    auto* apply = new QCheckBox(Client());
    apply->setObjectName(Name("CheckBox_Pos", axis));
    TUpDownBox* box = positionBoxes_.at(at);
    box->setEnabled(false);
    for (QPushButton* button : {minButton, maxButton}) {
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this, [box, button] { box->Edit()->setText(button->text()); });
    }
    connect(apply, &QCheckBox::toggled, box, &QWidget::setEnabled);
    grid->addWidget(minButton, row, 1);
    grid->addWidget(maxButton, row, 2);
    grid->addWidget(apply, row, 3, Qt::AlignCenter);
    grid->addWidget(box, row, 4);
    minButtons_.at(at) = minButton;
    maxButtons_.at(at) = maxButton;
    applyBoxes_.at(at) = apply;
  }
}

bool TVertexPositionForm::Execute(TSquareBladeCollections& layers) {
  return Prepare(layers.SelectedVertices()) && exec() == Accepted && Apply(layers);
}

bool TVertexPositionForm::Prepare(const TVertexItemList& list) {
  const std::optional<TVertexExtents> extents = VertexExtents(list);
  if (!extents)
    return false;
  for (int axis = 0; axis < 3; ++axis) {
    MinButton(axis)->setText(QString::fromStdString(FormatFixed(Component(extents->Min, axis), 2)));
    MaxButton(axis)->setText(QString::fromStdString(FormatFixed(Component(extents->Max, axis), 2)));
  }
  ShowInBoxes(positionBoxes_, extents->Middle());
  ApplyBox(extents->FlattestAxis())->setChecked(true);
  return true;
}

bool TVertexPositionForm::Apply(TSquareBladeCollections& layers) const {
  const std::array<bool, 3> apply{ApplyBox(0)->isChecked(), ApplyBox(1)->isChecked(), ApplyBox(2)->isChecked()};
  return SetVertexCoordinates(layers, apply, BoxesValue(positionBoxes_));
}

void TVertexPositionForm::RangeChanged() {
  SetCoordinateRange(positionBoxes_, MinValue(), MaxValue());
}

// --- the centre of a rotation or scaling ---------------------------------------------------------

TCentreBoxes::TCentreBoxes(QWidget* parent, const char* heading) : widget_(new QWidget(parent)) {
  auto* grid = new QGridLayout(widget_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(Label(heading, widget_), 0, 0, 1, 2);
  for (int axis = 0; axis < 3; ++axis) {
    const auto at = static_cast<std::size_t>(axis);
    auto* box = new TUpDownBox(widget_, CoordinateBox(-1000, 1000), Name("Edit_Pos", axis), Name("UpDown_Pos", axis));
    box->Edit()->Show(QStringLiteral("0"));
    boxes_.at(at) = box;
    grid->addWidget(new QLabel(QString::fromLatin1(kAxisLetters.at(at)), widget_), axis + 1, 0);
    grid->addWidget(box, axis + 1, 1);
  }
  baryCentric_ = new QRadioButton(Text("選択オブジェクト"), widget_);
  baryCentric_->setObjectName(QStringLiteral("RadioButton_BaryCentric"));
  origin_ = new QRadioButton(Text("原点"), widget_);
  origin_->setObjectName(QStringLiteral("RadioButton_Origin"));
  baryCentric_->setChecked(true);
  grid->addWidget(baryCentric_, 4, 0, 1, 2);
  grid->addWidget(origin_, 5, 0, 1, 2);
  QObject::connect(baryCentric_, &QRadioButton::clicked, widget_, [this] { SetCenterMode(0); });
  QObject::connect(origin_, &QRadioButton::clicked, widget_, [this] { SetCenterMode(1); });
}

void TCentreBoxes::SetCenterMode(int mode) {
  centerMode_ = mode == 1 ? 1 : 0;
  (centerMode_ == 0 ? baryCentric_ : origin_)->setChecked(true);
  ShowInBoxes(boxes_, centerMode_ == 0 ? centroid_ : Vec3{});
}

void TCentreBoxes::SetCentroid(const Vec3& centroid) {
  centroid_ = centroid;
}

Vec3 TCentreBoxes::Value() const {
  return BoxesValue(boxes_);
}

void TCentreBoxes::SetRange(float minValue, float maxValue) {
  SetCoordinateRange(boxes_, minValue, maxValue);
}

// --- rotation ------------------------------------------------------------------------------------

TRotationForm::TRotationForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("RotationForm"), Text("回転"), Text("実行")),
      centre_(std::make_unique<TCentreBoxes>(Client(), "中心位置")) {
  auto* layout = new QGridLayout(Client());
  layout->addWidget(Label("回転軸", Client()), 0, 0);
  auto* axes = new QHBoxLayout;
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  constexpr std::array<const char*, 4> kNames{"SpeedButton_x", "SpeedButton_y", "SpeedButton_z", "SpeedButton_Camera"};
  constexpr std::array<const char*, 4> kCaptions{"X", "Y", "Z", "視点"};
  for (int mode = 0; mode < 4; ++mode) {
    const auto at = static_cast<std::size_t>(mode);
    auto* button = new QToolButton(Client());
    button->setObjectName(QString::fromLatin1(kNames.at(at)));
    button->setText(Text(kCaptions.at(at)));
    button->setCheckable(true);
    button->setMinimumWidth(32);
    group->addButton(button, mode);
    axes->addWidget(button);
    axisButtons_.at(at) = button;
  }
  axisButtons_[0]->setChecked(true);
  connect(group, &QButtonGroup::idClicked, this, [this](int mode) { SetAxisMode(mode); });
  layout->addLayout(axes, 0, 1);
  layout->addWidget(Label("回転角", Client()), 1, 0);
  angle_ =
      new TUpDownBox(Client(), AngleBox(), QStringLiteral("Edit_RotateValue"), QStringLiteral("UpDown_RotateValue"));
  angle_->Edit()->Show(QStringLiteral("0"));
  layout->addWidget(angle_, 1, 1);
  layout->addWidget(centre_->Widget(), 2, 0, 1, 2);
  RangeChanged();
}

bool TRotationForm::Execute(TSquareBladeCollections& layers, const Vec3& eye) {
  return Prepare(layers.SelectedVertices(), eye) && exec() == Accepted && Apply(layers);
}

bool TRotationForm::Prepare(const TVertexItemList& list, const Vec3& eye) {
  if (list.Count() < 2)
    return false;
  eye_ = eye;
  centre_->SetCentroid(SelectionCentroid(list));
  centre_->SetCenterMode(centre_->CenterMode());
  SetAxisMode(axisMode_);
  return true;
}

void TRotationForm::SetAxisMode(int mode) {
  axisMode_ = std::clamp(mode, 0, static_cast<int>(ramCamera));
  axis_ = RotationDialogAxis(axisMode_, eye_, centre_->Centroid());
  AxisButton(axisMode_)->setChecked(true);
}

bool TRotationForm::Apply(TSquareBladeCollections& layers) const {
  const std::optional<Matrix> rotation =
      RotationAboutPivot(centre_->Value(), axis_, static_cast<float>(angle_->Value()));
  if (!rotation) {
    ShowMessageBox("Vrel", kZeroAxisMessage, TMsgIcon::Warning, TMsgButtons::OK);
    return false;
  }
  return TransformVertices(layers, *rotation);
}

void TRotationForm::RangeChanged() {
  centre_->SetRange(MinValue(), MaxValue());
}

// --- scaling -------------------------------------------------------------------------------------

TScaleForm::TScaleForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("ScaleForm"), Text("拡大"), QStringLiteral("OK")),
      centre_(std::make_unique<TCentreBoxes>(Client(), "基準位置")) {
  auto* layout = new QGridLayout(Client());
  layout->addWidget(Label("拡大率", Client()), 0, 0, 1, 2);
  for (int axis = 0; axis < 3; ++axis) {
    const auto at = static_cast<std::size_t>(axis);
    auto* box = new TUpDownBox(Client(), ScaleBox(), Name("Edit_Scale", axis), Name("UpDown_Scale", axis));
    box->Edit()->Show(QStringLiteral("1.000"));
    // The user's typing, not the program's writing, is what the other boxes follow.
    connect(box->Edit(), &QLineEdit::textEdited, this, [this, axis] { ScaleEdited(axis); });
    box->OnStep = [this, axis] { ScaleEdited(axis); };
    scales_.at(at) = box;
    layout->addWidget(new QLabel(QString::fromLatin1(kAxisLetters.at(at)), Client()), axis + 1, 0);
    layout->addWidget(box, axis + 1, 1);
  }
  equalScale_ = new QCheckBox(Text("等比変形"), Client());
  equalScale_->setObjectName(QStringLiteral("CheckBox_EqualScale"));
  equalScale_->setChecked(true);
  layout->addWidget(equalScale_, 4, 0, 1, 2);
  layout->addWidget(centre_->Widget(), 0, 2, 6, 1);
  RangeChanged();
}

bool TScaleForm::Execute(TSquareBladeCollections& layers) {
  return Prepare(layers.SelectedVertices()) && exec() == Accepted && Apply(layers);
}

bool TScaleForm::Prepare(const TVertexItemList& list) {
  if (list.Count() < 2)
    return false;
  centre_->SetCentroid(SelectionCentroid(list));
  centre_->SetCenterMode(centre_->CenterMode());
  return true;
}

void TScaleForm::ScaleEdited(int axis) {
  if (!equalScale_->isChecked())
    return;
  const double value = Scale(axis)->Value();
  for (int other = 0; other < 3; ++other) {
    if (other != axis)
      Scale(other)->SetValue(value);
  }
}

bool TScaleForm::Apply(TSquareBladeCollections& layers) const {
  return TransformVertices(layers, ScalingAboutPivot(centre_->Value(), BoxesValue(scales_)));
}

void TScaleForm::RangeChanged() {
  centre_->SetRange(MinValue(), MaxValue());
}

// --- the polygon statistics ----------------------------------------------------------------------

namespace {

struct TStatisticsRow {
  const char* Label;
  const char* Box;  // nullptr for a heading
};

constexpr TStatisticsRow kStatisticsRows[] = {
    {"作成されたポリゴン数：", "Edit_CreatedPolygon"},
    {"透明ポリゴン：", "Edit_Clear"},
    {"背景を適用されたポリゴン：", "Edit_DrawTexture"},
    {"シーンファイルに出力されるポリゴン数：", "Edit_SceneTotal"},
    {"透明ポリゴン：", "Edit_SceneClear"},
    {"キューブ面：", "Edit_Cube"},
    {"背景を適用されたポリゴン", nullptr},
    {"キューブ面に分割されて表示されるポリゴン：", "Edit_RiderBlade"},
    {"細分化されて透明になるポリゴン：", "Edit_FinParent"},
    {"細分化表示されるポリゴン：", "Edit_Fin"},
};

}  // namespace

TPolygonPropertyForm::TPolygonPropertyForm(QWidget* parent)
    : TDialogForm(parent, QStringLiteral("PolygonPropertyForm"), Text("ポリゴン プロパティ")) {
  auto* grid = new QGridLayout(Client());
  int row = 0;
  for (const TStatisticsRow& line : kStatisticsRows) {
    auto* label = Label(line.Label, Client());
    if (line.Box == nullptr) {
      grid->addWidget(label, row++, 0, 1, 2);
      continue;
    }
    auto* box = new QLineEdit(Client());
    box->setObjectName(QString::fromLatin1(line.Box));
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(70);
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(box, row++, 1);
  }
  Box("Edit_Cube")->setText(QString::number(TPolygonStatistics::kCubeFaces));
}

QLineEdit* TPolygonPropertyForm::Box(const char* name) const {
  return Client()->findChild<QLineEdit*>(QString::fromLatin1(name));
}

void TPolygonPropertyForm::Execute(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube,
                                   bool includeHidden) {
  Prepare(layers, cube, includeHidden);
  exec();
}

void TPolygonPropertyForm::Prepare(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube,
                                   bool includeHidden) {
  const TPolygonStatistics counts = CountPolygons(layers, cube, includeHidden);
  const std::pair<const char*, int> values[] = {
      {"Edit_CreatedPolygon", counts.Created()}, {"Edit_Clear", counts.Clear},
      {"Edit_DrawTexture", counts.Textured},     {"Edit_SceneTotal", counts.SceneTotal()},
      {"Edit_SceneClear", counts.Clear},         {"Edit_RiderBlade", counts.RiderBlades},
      {"Edit_FinParent", counts.FinParents},     {"Edit_Fin", counts.Fins},
  };
  for (const auto& [name, value] : values)
    Box(name)->setText(QString::number(value));
  QLineEdit* total = Box("Edit_SceneTotal");
  QPalette colours = total->palette();
  colours.setColor(QPalette::Text, counts.OverLimit() ? QColor(255, 0, 0) : palette().color(QPalette::WindowText));
  total->setPalette(colours);
}

// --- the dialogs as the program opens them -------------------------------------------------------

TDialogWindows::TDialogWindows(TToolWindowHost& window)
    : QObject(&window.OwnerWindow()),
      window_(window),
      vertexPosition_(new TVertexPositionForm(&window.OwnerWindow())),
      polygon_(new TPolygonForm(&window.OwnerWindow())),
      rotation_(new TRotationForm(&window.OwnerWindow())),
      polygonProperty_(new TPolygonPropertyForm(&window.OwnerWindow())),
      scale_(new TScaleForm(&window.OwnerWindow())) {}

void TDialogWindows::SetRanges(float areaRadius) {
  for (TDialogForm* dialog : std::initializer_list<TDialogForm*>{vertexPosition_, rotation_, scale_})
    dialog->SetRange(-2.0f * areaRadius, 2.0f * areaRadius);
  polygon_->SetMaxSize(areaRadius);
}

std::optional<TPolygonRequest> TDialogWindows::PolygonDialog(const Vec3& start, const Vec3& planeMark,
                                                             const std::optional<Vec3>& selectionCenter) {
  // The grid may go anywhere in the cube of the scene as it is now.
  const auto radius = static_cast<float>(window_.Form().SceneFiler()->FMSData()->AreaRadius());
  polygon_->SetRange(-2.0f * radius, 2.0f * radius);
  polygon_->SetMaxSize(radius);
  return polygon_->Execute(start, planeMark, selectionCenter);
}

bool TDialogWindows::VertexPositionDialog(TSquareBladeCollections& layers) {
  return vertexPosition_->Execute(layers);
}

bool TDialogWindows::RotationDialog(TSquareBladeCollections& layers) {
  return rotation_->Execute(layers, window_.Form().Transformer1().CameraPos()->GetVector());
}

bool TDialogWindows::ScaleDialog(TSquareBladeCollections& layers) {
  return scale_->Execute(layers);
}

void TDialogWindows::PolygonProperty() {
  TMainForm& form = window_.Form();
  polygonProperty_->Execute(*form.Collections(), *form.RenderStage()->Cube(), form.Prop()->IgnoreVisible());
}

void TDialogWindows::Settings() {
  TMainForm& form = window_.Form();
  if (TPropertyForm::Execute(*form.Prop(), &window_.OwnerWindow()))
    form.ApplyProperties();
}

}  // namespace vrel
