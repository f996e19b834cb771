// fotarium-cli shift: moves the capture times of pictures by a fixed amount, for a camera
// whose clock was off. Every file is planned and shown first; then each is saved once,
// verified, and replaced atomically.

#include "cli/BatchOutput.h"
#include "cli/CliSupport.h"

#include "app/core/ClockShift.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace Fotarium::Cli {

namespace {

struct TShiftOptions {
  std::string By;
  TBatchOutputOptions Output;
  std::vector<std::string> Files;
};

const TCommandRegistrar registrar{
    TCommand{"shift", "Shift the capture times (EXIF, XMP, IPTC) of pictures by days and hours:minutes:seconds",
             [](CLI::App& sub) -> std::function<int()> {
               auto options = std::make_shared<TShiftOptions>();
               sub.add_option("--by", options->By, "The shift, \"[+|-][D ]HH:MM:SS\" (later with +, earlier with -)")
                   ->required()
                   ->check([](const std::string& text) {
                     return Core::ParseClockShift(text) ? std::string() : "expected \"[+|-][D ]HH:MM:SS\"";
                   });
               sub.add_flag("--dry-run", options->Output.DryRun, "Show the old and new times, write nothing");
               sub.add_flag("--json", options->Output.Json, "One JSON object with the plan and the summary");
               sub.add_option("files", options->Files, "JPEG, Photoshop or TIFF files")->required();
               return [options] {
                 const auto seconds = *Core::ParseClockShift(options->By);
                 const auto plan = Core::PlanBatch(options->Files, [seconds](const std::string& file) {
                   return Core::PlanClockShift(file, seconds);
                 });
                 return RunBatch(plan, options->Output, std::cout, std::cerr);
               };
             },
             "fotarium-cli shift --by \"-0 01:00:00\" --dry-run ~/Pictures/trip/*.jpg"}};

} // namespace

} // namespace Fotarium::Cli
