#include "Tessel/Exif/IPTC.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include <fmt/format.h>

namespace Tessel::Exif {

namespace {

constexpr std::int32_t MaxShortDatasetSize = 0x7FFF;

// The characters of the priority datasets, indexed by TIPTCPriority (none for ipTagMissing).
constexpr char PriorityChars[] = {'\0', '8', '7', '6', '5', '4', '3', '2', '1', '9', '0'};

struct TPropertyName {
  TIPTCSectionID Record;
  TIPTCTagID Dataset;
  std::string_view Name;
};

// One name per dataset; the Photoshop aliases (PSDocumentTitle, PSCreator, ...) are
// left out so that every dataset answers its IIM name.
constexpr TPropertyName PropertyNames[] = {
    {1, 0, "ModelVersion"},
    {1, 5, "Destination"},
    {1, 20, "FileFormat"},
    {1, 22, "FileFormatVersion"},
    {1, 30, "ServiceIdentifier"},
    {1, 40, "EnvelopeNumberString"},
    {1, 50, "ProductID"},
    {1, 60, "EnvelopePriority"},
    {1, 70, "DateSent"},
    {1, 80, "TimeSent"},
    {1, 100, "UNOCode"},
    {1, 120, "ARMIdentifier"},
    {1, 122, "ARMVersion"},
    {2, 0, "RecordVersion"},
    {2, 3, "ObjectTypeRef"},
    {2, 4, "ObjectAttributeRef"},
    {2, 5, "ObjectName"},
    {2, 7, "EditStatus"},
    {2, 10, "Urgency"},
    {2, 12, "SubjectRefs"},
    {2, 15, "CategoryCode"},
    {2, 20, "SupplementaryCategories"},
    {2, 22, "FixtureIdentifier"},
    {2, 25, "Keywords"},
    {2, 26, "ContentLocationCodes"},
    {2, 27, "ContentLocationNames"},
    {2, 30, "ReleaseDate"},
    {2, 37, "ExpirationDate"},
    {2, 40, "SpecialInstructions"},
    {2, 42, "ActionAdvised"},
    {2, 55, "DateCreated"},
    {2, 62, "DigitalCreationDate"},
    {2, 65, "OriginatingProgram"},
    {2, 70, "ProgramVersion"},
    {2, 75, "ObjectCycleCode"},
    {2, 80, "Bylines"},
    {2, 85, "BylineTitles"},
    {2, 90, "City"},
    {2, 92, "SubLocation"},
    {2, 95, "ProvinceOrState"},
    {2, 100, "CountryCode"},
    {2, 101, "CountryName"},
    {2, 103, "OriginalTransmissionRef"},
    {2, 105, "Headline"},
    {2, 110, "Credit"},
    {2, 115, "Source"},
    {2, 116, "CopyrightNotice"},
    {2, 118, "Contacts"},
    {2, 120, "CaptionOrAbstract"},
    {2, 122, "WritersOrEditors"},
    {2, 130, "ImageTypeCode"},
    {2, 135, "LanguageIdentifier"},
    {2, 150, "AudioTypeCode"},
};

[[nodiscard]] std::string_view AsView(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

[[nodiscard]] std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Delphi's Copy: up to count characters from the 1-based position, clipped to the text.
[[nodiscard]] std::string_view CopyChars(std::string_view text, std::size_t start, std::size_t count) {
  if (start < 1 || start > text.size())
    return {};
  return text.substr(start - 1, count);
}

[[nodiscard]] bool TryCharsToInt(std::string_view text, std::size_t start, std::size_t count, int& value) {
  std::int32_t result = 0;
  if (!Platform::TryStrToInt(CopyChars(text, start, count), result))
    return false;
  value = result;
  return true;
}

[[nodiscard]] bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void ListIndexError(int index) {
  throw Platform::EListError(fmt::format("Listenindex überschreitet das Maximum ({})", index));
}

} // namespace

bool IsIPTCIntegerDataset(TIPTCSectionID record, TIPTCTagID dataset) {
  switch (record) {
  case 1: return dataset == 0 || dataset == 20 || dataset == 22 || dataset == 120 || dataset == 122;
  case 2: return dataset == 0;
  default: return false;
  }
}

std::string_view IPTCPropertyName(TIPTCSectionID record, TIPTCTagID dataset) {
  for (const auto& entry : PropertyNames)
    if (entry.Record == record && entry.Dataset == dataset)
      return entry.Name;
  return {};
}

// =====================================================================================
// TIPTCTag

bool TIPTCTag::IsInteger() const { return FSection != nullptr && IsIPTCIntegerDataset(FSection->ID(), FID); }

bool TIPTCTag::OwnerUsesUTF8() const {
  // The fields, not the properties: the owner has parsed its data when it has datasets.
  if (FSection == nullptr || FSection->Owner() == nullptr)
    return false;
  const auto& owner = *FSection->Owner();
  return owner.FUTF8Encoded || owner.FUTF8Detected;
}

void TIPTCTag::Assign(const TIPTCTag* source) {
  if (source == nullptr) {
    SetDataSize(0);
    return;
  }
  if (source == this)
    return;
  SetID(source->ID());
  UpdateData(source->DataSize(), source->Data());
}

void TIPTCTag::Changed(TChangeType type) {
  if (FSection == nullptr)
    return;
  FSection->FModified = true;
  if (type == TChangeType::ctID)
    FSection->FDefinitelySorted = false;
}

void TIPTCTag::Delete() {
  if (FSection != nullptr)
    FSection->Delete(Index());
}

std::string TIPTCTag::ReadString() const {
  if (OwnerUsesUTF8())
    return UTF8BytesToString(FData.data(), FData.size());
  // Without a character-set dataset writers differ even within one block (a city in the
  // code page beside a sublocation in UTF-8): each text is read as UTF-8 when it is that,
  // and as the code page otherwise.
  const auto text = AsView(FData);
  const auto* owner = FSection != nullptr ? FSection->Owner() : nullptr;
  if (owner != nullptr && owner->FSections[0].Find(90) == nullptr && Platform::IsValidUTF8(text))
    return std::string(text);
  return Platform::Win1252ToUTF8(text);
}

std::string TIPTCTag::ReadUTF8String() const { return std::string(AsView(FData)); }

void TIPTCTag::WriteString(std::string_view newValue) {
  if (OwnerUsesUTF8()) {
    WriteString(AsBytes(newValue));
    return;
  }
  const auto encoded = Platform::UTF8ToWin1252(newValue);
  WriteString(AsBytes(encoded));
}

void TIPTCTag::WriteString(std::span<const std::uint8_t> bytes) {
  FData.assign(bytes.begin(), bytes.end());
  Changed(TChangeType::ctData);
}

void TIPTCTag::UpdateData(const void* buffer) { UpdateData(DataSize(), buffer); }

void TIPTCTag::UpdateData(std::int32_t newDataSize, const void* buffer) {
  if (newDataSize < 0)
    throw Platform::ERangeError();
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (newDataSize > 0 && bytes == nullptr)
    throw Platform::EInvalidOperation("Keine Daten für den Datensatz");
  // The buffer may be this dataset's own data, so copy before replacing.
  std::vector<std::uint8_t> data(bytes, bytes + newDataSize);
  FData = std::move(data);
  Changed(TChangeType::ctData);
}

void TIPTCTag::UpdateData(std::int32_t newDataSize, TStream& source) {
  if (newDataSize < 0)
    throw Platform::ERangeError();
  // Refuse before allocating when the stream cannot deliver the bytes.
  if (newDataSize > source.Size() - source.Position())
    throw Platform::EReadError();
  std::vector<std::uint8_t> data(static_cast<std::size_t>(newDataSize));
  source.ReadBuffer(data.data(), newDataSize);
  FData = std::move(data);
  Changed(TChangeType::ctData);
}

std::string TIPTCTag::AsString() const {
  if (IsInteger()) {
    const auto* d = FData.data();
    switch (FData.size()) {
    case 1: return std::to_string(d[0]);
    case 2: return std::to_string((unsigned{d[0]} << 8) | d[1]);
    case 4:
      return std::to_string((std::uint32_t{d[0]} << 24) | (std::uint32_t{d[1]} << 16) | (std::uint32_t{d[2]} << 8) |
                            d[3]);
    default: break;
    }
  }
  return ReadString();
}

void TIPTCTag::SetAsString(std::string_view value) {
  if (!IsInteger()) {
    WriteString(value);
    return;
  }
  const auto number = Platform::StrToInt(value);
  // Two bytes is all that is stored; a number that does not fit is refused, not cut.
  if (number < 0 || number > 0xFFFF)
    throw Platform::EConvertError(fmt::format("'{}' ist kein gültiger Integerwert", value));
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
  UpdateData(2, bytes);
}

void TIPTCTag::SetDataSize(std::int32_t value) {
  if (value < 0)
    throw Platform::ERangeError();
  if (value == DataSize())
    return;
  FData.resize(static_cast<std::size_t>(value));
  Changed(TChangeType::ctData);
}

void TIPTCTag::SetID(TIPTCTagID value) {
  if (value == FID)
    return;
  FID = value;
  Changed(TChangeType::ctID);
}

int TIPTCTag::Index() const { return FSection == nullptr ? -1 : FSection->IndexOf(this); }

void TIPTCTag::SetIndex(int newIndex) {
  if (FSection != nullptr)
    FSection->Move(Index(), newIndex);
}

// =====================================================================================
// TIPTCSection

TIPTCSection::~TIPTCSection() {
  for (auto& tag : FTags)
    tag->FSection = nullptr;
}

void TIPTCSection::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    ListIndexError(index);
}

int TIPTCSection::IndexOf(const TIPTCTag* tag) const {
  for (int i = 0; i < Count(); ++i)
    if (FTags[static_cast<std::size_t>(i)].get() == tag)
      return i;
  return -1;
}

TIPTCTag* TIPTCSection::Tags(int index) const {
  CheckIndex(index, Count());
  return FTags[static_cast<std::size_t>(index)].get();
}

int TIPTCSection::SortedInsertPos(TIPTCTagID id) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (FTags[static_cast<std::size_t>(i)]->ID() < id)
      return i + 1;
  return 0;
}

