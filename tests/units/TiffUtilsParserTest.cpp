// Reading TIFF structures: header, directory chain, entries, load errors, sub-directories,
// the embedded thumbnail and the rational records.

#include "TiffUtilsFixtures.h"

#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace Tessel::Exif;
using namespace TiffFixtures;
using enum TMetadataLoadError;

namespace {

using TDirectories = std::vector<std::shared_ptr<IFoundTiffDirectory>>;

TDirectories Walk(const std::shared_ptr<ITiffParser>& parser) {
  TDirectories result;
  for (const auto& directory : parser->GetEnumerator())
    result.push_back(directory);
  return result;
}

std::shared_ptr<ITiffParser> Parse(const TTiffBuilder& builder) { return ParseTiff(StreamOf(builder.Data())); }

// A directory of header-less data at offset 0 of a stream the test keeps.
struct TLooseDirectory {
  std::unique_ptr<Platform::TMemoryStream> Stream;
  std::shared_ptr<IFoundTiffDirectory> Directory;
};
TLooseDirectory LoadAt(const TTiffBuilder& builder, std::int64_t offset, std::int64_t internalOffset = 0) {
  TLooseDirectory result{StreamOf(builder.Data()), nullptr};
  result.Directory = ParseTiffDirectory(
      *result.Stream, builder.Big() ? TEndianness::BigEndian : TEndianness::SmallEndian, 0, offset, internalOffset);
  return result;
}

Bytes TagBytes(const ITiffTag& tag) { return BytesOf(tag.Data()); }

// A tiny complete JPEG: SOI, APP0, SOS with two bytes of scan data, EOI.
const Bytes TinyJPEG{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9};

class TThrowingSink : public Platform::IStreamPersist {
public:
  void LoadFromStream(Platform::TStream&) override { throw Platform::EReadError(); }
  void SaveToStream(Platform::TStream&) override {}
};

} // namespace

TEST(TiffParserTest, HeaderDecidesByteOrderByTheFortyTwo) {
  // "II" followed by 00 2A is big-endian: the 42 decides, not the mark.
  auto parser = ParseTiff(StreamOf({'I', 'I', 0x00, 0x2A, 0x00, 0x00, 0x00, 0x08}));
  EXPECT_EQ(parser->Endianness(), TEndianness::BigEndian);
  EXPECT_EQ(std::dynamic_pointer_cast<TTiffParser>(parser)->FirstDirOffset(), 8);

  parser = ParseTiff(StreamOf({'M', 'M', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00}));
  EXPECT_EQ(parser->Endianness(), TEndianness::SmallEndian);
  EXPECT_EQ(std::dynamic_pointer_cast<TTiffParser>(parser)->FirstDirOffset(), 8);

  for (const Bytes& bad : {Bytes{'M', 'I', 0x2A, 0x00, 8, 0, 0, 0}, Bytes{'I', 'I', 0x2B, 0x00, 8, 0, 0, 0},
                           Bytes{'I', 'I', 0x2A, 0x00, 8, 0}, Bytes{'I', 'I', 0x2A}}) {
    try {
      // The owned stream must be freed although construction fails (the leak checker watches).
      (void)ParseTiff(StreamOf(bad));
      ADD_FAILURE() << "a bad header of " << bad.size() << " bytes was accepted";
    } catch (const EInvalidTiffData& e) {
      EXPECT_STREQ(e.what(), "Invalid TIFF data");
    }
  }
}

TEST(TiffParserTest, TryReadTiffHeaderMovesOnlyOnRequestedSuccess) {
  auto stream = StreamOf({0xAA, 0xBB, 'M', 'M', 0x00, 0x2A, 0, 0, 0, 8});
  TEndianness endianness = TEndianness::SmallEndian;
  EXPECT_FALSE(TryReadTiffHeader(*stream, endianness, true));
  EXPECT_EQ(stream->Position(), 0);
  stream->SetPosition(2);
  EXPECT_TRUE(TryReadTiffHeader(*stream, endianness, false));
  EXPECT_EQ(endianness, TEndianness::BigEndian);
  EXPECT_EQ(stream->Position(), 2);
  EXPECT_TRUE(TryReadTiffHeader(*stream, endianness, true));
  EXPECT_EQ(stream->Position(), 6);
  stream->SetPosition(8);
  EXPECT_FALSE(TryReadTiffHeader(*stream, endianness, true)) << "two bytes left";
  EXPECT_EQ(stream->Position(), 8);
}

TEST(TiffParserTest, MainChainIndexesAndEnd) {
  TTiffBuilder b;
  b.Header(0);
  EXPECT_TRUE(Walk(Parse(b)).empty()) << "first IFD offset 0 means no directories";

  TTiffBuilder two;
  two.Header(8);
  const auto ifd0 = two.Ifd({two.Short(0x0100, 1)}, 0);
  const auto ifd1 = two.Ifd({two.Short(0x0100, 2), two.Short(0x0101, 3)}, 0);
  two.Patch32(TTiffBuilder::NextOf(ifd0, 1), ifd1);
  auto dirs = Walk(Parse(two));
  ASSERT_EQ(dirs.size(), 2U);
  EXPECT_EQ(dirs[0]->Index(), 0);
  EXPECT_EQ(dirs[1]->Index(), 1);
  EXPECT_EQ(dirs[1]->TagCount(), 2);
  EXPECT_FALSE(dirs[0]->IsLastDirectoryInFile());
  EXPECT_TRUE(dirs[1]->IsLastDirectoryInFile());
  EXPECT_EQ(dirs[0]->Parent(), nullptr);
  EXPECT_TRUE(dirs[0]->LoadErrors().Empty());

  // A next offset past the last place an IFD could start ends the chain quietly.
  two.Patch32(TTiffBuilder::NextOf(ifd1, 2), two.Size() - 3);
  dirs = Walk(Parse(two));
  ASSERT_EQ(dirs.size(), 2U);
  EXPECT_TRUE(dirs[1]->IsLastDirectoryInFile());
  EXPECT_TRUE(dirs[1]->LoadErrors().Empty());
}

