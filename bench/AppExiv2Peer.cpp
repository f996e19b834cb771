// The peer of the picture list: Exiv2 reading a file's DateTime tag the way its own tools
// do (open, read the metadata, look the key up). Kept apart because Exiv2 0.27's headers
// use std::auto_ptr.

#include "bench/AppPeers.h"

#include <exiv2/exiv2.hpp>

namespace Bench {

void Exiv2MuteLog() { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); }

std::string Exiv2DateTime(const std::string& fileName) {
  static const Exiv2::ExifKey key("Exif.Image.DateTime");
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(fileName);
  image->readMetadata();
  const Exiv2::ExifData& exif = image->exifData();
  const auto it = exif.findKey(key);
  return it == exif.end() ? std::string() : it->toString();
}

} // namespace Bench
