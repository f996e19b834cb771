// The typed properties of the EXIF container: each reads one tag through the section
// readers and writes it through the section writers, keeping the mirroring XMP property
// in step under the container's write policy.

#include "Tessel/Exif.h"
#include "Tessel/Exif/PropertySupport.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/DateTime.h"
#include "platform/StringList.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace Tessel::Exif {

using namespace PropertySupport;
using enum TExifSectionKind;

namespace {

constexpr std::int32_t EnumTagMissing = -1;

// An enumerated field whose ordinal is the stored value.
struct TEnumField {
  TExifSectionKind Section;
  TTiffTagID ID;
  std::string_view XMPName; // in the exif schema
  std::int32_t Low, High;   // valid range
  bool Wide;                // range-tested on all 16 bits (LightSource) rather than the low byte
};

constexpr TEnumField ContrastField{esDetails, ttContrast, "Contrast", -1, 2, false};
constexpr TEnumField CustomRenderedField{esDetails, ttCustomRendered, "CustomRendered", -1, 1, false};
constexpr TEnumField ExposureModeField{esDetails, ttExposureMode, "ExposureMode", -1, 2, false};
constexpr TEnumField ExposureProgramField{esDetails, ttExposureProgram, "ExposureProgram", -1, 8, false};
constexpr TEnumField GainControlField{esDetails, ttGainControl, "GainControl", -1, 4, false};
constexpr TEnumField LightSourceField{esDetails, ttLightSource, "LightSource", -1, 255, true};
constexpr TEnumField MeteringModeField{esDetails, ttMeteringMode, "MeteringMode", -1, 6, false};
constexpr TEnumField SaturationField{esDetails, ttSaturation, "Saturation", -1, 2, false};
constexpr TEnumField SceneCaptureTypeField{esDetails, ttSceneCaptureType, "SceneCaptureType", -1, 3, false};
constexpr TEnumField SensingMethodField{esDetails, ttSensingMethod, "SensingMethod", -1, 8, false};
constexpr TEnumField SharpnessField{esDetails, ttSharpness, "Sharpness", -1, 2, false};
constexpr TEnumField SubjectDistanceRangeField{esDetails, ttSubjectDistanceRange, "SubjectDistanceRange", -1, 3, false};
constexpr TEnumField WhiteBalanceField{esDetails, ttWhiteBalance, "WhiteBalance", -1, 1, false};
constexpr TEnumField GPSDifferentialField{esGPS, ttGPSDifferential, "GPSDifferential", -1, 1, false};

[[nodiscard]] bool IsValidColorSpace(std::uint16_t value) { return value == 1 || value == 2 || value >= 0xFFFD; }

// A GPS reference stored as one letter; index = ordinal - 1.
struct TLetterField {
  TTiffTagID ID;
  std::string_view Letters;
};

constexpr TLetterField GPSStatusField{ttGPSStatus, "AV"};
constexpr TLetterField GPSMeasureModeField{ttGPSMeasureMode, "23"};
constexpr TLetterField GPSSpeedRefField{ttGPSSpeedRef, "KMN"};
constexpr TLetterField GPSTrackRefField{ttGPSTrackRef, "TM"};
constexpr TLetterField GPSImgDirectionRefField{ttGPSImgDirectionRef, "TM"};
constexpr TLetterField GPSDestBearingRefField{ttGPSDestBearingRef, "TM"};
constexpr TLetterField GPSDestDistanceRefField{ttGPSDestDistanceRef, "KMN"};

constexpr std::array<std::uint8_t, 8> UnicodeCommentHeader{'U', 'N', 'I', 'C', 'O', 'D', 'E', 0};
constexpr std::array<std::uint8_t, 8> AsciiCommentHeader{'A', 'S', 'C', 'I', 'I', 0, 0, 0};

[[nodiscard]] std::string OrdinalText(std::int32_t value) { return std::to_string(value); }

} // namespace

