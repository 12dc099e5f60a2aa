#include "ModuleState.h"

#include <new>

namespace qv {
namespace {
Module* g_module = nullptr;
void* g_instance = nullptr;
}  // namespace

void SetModuleInstance(void* instance) { g_instance = instance; }
void* ModuleInstance() { return g_instance; }

Module* CurrentModule() { return g_module; }

bool AttachModule() {
  if (!g_module) g_module = new (std::nothrow) Module();
  return g_module != nullptr;
}

void DetachModule() {
  if (!g_module) return;
  // Media bets first, then the conditions and the filter string.
  BetList().swap(g_module->filter.MediaBets);
  delete g_module;
  g_module = nullptr;
}

}  // namespace qv