TIPTCTag* TIPTCSection::Add(TIPTCTagID id) { return Insert(SortedInsertPos(id), id); }

TIPTCTag* TIPTCSection::Append(TIPTCTagID id) { return Insert(Count(), id); }

TIPTCTag* TIPTCSection::Insert(int index, TIPTCTagID id) {
  CheckIndex(index, Count() + 1);
  auto tag = std::unique_ptr<TIPTCTag>(new TIPTCTag(id));
  tag->FSection = this;
  auto* result = tag.get();
  const auto pos = static_cast<std::size_t>(index);
  FTags.insert(FTags.begin() + index, std::move(tag));
  FModified = true;
  // Lookups stop early only while the order is certain; a smaller number behind the
  // new dataset or a greater one in front of it ends that certainty. (Appending a
  // small number to a sorted list must count too, or Find would miss it.)
  if (FDefinitelySorted) {
    const bool biggerInFront = pos > 0 && FTags[pos - 1]->ID() > id;
    const bool smallerBehind = pos + 1 < FTags.size() && FTags[pos + 1]->ID() < id;
    if (biggerInFront || smallerBehind)
      FDefinitelySorted = false;
  }
  return result;
}

TIPTCTag* TIPTCSection::AddOrUpdate(TIPTCTagID id, std::int32_t newDataSize, const void* buffer) {
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id);
  tag->UpdateData(newDataSize, buffer);
  return tag;
}

