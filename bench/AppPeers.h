#pragma once

// What the desktop program's benchmarks compare with, behind plain functions so that
// Exiv2's headers stay in their own translation unit.

#include <string>

namespace Bench {

void Exiv2MuteLog();
// The file's Exif.Image.DateTime as text (empty when missing); throws Exiv2's errors.
std::string Exiv2DateTime(const std::string& fileName);

} // namespace Bench
