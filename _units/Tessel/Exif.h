#pragma once

// Tessel.Exif: the EXIF model. An EXIF block is a TIFF structure whose directories
// become sections of tags; the container built on them loads, edits and saves whole
// EXIF blocks of JPEG, PSD and TIFF files.
//
// Areas of this header, in order:
//   1. forward declarations
//   2. exceptions
//   3. tags and sections (TExifTag, TExifSection, TExtendableExifSection) and the
//      owner interface a section reports to
//   4. utility routines (date-time texts, ASCII test, TIFF metadata-tag table)
// The container, the typed properties, the value objects, saving and the maker notes
// follow in later sections of this header.

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/Consts.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/StreamHelper.h"
#include "Tessel/Exif/TagIDs.h"
#include "Tessel/Exif/TiffUtils.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/JPEGImage.h"
#include "platform/Set.h"
#include "platform/Streams.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Tessel::Exif {

// =====================================================================================
// 1. Forward declarations

class TExifTag;
class TExifSection;
class TExtendableExifSection;
class IExifSectionOwner;
class TCustomExifData;
class TExifData;
class TExifMakerNote;

// =====================================================================================
// 2. Exceptions

// Base of the errors raised when an edit does not fit the loaded structure.
class EExifDataPatcherError : public ETesselExifException {
public:
  using ETesselExifException::ETesselExifException;
};

// A fixed-structure section was asked to add a tag, change an ID or grow a tag.
class EIllegalEditOfExifData : public EExifDataPatcherError {
public:
  EIllegalEditOfExifData() : EExifDataPatcherError(Consts::SIllegalEditOfExifData) {}
};

// Non-ASCII text for an ASCII tag while the owner enforces ASCII.
class ENotOnlyASCIIError : public EInvalidTiffData {
public:
  ENotOnlyASCIIError() : EInvalidTiffData(std::string(Consts::SNotOnlyASCIIError)) {}
};

// =====================================================================================
// 3. Tags and sections

// Which directory a section models. esUserDefined is a section outside a container's
// fixed set; the container owns one section of each of the other kinds.
enum class TExifSectionKind : std::uint8_t {
  esUserDefined,
  esGeneral,   // IFD0, the main image
  esDetails,   // Exif sub-IFD (pointer 0x8769 in IFD0)
  esInterop,   // Interoperability sub-IFD (pointer 0xA005 in the Exif sub-IFD)
  esGPS,       // GPS sub-IFD (pointer 0x8825 in IFD0)
  esThumbnail, // IFD1, the thumbnail
  esMakerNote, // the parsed maker note (tag 0x927C of the Exif sub-IFD)
};
// The kinds including esUserDefined; TExifSectionKind itself covers both.
using TExifSectionKindEx = TExifSectionKind;
using TExifSectionKinds = Platform::TSet<TExifSectionKind>;

// The kinds a container holds, in enumeration order (esGeneral..esMakerNote).
inline constexpr std::array<TExifSectionKind, 6> ExifSectionKinds{
    TExifSectionKind::esGeneral, TExifSectionKind::esDetails,   TExifSectionKind::esInterop,
    TExifSectionKind::esGPS,     TExifSectionKind::esThumbnail, TExifSectionKind::esMakerNote};

// How a tag changed, as reported to its section.
enum class TExifTagChangeType : std::uint8_t { tcData, tcDataSize, tcID };

// Size of a padding tag in bytes; at least 2 (the marker word).
using TExifPaddingTagSize = std::int32_t;

// What a section needs of the container that owns it. The EXIF container implements it;
// a section without owner checks nothing and notifies nobody.
class IExifSectionOwner {
public:
  virtual ~IExifSectionOwner() = default;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // A section changed (sender), or the container as a whole (nullptr).
  virtual void Changed(TExifSection* sender) = 0;
  [[nodiscard]] virtual bool EnforceASCII() const = 0;
  [[nodiscard]] virtual bool AlwaysWritePreciseTimes() const = 0;
  // The owner's section of that kind as it stands, without loading anything on demand
  // (in particular without parsing the maker note); nullptr when there is none.
  [[nodiscard]] virtual TExifSection* OwnedSection(TExifSectionKind kind) const = 0;
  // The MakerNote tag changed or went away: forget the recognised maker-note type and
  // any parsed maker note, so that both are derived anew from the new data.
  virtual void ResetMakerNoteType() = 0;
};

// One tag of a section: ID, type, count and the element bytes in native byte order.
// Owned by its section; hand it on as a plain pointer, or as NonOwningRef(tag) where an
// ITiffTag reference is wanted.
class TExifTag : public TNoRefCountInterfacedObject, public ITiffTag {
public:
  // A new zero-filled tag; it is not inserted into the section (the section's Add does that).
  TExifTag(TExifSection* section, TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount);
  // A tag from a parsed directory entry; a malformed entry gives an empty UNDEFINED tag
  // with WellFormed False.
  TExifTag(TExifSection* section, const IFoundTiffDirectory& directory, const TTiffTagInfo& info);
  ~TExifTag() override;
  TExifTag(const TExifTag&) = delete;
  TExifTag& operator=(const TExifTag&) = delete;

  // Removes the tag from its section and destroys it. The pointer is dangling afterwards.
  // A tag without section is owned by whoever created it; Delete leaves it alone.
  void Delete();
  // nullptr empties the tag; otherwise type, count and data are copied, and the ID as
  // well when the source lies in another section (or this tag has none).
  void Assign(const TExifTag* source);
  // Announces that the data changed in place.
  void Changed();

  [[nodiscard]] TTiffTagID ID() const override { return FID; }
  void SetID(TTiffTagID value);
  [[nodiscard]] TTiffDataType DataType() const override { return FDataType; }
  void SetDataType(TTiffDataType value);
  [[nodiscard]] std::int32_t ElementCount() const override { return FElementCount; }
  void SetElementCount(std::int32_t value);
  // Element size times count; a tag of a type code this library does not know holds its
  // bytes as they were read.
  [[nodiscard]] std::int32_t DataSize() const {
    return IsValidTiffDataType(FDataType) ? TiffElementSize(FDataType) * FElementCount
                                          : static_cast<std::int32_t>(FDataStream.Size());
  }
  // The element bytes (DataSize of them); invalidated by any change of size.
  [[nodiscard]] const std::uint8_t* DataPtr() const { return FDataStream.Memory(); }
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return FDataStream.Bytes(); }

  // The text form (see the implementation for the rules per type), cached until the data changes.
  [[nodiscard]] std::string AsString() const;
  void SetAsString(std::string_view value);
  [[nodiscard]] std::string ToString() const { return AsString(); }
  // Text of one element; EListError for an index outside 0..count-1.
  [[nodiscard]] std::string ElementAsString(std::int32_t index) const;

  [[nodiscard]] std::uint32_t OriginalDataOffset() const override;
  [[nodiscard]] std::int32_t OriginalDataSize() const { return FOriginalDataSize; }
  [[nodiscard]] bool WellFormed() const { return FWellFormed; }
  [[nodiscard]] TExifSection* Section() const { return FSection; }

  // BYTE data of one of the Windows UTF-16 tags (XPTitle..XPSubject) in IFD0.
  [[nodiscard]] bool HasWindowsStringData() const;
  [[nodiscard]] bool IsPadding() const;
  void SetAsPadding(TExifPaddingTagSize size);

  // Replaces the bytes in place (type and count stay).
  void UpdateData(const void* newData);
  // Changes type and count; with newData the bytes are copied from it, otherwise the
  // existing integer elements are converted to the new width.
  void UpdateData(TTiffDataType newDataType, std::int32_t newElementCount, const void* newData = nullptr);

  [[nodiscard]] TTiffLongWordFraction ReadFraction(std::int32_t index, const TTiffLongWordFraction& defaultValue) const;
  [[nodiscard]] std::uint32_t ReadLongWord(std::int32_t index, std::uint32_t defaultValue) const;
  [[nodiscard]] std::uint16_t ReadWord(std::int32_t index, std::uint16_t defaultValue) const;

  // The 12-byte IFD entry; data of 5 bytes or more is referred to by dataOffset.
  void WriteHeader(TStream& stream, TEndianness endianness, std::uint32_t dataOffset) const;
  // The out-of-line data; nothing when it fits into the entry.
  void WriteOffsetData(TStream& stream, TEndianness endianness) const;

  // IMetadataBlock / ITiffTag
  [[nodiscard]] TMetadataBlockDataStream& Data() const override { return FDataStream; }
  [[nodiscard]] bool IsExifBlock(bool /*checkID*/ = true) const override { return false; }
  [[nodiscard]] bool IsIPTCBlock(bool checkID = true) const override;
  [[nodiscard]] bool IsXMPBlock(bool /*checkID*/ = true) const override { return false; }
  [[nodiscard]] std::shared_ptr<ITiffDirectory> Parent() const override;

private:
  friend class TExifSection;
  friend class TCustomExifData;

  void ResizeBuffer(std::int32_t newSize);
  void AnnounceChange(TExifTagChangeType kind);
  void WriteElements(TStream& stream, TEndianness endianness) const;

  mutable std::string FAsStringCache;
  // The element bytes live in this stream's memory; it is read-only to everybody else.
  // Part of the tag itself: one allocation less per tag.
  mutable TMetadataBlockDataStream FDataStream;
  TTiffDataType FDataType = TTiffDataType::tdUndefined;
  std::int32_t FElementCount = 0;
  TTiffTagID FID = 0;
  std::int64_t FOriginalDataOffset = 0;
  std::int32_t FOriginalDataSize = 0;
  bool FWellFormed = true;
  TExifSection* FSection = nullptr;
};

// One directory of an EXIF block as an ordered list of tags (ascending by ID). The
// structure is fixed: no tag may be added, change its ID or grow beyond its loaded size
// (EIllegalEditOfExifData); TExtendableExifSection lifts that.
class TExifSection : public TNoRefCountInterfacedObject, public ITiffDirectory {
public:
  // Walks the tags; the current tag may be deleted without its successor being skipped.
  class TEnumerator {
  public:
    explicit TEnumerator(const TExifSection* section) : FSection(section) {}
    [[nodiscard]] TExifTag* Current() const { return FCurrent; }
    bool MoveNext();

  private:
    const TExifSection* FSection;
    TExifTag* FCurrent = nullptr;
    std::size_t FIndex = 0;
  };

  class TIterator {
  public:
    using value_type = TExifTag*;
    using difference_type = std::ptrdiff_t;
    explicit TIterator(const TExifSection* section) : FEnumerator(section), FDone(!FEnumerator.MoveNext()) {}
    TExifTag* operator*() const { return FEnumerator.Current(); }
    TIterator& operator++() {
      FDone = !FEnumerator.MoveNext();
      return *this;
    }
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return FDone; }

