#include "platform/SafeSave.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
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

std::string CannotSaveMessage(const std::string& utf8Path, const char* failure, const std::string& reason) {
  std::string message = FormatMessage(failure, {utf8Path}) + " (" + reason + ")";
  // Every save makes a new file beside its target first, so a folder that takes none refuses them all.
  const QString folder = QFileInfo(QFile::decodeName(QByteArray::fromStdString(utf8Path))).absolutePath();
  if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
    message = FormatMessage("フォルダ %s に書き込めないため、", {folder.toStdString()}) + message;
  return message;
}

void RaiseCannotCreate(const std::string& utf8Path, const std::string& reason) {
  throw Exception(CannotSaveMessage(utf8Path, TPendingFiles::kCannotCreate, reason));
}

void TPendingFiles::Add(const std::string& utf8Path, std::string_view bytes, const char* failure) {
  TEntry& entry = files_.emplace_back(TEntry{std::make_unique<TPendingFile>(utf8Path), utf8Path, failure});
  std::string error;
  if (!entry.File->Write(bytes, error))
    throw Exception(CannotSaveMessage(utf8Path, failure, error));
}

void TPendingFiles::CommitAll() {
  for (TEntry& entry : files_) {
    std::string error;
    if (!entry.File->Commit(error))
      throw Exception(CannotSaveMessage(entry.Path, entry.Failure, error));
  }
}

void SaveBytesReplacing(const std::string& utf8Path, std::string_view bytes) {
  std::string error;
  if (!SaveFileReplacing(utf8Path, bytes, error))
    RaiseCannotCreate(utf8Path, error);
}

}  // namespace vrel