// The private helpers need the container's sections and packet; they are written as
// free functions over it so that the class declaration lists only the properties.
namespace {

TExifSection& Sec(const TCustomExifData& data, TExifSectionKind kind) { return SectionOf(data, kind); }

void XMPUpdate(const TCustomExifData& data, TXMPKnownNamespace schema, std::string_view name, TXMPPropertyKind kind,
               std::string_view value) {
  PacketOf(data).UpdateProperty(schema, name, kind, value);
}

void XMPRemove(const TCustomExifData& data, TXMPKnownNamespace schema, std::string_view name) {
  PacketOf(data).RemoveProperty(schema, name);
}

// Texts -------------------------------------------------------------------------------

std::string ReadString(const TCustomExifData& data, TExifSectionKind kind, TTiffTagID id) {
  return Sec(data, kind).GetStringValue(id);
}

void WriteString(const TCustomExifData& data, TExifSectionKind kind, TTiffTagID id, std::string_view value,
                 TXMPKnownNamespace schema = TXMPNamespace::xsUnknown, std::string_view xmpName = {},
                 TXMPPropertyKind xmpKind = TXMPPropertyKind::xpSimple) {
  Sec(data, kind).SetStringValue(id, value);
  if (schema != TXMPNamespace::xsUnknown)
    XMPUpdate(data, schema, xmpName, xmpKind, value);
}

// Rationals ----------------------------------------------------------------------------

TTiffLongWordFraction ReadFraction(const TCustomExifData& data, TExifSectionKind kind, TTiffTagID id,
                                   std::int32_t index = 0) {
  return Sec(data, kind).GetFractionValue(id, index);
}

TTiffLongIntFraction ReadSignedFraction(const TCustomExifData& data, TTiffTagID id) {
  return Sec(data, esDetails).GetSignedFractionValue(id, 0);
}

void WriteFraction(const TCustomExifData& data, TExifSectionKind kind, TTiffTagID id,
                   const TTiffLongWordFraction& value, std::string_view xmpName) {
  Sec(data, kind).SetFractionValue(id, 0, value);
  if (!xmpName.empty())
    XMPUpdate(data, TXMPNamespace::xsExif, xmpName, TXMPPropertyKind::xpSimple, value.AsString());
}

void WriteSignedFraction(const TCustomExifData& data, TTiffTagID id, const TTiffLongIntFraction& value,
                         std::string_view xmpName) {
  Sec(data, esDetails).SetSignedFractionValue(id, 0, value);
  XMPUpdate(data, TXMPNamespace::xsExif, xmpName, TXMPPropertyKind::xpSimple, value.AsString());
}

// Enumerations -------------------------------------------------------------------------

// The range test of the 8-bit fields looks at the low byte of the stored value only, so
// that a stored 257 passes as 1; LightSource is tested on the whole word.
std::int32_t EnumOrdinal(const TEnumField& field, std::uint16_t stored) {
  return field.Wide ? stored : (stored & 0xFF);
}

// Values are read unsigned: a stored 255 is a value, not "missing", and nothing reads
// negative. Unclamped, a value comes back exactly as stored.
std::int32_t ReadEnum(const TCustomExifData& data, const TEnumField& field) {
  std::uint16_t stored = 0;
  if (!Sec(data, field.Section).TryGetWordValue(field.ID, 0, stored))
    return EnumTagMissing;
  if (!data.EnsureEnumsInRange())
    return stored;
  const auto value = EnumOrdinal(field, stored);
  if (value < field.Low || value > field.High)
    return EnumTagMissing;
  return value;
}

void WriteEnum(const TCustomExifData& data, const TEnumField& field, std::int32_t value) {
  if (value == EnumTagMissing) {
    Sec(data, field.Section).Remove(field.ID);
    XMPRemove(data, TXMPNamespace::xsExif, field.XMPName);
    return;
  }
  Sec(data, field.Section).SetWordValue(field.ID, 0, static_cast<std::uint16_t>(value));
  PacketOf(data).UpdateProperty(TXMPNamespace::xsExif, field.XMPName, value);
}

// Whether the stored value is one the field's type can carry back unchanged; Rewrite
// leaves other values alone rather than dropping them.
bool EnumStoredInRange(const TCustomExifData& data, const TEnumField& field) {
  std::uint16_t stored = 0;
  if (!Sec(data, field.Section).TryGetWordValue(field.ID, 0, stored))
    return true;
  const auto value = EnumOrdinal(field, stored);
  return value >= field.Low && value <= field.High && (field.Wide || stored <= 0xFF);
}

// GPS reference letters ----------------------------------------------------------------

std::size_t ReadLetter(const TCustomExifData& data, const TLetterField& field) {
  std::string text;
  if (!Sec(data, esGPS).TryGetStringValue(field.ID, text) || text.empty())
    return 0;
  char c = text.front();
  if (c >= 'a' && c <= 'z')
    c = static_cast<char>(c - 'a' + 'A');
  const auto pos = field.Letters.find(c);
  return pos == std::string_view::npos ? 0 : pos + 1;
}

void WriteLetter(const TCustomExifData& data, const TLetterField& field, std::size_t ordinal) {
  const auto letter =
      ordinal >= 1 && ordinal <= field.Letters.size() ? field.Letters.substr(ordinal - 1, 1) : std::string_view();
  Sec(data, esGPS).SetStringValue(field.ID, letter);
  XMPUpdate(data, TXMPNamespace::xsExif, GPSTagXMPName(field.ID), TXMPPropertyKind::xpSimple, letter);
}

// Orientation --------------------------------------------------------------------------

TTiffOrientation ReadOrientation(const TCustomExifData& data, TExifSectionKind kind) {
  // Some cameras store it as LONG or SLONG; any integer type carries the code.
  std::uint32_t stored = 0;
  if (!Sec(data, kind).TryGetLongWordValue(ttOrientation, 0, stored))
    return TTiffOrientation::toUndefined;
  const auto value = static_cast<std::uint8_t>(stored & 0xFF);
  if (data.EnsureEnumsInRange() && value > static_cast<std::uint8_t>(TTiffOrientation::toLeftBottom))
    return TTiffOrientation::toUndefined;
  return static_cast<TTiffOrientation>(value);
}

void WriteOrientationTag(const TCustomExifData& data, TExifSectionKind kind, TTiffOrientation value) {
  if (value == TTiffOrientation::toUndefined)
    Sec(data, kind).Remove(ttOrientation);
  else
    Sec(data, kind).SetWordValue(ttOrientation, 0, static_cast<std::uint16_t>(value));
}

// One-byte UNDEFINED fields (FileSource, SceneType) --------------------------------------

std::uint8_t ReadUndefinedByte(const TCustomExifData& data, TTiffTagID id, std::uint8_t highest) {
  std::uint8_t value = 0;
  if (!Sec(data, esDetails).TryGetByteValue(id, 0, value))
    return 0;
  if (data.EnsureEnumsInRange() && value > highest)
    return 0;
  return value;
}

void WriteUndefinedByte(const TCustomExifData& data, TTiffTagID id, std::uint8_t value, std::string_view xmpName) {
  auto& section = Sec(data, esDetails);
  if (value == 0) {
    section.Remove(id);
    XMPRemove(data, TXMPNamespace::xsExif, xmpName);
    return;
  }
  if (auto* tag = section.Find(id))
    tag->UpdateData(TTiffDataType::tdUndefined, 1, &value);
  else
    section.ForceSetElement(id, TTiffDataType::tdUndefined, &value, 0);
  PacketOf(data).UpdateProperty(TXMPNamespace::xsExif, xmpName, static_cast<std::int32_t>(value));
}

// Image size -----------------------------------------------------------------------------

void WriteImageSize(const TCustomExifData& data, TTiffTagID id, const TLongWordTagValue& value,
                    std::string_view xmpName) {
  auto& section = Sec(data, esDetails);
  if (value.MissingOrInvalid()) {
    section.Remove(id);
    XMPRemove(data, TXMPNamespace::xsExif, xmpName);
    return;
  }
  const std::uint32_t number = value.Value();
  auto* tag = section.Find(id);
  if (tag != nullptr && number <= 0xFFFF && tag->DataType() == TTiffDataType::tdWord && tag->ElementCount() == 1)
    section.SetWordValue(id, 0, static_cast<std::uint16_t>(number));
  else if (tag != nullptr)
    tag->UpdateData(TTiffDataType::tdLongWord, 1, &number);
  else
    section.SetLongWordValue(id, 0, number);
  XMPUpdate(data, TXMPNamespace::xsExif, xmpName, TXMPPropertyKind::xpSimple, std::to_string(number));
}

// UserComment ------------------------------------------------------------------------------

// Whether UTF-16 bytes read as big-endian. The code says nothing of the order: writers
// take their block's, but some keep little-endian in a big-endian block. A byte-order mark
// decides; otherwise the order whose high bytes are zero more often is taken (the text is
// then mostly Latin), with the block's order on a tie.
bool UTF16IsBigEndian(std::span<const std::uint8_t> payload, TEndianness blockOrder) {
  if (payload.size() >= 2 && payload[0] == 0xFE && payload[1] == 0xFF)
    return true;
  if (payload.size() >= 2 && payload[0] == 0xFF && payload[1] == 0xFE)
    return false;
  std::size_t zeroFirst = 0;
  std::size_t zeroSecond = 0;
  for (std::size_t i = 0; i + 1 < payload.size(); i += 2) {
    zeroFirst += payload[i] == 0 && payload[i + 1] != 0 ? 1 : 0;
    zeroSecond += payload[i + 1] == 0 && payload[i] != 0 ? 1 : 0;
  }
  if (zeroFirst != zeroSecond)
    return zeroFirst > zeroSecond;
  return blockOrder == TEndianness::BigEndian;
}

std::string ReadUserComment(const TExifSection& details, TEndianness blockOrder) {
  const auto* tag = details.Find(ttUserComment);
  if (tag == nullptr || tag->ElementCount() <= 9 ||
      (tag->DataType() != TTiffDataType::tdByte && tag->DataType() != TTiffDataType::tdUndefined))
    return {};
  const auto bytes = tag->Bytes();
  const auto header = bytes.first(8);
  auto payload = bytes.subspan(8);
  if (std::equal(header.begin(), header.end(), UnicodeCommentHeader.begin())) {
    const bool bigEndian = UTF16IsBigEndian(payload, blockOrder);
    std::u16string text;
    text.reserve(payload.size() / 2);
    for (std::size_t i = 0; i + 1 < payload.size(); i += 2)
      text.push_back(bigEndian ? static_cast<char16_t>((payload[i] << 8) | payload[i + 1])
                               : static_cast<char16_t>(payload[i] | (payload[i + 1] << 8)));
    if (!text.empty() && text.front() == u'\xFEFF')
      text.erase(0, 1);
    while (!text.empty() && text.back() <= 0x20)
      text.pop_back();
    return Platform::UTF16ToUTF8(text);
  }
  if (std::equal(header.begin(), header.end(), AsciiCommentHeader.begin())) {
    while (!payload.empty() && payload.back() <= 0x20)
      payload = payload.first(payload.size() - 1);
    return ExifTextToUTF8(std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
  }
  return {};
}

// The character code and payload of a UserComment: plain ASCII under the ASCII code,
// anything else as UTF-16 in the block's byte order, which is the order the peers write
// and read.
std::vector<std::uint8_t> UserCommentBytes(std::string_view value, TEndianness blockOrder) {
  if (ContainsOnlyASCII(value)) {
    std::vector<std::uint8_t> bytes(AsciiCommentHeader.begin(), AsciiCommentHeader.end());
    bytes.insert(bytes.end(), value.begin(), value.end());
    return bytes;
  }
  const auto text = Platform::UTF8ToUTF16(value);
  std::vector<std::uint8_t> bytes(UnicodeCommentHeader.begin(), UnicodeCommentHeader.end());
  bytes.reserve(bytes.size() + text.size() * 2);
  const bool bigEndian = blockOrder == TEndianness::BigEndian;
  for (const char16_t unit : text) {
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    const auto high = static_cast<std::uint8_t>(unit >> 8);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
  return bytes;
}

void WriteUserComment(TExifSection& details, std::string_view value, TEndianness blockOrder) {
  auto* tag = details.Find(ttUserComment);
  // The editable container gives every comment its standard place; a fixed-structure
  // one can only rewrite the tag it has.
  if (tag == nullptr && !details.IsExtendable())
    return;
  const auto bytes = UserCommentBytes(value, blockOrder);
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
      (tag != nullptr && static_cast<std::int64_t>(bytes.size()) > tag->OriginalDataSize() &&
       !details.IsExtendable())) {
    // A fixed-structure section cannot hold the longer comment; an empty one is better
    // than a stale one that contradicts XPComment.
    if (tag != nullptr)
      tag->SetElementCount(0);
    return;
  }
  if (tag == nullptr)
    tag = static_cast<TExtendableExifSection&>(details).Add(ttUserComment, TTiffDataType::tdUndefined, 0);
  tag->UpdateData(TTiffDataType::tdUndefined, static_cast<std::int32_t>(bytes.size()), bytes.data());
}

// Ratings ------------------------------------------------------------------------------------

// The value of a property as text without the side effect of reading an Alt array
// (which would add an empty "x-default" item).
std::string PlainValue(TXMPProperty& property) {
  if (property.Kind() == TXMPPropertyKind::xpAltArray) {
    TXMPProperty* item = nullptr;
    return property.FindSubProperty("x-default", item) ? PlainValue(*item) : std::string();
  }
  return property.ReadValue(std::string_view());
}

// GPS date and time --------------------------------------------------------------------------

bool GPSDatePart(const TCustomExifData& data, TDateTime& date) {
  const auto text = Sec(data, esGPS).GetStringValue(ttGPSDateStamp);
  if (text.size() != 10)
    return false;
  std::int32_t year = 0, month = 0, day = 0;
  const std::string_view view(text);
  return Platform::TryStrToInt(view.substr(0, 4), year) && Platform::TryStrToInt(view.substr(5, 2), month) &&
         Platform::TryStrToInt(view.substr(8, 2), day) && Platform::TryEncodeDate(year, month, day, date);
}

bool GPSTimePart(const TCustomExifData& data, TDateTime& time) {
  std::array<std::int32_t, 3> parts{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto fraction = ReadFraction(data, esGPS, ttGPSTimeStamp, static_cast<std::int32_t>(i));
    if (fraction.Denominator == 0)
      return false;
    const auto whole = fraction.Numerator / fraction.Denominator;
    if (whole > 60)
      return false;
    parts[i] = static_cast<std::int32_t>(whole);
  }
  // 24:00:00 would be the next day; it is no time of day.
  return parts[0] < 24 && Platform::TryEncodeTime(parts[0], parts[1], parts[2], 0, time);
}

} // namespace

// ===========================================================================================
// Texts

std::string TCustomExifData::ImageDescription() const { return ReadString(*this, esGeneral, ttImageDescription); }

void TCustomExifData::SetImageDescription(std::string_view value) {
  Section(esGeneral).SetStringValue(ttImageDescription, value);
  // dc:description also mirrors XPSubject: clearing the description must not wipe a
  // subject that is still there.
  if (!value.empty() && XMPWritePolicy() == TXMPWritePolicy::xwUpdateIfExists) {
    // Readers that go by XMP alone find a description too: it is the one text whose
    // mirror is made where the packet has none yet.
    auto& packet = PacketOf(*this);
    packet.SetUpdatePolicy(TXMPWritePolicy::xwAlwaysUpdate);
    try {
      XMPUpdate(*this, TXMPNamespace::xsDublinCore, "description", TXMPPropertyKind::xpAltArray, value);
    } catch (...) {
      packet.SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
      throw;
    }
    packet.SetUpdatePolicy(TXMPWritePolicy::xwUpdateIfExists);
  } else if (!value.empty() || XMPWritePolicy() == TXMPWritePolicy::xwRemove ||
             !Section(esGeneral).TagExists(ttXPSubject, AllTiffDataTypes(), 1)) {
    XMPUpdate(*this, TXMPNamespace::xsDublinCore, "description", TXMPPropertyKind::xpAltArray, value);
  }
  MirrorDescriptionIntoIPTC(EmbeddedIPTC(), value);
}

std::string TCustomExifData::CameraMake() const { return ReadString(*this, esGeneral, ttMake); }
void TCustomExifData::SetCameraMake(std::string_view value) {
  WriteString(*this, esGeneral, ttMake, value, TXMPNamespace::xsTIFF, "Make");
}

std::string TCustomExifData::CameraModel() const { return ReadString(*this, esGeneral, ttModel); }
void TCustomExifData::SetCameraModel(std::string_view value) {
  WriteString(*this, esGeneral, ttModel, value, TXMPNamespace::xsTIFF, "Model");
}

std::string TCustomExifData::Software() const { return ReadString(*this, esGeneral, ttSoftware); }
void TCustomExifData::SetSoftware(std::string_view value) {
  WriteString(*this, esGeneral, ttSoftware, value, TXMPNamespace::xsXMPBasic, "CreatorTool");
  XMPUpdate(*this, TXMPNamespace::xsTIFF, "Software", TXMPPropertyKind::xpSimple, value);
}

std::string TCustomExifData::Copyright() const { return ReadString(*this, esGeneral, ttCopyright); }
void TCustomExifData::SetCopyright(std::string_view value) {
  WriteString(*this, esGeneral, ttCopyright, value, TXMPNamespace::xsDublinCore, "rights",
              TXMPPropertyKind::xpAltArray);
}

std::string TCustomExifData::SpectralSensitivity() const { return ReadString(*this, esDetails, ttSpectralSensitivity); }
void TCustomExifData::SetSpectralSensitivity(std::string_view value) {
  WriteString(*this, esDetails, ttSpectralSensitivity, value, TXMPNamespace::xsExif, "SpectralSensitivity");
}

std::string TCustomExifData::RelatedSoundFile() const { return ReadString(*this, esDetails, ttRelatedSoundFile); }
void TCustomExifData::SetRelatedSoundFile(std::string_view value) {
  WriteString(*this, esDetails, ttRelatedSoundFile, value, TXMPNamespace::xsExif, "RelatedSoundFile");
}

std::string TCustomExifData::ImageUniqueID() const { return ReadString(*this, esDetails, ttImageUniqueID); }
void TCustomExifData::SetImageUniqueID(std::string_view value) {
  WriteString(*this, esDetails, ttImageUniqueID, value, TXMPNamespace::xsExif, "ImageUniqueID");
}

std::string TCustomExifData::SubsecTime() const { return ReadString(*this, esDetails, ttSubsecTime); }
void TCustomExifData::SetSubsecTime(std::string_view value) { WriteString(*this, esDetails, ttSubsecTime, value); }

std::string TCustomExifData::SubsecTimeOriginal() const { return ReadString(*this, esDetails, ttSubsecTimeOriginal); }
void TCustomExifData::SetSubsecTimeOriginal(std::string_view value) {
  WriteString(*this, esDetails, ttSubsecTimeOriginal, value);
}

std::string TCustomExifData::SubsecTimeDigitized() const { return ReadString(*this, esDetails, ttSubsecTimeDigitized); }
void TCustomExifData::SetSubsecTimeDigitized(std::string_view value) {
  WriteString(*this, esDetails, ttSubsecTimeDigitized, value);
}

std::string TCustomExifData::CameraOwnerName() const { return ReadString(*this, esDetails, ttCameraOwnerName); }
void TCustomExifData::SetCameraOwnerName(std::string_view value) {
  WriteString(*this, esDetails, ttCameraOwnerName, value);
}

std::string TCustomExifData::BodySerialNumber() const { return ReadString(*this, esDetails, ttBodySerialNumber); }
void TCustomExifData::SetBodySerialNumber(std::string_view value) {
  WriteString(*this, esDetails, ttBodySerialNumber, value);
}

std::string TCustomExifData::LensMake() const { return ReadString(*this, esDetails, ttLensMake); }
void TCustomExifData::SetLensMake(std::string_view value) { WriteString(*this, esDetails, ttLensMake, value); }

std::string TCustomExifData::LensModel() const { return ReadString(*this, esDetails, ttLensModel); }
void TCustomExifData::SetLensModel(std::string_view value) { WriteString(*this, esDetails, ttLensModel, value); }

std::string TCustomExifData::LensSerialNumber() const { return ReadString(*this, esDetails, ttLensSerialNumber); }
void TCustomExifData::SetLensSerialNumber(std::string_view value) {
  WriteString(*this, esDetails, ttLensSerialNumber, value);
}

std::string TCustomExifData::InteropTypeName() const { return ReadString(*this, esInterop, ttInteropIndex); }
void TCustomExifData::SetInteropTypeName(std::string_view value) {
  WriteString(*this, esInterop, ttInteropIndex, value);
}

std::string TCustomExifData::GPSSatellites() const { return ReadString(*this, esGPS, ttGPSSatellites); }
void TCustomExifData::SetGPSSatellites(std::string_view value) {
  WriteString(*this, esGPS, ttGPSSatellites, value, TXMPNamespace::xsExif, "GPSSatellites");
}

std::string TCustomExifData::GPSMapDatum() const { return ReadString(*this, esGPS, ttGPSMapDatum); }
void TCustomExifData::SetGPSMapDatum(std::string_view value) {
  WriteString(*this, esGPS, ttGPSMapDatum, value, TXMPNamespace::xsExif, "GPSMapDatum");
}

std::string TCustomExifData::GPSDateStamp() const { return ReadString(*this, esGPS, ttGPSDateStamp); }
void TCustomExifData::SetGPSDateStamp(std::string_view value) { WriteString(*this, esGPS, ttGPSDateStamp, value); }

// Windows texts ---------------------------------------------------------------------------

std::string TCustomExifData::Title() const { return Section(esGeneral).GetWindowsStringValue(ttXPTitle); }
void TCustomExifData::SetTitle(std::string_view value) {
  Section(esGeneral).SetWindowsStringValue(ttXPTitle, value);
  XMPUpdate(*this, TXMPNamespace::xsDublinCore, "title", TXMPPropertyKind::xpAltArray, value);
}

std::string TCustomExifData::Keywords() const { return Section(esGeneral).GetWindowsStringValue(ttXPKeywords); }
void TCustomExifData::SetKeywords(std::string_view value) {
  Section(esGeneral).SetWindowsStringValue(ttXPKeywords, value);
  XMPUpdate(*this, TXMPNamespace::xsDublinCore, "subject", TXMPPropertyKind::xpBagArray, value);
  XMPUpdate(*this, TXMPNamespace::xsMicrosoftPhoto, "LastKeywordXMP", TXMPPropertyKind::xpBagArray, value);
}

std::string TCustomExifData::Subject() const { return Section(esGeneral).GetWindowsStringValue(ttXPSubject); }
void TCustomExifData::SetSubject(std::string_view value) {
  Section(esGeneral).SetWindowsStringValue(ttXPSubject, value);
  XMPUpdate(*this, TXMPNamespace::xsDublinCore, "description", TXMPPropertyKind::xpAltArray, value);
}

std::string TCustomExifData::Author() const {
  auto result = Section(esGeneral).GetWindowsStringValue(ttXPAuthor);
  if (result.empty())
    result = Section(esGeneral).GetStringValue(ttArtist);
  return result;
}

void TCustomExifData::SetAuthor(std::string_view value) {
  XMPUpdate(*this, TXMPNamespace::xsDublinCore, "creator", TXMPPropertyKind::xpSeqArray, value);
  XMPUpdate(*this, TXMPNamespace::xsTIFF, "Artist", TXMPPropertyKind::xpSimple, value);
  auto& general = Section(esGeneral);
  if (value.empty()) {
    general.Remove({ttArtist, ttXPAuthor});
    return;
  }
  if (!ContainsOnlyASCII(value)) {
    // Artist can hold only single-byte text; the UTF-16 tag keeps the name whole.
    general.Remove(ttArtist);
    general.SetWindowsStringValue(ttXPAuthor, value);
    return;
  }
  if (general.Find(ttArtist) != nullptr) {
    general.SetStringValue(ttArtist, value);
    if (general.Find(ttXPAuthor) != nullptr)
      general.SetWindowsStringValue(ttXPAuthor, value);
  } else {
    general.SetWindowsStringValue(ttXPAuthor, value);
  }
}

std::string TCustomExifData::Comments() const {
  auto result = Section(esGeneral).GetWindowsStringValue(ttXPComment);
  if (result.empty())
    result = ReadUserComment(Section(esDetails), Endianness());
  return result;
}

void TCustomExifData::SetComments(std::string_view value) {
  XMPUpdate(*this, TXMPNamespace::xsExif, "UserComment", TXMPPropertyKind::xpAltArray, value);
  if (value.empty()) {
    Section(esGeneral).Remove(ttXPComment);
    Section(esDetails).Remove(ttUserComment);
    return;
  }
  Section(esGeneral).SetWindowsStringValue(ttXPComment, value);
  WriteUserComment(Section(esDetails), value, Endianness());
}

// ===========================================================================================
// Rationals

#define TESSEL_FRACTION_PROPERTY(Name, Kind, ID, XMPName)                                                              \
  TTiffLongWordFraction TCustomExifData::Name() const { return ReadFraction(*this, Kind, ID); }                        \
  void TCustomExifData::Set##Name(const TTiffLongWordFraction& value) {                                                \
    WriteFraction(*this, Kind, ID, value, XMPName);                                                                    \
  }

