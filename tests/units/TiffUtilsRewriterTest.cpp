// Rewriting TIFF structures: entry handling, layout, image-data relocation, maker-note
// anchoring, the callbacks and the guards against hostile sources.

#include "TiffUtilsFixtures.h"

#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace Tessel::Exif;
using namespace TiffFixtures;

namespace {

using TDirectories = std::vector<std::shared_ptr<IFoundTiffDirectory>>;

struct TParsed {
  std::shared_ptr<ITiffParser> Parser;
  TDirectories Directories;
};

TParsed Reparse(const Bytes& bytes) {
  TParsed result{ParseTiff(StreamOf(bytes)), {}};
  for (const auto& directory : result.Parser->GetEnumerator())
    result.Directories.push_back(directory);
  return result;
}

Bytes Rewrite(const Bytes& source, ITiffRewriteCallback* callback = nullptr) {
  const auto in = StreamOf(source);
  Platform::TMemoryStream out;
  RewriteTiff(*in, out, callback);
  EXPECT_EQ(out.Position(), out.Size()) << "the output is left at its end";
  return BytesOf(out);
}

Bytes DataOf(const IFoundTiffDirectory& directory, TTiffTagID id) {
  std::shared_ptr<ITiffTag> tag;
  if (!directory.FindTag(id, tag))
    return {};
  return BytesOf(tag->Data());
}

const TTiffTagInfo* InfoOf(const IFoundTiffDirectory& directory, TTiffTagID id) {
  for (const auto& info : directory.TagInfo())
    if (info.ID == id)
      return &info;
  return nullptr;
}

std::vector<TTiffTagID> IDsOf(const IFoundTiffDirectory& directory) {
  std::vector<TTiffTagID> result;
  for (const auto& info : directory.TagInfo())
    result.push_back(info.ID);
  return result;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes result(size);
  for (std::size_t i = 0; i < size; ++i)
    result[i] = static_cast<std::uint8_t>(seed + i * 7);
  return result;
}

// A callback scripted by the test.
class TScriptedCallback : public ITiffRewriteCallback {
public:
  std::function<void(TTiffDirectoryRewriter&)> OnAddTags;
  std::function<void(const ITiffDirectory&, TTiffTagID, bool&)> OnOldTag;

  void AddTagsToWrite(TTiffDirectoryRewriter& rewriter) override {
    if (OnAddTags)
      OnAddTags(rewriter);
  }
  void RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType, bool& rewrite) override {
    if (OnOldTag)
      OnOldTag(source, tagID, rewrite);
  }
};

bool IsFirstDirectory(const TTiffDirectoryRewriter& rewriter) {
  return rewriter.Source() && !rewriter.Source()->Parent() && rewriter.Source()->Index() == 0;
}

// An in-memory directory of stand-alone tags, as the EXIF sections hand them over.
class TMemoryDirectory : public ITiffDirectory {
public:
  std::vector<std::shared_ptr<ITiffTag>> Tags;

  class TEnumerator : public ITiffDirectoryEnumerator {
  public:
    explicit TEnumerator(const TMemoryDirectory& owner) : FOwner(owner) {}
    [[nodiscard]] std::shared_ptr<ITiffTag> Current() const override { return FOwner.Tags[FIndex]; }
    bool MoveNext() override { return ++FIndex < FOwner.Tags.size(); }

  private:
    const TMemoryDirectory& FOwner;
    std::size_t FIndex = static_cast<std::size_t>(-1);
  };

  [[nodiscard]] TEnumeratorPtr<ITiffDirectoryEnumerator> GetEnumerator() const override {
    return std::shared_ptr<ITiffDirectoryEnumerator>(std::make_shared<TEnumerator>(*this));
  }
  [[nodiscard]] std::int32_t Index() const override { return 0x8825; }
  [[nodiscard]] std::shared_ptr<ITiffDirectory> Parent() const override { return nullptr; }
  [[nodiscard]] std::int32_t TagCount() const override { return static_cast<std::int32_t>(Tags.size()); }
  bool FindTag(TTiffTagID, std::shared_ptr<ITiffTag>&) const override { return false; }
  [[nodiscard]] bool TagExists(TTiffTagID, const TTiffDataTypes&, std::int32_t, std::int32_t) const override {
    return false;
  }
};

} // namespace

