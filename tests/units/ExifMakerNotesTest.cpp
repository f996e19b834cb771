// Maker notes: detection order, the layouts' byte orders and offset origins, the
// byte-order retry, the fallbacks, lazy parsing and the registry.

#include "ExifContainerFixtures.h"

#include "Tessel/Exif.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using enum TExifSectionKind;

namespace {

using TNoteMaker = std::function<Bytes(std::int64_t makerNoteOffset)>;

// An EXIF block with Make, Model and a MakerNote; the maker note is built knowing where
// its data lands in the block (for offsets that count from the block's header).
Bytes ExifWithMakerNote(bool big, std::string_view make, std::string_view model, const TNoteMaker& note,
                        std::int32_t offsetSchema = 0) {
  TExifBuilder b(big);
  const int exif = b.AddIfd();
  if (!make.empty())
    b.Ascii(0, ttMake, make);
  if (!model.empty())
    b.Ascii(0, ttModel, model);
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttMakerNote, note(0));
  if (offsetSchema != 0)
    b.Raw(exif, ttOffsetSchema, 9, 1, b.U32(static_cast<std::uint32_t>(offsetSchema)));
  (void)b.Build();
  b.SetValue(exif, ttMakerNote, note(b.DataOffset(exif, ttMakerNote)));
  return b.Build();
}

// Three short values and, when asked, a text that does not fit into its entry.
TMakerNoteBuilder Directory(bool big, bool withText = false) {
  TMakerNoteBuilder note(big);
  note.Short(1, 0x0101);
  note.Short(2, 0x0202);
  note.Short(3, 0x0303);
  if (withText)
    note.Ascii(6, "Out-of-line text");
  return note;
}

void Load(TExifData& data, const Bytes& tiff) { data.LoadFromStream(*StreamOf(tiff)); }

std::string ClassOf(TExifData& data) { return std::string(data.MakerNoteType()->Name); }

// Every test leaves the process-wide registry as it found it.
class ExifMakerNotes : public ::testing::Test {
protected:
  void SetUp() override { FSaved = TCustomExifData::RegisteredMakerNoteTypes(); }
  void TearDown() override {
    for (auto cls : TCustomExifData::RegisteredMakerNoteTypes())
      TCustomExifData::UnregisterMakerNoteType(cls);
    TCustomExifData::RegisterMakerNoteTypes(FSaved, TCustomExifData::TMakerNoteTypePriority::mtTestForFirst);
  }

private:
  std::vector<TExifMakerNoteClass> FSaved;
};

Bytes NikonType3Header(bool motorola) {
  return BytesOf(std::string_view("Nikon\0\2\x10\0\0", 10)) +
         (motorola ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 8} : Bytes{'I', 'I', 42, 0, 8, 0, 0, 0});
}

} // namespace

TEST_F(ExifMakerNotes, DefaultRegistryAndDetectionOrder) {
  EXPECT_EQ(TCustomExifData::RegisteredMakerNoteTypes(),
            (std::vector<TExifMakerNoteClass>{TNikonType2MakerNote::Class(), TCanonMakerNote::Class(),
                                              TPentaxMakerNote::Class(), TSonyMakerNote::Class(),
                                              TNikonType1MakerNote::Class(), TNikonType3MakerNote::Class(),
                                              TPanasonicMakerNote::Class()}));
  TExifData data;
  const auto headerless = [](std::int64_t) { return Directory(false).Build({}, 0); };
  Load(data, ExifWithMakerNote(false, "NIKON CORPORATION", "", headerless));
  EXPECT_EQ(ClassOf(data), "NikonType2");
  // A signature wins over the make: the signed layouts are tried before the make tests.
  Load(data, ExifWithMakerNote(false, "NIKON CORPORATION", "",
                               [](std::int64_t) { return Directory(true).Build(NikonType3Header(true), 10); }));
  EXPECT_EQ(ClassOf(data), "NikonType3");
  Load(data, ExifWithMakerNote(false, "Canon", "", [](std::int64_t) {
         return Directory(false).Build(BytesOf(std::string_view("Panasonic\0\0\0", 12)), 0);
       }));
  EXPECT_EQ(ClassOf(data), "Panasonic");
  // The count must exceed the header: a bare Panasonic signature is read headerless.
  Load(data, ExifWithMakerNote(false, "Panasonic", "",
                               [](std::int64_t) { return BytesOf(std::string_view("Panasonic\0\0\0", 12)); }));
  EXPECT_EQ(ClassOf(data), "Headerless");
  // Canon means exactly "Canon".
  Load(data, ExifWithMakerNote(false, "Canon Inc.", "", headerless));
  EXPECT_EQ(ClassOf(data), "Headerless");
  // No MakerNote tag: nothing is recognised.
  Load(data, ExifWithMakerNote(false, "Canon", "", [](std::int64_t) { return Bytes{}; }));
  EXPECT_FALSE(data.HasMakerNote());
  TExifData none;
  none.LoadFromStream(*StreamOf(TExifBuilder().Build()));
  EXPECT_EQ(none.MakerNoteType(), TUnrecognizedMakerNote::Class());
}

