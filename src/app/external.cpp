#include "app/external.h"

#include <string>

#include "app/library.h"
#include "runtime/fatal.h"

namespace clocktool {

namespace {

struct ExternalRoutine {
    const char* library;
    const char* function;
    void* module = nullptr;
    void* address = nullptr;
};

ExternalRoutine table[] = {
    {"ole32.dll", "CoInitialize"},
    {"ole32.dll", "CoUninitialize"},
    {"wininet.dll", "InternetTimeToSystemTime"},
};

constexpr const char* kCannotBindBefore =
    "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8" "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0";   // 无法找到指定DLL库文件“
constexpr const char* kCannotBindBetween =
    "\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6\xC3\xFC\xC1\xEE\xA1\xB0";                        // ”中的输出命令“
constexpr const char* kCannotBindAfter = "\xA1\xB1";                                           // ”

void* LoadByName(const Text& name) {
    // A name with a colon is a path; any other is looked for beside the program first.
    if (name.view().find(':') != std::string_view::npos) return LoadLibraryByPath(name);
    if (void* own = LoadLibraryByPath(PathInDirectory(ProgramDirectory(), name))) return own;
    return LoadLibraryByPath(name);
}

}  // namespace

void* BindExternalRoutine(int index) {
    ExternalRoutine& entry = table[index];
    if (entry.address) return entry.address;
    void* module = LoadByName(entry.library);
    void* address = module ? FindLibraryFunction(module, entry.function) : nullptr;
    if (!address) {
        if (module) FreeLibraryHandle(module);
        FatalError(Text(std::string(kCannotBindBefore) + entry.library + kCannotBindBetween + entry.function +
                        kCannotBindAfter),
                   0, 0, 0);
    }
    entry.module = module;
    entry.address = address;
    return address;
}

void ReleaseExternalRoutines() {
    for (ExternalRoutine& entry : table) {
        if (entry.module) FreeLibraryHandle(entry.module);
        entry.module = nullptr;
        entry.address = nullptr;
    }
}

}  // namespace clocktool
