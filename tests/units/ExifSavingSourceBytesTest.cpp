// What a save keeps of the source block beyond the tags: bytes outside the maker note
// that its entries (and a preview directory it points to) refer to, at their offsets,
// with the sections laid out around them; and an unchanged thumbnail with every byte of
// its declared length and its Compression tag as stored.

#include "ExifContainerFixtures.h"

#include "Tessel/Exif.h"

#include "platform/JPEGImage.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

Bytes Range(const Bytes& bytes, std::size_t from, std::size_t count) {
  if (from + count > bytes.size())
    return {};
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes Pattern(std::size_t size, std::uint8_t first) {
  Bytes bytes(size);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

Bytes LE16(std::uint16_t v) { return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
Bytes LE32(std::uint32_t v) { return LE16(static_cast<std::uint16_t>(v)) + LE16(static_cast<std::uint16_t>(v >> 16)); }
Bytes BE16(std::uint16_t v) { return Bytes{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}; }

std::uint32_t ReadLE32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A headerless little-endian note entry.
Bytes Entry(std::uint16_t id, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
  return LE16(id) + LE16(type) + LE32(count) + LE32(value);
}

// A Canon block whose maker note was moved by some earlier writer without mending its
// offsets: one entry's data lies behind the whole block (tail bytes appended to it),
// another's in IFD0's description text in front of the note, a third's inside the note.
struct TMovedNoteBlock {
  Bytes Block;
  Bytes Note;
  std::uint32_t NoteOffset = 0;
  std::uint32_t TailOffset = 0;
  std::uint32_t DescriptionOffset = 0;
  Bytes Tail;
};

TMovedNoteBlock MovedNoteBlock() {
  TMovedNoteBlock result;
  result.Tail = Pattern(24, 0x40);
  const auto note = [&result] {
    const auto ownData = result.NoteOffset + 2 + 4 * 12 + 4;
    return LE16(4) + Entry(0x0001, 3, 1, 7) + Entry(0x0004, 7, 24, result.TailOffset) +
           Entry(0x0009, 2, 8, result.DescriptionOffset + 2) + Entry(0x000A, 5, 1, ownData) + LE32(0) + LE32(3) +
           LE32(4);
  };
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttImageDescription, "a description of 32 characters!");
  b.Ascii(0, ttMake, "Canon");
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, 0x9000, BytesOf("0230"));
  b.Undefined(exif, ttMakerNote, note());
  // The offsets depend on where things land, which the values do not change.
  const auto probe = b.Build();
  result.NoteOffset = b.DataOffset(exif, ttMakerNote);
  result.DescriptionOffset = b.DataOffset(0, ttImageDescription);
  result.TailOffset = static_cast<std::uint32_t>(probe.size());
  result.Note = note();
  b.SetValue(exif, ttMakerNote, result.Note);
  result.Block = b.Build() + result.Tail;
  return result;
}

} // namespace

TEST(ExifSavingSourceBytes, BytesAMovedMakerNoteRefersToStayWhereItsEntriesPoint) {
  const auto source = MovedNoteBlock();
  TExifData data;
  LoadBlock(data, source.Block);
  ASSERT_EQ(data.MakerNoteType(), TCanonMakerNote::Class());
  const auto description = Range(source.Block, source.DescriptionOffset + 2, 8);

  // Both referenced ranges are taken at load, and nothing of the note's own bytes.
  const auto& extents = data.MakerNoteExtents();
  ASSERT_EQ(extents.size(), 2U);
  EXPECT_EQ(extents[0].Offset, source.DescriptionOffset + 2);
  EXPECT_EQ(extents[0].Bytes, description);
  EXPECT_EQ(extents[1].Offset, source.TailOffset);
  EXPECT_EQ(extents[1].Bytes, source.Tail);

  // A longer description moves IFD0's data; the old bytes stay at their old place, and
  // no directory is laid over them or over the note.
  data.SetImageDescription(std::string(200, 'x'));
  data.SetOrientation(TTiffOrientation::toRightTop);
  const auto block = SaveBlock(data);
  EXPECT_EQ(Range(block, source.NoteOffset, source.Note.size()), source.Note);
  EXPECT_EQ(Range(block, source.TailOffset, source.Tail.size()), source.Tail);
  EXPECT_EQ(Range(block, source.DescriptionOffset + 2, 8), description);
  EXPECT_GE(ReadLE32(block, 4), source.TailOffset + source.Tail.size()) << "IFD0 is laid over kept bytes";

  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.ImageDescription(), std::string(200, 'x'));
  EXPECT_EQ(loaded.Orientation(), TTiffOrientation::toRightTop);
  EXPECT_EQ(loaded.CameraMake(), "Canon");
  EXPECT_EQ(loaded.GetSection(esDetails)->Find(ttMakerNote)->OriginalDataOffset(), source.NoteOffset);
  ASSERT_EQ(loaded.MakerNoteExtents().size(), 2U);
  EXPECT_EQ(loaded.MakerNoteExtents()[1].Bytes, source.Tail);

  // A note that is replaced no longer refers to them: they are not written again.
  auto* note = loaded.GetSection(esDetails)->Find(ttMakerNote);
  Bytes other = source.Note;
  other[2] = 0x02; // first entry's ID
  note->UpdateData(other.data());
  EXPECT_TRUE(loaded.MakerNoteExtents().empty());
  const auto plain = SaveBlock(loaded);
  EXPECT_NE(Range(plain, source.TailOffset, source.Tail.size()), source.Tail);
}

