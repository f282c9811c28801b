#pragma once

// Reading a whole file that a user named: a scene, a settings file, a face image. Whatever the name
// points at, the read neither blocks nor runs on: a FIFO would hang an ordinary open, and a device
// such as /dev/zero never ends. Only a regular file is read, and no more of it than the size the
// file system gave when it was opened.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vrel {

enum class TFileReadStatus : uint8_t {
  Ok,
  Missing,     // nothing of that name
  NotRegular,  // a folder, a FIFO, a device or a socket
  TooLarge,    // more bytes than the caller takes
  Failed,      // the system refused to open or read it
};

struct TFileContents {
  TFileReadStatus Status = TFileReadStatus::Failed;
  std::string Bytes;
  // Why the read failed, in English, for the caller's own message ("not a regular file", the
  // system's reason, ...); empty when it succeeded.
  std::string Error;

  bool Ok() const { return Status == TFileReadStatus::Ok; }
};

// A regular file opened for reading without blocking, closed with the object. A name that points at
// anything else (a folder, a FIFO, a device) is refused by a look before the open, so a device is
// never opened, and again through the descriptor, since the name may point elsewhere by the time it
// is opened: what is checked is what is read.
class TRegularFile {
 public:
  // Opens `utf8Path` when it is a regular file of at most `maxSize` bytes; Status() tells why not.
  TRegularFile(const std::string& utf8Path, std::uint64_t maxSize);
  ~TRegularFile();
  TRegularFile(const TRegularFile&) = delete;
  TRegularFile& operator=(const TRegularFile&) = delete;

  bool Ok() const { return status_ == TFileReadStatus::Ok; }
  TFileReadStatus Status() const { return status_; }
  // Why the open failed, as TFileContents::Error; empty when it succeeded.
  const std::string& Error() const { return error_; }
  // The open descriptor (-1 when the open failed) and the file's size at the open.
  int Descriptor() const { return descriptor_; }
  std::uint64_t Size() const { return size_; }

 private:
  void Refuse(TFileReadStatus status, std::string error);
  void RefuseForSystemError(int error);

  int descriptor_ = -1;
  std::uint64_t size_ = 0;
  TFileReadStatus status_ = TFileReadStatus::Failed;
  std::string error_;
};

// What a reader is told of each piece of a file as it arrives, while the piece is still in the
// processor's cache: work over every byte done there saves another pass over a large file.
using TFilePieceSink = std::function<void(std::string_view piece)>;

// Reads the regular file at `utf8Path`, opened without blocking. A file that has more than `maxSize`
// bytes is refused before any of it is read; one that grows meanwhile is read to its size at the
// open, one that shrinks to its new end. `pieces`, when given, is told the bytes in order, a
// megabyte at most at a time.
TFileContents ReadRegularFile(const std::string& utf8Path, std::size_t maxSize, const TFilePieceSink& pieces = {});

// A document that a user named (a scene, an object file), read as ReadRegularFile reads it: its
// bytes, or nothing when there is no file or a folder of that name. Raises Exception "ファイル
// <name> を読み込めません (<reason>)" for anything else that cannot be read whole: a FIFO, a device,
// a file larger than `maxSize`, a refusal of the system.
std::optional<std::string> ReadDocumentFile(const std::string& utf8Path, std::size_t maxSize);

}  // namespace vrel
