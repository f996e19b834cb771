#include "units/BaseUtilsFixtures.h"

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Tessel::Exif;
using namespace BaseUtilsFixtures;

TEST(TagValues, CreateFromString) {
  EXPECT_TRUE(TWordTagValue::CreateFromString("65536").MissingOrInvalid());
  EXPECT_TRUE(TWordTagValue::CreateFromString("-1").MissingOrInvalid());
  EXPECT_TRUE(TWordTagValue::CreateFromString("12a").MissingOrInvalid());
  EXPECT_EQ(TWordTagValue::CreateFromString("65535"), TWordTagValue(65535));
  EXPECT_EQ(TWordTagValue::CreateFromString("0"), TWordTagValue(0));

  EXPECT_EQ(TLongWordTagValue::CreateFromString("4294967295"), TLongWordTagValue(4294967295U));
  EXPECT_TRUE(TLongWordTagValue::CreateFromString("4294967296").MissingOrInvalid());
  EXPECT_TRUE(TLongWordTagValue::CreateFromString("-1").MissingOrInvalid());

  EXPECT_EQ(TLongIntTagValue::CreateFromString("-2147483648"),
            TLongIntTagValue(std::numeric_limits<std::int32_t>::min()));
  EXPECT_TRUE(TLongIntTagValue::CreateFromString("2147483648").MissingOrInvalid());
  EXPECT_TRUE(TLongIntTagValue::CreateFromString("").MissingOrInvalid());

  // Missing values always hold 0.
  for (const auto& text : {"x", "", "1.5", "99999999999"}) {
    EXPECT_EQ(TWordTagValue::CreateFromString(text).FValue, 0) << text;
    EXPECT_EQ(TLongWordTagValue::CreateFromString(text).FValue, 0U) << text;
    EXPECT_EQ(TLongIntTagValue::CreateFromString(text).FValue, 0) << text;
  }

  const auto saved = Platform::FormatSettings();
  Platform::SetFormatSettings(Platform::TFormatSettings::German());
  const auto parsed = TDateTimeTagValue::CreateFromString("24.12.2020 18:30:00");
  const auto bad = TDateTimeTagValue::CreateFromString("2020-13-45");
  Platform::SetFormatSettings(saved);
  EXPECT_FALSE(parsed.MissingOrInvalid());
  EXPECT_DOUBLE_EQ(parsed.Value(), Platform::EncodeDateTime(2020, 12, 24, 18, 30, 0, 0));
  EXPECT_TRUE(bad.MissingOrInvalid());
  EXPECT_EQ(bad.FValue, -700000.0);
}

TEST(TagValues, MissingSemantics) {
  const TWordTagValue missing;
  const auto alsoMissing = TWordTagValue::CreateMissingOrInvalid();
  const TWordTagValue one(1);
  EXPECT_TRUE(missing == alsoMissing);
  EXPECT_FALSE(missing < alsoMissing);
  EXPECT_FALSE(missing > alsoMissing);
  EXPECT_TRUE(missing <= alsoMissing);
  EXPECT_TRUE(missing >= alsoMissing);
  // Missing against present: no ordering holds, and they differ.
  EXPECT_FALSE(missing == one);
  EXPECT_TRUE(missing != one);
  EXPECT_FALSE(missing < one || missing > one || missing <= one || missing >= one);
  EXPECT_FALSE(one < missing || one > missing || one <= missing || one >= missing);
  EXPECT_FALSE(TWordTagValue(0) == missing) << "a present 0 is not missing";

  // Signed and unsigned orderings.
  EXPECT_TRUE(TLongIntTagValue(-1) < TLongIntTagValue(1));
  EXPECT_TRUE(TLongWordTagValue(0xFFFFFFFFU) > TLongWordTagValue(1));
  EXPECT_TRUE(TWordTagValue(0xFFFF) > TWordTagValue(1));
  EXPECT_TRUE(TLongIntTagValue(5) <= TLongIntTagValue(5));

  // Unary minus.
  EXPECT_TRUE((-TLongIntTagValue()).MissingOrInvalid());
  EXPECT_EQ((-TLongIntTagValue()).FValue, 0);
  EXPECT_EQ(-TLongIntTagValue(5), TLongIntTagValue(-5));
  EXPECT_EQ(-TLongIntTagValue(std::numeric_limits<std::int32_t>::min()),
            TLongIntTagValue(std::numeric_limits<std::int32_t>::min()));

  // Conversions keep the missing state; conversions to plain types give the raw value.
  const TLongIntTagValue asLongInt = missing;
  const TLongWordTagValue asLongWord = missing;
  EXPECT_TRUE(asLongInt.MissingOrInvalid());
  EXPECT_TRUE(asLongWord.MissingOrInvalid());
  const TLongIntTagValue fromWord = TWordTagValue(0xFFFF);
  EXPECT_EQ(fromWord, TLongIntTagValue(0xFFFF));
  EXPECT_EQ(static_cast<std::uint16_t>(missing), 0);
  EXPECT_EQ(static_cast<std::int64_t>(static_cast<std::int32_t>(TLongIntTagValue(-7))), -7);
}

