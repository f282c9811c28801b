// Object files: records, save and load through the file system, the older layout through the
// converter, damaged files, and the published-property walk.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include "files/ObjectFiles.h"
#include "files/VrelConverter.h"
#include "files/history/VectorHolder.h"
#include "platform/ComponentStream.h"
#include "tests/files/DocumentFixture.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/files/TestBytes.h"
#include "tests/platform/NonRegularFiles.h"

namespace vrel {
namespace {
using namespace bytes;
using Strings = std::vector<std::string>;

Strings Captions(const TMenuItem& menu) {
  Strings out;
  for (int i = 0; i < menu.Count(); ++i)
    out.push_back(menu.Items(i)->Caption());
  return out;
}

// Remembered positions, newest first, as the plane-mark menu holds them.
void Remember(TMenuItem& menu, const Strings& captions) {
  for (const std::string& caption : captions) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    menu.Add(item);
  }
}

// A random document of that seed and its picture.
std::string Document(TSquareBladeCollectionsContainer& document, uint32_t seed, int layers = 5, int blades = 24) {
  doc::BuildRandomDocument(document, seed, layers, blades);
  return doc::Picture(document);
}
std::string Record1(const TSquareBladeCollectionsContainer& document) {
  StreamWriter record;
  WriteComponentRecord(document, record);
  return record.TakeBytes();
}

class ObjectFiles : public scenetest::TempFolder {
 protected:
  static void SetUpTestSuite() { RegisterFileClasses(); }
};

TEST_F(ObjectFiles, RandomDocumentsComeBackFieldForField) {
  for (uint32_t seed = 100; seed < 140; ++seed) {
    SCOPED_TRACE(seed);
    TSquareBladeCollectionsContainer original;
    TSquareBladeCollectionsContainer loaded;  // it held something else
    const std::string picture = Document(original, seed);
    Document(loaded, seed + 2000);
    TMenuItem memory, loadedMemory;
    memory.SetName("mnuPlaneMark_Call");
    memory.SetCaption(Utf8ToCp932("呼び出す(&C)"));
    Remember(memory, {"x:1.24 y:0.00 z:-3.50", "x:0.00 y:0.00 z:0.00", Utf8ToCp932("x:2.00 y:1.00 z:0.50")});
    Remember(loadedMemory, {"stale"});
    SaveObjectFileRecords(PathOf("scene.vro"), original, &memory);
    ASSERT_TRUE(LoadObjectFileRecords(PathOf("scene.vro"), loaded, &loadedMemory));
    ASSERT_EQ(doc::Picture(loaded), picture);
    EXPECT_EQ(std::tuple(Captions(loadedMemory), loadedMemory.Name(), loadedMemory.Caption()),
              std::tuple(Captions(memory), "mnuPlaneMark_Call", memory.Caption()));
    EXPECT_EQ(Hex(ObjectFileBytes(loaded, &loadedMemory)), Hex(ReadBytes(PathOf("scene.vro"))));  // and back
  }
}

TEST_F(ObjectFiles, AMissingFileChangesNothing) {
  TSquareBladeCollectionsContainer document;
  const std::string before = Document(document, 5);
  TMenuItem memory;
  Remember(memory, {"kept"});
  EXPECT_FALSE(LoadObjectFileRecords(PathOf("none.vro"), document, &memory));
  EXPECT_EQ(std::tuple(doc::Picture(document), memory.Count()), std::tuple(before, 1));
}

// Nor does an ordinary open wait on it for a writer.
TEST_F(ObjectFiles, AFifoIsRefusedWithoutWaitingAndChangesNothing) {
  TSquareBladeCollectionsContainer document;
  const std::string before = Document(document, 5);
  nonregular::MakeFifo(PathOf("scene.vro"));
  bool refused = false;
  EXPECT_FALSE(nonregular::WaitsOnFifo(PathOf("scene.vro"), [&] {
    try {
      LoadObjectFileRecords(PathOf("scene.vro"), document, nullptr);
    } catch (const Exception&) {
      refused = true;
    }
  }));
  EXPECT_TRUE(refused);
  EXPECT_EQ(doc::Picture(document), before);
}

// A name too long for a record header, a folder that is not there.
TEST_F(ObjectFiles, AFailedSaveKeepsTheOldFileAndLeavesNoOther) {
  TSquareBladeCollectionsContainer document;
  Document(document, 5);
  SaveObjectFileRecords(PathOf("keep.vro"), document, nullptr);
  const std::string saved = ReadBytes(PathOf("keep.vro"));
  TMenuItem memory;
  memory.SetName(std::string(300, 'n'));
  EXPECT_THROW(SaveObjectFileRecords(PathOf("keep.vro"), document, &memory), EWriteError);
  EXPECT_THROW(SaveObjectFileRecords(PathOf("no/such/folder.vro"), document, nullptr), Exception);
  EXPECT_EQ(ReadBytes(PathOf("keep.vro")), saved);
  EXPECT_EQ(Listing(), Strings{"keep.vro"});
}

TEST_F(ObjectFiles, AnEmptyFileEmptiesTheDocumentAndTheMemory) {
  TSquareBladeCollectionsContainer document;
  Document(document, 5);
  TMenuItem memory;
  Remember(memory, {"kept"});
  WriteBytes(PathOf("empty.vro"), "");
  EXPECT_TRUE(LoadObjectFileRecords(PathOf("empty.vro"), document, &memory));
  EXPECT_EQ(std::tuple(document.Collections()->Count(), memory.Count()), std::tuple(0, 0));
}

// No second record, or one of no length.
TEST_F(ObjectFiles, WithoutASecondRecordThePlaneMarkMemoryEndsEmpty) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollectionsContainer target;
  const std::string picture = Document(source, 3);
  for (const std::string& file : {Record1(source), Record1(source) + I32(0)}) {
    TMenuItem memory;
    memory.SetCaption("own");
    Remember(memory, {"a", "b"});
    LoadObjectFileRecordsFromBytes(file, target, &memory);
    EXPECT_EQ(std::tuple(doc::Picture(target), memory.Count(), memory.Caption()), std::tuple(picture, 0, "own"));
  }
}

