// Reading TIFF structures: the parser, the main-chain walk, directories and tags.

#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace Tessel::Exif {

namespace {

using enum TMetadataLoadError;

constexpr TTiffTagID tagStripOffsets = 0x0111;
constexpr TTiffTagID tagTileOffsets = 0x0144;
constexpr TTiffTagID tagJPEGInterchangeFormat = 0x0201;

// LONG entries of count 1 that hold sizes or image offsets, never a directory.
constexpr TTiffTagID NotSubDirectoryIDs[] = {0x0100, 0x0101, 0x0111, 0x0117, 0x0144,
                                             0x0145, 0x0201, 0x0202, 0xA002, 0xA003};
// The pointer tags that are directories by definition: Exif, GPS, Interop, SubIFDs,
// GlobalParametersIFD. Any other LONG value is taken as a directory only when one
// loads cleanly there, so that a value such as RowsPerStrip is not mistaken for one.
constexpr TTiffTagID KnownPointerIDs[] = {0x8769, 0x8825, 0xA005, 0x014A, 0x0190};
// Nesting deeper than this is not a real file.
constexpr int MaxSubDirectoryDepth = 32;

template <std::size_t N> bool Contains(const TTiffTagID (&ids)[N], TTiffTagID id) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

bool QualifiesAsSubDirectory(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount) {
  if (elementCount != 1)
    return false;
  if (dataType == TTiffDataType::tdSubDirectory)
    return true;
  // Some writers store the Exif, GPS or Interop pointer as SLONG; dropping the
  // directory it leads to would lose it on the next save.
  if (dataType == TTiffDataType::tdLongInt)
    return id == 0x8769 || id == 0x8825 || id == 0xA005;
  return dataType == TTiffDataType::tdLongWord && !Contains(NotSubDirectoryIDs, id);
}

std::uint16_t GetWord(const std::uint8_t* p, TEndianness endianness) {
  std::uint16_t value = 0;
  std::memcpy(&value, p, 2);
  return endianness == TEndianness::BigEndian ? SwapWord(value) : value;
}

std::uint32_t GetLongWord(const std::uint8_t* p, TEndianness endianness) {
  std::uint32_t value = 0;
  std::memcpy(&value, p, 4);
  return endianness == TEndianness::BigEndian ? SwapLongWord(value) : value;
}

// Reverses each element of size bytes in place (count elements).
void SwapElements(std::uint8_t* data, std::int64_t count, int size) {
  for (std::int64_t i = 0; i < count; ++i)
    std::reverse(data + i * size, data + (i + 1) * size);
}

// Where an entry's data lies. Codes outside the TIFF types (but not 0, which is no type
// at all) are taken as byte data, so that the tag can be carried as it was; epOutside
// marks an entry of which nothing can be kept.
enum class TEntryPlacement : std::uint8_t { epInline, epInStream, epTruncated, epOutside };

std::int64_t ClaimedDataSize(const TTiffTagInfo& info) {
  const auto elementSize = TiffElementSize(info.DataType);
  const std::int64_t unit = elementSize != 0 ? elementSize : 1;
  return unit * std::int64_t{static_cast<std::uint32_t>(info.ElementCount)};
}

// Sets DataOffset (and ElementCount -1 where the data is cut off by the stream's end).
TEntryPlacement PlaceEntryData(TTiffTagInfo& info, std::uint32_t valueField, std::int64_t basePosition,
                               std::int64_t internalOffset, std::int64_t size) {
  if (static_cast<std::uint16_t>(info.DataType) == 0)
    return TEntryPlacement::epOutside;
  const std::int64_t claimed = ClaimedDataSize(info);
  if (claimed <= 4) {
    info.DataOffset = info.HeaderOffset + 8;
    return TEntryPlacement::epInline;
  }
  const std::int64_t dataOffset = std::int64_t{valueField} + internalOffset;
  const std::int64_t start = dataOffset + basePosition;
  if (dataOffset > std::numeric_limits<std::uint32_t>::max() || start < 0 || start >= size)
    return TEntryPlacement::epOutside;
  if (dataOffset < 8 || claimed > size - start || claimed > std::numeric_limits<std::int32_t>::max()) {
    // A known type keeps its place without its data; of an unknown type nothing is left.
    if (!IsValidTiffDataType(info.DataType))
      return TEntryPlacement::epOutside;
    info.ElementCount = -1;
    return TEntryPlacement::epTruncated;
  }
  info.DataOffset = static_cast<std::uint32_t>(dataOffset);
  return TEntryPlacement::epInStream;
}

} // namespace

