// Writing TIFF structures anew: directory rewriters, layout, writing and RewriteTiff.

#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

namespace Tessel::Exif {

namespace {

using enum TTiffDataType;

constexpr TTiffTagID tagStripOffsets = 0x0111;
constexpr TTiffTagID tagStripByteCounts = 0x0117;
constexpr TTiffTagID tagTileOffsets = 0x0144;
constexpr TTiffTagID tagTileByteCounts = 0x0145;
constexpr TTiffTagID tagJPEGInterchangeFormat = 0x0201;
constexpr TTiffTagID tagJPEGInterchangeFormatLength = 0x0202;
constexpr TTiffTagID tagExifOffset = 0x8769;
constexpr TTiffTagID tagMakerNote = 0x927C;
constexpr TTiffTagID tagOffsetSchema = 0xEA1D;

// Writes count elements of dataType from a native-order buffer in the given byte order;
// less than 4 bytes are padded with zeros so that inline values fill their field.
void WriteTagData(TStream& stream, TTiffDataType dataType, std::int64_t count, const std::uint8_t* data,
                  TEndianness endianness) {
  const int elementSize = TiffElementSize(dataType);
  const std::int64_t size = elementSize * count;
  if (endianness == TEndianness::SmallEndian || elementSize == 1) {
    stream.WriteBuffer(data, size);
  } else if (dataType == tdDouble) {
    for (std::int64_t i = 0; i < count; ++i) {
      double value = 0;
      std::memcpy(&value, data + i * 8, 8);
      WriteDouble(stream, value, endianness);
    }
  } else if (elementSize == 2) {
    for (std::int64_t i = 0; i < count; ++i) {
      std::uint16_t value = 0;
      std::memcpy(&value, data + i * 2, 2);
      WriteWord(stream, value, endianness);
    }
  } else {
    for (std::int64_t i = 0; i < size / 4; ++i) {
      std::uint32_t value = 0;
      std::memcpy(&value, data + i * 4, 4);
      WriteLongWord(stream, value, endianness);
    }
  }
  if (size < 4) {
    const std::uint8_t zeros[4] = {};
    stream.WriteBuffer(zeros, 4 - size);
  }
}

// An entry with a type code this library does not know is carried as it came: its count
// taken as bytes, read and written in file order, as the Exif block writer does.
bool HasUnknownType(const TTiffTagInfo& info) {
  return static_cast<std::uint16_t>(info.DataType) != 0 && !IsValidTiffDataType(info.DataType) &&
         info.ElementCount > 0;
}

// The entry as its bytes are read: an unknown type as that many UNDEFINED bytes.
TTiffTagInfo AsReadable(const TTiffTagInfo& info) {
  TTiffTagInfo result = info;
  if (HasUnknownType(info))
    result.DataType = tdUndefined;
  return result;
}

void WriteZeros(TStream& stream, std::int64_t count) {
  static const std::array<std::uint8_t, 4096> zeros{};
  for (; count > 0; count -= static_cast<std::int64_t>(zeros.size()))
    stream.WriteBuffer(zeros.data(), std::min<std::int64_t>(count, zeros.size()));
}

// Copies count bytes from source at sourcePosition to dest's position, in chunks so that
// no buffer is sized by a count from the file.
void CopyBytes(TStream& source, std::int64_t sourcePosition, std::int64_t count, TStream& dest) {
  if (sourcePosition < 0 || count > source.Size() - sourcePosition)
    throw Platform::EReadError();
  source.SetPosition(sourcePosition);
  dest.CopyFrom(source, count);
}

} // namespace

// --- Shared state of one rewrite ---------------------------------------------------------

struct TTiffDirectoryRewriter::TRewriteContext {
  // Parsed sub-directories already taken over, so that pointers shared between
  // directories (or leading in circles) cannot multiply the work.
  std::set<std::pair<const ITiffParser*, std::int64_t>> VisitedSubDirectories;
  // Bytes that will be copied from sources; a file whose entries all claim the same
  // large data block must not turn into an output many times its size.
  std::int64_t CopiedBytes = 0;
  std::int64_t CopyLimit = 1 << 20;

