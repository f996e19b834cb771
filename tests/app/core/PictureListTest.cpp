#include "app/core/PictureList.h"
#include "app/core/KeyFields.h"

#include "Tessel/Exif.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

using namespace Fotarium::Core;

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes SmallJpeg(int width = 16, int height = 12) {
  Platform::TBitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap.SetPixel(x, y, Platform::RGB(static_cast<std::uint8_t>(x * 15), static_cast<std::uint8_t>(y * 20), 90));
  return Platform::EncodeBitmapToJPEG(bitmap, 85);
}

// Offset of the first start-of-scan marker: everything before it is header.
std::size_t ScanStart(const TBytes& jpeg) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
      return i;
  return jpeg.size();
}

// The whole-file answer: the decoder parses the headers of the bytes held in memory.
bool WholeFileCheck(const TBytes& bytes) {
  if (bytes.empty())
    return true;
  try {
    (void)Platform::ReadJPEGInfo(bytes);
    return true;
  } catch (const Platform::EInvalidGraphic&) {
    return false;
  }
}

// An application segment inserted right behind SOI.
TBytes WithSegment(const TBytes& jpeg, std::uint8_t marker, std::size_t dataSize) {
  TBytes out(jpeg.begin(), jpeg.begin() + 2);
  out.push_back(0xFF);
  out.push_back(marker);
  out.push_back(static_cast<std::uint8_t>((dataSize + 2) >> 8));
  out.push_back(static_cast<std::uint8_t>(dataSize + 2));
  out.insert(out.end(), dataSize, 0x20);
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::string WriteJpegWithExif(const TTempDir& dir, const std::string& name,
                              const std::function<void(Tessel::Exif::TExifData&)>& fill) {
  const std::string path = dir.File(name);
  WriteFile(path, SmallJpeg());
  Tessel::Exif::TExifData data;
  fill(data);
  data.SaveToGraphic(path);
  return path;
}

} // namespace

TEST(PictureList, JpegCheckAcceptsPicturesAndEmptyFilesOnly) {
  const TTempDir dir;
  const std::string jpeg = dir.File("a.jpg");
  WriteFile(jpeg, SmallJpeg());
  EXPECT_TRUE(IsJpegFile(jpeg));

  const std::string empty = dir.File("empty.jpg");
  WriteFile(empty, std::string_view());
  EXPECT_TRUE(IsJpegFile(empty)) << "an empty file loads nothing and raises nothing";
  EXPECT_EQ(CheckJpegFile(empty).BytesRead, 0U);

  const std::string text = dir.File("notes.jpg");
  WriteFile(text, std::string_view("Einkaufsliste: Brot, Milch\n"));
  EXPECT_FALSE(IsJpegFile(text));

  EXPECT_FALSE(IsJpegFile(dir.Path())) << "a folder";
  EXPECT_FALSE(IsJpegFile(dir.File("missing.jpg")));

  const std::string fifo = dir.File("pipe.jpg");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsJpegFile(fifo)) << "a named pipe must be refused without waiting for a writer";

  const std::string locked = dir.File("locked.jpg");
  WriteFile(locked, SmallJpeg());
  ::chmod(locked.c_str(), 0);
  if (::geteuid() != 0) {
    EXPECT_FALSE(IsJpegFile(locked)) << "an unreadable file";
  }
}

TEST(PictureList, JpegCheckGivesTheWholeFileAnswerForTruncatedAndPaddedFiles) {
  const TTempDir dir;
  const TBytes jpeg = SmallJpeg();
  const std::size_t scan = ScanStart(jpeg);
  ASSERT_LT(scan, jpeg.size());
  const std::string path = dir.File("cut.jpg");
  // Every cut inside the headers and a little into the scan.
  for (std::size_t length = 1; length < std::min(jpeg.size(), scan + 24); ++length) {
    const TBytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(length));
    WriteFile(path, cut);
    EXPECT_EQ(IsJpegFile(path), WholeFileCheck(cut)) << "cut after " << length << " bytes";
  }
  // Cut in the middle of the header: refused; cut in the picture data: the header is intact.
  EXPECT_FALSE(WholeFileCheck(TBytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan / 2))));
  EXPECT_TRUE(WholeFileCheck(TBytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan + 12))));

  // A segment whose length runs past the end of the file, and large skipped segments.
  TBytes overlong = WithSegment(jpeg, 0xE5, 100);
  overlong.resize(30);
  const std::vector<TBytes> variants = {
      overlong,           WithSegment(jpeg, 0xE1, 65000), WithSegment(WithSegment(jpeg, 0xFE, 40000), 0xE2, 65000),
      TBytes{0xFF, 0xD8}, TBytes{0xFF, 0xD8, 0xFF, 0xD9}, TBytes{0x00}};
  for (std::size_t i = 0; i < variants.size(); ++i) {
    WriteFile(path, variants[i]);
    EXPECT_EQ(IsJpegFile(path), WholeFileCheck(variants[i])) << "variant " << i;
  }
}