TEST_F(ObjectFiles, WithoutAMenuItemTheSecondRecordIsNotRead) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollectionsContainer target;
  const std::string picture = Document(source, 3);
  LoadObjectFileRecordsFromBytes(Record1(source) + "garbage", target, nullptr);
  EXPECT_EQ(doc::Picture(target), picture);
}

// Both indexes stored as 100 in a document of at most eight layers: as many bytes, so the count still fits.
TEST_F(ObjectFiles, AStoredIndexPastTheLayersIsClamped) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollectionsContainer clamped;
  Document(source, 3);
  for (int i = 0; i < 3; ++i)
    source.Collections()->AddLayer();
  std::string file = Record1(source);
  const int stored = source.Collections()->CurrentIndex();
  for (const char* name : {"CurrentIndex", "Collections.CurrentIndex"})
    file.replace(file.find(S(name) + Int8(stored)), S(name).size() + 2, S(name) + Int8(100));
  LoadObjectFileRecordsFromBytes(file, clamped, nullptr);
  EXPECT_EQ(clamped.Collections()->CurrentIndex(), clamped.Collections()->Count() - 1);
}

TEST_F(ObjectFiles, AFileCutInItsFirstRecordFailsCleanlyAndChangesNothing) {
  TSquareBladeCollectionsContainer source, target;
  TMenuItem memory, targetMemory;
  Document(source, 21, 2, 3);
  Remember(memory, {"x:1.00 y:2.00 z:3.00", Utf8ToCp932("位置")});
  Remember(targetMemory, {"old"});
  const std::string file = ObjectFileBytes(source, &memory), before = Document(target, 22, 2, 2);
  for (std::size_t n = 1; n < Record1(source).size(); ++n) {
    const ExactBlock block(file, n);
    const std::string message =
        ErrorOf<EReadError>([&] { LoadObjectFileRecordsFromBytes(block.View(), target, &targetMemory); });
    ASSERT_EQ(message, kReadError) << "cut at " << n << " of " << file.size();
    ASSERT_EQ(std::tuple(doc::Picture(target), Captions(targetMemory)), std::tuple(before, Strings{"old"})) << n;
  }
  LoadObjectFileRecordsFromBytes(ExactBlock(file, file.size()).View(), target, &targetMemory);
  EXPECT_EQ(std::tuple(doc::Picture(target), Captions(targetMemory)),
            std::tuple(doc::Picture(source), Captions(memory)));
}