  void NoteSource(const ITiffParser& parser) {
    const auto available = std::max<std::int64_t>(parser.Stream().Size() - parser.BasePosition(), 0);
    CopyLimit = std::max(CopyLimit, 2 * available + (1 << 20));
  }
  void AddCopied(std::int64_t bytes) {
    CopiedBytes += bytes;
    if (CopiedBytes > CopyLimit)
      throw EInvalidTiffData();
  }
};

struct TTiffDirectoryRewriter::TLayoutState {
  std::uint64_t R = 8; // running offset, directly after the header
  const TTagToWrite* AnchoredMakerNote = nullptr;
  std::uint64_t AnchorStart = 0;
  std::uint64_t AnchorEnd = 0;

  // Never lets an allocation touch the block of a maker note kept at its old offset.
  std::uint32_t Allocate(std::uint64_t size) {
    if (AnchoredMakerNote != nullptr && R < AnchorEnd && R + size >= AnchorStart)
      R = AnchorEnd;
    const auto result = R;
    R += size;
    if (R > std::numeric_limits<std::uint32_t>::max())
      throw EInvalidTiffData();
    return static_cast<std::uint32_t>(result);
  }
};

// --- Entries -------------------------------------------------------------------------

class TTiffDirectoryRewriter::TTagToWrite {
public:
  TTagToWrite(TTiffDirectoryRewriter& parent, const TTiffTagInfo& info) : FInfo(info), FParent(&parent) {}
  virtual ~TTagToWrite() = default;
  TTagToWrite(const TTagToWrite&) = delete;
  TTagToWrite& operator=(const TTagToWrite&) = delete;

  [[nodiscard]] TTiffTagID ID() const { return FInfo.ID; }
  [[nodiscard]] TTiffDataType DataType() const { return FInfo.DataType; }
  [[nodiscard]] std::int32_t ElementCount() const { return FInfo.ElementCount; }
  [[nodiscard]] std::uint32_t OldDataOffset() const { return FInfo.DataOffset; }
  [[nodiscard]] std::int32_t DataSize() const { return AsReadable(FInfo).DataSize(); }
  [[nodiscard]] std::uint32_t NewDataOffset() const { return FNewDataOffset; }
  void SetNewDataOffset(std::uint32_t value) { FNewDataOffset = value; }
  [[nodiscard]] TTiffDirectoryRewriter& Parent() const { return *FParent; }

  virtual void WriteData(TStream& stream, TEndianness endianness) const = 0;

protected:
  std::uint32_t FNewDataOffset = 0;
  TTiffTagInfo FInfo;
  TTiffDirectoryRewriter* FParent;

  friend class TTiffDirectoryRewriter;
};

// An entry of a parsed source directory; its data is read from the source when written.
class TTiffDirectoryRewriter::TInternaTiffTagToWrite : public TTagToWrite {
public:
  enum class TKind : std::uint8_t { itNormal, itImageOffsets, itImageByteCounts };

  TInternaTiffTagToWrite(TTiffDirectoryRewriter& parent, const TTiffTagInfo& info, std::shared_ptr<ITiffParser> parser)
      : TTagToWrite(parent, info), FParser(std::move(parser)) {}

  [[nodiscard]] const std::shared_ptr<ITiffParser>& Parser() const { return FParser; }
  [[nodiscard]] const TTiffTagInfo& Info() const { return FInfo; }
  TKind Kind = TKind::itNormal;

  void WriteData(TStream& stream, TEndianness endianness) const override {
    if (Kind == TKind::itNormal) {
      const auto readable = AsReadable(FInfo);
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(DataSize()));
      FParser->LoadTagData(readable, buffer.data());
      WriteTagData(stream, readable.DataType, readable.ElementCount, buffer.data(), endianness);
      return;
    }
    const bool words = TiffElementSize(FInfo.DataType) == 2;
    for (const auto& item : FParent->FImageInfo) {
      const auto value = Kind == TKind::itImageOffsets ? item.NewOffset : item.ByteCount;
      if (words)
        WriteWord(stream, static_cast<std::uint16_t>(value), endianness);
      else
        WriteLongWord(stream, value, endianness);
    }
    const auto written = static_cast<std::int64_t>(FParent->FImageInfo.size()) * (words ? 2 : 4);
    if (written < 4)
      WriteZeros(stream, 4 - written);
  }

private:
  std::shared_ptr<ITiffParser> FParser;
};

