#include "platform/Strings.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

#include <fmt/format.h>

namespace Platform {

// --- Integers ---------------------------------------------------------------------

namespace {

struct TParsedInteger {
  bool Negative = false;
  bool Hex = false;
  std::uint64_t Magnitude = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool ParseInteger(std::string_view text, TParsedInteger& out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    out.Negative = text[i++] == '-';
  if (i < text.size() && text[i] == '$') {
    out.Hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    out.Hex = true;
    i += 2;
  }
  if (i == text.size())
    return false;
  const std::uint64_t base = out.Hex ? 16 : 10;
  for (; i < text.size(); ++i) {
    const int digit = out.Hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0)
      return false;
    if (out.Magnitude > (std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(digit)) / base)
      return false;
    out.Magnitude = out.Magnitude * base + static_cast<std::uint64_t>(digit);
  }
  return true;
}

// Signed conversion: hex fills the type's width as a bit pattern, decimal must fit.
template <typename T> bool ToSigned(const TParsedInteger& parsed, T& out) {
  using U = std::make_unsigned_t<T>;
  const auto maxPositive = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
  if (parsed.Hex) {
    if (parsed.Magnitude > std::numeric_limits<U>::max())
      return false;
    auto bits = static_cast<U>(parsed.Magnitude);
    if (parsed.Negative)
      bits = static_cast<U>(U{0} - bits);
    out = static_cast<T>(bits);
    return true;
  }
  if (parsed.Negative) {
    if (parsed.Magnitude > maxPositive + 1)
      return false;
    out = parsed.Magnitude == maxPositive + 1 ? std::numeric_limits<T>::min() : -static_cast<T>(parsed.Magnitude);
    return true;
  }
  if (parsed.Magnitude > maxPositive)
    return false;
  out = static_cast<T>(parsed.Magnitude);
  return true;
}

} // namespace

bool TryStrToInt(std::string_view text, std::int32_t& out) {
  TParsedInteger parsed;
  return ParseInteger(text, parsed) && ToSigned(parsed, out);
}

bool TryStrToInt64(std::string_view text, std::int64_t& out) {
  TParsedInteger parsed;
  return ParseInteger(text, parsed) && ToSigned(parsed, out);
}

bool TryStrToUInt64(std::string_view text, std::uint64_t& out) {
  TParsedInteger parsed;
  if (!ParseInteger(text, parsed) || parsed.Negative)
    return false;
  out = parsed.Magnitude;
  return true;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t def) {
  std::int32_t result;
  return TryStrToInt(text, result) ? result : def;
}

std::int64_t StrToInt64Def(std::string_view text, std::int64_t def) {
  std::int64_t result;
  return TryStrToInt64(text, result) ? result : def;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t result;
  if (!TryStrToInt(text, result))
    throw EConvertError("'" + std::string(text) + "' ist kein gültiger Integerwert");
  return result;
}

// --- Floats -------------------------------------------------------------------------

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A positive number as significant digits and the power of ten of the first one:
// Digits "15", Exponent -7 is 1.5E-7. No digits means zero.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
};

TDecimal ToDecimal(double magnitude) {
  TDecimal result;
  if (magnitude == 0)
    return result;
  char buffer[64];
  // Shortest form that reads back to the same double.
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const std::string_view text(buffer, error == std::errc() ? static_cast<std::size_t>(end - buffer) : 0);
  const auto e = text.find('e');
  for (char c : text.substr(0, e))
    if (c >= '0' && c <= '9')
      result.Digits += c;
  if (e != std::string_view::npos) {
    auto exponentText = text.substr(e + 1);
    if (!exponentText.empty() && exponentText[0] == '+')
      exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), result.Exponent);
  }
  return result;
}

