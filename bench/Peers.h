#pragma once

// The two libraries under comparison, behind the same small interface, so that every
// benchmark runs the same work through both. Exiv2 stays in its own translation unit:
// its 0.27 headers use std::auto_ptr, which must not leak into the rest of the build.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Bench {

// Loads a file's metadata and produces the text of every tag (Exif with the maker
// note, XMP, IPTC); answers a hash of the texts and the number of texts.
struct TReadResult {
  std::uint64_t Hash = 0;
  std::size_t Texts = 0;
  // Ours only: what the file stream fetched (TFileStream::BytesFetched), a cross-check
  // of the rchar count that both sides are measured by.
  std::int64_t BytesFetched = 0;
};

// Sets the orientation to 6 in a JPEG held in memory and saves the picture to memory;
// answers the new size.

TReadResult OursRead(const std::string& fileName);
std::size_t OursWriteOrientation(std::span<const std::uint8_t> jpeg);

void Exiv2Initialize();
void Exiv2Terminate();
TReadResult Exiv2Read(const std::string& fileName);
std::size_t Exiv2WriteOrientation(std::span<const std::uint8_t> jpeg);

// FNV-1a over a text, for the hashes above.
inline void HashText(std::uint64_t& hash, const std::string& text) {
  for (const char c : text)
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
}

} // namespace Bench
