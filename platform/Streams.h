#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Platform {

enum class TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

// Whether a holder of a stream frees it when done (soOwned) or the caller keeps it.
enum class TStreamOwnership : std::uint8_t { soReference, soOwned };

// A sequence of bytes with a position. Read and Write move as many bytes as they
// can and say how many; ReadBuffer and WriteBuffer insist on all of them.
class TStream {
public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  [[nodiscard]] virtual std::int64_t Position() const = 0;
  void SetPosition(std::int64_t value) { Seek(value, TSeekOrigin::soBeginning); }
  [[nodiscard]] virtual std::int64_t Size() const = 0;
  virtual void SetSize(std::int64_t newSize) = 0;

  // Raise EReadError / EWriteError when fewer than count bytes move.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  void WriteBuffer(std::span<const std::uint8_t> bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  // Copies count bytes from source's position; count 0 copies all of source from its start.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over one block of memory; the block's owner is the derived class.
class TCustomMemoryStream : public TStream {
public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  [[nodiscard]] std::int64_t Position() const override { return FPosition; }
  [[nodiscard]] std::int64_t Size() const override { return FSize; }

  [[nodiscard]] std::uint8_t* Memory() const { return FMemory; }
  // The bytes from the start of the memory, whatever the position.
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const {
    return {FMemory, static_cast<std::size_t>(FSize)};
  }

  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& fileName) const;

protected:
  void SetPointer(std::uint8_t* memory, std::int64_t size) {
    FMemory = memory;
    FSize = size;
  }
  std::int64_t FPosition = 0;

private:
  std::uint8_t* FMemory = nullptr;
  std::int64_t FSize = 0;
};

// A growable memory stream that owns its buffer.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  std::int64_t Write(const void* buffer, std::int64_t count) override;
  void SetSize(std::int64_t newSize) override;
  // As SetSize, but the bytes added behind the old end are not zero-filled: for a caller
  // that fills every one of them at once.
  void SetSizeForOverwrite(std::int64_t newSize);

  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  [[nodiscard]] std::int64_t Capacity() const { return FCapacity; }
  // Exchanges buffers, sizes and positions with another memory stream: content moves
  // from one to the other without a byte being copied.
  void Swap(TMemoryStream& other) noexcept;

protected:
  // Every change of the buffer's size goes through here; a derived class may refuse it.
  virtual void Realloc(std::int64_t newCapacity);
  void ReleaseBuffer();

private:
  std::int64_t FCapacity = 0;
};

// File access modes, as combinable flags.
enum TFileMode : std::uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareDenyWrite = 0x0020,
  fmCreate = 0xFF00,
};

// A stream over a file. Reads go through a small read-ahead buffer so that the
// many 2- and 4-byte reads of metadata parsing cost no system call each.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, std::uint16_t mode);
  // Takes over a handle already open for reading (closed with the stream), so a caller that
  // has looked at the file through it need not open it again.
  TFileStream(int readHandle, const std::string& fileName);
  ~TFileStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  [[nodiscard]] std::int64_t Position() const override { return FPosition; }
  [[nodiscard]] std::int64_t Size() const override;
  void SetSize(std::int64_t newSize) override;

  [[nodiscard]] const std::string& FileName() const { return FFileName; }
  [[nodiscard]] int Handle() const { return FHandle; }
  // Bytes actually fetched from the file so far (what a reader cost in I/O).
  [[nodiscard]] std::int64_t BytesFetched() const { return FBytesFetched; }
  // Forces written data to the storage device.
  void Flush();

private:
  std::string FFileName;
  int FHandle = -1;
  std::int64_t FPosition = 0;
  // A read-only stream cannot change its file's size itself: it asks the system once.
  bool FReadOnly = false;
  mutable std::int64_t FKnownSize = -1;
  // Read-ahead bytes, allocated on the first read and not zero-filled.
  std::unique_ptr<std::uint8_t[]> FBuffer;
  std::int64_t FBufferStart = 0;
  std::int64_t FBufferLength = 0;
  std::int64_t FBytesFetched = 0;
};

// Holds a stream that may or may not be its own to free.
class TStreamHolder {
public:
  TStreamHolder() = default;
  TStreamHolder(TStream* stream, TStreamOwnership ownership) { Reset(stream, ownership); }
  explicit TStreamHolder(std::unique_ptr<TStream> owned) : FOwned(std::move(owned)), FStream(FOwned.get()) {}

  void Reset(TStream* stream, TStreamOwnership ownership) {
    FOwned.reset(ownership == TStreamOwnership::soOwned ? stream : nullptr);
    FStream = stream;
  }
  [[nodiscard]] TStream* Get() const { return FStream; }
  TStream* operator->() const { return FStream; }
  TStream& operator*() const { return *FStream; }
  explicit operator bool() const { return FStream != nullptr; }

private:
  std::unique_ptr<TStream> FOwned;
  TStream* FStream = nullptr;
};

// What a metadata container offers to the writers: load from and save to a stream.
class IStreamPersist {
public:
  virtual ~IStreamPersist() = default;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
};

} // namespace Platform
