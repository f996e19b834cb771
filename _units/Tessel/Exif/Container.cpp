// The EXIF container: construction, change notification, sections, thumbnail and
// loading from JPEG, Photoshop and TIFF files and from raw Exif blocks.

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <cstring>
#include <limits>
#include <utility>

namespace Tessel::Exif {

namespace {

using enum TExifSectionKind;
using enum TJPEGMetadataKind;

constexpr std::size_t SectionIndex(TExifSectionKind kind) { return static_cast<std::size_t>(kind) - 1; }

// The bytes of the first entry with that ID, as they stand in the file. The copy lives on
// its own: the lazily parsed IPTC and XMP data must not depend on tags that a later Clear
// or load destroys. Taken in file byte order, so that data a writer stored as LONG or
// SHORT elements is the byte stream it was meant to be.
std::shared_ptr<IMetadataBlock> CopyRawTagData(const IFoundTiffDirectory& directory, TTiffTagID id) {
  for (const auto& info : directory.TagInfo()) {
    if (info.ID != id)
      continue;
    if (!info.IsWellFormed() || info.DataSize() <= 0)
      return nullptr;
    const auto parser = directory.Parser();
    TStream& stream = parser->Stream();
    const std::int64_t start = parser->BasePosition() + info.DataOffset;
    if (start < 0 || start > stream.Size() - info.DataSize())
      return nullptr;
    stream.SetPosition(start);
    try {
      return std::make_shared<TMetadataBlock>(stream, info.DataSize());
    } catch (const Platform::EStreamError&) {
      return nullptr;
    }
  }
  return nullptr;
}

const TTiffTagInfo* FindTagInfo(const IFoundTiffDirectory& directory, TTiffTagID id) {
  for (const auto& info : directory.TagInfo())
    if (info.ID == id)
      return &info;
  return nullptr;
}

// What a sub-directory pointer that could not be followed leaves on its section: the
// errors of the table it leads to, so that a damaged directory that had to be dropped is
// not taken for an absent one, or leBadOffset when the table was refused for where it lies
// (in the header, on an ancestor, too deep). A zero pointer only says "none".
TMetadataLoadErrors UnfollowedPointerErrors(ITiffParser& parser, const TTiffTagInfo& pointer) {
  using enum TTiffDataType;
  if (pointer.ElementCount != 1 ||
      (pointer.DataType != tdLongWord && pointer.DataType != tdSubDirectory && pointer.DataType != tdWord))
    return {};
  std::uint8_t value[4] = {};
  try {
    parser.LoadTagData(pointer, value);
  } catch (const Platform::EStreamError&) {
    return {TMetadataLoadError::leBadOffset};
  }
  std::uint32_t offset = 0;
  if (pointer.DataType == tdWord) {
    std::uint16_t word = 0;
    std::memcpy(&word, value, 2);
    offset = word;
  } else {
    std::memcpy(&offset, value, 4);
  }
  if (offset == 0)
    return {};
  if (offset < 8)
    return {TMetadataLoadError::leBadOffset};
  auto errors = TFoundTiffDirectory::LoadDirectory(parser.Stream(), parser.Endianness(), parser.BasePosition(),
                                                   offset, 0)
                    .Errors;
  if (errors.Empty())
    errors.Include(TMetadataLoadError::leBadOffset);
  return errors;
}

// A load runs inside one update bracket and ends without a change event, unmodified,
// also when it is left by an exception.
class TLoadBracket {
public:
  TLoadBracket(TCustomExifData& data, std::function<void()> endLoad) : FEndLoad(std::move(endLoad)) {
    data.BeginUpdate();
  }
  ~TLoadBracket() { FEndLoad(); }
  TLoadBracket(const TLoadBracket&) = delete;
  TLoadBracket& operator=(const TLoadBracket&) = delete;

private:
  std::function<void()> FEndLoad;
};

} // namespace

// --- The contained XMP packet ---------------------------------------------------------

void TContainedXMPPacket::LoadError(Platform::TStream& source) {
  // Only the file's own data, handed over for lazy loading, is kept; text the caller
  // loads explicitly is refused as usual.
  if (OnLoadError() || dynamic_cast<TMetadataBlockDataStream*>(&source) == nullptr) {
    TXMPPacket::LoadError(source);
    return;
  }
  source.SetPosition(0);
  SetDataToLazyLoad(std::make_shared<TMetadataBlock>(source, source.Size()));
}

void TContainedXMPPacket::Changed(bool resetRawXMLCache) {
  // A load reports itself without dropping the text it read; every edit drops it.
  FEdited = resetRawXMLCache;
  TXMPPacket::Changed(resetRawXMLCache);
}

// --- Construction ---------------------------------------------------------------------

TCustomExifData::TCustomExifData() : TCustomExifData(&CreateFixedSection) {}

TCustomExifData::TCustomExifData(TSectionFactory sectionFactory) {
  FEmbeddedIPTC = std::make_unique<TIPTCData>();
  FEnforceASCII = true;
  FEnsureEnumsInRange = true;
  FExifVersion = std::make_unique<TExifVersion>(*this);
  FFlashPixVersion = std::make_unique<TFlashPixVersion>(*this);
  FGPSVersion = std::make_unique<TGPSVersion>(*this);
  FGPSLatitude = std::make_unique<TGPSLatitude>(*this, 2);
  FGPSLongitude = std::make_unique<TGPSLongitude>(*this, 4);
  FGPSDestLatitude = std::make_unique<TGPSLatitude>(*this, 20);
  FGPSDestLongitude = std::make_unique<TGPSLongitude>(*this, 22);
  for (const auto kind : ExifSectionKinds)
    FSections[SectionIndex(kind)] = sectionFactory(*this, kind);
  // These objects look their sections up when they are made.
  FFlash = std::make_unique<TExifFlashInfo>(*this);
  FFocalPlaneResolution = std::make_unique<TFocalPlaneResolution>(*this);
  FInteropVersion = std::make_unique<TInteropVersion>(*this);
  FISOSpeedRatings = std::make_unique<TISOSpeedRatings>(*this);
  FResolution = std::make_unique<TImageResolution>(*this);
  FThumbnailResolution = std::make_unique<TThumbnailResolution>(*this);
  FXMPPacket = std::make_unique<TContainedXMPPacket>();
  ResetMakerNoteType();
  SetXMPWritePolicy(TXMPWritePolicy::xwUpdateIfExists);
}

TCustomExifData::~TCustomExifData() {
  // Tearing down is no change anybody should hear of.
  FUpdateCount = 1000;
  FMakerNoteValue.reset();
  FExifVersion.reset();
  FFlash.reset();
  FFlashPixVersion.reset();
  FFocalPlaneResolution.reset();
  FGPSLatitude.reset();
  FGPSDestLatitude.reset();
  FGPSLongitude.reset();
  FGPSDestLongitude.reset();
  FGPSVersion.reset();
  FInteropVersion.reset();
  FISOSpeedRatings.reset();
  FResolution.reset();
  FThumbnailResolution.reset();
  for (auto& section : FSections)
    section.reset();
  FXMPPacket.reset();
  FEmbeddedIPTC.reset();
  FThumbnailOrNil.reset();
}

std::unique_ptr<TExifSection> TCustomExifData::CreateFixedSection(TCustomExifData& owner, TExifSectionKind kind) {
  return std::make_unique<TExifSection>(&owner, kind);
}

// --- Change notification ----------------------------------------------------------------

void TCustomExifData::BeginUpdate() { ++FUpdateCount; }

void TCustomExifData::EndUpdate() {
  if (FUpdateCount <= 0)
    return;
  if (--FUpdateCount == 0 && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    Changed(nullptr);
  }
}

void TCustomExifData::Changed(TExifSection* /*sender*/) {
  if (FUpdateCount > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  FModified = true;
  if (FOnChange)
    FOnChange(*this);
}

void TCustomExifData::SetModified(bool value) {
  if (value)
    Changed(nullptr);
  else
    FModified = false;
}

void TCustomExifData::EndLoad() {
  FChangedWhileUpdating = false;
  EndUpdate();
  FModified = false;
  for (auto& section : FSections)
    section->SetModified(false);
}

// --- Content ----------------------------------------------------------------------------

TExifSection& TCustomExifData::Section(TExifSectionKind kind) const { return *FSections[SectionIndex(kind)]; }

void TCustomExifData::Clear(bool xmpPacketToo) {
  BeginUpdate();
  try {
    if (HasThumbnail())
      Changed(nullptr);
    FThumbnailOrNil.reset();
    FThumbnailStripData.clear();
    FThumbnailTrailer.clear();
    FThumbnailAsLoaded = false;
    ResetMakerNoteType();
    for (auto& section : FSections)
      section->Clear();
    if (xmpPacketToo)
      FXMPPacket->Clear();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TCustomExifData::Empty() const {
  for (const auto& section : FSections)
    if (section->Count() > 0)
      return false;
  return !HasThumbnail();
}

TExifSection* TCustomExifData::GetSection(TExifSectionKind kind) {
  if (kind == esUserDefined || static_cast<std::size_t>(kind) > FSections.size())
    throw Platform::ERangeError();
  if (kind == esMakerNote && !FMakerNoteValue && FMakerNoteType != TUnrecognizedMakerNote::Class())
    MakerNote();
  return FSections[SectionIndex(kind)].get();
}

TExifSection* TCustomExifData::OwnedSection(TExifSectionKind kind) const {
  if (kind == esUserDefined || static_cast<std::size_t>(kind) > FSections.size())
    return nullptr;
  return FSections[SectionIndex(kind)].get();
}

TExifSection* TCustomExifData::TEnumerator::Current() const { return FClient->GetSection(FSection); }

bool TCustomExifData::TEnumerator::MoveNext() {
  if (!FDoneFirst) {
    FDoneFirst = true;
    FSection = esGeneral;
    return true;
  }
  if (FSection == esMakerNote)
    return false;
  FSection = static_cast<TExifSectionKind>(static_cast<std::uint8_t>(FSection) + 1);
  return true;
}

// --- Settings ---------------------------------------------------------------------------

void TCustomExifData::SetEndianness(TEndianness value) {
  if (value == FEndianness)
    return;
  FEndianness = value;
  Changed(nullptr);
}

TXMPWritePolicy TCustomExifData::XMPWritePolicy() const { return FXMPPacket->UpdatePolicy(); }

void TCustomExifData::SetXMPWritePolicy(TXMPWritePolicy value) { FXMPPacket->SetUpdatePolicy(value); }

// --- Thumbnail --------------------------------------------------------------------------

bool TCustomExifData::HasThumbnail() const { return FThumbnailOrNil && !FThumbnailOrNil->Empty(); }

void TCustomExifData::BindThumbnail() {
  FThumbnailOrNil->SetOnChange([this](Platform::TGraphic& sender) { ThumbnailChanged(sender); });
}

Platform::TJPEGImage& TCustomExifData::Thumbnail() {
  if (!FThumbnailOrNil) {
    FThumbnailOrNil = std::make_unique<Platform::TJPEGImage>();
    BindThumbnail();
  }
  return *FThumbnailOrNil;
}

void TCustomExifData::SetThumbnail(const Platform::TJPEGImage* value) {
  FThumbnailAsLoaded = false;
  FThumbnailTrailer.clear();
  if (value == nullptr || value->Empty()) {
    if (!FThumbnailStripData.empty()) {
      FThumbnailStripData.clear();
      Changed(nullptr);
    }
    if (!FThumbnailOrNil)
      return;
    const bool hadPicture = !FThumbnailOrNil->Empty();
    FThumbnailOrNil.reset();
    if (hadPicture)
      Changed(nullptr);
    return;
  }
  if (value == FThumbnailOrNil.get())
    return;
  Thumbnail().Assign(*value);
}

void TCustomExifData::ThumbnailChanged(Platform::TGraphic& sender) {
  // One change for the picture and the size tags that follow it.
  BeginUpdate();
  try {
    SetModified(true);
    if (&sender == FThumbnailOrNil.get()) {
      // A new picture is written as it now is.
      FThumbnailAsLoaded = false;
      FThumbnailTrailer.clear();
      auto& section = Section(esThumbnail);
      if (section.Find(ttImageWidth) != nullptr || section.Find(ttImageLength) != nullptr) {
        section.SetWordValue(ttImageWidth, 0, static_cast<std::uint16_t>(sender.Width()));
        section.SetWordValue(ttImageLength, 0, static_cast<std::uint16_t>(sender.Height()));
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TCustomExifData::LoadThumbnail(const IFoundTiffDirectory& directory) {
  auto& thumbnail = Thumbnail();
  thumbnail.SetOnChange(nullptr);
  if (directory.TryLoadExifThumbnail(thumbnail)) {
    BindThumbnail();
    FThumbnailAsLoaded = true;
    TakeThumbnailTrailer(directory);
    return true;
  }
  FThumbnailOrNil.reset();
  return false;
}

// What the thumbnail's declared length holds behind its EOI marker (padding or data some
// writers leave there), so that an unchanged thumbnail is written with every byte it had.
void TCustomExifData::TakeThumbnailTrailer(const IFoundTiffDirectory& directory) {
  FThumbnailTrailer.clear();
  const auto& section = Section(esThumbnail);
  const auto* offsetTag = section.Find(ttJPEGInterchangeFormat);
  const auto* lengthTag = section.Find(ttJPEGInterchangeFormatLength);
  if (offsetTag == nullptr || lengthTag == nullptr || lengthTag->ElementCount() != 1)
    return;
  const std::int64_t loaded = static_cast<std::int64_t>(FThumbnailOrNil->Data().size());
  const std::int64_t declared = lengthTag->ReadLongWord(0, 0);
  if (declared <= loaded || declared > TExifData::MaxThumbnailSize)
    return;
  const auto parser = directory.Parser();
  TStream& stream = parser->Stream();
  const std::int64_t offset = offsetTag->ReadLongWord(0, std::numeric_limits<std::uint32_t>::max());
  // From the picture's EOI marker on, so that only bytes right behind the picture loaded
  // are taken for its trailer.
  const std::int64_t start = parser->BasePosition() + offset + loaded - 2;
  const std::int64_t count = declared - loaded + 2;
  if (loaded < 2 || start < 0 || start > stream.Size() - count)
    return;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  stream.SetPosition(start);
  if (stream.Read(bytes.data(), count) != count || bytes[0] != 0xFF || bytes[1] != 0xD9)
    return;
  FThumbnailTrailer.assign(bytes.begin() + 2, bytes.end());
}

void TCustomExifData::LoadThumbnailStrips(const IFoundTiffDirectory& directory) {
  FThumbnailStripData.clear();
  const auto& section = Section(esThumbnail);
  const auto* offsets = section.Find(ttStripOffsets);
  const auto* counts = section.Find(ttStripByteCounts);
  if (offsets == nullptr || counts == nullptr || offsets->ElementCount() != counts->ElementCount() ||
      offsets->ElementCount() <= 0)
    return;
  const auto parser = directory.Parser();
  TStream& stream = parser->Stream();
  const std::int64_t base = parser->BasePosition();
  std::int64_t total = 0;
  // Whatever cannot travel in an APP1 segment with its directory is not kept.
  for (std::int32_t i = 0; i < counts->ElementCount(); ++i)
    if ((total += counts->ReadLongWord(i, 0)) > TExifData::MaxThumbnailSize)
      return;
  if (total == 0)
    return;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(total));
  std::int64_t filled = 0;
  for (std::int32_t i = 0; i < counts->ElementCount(); ++i) {
    const std::int64_t count = counts->ReadLongWord(i, 0);
    const std::int64_t start = base + offsets->ReadLongWord(i, 0);
    if (count == 0)
      continue;
    if (start < 0 || start > stream.Size() - count)
      return;
    stream.SetPosition(start);
    if (stream.Read(data.data() + filled, count) != count)
      return;
    filled += count;
  }
  FThumbnailStripData = std::move(data);
}

// --- Loading ----------------------------------------------------------------------------

bool TCustomExifData::LoadFromGraphic(TStream& stream) {
  FMetadataInSource = {};
  FXMPSegmentPosition = 0;
  FXMPPacketSizeInSource = 0;
  bool result = false;
  TLoadBracket bracket(*this, [this] { EndLoad(); });
  Clear(true);
  // IPTC data from an earlier file must not pass for this one's.
  FEmbeddedIPTC->Clear();
  TEndianness endianness = TEndianness::SmallEndian;
  if (HasJPEGHeader(stream)) {
    result = true;
    LoadFromJPEGSegments(stream);
  } else if (HasPSDHeader(stream)) {
    result = true;
    LoadFromPSDBlocks(stream);
  } else if (TryReadTiffHeader(stream, endianness, false)) {
    result = true;
    try {
      LoadFromTiffStream(stream, true);
    } catch (const EInvalidTiffData&) {
      // A header without a directory offset: a TIFF file without metadata.
    } catch (const Platform::EStreamError&) {
    }
    if (!Empty())
      FMetadataInSource.Include(mkExif);
    if (!FXMPPacket->Empty())
      FMetadataInSource.Include(mkXMP);
  }
  return result;
}

void TCustomExifData::LoadFromJPEGSegments(TStream& stream) {
  bool exifTaken = false;
  bool xmpTaken = false;
  try {
    // The walk ends at the start of the scan: nothing behind it is metadata, so the
    // picture data is never read.
    const auto parser = JPEGHeader(stream, TJPEGMarkers{jmApp1, jmSOS});
    while (parser->MoveNext()) {
      const auto segment = parser->Current();
      if (segment->MarkerNum() == jmSOS)
        break;
      if (!exifTaken && segment->IsExifBlock(true)) {
        exifTaken = true;
        FMetadataInSource.Include(mkExif);
        auto& data = segment->Data();
        data.SetPosition(0);
        try {
          LoadFromTiffStream(data, false);
        } catch (const EInvalidTiffData&) {
          // A header without its first-directory offset: no tags.
        }
        FOffsetBase += segment->OffsetOfData();
      } else if (!xmpTaken && segment->IsXMPBlock(true)) {
        xmpTaken = true;
        FMetadataInSource.Include(mkXMP);
        FXMPSegmentPosition = segment->Offset();
        FXMPPacketSizeInSource = segment->Data().Size();
        // The segment holds its own copy of the data.
        FXMPPacket->SetDataToLazyLoad(segment);
      }
      if (exifTaken && xmpTaken)
        break;
    }
  } catch (const Platform::EStreamError&) {
    // A header cut off in the middle: what was found stays.
  }
}

void TCustomExifData::LoadFromPSDBlocks(TStream& stream) {
  bool exifTaken = false;
  bool xmpTaken = false;
  try {
    TPSDInfo info;
    for (const auto& block : *ParsePSDHeader(stream, info)) {
      if (!exifTaken && block->IsExifBlock(true)) {
        exifTaken = true;
        FMetadataInSource.Include(mkExif);
        auto& data = block->Data();
        data.SetPosition(0);
        try {
          LoadFromTiffStream(data, false);
        } catch (const EInvalidTiffData&) {
        }
      } else if (!xmpTaken && block->IsXMPBlock(true)) {
        xmpTaken = true;
        FMetadataInSource.Include(mkXMP);
        FXMPPacket->SetDataToLazyLoad(block);
      }
      if (exifTaken && xmpTaken)
        break;
    }
  } catch (const EInvalidPSDHeader&) {
    // Lengths that do not add up: no metadata is taken from the resources.
  } catch (const Platform::EStreamError&) {
  }
}

bool TCustomExifData::LoadFromGraphic(Platform::IStreamPersist& graphic) {
  Platform::TMemoryStream stream;
  graphic.SaveToStream(stream);
  stream.SetPosition(0);
  return LoadFromGraphic(stream);
}

bool TCustomExifData::LoadFromGraphic(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  return LoadFromGraphic(stream);
}

void TCustomExifData::LoadFromJPEG(TStream& stream) {
  if (!HasJPEGHeader(stream))
    throw EInvalidJPEGHeader();
  LoadFromGraphic(stream);
}

void TCustomExifData::LoadFromJPEG(Platform::TJPEGImage& image) { LoadFromGraphic(image); }

void TCustomExifData::LoadFromJPEG(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  LoadFromJPEG(stream);
}

void TCustomExifData::LoadFromStream(TStream& stream) {
  TLoadBracket bracket(*this, [this] { EndLoad(); });
  Clear(false);
  FEmbeddedIPTC->Clear();
  LoadFromTiffStream(stream, false);
}

void TCustomExifData::LoadFromTiffStream(TStream& stream, bool tiffImageSource) {
  if (CheckSignature(stream, ExifHeader))
    tiffImageSource = false;
  TLoadBracket bracket(*this, [this] { EndLoad(); });
  const auto parser = ParseTiff(stream);
  FOffsetBase = parser->BasePosition();
  FEndianness = parser->Endianness();
  const auto ifd0 = LoadMainDirectories(parser, tiffImageSource);
  const auto exifIFD = LoadSubDirectory(*parser, ifd0, ttExifOffset, esDetails, tiffImageSource);
  const auto gps = LoadSubDirectory(*parser, ifd0, ttGPSOffset, esGPS, tiffImageSource);
  const auto interop = LoadSubDirectory(*parser, exifIFD, ttInteropOffset, esInterop, tiffImageSource);
  DetectMakerNoteType();
  TakeMakerNoteExtents(*parser, {ifd0.get(), exifIFD.get(), gps.get(), interop.get()});
}

std::shared_ptr<IFoundTiffDirectory> TCustomExifData::LoadMainDirectories(const std::shared_ptr<ITiffParser>& parser,
                                                                          bool tiffImageSource) {
  std::shared_ptr<IFoundTiffDirectory> ifd0;
  for (const auto& directory : parser->GetEnumerator()) {
    if (directory->Index() == 0) {
      ifd0 = directory;
      Section(esGeneral).Load(*directory, tiffImageSource);
      TakeMetadataOfIFD0(*directory, tiffImageSource);
    } else {
      // A TIFF file's second directory is usually another page, not a thumbnail.
      if (tiffImageSource && !directory->IsExifThumbnailDirectory())
        break;
      Section(esThumbnail).Load(*directory, tiffImageSource);
      // A TIFF file keeps its own directories; only a block's strips need carrying.
      if (!LoadThumbnail(*directory) && !tiffImageSource)
        LoadThumbnailStrips(*directory);
      break;
    }
  }
  return ifd0;
}

void TCustomExifData::TakeMetadataOfIFD0(const IFoundTiffDirectory& directory, bool tiffImageSource) {
  if (auto block = CopyRawTagData(directory, ttIPTC); block && block->IsIPTCBlock(false))
    FEmbeddedIPTC->SetDataToLazyLoad(block);
  if (tiffImageSource || FXMPPacket->Empty())
    if (auto block = CopyRawTagData(directory, ttXMP); block && block->IsXMPBlock(false))
      FXMPPacket->SetDataToLazyLoad(block);
}

std::shared_ptr<IFoundTiffDirectory>
TCustomExifData::LoadSubDirectory(ITiffParser& parser, const std::shared_ptr<IFoundTiffDirectory>& parent,
                                  TTiffTagID pointerID, TExifSectionKind kind, bool tiffImageSource) {
  if (!parent)
    return nullptr;
  const auto* pointer = FindTagInfo(*parent, pointerID);
  std::shared_ptr<IFoundTiffDirectory> directory;
  if (pointer == nullptr)
    return nullptr;
  if (!parser.ParseSubDirectory(parent, *pointer, directory)) {
    Section(kind).SetLoadErrors(UnfollowedPointerErrors(parser, *pointer));
    return nullptr;
  }
  Section(kind).Load(*directory, tiffImageSource);
  return directory;
}

// --- TExifData --------------------------------------------------------------------------

TExifData::TExifData() : TCustomExifData(&CreateExtendableSection) { FRemovePaddingTagsOnSave = true; }

std::unique_ptr<TExifSection> TExifData::CreateExtendableSection(TCustomExifData& owner, TExifSectionKind kind) {
  return std::make_unique<TExtendableExifSection>(&owner, kind);
}

void TExifData::Assign(TCustomExifData* source) {
  if (source == nullptr) {
    Clear(true);
    return;
  }
  if (source == this)
    return;
  BeginUpdate();
  try {
    for (const auto kind : ExifSectionKinds)
      static_cast<TExtendableExifSection*>(OwnedSection(kind))->Assign(source->GetSection(kind));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TExifData::RemoveMakerNote() { OwnedSection(esDetails)->Remove(ttMakerNote); }

void TExifData::RemovePaddingTags() {
  for (auto* section : *this)
    section->RemovePaddingTag();
}

} // namespace Tessel::Exif
