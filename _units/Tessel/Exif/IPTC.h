#pragma once

// IPTC metadata in the IIM form: nine records of datasets, editable as an object tree,
// read from and written to the IIM byte stream and the picture files that carry it.

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/TiffUtils.h"

#include "platform/StringList.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Tessel::Exif {

class TIPTCSection;
class TIPTCData;

using TStringDynArray = std::vector<std::string>;

// A set of IIM dataset numbers.
class TIPTCTagIDs {
public:
  constexpr TIPTCTagIDs() = default;
  constexpr TIPTCTagIDs(std::initializer_list<TIPTCTagID> ids) {
    for (auto id : ids)
      Include(id);
  }
  constexpr TIPTCTagIDs& Include(TIPTCTagID id) {
    FWords[id / 64] |= std::uint64_t{1} << (id % 64);
    return *this;
  }
  [[nodiscard]] constexpr bool Contains(TIPTCTagID id) const { return (FWords[id / 64] >> (id % 64)) & 1U; }

private:
  std::array<std::uint64_t, 4> FWords{};
};

// Priority datasets hold one ASCII digit; ipTagMissing stands for an absent dataset.
enum class TIPTCPriority : std::uint8_t {
  ipTagMissing,
  ipLowest,
  ipVeryLow,
  ipLow,
  ipNormal,
  ipNormalHigh,
  ipHigh,
  ipVeryHigh,
  ipHighest,
  ipUserDefined,
  ipReserved
};

// Stored as two decimal digits; a file may hold any number up to 99, which reads as
// that ordinal even beyond the named values.
enum class TIPTCActionAdvised : std::uint8_t {
  iaTagMissing,
  iaObjectKill,
  iaObjectReplace,
  iaObjectAppend,
  iaObjectReference
};

// Record 1 dataset 90 holding these bytes (ESC % G) marks the text as UTF-8.
inline constexpr std::array<std::uint8_t, 3> IPTCUTF8Marker{0x1B, 0x25, 0x47};

// The datasets that hold binary numbers rather than text.
[[nodiscard]] bool IsIPTCIntegerDataset(TIPTCSectionID record, TIPTCTagID dataset);

// The name of the TIPTCData property for a dataset ("Keywords" for 2:25), empty when
// it has none. Datasets with a Photoshop alias answer their IIM name.
[[nodiscard]] std::string_view IPTCPropertyName(TIPTCSectionID record, TIPTCTagID dataset);

// ---------------------------------------------------------------------------------
// One dataset

class TIPTCTag {
public:
  enum class TChangeType : std::uint8_t { ctID, ctData };

  // A dataset without a section; those inside a section are made by the section.
  explicit TIPTCTag(TIPTCTagID id = 0) : FID(id) {}
  TIPTCTag(const TIPTCTag&) = delete;
  TIPTCTag& operator=(const TIPTCTag&) = delete;
  ~TIPTCTag() = default;

  // No source: the data is emptied; otherwise number and data are copied.
  void Assign(const TIPTCTag* source);
  void Changed(TChangeType type = TChangeType::ctData);
  // Removes the dataset from its section, which frees it; a dataset without a
  // section belongs to whoever made it and is left alone.
  void Delete();

  // The data as text after the owner's encoding (UTF-8 or Windows-1252).
  [[nodiscard]] std::string ReadString() const;
  // The bytes taken as UTF-8, unconverted.
  [[nodiscard]] std::string ReadUTF8String() const;
  // Encodes the text as ReadString decodes it.
  void WriteString(std::string_view newValue);
  // Stores the bytes as they are.
  void WriteString(std::span<const std::uint8_t> bytes);

  void UpdateData(const void* buffer);
  void UpdateData(std::int32_t newDataSize, const void* buffer);
  // Reads exactly newDataSize bytes from the source (EReadError when fewer are there).
  void UpdateData(std::int32_t newDataSize, TStream& source);

