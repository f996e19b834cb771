#include "platform/DateTime.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>

namespace Platform {

namespace {

constexpr std::int64_t MSecsPerDay = 86'400'000;
// Anything further out is no calendar date; decoding treats it as day 0.
constexpr double MaxAbsDays = 100'000'000.0;
// 1970-01-01 as a day number.
constexpr std::int64_t UnixDateDelta = 25569;

// Day number (days since 1899-12-30) of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const auto doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + UnixDateDelta;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  const std::int64_t z = days - UnixDateDelta + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = z - era * 146097;
  const auto yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const auto doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const auto mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// A value split into its signed day number and the time of day in milliseconds.
struct TSplitValue {
  std::int64_t Day = 0;
  std::int64_t MSec = 0; // 0 .. MSecsPerDay-1
};

TSplitValue Split(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > MaxAbsDays)
    return {};
  const auto total = std::llround(value * static_cast<double>(MSecsPerDay));
  const auto msec = total % MSecsPerDay;
  return {total / MSecsPerDay, msec < 0 ? -msec : msec};
}

TDateTime Compose(std::int64_t day, std::int64_t msec) {
  const double time = static_cast<double>(msec) / static_cast<double>(MSecsPerDay);
  const auto date = static_cast<double>(day);
  return day < 0 ? date - time : date + time;
}

// Milliseconds on a continuous line, where the time of day always counts forward.
std::int64_t ToLinear(TDateTime value) {
  const auto split = Split(value);
  return split.Day * MSecsPerDay + split.MSec;
}

TDateTime FromLinear(std::int64_t linear) {
  auto day = linear / MSecsPerDay;
  auto msec = linear % MSecsPerDay;
  if (msec < 0) {
    msec += MSecsPerDay;
    --day;
  }
  return Compose(day, msec);
}

TDateTime IncLinear(TDateTime value, std::int64_t n, std::int64_t unit) {
  // Clamp so that absurd step counts cannot overflow the arithmetic.
  constexpr auto limit = static_cast<std::int64_t>(MaxAbsDays) * MSecsPerDay;
  const auto steps = std::clamp<std::int64_t>(n, -limit / unit, limit / unit);
  return FromLinear(std::clamp(ToLinear(value) + steps * unit, -limit, limit));
}

} // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  out = static_cast<double>(DaysFromCivil(year, month, day));
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Ungültiges Argument für Datumskodierung");
  return result;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  const bool inDay = hour >= 0 && hour < 24 && min >= 0 && min < 60 && sec >= 0 && sec < 60 && msec >= 0 && msec < 1000;
  const bool endOfDay = hour == 24 && min == 0 && sec == 0 && msec == 0;
  if (!inDay && !endOfDay)
    return false;
  const std::int64_t total = ((hour * 60LL + min) * 60 + sec) * 1000 + msec;
  out = static_cast<double>(total) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result))
    throw EConvertError("Ungültiges Argument für Zeitkodierung");
  return result;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  const double day = std::trunc(date);
  const double fraction = std::fabs(time - std::trunc(time));
  return day < 0 ? day - fraction : day + fraction;
}

bool TryEncodeDateTime(int y, int mo, int d, int h, int mi, int s, int ms, TDateTime& out) {
  TDateTime date, time;
  if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, ms, time))
    return false;
  // 24:00 is the start of the next day, not a fraction of this one.
  out = time >= 1.0 ? date + 1.0 : ComposeDateTime(date, time);
  return true;
}

TDateTime EncodeDateTime(int y, int mo, int d, int h, int mi, int s, int ms) {
  TDateTime result;
  if (!TryEncodeDateTime(y, mo, d, h, mi, s, ms, result)) {
    (void)EncodeDate(y, mo, d); // raises the date error when the date is the culprit
    throw EConvertError("Ungültiges Argument für Zeitkodierung");
  }
  return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) { CivilFromDays(Split(value).Day, year, month, day); }

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
  auto total = Split(value).MSec;
  msec = static_cast<int>(total % 1000);
  total /= 1000;
  sec = static_cast<int>(total % 60);
  total /= 60;
  min = static_cast<int>(total % 60);
  hour = static_cast<int>(total / 60);
}