// Any ITiffTag, written from its memory-backed data.
class TTiffDirectoryRewriter::TExternalTiffTagToWrite : public TTagToWrite {
public:
  TExternalTiffTagToWrite(TTiffDirectoryRewriter& parent, std::shared_ptr<ITiffTag> tag)
      : TTagToWrite(parent, InfoOf(*tag)), FTag(std::move(tag)) {}

  [[nodiscard]] const std::shared_ptr<ITiffTag>& Source() const { return FTag; }

  static TTiffTagInfo InfoOf(const ITiffTag& tag) {
    TTiffTagInfo info;
    info.ID = tag.ID();
    info.DataType = tag.DataType();
    info.ElementCount = tag.ElementCount();
    info.DataOffset = tag.OriginalDataOffset();
    return info;
  }

  // The saved form of a container: a byte stream, whatever type its entry is labelled
  // with, so it is written in its own order and zero-padded to the entry's size.
  bool ByteStream = false;

  void WriteData(TStream& stream, TEndianness endianness) const override {
    const auto& data = FTag->Data();
    if (ByteStream || HasUnknownType(FInfo)) {
      const auto size = std::max<std::int64_t>(DataSize(), 0);
      const auto present = std::min<std::int64_t>(data.Size(), size);
      if (present > 0)
        stream.WriteBuffer(data.Memory(), present);
      WriteZeros(stream, std::max<std::int64_t>(size, 4) - present);
      return;
    }
    const int elementSize = TiffElementSize(FInfo.DataType);
    std::int64_t count = 0;
    if (elementSize > 0)
      count = std::clamp<std::int64_t>(data.Size() / elementSize, 0, std::max(FInfo.ElementCount, 0));
    WriteTagData(stream, FInfo.DataType, count, data.Memory(), endianness);
  }

private:
  std::shared_ptr<ITiffTag> FTag;
};

// A pointer to a nested directory, always one LONG.
class TTiffDirectoryRewriter::TTiffSubDirToWrite : public TTagToWrite {
public:
  TTiffSubDirToWrite(TTiffDirectoryRewriter& parent, TTiffTagID id, std::unique_ptr<TTiffDirectoryRewriter> directory)
      : TTagToWrite(parent, PointerInfo(id)), FDirectory(std::move(directory)) {}

  [[nodiscard]] TTiffDirectoryRewriter& Directory() const { return *FDirectory; }

  void WriteData(TStream& stream, TEndianness endianness) const override {
    WriteLongWord(stream, FDirectory->FNewIFDOffset, endianness);
  }

private:
  static TTiffTagInfo PointerInfo(TTiffTagID id) {
    TTiffTagInfo info;
    info.ID = id;
    info.DataType = tdLongWord;
    info.ElementCount = 1;
    return info;
  }

  std::unique_ptr<TTiffDirectoryRewriter> FDirectory;
};

// --- Set-up --------------------------------------------------------------------------

TTiffDirectoryRewriter::TTiffDirectoryRewriter(std::shared_ptr<ITiffDirectory> source, ITiffRewriteCallback* callback)
    : TTiffDirectoryRewriter(std::move(source), callback, std::make_shared<TRewriteContext>()) {}

TTiffDirectoryRewriter::TTiffDirectoryRewriter(std::shared_ptr<ITiffDirectory> source, ITiffRewriteCallback* callback,
                                               std::shared_ptr<TRewriteContext> context)
    : FSource(std::move(source)), FContext(std::move(context)) {
  Initialize(callback);
}

TTiffDirectoryRewriter::~TTiffDirectoryRewriter() = default;

