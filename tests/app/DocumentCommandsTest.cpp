// The file commands on the main window's logic without a window: file dialogs that answer prepared
// names, a status bar that records its progress bar, the message boxes captured, the view on a
// recording device. Face images are made by ImageMagick and read by the program's own decoders; the
// files the commands write are compared byte for byte with what an earlier save wrote.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/DocumentCommands.h"
#include "app/MemoFile.h"
#include "app/PlaneMarkControl.h"
#include "app/ViewInput.h"
#include "files/ObjectFiles.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "imaging/FaceImages.h"
#include "imaging/Graphics.h"
#include "imaging/qt/QtImageFormats.h"
#include "platform/Cp932.h"
#include "platform/FileDialogs.h"
#include "platform/KeyboardState.h"
#include "platform/Menus.h"
#include "platform/SafeSave.h"
#include "platform/qt/VistaTextRenderer.h"
#include "scene/DX9RenderStage.h"
#include "tests/app/MainFormFixture.h"
#include "tests/files/DocumentFixture.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/files/TestBytes.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform_qt/QtApp.h"

// Fontconfig keeps its configuration to the end of the process, which the leak checker would report;
// it is the library's own and nothing of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace vrel {
namespace {

namespace fs = std::filesystem;

// Answers each dialog with the next prepared name (nothing: cancelled) and records what it was asked.
struct FakeDialogs : IFileDialogs {
  struct Request {
    std::string Kind;
    std::string Filter;
    std::string DefaultExtension;
    bool operator==(const Request&) const = default;
  };
  std::vector<Request> asked;
  // Where each dialog started; the name the last save dialog offered.
  std::vector<std::string> startedIn;
  std::string offered;
  std::deque<std::optional<std::string>> answers;
  // Where the user leaves the next dialog; nothing: where it started.
  std::optional<std::string> leaveIn;

  std::optional<std::string> Answer(Request request, std::string& folder) {
    asked.push_back(std::move(request));
    startedIn.push_back(folder);
    if (leaveIn)
      folder = *std::exchange(leaveIn, std::nullopt);
    if (answers.empty())
      return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> OpenFileName(const std::string& filter, std::string& folder) override {
    return Answer({"open", filter, ""}, folder);
  }
  std::optional<std::string> SaveFileName(const std::string& filter, const std::string& extension,
                                          const std::string& fileName, std::string& folder) override {
    offered = fileName;
    return Answer({"save", filter, extension}, folder);
  }
  std::optional<std::string> OpenPictureFileName(const std::string& filter, std::string& folder) override {
    return Answer({"picture", filter, ""}, folder);
  }
};

constexpr TProgressPanel kMiddlePanel{283, 100};
const std::array<const char*, 6> kFaceNames{"left", "front", "right", "back", "top", "bottom"};

class DocumentCommandsTest : public apptest::MainFormFixture {
 protected:
  static void SetUpTestSuite() {
    qttest::EnsureApplication();  // the image plugins and the vista bitmap's font come with it
    InstallQtVistaTextRenderer();
  }
  void SetUp() override {
    MainFormFixture::SetUp();
    form_->Start();
    MakeCommands();
  }
  void TearDown() override {
    commands_.reset();
    MainFormFixture::TearDown();
  }
  void MakeCommands() {
    TDocumentCommandPorts ports;
    ports.Dialogs = &dialogs_;
    ports.StatusBar = &statusBar_;
    ports.ProgressPanel = [] { return kMiddlePanel; };
    ports.DecodeFaceImage = ReadFaceImage;
    ports.PictureFilter = [] { return FilterText(PictureFormats().Filter()); };
    commands_ = std::make_unique<TDocumentCommands>(*form_, std::move(ports));
  }
  // The program started again with the settings file as it is.
  void Restart() {
    commands_.reset();
    form_.reset();
    form_ = std::make_unique<TMainForm>(render_, window_, &panels_);
    form_->SetMemoEditor(&memo_);
    form_->Start();
    MakeCommands();
  }

