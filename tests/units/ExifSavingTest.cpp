// Saving EXIF data: the raw block's layout byte for byte, pointer tags, the maker note
// kept at its offset (or moved with OffsetSchema when it no longer fits), thumbnail
// limits, the JPEG, Photoshop and TIFF savers, and refusals that leave files untouched.

#include "ExifContainerFixtures.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/JPEGImage.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

std::uint32_t LE32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

Bytes TagBytes(const TExifTag& tag) { return Bytes(tag.Bytes().begin(), tag.Bytes().end()); }

// ID, type, count and bytes of every tag of a section, except the pointers whose values
// follow the layout.
std::vector<std::tuple<TTiffTagID, TTiffDataType, std::int32_t, Bytes>> Snapshot(TExifSection& section) {
  std::vector<std::tuple<TTiffTagID, TTiffDataType, std::int32_t, Bytes>> result;
  for (auto* tag : section) {
    const auto id = tag->ID();
    if (id == ttExifOffset || id == ttGPSOffset || id == ttInteropOffset || id == ttJPEGInterchangeFormat)
      continue;
    result.emplace_back(id, tag->DataType(), tag->ElementCount(), TagBytes(*tag));
  }
  return result;
}

// A deterministic noise picture: it compresses badly, which is what a large thumbnail needs.
Platform::TBitmap Noise(int width, int height) {
  Platform::TBitmap bitmap(width, height);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    auto* row = bitmap.ScanLine(y);
    for (int x = 0; x < width * 3; ++x) {
      state = state * 1664525U + 1013904223U;
      row[x] = static_cast<std::uint8_t>(state >> 24);
    }
  }
  return bitmap;
}

// A Canon-style maker note (headerless, little-endian, offsets from the EXIF start) in the
// Exif sub-IFD, followed by a tag with a higher ID; the note's offsets are made to fit
// where the builder puts it.
Bytes CanonBlock(std::uint32_t& makerNoteOffset, Bytes& makerNote) {
  const auto build = [](const Bytes& note) {
    TExifBuilder b;
    const int exif = b.AddIfd();
    b.Ascii(0, ttImageDescription, "short");
    b.Ascii(0, ttMake, "Canon");
    b.Pointer(0, ttExifOffset, exif);
    b.Undefined(exif, 0x9000, BytesOf("0230"));
    b.Undefined(exif, ttMakerNote, note);
    b.Long(exif, ttExifImageWidth, 640);
    auto block = b.Build();
    return std::make_pair(block, b.DataOffset(exif, ttMakerNote));
  };
  TMakerNoteBuilder note(false);
  note.Short(1, 42);
  note.Ascii(6, "PowerShot Test Model");
  note.Rational(7, 3, 4);
  const auto probe = build(note.Build({}, 0));
  makerNoteOffset = probe.second;
  makerNote = note.Build({}, -static_cast<std::int64_t>(makerNoteOffset));
  return build(makerNote).first;
}

std::vector<std::tuple<TTiffTagID, TTiffDataType, std::int32_t, Bytes>> MakerNoteTags(TExifData& data) {
  return Snapshot(*data.GetSection(esMakerNote));
}

Bytes JPEGWithFrame(const Bytes& exifBlock, std::uint16_t width, std::uint16_t height) {
  const Bytes sof{8,
                  static_cast<std::uint8_t>(height >> 8),
                  static_cast<std::uint8_t>(height),
                  static_cast<std::uint8_t>(width >> 8),
                  static_cast<std::uint8_t>(width),
                  1,
                  1,
                  0x11,
                  0};
  return JPEGFile({Segment(0xE0, BytesOf(std::string_view("JFIF\0\1\1\0\0\1\0\1\0\0", 14))), ExifSegment(exifBlock),
                   Segment(0xDB, Bytes(65, 1)), Segment(0xC0, sof)});
}

Bytes Range(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

} // namespace

