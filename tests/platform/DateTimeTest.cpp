#include "platform/DateTime.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

using namespace Platform;

namespace {

struct TParts {
  int Y, Mo, D, H, Mi, S, Ms;
  bool operator==(const TParts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TParts& p) {
  return out << p.Y << '-' << p.Mo << '-' << p.D << ' ' << p.H << ':' << p.Mi << ':' << p.S << '.' << p.Ms;
}

TParts Parts(TDateTime value) {
  TParts p{};
  DecodeDateTime(value, p.Y, p.Mo, p.D, p.H, p.Mi, p.S, p.Ms);
  return p;
}

// Sets an environment variable for the lifetime of the object.
class TEnvOverride {
public:
  TEnvOverride(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name))
      FOld = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
    ::tzset();
  }
  ~TEnvOverride() {
    if (FOld)
      ::setenv(FName, FOld->c_str(), 1);
    else
      ::unsetenv(FName);
    ::tzset();
  }

private:
  const char* FName;
  std::optional<std::string> FOld;
};

const auto German = TFormatSettings::German();
const auto English = TFormatSettings::English();

} // namespace

TEST(DateTime, EncodesAndDecodesTheCalendar) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1970, 1, 1), 25569.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);

  TDateTime value;
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, value)) << "2000 is a leap year";
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, value)) << "1900 is not";
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, value));
  EXPECT_FALSE(TryEncodeDate(2023, 4, 31, value));
  EXPECT_THROW((void)EncodeDate(2023, 0, 1), EConvertError);
  EXPECT_THROW((void)EncodeTime(12, 60, 0, 0), EConvertError);
  EXPECT_THROW((void)EncodeDateTime(2023, 1, 1, 12, 0, 0, 1000), EConvertError);

  // Every day from year 1 to 9999 decodes to what it was made from.
  int y = 1, m = 1, d = 1;
  for (auto day = static_cast<std::int64_t>(MinDateTime); day <= 2958465; ++day) {
    int yy, mm, dd;
    DecodeDate(static_cast<double>(day), yy, mm, dd);
    ASSERT_TRUE(yy == y && mm == m && dd == d) << "day " << day << " decoded as " << yy << '-' << mm << '-' << dd;
    if (++d > DaysInAMonth(y, m)) {
      d = 1;
      if (++m > 12)
        m = 1, ++y;
    }
  }

  EXPECT_EQ(Parts(EncodeDateTime(2023, 7, 4, 9, 5, 3, 7)), (TParts{2023, 7, 4, 9, 5, 3, 7}));
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2) << "a Monday";
  EXPECT_EQ(DayOfWeek(0.0), 7) << "1899-12-30 was a Saturday";
  EXPECT_EQ(DayOfWeek(MinDateTime), 2) << "0001-01-01 was a Monday";
}

TEST(DateTime, NegativeValuesCountTheTimeForwardFromMidnight) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(Parts(-1.25), (TParts{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(Parts(-0.5), (TParts{1899, 12, 30, 12, 0, 0, 0})) << "day 0 has two signs";
  EXPECT_EQ(DayOfWeek(-1.25), 6);
  EXPECT_EQ(DateOf(-1.25), -1.0);
  EXPECT_EQ(TimeOf(-1.25), 0.25);

  // Stepping across 1899-12-30 keeps the calendar continuous.
  EXPECT_EQ(IncHour(-1.25, 24), 0.25);
  EXPECT_EQ(IncDay(0.25, -1), -1.25);
  EXPECT_EQ(Parts(IncMinute(EncodeDateTime(1899, 12, 29, 23, 59, 0, 0), 2)), (TParts{1899, 12, 30, 0, 1, 0, 0}));
  EXPECT_EQ(Parts(IncSecond(EncodeDateTime(1899, 12, 30, 0, 0, 1, 0), -2)), (TParts{1899, 12, 29, 23, 59, 59, 0}));
  EXPECT_EQ(Parts(IncMilliSecond(EncodeDateTime(1850, 3, 1, 0, 0, 0, 0), -1)), (TParts{1850, 2, 28, 23, 59, 59, 999}));
  EXPECT_EQ(Parts(IncDay(EncodeDateTime(1600, 2, 28, 18, 30, 0, 0), 1)), (TParts{1600, 2, 29, 18, 30, 0, 0}));
}

TEST(DateTime, RoundsToTheMillisecondAndTakesMidnightAsEndOfDay) {
  const auto almostMidnight = EncodeDate(2023, 12, 31) + (86'399'999.6 / 86'400'000.0);
  EXPECT_EQ(Parts(almostMidnight), (TParts{2024, 1, 1, 0, 0, 0, 0}))
      << "rounds into the next day, not to 23:59:59.1000";
  EXPECT_EQ(MilliSecondOf(EncodeDateTime(2023, 1, 1, 1, 2, 3, 456)), 456);

  EXPECT_EQ(EncodeDateTime(2020, 1, 1, 24, 0, 0, 0), EncodeDate(2020, 1, 2));
  EXPECT_EQ(EncodeDateTime(1899, 12, 28, 24, 0, 0, 0), -1.0);
  TDateTime value;
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 1, value));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, value));

  // Garbage values must not crash or overflow.
  for (double garbage :
       {1e300, -1e300, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(Parts(garbage), (TParts{1899, 12, 30, 0, 0, 0, 0}));
    (void)FormatDateTime("c", garbage);
    (void)IncDay(garbage, 1);
  }
  (void)IncMilliSecond(0, std::numeric_limits<std::int64_t>::max());
  (void)IncHour(0, std::numeric_limits<std::int64_t>::min());
}