TEST(TiffRewriterTest, HeaderAndInlineOnlyDirectory) {
  Platform::TMemoryStream header;
  WriteTiffHeader(header, TEndianness::BigEndian, 8);
  EXPECT_EQ(BytesOf(header), (Bytes{'M', 'M', 0, 42, 0, 0, 0, 8}));

  TTiffBuilder b;
  b.Header(8);
  b.Ifd({b.Short(0x0100, 1), b.Short(0x0101, 2), b.Long(0x0102, 3)}, 0);
  const auto out = Rewrite(b.Data());
  EXPECT_EQ(out.size(), 8U + 42U) << "header, then 2 + 36 + 4 bytes of IFD";
  EXPECT_EQ(out, b.Data());

  EXPECT_THROW(Rewrite({'J', 'P', 'E', 'G', 0, 0, 0, 0}), EInvalidTiffData);
}

TEST(TiffRewriterTest, DataBlocksFollowEachOtherWithoutAlignment) {
  TTiffBuilder b(true);
  b.Header(8);
  const auto ifd = b.Ifd({b.Offset(0x010E, 2, 5, 0), b.Offset(0x8298, 7, 6, 0)}, 0);
  b.Patch32(TTiffBuilder::FieldOf(ifd, 0), b.Raw({'a', 'b', 'c', 'd', 0}));
  b.Patch32(TTiffBuilder::FieldOf(ifd, 1), b.Raw({1, 2, 3, 4, 5, 6}));
  b.Raw(Bytes(9, 0xEE)); // trailing bytes of the source are not carried over

  const auto out = Rewrite(b.Data());
  const auto parsed = Reparse(out);
  ASSERT_EQ(parsed.Directories.size(), 1U);
  const auto& dir = *parsed.Directories[0];
  EXPECT_EQ(parsed.Parser->Endianness(), TEndianness::BigEndian);
  EXPECT_EQ(InfoOf(dir, 0x010E)->DataOffset, 8U + 30U) << "right after the IFD";
  EXPECT_EQ(InfoOf(dir, 0x8298)->DataOffset, 8U + 30U + 5U) << "at an odd offset, unaligned";
  EXPECT_EQ(DataOf(dir, 0x010E), (Bytes{'a', 'b', 'c', 'd', 0}));
  EXPECT_EQ(DataOf(dir, 0x8298), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(out.size(), 8U + 30U + 11U);
}

TEST(TiffRewriterTest, ValuesSurviveInBothByteOrders) {
  for (const bool big : {false, true}) {
    TTiffBuilder b(big);
    b.Header(8);
    const auto ifd = b.Ifd({b.Inline(0x0100, 3, 2, {}), b.Offset(0x0101, 4, 3, 0), b.Offset(0x0102, 5, 1, 0),
                            b.Offset(0x0103, 12, 1, 0), b.Inline(0x0104, 1, 3, {9, 8, 7}), b.Inline(0x0105, 8, 1, {})},
                           0);
    b.Patch16(TTiffBuilder::FieldOf(ifd, 0), 0x1234), b.Patch16(TTiffBuilder::FieldOf(ifd, 0) + 2, 0xFEDC);
    b.Patch16(TTiffBuilder::FieldOf(ifd, 5), 0x8001);
    b.Patch32(TTiffBuilder::FieldOf(ifd, 1), b.U32(1)), b.U32(0x80000000U), b.U32(0xDEADBEEF);
    b.Patch32(TTiffBuilder::FieldOf(ifd, 2), b.U32(300)), b.U32(7);
    b.Patch32(TTiffBuilder::FieldOf(ifd, 3), b.U32(0x40091EB8)), b.U32(0x51EB851F);

    const auto source = Reparse(b.Data());
    const auto out = Rewrite(b.Data());
    const auto parsed = Reparse(out);
    EXPECT_EQ(out[0], big ? 'M' : 'I');
    const auto& a = *source.Directories.at(0);
    const auto& c = *parsed.Directories.at(0);
    ASSERT_EQ(IDsOf(a), IDsOf(c));
    for (const auto& info : a.TagInfo()) {
      EXPECT_EQ(static_cast<int>(InfoOf(c, info.ID)->DataType), static_cast<int>(info.DataType));
      EXPECT_EQ(InfoOf(c, info.ID)->ElementCount, info.ElementCount);
      EXPECT_EQ(DataOf(c, info.ID), DataOf(a, info.ID)) << "tag " << info.ID << (big ? " big" : " little");
    }
  }
}

TEST(TiffRewriterTest, CallbackEntriesWinOverSourceEntries) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd = b.Ifd({b.Short(0x0100, 1), b.Offset(0x010E, 2, 8, 0), b.Short(0x0112, 1)}, 0);
  b.Patch32(TTiffBuilder::FieldOf(ifd, 1), b.Raw({'o', 'l', 'd', ' ', 't', 'e', 'x', 0}));

  TBytesPayload text({'n', 'e', 'w', 0});
  TBytesPayload other({1, 2, 3, 4, 5});
  TScriptedCallback callback;
  callback.OnAddTags = [&](TTiffDirectoryRewriter& rewriter) {
    rewriter.AddTag(0x010E, text, TTiffDataType::tdAscii);
    try {
      rewriter.AddTag(0x010E, other, TTiffDataType::tdUndefined);
      ADD_FAILURE() << "a second 0x010E must be refused";
    } catch (const ETagAlreadyExists& e) {
      EXPECT_STREQ(e.what(), "Tag with ID of \"270\" already exists in section");
    }
    rewriter.AddTag(0x0001, other, TTiffDataType::tdUndefined);
  };
  std::vector<TTiffTagID> offered;
  callback.OnOldTag = [&](const ITiffDirectory&, TTiffTagID id, bool& rewrite) {
    offered.push_back(id);
    if (id == 0x0112)
      rewrite = false;
  };
  const auto parsed = Reparse(Rewrite(b.Data(), &callback));
  const auto& dir = *parsed.Directories.at(0);
  EXPECT_EQ(IDsOf(dir), (std::vector<TTiffTagID>{0x0001, 0x0100, 0x010E})) << "sorted; 0x0112 dropped";
  EXPECT_EQ(DataOf(dir, 0x010E), (Bytes{'n', 'e', 'w', 0}));
  EXPECT_EQ(InfoOf(dir, 0x010E)->ElementCount, 4);
  EXPECT_EQ(DataOf(dir, 0x0001), (Bytes{1, 2, 3, 4, 5}));
  EXPECT_EQ(offered, (std::vector<TTiffTagID>{0x0100, 0x0112})) << "tags already added are not offered";
}