TEST(TiffParserTest, ChainLeadingBackIntoItselfEnds) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Short(0x0100, 1)}, 0);
  const auto ifd1 = b.Ifd({b.Short(0x0100, 2)}, ifd0);
  b.Patch32(TTiffBuilder::NextOf(ifd0, 1), ifd1);
  auto dirs = Walk(Parse(b));
  ASSERT_EQ(dirs.size(), 2U) << "IFD1 links back to IFD0";
  EXPECT_TRUE(dirs[0]->LoadErrors().Empty());
  EXPECT_EQ(dirs[1]->LoadErrors(), TMetadataLoadErrors{leBadOffset}) << "the link that closes the loop is marked";
  EXPECT_TRUE(dirs[1]->IsLastDirectoryInFile());

  TTiffBuilder self;
  self.Header(8);
  self.Ifd({self.Short(0x0100, 1)}, 8);
  dirs = Walk(Parse(self));
  ASSERT_EQ(dirs.size(), 1U);
  EXPECT_EQ(dirs[0]->LoadErrors(), TMetadataLoadErrors{leBadOffset});

  // A link into the middle of a directory already walked is no new directory either.
  TTiffBuilder inside;
  inside.Header(8);
  const auto first = inside.Ifd({inside.Short(0x0100, 1), inside.Short(0x0101, 1), inside.Short(0x0102, 1)}, 0);
  inside.Patch32(TTiffBuilder::NextOf(first, 3), first + 14);
  dirs = Walk(Parse(inside));
  ASSERT_EQ(dirs.size(), 1U);
  EXPECT_TRUE(dirs[0]->LoadErrors().Contains(leBadOffset));

  // Nor is a link onto entries the directory skipped as damaged: they are its table too.
  TTiffBuilder skipped;
  skipped.Header(8);
  const TEntry farOff{0x0200, 5, 1, {0xFF, 0xFF, 0xFF, 0x7F}};
  const auto damaged = skipped.Ifd({skipped.Short(0x0100, 1), farOff, farOff}, 0);
  skipped.Patch32(TTiffBuilder::NextOf(damaged, 3), damaged + 2 + 24);
  dirs = Walk(Parse(skipped));
  ASSERT_EQ(dirs.size(), 1U);
  EXPECT_EQ(dirs[0]->TagCount(), 1);
  EXPECT_TRUE(dirs[0]->LoadErrors().Contains(leBadOffset));
}

TEST(TiffParserTest, DirectoryOffsetAndCountChecks) {
  TTiffBuilder b;
  b.Raw({0, 0, 0, 0, 0, 0, 0, 0});
  b.U16(5); // a count field that is the stream's last two bytes
  auto at = LoadAt(b, 8);
  EXPECT_EQ(at.Directory->TagCount(), 0);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadTagCount});
  b.Patch16(8, 0);
  at = LoadAt(b, 8);
  EXPECT_TRUE(at.Directory->LoadErrors().Empty()) << "a zero count at the very end is fine";

  at = LoadAt(b, 9);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadOffset}) << "one byte left";
  at = LoadAt(b, -1);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadOffset});
  at = LoadAt(b, std::int64_t{1} << 40);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadOffset});

  // Count 100 with room for three entries.
  TTiffBuilder cut;
  cut.PadTo(8);
  const auto ifd = cut.Ifd({cut.Short(0x0100, 1), cut.Short(0x0101, 2), cut.Short(0x0102, 3)}, 0);
  cut.Patch16(ifd, 100);
  cut.Truncate(cut.Size() - 4);
  at = LoadAt(cut, 8);
  EXPECT_EQ(at.Directory->TagCount(), 3);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadTagCount});
}

TEST(TiffParserTest, MalformedEntriesAndWhatIsKept) {
  const auto build = [](std::vector<TEntry> entries) {
    TTiffBuilder b;
    b.PadTo(8);
    b.Ifd(entries, 0);
    return b;
  };
  TTiffBuilder probe;
  const auto good = [&](std::uint16_t id) { return probe.Short(id, 1); };
  const TEntry badType{0x0200, 0, 1, {}};

  auto at = LoadAt(build({badType, good(0x0201), good(0x0202)}), 8);
  EXPECT_EQ(at.Directory->TagCount(), 2) << "an entry of type 0 is skipped, the rest kept";
  EXPECT_EQ(at.Directory->TagInfo()[0].ID, 0x0201);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadTagHeader});

  std::vector<TEntry> entries;
  for (std::uint16_t i = 0; i < 8; ++i)
    entries.push_back(i == 4 || i == 5 ? TEntry{static_cast<std::uint16_t>(0x0300 + i), 14, 1, {}} : good(0x0300 + i));
  at = LoadAt(build(entries), 8);
  EXPECT_EQ(at.Directory->TagCount(), 8) << "two bad entries in a row cost only themselves";
  EXPECT_EQ(at.Directory->TagInfo()[6].ID, 0x0306);
  EXPECT_TRUE(at.Directory->TagInfo()[7].IsWellFormed());
  EXPECT_EQ(at.Directory->LoadErrors(), (TMetadataLoadErrors{leBadTagHeader, leBadTagCount}));

  // A count that did not fit and a bad first entry: the sound entry that follows stays.
  auto cut = build({badType, good(0x0201)});
  cut.Patch16(8, 200);
  at = LoadAt(cut, 8);
  ASSERT_EQ(at.Directory->TagCount(), 1);
  EXPECT_EQ(at.Directory->TagInfo()[0].ID, 0x0201);
  EXPECT_EQ(at.Directory->LoadErrors(), (TMetadataLoadErrors{leBadTagCount, leBadTagHeader}));
}

