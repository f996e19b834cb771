// Tessel.Exif, tags and sections: TExifTag, TExifSection, TExtendableExifSection and
// the date-time and ASCII routines they rest on.

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/StringList.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

namespace Tessel::Exif {

namespace {

using enum TTiffDataType;

constexpr std::int64_t MaxTagDataSize = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void RaiseListIndexError(std::int64_t index) {
  throw Platform::EListError(fmt::format("Listenindex außerhalb des gültigen Bereichs ({})", index));
}

[[noreturn]] void RaiseNotAnInteger(std::string_view text) {
  throw Platform::EConvertError(fmt::format("'{}' ist kein gültiger Integerwert", text));
}

// Byte size of count elements, refusing sizes a tag cannot hold.
// A type code this library does not know (other than 0, which is no type) is a run of
// bytes: its count is its byte count, as the file had it.
int StoredElementSize(TTiffDataType dataType) {
  const auto size = TiffElementSize(dataType);
  return size != 0 || static_cast<std::uint16_t>(dataType) == 0 ? size : 1;
}

std::int32_t CheckedDataSize(TTiffDataType dataType, std::int64_t elementCount) {
  const auto size = static_cast<std::int64_t>(StoredElementSize(dataType)) * elementCount;
  if (size > MaxTagDataSize)
    throw Platform::ERangeError();
  return static_cast<std::int32_t>(size);
}

constexpr bool IsIntegerType(TTiffDataType dataType) {
  return dataType == tdByte || dataType == tdWord || dataType == tdLongWord || dataType == tdShortInt ||
         dataType == tdSmallInt;
}

template <typename T> T ReadNative(const std::uint8_t* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

template <typename T> void WriteNative(std::uint8_t* data, T value) { std::memcpy(data, &value, sizeof(T)); }

// One element zero-extended to 32 bits, by its width.
std::uint32_t ElementAsLongWord(const std::uint8_t* data, int elementSize, std::int32_t index) {
  const auto* p = data + static_cast<std::ptrdiff_t>(index) * elementSize;
  switch (elementSize) {
  case 1: return *p;
  case 2: return ReadNative<std::uint16_t>(p);
  default: return ReadNative<std::uint32_t>(p);
  }
}

void StoreLowBytes(std::uint8_t* data, int elementSize, std::int32_t index, std::uint32_t value) {
  auto* p = data + static_cast<std::ptrdiff_t>(index) * elementSize;
  switch (elementSize) {
  case 1: *p = static_cast<std::uint8_t>(value); break;
  case 2: WriteNative(p, static_cast<std::uint16_t>(value)); break;
  case 4: WriteNative(p, value); break;
  default: break;
  }
}

// Runs action inside the owner's BeginUpdate/EndUpdate, when there is an owner.
template <typename F> void WithOwnerUpdate(IExifSectionOwner* owner, F&& action) {
  if (owner == nullptr) {
    action();
    return;
  }
  owner->BeginUpdate();
  try {
    action();
  } catch (...) {
    owner->EndUpdate();
    throw;
  }
  owner->EndUpdate();
}

// Float text: the platform's general format when it reads back to the same value,
// otherwise the shortest text that does (in the same notation, with the locale's
// decimal separator).
template <typename T> std::string FloatText(T value) {
  const auto& settings = Platform::FormatSettings();
  // fmt writes the shortest text that reads back exactly: "0.1", "1e-07". For a FLOAT
  // that is the value meant (0.1 rather than 0.100000001490116).
  auto text = fmt::format("{}", value);
  double meant = value;
  if (std::isfinite(value))
    std::from_chars(text.data(), text.data() + text.size(), meant);
  auto general = Platform::FloatToStr(meant, settings);
  double back = 0;
  if (!std::isfinite(value) || (Platform::TryStrToFloat(general, back, settings) && static_cast<T>(back) == value))
    return general;
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      result += settings.DecimalSeparator;
    } else if (c == 'e') {
      result += 'E';
      if (i + 1 < text.size() && text[i + 1] == '+')
        ++i;
      if (i + 1 < text.size() && text[i + 1] == '-')
        result += text[++i];
      while (i + 2 < text.size() && text[i + 1] == '0')
        ++i;
    } else {
      result += c;
    }
  }
  return result;
}

std::int32_t ParseInt32(const std::string& item) {
  std::int32_t value = 0;
  if (!Platform::TryStrToInt(item, value))
    RaiseNotAnInteger(item);
  return value;
}

std::int32_t ParseInRange(const std::string& item, std::int32_t minValue, std::int32_t maxValue) {
  const auto value = ParseInt32(item);
  if (value < minValue || value > maxValue)
    throw Platform::ERangeError();
  return value;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string UTF16LEBytesToString(const std::uint8_t* data, std::size_t units) {
  std::u16string text(units, u'\0');
  for (std::size_t i = 0; i < units; ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return Platform::UTF16ToUTF8(text);
}

// UTF-16LE code units of the text plus a 2-byte NUL.
std::vector<std::uint8_t> StringToUTF16LEBytes(std::string_view text) {
  const auto units = Platform::UTF8ToUTF16(text);
  std::vector<std::uint8_t> bytes(units.size() * 2 + 2, 0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return bytes;
}

// The UTF-8 bytes of the text plus a terminating NUL: ASCII stays byte for byte, and
// the peers read the rest as written. Bytes that are no UTF-8 are replaced, so that
// what is stored reads back as the same text.
std::string StringToTextZ(std::string_view text) {
  auto bytes = Platform::DecodeUTF8Lossy(text);
  bytes.push_back('\0');
  return bytes;
}

// The last date-time SetDateTimeValue formatted, with its two texts.
struct TDateTimeTextCache {
  bool Filled = false;
  TDateTime Value = 0;
  std::string DateTimeText;
  std::string SubSecText;
};
TDateTimeTextCache DateTimeTextCache;

// Keeps a tag's data stream read-only except while the tag itself resizes it.
class TAllowChanges {
public:
  explicit TAllowChanges(TMetadataBlockDataStream& stream) : FStream(stream) { FStream.SetDisableChanges(false); }
  ~TAllowChanges() { FStream.SetDisableChanges(true); }
  TAllowChanges(const TAllowChanges&) = delete;
  TAllowChanges& operator=(const TAllowChanges&) = delete;

private:
  TMetadataBlockDataStream& FStream;
};

// The ITiffDirectory enumerator of a section: the section's own enumerator, handing
// out non-owning tag references.
class TSectionTagEnumerator final : public ITiffDirectoryEnumerator {
public:
  explicit TSectionTagEnumerator(const TExifSection* section) : FEnumerator(section) {}
  [[nodiscard]] std::shared_ptr<ITiffTag> Current() const override {
    return FEnumerator.Current() ? NonOwningRef<ITiffTag>(FEnumerator.Current()) : nullptr;
  }
  bool MoveNext() override { return FEnumerator.MoveNext(); }

private:
  TExifSection::TEnumerator FEnumerator;
};

} // namespace

// =====================================================================================
// TExifTag

TExifTag::TExifTag(TExifSection* section, TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount)
    : FDataType(dataType), FElementCount(std::max(elementCount, 0)), FID(id), FSection(section) {
  FOriginalDataSize = CheckedDataSize(FDataType, FElementCount);
  ResizeBuffer(FOriginalDataSize);
}

TExifTag::TExifTag(TExifSection* section, const IFoundTiffDirectory& directory, const TTiffTagInfo& info)
    : FID(info.ID), FSection(section) {
  FOriginalDataOffset = info.DataOffset;
  // What is read: a known type with its elements; a type code this library does not know
  // with its bytes as they stand in the file (so that a save carries the entry as it was,
  // while typed reads find no type they accept); a known type whose data is not there with
  // no elements. Type code 0 is no type at all: an empty UNDEFINED tag.
  TTiffTagInfo source = info;
  if (info.IsWellFormed()) {
    FDataType = info.DataType;
    FElementCount = info.ElementCount;
  } else {
    FWellFormed = false;
    if (static_cast<std::uint16_t>(info.DataType) != 0) {
      FDataType = info.DataType;
      if (!IsValidTiffDataType(info.DataType) && info.ElementCount > 0) {
        FElementCount = info.ElementCount;
        source.DataType = tdUndefined; // read as bytes, in file order
      }
    }
  }
  if (FElementCount > 0) {
    // The load below fills every byte (or the tag ends up empty).
    {
      TAllowChanges allow(FDataStream);
      FDataStream.SetSizeForOverwrite(CheckedDataSize(FDataType, FElementCount));
    }
    FDataStream.SetPosition(0);
    try {
      directory.Parser()->LoadTagData(source, FDataStream.Memory());
    } catch (const Platform::EStreamError&) {
      // The entry promised more than the stream holds: keep it as an empty, malformed tag.
      FDataType = tdUndefined;
      FElementCount = 0;
      FWellFormed = false;
      ResizeBuffer(0);
    }
  }
  FOriginalDataSize = DataSize();
}

// A tag in a section is destroyed only after the section took it out of its list, so
// there is nothing left to unlink here.
TExifTag::~TExifTag() = default;

void TExifTag::Delete() {
  if (FSection != nullptr)
    FSection->DeleteTag(FSection->IndexOf(this));
}

void TExifTag::ResizeBuffer(std::int32_t newSize) {
  // The memory stream's SetSize fills what it adds with zeros.
  {
    TAllowChanges allow(FDataStream);
    FDataStream.SetSize(newSize);
  }
  FDataStream.SetPosition(0);
}

void TExifTag::AnnounceChange(TExifTagChangeType kind) {
  // The text form depends on the ID as well (Windows string tags), so any change drops it.
  FAsStringCache.clear();
  if (FSection != nullptr)
    FSection->TagChanged(*this, kind);
}

void TExifTag::Assign(const TExifTag* source) {
  if (source == nullptr) {
    SetElementCount(0);
    return;
  }
  if (FSection == nullptr || source->FSection != FSection)
    SetID(source->FID);
  UpdateData(source->FDataType, source->FElementCount, source->DataPtr());
}

void TExifTag::Changed() { AnnounceChange(TExifTagChangeType::tcData); }

void TExifTag::SetID(TTiffTagID value) {
  if (value == FID)
    return;
  if (FSection != nullptr)
    FSection->TagChanging(*this, value, FElementCount, FDataType);
  FID = value;
  AnnounceChange(TExifTagChangeType::tcID);
}

void TExifTag::SetDataType(TTiffDataType value) {
  if (value != FDataType)
    UpdateData(value, FElementCount, nullptr);
}

void TExifTag::SetElementCount(std::int32_t value) {
  if (value != FElementCount)
    UpdateData(FDataType, value, nullptr);
}

std::uint32_t TExifTag::OriginalDataOffset() const { return static_cast<std::uint32_t>(FOriginalDataOffset); }

bool TExifTag::HasWindowsStringData() const {
  return FDataType == tdByte && FSection != nullptr && FSection->Kind() == TExifSectionKind::esGeneral &&
         FID >= ttXPTitle && FID <= ttXPSubject;
}

bool TExifTag::IsPadding() const {
  return FID == ttPadding && FDataType == tdUndefined && FElementCount > 1 &&
         ReadNative<std::uint16_t>(DataPtr()) == ttPadding;
}

void TExifTag::SetAsPadding(TExifPaddingTagSize size) {
  size = std::max<TExifPaddingTagSize>(size, 2);
  SetID(ttPadding);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
  WriteNative<std::uint16_t>(bytes.data(), ttPadding);
  UpdateData(tdUndefined, size, bytes.data());
}

void TExifTag::UpdateData(const void* newData) {
  if (FSection != nullptr)
    FSection->TagChanging(*this, FID, FElementCount, FDataType);
  if (newData != nullptr && DataSize() > 0)
    std::memmove(FDataStream.Memory(), newData, static_cast<std::size_t>(DataSize()));
  AnnounceChange(TExifTagChangeType::tcData);
}

void TExifTag::UpdateData(TTiffDataType newDataType, std::int32_t newElementCount, const void* newData) {
  newElementCount = std::max(newElementCount, 0);
  if (newData == nullptr && newDataType == FDataType && newElementCount == FElementCount)
    return;
  const auto newSize = CheckedDataSize(newDataType, newElementCount);
  if (FSection != nullptr)
    FSection->TagChanging(*this, FID, newElementCount, newDataType);

  const auto oldSize = DataSize();
  const int oldElementSize = StoredElementSize(FDataType);
  const int newElementSize = StoredElementSize(newDataType);

  // New data lying inside the current buffer would move with the resize: copy it first.
  std::vector<std::uint8_t> ownCopy;
  const auto* memory = FDataStream.Memory();
  if (newData != nullptr && oldSize > 0 && newData >= static_cast<const void*>(memory) &&
      newData < static_cast<const void*>(memory + oldSize)) {
    const auto available = static_cast<std::size_t>(memory + oldSize - static_cast<const std::uint8_t*>(newData));
    ownCopy.assign(static_cast<const std::uint8_t*>(newData),
                   static_cast<const std::uint8_t*>(newData) + std::min<std::size_t>(available, newSize));
    ownCopy.resize(static_cast<std::size_t>(newSize), 0);
    newData = ownCopy.data();
  }

  // Integer elements survive a change of width. Saved also when only the element width
  // changes (SHORT x 2 -> LONG x 1 keeps the byte size), so that the first value is kept.
  std::vector<std::uint32_t> saved;
  if (newData == nullptr && (newSize != oldSize || newElementSize != oldElementSize) && IsIntegerType(FDataType) &&
      IsIntegerType(newDataType) && FElementCount > 0 && newElementCount > 0) {
    saved.resize(static_cast<std::size_t>(std::min(FElementCount, newElementCount)));
    for (std::size_t i = 0; i < saved.size(); ++i)
      saved[i] = ElementAsLongWord(memory, oldElementSize, static_cast<std::int32_t>(i));
  }

  ResizeBuffer(newSize);
  auto* data = FDataStream.Memory();
  if (newData != nullptr) {
    if (newSize > 0)
      std::memmove(data, newData, static_cast<std::size_t>(newSize));
  } else if (newElementSize != oldElementSize) {
    if (newSize > 0)
      std::memset(data, 0, static_cast<std::size_t>(newSize));
    for (std::size_t i = 0; i < saved.size(); ++i)
      StoreLowBytes(data, newElementSize, static_cast<std::int32_t>(i), saved[i]);
  }
  FDataType = newDataType;
  FElementCount = newElementCount;
  AnnounceChange(newSize != oldSize ? TExifTagChangeType::tcDataSize : TExifTagChangeType::tcData);
}

TTiffLongWordFraction TExifTag::ReadFraction(std::int32_t index, const TTiffLongWordFraction& defaultValue) const {
  if ((FDataType != tdLongWordFraction && FDataType != tdLongIntFraction) || index < 0 || index >= FElementCount)
    return defaultValue;
  const auto* p = DataPtr() + static_cast<std::ptrdiff_t>(index) * 8;
  return {ReadNative<std::uint32_t>(p), ReadNative<std::uint32_t>(p + 4)};
}

std::uint32_t TExifTag::ReadLongWord(std::int32_t index, std::uint32_t defaultValue) const {
  if (index < 0 || index >= FElementCount)
    return defaultValue;
  switch (FDataType) {
  case tdByte:
  case tdShortInt:
  case tdWord:
  case tdSmallInt:
  case tdLongWord:
  case tdLongInt: return ElementAsLongWord(DataPtr(), TiffElementSize(FDataType), index);
  default: return defaultValue;
  }
}

std::uint16_t TExifTag::ReadWord(std::int32_t index, std::uint16_t defaultValue) const {
  if (index < 0 || index >= FElementCount)
    return defaultValue;
  switch (FDataType) {
  case tdByte:
  case tdShortInt:
  case tdWord:
  case tdSmallInt: return static_cast<std::uint16_t>(ElementAsLongWord(DataPtr(), TiffElementSize(FDataType), index));
  default: return defaultValue;
  }
}

void TExifTag::WriteElements(TStream& stream, TEndianness endianness) const {
  const auto* data = DataPtr();
  const auto size = DataSize();
  if (size <= 0)
    return;
  switch (TiffElementSize(FDataType)) {
  case 0: // bytes of an unknown type go out as they came in
  case 1: stream.WriteBuffer(data, size); break;
  case 2:
    for (std::int32_t i = 0; i < size; i += 2)
      WriteWord(stream, ReadNative<std::uint16_t>(data + i), endianness);
    break;
  default:
    if (FDataType == tdDouble) {
      for (std::int32_t i = 0; i < size; i += 8)
        WriteDouble(stream, ReadNative<double>(data + i), endianness);
    } else {
      for (std::int32_t i = 0; i + 4 <= size; i += 4)
        WriteLongWord(stream, ReadNative<std::uint32_t>(data + i), endianness);
    }
    break;
  }
}

void TExifTag::WriteHeader(TStream& stream, TEndianness endianness, std::uint32_t dataOffset) const {
  WriteWord(stream, FID, endianness);
  WriteWord(stream, static_cast<std::uint16_t>(FDataType), endianness);
  WriteLongWord(stream, static_cast<std::uint32_t>(FElementCount), endianness);
  const auto size = DataSize();
  if (size > 4) {
    WriteLongWord(stream, dataOffset, endianness);
    return;
  }
  WriteElements(stream, endianness);
  static constexpr std::uint8_t zeros[4] = {};
  if (size < 4)
    stream.WriteBuffer(zeros, 4 - size);
}

void TExifTag::WriteOffsetData(TStream& stream, TEndianness endianness) const {
  if (DataSize() > 4)
    WriteElements(stream, endianness);
}

bool TExifTag::IsIPTCBlock(bool checkID) const {
  if (checkID && FID != ttIPTC)
    return false;
  FDataStream.SetPosition(0);
  TIPTCTagHeader header;
  return TryReadIPTCHeader(FDataStream, header, true);
}

std::shared_ptr<ITiffDirectory> TExifTag::Parent() const {
  return FSection != nullptr ? NonOwningRef<ITiffDirectory>(FSection) : nullptr;
}

namespace {

void AppendCommaItem(std::string& out, std::string_view item) {
  const bool quote = std::any_of(item.begin(), item.end(), [](char c) {
    return c == '"' || c == ',' || (c != '\0' && static_cast<unsigned char>(c) <= ' ');
  });
  if (!quote) {
    out += item;
    return;
  }
  out += '"';
  for (const char c : item) {
    if (c == '"')
      out += '"';
    out += c;
  }
  out += '"';
}

} // namespace

std::string TExifTag::ElementAsString(std::int32_t index) const {
  if (index < 0 || index >= FElementCount)
    RaiseListIndexError(index);
  const auto* p = DataPtr() + static_cast<std::ptrdiff_t>(index) * TiffElementSize(FDataType);
  switch (FDataType) {
  case tdByte: return std::to_string(*p);
  case tdWord: return std::to_string(ReadNative<std::uint16_t>(p));
  case tdLongWord: return std::to_string(ReadNative<std::uint32_t>(p));
  case tdShortInt: return std::to_string(static_cast<std::int8_t>(*p));
  case tdSmallInt: return std::to_string(ReadNative<std::int16_t>(p));
  case tdLongInt:
  case tdSubDirectory: return std::to_string(ReadNative<std::int32_t>(p));
  case tdAscii: return Platform::Win1252ToUTF8(std::string_view(reinterpret_cast<const char*>(p), 1));
  case tdLongWordFraction:
    return TTiffLongWordFraction(ReadNative<std::uint32_t>(p), ReadNative<std::uint32_t>(p + 4)).AsString();
  case tdLongIntFraction:
    return TTiffLongIntFraction(ReadNative<std::int32_t>(p), ReadNative<std::int32_t>(p + 4)).AsString();
  case tdSingle: return FloatText(ReadNative<float>(p));
  case tdDouble: return FloatText(ReadNative<double>(p));
  default: return {};
  }
}

std::string TExifTag::AsString() const {
  if (!FAsStringCache.empty())
    return FAsStringCache;
  if (FElementCount == 0)
    return {};
  const auto* data = reinterpret_cast<const char*>(DataPtr());
  std::string result;
  if (FDataType == tdAscii) {
    result = ExifTextToUTF8(std::string_view(data, static_cast<std::size_t>(FElementCount - 1)));
  } else if (FDataType == tdUndefined || !IsValidTiffDataType(FDataType)) {
    result = BinToHexStr(data, static_cast<std::size_t>(DataSize()));
  } else if (HasWindowsStringData()) {
    result = UTF16LEBytesToString(DataPtr(), static_cast<std::size_t>(std::max(FElementCount / 2 - 1, 0)));
  } else if (FElementCount == 1) {
    result = ElementAsString(0);
  } else if ((FDataType == tdSingle || FDataType == tdDouble) && Platform::FormatSettings().DecimalSeparator == ',') {
    // With a decimal comma every item is quoted, so that a list of whole numbers ("1","5")
    // cannot be read back as one number (1,5).
    for (std::int32_t i = 0; i < FElementCount; ++i)
      result += (i > 0 ? ",\"" : "\"") + ElementAsString(i) + '"';
  } else {
    // A comma list as TStringList::CommaText writes it, built in place: an item holding a
    // quote, a comma or a blank is quoted, its quotes doubled.
    for (std::int32_t i = 0; i < FElementCount; ++i) {
      if (i > 0)
        result += ',';
      AppendCommaItem(result, ElementAsString(i));
    }
  }
  // The hex text of a blob is rebuilt more cheaply than it is kept: a maker note would
  // hold twice its size on the heap for as long as the tag lives.
  if (FDataType != tdUndefined && IsValidTiffDataType(FDataType))
    FAsStringCache = result;
  return result;
}

void TExifTag::SetAsString(std::string_view value) {
  if (value.empty()) {
    SetElementCount(0);
  } else if (FDataType == tdAscii) {
    if (FSection != nullptr && FSection->Owner() != nullptr && FSection->Owner()->EnforceASCII() &&
        !ContainsOnlyASCII(value))
      throw ENotOnlyASCIIError();
    const auto bytes = StringToTextZ(value);
    UpdateData(tdAscii, static_cast<std::int32_t>(bytes.size()), bytes.data());
  } else if (FDataType == tdUndefined || !IsValidTiffDataType(FDataType)) {
    std::vector<std::uint8_t> bytes(value.size() / 2, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const int high = HexDigitValue(value[2 * i]);
      const int low = HexDigitValue(value[2 * i + 1]);
      if (high < 0 || low < 0)
        break;
      bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    UpdateData(FDataType, CheckedDataSize(tdUndefined, static_cast<std::int64_t>(bytes.size())), bytes.data());
  } else if (HasWindowsStringData()) {
    const auto bytes = StringToUTF16LEBytes(value);
    UpdateData(tdByte, CheckedDataSize(tdByte, static_cast<std::int64_t>(bytes.size())), bytes.data());
  } else if (double number = 0;
             (FDataType == tdSingle || FDataType == tdDouble) && Platform::TryStrToFloat(value, number)) {
    // One number, also when the locale's decimal separator is the list's comma ("1,5").
    if (FDataType == tdDouble) {
      UpdateData(tdDouble, 1, &number);
    } else {
      if (std::fabs(number) > FLT_MAX)
        throw Platform::ERangeError();
      const auto single = static_cast<float>(number);
      UpdateData(tdSingle, 1, &single);
    }
  } else {
    Platform::TStringList items;
    items.SetCommaText(value);
    const int elementSize = TiffElementSize(FDataType);
    const auto count = items.Count();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(CheckedDataSize(FDataType, count)), 0);
    for (int i = 0; i < count; ++i) {
      const auto& item = items[i];
      auto* p = bytes.data() + static_cast<std::ptrdiff_t>(i) * elementSize;
      switch (FDataType) {
      case tdByte: *p = static_cast<std::uint8_t>(ParseInRange(item, 0, 0xFF)); break;
      case tdWord: WriteNative(p, static_cast<std::uint16_t>(ParseInRange(item, 0, 0xFFFF))); break;
      case tdShortInt: *p = static_cast<std::uint8_t>(static_cast<std::int8_t>(ParseInRange(item, -128, 127))); break;
      case tdSmallInt: WriteNative(p, static_cast<std::int16_t>(ParseInRange(item, -32768, 32767))); break;
      case tdLongWord: {
        std::int64_t value64 = 0;
        if (!Platform::TryStrToInt64(item, value64))
          RaiseNotAnInteger(item);
        if (value64 < 0 || value64 > 0xFFFFFFFFLL)
          throw Platform::ERangeError();
        WriteNative(p, static_cast<std::uint32_t>(value64));
        break;
      }
      case tdLongInt:
      case tdSubDirectory: WriteNative(p, ParseInt32(item)); break;
      case tdLongWordFraction: {
        const auto fraction = TTiffLongWordFraction::CreateFromString(item);
        WriteNative(p, fraction.Numerator);
        WriteNative(p + 4, fraction.Denominator);
        break;
      }
      case tdLongIntFraction: {
        const auto fraction = TTiffLongIntFraction::CreateFromString(item);
        WriteNative(p, fraction.Numerator);
        WriteNative(p + 4, fraction.Denominator);
        break;
      }
      case tdSingle:
      case tdDouble: {
        double number = 0;
        if (!Platform::TryStrToFloat(item, number))
          throw Platform::EConvertError(fmt::format("'{}' ist kein gültiger Gleitkommawert", item));
        if (FDataType == tdDouble) {
          WriteNative(p, number);
        } else {
          if (std::fabs(number) > FLT_MAX)
            throw Platform::ERangeError();
          WriteNative(p, static_cast<float>(number));
        }
        break;
      }
      default: break;
      }
    }
    UpdateData(FDataType, count, bytes.data());
  }
  FAsStringCache = std::string(value);
}

// =====================================================================================
// TExifSection

bool TExifSection::TEnumerator::MoveNext() {
  const auto& list = FSection->FTagList;
  // Step on only when the current tag is still where it was; if it was deleted, its
  // successor has moved into its place.
  if (FCurrent != nullptr && FIndex < list.size() && list[FIndex].get() == FCurrent)
    ++FIndex;
  if (FIndex < list.size()) {
    FCurrent = list[FIndex].get();
    return true;
  }
  return false;
}

TExifSection::TExifSection(IExifSectionOwner* owner, TExifSectionKind kind) : FKind(kind), FOwner(owner) {}

TExifSection::~TExifSection() {
  for (auto& tag : FTagList)
    tag->FSection = nullptr;
  while (!FTagList.empty())
    FTagList.pop_back();
}

TExifTag* TExifSection::TagAt(std::int32_t index) const {
  if (index < 0 || index >= Count())
    RaiseListIndexError(index);
  return FTagList[static_cast<std::size_t>(index)].get();
}

bool TExifSection::Find(TTiffTagID id, TExifTag*& tag) const {
  for (const auto& candidate : FTagList) {
    if (candidate->FID >= id) {
      if (candidate->FID == id) {
        tag = candidate.get();
        return true;
      }
      break;
    }
  }
  tag = nullptr;
  return false;
}

TExifTag* TExifSection::Find(TTiffTagID id) const {
  TExifTag* tag = nullptr;
  Find(id, tag);
  return tag;
}

bool TExifSection::TagExists(TTiffTagID id, const TTiffDataTypes& validDataTypes, std::int32_t minElementCount,
                             std::int32_t maxElementCount) const {
  const auto* tag = Find(id);
  return tag != nullptr && TiffDataTypeIn(tag->FDataType, validDataTypes) && tag->FElementCount >= minElementCount &&
         tag->FElementCount <= maxElementCount;
}

std::size_t TExifSection::IndexOf(const TExifTag* tag) const {
  for (std::size_t i = 0; i < FTagList.size(); ++i)
    if (FTagList[i].get() == tag)
      return i;
  return FTagList.size();
}

std::unique_ptr<TExifTag> TExifSection::DetachTag(std::size_t index) {
  auto tag = std::move(FTagList[index]);
  FTagList.erase(FTagList.begin() + static_cast<std::ptrdiff_t>(index));
  tag->FSection = nullptr;
  if (FKind == TExifSectionKind::esDetails && tag->FID == ttMakerNote && FOwner != nullptr)
    FOwner->ResetMakerNoteType();
  Changed();
  return tag;
}

void TExifSection::DeleteTag(std::size_t index) {
  if (index < FTagList.size())
    DetachTag(index); // the returned owner destroys the tag right here
}

void TExifSection::Clear() {
  WithOwnerUpdate(FOwner, [this] {
    FLoadErrors = {};
    while (!FTagList.empty())
      DeleteTag(FTagList.size() - 1);
  });
}

bool TExifSection::Remove(TTiffTagID id) {
  auto* tag = Find(id);
  if (tag == nullptr)
    return false;
  DeleteTag(IndexOf(tag));
  return true;
}

void TExifSection::Remove(std::span<const TTiffTagID> ids) {
  WithOwnerUpdate(FOwner, [this, ids] {
    for (auto i = FTagList.size(); i-- > 0;) {
      if (i < FTagList.size() && std::find(ids.begin(), ids.end(), FTagList[i]->FID) != ids.end())
        DeleteTag(i);
    }
  });
}

bool TExifSection::RemovePaddingTag() {
  for (std::size_t i = 0; i < FTagList.size(); ++i) {
    if (FTagList[i]->IsPadding()) {
      DeleteTag(i);
      return true;
    }
  }
  return false;
}

void TExifSection::CheckExtendable() const {
  if (!IsExtendable())
    throw EIllegalEditOfExifData();
}

void TExifSection::Changed() {
  FModified = true;
  if (FOwner != nullptr && FKind != TExifSectionKind::esUserDefined)
    FOwner->Changed(this);
}

TExifTag* TExifSection::Add(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount) {
  CheckExtendable();
  auto position = FTagList.size();
  for (std::size_t i = 0; i < FTagList.size(); ++i) {
    if (FTagList[i]->FID == id)
      throw ETagAlreadyExists(id);
    if (FTagList[i]->FID > id) {
      position = i;
      break;
    }
  }
  auto tag = std::make_unique<TExifTag>(this, id, dataType, elementCount);
  auto* result = tag.get();
  FTagList.insert(FTagList.begin() + static_cast<std::ptrdiff_t>(position), std::move(tag));
  Changed();
  return result;
}

void TExifSection::TagChanging(const TExifTag& tag, TTiffTagID newID, std::int32_t newElementCount,
                               TTiffDataType newDataType) {
  if (newID != tag.FID) {
    CheckExtendable();
    if (Find(newID) != nullptr)
      throw ETagAlreadyExists(newID);
  }
  const auto newSize = static_cast<std::int64_t>(StoredElementSize(newDataType)) * newElementCount;
  if (newSize > 4 && newSize > tag.FOriginalDataSize)
    CheckExtendable();
  if (FKind == TExifSectionKind::esDetails && tag.FID == ttMakerNote && FOwner != nullptr)
    FOwner->ResetMakerNoteType();
}

void TExifSection::TagChanged(TExifTag& tag, TExifTagChangeType kind) {
  if (kind == TExifTagChangeType::tcID) {
    const auto index = IndexOf(&tag);
    if (index < FTagList.size()) {
      auto owned = std::move(FTagList[index]);
      FTagList.erase(FTagList.begin() + static_cast<std::ptrdiff_t>(index));
      auto position =
          std::find_if(FTagList.begin(), FTagList.end(), [id = tag.FID](const auto& other) { return other->FID > id; });
      FTagList.insert(position, std::move(owned));
    }
  }
  Changed();
}

TExifSection* TExifSection::OwnerSection(TExifSectionKind kind) const {
  return FOwner != nullptr ? FOwner->OwnedSection(kind) : nullptr;
}

// --- Readers -------------------------------------------------------------------------

bool TExifSection::TryGetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t& value) const {
  const auto* tag = Find(id);
  if (tag == nullptr || index < 0 || index >= tag->FElementCount)
    return false;
  if (tag->FDataType != tdByte && tag->FDataType != tdShortInt && tag->FDataType != tdUndefined)
    return false;
  value = tag->DataPtr()[index];
  return true;
}

bool TExifSection::TryGetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t& value) const {
  const auto* tag = Find(id);
  if (tag == nullptr || index < 0 || index >= tag->FElementCount)
    return false;
  switch (tag->FDataType) {
  case tdByte:
  case tdShortInt:
  case tdWord:
  case tdSmallInt:
    value = static_cast<std::uint16_t>(ElementAsLongWord(tag->DataPtr(), TiffElementSize(tag->FDataType), index));
    return true;
  default: return false;
  }
}

bool TExifSection::TryGetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t& value) const {
  const auto* tag = Find(id);
  if (tag == nullptr || index < 0 || index >= tag->FElementCount)
    return false;
  switch (tag->FDataType) {
  case tdByte:
  case tdShortInt:
  case tdWord:
  case tdSmallInt:
  case tdLongWord:
  case tdLongInt: value = ElementAsLongWord(tag->DataPtr(), TiffElementSize(tag->FDataType), index); return true;
  default: return false;
  }
}

