#include "app/core/ExifListRows.h"

#include "app/core/IniFile.h"

#include "Tessel/Exif.h"

#include "platform/Strings.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace Fotarium::Core {

namespace {

namespace Exif = Tessel::Exif;
using Exif::TExifSectionKind;

constexpr std::string_view Indent = "   ";
constexpr Platform::TDateTime FirstValidDateTime = -693593.0;
constexpr Platform::TDateTime MissingDateTime = -700000.0;

// ----- value texts -----------------------------------------------------------------

// One entry of a text table; an empty text means that the row is left out.
struct TEnumText {
  int Value;
  std::string_view Text;
};
using TEnumTable = std::initializer_list<TEnumText>;

// The text of value in table; a value the table does not know shows as such.
std::string EnumText(int value, TEnumTable table) {
  for (const TEnumText& entry : table)
    if (entry.Value == value)
      return std::string(entry.Text);
  return fmt::format("[Unrecognised value ({})]", value);
}

template <typename E> std::string EnumText(E value, TEnumTable table) {
  return EnumText(static_cast<int>(value), table);
}

std::string FormatG(double value) { return Platform::FloatToStr(value, Platform::FormatSettings()); }

// The general number form with `precision` significant digits: trailing zeros dropped,
// the exponent form ("1,5E7") from `precision` integer digits on or below 0.00001.
std::string FormatG(double value, int precision) {
  if (!std::isfinite(value))
    return FormatG(value);
  const std::string scientific = fmt::format("{:.{}e}", value, precision - 1);
  const std::size_t e = scientific.find('e');
  std::string mantissa = scientific.substr(0, e);
  const int exponent = std::stoi(scientific.substr(e + 1));
  const bool negative = mantissa.front() == '-';
  if (negative)
    mantissa.erase(0, 1);
  std::string digits;
  for (const char c : mantissa)
    if (c != '.')
      digits += c;
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  if (digits == "0")
    return "0";
  const char separator = Platform::FormatSettings().DecimalSeparator;
  std::string result = negative ? "-" : "";
  if (exponent >= precision || exponent < -5) {
    result += digits[0];
    if (digits.size() > 1)
      result += separator + digits.substr(1);
    return result + "E" + std::to_string(exponent);
  }
  if (exponent < 0) {
    result += '0';
    result += separator;
    result.append(static_cast<std::size_t>(-exponent - 1), '0');
    return result + digits;
  }
  const auto integerDigits = static_cast<std::size_t>(exponent + 1);
  if (digits.size() <= integerDigits)
    return result + digits + std::string(integerDigits - digits.size(), '0');
  return result + digits.substr(0, integerDigits) + separator + digits.substr(integerDigits);
}

double QuotientOrZero(const Exif::TTiffLongWordFraction& value) {
  return value.Denominator == 0 ? 0.0 : static_cast<double>(value.Numerator) / value.Denominator;
}

std::string ByteOrderText(Exif::TEndianness value) {
  return value == Exif::TEndianness::SmallEndian ? "Small endian" : "Big endian";
}

// Texts end at their first NUL: what follows is padding of the stored tag, which a
// list shows no more than a text field would, and which a map cannot name as a key.
std::string VisibleText(std::string text) {
  if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
    text.resize(nul);
  return text;
}

std::string_view YesNo(bool value) { return value ? "Yes" : "No"; }

std::string DirectionWord(char letter) {
  switch (letter) {
  case 'N': return "north";
  case 'S': return "south";
  case 'E': return "east";
  case 'W': return "west";
  default: return {};
  }
}

std::string ResolutionUnitText(Exif::TTiffResolutionUnit value) {
  return EnumText(value, {{1, ""}, {2, "inches"}, {3, "centimetres"}});
}

std::string DirectionRefText(Exif::TGPSDirectionRef value) {
  return EnumText(value, {{0, "true north"}, {1, "true north"}, {2, "magnetic north"}});
}

std::string OrientationText(Exif::TTiffOrientation value) {
  return EnumText(value, {{0, ""},
                          {1, "Normal"},
                          {2, "Mirror horizontal"},
                          {3, "Rotate 180°"},
                          {4, "Mirror vertical"},
                          {5, "Mirrow horizontal and rotate 270°"},
                          {6, "Rotate 90°"},
                          {7, "Mirror hotizontal and rotate 90°"},
                          {8, "Rotate 270°"}});
}

// ----- the list being built ----------------------------------------------------------

class TRowBuilder {
public:
  explicit TRowBuilder(TExifListRows& rows) : FRows(rows) {}

