// Saving the EXIF model: the raw Exif block with its own layout, and the savers that put
// it into JPEG, Photoshop and TIFF files next to the XMP packet and the IPTC data; the
// thumbnail scaling the block's size limit relies on.

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
    if (FMakerNote != nullptr) {
      block.SetPosition(FMakerNoteOffset);
      FMakerNote->WriteOffsetData(block, endianness);
    }
    stream.WriteBuffer(block.Bytes());
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
      return;
    }
    FRelocated = true;
    FOffsetSchema = details.AddOrUpdate(ttOffsetSchema, TTiffDataType::tdLongInt, 1);
  }

  void PrepareThumbnail() {
    if (!FData.HasThumbnail())
      return;
    auto& thumbnail = FData.Thumbnail();
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
    auto& section = *Prepared(esThumbnail).Section;
    StoreWord(*section.AddOrUpdate(ttCompression, TTiffDataType::tdWord, 1), 6);
    StoreElement(*section.AddOrUpdate(ttJPEGInterchangeFormatLength, TTiffDataType::tdLongWord, 1),
                 static_cast<std::uint32_t>(size));
    PrepareSection(esThumbnail, {esThumbnail});
    Prepared(esThumbnail).DataSize += size;
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
    std::int64_t offset = 8;
    const bool inPlace = FMakerNote != nullptr && !FRelocated;
    for (const auto kind : WriteOrder) {
      auto& prepared = Prepared(kind);
      if (!prepared.Written)
        continue;
      std::int64_t start = offset;
      // A section that would overlap the place kept for the maker note goes behind it.
      if (inPlace && start + prepared.Extent() > FMakerNoteOffset && start < FMakerNoteOffset + FReservedSize)
        start = FMakerNoteOffset + FReservedSize;
      prepared.Offset = start;
      offset = start + prepared.Extent();
    }
    FTotalSize = offset;
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

// Whether the packet's pending data, if any, would load; nothing is changed.
bool XMPPacketParses(TXMPPacket& packet) {
  const auto& pending = packet.DataToLazyLoad();
  if (!pending)
    return true;
  auto& data = pending->Data();
  const auto position = data.Position();
  data.SetPosition(0);
  TXMPPacket probe;
  const bool result = probe.TryLoadFromStream(data);
  data.SetPosition(position);
  return result;
}

// The pixel size as the typed property stores it (a one-element SHORT stays SHORT when
// the value fits), without its XMP mirror.
void StoreImageSize(TExtendableExifSection& details, TTiffTagID id, std::uint32_t value) {
  auto* tag = details.Find(id);
  if (tag != nullptr && value <= 0xFFFF && tag->DataType() == TTiffDataType::tdWord && tag->ElementCount() == 1)
    details.SetWordValue(id, 0, static_cast<std::uint16_t>(value));
  else if (tag != nullptr)
    tag->UpdateData(TTiffDataType::tdLongWord, 1, &value);
  else
    details.SetLongWordValue(id, 0, value);
}

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
  });
}

// --- Picture files ----------------------------------------------------------------------------

void TExifData::GetGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod) {
  ChooseGraphicSaveMethod(
      stream, saveMethod, [this](TStream& in, TStream& out) { DoSaveToJPEG(in, out); },
      [this](TStream& in, TStream& out) { DoSaveToPSD(in, out); },
      [this](TStream& in, TStream& out) { DoSaveToTIFF(in, out); });
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
      // A packet that cannot be read would stop the save in the typed setters (which
      // mirror the size into it) and be lost; it is kept as it is and the tags written alone.
      const bool mirror = XMPPacket().OnLoadError() || XMPPacketParses(XMPPacket());
      if (found && ExifImageWidth() != TLongWordTagValue(width)) {
        if (mirror)
          SetExifImageWidth(width);
        else
          StoreImageSize(details, ttExifImageWidth, width);
      }
      if (found && ExifImageHeight() != TLongWordTagValue(height)) {
        if (mirror)
          SetExifImageHeight(height);
        else
          StoreImageSize(details, ttExifImageHeight, height);
      }
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
