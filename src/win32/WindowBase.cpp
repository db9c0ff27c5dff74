#include "WindowBase.h"
#include "Handles.h"

#include "Controls.h"
#include "Texts.h"
#include "Win32Dialogs.h"

#include <stdexcept>
#include <string>

namespace juxa::win32 {

namespace {

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return wide;
}

} // namespace

void ShowEscapedError(HWND where) noexcept {
    try {
        std::wstring message;
        try {
            throw;
        } catch (const JuxaError& error) {
            message = error.Message();
        } catch (const std::exception& error) {
            message = Widen(error.what());
        } catch (...) {
            message = L"Unexpected error";
        }
        Win32Dialogs(where != nullptr ? ::GetAncestor(where, GA_ROOT) : nullptr)
            .ShowError(ErrorBoxText(message));
    } catch (...) {
        ::MessageBeep(MB_ICONERROR); // not even the box could be shown
    }
}

WindowBase::~WindowBase() {
    if (window_ != nullptr && ::IsWindow(window_) != FALSE) {
        HWND window = window_;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        ::DestroyWindow(window);
    }
}

void WindowBase::Create(HINSTANCE instance, const WindowClass& windowClass, const wchar_t* caption,
                        const WindowPlace& place) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    if (::GetClassInfoExW(instance, windowClass.name, &cls) == FALSE) {
        cls.lpfnWndProc = Procedure;
        cls.hInstance = instance;
        cls.hIcon = windowClass.icon;
        cls.hIconSm = windowClass.smallIcon;
        cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        cls.hbrBackground = windowClass.background;
        cls.lpszClassName = windowClass.name;
        if (::RegisterClassExW(&cls) == 0) {
            throw std::runtime_error("a window class cannot be registered");
        }
    }
    const RECT& r = place.rect;
    if (::CreateWindowExW(place.exStyle, windowClass.name, caption, place.style, r.left, r.top,
                          r.right - r.left, r.bottom - r.top, place.parent, place.menu, instance,
                          this) == nullptr) {
        throw std::runtime_error("a window cannot be created");
    }
}

void WindowBase::Destroy() {
    if (window_ != nullptr && ::IsWindow(window_) != FALSE) {
        ::DestroyWindow(window_);
    }
}

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<WindowBase*>(FromInteger<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = FromInteger<WindowBase*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return Guarded(window, [&] { return self->OnMessage(message, wParam, lParam); });
}

} // namespace juxa::win32