  // Six faces "park_<face>.bmp" of six colours, 16 x 16 unless `size` says otherwise, made by
  // ImageMagick ("png" for PNG faces).
  void MakeFaces(const std::string& base = "park", const std::string& size = "16x16", const std::string& type = "bmp") {
    static const std::array<const char*, 6> colours{"red", "lime", "blue", "yellow", "cyan", "magenta"};
    std::string command = "cd '" + folder_.string() + "'";
    for (std::size_t f = 0; f < 6; ++f)
      command += " && convert -size " + size + " xc:" + colours[f] + " " + (type == "bmp" ? "bmp3" : type) + ":" +
                 base + "_" + kFaceNames[f] + "." + type;
    std::string err;
    ASSERT_EQ(Run(command, nullptr, &err), 0) << "ImageMagick (a test dependency, installed by ./dev): " << err;
  }
  std::string Face(const char* face, const std::string& base = "park", const std::string& type = "bmp") const {
    return PathOf(base + "_" + face + "." + type);
  }
  // Opens the six faces through the picture dialog.
  void OpenFaces(const std::string& base = "park", const std::string& type = "bmp") {
    dialogs_.answers.push_back(Face("front", base, type));
    commands_->OpenSixImages();
  }
  // The bytes of a scene's three files.
  std::vector<std::string> SceneBytes(const std::string& base = "park") const {
    return {ReadBytes(PathOf(base + ".scn")), ReadBytes(PathOf(base + ".vro")), ReadBytes(PathOf(base + ".txt"))};
  }
  // Blades in a few layers, the remembered positions and the memo, as the user would have them.
  void Edit(uint32_t seed) {
    form_->Collections()->Clear();
    doc::BuildRandomDocument(*form_->Container(), seed, 3, 8);
    form_->PushHistory();
    form_->PlaneMark().SetPlaneMarkPosition({1, 2, static_cast<float>(seed)});
    form_->PlaneMark().Remember();
    form_->SetMemo(Utf8ToCp932("メモ ") + std::to_string(seed) + "\r\n");
  }
  // Everything of the document the commands may change.
  std::string State() const {
    std::string state = doc::Picture(*form_->Container()) + "\nname " + form_->FileName() + " kind " +
                        std::to_string(form_->DocumentKind()) + " modified " + std::to_string(form_->Modified()) +
                        "\nmemo " + form_->Memo() + "\nbase " + form_->SceneFiler()->TextureBasename() + " textures " +
                        std::to_string(form_->RenderStage()->Cube()->TexturesLoaded()) + "\nmarks";
    for (int i = 0; i < form_->PlaneMark().Memory().Count(); ++i)
      state += " " + form_->PlaneMark().Memory().Items(i)->Caption();
    return state;
  }
  // The commands, the next dialog answering with the file `name` in the folder.
  TDocumentCommands& Answering(const std::string& name) {
    dialogs_.answers.push_back(PathOf(name));
    return *commands_;
  }
  void SaveSceneAs(const std::string& path) {
    dialogs_.answers.push_back(path);
    ASSERT_TRUE(commands_->SaveSceneAs());
  }
  void OpenScene(const std::string& path) {
    dialogs_.answers.push_back(path);
    commands_->OpenScene();
  }
  // Blades saved as the object file "trees.vro", then a new document; answers the file's layers.
  int SaveTreesAndStartAnew() {
    Edit(18);
    EXPECT_TRUE(Answering("trees.vro").SaveObjectFileAs());
    const int layers = form_->Collections()->Count();
    commands_->NewDocument();
    return layers;
  }
  void Append(const std::string& path) {
    dialogs_.answers.push_back(path);
    commands_->AppendObjectFile();
  }
  // A scene "park.scn" with its faces, blades, positions and memo saved and open.
  void MakeSavedScene(uint32_t seed = 7) {
    MakeFaces();
    OpenFaces();
    Edit(seed);
    SaveSceneAs(PathOf("park.scn"));
  }

