// IPTC data of the sample pictures: what is found, and that saving changes nothing else.

#include "Tessel/Exif/IPTC.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A dataset as "record:dataset=value", the value as stored (numbers for integer datasets).
std::vector<std::string> Datasets(const TIPTCData& data) {
  std::vector<std::string> result;
  for (const auto* section : data)
    for (const auto* tag : *section) {
      const auto integer = IsIPTCIntegerDataset(section->ID(), tag->ID());
      result.push_back(std::to_string(section->ID()) + ":" + std::to_string(tag->ID()) + "=" +
                       (integer ? tag->AsString() : tag->ReadUTF8String()));
    }
  return result;
}

std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  stream->WriteBuffer(bytes);
  stream->SetPosition(0);
  return stream;
}

Bytes BytesOf(const Platform::TCustomMemoryStream& stream) { return {stream.Bytes().begin(), stream.Bytes().end()}; }

std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Every resource block of the Photoshop APP13 segments of a JPEG, the segments' lists
// joined (a resource may go on from one segment into the next), as saved bytes.
std::vector<Bytes> PhotoshopResources(const Bytes& file, bool withIPTC) {
  Platform::TMemoryStream joined;
  auto stream = StreamOf(file);
  for (const auto& segment : JPEGHeader(*stream, TJPEGMarkers{jmApp13})) {
    if (!segment->IsAdobeApp13())
      continue;
    const auto data = segment->Data().Bytes();
    const auto header = data[0] == 'P' ? PhotoshopApp13Header.size() : OldPhotoshopApp13Header.size();
    joined.WriteBuffer(data.subspan(header));
  }
  joined.SetPosition(0);
  std::vector<Bytes> result;
  TAdobeResBlockEnumerator blocks(&joined, TStreamOwnership::soReference);
  while (blocks.MoveNext() && blocks.Current()->LoadedCleanly()) {
    if (!withIPTC && blocks.Current()->IsIPTCBlock(true))
      continue;
    Platform::TMemoryStream saved;
    blocks.Current()->SaveToStream(saved);
    result.push_back(BytesOf(saved));
  }
  return result;
}

// The JPEG without its APP13 segments: everything saving IPTC must leave alone.
Bytes WithoutApp13(const Bytes& file) {
  auto in = StreamOf(file);
  Platform::TMemoryStream out;
  RemoveJPEGSegments(*in, out, TJPEGMarkers{jmApp13});
  return BytesOf(out);
}

// The resources of a PSD without IPTC, and the bytes behind its resource section.
std::pair<std::vector<Bytes>, Bytes> PSDParts(const Bytes& file) {
  auto stream = StreamOf(file);
  TPSDInfo info;
  std::vector<Bytes> resources;
  for (const auto& block : ParsePSDHeader(*stream, info))
    if (!block->IsIPTCBlock(true)) {
      Platform::TMemoryStream saved;
      block->SaveToStream(saved);
      resources.push_back(BytesOf(saved));
    }
  const auto rest = std::min<std::size_t>(static_cast<std::size_t>(info.LayersSectionOffset()), file.size());
  return {resources, Bytes(file.begin() + static_cast<std::ptrdiff_t>(rest), file.end())};
}

std::vector<int> FirstDirectoryTags(const Bytes& file) {
  auto stream = StreamOf(file);
  std::vector<int> ids;
  auto parser = ParseTiff(*stream);
  for (const auto& directory : parser->GetEnumerator()) {
    for (const auto& info : directory->TagInfo())
      if (info.ID != IPTCTiffTagID)
        ids.push_back(info.ID);
    break;
  }
  return ids;
}

// The saved copy loads the same datasets, and what is not IPTC is as it was.
void CheckSavedCopy(const std::string& file, const Bytes& original, const Bytes& saved,
                    const std::vector<std::string>& datasets, bool utf8) {
  auto stream = StreamOf(saved);
  TIPTCData reread;
  ASSERT_TRUE(reread.LoadFromGraphic(*stream)) << file;
  EXPECT_EQ(Datasets(reread), datasets) << file;
  EXPECT_EQ(reread.UTF8Encoded(), utf8) << file;

  stream->SetPosition(0);
  if (HasJPEGHeader(*stream)) {
    EXPECT_EQ(WithoutApp13(saved), WithoutApp13(original)) << file << ": every other segment byte for byte";
    EXPECT_EQ(PhotoshopResources(saved, false), PhotoshopResources(original, false))
        << file << ": every other Photoshop resource byte for byte";
  } else if (HasPSDHeader(*stream)) {
    EXPECT_EQ(PSDParts(saved), PSDParts(original)) << file << ": other resources and the image data";
  } else {
    EXPECT_EQ(FirstDirectoryTags(saved), FirstDirectoryTags(original)) << file;
  }
}

} // namespace