TEST(TiffParserTest, EntriesPointingOutsideTheStreamAreSkipped) {
  // A damaged Exif directory as cameras' firmware bugs leave them: garbage entries with
  // unknown types and offsets far outside the block in front of sound ones.
  TTiffBuilder b;
  b.PadTo(8);
  const auto ifd = b.Ifd({TEntry{0x829A, 0xFF05, 0xFFFFFFFE, {0xA4, 0xCE, 0xFF, 0xFF}},
                          TEntry{0x7D62, 0xFFFA, 0xFFFFFFFE, {0x9C, 0xCE, 0xFF, 0xFF}},
                          TEntry{0x9003, 2, 0xFF000014, {0x94, 0xCE, 0xFF, 0xFF}}, // ASCII, 4 GB
                          b.Short(0x9207, 5), b.Offset(0x920A, 5, 1, 0x10000),     // RATIONAL far behind
                          b.Offset(0x920B, 5, 1, 20), b.Short(0xA001, 1)},
                         0);
  b.PadTo(120, 0x11);
  auto at = LoadAt(b, 8);
  const auto& info = at.Directory->TagInfo();
  std::vector<TTiffTagID> ids;
  for (const auto& entry : info)
    ids.push_back(entry.ID);
  EXPECT_EQ(ids, (std::vector<TTiffTagID>{0x9207, 0x920B, 0xA001}));
  EXPECT_EQ(at.Directory->LoadErrors(), (TMetadataLoadErrors{leBadTagHeader, leBadTagCount}));
  EXPECT_EQ(info[1].DataOffset, 20U);

  // Data that starts inside the stream but runs past its end: the entry stays, without data.
  b.Truncate(ifd + 2 + 12 * 7 + 4 + 4);
  b.Patch32(ifd + 2 + 12 * 5 + 8, ifd + 2 + 12 * 7 + 2);
  at = LoadAt(b, 8);
  ASSERT_EQ(at.Directory->TagCount(), 3);
  EXPECT_EQ(at.Directory->TagInfo()[1].ID, 0x920B);
  EXPECT_EQ(at.Directory->TagInfo()[1].ElementCount, -1);
}

TEST(TiffParserTest, UnknownTypeCodesKeepTheirBytesInPlace) {
  // A type code beyond the TIFF types is taken as bytes: small counts inline, larger ones
  // out of line when they lie in the stream; neither is well formed.
  TTiffBuilder b;
  b.PadTo(8);
  const auto ifd = b.Ifd({TEntry{0x0100, 0x0211, 0, {}}, TEntry{0x9286, 0x000E, 3, {'a', 'b', 'c', 0}},
                          b.Offset(0x9287, 0x000E, 10, 64), b.Offset(0x9288, 0x0100, 200, 64)},
                         0);
  b.PadTo(100, 0x41);
  auto at = LoadAt(b, 8);
  const auto& info = at.Directory->TagInfo();
  ASSERT_EQ(info.size(), 3U) << "200 bytes of an unknown type from 64 do not fit into 100: nothing to keep";
  EXPECT_EQ(at.Directory->LoadErrors(), (TMetadataLoadErrors{leBadTagHeader, leBadTagCount}));
  EXPECT_EQ(info[0].DataOffset, ifd + 2 + 8);
  EXPECT_EQ(info[1].ElementCount, 3);
  EXPECT_EQ(info[1].DataOffset, ifd + 2 + 12 + 8);
  EXPECT_EQ(info[2].ElementCount, 10);
  EXPECT_EQ(info[2].DataOffset, 64U);
  for (const auto& entry : info) {
    EXPECT_FALSE(entry.IsWellFormed());
    EXPECT_EQ(entry.DataSize(), 0);
  }
}

