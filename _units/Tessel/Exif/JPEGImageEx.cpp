// The JPEG picture that carries its metadata, and the removal of metadata segments.

#include "Tessel/Exif.h"

#include "platform/Graphics.h"
#include "platform/Streams.h"

#include <memory>
#include <utility>
#include <vector>

namespace Tessel::Exif {

namespace {

using enum TJPEGMetadataKind;
using Platform::TMemoryStream;

// The segments of the APP1..APP15 markers.
constexpr TJPEGMarkers AppSegmentMarkers() {
  TJPEGMarkers markers;
  for (std::uint8_t marker = 0xE1; marker <= 0xEF; ++marker)
    markers.Include(marker);
  return markers;
}

void CopyRange(TStream& inStream, TStream& outStream, std::int64_t from, std::int64_t to) {
  if (to <= from)
    return;
  inStream.SetPosition(from);
  outStream.CopyFrom(inStream, to - from);
}

} // namespace

ENoJFIFSegment::ENoJFIFSegment() : ETesselExifException("No JFIF segment!") {}

// --- Removing metadata segments ----------------------------------------------------------------

TJPEGMetadataKinds RemoveMetadataSegments(TStream& inStream, TStream& outStream, const TJPEGMetadataKinds& kinds) {
  TJPEGMetadataKinds result;
  TJPEGMarkers markers{jmApp1};
  if (kinds.Contains(mkIPTC))
    markers.Include(jmApp13);
  // Every decision is taken before the output is touched: a segment that cannot be
  // rebuilt stops the copy with nothing written.
  struct TCut {
    std::int64_t Offset = 0;
    std::int64_t End = 0;
    std::shared_ptr<IJPEGSegment> Replacement;
  };
  std::vector<TCut> cuts;
  const auto start = inStream.Position();
  for (const auto& segment : *JPEGHeader(inStream, markers)) {
    const TCut cut{segment->Offset(), segment->Offset() + segment->TotalSize(), nullptr};
    if (kinds.Contains(mkExif) && segment->IsExifBlock(true)) {
      result.Include(mkExif);
      cuts.push_back(cut);
    } else if (kinds.Contains(mkXMP) && segment->IsXMPBlock(true)) {
      result.Include(mkXMP);
      cuts.push_back(cut);
    } else if (kinds.Contains(mkIPTC)) {
      std::vector<std::shared_ptr<IAdobeResBlock>> kept;
      bool foundIPTC = false;
      for (const auto& block : *segment->GetEnumerator()) {
        if (block->IsIPTCBlock(true))
          foundIPTC = true;
        else
          kept.push_back(block);
      }
      if (!foundIPTC)
        continue;
      result.Include(mkIPTC);
      cuts.push_back(cut);
      if (!kept.empty())
        cuts.back().Replacement = CreateAdobeApp13Segment(kept);
    }
  }
  auto copyMark = start;
  for (const auto& cut : cuts) {
    CopyRange(inStream, outStream, copyMark, cut.Offset);
    if (cut.Replacement)
      WriteJPEGSegment(outStream, *cut.Replacement);
    copyMark = cut.End;
  }
  CopyRange(inStream, outStream, copyMark, inStream.Size());
  return result;
}

// --- TJPEGImageEx ---------------------------------------------------------------------------

TJPEGImageEx::TJPEGImageEx() : FExifData(std::make_unique<TExifData>()), FIPTCData(std::make_unique<TIPTCData>()) {
  BindExifData();
}

TJPEGImageEx::~TJPEGImageEx() {
  FIPTCData.reset();
  // Tearing the EXIF data down is no change of this picture.
  FExifData->SetOnChange(nullptr);
  FExifData.reset();
}

void TJPEGImageEx::BindExifData() {
  FExifData->SetOnChange([this](TCustomExifData& /*sender*/) { Changed(); });
}

void TJPEGImageEx::Changed() {
  FChangedSinceLastLoad = true;
  TJPEGImage::Changed();
}

void TJPEGImageEx::ReloadTags() {
  if (Empty()) {
    FExifData->Clear(true);
    FIPTCData->Clear();
  } else {
    TMemoryStream stream;
    TJPEGImage::SaveToStream(stream);
    stream.SetPosition(0);
    FExifData->LoadFromGraphic(stream);
    stream.SetPosition(0);
    FIPTCData->LoadFromGraphic(stream);
  }
  FChangedSinceLastLoad = false;
}

void TJPEGImageEx::LoadFromStream(TStream& stream) {
  TJPEGImage::LoadFromStream(stream);
  ReloadTags();
}

void TJPEGImageEx::SaveToStream(TStream& stream) {
  if (!FChangedSinceLastLoad || Empty()) {
    TJPEGImage::SaveToStream(stream);
    return;
  }
  TMemoryStream original;
  TJPEGImage::SaveToStream(original);
  original.SetPosition(0);
  // The side effects of the save (pointer tags and the like) are no change of the picture.
  FExifData->SetOnChange(nullptr);
  try {
    TMemoryStream withExif;
    FExifData->DoSaveToJPEG(original, withExif);
    withExif.SetPosition(0);
    FIPTCData->DoSaveToJPEG(withExif, stream);
  } catch (...) {
    BindExifData();
    throw;
  }
  BindExifData();
}

void TJPEGImageEx::Assign(const Platform::TGraphic& source) {
  TJPEGImage::Assign(source);
  if (dynamic_cast<const Platform::TBitmap*>(&source) != nullptr) {
    FExifData->Clear(true);
    FIPTCData->Clear();
  } else {
    ReloadTags();
  }
  FChangedSinceLastLoad = false;
}

void TJPEGImageEx::Assign(const Platform::TBitmap& source, const TAssignOptions& options) {
  if (!options.Contains(TAssignOption::jaPreserveMetadata)) {
    Assign(static_cast<const Platform::TGraphic&>(source));
    return;
  }
  // The picture's saved form, so that metadata edits not saved yet are kept as well.
  TMemoryStream stream;
  SaveToStream(stream);
  std::vector<std::shared_ptr<IFoundJPEGSegment>> kept;
  if (stream.Size() > 0) {
    stream.SetPosition(0);
    for (const auto& segment : *JPEGHeader(stream, AppSegmentMarkers()))
      kept.push_back(segment);
  }
  stream.Clear();
  TJPEGImage::Assign(source);
  TJPEGImage::SaveToStream(stream);
  stream.SetPosition(0);
  std::shared_ptr<IFoundJPEGSegment> jfif;
  for (const auto& segment : *JPEGHeader(stream, TJPEGMarkers{jmApp0})) {
    jfif = segment;
    break;
  }
  if (!jfif)
    throw ENoJFIFSegment();
  TMemoryStream rebuilt;
  const auto jfifEnd = jfif->Offset() + jfif->TotalSize();
  CopyRange(stream, rebuilt, 0, jfifEnd);
  for (const auto& segment : kept)
    WriteJPEGSegment(rebuilt, *segment);
  CopyRange(stream, rebuilt, jfifEnd, stream.Size());
  rebuilt.SetPosition(0);
  LoadFromStream(rebuilt);
}

void TJPEGImageEx::CreateThumbnail(int thumbnailWidth, int thumbnailHeight) {
  if (Empty())
    FExifData->SetThumbnail(nullptr);
  else
    FitThumbnailSize(*this, FExifData->Thumbnail(), thumbnailWidth, thumbnailHeight);
}

TJPEGMetadataKinds TJPEGImageEx::RemoveMetadata(const TJPEGMetadataKinds& kinds) {
  if (kinds.Empty() || Empty())
    return {};
  TMemoryStream input;
  SaveToStream(input);
  input.SetPosition(0);
  TMemoryStream output;
  const auto result = RemoveMetadataSegments(input, output, kinds);
  if (!result.Empty()) {
    output.SetPosition(0);
    LoadFromStream(output);
  }
  return result;
}

TJPEGMarkers TJPEGImageEx::RemoveSegments(const TJPEGMarkers& markers) {
  return RemoveJPEGSegments(static_cast<Platform::IStreamPersist&>(*this), markers);
}

TEnumeratorPtr<IJPEGHeaderParser> TJPEGImageEx::Segments(const TJPEGMarkers& markersToLookFor) {
  auto stream = std::make_unique<TMemoryStream>();
  SaveToStream(*stream);
  stream->SetPosition(0);
  return JPEGHeader(std::move(stream), markersToLookFor);
}

} // namespace Tessel::Exif
