// Reading whole files that a user named: only regular files, never blocking, never more than their
// size.
#include "platform/RegularFile.h"

#include <gtest/gtest.h>
#include "NonRegularFiles.h"
#include "PythonOracle.h"
#include "platform/Exceptions.h"

namespace vrel {
namespace {
using oracle::TempFolder;
using oracle::WriteFile;
namespace fs = std::filesystem;

TEST(RegularFile, AnswersMissingForNoSuchFileOrFolder) {
  TempFolder folder;
  for (const char* missing : {"none", "none/f"})
    EXPECT_EQ(ReadRegularFile((folder.path / missing).string(), 100).Status, TFileReadStatus::Missing) << missing;
}

TEST(RegularFile, RefusesFoldersDevicesAndFifosWithoutWaiting) {
  TempFolder folder;
  const std::string fifo = (folder.path / "fifo").string();
  nonregular::MakeFifo(fifo);
  for (const std::string& path : {folder.path.string(), std::string("/dev/zero"), std::string("/dev/null"), fifo}) {
    TFileContents contents;
    EXPECT_FALSE(nonregular::WaitsOnFifo(fifo, [&] { contents = ReadRegularFile(path, 1 << 20); })) << path;
    EXPECT_TRUE(contents.Status == TFileReadStatus::NotRegular && !contents.Error.empty()) << path;
  }
}

TEST(RegularFile, FollowsALinkToARegularFile) {
  TempFolder folder;
  WriteFile(folder.path / "target", "abc");
  fs::create_symlink(folder.path / "target", folder.path / "link");
  EXPECT_EQ(ReadRegularFile((folder.path / "link").string(), 3).Bytes, "abc");
}

TEST(DocumentFile, NoFileAndAFolderAreNoDocument) {
  TempFolder folder;
  EXPECT_FALSE(ReadDocumentFile((folder.path / "none.vro").string(), 100) ||
               ReadDocumentFile(folder.path.string(), 100));
}

TEST(DocumentFile, AFifoADeviceOrALargerFileIsRefusedByName) {
  TempFolder folder;
  const std::string fifo = (folder.path / "fifo").string();
  const std::string large = (folder.path / "large.vro").string();
  nonregular::MakeFifo(fifo);
  WriteFile(large, "123456789");
  for (const std::string& path : {fifo, std::string("/dev/zero"), large}) {
    std::string message;
    EXPECT_FALSE(nonregular::WaitsOnFifo(fifo, [&] {
      try {
        ReadDocumentFile(path, 8);
      } catch (const Exception& e) {
        message = e.what();
      }
    })) << path;
    EXPECT_EQ(message.find("ファイル " + path + " を読み込めません ("), 0u) << message;
  }
}
}  // namespace
}  // namespace vrel