  FakeDialogs dialogs_;
  apptest::FakeStatusBar statusBar_;
  std::unique_ptr<TImageFormatsRegistration> formats_ = RegisterImageFormats();
  std::unique_ptr<TDocumentCommands> commands_;
};

// --- open, edit, save, reopen ----------------------------------------------------------------------

TEST_F(DocumentCommandsTest, ASceneOpenedEditedAndSavedReopensToTheSameBytes) {
  MakeSavedScene();
  OpenScene(PathOf("park.scn"));
  Edit(8);
  dialogs_.answers.clear();
  ASSERT_TRUE(commands_->SaveDocument());
  const std::vector<std::string> saved = SceneBytes();
  const std::string edited = State();

  commands_->NewDocument();
  OpenScene(PathOf("park.scn"));
  EXPECT_EQ(State(), edited);
  ASSERT_TRUE(commands_->SaveDocument());
  EXPECT_EQ(SceneBytes(), saved);
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(DocumentCommandsTest, AnObjectFileOpenedEditedAndSavedReopensToTheSameBytes) {
  Edit(3);
  dialogs_.answers.push_back(PathOf("trees.vro"));
  ASSERT_TRUE(commands_->SaveDocument());  // a new document without images saves its objects
  EXPECT_EQ(dialogs_.asked.back(), (FakeDialogs::Request{"save", "オブジェクトファイル(*.vro)", ".vro"}));
  Answering("trees.vro").OpenObjectFile();
  Edit(4);
  ASSERT_TRUE(commands_->SaveDocument());
  const std::string saved = ReadBytes(PathOf("trees.vro"));
  const std::string edited = State();

  commands_->NewDocument();
  Answering("trees.vro").OpenObjectFile();
  EXPECT_EQ(State(), edited);
  ASSERT_TRUE(commands_->SaveDocument());
  EXPECT_EQ(ReadBytes(PathOf("trees.vro")), saved);
  EXPECT_EQ(ReadBytes(PathOf("trees.txt")), form_->Memo());
}

TEST_F(DocumentCommandsTest, SavingAsASceneWritesTheSceneItsObjectsMemoAndVistaBitmapAndNamesTheDocument) {
  MakeSavedScene();
  EXPECT_EQ(dialogs_.asked.back(), (FakeDialogs::Request{"save", "シーンファイル(*.scn)", ".scn"}));
  for (const char* file : {"park.scn", "park.vro", "park.txt", "fms_vista.bmp"})
    EXPECT_TRUE(fs::is_regular_file(PathOf(file))) << file;
  EXPECT_EQ(form_->DocumentKind(), dkScene);
  EXPECT_EQ(window_.caption, PathOf("park.scn") + " Vrel");
  EXPECT_FALSE(form_->Modified());
  // What another reader makes of the scene file: the header names the faces' base name.
  EXPECT_NE(ReadBytes(PathOf("park.scn")).find("// sf_TextureBasename   : 'park'"), std::string::npos);
}

TEST_F(DocumentCommandsTest, OpeningASceneWithoutObjectOrMemoFileGivesOneEmptyLayerAndSaysSavingReplacesItsPolygons) {
  MakeSavedScene();
  fs::remove(PathOf("park.vro"));
  fs::remove(PathOf("park.txt"));
  commands_->NewDocument();
  Edit(9);
  form_->SetModified(false);
  OpenScene(PathOf("park.scn"));
  ASSERT_EQ(form_->Collections()->Count(), 1);
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Name(), Utf8ToCp932("レイヤー1"));
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Count(), 0);
  EXPECT_EQ(form_->Memo(), "");
  EXPECT_FALSE(form_->Modified());
  EXPECT_TRUE(form_->RenderStage()->Cube()->TexturesLoaded());
  // Only the object file is missed; the memo is not.
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(
      messages_.Shown[0].Text,
      "オブジェクトファイル " + PathOf("park.vro") +
          " が見つかりません。\r\nシーンのポリゴンはシーンファイルからは読み込まれないため、このシーンを保存すると、"
          "シーンファイルのポリゴンはドキュメントにあるもので置き換えられます。");
}

TEST_F(DocumentCommandsTest, ASceneOpenedWithoutItsObjectFileIsWrittenOverOnlyWhenTheUserAgrees) {
  MakeSavedScene();
  fs::remove(PathOf("park.vro"));
  const std::string scene = ReadBytes(PathOf("park.scn"));
  OpenScene(PathOf("park.scn"));
  Edit(10);
  const std::string edited = State();
  messages_.Shown.clear();
  EXPECT_FALSE(commands_->SaveDocument());  // the box's default: No
  messages_.Answers = {TMsgResult::Yes};    // to the save question, then No again
  commands_->NewDocument();
  EXPECT_EQ(State(), edited);
  ASSERT_EQ(messages_.Shown.size(), 3u);
  EXPECT_EQ(messages_.Shown[0].Buttons, TMsgButtons::YesNo);
  EXPECT_NE(messages_.Shown[0].Text.find(PathOf("park.scn")), std::string::npos);
  EXPECT_EQ(ReadBytes(PathOf("park.scn")), scene);
  EXPECT_EQ(Listing(),
            (std::vector<std::string>{"fms_vista.bmp", "park.scn", "park.txt", "park_back.bmp", "park_bottom.bmp",
                                      "park_front.bmp", "park_left.bmp", "park_right.bmp", "park_top.bmp"}));
  messages_.Answers = {TMsgResult::Yes};
  EXPECT_TRUE(commands_->SaveDocument());
  EXPECT_TRUE(fs::exists(PathOf("park.vro")));
  EXPECT_TRUE(commands_->SaveDocument());  // saved with its object file: no more question
  EXPECT_EQ(messages_.Shown.size(), 4u);
}

TEST_F(DocumentCommandsTest, AnObjectFileWithoutLayersIsRefusedByEveryOpenThatNamesIt) {
  MakeSavedScene();
  Edit(19);
  const std::string before = State();
  const std::vector<std::function<void()>> opens{[this] { OpenScene(PathOf("park.scn")); },
                                                 [this] { Answering("park.vro").OpenObjectFile(); },
                                                 [this] { Append(PathOf("park.vro")); }};
  for (const std::string& bytes : {std::string(), std::string(4, '\0')}) {
    WriteBytes(PathOf("park.vro"), bytes);
    for (const std::function<void()>& open : opens) {
      messages_.Answers = {TMsgResult::No};  // to the save question
      EXPECT_EQ(bytes::ErrorOf(open),
                "オブジェクトファイル " + PathOf("park.vro") + " にはレイヤーのデータがありません。");
      EXPECT_EQ(State(), before);
    }
  }
}

TEST_F(DocumentCommandsTest, OpeningASceneAppliesTheEditingSettingsAgain) {
  WriteBytes(ini_, "[Property]\r\nIgnoreVisible=0\r\n");
  Restart();
  ASSERT_FALSE(form_->SceneFiler()->ExportAll());
  MakeSavedScene();
  OpenScene(PathOf("park.scn"));
  EXPECT_FALSE(form_->SceneFiler()->ExportAll());
}

TEST_F(DocumentCommandsTest, ANewDocumentIsEmptyUnnamedAndUnmodifiedAndKeepsTheRememberedPositions) {
  MakeSavedScene();
  commands_->NewDocument();
  EXPECT_TRUE(messages_.Shown.empty());
  EXPECT_EQ(form_->Collections()->Count(), 1);
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Count(), 0);
  EXPECT_FALSE(form_->RenderStage()->Cube()->TexturesLoaded());
  EXPECT_EQ(form_->SceneFiler()->TextureBasename(), "");
  EXPECT_EQ(form_->Memo(), "");
  EXPECT_EQ(form_->DocumentKind(), dkNone);
  EXPECT_EQ(window_.caption, "Vrel");
  EXPECT_FALSE(form_->Modified());
  EXPECT_EQ(form_->PlaneMark().Memory().Count(), 1);
}

// --- failures keep the document --------------------------------------------------------------------

