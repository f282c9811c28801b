#include "app/qt/MemoForm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "app/FormSection.h"
#include "app/MainForm.h"
#include "app/MemoText.h"
#include "app/qt/ShortcutGate.h"
#include "app/qt/ToolWindowHost.h"
#include "editor/qt/ZEditor.h"
#include "files/VrelPanoFiler.h"

namespace vrel {

namespace {

constexpr int kPanel3Height = 29;
constexpr QSize kSpeedButtonSize{60, 25};
// Room for the two buttons and a row of notes, whatever the settings file says.
constexpr int kMinWidth = 140;
constexpr int kMinHeight = 80;
constexpr int32_t clBlue = 0xFF0000;
constexpr int32_t clNavy = 0x800000;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QToolButton* SpeedButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(Text(caption));
  button->setFixedSize(kSpeedButtonSize);
  return button;
}

// Where the memo's editor differs from a plain one.
void SetMemoEditorOptions(TEditor& editor) {
  // FixedSys where the system has it; otherwise the editor's own fixed-pitch font with Japanese,
  // at the height of FixedSys's cells.
  QFont font = TEditor::DefaultFont();
  font.setFamilies({QStringLiteral("Fixedsys"), font.family()});
  font.setPixelSize(15);
  editor.setFont(font);
  editor.SetScrollBars(ssVertical);
  editor.SetWordWrap(false);
  editor.WrapOption()->SetWrapByte(80);
  editor.Ruler()->SetVisible(true);
  editor.Ruler()->SetGaugeRange(10);
  editor.Leftbar()->SetVisible(false);
  editor.Imagebar()->SetVisible(true);
  TEditorMarks& marks = *editor.Marks();
  for (TEditorMark* mark : {marks.EofMark(), marks.RetMark(), marks.WrapMark(), marks.HideMark(), marks.Underline()})
    mark->SetColor(clGray);
  marks.EofMark()->SetVisible(true);
  marks.Underline()->SetVisible(true);
  marks.RetMark()->SetVisible(false);
  marks.WrapMark()->SetVisible(false);
  marks.HideMark()->SetVisible(false);
  TEditorColors& colors = *editor.View()->Colors();
  colors.Int()->SetColor(clBlue);
  colors.Select()->SetColor(clWhite);
  colors.Select()->SetBkColor(clNavy);
  editor.View()->SetMail(false);
  editor.View()->SetUrl(false);
  TEditorCaret& caret = *editor.Caret();
  caret.SetFreeCaret(true);
  caret.SetAutoIndent(true);
  caret.SetBackSpaceUnIndent(true);
  caret.SetRowSelect(true);
  caret.SetTabSpaceCount(8);
  caret.SetSoftTab(false);
  caret.Cursors()->SetDefaultCursor(crIBeam);
  caret.Cursors()->SetLeftMarginCursor(crEditorRightArrow);
  caret.Cursors()->SetDragSelCopyCursor(crEditorDragSelCopy);
  editor.SetUndoListMax(64);
}

}  // namespace

