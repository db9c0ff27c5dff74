#include "Win32Clipboard.h"

#include "Handles.h"
#include "Win32Dialogs.h"

#include <cstring>

namespace juxa::win32 {

namespace {

[[noreturn]] void CannotStore(DWORD error) {
    throw JuxaError(L"Cannot store text on clipboard: " + SystemMessage(error));
}

} // namespace

void Win32Clipboard::PutText(const std::wstring& text) {
    // The text is made ready before the clipboard is touched, so that running
    // out of memory leaves the clipboard's old contents in place.
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalHandle memory(calls_.globalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) {
        CannotStore(::GetLastError());
    }
    {
        void* target = ::GlobalLock(memory.Get());
        if (target == nullptr) {
            CannotStore(::GetLastError());
        }
        const GlobalLockHandle locked(memory.Get());
        std::memcpy(target, text.c_str(), bytes);
    }

    if (calls_.openClipboard(owner_) == FALSE) {
        throw JuxaError(L"Cannot open clipboard: " + SystemMessage(::GetLastError()));
    }
    DWORD error = ERROR_SUCCESS;
    if (calls_.emptyClipboard() == FALSE ||
        calls_.setClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr) {
        error = ::GetLastError();
    } else {
        static_cast<void>(memory.Release()); // the clipboard's from here on
    }
    calls_.closeClipboard();
    if (error != ERROR_SUCCESS) {
        CannotStore(error);
    }
}

} // namespace juxa::win32
