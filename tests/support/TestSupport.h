#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Small helpers shared by every test program.
namespace TestSupport {

// The sample-picture folder the corpus tests read in place; empty when it is absent.
[[nodiscard]] std::string CorpusDir();
// Every corpus file (recursively, sorted) whose extension matches one of the given
// ones, compared without regard to case; extensions with or without the dot (".jpg", "tif").
// Empty when the corpus is absent.
[[nodiscard]] std::vector<std::string> CorpusFiles(const std::vector<std::string>& extensions);

// A name for a parameterised corpus case: its index and the file name with every
// character that is not a letter or digit replaced by "_".
[[nodiscard]] std::string CorpusCaseName(const std::string& path, std::size_t index);

// A fresh folder below the temporary folder, removed with everything in it on destruction.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  [[nodiscard]] const std::string& Path() const { return FPath; }
  // The full name of a file inside the folder (the file is not created).
  [[nodiscard]] std::string File(std::string_view name) const;

private:
  std::string FPath;
};

// Whole-file byte helpers; they throw std::runtime_error on failure.
[[nodiscard]] std::vector<std::uint8_t> ReadFile(const std::string& fileName);
[[nodiscard]] std::string ReadFileText(const std::string& fileName);
void WriteFile(const std::string& fileName, std::span<const std::uint8_t> bytes);
void WriteFile(const std::string& fileName, std::string_view text);

// Sets an environment variable (nullptr: unsets it) for one scope.
class TEnvScope {
public:
  TEnvScope(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name))
      FOld = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~TEnvScope() {
    if (FOld)
      setenv(FName.c_str(), FOld->c_str(), 1);
    else
      unsetenv(FName.c_str());
  }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

private:
  std::string FName;
  std::optional<std::string> FOld;
};

} // namespace TestSupport

// Tests may call the helpers unqualified.
using TestSupport::CorpusCaseName;
using TestSupport::CorpusDir;
using TestSupport::CorpusFiles;
using TestSupport::ReadFile;
using TestSupport::ReadFileText;
using TestSupport::TTempDir;
using TestSupport::WriteFile;
