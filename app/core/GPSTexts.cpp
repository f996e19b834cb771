#include "app/core/GPSTexts.h"

#include "app/core/UStrHelp.h"
#include "app/core/WindowLanguage.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

namespace Fotarium::Core {

namespace {

using Tessel::Exif::TCustomExifData;
using Tessel::Exif::TTiffLongWordFraction;

constexpr std::string_view DegreeSign = "\xC2\xB0"; // "°" in UTF-8
constexpr std::size_t MaxSecondsPointPosition = 255;

Platform::TFormatSettings PointSettings() {
  Platform::TFormatSettings settings;
  settings.DecimalSeparator = '.';
  return settings;
}

bool AllDigits(std::string_view text) {
  for (const char c : text)
    if (c < '0' || c > '9')
      return false;
  return true;
}

// A DMS text cut into its parts; Letter is the upper-cased first character after the
// seconds' double quote, blanks skipped ('\0' when there is none).
struct TDmsParts {
  std::string Degrees, Minutes, Seconds;
  bool Minus = false; // a leading "-" on the degrees (removed from Degrees)
  char Letter = '\0';
};

TDmsParts SplitDms(std::string_view text) {
  TDmsParts parts;
  std::string rest(text);
  CutToken(DegreeSign, rest, parts.Degrees);
  CutToken("'", rest, parts.Minutes);
  parts.Minutes = Platform::Trim(parts.Minutes);
  CutToken("\"", rest, parts.Seconds);
  parts.Degrees = Platform::Trim(parts.Degrees);
  if (!parts.Degrees.empty() && parts.Degrees.front() == '-') {
    parts.Minus = true;
    parts.Degrees.erase(0, 1);
  }
  const auto letter = Platform::Trim(rest);
  if (!letter.empty())
    parts.Letter =
        static_cast<char>(letter.front() >= 'a' && letter.front() <= 'z' ? letter.front() - 'a' + 'A' : letter.front());
  return parts;
}

// A typed point stands for the locale's decimal separator.
std::string SecondsInLocaleForm(std::string seconds, const Platform::TFormatSettings& settings) {
  if (const auto point = seconds.find('.'); point != std::string::npos)
    seconds[point] = settings.DecimalSeparator;
  return seconds;
}

// South or west: the letter decides when it names a hemisphere of this axis, else the minus.
bool IsNegativeHemisphere(const TDmsParts& parts, char positive, char negative) {
  if (parts.Letter == positive)
    return false;
  if (parts.Letter == negative)
    return true;
  return parts.Minus;
}

[[noreturn]] void RaiseInvalidCoordinate(std::string_view text, const char* why) {
  throw Platform::ERangeError(
      FormatText(Tr("GPSTexts", "Ungültige Koordinate \"%1\": %2"), {text, Tr("GPSTexts", why)}));
}

// Seconds to four decimals, halves to even, reduced to lowest terms; nullopt beyond the
// rational's range.
std::optional<TTiffLongWordFraction> SecondsFraction(std::uint64_t tenThousandths) {
  if (tenThousandths > std::numeric_limits<std::uint32_t>::max())
    return std::nullopt;
  const auto numerator = static_cast<std::uint32_t>(tenThousandths);
  const auto divisor = std::gcd(numerator, std::uint32_t{10000});
  return TTiffLongWordFraction(numerator / divisor, 10000 / divisor);
}

struct TParsedDms {
  TTiffLongWordFraction Degrees, Minutes, Seconds;
  bool Negative = false;
};

std::optional<TParsedDms> ParseDms(std::string_view text, TGPSAxis axis, const Platform::TFormatSettings& settings) {
  const auto parts = SplitDms(text);
  if (const auto point = parts.Seconds.find('.'); point != std::string::npos && point >= MaxSecondsPointPosition)
    RaiseInvalidCoordinate(TextBefore("\"", text).substr(0, 40) + "...",
                           FOTARIUM_TRANSLATE_NOOP("GPSTexts", "die Sekundenangabe ist zu lang"));
  std::int32_t degrees = 0, minutes = 0;
  double seconds = 0;
  if (!Platform::TryStrToInt(parts.Degrees, degrees) || !Platform::TryStrToInt(parts.Minutes, minutes) ||
      !Platform::TryStrToFloat(SecondsInLocaleForm(parts.Seconds, settings), seconds, settings))
    return std::nullopt;
  if (degrees < 0 || minutes < 0 || seconds < 0)
    RaiseInvalidCoordinate(text,
                           FOTARIUM_TRANSLATE_NOOP("GPSTexts", "Grad, Minuten und Sekunden dürfen nicht negativ sein"));
  const double scaled = std::nearbyint(seconds * 10000.0); // the default rounding: halves to even
  const auto fraction = scaled <= static_cast<double>(std::numeric_limits<std::uint32_t>::max())
                            ? SecondsFraction(static_cast<std::uint64_t>(scaled))
                            : std::nullopt;
  if (!fraction)
    RaiseInvalidCoordinate(text, FOTARIUM_TRANSLATE_NOOP("GPSTexts", "die Sekundenangabe ist zu groß"));
  TParsedDms parsed;
  parsed.Degrees = TTiffLongWordFraction(static_cast<std::uint32_t>(degrees), 1);
  parsed.Minutes = TTiffLongWordFraction(static_cast<std::uint32_t>(minutes), 1);
  parsed.Seconds = *fraction;
  parsed.Negative =
      axis == TGPSAxis::gaLatitude ? IsNegativeHemisphere(parts, 'N', 'S') : IsNegativeHemisphere(parts, 'E', 'W');
  return parsed;
}

double QuotientOrZero(const TTiffLongWordFraction& f) {
  return f.Denominator == 0 ? 0.0 : static_cast<double>(f.Numerator) / static_cast<double>(f.Denominator);
}

std::optional<double> Degrees(const Tessel::Exif::TGPSCoordinate& c, bool negative) {
  const auto degrees = c.Degrees();
  const auto minutes = c.Minutes();
  if (degrees.Denominator == 0 || minutes.Denominator == 0)
    return std::nullopt;
  const double value = QuotientOrZero(degrees) + QuotientOrZero(minutes) / 60.0 + QuotientOrZero(c.Seconds()) / 3600.0;
  return negative ? -value : value;
}

std::string SixDecimals(double value) {
  if (std::fabs(value) < 0.0000005)
    value = 0; // no "-0.000000"
  return fmt::format("{:.6f}", value);
}

// Up to six fraction digits of 0 <= fraction < 1, cut from its shortest text.
std::string FractionDigits(double fraction) {
  auto text = Platform::FloatToStr(fraction, PointSettings());
  if (text.find('E') != std::string::npos) {
    text = fmt::format("{:.15f}", fraction);
    while (!text.empty() && text.back() == '0')
      text.pop_back();
  }
  if (text.size() < 2 || text.compare(0, 2, "0.") != 0)
    return {};
  return text.substr(2, 6);
}

// The one place a position is written: whole degrees and minutes, the seconds as given,
// the hemisphere letter, and the GPS directory's version when it has none yet (readers
// look for it before they trust the directory).
void StoreCoordinate(TCustomExifData& data, TGPSAxis axis, std::uint32_t degrees, std::uint32_t minutes,
                     const TTiffLongWordFraction& seconds, bool negative) {
  using enum Tessel::Exif::TGPSLatitudeRef;
  using enum Tessel::Exif::TGPSLongitudeRef;
  data.BeginUpdate();
  try {
    auto& gps = *data.GetSection(Tessel::Exif::TExifSectionKind::esGPS);
    if (gps.Find(Tessel::Exif::ttGPSVersionID) == nullptr) {
      constexpr std::uint8_t version[4] = {2, 2, 0, 0};
      for (int i = 3; i >= 0; --i) // the last first, so the tag is made with all four
        gps.SetByteValue(Tessel::Exif::ttGPSVersionID, i, version[i]);
    }
    if (axis == TGPSAxis::gaLatitude)
      data.GPSLatitude().Assign(degrees, minutes, seconds, negative ? ltSouth : ltNorth);
    else
      data.GPSLongitude().Assign(degrees, minutes, seconds, negative ? lnWest : lnEast);
  } catch (...) {
    data.EndUpdate();
    throw;
  }
  data.EndUpdate();
}

// Signed decimal degrees, rounded once as a whole to 1/10000 of a second (halves to
// even), so that 59.99995 seconds carry into the next minute.
void StoreDecimalCoordinate(TCustomExifData& data, TGPSAxis axis, double value) {
  const auto total = static_cast<std::uint64_t>(std::nearbyint(std::fabs(value) * 3600.0 * 10000.0));
  constexpr std::uint64_t perDegree = 3600ULL * 10000, perMinute = 60ULL * 10000;
  StoreCoordinate(data, axis, static_cast<std::uint32_t>(total / perDegree),
                  static_cast<std::uint32_t>(total % perDegree / perMinute), *SecondsFraction(total % perMinute),
                  value < 0 && total != 0);
}

} // namespace

bool SetLatitudeFromText(TCustomExifData& data, std::string_view text, const Platform::TFormatSettings& settings) {
  const auto parsed = ParseDms(text, TGPSAxis::gaLatitude, settings);
  if (!parsed)
    return false;
  StoreCoordinate(data, TGPSAxis::gaLatitude, parsed->Degrees.Numerator, parsed->Minutes.Numerator, parsed->Seconds,
                  parsed->Negative);
  return true;
}

bool SetLongitudeFromText(TCustomExifData& data, std::string_view text, const Platform::TFormatSettings& settings) {
  const auto parsed = ParseDms(text, TGPSAxis::gaLongitude, settings);
  if (!parsed)
    return false;
  StoreCoordinate(data, TGPSAxis::gaLongitude, parsed->Degrees.Numerator, parsed->Minutes.Numerator, parsed->Seconds,
                  parsed->Negative);
  return true;
}

void SetGPSPosition(TCustomExifData& data, double latitude, double longitude) {
  // Both checked first, so that a bad longitude does not leave a new latitude behind.
  if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180))
    throw Platform::ERangeError();
  StoreDecimalCoordinate(data, TGPSAxis::gaLatitude, latitude);
  StoreDecimalCoordinate(data, TGPSAxis::gaLongitude, longitude);
}

