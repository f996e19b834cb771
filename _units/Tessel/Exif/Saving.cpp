// Saving the EXIF model: the raw Exif block with its own layout (around the places kept
// for the maker note and the source bytes it refers to), and the savers that put it into
// JPEG, Photoshop and TIFF files next to the XMP packet and the IPTC data; the thumbnail
// scaling the block's size limit relies on.

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/JPEGImage.h"
#include "platform/Streams.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace Tessel::Exif {

namespace {

using enum TExifSectionKind;
using Platform::TMemoryStream;

// Runs action inside one update bracket of the container, so that the side effects of a
// save reach OnChange as one change (or none).
template <typename F> void InUpdate(TCustomExifData& data, F&& action) {
  data.BeginUpdate();
  try {
    action();
  } catch (...) {
    data.EndUpdate();
    throw;
  }
  data.EndUpdate();
}

constexpr TTiffTagID PointerTagID(TExifSectionKind kind) {
  switch (kind) {
  case esDetails: return ttExifOffset;
  case esInterop: return ttInteropOffset;
  case esGPS: return ttGPSOffset;
  case esThumbnail: return ttJPEGInterchangeFormat;
  default: return 0;
  }
}

// Stores a 4-byte element into a one-element tag; an equal value is no change.
template <typename T> void StoreElement(TExifTag& tag, T value) {
  static_assert(sizeof(T) == 4);
  if (std::memcmp(tag.DataPtr(), &value, sizeof value) != 0)
    tag.UpdateData(&value);
}

void StoreWord(TExifTag& tag, std::uint16_t value) {
  if (std::memcmp(tag.DataPtr(), &value, sizeof value) != 0)
    tag.UpdateData(&value);
}

bool IsSingleLongInt(const TExifTag* tag) {
  return tag != nullptr && tag->DataType() == TTiffDataType::tdLongInt && tag->ElementCount() == 1;
}

std::int32_t ReadLongInt(const TExifTag& tag) {
  std::int32_t value = 0;
  std::memcpy(&value, tag.DataPtr(), sizeof value);
  return value;
}

// One section on its way into the block.
struct TPreparedSection {
  TExtendableExifSection* Section = nullptr;
  bool Written = false;
  std::int64_t DirectorySize = 0;
  std::int64_t DataSize = 0;
  std::int64_t Offset = 0;
  // The pointer tags of this section and the section each one leads to.
  std::vector<std::pair<TExifSectionKind, TExifTag*>> Pointers;

  [[nodiscard]] std::int64_t Extent() const { return DirectorySize + DataSize; }
};

// Lays an Exif block out and writes it. Prepare brings the container's tags up to date
// (pointers, thumbnail tags, OffsetSchema) and may fail; Write only writes.
class TExifBlockWriter {
public:
  explicit TExifBlockWriter(TExifData& data) : FData(data) {
    for (const auto kind : {esGeneral, esDetails, esInterop, esGPS, esThumbnail})
      Prepared(kind).Section = data.GetSection(kind);
  }

  void Prepare() {
    if (FData.RemovePaddingTagsOnSave())
      for (const auto kind : WriteOrder)
        Prepared(kind).Section->RemovePaddingTag();
    PrepareSection(esInterop, {});
    PrepareSection(esGPS, {});
    DecideMakerNotePlace();
    PrepareSection(esDetails, {esInterop});
    if (FMakerNote != nullptr)
      Prepared(esDetails).DataSize -= FMakerNote->DataSize();
    PrepareThumbnail();
    PrepareSection(esGeneral, {esDetails, esGPS});
    Layout();
    StorePointers();
  }

  // The whole block at the stream's position, in one write.
  void Write(TStream& stream) const {
    TMemoryStream block;
    // Zero-filled, so that the gaps the layout leaves hold nothing stale.
    block.SetSize(FTotalSize);
    const auto endianness = FData.Endianness();
    block.SetPosition(0);
    WriteTiffHeader(block, endianness, static_cast<std::uint32_t>(Prepared(esGeneral).Offset));
    for (const auto kind : WriteOrder) {
      const auto& prepared = Prepared(kind);
      if (!prepared.Written)
        continue;
      std::uint32_t next = 0;
      if (kind == esGeneral && Prepared(esThumbnail).Written)
        next = static_cast<std::uint32_t>(Prepared(esThumbnail).Offset);
      WriteSection(block, prepared, next, endianness);
    }
    for (const auto& range : FReserved)
      if (range.Bytes != nullptr) {
        block.SetPosition(range.Start);
        block.WriteBuffer(*range.Bytes);
      }
    if (FMakerNote != nullptr) {
      block.SetPosition(FMakerNoteOffset);
      FMakerNote->WriteOffsetData(block, endianness);
    }
    stream.WriteBuffer(block.Bytes());
  }

  // Prepare has left OffsetSchema saying how far the note is from where its offsets
  // belong in the block written; the note's recorded place must say the same.
  void Written() const {
    if (FMakerNote != nullptr)
      FData.MakerNoteWrittenAt(FMakerNoteOffset);
  }

private:
  static constexpr std::array<TExifSectionKind, 5> WriteOrder{esGeneral, esDetails, esInterop, esGPS, esThumbnail};

  TPreparedSection& Prepared(TExifSectionKind kind) { return FPrepared[static_cast<std::size_t>(kind)]; }
  [[nodiscard]] const TPreparedSection& Prepared(TExifSectionKind kind) const {
    return FPrepared[static_cast<std::size_t>(kind)];
  }

  // Pointer tags first (a sub-directory that is written gets one, any other loses it),
  // then the sizes. Every section but IFD0 is left out when it has no tags.
  void PrepareSection(TExifSectionKind kind, std::initializer_list<TExifSectionKind> subSections) {
    auto& prepared = Prepared(kind);
    auto& section = *prepared.Section;
    for (const auto sub : subSections) {
      const auto id = PointerTagID(sub);
      if (sub == kind || Prepared(sub).Written)
        prepared.Pointers.emplace_back(sub, section.AddOrUpdate(id, TTiffDataType::tdLongWord, 1));
      else
        section.Remove(id);
    }
    if (kind != esGeneral && section.Count() == 0)
      return;
    prepared.Written = true;
    prepared.DirectorySize = 12 * static_cast<std::int64_t>(section.Count()) + 6;
    for (const auto* tag : section)
      if (tag->DataSize() > 4)
        prepared.DataSize += tag->DataSize();
  }

