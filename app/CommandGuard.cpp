#include "app/CommandGuard.h"

#include "app/MainForm.h"
#include "platform/MessageBox.h"

namespace vrel {

void ShowException(const std::exception& error) {
  ShowMessageBox(TMainForm::kCaption, error.what(), TMsgIcon::Error, TMsgButtons::OK);
}

bool Guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ShowException(error);
    return false;
  }
}

}  // namespace vrel
