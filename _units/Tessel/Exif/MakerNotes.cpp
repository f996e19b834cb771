// Maker notes: the layouts of the supported camera makers, the process-wide registry
// that decides in which order they are tried, and the container's lazy maker note.

#include "Tessel/Exif.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace Tessel::Exif {

namespace {

using enum TExifSectionKind;
using enum TExifDataOffsetsType;

template <typename T> std::unique_ptr<TExifMakerNote> CreateMakerNote(TExifSection& section) {
  return std::make_unique<T>(section);
}

// The description of class T, made from its class-level operations.
template <typename T>
TExifMakerNoteClassInfo DescribeMakerNote(std::string_view className, std::string_view name,
                                          TExifMakerNoteClass parent) {
  return {className, name, parent, &T::FormatIsOK, &T::GetIFDInfo, &CreateMakerNote<T>};
}

// The tag's data starts with the signature and holds more bytes than the header.
bool HasSignature(const TExifTag& source, std::string_view signature, std::int32_t headerSize) {
  const auto bytes = source.Bytes();
  return source.ElementCount() > headerSize && bytes.size() >= signature.size() &&
         std::memcmp(bytes.data(), signature.data(), signature.size()) == 0;
}

// Make or Model of the container the tag belongs to; empty without one.
std::string CameraText(const TExifTag& source, TTiffTagID id) {
  const auto* section = source.Section();
  if (section == nullptr || section->Owner() == nullptr)
    return {};
  const auto* general = section->Owner()->OwnedSection(esGeneral);
  return general != nullptr ? general->GetStringValue(id) : std::string();
}

constexpr TEndianness Flipped(TEndianness value) {
  return value == TEndianness::SmallEndian ? TEndianness::BigEndian : TEndianness::SmallEndian;
}

// Registration is meant for start-up; the list is not guarded.
std::vector<TExifMakerNoteClass>& Registry() {
  static std::vector<TExifMakerNoteClass> registry{
      TNikonType2MakerNote::Class(), TCanonMakerNote::Class(),      TPentaxMakerNote::Class(),
      TSonyMakerNote::Class(),       TNikonType1MakerNote::Class(), TNikonType3MakerNote::Class(),
      TPanasonicMakerNote::Class(),
  };
  return registry;
}

} // namespace

// --- Class descriptions -----------------------------------------------------------------

bool TExifMakerNoteClassInfo::FormatIsOK(const TExifTag& source) const {
  std::int32_t headerSize = 0;
  return source.DataType() == TTiffDataType::tdUndefined && source.ElementCount() > 1 &&
         FormatIsOKProc(source, headerSize);
}

std::unique_ptr<TExifMakerNote> TExifMakerNoteClassInfo::Create(TExifSection& section) const {
  if (CreateProc == nullptr)
    throw EInvalidMakerNoteFormat();
  return CreateProc(section);
}

bool TExifMakerNoteClassInfo::InheritsFrom(TExifMakerNoteClass other) const {
  for (auto cls = this; cls != nullptr; cls = cls->Parent)
    if (cls == other)
      return true;
  return false;
}

TExifMakerNoteClass TExifMakerNote::Class() {
  static const TExifMakerNoteClassInfo info{
      "TExifMakerNote", "", nullptr, &TExifMakerNote::FormatIsOK, &TExifMakerNote::GetIFDInfo, nullptr};
  return &info;
}

