#include "Tessel/Exif/StreamHelper.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace Tessel::Exif {

double SwapDouble(double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  bits = __builtin_bswap64(bits);
  return std::bit_cast<double>(bits);
}

std::uint8_t ReadByte(TStream& stream) {
  std::uint8_t result = 0;
  stream.ReadBuffer(&result, 1);
  return result;
}

bool TryReadBuffer(TStream& stream, void* buffer, std::int64_t count) {
  const auto bytesRead = stream.Read(buffer, count);
  if (bytesRead == count)
    return true;
  if (bytesRead > 0)
    stream.Seek(-bytesRead, Platform::TSeekOrigin::soCurrent);
  return false;
}

bool TryReadWord(TStream& stream, TEndianness endianness, std::uint16_t& value) {
  if (!TryReadBuffer(stream, &value, 2))
    return false;
  if (endianness == TEndianness::BigEndian)
    value = SwapWord(value);
  return true;
}

bool TryReadLongWord(TStream& stream, TEndianness endianness, std::uint32_t& value) {
  if (!TryReadBuffer(stream, &value, 4))
    return false;
  if (endianness == TEndianness::BigEndian)
    value = SwapLongWord(value);
  return true;
}

bool TryReadLongInt(TStream& stream, TEndianness endianness, std::int32_t& value) {
  if (!TryReadBuffer(stream, &value, 4))
    return false;
  if (endianness == TEndianness::BigEndian)
    value = SwapLongInt(value);
  return true;
}

double ReadDouble(TStream& stream, TEndianness endianness) {
  double result = 0;
  stream.ReadBuffer(&result, 8);
  return endianness == TEndianness::BigEndian ? SwapDouble(result) : result;
}

bool CheckSignature(TStream& stream, const void* signature, int length, bool keepPosition) {
  length = std::clamp(length, 0, 255);
  std::array<std::uint8_t, 255> buffer{};
  const auto bytesRead = stream.Read(buffer.data(), length);
  const bool result = bytesRead == length &&
                      (length == 0 || std::memcmp(buffer.data(), signature, static_cast<std::size_t>(length)) == 0);
  if ((!result || keepPosition) && bytesRead > 0)
    stream.Seek(-bytesRead, Platform::TSeekOrigin::soCurrent);
  return result;
}

void WriteWord(TStream& stream, std::uint16_t value, TEndianness endianness) {
  if (endianness == TEndianness::BigEndian)
    value = SwapWord(value);
  stream.WriteBuffer(&value, 2);
}

void WriteSmallInt(TStream& stream, std::int16_t value, TEndianness endianness) {
  WriteWord(stream, static_cast<std::uint16_t>(value), endianness);
}

void WriteLongWord(TStream& stream, std::uint32_t value, TEndianness endianness) {
  if (endianness == TEndianness::BigEndian)
    value = SwapLongWord(value);
  stream.WriteBuffer(&value, 4);
}

void WriteLongInt(TStream& stream, std::int32_t value, TEndianness endianness) {
  WriteLongWord(stream, static_cast<std::uint32_t>(value), endianness);
}

void WriteDouble(TStream& stream, double value, TEndianness endianness) {
  if (endianness == TEndianness::BigEndian)
    value = SwapDouble(value);
  stream.WriteBuffer(&value, 8);
}

void WriteUTF16String(TStream& stream, std::string_view text, TEndianness endianness) {
  const auto units = Platform::UTF8ToUTF16(text);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    if (endianness == TEndianness::BigEndian) {
      bytes += high;
      bytes += low;
    } else {
      bytes += low;
      bytes += high;
    }
  }
  WriteRawString(stream, bytes);
}

void WriteRawString(TStream& stream, std::string_view bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

} // namespace Tessel::Exif
