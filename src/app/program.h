// The program's life from start to exit: start-up order, the exit routines, event
// dispatch and the end-of-program clean-up. Portable; the window system is behind
// app/window.h.
#pragma once

#include <cstdint>

namespace clocktool {

using ExitRoutine = void (*)();

int StartProgram();                       // the whole run; returns 0
void InitRuntime();
void RegisterExitRoutine(ExitRoutine routine);
void LoadStartWindow(std::uint32_t templateId);   // does not return when it fails
void RunMessageLoop();
void EndProgram(int exitCode);
void ClearExitRoutines();                 // a fatal end runs none of them

// Raises event `eventIndex` of unit `unit` (1-based, template order) of the start window.
void RaiseEvent(int unit, int eventIndex);

// Event handlers bound in the start window's template.
void OnStartWindowCreated();
void OnFutureDateClicked();
void OnRestoreTimeClicked();

}  // namespace clocktool