#define TESSEL_SIGNED_FRACTION_PROPERTY(Name, ID)                                                                      \
  TTiffLongIntFraction TCustomExifData::Name() const { return ReadSignedFraction(*this, ID); }                         \
  void TCustomExifData::Set##Name(const TTiffLongIntFraction& value) { WriteSignedFraction(*this, ID, value, #Name); }

TESSEL_FRACTION_PROPERTY(ExposureTime, esDetails, ttExposureTime, "ExposureTime")
TESSEL_FRACTION_PROPERTY(FNumber, esDetails, ttFNumber, "FNumber")
TESSEL_FRACTION_PROPERTY(CompressedBitsPerPixel, esDetails, ttCompressedBitsPerPixel, "CompressedBitsPerPixel")
TESSEL_SIGNED_FRACTION_PROPERTY(ShutterSpeedValue, ttShutterSpeedValue)
TESSEL_FRACTION_PROPERTY(ApertureValue, esDetails, ttApertureValue, "ApertureValue")
TESSEL_SIGNED_FRACTION_PROPERTY(BrightnessValue, ttBrightnessValue)
TESSEL_SIGNED_FRACTION_PROPERTY(ExposureBiasValue, ttExposureBiasValue)
TESSEL_FRACTION_PROPERTY(MaxApertureValue, esDetails, ttMaxApertureValue, "MaxApertureValue")
TESSEL_FRACTION_PROPERTY(SubjectDistance, esDetails, ttSubjectDistance, "SubjectDistance")
TESSEL_FRACTION_PROPERTY(FocalLength, esDetails, ttFocalLength, "")
TESSEL_FRACTION_PROPERTY(ExposureIndex, esDetails, ttExposureIndex, "")
TESSEL_FRACTION_PROPERTY(DigitalZoomRatio, esDetails, ttDigitalZoomRatio, "DigitalZoomRatio")
TESSEL_FRACTION_PROPERTY(GPSAltitude, esGPS, ttGPSAltitude, GPSTagXMPName(ttGPSAltitude))
TESSEL_FRACTION_PROPERTY(GPSDOP, esGPS, ttGPSDOP, GPSTagXMPName(ttGPSDOP))
TESSEL_FRACTION_PROPERTY(GPSSpeed, esGPS, ttGPSSpeed, GPSTagXMPName(ttGPSSpeed))
TESSEL_FRACTION_PROPERTY(GPSTrack, esGPS, ttGPSTrack, GPSTagXMPName(ttGPSTrack))
TESSEL_FRACTION_PROPERTY(GPSImgDirection, esGPS, ttGPSImgDirection, GPSTagXMPName(ttGPSImgDirection))
TESSEL_FRACTION_PROPERTY(GPSDestBearing, esGPS, ttGPSDestBearing, GPSTagXMPName(ttGPSDestBearing))
TESSEL_FRACTION_PROPERTY(GPSDestDistance, esGPS, ttGPSDestDistance, GPSTagXMPName(ttGPSDestDistance))

