// The TIFF reader and rewriter over the sample pictures: every Exif block and TIFF file
// parses without a crash, and a rewrite without changes reads back to the same tags and
// the same image data.

#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <span>

using namespace Tessel::Exif;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The TIFF block of the first APP1 segment that starts with "Exif\0\0", by a plain walk
// over the segments up to the picture data.
std::optional<std::span<const std::uint8_t>> FindExifBlock(const Bytes& file) {
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8)
    return std::nullopt;
  std::size_t pos = 2;
  while (pos + 1 < file.size()) {
    if (file[pos] != 0xFF)
      return std::nullopt;
    while (pos < file.size() && file[pos] == 0xFF)
      ++pos;
    if (pos >= file.size())
      return std::nullopt;
    const auto marker = file[pos++];
    if (marker == 0xDA || marker == 0xD9)
      return std::nullopt;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
      continue;
    if (pos + 2 > file.size())
      return std::nullopt;
    const std::size_t length = (file[pos] << 8) | file[pos + 1];
    if (length < 2 || pos + length > file.size())
      return std::nullopt;
    const auto* data = file.data() + pos + 2;
    const auto size = length - 2;
    if (marker == 0xE1 && size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0)
      return std::span<const std::uint8_t>(data + 6, size - 6);
    pos += length;
  }
  return std::nullopt;
}

class TSink : public Platform::IStreamPersist {
public:
  void LoadFromStream(Platform::TStream& stream) override { Loaded = stream.Size() - stream.Position(); }
  void SaveToStream(Platform::TStream&) override {}
  std::int64_t Loaded = 0;
};

class TPassThrough : public ITiffRewriteCallback {
public:
  void AddTagsToWrite(TTiffDirectoryRewriter&) override {}
  void RewritingOldTag(const ITiffDirectory&, TTiffTagID, TTiffDataType, bool&) override {}
};

using TVisited = std::set<std::int64_t>;

std::int64_t OffsetOf(const IFoundTiffDirectory& directory) {
  return dynamic_cast<const TFoundTiffDirectory&>(directory).Offset();
}

// Reads every tag and follows every sub-directory once.
void Exercise(ITiffParser& parser, const std::shared_ptr<IFoundTiffDirectory>& directory, TVisited& visited) {
  for (const auto& tag : *directory->GetEnumerator())
    (void)tag->Data().Size();
  (void)directory->IsExifThumbnailDirectory();
  TSink sink;
  (void)directory->TryLoadExifThumbnail(sink);
  for (const auto& info : directory->TagInfo()) {
    std::shared_ptr<IFoundTiffDirectory> sub;
    if (parser.ParseSubDirectory(directory, info, sub) && visited.insert(OffsetOf(*sub)).second)
      Exercise(parser, sub, visited);
  }
}

std::vector<std::shared_ptr<IFoundTiffDirectory>> ExerciseAll(const std::shared_ptr<ITiffParser>& parser) {
  std::vector<std::shared_ptr<IFoundTiffDirectory>> chain;
  TVisited visited;
  for (const auto& directory : parser->GetEnumerator()) {
    chain.push_back(directory);
    Exercise(*parser, directory, visited);
  }
  return chain;
}

Bytes TagData(const IFoundTiffDirectory& directory, const TTiffTagInfo& info) {
  Bytes data(static_cast<std::size_t>(info.DataSize()));
  directory.Parser()->LoadTagData(info, data.data());
  return data;
}

std::vector<std::uint32_t> Values(const IFoundTiffDirectory& directory, const TTiffTagInfo& info) {
  const auto data = TagData(directory, info);
  std::vector<std::uint32_t> values;
  const auto size = TiffElementSize(info.DataType);
  for (std::size_t i = 0; i + size <= data.size(); i += size) {
    std::uint32_t value = 0;
    std::memcpy(&value, data.data() + i, size == 2 ? 2 : 4);
    values.push_back(size == 2 ? value & 0xFFFF : value);
  }
  return values;
}

// Entries the rewriter carries over: the first well-formed one of each ID, in file order.
// An entry of a type code the library does not know is carried as that many bytes,
// when those bytes are in the file.
bool CarriedAsBytes(const IFoundTiffDirectory& directory, const TTiffTagInfo& info) {
  if (static_cast<std::uint16_t>(info.DataType) == 0 || IsValidTiffDataType(info.DataType) || info.ElementCount <= 0)
    return false;
  if (info.ElementCount <= 4)
    return true;
  const auto& parser = *directory.Parser();
  return parser.BasePosition() + std::int64_t{info.DataOffset} + info.ElementCount <= parser.Stream().Size();
}

