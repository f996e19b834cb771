// JPEG segments: the header walk, the segment objects, the writers and the shared
// save-to-graphic routine.

#include "Tessel/Exif/BaseUtils.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <typeinfo>

namespace Tessel::Exif {

using Platform::TCustomMemoryStream;
using Platform::TMemoryStream;
using Platform::TSeekOrigin;

namespace {

constexpr std::int64_t ScanChunkSize = std::int64_t{64} * 1024;

// Bytes the stream still holds after its position (0 when it stands at or past the end).
std::int64_t BytesLeft(const TStream& stream) { return std::max<std::int64_t>(stream.Size() - stream.Position(), 0); }

// Copies count bytes from source's position; unlike CopyFrom, 0 copies nothing.
void CopyBytes(TStream& dest, TStream& source, std::int64_t count) {
  if (count > 0)
    dest.CopyFrom(source, count);
}

void CheckSegmentDataSize(std::int64_t dataSize) {
  if (dataSize < 0)
    throw Platform::ERangeError();
  if (dataSize > MaxJPEGSegmentDataSize)
    throw EJPEGSegmentTooLarge(dataSize);
}

// The EOI search over the picture data. A tested 0xFF consumes the byte after it, so the
// byte following a non-EOI pair is never tested itself. pendingFF carries a tested 0xFF
// whose partner lies in the next chunk. Answers the index of the 0xFF (-1: the last byte
// of the previous chunk).
std::optional<std::int64_t> FindEOI(std::span<const std::uint8_t> bytes, bool& pendingFF) {
  std::size_t i = 0;
  if (pendingFF && !bytes.empty()) {
    pendingFF = false;
    if (bytes[0] == jmEOI)
      return -1;
    i = 1;
  }
  while (i < bytes.size()) {
    // The next 0xFF, by the C library's scan rather than byte by byte.
    const auto* next = static_cast<const std::uint8_t*>(std::memchr(bytes.data() + i, 0xFF, bytes.size() - i));
    if (next == nullptr)
      break;
    i = static_cast<std::size_t>(next - bytes.data());
    if (i + 1 >= bytes.size()) {
      pendingFF = true;
      break;
    }
    if (bytes[i + 1] == jmEOI)
      return static_cast<std::int64_t>(i);
    i += 2;
  }
  return std::nullopt;
}

} // namespace

// --- Segments --------------------------------------------------------------------------

TUserJPEGSegment::TUserJPEGSegment(std::uint8_t markerNum, Platform::IStreamPersist* source)
    : TMetadataBlock(source), FMarkerNum(markerNum) {
  Data().SetPosition(0);
}

bool TUserJPEGSegment::IsAdobeApp13() const {
  FAdobeHeaderSize = 0;
  if (FMarkerNum != jmApp13 || Data().Size() < 20)
    return false;
  const auto bytes = Data().Bytes();
  const auto startsWith = [&bytes](std::string_view header) {
    return std::memcmp(bytes.data(), header.data(), header.size()) == 0;
  };
  if (startsWith(PhotoshopApp13Header))
    FAdobeHeaderSize = static_cast<std::int32_t>(PhotoshopApp13Header.size());
  else if (startsWith(OldPhotoshopApp13Header))
    FAdobeHeaderSize = static_cast<std::int32_t>(OldPhotoshopApp13Header.size());
  return FAdobeHeaderSize != 0;
}

TEnumeratorPtr<IAdobeResBlockEnumerator> TUserJPEGSegment::GetEnumerator() const {
  if (!IsAdobeApp13())
    return std::make_shared<TAdobeResBlockEnumerator>(nullptr, TStreamOwnership::soReference);
  Data().SetPosition(FAdobeHeaderSize);
  // The enumerator reads this segment's data stream, so it keeps the segment alive.
  return std::make_shared<TAdobeResBlockEnumerator>(&Data(), TStreamOwnership::soReference, weak_from_this().lock());
}

bool TUserJPEGSegment::IsIPTCBlock(bool checkID) const {
  for (const auto& block : *GetEnumerator())
    if (block->IsIPTCBlock(checkID))
      return true;
  return false;
}

void TUserJPEGSegment::LoadFromStream(TStream& stream) {
  Data().Clear();
  std::uint8_t marker = 0;
  do
    marker = ReadByte(stream);
  while (marker == 0xFF);
  FMarkerNum = marker;
  if (!JPEGMarkerHasLength(marker))
    return;
  std::uint16_t length = 0;
  if (!TryReadWord(stream, TEndianness::BigEndian, length))
    throw Platform::EReadError();
  // A length that cannot count itself, or data running past the end, is a cut-off segment.
  if (length < 2 || length - 2 > BytesLeft(stream))
    throw Platform::EReadError();
  try {
    CopyBytes(Data(), stream, length - 2);
  } catch (...) {
    Data().Clear();
    throw;
  }
  Data().SetPosition(0);
}

void TUserJPEGSegment::SaveToStream(TStream& stream) { WriteJPEGSegment(stream, *this); }

TFoundJPEGSegment::TFoundJPEGSegment(std::uint8_t markerNum, TStream& source, std::int32_t dataSize)
    : TUserJPEGSegment(markerNum), FOffset(source.Position() - (JPEGMarkerHasLength(markerNum) ? 4 : 2)) {
  if (dataSize <= 0)
    return;
  if (dataSize > BytesLeft(source))
    throw Platform::EReadError();
  auto& data = Data();
  if (dynamic_cast<const TCustomMemoryStream*>(&source) != nullptr) {
    data.CopyFrom(source, dataSize); // straight from the source's memory
  } else {
    // Read straight into the segment's own memory: no staging buffer, no growing.
    data.SetSizeForOverwrite(dataSize);
    source.ReadBuffer(data.Memory(), dataSize);
  }
  data.SetPosition(0);
}

std::int32_t TFoundJPEGSegment::TotalSize() const {
  return static_cast<std::int32_t>(Data().Size()) + (JPEGMarkerHasLength(MarkerNum()) ? 4 : 2);
}

// --- Parser ------------------------------------------------------------------------------

TJPEGHeaderParser::TJPEGHeaderParser(TStream* stream, const TJPEGMarkers& markersToLookFor, TStreamOwnership ownership)
    : FStream(stream, ownership), FMarkersToLookFor(markersToLookFor) {
  if (!FStream)
    throw EInvalidJPEGHeader();
  FStartPos = FStream->Position();
  std::uint8_t header[2];
  FStream->ReadBuffer(header, 2);
  if (header[0] != 0xFF || header[1] != jmSOI)
    throw EInvalidJPEGHeader();
  FSavedPos = FStartPos + 2;
}

void TJPEGHeaderParser::Finish() {
  FFinished = true;
  FStream.Reset(nullptr, TStreamOwnership::soReference); // frees an owned stream
}

bool TJPEGHeaderParser::MoveNext() {
  FCurrent.reset();
  if (!FStream || FFinished || FLastMarker == jmEOI) {
    Finish();
    return false;
  }
  auto& stream = *FStream;
  stream.SetPosition(FSavedPos);
  bool lengthBroken = false;
  for (;;) {
    if (ReadByte(stream) != 0xFF)
      break;
    std::uint8_t marker = 0;
    do
      marker = ReadByte(stream);
    while (marker == 0xFF);
    // Inside the picture data, stuffed bytes (FF 00) and restart markers belong to the
    // data: the scan goes on and is still searched for EOI afterwards.
    if (FLastMarker == jmSOS && !JPEGMarkerHasLength(marker) && marker != jmSOI && marker != jmEOI)
      continue;
    FLastMarker = marker;
    std::int32_t dataSize = 0;
    if (JPEGMarkerHasLength(marker)) {
      std::uint16_t length = 0;
      if (!TryReadWord(stream, TEndianness::BigEndian, length))
        throw Platform::EReadError();
      if (length < 2) {
        // Such a segment cannot be measured: the walk ends here, as at any other garbage.
        lengthBroken = true;
        break;
      }
      dataSize = length - 2;
    }
    if (FMarkersToLookFor.Contains(marker)) {
      FCurrent = std::make_shared<TFoundJPEGSegment>(marker, stream, dataSize);
      FSavedPos = stream.Position();
      return true;
    }
    if (marker == jmEOI)
      break;
    // The walk stops after the scan header: unless EOI is wanted, the picture data holds
    // nothing for it, so a file cut off in or right behind that header is no read error.
    if (marker == jmSOS && !FMarkersToLookFor.Contains(jmEOI)) {
      stream.Seek(std::min<std::int64_t>(dataSize, BytesLeft(stream)), TSeekOrigin::soCurrent);
      break;
    }
    stream.Seek(dataSize, TSeekOrigin::soCurrent);
  }
  if (!lengthBroken && FLastMarker == jmSOS && FMarkersToLookFor.Contains(jmEOI) && SearchForEOI())
    return true;
  Finish();
  return false;
}

bool TJPEGHeaderParser::SearchForEOI() {
  auto& stream = *FStream;
  FSavedPos = stream.Position();
  const auto size = stream.Size();
  bool pendingFF = false;
  std::optional<std::int64_t> found;
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&stream)) {
    if (FSavedPos >= 0 && FSavedPos < size)
      found = FindEOI(memory->Bytes().subspan(static_cast<std::size_t>(FSavedPos)), pendingFF);
    if (found)
      *found += FSavedPos;
  } else {
    // Other streams are scanned in chunks so that a large file costs no large buffer.
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::clamp<std::int64_t>(size - FSavedPos, 0, ScanChunkSize)));
    for (auto chunkStart = FSavedPos; !found && chunkStart < size;) {
      const auto count = std::min<std::int64_t>(ScanChunkSize, size - chunkStart);
      stream.SetPosition(chunkStart);
      stream.ReadBuffer(buffer.data(), count);
      found = FindEOI(std::span(buffer.data(), static_cast<std::size_t>(count)), pendingFF);
      if (found)
        *found += chunkStart;
      chunkStart += count;
    }
  }
  if (!found) {
    stream.Seek(0, TSeekOrigin::soEnd);
    return false;
  }
  stream.SetPosition(*found + 2);
  FCurrent = std::make_shared<TFoundJPEGSegment>(jmEOI, stream, 0);
  FLastMarker = jmEOI;
  return true;
}

TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(TStream& stream, const TJPEGMarkers& markersToLookFor) {
  return std::make_shared<TJPEGHeaderParser>(&stream, markersToLookFor, TStreamOwnership::soReference);
}

TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(std::unique_ptr<TStream> stream, const TJPEGMarkers& markersToLookFor) {
  return std::make_shared<TJPEGHeaderParser>(stream.release(), markersToLookFor, TStreamOwnership::soOwned);
}

// --- Tests and measures -------------------------------------------------------------------

bool HasJPEGHeader(TStream& stream) { return CheckSignature(stream, "\xFF\xD8", 2, true); }

bool HasJPEGHeader(const std::string& fileName) {
  Platform::TFileStream file(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  return HasJPEGHeader(file);
}

std::int64_t GetJPEGDataSize(TStream& stream, bool zeroIfNoEOI) {
  const auto start = stream.Position();
  struct TRestore {
    TStream& Stream;
    std::int64_t Position;
    ~TRestore() { Stream.SetPosition(Position); }
  } restore{stream, start};
  TJPEGHeaderParser parser(&stream, {jmEOI}, TStreamOwnership::soReference);
  if (parser.MoveNext())
    return parser.Current()->Offset() + 2 - start;
  return zeroIfNoEOI ? 0 : stream.Size() - start;
}

std::uint16_t SOFImageHeight(std::span<const std::uint8_t> sofData) {
  return sofData.size() < 3 ? 0 : static_cast<std::uint16_t>((sofData[1] << 8) | sofData[2]);
}

std::uint16_t SOFImageWidth(std::span<const std::uint8_t> sofData) {
  return sofData.size() < 5 ? 0 : static_cast<std::uint16_t>((sofData[3] << 8) | sofData[4]);
}

// --- Writers ---------------------------------------------------------------------------------

void WriteJPEGFileHeader(TStream& stream) { WriteRawString(stream, "\xFF\xD8"); }

void WriteJPEGSegment(TStream& stream, std::uint8_t markerNum, const void* data, std::int64_t dataSize) {
  CheckSegmentDataSize(dataSize);
  const auto length = static_cast<std::uint16_t>(dataSize + 2);
  const std::uint8_t header[4] = {0xFF, markerNum, static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length & 0xFF)};
  stream.WriteBuffer(header, 4);
  if (dataSize > 0 && data != nullptr)
    stream.WriteBuffer(data, dataSize);
}