bool TExifSection::TryGetStringValue(TTiffTagID id, std::string& value) const {
  const auto* tag = Find(id);
  if (tag == nullptr || tag->FDataType != tdAscii || tag->FElementCount <= 0)
    return false;
  const auto* data = tag->DataPtr();
  auto length = static_cast<std::size_t>(tag->FElementCount);
  // A missing terminator is tolerated: a last byte above blank belongs to the text.
  if (data[length - 1] <= 0x20)
    --length;
  value = ExifTextToUTF8(std::string_view(reinterpret_cast<const char*>(data), length));
  return true;
}

bool TExifSection::TryGetWindowsStringValue(TTiffTagID id, std::string& value) const {
  const auto* tag = Find(id);
  if (tag == nullptr || tag->FDataType != tdByte || tag->FElementCount <= 1)
    return false;
  value = UTF16LEBytesToString(tag->DataPtr(), static_cast<std::size_t>(tag->FElementCount / 2 - 1));
  return true;
}

std::uint8_t TExifSection::GetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t defaultValue,
                                        std::uint8_t minValue, std::uint8_t maxValue) const {
  std::uint8_t value = 0;
  if (TryGetByteValue(id, index, value) && value >= minValue && value <= maxValue)
    return value;
  return defaultValue;
}

TWordTagValue TExifSection::GetWordValue(TTiffTagID id, std::int32_t index) const {
  std::uint16_t value = 0;
  if (TryGetWordValue(id, index, value))
    return value;
  return TWordTagValue::CreateMissingOrInvalid();
}

