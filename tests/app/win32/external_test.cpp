// BindExternalRoutine on Windows: the program's own directory before the system's search,
// one load per entry for the whole run, and the fatal message for a library or a function
// that cannot be found. The stand-in wininet.dll libraries are built into
// bin/bindtest/<with-function|without-function>/ and copied beside the test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/external.h"
#include "app/library.h"
#include "runtime/codepage.h"
#include "support/fatal_capture.h"

namespace clocktool {
namespace {

// 无法找到指定DLL库文件“wininet.dll”中的输出命令“InternetTimeToSystemTime”
const std::string kCannotBindWininet =
    "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8" "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0" "wininet.dll"
    "\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6\xC3\xFC\xC1\xEE\xA1\xB0" "InternetTimeToSystemTime" "\xA1\xB1";

std::wstring Wide(const Text& text) {
    std::u16string wide = GbkToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::wstring OwnDirectory() { return Wide(ProgramDirectory()); }
std::wstring OwnWininet() { return OwnDirectory() + L"\\wininet.dll"; }

// Wine loads its own built-in wininet.dll even for a path to another file of that name,
// unless told to prefer the file; Windows loads the file. This key is Wine's (read at each
// load, unlike the per-program key, which Wine looks up once) and is ignored by Windows.
constexpr wchar_t kWineOverrides[] = L"Software\\Wine\\DllOverrides";

// Puts one of the stand-in libraries beside the test program for the life of the fixture.
class OwnWininetLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const wchar_t order[] = L"native,builtin";
        RegSetKeyValueW(HKEY_CURRENT_USER, kWineOverrides, L"wininet", REG_SZ, order, sizeof order);
    }
    void Place(const wchar_t* variant) {
        const std::wstring source = OwnDirectory() + L"\\bindtest\\" + variant + L"\\wininet.dll";
        ASSERT_TRUE(CopyFileW(source.c_str(), OwnWininet().c_str(), FALSE))
            << "missing stand-in library (tests/e2e/win32: bind_test_library_*)";
    }
    void TearDown() override {
        ReleaseExternalRoutines();
        DeleteFileW(OwnWininet().c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineOverrides, L"wininet");
    }
};

bool IsLoaded(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

TEST_F(OwnWininetLibrary, IsBoundInsteadOfTheSystemsAndLoadedOnce) {
    Place(L"with-function");
    ReleaseExternalRoutines();
    ASSERT_FALSE(IsLoaded(OwnWininet()));

    using Parse = BOOL(WINAPI*)(const char*, SYSTEMTIME*, DWORD);
    auto first = reinterpret_cast<Parse>(BindExternalRoutine(kInternetTimeToSystemTime));
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(IsLoaded(OwnWininet()));
    EXPECT_EQ(first(nullptr, nullptr, 0), 2077) << "bound the system's wininet.dll, not the program's own";
    EXPECT_EQ(reinterpret_cast<Parse>(BindExternalRoutine(kInternetTimeToSystemTime)), first);

    // One release unloads it: the second bind loaded nothing more.
    ReleaseExternalRoutines();
    EXPECT_FALSE(IsLoaded(OwnWininet()));
}

TEST_F(OwnWininetLibrary, WithoutTheFunctionIsFatalAndReleased) {
    Place(L"without-function");
    testing::FatalCapture capture;
    try {
        BindExternalRoutine(kInternetTimeToSystemTime);
        FAIL() << "bound a function the library does not have";
    } catch (const testing::FatalErrorRaised& raised) {
        EXPECT_NE(raised.boxText.find(kCannotBindWininet), std::string::npos);
        EXPECT_NE(raised.boxText.find("\r\n0, 0\r\n"), std::string::npos);
        EXPECT_EQ(raised.exitCode, -1);
    }
    EXPECT_FALSE(IsLoaded(OwnWininet())) << "the library was kept after the failed bind";
}

TEST(BindExternalRoutine, FallsBackToTheSystemsLibrary) {
    ReleaseExternalRoutines();
    void* bound = BindExternalRoutine(kCoInitialize);
    HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
    ASSERT_NE(ole32, nullptr);
    EXPECT_EQ(bound, reinterpret_cast<void*>(GetProcAddress(ole32, "CoInitialize")));
    EXPECT_EQ(BindExternalRoutine(kCoUninitialize), reinterpret_cast<void*>(GetProcAddress(ole32, "CoUninitialize")));
    ReleaseExternalRoutines();
}

// Run by its own test entry with Wine's wininet disabled (WINEDLLOVERRIDES=wininet=d);
// skipped where the library is there.
TEST(BindExternalRoutineWithoutWininet, IsFatalNamingTheLibraryAndFunction) {
    wchar_t overrides[256] = L"";
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 256);
    if (std::wstring(overrides).find(L"wininet=d") == std::wstring::npos) GTEST_SKIP() << "wininet.dll is there";
    HMODULE system = LoadLibraryW(L"wininet.dll");
    if (system) FreeLibrary(system);
    ASSERT_EQ(system, nullptr) << "wininet.dll was loaded although switched off";
    ReleaseExternalRoutines();
    testing::FatalCapture capture;
    try {
        BindExternalRoutine(kInternetTimeToSystemTime);
        FAIL() << "bound a function of a library that cannot be loaded";
    } catch (const testing::FatalErrorRaised& raised) {
        EXPECT_NE(raised.boxText.find(kCannotBindWininet), std::string::npos);
        EXPECT_EQ(raised.exitCode, -1);
    }
}

}  // namespace
}  // namespace clocktool