TEST(ExifSaving, SmallBlocksByteForByte) {
  TExifData data;
  data.SetCameraMake("Canon");
  // clang-format off
  const Bytes makeOnly{'I', 'I', 42, 0, 8, 0, 0, 0,                                   // header
                       1, 0,                                                           // one entry
                       0x0F, 0x01, 2, 0, 6, 0, 0, 0, 26, 0, 0, 0,                      // Make, ASCII, 6 at 26
                       0, 0, 0, 0,                                                     // no IFD1
                       'C', 'a', 'n', 'o', 'n', 0};
  // clang-format on
  EXPECT_EQ(SaveBlock(data), makeOnly) << "IFD0 with one ASCII entry and no Exif pointer";

  // One GPS tag: IFD0 gains the GPS pointer and the GPS IFD follows IFD0's data.
  const std::uint8_t version[4] = {2, 2, 0, 0};
  data.GetSection(esGPS)->AddOrUpdate(ttGPSVersionID, TTiffDataType::tdByte, 4, version);
  // clang-format off
  const Bytes withGPS{'I', 'I', 42, 0, 8, 0, 0, 0,
                      2, 0,
                      0x0F, 0x01, 2, 0, 6, 0, 0, 0, 38, 0, 0, 0,
                      0x25, 0x88, 4, 0, 1, 0, 0, 0, 44, 0, 0, 0,                       // GPS IFD at 44
                      0, 0, 0, 0,
                      'C', 'a', 'n', 'o', 'n', 0,
                      1, 0, 0, 0, 1, 0, 4, 0, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0};
  // clang-format on
  EXPECT_EQ(SaveBlock(data), withGPS);
  EXPECT_NE(data.GetSection(esGeneral)->Find(ttGPSOffset), nullptr);

  // Without GPS tags the pointer goes on the next save.
  data.GetSection(esGPS)->Remove(ttGPSVersionID);
  EXPECT_EQ(SaveBlock(data), makeOnly);
  EXPECT_EQ(data.GetSection(esGeneral)->Find(ttGPSOffset), nullptr);

  // Big-endian: the header and every number in Motorola order.
  data.SetEndianness(TEndianness::BigEndian);
  const Bytes bigEndian{'M', 'M', 0, 42, 0, 0,  0, 8, 0, 1, 0x01, 0x0F, 0,   2,   0,   0,
                        0,   6,   0, 0,  0, 26, 0, 0, 0, 0, 'C',  'a',  'n', 'o', 'n', 0};
  EXPECT_EQ(SaveBlock(data), bigEndian);

  // An empty container still writes IFD0.
  TExifData empty;
  EXPECT_EQ(SaveBlock(empty), (Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ExifSaving, SubDirectoriesFollowInOrderAndPointersAreKept) {
  TExifData data;
  data.SetCameraMake("Maker");
  data.GetSection(esDetails)->AddOrUpdate(0x9000, TTiffDataType::tdUndefined, 4, "0230");
  data.GetSection(esInterop)->SetStringValue(0x0001, "R98");
  data.GetSection(esGPS)->SetByteValue(ttGPSVersionID, 3, 0);
  const auto block = SaveBlock(data);

  auto& general = *data.GetSection(esGeneral);
  auto& details = *data.GetSection(esDetails);
  const auto exifOffset = general.GetLongWordValue(ttExifOffset, 0, 0);
  const auto gpsOffset = general.GetLongWordValue(ttGPSOffset, 0, 0);
  const auto interopOffset = details.GetLongWordValue(ttInteropOffset, 0, 0);
  // IFD0 (2 + 3 * 12 + 4) and its 6 data bytes, then Exif, Interop, GPS, no padding.
  EXPECT_EQ(exifOffset, 8U + 42 + 6);
  EXPECT_EQ(interopOffset, exifOffset + 2 + 24 + 4);
  EXPECT_EQ(gpsOffset, interopOffset + 18);
  EXPECT_EQ(block.size(), gpsOffset + 18);

  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.CameraMake(), "Maker");
  EXPECT_EQ(loaded.GetSection(esInterop)->GetStringValue(0x0001), "R98");
  EXPECT_EQ(Snapshot(*loaded.GetSection(esDetails)), Snapshot(details));
  EXPECT_EQ(Snapshot(*loaded.GetSection(esGPS)), Snapshot(*data.GetSection(esGPS)));

  // An Exif IFD that holds only the Interop pointer is still written.
  TExifData onlyInterop;
  onlyInterop.GetSection(esInterop)->SetStringValue(0x0001, "R98");
  TExifData reloaded;
  LoadBlock(reloaded, SaveBlock(onlyInterop));
  EXPECT_EQ(reloaded.GetSection(esInterop)->GetStringValue(0x0001), "R98");
}

TEST(ExifSaving, MakerNoteStaysAtItsOffsetAndSectionsMoveAroundIt) {
  std::uint32_t makerNoteOffset = 0;
  Bytes makerNote;
  const auto source = CanonBlock(makerNoteOffset, makerNote);
  TExifData data;
  LoadBlock(data, source);
  ASSERT_EQ(data.MakerNoteType(), TCanonMakerNote::Class());
  const auto noteTags = MakerNoteTags(data);
  ASSERT_EQ(noteTags.size(), 3U);
  const auto detailsBefore = Snapshot(*data.GetSection(esDetails));

  // IFD0 grows far beyond the maker note's place: it has to move behind the note.
  data.SetImageDescription(std::string(300, 'd'));
  const auto block = SaveBlock(data);
  ASSERT_GE(block.size(), makerNoteOffset + makerNote.size());
  EXPECT_EQ(Range(block, makerNoteOffset, makerNote.size()), makerNote) << "maker note not at its old offset";
  EXPECT_GE(LE32(block, 4), makerNoteOffset + makerNote.size()) << "IFD0 overlaps the maker note";
  // Nothing is placed in front of the maker note here, so that gap holds zeros only.
  const auto gap = Range(block, 8, makerNoteOffset - 8);
  EXPECT_TRUE(std::all_of(gap.begin(), gap.end(), [](std::uint8_t b) { return b == 0; }));

  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.ImageDescription(), std::string(300, 'd'));
  EXPECT_EQ(loaded.GetSection(esDetails)->Find(ttMakerNote)->OriginalDataOffset(), makerNoteOffset);
  EXPECT_EQ(Snapshot(*loaded.GetSection(esDetails)), detailsBefore);
  EXPECT_EQ(loaded.MakerNoteType(), TCanonMakerNote::Class());
  EXPECT_EQ(MakerNoteTags(loaded), noteTags);
  EXPECT_EQ(loaded.GetSection(esDetails)->Find(ttOffsetSchema), nullptr);
}

