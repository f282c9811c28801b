#include "platform/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <vector>

namespace vrel {

namespace {

QMessageBox::Icon ToQtIcon(TMsgIcon icon) {
  switch (icon) {
    case TMsgIcon::Error:
      return QMessageBox::Critical;
    case TMsgIcon::Warning:
      return QMessageBox::Warning;
    case TMsgIcon::Information:
      return QMessageBox::Information;
    case TMsgIcon::Question:
      return QMessageBox::Question;
    case TMsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

struct Choice {
  QMessageBox::StandardButton button;
  TMsgResult result;
};

// The buttons of a set, the first one first.
std::vector<Choice> Choices(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::OK:
      return {{QMessageBox::Ok, TMsgResult::OK}};
    case TMsgButtons::OKCancel:
      return {{QMessageBox::Ok, TMsgResult::OK}, {QMessageBox::Cancel, TMsgResult::Cancel}};
    case TMsgButtons::YesNo:
      return {{QMessageBox::Yes, TMsgResult::Yes}, {QMessageBox::No, TMsgResult::No}};
    case TMsgButtons::YesNoCancel:
      return {{QMessageBox::Yes, TMsgResult::Yes},
              {QMessageBox::No, TMsgResult::No},
              {QMessageBox::Cancel, TMsgResult::Cancel}};
    case TMsgButtons::RetryCancel:
      return {{QMessageBox::Retry, TMsgResult::Retry}, {QMessageBox::Cancel, TMsgResult::Cancel}};
    case TMsgButtons::AbortRetryIgnore:
      return {{QMessageBox::Abort, TMsgResult::Abort},
              {QMessageBox::Retry, TMsgResult::Retry},
              {QMessageBox::Ignore, TMsgResult::Ignore}};
  }
  return {{QMessageBox::Ok, TMsgResult::OK}};
}

}  // namespace

TMsgResult QtMessageBox::Show(const TMessageBoxRequest& request) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(request.Caption));
  box.setText(QString::fromStdString(request.Text));
  box.setIcon(ToQtIcon(request.Icon));
  const std::vector<Choice> choices = Choices(request.Buttons);
  QMessageBox::StandardButtons buttons;
  for (const Choice& c : choices)
    buttons |= c.button;
  box.setStandardButtons(buttons);
  const TMsgResult byDefault = DefaultButton(request);
  for (const Choice& c : choices) {
    if (c.result == byDefault)
      box.setDefaultButton(c.button);
  }
  const int pressed = box.exec();
  for (const Choice& c : choices) {
    if (pressed == c.button)
      return c.result;
  }
  // Closed without a button (Escape on a box without Cancel): the box's safe answer.
  return HasButton(request.Buttons, TMsgResult::Cancel) ? TMsgResult::Cancel : byDefault;
}

}  // namespace vrel
