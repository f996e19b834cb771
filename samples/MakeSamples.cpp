// Writes the project's own sample pictures: small JPEGs encoded here, with Exif
// (including GPS), XMP and IPTC metadata assembled byte by byte.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EncodeGradient(int width, int height) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) {
      // An arrow pointing up, so that a turned picture is easy to spot.
      const bool arrow = (y < height / 2 && std::abs(x - width / 2) < y / 2) ||
                         (y >= height / 2 && std::abs(x - width / 2) < width / 10);
      row[3 * x] = static_cast<unsigned char>(arrow ? 250 : 40 + x * 150 / width);
      row[3 * x + 1] = static_cast<unsigned char>(arrow ? 220 : 80 + y * 120 / height);
      row[3 * x + 2] = static_cast<unsigned char>(arrow ? 40 : 160);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes result(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return result;
}

// A little-endian TIFF block writer: entries first, their out-of-line data after.
struct TIfd {
  struct Entry {
    std::uint16_t Tag, Type;
    std::uint32_t Count;
    Bytes Data;
  };
  std::vector<Entry> Entries;

  void Ascii(std::uint16_t tag, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    Entries.push_back({tag, 2, static_cast<std::uint32_t>(data.size()), data});
  }
  void Short(std::uint16_t tag, std::uint16_t value) {
    Entries.push_back({tag, 3, 1, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}});
  }
  void Long(std::uint16_t tag, std::uint32_t value) {
    Bytes data;
    for (int i = 0; i < 4; ++i)
      data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    Entries.push_back({tag, 4, 1, data});
  }
  void Rationals(std::uint16_t tag, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values) {
    Bytes data;
    for (auto [n, d] : values)
      for (auto v : {n, d})
        for (int i = 0; i < 4; ++i)
          data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    Entries.push_back({tag, 5, static_cast<std::uint32_t>(values.size()), data});
  }
  void Raw(std::uint16_t tag, std::uint16_t type, const Bytes& data) {
    Entries.push_back({tag, type, static_cast<std::uint32_t>(data.size()), data});
  }
  [[nodiscard]] std::uint32_t Size() const {
    std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(Entries.size()) + 4;
    for (const auto& e : Entries)
      if (e.Data.size() > 4)
        size += static_cast<std::uint32_t>((e.Data.size() + 1) & ~std::size_t{1});
    return size;
  }
};

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void WriteIfd(Bytes& out, const TIfd& ifd, std::uint32_t offset) {
  auto dataOffset = offset + 2 + 12 * static_cast<std::uint32_t>(ifd.Entries.size()) + 4;
  Put16(out, static_cast<std::uint32_t>(ifd.Entries.size()));
  for (const auto& e : ifd.Entries) {
    Put16(out, e.Tag);
    Put16(out, e.Type);
    Put32(out, e.Count);
    if (e.Data.size() <= 4) {
      Bytes inline4 = e.Data;
      inline4.resize(4, 0);
      out.insert(out.end(), inline4.begin(), inline4.end());
    } else {
      Put32(out, dataOffset);
      dataOffset += static_cast<std::uint32_t>((e.Data.size() + 1) & ~std::size_t{1});
    }
  }
  Put32(out, 0);
  for (const auto& e : ifd.Entries)
    if (e.Data.size() > 4) {
      out.insert(out.end(), e.Data.begin(), e.Data.end());
      if (e.Data.size() % 2)
        out.push_back(0);
    }
}

