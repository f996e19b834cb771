#include "platform/StringList.h"

#include "platform/Exceptions.h"
#include "platform/FileOps.h"
#include "platform/Strings.h"

#include <algorithm>

namespace Platform {

namespace {

bool IsBlankOrControl(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

} // namespace

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  if (FCaseSensitive)
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return CompareText(a, b);
}

void TStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit)
    throw EListError("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
}

void TStringList::CheckNotSorted() const {
  if (FSorted)
    throw EListError("Operation bei sortierten Stringlisten nicht erlaubt");
}

int TStringList::Add(std::string_view text) {
  if (!FSorted) {
    FItems.emplace_back(text);
    return Count() - 1;
  }
  int index;
  if (Find(text, index)) {
    if (FDuplicates == TDuplicates::dupIgnore)
      return index;
    if (FDuplicates == TDuplicates::dupError)
      throw EListError("Stringliste erlaubt keine Duplikate");
  }
  FItems.emplace(FItems.begin() + index, text);
  return index;
}

void TStringList::AddStrings(const TStringList& other) {
  if (&other == this) {
    const auto copy = other.FItems;
    for (const auto& item : copy)
      Add(item);
    return;
  }
  for (const auto& item : other)
    Add(item);
}

void TStringList::Insert(int index, std::string_view text) {
  CheckNotSorted();
  CheckIndex(index, Count());
  FItems.emplace(FItems.begin() + index, text);
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count() - 1);
  FItems.erase(FItems.begin() + index);
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count() - 1);
  CheckIndex(index2, Count() - 1);
  std::swap(FItems[static_cast<std::size_t>(index1)], FItems[static_cast<std::size_t>(index2)]);
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex)
    return;
  CheckIndex(curIndex, Count() - 1);
  CheckIndex(newIndex, Count() - 1);
  auto item = std::move(FItems[static_cast<std::size_t>(curIndex)]);
  FItems.erase(FItems.begin() + curIndex);
  FItems.insert(FItems.begin() + newIndex, std::move(item));
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index, Count() - 1);
  return FItems[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(int index, std::string_view text) {
  CheckNotSorted();
  CheckIndex(index, Count() - 1);
  FItems[static_cast<std::size_t>(index)] = text;
}

int TStringList::IndexOf(std::string_view text) const {
  if (FSorted) {
    int index;
    return Find(text, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(FItems[static_cast<std::size_t>(i)], text) == 0)
      return i;
  return -1;
}

std::string TStringList::Text() const {
  std::string result;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    result += FItems[i];
    if (FTrailingLineBreak || i + 1 < FItems.size())
      result += '\n';
  }
  return result;
}

void TStringList::SetText(std::string_view text) {
  FItems.clear();
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find_first_of("\r\n", pos);
    lines.emplace_back(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos)
      break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
      ++pos;
  }
  for (auto& line : lines)
    Add(line);
}

std::string TStringList::DelimitedText() const {
  if (FItems.size() == 1 && FItems[0].empty())
    return std::string(2, FQuoteChar);
  std::string result;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const auto& item = FItems[i];
    const bool quote = std::any_of(item.begin(), item.end(), [&](char c) {
      return c == FQuoteChar || c == FDelimiter || (!FStrictDelimiter && IsBlankOrControl(c));
    });
    if (i > 0)
      result += FDelimiter;
    if (!quote) {
      result += item;
      continue;
    }
    result += FQuoteChar;
    for (char c : item) {
      if (c == FQuoteChar)
        result += FQuoteChar;
      result += c;
    }
    result += FQuoteChar;
  }
  return result;
}

void TStringList::SetDelimitedText(std::string_view text) {
  FItems.clear();
  std::size_t p = 0;
  const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  const auto skipBlanks = [&] {
    if (!FStrictDelimiter)
      while (p < text.size() && IsBlankOrControl(text[p]))
        ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    std::string item;
    if (text[p] == FQuoteChar) {
      // Up to the closing quote, a doubled quote standing for one; unclosed runs to the end.
      for (++p; p < text.size(); ++p) {
        if (text[p] == FQuoteChar) {
          if (at(p + 1) != FQuoteChar) {
            ++p;
            break;
          }
          ++p;
        }
        item += text[p];
      }
    } else {
      const auto start = p;
      while (p < text.size() && text[p] != FDelimiter && (FStrictDelimiter || !IsBlankOrControl(text[p])))
        ++p;
      item.assign(text.substr(start, p - start));
    }
    Add(item);
    skipBlanks();
    if (p < text.size() && text[p] == FDelimiter) {
      // A delimiter at the very end stands for one more, empty item.
      if (p + 1 == text.size())
        Add("");
      ++p;
      skipBlanks();
    }
  }
}

std::string TStringList::CommaText() const {
  TStringList copy;
  copy.FItems = FItems;
  return copy.DelimitedText();
}

void TStringList::SetCommaText(std::string_view text) {
  TStringList parsed;
  parsed.SetDelimitedText(text);
  FItems.clear();
  for (auto& item : parsed.FItems)
    Add(item);
}

std::string TStringList::Names(int index) const {
  const auto& item = Strings(index);
  const auto pos = item.find(FNameValueSeparator);
  return pos == std::string::npos ? std::string() : item.substr(0, pos);
}

std::string TStringList::ValueFromIndex(int index) const {
  const auto& item = Strings(index);
  const auto pos = item.find(FNameValueSeparator);
  return pos == std::string::npos ? std::string() : item.substr(pos + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string_view item = FItems[static_cast<std::size_t>(i)];
    const auto pos = item.find(FNameValueSeparator);
    if (pos != std::string_view::npos && CompareStrings(item.substr(0, pos), name) == 0)
      return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValues(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0)
      Delete(index);
    return;
  }
  std::string item(name);
  item += FNameValueSeparator;
  item += value;
  if (index < 0) {
    Add(item);
  } else if (FSorted) {
    // A sorted list keeps its order: take the old pair out and let Add place the new one.
    Delete(index);
    Add(item);
  } else {
    FItems[static_cast<std::size_t>(index)] = std::move(item);
  }
}

void TStringList::SetSorted(bool value) {
  if (value && !FSorted)
    Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == FCaseSensitive)
    return;
  FCaseSensitive = value;
  if (FSorted)
    Sort();
}

bool TStringList::Find(std::string_view text, int& index) const {
  if (!FSorted) {
    index = IndexOf(text);
    if (index >= 0)
      return true;
    index = Count();
    return false;
  }
  const auto it =
      std::lower_bound(FItems.begin(), FItems.end(), text,
                       [&](const std::string& item, std::string_view key) { return CompareStrings(item, key) < 0; });
  index = static_cast<int>(it - FItems.begin());
  return it != FItems.end() && CompareStrings(*it, text) == 0;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [&](const std::string& a, const std::string& b) { return CompareStrings(a, b) < 0; });
}

void TStringList::LoadFromFile(const std::string& fileName) {
  const auto bytes = ReadFileBytes(fileName);
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, 3) == "\xEF\xBB\xBF")
    text.remove_prefix(3);
  SetText(text);
}

void TStringList::SaveToFile(const std::string& fileName) const {
  const auto text = Text();
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

} // namespace Platform