void WriteJPEGSegment(TStream& stream, std::uint8_t markerNum, TStream& source, std::int64_t dataSize) {
  if (dataSize == 0) {
    source.SetPosition(0);
    dataSize = source.Size();
  }
  CheckSegmentDataSize(dataSize);
  if (dataSize == 0) {
    WriteJPEGSegment(stream, markerNum, nullptr, 0);
    return;
  }
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&source)) {
    const auto position = memory->Position();
    if (position < 0 || dataSize > memory->Size() - position)
      throw Platform::EReadError();
    WriteJPEGSegment(stream, markerNum, memory->Memory() + position, dataSize);
    memory->Seek(dataSize, TSeekOrigin::soCurrent);
    return;
  }
  // Read everything first so that a short source leaves the output untouched.
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(dataSize));
  source.ReadBuffer(buffer.data(), dataSize);
  WriteJPEGSegment(stream, markerNum, buffer.data(), dataSize);
}

void WriteJPEGSegment(TStream& stream, const IJPEGSegment& segment) {
  WriteJPEGSegment(stream, segment.MarkerNum(), segment.Data(), 0);
}

namespace {

// A segment ready to be written: its marker and its whole data.
struct TPendingSegment {
  std::uint8_t Marker = 0;
  TStream* Data = nullptr;
  std::unique_ptr<TMemoryStream> OwnedData;
};

// The APP1 segment for a payload: a segment as it is, anything else behind its header.
// Nothing (no segment) for a missing or empty payload.
std::optional<TPendingSegment> PrepareApp1(IStreamPersistEx* payload, std::string_view header) {
  if (payload == nullptr || payload->Empty())
    return std::nullopt;
  TPendingSegment result;
  if (auto* segment = dynamic_cast<IJPEGSegment*>(payload)) {
    result.Marker = segment->MarkerNum();
    result.Data = &segment->Data();
  } else {
    result.Marker = jmApp1;
    result.OwnedData = std::make_unique<TMemoryStream>();
    WriteRawString(*result.OwnedData, header);
    payload->SaveToStream(*result.OwnedData);
    result.Data = result.OwnedData.get();
  }
  CheckSegmentDataSize(result.Data->Size());
  return result;
}

} // namespace

