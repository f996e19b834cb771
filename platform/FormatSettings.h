#pragma once

#include <array>
#include <string>

namespace Platform {

// Every locale-dependent text the formatting and parsing routines use. Format
// strings follow the Delphi notation (d, M, yyyy, h, n/mm after h, s, ...).
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat, LongDateFormat, ShortTimeFormat, LongTimeFormat;
  std::string TimeAMString, TimePMString;
  std::array<std::string, 12> ShortMonthNames, LongMonthNames;
  std::array<std::string, 7> ShortDayNames, LongDayNames; // index 0 = Sunday

  // German: "dd.MM.yyyy", "hh:nn:ss", ',' decimal separator, German names.
  [[nodiscard]] static TFormatSettings German();
  // Neutral English: "MM/dd/yyyy", 24-hour "hh:nn:ss", '.' decimal separator.
  [[nodiscard]] static TFormatSettings English();
  // German or English after the user's environment (LC_ALL, then LC_TIME for the
  // date and time texts and LC_NUMERIC for the number separators, then LANG):
  // a locale name starting with "de" selects German, anything else English.
  [[nodiscard]] static TFormatSettings FromEnvironment();
};

// The process-wide settings; English until a program sets them at start.
[[nodiscard]] TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

} // namespace Platform
