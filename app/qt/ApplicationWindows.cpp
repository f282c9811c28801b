#include "app/qt/ApplicationWindows.h"

#include "app/qt/AxisToolForms.h"
#include "app/qt/DirectionToolForm.h"
#include "app/qt/LayerForm.h"
#include "app/qt/MainWindow.h"
#include "app/qt/MemoForm.h"
#include "app/qt/NumericDialogForms.h"
#include "app/qt/OperatePanelForm.h"
#include "app/qt/ParamForm.h"
#include "app/qt/ToolForm.h"

namespace vrel {

std::unique_ptr<MainWindow> CreateApplicationWindows() {
  auto window = std::make_unique<MainWindow>();
  MainWindow::ToolWindows tools;
  tools.LayerForm = new TLayerForm(*window);
  tools.ToolForm = new TToolForm(*window, tools.LayerForm->Commands());
  tools.ParamForm = new TParamForm(*window);
  tools.MemoForm = new TMemoForm(*window);
  tools.Dialogs = new TDialogWindows(*window);
  tools.ToolForm->Commands().SetDialogs(tools.Dialogs);
  tools.OperatePanelForm = new TOperatePanelForm(*window);
  tools.DirectionToolForm = new TDirectionToolForm(*window);
  tools.ScaleToolForm = new TScaleToolForm(*window, tools.ToolForm->Commands());
  tools.RotationToolForm = new TRotationToolForm(*window, tools.ToolForm->Commands());
  window->SetToolWindows(tools);
  return window;
}

}  // namespace vrel