TEST(DateTime, UnixSecondsAndClock) {
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1970, 1, 1, 0, 0, 1, 0)), 1);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1969, 12, 31, 23, 59, 59, 0)), -1);
  EXPECT_EQ(UnixToDateTime(1'700'000'000), EncodeDateTime(2023, 11, 14, 22, 13, 20, 0));
  int year, month, day;
  DecodeDate(Now(), year, month, day);
  EXPECT_GE(year, 2024);
}

TEST(DateTime, LocalTimeBiasFollowsTheZoneRules) {
  {
    TEnvOverride tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(LocalTimeBiasMinutes(EncodeDateTime(2023, 1, 15, 12, 0, 0, 0)), -60);
    EXPECT_EQ(LocalTimeBiasMinutes(EncodeDateTime(2023, 7, 15, 12, 0, 0, 0)), -120);
  }
  {
    TEnvOverride tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(LocalTimeBiasMinutes(EncodeDateTime(2023, 1, 15, 12, 0, 0, 0)), 300);
  }
  TEnvOverride tz("TZ", "UTC0");
  EXPECT_EQ(LocalTimeBiasMinutes(EncodeDateTime(2023, 7, 15, 12, 0, 0, 0)), 0);
}

TEST(DateTime, FormatsWithDelphiSpecifiers) {
  const auto t = EncodeDateTime(2023, 7, 4, 9, 5, 3, 7);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", t, German), "2023-07-04 09:05:03.007");
  EXPECT_EQ(FormatDateTime("d.m.yy h:n:s z", t, German), "4.7.23 9:5:3 7");
  EXPECT_EQ(FormatDateTime("hh:mm", t, German), "09:05") << "m right after h means minutes";
  EXPECT_EQ(FormatDateTime("mm/dd", t, English), "07/04");
  EXPECT_EQ(FormatDateTime("YYYY MM DD", t, English), "2023 07 04") << "specifiers ignore case";
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", t, German), "Di Dienstag Jul Juli");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", EncodeDate(2023, 3, 5), German), "So Sonntag Mär März");
  EXPECT_EQ(FormatDateTime("ddddd", t, German), "04.07.2023");
  EXPECT_EQ(FormatDateTime("ddddd", t, English), "07/04/2023");
  EXPECT_EQ(FormatDateTime("dddddd", t, German), "Dienstag, 4. Juli 2023");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy t", t, German), "04.07.2023 09:05") << "/ is the date separator";
  EXPECT_EQ(FormatDateTime("\"yyyy\" 'dd' yyyy", t, German), "yyyy dd 2023");
  EXPECT_EQ(FormatDateTime("yyyy \"open", t, German), "2023 open");
  EXPECT_EQ(FormatDateTime("", t, German), "04.07.2023 09:05:03");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25, German), "1899-12-29 06:00");

  auto dotted = German;
  dotted.TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("hh:nn", t, dotted), "09.05");
  // A format that names itself must not recurse forever.
  dotted.ShortDateFormat = "ddddd c";
  (void)FormatDateTime("c", t, dotted);

  EXPECT_EQ(DateTimeToStr(EncodeDate(2023, 7, 4), German), "04.07.2023") << "no time at midnight";
  EXPECT_EQ(DateTimeToStr(t, German), "04.07.2023 09:05:03");
  EXPECT_EQ(DateTimeToStr(t, English), "07/04/2023 09:05:03");
  EXPECT_EQ(DateToStr(t, English), "07/04/2023");
  EXPECT_EQ(TimeToStr(t, German), "09:05:03");
}

