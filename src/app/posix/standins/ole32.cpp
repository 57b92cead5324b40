// Stand-in for ole32.dll on Linux: CoInitialize and CoUninitialize as the web request
// routine uses them, which only raise and lower the calling thread's initialisation count.
#include <cstdint>

namespace {
thread_local int initializeCount = 0;
}

extern "C" {

// S_OK for the thread's first initialisation, S_FALSE when it is initialised already.
std::int32_t CoInitialize(void*) { return initializeCount++ == 0 ? 0 : 1; }

void CoUninitialize() {
    if (initializeCount > 0) --initializeCount;
}

}  // extern "C"
