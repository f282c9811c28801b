#include "app/qt/MainWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <initializer_list>

#include "app/DockUtils.h"
#include "app/PlaneMarkControl.h"
#include "app/qt/Application.h"
#include "app/qt/AxisToolForms.h"
#include "app/qt/DirectionToolForm.h"
#include "app/qt/DockForm.h"
#include "app/qt/FlatButton.h"
#include "app/qt/FloatForm.h"
#include "app/qt/LayerForm.h"
#include "app/qt/MemoForm.h"
#include "app/qt/NumericDialogForms.h"
#include "app/qt/OperatePanelForm.h"
#include "app/qt/ParamForm.h"
#include "app/qt/RenderWidget.h"
#include "app/qt/ShortcutGate.h"
#include "app/qt/ToolForm.h"
#include "app/qt/VersionDialogForm.h"
#include "app/qt/ViewEvents.h"
#include "app/qt/ViewToggleIcons.h"
#include "imaging/FaceImages.h"
#include "imaging/Graphics.h"
#include "imaging/qt/QtPictureDialog.h"
#include "platform/Cp932.h"
#include "platform/Menus.h"
#include "platform/qt/QtCursors.h"

Q_LOGGING_CATEGORY(lcStartup, "vrel.startup", QtWarningMsg)

namespace vrel {

namespace {

constexpr int kHeadPanelHeight = 30;
constexpr std::array<int, 3> kStatusPanelWidths{280, 100, 280};

// The ten view toggles' hints, by tag.
constexpr std::array<const char*, kViewToggleCount> kViewToggleHints{
    "点", "辺", "６面", "XYZ軸", "発進方向", "発進位置", "機体マーク", "点", "辺", "面"};
constexpr std::array<const char*, 3> kViewGroupCaptions{"背景", "パーツ", "ポリゴン"};
// The first toggle of each group.
constexpr std::array<int, 3> kViewGroupFirstToggle{0, 3, 7};
constexpr std::array<int, 3> kViewGroupEnd{3, 7, 10};
constexpr std::array<const char*, 3> kViewPointHints{"原点", "自由", "真上"};

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Runs the steps in order; each failure is remembered and the rest still run. The first failure is
// shown.
class TStepRunner {
 public:
  template <class F>
  void Run(F&& step) {
    try {
      step();
    } catch (const std::exception& error) {
      if (first_.empty())
        first_ = error.what();
    }
  }
  void ShowFirstFailure() const {
    if (!first_.empty())
      ShowException(std::runtime_error(first_));
  }

 private:
  std::string first_;
};

}  // namespace

MainWindow::MainWindow()
    : render1_(new RenderWidget),
      form_(std::make_unique<TMainForm>(render1_->Render(), static_cast<TMainFormWindow&>(*this),
                                        static_cast<TMainFormPanels*>(this))),
      dialogs_(this, AskForPictureFile),
      statusProgress_(statusBar()) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromLatin1(TMainForm::kCaption));
  setMinimumSize(TMainForm::kMinWidth, TMainForm::kMinHeight);
  setDockOptions(AnimatedDocks);

  auto* renderPanel = new QFrame(this);
  renderPanel->setObjectName(QStringLiteral("RenderPanel"));
  renderPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  renderPanel->setLineWidth(1);
  auto* renderLayout = new QVBoxLayout(renderPanel);
  renderLayout->setContentsMargins(1, 1, 1, 1);
  render1_->setObjectName(QStringLiteral("Render1"));
  render1_->setParent(renderPanel);
  renderLayout->addWidget(render1_);
  setCentralWidget(renderPanel);
  renderPanel->installEventFilter(this);
  render1_->installEventFilter(this);
  viewEvents_ = new ViewEvents(render1_, *form_);

  BuildHeadPanel();
  BuildStatusBar();
  TDocumentCommandPorts ports;
  ports.Dialogs = &dialogs_;
  ports.StatusBar = &statusProgress_;
  ports.ProgressPanel = [this] {
    const QLabel* panel = StatusPanel(spProgress);
    return TProgressPanel{panel->geometry().left(), panel->width()};
  };
  ports.DecodeFaceImage = ReadFaceImage;
  ports.PictureFilter = [] { return FilterText(PictureFormats().Filter()); };
  documents_ = std::make_unique<TDocumentCommands>(*form_, std::move(ports));
  BuildMenu();

  timer1_.setInterval(20);
  connect(&timer1_, &QTimer::timeout, this, [this] { Command([this] { form_->PlaneMark().Timer1Timer(); }); });
  gate_ = new ShortcutGate(
      {[this] { return form_->ShortCutEnabled(); }, [this](bool enabled) { form_->SetShortCutEnabled(enabled); },
       [this](const QKeySequence& keys) { return FindShortcut(keys); }},
      this);
}