TEST(TagValues, DateTimes) {
  const TDateTimeTagValue firstDay(-693593.0);
  const TDateTimeTagValue beforeFirstDay(-693593.5);
  EXPECT_FALSE(firstDay.MissingOrInvalid()) << "0001-01-01 00:00 is a date";
  EXPECT_TRUE(beforeFirstDay.MissingOrInvalid());
  EXPECT_EQ(TDateTimeTagValue::CreateMissingOrInvalid().FValue, -700000.0);
  EXPECT_TRUE(TDateTimeTagValue::CreateMissingOrInvalid() == beforeFirstDay) << "any two missing ones are equal";
  EXPECT_FALSE(beforeFirstDay == firstDay);
  EXPECT_FALSE(firstDay == beforeFirstDay);
  EXPECT_TRUE(TDateTimeTagValue(1.5) < TDateTimeTagValue(1.75));
  EXPECT_FALSE(beforeFirstDay < firstDay);
  EXPECT_TRUE(beforeFirstDay <= TDateTimeTagValue());
  EXPECT_EQ(static_cast<TDateTime>(TDateTimeTagValue()), -700000.0);
}

TEST(IPTCHeader, LengthForms) {
  struct TCase {
    Bytes Data;
    bool Valid;
    int Section, Tag;
    std::int32_t Size;
    std::int64_t DataStart;
  };
  const TCase cases[] = {
      {{0x1C, 0x02, 0x78, 0x00, 0x05}, true, 2, 120, 5, 5},
      {{0x1C, 0x02, 0x78, 0xFF, 0xFC, 0x00, 0x01, 0x00, 0x00}, true, 2, 120, 65536, 9},
      {{0x1C, 0x01, 0x05, 0xFF, 0xFE, 0x01, 0x02}, true, 1, 5, 0x102, 7},
      {{0x1C, 0x09, 0x00, 0xFF, 0xFF, 0x07}, true, 9, 0, 7, 6},
      {{0x1C, 0x02, 0x78, 0x80, 0x04, 0, 0, 0, 1}, false, 0, 0, 0, 0}, // the standard form is not ours
      {{0x1C, 0x00, 0x78, 0x00, 0x05}, false, 0, 0, 0, 0},             // record 0
      {{0x1C, 0x0A, 0x78, 0x00, 0x05}, false, 0, 0, 0, 0},             // record 10
      {{0x1D, 0x02, 0x78, 0x00, 0x05}, false, 0, 0, 0, 0},             // no tag marker
      {{0x1C, 0x02, 0x78, 0xFF, 0xFC, 0x00, 0x01}, false, 0, 0, 0, 0}, // extension cut off
      {{0x1C, 0x02, 0x78, 0x00}, false, 0, 0, 0, 0},                   // header cut off
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(BinToHexStr(c.Data.data(), c.Data.size()));
    auto stream = StreamOf(c.Data);
    TIPTCTagHeader header;
    EXPECT_EQ(TryReadIPTCHeader(*stream, header, true), c.Valid);
    EXPECT_EQ(stream->Position(), 0) << "a peek never moves";
    EXPECT_EQ(TryReadIPTCHeader(*stream, header, false), c.Valid);
    EXPECT_EQ(stream->Position(), c.DataStart) << "a read moves to the data, a failure not at all";
    if (c.Valid) {
      EXPECT_EQ(header.SectionID, c.Section);
      EXPECT_EQ(header.TagID, c.Tag);
      EXPECT_EQ(header.DataSize, c.Size);
    }
  }
}

