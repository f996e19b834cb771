#pragma once

// Fixtures of the EXIF section tests: an owner that records what its sections tell it,
// and a builder for one-directory TIFF blocks with raw entries.

#include "Tessel/Exif.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace ExifFixtures {

using Bytes = std::vector<std::uint8_t>;
using Tessel::Exif::ExifSectionKinds;
using Tessel::Exif::IExifSectionOwner;
using Tessel::Exif::ParseTiff;
using Tessel::Exif::TExifSection;
using Tessel::Exif::TExifSectionKind;
using Tessel::Exif::TExtendableExifSection;
using Tessel::Exif::TUserMemoryStream;

// Stands in for the EXIF container: one section of every kind, an update bracket and
// counters for the notifications.
class TFakeOwner : public IExifSectionOwner {
public:
  explicit TFakeOwner(bool extendable = true) {
    for (auto kind : ExifSectionKinds) {
      auto& slot = FSections[static_cast<std::size_t>(kind)];
      if (extendable)
        slot = std::make_unique<TExtendableExifSection>(this, kind);
      else
        slot = std::make_unique<TExifSection>(this, kind);
    }
  }

  void BeginUpdate() override { ++UpdateDepth; }
  void EndUpdate() override {
    if (--UpdateDepth == 0 && FPending) {
      FPending = false;
      ++ChangeEvents;
    }
  }
  void Changed(TExifSection* sender) override {
    Senders.push_back(sender);
    if (UpdateDepth > 0)
      FPending = true;
    else
      ++ChangeEvents;
  }
  [[nodiscard]] bool EnforceASCII() const override { return Enforce; }
  [[nodiscard]] bool AlwaysWritePreciseTimes() const override { return PreciseTimes; }
  [[nodiscard]] TExifSection* OwnedSection(TExifSectionKind kind) const override {
    return FSections[static_cast<std::size_t>(kind)].get();
  }
  void ResetMakerNoteType() override { ++MakerNoteResets; }

  [[nodiscard]] TExifSection& Section(TExifSectionKind kind) const { return *OwnedSection(kind); }
  [[nodiscard]] TExtendableExifSection& Extendable(TExifSectionKind kind) const {
    return dynamic_cast<TExtendableExifSection&>(Section(kind));
  }

  bool Enforce = true;
  bool PreciseTimes = false;
  int UpdateDepth = 0;
  int ChangeEvents = 0;
  int MakerNoteResets = 0;
  std::vector<TExifSection*> Senders;

private:
  bool FPending = false;
  std::array<std::unique_ptr<TExifSection>, 7> FSections;
};

// One raw entry: data in file byte order; inline when it takes 4 bytes or less, unless
// RawField overrides the value field (for bad offsets).
struct TRawEntry {
  TRawEntry(std::uint16_t id, std::uint16_t type, std::uint32_t count, Bytes data,
            std::optional<std::uint32_t> rawField = std::nullopt)
      : ID(id), Type(type), Count(count), Data(std::move(data)), RawField(rawField) {}

  std::uint16_t ID = 0;
  std::uint16_t Type = 0;
  std::uint32_t Count = 0;
  Bytes Data;
  std::optional<std::uint32_t> RawField;
};

