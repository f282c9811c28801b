#include "app/MainMenu.h"

#include <algorithm>

#include "app/DocumentCommands.h"
#include "app/MainForm.h"
#include "app/PlaneMarkControl.h"
#include "app/ToolCommands.h"
#include "files/FMSSceneWriter.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "scene/DX9Clipboard.h"
#include "scene/DX9CubeRiders.h"
#include "scene/DX9Edit.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9TextureCube.h"

namespace vrel {

namespace {

using C = TMenuCommands;

// The rules that several rows share.
bool AtLeastTwo(const C& c) {
  return c.SelectedCount() >= 2;
}
bool FaceSelected(const C& c) {
  return c.EditableFaceSelected();
}
void SetEditMode(C& c, int tag) {
  c.Form().SetEditMode(static_cast<TEditMode>(tag));
}
void ResetViewPoint(C& c, int tag) {
  c.Form().ResetViewPoint(tag);
}
void TogglePanel(C& c, int tag) {
  c.Window().TogglePanel(static_cast<TToolPanel>(tag));
}
bool PanelShown(const C& c, int tag) {
  return c.Window().PanelVisible(static_cast<TToolPanel>(tag));
}

const std::vector<TMenuRow> kRows{
    {.Name = "mnuFile", .Caption = "ファイル(&F)"},
    {.Name = "mnuNew",
     .Parent = "mnuFile",
     .Caption = "新規作成(&N)",
     .ShortCut = "Ctrl+N",
     .Click = [](C& c, int) { c.Documents().NewDocument(); }},
    {.Name = "mnuOpen_Scn",
     .Parent = "mnuFile",
     .Caption = "開く(&O)...",
     .ShortCut = "Ctrl+O",
     .Click = [](C& c, int) { c.Documents().OpenScene(); }},
    {.Name = "mnuOpen6Images",
     .Parent = "mnuFile",
     .Caption = "６面画像を開く...(&I)",
     .Click = [](C& c, int) { c.Documents().OpenSixImages(); }},
    {.Name = "mnuSave",
     .Parent = "mnuFile",
     .Caption = "上書き保存(&S)",
     .ShortCut = "Ctrl+S",
     .Click = [](C& c, int) { c.Documents().SaveDocument(); }},
    {.Name = "mnuSaveAs",
     .Parent = "mnuFile",
     .Caption = "名前をつけて保存(&A)...",
     .Click = [](C& c, int) { c.Documents().SaveSceneAs(); }},
    {.Parent = "mnuFile", .Caption = "-"},
    {.Name = "mnuOpenVro",
     .Parent = "mnuFile",
     .Caption = "オブジェクトファイルを開く(&P)...",
     .Click = [](C& c, int) { c.Documents().OpenObjectFile(); }},
    {.Name = "mnuAppendVro",
     .Parent = "mnuFile",
     .Caption = "オブジェクトファイルを追加で開く(&Ｌ)",
     .Click = [](C& c, int) { c.Documents().AppendObjectFile(); }},
    {.Name = "mnuSaveAsVro",
     .Parent = "mnuFile",
     .Caption = "オブジェクトに名前を付けて保存(&ＫG)",
     .Click = [](C& c, int) { c.Documents().SaveObjectFileAs(); }},
    {.Parent = "mnuFile", .Caption = "-"},
    {.Name = "mnuVrelProp",
     .Parent = "mnuFile",
     .Caption = "設定(&G)",
     .Click = [](C& c, int) { c.Window().ShowSettings(); }},
    {.Parent = "mnuFile", .Caption = "-"},
    {.Name = "mnuExit",
     .Parent = "mnuFile",
     .Caption = "終了(&X)",
     .Click = [](C& c, int) { c.Window().CloseMainWindow(); }},

    {.Name = "mnuEdit", .Caption = "編集(&E)"},
    {.Name = "mnuUndo",
     .Parent = "mnuEdit",
     .Caption = "元に戻す(&U)",
     .ShortCut = "Ctrl+Z",
     .Click = [](C& c, int) { c.Form().Undo(); },
     .Enabled = [](const C& c) { return c.Form().CanUndo(); }},
    {.Name = "mnuRedo",
     .Parent = "mnuEdit",
     .Caption = "やり直し(&R)",
     .ShortCut = "Ctrl+Y",
     .Click = [](C& c, int) { c.Form().Redo(); },
     .Enabled = [](const C& c) { return c.Form().CanRedo(); }},
    {.Parent = "mnuEdit", .Caption = "-"},
    {.Name = "mnuCut",
     .Parent = "mnuEdit",
     .Caption = "切り取り(&T)",
     .ShortCut = "Ctrl+X",
     .Click = [](C& c, int) { c.Cut(); },
     .Enabled = [](const C& c) { return c.CanCut(); }},
    {.Name = "mnuCopy",
     .Parent = "mnuEdit",
     .Caption = "コピー(&C)",
     .ShortCut = "Ctrl+C",
     .Click = [](C& c, int) { c.Copy(); },
     .Enabled = [](const C& c) { return c.CanCopy(); }},
    {.Name = "mnuPaste",
     .Parent = "mnuEdit",
     .Caption = "貼り付け(&P)",
     .ShortCut = "Ctrl+V",
     .Click = [](C& c, int) { c.Paste(); },
     .Enabled = [](const C& c) { return c.CanPaste(); }},
    {.Name = "mnuDelete",
     .Parent = "mnuEdit",
     .Caption = "削除(&D)",
     .ShortCut = "Delete",
     .Click = [](C& c, int) { c.Delete(); },
     .Enabled = [](const C& c) { return c.CanDelete(); }},
    {.Parent = "mnuEdit", .Caption = "-"},
    {.Name = "mnuClearMemory",
     .Parent = "mnuEdit",
     .Caption = "メモリをクリア(&M)",
     .Enabled = [](const C& c) { return c.CanClearMemory(); }},
    {.Name = "mnuClearHistory",
     .Parent = "mnuClearMemory",
     .Caption = "履歴(&H)",
     .Click = [](C& c, int) { c.ClearHistory(); },
     .Enabled = [](const C& c) { return c.CanClearMemory(); },
     .Text = [](const C& c) { return c.ClearHistoryCaption(); }},

    {.Name = "mnuSelectRoot", .Caption = "選択範囲(&S)"},
    {.Name = "mnuSelectAll",
     .Parent = "mnuSelectRoot",
     .Caption = "すべてを選択(&A)",
     .ShortCut = "Ctrl+A",
     .Click = [](C& c, int) { c.SelectAll(); },
     .Enabled = [](const C& c) { return c.CanSelectAll(); }},
    {.Name = "mnuClearSelection",
     .Parent = "mnuSelectRoot",
     .Caption = "選択を解除(&D)",
     .ShortCut = "Ctrl+D",
     .Click = [](C& c, int) { c.ClearSelection(); },
     .Enabled = [](const C& c) { return c.CanClearSelection(); }},
    {.Parent = "mnuSelectRoot", .Caption = "-"},
    {.Name = "mnuHideSelectedBlade",
     .Parent = "mnuSelectRoot",
     .Caption = "選択面を隠す(&X)",
     .ShortCut = "Ctrl+H",
     .Click = [](C& c, int) { c.HideSelected(); },
     .Enabled = [](const C& c) { return c.CanHideSelected(); }},
    {.Name = "mnuHideNotSelectedBlade",
     .Parent = "mnuSelectRoot",
     .Caption = "非選択面を隠す(&Y)",
     .ShortCut = "Ctrl+Shift+H",
     .Click = [](C& c, int) { c.HideNotSelected(); },
     .Enabled = [](const C& c) { return c.CanHideNotSelected(); }},
    {.Name = "mnuShowHided",
     .Parent = "mnuSelectRoot",
     .Caption = "隠した面を表示(&Z)",
     .ShortCut = "Ctrl+G",
     .Click = [](C& c, int) { c.ShowHidden(); },
     .Enabled = [](const C& c) { return c.CanShowHidden(); }},
    {.Parent = "mnuSelectRoot", .Caption = "-"},
    {.Name = "mnuAttachTexture",
     .Parent = "mnuSelectRoot",
     .Caption = "背景を適用する(&T)",
     .ShortCut = "Ctrl+T",
     .Click = [](C& c, int) { c.AttachTexture(); },
     .Enabled = FaceSelected},
    {.Name = "mnuDetachTexture",
     .Parent = "mnuSelectRoot",
     .Caption = "背景を解除する(&K)",
     .ShortCut = "Ctrl+Shift+T",
     .Click = [](C& c, int) { c.DetachTexture(); },
     .Enabled = FaceSelected},
    {.Parent = "mnuSelectRoot", .Caption = "-"},
    {.Name = "mnuStick",
     .Parent = "mnuSelectRoot",
     .Caption = "頂点をくっつける",
     .ShortCut = "Ctrl+J",
     .Click = [](C& c, int) { c.Tools().Stick(); },
     .Enabled = AtLeastTwo},
    {.Name = "mnuGather",
     .Parent = "mnuSelectRoot",
     .Caption = "頂点を集める",
     .ShortCut = "Ctrl+K",
     .Click = [](C& c, int) { c.Tools().Gather(); },
     .Enabled = AtLeastTwo},
    {.Name = "mnuAlignment",
     .Parent = "mnuSelectRoot",
     .Caption = "一列に並べる",
     .ShortCut = "Ctrl+I",
     .Click = [](C& c, int) { c.Tools().Alignment(); },
     .Enabled = [](const C& c) { return c.SelectedCount() >= 3; }},
    {.Name = "mnuAlignmentSurface",
     .Parent = "mnuSelectRoot",
     .Caption = "面を一列に並べる",
     .ShortCut = "Ctrl+U",
     .Click = [](C& c, int) { c.Tools().AlignmentSurface(); },
     .Enabled = FaceSelected},
    {.Name = "mnuFaceToCamera",
     .Parent = "mnuSelectRoot",
     .Caption = "カメラへ向ける",
     .ShortCut = "Ctrl+F",
     .Click = [](C& c, int) { c.Tools().FaceToCamera(); },
     .Enabled = FaceSelected},
    {.Parent = "mnuSelectRoot", .Caption = "-"},
    {.Name = "mnuFaceReverse",
     .Parent = "mnuSelectRoot",
     .Caption = "面を反転する",
     .ShortCut = "Ctrl+R",
     .Click = [](C& c, int) { c.Tools().FaceReverse(); },
     .Enabled = FaceSelected},
    {.Name = "mnu4VertexToBlade",
     .Parent = "mnuSelectRoot",
     .Caption = "４頂点に面を作成",
     .ShortCut = "Ctrl+B",
     .Click = [](C& c, int) { c.Tools().FourVertexToBlade(); },
     .Enabled = [](const C& c) { return c.SelectedCount() == 4; }},

    {.Name = "mnuViewPoint", .Caption = "視点(&V)"},
    {.Name = "mnuViewPoint_Origin",
     .Parent = "mnuViewPoint",
     .Caption = "原点(&O)",
     .ShortCut = "F4",
     .Tag = vpOrigin,
     .Click = ResetViewPoint},
    {.Name = "mnuViewPoint_Free",
     .Parent = "mnuViewPoint",
     .Caption = "フリー(&F)",
     .ShortCut = "F5",
     .Tag = vpFree,
     .Click = ResetViewPoint},
    {.Name = "mnuViewPoint_Up",
     .Parent = "mnuViewPoint",
     .Caption = "真上(&U)",
     .ShortCut = "F6",
     .Tag = vpTop,
     .Click = ResetViewPoint},
    {.Parent = "mnuViewPoint", .Caption = "-"},
    {.Name = "mnuChangeLookAt",
     .Parent = "mnuViewPoint",
     .Caption = "選択部を視点回転の中心(&S)",
     .ShortCut = "F8",
     .Click = [](C& c, int) { c.Form().ChangeLookAt(); },
     .Enabled = [](const C& c) { return c.Form().CanChangeLookAt(); }},

    {.Name = "mnuPlaneMark", .Caption = "機体マーク(&M)"},
    {.Name = "mnuPlaneMark_Home",
     .Parent = "mnuPlaneMark",
     .Caption = "スタート位置(&S)",
     .ShortCut = "Home",
     .Click = [](C& c, int) { c.Form().PlaneMark().GoHome(); },
     .Enabled = [](const C& c) { return c.Form().PlaneMark().CanGoHome(); }},
    {.Name = "mnuPlaneMark_ToPolygon",
     .Parent = "mnuPlaneMark",
     .Caption = "選択されたポリゴン",
     .ShortCut = "Ctrl+Home",
     .Click = [](C& c, int) { c.Form().PlaneMark().GoToSelection(); },
     .Enabled = [](const C& c) { return c.Form().PlaneMark().CanGoToSelection(); }},
    {.Parent = "mnuPlaneMark", .Caption = "-"},
    {.Name = "mnuPlaneMark_Memory",
     .Parent = "mnuPlaneMark",
     .Caption = "記憶する(&M)",
     .ShortCut = "Ctrl+M",
     .Click = [](C& c, int) { c.Form().PlaneMark().Remember(); }},
    {.Name = "mnuPlaneMark_Call",
     .Parent = "mnuPlaneMark",
     .Caption = "呼び出す(&C)",
     .Enabled = [](const C& c) { return c.Form().PlaneMark().HasMemory(); }},
    {.Name = "mnuPlaneMark_Clear",
     .Parent = "mnuPlaneMark",
     .Caption = "クリアする(&D)",
     .Click = [](C& c, int) { c.Form().PlaneMark().ClearMemory(); },
     .Enabled = [](const C& c) { return c.Form().PlaneMark().HasMemory(); }},
    {.Parent = "mnuPlaneMark", .Caption = "-"},
    {.Name = "mnuPlaneMark_Undo",
     .Parent = "mnuPlaneMark",
     .Caption = "元に戻す(&U)",
     .ShortCut = "End",
     .Click = [](C& c, int) { c.Form().PlaneMark().Undo(); },
     .Enabled = [](const C& c) { return c.Form().PlaneMark().CanUndo(); }},
    {.Name = "mnuPlaneMark_Redo",
     .Parent = "mnuPlaneMark",
     .Caption = "やり直し(&R)",
     .ShortCut = "Ctrl+End",
     .Click = [](C& c, int) { c.Form().PlaneMark().Redo(); },
     .Enabled = [](const C& c) { return c.Form().PlaneMark().CanRedo(); }},

    {.Name = "mnuPanel", .Caption = "パネル(&P)"},
    {.Name = "mnuLayerPanel",
     .Parent = "mnuPanel",
     .Caption = "レイヤー(&L)",
     .Tag = tpLayer,
     .Click = TogglePanel,
     .Checked = PanelShown},
    {.Name = "mnuToolPanel",
     .Parent = "mnuPanel",
     .Caption = "ツール(&T)",
     .Tag = tpTool,
     .Click = TogglePanel,
     .Checked = PanelShown},
    {.Name = "mnuParamPanel",
     .Parent = "mnuPanel",
     .Caption = "FMSパラメータ(&P)",
     .Tag = tpParam,
     .Click = TogglePanel,
     .Checked = PanelShown},
    {.Name = "mnuOperatePanelForm",
     .Parent = "mnuPanel",
     .Caption = "操作パネル(&O)",
     .Tag = tpOperate,
     .Click = TogglePanel,
     .Checked = PanelShown},

    {.Name = "mnuView", .Caption = "表示(&V)"},
    {.Name = "mnuCreateTexturePolygon",
     .Parent = "mnuView",
     .Caption = "テキスチャポリゴンを表示(&F)",
     .Click = [](C& c, int) { c.CreateTexturePolygons(); },
     .Enabled = [](const C& c) { return c.CanCreateTexturePolygons(); }},
    {.Name = "mnuClearTexturePolygon",
     .Parent = "mnuView",
     .Caption = "テキスチャポリゴンをクリア(&C)",
     .Click = [](C& c, int) { c.ClearTexturePolygons(); },
     .Enabled = [](const C& c) { return c.CanClearTexturePolygons(); }},
    {.Name = "mnuPolygonProperty",
     .Parent = "mnuView",
     .Caption = "ポリゴンプロパティ(&P)",
     .Click = [](C& c, int) { c.Tools().Dialogs().PolygonProperty(); }},
    {.Parent = "mnuView", .Caption = "-"},
    {.Name = "mnuMemo", .Parent = "mnuView", .Caption = "メモ", .Click = [](C& c, int) { c.Window().ShowMemo(); }},

    {.Name = "mnuHelp", .Caption = "ヘルプ(&H)"},
    {.Name = "mnuShowHelp",
     .Parent = "mnuHelp",
     .Caption = "ヘルプの表示(&H)",
     .Click = [](C& c, int) { c.ShowHelp(); }},
    {.Name = "mnuVersion",
     .Parent = "mnuHelp",
     .Caption = "バージョン情報(&A)",
     .Click = [](C& c, int) { c.Window().ShowVersionDialog(); }},

    // The single keys of the edit modes and two palette commands.
    {.Name = "mnuRotation",
     .Parent = kWindowActions,
     .Caption = "回転",
     .ShortCut = "C",
     .Tag = emRotation,
     .Click = SetEditMode},
    {.Name = "mnuKnife",
     .Parent = kWindowActions,
     .Caption = "ナイフモード",
     .ShortCut = "K",
     .Tag = emKnife,
     .Click = SetEditMode},
    {.Name = "mnuScissors",
     .Parent = kWindowActions,
     .Caption = "ハサミモード",
     .ShortCut = "L",
     .Tag = emScissors,
     .Click = SetEditMode},
    {.Name = "mnuPolygon",
     .Parent = kWindowActions,
     .Caption = "ポリゴン",
     .ShortCut = "P",
     .Click = [](C& c, int) { c.Tools().CreatePolygon(); }},
    {.Name = "mnuScale",
     .Parent = kWindowActions,
     .Caption = "拡大",
     .ShortCut = "Q",
     .Tag = emScale,
     .Click = SetEditMode},
    {.Name = "mnuSelect",
     .Parent = kWindowActions,
     .Caption = "選択",
     .ShortCut = "S",
     .Tag = emSelect,
     .Click = SetEditMode},
    {.Name = "mnuDirection",
     .Parent = kWindowActions,
     .Caption = "移動",
     .ShortCut = "V",
     .Tag = emDirection,
     .Click = SetEditMode},
    {.Name = "mnuVertexPosition",
     .Parent = kWindowActions,
     .Caption = "位置合わせ",
     .ShortCut = "W",
     .Click = [](C& c, int) { c.Tools().AlignVertexPosition(); }},
};

}  // namespace

const std::vector<TMenuRow>& MainMenuRows() {
  return kRows;
}

const TMenuRow* FindMenuRow(std::string_view name) {
  const auto found = std::find_if(kRows.begin(), kRows.end(), [name](const TMenuRow& row) { return row.Name == name; });
  return found == kRows.end() ? nullptr : &*found;
}

TMenuCommands::TMenuCommands(TMainForm& form, TDocumentCommands& documents, TToolCommands& tools, IClipboard& clipboard,
                             TMenuWindow& window)
    : form_(form), documents_(documents), tools_(tools), clipboard_(clipboard), window_(window) {}

bool TMenuCommands::Enabled(const TMenuRow& row) const {
  return row.Enabled == nullptr || row.Enabled(*this);
}

bool TMenuCommands::Run(const TMenuRow& row) {
  if (row.Click == nullptr || !Enabled(row))
    return false;
  row.Click(*this, row.Tag);
  return true;
}

TSquareBladeCollections& TMenuCommands::Layers() const {
  return *form_.Collections();
}

void TMenuCommands::Done(bool showCenter) {
  form_.PushHistory();
  form_.Redraw();
  if (showCenter)
    form_.UpdateSelectionCenter();
}

// --- rules -----------------------------------------------------------------------------------------

int TMenuCommands::SelectedCount() const {
  return Layers().SelectedVertices().Count();
}

bool TMenuCommands::EditableFaceSelected() const {
  return AnyEditableFaceSelected(Layers());
}

bool TMenuCommands::CanCut() const {
  return CanCutToClipboard(Layers());
}

bool TMenuCommands::CanCopy() const {
  // Something is selected for editing, and a face of it can go onto the clipboard.
  return SelectedCount() >= 1 && CanCopyToClipboard(Layers());
}

bool TMenuCommands::CanPaste() const {
  return CanPasteFromClipboard(Layers(), clipboard_);
}

bool TMenuCommands::CanDelete() const {
  return SelectedCount() >= 1;
}

bool TMenuCommands::CanClearMemory() const {
  return form_.History()->Count() > 1;
}

std::string TMenuCommands::ClearHistoryCaption() const {
  return "履歴(&H) " + HistorySizeText(form_.History()->HistorySize());
}

bool TMenuCommands::CanSelectAll() const {
  return Layers().HasEditableBlades();
}

bool TMenuCommands::CanClearSelection() const {
  return Layers().HasBlades();
}

bool TMenuCommands::CanHideSelected() const {
  return SelectedCount() >= 1;
}

bool TMenuCommands::CanHideNotSelected() const {
  return Layers().HasUnselectedBlades();
}

bool TMenuCommands::CanShowHidden() const {
  return Layers().HasHiddenBlades();
}

bool TMenuCommands::CanCreateTexturePolygons() const {
  if (form_.ShowTexturePolygons() || !form_.RenderStage()->Cube()->TexturesLoaded())
    return false;
  const TSquareBladeCollections& layers = Layers();
  for (int i = 0; i < layers.Count(); ++i)
    for (TCollectionItem* item : layers.GetLayer(i)->ItemList()) {
      const auto* blade = static_cast<const TSquareBlade*>(item);
      if (blade->GetFaceSelect() && blade->DrawTexture())
        return true;
    }
  return false;
}

bool TMenuCommands::CanClearTexturePolygons() const {
  return form_.ShowTexturePolygons();
}

// --- commands --------------------------------------------------------------------------------------

void TMenuCommands::Cut() {
  if (CanCut() && CutToClipboard(Layers(), clipboard_))
    Done(false);
}

void TMenuCommands::Copy() {
  if (CanCopy())
    CopyToClipboard(Layers(), clipboard_);
}

void TMenuCommands::Paste() {
  if (CanPaste() && PasteFromClipboard(Layers(), clipboard_))
    Done(true);
}

void TMenuCommands::Delete() {
  if (CanDelete() && DeleteSelected(Layers()))
    Done(false);
}

void TMenuCommands::ClearHistory() {
  if (!CanClearMemory())
    return;
  form_.History()->Clear();
  form_.PushHistory();
}

void TMenuCommands::SelectAll() {
  if (!CanSelectAll())
    return;
  Layers().SelectAll();
  Done(true);
}

void TMenuCommands::ClearSelection() {
  if (!CanClearSelection())
    return;
  Layers().ClearSelection();
  Done(false);
}

void TMenuCommands::HideSelected() {
  if (!CanHideSelected())
    return;
  Layers().HideBlades(true);
  Done(false);
}

void TMenuCommands::HideNotSelected() {
  if (!CanHideNotSelected())
    return;
  Layers().HideBlades(false);
  Done(false);
}

void TMenuCommands::ShowHidden() {
  if (!CanShowHidden())
    return;
  Layers().ShowAll();
  Done(false);
}

void TMenuCommands::AttachTexture() {
  if (EditableFaceSelected() && SetDrawTexture(Layers(), true))
    Done(false);
}

void TMenuCommands::DetachTexture() {
  if (EditableFaceSelected() && SetDrawTexture(Layers(), false))
    Done(false);
}

void TMenuCommands::CreateTexturePolygons() {
  if (!CanCreateTexturePolygons())
    return;
  const TCubeSquareBladeCollection& cube = *form_.RenderStage()->Cube();
  TCubeRider rider;
  documents_.RunWithProgressBar(rider.Clone()->OnProgress, [&] {
    RideTexturedBlades(rider, cube, ExportedBlades(*form_.SceneFiler(), Layers()));
  });
  TTextureCube& shown = *form_.TextureCube();
  shown.Assign(&cube);
  shown.Slices()->Assign(rider.Slices());
  shown.AssignTexturePolygons(*rider.Pieces());
  form_.SetShowTexturePolygons(true);
  form_.Redraw();
}

void TMenuCommands::ClearTexturePolygons() {
  if (!CanClearTexturePolygons())
    return;
  form_.ClearTexturePolygons();
  form_.Redraw();
}

void TMenuCommands::ShowHelp() {
  ShowMessageBox(TMainForm::kCaption, std::string(kHelpText) + "\n\n" + kHomePage, TMsgIcon::Information,
                 TMsgButtons::OK);
}

}  // namespace vrel
