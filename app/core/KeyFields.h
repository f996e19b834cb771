#pragma once

#include "app/core/WindowLanguage.h"

#include "platform/FormatSettings.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace Tessel::Exif {
class TCustomExifData;
class TGPSCoordinate;
} // namespace Tessel::Exif

namespace Fotarium::Core {

// German names of the orientation values 0..8.
inline constexpr std::array<std::string_view, 9> OrientationTexts = {
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "unbekannt"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "normal"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "horizontal gespiegelt"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "um 180° gedreht"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "vertical gespiegelt"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "an Hauptdiagonale gespiegelt"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "um 90° gedreht"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "an Nebendiagonale gespiegelt"),
    FOTARIUM_TRANSLATE_NOOP("KeyFields", "um 270° gedreht"),
};

// Name of an orientation value; values outside 0..8 read as "ungültig".
[[nodiscard]] std::string_view OrientationText(int value);

// "48°8'15,3\"N" after the settings' decimal separator; empty when the coordinate is missing
// or invalid. A zero denominator counts as 0.
[[nodiscard]] std::string CoordinateToText(const Tessel::Exif::TGPSCoordinate& coordinate,
                                           const Platform::TFormatSettings& settings = Platform::FormatSettings());

inline constexpr int KeyFieldRowCount = 12;
// The rows of the key-field grid by name.
enum class TKeyFieldRow : int {
  Caption,
  CameraMake,
  CameraModel,
  Orientation,
  Extent,
  Latitude,
  Longitude,
  Altitude,
  CaptureDate,
  Description,
  Resolution,
  Comment,
};
[[nodiscard]] constexpr int RowIndex(TKeyFieldRow row) { return static_cast<int>(row); }
using TKeyFieldRows = std::array<std::pair<std::string, std::string>, KeyFieldRowCount>;

// The rows of the key-field grid: caption (column 0) and value (column 1); row 0 is the
// caption row "Beschreibung:" / "Werte".
[[nodiscard]] TKeyFieldRows KeyFieldRows(const Tessel::Exif::TCustomExifData& data,
                                         const Platform::TFormatSettings& settings = Platform::FormatSettings());

// The value of the capture-date row: short date, a blank and the long time (left out at
// exactly 00:00:00); a missing value shows the short date pattern with zeros.
[[nodiscard]] std::string CaptureDateText(double value, const Platform::TFormatSettings& settings);

// "%g" after the settings' decimal separator.
[[nodiscard]] std::string FormatG(double value, const Platform::TFormatSettings& settings);

} // namespace Fotarium::Core