  void Plain(std::string_view caption) { FRows.push_back({std::string(caption), {}, false}); }
  void Add(std::string_view caption, std::string value) {
    FRows.push_back({std::string(Indent) + VisibleText(std::string(caption)), VisibleText(std::move(value)), true});
  }

  void Text(std::string_view caption, std::string value) {
    if (!value.empty())
      Add(caption, std::move(value));
  }
  void Fraction(std::string_view caption, const Exif::TTiffLongWordFraction& value, std::string_view unit = {}) {
    if (value.Denominator != 0)
      Add(caption, fmt::format("{} {}", FormatG(static_cast<double>(value.Numerator) / value.Denominator), unit));
  }
  void SignedFraction(std::string_view caption, const Exif::TTiffLongIntFraction& value) {
    if (value.Denominator != 0)
      Add(caption, FormatG(static_cast<double>(value.Numerator) / value.Denominator));
  }
  void Integer(std::string_view caption, std::int64_t value) {
    if (value != 0)
      Add(caption, std::to_string(value));
  }
  void DateTime(std::string_view caption, Platform::TDateTime value) {
    if (value >= FirstValidDateTime)
      Add(caption, Platform::FormatDateTime("dddddd \"at\" tt", value, Platform::FormatSettings()));
  }
  void Coordinate(std::string_view caption, const Exif::TGPSCoordinate& value) {
    if (value.MissingOrInvalid())
      return;
    Add(caption, fmt::format("{}°, {} minutes and {} seconds {}", FormatG(QuotientOrZero(value.Degrees())),
                             FormatG(QuotientOrZero(value.Minutes())), FormatG(QuotientOrZero(value.Seconds())),
                             DirectionWord(value.Direction())));
  }
  void Resolution(std::string_view caption, const Exif::TCustomExifResolution& value) {
    if (value.MissingOrInvalid())
      return;
    Add(caption, fmt::format("{} x {} {}", FormatG(QuotientOrZero(value.X())), FormatG(QuotientOrZero(value.Y())),
                             ResolutionUnitText(value.Units())));
  }
  void Point(std::string_view caption, const Exif::TSmallPoint& value) {
    if (value.X != -1 || value.Y != -1)
      Add(caption, fmt::format("({}, {})", value.X, value.Y));
  }

  // "Yes" for a cleanly loaded section, else "No:" and the problems found.
  static TExifListRow LoadStateRow(const Exif::TExifSection& section, bool thumbnailMissing) {
    std::string problems;
    const Exif::TMetadataLoadErrors errors = section.LoadErrors();
    if (errors.Contains(Exif::TMetadataLoadError::leBadOffset))
      problems += ", bad IFD offset";
    if (errors.Contains(Exif::TMetadataLoadError::leBadTagCount))
      problems += ", bad tag count";
    if (errors.Contains(Exif::TMetadataLoadError::leBadTagHeader))
      problems += ", one or more bad tag headers";
    if (thumbnailMissing)
      problems += ", bad image offset";
    return {std::string(Indent) + "Loaded cleanly", problems.empty() ? "Yes" : "No:" + problems.substr(1), true};
  }

  // A header only for a section that holds something or failed to load; answers
  // whether the section's rows follow.
  bool SectionHeader(Exif::TCustomExifData& data, TExifSectionKind kind, std::string_view caption) {
    const Exif::TExifSection* section = data.OwnedSection(kind);
    if (section == nullptr || (section->Count() == 0 && section->LoadErrors().Empty()))
      return false;
    Plain(caption);
    FRows.push_back(LoadStateRow(*section, kind == TExifSectionKind::esThumbnail && !data.HasThumbnail()));
    return true;
  }

private:
  TExifListRows& FRows;
};

void ListGeneral(TRowBuilder& rows, Exif::TCustomExifData& data) {
  rows.Plain("General");
  rows.Text("Byte order", ByteOrderText(data.Endianness()));
}

void ListMainIFD(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esGeneral, "Main IFD"))
    return;
  rows.Text("Camera make", data.CameraMake());
  rows.Text("Camera model", data.CameraModel());
  rows.Text("Software", data.Software());
  rows.DateTime("Date/time", data.DateTime().FValue);
  rows.Text("Image description", data.ImageDescription());
  rows.Text("Copyright", data.Copyright());
  rows.Text("Orientation", OrientationText(data.Orientation()));
  rows.Resolution("Resolution", data.Resolution());
  rows.Text("Author", data.Author());
  rows.Text("Comments", data.Comments());
  rows.Text("Keywords", data.Keywords());
  rows.Text("Subject", data.Subject());
  rows.Text("Title", data.Title());
}

