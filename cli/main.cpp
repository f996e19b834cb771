// fotarium-cli: the command-line front end of the metadata library.

#include "cli/CliSupport.h"

#include "platform/FormatSettings.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  using namespace Fotarium::Cli;
  Platform::SetFormatSettings(Platform::TFormatSettings::FromEnvironment());

  CLI::App app{"Read and rewrite the metadata of JPEG, TIFF and Photoshop files", "fotarium-cli"};
  app.set_version_flag("--version", "fotarium-cli " FOTARIUM_VERSION, "Show the program's version and exit");
  app.set_help_flag("-h,--help", "Show this help and exit");
  app.require_subcommand(1);
  app.footer("Run \"fotarium-cli COMMAND --help\" for the options of a command.\n"
             "Exit status: 0 when every file was handled, 1 when any failed, 2 for usage errors.");
  std::function<int()> run;
  for (auto& command : Commands()) {
    auto* sub = app.add_subcommand(command.Name, command.Description);
    sub->set_help_flag("-h,--help", "Show this help and exit");
    sub->add_flag("-r,--recursive", RecurseIntoFolders(), "Read the pictures in folders and their sub-folders");
    if (!command.Example.empty())
      sub->footer("Example:\n  " + command.Example);
    auto runner = command.Setup(*sub);
    sub->callback([&run, runner] { run = runner; });
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Usage errors answer 2; asking for help or the version is not an error.
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  try {
    return run ? run() : 2;
  } catch (const std::exception& e) {
    std::cerr << "fotarium-cli: " << EnglishMessage(e.what()) << '\n';
    return 1;
  }
}
