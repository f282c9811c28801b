#include "app/qt/RenderWidget.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPointer>
#include <QSurfaceFormat>
#include <QTimer>

#include <exception>

#include "platform/MessageBox.h"
#include "platform/qt/GLDevice.h"

namespace vrel {

RenderWidget::RenderWidget(QWidget* parent) : QOpenGLWidget(parent), render_(nullptr, this) {
  setFormat(RequiredFormat());
  // A press of the left, right or middle button takes the focus (mousePressEvent); keys then reach
  // the view, Tab still moves on.
  setFocusPolicy(Qt::ClickFocus);
  setMinimumSize(1, 1);
}

RenderWidget::~RenderWidget() {
  // The context goes with the base class; the device must go first, while the context can be made
  // current, and no signal may reach this half-destroyed object.
  QObject::disconnect(contextConnection_);
  if (render_.HasDevice()) {
    makeCurrent();
    render_.ReleaseDevice();
    doneCurrent();
  }
  glDevice_ = nullptr;
}

QSurfaceFormat RenderWidget::RequiredFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  return format;
}

bool RenderWidget::HasWindow() const {
  return context() != nullptr && context()->isValid();
}

std::unique_ptr<IDevice> RenderWidget::CreateDevice(int kind, int width, int height) {
  QOpenGLContext* gl = context();
  if (gl == nullptr)
    return nullptr;
  GLDeviceOptions options;
  // The second kind maps the depth range in the shader, for drivers whose clip control misbehaves.
  options.useClipControl = kind == 0;
  try {
    auto device = std::make_unique<GLDevice>(*gl, width, height, options);
    glDevice_ = device.get();
    return device;
  } catch (const std::exception& e) {
    qWarning("vrel: no OpenGL device (%s)", e.what());
    return nullptr;
  }
}

void RenderWidget::BeginDeviceWork() {
  if (workDepth_++ > 0)
    return;
  if (context() != nullptr && QOpenGLContext::currentContext() != context()) {
    makeCurrent();
    madeCurrent_ = true;
  }
}

void RenderWidget::EndDeviceWork() {
  if (--workDepth_ > 0)
    return;
  if (madeCurrent_) {
    doneCurrent();
    madeCurrent_ = false;
  }
}

void RenderWidget::ContextGoing() {
  makeCurrent();
  render_.ReleaseDevice();
  glDevice_ = nullptr;
  doneCurrent();
}

void RenderWidget::initializeGL() {
  ++contextsSeen_;
  QObject::disconnect(contextConnection_);
  contextConnection_ = connect(
      context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { ContextGoing(); }, Qt::DirectConnection);
  try {
    // The control learns the size before the device is made, so the first back buffer fits.
    render_.Resize(width(), height(), devicePixelRatioF());
    if (!deviceMade_) {
      render_.CreateDevice();
      deviceMade_ = render_.HasDevice();
    } else {
      render_.RecreateDevice();
    }
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void RenderWidget::resizeGL(int, int) {
  try {
    render_.Resize(width(), height(), devicePixelRatioF());
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void RenderWidget::paintGL() {
  try {
    // A move to a screen of another pixel ratio may come without a resize.
    if (render_.Width() != width() || render_.Height() != height() || render_.PixelRatio() != devicePixelRatioF()) {
      render_.Resize(width(), height(), devicePixelRatioF());
    }
    render_.Paint();
    lastReport_.clear();
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void RenderWidget::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if ((button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton) && !hasFocus()) {
    setFocus(Qt::MouseFocusReason);
  }
  QOpenGLWidget::mousePressEvent(event);
}

void RenderWidget::Report(const char* what) {
  const QString text = QString::fromUtf8(what);
  // A frame that fails fails again at every paint: one box until a frame succeeds.
  if (text == lastReport_)
    return;
  lastReport_ = text;
  QPointer<RenderWidget> self(this);
  QTimer::singleShot(0, this, [self, text] {
    if (self)
      ShowMessageBox("Vrel", text.toStdString(), TMsgIcon::Error, TMsgButtons::OK);
  });
}

}  // namespace vrel
