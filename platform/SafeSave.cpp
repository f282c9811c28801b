#include "platform/SafeSave.h"

#include <QFile>
#include <QSaveFile>

#include "platform/Exceptions.h"

namespace vrel {

TPendingFile::TPendingFile(const std::string& utf8Path)
    : file_(std::make_unique<QSaveFile>(QFile::decodeName(QByteArray::fromStdString(utf8Path)))) {}

// QSaveFile removes an uncommitted temporary file when it goes.
TPendingFile::~TPendingFile() = default;

bool TPendingFile::Write(std::string_view bytes, std::string& error) {
  written_ = false;
  // Unbuffered, so that a short write (a full disk, a file-size limit) shows in write's count: a
  // buffered QSaveFile commits whatever part of its last flush reached the disk.
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    error = file_->errorString().toStdString();
    return false;
  }
  // A write cut short reports only its count; the next one fails and says why.
  for (std::size_t done = 0; done < bytes.size();) {
    const qint64 n = file_->write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
    if (n <= 0) {
      // Cancelling replaces the error text with its own; the reason is what the write said.
      error = file_->errorString().toStdString();
      file_->cancelWriting();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  written_ = true;
  return true;
}

bool TPendingFile::Commit(std::string& error) {
  if (!written_ || !file_->commit()) {
    error = file_->errorString().toStdString();
    return false;
  }
  written_ = false;
  return true;
}

bool SaveFileReplacing(const std::string& utf8Path, std::string_view bytes, std::string& error) {
  TPendingFile file(utf8Path);
  return file.Write(bytes, error) && file.Commit(error);
}

void RaiseCannotCreate(const std::string& utf8Path, const std::string& reason) {
  throw Exception(FormatMessage("ファイル %s を作成できません (%s)", {utf8Path, reason}));
}

void SaveBytesReplacing(const std::string& utf8Path, std::string_view bytes) {
  std::string error;
  if (!SaveFileReplacing(utf8Path, bytes, error))
    RaiseCannotCreate(utf8Path, error);
}

}  // namespace vrel
