#pragma once

// Value records, metadata blocks, JPEG segments and Photoshop resource blocks: the
// containers every metadata kind is read from and written into.

#include "Tessel/Exif/Consts.h"
#include "Tessel/Exif/StreamHelper.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Set.h"
#include "platform/Streams.h"

#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
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

// ---------------------------------------------------------------------------------
// Range-for over the MoveNext/Current enumerators

namespace Tessel::Exif {

// Drives an enumerator with MoveNext/Current as an input iterator.
template <typename I>
class TEnumeratorIterator {
public:
  explicit TEnumeratorIterator(I* enumerator) : FEnumerator(enumerator), FDone(!enumerator || !enumerator->MoveNext()) {}
  auto operator*() const { return FEnumerator->Current(); }
  TEnumeratorIterator& operator++() {
    FDone = !FEnumerator->MoveNext();
    return *this;
  }
  bool operator==(std::default_sentinel_t) const { return FDone; }

private:
  I* FEnumerator;
  bool FDone;
};

// A shared reference to an enumerator. Dereferencing it yields a range that keeps the
// enumerator alive, so `for (auto segment : *JPEGHeader(stream, {0xE1}))` is safe although
// the pointer itself is a temporary that dies before the loop body runs.
template <typename I>
class TEnumeratorPtr : public std::shared_ptr<I> {
public:
  class TRange {
  public:
    explicit TRange(std::shared_ptr<I> enumerator) : FEnumerator(std::move(enumerator)) {}
    [[nodiscard]] TEnumeratorIterator<I> begin() const { return TEnumeratorIterator<I>(FEnumerator.get()); }
    [[nodiscard]] std::default_sentinel_t end() const { return {}; }
    I* operator->() const { return FEnumerator.get(); }
    operator I&() const { return *FEnumerator; } // NOLINT(implicit)

  private:
    std::shared_ptr<I> FEnumerator;
  };

  TEnumeratorPtr() = default;
  template <typename U>
    requires std::convertible_to<U*, I*>
  TEnumeratorPtr(std::shared_ptr<U> enumerator) : std::shared_ptr<I>(std::move(enumerator)) {} // NOLINT(implicit)

  TRange operator*() const { return TRange(*this); }
  [[nodiscard]] TEnumeratorIterator<I> begin() const { return TEnumeratorIterator<I>(this->get()); }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }
};

// ---------------------------------------------------------------------------------
// JPEG markers

inline constexpr std::uint8_t jmSOI = 0xD8;
inline constexpr std::uint8_t jmEOI = 0xD9;
inline constexpr std::uint8_t jmSOS = 0xDA;
inline constexpr std::uint8_t jmApp0 = 0xE0;
inline constexpr std::uint8_t jmApp1 = 0xE1;
inline constexpr std::uint8_t jmApp13 = 0xED;

// A set of marker bytes (bit n = marker n): `TJPEGMarkers{0xE1, 0xD9}`.
class TJPEGMarkers {
public:
  constexpr TJPEGMarkers() = default;
  constexpr TJPEGMarkers(std::initializer_list<std::uint8_t> markers) {
    for (const auto marker : markers)
      Include(marker);
  }
  [[nodiscard]] static constexpr TJPEGMarkers All() {
    TJPEGMarkers result;
    for (auto& word : result.FWords)
      word = ~std::uint64_t{0};
    return result;
  }

  constexpr TJPEGMarkers& Include(std::uint8_t marker) {
    FWords[marker / 64] |= std::uint64_t{1} << (marker % 64);
    return *this;
  }
  constexpr TJPEGMarkers& Exclude(std::uint8_t marker) {
    FWords[marker / 64] &= ~(std::uint64_t{1} << (marker % 64));
    return *this;
  }
  [[nodiscard]] constexpr bool Contains(std::uint8_t marker) const { return (FWords[marker / 64] >> (marker % 64)) & 1U; }
  [[nodiscard]] constexpr bool Empty() const { return *this == TJPEGMarkers(); }