TEST_F(DocumentCommandsTest, AFailedOpenKeepsTheDocument) {
  MakeSavedScene();
  Edit(11);
  const std::string before = State();
  struct Case {
    const char* file;
    std::string bytes;
  };
  const std::string vro = ReadBytes(PathOf("park.vro"));
  const std::vector<Case> cases{
      {"landscape.scn", "3D_LANDSCAPE\r\nTEXTURE park_0\r\n"},
      {"sphere.scn", "TEXTURE park_2x\r\n"},
      {"nothing.scn", "QUADS\r\n"},
      {"cut.scn", ReadBytes(PathOf("park.scn"))},
      {"memo.scn", ReadBytes(PathOf("park.scn"))},
  };
  WriteBytes(PathOf("cut.vro"), vro.substr(0, vro.size() / 2));
  WriteBytes(PathOf("memo.vro"), vro);
  fs::create_directory(PathOf("memo.txt"));  // a memo that cannot be read
  for (const Case& c : cases) {
    WriteBytes(PathOf(c.file), c.bytes);
    messages_.Answers = {TMsgResult::No};  // to the save question
    try {
      OpenScene(PathOf(c.file));
    } catch (const std::exception&) {
      // the command guard's business; the document is what matters
    }
    EXPECT_EQ(State(), before) << c.file;
  }
  dialogs_.answers.push_back(PathOf("cut.vro"));
  messages_.Answers = {TMsgResult::No};
  EXPECT_THROW(commands_->OpenObjectFile(), Exception);
  EXPECT_EQ(State(), before);
}

TEST_F(DocumentCommandsTest, AFailedOpenSaysWhyWhenTheReaderDidNot) {
  WriteBytes(PathOf("nothing.scn"), "QUADS\r\n");
  OpenScene(PathOf("nothing.scn"));
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_NE(messages_.Shown[0].Text.find(PathOf("nothing.scn")), std::string::npos);
  WriteBytes(PathOf("sphere.scn"), "TEXTURE park_2x\r\n");
  OpenScene(PathOf("sphere.scn"));
  ASSERT_EQ(messages_.Shown.size(), 2u);
  EXPECT_EQ(messages_.Shown[1].Text, "６面キューブタイプではないシーンファイルです。");
}

TEST_F(DocumentCommandsTest, ADamagedSecondRecordNeverLeavesHalfADocument) {
  MakeSavedScene();
  const std::string vro = ReadBytes(PathOf("park.vro"));
  const int32_t first = static_cast<int32_t>(static_cast<uint8_t>(vro[0]) | static_cast<uint8_t>(vro[1]) << 8 |
                                             static_cast<uint8_t>(vro[2]) << 16 | static_cast<uint8_t>(vro[3]) << 24);
  WriteBytes(PathOf("damaged.vro"),
             vro.substr(0, 4 + static_cast<std::size_t>(first)) + std::string("\x40\0\0\0TPF0", 8));
  Edit(12);
  const std::string before = State();
  dialogs_.answers.push_back(PathOf("damaged.vro"));
  messages_.Answers = {TMsgResult::No};
  try {
    commands_->OpenObjectFile();
  } catch (const Exception&) {
  }
  // Either the file's whole first record with no remembered positions, reported; or nothing.
  if (form_->FileName() == PathOf("damaged.vro")) {
    EXPECT_EQ(form_->PlaneMark().Memory().Count(), 0);
    EXPECT_EQ(messages_.Shown.back().Icon, TMsgIcon::Error);
  } else {
    EXPECT_EQ(State(), before);
  }
}

// A disk that fills while the object file or the memo is written: every file keeps its old bytes.
TEST_F(DocumentCommandsTest, ASaveCutShortAtAnyOfItsFilesReplacesNoneAndKeepsModified) {
  MakeFaces();
  const std::vector<std::pair<const char*, std::function<void()>>> saves{
      {"park.scn", [this] { commands_->SaveDocument(); }},
      {"park.scn", [this] { SaveSceneAs(PathOf("park.scn")); }},
      {"trees.vro", [this] { commands_->SaveDocument(); }},
      {"trees.vro", [this] { Answering("trees.vro").SaveObjectFileAs(); }},
  };
  for (const auto& [document, save] : saves) {
    for (const char* cutAt : {".vro", ".txt"}) {
      form_->SetModified(false);
      commands_->NewDocument();
      Edit(13);
      if (PathExtension(document) == ".scn") {
        OpenFaces();
        SaveSceneAs(PathOf(document));
      } else {
        ASSERT_TRUE(Answering(document).SaveObjectFileAs());
      }
      std::map<std::string, std::string> old;
      for (const std::string& name : Listing())
        old[name] = ReadBytes(PathOf(name));
      // Clear blades only, so that the new object file is larger than the new scene file.
      form_->Collections()->Clear();
      doc::BuildRandomDocument(*form_->Container(), 14, 5, 24);
      for (int i = 0; i < form_->Collections()->Count(); ++i)
        for (int k = 0; k < form_->Collections()->GetLayer(i)->Count(); ++k)
          form_->Collections()->GetLayer(i)->Blade(k)->SetDrawTexture(false);
      form_->PushHistory();
      std::string memo;
      for (int i = 0; i < 5000; ++i)
        memo += "memo line " + std::to_string(i) + "\r\n";
      form_->SetMemo(memo);
      const std::size_t objects = ObjectFileBytes(*form_->Container(), &form_->PlaneMark().Memory()).size();
      std::string error;
      {
        const ScopedFileSizeLimit limit(std::string(cutAt) == ".vro" ? objects - 1 : memo.size() - 1);
        error = bytes::ErrorOf(save);
      }
      const std::string cut = PathWithoutExtension(PathOf(document)) + cutAt;
      EXPECT_NE(error.find(cut), std::string::npos) << error;
      for (const auto& [name, bytes] : old)
        EXPECT_EQ(ReadBytes(PathOf(name)), bytes) << cut << ": " << name;
      EXPECT_EQ(Listing().size(), old.size()) << cut;
      EXPECT_TRUE(form_->Modified()) << cut;
    }
  }
}

