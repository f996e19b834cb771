#include "platform/FormatSettings.h"

#include <cstdlib>
#include <string_view>

namespace Platform {

TFormatSettings TFormatSettings::German() {
  TFormatSettings s;
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  s.DateSeparator = '.';
  s.TimeSeparator = ':';
  s.ShortDateFormat = "dd.MM.yyyy";
  s.LongDateFormat = "dddd, d. MMMM yyyy";
  s.ShortTimeFormat = "hh:nn";
  s.LongTimeFormat = "hh:nn:ss";
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  s.LongMonthNames = {"Januar", "Februar", "März",     "April",   "Mai",      "Juni",
                      "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  s.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  s.LongDayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  return s;
}

TFormatSettings TFormatSettings::English() {
  TFormatSettings s;
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.DateSeparator = '/';
  s.TimeSeparator = ':';
  s.ShortDateFormat = "MM/dd/yyyy";
  s.LongDateFormat = "dddd, MMMM d, yyyy";
  s.ShortTimeFormat = "hh:nn";
  s.LongTimeFormat = "hh:nn:ss";
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                      "July",    "August",   "September", "October", "November", "December"};
  s.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  s.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return s;
}

namespace {

// The locale name in force for one category, by the POSIX precedence.
std::string_view LocaleFor(const char* category) {
  for (const char* name : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0')
      return value;
  }
  return {};
}

bool IsGerman(std::string_view locale) {
  return locale.size() >= 2 && (locale[0] == 'd' || locale[0] == 'D') && (locale[1] == 'e' || locale[1] == 'E') &&
         (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@' || locale[2] == '-');
}

} // namespace

TFormatSettings TFormatSettings::FromEnvironment() {
  auto result = IsGerman(LocaleFor("LC_TIME")) ? German() : English();
  const auto numbers = IsGerman(LocaleFor("LC_NUMERIC")) ? German() : English();
  result.DecimalSeparator = numbers.DecimalSeparator;
  result.ThousandSeparator = numbers.ThousandSeparator;
  return result;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = TFormatSettings::English();
  return settings;
}

void SetFormatSettings(const TFormatSettings& settings) { FormatSettings() = settings; }

} // namespace Platform
