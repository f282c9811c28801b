#pragma once

// One QApplication for the whole test process, on Qt's window-less platform.

#include <QApplication>

namespace vrel::qttest {

inline void EnsureApplication() {
  static int argc = 3;
  static char name[] = "platform_qt_tests", option[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  if (QCoreApplication::instance() == nullptr)
    new QApplication(argc, argv);  // kept to the end of the process
}

}  // namespace vrel::qttest
