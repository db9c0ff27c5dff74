#include "Win32Dialogs.h"

#include "Handles.h"
#include "Texts.h"

#include <commctrl.h>

namespace juxa::win32 {

void Win32Dialogs::BeforeBox() const {
    if (beforeBox_) {
        beforeBox_();
    }
}

void Win32Dialogs::ShowMessage(const std::wstring& text) {
    BeforeBox();
    ::MessageBoxW(owner_, text.c_str(), kApplicationTitle, MB_OK);
}

void Win32Dialogs::ShowError(const std::wstring& text) {
    BeforeBox();
    ::MessageBoxW(owner_, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

namespace {

// A Yes/No message box has no cancel answer: Escape does nothing there and its
// close box is greyed. The warning question lets both count as No, so the box
// is caught as it is made and taught that much.
constexpr UINT_PTR kCancelIsNoId = 1;
thread_local HookHandle creationHook;

LRESULT CALLBACK CancelIsNo(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                            DWORD_PTR /*data*/) {
    switch (message) {
    case WM_INITDIALOG: {
        const LRESULT result = ::DefSubclassProc(box, message, wParam, lParam);
        ::EnableMenuItem(::GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
        return result;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(box, IDNO);
            return 0;
        }
        break;
    case WM_CLOSE:
        ::EndDialog(box, IDNO);
        return 0;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(box, CancelIsNo, kCancelIsNoId);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(box, message, wParam, lParam);
}

LRESULT CALLBACK CatchTheBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = FromInteger<const CBT_CREATEWNDW*>(lParam);
        // The box is the first dialog made on this thread while the hook is in.
        if (create->lpcs->lpszClass == MAKEINTATOM(32770) ||
            (HIWORD(reinterpret_cast<ULONG_PTR>(create->lpcs->lpszClass)) != 0 &&
             std::wstring(create->lpcs->lpszClass) == L"#32770")) {
            ::SetWindowSubclass(FromInteger<HWND>(wParam), CancelIsNo, kCancelIsNoId, 0);
            creationHook.Reset();
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

bool Win32Dialogs::AskWarning(const std::wstring& text) {
    BeforeBox();
    creationHook =
        HookHandle(::SetWindowsHookExW(WH_CBT, CatchTheBox, nullptr, ::GetCurrentThreadId()));
    const int answer = ::MessageBoxW(owner_, text.c_str(), kWarningCaption,
                                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1);
    creationHook.Reset(); // in case no box was made
    return answer == IDYES;
}

bool Win32Dialogs::Confirm(const std::wstring& text) {
    BeforeBox();
    const int answer = ::MessageBoxW(owner_, text.c_str(), kConfirmCaption,
                                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
    return answer == IDOK;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalHandle owned(buffer);
    std::wstring text;
    if (length > 0 && buffer != nullptr) {
        text.assign(buffer, length);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
        text.pop_back();
    }
    return text;
}

} // namespace juxa::win32
