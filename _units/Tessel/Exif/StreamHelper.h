#pragma once

#include "platform/Streams.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace Tessel::Exif {

using Platform::TStream;
using Platform::TStreamOwnership;

// Byte order of multi-byte values on a stream; values in memory are always native.
enum class TEndianness : std::uint8_t { SmallEndian, BigEndian };

[[nodiscard]] constexpr std::uint16_t SwapWord(std::uint16_t value) {
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}
[[nodiscard]] constexpr std::uint32_t SwapLongWord(std::uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00U) | ((value << 8) & 0xFF0000U) | (value << 24);
}
[[nodiscard]] constexpr std::int32_t SwapLongInt(std::int32_t value) {
  return static_cast<std::int32_t>(SwapLongWord(static_cast<std::uint32_t>(value)));
}
[[nodiscard]] double SwapDouble(double value);

// Reads exactly one byte; raises EReadError at the end of the stream.
[[nodiscard]] std::uint8_t ReadByte(TStream& stream);
// One read of count bytes; on a short read the stream moves back and False is answered.
bool TryReadBuffer(TStream& stream, void* buffer, std::int64_t count);
bool TryReadWord(TStream& stream, TEndianness endianness, std::uint16_t& value);
bool TryReadLongWord(TStream& stream, TEndianness endianness, std::uint32_t& value);
bool TryReadLongInt(TStream& stream, TEndianness endianness, std::int32_t& value);
[[nodiscard]] double ReadDouble(TStream& stream, TEndianness endianness);

// True when the next length bytes equal the signature's first length bytes. The
// stream moves back on failure or when keepPosition is set.
bool CheckSignature(TStream& stream, const void* signature, int length, bool keepPosition = false);
inline bool CheckSignature(TStream& stream, std::string_view signature, bool keepPosition = false) {
  return CheckSignature(stream, signature.data(), static_cast<int>(signature.size()), keepPosition);
}

void WriteWord(TStream& stream, std::uint16_t value, TEndianness endianness);
void WriteSmallInt(TStream& stream, std::int16_t value, TEndianness endianness);
void WriteLongWord(TStream& stream, std::uint32_t value, TEndianness endianness);
void WriteLongInt(TStream& stream, std::int32_t value, TEndianness endianness);
void WriteDouble(TStream& stream, double value, TEndianness endianness);
// UTF-8 text written as UTF-16 code units in the given byte order, no terminator.
void WriteUTF16String(TStream& stream, std::string_view text, TEndianness endianness);
void WriteRawString(TStream& stream, std::string_view bytes);

template <typename... Args>
void WriteFmtUTF8(TStream& stream, fmt::format_string<Args...> format, Args&&... args) {
  WriteRawString(stream, fmt::format(format, std::forward<Args>(args)...));
}

} // namespace Tessel::Exif
