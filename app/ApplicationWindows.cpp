#include "app/ApplicationWindows.h"

#include "app/DockForm.h"
#include "app/FloatForm.h"
#include "app/MainWindow.h"

namespace vrel {

std::unique_ptr<MainWindow> CreateApplicationWindows() {
  auto window = std::make_unique<MainWindow>();
  MainWindow::ToolWindows tools;
  tools.LayerForm = new TDockForm(QStringLiteral("LayerForm"), QStringLiteral(" レイヤー"), {},
                                  {.MaxWidth = 320, .MaxHeight = 400}, window.get());
  tools.ToolForm = new TDockForm(QStringLiteral("ToolForm"), QStringLiteral(" ツール"), {.Width = 150, .Height = 132},
                                 {.MaxWidth = 320, .MaxHeight = 260}, window.get());
  tools.ParamForm =
      new TDockForm(QStringLiteral("ParamForm"), QStringLiteral("FMS パラメータ"), {}, {.MaxWidth = 320}, window.get());
  tools.OperatePanelForm =
      new TFloatForm(QStringLiteral("OperatePanelForm"), QStringLiteral("操作パネル"), window.get());
  tools.DirectionToolForm = new TFloatForm(QStringLiteral("DirectionToolForm"), QStringLiteral("移動"), window.get());
  tools.ScaleToolForm = new TFloatForm(QStringLiteral("ScaleToolForm"), QStringLiteral("拡大"), window.get());
  tools.RotationToolForm = new TFloatForm(QStringLiteral("RotationToolForm"), QStringLiteral("回転"), window.get());
  window->SetToolWindows(tools);
  return window;
}

}  // namespace vrel