  // A maker note whose internal offsets may depend on its position goes back where it
  // was in the source block (or, when an earlier save moved it and said so in
  // OffsetSchema, where it was before that). Where it no longer fits there - it grew, or
  // that place is not inside a block an APP1 segment can carry - it goes behind
  // everything else, and OffsetSchema records how far it moved, so that its offsets still
  // lead to its data.
  void DecideMakerNotePlace() {
    auto& details = *Prepared(esDetails).Section;
    auto* makerNote = details.Find(ttMakerNote);
    if (makerNote == nullptr || makerNote->OriginalDataOffset() == 0 || makerNote->DataSize() <= 4)
      return;
    const std::int64_t origin = makerNote->OriginalDataOffset();
    auto* schema = details.Find(ttOffsetSchema);
    std::int64_t home = origin;
    bool returnsHome = false;
    if (IsSingleLongInt(schema) && origin - ReadLongInt(*schema) > 0) {
      home = origin - ReadLongInt(*schema);
      returnsHome = true;
    }
    // A displacement that OffsetSchema cannot hold: the note travels as plain data.
    if (home > std::numeric_limits<std::int32_t>::max())
      return;
    FMakerNote = makerNote;
    FMakerNoteHome = home;
    FReservedSize = std::max<std::int64_t>(makerNote->OriginalDataSize(), 0);
    const bool fits =
        home >= 8 && makerNote->DataSize() <= FReservedSize && home + FReservedSize <= TExifData::MaxExifBlockSize;
    if (fits) {
      FMakerNoteOffset = home;
      if (returnsHome)
        StoreElement<std::int32_t>(*schema, 0);
      ReserveMakerNoteExtents(home - origin);
      return;
    }
    FRelocated = true;
    FOffsetSchema = details.AddOrUpdate(ttOffsetSchema, TTiffDataType::tdLongInt, 1);
  }

  // The source bytes the note's entries refer to outside the note travel with it (by
  // shift); ranges that would leave the block or cover the header are not kept.
  void ReserveMakerNoteExtents(std::int64_t shift) {
    FReserved.push_back({FMakerNoteOffset, FMakerNoteOffset + FReservedSize, nullptr});
    for (const auto& extent : FData.MakerNoteExtents()) {
      const auto start = extent.Offset + shift;
      const auto end = start + static_cast<std::int64_t>(extent.Bytes.size());
      if (start >= 8 && end <= TExifData::MaxExifBlockSize)
        FReserved.push_back({start, end, &extent.Bytes});
    }
    std::sort(FReserved.begin(), FReserved.end(),
              [](const TReservedRange& a, const TReservedRange& b) { return a.Start < b.Start; });
  }

  // IFD1 is written whenever it has tags. A JPEG thumbnail picture goes behind it with
  // its pointer pair; without one, the strips of an uncompressed thumbnail as loaded do.
  // A pointer pair whose data is not here is dropped, the directory's other tags stay.
  void PrepareThumbnail() {
    auto& section = *Prepared(esThumbnail).Section;
    if (!FData.HasThumbnail()) {
      section.Remove({ttJPEGInterchangeFormat, ttJPEGInterchangeFormatLength});
      PrepareStrips(section);
      PrepareSection(esThumbnail, {});
      Prepared(esThumbnail).DataSize += static_cast<std::int64_t>(FThumbnailBytes.size());
      return;
    }
    // The strips described the picture that the JPEG thumbnail replaced.
    section.Remove({ttStripOffsets, ttStripByteCounts});
    auto& thumbnail = FData.Thumbnail();
    if (FData.ThumbnailAsLoaded() && KeepThumbnailAsLoaded(thumbnail)) {
      // Unchanged: its bytes and its Compression tag stay as the file had them.
      StoreElement(*section.AddOrUpdate(ttJPEGInterchangeFormatLength, TTiffDataType::tdLongWord, 1),
                   static_cast<std::uint32_t>(FThumbnailBytes.size()));
      PrepareSection(esThumbnail, {esThumbnail});
      Prepared(esThumbnail).DataSize += static_cast<std::int64_t>(FThumbnailBytes.size());
      return;
    }
    auto size = SaveThumbnail(thumbnail);
    if (size > TExifData::MaxThumbnailSize) {
      // Smaller and at a lower quality; a picture that is not scaled is re-encoded so
      // that the quality applies (and whatever it carried besides its pixels goes).
      if (thumbnail.CompressionQuality() > 90)
        thumbnail.SetCompressionQuality(90);
      const bool scaled = thumbnail.Width() > TExifData::StandardThumbnailWidth ||
                          thumbnail.Height() > TExifData::StandardThumbnailHeight;
      FData.StandardizeThumbnail();
      if (!scaled) {
        Platform::TBitmap pixels;
        thumbnail.Decode(pixels);
        thumbnail.Assign(pixels);
      }
      size = SaveThumbnail(thumbnail);
      if (size > TExifData::MaxThumbnailSize)
        throw EThumbnailTooLarge(size);
    }
    StoreWord(*section.AddOrUpdate(ttCompression, TTiffDataType::tdWord, 1), 6);
    StoreElement(*section.AddOrUpdate(ttJPEGInterchangeFormatLength, TTiffDataType::tdLongWord, 1),
                 static_cast<std::uint32_t>(size));
    PrepareSection(esThumbnail, {esThumbnail});
    Prepared(esThumbnail).DataSize += size;
  }

  // The strip data kept at load, when the strip tags still describe it; the offsets
  // become LONGs (set in StorePointers), so that the sizes are final before the layout.
  void PrepareStrips(TExtendableExifSection& section) {
    const auto& data = FData.ThumbnailStripData();
    auto* offsets = section.Find(ttStripOffsets);
    const auto* counts = section.Find(ttStripByteCounts);
    std::int64_t total = 0;
    if (offsets != nullptr && counts != nullptr && offsets->ElementCount() == counts->ElementCount())
      for (std::int32_t i = 0; i < counts->ElementCount(); ++i)
        total += counts->ReadLongWord(i, 0);
    if (data.empty() || total != static_cast<std::int64_t>(data.size())) {
      section.Remove({ttStripOffsets, ttStripByteCounts});
      return;
    }
    if (offsets->DataType() != TTiffDataType::tdLongWord)
      offsets->UpdateData(TTiffDataType::tdLongWord, offsets->ElementCount());
    FStripOffsets = offsets;
    FThumbnailBytes = data;
  }