TEST(TiffRewriterTest, AddingAfterSetUpIsRefused) {
  TTiffBuilder b;
  b.Header(8);
  b.Ifd({b.Short(0x0100, 1)}, 0);
  const auto parsed = Reparse(b.Data());
  TTiffDirectoryRewriter rewriter(parsed.Directories.at(0), nullptr);
  TBytesPayload payload({1});
  try {
    rewriter.AddTag(0x0200, payload);
    ADD_FAILURE() << "AddTag after set-up";
  } catch (const Platform::EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Tags can only be added during AddTagsToWrite");
  }
  EXPECT_THROW(rewriter.AddSubDirectory(0x8769, parsed.Directories.at(0), nullptr), Platform::EInvalidOperation);
  EXPECT_EQ(rewriter.TagIDs(), (std::vector<TTiffTagID>{0x0100}));
}

TEST(TiffRewriterTest, IgnoredDirectoriesVanishWithTheirLinks) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Short(0x0100, 1)}, 0);
  const auto ifd1 = b.Ifd({b.Short(0x0100, 2)}, 0);
  b.Patch32(TTiffBuilder::NextOf(ifd0, 1), ifd1);
  TScriptedCallback callback;
  callback.OnAddTags = [](TTiffDirectoryRewriter& rewriter) {
    if (rewriter.Source()->Index() == 1)
      rewriter.IgnoreDirectory();
  };
  const auto out = Rewrite(b.Data(), &callback);
  const auto parsed = Reparse(out);
  ASSERT_EQ(parsed.Directories.size(), 1U);
  EXPECT_EQ(LE32(out, 8 + 2 + 12), 0U) << "the first IFD's next offset";

  callback.OnAddTags = [](TTiffDirectoryRewriter& rewriter) { rewriter.IgnoreDirectory(); };
  EXPECT_EQ(Rewrite(b.Data(), &callback), (Bytes{'I', 'I', 42, 0, 0, 0, 0, 0})) << "nothing left: header only";
}

