#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <exception>
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
  // One typical command line, shown at the end of the command's --help.
  std::string Example;
};

// Commands register themselves from their own file through a static TCommandRegistrar.
std::vector<TCommand>& Commands();
struct TCommandRegistrar {
  explicit TCommandRegistrar(TCommand command) { Commands().push_back(std::move(command)); }
};

// Whether folders among the file arguments are walked (-r, --recursive); set by main
// from the command line before the command runs.
bool& RecurseIntoFolders();

// The English text of an error raised while handling fileName, naming the file: the
// platform's file errors become "cannot open FILE: reason" with the system's English
// reason, its other fixed (German) texts are given in English, anything else is
// "FILE: message".
[[nodiscard]] std::string ErrorText(const std::exception& error, const std::string& fileName);
// The English form of a fixed platform text; any other text is answered unchanged.
[[nodiscard]] std::string EnglishMessage(const std::string& message);
// The English text of a system error code (errno), whatever the user's locale.
[[nodiscard]] std::string SystemErrorText(int errorCode);

// Runs one action per file. A folder among the arguments is an error for that argument,
// or with RecurseIntoFolders() it is walked: entries sorted by name, symbolic links inside
// it not followed, and only the files whose content is a JPEG, Photoshop or TIFF picture
// taken. Text mode: the action prints to out; a failure is reported on stderr naming the
// file and the run goes on. JSON mode: the action fills the file's object, a failure sets
// "error", and one array is printed at the end.
// Exit status: 0 when every file was handled, 1 when any failed.
using TFileAction = std::function<void(const std::string& fileName, std::ostream& out, nlohmann::ordered_json& json)>;
int ForEachFile(const std::vector<std::string>& files, bool asJson, const TFileAction& action);

// Hex text of an ID, as "0x010F".
std::string HexID(unsigned value, int digits = 4);

} // namespace Fotarium::Cli
