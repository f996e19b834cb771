#pragma once

// TIFF structures: reading the header, the directory chain, entries and rationals
// (TTiffParser and friends), and writing a complete TIFF structure anew from parsed
// or in-memory directories (TTiffDirectoryRewriter, RewriteTiff).

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/StreamHelper.h"

#include "platform/Set.h"
#include "platform/Streams.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tessel::Exif {

// ---------------------------------------------------------------------------------
// Data types

// The 16-bit type code of an entry. Codes outside 1..13 may be read from a file and
// are kept as they are; such entries are not well formed.
enum class TTiffDataType : std::uint16_t {
  tdByte = 1,
  tdAscii,
  tdWord,
  tdLongWord,
  tdLongWordFraction,
  tdShortInt,
  tdUndefined,
  tdSmallInt,
  tdLongInt,
  tdLongIntFraction,
  tdSingle,
  tdDouble,
  tdSubDirectory,
};
using TTiffDataTypes = Platform::TSet<TTiffDataType>;
using TTiffTagID = std::uint16_t;

inline constexpr TTiffDataType TiffDataTypeFirst = TTiffDataType::tdByte;
inline constexpr TTiffDataType TiffDataTypeLast = TTiffDataType::tdSubDirectory;

// Element size in bytes; 0 for codes outside 1..13.
[[nodiscard]] constexpr int TiffElementSize(TTiffDataType dataType) {
  constexpr int sizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  const auto code = static_cast<std::uint16_t>(dataType);
  return code < 14 ? sizes[code] : 0;
}
[[nodiscard]] constexpr bool IsValidTiffDataType(TTiffDataType dataType) { return TiffElementSize(dataType) != 0; }

// Set membership for type codes read from a file: a code above 15 is never a member.
[[nodiscard]] constexpr bool TiffDataTypeIn(TTiffDataType dataType, const TTiffDataTypes& types) {
  return static_cast<std::uint16_t>(dataType) <= 15 && types.Contains(dataType);
}
// Every code a TTiffDataTypes can hold (0..15).
[[nodiscard]] TTiffDataTypes AllTiffDataTypes();

// ---------------------------------------------------------------------------------
// One parsed entry

struct TTiffTagInfo {
  std::uint32_t HeaderOffset = 0; // of the 12-byte entry, from the base position
  std::uint32_t DataOffset = 0;   // of the data, from the base position (inline: HeaderOffset + 8)
  TTiffTagID ID = 0;
  TTiffDataType DataType = TTiffDataType::tdUndefined;
  std::int32_t ElementCount = 0; // -1: the entry's data offset was out of range

  // A known type and a byte size that is neither negative nor beyond 32 bits signed.
  [[nodiscard]] bool IsWellFormed() const;
  // Element size times count when well formed, else 0.
  [[nodiscard]] std::int32_t DataSize() const;
};
using TTiffTagInfoDynArray = std::vector<TTiffTagInfo>;

// ---------------------------------------------------------------------------------
// Rationals; a denominator of 0 means missing or invalid.

struct TTiffLongWordFraction {
  std::uint32_t Numerator = 0;
  std::uint32_t Denominator = 0;

  constexpr TTiffLongWordFraction() = default;
  constexpr TTiffLongWordFraction(std::uint32_t numerator, std::uint32_t denominator)
      : Numerator(numerator), Denominator(denominator) {}
  // The quotient is taken as a fixed-point value with 4 decimals and reduced; a result
  // outside the unsigned 32-bit range raises Platform::ERangeError.
  explicit TTiffLongWordFraction(double quotient);
  // "n/d" or "n" (then d = 1); anything else gives 0/0.
  static TTiffLongWordFraction CreateFromString(std::string_view text);

  [[nodiscard]] std::string AsString() const;
  [[nodiscard]] constexpr bool MissingOrInvalid() const { return Denominator == 0; }
  [[nodiscard]] double Quotient() const;
  [[nodiscard]] constexpr std::int64_t PackedValue() const {
    return static_cast<std::int64_t>((std::uint64_t{Denominator} << 32) | Numerator);
  }
  constexpr void SetPackedValue(std::int64_t value) {
    Numerator = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
    Denominator = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32);
  }
  constexpr bool operator==(const TTiffLongWordFraction&) const = default;
};

struct TTiffLongIntFraction {
  std::int32_t Numerator = 0;
  std::int32_t Denominator = 0;

