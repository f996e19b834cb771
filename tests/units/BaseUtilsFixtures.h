#pragma once

// Byte-level fixtures shared by the BaseUtils tests: JPEG segments, streams over byte
// arrays, and a payload that saves fixed bytes.

#include "Tessel/Exif/BaseUtils.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

namespace BaseUtilsFixtures {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes result;
  for (const auto& part : parts)
    result.insert(result.end(), part.begin(), part.end());
  return result;
}

inline Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// FF, marker, big-endian length (counting itself), data.
inline Bytes Segment(std::uint8_t marker, const Bytes& data) {
  const auto length = data.size() + 2;
  Bytes result{0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)};
  result.insert(result.end(), data.begin(), data.end());
  return result;
}

inline Bytes ExifApp1(std::uint8_t tag = 0) {
  return Segment(0xE1, Concat({Text(std::string_view("Exif\0\0", 6)), {0x49, 0x49, 0x2A, 0x00, 8, 0, 0, 0, tag}}));
}

inline Bytes XMPApp1(std::string_view body = "x") {
  return Segment(0xE1, Concat({Text(Tessel::Exif::XMPSegmentHeader), Text("<?xpacket begin=''?>"), Text(body)}));
}

inline std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

inline Bytes BytesOf(const Platform::TCustomMemoryStream& stream) {
  const auto span = stream.Bytes();
  return Bytes(span.begin(), span.end());
}

// A payload container that saves fixed bytes (empty bytes answer Empty).
class TBytesPayload : public Tessel::Exif::IStreamPersistEx {
public:
  explicit TBytesPayload(Bytes bytes) : FBytes(std::move(bytes)) {}
  void LoadFromStream(Platform::TStream& stream) override {
    FBytes.resize(static_cast<std::size_t>(stream.Size() - stream.Position()));
    stream.ReadBuffer(FBytes.data(), static_cast<std::int64_t>(FBytes.size()));
  }
  void SaveToStream(Platform::TStream& stream) override {
    stream.WriteBuffer(FBytes.data(), static_cast<std::int64_t>(FBytes.size()));
  }
  [[nodiscard]] bool Empty() const override { return FBytes.empty(); }

private:
  Bytes FBytes;
};

} // namespace BaseUtilsFixtures