void TTiffDirectoryRewriter::Initialize(ITiffRewriteCallback* callback) {
  if (callback != nullptr)
    callback->AddTagsToWrite(*this);
  FDoneInitialization = true;
  if (!FRewriteSource || !FSource)
    return;
  if (const auto* parsed = dynamic_cast<const IFoundTiffDirectory*>(FSource.get()))
    CarryOverParsedTags(*parsed, callback);
  else
    CarryOverOtherTags(callback);
}

bool TTiffDirectoryRewriter::ShouldCarryOver(const TTiffTagInfo& info, ITiffRewriteCallback* callback) const {
  if (!AsReadable(info).IsWellFormed() || FindEntry(info.ID) >= 0)
    return false;
  bool rewrite = true;
  if (callback != nullptr)
    callback->RewritingOldTag(*FSource, info.ID, info.DataType, rewrite);
  return rewrite;
}

void TTiffDirectoryRewriter::CarryOverParsedTags(const IFoundTiffDirectory& source, ITiffRewriteCallback* callback) {
  FSourceInfo = source.TagInfo();
  FSourceParser = source.Parser();
  FContext->NoteSource(*FSourceParser);
  for (const auto& info : FSourceInfo) {
    if (!ShouldCarryOver(info, callback))
      continue;
    std::shared_ptr<IFoundTiffDirectory> subDirectory;
    if (FSourceParser->ParseSubDirectory(FSource, info, subDirectory)) {
      const auto* found = dynamic_cast<const TFoundTiffDirectory*>(subDirectory.get());
      const auto key =
          std::make_pair(static_cast<const ITiffParser*>(FSourceParser.get()), found != nullptr ? found->Offset() : -1);
      if (FContext->VisitedSubDirectories.insert(key).second) {
        std::unique_ptr<TTiffDirectoryRewriter> nested(new TTiffDirectoryRewriter(subDirectory, callback, FContext));
        if (nested->FRewriteSource)
          InsertEntry(std::make_unique<TTiffSubDirToWrite>(*this, info.ID, std::move(nested)), false);
        continue;
      }
      // Taken over elsewhere already: kept as a plain entry, as any pointer that does not parse.
    }
    const auto size = AsReadable(info).DataSize();
    // The bytes of an entry of unknown type were never checked by the parser: one that
    // claims more than the file holds is left behind rather than failing the save.
    if (HasUnknownType(info) && size > 4 &&
        std::int64_t{info.DataOffset} + size > FSourceParser->Stream().Size() - FSourceParser->BasePosition())
      continue;
    if (size > 4)
      FContext->AddCopied(size);
    InsertEntry(std::make_unique<TInternaTiffTagToWrite>(*this, info, FSourceParser), false);
    // Whichever of the pair comes second completes it: a directory whose entries are
    // not in ascending order must not leave its image data behind.
    if (info.ID == tagStripByteCounts || info.ID == tagTileByteCounts || info.ID == tagJPEGInterchangeFormatLength)
      CheckImageData(info.ID);
    else if (info.ID == tagStripOffsets)
      CheckImageData(tagStripByteCounts);
    else if (info.ID == tagTileOffsets)
      CheckImageData(tagTileByteCounts);
    else if (info.ID == tagJPEGInterchangeFormat)
      CheckImageData(tagJPEGInterchangeFormatLength);
  }
}

void TTiffDirectoryRewriter::CarryOverOtherTags(ITiffRewriteCallback* callback) {
  for (const auto& tag : *FSource->GetEnumerator()) {
    if (tag && ShouldCarryOver(TExternalTiffTagToWrite::InfoOf(*tag), callback))
      InsertEntry(std::make_unique<TExternalTiffTagToWrite>(*this, tag), false);
  }
}

std::ptrdiff_t TTiffDirectoryRewriter::FindEntry(TTiffTagID id) const {
  for (auto i = static_cast<std::ptrdiff_t>(FTagsToWrite.size()) - 1; i >= 0; --i) {
    const auto entryID = FTagsToWrite[static_cast<std::size_t>(i)]->ID();
    if (entryID == id)
      return i;
    if (entryID < id)
      break;
  }
  return -1;
}