  // Integer datasets: the number as decimal text (for 1, 2 or 4 bytes); others the text.
  [[nodiscard]] std::string AsString() const;
  // Integer datasets take a decimal number of 0..65535 as two bytes (EConvertError
  // otherwise, the data unchanged); others WriteString.
  void SetAsString(std::string_view value);

  [[nodiscard]] const std::uint8_t* Data() const { return FData.data(); }
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return FData; }
  [[nodiscard]] std::int32_t DataSize() const { return static_cast<std::int32_t>(FData.size()); }
  void SetDataSize(std::int32_t value);
  [[nodiscard]] TIPTCTagID ID() const { return FID; }
  void SetID(TIPTCTagID value);
  // Position in the section, -1 without one.
  [[nodiscard]] int Index() const;
  void SetIndex(int newIndex);
  [[nodiscard]] TIPTCSection* Section() const { return FSection; }

private:
  friend class TIPTCSection;
  friend class TIPTCData;

  [[nodiscard]] bool IsInteger() const;
  [[nodiscard]] bool OwnerUsesUTF8() const;

  std::vector<std::uint8_t> FData;
  TIPTCTagID FID = 0;
  TIPTCSection* FSection = nullptr;
};

// ---------------------------------------------------------------------------------
// One record

class TIPTCSection {
public:
  // Walks the datasets in list order, yielding them as plain pointers.
  class TEnumerator {
  public:
    using Iter = std::vector<std::unique_ptr<TIPTCTag>>::const_iterator;
    explicit TEnumerator(Iter it) : FIt(it) {}
    TIPTCTag* operator*() const { return FIt->get(); }
    TEnumerator& operator++() {
      ++FIt;
      return *this;
    }
    bool operator==(const TEnumerator& other) const = default;

  private:
    Iter FIt;
  };

  TIPTCSection(TIPTCData* owner, TIPTCSectionID id) : FID(id), FOwner(owner) {}
  TIPTCSection(const TIPTCSection&) = delete;
  TIPTCSection& operator=(const TIPTCSection&) = delete;
  ~TIPTCSection();

  [[nodiscard]] TEnumerator begin() const { return TEnumerator(FTags.begin()); }
  [[nodiscard]] TEnumerator end() const { return TEnumerator(FTags.end()); }

  // Inserts a new dataset after the last one with a smaller number (index 0 when none).
  TIPTCTag* Add(TIPTCTagID id);
  TIPTCTag* Append(TIPTCTagID id);
  TIPTCTag* Insert(int index, TIPTCTagID id = 0);
  // The first dataset of that number (added when absent) gets the new data.
  TIPTCTag* AddOrUpdate(TIPTCTagID id, std::int32_t newDataSize, const void* buffer);
  void Clear();
  void Delete(int index);
  // The first dataset of that number.
  bool Find(TIPTCTagID id, TIPTCTag*& tag) const;
  [[nodiscard]] TIPTCTag* Find(TIPTCTagID id) const;
  void Move(int curIndex, int newIndex);
  // Deletes every dataset of the number(s); answers the smallest index deleted or -1.
  int Remove(TIPTCTagID id);
  int Remove(const TIPTCTagIDs& ids);
  void Sort();
  [[nodiscard]] bool TagExists(TIPTCTagID id, std::int32_t minSize = 1) const;