  constexpr TTiffLongIntFraction() = default;
  constexpr TTiffLongIntFraction(std::int32_t numerator, std::int32_t denominator)
      : Numerator(numerator), Denominator(denominator) {}
  // As the unsigned form; a negative quotient puts its sign into the denominator
  // (-0.5 gives 1/-2). Outside the signed 32-bit range: Platform::ERangeError.
  explicit TTiffLongIntFraction(double quotient);
  static TTiffLongIntFraction CreateFromString(std::string_view text);

  [[nodiscard]] std::string AsString() const;
  [[nodiscard]] constexpr bool MissingOrInvalid() const { return Denominator == 0; }
  [[nodiscard]] double Quotient() const;
  [[nodiscard]] constexpr std::int64_t PackedValue() const {
    return static_cast<std::int64_t>((std::uint64_t{static_cast<std::uint32_t>(Denominator)} << 32) |
                                     static_cast<std::uint32_t>(Numerator));
  }
  constexpr void SetPackedValue(std::int64_t value) {
    Numerator = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    Denominator = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
  }
  constexpr bool operator==(const TTiffLongIntFraction&) const = default;
};

// ---------------------------------------------------------------------------------
// Interfaces shared by parsed directories and the EXIF sections

class ITiffDirectory;
class ITiffParser;
class IFoundTiffDirectory;
struct TTiffParserEnumerator;

// A tag: its data bytes are the block's Data stream, in native byte order.
class ITiffTag : public virtual IMetadataBlock {
public:
  [[nodiscard]] virtual TTiffDataType DataType() const = 0;
  [[nodiscard]] virtual std::shared_ptr<ITiffDirectory> Parent() const = 0;
  [[nodiscard]] virtual std::int32_t ElementCount() const = 0;
  [[nodiscard]] virtual TTiffTagID ID() const = 0;
  // The entry's data offset in its source, 0 when there is none.
  [[nodiscard]] virtual std::uint32_t OriginalDataOffset() const = 0;
};

class ITiffDirectoryEnumerator {
public:
  virtual ~ITiffDirectoryEnumerator() = default;
  [[nodiscard]] virtual std::shared_ptr<ITiffTag> Current() const = 0;
  virtual bool MoveNext() = 0;

  [[nodiscard]] TEnumeratorIterator<ITiffDirectoryEnumerator> begin() {
    return TEnumeratorIterator<ITiffDirectoryEnumerator>(this);
  }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }
};

class ITiffDirectory {
public:
  virtual ~ITiffDirectory() = default;
  // A new enumerator over the tags: for (const auto& tag : *directory.GetEnumerator()) ...
  [[nodiscard]] virtual TEnumeratorPtr<ITiffDirectoryEnumerator> GetEnumerator() const = 0;
  // 0, 1, ... in the main chain; the pointer tag's ID for a sub-directory; -1 stand-alone.
  [[nodiscard]] virtual std::int32_t Index() const = 0;
  // nullptr for directories of the main chain.
  [[nodiscard]] virtual std::shared_ptr<ITiffDirectory> Parent() const = 0;
  [[nodiscard]] virtual std::int32_t TagCount() const = 0;
  // Entries are expected in ascending order: the scan stops at the first ID not below tagID.
  virtual bool FindTag(TTiffTagID tagID, std::shared_ptr<ITiffTag>& parsedTag) const = 0;
  [[nodiscard]] virtual bool TagExists(TTiffTagID tagID, const TTiffDataTypes& validDataTypes,
                                       std::int32_t minElementCount, std::int32_t maxElementCount) const = 0;
};

class IFoundTiffDirectory : public ITiffDirectory {
public:
  [[nodiscard]] virtual TMetadataLoadErrors LoadErrors() const = 0;
  [[nodiscard]] virtual std::shared_ptr<ITiffParser> Parser() const = 0;
  [[nodiscard]] virtual const TTiffTagInfoDynArray& TagInfo() const = 0;
  [[nodiscard]] virtual bool IsLastDirectoryInFile() const = 0;
  [[nodiscard]] virtual bool IsExifThumbnailDirectory() const = 0;
  // Loads the JPEG that tag 0x0201 points at into dest; False when there is none or it fails.
  virtual bool TryLoadExifThumbnail(Platform::IStreamPersist& dest) const = 0;
};

