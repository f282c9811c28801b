// The editor's executable. For now it opens the 3D view on a demo scene (the main window with its
// panels and commands comes later): drag with the left button to turn the camera, use the wheel to
// zoom. "--screenshot FILE" saves the window as the X server shows it once the first frame is up,
// then quits.

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>

#include <cstdio>
#include <exception>

#include "app/RenderWidget.h"
#include "bench/DemoScene.h"
#include "platform/MessageBox.h"

namespace {

using namespace vrel;

// The message-box port answered with Qt's boxes.
class QtMessageBox : public IMessageBox {
 public:
  TMsgResult Show(const TMessageBoxRequest& request) override {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(request.Caption));
    box.setText(QString::fromStdString(request.Text));
    switch (request.Icon) {
      case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
      case TMsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
      case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
      case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
      case TMsgIcon::None:
        break;
    }
    struct Choice {
      QMessageBox::StandardButton button;
      TMsgResult result;
    };
    std::vector<Choice> choices;
    switch (request.Buttons) {
      case TMsgButtons::OK:
        choices = {{QMessageBox::Ok, TMsgResult::OK}};
        break;
      case TMsgButtons::OKCancel:
        choices = {{QMessageBox::Ok, TMsgResult::OK}, {QMessageBox::Cancel, TMsgResult::Cancel}};
        break;
      case TMsgButtons::YesNo:
        choices = {{QMessageBox::Yes, TMsgResult::Yes}, {QMessageBox::No, TMsgResult::No}};
        break;
      case TMsgButtons::YesNoCancel:
        choices = {{QMessageBox::Yes, TMsgResult::Yes},
                   {QMessageBox::No, TMsgResult::No},
                   {QMessageBox::Cancel, TMsgResult::Cancel}};
        break;
      case TMsgButtons::RetryCancel:
        choices = {{QMessageBox::Retry, TMsgResult::Retry}, {QMessageBox::Cancel, TMsgResult::Cancel}};
        break;
      case TMsgButtons::AbortRetryIgnore:
        choices = {{QMessageBox::Abort, TMsgResult::Abort},
                   {QMessageBox::Retry, TMsgResult::Retry},
                   {QMessageBox::Ignore, TMsgResult::Ignore}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices)
      buttons |= c.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.front().button);
    const int pressed = box.exec();
    for (const Choice& c : choices) {
      if (pressed == c.button)
        return c.result;
    }
    return DefaultButton(request.Buttons);
  }
};

// The demo's mouse: a left drag turns the camera about its look-at point, the wheel zooms.
class DemoInput : public QObject {
 public:
  DemoInput(RenderWidget& view, DemoScene& scene) : QObject(&view), view_(view), scene_(scene) {}

  bool eventFilter(QObject*, QEvent* event) override {
    try {
      switch (event->type()) {
        case QEvent::MouseButtonPress: {
          const auto* mouse = static_cast<QMouseEvent*>(event);
          if (mouse->button() == Qt::LeftButton)
            last_ = mouse->position();
          return false;
        }
        case QEvent::MouseMove: {
          const auto* mouse = static_cast<QMouseEvent*>(event);
          if (!(mouse->buttons() & Qt::LeftButton))
            return false;
          const QPointF delta = mouse->position() - last_;
          last_ = mouse->position();
          TWorldVector3& rotation = *scene_.Camera().CameraRotation();
          scene_.Camera().SetCameraRotation({rotation.X() + static_cast<float>(delta.y()) * 0.3f,
                                             rotation.Y() + static_cast<float>(delta.x()) * 0.3f, rotation.Z()});
          view_.Render().Render3DEnvironment();
          return true;
        }
        case QEvent::Wheel: {
          const auto* wheel = static_cast<QWheelEvent*>(event);
          const float steps = static_cast<float>(wheel->angleDelta().y()) / 120.0f;
          scene_.Camera().SetZoom(scene_.Camera().Zoom() * std::pow(0.9f, steps));
          view_.Render().Render3DEnvironment();
          return true;
        }
        default:
          return false;
      }
    } catch (const std::exception& e) {
      ShowMessageBox("Vrel", e.what(), TMsgIcon::Error, TMsgButtons::OK);
      return true;
    }
  }

 private:
  RenderWidget& view_;
  DemoScene& scene_;
  QPointF last_;
};

// The main window's resize handler: the camera's aspect follows the view, then a redraw.
struct ViewResize {
  DemoScene* scene;
  RenderWidget* view;
  void Resized(TObject*) {
    TDX9Render& render = view->Render();
    if (render.Height() > 0)
      scene->Camera().SetAspectFromControl(render.Width(), render.Height());
    render.Render3DEnvironment();
  }
};

}  // namespace

int main(int argc, char** argv) {
  QSurfaceFormat::setDefaultFormat(RenderWidget::RequiredFormat());
  QApplication app(argc, argv);
  QtMessageBox messageBox;
  TScopedMessageBox messageScope(messageBox);

  const QStringList arguments = QCoreApplication::arguments();
  const qsizetype screenshotAt = arguments.indexOf(QStringLiteral("--screenshot"));
  const QString screenshot =
      screenshotAt >= 0 && screenshotAt + 1 < arguments.size() ? arguments[screenshotAt + 1] : QString();
  if (screenshotAt >= 0 && screenshot.isEmpty()) {
    std::fprintf(stderr, "vrel: --screenshot needs a file name\n");
    return 2;
  }

  DemoScene scene;
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Vrel"));
  window.resize(1024, 700);
  auto* view = new RenderWidget(&window);
  window.setCentralWidget(view);
  view->installEventFilter(new DemoInput(*view, scene));

  TDX9Render& render = view->Render();
  int frames = 0;
  render.OnDeviceCreated = [&](TObject*, IDevice& device) {
    const std::string failure = scene.LoadFaceTextures(device);
    if (!failure.empty())
      ShowMessageBox("Vrel", failure, TMsgIcon::Error, TMsgButtons::OK);
  };
  render.OnRender = [&](TObject*, IDevice& device) {
    scene.Render(device, render.ClearColor());
    ++frames;
  };
  ViewResize resize{&scene, view};
  render.OnResize = TNotifyEvent::Of<&ViewResize::Resized>(&resize);

  window.show();
  view->setFocus();

  int settled = 0;
  if (!screenshot.isEmpty()) {
    // Once a frame is up and Qt has had time to put it on the screen, the X server's copy is saved.
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
      if (frames == 0 || ++settled < 3)
        return;
      poll->stop();
      const QPixmap shot = window.screen()->grabWindow(window.winId());
      const bool saved = !shot.isNull() && shot.save(screenshot, "PNG");
      if (!saved)
        std::fprintf(stderr, "vrel: could not save the screenshot to %s\n", qPrintable(screenshot));
      app.exit(saved ? 0 : 1);
    });
    poll->start(200);
    QTimer::singleShot(60000, &app, [&] {
      std::fprintf(stderr, "vrel: no frame within a minute\n");
      app.exit(1);
    });
  }
  return app.exec();
}