// "II"/"MM" header, one IFD at offset 8, the out-of-line data after it.
inline Bytes BuildTiff(bool bigEndian, const std::vector<TRawEntry>& entries, std::uint32_t nextIFD = 0) {
  Bytes out;
  auto u16 = [&](std::uint16_t v) {
    if (bigEndian)
      out.insert(out.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
    else
      out.insert(out.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  };
  auto u32 = [&](std::uint32_t v) {
    if (bigEndian) {
      u16(static_cast<std::uint16_t>(v >> 16));
      u16(static_cast<std::uint16_t>(v));
    } else {
      u16(static_cast<std::uint16_t>(v));
      u16(static_cast<std::uint16_t>(v >> 16));
    }
  };
  const Bytes mark = bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
  out.insert(out.end(), mark.begin(), mark.end());
  u32(8);
  u16(static_cast<std::uint16_t>(entries.size()));
  auto dataOffset = static_cast<std::uint32_t>(8 + 2 + 12 * entries.size() + 4);
  Bytes tail;
  for (const auto& e : entries) {
    u16(e.ID);
    u16(e.Type);
    u32(e.Count);
    if (e.RawField) {
      u32(*e.RawField);
    } else if (e.Data.size() <= 4) {
      Bytes field = e.Data;
      field.resize(4, 0);
      out.insert(out.end(), field.begin(), field.end());
    } else {
      u32(dataOffset + static_cast<std::uint32_t>(tail.size()));
      tail.insert(tail.end(), e.Data.begin(), e.Data.end());
    }
  }
  u32(nextIFD);
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// Parses a TIFF block and hands its first directory to the section.
inline void LoadFirstDirectory(TExifSection& section, const Bytes& tiff, bool tiffImageSource = false) {
  TUserMemoryStream stream(tiff.data(), static_cast<std::int64_t>(tiff.size()));
  auto parser = ParseTiff(stream);
  for (const auto& directory : parser->GetEnumerator()) {
    section.Load(*directory, tiffImageSource);
    return;
  }
}

inline Bytes AsciiZ(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

} // namespace ExifFixtures

namespace ExifFixtures {

// Loads a TIFF block ("Exif\0\0" optional) or a whole TIFF file into the owner's sections
// the way the EXIF container does: IFD0 and IFD1 of the main chain, then the Exif, GPS and
// Interop sub-directories through their pointer tags. Answers the block's byte order.
inline Tessel::Exif::TEndianness LoadExifBlock(TFakeOwner& owner, Tessel::Exif::TStream& stream, bool tiffFile) {
  using namespace Tessel::Exif;
  if (CheckSignature(stream, ExifHeader))
    tiffFile = false;
  auto parser = ParseTiff(stream);
  std::shared_ptr<IFoundTiffDirectory> ifd0;
  for (const auto& directory : parser->GetEnumerator()) {
    if (directory->Index() == 0) {
      owner.Section(TExifSectionKind::esGeneral).Load(*directory, tiffFile);
      ifd0 = directory;
      continue;
    }
    if (!tiffFile || directory->IsExifThumbnailDirectory())
      owner.Section(TExifSectionKind::esThumbnail).Load(*directory, tiffFile);
    break;
  }
  auto follow = [&](const std::shared_ptr<IFoundTiffDirectory>& parent, TExifSectionKind parentKind,
                    TTiffTagID pointerID, TExifSectionKind kind) -> std::shared_ptr<IFoundTiffDirectory> {
    if (!parent || owner.Section(parentKind).Find(pointerID) == nullptr)
      return nullptr;
    for (const auto& info : parent->TagInfo()) {
      if (info.ID != pointerID)
        continue;
      std::shared_ptr<IFoundTiffDirectory> directory;
      if (!parser->ParseSubDirectory(parent, info, directory))
        return nullptr;
      owner.Section(kind).Load(*directory, tiffFile);
      return directory;
    }
    return nullptr;
  };
  const auto exif = follow(ifd0, TExifSectionKind::esGeneral, ttExifOffset, TExifSectionKind::esDetails);
  follow(ifd0, TExifSectionKind::esGeneral, ttGPSOffset, TExifSectionKind::esGPS);
  follow(exif, TExifSectionKind::esDetails, ttInteropOffset, TExifSectionKind::esInterop);
  return parser->Endianness();
}

// The section's tags written as the one IFD of a new TIFF block.
inline Bytes WriteSectionAsTiff(const TExifSection& section, Tessel::Exif::TEndianness endianness) {
  using namespace Tessel::Exif;
  Platform::TMemoryStream stream;
  WriteTiffHeader(stream, endianness, 8);
  WriteWord(stream, static_cast<std::uint16_t>(section.Count()), endianness);
  auto dataOffset = static_cast<std::uint32_t>(8 + 2 + 12 * section.Count() + 4);
  for (auto* tag : section) {
    tag->WriteHeader(stream, endianness, dataOffset);
    if (tag->DataSize() > 4)
      dataOffset += static_cast<std::uint32_t>(tag->DataSize());
  }
  WriteLongWord(stream, 0, endianness);
  for (auto* tag : section)
    tag->WriteOffsetData(stream, endianness);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

} // namespace ExifFixtures