bool TTiffDirectoryRewriter::InsertEntry(std::unique_ptr<TTagToWrite> entry, bool raiseIfExists) {
  // Scanning from the end: entries mostly arrive in ascending order.
  auto position = FTagsToWrite.size();
  while (position > 0) {
    const auto existing = FTagsToWrite[position - 1]->ID();
    if (existing == entry->ID()) {
      if (raiseIfExists)
        throw ETagAlreadyExists(entry->ID());
      return false;
    }
    if (existing < entry->ID())
      break;
    --position;
  }
  FTagsToWrite.insert(FTagsToWrite.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
  return true;
}

void TTiffDirectoryRewriter::CheckCanAdd(TTiffTagID id) const {
  if (FDoneInitialization)
    throw Platform::EInvalidOperation(Consts::SCannotAddTagsNow);
  if (FindEntry(id) >= 0)
    throw ETagAlreadyExists(id);
}

void TTiffDirectoryRewriter::AddTag(std::shared_ptr<ITiffTag> source) {
  CheckCanAdd(source->ID());
  InsertEntry(std::make_unique<TExternalTiffTagToWrite>(*this, std::move(source)), true);
}

// The type the source directory stores a byte-stream tag with, when it is one to keep:
// Photoshop writes its IPTC block as LONG, and readers that expect that type should
// find it again after a save.
std::optional<TTiffDataType> TTiffDirectoryRewriter::StoredByteStreamType(TTiffTagID id) const {
  if (!FSource)
    return std::nullopt;
  std::optional<TTiffDataType> stored;
  if (const auto* parsed = dynamic_cast<const IFoundTiffDirectory*>(FSource.get())) {
    for (const auto& info : parsed->TagInfo())
      if (info.ID == id) {
        if (info.IsWellFormed())
          stored = info.DataType;
        break;
      }
  } else if (std::shared_ptr<ITiffTag> old; FSource->FindTag(id, old) && old) {
    stored = old->DataType();
  }
  if (stored && TiffDataTypeIn(*stored, {tdLongWord, tdLongInt}))
    return stored;
  return std::nullopt;
}

void TTiffDirectoryRewriter::AddTag(TTiffTagID id, IStreamPersistEx& dataSource, TTiffDataType dataType) {
  CheckCanAdd(id);
  auto tag = std::make_shared<TFoundTiffTag>(id, dataType, &dataSource);
  auto entry = std::make_unique<TExternalTiffTagToWrite>(*this, tag);
  const auto stored = TiffElementSize(dataType) == 1 ? StoredByteStreamType(id) : std::nullopt;
  if (stored) {
    // Counted in whole elements of the stored type; the last one is zero-padded.
    const int elementSize = TiffElementSize(*stored);
    const auto size = tag->Data().Size();
    const auto count = (size + elementSize - 1) / elementSize;
    if (count > std::numeric_limits<std::int32_t>::max() / elementSize)
      throw EInvalidTiffData();
    entry->FInfo.DataType = *stored;
    entry->FInfo.ElementCount = static_cast<std::int32_t>(count);
  }
  // A type asked for explicitly with wider elements keeps the tag-data writer's order.
  entry->ByteStream = stored.has_value() || TiffElementSize(dataType) == 1;
  InsertEntry(std::move(entry), true);
}

void TTiffDirectoryRewriter::AddSubDirectory(TTiffTagID offsetID, std::shared_ptr<ITiffDirectory> subDirectory,
                                             ITiffRewriteCallback* callback) {
  CheckCanAdd(offsetID);
  std::unique_ptr<TTiffDirectoryRewriter> nested(
      new TTiffDirectoryRewriter(std::move(subDirectory), callback, FContext));
  if (nested->FRewriteSource)
    InsertEntry(std::make_unique<TTiffSubDirToWrite>(*this, offsetID, std::move(nested)), true);
}

std::vector<TTiffTagID> TTiffDirectoryRewriter::TagIDs() const {
  std::vector<TTiffTagID> result;
  result.reserve(FTagsToWrite.size());
  for (const auto& entry : FTagsToWrite)
    result.push_back(entry->ID());
  return result;
}

// Strips, tiles or the JPEG thumbnail: when offsets and byte counts agree and every
// offset lies in the source, the data moves with the directory.
void TTiffDirectoryRewriter::CheckImageData(TTiffTagID byteCountsID) {
  using TKind = TInternaTiffTagToWrite::TKind;
  if (!FImageInfo.empty())
    return;
  const TTiffTagID offsetsID = byteCountsID == tagStripByteCounts  ? tagStripOffsets
                               : byteCountsID == tagTileByteCounts ? tagTileOffsets
                                                                   : tagJPEGInterchangeFormat;
  const auto offsetsIndex = FindEntry(offsetsID);
  const auto countsIndex = FindEntry(byteCountsID);
  if (offsetsIndex < 0 || countsIndex < 0)
    return;
  auto* offsets = dynamic_cast<TInternaTiffTagToWrite*>(FTagsToWrite[static_cast<std::size_t>(offsetsIndex)].get());
  auto* counts = dynamic_cast<TInternaTiffTagToWrite*>(FTagsToWrite[static_cast<std::size_t>(countsIndex)].get());
  if (offsets == nullptr || counts == nullptr || offsets->ElementCount() != counts->ElementCount())
    return;
  if (!TiffDataTypeIn(offsets->DataType(), {tdWord, tdLongWord, tdSubDirectory}) ||
      !TiffDataTypeIn(counts->DataType(), {tdWord, tdLongWord, tdLongInt}))
    return;

  const auto readValues = [](const TInternaTiffTagToWrite& entry) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(entry.DataSize()));
    entry.Parser()->LoadTagData(entry.Info(), buffer.data());
    std::vector<std::uint32_t> values(static_cast<std::size_t>(entry.ElementCount()));
    const bool words = TiffElementSize(entry.DataType()) == 2;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (words) {
        std::uint16_t word = 0;
        std::memcpy(&word, buffer.data() + i * 2, 2);
        values[i] = word;
      } else {
        std::memcpy(&values[i], buffer.data() + i * 4, 4);
      }
    }
    return values;
  };
  const auto oldOffsets = readValues(*offsets);
  const auto byteCounts = readValues(*counts);
  const auto& parser = *offsets->Parser();
  const std::int64_t available = parser.Stream().Size() - parser.BasePosition();
  for (const auto offset : oldOffsets)
    if (offset < 8 || offset >= available)
      return;

  TImageInfo items(oldOffsets.size());
  std::int64_t total = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    // Image data cut off by the end of the source cannot be copied; refusing here
    // leaves the output untouched instead of failing half-way through writing.
    if (std::int64_t{oldOffsets[i]} + byteCounts[i] > available)
      throw Platform::EReadError();
    items[i].OldOffset = oldOffsets[i];
    items[i].ByteCount = byteCounts[i];
    total += byteCounts[i];
  }
  FContext->AddCopied(total);
  FImageInfo = std::move(items);
  offsets->Kind = TKind::itImageOffsets;
  counts->Kind = TKind::itImageByteCounts;
}