void ListFlash(TRowBuilder& rows, const Exif::TExifFlashInfo& flash) {
  if (flash.MissingOrInvalid())
    return;
  rows.Add("Flash present", std::string(YesNo(flash.Present())));
  rows.Text("Flash mode",
            EnumText(flash.Mode(), {{0, ""}, {1, "Compulsory fire"}, {2, "Compulsory suppression"}, {3, "Auto"}}));
  rows.Add("Flash fired", std::string(YesNo(flash.Fired())));
  rows.Add("Flash red eye reduction", std::string(YesNo(flash.RedEyeReduction())));
  rows.Fraction("Flash strobe energy", flash.StrobeEnergy());
  rows.Text("Flash strobe light",
            EnumText(flash.StrobeLight(), {{0, "No detection function"}, {1, "Undetected"}, {2, "Detected"}}));
}

void ListExifSubIFD(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esDetails, "Exif sub-IFD"))
    return;
  rows.Text("Exif version", data.ExifVersion().AsString());
  rows.Fraction("Aperture value", data.ApertureValue());
  rows.Text("Body serial number", data.BodySerialNumber());
  rows.SignedFraction("Brightness value", data.BrightnessValue());
  rows.Text("Camera owner", data.CameraOwnerName());
  // The colour space is a 16-bit field: its unknown values show unsigned.
  rows.Text("Colour space",
            EnumText(static_cast<std::uint16_t>(data.ColorSpace()), {{0, ""},
                                                                     {1, "sRGB"},
                                                                     {2, "Adobe RGB"},
                                                                     {0xFFFD, "Wide gamut RGB (Sony)"},
                                                                     {0xFFFE, "ICC profile (Sony)"},
                                                                     {0xFFFF, "Uncalibrated (maybe Adobe RGB)"}}));
  rows.Fraction("Compressed bits per pixel", data.CompressedBitsPerPixel());
  rows.DateTime("Date/time original", data.DateTimeOriginal().FValue);
  rows.DateTime("Date/time digitised", data.DateTimeDigitized().FValue);
  rows.Fraction("Digital zoom ratio", data.DigitalZoomRatio());
  rows.Integer("Exif image width", data.ExifImageWidth().FValue);
  rows.Integer("Exif image height", data.ExifImageHeight().FValue);
  rows.Text("Exposure programme", EnumText(data.ExposureProgram(), {{-1, ""},
                                                                    {0, "Undefined"},
                                                                    {1, "Manual"},
                                                                    {2, "Normal"},
                                                                    {3, "Aperture priority"},
                                                                    {4, "Shutter priority"},
                                                                    {5, "Creative"},
                                                                    {6, "Action"},
                                                                    {7, "Portrait"},
                                                                    {8, "Landscape"}}));
  rows.Fraction("Exposure time", data.ExposureTime(), "seconds");
  rows.Fraction("Exposure index", data.ExposureIndex());
  rows.SignedFraction("Exposure bias value", data.ExposureBiasValue());
  rows.Text("File source",
            EnumText(data.FileSource(),
                     {{0, ""}, {1, "Film scanner"}, {2, "Reflection print scanner"}, {3, "Digital camera"}}));
  ListFlash(rows, data.Flash());
  rows.Fraction("F number", data.FNumber());
  rows.Fraction("Focal length", data.FocalLength());
  rows.Integer("Focal length in 35mm film", data.FocalLengthIn35mmFilm().FValue);
  rows.Resolution("Focal plane resolution", data.FocalPlaneResolution());
  rows.Text("Gain control", EnumText(data.GainControl(), {{-1, ""},
                                                          {0, "None"},
                                                          {1, "Low gain up"},
                                                          {2, "High gain up"},
                                                          {3, "Low gain down"},
                                                          {4, "High gain down"}}));
  rows.Text("Image unique ID", data.ImageUniqueID());
  if (!data.ISOSpeedRatings().MissingOrInvalid())
    rows.Text("ISO speed rating(s)", data.ISOSpeedRatings().AsString());
  rows.Text("Lens make", data.LensMake());
  rows.Text("Lens model", data.LensModel());
  rows.Text("Lens serial number", data.LensSerialNumber());
  rows.Text("Light source", EnumText(data.LightSource(), {{-1, ""},
                                                          {0, "Unknown"},
                                                          {1, "Daylight"},
                                                          {2, "Fluorescent"},
                                                          {3, "Tungsten"},
                                                          {4, "Flash"},
                                                          {9, "Fine weather"},
                                                          {10, "Cloudy weather"},
                                                          {11, "Shade"},
                                                          {12, "Daylight fluorescent"},
                                                          {13, "DayWhite fluorescent"},
                                                          {14, "Cool white fluorescent"},
                                                          {15, "White fluorescent"},
                                                          {17, "Standard light A"},
                                                          {18, "Standard light B"},
                                                          {19, "Standard light C"},
                                                          {20, "D55"},
                                                          {21, "D65"},
                                                          {22, "D75"},
                                                          {23, "D50"},
                                                          {24, "ISO studio tungsten"},
                                                          {255, "Other"}}));
  rows.Integer("MakerNote data offset", data.OffsetSchema().FValue);
  rows.Fraction("Max aperture value", data.MaxApertureValue());
  rows.Text("Metering mode", EnumText(data.MeteringMode(), {{-1, ""},
                                                            {0, "Unknown"},
                                                            {1, "Average"},
                                                            {2, "Centre weighted average"},
                                                            {3, "Spot"},
                                                            {4, "Multiple spot"},
                                                            {5, "Pattern"},
                                                            {6, "Partial"}}));
  rows.Text("Related sound file", data.RelatedSoundFile());
  rows.Text("Rendering", EnumText(data.CustomRendered(), {{-1, ""}, {0, "Normal"}, {1, "Custom"}}));
  rows.Text("Scene capture type",
            EnumText(data.SceneCaptureType(),
                     {{-1, ""}, {0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "NightScene"}}));
  rows.Text("Scene type", EnumText(data.SceneType(), {{0, ""}, {1, "Directly photographed"}}));
  rows.Text("Sensing method", EnumText(data.SensingMethod(), {{-1, ""},
                                                              {1, "Monochrome"},
                                                              {2, "One chip"},
                                                              {3, "Two chip"},
                                                              {4, "ThreeChip"},
                                                              {5, "Colour sequential"},
                                                              {7, "Trilinear"},
                                                              {8, "Colour sequential linear"}}));
  if (const double shutterSpeed = data.ShutterSpeedInMSecs(); shutterSpeed != 0)
    rows.Add("Shutter speed", FormatG(shutterSpeed, 4) + " milliseconds");
  rows.Fraction("Subject distance", data.SubjectDistance());
  rows.Text("Spectral sensitivity", data.SpectralSensitivity());
  rows.Fraction("Subject distance", data.SubjectDistance());
  rows.Text("Subject distance range", EnumText(data.SubjectDistanceRange(),
                                               {{-1, ""}, {0, "Unknown"}, {1, "Macro"}, {2, "Close"}, {3, "Distant"}}));
  rows.Point("Subject location", data.SubjectLocation());
  rows.Text("White balance mode", EnumText(data.WhiteBalance(), {{-1, ""}, {0, "Auto"}, {1, "Manual"}}));
}

