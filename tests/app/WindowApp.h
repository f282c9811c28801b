#pragma once

// The program's application object for a test executable of windows, made once with the program's
// start-up services, on Mesa's software renderer. Include it in one file of each executable: it also
// tells the leak checker about what Qt's D-Bus helpers and fontconfig keep for the life of the process.

#include <QSurfaceFormat>

#include <cstdlib>

#include "app/Application.h"
#include "app/RenderWidget.h"

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}

namespace vrel::windowtest {

inline VrelApplication& App() {
  static int argc = 1;
  static char name[] = "vrel_window_tests", *argv[] = {name, nullptr};
  static VrelApplication* app = [] {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    QSurfaceFormat::setDefaultFormat(RenderWidget::RequiredFormat());
    auto* made = new VrelApplication(argc, argv);  // one for the process, kept to its end
    InstallApplicationServices();
    return made;
  }();
  return *app;
}

}  // namespace vrel::windowtest