  // The loaded thumbnail's bytes with what followed its EOI marker, when they fit.
  bool KeepThumbnailAsLoaded(const Platform::TJPEGImage& thumbnail) {
    const auto data = thumbnail.Data();
    const auto& trailer = FData.ThumbnailTrailer();
    if (static_cast<std::int64_t>(data.size()) > TExifData::MaxThumbnailSize)
      return false;
    FThumbnailBytes.assign(data.begin(), data.end());
    if (static_cast<std::int64_t>(data.size() + trailer.size()) <= TExifData::MaxThumbnailSize)
      FThumbnailBytes.insert(FThumbnailBytes.end(), trailer.begin(), trailer.end());
    return true;
  }

  // The thumbnail's JPEG bytes up to and including EOI; answers their count.
  std::int64_t SaveThumbnail(Platform::TJPEGImage& thumbnail) {
    TMemoryStream stream;
    thumbnail.SaveToStream(stream);
    stream.SetPosition(0);
    const auto size = GetJPEGDataSize(stream, false);
    const auto bytes = stream.Bytes().first(static_cast<std::size_t>(size));
    FThumbnailBytes.assign(bytes.begin(), bytes.end());
    return size;
  }

  void Layout() {
    LayOutSections();
    // Kept ranges that scatter the sections so that the block no longer fits a segment
    // are given up before the note's own place is.
    if (FTotalSize > TExifData::MaxExifBlockSize && FReserved.size() > 1) {
      std::erase_if(FReserved, [](const TReservedRange& range) { return range.Bytes != nullptr; });
      LayOutSections();
    }
  }

  void LayOutSections() {
    std::int64_t offset = 8;
    for (const auto kind : WriteOrder) {
      auto& prepared = Prepared(kind);
      if (!prepared.Written)
        continue;
      std::int64_t start = offset;
      // A section that would overlap a place kept for the maker note or the bytes it
      // refers to goes behind it (the ranges are sorted, so one pass does).
      for (const auto& range : FReserved)
        if (start + prepared.Extent() > range.Start && start < range.End)
          start = range.End;
      prepared.Offset = start;
      offset = start + prepared.Extent();
    }
    FTotalSize = offset;
    // The note's own place counts as far as its data goes (below).
    for (const auto& range : FReserved)
      if (range.Bytes != nullptr)
        FTotalSize = std::max(FTotalSize, range.End);
    if (FMakerNote != nullptr) {
      if (FRelocated)
        FMakerNoteOffset = offset;
      FTotalSize = std::max(FTotalSize, FMakerNoteOffset + FMakerNote->DataSize());
    }
    if (FTotalSize > std::numeric_limits<std::uint32_t>::max())
      throw EInvalidTiffData();
  }

  void StorePointers() {
    for (const auto kind : WriteOrder) {
      for (const auto& [sub, tag] : Prepared(kind).Pointers) {
        const auto& target = Prepared(sub);
        std::int64_t value = target.Offset;
        if (sub == esThumbnail)
          value = target.Offset + target.Extent() - static_cast<std::int64_t>(FThumbnailBytes.size());
        StoreElement(*tag, static_cast<std::uint32_t>(value));
      }
    }
    if (FStripOffsets != nullptr) {
      const auto& ifd1 = Prepared(esThumbnail);
      auto position =
          static_cast<std::uint32_t>(ifd1.Offset + ifd1.Extent() - static_cast<std::int64_t>(FThumbnailBytes.size()));
      const auto* counts = ifd1.Section->Find(ttStripByteCounts);
      std::vector<std::uint32_t> values(static_cast<std::size_t>(FStripOffsets->ElementCount()));
      for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = position;
        position += counts->ReadLongWord(static_cast<std::int32_t>(i), 0);
      }
      if (std::memcmp(FStripOffsets->DataPtr(), values.data(), values.size() * sizeof(std::uint32_t)) != 0)
        FStripOffsets->UpdateData(values.data());
    }
    if (FRelocated) {
      const auto displacement = FMakerNoteOffset - FMakerNoteHome;
      if (displacement < std::numeric_limits<std::int32_t>::min() ||
          displacement > std::numeric_limits<std::int32_t>::max())
        throw EInvalidTiffData();
      StoreElement(*FOffsetSchema, static_cast<std::int32_t>(displacement));
    }
  }

  void WriteSection(TStream& block, const TPreparedSection& prepared, std::uint32_t next,
                    TEndianness endianness) const {
    const auto& section = *prepared.Section;
    block.SetPosition(prepared.Offset);
    WriteWord(block, static_cast<std::uint16_t>(section.Count()), endianness);
    auto dataOffset = prepared.Offset + prepared.DirectorySize;
    for (const auto* tag : section) {
      if (tag == FMakerNote) {
        tag->WriteHeader(block, endianness, static_cast<std::uint32_t>(FMakerNoteOffset));
        continue;
      }
      tag->WriteHeader(block, endianness, static_cast<std::uint32_t>(dataOffset));
      if (tag->DataSize() > 4)
        dataOffset += tag->DataSize();
    }
    WriteLongWord(block, next, endianness);
    for (const auto* tag : section)
      if (tag != FMakerNote)
        tag->WriteOffsetData(block, endianness);
    if (section.Kind() == esThumbnail && !FThumbnailBytes.empty())
      block.WriteBuffer(FThumbnailBytes);
  }

  TExifData& FData;
  std::array<TPreparedSection, 7> FPrepared{};
  std::vector<std::uint8_t> FThumbnailBytes;
  TExifTag* FMakerNote = nullptr;
  bool FRelocated = false;
  std::int64_t FMakerNoteHome = 0;
  std::int64_t FMakerNoteOffset = 0;
  std::int64_t FReservedSize = 0;
  TExifTag* FOffsetSchema = nullptr;
  TExifTag* FStripOffsets = nullptr;
  // The maker note's place (no bytes: the note writes itself) and the source bytes its
  // entries refer to, sorted by start.
  struct TReservedRange {
    std::int64_t Start = 0;
    std::int64_t End = 0;
    const std::vector<std::uint8_t>* Bytes = nullptr;
  };
  std::vector<TReservedRange> FReserved;
  std::int64_t FTotalSize = 0;
};

