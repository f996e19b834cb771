// The packet in picture files: found in and written into the first XMP APP1 segment
// of a JPEG file, resource 1060 of a Photoshop file and tag 700 of a TIFF file.

#include "Tessel/Exif/XMPUtils.h"

#include "platform/Streams.h"

#include <string>
#include <vector>

namespace Tessel::Exif {

namespace {

// The packet text rendered once, handed to the JPEG writer as its payload, so that
// its size can be checked before anything is written.
class TRenderedPacket : public IStreamPersistEx {
public:
  explicit TRenderedPacket(TXMPPacket& packet) { packet.SaveToStream(FText); }
  void LoadFromStream(Platform::TStream& /*stream*/) override {
    throw Platform::EInvalidOperation("A rendered XMP packet cannot be loaded");
  }
  void SaveToStream(Platform::TStream& stream) override {
    if (FText.Size() > 0)
      stream.WriteBuffer(FText.Memory(), FText.Size());
  }
  [[nodiscard]] bool Empty() const override { return false; }
  [[nodiscard]] std::int64_t Size() const { return FText.Size(); }

private:
  Platform::TMemoryStream FText;
};

void CopyRest(Platform::TStream& inStream, Platform::TStream& outStream) {
  const auto rest = inStream.Size() - inStream.Position();
  // CopyFrom takes a count of 0 as "all of the source from its start".
  if (rest > 0)
    outStream.CopyFrom(inStream, rest);
}

} // namespace

// ---------------------------------------------------------------------------------
// Loading

bool TXMPPacket::LoadFromGraphic(Platform::TStream& stream) {
  const auto loadBlock = [this](const IMetadataBlock& block) {
    auto& data = block.Data();
    data.SetPosition(0);
    LoadFromStream(data);
  };

  if (HasJPEGHeader(stream)) {
    std::shared_ptr<IFoundJPEGSegment> found;
    try {
      for (const auto& segment : *JPEGHeader(stream, TJPEGMarkers{jmApp1})) {
        if (segment->IsXMPBlock(true)) {
          found = segment;
          break;
        }
      }
    } catch (const Platform::EReadError&) {
      // A file cut off inside its header segments: a packet in front of the cut still counts,
      // and without one the picture simply has no XMP data, as for the EXIF and IPTC data.
    }
    if (found)
      loadBlock(*found);
    else
      Clear();
    return true;
  }
  if (HasPSDHeader(stream)) {
    TPSDInfo info;
    for (const auto& block : *ParsePSDHeader(stream, info)) {
      if (block->IsXMPBlock(true)) {
        loadBlock(*block);
        return true;
      }
    }
    Clear();
    return true;
  }
  TEndianness endianness;
  if (TryReadTiffHeader(stream, endianness, false)) {
    const auto parser = ParseTiff(stream);
    auto directories = parser->GetEnumerator();
    if (directories.MoveNext()) {
      std::shared_ptr<ITiffTag> tag;
      if (directories.Current()->FindTag(XMPTiffTagID, tag) && tag->IsXMPBlock(true)) {
        loadBlock(*tag);
        return true;
      }
    }
    Clear();
    return true;
  }
  Clear();
  return false;
}

bool TXMPPacket::LoadFromGraphic(Platform::IStreamPersist& graphic) {
  Platform::TMemoryStream stream;
  graphic.SaveToStream(stream);
  stream.SetPosition(0);
  return LoadFromGraphic(stream);
}

bool TXMPPacket::LoadFromGraphic(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  return LoadFromGraphic(stream);
}

// ---------------------------------------------------------------------------------
// Saving

TGetGraphicSaveMethod TXMPPacket::GraphicSaveMethodChooser() {
  return [this](Platform::TStream& stream, TGraphicSaveMethod& method) {
    ChooseGraphicSaveMethod(
        stream, method, [this](Platform::TStream& in, Platform::TStream& out) { SaveToJPEGStream(in, out); },
        [this](Platform::TStream& in, Platform::TStream& out) { SaveToPSDStream(in, out); },
        [this](Platform::TStream& in, Platform::TStream& out) { SaveToTiffStream(in, out); });
  };
}

void TXMPPacket::SaveToJPEGStream(Platform::TStream& inStream, Platform::TStream& outStream) {
  if (Empty()) {
    UpdateApp1JPEGSegments(inStream, outStream, nullptr, this);
    return;
  }
  TRenderedPacket rendered(*this);
  // Header and packet share one segment; a longer packet cannot be stored in JPEG.
  const auto dataSize = static_cast<std::int64_t>(XMPSegmentHeader.size()) + rendered.Size();
  if (dataSize > MaxJPEGSegmentDataSize)
    throw EJPEGSegmentTooLarge(dataSize);
  UpdateApp1JPEGSegments(inStream, outStream, nullptr, &rendered);
}

void TXMPPacket::SaveToPSDStream(Platform::TStream& inStream, Platform::TStream& outStream) {
  const auto start = inStream.Position();
  TPSDInfo info;
  std::vector<std::shared_ptr<IAdobeResBlock>> blocks;
  if (!Empty())
    blocks.push_back(CreateAdobeBlock(XMPAdobeBlockID, this));
  for (const auto& block : *ParsePSDHeader(inStream, info))
    if (!block->IsXMPBlock(true))
      blocks.push_back(block);
  WritePSDHeader(outStream, info.Header);
  WritePSDResourceSection(outStream, blocks);
  inStream.SetPosition(start + info.LayersSectionOffset());
  CopyRest(inStream, outStream);
}

void TXMPPacket::SaveToTiffStream(Platform::TStream& inStream, Platform::TStream& outStream) {
  RewriteTiff(inStream, outStream, this);
}

void TXMPPacket::SaveToGraphic(const std::string& fileName) { DoSaveToGraphic(fileName, GraphicSaveMethodChooser()); }

void TXMPPacket::SaveToGraphic(Platform::TStream& stream) { DoSaveToGraphic(stream, GraphicSaveMethodChooser()); }

void TXMPPacket::SaveToGraphic(Platform::IStreamPersist& graphic) {
  Platform::TMemoryStream stream;
  graphic.SaveToStream(stream);
  stream.SetPosition(0);
  DoSaveToGraphic(stream, GraphicSaveMethodChooser());
  stream.SetPosition(0);
  graphic.LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------
// TIFF rewrite callback

void TXMPPacket::AddTagsToWrite(TTiffDirectoryRewriter& rewriter) { FTiffRewriteCallback.AddTagsToWrite(rewriter); }

void TXMPPacket::RewritingOldTag(const ITiffDirectory& source, TTiffTagID tagID, TTiffDataType dataType,
                                 bool& rewrite) {
  FTiffRewriteCallback.RewritingOldTag(source, tagID, dataType, rewrite);
}

} // namespace Tessel::Exif