  constexpr TJPEGMarkers operator+(const TJPEGMarkers& other) const {
    TJPEGMarkers result;
    for (std::size_t i = 0; i < FWords.size(); ++i)
      result.FWords[i] = FWords[i] | other.FWords[i];
    return result;
  }
  constexpr TJPEGMarkers operator-(const TJPEGMarkers& other) const {
    TJPEGMarkers result;
    for (std::size_t i = 0; i < FWords.size(); ++i)
      result.FWords[i] = FWords[i] & ~other.FWords[i];
    return result;
  }
  constexpr TJPEGMarkers operator*(const TJPEGMarkers& other) const {
    TJPEGMarkers result;
    for (std::size_t i = 0; i < FWords.size(); ++i)
      result.FWords[i] = FWords[i] & other.FWords[i];
    return result;
  }
  constexpr bool operator==(const TJPEGMarkers& other) const = default;

private:
  std::array<std::uint64_t, 4> FWords{};
};

// Markers without a length field: TEM, RST0..RST7, SOI and EOI (and the 0x00 of stuffed bytes).
[[nodiscard]] constexpr bool JPEGMarkerHasLength(std::uint8_t marker) {
  return !(marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9));
}

// The most data one segment can carry: its 16-bit length field counts itself.
inline constexpr std::int64_t MaxJPEGSegmentDataSize = 0xFFFF - 2;

// ---------------------------------------------------------------------------------
// Photoshop resource block interfaces (the classes follow the JPEG segments)

class IAdobeResBlock : public virtual IMetadataBlock {
public:
  [[nodiscard]] virtual std::string Signature() const = 0;
  virtual void SetSignature(const std::string& value) = 0;
  [[nodiscard]] virtual std::uint16_t TypeID() const = 0;
  virtual void SetTypeID(std::uint16_t value) = 0;
  // Stored as the file's single-byte text, not converted.
  [[nodiscard]] virtual std::string Name() const = 0;
  virtual void SetName(const std::string& value) = 0;
  [[nodiscard]] virtual std::int32_t TotalSize() const = 0;
  [[nodiscard]] virtual bool LoadedCleanly() const = 0;
  [[nodiscard]] virtual bool HasIPTCData() const = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
};

class IAdobeResBlockEnumerator {
public:
  virtual ~IAdobeResBlockEnumerator() = default;
  [[nodiscard]] virtual std::shared_ptr<IAdobeResBlock> Current() const = 0;
  virtual bool MoveNext() = 0;

  [[nodiscard]] TEnumeratorIterator<IAdobeResBlockEnumerator> begin() {
    return TEnumeratorIterator<IAdobeResBlockEnumerator>(this);
  }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }
};

// ---------------------------------------------------------------------------------
// JPEG segments

class IJPEGSegment : public virtual IMetadataBlock {
public:
  // The Photoshop resource blocks of an APP13 segment; empty for any other segment.
  [[nodiscard]] virtual TEnumeratorPtr<IAdobeResBlockEnumerator> GetEnumerator() const = 0;
  [[nodiscard]] virtual std::uint8_t MarkerNum() const = 0;
  [[nodiscard]] virtual bool IsAdobeApp13() const = 0;
};

class IFoundJPEGSegment : public virtual IJPEGSegment {
public:
  // Position of the 0xFF right before the marker byte.
  [[nodiscard]] virtual std::int64_t Offset() const = 0;
  [[nodiscard]] virtual std::int64_t OffsetOfData() const = 0;
  [[nodiscard]] virtual std::int32_t TotalSize() const = 0;
};

class IJPEGHeaderParser {
public:
  virtual ~IJPEGHeaderParser() = default;
  [[nodiscard]] virtual std::shared_ptr<IFoundJPEGSegment> Current() const = 0;
  [[nodiscard]] virtual std::shared_ptr<IJPEGHeaderParser> GetEnumerator() = 0;
  virtual bool MoveNext() = 0;

  [[nodiscard]] TEnumeratorIterator<IJPEGHeaderParser> begin() { return TEnumeratorIterator<IJPEGHeaderParser>(this); }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }
};

