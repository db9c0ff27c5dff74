// One move-only owner for every kind of handle the window binding creates, so
// that no path forgets a font or a brush and no copy closes one twice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace juxa::win32 {

// The platform carries handles and pointers in integers (message parameters,
// window data, a child's identifier in place of its menu, a colour index in
// place of a brush); this is the one place that turns such an integer back.
template <typename T, typename Integer> T FromInteger(Integer value) {
    const auto bits = static_cast<std::uintptr_t>(value);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): how the platform hands them over
    return reinterpret_cast<T>(bits);
}

template <typename H, auto Close, H Invalid = H{}> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, Invalid));
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    [[nodiscard]] H Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    void Reset(H handle = Invalid) {
        if (handle_ != Invalid) {
            Close(handle_);
        }
        handle_ = handle;
    }
    [[nodiscard]] H Release() { return std::exchange(handle_, Invalid); }

private:
    H handle_ = Invalid;
};

// A handle that goes back to where it came from: a window's device context
// to its window, the object a device context held before another was
// selected into it to that context.
template <typename From, typename H, auto Return> class BorrowedHandle {
public:
    BorrowedHandle(From from, H handle) : from_(from), handle_(handle) {}
    BorrowedHandle(const BorrowedHandle&) = delete;
    BorrowedHandle& operator=(const BorrowedHandle&) = delete;
    ~BorrowedHandle() {
        if (handle_ != H{}) {
            Return(from_, handle_);
        }
    }
    [[nodiscard]] H Get() const { return handle_; }

private:
    From from_;
    H handle_;
};

// BeginPaint's device context, given back by EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    [[nodiscard]] HDC Get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// How each kind of handle is given back.
struct GiveBack {
    static void Font(HFONT font) { ::DeleteObject(font); }
    static void Menu(HMENU menu) { ::DestroyMenu(menu); }
    static void Global(HGLOBAL memory) { ::GlobalFree(memory); }
    static void GlobalLock(HGLOBAL memory) { ::GlobalUnlock(memory); }
    static void Local(HLOCAL memory) { ::LocalFree(memory); }
    static void Hook(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
    static void Kernel(HANDLE object) { ::CloseHandle(object); }
    static void WindowDc(HWND window, HDC dc) { ::ReleaseDC(window, dc); }
    static void Selection(HDC dc, HGDIOBJ old) { ::SelectObject(dc, old); }
};

using FontHandle = UniqueHandle<HFONT, GiveBack::Font>;
using MenuHandle = UniqueHandle<HMENU, GiveBack::Menu>;
using GlobalHandle = UniqueHandle<HGLOBAL, GiveBack::Global>;
using GlobalLockHandle = UniqueHandle<HGLOBAL, GiveBack::GlobalLock>; // a GlobalLock to undo
using LocalHandle = UniqueHandle<HLOCAL, GiveBack::Local>;
using HookHandle = UniqueHandle<HHOOK, GiveBack::Hook>;
// An event or another kernel object that is null when it could not be made.
using KernelHandle = UniqueHandle<HANDLE, GiveBack::Kernel>;
using WindowDc = BorrowedHandle<HWND, HDC, GiveBack::WindowDc>;
using SelectedObject = BorrowedHandle<HDC, HGDIOBJ, GiveBack::Selection>;

} // namespace juxa::win32
