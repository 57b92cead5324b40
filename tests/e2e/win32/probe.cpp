// Looks at the program's window from outside, from another process of the same Wine
// session, and acts on it the way a user or the system would. Prints one JSON object.
//   probe info TITLE TIMEOUT_MS       the window: rectangle, styles, buttons, focus, screen
//   probe gone TITLE TIMEOUT_MS       waits until no window has that title
//   probe key TITLE KEY [shift]       one key press and release (tab, esc, enter, f1, space)
//   probe close TITLE wm_close|sc_close
//   probe closebox TITLE              the screen point in the middle of the close box
//   probe press TITLE ID              clicks the window's button with that control id (1: OK)
//   probe click TITLE X Y             a left click at the client point X,Y of the window
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    return out;
}

// JSON string in UTF-8.
std::string Quote(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = L"";
    // WM_GETTEXT crosses processes; GetWindowText of another process's control would not.
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[256] = L"";
    GetClassNameW(window, buffer, 256);
    return buffer;
}

HWND WaitFor(const std::wstring& title, DWORD timeoutMs, bool present) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(nullptr, title.c_str());
        if ((window != nullptr) == present && (!present || IsWindowVisible(window))) return window;
        if (GetTickCount() - start > timeoutMs) return present ? nullptr : window;
        Sleep(100);
    }
}

std::string Rect(const RECT& r) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return buffer;
}

int Info(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
    std::string out = "{\"found\": true";
    out += ", \"title\": " + Quote(TextOf(window));
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    out += ", \"rect\": " + Rect(outer) + ", \"client\": " + Rect(client);
    out += ", \"client_origin\": [" + std::to_string(origin.x) + ", " + std::to_string(origin.y) + "]";
    out += ", \"style\": " + std::to_string(GetWindowLongW(window, GWL_STYLE) & 0xFFFFFFFFu);
    out += ", \"exstyle\": " + std::to_string(GetWindowLongW(window, GWL_EXSTYLE) & 0xFFFFFFFFu);
    out += ", \"owner\": " + std::string(GetWindow(window, GW_OWNER) ? "true" : "false");
    out += ", \"menu\": " + std::string(GetMenu(window) ? "true" : "false");
    out += ", \"visible\": " + std::string(IsWindowVisible(window) ? "true" : "false");
    out += ", \"foreground\": " + std::string(GetForegroundWindow() == window ? "true" : "false");
    out += ", \"screen\": [" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + ", " +
           std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "]";
    out += ", \"acp\": " + std::to_string(GetACP());   // the session's ANSI code page
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    out += ", \"button_face\": [" + std::to_string(GetRValue(face)) + ", " + std::to_string(GetGValue(face)) + ", " +
           std::to_string(GetBValue(face)) + "]";
    out += ", \"focus\": " + (gui.hwndFocus ? Quote(TextOf(gui.hwndFocus)) : std::string("null"));
    out += ", \"children\": [";
    bool first = true;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        out += first ? "" : ", ";
        first = false;
        out += "{\"class\": " + Quote(ClassOf(child)) + ", \"text\": " + Quote(TextOf(child));
        out += ", \"rect\": [" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
               std::to_string(r.right - r.left) + ", " + std::to_string(r.bottom - r.top) + "]";
        out += ", \"style\": " + std::to_string(GetWindowLongW(child, GWL_STYLE) & 0xFFFFFFFFu);
        out += ", \"id\": " + std::to_string(GetDlgCtrlID(child)) + "}";
    }
    out += "]}";
    std::puts(out.c_str());
    return 0;
}

WORD KeyCode(const char* name) {
    const struct { const char* name; WORD key; } keys[] = {
        {"tab", VK_TAB}, {"esc", VK_ESCAPE}, {"enter", VK_RETURN}, {"f1", VK_F1}, {"space", VK_SPACE},
        {"f4", VK_F4},
    };
    for (const auto& k : keys)
        if (std::strcmp(k.name, name) == 0) return k.key;
    return 0;
}

