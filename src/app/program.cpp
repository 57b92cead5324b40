#include "app/program.h"

#include <vector>

#include "app/external.h"
#include "app/library.h"
#include "app/ole.h"
#include "app/template.h"
#include "app/window.h"
#include "runtime/fatal.h"

namespace clocktool {

namespace {

constexpr const char* kTemplatesUnreadable =
    "\xD4\xD8\xC8\xEB\xB4\xB0\xBF\xDA\xC4\xA3\xB0\xE5\xCA\xFD\xBE\xDD\xB6\xCE\xB3\xF6\xB4\xED!";   // 载入窗口模板数据段出错!
constexpr const char* kStartWindowFailed =
    "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";   // 载入启动窗口失败

struct ProgramState {
    bool oleInitialized = false;
    bool templatesLoaded = false;
    bool loopStarted = false;
    bool ending = false;
    const WindowTemplate* startWindow = nullptr;
    std::vector<ExitRoutine> exitRoutines;
};

ProgramState state;

// The program's own start-up hook, exit routine and initialisation routines: none has work.
void StartupHook() {}
void ProgramExitRoutine() {}
int SecondInitialisationRoutine() { return 0; }
int InitialisationRoutine() {
    SecondInitialisationRoutine();
    return 0;
}

}  // namespace

void InitRuntime() {
    if (!state.oleInitialized) {
        InitializeOle();
        state.oleInitialized = true;
    }
    MakeCurrentDirectory(ProgramDirectory());
    ReleaseExternalRoutines();   // the table starts with names only; nothing is loaded
    // The templates are constant data of the program; reading them cannot fail unless
    // the start window's is missing altogether.
    if (!FindWindowTemplate(kStartWindowId)) FatalError(kTemplatesUnreadable, 0, 0, 0);
    state.templatesLoaded = true;
}

void RegisterExitRoutine(ExitRoutine routine) {
    for (ExitRoutine r : state.exitRoutines)
        if (r == routine) return;
    state.exitRoutines.push_back(routine);
}

void ClearExitRoutines() { state.exitRoutines.clear(); }

void LoadStartWindow(std::uint32_t templateId) {
    const WindowTemplate* window = state.templatesLoaded ? FindWindowTemplate(templateId) : nullptr;
    const int id = static_cast<int>(templateId);
    if (!window) FatalError(kStartWindowFailed, 0, id, 0);
    state.startWindow = window;
    if (!PlatformLoadWindow(*window)) FatalError(kStartWindowFailed, 0, id, 0);
}

void RaiseEvent(int unit, int eventIndex) {
    const WindowTemplate* window = state.startWindow;
    if (!window || unit < 1 || static_cast<std::size_t>(unit) > window->units.size()) return;
    for (const EventBinding& binding : window->units[unit - 1].events)
        if (binding.eventIndex == eventIndex && binding.handler) {
            binding.handler();
            return;
        }
}

void RunMessageLoop() {
    state.loopStarted = true;
    if (!PlatformAnyWindowOpen()) return;
    PlatformRunMessageLoop();
}

int StartProgram() {
    InitRuntime();
    StartupHook();
    RegisterExitRoutine(&ProgramExitRoutine);
    InitialisationRoutine();
    LoadStartWindow(kStartWindowId);
    RunMessageLoop();
    return 0;
}

void EndProgram(int exitCode) {
    if (state.ending) return;   // a fatal error inside the clean-up ends at once
    state.ending = true;
    state.templatesLoaded = false;
    state.startWindow = nullptr;
    for (ExitRoutine routine : std::vector<ExitRoutine>(state.exitRoutines)) routine();
    ReleaseExternalRoutines();
    PlatformReleaseWindowResources();
    if (state.oleInitialized) {
        UninitializeOle();
        state.oleInitialized = false;
    }
}

void OnStartWindowCreated() {}

}  // namespace clocktool
