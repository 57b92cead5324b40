#include "app/library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

namespace clocktool {

void* LoadLibraryByPath(const Text& path) {
    return path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibraryFunction(void* library, const Text& name) { return dlsym(library, name.c_str()); }

void FreeLibraryHandle(void* library) { dlclose(library); }

Text ProgramDirectory() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return Text(".");
    std::string file(path, static_cast<std::size_t>(n));
    std::size_t slash = file.rfind('/');
    return Text(slash == 0 ? std::string("/") : file.substr(0, slash));
}

bool MakeCurrentDirectory(const Text& directory) { return chdir(directory.c_str()) == 0; }

Text PathInDirectory(const Text& directory, const Text& name) {
    return Text(directory.bytes() + "/" + name.bytes());
}

}  // namespace clocktool
