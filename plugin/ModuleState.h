// The module state of the loaded plug-in: created at process attach,
// destroyed at process detach.
#pragma once

#include "Filter.h"

namespace qv {

struct Module {
  FilterState filter;
  PrepareResult lastPrepare;  // why the last ZcPrepare refused, if it did
};

namespace module_state {
// Read inline by every export: no call per candidate (and natively no
// look-up through the library's global offset table).
#if defined(_WIN32)
extern Module* g_module;
#else
extern Module* g_module __attribute__((visibility("hidden")));
#endif
}  // namespace module_state

// Null outside attach..detach (or if attach could not allocate).
inline Module* CurrentModule() { return module_state::g_module; }
bool AttachModule();
void DetachModule();

// The library's own module handle (HINSTANCE on Windows), for its resources.
void SetModuleInstance(void* instance);
void* ModuleInstance();

}  // namespace qv