// --- Parser --------------------------------------------------------------------------

TTiffParser::TTiffParser(TStream* stream, TStreamOwnership ownership) {
  FStream.Reset(stream, ownership);
  if (stream == nullptr)
    throw EInvalidTiffData();
  FBasePosition = stream->Position();
  if (!TryReadTiffHeader(*stream, FEndianness, true) || !TryReadLongInt(*stream, FEndianness, FFirstDirOffset))
    throw EInvalidTiffData();
  FMaxOffsetValue = stream->Size() - FBasePosition - 4;
}

TTiffParser::TTiffParser(TStream& stream, std::int64_t basePosition, TEndianness endianness)
    : FBasePosition(basePosition), FEndianness(endianness) {
  FStream.Reset(&stream, TStreamOwnership::soReference);
  FMaxOffsetValue = stream.Size() - FBasePosition - 4;
}

TTiffParserEnumerator TTiffParser::GetEnumerator() {
  return TTiffParserEnumerator(shared_from_this(), FMaxOffsetValue, FFirstDirOffset);
}

void TTiffParser::LoadTagData(const TTiffTagInfo& tagInfo, void* buffer) const {
  const std::int64_t size = tagInfo.DataSize();
  if (size <= 0)
    return;
  TStream& stream = *FStream;
  const std::int64_t start = FBasePosition + tagInfo.DataOffset;
  if (start < 0 || size > stream.Size() - start)
    throw Platform::EReadError();
  stream.SetPosition(start);
  stream.ReadBuffer(buffer, size);
  if (FEndianness != TEndianness::BigEndian)
    return;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  switch (TiffElementSize(tagInfo.DataType)) {
  case 1: break;
  case 2: SwapElements(bytes, size / 2, 2); break;
  default:
    // Rationals are two 32-bit values each; only DOUBLE is an 8-byte unit.
    if (tagInfo.DataType == TTiffDataType::tdDouble)
      SwapElements(bytes, size / 8, 8);
    else
      SwapElements(bytes, size / 4, 4);
    break;
  }
}

bool TTiffParser::ParseSubDirectory(const ITiffTag& offsetTag, std::shared_ptr<IFoundTiffDirectory>& directory) {
  directory.reset();
  if (!QualifiesAsSubDirectory(offsetTag.ID(), offsetTag.DataType(), offsetTag.ElementCount()))
    return false;
  const auto& data = offsetTag.Data();
  const auto elementSize = TiffElementSize(offsetTag.DataType());
  if (data.Size() < elementSize)
    return false;
  std::uint32_t offset = 0;
  if (elementSize == 2) {
    std::uint16_t word = 0;
    std::memcpy(&word, data.Memory(), 2);
    offset = word;
  } else {
    std::memcpy(&offset, data.Memory(), 4);
  }
  return ParseSubDirectoryAt(offsetTag.Parent(), offsetTag.ID(), offsetTag.DataType(), offsetTag.ElementCount(), offset,
                             directory);
}

bool TTiffParser::ParseSubDirectory(const std::shared_ptr<ITiffDirectory>& parent, const TTiffTagInfo& offsetTag,
                                    std::shared_ptr<IFoundTiffDirectory>& directory) {
  directory.reset();
  if (!QualifiesAsSubDirectory(offsetTag.ID, offsetTag.DataType, offsetTag.ElementCount))
    return false;
  std::uint8_t value[4] = {};
  try {
    LoadTagData(offsetTag, value);
  } catch (const Platform::EReadError&) {
    return false;
  }
  std::uint32_t offset = 0;
  if (TiffElementSize(offsetTag.DataType) == 2) {
    std::uint16_t word = 0;
    std::memcpy(&word, value, 2);
    offset = word;
  } else {
    std::memcpy(&offset, value, 4);
  }
  return ParseSubDirectoryAt(parent, offsetTag.ID, offsetTag.DataType, offsetTag.ElementCount, offset, directory);
}