void TIPTCSection::Clear() {
  for (int i = Count() - 1; i >= 0; --i)
    Delete(i);
}

void TIPTCSection::Delete(int index) {
  CheckIndex(index, Count());
  auto tag = std::move(FTags[static_cast<std::size_t>(index)]);
  FTags.erase(FTags.begin() + index);
  tag->FSection = nullptr;
  FModified = true;
  if (FTags.size() <= 1)
    FDefinitelySorted = true;
}

bool TIPTCSection::Find(TIPTCTagID id, TIPTCTag*& tag) const {
  tag = Find(id);
  return tag != nullptr;
}

TIPTCTag* TIPTCSection::Find(TIPTCTagID id) const {
  for (const auto& candidate : FTags) {
    if (candidate->ID() == id)
      return candidate.get();
    if (FDefinitelySorted && candidate->ID() > id)
      break;
  }
  return nullptr;
}

void TIPTCSection::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex)
    return;
  CheckIndex(curIndex, Count());
  CheckIndex(newIndex, Count());
  auto tag = std::move(FTags[static_cast<std::size_t>(curIndex)]);
  FTags.erase(FTags.begin() + curIndex);
  FTags.insert(FTags.begin() + newIndex, std::move(tag));
  FModified = true;
  FDefinitelySorted = false;
}

int TIPTCSection::Remove(TIPTCTagID id) { return Remove(TIPTCTagIDs{id}); }

int TIPTCSection::Remove(const TIPTCTagIDs& ids) {
  int result = -1;
  for (int i = Count() - 1; i >= 0; --i)
    if (ids.Contains(FTags[static_cast<std::size_t>(i)]->ID())) {
      Delete(i);
      result = i;
    }
  return result;
}

int TIPTCSection::RemoveForReplace(const TIPTCTagIDs& ids, TIPTCTagID sortID) {
  const auto removedAt = Remove(ids);
  return removedAt >= 0 ? removedAt : SortedInsertPos(sortID);
}

