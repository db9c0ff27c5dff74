// One way into every window class the program registers (the main window,
// the About window and the spin arrows): the class is registered once, the
// object is attached at WM_NCCREATE and let go at WM_NCDESTROY, and an error
// that escapes a handler goes to the central error handler instead of
// unwinding through the system's code.
#pragma once

#include <windows.h>

namespace juxa::win32 {

// The application's central error handler. Called inside a catch block, it
// shows the error being handled in the error box, owned by the top-level
// window that `where` belongs to; the program then goes on with the next
// event, everything as the failing handler left it.
void ShowEscapedError(HWND where) noexcept;

// Runs one handler of a window's messages: an error it raises goes to the
// central handler, and the message's result is then 0.
template <typename Handler> LRESULT Guarded(HWND where, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (...) {
        ShowEscapedError(where);
        return 0;
    }
}

struct WindowClass {
    const wchar_t* name;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HBRUSH background = nullptr;
};

struct WindowPlace {
    DWORD exStyle;
    DWORD style;
    RECT rect;
    HWND parent; // or owner
    HMENU menu;  // or child identifier
};

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    [[nodiscard]] HWND Handle() const { return window_; }

protected:
    WindowBase() = default;
    // Destroys a window that is still there, after letting it go: by now the
    // object's own parts are gone, so its messages go to the default handling.
    virtual ~WindowBase();

    // Registers the class on its first use in the process and creates the
    // window with this object attached; throws when either fails.
    void Create(HINSTANCE instance, const WindowClass& windowClass, const wchar_t* caption,
                const WindowPlace& place);
    // Destroys the window while the object can still handle what that sends.
    void Destroy();

    // Every message of the window from WM_NCCREATE to WM_DESTROY; what a
    // window leaves alone goes to Default.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

} // namespace juxa::win32