TEST(IPTCCorpus, PhotoshopSegmentArrangements) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  const std::vector<std::string> credit{"2:0=0", "2:110=This is a credit"};
  // No UTF-8 marker: the byte 0x9F is kept as it is.
  const std::vector<std::string> split{"2:0=2", std::string("2:80=Jens Tr") + '\x9F' + "biger"};
  // What the files hold, as a peer reader lists it; where several IPTC blocks exist, all of
  // them in file order are the data (an empty block is none, a repeated record version is
  // taken once).
  const std::map<std::string, std::vector<std::string>> expected{
      {"iptc-noAPP13.jpg", {}},
      {"iptc-psAPP13-noIPTC.jpg", {}},
      {"iptc-psAPP13-wIPTCempty.jpg", {}},
      {"iptc-psAPP13-wIPTCbeg.jpg", credit},
      {"iptc-psAPP13-wIPTCend.jpg", credit},
      {"iptc-psAPP13-wIPTCmid.jpg", {"2:0=0", "2:110=This is a credit", "2:80=This is a by-line"}},
      {"iptc-psAPP13-wIPTCmid1-wIPTCempty-wIPTCmid2.jpg",
       {"2:0=0", "2:110=This is a credit", "2:80=This is a by-line"}},
      {"iptc-psAPP13-wIPTC-psAPP13-noIPTC.jpg", credit},
      {"iptc-psAPP13-noIPTC-psAPP13-wIPTC.jpg", credit},
      {"iptc-psAPP13-wIPTCempty-psAPP13-wIPTC.jpg", credit},
      {"iptc-psAPP13-wIPTC1-psAPP13-wIPTC2.jpg",
       {"2:0=0", "2:110=This is credit number one", "2:110=This is credit number two"}},
      {"iptc-psAPP13s-noIPTC-psAPP13s-wIPTC.jpg", split},
      {"iptc-psAPP13s-wIPTC-psAPP13s-noIPTC.jpg", split},
      {"iptc-psAPP13s-wIPTCs-psAPP13s-wIPTCs.jpg", split},
  };
  int seen = 0;
  for (const auto& file : CorpusFiles({".jpg"})) {
    const auto it = expected.find(Name(file));
    if (it == expected.end() || file.find("/preview/") != std::string::npos)
      continue;
    ++seen;
    TIPTCData data;
    ASSERT_TRUE(data.LoadFromGraphic(file)) << file;
    EXPECT_EQ(Datasets(data), it->second) << file;
  }
  EXPECT_EQ(seen, static_cast<int>(expected.size()));
}

TEST(IPTCCorpus, SavingUnchangedDataKeepsEverythingElse) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  int withIPTC = 0;
  std::vector<std::string> refused;
  for (const auto& file : CorpusFiles({".jpg", ".jpeg", ".tif", ".tiff", ".psd"})) {
    TIPTCData data;
    try {
      if (!data.LoadFromGraphic(file) || data.Empty())
        continue;
    } catch (const Platform::Exception&) {
      continue; // damaged headers are refused with the library's own errors
    }
    ++withIPTC;
    const auto before = Datasets(data);
    const bool utf8 = data.UTF8Encoded();
    const auto original = ReadFile(file);
    auto stream = StreamOf(original);
    try {
      data.SaveToGraphic(*stream);
    } catch (const Platform::Exception& e) {
      refused.push_back(Name(file) + ": " + e.what());
      EXPECT_EQ(BytesOf(*stream), original) << file << ": a refused save leaves the data alone";
      continue;
    }
    const auto saved = BytesOf(*stream);
    try {
      CheckSavedCopy(file, original, saved, before, utf8);
    } catch (const std::exception& e) {
      ADD_FAILURE() << file << ": " << e.what();
    }
  }
  EXPECT_GE(withIPTC, 40) << "sample pictures with IPTC data";
  EXPECT_TRUE(refused.empty()) << testing::PrintToString(refused);
}

