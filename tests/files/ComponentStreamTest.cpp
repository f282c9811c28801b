// The component stream: golden bytes written out by hand from the format's tag table, the reading
// rules, the failure messages, and damaged streams.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include "files/ComponentTransaction.h"
#include "files/ObjectFiles.h"
#include "files/VrelConverter.h"
#include "files/history/VectorHolder.h"
#include "platform/ComponentStream.h"
#include "platform/Extended80.h"
#include "tests/files/DocumentFixture.h"
#include "tests/files/TestBytes.h"

namespace vrel {
namespace {
using namespace bytes;

class ComponentStream : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterFileClasses(); }
};

template <class T>
std::string LoadError(const std::string& stream, T&& target, bool transactional = true) {
  return ErrorOf(
      [&] { transactional ? LoadComponentTransactional(stream, target) : LoadComponentFromBytes(stream, target); });
}

const std::string kCoordinates = S("X") + kExt1_5 + S("Z") + kExt2 + kEnd + kEnd;

// The name goes in the record header and nowhere else.
TEST_F(ComponentStream, AVectorHolderWritesOnlyTheCoordinatesThatAreNotZero) {
  TVectorHolder holder;
  holder.SetVector({1.5f, 0.0f, 2.0f});
  EXPECT_EQ(Hex(SaveComponentToBytes(holder)), Hex(Header("TVectorHolder") + kCoordinates));
  holder.SetName("PlaneMarkVector");
  EXPECT_EQ(Hex(SaveComponentToBytes(holder)), Hex(Header("TVectorHolder", "PlaneMarkVector") + kCoordinates));
}

TEST_F(ComponentStream, AnAbsentCoordinateKeepsItsValueUnlessTheStateIsClearedFirst) {
  const std::string coordinates = kCoordinates;
  TVectorHolder cleared;
  TVectorHolder kept;
  cleared.SetVector({9, 9, 9});
  kept.SetVector({9, 9, 9});
  LoadComponentTransactional(Header("TVectorHolder") + coordinates, cleared,
                             [](TComponent& c) { static_cast<TStateComponent&>(c).ClearState(); });
  LoadComponentFromBytes(Header("TVectorHolder") + coordinates, kept);
  EXPECT_EQ(std::tuple(cleared.GetVector(), cleared.Name(), kept.GetVector()),
            std::tuple(Vec3(1.5f, 0, 2), "", Vec3(1.5f, 9, 2)));
}

// One layer "Layer1" of one blade over four vertices with IDs 0..3.
void OneBlade(TSquareBladeCollection& layer) {
  layer.SetName("Layer1");
  TSquareBlade* blade = layer.Add();
  layer.VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices({{{0, 0, 0}, {1, 0, 0}, {1, 0, 2}, {0, 3, -0.25f}}});
  blade->GetVertex(2)->SetSelect(true);
  blade->Corner(2)->SetBorderSelect(true);
  blade->Corner(0)->SetVertexSelect(true);
  blade->SetDrawTexture(true);
  blade->UpdatePositionCache();
  blade->UpdateSelectedBorderIndices();
}

// That layer's records under `prefix` (the layer's property path), as the tag table lays them out.
std::string LayerRecords(const std::string& prefix) {
  auto flag = [](bool on) { return on ? kTrue : kFalse; };
  auto vertex = [&](int id, const std::string& xyz, bool select) {
    return B({1}) + S("ItemID") + Int8(id) + xyz + S("Vertex.Select") + flag(select) + kEnd;
  };
  auto corner = [&](int id, bool border, bool point) {
    return B({1}) + S("ReferenceID") + Int8(id) + S("BorderSelect") + flag(border) + S("VertexSelect") + flag(point) +
           kEnd;
  };
  return S(prefix + "VertexPool") + B({0x0E}) + vertex(0, "", false) + vertex(1, S("Vertex.X") + kExt1, false) +
         vertex(2, S("Vertex.X") + kExt1 + S("Vertex.Z") + kExt2, true) +
         vertex(3, S("Vertex.Y") + kExt3 + S("Vertex.Z") + kExtMinus0_25, false) + kEnd + S(prefix + "Locked") +
         kFalse + S(prefix + "Visible") + kTrue + S(prefix + "Name") + Str("Layer1") +
         S(prefix.substr(0, prefix.size() - 1)) + B({0x0E, 0x01}) + S("ChildCollection") + B({0x0E}) +
         corner(0, false, true) + corner(1, false, false) + corner(2, true, false) + corner(3, false, false) + kEnd +
         S("DrawTexture") + kTrue + S("Visible") + kTrue + kEnd + kEnd;
}