std::vector<TTiffTagInfo> CarriedEntries(const IFoundTiffDirectory& directory) {
  std::vector<TTiffTagInfo> result;
  std::set<TTiffTagID> seen;
  for (const auto& info : directory.TagInfo())
    if ((info.IsWellFormed() || CarriedAsBytes(directory, info)) && seen.insert(info.ID).second)
      result.push_back(info);
  return result;
}

const TTiffTagInfo* Find(const IFoundTiffDirectory& directory, TTiffTagID id) {
  for (const auto& info : directory.TagInfo())
    if (info.ID == id)
      return &info;
  return nullptr;
}

Bytes ReadAt(const ITiffParser& parser, std::int64_t offset, std::int64_t size) {
  Bytes bytes(static_cast<std::size_t>(size));
  auto& stream = parser.Stream();
  stream.SetPosition(parser.BasePosition() + offset);
  stream.ReadBuffer(bytes.data(), size);
  return bytes;
}

struct TComparison {
  const std::string& Name;
  TVisited Visited;
  int ImageBytesCompared = 0;
};

void CompareImageData(TComparison& c, const std::shared_ptr<IFoundTiffDirectory>& source,
                      const std::shared_ptr<IFoundTiffDirectory>& output, TTiffTagID offsetsID, TTiffTagID countsID) {
  const auto* srcOffsets = Find(*source, offsetsID);
  const auto* srcCounts = Find(*source, countsID);
  const auto* outOffsets = Find(*output, offsetsID);
  if (!srcOffsets || !srcCounts || !outOffsets || !srcOffsets->IsWellFormed() || !srcCounts->IsWellFormed())
    return;
  const auto oldOffsets = Values(*source, *srcOffsets);
  const auto newOffsets = Values(*output, *outOffsets);
  const auto counts = Values(*source, *srcCounts);
  ASSERT_EQ(oldOffsets.size(), newOffsets.size()) << c.Name << " tag " << offsetsID;
  if (oldOffsets == newOffsets || counts.size() != oldOffsets.size())
    return; // copied as it was
  for (std::size_t i = 0; i < counts.size(); ++i) {
    ASSERT_EQ(ReadAt(*source->Parser(), oldOffsets[i], counts[i]), ReadAt(*output->Parser(), newOffsets[i], counts[i]))
        << c.Name << ": image data item " << i << " of tag " << offsetsID;
    c.ImageBytesCompared += static_cast<int>(counts[i]);
  }
}

void CompareDirectories(TComparison& c, const std::shared_ptr<IFoundTiffDirectory>& source,
                        const std::shared_ptr<IFoundTiffDirectory>& output) {
  auto carried = CarriedEntries(*source);
  // The offset schema is used up when it moves the maker note back where it belongs.
  if (Find(*source, 0x927C) != nullptr && Find(*output, 0xEA1D) == nullptr)
    std::erase_if(carried, [](const TTiffTagInfo& info) { return info.ID == 0xEA1D; });
  std::vector<TTiffTagID> expectedIDs;
  for (const auto& info : carried)
    expectedIDs.push_back(info.ID);
  std::sort(expectedIDs.begin(), expectedIDs.end());
  std::vector<TTiffTagID> outputIDs;
  for (const auto& info : output->TagInfo())
    outputIDs.push_back(info.ID);
  ASSERT_EQ(outputIDs, expectedIDs) << c.Name << ": directory " << source->Index();

  for (const auto& info : carried) {
    const auto* out = Find(*output, info.ID);
    std::shared_ptr<IFoundTiffDirectory> srcSub;
    if (source->Parser()->ParseSubDirectory(source, info, srcSub) && c.Visited.insert(OffsetOf(*srcSub)).second) {
      std::shared_ptr<IFoundTiffDirectory> outSub;
      ASSERT_TRUE(output->Parser()->ParseSubDirectory(output, *out, outSub)) << c.Name << ": sub-directory " << info.ID;
      CompareDirectories(c, srcSub, outSub);
      continue;
    }
    if (info.ID == 0x0111 || info.ID == 0x0144 || info.ID == 0x0201)
      continue; // relocated image data, compared below
    EXPECT_EQ(out->DataType, info.DataType) << c.Name << ": tag " << info.ID;
    EXPECT_EQ(out->ElementCount, info.ElementCount) << c.Name << ": tag " << info.ID;
    ASSERT_EQ(TagData(*output, *out), TagData(*source, info)) << c.Name << ": data of tag " << info.ID;
  }
  CompareImageData(c, source, output, 0x0111, 0x0117);
  CompareImageData(c, source, output, 0x0144, 0x0145);
  CompareImageData(c, source, output, 0x0201, 0x0202);
}