#undef TESSEL_FRACTION_PROPERTY
#undef TESSEL_SIGNED_FRACTION_PROPERTY

namespace {
void WriteGPSTimeStampElement(TCustomExifData& data, std::int32_t index, const TTiffLongWordFraction& value) {
  Sec(data, esGPS).SetFractionValue(ttGPSTimeStamp, index, value);
  // The XMP time stamp combines date and time; only GPSDateTimeUTC can rebuild it.
  if (!data.Updating())
    XMPRemove(data, TXMPNamespace::xsExif, "GPSTimeStamp");
}
} // namespace

TTiffLongWordFraction TCustomExifData::GPSTimeStampHour() const {
  return ReadFraction(*this, esGPS, ttGPSTimeStamp, 0);
}
void TCustomExifData::SetGPSTimeStampHour(const TTiffLongWordFraction& value) {
  WriteGPSTimeStampElement(*this, 0, value);
}
TTiffLongWordFraction TCustomExifData::GPSTimeStampMinute() const {
  return ReadFraction(*this, esGPS, ttGPSTimeStamp, 1);
}
void TCustomExifData::SetGPSTimeStampMinute(const TTiffLongWordFraction& value) {
  WriteGPSTimeStampElement(*this, 1, value);
}
TTiffLongWordFraction TCustomExifData::GPSTimeStampSecond() const {
  return ReadFraction(*this, esGPS, ttGPSTimeStamp, 2);
}
void TCustomExifData::SetGPSTimeStampSecond(const TTiffLongWordFraction& value) {
  WriteGPSTimeStampElement(*this, 2, value);
}

