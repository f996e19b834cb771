#include "app/core/ExifListRows.h"

#include "app/core/IniFile.h"
#include "app/core/WindowLanguage.h"

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
  const char* Text; // the catalogue's source text
};
using TEnumTable = std::initializer_list<TEnumText>;

// The text of value in table; a value the table does not know shows as such.
std::string EnumText(int value, TEnumTable table) {
  for (const TEnumText& entry : table)
    if (entry.Value == value)
      return *entry.Text == '\0' ? std::string() : Tr("ExifListRows", entry.Text);
  return FormatText(Tr("ExifListRows", "[Unrecognised value (%1)]"), {std::to_string(value)});
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
  return value == Exif::TEndianness::SmallEndian ? Tr("ExifListRows", "Small endian")
                                                 : Tr("ExifListRows", "Big endian");
}

// Texts end at their first NUL: what follows is padding of the stored tag, which a
// list shows no more than a text field would, and which a map cannot name as a key.
std::string VisibleText(std::string text) {
  if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
    text.resize(nul);
  return text;
}

std::string YesNo(bool value) { return value ? Tr("ExifListRows", "Yes") : Tr("ExifListRows", "No"); }

std::string DirectionWord(char letter) {
  switch (letter) {
  case 'N': return Tr("ExifListRows", "north");
  case 'S': return Tr("ExifListRows", "south");
  case 'E': return Tr("ExifListRows", "east");
  case 'W': return Tr("ExifListRows", "west");
  default: return {};
  }
}

std::string ResolutionUnitText(Exif::TTiffResolutionUnit value) {
  return EnumText(value, {{1, ""},
                          {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "inches")},
                          {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "centimetres")}});
}

std::string DirectionRefText(Exif::TGPSDirectionRef value) {
  return EnumText(value, {{0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "true north")},
                          {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "true north")},
                          {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "magnetic north")}});
}

