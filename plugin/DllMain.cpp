// Library entry: the module state lives from process attach to detach.
#include "ModuleState.h"
#include "SetupEntry.h"
#include "ThreadScratch.h"

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      qv::SetModuleInstance(instance);
      qv::SetSetupInstance(instance);
      return qv::AttachModule() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      // FreeLibrary (reserved null): the window classes must go with the
      // image whose code they point at.  At process exit (reserved set)
      // user32 is left alone: it may already be shutting down.
      if (reserved == nullptr) qv::EndSetup();
      qv::DetachModule();
      break;
    case DLL_THREAD_DETACH:  // a thread that ends takes its scratch with it
      qv::ReleaseCurrentScratch();
      break;
    default:  // thread attach: nothing to do
      break;
  }
  return TRUE;
}
#else
__attribute__((constructor)) static void QuelvorAttach() { qv::AttachModule(); }
__attribute__((destructor)) static void QuelvorDetach() { qv::DetachModule(); }
#endif
