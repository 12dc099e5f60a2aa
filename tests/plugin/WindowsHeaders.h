// <windows.h> for sources that also see the plug-in's exports: the system's
// GetVersion() would clash with the export of the same name, so the system
// declaration is renamed away (the tests never call it).
#pragma once

#define GetVersion QvSystemGetVersionUnused
#include <windows.h>
#undef GetVersion
