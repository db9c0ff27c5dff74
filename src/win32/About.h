// frmAbout: the credits box, made hidden at start-up right after frmMain and
// shown modally by the About command until its close box is pressed.
#pragma once

#include "Controls.h"
#include "Handles.h"
#include "WindowBase.h"

#include <windows.h>

namespace juxa::win32 {

inline constexpr const wchar_t* kAboutCaption = L"About Juxa 0.5 BETA";
inline constexpr wchar_t kAboutWindowClass[] = L"JuxaAboutWindow";

// Not final: a test puts a failing handler in front of the window's own.
class TfrmAbout : public IAboutBox, public WindowBase {
public:
    TfrmAbout(HINSTANCE instance, HWND owner, UINT dpi);
    TfrmAbout(const TfrmAbout&) = delete;
    TfrmAbout& operator=(const TfrmAbout&) = delete;
    ~TfrmAbout() override;

    void ShowModal() override;

    using WindowBase::Handle;
    [[nodiscard]] HWND Memo1() const { return memo_; }
    static const wchar_t* CreditsText();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CentreOnOwner();

    HWND owner_;
    UINT dpi_;
    HWND memo_ = nullptr;
    FontHandle font_;
    bool showing_ = false;
};

} // namespace juxa::win32
