#pragma once

// The bodies of the fuzz targets. They live in a header so that the test replaying the
// inputs that once failed (tests/corpus/SweepRegressionTest.cpp) and the corpus sweep run
// exactly what the fuzzers ran.
//
// Each body reads an input the way a viewer would (every tag's text, the maker note, the
// XMP tree, the IPTC datasets), writes it back and reads the result again. Damaged input
// may make the library raise one of its own exceptions (all rooted at
// Platform::Exception); anything else escaping - a standard-library exception, a crash,
// a sanitizer report - is a finding. Broken round trips (our own output that does not
// read back, or reads back differently) abort with a message naming the property.

#include "Tessel/Exif.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace FuzzTargets {

using Bytes = std::span<const std::uint8_t>;

// Raised instead of abort() when FUZZ_TARGETS_THROW_ON_FAILURE is defined, so that a
// test can report a broken round trip as a failure of that one input.
struct TRoundTripFailure {
  std::string What;
};

[[noreturn]] inline void Fail(const char* what) {
#ifdef FUZZ_TARGETS_THROW_ON_FAILURE
  throw TRoundTripFailure{what};
#else
  std::fprintf(stderr, "round trip broken: %s\n", what);
  std::abort();
#endif
}

// Where the targets' answers go, so that the compiler cannot drop the reads.
inline std::uint64_t Consumed = 0;