class ITiffParser {
public:
  virtual ~ITiffParser() = default;
  [[nodiscard]] virtual std::int64_t BasePosition() const = 0;
  [[nodiscard]] virtual TEndianness Endianness() const = 0;
  // The main IFD chain.
  [[nodiscard]] virtual TTiffParserEnumerator GetEnumerator() = 0;
  [[nodiscard]] virtual TStream& Stream() const = 0;
  // Copies the entry's DataSize bytes into buffer, converted to native byte order.
  // Raises Platform::EReadError when the data is not all in the stream.
  virtual void LoadTagData(const TTiffTagInfo& tagInfo, void* buffer) const = 0;
  // Follows an entry that points at a directory: count 1 and type IFD, or LONG except for
  // the size and image-offset tags. Refused: offsets below 8, offsets inside the table of
  // an ancestor, nesting deeper than 32 levels; a LONG other than the known pointer tags
  // (0x8769, 0x8825, 0xA005, 0x014A, 0x0190) must lead to a directory with entries that
  // loads without errors. The new directory's index is the pointer's ID.
  virtual bool ParseSubDirectory(const ITiffTag& offsetTag, std::shared_ptr<IFoundTiffDirectory>& directory) = 0;
  virtual bool ParseSubDirectory(const std::shared_ptr<ITiffDirectory>& parent, const TTiffTagInfo& offsetTag,
                                 std::shared_ptr<IFoundTiffDirectory>& directory) = 0;
};

// ---------------------------------------------------------------------------------
// Parser

// Reads "II"/"MM" and 42 in one read of 4 bytes; the byte order of 42 decides the
// endianness. The stream moves back unless the header was found and moveOnSuccess is set.
bool TryReadTiffHeader(TStream& stream, TEndianness& endianness, bool moveOnSuccess = false);

// Picks the saver for a picture stream by its header (JPEG, PSD, TIFF); leaves
// saveMethod unassigned for anything else. Shared by the metadata containers.
void ChooseGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod, const TGraphicSaveMethod& jpegSaver,
                             const TGraphicSaveMethod& psdSaver, const TGraphicSaveMethod& tiffSaver);

class TTiffParser : public ITiffParser, public std::enable_shared_from_this<TTiffParser> {
public:
  // A TIFF header at the stream's position; raises EInvalidTiffData when there is
  // none. An owned stream is freed with the parser, also when this constructor fails.
  TTiffParser(TStream* stream, TStreamOwnership ownership);
  // Header-less TIFF-structured data (maker notes): first IFD offset 0, stream not owned.
  TTiffParser(TStream& stream, std::int64_t basePosition, TEndianness endianness);

  [[nodiscard]] std::int64_t BasePosition() const override { return FBasePosition; }
  [[nodiscard]] TEndianness Endianness() const override { return FEndianness; }
  [[nodiscard]] TTiffParserEnumerator GetEnumerator() override;
  [[nodiscard]] TStream& Stream() const override { return *FStream; }
  void LoadTagData(const TTiffTagInfo& tagInfo, void* buffer) const override;
  bool ParseSubDirectory(const ITiffTag& offsetTag, std::shared_ptr<IFoundTiffDirectory>& directory) override;
  bool ParseSubDirectory(const std::shared_ptr<ITiffDirectory>& parent, const TTiffTagInfo& offsetTag,
                         std::shared_ptr<IFoundTiffDirectory>& directory) override;

  [[nodiscard]] std::int32_t FirstDirOffset() const { return FFirstDirOffset; }
  [[nodiscard]] std::int64_t MaxOffsetValue() const { return FMaxOffsetValue; }

private:
  bool ParseSubDirectoryAt(const std::shared_ptr<ITiffDirectory>& parent, TTiffTagID id, TTiffDataType dataType,
                           std::int32_t elementCount, std::uint32_t offset,
                           std::shared_ptr<IFoundTiffDirectory>& directory);

  std::int64_t FBasePosition = 0;
  std::int64_t FMaxOffsetValue = 0; // the largest offset at which a next IFD can start
  TEndianness FEndianness = TEndianness::SmallEndian;
  std::int32_t FFirstDirOffset = 0;
  Platform::TStreamHolder FStream;
};