std::uint16_t TExifSection::GetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t defaultValue,
                                         std::uint16_t minValue, std::uint16_t maxValue) const {
  std::uint16_t value = 0;
  if (TryGetWordValue(id, index, value) && value >= minValue && value <= maxValue)
    return value;
  return defaultValue;
}

std::int16_t TExifSection::GetSmallIntValue(TTiffTagID id, std::int32_t index, std::int16_t defaultValue,
                                            std::int16_t minValue, std::int16_t maxValue) const {
  std::uint16_t bits = 0;
  if (!TryGetWordValue(id, index, bits))
    return defaultValue;
  const auto value = static_cast<std::int16_t>(bits);
  return value >= minValue && value <= maxValue ? value : defaultValue;
}

TLongWordTagValue TExifSection::GetLongWordValue(TTiffTagID id, std::int32_t index) const {
  std::uint32_t value = 0;
  if (TryGetLongWordValue(id, index, value))
    return value;
  return TLongWordTagValue::CreateMissingOrInvalid();
}

std::uint32_t TExifSection::GetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t defaultValue) const {
  std::uint32_t value = 0;
  return TryGetLongWordValue(id, index, value) ? value : defaultValue;
}

TLongIntTagValue TExifSection::GetLongIntValue(TTiffTagID id, std::int32_t index) const {
  std::uint32_t value = 0;
  if (TryGetLongWordValue(id, index, value))
    return static_cast<std::int32_t>(value);
  return TLongIntTagValue::CreateMissingOrInvalid();
}