TEST(TiffParserTest, DataOffsetsAndSizesFromTheFileAreChecked) {
  TTiffBuilder b;
  b.PadTo(8);
  const auto ifd = b.Ifd({b.Offset(0x0100, 4, 2, 4),                              // data offset inside the header
                          b.Inline(0x0101, 3, 2, {1, 0, 2, 0}),                   // two SHORTs inline
                          b.Offset(0x0102, 4, 0x40000000, 8),                     // 4 GB: wraps to 0 in 32 bits
                          b.Short(0x0103, 7), b.Offset(0x0104, 4, 0x1FFFFFFF, 8), // 2 GB claimed in a tiny block
                          b.Short(0x0105, 7), b.Offset(0x0106, 4, 2, 120)},
                         0);
  b.PadTo(200, 0x5A);
  auto at = LoadAt(b, 8);
  const auto& info = at.Directory->TagInfo();
  ASSERT_EQ(info.size(), 7U);
  EXPECT_EQ(at.Directory->LoadErrors(), TMetadataLoadErrors{leBadTagHeader});

  EXPECT_EQ(info[0].ElementCount, -1) << "an offset below 8 is bad";
  EXPECT_EQ(info[0].DataOffset, 0U);
  EXPECT_FALSE(info[0].IsWellFormed());
  EXPECT_EQ(info[1].DataOffset, info[1].HeaderOffset + 8) << "inline data";
  EXPECT_EQ(info[1].HeaderOffset, ifd + 2 + 12);
  EXPECT_FALSE(info[2].IsWellFormed()) << "a byte size beyond 32 bits must not wrap to a small one";
  EXPECT_EQ(info[2].DataSize(), 0);
  EXPECT_EQ(info[4].ElementCount, -1) << "data beyond the stream";
  EXPECT_EQ(info[6].DataOffset, 120U);

  // Tags of bad entries hold no data, so nothing is allocated for their claims.
  for (const TTiffTagID id : {0x0100, 0x0102, 0x0104}) {
    std::shared_ptr<ITiffTag> tag;
    ASSERT_TRUE(at.Directory->FindTag(id, tag));
    EXPECT_EQ(tag->Data().Size(), 0) << std::hex << id;
  }

  // The internal offset is added to out-of-line offsets (maker notes relative to elsewhere).
  // Entries it moves in front of the stream or behind its end are skipped.
  at = LoadAt(b, 8, -100);
  ASSERT_EQ(at.Directory->TagCount(), 4);
  EXPECT_EQ(at.Directory->TagInfo()[3].ID, 0x0106);
  EXPECT_EQ(at.Directory->TagInfo()[3].DataOffset, 20U);
  at = LoadAt(b, 8, 100);
  ASSERT_EQ(at.Directory->TagCount(), 6);
  EXPECT_EQ(at.Directory->TagInfo()[5].ID, 0x0105);
  EXPECT_EQ(at.Directory->TagInfo()[2].ElementCount, -1);
}

TEST(TiffParserTest, FindTagStopsAtTheFirstLargerID) {
  TTiffBuilder b;
  b.PadTo(8);
  b.Ifd({b.Short(0x010F, 1), b.Short(0x0110, 2), b.Short(0x0132, 3)}, 0);
  auto at = LoadAt(b, 8);
  std::shared_ptr<ITiffTag> tag;
  ASSERT_TRUE(at.Directory->FindTag(0x0110, tag));
  EXPECT_EQ(tag->ID(), 0x0110);
  EXPECT_EQ(TagBytes(*tag), (Bytes{2, 0}));
  EXPECT_FALSE(at.Directory->FindTag(0x0111, tag));
  EXPECT_EQ(tag, nullptr);
  EXPECT_TRUE(at.Directory->FindTag(0x0132, tag));
  EXPECT_FALSE(at.Directory->FindTag(0x0133, tag));

  TTiffBuilder unordered;
  unordered.PadTo(8);
  unordered.Ifd({unordered.Short(0x0132, 1), unordered.Short(0x0110, 2)}, 0);
  at = LoadAt(unordered, 8);
  EXPECT_FALSE(at.Directory->FindTag(0x0110, tag)) << "an ID after a larger one is not found";
  EXPECT_FALSE(at.Directory->TagExists(0x0110, AllTiffDataTypes(), 0, 10));
}

TEST(TiffParserTest, TagExistsChecksTypeAndCount) {
  using enum TTiffDataType;
  TTiffBuilder b;
  b.PadTo(8);
  b.Ifd({b.Short(0x0100, 1), b.Inline(0x0101, 4, 1, {}), TEntry{0x0102, 0x0103, 1, {}}}, 0);
  auto at = LoadAt(b, 8);
  const auto& dir = *at.Directory;
  EXPECT_TRUE(dir.TagExists(0x0100, {tdWord}, 1, 1));
  EXPECT_FALSE(dir.TagExists(0x0100, {tdLongWord}, 1, 1));
  EXPECT_FALSE(dir.TagExists(0x0100, {tdWord}, 2, 5));
  EXPECT_TRUE(dir.TagExists(0x0101, {tdWord, tdLongWord}, 0, 1));
  EXPECT_FALSE(dir.TagExists(0x0099, AllTiffDataTypes(), 0, 100));
  // Type code 0x0103 must not pass for SHORT (3) through an 8-bit set index.
  EXPECT_FALSE(dir.TagExists(0x0102, AllTiffDataTypes(), 0, 100));
}

