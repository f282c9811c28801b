#pragma once

// The open and save dialogs as the model asks for a file name: a filter and, for saving, the
// extension a bare name gets; the answer is the chosen path, or nothing when the user cancelled. The
// Qt adapter lives in platform/qt; tests answer with prepared names.
//
// A filter is a dialog's list of file kinds in Qt's form: lines "Label (*.a *.b)" joined by ";;",
// UTF-8. Paths are UTF-8.

#include <optional>
#include <string>

namespace vrel {

// Each dialog starts in `folder`, and `folder` becomes the folder of the file chosen or, when the
// user cancelled, the folder the dialog was left in.
class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;

  // An existing file to read.
  virtual std::optional<std::string> OpenFileName(const std::string& filter, std::string& folder) = 0;
  // A file to write in an existing folder, `fileName` offered; a name typed without an extension
  // gets `defaultExtension` (with its dot, "" for none), and an existing file is written over only
  // after the user agreed.
  virtual std::optional<std::string> SaveFileName(const std::string& filter, const std::string& defaultExtension,
                                                  const std::string& fileName, std::string& folder) = 0;
  // A picture file to read, offered with the picture formats' filter.
  virtual std::optional<std::string> OpenPictureFileName(const std::string& filter, std::string& folder) = 0;
};

}  // namespace vrel