bool TTiffParser::ParseSubDirectoryAt(const std::shared_ptr<ITiffDirectory>& parent, TTiffTagID id,
                                      TTiffDataType dataType, std::int32_t /*elementCount*/, std::uint32_t offset,
                                      std::shared_ptr<IFoundTiffDirectory>& directory) {
  // Offsets below 8 point into the header.
  if (offset < 8)
    return false;
  // A directory on the count field, an entry or the link of one of its ancestors is a
  // loop (or garbage), and nesting is bounded, so that following sub-directories always
  // ends. Bytes an ancestor skipped as damaged entries may hold a directory of their own.
  int depth = 0;
  for (auto ancestor = parent; ancestor; ancestor = ancestor->Parent()) {
    if (++depth > MaxSubDirectoryDepth)
      return false;
    const auto* found = dynamic_cast<const TFoundTiffDirectory*>(ancestor.get());
    if (found != nullptr && found->Parser().get() == this && found->Covers(offset))
      return false;
  }
  if (!TFoundTiffDirectory::TryCreate(shared_from_this(), parent, id, offset, directory))
    return false;
  if (dataType == TTiffDataType::tdLongWord && !Contains(KnownPointerIDs, id) &&
      (directory->TagCount() == 0 || !directory->LoadErrors().Empty())) {
    directory.reset();
    return false;
  }
  return true;
}

std::shared_ptr<ITiffParser> ParseTiff(TStream& stream, TStreamOwnership ownership) {
  return std::make_shared<TTiffParser>(&stream, ownership);
}

std::shared_ptr<ITiffParser> ParseTiff(std::unique_ptr<TStream> stream) {
  // The parser takes the stream over before anything can fail.
  return std::make_shared<TTiffParser>(stream.release(), TStreamOwnership::soOwned);
}

std::shared_ptr<IFoundTiffDirectory> ParseTiffDirectory(TStream& stream, TEndianness endianness,
                                                        std::int64_t basePosition, std::int64_t offset,
                                                        std::int64_t internalOffset) {
  auto parser = std::make_shared<TTiffParser>(stream, basePosition, endianness);
  return std::make_shared<TFoundTiffDirectory>(parser, nullptr, -1, offset, internalOffset);
}

// --- Main chain ----------------------------------------------------------------------

TTiffParserEnumerator::TTiffParserEnumerator(std::shared_ptr<ITiffParser> source, std::int64_t maxPossibleOffset,
                                             std::int32_t nextOffset)
    : FMaxPossibleOffset(maxPossibleOffset), FNextOffset(nextOffset), FSource(std::move(source)) {}

bool TTiffParserEnumerator::MoveNext() {
  FCurrent.reset();
  if (FNextOffset == 0 || !FSource)
    return false;
  TStream& stream = FSource->Stream();
  const auto endianness = FSource->Endianness();
  auto loaded = TFoundTiffDirectory::LoadDirectory(stream, endianness, FSource->BasePosition(), FNextOffset, 0);
  auto directory = std::make_shared<TFoundTiffDirectory>(FSource, nullptr, FNextIndex, FNextOffset, std::move(loaded));
  FVisited.emplace_back(directory->Offset(), directory->TableEnd());

  std::int32_t next = 0;
  bool more = false;
  if (directory->FStopPosition >= 0) {
    stream.SetPosition(directory->FStopPosition);
    if (TryReadLongInt(stream, endianness, next) && next != 0 && next <= FMaxPossibleOffset) {
      const bool walkedBefore = std::any_of(FVisited.begin(), FVisited.end(), [next](const auto& extent) {
        return next >= extent.first && next < extent.second;
      });
      // A link back into the chain would loop forever: it ends the walk here.
      if (walkedBefore)
        directory->FLoadErrors.Include(leBadOffset);
      else
        more = true;
    }
  }
  directory->FMoreToFollow = more;
  if (more) {
    ++FNextIndex;
    FNextOffset = next;
  } else {
    FNextOffset = 0;
  }
  FCurrent = std::move(directory);
  return true;
}

// --- Directories ---------------------------------------------------------------------