// --- Layout --------------------------------------------------------------------------

void TTiffDirectoryRewriter::AnchorMakerNote(TLayoutState& state) {
  const auto exifIndex = FindEntry(tagExifOffset);
  if (exifIndex < 0)
    return;
  const auto* pointer =
      dynamic_cast<const TTiffSubDirToWrite*>(FTagsToWrite[static_cast<std::size_t>(exifIndex)].get());
  if (pointer == nullptr)
    return;
  auto& exif = pointer->Directory();
  const auto makerNoteIndex = exif.FindEntry(tagMakerNote);
  if (makerNoteIndex < 0)
    return;
  auto& makerNote = *exif.FTagsToWrite[static_cast<std::size_t>(makerNoteIndex)];
  if (makerNote.DataType() != tdUndefined || makerNote.ElementCount() <= 4 || makerNote.OldDataOffset() < 8)
    return;
  // Maker notes often hold offsets relative to the block they sit in: keep it where it was.
  std::uint64_t target = makerNote.OldDataOffset();

  const auto schemaIndex = exif.FindEntry(tagOffsetSchema);
  if (schemaIndex >= 0) {
    const auto& schema = *exif.FTagsToWrite[static_cast<std::size_t>(schemaIndex)];
    if (schema.DataType() == tdLongInt && schema.ElementCount() == 1) {
      std::int32_t shift = 0;
      bool known = false;
      if (const auto* internal = dynamic_cast<const TInternaTiffTagToWrite*>(&schema)) {
        internal->Parser()->LoadTagData(internal->Info(), &shift);
        known = true;
      } else if (const auto* external = dynamic_cast<const TExternalTiffTagToWrite*>(&schema)) {
        const auto& data = external->Source()->Data();
        if (data.Size() >= 4) {
          std::memcpy(&shift, data.Memory(), 4);
          known = true;
        }
      }
      const std::int64_t moved = std::int64_t{makerNote.OldDataOffset()} + shift;
      // The output is zero-filled up to the maker note: a shift from the file must not
      // send it gigabytes beyond anything the source holds.
      const bool plausible = moved + makerNote.DataSize() <= FContext->CopyLimit;
      if (known && plausible && moved >= 8 && moved < 0xFFFFFFF1) {
        target = static_cast<std::uint64_t>(moved);
        exif.FTagsToWrite.erase(exif.FTagsToWrite.begin() + schemaIndex);
      }
    }
  }
  makerNote.SetNewDataOffset(static_cast<std::uint32_t>(target));
  state.AnchoredMakerNote = &makerNote;
  state.AnchorStart = target;
  state.AnchorEnd = target + static_cast<std::uint64_t>(makerNote.DataSize());
}