bool TIPTCSection::InNonDescendingOrder() const {
  for (std::size_t i = 1; i < FTags.size(); ++i)
    if (FTags[i - 1]->ID() > FTags[i]->ID())
      return false;
  return true;
}

void TIPTCSection::Sort() {
  if (FDefinitelySorted)
    return;
  std::stable_sort(FTags.begin(), FTags.end(), [](const auto& a, const auto& b) { return a->ID() < b->ID(); });
  FModified = true;
  FDefinitelySorted = true;
}

bool TIPTCSection::TagExists(TIPTCTagID id, std::int32_t minSize) const {
  const auto* tag = Find(id);
  return tag != nullptr && tag->DataSize() >= minSize;
}

// --- typed values --------------------------------------------------------------------

std::string TIPTCSection::GetStringValue(TIPTCTagID id) const {
  const auto* tag = Find(id);
  return tag == nullptr ? std::string() : tag->ReadString();
}

void TIPTCSection::SetStringValue(TIPTCTagID id, std::string_view value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id);
  tag->WriteString(value);
}

TWordTagValue TIPTCSection::GetWordValue(TIPTCTagID id) const {
  const auto* tag = Find(id);
  if (tag == nullptr || tag->DataSize() != 2)
    return TWordTagValue::CreateMissingOrInvalid();
  return {static_cast<std::uint16_t>((tag->Data()[0] << 8) | tag->Data()[1])};
}

void TIPTCSection::SetWordValue(TIPTCTagID id, const TWordTagValue& value) {
  if (value.MissingOrInvalid()) {
    Remove(id);
    return;
  }
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value.FValue >> 8), static_cast<std::uint8_t>(value.FValue)};
  AddOrUpdate(id, 2, bytes);
}

TIPTCPriority TIPTCSection::GetPriorityValue(TIPTCTagID id) const {
  const auto* tag = Find(id);
  if (tag == nullptr || tag->DataSize() != 1)
    return TIPTCPriority::ipTagMissing;
  for (std::size_t i = 1; i < std::size(PriorityChars); ++i)
    if (static_cast<std::uint8_t>(PriorityChars[i]) == tag->Data()[0])
      return static_cast<TIPTCPriority>(i);
  return TIPTCPriority::ipTagMissing;
}

void TIPTCSection::SetPriorityValue(TIPTCTagID id, TIPTCPriority value) {
  const auto ordinal = static_cast<std::size_t>(value);
  if (value == TIPTCPriority::ipTagMissing || ordinal >= std::size(PriorityChars)) {
    Remove(id);
    return;
  }
  AddOrUpdate(id, 1, &PriorityChars[ordinal]);
}

TDateTimeTagValue TIPTCSection::GetDateValue(TIPTCTagID id) const {
  const auto* tag = Find(id);
  if (tag == nullptr)
    return TDateTimeTagValue::CreateMissingOrInvalid();
  const auto text = tag->ReadString();
  int year = 0, month = 0, day = 0;
  TDateTime date = 0;
  if (TryCharsToInt(text, 1, 4, year) && TryCharsToInt(text, 5, 2, month) && TryCharsToInt(text, 7, 2, day) &&
      Platform::TryEncodeDate(year, month, day, date))
    return {date};
  return TDateTimeTagValue::CreateMissingOrInvalid();
}

void TIPTCSection::SetDateValue(TIPTCTagID id, const TDateTimeTagValue& value) {
  if (value.MissingOrInvalid()) {
    Remove(id);
    return;
  }
  int year = 0, month = 0, day = 0;
  Platform::DecodeDate(value.FValue, year, month, day);
  SetStringValue(id, fmt::format("{:04d}{:02d}{:02d}", year, month, day));
}

TDateTimeTagValue TIPTCSection::GetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID, bool asUtc) const {
  const auto date = GetDateValue(dateTagID);
  // HHMMSS followed by the offset from UTC as +HHMM or -HHMM.
  const auto text = GetStringValue(timeTagID);
  bool haveTime = false;
  TDateTime time = 0;
  int offsetHours = 0, offsetMinutes = 0;
  if (text.size() == 11 && (text[6] == '+' || text[6] == '-') && TryCharsToInt(text, 8, 2, offsetHours) &&
      TryCharsToInt(text, 10, 2, offsetMinutes) && AllDigits(CopyChars(text, 1, 6)) &&
      AllDigits(CopyChars(text, 8, 4))) {
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[2] - '0') * 10 + (text[3] - '0');
    const int second = (text[4] - '0') * 10 + (text[5] - '0');
    if (!asUtc) {
      offsetHours = 0;
      offsetMinutes = 0;
    } else if (text[6] == '+') {
      offsetHours = -offsetHours;
      offsetMinutes = -offsetMinutes;
    }
    // No carry into the date: a time that leaves the day is dropped.
    haveTime = Platform::TryEncodeTime(hour + offsetHours, minute + offsetMinutes, second, 0, time);
  }
  if (date.MissingOrInvalid())
    return haveTime ? TDateTimeTagValue(time) : TDateTimeTagValue::CreateMissingOrInvalid();
  if (!haveTime)
    return date;
  // 24:00 is the start of the next day, not a fraction of this one.
  return {time >= 1.0 ? date.FValue + 1.0 : Platform::ComposeDateTime(date.FValue, time)};
}