TEST(TiffParserTest, TryCreateAcceptsDamagedDirectoriesOnlyWithEnoughEntries) {
  TTiffBuilder b;
  b.PadTo(8);
  const TEntry bad{0x0002, 0, 1, {}};
  const auto three = b.Ifd({b.Short(0x0001, 1), bad, b.Short(0x0003, 1)}, 0);
  const auto two = b.Ifd({b.Short(0x0001, 1), bad}, 0);
  const auto stream = StreamOf(b.Data());
  const auto parser = std::make_shared<TTiffParser>(*stream, 0, TEndianness::SmallEndian);

  std::shared_ptr<IFoundTiffDirectory> directory;
  ASSERT_TRUE(TFoundTiffDirectory::TryCreate(parser, nullptr, 7, three, directory));
  EXPECT_EQ(directory->TagCount(), 2);
  EXPECT_EQ(directory->Index(), 7);
  EXPECT_EQ(directory->LoadErrors(), TMetadataLoadErrors{leBadTagHeader});
  ASSERT_TRUE(TFoundTiffDirectory::TryCreate(parser, nullptr, 7, two, directory))
      << "one sound entry beside a bad one is still a directory";
  EXPECT_EQ(directory->TagCount(), 1);
  EXPECT_FALSE(TFoundTiffDirectory::TryCreate(parser, nullptr, 7, 5000, directory));
  EXPECT_EQ(directory, nullptr);

  // One entry of a type this library does not know, its bytes in place: kept, so a directory.
  TTiffBuilder single;
  single.PadTo(8);
  const auto one = single.Ifd({single.Offset(0x927C, 0x3030, 16, 30)}, 0);
  single.PadTo(64);
  const auto singleStream = StreamOf(single.Data());
  const auto singleParser = std::make_shared<TTiffParser>(*singleStream, 0, TEndianness::SmallEndian);
  ASSERT_TRUE(TFoundTiffDirectory::TryCreate(singleParser, nullptr, 0x8769, one, directory));
  EXPECT_EQ(directory->TagCount(), 1);
  EXPECT_EQ(directory->LoadErrors(), TMetadataLoadErrors{leBadTagHeader});

  // Two entries, nothing of a known type kept and one skipped: garbage, not a directory;
  // three entries with something kept: a damaged directory; nothing kept: garbage again.
  TTiffBuilder junk;
  junk.PadTo(8);
  const TEntry rawEmpty{0x0004, 0x1234, 0, {}};
  const TEntry farOff{0x0005, 0xFFFF, 0x7FFFFFFF, {0xFF, 0xFF, 0, 0}};
  const auto none = junk.Ifd({rawEmpty, farOff}, 0);
  const auto damaged = junk.Ifd({bad, rawEmpty, farOff}, 0);
  const auto nothing = junk.Ifd({bad, farOff, bad}, 0);
  const auto junkStream = StreamOf(junk.Data());
  const auto junkParser = std::make_shared<TTiffParser>(*junkStream, 0, TEndianness::SmallEndian);
  EXPECT_FALSE(TFoundTiffDirectory::TryCreate(junkParser, nullptr, 7, none, directory));
  ASSERT_TRUE(TFoundTiffDirectory::TryCreate(junkParser, nullptr, 7, damaged, directory));
  EXPECT_EQ(directory->TagCount(), 1);
  EXPECT_FALSE(TFoundTiffDirectory::TryCreate(junkParser, nullptr, 7, nothing, directory));
}

TEST(TiffParserTest, TagDataComesInNativeOrderAndStaysReadOnly) {
  TTiffBuilder b(true);
  b.Header(8);
  const auto ifd = b.Ifd({b.Inline(0x0100, 3, 2, {0x12, 0x34, 0xAB, 0xCD}), b.Offset(0x0101, 4, 2, 0),
                          b.Offset(0x0102, 10, 1, 0), b.Offset(0x0103, 12, 1, 0), b.Offset(0x02BC, 7, 24, 0)},
                         0);
  b.Patch32(TTiffBuilder::FieldOf(ifd, 1), b.U32(0x01020304)), b.U32(0xA0B0C0D0);
  b.Patch32(TTiffBuilder::FieldOf(ifd, 2), b.U32(static_cast<std::uint32_t>(-3))), b.U32(4);
  std::uint64_t bits = 0;
  const double value = -1.25e10;
  std::memcpy(&bits, &value, 8);
  b.Patch32(TTiffBuilder::FieldOf(ifd, 3), b.U32(static_cast<std::uint32_t>(bits >> 32))),
      b.U32(static_cast<std::uint32_t>(bits));
  b.Patch32(TTiffBuilder::FieldOf(ifd, 4), b.Raw({'<', '?', 'x', 'p', 'a', 'c', 'k', 'e', 't', ' ', 'b', 'e',
                                                  'g', 'i', 'n', '=', '"', '"', '?', '>', ' ', ' ', ' ', ' '}));

  auto parser = Parse(b);
  auto directory = Walk(parser).at(0);
  std::shared_ptr<ITiffTag> tag;
  ASSERT_TRUE(directory->FindTag(0x0100, tag));
  std::uint16_t words[2];
  std::memcpy(words, tag->Data().Memory(), 4);
  EXPECT_EQ(words[0], 0x1234);
  EXPECT_EQ(words[1], 0xABCD);

  ASSERT_TRUE(directory->FindTag(0x0101, tag));
  std::uint32_t longs[2];
  std::memcpy(longs, tag->Data().Memory(), 8);
  EXPECT_EQ(longs[0], 0x01020304U);
  EXPECT_EQ(longs[1], 0xA0B0C0D0U);

  ASSERT_TRUE(directory->FindTag(0x0102, tag));
  std::int32_t fraction[2];
  std::memcpy(fraction, tag->Data().Memory(), 8);
  EXPECT_EQ(fraction[0], -3) << "numerator and denominator are swapped separately";
  EXPECT_EQ(fraction[1], 4);

  ASSERT_TRUE(directory->FindTag(0x0103, tag));
  double read = 0;
  std::memcpy(&read, tag->Data().Memory(), 8);
  EXPECT_EQ(read, value);

  try {
    tag->Data().WriteBuffer("x", 1);
    ADD_FAILURE() << "a parsed tag's data must be read-only";
  } catch (const Platform::EStreamError& e) {
    EXPECT_STREQ(e.what(), "Stream is read-only");
  }

  ASSERT_TRUE(directory->FindTag(0x02BC, tag));
  EXPECT_TRUE(tag->IsXMPBlock(true)) << "tag 0x02BC carries XMP";
  EXPECT_FALSE(tag->IsExifBlock(false));
  EXPECT_FALSE(tag->IsIPTCBlock(true));
  EXPECT_EQ(tag->OriginalDataOffset(), b.Size() - 24);

  // The tag keeps its directory, the parser and the parser's own stream alive.
  parser.reset();
  directory.reset();
  ASSERT_NE(tag->Parent(), nullptr);
  EXPECT_EQ(tag->Parent()->TagCount(), 5);
  std::shared_ptr<ITiffTag> again;
  ASSERT_TRUE(tag->Parent()->FindTag(0x0101, again));
  EXPECT_EQ(again->ElementCount(), 2);
}

