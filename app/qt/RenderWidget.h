#pragma once

// The window of a 3D view: a QOpenGLWidget that hosts the view control. It asks for an OpenGL 3.3
// core context, makes the GL device when Qt gives it a context, follows resizes in logical pixels at
// the screen's pixel ratio, and paints by running the control's frame. Redraw requests become Qt
// update requests, so several requests before a paint cost one frame.
//
// A context that Qt replaces (the widget moved to another top-level window, or the old context was
// lost) makes the control lose its device; the new context brings a new device and the control's
// OnDeviceCreated, where the owner makes its textures again.

#include <QOpenGLWidget>
#include <QString>

#include <memory>

#include "scene/DX9Render.h"

class QSurfaceFormat;

namespace vrel {

class GLDevice;

class RenderWidget : public QOpenGLWidget, private TDX9RenderHost {
 public:
  explicit RenderWidget(QWidget* parent = nullptr);
  ~RenderWidget() override;
  RenderWidget(const RenderWidget&) = delete;
  RenderWidget& operator=(const RenderWidget&) = delete;

  // OpenGL 3.3 core with a 24-bit depth buffer and 8 stencil bits.
  static QSurfaceFormat RequiredFormat();

  TDX9Render& Render() { return render_; }
  const TDX9Render& Render() const { return render_; }
  // The GL device under the view's device; null while there is none.
  GLDevice* Device() const { return glDevice_; }
  // How often Qt has given the widget a context so far.
  int ContextsSeen() const { return contextsSeen_; }

 protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool HasWindow() const override;
  int DeviceKindCount() const override { return 2; }
  std::unique_ptr<IDevice> CreateDevice(int kind, int width, int height) override;
  void RequestPaint() override { update(); }
  void BeginDeviceWork() override;
  void EndDeviceWork() override;

  void ContextGoing();
  // Exceptions stop at the widget: the message is shown once the paint is over.
  void Report(const char* what);

  TDX9Render render_;
  GLDevice* glDevice_ = nullptr;
  QMetaObject::Connection contextConnection_;
  int contextsSeen_ = 0;
  bool deviceMade_ = false;  // CreateDevice succeeded once; later contexts recreate the device
  int workDepth_ = 0;
  bool madeCurrent_ = false;
  QString lastReport_;
};

}  // namespace vrel
