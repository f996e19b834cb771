#pragma once

// The output of the batch commands (shift, geotag): the plan of every file first, then,
// unless it is a dry run, the saves and a summary naming each failure.

#include "app/core/BatchCommand.h"

#include <iosfwd>

namespace Fotarium::Cli {

struct TBatchOutputOptions {
  bool DryRun = false;
  bool Json = false;
};

// Prints the plan to out (text, or with Json one object {"files": [...], "summary": ...}
// at the end), applies it unless DryRun, and answers the exit status: 0 when no file
// failed, 1 otherwise.
int RunBatch(const Core::TBatchPlan& plan, const TBatchOutputOptions& options, std::ostream& out, std::ostream& err);

} // namespace Fotarium::Cli