TEST_F(ExifMakerNotes, ParsedLazilyWithoutAChange) {
  TExifData data;
  int changes = 0;
  data.SetOnChange([&changes](TCustomExifData&) { ++changes; });
  Load(data, ExifWithMakerNote(false, "Canon", "",
                               [](std::int64_t offset) { return Directory(false, true).Build({}, -offset); }));
  ASSERT_EQ(data.MakerNoteType(), TCanonMakerNote::Class());
  EXPECT_EQ(data.OwnedSection(esMakerNote)->Count(), 0) << "loading only picks the class";

  auto* section = data.Sections(esMakerNote);
  EXPECT_EQ(section->Count(), 4);
  EXPECT_EQ(section->GetStringValue(6), "Out-of-line text") << "offsets count from the Exif block's header";
  EXPECT_EQ(&data.MakerNote().Tags(), section);
  EXPECT_EQ(data.MakerNote().ClassType(), TCanonMakerNote::Class());
  EXPECT_EQ(data.MakerNote().DataOffsetsType(), TExifDataOffsetsType::doFromExifStart);
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(data.Modified());

  // A change pending inside a bracket survives the parse.
  Load(data, ExifWithMakerNote(false, "Canon", "", [](std::int64_t) { return Directory(false).Build({}, 0); }));
  data.BeginUpdate();
  data.Sections(esGeneral)->SetWordValue(ttOrientation, 0, 1);
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 3);
  data.EndUpdate();
  EXPECT_EQ(changes, 1);

  // Editing the MakerNote tag forgets the class and the parsed note.
  data.Sections(esDetails)->Find(ttMakerNote)->SetAsString("00");
  EXPECT_EQ(data.MakerNoteType(), TUnrecognizedMakerNote::Class());
  EXPECT_EQ(data.MakerNote().ClassType(), TUnrecognizedMakerNote::Class());
}

TEST_F(ExifMakerNotes, ByteOrderRules) {
  TExifData data;
  // Canon is little-endian whatever the EXIF block says.
  Load(data, ExifWithMakerNote(true, "Canon", "", [](std::int64_t) { return Directory(false).Build({}, 0); }));
  EXPECT_EQ(data.Sections(esMakerNote)->GetWordValue(2, 0, 0), 0x0202);
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::SmallEndian);

  // Headerless reads in the EXIF byte order first.
  Load(data, ExifWithMakerNote(true, "Canon Inc.", "", [](std::int64_t) { return Directory(true).Build({}, 0); }));
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::BigEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 3);

  // Nikon type 3 follows its embedded header, with offsets from that header.
  for (const bool motorola : {false, true}) {
    Load(data, ExifWithMakerNote(!motorola, "NIKON", "", [motorola](std::int64_t) {
           auto note = Directory(motorola, true);
           note.Rational(10, 3, 2);
           return note.Build(NikonType3Header(motorola), 10);
         }));
    ASSERT_EQ(data.MakerNoteType(), TNikonType3MakerNote::Class());
    auto& nikon = dynamic_cast<TNikonType3MakerNote&>(data.MakerNote());
    EXPECT_EQ(nikon.Endianness(), motorola ? TEndianness::BigEndian : TEndianness::SmallEndian);
    EXPECT_EQ(nikon.DataOffsetsType(), TExifDataOffsetsType::doFromIFDStart);
    EXPECT_EQ(nikon.Tags().GetStringValue(6), "Out-of-line text");
    EXPECT_EQ(nikon.ColorMode(), "771") << "tag 3 as text";
    EXPECT_EQ(nikon.MiscRatio(), TTiffLongWordFraction(3, 2));
    EXPECT_EQ(nikon.Quality(), "") << "absent tag";
    EXPECT_TRUE(nikon.DigitalZoom().MissingOrInvalid());
  }

  // Sony: big-endian only for the DSLR-A100.
  const auto sony = [](bool big) {
    return [big](std::int64_t offset) {
      return Directory(big, true).Build(BytesOf(std::string_view("SONY DSC \0\0\0", 12)), -offset);
    };
  };
  Load(data, ExifWithMakerNote(true, "SONY", "DSLR-A100", sony(true)));
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::BigEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->GetStringValue(6), "Out-of-line text");
  Load(data, ExifWithMakerNote(true, "SONY", "DSLR-A700", sony(false)));
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::SmallEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 4);

  // Headers of 4 and 8 bytes.
  Load(data, ExifWithMakerNote(false, "PENTAX", "", [](std::int64_t) {
         return Directory(false).Build(BytesOf(std::string_view("AOC\0", 4)), 0);
       }));
  EXPECT_EQ(ClassOf(data), "Pentax");
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 3);
  Load(data, ExifWithMakerNote(false, "Nikon", "", [](std::int64_t) {
         return Directory(false).Build(BytesOf(std::string_view("Nikon\0\1\0", 8)), 0);
       }));
  EXPECT_EQ(ClassOf(data), "NikonType1");
  EXPECT_EQ(data.Sections(esMakerNote)->GetWordValue(3, 0, 0), 0x0303);
}