TEST(TiffRewriterTest, StripDataMovesWithItsDirectory) {
  const auto build = [](std::uint32_t firstStripShift) {
    TTiffBuilder b;
    b.Header(0);
    const auto strip1 = b.Raw(Pattern(7, 1));
    const auto strip2 = b.Raw(Pattern(5, 50));
    const auto ifd = b.Ifd({b.Short(0x0100, 4), b.Offset(0x010E, 2, 10, 0), b.Offset(0x0111, 4, 2, 0),
                            b.Inline(0x0117, 3, 2, {7, 0, 5, 0})},
                           0);
    b.Patch32(4, ifd);
    b.Patch32(TTiffBuilder::FieldOf(ifd, 1), b.Raw({'d', 'e', 's', 'c', 'r', 'i', 'p', 't', '.', 0}));
    b.Patch32(TTiffBuilder::FieldOf(ifd, 2), b.U32(strip1 - firstStripShift)), b.U32(strip2);
    return b;
  };

  const auto out = Rewrite(build(0).Data());
  const auto parsed = Reparse(out);
  const auto& dir = *parsed.Directories.at(0);
  // IFD at 8 (2 + 48 + 4 bytes), description at 62, offsets array at 72, strips at 80 and 87.
  EXPECT_EQ(InfoOf(dir, 0x010E)->DataOffset, 62U);
  const auto offsets = DataOf(dir, 0x0111);
  ASSERT_EQ(offsets.size(), 8U);
  EXPECT_EQ(LE32(offsets, 0), 80U) << "the strips follow the directory's tag data";
  EXPECT_EQ(LE32(offsets, 4), 87U);
  EXPECT_EQ(Bytes(out.begin() + 80, out.begin() + 87), Pattern(7, 1));
  EXPECT_EQ(Bytes(out.begin() + 87, out.begin() + 92), Pattern(5, 50));
  EXPECT_EQ(out.size(), 92U);

  // A strip offset below 8: offsets and counts are copied as they are, no image data.
  const auto badSource = build(5);
  const auto badOut = Rewrite(badSource.Data());
  const auto badParsed = Reparse(badOut);
  EXPECT_EQ(DataOf(*badParsed.Directories.at(0), 0x0111), DataOf(*Reparse(badSource.Data()).Directories.at(0), 0x0111));
  EXPECT_EQ(badOut.size(), 80U);
}

TEST(TiffRewriterTest, ShortStripOffsetsBecomeLongWhenTheyNoLongerFit) {
  // The strip lies below 65536 in the source; a large block written first pushes it beyond.
  TTiffBuilder source;
  source.Header(8);
  const auto ifd2 =
      source.Ifd({source.Offset(0x0110, 7, 70000, 0), source.Short(0x0111, 0), source.Short(0x0117, 6)}, 0);
  const auto strip = source.Raw(Pattern(6, 3));
  source.Patch16(TTiffBuilder::FieldOf(ifd2, 1), static_cast<std::uint16_t>(strip));
  source.Patch32(TTiffBuilder::FieldOf(ifd2, 0), source.Raw(Bytes(70000, 0x11)));

  const auto out = Rewrite(source.Data());
  const auto parsed = Reparse(out);
  const auto& dir = *parsed.Directories.at(0);
  const auto* offsets = InfoOf(dir, 0x0111);
  ASSERT_NE(offsets, nullptr);
  EXPECT_EQ(offsets->DataType, TTiffDataType::tdLongWord) << "a relocated offset above 65535 needs a LONG";
  const auto value = LE32(DataOf(dir, 0x0111), 0);
  EXPECT_GT(value, 0xFFFFU);
  ASSERT_LE(value + 6, out.size());
  EXPECT_EQ(Bytes(out.begin() + value, out.begin() + value + 6), Pattern(6, 3));
}

