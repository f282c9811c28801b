#pragma once

// The application object and what start-up installs for the libraries: Qt's Japanese translation
// of the standard buttons, a Japanese font, Qt's message box behind the message-box port (the
// settings store's errors included), the keyboard state that the plane mark polls, the vista
// bitmap's text renderer, the classes that files create by name, and the tool cursors.

#include <QApplication>
#include <QElapsedTimer>

#include <exception>
#include <functional>
#include <stdexcept>

#include "app/CommandGuard.h"

namespace vrel {

class VrelApplication : public QApplication {
 public:
  VrelApplication(int& argc, char** argv);
  // The last guard: an exception that leaves an event handler becomes the error box.
  bool notify(QObject* receiver, QEvent* event) override;
};

// Idempotent; needs the application object.
void InstallApplicationServices();

// Started by the first call (main's first line): the program's own time to its first frame.
QElapsedTimer& StartupTimer();

}  // namespace vrel