std::string OrientationText(Exif::TTiffOrientation value) {
  return EnumText(value, {{0, ""},
                          {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Normal")},
                          {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Mirror horizontal")},
                          {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Rotate 180°")},
                          {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Mirror vertical")},
                          {5, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Mirrow horizontal and rotate 270°")},
                          {6, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Rotate 90°")},
                          {7, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Mirror hotizontal and rotate 90°")},
                          {8, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Rotate 270°")}});
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
      Add(caption, FormatG(static_cast<double>(value.Numerator) / value.Denominator) + " " + std::string(unit));
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
      Add(caption, FormatText(Tr("ExifListRows", "%1 at %2"),
                              {Platform::FormatDateTime("dddddd", value, Platform::FormatSettings()),
                               Platform::FormatDateTime("tt", value, Platform::FormatSettings())}));
  }
  void Coordinate(std::string_view caption, const Exif::TGPSCoordinate& value) {
    if (value.MissingOrInvalid())
      return;
    Add(caption, FormatText(Tr("ExifListRows", "%1°, %2 minutes and %3 seconds %4"),
                            {FormatG(QuotientOrZero(value.Degrees())), FormatG(QuotientOrZero(value.Minutes())),
                             FormatG(QuotientOrZero(value.Seconds())), DirectionWord(value.Direction())}));
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
    const auto add = [&problems](const char* problem) { problems += ", " + Tr("ExifListRows", problem); };
    const Exif::TMetadataLoadErrors errors = section.LoadErrors();
    if (errors.Contains(Exif::TMetadataLoadError::leBadOffset))
      add(FOTARIUM_TRANSLATE_NOOP("ExifListRows", "bad IFD offset"));
    if (errors.Contains(Exif::TMetadataLoadError::leBadTagCount))
      add(FOTARIUM_TRANSLATE_NOOP("ExifListRows", "bad tag count"));
    if (errors.Contains(Exif::TMetadataLoadError::leBadTagHeader))
      add(FOTARIUM_TRANSLATE_NOOP("ExifListRows", "one or more bad tag headers"));
    if (thumbnailMissing)
      add(FOTARIUM_TRANSLATE_NOOP("ExifListRows", "bad image offset"));
    return {std::string(Indent) + Tr("ExifListRows", "Loaded cleanly"),
            problems.empty() ? Tr("ExifListRows", "Yes")
                             : FormatText(Tr("ExifListRows", "No: %1"), {std::string_view(problems).substr(2)}),
            true};
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
  rows.Plain(Tr("ExifListRows", "General"));
  rows.Text(Tr("ExifListRows", "Byte order"), ByteOrderText(data.Endianness()));
}

void ListMainIFD(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esGeneral, Tr("ExifListRows", "Main IFD")))
    return;
  rows.Text(Tr("ExifListRows", "Camera make"), data.CameraMake());
  rows.Text(Tr("ExifListRows", "Camera model"), data.CameraModel());
  rows.Text(Tr("ExifListRows", "Software"), data.Software());
  rows.DateTime(Tr("ExifListRows", "Date/time"), data.DateTime().FValue);
  rows.Text(Tr("ExifListRows", "Image description"), data.ImageDescription());
  rows.Text(Tr("ExifListRows", "Copyright"), data.Copyright());
  rows.Text(Tr("ExifListRows", "Orientation"), OrientationText(data.Orientation()));
  rows.Resolution(Tr("ExifListRows", "Resolution"), data.Resolution());
  rows.Text(Tr("ExifListRows", "Author"), data.Author());
  rows.Text(Tr("ExifListRows", "Comments"), data.Comments());
  rows.Text(Tr("ExifListRows", "Keywords"), data.Keywords());
  rows.Text(Tr("ExifListRows", "Subject"), data.Subject());
  rows.Text(Tr("ExifListRows", "Title"), data.Title());
}

void ListFlash(TRowBuilder& rows, const Exif::TExifFlashInfo& flash) {
  if (flash.MissingOrInvalid())
    return;
  rows.Add(Tr("ExifListRows", "Flash present"), std::string(YesNo(flash.Present())));
  rows.Text(Tr("ExifListRows", "Flash mode"),
            EnumText(flash.Mode(), {{0, ""},
                                    {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Compulsory fire")},
                                    {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Compulsory suppression")},
                                    {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Auto")}}));
  rows.Add(Tr("ExifListRows", "Flash fired"), std::string(YesNo(flash.Fired())));
  rows.Add(Tr("ExifListRows", "Flash red eye reduction"), std::string(YesNo(flash.RedEyeReduction())));
  rows.Fraction(Tr("ExifListRows", "Flash strobe energy"), flash.StrobeEnergy());
  rows.Text(Tr("ExifListRows", "Flash strobe light"),
            EnumText(flash.StrobeLight(), {{0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "No detection function")},
                                           {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Undetected")},
                                           {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Detected")}}));
}

void ListExifSubIFD(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esDetails, Tr("ExifListRows", "Exif sub-IFD")))
    return;
  rows.Text(Tr("ExifListRows", "Exif version"), data.ExifVersion().AsString());
  rows.Fraction(Tr("ExifListRows", "Aperture value"), data.ApertureValue());
  rows.Text(Tr("ExifListRows", "Body serial number"), data.BodySerialNumber());
  rows.SignedFraction(Tr("ExifListRows", "Brightness value"), data.BrightnessValue());
  rows.Text(Tr("ExifListRows", "Camera owner"), data.CameraOwnerName());
  // The colour space is a 16-bit field: its unknown values show unsigned.
  rows.Text(Tr("ExifListRows", "Colour space"),
            EnumText(static_cast<std::uint16_t>(data.ColorSpace()),
                     {{0, ""},
                      {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "sRGB")},
                      {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Adobe RGB")},
                      {0xFFFD, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Wide gamut RGB (Sony)")},
                      {0xFFFE, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "ICC profile (Sony)")},
                      {0xFFFF, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Uncalibrated (maybe Adobe RGB)")}}));
  rows.Fraction(Tr("ExifListRows", "Compressed bits per pixel"), data.CompressedBitsPerPixel());
  rows.DateTime(Tr("ExifListRows", "Date/time original"), data.DateTimeOriginal().FValue);
  rows.DateTime(Tr("ExifListRows", "Date/time digitised"), data.DateTimeDigitized().FValue);
  rows.Fraction(Tr("ExifListRows", "Digital zoom ratio"), data.DigitalZoomRatio());
  rows.Integer(Tr("ExifListRows", "Exif image width"), data.ExifImageWidth().FValue);
  rows.Integer(Tr("ExifListRows", "Exif image height"), data.ExifImageHeight().FValue);
  rows.Text(Tr("ExifListRows", "Exposure programme"),
            EnumText(data.ExposureProgram(), {{-1, ""},
                                              {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Undefined")},
                                              {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Manual")},
                                              {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Normal")},
                                              {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Aperture priority")},
                                              {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Shutter priority")},
                                              {5, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Creative")},
                                              {6, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Action")},
                                              {7, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Portrait")},
                                              {8, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Landscape")}}));
  rows.Fraction(Tr("ExifListRows", "Exposure time"), data.ExposureTime(), Tr("ExifListRows", "seconds"));
  rows.Fraction(Tr("ExifListRows", "Exposure index"), data.ExposureIndex());
  rows.SignedFraction(Tr("ExifListRows", "Exposure bias value"), data.ExposureBiasValue());
  rows.Text(Tr("ExifListRows", "File source"),
            EnumText(data.FileSource(), {{0, ""},
                                         {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Film scanner")},
                                         {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Reflection print scanner")},
                                         {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Digital camera")}}));
  ListFlash(rows, data.Flash());
  rows.Fraction(Tr("ExifListRows", "F number"), data.FNumber());
  rows.Fraction(Tr("ExifListRows", "Focal length"), data.FocalLength());
  rows.Integer(Tr("ExifListRows", "Focal length in 35mm film"), data.FocalLengthIn35mmFilm().FValue);
  rows.Resolution(Tr("ExifListRows", "Focal plane resolution"), data.FocalPlaneResolution());
  rows.Text(Tr("ExifListRows", "Gain control"),
            EnumText(data.GainControl(), {{-1, ""},
                                          {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "None")},
                                          {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Low gain up")},
                                          {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "High gain up")},
                                          {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Low gain down")},
                                          {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "High gain down")}}));
  rows.Text(Tr("ExifListRows", "Image unique ID"), data.ImageUniqueID());
  if (!data.ISOSpeedRatings().MissingOrInvalid())
    rows.Text(Tr("ExifListRows", "ISO speed rating(s)"), data.ISOSpeedRatings().AsString());
  rows.Text(Tr("ExifListRows", "Lens make"), data.LensMake());
  rows.Text(Tr("ExifListRows", "Lens model"), data.LensModel());
  rows.Text(Tr("ExifListRows", "Lens serial number"), data.LensSerialNumber());
  rows.Text(Tr("ExifListRows", "Light source"),
            EnumText(data.LightSource(), {{-1, ""},
                                          {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Unknown")},
                                          {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Daylight")},
                                          {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Fluorescent")},
                                          {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Tungsten")},
                                          {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Flash")},
                                          {9, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Fine weather")},
                                          {10, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Cloudy weather")},
                                          {11, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Shade")},
                                          {12, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Daylight fluorescent")},
                                          {13, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "DayWhite fluorescent")},
                                          {14, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Cool white fluorescent")},
                                          {15, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "White fluorescent")},
                                          {17, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Standard light A")},
                                          {18, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Standard light B")},
                                          {19, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Standard light C")},
                                          {20, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "D55")},
                                          {21, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "D65")},
                                          {22, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "D75")},
                                          {23, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "D50")},
                                          {24, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "ISO studio tungsten")},
                                          {255, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Other")}}));
  rows.Integer(Tr("ExifListRows", "MakerNote data offset"), data.OffsetSchema().FValue);
  rows.Fraction(Tr("ExifListRows", "Max aperture value"), data.MaxApertureValue());
  rows.Text(Tr("ExifListRows", "Metering mode"),
            EnumText(data.MeteringMode(), {{-1, ""},
                                           {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Unknown")},
                                           {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Average")},
                                           {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Centre weighted average")},
                                           {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Spot")},
                                           {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Multiple spot")},
                                           {5, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Pattern")},
                                           {6, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Partial")}}));
  rows.Text(Tr("ExifListRows", "Related sound file"), data.RelatedSoundFile());
  rows.Text(Tr("ExifListRows", "Rendering"),
            EnumText(data.CustomRendered(), {{-1, ""},
                                             {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Normal")},
                                             {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Custom")}}));
  rows.Text(Tr("ExifListRows", "Scene capture type"),
            EnumText(data.SceneCaptureType(), {{-1, ""},
                                               {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Standard")},
                                               {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Landscape")},
                                               {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Portrait")},
                                               {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "NightScene")}}));
  rows.Text(
      Tr("ExifListRows", "Scene type"),
      EnumText(data.SceneType(), {{0, ""}, {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Directly photographed")}}));
  rows.Text(Tr("ExifListRows", "Sensing method"),
            EnumText(data.SensingMethod(), {{-1, ""},
                                            {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Monochrome")},
                                            {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "One chip")},
                                            {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Two chip")},
                                            {4, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "ThreeChip")},
                                            {5, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Colour sequential")},
                                            {7, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Trilinear")},
                                            {8, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Colour sequential linear")}}));
  if (const double shutterSpeed = data.ShutterSpeedInMSecs(); shutterSpeed != 0)
    rows.Add(Tr("ExifListRows", "Shutter speed"),
             FormatText(Tr("ExifListRows", "%1 milliseconds"), {FormatG(shutterSpeed, 4)}));
  rows.Fraction(Tr("ExifListRows", "Subject distance"), data.SubjectDistance());
  rows.Text(Tr("ExifListRows", "Spectral sensitivity"), data.SpectralSensitivity());
  rows.Fraction(Tr("ExifListRows", "Subject distance"), data.SubjectDistance());
  rows.Text(Tr("ExifListRows", "Subject distance range"),
            EnumText(data.SubjectDistanceRange(), {{-1, ""},
                                                   {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Unknown")},
                                                   {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Macro")},
                                                   {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Close")},
                                                   {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Distant")}}));
  rows.Point(Tr("ExifListRows", "Subject location"), data.SubjectLocation());
  rows.Text(Tr("ExifListRows", "White balance mode"),
            EnumText(data.WhiteBalance(), {{-1, ""},
                                           {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Auto")},
                                           {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Manual")}}));
}

void ListInterop(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esInterop, Tr("ExifListRows", "Interoperability sub-IFD")))
    return;
  rows.Text(Tr("ExifListRows", "Interoperability type"), data.InteropTypeName());
  rows.Text(Tr("ExifListRows", "Interoperability version"), data.InteropVersion().AsString());
}

void ListGPS(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esGPS, Tr("ExifListRows", "GPS sub-IFD")))
    return;
  rows.Text(Tr("ExifListRows", "GPS version"), data.GPSVersion().AsString());
  rows.DateTime(Tr("ExifListRows", "GPS date/time (UTC)"), data.GPSDateTimeUTC().FValue);
  rows.Coordinate(Tr("ExifListRows", "GPS latitude"), data.GPSLatitude());
  rows.Coordinate(Tr("ExifListRows", "GPS longitude"), data.GPSLongitude());
  rows.Fraction(
      Tr("ExifListRows", "GPS altitude"), data.GPSAltitude(),
      FormatText(Tr("ExifListRows", "metres %1"),
                 {EnumText(data.GPSAltitudeRef(), {{0, ""},
                                                   {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "above sea level")},
                                                   {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "below sea level")}})}));
  rows.Text(Tr("ExifListRows", "GPS satellites"), data.GPSSatellites());
  rows.Text(Tr("ExifListRows", "GPS status"),
            EnumText(data.GPSStatus(), {{0, ""},
                                        {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Measurement active/in progress")},
                                        {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Measurement void/in interop")}}));
  rows.Text(Tr("ExifListRows", "GPS measure mode"),
            EnumText(data.GPSMeasureMode(), {{0, ""},
                                             {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "2D")},
                                             {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "3D")}}));
  rows.Fraction(Tr("ExifListRows", "GPS DOP"), data.GPSDOP());
  rows.Fraction(Tr("ExifListRows", "GPS speed"), data.GPSSpeed(),
                EnumText(data.GPSSpeedRef(), {{0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "km/h")},
                                              {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "km/h")},
                                              {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "mph")},
                                              {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "knots")}}));
  rows.Fraction(Tr("ExifListRows", "GPS track"), data.GPSTrack(), DirectionRefText(data.GPSTrackRef()));
  rows.Fraction(Tr("ExifListRows", "GPS image direction"), data.GPSImgDirection(),
                DirectionRefText(data.GPSImgDirectionRef()));
  rows.Text(Tr("ExifListRows", "GPS map datum"), data.GPSMapDatum());
  rows.Coordinate(Tr("ExifListRows", "GPS destination latitude"), data.GPSDestLatitude());
  rows.Coordinate(Tr("ExifListRows", "GPS destination longitude"), data.GPSDestLongitude());
  rows.Fraction(Tr("ExifListRows", "GPS destination bearing"), data.GPSDestBearing(),
                DirectionRefText(data.GPSDestBearingRef()));
  rows.Fraction(Tr("ExifListRows", "GPS destination distance"), data.GPSDestDistance(),
                EnumText(data.GPSDestDistanceRef(), {{0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "kilometres")},
                                                     {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "kilometres")},
                                                     {2, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "miles")},
                                                     {3, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "knots")}}));
  rows.Text(Tr("ExifListRows", "GPS differential"),
            EnumText(data.GPSDifferential(), {{-1, ""},
                                              {0, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Without correction")},
                                              {1, FOTARIUM_TRANSLATE_NOOP("ExifListRows", "Correction applied")}}));
}

void ListThumbnail(TRowBuilder& rows, Exif::TCustomExifData& data) {
  if (!rows.SectionHeader(data, TExifSectionKind::esThumbnail, Tr("ExifListRows", "Thumbnail IFD")))
    return;
  rows.Text(Tr("ExifListRows", "Thumbnail orientation"), OrientationText(data.ThumbnailOrientation()));
  rows.Resolution(Tr("ExifListRows", "Thumbnail resolution"), data.ThumbnailResolution());
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
    return Tr("ExifListRows", "[Badly formed tag header]");
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
                                                 ? FormatText(Tr("ExifListRows", "Unknown ($%1, %2)"),
                                                              {Platform::IntToHex(tag.ID(), 4), std::to_string(i)})
                                                 : fmt::format("{} ({})", description, i);
      map.AddRow(rows, fmt::format("{}({})", key, i), element, defaultDescription, element);
    }
    return;
  }
  map.AddRow(rows, key, VisibleText(tag.AsString()),
             FormatText(Tr("ExifListRows", "Unknown ($%1)"), {Platform::IntToHex(tag.ID(), 4)}),
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
    return {{Tr("ExifListRows", "No Exif metadata found"), {}, false}};
  return ListExifData(data);
}

TExifListRows ListMakerNote(Exif::TExifMakerNote& note, const IniFile* map) {
  TExifListRows result;
  TRowBuilder rows(result);
  if (note.ClassType() == Exif::TUnrecognizedMakerNote::Class()) {
    rows.Plain(Tr("ExifListRows", "Unrecognised format"));
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
  head.Plain(Tr("ExifListRows", "General"));
  head.Add(Tr("ExifListRows", "Type"), MakerNoteTypeName(className));
  head.Add(Tr("ExifListRows", "Byte order"), ByteOrderText(note.Endianness()));
  top.push_back(TRowBuilder::LoadStateRow(note.Tags(), false));
  head.Plain(Tr("ExifListRows", "Tags"));
  result.insert(result.begin(), top.begin(), top.end());
  return result;
}

TExifListOfFile LoadFromFileRows(const std::string& fileName, const IniFile* map) {
  Exif::TExifData data;
  data.SetEnsureEnumsInRange(false);
  TExifListOfFile list;
  list.Recognised = data.LoadFromGraphic(fileName);
  list.Rows =
      data.Empty() ? TExifListRows{{Tr("ExifListRows", "No Exif metadata found"), {}, false}} : ListExifData(data);
  if (data.HasMakerNote()) {
    TExifListRows noteRows;
    try {
      noteRows = ListMakerNote(data.MakerNote(), map);
    } catch (const Exif::EInvalidMakerNoteFormat&) {
      // A maker note that does not have its maker's layout after all costs only its
      // own rows, never the EXIF rows above.
      noteRows = {{Tr("ExifListRows", "Unrecognised format"), {}, false}};
    }
    list.Rows.insert(list.Rows.end(), noteRows.begin(), noteRows.end());
  } else {
    list.Rows.push_back({Tr("ExifListRows", "No MakerNote found"), {}, false});
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