// A segment built in memory; its data stream holds the data bytes without marker and length.
class TUserJPEGSegment : public TMetadataBlock,
                         public virtual IJPEGSegment,
                         public IStreamPersistEx,
                         public std::enable_shared_from_this<TUserJPEGSegment> {
public:
  explicit TUserJPEGSegment(std::uint8_t markerNum = 0, Platform::IStreamPersist* source = nullptr);

  [[nodiscard]] TEnumeratorPtr<IAdobeResBlockEnumerator> GetEnumerator() const override;
  [[nodiscard]] std::uint8_t MarkerNum() const override { return FMarkerNum; }
  void SetMarkerNum(std::uint8_t value) { FMarkerNum = value; }
  [[nodiscard]] bool IsAdobeApp13() const override;
  // True when one of the Photoshop resource blocks holds IIM data.
  [[nodiscard]] bool IsIPTCBlock(bool checkID = true) const override;

  // Reads one segment from its first 0xFF (or its marker byte). A cut-off segment, and a
  // length field below 2 (which cannot count itself), leave the data empty and raise
  // EReadError; nothing is read beyond the stream's end.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  [[nodiscard]] bool Empty() const override { return Data().Size() == 0; }

protected:
  [[nodiscard]] bool HasExifBlockID() const override { return FMarkerNum == jmApp1; }
  [[nodiscard]] bool HasIPTCBlockID() const override { return FMarkerNum == jmApp13; }
  [[nodiscard]] bool HasXMPBlockID() const override { return FMarkerNum == jmApp1; }

private:
  mutable std::int32_t FAdobeHeaderSize = 0;
  std::uint8_t FMarkerNum;
};

// A segment read from a stream, with the position it was found at.
class TFoundJPEGSegment : public TUserJPEGSegment, public virtual IFoundJPEGSegment {
public:
  // The source stands right after the length field (or after the marker byte for
  // markers without one); dataSize bytes are read from there.
  TFoundJPEGSegment(std::uint8_t markerNum, TStream& source, std::int32_t dataSize);

  [[nodiscard]] std::int64_t Offset() const override { return FOffset; }
  [[nodiscard]] std::int64_t OffsetOfData() const override { return FOffset + 4; }
  [[nodiscard]] std::int32_t TotalSize() const override;

private:
  std::int64_t FOffset;
};

// Walks the segments of a JPEG stream from SOI up to the picture data and yields those
// whose markers were asked for. A byte other than 0xFF where a marker belongs, and a length
// field below 2, end the walk quietly; a stream that ends where a marker or a length belongs
// raises EReadError. With EOI among the markers the picture data after SOS is searched for it.
class TJPEGHeaderParser : public IJPEGHeaderParser, public std::enable_shared_from_this<TJPEGHeaderParser> {
public:
  TJPEGHeaderParser(TStream* stream, const TJPEGMarkers& markersToLookFor, TStreamOwnership ownership);

  [[nodiscard]] std::shared_ptr<IFoundJPEGSegment> Current() const override { return FCurrent; }
  [[nodiscard]] std::shared_ptr<IJPEGHeaderParser> GetEnumerator() override { return shared_from_this(); }
  bool MoveNext() override;

private:
  bool SearchForEOI();
  void Finish();

  Platform::TStreamHolder FStream; // first, so that an owned stream dies with a failed construction
  std::shared_ptr<IFoundJPEGSegment> FCurrent;
  std::uint8_t FLastMarker = 0;
  TJPEGMarkers FMarkersToLookFor;
  std::int64_t FSavedPos = 0;
  std::int64_t FStartPos = 0;
  bool FFinished = false;
};

// A parser at the stream's current position; the caller keeps the stream, or hands it over.
[[nodiscard]] TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(TStream& stream, const TJPEGMarkers& markersToLookFor);
[[nodiscard]] TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(std::unique_ptr<TStream> stream,
                                                           const TJPEGMarkers& markersToLookFor);