TFoundTiffDirectory::TLoadResult TFoundTiffDirectory::LoadDirectory(TStream& stream, TEndianness endianness,
                                                                    std::int64_t basePosition, std::int64_t offset,
                                                                    std::int64_t internalOffset) {
  TLoadResult result;
  const std::int64_t size = stream.Size();
  // Offsets from a file are at most 32 bits wide; anything else is no directory.
  if (offset < std::numeric_limits<std::int32_t>::min() || offset > std::numeric_limits<std::uint32_t>::max()) {
    result.Errors.Include(leBadOffset);
    return result;
  }
  const std::int64_t start = basePosition + offset;
  if (start < 0 || start > size - 2) {
    result.Errors.Include(leBadOffset);
    return result;
  }
  const std::int64_t maxCount = (size - start - 2) / 12;
  stream.SetPosition(start);
  std::uint16_t entryCount = 0;
  if (!TryReadWord(stream, endianness, entryCount)) {
    result.Errors.Include(leBadOffset);
    return result;
  }
  std::int64_t count = entryCount;
  if (count > maxCount) {
    count = maxCount;
    result.Errors.Include(leBadTagCount);
    result.CountCut = true;
  }
  result.Tags.reserve(static_cast<std::size_t>(count));

  // A table in memory is read where it stands: count is capped so that it fits.
  const auto* memory = dynamic_cast<const Platform::TCustomMemoryStream*>(&stream);
  const std::int64_t tableStart = start + 2;
  bool previousWellFormed = true;
  for (std::int64_t i = 0; i < count; ++i) {
    const auto position = tableStart + 12 * i;
    std::uint8_t raw[12];
    if (memory != nullptr) {
      std::memcpy(raw, memory->Memory() + position, sizeof raw);
    } else if (!TryReadBuffer(stream, raw, 12)) {
      result.Errors.Include(leBadTagCount);
      result.CountCut = true;
      break;
    }
    TTiffTagInfo info;
    info.HeaderOffset = static_cast<std::uint32_t>(position - basePosition);
    info.ID = GetWord(raw, endianness);
    info.DataType = static_cast<TTiffDataType>(GetWord(raw + 2, endianness));
    info.ElementCount = static_cast<std::int32_t>(GetLongWord(raw + 4, endianness));
    const auto placement = PlaceEntryData(info, GetLongWord(raw + 8, endianness), basePosition, internalOffset, size);
    if (placement != TEntryPlacement::epOutside && info.IsWellFormed()) {
      previousWellFormed = true;
    } else {
      // A bad entry costs only itself: the sound entries after it are kept, so that one
      // damaged entry does not take a whole directory (and what hangs off it) along.
      result.Errors.Include(leBadTagHeader);
      if (!previousWellFormed)
        result.Errors.Include(leBadTagCount);
      previousWellFormed = false;
    }
    ++result.EntriesRead;
    if (placement == TEntryPlacement::epOutside)
      continue;
    result.Tags.push_back(info);
  }
  if (memory != nullptr)
    stream.SetPosition(tableStart + 12 * count);
  result.StopPosition = stream.Position();
  return result;
}

TFoundTiffDirectory::TFoundTiffDirectory(const std::shared_ptr<ITiffParser>& parser,
                                         std::shared_ptr<ITiffDirectory> parent, std::int32_t index,
                                         std::int64_t offset, std::int64_t internalOffset)
    : TFoundTiffDirectory(
          parser, std::move(parent), index, offset,
          LoadDirectory(parser->Stream(), parser->Endianness(), parser->BasePosition(), offset, internalOffset)) {}

TFoundTiffDirectory::TFoundTiffDirectory(std::shared_ptr<ITiffParser> parser, std::shared_ptr<ITiffDirectory> parent,
                                         std::int32_t index, std::int64_t offset, TLoadResult loaded)
    : FIndex(index), FLoadErrors(loaded.Errors), FParent(std::move(parent)), FParser(std::move(parser)),
      FTags(std::move(loaded.Tags)), FOffset(offset), FStopPosition(loaded.StopPosition) {}

