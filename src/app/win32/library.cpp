#include "app/library.h"

#include <windows.h>

#include <string>

#include "runtime/codepage.h"

namespace clocktool {

namespace {
const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

void* LoadLibraryByPath(const Text& path) {
    if (path.empty()) return nullptr;
    return reinterpret_cast<void*>(LoadLibraryW(Wide(GbkToUtf16(path))));
}

void* FindLibraryFunction(void* library, const Text& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void FreeLibraryHandle(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

// The full path of the program file, split at its last backslash.
Text ProgramDirectory() {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()), static_cast<DWORD>(path.size()));
        if (n == 0) return Text(".");
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf16ToGbk(path.substr(0, path.rfind(u'\\')));
}

bool MakeCurrentDirectory(const Text& directory) {
    return SetCurrentDirectoryW(Wide(GbkToUtf16(directory))) != 0;
}

Text PathInDirectory(const Text& directory, const Text& name) {
    return Text(directory.bytes() + "\\" + name.bytes());
}

}  // namespace clocktool
