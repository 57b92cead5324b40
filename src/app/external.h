// Library functions that the program calls by name, each bound at its first call.
#pragma once

namespace clocktool {

enum ExternalRoutineIndex {
    kCoInitialize = 0,            // ole32.dll
    kCoUninitialize = 1,          // ole32.dll
    kInternetTimeToSystemTime = 2 // wininet.dll
};

// The address of entry `index`, binding it at the first call (library from the program's
// own directory first, then the system's search; a name with a colon is a path).
// A library or function that cannot be found ends the program through FatalError.
void* BindExternalRoutine(int index);

// Releases every library that BindExternalRoutine loaded (EndProgram).
void ReleaseExternalRoutines();

}  // namespace clocktool