void TTiffDirectoryRewriter::Layout(TLayoutState& state) {
  FNewIFDOffset = state.Allocate(12 * static_cast<std::uint64_t>(FTagsToWrite.size()) + 6);
  for (std::size_t i = 0; i < FTagsToWrite.size(); ++i) {
    auto& entry = *FTagsToWrite[i];
    if (&entry == state.AnchoredMakerNote)
      continue;
    if (entry.DataSize() <= 4) {
      entry.SetNewDataOffset(static_cast<std::uint32_t>(FNewIFDOffset + 2 + 12 * i + 8));
      if (auto* pointer = dynamic_cast<TTiffSubDirToWrite*>(&entry))
        pointer->Directory().Layout(state);
    } else {
      entry.SetNewDataOffset(state.Allocate(static_cast<std::uint64_t>(entry.DataSize())));
    }
  }
  for (auto& item : FImageInfo)
    item.NewOffset = state.Allocate(item.ByteCount);
}

// A SHORT offsets entry cannot hold an offset beyond 65535: it becomes LONG.
bool TTiffDirectoryRewriter::PromoteOverflowingImageOffsets() {
  bool promoted = false;
  for (auto& entry : FTagsToWrite) {
    if (auto* pointer = dynamic_cast<TTiffSubDirToWrite*>(entry.get())) {
      promoted = pointer->Directory().PromoteOverflowingImageOffsets() || promoted;
      continue;
    }
    auto* internal = dynamic_cast<TInternaTiffTagToWrite*>(entry.get());
    if (internal == nullptr || internal->Kind != TInternaTiffTagToWrite::TKind::itImageOffsets ||
        internal->DataType() != tdWord)
      continue;
    if (std::any_of(FImageInfo.begin(), FImageInfo.end(), [](const auto& item) { return item.NewOffset > 0xFFFF; })) {
      internal->FInfo.DataType = tdLongWord;
      promoted = true;
    }
  }
  return promoted;
}

// --- Writing -------------------------------------------------------------------------