  private:
    TEnumerator FEnumerator;
    bool FDone;
  };

  TExifSection(IExifSectionOwner* owner, TExifSectionKind kind);
  ~TExifSection() override;
  TExifSection(const TExifSection&) = delete;
  TExifSection& operator=(const TExifSection&) = delete;

  [[nodiscard]] TEnumerator Enumerator() const { return TEnumerator(this); }
  [[nodiscard]] TIterator begin() const { return TIterator(this); }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }

  [[nodiscard]] std::int32_t Count() const { return static_cast<std::int32_t>(FTagList.size()); }
  [[nodiscard]] TExifSectionKind Kind() const { return FKind; }
  [[nodiscard]] IExifSectionOwner* Owner() const { return FOwner; }
  [[nodiscard]] TMetadataLoadErrors LoadErrors() const { return FLoadErrors; }
  void SetLoadErrors(const TMetadataLoadErrors& value) { FLoadErrors = value; }
  [[nodiscard]] bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  // The tag at a list position (0..Count-1); EListError otherwise.
  [[nodiscard]] TExifTag* TagAt(std::int32_t index) const;

  bool Find(TTiffTagID id, TExifTag*& tag) const;
  [[nodiscard]] TExifTag* Find(TTiffTagID id) const;
  // Present with a type in validDataTypes and minElementCount <= count <= maxElementCount.
  [[nodiscard]] bool TagExists(TTiffTagID id, const TTiffDataTypes& validDataTypes, std::int32_t minElementCount = 1,
                               std::int32_t maxElementCount = std::numeric_limits<std::int32_t>::max()) const override;

  void Clear();
  bool Remove(TTiffTagID id);
  void Remove(std::span<const TTiffTagID> ids);
  void Remove(std::initializer_list<TTiffTagID> ids) { Remove(std::span<const TTiffTagID>(ids.begin(), ids.size())); }
  bool RemovePaddingTag();
  [[nodiscard]] virtual bool IsExtendable() const { return false; }

  // Readers: the element at index of the tag, if it has an accepted type.
  bool TryGetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t& value) const;
  bool TryGetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t& value) const;
  bool TryGetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t& value) const;
  bool TryGetStringValue(TTiffTagID id, std::string& value) const;
  bool TryGetWindowsStringValue(TTiffTagID id, std::string& value) const;
  [[nodiscard]] std::uint8_t GetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t defaultValue,
                                          std::uint8_t minValue = 0, std::uint8_t maxValue = 0xFF) const;
  [[nodiscard]] TWordTagValue GetWordValue(TTiffTagID id, std::int32_t index) const;
  [[nodiscard]] std::uint16_t GetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t defaultValue,
                                           std::uint16_t minValue = 0, std::uint16_t maxValue = 0xFFFF) const;
  [[nodiscard]] std::int16_t GetSmallIntValue(TTiffTagID id, std::int32_t index, std::int16_t defaultValue,
                                              std::int16_t minValue = std::numeric_limits<std::int16_t>::min(),
                                              std::int16_t maxValue = std::numeric_limits<std::int16_t>::max()) const;
  [[nodiscard]] TLongWordTagValue GetLongWordValue(TTiffTagID id, std::int32_t index) const;
  [[nodiscard]] std::uint32_t GetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t defaultValue) const;
  [[nodiscard]] TLongIntTagValue GetLongIntValue(TTiffTagID id, std::int32_t index) const;
  [[nodiscard]] std::int32_t GetLongIntValue(TTiffTagID id, std::int32_t index, std::int32_t defaultValue) const;
  // RATIONAL or SRATIONAL with the bits unchanged; 0/0 (missing) by default.
  [[nodiscard]] TTiffLongWordFraction GetFractionValue(TTiffTagID id, std::int32_t index,
                                                       const TTiffLongWordFraction& defaultValue = {}) const;
  [[nodiscard]] TTiffLongIntFraction GetSignedFractionValue(TTiffTagID id, std::int32_t index,
                                                            const TTiffLongIntFraction& defaultValue = {}) const;
  [[nodiscard]] std::string GetStringValue(TTiffTagID id, const std::string& defaultValue = {}) const;
  [[nodiscard]] std::string GetWindowsStringValue(TTiffTagID id, const std::string& defaultValue = {}) const;
  // The date-time of an ASCII tag, plus the sub-seconds of subSecsID in the owner's
  // Exif sub-IFD (0: none).
  [[nodiscard]] TDateTimeTagValue GetDateTimeValue(TTiffTagID mainID, TTiffTagID subSecsID) const;

  // Writers: the tag is created, converted to the writer's type or grown as needed.
  TExifTag* SetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t value);
  TExifTag* SetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t value);
  TExifTag* SetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t value);
  // 0/0 means "no value": the last element is dropped (the tag when it was the only one).
  void SetFractionValue(TTiffTagID id, std::int32_t index, const TTiffLongWordFraction& value);
  void SetSignedFractionValue(TTiffTagID id, std::int32_t index, const TTiffLongIntFraction& value);
  // An empty text removes the tag.
  void SetStringValue(TTiffTagID id, std::string_view value);
  void SetWindowsStringValue(TTiffTagID id, std::string_view value);
  // A missing value removes the tag and its sub-second tag.
  void SetDateTimeValue(TTiffTagID mainID, TTiffTagID subSecsID, const TDateTimeTagValue& value);

  // Stores one element of the given type at index (>= 0), converting or growing the tag,
  // or adding it. Answers the tag.
  TExifTag* ForceSetElement(TTiffTagID id, TTiffDataType dataType, const void* value, std::int32_t index);

  // Replaces the tags with the entries of a parsed directory. For IFD0 of a plain TIFF
  // file (tiffImageSource) only the metadata tags are taken.
  void Load(const IFoundTiffDirectory& directory, bool tiffImageSource);

  // ITiffDirectory
  [[nodiscard]] TEnumeratorPtr<ITiffDirectoryEnumerator> GetEnumerator() const override;
  [[nodiscard]] std::int32_t Index() const override;
  [[nodiscard]] std::shared_ptr<ITiffDirectory> Parent() const override;
  [[nodiscard]] std::int32_t TagCount() const override { return Count(); }
  bool FindTag(TTiffTagID tagID, std::shared_ptr<ITiffTag>& parsedTag) const override;

protected:
  TExifTag* Add(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount);
  void CheckExtendable() const;
  // Marks the section modified and tells the owner.
  void Changed();

private:
  friend class TExifTag;

  void TagChanging(const TExifTag& tag, TTiffTagID newID, std::int32_t newElementCount, TTiffDataType newDataType);
  void TagChanged(TExifTag& tag, TExifTagChangeType kind);
  // Takes the tag out of the list (clearing its back reference) and hands over its ownership.
  std::unique_ptr<TExifTag> DetachTag(std::size_t index);
  void DeleteTag(std::size_t index);
  [[nodiscard]] std::size_t IndexOf(const TExifTag* tag) const;
  void SetFractionElement(TTiffTagID id, std::int32_t index, TTiffDataType dataType, std::uint32_t numerator,
                          std::uint32_t denominator);
  [[nodiscard]] TExifSection* OwnerSection(TExifSectionKind kind) const;

  TExifSectionKind FKind;
  TMetadataLoadErrors FLoadErrors;
  bool FModified = false;
  IExifSectionOwner* FOwner;
  std::vector<std::unique_ptr<TExifTag>> FTagList;
};

// A section whose structure may change: tags may be added, renamed and grown.
class TExtendableExifSection : public TExifSection {
public:
  using TExifSection::TExifSection;

  [[nodiscard]] bool IsExtendable() const override { return true; }

  // A new zero-filled tag; ETagAlreadyExists when the ID is present.
  TExifTag* Add(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount) {
    return TExifSection::Add(id, dataType, elementCount);
  }
  TExifTag* AddOrUpdate(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount);
  TExifTag* AddOrUpdate(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount, const void* data);
  // The bytes source saves; the count rounds up to whole elements (nothing for nullptr).
  TExifTag* AddOrUpdate(TTiffTagID id, TTiffDataType dataType, Platform::IStreamPersist* source);
  // Clears the section and copies every tag of source (nullptr: just clears).
  void Assign(const TExifSection* source);
  void CopyTags(const TExifSection& section);
};

// =====================================================================================
// 4. Utility routines

// True when every character is ASCII (at most 127).
[[nodiscard]] bool ContainsOnlyASCII(std::string_view text);
// The bytes of a stored EXIF text as UTF-8: text that is valid UTF-8 (what current
// writers store) as it is, anything else as the Windows-1252 of older writers.
[[nodiscard]] std::string ExifTextToUTF8(std::string_view bytes);
// The longest IPTC Caption-Abstract (2:120) the IIM allows, in bytes.
inline constexpr std::size_t IPTCCaptionMaxBytes = 2000;
// Mirrors an image description into IPTC data that holds datasets (data without any is
// left alone, so that no IPTC block is invented): the text becomes Caption-Abstract,
// cut on a character boundary at IPTCCaptionMaxBytes, and the data is declared UTF-8
// (1:90) first, re-encoding its other texts, when it is not already. An empty text
// removes the caption. True when the data took the mirror.
bool MirrorDescriptionIntoIPTC(TIPTCData& data, std::string_view description);
// "yyyy:mm:dd hh:nn:ss"; the value 0.0 gives 19 blanks (the EXIF form of "unknown").
[[nodiscard]] std::string DateTimeToExifString(TDateTime value);
// Exactly 19 characters, ':' as the 5th and 8th, six integer fields forming a valid
// date and time.
bool TryExifStringToDateTime(std::string_view text, TDateTime& value);
// Whether an IFD0 tag of a plain TIFF file is metadata (the rest describes the TIFF's
// own image and stays with the file).
[[nodiscard]] bool IsExifMetadataTagOfTiff(TTiffTagID id, TTiffDataType dataType);

// ===== Value objects =====
// The value types of the container's typed properties and the objects behind its
// structured fields (flash, versions, resolutions, ISO ratings, GPS coordinates). The
// objects hold no data of their own: every read goes to the container's tags, every
// write changes those tags and the mirroring XMP property under the container's
// write policy. The container creates and owns one object per field.

// Orientation of the stored picture; 1..8 are the TIFF codes, 0 means no tag.
enum class TTiffOrientation : std::uint8_t {
  toUndefined,
  toTopLeft,
  toTopRight,
  toBottomRight,
  toBottomLeft,
  toLeftTop,
  toRightTop,
  toRightBottom,
  toLeftBottom,
};

enum class TWindowsStarRating : std::uint8_t {
  urUndefined,
  urOneStar,
  urTwoStars,
  urThreeStars,
  urFourStars,
  urFiveStars,
};

enum class TExifFileSource : std::uint8_t { fsUnknown, fsFilmScanner, fsReflectionPrintScanner, fsDigitalCamera };
enum class TExifSceneType : std::uint8_t { esUnknown, esDirectlyPhotographed };