// Keeps `keep` significant digits, rounding half away from zero, and drops trailing zeros.
void RoundDecimal(TDecimal& value, int keep) {
  if (keep < 0) {
    value = {};
    return;
  }
  if (static_cast<std::size_t>(keep) < value.Digits.size()) {
    const bool up = value.Digits[static_cast<std::size_t>(keep)] >= '5';
    value.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      auto i = value.Digits.size();
      while (i > 0 && value.Digits[i - 1] == '9')
        value.Digits[--i] = '0';
      if (i == 0) {
        value.Digits.insert(0, 1, '1');
        ++value.Exponent;
      } else {
        ++value.Digits[i - 1];
      }
    }
  }
  while (!value.Digits.empty() && value.Digits.back() == '0')
    value.Digits.pop_back();
}

char DigitAt(const TDecimal& value, int power) {
  const int index = value.Exponent - power;
  return index >= 0 && static_cast<std::size_t>(index) < value.Digits.size()
             ? value.Digits[static_cast<std::size_t>(index)]
             : '0';
}

std::string NonFinite(double value) {
  if (std::isnan(value))
    return "NAN";
  return value < 0 ? "-INF" : "INF";
}

} // namespace

bool TryStrToFloat(std::string_view text, double& out, const TFormatSettings& settings) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // Check the shape ourselves, then let from_chars do the exact conversion.
  std::string normalized;
  std::size_t i = 0, digits = 0;
  auto takeDigits = [&] {
    std::size_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++n)
      normalized += text[i];
    return n;
  };
  digits += takeDigits();
  if (i < text.size() && text[i] == settings.DecimalSeparator) {
    normalized += '.';
    ++i;
    digits += takeDigits();
  }
  if (digits == 0)
    return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    normalized += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
      normalized += text[i++];
    if (takeDigits() == 0)
      return false;
  }
  if (i != text.size())
    return false;
  double value = 0;
  const auto [end, error] = std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
  if (error != std::errc() || end != normalized.data() + normalized.size() || !std::isfinite(value))
    return false;
  out = negative ? -value : value;
  return true;
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  if (!std::isfinite(value))
    return NonFinite(value);
  auto decimal = ToDecimal(std::fabs(value));
  RoundDecimal(decimal, 15);
  if (decimal.Digits.empty())
    return "0";
  std::string result = value < 0 ? "-" : "";
  const int e = decimal.Exponent;
  if (e >= 15 || e < -5) {
    result += decimal.Digits[0];
    if (decimal.Digits.size() > 1) {
      result += settings.DecimalSeparator;
      result.append(decimal.Digits, 1);
    }
    return result + "E" + std::to_string(e);
  }
  for (int power = std::max(e, 0); power >= 0; --power)
    result += DigitAt(decimal, power);
  const int lastPower = e - static_cast<int>(decimal.Digits.size()) + 1;
  if (lastPower < 0) {
    result += settings.DecimalSeparator;
    for (int power = -1; power >= lastPower; --power)
      result += DigitAt(decimal, power);
  }
  return result;
}

