// The floor for start-up: the least a Win32 program does to show one empty
// window and wait for input. Built a second time with JUXA_FLOOR_LIBRARIES,
// it also loads what the tool's window needs from the platform (common
// controls 6 through the same manifest, and the rich edit library), to show
// how much of the start-up those libraries take. Built a third time with
// JUXA_FLOOR_CONTROLS as well, it creates the tool's controls from the same
// layout table, each of the plain platform class and with nothing set, to
// show what the platform itself charges for a window of that many controls.
#include <windows.h>

#ifdef JUXA_FLOOR_LIBRARIES
#include <commctrl.h>
#include <richedit.h>
#endif
#ifdef JUXA_FLOOR_CONTROLS
#include "Layout.h"
#endif

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef JUXA_FLOOR_LIBRARIES
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                              ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    LoadLibraryW(L"Msftedit.dll");
#endif
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"JuxaBenchFloor";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, L"JuxaBenchFloor", L"Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 513, 330, nullptr, nullptr, instance, nullptr);
#ifdef JUXA_FLOOR_CONTROLS
    using juxa::win32::ControlKind;
    for (const juxa::win32::ControlSpec& spec : juxa::win32::MainLayout()) {
        const wchar_t* cls = WC_STATICW;
        DWORD style = WS_CHILD | WS_VISIBLE;
        switch (spec.kind) {
        case ControlKind::GroupBox:
            cls = WC_BUTTONW;
            style |= BS_GROUPBOX;
            break;
        case ControlKind::RadioButton:
            cls = WC_BUTTONW;
            style |= BS_RADIOBUTTON;
            break;
        case ControlKind::PushButton:
            cls = WC_BUTTONW;
            break;
        case ControlKind::PickList:
        case ControlKind::EditableList:
            cls = WC_COMBOBOXW;
            style |= CBS_DROPDOWNLIST;
            break;
        case ControlKind::RichText:
            cls = MSFTEDIT_CLASS;
            style |= ES_MULTILINE | WS_VSCROLL;
            break;
        case ControlKind::Label:
            break;
        default:
            cls = WC_EDITW;
            break;
        }
        CreateWindowExW(0, cls, L"", style, spec.left, spec.top, spec.width, spec.height, window,
                        nullptr, instance, nullptr);
    }
#endif
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