// ===========================================================================================
// Date-times

TDateTimeTagValue TCustomExifData::DateTime() const {
  return Section(esGeneral).GetDateTimeValue(ttDateTime, ttSubsecTime);
}
void TCustomExifData::SetDateTime(const TDateTimeTagValue& value) {
  Section(esGeneral).SetDateTimeValue(ttDateTime, ttSubsecTime, value);
  XMPPacket().UpdateDateTimeProperty(TXMPNamespace::xsTIFF, "DateTime", value);
}

TDateTimeTagValue TCustomExifData::DateTimeOriginal() const {
  return Section(esDetails).GetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal);
}
void TCustomExifData::SetDateTimeOriginal(const TDateTimeTagValue& value) {
  Section(esDetails).SetDateTimeValue(ttDateTimeOriginal, ttSubsecTimeOriginal, value);
  XMPPacket().UpdateDateTimeProperty(TXMPNamespace::xsExif, "DateTimeOriginal", value);
}

TDateTimeTagValue TCustomExifData::DateTimeDigitized() const {
  return Section(esDetails).GetDateTimeValue(ttDateTimeDigitized, ttSubsecTimeDigitized);
}
void TCustomExifData::SetDateTimeDigitized(const TDateTimeTagValue& value) {
  Section(esDetails).SetDateTimeValue(ttDateTimeDigitized, ttSubsecTimeDigitized, value);
  XMPPacket().UpdateDateTimeProperty(TXMPNamespace::xsExif, "DateTimeDigitized", value);
}

TDateTimeTagValue TCustomExifData::GPSDateTimeUTC() const {
  TDateTime date = 0;
  const bool hasDate = GPSDatePart(*this, date);
  TDateTime time = 0;
  if (!GPSTimePart(*this, time))
    return hasDate ? TDateTimeTagValue(date) : TDateTimeTagValue();
  if (!hasDate) {
    auto fallback = DateTime();
    if (fallback.MissingOrInvalid())
      fallback = DateTimeOriginal();
    if (fallback.MissingOrInvalid())
      return {};
    date = Platform::DateOf(fallback.Value());
  }
  // Before 1899-12-30 the day number is negative while its time still counts forward.
  return TDateTimeTagValue(date < 0 ? date - time : date + time);
}