INPUT Key(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// A real key press through the system's input queue, so that Shift and Alt are seen as held.
int SendKey(HWND window, WORD key, WORD modifier) {
    SetForegroundWindow(window);
    INPUT inputs[4];
    int n = 0;
    if (modifier) inputs[n++] = Key(modifier, false);
    inputs[n++] = Key(key, false);
    inputs[n++] = Key(key, true);
    if (modifier) inputs[n++] = Key(modifier, true);
    UINT sent = SendInput(n, inputs, sizeof(INPUT));
    std::printf("{\"sent\": %u}\n", sent);
    return sent == static_cast<UINT>(n) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: probe info|gone|key|close|closebox|press|click TITLE ...\n", stderr);
        return 2;
    }
    const std::string command = argv[1];
    // The title from the wide command line: argv holds it in the ANSI code page, which may
    // lack its characters (a Chinese title under a Western locale).
    int wideCount = 0;
    LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    const std::wstring title = wideArgs && wideCount > 2 ? std::wstring(wideArgs[2]) : Widen(argv[2]);
    if (wideArgs) LocalFree(wideArgs);
    if (command == "gone") {
        HWND window = WaitFor(title, argc > 3 ? std::atoi(argv[3]) : 10000, false);
        std::printf("{\"gone\": %s}\n", window ? "false" : "true");
        return 0;
    }
    HWND window = WaitFor(title, command == "info" && argc > 3 ? std::atoi(argv[3]) : 10000, true);
    if (!window) {
        std::puts("{\"found\": false}");
        return 1;
    }
    if (command == "info") return Info(window);
    if (command == "key" && argc > 3) {
        WORD key = KeyCode(argv[3]);
        WORD modifier = 0;
        if (argc > 4) modifier = std::strcmp(argv[4], "shift") == 0 ? VK_SHIFT : std::strcmp(argv[4], "alt") == 0 ? VK_MENU : 0;
        if (!key) return 2;
        return SendKey(window, key, modifier);
    }
    if (command == "closebox") {
        // Asks the window itself where its close box is, along the middle of the caption.
        RECT outer;
        GetWindowRect(window, &outer);
        const int y = outer.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
        int first = -1, last = -1;
        for (int x = outer.left; x < outer.right; ++x) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit == HTCLOSE) {
                if (first < 0) first = x;
                last = x;
            }
        }
        if (first < 0) {
            std::puts("{\"closebox\": null}");
            return 1;
        }
        std::printf("{\"closebox\": [%d, %d]}\n", (first + last) / 2, y);
        return 0;
    }
    if (command == "close" && argc > 3) {
        BOOL posted = std::strcmp(argv[3], "sc_close") == 0 ? PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0)
                                                            : PostMessageW(window, WM_CLOSE, 0, 0);
        std::printf("{\"posted\": %s}\n", posted ? "true" : "false");
        return posted ? 0 : 1;
    }
    if (command == "click" && argc > 4) {
        // Through the system's input queue, as a mouse would: a click the X server delivers
        // to a window Wine has only just mapped can be lost.
        POINT point{std::atoi(argv[3]), std::atoi(argv[4])};
        ClientToScreen(window, &point);
        SetForegroundWindow(window);
        SetCursorPos(point.x, point.y);
        INPUT inputs[2]{};
        inputs[0].type = inputs[1].type = INPUT_MOUSE;
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        UINT sent = SendInput(2, inputs, sizeof(INPUT));
        std::printf("{\"sent\": %u}\n", sent);
        return sent == 2 ? 0 : 1;
    }
    if (command == "press" && argc > 3) {
        HWND button = GetDlgItem(window, std::atoi(argv[3]));
        BOOL posted = button && PostMessageW(button, BM_CLICK, 0, 0);
        std::printf("{\"pressed\": %s}\n", posted ? "true" : "false");
        return posted ? 0 : 1;
    }
    return 2;
}
