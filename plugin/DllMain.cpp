// Library entry: the module state lives from process attach to detach.
#include "ModuleState.h"

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      qv::SetModuleInstance(instance);
      return qv::AttachModule() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      qv::DetachModule();
      break;
    default:  // thread attach and detach: nothing to do
      break;
  }
  return TRUE;
}
#else
__attribute__((constructor)) static void QuelvorAttach() { qv::AttachModule(); }
__attribute__((destructor)) static void QuelvorDetach() { qv::DetachModule(); }
#endif
