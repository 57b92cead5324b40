// The start window over the Win32 API: create (class registered at first use), centre,
// icon, font, controls, show, dispatch, keys, close. Texts are GBK and go to the wide
// functions, so they read right whatever the system's ANSI code page is.
#include "app/window.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "runtime/codepage.h"

namespace clocktool {

namespace {

constexpr wchar_t kWindowClass[] = L"ClocktoolWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kButtonStyle =
    WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE | BS_CENTER | BS_VCENTER | BS_PUSHBUTTON | WS_TABSTOP;

struct WindowState {
    bool classRegistered = false;
    bool loopStarted = false;
    int openWindows = 0;
    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
    HFONT font = nullptr;      // the stock GUI font: never deleted
    HWND focus = nullptr;      // the control that had the focus when the window was last deactivated
};

WindowState state;

std::u16string Wide(const Text& text) { return GbkToUtf16(text); }
const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool IsTabStop(HWND control) {
    return IsWindowVisible(control) && IsWindowEnabled(control) &&
           (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP);
}

// The controls that Tab visits, in tab order: the z-order, which follows the template.
std::vector<HWND> TabStops(HWND window) {
    std::vector<HWND> stops;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsTabStop(child)) stops.push_back(child);
    return stops;
}

void MoveFocus(HWND window, bool backwards) {
    std::vector<HWND> stops = TabStops(window);
    if (stops.empty()) return;
    const int count = static_cast<int>(stops.size());
    int current = -1;
    for (int i = 0; i < count; ++i)
        if (stops[i] == GetFocus()) current = i;
    int next = current < 0 ? (backwards ? count - 1 : 0) : (current + (backwards ? count - 1 : 1)) % count;
    SetFocus(stops[next]);
}

bool KeyDown(int key) { return GetKeyState(key) < 0; }

// The window's key table, before dispatch. True when the key has been handled here.
bool HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND window = GetAncestor(msg.hwnd, GA_ROOT);
    if (!window || GetPropW(window, kWindowClass) == nullptr) return false;   // not one of ours
    const bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL), alt = KeyDown(VK_MENU);
    if (ctrl || alt) return false;
    switch (msg.wParam) {
    case VK_TAB:
        MoveFocus(window, shift);
        return true;
    case VK_ESCAPE:
        if (!shift) PostMessageW(window, WM_CLOSE, 0, 0);   // as by the close box
        return true;
    case VK_RETURN:   // no default button, and Enter does not move the focus
    case VK_F1:       // help is off
        return !shift;
    default:
        return false;   // Space and the rest reach the control: a button clicks on Space
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        // The class brush is hollow: the window paints its own background colour.
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_SETFONT:
        SetPropW(window, L"ClocktoolFont", reinterpret_cast<HANDLE>(wParam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetPropW(window, L"ClocktoolFont"));
    case WM_COMMAND:
        // A button's click notification raises its unit's event 0; the control id is the unit.
        if (HIWORD(wParam) == BN_CLICKED && lParam) RaiseEvent(LOWORD(wParam), 0);
        return 0;
    case WM_ACTIVATE:
        // Like a dialog: the focus leaves with the window and comes back to the same control.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window, focus)) state.focus = focus;
        } else if (!HIWORD(wParam)) {
            HWND focus = state.focus && IsChild(window, state.focus) ? state.focus : nullptr;
            if (!focus) {
                std::vector<HWND> stops = TabStops(window);
                if (!stops.empty()) focus = stops.front();
            }
            if (focus) SetFocus(focus);
            return 0;
        }
        break;
    case WM_DESTROY:
        RemovePropW(window, kWindowClass);
        RemovePropW(window, L"ClocktoolFont");
        if (--state.openWindows == 0 && state.loopStarted) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance) {
    if (state.classRegistered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    wc.lpszClassName = kWindowClass;
    state.classRegistered = RegisterClassExW(&wc) != 0;
    return state.classRegistered;
}

void LoadProgramIcon(HINSTANCE instance) {
    if (state.largeIcon || state.smallIcon) return;
    state.largeIcon = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, 32, 32, 0));
    state.smallIcon = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, 16, 16, 0));
}

HWND CreateButton(HWND window, HINSTANCE instance, const UnitTemplate& unit, int unitNumber) {
    std::u16string caption = Wide(unit.text);
    DWORD style = kButtonStyle | (unit.disabled ? WS_DISABLED : 0);
    HWND button = CreateWindowExW(0, L"BUTTON", W(caption), style, unit.left, unit.top, unit.width, unit.height,
                                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(unitNumber)), instance,
                                  nullptr);
    if (button) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    return button;
}

}  // namespace

bool PlatformLoadWindow(const WindowTemplate& windowTemplate) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (windowTemplate.units.empty() || !RegisterWindowClass(instance)) return false;
    const UnitTemplate& unit = windowTemplate.units.front();

    // Centred on the primary screen; the template's left and top are not used.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - unit.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - unit.height) / 2;
    std::u16string title = Wide(unit.text);
    HWND window = CreateWindowExW(0, kWindowClass, W(title), kWindowStyle, left, top, unit.width, unit.height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return false;
    ++state.openWindows;
    SetPropW(window, kWindowClass, reinterpret_cast<HANDLE>(1));   // marks the program's windows

    RECT outer;
    GetWindowRect(window, &outer);
    if (outer.right - outer.left != unit.width || outer.bottom - outer.top != unit.height)
        SetWindowPos(window, nullptr, left, top, unit.width, unit.height, SWP_NOZORDER | SWP_NOACTIVATE);

    LoadProgramIcon(instance);
    if (state.largeIcon) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.largeIcon));
    if (state.smallIcon) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon));
    state.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);

    // Controls are made last unit first, then put into the z-order of the template.
    const int units = static_cast<int>(windowTemplate.units.size());
    std::vector<HWND> controls(units + 1, nullptr);
    for (int number = units; number >= 2; --number) {
        controls[number] = CreateButton(window, instance, windowTemplate.units[number - 1], number);
        if (!controls[number]) {
            DestroyWindow(window);
            return false;
        }
    }
    HWND above = HWND_TOP;
    for (int number = 2; number <= units; ++number) {
        SetWindowPos(controls[number], above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = controls[number];
    }
    for (int number = 2; number <= units; ++number)
        ShowWindow(controls[number], windowTemplate.units[number - 1].visible ? SW_SHOWNA : SW_HIDE);

    RaiseEvent(1, 0);   // the creation-complete event comes before the window is shown
    if (IsWindow(window)) ShowWindow(window, SW_SHOWNORMAL);
    return true;
}

bool PlatformAnyWindowOpen() { return state.openWindows > 0; }

void PlatformRunMessageLoop() {
    state.loopStarted = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (HandleKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PlatformReleaseWindowResources() {
    if (state.largeIcon) DestroyIcon(state.largeIcon);
    if (state.smallIcon) DestroyIcon(state.smallIcon);
    state.largeIcon = state.smallIcon = nullptr;
}

}  // namespace clocktool