TMemoForm::TMemoForm(TToolWindowHost& window) : QWidget(&window.OwnerWindow(), Qt::Window), window_(window) {
  setObjectName(QString::fromLatin1(kSection));
  setWindowTitle(Text("メモ"));
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kDefaultWidth, kDefaultHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  panel3_ = new QFrame(this);
  panel3_->setObjectName(QStringLiteral("Panel3"));
  panel3_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel3_->setLineWidth(1);
  panel3_->setFixedHeight(kPanel3Height);
  auto* bar = new QHBoxLayout(panel3_);
  bar->setContentsMargins(2, 2, 2, 2);
  bar->setSpacing(0);
  speedButtonFMS_ = SpeedButton("SpeedButton_FMS", "FMS", panel3_);
  speedButtonClose_ = SpeedButton("SpeedButton_Close", "終了", panel3_);
  bar->addWidget(speedButtonFMS_);
  bar->addWidget(speedButtonClose_);
  bar->addStretch(1);
  layout->addWidget(panel3_);

  // Under the bar, as wide as the window and broken into lines, so the whole notice can be read;
  // there only while it has something to say.
  notice_ = new QLabel(this);
  notice_->setObjectName(QStringLiteral("Notice"));
  notice_->setWordWrap(true);
  notice_->setContentsMargins(6, 3, 6, 3);
  QPalette red = notice_->palette();
  red.setColor(QPalette::WindowText, QColor(192, 0, 0));
  notice_->setPalette(red);
  notice_->hide();
  layout->addWidget(notice_);

  panel1_ = new QFrame(this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  auto* fill = new QVBoxLayout(panel1_);
  fill->setContentsMargins(0, 0, 0, 0);
  editor1_ = new TEditor(panel1_);
  editor1_->setObjectName(QStringLiteral("Editor1"));
  SetMemoEditorOptions(*editor1_);
  fill->addWidget(editor1_);
  layout->addWidget(panel1_, 1);
  setFocusProxy(editor1_);

  editor1_->OnChange = [this] { Editor1Change(); };
  editor1_->OnUnmappableText = [this](const std::string& utf8) { Editor1UnmappableText(utf8); };
  editor1_->OnMouseWheel = [this](int notches) { return Editor1MouseWheel(notches); };
  connect(speedButtonFMS_, &QToolButton::clicked, this, [this] { window_.Command([this] { AppendFMSData(); }); });
  connect(speedButtonClose_, &QToolButton::clicked, this, [this] { close(); });

  reg_.SetRegType(rtIni);
  reg_.AddItem(kLeftItem, kSection, kLeftItem, std::to_string(kDefaultLeft));
  reg_.AddItem(kTopItem, kSection, kTopItem, std::to_string(kDefaultTop));
  reg_.AddItem(kWidthItem, kSection, kWidthItem, std::to_string(kDefaultWidth));
  reg_.AddItem(kHeightItem, kSection, kHeightItem, std::to_string(kDefaultHeight));

  // Keys typed here are notes, not the main menu's commands.
  window_.Gate().AddTextArea(this);
  window_.Form().SetMemoEditor(editor1_);
  hide();
}

TMemoForm::~TMemoForm() {
  // The editor goes after this window; nothing it reports may reach it or the document any more.
  editor1_->OnChange = nullptr;
  editor1_->OnUnmappableText = nullptr;
  editor1_->OnMouseWheel = nullptr;
}

void TMemoForm::LoadSettings() {
  reg_.SetIniFileName(SettingsFileName());
  const TRegSession session(reg_);
  const TPlacementRect stored{reg_.GetItem(kLeftItem).ReadInteger(), reg_.GetItem(kTopItem).ReadInteger(),
                              reg_.GetItem(kWidthItem).ReadInteger(), reg_.GetItem(kHeightItem).ReadInteger()};
  placement_.Restore(*this, ClampToNearestScreen(stored, ScreenRects(), kMinWidth, kMinHeight));
}

void TMemoForm::SaveSettings() {
  reg_.SetIniFileName(SettingsFileName());
  TRegSession session(reg_);
  const TPlacementRect rect = placement_.Current(*this);
  reg_.GetItem(kLeftItem).WriteInteger(rect.Left);
  reg_.GetItem(kTopItem).WriteInteger(rect.Top);
  reg_.GetItem(kWidthItem).WriteInteger(rect.Width);
  reg_.GetItem(kHeightItem).WriteInteger(rect.Height);
  session.Commit();
}

void TMemoForm::setVisible(bool visible) {
  if (visible && isHidden())
    Guarded([this] { LoadSettings(); });
  QWidget::setVisible(visible);
}

void TMemoForm::ShowMemo() {
  if (isMinimized())
    showNormal();
  show();
  raise();
  activateWindow();
  editor1_->setFocus();
}

void TMemoForm::closeEvent(QCloseEvent* event) {
  Guarded([this] { SaveSettings(); });
  event->accept();
}

void TMemoForm::AppendFMSData() {
  vrel::AppendFMSData(*editor1_->Lines(), *window_.Form().SceneFiler()->FMSData());
}

void TMemoForm::Editor1Change() {
  notice_->clear();
  notice_->hide();
  window_.Form().SetModified(true);
}

void TMemoForm::Editor1UnmappableText(const std::string& utf8) {
  notice_->setText(QString::fromStdString(UnmappableTextNotice(utf8)));
  notice_->show();
}

bool TMemoForm::Editor1MouseWheel(int notches) {
  // The wheel moves the caret a row per notch; the editor keeps it on the rows and in view.
  editor1_->SetRow(editor1_->Row() - notches);
  return true;
}

}  // namespace vrel