TEST(TiffParserTest, LoadTagDataRefusesDataOutsideTheStream) {
  TTiffBuilder b;
  b.Header(8);
  b.Ifd({}, 0);
  auto parser = Parse(b);
  TTiffTagInfo info;
  info.DataType = TTiffDataType::tdLongWord;
  info.ElementCount = 4;
  info.DataOffset = 4;
  std::uint8_t buffer[16];
  EXPECT_THROW(parser->LoadTagData(info, buffer), Platform::EReadError);
  info.DataOffset = 0xFFFFFFF0;
  EXPECT_THROW(parser->LoadTagData(info, buffer), Platform::EReadError);
}

TEST(TiffParserTest, SubDirectoryPointers) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Long(0x0111, 0),          // strip offsets: never a directory
                           b.Long(0x0116, 0),          // RowsPerStrip, pointing at zero bytes
                           b.Long(0x8769, 0),          // Exif IFD
                           b.Long(0x8825, 4),          // GPS, pointing into the header
                           b.Long(0x8830, 0, 13),      // IFD-typed pointer at zero bytes
                           b.Offset(0x9000, 4, 2, 0)}, // two values: no pointer
                          0);
  const auto exif = b.Ifd({b.Short(0x9000, 1), b.Long(0xA005, ifd0), b.Long(0xA006, 0)}, 0);
  b.Patch32(TTiffBuilder::FieldOf(exif, 2), exif);
  const auto zeros = b.Raw(Bytes(16, 0));
  for (const std::uint32_t index : {0U, 1U, 4U})
    b.Patch32(TTiffBuilder::FieldOf(ifd0, index), zeros);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 2), exif);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 5), zeros);

  const auto parser = Parse(b);
  const auto dirs = Walk(parser);
  ASSERT_EQ(dirs.size(), 1U);
  const std::shared_ptr<ITiffDirectory> parent = dirs[0];
  const auto& info = dirs[0]->TagInfo();
  std::shared_ptr<IFoundTiffDirectory> sub;

  ASSERT_TRUE(parser->ParseSubDirectory(parent, info[2], sub));
  EXPECT_EQ(sub->Index(), 0x8769) << "a sub-directory's index is its pointer's ID";
  EXPECT_EQ(sub->Parent(), parent);
  EXPECT_EQ(sub->TagCount(), 3);

  EXPECT_FALSE(parser->ParseSubDirectory(parent, info[0], sub)) << "strip offsets";
  EXPECT_EQ(sub, nullptr);
  EXPECT_FALSE(parser->ParseSubDirectory(parent, info[1], sub)) << "a LONG value over zero bytes is no directory";
  EXPECT_FALSE(parser->ParseSubDirectory(parent, info[3], sub)) << "an offset inside the header";
  EXPECT_FALSE(parser->ParseSubDirectory(parent, info[5], sub)) << "count 2";
  ASSERT_TRUE(parser->ParseSubDirectory(parent, info[4], sub)) << "an IFD-typed pointer";
  EXPECT_EQ(sub->TagCount(), 0);

  // Pointers back to an ancestor (or into its table) end the descent.
  std::shared_ptr<IFoundTiffDirectory> exifDir;
  ASSERT_TRUE(parser->ParseSubDirectory(parent, info[2], exifDir));
  EXPECT_FALSE(parser->ParseSubDirectory(exifDir, exifDir->TagInfo()[1], sub)) << "back to IFD0";
  EXPECT_FALSE(parser->ParseSubDirectory(exifDir, exifDir->TagInfo()[2], sub)) << "to itself";

  // The tag form takes the parent from the tag.
  std::shared_ptr<ITiffTag> pointer;
  ASSERT_TRUE(dirs[0]->FindTag(0x8769, pointer));
  ASSERT_TRUE(parser->ParseSubDirectory(*pointer, sub));
  EXPECT_EQ(sub->Parent(), parent);
  EXPECT_EQ(sub->Index(), 0x8769);
}

TEST(TiffParserTest, SubDirectoryInBytesItsParentSkipped) {
  // IFD0 claims more entries than it has; what follows its one sound entry is garbage to
  // it, and the Exif directory lies there. Only a start on the count field, a kept entry
  // or the link counts as a loop.
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Long(0x8769, 0), TEntry{0x3030, 0x3030, 0x92090030, {0x0A, 0, 1, 0}}}, 0);
  b.PadTo(80);
  b.Patch16(ifd0, 3);
  const auto exif = ifd0 + 2 + 12 + 4; // inside the second (skipped) entry
  b.Patch16(exif, 1);
  b.Patch16(exif + 2, 0x9209);
  b.Patch16(exif + 4, 10);
  b.Patch32(exif + 6, 1);
  b.Patch32(exif + 10, 60);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 0), exif);
  const auto parser = Parse(b);
  const auto dirs = Walk(parser);
  ASSERT_FALSE(dirs.empty());
  ASSERT_EQ(dirs[0]->TagCount(), 2) << "the sound pointer and what the third entry's bytes make";
  std::shared_ptr<IFoundTiffDirectory> sub;
  ASSERT_TRUE(parser->ParseSubDirectory(dirs[0], dirs[0]->TagInfo()[0], sub));
  ASSERT_EQ(sub->TagCount(), 1);
  EXPECT_EQ(sub->TagInfo()[0].ID, 0x9209);
  EXPECT_EQ(sub->TagInfo()[0].DataOffset, 60U);

  // Pointing at the kept entry itself (or the count field) still ends the descent.
  for (const std::uint32_t target : {ifd0 + 2, ifd0}) {
    b.Patch32(TTiffBuilder::FieldOf(ifd0, 0), target);
    const auto again = Parse(b);
    const auto walked = Walk(again);
    EXPECT_FALSE(again->ParseSubDirectory(walked[0], walked[0]->TagInfo()[0], sub)) << target;
  }
}