// GPS reference enumerations: ordinal 0 is the missing or unreadable reference.
enum class TGPSAltitudeRef : std::uint8_t { alTagMissing, alAboveSeaLevel, alBelowSeaLevel };
enum class TGPSStatus : std::uint8_t { stMissingOrInvalid, stMeasurementActive, stMeasurementVoid };
enum class TGPSMeasureMode : std::uint8_t { mmUnknown, mm2D, mm3D };
enum class TGPSSpeedRef : std::uint8_t { srMissingOrInvalid, srKilometresPerHour, srMilesPerHour, srKnots };
enum class TGPSDirectionRef : std::uint8_t { drMissingOrInvalid, drTrueNorth, drMagneticNorth };
enum class TGPSDistanceRef : std::uint8_t { dsMissingOrInvalid, dsKilometres, dsMiles, dsKnots };
enum class TGPSLatitudeRef : std::uint8_t { ltMissingOrInvalid, ltNorth, ltSouth };
enum class TGPSLongitudeRef : std::uint8_t { lnMissingOrInvalid, lnWest, lnEast };

// Enumerated EXIF fields whose ordinal is the stored value; -1 (ColorSpace: 0) means
// that the tag is missing. With EnsureEnumsInRange off, values outside the named ones
// are passed through as they are. The types are wider than the stored SHORT so that
// every stored value reads as itself and -1 stays free for "missing".
enum class TExifColorSpace : std::uint16_t {
  csTagMissing = 0,
  csRGB = 1,
  csAdobeRGB = 2,
  csWideGamutRGB = 0xFFFD,
  csICCProfile = 0xFFFE,
  csUncalibrated = 0xFFFF,
};
enum class TExifContrast : std::int32_t { cnTagMissing = -1, cnNormal, cnSoft, cnHard };
enum class TExifCustomRendered : std::int32_t { crTagMissing = -1, crNormal, crCustom };
enum class TExifExposureMode : std::int32_t { exTagMissing = -1, exAuto, exManual, exAutoBracket };
enum class TExifExposureProgram : std::int32_t {
  eeTagMissing = -1,
  eeUndefined,
  eeManual,
  eeNormal,
  eeAperturePriority,
  eeShutterPriority,
  eeCreative,
  eeAction,
  eePortrait,
  eeLandscape,
};
enum class TExifGainControl : std::int32_t {
  egTagMissing = -1,
  egNone,
  egLowGainUp,
  egHighGainUp,
  egLowGainDown,
  egHighGainDown,
};
enum class TExifLightSource : std::int32_t {
  elTagMissing = -1,
  elUnknown,
  elDaylight,
  elFluorescent,
  elTungsten,
  elFlash,
  elFineWeather = 9,
  elCloudyWeather,
  elShade,
  elDaylightFluorescent,
  elDayWhiteFluorescent,
  elCoolWhiteFluorescent,
  elWhiteFluorescent,
  elWarmWhiteFluorescent,
  elStandardLightA,
  elStandardLightB,
  elStandardLightC,
  elD55,
  elD65,
  elD75,
  elD50,
  elISOStudioTungsten,
  elOther = 255,
};
enum class TExifMeteringMode : std::int32_t {
  emTagMissing = -1,
  emUnknown,
  emAverage,
  emCenterWeightedAverage,
  emSpot,
  emMultiSpot,
  emPattern,
  emPartial,
};
enum class TExifSaturation : std::int32_t { euTagMissing = -1, euNormal, euLow, euHigh };
enum class TExifSceneCaptureType : std::int32_t { ecTagMissing = -1, ecStandard, ecLandscape, ecPortrait, ecNightScene };
enum class TExifSensingMethod : std::int32_t {
  smTagMissing = -1,
  smMonochrome,
  smUndefined,
  smOneChipColor,
  smTwoChipColor,
  smThreeChipColor,
  smColorSequentialArea,
  smMonochromeLinear,
  smTrilinear,
  smColorSequentialLinear,
};
enum class TExifSharpness : std::int32_t { ehTagMissing = -1, ehNormal, ehSoft, ehHard };
enum class TExifSubjectDistanceRange : std::int32_t { edTagMissing = -1, edUnknown, edMacro, edClose, edDistant };
enum class TExifWhiteBalance : std::int32_t { ewTagMissing = -1, ewAuto, ewManual };
enum class TGPSDifferential : std::int32_t { dfTagMissing = -1, dfWithoutCorrection, dfCorrectionApplied };

// Two signed 16-bit coordinates; (-1, -1) means none.
struct TSmallPoint {
  std::int16_t X = -1;
  std::int16_t Y = -1;
  constexpr bool operator==(const TSmallPoint&) const = default;
};

// The 16 bits of a word as a set (bit n = TWordBitEnum{n}).
enum class TWordBitEnum : std::uint8_t {};
using TWordBitSet = Platform::TSet<TWordBitEnum>;
[[nodiscard]] TWordBitSet WordToBitSet(std::uint16_t value);
[[nodiscard]] std::uint16_t BitSetToWord(const TWordBitSet& value);

// The XMP property name (exif schema) of a GPS tag; empty for tags without one.
[[nodiscard]] std::string_view GPSTagXMPName(TTiffTagID id);

// Base of the value objects: the container they work on, and Assign, which copies the
// value of another object. A source the class cannot take raises the platform's
// assignment error and changes nothing.
class TExifPersistent {
public:
  TExifPersistent(const TExifPersistent&) = delete;
  TExifPersistent& operator=(const TExifPersistent&) = delete;
  virtual ~TExifPersistent() = default;

  virtual void Assign(const TExifPersistent* source);
  [[nodiscard]] virtual std::string_view ClassName() const = 0;
  [[nodiscard]] TCustomExifData& Owner() const { return *FOwner; }

protected:
  explicit TExifPersistent(TCustomExifData& owner) : FOwner(&owner) {}
  // The platform's assignment error for source (nullptr counts as "nil").
  [[noreturn]] void AssignError(const TExifPersistent* source) const;

  TCustomExifData* FOwner;
};

// The Flash field (tag 0x9209, SHORT) as its bits, with the flash energy (0xA20B).
enum class TExifFlashMode : std::uint8_t { efUnknown, efCompulsoryFire, efCompulsorySuppression, efAuto };
enum class TExifStrobeLight : std::uint8_t { esNoDetectionFunction, esUndetected, esDetected };

class TExifFlashInfo : public TExifPersistent {
public:
  explicit TExifFlashInfo(TCustomExifData& owner) : TExifPersistent(owner) {}
  // A TExifFlashInfo, or nullptr (removes Flash and FlashEnergy).
  void Assign(const TExifPersistent* source) override;
  [[nodiscard]] std::string_view ClassName() const override { return "TExifFlashInfo"; }

  // The empty set when the tag is missing; writing the empty set removes the tag.
  [[nodiscard]] TWordBitSet BitSet() const;
  void SetBitSet(const TWordBitSet& value);
  [[nodiscard]] bool Fired() const;
  void SetFired(bool value);
  [[nodiscard]] TExifFlashMode Mode() const;
  void SetMode(TExifFlashMode value);
  // False when the camera reports that it has no flash function.
  [[nodiscard]] bool Present() const;
  void SetPresent(bool value);
  [[nodiscard]] bool RedEyeReduction() const;
  void SetRedEyeReduction(bool value);
  [[nodiscard]] TExifStrobeLight StrobeLight() const;
  void SetStrobeLight(TExifStrobeLight value);
  [[nodiscard]] TTiffLongWordFraction StrobeEnergy() const;
  void SetStrobeEnergy(const TTiffLongWordFraction& value);
  [[nodiscard]] bool MissingOrInvalid() const;

private:
  [[nodiscard]] std::uint16_t Bits() const;
  void ChangeBits(std::uint16_t mask, std::uint16_t bits);
  // Stores the value; keepZero keeps a tag holding 0 instead of removing it.
  void WriteBits(std::uint16_t value, bool keepZero);
};

// A version number of four elements, of which major, minor and release are read.
using TExifVersionElement = std::uint8_t;

class TCustomExifVersion : public TExifPersistent {
public:
  // Another version object (its digits are copied); nullptr or a missing source
  // removes the tag.
  void Assign(const TExifPersistent* source) override;

  [[nodiscard]] TExifVersionElement Major() const { return GetValue(0); }
  void SetMajor(TExifVersionElement value) { SetValue(0, value); }
  [[nodiscard]] TExifVersionElement Minor() const { return GetValue(1); }
  void SetMinor(TExifVersionElement value) { SetValue(1, value); }
  [[nodiscard]] TExifVersionElement Release() const { return GetValue(2); }
  void SetRelease(TExifVersionElement value) { SetValue(2, value); }
  [[nodiscard]] bool MissingOrInvalid() const { return Major() == 0; }
  // "2.30" with the locale's decimal separator; empty when missing.
  [[nodiscard]] std::string AsString() const;
  // Digits with one separator character after the major digit ("2.3" = 2.30); a
  // character that is not a digit raises ERangeError. An empty text removes the tag.
  void SetAsString(std::string_view value);
  [[nodiscard]] std::string ToString() const { return AsString(); }

  [[nodiscard]] TExifSectionKind SectionKind() const { return FSectionKind; }
  [[nodiscard]] TTiffTagID TagID() const { return FTagID; }

protected:
  TCustomExifVersion(TCustomExifData& owner, TExifSectionKind sectionKind, TTiffTagID tagID,
                     std::int32_t majorIndex = 1, bool storeAsChar = true,
                     TTiffDataType tiffDataType = TTiffDataType::tdUndefined);

private:
  [[nodiscard]] TExifVersionElement GetValue(std::int32_t offset) const;
  void SetValue(std::int32_t offset, TExifVersionElement value);
  [[nodiscard]] TExifSection& Section() const;

  std::int32_t FMajorIndex;
  TExifSectionKind FSectionKind;
  bool FStoreAsChar;
  TTiffTagID FTagID;
  TTiffDataType FTiffDataType;
};

class TExifVersion : public TCustomExifVersion {
public:
  explicit TExifVersion(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TExifVersion"; }
};

class TFlashPixVersion : public TCustomExifVersion {
public:
  explicit TFlashPixVersion(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TFlashPixVersion"; }
};

class TInteropVersion : public TCustomExifVersion {
public:
  explicit TInteropVersion(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TInteropVersion"; }
};

class TGPSVersion : public TCustomExifVersion {
public:
  explicit TGPSVersion(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TGPSVersion"; }
};

// Unit of a resolution pair (the TIFF ResolutionUnit codes).
enum class TTiffResolutionUnit : std::uint8_t { trNone = 1, trInch, trCentimetre };

// A pair of resolutions with their unit, in one section.
class TCustomExifResolution : public TExifPersistent {
public:
  // Another resolution object, or nullptr; nullptr or a missing source removes the
  // three tags (and their XMP properties).
  void Assign(const TExifPersistent* source) override;

