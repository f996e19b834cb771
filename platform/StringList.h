#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

enum class TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

// An ordered list of strings with the Delphi TStringList behaviour: optional
// sorting (case-insensitive unless CaseSensitive), name=value pairs, and the
// delimited and comma text forms.
class TStringList {
public:
  using const_iterator = std::vector<std::string>::const_iterator;

  TStringList() = default;

  // Answers the index the string went to (the existing one when a sorted list ignores a duplicate).
  int Add(std::string_view text);
  void AddStrings(const TStringList& other);
  void Insert(int index, std::string_view text); // EListError on a sorted list
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);

  [[nodiscard]] int Count() const { return static_cast<int>(FItems.size()); }
  [[nodiscard]] bool Empty() const { return FItems.empty(); }
  [[nodiscard]] const std::string& Strings(int index) const;
  void SetStrings(int index, std::string_view text);
  [[nodiscard]] const std::string& operator[](int index) const { return Strings(index); }
  [[nodiscard]] int IndexOf(std::string_view text) const; // -1 when absent

  // Every line followed by the line break ("\n"), unless TrailingLineBreak is off,
  // which leaves it out after the last line.
  [[nodiscard]] std::string Text() const;
  // Splits at "\r\n", "\n" or "\r"; a final line break adds no empty line.
  void SetText(std::string_view text);
  [[nodiscard]] bool TrailingLineBreak() const { return FTrailingLineBreak; }
  void SetTrailingLineBreak(bool value) { FTrailingLineBreak = value; }

  // Items joined with Delimiter; an item containing the delimiter, the quote
  // character or (unless StrictDelimiter) a blank or control character is quoted,
  // with the quote character doubled inside.
  [[nodiscard]] std::string DelimitedText() const;
  // Reads items separated by Delimiter; unless StrictDelimiter, blanks separate
  // items too and surround them harmlessly. Quoted items are unquoted.
  void SetDelimitedText(std::string_view text);
  // Delimited text with ',' and '"' and StrictDelimiter off, whatever the settings.
  [[nodiscard]] std::string CommaText() const;
  void SetCommaText(std::string_view text);

  [[nodiscard]] char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char value) { FDelimiter = value; }
  [[nodiscard]] char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char value) { FQuoteChar = value; }
  [[nodiscard]] bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool value) { FStrictDelimiter = value; }

  // name=value pairs.
  [[nodiscard]] char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char value) { FNameValueSeparator = value; }
  [[nodiscard]] std::string Names(int index) const;          // "" when the item has no separator
  [[nodiscard]] std::string ValueFromIndex(int index) const; // the text after the separator
  [[nodiscard]] int IndexOfName(std::string_view name) const;
  [[nodiscard]] std::string Values(std::string_view name) const; // "" when absent
  // Replaces or adds the pair; an empty value deletes it.
  void SetValues(std::string_view name, std::string_view value);

  [[nodiscard]] bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  [[nodiscard]] bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  [[nodiscard]] TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  // Binary search of a sorted list: True with the index of a match, or False with
  // the index where the string would go. An unsorted list is searched from the start.
  bool Find(std::string_view text, int& index) const;
  void Sort();

  // Reads UTF-8 text (a byte-order mark is dropped); writes Text().
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  [[nodiscard]] const_iterator begin() const { return FItems.begin(); }
  [[nodiscard]] const_iterator end() const { return FItems.end(); }

private:
  [[nodiscard]] int CompareStrings(std::string_view a, std::string_view b) const;
  void CheckIndex(int index, int limit) const;
  void CheckNotSorted() const;

  std::vector<std::string> FItems;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  bool FStrictDelimiter = false;
  char FNameValueSeparator = '=';
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FTrailingLineBreak = true;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

} // namespace Platform