TEST(ExifSaving, GrownMakerNoteMovesAndOffsetSchemaRecordsIt) {
  std::uint32_t makerNoteOffset = 0;
  Bytes makerNote;
  const auto source = CanonBlock(makerNoteOffset, makerNote);
  TExifData data;
  LoadBlock(data, source);
  const auto noteTags = MakerNoteTags(data);
  ASSERT_FALSE(noteTags.empty());

  // The note grows by 64 bytes: its old place would overlap what follows it.
  Bytes grown = makerNote;
  grown.resize(makerNote.size() + 64, 0);
  data.GetSection(esDetails)
      ->Find(ttMakerNote)
      ->UpdateData(TTiffDataType::tdUndefined, static_cast<std::int32_t>(grown.size()), grown.data());
  const auto block = SaveBlock(data);
  EXPECT_EQ(SaveBlock(data), block) << "saved twice without a reload, the note and OffsetSchema agree";

  TExifData moved;
  LoadBlock(moved, block);
  auto* note = moved.GetSection(esDetails)->Find(ttMakerNote);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(TagBytes(*note), grown);
  const auto newOffset = note->OriginalDataOffset();
  EXPECT_NE(newOffset, makerNoteOffset);
  EXPECT_EQ(newOffset + grown.size(), block.size()) << "the moved note goes behind everything else";
  EXPECT_EQ(moved.OffsetSchema(), TLongIntTagValue(static_cast<std::int32_t>(newOffset - makerNoteOffset)));
  EXPECT_EQ(moved.GetSection(esDetails)->Find(ttExifImageWidth)->ReadLongWord(0, 0), 640U);
  EXPECT_EQ(moved.ImageDescription(), "short");
  // The offsets inside the note still lead to its data.
  EXPECT_EQ(MakerNoteTags(moved), noteTags);

  // Saved again, the note returns to where its offsets belong and no displacement remains;
  // once more without a reload, it stays there.
  const auto again = SaveBlock(moved);
  EXPECT_EQ(SaveBlock(moved), again);
  EXPECT_EQ(Range(again, makerNoteOffset, grown.size()), grown);
  TExifData home;
  LoadBlock(home, again);
  EXPECT_EQ(home.GetSection(esDetails)->Find(ttMakerNote)->OriginalDataOffset(), makerNoteOffset);
  EXPECT_EQ(home.OffsetSchema(), TLongIntTagValue(0));
  EXPECT_EQ(MakerNoteTags(home), noteTags);
}