std::string DmsTextToDecimal(std::string_view text, const Platform::TFormatSettings& settings) {
  const auto parts = SplitDms(text);
  std::int32_t degrees = 0;
  double minutes = 0, seconds = 0;
  if (!Platform::TryStrToInt(parts.Degrees, degrees) || degrees < 0 ||
      !Platform::TryStrToFloat(parts.Minutes, minutes, settings) ||
      !Platform::TryStrToFloat(SecondsInLocaleForm(parts.Seconds, settings), seconds, settings) || minutes < 0 ||
      seconds < 0)
    return {};
  const double x = minutes / 60.0 + seconds / 3600.0;
  const double whole = std::floor(x);
  if (!(whole + degrees < 1e15))
    return {};
  const bool negative =
      parts.Letter == 'S' || parts.Letter == 'W' || (parts.Minus && parts.Letter != 'N' && parts.Letter != 'E');
  return (negative ? "-" : "") + fmt::format("{:.0f}", whole + degrees) + "." + FractionDigits(x - whole);
}

std::string DecimalTextToDms(std::string_view text, TGPSAxis axis, const Platform::TFormatSettings& settings) {
  std::string rest = Platform::Trim(text);
  bool negative = false;
  if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
    negative = rest.front() == '-';
    rest.erase(0, 1);
  }
  std::string degreeText;
  CutToken(".", rest, degreeText);
  std::int32_t degrees = 0;
  if (degreeText.empty() || !AllDigits(degreeText) || !Platform::TryStrToInt(degreeText, degrees) || !AllDigits(rest))
    return {};
  double fraction = 0;
  if (!rest.empty() && !Platform::TryStrToFloat("0." + rest, fraction, PointSettings()))
    return {};
  // Whole hundredths of a second, so that 59,995 seconds carry into the next minute.
  auto hundredths = static_cast<std::int64_t>(std::llround(fraction * 360000.0));
  std::int64_t wholeDegrees = degrees;
  if (hundredths >= 360000) {
    ++wholeDegrees;
    hundredths -= 360000;
  }
  if (wholeDegrees > std::numeric_limits<std::int32_t>::max())
    return {}; // the degrees would no longer read back
  const auto minutes = hundredths / 6000;
  const auto secondHundredths = hundredths % 6000;
  std::string result = std::to_string(wholeDegrees) + std::string(DegreeSign) + " " + std::to_string(minutes) + "'" +
                       std::to_string(secondHundredths / 100) + settings.DecimalSeparator +
                       fmt::format("{:02}", secondHundredths % 100) + "\"";
  if (negative && hundredths + wholeDegrees > 0)
    result += axis == TGPSAxis::gaLatitude ? "S" : "W";
  return result;
}