// FF D8 at the current position; the position never moves.
[[nodiscard]] bool HasJPEGHeader(TStream& stream);
[[nodiscard]] bool HasJPEGHeader(const std::string& fileName);
// Bytes from the current position up to and including the first EOI; without EOI, 0
// or the bytes left. The position is restored.
[[nodiscard]] std::int64_t GetJPEGDataSize(TStream& stream, bool zeroIfNoEOI = true);

// Image height and width from the data of a start-of-frame segment (0 when too short).
[[nodiscard]] std::uint16_t SOFImageHeight(std::span<const std::uint8_t> sofData);
[[nodiscard]] std::uint16_t SOFImageWidth(std::span<const std::uint8_t> sofData);

// Writers. Every segment writer refuses more than MaxJPEGSegmentDataSize data bytes with
// EJPEGSegmentTooLarge before it writes anything.
void WriteJPEGFileHeader(TStream& stream);
// Marker and length; then the data when some is given (a caller may stream it itself).
void WriteJPEGSegment(TStream& stream, std::uint8_t markerNum, const void* data, std::int64_t dataSize);
// dataSize 0 takes the whole of source from its start; otherwise dataSize bytes at
// source's position (EReadError before anything is written when they are not there).
void WriteJPEGSegment(TStream& stream, std::uint8_t markerNum, TStream& source, std::int64_t dataSize = 0);
void WriteJPEGSegment(TStream& stream, const IJPEGSegment& segment);

// Rebuilds a JPEG stream: SOI, the APP0 segments, the new EXIF APP1, the new XMP APP1,
// then the rest of the input byte for byte. A nil payload keeps the old segment, an
// empty one drops it. Both new segments are built before anything is written.
void UpdateApp1JPEGSegments(TStream& inStream, TStream& outStream, IStreamPersistEx* exifData,
                            IStreamPersistEx* xmpPacket);
// Copies the JPEG stream without the segments of those markers (never EOI) and answers
// the markers actually removed.
TJPEGMarkers RemoveJPEGSegments(TStream& inStream, TStream& outStream, const TJPEGMarkers& markers);

// Save-to-graphic: a saver writes a modified copy of its input; the chooser inspects a
// stream and assigns the saver that fits it, or leaves it empty.
using TGraphicSaveMethod = std::function<void(TStream& inStream, TStream& outStream)>;
using TGetGraphicSaveMethod = std::function<void(TStream& stream, TGraphicSaveMethod& saveMethod)>;

// The output of a save over a memory stream: what the saver writes, except that the
// source's last bytes (the picture data, copied at the end of a save) are held as a
// reference into the source instead of a copy. Reads, seeks and further writes see the
// whole content; anything but a plain append after the reference makes it a copy first.
// MoveInto then rewrites the source in place: the tail moves within its own buffer and
// the new head is written in front of it.
class TTailSharingStream : public TStream {
public:
  explicit TTailSharingStream(const Platform::TMemoryStream& source) : FSource(source) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, Platform::TSeekOrigin origin) override;
  [[nodiscard]] std::int64_t Position() const override { return FPosition; }
  [[nodiscard]] std::int64_t Size() const override { return FHead.Size() + FTailSize; }
  void SetSize(std::int64_t newSize) override;

  // True when count bytes at position are source's bytes at sourcePosition by reference
  // (source being this stream's source), so equal without a look.
  [[nodiscard]] bool SharesSourceBytes(std::int64_t position, const TStream& source, std::int64_t sourcePosition,
                                       std::int64_t count) const;
  // The count bytes at position where they lie in one piece of memory (in the head or in
  // the source); an empty span for a range across both or outside the content.
  [[nodiscard]] std::span<const std::uint8_t> View(std::int64_t position, std::int64_t count) const;
  // Makes target (the source) hold the content; target keeps its bytes if this throws.
  void MoveInto(Platform::TMemoryStream& target);

private:
  void CopyTail();

  const Platform::TMemoryStream& FSource;
  Platform::TMemoryStream FHead;
  std::int64_t FTailStart = 0; // in the source
  std::int64_t FTailSize = 0;
  std::int64_t FPosition = 0;
};