  [[nodiscard]] TDateTimeTagValue GetDateValue(TIPTCTagID id) const;
  void SetDateValue(TIPTCTagID id, const TDateTimeTagValue& value);
  [[nodiscard]] TDateTimeTagValue GetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID,
                                                   bool asUtc = false) const;
  void SetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID, const TDateTimeTagValue& value, bool aheadOfUtc,
                        int utcOffsetHrs, int utcOffsetMins);
  // With the local time zone's offset from UTC at the current moment.
  void SetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID, const TDateTimeTagValue& value);
  [[nodiscard]] TIPTCPriority GetPriorityValue(TIPTCTagID id) const;
  void SetPriorityValue(TIPTCTagID id, TIPTCPriority value);
  [[nodiscard]] TStringDynArray GetRepeatableValue(TIPTCTagID id) const;
  void GetRepeatableValue(TIPTCTagID id, Platform::TStringList& dest, bool clearDestFirst = true) const;
  void SetRepeatableValue(TIPTCTagID id, std::span<const std::string> values);
  void SetRepeatableValue(TIPTCTagID id, std::initializer_list<std::string> values) {
    SetRepeatableValue(id, std::span<const std::string>(values.begin(), values.size()));
  }
  void SetRepeatableValue(TIPTCTagID id, const Platform::TStringList& values);
  void GetRepeatablePairs(TIPTCTagID keyID, TIPTCTagID valueID, Platform::TStringList& dest,
                          bool clearDestFirst = true) const;
  void SetRepeatablePairs(TIPTCTagID keyID, TIPTCTagID valueID, const Platform::TStringList& pairs);
  [[nodiscard]] std::string GetStringValue(TIPTCTagID id) const;
  void SetStringValue(TIPTCTagID id, std::string_view value);
  [[nodiscard]] TWordTagValue GetWordValue(TIPTCTagID id) const;
  void SetWordValue(TIPTCTagID id, const TWordTagValue& value);

  [[nodiscard]] int Count() const { return static_cast<int>(FTags.size()); }
  [[nodiscard]] TIPTCSectionID ID() const { return FID; }
  [[nodiscard]] bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  [[nodiscard]] TIPTCData* Owner() const { return FOwner; }
  [[nodiscard]] TIPTCTag* Tags(int index) const;
  [[nodiscard]] TIPTCTag* operator[](int index) const { return Tags(index); }
  // True only while the datasets are known to be in ascending number order.
  [[nodiscard]] bool DefinitelySorted() const { return FDefinitelySorted; }

private:
  friend class TIPTCTag;
  friend class TIPTCData;

  void CheckIndex(int index, int limit) const;
  [[nodiscard]] int IndexOf(const TIPTCTag* tag) const;
  // Where a new dataset of that number goes: after the last one with a smaller number.
  [[nodiscard]] int SortedInsertPos(TIPTCTagID id) const;
  // Removes the numbers and answers where their replacements go.
  int RemoveForReplace(const TIPTCTagIDs& ids, TIPTCTagID sortID);
  [[nodiscard]] bool InNonDescendingOrder() const;

  bool FDefinitelySorted = false;
  TIPTCSectionID FID;
  bool FModified = false;
  TIPTCData* FOwner;
  std::vector<std::unique_ptr<TIPTCTag>> FTags;
};

// Where IPTC data lives in picture files: Photoshop resource 0x0404 (in a JPEG's APP13
// segment or a PSD's resource section) and TIFF tag 33723 of the first directory.
inline constexpr std::uint16_t IPTCResourceID = 0x0404;
inline constexpr TTiffTagID IPTCTiffTagID = 0x83BB;

// ---------------------------------------------------------------------------------
// The container

class TIPTCData : public IStreamPersistEx, public ITiffRewriteCallback {
public:
  // Walks the nine records in order.
  class TEnumerator {
  public:
    using Iter = std::array<TIPTCSection, 9>::iterator;
    explicit TEnumerator(Iter it) : FIt(it) {}
    TIPTCSection* operator*() const { return &*FIt; }
    TEnumerator& operator++() {
      ++FIt;
      return *this;
    }
    bool operator==(const TEnumerator& other) const = default;

  private:
    Iter FIt;
  };

  TIPTCData();
  TIPTCData(const TIPTCData&) = delete;
  TIPTCData& operator=(const TIPTCData&) = delete;
  ~TIPTCData() override;

  [[nodiscard]] TEnumerator begin() const;
  [[nodiscard]] TEnumerator end() const;

  // No source: Clear. Otherwise the source's pending block is shared, or its datasets
  // copied record by record (with its text encoding, so the copied bytes keep their meaning).
  void Assign(const TIPTCData* source);
  void Clear();
  void SortTags();

