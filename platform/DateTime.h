#pragma once

#include "platform/FormatSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

// Days since 1899-12-30; the fraction is the time of day. For days before that
// date the value is negative and its fraction still counts forward from midnight:
// -1.25 is 1899-12-29 06:00.
using TDateTime = double;
constexpr TDateTime MinDateTime = -693593.0;     // 0001-01-01
constexpr TDateTime MaxDateTime = 2958465.99999999; // 9999-12-31 23:59:59.999

[[nodiscard]] bool IsLeapYear(int year);
[[nodiscard]] int DaysInAMonth(int year, int month); // 0 for a month out of 1..12

// Years 1..9999; EConvertError from the raising forms.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
[[nodiscard]] TDateTime EncodeDate(int year, int month, int day);
// 24:00:00.000 is accepted and gives 1.0, as the end of a day.
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
[[nodiscard]] TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDateTime(int y, int mo, int d, int h, int mi, int s, int ms, TDateTime& out);
[[nodiscard]] TDateTime EncodeDateTime(int y, int mo, int d, int h, int mi, int s, int ms);
// A date (its whole days) joined with a time of day (its fraction), either sign.
[[nodiscard]] TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Values are rounded to the millisecond first. Values that are not finite or lie
// beyond any sensible calendar decode as 1899-12-30 00:00.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& y, int& mo, int& d, int& h, int& mi, int& s, int& ms);
[[nodiscard]] int DayOfWeek(TDateTime value); // 1 = Sunday .. 7 = Saturday
[[nodiscard]] TDateTime DateOf(TDateTime value);
[[nodiscard]] TDateTime TimeOf(TDateTime value); // always in [0, 1)
[[nodiscard]] int MilliSecondOf(TDateTime value);

// Arithmetic on the continuous time line, so that steps across 1899-12-30 work.
[[nodiscard]] TDateTime IncMilliSecond(TDateTime value, std::int64_t n);
[[nodiscard]] TDateTime IncSecond(TDateTime value, std::int64_t n);
[[nodiscard]] TDateTime IncMinute(TDateTime value, std::int64_t n);
[[nodiscard]] TDateTime IncHour(TDateTime value, std::int64_t n);
[[nodiscard]] TDateTime IncDay(TDateTime value, int n);

[[nodiscard]] TDateTime Now(); // local time
// Minutes to add to the given local time to get UTC (-60 for Central Europe in
// winter), after the TZ rules of the C library.
[[nodiscard]] int LocalTimeBiasMinutes(TDateTime localTime);
[[nodiscard]] std::int64_t DateTimeToUnix(TDateTime value); // whole seconds, no time zone
[[nodiscard]] TDateTime UnixToDateTime(std::int64_t seconds);

// Delphi format specifiers, case-insensitive: d dd ddd dddd ddddd dddddd, m mm mmm
// mmmm (minutes right after an h), yy yyyy, h hh, n nn, s ss, z zzz, am/pm a/p ampm
// (12-hour clock), t tt, c, / and : (the locale's separators), "..." and '...'
// literals. An empty format means "c".
[[nodiscard]] std::string FormatDateTime(std::string_view format, TDateTime value,
                                         const TFormatSettings& settings = FormatSettings());
// Short date plus long time; the time is left out at midnight.
[[nodiscard]] std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
[[nodiscard]] std::string DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
[[nodiscard]] std::string TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

// The date's numbers in the order of ShortDateFormat, separated by DateSeparator
// (a first number of more than two digits is always the year; a missing year is
// the current one; two-digit years fall within 50 years of now), then optionally a
// time: h:mm[:ss[.zzz]] with TimeSeparator and an optional am/pm. Blanks around
// the parts are allowed.
bool TryStrToDateTime(std::string_view text, TDateTime& out, const TFormatSettings& settings = FormatSettings());
bool TryStrToDate(std::string_view text, TDateTime& out, const TFormatSettings& settings = FormatSettings());
bool TryStrToTime(std::string_view text, TDateTime& out, const TFormatSettings& settings = FormatSettings());
// Raising forms: EConvertError "'<text>' ist kein gültiges Datum und Uhrzeit" and relatives.
[[nodiscard]] TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
[[nodiscard]] TDateTime StrToDate(std::string_view text, const TFormatSettings& settings = FormatSettings());
[[nodiscard]] TDateTime StrToTime(std::string_view text, const TFormatSettings& settings = FormatSettings());

} // namespace Platform