void ListInterop(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esInterop, "Interoperability sub-IFD"))
    return;
  rows.Text("Interoperability type", data.InteropTypeName());
  rows.Text("Interoperability version", data.InteropVersion().AsString());
}

void ListGPS(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esGPS, "GPS sub-IFD"))
    return;
  rows.Text("GPS version", data.GPSVersion().AsString());
  rows.DateTime("GPS date/time (UTC)", data.GPSDateTimeUTC().FValue);
  rows.Coordinate("GPS latitude", data.GPSLatitude());
  rows.Coordinate("GPS longitude", data.GPSLongitude());
  rows.Fraction("GPS altitude", data.GPSAltitude(),
                "metres " + EnumText(data.GPSAltitudeRef(), {{0, ""}, {1, "above sea level"}, {2, "below sea level"}}));
  rows.Text("GPS satellites", data.GPSSatellites());
  rows.Text(
      "GPS status",
      EnumText(data.GPSStatus(), {{0, ""}, {1, "Measurement active/in progress"}, {2, "Measurement void/in interop"}}));
  rows.Text("GPS measure mode", EnumText(data.GPSMeasureMode(), {{0, ""}, {1, "2D"}, {2, "3D"}}));
  rows.Fraction("GPS DOP", data.GPSDOP());
  rows.Fraction("GPS speed", data.GPSSpeed(),
                EnumText(data.GPSSpeedRef(), {{0, "km/h"}, {1, "km/h"}, {2, "mph"}, {3, "knots"}}));
  rows.Fraction("GPS track", data.GPSTrack(), DirectionRefText(data.GPSTrackRef()));
  rows.Fraction("GPS image direction", data.GPSImgDirection(), DirectionRefText(data.GPSImgDirectionRef()));
  rows.Text("GPS map datum", data.GPSMapDatum());
  rows.Coordinate("GPS destination latitude", data.GPSDestLatitude());
  rows.Coordinate("GPS destination longitude", data.GPSDestLongitude());
  rows.Fraction("GPS destination bearing", data.GPSDestBearing(), DirectionRefText(data.GPSDestBearingRef()));
  rows.Fraction(
      "GPS destination distance", data.GPSDestDistance(),
      EnumText(data.GPSDestDistanceRef(), {{0, "kilometres"}, {1, "kilometres"}, {2, "miles"}, {3, "knots"}}));
  rows.Text("GPS differential",
            EnumText(data.GPSDifferential(), {{-1, ""}, {0, "Without correction"}, {1, "Correction applied"}}));
}