void TTiffDirectoryRewriter::WriteDirectory(TStream& stream, std::int64_t headerPosition, TEndianness endianness,
                                            std::uint32_t nextIFDOffset) const {
  stream.SetPosition(headerPosition + FNewIFDOffset);
  WriteWord(stream, static_cast<std::uint16_t>(FTagsToWrite.size()), endianness);
  for (const auto& entry : FTagsToWrite) {
    WriteWord(stream, entry->ID(), endianness);
    WriteWord(stream, static_cast<std::uint16_t>(entry->DataType()), endianness);
    WriteLongWord(stream, static_cast<std::uint32_t>(entry->ElementCount()), endianness);
    if (entry->DataSize() > 4)
      WriteLongWord(stream, entry->NewDataOffset(), endianness);
    else
      entry->WriteData(stream, endianness);
  }
  WriteLongWord(stream, nextIFDOffset, endianness);

  for (const auto& entry : FTagsToWrite) {
    if (entry->DataSize() > 4) {
      stream.SetPosition(headerPosition + entry->NewDataOffset());
      entry->WriteData(stream, endianness);
    } else if (const auto* pointer = dynamic_cast<const TTiffSubDirToWrite*>(entry.get())) {
      pointer->Directory().WriteDirectory(stream, headerPosition, endianness, 0);
    }
  }

  for (const auto& item : FImageInfo) {
    if (item.ByteCount == 0)
      continue;
    stream.SetPosition(headerPosition + item.NewOffset);
    CopyBytes(FSourceParser->Stream(), FSourceParser->BasePosition() + item.OldOffset, item.ByteCount, stream);
  }
}

void RewriteTiff(TStream& inStream, TStream& outStream, ITiffRewriteCallback* callback) {
  using TRewriter = TTiffDirectoryRewriter;
  const auto parser = ParseTiff(inStream);
  const auto endianness = parser->Endianness();
  const auto headerPosition = outStream.Position();

  // Every directory is set up (and all checks of the source are done) before the
  // output is touched.
  const auto context = std::make_shared<TRewriter::TRewriteContext>();
  std::vector<std::unique_ptr<TRewriter>> rewriters;
  bool anyDirectory = false;
  for (const auto& directory : parser->GetEnumerator()) {
    anyDirectory = true;
    std::unique_ptr<TRewriter> rewriter(new TRewriter(directory, callback, context));
    if (rewriter->FRewriteSource)
      rewriters.push_back(std::move(rewriter));
  }
  // Without a single directory there is no picture and nowhere for the callback's
  // tags: refuse instead of answering success with the new metadata dropped.
  if (!anyDirectory)
    throw EInvalidTiffData();
  if (rewriters.empty()) {
    WriteTiffHeader(outStream, endianness, 0);
    return;
  }

  TRewriter::TLayoutState anchor;
  rewriters.front()->AnchorMakerNote(anchor);
  TRewriter::TLayoutState state;
  do {
    state = anchor;
    for (const auto& rewriter : rewriters)
      rewriter->Layout(state);
  } while (std::any_of(rewriters.begin(), rewriters.end(),
                       [](const auto& rewriter) { return rewriter->PromoteOverflowingImageOffsets(); }));

  // The whole extent is zeroed first, so that gaps (and data shorter than its entry
  // claims) hold no stale bytes.
  const auto extent = std::max(state.R, state.AnchoredMakerNote != nullptr ? state.AnchorEnd : 0);
  outStream.SetPosition(headerPosition);
  WriteZeros(outStream, static_cast<std::int64_t>(extent));
  outStream.SetPosition(headerPosition);
  WriteTiffHeader(outStream, endianness, rewriters.front()->FNewIFDOffset);
  for (std::size_t i = 0; i < rewriters.size(); ++i) {
    const auto next = i + 1 < rewriters.size() ? rewriters[i + 1]->FNewIFDOffset : 0;
    rewriters[i]->WriteDirectory(outStream, headerPosition, endianness, next);
  }
  outStream.SetPosition(headerPosition + static_cast<std::int64_t>(state.R));
}

// --- Simple callback -------------------------------------------------------------------

void TSimpleTiffRewriteCallbackImpl::AddTagsToWrite(TTiffDirectoryRewriter& rewriter) {
  const auto& source = rewriter.Source();
  if (source && !source->Parent() && source->Index() == 0 && !FOwner.Empty())
    rewriter.AddTag(FMetadataTagID, FOwner, tdUndefined);
}

void TSimpleTiffRewriteCallbackImpl::RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID,
                                                     TTiffDataType /*dataType*/, bool& rewrite) {
  // Only the first directory carries the container's data, so only its old copy goes.
  if (tagID == FMetadataTagID && !source.Parent() && source.Index() == 0)
    rewrite = false;
}

} // namespace Tessel::Exif
