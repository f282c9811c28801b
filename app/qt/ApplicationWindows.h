#pragma once

// The program's windows, made in the fixed order of start-up: the main window first, then the
// layer panel, the tool palette, the FMS parameter panel, the memo window, the numeric dialogs, the operate panel and
// the move, scale and rotation panels. Because the tool windows come after the main window, everything that needs them
// waits for its first show.

#include <memory>

#include "app/qt/AxisToolForms.h"
#include "app/qt/DirectionToolForm.h"
#include "app/qt/LayerForm.h"
#include "app/qt/MainWindow.h"
#include "app/qt/OperatePanelForm.h"
#include "app/qt/ParamForm.h"
#include "app/qt/ToolForm.h"

namespace vrel {

// Every tool window is a child of the main window and goes with it.
std::unique_ptr<MainWindow> CreateApplicationWindows();

}  // namespace vrel