  [[nodiscard]] TExifSection& Section() const { return *FSection; }
  [[nodiscard]] TTiffLongWordFraction X() const;
  void SetX(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction Y() const;
  void SetY(const TTiffLongWordFraction& value);
  // trNone when the unit tag is missing.
  [[nodiscard]] TTiffResolutionUnit Units() const;
  void SetUnits(TTiffResolutionUnit value);
  [[nodiscard]] bool MissingOrInvalid() const;
  // "72" x 72"" style with the unit suffix ('"' for inch, "cm"); empty when missing.
  [[nodiscard]] std::string ToString() const;

protected:
  struct TLayout {
    TExifSectionKind Section;
    TXMPNamespace Schema;
    TTiffTagID XTagID, YTagID, UnitTagID;
    std::string_view XName, YName, UnitName;
  };
  TCustomExifResolution(TCustomExifData& owner, const TLayout& layout);

private:
  void SetFraction(TTiffTagID id, std::string_view xmpName, const TTiffLongWordFraction& value);
  [[nodiscard]] bool HasXMPMirror() const;

  TXMPNamespace FSchema;
  TExifSection* FSection;
  TTiffTagID FXTagID, FYTagID, FUnitTagID;
  std::string_view FXName, FYName, FUnitName;
};

class TImageResolution : public TCustomExifResolution {
public:
  explicit TImageResolution(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TImageResolution"; }
};

class TFocalPlaneResolution : public TCustomExifResolution {
public:
  explicit TFocalPlaneResolution(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TFocalPlaneResolution"; }
};

class TThumbnailResolution : public TCustomExifResolution {
public:
  explicit TThumbnailResolution(TCustomExifData& owner);
  [[nodiscard]] std::string_view ClassName() const override { return "TThumbnailResolution"; }
};

// The ISOSpeedRatings tag (0x8827 in the Exif sub-IFD): a list of 16-bit values.
class TISOSpeedRatings : public TExifPersistent {
public:
  explicit TISOSpeedRatings(TCustomExifData& owner) : TExifPersistent(owner) {}
  // Another TISOSpeedRatings (its values are copied as SHORT), or nullptr (clears).
  void Assign(const TExifPersistent* source) override;
  [[nodiscard]] std::string_view ClassName() const override { return "TISOSpeedRatings"; }

  [[nodiscard]] std::int32_t Count() const;
  // <= 0 clears; otherwise the tag is resized, or added with zeros.
  void SetCount(std::int32_t value);
  // 0 outside 0..Count-1.
  [[nodiscard]] std::uint16_t Items(std::int32_t index) const;
  // EListError outside 0..Count-1.
  void SetItems(std::int32_t index, std::uint16_t value);
  // Comma-separated values ("100,200"); empty when missing.
  [[nodiscard]] std::string AsString() const;
  void SetAsString(std::string_view value);
  [[nodiscard]] std::string ToString() const { return AsString(); }
  [[nodiscard]] bool MissingOrInvalid() const;

private:
  [[nodiscard]] TExifTag* ValidTag() const;
  void Clear();
};

// A GPS position component: degrees, minutes and (optionally) seconds as RATIONALs in
// one GPS tag, and a reference letter in the tag before it.
class TGPSCoordinate : public TExifPersistent {
public:
  TGPSCoordinate(TCustomExifData& owner, TTiffTagID tagID);
  // A coordinate of the same class (tag and letter are copied), or nullptr (removes).
  void Assign(const TExifPersistent* source) override;
  [[nodiscard]] std::string_view ClassName() const override { return "TGPSCoordinate"; }

  [[nodiscard]] TTiffLongWordFraction Degrees() const;
  [[nodiscard]] TTiffLongWordFraction Minutes() const;
  [[nodiscard]] TTiffLongWordFraction Seconds() const;
  // The reference letter, upper-cased; '\0' when missing.
  [[nodiscard]] char Direction() const;
  // '\0' removes the reference (and the XMP property).
  void SetDirection(char value);
  [[nodiscard]] bool MissingOrInvalid() const;
  // "50,30,15N", "50,30,153/10N" or, without seconds, "48,8.5N"; empty when degrees or
  // minutes are missing.
  [[nodiscard]] std::string AsString() const;
  [[nodiscard]] std::string ToString() const { return AsString(); }

  [[nodiscard]] TTiffTagID TagID() const { return FTagID; }
  [[nodiscard]] TTiffTagID RefTagID() const { return FRefTagID; }
  [[nodiscard]] std::string_view XMPName() const { return FXMPName; }

protected:
  // Writes degrees, minutes and (with a non-zero denominator) seconds, then the letter.
  void StoreCoordinate(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
                       const TTiffLongWordFraction& seconds, char direction);

private:
  [[nodiscard]] std::string CoordinateText(char decimalSeparator) const;

  TTiffTagID FRefTagID;
  TTiffTagID FTagID;
  std::string_view FXMPName;
};

class TGPSLatitude : public TGPSCoordinate {
public:
  using TGPSCoordinate::Assign;
  using TGPSCoordinate::TGPSCoordinate;
  [[nodiscard]] std::string_view ClassName() const override { return "TGPSLatitude"; }

  // 'N' north, 'S' south, anything else missing.
  [[nodiscard]] TGPSLatitudeRef Direction() const;
  void Assign(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
              const TTiffLongWordFraction& seconds, TGPSLatitudeRef direction);
  void Assign(std::uint32_t degrees, std::uint32_t minutes, const TTiffLongWordFraction& seconds,
              TGPSLatitudeRef direction);
  // Seconds as a fixed-point value with four decimals.
  void Assign(std::uint32_t degrees, std::uint32_t minutes, double seconds, TGPSLatitudeRef direction);
  // Whole seconds.
  template <typename T>
  requires std::is_integral_v<T>
  void Assign(std::uint32_t degrees, std::uint32_t minutes, T seconds, TGPSLatitudeRef direction) {
    Assign(degrees, minutes, TTiffLongWordFraction(static_cast<std::uint32_t>(seconds), 1), direction);
  }
};

class TGPSLongitude : public TGPSCoordinate {
public:
  using TGPSCoordinate::Assign;
  using TGPSCoordinate::TGPSCoordinate;
  [[nodiscard]] std::string_view ClassName() const override { return "TGPSLongitude"; }

  // 'W' west, 'E' east, anything else missing.
  [[nodiscard]] TGPSLongitudeRef Direction() const;
  void Assign(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
              const TTiffLongWordFraction& seconds, TGPSLongitudeRef direction);
  void Assign(std::uint32_t degrees, std::uint32_t minutes, const TTiffLongWordFraction& seconds,
              TGPSLongitudeRef direction);
  void Assign(std::uint32_t degrees, std::uint32_t minutes, double seconds, TGPSLongitudeRef direction);
  template <typename T>
  requires std::is_integral_v<T>
  void Assign(std::uint32_t degrees, std::uint32_t minutes, T seconds, TGPSLongitudeRef direction) {
    Assign(degrees, minutes, TTiffLongWordFraction(static_cast<std::uint32_t>(seconds), 1), direction);
  }
};

// ===== end of value objects =====

// ===== EXIF data container =====
// TCustomExifData is the EXIF model of one picture: six sections, the thumbnail, the
// value objects behind the structured fields, the maker note, an XMP packet that follows
// the edits and the IPTC data found inside the EXIF block. TExifData is the editable
// form, whose sections may grow and gain tags.

struct TExifMakerNoteClassInfo;
// A maker-note class as a value (what Pascal calls a class reference): the registry and
// the container keep these; see the maker-note area below.
using TExifMakerNoteClass = const TExifMakerNoteClassInfo*;

// Which kinds of metadata a picture held.
enum class TJPEGMetadataKind : std::uint8_t { mkExif, mkIPTC, mkXMP };
using TJPEGMetadataKinds = Platform::TSet<TJPEGMetadataKind>;

// The XMP packet of an EXIF container; its class marks it as one that belongs to one.
// A packet found in the file that does not parse stays pending as it was read: reading
// it finds no properties, the typed setters leave it alone, and saving carries its
// bytes unchanged, so that a damaged packet neither blocks EXIF edits nor gets lost.
class TContainedXMPPacket : public TXMPPacket {
public:
  TContainedXMPPacket() = default;
  // The properties changed since the packet was last loaded, so that its text is made
  // anew from them rather than written as it was read.
  [[nodiscard]] bool EditedSinceLoad() const { return FEdited; }

protected:
  void LoadError(Platform::TStream& source) override;
  void Changed(bool resetRawXMLCache = true) override;

private:
  bool FEdited = false;
};

class TCustomExifData : public IExifSectionOwner {
public:
  using TNotifyEvent = std::function<void(TCustomExifData& sender)>;
  enum class TMakerNoteTypePriority : std::uint8_t { mtTestForLast, mtTestForFirst };
  // Makes the container's section of a kind. The section class is chosen by the most
  // derived container, which a constructor can only learn through its arguments.
  using TSectionFactory = std::unique_ptr<TExifSection> (*)(TCustomExifData& owner, TExifSectionKind kind);

  // The six sections esGeneral..esMakerNote in order; Current goes through GetSection,
  // so reaching the maker-note section parses the maker note.
  class TEnumerator {
  public:
    explicit TEnumerator(TCustomExifData* client) : FClient(client) {}
    [[nodiscard]] TExifSection* Current() const;
    bool MoveNext();

  private:
    TCustomExifData* FClient;
    bool FDoneFirst = false;
    TExifSectionKind FSection = TExifSectionKind::esGeneral;
  };

  class TIterator {
  public:
    using value_type = TExifSection*;
    using difference_type = std::ptrdiff_t;
    explicit TIterator(TCustomExifData* client) : FEnumerator(client), FDone(!FEnumerator.MoveNext()) {}
    TExifSection* operator*() const { return FEnumerator.Current(); }
    TIterator& operator++() {
      FDone = !FEnumerator.MoveNext();
      return *this;
    }
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return FDone; }

  private:
    TEnumerator FEnumerator;
    bool FDone;
  };

  // A container with fixed-structure sections.
  TCustomExifData();
  ~TCustomExifData() override;
  TCustomExifData(const TCustomExifData&) = delete;
  TCustomExifData& operator=(const TCustomExifData&) = delete;

  // --- change notification ---
  void BeginUpdate() override;
  void EndUpdate() override;
  [[nodiscard]] bool Updating() const { return FUpdateCount > 0; }
  // Outside an update bracket: Modified := True and OnChange; inside: only remembered.
  void Changed(TExifSection* sender) override;
  [[nodiscard]] bool Modified() const { return FModified; }
  // True is a change (Changed(nullptr)); False only clears the flag.
  void SetModified(bool value);
  [[nodiscard]] const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // --- content ---
  // Frees the thumbnail, forgets the maker note and clears the sections (and the XMP
  // packet when asked), as one change. The embedded IPTC data is left alone.
  void Clear(bool xmpPacketToo = true);
  // No tags in any section and no thumbnail.
  [[nodiscard]] bool Empty() const;
  // The section of that kind; for esMakerNote a recognised maker note is parsed first.
  TExifSection* GetSection(TExifSectionKind kind);
  TExifSection* Sections(TExifSectionKind kind) { return GetSection(kind); }
  TExifSection* operator[](TExifSectionKind kind) { return GetSection(kind); }
  // The section as it stands, never parsing anything.
  [[nodiscard]] TExifSection* OwnedSection(TExifSectionKind kind) const override;

