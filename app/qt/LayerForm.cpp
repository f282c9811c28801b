#include "app/qt/LayerForm.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainForm.h"
#include "app/qt/Application.h"
#include "app/qt/LayerListBox.h"
#include "app/qt/ToolWindowHost.h"

namespace vrel {

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The menu button's glyph: a small list with a pointer down.
QIcon MenuGlyph() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(Qt::black);
  for (int y : {3, 7, 11})
    p.drawLine(2, y, 9, y);
  p.setBrush(Qt::black);
  const QPoint arrow[3] = {{10, 6}, {15, 6}, {12, 10}};
  p.drawPolygon(arrow, 3);
  return QIcon(pixmap);
}

}  // namespace

TLayerForm::TLayerForm(TToolWindowHost& window)
    : TDockForm(QStringLiteral("LayerForm"), Text(" レイヤー"), {}, {.MaxWidth = 320, .MaxHeight = 400},
                &window.OwnerWindow()),
      window_(window),
      list_(new TLayerListBox) {
  commands_ = std::make_unique<TLayerCommands>(list_->Rows(), window.Form());

  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  panel1_ = new QFrame(Client());
  panel1_->setObjectName(QStringLiteral("Panel1"));
  auto* bar = new QHBoxLayout(panel1_);
  bar->setContentsMargins(2, 2, 2, 2);
  bar->setSpacing(1);
  struct ButtonRow {
    const char* Name;
    const char* Caption;
    void (TLayerCommands::*Command)();
  };
  auto* menuButton = new QToolButton(panel1_);
  menuButton->setObjectName(QStringLiteral("SpeedButton_Menu"));
  menuButton->setIcon(MenuGlyph());
  menuButton->setAutoRaise(true);
  bar->addWidget(menuButton);
  for (const ButtonRow& row : {ButtonRow{"SpeedButton_New", "新規", &TLayerCommands::New},
                               ButtonRow{"SpeedButton_Copy", "複製", &TLayerCommands::Copy},
                               ButtonRow{"SpeedButton_Delete", "削除", &TLayerCommands::Delete}}) {
    auto* button = new QToolButton(panel1_);
    button->setObjectName(QString::fromLatin1(row.Name));
    button->setText(Text(row.Caption));
    button->setAutoRaise(true);
    bar->addWidget(button);
    const auto command = row.Command;
    connect(button, &QToolButton::clicked, this, [this, command] { Run(command); });
  }
  bar->addStretch(1);
  layout->addWidget(panel1_);

  list_->setObjectName(QStringLiteral("LayerListBox"));
  list_->setParent(Client());
  layout->addWidget(list_, 1);

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu_Layer"));
  struct MenuRow {
    const char* Name;
    const char* Caption;
    void (TLayerCommands::*Command)();
  };
  for (const MenuRow& row :
       {MenuRow{"mnuNew", "新規レイヤー", &TLayerCommands::New},
        MenuRow{"mnuCopy", "レイヤーを複製", &TLayerCommands::Copy},
        MenuRow{"mnuDelete", "レイヤーを削除", &TLayerCommands::Delete}, MenuRow{"s1", "-", nullptr},
        MenuRow{"mnuName", "名前の変更", nullptr}, MenuRow{"s2", "-", nullptr},
        MenuRow{"mnuConbine", "下のレイヤーと結合", &TLayerCommands::MergeDown},
        MenuRow{"mnuIntegrate", "レイヤーを統合", &TLayerCommands::MergeAll}}) {
    if (row.Caption[0] == '-') {
      popup_->addSeparator();
      continue;
    }
    QAction* action = popup_->addAction(Text(row.Caption));
    action->setObjectName(QString::fromLatin1(row.Name));
    if (row.Command) {
      const auto command = row.Command;
      connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    }
  }
  auto rename = [this] {
    window_.Command([this] {
      commands_->Rename(AskName ? AskName
                                : TNameQuestion([this](const std::string& caption, const std::string& prompt,
                                                       const std::string& text) -> std::optional<std::string> {
                                    bool ok = false;
                                    const QString typed = QInputDialog::getText(
                                        this, QString::fromStdString(caption), QString::fromStdString(prompt),
                                        QLineEdit::Normal, QString::fromStdString(text), &ok);
                                    if (!ok)
                                      return std::nullopt;
                                    return typed.toStdString();
                                  }));
    });
  };
  connect(MenuItem("mnuName"), &QAction::triggered, this, rename);
  connect(popup_, &QMenu::aboutToShow, this, [this] { Guarded([this] { PopupMenuLayerPopup(); }); });
  connect(menuButton, &QToolButton::clicked, this, [this] {
    // The menu opens to the left of the panel, which docks on the right of the window.
    popup_->popup(panel1_->mapToGlobal(QPoint(0, 0)) - QPoint(151, 0));
  });
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popup_->popup(list_->mapToGlobal(at)); });

  list_->OnDblClick = rename;
  list_->OnClick = [this] { window_.Command([this] { commands_->RowClick(); }); };
  list_->OnVisibleClick = [this](int index, bool value) {
    window_.Command([&] { commands_->VisibleClick(index, value); });
  };
  list_->OnLockedClick = [this](int index, bool value) {
    window_.Command([&] { commands_->LockedClick(index, value); });
  };
  list_->OnIndexChange = [this](int oldIndex, int newIndex) {
    window_.Command([&] { commands_->IndexChange(oldIndex, newIndex); });
  };
}

TLayerForm::~TLayerForm() = default;

void TLayerForm::SetCollections(TSquareBladeCollections* collections) {
  commands_->SetCollections(collections);
}

void TLayerForm::Run(void (TLayerCommands::*command)()) {
  window_.Command([this, command] { ((*commands_).*command)(); });
}

QAction* TLayerForm::MenuItem(const char* name) const {
  for (QAction* action : popup_->actions()) {
    if (action->objectName() == QLatin1String(name))
      return action;
  }
  return nullptr;
}

QToolButton* TLayerForm::Button(const char* name) const {
  return panel1_->findChild<QToolButton*>(QString::fromLatin1(name));
}

void TLayerForm::PopupMenuLayerPopup() {
  const bool selected = commands_->HasSelection();
  MenuItem("mnuCopy")->setEnabled(selected);
  MenuItem("mnuDelete")->setEnabled(selected);
  MenuItem("mnuName")->setEnabled(selected);
  MenuItem("mnuConbine")->setEnabled(commands_->CanMergeDown());
  MenuItem("mnuIntegrate")->setEnabled(commands_->CanMergeAll());
  MenuItem("mnuNew")->setEnabled(true);
}

}  // namespace vrel