std::int32_t TExifSection::GetLongIntValue(TTiffTagID id, std::int32_t index, std::int32_t defaultValue) const {
  std::uint32_t value = 0;
  return TryGetLongWordValue(id, index, value) ? static_cast<std::int32_t>(value) : defaultValue;
}

TTiffLongWordFraction TExifSection::GetFractionValue(TTiffTagID id, std::int32_t index,
                                                     const TTiffLongWordFraction& defaultValue) const {
  const auto* tag = Find(id);
  return tag != nullptr ? tag->ReadFraction(index, defaultValue) : defaultValue;
}

TTiffLongIntFraction TExifSection::GetSignedFractionValue(TTiffTagID id, std::int32_t index,
                                                          const TTiffLongIntFraction& defaultValue) const {
  TTiffLongWordFraction packed;
  packed.SetPackedValue(defaultValue.PackedValue());
  packed = GetFractionValue(id, index, packed);
  TTiffLongIntFraction result;
  result.SetPackedValue(packed.PackedValue());
  return result;
}

std::string TExifSection::GetStringValue(TTiffTagID id, const std::string& defaultValue) const {
  std::string value;
  return TryGetStringValue(id, value) ? value : defaultValue;
}

std::string TExifSection::GetWindowsStringValue(TTiffTagID id, const std::string& defaultValue) const {
  std::string value;
  return TryGetWindowsStringValue(id, value) ? value : defaultValue;
}

