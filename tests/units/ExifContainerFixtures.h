#pragma once

// Fixtures of the EXIF container tests: EXIF blocks laid out from a description of their
// directories, JPEG, PSD and TIFF files around them, and small XMP and IPTC payloads.

#include "Tessel/Exif.h"

#include "platform/Graphics.h"
#include "platform/JPEGImage.h"
#include "platform/Streams.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ExifFixtures {

using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Lays out a TIFF structure: directories with their entries, out-of-line data right
// behind each table, sub-directory pointers and next-directory links filled in.
class TExifBuilder {
public:
  enum : std::uint16_t { BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, UNDEFINED = 7, SRATIONAL = 10 };

  explicit TExifBuilder(bool bigEndian = false) : FBig(bigEndian) { FIfds.emplace_back(); }

  [[nodiscard]] bool Big() const { return FBig; }

  // A new directory, answered by its index; directory 0 (IFD0) exists from the start.
  int AddIfd() {
    FIfds.emplace_back();
    return static_cast<int>(FIfds.size()) - 1;
  }
  // The directory that follows another in the main chain (IFD1 after IFD0).
  void Chain(int ifd, int next) { FIfds[static_cast<std::size_t>(ifd)].Next = next; }

  // An entry whose value bytes are given in file order.
  void Raw(int ifd, std::uint16_t id, std::uint16_t type, std::uint32_t count, Bytes value) {
    FIfds[static_cast<std::size_t>(ifd)].Entries.push_back({id, type, count, std::move(value), -1, -1});
  }
  void Short(int ifd, std::uint16_t id, std::uint16_t value) { Raw(ifd, id, SHORT, 1, U16(value)); }
  void Shorts(int ifd, std::uint16_t id, const std::vector<std::uint16_t>& values) {
    Bytes bytes;
    for (auto v : values)
      bytes = bytes + U16(v);
    Raw(ifd, id, SHORT, static_cast<std::uint32_t>(values.size()), bytes);
  }
  void Long(int ifd, std::uint16_t id, std::uint32_t value) { Raw(ifd, id, LONG, 1, U32(value)); }
  void Ascii(int ifd, std::uint16_t id, std::string_view text) {
    Raw(ifd, id, ASCII, static_cast<std::uint32_t>(text.size() + 1), BytesOf(text) + Bytes{0});
  }
  void Undefined(int ifd, std::uint16_t id, const Bytes& bytes) {
    Raw(ifd, id, UNDEFINED, static_cast<std::uint32_t>(bytes.size()), bytes);
  }
  void Rational(int ifd, std::uint16_t id, std::uint32_t n, std::uint32_t d) {
    Raw(ifd, id, RATIONAL, 1, U32(n) + U32(d));
  }
  // A LONG pointer to another directory.
  void Pointer(int ifd, std::uint16_t id, int target) {
    FIfds[static_cast<std::size_t>(ifd)].Entries.push_back({id, LONG, 1, Bytes(4), target, -1});
  }
  // A LONG that receives the offset of a blob placed after all directories.
  void BlobPointer(int ifd, std::uint16_t id, Bytes blob) {
    FBlobs.push_back(std::move(blob));
    FIfds[static_cast<std::size_t>(ifd)].Entries.push_back(
        {id, LONG, 1, Bytes(4), -1, static_cast<int>(FBlobs.size()) - 1});
  }

