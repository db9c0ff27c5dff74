// One move-only owner for every kind of handle the window binding creates, so
// that no path forgets a font or a brush and no copy closes one twice.
#pragma once

#include <windows.h>

#include <utility>

namespace juxa::win32 {

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

inline void DeleteFont(HFONT font) {
    ::DeleteObject(font);
}
inline void DestroyMenuHandle(HMENU menu) {
    ::DestroyMenu(menu);
}
inline void FreeGlobal(HGLOBAL memory) {
    ::GlobalFree(memory);
}

using FontHandle = UniqueHandle<HFONT, DeleteFont>;
using MenuHandle = UniqueHandle<HMENU, DestroyMenuHandle>;
using GlobalHandle = UniqueHandle<HGLOBAL, FreeGlobal>;

} // namespace juxa::win32
