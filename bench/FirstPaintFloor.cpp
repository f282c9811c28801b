// The floor under the editor's cold start: a Qt application whose one window is an OpenGL widget of
// the view's surface format, at the main window's first size, clearing to the view's background and
// nothing else. vrel_first_paint times it like the editor, so what lies between the two is the
// editor's own start-up (settings, windows, panels, the view's device and its first scene).

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include "app/qt/RenderWidget.h"

namespace {

class ClearingView : public QOpenGLWidget {
 protected:
  void paintGL() override {
    QOpenGLFunctions& gl = *context()->functions();
    gl.glClearColor(0x18 / 255.0f, 0x40 / 255.0f, 0x59 / 255.0f, 1.0f);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QSurfaceFormat::setDefaultFormat(vrel::RenderWidget::RequiredFormat());
  QApplication app(argc, argv);
  ClearingView view;
  view.resize(600, 480);
  view.show();
  return app.exec();
}