TEST(ExifSavingSourceBytes, KeptBytesGoBackHomeWithANoteThatOffsetSchemaSaysWasMoved) {
  // An earlier writer moved the note by 16 bytes and said so in OffsetSchema; its entry's
  // data (behind the block) counts with that displacement. Saved, the note returns to
  // where its offsets belong, and the bytes it refers to move along with it.
  constexpr std::int32_t Moved = 16;
  const auto tail = Pattern(12, 0x70);
  std::uint32_t tailAt = 0;
  const auto note = [&tailAt] { return LE16(1) + Entry(0x0004, 7, 12, tailAt - Moved) + LE32(0); };
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttMakerNote, note());
  b.Raw(exif, ttOffsetSchema, 9, 1, LE32(static_cast<std::uint32_t>(Moved)));
  tailAt = static_cast<std::uint32_t>(b.Build().size());
  const auto noteAt = b.DataOffset(exif, ttMakerNote);
  b.SetValue(exif, ttMakerNote, note());
  const auto source = b.Build() + tail;

  TExifData data;
  LoadBlock(data, source);
  ASSERT_EQ(data.MakerNoteExtents().size(), 1U);
  EXPECT_EQ(data.MakerNoteExtents()[0].Offset, tailAt);
  const auto block = SaveBlock(data);
  EXPECT_EQ(Range(block, noteAt - Moved, note().size()), note());
  EXPECT_EQ(Range(block, tailAt - Moved, tail.size()), tail);
  // Saved again without a reload: OffsetSchema now says 0, so the note must stay where the
  // first save put it (not go back to its loaded offset), and its bytes with it.
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttMakerNote)->OriginalDataOffset(), noteAt - Moved);
  EXPECT_EQ(SaveBlock(data), block) << "a second save of the same container";

  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.OffsetSchema(), TLongIntTagValue(0));
  ASSERT_EQ(loaded.MakerNoteExtents().size(), 1U);
  EXPECT_EQ(loaded.MakerNoteExtents()[0].Bytes, tail);
}

TEST(ExifSavingSourceBytes, OnlyPlausibleRangesInsideTheBlockAreKept) {
  // Entries pointing past the block's end, over the TIFF header, into IFD0's table (a
  // note read with the wrong origin) or with a size that overflows keep nothing; nor does
  // a note whose table does not fit inside it.
  const auto build = [](const Bytes& note) {
    TExifBuilder b;
    const int exif = b.AddIfd();
    b.Ascii(0, ttMake, "Canon");
    b.Pointer(0, ttExifOffset, exif);
    b.Undefined(exif, ttMakerNote, note);
    return b.Build();
  };
  const Bytes note = LE16(5) + Entry(0x0002, 7, 64, 60000) + Entry(0x0003, 7, 16, 2) +
                     Entry(0x0004, 4, 0x40000000, 40) + Entry(0x0005, 7, 8, 0xFFFFFFF0) + Entry(0x0006, 5, 1, 12) +
                     LE32(0);
  TExifData data;
  LoadBlock(data, build(note));
  ASSERT_EQ(data.MakerNoteType(), TCanonMakerNote::Class());
  EXPECT_TRUE(data.MakerNoteExtents().empty());

  const Bytes noTable = LE16(0x7FFF) + Bytes(30, 0xEE);
  TExifData garbage;
  LoadBlock(garbage, build(noTable));
  EXPECT_TRUE(garbage.MakerNoteExtents().empty());
  // Saving either still works and keeps the note.
  const auto block = SaveBlock(garbage);
  TExifData loaded;
  LoadBlock(loaded, block);
  const auto* kept = loaded.GetSection(esDetails)->Find(ttMakerNote);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(Bytes(kept->Bytes().begin(), kept->Bytes().end()), noTable);
}