TEST(MetadataBlock, PayloadTests) {
  const auto block = [](const Bytes& bytes) {
    auto stream = StreamOf(bytes);
    return std::make_shared<TMetadataBlock>(*stream, static_cast<std::int64_t>(bytes.size()));
  };
  EXPECT_TRUE(block({0x45, 0x78, 0x69, 0x66, 0x00, 0x00, 0x4D, 0x4D, 0x00, 0x2A})->IsExifBlock(false));
  EXPECT_TRUE(block({0x49, 0x49, 0x2A, 0x00, 8, 0, 0, 0})->IsExifBlock(false));
  EXPECT_TRUE(block({0x49, 0x49, 0x00, 0x2A, 8, 0, 0, 0})->IsExifBlock(false));
  EXPECT_FALSE(block({0x49, 0x49, 0x2A, 0x00, 8, 0, 0})->IsExifBlock(false)) << "7 bytes";
  EXPECT_FALSE(block({0x45, 0x78, 0x69, 0x66, 0x00, 0x00, 0x49, 0x49})->IsExifBlock(false)) << "no room for 2A";
  EXPECT_FALSE(block({0x49, 0x4D, 0x2A, 0x00, 8, 0, 0, 0})->IsExifBlock(false));
  EXPECT_FALSE(block({0x49, 0x49, 0x2A, 0x00, 8, 0, 0, 0})->IsExifBlock(true)) << "a plain block has no EXIF ID";

  const auto packet = Text("<?xpacket begin=''?>");
  ASSERT_EQ(packet.size(), 20U);
  EXPECT_TRUE(block(packet)->IsXMPBlock(false));
  EXPECT_FALSE(block(Bytes(packet.begin(), packet.end() - 1))->IsXMPBlock(false)) << "19 bytes";
  EXPECT_TRUE(block(Concat({Text(XMPSegmentHeader), Text("<?xpacket ")}))->IsXMPBlock(false));
  EXPECT_FALSE(block(Concat({Text(XMPSegmentHeader), Text("<?xpacket")}))->IsXMPBlock(false));
  // The wrapper is optional: behind the segment signature any element will do; on its own
  // (a TIFF tag, a Photoshop resource) the bare x:xmpmeta or rdf:RDF element.
  EXPECT_TRUE(block(Concat({Text(XMPSegmentHeader), Text("\n<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>")}))->IsXMPBlock(false));
  EXPECT_FALSE(block(Concat({Text(XMPSegmentHeader), Text("not xml at all, really")}))->IsXMPBlock(false));
  for (const char* bare : {"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>", "\xEF\xBB\xBF\n  <x:xmpmeta xmlns:x='adobe:ns:meta/'>",
                           "<x:xapmeta xmlns:x=\"adobe:ns:meta/\"/>", "<rdf:RDF xmlns:rdf=\"http://www.w3.org/\"/>",
                           "<?xml version=\"1.0\"?>\n<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>"})
    EXPECT_TRUE(block(Text(bare))->IsXMPBlock(false)) << bare;
  for (const char* other : {"<x:xmpmetadata xmlns:x=\"adobe:ns:meta/\"/>", "<html><body>x</body></html>",
                            "<?xml version=\"1.0\" <x:xmpmeta xmlns:x=\"a\"/>", "plain text <x:xmpmeta x=''/>",
                            "<rdf:RDFa xmlns:rdf=\"http://www.w3.org/\"/>", "<?xml version='1.0'?><x:xmpmeta"})
    EXPECT_FALSE(block(Text(other))->IsXMPBlock(false)) << other;
  // Shorter than the signature but starting like it: never read past the data.
  EXPECT_FALSE(block(Text("http://ns.adobe.com/xap/1.0"))->IsXMPBlock(false));
  EXPECT_FALSE(block(packet)->IsXMPBlock(true));

  const auto iptc = block({0x1C, 0x02, 0x00, 0x00, 0x00});
  iptc->Data().SetPosition(3);
  EXPECT_TRUE(iptc->IsIPTCBlock(false)) << "tested from the start of the data";
  EXPECT_FALSE(iptc->IsIPTCBlock(true));
  EXPECT_FALSE(block({0x1C, 0x02, 0x00, 0x00})->IsIPTCBlock(false));

  auto shortSource = StreamOf({1, 2, 3});
  EXPECT_THROW(TMetadataBlock(*shortSource, 4), Platform::EReadError);
  TBytesPayload payload(Text("abc"));
  EXPECT_EQ(BytesOf(TMetadataBlock(&payload).Data()), Text("abc"));
}