TDateTimeTagValue TExifSection::GetDateTimeValue(TTiffTagID mainID, TTiffTagID subSecsID) const {
  std::string text;
  TDateTime value = 0;
  if (!TryGetStringValue(mainID, text) || !TryExifStringToDateTime(text, value))
    return TDateTimeTagValue::CreateMissingOrInvalid();
  if (subSecsID != 0) {
    if (const auto* details = OwnerSection(TExifSectionKind::esDetails)) {
      const auto* subSecs = details->Find(subSecsID);
      if (subSecs != nullptr && subSecs->FDataType == tdAscii && subSecs->FElementCount > 1) {
        // Sub-seconds are decimal fractions: "5" is half a second, so pad on the right.
        std::string digits = "000";
        const auto used = std::min(subSecs->FElementCount - 1, 3);
        std::memcpy(digits.data(), subSecs->DataPtr(), static_cast<std::size_t>(used));
        std::int32_t milliseconds = 0;
        if (Platform::TryStrToInt(digits, milliseconds))
          value = Platform::IncMilliSecond(value, milliseconds);
      }
    }
  }
  return value;
}

// --- Writers -------------------------------------------------------------------------

TExifTag* TExifSection::ForceSetElement(TTiffTagID id, TTiffDataType dataType, const void* value, std::int32_t index) {
  if (index < 0)
    RaiseListIndexError(index);
  const int elementSize = TiffElementSize(dataType);
  if (elementSize == 0 || index >= std::numeric_limits<std::int32_t>::max())
    throw Platform::ERangeError();
  TExifTag* tag = Find(id);
  if (tag != nullptr)
    tag->UpdateData(dataType, std::max(tag->FElementCount, index + 1), nullptr);
  else
    tag = Add(id, dataType, index + 1);
  auto* element = tag->FDataStream.Memory() + static_cast<std::ptrdiff_t>(index) * elementSize;
  if (std::memcmp(element, value, static_cast<std::size_t>(elementSize)) != 0) {
    std::memcpy(element, value, static_cast<std::size_t>(elementSize));
    tag->Changed();
  }
  return tag;
}

