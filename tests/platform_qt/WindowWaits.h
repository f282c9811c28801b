#pragma once

// Waiting for windows in tests that open them as a user does, and answering their dialogs. A window
// or dialog takes as long to come up as the machine lets it: the tests look for it again and again,
// never once after a while, and give up only after a time no loaded machine needs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <typeinfo>

namespace vrel::qttest {

// How long a wait for a window, a dialog or what they show may take before the test fails (ms).
inline constexpr int kWindowWait = 60000;

// Lets events arrive until `done` holds; false when it never did.
inline bool WaitUntil(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, kWindowWait);
}

// Runs `act` on the next modal dialog of class T as soon as it is up, then makes sure it closes
// (rejected) so that a failing check never leaves a modal loop running.
template <class T>
void WhenModal(std::function<void(T&)> act, QDeadlineTimer deadline = QDeadlineTimer(kWindowWait)) {
  QTimer::singleShot(10, [act = std::move(act), deadline]() mutable {
    auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
      if (deadline.hasExpired())
        ADD_FAILURE() << "no modal " << typeid(T).name() << " came up";
      else
        WhenModal<T>(std::move(act), deadline);
      return;
    }
    act(*dialog);
    if (dialog->isVisible())
      static_cast<QDialog*>(dialog)->reject();
  });
}

// Answers a file dialog of Qt's own with `path` typed into its name box, and accepts it. (Choosing
// the file with selectFile would depend on when the dialog got the focus: it leaves the name box
// alone while that has it.)
inline void ChooseFile(QFileDialog& dialog, const QString& path) {
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  name->setText(path);
  static_cast<QDialog&>(dialog).accept();  // QFileDialog keeps its own accept protected
}

}  // namespace vrel::qttest
