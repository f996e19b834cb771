#include "support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace TestSupport {

namespace {

std::string AsciiLower(std::string text) {
  for (auto& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

} // namespace

std::string CorpusDir() {
#ifdef FOTARIUM_CORPUS_DIR
  std::error_code error;
  if (fs::is_directory(FOTARIUM_CORPUS_DIR, error))
    return FOTARIUM_CORPUS_DIR;
#endif
  return {};
}

std::string CorpusCaseName(const std::string& path, std::size_t index) {
  auto name = fs::path(path).filename().string();
  for (auto& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)))
      c = '_';
  return std::to_string(index) + "_" + name;
}

std::vector<std::string> CorpusFiles(const std::vector<std::string>& extensions) {
  std::vector<std::string> wanted;
  for (const auto& ext : extensions)
    wanted.push_back(AsciiLower(ext.empty() || ext[0] == '.' ? ext : "." + ext));

  std::vector<std::string> result;
  const auto root = CorpusDir();
  if (root.empty())
    return result;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file(error))
      continue;
    const auto ext = AsciiLower(it->path().extension().string());
    if (std::find(wanted.begin(), wanted.end(), ext) != wanted.end())
      result.push_back(it->path().string());
  }
  std::sort(result.begin(), result.end());
  return result;
}

TTempDir::TTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fotarium-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot create a temporary folder from " + pattern);
  FPath = pattern;
}

TTempDir::~TTempDir() {
  std::error_code error;
  fs::remove_all(FPath, error);
}

std::string TTempDir::File(std::string_view name) const { return FPath + "/" + std::string(name); }

std::vector<std::uint8_t> ReadFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open " + fileName);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadFileText(const std::string& fileName) {
  const auto bytes = ReadFile(fileName);
  return {bytes.begin(), bytes.end()};
}

void WriteFile(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + fileName);
}

void WriteFile(const std::string& fileName, std::string_view text) {
  WriteFile(fileName, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace TestSupport