TEST_F(ObjectFiles, FirstRecordsOfImpossibleCountsFailCleanly) {
  TSquareBladeCollectionsContainer target;
  // Negative, far beyond the bytes left, a stream cut by its own record, not even a whole count.
  for (const std::string& file :
       {I32(0xFFFFFFFF), I32(0x7FFFFFFF) + "TPF0", I32(6) + "TPF0" + B({9}) + "TSquareBlade", B({0x10, 0x00})})
    EXPECT_EQ(ErrorOf<EReadError>([&] { LoadObjectFileRecordsFromBytes(file, target, nullptr); }), kReadError)
        << Hex(file);
}

// A save cut short by a failing disk, a record of a class no one knows, a count that cannot be: the
// blades of the intact first record are loaded, the plane-mark memory is emptied and the error reported.
TEST_F(ObjectFiles, ADamagedSecondRecordStillGivesTheBladesOfTheFirst) {
  TSquareBladeCollectionsContainer source;
  TMenuItem memory;
  Document(source, 31, 3, 4);
  Remember(memory, {"x:1.00 y:2.00 z:3.00", "x:4.00 y:5.00 z:6.00"});
  const std::string record1 = Record1(source), file = ObjectFileBytes(source, &memory);
  const std::string badMenu = Header("TMenuItem") + kEnd + S("TNoSuchMenu") + S("") + kEnd + kEnd + kEnd;
  const std::pair<std::string, std::string> damaged[] = {
      {file.substr(0, file.size() - 1), kReadError},
      {file.substr(0, record1.size() + 2), kReadError},
      {record1 + I32(uint32_t(badMenu.size())) + badMenu, "クラス TNoSuchMenu が見つかりません"},
      {record1 + I32(0xFFFFFFFF), kReadError}};
  for (const auto& [bytes, message] : damaged) {
    TSquareBladeCollectionsContainer target;
    TMenuItem targetMemory;
    Document(target, 32);
    Remember(targetMemory, {"old"});
    EXPECT_EQ(ErrorOf([&] { LoadObjectFileRecordsFromBytes(bytes, target, &targetMemory); }), message) << Hex(bytes);
    EXPECT_EQ(doc::Picture(target), doc::Picture(source)) << Hex(bytes);
    EXPECT_EQ(targetMemory.Count(), 0) << Hex(bytes);
  }
}

// What the reader would refuse whole is refused before the file is opened: the previous file stays.
TEST_F(ObjectFiles, ADocumentThatCouldNotBeReadBackIsNotSaved) {
  WriteBytes(PathOf("scene.vro"), "previous");
  const std::pair<std::function<void(TSquareBladeCollections&)>, std::string> cases[] = {
      {[](TSquareBladeCollections& layers) { layers.GetLayer(1)->Blade(2)->SetReference(3, nullptr); },
       "レイヤー 2 のブレード 3 の角 4 に頂点がありません。オブジェクトファイルを保存できません。"},
      {[](TSquareBladeCollections& layers) {
         layers.GetLayer(0)->Blade(1)->SetReference(0, layers.GetLayer(2)->VertexPool()->Item(0));
       },
       "レイヤー 1 のブレード 2 の角 1 "
       "の頂点がこのレイヤーの頂点プールにありません。オブジェクトファイルを保存できません。"},
      {[](TSquareBladeCollections& layers) {
         layers.GetLayer(2)->Blade(0)->SetReference(3, nullptr);
         layers.GetLayer(2)->Blade(0)->ChildCollection()->Delete(3);
       },
       "レイヤー 3 のブレード 1 の角が 4 つではありません。オブジェクトファイルを保存できません。"}};
  for (const auto& [damage, message] : cases) {
    TSquareBladeCollectionsContainer document;
    for (int l = 0; l < 3; ++l) {
      TSquareBladeCollection* layer = document.Collections()->AddLayer();
      for (int b = 0; b < 4; ++b) {
        const float x = static_cast<float>(b);
        scenetest::AddBlade(*layer, {Vec3{x, 0, 0}, Vec3{x + 1, 0, 0}, Vec3{x + 1, 1, 0}, Vec3{x, 1, 0}});
      }
    }
    damage(*document.Collections());
    EXPECT_EQ(ErrorOf<Exception>([&] { SaveObjectFileRecords(PathOf("scene.vro"), document, nullptr); }), message);
    EXPECT_EQ(ReadBytes(PathOf("scene.vro")), "previous");
  }
}