bool TFoundTiffDirectory::TryCreate(std::shared_ptr<ITiffParser> parser, std::shared_ptr<ITiffDirectory> parent,
                                    std::int32_t index, std::int64_t offset,
                                    std::shared_ptr<IFoundTiffDirectory>& instance) {
  instance.reset();
  auto loaded = LoadDirectory(parser->Stream(), parser->Endianness(), parser->BasePosition(), offset, 0);
  // Damaged entries were skipped as they came. What is left is a directory when something
  // was kept and it holds an entry of a known type, or nothing had to be skipped (its
  // entries of types this library does not know, but in place), or it is large enough to
  // be more than a few stray bytes; otherwise it is garbage.
  const bool everythingKept = !loaded.CountCut && !loaded.Errors.Contains(leBadOffset) &&
                              loaded.EntriesRead == static_cast<std::int64_t>(loaded.Tags.size());
  const bool somethingKnown =
      std::any_of(loaded.Tags.begin(), loaded.Tags.end(), [](const auto& info) { return info.IsWellFormed(); });
  if (!loaded.Errors.Empty() && (loaded.Tags.empty() || !(somethingKnown || everythingKept || loaded.EntriesRead > 2)))
    return false;
  instance =
      std::make_shared<TFoundTiffDirectory>(std::move(parser), std::move(parent), index, offset, std::move(loaded));
  return true;
}

bool TFoundTiffDirectory::Covers(std::int64_t offset) const {
  const auto within = [offset](std::int64_t start, std::int64_t length) {
    return offset >= start && offset < start + length;
  };
  if (within(FOffset, 2))
    return true;
  if (FStopPosition >= 0 && within(FStopPosition - FParser->BasePosition(), 4))
    return true;
  return std::any_of(FTags.begin(), FTags.end(), [&](const auto& info) { return within(info.HeaderOffset, 12); });
}

std::int64_t TFoundTiffDirectory::TableEnd() const {
  // Entries skipped as damaged still take their room in the table.
  const auto kept = FOffset + 2 + 12 * static_cast<std::int64_t>(FTags.size()) + 4;
  return FStopPosition >= 0 ? std::max(kept, FStopPosition - FParser->BasePosition() + 4) : kept;
}

std::shared_ptr<ITiffTag> TFoundTiffDirectory::CreateTag(std::int32_t index) const {
  return std::make_shared<TFoundTiffTag>(shared_from_this(), index);
}

namespace {

class TFoundTiffDirectoryEnumerator : public ITiffDirectoryEnumerator {
public:
  // Holds the directory: an enumerator outliving its caller's reference stays valid.
  explicit TFoundTiffDirectoryEnumerator(std::shared_ptr<const TFoundTiffDirectory> source)
      : FSource(std::move(source)) {}

  [[nodiscard]] std::shared_ptr<ITiffTag> Current() const override {
    if (FCurrentIndex < 0 || FCurrentIndex >= FSource->TagCount())
      return nullptr;
    return FSource->CreateTag(FCurrentIndex);
  }
  bool MoveNext() override {
    if (FCurrentIndex >= FSource->TagCount() - 1)
      return false;
    ++FCurrentIndex;
    return true;
  }

private:
  std::int32_t FCurrentIndex = -1;
  std::shared_ptr<const TFoundTiffDirectory> FSource;
};

} // namespace

TEnumeratorPtr<ITiffDirectoryEnumerator> TFoundTiffDirectory::GetEnumerator() const {
  return std::shared_ptr<ITiffDirectoryEnumerator>(std::make_shared<TFoundTiffDirectoryEnumerator>(shared_from_this()));
}

bool TFoundTiffDirectory::FindTag(TTiffTagID tagID, std::shared_ptr<ITiffTag>& parsedTag) const {
  parsedTag.reset();
  for (std::size_t i = 0; i < FTags.size(); ++i) {
    if (FTags[i].ID < tagID)
      continue;
    if (FTags[i].ID != tagID)
      return false;
    parsedTag = CreateTag(static_cast<std::int32_t>(i));
    return true;
  }
  return false;
}

bool TFoundTiffDirectory::TagExists(TTiffTagID tagID, const TTiffDataTypes& validDataTypes,
                                    std::int32_t minElementCount, std::int32_t maxElementCount) const {
  for (const auto& info : FTags) {
    if (info.ID < tagID)
      continue;
    return info.ID == tagID && TiffDataTypeIn(info.DataType, validDataTypes) && minElementCount <= info.ElementCount &&
           info.ElementCount <= maxElementCount;
  }
  return false;
}