void DecodeDateTime(TDateTime value, int& y, int& mo, int& d, int& h, int& mi, int& s, int& ms) {
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
}

int DayOfWeek(TDateTime value) {
  // Day 0, 1899-12-30, was a Saturday.
  auto weekday = (Split(value).Day + 6) % 7;
  if (weekday < 0)
    weekday += 7;
  return static_cast<int>(weekday) + 1;
}

TDateTime DateOf(TDateTime value) { return static_cast<double>(Split(value).Day); }

TDateTime TimeOf(TDateTime value) { return static_cast<double>(Split(value).MSec) / static_cast<double>(MSecsPerDay); }

int MilliSecondOf(TDateTime value) { return static_cast<int>(Split(value).MSec % 1000); }

TDateTime IncMilliSecond(TDateTime value, std::int64_t n) { return IncLinear(value, n, 1); }
TDateTime IncSecond(TDateTime value, std::int64_t n) { return IncLinear(value, n, 1000); }
TDateTime IncMinute(TDateTime value, std::int64_t n) { return IncLinear(value, n, 60'000); }
TDateTime IncHour(TDateTime value, std::int64_t n) { return IncLinear(value, n, 3'600'000); }
TDateTime IncDay(TDateTime value, int n) { return IncLinear(value, n, MSecsPerDay); }

TDateTime Now() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  return Compose(DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday),
                 ((local.tm_hour * 60LL + local.tm_min) * 60 + std::min(local.tm_sec, 59)) * 1000 +
                     now.tv_nsec / 1'000'000);
}

int LocalTimeBiasMinutes(TDateTime localTime) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(localTime, y, mo, d, h, mi, s, ms);
  tm local{};
  local.tm_year = y - 1900;
  local.tm_mon = mo - 1;
  local.tm_mday = d;
  local.tm_hour = h;
  local.tm_min = mi;
  local.tm_sec = s;
  local.tm_isdst = -1; // let the zone rules decide
  errno = 0;
  const time_t t = ::mktime(&local);
  if (t == static_cast<time_t>(-1) && errno != 0) {
    // Out of the C library's range: fall back to the offset in force now.
    const time_t now = ::time(nullptr);
    ::localtime_r(&now, &local);
  }
  return static_cast<int>(-local.tm_gmtoff / 60);
}

std::int64_t DateTimeToUnix(TDateTime value) {
  const auto linear = ToLinear(value) - UnixDateDelta * MSecsPerDay;
  return linear >= 0 ? linear / 1000 : -((-linear + 999) / 1000);
}

