// The configuration through the setup dialog's own state: a newly created
// setup dialog on the in-memory toolkit, filled the way a user fills it
// (a filter string opened as ZcOpen opens it, condition files loaded and a
// bet result file imported by the dialog's file commands), then read back
// with BuildFilterStr.  quelvor runs the very code of the dialog, not a
// second reading of the files: whether a step failed, and why, comes from
// the status the dialog's file command answers with.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv::host {

struct DialogConfig {
  std::optional<std::string> filterString;  // applied first
  std::vector<std::string> conditionFiles;  // then each file's "M" lines, in order
  std::optional<std::string> betsSzc;       // then the media bets replaced by its records
  std::optional<std::string> saveConditionFile;  // finally saved as a condition file
};

struct DialogConfigResult {
  bool ok = false;
  std::string filterString;        // what BuildFilterStr gives (when ok)
  std::string error;               // UTF-8: what the dialog showed, and what failed
  std::vector<std::string> notes;  // UTF-8: what the dialog showed for steps that did not fail
};

DialogConfigResult BuildThroughDialog(const DialogConfig& config);

}  // namespace qv::host