  [[nodiscard]] TEnumerator GetEnumerator() { return TEnumerator(this); }
  [[nodiscard]] TIterator begin() { return TIterator(this); }
  [[nodiscard]] std::default_sentinel_t end() const { return {}; }

  // --- maker note ---
  // The maker note, parsed into the esMakerNote section on first request.
  TExifMakerNote& MakerNote();
  // The class recognised at load (TUnrecognizedMakerNote when there is none).
  [[nodiscard]] TExifMakerNoteClass MakerNoteType() const { return FMakerNoteType; }
  // Tag 0x927C in the Exif sub-IFD, UNDEFINED, at least 5 bytes.
  [[nodiscard]] bool HasMakerNote() const;
  // Forgets the recognised type and the parsed note; nothing is detected before the next load.
  void ResetMakerNoteType() override;
  // Bytes of the source block outside the maker note that its entries refer to, at their
  // offsets in that block: notes moved by an earlier writer without mending their offsets
  // still find there what they pointed at, as long as the note is saved where it was.
  // Taken at load (bounded), forgotten with the maker note.
  struct TMakerNoteExtent {
    std::int64_t Offset = 0;
    std::vector<std::uint8_t> Bytes;
  };
  [[nodiscard]] const std::vector<TMakerNoteExtent>& MakerNoteExtents() const { return FMakerNoteExtents; }
  // After a save: the maker note now stands at offset in the block written, and the
  // bytes it refers to moved with it, so that the next save starts from the block just
  // written (as if it had been loaded again) and not from the one loaded before.
  void MakerNoteWrittenAt(std::int64_t offset);

  // The process-wide list of maker-note classes tried at load, last entry first.
  // mtTestForLast puts a class at the front (tried last), mtTestForFirst at the end.
  static void RegisterMakerNoteType(TExifMakerNoteClass makerNoteClass,
                                    TMakerNoteTypePriority priority = TMakerNoteTypePriority::mtTestForLast);
  static void RegisterMakerNoteTypes(std::span<const TExifMakerNoteClass> classes,
                                     TMakerNoteTypePriority priority = TMakerNoteTypePriority::mtTestForLast);
  static void RegisterMakerNoteTypes(std::initializer_list<TExifMakerNoteClass> classes,
                                     TMakerNoteTypePriority priority = TMakerNoteTypePriority::mtTestForLast) {
    RegisterMakerNoteTypes(std::span<const TExifMakerNoteClass>(classes.begin(), classes.size()), priority);
  }
  static void UnregisterMakerNoteType(TExifMakerNoteClass makerNoteClass);
  // The registry in list order (the first entry is tried last).
  [[nodiscard]] static std::vector<TExifMakerNoteClass> RegisteredMakerNoteTypes();

  // --- thumbnail ---
  // A thumbnail exists and is not empty.
  [[nodiscard]] bool HasThumbnail() const;
  // Created empty on first use; its changes reach ThumbnailChanged.
  Platform::TJPEGImage& Thumbnail();
  // nullptr or an empty picture removes the thumbnail (an uncompressed one as well);
  // otherwise it copies the picture.
  void SetThumbnail(const Platform::TJPEGImage* value);
  // The image data of an uncompressed thumbnail (IFD1 with StripOffsets and
  // StripByteCounts), strips one after the other, as loaded; empty when there is none
  // or it could not be read. Saving writes it back behind IFD1 while the picture is
  // not replaced.
  [[nodiscard]] const std::vector<std::uint8_t>& ThumbnailStripData() const { return FThumbnailStripData; }
  // The JPEG thumbnail is the one loaded, unchanged since. Saving then writes it with the
  // bytes the file had for it (ThumbnailTrailer: what its declared length held behind its
  // EOI marker) and leaves IFD1's Compression tag as stored.
  [[nodiscard]] bool ThumbnailAsLoaded() const { return FThumbnailAsLoaded && HasThumbnail(); }
  [[nodiscard]] const std::vector<std::uint8_t>& ThumbnailTrailer() const { return FThumbnailTrailer; }
  // Marks the container modified; for its own thumbnail also sets ImageWidth and
  // ImageLength of IFD1 (when either is present) to the picture's size.
  void ThumbnailChanged(Platform::TGraphic& sender);

  // --- settings and owned objects ---
  [[nodiscard]] TEndianness Endianness() const { return FEndianness; }
  void SetEndianness(TEndianness value);
  [[nodiscard]] TIPTCData& EmbeddedIPTC() const { return *FEmbeddedIPTC; }
  [[nodiscard]] TContainedXMPPacket& XMPPacket() const { return *FXMPPacket; }
  [[nodiscard]] bool AlwaysWritePreciseTimes() const override { return FAlwaysWritePreciseTimes; }
  void SetAlwaysWritePreciseTimes(bool value) { FAlwaysWritePreciseTimes = value; }
  [[nodiscard]] bool EnforceASCII() const override { return FEnforceASCII; }
  void SetEnforceASCII(bool value) { FEnforceASCII = value; }
  [[nodiscard]] bool EnsureEnumsInRange() const { return FEnsureEnumsInRange; }
  void SetEnsureEnumsInRange(bool value) { FEnsureEnumsInRange = value; }
  [[nodiscard]] TXMPWritePolicy XMPWritePolicy() const;
  void SetXMPWritePolicy(TXMPWritePolicy value);

  // What the last LoadFromGraphic found, and where its XMP segment was (JPEG only; 0 when none).
  [[nodiscard]] TJPEGMetadataKinds MetadataInSource() const { return FMetadataInSource; }
  [[nodiscard]] std::int64_t XMPSegmentPosition() const { return FXMPSegmentPosition; }
  [[nodiscard]] std::int64_t XMPPacketSizeInSource() const { return FXMPPacketSizeInSource; }
  // Absolute position of the loaded TIFF header in its source file.
  [[nodiscard]] std::int64_t OffsetBase() const { return FOffsetBase; }

  // --- loading ---
  // JPEG, PSD or TIFF at the stream's position; False (container cleared) for anything
  // else. Damaged metadata is absorbed; loading never fires OnChange and ends unmodified.
  bool LoadFromGraphic(TStream& stream);
  // The picture's saved bytes.
  bool LoadFromGraphic(Platform::IStreamPersist& graphic);
  // Streams the file: only the metadata segments are read, never the picture data.
  bool LoadFromGraphic(const std::string& fileName);
  // As LoadFromGraphic, but anything that is not JPEG raises EInvalidJPEGHeader with
  // the container untouched.
  void LoadFromJPEG(TStream& stream);
  void LoadFromJPEG(Platform::TJPEGImage& image);
  void LoadFromJPEG(const std::string& fileName);
  // A raw Exif block: optionally "Exif" NUL NUL, then a TIFF header (EInvalidTiffData
  // when there is none). The XMP packet is kept.
  void LoadFromStream(TStream& stream);

  // ----- Typed properties (Properties.cpp) -----
  // The common EXIF fields as typed values. Reads never raise (a missing or malformed
  // tag gives the type's missing value); every setter writes the tag and keeps the
  // mirroring XMP property in step under XMPWritePolicy.

  // Texts (an empty value removes the tag).
  [[nodiscard]] std::string ImageDescription() const;
  void SetImageDescription(std::string_view value);
  [[nodiscard]] std::string CameraMake() const;
  void SetCameraMake(std::string_view value);
  [[nodiscard]] std::string CameraModel() const;
  void SetCameraModel(std::string_view value);
  [[nodiscard]] std::string Software() const;
  void SetSoftware(std::string_view value);
  [[nodiscard]] std::string Copyright() const;
  void SetCopyright(std::string_view value);
  [[nodiscard]] std::string SpectralSensitivity() const;
  void SetSpectralSensitivity(std::string_view value);
  [[nodiscard]] std::string RelatedSoundFile() const;
  void SetRelatedSoundFile(std::string_view value);
  [[nodiscard]] std::string ImageUniqueID() const;
  void SetImageUniqueID(std::string_view value);
  [[nodiscard]] std::string SubsecTime() const;
  void SetSubsecTime(std::string_view value);
  [[nodiscard]] std::string SubsecTimeOriginal() const;
  void SetSubsecTimeOriginal(std::string_view value);
  [[nodiscard]] std::string SubsecTimeDigitized() const;
  void SetSubsecTimeDigitized(std::string_view value);
  [[nodiscard]] std::string CameraOwnerName() const;
  void SetCameraOwnerName(std::string_view value);
  [[nodiscard]] std::string BodySerialNumber() const;
  void SetBodySerialNumber(std::string_view value);
  [[nodiscard]] std::string LensMake() const;
  void SetLensMake(std::string_view value);
  [[nodiscard]] std::string LensModel() const;
  void SetLensModel(std::string_view value);
  [[nodiscard]] std::string LensSerialNumber() const;
  void SetLensSerialNumber(std::string_view value);
  [[nodiscard]] std::string InteropTypeName() const;
  void SetInteropTypeName(std::string_view value);
  [[nodiscard]] std::string GPSSatellites() const;
  void SetGPSSatellites(std::string_view value);
  [[nodiscard]] std::string GPSMapDatum() const;
  void SetGPSMapDatum(std::string_view value);
  [[nodiscard]] std::string GPSDateStamp() const;
  void SetGPSDateStamp(std::string_view value);

  // The UTF-16 texts Windows keeps in IFD0.
  [[nodiscard]] std::string Title() const;
  void SetTitle(std::string_view value);
  // ';'-separated words.
  [[nodiscard]] std::string Keywords() const;
  void SetKeywords(std::string_view value);
  [[nodiscard]] std::string Subject() const;
  void SetSubject(std::string_view value);
  // XPAuthor, or Artist when that is empty.
  [[nodiscard]] std::string Author() const;
  void SetAuthor(std::string_view value);
  // XPComment, or the UserComment of the Exif sub-IFD when that is empty.
  [[nodiscard]] std::string Comments() const;
  void SetComments(std::string_view value);

