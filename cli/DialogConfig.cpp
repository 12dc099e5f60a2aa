#include "DialogConfig.h"

#include <filesystem>

#include "FileAccess.h"
#include "FltSetup.h"
#include "TextDecode.h"
#include "UiMemory.h"

namespace qv::host {
namespace {

// Text in the system code page for the terminal: on Windows that is code
// page 936; natively a file name's bytes are shown as they are.
std::string SystemText(const std::string& bytes) {
#ifdef _WIN32
  return DecodeToUtf8(bytes);
#else
  return bytes;
#endif
}

std::string Utf8(const ui::MessageBoxArgs& box) {
  return box.textCp == ui::Cp::System ? SystemText(box.text) : DecodeToUtf8(box.text);
}

// What went wrong, in quelvor's own words, from the status alone.
std::string Describe(const FileStatus& s) {
  using Cause = FileStatus::Cause;
  const std::string at = "line " + std::to_string(s.line);
  switch (s.kind) {
    case FileStatus::Kind::Done:
      return "done";
    case FileStatus::Kind::CannotOpen:
      return "cannot be opened";
    case FileStatus::Kind::WriteError:
      return s.oldFileKept ? "write error, the previous file is unchanged"
                           : "write error, the file may be incomplete";
    case FileStatus::Kind::ReadError:
      switch (s.cause) {
        case Cause::ZeroByte: return at + " holds a zero byte";
        case Cause::Refused:
          return at + " cannot be shown in the setup dialog (a level digit outside 0..7, or an "
                      "\"M\" without a \")\" after it)";
        case Cause::Truncated: return "the file ends before the records its header announces";
        case Cause::BadHeader: return "the header announces records that no file can hold";
        case Cause::Io:
        case Cause::None: break;
      }
      return s.line ? "read error at " + at : "read error";
  }
  return "failed";
}

}  // namespace

DialogConfigResult BuildThroughDialog(const DialogConfig& config) {
  DialogConfigResult result;
  ui::MemoryBackend& mem = ui::UseMemoryBackend();
  mem.ClearMessages();
  TfrmFltSetup dlg;

  // Takes the message boxes one step showed: notes when the step did what
  // it was asked, otherwise the failure, with what failed.  False then.
  auto settle = [&](bool ok, const std::string& what) {
    std::string shown;
    for (const ui::MessageBoxArgs& box : mem.Messages()) {
      if (ok) {
        result.notes.push_back(Utf8(box));
      } else {
        shown += (shown.empty() ? "" : " ") + Utf8(box);
      }
    }
    mem.ClearMessages();
    if (!ok) result.error = shown.empty() ? what : shown + " (" + what + ")";
    return ok;
  };

  if (config.filterString &&
      !settle(dlg.OpenFilterStr(*config.filterString),
              "the filter string cannot be shown in the setup dialog (a level digit outside "
              "0..7, or an \"M\" without a \")\" after it)"))
    return result;

  for (const std::string& file : config.conditionFiles) {
    const FileStatus s = dlg.LoadConditionFile(PathFromSystemBytes(file));
    if (!settle(s.Ok(), "condition file " + SystemText(file) + ": " + Describe(s))) return result;
  }

  if (config.betsSzc) {
    const FileStatus s = dlg.ImportBetResultFile(PathFromSystemBytes(*config.betsSzc));
    if (!settle(s.Ok(), "bet result file " + SystemText(*config.betsSzc) + ": " + Describe(s)))
      return result;
  }

  if (config.saveConditionFile) {
    const std::string what = "condition file " + SystemText(*config.saveConditionFile);
    const std::optional<FileStatus> s =
        dlg.SaveConditionFile(PathFromSystemBytes(*config.saveConditionFile));
    if (!settle(s && s->Ok(), what + ": " + (s ? Describe(*s) : "not saved"))) return result;
  }

  dlg.BuildFilterStr(result.filterString);
  result.ok = true;
  return result;
}

}  // namespace qv::host