TEST_F(DocumentCommandsTest, AFailedSaveAsKeepsTheOldNameCaptionAndModified) {
  MakeSavedScene();
  Edit(14);
  dialogs_.answers.push_back(PathOf("other.scn"));
  {
    const ScopedFileSizeLimit limit(64);
    EXPECT_THROW(commands_->SaveSceneAs(), Exception);
  }
  EXPECT_EQ(form_->FileName(), PathOf("park.scn"));
  EXPECT_EQ(form_->SceneFiler()->SceneFilename(), PathOf("park.scn"));
  EXPECT_EQ(window_.caption, PathOf("park.scn") + " Vrel");
  EXPECT_TRUE(form_->Modified());
  EXPECT_FALSE(fs::exists(PathOf("other.scn")));
}

TEST_F(DocumentCommandsTest, AFailedSaveInTheSaveQuestionCancels) {
  MakeSavedScene();
  Edit(15);
  const std::string before = State();
  messages_.Answers = {TMsgResult::Yes};
  {
    const ScopedFileSizeLimit limit(64);
    commands_->NewDocument();
  }
  EXPECT_EQ(State(), before);
  ASSERT_EQ(messages_.Shown.size(), 2u);
  EXPECT_EQ(messages_.Shown[0].Text, "変更を保存しますか？");
  EXPECT_EQ(messages_.Shown[1].Icon, TMsgIcon::Error);
}

TEST_F(DocumentCommandsTest, CancelInTheSaveQuestionStopsEveryCommandThatAsks) {
  Edit(16);
  const std::string before = State();
  for (void (TDocumentCommands::*command)() :
       {&TDocumentCommands::NewDocument, &TDocumentCommands::OpenScene, &TDocumentCommands::OpenObjectFile}) {
    messages_.Answers = {TMsgResult::Cancel};
    dialogs_.answers = {PathOf("any.scn")};
    (commands_.get()->*command)();
    EXPECT_TRUE(dialogs_.asked.empty());
    EXPECT_EQ(State(), before);
  }
  EXPECT_EQ(messages_.Shown.size(), 3u);
}

TEST_F(DocumentCommandsTest, ACancelledDialogChangesNothingAndWritesNothing) {
  MakeFaces();
  OpenFaces();
  Edit(21);
  const std::string before = State();
  const std::vector<std::string> files = Listing();
  form_->SetModified(false);  // no save question
  for (void (*command)(TDocumentCommands&) : {
           +[](TDocumentCommands& c) { c.OpenScene(); },
           +[](TDocumentCommands& c) { c.OpenObjectFile(); },
           +[](TDocumentCommands& c) { c.AppendObjectFile(); },
           +[](TDocumentCommands& c) { c.OpenSixImages(); },
           +[](TDocumentCommands& c) { EXPECT_FALSE(c.SaveSceneAs()); },
           +[](TDocumentCommands& c) { EXPECT_FALSE(c.SaveObjectFileAs()); },
       }) {
    command(*commands_);
    form_->SetModified(true);
    EXPECT_EQ(State(), before);
    form_->SetModified(false);
  }
  EXPECT_EQ(dialogs_.asked.size(), 7u);  // with the one that opened the faces
  EXPECT_EQ(Listing(), files);
}

TEST_F(DocumentCommandsTest, SavingASceneWhoseObjectFileWouldBeTheSceneWritesNothing) {
  MakeFaces();
  OpenFaces();
  dialogs_.answers.push_back(PathOf("park.vro"));
  EXPECT_THROW(commands_->SaveSceneAs(), Exception);
  EXPECT_FALSE(fs::exists(PathOf("park.vro")));
  EXPECT_EQ(form_->DocumentKind(), dkNone);
}

// --- save as and append ----------------------------------------------------------------------------

