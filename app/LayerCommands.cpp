#include "app/LayerCommands.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/LayerListRows.h"
#include "app/MainForm.h"
#include "platform/Cp932.h"
#include "platform/NumberFormat.h"
#include "scene/DX9Square.h"

namespace vrel {

namespace {

const std::string& CopyMark() {
  static const std::string mark = Utf8ToCp932("のコピー");
  return mark;
}

// The byte position of `what` in CP932 text, found only where a character starts.
std::string_view::size_type FindOnCharacters(std::string_view text, std::string_view what) {
  for (std::size_t i = 0; i + what.size() <= text.size();) {
    if (text.substr(i, what.size()) == what)
      return i;
    i += IsCp932LeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::string CopiedLayerName(std::string_view name) {
  const std::string& mark = CopyMark();
  const auto at = FindOnCharacters(name, mark);
  if (at == std::string_view::npos)
    return std::string(name) + mark;
  long long number = 0;
  if (!ParseInt(name.substr(at + mark.size()), number) || number < std::numeric_limits<int32_t>::min() ||
      number >= std::numeric_limits<int32_t>::max())
    number = 0;
  const long long counter = number == 0 ? 2 : number + 1;
  return std::string(name.substr(0, at)) + mark + std::to_string(counter);
}

bool TLayerCommands::HasLayer(int index) const {
  return collections_ != nullptr && index >= 0 && index < collections_->Count();
}

TSquareBladeCollection* TLayerCommands::Layer(int index) const {
  return collections_->GetLayer(index);
}

void TLayerCommands::Done(bool redraw) {
  form_.PushHistory();
  if (redraw)
    form_.Redraw();
}

void TLayerCommands::SetCollections(TSquareBladeCollections* collections) {
  rows_.Clear();
  collections_ = collections;
  if (collections_ == nullptr)
    return;
  for (int i = 0; i < collections_->Count(); ++i) {
    TSquareBladeCollection* layer = Layer(i);
    rows_.Add(Cp932ToUtf8(layer->Name()), layer);
    rows_.SetItemVisible(i, layer->Visible());
    rows_.SetItemLocked(i, layer->Locked());
  }
  rows_.SetItemIndex(collections_->CurrentIndex());
}

std::string TLayerCommands::GetLayerName(int index) const {
  if (index < 0 || index >= rows_.Count())
    return {};
  return rows_.Row(index).Text;
}

void TLayerCommands::SetLayerName(int index, const std::string& utf8) {
  if (index < 0 || index >= rows_.Count())
    return;
  std::string shown = utf8;
  if (collections_ != nullptr && index < collections_->Count()) {
    Layer(index)->SetName(Utf8ToCp932(utf8));
    shown = Cp932ToUtf8(Layer(index)->Name());
  }
  rows_.SetText(index, shown);
}

bool TLayerCommands::InsertLayer(int index, const std::string& cp932Name) {
  if (collections_ == nullptr || rows_.ItemIndex() < 0)
    return false;
  TSquareBladeCollection* layer =
      index >= rows_.Count() ? collections_->AddLayer() : collections_->InsertLayerAt(std::max(index, 0));
  layer->SetName(cp932Name);
  const int at = std::clamp(index, 0, rows_.Count());
  rows_.Insert(at, Cp932ToUtf8(cp932Name), layer);
  rows_.SetItemIndex(at);
  collections_->SetCurrentIndex(at);
  return true;
}

void TLayerCommands::DeleteLayer(int index) {
  if (index < 0 || index >= rows_.Count())
    return;
  if (collections_ != nullptr && index < collections_->Count())
    collections_->Delete(index);
  rows_.Delete(index);
  if (rows_.Count() > 0) {
    const int next = std::min(index, rows_.Count() - 1);
    rows_.SetItemIndex(next);
    if (collections_ != nullptr)
      collections_->SetCurrentIndex(next);
  } else if (collections_ != nullptr) {
    collections_->SetCurrentIndex(0);
  }
  if (collections_ != nullptr)
    collections_->RebuildSelectedVertexList();
}

TSquareBladeCollection* TLayerCommands::AddNewLayer() {
  if (collections_ == nullptr)
    return nullptr;
  TSquareBladeCollection* layer = collections_->AddLayer();
  layer->SetName(Utf8ToCp932("レイヤー") + std::to_string(collections_->Count()));
  rows_.Add(Cp932ToUtf8(layer->Name()), layer);
  const int index = rows_.Count() - 1;
  rows_.SetItemIndex(index);
  collections_->SetCurrentIndex(index);
  return layer;
}

void TLayerCommands::New() {
  if (AddNewLayer() != nullptr)
    Done(false);
}

void TLayerCommands::Copy() {
  const int index = rows_.ItemIndex();
  if (collections_ == nullptr || index < 0)
    return;
  TSquareBladeCollection* source = Layer(index);
  if (!InsertLayer(index + 1, CopiedLayerName(source->Name())))
    return;
  AppendLayer(*source, *Layer(index + 1));
  collections_->RebuildSelectedVertexList();
  Done(true);
}

void TLayerCommands::Delete() {
  const int index = rows_.ItemIndex();
  if (index < 0)
    return;
  DeleteLayer(index);
  Done(true);
}

void TLayerCommands::Rename(const TNameQuestion& ask) {
  const int index = rows_.ItemIndex();
  if (collections_ == nullptr || index < 0)
    return;
  const std::string current = GetLayerName(index);
  const std::optional<std::string> typed = ask("名前の変更", current, current);
  const std::string before = Layer(index)->Name();
  SetLayerName(index, typed.value_or(current));
  if (Layer(index)->Name() != before)
    Done(false);
}

void TLayerCommands::MergeDown() {
  const int index = rows_.ItemIndex();
  if (!CanMergeDown())
    return;
  AppendLayer(*Layer(index), *Layer(index + 1));
  DeleteLayer(index);
  Done(true);
}

void TLayerCommands::MergeAll() {
  if (!CanMergeAll())
    return;
  for (int i = 0; i + 1 < collections_->Count(); ++i)
    AppendLayer(*Layer(i), *Layer(i + 1));
  while (rows_.Count() >= 2)
    DeleteLayer(0);
  Done(true);
}

void TLayerCommands::SetMark(int index, void (TSquareBladeCollection::*set)(bool), bool value) {
  if (!HasLayer(index))
    return;
  (Layer(index)->*set)(value);
  // Only shown, unlocked layers take part in the selection.
  collections_->RebuildSelectedVertexList();
  Done(true);
}

void TLayerCommands::VisibleClick(int index, bool value) {
  SetMark(index, &TSquareBladeCollection::SetVisible, value);
}

void TLayerCommands::LockedClick(int index, bool value) {
  SetMark(index, &TSquareBladeCollection::SetLocked, value);
}

void TLayerCommands::IndexChange(int oldIndex, int newIndex) {
  if (!HasLayer(oldIndex) || !HasLayer(newIndex))
    return;
  collections_->Items(oldIndex)->SetIndex(newIndex);
  collections_->SetCurrentIndex(newIndex);
  Done(true);
}

void TLayerCommands::RowClick() {
  const int index = rows_.ItemIndex();
  if (collections_ == nullptr || index < 0 || index == collections_->CurrentIndex())
    return;
  collections_->SetCurrentIndex(index);
  Done(false);
}

bool TLayerCommands::HasSelection() const {
  return rows_.ItemIndex() >= 0;
}

bool TLayerCommands::CanMergeDown() const {
  return collections_ != nullptr && rows_.ItemIndex() >= 0 && rows_.ItemIndex() < rows_.Count() - 1;
}

bool TLayerCommands::CanMergeAll() const {
  return collections_ != nullptr && rows_.Count() > 1;
}

}  // namespace vrel