TEST_F(ComponentStream, AOneBladeLayerContainerMatchesTheTagTableByteForByte) {
  TSquareBladeCollectionContainer container;
  OneBlade(*container.Collection());
  EXPECT_EQ(Hex(SaveComponentToBytes(container)),
            Hex(Record("TSquareBladeCollectionContainer", LayerRecords("Collection."))));
}

TEST_F(ComponentStream, TheTagTablesLayerContainerReadsBackWhole) {
  TSquareBladeCollectionContainer container;
  TSquareBladeCollectionContainer back;
  OneBlade(*container.Collection());
  LoadComponentTransactional(Record("TSquareBladeCollectionContainer", LayerRecords("Collection.")), back);
  EXPECT_EQ(doc::Picture(*back.Collection()), doc::Picture(*container.Collection()));
  EXPECT_EQ(back.Collection()->Blade(0)->SelectedBorderIndices(), (std::vector<uint16_t>{2, 3}));
}

// The container's index is overwritten from the layer set when saved; the plane-mark memory is record 2.
TEST_F(ComponentStream, AnObjectFilesTwoRecordsMatchTheTagTableByteForByte) {
  TSquareBladeCollectionsContainer document;
  OneBlade(*document.Collections()->AddLayer());
  document.SetCurrentIndex(5);
  TMenuItem memory;
  auto* position = new TMenuItem;
  memory.SetName("mnuPlaneMark_Call");
  memory.SetCaption(Utf8ToCp932("呼び出す(&C)"));
  position->SetCaption("x:1.00 y:0.00 z:2.00");
  position->SetShortCut(0x2031);  // Shift+1
  memory.Add(position);
  const std::string record1 = Header("TSquareBladeCollectionsContainer") + S("CurrentIndex") + Int8(0) +
                              S("Collections.CurrentIndex") + Int8(0) + S("Collections") + B({0x0E, 0x01}) +
                              LayerRecords("ChildCollection.") + kEnd + kEnd + kEnd + kEnd;
  // 8 UTF-16 units against 16 UTF-8 bytes: not shorter, so the caption goes as UTF-16.
  const std::string record2 =
      Header("TMenuItem", "mnuPlaneMark_Call") + S("Caption") +
      B({0x12, 8, 0, 0, 0, 0x7C, 0x54, 0x73, 0x30, 0xFA, 0x51, 0x59, 0x30, 0x28, 0, 0x26, 0, 0x43, 0, 0x29, 0}) + kEnd +
      S("TMenuItem") + S("") + S("Caption") + Str("x:1.00 y:0.00 z:2.00") + S("ShortCut") + B({3, 0x31, 0x20}) + kEnd +
      kEnd + kEnd;
  EXPECT_EQ(Hex(ObjectFileBytes(document, &memory)),
            Hex(I32(uint32_t(record1.size())) + record1 + I32(uint32_t(record2.size())) + record2));
  EXPECT_EQ(document.CurrentIndex(), 0);
}

// A wider tag than needed still reads, a property's name in any case; a 64-bit one is no 32-bit value.
TEST_F(ComponentStream, AnIntegerPropertyReadsFromAnyTagThatHoldsItsValue) {
  TMenuItem item;
  LoadComponentFromBytes(Record("TMenuItem", S("tAG") + B({4, 5, 0, 0, 0})), item);
  EXPECT_EQ(item.Tag(), 5);
  EXPECT_EQ(LoadError(Record("TMenuItem", S("Tag") + B({0x13, 5, 0, 0, 0, 0, 0, 0, 0})), item, false), kBadValue);
}

