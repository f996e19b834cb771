// The peer: Exiv2, read and written the way its own tools do it.

#include "bench/Peers.h"

#include <exiv2/exiv2.hpp>

namespace Bench {

void Exiv2Initialize() {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  Exiv2::XmpParser::initialize();
}

void Exiv2Terminate() { Exiv2::XmpParser::terminate(); }

TReadResult Exiv2Read(const std::string& fileName) {
  TReadResult result;
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(fileName);
  image->readMetadata();
  for (const auto& datum : image->exifData()) {
    HashText(result.Hash, datum.toString());
    ++result.Texts;
  }
  for (const auto& datum : image->iptcData()) {
    HashText(result.Hash, datum.toString());
    ++result.Texts;
  }
  for (const auto& datum : image->xmpData()) {
    HashText(result.Hash, datum.toString());
    ++result.Texts;
  }
  return result;
}

std::size_t Exiv2WriteOrientation(std::span<const std::uint8_t> jpeg) {
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
  image->readMetadata();
  image->exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6);
  image->writeMetadata();
  return image->io().size();
}

} // namespace Bench