void ListThumbnail(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esThumbnail, "Thumbnail IFD"))
    return;
  rows.Text("Thumbnail orientation", OrientationText(data.ThumbnailOrientation()));
  rows.Resolution("Thumbnail resolution", data.ThumbnailResolution());
}

// ----- maker notes -------------------------------------------------------------------

class TMakerNoteMap {
public:
  explicit TMakerNoteMap(const IniFile* map) : FMap(map) {}

  [[nodiscard]] std::string String(std::string_view section, std::string_view key, std::string_view def) const {
    return FMap == nullptr ? std::string(def) : FMap->ReadString(section, key, def);
  }
  [[nodiscard]] bool Bool(std::string_view section, std::string_view key) const {
    return FMap != nullptr && FMap->ReadBool(section, key, false);
  }

  // A tag's row: its value translated by the map (the raw text is the key), and the
  // map's description of the tag.
  void AddRow(TRowBuilder& rows, std::string_view section, std::string_view ident, std::string_view defaultDescription,
              std::string_view defaultValue) const {
    std::string value = String(section, ident, defaultValue);
    const std::string description = String(section, "TagDescription", defaultDescription);
    rows.Add(description, std::move(value));
  }

private:
  const IniFile* FMap;
};

std::string UndefinedTagValue(const Exif::TExifTag& tag) {
  if (!tag.WellFormed())
    return "[Badly formed tag header]";
  const std::string text = VisibleText(tag.AsString());
  if (tag.DataType() != Exif::TTiffDataType::tdUndefined)
    return text;
  if (tag.ElementCount() < 51)
    return "{" + text + "}";
  return "{" + text.substr(0, 100) + "...}";
}

void ListMakerNoteTag(TRowBuilder& rows, const TMakerNoteMap& map, const Exif::TExifTag& tag,
                      std::string_view tagsFrom) {
  const std::string key = fmt::format("{}.${}", tagsFrom, Platform::IntToHex(tag.ID(), 4));
  if (tag.WellFormed() && map.Bool(key, "TreatAsTagGroup")) {
    const std::string description = map.String(key, "TagDescription", "");
    for (std::int32_t i = 0; i < tag.ElementCount(); ++i) {
      const std::string element = VisibleText(tag.ElementAsString(i));
      const std::string defaultDescription = description.empty()
                                                 ? fmt::format("Unknown (${}, {})", Platform::IntToHex(tag.ID(), 4), i)
                                                 : fmt::format("{} ({})", description, i);
      map.AddRow(rows, fmt::format("{}({})", key, i), element, defaultDescription, element);
    }
    return;
  }
  map.AddRow(rows, key, VisibleText(tag.AsString()), fmt::format("Unknown (${})", Platform::IntToHex(tag.ID(), 4)),
             UndefinedTagValue(tag));
}