// A block built already, handed to the segment writer as its payload.
class TPreparedPayload : public IStreamPersistEx {
public:
  explicit TPreparedPayload(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
  void LoadFromStream(TStream& /*stream*/) override {
    throw Platform::EInvalidOperation("The Exif block is read-only");
  }
  void SaveToStream(TStream& stream) override { stream.WriteBuffer(FBytes); }
  [[nodiscard]] bool Empty() const override { return FBytes.empty(); }

private:
  std::span<const std::uint8_t> FBytes;
};

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// --- Reading a save back --------------------------------------------------------------

// Whether count bytes at aPos of a and at bPos of b are equal; false when either range is
// not all there. Memory-backed streams are compared in place.
bool SameBytes(TStream& a, std::int64_t aPos, TStream& b, std::int64_t bPos, std::int64_t count) {
  if (count < 0 || aPos < 0 || bPos < 0 || aPos > a.Size() - count || bPos > b.Size() - count)
    return false;
  if (count == 0)
    return true;
  auto* memA = dynamic_cast<Platform::TCustomMemoryStream*>(&a);
  // The saved picture data may be the source's own bytes, held by reference; the rest of
  // such an output lies in memory too.
  if (const auto* shared = dynamic_cast<const TTailSharingStream*>(&b); shared != nullptr && memA != nullptr) {
    if (shared->SharesSourceBytes(bPos, a, aPos, count))
      return true;
    if (const auto view = shared->View(bPos, count); !view.empty())
      return std::memcmp(memA->Memory() + aPos, view.data(), view.size()) == 0;
  }
  auto* memB = dynamic_cast<Platform::TCustomMemoryStream*>(&b);
  if (memA != nullptr && memB != nullptr)
    return std::memcmp(memA->Memory() + aPos, memB->Memory() + bPos, static_cast<std::size_t>(count)) == 0;
  constexpr std::int64_t ChunkSize = 1 << 16;
  std::vector<std::uint8_t> bufferA(static_cast<std::size_t>(std::min(count, ChunkSize)));
  std::vector<std::uint8_t> bufferB(bufferA.size());
  while (count > 0) {
    const auto chunk = std::min(count, ChunkSize);
    a.SetPosition(aPos);
    b.SetPosition(bPos);
    a.ReadBuffer(bufferA.data(), chunk);
    b.ReadBuffer(bufferB.data(), chunk);
    if (std::memcmp(bufferA.data(), bufferB.data(), static_cast<std::size_t>(chunk)) != 0)
      return false;
    aPos += chunk;
    bPos += chunk;
    count -= chunk;
  }
  return true;
}

// The segments of a JPEG header up to the first start of scan, which ScanStart gives
// (-1 when the header ends before one: EOI, damage or the end of the data).
struct TJPEGLayout {
  struct TSegment {
    std::uint8_t Marker = 0;
    std::int64_t Offset = 0; // of the marker
    std::int64_t Size = 0;   // marker, length and data
  };
  std::vector<TSegment> Segments;
  std::int64_t ScanStart = -1;
};

TJPEGLayout ReadJPEGLayout(TStream& stream) {
  TJPEGLayout layout;
  std::int64_t position = 2;
  const auto size = stream.Size();
  std::uint8_t bytes[4];
  while (position <= size - 2) {
    stream.SetPosition(position);
    if (stream.Read(bytes, 2) != 2 || bytes[0] != 0xFF)
      break;
    const std::uint8_t marker = bytes[1];
    if (marker == 0xFF) {
      ++position; // fill byte
      continue;
    }
    if (marker == jmSOS) {
      layout.ScanStart = position;
      break;
    }
    if (marker == 0xD9)
      break;
    std::int64_t length = 0;
    if (marker != 0x01 && (marker < 0xD0 || marker > 0xD7)) {
      if (stream.Read(bytes + 2, 2) != 2)
        break;
      length = (bytes[2] << 8) | bytes[3];
      if (length < 2)
        break;
    }
    layout.Segments.push_back({marker, position, 2 + length});
    position += 2 + length;
  }
  return layout;
}

// Count bytes at the position; a view into a memory-backed stream, else a copy in buffer.
std::span<const std::uint8_t> BytesAt(TStream& stream, std::int64_t position, std::int64_t count,
                                      std::vector<std::uint8_t>& buffer) {
  if (count < 0 || position < 0 || position > stream.Size() - count)
    return {};
  if (const auto* memory = dynamic_cast<Platform::TCustomMemoryStream*>(&stream))
    return {memory->Memory() + position, static_cast<std::size_t>(count)};
  if (const auto* shared = dynamic_cast<const TTailSharingStream*>(&stream)) {
    if (const auto view = shared->View(position, count); !view.empty() || count == 0)
      return view;
  }
  buffer.resize(static_cast<std::size_t>(count));
  stream.SetPosition(position);
  stream.ReadBuffer(buffer.data(), count);
  return buffer;
}

// The data of an APP1 segment when it is an Exif (exif set) or XMP payload.
bool IsApp1Payload(TStream& stream, const TJPEGLayout::TSegment& segment, bool exif, std::vector<std::uint8_t>& buffer,
                   std::span<const std::uint8_t>& data) {
  if (segment.Marker != jmApp1 || segment.Size < 4)
    return false;
  data = BytesAt(stream, segment.Offset + 4, segment.Size - 4, buffer);
  return exif ? IsExifPayload(data) : IsXMPPayload(data);
}

bool SamePSDPicture(TStream& source, TStream& saved) {
  TPSDInfo sourceInfo;
  TPSDInfo savedInfo;
  try {
    source.SetPosition(0);
    (void)ParsePSDHeader(source, sourceInfo);
    saved.SetPosition(0);
    (void)ParsePSDHeader(saved, savedInfo);
  } catch (const Platform::Exception&) {
    return false;
  }
  const auto sourceStart = std::min(sourceInfo.LayersSectionOffset(), source.Size());
  const auto count = source.Size() - sourceStart;
  const auto savedStart = savedInfo.LayersSectionOffset();
  return saved.Size() - savedStart == count && SameBytes(source, sourceStart, saved, savedStart, count);
}

// The picture pieces of each directory of a TIFF chain: offsets and byte counts of the
// strips, or of the tiles.
struct TPictureRanges {
  std::vector<std::uint32_t> Offsets;
  std::vector<std::uint32_t> Counts;
};

std::vector<std::uint32_t> ReadIntegers(const ITiffParser& parser, const TTiffTagInfo& info) {
  std::vector<std::uint32_t> values;
  const int size = TiffElementSize(info.DataType);
  if (!info.IsWellFormed() || (size != 2 && size != 4) || info.ElementCount <= 0)
    return values;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(info.DataSize()));
  try {
    parser.LoadTagData(info, buffer.data());
  } catch (const Platform::Exception&) {
    return values;
  }
  values.resize(static_cast<std::size_t>(info.ElementCount));
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (size == 2) {
      std::uint16_t v = 0;
      std::memcpy(&v, buffer.data() + i * 2, 2);
      values[i] = v;
    } else {
      std::memcpy(&values[i], buffer.data() + i * 4, 4);
    }
  }
  return values;
}

