#include "editor/qt/EditorLibrary.h"

#include <mutex>

#include "editor/EditorCursors.h"
#include "editor/EditorImages.h"
#include "editor/qt/DotLines.h"

namespace vrel {

void InitEditorLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEditorCursors();
    DefaultDigitImages();
    DefaultMarkImages();
    DotLines();
  });
}

}  // namespace vrel