TGPSCellTexts CellsFromClipboard(std::string_view text, TGPSClipboardFormat format,
                                 const Platform::TFormatSettings& settings) {
  TGPSCellTexts cells;
  std::string rest(text);
  if (format == TGPSClipboardFormat::gcDecimal) {
    std::string latitude;
    CutToken(",", rest, latitude);
    cells.Latitude = DecimalTextToDms(latitude, TGPSAxis::gaLatitude, settings);
    cells.Longitude = DecimalTextToDms(Platform::Trim(rest), TGPSAxis::gaLongitude, settings);
    return cells;
  }
  // The latitude ends after its seconds' double quote and an optional hemisphere letter;
  // DMS texts may hold blanks themselves ("48° 8'15,30"").
  const auto quote = rest.find('"');
  if (quote == std::string::npos) {
    CutToken(" ", rest, cells.Latitude);
    cells.Longitude = Platform::Trim(rest);
    return cells;
  }
  auto end = quote + 1;
  auto next = end;
  while (next < rest.size() && rest[next] == ' ')
    ++next;
  if (next < rest.size() && std::string_view("NSns").find(rest[next]) != std::string_view::npos &&
      (next + 1 == rest.size() || rest[next + 1] == ' '))
    end = next + 1;
  cells.Latitude = rest.substr(0, end);
  cells.Longitude = Platform::Trim(std::string_view(rest).substr(end));
  return cells;
}

