// fotarium-cli tags: the EXIF data of JPEG, Photoshop and TIFF files as the EXIF container
// loads it, section by section with every tag's ID, type, count and text, and the maker
// note with the layout recognised for it.

#include "cli/CliSupport.h"

#include "Tessel/Exif.h"

#include <fmt/format.h>

#include <array>
#include <ostream>

namespace Fotarium::Cli {

namespace {

using namespace Tessel::Exif;
using enum TExifSectionKind;

// Longest tag text the listing shows; JSON always carries the whole text.
constexpr std::size_t MaxListedText = 100;

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
  case esMakerNote: return "MakerNote";
  default: return "";
  }
}

std::string TypeName(TTiffDataType dataType) {
  static constexpr const char* names[] = {"?",         "BYTE",   "ASCII", "SHORT",     "LONG",  "RATIONAL", "SBYTE",
                                          "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE",   "IFD"};
  const auto code = static_cast<std::uint16_t>(dataType);
  return code < std::size(names) ? names[code] : fmt::format("type {}", code);
}

std::string ByteOrderName(TEndianness endianness) { return endianness == TEndianness::BigEndian ? "MM" : "II"; }

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

// What became of the maker note: the class recognised at load, the byte order its
// directory was read in, and how the reading went.
struct TMakerNoteReport {
  bool Present = false; // the Exif sub-IFD holds a MakerNote tag
  std::string ClassName;
  std::string ByteOrder;
  // "parsed": tags were read; "empty": the recognised layout yielded no tags;
  // "unrecognized": no layout fits; "invalid": the tag no longer fits its layout.
  std::string State;
};

TMakerNoteReport ReadMakerNote(TExifData& data) {
  TMakerNoteReport report;
  report.Present = data.OwnedSection(esDetails)->Find(ttMakerNote) != nullptr;
  if (!report.Present)
    return report;
  try {
    auto& note = data.MakerNote();
    report.ClassName = std::string(note.ClassType()->Name);
    if (note.ClassType() == TUnrecognizedMakerNote::Class()) {
      report.State = "unrecognized";
      return report;
    }
    report.ByteOrder = ByteOrderName(note.Endianness());
    report.State = note.Tags().Count() > 0 ? "parsed" : "empty";
  } catch (const EInvalidMakerNoteFormat&) {
    report.ClassName = std::string(data.MakerNoteType()->Name);
    report.State = "invalid";
  }
  return report;
}

// A section is listed when it has tags or its directory reported damage.
bool Listed(const TExifSection& section) { return section.Count() > 0 || !section.LoadErrors().Empty(); }

nlohmann::ordered_json SectionJson(const TExifSection& section) {
  nlohmann::ordered_json item;
  item["kind"] = KindName(section.Kind());
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
  return item;
}

void ReportJson(TExifData& data, bool found, const TMakerNoteReport& makerNote, nlohmann::ordered_json& json) {
  json["byteOrder"] =
      found ? nlohmann::ordered_json(ByteOrderName(data.Endianness())) : nlohmann::ordered_json(nullptr);
  auto& list = json["sections"] = nlohmann::ordered_json::array();
  for (auto kind : ExifSectionKinds) {
    const auto& section = *data.OwnedSection(kind);
    if (Listed(section))
      list.push_back(SectionJson(section));
  }
  if (!makerNote.Present) {
    json["makerNote"] = nullptr;
    return;
  }
  auto& note = json["makerNote"];
  note["class"] = makerNote.ClassName;
  note["byteOrder"] =
      makerNote.ByteOrder.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(makerNote.ByteOrder);
  note["state"] = makerNote.State;
  note["tagCount"] = data.OwnedSection(esMakerNote)->Count();
}

void ListSection(const TExifSection& section, const std::string& heading, std::ostream& out) {
  std::string errors;
  for (const auto& name : LoadErrorNames(section.LoadErrors()))
    errors += (errors.empty() ? "  load errors: " : ", ") + name;
  out << fmt::format("  {}, {} tags{}\n", heading, section.Count(), errors);
  for (auto* tag : section) {
    auto text = tag->AsString();
    if (text.size() > MaxListedText) {
      // Cut at a character boundary of the UTF-8 text.
      auto cut = MaxListedText;
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
      text = text.substr(0, cut) + "...";
    }
    out << fmt::format("    {}  {:<9} {:>6}  {}\n", HexID(tag->ID()), TypeName(tag->DataType()), tag->ElementCount(),
                       text);
  }
}

void ReportText(TExifData& data, bool found, const TMakerNoteReport& makerNote, std::ostream& out) {
  if (!found) {
    out << "  no Exif data\n";
    return;
  }
  out << "  byte order " << ByteOrderName(data.Endianness()) << '\n';
  for (auto kind : ExifSectionKinds) {
    if (kind == esMakerNote)
      continue;
    const auto& section = *data.OwnedSection(kind);
    if (Listed(section))
      ListSection(section, fmt::format("{} ({})", DirectoryName(kind), KindName(kind)), out);
  }
  if (!makerNote.Present)
    return;
  std::string heading = fmt::format("MakerNote (esMakerNote) {}", makerNote.ClassName);
  if (!makerNote.ByteOrder.empty())
    heading += ", byte order " + makerNote.ByteOrder;
  heading += ", " + makerNote.State;
  ListSection(*data.OwnedSection(esMakerNote), heading, out);
}

void ListTags(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json, bool asJson) {
  TExifData data;
  if (!data.LoadFromGraphic(fileName))
    throw EUnsupportedGraphicFormat();
  const bool found = data.MetadataInSource().Contains(TJPEGMetadataKind::mkExif);
  const auto makerNote = ReadMakerNote(data);
  if (asJson)
    ReportJson(data, found, makerNote, json);
  else
    ReportText(data, found, makerNote, out);
}

const TCommandRegistrar registrar{TCommand{
    "tags", "List the EXIF tags of JPEG, Photoshop and TIFF files, directory by directory, with the maker note",
    [](CLI::App& sub) -> std::function<int()> {
      auto files = std::make_shared<std::vector<std::string>>();
      auto asJson = std::make_shared<bool>(false);
      sub.add_flag("--json", *asJson, "Print one JSON array with an object per file");
      sub.add_option("files", *files, "JPEG, Photoshop or TIFF files")->required();
      return [files, asJson] {
        return ForEachFile(*files, *asJson,
                           [asJson](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             ListTags(fileName, out, json, *asJson);
                           });
      };
    },
    "fotarium-cli tags photo.jpg scan.tif"}};

} // namespace

} // namespace Fotarium::Cli