// Rewrites a TIFF structure without changes and compares; answers false when the rewrite
// refused the source (with one of the library's errors).
bool RewriteAndCompare(const std::string& name, std::span<const std::uint8_t> block, int& imageBytes) {
  TUserMemoryStream in(block.data(), static_cast<std::int64_t>(block.size()));
  Platform::TMemoryStream out;
  TPassThrough callback;
  try {
    RewriteTiff(in, out, &callback);
  } catch (const Platform::Exception& e) {
    std::cout << "  rewrite refused " << name << ": " << e.what() << "\n";
    return false;
  }
  in.SetPosition(0);
  const auto source = ParseTiff(in);
  out.SetPosition(0);
  const auto output = ParseTiff(out);
  std::vector<std::shared_ptr<IFoundTiffDirectory>> sourceChain;
  for (const auto& directory : source->GetEnumerator())
    sourceChain.push_back(directory);
  std::vector<std::shared_ptr<IFoundTiffDirectory>> outputChain;
  for (const auto& directory : output->GetEnumerator())
    outputChain.push_back(directory);
  EXPECT_EQ(outputChain.size(), sourceChain.size()) << name;
  TComparison comparison{name, {}, 0};
  for (std::size_t i = 0; i < std::min(sourceChain.size(), outputChain.size()); ++i)
    CompareDirectories(comparison, sourceChain[i], outputChain[i]);
  imageBytes += comparison.ImageBytesCompared;
  return true;
}

} // namespace

TEST(TiffUtilsCorpusTest, ExifBlocksOfEveryJPEGParse) {
  const auto files = CorpusFiles({"jpg", "jpeg"});
  if (files.empty())
    GTEST_SKIP() << "corpus not present";
  int blocks = 0;
  int rewritten = 0;
  int imageBytes = 0;
  for (const auto& file : files) {
    const auto bytes = ReadFile(file);
    const auto block = FindExifBlock(bytes);
    if (!block)
      continue;
    TUserMemoryStream stream(block->data(), static_cast<std::int64_t>(block->size()));
    std::shared_ptr<ITiffParser> parser;
    try {
      parser = ParseTiff(stream);
    } catch (const EInvalidTiffData&) {
      continue; // not a TIFF block at all
    }
    ++blocks;
    bool clean = true;
    EXPECT_NO_THROW({
      for (const auto& directory : ExerciseAll(parser))
        clean = clean && directory->LoadErrors().Empty();
    }) << file;
    const bool done = RewriteAndCompare(file, *block, imageBytes);
    rewritten += done ? 1 : 0;
    // Only damaged blocks may be refused.
    EXPECT_TRUE(done || !clean) << file;
  }
  std::cout << "  " << blocks << " Exif blocks parsed, " << rewritten << " rewritten and compared (" << imageBytes
            << " thumbnail bytes)\n";
  EXPECT_GT(blocks, 0);
}

TEST(TiffUtilsCorpusTest, EveryTIFFFileParsesAndRewritesToTheSameTags) {
  const auto files = CorpusFiles({"tif", "tiff"});
  if (files.empty())
    GTEST_SKIP() << "corpus not present";
  int rewritten = 0;
  int imageBytes = 0;
  for (const auto& file : files) {
    const auto bytes = ReadFile(file);
    TUserMemoryStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    std::shared_ptr<ITiffParser> parser;
    try {
      parser = ParseTiff(stream);
    } catch (const EInvalidTiffData&) {
      std::cout << "  no TIFF header: " << file << "\n";
      continue;
    }
    bool clean = true;
    EXPECT_NO_THROW({
      for (const auto& directory : ExerciseAll(parser))
        clean = clean && directory->LoadErrors().Empty();
    }) << file;
    const bool done = RewriteAndCompare(file, bytes, imageBytes);
    rewritten += done ? 1 : 0;
    // Only damaged files may be refused.
    EXPECT_TRUE(done || !clean) << file;
  }
  std::cout << "  " << rewritten << " of " << files.size() << " TIFF files rewritten and compared (" << imageBytes
            << " image bytes)\n";
  EXPECT_GT(rewritten, 0);
}