TEST(ExifSaving, ThumbnailIsWrittenBehindIFD1WithItsTags) {
  TExifData data;
  data.SetCameraMake("Maker");
  const auto jpeg = TinyJPEG(160, 120);
  data.Thumbnail().SetData(jpeg);
  const auto block = SaveBlock(data);

  auto& thumbnail = *data.GetSection(esThumbnail);
  EXPECT_EQ(thumbnail.GetWordValue(ttCompression, 0, 0), 6);
  EXPECT_EQ(thumbnail.Find(ttCompression)->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(thumbnail.GetLongWordValue(ttJPEGInterchangeFormatLength, 0, 0), jpeg.size());
  const auto at = thumbnail.GetLongWordValue(ttJPEGInterchangeFormat, 0, 0);
  EXPECT_EQ(Range(block, at, jpeg.size()), jpeg) << "thumbnail bytes unchanged and where the pointer says";
  EXPECT_EQ(at + jpeg.size(), block.size());
  // IFD0 links to IFD1.
  const auto ifd1 = LE32(block, 8 + 2 + 12 + 0);
  EXPECT_LT(ifd1, at);

  TExifData loaded;
  LoadBlock(loaded, block);
  ASSERT_TRUE(loaded.HasThumbnail());
  EXPECT_EQ(Bytes(loaded.Thumbnail().Data().begin(), loaded.Thumbnail().Data().end()), jpeg);

  // Without a thumbnail picture IFD1 keeps its tags; only the pointer pair goes.
  TExifData noPicture;
  noPicture.SetCameraMake("Maker");
  auto& bare = *noPicture.GetSection(esThumbnail);
  bare.SetWordValue(ttCompression, 0, 6);
  bare.SetLongWordValue(ttJPEGInterchangeFormat, 0, 4000);
  bare.SetLongWordValue(ttJPEGInterchangeFormatLength, 0, 1000);
  const auto plain = SaveBlock(noPicture);
  EXPECT_EQ(LE32(plain, 8 + 2 + 12), 32U) << "IFD0 links to IFD1 right behind it";
  EXPECT_EQ(plain.size(), 32U + 18U);
  TExifData reloaded;
  LoadBlock(reloaded, plain);
  EXPECT_EQ(reloaded.GetSection(esThumbnail)->Count(), 1);
  EXPECT_EQ(reloaded.GetSection(esThumbnail)->GetWordValue(ttCompression, 0, 0), 6);
}

// IFD1 of an older camera: an uncompressed thumbnail in strips.
Bytes StripThumbnailBlock(const Bytes& pixels, bool badOffset = false) {
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Chain(0, ifd1);
  b.Ascii(0, ttMake, "Kodak");
  b.Short(0, ttOrientation, 1);
  b.Short(ifd1, ttImageWidth, 4);
  b.Short(ifd1, ttImageLength, 2);
  b.Short(ifd1, ttCompression, 1);
  if (badOffset)
    b.Long(ifd1, ttStripOffsets, 0x00FFFFF0);
  else
    b.BlobPointer(ifd1, ttStripOffsets, pixels);
  b.Short(ifd1, 0x0115, 3);
  b.Long(ifd1, ttStripByteCounts, static_cast<std::uint32_t>(pixels.size()));
  return b.Build();
}

Bytes StripAt(const Bytes& block, TExifData& loaded) {
  const auto& ifd1 = *loaded.GetSection(esThumbnail);
  const auto offset = ifd1.GetLongWordValue(ttStripOffsets, 0, 0);
  const auto count = ifd1.GetLongWordValue(ttStripByteCounts, 0, 0);
  if (offset == 0 || offset + count > block.size())
    return {};
  return Range(block, offset, count);
}

TEST(ExifSaving, UncompressedThumbnailTravelsBehindIFD1) {
  Bytes pixels(4 * 2 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 7 + 1);
  TExifData data;
  LoadBlock(data, StripThumbnailBlock(pixels));
  EXPECT_FALSE(data.HasThumbnail());
  EXPECT_EQ(data.ThumbnailStripData(), pixels);
  const auto tagsBefore = data.GetSection(esThumbnail)->Count();

  data.SetCameraMake("A much longer maker name that moves everything behind it");
  data.SetOrientation(TTiffOrientation::toRightTop);
  const auto block = SaveBlock(data);
  TExifData loaded;
  LoadBlock(loaded, block);
  EXPECT_EQ(loaded.GetSection(esThumbnail)->Count(), tagsBefore);
  EXPECT_EQ(StripAt(block, loaded), pixels) << "the strip moved and its offset follows it";
  EXPECT_EQ(loaded.ThumbnailStripData(), pixels);
  EXPECT_EQ(loaded.GetSection(esThumbnail)->GetWordValue(ttCompression, 0, 0), 1);

  // A JPEG file takes the same road.
  auto jpeg = StreamOf(JPEGFile({ExifSegment(StripThumbnailBlock(pixels))}));
  TExifData fromFile;
  ASSERT_TRUE(fromFile.LoadFromGraphic(*jpeg));
  fromFile.SetOrientation(TTiffOrientation::toBottomRight);
  fromFile.SaveToGraphic(*jpeg);
  TExifData reread;
  jpeg->SetPosition(0);
  ASSERT_TRUE(reread.LoadFromGraphic(*jpeg));
  EXPECT_EQ(reread.ThumbnailStripData(), pixels);

  // A thumbnail removed on purpose takes its strips along; the other IFD1 tags stay.
  data.SetThumbnail(nullptr);
  EXPECT_TRUE(data.ThumbnailStripData().empty());
  const auto without = SaveBlock(data);
  TExifData stripped;
  LoadBlock(stripped, without);
  EXPECT_EQ(stripped.GetSection(esThumbnail)->Count(), tagsBefore - 2);
  EXPECT_EQ(stripped.GetSection(esThumbnail)->Find(ttStripOffsets), nullptr);
  EXPECT_EQ(stripped.GetSection(esThumbnail)->GetWordValue(ttImageWidth, 0, 0), 4);

  // A new JPEG thumbnail replaces the strips.
  LoadBlock(data, StripThumbnailBlock(pixels));
  const auto small = TinyJPEG(8, 8);
  data.Thumbnail().SetData(small);
  const auto replaced = SaveBlock(data);
  TExifData withJPEG;
  LoadBlock(withJPEG, replaced);
  EXPECT_TRUE(withJPEG.HasThumbnail());
  EXPECT_EQ(withJPEG.GetSection(esThumbnail)->Find(ttStripOffsets), nullptr);
  EXPECT_EQ(withJPEG.GetSection(esThumbnail)->GetWordValue(ttCompression, 0, 0), 6);
}

TEST(ExifSaving, ThumbnailPointersWithoutDataGoAndTheOtherIFD1TagsStay) {
  // Strips beyond the block: the pair goes, the rest of IFD1 stays.
  TExifData strips;
  LoadBlock(strips, StripThumbnailBlock(Bytes(24, 9), true));
  EXPECT_TRUE(strips.ThumbnailStripData().empty());
  const auto count = strips.GetSection(esThumbnail)->Count();
  TExifData reloaded;
  LoadBlock(reloaded, SaveBlock(strips));
  EXPECT_EQ(reloaded.GetSection(esThumbnail)->Count(), count - 2);
  EXPECT_EQ(reloaded.GetSection(esThumbnail)->Find(ttStripByteCounts), nullptr);
  EXPECT_EQ(reloaded.GetSection(esThumbnail)->GetWordValue(0x0115, 0, 0), 3);

  // A JPEG thumbnail whose offset leads nowhere.
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Chain(0, ifd1);
  b.Ascii(0, ttMake, "Maker");
  b.Short(ifd1, ttCompression, 6);
  b.Rational(ifd1, 0x011A, 72, 1);
  b.Long(ifd1, ttJPEGInterchangeFormat, 0x7FFFFFF0);
  b.Long(ifd1, ttJPEGInterchangeFormatLength, 5000);
  TExifData jpeg;
  LoadBlock(jpeg, b.Build());
  EXPECT_FALSE(jpeg.HasThumbnail());
  TExifData kept;
  LoadBlock(kept, SaveBlock(jpeg));
  const auto& section = *kept.GetSection(esThumbnail);
  EXPECT_EQ(section.Count(), 2);
  EXPECT_NE(section.Find(0x011A), nullptr);
  EXPECT_EQ(section.Find(ttJPEGInterchangeFormat), nullptr);
  EXPECT_EQ(section.Find(ttJPEGInterchangeFormatLength), nullptr);
}

TEST(ExifSaving, LargeThumbnailIsReducedBelowTheLimit) {
  TExifData data;
  Platform::TJPEGImage picture;
  picture.SetCompressionQuality(100);
  picture.Assign(Noise(640, 480));
  ASSERT_GT(picture.Data().size(), static_cast<std::size_t>(TExifData::MaxThumbnailSize));
  data.SetThumbnail(&picture);
  data.Thumbnail().SetCompressionQuality(100);
  data.GetSection(esThumbnail)->SetWordValue(ttImageWidth, 0, 640);
  data.GetSection(esThumbnail)->SetWordValue(ttImageLength, 0, 480);

  const auto block = SaveBlock(data);
  auto& thumbnail = data.Thumbnail();
  EXPECT_LE(thumbnail.Width(), 160);
  EXPECT_LE(thumbnail.Height(), 120);
  EXPECT_LE(thumbnail.CompressionQuality(), 90);
  const auto length = data.GetSection(esThumbnail)->GetLongWordValue(ttJPEGInterchangeFormatLength, 0, 0);
  EXPECT_LE(length, static_cast<std::uint32_t>(TExifData::MaxThumbnailSize));
  EXPECT_EQ(length, thumbnail.Data().size());
  EXPECT_EQ(data.GetSection(esThumbnail)->GetWordValue(ttImageWidth, 0, 0), thumbnail.Width());
  EXPECT_LE(block.size(), static_cast<std::size_t>(TExifData::MaxExifBlockSize));
}

TEST(ExifSaving, ThumbnailScaling) {
  EXPECT_EQ(FitThumbnailSize(4000, 3000, 160, 120), (TThumbnailSize{160, 120}));
  EXPECT_EQ(FitThumbnailSize(3000, 4000, 160, 120), (TThumbnailSize{90, 120}));
  EXPECT_EQ(FitThumbnailSize(100, 50, 160, 120), (TThumbnailSize{160, 80})) << "small sources are enlarged";
  EXPECT_EQ(FitThumbnailSize(4, 1, 10, 10), (TThumbnailSize{10, 2})) << "2.5 rounds to even";
  EXPECT_EQ(FitThumbnailSize(4, 1, 14, 10), (TThumbnailSize{14, 4})) << "3.5 rounds to even";
  EXPECT_EQ(FitThumbnailSize(0, 50, 160, 120), (TThumbnailSize{0, 0}));
  EXPECT_EQ(FitThumbnailSize(10000, 1, 160, 120), (TThumbnailSize{160, 1})) << "never below one pixel";

  TExifData data;
  Platform::TBitmap wide(400, 100);
  data.CreateThumbnail(&wide);
  EXPECT_EQ(data.Thumbnail().Width(), 160);
  EXPECT_EQ(data.Thumbnail().Height(), 40);
  Platform::TJPEGImage tall;
  tall.Assign(Platform::TBitmap(300, 600));
  data.CreateThumbnail(&tall, 100, 100);
  EXPECT_EQ(data.Thumbnail().Width(), 50);
  EXPECT_EQ(data.Thumbnail().Height(), 100);
  data.StandardizeThumbnail();
  EXPECT_EQ(data.Thumbnail().Width(), 50) << "a thumbnail inside 160 x 120 stays as it is";
  data.CreateThumbnail(nullptr);
  EXPECT_FALSE(data.HasThumbnail());
}

TEST(ExifSaving, JPEGSaverUpdatesTheFrameSize) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Maker");
  b.Pointer(0, ttExifOffset, exif);
  b.Short(exif, ttExifImageWidth, 100);
  auto stream = StreamOf(JPEGWithFrame(b.Build(), 4000, 3000));
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SaveToGraphic(*stream);
  TExifData loaded;
  stream->SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromGraphic(*stream));
  EXPECT_EQ(loaded.ExifImageWidth(), TLongWordTagValue(4000));
  EXPECT_EQ(loaded.ExifImageHeight(), TLongWordTagValue(3000)) << "both tags are written when either exists";

  // Neither tag: neither is created.
  TExifBuilder plain;
  plain.Ascii(0, ttMake, "Maker");
  auto second = StreamOf(JPEGWithFrame(plain.Build(), 4000, 3000));
  TExifData other;
  ASSERT_TRUE(other.LoadFromGraphic(*second));
  other.SaveToGraphic(*second);
  second->SetPosition(0);
  TExifData reloaded;
  ASSERT_TRUE(reloaded.LoadFromGraphic(*second));
  EXPECT_TRUE(reloaded.ExifImageWidth().MissingOrInvalid());
  EXPECT_TRUE(reloaded.ExifImageHeight().MissingOrInvalid());
}