// Folds texts into a number, so that the compiler cannot drop the reads.
class TSink {
public:
  void Add(std::string_view text) {
    for (const char c : text)
      FHash = (FHash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    FHash ^= text.size();
  }
  void Add(std::uint64_t value) { FHash = (FHash ^ value) * 1099511628211ULL; }
  void Add(double value) { Add(std::bit_cast<std::uint64_t>(value)); }
  [[nodiscard]] std::uint64_t Value() const { return FHash; }

private:
  std::uint64_t FHash = 14695981039346656037ULL;
};

// A read-only stream over the input, read in place.
inline Tessel::Exif::TUserMemoryStream InputStream(Bytes input) {
  return {input.data(), static_cast<std::int64_t>(input.size())};
}

inline std::string StreamText(const Platform::TCustomMemoryStream& stream) {
  const auto bytes = stream.Bytes();
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// ---------------------------------------------------------------------------------
// Readers

inline void ReadProperty(TSink& sink, Tessel::Exif::TXMPProperty& property, int depth) {
  using Tessel::Exif::TXMPPropertyKind;
  sink.Add(property.Name());
  sink.Add(property.NamespaceInfo().Prefix());
  sink.Add(property.NamespaceInfo().URI());
  sink.Add(static_cast<std::uint64_t>(property.Kind()));
  if (property.Kind() == TXMPPropertyKind::xpSimple) {
    sink.Add(property.ReadValue(""));
    sink.Add(static_cast<std::uint64_t>(property.ReadValue(std::int32_t{0})));
    sink.Add(static_cast<std::uint64_t>(property.ReadValue(false)));
  } else if (property.Kind() != TXMPPropertyKind::xpStructure) {
    // Arrays read as a list; an Alt array may gain its "x-default" item here.
    sink.Add(property.ReadValue(""));
  }
  if (depth > 64)
    return; // the reader refuses deeper trees; no need to trust that here
  for (int i = 0; i < property.SubPropertyCount(); ++i)
    ReadProperty(sink, property.SubProperties(i), depth + 1);
}

inline void ReadXMP(TSink& sink, Tessel::Exif::TXMPPacket& packet) {
  sink.Add(packet.AboutAttributeValue());
  for (int s = 0; s < packet.SchemaCount(); ++s) {
    auto& schema = packet.Schemas(s);
    sink.Add(schema.URI());
    sink.Add(schema.PreferredPrefix());
    for (int p = 0; p < schema.PropertyCount(); ++p)
      ReadProperty(sink, schema.Properties(p), 0);
  }
}

inline void ReadIPTC(TSink& sink, Tessel::Exif::TIPTCData& data) {
  for (auto* section : data)
    for (auto* tag : *section) {
      sink.Add(tag->AsString());
      sink.Add(tag->ReadString());
      sink.Add(static_cast<std::uint64_t>(tag->DataSize()));
    }
  // A few typed fields, which parse dates and numbers out of the texts.
  sink.Add(data.ObjectName());
  sink.Add(static_cast<std::uint64_t>(data.Urgency()));
  sink.Add(data.DateSent().Value());
  sink.Add(data.DateTimeSent().Value());
  for (const auto& s : data.SubjectRefs())
    sink.Add(s);
  sink.Add(static_cast<std::uint64_t>(data.ModelVersion().Value()));
  sink.Add(static_cast<std::uint64_t>(data.UTF8Encoded()));
}

inline void ReadTag(TSink& sink, const Tessel::Exif::TExifTag& tag) {
  sink.Add(static_cast<std::uint64_t>(tag.ID()));
  sink.Add(tag.AsString());
  const auto count = tag.ElementCount();
  if (count > 0) {
    sink.Add(tag.ElementAsString(0));
    sink.Add(tag.ElementAsString(count - 1));
  }
  sink.Add(static_cast<std::uint64_t>(tag.ReadWord(0, 0)));
  sink.Add(static_cast<std::uint64_t>(tag.ReadLongWord(0, 0)));
  sink.Add(tag.ReadFraction(0, {}).AsString());
}

// What the key-field grid and the full list show.
inline void ReadTypedProperties(TSink& sink, Tessel::Exif::TExifData& data) {
  sink.Add(data.ImageDescription());
  sink.Add(data.CameraMake());
  sink.Add(data.CameraModel());
  sink.Add(data.Software());
  sink.Add(data.Copyright());
  sink.Add(data.Title());
  sink.Add(data.Keywords());
  sink.Add(data.Subject());
  sink.Add(data.Author());
  sink.Add(data.Comments());
  sink.Add(data.DateTime().Value());
  sink.Add(data.DateTimeOriginal().Value());
  sink.Add(data.DateTimeDigitized().Value());
  sink.Add(data.GPSDateTimeUTC().Value());
  sink.Add(static_cast<std::uint64_t>(data.Orientation()));
  sink.Add(static_cast<std::uint64_t>(data.ThumbnailOrientation()));
  sink.Add(data.ExposureTime().AsString());
  sink.Add(data.FNumber().AsString());
  sink.Add(data.FocalLength().AsString());
  sink.Add(static_cast<std::uint64_t>(data.FocalLengthIn35mmFilm().Value()));
  sink.Add(static_cast<std::uint64_t>(data.ExifImageWidth().Value()));
  sink.Add(static_cast<std::uint64_t>(data.ExifImageHeight().Value()));
  sink.Add(data.ShutterSpeedInMSecs());
  sink.Add(static_cast<std::uint64_t>(data.ColorSpace()));
  sink.Add(static_cast<std::uint64_t>(data.ExposureProgram()));
  sink.Add(static_cast<std::uint64_t>(data.LightSource()));
  sink.Add(static_cast<std::uint64_t>(data.MeteringMode()));
  sink.Add(static_cast<std::uint64_t>(data.WhiteBalance()));
  sink.Add(static_cast<std::uint64_t>(data.UserRating()));
  sink.Add(data.ExifVersion().AsString());
  sink.Add(data.FlashPixVersion().AsString());
  sink.Add(data.GPSVersion().AsString());
  sink.Add(data.InteropVersion().AsString());
  sink.Add(static_cast<std::uint64_t>(data.Flash().Fired()));
  sink.Add(static_cast<std::uint64_t>(data.Flash().Mode()));
  sink.Add(data.Flash().StrobeEnergy().AsString());
  sink.Add(data.Resolution().ToString());
  sink.Add(data.FocalPlaneResolution().ToString());
  sink.Add(data.ThumbnailResolution().ToString());
  sink.Add(data.ISOSpeedRatings().AsString());
  sink.Add(data.GPSLatitude().AsString());
  sink.Add(data.GPSLongitude().AsString());
  sink.Add(data.GPSDestLatitude().AsString());
  sink.Add(data.GPSDestLongitude().AsString());
  sink.Add(data.GPSAltitude().AsString());
  sink.Add(static_cast<std::uint64_t>(data.GPSAltitudeRef()));
}

// Every section (reaching the maker-note section parses the maker note), every tag's
// text, the typed fields, the XMP tree and the IPTC data kept inside the EXIF block.
inline void ReadExif(TSink& sink, Tessel::Exif::TExifData& data) {
  sink.Add(reinterpret_cast<std::uintptr_t>(data.MakerNoteType()));
  if (data.HasMakerNote())
    sink.Add(static_cast<std::uint64_t>(data.MakerNote().Tags().Count()));
  for (auto* section : data) {
    sink.Add(static_cast<std::uint64_t>(section->LoadErrors().Count()));
    for (auto* tag : *section)
      ReadTag(sink, *tag);
  }
  ReadTypedProperties(sink, data);
  sink.Add(static_cast<std::uint64_t>(data.HasThumbnail()));
  ReadXMP(sink, data.XMPPacket());
  ReadIPTC(sink, data.EmbeddedIPTC());
}

// ---------------------------------------------------------------------------------
// Target (a): load any picture and read everything in it

inline std::uint64_t LoadPicture(Bytes input) {
  TSink sink;
  auto stream = InputStream(input);
  try {
    Tessel::Exif::TExifData data;
    if (data.LoadFromGraphic(stream))
      ReadExif(sink, data);
  } catch (const Platform::Exception&) {
  }
  try {
    stream.SetPosition(0);
    Tessel::Exif::TIPTCData iptc;
    if (iptc.LoadFromGraphic(stream))
      ReadIPTC(sink, iptc);
  } catch (const Platform::Exception&) {
  }
  try {
    stream.SetPosition(0);
    Tessel::Exif::TXMPPacket packet;
    if (packet.LoadFromGraphic(stream))
      ReadXMP(sink, packet);
  } catch (const Platform::Exception&) {
  }
  return sink.Value();
}

// ---------------------------------------------------------------------------------
// Target (b): the XMP packet reader and writer

inline std::string XMPTreeText(Tessel::Exif::TXMPPacket& packet) {
  // Empty schemas are written as empty descriptions and do not come back: left out.
  std::string out;
  const auto dump = [&out](auto& self, Tessel::Exif::TXMPProperty& property, int depth) -> void {
    out += std::to_string(depth) + property.NamespaceInfo().URI() + "|" + property.Name() + "|" +
           std::to_string(static_cast<int>(property.Kind())) + "|";
    if (property.Kind() == Tessel::Exif::TXMPPropertyKind::xpSimple)
      out += property.ReadValue("");
    out += "\n";
    for (int i = 0; i < property.SubPropertyCount(); ++i)
      self(self, property.SubProperties(i), depth + 1);
  };
  for (int s = 0; s < packet.SchemaCount(); ++s) {
    auto& schema = packet.Schemas(s);
    if (schema.PropertyCount() == 0)
      continue;
    out += schema.URI() + "\n";
    for (int p = 0; p < schema.PropertyCount(); ++p)
      dump(dump, schema.Properties(p), 1);
  }
  return out;
}

inline std::uint64_t XMPPacket(Bytes input) {
  TSink sink;
  auto stream = InputStream(input);
  Tessel::Exif::TXMPPacket packet;
  try {
    if (!packet.TryLoadFromStream(stream))
      return 0;
  } catch (const Platform::Exception&) {
    return 0;
  }
  ReadXMP(sink, packet);
  // Reading may have added "x-default" items; what we write from the tree must read back
  // as the same tree.
  packet.ResetRawXMLCache();
  Platform::TMemoryStream saved;
  packet.SaveToStream(saved);
  const auto before = XMPTreeText(packet);
  saved.SetPosition(0);
  Tessel::Exif::TXMPPacket reread;
  if (!reread.TryLoadFromStream(saved))
    Fail("XMP: a packet we wrote does not read back");
  if (XMPTreeText(reread) != before)
    Fail("XMP: a packet we wrote reads back as another tree");
  sink.Add(StreamText(saved));
  return sink.Value();
}

// ---------------------------------------------------------------------------------
// Target (c): the IIM dataset stream

inline std::string IPTCDatasetsText(const Tessel::Exif::TIPTCData& data) {
  std::string out;
  for (auto* section : data)
    for (auto* tag : *section) {
      out += std::to_string(section->ID()) + ":" + std::to_string(tag->ID()) + "=";
      const auto bytes = tag->Bytes();
      out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      out += '\n';
    }
  return out;
}

inline std::uint64_t IPTCStream(Bytes input) {
  TSink sink;
  auto stream = InputStream(input);
  Tessel::Exif::TIPTCData data;
  try {
    data.LoadFromStream(stream);
  } catch (const Platform::Exception&) {
    return 0;
  }
  ReadIPTC(sink, data);
  Platform::TMemoryStream saved;
  data.SaveToStream(saved);
  // Saving may add or drop the UTF-8 marker; from there on, what was written must read
  // back dataset for dataset.
  const auto written = IPTCDatasetsText(data);
  saved.SetPosition(0);
  Tessel::Exif::TIPTCData reread;
  reread.LoadFromStream(saved);
  if (IPTCDatasetsText(reread) != written)
    Fail("IPTC: datasets we wrote read back differently");
  if (reread.UTF8Encoded() != data.UTF8Encoded())
    Fail("IPTC: the text encoding did not survive a save");
  ReadIPTC(sink, reread);
  return sink.Value();
}

// ---------------------------------------------------------------------------------
// Target (d): load, edit through the typed properties, save, load again

inline void Edit(Tessel::Exif::TExifData& data) {
  using namespace Tessel::Exif;
  data.SetOrientation(TTiffOrientation::toRightTop);
  data.SetDateTime(TDateTimeTagValue(45123.5)); // 2023-07-15 12:00
  data.GPSLatitude().Assign(50U, 30U, TTiffLongWordFraction(155, 10), TGPSLatitudeRef::ltNorth);
  data.GPSLongitude().Assign(8U, 15U, TTiffLongWordFraction(3, 1), TGPSLongitudeRef::lnEast);
  data.SetImageDescription("edited by the fuzzer");
}

inline void CheckEdits(Tessel::Exif::TExifData& data) {
  using namespace Tessel::Exif;
  if (data.Orientation() != TTiffOrientation::toRightTop)
    Fail("edit: the orientation was lost on saving");
  if (data.ImageDescription() != "edited by the fuzzer")
    Fail("edit: the description was lost on saving");
  if (data.GPSLatitude().AsString() != "50,30,155/10N")
    Fail("edit: the latitude was lost on saving");
  if (data.DateTime().MissingOrInvalid())
    Fail("edit: the date was lost on saving");
}

// The picture object the desktop program works on: loaded with its metadata, edited,
// saved to memory (which rebuilds the metadata segments) and loaded again.
inline void EditSaveJPEGImage(TSink& sink, Bytes input, bool checkRoundTrip) {
  using namespace Tessel::Exif;
  auto stream = InputStream(input);
  if (!HasJPEGHeader(stream))
    return;
  Platform::TMemoryStream saved;
  try {
    TJPEGImageEx picture;
    picture.LoadFromStream(stream);
    ReadExif(sink, picture.ExifData());
    ReadIPTC(sink, picture.IPTCData());
    Edit(picture.ExifData());
    picture.IPTCData().SetObjectName("fuzzed");
    picture.SaveToStream(saved);
  } catch (const Platform::Exception&) {
    return;
  }
  saved.SetPosition(0);
  TJPEGImageEx reread;
  try {
    reread.LoadFromStream(saved);
  } catch (const Platform::Exception&) {
    if (checkRoundTrip)
      Fail("edit: a picture object we saved does not load");
    return;
  }
  ReadExif(sink, reread.ExifData());
  ReadIPTC(sink, reread.IPTCData());
  if (checkRoundTrip) {
    CheckEdits(reread.ExifData());
    if (reread.IPTCData().ObjectName() != "fuzzed")
      Fail("edit: the IPTC object name was lost on saving the picture object");
  }
}

inline std::uint64_t EditSave(Bytes input, bool checkRoundTrip = true) {
  using namespace Tessel::Exif;
  TSink sink;
  EditSaveJPEGImage(sink, input, checkRoundTrip);
  auto stream = InputStream(input);
  TExifData data;
  try {
    if (!data.LoadFromGraphic(stream))
      return 0;
    ReadExif(sink, data);
    Edit(data);
  } catch (const Platform::Exception&) {
    return sink.Value();
  }

  // The raw EXIF block, read back on its own.
  try {
    Platform::TMemoryStream block;
    data.SaveToStream(block);
    block.SetPosition(0);
    TExifData reread;
    reread.LoadFromStream(block);
    ReadExif(sink, reread);
    if (checkRoundTrip)
      CheckEdits(reread);
  } catch (const Platform::Exception&) {
  }

  // The whole picture rewritten in memory, read back.
  Platform::TMemoryStream picture;
  try {
    picture.WriteBuffer(input.data(), static_cast<std::int64_t>(input.size()));
    picture.SetPosition(0);
    data.SaveToGraphic(picture);
  } catch (const Platform::Exception&) {
    return sink.Value();
  }
  picture.SetPosition(0);
  TExifData reread;
  bool loaded = false;
  try {
    loaded = reread.LoadFromGraphic(picture);
  } catch (const Platform::Exception&) {
    if (checkRoundTrip)
      Fail("edit: a picture we saved does not load");
  }
  if (!loaded) {
    if (checkRoundTrip)
      Fail("edit: a picture we saved is not recognised");
    return sink.Value();
  }
  ReadExif(sink, reread);
  if (checkRoundTrip)
    CheckEdits(reread);
  return sink.Value();
}

} // namespace FuzzTargets