void TIPTCSection::SetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID, const TDateTimeTagValue& value,
                                    bool aheadOfUtc, int utcOffsetHrs, int utcOffsetMins) {
  if (value.MissingOrInvalid()) {
    Remove(TIPTCTagIDs{dateTagID, timeTagID});
    return;
  }
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  Platform::DecodeDateTime(value.FValue, y, mo, d, h, mi, s, ms);
  SetStringValue(dateTagID, fmt::format("{:04d}{:02d}{:02d}", y, mo, d));
  SetStringValue(timeTagID, fmt::format("{:02d}{:02d}{:02d}{}{:02d}{:02d}", h, mi, s, aheadOfUtc ? '+' : '-',
                                        utcOffsetHrs, utcOffsetMins));
}

void TIPTCSection::SetDateTimeValue(TIPTCTagID dateTagID, TIPTCTagID timeTagID, const TDateTimeTagValue& value) {
  // The zone's offset now, not at the value's date, as the stored form has always been.
  const int offset = -Platform::LocalTimeBiasMinutes(Platform::Now());
  const int magnitude = offset < 0 ? -offset : offset;
  SetDateTimeValue(dateTagID, timeTagID, value, offset >= 0, magnitude / 60, magnitude % 60);
}

TStringDynArray TIPTCSection::GetRepeatableValue(TIPTCTagID id) const {
  TStringDynArray result;
  for (const auto& tag : FTags)
    if (tag->ID() == id)
      result.push_back(tag->AsString());
  return result;
}

void TIPTCSection::GetRepeatableValue(TIPTCTagID id, Platform::TStringList& dest, bool clearDestFirst) const {
  if (clearDestFirst)
    dest.Clear();
  for (const auto& tag : FTags)
    if (tag->ID() == id)
      dest.Add(tag->AsString());
}

void TIPTCSection::SetRepeatableValue(TIPTCTagID id, std::span<const std::string> values) {
  auto pos = RemoveForReplace(TIPTCTagIDs{id}, id);
  for (const auto& value : values)
    Insert(pos++, id)->SetAsString(value);
}

void TIPTCSection::SetRepeatableValue(TIPTCTagID id, const Platform::TStringList& values) {
  auto pos = RemoveForReplace(TIPTCTagIDs{id}, id);
  for (int i = 0; i < values.Count(); ++i)
    Insert(pos++, id)->SetAsString(values[i]);
}

void TIPTCSection::GetRepeatablePairs(TIPTCTagID keyID, TIPTCTagID valueID, Platform::TStringList& dest,
                                      bool clearDestFirst) const {
  const auto keys = GetRepeatableValue(keyID);
  const auto values = GetRepeatableValue(valueID);
  const auto count = std::max(keys.size(), values.size());
  if (clearDestFirst)
    dest.Clear();
  for (std::size_t i = 0; i < count; ++i) {
    std::string line = i < keys.size() ? keys[i] : std::string();
    line += dest.NameValueSeparator();
    if (i < values.size())
      line += values[i];
    dest.Add(line);
  }
}

void TIPTCSection::SetRepeatablePairs(TIPTCTagID keyID, TIPTCTagID valueID, const Platform::TStringList& pairs) {
  auto pos = RemoveForReplace(TIPTCTagIDs{keyID, valueID}, keyID);
  const char separator = pairs.NameValueSeparator();
  for (int i = 0; i < pairs.Count(); ++i) {
    const std::string_view line = pairs[i];
    // A line without the separator is all key: dropping it would lose what was given.
    const auto at = line.find(separator);
    const auto key = line.substr(0, at);
    const auto value = at == std::string_view::npos ? std::string_view() : line.substr(at + 1);
    if (!key.empty())
      Insert(pos++, keyID)->SetAsString(key);
    if (!value.empty())
      Insert(pos++, valueID)->SetAsString(value);
  }
}

// =====================================================================================
// TIPTCData

