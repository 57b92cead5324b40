// Library-loading seam: win32/library.cpp (LoadLibrary), posix/library.cpp (dlopen).
#pragma once

#include "runtime/text.h"

namespace clocktool {

void* LoadLibraryByPath(const Text& path);        // null when it cannot be loaded
void* FindLibraryFunction(void* library, const Text& name);
void FreeLibraryHandle(void* library);
Text ProgramDirectory();                           // without a trailing separator
bool MakeCurrentDirectory(const Text& directory);
// The directory and the name joined with the platform's separator.
Text PathInDirectory(const Text& directory, const Text& name);

}  // namespace clocktool