TEST_F(ComponentStream, AFailedTransactionRaisesItsOwnMessageAndChangesNothing) {
  const std::pair<std::string, std::string> cases[] = {
      {"TPF1" + S("TMenuItem") + S("") + kEnd + kEnd, std::string(kInvalidStreamMessage)},
      {Header("TMenuItem") + kEnd + S("TNoSuchThing") + S("") + kEnd + kEnd + kEnd,
       "クラス TNoSuchThing が見つかりません"},
      {Record("TMenuItem", S("Checked") + Int8(1)), kBadValue},                 // integer for a Boolean
      {Record("TMenuItem", S("Checked") + B({0x07}) + S("Maybe")), kBadValue},  // unknown Boolean identifier
      {Record("TMenuItem", S("Tag") + B({0x07}) + S("clWhite")), kBadValue},    // identifier for a plain integer
      {Record("TMenuItem", S("Caption") + B({1, 0})), kBadValue},               // list for a string
      {Record("TMenuItem", S("Caption") + B({0x16})), kBadValue},               // tag past the table
      {Header("TMenuItem") + S("Caption") + B({6, 5}) + "abc", kReadError},
      {Header("TMenuItem") + kEnd, kReadError}};
  for (const auto& [stream, message] : cases) {
    TMenuItem target;
    target.SetName("before");
    target.SetCaption("caption");
    EXPECT_EQ(LoadError(stream, target), message) << Hex(stream);
    EXPECT_EQ(std::tuple(target.Name(), target.Caption()), std::tuple("before", "caption"));
  }
}

// A dotted name is reported whole.
TEST_F(ComponentStream, AnUnknownPropertyIsNamed) {
  TVectorHolder guarded;
  guarded.SetVector({4, 5, 6});
  EXPECT_EQ(LoadError(Record("TVectorHolder", S("X") + kExt1 + S("W") + kExt2), guarded),
            "プロパティ W は存在しません");
  EXPECT_EQ(guarded.GetVector(), Vec3(4, 5, 6));
  EXPECT_EQ(LoadError(Record("X", S("Collections.DefaultWidth") + Int8(3)), TSquareBladeCollectionsContainer()),
            "プロパティ Collections.DefaultWidth は存在しません");
}

TEST_F(ComponentStream, ACollectionPropertyTakesOnlyACollection) {
  for (const char* collection : {"Collection.VertexPool", "Collection"})
    EXPECT_EQ(LoadError(Record("X", S(collection) + Int8(1)), TSquareBladeCollectionContainer()), kBadValue);
}

TEST_F(ComponentStream, ChildRecordsNestAtMostSixtyFourDeep) {
  auto nested = [](int depth) {
    std::string stream = Header("TMenuItem") + kEnd;
    for (int i = 0; i < depth; ++i)
      stream += S("TMenuItem") + S("") + kEnd;
    return stream + std::string(static_cast<std::size_t>(depth) + 1, '\0');
  };
  TMenuItem ok;
  TMenuItem deep;
  LoadComponentFromBytes(nested(64), ok);
  int depth = 0;
  for (const TMenuItem* m = &ok; m->Count() == 1; m = m->Items(0))
    ++depth;
  EXPECT_EQ(depth, 64);
  EXPECT_EQ(LoadError(nested(65), deep), kNestingTooDeepMessage);
  EXPECT_EQ(LoadError(nested(100000), deep), kNestingTooDeepMessage);
  EXPECT_EQ(deep.Count(), 0);
}

TEST_F(ComponentStream, AStreamCutAnywhereFailsCleanlyAndChangesNothing) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollectionsContainer target;
  doc::BuildRandomDocument(source, 7, 2, 3);
  doc::BuildRandomDocument(target, 8, 2, 2);
  const std::string stream = SaveComponentToBytes(source);
  const std::string before = doc::Picture(target);
  for (std::size_t n = 0; n < stream.size(); ++n) {
    const ExactBlock block(stream, n);
    ASSERT_EQ(ErrorOf<EReadError>([&] { LoadComponentTransactional(block.View(), target); }),
              n < 4 ? kInvalidStreamMessage : kReadError)
        << "cut at " << n << " of " << stream.size();
    ASSERT_EQ(doc::Picture(target), before) << "cut at " << n;
  }
  LoadComponentTransactional(ExactBlock(stream, stream.size()).View(), target);
  EXPECT_EQ(doc::Picture(target), doc::Picture(source));
}

