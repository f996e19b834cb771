#include "cli/CliSupport.h"

#include <fmt/format.h>

#include <exception>
#include <iostream>

namespace Fotarium::Cli {

std::vector<TCommand>& Commands() {
  static std::vector<TCommand> commands;
  return commands;
}

int ForEachFile(const std::vector<std::string>& files, bool asJson, const TFileAction& action) {
  int status = 0;
  auto all = nlohmann::ordered_json::array();
  for (const auto& fileName : files) {
    nlohmann::ordered_json entry;
    entry["file"] = fileName;
    try {
      if (!asJson)
        std::cout << fileName << ":\n";
      action(fileName, std::cout, entry);
      if (asJson)
        entry["error"] = nullptr;
    } catch (const std::exception& e) {
      status = 1;
      std::cerr << "fotarium-cli: " << fileName << ": " << e.what() << '\n';
      if (asJson)
        entry["error"] = e.what();
    }
    if (asJson)
      all.push_back(std::move(entry));
  }
  if (asJson)
    std::cout << all.dump(2) << '\n';
  return status;
}

std::string HexID(unsigned value, int digits) { return fmt::format("0x{:0{}X}", value, digits); }

} // namespace Fotarium::Cli
