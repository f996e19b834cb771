// Our side of the comparison: the EXIF container for Exif, maker note and XMP, the
// IPTC container for the Photoshop block, over one file stream.

#include "bench/Peers.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/Streams.h"

namespace Bench {

namespace {

using namespace Tessel::Exif;

void ReadProperty(TReadResult& result, TXMPProperty& property) {
  if (property.Kind() == TXMPPropertyKind::xpSimple) {
    HashText(result.Hash, property.ReadValue(""));
    ++result.Texts;
  }
  for (int i = 0; i < property.SubPropertyCount(); ++i)
    ReadProperty(result, property.SubProperties(i));
}

} // namespace

TReadResult OursRead(const std::string& fileName) {
  TReadResult result;
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  TExifData exif;
  exif.LoadFromGraphic(stream);
  for (auto* section : exif)
    for (auto* tag : *section) {
      HashText(result.Hash, tag->AsString());
      ++result.Texts;
    }
  auto& packet = exif.XMPPacket();
  for (int s = 0; s < packet.SchemaCount(); ++s) {
    auto& schema = packet.Schemas(s);
    for (int p = 0; p < schema.PropertyCount(); ++p)
      ReadProperty(result, schema.Properties(p));
  }
  stream.SetPosition(0);
  TIPTCData iptc;
  iptc.LoadFromGraphic(stream);
  for (auto* section : iptc)
    for (auto* tag : *section) {
      HashText(result.Hash, tag->AsString());
      ++result.Texts;
    }
  result.BytesFetched = stream.BytesFetched();
  return result;
}

std::size_t OursWriteOrientation(std::span<const std::uint8_t> jpeg) {
  Platform::TMemoryStream stream;
  stream.WriteBuffer(jpeg);
  stream.SetPosition(0);
  TExifData exif;
  exif.LoadFromGraphic(stream);
  exif.SetOrientation(TTiffOrientation::toRightTop);
  stream.SetPosition(0);
  exif.SaveToGraphic(stream);
  return static_cast<std::size_t>(stream.Size());
}

} // namespace Bench