TEST(MetadataBlock, ReadOnlyStreams) {
  TMetadataBlock block;
  block.Data().WriteBuffer(Bytes{1, 2, 3});
  block.Data().SetDisableChanges(true);
  for (const auto& change : std::initializer_list<std::function<void()>>{
           [&] { block.Data().WriteBuffer(Bytes{4}); }, [&] { block.Data().SetSize(1); },
           [&] { block.Data().SetSize(100000); }, [&] { block.Data().Clear(); }}) {
    try {
      change();
      ADD_FAILURE() << "a read-only data stream accepted a change";
    } catch (const Platform::EStreamError& e) {
      EXPECT_STREQ(e.what(), "Stream is read-only");
    }
  }
  block.Data().SetPosition(1);
  EXPECT_EQ(ReadByte(block.Data()), 2) << "reading still works";
  EXPECT_EQ(BytesOf(block.Data()), (Bytes{1, 2, 3}));
  // Destroyed while read-only: the buffer is still released (the leak checker watches).

  const Bytes memory{10, 20, 30};
  TUserMemoryStream stream(memory.data(), 3);
  EXPECT_EQ(ReadByte(stream), 10);
  EXPECT_THROW(stream.WriteBuffer(Bytes{1}), Platform::EStreamError);
  EXPECT_THROW(stream.SetSize(1), Platform::EStreamError);
  const Bytes other{40, 50};
  stream.ChangeMemory(other.data(), 2);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.Size(), 2);
  EXPECT_EQ(ReadByte(stream), 40);
}

TEST(BaseUtilsText, ConversionsAndMessages) {
  const std::uint8_t bytes[] = {0x00, 0xAB, 0xFF, 0x5C};
  EXPECT_EQ(BinToHexStr(bytes, 4), "00ABFF5C");
  EXPECT_EQ(BinToHexStr(bytes, 0), "");
  EXPECT_EQ(UTF8BytesToString("\xC3\xA4", 2), "\xC3\xA4");
  EXPECT_EQ(UTF8BytesToString("a\xFF", 2), "a\xEF\xBF\xBD") << "invalid bytes become U+FFFD";
  EXPECT_EQ(UTF8BytesToString(nullptr, 0), "");

  EXPECT_STREQ(ETagAlreadyExists(271).what(), "Tag with ID of \"271\" already exists in section");
  EXPECT_STREQ(EInvalidJPEGHeader().what(), "JPEG header is not valid");
  EXPECT_STREQ(EInvalidPSDHeader().what(), "Photoshop (PSD) file header is not valid");
  EXPECT_STREQ(EUnsupportedGraphicFormat().what(), "Unsupported graphic format");
  const EInvalidTiffData& asTiff = ETagAlreadyExists(1);
  EXPECT_NE(dynamic_cast<const ETesselExifException*>(&asTiff), nullptr);
  EXPECT_NE(std::string(EJPEGSegmentTooLarge(70000).what()).find("70000"), std::string::npos);
}