// Walks the main IFD chain. A next-IFD offset that leads into a directory already
// walked ends the chain and marks the directory whose link points there with leBadOffset.
struct TTiffParserEnumerator {
  std::shared_ptr<IFoundTiffDirectory> FCurrent;
  std::int64_t FMaxPossibleOffset = 0;
  std::int32_t FNextIndex = 0;
  std::int32_t FNextOffset = 0;
  std::shared_ptr<ITiffParser> FSource;

  TTiffParserEnumerator() = default;
  TTiffParserEnumerator(std::shared_ptr<ITiffParser> source, std::int64_t maxPossibleOffset, std::int32_t nextOffset);

  [[nodiscard]] const std::shared_ptr<IFoundTiffDirectory>& Current() const { return FCurrent; }
  bool MoveNext();

  // Range-for support: for (const auto& directory : parser->GetEnumerator()) ...
  [[nodiscard]] TEnumeratorIterator<TTiffParserEnumerator> begin() {
    return TEnumeratorIterator<TTiffParserEnumerator>(this);
  }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }

private:
  // Extents [start, end) of the directory tables walked so far, relative to the base.
  std::vector<std::pair<std::int64_t, std::int64_t>> FVisited;
};

// A TIFF header and its first-IFD offset at the stream's position. With soOwned the
// parser deletes the stream when it dies (the stream must come from new).
[[nodiscard]] std::shared_ptr<ITiffParser> ParseTiff(TStream& stream,
                                                     TStreamOwnership ownership = TStreamOwnership::soReference);
[[nodiscard]] std::shared_ptr<ITiffParser> ParseTiff(std::unique_ptr<TStream> stream);
// One directory of header-less data at offset from basePosition; internalOffset is added
// to every out-of-line data offset. Index -1, no parent.
[[nodiscard]] std::shared_ptr<IFoundTiffDirectory> ParseTiffDirectory(TStream& stream, TEndianness endianness,
                                                                      std::int64_t basePosition, std::int64_t offset,
                                                                      std::int64_t internalOffset);

// ---------------------------------------------------------------------------------
// Parsed directories and tags

class TFoundTiffDirectory : public IFoundTiffDirectory, public std::enable_shared_from_this<TFoundTiffDirectory> {
public:
  // Loads the entries at offset (relative to the parser's base position); never raises
  // for bad data, which ends up in LoadErrors.
  TFoundTiffDirectory(const std::shared_ptr<ITiffParser>& parser, std::shared_ptr<ITiffDirectory> parent,
                      std::int32_t index, std::int64_t offset, std::int64_t internalOffset);
  // Succeeds when the load had no error, or kept something and that is an entry of a known
  // type, or every entry read, or the directory has more than 2 entries.
  static bool TryCreate(std::shared_ptr<ITiffParser> parser, std::shared_ptr<ITiffDirectory> parent, std::int32_t index,
                        std::int64_t offset, std::shared_ptr<IFoundTiffDirectory>& instance);

  [[nodiscard]] TEnumeratorPtr<ITiffDirectoryEnumerator> GetEnumerator() const override;
  [[nodiscard]] std::int32_t Index() const override { return FIndex; }
  [[nodiscard]] std::shared_ptr<ITiffDirectory> Parent() const override { return FParent; }
  [[nodiscard]] std::int32_t TagCount() const override { return static_cast<std::int32_t>(FTags.size()); }
  bool FindTag(TTiffTagID tagID, std::shared_ptr<ITiffTag>& parsedTag) const override;
  [[nodiscard]] bool TagExists(TTiffTagID tagID, const TTiffDataTypes& validDataTypes, std::int32_t minElementCount,
                               std::int32_t maxElementCount) const override;

  [[nodiscard]] TMetadataLoadErrors LoadErrors() const override { return FLoadErrors; }
  [[nodiscard]] std::shared_ptr<ITiffParser> Parser() const override { return FParser; }
  [[nodiscard]] const TTiffTagInfoDynArray& TagInfo() const override { return FTags; }
  [[nodiscard]] bool IsLastDirectoryInFile() const override { return !FMoreToFollow; }
  [[nodiscard]] bool IsExifThumbnailDirectory() const override;
  bool TryLoadExifThumbnail(Platform::IStreamPersist& dest) const override;

  // Where the directory table lies, relative to the base position, and how far it reaches.
  [[nodiscard]] std::int64_t Offset() const { return FOffset; }
  [[nodiscard]] std::int64_t TableEnd() const;
  // Whether offset (from the base position) lies on the count field, a kept entry or the
  // next-directory link of this table.
  [[nodiscard]] bool Covers(std::int64_t offset) const;
  // A new tag object for entry index (0 <= index < TagCount).
  [[nodiscard]] std::shared_ptr<ITiffTag> CreateTag(std::int32_t index) const;

