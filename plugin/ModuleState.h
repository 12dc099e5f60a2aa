// The module state of the loaded plug-in: created at process attach,
// destroyed at process detach.
#pragma once

#include "Filter.h"

namespace qv {

struct Module {
  FilterState filter;
  PrepareResult lastPrepare;  // why the last ZcPrepare refused, if it did
};

// Null outside attach..detach (or if attach could not allocate).
Module* CurrentModule();
bool AttachModule();
void DetachModule();

// The library's own module handle (HINSTANCE on Windows), for its resources.
void SetModuleInstance(void* instance);
void* ModuleInstance();

}  // namespace qv
