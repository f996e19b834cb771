// fotarium-cli list: the full EXIF list of the desktop program for JPEG, Photoshop and
// TIFF files - every section with readable names and values, then the maker note,
// optionally described by a maker-note map (an ini file).

#include "cli/CliSupport.h"

#include "app/core/ExifListRows.h"
#include "app/core/IniFile.h"

#include "Tessel/Exif.h"

#include "platform/Strings.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <ostream>

namespace Fotarium::Cli {

namespace {

// Captions longer than this do not widen the name column for all the others.
constexpr std::size_t MaxNameColumn = 40;

std::size_t DisplayWidth(const std::string& text) { return Platform::UTF16Length(text); }

void PrintRows(const Core::TExifListRows& rows, std::ostream& out) {
  std::size_t column = 0;
  for (const auto& row : rows)
    if (row.HasValue)
      column = std::max(column, std::min(DisplayWidth(row.Caption), MaxNameColumn));
  for (const auto& row : rows) {
    out << "  " << row.Caption;
    if (row.HasValue) {
      const std::size_t width = DisplayWidth(row.Caption);
      out << std::string(width < column ? column - width : 0, ' ') << "  " << row.Value;
    }
    out << '\n';
  }
}

nlohmann::ordered_json RowsJson(const Core::TExifListRows& rows) {
  auto list = nlohmann::ordered_json::array();
  for (const auto& row : rows) {
    nlohmann::ordered_json item;
    // A map file may hold bytes that are no UTF-8; JSON text must be UTF-8.
    item["caption"] = Platform::DecodeUTF8Lossy(row.Caption);
    item["value"] =
        row.HasValue ? nlohmann::ordered_json(Platform::DecodeUTF8Lossy(row.Value)) : nlohmann::ordered_json(nullptr);
    list.push_back(std::move(item));
  }
  return list;
}

void ListFile(const std::string& fileName, const Core::IniFile* map, bool asJson, std::ostream& out,
              nlohmann::ordered_json& json) {
  const Core::TExifListOfFile list = Core::LoadFromFileRows(fileName, map);
  if (!list.Recognised)
    throw Tessel::Exif::EUnsupportedGraphicFormat();
  if (asJson)
    json["rows"] = RowsJson(list.Rows);
  else
    PrintRows(list.Rows, out);
}

const TCommandRegistrar registrar{TCommand{
    "list", "List the EXIF data of JPEG, Photoshop and TIFF files with readable names and values, and the maker note",
    [](CLI::App& sub) -> std::function<int()> {
      auto files = std::make_shared<std::vector<std::string>>();
      auto asJson = std::make_shared<bool>(false);
      auto mapFile = std::make_shared<std::string>();
      sub.add_flag("--json", *asJson, "Print one JSON array with an object per file");
      sub.add_option("--makernote-map", *mapFile, "Describe maker-note tags and values with this ini file");
      sub.add_option("files", *files, "JPEG, Photoshop or TIFF files")->required();
      return [files, asJson, mapFile]() -> int {
        std::shared_ptr<const Core::IniFile> map;
        if (!mapFile->empty()) {
          try {
            map = std::make_shared<const Core::IniFile>(Core::IniFile::FromFile(*mapFile));
          } catch (const std::exception& e) {
            std::cerr << "fotarium-cli: " << ErrorText(e, *mapFile) << '\n';
            return 2;
          }
        }
        return ForEachFile(*files, *asJson,
                           [map, asJson](const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json) {
                             ListFile(fileName, map.get(), *asJson, out, json);
                           });
      };
    },
    "fotarium-cli list --makernote-map canon.ini photo.jpg"}};

} // namespace

} // namespace Fotarium::Cli