  struct TLoadResult {
    TMetadataLoadErrors Errors;
    TTiffTagInfoDynArray Tags;
    std::int64_t StopPosition = -1; // stream position after the last entry read; -1 when nothing was read
    std::int64_t EntriesRead = 0;   // kept or skipped as damaged
    bool CountCut = false;          // the stream ended before the entry count did
  };
  static TLoadResult LoadDirectory(TStream& stream, TEndianness endianness, std::int64_t basePosition,
                                   std::int64_t offset, std::int64_t internalOffset);

  // A directory over entries loaded already.
  TFoundTiffDirectory(std::shared_ptr<ITiffParser> parser, std::shared_ptr<ITiffDirectory> parent, std::int32_t index,
                      std::int64_t offset, TLoadResult loaded);

private:
  friend struct TTiffParserEnumerator;

  std::int32_t FIndex = -1;
  TMetadataLoadErrors FLoadErrors;
  std::shared_ptr<ITiffDirectory> FParent;
  std::shared_ptr<ITiffParser> FParser; // keeps the parser and its stream alive
  TTiffTagInfoDynArray FTags;
  bool FMoreToFollow = false;
  std::int64_t FOffset = 0;
  std::int64_t FStopPosition = -1;
};

class TFoundTiffTag : public TMetadataBlock, public ITiffTag {
public:
  // The parent's entry index, its data loaded and made read-only.
  TFoundTiffTag(std::shared_ptr<const TFoundTiffDirectory> parent, std::int32_t index);
  // A stand-alone tag: with a source, its saved bytes (count = size div element size);
  // without, one zero-filled element. The data stays writable.
  TFoundTiffTag(TTiffTagID id, TTiffDataType dataType, IStreamPersistEx* dataSource = nullptr);

  [[nodiscard]] TTiffDataType DataType() const override { return FSourcePtr->DataType; }
  [[nodiscard]] std::shared_ptr<ITiffDirectory> Parent() const override { return FParentIntf; }
  [[nodiscard]] std::int32_t ElementCount() const override { return FSourcePtr->ElementCount; }
  [[nodiscard]] TTiffTagID ID() const override { return FSourcePtr->ID; }
  [[nodiscard]] std::uint32_t OriginalDataOffset() const override { return FSourcePtr->DataOffset; }
  [[nodiscard]] const TTiffTagInfo& Info() const { return *FSourcePtr; }

protected:
  [[nodiscard]] bool HasIPTCBlockID() const override { return ID() == 0x83BB; }
  [[nodiscard]] bool HasXMPBlockID() const override { return ID() == 0x02BC; }

private:
  const TFoundTiffDirectory* FParent = nullptr;
  std::shared_ptr<ITiffDirectory> FParentIntf; // keeps the parent alive
  TTiffTagInfo FOwnInfo;
  const TTiffTagInfo* FSourcePtr = &FOwnInfo;
};

// ---------------------------------------------------------------------------------
// Rewriter

class TTiffDirectoryRewriter;

class ITiffRewriteCallback {
public:
  virtual ~ITiffRewriteCallback() = default;
  // Called once per directory rewriter while it is set up; the only moment at which
  // AddTag, AddSubDirectory and IgnoreDirectory may be called on it.
  virtual void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) = 0;
  // Called for each source tag that would be carried over; rewrite = false drops it.
  virtual void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType,
                               bool& rewrite) = 0;
};

class TTiffDirectoryRewriter {
public:
  struct TImageItem {
    std::uint32_t ByteCount = 0;
    std::uint32_t OldOffset = 0;
    std::uint32_t NewOffset = 0;
  };
  using TImageInfo = std::vector<TImageItem>;

  class TTagToWrite;
  class TInternaTiffTagToWrite;
  class TExternalTiffTagToWrite;
  class TTiffSubDirToWrite;
  struct TRewriteContext;

  // Sets the rewriter up for source (which may be nullptr: only what the callback adds).
  TTiffDirectoryRewriter(std::shared_ptr<ITiffDirectory> source, ITiffRewriteCallback* callback);
  ~TTiffDirectoryRewriter();
  TTiffDirectoryRewriter(const TTiffDirectoryRewriter&) = delete;
  TTiffDirectoryRewriter& operator=(const TTiffDirectoryRewriter&) = delete;