std::vector<TPictureRanges> TiffPictureRanges(TStream& stream, std::int64_t& base) {
  std::vector<TPictureRanges> result;
  stream.SetPosition(0);
  const auto parser = ParseTiff(stream);
  base = parser->BasePosition();
  for (const auto& directory : parser->GetEnumerator()) {
    TPictureRanges ranges;
    const TTiffTagInfo* offsets = nullptr;
    const TTiffTagInfo* counts = nullptr;
    for (const auto& info : directory->TagInfo()) {
      if (info.ID == ttStripOffsets || (info.ID == 0x0144 && offsets == nullptr))
        offsets = &info;
      else if (info.ID == ttStripByteCounts || (info.ID == 0x0145 && counts == nullptr))
        counts = &info;
    }
    if (offsets != nullptr && counts != nullptr) {
      ranges.Offsets = ReadIntegers(*parser, *offsets);
      ranges.Counts = ReadIntegers(*parser, *counts);
    }
    result.push_back(std::move(ranges));
  }
  return result;
}

bool SameTiffPicture(TStream& source, TStream& saved) {
  std::int64_t sourceBase = 0;
  std::int64_t savedBase = 0;
  std::vector<TPictureRanges> before;
  try {
    before = TiffPictureRanges(source, sourceBase);
  } catch (const Platform::Exception&) {
    return true; // nothing readable to keep
  }
  std::vector<TPictureRanges> after;
  try {
    after = TiffPictureRanges(saved, savedBase);
  } catch (const Platform::Exception&) {
    return false;
  }
  if (after.size() < before.size())
    return false;
  for (std::size_t d = 0; d < before.size(); ++d) {
    const auto& was = before[d];
    const auto& now = after[d];
    const auto pieces = std::min(was.Offsets.size(), was.Counts.size());
    if (std::min(now.Offsets.size(), now.Counts.size()) < pieces)
      return false;
    for (std::size_t i = 0; i < pieces; ++i) {
      const std::int64_t count = was.Counts[i];
      const std::int64_t from = sourceBase + was.Offsets[i];
      // A piece the source never held completely is not there to keep.
      if (from > source.Size() - count)
        continue;
      if (now.Counts[i] != was.Counts[i] || !SameBytes(source, from, saved, savedBase + now.Offsets[i], count))
        return false;
    }
  }
  return true;
}

int DatasetCount(const TIPTCData& data) {
  int count = 0;
  for (const auto* section : data)
    count += section->Count();
  return count;
}

// The IPTC datasets of a picture stream, loaded afresh.
int IPTCDatasetCount(TStream& stream) {
  TIPTCData data;
  stream.SetPosition(0);
  data.LoadFromGraphic(stream);
  return DatasetCount(data);
}

// Schemas and their properties, top level.
std::vector<int> XMPCounts(TXMPPacket& packet) {
  std::vector<int> counts;
  for (int i = 0; i < packet.SchemaCount(); ++i)
    counts.push_back(packet.Schemas(i).PropertyCount());
  return counts;
}

std::span<const std::uint8_t> WithoutXMPHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= XMPSegmentHeader.size() &&
      std::memcmp(bytes.data(), XMPSegmentHeader.data(), XMPSegmentHeader.size()) == 0)
    return bytes.subspan(XMPSegmentHeader.size());
  return bytes;
}

enum class TSavedFormat : std::uint8_t { sfJPEG, sfPSD, sfTIFF };

bool IsFirstDirectoryOfChain(const ITiffDirectory* directory) {
  return directory != nullptr && directory->Index() == 0 && directory->Parent() == nullptr;
}

} // namespace

// --- Exceptions ---------------------------------------------------------------------------

EExifBlockTooLarge::EExifBlockTooLarge(std::int64_t blockSize)
    : ETesselExifException(fmt::format("Exif data of {} bytes does not fit into a JPEG APP1 segment "
                                       "(at most {} bytes)",
                                       blockSize, TExifData::MaxExifBlockSize)) {}

EThumbnailTooLarge::EThumbnailTooLarge(std::int64_t thumbnailSize)
    : ETesselExifException(fmt::format("Thumbnail of {} bytes is too large: at most {} bytes can be saved",
                                       thumbnailSize, TExifData::MaxThumbnailSize)) {}

// --- Thumbnail scaling ------------------------------------------------------------------------

TThumbnailSize FitThumbnailSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || boxWidth <= 0 || boxHeight <= 0)
    return {};
  const double ratio = static_cast<double>(sourceWidth) / sourceHeight;
  int width = 0;
  int height = 0;
  if (sourceWidth > sourceHeight) {
    width = boxWidth;
    height = RoundHalfEven(boxWidth / ratio);
    if (height > boxHeight) {
      height = boxHeight;
      width = RoundHalfEven(boxHeight * ratio);
    }
  } else {
    height = boxHeight;
    width = RoundHalfEven(boxHeight * ratio);
    if (width > boxWidth) {
      width = boxWidth;
      height = RoundHalfEven(boxWidth / ratio);
    }
  }
  // A sliver of a picture still gives a picture.
  return {std::max(width, 1), std::max(height, 1)};
}

void FitThumbnailSize(const Platform::TGraphic& source, Platform::TJPEGImage& thumbnail, int boxWidth, int boxHeight) {
  const auto size = FitThumbnailSize(source.Width(), source.Height(), boxWidth, boxHeight);
  Platform::TBitmap bitmap;
  if (!source.Empty() && size.Width > 0) {
    Platform::TBitmap decoded;
    const Platform::TBitmap* pixels = dynamic_cast<const Platform::TBitmap*>(&source);
    if (pixels == nullptr) {
      if (const auto* jpeg = dynamic_cast<const Platform::TJPEGImage*>(&source))
        // libjpeg's DCT scaling does most of the shrinking while decoding.
        jpeg->Decode(decoded, Platform::ChooseScaleDenominator(jpeg->Width(), jpeg->Height(), size.Width, size.Height));
      else
        decoded.Assign(source);
      pixels = &decoded;
    }
    bitmap.SetSize(size.Width, size.Height);
    bitmap.StretchDraw({0, 0, size.Width, size.Height}, *pixels);
  }
  thumbnail.Assign(bitmap);
}

