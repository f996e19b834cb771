#pragma once

#include "platform/FormatSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

// Integers: leading blanks, an optional sign, then decimal digits or hex digits
// after "$" or "0x". Nothing may follow. Hex may fill the whole width of the type
// ("$FFFFFFFF" is -1 as a 32-bit value), decimal must fit.
bool TryStrToInt(std::string_view text, std::int32_t& out);
bool TryStrToInt64(std::string_view text, std::int64_t& out);
bool TryStrToUInt64(std::string_view text, std::uint64_t& out); // no minus sign
[[nodiscard]] std::int32_t StrToIntDef(std::string_view text, std::int32_t def);
[[nodiscard]] std::int64_t StrToInt64Def(std::string_view text, std::int64_t def);
// Raises EConvertError "'<text>' ist kein gültiger Integerwert".
[[nodiscard]] std::int32_t StrToInt(std::string_view text);

// Floats: blanks around, optional sign, digits with the locale's decimal separator,
// optional exponent. No thousand separators, no INF/NAN; out-of-range values fail.
bool TryStrToFloat(std::string_view text, double& out, const TFormatSettings& settings = FormatSettings());
// General form with at most 15 significant digits, trailing zeros dropped, the
// exponent form ("1E20", "1,5E-7") beyond 15 integer digits or below 0.00001.
[[nodiscard]] std::string FloatToStr(double value, const TFormatSettings& settings = FormatSettings());
// Delphi-style number pictures: 0 (digit), # (optional digit), . (decimal
// separator), , (thousand grouping), "..."/'...' literals, other characters as
// literal text before or after the number, and up to three sections
// "positive;negative;zero". Halves round away from zero.
[[nodiscard]] std::string FormatFloat(std::string_view format, double value,
                                      const TFormatSettings& settings = FormatSettings());

// Windows-1252 is the single-byte "ANSI" code page of the stored texts.
[[nodiscard]] std::string Win1252ToUTF8(std::string_view ansi);
// Characters without a Windows-1252 byte become '?' and set *lossy.
[[nodiscard]] std::string UTF8ToWin1252(std::string_view utf8, bool* lossy = nullptr);
// Invalid UTF-8 is read as U+FFFD, one per maximal bad subsequence.
[[nodiscard]] std::u16string UTF8ToUTF16(std::string_view utf8);
[[nodiscard]] std::string UTF16ToUTF8(std::u16string_view utf16);  // unpaired surrogates -> U+FFFD
[[nodiscard]] std::size_t UTF16Length(std::string_view utf8);      // UTF-16 code units
[[nodiscard]] std::string DecodeUTF8Lossy(std::string_view bytes); // always valid UTF-8
[[nodiscard]] bool IsValidUTF8(std::string_view bytes);

// ASCII-only case handling; other bytes stay as they are.
[[nodiscard]] std::string UpperCase(std::string_view text);
[[nodiscard]] std::string LowerCase(std::string_view text);
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);
[[nodiscard]] int CompareText(std::string_view a, std::string_view b); // <0, 0, >0
[[nodiscard]] bool StartsText(std::string_view prefix, std::string_view text);
[[nodiscard]] bool EndsText(std::string_view suffix, std::string_view text);
// Trimming removes blanks and control characters (bytes up to ' ').
[[nodiscard]] std::string Trim(std::string_view text);
[[nodiscard]] std::string TrimLeft(std::string_view text);
[[nodiscard]] std::string TrimRight(std::string_view text);
// Upper-case hex with at least `digits` digits.
[[nodiscard]] std::string IntToHex(std::uint64_t value, int digits);

} // namespace Platform
