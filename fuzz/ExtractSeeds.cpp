// Writes the XMP packets and IIM streams found in pictures as separate files, so that the
// packet and IIM fuzzers start from real blocks instead of whole pictures.
//
//   fuzz-extract-seeds XMP_DIR IPTC_DIR FILE...

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/TiffUtils.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace Tessel::Exif;

namespace {

int Written = 0;

void Save(const std::string& dir, const std::string& source, const char* kind, const IMetadataBlock& block) {
  const auto bytes = block.Data().Bytes();
  if (bytes.empty())
    return;
  const auto name =
      dir + "/" + std::filesystem::path(source).filename().string() + "." + kind + std::to_string(Written++);
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Extract(const std::string& xmpDir, const std::string& iptcDir, const std::string& fileName) {
  Platform::TMemoryStream stream;
  stream.LoadFromFile(fileName);
  if (HasJPEGHeader(stream)) {
    for (const auto& segment : *JPEGHeader(stream, TJPEGMarkers{jmApp1, jmApp13})) {
      if (segment->IsXMPBlock(true))
        Save(xmpDir, fileName, "xmp", *segment);
      if (segment->IsAdobeApp13())
        for (const auto& block : *segment->GetEnumerator())
          if (block->HasIPTCData())
            Save(iptcDir, fileName, "iim", *block);
    }
  } else if (HasPSDHeader(stream)) {
    TPSDInfo info;
    for (const auto& block : *ParsePSDHeader(stream, info)) {
      if (block->IsXMPBlock(true))
        Save(xmpDir, fileName, "xmp", *block);
      if (block->HasIPTCData())
        Save(iptcDir, fileName, "iim", *block);
    }
  } else {
    auto directories = ParseTiff(stream)->GetEnumerator();
    std::shared_ptr<ITiffTag> tag;
    if (directories.MoveNext()) {
      if (directories.Current()->FindTag(XMPTiffTagID, tag))
        Save(xmpDir, fileName, "xmp", *tag);
      if (directories.Current()->FindTag(IPTCTiffTagID, tag))
        Save(iptcDir, fileName, "iim", *tag);
    }
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s XMP_DIR IPTC_DIR FILE...\n", argv[0]);
    return 2;
  }
  for (int i = 3; i < argc; ++i) {
    try {
      Extract(argv[1], argv[2], argv[i]);
    } catch (const Platform::Exception&) {
      // Damaged pictures simply give no seeds.
    }
  }
  std::printf("%d blocks extracted\n", Written);
  return 0;
}
