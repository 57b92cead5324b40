// A library named like a system library (wininet.dll), put beside the test program to show
// that BindExternalRoutine looks in the program's own directory first. Built twice: with
// the function the table names, and (CLOCKTOOL_WITHOUT_FUNCTION) without it.
#include <windows.h>

extern "C" {

#ifndef CLOCKTOOL_WITHOUT_FUNCTION
// Answers a fixed value, so that the test can tell this library from the system's.
__declspec(dllexport) BOOL WINAPI InternetTimeToSystemTime(const char*, SYSTEMTIME*, DWORD) { return 2077; }
#else
__declspec(dllexport) BOOL WINAPI InternetTimeToSomethingElse(const char*, SYSTEMTIME*, DWORD) { return 0; }
#endif
}
