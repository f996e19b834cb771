// The rows of the full EXIF list for every corpus picture, hostile ones included: no
// crash, no sanitizer report, only the library's and the platform's own exceptions,
// and rows of the list's shape (headers flush left, values indented, valid UTF-8).

#include "app/core/ExifListRows.h"
#include "app/core/IniFile.h"

#include "Tessel/Exif.h"

#include "platform/Strings.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Fotarium::Core::TExifListRows;

std::vector<std::string> ListedFiles() { return CorpusFiles({".jpg", ".jpeg", ".tif", ".tiff", ".psd"}); }

// Every maker-note class of the registry with a tag group and a translated value, so
// that the map's paths run over real maker notes too.
const Fotarium::Core::IniFile& Map() {
  static const auto map = [] {
    std::string text;
    for (auto cls : Tessel::Exif::TCustomExifData::RegisteredMakerNoteTypes()) {
      const std::string name(cls->ClassName);
      text += "[" + name + ".$0001]\nTreatAsTagGroup=1\nTagDescription=Group one\n";
      text += "[" + name + ".$0001(0)]\n0=Zero\n";
      text += "[" + name + ".$0002]\nTagDescription=Tag two\n";
    }
    return Fotarium::Core::IniFile::FromText(text);
  }();
  return map;
}

void ExpectListShape(const TExifListRows& rows) {
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    EXPECT_EQ(row.HasValue, row.Caption.starts_with("   ")) << row.Caption;
    EXPECT_TRUE(Platform::IsValidUTF8(row.Caption)) << row.Caption;
    EXPECT_TRUE(Platform::IsValidUTF8(row.Value)) << row.Caption;
    if (!row.HasValue) {
      EXPECT_TRUE(row.Value.empty()) << row.Caption;
    }
  }
}

class ExifListRowsCorpus : public testing::TestWithParam<std::string> {};

std::string TestName(const testing::TestParamInfo<std::string>& info) { return CorpusCaseName(info.param, info.index); }

} // namespace

TEST_P(ExifListRowsCorpus, RowsOfFileAndOfLoadedData) {
  try {
    for (const Fotarium::Core::IniFile* map : {static_cast<const Fotarium::Core::IniFile*>(nullptr), &Map()}) {
      const auto list = Fotarium::Core::LoadFromFileRows(GetParam(), map);
      ExpectListShape(list.Rows);
      EXPECT_TRUE(list.DateTime == -700000.0 || list.DateTime >= -693593.0) << list.DateTime;
    }
    Tessel::Exif::TExifData data;
    if (data.LoadFromGraphic(GetParam())) {
      const TExifListRows rows = Fotarium::Core::FillRows(data);
      ExpectListShape(rows);
      // Listing reads; it leaves the data as loaded.
      EXPECT_FALSE(data.Modified());
      EXPECT_EQ(rows.front().Caption, data.Empty() ? "No Exif metadata found" : "General");
    }
  } catch (const Platform::Exception& e) {
    // Unreadable files end with the library's or the platform's own message.
    EXPECT_FALSE(std::string(e.what()).empty());
  } catch (const std::exception& e) {
    FAIL() << "unexpected exception: " << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ExifListRowsCorpus, testing::ValuesIn(ListedFiles()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ExifListRowsCorpus);

TEST(ExifListRowsCorpusPresent, GPSAndThumbnailRowsOfRealPictures) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "sample corpus not found";
  int withGPS = 0;
  int withThumbnail = 0;
  for (const auto& file : CorpusFiles({".jpg", ".jpeg"})) {
    Tessel::Exif::TExifData data;
    try {
      if (!data.LoadFromGraphic(file))
        continue;
    } catch (const Platform::Exception&) {
      continue;
    }
    const TExifListRows rows = Fotarium::Core::FillRows(data);
    const auto has = [&](std::string_view caption) {
      return std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return row.Caption == caption; });
    };
    const auto* gps = data.OwnedSection(Tessel::Exif::TExifSectionKind::esGPS);
    // The header appears exactly for GPS sections with tags or load errors.
    EXPECT_EQ(has("GPS sub-IFD"), gps->Count() > 0 || !gps->LoadErrors().Empty()) << file;
    withGPS += has("GPS sub-IFD") ? 1 : 0;
    withThumbnail += data.HasThumbnail() && has("Thumbnail IFD") ? 1 : 0;
  }
  EXPECT_GT(withGPS, 0);
  EXPECT_GT(withThumbnail, 0);
}
