#pragma once

// Byte-level fixtures of the TIFF tests: a small builder for TIFF blocks in either byte
// order, streams over byte arrays and payloads with fixed bytes.

#include "Tessel/Exif/TiffUtils.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace TiffFixtures {

using Bytes = std::vector<std::uint8_t>;
using Tessel::Exif::TEndianness;

// One 12-byte entry; Field is the raw 4-byte value field in file order.
struct TEntry {
  std::uint16_t ID = 0;
  std::uint16_t Type = 0;
  std::uint32_t Count = 0;
  std::uint8_t Field[4] = {};
};

// Appends TIFF structures to a byte array; values go in the chosen byte order.
class TTiffBuilder {
public:
  explicit TTiffBuilder(bool bigEndian = false) : FBig(bigEndian) {}

  [[nodiscard]] bool Big() const { return FBig; }
  [[nodiscard]] std::uint32_t Size() const { return static_cast<std::uint32_t>(FBytes.size()); }
  [[nodiscard]] const Bytes& Data() const { return FBytes; }

  std::uint32_t Header(std::uint32_t firstIFD = 8) {
    const auto at = Size();
    Raw(FBig ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0});
    U32(firstIFD);
    return at;
  }

  // Value fields for inline data, placed left-justified as the format wants.
  [[nodiscard]] TEntry Short(std::uint16_t id, std::uint16_t value) const {
    TEntry e{id, 3, 1, {}};
    Put16(e.Field, value);
    return e;
  }
  [[nodiscard]] TEntry Long(std::uint16_t id, std::uint32_t value, std::uint16_t type = 4) const {
    TEntry e{id, type, 1, {}};
    Put32(e.Field, value);
    return e;
  }
  [[nodiscard]] TEntry Offset(std::uint16_t id, std::uint16_t type, std::uint32_t count, std::uint32_t offset) const {
    TEntry e{id, type, count, {}};
    Put32(e.Field, offset);
    return e;
  }
  [[nodiscard]] static TEntry Inline(std::uint16_t id, std::uint16_t type, std::uint32_t count, Bytes field) {
    TEntry e{id, type, count, {}};
    for (std::size_t i = 0; i < field.size() && i < 4; ++i)
      e.Field[i] = field[i];
    return e;
  }

  // count (16-bit), entries, next-IFD offset; answers the IFD's offset.
  std::uint32_t Ifd(const std::vector<TEntry>& entries, std::uint32_t next = 0) {
    const auto at = Size();
    U16(static_cast<std::uint16_t>(entries.size()));
    for (const auto& e : entries) {
      U16(e.ID);
      U16(e.Type);
      U32(e.Count);
      Raw(Bytes(e.Field, e.Field + 4));
    }
    U32(next);
    return at;
  }
  // Where entry index of the IFD at ifd keeps its value field, and its next-IFD field.
  [[nodiscard]] static std::uint32_t FieldOf(std::uint32_t ifd, std::uint32_t index) {
    return ifd + 2 + 12 * index + 8;
  }
  [[nodiscard]] static std::uint32_t NextOf(std::uint32_t ifd, std::uint32_t entryCount) {
    return ifd + 2 + 12 * entryCount;
  }

  std::uint32_t Raw(const Bytes& bytes) {
    const auto at = Size();
    FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
    return at;
  }
  std::uint32_t U16(std::uint16_t value) {
    std::uint8_t b[2];
    Put16(b, value);
    return Raw(Bytes(b, b + 2));
  }
  std::uint32_t U32(std::uint32_t value) {
    std::uint8_t b[4];
    Put32(b, value);
    return Raw(Bytes(b, b + 4));
  }
  void PadTo(std::uint32_t size, std::uint8_t fill = 0) {
    if (FBytes.size() < size)
      FBytes.resize(size, fill);
  }
  void Truncate(std::uint32_t size) { FBytes.resize(size); }
  void Patch32(std::uint32_t at, std::uint32_t value) { Put32(FBytes.data() + at, value); }
  void Patch16(std::uint32_t at, std::uint16_t value) { Put16(FBytes.data() + at, value); }

  void Put16(std::uint8_t* p, std::uint16_t v) const {
    p[FBig ? 0 : 1] = static_cast<std::uint8_t>(v >> 8);
    p[FBig ? 1 : 0] = static_cast<std::uint8_t>(v);
  }
  void Put32(std::uint8_t* p, std::uint32_t v) const {
    for (int i = 0; i < 4; ++i)
      p[FBig ? 3 - i : i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

private:
  bool FBig;
  Bytes FBytes;
};

inline std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

inline Bytes BytesOf(const Platform::TCustomMemoryStream& stream) {
  const auto span = stream.Bytes();
  return Bytes(span.begin(), span.end());
}

inline std::uint16_t LE16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t LE32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A payload that saves fixed bytes (no bytes answer Empty) and records what it loads.
class TBytesPayload : public Tessel::Exif::IStreamPersistEx {
public:
  explicit TBytesPayload(Bytes bytes = {}) : FBytes(std::move(bytes)) {}
  void LoadFromStream(Platform::TStream& stream) override {
    FBytes.resize(static_cast<std::size_t>(stream.Size() - stream.Position()));
    stream.ReadBuffer(FBytes.data(), static_cast<std::int64_t>(FBytes.size()));
  }
  void SaveToStream(Platform::TStream& stream) override {
    stream.WriteBuffer(FBytes.data(), static_cast<std::int64_t>(FBytes.size()));
  }
  [[nodiscard]] bool Empty() const override { return FBytes.empty(); }
  [[nodiscard]] const Bytes& Loaded() const { return FBytes; }

private:
  Bytes FBytes;
};

} // namespace TiffFixtures