TEST(PictureList, JpegCheckReadsOnlyTheHeaders) {
  const TTempDir dir;
  const TBytes jpeg = SmallJpeg();
  // 20 MB of picture data that could never be decoded: the header check does not look at it.
  TBytes big(jpeg.begin(), jpeg.end() - 2);
  big.insert(big.end(), std::size_t{20} << 20, 0x55);
  big.push_back(0xFF);
  big.push_back(0xD9);
  const std::string path = dir.File("big.jpg");
  WriteFile(path, big);
  const TJpegFileCheck check = CheckJpegFile(path);
  EXPECT_TRUE(check.IsJpeg);
  EXPECT_LT(check.BytesRead, 64U * 1024) << "read " << check.BytesRead << " of " << big.size() << " bytes";

  // Segments the decoder does not need are skipped, not read.
  const TBytes padded = WithSegment(WithSegment(WithSegment(jpeg, 0xE1, 65000), 0xE2, 65000), 0xED, 65000);
  WriteFile(path, padded);
  const TJpegFileCheck skipped = CheckJpegFile(path);
  EXPECT_TRUE(skipped.IsJpeg);
  EXPECT_LT(skipped.BytesRead, 32U * 1024) << "read " << skipped.BytesRead << " of " << padded.size() << " bytes";
}

TEST(PictureList, CaptureTimeKeyComesFromTheMainDateTime) {
  const TTempDir dir;
  const Platform::TDateTime when = Platform::EncodeDateTime(2024, 5, 6, 7, 8, 9, 0);
  const std::string dated =
      WriteJpegWithExif(dir, "dated.jpg", [&](Tessel::Exif::TExifData& data) { data.SetDateTime(when); });
  const auto key = ReadCaptureTimeKey(dated);
  ASSERT_TRUE(key.has_value());
  EXPECT_DOUBLE_EQ(*key, when);

  const std::string plain = dir.File("plain.jpg");
  WriteFile(plain, SmallJpeg());
  EXPECT_EQ(ReadCaptureTimeKey(plain), NoCaptureTimeKey) << "a JPEG without EXIF is added with the missing key";

  const std::string empty = dir.File("empty.jpg");
  WriteFile(empty, std::string_view());
  EXPECT_EQ(ReadCaptureTimeKey(empty), std::nullopt) << "an empty file is not recognised";

  EXPECT_ANY_THROW((void)ReadCaptureTimeKey(dir.File("gone.jpg")));
}

TEST(PictureList, ListFileSortsEveryOutcomeIntoItsKind) {
  const TTempDir dir;
  const Platform::TDateTime when = Platform::EncodeDateTime(2023, 1, 2, 3, 4, 5, 0);
  const std::string dated =
      WriteJpegWithExif(dir, "dated.jpg", [&](Tessel::Exif::TExifData& data) { data.SetDateTime(when); });
  const TListedFile added = ListFile(dated);
  EXPECT_EQ(added.Kind, TListedFile::TKind::Added);
  EXPECT_EQ(added.Path, dated);
  EXPECT_DOUBLE_EQ(added.Key, when);
  EXPECT_TRUE(added.Error.empty());

  const std::string text = dir.File("text.jpg");
  WriteFile(text, std::string_view("kein Bild"));
  EXPECT_EQ(ListFile(text).Kind, TListedFile::TKind::NotJpeg);
  EXPECT_EQ(NotJpegMessage(text), text + " ist keine JPG-Datei!");
  EXPECT_EQ(ListFile(dir.File("gone.jpg")).Kind, TListedFile::TKind::NotJpeg);
  // Only regular files are opened for reading; a pipe must not wait for a writer.
  const std::string fifo = dir.File("pipe.jpg");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ListFile(fifo).Kind, TListedFile::TKind::NotJpeg);
  const std::string folder = dir.File("folder.jpg");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  EXPECT_EQ(ListFile(folder).Kind, TListedFile::TKind::NotJpeg);

  const std::string empty = dir.File("empty.jpg");
  WriteFile(empty, std::string_view());
  EXPECT_EQ(ListFile(empty).Kind, TListedFile::TKind::NotRecognised);

  // Names that are no valid UTF-8 are passed on byte for byte.
  const std::string odd = dir.File("K\xE4se.jpg");
  WriteFile(odd, SmallJpeg());
  const TListedFile oddListed = ListFile(odd);
  EXPECT_EQ(oddListed.Kind, TListedFile::TKind::Added);
  EXPECT_EQ(oddListed.Path, odd);
  EXPECT_EQ(oddListed.Key, NoCaptureTimeKey);
}