TEST(DateTime, FormatsTwelveHourClock) {
  const auto at = [](int hour) { return EncodeDateTime(2023, 1, 1, hour, 7, 0, 0); };
  EXPECT_EQ(FormatDateTime("h:nn am/pm", at(0), English), "12:07 am");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", at(12), English), "12:07 PM");
  EXPECT_EQ(FormatDateTime("hh:nn Am/Pm", at(13), English), "01:07 Pm") << "the marker keeps the format's case";
  EXPECT_EQ(FormatDateTime("h a/p", at(23), English), "11 p");
  EXPECT_EQ(FormatDateTime("h ampm", at(9), English), "9 AM");
  EXPECT_EQ(FormatDateTime("hh \"am/pm\"", at(13), English), "13 am/pm") << "quoted markers do not switch the clock";
}

TEST(DateTime, FormatsEveryPatternSpecifier) {
  // Friday, 2016-09-23 13:26:52.045
  const auto t = EncodeDateTime(2016, 9, 23, 13, 26, 52, 45);
  struct TCase {
    const char* Format;
    const char* GermanText;
    const char* EnglishText;
  };
  const TCase cases[] = {
      {"aaa aaaa", "Fr Freitag", "Fri Friday"},
      {"AAAA aaaaa", "Freitag Freitaga", "Friday Fridaya"},
      {"a aa", "a aa", "a aa"},
      {"z zz zzz zzzz", "45 45 045 045", "45 45 045 045"},
      {"y yyy yyyyy", "16 2016 2016", "16 2016 2016"},
      {"hhh:n:s", "13:26:52", "13:26:52"},
      {"e ee g gg", "2016 2016 n. Chr. n. Chr.", "2016 2016 A.D. A.D."},
      {"t", "13:26", "13:26"},
      {"tttt", "13:26:52", "13:26:52"},
      {"dddddddd", "Freitag, 23. September 2016", "Friday, September 23, 2016"},
      {"c", "23.09.2016 13:26:52", "09/23/2016 13:26:52"},
      {"h-x-mm", "13-x-09", "13-x-09"},
      {"h_mm", "13_26", "13_26"},
      {"h'x'mm", "13x26", "13x26"},
      {"hhmmm", "13Sep", "13Sep"},
      {"mm hh", "09 13", "09 13"},
      {"yymmdd_hhnnss", "160923_132652", "160923_132652"},
      {"hh am/pm", "01 pm", "01 pm"},
      {"hh h am/pm", "13 1 pm", "13 1 pm"},
      {"h aaa am/pm", "13 Fr pm", "13 Fri pm"},
      {"h 'a/p' a/p", "1 a/p p", "1 a/p p"},
      {"h \"unclosed a/p", "13 unclosed a/p", "13 unclosed a/p"},
      {"ddddd", "23.09.2016", "09/23/2016"},
      {"dd/mm", "23.09", "23/09"},
      {"@_x", "@_x", "@_x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime(c.Format, t, German), c.GermanText) << c.Format;
    EXPECT_EQ(FormatDateTime(c.Format, t, English), c.EnglishText) << c.Format;
  }
  EXPECT_EQ(FormatDateTime("hh:nn a/p", EncodeDateTime(2016, 9, 23, 0, 5, 0, 0), English), "12:05 a");

  // Locale formats are patterns too, expanded two levels deep and no further.
  auto nested = German;
  nested.ShortDateFormat = "yyyy t";
  nested.ShortTimeFormat = "hh c";
  EXPECT_EQ(FormatDateTime("ddddd", t, nested), "2016 13 ");
  nested.LongTimeFormat = "";
  EXPECT_EQ(FormatDateTime("tt|", t, nested), "|") << "an empty locale format stays empty";
}

TEST(DateTime, ParsesTextInTheLocaleOrder) {
  TDateTime value;
  ASSERT_TRUE(TryStrToDateTime("04.07.2023 09:05:03", value, German));
  EXPECT_EQ(Parts(value), (TParts{2023, 7, 4, 9, 5, 3, 0}));
  ASSERT_TRUE(TryStrToDateTime("  4.7.2023   9:05 ", value, German));
  EXPECT_EQ(Parts(value), (TParts{2023, 7, 4, 9, 5, 0, 0}));
  ASSERT_TRUE(TryStrToDateTime("4.7.23", value, German));
  EXPECT_EQ(Parts(value), (TParts{2023, 7, 4, 0, 0, 0, 0})) << "two-digit years near now";
  ASSERT_TRUE(TryStrToDateTime("31.12.99", value, German));
  EXPECT_EQ(Parts(value).Y, 1999);
  ASSERT_TRUE(TryStrToDateTime("12:30:15,25", value, German));
  EXPECT_EQ(Parts(value), (TParts{1899, 12, 30, 12, 30, 15, 250})) << "a time alone lies on day 0";
  ASSERT_TRUE(TryStrToDateTime("29.12.1899 06:00", value, German));
  EXPECT_EQ(value, -1.25);
  ASSERT_TRUE(TryStrToDateTime("1.2", value, German));
  EXPECT_EQ(Parts(value).Mo, 2) << "day.month without a year";
  EXPECT_EQ(Parts(value).D, 1);

  ASSERT_TRUE(TryStrToDateTime("07/04/2023 9:05 PM", value, English));
  EXPECT_EQ(Parts(value), (TParts{2023, 7, 4, 21, 5, 0, 0}));
  ASSERT_TRUE(TryStrToDateTime("07/04/2023 12:00 am", value, English));
  EXPECT_EQ(Parts(value).H, 0);
  ASSERT_TRUE(TryStrToDateTime("2023/07/04", value, English)) << "a long first number is the year";
  EXPECT_EQ(Parts(value), (TParts{2023, 7, 4, 0, 0, 0, 0}));
  ASSERT_TRUE(TryStrToTime("9 PM", value, English));
  EXPECT_EQ(Parts(value).H, 21);
  ASSERT_TRUE(TryStrToTime("12:30:15.5", value, English));
  EXPECT_EQ(MilliSecondOf(value), 500);

  for (const char* bad : {"", " ", "04.07.2023 25:00", "04.07.2023x", "29.02.2023", "4.7.2023 9", "9:", "13:00 PM",
                          "04.07.2023 09:05:03 extra", "1234567890.1.1", "07/04/2023"}) {
    EXPECT_FALSE(TryStrToDateTime(bad, value, German)) << '"' << bad << '"';
  }
  EXPECT_FALSE(TryStrToDate("04.07.2023 09:05", value, German)) << "a date only";
  EXPECT_FALSE(TryStrToTime("04.07.2023", value, German)) << "a time only";
  EXPECT_TRUE(TryStrToDate("04.07.2023", value, German));

  // What the formatter writes, the parser reads back.
  const auto t = EncodeDateTime(1987, 11, 23, 17, 44, 9, 0);
  for (const auto* settings : {&German, &English}) {
    ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(t, *settings), value, *settings));
    EXPECT_EQ(value, t);
  }
  try {
    (void)StrToDateTime("nope", German);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'nope' ist kein gültiges Datum und Uhrzeit");
  }
}

