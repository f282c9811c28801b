// The main menu's rules and commands on the main window's logic, without a window: a started
// document on a recording device, the tool palette's and the layer panel's commands as the window
// has them, an in-memory clipboard, and fake windows that record what the menu asked of them.
//
// The rules are checked as one table over document states, written from what each item is meant to
// offer; every command whose rule is false is run anyway and must leave the document as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DocumentCommands.h"
#include "app/LayerCommands.h"
#include "app/LayerListRows.h"
#include "app/MainMenu.h"
#include "app/PlaneMarkControl.h"
#include "app/ToolCommands.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Clipboard.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Clipboard.h"
#include "scene/DX9CubeRiders.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transformer.h"
#include "tests/app/MainFormFixture.h"

namespace vrel {
namespace {

// Counts what the menu asks of the window.
struct FakeMenuWindow : TMenuWindow {
  int asked = 0;
  void CloseMainWindow() override { ++asked; }
  void TogglePanel(TToolPanel) override { ++asked; }
  void ShowSettings() override { ++asked; }
  void ShowMemo() override { ++asked; }
  void ShowVersionDialog() override { ++asked; }
};

// Two quads side by side in the first layer, corners numbered 0..3 from the top left, clockwise.
constexpr TCorners kQuadA{Vec3(0, 10, 100), Vec3(10, 10, 100), Vec3(10, 0, 100), Vec3(0, 0, 100)};
constexpr TCorners kQuadB{Vec3(20, 10, 100), Vec3(30, 10, 100), Vec3(30, 0, 100), Vec3(20, 0, 100)};

class MainMenuTest : public apptest::StartedMainForm {
 protected:
  void SetUp() override {
    StartedMainForm::SetUp();
    TDocumentCommandPorts ports;
    ports.StatusBar = &statusBar_;
    documents_ = std::make_unique<TDocumentCommands>(*form_, std::move(ports));
    layerCommands_ = std::make_unique<TLayerCommands>(rows_, *form_);
    layerCommands_->SetCollections(form_->Collections());
    tools_ = std::make_unique<TToolCommands>(*form_, *layerCommands_, &dialogs_);
    menu_ = std::make_unique<TMenuCommands>(*form_, *documents_, *tools_, clipboard_, menuWindow_);
  }
  void TearDown() override {
    menu_.reset();
    documents_.reset();
    StartedMainForm::TearDown();
  }

  TSquareBladeCollections& Layers() { return *form_->Collections(); }
  TSquareBladeCollection& Layer0() { return *Layers().GetLayer(0); }
  TSquareBlade& A() { return *Layer0().Blade(0); }
  TSquareBlade& B() { return *Layer0().Blade(1); }
  int HistoryCount() const { return form_->History()->Count(); }
  int Selected() { return Layers().SelectedVertices().Count(); }

  bool Run(const char* name) {
    const TMenuRow* row = FindMenuRow(name);
    EXPECT_NE(row, nullptr) << name;
    return row && menu_->Run(*row);
  }
  bool Enabled(const char* name) {
    const TMenuRow* row = FindMenuRow(name);
    EXPECT_NE(row, nullptr) << name;
    return row && menu_->Enabled(*row);
  }

  // The two quads, a snapshot of them, nothing selected.
  void AddQuads() {
    scenetest::AddBlade(Layer0(), kQuadA);
    scenetest::AddBlade(Layer0(), kQuadB);
    form_->PushHistory();
    form_->SetModified(false);
  }
  void SelectVertices(TSquareBlade& blade, int count) {
    for (int i = 0; i < count; ++i)
      blade.Select(bpVertex, i, true);
    Layers().RebuildSelectedVertexList();
  }
  void SelectFace(TSquareBlade& blade) {
    blade.SelectAll();
    Layers().RebuildSelectedVertexList();
  }
  void LoadFaceTextures() {
    const TFaceImageNames names{"l", "f", "r", "b", "t", "d"};
    const TTextureLoadResult loaded = form_->RenderStage()->Cube()->LoadTextures(
        render_.GetDevice(), names,
        [](const std::string&, int) { return BgraTextureImage(2, 2, std::vector<uint8_t>(16, 200)); });
    ASSERT_TRUE(loaded.Loaded);
  }
  // The texture polygons of blade A, a selected face with the texture flag.
  void ShowTexturePolygonsOfA() {
    AddQuads();
    LoadFaceTextures();
    SelectFace(A());
    A().SetDrawTexture(true);
    ASSERT_TRUE(Run("mnuCreateTexturePolygon"));
  }

