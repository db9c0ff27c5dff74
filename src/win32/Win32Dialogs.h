// The message boxes of the real platform.
#pragma once

#include "Controls.h"

#include <windows.h>

#include <functional>
#include <string>

namespace juxa::win32 {

inline constexpr const wchar_t* kWarningCaption = L"Warning";
inline constexpr const wchar_t* kConfirmCaption = L"Confirm";

// All four kinds are modal to the owner, which is the main window.
class Win32Dialogs final : public IDialogs {
public:
    explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    // Runs before every box: a box lets the windows draw, so what is held
    // back from them must reach them first.
    void SetBeforeBox(std::function<void()> beforeBox) { beforeBox_ = std::move(beforeBox); }

    void ShowMessage(const std::wstring& text) override;
    bool AskWarning(const std::wstring& text) override;
    bool Confirm(const std::wstring& text) override;
    void ShowError(const std::wstring& text) override;

private:
    void BeforeBox() const;

    HWND owner_;
    std::function<void()> beforeBox_;
};

// The system's description of an error code, without the line end that
// FormatMessageW puts after it.
std::wstring SystemMessage(DWORD error);

} // namespace juxa::win32