TEST(TiffRewriterTest, MakerNoteKeepsItsOffset) {
  const auto build = [](bool withSchema, std::int32_t shift = -200) {
    TTiffBuilder b;
    b.Header(8);
    const auto ifd0 = b.Ifd({b.Offset(0x010E, 7, 1500, 0), b.Long(0x8769, 0)}, 0);
    std::vector<TEntry> exifEntries{b.Offset(0x927C, 7, 200, 1000)};
    if (withSchema)
      exifEntries.push_back(b.Long(0xEA1D, static_cast<std::uint32_t>(shift), 9));
    const auto exif = b.Ifd(exifEntries, 0);
    b.Patch32(TTiffBuilder::FieldOf(ifd0, 1), exif);
    b.PadTo(1000);
    b.Raw(Pattern(200, 9));
    b.Patch32(TTiffBuilder::FieldOf(ifd0, 0), b.Raw(Bytes(1500, 0x33)));
    return b;
  };

  for (const bool withSchema : {false, true}) {
    const std::uint32_t expected = withSchema ? 800 : 1000;
    const auto out = Rewrite(build(withSchema).Data());
    const auto parsed = Reparse(out);
    const auto& ifd0 = *parsed.Directories.at(0);
    std::shared_ptr<IFoundTiffDirectory> exif;
    ASSERT_TRUE(parsed.Parser->ParseSubDirectory(parsed.Directories.at(0), *InfoOf(ifd0, 0x8769), exif));
    const auto* makerNote = InfoOf(*exif, 0x927C);
    ASSERT_NE(makerNote, nullptr);
    EXPECT_EQ(makerNote->DataOffset, expected);
    EXPECT_EQ(DataOf(*exif, 0x927C), Pattern(200, 9));
    EXPECT_EQ(InfoOf(*exif, 0xEA1D), nullptr) << "the offset schema is used up (or was never there)";

    // Nothing else overlaps the maker note's block.
    const auto overlaps = [&](std::uint64_t start, std::uint64_t size) {
      return start < expected + 200 && start + size > expected;
    };
    const auto* description = InfoOf(ifd0, 0x010E);
    EXPECT_FALSE(overlaps(description->DataOffset, 1500)) << "description at " << description->DataOffset;
    EXPECT_FALSE(overlaps(8, 2 + 24 + 4));
    const auto exifOffset = LE32(DataOf(ifd0, 0x8769), 0);
    EXPECT_FALSE(overlaps(exifOffset, 2 + 12 + 4)) << "Exif IFD at " << exifOffset;
    EXPECT_EQ(DataOf(ifd0, 0x010E), Bytes(1500, 0x33));
  }

  // A shift far beyond the source is not followed: the output would be gigabytes of zeros.
  const auto out = Rewrite(build(true, 0x7FFF0000).Data());
  EXPECT_LT(out.size(), 5000U);
  const auto parsed = Reparse(out);
  std::shared_ptr<IFoundTiffDirectory> exif;
  ASSERT_TRUE(
      parsed.Parser->ParseSubDirectory(parsed.Directories.at(0), *InfoOf(*parsed.Directories.at(0), 0x8769), exif));
  EXPECT_EQ(InfoOf(*exif, 0x927C)->DataOffset, 1000U);
  EXPECT_NE(InfoOf(*exif, 0xEA1D), nullptr);
}

TEST(TiffRewriterTest, SimpleCallbackReplacesTheFirstDirectorysMetadataTag) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Short(0x0100, 1), b.Offset(0x83BB, 7, 6, 0)}, 0);
  const auto ifd1 = b.Ifd({b.Inline(0x83BB, 7, 2, {5, 6})}, 0);
  b.Patch32(TTiffBuilder::NextOf(ifd0, 2), ifd1);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 1), b.Raw({1, 1, 1, 1, 1, 1}));

  TBytesPayload empty;
  TSimpleTiffRewriteCallbackImpl removing(empty, 0x83BB);
  auto parsed = Reparse(Rewrite(b.Data(), &removing));
  EXPECT_EQ(IDsOf(*parsed.Directories.at(0)), (std::vector<TTiffTagID>{0x0100})) << "removed, nothing added";
  EXPECT_EQ(DataOf(*parsed.Directories.at(1), 0x83BB), (Bytes{5, 6})) << "only the first directory's copy goes";

  TBytesPayload data({0x1C, 0x02, 0x00, 0x00, 0x02, 0, 4});
  TSimpleTiffRewriteCallbackImpl adding(data, 0x83BB);
  parsed = Reparse(Rewrite(b.Data(), &adding));
  const auto& dir = *parsed.Directories.at(0);
  EXPECT_EQ(DataOf(dir, 0x83BB), (Bytes{0x1C, 0x02, 0x00, 0x00, 0x02, 0, 4}));
  EXPECT_EQ(InfoOf(dir, 0x83BB)->DataType, TTiffDataType::tdUndefined);
  EXPECT_EQ(InfoOf(dir, 0x83BB)->ElementCount, 7);
  EXPECT_EQ(DataOf(*parsed.Directories.at(1), 0x83BB), (Bytes{5, 6}));
}