  void AddTag(std::shared_ptr<ITiffTag> source);
  void AddTag(TTiffTagID id, IStreamPersistEx& dataSource, TTiffDataType dataType = TTiffDataType::tdUndefined);
  void AddSubDirectory(TTiffTagID offsetID, std::shared_ptr<ITiffDirectory> subDirectory,
                       ITiffRewriteCallback* callback);
  // The directory being set up is not written at all, nor any pointer to it.
  void IgnoreDirectory() { FRewriteSource = false; }

  [[nodiscard]] const std::shared_ptr<ITiffDirectory>& Source() const { return FSource; }
  [[nodiscard]] bool RewriteSource() const { return FRewriteSource; }
  [[nodiscard]] std::uint32_t NewIFDOffset() const { return FNewIFDOffset; }
  [[nodiscard]] const TImageInfo& ImageInfo() const { return FImageInfo; }
  // The entries to write, in ascending ID order.
  [[nodiscard]] std::vector<TTiffTagID> TagIDs() const;

private:
  struct TLayoutState;
  friend void RewriteTiff(TStream& inStream, TStream& outStream, ITiffRewriteCallback* callback);
  TTiffDirectoryRewriter(std::shared_ptr<ITiffDirectory> source, ITiffRewriteCallback* callback,
                         std::shared_ptr<TRewriteContext> context);
  void AnchorMakerNote(TLayoutState& state);
  void Layout(TLayoutState& state);
  bool PromoteOverflowingImageOffsets();
  void WriteDirectory(TStream& stream, std::int64_t headerPosition, TEndianness endianness,
                      std::uint32_t nextIFDOffset) const;
  void Initialize(ITiffRewriteCallback* callback);
  void CarryOverParsedTags(const IFoundTiffDirectory& source, ITiffRewriteCallback* callback);
  void CarryOverOtherTags(ITiffRewriteCallback* callback);
  bool ShouldCarryOver(const TTiffTagInfo& info, ITiffRewriteCallback* callback) const;
  void CheckCanAdd(TTiffTagID id) const;
  bool InsertEntry(std::unique_ptr<TTagToWrite> entry, bool raiseIfExists);
  [[nodiscard]] std::ptrdiff_t FindEntry(TTiffTagID id) const;
  void CheckImageData(TTiffTagID byteCountsID);
  [[nodiscard]] std::optional<TTiffDataType> StoredByteStreamType(TTiffTagID id) const;

  bool FDoneInitialization = false;
  TImageInfo FImageInfo;
  std::uint32_t FNewIFDOffset = 0;
  bool FRewriteSource = true;
  std::shared_ptr<ITiffDirectory> FSource;
  TTiffTagInfoDynArray FSourceInfo;
  std::shared_ptr<ITiffParser> FSourceParser;
  std::vector<std::unique_ptr<TTagToWrite>> FTagsToWrite;
  std::shared_ptr<TRewriteContext> FContext;
};

// Copies the TIFF structure at inStream's position to outStream's position, applying
// callback (may be nullptr) to every directory. All offsets in the output are relative to
// where its header is written; the byte order is the source's.
void RewriteTiff(TStream& inStream, TStream& outStream, ITiffRewriteCallback* callback);

// "II" or "MM", 42 and the first IFD offset.
void WriteTiffHeader(TStream& stream, TEndianness endianness, std::uint32_t firstIFDOffset);

// The callback a metadata container aggregates to store its saved form as one
// UNDEFINED entry of the first directory (IPTC: 0x83BB, XMP: 0x02BC).
class TSimpleTiffRewriteCallbackImpl : public ITiffRewriteCallback {
public:
  TSimpleTiffRewriteCallbackImpl(IStreamPersistEx& owner, TTiffTagID metadataTagID)
      : FOwner(owner), FMetadataTagID(metadataTagID) {}

  void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) override;
  void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType, bool& rewrite) override;

  [[nodiscard]] IStreamPersistEx& Owner() const { return FOwner; }
  [[nodiscard]] TTiffTagID MetadataTagID() const { return FMetadataTagID; }

private:
  IStreamPersistEx& FOwner;
  TTiffTagID FMetadataTagID;
};

} // namespace Tessel::Exif