std::string ClipboardFromCells(const TGPSCellTexts& cells, TGPSClipboardFormat format,
                               const Platform::TFormatSettings& settings) {
  if (format == TGPSClipboardFormat::gcDecimal)
    return DmsTextToDecimal(cells.Latitude, settings) + ", " + DmsTextToDecimal(cells.Longitude, settings);
  return cells.Latitude + " " + cells.Longitude;
}

std::optional<double> SignedDegrees(const Tessel::Exif::TGPSLatitude& latitude) {
  return Degrees(latitude, latitude.Direction() == Tessel::Exif::TGPSLatitudeRef::ltSouth);
}

std::optional<double> SignedDegrees(const Tessel::Exif::TGPSLongitude& longitude) {
  return Degrees(longitude, longitude.Direction() == Tessel::Exif::TGPSLongitudeRef::lnWest);
}

std::optional<std::string> MapLinkURL(const TCustomExifData& data) {
  const auto latitude = SignedDegrees(data.GPSLatitude());
  const auto longitude = SignedDegrees(data.GPSLongitude());
  if (!latitude || !longitude)
    return std::nullopt;
  return "https://www.google.com/maps?q=" + SixDecimals(*latitude) + "," + SixDecimals(*longitude);
}

} // namespace Fotarium::Core
