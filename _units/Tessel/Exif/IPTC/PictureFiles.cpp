// Finding, loading and replacing the IPTC block of JPEG, PSD and TIFF files.

#include "Tessel/Exif/IPTC.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <algorithm>
#include <vector>

namespace Tessel::Exif {

namespace {

// Copies the input bytes [from, to) to the output; nothing for an empty or reversed range.
void CopyRange(TStream& in, TStream& out, std::int64_t from, std::int64_t to) {
  if (to <= from)
    return;
  in.SetPosition(from);
  out.CopyFrom(in, to - from);
}

void CopyRest(TStream& in, TStream& out, std::int64_t from) { CopyRange(in, out, from, in.Size()); }

// One Photoshop resource list of a JPEG: the data of an APP13 segment behind its header,
// or of several segments when a resource cut off at a segment's end goes on in the next
// Photoshop segment, as Photoshop splits resources too large for one segment.
// The blocks of a resource list that loaded completely, and where the bytes begin that do
// not form one (the data's size when there are none).
struct TParsedResources {
  std::vector<std::shared_ptr<IAdobeResBlock>> Blocks;
  std::int64_t TailStart = 0;
};

struct TPhotoshopResources {
  struct TSegmentExtent {
    std::int64_t Offset;
    std::int64_t End;
  };
  std::vector<TSegmentExtent> Segments;
  Platform::TMemoryStream Data; // the resource blocks, without the segment headers
  TParsedResources Parsed;      // Data as parsed when its last segment was added
};

TParsedResources ParseResources(Platform::TMemoryStream& data) {
  TParsedResources result;
  data.SetPosition(0);
  TAdobeResBlockEnumerator blocks(&data, TStreamOwnership::soReference);
  while (blocks.MoveNext() && blocks.Current()->LoadedCleanly()) {
    result.Blocks.push_back(blocks.Current());
    result.TailStart = data.Position();
  }
  return result;
}

// Bytes other than padding behind the last complete block: a resource was cut off.
bool HasCutOffResource(const Platform::TMemoryStream& data, const TParsedResources& parsed) {
  const auto tail = data.Bytes().subspan(static_cast<std::size_t>(parsed.TailStart));
  return std::any_of(tail.begin(), tail.end(), [](std::uint8_t byte) { return byte != 0; });
}

std::size_t PhotoshopHeaderSize(const IJPEGSegment& segment) {
  const auto bytes = segment.Data().Bytes();
  const auto startsWith = [&bytes](std::string_view header) {
    return bytes.size() >= header.size() && std::equal(header.begin(), header.end(), bytes.begin());
  };
  return startsWith(PhotoshopApp13Header) ? PhotoshopApp13Header.size() : OldPhotoshopApp13Header.size();
}

// The Photoshop resource lists of the JPEG at the stream's position, in file order. With
// stopAtCutOff a file that ends inside its header segments answers the lists before the
// cut; otherwise the read error propagates.
std::vector<std::unique_ptr<TPhotoshopResources>> ReadPhotoshopResources(TStream& stream, bool stopAtCutOff) {
  std::vector<std::unique_ptr<TPhotoshopResources>> result;
  bool continues = false;
  try {
    for (const auto& segment : JPEGHeader(stream, TJPEGMarkers{jmApp13})) {
      if (!segment->IsAdobeApp13()) {
        continues = false;
        continue;
      }
      if (!continues)
        result.push_back(std::make_unique<TPhotoshopResources>());
      auto& resources = *result.back();
      resources.Segments.push_back({segment->Offset(), segment->Offset() + segment->TotalSize()});
      const auto bytes = segment->Data().Bytes().subspan(PhotoshopHeaderSize(*segment));
      resources.Data.Seek(0, Platform::TSeekOrigin::soEnd);
      resources.Data.WriteBuffer(bytes);
      resources.Parsed = ParseResources(resources.Data);
      continues = HasCutOffResource(resources.Data, resources.Parsed);
    }
  } catch (const Platform::EReadError&) {
    if (!stopAtCutOff)
      throw;
  }
  return result;
}

// An APP13 segment of the Photoshop header, the blocks and raw bytes that no block
// could be made of; refused before it is built when one segment cannot carry it.
std::shared_ptr<IJPEGSegment> BuildApp13Segment(std::span<const std::shared_ptr<IAdobeResBlock>> blocks,
                                                std::span<const std::uint8_t> rawTail) {
  auto size = static_cast<std::int64_t>(PhotoshopApp13Header.size() + rawTail.size());
  for (const auto& block : blocks)
    size += block->TotalSize();
  if (size > MaxJPEGSegmentDataSize)
    throw EJPEGSegmentTooLarge(size);
  auto segment = std::make_shared<TUserJPEGSegment>(jmApp13);
  auto& data = segment->Data();
  WriteRawString(data, PhotoshopApp13Header);
  for (const auto& block : blocks)
    block->SaveToStream(data);
  data.WriteBuffer(rawTail);
  data.SetPosition(0);
  return segment;
}

// The IPTC blocks among resource blocks, in their order.
std::vector<std::shared_ptr<IAdobeResBlock>> IPTCBlocksOf(std::span<const std::shared_ptr<IAdobeResBlock>> blocks) {
  std::vector<std::shared_ptr<IAdobeResBlock>> result;
  for (const auto& block : blocks)
    if (block->IsIPTCBlock(true))
      result.push_back(block);
  return result;
}

std::vector<std::shared_ptr<IAdobeResBlock>>
IPTCBlocksOf(const std::vector<std::unique_ptr<TPhotoshopResources>>& resourceLists) {
  std::vector<std::shared_ptr<IAdobeResBlock>> result;
  for (const auto& resources : resourceLists)
    for (auto& block : IPTCBlocksOf(resources->Parsed.Blocks))
      result.push_back(std::move(block));
  return result;
}

std::vector<std::shared_ptr<IAdobeResBlock>> PSDResources(TStream& stream, TPSDInfo& info) {
  std::vector<std::shared_ptr<IAdobeResBlock>> result;
  for (const auto& block : ParsePSDHeader(stream, info))
    result.push_back(block);
  return result;
}

// A stretch of the input that is replaced: by a new segment, or by nothing.
struct TReplacement {
  std::int64_t Offset = 0;
  std::int64_t End = 0;
  std::shared_ptr<IJPEGSegment> NewSegment;
};

} // namespace

// --- loading -------------------------------------------------------------------------

void TIPTCData::LoadFromBlocks(std::span<const std::shared_ptr<IAdobeResBlock>> blocks) {
  if (blocks.empty()) {
    Clear();
    return;
  }
  // Writers that add IPTC data next to a block they do not understand leave several;
  // taking only the first would lose the others' datasets on the next save.
  auto& first = blocks.front()->Data();
  first.SetPosition(0);
  DoLoadFromStream(first);
  for (const auto& block : blocks.subspan(1)) {
    auto& data = block->Data();
    data.SetPosition(0);
    DoAddFromStream(data, true);
  }
  FinishLoading();
  for (const auto& block : blocks) {
    const auto bytes = block->Data().Bytes();
    FSourceBlocks.emplace_back(bytes.begin(), bytes.end());
  }
  FSourceDatasets = DatasetBytes();
  FSourceUTF8Encoded = FUTF8Encoded;
}

bool TIPTCData::IsUnchangedFrom(std::span<const std::shared_ptr<IAdobeResBlock>> blocks) const {
  if (FDataToLazyLoad || FSourceBlocks.empty() || FSourceBlocks.size() != blocks.size() ||
      FUTF8Encoded != FSourceUTF8Encoded)
    return false;
  for (std::size_t i = 0; i < blocks.size(); ++i)
    if (!std::ranges::equal(blocks[i]->Data().Bytes(), FSourceBlocks[i]))
      return false;
  return DatasetBytes() == FSourceDatasets;
}

void TIPTCData::RememberSourceBlock(std::span<const std::uint8_t> bytes) const {
  FSourceBlocks.assign(1, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  FSourceDatasets = DatasetBytes();
  FSourceUTF8Encoded = FUTF8Encoded;
}

bool TIPTCData::IsUnchangedFromSingleSource() const {
  return !FDataToLazyLoad && FSourceBlocks.size() == 1 && FUTF8Encoded == FSourceUTF8Encoded &&
         DatasetBytes() == FSourceDatasets;
}

void TIPTCData::LoadFromJPEGSegments(TStream& stream) {
  // A file cut off inside its header segments is searched up to the cut.
  LoadFromBlocks(IPTCBlocksOf(ReadPhotoshopResources(stream, true)));
}

void TIPTCData::LoadFromPSDResources(TStream& stream) {
  TPSDInfo info;
  LoadFromBlocks(IPTCBlocksOf(PSDResources(stream, info)));
}

void TIPTCData::LoadFromTiffTag(TStream& stream) {
  auto parser = ParseTiff(stream);
  for (const auto& directory : parser->GetEnumerator()) {
    // Tag 33723 holds a byte stream whatever type it is declared with (Photoshop says
    // LONG), so its bytes are taken raw rather than swapped as 32-bit values.
    for (const auto& info : directory->TagInfo()) {
      if (info.ID < IPTCTiffTagID)
        continue;
      if (info.ID == IPTCTiffTagID && info.DataSize() > 0) {
        auto& source = parser->Stream();
        const auto start = parser->BasePosition() + info.DataOffset;
        const auto count = std::min<std::int64_t>(info.DataSize(), std::max<std::int64_t>(source.Size() - start, 0));
        Platform::TMemoryStream data;
        if (count > 0) {
          source.SetPosition(start);
          data.CopyFrom(source, count);
          data.SetPosition(0);
        }
        LoadFromStream(data);
        RememberSourceBlock(data.Bytes());
        return;
      }
      break;
    }
    break; // the first directory only
  }
  Clear();
}

bool TIPTCData::LoadFromGraphic(TStream& stream) {
  TEndianness endianness{};
  if (HasJPEGHeader(stream))
    LoadFromJPEGSegments(stream);
  else if (HasPSDHeader(stream))
    LoadFromPSDResources(stream);
  else if (TryReadTiffHeader(stream, endianness, false))
    LoadFromTiffTag(stream);
  else {
    Clear();
    return false;
  }
  return true;
}

bool TIPTCData::LoadFromGraphic(Platform::IStreamPersist& graphic) {
  Platform::TMemoryStream stream;
  graphic.SaveToStream(stream);
  stream.SetPosition(0);
  return LoadFromGraphic(stream);
}

bool TIPTCData::LoadFromGraphic(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  return LoadFromGraphic(stream);
}

void TIPTCData::LoadFromJPEG(TStream& jpegStream) {
  if (!HasJPEGHeader(jpegStream))
    throw EInvalidJPEGHeader();
  LoadFromGraphic(jpegStream);
}

void TIPTCData::LoadFromJPEG(const std::string& jpegFileName) {
  Platform::TFileStream stream(jpegFileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  LoadFromJPEG(stream);
}

// --- saving --------------------------------------------------------------------------

void TIPTCData::GetGraphicSaveMethod(TStream& stream, TGraphicSaveMethod& saveMethod) {
  ChooseGraphicSaveMethod(
      stream, saveMethod, [this](TStream& in, TStream& out) { DoSaveToJPEG(in, out); },
      [this](TStream& in, TStream& out) { DoSaveToPSD(in, out); },
      [this](TStream& in, TStream& out) { DoSaveToTIFF(in, out); });
}

void TIPTCData::SaveToGraphic(const std::string& fileName) {
  DoSaveToGraphic(fileName,
                  [this](TStream& stream, TGraphicSaveMethod& method) { GetGraphicSaveMethod(stream, method); });
}

void TIPTCData::SaveToGraphic(TStream& stream) {
  DoSaveToGraphic(stream, [this](TStream& s, TGraphicSaveMethod& method) { GetGraphicSaveMethod(s, method); });
}

void TIPTCData::SaveToGraphic(Platform::IStreamPersist& graphic) {
  Platform::TMemoryStream stream;
  graphic.SaveToStream(stream);
  SaveToGraphic(stream);
  stream.SetPosition(0);
  graphic.LoadFromStream(stream);
}

void TIPTCData::SaveToJPEG(const std::string& jpegFileName, bool /*dummy*/) { SaveToGraphic(jpegFileName); }

void TIPTCData::DoSaveToJPEG(TStream& inStream, TStream& outStream) {
  const bool empty = Empty();
  const auto start = inStream.Position();
  // Asked before the new block is made, as making it may add the UTF-8 marker.
  const auto resourceLists = ReadPhotoshopResources(inStream, false);
  if (IsUnchangedFrom(IPTCBlocksOf(resourceLists))) {
    // Nothing to write: every block stays where and as it is.
    CopyRest(inStream, outStream, start);
    return;
  }
  std::shared_ptr<IAdobeResBlock> newBlock;
  if (!empty)
    newBlock = CreateAdobeBlock(IPTCResourceID, this);

  // Every replacement segment is built before a byte is written, so that one that would
  // not fit into a segment stops the save with the output still empty. A resource list
  // spread over several segments is written back as one.
  std::vector<TReplacement> replacements;
  for (const auto& resources : resourceLists) {
    auto parsed = std::move(resources->Parsed);
    std::vector<std::shared_ptr<IAdobeResBlock>> blocks;
    if (replacements.empty() && newBlock)
      blocks.push_back(newBlock);
    for (auto& block : parsed.Blocks)
      if (!block->IsIPTCBlock(true))
        blocks.push_back(std::move(block));
    const auto tail = resources->Data.Bytes().subspan(static_cast<std::size_t>(parsed.TailStart));
    auto segment = BuildApp13Segment(blocks, tail);
    for (const auto& extent : resources->Segments) {
      replacements.push_back({extent.Offset, extent.End, std::move(segment)});
      segment = nullptr;
    }
  }

  if (replacements.empty() && newBlock) {
    // A new segment goes behind the JFIF, Exif and XMP segments and before all else.
    std::int64_t insertAt = start + 2;
    inStream.SetPosition(start);
    for (const auto& segment : JPEGHeader(inStream, TJPEGMarkers::All())) {
      insertAt = segment->Offset();
      if (segment->MarkerNum() != jmApp0 && segment->MarkerNum() != jmApp1)
        break;
      insertAt += segment->TotalSize();
    }
    const std::shared_ptr<IAdobeResBlock> blocks[] = {newBlock};
    replacements.push_back({insertAt, insertAt, BuildApp13Segment(blocks, {})});
  }

  auto copyFrom = start;
  for (const auto& replacement : replacements) {
    CopyRange(inStream, outStream, copyFrom, replacement.Offset);
    if (replacement.NewSegment)
      WriteJPEGSegment(outStream, *replacement.NewSegment);
    copyFrom = replacement.End;
  }
  CopyRest(inStream, outStream, copyFrom);
}

void TIPTCData::DoSaveToPSD(TStream& inStream, TStream& outStream) {
  const bool empty = Empty();
  const auto start = inStream.Position();
  TPSDInfo info;
  const auto resources = PSDResources(inStream, info);
  if (IsUnchangedFrom(IPTCBlocksOf(resources))) {
    CopyRest(inStream, outStream, start);
    return;
  }
  std::vector<std::shared_ptr<IAdobeResBlock>> blocks;
  if (!empty)
    blocks.push_back(CreateAdobeBlock(IPTCResourceID, this));
  for (const auto& block : resources)
    if (!block->IsIPTCBlock(true))
      blocks.push_back(block);
  WritePSDHeader(outStream, info.Header);
  WritePSDResourceSection(outStream, blocks);
  CopyRest(inStream, outStream, start + info.LayersSectionOffset());
}

void TIPTCData::DoSaveToTIFF(TStream& inStream, TStream& outStream) { RewriteTiff(inStream, outStream, this); }

void TIPTCData::AddTagsToWrite(TTiffDirectoryRewriter& rewriter) { FTiffRewriteCallback.AddTagsToWrite(rewriter); }

void TIPTCData::RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType, bool& rewrite) {
  FTiffRewriteCallback.RewritingOldTag(source, tagID, dataType, rewrite);
}

} // namespace Tessel::Exif