MainWindow::~MainWindow() {
  // No focus change of the children going away may reach the document.
  delete gate_;
  gate_ = nullptr;
  // Nor any event of the view.
  delete viewEvents_;
  viewEvents_ = nullptr;
  timer1_.stop();
  // The panels are children and go with the window; the document goes first.
  menuCommands_.reset();
  documents_.reset();
  form_.reset();
}

// --- building --------------------------------------------------------------------------------------

void MainWindow::BuildHeadPanel() {
  headPanel_ = new QToolBar(this);
  headPanel_->setObjectName(QStringLiteral("HeadPanel"));
  headPanel_->setMovable(false);
  headPanel_->setFloatable(false);
  headPanel_->setFixedHeight(kHeadPanelHeight);
  addToolBar(Qt::TopToolBarArea, headPanel_);

  headPanel_->addWidget(new QLabel(Text(" 視点 "), headPanel_));
  viewPointGroup_ = new QButtonGroup(this);
  viewPointGroup_->setExclusive(true);
  for (int tag = vpOrigin; tag <= vpTop; ++tag) {
    auto* button = new QToolButton(headPanel_);
    button->setText(Text(kViewPointHints.at(static_cast<std::size_t>(tag))));
    button->setToolTip(button->text());
    button->setCheckable(true);
    viewPointGroup_->addButton(button, tag);
    headPanel_->addWidget(button);
    viewPointButtons_.at(static_cast<std::size_t>(tag)) = button;
    connect(button, &QToolButton::clicked, this, [this, tag] { Command([&] { form_->ViewPointClick(tag); }); });
  }
  viewPointButtons_.at(vpFree)->setChecked(true);

  for (std::size_t group = 0; group < viewGroups_.size(); ++group) {
    headPanel_->addSeparator();
    auto* flat = new TFlatButton(Text(kViewGroupCaptions.at(group)), headPanel_);
    flat->SetDown(true);
    flat->OnDownChange = [this, group](TFlatButton& sender) {
      Command([&] { form_->ViewGroupDownChange(static_cast<int>(group), sender.Down()); });
    };
    headPanel_->addWidget(flat);
    viewGroups_.at(group) = flat;
    for (int tag = kViewGroupFirstToggle.at(group); tag < kViewGroupEnd.at(group); ++tag) {
      auto* toggle = new QToolButton(headPanel_);
      toggle->setIcon(ViewToggleIcon(tag));
      toggle->setToolTip(Text(kViewToggleHints.at(static_cast<std::size_t>(tag))));
      toggle->setCheckable(true);
      headPanel_->addWidget(toggle);
      viewToggles_.at(static_cast<std::size_t>(tag)) = toggle;
      connect(toggle, &QToolButton::clicked, this,
              [this, tag](bool down) { Command([&] { form_->ViewToggleClick(tag, down); }); });
    }
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedWidth(kStatusPanelWidths.at(i));
    bar->addWidget(panel);
    statusPanels_.at(i) = panel;
  }
}

