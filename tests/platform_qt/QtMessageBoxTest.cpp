// Qt's message box behind the port: what the user sees and which answer each way of closing it gives.
// The box is modal; a timer finds it once it is up and presses its keys or buttons as a user would.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "platform/qt/QtMessageBox.h"
#include "tests/platform_qt/QtApp.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel {
namespace {

struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows the request through the port and lets `act` close the box once it is up.
TMsgResult ShowAndAct(const TMessageBoxRequest& request, const std::function<void(QMessageBox&)>& act,
                      SeenBox* seen = nullptr) {
  qttest::EnsureApplication();
  QtMessageBox port;
  qttest::WhenModal<QMessageBox>([&](QMessageBox& box) {
    if (seen)
      *seen = {box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
               box.standardButton(box.defaultButton())};
    act(box);
  });
  return port.Show(request);
}

TEST(QtMessageBox, ShowsCaptionTextIconAndButtonsWithTheFirstAsDefault) {
  SeenBox seen;
  const TMsgResult answer = ShowAndAct(
      {"Vrel", "変更を保存しますか？", TMsgIcon::Question, TMsgButtons::YesNoCancel},
      [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, &seen);
  EXPECT_EQ(seen.title, QStringLiteral("Vrel"));
  EXPECT_EQ(seen.text, QStringLiteral("変更を保存しますか？"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);
  EXPECT_EQ(answer, TMsgResult::Yes);
}

// A button pressed answers itself; Escape answers Cancel where there is one, else the only button.
TEST(QtMessageBox, AnswersTheButtonPressedOrForEscapeCancelOrTheOnlyButton) {
  struct Case {
    TMsgIcon icon;
    TMsgButtons buttons;
    std::function<void(QMessageBox&)> act;
    QMessageBox::Icon shown;
    TMsgResult answer;
  };
  const auto escape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
  for (const Case& c : {Case{TMsgIcon::Warning, TMsgButtons::AbortRetryIgnore,
                             [](QMessageBox& box) { box.button(QMessageBox::Ignore)->click(); }, QMessageBox::Warning,
                             TMsgResult::Ignore},
                        Case{TMsgIcon::None, TMsgButtons::YesNoCancel, escape, QMessageBox::NoIcon, TMsgResult::Cancel},
                        Case{TMsgIcon::Error, TMsgButtons::OK, escape, QMessageBox::Critical, TMsgResult::OK}}) {
    SeenBox seen;
    EXPECT_EQ(ShowAndAct({"Vrel", "壊れています", c.icon, c.buttons}, c.act, &seen), c.answer);
    EXPECT_EQ(seen.icon, c.shown);
  }
}

}  // namespace
}  // namespace vrel
