#pragma once

// The message-box port answered with Qt's modal message box, over the window that is active. The
// standard buttons speak the language of the Qt translation the application loaded.

#include "platform/MessageBox.h"

namespace vrel {

class QtMessageBox : public IMessageBox {
 public:
  TMsgResult Show(const TMessageBoxRequest& request) override;
};

}  // namespace vrel
