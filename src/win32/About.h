// frmAbout: the credits box, made hidden at start-up right after frmMain and
// shown modally by the About command until its close box is pressed.
#pragma once

#include "Controls.h"
#include "Handles.h"

#include <windows.h>

namespace juxa::win32 {

inline constexpr const wchar_t* kAboutCaption = L"About Juxa 0.5 BETA";
inline constexpr wchar_t kAboutWindowClass[] = L"JuxaAboutWindow";

class TfrmAbout final : public IAboutBox {
public:
    TfrmAbout(HINSTANCE instance, HWND owner, UINT dpi);
    TfrmAbout(const TfrmAbout&) = delete;
    TfrmAbout& operator=(const TfrmAbout&) = delete;
    ~TfrmAbout() override;

    void ShowModal() override;

    [[nodiscard]] HWND Handle() const { return window_; }
    [[nodiscard]] HWND Memo1() const { return memo_; }
    static const wchar_t* CreditsText();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CentreOnOwner();

    HWND owner_;
    UINT dpi_;
    HWND window_ = nullptr;
    HWND memo_ = nullptr;
    FontHandle font_;
    bool showing_ = false;
};

} // namespace juxa::win32
