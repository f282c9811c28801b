#include "files/ObjectFiles.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "files/ComponentTransaction.h"
#include "files/VrelConverter.h"
#include "files/history/VectorHolder.h"
#include "platform/ComponentStream.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"

namespace vrel {

void RegisterFileClasses() {
  RegisterSquareClasses();
  RegisterMenuClasses();
  RegisterClass(TVectorHolder::StaticClass());
  RegisterClass(TComponentStateHolder::StaticClass());
  RegisterClass(TVrelConverter::StaticClass());
}

namespace {

void EnsureClassesRegistered() {
  static const bool registered = (RegisterFileClasses(), true);
  (void)registered;
}

}  // namespace

void WriteComponentRecord(const TComponent& component, StreamWriter& writer) {
  // Written in place and counted afterwards: a document's stream is not copied a second time.
  const std::size_t countAt = writer.Size();
  writer.WriteRawInt32(0);
  writer.WriteSignature();
  WriteComponent(writer, component, const_cast<TComponent*>(&component));
  const std::size_t size = writer.Size() - countAt - 4;
  if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
    throw EWriteError(std::string(kWriteErrorMessage));
  writer.PatchRawInt32(countAt, static_cast<int32_t>(size));
}

bool ReadComponentRecord(TComponent& component, StreamReader& reader) {
  TReadBudget budget(reader.Remaining());
  return ReadComponentRecord(component, reader, budget);
}

bool ReadComponentRecord(TComponent& component, StreamReader& reader, TReadBudget& budget) {
  if (reader.AtEnd())
    return false;
  const int32_t count = reader.ReadRawInt32();
  if (count == 0)
    return false;
  if (count < 0)
    throw EReadError(std::string(kReadErrorMessage));
  const std::string_view bytes = reader.ReadRawBytes(static_cast<std::size_t>(count));
  // The record's stream ends with the record: a short record is a short stream, whatever follows.
  LoadComponentFromBytes(bytes, component, budget);
  return true;
}

namespace {

// A document that the reader would refuse whole is not written at all.
void CheckLayersReadable(const TSquareBladeCollections& layers) {
  for (int i = 0; i < layers.Count(); ++i) {
    try {
      layers.GetLayer(i)->CheckBindings();
    } catch (const Exception& e) {
      throw Exception(
          FormatMessage("レイヤー %s の%s。オブジェクトファイルを保存できません。", {std::to_string(i + 1), e.what()}));
    }
  }
}

}  // namespace

std::string ObjectFileBytes(TSquareBladeCollectionsContainer& container, const TMenuItem* menuItem) {
  CheckLayersReadable(*container.Collections());
  container.SetCurrentIndex(container.Collections()->CurrentIndex());
  StreamWriter writer;
  WriteComponentRecord(container, writer);
  if (menuItem)
    WriteComponentRecord(*menuItem, writer);
  return writer.TakeBytes();
}

void SaveObjectFileRecords(const std::string& fileName, TSquareBladeCollectionsContainer& container,
                           const TMenuItem* menuItem) {
  SaveBytesReplacing(fileName, ObjectFileBytes(container, menuItem));
}

bool LoadObjectFileRecordsFromBytes(std::string_view bytes, TSquareBladeCollectionsContainer& container,
                                    TMenuItem* menuItem) {
  EnsureClassesRegistered();

  // Everything is read into fresh objects; the document takes them over only at the end.
  std::unique_ptr<TComponent> made = NewComponentLike(container);
  auto* fresh = As<TSquareBladeCollectionsContainer>(made.get());
  if (!fresh)
    throw EConvertError(FormatMessage("Cannot assign a %s to a %s", {made->ClassName(), container.ClassName()}));
  // What a record leaves out keeps the container's own value, as when reading straight into it.
  auto prefill = [&container](TSquareBladeCollectionsContainer& target) {
    target.SetCurrentIndex(container.CurrentIndex());
    target.SetTag(container.Tag());
  };
  prefill(*fresh);

  // One budget for the whole file: the records, and record 1 again when the converter reads it.
  TReadBudget budget(bytes.size());
  StreamReader reader(bytes);
  bool layersRead = false;
  try {
    layersRead = ReadComponentRecord(*fresh, reader, budget);
  } catch (const Exception&) {
    // Not the current layout: an older file, whose extra properties the converter classes know.
    // A failure here is the file's real error and ends the load.
    made = NewComponentLike(container);
    fresh = static_cast<TSquareBladeCollectionsContainer*>(made.get());
    prefill(*fresh);
    TVrelConverter converter;
    reader = StreamReader(bytes);
    layersRead = ReadComponentRecord(converter, reader, budget);
    AppendConverterLayers(converter, *fresh->Collections());
    if (HasProperty(converter, "CurrentIndex") && HasProperty(*fresh, "CurrentIndex"))
      fresh->SetCurrentIndex(converter.CurrentIndex());
    TSquareBladeCollections& layers = *fresh->Collections();
    for (int i = 0; i < layers.Count(); ++i) {
      TSquareBladeCollection* layer = layers.GetLayer(i);
      layer->ResolveReferences();
      for (int k = 0; k < layer->Count(); ++k) {
        layer->Blade(k)->UpdatePositionCache();
        layer->Blade(k)->UpdateSelectedBorderIndices();
      }
    }
    layers.RebuildSelectedVertexList();
  }
  if (HasProperty(*fresh, "CurrentIndex"))
    fresh->Collections()->SetCurrentIndex(fresh->CurrentIndex());

  // Record 1 read whole: the document takes it before record 2 is read, so that a file whose end
  // is damaged (a save cut short by a failing disk) still gives the user the blades.
  TakeOverComponent(container, *fresh);
  if (!menuItem)
    return layersRead;
  std::unique_ptr<TComponent> freshMenu = NewComponentLike(*menuItem);
  freshMenu->SetTag(menuItem->Tag());
  bool menuRead = false;
  try {
    menuRead = ReadComponentRecord(*freshMenu, reader, budget);
  } catch (const Exception&) {
    // The remembered positions belong to the document that was there before.
    menuItem->Clear();
    throw;
  }
  if (menuRead) {
    TakeOverComponent(*menuItem, *freshMenu);
  } else {
    menuItem->Clear();
  }
  return layersRead;
}

bool LoadObjectFileRecords(const std::string& fileName, TSquareBladeCollectionsContainer& container,
                           TMenuItem* menuItem) {
  const std::optional<std::string> bytes = ReadDocumentFile(fileName, kMaxObjectFileSize);
  if (!bytes)
    return false;
  LoadObjectFileRecordsFromBytes(*bytes, container, menuItem);
  return true;
}

}  // namespace vrel
