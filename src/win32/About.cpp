#include "About.h"
#include "Handles.h"

#include "Layout.h"
#include "MainWindow.h"
#include "Win32Controls.h"

#include <commctrl.h>

#include <stdexcept>

namespace juxa::win32 {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidthAbout = 294;
constexpr int kClientHeightAbout = 143;
constexpr int kMemoId = 100;

} // namespace

const wchar_t* TfrmAbout::CreditsText() {
    return L"Juxa for Windows - Version 0.5 BETA\r\n"
           L"\r\n"
           L"Application written by the Orrinvale team.\r\n"
           L"Built on the source code of our own small\r\n"
           L"SCSI pass-through library.\r\n"
           L"Reference for both: our earlier command-line\r\n"
           L"query tool for handheld drives.";
}

TfrmAbout::TfrmAbout(HINSTANCE instance, HWND owner, UINT dpi) : owner_(owner), dpi_(dpi) {
    RECT frame{0, 0, Scale(kClientWidthAbout, dpi_), Scale(kClientHeightAbout, dpi_)};
    ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
    OffsetRect(&frame, -frame.left, -frame.top);
    Create(instance,
           WindowClass{kAboutWindowClass, nullptr, nullptr, FromInteger<HBRUSH>(COLOR_BTNFACE + 1)},
           kAboutCaption, WindowPlace{kExStyle, kStyle, frame, owner_, nullptr});
    // As with the main window, trust what came out over what was asked for.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dx = Scale(kClientWidthAbout, dpi_) - client.right;
    const int dy = Scale(kClientHeightAbout, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        ::SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left + dx,
                       frame.bottom - frame.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The text goes in after the font, so that the lines are laid out once.
    memo_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL,
                              Scale(8, dpi_), Scale(8, dpi_), Scale(278, dpi_), Scale(127, dpi_),
                              Handle(), FromInteger<HMENU>(kMemoId), instance, nullptr);
    font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
    ::SendMessageW(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    ::SetWindowTextW(memo_, CreditsText());
}

// Destroying the owner takes this window with it; otherwise the base does.
TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::CentreOnOwner() {
    RECT owner{};
    RECT self{};
    ::GetWindowRect(owner_, &owner);
    ::GetWindowRect(Handle(), &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    ::SetWindowPos(Handle(), nullptr, owner.left + (owner.right - owner.left - width) / 2,
                   owner.top + (owner.bottom - owner.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmAbout::ShowModal() {
    if (showing_ || Handle() == nullptr) {
        return;
    }
    CentreOnOwner();
    showing_ = true;
    ::EnableWindow(owner_, FALSE);
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetFocus(memo_);
    MSG msg{};
    while (showing_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: leave the quit for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            showing_ = false;
            break;
        }
        DispatchLoopMessage(Handle(), msg);
    }
    // The owner is enabled before this window hides, so that it, and not
    // some other program, becomes the active window again.
    ::EnableWindow(owner_, TRUE);
    ::ShowWindow(Handle(), SW_HIDE);
    ::SetActiveWindow(owner_);
}

LRESULT TfrmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        showing_ = false; // hidden, not destroyed: it lives until the program ends
        return 0;
    case WM_DESTROY:
        showing_ = false;
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            return 0; // the box has no buttons; only its close box ends it
        }
        break;
    case WM_CTLCOLORSTATIC:
        // The read-only memo looks like a field.
        ::SetBkColor(FromInteger<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace juxa::win32
