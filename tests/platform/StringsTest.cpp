#include "platform/Strings.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Platform;

namespace {
const auto German = TFormatSettings::German();
const auto English = TFormatSettings::English();
} // namespace

TEST(Strings, ParsesIntegersStrictly) {
  struct TCase {
    const char* Text;
    bool Ok;
    std::int32_t Value;
  };
  const TCase cases[] = {
      {"0", true, 0},          {"42", true, 42},       {"  42", true, 42},    {"+7", true, 7},
      {"-2147483648", true, std::numeric_limits<std::int32_t>::min()},       {"2147483647", true, 2147483647},
      {"2147483648", false, 0}, {"-2147483649", false, 0}, {"42 ", false, 0},   {"", false, 0},
      {"-", false, 0},         {"1e3", false, 0},      {"4 2", false, 0},     {"$1F", true, 31},
      {"0x1f", true, 31},      {"-$10", true, -16},    {"$FFFFFFFF", true, -1}, {"$100000000", false, 0},
      {"0x", false, 0},        {"$", false, 0},        {"$G", false, 0},      {"99999999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(TryStrToInt(c.Text, value), c.Ok) << '"' << c.Text << '"';
    if (c.Ok) {
      EXPECT_EQ(value, c.Value) << '"' << c.Text << '"';
    }
  }

  std::int64_t v64;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", v64));
  EXPECT_EQ(v64, std::numeric_limits<std::int64_t>::min());
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", v64));
  EXPECT_TRUE(TryStrToInt64("$FFFFFFFFFFFFFFFF", v64));
  EXPECT_EQ(v64, -1);
  std::uint64_t u64;
  EXPECT_TRUE(TryStrToUInt64("18446744073709551615", u64));
  EXPECT_EQ(u64, std::numeric_limits<std::uint64_t>::max());
  EXPECT_FALSE(TryStrToUInt64("18446744073709551616", u64));
  EXPECT_FALSE(TryStrToUInt64("-1", u64));

  EXPECT_EQ(StrToIntDef("x", -5), -5);
  EXPECT_EQ(StrToIntDef("17", -5), 17);
  EXPECT_THROW((void)StrToInt("1.5"), EConvertError);
}

TEST(Strings, ParsesFloatsWithTheLocaleSeparator) {
  const std::pair<const char*, double> good[] = {{"1.5", 1.5}, {"-0.25", -0.25}, {" 3 ", 3.0},     {"1e3", 1000.0},
                                                 {"1.5E-3", 0.0015}, {".5", 0.5},   {"5.", 5.0},      {"+2", 2.0}};
  for (const auto& [text, expected] : good) {
    double value = 0;
    EXPECT_TRUE(TryStrToFloat(text, value, English)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* bad : {"1,5", "", ".", "e3", "1e", "1.5.2", "inf", "nan", "1e400", "1 000", "0x10", "--1"}) {
    double value = 0;
    EXPECT_FALSE(TryStrToFloat(bad, value, English)) << '"' << bad << '"';
  }
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("1,5", value, German));
  EXPECT_EQ(value, 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", value, German)) << "only the locale's separator counts";
}

TEST(Strings, FloatToStrGivesTheShortGeneralForm) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {-2.5, "-2.5"},
      {100.0, "100"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1e100, "1E100"},
      {1.5e-7, "1.5E-7"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {999999999999999.9, "1E15"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(FloatToStr(value, English), expected) << value;
  EXPECT_EQ(FloatToStr(1.5, German), "1,5");
  EXPECT_EQ(FloatToStr(1.5e-7, German), "1,5E-7");
}

TEST(Strings, FormatFloatFollowsThePicture) {
  struct TCase {
    const char* Format;
    double Value;
    const char* Expected;
  };
  const TCase cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", 2.5, "2.50"},
      {"0.00", 0.125, "0.13"},  // halves round away from zero
      {"0.00", 2.675, "2.68"},  // as written, not as the nearest binary value
      {"0.00", 9.995, "10.00"}, // the carry reaches the integer part
      {"0.00", -0.001, "0.00"}, // no "-0.00"
      {"0", 0.5, "1"},
      {"0", -0.5, "-1"},
      {"0.0###", 1.23456, "1.2346"},
      {"0.0###", 1.2, "1.2"},
      {"#.##", 0.0, ""},
      {"#.##", 5.0, "5"},
      {"00000", 42.0, "00042"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", 999.0, "999"},
      {"#,##0", -1000.0, "-1,000"},
      {"0", 1e20, "100000000000000000000"},
      {"0.0;(0.0);zero", -1.5, "(1.5)"},
      {"0.0;(0.0);zero", 0.0, "zero"},
      {"0.0;;zero", -1.5, "-1.5"},
      {"0.0 'm'", 1.5, "1.5 m"},
      {"\"Wert: \"0", 7.0, "Wert: 7"},
      {"0.0 °", 12.25, "12.3 °"},
      {"abc", 5.0, "abc"},
      {"", 0.1, "0.1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.Format, c.Value, English), c.Expected) << c.Format << " with " << c.Value;
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, German), "1.234.567,89");
}

TEST(Strings, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all += static_cast<char>(i);
  const auto utf8 = Win1252ToUTF8(all);
  EXPECT_TRUE(IsValidUTF8(utf8));
  bool lossy = true;
  EXPECT_EQ(UTF8ToWin1252(utf8, &lossy), all);
  EXPECT_FALSE(lossy);

  EXPECT_EQ(Win1252ToUTF8("\x80\xE4\x9F"), "€äŸ");
  EXPECT_EQ(UTF8ToWin1252("äöü€ß", &lossy), "\xE4\xF6\xFC\x80\xDF");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(UTF8ToWin1252("a日本b", &lossy), "a??b");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(UTF8ToWin1252("\xC2\x80", &lossy), "?") << "U+0080 has no Windows-1252 byte";
  EXPECT_EQ(UTF8ToWin1252("x\xFFy", &lossy), "x?y") << "broken UTF-8";
  EXPECT_TRUE(lossy);
}

TEST(Strings, UTF8AndUTF16) {
  const std::string text = "a€\xF0\x9D\x84\x9E"; // a, euro, U+1D11E
  EXPECT_EQ(UTF8ToUTF16(text), (std::u16string{u'a', 0x20AC, 0xD834, 0xDD1E}));
  EXPECT_EQ(UTF16Length(text), 4U);
  EXPECT_EQ(UTF16ToUTF8(UTF8ToUTF16(text)), text);
  EXPECT_EQ(UTF16ToUTF8(std::u16string{u'x', 0xD800, u'y'}), "x\xEF\xBF\xBDy") << "lone high surrogate";
  EXPECT_EQ(UTF16ToUTF8(std::u16string{0xDC00}), "\xEF\xBF\xBD") << "lone low surrogate";

  const std::string fffd = "\xEF\xBF\xBD";
  // One replacement per maximal bad subsequence.
  const std::pair<std::string, std::string> lossy[] = {
      {"a\xFF" "b", "a" + fffd + "b"},
      {"\xC0\x80", fffd + fffd},                 // overlong
      {"\xE2\x82", fffd},                        // truncated
      {"\xE2\x82x", fffd + "x"},
      {"\xED\xA0\x80", fffd + fffd + fffd},      // encoded surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // above U+10FFFF
      {"ok\xF0\x9F\x98\x80", "ok\xF0\x9F\x98\x80"},
  };
  for (const auto& [in, out] : lossy) {
    EXPECT_EQ(DecodeUTF8Lossy(in), out);
    EXPECT_TRUE(IsValidUTF8(DecodeUTF8Lossy(in)));
    EXPECT_EQ(IsValidUTF8(in), in == out);
    EXPECT_EQ(UTF16Length(in), UTF8ToUTF16(in).size());
  }
}

TEST(Strings, AsciiCaseTrimAndHex) {
  EXPECT_EQ(UpperCase("straße 1a"), "STRAßE 1A") << "non-ASCII bytes stay";
  EXPECT_EQ(LowerCase("ÄBC"), "Äbc");
  EXPECT_TRUE(SameText("Exif", "EXIF"));
  EXPECT_FALSE(SameText("Exif", "Exi"));
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("abc", "AB"), 0);
  EXPECT_TRUE(StartsText("IMG", "img_0001.jpg"));
  EXPECT_TRUE(EndsText(".JPG", "img_0001.jpg"));
  EXPECT_FALSE(EndsText(".jpeg", "a.jpg"));
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight(std::string_view("  a \0", 5)), "  a") << "control characters go too";
  EXPECT_EQ(Trim(" \n "), "");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(std::numeric_limits<std::uint64_t>::max(), 0), "FFFFFFFFFFFFFFFF");
}
