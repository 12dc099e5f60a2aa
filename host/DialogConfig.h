// The configuration through the setup dialog's own state: a newly created
// setup dialog on the in-memory toolkit, filled the way a user fills it
// (a filter string applied, condition files loaded through the menu, a bet
// result file imported through the import button), then read back with
// BuildFilterStr.  quelvor runs the very code of the dialog, not a second
// reading of the files.
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
  std::string error;               // UTF-8: the dialog's message and a detail
  std::vector<std::string> notes;  // UTF-8: messages that are no failure
};

DialogConfigResult BuildThroughDialog(const DialogConfig& config);

}  // namespace qv::host
