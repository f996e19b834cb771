// fotarium-cli: the command-line front end of the metadata library.

#include "cli/CliSupport.h"

#include "platform/FormatSettings.h"

#include <iostream>

int main(int argc, char** argv) {
  using namespace Fotarium::Cli;
  Platform::SetFormatSettings(Platform::TFormatSettings::FromEnvironment());

  CLI::App app{"Reads and rewrites the metadata of JPEG, TIFF and Photoshop files", "fotarium-cli"};
  app.require_subcommand(1);
  std::function<int()> run;
  for (auto& command : Commands()) {
    auto* sub = app.add_subcommand(command.Name, command.Description);
    auto runner = command.Setup(*sub);
    sub->callback([&run, runner] { run = runner; });
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Usage errors answer 2; asking for help is not an error.
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  return run ? run() : 2;
}