// A container's block stored as LONG (as Photoshop stores IPTC) keeps that type; its
// bytes are a byte stream, so a big-endian file must get them in their own order.
TEST(TiffRewriterTest, ByteStreamTagKeepsItsStoredLongType) {
  using enum TTiffDataType;
  const Bytes stored{0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x02, 0x05, 0x00, 0x00};
  const auto rawData = [](const Bytes& file, const TTiffTagInfo& info) {
    return Bytes(file.begin() + info.DataOffset, file.begin() + info.DataOffset + info.DataSize());
  };
  for (const bool big : {true, false}) {
    SCOPED_TRACE(big ? "MM" : "II");
    TTiffBuilder b(big);
    b.Header(8);
    const auto ifd0 = b.Ifd({b.Short(0x0100, 1), b.Offset(0x83BB, 4, 3, 0)}, 0);
    b.Patch32(TTiffBuilder::FieldOf(ifd0, 1), b.Raw(stored));

    TBytesPayload same(stored);
    TSimpleTiffRewriteCallbackImpl unchanged(same, 0x83BB);
    auto output = Rewrite(b.Data(), &unchanged);
    auto parsed = Reparse(output);
    const auto* info = InfoOf(*parsed.Directories.at(0), 0x83BB);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->DataType, tdLongWord);
    EXPECT_EQ(info->ElementCount, 3);
    EXPECT_EQ(rawData(output, *info), stored) << "the same bytes as stored, not swapped as 32-bit values";

    // Data that is no whole number of LONGs is padded with zeros to the next one.
    TBytesPayload edited({0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x02, 0x05, 0x00, 0x01, 'A'});
    TSimpleTiffRewriteCallbackImpl editing(edited, 0x83BB);
    output = Rewrite(b.Data(), &editing);
    parsed = Reparse(output);
    info = InfoOf(*parsed.Directories.at(0), 0x83BB);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->DataType, tdLongWord);
    EXPECT_EQ(info->ElementCount, 4);
    EXPECT_EQ(rawData(output, *info),
              (Bytes{0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x02, 0x05, 0x00, 0x01, 'A', 0, 0, 0}));
  }

  // Stored as UNDEFINED or not stored at all: the type asked for, counted in bytes.
  TTiffBuilder b(true);
  b.Header(8);
  b.Ifd({b.Short(0x0100, 1), b.Inline(0x83BB, 7, 2, {5, 6})}, 0);
  TBytesPayload data({1, 2, 3, 4, 5});
  TSimpleTiffRewriteCallbackImpl adding(data, 0x83BB);
  const auto parsed = Reparse(Rewrite(b.Data(), &adding));
  EXPECT_EQ(InfoOf(*parsed.Directories.at(0), 0x83BB)->DataType, tdUndefined);
  EXPECT_EQ(InfoOf(*parsed.Directories.at(0), 0x83BB)->ElementCount, 5);
  EXPECT_EQ(DataOf(*parsed.Directories.at(0), 0x83BB), (Bytes{1, 2, 3, 4, 5}));
}

