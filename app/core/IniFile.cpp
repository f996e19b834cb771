#include "app/core/IniFile.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/Strings.h"

#include <array>
#include <limits>

namespace Fotarium::Core {

namespace {

// A map file is a few kilobytes; anything beyond this is no ini file of ours.
constexpr std::int64_t MaxIniFileSize = 64 * 1024 * 1024;

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
    text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
    text.remove_suffix(1);
  return text;
}

// A value written in matching quotes keeps the blanks inside them.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// The next line of text; CR LF, LF and CR all end a line.
std::string_view NextLine(std::string_view& text) {
  std::size_t end = 0;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r')
    ++end;
  const std::string_view line = text.substr(0, end);
  if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
    ++end;
  text.remove_prefix(end < text.size() ? end + 1 : end);
  return line;
}

} // namespace

std::size_t IniFile::SectionForWriting(std::string_view name) {
  const auto [it, added] = FIndex.try_emplace(Platform::LowerCase(name), FSections.size());
  if (added)
    FSections.push_back(TSection{std::string(name), {}, {}});
  return it->second;
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  if (text.starts_with("\xEF\xBB\xBF"))
    text.remove_prefix(3);
  constexpr std::size_t noSection = std::numeric_limits<std::size_t>::max();
  std::size_t current = noSection;
  while (!text.empty()) {
    const std::string_view line = TrimView(NextLine(text));
    if (line.empty() || line.front() == ';' || line.front() == '#')
      continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close == std::string_view::npos)
        continue; // not a header; the keys below stay with the section before
      current = ini.SectionForWriting(TrimView(line.substr(1, close - 1)));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      continue;
    const std::string_view key = TrimView(line.substr(0, equals));
    if (key.empty())
      continue;
    if (current == noSection)
      current = ini.SectionForWriting("");
    TSection& section = ini.FSections[current];
    // The first occurrence wins, as with the common readers.
    const auto [it, added] = section.Index.try_emplace(Platform::LowerCase(key), section.Entries.size());
    if (added)
      section.Entries.push_back(TEntry{std::string(key), std::string(Unquote(TrimView(line.substr(equals + 1))))});
  }
  return ini;
}

IniFile IniFile::FromFile(const std::string& fileName) {
  Platform::TFileStream stream(fileName, Platform::fmOpenRead | Platform::fmShareDenyWrite);
  const std::int64_t size = stream.Size();
  if (size > MaxIniFileSize)
    throw Platform::EReadError("Die Datei ist zu groß für eine Ini-Datei: " + fileName);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0)
    stream.ReadBuffer(text.data(), size);
  return FromText(text);
}

const IniFile::TSection* IniFile::FindSection(std::string_view name) const {
  const auto it = FIndex.find(Platform::LowerCase(name));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

const IniFile::TEntry* IniFile::FindEntry(std::string_view section, std::string_view key) const {
  const TSection* found = FindSection(section);
  if (found == nullptr)
    return nullptr;
  const auto it = found->Index.find(Platform::LowerCase(key));
  return it == found->Index.end() ? nullptr : &found->Entries[it->second];
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  const TEntry* entry = FindEntry(section, key);
  return entry == nullptr ? std::string(defaultValue) : entry->Value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  const TEntry* entry = FindEntry(section, key);
  if (entry == nullptr)
    return defaultValue;
  static constexpr std::array<std::string_view, 4> trueWords{"1", "true", "yes", "on"};
  static constexpr std::array<std::string_view, 4> falseWords{"0", "false", "no", "off"};
  for (const std::string_view word : trueWords)
    if (Platform::SameText(entry->Value, word))
      return true;
  for (const std::string_view word : falseWords)
    if (Platform::SameText(entry->Value, word))
      return false;
  std::int64_t number = 0;
  if (Platform::TryStrToInt64(entry->Value, number))
    return number != 0;
  return defaultValue;
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  names.reserve(FSections.size());
  for (const TSection& section : FSections)
    names.push_back(section.Name);
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* found = FindSection(section))
    for (const TEntry& entry : found->Entries)
      keys.push_back(entry.Key);
  return keys;
}

} // namespace Fotarium::Core