TEST(ExifSavingSourceBytes, APreviewDirectoryOutsideANikonNoteKeepsItsTableAndPicture) {
  // Nikon type 3: "Nikon" 00 02 00 00 00, a big-endian TIFF header, one entry 0x0011
  // (the preview directory) whose offset counts from that header and lands behind the
  // note; the preview directory's pointer pair leads to 20 bytes further on.
  const auto build = [](const Bytes& note) {
    TExifBuilder b;
    const int exif = b.AddIfd();
    b.Ascii(0, ttMake, "NIKON CORPORATION");
    b.Pointer(0, ttExifOffset, exif);
    b.Undefined(exif, ttMakerNote, note);
    return b;
  };
  const auto noteFor = [](std::uint32_t previewIFD) {
    return BytesOf(std::string_view("Nikon\0\2\0\0\0MM\0\x2A\0\0\0\x08", 18)) + BE16(1) + BE16(0x0011) + BE16(4) +
           BigEndian32(1) + BigEndian32(previewIFD) + BigEndian32(0);
  };
  auto probe = build(noteFor(0));
  const auto probeBlock = probe.Build();
  const auto noteOffset = probe.DataOffset(1, ttMakerNote);
  const auto previewAt = static_cast<std::uint32_t>(probeBlock.size());
  const auto origin = noteOffset + 10;
  auto builder = build(noteFor(previewAt - origin));
  builder.SetValue(1, ttMakerNote, noteFor(previewAt - origin));
  const auto pictureAt = previewAt + 30;
  const Bytes previewTable = BE16(2) + BE16(ttJPEGInterchangeFormat) + BE16(4) + BigEndian32(1) +
                             BigEndian32(pictureAt - origin) + BE16(ttJPEGInterchangeFormatLength) + BE16(4) +
                             BigEndian32(1) + BigEndian32(20) + BigEndian32(0);
  const auto picture = Pattern(20, 0x90);
  const auto source = builder.Build() + previewTable + picture;
  ASSERT_EQ(source.size(), pictureAt + 20);

  TExifData data;
  LoadBlock(data, source);
  ASSERT_EQ(data.MakerNoteType(), TNikonType3MakerNote::Class());
  ASSERT_EQ(data.MakerNoteExtents().size(), 1U) << "table and picture are next to each other";
  EXPECT_EQ(data.MakerNoteExtents()[0].Offset, previewAt);
  EXPECT_EQ(data.MakerNoteExtents()[0].Bytes, previewTable + picture);

  data.SetCameraModel(std::string(120, 'm'));
  const auto block = SaveBlock(data);
  EXPECT_EQ(Range(block, previewAt, previewTable.size()), previewTable);
  EXPECT_EQ(Range(block, pictureAt, picture.size()), picture);
  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.CameraModel(), std::string(120, 'm'));
  EXPECT_EQ(loaded.GetSection(esMakerNote)->Count(), 1);

  // A preview pointer at bytes that are no directory (a count no segment could hold)
  // keeps that count, so that nothing laid out there later reads as a directory.
  auto garbage = source;
  garbage[previewAt] = 0x20;
  garbage[previewAt + 1] = 0x20;
  TExifData damaged;
  LoadBlock(damaged, garbage);
  ASSERT_EQ(damaged.MakerNoteExtents().size(), 1U);
  EXPECT_EQ(damaged.MakerNoteExtents()[0].Offset, previewAt);
  EXPECT_EQ(damaged.MakerNoteExtents()[0].Bytes, (Bytes{0x20, 0x20}));
}