TExifMakerNoteClass TUnrecognizedMakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TUnrecognizedMakerNote>("TUnrecognizedMakerNote", "Unrecognized", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass THeaderlessMakerNote::Class() {
  static const auto info =
      DescribeMakerNote<THeaderlessMakerNote>("THeaderlessMakerNote", "Headerless", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TCanonMakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TCanonMakerNote>("TCanonMakerNote", "Canon", THeaderlessMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TNikonType2MakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TNikonType2MakerNote>("TNikonType2MakerNote", "NikonType2", THeaderlessMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TPanasonicMakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TPanasonicMakerNote>("TPanasonicMakerNote", "Panasonic", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TPentaxMakerNote::Class() {
  static const auto info = DescribeMakerNote<TPentaxMakerNote>("TPentaxMakerNote", "Pentax", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TNikonType1MakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TNikonType1MakerNote>("TNikonType1MakerNote", "NikonType1", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TNikonType3MakerNote::Class() {
  static const auto info =
      DescribeMakerNote<TNikonType3MakerNote>("TNikonType3MakerNote", "NikonType3", TExifMakerNote::Class());
  return &info;
}

TExifMakerNoteClass TSonyMakerNote::Class() {
  static const auto info = DescribeMakerNote<TSonyMakerNote>("TSonyMakerNote", "Sony", TExifMakerNote::Class());
  return &info;
}

// --- Layout tests -----------------------------------------------------------------------

bool TExifMakerNote::FormatIsOK(const TExifTag& /*source*/, std::int32_t& headerSize) {
  headerSize = 0;
  return false;
}

void TExifMakerNote::GetIFDInfo(const TExifTag& /*source*/, TEndianness& /*probableEndianness*/,
                                TExifDataOffsetsType& /*dataOffsetsType*/) {}

bool TUnrecognizedMakerNote::FormatIsOK(const TExifTag& /*source*/, std::int32_t& headerSize) {
  headerSize = 0;
  return false;
}

bool THeaderlessMakerNote::FormatIsOK(const TExifTag& /*source*/, std::int32_t& headerSize) {
  headerSize = 0;
  return true;
}

bool TCanonMakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 0;
  return CameraText(source, ttMake) == "Canon";
}

void TCanonMakerNote::GetIFDInfo(const TExifTag& /*source*/, TEndianness& probableEndianness,
                                 TExifDataOffsetsType& /*dataOffsetsType*/) {
  probableEndianness = TEndianness::SmallEndian;
}

bool TNikonType2MakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 0;
  return CameraText(source, ttMake).starts_with("NIKON");
}

bool TPanasonicMakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 12;
  return HasSignature(source, std::string_view("Panasonic\0\0\0", 12), headerSize);
}

void TPanasonicMakerNote::GetIFDInfo(const TExifTag& /*source*/, TEndianness& probableEndianness,
                                     TExifDataOffsetsType& /*dataOffsetsType*/) {
  probableEndianness = TEndianness::SmallEndian;
}

namespace {

// The byte-order mark behind the Pentax signature, when there is one.
std::optional<TEndianness> PentaxByteOrderMark(const TExifTag& source) {
  const auto bytes = source.Bytes();
  if (bytes.size() < 6 || bytes[4] != bytes[5])
    return std::nullopt;
  if (bytes[4] == 'M')
    return TEndianness::BigEndian;
  if (bytes[4] == 'I')
    return TEndianness::SmallEndian;
  return std::nullopt;
}

} // namespace

bool TPentaxMakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  // Later cameras put a byte-order mark between the signature and the directory; its
  // value offsets still count from the start of the EXIF data.
  headerSize = PentaxByteOrderMark(source) ? 6 : 4;
  return HasSignature(source, std::string_view("AOC\0", 4), headerSize);
}

void TPentaxMakerNote::GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                                  TExifDataOffsetsType& /*dataOffsetsType*/) {
  if (const auto mark = PentaxByteOrderMark(source))
    probableEndianness = *mark;
}

bool TNikonType1MakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 8;
  return HasSignature(source, std::string_view("Nikon\0\1\0", 8), headerSize);
}

bool TNikonType3MakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 18;
  return HasSignature(source, std::string_view("Nikon\0\2", 7), headerSize);
}

void TNikonType3MakerNote::GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                                      TExifDataOffsetsType& dataOffsetsType) {
  // The embedded TIFF header at data offset 10 names the byte order.
  const auto bytes = source.Bytes();
  const bool motorola = bytes.size() >= 12 && bytes[10] == 'M' && bytes[11] == 'M';
  probableEndianness = motorola ? TEndianness::BigEndian : TEndianness::SmallEndian;
  dataOffsetsType = doFromIFDStart;
}

std::string TNikonType3MakerNote::TagText(TTiffTagID id) const {
  const auto* tag = Tags().Find(id);
  return tag != nullptr ? tag->AsString() : std::string();
}

TTiffLongWordFraction TNikonType3MakerNote::TagFraction(TTiffTagID id) const { return Tags().GetFractionValue(id, 0); }

bool TSonyMakerNote::FormatIsOK(const TExifTag& source, std::int32_t& headerSize) {
  headerSize = 12;
  return HasSignature(source, "SONY DSC", headerSize);
}

void TSonyMakerNote::GetIFDInfo(const TExifTag& source, TEndianness& probableEndianness,
                                TExifDataOffsetsType& /*dataOffsetsType*/) {
  probableEndianness = CameraText(source, ttModel) == "DSLR-A100" ? TEndianness::BigEndian : TEndianness::SmallEndian;
}

// --- Parsing ----------------------------------------------------------------------------

TExifMakerNote::TExifMakerNote(TExifMakerNoteClass makerNoteClass, TExifSection& section, TNoParse)
    : FClass(makerNoteClass), FTags(&section) {}

TExifMakerNote::TExifMakerNote(TExifMakerNoteClass makerNoteClass, TExifSection& section)
    : FClass(makerNoteClass), FTags(&section) {
  Parse();
}

void TExifMakerNote::Parse() {
  auto* owner = FTags->Owner();
  const auto* details = owner != nullptr ? owner->OwnedSection(esDetails) : nullptr;
  const auto* tag = details != nullptr ? details->Find(ttMakerNote) : nullptr;
  std::int32_t headerSize = 0;
  if (tag == nullptr || !FClass->FormatIsOK(*tag, headerSize))
    throw EInvalidMakerNoteFormat();

  const auto* container = dynamic_cast<const TCustomExifData*>(owner);
  FDataOffsetsType = doFromExifStart;
  FEndianness = container != nullptr ? container->Endianness() : TEndianness::SmallEndian;
  FClass->GetIFDInfo(*tag, FEndianness, FDataOffsetsType);

  // Where value offsets count from, relative to the first byte of the tag's data.
  std::int64_t origin = 0;
  switch (FDataOffsetsType) {
  case doFromExifStart: origin = -static_cast<std::int64_t>(tag->OriginalDataOffset()); break;
  case doFromMakerNoteStart: origin = 0; break;
  case doFromIFDStart: origin = headerSize; break;
  case doCustomFormat: return;
  }
  const std::int64_t correction =
      FDataOffsetsType == doFromIFDStart ? -8 : details->GetLongIntValue(ttOffsetSchema, 0, 0);

  const auto data = tag->Bytes();
  LoadDirectory(data, origin, headerSize, correction);
  auto& section = *FTags;
  const auto errors = section.LoadErrors();
  // Nothing, or a little garbage without a bad offset: the byte order was probably wrong.
  if (section.Count() == 0 ||
      (!errors.Empty() && !errors.Contains(TMetadataLoadError::leBadOffset) && section.Count() < 3)) {
    FEndianness = Flipped(FEndianness);
    LoadDirectory(data, origin, headerSize, correction);
    if (!section.LoadErrors().Empty())
      section.Clear();
    if (section.Count() == 0)
      section.SetLoadErrors({TMetadataLoadError::leBadOffset});
  }
}

void TExifMakerNote::LoadDirectory(std::span<const std::uint8_t> data, std::int64_t origin, std::int32_t headerSize,
                                   std::int64_t correction) {
  // Laid over the tag's bytes without copying them; the section copies what it keeps.
  TUserMemoryStream stream(data.data(), static_cast<std::int64_t>(data.size()));
  const auto directory = ParseTiffDirectory(stream, FEndianness, origin, headerSize - origin, correction);
  FTags->Load(*directory, false);
}

// --- The container's maker note -----------------------------------------------------------

TExifMakerNote& TCustomExifData::MakerNote() {
  if (FMakerNoteValue)
    return *FMakerNoteValue;
  // Parsing fills the maker-note section, which is no edit: whatever change was pending
  // before stays pending, and the parse adds none.
  const bool changedBefore = FChangedWhileUpdating;
  BeginUpdate();
  try {
    auto& section = *OwnedSection(esMakerNote);
    auto note = FMakerNoteType->Create(section);
    if (FMakerNoteType == THeaderlessMakerNote::Class() && section.Count() == 0) {
      FMakerNoteType = TUnrecognizedMakerNote::Class();
      note.reset();
      note = FMakerNoteType->Create(section);
    }
    FMakerNoteValue = std::move(note);
  } catch (...) {
    FChangedWhileUpdating = changedBefore;
    EndUpdate();
    throw;
  }
  FChangedWhileUpdating = changedBefore;
  EndUpdate();
  return *FMakerNoteValue;
}

void TCustomExifData::DetectMakerNoteType() {
  const auto* tag = Section(esDetails).Find(ttMakerNote);
  if (tag == nullptr)
    return;
  FMakerNoteType = THeaderlessMakerNote::Class();
  const auto& registry = Registry();
  const auto found = std::find_if(registry.rbegin(), registry.rend(),
                                  [tag](TExifMakerNoteClass cls) { return cls->FormatIsOK(*tag); });
  if (found != registry.rend())
    FMakerNoteType = *found;
}

bool TCustomExifData::HasMakerNote() const {
  return OwnedSection(esDetails)->TagExists(ttMakerNote, {TTiffDataType::tdUndefined}, 5);
}

void TCustomExifData::ResetMakerNoteType() {
  FMakerNoteType = TUnrecognizedMakerNote::Class();
  FMakerNoteValue.reset();
  FMakerNoteExtents.clear();
}

namespace {

std::uint16_t WordAt(std::span<const std::uint8_t> bytes, std::size_t at, TEndianness endianness) {
  return endianness == TEndianness::SmallEndian ? static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8))
                                                : static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::uint32_t LongWordAt(std::span<const std::uint8_t> bytes, std::size_t at, TEndianness endianness) {
  const std::uint32_t first = WordAt(bytes, at, endianness);
  const std::uint32_t second = WordAt(bytes, at + 2, endianness);
  return endianness == TEndianness::SmallEndian ? (second << 16) | first : (first << 16) | second;
}

// Entries of a directory whose table lies wholly inside the note in that byte order; 0
// when it does not.
std::size_t EntryCountInNote(std::span<const std::uint8_t> note, std::size_t headerSize, TEndianness endianness) {
  if (note.size() < headerSize + 2)
    return 0;
  const std::size_t count = WordAt(note, headerSize, endianness);
  return headerSize + 2 + 12 * count <= note.size() ? count : 0;
}

// Maker-note entries that hold the offset of a directory of their own.
bool IsSubDirectoryPointer(TExifMakerNoteClass makerNoteClass, TTiffTagID id, TTiffDataType dataType,
                           std::uint32_t count) {
  constexpr TTiffTagID NikonPreviewIFD = 0x0011;
  if (count != 1)
    return false;
  return dataType == TTiffDataType::tdSubDirectory || (dataType == TTiffDataType::tdLongWord && id == NikonPreviewIFD &&
                                                       makerNoteClass->InheritsFrom(TNikonType3MakerNote::Class()));
}

} // namespace