Bytes ExifBlock(int orientation, const std::string& dateTime, bool withGps, int width, int height) {
  TIfd ifd0, exif, gps;
  ifd0.Ascii(0x010E, "Fotarium sample picture");
  ifd0.Ascii(0x010F, "Fotarium");
  ifd0.Ascii(0x0110, "Sample Camera");
  ifd0.Short(0x0112, static_cast<std::uint16_t>(orientation));
  ifd0.Ascii(0x0132, dateTime);
  ifd0.Long(0x8769, 0); // Exif pointer, patched below
  if (withGps)
    ifd0.Long(0x8825, 0);
  exif.Rationals(0x829A, {{1, 125}});
  exif.Rationals(0x829D, {{28, 10}});
  exif.Short(0x8827, 200);
  exif.Raw(0x9000, 7, {'0', '2', '3', '0'});
  exif.Ascii(0x9003, dateTime);
  exif.Ascii(0x9004, dateTime);
  exif.Rationals(0x920A, {{50, 1}});
  exif.Long(0xA002, static_cast<std::uint32_t>(width));
  exif.Long(0xA003, static_cast<std::uint32_t>(height));
  if (withGps) {
    gps.Raw(0x0000, 1, {2, 3, 0, 0});
    gps.Ascii(0x0001, "N");
    gps.Rationals(0x0002, {{52, 1}, {31, 1}, {1234, 100}});
    gps.Ascii(0x0003, "E");
    gps.Rationals(0x0004, {{13, 1}, {24, 1}, {3600, 100}});
  }
  const std::uint32_t ifd0Offset = 8;
  const std::uint32_t exifOffset = ifd0Offset + ifd0.Size();
  const std::uint32_t gpsOffset = exifOffset + exif.Size();
  for (auto& e : ifd0.Entries) {
    const std::uint32_t target = e.Tag == 0x8769 ? exifOffset : e.Tag == 0x8825 ? gpsOffset : 0;
    if (target != 0) {
      e.Data.clear();
      Put32(e.Data, target);
    }
  }
  Bytes out = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0};
  Put32(out, ifd0Offset);
  Bytes tiff;
  WriteIfd(tiff, ifd0, ifd0Offset);
  WriteIfd(tiff, exif, exifOffset);
  if (withGps)
    WriteIfd(tiff, gps, gpsOffset);
  out.insert(out.end(), tiff.begin(), tiff.end());
  return out;
}

Bytes XmpSegment(const std::string& description) {
  const std::string header("http://ns.adobe.com/xap/1.0/\0", 29);
  const std::string packet =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
      " xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\">\n"
      "   <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
      description +
      "</rdf:li></rdf:Alt></dc:description>\n"
      "   <dc:subject><rdf:Bag><rdf:li>Fotarium</rdf:li><rdf:li>Beispiel</rdf:li></rdf:Bag></dc:subject>\n"
      "  </rdf:Description>\n"
      " </rdf:RDF>\n"
      "</x:xmpmeta>\n"
      "<?xpacket end=\"w\"?>";
  Bytes out(header.begin(), header.end());
  out.insert(out.end(), packet.begin(), packet.end());
  return out;
}

Bytes IptcSegment() {
  Bytes iim;
  auto dataset = [&iim](std::uint8_t record, std::uint8_t id, const std::string& text) {
    iim.insert(iim.end(), {0x1C, record, id, static_cast<std::uint8_t>(text.size() >> 8),
                           static_cast<std::uint8_t>(text.size())});
    iim.insert(iim.end(), text.begin(), text.end());
  };
  dataset(1, 90, "\x1B%G"); // UTF-8
  dataset(2, 0, std::string("\x00\x04", 2));
  dataset(2, 25, "Fotarium");
  dataset(2, 25, "Stra\xC3\x9F" "e");
  dataset(2, 120, "Ein Beispielbild");
  Bytes out = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0};
  const auto size = static_cast<std::uint32_t>(iim.size());
  out.insert(out.end(), {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                         static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
  out.insert(out.end(), iim.begin(), iim.end());
  if (iim.size() % 2)
    out.push_back(0);
  return out;
}

void AppendSegment(Bytes& out, std::uint8_t marker, const Bytes& data) {
  const auto length = data.size() + 2;
  out.insert(out.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
  out.insert(out.end(), data.begin(), data.end());
}

// SOI, the metadata segments, then the encoded picture without its own SOI.
Bytes Assemble(const Bytes& picture, const std::vector<std::pair<std::uint8_t, Bytes>>& segments) {
  Bytes out = {0xFF, 0xD8};
  for (const auto& [marker, data] : segments)
    AppendSegment(out, marker, data);
  out.insert(out.end(), picture.begin() + 2, picture.end());
  return out;
}

bool Save(const std::string& name, const Bytes& bytes) {
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  const auto landscape = EncodeGradient(320, 240);
  const auto portrait = EncodeGradient(240, 320);
  bool ok = true;
  ok &= Save(folder + "/sample-upright.jpg",
             Assemble(landscape, {{0xE1, ExifBlock(1, "2026:06:21 14:30:05", true, 320, 240)},
                                  {0xE1, XmpSegment("Ein Beispielbild")},
                                  {0xED, IptcSegment()}}));
  ok &= Save(folder + "/sample-rotated.jpg",
             Assemble(portrait, {{0xE1, ExifBlock(6, "2025:12:24 18:00:00", false, 240, 320)}}));
  ok &= Save(folder + "/sample-plain.jpg", landscape);
  if (!ok) {
    std::fprintf(stderr, "make-samples: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
