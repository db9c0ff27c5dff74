// Starts a program and measures it from outside.
//   launch.exe startup RUNS PROGRAM.exe [PROGRAM.exe...]
//     From process start to its first window shown and idle: CreateProcess,
//     then WaitForInputIdle (the program's UI thread waits for input), then a
//     visible top-level window of that process must exist. Prints one line per
//     run in milliseconds; ends the program after each run. Given several
//     programs, they take turns, one start each and the order turning round
//     every round, and each line begins with the program's position.
//   launch.exe memory PROGRAM.exe [send]
//     Once the window is up (and, with "send", once the program has shown the
//     answer to a READ BUFFER of 65,536 bytes from the simulated handheld,
//     driven through its own controls), prints its private and peak private
//     bytes.
#include "Layout.h"

#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD process;
    bool found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

double Elapsed(const LARGE_INTEGER& start) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Starts the program and waits for its window; false if it ended instead.
bool StartAndWait(const wchar_t* program, PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fwprintf(stderr, L"cannot start %ls: %lu\n", program, GetLastError());
        return false;
    }
    Search search{process.dwProcessId, false};
    for (;;) {
        WaitForInputIdle(process.hProcess, 10000);
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return true;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            return false;
        }
        Sleep(0);
    }
}

void End(PROCESS_INFORMATION& process) {
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

struct Found {
    DWORD process;
    HWND window;
    const wchar_t* cls;
};

BOOL CALLBACK FindOfClass(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<Found*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (owner == found->process && IsWindowVisible(window) && std::wcscmp(cls, found->cls) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(DWORD process, const wchar_t* cls) {
    for (int i = 0; i < 1000; ++i) {
        Found found{process, nullptr, cls};
        EnumWindows(FindOfClass, reinterpret_cast<LPARAM>(&found));
        if (found.window != nullptr) {
            return found.window;
        }
        Sleep(10);
    }
    return nullptr;
}

// The user's steps: manual mode (answering its one-time warning), READ BUFFER
// in the byte fields, 65536 as the buffer length, then the Send button.
bool SendReadBuffer(DWORD process) {
    using juxa::win32::ByteFieldId;
    using juxa::win32::ControlId;
    HWND main = WaitForWindow(process, L"JuxaMainWindow");
    if (main == nullptr) {
        return false;
    }
    const auto ctl = [main](ControlId id) { return GetDlgItem(main, static_cast<int>(id)); };
    PostMessageW(ctl(ControlId::rbtnManual), BM_CLICK, 0, 0);
    HWND box = WaitForWindow(process, L"#32770");
    if (box == nullptr) {
        return false;
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 1000 && IsWindow(box); ++i) {
        Sleep(10);
    }
    SendMessageW(ctl(ByteFieldId(1)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"3C"));
    SendMessageW(ctl(ByteFieldId(2)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"02"));
    SendMessageW(ctl(ByteFieldId(7)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"01"));
    SendMessageW(ctl(ControlId::OutputLength), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"65536"));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(ctl(ControlId::btnQuery), BM_CLICK, 0, 0, SMTO_NORMAL, 600000, &ignored);
    const LRESULT shown = SendMessageW(ctl(ControlId::memHEX), WM_GETTEXTLENGTH, 0, 0);
    return shown >= 3 * 65536;
}

// The same 65,536-byte dump as one text, put into the first rich edit of a
// floor program with one call.
bool FillRichEdit(DWORD process) {
    HWND top = WaitForWindow(process, L"JuxaBenchFloor");
    HWND rich = top != nullptr ? FindWindowExW(top, nullptr, L"RICHEDIT50W", nullptr) : nullptr;
    if (rich == nullptr) {
        return false;
    }
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(3 * 65536 + 1);
    for (int i = 0; i < 65536; ++i) {
        text += kDigits[(i >> 4) & 15];
        text += kDigits[i & 15];
        text += L' ';
    }
    text += L'\r';
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(rich, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        600000, &ignored);
    return SendMessageW(rich, WM_GETTEXTLENGTH, 0, 0) >= 3 * 65536;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wcscmp(argv[1], L"startup") == 0) {
        // The pointer where no program's window appears: a window that comes
        // up under it handles the pointer's arrival before it is idle, and
        // where a window appears differs from program to program.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        const int runs = _wtoi(argv[2]);
        const int programs = argc - 3;
        for (int run = 0; run < runs; ++run) {
            for (int turn = 0; turn < programs; ++turn) {
                const int which = (turn + run) % programs;
                LARGE_INTEGER start;
                QueryPerformanceCounter(&start);
                PROCESS_INFORMATION process{};
                if (!StartAndWait(argv[3 + which], process)) {
                    return 1;
                }
                const double elapsed = Elapsed(start);
                if (programs > 1) {
                    std::wprintf(L"%d %.2f\n", which, elapsed);
                } else {
                    std::wprintf(L"%.2f\n", elapsed);
                }
                End(process);
            }
        }
        return 0;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"memory") == 0) {
        PROCESS_INFORMATION process{};
        if (!StartAndWait(argv[2], process)) {
            return 1;
        }
        const bool send = argc >= 4 && std::wcscmp(argv[3], L"send") == 0;
        if (send && !SendReadBuffer(process.dwProcessId)) {
            std::fwprintf(stderr, L"the program did not show the 65536-byte answer\n");
            End(process);
            return 1;
        }
        const bool fill = argc >= 4 && std::wcscmp(argv[3], L"fill") == 0;
        if (fill && !FillRichEdit(process.dwProcessId)) {
            std::fwprintf(stderr, L"the program has no rich edit to fill\n");
            End(process);
            return 1;
        }
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof(counters);
        GetProcessMemoryInfo(process.hProcess,
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters));
        std::wprintf(L"%llu %llu\n", static_cast<unsigned long long>(counters.PrivateUsage),
                     static_cast<unsigned long long>(counters.PeakPagefileUsage));
        End(process);
        return 0;
    }
    std::fwprintf(
        stderr,
        L"usage: launch startup RUNS PROGRAM [PROGRAM...] | launch memory PROGRAM [send]\n");
    return 2;
}
