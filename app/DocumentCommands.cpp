#include "app/DocumentCommands.h"

#include <QDir>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <utility>

#include "app/CommandGuard.h"
#include "app/MemoFile.h"
#include "app/PlaneMarkControl.h"
#include "app/ViewInput.h"
#include "files/ComponentTransaction.h"
#include "files/ObjectFiles.h"
#include "files/ProgressHolder.h"
#include "files/VrelPanoFiler.h"
#include "platform/Exceptions.h"
#include "platform/FileDialogs.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"

namespace vrel {

namespace {

std::string ObjectFileName(const std::string& documentPath) {
  return PathWithoutExtension(documentPath) + TDocumentCommands::kObjectFileExtension;
}

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A document file that shares its name with one of its companions would be written over by it.
void CheckCompanions(const std::string& path, const char* kind, std::initializer_list<const char*> companions) {
  const std::string extension = LowerAscii(PathExtension(path));
  for (const char* companion : companions) {
    if (extension == companion)
      throw Exception(
          FormatMessage("%s %s の拡張子 %s は、一緒に保存するファイルと重なります。別の名前を選んでください。",
                        {kind, path, companion}));
  }
}

void ShowWarning(const std::string& text) {
  ShowMessageBox(TMainForm::kCaption, text, TMsgIcon::Warning, TMsgButtons::OK);
}

// Counts the boxes shown through the port while it is installed, and passes them on.
class TCountingMessageBox : public IMessageBox {
 public:
  TCountingMessageBox() : inner_(CurrentMessageBox()), installed_(*this) {}
  TMsgResult Show(const TMessageBoxRequest& request) override {
    ++shown_;
    return inner_.Show(request);
  }
  int Shown() const { return shown_; }

 private:
  IMessageBox& inner_;
  TScopedMessageBox installed_;
  int shown_ = 0;
};

// Gives the window's drawing context up for the life of a scope inside device work, and takes it
// back at the end.
class TDeviceWorkPause {
 public:
  explicit TDeviceWorkPause(TDX9RenderHost* host) : host_(host) {
    if (host_)
      host_->EndDeviceWork();
  }
  ~TDeviceWorkPause() {
    if (host_)
      host_->BeginDeviceWork();
  }
  TDeviceWorkPause(const TDeviceWorkPause&) = delete;
  TDeviceWorkPause& operator=(const TDeviceWorkPause&) = delete;

 private:
  TDX9RenderHost* host_;
};

// Binds an event for the life of a scope.
template <class Event>
class TEventBinding {
 public:
  TEventBinding(Event& event, Event handler) : event_(event) { event_ = std::move(handler); }
  ~TEventBinding() { event_ = {}; }
  TEventBinding(const TEventBinding&) = delete;
  TEventBinding& operator=(const TEventBinding&) = delete;