TEST(TiffParserTest, NestedSubDirectoriesEnd) {
  // Forty directories each pointing at the next: the descent stops at a bounded depth.
  TTiffBuilder b;
  b.Header(8);
  std::vector<std::uint32_t> ifds;
  for (int i = 0; i < 40; ++i)
    ifds.push_back(b.Ifd({b.Long(0x8769, 0)}, 0));
  for (std::size_t i = 0; i + 1 < ifds.size(); ++i)
    b.Patch32(TTiffBuilder::FieldOf(ifds[i], 0), ifds[i + 1]);
  const auto parser = Parse(b);
  std::shared_ptr<IFoundTiffDirectory> current = Walk(parser).at(0);
  int depth = 0;
  std::shared_ptr<IFoundTiffDirectory> sub;
  while (parser->ParseSubDirectory(current, current->TagInfo()[0], sub)) {
    current = sub;
    ++depth;
  }
  EXPECT_GT(depth, 10);
  EXPECT_LT(depth, 39);
}

TEST(TiffParserTest, ExifThumbnail) {
  const auto build = [](bool withStrips, bool junkAfter, std::uint32_t jpegShift) {
    TTiffBuilder b;
    b.Header(8);
    const auto ifd0 = b.Ifd({b.Short(0x0112, 1)}, 0);
    std::vector<TEntry> entries{b.Short(0x0103, 6)};
    if (withStrips)
      entries.push_back(b.Long(0x0111, 8));
    entries.push_back(b.Long(0x0201, 0));
    entries.push_back(b.Long(0x0202, 3)); // a wrong length: the JPEG is measured instead
    const auto ifd1 = b.Ifd(entries, 0);
    b.Patch32(TTiffBuilder::NextOf(ifd0, 1), ifd1);
    const auto jpeg = b.Raw(TinyJPEG);
    b.Patch32(TTiffBuilder::FieldOf(ifd1, withStrips ? 2 : 1), jpeg + jpegShift);
    if (junkAfter)
      b.Raw({'X', 'Y', 'Z'});
    return b;
  };

  for (const bool junk : {true, false}) {
    const auto dirs = Walk(Parse(build(false, junk, 0)));
    ASSERT_EQ(dirs.size(), 2U);
    EXPECT_FALSE(dirs[0]->IsExifThumbnailDirectory());
    EXPECT_TRUE(dirs[1]->IsExifThumbnailDirectory());
    TBytesPayload sink;
    ASSERT_TRUE(dirs[1]->TryLoadExifThumbnail(sink)) << "junk after the JPEG: " << junk;
    EXPECT_EQ(sink.Loaded(), TinyJPEG);
    TThrowingSink failing;
    EXPECT_FALSE(dirs[1]->TryLoadExifThumbnail(failing)) << "errors while loading are swallowed";
  }

  auto dirs = Walk(Parse(build(true, true, 0)));
  EXPECT_FALSE(dirs[1]->IsExifThumbnailDirectory()) << "strip offsets make it an image directory";

  dirs = Walk(Parse(build(false, true, 2)));
  TBytesPayload sink;
  EXPECT_FALSE(dirs[1]->TryLoadExifThumbnail(sink)) << "no JPEG header at the offset";
  dirs = Walk(Parse(build(false, true, 100000)));
  EXPECT_FALSE(dirs[1]->TryLoadExifThumbnail(sink)) << "offset beyond the stream";
}

TEST(TiffParserTest, StandAloneTags) {
  using enum TTiffDataType;
  TFoundTiffTag empty(0x0100, tdLongWordFraction);
  EXPECT_EQ(empty.ElementCount(), 1);
  EXPECT_EQ(TagBytes(empty), Bytes(8, 0));
  EXPECT_EQ(empty.Parent(), nullptr);

  TBytesPayload payload({1, 2, 3, 4, 5, 6, 7});
  TFoundTiffTag words(0x0200, tdWord, &payload);
  EXPECT_EQ(words.ElementCount(), 3) << "data size div element size";
  EXPECT_EQ(TagBytes(words), (Bytes{1, 2, 3, 4, 5, 6, 7}));
  words.Data().WriteBuffer("x", 1); // stand-alone data stays writable

  // The IPTC and XMP tests answer by tag ID when asked to check it.
  TBytesPayload dataset({0x1C, 0x02, 0x78, 0x00, 0x01, 'a'});
  EXPECT_TRUE(TFoundTiffTag(0x83BB, tdUndefined, &dataset).IsIPTCBlock(true));
  EXPECT_FALSE(TFoundTiffTag(0x83BC, tdUndefined, &dataset).IsIPTCBlock(true));
  EXPECT_TRUE(TFoundTiffTag(0x83BC, tdUndefined, &dataset).IsIPTCBlock(false));
}

// --- Rationals ----------------------------------------------------------------------------

