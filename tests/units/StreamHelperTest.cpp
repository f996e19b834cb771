#include "Tessel/Exif/StreamHelper.h"

#include "Tessel/Exif/BaseUtils.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

using namespace Tessel::Exif;
using Platform::TMemoryStream;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr auto BE = TEndianness::BigEndian;
constexpr auto LE = TEndianness::SmallEndian;

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

Bytes BytesOf(const TMemoryStream& stream) { return Bytes(stream.Bytes().begin(), stream.Bytes().end()); }

template <typename Write> Bytes Written(Write write) {
  TMemoryStream stream;
  write(stream);
  return BytesOf(stream);
}

// A stream that takes at most a few bytes per write, as a full disk would.
class TChokingStream : public TMemoryStream {
public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    return TMemoryStream::Write(buffer, std::min<std::int64_t>(count, 1));
  }
};

} // namespace

TEST(StreamHelper, Swaps) {
  static_assert(SwapWord(0x1234) == 0x3412);
  static_assert(SwapLongWord(0x12345678U) == 0x78563412U);
  static_assert(SwapLongInt(static_cast<std::int32_t>(0x80000001U)) == 0x01000080);
  EXPECT_EQ(SwapDouble(SwapDouble(3.25)), 3.25);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(SwapDouble(std::bit_cast<double>(0x0102030405060708ULL))),
            0x0807060504030201ULL);
}

TEST(StreamHelper, ShortReadsLeaveThePosition) {
  auto stream = StreamOf({0x01, 0x02, 0x03, 0x04, 0x05});
  stream->SetPosition(2);
  std::uint32_t longWord = 0xDEADBEEF;
  EXPECT_FALSE(TryReadLongWord(*stream, BE, longWord)) << "three bytes left";
  EXPECT_EQ(stream->Position(), 2);
  std::int32_t longInt = 0;
  EXPECT_FALSE(TryReadLongInt(*stream, LE, longInt));
  EXPECT_EQ(stream->Position(), 2);

  std::uint16_t word = 0;
  EXPECT_TRUE(TryReadWord(*stream, BE, word));
  EXPECT_EQ(word, 0x0304);
  stream->SetPosition(2);
  EXPECT_TRUE(TryReadWord(*stream, LE, word));
  EXPECT_EQ(word, 0x0403);
  EXPECT_FALSE(TryReadWord(*stream, LE, word)) << "one byte left";
  EXPECT_EQ(stream->Position(), 4);

  std::uint8_t buffer[8];
  EXPECT_FALSE(TryReadBuffer(*stream, buffer, 2));
  EXPECT_EQ(stream->Position(), 4);
  EXPECT_EQ(ReadByte(*stream), 0x05);
  try {
    (void)ReadByte(*stream);
    ADD_FAILURE() << "ReadByte at the end must raise";
  } catch (const Platform::EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream-Lesefehler");
  }

  stream->SetPosition(0);
  EXPECT_TRUE(TryReadLongInt(*stream, BE, longInt));
  EXPECT_EQ(longInt, 0x01020304);
  stream->SetPosition(0);
  EXPECT_TRUE(TryReadLongWord(*stream, LE, longWord));
  EXPECT_EQ(longWord, 0x04030201U);
  EXPECT_THROW((void)ReadDouble(*stream, BE), Platform::EReadError);
}

TEST(StreamHelper, WritesInBothByteOrders) {
  EXPECT_EQ(Written([](auto& s) { WriteWord(s, 0x1234, BE); }), (Bytes{0x12, 0x34}));
  EXPECT_EQ(Written([](auto& s) { WriteWord(s, 0x1234, LE); }), (Bytes{0x34, 0x12}));
  EXPECT_EQ(Written([](auto& s) { WriteSmallInt(s, -2, BE); }), (Bytes{0xFF, 0xFE}));
  EXPECT_EQ(Written([](auto& s) { WriteLongWord(s, 0x12345678, BE); }), (Bytes{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(Written([](auto& s) { WriteLongInt(s, -2, LE); }), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Written([](auto& s) { WriteDouble(s, 1.0, BE); }), (Bytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
  for (const auto order : {BE, LE}) {
    auto stream = StreamOf(Written([order](auto& s) { WriteDouble(s, -1234.5678, order); }));
    EXPECT_EQ(ReadDouble(*stream, order), -1234.5678);
  }

  // UTF-16 code units, a character outside the BMP as a surrogate pair; no terminator.
  const std::string text = "A\xC3\xA9\xF0\x9F\x98\x80"; // A, e acute, U+1F600
  EXPECT_EQ(Written([&](auto& s) { WriteUTF16String(s, text, BE); }),
            (Bytes{0x00, 0x41, 0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00}));
  EXPECT_EQ(Written([&](auto& s) { WriteUTF16String(s, text, LE); }),
            (Bytes{0x41, 0x00, 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_EQ(Written([](auto& s) { WriteRawString(s, std::string_view("a\0b", 3)); }), (Bytes{'a', 0, 'b'}));
  EXPECT_EQ(Written([](auto& s) { WriteFmtUTF8(s, "{}-{}", 12, "\xC3\xA4"); }), (Bytes{'1', '2', '-', 0xC3, 0xA4}));
}

TEST(StreamHelper, WriteFailures) {
  TChokingStream choking;
  try {
    WriteLongWord(choking, 1, BE);
    ADD_FAILURE() << "a short write must raise";
  } catch (const Platform::EWriteError& e) {
    EXPECT_STREQ(e.what(), "Stream-Schreibfehler");
  }
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  TUserMemoryStream readOnly(bytes, 4);
  EXPECT_THROW(WriteWord(readOnly, 1, BE), Platform::EStreamError);
  EXPECT_THROW(WriteRawString(readOnly, "x"), Platform::EStreamError);
}

TEST(StreamHelper, CheckSignature) {
  auto stream = StreamOf({'8', 'B', 'P', 'S', 0, 1});
  EXPECT_TRUE(CheckSignature(*stream, std::string_view("8BPS"), true));
  EXPECT_EQ(stream->Position(), 0) << "kept";
  EXPECT_TRUE(CheckSignature(*stream, std::string_view("8BPS")));
  EXPECT_EQ(stream->Position(), 4) << "a success moves past the signature";
  EXPECT_FALSE(CheckSignature(*stream, std::string_view("\0\2", 2)));
  EXPECT_EQ(stream->Position(), 4) << "a failure moves back";
  EXPECT_FALSE(CheckSignature(*stream, std::string_view("\0\1\0", 3)));
  EXPECT_EQ(stream->Position(), 4) << "a short read moves back";
  EXPECT_TRUE(CheckSignature(*stream, std::string_view()));
  EXPECT_EQ(stream->Position(), 4);
}