void UpdateApp1JPEGSegments(TStream& inStream, TStream& outStream, IStreamPersistEx* exifData,
                            IStreamPersistEx* xmpPacket) {
  if (!HasJPEGHeader(inStream))
    throw EInvalidJPEGHeader();
  const auto start = inStream.Position();

  // The segments cut out of the input, in file order, and which of them move where.
  std::vector<std::shared_ptr<IFoundJPEGSegment>> removed;
  std::vector<std::shared_ptr<IFoundJPEGSegment>> app0Segments;
  std::shared_ptr<IFoundJPEGSegment> exifSegment;
  std::shared_ptr<IFoundJPEGSegment> xmpSegment;
  for (const auto& segment : *JPEGHeader(inStream, {jmApp0, jmApp1})) {
    if (segment->MarkerNum() == jmApp0) {
      app0Segments.push_back(segment);
    } else if (!exifSegment && segment->IsExifBlock(true)) {
      exifSegment = segment;
    } else if (!xmpSegment && segment->IsXMPBlock(true)) {
      xmpSegment = segment;
    } else {
      continue;
    }
    removed.push_back(segment);
  }
  const auto asPayload = [](const std::shared_ptr<IFoundJPEGSegment>& segment) {
    return dynamic_cast<IStreamPersistEx*>(segment.get());
  };
  // Both new segments are complete (and known to fit) before the output is touched.
  const auto exifApp1 = PrepareApp1(exifData != nullptr ? exifData : asPayload(exifSegment), ExifHeader);
  const auto xmpApp1 = PrepareApp1(xmpPacket != nullptr ? xmpPacket : asPayload(xmpSegment), XMPSegmentHeader);

  WriteJPEGFileHeader(outStream);
  for (const auto& segment : app0Segments)
    WriteJPEGSegment(outStream, *segment);
  for (const auto* app1 : {&exifApp1, &xmpApp1})
    if (*app1)
      WriteJPEGSegment(outStream, (*app1)->Marker, *(*app1)->Data, 0);

  inStream.SetPosition(start + 2);
  for (const auto& segment : removed) {
    CopyBytes(outStream, inStream, segment->Offset() - inStream.Position());
    inStream.SetPosition(segment->Offset() + segment->TotalSize());
  }
  CopyBytes(outStream, inStream, BytesLeft(inStream));
  outStream.SetSize(outStream.Position());
}

