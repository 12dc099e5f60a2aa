// The options every filtering command shares (--filter-string,
// --filter-file, --plugin) and the set-up they lead to: the plug-in loaded,
// the filter string handed to it and prepared.  New ways of giving the
// configuration are added here, in one place, for every command.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "PluginLibrary.h"

namespace qv::host {

// --plugin PATH: any library with the nine exports; default the Quelvor
// library next to the executable.
class PluginOption {
 public:
  void AddTo(CLI::App& cmd);
  // Loads the library; prints the reason and returns false on failure.
  bool Load(PluginLibrary& lib) const;
  // Whether the loaded library is the one next to the executable, whose
  // engine quelvor is linked with.
  bool IsDefault(const PluginLibrary& lib) const;
  bool Given() const { return opt_ && opt_->count() > 0; }

 private:
  std::string path_;
  CLI::Option* opt_ = nullptr;
};

// The help's note on the filter options' default.
constexpr const char kSampleFilterNote[] =
    "Without --filter-string or --filter-file the bundled example filter is used.";

// A plug-in that holds a prepared filter string.
struct PreparedPlugin {
  PluginLibrary lib;
  std::string filterString;  // the bytes handed to SetFilterStr
};

class FilterOptions {
 public:
  // Registers the options on a command.
  void AddTo(CLI::App& cmd);

  // Loads the plug-in, hands it the filter string and calls ZcPrepare.
  // Returns kExitOk when the plug-in is ready for ZcExecute and ZcDebug;
  // otherwise prints why and returns the exit status (kExitRefused or
  // kExitUsage).
  int Prepare(PreparedPlugin& out) const;

  // The filter string the options give (the bundled example when none is
  // given).  False with a reason on an input error.
  bool FilterString(std::string& out, std::string& error) const;
  // The same, refusing a string with a zero byte (the plug-in takes a
  // zero-terminated text); prints why and answers false on an input error.
  bool CheckedFilterString(std::string& out) const;

  // The --plugin option, for commands that load the plug-in without
  // preparing it (setup).
  const PluginOption& Plugin() const { return plugin_; }

  // Whether --plugin or --bets-szc was given, for the commands that judge
  // with the engine itself and take the media bets from elsewhere.
  bool PluginGiven() const { return plugin_.Given(); }
  bool BetsSzcGiven() const { return betsSzcOpt_ && betsSzcOpt_->count() > 0; }

 private:
  PluginOption plugin_;
  std::string filterString_;
  std::string filterFile_;
  CLI::Option* filterStringOpt_ = nullptr;
  CLI::Option* filterFileOpt_ = nullptr;
  // Condition files and a bet result file, merged through the setup
  // dialog's state (DialogConfig.h).
  std::vector<std::string> conditionFiles_;
  std::string betsSzc_;
  CLI::Option* conditionFilesOpt_ = nullptr;
  CLI::Option* betsSzcOpt_ = nullptr;
};

}  // namespace qv::host
