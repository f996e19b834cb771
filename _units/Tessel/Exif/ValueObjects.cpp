// The value objects behind the container's structured EXIF fields: flash, versions,
// resolutions, ISO speed ratings and GPS coordinates. They read and write the tags of
// their container's sections and keep the XMP packet in step.

#include "Tessel/Exif.h"
#include "Tessel/Exif/PropertySupport.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <array>
#include <typeinfo>
#include <vector>

namespace Tessel::Exif {

using namespace PropertySupport;

namespace {

constexpr TTiffDataTypes ShortTypes{TTiffDataType::tdWord, TTiffDataType::tdSmallInt};
constexpr TTiffDataTypes RationalTypes{TTiffDataType::tdLongWordFraction, TTiffDataType::tdLongIntFraction};

[[noreturn]] void ListIndexError(std::int32_t index) {
  throw Platform::EListError(fmt::format("Listenindex außerhalb des gültigen Bereichs ({})", index));
}

[[nodiscard]] bool IsLowerAsciiLetter(char c) { return c >= 'a' && c <= 'z'; }
[[nodiscard]] bool IsAsciiLetter(char c) { return IsLowerAsciiLetter(c) || (c >= 'A' && c <= 'Z'); }

} // namespace

// ---------------------------------------------------------------------------------
// Shared helpers

TWordBitSet WordToBitSet(std::uint16_t value) {
  TWordBitSet result;
  for (unsigned bit = 0; bit < 16; ++bit)
    if ((value >> bit) & 1U)
      result.Include(TWordBitEnum{static_cast<std::uint8_t>(bit)});
  return result;
}

std::uint16_t BitSetToWord(const TWordBitSet& value) {
  unsigned result = 0;
  for (unsigned bit = 0; bit < 16; ++bit)
    if (value.Contains(TWordBitEnum{static_cast<std::uint8_t>(bit)}))
      result |= 1U << bit;
  return static_cast<std::uint16_t>(result);
}

std::string_view GPSTagXMPName(TTiffTagID id) {
  // Tags 1, 3, 19 and 21 (the latitude and longitude letters) have no property of
  // their own: XMP folds the letter into the coordinate text.
  static constexpr std::array<std::string_view, 31> names{"GPSVersionID",
                                                          "",
                                                          "GPSLatitude",
                                                          "",
                                                          "GPSLongitude",
                                                          "GPSAltitudeRef",
                                                          "GPSAltitude",
                                                          "GPSTimeStamp",
                                                          "GPSSatellites",
                                                          "GPSStatus",
                                                          "GPSMeasureMode",
                                                          "GPSDOP",
                                                          "GPSSpeedRef",
                                                          "GPSSpeed",
                                                          "GPSTrackRef",
                                                          "GPSTrack",
                                                          "GPSImgDirectionRef",
                                                          "GPSImgDirection",
                                                          "GPSMapDatum",
                                                          "",
                                                          "GPSDestLatitude",
                                                          "",
                                                          "GPSDestLongitude",
                                                          "GPSDestBearingRef",
                                                          "GPSDestBearing",
                                                          "GPSDestDistanceRef",
                                                          "GPSDestDistance",
                                                          "",
                                                          "",
                                                          "",
                                                          "GPSDifferential"};
  return id < names.size() ? names[id] : std::string_view();
}

void TExifPersistent::Assign(const TExifPersistent* source) { AssignError(source); }

void TExifPersistent::AssignError(const TExifPersistent* source) const {
  throw Platform::EAssignError(source != nullptr ? std::string(source->ClassName()) : std::string("nil"),
                               std::string(ClassName()));
}

// ---------------------------------------------------------------------------------
// TExifFlashInfo

namespace {
constexpr std::uint16_t FlashFired = 0x0001;
constexpr std::uint16_t FlashReturnMask = 0x0006;
constexpr std::uint16_t FlashReturnDetectionBit = 0x0004;
constexpr std::uint16_t FlashReturnDetectedBit = 0x0002;
constexpr std::uint16_t FlashModeMask = 0x0018;
constexpr std::uint16_t FlashNoFunction = 0x0020;
constexpr std::uint16_t FlashRedEye = 0x0040;

TExifStrobeLight StrobeLightOf(std::uint16_t bits) {
  using enum TExifStrobeLight;
  if ((bits & FlashReturnDetectionBit) == 0)
    return esNoDetectionFunction;
  return (bits & FlashReturnDetectedBit) != 0 ? esDetected : esUndetected;
}
} // namespace

std::uint16_t TExifFlashInfo::Bits() const {
  std::uint16_t value = 0;
  if (!SectionOf(*FOwner, TExifSectionKind::esDetails).TryGetWordValue(ttFlash, 0, value))
    value = 0;
  return value;
}

TWordBitSet TExifFlashInfo::BitSet() const { return WordToBitSet(Bits()); }

void TExifFlashInfo::SetBitSet(const TWordBitSet& value) { WriteBits(BitSetToWord(value), false); }

void TExifFlashInfo::WriteBits(std::uint16_t value, bool keepZero) {
  auto& section = SectionOf(*FOwner, TExifSectionKind::esDetails);
  auto& packet = PacketOf(*FOwner);
  if (value == 0 && !keepZero) {
    section.Remove(ttFlash);
    packet.RemoveProperty(TXMPNamespace::xsExif, "Flash");
    return;
  }
  section.ForceSetElement(ttFlash, TTiffDataType::tdWord, &value, 0);
  if (packet.UpdatePolicy() == TXMPWritePolicy::xwRemove) {
    packet.RemoveProperty(TXMPNamespace::xsExif, "Flash");
    return;
  }
  auto* property = PropertyForUpdate(packet, TXMPNamespace::xsExif, "Flash");
  if (property == nullptr)
    return;
  property->SetKind(TXMPPropertyKind::xpStructure);
  property->UpdateSubProperty("Fired", (value & FlashFired) != 0);
  property->UpdateSubProperty("Function", (value & FlashNoFunction) != 0);
  property->UpdateSubProperty("Mode", static_cast<std::int32_t>((value & FlashModeMask) >> 3));
  property->UpdateSubProperty("RedEyeMode", (value & FlashRedEye) != 0);
  static constexpr std::array<std::int32_t, 3> returnValues{0, 2, 3};
  property->UpdateSubProperty("Return", returnValues[static_cast<std::size_t>(StrobeLightOf(value))]);
}

void TExifFlashInfo::ChangeBits(std::uint16_t mask, std::uint16_t bits) {
  // An existing tag keeps its place when the change leaves it at 0 ("did not fire"
  // is information); only writing BitSet itself as empty removes the tag.
  std::uint16_t current = 0;
  const bool present = SectionOf(*FOwner, TExifSectionKind::esDetails).TryGetWordValue(ttFlash, 0, current);
  if (!present)
    current = 0;
  WriteBits(static_cast<std::uint16_t>((current & ~mask) | (bits & mask)), present);
}

bool TExifFlashInfo::Fired() const { return (Bits() & FlashFired) != 0; }
void TExifFlashInfo::SetFired(bool value) { ChangeBits(FlashFired, value ? FlashFired : 0); }

TExifFlashMode TExifFlashInfo::Mode() const { return static_cast<TExifFlashMode>((Bits() & FlashModeMask) >> 3); }
void TExifFlashInfo::SetMode(TExifFlashMode value) {
  ChangeBits(FlashModeMask, static_cast<std::uint16_t>((static_cast<unsigned>(value) & 3U) << 3));
}

bool TExifFlashInfo::Present() const { return (Bits() & FlashNoFunction) == 0; }
void TExifFlashInfo::SetPresent(bool value) { ChangeBits(FlashNoFunction, value ? 0 : FlashNoFunction); }

bool TExifFlashInfo::RedEyeReduction() const { return (Bits() & FlashRedEye) != 0; }
void TExifFlashInfo::SetRedEyeReduction(bool value) { ChangeBits(FlashRedEye, value ? FlashRedEye : 0); }

TExifStrobeLight TExifFlashInfo::StrobeLight() const { return StrobeLightOf(Bits()); }
void TExifFlashInfo::SetStrobeLight(TExifStrobeLight value) {
  static constexpr std::array<std::uint16_t, 3> bits{0, FlashReturnDetectionBit,
                                                     FlashReturnDetectionBit | FlashReturnDetectedBit};
  const auto index = static_cast<std::size_t>(value);
  ChangeBits(FlashReturnMask, index < bits.size() ? bits[index] : 0);
}

TTiffLongWordFraction TExifFlashInfo::StrobeEnergy() const {
  return SectionOf(*FOwner, TExifSectionKind::esDetails).GetFractionValue(ttFlashEnergy, 0);
}

void TExifFlashInfo::SetStrobeEnergy(const TTiffLongWordFraction& value) {
  SectionOf(*FOwner, TExifSectionKind::esDetails).SetFractionValue(ttFlashEnergy, 0, value);
  PacketOf(*FOwner).UpdateProperty(TXMPNamespace::xsExif, "FlashEnergy", TXMPPropertyKind::xpSimple, value.AsString());
}

bool TExifFlashInfo::MissingOrInvalid() const {
  const auto& section = SectionOf(*FOwner, TExifSectionKind::esDetails);
  return !section.TagExists(ttFlash, ShortTypes, 1) && !section.TagExists(ttFlashEnergy, RationalTypes, 1);
}

void TExifFlashInfo::Assign(const TExifPersistent* source) {
  if (source == nullptr) {
    InUpdate(*FOwner, [this] {
      SetBitSet({});
      SetStrobeEnergy({});
    });
    return;
  }
  const auto* flash = dynamic_cast<const TExifFlashInfo*>(source);
  if (flash == nullptr)
    AssignError(source);
  // Read everything first: the source may be this object.
  std::uint16_t bits = 0;
  const bool present = SectionOf(*flash->FOwner, TExifSectionKind::esDetails).TryGetWordValue(ttFlash, 0, bits);
  const auto energy = flash->StrobeEnergy();
  InUpdate(*FOwner, [&] {
    // A source tag holding 0 ("no flash fired") is copied, not turned into a removal.
    WriteBits(present ? bits : std::uint16_t{0}, present);
    SetStrobeEnergy(energy);
  });
}

// ---------------------------------------------------------------------------------
// Versions

TCustomExifVersion::TCustomExifVersion(TCustomExifData& owner, TExifSectionKind sectionKind, TTiffTagID tagID,
                                       std::int32_t majorIndex, bool storeAsChar, TTiffDataType tiffDataType)
    : TExifPersistent(owner), FMajorIndex(majorIndex), FSectionKind(sectionKind), FStoreAsChar(storeAsChar),
      FTagID(tagID), FTiffDataType(tiffDataType) {}

TExifVersion::TExifVersion(TCustomExifData& owner)
    : TCustomExifVersion(owner, TExifSectionKind::esDetails, ttExifVersion) {}

TFlashPixVersion::TFlashPixVersion(TCustomExifData& owner)
    : TCustomExifVersion(owner, TExifSectionKind::esDetails, ttFlashPixVersion) {}

TInteropVersion::TInteropVersion(TCustomExifData& owner)
    : TCustomExifVersion(owner, TExifSectionKind::esInterop, ttInteropVersion) {}

TGPSVersion::TGPSVersion(TCustomExifData& owner)
    : TCustomExifVersion(owner, TExifSectionKind::esGPS, ttGPSVersionID, 0, false, TTiffDataType::tdByte) {}

TExifSection& TCustomExifVersion::Section() const { return SectionOf(*FOwner, FSectionKind); }

TExifVersionElement TCustomExifVersion::GetValue(std::int32_t offset) const {
  std::uint8_t value = 0;
  if (!Section().TryGetByteValue(FTagID, FMajorIndex + offset, value))
    return 0;
  return value < 48 ? value : static_cast<TExifVersionElement>(value - 48);
}

void TCustomExifVersion::SetValue(std::int32_t offset, TExifVersionElement value) {
  auto& section = Section();
  const bool created = section.Find(FTagID) == nullptr;
  const auto stored = static_cast<std::uint8_t>(FStoreAsChar ? value + 48 : value);
  section.ForceSetElement(FTagID, FTiffDataType, &stored, FMajorIndex + offset);
  if (created && FStoreAsChar) {
    // The digits before the major one are no part of the value, but a new tag must
    // still read as a version text ("0230"), not start with a NUL byte.
    const std::uint8_t zeroDigit = '0';
    for (std::int32_t i = 0; i < FMajorIndex; ++i)
      section.ForceSetElement(FTagID, FTiffDataType, &zeroDigit, i);
  }
}

std::string TCustomExifVersion::AsString() const {
  if (MissingOrInvalid())
    return {};
  return fmt::format("{}{}{}{}", Major(), Platform::FormatSettings().DecimalSeparator, Minor(), Release());
}

void TCustomExifVersion::SetAsString(std::string_view value) {
  if (value.empty()) {
    Assign(nullptr);
    return;
  }
  // Major digit, one separator character, minor and release digits; a text that ends
  // early leaves the remaining digits 0.
  const auto digit = [value](std::size_t index) -> TExifVersionElement {
    if (index >= value.size())
      return 0;
    const char c = value[index];
    if (c < '0' || c > '9')
      throw Platform::ERangeError();
    return static_cast<TExifVersionElement>(c - '0');
  };
  InUpdate(*FOwner, [&] {
    SetMajor(digit(0));
    SetMinor(digit(2));
    SetRelease(digit(3));
  });
}

void TCustomExifVersion::Assign(const TExifPersistent* source) {
  if (source != nullptr && dynamic_cast<const TCustomExifVersion*>(source) == nullptr)
    AssignError(source);
  const auto* version = static_cast<const TCustomExifVersion*>(source);
  if (version == nullptr || version->MissingOrInvalid()) {
    Section().Remove(FTagID);
    return;
  }
  const auto major = version->Major();
  const auto minor = version->Minor();
  const auto release = version->Release();
  InUpdate(*FOwner, [&] {
    SetMajor(major);
    SetMinor(minor);
    SetRelease(release);
  });
}

// ---------------------------------------------------------------------------------
// Resolutions

TCustomExifResolution::TCustomExifResolution(TCustomExifData& owner, const TLayout& layout)
    : TExifPersistent(owner), FSchema(layout.Schema), FSection(&SectionOf(owner, layout.Section)),
      FXTagID(layout.XTagID), FYTagID(layout.YTagID), FUnitTagID(layout.UnitTagID), FXName(layout.XName),
      FYName(layout.YName), FUnitName(layout.UnitName) {}

TImageResolution::TImageResolution(TCustomExifData& owner)
    : TCustomExifResolution(owner, {TExifSectionKind::esGeneral, TXMPNamespace::xsTIFF, ttXResolution, ttYResolution,
                                    ttResolutionUnit, "XResolution", "YResolution", "ResolutionUnit"}) {}

TFocalPlaneResolution::TFocalPlaneResolution(TCustomExifData& owner)
    : TCustomExifResolution(owner, {TExifSectionKind::esDetails, TXMPNamespace::xsExif, ttFocalPlaneXResolution,
                                    ttFocalPlaneYResolution, ttFocalPlaneResolutionUnit, "FocalPlaneXResolution",
                                    "FocalPlaneYResolution", "FocalPlaneResolutionUnit"}) {}

TThumbnailResolution::TThumbnailResolution(TCustomExifData& owner)
    : TCustomExifResolution(owner, {TExifSectionKind::esThumbnail,
                                    TXMPNamespace::xsUnknown,
                                    ttXResolution,
                                    ttYResolution,
                                    ttResolutionUnit,
                                    {},
                                    {},
                                    {}}) {}

bool TCustomExifResolution::HasXMPMirror() const { return FSchema != TXMPNamespace::xsUnknown; }

TTiffLongWordFraction TCustomExifResolution::X() const { return FSection->GetFractionValue(FXTagID, 0); }
TTiffLongWordFraction TCustomExifResolution::Y() const { return FSection->GetFractionValue(FYTagID, 0); }

void TCustomExifResolution::SetFraction(TTiffTagID id, std::string_view xmpName, const TTiffLongWordFraction& value) {
  FSection->SetFractionValue(id, 0, value);
  if (HasXMPMirror())
    PacketOf(*FOwner).UpdateProperty(FSchema, xmpName, TXMPPropertyKind::xpSimple, value.AsString());
}

void TCustomExifResolution::SetX(const TTiffLongWordFraction& value) { SetFraction(FXTagID, FXName, value); }
void TCustomExifResolution::SetY(const TTiffLongWordFraction& value) { SetFraction(FYTagID, FYName, value); }

TTiffResolutionUnit TCustomExifResolution::Units() const {
  std::uint16_t value = 0;
  if (!FSection->TryGetWordValue(FUnitTagID, 0, value))
    return TTiffResolutionUnit::trNone;
  return static_cast<TTiffResolutionUnit>(static_cast<std::uint8_t>(value));
}

void TCustomExifResolution::SetUnits(TTiffResolutionUnit value) {
  FSection->SetWordValue(FUnitTagID, 0, static_cast<std::uint8_t>(value));
  if (!HasXMPMirror())
    return;
  auto& packet = PacketOf(*FOwner);
  if (value == TTiffResolutionUnit::trNone)
    packet.RemoveProperty(FSchema, FUnitName);
  else
    packet.UpdateProperty(FSchema, FUnitName, static_cast<std::int32_t>(value));
}

bool TCustomExifResolution::MissingOrInvalid() const {
  constexpr TTiffDataTypes rational{TTiffDataType::tdLongWordFraction};
  return !FSection->TagExists(FXTagID, rational, 1) || !FSection->TagExists(FYTagID, rational, 1);
}

std::string TCustomExifResolution::ToString() const {
  if (MissingOrInvalid())
    return {};
  std::string_view suffix;
  switch (Units()) {
  case TTiffResolutionUnit::trInch: suffix = "\""; break;
  case TTiffResolutionUnit::trCentimetre: suffix = "cm"; break;
  default: break;
  }
  return fmt::format("{}{} x {}{}", Platform::FloatToStr(X().Quotient()), suffix, Platform::FloatToStr(Y().Quotient()),
                     suffix);
}

void TCustomExifResolution::Assign(const TExifPersistent* source) {
  if (source != nullptr && dynamic_cast<const TCustomExifResolution*>(source) == nullptr)
    AssignError(source);
  const auto* resolution = static_cast<const TCustomExifResolution*>(source);
  if (resolution == nullptr || resolution->MissingOrInvalid()) {
    InUpdate(*FOwner, [this] {
      FSection->Remove({FXTagID, FYTagID, FUnitTagID});
      if (HasXMPMirror())
        PacketOf(*FOwner).RemoveProperties(FSchema, {std::string(FXName), std::string(FYName), std::string(FUnitName)});
    });
    return;
  }
  const auto x = resolution->X();
  const auto y = resolution->Y();
  const auto units = resolution->Units();
  InUpdate(*FOwner, [&] {
    SetX(x);
    SetY(y);
    SetUnits(units);
  });
}

// ---------------------------------------------------------------------------------
// TISOSpeedRatings

TExifTag* TISOSpeedRatings::ValidTag() const {
  auto* tag = SectionOf(*FOwner, TExifSectionKind::esDetails).Find(ttISOSpeedRatings);
  if (tag == nullptr || !TiffDataTypeIn(tag->DataType(), ShortTypes) || tag->ElementCount() < 1)
    return nullptr;
  return tag;
}

bool TISOSpeedRatings::MissingOrInvalid() const { return ValidTag() == nullptr; }

std::int32_t TISOSpeedRatings::Count() const {
  const auto* tag = ValidTag();
  return tag != nullptr ? tag->ElementCount() : 0;
}

void TISOSpeedRatings::Clear() {
  InUpdate(*FOwner, [this] {
    SectionOf(*FOwner, TExifSectionKind::esDetails).Remove(ttISOSpeedRatings);
    PacketOf(*FOwner).RemoveProperty(TXMPNamespace::xsExif, "ISOSpeedRatings");
  });
}

void TISOSpeedRatings::SetCount(std::int32_t value) {
  if (value <= 0) {
    Clear();
    return;
  }
  auto& section = SectionOf(*FOwner, TExifSectionKind::esDetails);
  if (auto* tag = section.Find(ttISOSpeedRatings))
    tag->SetElementCount(value);
  else
    AddTag(section, ttISOSpeedRatings, TTiffDataType::tdWord, value);
}

std::uint16_t TISOSpeedRatings::Items(std::int32_t index) const {
  const auto* tag = ValidTag();
  if (tag == nullptr || index < 0 || index >= tag->ElementCount())
    return 0;
  return tag->ReadWord(index, 0);
}

void TISOSpeedRatings::SetItems(std::int32_t index, std::uint16_t value) {
  const auto* tag = ValidTag();
  if (tag == nullptr || index < 0 || index >= tag->ElementCount())
    ListIndexError(index);
  SectionOf(*FOwner, TExifSectionKind::esDetails)
      .ForceSetElement(ttISOSpeedRatings, TTiffDataType::tdWord, &value, index);
  auto& packet = PacketOf(*FOwner);
  if (packet.UpdatePolicy() == TXMPWritePolicy::xwRemove) {
    packet.RemoveProperty(TXMPNamespace::xsExif, "ISOSpeedRatings");
    return;
  }
  auto* property = PropertyForUpdate(packet, TXMPNamespace::xsExif, "ISOSpeedRatings");
  if (property == nullptr)
    return;
  property->SetKind(TXMPPropertyKind::xpSeqArray);
  if (property->SubPropertyCount() < index + 1)
    property->SetSubPropertyCount(index + 1);
  property->SubProperties(index).WriteValue(std::to_string(value));
}

std::string TISOSpeedRatings::AsString() const {
  const auto* tag = ValidTag();
  return tag != nullptr ? tag->AsString() : std::string();
}

void TISOSpeedRatings::SetAsString(std::string_view value) {
  if (value.empty()) {
    Assign(nullptr);
    return;
  }
  auto& section = SectionOf(*FOwner, TExifSectionKind::esDetails);
  auto* tag = section.Find(ttISOSpeedRatings);
  const bool created = tag == nullptr;
  InUpdate(*FOwner, [&] {
    if (created)
      tag = AddTag(section, ttISOSpeedRatings, TTiffDataType::tdWord, 0);
    try {
      tag->SetAsString(value);
    } catch (...) {
      // A text that does not convert leaves no empty tag behind.
      if (created)
        section.Remove(ttISOSpeedRatings);
      throw;
    }
    PacketOf(*FOwner).UpdateProperty(TXMPNamespace::xsExif, "ISOSpeedRatings", TXMPPropertyKind::xpSeqArray, value);
  });
}

void TISOSpeedRatings::Assign(const TExifPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  const auto* ratings = dynamic_cast<const TISOSpeedRatings*>(source);
  if (ratings == nullptr)
    AssignError(source);
  const auto* sourceTag = ratings->ValidTag();
  if (sourceTag == nullptr) {
    Clear();
    return;
  }
  // Copied first: the source may be this very tag.
  const std::vector<std::uint8_t> data(sourceTag->Bytes().begin(), sourceTag->Bytes().end());
  const auto count = sourceTag->ElementCount();
  InUpdate(*FOwner, [&] {
    auto* tag =
        FindOrAddTag(SectionOf(*FOwner, TExifSectionKind::esDetails), ttISOSpeedRatings, TTiffDataType::tdWord, count);
    tag->UpdateData(TTiffDataType::tdWord, count, data.data());
    PacketOf(*FOwner).UpdateProperty(TXMPNamespace::xsExif, "ISOSpeedRatings", TXMPPropertyKind::xpSeqArray,
                                     tag->AsString());
  });
}

// ---------------------------------------------------------------------------------
// GPS coordinates

TGPSCoordinate::TGPSCoordinate(TCustomExifData& owner, TTiffTagID tagID)
    : TExifPersistent(owner), FRefTagID(static_cast<TTiffTagID>(tagID - 1)), FTagID(tagID),
      FXMPName(GPSTagXMPName(tagID)) {}

TTiffLongWordFraction TGPSCoordinate::Degrees() const {
  return SectionOf(*FOwner, TExifSectionKind::esGPS).GetFractionValue(FTagID, 0);
}
TTiffLongWordFraction TGPSCoordinate::Minutes() const {
  return SectionOf(*FOwner, TExifSectionKind::esGPS).GetFractionValue(FTagID, 1);
}
TTiffLongWordFraction TGPSCoordinate::Seconds() const {
  return SectionOf(*FOwner, TExifSectionKind::esGPS).GetFractionValue(FTagID, 2);
}

char TGPSCoordinate::Direction() const {
  const auto* tag = SectionOf(*FOwner, TExifSectionKind::esGPS).Find(FRefTagID);
  if (tag == nullptr || tag->DataType() != TTiffDataType::tdAscii || tag->ElementCount() <= 1)
    return '\0';
  auto c = static_cast<char>(tag->Bytes()[0]);
  if (IsLowerAsciiLetter(c))
    c = static_cast<char>(c - 'a' + 'A');
  return c;
}

bool TGPSCoordinate::MissingOrInvalid() const {
  return Degrees().Denominator == 0 || Minutes().Denominator == 0 || Direction() == '\0';
}

std::string TGPSCoordinate::CoordinateText(char decimalSeparator) const {
  const auto degrees = Degrees();
  const auto minutes = Minutes();
  if (degrees.Denominator == 0 || minutes.Denominator == 0)
    return {};
  const auto reference = SectionOf(*FOwner, TExifSectionKind::esGPS).GetStringValue(FRefTagID);
  const auto seconds = Seconds();
  if (seconds.Denominator != 0)
    return fmt::format("{},{},{}{}", degrees.AsString(), minutes.AsString(), seconds.AsString(), reference);
  auto settings = Platform::FormatSettings();
  settings.DecimalSeparator = decimalSeparator;
  return fmt::format("{},{}{}", degrees.AsString(), Platform::FloatToStr(minutes.Quotient(), settings), reference);
}

std::string TGPSCoordinate::AsString() const { return CoordinateText(Platform::FormatSettings().DecimalSeparator); }

void TGPSCoordinate::SetDirection(char value) {
  auto& section = SectionOf(*FOwner, TExifSectionKind::esGPS);
  auto& packet = PacketOf(*FOwner);
  if (value == '\0') {
    InUpdate(*FOwner, [&] {
      section.Remove(FRefTagID);
      if (!FXMPName.empty())
        packet.RemoveProperty(TXMPNamespace::xsExif, FXMPName);
    });
    return;
  }
  if (IsLowerAsciiLetter(value))
    value = static_cast<char>(value - 'a' + 'A');
  // The XMP text is the coordinate with the letter at its end. It always takes a
  // point as decimal separator, whatever the locale: a comma would read as one more
  // coordinate part.
  auto text = CoordinateText('.');
  InUpdate(*FOwner, [&] {
    section.SetStringValue(FRefTagID, std::string(1, value));
    while (!text.empty() && IsAsciiLetter(text.back()))
      text.pop_back();
    if (text.empty() || FXMPName.empty())
      return;
    text += value;
    packet.UpdateProperty(TXMPNamespace::xsExif, FXMPName, TXMPPropertyKind::xpSimple, text);
  });
}

void TGPSCoordinate::StoreCoordinate(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
                                     const TTiffLongWordFraction& seconds, char direction) {
  const std::int32_t count = seconds.Denominator != 0 ? 3 : 2;
  const std::array<std::uint32_t, 6> data{degrees.Numerator,   degrees.Denominator, minutes.Numerator,
                                          minutes.Denominator, seconds.Numerator,   seconds.Denominator};
  InUpdate(*FOwner, [&] {
    auto& section = SectionOf(*FOwner, TExifSectionKind::esGPS);
    auto* tag = FindOrAddTag(section, FTagID, TTiffDataType::tdLongWordFraction, count);
    tag->UpdateData(TTiffDataType::tdLongWordFraction, count, data.data());
    SetDirection(direction);
  });
}

void TGPSCoordinate::Assign(const TExifPersistent* source) {
  if (source != nullptr && typeid(*source) != typeid(*this))
    AssignError(source);
  const auto* coordinate = static_cast<const TGPSCoordinate*>(source);
  const TExifTag* sourceTag = nullptr;
  if (coordinate != nullptr)
    sourceTag = SectionOf(*coordinate->FOwner, TExifSectionKind::esGPS).Find(coordinate->FTagID);
  auto& section = SectionOf(*FOwner, TExifSectionKind::esGPS);
  if (sourceTag == nullptr) {
    InUpdate(*FOwner, [&] {
      section.Remove({FTagID, FRefTagID});
      if (!FXMPName.empty())
        PacketOf(*FOwner).RemoveProperty(TXMPNamespace::xsExif, FXMPName);
    });
    return;
  }
  const char direction = coordinate->TGPSCoordinate::Direction();
  InUpdate(*FOwner, [&] {
    auto* tag = FindOrAddTag(section, FTagID, sourceTag->DataType(), sourceTag->ElementCount());
    if (tag != sourceTag)
      tag->Assign(sourceTag);
    SetDirection(direction);
  });
}

namespace {
char LatitudeLetter(TGPSLatitudeRef direction) {
  switch (direction) {
  case TGPSLatitudeRef::ltNorth: return 'N';
  case TGPSLatitudeRef::ltSouth: return 'S';
  default: return '\0';
  }
}

char LongitudeLetter(TGPSLongitudeRef direction) {
  switch (direction) {
  case TGPSLongitudeRef::lnWest: return 'W';
  case TGPSLongitudeRef::lnEast: return 'E';
  default: return '\0';
  }
}
} // namespace

TGPSLatitudeRef TGPSLatitude::Direction() const {
  switch (TGPSCoordinate::Direction()) {
  case 'N': return TGPSLatitudeRef::ltNorth;
  case 'S': return TGPSLatitudeRef::ltSouth;
  default: return TGPSLatitudeRef::ltMissingOrInvalid;
  }
}

void TGPSLatitude::Assign(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
                          const TTiffLongWordFraction& seconds, TGPSLatitudeRef direction) {
  StoreCoordinate(degrees, minutes, seconds, LatitudeLetter(direction));
}

void TGPSLatitude::Assign(std::uint32_t degrees, std::uint32_t minutes, const TTiffLongWordFraction& seconds,
                          TGPSLatitudeRef direction) {
  StoreCoordinate({degrees, 1}, {minutes, 1}, seconds, LatitudeLetter(direction));
}

void TGPSLatitude::Assign(std::uint32_t degrees, std::uint32_t minutes, double seconds, TGPSLatitudeRef direction) {
  StoreCoordinate({degrees, 1}, {minutes, 1}, TTiffLongWordFraction(seconds), LatitudeLetter(direction));
}

TGPSLongitudeRef TGPSLongitude::Direction() const {
  switch (TGPSCoordinate::Direction()) {
  case 'W': return TGPSLongitudeRef::lnWest;
  case 'E': return TGPSLongitudeRef::lnEast;
  default: return TGPSLongitudeRef::lnMissingOrInvalid;
  }
}

void TGPSLongitude::Assign(const TTiffLongWordFraction& degrees, const TTiffLongWordFraction& minutes,
                           const TTiffLongWordFraction& seconds, TGPSLongitudeRef direction) {
  StoreCoordinate(degrees, minutes, seconds, LongitudeLetter(direction));
}

void TGPSLongitude::Assign(std::uint32_t degrees, std::uint32_t minutes, const TTiffLongWordFraction& seconds,
                           TGPSLongitudeRef direction) {
  StoreCoordinate({degrees, 1}, {minutes, 1}, seconds, LongitudeLetter(direction));
}

void TGPSLongitude::Assign(std::uint32_t degrees, std::uint32_t minutes, double seconds, TGPSLongitudeRef direction) {
  StoreCoordinate({degrees, 1}, {minutes, 1}, TTiffLongWordFraction(seconds), LongitudeLetter(direction));
}

} // namespace Tessel::Exif
