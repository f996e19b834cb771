#pragma once

// A small reader of ini files as common programs write them: [section] headers,
// key=value lines, ';' and '#' comment lines. Section and key names compare without
// regard to ASCII case; the first occurrence of a key wins. Reading never fails on
// the text itself: lines it cannot read are skipped.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Fotarium::Core {

class IniFile {
public:
  IniFile() = default;

  // The text of an ini file (UTF-8, an optional byte-order mark is skipped).
  [[nodiscard]] static IniFile FromText(std::string_view text);
  // Reads the whole file; Platform::EFOpenError or EReadError when it cannot be read.
  [[nodiscard]] static IniFile FromFile(const std::string& fileName);

  // The value with blanks around it removed, or defaultValue when the key is absent.
  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const;
  // 1/0, true/false, yes/no and on/off (any case); other integers count as true
  // unless 0; any other text or an absent key gives defaultValue.
  [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  [[nodiscard]] bool SectionExists(std::string_view section) const;
  [[nodiscard]] bool ValueExists(std::string_view section, std::string_view key) const;
  // Names as written in the file, in file order.
  [[nodiscard]] std::vector<std::string> Sections() const;
  [[nodiscard]] std::vector<std::string> Keys(std::string_view section) const;

private:
  struct TEntry {
    std::string Key, Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TEntry> Entries;
    // Lower-cased key -> index into Entries.
    std::unordered_map<std::string, std::size_t> Index;
  };
  std::vector<TSection> FSections;
  // Lower-cased section name -> index into FSections.
  std::unordered_map<std::string, std::size_t> FIndex;

  // The index of the section of that name, added when new.
  std::size_t SectionForWriting(std::string_view name);

  [[nodiscard]] const TSection* FindSection(std::string_view name) const;
  [[nodiscard]] const TEntry* FindEntry(std::string_view section, std::string_view key) const;
};

} // namespace Fotarium::Core