TEST_F(ComponentStream, FloatsReadFromExtendedDoubleAndIntegerTagsOnly) {
  const std::pair<std::string, float> accepted[] = {
      {kExtMinus0_25, -0.25f},        {B({0x15, 0, 0, 0, 0, 0, 0, 0x0C, 0x40}), 3.5f},  // IEEE double 3.5
      {B({2, 0xFD}), -3.0f},          {B({3, 0, 1}), 256.0f},
      {B({4, 0, 0, 1, 0}), 65536.0f}, {B({0x13, 0, 0, 0, 0, 1, 0, 0, 0}), 4294967296.0f}};
  for (const auto& [value, expected] : accepted) {
    TVectorHolder holder;
    LoadComponentFromBytes(Record("TVectorHolder", S("X") + value), holder);
    EXPECT_EQ(holder.X(), expected) << Hex(value);
  }
  // Single, currency and date are numbers too, but no float property was ever written with them.
  for (const std::string& value : {B({0x0F, 0, 0, 0x80, 0x3F}), B({0x10, 1, 0, 0, 0, 0, 0, 0, 0}),
                                   B({0x11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}), Str("1.5")})
    EXPECT_EQ(LoadError(Record("TVectorHolder", S("X") + value), TVectorHolder()), kBadValue) << Hex(value);
}

// 1 + 2^-24 + 2^-63: a double would keep 1 + 2^-24, a tie between two singles that goes to the even 1.
TEST_F(ComponentStream, AnExtendedCoordinateIsRoundedOnceToTheNearestSingle) {
  TVectorHolder holder;
  LoadComponentFromBytes(Record("TVectorHolder", S("X") + B({0x05, 1, 0, 0, 0, 0x80, 0, 0, 0x80, 0xFF, 0x3F})), holder);
  EXPECT_EQ(holder.X(), std::nextafter(1.0f, 2.0f));
}

std::string Extended(double value) {
  std::string out(kExtendedSize, '\0');
  DoubleToExtended(value, reinterpret_cast<uint8_t*>(out.data()));
  return B({0x05}) + out;
}
std::string Double(double value) {
  std::string out(8, '\0');
  std::memcpy(out.data(), &value, 8);
  return B({0x15}) + out;
}

TEST_F(ComponentStream, ACoordinateThatNoSingleHoldsRefusesTheReadAndNamesTheProperty) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::string beyondDouble = B({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x60});  // 2^8193
  for (const std::string& value : {Extended(1e39), Double(1e300), Extended(-inf), Double(nan), beyondDouble}) {
    TSquareBladeCollectionContainer target;
    target.Collection()->VertexPool()->Add()->Vertex()->SetX(5);
    const std::string stream = Record("TSquareBladeCollectionContainer", S("Collection.VertexPool") + B({0x0E, 0x01}) +
                                                                             S("Vertex.X") + value + kEnd + kEnd);
    EXPECT_EQ(LoadError(stream, target), "プロパティ Vertex.X の値が範囲外です") << Hex(value);
    EXPECT_EQ(target.Collection()->VertexPool()->Item(0)->Vertex()->X(), 5.0f);
  }
}

// Takes over the caption alone and keeps its own sub-items, so the test sees whose take-over ran.
class TCaptionKeeper : public TMenuItem {
  VREL_CLASS_INFO(TCaptionKeeper, TMenuItem)
 public:
  void TakeOver(const TComponent& fresh) override { SetCaption(static_cast<const TMenuItem&>(fresh).Caption()); }
};
const TClassInfo& TCaptionKeeper::StaticClass() {
  static const TClassInfo info("TCaptionKeeper", &Inherited::StaticClass(), {},
                               [](TComponent*) -> TComponent* { return new TCaptionKeeper; });
  return info;
}

TEST_F(ComponentStream, ATransactionHandsWhatWasReadToTheComponentsOwnTakeOver) {
  TCaptionKeeper target;
  target.Add(new TMenuItem);
  target.Add(new TMenuItem);
  LoadComponentTransactional(
      Header("TCaptionKeeper") + S("Caption") + Str("read") + kEnd + S("TMenuItem") + S("") + kEnd + kEnd + kEnd,
      target);
  EXPECT_EQ(target.Caption(), "read");
  EXPECT_EQ(target.Count(), 2);
}

TEST_F(ComponentStream, APrefixByteBeforeARecordIsReadAndIgnored) {
  TMenuItem menu;
  // Plain, inherited, and with a child position (an integer) to skip.
  LoadComponentFromBytes("TPF0" + B({0xF2, 0x02, 0x07}) + S("TMenuItem") + S("m") + S("Caption") + Str("A") + kEnd +
                             B({0xF0}) + S("TMenuItem") + S("") + S("Caption") + Str("B") + kEnd + kEnd + B({0xF1}) +
                             S("TMenuItem") + S("") + S("Caption") + Str("C") + kEnd + kEnd + kEnd,
                         menu);
  ASSERT_EQ(menu.Count(), 2);
  EXPECT_EQ(std::tuple(menu.Name(), menu.Caption(), menu.Items(0)->Caption(), menu.Items(1)->Caption()),
            std::tuple("m", "A", "B", "C"));
}

