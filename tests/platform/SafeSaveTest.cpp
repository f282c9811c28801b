// Saving through a temporary file: what a failed save reports and leaves behind.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include "platform/Exceptions.h"
#include "platform/SafeSave.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/ReadOnlyFolder.h"

namespace vrel {
namespace {

std::string Contents(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll().toStdString();
}

class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    QFile previous(Path());
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("previous");
  }
  QString Path() const { return folder_.filePath("target.bin"); }
  std::string Utf8Path() const { return Path().toStdString(); }
  QStringList Listing() const { return QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir folder_;
};

TEST_F(SafeSave, AWriteCutShortReportsTheFileSystemsReasonAndKeepsThePreviousFile) {
  std::string error;
  bool saved = true;
  {
    const ScopedFileSizeLimit limit(1024);
    saved = SaveFileReplacing(Utf8Path(), std::string(4096, 'x'), error);
  }
  EXPECT_FALSE(saved);
  EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << error;
  EXPECT_EQ(Contents(Path()), "previous");
  EXPECT_EQ(Listing(), QStringList{"target.bin"});
}

TEST_F(SafeSave, AFileWrittenButNotCommittedLeavesTheTargetAsItWas) {
  std::string error;
  {
    TPendingFile pending(Utf8Path());
    ASSERT_TRUE(pending.Write("discarded", error)) << error;
  }
  EXPECT_EQ(Contents(Path()), "previous");
  EXPECT_EQ(Listing(), QStringList{"target.bin"});
}

TEST_F(SafeSave, ASaveRefusedByItsFolderNamesTheFolderAsTheCause) {
  std::string message;
  {
    const ScopedReadOnlyFolder readOnly(folder_.path().toStdString());
    try {
      SaveBytesReplacing(Utf8Path(), "new");
    } catch (const Exception& error) {
      message = error.what();
    }
  }
  EXPECT_EQ(message, "フォルダ " + folder_.path().toStdString() + " に書き込めないため、ファイル " + Utf8Path() +
                         " を作成できません (" + std::strerror(EACCES) + ")");
  EXPECT_EQ(Contents(Path()), "previous");
}

}  // namespace
}  // namespace vrel
