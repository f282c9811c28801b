// Writes seed corpora for the fuzz targets, one folder per target under <folder>: valid streams of
// every component kind, valid object files of the current and of the older layout, editor text, the
// text readers' files (TextSeeds.h) and valid pieces of every image decoder (DecoderSeeds.h).

#include <QDir>
#include <QFile>

#include <cstdio>
#include <string>

#include "files/ObjectFiles.h"
#include "fuzz/DecoderSeeds.h"
#include "fuzz/LoaderSeeds.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/TextSeeds.h"
#include "platform/ComponentStream.h"
#include "tests/files/DocumentFixture.h"

namespace {

void Write(const QString& folder, const std::string& name, const std::string& bytes) {
  QDir().mkpath(folder);
  QFile file(folder + "/" + QString::fromStdString(name));
  if (!file.open(QIODevice::WriteOnly))
    return;
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vrel;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  RegisterFileClasses();
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QString streams = root + "/component_stream_fuzz";
  const QString files = root + "/object_file_fuzz";

  for (uint32_t seed = 1; seed <= 4; ++seed) {
    TSquareBladeCollectionsContainer document;
    doc::BuildRandomDocument(document, seed, 3, 4);
    TMenuItem memory;
    memory.SetName("mnuPlaneMark_Call");
    memory.SetCaption(Utf8ToCp932("呼び出す(&C)"));
    for (const char* caption : {"x:1.00 y:0.00 z:2.00", "x:-3.25 y:4.00 z:0.50"}) {
      auto* item = new TMenuItem;
      item->SetCaption(caption);
      item->SetShortCut(0x2031);
      memory.Add(item);
    }
    Write(streams, "container" + std::to_string(seed), std::string(1, '\0') + SaveComponentToBytes(document));
    Write(streams, "menu" + std::to_string(seed), std::string(1, '\2') + SaveComponentToBytes(memory));
    Write(files, "file" + std::to_string(seed), ObjectFileBytes(document, &memory));

    TSquareBladeCollectionContainer layer;
    layer.Collection()->Assign(document.Collections()->GetLayer(0));
    layer.Loaded();
    Write(streams, "layer" + std::to_string(seed), std::string(1, '\1') + SaveComponentToBytes(layer));

    TVrelConverter older;
    older.Collections()->SetHitRange(5);
    older.Collections()->Materials()->Border()->SetColor(0x00FF00);
    for (int i = 0; i < document.Collections()->Count(); ++i) {
      TConverterCollection* olderLayer = older.Collections()->AddLayer();
      olderLayer->Assign(document.Collections()->GetLayer(i));
      olderLayer->SetDefaultWidth(10);
    }
    const std::string olderStream = SaveComponentToBytes(older);
    Write(streams, "older" + std::to_string(seed), std::string(1, '\4') + olderStream);
    StreamWriter record;
    record.WriteRawInt32(static_cast<int32_t>(olderStream.size()));
    record.WriteRawBytes(olderStream);
    Write(files, "older" + std::to_string(seed), record.Bytes());
  }
  TVectorHolder holder;
  holder.SetVector({1.5f, 0, -2});
  Write(streams, "vector", std::string(1, '\3') + SaveComponentToBytes(holder));

  // Editor text. The targets read their strings from the front, each ended by a backslash and one
  // more byte, and their numbers and switches from the back.
  const std::string memo = Utf8ToCp932(
      "メモ: (括弧) を開いて\n閉じる) まで // コメント\n'引用' 0x1F #$0D #13 https://example.jp/a?b=c\n"
      "mail@example.jp ｶﾀｶﾅ ﾊﾟﾝ ３．１４ ＡＢＣ begin END\n\t\tタブ 1.5e-3 「鍵」");
  std::string scheme;
  for (const char* setting : {"//", "'", "0x", "(", ")", "[[", "]]", "begin", "end"})
    scheme += std::string(setting) + "\\x";
  Write(root + "/tokeniser_fuzz", "memo", scheme + memo + "\x07\x05\x03\x01\x01\x01");
  Write(root + "/tokeniser_fuzz", "plain", memo);
  int n = 0;
  for (const char* find : {"(括弧)", "ｶﾀｶﾅ", "カタカナ", "abc", "BEGIN"})
    Write(root + "/search_fuzz", "find" + std::to_string(++n), Utf8ToCp932(find) + "\\x" + memo + "\x0f\x01");
  fuzz::WriteTextSeeds(root.toStdString());
  fuzz::WriteDecoderSeeds((root + "/decoders_fuzz").toStdString());
  fuzz::WriteLoaderSeeds((root + "/planar_loaders_fuzz").toStdString());
  return 0;
}