TEST(FormatSettings, ProfilesAndEnvironment) {
  EXPECT_EQ(German.DecimalSeparator, ',');
  EXPECT_EQ(German.LongMonthNames[2], "März");
  EXPECT_EQ(German.LongDayNames[0], "Sonntag");
  EXPECT_EQ(English.DecimalSeparator, '.');
  EXPECT_EQ(English.ShortDayNames[6], "Sat");

  TEnvOverride all("LC_ALL", nullptr);
  TEnvOverride time("LC_TIME", nullptr);
  TEnvOverride numeric("LC_NUMERIC", nullptr);
  {
    TEnvOverride lang("LANG", "de_DE.UTF-8");
    const auto s = TFormatSettings::FromEnvironment();
    EXPECT_EQ(s.ShortDateFormat, German.ShortDateFormat);
    EXPECT_EQ(s.DecimalSeparator, ',');
    {
      TEnvOverride en("LC_NUMERIC", "en_US.UTF-8");
      const auto mixed = TFormatSettings::FromEnvironment();
      EXPECT_EQ(mixed.ShortDateFormat, German.ShortDateFormat);
      EXPECT_EQ(mixed.DecimalSeparator, '.') << "numbers follow LC_NUMERIC";
    }
    TEnvOverride c("LC_ALL", "C");
    EXPECT_EQ(TFormatSettings::FromEnvironment().ShortDateFormat, English.ShortDateFormat) << "LC_ALL wins";
  }
  {
    TEnvOverride lang("LANG", "dek_XX");
    EXPECT_EQ(TFormatSettings::FromEnvironment().DecimalSeparator, '.') << "only the language \"de\" counts";
  }
  TEnvOverride lang("LANG", nullptr);
  EXPECT_EQ(TFormatSettings::FromEnvironment().DecimalSeparator, '.');

  const auto saved = FormatSettings();
  SetFormatSettings(German);
  EXPECT_EQ(DateToStr(EncodeDate(2023, 7, 4)), "04.07.2023") << "the defaults use the global settings";
  SetFormatSettings(saved);
}