  // The IIM stream (see the .cpp for the details of both directions).
  void LoadFromStream(TStream& stream) override;
  void AddFromStream(TStream& stream);
  void SaveToStream(TStream& stream) override;
  [[nodiscard]] bool Empty() const override;

  // --- picture files ---
  // JPEG (every Photoshop APP13 segment), PSD or TIFF at the stream's position: every IPTC
  // block found is loaded, in file order, into this one object (a record version or UTF-8
  // marker that a later block only repeats is taken once); none clears the data. False
  // (data cleared) for other content.
  bool LoadFromGraphic(TStream& stream);
  bool LoadFromGraphic(Platform::IStreamPersist& graphic);
  bool LoadFromGraphic(const std::string& fileName);
  // EInvalidJPEGHeader (the data unchanged) unless the stream or file is a JPEG.
  void LoadFromJPEG(TStream& jpegStream);
  void LoadFromJPEG(const std::string& jpegFileName);
  // A picture object is taken at its word, without the header check.
  void LoadFromJPEG(Platform::IStreamPersist& jpegImage) { LoadFromGraphic(jpegImage); }

  // Rewrites the file, stream or picture with this data in place of its IPTC block; the
  // rest stays byte for byte. Data not changed since it was loaded from a JPEG or PSD that
  // still holds the same IPTC blocks leaves every block where and as it is; otherwise one
  // block holding all datasets replaces them. EUnsupportedGraphicFormat for anything but
  // JPEG, PSD and TIFF.
  // A file is replaced atomically; on any failure the original is untouched.
  void SaveToGraphic(const std::string& fileName);
  void SaveToGraphic(TStream& stream);
  void SaveToGraphic(Platform::IStreamPersist& graphic);
  void SaveToJPEG(const std::string& jpegFileName, bool dummy = true);
  void SaveToJPEG(Platform::IStreamPersist& jpegImage) { SaveToGraphic(jpegImage); }

