#pragma once

// Where the benchmarks find the sample pictures, and the corpus JPEGs in a fixed order.
// Each benchmark program is compiled with FOTARIUM_CORPUS_DIR; the environment variable of
// the same name overrides it.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace Fotarium::Bench {

inline std::string CorpusDir() {
  const char* dir = std::getenv("FOTARIUM_CORPUS_DIR");
  return dir != nullptr && *dir != 0 ? dir : FOTARIUM_CORPUS_DIR;
}

// Every .jpg/.jpeg below the corpus folder (any case), sorted by path.
inline std::vector<std::string> SortedCorpusJpegs() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir(), error)) {
    auto ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (entry.is_regular_file() && (ext == ".jpg" || ext == ".jpeg"))
      names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace Fotarium::Bench