  // Rationals (0/0 is missing and removes a one-element tag).
  [[nodiscard]] TTiffLongWordFraction ExposureTime() const;
  void SetExposureTime(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction FNumber() const;
  void SetFNumber(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction CompressedBitsPerPixel() const;
  void SetCompressedBitsPerPixel(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongIntFraction ShutterSpeedValue() const;
  void SetShutterSpeedValue(const TTiffLongIntFraction& value);
  [[nodiscard]] TTiffLongWordFraction ApertureValue() const;
  void SetApertureValue(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongIntFraction BrightnessValue() const;
  void SetBrightnessValue(const TTiffLongIntFraction& value);
  [[nodiscard]] TTiffLongIntFraction ExposureBiasValue() const;
  void SetExposureBiasValue(const TTiffLongIntFraction& value);
  [[nodiscard]] TTiffLongWordFraction MaxApertureValue() const;
  void SetMaxApertureValue(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction SubjectDistance() const;
  void SetSubjectDistance(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction FocalLength() const;
  void SetFocalLength(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction ExposureIndex() const;
  void SetExposureIndex(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction DigitalZoomRatio() const;
  void SetDigitalZoomRatio(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSAltitude() const;
  void SetGPSAltitude(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSDOP() const;
  void SetGPSDOP(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSSpeed() const;
  void SetGPSSpeed(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSTrack() const;
  void SetGPSTrack(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSImgDirection() const;
  void SetGPSImgDirection(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSDestBearing() const;
  void SetGPSDestBearing(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSDestDistance() const;
  void SetGPSDestDistance(const TTiffLongWordFraction& value);
  // The elements of the GPS time stamp; writing one outside an update bracket drops
  // exif:GPSTimeStamp, which only GPSDateTimeUTC can rebuild.
  [[nodiscard]] TTiffLongWordFraction GPSTimeStampHour() const;
  void SetGPSTimeStampHour(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSTimeStampMinute() const;
  void SetGPSTimeStampMinute(const TTiffLongWordFraction& value);
  [[nodiscard]] TTiffLongWordFraction GPSTimeStampSecond() const;
  void SetGPSTimeStampSecond(const TTiffLongWordFraction& value);

  // Date-times with the milliseconds of their sub-second tags.
  [[nodiscard]] TDateTimeTagValue DateTime() const;
  void SetDateTime(const TDateTimeTagValue& value);
  [[nodiscard]] TDateTimeTagValue DateTimeOriginal() const;
  void SetDateTimeOriginal(const TDateTimeTagValue& value);
  [[nodiscard]] TDateTimeTagValue DateTimeDigitized() const;
  void SetDateTimeDigitized(const TDateTimeTagValue& value);
  // The GPS date stamp and time stamp as one UTC value (the date falls back to DateTime
  // or DateTimeOriginal when only the time is stored).
  [[nodiscard]] TDateTimeTagValue GPSDateTimeUTC() const;
  void SetGPSDateTimeUTC(const TDateTimeTagValue& value);

  [[nodiscard]] TTiffOrientation Orientation() const;
  void SetOrientation(TTiffOrientation value);
  [[nodiscard]] TTiffOrientation ThumbnailOrientation() const;
  void SetThumbnailOrientation(TTiffOrientation value);
  [[nodiscard]] TLongWordTagValue ExifImageWidth() const;
  void SetExifImageWidth(const TLongWordTagValue& value);
  [[nodiscard]] TLongWordTagValue ExifImageHeight() const;
  void SetExifImageHeight(const TLongWordTagValue& value);
  // The tag, or an estimate from the focal length, the image size and the focal-plane
  // resolution when the tag is missing.
  [[nodiscard]] TWordTagValue FocalLengthIn35mmFilm() const;
  void SetFocalLengthIn35mmFilm(const TWordTagValue& value);
  [[nodiscard]] TLongIntTagValue OffsetSchema() const;
  void SetOffsetSchema(const TLongIntTagValue& value);
  [[nodiscard]] TExifFileSource FileSource() const;
  void SetFileSource(TExifFileSource value);
  [[nodiscard]] TExifSceneType SceneType() const;
  void SetSceneType(TExifSceneType value);
  [[nodiscard]] TSmallPoint SubjectLocation() const;
  void SetSubjectLocation(const TSmallPoint& value);
  [[nodiscard]] TWindowsStarRating UserRating() const;
  void SetUserRating(TWindowsStarRating value);

  // GPS references.
  [[nodiscard]] TGPSAltitudeRef GPSAltitudeRef() const;
  void SetGPSAltitudeRef(TGPSAltitudeRef value);
  [[nodiscard]] TGPSStatus GPSStatus() const;
  void SetGPSStatus(TGPSStatus value);
  [[nodiscard]] TGPSMeasureMode GPSMeasureMode() const;
  void SetGPSMeasureMode(TGPSMeasureMode value);
  [[nodiscard]] TGPSSpeedRef GPSSpeedRef() const;
  void SetGPSSpeedRef(TGPSSpeedRef value);
  [[nodiscard]] TGPSDirectionRef GPSTrackRef() const;
  void SetGPSTrackRef(TGPSDirectionRef value);
  [[nodiscard]] TGPSDirectionRef GPSImgDirectionRef() const;
  void SetGPSImgDirectionRef(TGPSDirectionRef value);
  [[nodiscard]] TGPSDirectionRef GPSDestBearingRef() const;
  void SetGPSDestBearingRef(TGPSDirectionRef value);
  [[nodiscard]] TGPSDistanceRef GPSDestDistanceRef() const;
  void SetGPSDestDistanceRef(TGPSDistanceRef value);

  // Enumerated fields: the stored value, or the ...TagMissing value (EnsureEnumsInRange
  // also maps values outside the defined ones to it).
  [[nodiscard]] TExifColorSpace ColorSpace() const;
  void SetColorSpace(TExifColorSpace value);
  [[nodiscard]] TExifContrast Contrast() const;
  void SetContrast(TExifContrast value);
  [[nodiscard]] TExifCustomRendered CustomRendered() const;
  void SetCustomRendered(TExifCustomRendered value);
  [[nodiscard]] TExifExposureMode ExposureMode() const;
  void SetExposureMode(TExifExposureMode value);
  [[nodiscard]] TExifExposureProgram ExposureProgram() const;
  void SetExposureProgram(TExifExposureProgram value);
  [[nodiscard]] TExifGainControl GainControl() const;
  void SetGainControl(TExifGainControl value);
  [[nodiscard]] TExifLightSource LightSource() const;
  void SetLightSource(TExifLightSource value);
  [[nodiscard]] TExifMeteringMode MeteringMode() const;
  void SetMeteringMode(TExifMeteringMode value);
  [[nodiscard]] TExifSaturation Saturation() const;
  void SetSaturation(TExifSaturation value);
  [[nodiscard]] TExifSceneCaptureType SceneCaptureType() const;
  void SetSceneCaptureType(TExifSceneCaptureType value);
  [[nodiscard]] TExifSensingMethod SensingMethod() const;
  void SetSensingMethod(TExifSensingMethod value);
  [[nodiscard]] TExifSharpness Sharpness() const;
  void SetSharpness(TExifSharpness value);
  [[nodiscard]] TExifSubjectDistanceRange SubjectDistanceRange() const;
  void SetSubjectDistanceRange(TExifSubjectDistanceRange value);
  [[nodiscard]] TExifWhiteBalance WhiteBalance() const;
  [[nodiscard]] TGPSDifferential GPSDifferential() const;
  void SetGPSDifferential(TGPSDifferential value);

  // The value objects; a setter copies the given object's value into the container's
  // object (nullptr clears the field).
  [[nodiscard]] TExifVersion& ExifVersion() const { return *FExifVersion; }
  void SetExifVersion(const TCustomExifVersion* value);
  [[nodiscard]] TFlashPixVersion& FlashPixVersion() const { return *FFlashPixVersion; }
  void SetFlashPixVersion(const TCustomExifVersion* value);
  [[nodiscard]] TGPSVersion& GPSVersion() const { return *FGPSVersion; }
  void SetGPSVersion(const TCustomExifVersion* value);
  [[nodiscard]] TInteropVersion& InteropVersion() const { return *FInteropVersion; }
  void SetInteropVersion(const TCustomExifVersion* value);
  [[nodiscard]] TExifFlashInfo& Flash() const { return *FFlash; }
  void SetFlash(const TExifFlashInfo* value);
  [[nodiscard]] TImageResolution& Resolution() const { return *FResolution; }
  void SetResolution(const TCustomExifResolution* value);
  [[nodiscard]] TFocalPlaneResolution& FocalPlaneResolution() const { return *FFocalPlaneResolution; }
  void SetFocalPlaneResolution(const TCustomExifResolution* value);
  [[nodiscard]] TThumbnailResolution& ThumbnailResolution() const { return *FThumbnailResolution; }
  void SetThumbnailResolution(const TCustomExifResolution* value);
  [[nodiscard]] TISOSpeedRatings& ISOSpeedRatings() const { return *FISOSpeedRatings; }
  void SetISOSpeedRatings(const TISOSpeedRatings* value);
  [[nodiscard]] TGPSLatitude& GPSLatitude() const { return *FGPSLatitude; }
  void SetGPSLatitude(const TGPSLatitude* value);
  [[nodiscard]] TGPSLongitude& GPSLongitude() const { return *FGPSLongitude; }
  void SetGPSLongitude(const TGPSLongitude* value);
  [[nodiscard]] TGPSLatitude& GPSDestLatitude() const { return *FGPSDestLatitude; }
  void SetGPSDestLatitude(const TGPSLatitude* value);
  [[nodiscard]] TGPSLongitude& GPSDestLongitude() const { return *FGPSDestLongitude; }
  void SetGPSDestLongitude(const TGPSLongitude* value);

  // Operations.
  // Dest := the ';'-separated parts of Keywords, untrimmed; an empty text gives one empty item.
  void GetKeywords(Platform::TStringList& dest) const;
  void SetKeywords(std::span<const std::string> newWords);
  void SetKeywords(std::initializer_list<std::string> newWords) {
    SetKeywords(std::span<const std::string>(newWords.begin(), newWords.size()));
  }
  void SetKeywords(const Platform::TStringList& newWords);
  // DateTime, DateTimeOriginal and DateTimeDigitized := value, as one change.
  void SetAllDateTimeValues(const TDateTimeTagValue& value);
  // The exposure time in milliseconds from the APEX ShutterSpeedValue; 0 when missing.
  [[nodiscard]] double ShutterSpeedInMSecs() const;
  // Writes every typed property with its own value, as one change: tag types are
  // normalised and the XMP packet follows the EXIF data.
  void Rewrite();
  // ----- end of typed properties -----

protected:
  explicit TCustomExifData(TSectionFactory sectionFactory);
  static std::unique_ptr<TExifSection> CreateFixedSection(TCustomExifData& owner, TExifSectionKind kind);

  // The TIFF structure at the stream's position (an "Exif" NUL NUL prefix is skipped
  // and then means "not a TIFF file"); tiffImageSource filters IFD0 to metadata tags.
  void LoadFromTiffStream(TStream& stream, bool tiffImageSource);

private:
  void LoadFromJPEGSegments(TStream& stream);
  void LoadFromPSDBlocks(TStream& stream);
  // IFD0 and IFD1; answers IFD0 (nullptr when there is none).
  std::shared_ptr<IFoundTiffDirectory> LoadMainDirectories(const std::shared_ptr<ITiffParser>& parser,
                                                           bool tiffImageSource);
  // The sub-directory that parent's pointer tag leads to, loaded into the section of kind.
  std::shared_ptr<IFoundTiffDirectory> LoadSubDirectory(ITiffParser& parser,
                                                        const std::shared_ptr<IFoundTiffDirectory>& parent,
                                                        TTiffTagID pointerID, TExifSectionKind kind,
                                                        bool tiffImageSource);
  void TakeMetadataOfIFD0(const IFoundTiffDirectory& directory, bool tiffImageSource);
  bool LoadThumbnail(const IFoundTiffDirectory& directory);
  void LoadThumbnailStrips(const IFoundTiffDirectory& directory);
  void DetectMakerNoteType();
  // The directories are those of the block: an entry leading into their tables in front
  // of the note was read with the wrong origin.
  void TakeMakerNoteExtents(const ITiffParser& parser, std::initializer_list<const IFoundTiffDirectory*> directories);
  void TakeThumbnailTrailer(const IFoundTiffDirectory& directory);
  void BindThumbnail();
  // Ends a load: the change record is dropped, the bracket closed, Modified False.
  void EndLoad();
  [[nodiscard]] TExifSection& Section(TExifSectionKind kind) const;

  bool FAlwaysWritePreciseTimes = false;
  bool FChangedWhileUpdating = false;
  std::unique_ptr<TIPTCData> FEmbeddedIPTC;
  TEndianness FEndianness = TEndianness::SmallEndian;
  bool FEnforceASCII = true;
  bool FEnsureEnumsInRange = true;
  std::unique_ptr<TExifVersion> FExifVersion;
  std::unique_ptr<TExifFlashInfo> FFlash;
  std::unique_ptr<TFlashPixVersion> FFlashPixVersion;
  std::unique_ptr<TFocalPlaneResolution> FFocalPlaneResolution;
  std::unique_ptr<TGPSLatitude> FGPSLatitude;
  std::unique_ptr<TGPSLatitude> FGPSDestLatitude;
  std::unique_ptr<TGPSLongitude> FGPSLongitude;
  std::unique_ptr<TGPSLongitude> FGPSDestLongitude;
  std::unique_ptr<TGPSVersion> FGPSVersion;
  std::unique_ptr<TInteropVersion> FInteropVersion;
  std::unique_ptr<TISOSpeedRatings> FISOSpeedRatings;
  TExifMakerNoteClass FMakerNoteType = nullptr;
  std::unique_ptr<TExifMakerNote> FMakerNoteValue;
  std::int64_t FOffsetBase = 0;
  bool FModified = false;
  std::unique_ptr<TImageResolution> FResolution;
  std::array<std::unique_ptr<TExifSection>, 6> FSections;
  std::unique_ptr<Platform::TJPEGImage> FThumbnailOrNil;
  std::unique_ptr<TThumbnailResolution> FThumbnailResolution;
  std::int32_t FUpdateCount = 0;
  std::unique_ptr<TContainedXMPPacket> FXMPPacket;
  TNotifyEvent FOnChange;
  TJPEGMetadataKinds FMetadataInSource;
  std::int64_t FXMPSegmentPosition = 0;
  std::int64_t FXMPPacketSizeInSource = 0;
  std::vector<std::uint8_t> FThumbnailStripData;
  std::vector<std::uint8_t> FThumbnailTrailer;
  bool FThumbnailAsLoaded = false;
  std::vector<TMakerNoteExtent> FMakerNoteExtents;
};

// The editable container: extendable sections.
class TExifData : public TCustomExifData, public IStreamPersistEx, public ITiffRewriteCallback {
public:
  TExifData();

  TExtendableExifSection* GetSection(TExifSectionKind kind) {
    return static_cast<TExtendableExifSection*>(TCustomExifData::GetSection(kind));
  }
  TExtendableExifSection* Sections(TExifSectionKind kind) { return GetSection(kind); }
  TExtendableExifSection* operator[](TExifSectionKind kind) { return GetSection(kind); }

  // nullptr: Clear(True). Otherwise every section becomes a copy of the source's section
  // of the same kind; thumbnail, XMP packet and embedded IPTC are not copied.
  void Assign(TCustomExifData* source);
  // Removes tag 0x927C from the Exif sub-IFD.
  void RemoveMakerNote();
  // Removes the first padding tag of each section.
  void RemovePaddingTags();
  [[nodiscard]] bool RemovePaddingTagsOnSave() const { return FRemovePaddingTagsOnSave; }
  void SetRemovePaddingTagsOnSave(bool value) { FRemovePaddingTagsOnSave = value; }

  // ----- Saving (Saving.cpp) -----
  // The raw Exif block (a TIFF structure without the "Exif" NUL NUL signature) at the
  // stream's position. The directories are laid out anew: header, IFD0, Exif, Interop
  // and GPS sub-directories, IFD1 with the thumbnail; a maker note keeps the offset it
  // had in the source block as long as it fits there, and so do the source bytes its
  // entries refer to outside it (MakerNoteExtents). An unchanged thumbnail is written
  // with the bytes it had (ThumbnailAsLoaded). Pointer tags, the thumbnail tags
  // and OffsetSchema are brought up to date in the container first; nothing is written
  // when that fails (a thumbnail that stays above MaxThumbnailSize, for one).
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override { TCustomExifData::LoadFromStream(stream); }
  [[nodiscard]] bool Empty() const override { return TCustomExifData::Empty(); }

  // Rewrites a JPEG, PSD or TIFF picture with this data (EUnsupportedGraphicFormat for
  // anything else). A file is replaced atomically, a stream only once the new content is
  // complete, a picture object is saved, rewritten and loaded back.
  void SaveToGraphic(const std::string& fileName);
  void SaveToGraphic(TStream& stream);
  void SaveToGraphic(Platform::IStreamPersist& graphic);
  void SaveToJPEG(const std::string& jpegFileName, bool dummy = true);
  void SaveToJPEG(Platform::TJPEGImage& jpegImage) { SaveToGraphic(jpegImage); }
  // The savers behind SaveToGraphic: a copy of inStream with this data, into outStream.
  // The JPEG saver refuses an Exif block that does not fit into one APP1 segment
  // (EExifBlockTooLarge) before it writes anything.
  virtual void DoSaveToJPEG(TStream& inStream, TStream& outStream);
  virtual void DoSaveToPSD(TStream& inStream, TStream& outStream);
  virtual void DoSaveToTIFF(TStream& inStream, TStream& outStream);
  // SaveToGraphic parses the new content back before it replaces anything: the picture
  // data (JPEG: from the scan on; PSD: everything after the resources; TIFF: strips and
  // tiles) must be the source's byte for byte, and the EXIF sections, the IPTC data and
  // the XMP packet as written must load again alike. ESaveVerificationFailed otherwise,
  // with the file or stream untouched. On by default.
  [[nodiscard]] bool VerifySaves() const { return FVerifySaves; }
  void SetVerifySaves(bool value) { FVerifySaves = value; }
  // The check on its own: outStream holds what a saver made of inStream (both are read
  // from their start, their positions are not kept).
  void VerifySavedGraphic(TStream& inStream, TStream& outStream);
  // Picks the saver for the stream's content, or leaves saveMethod empty.
  void GetGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod);

  // Storage in a TIFF file: the metadata tags of the file's first directory are replaced
  // by those of IFD0, with the Exif (and its Interop) and GPS sub-directories, the XMP
  // packet and the embedded IPTC data; the other directories keep their tags.
  void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) override;
  void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType,
                       bool& rewrite) override;

  // The thumbnail becomes source scaled into the box (smaller sources are enlarged);
  // nullptr or an empty source removes it.
  void CreateThumbnail(const Platform::TGraphic* source, int thumbnailWidth = StandardThumbnailWidth,
                       int thumbnailHeight = StandardThumbnailHeight);
  // A thumbnail larger than 160 x 120 is scaled into that box.
  void StandardizeThumbnail();

  static constexpr int StandardThumbnailWidth = 160;
  static constexpr int StandardThumbnailHeight = 120;
  // The most thumbnail bytes written, so that the Exif block fits into an APP1 segment.
  static constexpr std::int64_t MaxThumbnailSize = 0xF000;
  // An APP1 segment's data less the "Exif" NUL NUL signature.
  static constexpr std::int64_t MaxExifBlockSize = MaxJPEGSegmentDataSize - 6;
  // ----- end of saving -----

private:
  static std::unique_ptr<TExifSection> CreateExtendableSection(TCustomExifData& owner, TExifSectionKind kind);
  void VerifySavedContent(TStream& inStream, TStream& outStream);

  bool FRemovePaddingTagsOnSave = true;
  bool FVerifySaves = true;
};

// ===== end of EXIF data container =====

// ===== Maker notes =====
// A camera maker's private directory inside tag 0x927C of the Exif sub-IFD. Each class
// recognises one layout (header, byte order, origin of the value offsets) and parses it
// into the container's esMakerNote section. Loading only picks the class; the directory
// is read when the maker note or its section is first asked for.

// Where the value offsets inside a maker-note directory count from.
enum class TExifDataOffsetsType : std::uint8_t {
  doFromExifStart,      // the TIFF header of the EXIF block, as every other tag
  doFromMakerNoteStart, // the first byte of the MakerNote tag's data
  doFromIFDStart,       // an 8-byte TIFF header right in front of the directory
  doCustomFormat,       // nothing is parsed; the class reads the data itself
};

// The MakerNote tag does not have the layout its class expects.
class EInvalidMakerNoteFormat : public EInvalidTiffData {
public:
  EInvalidMakerNoteFormat() : EInvalidTiffData(std::string(Consts::SInvalidMakerNoteFormat)) {}
};

// A maker-note class: its class-level operations and how to make an instance.
struct TExifMakerNoteClassInfo {
  using TFormatIsOKProc = bool (*)(const TExifTag& source, std::int32_t& headerSize);
  using TGetIFDInfoProc = void (*)(const TExifTag& source, TEndianness& probableEndianness,
                                   TExifDataOffsetsType& dataOffsetsType);
  using TCreateProc = std::unique_ptr<TExifMakerNote> (*)(TExifSection& section);

  std::string_view ClassName;   // "TCanonMakerNote"
  std::string_view Name;        // "Canon"
  TExifMakerNoteClass Parent;   // nullptr for TExifMakerNote
  TFormatIsOKProc FormatIsOKProc;
  TGetIFDInfoProc GetIFDInfoProc;
  TCreateProc CreateProc;       // nullptr for the abstract base

  // The tag is UNDEFINED, holds more than one byte and has this class's layout.
  [[nodiscard]] bool FormatIsOK(const TExifTag& source) const;
  // The layout test alone, with the number of header bytes in front of the directory.
  bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize) const {
    return FormatIsOKProc(source, headerSize);
  }
  void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                  TExifDataOffsetsType& dataOffsetsType) const {
    GetIFDInfoProc(source, probableEndianness, dataOffsetsType);
  }
  // An instance built on the container's maker-note section (EInvalidMakerNoteFormat
  // when the MakerNote tag is missing or does not fit).
  [[nodiscard]] std::unique_ptr<TExifMakerNote> Create(TExifSection& section) const;
  [[nodiscard]] bool InheritsFrom(TExifMakerNoteClass other) const;
};

class TExifMakerNote {
public:
  TExifMakerNote(const TExifMakerNote&) = delete;
  TExifMakerNote& operator=(const TExifMakerNote&) = delete;
  virtual ~TExifMakerNote() = default;

  [[nodiscard]] TExifMakerNoteClass ClassType() const { return FClass; }
  [[nodiscard]] TExifDataOffsetsType DataOffsetsType() const { return FDataOffsetsType; }
  // The byte order the directory was finally read with.
  [[nodiscard]] TEndianness Endianness() const { return FEndianness; }
  // The container's maker-note section (not owned).
  [[nodiscard]] TExifSection& Tags() const { return *FTags; }

  [[nodiscard]] static TExifMakerNoteClass Class();
  // Class-level defaults: the base knows no layout and changes nothing.
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);

protected:
  // Looks the MakerNote tag up and parses it into section with the class's layout.
  TExifMakerNote(TExifMakerNoteClass makerNoteClass, TExifSection& section);
  // Only takes the section; nothing is read.
  struct TNoParse {};
  TExifMakerNote(TExifMakerNoteClass makerNoteClass, TExifSection& section, TNoParse);

private:
  void Parse();
  void LoadDirectory(std::span<const std::uint8_t> data, std::int64_t origin, std::int32_t headerSize,
                     std::int64_t correction);

  TExifMakerNoteClass FClass;
  TExifDataOffsetsType FDataOffsetsType = TExifDataOffsetsType::doFromExifStart;
  TEndianness FEndianness = TEndianness::SmallEndian;
  TExifSection* FTags;
};

// No maker note, or none that could be read: nothing is parsed.
class TUnrecognizedMakerNote : public TExifMakerNote {
public:
  explicit TUnrecognizedMakerNote(TExifSection& section) : TExifMakerNote(Class(), section, TNoParse{}) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
};

// A directory right at the start of the tag's data, in the EXIF block's byte order,
// offsets counted from the EXIF block's header: the fallback for every maker note.
class THeaderlessMakerNote : public TExifMakerNote {
public:
  explicit THeaderlessMakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);

protected:
  THeaderlessMakerNote(TExifMakerNoteClass makerNoteClass, TExifSection& section)
      : TExifMakerNote(makerNoteClass, section) {}
};

// Make "Canon": headerless, little-endian.
class TCanonMakerNote : public THeaderlessMakerNote {
public:
  explicit TCanonMakerNote(TExifSection& section) : THeaderlessMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);
};

// Make starting with "NIKON" and no signature: headerless, the EXIF byte order.
class TNikonType2MakerNote : public THeaderlessMakerNote {
public:
  explicit TNikonType2MakerNote(TExifSection& section) : THeaderlessMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
};

// "Panasonic" and three NULs, then a little-endian directory.
class TPanasonicMakerNote : public TExifMakerNote {
public:
  explicit TPanasonicMakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);
};

// "AOC" and a NUL, then a directory in the EXIF byte order; when a byte-order mark ("MM"
// or "II") follows the NUL, the directory starts behind it and is read in that order.
class TPentaxMakerNote : public TExifMakerNote {
public:
  explicit TPentaxMakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);
};

// "Nikon" NUL 01 00, then a directory in the EXIF byte order.
class TNikonType1MakerNote : public TExifMakerNote {
public:
  explicit TNikonType1MakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
};

// "Nikon" NUL 02, three more bytes, an embedded TIFF header at data offset 10 whose
// mark gives the byte order, and the directory at data offset 18; offsets count from
// the embedded header.
class TNikonType3MakerNote : public TExifMakerNote {
public:
  explicit TNikonType3MakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);

  // Texts are empty and fractions 0/0 when the tag is absent.
  [[nodiscard]] std::string ColorMode() const { return TagText(3); }
  [[nodiscard]] std::string Quality() const { return TagText(4); }
  [[nodiscard]] std::string WhiteBalance() const { return TagText(5); }
  [[nodiscard]] std::string Sharpening() const { return TagText(6); }
  [[nodiscard]] std::string FocusMode() const { return TagText(7); }
  [[nodiscard]] std::string FlashSetting() const { return TagText(8); }
  [[nodiscard]] std::string AutoFlashMode() const { return TagText(9); }
  [[nodiscard]] TTiffLongWordFraction MiscRatio() const { return TagFraction(10); }
  [[nodiscard]] std::string ISOSelection() const { return TagText(15); }
  [[nodiscard]] TTiffLongWordFraction AutoExposureBracketComp() const { return TagFraction(25); }
  [[nodiscard]] std::string SerialNumber() const { return TagText(29); }
  [[nodiscard]] std::string ImageAdjustment() const { return TagText(128); }
  [[nodiscard]] std::string ToneComp() const { return TagText(129); }
  [[nodiscard]] std::string AuxiliaryLens() const { return TagText(130); }
  [[nodiscard]] TTiffLongWordFraction DigitalZoom() const { return TagFraction(134); }
  [[nodiscard]] std::string SceneMode() const { return TagText(143); }
  [[nodiscard]] std::string LightSource() const { return TagText(144); }
  [[nodiscard]] std::string Saturation() const { return TagText(148); }
  [[nodiscard]] std::string NoiseReduction() const { return TagText(149); }
  [[nodiscard]] std::string SceneAssist() const { return TagText(156); }
  [[nodiscard]] std::string CameraSerialNumber() const { return TagText(160); }
  [[nodiscard]] std::string DigitalVarProgram() const { return TagText(171); }
  [[nodiscard]] std::string ImageStabilization() const { return TagText(172); }
  [[nodiscard]] std::string AFResponse() const { return TagText(173); }
  [[nodiscard]] std::string CaptureVersion() const { return TagText(0x0E09); }

private:
  [[nodiscard]] std::string TagText(TTiffTagID id) const;
  [[nodiscard]] TTiffLongWordFraction TagFraction(TTiffTagID id) const;
};

// "SONY DSC" and four more header bytes; little-endian except for the DSLR-A100.
class TSonyMakerNote : public TExifMakerNote {
public:
  explicit TSonyMakerNote(TExifSection& section) : TExifMakerNote(Class(), section) {}
  [[nodiscard]] static TExifMakerNoteClass Class();
  static bool FormatIsOK(const TExifTag& source, std::int32_t& headerSize);
  static void GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                         TExifDataOffsetsType& dataOffsetsType);
};

// ===== end of maker notes =====

// ===== JPEG picture with metadata =====
// Saving errors, thumbnail scaling, and a JPEG picture that carries its EXIF, XMP and
// IPTC data: loading the picture loads them from the same bytes, saving a picture whose
// metadata changed rebuilds its metadata segments, saving an unchanged one writes the
// bytes as loaded.

// An Exif block larger than one APP1 segment can carry.
class EExifBlockTooLarge : public ETesselExifException {
public:
  explicit EExifBlockTooLarge(std::int64_t blockSize);
};

// A thumbnail that stays above TExifData::MaxThumbnailSize even after it was scaled down
// and re-encoded at a lower quality.
class EThumbnailTooLarge : public ETesselExifException {
public:
  explicit EThumbnailTooLarge(std::int64_t thumbnailSize);
};

// A save whose new content, parsed back before it replaced anything, did not hold the
// source's picture data or the metadata as written.
class ESaveVerificationFailed : public ETesselExifException {
public:
  ESaveVerificationFailed() : ETesselExifException(Consts::SSaveNotVerified) {}
};

// The re-encoded picture has no JFIF (APP0) segment to put the kept segments behind.
class ENoJFIFSegment : public ETesselExifException {
public:
  ENoJFIFSegment();
};

// The size of a picture of sourceWidth x sourceHeight scaled into the box with its aspect
// ratio kept (rounded to nearest, ties to even; never below 1 x 1); 0 x 0 for an empty source.
struct TThumbnailSize {
  int Width = 0;
  int Height = 0;
  constexpr bool operator==(const TThumbnailSize&) const = default;
};
[[nodiscard]] TThumbnailSize FitThumbnailSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight);
// thumbnail := source drawn stretched into a bitmap of the fitted size, encoded with the
// thumbnail's compression quality. An empty source empties the thumbnail.
void FitThumbnailSize(const Platform::TGraphic& source, Platform::TJPEGImage& thumbnail, int boxWidth, int boxHeight);

// Copies a JPEG stream without the metadata of the given kinds: Exif and XMP APP1
// segments, and IPTC resources of Photoshop APP13 segments (an APP13 segment that also
// holds other resources is rewritten with those). Everything else is copied byte for
// byte. Answers the kinds actually removed.
TJPEGMetadataKinds RemoveMetadataSegments(TStream& inStream, TStream& outStream, const TJPEGMetadataKinds& kinds);

class TJPEGImageEx : public Platform::TJPEGImage {
public:
  enum class TAssignOption : std::uint8_t { jaPreserveMetadata };
  using TAssignOptions = Platform::TSet<TAssignOption>;

  TJPEGImageEx();
  ~TJPEGImageEx() override;

  [[nodiscard]] TExifData& ExifData() const { return *FExifData; }
  [[nodiscard]] TIPTCData& IPTCData() const { return *FIPTCData; }
  [[nodiscard]] TContainedXMPPacket& XMPPacket() const { return FExifData->XMPPacket(); }
  // The picture or its EXIF data changed since the last load or assignment.
  [[nodiscard]] bool ChangedSinceLastLoad() const { return FChangedSinceLastLoad; }
  [[nodiscard]] std::string ClassName() const override { return "TJPEGImageEx"; }

  // The bytes, then the EXIF, XMP and IPTC data read from them.
  void LoadFromStream(TStream& stream) override;
  // Unchanged: the bytes as loaded. Changed: the bytes with new Exif and XMP APP1
  // segments and new IPTC data in APP13.
  void SaveToStream(TStream& stream) override;
  // A bitmap is encoded and the metadata emptied; any other picture's bytes are taken
  // with the metadata they hold.
  void Assign(const Platform::TGraphic& source) override;
  // With jaPreserveMetadata the APP1..APP15 segments of the current bytes are kept behind
  // the new JFIF segment (ENoJFIFSegment when there is none: the picture then holds the
  // new bytes and the metadata objects are left as they were).
  void Assign(const Platform::TBitmap& source, const TAssignOptions& options);

  // The EXIF thumbnail := this picture scaled into the box (removed for an empty picture).
  void CreateThumbnail(int thumbnailWidth, int thumbnailHeight);
  void CreateThumbnail() { CreateThumbnail(TExifData::StandardThumbnailWidth, TExifData::StandardThumbnailHeight); }
  // Removes metadata kinds from the bytes (reloading when something went) and answers
  // the kinds removed.
  TJPEGMetadataKinds RemoveMetadata(const TJPEGMetadataKinds& kinds);
  // Removes every segment with one of the markers (never EOI) and answers the markers removed.
  TJPEGMarkers RemoveSegments(const TJPEGMarkers& markers);
  // The segments of the bytes with one of the markers.
  [[nodiscard]] TEnumeratorPtr<IJPEGHeaderParser> Segments(const TJPEGMarkers& markersToLookFor = TJPEGMarkers::All());
  // Reads the EXIF, XMP and IPTC data anew from the bytes.
  void ReloadTags();

protected:
  void Changed() override;

private:
  void BindExifData();

  bool FChangedSinceLastLoad = false;
  std::unique_ptr<TExifData> FExifData; // declared first: the IPTC data dies first
  std::unique_ptr<TIPTCData> FIPTCData;
};

// ===== end of JPEG picture with metadata =====

} // namespace Tessel::Exif