TExifTag* TExifSection::SetByteValue(TTiffTagID id, std::int32_t index, std::uint8_t value) {
  return ForceSetElement(id, tdByte, &value, index);
}

TExifTag* TExifSection::SetWordValue(TTiffTagID id, std::int32_t index, std::uint16_t value) {
  return ForceSetElement(id, tdWord, &value, index);
}

TExifTag* TExifSection::SetLongWordValue(TTiffTagID id, std::int32_t index, std::uint32_t value) {
  return ForceSetElement(id, tdLongWord, &value, index);
}

void TExifSection::SetFractionElement(TTiffTagID id, std::int32_t index, TTiffDataType dataType,
                                      std::uint32_t numerator, std::uint32_t denominator) {
  if (index < 0)
    RaiseListIndexError(index);
  const std::uint32_t element[2] = {numerator, denominator};
  if (numerator != 0 || denominator != 0) {
    ForceSetElement(id, dataType, element, index);
    return;
  }
  // 0/0 is "no value": trailing empties are dropped rather than stored.
  auto* tag = Find(id);
  if (tag == nullptr || index >= tag->FElementCount)
    return;
  if (index == tag->FElementCount - 1) {
    if (index == 0)
      tag->Delete();
    else
      tag->SetElementCount(index);
  } else {
    ForceSetElement(id, dataType, element, index);
  }
}