TEST(ExifSaving, JPEGSaverRebuildsOnlyTheMetadataSegments) {
  TExifBuilder b;
  b.Ascii(0, ttMake, "Old");
  const auto picture = PictureData(300);
  const auto source = JPEGFile(
      {Segment(0xE0, BytesOf("JFIF")), ExifSegment(b.Build()), XMPSegment(), Segment(0xFE, BytesOf("comment"))}, 300);
  auto stream = StreamOf(source);
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SetCameraMake("New maker");
  data.SaveToGraphic(*stream);
  const Bytes result(stream->Bytes().begin(), stream->Bytes().end());

  // SOI, APP0, the new Exif APP1, the XMP APP1 (its packet as loaded: the edit asked the
  // packet whether it mirrors the make), then the rest byte for byte.
  const auto tail = Segment(0xFE, BytesOf("comment")) + picture;
  EXPECT_EQ(Range(result, 0, 10), (Bytes{0xFF, 0xD8} + Segment(0xE0, BytesOf("JFIF"))));
  EXPECT_EQ(Range(result, result.size() - tail.size(), tail.size()), tail);
  const auto packet = BytesOf(XMPPacketText());
  const auto found = std::search(result.begin(), result.end(), packet.begin(), packet.end());
  ASSERT_NE(found, result.end());
  EXPECT_LT(found - result.begin(), static_cast<std::ptrdiff_t>(result.size() - tail.size()));
  TExifData loaded;
  stream->SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromGraphic(*stream));
  EXPECT_EQ(loaded.CameraMake(), "New maker");

  // An empty container drops the Exif segment.
  data.Clear(false);
  data.SaveToGraphic(*stream);
  TExifData none;
  stream->SetPosition(0);
  none.LoadFromGraphic(*stream);
  EXPECT_FALSE(none.MetadataInSource().Contains(TJPEGMetadataKind::mkExif));
  EXPECT_TRUE(none.MetadataInSource().Contains(TJPEGMetadataKind::mkXMP));
}

