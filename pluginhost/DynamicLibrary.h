// Loading a shared library and looking up its symbols (dlopen / LoadLibrary).
#pragma once

#include <filesystem>
#include <string>

namespace qv::host {

// Null with a reason on failure.
void* OpenLibrary(const std::filesystem::path& path, std::string& error);
// Null when the library has no such symbol.
void* Symbol(void* library, const char* name);
void CloseLibrary(void* library);

// The folder of the running executable.
std::filesystem::path ExecutableDir();

}  // namespace qv::host
