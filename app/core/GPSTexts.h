#pragma once

// GPS positions as text: the grid's degree-minute-second text (DMS text, the locale's
// decimal separator, as "48°8'15,3"N"), the decimal text for the clipboard (always with a
// point, a leading "-" for south and west), and the web map address.

#include "Tessel/Exif.h"
#include "app/core/WindowLanguage.h"

#include "platform/FormatSettings.h"

#include <optional>
#include <string>
#include <string_view>

namespace Fotarium::Core {

enum class TGPSAxis : unsigned char { gaLatitude, gaLongitude };

// The two clipboard formats of the GPS dialog, in the order of its radio group.
enum class TGPSClipboardFormat : unsigned char { gcDegreesMinutesSeconds, gcDecimal };

inline constexpr std::string_view NoGPSDataMessage = FOTARIUM_TRANSLATE_NOOP("GPSTexts", "Keine GPS-Daten verfügbar!");
inline constexpr std::string_view KMLNotAvailableMessage =
    FOTARIUM_TRANSLATE_NOOP("GPSTexts", "Diese Option ist noch nicht verfügbar!");

// Every position is written the same way, from the window's cells as from the command
// line: whole degrees and minutes, seconds to four decimals (halves to even) reduced to
// lowest terms, the hemisphere letter, and GPSVersionID 2.2.0.0 when the GPS directory has
// no version yet.
//
// Stores signed decimal degrees (south and west negative) as GPSLatitude and GPSLongitude,
// the whole value rounded once, so that a second that rounds up to 60 carries into the
// minute. Raises Platform::ERangeError beyond -90..90 or -180..180.
void SetGPSPosition(Tessel::Exif::TCustomExifData& data, double latitude, double longitude);

// Stores a DMS text as GPSLatitude / GPSLongitude: degrees and minutes as whole numbers,
// seconds to four decimals (halves to even) reduced to lowest terms; a point in the
// seconds is read as the decimal separator. The hemisphere is the letter after the
// seconds ("N"/"S", "E"/"W"), else a leading minus on the degrees means south or west,
// else north or east. Answers false and stores nothing for text that does not parse;
// raises Platform::ERangeError for negative numbers, seconds beyond the rational's range
// or a seconds text whose first point lies beyond its 255th character.
bool SetLatitudeFromText(Tessel::Exif::TCustomExifData& data, std::string_view text,
                         const Platform::TFormatSettings& settings = Platform::FormatSettings());
bool SetLongitudeFromText(Tessel::Exif::TCustomExifData& data, std::string_view text,
                          const Platform::TFormatSettings& settings = Platform::FormatSettings());

// DMS text to decimal text: degrees, "." and up to six fraction digits (cut, not
// rounded), "-" in front for "S", "W" or a minus on the degrees; empty when it does not parse.
[[nodiscard]] std::string DmsTextToDecimal(std::string_view text,
                                           const Platform::TFormatSettings& settings = Platform::FormatSettings());
// Decimal text (point as separator, optional sign) to DMS text: degrees, "° ", minutes,
// "'", seconds with two decimals, a double quote, and "S" or "W" when negative; empty
// when it does not parse.
[[nodiscard]] std::string DecimalTextToDms(std::string_view text, TGPSAxis axis,
                                           const Platform::TFormatSettings& settings = Platform::FormatSettings());

// The dialog's cells for latitude and longitude.
struct TGPSCellTexts {
  std::string Latitude;
  std::string Longitude;
  bool operator==(const TGPSCellTexts&) const = default;
};
// Clipboard text to the cells. DMS: split after the latitude's seconds (and letter),
// or at the first blank when there is no double quote; decimal: split at the first
// comma, each half converted with DecimalTextToDms. Without a separator the whole text
// goes to the latitude and the longitude stays empty.
[[nodiscard]] TGPSCellTexts CellsFromClipboard(std::string_view text, TGPSClipboardFormat format,
                                               const Platform::TFormatSettings& settings = Platform::FormatSettings());
// The cells as clipboard text: "lat lon" or "latDecimal, lonDecimal".
[[nodiscard]] std::string ClipboardFromCells(const TGPSCellTexts& cells, TGPSClipboardFormat format,
                                             const Platform::TFormatSettings& settings = Platform::FormatSettings());

// The stored coordinate in signed decimal degrees (south and west negative); nullopt when
// its degrees or minutes are missing.
[[nodiscard]] std::optional<double> SignedDegrees(const Tessel::Exif::TGPSLatitude& latitude);
[[nodiscard]] std::optional<double> SignedDegrees(const Tessel::Exif::TGPSLongitude& longitude);
// "https://www.google.com/maps?q=<lat>,<lon>" with six decimals and a point; nullopt
// when the latitude or the longitude is missing (then show NoGPSDataMessage).
[[nodiscard]] std::optional<std::string> MapLinkURL(const Tessel::Exif::TCustomExifData& data);

} // namespace Fotarium::Core