TEST_F(ExifMakerNotes, OffsetSchemaShiftsValueOffsets) {
  // A maker note whose offsets were written for a position 100 bytes further on.
  TExifData data;
  Load(data, ExifWithMakerNote(
                 false, "Canon", "",
                 [](std::int64_t offset) { return Directory(false, true).Build({}, -(offset + 100)); }, -100));
  EXPECT_EQ(data.Sections(esMakerNote)->GetStringValue(6), "Out-of-line text");
}

TEST_F(ExifMakerNotes, RetryAndFallbacks) {
  TExifData data;
  // A little-endian note in a big-endian block, read headerless: the retry finds it.
  Load(data, ExifWithMakerNote(true, "Maker", "", [](std::int64_t) { return Directory(false).Build({}, 0); }));
  ASSERT_EQ(ClassOf(data), "Headerless");
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 3);
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::SmallEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->GetWordValue(1, 0, 0), 0x0101);

  // Nothing readable in either byte order: the headerless note gives way.
  Load(data, ExifWithMakerNote(false, "Maker", "", [](std::int64_t) { return Bytes(40, 0xFF); }));
  EXPECT_EQ(data.MakerNote().ClassType(), TUnrecognizedMakerNote::Class());
  EXPECT_EQ(data.MakerNoteType(), TUnrecognizedMakerNote::Class());
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 0);
  EXPECT_EQ(data.Sections(esMakerNote)->LoadErrors(), TMetadataLoadErrors{TMetadataLoadError::leBadOffset});

  // A recognised class whose directory is unreadable stays that class, with no tags.
  Load(data, ExifWithMakerNote(false, "Canon", "", [](std::int64_t) { return Bytes(40, 0xFF); }));
  EXPECT_EQ(data.MakerNote().ClassType(), TCanonMakerNote::Class());
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 0);

  // A class that no longer fits its tag refuses to be built.
  Load(data, ExifWithMakerNote(false, "Canon", "", [](std::int64_t) { return Directory(false).Build({}, 0); }));
  data.Sections(esGeneral)->SetStringValue(ttMake, "Other");
  EXPECT_THROW((void)data.MakerNote(), EInvalidMakerNoteFormat);
}

