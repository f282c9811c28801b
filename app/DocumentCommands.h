#pragma once

// The file commands of the main window: new document, open a scene, open the six face images, save,
// save as, open and append an object file, save the objects as an object file, the save question
// before a document is replaced, and the memo file that travels with every document.
//
// A document is a new one, a scene (the scene file with an object file and a memo file of the same
// base name) or an object file (with its memo file). Every open reads its files into fresh objects
// first; the document takes them over only when they were read, so a failed open leaves it as it
// was. Every save writes each file to a temporary file renamed over the old one, and the document's
// name, kind and Modified change only when the save succeeded. The files of one save are all
// written in full before any of them replaces its old file, so a save that fails part way (a full
// disk) leaves the old scene, object file and memo together as they were.
//
// The file dialogs start where the user works: the open and save dialogs in the document's folder
// (without a document, where each was last left, else the home folder), the picture dialog where it
// was last left (else the document's folder, else home); never in the process's working folder.
//
// The commands reach the user through the file-dialog port, the message-box port and the main
// form's window; tests drive them without a window.

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "editor/EditorStrings.h"
#include "scene/DX9Cube.h"

namespace vrel {

class IDevice;
class IFileDialogs;
class TDX9Render;
class TPendingFiles;
class TProgressParent;

// Where the load progress bar goes: the control it is placed on (the status bar) and the middle
// panel of that control, whose inside it fills.
struct TProgressPanel {
  int Left = 0;
  int Width = 0;
};

struct TDocumentCommandPorts {
  IFileDialogs* Dialogs = nullptr;
  TProgressParent* StatusBar = nullptr;
  // Where the middle status panel lies in the status bar now.
  std::function<TProgressPanel()> ProgressPanel;
  // Reads a face image file into texture pixels.
  TFaceImageDecoder DecodeFaceImage;
  // The picture dialog's filter: every picture format the program reads now.
  std::function<std::string()> PictureFilter;
};

class TDocumentCommands {
 public:
  // The dialogs' filters, in Qt's form.
  static constexpr const char* kSceneFilter = "シーンファイル(*.scn)";
  static constexpr const char* kObjectFileFilter = "オブジェクトファイル(*.vro)";
  static constexpr const char* kSceneExtension = ".scn";
  static constexpr const char* kObjectFileExtension = ".vro";

  // Binds the form's save question to SaveDocument and the view's new devices to the face textures.
  // The form, its view and the ports must outlive the commands.
  TDocumentCommands(TMainForm& form, TDocumentCommandPorts ports);
  ~TDocumentCommands();
  TDocumentCommands(const TDocumentCommands&) = delete;
  TDocumentCommands& operator=(const TDocumentCommands&) = delete;

  // --- the commands of the menu "ファイル" ---------------------------------------------------------

  // A new, empty document, after the save question.
  void NewDocument();
  // A scene file picked in the open dialog, with the object file and memo of its name, after the save
  // question. A scene that cannot be read, or is not an FMS cube scene, or whose object file holds no
  // layers, changes nothing. Without its object file the scene opens with one empty layer, and a box
  // says that saving it will replace the scene's polygons, which the scene file does not give back.
  // A face image that is not there is named in the status bar.
  void OpenScene();
  // One of the six face images picked in the picture dialog; its name tells the other five. All six
  // become the cube's textures, or none does (the face that failed is named in the status bar). The
  // blades stay; the document is modified. A name without a face suffix changes nothing, and a box
  // says how the six faces are named.
  void OpenSixImages();
  // True when saved: a scene as a scene, an object file as an object file, a new document by
  // SaveSceneAs when it has face images and by SaveObjectFileAs otherwise. A scene opened without its
  // object file is written over only after the user agreed, until it has been saved once.
  bool SaveDocument();
  // The scene under a name picked in the save dialog, with its object file and memo; the document
  // becomes that scene. Face images are needed.
  bool SaveSceneAs();
  // The blades and remembered positions under a name picked in the save dialog, with the memo. A new
  // document becomes that object file; a scene keeps its name and stays modified.
  bool SaveObjectFileAs();
  // An object file picked in the open dialog, with its memo, after the save question; the scene data
  // and images are those of a new document.
  void OpenObjectFile();
  // The layers of an object file picked in the open dialog are added after the document's. An
  // unmodified new document becomes that object file.
  void AppendObjectFile();