// The same document twice: in the current classes (the expectation), and as the first record of an older file, in
// the older classes with the older properties set and colours stored as names, under the container's class name.
struct OlderFile {
  TSquareBladeCollectionsContainer expected;
  std::string record;
  OlderFile() {
    Document(expected, 41, 4, 12);
    TVrelConverter older;
    older.SetCurrentIndex(expected.CurrentIndex());
    older.Collections()->SetCurrentIndex(expected.Collections()->CurrentIndex());
    older.Collections()->SetDefaultWidth(10);
    older.Collections()->SetDefaultY(1.5f);
    older.Collections()->SetHitRange(6);
    older.Collections()->Materials()->Selected()->SetColor(0x00FF00);
    for (int i = 0; i < expected.Collections()->Count(); ++i) {
      TConverterCollection* layer = older.Collections()->AddLayer();
      layer->Assign(expected.Collections()->GetLayer(i));
      layer->SetDefaultWidth(20 + i);
      layer->SetDefaultY(-0.5f);
    }
    StreamWriter writer;
    writer.WriteSignature();
    writer.WriteShortString("TSquareBladeCollectionsContainer");
    writer.WriteShortString("");
    writer.WritePropName("Collections.Materials.Border.Color");
    writer.WriteIdent("clWhite");
    writer.WritePropName("Collections.Materials.Surface.Color");
    writer.WriteIdent("CLBTNFACE");
    WriteProperties(writer, older, "", &older);
    writer.WriteListEnd();
    writer.WriteListEnd();
    record = I32(static_cast<uint32_t>(writer.Size())) + writer.Bytes();
  }
};

TEST_F(ObjectFiles, TheCurrentClassesRefuseAnOlderFile) {
  const OlderFile older;
  TSquareBladeCollectionsContainer strict;
  StreamReader strictReader(older.record);
  EXPECT_THROW(ReadComponentRecord(strict, strictReader), EReadError);
}

// Appending renumbers every pool 0, 1, 2...
TEST_F(ObjectFiles, AnOlderFileLoadsThroughTheConverterWithLayerNamesKept) {
  OlderFile older;
  TMenuItem memory;
  TMenuItem loadedMemory;
  StreamWriter record2;
  Remember(memory, {"a"});
  WriteComponentRecord(memory, record2);
  WriteBytes(PathOf("older.vro"), older.record + record2.Bytes());
  TSquareBladeCollectionsContainer loaded;
  Document(loaded, 42);
  ASSERT_TRUE(LoadObjectFileRecords(PathOf("older.vro"), loaded, &loadedMemory));
  RenumberVertexIDs(*older.expected.Collections());
  EXPECT_EQ(std::tuple(doc::Picture(loaded), Captions(loadedMemory)),
            std::tuple(doc::Picture(older.expected), Strings{"a"}));
}