void MainWindow::BuildMenu() {
  for (const TMenuRow& row : MainMenuRows()) {
    const std::string_view parentName = row.Parent;
    if (parentName.empty()) {
      QMenu* menu = menuBar()->addMenu(Text(row.Caption));
      AddMenu(row, menu);
      continue;
    }
    QAction* action = nullptr;
    if (parentName == kWindowActions) {
      action = new QAction(Text(row.Caption), this);
    } else {
      QMenu* parent = Menu(row.Parent);
      if (std::string_view(row.Caption) == "-") {
        parent->addSeparator();
        continue;
      }
      if (row.Click) {
        action = parent->addAction(Text(row.Caption));
      } else {
        // An item that runs nothing holds a menu of its own.
        QMenu* sub = parent->addMenu(Text(row.Caption));
        AddMenu(row, sub);
        action = sub->menuAction();
      }
    }
    action->setObjectName(QString::fromLatin1(row.Name));
    action->setCheckable(row.Checked != nullptr);
    if (row.ShortCut[0] != '\0') {
      action->setShortcut(QKeySequence(QString::fromLatin1(row.ShortCut)));
      // The main menu's shortcuts work from every window of the program (the gate decides).
      action->setShortcutContext(Qt::ApplicationShortcut);
    }
    addAction(action);
    actions_.emplace(row.Name, action);
    rowOf_.emplace(action, &row);
    if (row.Click) {
      connect(action, &QAction::triggered, this, [this, &row] {
        Command([&] {
          if (menuCommands_)
            menuCommands_->Run(row);
        });
      });
    }
  }
}

void MainWindow::AddMenu(const TMenuRow& row, QMenu* menu) {
  menu->setObjectName(QString::fromLatin1(row.Name));
  menus_.emplace(row.Name, menu);
  // Qt ignores the shortcuts of disabled items: the rules disable items only while their menu is
  // open, and every command checks its rule again when it runs.
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { Guarded([&] { RunMenuRules(menu); }); });
  connect(menu, &QMenu::aboutToHide, this, [this, menu] { EnableMenuItems(menu); });
}

void MainWindow::Command(const std::function<void()>& command) {
  // Commands act on the document, which lives from the first show to closing.
  if (form_->Started())
    Guarded(command);
}

void MainWindow::FocusView() {
  render1_->setFocus(Qt::OtherFocusReason);
}

QAction* MainWindow::MenuAction(std::string_view name) const {
  const auto found = actions_.find(name);
  return found == actions_.end() ? nullptr : found->second;
}

QMenu* MainWindow::Menu(std::string_view name) const {
  const auto found = menus_.find(name);
  return found == menus_.end() ? nullptr : found->second;
}

void MainWindow::RunMenuRules(QMenu* menu) {
  if (menu == nullptr)
    return;
  for (QAction* action : menu->actions()) {
    const auto found = rowOf_.find(action);
    if (found == rowOf_.end())
      continue;
    const TMenuRow& row = *found->second;
    const bool ready = form_->Started() && menuCommands_;
    if (row.Enabled)
      action->setEnabled(ready && row.Enabled(*menuCommands_));
    if (row.Checked)
      action->setChecked(ready && row.Checked(*menuCommands_, row.Tag));
    if (row.Text && ready)
      action->setText(QString::fromStdString(row.Text(*menuCommands_)));
  }
}

void MainWindow::EnableMenuItems(QMenu* menu) {
  for (QAction* action : menu->actions()) {
    const auto found = rowOf_.find(action);
    if (found != rowOf_.end() && found->second->Enabled)
      action->setEnabled(true);
  }
}

QAction* MainWindow::FindShortcut(const QKeySequence& keys) const {
  const auto matches = [&keys](const QAction* action) {
    return !action->shortcut().isEmpty() && action->shortcut().matches(keys) == QKeySequence::ExactMatch;
  };
  for (const auto& [action, row] : rowOf_) {
    if (matches(action))
      return action;
  }
  const auto memory = std::find_if(memoryActions_.begin(), memoryActions_.end(), matches);
  return memory == memoryActions_.end() ? nullptr : *memory;
}

void MainWindow::SetToolWindows(const ToolWindows& tools) {
  tools_ = tools;
  if (tools_.ToolForm) {
    menuCommands_ = std::make_unique<TMenuCommands>(*form_, *documents_, tools_.ToolForm->Commands(), clipboard_,
                                                    static_cast<TMenuWindow&>(*this));
  }
  for (TDockForm* form : DockForms()) {
    addDockWidget(Qt::RightDockWidgetArea, form, Qt::Vertical);
    form->hide();
    connect(form, &QDockWidget::topLevelChanged, this, [this, form](bool floating) {
      // A panel the user dropped on the site takes its side from where it landed.
      if (!floating && !restoringDocks_)
        QTimer::singleShot(0, form, [this, form] { UpdateDockAlign(form); });
    });
  }
  for (TFloatForm* form : FloatForms())
    form->OnUserMoved = [this](TFloatForm& moved) { KeepFloatFormInside(&moved); };
}

