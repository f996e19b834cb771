#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <cmath>
#include <fmt/format.h>

namespace Tessel::Exif {

TTiffDataTypes AllTiffDataTypes() {
  TTiffDataTypes result;
  for (std::uint16_t code = 0; code <= 15; ++code)
    result.Include(static_cast<TTiffDataType>(code));
  return result;
}

// --- Entries -------------------------------------------------------------------------

bool TTiffTagInfo::IsWellFormed() const {
  const auto elementSize = TiffElementSize(DataType);
  if (elementSize == 0 || ElementCount < 0)
    return false;
  // Computed wide: a count whose byte size does not fit 32 bits signed is malformed
  // rather than wrapped round to a small, plausible size.
  return std::int64_t{elementSize} * ElementCount <= std::numeric_limits<std::int32_t>::max();
}

std::int32_t TTiffTagInfo::DataSize() const { return IsWellFormed() ? TiffElementSize(DataType) * ElementCount : 0; }

// --- Rationals -----------------------------------------------------------------------

namespace {

// The quotient as a fixed-point value with 4 decimals, reduced by Euclid's algorithm
// with truncating remainders, so a negative quotient leaves its sign in the denominator.
void ReduceQuotient(double quotient, std::int64_t& numerator, std::int64_t& denominator) {
  const double scaled = quotient * 10000.0;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
    throw Platform::ERangeError();
  numerator = static_cast<std::int64_t>(std::nearbyint(scaled));
  denominator = 10000;
  std::int64_t a = numerator;
  std::int64_t b = denominator;
  while (b != 0) {
    const auto remainder = a % b;
    a = b;
    b = remainder;
  }
  numerator /= a;
  denominator /= a;
}

template <typename T> bool InRange(std::int64_t value) {
  return value >= std::int64_t{std::numeric_limits<T>::min()} && value <= std::int64_t{std::numeric_limits<T>::max()};
}

} // namespace

TTiffLongWordFraction::TTiffLongWordFraction(double quotient) {
  std::int64_t n = 0;
  std::int64_t d = 0;
  ReduceQuotient(quotient, n, d);
  if (!InRange<std::uint32_t>(n) || !InRange<std::uint32_t>(d))
    throw Platform::ERangeError();
  Numerator = static_cast<std::uint32_t>(n);
  Denominator = static_cast<std::uint32_t>(d);
}

TTiffLongWordFraction TTiffLongWordFraction::CreateFromString(std::string_view text) {
  const auto parse = [](std::string_view part, std::uint32_t& value) {
    std::int64_t parsed = 0;
    if (!Platform::TryStrToInt64(part, parsed) || !InRange<std::uint32_t>(parsed))
      return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
  };
  TTiffLongWordFraction result;
  const auto slash = text.find('/');
  const bool ok = slash == std::string_view::npos ? parse(text, result.Numerator) && ((result.Denominator = 1), true)
                                                  : parse(text.substr(0, slash), result.Numerator) &&
                                                        parse(text.substr(slash + 1), result.Denominator);
  return ok ? result : TTiffLongWordFraction();
}

std::string TTiffLongWordFraction::AsString() const {
  if (Denominator == 0)
    return {};
  if (Denominator == 1)
    return fmt::format("{}", Numerator);
  return fmt::format("{}/{}", Numerator, Denominator);
}

double TTiffLongWordFraction::Quotient() const {
  return Denominator == 0 ? 0.0 : static_cast<double>(Numerator) / static_cast<double>(Denominator);
}

TTiffLongIntFraction::TTiffLongIntFraction(double quotient) {
  std::int64_t n = 0;
  std::int64_t d = 0;
  ReduceQuotient(quotient, n, d);
  if (!InRange<std::int32_t>(n) || !InRange<std::int32_t>(d))
    throw Platform::ERangeError();
  Numerator = static_cast<std::int32_t>(n);
  Denominator = static_cast<std::int32_t>(d);
}

TTiffLongIntFraction TTiffLongIntFraction::CreateFromString(std::string_view text) {
  TTiffLongIntFraction result;
  const auto slash = text.find('/');
  const bool ok = slash == std::string_view::npos
                      ? Platform::TryStrToInt(text, result.Numerator) && ((result.Denominator = 1), true)
                      : Platform::TryStrToInt(text.substr(0, slash), result.Numerator) &&
                            Platform::TryStrToInt(text.substr(slash + 1), result.Denominator);
  return ok ? result : TTiffLongIntFraction();
}

std::string TTiffLongIntFraction::AsString() const {
  if (Denominator == 0)
    return {};
  if (Denominator == 1)
    return fmt::format("{}", Numerator);
  return fmt::format("{}/{}", Numerator, Denominator);
}

double TTiffLongIntFraction::Quotient() const {
  return Denominator == 0 ? 0.0 : static_cast<double>(Numerator) / static_cast<double>(Denominator);
}

// --- Header --------------------------------------------------------------------------

bool TryReadTiffHeader(TStream& stream, TEndianness& endianness, bool moveOnSuccess) {
  std::uint8_t bytes[4] = {};
  const auto bytesRead = stream.Read(bytes, 4);
  bool found = false;
  if (bytesRead == 4 && bytes[0] == bytes[1] && (bytes[0] == 'I' || bytes[0] == 'M')) {
    // The byte order of 42 decides, whichever mark precedes it.
    if (bytes[2] == 0x2A && bytes[3] == 0) {
      endianness = TEndianness::SmallEndian;
      found = true;
    } else if (bytes[2] == 0 && bytes[3] == 0x2A) {
      endianness = TEndianness::BigEndian;
      found = true;
    }
  }
  if ((!found || !moveOnSuccess) && bytesRead > 0)
    stream.Seek(-bytesRead, Platform::TSeekOrigin::soCurrent);
  return found;
}

void WriteTiffHeader(TStream& stream, TEndianness endianness, std::uint32_t firstIFDOffset) {
  WriteRawString(stream, endianness == TEndianness::BigEndian ? "MM" : "II");
  WriteWord(stream, 42, endianness);
  WriteLongWord(stream, firstIFDOffset, endianness);
}

void ChooseGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod, const TGraphicSaveMethod& jpegSaver,
                             const TGraphicSaveMethod& psdSaver, const TGraphicSaveMethod& tiffSaver) {
  TEndianness endianness = TEndianness::SmallEndian;
  if (HasJPEGHeader(stream))
    saveMethod = jpegSaver;
  else if (HasPSDHeader(stream))
    saveMethod = psdSaver;
  else if (TryReadTiffHeader(stream, endianness, false))
    saveMethod = tiffSaver;
}

} // namespace Tessel::Exif
