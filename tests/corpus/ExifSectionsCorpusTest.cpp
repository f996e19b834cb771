// The EXIF blocks of the sample pictures, loaded into sections: nothing may crash, every
// section written back as a TIFF directory must parse to the same tags, and the text form
// of every lossless tag must read back to the same bytes.

#include "support/TestSupport.h"
#include "units/ExifSectionsFixtures.h"

#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using namespace ExifFixtures;
using enum TTiffDataType;

namespace {

// Loads the first Exif APP1 of a JPEG, or a whole TIFF file; false when there is none.
bool LoadFile(const std::string& fileName, TFakeOwner& owner, TEndianness& endianness) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  if (HasJPEGHeader(stream)) {
    for (auto segment : *JPEGHeader(stream, {jmApp1})) {
      if (!segment->IsExifBlock(true))
        continue;
      segment->Data().SetPosition(0);
      endianness = LoadExifBlock(owner, segment->Data(), false);
      return true;
    }
    return false;
  }
  TEndianness ignored{};
  if (!TryReadTiffHeader(stream, ignored, false))
    return false;
  endianness = LoadExifBlock(owner, stream, true);
  return true;
}

std::vector<std::uint8_t> BytesOf(const TExifTag& tag) { return {tag.DataPtr(), tag.DataPtr() + tag.DataSize()}; }

// Whether the tag's text carries all of its data: rationals without a zero denominator
// (n/0 reads as an empty text), every integer and byte type; floats are compared by value.
bool TextIsLossless(const TExifTag& tag) {
  switch (tag.DataType()) {
  case tdByte: return !tag.HasWindowsStringData();
  case tdWord:
  case tdLongWord:
  case tdShortInt:
  case tdSmallInt:
  case tdLongInt:
  case tdSubDirectory:
  case tdUndefined: return true;
  case tdLongWordFraction:
  case tdLongIntFraction:
    for (int i = 0; i < tag.ElementCount(); ++i)
      if (tag.ReadFraction(i, {}).Denominator == 0)
        return false;
    return true;
  default: return false;
  }
}

void CheckSection(const std::string& fileName, const TExifSection& section, TEndianness endianness) {
  SCOPED_TRACE(fileName + ", section " + std::to_string(static_cast<int>(section.Kind())));
  TTiffTagID previous = 0;
  for (auto* tag : section) {
    EXPECT_GE(tag->ID(), previous) << "tags are sorted";
    previous = tag->ID();
    EXPECT_EQ(tag->Data().Size(), tag->DataSize());
    (void)tag->AsString();
  }

  // Written out and parsed again: the same tags with the same bytes.
  TFakeOwner copy;
  auto& reloaded = copy.Section(section.Kind());
  LoadFirstDirectory(reloaded, WriteSectionAsTiff(section, endianness));
  ASSERT_EQ(reloaded.Count(), section.Count());
  // A tag of a type this library does not know goes out as it came and is flagged again.
  bool unknownTypes = false;
  for (const auto* tag : section)
    unknownTypes = unknownTypes || !IsValidTiffDataType(tag->DataType());
  if (unknownTypes)
    EXPECT_FALSE(reloaded.LoadErrors().Contains(TMetadataLoadError::leBadOffset));
  else
    EXPECT_TRUE(reloaded.LoadErrors().Empty());
  for (int i = 0; i < section.Count(); ++i) {
    const auto* original = section.TagAt(i);
    const auto* back = reloaded.TagAt(i);
    EXPECT_EQ(back->ID(), original->ID());
    EXPECT_EQ(back->DataType(), original->DataType());
    EXPECT_EQ(back->ElementCount(), original->ElementCount());
    EXPECT_EQ(BytesOf(*back), BytesOf(*original)) << "tag " << original->ID();
  }

  // Text form read back through SetAsString.
  TExtendableExifSection scratch(nullptr, section.Kind());
  for (auto* tag : section) {
    if (!TextIsLossless(*tag) && tag->DataType() != tdSingle && tag->DataType() != tdDouble)
      continue;
    auto* target = scratch.AddOrUpdate(tag->ID(), tag->DataType(), tag->ElementCount(), tag->DataPtr());
    const auto text = tag->AsString();
    target->SetAsString(text);
    if (TextIsLossless(*tag)) {
      EXPECT_EQ(BytesOf(*target), BytesOf(*tag)) << "tag " << tag->ID() << " text " << text.substr(0, 80);
      continue;
    }
    ASSERT_EQ(target->ElementCount(), tag->ElementCount()) << "tag " << tag->ID() << " text " << text;
    for (int i = 0; i < tag->ElementCount(); ++i) {
      double a = 0, b = 0;
      if (tag->DataType() == tdSingle) {
        float fa = 0, fb = 0;
        std::memcpy(&fa, tag->DataPtr() + 4 * i, 4);
        std::memcpy(&fb, target->DataPtr() + 4 * i, 4);
        a = fa;
        b = fb;
      } else {
        std::memcpy(&a, tag->DataPtr() + 8 * i, 8);
        std::memcpy(&b, target->DataPtr() + 8 * i, 8);
      }
      if (std::isfinite(a)) {
        EXPECT_EQ(a, b) << "tag " << tag->ID() << " text " << text;
      }
    }
    target->Delete();
  }
}

} // namespace

TEST(ExifSectionsCorpus, EveryExifBlockLoadsAndWritesBack) {
  const auto files = CorpusFiles({".jpg", ".jpeg", ".tif", ".tiff"});
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found in " << FOTARIUM_CORPUS_DIR;
  // German settings: the decimal comma makes the list texts of float tags the hard case.
  const auto saved = Platform::FormatSettings();
  Platform::SetFormatSettings(Platform::TFormatSettings::German());
  int withExif = 0;
  for (const auto& fileName : files) {
    TFakeOwner owner;
    TEndianness endianness{};
    try {
      if (!LoadFile(fileName, owner, endianness))
        continue;
    } catch (const Platform::Exception&) {
      continue; // a header too damaged to walk: reported by the JPEG and TIFF units' own tests
    }
    ++withExif;
    for (auto kind : ExifSectionKinds)
      CheckSection(fileName, owner.Section(kind), endianness);
  }
  Platform::SetFormatSettings(saved);
  EXPECT_GT(withExif, 100) << "most samples carry EXIF data";
}