// The new content is built completely before the stream is rewritten; a failing saver
// leaves the stream untouched.
void DoSaveToGraphic(TStream& stream, const TGetGraphicSaveMethod& getGraphicSaveMethod);
// Atomic: the saver writes a new file next to the original, which replaces it (with the
// original's permissions) only when complete; on failure the original stays as it was.
void DoSaveToGraphic(const std::string& fileName, const TGetGraphicSaveMethod& getGraphicSaveMethod);

// ---------------------------------------------------------------------------------
// Photoshop resource blocks and the PSD header

inline constexpr std::uint16_t IPTCAdobeBlockID = 0x0404;
inline constexpr std::uint16_t ExifAdobeBlockID = 0x0422;
inline constexpr std::uint16_t XMPAdobeBlockID = 0x0424;

inline constexpr std::string_view AdobeResourceSignature{"8BIM"};
// The two headers an APP13 segment's resource blocks may stand behind.
inline constexpr std::string_view PhotoshopApp13Header{"Photoshop 3.0\0", 14};
inline constexpr std::string_view OldPhotoshopApp13Header{"Adobe_Photoshop2.5:"};
// "8BPS", version 1 and six reserved zero bytes.
inline constexpr std::string_view PSDSignature{"8BPS\0\1\0\0\0\0\0\0", 12};

class TAdobeBlock : public TMetadataBlock, public virtual IAdobeResBlock, public Platform::IStreamPersist {
public:
  TAdobeBlock();
  explicit TAdobeBlock(TStream& stream);
  TAdobeBlock(const std::string& signature, std::uint16_t typeID, const std::string& name,
              Platform::IStreamPersist* dataSource);

  void Clear();
  [[nodiscard]] std::string Signature() const override { return FSignature; }
  // Keeps the first four characters, padding a shorter text with spaces.
  void SetSignature(const std::string& value) override;
  [[nodiscard]] std::uint16_t TypeID() const override { return FTypeID; }
  void SetTypeID(std::uint16_t value) override { FTypeID = value; }
  [[nodiscard]] std::string Name() const override { return FName; }
  void SetName(const std::string& value) override { FName = value; }
  [[nodiscard]] std::int32_t TotalSize() const override;
  [[nodiscard]] bool LoadedCleanly() const override { return FLoadedCleanly; }
  [[nodiscard]] bool HasIPTCData() const override { return IsIPTCBlock(true); }
  // A cut-off block, or one whose data would run past the stream's end, stops the read
  // with LoadedCleanly False; no more data is allocated than the stream holds.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

protected:
  [[nodiscard]] bool HasExifBlockID() const override { return FTypeID == ExifAdobeBlockID; }
  [[nodiscard]] bool HasIPTCBlockID() const override { return FTypeID == IPTCAdobeBlockID; }
  [[nodiscard]] bool HasXMPBlockID() const override { return FTypeID == XMPAdobeBlockID; }

private:
  bool FLoadedCleanly = true;
  std::string FSignature;
  std::uint16_t FTypeID = 0;
  std::string FName;
};

class TAdobeResBlockEnumerator : public virtual IAdobeResBlockEnumerator,
                                 public std::enable_shared_from_this<TAdobeResBlockEnumerator> {
public:
  // Enumerates from the stream's position to its end; no stream gives no blocks.
  // keepAlive holds whatever owns a borrowed stream (a segment and its data).
  TAdobeResBlockEnumerator(TStream* stream, TStreamOwnership ownership,
                           std::shared_ptr<const void> keepAlive = nullptr);

  [[nodiscard]] std::shared_ptr<IAdobeResBlock> Current() const override { return FCurrent; }
  bool MoveNext() override;
  [[nodiscard]] TStream* Stream() const { return FStream.Get(); }

protected:
  Platform::TStreamHolder FStream;
  TStreamOwnership FStreamOwnership;
  std::shared_ptr<const void> FKeepAlive;
  std::shared_ptr<IAdobeResBlock> FCurrent;
  std::int64_t FNextPos = 0;
  std::int64_t FPosTooFar = 0;
};