  // --- the steps they share ----------------------------------------------------------------------

  // The open and save dialogs' filter and the save dialog's extension for a document kind; dkNone
  // changes nothing.
  void SetDialogFilter(TDocumentKind kind);
  const std::string& DialogFilter() const { return filter_; }
  const std::string& DefaultExtension() const { return defaultExtension_; }

  // The six face images that the scene filer names become the cube's textures, with the progress bar
  // in the status bar; on failure there are none and the status bar names the face.
  TTextureLoadResult LoadCubeTextures();
  // The blades and remembered positions written among the files of a save as an object file, vertex
  // numbers renumbered first.
  void AddObjectFile(TPendingFiles& files, const std::string& path);
  // Runs `work` as the view's device work, with the progress bar in the status bar's middle panel
  // showing what `progress` reports meanwhile (the status bar paints with the view's drawing context
  // given up).
  void RunWithProgressBar(TProgressEvent& progress, const std::function<void()>& work);

 private:
  struct TReadObjects;
  // Before the document may be replaced: a drag in the view ends as its release would, a plane-mark
  // flight ends with its step.
  void EndViewWork();
  // The object file's record 1 (and 2) read into fresh objects. Without the file: one empty layer.
  // When record 1 was read but record 2 was not, the error comes back in the result. A file without
  // a record 1 is refused, as a damaged one is.
  TReadObjects ReadObjectFile(const std::string& path, bool mustExist) const;
  // The read objects and memo become the document's.
  void TakeOver(TReadObjects& objects, std::optional<TTextFile> memo);
  // The load is over: the document is the file, unmodified, shown.
  void Opened(TDocumentKind kind, const std::string& path);
  // The document is the file (none: new), unmodified.
  void BecomeFile(TDocumentKind kind, const std::string& path);
  // The open or save dialog with the filter of the kind; nothing when cancelled.
  std::optional<std::string> OpenFileName(TDocumentKind kind);
  std::optional<std::string> SaveFileName(TDocumentKind kind);
  // Where a dialog starts: the first of the folders that is one, else the home folder.
  static std::string StartFolder(std::initializer_list<std::string> folders);
  // The folder of the document's file; "" without one.
  std::string DocumentFolder() const;
  // Shows record 2's error of a file the document took, once the document is in place.
  static void ReportAfterOpen(const std::string& error);
  // The scene opened has the faces the status bar names, or none (the status bar names one that
  // is not there).
  void LoadSceneFaces();
  // Whether the user agrees to write over a scene whose polygons were never read.
  bool ConfirmReplacingScene() const;
  void SaveSceneFiles();
  // The images become the cube's six textures, or none does; on the view's device with the progress
  // bar in the status bar, or on a device just made (inside its window's drawing context).
  TTextureLoadResult LoadTextures(TDX9Render& render, const std::vector<std::string>& names);
  TTextureLoadResult LoadTextures(IDevice& device, const std::vector<std::string>& names);
  // No textures; the status bar says which face failed and why.
  TTextureLoadResult Failed(TTextureLoadResult result);
  void DeviceCreated(IDevice& device);

  TMainForm& form_;
  TDocumentCommandPorts ports_;
  std::string filter_ = std::string(kSceneFilter) + ";;" + kObjectFileFilter;
  std::string defaultExtension_ = kSceneExtension;
  // Where each dialog was last left.
  std::string openFolder_;
  std::string saveFolder_;
  std::string pictureFolder_;
  // The scene was opened without its object file and has not been saved since.
  bool sceneWithoutObjects_ = false;
};

}  // namespace vrel
