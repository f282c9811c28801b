// The editor's executable: the application object, what start-up installs for the libraries, the
// windows in their fixed order, then the event loop until the main window closes. The program takes
// no arguments.

#include <QSurfaceFormat>

#include "app/Application.h"
#include "app/ApplicationWindows.h"
#include "app/MainWindow.h"
#include "app/RenderWidget.h"
#include "platform/qt/QtImageFormats.h"

int main(int argc, char** argv) {
  vrel::StartupTimer();
  QSurfaceFormat::setDefaultFormat(vrel::RenderWidget::RequiredFormat());
  vrel::VrelApplication app(argc, argv);
  vrel::InstallApplicationServices();
  // Before any window: the picture dialog and the face images read through the registry.
  const auto imageFormats = vrel::RegisterImageFormats();
  const std::unique_ptr<vrel::MainWindow> window = vrel::CreateApplicationWindows();
  window->show();
  return app.exec();
}