enum class TAdobeColorMode : std::uint16_t {
  cmMonochrome, cmGrayscale, cmIndexed, cmRGB, cmCMYK, cmMultichannel, cmHalftone, cmLAB
};

// The colour mode holds the file's 16-bit value as stored; it is written back unchanged.
struct TPSDHeaderInfo {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t Channels = 0;
  std::uint16_t Depth = 0;
  TAdobeColorMode ColorMode = TAdobeColorMode::cmMonochrome;
  std::vector<std::uint8_t> PaletteData;
};

struct TPSDInfo {
  TPSDHeaderInfo Header;
  std::int32_t ResourceSectionSize = 0; // with its own 4-byte length field
  std::int32_t LayersSectionSize = 0;   // likewise
  [[nodiscard]] std::int64_t ResourceSectionOffset() const {
    return 30 + static_cast<std::int64_t>(Header.PaletteData.size());
  }
  [[nodiscard]] std::int64_t LayersSectionOffset() const { return ResourceSectionOffset() + ResourceSectionSize; }
};

class IAdobeResBlockParser : public virtual IAdobeResBlockEnumerator {
public:
  [[nodiscard]] virtual std::shared_ptr<IAdobeResBlockEnumerator> GetEnumerator() = 0;
};

// An enumerator over the image resources section of a PSD file.
class TAdobeResBlockParser : public TAdobeResBlockEnumerator, public virtual IAdobeResBlockParser {
public:
  TAdobeResBlockParser(TStream* stream, TStreamOwnership ownership, TPSDInfo& info);
  [[nodiscard]] std::shared_ptr<IAdobeResBlockEnumerator> GetEnumerator() override { return shared_from_this(); }
};

// Parses the PSD header at the stream's position into info; the answer enumerates the
// image resource blocks. The caller keeps the stream, or hands it over.
[[nodiscard]] TEnumeratorPtr<IAdobeResBlockParser> ParsePSDHeader(TStream& stream, TPSDInfo& info);
[[nodiscard]] TEnumeratorPtr<IAdobeResBlockParser> ParsePSDHeader(std::unique_ptr<TStream> stream, TPSDInfo& info);
[[nodiscard]] bool HasPSDHeader(TStream& stream);
void WritePSDHeader(TStream& stream, const TPSDHeaderInfo& info);
// The section's length, then the blocks (nil items are skipped).
void WritePSDResourceSection(TStream& stream, std::span<const std::shared_ptr<IAdobeResBlock>> blocks);

// A new APP13 segment: the Photoshop header, then the blocks (nil items are skipped).
// Raises EJPEGSegmentTooLarge when they do not fit into one segment.
[[nodiscard]] std::shared_ptr<IJPEGSegment> CreateAdobeApp13Segment(
    std::span<const std::shared_ptr<IAdobeResBlock>> blocks);
[[nodiscard]] std::shared_ptr<IAdobeResBlock> CreateAdobeBlock(std::uint16_t typeID,
                                                               Platform::IStreamPersist* dataSource);

// ----- Picture objects (BaseUtils/PictureObjects.cpp) -----
// The forms over a picture object: its saved bytes stand in for the stream, and a
// picture that changes is loaded back from the new bytes.

// A parser over a copy of the picture's bytes.
[[nodiscard]] TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(Platform::IStreamPersist& image,
                                                           const TJPEGMarkers& markersToLookFor);
// Nothing happens for an empty set; the picture is reloaded only when something was removed.
TJPEGMarkers RemoveJPEGSegments(Platform::IStreamPersist& image, const TJPEGMarkers& markers);
// The picture is reloaded from the rewritten bytes; a failing saver leaves it untouched.
void DoSaveToGraphic(Platform::IStreamPersist& graphic, const TGetGraphicSaveMethod& getGraphicSaveMethod);
// ----- end of picture objects -----

} // namespace Tessel::Exif
