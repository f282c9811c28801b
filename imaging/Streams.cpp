#include "imaging/Streams.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace vrel {

namespace {

[[noreturn]] void RaiseReadError() {
  throw EReadError(std::string(kReadErrorMessage));
}

}  // namespace

std::uint64_t TInputStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::uint64_t base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning:
      base = 0;
      break;
    case TSeekOrigin::soCurrent:
      base = position_;
      break;
    case TSeekOrigin::soEnd:
      base = Size();
      break;
  }
  if (offset < 0) {
    const std::uint64_t back = offset == std::numeric_limits<std::int64_t>::min() ? std::uint64_t{1} << 63
                                                                                  : static_cast<std::uint64_t>(-offset);
    if (back > base)
      RaiseReadError();
    position_ = base - back;
  } else {
    const auto forward = static_cast<std::uint64_t>(offset);
    if (forward > std::numeric_limits<std::uint64_t>::max() - base)
      RaiseReadError();
    position_ = base + forward;
  }
  return position_;
}

std::size_t TInputStream::Read(std::span<std::uint8_t> buffer) {
  const std::uint64_t left = Remaining();
  const std::size_t count = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
  if (count > 0) {
    ReadAt(position_, buffer.first(count));
    position_ += count;
  }
  return count;
}

void TInputStream::ReadBuffer(std::span<std::uint8_t> buffer) {
  if (buffer.size() > Remaining())
    RaiseReadError();
  Read(buffer);
}

std::vector<std::uint8_t> TInputStream::ReadBytes(std::size_t count) {
  if (count > Remaining())
    RaiseReadError();
  std::vector<std::uint8_t> bytes(count);
  Read(bytes);
  return bytes;
}

std::vector<std::uint8_t> TInputStream::ReadToEnd() {
  const std::uint64_t left = Remaining();
  if (left > std::numeric_limits<std::size_t>::max() / 2)
    RaiseReadError();
  return ReadBytes(static_cast<std::size_t>(left));
}

std::uint8_t TInputStream::ReadByte() {
  std::uint8_t b[1];
  ReadBuffer(b);
  return b[0];
}

std::uint16_t TInputStream::ReadU16LE() {
  std::uint8_t b[2];
  ReadBuffer(b);
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint16_t TInputStream::ReadU16BE() {
  std::uint8_t b[2];
  ReadBuffer(b);
  return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

std::uint32_t TInputStream::ReadU32LE() {
  std::uint8_t b[4];
  ReadBuffer(b);
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

std::uint32_t TInputStream::ReadU32BE() {
  std::uint8_t b[4];
  ReadBuffer(b);
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
}

std::span<const std::uint8_t> TMemoryInputStream::MemoryView() const {
  return Position() < bytes_.size() ? std::span(bytes_).subspan(static_cast<std::size_t>(Position()))
                                    : std::span<const std::uint8_t>();
}

void TMemoryInputStream::ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) {
  std::memcpy(buffer.data(), bytes_.data() + at, buffer.size());
}

TFileInputStream::TFileInputStream(const std::string& fileName)
    : fileName_(fileName), file_(fileName, std::numeric_limits<std::uint64_t>::max()) {
  if (!file_.Ok()) {
    const std::string why = file_.Status() == TFileReadStatus::NotRegular ? "It is not a regular file." : file_.Error();
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + why);
  }
}

void TFileInputStream::ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got =
        ::pread(file_.Descriptor(), buffer.data() + done, buffer.size() - done, static_cast<off_t>(at + done));
    if (got < 0 && errno == EINTR)
      continue;
    // A file that shrank since it was opened reads as an error, never as stale bytes.
    if (got <= 0)
      RaiseReadError();
    done += static_cast<std::size_t>(got);
  }
}

TRestOfStream::TRestOfStream(TInputStream& stream) : bytes_(stream.MemoryView()) {
  if (bytes_.empty()) {
    copy_ = stream.ReadToEnd();
    bytes_ = copy_;
  } else {
    stream.Seek(0, TSeekOrigin::soEnd);
  }
}

void TOutputStream::WriteByte(std::uint8_t value) {
  const std::uint8_t b[1] = {value};
  Write(b);
}

void TOutputStream::WriteU16LE(std::uint16_t value) {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
  Write(b);
}

void TMemoryOutputStream::Write(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName) {
  TFileInputStream stream(fileName);
  return stream.ReadToEnd();
}

}  // namespace vrel
