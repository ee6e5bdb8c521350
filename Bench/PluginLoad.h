// Loads the plug-in file as a host does and returns its factory function; null, with the
// reason on standard error, when the file cannot be loaded or does not export it.
#pragma once

#include <dlfcn.h>

#include <cstdio>

#include "KoFileParser/KtFileParseFactory.h"

inline PFN_CreateFileParseFactory LoadPlugin(const char* pszPath) {
    void* handle = dlopen(pszPath, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return nullptr;
    }
    auto create =
        reinterpret_cast<PFN_CreateFileParseFactory>(dlsym(handle, "CreateFileParseFactory"));
    if (create == nullptr)
        std::fprintf(stderr, "%s: CreateFileParseFactory is not exported\n", pszPath);
    return create;
}