TEST(TiffFractionTest, FromQuotientWithFourDecimals) {
  const auto check = [](double quotient, std::int32_t n, std::int32_t d) {
    const TTiffLongIntFraction f(quotient);
    EXPECT_EQ(f.Numerator, n) << quotient;
    EXPECT_EQ(f.Denominator, d) << quotient;
  };
  check(-0.5, 1, -2); // the sign ends up in the denominator
  check(-1.5, 3, -2);
  check(0, 0, 1);
  check(0.5, 1, 2);
  check(2.5, 5, 2);
  check(0.3333, 3333, 10000);
  check(0.33333, 3333, 10000);
  check(-7, -7, 1);
  EXPECT_EQ(TTiffLongIntFraction(-0.5).AsString(), "1/-2");

  EXPECT_EQ(TTiffLongWordFraction(0.25), TTiffLongWordFraction(1, 4));
  EXPECT_EQ(TTiffLongWordFraction(4000000000.0), TTiffLongWordFraction(4000000000U, 1));
  EXPECT_THROW(TTiffLongWordFraction(-0.5), Platform::ERangeError);
  EXPECT_THROW(TTiffLongWordFraction(4294967296.0), Platform::ERangeError);
  EXPECT_THROW(TTiffLongIntFraction(3000000000.0), Platform::ERangeError);
  EXPECT_THROW(TTiffLongIntFraction(std::numeric_limits<double>::infinity()), Platform::ERangeError);
  EXPECT_THROW(TTiffLongIntFraction(1e300), Platform::ERangeError);
}

TEST(TiffFractionTest, TextsAndParsing) {
  EXPECT_EQ(TTiffLongWordFraction(3000000000U, 7).AsString(), "3000000000/7") << "printed unsigned";
  EXPECT_EQ(TTiffLongWordFraction(12, 1).AsString(), "12");
  EXPECT_EQ(TTiffLongWordFraction(1, 0).AsString(), "");
  EXPECT_EQ(TTiffLongIntFraction(-3, 4).AsString(), "-3/4");

  EXPECT_EQ(TTiffLongWordFraction::CreateFromString("12"), TTiffLongWordFraction(12, 1));
  EXPECT_EQ(TTiffLongWordFraction::CreateFromString("3/8"), TTiffLongWordFraction(3, 8));
  const auto zeroDenominator = TTiffLongWordFraction::CreateFromString("1/0");
  EXPECT_EQ(zeroDenominator, TTiffLongWordFraction(1, 0)) << "parses, but is missing";
  EXPECT_TRUE(zeroDenominator.MissingOrInvalid());
  EXPECT_EQ(zeroDenominator.AsString(), "");
  EXPECT_EQ(TTiffLongWordFraction::CreateFromString("4294967295/2"), TTiffLongWordFraction(4294967295U, 2));
  for (const char* bad : {"1a/2", "1/2b", "x", "", "/", "4294967296/1", "-1/2", "1/2/3"})
    EXPECT_EQ(TTiffLongWordFraction::CreateFromString(bad), TTiffLongWordFraction(0, 0)) << bad;

  EXPECT_EQ(TTiffLongIntFraction::CreateFromString("-1/2"), TTiffLongIntFraction(-1, 2));
  EXPECT_EQ(TTiffLongIntFraction::CreateFromString("5"), TTiffLongIntFraction(5, 1));
  for (const char* bad : {"2147483648", "1/x", "a"})
    EXPECT_EQ(TTiffLongIntFraction::CreateFromString(bad), TTiffLongIntFraction(0, 0)) << bad;
}

TEST(TiffFractionTest, QuotientAndPackedValue) {
  EXPECT_DOUBLE_EQ(TTiffLongWordFraction(1, 4).Quotient(), 0.25);
  EXPECT_DOUBLE_EQ(TTiffLongWordFraction(3000000000U, 1).Quotient(), 3e9) << "unsigned division";
  EXPECT_EQ(TTiffLongWordFraction(5, 0).Quotient(), 0.0);
  EXPECT_DOUBLE_EQ(TTiffLongIntFraction(-1, 4).Quotient(), -0.25);
  EXPECT_EQ(TTiffLongIntFraction(-1, 0).Quotient(), 0.0);

  EXPECT_EQ(TTiffLongWordFraction(1, 2).PackedValue(), 0x0000000200000001LL) << "numerator in the low half";
  TTiffLongIntFraction f;
  f.SetPackedValue(TTiffLongIntFraction(-1, -2).PackedValue());
  EXPECT_EQ(f, TTiffLongIntFraction(-1, -2));
  EXPECT_TRUE(TTiffLongIntFraction().MissingOrInvalid());
}

// Some cameras store the GPS (or Exif) pointer as SLONG; it still leads to the
// directory, while an SLONG tag of any other ID is a plain number.
TEST(TiffParserTest, SignedPointerTags) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Long(0x8825, 0, 9), b.Long(0x9999, 0, 9)}, 0);
  const auto gps = b.Ifd({b.Short(0x0005, 0), b.Short(0x0006, 1)}, 0);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 0), gps);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 1), gps);
  const auto parser = Parse(b);
  const auto dirs = Walk(parser);
  ASSERT_EQ(dirs.size(), 1U);
  const std::shared_ptr<ITiffDirectory> parent = dirs[0];
  std::shared_ptr<IFoundTiffDirectory> sub;
  ASSERT_TRUE(parser->ParseSubDirectory(parent, dirs[0]->TagInfo()[0], sub)) << "SLONG GPS pointer";
  EXPECT_EQ(sub->TagCount(), 2);
  EXPECT_FALSE(parser->ParseSubDirectory(parent, dirs[0]->TagInfo()[1], sub)) << "SLONG of another ID";
}
