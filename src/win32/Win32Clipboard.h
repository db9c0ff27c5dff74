// The system clipboard: the report goes there as Unicode text only.
#pragma once

#include "Controls.h"

#include <windows.h>

#include <string>

namespace juxa::win32 {

// The system calls the clipboard makes, one pointer each, so that a test can
// make any of them fail as the system would.
struct ClipboardCalls {
    HGLOBAL(WINAPI* globalAlloc)(UINT, SIZE_T) = ::GlobalAlloc;
    BOOL(WINAPI* openClipboard)(HWND) = ::OpenClipboard;
    BOOL(WINAPI* emptyClipboard)() = ::EmptyClipboard;
    HANDLE(WINAPI* setClipboardData)(UINT, HANDLE) = ::SetClipboardData;
    BOOL(WINAPI* closeClipboard)() = ::CloseClipboard;
};

class Win32Clipboard final : public IClipboard {
public:
    explicit Win32Clipboard(HWND owner = nullptr, ClipboardCalls calls = {})
        : owner_(owner), calls_(calls) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    // Throws "Cannot open clipboard: ..." when another program holds it, and
    // "Cannot store text on clipboard: ..." when the text cannot be put there,
    // each with the system's text for the cause.
    void PutText(const std::wstring& text) override;

private:
    HWND owner_;
    ClipboardCalls calls_;
};

} // namespace juxa::win32
