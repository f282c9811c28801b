#include "app/ApplicationWindows.h"

#include "app/AxisToolForms.h"
#include "app/DirectionToolForm.h"
#include "app/LayerForm.h"
#include "app/MainWindow.h"
#include "app/MemoForm.h"
#include "app/NumericDialogForms.h"
#include "app/OperatePanelForm.h"
#include "app/ParamForm.h"
#include "app/ToolForm.h"

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
  tools.ScaleToolForm = new TScaleToolForm(*window);
  tools.RotationToolForm = new TRotationToolForm(*window);
  window->SetToolWindows(tools);
  return window;
}

}  // namespace vrel
