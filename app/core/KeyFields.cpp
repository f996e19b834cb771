#include "app/core/KeyFields.h"

#include "app/core/WindowLanguage.h"

#include "Tessel/Exif.h"
#include "platform/DateTime.h"

#include <charconv>

namespace Fotarium::Core {

namespace Exif = Tessel::Exif;

namespace {

// Orientation values the names table does not cover (a tag holding, say, 9).
constexpr std::string_view InvalidOrientationText = FOTARIUM_TRANSLATE_NOOP("KeyFields", "ungültig");

double FractionValue(const Exif::TTiffLongWordFraction& fraction) {
  return fraction.Denominator == 0 ? 0.0 : static_cast<double>(fraction.Numerator) / fraction.Denominator;
}

// The short date pattern with every day, month and year number written as zeros; names of
// months and days have no zero form and are left out.
std::string ZeroDateText(const Platform::TFormatSettings& settings) {
  const std::string& pattern = settings.ShortDateFormat;
  std::string result;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = pattern.find(c, i + 1);
      const std::size_t stop = end == std::string::npos ? pattern.size() : end;
      result.append(pattern, i + 1, stop - i - 1);
      i = stop == pattern.size() ? stop : stop + 1;
      continue;
    }
    const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == 'd' || lower == 'm' || lower == 'y') {
      std::size_t run = 1;
      while (i + run < pattern.size() && (pattern[i + run] == c || pattern[i + run] == lower ||
                                          pattern[i + run] == static_cast<char>(lower - 'a' + 'A')))
        ++run;
      if (lower == 'y')
        result.append(run <= 2 ? 2 : 4, '0');
      else if (run <= 2)
        result.append(run, '0');
      i += run;
      continue;
    }
    if (c == '/')
      result += settings.DateSeparator;
    else
      result += c;
    ++i;
  }
  return result;
}

} // namespace

std::string_view OrientationText(int value) {
  if (value < 0 || value >= static_cast<int>(OrientationTexts.size()))
    return InvalidOrientationText;
  return OrientationTexts[static_cast<std::size_t>(value)];
}

std::string FormatG(double value, const Platform::TFormatSettings& settings) {
  // to_chars ignores the C locale (which Qt sets from the environment), so the separator is
  // always the settings' own.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  std::string text = error == std::errc() ? std::string(buffer, end) : std::string("0");
  for (char& c : text)
    if (c == '.')
      c = settings.DecimalSeparator;
  return text;
}

std::string CoordinateToText(const Exif::TGPSCoordinate& coordinate, const Platform::TFormatSettings& settings) {
  if (coordinate.MissingOrInvalid())
    return {};
  std::string text = FormatG(FractionValue(coordinate.Degrees()), settings);
  text += "°";
  text += FormatG(FractionValue(coordinate.Minutes()), settings);
  text += '\'';
  text += FormatG(FractionValue(coordinate.Seconds()), settings);
  text += '"';
  if (const char direction = coordinate.Direction(); direction != '\0')
    text += direction;
  return text;
}

std::string CaptureDateText(double value, const Platform::TFormatSettings& settings) {
  if (Exif::TDateTimeTagValue(value).MissingOrInvalid())
    return ZeroDateText(settings);
  return Platform::DateTimeToStr(value, settings);
}

TKeyFieldRows KeyFieldRows(const Exif::TCustomExifData& data, const Platform::TFormatSettings& settings) {
  const auto number = [](const Exif::TLongWordTagValue& value) {
    return std::to_string(value.MissingOrInvalid() ? 0U : value.Value());
  };
  const int orientation = static_cast<int>(data.Orientation());
  return TKeyFieldRows{{
      {Tr("KeyFields", "Beschreibung:"), Tr("KeyFields", "Werte")},
      {Tr("KeyFields", "Kamera-Hersteller:"), data.CameraMake()},
      {Tr("KeyFields", "Kamera-Modell"), data.CameraModel()},
      {Tr("KeyFields", "Orientierung"),
       std::to_string(orientation) + ": " + Tr("KeyFields", OrientationText(orientation).data())},
      {Tr("KeyFields", "Ausdehnung (B x H)"), number(data.ExifImageWidth()) + " x " + number(data.ExifImageHeight())},
      {Tr("KeyFields", "Geographische Breite"), CoordinateToText(data.GPSLatitude(), settings)},
      {Tr("KeyFields", "Geographische Länge"), CoordinateToText(data.GPSLongitude(), settings)},
      {Tr("KeyFields", "Geographische Höhe"),
       FormatText(Tr("KeyFields", "%1 Meter"), {FormatG(FractionValue(data.GPSAltitude()), settings)})},
      {Tr("KeyFields", "Aufnahmedatum"), CaptureDateText(data.DateTime().Value(), settings)},
      {Tr("KeyFields", "Bildbeschreibung"), data.ImageDescription()},
      {Tr("KeyFields", "Auflösung"), data.Resolution().ToString()},
      {Tr("KeyFields", "Kommentar"), data.Comments()},
  }};
}

} // namespace Fotarium::Core