// The converter meets the same short stream, and its own error ends the read.
TEST_F(ObjectFiles, ABrokenOlderFileFailsAndChangesNothing) {
  const OlderFile older;
  std::string broken = older.record.substr(0, older.record.size() - 1);
  broken.replace(0, 4, I32(uint32_t(broken.size() - 4)));
  TSquareBladeCollectionsContainer loaded;
  const std::string before = Document(loaded, 42);
  EXPECT_EQ(ErrorOf<EReadError>([&] { LoadObjectFileRecordsFromBytes(broken, loaded, nullptr); }), kReadError);
  EXPECT_EQ(doc::Picture(loaded), before);
}

// Each object's properties sorted by name, a nested object or collection walked where its property falls.
TEST(PublishedProperties, TheWalkGoesByNameIntoNestedObjectsAndCollectionItems) {
  TSquareBladeCollectionsContainer container;
  TSquareBladeCollection* layer = container.Collections()->AddLayer();
  layer->VertexPool()->NewDataFor(layer->Add(), -1);
  Strings seen;
  ForEachPublishedProperty(container, TTypeKinds::All(), [&](TPersistent& object, const TPropInfo& prop) {
    seen.push_back(std::string(object.ClassName()) + "." + prop.Name);
  });
  const Strings head = {"TSquareBladeCollectionsContainer.Collections",
                        "TSquareBladeCollections.CurrentIndex",
                        "TSquareBladeCollectionItem.ChildCollection",
                        "TSquareBladeCollection.Locked",
                        "TSquareBladeCollection.Name",
                        "TSquareBladeCollection.VertexPool",
                        "TVertexItem.ItemID",
                        "TVertexItem.Vertex",
                        "TVertex.Select",
                        "TVertex.X",
                        "TVertex.Y",
                        "TVertex.Z"};
  ASSERT_GE(seen.size(), head.size());
  EXPECT_EQ(Strings(seen.begin(), seen.begin() + static_cast<long>(head.size())), head);
  // Four vertices, then the blade with its four corners, then the rest of the container.
  EXPECT_EQ(std::tuple(std::count(seen.begin(), seen.end(), "TVertex.Select"),
                       std::count(seen.begin(), seen.end(), "TVertexReferenceItem.ReferenceID"), seen.back()),
            std::tuple(4, 4, "TSquareBladeCollectionsContainer.Tag"));
}

// A nested object is walked only when its own property's kind is asked for too.
TEST(PublishedProperties, TheWalkTakesOnlyTheKindsAskedFor) {
  TSquareBladeCollectionsContainer container;
  TSquareBladeCollection* layer = container.Collections()->AddLayer();
  layer->VertexPool()->NewDataFor(layer->Add(), -1);
  int booleans = 0;
  auto count = [&](TPersistent&, const TPropInfo& prop) { booleans += prop.Kind == TTypeKind::Boolean; };
  ForEachPublishedProperty(container, {TTypeKind::Boolean}, count);
  EXPECT_EQ(booleans, 0);
  ForEachPublishedProperty(container, {TTypeKind::Boolean, TTypeKind::Class}, count);
  EXPECT_EQ(booleans, 2 + 4 + 4 * 2 + 2);  // layer, vertices, corners, blade
}

TEST(PublishedProperties, HasPropertyIsExactAboutCase) {
  TSquareBladeCollectionsContainer container;
  TVectorHolder holder;
  EXPECT_EQ(std::tuple(HasProperty(container, "CurrentIndex"), HasProperty(container, "currentindex"),
                       HasProperty(holder, "Tag"), HasProperty(holder, "W")),
            std::tuple(true, false, true, false));
}

// Items are walked only when there are some.
TEST(PublishedProperties, HasPropertyLooksInsideNestedObjectsAndItems) {
  TSquareBladeCollectionsContainer container;
  TVrelConverter converter;
  // Alpha is on a nested material.
  EXPECT_EQ(std::tuple(HasProperty(container, "HitRange"), HasProperty(converter, "HitRange"),
                       HasProperty(converter, "Alpha"), HasProperty(container, "VertexPool")),
            std::tuple(false, true, true, false));
  container.Collections()->AddLayer();
  EXPECT_TRUE(HasProperty(container, "VertexPool"));
}
}  // namespace
}  // namespace vrel