void TExifSection::SetFractionValue(TTiffTagID id, std::int32_t index, const TTiffLongWordFraction& value) {
  SetFractionElement(id, index, tdLongWordFraction, value.Numerator, value.Denominator);
}

void TExifSection::SetSignedFractionValue(TTiffTagID id, std::int32_t index, const TTiffLongIntFraction& value) {
  SetFractionElement(id, index, tdLongIntFraction, static_cast<std::uint32_t>(value.Numerator),
                     static_cast<std::uint32_t>(value.Denominator));
}

void TExifSection::SetStringValue(TTiffTagID id, std::string_view value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  if (FOwner != nullptr && FOwner->EnforceASCII() && !ContainsOnlyASCII(value))
    throw ENotOnlyASCIIError();
  const auto bytes = StringToTextZ(value);
  const auto count = CheckedDataSize(tdAscii, static_cast<std::int64_t>(bytes.size()));
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id, tdAscii, 0);
  tag->UpdateData(tdAscii, count, bytes.data());
}

void TExifSection::SetWindowsStringValue(TTiffTagID id, std::string_view value) {
  if (value.empty()) {
    Remove(id);
    return;
  }
  const auto bytes = StringToUTF16LEBytes(value);
  const auto count = CheckedDataSize(tdByte, static_cast<std::int64_t>(bytes.size()));
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id, tdByte, 0);
  tag->UpdateData(tdByte, count, bytes.data());
}

void TExifSection::SetDateTimeValue(TTiffTagID mainID, TTiffTagID subSecsID, const TDateTimeTagValue& value) {
  TExifTag* subSecs = nullptr;
  if (subSecsID != 0) {
    if (auto* details = OwnerSection(TExifSectionKind::esDetails)) {
      subSecs = details->Find(subSecsID);
      if (subSecs == nullptr && !value.MissingOrInvalid() && FOwner->AlwaysWritePreciseTimes())
        subSecs = details->Add(subSecsID, tdAscii, 4);
    }
  }
  if (value.MissingOrInvalid()) {
    Remove(mainID);
    if (subSecs != nullptr)
      subSecs->Delete();
    return;
  }
  auto& cache = DateTimeTextCache;
  if (!cache.Filled || cache.Value != value.FValue) {
    cache.DateTimeText = DateTimeToExifString(value.FValue);
    cache.SubSecText = fmt::format("{:03}", Platform::MilliSecondOf(value.FValue));
    cache.Value = value.FValue;
    cache.Filled = true;
  }
  SetStringValue(mainID, cache.DateTimeText);
  if (subSecs != nullptr) {
    subSecs->SetDataType(tdAscii);
    subSecs->SetAsString(cache.SubSecText);
  }
}

// --- Loading and the directory interface -----------------------------------------------

