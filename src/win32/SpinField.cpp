#include "SpinField.h"

#include "Handles.h"
#include "Layout.h"
#include "Texts.h"
#include "Win32Controls.h"

namespace juxa::win32 {

namespace {

constexpr wchar_t kArrowsClass[] = L"JuxaSpinArrows";
constexpr UINT_PTR kRepeatTimer = 1;

wchar_t DecimalSeparator() {
    wchar_t separator[8] = {};
    if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 0) {
        return separator[0];
    }
    return L'.';
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

} // namespace

SpinField::~SpinField() {
    // The edit goes back to its own procedure if it outlives this object.
    if (edit_ != nullptr && editProc_ != nullptr && ::IsWindow(edit_) != FALSE) {
        ::SetWindowLongPtrW(edit_, GWLP_USERDATA, 0);
        ::SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
    }
}

void SpinField::Attach(HWND edit, HINSTANCE instance, UINT dpi) {
    edit_ = edit;
    dpi_ = dpi;
    Create(instance, WindowClass{kArrowsClass}, L"",
           WindowPlace{0, WS_CHILD | WS_VISIBLE, ArrowsPlace(), edit_, nullptr});
    // The edit's own procedure slot, not the common controls' subclass
    // chain: that one keeps its data in a window property, and under Wine
    // reading a property is a round trip to the server on every message the
    // field gets, three per reading of its text.
    ::SetWindowLongPtrW(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editProc_ = FromInteger<WNDPROC>(
        ::SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    SetTextMargin();
}

void SpinField::Relayout(UINT dpi) {
    dpi_ = dpi;
    const RECT place = ArrowsPlace();
    ::MoveWindow(Handle(), place.left, place.top, place.right - place.left,
                 place.bottom - place.top, TRUE);
    SetTextMargin();
}

RECT SpinField::ArrowsPlace() const {
    RECT client{};
    ::GetClientRect(edit_, &client);
    const int width = Scale(kArrowWidth, dpi_);
    return RECT{client.right - width, 0, client.right, client.bottom};
}

void SpinField::SetTextMargin() {
    // Typed text must not run under the arrows.
    const int width = Scale(kArrowWidth, dpi_);
    ::SendMessageW(edit_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
}

RECT SpinField::ArrowRect(Arrow arrow) const {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const LONG middle = client.bottom / 2;
    if (arrow == Arrow::Up) {
        return RECT{0, 0, client.right, middle};
    }
    return RECT{0, middle, client.right, client.bottom};
}

SpinField::Arrow SpinField::HitTest(POINT at) const {
    for (const Arrow arrow : {Arrow::Up, Arrow::Down}) {
        const RECT r = ArrowRect(arrow);
        if (::PtInRect(&r, at) != FALSE) {
            return arrow;
        }
    }
    return Arrow::None;
}

void SpinField::Step(int delta) {
    const std::int64_t value = static_cast<std::int64_t>(ReadSpinValue(WindowText(edit_))) + delta;
    ::SetWindowTextW(edit_, SpinValueText(ClampSpinValue(value)).c_str());
}

void SpinField::Commit() {
    const std::int64_t value = ReadSpinValue(WindowText(edit_));
    if (ClampSpinValue(value) != value) {
        ::SetWindowTextW(edit_, SpinValueText(value).c_str());
    }
}

// --- the edit ---

LRESULT CALLBACK SpinField::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* field = FromInteger<SpinField*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (field == nullptr || field->edit_ != window) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return Guarded(window, [&] { return field->OnEditMessage(message, wParam, lParam); });
}

LRESULT SpinField::EditDefault(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(editProc_, edit_, message, wParam, lParam);
}

LRESULT SpinField::OnEditMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        if (!OnChar(static_cast<wchar_t>(wParam))) {
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN) {
            Step(wParam == VK_UP ? 1 : -1);
            return 0;
        }
        break;
    case WM_GETDLGCODE: {
        // Enter must reach the field, which refuses it with a beep, instead of
        // being taken by the window's keyboard navigation.
        const auto* msg = FromInteger<const MSG*>(lParam);
        const LRESULT code = EditDefault(message, wParam, lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
            return code | DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_SETFOCUS: {
        const LRESULT result = EditDefault(message, wParam, lParam);
        // Arriving by keyboard from another control selects the whole text; a
        // mouse press does not, and neither does the window getting the focus
        // back (from another program, a box, being restored).
        if (IsOtherControl(FromInteger<HWND>(wParam)) &&
            (::GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
            ::SendMessageW(edit_, EM_SETSEL, 0, -1);
        }
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = EditDefault(message, wParam, lParam);
        // Switching to another program or a box opening is not leaving the
        // field: what was typed stays as it is until the user moves on.
        if (IsOtherControl(FromInteger<HWND>(wParam))) {
            Commit();
        }
        return result;
    }
    case WM_NCDESTROY: {
        // The edit's last message: nothing is to be given back to it later.
        const LRESULT result = EditDefault(message, wParam, lParam);
        edit_ = nullptr;
        return result;
    }
    case WM_SIZE: {
        const LRESULT result = EditDefault(message, wParam, lParam);
        if (Handle() != nullptr) {
            Relayout(dpi_);
        }
        return result;
    }
    default:
        break;
    }
    return EditDefault(message, wParam, lParam);
}

bool SpinField::IsOtherControl(HWND window) const {
    return window != nullptr && window != edit_ && ::IsChild(edit_, window) == FALSE &&
           ::IsChild(::GetAncestor(edit_, GA_ROOT), window) != FALSE;
}

bool SpinField::OnChar(wchar_t c) {
    if (SpinFieldTakesChar(c, DecimalSeparator())) {
        return true;
    }
    ::MessageBeep(MB_OK);
    return false;
}

// --- the arrows ---

LRESULT SpinField::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        OnArrowDown(PointOf(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnArrowMove(PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnArrowUp(PointOf(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kRepeatTimer) {
            OnRepeat();
        }
        return 0;
    case WM_CAPTURECHANGED:
        StopRepeat();
        return 0;
    case WM_PAINT:
        PaintArrows();
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void SpinField::OnArrowDown(POINT at) {
    const Arrow arrow = HitTest(at);
    if (arrow == Arrow::None) {
        return;
    }
    ::SetFocus(edit_);
    pressed_ = arrow;
    overPressed_ = true;
    ::SetCapture(Handle());
    ::SetTimer(Handle(), kRepeatTimer, kFirstRepeatMs, nullptr);
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void SpinField::OnArrowMove(POINT at) {
    if (pressed_ == Arrow::None) {
        return;
    }
    const bool over = HitTest(at) == pressed_;
    if (over != overPressed_) {
        overPressed_ = over;
        ::InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void SpinField::OnArrowUp(POINT at) {
    const Arrow arrow = pressed_;
    const bool over = arrow != Arrow::None && HitTest(at) == arrow;
    StopRepeat();
    if (::GetCapture() == Handle()) {
        ::ReleaseCapture();
    }
    if (over) {
        Step(arrow == Arrow::Up ? 1 : -1);
    }
}

void SpinField::OnRepeat() {
    if (pressed_ == Arrow::None) {
        StopRepeat();
        return;
    }
    // After the first wait the pace is steady.
    ::SetTimer(Handle(), kRepeatTimer, kRepeatMs, nullptr);
    if (overPressed_) {
        Step(pressed_ == Arrow::Up ? 1 : -1);
    }
}

void SpinField::StopRepeat() {
    ::KillTimer(Handle(), kRepeatTimer);
    if (pressed_ != Arrow::None) {
        pressed_ = Arrow::None;
        overPressed_ = false;
        ::InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void SpinField::PaintArrows() {
    const PaintDc paint(Handle());
    for (const Arrow arrow : {Arrow::Up, Arrow::Down}) {
        RECT r = ArrowRect(arrow);
        UINT state = arrow == Arrow::Up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
        if (pressed_ == arrow && overPressed_) {
            state |= DFCS_PUSHED;
        }
        ::DrawFrameControl(paint.Get(), &r, DFC_SCROLL, state);
    }
}

} // namespace juxa::win32