TEST(ExifSavingSourceBytes, KeptRangesThatWouldOverfillTheSegmentAreGivenUp) {
  // The note's entry refers to bytes in the middle of what a segment can carry. IFD0 grows
  // too large to fit in front of them, and behind them it would no longer fit the segment:
  // the ranges go, and the note alone keeps its place.
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Pointer(0, ttExifOffset, exif);
  const std::uint32_t middle = 30000;
  const Bytes note = LE16(1) + Entry(0x0002, 7, 64, middle) + LE32(0);
  b.Undefined(exif, ttMakerNote, note);
  auto source = b.Build();
  const auto noteAt = b.DataOffset(exif, ttMakerNote);
  source.resize(middle);
  source = source + Pattern(64, 1);
  TExifData data;
  LoadBlock(data, source);
  ASSERT_EQ(data.MakerNoteExtents().size(), 1U);

  const std::string description(40000, 'z');
  data.SetImageDescription(description);
  const auto block = SaveBlock(data);
  EXPECT_LE(static_cast<std::int64_t>(block.size()), TExifData::MaxExifBlockSize);
  EXPECT_EQ(Range(block, noteAt, note.size()), note);
  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.ImageDescription(), description);
  ASSERT_NE(loaded.GetSection(esDetails)->Find(ttMakerNote), nullptr);
  EXPECT_EQ(loaded.GetSection(esDetails)->Find(ttMakerNote)->OriginalDataOffset(), noteAt);

  // With room to spare the same edit keeps them.
  TExifData roomy;
  LoadBlock(roomy, source);
  roomy.SetImageDescription(std::string(20000, 'y'));
  const auto kept = SaveBlock(roomy);
  EXPECT_EQ(Range(kept, middle, 64), Pattern(64, 1));
}

namespace {

// IFD1 with a JPEG thumbnail whose declared length holds `trailer` behind its EOI, and
// optionally a Compression tag.
Bytes ThumbnailBlock(const Bytes& jpeg, const Bytes& trailer, int compression) {
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Chain(0, ifd1);
  b.Ascii(0, ttMake, "Maker");
  if (compression >= 0)
    b.Short(ifd1, ttCompression, static_cast<std::uint16_t>(compression));
  b.BlobPointer(ifd1, ttJPEGInterchangeFormat, jpeg + trailer);
  b.Long(ifd1, ttJPEGInterchangeFormatLength, static_cast<std::uint32_t>(jpeg.size() + trailer.size()));
  return b.Build();
}

Bytes ThumbnailInBlock(const Bytes& block, TExifData& loaded) {
  auto& ifd1 = *loaded.GetSection(esThumbnail);
  return Range(block, ifd1.GetLongWordValue(ttJPEGInterchangeFormat, 0, 0),
               ifd1.GetLongWordValue(ttJPEGInterchangeFormatLength, 0, 0));
}

} // namespace

TEST(ExifSavingSourceBytes, UnchangedThumbnailKeepsItsBytesAndItsCompressionTag) {
  const auto jpeg = TinyJPEG(32, 24);
  const Bytes trailer{0, 0, 0xFF, 0xFF, 0x12, 0, 0};
  for (const int compression : {-1, 1, 6}) {
    SCOPED_TRACE(compression);
    const auto source = ThumbnailBlock(jpeg, trailer, compression);
    TExifData data;
    LoadBlock(data, source);
    ASSERT_TRUE(data.HasThumbnail());
    ASSERT_TRUE(data.ThumbnailAsLoaded());
    EXPECT_EQ(data.ThumbnailTrailer(), trailer);
    data.SetOrientation(TTiffOrientation::toRightTop);
    const auto block = SaveBlock(data);

    TExifData loaded;
    LoadBlock(loaded, block);
    EXPECT_EQ(ThumbnailInBlock(block, loaded), jpeg + trailer);
    auto& ifd1 = *loaded.GetSection(esThumbnail);
    if (compression < 0)
      EXPECT_EQ(ifd1.Find(ttCompression), nullptr) << "a Compression tag was added";
    else
      EXPECT_EQ(ifd1.GetWordValue(ttCompression, 0, 0), compression);
    EXPECT_EQ(Bytes(loaded.Thumbnail().Data().begin(), loaded.Thumbnail().Data().end()), jpeg);
  }

  // Through the verified JPEG saver as well.
  auto stream = StreamOf(JPEGFile({ExifSegment(ThumbnailBlock(jpeg, trailer, -1))}));
  TExifData file;
  ASSERT_TRUE(file.LoadFromGraphic(*stream));
  file.SetOrientation(TTiffOrientation::toBottomRight);
  file.SaveToGraphic(*stream);
  TExifData reread;
  stream->SetPosition(0);
  ASSERT_TRUE(reread.LoadFromGraphic(*stream));
  EXPECT_EQ(reread.ThumbnailTrailer(), trailer);
  EXPECT_EQ(reread.GetSection(esThumbnail)->Find(ttCompression), nullptr);
}