void TExifData::CreateThumbnail(const Platform::TGraphic* source, int thumbnailWidth, int thumbnailHeight) {
  if (source == nullptr || source->Empty()) {
    SetThumbnail(nullptr);
    return;
  }
  FitThumbnailSize(*source, Thumbnail(), thumbnailWidth, thumbnailHeight);
}

void TExifData::StandardizeThumbnail() {
  if (!HasThumbnail())
    return;
  auto& thumbnail = Thumbnail();
  if (thumbnail.Width() > StandardThumbnailWidth || thumbnail.Height() > StandardThumbnailHeight)
    FitThumbnailSize(thumbnail, thumbnail, StandardThumbnailWidth, StandardThumbnailHeight);
}

// --- The raw block ----------------------------------------------------------------------------

void TExifData::SaveToStream(TStream& stream) {
  InUpdate(*this, [&] {
    TExifBlockWriter writer(*this);
    writer.Prepare();
    writer.Write(stream);
    writer.Written();
  });
}

// --- Picture files ----------------------------------------------------------------------------

void TExifData::GetGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod) {
  // The check runs inside the saver: the new content exists, nothing is replaced yet.
  const auto verified = [this](void (TExifData::*saver)(TStream&, TStream&)) {
    return [this, saver](TStream& in, TStream& out) {
      const auto start = in.Position();
      (this->*saver)(in, out);
      if (!FVerifySaves)
        return;
      const auto end = out.Position();
      in.SetPosition(start);
      VerifySavedGraphic(in, out);
      out.SetPosition(end);
    };
  };
  ChooseGraphicSaveMethod(stream, saveMethod, verified(&TExifData::DoSaveToJPEG), verified(&TExifData::DoSaveToPSD),
                          verified(&TExifData::DoSaveToTIFF));
}

void TExifData::VerifySavedGraphic(TStream& inStream, TStream& outStream) {
  try {
    VerifySavedContent(inStream, outStream);
  } catch (const ESaveVerificationFailed&) {
    throw;
  } catch (const Platform::Exception&) {
    // What cannot even be read back is not what was meant to be written.
    throw ESaveVerificationFailed();
  }
}

