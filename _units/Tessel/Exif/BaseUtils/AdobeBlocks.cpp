// Photoshop image resource blocks, their enumeration, and the PSD file header.

#include "Tessel/Exif/BaseUtils.h"

#include <algorithm>
#include <limits>

namespace Tessel::Exif {

namespace {

std::int64_t BytesLeft(const TStream& stream) { return std::max<std::int64_t>(stream.Size() - stream.Position(), 0); }

// A section length of the PSD header; it must be readable and not negative, and the
// section together with its length field must still be countable in 32 bits.
std::int32_t ReadPSDSectionLength(TStream& stream) {
  std::int32_t length = 0;
  if (!TryReadLongInt(stream, TEndianness::BigEndian, length) || length < 0 ||
      length > std::numeric_limits<std::int32_t>::max() - 4)
    throw EInvalidPSDHeader();
  return length;
}

} // namespace

// --- Blocks ------------------------------------------------------------------------------

TAdobeBlock::TAdobeBlock() { Clear(); }

TAdobeBlock::TAdobeBlock(TStream& stream) : TAdobeBlock() { LoadFromStream(stream); }

TAdobeBlock::TAdobeBlock(const std::string& signature, std::uint16_t typeID, const std::string& name,
                         Platform::IStreamPersist* dataSource)
    : TMetadataBlock(dataSource), FTypeID(typeID), FName(name) {
  TAdobeBlock::SetSignature(signature);
  Data().SetPosition(0);
}

void TAdobeBlock::Clear() {
  Data().Clear();
  FSignature = "    ";
  FTypeID = 0;
  FName.clear();
  FLoadedCleanly = true;
}

void TAdobeBlock::SetSignature(const std::string& value) {
  FSignature = value.substr(0, 4);
  FSignature.resize(4, ' ');
}

std::int32_t TAdobeBlock::TotalSize() const {
  const auto nameLength = static_cast<std::int64_t>(std::min<std::size_t>(FName.size(), 255));
  const auto dataSize = Data().Size();
  const auto total = 4 + 2 + 1 + nameLength + (nameLength % 2 == 0 ? 1 : 0) + 4 + dataSize + dataSize % 2;
  return static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
}

void TAdobeBlock::LoadFromStream(TStream& stream) {
  Clear();
  FLoadedCleanly = false;
  std::uint8_t head[7];
  if (!TryReadBuffer(stream, head, 7))
    return;
  FSignature.assign(reinterpret_cast<const char*>(head), 4);
  FTypeID = static_cast<std::uint16_t>((head[4] << 8) | head[5]);
  const std::uint8_t nameLength = head[6];
  std::string name(nameLength, '\0');
  if (!TryReadBuffer(stream, name.data(), nameLength))
    return;
  FName = std::move(name);
  std::uint8_t padding = 0;
  if (nameLength % 2 == 0 && !TryReadBuffer(stream, &padding, 1))
    return;
  std::int32_t dataSize = 0;
  if (!TryReadLongInt(stream, TEndianness::BigEndian, dataSize) || dataSize < 0)
    return;
  if (dataSize > 0) {
    // A size beyond the bytes present is a cut-off block: nothing is allocated for it.
    if (dataSize > BytesLeft(stream))
      return;
    Data().SetSize(dataSize);
    if (!TryReadBuffer(stream, Data().Memory(), dataSize)) {
      Data().Clear();
      return;
    }
    Data().SetPosition(0);
    if (dataSize % 2 != 0 && !TryReadBuffer(stream, &padding, 1))
      return;
  }
  FLoadedCleanly = true;
}

void TAdobeBlock::SaveToStream(TStream& stream) {
  WriteRawString(stream, FSignature);
  WriteWord(stream, FTypeID, TEndianness::BigEndian);
  const auto nameLength = static_cast<std::uint8_t>(std::min<std::size_t>(FName.size(), 255));
  stream.WriteBuffer(&nameLength, 1);
  WriteRawString(stream, std::string_view(FName).substr(0, nameLength));
  const std::uint8_t zero = 0;
  if (nameLength % 2 == 0)
    stream.WriteBuffer(&zero, 1);
  const auto bytes = Data().Bytes();
  WriteLongWord(stream, static_cast<std::uint32_t>(bytes.size()), TEndianness::BigEndian);
  stream.WriteBuffer(bytes);
  if (bytes.size() % 2 != 0)
    stream.WriteBuffer(&zero, 1);
}

std::shared_ptr<IAdobeResBlock> CreateAdobeBlock(std::uint16_t typeID, Platform::IStreamPersist* dataSource) {
  return std::make_shared<TAdobeBlock>(std::string(AdobeResourceSignature), typeID, std::string(), dataSource);
}

// --- Enumeration -------------------------------------------------------------------------

TAdobeResBlockEnumerator::TAdobeResBlockEnumerator(TStream* stream, TStreamOwnership ownership,
                                                   std::shared_ptr<const void> keepAlive)
    : FStream(stream, ownership), FStreamOwnership(ownership), FKeepAlive(std::move(keepAlive)) {
  if (stream != nullptr) {
    FNextPos = stream->Position();
    FPosTooFar = stream->Size();
  }
}

bool TAdobeResBlockEnumerator::MoveNext() {
  FCurrent.reset();
  // The smallest block (no name, no data) takes 12 bytes; anything shorter is not read.
  if (FStream && FPosTooFar - FNextPos > 12) {
    FStream->SetPosition(FNextPos);
    auto block = std::make_shared<TAdobeBlock>(*FStream);
    // A damaged block is still answered, but the enumeration ends behind it.
    FNextPos = block->LoadedCleanly() ? FStream->Position() : FPosTooFar;
    FCurrent = std::move(block);
    return true;
  }
  if (FStreamOwnership == TStreamOwnership::soOwned)
    FStream.Reset(nullptr, TStreamOwnership::soReference);
  return false;
}

TAdobeResBlockParser::TAdobeResBlockParser(TStream* stream, TStreamOwnership ownership, TPSDInfo& info)
    : TAdobeResBlockEnumerator(stream, ownership) {
  info = TPSDInfo{};
  if (stream == nullptr)
    throw EInvalidPSDHeader();
  auto& s = *stream;
  if (!CheckSignature(s, PSDSignature))
    throw EInvalidPSDHeader();
  std::uint16_t colorMode = 0;
  if (!TryReadWord(s, TEndianness::BigEndian, info.Header.Channels) ||
      !TryReadLongInt(s, TEndianness::BigEndian, info.Header.Height) ||
      !TryReadLongInt(s, TEndianness::BigEndian, info.Header.Width) ||
      !TryReadWord(s, TEndianness::BigEndian, info.Header.Depth) || !TryReadWord(s, TEndianness::BigEndian, colorMode))
    throw Platform::EReadError();
  info.Header.ColorMode = static_cast<TAdobeColorMode>(colorMode);

  const auto paletteSize = ReadPSDSectionLength(s);
  // Never allocate for colour-mode data the file does not hold.
  if (paletteSize > BytesLeft(s))
    throw Platform::EReadError();
  info.Header.PaletteData.resize(static_cast<std::size_t>(paletteSize));
  s.ReadBuffer(info.Header.PaletteData.data(), paletteSize);

  const auto resourcesLength = ReadPSDSectionLength(s);
  info.ResourceSectionSize = resourcesLength + 4;
  FNextPos = s.Position();
  FPosTooFar = std::min(s.Size(), FNextPos + resourcesLength);

  s.SetPosition(FNextPos + resourcesLength);
  info.LayersSectionSize = ReadPSDSectionLength(s) + 4;
}

TEnumeratorPtr<IAdobeResBlockParser> ParsePSDHeader(TStream& stream, TPSDInfo& info) {
  return std::make_shared<TAdobeResBlockParser>(&stream, TStreamOwnership::soReference, info);
}

TEnumeratorPtr<IAdobeResBlockParser> ParsePSDHeader(std::unique_ptr<TStream> stream, TPSDInfo& info) {
  return std::make_shared<TAdobeResBlockParser>(stream.release(), TStreamOwnership::soOwned, info);
}

bool HasPSDHeader(TStream& stream) { return CheckSignature(stream, PSDSignature, true); }

void WritePSDHeader(TStream& stream, const TPSDHeaderInfo& info) {
  constexpr auto be = TEndianness::BigEndian;
  WriteRawString(stream, PSDSignature);
  WriteWord(stream, info.Channels, be);
  WriteLongInt(stream, info.Height, be);
  WriteLongInt(stream, info.Width, be);
  WriteWord(stream, info.Depth, be);
  WriteWord(stream, static_cast<std::uint16_t>(info.ColorMode), be);
  WriteLongWord(stream, static_cast<std::uint32_t>(info.PaletteData.size()), be);
  stream.WriteBuffer(info.PaletteData);
}

void WritePSDResourceSection(TStream& stream, std::span<const std::shared_ptr<IAdobeResBlock>> blocks) {
  std::int64_t total = 0;
  for (const auto& block : blocks)
    if (block)
      total += block->TotalSize();
  // The reader takes section lengths as signed 32-bit values.
  if (total > std::numeric_limits<std::int32_t>::max())
    throw Platform::ERangeError();
  WriteLongWord(stream, static_cast<std::uint32_t>(total), TEndianness::BigEndian);
  if (total == 0)
    return;
  for (const auto& block : blocks)
    if (block)
      block->SaveToStream(stream);
}

std::shared_ptr<IJPEGSegment> CreateAdobeApp13Segment(std::span<const std::shared_ptr<IAdobeResBlock>> blocks) {
  auto total = static_cast<std::int64_t>(PhotoshopApp13Header.size());
  for (const auto& block : blocks)
    if (block)
      total += block->TotalSize();
  // Refused before anything is built: one segment cannot carry more.
  if (total > MaxJPEGSegmentDataSize)
    throw EJPEGSegmentTooLarge(total);
  auto segment = std::make_shared<TUserJPEGSegment>(jmApp13);
  WriteRawString(segment->Data(), PhotoshopApp13Header);
  for (const auto& block : blocks)
    if (block)
      block->SaveToStream(segment->Data());
  segment->Data().SetPosition(0);
  return segment;
}

} // namespace Tessel::Exif