namespace {

// One section of a number picture, taken apart.
struct TNumberPicture {
  std::string Prefix, Suffix;
  bool HasPlaceholders = false;
  bool Thousands = false;
  int IntegerMin = 0;  // digits before the point that are always written
  int FractionMin = 0; // digits after the point that are always written
  int FractionMax = 0;
};

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const auto end = format.find(c, i + 1);
      i = end == std::string_view::npos ? format.size() - 1 : end;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

TNumberPicture ParsePicture(std::string_view section) {
  TNumberPicture picture;
  // The number spans from the first of "0#." to the last of "0#."; outside it everything is text.
  std::size_t first = std::string_view::npos, last = 0;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"' || c == '\'') {
      const auto end = section.find(c, i + 1);
      i = end == std::string_view::npos ? section.size() - 1 : end;
    } else if (c == '0' || c == '#' || c == '.') {
      if (first == std::string_view::npos)
        first = i;
      last = i;
    }
  }
  auto appendText = [&](std::string& out, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      const char c = section[i];
      if (c == '"' || c == '\'') {
        const auto end = section.find(c, i + 1);
        const auto stop = std::min(end == std::string_view::npos ? section.size() : end, to);
        out.append(section.substr(i + 1, stop - i - 1));
        i = stop;
      } else {
        out += c;
      }
    }
  };
  if (first == std::string_view::npos) {
    appendText(picture.Prefix, 0, section.size());
    return picture;
  }
  appendText(picture.Prefix, 0, first);
  appendText(picture.Suffix, last + 1, section.size());

  bool inFraction = false;
  int integerPlaces = 0, firstIntegerZero = -1, fractionPlaces = 0;
  for (std::size_t i = first; i <= last; ++i) {
    const char c = section[i];
    if (c == '"' || c == '\'') {
      const auto end = section.find(c, i + 1);
      i = end == std::string_view::npos ? last : end;
    } else if (c == '.') {
      inFraction = true;
    } else if (c == ',' && !inFraction) {
      picture.Thousands = true;
    } else if (c == '0' || c == '#') {
      picture.HasPlaceholders = true;
      if (inFraction) {
        ++fractionPlaces;
        if (c == '0')
          picture.FractionMin = fractionPlaces;
      } else {
        if (c == '0' && firstIntegerZero < 0)
          firstIntegerZero = integerPlaces;
        ++integerPlaces;
      }
    }
  }
  picture.FractionMax = fractionPlaces;
  picture.IntegerMin = firstIntegerZero < 0 ? 0 : integerPlaces - firstIntegerZero;
  return picture;
}

} // namespace

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings) {
  if (format.empty())
    return FloatToStr(value, settings);
  if (!std::isfinite(value))
    return NonFinite(value);
  const auto sections = SplitSections(format);
  auto section = sections[0];
  bool writeSign = value < 0;
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) {
    section = sections[1];
    writeSign = false;
  } else if (value == 0 && sections.size() >= 3 && !sections[2].empty()) {
    section = sections[2];
  }
  const auto picture = ParsePicture(section);
  if (!picture.HasPlaceholders)
    return picture.Prefix + picture.Suffix;

  auto decimal = ToDecimal(std::fabs(value));
  RoundDecimal(decimal, decimal.Exponent + 1 + picture.FractionMax);

  std::string integer;
  if (!decimal.Digits.empty())
    for (int power = decimal.Exponent; power >= 0; --power)
      integer += DigitAt(decimal, power);
  if (static_cast<int>(integer.size()) < picture.IntegerMin)
    integer.insert(0, static_cast<std::size_t>(picture.IntegerMin) - integer.size(), '0');
  if (picture.Thousands && settings.ThousandSeparator != '\0')
    for (auto pos = static_cast<std::ptrdiff_t>(integer.size()) - 3; pos > 0; pos -= 3)
      integer.insert(static_cast<std::size_t>(pos), 1, settings.ThousandSeparator);

  std::string fraction;
  for (int power = -1; power >= -picture.FractionMax; --power)
    fraction += decimal.Digits.empty() ? '0' : DigitAt(decimal, power);
  while (static_cast<int>(fraction.size()) > picture.FractionMin && fraction.back() == '0')
    fraction.pop_back();

  std::string result = picture.Prefix;
  if (writeSign && !decimal.Digits.empty())
    result += '-';
  result += integer;
  if (!fraction.empty()) {
    result += settings.DecimalSeparator;
    result += fraction;
  }
  return result + picture.Suffix;
}

// --- Code pages and Unicode ------------------------------------------------------------

namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to the C1 controls
// of the same value, as Windows itself does, so that every byte survives a round trip.
constexpr char16_t Win1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t Replacement = 0xFFFD;

