#include "cli/CliSupport.h"

#include "Tessel/Exif/BaseUtils.h"
#include "Tessel/Exif/TiffUtils.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string_view>

namespace Fotarium::Cli {

std::vector<TCommand>& Commands() {
  static std::vector<TCommand> commands;
  return commands;
}

bool& RecurseIntoFolders() {
  static bool recurse = false;
  return recurse;
}

std::string SystemErrorText(int errorCode) {
  // strerrordesc_np answers the untranslated text; strerror would follow LC_MESSAGES.
  const char* text = ::strerrordesc_np(errorCode);
  return text ? std::string(text) : fmt::format("system error {}", errorCode);
}

namespace {

// The fixed texts of the platform that are German, and their English form; "%" stands
// for an argument taken over unchanged.
struct TTranslation {
  std::string_view German;
  std::string_view English;
};

constexpr TTranslation Translations[] = {
    {"Datei \"%\" kann nicht geöffnet werden. %", "cannot open %: %"},
    {"Datei \"%\" kann nicht erstellt werden. %", "cannot write %: %"},
    {"Stream-Lesefehler", "stream read error"},
    {"Stream-Schreibfehler", "stream write error"},
    {"Kein Speicher mehr für den Stream", "out of memory for the stream"},
    {"Ungültige Stream-Größe", "invalid stream size"},
    {"Listenindex überschreitet das Maximum (%)", "list index exceeds the maximum (%)"},
    {"Listenindex außerhalb des gültigen Bereichs (%)", "list index out of bounds (%)"},
    {"'%' ist kein gültiger Integerwert", "'%' is not a valid integer value"},
    {"'%' ist kein gültiger Gleitkommawert", "'%' is not a valid floating point value"},
    {"'%' ist kein gültiges Datum und Uhrzeit", "'%' is not a valid date and time"},
    {"'%' ist kein gültiges Datum", "'%' is not a valid date"},
    {"'%' ist keine gültige Uhrzeit", "'%' is not a valid time"},
    {"Ungültiges Argument für Datumskodierung", "invalid argument to date encode"},
    {"Ungültiges Argument für Zeitkodierung", "invalid argument to time encode"},
    {"Keine Daten für den Datensatz", "no data for the dataset"},
    {"Ungültiger Skalierungsnenner %", "invalid scale denominator %"},
    {"JPEG-Bild ist zu groß zum Dekodieren %", "JPEG picture too large to decode %"},
    {"JPEG-Farbraum wird nicht unterstützt", "JPEG colour space not supported"},
    {"Ungültige Bitmap-Größe %", "invalid bitmap size %"},
    {"Ungültiges PPM-Bild", "invalid PPM picture"},
    {"Fehler bei Bereichsprüfung", "range check error"},
    {"Die Datei ist zu groß für eine Ini-Datei: %", "file too large for an ini file: %"},
    {"% kann nicht zu % zugewiesen werden", "cannot assign % to %"},
};

// Matches text against a pattern whose "%" stand for any text; answers the arguments.
bool MatchPattern(std::string_view pattern, std::string_view text, std::vector<std::string_view>& arguments) {
  arguments.clear();
  const auto first = pattern.find('%');
  if (first == std::string_view::npos)
    return pattern == text;
  if (!text.starts_with(pattern.substr(0, first)))
    return false;
  text.remove_prefix(first);
  pattern.remove_prefix(first + 1);
  while (true) {
    const auto next = pattern.find('%');
    const auto literal = pattern.substr(0, next);
    if (next == std::string_view::npos) {
      if (!text.ends_with(literal) || text.size() < literal.size())
        return false;
      arguments.push_back(text.substr(0, text.size() - literal.size()));
      return true;
    }
    const auto at = text.find(literal);
    if (at == std::string_view::npos)
      return false;
    arguments.push_back(text.substr(0, at));
    text.remove_prefix(at + literal.size());
    pattern.remove_prefix(next + 1);
  }
}

} // namespace

std::string EnglishMessage(const std::string& message) {
  std::vector<std::string_view> arguments;
  for (const auto& translation : Translations) {
    if (!MatchPattern(translation.German, message, arguments))
      continue;
    std::string result;
    std::size_t argument = 0;
    for (const char c : translation.English) {
      if (c == '%' && argument < arguments.size())
        result += arguments[argument++];
      else
        result += c;
    }
    return result;
  }
  return message;
}

namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Recognised by content: a JPEG, Photoshop or TIFF header. A file that cannot be opened
// counts, so that its error is reported rather than hidden.
bool LooksLikePicture(const std::string& fileName) {
  try {
    Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
    if (Tessel::Exif::HasJPEGHeader(stream))
      return true;
    stream.SetPosition(0);
    if (Tessel::Exif::HasPSDHeader(stream))
      return true;
    stream.SetPosition(0);
    Tessel::Exif::TEndianness endianness{};
    return Tessel::Exif::TryReadTiffHeader(stream, endianness, false);
  } catch (const Platform::EFileStreamError&) {
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The files below a folder, in sorted order, through the sorted sub-folders; symbolic
// links are not followed. A folder that cannot be read is handed to the action with its
// error code, so it is reported like a file.
struct TWalkItem {
  std::string Path;
  int Error = 0;
};

void Walk(const std::string& folder, std::vector<TWalkItem>& items) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    items.push_back({folder, errno});
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..")
      names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
  for (const auto& name : names) {
    const auto path = prefix + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
      continue;
    if (S_ISDIR(info.st_mode))
      Walk(path, items);
    else if (S_ISREG(info.st_mode) && LooksLikePicture(path))
      items.push_back({path, 0});
  }
}

} // namespace

std::string ErrorText(const std::exception& error, const std::string& fileName) {
  if (const auto* fileError = dynamic_cast<const Platform::EFileStreamError*>(&error)) {
    const auto& name = fileError->FileName().empty() ? fileName : fileError->FileName();
    const char* verb = dynamic_cast<const Platform::EFCreateError*>(&error) ? "cannot write" : "cannot open";
    const auto text = fmt::format("{} {}: {}", verb, name, SystemErrorText(fileError->ErrorCode()));
    return name == fileName ? text : fmt::format("{}: {}", fileName, text);
  }
  return fmt::format("{}: {}", fileName, EnglishMessage(error.what()));
}

int ForEachFile(const std::vector<std::string>& files, bool asJson, const TFileAction& action) {
  int status = 0;
  auto all = nlohmann::ordered_json::array();
  const auto run = [&](const std::string& fileName, int walkError) {
    nlohmann::ordered_json entry;
    entry["file"] = fileName;
    try {
      if (walkError != 0)
        throw Platform::EFOpenError(fileName, walkError);
      if (!asJson)
        std::cout << fileName << ":\n";
      action(fileName, std::cout, entry);
      if (asJson)
        entry["error"] = nullptr;
    } catch (const std::exception& e) {
      status = 1;
      const auto text = ErrorText(e, fileName);
      std::cerr << "fotarium-cli: " << text << '\n';
      if (asJson)
        entry["error"] = text;
    }
    if (asJson)
      all.push_back(std::move(entry));
  };
  for (const auto& argument : files) {
    if (!IsFolder(argument)) {
      run(argument, 0);
    } else if (!RecurseIntoFolders()) {
      status = 1;
      const auto text = fmt::format("{}: is a folder (use -r to read the pictures in it)", argument);
      std::cerr << "fotarium-cli: " << text << '\n';
      if (asJson)
        all.push_back({{"file", argument}, {"error", text}});
    } else {
      std::vector<TWalkItem> items;
      Walk(argument, items);
      for (const auto& item : items)
        run(item.Path, item.Error);
    }
  }
  if (asJson)
    std::cout << all.dump(2) << '\n';
  return status;
}

std::string HexID(unsigned value, int digits) { return fmt::format("0x{:0{}X}", value, digits); }

} // namespace Fotarium::Cli