 private:
  Event& event_;
};

}  // namespace

struct TDocumentCommands::TReadObjects {
  std::unique_ptr<TSquareBladeCollectionsContainer> Container = std::make_unique<TSquareBladeCollectionsContainer>();
  // Null when there was no object file: the remembered positions then stay as they are.
  std::unique_ptr<TMenuItem> PlaneMarks;
  // Record 2 could not be read; record 1 was.
  std::string Record2Error;
  // There was an object file.
  bool Found = false;
};

TDocumentCommands::TDocumentCommands(TMainForm& form, TDocumentCommandPorts ports)
    : form_(form), ports_(std::move(ports)) {
  form_.OnSaveDocument = [this] { return SaveDocument(); };
  form_.Render1().OnDeviceCreated = [this](TObject*, IDevice& device) { DeviceCreated(device); };
}

TDocumentCommands::~TDocumentCommands() {
  form_.OnSaveDocument = {};
  form_.Render1().OnDeviceCreated = {};
}

// --- the commands ----------------------------------------------------------------------------------

void TDocumentCommands::NewDocument() {
  EndViewWork();
  if (!form_.QuerySave())
    return;
  form_.RunResetting([this] { form_.ClearAll(); });
  form_.SetViewPoint(vpFree);
  BecomeFile(dkNone, "");
}

void TDocumentCommands::OpenScene() {
  EndViewWork();
  if (!form_.QuerySave())
    return;
  const std::optional<std::string> path = OpenFileName(dkScene);
  if (!path)
    return;

  // Everything is read before the document changes.
  TVrelPanoFiler scene;
  {
    const TCountingMessageBox boxes;
    if (!scene.LoadSceneFile(*path)) {
      if (boxes.Shown() == 0)
        ShowSimError(
            FormatMessage("%s には画像ファイル名 (sf_TextureBasename または TEXTURE の行) がありません。", {*path}));
      return;
    }
  }
  if (scene.SceneFormat() != sfFMS) {
    ShowSimError("FMS では扱えないシーンファイルです。");
    return;
  }
  if (scene.SceneType() != stCube) {
    ShowSimError("６面キューブタイプではないシーンファイルです。");
    return;
  }
  TReadObjects objects = ReadObjectFile(ObjectFileName(*path), false);
  std::optional<TTextFile> memo = ReadMemoFile(MemoFileName(*path));

  form_.RunResetting([&] {
    form_.ClearAll();
    scene.SetSceneFilename(*path);
    form_.SceneFiler()->Assign(&scene);
  });
  TVrelPanoFiler& filer = *form_.SceneFiler();
  filer.GroundDataLines() = scene.GroundDataLines();
  filer.SetSceneTexelInsets(scene.SceneTexelInsets());
  LoadSceneFaces();
  TakeOver(objects, std::move(memo));
  Opened(dkScene, *path);
  if (!objects.Found) {
    // The scene file does not give its polygons back: the next save replaces them with the document's.
    sceneWithoutObjects_ = true;
    ShowWarning(
        FormatMessage("オブジェクトファイル %s が見つかりません。\r\n"
                      "シーンのポリゴンはシーンファイルからは読み込まれないため、このシーンを保存すると、"
                      "シーンファイルのポリゴンはドキュメントにあるもので置き換えられます。",
                      {ObjectFileName(*path)}));
  }
  ReportAfterOpen(objects.Record2Error);
}

void TDocumentCommands::OpenSixImages() {
  pictureFolder_ = StartFolder({pictureFolder_, DocumentFolder()});
  const std::optional<std::string> path = ports_.Dialogs->OpenPictureFileName(
      ports_.PictureFilter ? ports_.PictureFilter() : std::string(), pictureFolder_);
  if (!path)
    return;
  // The names are worked out apart: the document takes them only with their textures.
  TVrelPanoFiler picked;
  picked.SetCubeImageFileName(*path);
  if (!picked.DetectCubeSuffix()) {
    ShowWarning(
        FormatMessage("画像ファイル %s の名前からは、どの面の画像か分かりません。\r\n"
                      "６面の画像には、名前_left, _front, _right, _back, _top, _bottom か、"
                      "名前_3, _0, _1, _2, _4, _5 (左, 前, 右, 後, 上, 下の順) と名前を付けてください。",
                      {PathFileName(*path)}));
    return;
  }
  picked.MakeImageNames();
  const TTextureLoadResult result = LoadTextures(form_.Render1(), picked.ImageNames());
  if (result.Loaded) {
    TVrelPanoFiler& filer = *form_.SceneFiler();
    filer.SetCubeImageFileName(*path);
    filer.SetCubeSuffix(picked.CubeSuffix());
    filer.SetTextureBasename(TVrelPanoFiler::TextureBasenameFromImage(*path));
    filer.ImageNames() = picked.ImageNames();
    form_.SetModified(true);
  }
  form_.Redraw();
}

bool TDocumentCommands::SaveDocument() {
  switch (form_.DocumentKind()) {
    case dkNone:
      return form_.SceneFiler()->TextureBasename().empty() ? SaveObjectFileAs() : SaveSceneAs();
    case dkScene:
      if (sceneWithoutObjects_ && !ConfirmReplacingScene())
        return false;
      SaveSceneFiles();
      break;
    case dkObjectFile: {
      CheckCompanions(form_.FileName(), "オブジェクトファイル", {".txt"});
      TPendingFiles files;
      AddObjectFile(files, form_.FileName());
      AddMemoFile(files, MemoFileName(form_.FileName()), form_.Memo());
      files.CommitAll();
      break;
    }
  }
  form_.SetModified(false);
  return true;
}

bool TDocumentCommands::SaveSceneAs() {
  TVrelPanoFiler& filer = *form_.SceneFiler();
  if (filer.TextureBasename().empty()) {
    ShowSimError("画像ファイルが指定されていません。");
    return false;
  }
  const std::optional<std::string> path = SaveFileName(dkScene);
  if (!path)
    return false;
  // The scene is written under its new name; the document keeps its old one unless that worked.
  const std::string previous = filer.SceneFilename();
  filer.SetSceneFilename(*path);
  try {
    SaveSceneFiles();
  } catch (...) {
    filer.SetSceneFilename(previous);
    throw;
  }
  BecomeFile(dkScene, filer.SceneFilename());
  return true;
}

bool TDocumentCommands::SaveObjectFileAs() {
  const std::optional<std::string> path = SaveFileName(dkObjectFile);
  if (!path)
    return false;
  CheckCompanions(*path, "オブジェクトファイル", {".txt"});
  TPendingFiles files;
  AddObjectFile(files, *path);
  AddMemoFile(files, MemoFileName(*path), form_.Memo());
  files.CommitAll();
  // A scene stays the scene it is, with its changes unsaved: its scene file was not written.
  if (form_.DocumentKind() != dkScene)
    BecomeFile(dkObjectFile, *path);
  return true;
}

void TDocumentCommands::OpenObjectFile() {
  EndViewWork();
  if (!form_.QuerySave())
    return;
  const std::optional<std::string> path = OpenFileName(dkObjectFile);
  if (!path)
    return;
  TReadObjects objects = ReadObjectFile(*path, true);
  std::optional<TTextFile> memo = ReadMemoFile(MemoFileName(*path));

  form_.ClearAll();
  TakeOver(objects, std::move(memo));
  Opened(dkObjectFile, *path);
  ReportAfterOpen(objects.Record2Error);
}

void TDocumentCommands::AppendObjectFile() {
  const std::optional<std::string> path = OpenFileName(dkObjectFile);
  if (!path)
    return;
  TReadObjects objects = ReadObjectFile(*path, true);
  const bool wasModified = form_.Modified();
  AppendLayers(*objects.Container->Collections(), *form_.Collections());
  form_.RefillLayerPanel();
  form_.PushHistory();
  // Only a new document that holds nothing of its own becomes the file; work not yet saved keeps
  // the document as it was, so that a save does not silently go to the appended file.
  if (form_.DocumentKind() == dkNone && !wasModified)
    BecomeFile(dkObjectFile, *path);
  form_.Redraw();
  ReportAfterOpen(objects.Record2Error);
}

// --- the steps -------------------------------------------------------------------------------------

void TDocumentCommands::EndViewWork() {
  // A drag's change is part of what the save question asks about, and a flight must not go on
  // moving the mark of the document that replaces this one (nor fly under the question's box).
  form_.ViewInput().EndDrag();
  form_.PlaneMark().StopPlaneMark();
}

void TDocumentCommands::SetDialogFilter(TDocumentKind kind) {
  switch (kind) {
    case dkScene:
      filter_ = kSceneFilter;
      defaultExtension_ = kSceneExtension;
      break;
    case dkObjectFile:
      filter_ = kObjectFileFilter;
      defaultExtension_ = kObjectFileExtension;
      break;
    case dkNone:
      break;
  }
}

TTextureLoadResult TDocumentCommands::LoadCubeTextures() {
  return LoadTextures(form_.Render1(), form_.SceneFiler()->ImageNames());
}

TTextureLoadResult TDocumentCommands::LoadTextures(TDX9Render& render, const std::vector<std::string>& names) {
  if (!render.HasDevice())
    return Failed({false, 0, names.empty() ? std::string() : names.front(), "The 3D view has no device."});
  TTextureLoadResult result;
  RunWithProgressBar(form_.RenderStage()->Cube()->OnProgress,
                     [&] { result = LoadTextures(render.GetDevice(), names); });
  // What panel 2 said of faces that were missing or would not load no longer holds.
  if (result.Loaded)
    form_.ClearStatusMessage();
  return result;
}

void TDocumentCommands::RunWithProgressBar(TProgressEvent& progress, const std::function<void()>& work) {
  TDX9RenderHost* host = form_.Render1().Host();
  const TDeviceWork deviceWork(host);
  if (!ports_.StatusBar) {
    work();
    return;
  }
  TProgressHolder holder(*ports_.StatusBar);
  const TProgressPanel panel = ports_.ProgressPanel ? ports_.ProgressPanel() : TProgressPanel{};
  holder.Bar().SetBounds(panel.Left + 3, 3, panel.Width - 4, holder.Bar().Height());
  const TEventBinding<TProgressEvent> binding(
      progress, [&holder, host](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                                const TProgressRect& rect, const std::string& message) {
        // Painting the status bar now may make the window's own drawing context current.
        const TDeviceWorkPause paint(host);
        holder.Progress(sender, stage, percent, redraw, rect, message);
      });
  work();
}

TTextureLoadResult TDocumentCommands::LoadTextures(IDevice& device, const std::vector<std::string>& names) {
  TFaceImageNames faces;
  for (std::size_t i = 0; i < faces.size(); ++i) {
    if (i >= names.size())
      return Failed({false, static_cast<int>(i), std::string(), "The scene names fewer than six face images."});
    faces[i] = names[i];
  }
  TTextureLoadResult result = form_.RenderStage()->Cube()->LoadTextures(device, faces, ports_.DecodeFaceImage);
  return result.Loaded ? result : Failed(std::move(result));
}

TTextureLoadResult TDocumentCommands::Failed(TTextureLoadResult result) {
  form_.RenderStage()->Cube()->ReleaseTextures();
  form_.SetStatusText(spSelectionCenter, FormatMessage("画像ファイル %s を読み込めません: %s",
                                                       {PathFileName(result.FailedFile), result.Message}));
  return result;
}

void TDocumentCommands::AddObjectFile(TPendingFiles& files, const std::string& path) {
  TSquareBladeCollections& layers = *form_.Collections();
  RenumberVertexIDs(layers);
  layers.RebuildSelectedVertexList();
  files.Add(path, ObjectFileBytes(*form_.Container(), &form_.PlaneMark().Memory()));
}

TDocumentCommands::TReadObjects TDocumentCommands::ReadObjectFile(const std::string& path, bool mustExist) const {
  TReadObjects read;
  read.Container->Collections()->Clear();
  auto planeMarks = std::make_unique<TMenuItem>();
  planeMarks->SetName(TPlaneMarkControl::kMemoryName);
  const std::optional<std::string> bytes = ReadDocumentFile(path, kMaxObjectFileSize);
  read.Found = bytes.has_value();
  if (!read.Found && mustExist)
    throw Exception(FormatMessage("ファイル %s が見つかりません。", {path}));
  if (read.Found) {
    bool layers = true;
    try {
      layers = LoadObjectFileRecordsFromBytes(*bytes, *read.Container, planeMarks.get());
    } catch (const std::exception& error) {
      // A reader that keeps a whole record 1 hands its layers over before it reports record 2.
      if (read.Container->Collections()->Count() == 0)
        throw;
      read.Record2Error = error.what();
    }
    // An empty file (a save cut off at its start) would open as an empty document, and the next save
    // would put that in place of the blades.
    if (!layers)
      throw Exception(FormatMessage("オブジェクトファイル %s にはレイヤーのデータがありません。", {path}));
    read.PlaneMarks = std::move(planeMarks);
  }
  if (read.Container->Collections()->Count() == 0)
    ResetLayers(*read.Container->Collections());
  return read;
}

void TDocumentCommands::TakeOver(TReadObjects& objects, std::optional<TTextFile> memo) {
  TakeOverComponent(*form_.Container(), *objects.Container);
  if (objects.PlaneMarks) {
    TakeOverComponent(form_.PlaneMark().Memory(), *objects.PlaneMarks);
    form_.PlaneMark().BindMemoryItems();
  }
  if (memo)
    form_.SetMemo(std::move(memo->Contents.Bytes), memo->LineBreaks);
  form_.RefreshPanels();
  // What the files brought must not switch the user's editing settings (export all) over.
  form_.ApplyProperties();
}

void TDocumentCommands::Opened(TDocumentKind kind, const std::string& path) {
  form_.Redraw();
  BecomeFile(kind, path);
}

void TDocumentCommands::BecomeFile(TDocumentKind kind, const std::string& path) {
  form_.SetDocumentKind(kind);
  form_.SetFileName(path);
  form_.SetModified(false);
  sceneWithoutObjects_ = false;
}

std::optional<std::string> TDocumentCommands::SaveFileName(TDocumentKind kind) {
  SetDialogFilter(kind);
  const std::string& document = form_.FileName();
  const std::string offered = document.empty() ? "" : PathWithoutExtension(PathFileName(document)) + defaultExtension_;
  saveFolder_ = StartFolder({DocumentFolder(), saveFolder_});
  return ports_.Dialogs->SaveFileName(filter_, defaultExtension_, offered, saveFolder_);
}

std::optional<std::string> TDocumentCommands::OpenFileName(TDocumentKind kind) {
  SetDialogFilter(kind);
  openFolder_ = StartFolder({DocumentFolder(), openFolder_});
  return ports_.Dialogs->OpenFileName(filter_, openFolder_);
}

std::string TDocumentCommands::StartFolder(std::initializer_list<std::string> folders) {
  for (const std::string& folder : folders) {
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error))
      return folder;
  }
  return QDir::homePath().toStdString();
}