std::vector<TDockForm*> MainWindow::DockForms() const {
  std::vector<TDockForm*> forms;
  for (TDockForm* form : std::initializer_list<TDockForm*>{tools_.ToolForm, tools_.LayerForm, tools_.ParamForm}) {
    if (form)
      forms.push_back(form);
  }
  return forms;
}

std::vector<TFloatForm*> MainWindow::FloatForms() const {
  std::vector<TFloatForm*> forms;
  for (TFloatForm* form : std::initializer_list<TFloatForm*>{tools_.OperatePanelForm, tools_.DirectionToolForm,
                                                             tools_.RotationToolForm, tools_.ScaleToolForm}) {
    if (form)
      forms.push_back(form);
  }
  return forms;
}

// --- the window port -------------------------------------------------------------------------------

void MainWindow::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void MainWindow::SetStatusText(TStatusPanel panel, const std::string& text) {
  // A panel cuts a long text off; the whole of it shows when the pointer rests on the panel.
  StatusPanel(panel)->setText(QString::fromStdString(text));
  StatusPanel(panel)->setToolTip(QString::fromStdString(text));
}

void MainWindow::SetViewToggleDown(int tag, bool down) {
  ViewToggle(tag)->setChecked(down);
}

void MainWindow::SetViewPointDown(TViewPoint viewPoint) {
  ViewPointButton(viewPoint)->setChecked(true);
}

void MainWindow::SetViewCursor(int cursorId) {
  render1_->setCursor(CursorForId(cursorId));
}

void MainWindow::SetTimer1Enabled(bool enabled) {
  if (enabled)
    timer1_.start();
  else
    timer1_.stop();
}

int MainWindow::ScreenWidth() const {
  const QScreen* at = screen();
  return at ? at->geometry().width() : 0;
}

void MainWindow::PlaneMarkMemoryChanged() {
  QMenu* call = Menu("mnuPlaneMark_Call");
  for (QAction* action : memoryActions_) {
    removeAction(action);
    delete action;
  }
  memoryActions_.clear();
  const TMenuItem& memory = form_->PlaneMark().Memory();
  for (int i = 0; i < memory.Count(); ++i) {
    const TMenuItem& item = *memory.Items(i);
    QAction* action = call->addAction(QString::fromStdString(Cp932ToUtf8(item.Caption())));
    const int32_t shortCut = item.ShortCut();
    if (shortCut != 0) {
      // Menu item shortcuts keep the key in the low byte and Shift as 0x2000, Ctrl 0x4000, Alt 0x8000.
      Qt::KeyboardModifiers modifiers;
      modifiers.setFlag(Qt::ShiftModifier, (shortCut & 0x2000) != 0);
      modifiers.setFlag(Qt::ControlModifier, (shortCut & 0x4000) != 0);
      modifiers.setFlag(Qt::AltModifier, (shortCut & 0x8000) != 0);
      action->setShortcut(QKeyCombination(modifiers, static_cast<Qt::Key>(shortCut & 0xFF)));
      action->setShortcutContext(Qt::ApplicationShortcut);
    }
    addAction(action);
    connect(action, &QAction::triggered, this, [this, i] { Command([this, i] { form_->PlaneMark().Recall(i); }); });
    memoryActions_.push_back(action);
  }
  if (QAction* callItem = MenuAction("mnuPlaneMark_Call"))
    callItem->setEnabled(memory.Count() > 0);
}

// --- the windows as the menu reaches them ---------------------------------------------------------

void MainWindow::CloseMainWindow() {
  close();
}

void MainWindow::ShowSettings() {
  if (tools_.Dialogs)
    tools_.Dialogs->Settings();
}

void MainWindow::ShowMemo() {
  if (tools_.MemoForm)
    tools_.MemoForm->ShowMemo();
}

void MainWindow::ShowVersionDialog() {
  vrel::ShowVersionDialog(this);
}

QWidget* MainWindow::Panel(TToolPanel panel) const {
  switch (panel) {
    case tpLayer:
      return tools_.LayerForm;
    case tpTool:
      return tools_.ToolForm;
    case tpParam:
      return tools_.ParamForm;
    case tpOperate:
      return tools_.OperatePanelForm;
  }
  return nullptr;
}