void TExifData::VerifySavedContent(TStream& inStream, TStream& outStream) {
  using enum TSavedFormat;
  TSavedFormat format = sfTIFF;
  TEndianness endianness = TEndianness::SmallEndian;
  inStream.SetPosition(0);
  if (HasJPEGHeader(inStream))
    format = sfJPEG;
  else if (HasPSDHeader(inStream))
    format = sfPSD;
  else if (!TryReadTiffHeader(inStream, endianness, false))
    throw ESaveVerificationFailed();
  const auto fail = [] { throw ESaveVerificationFailed(); };

  // Where the new content keeps the Exif block and the XMP packet. The block is parsed
  // for its directories, not loaded into sections: counting is all the check needs.
  std::vector<std::uint8_t> exifBuffer;
  std::vector<std::uint8_t> xmpBuffer;
  std::span<const std::uint8_t> exifBytes;
  std::span<const std::uint8_t> xmpBytes;
  bool exifFound = false;
  bool xmpFound = false;
  if (format == sfJPEG) {
    const auto source = ReadJPEGLayout(inStream);
    const auto saved = ReadJPEGLayout(outStream);
    // Picture data from the scan on, byte for byte.
    if (source.ScanStart >= 0) {
      const auto count = inStream.Size() - source.ScanStart;
      if (saved.ScanStart < 0 || outStream.Size() - saved.ScanStart != count ||
          !SameBytes(inStream, source.ScanStart, outStream, saved.ScanStart, count))
        fail();
    }
    // Every other segment of the header (the IPTC data in APP13 among them) is carried
    // unchanged and in order; the saver replaces the first Exif and XMP segments only
    // and puts the APP0 segments in front.
    std::vector<TJPEGLayout::TSegment> carried;
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> data;
    bool exifSeen = false;
    bool xmpSeen = false;
    for (const auto& segment : source.Segments) {
      if (!exifSeen && IsApp1Payload(inStream, segment, true, buffer, data))
        exifSeen = true;
      else if (!xmpSeen && IsApp1Payload(inStream, segment, false, buffer, data))
        xmpSeen = true;
      else
        carried.push_back(segment);
    }
    std::stable_partition(carried.begin(), carried.end(), [](const auto& segment) { return segment.Marker == 0xE0; });
    const bool exifWritten = !Empty();
    const bool xmpWritten = !XMPPacket().Empty();
    std::size_t next = 0;
    for (const auto& segment : saved.Segments) {
      if (exifWritten && !exifFound && IsApp1Payload(outStream, segment, true, exifBuffer, exifBytes)) {
        exifFound = true;
        continue;
      }
      if (xmpWritten && !xmpFound && IsApp1Payload(outStream, segment, false, xmpBuffer, xmpBytes)) {
        xmpFound = true;
        continue;
      }
      if (next >= carried.size() || carried[next].Size != segment.Size ||
          !SameBytes(inStream, carried[next].Offset, outStream, segment.Offset, segment.Size))
        fail();
      ++next;
    }
    if (next != carried.size())
      fail();
  } else if (format == sfPSD) {
    if (!SamePSDPicture(inStream, outStream))
      fail();
    TPSDInfo info;
    outStream.SetPosition(0);
    for (const auto& block : *ParsePSDHeader(outStream, info)) {
      if (!exifFound && block->IsExifBlock(true)) {
        exifFound = true;
        exifBytes = block->Data().Bytes();
        exifBuffer.assign(exifBytes.begin(), exifBytes.end());
        exifBytes = exifBuffer;
      } else if (!xmpFound && block->IsXMPBlock(true)) {
        xmpFound = true;
        xmpBytes = block->Data().Bytes();
        xmpBuffer.assign(xmpBytes.begin(), xmpBytes.end());
        xmpBytes = xmpBuffer;
      }
    }
  } else if (!SameTiffPicture(inStream, outStream)) {
    fail();
  }

  // EXIF: every directory written has as many entries as its section has tags. A TIFF
  // file's first directory holds the picture's own tags besides, and its pointers, XMP
  // and IPTC tags are the rewriter's.
  const auto notPointer = [](TTiffTagID id) {
    return id != ttExifOffset && id != ttGPSOffset && id != ttXMP && id != ttIPTC;
  };
  std::unique_ptr<TUserMemoryStream> blockStream;
  TStream* tiff = &outStream;
  std::int64_t tiffStart = 0;
  if (format != sfTIFF && !Empty()) {
    if (!exifFound)
      fail();
    blockStream = std::make_unique<TUserMemoryStream>(exifBytes.data(), static_cast<std::int64_t>(exifBytes.size()));
    tiff = blockStream.get();
    if (CheckSignature(*tiff, ExifHeader, false))
      tiffStart = static_cast<std::int64_t>(ExifHeader.size());
  }
  if (format == sfTIFF || !Empty()) {
    tiff->SetPosition(tiffStart);
    const auto parser = ParseTiff(*tiff);
    std::shared_ptr<IFoundTiffDirectory> ifd0;
    std::shared_ptr<IFoundTiffDirectory> ifd1;
    for (const auto& directory : parser->GetEnumerator()) {
      if (directory->Index() == 0) {
        ifd0 = directory;
      } else {
        ifd1 = directory;
        break;
      }
    }
    if (!ifd0)
      fail();
    const auto follow = [&parser](const std::shared_ptr<IFoundTiffDirectory>& parent, TTiffTagID id) {
      std::shared_ptr<IFoundTiffDirectory> directory;
      if (parent)
        for (const auto& info : parent->TagInfo())
          if (info.ID == id) {
            if (!parser->ParseSubDirectory(parent, info, directory))
              directory.reset();
            break;
          }
      return directory;
    };
    const auto count = [](const std::shared_ptr<IFoundTiffDirectory>& directory) {
      return directory ? static_cast<int>(directory->TagInfo().size()) : 0;
    };
    const auto exifIFD = follow(ifd0, ttExifOffset);
    if (count(exifIFD) != OwnedSection(esDetails)->Count() ||
        count(follow(exifIFD, ttInteropOffset)) != OwnedSection(esInterop)->Count() ||
        count(follow(ifd0, ttGPSOffset)) != OwnedSection(esGPS)->Count())
      fail();
    if (format == sfTIFF) {
      int written = 0;
      for (const auto* tag : *OwnedSection(esGeneral))
        if (notPointer(tag->ID()) && IsExifMetadataTagOfTiff(tag->ID(), tag->DataType()))
          ++written;
      int found = 0;
      for (const auto& info : ifd0->TagInfo())
        if (notPointer(info.ID) && IsExifMetadataTagOfTiff(info.ID, info.DataType))
          ++found;
      if (found != written)
        fail();
      // The packet of a TIFF file is the data of tag 700.
      for (const auto& info : ifd0->TagInfo())
        if (info.ID == ttXMP && info.IsWellFormed()) {
          xmpFound = true;
          xmpBytes = BytesAt(outStream, parser->BasePosition() + info.DataOffset, info.DataSize(), xmpBuffer);
          break;
        }
    } else {
      if (count(ifd0) != OwnedSection(esGeneral)->Count() || count(ifd1) != OwnedSection(esThumbnail)->Count())
        fail();
      // The thumbnail's bytes, JPEG or strips, are where IFD1 says.
      const auto& thumbnail = *OwnedSection(esThumbnail);
      const auto at = [&](TTiffTagID id, std::uint32_t index) { return thumbnail.Find(id)->ReadLongWord(index, 0); };
      const auto bytesAt = [&](std::int64_t offset, std::int64_t size) {
        const auto start = tiffStart + offset;
        return start >= 0 && size >= 0 && start <= static_cast<std::int64_t>(exifBytes.size()) - size
                   ? exifBytes.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(size))
                   : std::span<const std::uint8_t>();
      };
      if (HasThumbnail()) {
        const auto jpeg = bytesAt(at(ttJPEGInterchangeFormat, 0), at(ttJPEGInterchangeFormatLength, 0));
        if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
          fail();
      } else if (const auto* offsets = thumbnail.Find(ttStripOffsets)) {
        std::size_t done = 0;
        const auto& strips = ThumbnailStripData();
        for (std::int32_t i = 0; i < offsets->ElementCount(); ++i) {
          const auto size = at(ttStripByteCounts, static_cast<std::uint32_t>(i));
          const auto strip = bytesAt(offsets->ReadLongWord(i, 0), size);
          if (strip.size() != size || done + size > strips.size() ||
              !std::equal(strip.begin(), strip.end(), strips.begin() + static_cast<std::ptrdiff_t>(done)))
            fail();
          done += size;
        }
      }
    }
  }

  // IPTC written from the embedded data (Photoshop and TIFF) loads again with as many
  // datasets; a JPEG's IPTC data travels in the segments compared above.
  if (format != sfJPEG && !EmbeddedIPTC().Empty()) {
    TMemoryStream written;
    EmbeddedIPTC().SaveToStream(written);
    written.SetPosition(0);
    TIPTCData copy;
    bool readable = true;
    try {
      copy.LoadFromStream(written);
    } catch (const Platform::Exception&) {
      readable = false; // nothing that loads to compare with
    }
    if (readable && IPTCDatasetCount(outStream) != DatasetCount(copy))
      fail();
  }

  // XMP: a packet written as it was read (unparsed, unreadable, or parsed and left
  // unchanged) comes back byte for byte; one written anew from its properties parses
  // again into as many.
  auto& packet = XMPPacket();
  if (packet.Empty())
    return;
  if (!xmpFound)
    fail();
  if (packet.DataToLazyLoad() || !packet.EditedSinceLoad()) {
    TMemoryStream written;
    packet.SaveToStream(written);
    const auto expected = WithoutXMPHeader(written.Bytes());
    const auto found = WithoutXMPHeader(xmpBytes);
    if (!std::equal(expected.begin(), expected.end(), found.begin(), found.end()))
      fail();
    return;
  }
  // Only the top-level counts are compared: the tree below them is not built.
  // Text that the save has read back already (a patched packet) is not parsed again.
  std::vector<int> counts;
  TUserMemoryStream data(xmpBytes.data(), static_cast<std::int64_t>(xmpBytes.size()));
  if (!packet.KnownPropertyCounts(WithoutXMPHeader(xmpBytes), counts) &&
      !TXMPPacket::TryReadPropertyCounts(data, counts))
    fail();
  if (counts != XMPCounts(packet))
    fail();
}

void TExifData::SaveToGraphic(const std::string& fileName) {
  DoSaveToGraphic(fileName,
                  [this](TStream& stream, TGraphicSaveMethod& method) { GetGraphicSaveMethod(stream, method); });
}

void TExifData::SaveToGraphic(TStream& stream) {
  DoSaveToGraphic(stream, [this](TStream& s, TGraphicSaveMethod& method) { GetGraphicSaveMethod(s, method); });
}