void TCustomExifData::MakerNoteWrittenAt(std::int64_t offset) {
  auto* tag = GetSection(TExifSectionKind::esDetails)->Find(ttMakerNote);
  if (tag == nullptr)
    return;
  const auto shift = offset - tag->FOriginalDataOffset;
  tag->FOriginalDataOffset = offset;
  for (auto& extent : FMakerNoteExtents)
    extent.Offset += shift;
}

void TCustomExifData::TakeMakerNoteExtents(const ITiffParser& parser,
                                           std::initializer_list<const IFoundTiffDirectory*> directories) {
  FMakerNoteExtents.clear();
  const auto* tag = Section(esDetails).Find(ttMakerNote);
  std::int32_t headerSize = 0;
  if (FMakerNoteType == TUnrecognizedMakerNote::Class() || tag == nullptr || tag->OriginalDataOffset() == 0 ||
      !FMakerNoteType->FormatIsOK(*tag, headerSize) || headerSize < 0)
    return;
  auto offsetsType = doFromExifStart;
  auto endianness = FEndianness;
  FMakerNoteType->GetIFDInfo(*tag, endianness, offsetsType);
  if (offsetsType == doCustomFormat)
    return;
  const auto note = tag->Bytes();
  const auto header = static_cast<std::size_t>(headerSize);
  auto count = EntryCountInNote(note, header, endianness);
  if (count == 0) {
    endianness = Flipped(endianness);
    count = EntryCountInNote(note, header, endianness);
  }
  if (count == 0)
    return;

  // Block positions, as the note's own parse computes them.
  const std::int64_t noteStart = tag->OriginalDataOffset();
  const std::int64_t noteEnd = noteStart + static_cast<std::int64_t>(note.size());
  std::int64_t origin = 0;
  if (offsetsType == doFromMakerNoteStart)
    origin = noteStart;
  else if (offsetsType == doFromIFDStart)
    origin = noteStart + headerSize;
  origin += offsetsType == doFromIFDStart ? -8 : Section(esDetails).GetLongIntValue(ttOffsetSchema, 0, 0);
  TStream& stream = parser.Stream();
  const std::int64_t base = parser.BasePosition();
  // Nothing beyond what one APP1 segment can carry is ever written back.
  const std::int64_t blockEnd = std::min(stream.Size() - base, TExifData::MaxExifBlockSize);

  // The block's own directory tables in front of the note: an entry leading into one was
  // read with the wrong origin (notes are written behind the tables that lead to them), so
  // it keeps nothing. Behind the note the bytes stay whatever they are, as notes moved
  // forward by an earlier writer point there.
  std::vector<std::pair<std::int64_t, std::int64_t>> tables;
  for (const auto* directory : directories)
    if (directory != nullptr && !directory->TagInfo().empty()) {
      const auto& entries = directory->TagInfo();
      tables.emplace_back(std::int64_t{entries.front().HeaderOffset} - 2,
                          std::int64_t{entries.back().HeaderOffset} + 16);
    }
  const auto inTable = [&tables](std::int64_t start, std::int64_t end) {
    return std::any_of(tables.begin(), tables.end(),
                       [&](const auto& table) { return start < table.second && end > table.first; });
  };
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  const auto keep = [&](std::int64_t start, std::int64_t size) {
    if (size > 0 && start >= 8 && start <= blockEnd - size && !(start >= noteStart && start + size <= noteEnd) &&
        !(start < noteStart && inTable(start, start + size)))
      ranges.emplace_back(start, start + size);
  };
  // The out-of-line data of a table's entries, and the picture a thumbnail-like pointer
  // pair (JPEGInterchangeFormat and its length) leads to.
  const auto keepData = [&](const auto& self, std::span<const std::uint8_t> table, std::size_t entries,
                            bool followDirectories) -> void {
    std::int64_t pictureStart = -1;
    std::int64_t pictureSize = -1;
    for (std::size_t i = 0; i < entries; ++i) {
      const auto entry = 2 + 12 * i;
      const auto id = WordAt(table, entry, endianness);
      const auto dataType = static_cast<TTiffDataType>(WordAt(table, entry + 2, endianness));
      const auto elements = LongWordAt(table, entry + 4, endianness);
      const auto value = LongWordAt(table, entry + 8, endianness);
      const std::int64_t size = static_cast<std::int64_t>(TiffElementSize(dataType)) * elements;
      if (id == ttJPEGInterchangeFormat && elements == 1)
        pictureStart = origin + value;
      else if (id == ttJPEGInterchangeFormatLength && elements == 1)
        pictureSize = value;
      if (followDirectories && IsSubDirectoryPointer(FMakerNoteType, id, dataType, elements)) {
        const std::int64_t start = origin + value;
        std::uint16_t subEntries = 0;
        if (start < 8 || start > blockEnd - 2)
          continue;
        stream.SetPosition(base + start);
        if (!TryReadWord(stream, endianness, subEntries))
          continue;
        const std::int64_t tableSize = 2 + 12 * static_cast<std::int64_t>(subEntries) + 4;
        if (start > blockEnd - tableSize) {
          // A table cut by the block's end: what there is stays, so that readers judge
          // it as before; one no segment could hold is told by its count alone.
          keep(start, start > TExifData::MaxExifBlockSize - tableSize ? 2 : blockEnd - start);
          continue;
        }
        keep(start, tableSize);
        // One level down is where previews live; deeper nesting is not followed.
        std::vector<std::uint8_t> subTable(static_cast<std::size_t>(tableSize));
        stream.SetPosition(base + start);
        if (stream.Read(subTable.data(), tableSize) == tableSize)
          self(self, subTable, subEntries, false);
      } else if (size > 4) {
        keep(origin + value, size);
      }
    }
    if (pictureStart >= 0 && pictureSize > 0)
      keep(pictureStart, pictureSize);
  };
  keepData(keepData, note.subspan(header), count, true);

  std::sort(ranges.begin(), ranges.end());
  for (const auto& [start, end] : ranges) {
    if (!FMakerNoteExtents.empty()) {
      auto& last = FMakerNoteExtents.back();
      const auto lastEnd = last.Offset + static_cast<std::int64_t>(last.Bytes.size());
      if (start <= lastEnd) {
        if (end > lastEnd)
          last.Bytes.resize(static_cast<std::size_t>(end - last.Offset));
        continue;
      }
    }
    FMakerNoteExtents.push_back({start, std::vector<std::uint8_t>(static_cast<std::size_t>(end - start))});
  }
  // The ranges lie inside the stream (checked above), so a short read is damage.
  for (auto& extent : FMakerNoteExtents) {
    stream.SetPosition(base + extent.Offset);
    if (stream.Read(extent.Bytes.data(), static_cast<std::int64_t>(extent.Bytes.size())) !=
        static_cast<std::int64_t>(extent.Bytes.size())) {
      FMakerNoteExtents.clear();
      return;
    }
  }
}

void TCustomExifData::RegisterMakerNoteType(TExifMakerNoteClass makerNoteClass, TMakerNoteTypePriority priority) {
  if (makerNoteClass == nullptr)
    return;
  auto& registry = Registry();
  std::erase(registry, makerNoteClass);
  if (priority == TMakerNoteTypePriority::mtTestForLast)
    registry.insert(registry.begin(), makerNoteClass);
  else
    registry.push_back(makerNoteClass);
}

void TCustomExifData::RegisterMakerNoteTypes(std::span<const TExifMakerNoteClass> classes,
                                             TMakerNoteTypePriority priority) {
  for (const auto makerNoteClass : classes)
    RegisterMakerNoteType(makerNoteClass, priority);
}

void TCustomExifData::UnregisterMakerNoteType(TExifMakerNoteClass makerNoteClass) {
  std::erase(Registry(), makerNoteClass);
}

std::vector<TExifMakerNoteClass> TCustomExifData::RegisteredMakerNoteTypes() { return Registry(); }

} // namespace Tessel::Exif
