#include "FilterOptions.h"

#include <cstdio>

#include "Console.h"
#include "DialogConfig.h"
#include "ExitCodes.h"
#include "Filter.h"
#include "TextDecode.h"
#include "TextFiles.h"

namespace qv::host {

void PluginOption::AddTo(CLI::App& cmd) {
  opt_ = cmd.add_option("--plugin", path_,
                        std::string("Filter plug-in library to load (default: ") +
                            PathText(DefaultPluginPath()) + ")");
  opt_->type_name("PATH");
}

bool PluginOption::Load(PluginLibrary& lib) const {
  const std::filesystem::path path =
      (opt_ && opt_->count() > 0) ? std::filesystem::path(path_) : DefaultPluginPath();
  std::string error;
  if (!lib.Load(path, error)) {
    PrintError(error);
    return false;
  }
  return true;
}

bool PluginOption::IsDefault(const PluginLibrary& lib) const {
  return SameFile(lib.Path(), DefaultPluginPath());
}

void FilterOptions::AddTo(CLI::App& cmd) {
  filterStringOpt_ = cmd.add_option("--filter-string", filterString_,
                                    "Filter string, handed to the plug-in byte for byte");
  filterStringOpt_->type_name("S");
  filterFileOpt_ = cmd.add_option("--filter-file", filterFile_,
                                  "File whose first line is the filter string");
  filterFileOpt_->type_name("F");
  filterStringOpt_->excludes(filterFileOpt_);
  conditionFilesOpt_ = cmd.add_option(
      "--condition-file", conditionFiles_,
      "Condition file merged through the setup dialog, after the filter string (repeatable)");
  conditionFilesOpt_->type_name("F")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  betsSzcOpt_ = cmd.add_option("--bets-szc", betsSzc_,
                               "Bet result file (.szc) whose records replace the media bets");
  betsSzcOpt_->type_name("F");
  plugin_.AddTo(cmd);
}

bool FilterOptions::FilterString(std::string& out, std::string& error) const {
  if ((conditionFilesOpt_ && conditionFilesOpt_->count() > 0) ||
      (betsSzcOpt_ && betsSzcOpt_->count() > 0)) {
    // Merged through a new setup dialog, as filter-string prints it: it
    // starts empty, not from the bundled example.
    DialogConfig config;
    if (filterStringOpt_ && filterStringOpt_->count() > 0) {
      config.filterString = filterString_;
    } else if (filterFileOpt_ && filterFileOpt_->count() > 0) {
      std::string bytes;
      if (!ReadFileBytes(filterFile_, bytes, error)) return false;
      config.filterString = std::string(FirstLine(bytes));
    }
    config.conditionFiles = conditionFiles_;
    if (betsSzcOpt_->count() > 0) config.betsSzc = betsSzc_;
    DialogConfigResult r = BuildThroughDialog(config);
    for (const std::string& note : r.notes) PrintError(note);
    if (!r.ok) {
      error = r.error;
      return false;
    }
    out = std::move(r.filterString);
    return true;
  }
  if (filterStringOpt_ && filterStringOpt_->count() > 0) {
    out = filterString_;
    return true;
  }
  if (filterFileOpt_ && filterFileOpt_->count() > 0) {
    std::string bytes;
    if (!ReadFileBytes(filterFile_, bytes, error)) return false;
    out = std::string(FirstLine(bytes));
    return true;
  }
  // No configuration option at all: the bundled example.
  out = std::string(FirstLine(SampleFilterFile()));
  return true;
}

bool FilterOptions::CheckedFilterString(std::string& out) const {
  std::string error;
  if (!FilterString(out, error)) {
    PrintError(error);
    return false;
  }
  // The plug-in takes a zero-terminated text: a zero byte would cut the
  // string short without anyone noticing.
  if (out.find('\0') != std::string::npos) {
    PrintError("the filter string holds a zero byte");
    return false;
  }
  return true;
}

int FilterOptions::Prepare(PreparedPlugin& out) const {
  if (!CheckedFilterString(out.filterString)) return kExitUsage;
  if (!plugin_.Load(out.lib)) return kExitUsage;

  const PluginExports& fn = out.lib.Fn();
  fn.SetFilterStr(out.filterString.c_str());
  if (fn.ZcPrepare() & 0xFF) return kExitOk;

  // The plug-in answers only yes or no.  The engine quelvor is linked with
  // is the one inside the default library, so it can say why.
  if (plugin_.IsDefault(out.lib)) {
    FilterState engine;
    engine.FilterStr = out.filterString;
    const PrepareResult why = engine.Prepare();
    // The same engine accepting the string means the plug-in ran out of
    // memory where this one, with the plug-in's memory released, did not.
    if (why.accepted() || why.status == PrepareStatus::OutOfMemory) {
      PrintError("out of memory");
      return kExitRefused;
    }
    PrintError("the filter string was refused: " + DecodeToUtf8(why.message));
    return kExitRefused;
  }
  PrintError("the plug-in refused the filter string");
  return kExitRefused;
}

}  // namespace qv::host
