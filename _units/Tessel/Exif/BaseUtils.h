#pragma once

// Value records, metadata blocks, JPEG segments and Photoshop resource blocks: the
// containers every metadata kind is read from and written into.

#include "Tessel/Exif/Consts.h"
#include "Tessel/Exif/StreamHelper.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Set.h"
#include "platform/Streams.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Tessel::Exif {

using Platform::TDateTime;

// ---------------------------------------------------------------------------------
// Exceptions

class ETesselExifException : public Platform::Exception {
public:
  using Platform::Exception::Exception;
};

class EUnsupportedGraphicFormat : public ETesselExifException {
public:
  EUnsupportedGraphicFormat() : ETesselExifException(Consts::SUnsupportedGraphicFormat) {}
};

class EInvalidJPEGHeader : public ETesselExifException {
public:
  EInvalidJPEGHeader() : ETesselExifException(Consts::SInvalidJPEGHeader) {}
};

class EInvalidPSDHeader : public ETesselExifException {
public:
  EInvalidPSDHeader() : ETesselExifException(Consts::SInvalidPSDHeader) {}
};

class EInvalidTiffData : public ETesselExifException {
public:
  EInvalidTiffData() : ETesselExifException(Consts::SInvalidTiffData) {}

protected:
  explicit EInvalidTiffData(std::string message) : ETesselExifException(std::move(message)) {}
};

class ETagAlreadyExists : public EInvalidTiffData {
public:
  explicit ETagAlreadyExists(int tagID);
};

// A JPEG segment's length field is 16 bits: more than 65533 data bytes cannot be written.
class EJPEGSegmentTooLarge : public ETesselExifException {
public:
  explicit EJPEGSegmentTooLarge(std::int64_t dataSize);
};

// ---------------------------------------------------------------------------------
// Load errors

enum class TMetadataLoadError : std::uint8_t { leBadOffset, leBadTagCount, leBadTagHeader };
using TMetadataLoadErrors = Platform::TSet<TMetadataLoadError>;

// ---------------------------------------------------------------------------------
// IPTC record header

using TIPTCSectionID = std::uint8_t; // 1..9, the IIM record number
using TIPTCTagID = std::uint8_t;     // the IIM dataset number

struct TIPTCTagHeader {
  TIPTCSectionID SectionID = 0;
  TIPTCTagID TagID = 0;
  std::int32_t DataSize = 0;
};

// Reads one IIM dataset header; see the implementation for the length forms accepted.
bool TryReadIPTCHeader(TStream& stream, TIPTCTagHeader& header, bool peekOnly = false);

// ---------------------------------------------------------------------------------
// Nullable value records

struct TLongIntTagValue;
struct TLongWordTagValue;

struct TWordTagValue {
  std::uint16_t FValue = 0;
  bool FMissingOrInvalid = true;

  constexpr TWordTagValue() = default;
  constexpr TWordTagValue(std::uint16_t value) : FValue(value), FMissingOrInvalid(false) {} // NOLINT(implicit)
  static TWordTagValue CreateFromString(std::string_view text);
  static constexpr TWordTagValue CreateMissingOrInvalid() { return {}; }

  [[nodiscard]] constexpr bool MissingOrInvalid() const { return FMissingOrInvalid; }
  [[nodiscard]] constexpr std::uint16_t Value() const { return FValue; }
  constexpr operator std::uint16_t() const { return FValue; } // NOLINT(implicit)
  operator TLongIntTagValue() const;                          // NOLINT(implicit)
  operator TLongWordTagValue() const;                         // NOLINT(implicit)
};

struct TLongWordTagValue {
  std::uint32_t FValue = 0;
  bool FMissingOrInvalid = true;

  constexpr TLongWordTagValue() = default;
  constexpr TLongWordTagValue(std::uint32_t value) : FValue(value), FMissingOrInvalid(false) {} // NOLINT(implicit)
  static TLongWordTagValue CreateFromString(std::string_view text);
  static constexpr TLongWordTagValue CreateMissingOrInvalid() { return {}; }

  [[nodiscard]] constexpr bool MissingOrInvalid() const { return FMissingOrInvalid; }
  [[nodiscard]] constexpr std::uint32_t Value() const { return FValue; }
  constexpr operator std::uint32_t() const { return FValue; } // NOLINT(implicit)
};