TDateTime UnixToDateTime(std::int64_t seconds) {
  constexpr auto limit = static_cast<std::int64_t>(MaxAbsDays) * 86'400;
  return FromLinear((std::clamp(seconds, -limit, limit) + UnixDateDelta * 86'400) * 1000);
}

// --- Formatting ---------------------------------------------------------------

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
  if (text.size() - pos < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (AsciiUpper(text[pos + i]) != AsciiUpper(prefix[i]))
      return false;
  return true;
}

class TDateTimeFormatter {
public:
  TDateTimeFormatter(TDateTime value, const TFormatSettings& settings) : FSettings(settings) {
    DecodeDateTime(value, FYear, FMonth, FDay, FHour, FMinute, FSecond, FMSec);
    FDayOfWeek = DayOfWeek(value);
  }

  // level counts how deep the locale's own formats are nested; they expand two levels deep.
  void Append(std::string_view format, int level) {
    if (format.empty() && level == 0)
      format = "c";
    bool afterHour = false; // an m right after an h means minutes
    std::size_t i = 0;
    while (i < format.size()) {
      const char c = format[i];
      const char token = AsciiUpper(c);
      const bool isLetter = token >= 'A' && token <= 'Z';
      std::size_t count = 1;
      if (isLetter && token != 'A')
        while (i + count < format.size() && AsciiUpper(format[i + count]) == token)
          ++count;
      switch (token) {
      case 'Y':
        if (count <= 2)
          Number(FYear % 100, 2);
        else
          Number(FYear, 4);
        break;
      case 'M':
        if (afterHour && count <= 2)
          Number(FMinute, count == 1 ? 1 : 2);
        else if (count <= 2)
          Number(FMonth, static_cast<int>(count));
        else
          FOut += (count == 3 ? FSettings.ShortMonthNames : FSettings.LongMonthNames)[FMonth - 1];
        break;
      case 'D':
        if (count <= 2)
          Number(FDay, static_cast<int>(count));
        else if (count <= 4)
          FOut += (count == 3 ? FSettings.ShortDayNames : FSettings.LongDayNames)[FDayOfWeek - 1];
        else if (level < 2)
          Append(count == 5 ? FSettings.ShortDateFormat : FSettings.LongDateFormat, level + 1);
        break;
      case 'H': {
        int hour = FHour;
        if (TwelveHourClockAfter(format, i + count))
          hour = hour % 12 == 0 ? 12 : hour % 12;
        Number(hour, count == 1 ? 1 : 2);
        break;
      }
      case 'N': Number(FMinute, count == 1 ? 1 : 2); break;
      case 'S': Number(FSecond, count == 1 ? 1 : 2); break;
      case 'Z': Number(FMSec, static_cast<int>(std::min<std::size_t>(count, 3))); break;
      case 'T':
        if (level < 2)
          Append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, level + 1);
        break;
      case 'C':
        if (level < 2) {
          Append(FSettings.ShortDateFormat, level + 1);
          if (FHour != 0 || FMinute != 0 || FSecond != 0 || FMSec != 0) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat, level + 1);
          }
        }
        break;
      case 'E': Number(FYear, count == 1 ? 1 : 2); break; // the Gregorian era counts from year 1
      case 'G': FOut += EraName(FSettings); break;
      case 'A': count = AmPmOrDayName(format, i); break;
      case '/':
        if (FSettings.DateSeparator != '\0')
          FOut += FSettings.DateSeparator;
        break;
      case ':':
        if (FSettings.TimeSeparator != '\0')
          FOut += FSettings.TimeSeparator;
        break;
      case '"':
      case '\'':
        count = QuotedLength(format, i);
        FOut.append(format.substr(i + 1, QuotedTextLength(format, i)));
        break;
      default: FOut.append(format.substr(i, count)); break;
      }
      // Any letter ends the "right after an hour" state; other characters keep it.
      if (isLetter)
        afterHour = token == 'H';
      i += count;
    }
  }

  std::string Result() { return std::move(FOut); }

private:
  void Number(int value, int digits) {
    auto text = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(text.size()) < digits)
      text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    if (value < 0)
      FOut += '-';
    FOut += text;
  }

  // Writes the am/pm marker or the day name at format[pos], answers how many format
  // characters it took; an "a" that starts neither is copied.
  std::size_t AmPmOrDayName(std::string_view format, std::size_t pos) {
    const bool pm = FHour >= 12;
    if (StartsWithNoCase(format, pos, "am/pm")) {
      FOut.append(format.substr(pos + (pm ? 3 : 0), 2));
      return 5;
    }
    if (StartsWithNoCase(format, pos, "a/p")) {
      FOut += format[pos + (pm ? 2 : 0)];
      return 3;
    }
    if (StartsWithNoCase(format, pos, "ampm")) {
      FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
      return 4;
    }
    if (StartsWithNoCase(format, pos, "aaaa")) {
      FOut += FSettings.LongDayNames[FDayOfWeek - 1];
      return 4;
    }
    if (StartsWithNoCase(format, pos, "aaa")) {
      FOut += FSettings.ShortDayNames[FDayOfWeek - 1];
      return 3;
    }
    FOut += format[pos];
    return 1;
  }

  // The characters between a quote at pos and its closing quote (or the end).
  static std::size_t QuotedTextLength(std::string_view format, std::size_t pos) {
    const auto end = format.find(format[pos], pos + 1);
    return (end == std::string_view::npos ? format.size() : end) - pos - 1;
  }
  // The quoted text with both quotes (an unclosed quote takes the rest of the format).
  static std::size_t QuotedLength(std::string_view format, std::size_t pos) {
    const auto text = QuotedTextLength(format, pos);
    return pos + 1 + text < format.size() ? text + 2 : text + 1;
  }

  // An hour counts on the 12-hour clock when, looking forward from it, the first "a"
  // outside quotes before any further h starts an am/pm, a/p or ampm marker.
  static bool TwelveHourClockAfter(std::string_view format, std::size_t pos) {
    while (pos < format.size()) {
      const char token = AsciiUpper(format[pos]);
      if (token == '"' || token == '\'') {
        pos += QuotedLength(format, pos);
        continue;
      }
      if (token == 'H')
        return false;
      if (token == 'A')
        return StartsWithNoCase(format, pos, "am/pm") || StartsWithNoCase(format, pos, "a/p") ||
               StartsWithNoCase(format, pos, "ampm");
      ++pos;
    }
    return false;
  }

  // The settings carry no era texts; the Gregorian era's name follows the profile's
  // language, told apart by its month names.
  static std::string_view EraName(const TFormatSettings& settings) {
    return settings.LongMonthNames[0] == "Januar" ? "n. Chr." : "A.D.";
  }

  const TFormatSettings& FSettings;
  int FYear, FMonth, FDay, FHour, FMinute, FSecond, FMSec, FDayOfWeek;
  std::string FOut;
};

} // namespace

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
  TDateTimeFormatter formatter(value, settings);
  formatter.Append(format, 0);
  return formatter.Result();
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

