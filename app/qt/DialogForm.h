#pragma once

// The base of the program's dialogs: a small fixed window with the dialog's controls above an OK
// and a Cancel button ("キャンセル"). OK is the default button; Esc cancels. The dialog's position
// ("Left" and "Top", 200 each at first) lives in the settings section named after the dialog: it is
// read when the dialog shows, kept on the screen, and written whenever the dialog closes, however
// it closes.
//
// The coordinate limits (MinValue .. MaxValue, -1000 .. 1000 at first) are what the dialogs with
// position or centre boxes hold their boxes to; the main window sets them from the scene's area
// radius.

#include <QDialog>

#include <string>

#include "files/RegMng.h"

class QPushButton;

namespace vrel {

class TDialogForm : public QDialog {
 public:
  static constexpr int kDefaultLeft = 200;
  static constexpr int kDefaultTop = 200;

  // `name` is the dialog's name and settings section; `okCaption` the OK button's caption.
  TDialogForm(QWidget* parent, const QString& name, const QString& caption, const QString& okCaption = "OK");

  // Where the dialog's own controls go.
  QWidget* Client() const { return client_; }
  QPushButton* ButtonOk() const { return ok_; }
  QPushButton* ButtonCancel() const { return cancel_; }

  float MinValue() const { return minValue_; }
  float MaxValue() const { return maxValue_; }
  // Both limits; the boxes follow.
  void SetRange(float minValue, float maxValue);

  // The stored position, kept on the screen.
  void LoadSettings();
  void SaveSettings();
  TRegManager& Reg() { return reg_; }

 protected:
  // The coordinate limits changed.
  virtual void RangeChanged() {}
  void showEvent(QShowEvent* event) override;
  // Every way of closing ends here.
  void done(int result) override;

 private:
  QWidget* client_;
  QPushButton* ok_;
  QPushButton* cancel_;
  TRegManager reg_;
  std::string section_;
  float minValue_ = -1000.0f;
  float maxValue_ = 1000.0f;
};

}  // namespace vrel
