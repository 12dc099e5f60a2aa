// A library with only seven of the nine exports (no ZcExecute, no ZcDebug):
// quelvor must refuse to drive it.
#include <stdint.h>

#if defined(_WIN32)
#define QV_STDCALL __stdcall
#else
#define QV_STDCALL
#endif
typedef unsigned char QvBool;

#if defined(_WIN32)
#define PARTIAL_EXPORT extern "C" __declspec(dllexport)
#else
#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PARTIAL_EXPORT const char* QV_STDCALL GetFilterName(void) { return "partial"; }
PARTIAL_EXPORT const char* QV_STDCALL GetVersion(void) { return "0"; }
PARTIAL_EXPORT const char* QV_STDCALL GetAuthor(void) { return "nobody"; }
PARTIAL_EXPORT const char* QV_STDCALL GetFilterStr(void) { return ""; }
PARTIAL_EXPORT void QV_STDCALL SetFilterStr(const char*) {}
PARTIAL_EXPORT QvBool QV_STDCALL ZcOpen(void*) { return 1; }
PARTIAL_EXPORT QvBool QV_STDCALL ZcPrepare(void) { return 1; }
