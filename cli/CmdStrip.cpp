// fotarium-cli strip: removes EXIF, XMP or IPTC data from JPEG, Photoshop and TIFF files.
// In a JPEG every segment of the kind goes (all Exif and XMP APP1 segments, the IPTC
// resources of every Photoshop APP13 segment); Photoshop and TIFF files are rewritten by
// the containers' own savers. A file is only replaced, atomically, when its content
// changes; a file that fails is reported and the others go on.

#include "cli/CliSupport.h"

#include "Tessel/Exif.h"

#include "platform/FileOps.h"
#include "platform/Streams.h"

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;
using enum TJPEGMetadataKind;

struct TStripOptions {
  bool Exif = false;
  bool XMP = false;
  bool IPTC = false;
  bool Json = false;
  bool KeepTime = false;
  std::vector<std::string> Files;

  [[nodiscard]] TJPEGMetadataKinds Kinds() const {
    TJPEGMetadataKinds kinds;
    if (Exif)
      kinds.Include(mkExif);
    if (XMP)
      kinds.Include(mkXMP);
    if (IPTC)
      kinds.Include(mkIPTC);
    return kinds;
  }
};

std::vector<std::string> KindNames(const TJPEGMetadataKinds& kinds) {
  std::vector<std::string> names;
  if (kinds.Contains(mkExif))
    names.emplace_back("exif");
  if (kinds.Contains(mkXMP))
    names.emplace_back("xmp");
  if (kinds.Contains(mkIPTC))
    names.emplace_back("iptc");
  return names;
}

// Photoshop and TIFF: each kind is removed by its container's saver, one after the other
// on the same bytes in memory. Answers the kinds the file held.
TJPEGMetadataKinds StripOther(Platform::TMemoryStream& content, const TJPEGMetadataKinds& kinds) {
  TJPEGMetadataKinds found;
  if (kinds.Contains(mkExif)) {
    TExifData exif;
    content.SetPosition(0);
    exif.LoadFromGraphic(content);
    if (!exif.Empty())
      found.Include(mkExif);
    // Only the EXIF tags go; the XMP packet and the IPTC data it carries stay.
    exif.Clear(false);
    exif.SaveToGraphic(content);
  }
  if (kinds.Contains(mkXMP)) {
    TXMPPacket packet;
    content.SetPosition(0);
    packet.LoadFromGraphic(content);
    if (!packet.Empty())
      found.Include(mkXMP);
    packet.Clear();
    packet.SaveToGraphic(content);
  }
  if (kinds.Contains(mkIPTC)) {
    TIPTCData iptc;
    content.SetPosition(0);
    iptc.LoadFromGraphic(content);
    if (!iptc.Empty())
      found.Include(mkIPTC);
    iptc.Clear();
    iptc.SaveToGraphic(content);
  }
  return found;
}

void StripFile(const std::string& fileName, const TStripOptions& options, std::ostream& out,
               nlohmann::ordered_json& json) {
  const auto original = Platform::ReadFileBytes(fileName);
  Platform::TMemoryStream input;
  input.WriteBuffer(original);
  input.SetPosition(0);
  Platform::TMemoryStream output;
  TJPEGMetadataKinds removed;
  TEndianness endianness = TEndianness::SmallEndian;
  if (HasJPEGHeader(input)) {
    removed = RemoveMetadataSegments(input, output, options.Kinds());
  } else if (HasPSDHeader(input) || TryReadTiffHeader(input, endianness, false)) {
    removed = StripOther(input, options.Kinds());
    output.WriteBuffer(input.Bytes());
  } else {
    throw EUnsupportedGraphicFormat();
  }
  const auto bytes = output.Bytes();
  const bool changed = !std::equal(bytes.begin(), bytes.end(), original.begin(), original.end());
  if (changed) {
    const auto times = Platform::GetFileTimes(fileName);
    Platform::AtomicReplaceFile(fileName, [&](Platform::TStream& stream) { stream.WriteBuffer(bytes); });
    if (options.KeepTime)
      Platform::SetFileTimes(fileName, times);
  }
  json["removed"] = KindNames(removed);
  json["rewritten"] = changed;
  if (!options.Json) {
    const auto names = KindNames(removed);
    if (names.empty())
      out << "  nothing to remove\n";
    for (const auto& name : names)
      out << "  removed " << name << '\n';
  }
}

const TCommandRegistrar registrar{TCommand{
    "strip", "Remove EXIF, XMP or IPTC data from JPEG, Photoshop and TIFF files",
    [](CLI::App& sub) -> std::function<int()> {
      auto options = std::make_shared<TStripOptions>();
      sub.add_flag("--exif", options->Exif, "Remove the EXIF data");
      sub.add_flag("--xmp", options->XMP, "Remove the XMP packet");
      sub.add_flag("--iptc", options->IPTC, "Remove the IPTC data");
      sub.add_flag("--json", options->Json, "Print one JSON array with an object per file");
      sub.add_flag("--keep-time", options->KeepTime, "Keep the file's modification time");
      sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
      return [options] {
        if (options->Kinds().Empty()) {
          std::cerr << "fotarium-cli strip: say what to remove: --exif, --xmp and/or --iptc\n";
          return 2;
        }
        return ForEachFile(options->Files, options->Json,
                           [&options](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             StripFile(fileName, *options, out, json);
                           });
      };
    },
    "fotarium-cli strip --xmp --iptc --keep-time photo.jpg"}};

} // namespace

} // namespace Fotarium::Cli
