#include "platform/Streams.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>
#include <unistd.h>

namespace Platform {

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count > 0 && Read(buffer, count) != count)
    throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count > 0 && Write(buffer, count) != count)
    throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&source)) {
    const auto position = memory->Position();
    // A position outside the block (Seek does not clamp) must not become a pointer.
    if (count < 0 || position < 0 || position > memory->Size() || count > memory->Size() - position)
      throw EReadError();
    WriteBuffer(memory->Memory() + position, count);
    memory->Seek(count, TSeekOrigin::soCurrent);
    return count;
  }
  constexpr std::int64_t chunk = 64 * 1024;
  // Every byte of the staging buffer is read before it is written on, so it starts unfilled.
  const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(
      static_cast<std::size_t>(std::min(std::max<std::int64_t>(count, 0), chunk)));
  for (std::int64_t left = count; left > 0;) {
    const auto n = std::min(left, chunk);
    source.ReadBuffer(buffer.get(), n);
    WriteBuffer(buffer.get(), n);
    left -= n;
  }
  return count;
}

// --- TCustomMemoryStream -------------------------------------------------------

std::int64_t TCustomMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize)
    return 0;
  const auto n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
  case TSeekOrigin::soBeginning: FPosition = offset; break;
  case TSeekOrigin::soCurrent: FPosition += offset; break;
  case TSeekOrigin::soEnd: FPosition = FSize + offset; break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// --- TMemoryStream ---------------------------------------------------------------

TMemoryStream::~TMemoryStream() { ReleaseBuffer(); }

void TMemoryStream::ReleaseBuffer() {
  std::free(Memory());
  SetPointer(nullptr, 0);
  FCapacity = 0;
}

void TMemoryStream::Realloc(std::int64_t newCapacity) {
  if (newCapacity == FCapacity)
    return;
  if (newCapacity <= 0) {
    ReleaseBuffer();
    return;
  }
  auto* memory = static_cast<std::uint8_t*>(std::realloc(Memory(), static_cast<std::size_t>(newCapacity)));
  if (memory == nullptr)
    throw EStreamError("Kein Speicher mehr für den Stream");
  SetPointer(memory, std::min(Size(), newCapacity));
  FCapacity = newCapacity;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0)
    throw EStreamError("Ungültige Stream-Größe");
  const auto oldPosition = FPosition;
  const auto oldSize = Size();
  if (newSize > FCapacity)
    Realloc(newSize);
  else if (newSize == 0)
    Realloc(0);
  SetPointer(Memory(), newSize);
  // New bytes read as zeros rather than whatever the heap held before.
  if (newSize > oldSize)
    std::memset(Memory() + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  if (oldPosition > newSize)
    Seek(0, TSeekOrigin::soEnd);
}

void TMemoryStream::SetSizeForOverwrite(std::int64_t newSize) {
  if (newSize < 0)
    throw EStreamError("Ungültige Stream-Größe");
  const auto oldPosition = FPosition;
  if (newSize > FCapacity)
    Realloc(newSize);
  else if (newSize == 0)
    Realloc(0);
  SetPointer(Memory(), newSize);
  if (oldPosition > newSize)
    Seek(0, TSeekOrigin::soEnd);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || FPosition < 0 || count > std::numeric_limits<std::int64_t>::max() / 2 - FPosition)
    return 0;
  const auto end = FPosition + count;
  const auto oldSize = Size();
  if (end > oldSize) {
    if (end > FCapacity) {
      // Grow geometrically so that many small writes stay linear overall.
      auto capacity = std::max<std::int64_t>(end, FCapacity + FCapacity / 2);
      capacity = (capacity + 0xFFF) & ~std::int64_t{0xFFF};
      Realloc(capacity);
    }
    SetPointer(Memory(), end);
    // A write past the end leaves a gap of zeros, not stale heap bytes.
    if (FPosition > oldSize)
      std::memset(Memory() + oldSize, 0, static_cast<std::size_t>(FPosition - oldSize));
  }
  std::memcpy(Memory() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition = end;
  return count;
}