namespace {

template <std::size_t... Index>
std::array<TIPTCSection, sizeof...(Index)> MakeSections(TIPTCData* owner, std::index_sequence<Index...>) {
  return {TIPTCSection(owner, static_cast<TIPTCSectionID>(Index + 1))...};
}

} // namespace

TIPTCData::TIPTCData() : FSections(MakeSections(this, std::make_index_sequence<9>())) {}

TIPTCData::~TIPTCData() = default;

void TIPTCData::NeedLazyLoad() const {
  if (!FDataToLazyLoad)
    return;
  const auto block = std::move(FDataToLazyLoad);
  FDataToLazyLoad.reset();
  auto& data = block->Data();
  data.SetPosition(0);
  DoLoadFromStream(data);
  RememberSourceBlock(data.Bytes());
}

TIPTCData::TEnumerator TIPTCData::begin() const {
  NeedLazyLoad();
  return TEnumerator(FSections.begin());
}

TIPTCData::TEnumerator TIPTCData::end() const { return TEnumerator(FSections.end()); }

TIPTCSection* TIPTCData::Sections(TIPTCSectionID id) const {
  if (id < 1 || id > 9)
    throw Platform::ERangeError();
  NeedLazyLoad();
  return &FSections[id - 1U];
}

void TIPTCData::Assign(const TIPTCData* source) {
  if (source == this)
    return;
  if (source == nullptr) {
    Clear();
    return;
  }
  if (source->FDataToLazyLoad) {
    SetDataToLazyLoad(source->FDataToLazyLoad);
    return;
  }
  NeedLazyLoad();
  FUTF8Encoded = source->FUTF8Encoded;
  FUTF8Detected = source->FUTF8Detected;
  // Copied in the source's order: placing each dataset by number would put repeated
  // datasets in reverse and pull bylines away from their titles.
  for (std::size_t i = 0; i < FSections.size(); ++i) {
    auto& own = FSections[i];
    own.Clear();
    for (const auto* tag : source->FSections[i])
      own.Append(tag->ID())->UpdateData(tag->DataSize(), tag->Data());
    own.FDefinitelySorted = own.InNonDescendingOrder();
  }
}

void TIPTCData::Clear() { DoClear(); }

void TIPTCData::DoClear() const {
  FLoadErrors = {};
  FDataToLazyLoad.reset();
  FUTF8Detected = false;
  FSourceBlocks.clear();
  FSourceDatasets.clear();
  for (auto& section : FSections)
    section.Clear();
}

bool TIPTCData::Empty() const {
  if (FDataToLazyLoad)
    return false;
  return std::all_of(FSections.begin(), FSections.end(), [](const auto& s) { return s.Count() == 0; });
}

bool TIPTCData::Modified() const {
  if (FDataToLazyLoad)
    return false;
  return std::any_of(FSections.begin(), FSections.end(), [](const auto& s) { return s.Modified(); });
}

void TIPTCData::SetModified(bool value) {
  NeedLazyLoad();
  for (auto& section : FSections)
    section.SetModified(value);
}

void TIPTCData::SetDataToLazyLoad(const std::shared_ptr<IMetadataBlock>& value) {
  if (value == FDataToLazyLoad)
    return;
  Clear();
  FDataToLazyLoad = value;
}

void TIPTCData::SortTags() {
  NeedLazyLoad();
  for (auto& section : FSections)
    section.Sort();
}

bool TIPTCData::UTF8Encoded() const {
  NeedLazyLoad();
  return FUTF8Encoded;
}

bool TIPTCData::UTF8Detected() const {
  NeedLazyLoad();
  return FUTF8Detected;
}

void TIPTCData::SetUTF8Encoded(bool value) {
  NeedLazyLoad();
  // Detected UTF-8 is read as UTF-8 already: declaring it rewrites nothing but the
  // marker, and asking for the code page converts it.
  if (value == FUTF8Encoded && value == (FUTF8Encoded || FUTF8Detected))
    return;
  // Decode every text with the old encoding before any is written with the new one.
  std::vector<std::pair<TIPTCTag*, std::string>> texts;
  for (auto& section : FSections)
    for (auto* tag : section)
      if (!tag->IsInteger())
        texts.emplace_back(tag, tag->ReadString());
  FUTF8Encoded = value;
  FUTF8Detected = false;
  for (auto& [tag, text] : texts)
    tag->WriteString(text);
}

// --- the IIM stream ------------------------------------------------------------------

void TIPTCData::LoadFromStream(TStream& stream) { DoLoadFromStream(stream); }

void TIPTCData::AddFromStream(TStream& stream) { DoAddFromStream(stream); }