  // The savers behind SaveToGraphic: a copy of inStream with this data, into outStream.
  // A replacement APP13 segment that would exceed one JPEG segment raises
  // EJPEGSegmentTooLarge before anything is written.
  void DoSaveToJPEG(TStream& inStream, TStream& outStream);
  void DoSaveToPSD(TStream& inStream, TStream& outStream);
  void DoSaveToTIFF(TStream& inStream, TStream& outStream);
  // Picks the saver for the stream's content, or leaves saveMethod empty.
  void GetGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod);

  // Storage as TIFF tag 33723 of the first directory.
  void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) override;
  void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType, bool& rewrite) override;

  [[nodiscard]] bool AlwaysAssumeUTF8Encoding() const { return FAlwaysAssumeUTF8Encoding; }
  void SetAlwaysAssumeUTF8Encoding(bool value) { FAlwaysAssumeUTF8Encoding = value; }
  // Whether the data says its text is UTF-8 (the coded-character-set dataset 1:90).
  [[nodiscard]] bool UTF8Encoded() const;
  // Re-encodes every text dataset into the new encoding.
  void SetUTF8Encoded(bool value);
  // Text without a coded-character-set dataset that is valid UTF-8 with non-ASCII
  // characters (as common writers store it) reads and writes as UTF-8, although the data
  // does not say so and its stored bytes stay as they are.
  [[nodiscard]] bool UTF8Detected() const;
  // The encoding the texts are read in: declared or detected UTF-8, else Windows-1252.
  [[nodiscard]] bool TextIsUTF8() const { return UTF8Encoded() || UTF8Detected(); }
  [[nodiscard]] TMetadataLoadErrors LoadErrors() const { return FLoadErrors; }
  [[nodiscard]] bool Modified() const;
  void SetModified(bool value);
  [[nodiscard]] const std::shared_ptr<IMetadataBlock>& DataToLazyLoad() const { return FDataToLazyLoad; }
  void SetDataToLazyLoad(const std::shared_ptr<IMetadataBlock>& value);

  // Record 1..9 (ERangeError for any other number).
  [[nodiscard]] TIPTCSection* Sections(TIPTCSectionID id) const;
  [[nodiscard]] TIPTCSection* operator[](TIPTCSectionID id) const { return Sections(id); }
  [[nodiscard]] TIPTCSection* EnvelopeSection() const { return Sections(1); }
  [[nodiscard]] TIPTCSection* ApplicationSection() const { return Sections(2); }
  [[nodiscard]] TIPTCSection* FirstDescriptorSection() const { return Sections(7); }
  [[nodiscard]] TIPTCSection* ObjectDataSection() const { return Sections(8); }
  [[nodiscard]] TIPTCSection* SecondDescriptorSection() const { return Sections(9); }

  // --- Envelope record (1) ---
  [[nodiscard]] TWordTagValue ModelVersion() const { return Word(1, 0); }
  void SetModelVersion(const TWordTagValue& value) { SetWord(1, 0, value); }
  [[nodiscard]] std::string Destination() const { return Text(1, 5); }
  void SetDestination(std::string_view value) { SetText(1, 5, value); }
  [[nodiscard]] TWordTagValue FileFormat() const { return Word(1, 20); }
  void SetFileFormat(const TWordTagValue& value) { SetWord(1, 20, value); }
  [[nodiscard]] TWordTagValue FileFormatVersion() const { return Word(1, 22); }
  void SetFileFormatVersion(const TWordTagValue& value) { SetWord(1, 22, value); }
  [[nodiscard]] std::string ServiceIdentifier() const { return Text(1, 30); }
  void SetServiceIdentifier(std::string_view value) { SetText(1, 30, value); }
  [[nodiscard]] std::string EnvelopeNumberString() const { return Text(1, 40); }
  void SetEnvelopeNumberString(std::string_view value) { SetText(1, 40, value); }
  [[nodiscard]] std::string ProductID() const { return Text(1, 50); }
  void SetProductID(std::string_view value) { SetText(1, 50, value); }
  [[nodiscard]] TIPTCPriority EnvelopePriority() const { return Priority(1, 60); }
  void SetEnvelopePriority(TIPTCPriority value) { SetPriority(1, 60, value); }
  [[nodiscard]] TDateTimeTagValue DateSent() const { return Date(1, 70); }
  void SetDateSent(const TDateTimeTagValue& value) { SetDate(1, 70, value); }
  [[nodiscard]] std::string TimeSent() const { return Text(1, 80); }
  void SetTimeSent(std::string_view value) { SetText(1, 80, value); }
  [[nodiscard]] TDateTimeTagValue DateTimeSent() const;
  void SetDateTimeSent(const TDateTimeTagValue& value);
  void SetDateTimeSent(const TDateTimeTagValue& value, bool aheadOfUtc, int utcOffsetHrs, int utcOffsetMins);
  [[nodiscard]] std::string UNOCode() const { return Text(1, 100); }
  void SetUNOCode(std::string_view value) { SetText(1, 100, value); }
  [[nodiscard]] TWordTagValue ARMIdentifier() const { return Word(1, 120); }
  void SetARMIdentifier(const TWordTagValue& value) { SetWord(1, 120, value); }
  [[nodiscard]] TWordTagValue ARMVersion() const { return Word(1, 122); }
  void SetARMVersion(const TWordTagValue& value) { SetWord(1, 122, value); }

  // --- Application record (2) ---
  [[nodiscard]] TWordTagValue RecordVersion() const { return Word(2, 0); }
  void SetRecordVersion(const TWordTagValue& value) { SetWord(2, 0, value); }
  [[nodiscard]] std::string ObjectTypeRef() const { return Text(2, 3); }
  void SetObjectTypeRef(std::string_view value) { SetText(2, 3, value); }
  [[nodiscard]] std::string ObjectAttributeRef() const { return Text(2, 4); }
  void SetObjectAttributeRef(std::string_view value) { SetText(2, 4, value); }
  [[nodiscard]] std::string ObjectName() const { return Text(2, 5); }
  void SetObjectName(std::string_view value) { SetText(2, 5, value); }
  [[nodiscard]] std::string EditStatus() const { return Text(2, 7); }
  void SetEditStatus(std::string_view value) { SetText(2, 7, value); }
  [[nodiscard]] TIPTCPriority Urgency() const { return Priority(2, 10); }
  void SetUrgency(TIPTCPriority value) { SetPriority(2, 10, value); }
  [[nodiscard]] TStringDynArray SubjectRefs() const { return Repeatable(2, 12); }
  void SetSubjectRefs(std::span<const std::string> value) { SetRepeatable(2, 12, value); }
  [[nodiscard]] std::string CategoryCode() const { return Text(2, 15); }
  void SetCategoryCode(std::string_view value) { SetText(2, 15, value); }
  [[nodiscard]] TStringDynArray SupplementaryCategories() const { return Repeatable(2, 20); }
  void SetSupplementaryCategories(std::span<const std::string> value) { SetRepeatable(2, 20, value); }
  [[nodiscard]] std::string FixtureIdentifier() const { return Text(2, 22); }
  void SetFixtureIdentifier(std::string_view value) { SetText(2, 22, value); }
  [[nodiscard]] TStringDynArray Keywords() const { return Repeatable(2, 25); }
  void SetKeywords(std::span<const std::string> value) { SetRepeatable(2, 25, value); }
  [[nodiscard]] TStringDynArray ContentLocationCodes() const { return Repeatable(2, 26); }
  void SetContentLocationCodes(std::span<const std::string> value) { SetRepeatable(2, 26, value); }
  [[nodiscard]] TStringDynArray ContentLocationNames() const { return Repeatable(2, 27); }
  void SetContentLocationNames(std::span<const std::string> value) { SetRepeatable(2, 27, value); }
  [[nodiscard]] TDateTimeTagValue ReleaseDate() const { return Date(2, 30); }
  void SetReleaseDate(const TDateTimeTagValue& value) { SetDate(2, 30, value); }
  [[nodiscard]] TDateTimeTagValue ExpirationDate() const { return Date(2, 37); }
  void SetExpirationDate(const TDateTimeTagValue& value) { SetDate(2, 37, value); }
  [[nodiscard]] std::string SpecialInstructions() const { return Text(2, 40); }
  void SetSpecialInstructions(std::string_view value) { SetText(2, 40, value); }
  [[nodiscard]] TIPTCActionAdvised ActionAdvised() const;
  void SetActionAdvised(TIPTCActionAdvised value);
  [[nodiscard]] TDateTimeTagValue DateCreated() const { return Date(2, 55); }
  void SetDateCreated(const TDateTimeTagValue& value) { SetDate(2, 55, value); }
  [[nodiscard]] TDateTimeTagValue DateTimeCreated() const;
  void SetDateTimeCreated(const TDateTimeTagValue& value);
  void SetDateTimeCreated(const TDateTimeTagValue& value, bool aheadOfUtc, int utcOffsetHrs, int utcOffsetMins);
  [[nodiscard]] TDateTimeTagValue DigitalCreationDate() const { return Date(2, 62); }
  void SetDigitalCreationDate(const TDateTimeTagValue& value) { SetDate(2, 62, value); }
  [[nodiscard]] std::string OriginatingProgram() const { return Text(2, 65); }
  void SetOriginatingProgram(std::string_view value) { SetText(2, 65, value); }
  [[nodiscard]] std::string ProgramVersion() const { return Text(2, 70); }
  void SetProgramVersion(std::string_view value) { SetText(2, 70, value); }
  [[nodiscard]] std::string ObjectCycleCode() const { return Text(2, 75); }
  void SetObjectCycleCode(std::string_view value) { SetText(2, 75, value); }
  [[nodiscard]] TStringDynArray Bylines() const { return Repeatable(2, 80); }
  void SetBylines(std::span<const std::string> value) { SetRepeatable(2, 80, value); }
  [[nodiscard]] TStringDynArray BylineTitles() const { return Repeatable(2, 85); }
  void SetBylineTitles(std::span<const std::string> value) { SetRepeatable(2, 85, value); }
  [[nodiscard]] std::string City() const { return Text(2, 90); }
  void SetCity(std::string_view value) { SetText(2, 90, value); }
  [[nodiscard]] std::string SubLocation() const { return Text(2, 92); }
  void SetSubLocation(std::string_view value) { SetText(2, 92, value); }
  [[nodiscard]] std::string ProvinceOrState() const { return Text(2, 95); }
  void SetProvinceOrState(std::string_view value) { SetText(2, 95, value); }
  [[nodiscard]] std::string CountryCode() const { return Text(2, 100); }
  void SetCountryCode(std::string_view value) { SetText(2, 100, value); }
  [[nodiscard]] std::string CountryName() const { return Text(2, 101); }
  void SetCountryName(std::string_view value) { SetText(2, 101, value); }
  [[nodiscard]] std::string OriginalTransmissionRef() const { return Text(2, 103); }
  void SetOriginalTransmissionRef(std::string_view value) { SetText(2, 103, value); }
  [[nodiscard]] std::string Headline() const { return Text(2, 105); }
  void SetHeadline(std::string_view value) { SetText(2, 105, value); }
  [[nodiscard]] std::string Credit() const { return Text(2, 110); }
  void SetCredit(std::string_view value) { SetText(2, 110, value); }
  [[nodiscard]] std::string Source() const { return Text(2, 115); }
  void SetSource(std::string_view value) { SetText(2, 115, value); }
  [[nodiscard]] std::string CopyrightNotice() const { return Text(2, 116); }
  void SetCopyrightNotice(std::string_view value) { SetText(2, 116, value); }
  [[nodiscard]] TStringDynArray Contacts() const { return Repeatable(2, 118); }
  void SetContacts(std::span<const std::string> value) { SetRepeatable(2, 118, value); }
  [[nodiscard]] std::string CaptionOrAbstract() const { return Text(2, 120); }
  void SetCaptionOrAbstract(std::string_view value) { SetText(2, 120, value); }
  [[nodiscard]] TStringDynArray WritersOrEditors() const { return Repeatable(2, 122); }
  void SetWritersOrEditors(std::span<const std::string> value) { SetRepeatable(2, 122, value); }
  [[nodiscard]] std::string ImageTypeCode() const { return Text(2, 130); }
  void SetImageTypeCode(std::string_view value) { SetText(2, 130, value); }
  [[nodiscard]] std::string LanguageIdentifier() const { return Text(2, 135); }
  void SetLanguageIdentifier(std::string_view value) { SetText(2, 135, value); }
  [[nodiscard]] std::string AudioTypeCode() const { return Text(2, 150); }
  void SetAudioTypeCode(std::string_view value) { SetText(2, 150, value); }

  // Photoshop's names for some of the same datasets.
  [[nodiscard]] std::string PSDocumentTitle() const { return Text(2, 5); }
  void SetPSDocumentTitle(std::string_view value) { SetText(2, 5, value); }
  [[nodiscard]] std::string PSCopyrightNotice() const { return Text(2, 116); }
  void SetPSCopyrightNotice(std::string_view value) { SetText(2, 116, value); }
  [[nodiscard]] std::string PSDescription() const { return Text(2, 120); }
  void SetPSDescription(std::string_view value) { SetText(2, 120, value); }
  [[nodiscard]] std::string PSCreator() const { return Text(2, 80); }
  void SetPSCreator(std::string_view value) { SetText(2, 80, value); }
  [[nodiscard]] std::string PSCreatorJobTitle() const { return Text(2, 85); }
  void SetPSCreatorJobTitle(std::string_view value) { SetText(2, 85, value); }

  // Pairs as name=value lines (the list's own separator): byline with title,
  // location code with location name.
  void GetBylineValues(Platform::TStringList& dest) const;
  void SetBylineValues(const Platform::TStringList& newValues);
  void GetPSCreatorValues(Platform::TStringList& dest) const { GetBylineValues(dest); }
  void SetPSCreatorValues(const Platform::TStringList& newValues) { SetBylineValues(newValues); }
  void GetContentLocationValues(Platform::TStringList& dest) const;
  void SetContentLocationValues(const Platform::TStringList& newValues);
  void GetKeywords(Platform::TStringList& dest) const;
  void SetKeywords(const Platform::TStringList& newWords);

