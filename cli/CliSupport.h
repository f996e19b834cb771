#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace Fotarium::Cli {

// A sub-command: how to declare its options and what to run for them.
struct TCommand {
  std::string Name;
  std::string Description;
  // Adds options to the sub-command and answers the function that runs it; the
  // function answers the process exit status.
  std::function<std::function<int()>(CLI::App& sub)> Setup;
};

// Commands register themselves from their own file through a static TCommandRegistrar.
std::vector<TCommand>& Commands();
struct TCommandRegistrar {
  explicit TCommandRegistrar(TCommand command) { Commands().push_back(std::move(command)); }
};

// Runs one action per file. Text mode: the action prints to out; a failure is reported
// on stderr naming the file and the run goes on. JSON mode: the action fills the file's
// object, a failure sets "error", and one array is printed at the end.
// Exit status: 0 when every file was handled, 1 when any failed.
using TFileAction = std::function<void(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json)>;
int ForEachFile(const std::vector<std::string>& files, bool asJson, const TFileAction& action);

// Hex text of an ID, as "0x010F".
std::string HexID(unsigned value, int digits = 4);

} // namespace Fotarium::Cli