struct TLongIntTagValue {
  std::int32_t FValue = 0;
  bool FMissingOrInvalid = true;

  constexpr TLongIntTagValue() = default;
  constexpr TLongIntTagValue(std::int32_t value) : FValue(value), FMissingOrInvalid(false) {} // NOLINT(implicit)
  static TLongIntTagValue CreateFromString(std::string_view text);
  static constexpr TLongIntTagValue CreateMissingOrInvalid() { return {}; }

  [[nodiscard]] constexpr bool MissingOrInvalid() const { return FMissingOrInvalid; }
  [[nodiscard]] constexpr std::int32_t Value() const { return FValue; }
  constexpr operator std::int32_t() const { return FValue; } // NOLINT(implicit)
  constexpr TLongIntTagValue operator-() const {
    // The negation of the smallest value wraps, as the 32-bit arithmetic it mirrors.
    return FMissingOrInvalid ? TLongIntTagValue{}
                             : TLongIntTagValue(static_cast<std::int32_t>(0U - static_cast<std::uint32_t>(FValue)));
  }
};

inline constexpr TDateTime MissingDateTimeValue = -700000.0;

struct TDateTimeTagValue {
  TDateTime FValue = MissingDateTimeValue;

  constexpr TDateTimeTagValue() = default;
  constexpr TDateTimeTagValue(TDateTime value) : FValue(value) {} // NOLINT(implicit)
  static TDateTimeTagValue CreateFromString(std::string_view text);
  static constexpr TDateTimeTagValue CreateMissingOrInvalid() { return {}; }

  [[nodiscard]] constexpr bool MissingOrInvalid() const { return FValue < -693593.0; }
  [[nodiscard]] constexpr TDateTime Value() const { return FValue; }
  constexpr operator TDateTime() const { return FValue; } // NOLINT(implicit)
};

// Comparisons: '=' compares both fields (a missing date-time equals only a missing
// one); the orderings hold only between present values, except that <= and >= also
// hold between two missing ones.
namespace Detail {
template <typename T>
constexpr bool Missing(const T& v) {
  return v.MissingOrInvalid();
}
template <typename T>
constexpr bool Less(const T& a, const T& b) {
  return !Missing(a) && !Missing(b) && a.FValue < b.FValue;
}
template <typename T>
constexpr bool LessEqual(const T& a, const T& b) {
  if (Missing(a) && Missing(b))
    return true;
  return !Missing(a) && !Missing(b) && a.FValue <= b.FValue;
}
} // namespace Detail

#define TESSEL_TAG_VALUE_ORDERING(T)                                                                   \
  constexpr bool operator<(const T& a, const T& b) { return Detail::Less(a, b); }                      \
  constexpr bool operator>(const T& a, const T& b) { return Detail::Less(b, a); }                      \
  constexpr bool operator<=(const T& a, const T& b) { return Detail::LessEqual(a, b); }                \
  constexpr bool operator>=(const T& a, const T& b) { return Detail::LessEqual(b, a); }

constexpr bool operator==(const TWordTagValue& a, const TWordTagValue& b) {
  return a.FValue == b.FValue && a.FMissingOrInvalid == b.FMissingOrInvalid;
}
constexpr bool operator==(const TLongWordTagValue& a, const TLongWordTagValue& b) {
  return a.FValue == b.FValue && a.FMissingOrInvalid == b.FMissingOrInvalid;
}
constexpr bool operator==(const TLongIntTagValue& a, const TLongIntTagValue& b) {
  return a.FValue == b.FValue && a.FMissingOrInvalid == b.FMissingOrInvalid;
}
constexpr bool operator==(const TDateTimeTagValue& a, const TDateTimeTagValue& b) {
  if (a.MissingOrInvalid())
    return b.MissingOrInvalid();
  return a.FValue == b.FValue;
}
TESSEL_TAG_VALUE_ORDERING(TWordTagValue)
TESSEL_TAG_VALUE_ORDERING(TLongWordTagValue)
TESSEL_TAG_VALUE_ORDERING(TLongIntTagValue)
TESSEL_TAG_VALUE_ORDERING(TDateTimeTagValue)
#undef TESSEL_TAG_VALUE_ORDERING

