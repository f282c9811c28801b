#include "platform/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/platform/PythonOracle.h"

namespace vrel {
namespace {

using oracle::TempFolder;
using oracle::WriteFile;

TEST(RegularFile, ReadsEveryByteOfAFile) {
  const TempFolder folder;
  const std::string bytes = std::string("a\0b\r\n\x1a", 6) + std::string(70000, 'x');
  WriteFile(folder.path / "f", bytes);
  std::string read;
  std::string error;
  ASSERT_TRUE(ReadRegularFile((folder.path / "f").string(), read, error)) << error;
  EXPECT_EQ(read, bytes);
}

// A FIFO would block a plain read until a writer came; a folder is no text.
TEST(RegularFile, RefusesWhatIsNotARegularFileWithoutWaitingAndLeavesTheBytes) {
  const TempFolder folder;
  ASSERT_EQ(mkfifo((folder.path / "fifo").c_str(), 0600), 0);
  for (const char* name : {"fifo", ".", "missing"}) {
    std::string read = "kept";
    std::string error;
    EXPECT_FALSE(ReadRegularFile((folder.path / name).string(), read, error)) << name;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read, "kept");
  }
}

TEST(RegularFile, RefusesAFileLargerThanTheLimit) {
  const TempFolder folder;
  WriteFile(folder.path / "f", std::string(101, 'x'));
  std::string read;
  std::string error;
  EXPECT_FALSE(ReadRegularFile((folder.path / "f").string(), read, error, 100));
  EXPECT_EQ(error, "The file is too large.");
  EXPECT_TRUE(ReadRegularFile((folder.path / "f").string(), read, error, 101));
}

}  // namespace
}  // namespace vrel