bool MainWindow::PanelVisible(TToolPanel panel) const {
  const QWidget* widget = Panel(panel);
  return widget && !widget->isHidden();
}

void MainWindow::TogglePanel(TToolPanel panel) {
  QWidget* widget = Panel(panel);
  if (!widget)
    return;
  if (!widget->isHidden()) {
    widget->close();
    return;
  }
  if (panel == tpOperate) {
    widget->show();
    widget->raise();
    KeepFloatFormInside(tools_.OperatePanelForm);
    return;
  }
  // A panel closed in the site stays docked and comes back there, on its side of the others.
  auto* form = static_cast<TDockForm*>(widget);
  if (form->isFloating()) {
    form->show();
    form->raise();
  } else {
    DockControl(form, form->DockAlign());
  }
}

// --- the tool windows as the logic reaches them ----------------------------------------------------

void MainWindow::ShowFMSParams(const TFMSDataHolder& params) {
  if (!tools_.ParamForm)
    return;
  tools_.ParamForm->DataHolder().Assign(&params);
  tools_.ParamForm->ShowParams();
}

bool MainWindow::ParamLookAt() const {
  return tools_.ParamForm ? tools_.ParamForm->LookAt() : true;
}

void MainWindow::SetLayerCollections(TSquareBladeCollections* collections) {
  if (tools_.LayerForm)
    tools_.LayerForm->SetCollections(collections);
}

void MainWindow::SetDialogRanges(float areaRadius) {
  if (tools_.DirectionToolForm)
    tools_.DirectionToolForm->SetRange(-2.0f * areaRadius, 2.0f * areaRadius);
  if (tools_.Dialogs)
    tools_.Dialogs->SetRanges(areaRadius);
}

void MainWindow::EditModeChanged(TEditMode mode) {
  if (tools_.ToolForm)
    tools_.ToolForm->SetModeButtonDown(mode);
  const std::pair<TFloatForm*, TEditMode> modePanels[] = {
      {tools_.DirectionToolForm, emDirection}, {tools_.ScaleToolForm, emScale}, {tools_.RotationToolForm, emRotation}};
  for (const auto& [panel, panelMode] : modePanels) {
    if (!panel)
      continue;
    panel->setVisible(mode == panelMode);
    if (mode == panelMode) {
      panel->raise();
      KeepFloatFormInside(panel);
    }
  }
}

void MainWindow::ShowMoveVectors(const Vec3& relative, const Vec3& absolute) {
  if (tools_.DirectionToolForm)
    tools_.DirectionToolForm->ShowVectors(relative, absolute);
}

void MainWindow::ClearMoveVectors() {
  if (tools_.DirectionToolForm)
    tools_.DirectionToolForm->ClearVectors();
}

TScaleAxis MainWindow::ScaleAxis() const {
  return tools_.ScaleToolForm ? tools_.ScaleToolForm->Axis() : saEqualRatio;
}

TRotationAxis MainWindow::RotationAxis() const {
  return tools_.RotationToolForm ? tools_.RotationToolForm->Axis() : raViewAxis;
}

// --- showing ---------------------------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Qt shows the window again when it comes back from minimised.
  if (shown_)
    return;
  shown_ = true;
  Guarded([this] { FormShow(); });
}

void MainWindow::FormShow() {
  // The placement and the display settings from one reading of the settings file.
  const TRegSession settings(form_->Reg());
  const TMainFormPlacement stored = form_->LoadFormSettings();
  RestorePlacement(stored, {});
  RestoreDocking();
  // Never placed: the window opens at the size at which its panels are whole, each docked one at
  // its full height.
  if (stored.Width <= 0 || stored.Height <= 0) {
    RestorePlacement(stored, WholeSize());
    layout()->activate();
    const std::vector<TDockForm*> docked = DockedForms();
    QList<int> heights;
    for (const TDockForm* form : docked)
      heights.append(form->sizeHint().height());
    resizeDocks(QList<QDockWidget*>(docked.begin(), docked.end()), heights, Qt::Vertical);
  }
  RestoreFloatForms();
  form_->Start();
  // The view's device comes with its drawing context, when the window system gives one.
  render1_->setFocus();
}

