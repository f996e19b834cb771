// fotarium-cli tags: the EXIF directories of a JPEG (its first Exif APP1 segment) or a TIFF
// file, section by section, with every tag's ID, type, count and text.

#include "cli/CliSupport.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <fmt/format.h>

#include <array>
#include <ostream>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;
using enum TExifSectionKind;

// Longest tag text the listing shows; JSON always carries the whole text.
constexpr std::size_t MaxListedText = 100;

constexpr std::array<TExifSectionKind, 5> ListedKinds{esGeneral, esDetails, esInterop, esGPS, esThumbnail};

std::string KindName(TExifSectionKind kind) {
  static constexpr const char* names[] = {"esUserDefined", "esGeneral",   "esDetails",  "esInterop",
                                          "esGPS",         "esThumbnail", "esMakerNote"};
  return names[static_cast<std::size_t>(kind)];
}

std::string DirectoryName(TExifSectionKind kind) {
  switch (kind) {
  case esGeneral: return "IFD0";
  case esDetails: return "Exif";
  case esInterop: return "Interop";
  case esGPS: return "GPS";
  case esThumbnail: return "IFD1";
  default: return "";
  }
}

std::string TypeName(TTiffDataType dataType) {
  static constexpr const char* names[] = {"?",     "BYTE",      "ASCII",  "SHORT", "LONG",   "RATIONAL", "SBYTE",
                                          "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE", "IFD"};
  const auto code = static_cast<std::uint16_t>(dataType);
  return code < std::size(names) ? names[code] : fmt::format("type {}", code);
}

std::vector<std::string> LoadErrorNames(const TMetadataLoadErrors& errors) {
  using enum TMetadataLoadError;
  std::vector<std::string> names;
  if (errors.Contains(leBadOffset))
    names.emplace_back("leBadOffset");
  if (errors.Contains(leBadTagCount))
    names.emplace_back("leBadTagCount");
  if (errors.Contains(leBadTagHeader))
    names.emplace_back("leBadTagHeader");
  return names;
}

// The directories of one TIFF block as sections, loaded the way the EXIF container
// loads them: IFD0 and IFD1 from the main chain, then the Exif, GPS and Interop
// sub-directories through their pointer tags.
class TSectionSet {
public:
  TSectionSet() {
    for (auto kind : ListedKinds)
      FSections[static_cast<std::size_t>(kind)] = std::make_unique<TExtendableExifSection>(nullptr, kind);
  }

  [[nodiscard]] TExifSection& Section(TExifSectionKind kind) const { return *FSections[static_cast<std::size_t>(kind)]; }
  [[nodiscard]] bool Present(TExifSectionKind kind) const { return FPresent[static_cast<std::size_t>(kind)]; }
  [[nodiscard]] TEndianness Endianness() const { return FEndianness; }

  // A block at the stream's position: "Exif\0\0" and a TIFF header, or a whole TIFF file.
  void Load(TStream& stream, bool tiffFile) {
    if (CheckSignature(stream, ExifHeader))
      tiffFile = false;
    FParser = ParseTiff(stream);
    FEndianness = FParser->Endianness();
    std::shared_ptr<IFoundTiffDirectory> ifd0;
    for (const auto& directory : FParser->GetEnumerator()) {
      if (directory->Index() == 0) {
        LoadSection(esGeneral, *directory, tiffFile);
        ifd0 = directory;
        continue;
      }
      if (!tiffFile || directory->IsExifThumbnailDirectory())
        LoadSection(esThumbnail, *directory, tiffFile);
      break;
    }
    const auto exif = Follow(ifd0, esGeneral, ttExifOffset, esDetails, tiffFile);
    Follow(ifd0, esGeneral, ttGPSOffset, esGPS, tiffFile);
    Follow(exif, esDetails, ttInteropOffset, esInterop, tiffFile);
  }

private:
  void LoadSection(TExifSectionKind kind, const IFoundTiffDirectory& directory, bool tiffFile) {
    Section(kind).Load(directory, tiffFile);
    FPresent[static_cast<std::size_t>(kind)] = true;
  }