TEST(ExifSaving, RefusedSavesLeaveTheFileAsItWas) {
  TTempDir dir;
  TExifBuilder b;
  b.Ascii(0, ttMake, "Maker");
  const auto original = JPEGFile({ExifSegment(b.Build())});
  const auto file = dir.File("picture.jpg");
  WriteFile(file, original);

  // One byte more than an APP1 segment carries behind "Exif" NUL NUL.
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(file));
  auto* tag = data.GetSection(esGeneral)->AddOrUpdate(0xC4A5, TTiffDataType::tdUndefined, 0);
  const auto fixed = static_cast<std::int32_t>(8 + 2 + 2 * 12 + 4 + 6);
  tag->SetElementCount(static_cast<std::int32_t>(TExifData::MaxExifBlockSize) - fixed + 1);
  EXPECT_THROW(data.SaveToGraphic(file), EExifBlockTooLarge);
  EXPECT_EQ(ReadFile(file), original);
  try {
    data.SaveToGraphic(file);
  } catch (const EExifBlockTooLarge& e) {
    EXPECT_NE(std::string(e.what()).find("65528"), std::string::npos) << e.what();
  }
  // At the limit it fits.
  tag->SetElementCount(tag->ElementCount() - 1);
  EXPECT_NO_THROW(data.SaveToGraphic(file));
  TExifData loaded;
  ASSERT_TRUE(loaded.LoadFromGraphic(file));
  EXPECT_EQ(loaded.GetSection(esGeneral)->Find(0xC4A5)->DataSize(), tag->DataSize());

  // Not a picture format the savers know.
  const auto png = Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
  const auto pngFile = dir.File("picture.png");
  WriteFile(pngFile, png);
  try {
    data.SaveToGraphic(pngFile);
    ADD_FAILURE() << "PNG accepted";
  } catch (const EUnsupportedGraphicFormat& e) {
    EXPECT_STREQ(e.what(), "Unsupported graphic format");
  }
  EXPECT_EQ(ReadFile(pngFile), png);
}

