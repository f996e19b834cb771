#include "Tessel/Exif/BaseUtils.h"

#include "platform/FormatSettings.h"
#include "platform/Strings.h"

#include <array>
#include <cstring>
#include <limits>

namespace Tessel::Exif {

ETagAlreadyExists::ETagAlreadyExists(int tagID)
    : EInvalidTiffData(fmt::format(fmt::runtime(Consts::STagAlreadyExists), tagID)) {}

EJPEGSegmentTooLarge::EJPEGSegmentTooLarge(std::int64_t dataSize)
    : ETesselExifException(fmt::format(fmt::runtime(Consts::SJPEGSegmentTooLarge), dataSize)) {}

// --- IIM dataset header --------------------------------------------------------------

bool TryReadIPTCHeader(TStream& stream, TIPTCTagHeader& header, bool peekOnly) {
  const auto start = stream.Position();
  std::uint8_t bytes[5];
  if (!TryReadBuffer(stream, bytes, 5))
    return false;
  bool valid = bytes[0] == 0x1C && bytes[1] >= 1 && bytes[1] <= 9;
  std::int64_t dataSize = 0;
  if (valid) {
    const auto length = static_cast<std::uint16_t>((bytes[3] << 8) | bytes[4]);
    if ((length & 0x8000U) == 0) {
      dataSize = length;
    } else {
      // Only the three extended forms our own writer produces are understood.
      int extraBytes = 0;
      switch (length) {
      case 0xFFFC: extraBytes = 4; break;
      case 0xFFFE: extraBytes = 2; break;
      case 0xFFFF: extraBytes = 1; break;
      default: valid = false; break;
      }
      std::uint8_t extra[4] = {};
      if (valid && !TryReadBuffer(stream, extra, extraBytes))
        valid = false;
      for (int i = 0; valid && i < extraBytes; ++i)
        dataSize = (dataSize << 8) | extra[i];
      if (valid && extraBytes == 4)
        dataSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(dataSize));
    }
  }
  if (valid) {
    header.SectionID = bytes[1];
    header.TagID = bytes[2];
    header.DataSize = static_cast<std::int32_t>(dataSize);
  }
  if (peekOnly || !valid)
    stream.SetPosition(start);
  return valid;
}

// --- Value records -------------------------------------------------------------------

TWordTagValue TWordTagValue::CreateFromString(std::string_view text) {
  std::int32_t value = 0;
  if (Platform::TryStrToInt(text, value) && value >= 0 && value <= 0xFFFF)
    return {static_cast<std::uint16_t>(value)};
  return {};
}

TLongWordTagValue TLongWordTagValue::CreateFromString(std::string_view text) {
  std::int64_t value = 0;
  if (Platform::TryStrToInt64(text, value) && value >= 0 && value <= std::numeric_limits<std::uint32_t>::max())
    return {static_cast<std::uint32_t>(value)};
  return {};
}

TLongIntTagValue TLongIntTagValue::CreateFromString(std::string_view text) {
  std::int32_t value = 0;
  if (Platform::TryStrToInt(text, value))
    return {value};
  return {};
}

TDateTimeTagValue TDateTimeTagValue::CreateFromString(std::string_view text) {
  TDateTime value = 0;
  if (Platform::TryStrToDateTime(text, value, Platform::FormatSettings()))
    return {value};
  return {};
}

// --- Data streams --------------------------------------------------------------------

TMetadataBlockDataStream::~TMetadataBlockDataStream() {
  FDisableChanges = false;
  ReleaseBuffer();
}

void TMetadataBlockDataStream::CheckChangesAllowed() const {
  if (FDisableChanges)
    throw Platform::EStreamError(Consts::SStreamIsReadOnly);
}

std::int64_t TMetadataBlockDataStream::Write(const void* buffer, std::int64_t count) {
  CheckChangesAllowed();
  return TMemoryStream::Write(buffer, count);
}

void TMetadataBlockDataStream::SetSize(std::int64_t newSize) {
  CheckChangesAllowed();
  TMemoryStream::SetSize(newSize);
}

void TMetadataBlockDataStream::Realloc(std::int64_t newCapacity) {
  CheckChangesAllowed();
  TMemoryStream::Realloc(newCapacity);
}

void TUserMemoryStream::ChangeMemory(const void* newMemory, std::int64_t newSize) {
  // The memory is never written through this stream; the cast only fits the base's pointer type.
  SetPointer(static_cast<std::uint8_t*>(const_cast<void*>(newMemory)), newSize);
  FPosition = 0;
}

std::int64_t TUserMemoryStream::Write(const void* /*buffer*/, std::int64_t /*count*/) {
  throw Platform::EStreamError(Consts::SStreamIsReadOnly);
}

void TUserMemoryStream::SetSize(std::int64_t /*newSize*/) {
  throw Platform::EStreamError(Consts::SStreamIsReadOnly);
}

// --- Metadata blocks -----------------------------------------------------------------

TMetadataBlock::TMetadataBlock(Platform::IStreamPersist* dataSource) : FData(std::make_unique<TDataStream>()) {
  if (dataSource != nullptr)
    dataSource->SaveToStream(*FData);
}