TEST(TiffRewriterTest, InMemoryDirectoriesAddedByTheCallback) {
  using enum TTiffDataType;
  TTiffBuilder b(true);
  b.Header(8);
  b.Ifd({b.Short(0x0100, 1)}, 0);

  TMemoryDirectory gps;
  TBytesPayload latitude({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0});
  TBytesPayload ref({'N', 0});
  gps.Tags.push_back(std::make_shared<TFoundTiffTag>(0x0001, tdAscii, &ref));
  gps.Tags.push_back(std::make_shared<TFoundTiffTag>(0x0002, tdLongWordFraction, &latitude));
  gps.Tags.push_back(std::make_shared<TFoundTiffTag>(0x0003, static_cast<TTiffDataType>(0), &ref)); // malformed
  gps.Tags.push_back(std::make_shared<TFoundTiffTag>(0x0001, tdByte, &ref));                        // duplicate

  TScriptedCallback callback;
  callback.OnAddTags = [&](TTiffDirectoryRewriter& rewriter) {
    if (IsFirstDirectory(rewriter))
      rewriter.AddSubDirectory(0x8825, std::shared_ptr<ITiffDirectory>(&gps, [](ITiffDirectory*) {}), nullptr);
  };
  const auto parsed = Reparse(Rewrite(b.Data(), &callback));
  const auto& ifd0 = parsed.Directories.at(0);
  EXPECT_EQ(IDsOf(*ifd0), (std::vector<TTiffTagID>{0x0100, 0x8825}));
  std::shared_ptr<IFoundTiffDirectory> sub;
  ASSERT_TRUE(parsed.Parser->ParseSubDirectory(ifd0, *InfoOf(*ifd0, 0x8825), sub));
  EXPECT_EQ(IDsOf(*sub), (std::vector<TTiffTagID>{0x0001, 0x0002}));
  EXPECT_EQ(DataOf(*sub, 0x0001), (Bytes{'N', 0}));
  EXPECT_EQ(DataOf(*sub, 0x0002), latitude.Loaded()) << "rationals written in the file's order and read back";
  EXPECT_EQ(InfoOf(*sub, 0x0002)->ElementCount, 3);
}

TEST(TiffRewriterTest, SubDirectoriesThatLoopOrRepeatEnd) {
  TTiffBuilder b;
  b.Header(8);
  const auto ifd0 = b.Ifd({b.Long(0x8769, 0), b.Long(0x8825, 0)}, 0);
  const auto exif = b.Ifd({b.Short(0x9000, 1), b.Long(0xA005, 0)}, 0);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 0), exif);
  b.Patch32(TTiffBuilder::FieldOf(ifd0, 1), exif); // GPS points at the same directory
  b.Patch32(TTiffBuilder::FieldOf(exif, 1), exif); // Interop points at its own parent

  const auto parsed = Reparse(Rewrite(b.Data()));
  const auto& first = parsed.Directories.at(0);
  std::shared_ptr<IFoundTiffDirectory> sub;
  ASSERT_TRUE(parsed.Parser->ParseSubDirectory(first, *InfoOf(*first, 0x8769), sub));
  EXPECT_EQ(IDsOf(*sub), (std::vector<TTiffTagID>{0x9000, 0xA005}));
}

TEST(TiffRewriterTest, HostileSourcesFailBeforeWriting) {
  // Many entries claiming the same large block would multiply the output.
  TTiffBuilder b;
  b.Header(8);
  std::vector<TEntry> entries;
  for (std::uint16_t i = 0; i < 60; ++i)
    entries.push_back(b.Offset(static_cast<std::uint16_t>(0x1000 + i), 7, 100000, 0));
  const auto ifd = b.Ifd(entries, 0);
  const auto block = b.Raw(Bytes(100000, 0x44));
  for (std::uint32_t i = 0; i < 60; ++i)
    b.Patch32(TTiffBuilder::FieldOf(ifd, i), block);
  auto in = StreamOf(b.Data());
  Platform::TMemoryStream out;
  EXPECT_THROW(RewriteTiff(*in, out, nullptr), EInvalidTiffData);
  EXPECT_EQ(out.Size(), 0);

  // Strip data cut off by the end of the file.
  TTiffBuilder cut;
  cut.Header(8);
  const auto cutIfd = cut.Ifd({cut.Long(0x0111, 0), cut.Long(0x0117, 4000000000U)}, 0);
  cut.Patch32(TTiffBuilder::FieldOf(cutIfd, 0), cut.Raw(Bytes(16, 1)));
  in = StreamOf(cut.Data());
  EXPECT_THROW(RewriteTiff(*in, out, nullptr), Platform::EReadError);
  EXPECT_EQ(out.Size(), 0);
}

// A TIFF whose chain holds no directory has nowhere for new metadata: the rewrite is
// refused before anything is written, instead of answering success with the edits lost.
TEST(TiffRewriterTest, SourceWithoutDirectoryIsRefused) {
  const std::uint8_t bytes[] = {0x4D, 0x4D, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xC8};
  Platform::TMemoryStream in;
  in.WriteBuffer(bytes, sizeof bytes);
  in.SetPosition(0);
  Platform::TMemoryStream out;
  EXPECT_THROW(RewriteTiff(in, out, nullptr), EInvalidTiffData);
  EXPECT_EQ(out.Size(), 0);
}