  // The TIFF block; DataOffset then tells where an entry's data went.
  [[nodiscard]] Bytes Build() {
    FDataOffsets.clear();
    std::vector<std::uint32_t> ifdOffsets(FIfds.size());
    std::uint32_t at = 8;
    for (std::size_t i = 0; i < FIfds.size(); ++i) {
      ifdOffsets[i] = at;
      at += 2 + 12 * static_cast<std::uint32_t>(FIfds[i].Entries.size()) + 4;
      for (const auto& e : FIfds[i].Entries)
        if (e.Value.size() > 4)
          at += static_cast<std::uint32_t>(e.Value.size() + (e.Value.size() & 1));
    }
    std::vector<std::uint32_t> blobOffsets;
    for (const auto& blob : FBlobs) {
      blobOffsets.push_back(at);
      at += static_cast<std::uint32_t>(blob.size());
    }

    Bytes out = FBig ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    out = out + U32(FIfds.size() > 0 ? ifdOffsets[0] : 0);
    for (std::size_t i = 0; i < FIfds.size(); ++i) {
      const auto& ifd = FIfds[i];
      out = out + U16(static_cast<std::uint16_t>(ifd.Entries.size()));
      std::uint32_t dataAt = ifdOffsets[i] + 2 + 12 * static_cast<std::uint32_t>(ifd.Entries.size()) + 4;
      Bytes data;
      for (const auto& e : ifd.Entries) {
        out = out + U16(e.ID) + U16(e.Type) + U32(e.Count);
        if (e.Target >= 0) {
          out = out + U32(ifdOffsets[static_cast<std::size_t>(e.Target)]);
        } else if (e.Blob >= 0) {
          out = out + U32(blobOffsets[static_cast<std::size_t>(e.Blob)]);
        } else if (e.Value.size() <= 4) {
          Bytes field = e.Value;
          field.resize(4, 0);
          out = out + field;
          FDataOffsets[{static_cast<int>(i), e.ID}] = static_cast<std::uint32_t>(out.size() - 4);
        } else {
          const auto offset = dataAt + static_cast<std::uint32_t>(data.size());
          out = out + U32(offset);
          FDataOffsets[{static_cast<int>(i), e.ID}] = offset;
          data = data + e.Value;
          if (e.Value.size() & 1)
            data.push_back(0);
        }
      }
      out = out + U32(ifd.Next >= 0 ? ifdOffsets[static_cast<std::size_t>(ifd.Next)] : 0) + data;
    }
    for (const auto& blob : FBlobs)
      out = out + blob;
    return out;
  }

  [[nodiscard]] std::uint32_t DataOffset(int ifd, std::uint16_t id) const { return FDataOffsets.at({ifd, id}); }

  // Replaces the value of an entry (same size), for data that must know where it lands.
  void SetValue(int ifd, std::uint16_t id, Bytes value) {
    for (auto& e : FIfds[static_cast<std::size_t>(ifd)].Entries)
      if (e.ID == id)
        e.Value = std::move(value);
  }

  [[nodiscard]] Bytes U16(std::uint16_t v) const {
    return FBig ? Bytes{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}
                : Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  }
  [[nodiscard]] Bytes U32(std::uint32_t v) const {
    Bytes b(4);
    for (int i = 0; i < 4; ++i)
      b[static_cast<std::size_t>(FBig ? 3 - i : i)] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
  }

private:
  struct TEntry {
    std::uint16_t ID;
    std::uint16_t Type;
    std::uint32_t Count;
    Bytes Value;
    int Target;
    int Blob;
  };
  struct TIfd {
    std::vector<TEntry> Entries;
    int Next = -1;
  };

  bool FBig;
  std::vector<TIfd> FIfds;
  std::vector<Bytes> FBlobs;
  std::map<std::pair<int, std::uint16_t>, std::uint32_t> FDataOffsets;
};

// A directory of maker-note entries in one byte order, with offsets counted from
// offsetOrigin (a position within the bytes built here, possibly negative) — the layout
// of a maker note without the container's help.
class TMakerNoteBuilder {
public:
  explicit TMakerNoteBuilder(bool bigEndian) : FHelper(bigEndian) {}
  void Short(std::uint16_t id, std::uint16_t value) { FEntries.push_back({id, 3, 1, FHelper.U16(value)}); }
  void Ascii(std::uint16_t id, std::string_view text) {
    FEntries.push_back({id, 2, static_cast<std::uint32_t>(text.size() + 1), BytesOf(text) + Bytes{0}});
  }
  void Rational(std::uint16_t id, std::uint32_t n, std::uint32_t d) {
    FEntries.push_back({id, 5, 1, FHelper.U32(n) + FHelper.U32(d)});
  }
  // header + directory + data; an offset v written in an entry addresses byte
  // (offsetOrigin + v) of the result.
  [[nodiscard]] Bytes Build(const Bytes& header, std::int64_t offsetOrigin) const {
    Bytes out = header + FHelper.U16(static_cast<std::uint16_t>(FEntries.size()));
    const auto dataStart = static_cast<std::int64_t>(header.size() + 2 + 12 * FEntries.size() + 4);
    Bytes data;
    for (const auto& e : FEntries) {
      out = out + FHelper.U16(e.ID) + FHelper.U16(e.Type) + FHelper.U32(e.Count);
      if (e.Value.size() <= 4) {
        Bytes field = e.Value;
        field.resize(4, 0);
        out = out + field;
      } else {
        out = out + FHelper.U32(
                        static_cast<std::uint32_t>(dataStart + static_cast<std::int64_t>(data.size()) - offsetOrigin));
        data = data + e.Value;
      }
    }
    return out + FHelper.U32(0) + data;
  }

private:
  struct TEntry {
    std::uint16_t ID;
    std::uint16_t Type;
    std::uint32_t Count;
    Bytes Value;
  };
  TExifBuilder FHelper;
  std::vector<TEntry> FEntries;
};