bool TFoundTiffDirectory::IsExifThumbnailDirectory() const {
  using enum TTiffDataType;
  constexpr auto maxCount = std::numeric_limits<std::int32_t>::max();
  return FIndex == 1 && IsLastDirectoryInFile() &&
         TagExists(tagJPEGInterchangeFormat, {tdWord, tdLongWord, tdSubDirectory}, 1, 1) &&
         !TagExists(tagStripOffsets, AllTiffDataTypes(), 1, maxCount) &&
         !TagExists(tagTileOffsets, AllTiffDataTypes(), 1, maxCount);
}

bool TFoundTiffDirectory::TryLoadExifThumbnail(Platform::IStreamPersist& dest) const {
  using enum TTiffDataType;
  const auto entry = std::find_if(FTags.begin(), FTags.end(), [](const auto& info) { return info.ID > 0x0200; });
  if (entry == FTags.end() || entry->ID != tagJPEGInterchangeFormat || entry->ElementCount != 1 ||
      !TiffDataTypeIn(entry->DataType, {tdWord, tdLongWord, tdSubDirectory}))
    return false;
  try {
    std::uint8_t value[4] = {};
    FParser->LoadTagData(*entry, value);
    std::uint32_t offset = 0;
    if (entry->DataType == tdWord) {
      std::uint16_t word = 0;
      std::memcpy(&word, value, 2);
      offset = word;
    } else {
      std::memcpy(&offset, value, 4);
    }
    TStream& stream = FParser->Stream();
    const std::int64_t start = FParser->BasePosition() + offset;
    if (start < 0 || start >= stream.Size())
      return false;
    stream.SetPosition(start);
    if (!HasJPEGHeader(stream))
      return false;
    const auto size = GetJPEGDataSize(stream, false);
    if (size <= 0)
      return false;
    if (size == stream.Size() - start) {
      dest.LoadFromStream(stream);
    } else if (const auto* memory = dynamic_cast<const Platform::TCustomMemoryStream*>(&stream);
               memory != nullptr && size < stream.Size() - start) {
      // A block in memory (as every Exif block is) is read where it stands.
      TUserMemoryStream thumbnail(memory->Memory() + start, size);
      dest.LoadFromStream(thumbnail);
    } else {
      Platform::TMemoryStream thumbnail;
      thumbnail.CopyFrom(stream, size);
      thumbnail.SetPosition(0);
      dest.LoadFromStream(thumbnail);
    }
    return true;
  } catch (const std::exception&) {
    // A damaged thumbnail is no thumbnail; the rest of the data stays usable.
    return false;
  }
}

// --- Tags ----------------------------------------------------------------------------

TFoundTiffTag::TFoundTiffTag(std::shared_ptr<const TFoundTiffDirectory> parent, std::int32_t index)
    : FParent(parent.get()), FParentIntf(std::const_pointer_cast<TFoundTiffDirectory>(std::move(parent))),
      FSourcePtr(&FParent->TagInfo().at(static_cast<std::size_t>(index))) {
  const auto size = FSourcePtr->DataSize();
  if (size > 0) {
    // The size was checked against the stream when the entry was read, and LoadTagData
    // checks it again, so no more is allocated than the stream holds.
    const auto& parser = *FParent->Parser();
    if (std::int64_t{FSourcePtr->DataOffset} + size > parser.Stream().Size() - parser.BasePosition())
      throw Platform::EReadError();
    Data().SetSize(size);
    parser.LoadTagData(*FSourcePtr, Data().Memory());
  }
  Data().SetDisableChanges(true);
}

TFoundTiffTag::TFoundTiffTag(TTiffTagID id, TTiffDataType dataType, IStreamPersistEx* dataSource)
    : TMetadataBlock(dataSource) {
  FOwnInfo.ID = id;
  FOwnInfo.DataType = dataType;
  const auto elementSize = TiffElementSize(dataType);
  if (dataSource != nullptr) {
    FOwnInfo.ElementCount =
        elementSize == 0 ? 0
                         : static_cast<std::int32_t>(std::min<std::int64_t>(Data().Size() / elementSize,
                                                                            std::numeric_limits<std::int32_t>::max()));
  } else {
    FOwnInfo.ElementCount = 1;
    Data().SetSize(elementSize);
    if (elementSize > 0)
      std::memset(Data().Memory(), 0, static_cast<std::size_t>(elementSize));
  }
  Data().SetPosition(0);
}

} // namespace Tessel::Exif