TJPEGMarkers RemoveJPEGSegments(TStream& inStream, TStream& outStream, const TJPEGMarkers& markers) {
  TJPEGMarkers result;
  auto copyMark = inStream.Position();
  for (const auto& segment : *JPEGHeader(inStream, markers - TJPEGMarkers{jmEOI})) {
    result.Include(segment->MarkerNum());
    if (segment->Offset() != copyMark) {
      inStream.SetPosition(copyMark);
      CopyBytes(outStream, inStream, segment->Offset() - copyMark);
    }
    copyMark = segment->Offset() + segment->TotalSize();
  }
  inStream.SetPosition(copyMark);
  CopyBytes(outStream, inStream, BytesLeft(inStream));
  return result;
}

// --- Save to graphic -------------------------------------------------------------------------

namespace {

// Below this a tail is simply copied.
constexpr std::int64_t MinSharedTail = 4096;

} // namespace

std::int64_t TTailSharingStream::Read(void* buffer, std::int64_t count) {
  const auto size = Size();
  if (count <= 0 || FPosition < 0 || FPosition >= size)
    return 0;
  const auto n = std::min(count, size - FPosition);
  auto* out = static_cast<std::uint8_t*>(buffer);
  const auto head = FHead.Size();
  std::int64_t done = 0;
  if (FPosition < head) {
    done = std::min(n, head - FPosition);
    std::memcpy(out, FHead.Memory() + FPosition, static_cast<std::size_t>(done));
  }
  if (done < n)
    std::memcpy(out + done, FSource.Memory() + FTailStart + (FPosition + done - head),
                static_cast<std::size_t>(n - done));
  FPosition += n;
  return n;
}

std::int64_t TTailSharingStream::Write(const void* buffer, std::int64_t count) {
  // The source's last bytes appended at the end are kept where they are.
  const auto address = reinterpret_cast<std::uintptr_t>(buffer);
  const auto sourceStart = reinterpret_cast<std::uintptr_t>(FSource.Memory());
  const auto sourceSize = FSource.Size();
  if (FTailSize == 0 && count >= MinSharedTail && FPosition == FHead.Size() && sourceStart != 0 &&
      count <= sourceSize && address == sourceStart + static_cast<std::uintptr_t>(sourceSize - count)) {
    FTailStart = sourceSize - count;
    FTailSize = count;
    FPosition += count;
    return count;
  }
  CopyTail();
  FHead.SetPosition(FPosition);
  const auto written = FHead.Write(buffer, count);
  FPosition = FHead.Position();
  return written;
}

std::int64_t TTailSharingStream::Seek(std::int64_t offset, Platform::TSeekOrigin origin) {
  switch (origin) {
  case TSeekOrigin::soBeginning: FPosition = offset; break;
  case TSeekOrigin::soCurrent: FPosition += offset; break;
  case TSeekOrigin::soEnd: FPosition = Size() + offset; break;
  }
  return FPosition;
}

void TTailSharingStream::SetSize(std::int64_t newSize) {
  if (newSize == Size())
    return;
  CopyTail();
  FHead.SetSize(newSize);
  FPosition = std::min(FPosition, newSize);
}

void TTailSharingStream::CopyTail() {
  if (FTailSize == 0)
    return;
  FHead.SetPosition(FHead.Size());
  FHead.WriteBuffer(FSource.Memory() + FTailStart, FTailSize);
  FTailSize = 0;
}

bool TTailSharingStream::SharesSourceBytes(std::int64_t position, const TStream& source, std::int64_t sourcePosition,
                                           std::int64_t count) const {
  const auto head = FHead.Size();
  return &source == &FSource && FTailSize > 0 && count >= 0 && position >= head &&
         position - head <= FTailSize - count && sourcePosition == FTailStart + (position - head);
}