// --- JPEG, PSD and payloads ---------------------------------------------------------------

inline Bytes Segment(std::uint8_t marker, const Bytes& data) {
  const auto length = data.size() + 2;
  return Bytes{0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)} + data;
}

inline Bytes ExifSegment(const Bytes& tiff) { return Segment(0xE1, BytesOf(std::string_view("Exif\0\0", 6)) + tiff); }

inline std::string XMPPacketText(std::string_view format = "image/jpeg") {
  return "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
         "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
         "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>" +
         std::string(format) + "</dc:format></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

inline Bytes XMPSegment(std::string_view format = "image/jpeg") {
  return Segment(0xE1,
                 BytesOf(std::string_view("http://ns.adobe.com/xap/1.0/\0", 29)) + BytesOf(XMPPacketText(format)));
}

// Record 2, dataset 5 (object name) as one IIM dataset.
inline Bytes IPTCObjectName(std::string_view name) {
  return Bytes{0x1C, 2, 5, 0, static_cast<std::uint8_t>(name.size())} + BytesOf(name);
}

// A start of scan and fake entropy-coded data (no 0xFF) of the given size, then EOI.
inline Bytes PictureData(std::size_t size) {
  Bytes sos = Segment(0xDA, Bytes{1, 1, 0, 0, 63, 0});
  Bytes data(size, 0x55);
  return sos + data + Bytes{0xFF, 0xD9};
}

inline Bytes JPEGFile(const std::vector<Bytes>& segments, std::size_t pictureSize = 64) {
  Bytes out{0xFF, 0xD8};
  for (const auto& s : segments)
    out = out + s;
  return out + PictureData(pictureSize);
}

// A real, decodable JPEG picture of the given size.
inline Bytes TinyJPEG(int width, int height) {
  Platform::TBitmap bitmap(width, height);
  bitmap.FillRect({0, 0, width, height}, Platform::RGB(200, 30, 30));
  return Platform::EncodeBitmapToJPEG(bitmap, 80);
}

inline Bytes BigEndian32(std::uint32_t v) {
  return Bytes{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
               static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

inline Bytes AdobeBlock(std::uint16_t id, const Bytes& data) {
  Bytes out = BytesOf("8BIM") + Bytes{static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), 0, 0} +
              BigEndian32(static_cast<std::uint32_t>(data.size())) + data;
  if (data.size() & 1)
    out.push_back(0);
  return out;
}

inline Bytes PSDFile(const std::vector<Bytes>& blocks) {
  Bytes resources;
  for (const auto& b : blocks)
    resources = resources + b;
  Bytes out = BytesOf(std::string_view("8BPS\0\1\0\0\0\0\0\0", 12)) + Bytes{0, 3} + BigEndian32(1) + BigEndian32(1) +
              Bytes{0, 8, 0, 3} + BigEndian32(0) + BigEndian32(static_cast<std::uint32_t>(resources.size())) +
              resources + BigEndian32(0);
  return out + Bytes{0, 0, 1, 2, 3};
}

inline std::unique_ptr<Platform::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<Platform::TMemoryStream>();
  if (!bytes.empty())
    stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

// An Exif block as SaveToStream writes it, and loaded back into a container.
inline Bytes SaveBlock(Tessel::Exif::TExifData& data) {
  Platform::TMemoryStream stream;
  data.SaveToStream(stream);
  const auto bytes = stream.Bytes();
  return Bytes(bytes.begin(), bytes.end());
}

inline void LoadBlock(Tessel::Exif::TExifData& data, const Bytes& block) {
  auto stream = StreamOf(block);
  data.LoadFromStream(*stream);
}

inline bool LoadGraphic(Tessel::Exif::TCustomExifData& data, const Bytes& bytes) {
  auto stream = StreamOf(bytes);
  return data.LoadFromGraphic(*stream);
}

inline std::vector<std::uint16_t> TagIDs(const Tessel::Exif::TExifSection& section) {
  std::vector<std::uint16_t> ids;
  for (auto* tag : section)
    ids.push_back(tag->ID());
  return ids;
}

} // namespace ExifFixtures