TEST(ExifSaving, PhotoshopSaverPutsExifFirst) {
  TExifBuilder b;
  b.Ascii(0, ttMake, "Maker");
  b.Undefined(0, ttXMP, BytesOf(XMPPacketText("image/x-old")));
  const auto resolution = AdobeBlock(0x03ED, Bytes(16, 7));
  const auto iptc = AdobeBlock(0x0404, IPTCObjectName("name"));
  const auto source = PSDFile(
      {AdobeBlock(0x0422, b.Build()), resolution, iptc, AdobeBlock(0x0424, BytesOf(XMPPacketText("image/x-psd")))});
  auto stream = StreamOf(source);
  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SetCameraModel("Model");
  data.SaveToGraphic(*stream);

  stream->SetPosition(0);
  TPSDInfo info;
  std::vector<std::uint16_t> ids;
  std::vector<Bytes> datas;
  for (const auto& block : *ParsePSDHeader(*stream, info)) {
    ids.push_back(block->TypeID());
    datas.emplace_back(block->Data().Bytes().begin(), block->Data().Bytes().end());
  }
  EXPECT_EQ(ids, (std::vector<std::uint16_t>{0x0422, 0x0424, 0x03ED, 0x0404}));
  EXPECT_EQ(datas[3], IPTCObjectName("name"));
  const Bytes result(stream->Bytes().begin(), stream->Bytes().end());
  EXPECT_EQ(Range(result, result.size() - 5, 5), (Bytes{0, 0, 1, 2, 3})) << "layers and image data copied";

  TExifData loaded;
  stream->SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromGraphic(*stream));
  EXPECT_EQ(loaded.CameraModel(), "Model");
  EXPECT_EQ(loaded.GetSection(esGeneral)->Find(ttXMP), nullptr) << "XMP travels as its own resource";
  EXPECT_NE(std::string(loaded.XMPPacket().RawXML()).find("image/x-psd"), std::string::npos);
}