private:
  friend class TIPTCTag;

  // Parses a pending block; logically const, as every read that needs it.
  void NeedLazyLoad() const;
  void DoClear() const;
  void DoLoadFromStream(TStream& stream) const;
  // mergeBlock: the stream is a further block of the same picture, whose record version
  // and UTF-8 marker only repeat those already held.
  void DoAddFromStream(TStream& stream, bool mergeBlock = false) const;
  void DetectUTF8Text() const;
  void FinishLoading() const;
  // The datasets as SaveToStream would write them, without touching the UTF-8 marker.
  [[nodiscard]] std::vector<std::uint8_t> DatasetBytes() const;

  [[nodiscard]] std::string Text(TIPTCSectionID record, TIPTCTagID id) const;
  void SetText(TIPTCSectionID record, TIPTCTagID id, std::string_view value);
  [[nodiscard]] TWordTagValue Word(TIPTCSectionID record, TIPTCTagID id) const;
  void SetWord(TIPTCSectionID record, TIPTCTagID id, const TWordTagValue& value);
  [[nodiscard]] TIPTCPriority Priority(TIPTCSectionID record, TIPTCTagID id) const;
  void SetPriority(TIPTCSectionID record, TIPTCTagID id, TIPTCPriority value);
  [[nodiscard]] TDateTimeTagValue Date(TIPTCSectionID record, TIPTCTagID id) const;
  void SetDate(TIPTCSectionID record, TIPTCTagID id, const TDateTimeTagValue& value);
  [[nodiscard]] TStringDynArray Repeatable(TIPTCSectionID record, TIPTCTagID id) const;
  void SetRepeatable(TIPTCSectionID record, TIPTCTagID id, std::span<const std::string> value);

  void LoadFromJPEGSegments(TStream& stream);
  void LoadFromPSDResources(TStream& stream);
  void LoadFromTiffTag(TStream& stream);
  // Loads the IPTC blocks of one picture (in file order) and remembers them as its source.
  void LoadFromBlocks(std::span<const std::shared_ptr<IAdobeResBlock>> blocks);
  // True when the data is what was loaded from a picture whose IPTC blocks were these.
  [[nodiscard]] bool IsUnchangedFrom(std::span<const std::shared_ptr<IAdobeResBlock>> blocks) const;
  // Remembers one block just loaded as the source, so that saving it unchanged writes
  // its bytes as they were (padding and dataset order included).
  void RememberSourceBlock(std::span<const std::uint8_t> bytes) const;
  // True when the data is what the single remembered source block gave.
  [[nodiscard]] bool IsUnchangedFromSingleSource() const;

  bool FAlwaysAssumeUTF8Encoding = false;
  mutable std::shared_ptr<IMetadataBlock> FDataToLazyLoad;
  mutable TMetadataLoadErrors FLoadErrors;
  // The nine records live in the container itself (no allocation each); like the records
  // behind pointers before them, they change through a const container's lazy load.
  mutable std::array<TIPTCSection, 9> FSections;
  TSimpleTiffRewriteCallbackImpl FTiffRewriteCallback{*this, IPTCTiffTagID};
  mutable bool FUTF8Encoded = true;
  mutable bool FUTF8Detected = false;
  // What a picture's IPTC blocks held when they were loaded: each block's bytes, and the
  // datasets and declared encoding they gave; empty unless loaded from a picture.
  mutable std::vector<std::vector<std::uint8_t>> FSourceBlocks;
  mutable std::vector<std::uint8_t> FSourceDatasets;
  mutable bool FSourceUTF8Encoded = false;
};

} // namespace Tessel::Exif