inline TWordTagValue::operator TLongIntTagValue() const {
  TLongIntTagValue result;
  result.FValue = FValue;
  result.FMissingOrInvalid = FMissingOrInvalid;
  return result;
}
inline TWordTagValue::operator TLongWordTagValue() const {
  TLongWordTagValue result;
  result.FValue = FValue;
  result.FMissingOrInvalid = FMissingOrInvalid;
  return result;
}

// ---------------------------------------------------------------------------------
// Persistence and metadata blocks

// A metadata container the file writers can take as a payload.
class IStreamPersistEx : public Platform::IStreamPersist {
public:
  [[nodiscard]] virtual bool Empty() const = 0;
};

// Objects owned by a container (tags, sections) are handed out as interface references
// that do not own them: a shared_ptr with no control block.
class TNoRefCountInterfacedObject {
public:
  virtual ~TNoRefCountInterfacedObject() = default;
};

template <typename T>
[[nodiscard]] std::shared_ptr<T> NonOwningRef(T* object) {
  return std::shared_ptr<T>(std::shared_ptr<void>(), object);
}

// The data stream of a metadata block; can be switched to read-only.
class TMetadataBlockDataStream : public Platform::TMemoryStream {
public:
  ~TMetadataBlockDataStream() override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  void SetSize(std::int64_t newSize) override;

  [[nodiscard]] bool DisableChanges() const { return FDisableChanges; }
  void SetDisableChanges(bool value) { FDisableChanges = value; }

protected:
  void Realloc(std::int64_t newCapacity) override;

private:
  void CheckChangesAllowed() const;
  bool FDisableChanges = false;
};

class IMetadataBlock {
public:
  virtual ~IMetadataBlock() = default;
  [[nodiscard]] virtual TMetadataBlockDataStream& Data() const = 0;
  [[nodiscard]] virtual bool IsExifBlock(bool checkID = true) const = 0;
  [[nodiscard]] virtual bool IsIPTCBlock(bool checkID = true) const = 0;
  [[nodiscard]] virtual bool IsXMPBlock(bool checkID = true) const = 0;
};

class TMetadataBlock : public virtual IMetadataBlock {
public:
  using TDataStream = TMetadataBlockDataStream;

  explicit TMetadataBlock(Platform::IStreamPersist* dataSource = nullptr);
  TMetadataBlock(TStream& dataSource, std::int64_t bytesToRead);
  TMetadataBlock(const TMetadataBlock&) = delete;
  TMetadataBlock& operator=(const TMetadataBlock&) = delete;

  [[nodiscard]] TDataStream& Data() const override { return *FData; }
  [[nodiscard]] bool IsExifBlock(bool checkID = true) const override;
  [[nodiscard]] bool IsIPTCBlock(bool checkID = true) const override;
  [[nodiscard]] bool IsXMPBlock(bool checkID = true) const override;

protected:
  [[nodiscard]] virtual bool HasExifBlockID() const { return false; }
  [[nodiscard]] virtual bool HasIPTCBlockID() const { return false; }
  [[nodiscard]] virtual bool HasXMPBlockID() const { return false; }

private:
  std::unique_ptr<TDataStream> FData;
};

// A read-only stream over memory that its caller owns and keeps alive.
class TUserMemoryStream : public Platform::TCustomMemoryStream {
public:
  TUserMemoryStream(const void* memory, std::int64_t size) { ChangeMemory(memory, size); }
  void ChangeMemory(const void* newMemory, std::int64_t newSize);
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  void SetSize(std::int64_t newSize) override;
};

// The payload tests over raw bytes, shared by blocks and callers holding plain buffers.
[[nodiscard]] bool IsExifPayload(std::span<const std::uint8_t> data);
[[nodiscard]] bool IsXMPPayload(std::span<const std::uint8_t> data);

// "Exif" and two zero bytes, in front of the TIFF block of an APP1 segment.
inline constexpr std::string_view ExifHeader{"Exif\0\0", 6};
// The namespace URI plus a zero byte that opens an XMP APP1 segment.
inline constexpr std::string_view XMPSegmentHeader{"http://ns.adobe.com/xap/1.0/\0", 29};

// ---------------------------------------------------------------------------------
// Text routines

[[nodiscard]] std::string UTF8BytesToString(const void* data, std::size_t count);
[[nodiscard]] std::string BinToHexStr(const void* buffer, std::size_t count);

} // namespace Tessel::Exif
