#include "units/BaseUtilsFixtures.h"

#include "platform/FileOps.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace Tessel::Exif;
using namespace BaseUtilsFixtures;
using Platform::TMemoryStream;

namespace {

const Bytes SOI{0xFF, 0xD8};
const Bytes EOI{0xFF, 0xD9};
const Bytes App0 = Segment(0xE0, Text(std::string_view("JFIF\0\1\1", 7)));
const Bytes DQT = Segment(0xDB, {0x00, 1, 2, 3});
const Bytes SOF = Segment(0xC0, {8, 0x01, 0x20, 0x02, 0x40, 1, 1, 0x11, 0});
const Bytes SOS = Segment(0xDA, {1, 1, 0, 0, 63, 0});
// Picture data with a stuffed byte and a restart marker in it.
const Bytes Scan{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56};

Bytes SimpleJPEG() { return Concat({SOI, App0, DQT, SOF, SOS, Scan, EOI}); }

struct TFound {
  std::uint8_t Marker;
  std::int64_t Offset;
  std::int32_t TotalSize;
  bool operator==(const TFound&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TFound& f) {
  return out << "{marker 0x" << std::hex << int(f.Marker) << std::dec << ", offset " << f.Offset << ", size "
             << f.TotalSize << "}";
}

std::vector<TFound> Walk(Platform::TStream& stream, const TJPEGMarkers& markers) {
  std::vector<TFound> result;
  for (auto segment : *JPEGHeader(stream, markers))
    result.push_back({segment->MarkerNum(), segment->Offset(), segment->TotalSize()});
  return result;
}

// The picture data: from the first SOS to the end of EOI.
Bytes PictureData(const Bytes& jpeg) {
  auto stream = StreamOf(jpeg);
  std::int64_t sos = -1;
  std::int64_t end = -1;
  for (auto segment : *JPEGHeader(*stream, {jmSOS, jmEOI})) {
    if (segment->MarkerNum() == jmSOS && sos < 0)
      sos = segment->Offset();
    if (segment->MarkerNum() == jmEOI)
      end = segment->Offset() + 2;
  }
  if (sos < 0 || end < 0)
    return {};
  return Bytes(jpeg.begin() + sos, jpeg.begin() + end);
}

} // namespace

TEST(JPEGMarkers, SetOperations) {
  constexpr TJPEGMarkers markers{0xE1, 0xD9};
  static_assert(markers.Contains(0xE1) && markers.Contains(0xD9) && !markers.Contains(0xE0));
  EXPECT_EQ(markers - TJPEGMarkers{0xD9}, TJPEGMarkers{0xE1});
  EXPECT_EQ(markers * (TJPEGMarkers{0xD9, 0x00}), TJPEGMarkers{0xD9});
  EXPECT_EQ(markers + (TJPEGMarkers{0xFF, 0x00}), (TJPEGMarkers{0x00, 0xD9, 0xE1, 0xFF}));
  EXPECT_TRUE(TJPEGMarkers().Empty());
  EXPECT_TRUE(TJPEGMarkers::All().Contains(0x00) && TJPEGMarkers::All().Contains(0xFF));
}

TEST(JPEGHeaderParser, WalksSegmentsInFileOrder) {
  const auto jpeg = SimpleJPEG();
  auto stream = StreamOf(jpeg);
  const std::int64_t app0 = 2;
  const auto dqt = app0 + static_cast<std::int64_t>(App0.size());
  const auto sof = dqt + static_cast<std::int64_t>(DQT.size());
  const auto sos = sof + static_cast<std::int64_t>(SOF.size());
  const auto eoi = static_cast<std::int64_t>(jpeg.size()) - 2;
  const std::vector<TFound> expected{{0xE0, app0, static_cast<std::int32_t>(App0.size())},
                                     {0xDB, dqt, 8},
                                     {0xC0, sof, static_cast<std::int32_t>(SOF.size())},
                                     {0xDA, sos, static_cast<std::int32_t>(SOS.size())},
                                     {0xD9, eoi, 2}};
  EXPECT_EQ(Walk(*stream, TJPEGMarkers::All()), expected)
      << "stuffed bytes and restart markers inside the picture data are not segments";

  // Only the markers asked for; the data is a copy of the segment's bytes.
  stream->SetPosition(0);
  auto parser = JPEGHeader(*stream, {0xC0});
  ASSERT_TRUE(parser->MoveNext());
  const auto segment = parser->Current();
  EXPECT_EQ(segment->OffsetOfData(), sof + 4);
  EXPECT_EQ(SOFImageHeight(segment->Data().Bytes()), 0x120);
  EXPECT_EQ(SOFImageWidth(segment->Data().Bytes()), 0x240);
  EXPECT_FALSE(parser->MoveNext());
  EXPECT_FALSE(parser->MoveNext()) << "a finished parser stays finished";
  EXPECT_EQ(parser->Current(), nullptr);
  EXPECT_EQ(SOFImageWidth(std::span<const std::uint8_t>(segment->Data().Bytes().data(), 4)), 0) << "short data";
}

TEST(JPEGHeaderParser, FillBytesAndOffsets) {
  auto stream = StreamOf({0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xE1, 0x00, 0x04, 0xAA, 0xBB});
  auto parser = JPEGHeader(*stream, {0xE1});
  ASSERT_TRUE(parser->MoveNext());
  const auto segment = parser->Current();
  EXPECT_EQ(segment->MarkerNum(), 0xE1);
  EXPECT_EQ(BytesOf(segment->Data()), (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(segment->Offset(), 4) << "the offset is that of the last fill byte before the marker";
  EXPECT_EQ(segment->TotalSize(), 6);
  // The stream ends where the next marker belongs.
  EXPECT_THROW(parser->MoveNext(), Platform::EReadError);
}

TEST(JPEGHeaderParser, StartsAtTheStreamPosition) {
  const auto jpeg = SimpleJPEG();
  auto stream = StreamOf(Concat({Text("junk!"), jpeg, Text("trailing")}));
  stream->SetPosition(5);
  const auto found = Walk(*stream, {0xE0, 0xD9});
  ASSERT_EQ(found.size(), 2U);
  EXPECT_EQ(found[0].Offset, 7);
  EXPECT_EQ(found[1].Offset + 2, 5 + static_cast<std::int64_t>(jpeg.size()));

  stream->SetPosition(5);
  EXPECT_EQ(GetJPEGDataSize(*stream), static_cast<std::int64_t>(jpeg.size()));
  EXPECT_EQ(stream->Position(), 5) << "GetJPEGDataSize restores the position";
}

TEST(JPEGHeaderParser, RejectsWhatIsNoJPEG) {
  auto notJPEG = StreamOf({0x89, 'P', 'N', 'G'});
  EXPECT_THROW((void)JPEGHeader(*notJPEG, {0xE1}), EInvalidJPEGHeader);
  auto oneByte = StreamOf({0xFF});
  EXPECT_THROW((void)JPEGHeader(*oneByte, {0xE1}), Platform::EReadError);
  // An owned stream dies with the failed construction (the leak checker watches).
  EXPECT_THROW((void)JPEGHeader(StreamOf({1, 2, 3}), {0xE1}), EInvalidJPEGHeader);

  auto stream = StreamOf(SimpleJPEG());
  stream->SetPosition(1);
  EXPECT_FALSE(HasJPEGHeader(*stream));
  stream->SetPosition(0);
  EXPECT_TRUE(HasJPEGHeader(*stream));
  EXPECT_EQ(stream->Position(), 0);
}

TEST(JPEGHeaderParser, OwnedStreamAndRangeFor) {
  int count = 0;
  for (auto segment : *JPEGHeader(StreamOf(SimpleJPEG()), TJPEGMarkers::All())) {
    EXPECT_NE(segment, nullptr);
    ++count;
  }
  EXPECT_EQ(count, 5);
  count = 0;
  for (auto segment : JPEGHeader(StreamOf(SimpleJPEG()), {0xE0}))
    count += segment->MarkerNum() == 0xE0;
  EXPECT_EQ(count, 1);
}

TEST(JPEGHeaderParser, SearchesThePictureDataForEOI) {
  const auto sosEnd = static_cast<std::int64_t>(SOI.size() + SOS.size());
  struct TCase {
    const char* Name;
    Bytes Data;         // picture data after the SOS header, EOI included
    std::int64_t EOIAt; // index of EOI's 0xFF in Data, -1 when none is found
  };
  const TCase cases[] = {
      {"stuffed byte and restart marker", {0x11, 0xFF, 0x00, 0x22, 0xFF, 0xD3, 0x33, 0xFF, 0xD9}, 7},
      {"X FF FF D9 is no EOI", {0x11, 0xFF, 0xFF, 0xD9, 0x44, 0xFF, 0xD9}, 5},
      {"FF FF FF D9 is EOI", {0x11, 0xFF, 0xFF, 0xFF, 0xD9}, 3},
      {"data starting with a stuffed byte", {0xFF, 0x00, 0x11, 0xFF, 0xD9}, 3},
      {"one byte of picture data", {0x11, 0xFF, 0xD9}, 1},
      {"no EOI at all", {0x11, 0x22, 0xFF}, -1},
  };
  for (const auto& c : cases) {
    const auto jpeg = Concat({SOI, SOS, c.Data});
    auto stream = StreamOf(jpeg);
    const auto found = Walk(*stream, {0xD9});
    if (c.EOIAt < 0) {
      EXPECT_TRUE(found.empty()) << c.Name;
      stream->SetPosition(0);
      EXPECT_EQ(GetJPEGDataSize(*stream, true), 0) << c.Name;
      EXPECT_EQ(GetJPEGDataSize(*stream, false), static_cast<std::int64_t>(jpeg.size())) << c.Name;
      continue;
    }
    ASSERT_EQ(found.size(), 1U) << c.Name;
    EXPECT_EQ(found[0].Offset, sosEnd + c.EOIAt) << c.Name;
    stream->SetPosition(0);
    EXPECT_EQ(GetJPEGDataSize(*stream), sosEnd + c.EOIAt + 2) << c.Name;
  }
}

TEST(JPEGHeaderParser, FileStreamsScanInChunksLikeMemory) {
  // EOI split across the first two 64 KiB chunks of the scan, then EOI at the start of
  // the second chunk; a later real EOI shows when the first one was missed.
  TTempDir dir;
  for (const std::size_t ffAt : {std::size_t{65535}, std::size_t{65536}}) {
    Bytes data(70000, 0x11);
    data[ffAt] = 0xFF;
    data[ffAt + 1] = 0xD9;
    const auto jpeg = Concat({SOI, SOS, {0x22}, data, EOI});
    WriteFile(dir.File("big.jpg"), jpeg);
    auto memory = StreamOf(jpeg);
    Platform::TFileStream file(dir.File("big.jpg"), Platform::fmOpenRead);
    const auto inMemory = Walk(*memory, {0xD9});
    const auto inFile = Walk(file, {0xD9});
    EXPECT_EQ(inMemory, inFile) << "FF at " << ffAt;
    ASSERT_EQ(inFile.size(), 1U);
    EXPECT_EQ(inFile[0].Offset, static_cast<std::int64_t>(SOI.size() + SOS.size() + 1 + ffAt));
  }
}

TEST(JPEGHeaderParser, MalformedLengthsAreContained) {
  // A length field below 2 ends the walk without an error and without looping.
  for (const std::uint8_t low : {0x00, 0x01}) {
    auto stream = StreamOf(Concat({SOI, Bytes{0xFF, 0xE1, 0x00, low, 0xAA}, ExifApp1()}));
    EXPECT_TRUE(Walk(*stream, TJPEGMarkers::All()).empty()) << "length " << int(low);
    stream->SetPosition(0);
    EXPECT_EQ(GetJPEGDataSize(*stream), 0);
  }
  // A length beyond the end of the stream: the read error, nothing is made up.
  auto cut = StreamOf(Concat({SOI, Bytes{0xFF, 0xE1, 0xFF, 0xFF, 0xAA}}));
  auto parser = JPEGHeader(*cut, {0xE1});
  EXPECT_THROW(parser->MoveNext(), Platform::EReadError);
  // A length cut in half.
  auto half = StreamOf(Concat({SOI, Bytes{0xFF, 0xE1, 0x00}}));
  EXPECT_THROW(Walk(*half, {0xE1}), Platform::EReadError);
  // Garbage where a marker belongs ends the walk quietly.
  auto garbage = StreamOf(Concat({SOI, App0, Text("garbage")}));
  EXPECT_EQ(Walk(*garbage, TJPEGMarkers::All()).size(), 1U);
}

TEST(JPEGHeaderParser, AWalkWithoutEOIEndsAtTheScanHeader) {
  // A file that ends inside its scan header (behind its length), or right behind it.
  const auto whole = Concat({SOI, App0, ExifApp1(), DQT, SOS});
  for (const std::size_t cut : {std::size_t{0}, std::size_t{3}, SOS.size() - 4}) {
    Bytes bytes = Concat({SOI, App0, ExifApp1(), DQT, SOS});
    bytes.resize(whole.size() - cut);
    SCOPED_TRACE(cut);
    auto stream = StreamOf(bytes);
    const auto found = Walk(*stream, {0xE0, 0xE1});
    ASSERT_EQ(found.size(), 2U) << "the segments in front are found, and the walk ends quietly";
    EXPECT_EQ(found[1].Marker, 0xE1);
    EXPECT_LE(stream->Position(), stream->Size());
    // Whoever asks for the scan header or the picture data still learns that it is cut off.
    stream->SetPosition(0);
    if (cut > 0) {
      EXPECT_THROW(Walk(*stream, {0xDA}), Platform::EReadError);
    }
    stream->SetPosition(0);
    EXPECT_THROW(Walk(*stream, {0xD9}), Platform::EReadError);
  }
  // In a whole file the walk for APP segments still stops at the scan without reading it.
  auto stream = StreamOf(SimpleJPEG());
  EXPECT_EQ(Walk(*stream, {0xE0}).size(), 1U);
  EXPECT_EQ(stream->Position(),
            static_cast<std::int64_t>(SOI.size() + App0.size() + DQT.size() + SOF.size() + SOS.size()));
}

TEST(UserJPEGSegment, LoadSaveAndPayloadTests) {
  TUserJPEGSegment segment;
  auto source = StreamOf(Concat({Bytes{0xFF, 0xFF}, ExifApp1(7), Bytes{0x99}}));
  segment.LoadFromStream(*source);
  EXPECT_EQ(segment.MarkerNum(), 0xE1);
  EXPECT_EQ(source->Position(), 2 + static_cast<std::int64_t>(ExifApp1().size()));
  EXPECT_TRUE(segment.IsExifBlock(true));
  EXPECT_FALSE(segment.IsXMPBlock(false));
  TMemoryStream saved;
  segment.SaveToStream(saved);
  EXPECT_EQ(BytesOf(saved), ExifApp1(7)) << "fill bytes are not written back";

  segment.SetMarkerNum(0xE2);
  EXPECT_FALSE(segment.IsExifBlock(true)) << "the marker must be APP1";
  EXPECT_TRUE(segment.IsExifBlock(false));

  // A marker without length field, read from the marker byte itself.
  auto eoi = StreamOf({0xD9});
  segment.LoadFromStream(*eoi);
  EXPECT_EQ(segment.MarkerNum(), 0xD9);
  EXPECT_TRUE(segment.Empty());

  // From a payload container; the data stream is rewound.
  TBytesPayload payload(Text("hello"));
  TUserJPEGSegment fromPayload(0xE5, &payload);
  EXPECT_EQ(fromPayload.Data().Position(), 0);
  EXPECT_EQ(BytesOf(fromPayload.Data()), Text("hello"));
}

TEST(UserJPEGSegment, BrokenSegmentsRaiseTheReadError) {
  TUserJPEGSegment segment(0xE1);
  const Bytes broken[] = {
      {0xFF, 0xE1, 0x00, 0x00},             // length below 2
      {0xFF, 0xE1, 0x00, 0x01, 0xAA},       // likewise
      {0xFF, 0xE1, 0xFF, 0xF0, 0xAA, 0xBB}, // data cut off
      {0xFF, 0xE1, 0x00},                   // length cut off
      {0xFF, 0xFF},                         // no marker
  };
  for (const auto& bytes : broken) {
    TBytesPayload old(Text("old"));
    TUserJPEGSegment target(0xE1, &old);
    auto stream = StreamOf(bytes);
    EXPECT_THROW(target.LoadFromStream(*stream), Platform::EReadError) << bytes.size() << " bytes";
    EXPECT_TRUE(target.Empty()) << "the data is emptied";
  }
}

TEST(UserJPEGSegment, AdobeApp13) {
  const Bytes header = Text(PhotoshopApp13Header);
  // 19 bytes with a correct header are too few.
  TUserJPEGSegment segment(0xED);
  segment.Data().WriteBuffer(Concat({header, Bytes(5, 0)}));
  EXPECT_FALSE(segment.IsAdobeApp13());
  segment.Data().WriteBuffer(Bytes{0});
  EXPECT_TRUE(segment.IsAdobeApp13());
  segment.SetMarkerNum(0xE1);
  EXPECT_FALSE(segment.IsAdobeApp13()) << "only APP13 carries Photoshop blocks";

  TUserJPEGSegment old(0xED);
  old.Data().WriteBuffer(Concat({Text(OldPhotoshopApp13Header), Bytes(2, 0)}));
  EXPECT_TRUE(old.IsAdobeApp13());

  // IPTC inside a resource block of the segment.
  const Bytes iptcBlock =
      Concat({Text("8BIM"), {0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06}, {0x1C, 0x02, 0x78, 0x00, 0x01, 0x41}});
  const Bytes otherBlock = Concat({Text("8BIM"), {0x04, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x1C, 0x02}});
  TUserJPEGSegment withIPTC(0xED);
  withIPTC.Data().WriteBuffer(Concat({header, otherBlock, iptcBlock}));
  EXPECT_TRUE(withIPTC.IsIPTCBlock(true));
  TUserJPEGSegment withoutIPTC(0xED);
  withoutIPTC.Data().WriteBuffer(Concat({header, otherBlock, otherBlock}));
  EXPECT_FALSE(withoutIPTC.IsIPTCBlock(true));
  EXPECT_FALSE(withoutIPTC.IsIPTCBlock(false)) << "two bytes are no dataset header";

  // The enumerator keeps its segment alive.
  auto shared = std::make_shared<TUserJPEGSegment>(0xED);
  shared->Data().WriteBuffer(Concat({header, iptcBlock}));
  auto blocks = shared->GetEnumerator();
  shared.reset();
  ASSERT_TRUE(blocks->MoveNext());
  EXPECT_EQ(blocks->Current()->TypeID(), 0x0404);
  EXPECT_FALSE(blocks->MoveNext());
  // A segment that is not APP13 enumerates nothing.
  EXPECT_FALSE(TUserJPEGSegment(0xE1).GetEnumerator()->MoveNext());
}

TEST(JPEGWriters, SegmentSizeLimit) {
  const Bytes largest(65533, 0x5A);
  TMemoryStream out;
  WriteJPEGSegment(out, 0xE1, largest.data(), static_cast<std::int64_t>(largest.size()));
  EXPECT_EQ(out.Size(), 65537);
  EXPECT_EQ(out.Bytes()[2], 0xFF);
  EXPECT_EQ(out.Bytes()[3], 0xFF);

  // One byte more is refused before anything is written, whichever form is used.
  const Bytes tooLarge(65534, 0x5A);
  TMemoryStream refused;
  EXPECT_THROW(WriteJPEGSegment(refused, 0xE1, tooLarge.data(), 65534), EJPEGSegmentTooLarge);
  auto source = StreamOf(Bytes(70000, 0x5A)); // 70000 would slip through as 4464 in 16 bits
  EXPECT_THROW(WriteJPEGSegment(refused, 0xE1, *source), EJPEGSegmentTooLarge);
  EXPECT_THROW(WriteJPEGSegment(refused, 0xE1, *source, 65534), EJPEGSegmentTooLarge);
  TUserJPEGSegment big(0xE1);
  big.Data().WriteBuffer(tooLarge);
  EXPECT_THROW(WriteJPEGSegment(refused, big), EJPEGSegmentTooLarge);
  EXPECT_THROW(big.SaveToStream(refused), EJPEGSegmentTooLarge);
  EXPECT_EQ(refused.Size(), 0);
}

TEST(JPEGWriters, SourceForms) {
  TMemoryStream out;
  WriteJPEGFileHeader(out);
  TMemoryStream empty;
  WriteJPEGSegment(out, 0xE2, empty);
  EXPECT_EQ(BytesOf(out), (Bytes{0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x02}));

  // An explicit size takes the bytes at the source's position and moves past them.
  auto source = StreamOf({1, 2, 3, 4, 5});
  source->SetPosition(1);
  TMemoryStream part;
  WriteJPEGSegment(part, 0xE3, *source, 3);
  EXPECT_EQ(BytesOf(part), (Bytes{0xFF, 0xE3, 0x00, 0x05, 2, 3, 4}));
  EXPECT_EQ(source->Position(), 4);
  TMemoryStream shortOut;
  EXPECT_THROW(WriteJPEGSegment(shortOut, 0xE3, *source, 3), Platform::EReadError);
  EXPECT_EQ(shortOut.Size(), 0) << "nothing is written for a short source";

  // A file source reads the same bytes.
  TTempDir dir;
  WriteFile(dir.File("data"), Bytes{7, 8, 9});
  Platform::TFileStream file(dir.File("data"), Platform::fmOpenRead);
  TMemoryStream fromFile;
  WriteJPEGSegment(fromFile, 0xE4, file);
  EXPECT_EQ(BytesOf(fromFile), (Bytes{0xFF, 0xE4, 0x00, 0x05, 7, 8, 9}));
  file.SetPosition(1);
  TMemoryStream fileShort;
  EXPECT_THROW(WriteJPEGSegment(fileShort, 0xE4, file, 3), Platform::EReadError);
  EXPECT_EQ(fileShort.Size(), 0);
}

TEST(UpdateApp1JPEGSegments, RebuildsTheApp1Segments) {
  const auto otherApp1 = Segment(0xE1, Text("other"));
  const auto oldExif = ExifApp1(1);
  const auto oldXMP = XMPApp1("old");
  const auto rest = Concat({DQT, SOF, SOS, Scan, EOI});
  const auto input = Concat({SOI, oldExif, App0, otherApp1, oldXMP, ExifApp1(2), rest});
  const auto secondExif = ExifApp1(2);
  const Bytes tiff{0x4D, 0x4D, 0x00, 0x2A, 0, 0, 0, 8};

  struct TCase {
    const char* Name;
    IStreamPersistEx* Exif;
    IStreamPersistEx* XMP;
    Bytes Expected;
  };
  TBytesPayload newExif(tiff);
  TBytesPayload newXMP(Text("<x/>"));
  TBytesPayload empty({});
  const auto exifOut = Segment(0xE1, Concat({Text(ExifHeader), tiff}));
  const auto xmpOut = Segment(0xE1, Concat({Text(XMPSegmentHeader), Text("<x/>")}));
  const TCase cases[] = {
      {"both nil keep the old ones, moved up", nullptr, nullptr,
       Concat({SOI, App0, oldExif, oldXMP, otherApp1, secondExif, rest})},
      {"new EXIF, old XMP", &newExif, nullptr, Concat({SOI, App0, exifOut, oldXMP, otherApp1, secondExif, rest})},
      {"empty EXIF drops it", &empty, &newXMP, Concat({SOI, App0, xmpOut, otherApp1, secondExif, rest})},
      {"both empty", &empty, &empty, Concat({SOI, App0, otherApp1, secondExif, rest})},
  };
  for (const auto& c : cases) {
    auto in = StreamOf(input);
    TMemoryStream out;
    out.WriteBuffer(Bytes(100000, 0xEE)); // longer than the result: must be cut
    out.SetPosition(0);
    UpdateApp1JPEGSegments(*in, out, c.Exif, c.XMP);
    EXPECT_EQ(BytesOf(out), c.Expected) << c.Name;
  }

  // A JPEG segment as payload is written as it is.
  TUserJPEGSegment segment(0xE1);
  segment.Data().WriteBuffer(Concat({Text(ExifHeader), tiff}));
  auto in = StreamOf(input);
  TMemoryStream out;
  UpdateApp1JPEGSegments(*in, out, &segment, nullptr);
  EXPECT_EQ(BytesOf(out), Concat({SOI, App0, exifOut, oldXMP, otherApp1, secondExif, rest}));
}

TEST(UpdateApp1JPEGSegments, Failures) {
  // Too much EXIF for one segment: refused before the output is touched.
  TBytesPayload huge(Concat({Bytes{0x49, 0x49, 0x2A, 0x00}, Bytes(70000, 0)}));
  auto in = StreamOf(Concat({SOI, App0, SOS, Scan, EOI}));
  TMemoryStream out;
  EXPECT_THROW(UpdateApp1JPEGSegments(*in, out, &huge, nullptr), EJPEGSegmentTooLarge);
  EXPECT_EQ(out.Size(), 0);

  auto notJPEG = StreamOf(Text("GIF89a"));
  EXPECT_THROW(UpdateApp1JPEGSegments(*notJPEG, out, nullptr, nullptr), EInvalidJPEGHeader);
  auto cut = StreamOf(Concat({SOI, ExifApp1()}));
  EXPECT_THROW(UpdateApp1JPEGSegments(*cut, out, nullptr, nullptr), Platform::EReadError);
  EXPECT_EQ(out.Size(), 0);
}

TEST(RemoveJPEGSegments, RemovesOnlyWhatWasAsked) {
  const auto input = Concat({SOI, App0, ExifApp1(), DQT, XMPApp1(), SOS, Scan, EOI});
  auto in = StreamOf(input);
  TMemoryStream out;
  EXPECT_EQ(RemoveJPEGSegments(*in, out, {0xE1, 0xD9}), TJPEGMarkers{0xE1}) << "EOI is never removed";
  EXPECT_EQ(BytesOf(out), Concat({SOI, App0, DQT, SOS, Scan, EOI}));

  auto noApp1 = StreamOf(SimpleJPEG());
  TMemoryStream same;
  EXPECT_TRUE(RemoveJPEGSegments(*noApp1, same, {0xE1, 0xD9}).Empty());
  EXPECT_EQ(BytesOf(same), SimpleJPEG());

  auto in2 = StreamOf(input);
  TMemoryStream nothing;
  EXPECT_TRUE(RemoveJPEGSegments(*in2, nothing, {}).Empty());
  EXPECT_EQ(BytesOf(nothing), input);
  EXPECT_EQ(PictureData(BytesOf(nothing)), Concat({SOS, Scan, EOI}));

  auto notJPEG = StreamOf(Text("nope"));
  TMemoryStream ignored;
  EXPECT_THROW((void)RemoveJPEGSegments(*notJPEG, ignored, {0xE1}), EInvalidJPEGHeader);
}

namespace {

// Appends a marker to a JPEG; throws after half the input when asked to.
TGetGraphicSaveMethod TestSaver(bool failHalfWay) {
  return [failHalfWay](Platform::TStream& stream, TGraphicSaveMethod& saveMethod) {
    if (!HasJPEGHeader(stream))
      return;
    saveMethod = [failHalfWay](Platform::TStream& in, Platform::TStream& out) {
      const auto half = in.Size() / 2;
      out.CopyFrom(in, half);
      if (failHalfWay)
        throw Platform::EWriteError();
      out.CopyFrom(in, in.Size() - half);
      WriteRawString(out, "+saved");
    };
  };
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  return names;
}

// Points the temporary folder elsewhere for the life of the object.
struct TTempFolderOverride {
  explicit TTempFolderOverride(const std::string& path) {
    if (const char* old = std::getenv("TMPDIR"))
      FOld = old;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~TTempFolderOverride() {
    if (FOld.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", FOld.c_str(), 1);
  }
  std::string FOld;
};

} // namespace

TEST(DoSaveToGraphic, StreamIsRewrittenOnlyWhenComplete) {
  const auto jpeg = SimpleJPEG();
  auto stream = StreamOf(jpeg);
  stream->SetPosition(3);
  DoSaveToGraphic(*stream, TestSaver(false));
  EXPECT_EQ(BytesOf(*stream), Concat({jpeg, Text("+saved")}));

  auto failing = StreamOf(jpeg);
  EXPECT_THROW(DoSaveToGraphic(*failing, TestSaver(true)), Platform::EWriteError);
  EXPECT_EQ(BytesOf(*failing), jpeg);

  auto other = StreamOf(Text("not a picture"));
  EXPECT_THROW(DoSaveToGraphic(*other, TestSaver(false)), EUnsupportedGraphicFormat);
  EXPECT_THROW(DoSaveToGraphic(*other, nullptr), EUnsupportedGraphicFormat);
  EXPECT_EQ(BytesOf(*other), Text("not a picture"));
}

TEST(DoSaveToGraphic, LargeStreamsGoThroughATemporaryFile) {
  TTempDir temp;
  TTempFolderOverride tempFolder(temp.Path());
  const auto big = Concat({SimpleJPEG(), Bytes(0xFFFFFF, 0x42)});
  // A stream of a class of its own (a plain memory stream keeps its picture data in place).
  struct TOtherStream : Platform::TMemoryStream {};
  const auto streamOf = [](const Bytes& bytes) {
    auto stream = std::make_unique<TOtherStream>();
    stream->WriteBuffer(bytes);
    stream->SetPosition(0);
    return stream;
  };
  auto stream = streamOf(big);
  DoSaveToGraphic(*stream, TestSaver(false));
  EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(big.size()) + 6);
  EXPECT_TRUE(FolderEntries(temp.Path()).empty()) << "the temporary file is removed";

  auto failing = streamOf(big);
  EXPECT_THROW(DoSaveToGraphic(*failing, TestSaver(true)), Platform::EWriteError);
  EXPECT_TRUE(BytesOf(*failing) == big);
  EXPECT_TRUE(FolderEntries(temp.Path()).empty()) << "also after a failure";

  // A plain memory stream of that size is rewritten in place.
  auto plain = StreamOf(big);
  DoSaveToGraphic(*plain, TestSaver(false));
  EXPECT_TRUE(BytesOf(*plain) == Concat({big, Text("+saved")}));
}

TEST(DoSaveToGraphic, AMemoryStreamKeepsItsPictureDataInPlace) {
  // A header of 100 bytes in front of picture data: the saver writes a new header of
  // another length, then the rest of its input, as the metadata savers do.
  Bytes picture(20000);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  const auto source = Concat({SOI, Bytes(98, 0x11), picture});
  const auto saverWithHead = [&picture](std::size_t headSize, bool failAfterTail) -> TGetGraphicSaveMethod {
    return [=](Platform::TStream&, TGraphicSaveMethod& saveMethod) {
      saveMethod = [=](Platform::TStream& in, Platform::TStream& out) {
        out.WriteBuffer(Concat({SOI, Bytes(headSize - 2, 0x22)}));
        in.SetPosition(100);
        out.CopyFrom(in, in.Size() - 100);
        out.SetSize(out.Position());
        // Read back across the end of the header, as the check of a save does.
        Bytes seam(8);
        out.SetPosition(static_cast<std::int64_t>(headSize) - 4);
        out.ReadBuffer(seam.data(), 8);
        EXPECT_EQ(seam, Concat({Bytes(4, 0x22), Bytes(picture.begin(), picture.begin() + 4)}));
        if (failAfterTail)
          throw Platform::EWriteError();
      };
    };
  };
  for (const std::size_t head : {40, 100, 3000}) {
    auto stream = StreamOf(source);
    DoSaveToGraphic(*stream, saverWithHead(head, false));
    EXPECT_TRUE(BytesOf(*stream) == Concat({SOI, Bytes(head - 2, 0x22), picture})) << head;
    EXPECT_EQ(stream->Position(), stream->Size()) << head;
    auto failing = StreamOf(source);
    EXPECT_THROW(DoSaveToGraphic(*failing, saverWithHead(head, true)), Platform::EWriteError);
    EXPECT_TRUE(BytesOf(*failing) == source) << "a failed save leaves the stream as it was, " << head;
  }

  // Writing into the referred bytes or behind them makes them a copy first.
  auto stream = StreamOf(source);
  DoSaveToGraphic(*stream, [](Platform::TStream&, TGraphicSaveMethod& saveMethod) {
    saveMethod = [](Platform::TStream& in, Platform::TStream& out) {
      out.CopyFrom(in, 0);
      out.SetPosition(5000);
      WriteRawString(out, "patch");
      out.Seek(0, Platform::TSeekOrigin::soEnd);
      WriteRawString(out, "+end");
    };
  });
  auto expected = Concat({source, Text("+end")});
  std::copy_n("patch", 5, expected.begin() + 5000);
  EXPECT_TRUE(BytesOf(*stream) == expected);

  // Only the source's own bytes at their own place count as equal by reference.
  const auto original = StreamOf(source);
  TTailSharingStream output(*original);
  original->SetPosition(100);
  output.CopyFrom(*original, original->Size() - 100);
  EXPECT_TRUE(output.SharesSourceBytes(0, *original, 100, 500));
  EXPECT_TRUE(output.SharesSourceBytes(19500, *original, 19600, 500));
  EXPECT_FALSE(output.SharesSourceBytes(19500, *original, 19600, 501)) << "beyond the end";
  EXPECT_FALSE(output.SharesSourceBytes(0, *original, 101, 500)) << "another place";
  const auto copy = StreamOf(source);
  EXPECT_FALSE(output.SharesSourceBytes(0, *copy, 100, 500)) << "another stream";
  TTailSharingStream small(*original);
  original->SetPosition(original->Size() - 100);
  small.CopyFrom(*original, 100);
  EXPECT_FALSE(small.SharesSourceBytes(0, *original, original->Size() - 100, 100)) << "a short tail is copied";
}

TEST(DoSaveToGraphic, FilesAreReplacedAtomically) {
  TTempDir dir;
  const auto name = dir.File("photo.jpg");
  const auto jpeg = SimpleJPEG();
  WriteFile(name, jpeg);
  ASSERT_EQ(::chmod(name.c_str(), 0640), 0);

  // A saver failing half-way leaves the original byte for byte and no stray file.
  EXPECT_THROW(DoSaveToGraphic(name, TestSaver(true)), Platform::EWriteError);
  EXPECT_EQ(ReadFile(name), jpeg);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"photo.jpg"});

  WriteFile(name, Text("plain text"));
  EXPECT_THROW(DoSaveToGraphic(name, TestSaver(false)), EUnsupportedGraphicFormat);
  EXPECT_EQ(ReadFileText(name), "plain text");
  WriteFile(name, jpeg);

  DoSaveToGraphic(name, TestSaver(false));
  EXPECT_EQ(ReadFile(name), Concat({jpeg, Text("+saved")}));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"photo.jpg"});
  struct stat info {};
  ASSERT_EQ(::stat(name.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640U) << "the original's permissions are kept";

  EXPECT_TRUE(HasJPEGHeader(name));
  EXPECT_THROW((void)HasJPEGHeader(dir.File("missing.jpg")), Platform::EFOpenError);
  EXPECT_THROW(DoSaveToGraphic(dir.File("missing.jpg"), TestSaver(false)), Platform::EFOpenError);

  // A file the user may not write stays as it is (root may write anything).
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
    const auto before = ReadFile(name);
    EXPECT_THROW(DoSaveToGraphic(name, TestSaver(false)), Platform::EFOpenError);
    EXPECT_EQ(ReadFile(name), before);
  }
}
