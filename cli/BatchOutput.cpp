#include "cli/BatchOutput.h"
#include "cli/CliSupport.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <ostream>

namespace Fotarium::Cli {

namespace {

using Core::TBatchItem;

nlohmann::ordered_json ItemJson(const TBatchItem& item) {
  nlohmann::ordered_json json;
  json["file"] = item.FileName;
  for (const auto& [name, value] : item.Details)
    json[name] = value;
  auto changes = nlohmann::ordered_json::array();
  for (const auto& change : item.Changes)
    changes.push_back({{"field", change.Field}, {"old", change.Old}, {"new", change.New}});
  json["changes"] = std::move(changes);
  if (!item.Error.empty())
    json["error"] = EnglishMessage(item.Error);
  else if (item.Skipped != Core::TSkipReason::srNone)
    json["skipped"] = Core::SkipReasonText(item.Skipped, false);
  return json;
}

void PrintItem(const TBatchItem& item, std::ostream& out) {
  out << item.FileName << '\n';
  for (const auto& [name, value] : item.Details)
    out << fmt::format("  {}: {}\n", name, value);
  if (!item.Error.empty()) {
    out << "  error: " << EnglishMessage(item.Error) << '\n';
    return;
  }
  if (item.Skipped != Core::TSkipReason::srNone) {
    out << "  left as it is: " << Core::SkipReasonText(item.Skipped, false) << '\n';
    return;
  }
  for (const auto& change : item.Changes)
    out << fmt::format("  {}: {} -> {}\n", change.Field, change.Old.empty() ? "(none)" : change.Old,
                       change.New.empty() ? "(removed)" : change.New);
}

} // namespace

int RunBatch(const Core::TBatchPlan& plan, const TBatchOutputOptions& options, std::ostream& out, std::ostream& err) {
  nlohmann::ordered_json files = nlohmann::ordered_json::array();
  for (const auto& item : plan.Items) {
    if (options.Json)
      files.push_back(ItemJson(item));
    else
      PrintItem(item, out);
  }
  std::size_t planErrors = 0;
  for (const auto& item : plan.Items)
    planErrors += item.Error.empty() ? 0 : 1;
  if (options.DryRun) {
    const auto would = plan.ChangeCount();
    if (options.Json)
      out << nlohmann::ordered_json{{"files", files}, {"wouldChange", would}, {"total", plan.Items.size()}}.dump(2)
          << '\n';
    else
      out << fmt::format("dry run: {} of {} pictures would change, nothing written\n", would, plan.Items.size());
    return planErrors == 0 ? 0 : 1;
  }
  const auto summary = Core::ApplyBatch(plan);
  auto failures = nlohmann::ordered_json::array();
  for (const auto& failure : summary.Failures)
    failures.push_back({{"file", failure.FileName}, {"error", EnglishMessage(failure.Reason)}});
  if (options.Json) {
    out << nlohmann::ordered_json{{"files", files},
                                  {"summary",
                                   {{"changed", summary.Changed}, {"total", summary.Total}, {"failures", failures}}}}
               .dump(2)
        << '\n';
  } else {
    out << fmt::format("{} of {} pictures changed\n", summary.Changed, summary.Total);
    for (const auto& failure : summary.Failures)
      err << fmt::format("failed: {}: {}\n", failure.FileName, EnglishMessage(failure.Reason));
  }
  return summary.Failures.empty() ? 0 : 1;
}

} // namespace Fotarium::Cli