  // What a command could change, taken whole.
  std::string State() {
    const Vec3 mark = form_->PlaneMark().Position();
    std::ostringstream out;
    out << "history " << form_->History()->Index() << "/" << form_->History()->Count() << " modified "
        << form_->Modified() << " mode " << static_cast<int>(form_->EditMode()) << " texture polygons "
        << form_->ShowTexturePolygons() << " clipboard " << clipboard_.WriteCount() << " mark " << mark.x << ","
        << mark.y << "," << mark.z << " in " << form_->PlaneMarkHistory()->Count() << " remembered "
        << form_->PlaneMark().Memory().Count() << " paints " << host_.paintRequests << " messages "
        << messages_.Shown.size() << " window " << menuWindow_.asked << " dialogs " << dialogs_.vertexPositions << ","
        << dialogs_.polygonProperties << " blades " << SaveComponentToBytes(*form_->Container());
    return out.str();
  }

  apptest::FakeStatusBar statusBar_;
  MemoryClipboard clipboard_;
  FakeMenuWindow menuWindow_;
  apptest::FakeToolDialogs dialogs_;
  TLayerListRows rows_;
  std::unique_ptr<TDocumentCommands> documents_;
  std::unique_ptr<TLayerCommands> layerCommands_;
  std::unique_ptr<TToolCommands> tools_;
  std::unique_ptr<TMenuCommands> menu_;
};

// --- the rules over document states ------------------------------------------------------------------

// The document states of the rule table, in its column order.
enum TMenuState : int {
  msNew,              // just started
  msBlades,           // two quads, one edit, nothing selected
  msVertex,           // one vertex of A selected
  msTwoVertices,      // two vertices of A
  msThreeVertices,    // three vertices of A
  msFace,             // A's face
  msLockedFace,       // A's face in a layer then locked
  msHiddenBlade,      // B hidden
  msAllSelected,      // both faces
  msUndone,           // the edit undone
  msClipboard,        // A copied, then the selection cleared
  msClipboardLocked,  // the same with the layer locked
  msTexturedFace,     // A's face selected and textured, the cube's images loaded
  msTexturePolygons,  // the same with the texture polygons shown
  msPlaneMark,        // the mark moved away from the start and remembered there
  msStateCount,
};

struct RuleRow {
  const char* Name;
  // One character per state: '1' enabled, '0' not.
  const char* Expected;
};

const RuleRow kRules[]{
    //                           0123456789ABCDE
    {"mnuUndo", /*             */ "011111111011111"}, {"mnuRedo", /*             */ "000000000100000"},
    {"mnuCut", /*              */ "000001001000110"}, {"mnuCopy", /*             */ "000001001000110"},
    {"mnuPaste", /*            */ "000000000010000"}, {"mnuDelete", /*           */ "001111001000110"},
    {"mnuClearMemory", /*      */ "011111111111111"}, {"mnuClearHistory", /*     */ "011111111111111"},
    {"mnuSelectAll", /*        */ "011111011010111"}, {"mnuClearSelection", /*   */ "011111111011111"},
    {"mnuHideSelectedBlade", /**/ "001111001000110"}, {"mnuHideNotSelectedBlade", "011111110011111"},
    {"mnuShowHided", /*        */ "000000010000000"}, {"mnuAttachTexture", /*    */ "000001001000110"},
    {"mnuDetachTexture", /*    */ "000001001000110"}, {"mnuStick", /*            */ "000111001000110"},
    {"mnuGather", /*           */ "000111001000110"}, {"mnuAlignment", /*        */ "000011001000110"},
    {"mnuAlignmentSurface", /* */ "000001001000110"}, {"mnuFaceToCamera", /*     */ "000001001000110"},
    {"mnuFaceReverse", /*      */ "000001001000110"}, {"mnu4VertexToBlade", /*   */ "000001000000110"},
    {"mnuChangeLookAt", /*     */ "001111001000110"}, {"mnuPlaneMark_Home", /*   */ "000000000000001"},
    {"mnuPlaneMark_ToPolygon", "001111001000110"},    {"mnuPlaneMark_Call", /*   */ "000000000000001"},
    {"mnuPlaneMark_Clear", /*  */ "000000000000001"}, {"mnuPlaneMark_Undo", /*   */ "000000000000001"},
    {"mnuPlaneMark_Redo", /*   */ "000000000000000"}, {"mnuCreateTexturePolygon", "000000000000100"},
    {"mnuClearTexturePolygon", "000000000000010"},
};

class MenuRulesTest : public MainMenuTest, public ::testing::WithParamInterface<int> {
 protected:
  // Puts the document into state `state`.
  void Make(int state) {
    if (state == msNew)
      return;
    AddQuads();
    switch (state) {
      case msVertex:
        SelectVertices(A(), 1);
        break;
      case msTwoVertices:
        SelectVertices(A(), 2);
        break;
      case msThreeVertices:
        SelectVertices(A(), 3);
        break;
      case msFace:
        SelectFace(A());
        break;
      case msLockedFace:
        SelectFace(A());
        Layer0().SetLocked(true);
        Layers().RebuildSelectedVertexList();
        break;
      case msHiddenBlade:
        B().SetVisible(false);
        break;
      case msAllSelected:
        SelectFace(A());
        SelectFace(B());
        break;
      case msUndone:
        form_->Undo();
        break;
      case msClipboard:
      case msClipboardLocked:
        SelectFace(A());
        ASSERT_TRUE(CopyToClipboard(Layers(), clipboard_));
        Layers().ClearSelection();
        Layer0().SetLocked(state == msClipboardLocked);
        break;
      case msTexturedFace:
      case msTexturePolygons:
        LoadFaceTextures();
        SelectFace(A());
        A().SetDrawTexture(true);
        if (state == msTexturePolygons)
          form_->SetShowTexturePolygons(true);
        break;
      case msPlaneMark:
        form_->PlaneMark().SetPlaneMarkPosition({50, 5, 50});
        form_->PushPlaneMarkHistory();
        form_->PlaneMark().Remember();
        break;
      default:
        break;
    }
  }
};

TEST_P(MenuRulesTest, EachItemIsOfferedExactlyInTheStatesItsRuleNames) {
  const int state = GetParam();
  Make(state);
  for (const RuleRow& rule : kRules)
    EXPECT_EQ(Enabled(rule.Name), rule.Expected[state] == '1') << rule.Name << " in state " << state;
}

TEST_P(MenuRulesTest, ACommandWhoseRuleIsFalseChangesNothingEvenWhenItsHandlerIsCalledDirectly) {
  const int state = GetParam();
  Make(state);
  for (const RuleRow& rule : kRules) {
    const TMenuRow& row = *FindMenuRow(rule.Name);
    if (row.Click == nullptr || rule.Expected[state] == '1')
      continue;
    const std::string before = State();
    EXPECT_FALSE(menu_->Run(row)) << rule.Name;
    row.Click(*menu_, row.Tag);
    EXPECT_EQ(State(), before) << rule.Name << " in state " << state;
  }
}

INSTANTIATE_TEST_SUITE_P(States, MenuRulesTest, ::testing::Range(0, static_cast<int>(msStateCount)));

TEST(MainMenuRows, EveryRuleOfTheTableIsCheckedAndEveryItemHasAUniqueName) {
  std::vector<std::string> names;
  for (const TMenuRow& row : MainMenuRows()) {
    if (std::string_view(row.Caption) == "-")
      continue;
    names.emplace_back(row.Name);
    if (row.Enabled == nullptr)
      continue;
    const bool inTable = std::any_of(std::begin(kRules), std::end(kRules),
                                     [&row](const RuleRow& rule) { return rule.Name == std::string_view(row.Name); });
    EXPECT_TRUE(inTable) << row.Name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

// --- the edit menu -----------------------------------------------------------------------------------

TEST_F(MainMenuTest, CutTakesOnlyTheSelectedFacesAndDeletesExactlyThoseBlades) {
  AddQuads();
  SelectFace(A());
  B().Select(bpVertex, 0, true);  // a vertex alone is no face to cut
  Layers().RebuildSelectedVertexList();
  ASSERT_TRUE(Run("mnuCut"));
  ASSERT_EQ(Layer0().Count(), 1);
  EXPECT_EQ(A().GetVertices(), kQuadB);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_TRUE(form_->Modified());
  ASSERT_TRUE(Run("mnuPaste"));
  ASSERT_EQ(Layer0().Count(), 2);
  EXPECT_EQ(B().GetVertices(), kQuadA);
}

TEST_F(MainMenuTest, WithOnlyVerticesSelectedCutIsNotOfferedAndDeletesNothing) {
  AddQuads();
  SelectVertices(A(), 4);
  B().Select(bpBorder, 0, true);
  Layers().RebuildSelectedVertexList();
  EXPECT_FALSE(Enabled("mnuCut"));
  menu_->Cut();
  EXPECT_EQ(Layer0().Count(), 2);
  EXPECT_EQ(clipboard_.WriteCount(), 0);
  EXPECT_EQ(HistoryCount(), 2);
}

TEST_F(MainMenuTest, CopyTakesNoStepAndPasteAddsTheBladesToTheCurrentLayerSelectedAndShowsTheirCentre) {
  AddQuads();
  SelectFace(B());
  ASSERT_TRUE(Run("mnuCopy"));
  EXPECT_TRUE(clipboard_.HasFormat(BladeClipboardMimeType()));
  EXPECT_EQ(HistoryCount(), 2);
  EXPECT_FALSE(form_->Modified());
  ASSERT_TRUE(Run("mnuPaste"));
  ASSERT_EQ(Layer0().Count(), 3);
  EXPECT_EQ(Layer0().Blade(2)->GetVertices(), kQuadB);
  EXPECT_TRUE(Layer0().Blade(2)->GetFaceSelect());
  EXPECT_FALSE(B().IsSelected());
  EXPECT_EQ(Selected(), 4);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(window_.status[spSelectionCenter], "選択頂点の中心 X:25.00 Y:5.00 Z:100.00");
}

TEST_F(MainMenuTest, DeleteRemovesEveryBladeWithASelectedPartAsOneStep) {
  AddQuads();
  SelectVertices(A(), 1);
  ASSERT_TRUE(Run("mnuDelete"));
  ASSERT_EQ(Layer0().Count(), 1);
  EXPECT_EQ(A().GetVertices(), kQuadB);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(MainMenuTest, ClearingTheHistoryKeepsThePresentAsItsOnlyStepAndMarksTheDocumentModified) {
  AddQuads();
  SelectFace(A());
  ASSERT_TRUE(Run("mnuDelete"));
  form_->SetModified(false);
  ASSERT_TRUE(Run("mnuClearHistory"));
  EXPECT_EQ(HistoryCount(), 1);
  EXPECT_EQ(form_->History()->Index(), 0);
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(Layer0().Count(), 1);
  EXPECT_FALSE(Enabled("mnuUndo"));
  EXPECT_FALSE(Enabled("mnuClearMemory"));
}

// --- the selection menu ------------------------------------------------------------------------------

TEST_F(MainMenuTest, SelectAllSelectsTheShownBladesOfEditableLayersAndShowsTheirCentre) {
  AddQuads();
  B().SetVisible(false);
  TSquareBladeCollection* locked = Layers().AddLayer();
  scenetest::AddBlade(*locked, kQuadB);
  locked->SetLocked(true);
  ASSERT_TRUE(Run("mnuSelectAll"));
  EXPECT_TRUE(A().GetFaceSelect());
  EXPECT_FALSE(B().IsSelected());
  EXPECT_FALSE(locked->Blade(0)->IsSelected());
  EXPECT_EQ(Selected(), 4);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_EQ(window_.status[spSelectionCenter], "選択頂点の中心 X:5.00 Y:5.00 Z:100.00");
}

TEST_F(MainMenuTest, ClearSelectionHideAndShowChangeTheFlagsAsOneStepEach) {
  AddQuads();
  SelectFace(A());
  ASSERT_TRUE(Run("mnuHideSelectedBlade"));
  EXPECT_FALSE(A().Visible());
  EXPECT_FALSE(A().IsSelected());
  EXPECT_TRUE(B().Visible());
  ASSERT_TRUE(Run("mnuShowHided"));
  EXPECT_TRUE(A().Visible());
  SelectFace(A());
  ASSERT_TRUE(Run("mnuHideNotSelectedBlade"));
  EXPECT_TRUE(A().Visible());
  EXPECT_FALSE(B().Visible());
  ASSERT_TRUE(Run("mnuClearSelection"));
  EXPECT_FALSE(A().IsSelected());
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(HistoryCount(), 2 + 4);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(MainMenuTest, AttachAndDetachTextureSetTheFlagOfTheSelectedFaces) {
  AddQuads();
  SelectFace(B());
  ASSERT_TRUE(Run("mnuAttachTexture"));
  EXPECT_TRUE(B().DrawTexture());
  EXPECT_FALSE(A().DrawTexture());
  ASSERT_TRUE(Run("mnuDetachTexture"));
  EXPECT_FALSE(B().DrawTexture());
  EXPECT_EQ(HistoryCount(), 4);
}

struct ToolRow {
  const char* Name;
  // How many vertices of A and of B are selected first; 4 selects the face.
  int OfA;
  int OfB;
};

void PrintTo(const ToolRow& row, std::ostream* out) {
  *out << row.Name;
}

class ForwardedToolTest : public MainMenuTest, public ::testing::WithParamInterface<ToolRow> {};

TEST_P(ForwardedToolTest, ThePalettesCommandRunsAsOneStep) {
  AddQuads();
  // Tilt A a little, so lining up faces and turning them to the camera move something.
  A().SetVertexPosition(0, Vec3(0, 10, 103));
  for (auto [blade, count] : {std::pair{&A(), GetParam().OfA}, std::pair{&B(), GetParam().OfB}}) {
    if (count == 4)
      SelectFace(*blade);
    else
      SelectVertices(*blade, count);
  }
  // Gathering goes to the vertex clicked first.
  Layers().SetAnchor(A().GetVertexItem(0));
  // The polygon dialog answers with a grid in a new layer.
  dialogs_.polygon =
      TPolygonRequest{.NewLayer = true, .DivisionsX = 2, .DivisionsZ = 2, .SizeX = 20, .SizeZ = 20, .Position = {}};
  const std::string before = SaveComponentToBytes(*form_->Container());
  ASSERT_TRUE(Run(GetParam().Name));
  EXPECT_NE(SaveComponentToBytes(*form_->Container()), before);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_TRUE(form_->Modified());
}

INSTANTIATE_TEST_SUITE_P(Palette, ForwardedToolTest,
                         ::testing::Values(ToolRow{"mnuStick", 1, 1}, ToolRow{"mnuGather", 1, 1},
                                           ToolRow{"mnuAlignment", 2, 1}, ToolRow{"mnuAlignmentSurface", 4, 4},
                                           ToolRow{"mnuFaceToCamera", 4, 0}, ToolRow{"mnuFaceReverse", 4, 0},
                                           ToolRow{"mnu4VertexToBlade", 2, 2}, ToolRow{"mnuPolygon", 0, 0}),
                         [](const ::testing::TestParamInfo<ToolRow>& test) { return std::string(test.param.Name); });

TEST_F(MainMenuTest, TurningFacesToAnEyeOnTheirCentreDoesNothing) {
  AddQuads();
  SelectFace(A());
  form_->Transformer1().SetCameraPos({5, 5, 100});
  const std::string before = State();
  ASSERT_TRUE(Run("mnuFaceToCamera"));
  EXPECT_EQ(State(), before);
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(std::isfinite(A().GetVertexPosition(i).x)) << i;
}

// --- the view menu -----------------------------------------------------------------------------------

TEST_F(MainMenuTest, TexturePolygonsOfTheTexturedBladesShowWithTheProgressBarAndClearAgain) {
  ShowTexturePolygonsOfA();
  EXPECT_TRUE(form_->ShowTexturePolygons());
  EXPECT_GT(form_->TextureCube()->Pieces()->TotalCount(), 0);
  // The bar starts empty, then the rider reports each face done.
  ASSERT_GE(statusBar_.positions.size(), 6u);
  EXPECT_EQ(std::vector<int>(statusBar_.positions.end() - 6, statusBar_.positions.end()),
            (std::vector<int>{16, 32, 48, 64, 80, 96}));
  EXPECT_EQ(HistoryCount(), 2);
  EXPECT_FALSE(form_->Modified());
  EXPECT_FALSE(Enabled("mnuCreateTexturePolygon"));
  ASSERT_TRUE(Run("mnuClearTexturePolygon"));
  EXPECT_FALSE(form_->ShowTexturePolygons());
  EXPECT_EQ(form_->TextureCube()->Pieces()->TotalCount(), 0);
}

TEST_F(MainMenuTest, AnUndoTakesTheTexturePolygonsOfTheBladesBeforeAway) {
  ShowTexturePolygonsOfA();
  ASSERT_TRUE(Run("mnuUndo"));
  EXPECT_FALSE(form_->ShowTexturePolygons());
  EXPECT_EQ(form_->TextureCube()->Pieces()->TotalCount(), 0);
}

TEST_F(MainMenuTest, HiddenTexturedBladesGetTexturePolygonsOnlyWhileHiddenOnesAreExported) {
  AddQuads();
  LoadFaceTextures();
  SelectFace(A());
  A().SetDrawTexture(true);
  B().SetDrawTexture(true);
  B().SetVisible(false);
  ASSERT_TRUE(Run("mnuCreateTexturePolygon"));
  const int both = form_->TextureCube()->Pieces()->TotalCount();
  ASSERT_TRUE(Run("mnuClearTexturePolygon"));
  form_->Prop()->SetIgnoreVisible(false);
  form_->ApplyProperties();
  ASSERT_TRUE(Run("mnuCreateTexturePolygon"));
  EXPECT_EQ(form_->TextureCube()->Pieces()->TotalCount() * 2, both);
}

// --- the panel and help menus, the dialogs, the window -------------------------------------------

TEST_F(MainMenuTest, HelpShowsWhereTheDocumentationIs) {
  ASSERT_TRUE(Run("mnuShowHelp"));
  ASSERT_EQ(messages_.Shown.size(), 1u);
  EXPECT_EQ(messages_.Shown[0].Text, "使い方はホームページのドキュメントをご覧下さい。\n\nhttps://vrel.example.org/");
  EXPECT_EQ(messages_.Shown[0].Icon, TMsgIcon::Information);
  EXPECT_EQ(messages_.Shown[0].Buttons, TMsgButtons::OK);
}

// --- the single keys -------------------------------------------------------------------------------

TEST_F(MainMenuTest, TheModeKeysSetTheirEditMode) {
  const std::pair<const char*, TEditMode> keys[] = {{"mnuKnife", emKnife},         {"mnuScissors", emScissors},
                                                    {"mnuDirection", emDirection}, {"mnuScale", emScale},
                                                    {"mnuRotation", emRotation},   {"mnuSelect", emSelect}};
  for (const auto& [name, mode] : keys) {
    ASSERT_TRUE(Run(name));
    EXPECT_EQ(form_->EditMode(), mode) << name;
    EXPECT_EQ(panels_.modes.back(), mode) << name;
  }
}

TEST_F(MainMenuTest, ThePositionKeyOpensTheVertexDialogOnlyWithASelection) {
  ASSERT_TRUE(Run("mnuVertexPosition"));
  EXPECT_EQ(dialogs_.vertexPositions, 0);
  AddQuads();
  SelectVertices(A(), 1);
  ASSERT_TRUE(Run("mnuVertexPosition"));
  EXPECT_EQ(dialogs_.vertexPositions, 1);
}

}  // namespace
}  // namespace vrel
