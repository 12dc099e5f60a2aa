// quelvor filter: runs the prepared filter over all seven-digit numbers or
// over a candidates file and writes the candidates that pass.
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"
#include "FilterPass.h"
#include "Progress.h"

namespace qv::host {
namespace {

// What `quelvor filter` does, for its help.
constexpr char kAbout[] =
    "Judge candidates with the plug-in and write those that pass (verdict 0), one a line";

struct FilterArgs {
  FilterOptions filter;
  std::string candidates;
  std::string out;
  CLI::Option* candidatesOpt = nullptr;
  CLI::Option* outOpt = nullptr;
};

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void PrintCounts(const PassCounts& c, double seconds) {
  std::fprintf(stderr,
               "passed (0):          %" PRIu64 "\n"
               "failed (1):          %" PRIu64 "\n"
               "hard reject (999998): %" PRIu64 "\n",
               c.passed, c.failed, c.hardReject);
  if (c.other > 0) std::fprintf(stderr, "other answers:       %" PRIu64 "\n", c.other);
  std::fprintf(stderr, "candidates:          %" PRIu64 "\nelapsed:             %.3f s\n",
               c.Total(), seconds);
}

int RunFilter(const FilterArgs& args) {
  // Open every file before the plug-in runs, so that a wrong name costs nothing.
  FilePtr inFile;
  std::FILE* in = nullptr;
  uint64_t inSize = 0;
  const bool fromFile = args.candidatesOpt->count() > 0;
  if (fromFile) {
    if (args.candidates == "-") {
      in = stdin;
      SetBinary(stdin);
    } else {
      inFile.reset(std::fopen(args.candidates.c_str(), "rb"));
      if (!inFile) {
        PrintError(args.candidates + ": " + std::strerror(errno));
        return kExitUsage;
      }
      in = inFile.get();
      std::error_code ec;
      if (std::filesystem::is_regular_file(args.candidates, ec))
        inSize = std::filesystem::file_size(args.candidates, ec);
      if (ec) inSize = 0;
    }
  }

  PreparedPlugin plugin;
  if (int rc = args.filter.Prepare(plugin); rc != kExitOk) return rc;

  FilePtr outFile;
  std::FILE* out = stdout;
  const bool toFile = args.outOpt->count() > 0;
  if (toFile) {
    outFile.reset(std::fopen(args.out.c_str(), "wb"));
    if (!outFile) {
      PrintError(args.out + ": " + std::strerror(errno));
      return kExitUsage;
    }
    out = outFile.get();
  }

  // The bar shares the terminal with nothing else: not when the results go
  // to the same terminal.
  ProgressBar bar(IsTerminal(stderr) && (toFile || !IsTerminal(stdout)));
  const QvZcExecuteFn execute = plugin.lib.Fn().ZcExecute;
  auto exec = [execute](const char* candidate) { return execute(candidate); };

  PassCounts counts;
  bool readOk = true;
  std::string readError;
  const auto start = std::chrono::steady_clock::now();
  {
    OutputBuffer buffer(out);
    if (!fromFile) {
      counts = RunAllNumbers(exec, buffer,
                             [&](uint64_t done, uint64_t total) { bar.Update(done, total, "numbers"); });
    } else {
      CandidateLineReader reader(in);
      readOk = RunCandidateLines(
          reader, exec, buffer,
          [&](uint64_t done, uint64_t total) { bar.Update(done, total, "bytes"); }, inSize, counts);
      if (!readOk) readError = reader.Error();
    }
    bar.Finish();
    if (!buffer.Flush()) {
      PrintError(std::string(toFile ? args.out : "standard output") + ": write error");
      return kExitUsage;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (toFile) {
    std::FILE* f = outFile.release();
    if (std::fclose(f) != 0) {
      PrintError(args.out + ": write error");
      return kExitUsage;
    }
  }
  if (!readOk) {
    PrintError((args.candidates == "-" ? std::string("standard input") : args.candidates) + ": " +
               readError);
    return kExitUsage;
  }
  PrintCounts(counts, seconds);
  return kExitOk;
}

}  // namespace

void AddFilterCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<FilterArgs>(root, commands, "filter", kAbout, RunFilter);
  args->filter.AddTo(*cmd);
  args->candidatesOpt =
      cmd->add_option("--candidates", args->candidates,
                      "Candidates file, one a line ('-': standard input); default: all "
                      "seven-digit numbers 0000000 to 9999999");
  args->candidatesOpt->type_name("FILE|-");
  args->outOpt = cmd->add_option("--out", args->out,
                                 "Write the passing candidates to this file "
                                 "instead of standard output");
  args->outOpt->type_name("FILE");
  cmd->footer(std::string(kSampleFilterNote) + "\n" + kExitStatusNote);
}

}  // namespace qv::host
