#pragma once

// The byte streams that pictures are read from (a seekable stream over a file or over memory) and
// written to (a stream that collects bytes in memory, for the caller to save as it sees fit). Every
// read is bounded by the stream's size: ReadBuffer fills the whole request or raises EReadError and
// leaves the position where it was, so a reader never sees bytes that are not in the file. Files are
// opened only when they are regular files (a folder, a pipe or a device is refused before a read).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/StreamIO.h"

namespace vrel {

// A file could not be opened for reading.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TInputStream {
 public:
  TInputStream() = default;
  TInputStream(const TInputStream&) = delete;
  TInputStream& operator=(const TInputStream&) = delete;
  virtual ~TInputStream() = default;

  virtual std::uint64_t Size() const = 0;
  std::uint64_t Position() const { return position_; }
  // A position past the end is allowed (reads there find nothing); one before the start raises
  // EReadError.
  void SetPosition(std::uint64_t position) { position_ = position; }
  std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin);
  // The bytes from the position to the end.
  std::uint64_t Remaining() const { return position_ < Size() ? Size() - position_ : 0; }

  // Up to buffer.size() bytes from the position; the count read, fewer only at the end.
  std::size_t Read(std::span<std::uint8_t> buffer);
  // Exactly buffer.size() bytes, or EReadError with nothing consumed.
  void ReadBuffer(std::span<std::uint8_t> buffer);
  std::vector<std::uint8_t> ReadBytes(std::size_t count);
  // Everything from the position to the end.
  std::vector<std::uint8_t> ReadToEnd();
  // The bytes from the position to the end without a copy, when the stream holds them in memory;
  // otherwise nothing. The view lasts as long as the stream; the position does not move.
  virtual std::span<const std::uint8_t> MemoryView() const { return {}; }
  std::uint8_t ReadByte();
  std::uint16_t ReadU16LE();
  std::uint16_t ReadU16BE();
  std::uint32_t ReadU32LE();
  std::uint32_t ReadU32BE();

 protected:
  // Copies buffer.size() bytes at `at`; the caller has checked that they lie inside the stream.
  virtual void ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) = 0;

 private:
  std::uint64_t position_ = 0;
};

// A stream over bytes it owns.
class TMemoryInputStream : public TInputStream {
 public:
  TMemoryInputStream() = default;
  explicit TMemoryInputStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  explicit TMemoryInputStream(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

  std::uint64_t Size() const override { return bytes_.size(); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::span<const std::uint8_t> MemoryView() const override;

 protected:
  void ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) override;

 private:
  std::vector<std::uint8_t> bytes_;
};

// A read-only stream over a regular file (UTF-8 name), open for the stream's life. Its size is the
// file's size when it was opened. Raises EFOpenError naming the file when it cannot be opened or is
// not a regular file; a read error of the system raises EReadError.
class TFileInputStream : public TInputStream {
 public:
  explicit TFileInputStream(const std::string& fileName);

  std::uint64_t Size() const override { return file_.Size(); }
  const std::string& FileName() const { return fileName_; }

 protected:
  void ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) override;

 private:
  std::string fileName_;
  TRegularFile file_;
};

// The bytes from a stream's position to its end, which the position then reaches: a view of a memory
// stream's own bytes (no copy of a large picture), else a copy read from the stream.
class TRestOfStream {
 public:
  explicit TRestOfStream(TInputStream& stream);
  TRestOfStream(const TRestOfStream&) = delete;
  TRestOfStream& operator=(const TRestOfStream&) = delete;

  std::span<const std::uint8_t> Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> copy_;
  std::span<const std::uint8_t> bytes_;
};

// Where a graphic writes itself.
class TOutputStream {
 public:
  TOutputStream() = default;
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;
  virtual ~TOutputStream() = default;

  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  void WriteByte(std::uint8_t value);
  void WriteU16LE(std::uint16_t value);
};

// Collects what is written.
class TMemoryOutputStream : public TOutputStream {
 public:
  void Write(std::span<const std::uint8_t> bytes) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The whole file (regular files only), read through TFileInputStream.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName);

}  // namespace vrel