TEST(ExifSavingSourceBytes, ATrailerIsTakenOnlyRightBehindTheLoadedPicture) {
  // The thumbnail pointer stored as an IFD-typed entry: the picture loads, and the
  // trailer comes from behind it, not from wherever a misread offset would lead.
  const auto jpeg = TinyJPEG(32, 24);
  const Bytes trailer{1, 2, 3, 4, 5};
  auto block = ThumbnailBlock(jpeg, trailer, -1);
  const auto ifd1 = ReadLE32(block, 4 + 4 + 2 + 12); // IFD0: one entry, then the link
  const auto entries = block[ifd1] | (block[ifd1 + 1] << 8);
  for (int i = 0; i < entries; ++i) {
    const auto at = ifd1 + 2 + 12 * static_cast<std::uint32_t>(i);
    if ((block[at] | (block[at + 1] << 8)) == ttJPEGInterchangeFormat)
      block[at + 2] = 13;
  }
  TExifData data;
  LoadBlock(data, block);
  ASSERT_TRUE(data.HasThumbnail());
  EXPECT_TRUE(data.ThumbnailTrailer().empty() || data.ThumbnailTrailer() == trailer);
  const auto saved = SaveBlock(data);
  TExifData loaded;
  LoadBlock(loaded, saved);
  const auto written = ThumbnailInBlock(saved, loaded);
  ASSERT_GE(written.size(), jpeg.size());
  EXPECT_EQ(Range(written, 0, jpeg.size()), jpeg);
  EXPECT_TRUE(written.size() == jpeg.size() || Range(written, jpeg.size(), trailer.size()) == trailer);
}

TEST(ExifSavingSourceBytes, AReplacedThumbnailIsWrittenAsItNowIs) {
  const auto jpeg = TinyJPEG(32, 24);
  const Bytes trailer(9, 0xAB);
  const auto other = TinyJPEG(40, 30);

  // A new picture: Compression 6, its own length, nothing of the old trailer.
  TExifData data;
  LoadBlock(data, ThumbnailBlock(jpeg, trailer, 1));
  data.Thumbnail().SetData(other);
  EXPECT_FALSE(data.ThumbnailAsLoaded());
  EXPECT_TRUE(data.ThumbnailTrailer().empty());
  const auto block = SaveBlock(data);
  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(ThumbnailInBlock(block, loaded), other);
  EXPECT_EQ(loaded.GetSection(esThumbnail)->GetWordValue(ttCompression, 0, 0), 6);

  // Removed and set again from the same bytes counts as a new picture too.
  TExifData again;
  LoadBlock(again, ThumbnailBlock(jpeg, trailer, -1));
  Platform::TJPEGImage copy;
  copy.SetData(jpeg);
  again.SetThumbnail(nullptr);
  again.SetThumbnail(&copy);
  const auto rewritten = SaveBlock(again);
  TExifData reread;
  LoadBlock(reread, rewritten);
  EXPECT_EQ(ThumbnailInBlock(rewritten, reread), jpeg);
  EXPECT_EQ(reread.GetSection(esThumbnail)->GetWordValue(ttCompression, 0, 0), 6);

  // A declared length shorter than the picture keeps nothing behind it.
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Chain(0, ifd1);
  b.Ascii(0, ttMake, "Maker");
  b.BlobPointer(ifd1, ttJPEGInterchangeFormat, jpeg + trailer);
  b.Long(ifd1, ttJPEGInterchangeFormatLength, 10);
  TExifData shortLength;
  LoadBlock(shortLength, b.Build());
  ASSERT_TRUE(shortLength.HasThumbnail());
  EXPECT_TRUE(shortLength.ThumbnailTrailer().empty());
  const auto cut = SaveBlock(shortLength);
  TExifData cutLoaded;
  LoadBlock(cutLoaded, cut);
  EXPECT_EQ(ThumbnailInBlock(cut, cutLoaded), jpeg);
}