std::span<const std::uint8_t> TTailSharingStream::View(std::int64_t position, std::int64_t count) const {
  const auto head = FHead.Size();
  if (count < 0 || position < 0 || position > Size() - count)
    return {};
  if (position <= head - count)
    return FHead.Bytes().subspan(static_cast<std::size_t>(position), static_cast<std::size_t>(count));
  if (position >= head)
    return FSource.Bytes().subspan(static_cast<std::size_t>(FTailStart + (position - head)),
                                   static_cast<std::size_t>(count));
  return {};
}

void TTailSharingStream::MoveInto(Platform::TMemoryStream& target) {
  // Only the source itself, still as it was, holds the tail where it is expected.
  if (&target != &FSource || FTailStart + FTailSize != target.Size())
    CopyTail();
  if (FTailSize == 0) {
    target.Swap(FHead);
    target.SetPosition(target.Size());
    return;
  }
  const auto head = FHead.Size();
  const auto size = head + FTailSize;
  // Growing may move the buffer (or fail, leaving it as it was); the tail moves after.
  if (size > target.Size())
    target.SetSizeForOverwrite(size);
  std::memmove(target.Memory() + head, target.Memory() + FTailStart, static_cast<std::size_t>(FTailSize));
  if (head > 0)
    std::memcpy(target.Memory(), FHead.Memory(), static_cast<std::size_t>(head));
  if (size < target.Size())
    target.SetSize(size);
  target.SetPosition(size);
  FTailSize = 0;
  FHead.Clear();
}

namespace {

TGraphicSaveMethod ChooseSaveMethod(TStream& stream, const TGetGraphicSaveMethod& getGraphicSaveMethod) {
  stream.SetPosition(0);
  TGraphicSaveMethod saveMethod;
  if (getGraphicSaveMethod)
    getGraphicSaveMethod(stream, saveMethod);
  if (!saveMethod)
    throw EUnsupportedGraphicFormat();
  stream.SetPosition(0);
  return saveMethod;
}

// Removes a temporary file however the save ends.
struct TTempFileRemover {
  std::string FileName;
  ~TTempFileRemover() {
    if (!FileName.empty())
      Platform::DeleteFile(FileName);
  }
};

} // namespace

void DoSaveToGraphic(TStream& stream, const TGetGraphicSaveMethod& getGraphicSaveMethod) {
  const auto saveMethod = ChooseSaveMethod(stream, getGraphicSaveMethod);
  // A plain memory stream gets its new content without a second copy of the picture
  // data: the output refers to it, and the stream is rewritten in place once complete.
  if (typeid(stream) == typeid(TMemoryStream)) {
    auto& target = static_cast<TMemoryStream&>(stream);
    TTailSharingStream output(target);
    saveMethod(stream, output);
    output.MoveInto(target);
    return;
  }
  // Small pictures are rebuilt in memory, large ones in a temporary file.
  TTempFileRemover remover;
  std::unique_ptr<TStream> output;
  if (stream.Size() < 0xFFFFFF) {
    output = std::make_unique<TMemoryStream>();
  } else {
    remover.FileName = Platform::CreateTempFile("fotarium-save-");
    output = std::make_unique<Platform::TFileStream>(remover.FileName, Platform::fmOpenReadWrite);
  }
  saveMethod(stream, *output);
  // Only now that the new content is complete is the caller's stream rewritten.
  const auto size = output->Size();
  output->SetPosition(0);
  stream.SetPosition(0);
  CopyBytes(stream, *output, size);
  stream.SetSize(size);
}

void DoSaveToGraphic(const std::string& fileName, const TGetGraphicSaveMethod& getGraphicSaveMethod) {
  // Opened for writing although only read, so that a file the user may not change is
  // refused before anything happens, as an in-place rewrite would be.
  Platform::TFileStream input(fileName, Platform::fmOpenReadWrite);
  const auto saveMethod = ChooseSaveMethod(input, getGraphicSaveMethod);
  Platform::AtomicReplaceFile(fileName, [&](TStream& output) {
    input.SetPosition(0);
    saveMethod(input, output);
  });
}

} // namespace Tessel::Exif