void TCustomExifData::SetGPSDateTimeUTC(const TDateTimeTagValue& value) {
  InUpdate(*this, [&] {
    auto& gps = Section(esGPS);
    if (value.MissingOrInvalid()) {
      gps.Remove({ttGPSDateStamp, ttGPSTimeStamp});
      XMPRemove(*this, TXMPNamespace::xsExif, "GPSTimeStamp");
      return;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    Platform::DecodeDateTime(value.Value(), year, month, day, hour, minute, second, msec);
    gps.SetStringValue(ttGPSDateStamp, fmt::format("{:04}:{:02}:{:02}", year, month, day));
    gps.SetFractionValue(ttGPSTimeStamp, 0, {static_cast<std::uint32_t>(hour), 1});
    gps.SetFractionValue(ttGPSTimeStamp, 1, {static_cast<std::uint32_t>(minute), 1});
    gps.SetFractionValue(ttGPSTimeStamp, 2, {static_cast<std::uint32_t>(second), 1});
    // The value is UTC: it is marked so rather than given the local zone's offset.
    const auto text = Platform::FormatDateTime("yyyy'-'mm'-'dd'T'hh':'nn':'ss'.'zzz", value.Value()) + "Z";
    XMPUpdate(*this, TXMPNamespace::xsExif, "GPSTimeStamp", TXMPPropertyKind::xpSimple, text);
  });
}

// ===========================================================================================
// Other fields

TTiffOrientation TCustomExifData::Orientation() const { return ReadOrientation(*this, esGeneral); }
void TCustomExifData::SetOrientation(TTiffOrientation value) {
  WriteOrientationTag(*this, esGeneral, value);
  XMPUpdate(*this, TXMPNamespace::xsTIFF, "Orientation", TXMPPropertyKind::xpSimple,
            value == TTiffOrientation::toUndefined ? std::string() : OrdinalText(static_cast<std::int32_t>(value)));
}

TTiffOrientation TCustomExifData::ThumbnailOrientation() const { return ReadOrientation(*this, esThumbnail); }
void TCustomExifData::SetThumbnailOrientation(TTiffOrientation value) {
  WriteOrientationTag(*this, esThumbnail, value);
}

TLongWordTagValue TCustomExifData::ExifImageWidth() const {
  return Section(esDetails).GetLongWordValue(ttExifImageWidth, 0);
}
void TCustomExifData::SetExifImageWidth(const TLongWordTagValue& value) {
  WriteImageSize(*this, ttExifImageWidth, value, "PixelXDimension");
}

TLongWordTagValue TCustomExifData::ExifImageHeight() const {
  return Section(esDetails).GetLongWordValue(ttExifImageHeight, 0);
}
void TCustomExifData::SetExifImageHeight(const TLongWordTagValue& value) {
  WriteImageSize(*this, ttExifImageHeight, value, "PixelYDimension");
}

TWordTagValue TCustomExifData::FocalLengthIn35mmFilm() const {
  const auto stored = Section(esDetails).GetWordValue(ttFocalLengthIn35mmFilm, 0);
  if (!stored.MissingOrInvalid())
    return stored;
  // Estimated from the sensor size: the focal length scaled by the ratio of the 35 mm
  // frame's diagonal (36 x 24 mm) to the sensor's.
  const auto focalLength = FocalLength();
  const auto width = ExifImageWidth();
  const auto height = ExifImageHeight();
  if (focalLength.Denominator == 0 || width.MissingOrInvalid() || height.MissingOrInvalid() || width.Value() == 0 ||
      height.Value() == 0)
    return {};
  const auto& plane = FocalPlaneResolution();
  double unitMM = 0;
  switch (plane.Units()) {
  case TTiffResolutionUnit::trInch: unitMM = 25.4; break;
  case TTiffResolutionUnit::trCentimetre: unitMM = 10; break;
  default: return {};
  }
  const double xResolution = plane.X().Quotient();
  const double yResolution = plane.Y().Quotient();
  if (xResolution == 0 || yResolution == 0)
    return {};
  const double sensorWidth = unitMM * width.Value() / xResolution;
  const double sensorHeight = unitMM * height.Value() / yResolution;
  const double diagonal = std::sqrt(sensorWidth * sensorWidth + sensorHeight * sensorHeight);
  if (!(diagonal > 0))
    return {};
  const double result = std::trunc(focalLength.Quotient() * std::sqrt(1872.0) / diagonal);
  if (!(result >= 0 && result <= 65535))
    return {};
  return TWordTagValue(static_cast<std::uint16_t>(result));
}

void TCustomExifData::SetFocalLengthIn35mmFilm(const TWordTagValue& value) {
  if (value.MissingOrInvalid()) {
    Section(esDetails).Remove(ttFocalLengthIn35mmFilm);
    XMPRemove(*this, TXMPNamespace::xsExif, "FocalLengthIn35mmFilm");
    return;
  }
  Section(esDetails).SetWordValue(ttFocalLengthIn35mmFilm, 0, value.Value());
  XMPPacket().UpdateProperty(TXMPNamespace::xsExif, "FocalLengthIn35mmFilm", static_cast<std::int32_t>(value.Value()));
}

TLongIntTagValue TCustomExifData::OffsetSchema() const { return Section(esDetails).GetLongIntValue(ttOffsetSchema, 0); }
void TCustomExifData::SetOffsetSchema(const TLongIntTagValue& value) {
  auto& details = Section(esDetails);
  if (value.MissingOrInvalid()) {
    details.Remove(ttOffsetSchema);
    return;
  }
  const std::int32_t number = value.Value();
  if (auto* tag = details.Find(ttOffsetSchema))
    tag->UpdateData(TTiffDataType::tdLongInt, 1, &number);
  else
    details.ForceSetElement(ttOffsetSchema, TTiffDataType::tdLongInt, &number, 0);
}

TExifFileSource TCustomExifData::FileSource() const {
  return static_cast<TExifFileSource>(
      ReadUndefinedByte(*this, ttFileSource, static_cast<std::uint8_t>(TExifFileSource::fsDigitalCamera)));
}
void TCustomExifData::SetFileSource(TExifFileSource value) {
  WriteUndefinedByte(*this, ttFileSource, static_cast<std::uint8_t>(value), "FileSource");
}

TExifSceneType TCustomExifData::SceneType() const {
  return static_cast<TExifSceneType>(
      ReadUndefinedByte(*this, ttSceneType, static_cast<std::uint8_t>(TExifSceneType::esDirectlyPhotographed)));
}
void TCustomExifData::SetSceneType(TExifSceneType value) {
  WriteUndefinedByte(*this, ttSceneType, static_cast<std::uint8_t>(value), "SceneType");
}

TSmallPoint TCustomExifData::SubjectLocation() const {
  const auto* tag = Section(esDetails).Find(ttSubjectLocation);
  if (tag == nullptr || tag->ElementCount() < 2 ||
      !TiffDataTypeIn(tag->DataType(), {TTiffDataType::tdWord, TTiffDataType::tdSmallInt}))
    return {};
  return {static_cast<std::int16_t>(tag->ReadWord(0, 0)), static_cast<std::int16_t>(tag->ReadWord(1, 0))};
}

void TCustomExifData::SetSubjectLocation(const TSmallPoint& value) {
  auto& details = Section(esDetails);
  if (value == TSmallPoint{}) {
    details.Remove(ttSubjectLocation);
    XMPRemove(*this, TXMPNamespace::xsExif, "SubjectLocation");
    return;
  }
  const std::array<std::uint16_t, 2> data{static_cast<std::uint16_t>(value.X), static_cast<std::uint16_t>(value.Y)};
  auto* tag = FindOrAddTag(details, ttSubjectLocation, TTiffDataType::tdWord, 2);
  tag->UpdateData(TTiffDataType::tdWord, 2, data.data());
  XMPPacket().UpdateSeqProperty(TXMPNamespace::xsExif, "SubjectLocation",
                                {std::to_string(value.X), std::to_string(value.Y)});
}

TWindowsStarRating TCustomExifData::UserRating() const {
  constexpr auto highest = static_cast<std::int32_t>(TWindowsStarRating::urFiveStars);
  std::uint16_t stored = 0;
  if (Section(esGeneral).TryGetWordValue(ttRating, 0, stored)) {
    const auto value = static_cast<std::uint8_t>(stored & 0xFF);
    if (EnsureEnumsInRange() && value > highest)
      return TWindowsStarRating::urUndefined;
    return static_cast<TWindowsStarRating>(value);
  }
  // Looked up without adding: reading must not leave an empty Rating in the packet.
  TXMPSchema* schema = nullptr;
  TXMPProperty* property = nullptr;
  auto& packet = XMPPacket();
  try {
    if (!packet.FindSchema(TXMPNamespace::xsXMPBasic, schema) || !schema->FindProperty("Rating", property))
      return TWindowsStarRating::urUndefined;
  } catch (const EInvalidXMPPacket&) {
    // The file's packet is damaged (parsed here for the first time); a read answers
    // "no rating" rather than failing.
    return TWindowsStarRating::urUndefined;
  }
  std::int32_t value = 0;
  if (!Platform::TryStrToInt(PlainValue(*property), value))
    return TWindowsStarRating::urUndefined;
  if (EnsureEnumsInRange() && (value < 0 || value > highest))
    return TWindowsStarRating::urUndefined;
  return static_cast<TWindowsStarRating>(static_cast<std::uint8_t>(value));
}

void TCustomExifData::SetUserRating(TWindowsStarRating value) {
  static constexpr std::array<std::string_view, 6> microsoftTexts{"", "1", "25", "50", "75", "99"};
  const auto ordinal = static_cast<std::size_t>(value);
  if (value == TWindowsStarRating::urUndefined)
    Section(esGeneral).Remove(ttRating);
  else
    Section(esGeneral).SetWordValue(ttRating, 0, static_cast<std::uint16_t>(ordinal));
  const std::string xmpText = ordinal == 0 ? std::string() : std::to_string(ordinal);
  const std::string_view microsoftText = ordinal < microsoftTexts.size() ? microsoftTexts[ordinal] : "";
  XMPUpdate(*this, TXMPNamespace::xsMicrosoftPhoto, "Rating", TXMPPropertyKind::xpSimple, microsoftText);
  XMPUpdate(*this, TXMPNamespace::xsXMPBasic, "Rating", TXMPPropertyKind::xpSimple, xmpText);
}

// GPS references -------------------------------------------------------------------------

TGPSAltitudeRef TCustomExifData::GPSAltitudeRef() const {
  std::uint8_t stored = 0;
  if (!Section(esGPS).TryGetByteValue(ttGPSAltitudeRef, 0, stored))
    return TGPSAltitudeRef::alTagMissing;
  // The tag numbers from 0 (above sea level); the enumeration keeps 0 for "missing".
  if (stored > 1 && EnsureEnumsInRange())
    return TGPSAltitudeRef::alTagMissing;
  return static_cast<TGPSAltitudeRef>(static_cast<std::uint8_t>(stored + 1));
}

void TCustomExifData::SetGPSAltitudeRef(TGPSAltitudeRef value) {
  if (value == TGPSAltitudeRef::alTagMissing) {
    Section(esGPS).Remove(ttGPSAltitudeRef);
    XMPRemove(*this, TXMPNamespace::xsExif, "GPSAltitudeRef");
    return;
  }
  const auto stored = static_cast<std::uint8_t>(static_cast<std::uint8_t>(value) - 1);
  Section(esGPS).SetByteValue(ttGPSAltitudeRef, 0, stored);
  XMPPacket().UpdateProperty(TXMPNamespace::xsExif, "GPSAltitudeRef", static_cast<std::int32_t>(stored));
}

#define TESSEL_LETTER_PROPERTY(Name, Type, Field)                                                                      \
  Type TCustomExifData::Name() const { return static_cast<Type>(ReadLetter(*this, Field)); }                           \
  void TCustomExifData::Set##Name(Type value) { WriteLetter(*this, Field, static_cast<std::size_t>(value)); }

TESSEL_LETTER_PROPERTY(GPSStatus, TGPSStatus, GPSStatusField)
TESSEL_LETTER_PROPERTY(GPSMeasureMode, TGPSMeasureMode, GPSMeasureModeField)
TESSEL_LETTER_PROPERTY(GPSSpeedRef, TGPSSpeedRef, GPSSpeedRefField)
TESSEL_LETTER_PROPERTY(GPSTrackRef, TGPSDirectionRef, GPSTrackRefField)
TESSEL_LETTER_PROPERTY(GPSImgDirectionRef, TGPSDirectionRef, GPSImgDirectionRefField)
TESSEL_LETTER_PROPERTY(GPSDestBearingRef, TGPSDirectionRef, GPSDestBearingRefField)
TESSEL_LETTER_PROPERTY(GPSDestDistanceRef, TGPSDistanceRef, GPSDestDistanceRefField)

#undef TESSEL_LETTER_PROPERTY

// Enumerated fields ----------------------------------------------------------------------

TExifColorSpace TCustomExifData::ColorSpace() const {
  std::uint16_t stored = 0;
  if (!Section(esDetails).TryGetWordValue(ttColorSpace, 0, stored))
    return TExifColorSpace::csTagMissing;
  if (EnsureEnumsInRange() && !IsValidColorSpace(stored))
    return TExifColorSpace::csTagMissing;
  return static_cast<TExifColorSpace>(stored);
}

void TCustomExifData::SetColorSpace(TExifColorSpace value) {
  if (value == TExifColorSpace::csTagMissing) {
    Section(esDetails).Remove(ttColorSpace);
    XMPRemove(*this, TXMPNamespace::xsExif, "ColorSpace");
    return;
  }
  Section(esDetails).SetWordValue(ttColorSpace, 0, static_cast<std::uint16_t>(value));
  XMPPacket().UpdateProperty(TXMPNamespace::xsExif, "ColorSpace", static_cast<std::int32_t>(value));
}

#define TESSEL_ENUM_PROPERTY(Name, Type)                                                                               \
  Type TCustomExifData::Name() const { return static_cast<Type>(ReadEnum(*this, Name##Field)); }                       \
  void TCustomExifData::Set##Name(Type value) { WriteEnum(*this, Name##Field, static_cast<std::int32_t>(value)); }

TESSEL_ENUM_PROPERTY(Contrast, TExifContrast)
TESSEL_ENUM_PROPERTY(CustomRendered, TExifCustomRendered)
TESSEL_ENUM_PROPERTY(ExposureMode, TExifExposureMode)
TESSEL_ENUM_PROPERTY(ExposureProgram, TExifExposureProgram)
TESSEL_ENUM_PROPERTY(GainControl, TExifGainControl)
TESSEL_ENUM_PROPERTY(LightSource, TExifLightSource)
TESSEL_ENUM_PROPERTY(MeteringMode, TExifMeteringMode)
TESSEL_ENUM_PROPERTY(Saturation, TExifSaturation)
TESSEL_ENUM_PROPERTY(SceneCaptureType, TExifSceneCaptureType)
TESSEL_ENUM_PROPERTY(SensingMethod, TExifSensingMethod)
TESSEL_ENUM_PROPERTY(Sharpness, TExifSharpness)
TESSEL_ENUM_PROPERTY(SubjectDistanceRange, TExifSubjectDistanceRange)
TESSEL_ENUM_PROPERTY(GPSDifferential, TGPSDifferential)

#undef TESSEL_ENUM_PROPERTY

TExifWhiteBalance TCustomExifData::WhiteBalance() const {
  return static_cast<TExifWhiteBalance>(ReadEnum(*this, WhiteBalanceField));
}

// Value objects ----------------------------------------------------------------------------

void TCustomExifData::SetExifVersion(const TCustomExifVersion* value) { FExifVersion->Assign(value); }
void TCustomExifData::SetFlashPixVersion(const TCustomExifVersion* value) { FFlashPixVersion->Assign(value); }
void TCustomExifData::SetGPSVersion(const TCustomExifVersion* value) { FGPSVersion->Assign(value); }
void TCustomExifData::SetInteropVersion(const TCustomExifVersion* value) { FInteropVersion->Assign(value); }
void TCustomExifData::SetFlash(const TExifFlashInfo* value) { FFlash->Assign(value); }
void TCustomExifData::SetResolution(const TCustomExifResolution* value) { FResolution->Assign(value); }
void TCustomExifData::SetFocalPlaneResolution(const TCustomExifResolution* value) {
  FFocalPlaneResolution->Assign(value);
}
void TCustomExifData::SetThumbnailResolution(const TCustomExifResolution* value) {
  FThumbnailResolution->Assign(value);
}
void TCustomExifData::SetISOSpeedRatings(const TISOSpeedRatings* value) { FISOSpeedRatings->Assign(value); }
void TCustomExifData::SetGPSLatitude(const TGPSLatitude* value) { FGPSLatitude->Assign(value); }
void TCustomExifData::SetGPSLongitude(const TGPSLongitude* value) { FGPSLongitude->Assign(value); }
void TCustomExifData::SetGPSDestLatitude(const TGPSLatitude* value) { FGPSDestLatitude->Assign(value); }
void TCustomExifData::SetGPSDestLongitude(const TGPSLongitude* value) { FGPSDestLongitude->Assign(value); }

// ===========================================================================================
// Operations

void TCustomExifData::GetKeywords(Platform::TStringList& dest) const {
  dest.Clear();
  const auto text = Keywords();
  std::string_view rest(text);
  for (;;) {
    const auto pos = rest.find(';');
    dest.Add(rest.substr(0, pos));
    if (pos == std::string_view::npos)
      break;
    rest.remove_prefix(pos + 1);
  }
}

void TCustomExifData::SetKeywords(std::span<const std::string> newWords) {
  std::string text;
  for (std::size_t i = 0; i < newWords.size(); ++i) {
    if (i > 0)
      text += ';';
    text += newWords[i];
  }
  SetKeywords(std::string_view(text));
}

void TCustomExifData::SetKeywords(const Platform::TStringList& newWords) {
  const std::vector<std::string> words(newWords.begin(), newWords.end());
  SetKeywords(std::span<const std::string>(words));
}

void TCustomExifData::SetAllDateTimeValues(const TDateTimeTagValue& value) {
  InUpdate(*this, [&] {
    SetDateTime(value);
    SetDateTimeOriginal(value);
    SetDateTimeDigitized(value);
  });
}

double TCustomExifData::ShutterSpeedInMSecs() const {
  const auto value = ShutterSpeedValue();
  if (value.Denominator == 0)
    return 0;
  return 1000.0 / std::exp2(value.Quotient());
}

void TCustomExifData::Rewrite() {
  // Fields whose stored value the typed property cannot carry (an enumeration value
  // outside its range, a GPS time without its date) are left as they are: rewriting
  // them would drop or invent data.
  const auto rewriteEnum = [this](const TEnumField& field, auto getter, auto setter) {
    if (EnumStoredInRange(*this, field))
      (this->*setter)((this->*getter)());
  };
  // Texts are written back as they were read; a non-ASCII byte already in an ASCII tag
  // is no new violation and must not stop the rewrite halfway.
  struct TEnforceASCIIOff {
    TCustomExifData& Data;
    bool Saved;
    explicit TEnforceASCIIOff(TCustomExifData& data) : Data(data), Saved(data.EnforceASCII()) {
      data.SetEnforceASCII(false);
    }
    ~TEnforceASCIIOff() { Data.SetEnforceASCII(Saved); }
    TEnforceASCIIOff(const TEnforceASCIIOff&) = delete;
    TEnforceASCIIOff& operator=(const TEnforceASCIIOff&) = delete;
  } enforceASCIIOff(*this);
  InUpdate(*this, [&] {
    SetCameraMake(CameraMake());
    SetCameraModel(CameraModel());
    SetCopyright(Copyright());
    SetDateTime(DateTime());
    SetImageDescription(ImageDescription());
    {
      std::uint16_t stored = 0;
      if (!Section(esGeneral).TryGetWordValue(ttOrientation, 0, stored) || (stored & 0xFF) <= 8)
        SetOrientation(Orientation());
    }
    SetResolution(&Resolution());
    SetSoftware(Software());
    SetAuthor(Author());
    SetComments(Comments());
    SetKeywords(std::string_view(Keywords()));
    SetSubject(Subject());
    SetTitle(Title());
    {
      std::uint16_t stored = 0;
      if (!Section(esGeneral).TryGetWordValue(ttRating, 0, stored) || stored <= 5)
        SetUserRating(UserRating());
    }
    SetApertureValue(ApertureValue());
    SetBrightnessValue(BrightnessValue());
    {
      std::uint16_t stored = 0;
      if (!Section(esDetails).TryGetWordValue(ttColorSpace, 0, stored) || IsValidColorSpace(stored))
        SetColorSpace(ColorSpace());
    }
    rewriteEnum(ContrastField, &TCustomExifData::Contrast, &TCustomExifData::SetContrast);
    SetCompressedBitsPerPixel(CompressedBitsPerPixel());
    SetDateTimeOriginal(DateTimeOriginal());
    SetDateTimeDigitized(DateTimeDigitized());
    SetDigitalZoomRatio(DigitalZoomRatio());
    SetExifVersion(&ExifVersion());
    SetExifImageWidth(ExifImageWidth());
    SetExifImageHeight(ExifImageHeight());
    SetExposureBiasValue(ExposureBiasValue());
    SetExposureIndex(ExposureIndex());
    rewriteEnum(ExposureModeField, &TCustomExifData::ExposureMode, &TCustomExifData::SetExposureMode);
    rewriteEnum(ExposureProgramField, &TCustomExifData::ExposureProgram, &TCustomExifData::SetExposureProgram);
    SetExposureTime(ExposureTime());
    {
      std::uint8_t stored = 0;
      if (!Section(esDetails).TryGetByteValue(ttFileSource, 0, stored) || stored <= 3)
        SetFileSource(FileSource());
    }
    SetFlash(&Flash());
    SetFlashPixVersion(&FlashPixVersion());
    SetFNumber(FNumber());
    SetFocalLength(FocalLength());
    SetFocalLengthIn35mmFilm(FocalLengthIn35mmFilm());
    SetFocalPlaneResolution(&FocalPlaneResolution());
    rewriteEnum(GainControlField, &TCustomExifData::GainControl, &TCustomExifData::SetGainControl);
    SetImageUniqueID(ImageUniqueID());
    SetISOSpeedRatings(&ISOSpeedRatings());
    rewriteEnum(LightSourceField, &TCustomExifData::LightSource, &TCustomExifData::SetLightSource);
    SetMaxApertureValue(MaxApertureValue());
    rewriteEnum(MeteringModeField, &TCustomExifData::MeteringMode, &TCustomExifData::SetMeteringMode);
    SetRelatedSoundFile(RelatedSoundFile());
    rewriteEnum(CustomRenderedField, &TCustomExifData::CustomRendered, &TCustomExifData::SetCustomRendered);
    rewriteEnum(SaturationField, &TCustomExifData::Saturation, &TCustomExifData::SetSaturation);
    rewriteEnum(SceneCaptureTypeField, &TCustomExifData::SceneCaptureType, &TCustomExifData::SetSceneCaptureType);
    {
      std::uint8_t stored = 0;
      if (!Section(esDetails).TryGetByteValue(ttSceneType, 0, stored) || stored <= 1)
        SetSceneType(SceneType());
    }
    rewriteEnum(SensingMethodField, &TCustomExifData::SensingMethod, &TCustomExifData::SetSensingMethod);
    rewriteEnum(SharpnessField, &TCustomExifData::Sharpness, &TCustomExifData::SetSharpness);
    SetShutterSpeedValue(ShutterSpeedValue());
    SetSpectralSensitivity(SpectralSensitivity());
    SetSubjectDistance(SubjectDistance());
    rewriteEnum(SubjectDistanceRangeField, &TCustomExifData::SubjectDistanceRange,
                &TCustomExifData::SetSubjectDistanceRange);
    SetSubjectLocation(SubjectLocation());
    SetGPSVersion(&GPSVersion());
    SetGPSLatitude(&GPSLatitude());
    SetGPSLongitude(&GPSLongitude());
    {
      std::uint8_t stored = 0;
      if (!Section(esGPS).TryGetByteValue(ttGPSAltitudeRef, 0, stored) || stored <= 1)
        SetGPSAltitudeRef(GPSAltitudeRef());
    }
    SetGPSAltitude(GPSAltitude());
    SetGPSSatellites(GPSSatellites());
    SetGPSStatus(GPSStatus());
    SetGPSMeasureMode(GPSMeasureMode());
    SetGPSDOP(GPSDOP());
    SetGPSSpeedRef(GPSSpeedRef());
    SetGPSSpeed(GPSSpeed());
    SetGPSTrackRef(GPSTrackRef());
    SetGPSTrack(GPSTrack());
    SetGPSImgDirectionRef(GPSImgDirectionRef());
    SetGPSImgDirection(GPSImgDirection());
    SetGPSMapDatum(GPSMapDatum());
    SetGPSDestLatitude(&GPSDestLatitude());
    SetGPSDestLongitude(&GPSDestLongitude());
    SetGPSDestBearingRef(GPSDestBearingRef());
    SetGPSDestBearing(GPSDestBearing());
    SetGPSDestDistanceRef(GPSDestDistanceRef());
    SetGPSDestDistance(GPSDestDistance());
    rewriteEnum(GPSDifferentialField, &TCustomExifData::GPSDifferential, &TCustomExifData::SetGPSDifferential);
    {
      // Only a value that comes whole from the GPS tags is written back; one completed
      // from the camera's local date, or a date without its time, would change them.
      TDateTime date = 0, time = 0;
      const bool hasDate = GPSDatePart(*this, date);
      const bool hasTime = GPSTimePart(*this, time);
      const bool anyTag =
          Section(esGPS).Find(ttGPSDateStamp) != nullptr || Section(esGPS).Find(ttGPSTimeStamp) != nullptr;
      if ((hasDate && hasTime) || !anyTag)
        SetGPSDateTimeUTC(GPSDateTimeUTC());
    }
    SetThumbnailOrientation(ThumbnailOrientation());
    SetThumbnailResolution(&ThumbnailResolution());
  });
}

// ===========================================================================================
// The description's IPTC mirror

bool MirrorDescriptionIntoIPTC(TIPTCData& data, std::string_view description) {
  if (data.Empty())
    return false;
  if (!data.UTF8Encoded())
    data.SetUTF8Encoded(true);
  auto text = Platform::DecodeUTF8Lossy(description);
  if (text.size() > IPTCCaptionMaxBytes) {
    std::size_t cut = IPTCCaptionMaxBytes;
    // Back to the lead byte of the character the limit falls into.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
      --cut;
    text.resize(cut);
  }
  data.SetCaptionOrAbstract(text);
  return true;
}

} // namespace Tessel::Exif
