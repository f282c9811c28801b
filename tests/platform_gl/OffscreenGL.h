#pragma once

// An OpenGL 3.3 core context current on an offscreen surface, drawing into a framebuffer object: what
// the GL tests and benchmarks draw into. Needs an X server (xvfb-run) with Mesa.

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <cstdlib>
#include <memory>
#include <string>

namespace vrel {

struct OffscreenTarget {
  std::unique_ptr<QOpenGLContext> context;
  std::unique_ptr<QOffscreenSurface> surface;
  std::unique_ptr<QOpenGLFramebufferObject> fbo;
  std::string error;  // empty when the context is current and the framebuffer bound
};

// Makes the process's QGuiApplication on first use (so listing tests needs no display) and keeps it.
inline OffscreenTarget MakeOffscreenTarget(const char* program, int width, int height) {
  static int argc = 1;
  static std::string name;
  static char* argv[] = {nullptr, nullptr};
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!QCoreApplication::instance()) {
    name = program;
    argv[0] = name.data();
    new QGuiApplication(argc, argv);
  }
  OffscreenTarget target;
  QSurfaceFormat format;
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  target.context = std::make_unique<QOpenGLContext>();
  target.context->setFormat(format);
  if (!target.context->create()) {
    target.error = "no OpenGL 3.3 core context: run under xvfb-run with Mesa installed";
    return target;
  }
  target.surface = std::make_unique<QOffscreenSurface>();
  target.surface->setFormat(target.context->format());
  target.surface->create();
  if (!target.context->makeCurrent(target.surface.get())) {
    target.error = "the OpenGL context cannot be made current";
    return target;
  }
  target.fbo =
      std::make_unique<QOpenGLFramebufferObject>(width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
  if (!target.fbo->isValid() || !target.fbo->bind())
    target.error = "no framebuffer object";
  return target;
}

}  // namespace vrel