TEST_F(DocumentCommandsTest, SavingTheObjectsOfASceneLeavesTheSceneModified) {
  MakeSavedScene();
  Edit(17);
  ASSERT_TRUE(Answering("objects.vro").SaveObjectFileAs());
  EXPECT_TRUE(fs::is_regular_file(PathOf("objects.vro")));
  EXPECT_EQ(form_->FileName(), PathOf("park.scn"));
  EXPECT_EQ(form_->DocumentKind(), dkScene);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(DocumentCommandsTest, AppendingIntoAnUntouchedNewDocumentMakesItTheFile) {
  const int fileLayers = SaveTreesAndStartAnew();
  Append(PathOf("trees.vro"));
  EXPECT_EQ(form_->Collections()->Count(), 1 + fileLayers);
  EXPECT_EQ(form_->FileName(), PathOf("trees.vro"));
  EXPECT_EQ(form_->DocumentKind(), dkObjectFile);
  EXPECT_FALSE(form_->Modified());
}

TEST_F(DocumentCommandsTest, AppendingIntoAModifiedNewDocumentKeepsItsNameAndModified) {
  const int fileLayers = SaveTreesAndStartAnew();
  form_->PushHistory();  // work of its own, not yet saved
  Append(PathOf("trees.vro"));
  EXPECT_EQ(form_->Collections()->Count(), 1 + fileLayers);
  EXPECT_EQ(form_->FileName(), "");
  EXPECT_EQ(form_->DocumentKind(), dkNone);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(DocumentCommandsTest, AppendingIntoASceneKeepsItsNameAndMarksItModified) {
  SaveTreesAndStartAnew();
  MakeSavedScene(20);
  const int layers = form_->Collections()->Count();
  const int steps = form_->History()->Count();
  const int positions = form_->PlaneMark().Memory().Count();
  Append(PathOf("trees.vro"));
  EXPECT_GT(form_->Collections()->Count(), layers);
  EXPECT_EQ(form_->PlaneMark().Memory().Count(), positions);
  EXPECT_EQ(form_->FileName(), PathOf("park.scn"));
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(form_->History()->Count(), steps + 1);
}

// --- the plane mark and the view's drag ----------------------------------------------------------------

TEST_F(DocumentCommandsTest, NewAndOpenEndAPlaneMarkFlightFirst) {
  TKeyboardState keys;
  const TScopedKeyboardState keyboard(keys);
  ASSERT_TRUE(Answering("empty.vro").SaveObjectFileAs());
  const Vec3 start = form_->SceneFiler()->FMSData()->GetAircraftVector();
  const std::vector<std::pair<const char*, std::function<void()>>> commands{
      {"new", [this] { commands_->NewDocument(); }}, {"open", [this] { Answering("empty.vro").OpenObjectFile(); }}};
  for (const auto& [name, command] : commands) {
    keys.Press(vkRight);
    form_->PlaneMark().KeyDown();
    form_->PlaneMark().Timer1Timer();
    ASSERT_TRUE(form_->PlaneMark().Flying()) << name;
    command();
    EXPECT_FALSE(form_->PlaneMark().Flying()) << name;
    EXPECT_FALSE(window_.timerOn) << name;
    // A tick the window had already queued moves nothing: the key is still held.
    form_->PlaneMark().Timer1Timer();
    EXPECT_EQ(form_->PlaneMark().Position(), start) << name;
    EXPECT_EQ(form_->PlaneMarkHistory()->Count(), 1) << name;
    keys.Release(vkRight);
  }
}

TEST_F(DocumentCommandsTest, ADragInTheViewEndsBeforeTheSaveQuestionWhichThenAsksAboutIt) {
  TSquareBladeCollection& layer = *form_->Collections()->GetLayer(0);
  TSquareBlade* blade =
      scenetest::AddBlade(layer, {Vec3(-50, 50, 0), Vec3(50, 50, 0), Vec3(50, -50, 0), Vec3(-50, -50, 0)});
  blade->SelectAll();
  form_->Collections()->RebuildSelectedVertexList();
  form_->SetModified(false);
  const int steps = form_->History()->Count();
  form_->SetEditMode(emDirection);
  TViewInput& input = form_->ViewInput();
  input.MouseDown(TMouseButton::Left, {ssLeft}, 400, 300);
  input.MouseMove({ssLeft}, 460, 300);
  const Vec3 moved = blade->GetVertexPosition(0);
  ASSERT_NE(moved, Vec3(-50, 50, 0));
  messages_.Answers.push_back(TMsgResult::Cancel);

  commands_->NewDocument();
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(messages_.Shown[0].Text, "変更を保存しますか？");
  EXPECT_FALSE(input.LeftDrag());
  EXPECT_EQ(form_->History()->Count(), steps + 1);
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Blade(0)->GetVertexPosition(0), moved);
  EXPECT_TRUE(form_->Modified());
}

// --- the six images --------------------------------------------------------------------------------

TEST_F(DocumentCommandsTest, SixImagesBecomeTheTexturesWithTheProgressBarInTheMiddlePanel) {
  MakeFaces();
  OpenFaces();
  EXPECT_EQ(dialogs_.asked.back(), (FakeDialogs::Request{"picture", FilterText(PictureFormats().Filter()), ""}));
  EXPECT_TRUE(form_->RenderStage()->Cube()->TexturesLoaded());
  EXPECT_EQ(form_->RenderStage()->Cube()->FaceImageSize(), 16);
  EXPECT_EQ(form_->SceneFiler()->TextureBasename(), "park");
  EXPECT_EQ(form_->SceneFiler()->ImageNames(), (std::vector<std::string>{Face("left"), Face("front"), Face("right"),
                                                                         Face("back"), Face("top"), Face("bottom")}));
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(statusBar_.bounds, (std::array<int, 4>{kMiddlePanel.Left + 3, 3, kMiddlePanel.Width - 4, 18}));
  EXPECT_EQ(statusBar_.positions, (std::vector<int>{0, 0, 16, 32, 48, 64, 80, 96, 100}));
  EXPECT_EQ(statusBar_.barsShown, 0);
}

TEST_F(DocumentCommandsTest, SixImagesWithOneBrokenFaceLoadNoneAndNameThatFace) {
  MakeFaces();
  const std::string top = ReadBytes(Face("top"));
  WriteBytes(Face("top"), top.substr(0, top.size() - 10));
  OpenFaces();
  const TCubeSquareBladeCollection& cube = *form_->RenderStage()->Cube();
  EXPECT_FALSE(cube.TexturesLoaded());
  for (int f = 0; f < 6; ++f)
    EXPECT_EQ(cube.GetFaceBlade(f)->GetTexture(), nullptr) << f;
  EXPECT_NE(window_.status[spSelectionCenter].find("park_top.bmp"), std::string::npos)
      << window_.status[spSelectionCenter];
  EXPECT_EQ(form_->SceneFiler()->TextureBasename(), "");
  EXPECT_FALSE(form_->Modified());
  EXPECT_EQ(statusBar_.positions, (std::vector<int>{0, 0, 16, 32, 48, 64}));
  EXPECT_EQ(statusBar_.barsShown, 0);
  EXPECT_FALSE(static_cast<bool>(cube.OnProgress));
}

TEST_F(DocumentCommandsTest, ANewDeviceGetsTheSixTexturesAgain) {
  MakeFaces();
  OpenFaces();
  render_.RecreateDevice();
  const auto* device = dynamic_cast<const RecordingDevice*>(render_.InnerDevice());
  ASSERT_NE(device, nullptr);
  std::vector<std::string> made;
  for (const CreateTextureCall* call : device->CallsOf<CreateTextureCall>())
    made.push_back(call->source);
  EXPECT_EQ(made, form_->SceneFiler()->ImageNames());
  EXPECT_TRUE(form_->RenderStage()->Cube()->TexturesLoaded());
}

TEST_F(DocumentCommandsTest, AnImageWithoutAFaceSuffixChangesNothingAndABoxSaysHowFacesAreNamed) {
  MakeFaces();
  fs::copy_file(Face("front"), PathOf("park.bmp"));
  dialogs_.answers.push_back(PathOf("park.bmp"));
  commands_->OpenSixImages();
  EXPECT_FALSE(form_->RenderStage()->Cube()->TexturesLoaded());
  EXPECT_FALSE(form_->Modified());
  EXPECT_TRUE(statusBar_.positions.empty());
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(
      messages_.Shown[0].Text,
      "画像ファイル park.bmp の名前からは、どの面の画像か分かりません。\r\n６面の画像には、名前_left, _front, _right, "
      "_back, _top, _bottom か、名前_3, _0, _1, _2, _4, _5 (左, 前, 右, 後, 上, 下の順) と名前を付けてください。");
}

TEST_F(DocumentCommandsTest, OpeningASceneNamesTheFaceImageItDidNotFind) {
  MakeSavedScene();
  fs::remove(Face("top"));
  commands_->NewDocument();
  OpenScene(PathOf("park.scn"));
  EXPECT_FALSE(form_->RenderStage()->Cube()->TexturesLoaded());
  EXPECT_EQ(window_.status[spSelectionCenter], "画像ファイル " + Face("top") + " が見つかりません");
}

// A face message speaks of faces the view lacks: faces that load take it away.
TEST_F(DocumentCommandsTest, FacesThatLoadTakeAwayTheMessageOfFacesNotFound) {
  MakeSavedScene();
  fs::remove(Face("top"));
  commands_->NewDocument();
  OpenScene(PathOf("park.scn"));
  MakeFaces("other");
  OpenFaces("other");
  EXPECT_EQ(window_.status[spSelectionCenter], "");
}

// The scene names its faces by their base name; opening it looks for them as bitmaps beside it,
// in any case.
TEST_F(DocumentCommandsTest, SavingASceneWithoutItsSixBitmapFacesBesideItSaysReopeningShowsNoPanorama) {
  MakeFaces("park", "16x16", "png");
  OpenFaces("park", "png");
  fs::copy_file(Face("left", "park", "png"), PathOf("PARK_LEFT.BMP"));
  SaveSceneAs(PathOf("park.scn"));
  EXPECT_EQ(window_.status[spSelectionCenter],
            "シーンと同じフォルダに６面の BMP 画像がそろうまで、開き直してもパノラマは表示されません (ないもの: "
            "park_front.bmp, park_right.bmp, park_back.bmp, park_top.bmp, park_bottom.bmp)");
}

// Faces 1024 and 4096 pixels wide give the scenes their texel insets. Opened without their faces,
// in a fresh program and after a scene of the other size, each saves to the same bytes.
TEST_F(DocumentCommandsTest, ASceneOpenedWithoutItsFacesIsSavedWithTheTexelInsetsItWasWrittenWith) {
  std::map<std::string, std::vector<std::string>> saved;
  for (const auto& [base, size] : {std::pair("small", "1024x1"), std::pair("large", "4096x1")}) {
    MakeFaces(base, size);
    OpenFaces(base);
    Edit(23);
    SaveSceneAs(PathOf(std::string(base) + ".scn"));
    saved[base] = SceneBytes(base);
  }
  fs::create_directory(PathOf("away"));
  const auto moveFaces = [this](const std::string& base, const fs::path& from, const fs::path& to) {
    for (const char* face : kFaceNames)
      fs::rename(folder_ / from / (base + "_" + face + ".bmp"), folder_ / to / (base + "_" + face + ".bmp"));
  };
  for (const auto& [scene, other] : {std::pair("small", "large"), std::pair("large", "small")}) {
    moveFaces(scene, "", "away");
    Restart();
    OpenScene(PathOf(std::string(scene) + ".scn"));
    ASSERT_TRUE(commands_->SaveDocument());
    EXPECT_EQ(SceneBytes(scene), saved[scene]) << scene;
    OpenScene(PathOf(std::string(other) + ".scn"));
    ASSERT_TRUE(form_->RenderStage()->Cube()->TexturesLoaded());
    OpenScene(PathOf(std::string(scene) + ".scn"));
    ASSERT_TRUE(commands_->SaveDocument());
    EXPECT_EQ(SceneBytes(scene), saved[scene]) << scene << " after " << other;
    moveFaces(scene, "away", "");
  }
}

TEST_F(DocumentCommandsTest, DialogsStartInTheDocumentsFolderOrWhereTheyWereLeftButNeverInTheWorkingFolder) {
  const std::string home = QDir::homePath().toStdString();
  const std::string left = PathOf("left");
  const std::string pictures = PathOf("pictures");
  fs::create_directory(left);
  fs::create_directory(pictures);
  dialogs_.leaveIn = left;
  commands_->OpenScene();
  commands_->OpenScene();
  commands_->SaveObjectFileAs();
  EXPECT_EQ(dialogs_.offered, "");
  MakeFaces();
  dialogs_.leaveIn = pictures;
  OpenFaces();
  SaveSceneAs(PathOf("park.scn"));
  // Now the document has a folder.
  commands_->OpenObjectFile();
  commands_->SaveSceneAs();
  EXPECT_EQ(dialogs_.offered, "park.scn");
  commands_->SaveObjectFileAs();
  EXPECT_EQ(dialogs_.offered, "park.vro");
  commands_->OpenSixImages();
  Restart();
  OpenScene(PathOf("park.scn"));
  commands_->OpenSixImages();
  EXPECT_EQ(dialogs_.startedIn,
            (std::vector<std::string>{home, left, home, home, home, folder_.string(), folder_.string(),
                                      folder_.string(), pictures, home, folder_.string()}));
}

// --- the memo file ---------------------------------------------------------------------------------

// 一行目 / ソ表 (a trail byte 0x5C) / an empty line / a tab / a last line without line break, broken by
// LF, CR and CR LF, and an end-of-file mark after it; the bytes are Python's cp932.
TEST_F(DocumentCommandsTest, AMemoWithASceneIsSavedWithCrLfAndSavedAgainToTheSameBytes) {
  MakeSavedScene();
  WriteBytes(PathOf("park.txt"), "\x88\xea\x8d\x73\x96\xda\n\x83\x5c\x95\x5c\r\r\ntab\there\r\nlast\x1a");
  commands_->NewDocument();
  OpenScene(PathOf("park.scn"));
  const std::string expected = "\x88\xea\x8d\x73\x96\xda\r\n\x83\x5c\x95\x5c\r\n\r\ntab\there\r\nlast";
  EXPECT_EQ(form_->Memo(), expected);
  EXPECT_FALSE(form_->Modified());
  ASSERT_TRUE(commands_->SaveDocument());
  EXPECT_EQ(ReadBytes(PathOf("park.txt")), expected);

  commands_->NewDocument();
  OpenScene(PathOf("park.scn"));
  ASSERT_TRUE(commands_->SaveDocument());
  EXPECT_EQ(ReadBytes(PathOf("park.txt")), expected);
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(DocumentCommandsTest, AnEmptyMemoMakesNoFileButEmptiesOneThatExists) {
  WriteBytes(PathOf("b.txt"), "old\r\n");
  TPendingFiles files;
  AddMemoFile(files, PathOf("a.txt"), "");
  AddMemoFile(files, PathOf("b.txt"), "");
  AddMemoFile(files, PathOf("c.txt"), "x\r\ny");
  files.CommitAll();
  EXPECT_FALSE(fs::exists(PathOf("a.txt")));
  EXPECT_EQ(ReadBytes(PathOf("b.txt")), "");
  EXPECT_EQ(ReadBytes(PathOf("c.txt")), "x\r\ny");
}

// What reading the memo file at `path` raised; empty when it raised nothing.
std::string MemoReadError(const std::string& path) {
  try {
    ReadMemoFile(path);
  } catch (const Exception& error) {
    return error.Message();
  }
  return "";
}

TEST_F(DocumentCommandsTest, TheMemoReaderTakesOnlyRegularFilesOfBoundedSize) {
  EXPECT_EQ(ReadMemoFile(PathOf("missing.txt")), std::nullopt);
  ASSERT_EQ(mkfifo(PathOf("fifo.txt").c_str(), 0600), 0);
  // Refused at once, no writer awaited.
  EXPECT_EQ(MemoReadError(PathOf("fifo.txt")),
            "メモファイル " + PathOf("fifo.txt") + " を読み込めません (not a regular file)");
  fs::create_directory(PathOf("folder.txt"));
  EXPECT_EQ(MemoReadError(PathOf("folder.txt")),
            "メモファイル " + PathOf("folder.txt") + " を読み込めません (a folder)");
  WriteBytes(PathOf("huge.txt"), "");
  fs::resize_file(PathOf("huge.txt"), kMaxMemoFileSize + 1);  // sparse: nothing is written
  EXPECT_EQ(MemoReadError(PathOf("huge.txt")),
            "メモファイル " + PathOf("huge.txt") + " を読み込めません (larger than 67108864 bytes)");
}

}  // namespace
}  // namespace vrel
