// The picture-object forms of the JPEG routines and of save-to-graphic: the picture's
// saved bytes stand in for a stream.

#include "Tessel/Exif/BaseUtils.h"

#include "platform/Streams.h"

#include <memory>

namespace Tessel::Exif {

namespace {

std::unique_ptr<Platform::TMemoryStream> SavedBytes(Platform::IStreamPersist& image) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  image.SaveToStream(*stream);
  stream->SetPosition(0);
  return stream;
}

} // namespace

TEnumeratorPtr<IJPEGHeaderParser> JPEGHeader(Platform::IStreamPersist& image, const TJPEGMarkers& markersToLookFor) {
  return JPEGHeader(SavedBytes(image), markersToLookFor);
}

TJPEGMarkers RemoveJPEGSegments(Platform::IStreamPersist& image, const TJPEGMarkers& markers) {
  if (markers.Empty())
    return {};
  const auto input = SavedBytes(image);
  Platform::TMemoryStream output;
  const auto result = RemoveJPEGSegments(*input, output, markers);
  if (!result.Empty()) {
    output.SetPosition(0);
    image.LoadFromStream(output);
  }
  return result;
}

void DoSaveToGraphic(Platform::IStreamPersist& graphic, const TGetGraphicSaveMethod& getGraphicSaveMethod) {
  const auto stream = SavedBytes(graphic);
  DoSaveToGraphic(*stream, getGraphicSaveMethod);
  stream->SetPosition(0);
  graphic.LoadFromStream(*stream);
}

} // namespace Tessel::Exif