TEST_F(ExifMakerNotes, RegistryPriorities) {
  using enum TCustomExifData::TMakerNoteTypePriority;
  TCustomExifData::RegisterMakerNoteType(TCanonMakerNote::Class(), mtTestForFirst);
  auto list = TCustomExifData::RegisteredMakerNoteTypes();
  EXPECT_EQ(list.size(), 7U) << "registering again leaves one entry";
  EXPECT_EQ(list.back(), TCanonMakerNote::Class());

  // Canon tested first now takes a Panasonic-signed note of a Canon file.
  TExifData data;
  const auto panasonic = [](std::int64_t) {
    return Directory(false).Build(BytesOf(std::string_view("Panasonic\0\0\0", 12)), 0);
  };
  Load(data, ExifWithMakerNote(false, "Canon", "", panasonic));
  EXPECT_EQ(ClassOf(data), "Canon");

  TCustomExifData::RegisterMakerNoteType(TCanonMakerNote::Class(), mtTestForLast);
  EXPECT_EQ(TCustomExifData::RegisteredMakerNoteTypes().front(), TCanonMakerNote::Class());
  Load(data, ExifWithMakerNote(false, "Canon", "", panasonic));
  EXPECT_EQ(ClassOf(data), "Panasonic");

  // With several classes and mtTestForFirst the last of the array is tried first.
  TCustomExifData::RegisterMakerNoteTypes({TSonyMakerNote::Class(), TPentaxMakerNote::Class()}, mtTestForFirst);
  list = TCustomExifData::RegisteredMakerNoteTypes();
  EXPECT_EQ(list[list.size() - 2], TSonyMakerNote::Class());
  EXPECT_EQ(list.back(), TPentaxMakerNote::Class());

  TCustomExifData::RegisterMakerNoteType(nullptr, mtTestForFirst);
  EXPECT_EQ(TCustomExifData::RegisteredMakerNoteTypes().size(), 7U);

  // Without Nikon type 2 a NIKON file falls back to the headerless reading.
  TCustomExifData::UnregisterMakerNoteType(TNikonType2MakerNote::Class());
  Load(data, ExifWithMakerNote(false, "NIKON", "", [](std::int64_t) { return Directory(false).Build({}, 0); }));
  EXPECT_EQ(ClassOf(data), "Headerless");
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 3);
  TCustomExifData::UnregisterMakerNoteType(TNikonType2MakerNote::Class());
  EXPECT_EQ(TCustomExifData::RegisteredMakerNoteTypes().size(), 6U);

  EXPECT_TRUE(TCanonMakerNote::Class()->InheritsFrom(THeaderlessMakerNote::Class()));
  EXPECT_FALSE(TSonyMakerNote::Class()->InheritsFrom(THeaderlessMakerNote::Class()));
  EXPECT_TRUE(TSonyMakerNote::Class()->InheritsFrom(TExifMakerNote::Class()));
}

TEST_F(ExifMakerNotes, PublicFormatTestWantsUndefinedData) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Raw(exif, ttMakerNote, TExifBuilder::BYTE, 16, BytesOf(std::string_view("AOC\0\0\0\0\0\0\0\0\0\0\0\0\0", 16)));
  TExifData data;
  Load(data, b.Build());
  EXPECT_EQ(data.MakerNoteType(), THeaderlessMakerNote::Class()) << "BYTE data is not a signed layout";
  EXPECT_FALSE(data.HasMakerNote());
}

TEST_F(ExifMakerNotes, PentaxByteOrderMarkMovesTheDirectory) {
  TExifData data;
  // "AOC", NUL, a byte-order mark, then the directory in that order whatever the EXIF
  // block's; value offsets still count from the EXIF block's header.
  for (const bool motorola : {false, true}) {
    Load(data, ExifWithMakerNote(!motorola, "PENTAX Corporation", "", [motorola](std::int64_t offset) {
           const Bytes header = BytesOf(std::string_view(motorola ? "AOC\0MM" : "AOC\0II", 6));
           return Directory(motorola, true).Build(header, -offset);
         }));
    ASSERT_EQ(ClassOf(data), "Pentax");
    auto& note = data.MakerNote();
    EXPECT_EQ(note.Endianness(), motorola ? TEndianness::BigEndian : TEndianness::SmallEndian);
    EXPECT_EQ(note.DataOffsetsType(), TExifDataOffsetsType::doFromExifStart);
    EXPECT_EQ(note.Tags().Count(), 4);
    EXPECT_EQ(note.Tags().GetWordValue(2, 0, 0), 0x0202);
    EXPECT_EQ(note.Tags().GetStringValue(6), "Out-of-line text");
    EXPECT_TRUE(note.Tags().LoadErrors().Empty());
  }

  // A mark that names the wrong order is corrected by the byte-order retry.
  Load(data, ExifWithMakerNote(true, "PENTAX", "", [](std::int64_t offset) {
         return Directory(false, true).Build(BytesOf(std::string_view("AOC\0MM", 6)), -offset);
       }));
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::SmallEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->GetStringValue(6), "Out-of-line text");

  // Without a mark the directory follows the NUL in the EXIF byte order, as before.
  Load(data, ExifWithMakerNote(true, "PENTAX", "", [](std::int64_t offset) {
         return Directory(true, true).Build(BytesOf(std::string_view("AOC\0", 4)), -offset);
       }));
  EXPECT_EQ(data.MakerNote().Endianness(), TEndianness::BigEndian);
  EXPECT_EQ(data.Sections(esMakerNote)->Count(), 4);

  // A signature and a mark with nothing behind them is no Pentax note.
  Load(data,
       ExifWithMakerNote(false, "PENTAX", "", [](std::int64_t) { return BytesOf(std::string_view("AOC\0MM", 6)); }));
  EXPECT_NE(ClassOf(data), "Pentax");
}