void MainWindow::RestorePlacement(const TMainFormPlacement& stored, const QSize& whole) {
  const int width = stored.Width > 0 ? stored.Width : whole.width();
  const int height = stored.Height > 0 ? stored.Height : whole.height();
  const TPlacementRect rect = ClampToNearestScreen({stored.Left, stored.Top, width, height}, ScreenRects(),
                                                   TMainForm::kMinWidth, TMainForm::kMinHeight);
  placement_.Restore(*this, rect);
  if (stored.Maximize)
    setWindowState(windowState() | Qt::WindowMaximized);
  sitePanelWidth_ = stored.SitePanelWidth;
}

QSize MainWindow::WholeSize() const {
  const QSize frame = frameGeometry().size() - size();
  // The head panel spans the window; its own margins stay as they are.
  const int width = this->width() - headPanel_->width() + headPanel_->sizeHint().width();
  // The docked panels stand in the view's band, one separator between two.
  const std::vector<TDockForm*> docked = DockedForms();
  int panels = 0;
  for (const TDockForm* form : docked)
    panels += form->sizeHint().height();
  if (!docked.empty())
    panels += static_cast<int>(docked.size() - 1) * style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
  const int height = this->height() - centralWidget()->height() + panels;
  return {width + frame.width(), height + frame.height()};
}

void MainWindow::RestoreDocking() {
  restoringDocks_ = true;
  TDockFormList listed;
  for (TDockForm* form : DockForms()) {
    form->LoadSettings();
    if (form->VisibleSetting() && form->Docking())
      listed.AddByTop(form, form->StoredTop());
  }
  std::vector<TDockForm*> docked;
  for (int i = 0; i < listed.Count(); ++i)
    docked.push_back(listed.Forms(i));
  DockInOrder(docked);
  for (TDockForm* form : DockForms()) {
    if (std::find(docked.begin(), docked.end(), form) != docked.end())
      continue;
    if (form->Docking()) {
      form->setFloating(false);
      form->hide();
    } else {
      form->ApplyFloating();
    }
  }
  if (!docked.empty()) {
    resizeDocks(QList<QDockWidget*>(docked.begin(), docked.end()),
                QList<int>(static_cast<qsizetype>(docked.size()), sitePanelWidth_), Qt::Horizontal);
  }
  restoringDocks_ = false;
  layout()->activate();
}

void MainWindow::RestoreFloatForms() {
  for (TFloatForm* form : std::initializer_list<TFloatForm*>{tools_.OperatePanelForm, tools_.DirectionToolForm,
                                                             tools_.ScaleToolForm, tools_.RotationToolForm}) {
    if (form)
      form->LoadSettings();
  }
  // They appear only in their edit modes.
  for (TFloatForm* form :
       std::initializer_list<TFloatForm*>{tools_.DirectionToolForm, tools_.ScaleToolForm, tools_.RotationToolForm}) {
    if (form)
      form->hide();
  }
  KeepFloatFormsInside();
}

void MainWindow::DockInOrder(const std::vector<TDockForm*>& forms) {
  for (TDockForm* form : forms)
    removeDockWidget(form);
  for (TDockForm* form : forms) {
    addDockWidget(Qt::RightDockWidgetArea, form, Qt::Vertical);
    form->setFloating(false);
    form->show();
  }
}

// --- the site panel and the floating frames --------------------------------------------------------

std::vector<TDockForm*> MainWindow::DockedForms() const {
  std::vector<TDockForm*> docked;
  for (TDockForm* form : DockForms()) {
    if (!form->isFloating() && !form->isHidden() && dockWidgetArea(form) == Qt::RightDockWidgetArea)
      docked.push_back(form);
  }
  std::sort(docked.begin(), docked.end(),
            [](const TDockForm* a, const TDockForm* b) { return a->geometry().top() < b->geometry().top(); });
  return docked;
}

void MainWindow::DockControl(TDockForm* form, int align) {
  const bool restoring = restoringDocks_;
  restoringDocks_ = true;
  std::vector<TDockForm*> order = DockedForms();
  order.erase(std::remove(order.begin(), order.end(), form), order.end());
  if (align == TDockForm::kAlignTop) {
    order.insert(order.begin(), form);
    DockInOrder(order);
  } else {
    DockInOrder({form});
  }
  restoringDocks_ = restoring;
}

