// The nine exports.  Each forwards to the engine or the setup entry point and
// lets no C++ exception reach the host.
#include "Quelvor.h"

#include <exception>
#include <new>

#include "ModuleState.h"
#include "SetupEntry.h"
#include "ThreadScratch.h"

using qv::CurrentModule;

namespace {
const char kEmpty[] = "";
}

extern "C" {

const char* QV_STDCALL GetFilterName(void) { return qv::kFilterName; }
const char* QV_STDCALL GetVersion(void) { return qv::kVersion; }
const char* QV_STDCALL GetAuthor(void) { return qv::kAuthor; }

const char* QV_STDCALL GetFilterStr(void) {
  qv::Module* m = CurrentModule();
  return m ? m->filter.FilterStr.c_str() : kEmpty;
}

void QV_STDCALL SetFilterStr(const char* text) {
  qv::Module* m = CurrentModule();
  if (!m) return;
  try {
    // Copy first, then release the old text: the host may pass back the
    // pointer that GetFilterStr gave it.
    std::string copy = text ? std::string(text) : std::string();
    m->filter.FilterStr.swap(copy);
  } catch (...) {
    // Out of memory: FilterStr keeps its old content.
  }
}

QvBool QV_STDCALL ZcOpen(void* owner) {
  qv::Module* m = CurrentModule();
  if (!m) return 1;
  try {
    qv::RunSetup(owner, m->filter.FilterStr);
  } catch (...) {
  }
  return 1;
}

QvBool QV_STDCALL ZcPrepare(void) {
  qv::Module* m = CurrentModule();
  if (!m) return 0;
  try {
    m->lastPrepare = m->filter.Prepare();
    return m->lastPrepare.accepted() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// ZcExecute and ZcDebug count and write in the calling thread's scratch, so
// that threads may judge at once; without one (no slot, no memory for it)
// they fall back on the module's own, for one thread at a time.
int32_t QV_STDCALL ZcExecute(const char* candidate) {
  qv::Module* m = CurrentModule();
  if (!m) return qv::kPass;
  // Where the kernel judges, no scratch is needed: it reads the prepared
  // state only.
  if (candidate != nullptr && m->filter.KernelJudges()) [[likely]]
    return m->filter.KernelVerdict(candidate);
  // Allocates nothing but a thread's scratch at its first call; cannot throw.
  if (qv::ThreadScratch* s = qv::CurrentScratch()) [[likely]]
    return m->filter.Verdict(candidate, s->tally.data());
  return m->filter.Execute(candidate);
}

const char* QV_STDCALL ZcDebug(const char* candidate, uint32_t showAll) {
  qv::Module* m = CurrentModule();
  if (!m) return kEmpty;
  try {
    const bool all = (showAll & 0xFFu) != 0;
    if (qv::ThreadScratch* s = qv::CurrentScratch()) {
      m->filter.Report(candidate, all, s->tally.data(), s->report);
      return s->report.c_str();
    }
    return m->filter.Debug(candidate, all).c_str();
  } catch (...) {
    return kEmpty;
  }
}

}  // extern "C"