void TIPTCData::DoLoadFromStream(TStream& stream) const {
  DoClear();
  FUTF8Encoded = FAlwaysAssumeUTF8Encoding;
  DoAddFromStream(stream);
  FinishLoading();
}

void TIPTCData::FinishLoading() const {
  for (auto& section : FSections) {
    section.FModified = false;
    section.FDefinitelySorted = section.InNonDescendingOrder();
  }
  DetectUTF8Text();
}

void TIPTCData::DetectUTF8Text() const {
  FUTF8Detected = false;
  if (FUTF8Encoded || FSections[0].Find(90) != nullptr)
    return; // the data names its character set
  bool nonASCII = false;
  for (const auto& section : FSections)
    for (const auto* tag : section) {
      if (tag->IsInteger())
        continue;
      const auto text = AsView(tag->Bytes());
      if (!std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        continue;
      // One text that is no UTF-8 means the code page, for all of them.
      if (!Platform::IsValidUTF8(text))
        return;
      nonASCII = true;
    }
  FUTF8Detected = nonASCII;
}

void TIPTCData::DoAddFromStream(TStream& stream, bool mergeBlock) const {
  NeedLazyLoad();
  TIPTCTagHeader header;
  for (;;) {
    const auto headerStart = stream.Position();
    if (!TryReadIPTCHeader(stream, header))
      break;
    // A 4-byte length with the top bit set is no length at all: stop there like at
    // any other header we cannot use.
    if (header.DataSize < 0) {
      stream.SetPosition(headerStart);
      break;
    }
    // A dataset cut off by the end of the stream keeps the bytes that are there;
    // nothing is allocated for bytes that do not exist.
    const auto available = std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
    const auto size = static_cast<std::int32_t>(std::min<std::int64_t>(header.DataSize, available));
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    const auto got = size > 0 ? stream.Read(data.data(), size) : 0;
    data.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));

    auto& section = FSections[header.SectionID - 1U];
    // A further block of the same picture starts with its own record version (and
    // maybe the UTF-8 marker); a copy of one already held says nothing new.
    bool repeatsHeader = false;
    if (mergeBlock && (header.TagID == 0 || (header.SectionID == 1 && header.TagID == 90)))
      for (const auto& held : section.FTags)
        repeatsHeader = repeatsHeader || (held->ID() == header.TagID && std::ranges::equal(held->Bytes(), data));
    if (repeatsHeader) {
      if (got < header.DataSize)
        break;
      continue;
    }
    auto* tag = section.Append(header.TagID);
    tag->FData = std::move(data);
    if (header.SectionID == 1 && header.TagID == 90 &&
        std::ranges::equal(tag->Bytes(), std::span<const std::uint8_t>(IPTCUTF8Marker)))
      FUTF8Encoded = true;
    if (got < header.DataSize)
      break;
  }
}

std::vector<std::uint8_t> TIPTCData::DatasetBytes() const {
  Platform::TMemoryStream stream;
  for (const auto& section : FSections)
    for (const auto* tag : section) {
      const auto size = tag->DataSize();
      std::uint8_t header[9] = {0x1C, section.ID(), tag->ID()};
      int headerSize = 5;
      if (size <= MaxShortDatasetSize) {
        header[3] = static_cast<std::uint8_t>(size >> 8);
        header[4] = static_cast<std::uint8_t>(size);
      } else {
        header[3] = 0xFF;
        header[4] = 0xFC;
        for (int i = 0; i < 4; ++i)
          header[5 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(size) >> (24 - 8 * i));
        headerSize = 9;
      }
      stream.WriteBuffer(header, headerSize);
      stream.WriteBuffer(tag->Data(), size);
    }
  const auto bytes = stream.Bytes();
  return {bytes.begin(), bytes.end()};
}

void TIPTCData::SaveToStream(TStream& stream) {
  if (FDataToLazyLoad) {
    auto& data = FDataToLazyLoad->Data();
    data.SetPosition(0);
    stream.CopyFrom(data, data.Size());
    return;
  }
  if (IsUnchangedFromSingleSource()) {
    stream.WriteBuffer(FSourceBlocks.front());
    return;
  }
  auto& envelope = FSections[0];
  if (FUTF8Encoded) {
    envelope.AddOrUpdate(90, static_cast<std::int32_t>(IPTCUTF8Marker.size()), IPTCUTF8Marker.data());
  } else {
    auto* marker = envelope.Find(90);
    if (marker != nullptr && std::ranges::equal(marker->Bytes(), std::span<const std::uint8_t>(IPTCUTF8Marker)))
      marker->Delete();
  }
  stream.WriteBuffer(DatasetBytes());
}

