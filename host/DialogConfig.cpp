#include "DialogConfig.h"

#include "ConditionFile.h"
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

}  // namespace

DialogConfigResult BuildThroughDialog(const DialogConfig& config) {
  DialogConfigResult result;
  ui::MemoryBackend& mem = ui::UseMemoryBackend();
  TfrmFltSetup dlg;

  // Runs one user action and sorts the message boxes it showed: a box with
  // the error icon (the error display) or with failureText is the failure,
  // any other box a note.  False when the action failed.
  auto act = [&](const std::function<void()>& action, const std::string& failureText,
                 const std::string& detail) {
    mem.ClearMessages();
    action();
    for (const ui::MessageBoxArgs& box : mem.Messages()) {
      const bool failure = box.icon == ui::MessageIcon::Error ||
                           (!failureText.empty() && box.text == failureText);
      if (!failure) {
        result.notes.push_back(Utf8(box));
      } else if (result.error.empty()) {
        result.error = Utf8(box) + " (" + detail + ")";
      }
    }
    mem.ClearMessages();
    return result.error.empty();
  };

  if (config.filterString && !dlg.ApplyFilterStr(*config.filterString)) {
    result.error = "the filter string cannot be shown in the setup dialog (a level digit "
                   "outside 0..7, or an \"M\" without a \")\" after it)";
    return result;
  }

  for (const std::string& file : config.conditionFiles) {
    const std::filesystem::path path = PathFromSystemBytes(file);
    std::string detail = "condition file " + SystemText(file);
    {
      FileReader probe;
      detail += probe.Open(path, FileReader::Share::Read)
                    ? ": a line starting with \"M\" cannot be shown in the setup dialog"
                    : ": cannot be opened";
    }
    mem.QueueFileAnswer(path);
    if (!act([&] { dlg.mnuLoadFlt->Click(); }, kOpenFileErrorMessage, detail)) return result;
  }

  if (config.betsSzc) {
    mem.QueueFileAnswer(PathFromSystemBytes(*config.betsSzc));
    if (!act([&] { dlg.btnLoad->Click(); }, "", "bet result file " + SystemText(*config.betsSzc)))
      return result;
  }

  if (config.saveConditionFile) {
    const size_t notesBefore = result.notes.size();
    const size_t dialogsBefore = mem.FileDialogs().size();
    const std::string detail = "condition file " + SystemText(*config.saveConditionFile);
    mem.QueueFileAnswer(PathFromSystemBytes(*config.saveConditionFile));
    if (!act([&] { dlg.mnuSaveFlt->Click(); }, kSaveFileErrorMessage, detail)) return result;
    // The dialog refused to save before its file dialog came up (bounds the
    // filter string cannot carry): its message is the failure.
    if (mem.FileDialogs().size() == dialogsBefore) {
      result.error = (result.notes.size() > notesBefore ? result.notes.back() : "not saved") +
                     " (" + detail + ": not saved)";
      return result;
    }
  }

  dlg.BuildFilterStr(result.filterString);
  result.ok = true;
  return result;
}

}  // namespace qv::host