void AppendUTF8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads one code point at text[pos]. On a bad sequence answers false and sets
// `length` to the maximal bad subpart (at least one byte), as Unicode recommends.
bool DecodeOne(std::string_view text, std::size_t pos, char32_t& cp, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(pos);
  length = 1;
  if (lead < 0x80) {
    cp = lead;
    return true;
  }
  std::size_t needed;
  unsigned low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0)
      low = 0xA0; // no overlong forms
    if (lead == 0xED)
      high = 0x9F; // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    cp = lead & 0x07;
    if (lead == 0xF0)
      low = 0x90;
    if (lead == 0xF4)
      high = 0x8F; // nothing above U+10FFFF
  } else {
    return false;
  }
  for (std::size_t k = 1; k <= needed; ++k) {
    if (pos + k >= text.size())
      return false;
    const unsigned next = byte(pos + k);
    if (next < low || next > high)
      return false;
    low = 0x80;
    high = 0xBF;
    cp = (cp << 6) | (next & 0x3F);
    length = k + 1;
  }
  return true;
}

// Calls sink(code point) for every code point, U+FFFD for bad sequences.
template <typename Sink> void ForEachCodePoint(std::string_view text, Sink sink) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    std::size_t length = 1;
    if (!DecodeOne(text, pos, cp, length))
      cp = Replacement;
    sink(cp);
    pos += length;
  }
}

} // namespace

std::string Win1252ToUTF8(std::string_view ansi) {
  std::string result;
  result.reserve(ansi.size());
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUTF8(result, byte >= 0x80 && byte <= 0x9F ? Win1252High[byte - 0x80] : byte);
  }
  return result;
}

std::string UTF8ToWin1252(std::string_view utf8, bool* lossy) {
  std::string result;
  result.reserve(utf8.size());
  bool lost = false;
  ForEachCodePoint(utf8, [&](char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      result += static_cast<char>(cp);
      return;
    }
    for (unsigned i = 0; i < 32; ++i)
      if (Win1252High[i] == cp) {
        result += static_cast<char>(0x80 + i);
        return;
      }
    result += '?';
    lost = true;
  });
  if (lossy != nullptr)
    *lossy = lost;
  return result;
}

std::u16string UTF8ToUTF16(std::string_view utf8) {
  std::u16string result;
  result.reserve(utf8.size());
  ForEachCodePoint(utf8, [&](char32_t cp) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      result += static_cast<char16_t>(0xD800 + (cp >> 10));
      result += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      result += static_cast<char16_t>(cp);
    }
  });
  return result;
}

std::string UTF16ToUTF8(std::u16string_view utf16) {
  std::string result;
  result.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      AppendUTF8(result, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUTF8(result, Replacement);
    } else {
      AppendUTF8(result, unit);
    }
  }
  return result;
}

std::size_t UTF16Length(std::string_view utf8) {
  std::size_t units = 0;
  ForEachCodePoint(utf8, [&](char32_t cp) { units += cp >= 0x10000 ? 2 : 1; });
  return units;
}

std::string DecodeUTF8Lossy(std::string_view bytes) {
  if (IsValidUTF8(bytes))
    return std::string(bytes);
  std::string result;
  result.reserve(bytes.size() + 8);
  ForEachCodePoint(bytes, [&](char32_t cp) { AppendUTF8(result, cp); });
  return result;
}

bool IsValidUTF8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp;
    std::size_t length;
    if (!DecodeOne(bytes, pos, cp, length))
      return false;
    pos += length;
  }
  return true;
}

// --- ASCII text helpers -----------------------------------------------------------------

namespace {

char ToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char ToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

std::string UpperCase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), ToUpper);
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), ToLower);
  return result;
}

int CompareText(std::string_view a, std::string_view b) {
  const auto n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    // Equal bytes are equal in any case; only a difference needs the folding.
    if (a[i] == b[i])
      continue;
    const auto x = static_cast<unsigned char>(ToLower(a[i]));
    const auto y = static_cast<unsigned char>(ToLower(b[i]));
    if (x != y)
      return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a == b || CompareText(a, b) == 0);
}

bool StartsText(std::string_view prefix, std::string_view text) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view suffix, std::string_view text) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  return std::string(text);
}

std::string TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return std::string(text);
}

std::string Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  return TrimRight(text);
}

std::string IntToHex(std::uint64_t value, int digits) {
  return fmt::format("{:0{}X}", value, std::clamp(digits, 0, 64));
}

} // namespace Platform