// "Canon" for the class TCanonMakerNote.
std::string MakerNoteTypeName(std::string_view className) {
  constexpr std::size_t suffixLength = std::string_view("MakerNote").size();
  if (className.size() <= suffixLength + 1)
    return {};
  return std::string(className.substr(1, className.size() - 1 - suffixLength));
}

} // namespace

TExifListRows ListExifData(Exif::TCustomExifData& data) {
  TExifListRows result;
  TRowBuilder rows(result);
  ListGeneral(rows, data);
  ListMainIFD(rows, data);
  ListExifSubIFD(rows, data);
  ListInterop(rows, data);
  ListGPS(rows, data);
  ListThumbnail(rows, data);
  return result;
}

TExifListRows FillRows(Exif::TCustomExifData& data) {
  data.SetEnsureEnumsInRange(false);
  if (data.Empty())
    return {{"No Exif metadata found", {}, false}};
  return ListExifData(data);
}

TExifListRows ListMakerNote(Exif::TExifMakerNote& note, const IniFile* map) {
  TExifListRows result;
  TRowBuilder rows(result);
  if (note.ClassType() == Exif::TUnrecognizedMakerNote::Class()) {
    rows.Plain("Unrecognised format");
    return result;
  }
  const TMakerNoteMap noteMap(map);
  const std::string className(note.ClassType()->ClassName);
  std::string tagsFrom = noteMap.String(className, "UseTagsFrom", "");
  if (tagsFrom.empty())
    tagsFrom = className;
  for (const Exif::TExifTag* tag : note.Tags())
    ListMakerNoteTag(rows, noteMap, *tag, tagsFrom);
  std::stable_sort(result.begin(), result.end(), [](const TExifListRow& a, const TExifListRow& b) {
    return Platform::CompareText(a.Caption, b.Caption) < 0;
  });

  TExifListRows top;
  TRowBuilder head(top);
  head.Plain("General");
  head.Add("Type", MakerNoteTypeName(className));
  head.Add("Byte order", ByteOrderText(note.Endianness()));
  top.push_back(TRowBuilder::LoadStateRow(note.Tags(), false));
  head.Plain("Tags");
  result.insert(result.begin(), top.begin(), top.end());
  return result;
}

TExifListOfFile LoadFromFileRows(const std::string& fileName, const IniFile* map) {
  Exif::TExifData data;
  data.SetEnsureEnumsInRange(false);
  TExifListOfFile list;
  list.Recognised = data.LoadFromGraphic(fileName);
  list.Rows = data.Empty() ? TExifListRows{{"No Exif metadata found", {}, false}} : ListExifData(data);
  if (data.HasMakerNote()) {
    TExifListRows noteRows;
    try {
      noteRows = ListMakerNote(data.MakerNote(), map);
    } catch (const Exif::EInvalidMakerNoteFormat&) {
      // A maker note that does not have its maker's layout after all costs only its
      // own rows, never the EXIF rows above.
      noteRows = {{"Unrecognised format", {}, false}};
    }
    list.Rows.insert(list.Rows.end(), noteRows.begin(), noteRows.end());
  } else {
    list.Rows.push_back({"No MakerNote found", {}, false});
  }
  const Platform::TDateTime dateTime = data.DateTime().FValue;
  list.DateTime = dateTime >= FirstValidDateTime ? dateTime : MissingDateTime;
  return list;
}

std::string ClipboardText(std::span<const TExifListRow> selectedRows) {
  std::string text;
  for (const TExifListRow& row : selectedRows) {
    text += row.Caption;
    if (row.HasValue) {
      text += '\t';
      text += row.Value;
    }
    text += "\r\n";
  }
  return text;
}

} // namespace Fotarium::Core