void TExifData::SaveToGraphic(Platform::IStreamPersist& graphic) {
  DoSaveToGraphic(graphic, [this](TStream& s, TGraphicSaveMethod& method) { GetGraphicSaveMethod(s, method); });
}

void TExifData::SaveToJPEG(const std::string& jpegFileName, bool /*dummy*/) { SaveToGraphic(jpegFileName); }

void TExifData::DoSaveToJPEG(TStream& inStream, TStream& outStream) {
  InUpdate(*this, [&] {
    // The pixel dimensions follow the frame header, where the file has them at all.
    auto& details = *GetSection(esDetails);
    if (details.Find(ttExifImageWidth) != nullptr || details.Find(ttExifImageHeight) != nullptr) {
      const auto start = inStream.Position();
      std::uint16_t width = 0;
      std::uint16_t height = 0;
      bool found = false;
      for (const auto& segment : *JPEGHeader(inStream, TJPEGMarkers{0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7})) {
        const auto data = segment->Data().Bytes();
        if (data.size() >= 6) {
          width = SOFImageWidth(data);
          height = SOFImageHeight(data);
          found = true;
          break;
        }
      }
      inStream.SetPosition(start);
      // Only a real change is written, so that an unchanged XMP packet keeps its bytes.
      if (found && ExifImageWidth() != TLongWordTagValue(width))
        SetExifImageWidth(width);
      if (found && ExifImageHeight() != TLongWordTagValue(height))
        SetExifImageHeight(height);
    }
    // The block is complete, and known to fit, before a byte of the output is written.
    TMemoryStream block;
    if (!Empty()) {
      SaveToStream(block);
      if (block.Size() > MaxExifBlockSize)
        throw EExifBlockTooLarge(block.Size());
    }
    TPreparedPayload payload(block.Bytes());
    UpdateApp1JPEGSegments(inStream, outStream, &payload, &XMPPacket());
  });
}

void TExifData::DoSaveToPSD(TStream& inStream, TStream& outStream) {
  InUpdate(*this, [&] {
    std::vector<std::shared_ptr<IAdobeResBlock>> blocks;
    const bool newIPTC = !EmbeddedIPTC().Empty();
    if (newIPTC)
      blocks.push_back(CreateAdobeBlock(IPTCAdobeBlockID, &EmbeddedIPTC()));
    if (!XMPPacket().Empty())
      blocks.push_back(CreateAdobeBlock(XMPAdobeBlockID, &XMPPacket()));
    const auto start = inStream.Position();
    TPSDInfo info;
    for (const auto& block : *ParsePSDHeader(inStream, info)) {
      if (block->IsExifBlock(true) || block->IsXMPBlock(true))
        continue;
      // The IPTC data written above replaces the file's; two would leave readers guessing.
      if (newIPTC && block->IsIPTCBlock(true))
        continue;
      blocks.push_back(block);
    }
    // Carried as resources of their own in a Photoshop file.
    GetSection(esGeneral)->Remove({ttXMP, ttIPTC});
    if (!Empty())
      blocks.insert(blocks.begin(), CreateAdobeBlock(ExifAdobeBlockID, this));

    WritePSDHeader(outStream, info.Header);
    WritePSDResourceSection(outStream, blocks);
    const auto layers = start + info.LayersSectionOffset();
    const auto rest = inStream.Size() - layers;
    if (rest > 0) {
      inStream.SetPosition(layers);
      outStream.CopyFrom(inStream, rest);
    }
    outStream.SetSize(outStream.Position());
  });
}

void TExifData::DoSaveToTIFF(TStream& inStream, TStream& outStream) {
  InUpdate(*this, [&] { RewriteTiff(inStream, outStream, this); });
}

void TExifData::AddTagsToWrite(TTiffDirectoryRewriter& rewriter) {
  const auto* source = rewriter.Source().get();
  auto* details = GetSection(esDetails);
  if (source != nullptr && source == static_cast<const ITiffDirectory*>(details)) {
    // The Exif sub-directory of a TIFF file brings its Interop sub-directory along.
    if (auto* interop = GetSection(esInterop); interop->Count() > 0)
      rewriter.AddSubDirectory(ttInteropOffset, NonOwningRef<ITiffDirectory>(interop), nullptr);
    return;
  }
  if (!IsFirstDirectoryOfChain(source))
    return;
  for (auto* tag : *GetSection(esGeneral)) {
    const auto id = tag->ID();
    if (id == ttExifOffset || id == ttGPSOffset || id == ttXMP || id == ttIPTC)
      continue;
    // Only metadata: the file's own image structure is not this container's to change.
    if (IsExifMetadataTagOfTiff(id, tag->DataType()))
      rewriter.AddTag(NonOwningRef<ITiffTag>(tag));
  }
  if (details->Count() > 0)
    rewriter.AddSubDirectory(ttExifOffset, NonOwningRef<ITiffDirectory>(details), this);
  if (auto* gps = GetSection(esGPS); gps->Count() > 0)
    rewriter.AddSubDirectory(ttGPSOffset, NonOwningRef<ITiffDirectory>(gps), nullptr);
  // The file's own choice between BYTE and UNDEFINED is kept; other types would cut
  // data that is not a whole number of their elements.
  const auto byteType = [source](TTiffTagID id) {
    std::shared_ptr<ITiffTag> old;
    return source->FindTag(id, old) && old->DataType() == TTiffDataType::tdByte ? TTiffDataType::tdByte
                                                                                : TTiffDataType::tdUndefined;
  };
  if (!XMPPacket().Empty())
    rewriter.AddTag(ttXMP, XMPPacket(), byteType(ttXMP));
  if (!EmbeddedIPTC().Empty())
    rewriter.AddTag(ttIPTC, EmbeddedIPTC(), byteType(ttIPTC));
}

void TExifData::RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType, bool& rewrite) {
  // The old Interop pointer of the Exif sub-directory would lead nowhere in the new file.
  if (&source == static_cast<const ITiffDirectory*>(OwnedSection(esDetails))) {
    if (tagID == ttInteropOffset)
      rewrite = false;
    return;
  }
  // The first directory's metadata is what this container loaded from it and writes back;
  // the file's further directories (pages) are not the container's and keep theirs.
  if (IsFirstDirectoryOfChain(&source) && IsExifMetadataTagOfTiff(tagID, dataType))
    rewrite = false;
}

} // namespace Tessel::Exif