TMetadataBlock::TMetadataBlock(TStream& dataSource, std::int64_t bytesToRead) : TMetadataBlock(nullptr) {
  if (bytesToRead > 0)
    FData->CopyFrom(dataSource, bytesToRead);
}

bool IsExifPayload(std::span<const std::uint8_t> data) {
  if (data.size() < 8)
    return false;
  std::size_t p = 0;
  if (std::memcmp(data.data(), ExifHeader.data(), ExifHeader.size()) == 0)
    p = ExifHeader.size();
  if (data.size() - p < 4)
    return false;
  const bool mark = (data[p] == 'I' && data[p + 1] == 'I') || (data[p] == 'M' && data[p + 1] == 'M');
  const auto magic = static_cast<std::uint16_t>(data[p + 2] | (data[p + 3] << 8));
  return mark && (magic == 0x002A || magic == 0x2A00);
}

namespace {

bool IsXMLSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t SkipBOMAndSpace(std::span<const std::uint8_t> data, std::size_t p) {
  if (data.size() - p >= 3 && data[p] == 0xEF && data[p + 1] == 0xBB && data[p + 2] == 0xBF)
    p += 3;
  while (p < data.size() && IsXMLSpace(data[p]))
    ++p;
  return p;
}

bool HasTextAt(std::span<const std::uint8_t> data, std::size_t p, std::string_view text) {
  return data.size() - p >= text.size() && std::memcmp(data.data() + p, text.data(), text.size()) == 0;
}

// Without the xpacket wrapper, a packet on its own (a TIFF tag, a Photoshop resource)
// is its bare x:xmpmeta (x:xapmeta in older files) or rdf:RDF element, perhaps behind a
// byte-order mark, white space and an XML declaration. Other XML is not taken for one.
bool StartsWithBareXMPElement(std::span<const std::uint8_t> data, std::size_t p) {
  p = SkipBOMAndSpace(data, p);
  if (HasTextAt(data, p, "<?xml")) {
    const std::string_view rest(reinterpret_cast<const char*>(data.data() + p), data.size() - p);
    const auto end = rest.find("?>");
    if (end == std::string_view::npos)
      return false;
    p = SkipBOMAndSpace(data, p + end + 2);
  }
  for (const std::string_view name : {"<x:xmpmeta", "<x:xapmeta", "<rdf:RDF"}) {
    if (!HasTextAt(data, p, name))
      continue;
    const auto next = p + name.size();
    return next < data.size() && (IsXMLSpace(data[next]) || data[next] == '>' || data[next] == '/');
  }
  return false;
}

} // namespace

bool IsXMPPayload(std::span<const std::uint8_t> data) {
  if (data.size() < 20)
    return false;
  std::size_t p = 0;
  if (HasTextAt(data, 0, XMPSegmentHeader)) {
    p = XMPSegmentHeader.size();
    if (data.size() - p < 10)
      return false;
    if (HasTextAt(data, p, "<?xpacket "))
      return true;
    // The xpacket wrapper is optional: behind the XMP segment signature a bare
    // x:xmpmeta or rdf:RDF element (as some phones write) is a packet as well.
    p = SkipBOMAndSpace(data, p);
    return p < data.size() && data[p] == '<';
  }
  return HasTextAt(data, 0, "<?xpacket ") || StartsWithBareXMPElement(data, 0);
}

bool TMetadataBlock::IsExifBlock(bool checkID) const {
  if (checkID && !HasExifBlockID())
    return false;
  return IsExifPayload(FData->Bytes());
}

bool TMetadataBlock::IsXMPBlock(bool checkID) const {
  if (checkID && !HasXMPBlockID())
    return false;
  return IsXMPPayload(FData->Bytes());
}

bool TMetadataBlock::IsIPTCBlock(bool checkID) const {
  FData->SetPosition(0);
  if (checkID && !HasIPTCBlockID())
    return false;
  TIPTCTagHeader header;
  return TryReadIPTCHeader(*FData, header, true);
}

// --- Text routines -------------------------------------------------------------------

std::string UTF8BytesToString(const void* data, std::size_t count) {
  if (count == 0)
    return {};
  return Platform::DecodeUTF8Lossy(std::string_view(static_cast<const char*>(data), count));
}

std::string BinToHexStr(const void* buffer, std::size_t count) {
  // Both digits of every byte value, so that each byte costs one lookup and one store
  // (maker notes and other UNDEFINED blobs run to many kilobytes).
  static constexpr auto pairs = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> table{};
    for (std::size_t i = 0; i < 256; ++i) {
      table[2 * i] = digits[i >> 4];
      table[2 * i + 1] = digits[i & 0xF];
    }
    return table;
  }();
  std::string result(count * 2, '0');
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  char* out = result.data();
  for (std::size_t i = 0; i < count; ++i)
    std::memcpy(out + 2 * i, pairs.data() + 2 * std::size_t{bytes[i]}, 2);
  return result;
}

} // namespace Tessel::Exif