// --- dataset properties --------------------------------------------------------------

std::string TIPTCData::Text(TIPTCSectionID record, TIPTCTagID id) const { return Sections(record)->GetStringValue(id); }

void TIPTCData::SetText(TIPTCSectionID record, TIPTCTagID id, std::string_view value) {
  Sections(record)->SetStringValue(id, value);
}

TWordTagValue TIPTCData::Word(TIPTCSectionID record, TIPTCTagID id) const { return Sections(record)->GetWordValue(id); }

void TIPTCData::SetWord(TIPTCSectionID record, TIPTCTagID id, const TWordTagValue& value) {
  Sections(record)->SetWordValue(id, value);
}

TIPTCPriority TIPTCData::Priority(TIPTCSectionID record, TIPTCTagID id) const {
  return Sections(record)->GetPriorityValue(id);
}

void TIPTCData::SetPriority(TIPTCSectionID record, TIPTCTagID id, TIPTCPriority value) {
  Sections(record)->SetPriorityValue(id, value);
}

TDateTimeTagValue TIPTCData::Date(TIPTCSectionID record, TIPTCTagID id) const {
  return Sections(record)->GetDateValue(id);
}

void TIPTCData::SetDate(TIPTCSectionID record, TIPTCTagID id, const TDateTimeTagValue& value) {
  Sections(record)->SetDateValue(id, value);
}

TStringDynArray TIPTCData::Repeatable(TIPTCSectionID record, TIPTCTagID id) const {
  return Sections(record)->GetRepeatableValue(id);
}

void TIPTCData::SetRepeatable(TIPTCSectionID record, TIPTCTagID id, std::span<const std::string> value) {
  Sections(record)->SetRepeatableValue(id, value);
}

TDateTimeTagValue TIPTCData::DateTimeSent() const { return EnvelopeSection()->GetDateTimeValue(70, 80, false); }

void TIPTCData::SetDateTimeSent(const TDateTimeTagValue& value) { EnvelopeSection()->SetDateTimeValue(70, 80, value); }

void TIPTCData::SetDateTimeSent(const TDateTimeTagValue& value, bool aheadOfUtc, int utcOffsetHrs, int utcOffsetMins) {
  EnvelopeSection()->SetDateTimeValue(70, 80, value, aheadOfUtc, utcOffsetHrs, utcOffsetMins);
}

TDateTimeTagValue TIPTCData::DateTimeCreated() const { return ApplicationSection()->GetDateTimeValue(55, 60, false); }

void TIPTCData::SetDateTimeCreated(const TDateTimeTagValue& value) {
  ApplicationSection()->SetDateTimeValue(55, 60, value);
}

void TIPTCData::SetDateTimeCreated(const TDateTimeTagValue& value, bool aheadOfUtc, int utcOffsetHrs,
                                   int utcOffsetMins) {
  ApplicationSection()->SetDateTimeValue(55, 60, value, aheadOfUtc, utcOffsetHrs, utcOffsetMins);
}

TIPTCActionAdvised TIPTCData::ActionAdvised() const {
  std::int32_t number = 0;
  if (Platform::TryStrToInt(ApplicationSection()->GetStringValue(42), number) && number >= 1 && number <= 99)
    return static_cast<TIPTCActionAdvised>(number);
  return TIPTCActionAdvised::iaTagMissing;
}

void TIPTCData::SetActionAdvised(TIPTCActionAdvised value) {
  if (value == TIPTCActionAdvised::iaTagMissing) {
    ApplicationSection()->Remove(42);
    return;
  }
  ApplicationSection()->SetStringValue(42, fmt::format("{:02d}", static_cast<int>(value)));
}

void TIPTCData::GetBylineValues(Platform::TStringList& dest) const {
  ApplicationSection()->GetRepeatablePairs(80, 85, dest);
}

void TIPTCData::SetBylineValues(const Platform::TStringList& newValues) {
  ApplicationSection()->SetRepeatablePairs(80, 85, newValues);
}

void TIPTCData::GetContentLocationValues(Platform::TStringList& dest) const {
  ApplicationSection()->GetRepeatablePairs(26, 27, dest);
}

void TIPTCData::SetContentLocationValues(const Platform::TStringList& newValues) {
  ApplicationSection()->SetRepeatablePairs(26, 27, newValues);
}

void TIPTCData::GetKeywords(Platform::TStringList& dest) const { ApplicationSection()->GetRepeatableValue(25, dest); }

void TIPTCData::SetKeywords(const Platform::TStringList& newWords) {
  ApplicationSection()->SetRepeatableValue(25, newWords);
}

} // namespace Tessel::Exif