void TExifSection::Load(const IFoundTiffDirectory& directory, bool tiffImageSource) {
  Clear();
  FLoadErrors = directory.LoadErrors();
  const bool metadataOnly = tiffImageSource && FKind == TExifSectionKind::esGeneral;
  const auto& entries = directory.TagInfo();
  FTagList.reserve(entries.size());
  for (const auto& info : entries) {
    if (metadataOnly && !IsExifMetadataTagOfTiff(info.ID, info.DataType))
      continue;
    FTagList.push_back(std::make_unique<TExifTag>(this, directory, info));
  }
  // Stable, so that an ID a damaged file repeats keeps its file order and Find the first.
  std::stable_sort(FTagList.begin(), FTagList.end(), [](const auto& a, const auto& b) { return a->FID < b->FID; });
  FModified = false;
}

TEnumeratorPtr<ITiffDirectoryEnumerator> TExifSection::GetEnumerator() const {
  return TEnumeratorPtr<ITiffDirectoryEnumerator>(std::make_shared<TSectionTagEnumerator>(this));
}

std::int32_t TExifSection::Index() const {
  switch (FKind) {
  case TExifSectionKind::esGeneral: return 0;
  case TExifSectionKind::esDetails: return ttExifOffset;
  case TExifSectionKind::esInterop: return ttInteropOffset;
  case TExifSectionKind::esGPS: return ttGPSOffset;
  case TExifSectionKind::esThumbnail: return 1;
  default: return -1;
  }
}

std::shared_ptr<ITiffDirectory> TExifSection::Parent() const {
  TExifSection* parent = nullptr;
  switch (FKind) {
  case TExifSectionKind::esDetails:
  case TExifSectionKind::esGPS: parent = OwnerSection(TExifSectionKind::esGeneral); break;
  case TExifSectionKind::esInterop:
  case TExifSectionKind::esMakerNote: parent = OwnerSection(TExifSectionKind::esDetails); break;
  default: break;
  }
  return parent != nullptr ? NonOwningRef<ITiffDirectory>(parent) : nullptr;
}

bool TExifSection::FindTag(TTiffTagID tagID, std::shared_ptr<ITiffTag>& parsedTag) const {
  auto* tag = Find(tagID);
  parsedTag = tag != nullptr ? NonOwningRef<ITiffTag>(tag) : nullptr;
  return tag != nullptr;
}

// =====================================================================================
// TExtendableExifSection

TExifTag* TExtendableExifSection::AddOrUpdate(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount) {
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id, dataType, elementCount);
  tag->UpdateData(dataType, elementCount, nullptr);
  return tag;
}

TExifTag* TExtendableExifSection::AddOrUpdate(TTiffTagID id, TTiffDataType dataType, std::int32_t elementCount,
                                              const void* data) {
  auto* tag = Find(id);
  if (tag == nullptr)
    tag = Add(id, dataType, elementCount);
  tag->UpdateData(dataType, elementCount, data);
  return tag;
}

TExifTag* TExtendableExifSection::AddOrUpdate(TTiffTagID id, TTiffDataType dataType, Platform::IStreamPersist* source) {
  const int elementSize = TiffElementSize(dataType);
  if (elementSize == 0)
    throw Platform::ERangeError();
  Platform::TMemoryStream stream;
  if (source != nullptr)
    source->SaveToStream(stream);
  const auto size = stream.Size();
  const auto count = (size + elementSize - 1) / elementSize;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(CheckedDataSize(dataType, count)), 0);
  if (size > 0)
    std::memcpy(bytes.data(), stream.Memory(), static_cast<std::size_t>(size));
  return AddOrUpdate(id, dataType, static_cast<std::int32_t>(count), bytes.data());
}

void TExtendableExifSection::Assign(const TExifSection* source) {
  // Assigning a section to itself would clear it before copying from it.
  if (source == this)
    return;
  WithOwnerUpdate(Owner(), [this, source] {
    Clear();
    if (source != nullptr)
      CopyTags(*source);
  });
}

void TExtendableExifSection::CopyTags(const TExifSection& section) {
  if (&section == this)
    return;
  for (auto* tag : section)
    AddOrUpdate(tag->ID(), tag->DataType(), tag->ElementCount(), tag->DataPtr());
}

// =====================================================================================
// Utility routines

bool ContainsOnlyASCII(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 127; });
}

std::string ExifTextToUTF8(std::string_view bytes) {
  if (Platform::IsValidUTF8(bytes))
    return std::string(bytes);
  return Platform::Win1252ToUTF8(bytes);
}

std::string DateTimeToExifString(TDateTime value) {
  if (value == 0.0)
    return std::string(19, ' ');
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  Platform::DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  return fmt::format("{:04}:{:02}:{:02} {:02}:{:02}:{:02}", year, month, day, hour, minute, second);
}

bool TryExifStringToDateTime(std::string_view text, TDateTime& value) {
  // Characters, not bytes, are counted: convert when the text is not plain ASCII.
  std::string ascii;
  if (!ContainsOnlyASCII(text)) {
    const auto units = Platform::UTF8ToUTF16(text);
    if (units.size() != 19)
      return false;
    for (const auto unit : units)
      ascii += unit <= 127 ? static_cast<char>(unit) : '\x7F';
    text = ascii;
  }
  if (text.size() != 19 || text[4] != ':' || text[7] != ':')
    return false;
  static constexpr std::pair<std::size_t, std::size_t> fields[6] = {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}};
  std::int32_t numbers[6] = {};
  for (int i = 0; i < 6; ++i)
    if (!Platform::TryStrToInt(text.substr(fields[i].first, fields[i].second), numbers[i]))
      return false;
  return Platform::TryEncodeDateTime(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5], 0, value);
}

bool IsExifMetadataTagOfTiff(TTiffTagID id, TTiffDataType dataType) {
  switch (id) {
  case ttImageDescription:
  case ttMake:
  case ttModel:
  case ttOrientation:
  case ttXResolution:
  case ttYResolution:
  case ttResolutionUnit:
  case ttSoftware:
  case ttDateTime:
  case ttArtist:
  case ttWhitePoint:
  case ttPrimaryChromaticities:
  case ttYCbCrCoefficients:
  case ttYCbCrPositioning:
  case ttReferenceBlackWhite:
  case ttCopyright:
  case ttIPTC:
  case ttExifOffset:
  case ttGPSOffset:
  case ttPrintIM: return true;
  case ttRating:
  case ttXPTitle:
  case ttXPComment:
  case ttXPAuthor:
  case ttXPKeywords:
  case ttXPSubject:
  case ttPadding: return dataType == tdByte;
  default: return false;
  }
}

} // namespace Tessel::Exif
