#pragma once

// The memo window: a free-floating window in which the user keeps notes beside the document. Its
// editor holds the document's memo (the main window loads, saves and clears it with the document);
// the FMS button appends the scene's placement data, the close button hides the window. Typing in it
// marks the document modified, and while it has the keyboard the main menu's shortcuts are off, so
// letters, Delete and the Ctrl keys edit the notes.
//
// Its settings section "MemoForm" holds the window's Left, Top, Width and Height: read each time it
// is shown, written each time it is closed, and when the program quits with it open.

#include <QWidget>

#include "app/qt/FramePlacement.h"
#include "files/RegMng.h"

class QFrame;
class QLabel;
class QToolButton;

namespace vrel {

class TToolWindowHost;
class TEditor;

class TMemoForm : public QWidget {
 public:
  static constexpr const char* kSection = "MemoForm";
  static constexpr int kDefaultLeft = 200;
  static constexpr int kDefaultTop = 200;
  static constexpr int kDefaultWidth = 450;
  static constexpr int kDefaultHeight = 300;

  // Hidden until shown from the menu; the main window's memo is this window's editor from now on.
  explicit TMemoForm(TToolWindowHost& window);
  ~TMemoForm() override;

  TEditor* Editor1() const { return editor1_; }
  QToolButton* SpeedButtonFMS() const { return speedButtonFMS_; }
  QToolButton* SpeedButtonClose() const { return speedButtonClose_; }
  // Where the window says what it could not take; hidden when all went in.
  QLabel* Notice() const { return notice_; }

  // The window's placement from the settings file, kept on the screen.
  void LoadSettings();
  void SaveSettings();
  TRegManager& Reg() { return reg_; }

  // The menu's "メモ": shows the window (placed as stored when it was hidden) and gives it the keyboard.
  void ShowMemo();
  // The scene's placement data as lines at the end of the notes (the FMS button).
  void AppendFMSData();

  // A hidden window is placed from its settings before it shows.
  void setVisible(bool visible) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Editor1Change();
  void Editor1UnmappableText(const std::string& utf8);
  bool Editor1MouseWheel(int notches);

  TToolWindowHost& window_;
  TRegManager reg_;
  TFramePlacement placement_;
  QFrame* panel3_;
  QToolButton* speedButtonFMS_;
  QToolButton* speedButtonClose_;
  QLabel* notice_;
  QFrame* panel1_;
  TEditor* editor1_;
};

}  // namespace vrel
