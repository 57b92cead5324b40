// BindExternalRoutine on Linux: where a library is looked for, that each entry is bound
// once and released by ReleaseExternalRoutines, and the fatal message for a library or a
// function that cannot be found.
//
// Where a library is found depends on the program's own directory and on the system's
// search, both fixed for a running process. So those cases run in a copy of this test
// program, in a directory of the test's making, with LD_LIBRARY_PATH as "the system"; the
// copy binds one entry at start-up (CLOCKTOOL_BIND_PROBE=index) and prints what it got.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/external.h"
#include "app/fatal.h"
#include "app/library.h"
#include "support/fatal_capture.h"

namespace clocktool {
namespace {

namespace fs = std::filesystem;

// The library file that holds an address.
std::string LibraryOf(void* address) {
    Dl_info info{};
    return dladdr(address, &info) && info.dli_fname ? info.dli_fname : "";
}

// In the copy: bind the entry, print "bound <library>" or "fatal\n<box text>", and end.
__attribute__((constructor)) void BindProbe() {
    const char* index = getenv("CLOCKTOOL_BIND_PROBE");
    if (!index) return;
    testing::FatalCapture capture;
    try {
        void* address = BindExternalRoutine(atoi(index));
        std::printf("bound %s", LibraryOf(address).c_str());
    } catch (const testing::FatalErrorRaised& raised) {
        std::printf("fatal\n%s", raised.boxText.c_str());
    }
    std::fflush(stdout);
    _exit(0);
}

const std::string kBefore = "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8" "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0";  // 无法找到指定DLL库文件“
const std::string kBetween = "\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6\xC3\xFC\xC1\xEE\xA1\xB0";                  // ”中的输出命令“
const std::string kAfter = "\xA1\xB1";                                                                           // ”

std::string CannotBind(const std::string& library, const std::string& function) {
    return "fatal\n" + FatalErrorBoxText(Text(kBefore + library + kBetween + function + kAfter), 0, 0, 0).bytes();
}

// A library placed for a case: its file name, and the stand-in it is a copy of.
struct Placed {
    const char* name;
    const char* standin;   // "ole32.dll" or "wininet.dll" from beside this test program
};

struct ProbeCase {
    const char* what;
    int index;
    std::vector<Placed> own;      // in the copy's own directory
    std::vector<Placed> system;   // in the directory of the system's search
    std::string expected;         // "own", "system", or the fatal output
};

// A directory of the case's own: own/ with the copy of this program, and system/.
class ProbeDirectory {
public:
    ProbeDirectory() {
        char pattern[] = "/tmp/clocktool-bind-XXXXXX";
        if (mkdtemp(pattern)) root_ = pattern;
        fs::create_directories(root_ / "own");
        fs::create_directories(root_ / "system");
        fs::copy_file("/proc/self/exe", root_ / "own" / "probe");
        fs::permissions(root_ / "own" / "probe", fs::perms::owner_all);
    }
    ~ProbeDirectory() { fs::remove_all(root_); }
    ProbeDirectory(const ProbeDirectory&) = delete;
    ProbeDirectory& operator=(const ProbeDirectory&) = delete;

    // Places the case's libraries, runs the copy, and returns its output with a bound
    // library's path shortened to "own:" or "system:" and the file name.
    std::string Run(const ProbeCase& c) {
        const fs::path standins = ProgramDirectory().bytes();
        for (const Placed& p : c.own) fs::copy_file(standins / p.standin, root_ / "own" / p.name);
        for (const Placed& p : c.system) fs::copy_file(standins / p.standin, root_ / "system" / p.name);
        const std::string command = "cd / && CLOCKTOOL_BIND_PROBE=" + std::to_string(c.index) +
                                    " LD_LIBRARY_PATH='" + (root_ / "system").string() + "' '" +
                                    (root_ / "own" / "probe").string() + "'";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[512];
            while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
            pclose(pipe);
        }
        for (const char* where : {"own", "system"}) {   // shorten the bound path to its directory
            const std::string bound = "bound " + (root_ / where).string() + "/";
            if (out.rfind(bound, 0) == 0) return std::string(where) + ":" + out.substr(bound.size());
        }
        return out;
    }

private:
    fs::path root_;
};

TEST(BindExternalRoutine, LooksInTheProgramsDirectoryFirstThenTheSystemsSearch) {
    const std::string noInternetTime = CannotBind("wininet.dll", "InternetTimeToSystemTime");
    const ProbeCase cases[] = {
        {"own directory wins over the system's", kCoInitialize,
         {{"ole32.dll", "ole32.dll"}}, {{"ole32.dll", "ole32.dll"}}, "own:ole32.dll"},
        {"the same library for the second function", kCoUninitialize,
         {{"ole32.dll", "ole32.dll"}}, {{"ole32.dll", "ole32.dll"}}, "own:ole32.dll"},
        {"the system's search when the own directory lacks it", kInternetTimeToSystemTime,
         {}, {{"wininet.dll", "wininet.dll"}}, "system:wininet.dll"},
        {"a library found nowhere", kInternetTimeToSystemTime, {}, {}, noInternetTime},
        {"a library without the function", kInternetTimeToSystemTime,
         {{"wininet.dll", "ole32.dll"}}, {}, noInternetTime},
        {"the own library lacks the function, the system's has it: no second search",
         kInternetTimeToSystemTime, {{"wininet.dll", "ole32.dll"}}, {{"wininet.dll", "wininet.dll"}},
         noInternetTime},
        {"ole32.dll found nowhere", kCoInitialize, {}, {}, CannotBind("ole32.dll", "CoInitialize")},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeDirectory directory;
        EXPECT_EQ(directory.Run(c), c.expected);
    }
}

// In this process the program's directory is this test program's, where the stand-ins are.
TEST(BindExternalRoutine, BindsOnceAndIsReleasedByReleaseExternalRoutines) {
    ReleaseExternalRoutines();
    const std::string ole32 = ProgramDirectory().bytes() + "/ole32.dll";
    void* first = BindExternalRoutine(kCoInitialize);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LibraryOf(first), ole32);
    EXPECT_EQ(BindExternalRoutine(kCoInitialize), first);
    EXPECT_EQ(LibraryOf(BindExternalRoutine(kCoUninitialize)), ole32);

    // Loaded once per entry and released once per entry: nothing holds the library now.
    ReleaseExternalRoutines();
    void* still = dlopen(ole32.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr);
    if (still) dlclose(still);

    // After the release the entry binds afresh.
    void* again = BindExternalRoutine(kCoInitialize);
    EXPECT_EQ(LibraryOf(again), ole32);
    ReleaseExternalRoutines();
}

}  // namespace
}  // namespace clocktool