void TMemoryStream::Swap(TMemoryStream& other) noexcept {
  auto* memory = Memory();
  const auto size = Size();
  SetPointer(other.Memory(), other.Size());
  other.SetPointer(memory, size);
  std::swap(FPosition, other.FPosition);
  std::swap(FCapacity, other.FCapacity);
}

void TMemoryStream::Clear() {
  Realloc(0);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const auto count = stream.Size();
  SetSize(count);
  if (count != 0)
    stream.ReadBuffer(Memory(), count);
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

// --- TFileStream -------------------------------------------------------------------

namespace {
constexpr std::int64_t ReadAheadSize = 16 * 1024;
} // namespace

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode) : FFileName(fileName) {
  // fmCreate may come combined with share flags; it still means create or truncate.
  if ((mode & fmCreate) == fmCreate) {
    FHandle = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError(fileName, errno);
    return;
  }
  int flags = O_CLOEXEC;
  switch (mode & 0x3) {
  case fmOpenWrite: flags |= O_WRONLY; break;
  case fmOpenReadWrite: flags |= O_RDWR; break;
  default:
    flags |= O_RDONLY;
    FReadOnly = true;
    break;
  }
  FHandle = ::open(fileName.c_str(), flags);
  if (FHandle < 0)
    throw EFOpenError(fileName, errno);
  struct stat info {};
  if (::fstat(FHandle, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError(fileName, EISDIR);
  }
}

TFileStream::TFileStream(int readHandle, const std::string& fileName)
    : FFileName(fileName), FHandle(readHandle), FReadOnly(true) {}

TFileStream::~TFileStream() {
  if (FHandle >= 0)
    ::close(FHandle);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || FPosition < 0)
    return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    // Serve from the read-ahead buffer where it covers the position.
    if (FPosition >= FBufferStart && FPosition < FBufferStart + FBufferLength) {
      const auto offset = FPosition - FBufferStart;
      const auto n = std::min(count - done, FBufferLength - offset);
      std::memcpy(out + done, FBuffer.get() + offset, static_cast<std::size_t>(n));
      done += n;
      FPosition += n;
      continue;
    }
    const auto left = count - done;
    if (left >= ReadAheadSize) {
      const auto n = ::pread(FHandle, out + done, static_cast<std::size_t>(left), FPosition);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        break;
      FBytesFetched += n;
      done += n;
      FPosition += n;
      continue;
    }
    if (!FBuffer)
      FBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(ReadAheadSize));
    const auto n = ::pread(FHandle, FBuffer.get(), static_cast<std::size_t>(ReadAheadSize), FPosition);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      FBufferLength = 0;
      break;
    }
    FBytesFetched += n;
    FBufferStart = FPosition;
    FBufferLength = n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || FPosition < 0)
    return 0;
  FBufferLength = 0; // the cached bytes may no longer match the file
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const auto n = ::pwrite(FHandle, in + done, static_cast<std::size_t>(count - done), FPosition);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    done += n;
    FPosition += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
  case TSeekOrigin::soBeginning: FPosition = offset; break;
  case TSeekOrigin::soCurrent: FPosition += offset; break;
  case TSeekOrigin::soEnd: FPosition = Size() + offset; break;
  }
  return FPosition;
}

std::int64_t TFileStream::Size() const {
  if (FKnownSize >= 0)
    return FKnownSize;
  struct stat info {};
  if (::fstat(FHandle, &info) != 0)
    return 0;
  if (FReadOnly)
    FKnownSize = info.st_size;
  return info.st_size;
}

void TFileStream::SetSize(std::int64_t newSize) {
  FBufferLength = 0;
  if (newSize < 0 || ::ftruncate(FHandle, newSize) != 0)
    throw EWriteError();
  if (FPosition > newSize)
    FPosition = newSize;
}

void TFileStream::Flush() {
  if (::fsync(FHandle) != 0)
    throw EWriteError();
}

} // namespace Platform
