// The editor's executable: the application object, what start-up installs for the libraries, the
// windows in their fixed order, then the event loop until the main window closes. The program takes
// no arguments.

#include <QSurfaceFormat>

#include "app/qt/Application.h"
#include "app/qt/ApplicationWindows.h"
#include "app/qt/MainWindow.h"
#include "app/qt/RenderWidget.h"
#include "imaging/qt/QtImageFormats.h"

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