// --- Parsing --------------------------------------------------------------------

namespace {

enum class TDateOrder { doMDY, doDMY, doYMD };

TDateOrder DateOrderOf(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    switch (AsciiUpper(format[i])) {
    case 'D': return TDateOrder::doDMY;
    case 'M': return TDateOrder::doMDY;
    case 'Y': return TDateOrder::doYMD;
    case '"':
    case '\'': {
      const auto end = format.find(format[i], i + 1);
      if (end == std::string_view::npos)
        return TDateOrder::doMDY;
      i = end;
      break;
    }
    default: break;
    }
  }
  return TDateOrder::doMDY;
}

int CurrentYear() {
  int year, month, day;
  DecodeDate(Now(), year, month, day);
  return year;
}

class TDateTimeScanner {
public:
  TDateTimeScanner(std::string_view text, const TFormatSettings& settings) : FText(text), FSettings(settings) {}

  void SkipBlanks() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t'))
      ++FPos;
  }
  [[nodiscard]] bool AtEnd() {
    SkipBlanks();
    return FPos == FText.size();
  }
  [[nodiscard]] std::size_t Pos() const { return FPos; }
  void SetPos(std::size_t pos) { FPos = pos; }

  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      if (digits == 9)
        return false;
      value = value * 10 + (FText[FPos] - '0');
      ++digits;
      ++FPos;
    }
    return digits > 0;
  }

  bool Char(char c) {
    SkipBlanks();
    if (c == '\0' || FPos >= FText.size() || FText[FPos] != c)
      return false;
    ++FPos;
    return true;
  }

  // Answers 0 for none, 1 for am, 2 for pm.
  int AmPm() {
    SkipBlanks();
    const std::string_view candidates[] = {FSettings.TimeAMString, FSettings.TimePMString, "AM", "PM"};
    std::size_t best = 0;
    int kind = 0;
    for (int k = 0; k < 4; ++k) {
      const auto& text = candidates[k];
      if (!text.empty() && text.size() > best && StartsWithNoCase(FText, FPos, text)) {
        best = text.size();
        kind = k % 2 == 0 ? 1 : 2;
      }
    }
    FPos += best;
    return kind;
  }

  bool Date(std::int64_t& day) {
    int n[3], len[3];
    int parts = 0;
    if (!Number(n[0], len[0]) || !Char(FSettings.DateSeparator) || !Number(n[1], len[1]))
      return false;
    parts = 2;
    const auto afterTwo = FPos;
    if (Char(FSettings.DateSeparator) && Number(n[2], len[2]))
      parts = 3;
    else
      FPos = afterTwo;

    int year, month, dayOfMonth, yearDigits = 4;
    const auto order = DateOrderOf(FSettings.ShortDateFormat);
    if (parts == 2) {
      year = CurrentYear();
      month = order == TDateOrder::doDMY ? n[1] : n[0];
      dayOfMonth = order == TDateOrder::doDMY ? n[0] : n[1];
    } else if (order == TDateOrder::doYMD || len[0] > 2) {
      year = n[0], yearDigits = len[0], month = n[1], dayOfMonth = n[2];
    } else if (order == TDateOrder::doDMY) {
      dayOfMonth = n[0], month = n[1], year = n[2], yearDigits = len[2];
    } else {
      month = n[0], dayOfMonth = n[1], year = n[2], yearDigits = len[2];
    }
    if (yearDigits <= 2 && year < 100) {
      // Two-digit years fall into the century window around the current year.
      const int windowStart = CurrentYear() - 50;
      year += windowStart / 100 * 100;
      if (year < windowStart)
        year += 100;
    }
    TDateTime value;
    if (!TryEncodeDate(year, month, dayOfMonth, value))
      return false;
    day = static_cast<std::int64_t>(value);
    return true;
  }

  bool Time(std::int64_t& msec) {
    int ampm = AmPm();
    int hour, hourLen, minute = 0, second = 0, millis = 0, len;
    if (!Number(hour, hourLen))
      return false;
    bool haveMinutes = false;
    if (Char(FSettings.TimeSeparator)) {
      if (!Number(minute, len))
        return false;
      haveMinutes = true;
      if (Char(FSettings.TimeSeparator)) {
        if (!Number(second, len))
          return false;
        if (Char(FSettings.DecimalSeparator) || Char('.')) {
          if (!Number(millis, len))
            return false;
          // Fractions of a second: ".5" is 500 ms; digits past the third are cut.
          for (; len < 3; ++len)
            millis *= 10;
          for (; len > 3; --len)
            millis /= 10;
        }
      }
    }
    if (ampm == 0)
      ampm = AmPm();
    if (!haveMinutes && ampm == 0)
      return false;
    if (ampm != 0) {
      if (hour > 12)
        return false;
      if (hour == 12)
        hour = 0;
      if (ampm == 2)
        hour += 12;
    }
    TDateTime value;
    if (!TryEncodeTime(hour, minute, second, millis, value))
      return false;
    msec = std::llround(value * static_cast<double>(MSecsPerDay));
    return true;
  }