TEST(IPTCCorpus, AnEmptyObjectLeavesJPEGsWithoutApp13Alone) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  int compared = 0;
  for (const auto& file : CorpusFiles({".jpg", ".jpeg"})) {
    const auto original = ReadFile(file);
    auto stream = StreamOf(original);
    bool hasApp13 = false;
    try {
      for (const auto& segment : JPEGHeader(*stream, TJPEGMarkers{jmApp13}))
        hasApp13 = hasApp13 || segment != nullptr;
    } catch (const Platform::Exception&) {
      continue; // no JPEG, or one cut off inside its header
    }
    if (hasApp13)
      continue;
    TIPTCData empty;
    empty.SaveToGraphic(*stream);
    EXPECT_EQ(BytesOf(*stream), original) << file;
    ++compared;
  }
  EXPECT_GE(compared, 100);
}

TEST(IPTCCorpus, EditedDataIsSavedIntoACopyOfTheFile) {
  const auto source = CorpusDir() + "/exiv2-testdata/Reagan.jpg";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  TTempDir dir;
  const auto name = dir.File("Reagan.jpg");
  const auto original = ReadFile(source);
  WriteFile(name, original);

  TIPTCData data;
  data.LoadFromJPEG(name);
  const auto keywords = data.Keywords();
  ASSERT_FALSE(keywords.empty());
  data.SetKeywords(std::vector<std::string>{"Straße", "Magellan"});
  data.SaveToJPEG(name);

  TIPTCData reread;
  reread.LoadFromJPEG(name);
  EXPECT_EQ(reread.Keywords(), (TStringDynArray{"Straße", "Magellan"}));
  EXPECT_EQ(reread.CaptionOrAbstract(), data.CaptionOrAbstract());
  const auto saved = ReadFile(name);
  EXPECT_EQ(WithoutApp13(saved), WithoutApp13(original));
  EXPECT_EQ(PhotoshopResources(saved, false), PhotoshopResources(original, false));
}

TEST(IPTCCorpus, LaterBlocksAreLoadedAndKept) {
  const auto source = CorpusDir() + "/exiv2-testdata/iptc-psAPP13-wIPTCmid1-wIPTCempty-wIPTCmid2.jpg";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  const auto original = ReadFile(source);
  TIPTCData data;
  ASSERT_TRUE(data.LoadFromGraphic(source));
  EXPECT_EQ(data.Bylines(), (TStringDynArray{"This is a by-line"})) << "the by-line sits in the third block";
  EXPECT_EQ(data.Credit(), "This is a credit");

  auto stream = StreamOf(original);
  data.SaveToGraphic(*stream);
  EXPECT_EQ(BytesOf(*stream), original) << "unedited data changes nothing";

  // An edit writes one block with every dataset; the other resources stay as they were.
  data.SetHeadline("edited");
  stream = StreamOf(original);
  data.SaveToGraphic(*stream);
  const auto saved = BytesOf(*stream);
  TIPTCData reread;
  stream->SetPosition(0);
  ASSERT_TRUE(reread.LoadFromGraphic(*stream));
  EXPECT_EQ(Datasets(reread),
            (std::vector<std::string>{"2:0=0", "2:110=This is a credit", "2:80=This is a by-line", "2:105=edited"}));
  EXPECT_EQ(WithoutApp13(saved), WithoutApp13(original));
  EXPECT_EQ(PhotoshopResources(saved, false), PhotoshopResources(original, false));
}

TEST(IPTCCorpus, UnmarkedUTF8TextReadsAsUTF8) {
  const auto source = CorpusDir() + "/exiv2-testdata/exiv2-bug937.jpg";
  if (CorpusDir().empty() || !std::filesystem::exists(source))
    GTEST_SKIP() << "no sample pictures at " << FOTARIUM_CORPUS_DIR;
  TIPTCData data;
  ASSERT_TRUE(data.LoadFromGraphic(source));
  EXPECT_EQ(data.CopyrightNotice(), "© Corbis.  All Rights Reserved.");
  EXPECT_EQ(data.Bylines(), (TStringDynArray{"Corbis"}));
  EXPECT_FALSE(data.UTF8Encoded());
  EXPECT_TRUE(data.UTF8Detected());

  // Saving unedited data keeps the stored bytes; an edit keeps them too and adds no marker.
  const auto original = ReadFile(source);
  auto stream = StreamOf(original);
  data.SaveToGraphic(*stream);
  EXPECT_EQ(BytesOf(*stream), original);
  data.SetCity("Zürich");
  stream = StreamOf(original);
  data.SaveToGraphic(*stream);
  TIPTCData reread;
  stream->SetPosition(0);
  ASSERT_TRUE(reread.LoadFromGraphic(*stream));
  EXPECT_EQ(reread.CopyrightNotice(), "© Corbis.  All Rights Reserved.");
  EXPECT_EQ(reread.City(), "Zürich");
  EXPECT_FALSE(reread.UTF8Encoded());
}