TEST(PictureList, CaptureTimeOrderPutsMissingKeysFirst) {
  EXPECT_EQ(CompareCaptureTimes(NoCaptureTimeKey, 45000.5), -1);
  EXPECT_EQ(CompareCaptureTimes(45000.5, NoCaptureTimeKey), 1);
  EXPECT_EQ(CompareCaptureTimes(NoCaptureTimeKey, NoCaptureTimeKey), 0);
  EXPECT_EQ(CompareCaptureTimes(45000.25, 45000.75), -1);
  EXPECT_EQ(CompareCaptureTimes(-1.5, -1.5), 0);

  std::vector<TPictureEntry> entries = {
      {"/p/c.jpg", 45002.0},      {"/p/a.jpg", NoCaptureTimeKey}, {"/p/d.jpg", 45001.5},
      {"/p/b.jpg", std::nan("")}, {"/p/e.jpg", NoCaptureTimeKey}, {"/p/f.jpg", 10.0},
  };
  SortByCaptureTime(entries);
  ASSERT_EQ(entries.size(), 6U);
  EXPECT_TRUE(std::isnan(entries[0].CaptureTimeKey)) << "a key that is no number counts as the lowest";
  EXPECT_EQ(entries[1].CaptureTimeKey, NoCaptureTimeKey);
  EXPECT_EQ(entries[2].CaptureTimeKey, NoCaptureTimeKey);
  EXPECT_EQ(entries[3].Text, "/p/f.jpg");
  EXPECT_EQ(entries[4].Text, "/p/d.jpg");
  EXPECT_EQ(entries[5].Text, "/p/c.jpg");

  // Many equal and interleaved keys: the result is ordered and keeps every entry with its key.
  std::vector<TPictureEntry> many;
  for (int i = 0; i < 500; ++i)
    many.push_back({std::to_string(i), i % 7 == 0 ? NoCaptureTimeKey : static_cast<double>((i * 37) % 11)});
  SortByCaptureTime(many);
  for (std::size_t i = 1; i < many.size(); ++i)
    EXPECT_LE(CompareCaptureTimes(many[i - 1].CaptureTimeKey, many[i].CaptureTimeKey), 0) << i;
  for (const TPictureEntry& entry : many) {
    const int i = std::stoi(entry.Text);
    EXPECT_EQ(entry.CaptureTimeKey, i % 7 == 0 ? NoCaptureTimeKey : static_cast<double>((i * 37) % 11));
  }
}

TEST(PictureList, NameOrderIsByteOrderOfThePaths) {
  EXPECT_TRUE(PathTextLess("/b/Z.jpg", "/b/a.jpg")) << "capitals sort before small letters";
  EXPECT_TRUE(PathTextLess("/b/z.jpg", "/b/\xC3\xA4.jpg")) << "bytes above 0x7F sort after ASCII";
  EXPECT_TRUE(PathTextLess("/b/a", "/b/a.jpg"));
  EXPECT_FALSE(PathTextLess("/b/a.jpg", "/b/a.jpg"));

  std::vector<TPictureEntry> entries = {{"/x/b.jpg", 1.0}, {"/x/a.jpg", 2.0}, {"/x/b.jpg", 3.0}, {"/x/C.jpg", 4.0}};
  SortByName(entries);
  ASSERT_EQ(entries.size(), 4U);
  EXPECT_EQ(entries[0].Text, "/x/C.jpg");
  EXPECT_EQ(entries[1].Text, "/x/a.jpg");
  EXPECT_EQ(entries[1].CaptureTimeKey, 2.0) << "keys travel with their entries";
  EXPECT_EQ(entries[2].CaptureTimeKey, 1.0) << "equal names keep their order";
  EXPECT_EQ(entries[3].CaptureTimeKey, 3.0);

  EXPECT_EQ(SortedInsertIndex(entries, "/x/b.jpg"), 4U) << "behind the equal names";
  EXPECT_EQ(SortedInsertIndex(entries, "/x/a.jpg"), 2U);
  EXPECT_EQ(SortedInsertIndex(entries, "/a.jpg"), 0U);
  EXPECT_EQ(SortedInsertIndex({}, "/a.jpg"), 0U);
}

// Every corpus file, hostile ones included: the streamed check agrees with the whole-file
// check, listing never throws, and the grid rows of every listed picture can be made.
TEST(PictureListCorpus, EveryFileListsWithoutFault) {
  const std::vector<std::string> files = CorpusFiles({".jpg", ".jpeg", ".tif", ".tiff", ".psd"});
  if (files.empty())
    GTEST_SKIP() << "no corpus";
  int added = 0;
  for (const std::string& path : files) {
    const TBytes bytes = ReadFile(path);
    EXPECT_EQ(IsJpegFile(path), WholeFileCheck(bytes)) << path;
    const TListedFile listed = ListFile(path);
    EXPECT_EQ(listed.Path, path);
    if (listed.Kind == TListedFile::TKind::Failed) {
      EXPECT_FALSE(listed.Error.empty()) << path;
    }
    if (listed.Kind != TListedFile::TKind::Added)
      continue;
    ++added;
    Tessel::Exif::TExifData data;
    try {
      data.LoadFromGraphic(path);
      const TKeyFieldRows rows = KeyFieldRows(data, Platform::TFormatSettings::German());
      EXPECT_EQ(rows[0].first, "Beschreibung:") << path;
      EXPECT_FALSE(rows[3].second.empty()) << path;
    } catch (const Platform::Exception& error) {
      ADD_FAILURE() << path << ": listed, but loading again raised " << error.what();
    }
  }
  EXPECT_GT(added, 0);
}
