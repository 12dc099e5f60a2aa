/* The plug-in's exported interface: nine functions, undecorated names, the
 * Windows standard calling convention in the 32-bit DLL.  Texts are
 * zero-terminated 8-bit strings in the system code page (GB2312 on the
 * target systems); every returned text belongs to the plug-in and is never
 * null.  Booleans are one byte. */
#ifndef QUELVOR_H
#define QUELVOR_H

#include <stdint.h>

#if defined(_WIN32)
#define QV_STDCALL __stdcall
#else
#define QV_STDCALL
#endif

#if defined(QUELVOR_BUILDING_PLUGIN) && !defined(_WIN32)
#define QV_EXPORT __attribute__((visibility("default")))
#else
#define QV_EXPORT
#endif

typedef unsigned char QvBool;

#ifdef __cplusplus
extern "C" {
#endif

QV_EXPORT const char* QV_STDCALL GetFilterName(void);
QV_EXPORT const char* QV_STDCALL GetVersion(void);
QV_EXPORT const char* QV_STDCALL GetAuthor(void);
QV_EXPORT const char* QV_STDCALL GetFilterStr(void);
QV_EXPORT void QV_STDCALL SetFilterStr(const char* text);
/* owner: the host's window handle. */
QV_EXPORT QvBool QV_STDCALL ZcOpen(void* owner);
QV_EXPORT QvBool QV_STDCALL ZcPrepare(void);
/* 0 passes, 1 fails, 999998 fails beyond every tolerance. */
QV_EXPORT int32_t QV_STDCALL ZcExecute(const char* candidate);
/* Only the lowest byte of showAll counts. */
QV_EXPORT const char* QV_STDCALL ZcDebug(const char* candidate, uint32_t showAll);

#ifdef __cplusplus
}
#endif

/* Function pointer types for hosts that load the library at run time. */
typedef const char*(QV_STDCALL* QvGetTextFn)(void);
typedef void(QV_STDCALL* QvSetFilterStrFn)(const char*);
typedef QvBool(QV_STDCALL* QvZcOpenFn)(void*);
typedef QvBool(QV_STDCALL* QvZcPrepareFn)(void);
typedef int32_t(QV_STDCALL* QvZcExecuteFn)(const char*);
typedef const char*(QV_STDCALL* QvZcDebugFn)(const char*, uint32_t);

#endif