private:
  std::string_view FText;
  const TFormatSettings& FSettings;
  std::size_t FPos = 0;
};

} // namespace

bool TryStrToDateTime(std::string_view text, TDateTime& out, const TFormatSettings& settings) {
  TDateTimeScanner scanner(text, settings);
  std::int64_t day = 0, msec = 0;
  if (scanner.Date(day)) {
    if (!scanner.AtEnd() && (!scanner.Time(msec) || !scanner.AtEnd()))
      return false;
  } else {
    scanner.SetPos(0);
    if (!scanner.Time(msec) || !scanner.AtEnd())
      return false;
  }
  out = msec >= MSecsPerDay ? static_cast<double>(day + 1) : Compose(day, msec);
  return true;
}

bool TryStrToDate(std::string_view text, TDateTime& out, const TFormatSettings& settings) {
  TDateTimeScanner scanner(text, settings);
  std::int64_t day = 0;
  if (!scanner.Date(day) || !scanner.AtEnd())
    return false;
  out = static_cast<double>(day);
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& out, const TFormatSettings& settings) {
  TDateTimeScanner scanner(text, settings);
  std::int64_t msec = 0;
  if (!scanner.Time(msec) || !scanner.AtEnd())
    return false;
  out = static_cast<double>(msec) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime result;
  if (!TryStrToDateTime(text, result, settings))
    throw EConvertError("'" + std::string(text) + "' ist kein gültiges Datum und Uhrzeit");
  return result;
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime result;
  if (!TryStrToDate(text, result, settings))
    throw EConvertError("'" + std::string(text) + "' ist kein gültiges Datum");
  return result;
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime result;
  if (!TryStrToTime(text, result, settings))
    throw EConvertError("'" + std::string(text) + "' ist keine gültige Uhrzeit");
  return result;
}

} // namespace Platform
