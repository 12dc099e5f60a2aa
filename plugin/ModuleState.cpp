#include "ModuleState.h"

#include <new>

#include "ThreadScratch.h"

namespace qv {
Module* module_state::g_module = nullptr;
using module_state::g_module;
namespace {
void* g_instance = nullptr;
}  // namespace

void SetModuleInstance(void* instance) { g_instance = instance; }
void* ModuleInstance() { return g_instance; }

bool AttachModule() {
  if (!g_module) g_module = new (std::nothrow) Module();
  // Without a thread slot the exports still work, for one thread at a time.
  StartThreadScratch();
  return g_module != nullptr;
}

void DetachModule() {
  EndThreadScratch();
  if (!g_module) return;
  // Media bets first, then the conditions and the filter string.
  BetList().swap(g_module->filter.MediaBets);
  delete g_module;
  g_module = nullptr;
}

}  // namespace qv