TEST_F(ComponentStream, OlderColoursMayBeNamesOrNumbers) {
  const std::string materials = "Collections.Materials.";
  TVrelConverter converter;
  LoadComponentFromBytes(
      Record("TSquareBladeCollectionsContainer", S(materials + "Border.Color") + B({0x07}) + S("clWhite") +
                                                     S(materials + "Surface.Color") + B({0x07}) + S("CLBTNFACE") +
                                                     S(materials + "Selected.Color") + B({4, 0, 0xFF, 0, 0}) +
                                                     S(materials + "Reverse.Glow") + Int8(1)),
      converter);
  const TConverterMaterials& read = *converter.Collections()->Materials();
  EXPECT_EQ(std::tuple(read.Border()->Color(), read.Surface()->Color(), read.Selected()->Color()),
            std::tuple(0xFFFFFF, INT32_MIN + 15, 0x00FF00));
  EXPECT_EQ(LoadError(Record("X", S(materials + "Border.Color") + B({0x07}) + S("clPlaid")), TVrelConverter(), false),
            kBadValue);
  // Outside the materials, unknown names still fail.
  EXPECT_EQ(LoadError(Record("X", S("Collections.Glow") + Int8(1)), TVrelConverter(), false),
            "プロパティ Collections.Glow は存在しません");
}

// Notes, when loaded, its caption and how much of the tree its root already holds.
class TLoadProbe : public TMenuItem {
  VREL_CLASS_INFO(TLoadProbe, TMenuItem)
 public:
  using TMenuItem::TMenuItem;
  static std::vector<std::pair<std::string, int>>& Log() {
    static std::vector<std::pair<std::string, int>> log;
    return log;
  }
  static int Total(const TMenuItem* m) {
    int n = 1;
    for (int i = 0; i < m->Count(); ++i)
      n += Total(m->Items(i));
    return n;
  }
  void Loaded() override {
    TMenuItem::Loaded();
    const TMenuItem* root = this;
    while (root->Parent())
      root = root->Parent();
    Log().emplace_back(Caption(), Total(root));
  }
};

const TClassInfo& TLoadProbe::StaticClass() {
  static const TClassInfo info("TLoadProbe", &Inherited::StaticClass(), {},
                               [](TComponent* owner) -> TComponent* { return new TLoadProbe(owner); });
  return info;
}

// A probe with a probe child of its own and a plain menu item.
struct ProbeTree {
  TLoadProbe root;
  ProbeTree() {
    RegisterClass(TLoadProbe::StaticClass());
    auto* a = new TLoadProbe;
    auto* a1 = new TLoadProbe;
    auto* b = new TMenuItem;
    root.SetCaption("root");
    a->SetCaption("a");
    a1->SetCaption("a1");
    b->SetCaption(Utf8ToCp932("ｂ"));
    b->SetEnabled(false);
    a->Add(a1);
    root.Add(a);
    root.Add(b);
  }
};

TEST_F(ComponentStream, ChildrenAreMadeByTheirClassNames) {
  ProbeTree tree;
  TLoadProbe back;
  LoadComponentFromBytes(SaveComponentToBytes(tree.root), back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(std::tuple(std::string(back.Items(0)->ClassName()), std::string(back.Items(1)->ClassName())),
            std::tuple("TLoadProbe", "TMenuItem"));
  EXPECT_EQ(std::tuple(back.Items(0)->Items(0)->Caption(), back.Items(1)->Caption(), back.Items(1)->Enabled()),
            std::tuple("a1", Utf8ToCp932("ｂ"), false));
}

// Every Loaded saw the whole tree of four, first to last in stream order.
TEST_F(ComponentStream, LoadedRunsAfterTheWholeReadInStreamOrder) {
  ProbeTree tree;
  TLoadProbe back;
  TLoadProbe::Log().clear();
  LoadComponentFromBytes(SaveComponentToBytes(tree.root), back);
  EXPECT_EQ(TLoadProbe::Log(), (std::vector<std::pair<std::string, int>>{{"root", 4}, {"a", 4}, {"a1", 4}}));
}
}  // namespace
}  // namespace vrel