  std::shared_ptr<IFoundTiffDirectory> Follow(const std::shared_ptr<IFoundTiffDirectory>& parent,
                                              TExifSectionKind parentKind, TTiffTagID pointerID,
                                              TExifSectionKind kind, bool tiffFile) {
    if (!parent || Section(parentKind).Find(pointerID) == nullptr)
      return nullptr;
    for (const auto& info : parent->TagInfo()) {
      if (info.ID != pointerID)
        continue;
      std::shared_ptr<IFoundTiffDirectory> directory;
      if (!FParser->ParseSubDirectory(parent, info, directory))
        return nullptr;
      LoadSection(kind, *directory, tiffFile);
      return directory;
    }
    return nullptr;
  }

  std::array<std::unique_ptr<TExtendableExifSection>, 7> FSections;
  std::array<bool, 7> FPresent{};
  std::shared_ptr<ITiffParser> FParser;
  TEndianness FEndianness = TEndianness::SmallEndian;
};

void Report(const TSectionSet& sections, bool found, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  if (asJson) {
    json["byteOrder"] = found ? nlohmann::ordered_json(sections.Endianness() == TEndianness::BigEndian ? "MM" : "II")
                              : nlohmann::ordered_json(nullptr);
    auto& list = json["sections"] = nlohmann::ordered_json::array();
    for (auto kind : ListedKinds) {
      if (!sections.Present(kind))
        continue;
      const auto& section = sections.Section(kind);
      nlohmann::ordered_json item;
      item["kind"] = KindName(kind);
      item["loadErrors"] = LoadErrorNames(section.LoadErrors());
      auto& tags = item["tags"] = nlohmann::ordered_json::array();
      for (auto* tag : section) {
        nlohmann::ordered_json entry;
        entry["id"] = tag->ID();
        entry["type"] = static_cast<std::uint16_t>(tag->DataType());
        entry["count"] = tag->ElementCount();
        entry["text"] = tag->AsString();
        tags.push_back(std::move(entry));
      }
      list.push_back(std::move(item));
    }
    return;
  }
  if (!found) {
    out << "  no Exif data\n";
    return;
  }
  out << "  byte order " << (sections.Endianness() == TEndianness::BigEndian ? "MM" : "II") << '\n';
  for (auto kind : ListedKinds) {
    if (!sections.Present(kind))
      continue;
    const auto& section = sections.Section(kind);
    std::string errors;
    for (const auto& name : LoadErrorNames(section.LoadErrors()))
      errors += (errors.empty() ? "  load errors: " : ", ") + name;
    out << fmt::format("  {} ({}), {} tags{}\n", DirectoryName(kind), KindName(kind), section.Count(), errors);
    for (auto* tag : section) {
      auto text = tag->AsString();
      if (text.size() > MaxListedText) {
        // Cut at a character boundary of the UTF-8 text.
        auto cut = MaxListedText;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
          --cut;
        text = text.substr(0, cut) + "...";
      }
      out << fmt::format("    {}  {:<9} {:>6}  {}\n", HexID(tag->ID()), TypeName(tag->DataType()),
                         tag->ElementCount(), text);
    }
  }
}

void ListTags(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  TSectionSet sections;
  bool found = false;
  TEndianness endianness{};
  if (HasJPEGHeader(stream)) {
    for (auto segment : *JPEGHeader(stream, {jmApp1})) {
      if (!segment->IsExifBlock(true))
        continue;
      auto& data = segment->Data();
      data.SetPosition(0);
      sections.Load(data, false);
      found = true;
      break;
    }
  } else if (TryReadTiffHeader(stream, endianness, false)) {
    sections.Load(stream, true);
    found = true;
  } else {
    throw EUnsupportedGraphicFormat();
  }
  Report(sections, found, out, json, asJson);
}

const TCommandRegistrar registrar{TCommand{
    "tags", "List the EXIF tags of JPEG and TIFF files, directory by directory",
    [](CLI::App& sub) -> std::function<int()> {
      auto files = std::make_shared<std::vector<std::string>>();
      auto asJson = std::make_shared<bool>(false);
      sub.add_flag("--json", *asJson, "Print one JSON array with an object per file");
      sub.add_option("files", *files, "JPEG or TIFF files")->required();
      return [files, asJson] {
        return ForEachFile(*files, *asJson, [asJson](const std::string& fileName, std::ostream& out,
                                                     nlohmann::ordered_json& json) {
          ListTags(fileName, out, json, *asJson);
        });
      };
    }}};

} // namespace

} // namespace Fotarium::Cli