std::string TDocumentCommands::DocumentFolder() const {
  return std::filesystem::path(form_.FileName()).parent_path().string();
}

void TDocumentCommands::ReportAfterOpen(const std::string& error) {
  if (!error.empty())
    ShowException(Exception(error));
}

void TDocumentCommands::LoadSceneFaces() {
  TVrelPanoFiler& filer = *form_.SceneFiler();
  filer.BuildImageList();
  const std::vector<std::string> missing = filer.MissingSceneImages();
  if (!missing.empty()) {
    form_.SetStatusText(spSelectionCenter,
                        FormatMessage("画像ファイル %s が見つかりません", {filer.GetSceneFolder() + missing.front()}));
    return;
  }
  LoadCubeTextures();
  form_.Redraw();
}

bool TDocumentCommands::ConfirmReplacingScene() const {
  return ShowMessageBox(
             TMainForm::kCaption,
             FormatMessage("シーンファイル %s のポリゴンは、オブジェクトファイルがなかったため読み込まれていません。"
                           "\r\n上書き保存すると、シーンファイルのポリゴンはドキュメントにあるもので置き換えられます。"
                           "\r\n保存しますか？",
                           {form_.FileName()}),
             TMsgIcon::Warning, TMsgButtons::YesNo, TMsgResult::No) == TMsgResult::Yes;
}