void MainWindow::UpdateDockAlign(TDockForm* form) {
  if (form->isFloating())
    return;
  const std::vector<TDockForm*> docked = DockedForms();
  if (docked.empty())
    return;
  const int top = docked.front()->geometry().top();
  const int height = docked.back()->geometry().bottom() + 1 - top;
  form->SetDockAlign(DockAlignForDrop(form->geometry().center().y() - top, height, docked.size() > 1));
}

int MainWindow::SitePanelWidth() const {
  const std::vector<TDockForm*> docked = DockedForms();
  const int width = docked.empty() ? sitePanelWidth_ : docked.front()->width();
  return std::clamp(width, kMinSitePanelWidth, kMaxSitePanelWidth);
}

QRect MainWindow::FloatArea() const {
  const QWidget* menu = menuWidget();
  const int menuHeight = menu && !menu->isHidden() ? menu->height() : 0;
  const int top = headPanel_->geometry().bottom() + 1;
  const int bottom = statusBar()->isHidden() ? height() : statusBar()->geometry().top();
  const int right = centralWidget()->geometry().right() + 1;
  return {0, top - menuHeight, right, bottom - top};
}

void MainWindow::KeepFloatFormInside(TFloatForm* form) {
  if (form == nullptr)
    return;
  if (!form->LeftAnchored())
    form->KeepInParent(form->RightOffset());
  const QRect area = FloatArea();
  const QPoint at = form->Position();
  form->SetPosition({ClampAxis(at.x(), form->width(), area.left(), area.width()),
                     ClampAxis(at.y(), form->height(), area.top(), area.height())});
}

void MainWindow::KeepFloatFormsInside() {
  for (TFloatForm* form : FloatForms())
    KeepFloatFormInside(form);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!closing_)
    KeepFloatFormsInside();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The view's area also changes when the site panel is resized or a panel docks.
  if (watched == centralWidget() && event->type() == QEvent::Resize && !closing_)
    KeepFloatFormsInside();
  if (watched == render1_ && event->type() == QEvent::Paint && !firstFrameLogged_) {
    QTimer::singleShot(0, this, [this] {
      if (firstFrameLogged_ || form_->FramesDrawn() == 0)
        return;
      firstFrameLogged_ = true;
      qCInfo(lcStartup, "first frame painted %lld ms after start", static_cast<long long>(StartupTimer().elapsed()));
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

// --- closing ---------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  // Quitting closes every window again.
  if (closing_) {
    event->accept();
    return;
  }
  bool close = false;
  Guarded([&] { close = form_->QuerySave(); });
  if (!close) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
  // The other windows of the program (floating panels, the memo) do not keep it running.
  QCoreApplication::quit();
}

void MainWindow::FormClose() {
  if (closing_)
    return;
  closing_ = true;
  timer1_.stop();
  TStepRunner steps;
  if (form_->Started()) {
    // Each window's settings are one reading of the file and one write of it whole: the main window's
    // go before the others read the file for theirs.
    steps.Run([this] { SaveFormSettings(); });
    for (TDockForm* form : std::initializer_list<TDockForm*>{tools_.ToolForm, tools_.LayerForm, tools_.ParamForm}) {
      if (form)
        steps.Run([form] { form->SaveSettings(); });
    }
    for (TFloatForm* form : std::initializer_list<TFloatForm*>{tools_.OperatePanelForm, tools_.DirectionToolForm,
                                                               tools_.ScaleToolForm, tools_.RotationToolForm}) {
      if (form)
        steps.Run([form] { form->SaveSettings(); });
    }
    // Quitting closes no other window: an open memo keeps its placement here.
    if (tools_.MemoForm && tools_.MemoForm->isVisible())
      steps.Run([this] { tools_.MemoForm->SaveSettings(); });
  }
  steps.Run([this] { form_->Close(); });
  steps.ShowFirstFailure();
}

void MainWindow::SaveFormSettings() {
  const TPlacementRect rect = placement_.Current(*this);
  const bool maximized = isMaximized();
  form_->SaveSettings({rect.Left, rect.Top, rect.Width, rect.Height, maximized, SitePanelWidth()}, maximized);
}

}  // namespace vrel
