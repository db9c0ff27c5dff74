// Starts a Juxa program and works its main window from outside, as a user
// would, for the checks and pictures that need the real program; the program
// itself takes no command line.
//   juxa_remote.exe open PROGRAM.exe
//     Waits for the main window, closes it and waits for the program to end.
//     Exit 0 if the window came up and the program then ended with code 0.
//   juxa_remote.exe inquiry PROGRAM.exe
//     Waits for the main window, picks the INQUIRY preset, presses "Send
//     SCSI Query" and checks that both output fields show the answer; prints
//     TXT Out and, under Wine, the X window of the program's main window
//     ("X window: 0x..."), and leaves the program running (for a
//     screenshot of that window, not of any window that has its title).
//   juxa_remote.exe format PROGRAM.exe
//     Waits for the main window, picks the format preset, presses "Send SCSI
//     Query", answers OK to the confirmation and waits until the progress
//     window shows the command at work; prints the X window as above and
//     leaves the program running (for a screenshot of the wait).
// A 32-bit program under an emulated i386 takes about a minute to show its
// window, so the waits are long; they end early once the program has ended.
#include "Layout.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using juxa::win32::ControlId;

constexpr DWORD kStartTimeout = 300000;
constexpr DWORD kEndTimeout = 120000;

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<Found*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (owner == found->process && IsWindowVisible(window) &&
        std::wcscmp(cls, L"JuxaMainWindow") == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The program's visible main window, or null once it has ended or the wait is over.
HWND WaitForMainWindow(const PROCESS_INFORMATION& process) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < kStartTimeout) {
        Found found{process.dwProcessId, nullptr};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window != nullptr) {
            return found.window;
        }
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return nullptr;
}

std::wstring TextOf(HWND control) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length) == 0) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 10000, &copied);
    text.resize(copied);
    return text;
}

int Close(HWND main, const PROCESS_INFORMATION& process) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kEndTimeout) != WAIT_OBJECT_0) {
        std::fwprintf(stderr, L"the program did not end after its window was closed\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    if (code != 0) {
        std::fwprintf(stderr, L"the program ended with code %lu\n", code);
        return 1;
    }
    std::wprintf(L"the window came up and closed; the program ended with code 0\n");
    return 0;
}

int SendInquiry(HWND main) {
    const auto control = [main](ControlId id) { return GetDlgItem(main, static_cast<int>(id)); };
    DWORD_PTR checked = 0;
    SendMessageTimeoutW(control(ControlId::rbtnPreset), BM_GETCHECK, 0, 0, SMTO_NORMAL, 10000,
                        &checked);
    if (checked != BST_CHECKED) {
        std::fwprintf(stderr, L"the program did not start in preset mode\n");
        return 1;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control(ControlId::cbxQuery), CB_SETCURSEL, 0, 0, SMTO_NORMAL, 10000,
                        &ignored);
    SendMessageTimeoutW(control(ControlId::btnQuery), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &ignored);
    const std::wstring text = TextOf(control(ControlId::edtSTRING));
    const std::wstring hex = TextOf(control(ControlId::memHEX));
    std::wprintf(L"TXT Out: %ls\n", text.c_str());
    if (text.empty() || text == L"SCSI Command Failed" || hex.empty()) {
        std::fwprintf(stderr, L"the output fields show no answer\n");
        return 1;
    }
    return 0;
}

struct ThreadWindow {
    const wchar_t* cls;
    HWND window;
};

BOOL CALLBACK FindThreadWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<ThreadWindow*>(context);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (IsWindowVisible(window) && std::wcscmp(cls, found->cls) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// A visible window of the class on the main window's thread, or null after a while.
HWND WaitForWindowOf(HWND main, const wchar_t* cls) {
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < 30000) {
        ThreadWindow found{cls, nullptr};
        EnumThreadWindows(thread, FindThreadWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window != nullptr) {
            return found.window;
        }
        Sleep(20);
    }
    return nullptr;
}

int StartFormat(HWND main) {
    const auto control = [main](ControlId id) { return GetDlgItem(main, static_cast<int>(id)); };
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control(ControlId::cbxQuery), CB_SETCURSEL, 1, 0, SMTO_NORMAL, 10000,
                        &ignored);
    // As the list tells its window of a user's pick, so that the preset's
    // defaults are written.
    SendMessageTimeoutW(
        main, WM_COMMAND, MAKEWPARAM(static_cast<int>(ControlId::cbxQuery), CBN_SELCHANGE),
        reinterpret_cast<LPARAM>(control(ControlId::cbxQuery)), SMTO_NORMAL, 10000, &ignored);
    // Posted: the press waits in the confirmation until it is answered.
    PostMessageW(control(ControlId::btnQuery), BM_CLICK, 0, 0);
    HWND confirm = WaitForWindowOf(main, L"#32770");
    if (confirm == nullptr) {
        std::fwprintf(stderr, L"no confirmation came up\n");
        return 1;
    }
    PostMessageW(confirm, WM_COMMAND, IDOK, 0);
    if (WaitForWindowOf(main, L"JuxaProgressWindow") == nullptr) {
        std::fwprintf(stderr, L"no progress window came up while the format ran\n");
        return 1;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (std::wcscmp(argv[1], L"open") != 0 && std::wcscmp(argv[1], L"inquiry") != 0 &&
                      std::wcscmp(argv[1], L"format") != 0)) {
        std::fwprintf(stderr, L"usage: juxa_remote open|inquiry|format PROGRAM.exe\n");
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fwprintf(stderr, L"cannot start %ls: error %lu\n", argv[2], GetLastError());
        return 1;
    }
    int rc = 1;
    HWND main = WaitForMainWindow(process);
    if (main == nullptr) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        std::fwprintf(stderr, L"no main window came up (program %ls, code %lu)\n",
                      code == STILL_ACTIVE ? L"still running" : L"ended", code);
        TerminateProcess(process.hProcess, 1);
    } else if (std::wcscmp(argv[1], L"open") == 0) {
        rc = Close(main, process);
    } else {
        rc = std::wcscmp(argv[1], L"format") == 0 ? StartFormat(main) : SendInquiry(main);
        // Wine's X11 driver keeps the X window of each top-level window in
        // this property; there is none on Windows.
        if (HANDLE x11 = GetPropW(main, L"__wine_x11_whole_window"); x11 != nullptr) {
            std::wprintf(L"X window: 0x%llx\n",
                         static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(x11)));
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return rc;
}