TEST(ExifSaving, TIFFSaverReplacesTheFirstDirectorysMetadata) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  const int interop = b.AddIfd();
  const int page2 = b.AddIfd();
  b.Chain(0, page2);
  b.Short(0, ttImageWidth, 2);
  b.Short(0, ttImageLength, 2);
  b.BlobPointer(0, 0x0111, Bytes{1, 2, 3, 4});
  b.Ascii(0, ttMake, "Maker");
  b.Short(0, ttOrientation, 1);
  b.Long(0, 0x0117, 4);
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, 0x9000, BytesOf("0230"));
  b.Pointer(exif, ttInteropOffset, interop);
  b.Ascii(interop, 0x0001, "R98");
  b.Short(page2, ttImageWidth, 1);
  b.Rational(page2, 0x011A, 72, 1);
  auto stream = StreamOf(b.Build());

  TExifData data;
  ASSERT_TRUE(data.LoadFromGraphic(*stream));
  data.SetOrientation(TTiffOrientation::toRightTop);
  data.SetCameraModel("Model");
  data.GetSection(esGPS)->SetByteValue(ttGPSVersionID, 3, 0);
  data.SaveToGraphic(*stream);

  TExifData loaded;
  stream->SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromGraphic(*stream));
  EXPECT_EQ(loaded.Orientation(), TTiffOrientation::toRightTop);
  EXPECT_EQ(loaded.CameraMake(), "Maker");
  EXPECT_EQ(loaded.CameraModel(), "Model");
  EXPECT_EQ(loaded.GetSection(esDetails)->Count(), 2) << "ExifVersion and the Interop pointer";
  EXPECT_EQ(loaded.GetSection(esInterop)->GetStringValue(0x0001), "R98");
  EXPECT_EQ(loaded.GetSection(esGPS)->Count(), 1);

  // The picture itself and the second page are untouched.
  stream->SetPosition(0);
  const auto parser = ParseTiff(*stream);
  int index = 0;
  for (const auto& directory : parser->GetEnumerator()) {
    std::shared_ptr<ITiffTag> tag;
    if (index == 0) {
      ASSERT_TRUE(directory->FindTag(0x0111, tag));
      std::uint32_t offset = 0;
      std::memcpy(&offset, tag->Data().Memory(), 4);
      const Bytes strip(stream->Bytes().begin() + offset, stream->Bytes().begin() + offset + 4);
      EXPECT_EQ(strip, (Bytes{1, 2, 3, 4}));
      EXPECT_TRUE(directory->FindTag(ttImageWidth, tag));
    } else {
      EXPECT_TRUE(directory->FindTag(0x011A, tag)) << "the second page keeps its resolution";
    }
    ++index;
  }
  EXPECT_EQ(index, 2);
}