void TDocumentCommands::SaveSceneFiles() {
  TVrelPanoFiler& filer = *form_.SceneFiler();
  const std::string path = filer.SceneFilename();
  CheckCompanions(path, "シーンファイル", {kObjectFileExtension, ".txt"});
  TPendingFiles files;
  filer.WriteScene(files, *form_.Collections(), *form_.RenderStage()->Cube());
  AddObjectFile(files, ObjectFileName(path));
  AddMemoFile(files, MemoFileName(path), form_.Memo());
  files.CommitAll();
  sceneWithoutObjects_ = false;

  // Opening the scene looks for its faces as these bitmaps beside it, and nothing else.
  std::string missing;
  for (const std::string& name : filer.MissingSceneImages())
    missing += (missing.empty() ? "" : ", ") + name;
  if (!missing.empty())
    form_.SetStatusText(
        spSelectionCenter,
        FormatMessage(
            "シーンと同じフォルダに６面の BMP 画像がそろうまで、開き直してもパノラマは表示されません (ないもの: %s)",
            {missing}));
}

void TDocumentCommands::DeviceCreated(IDevice& device) {
  // The textures lived on the device that went; the same images are made textures again.
  if (form_.Started() && form_.RenderStage()->Cube()->TexturesLoaded())
    LoadTextures(device, form_.SceneFiler()->ImageNames());
}

}  // namespace vrel
