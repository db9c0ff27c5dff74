// The buffer-length field: an edit with an up and a down arrow at its right
// end. The up-down control of the common controls has its own repeat timing
// and speeds up while held, so the arrows are a small control of our own with
// the field's timing: one step after 400 ms, then one every 100 ms. This
// object is that control's window; it also subclasses the edit.
#pragma once

#include "WindowBase.h"

#include <windows.h>

#include <cstdint>

namespace juxa::win32 {

class SpinField final : public WindowBase {
public:
    static constexpr UINT kFirstRepeatMs = 400;
    static constexpr UINT kRepeatMs = 100;
    static constexpr int kArrowWidth = 15; // at 96 DPI

    enum class Arrow { None, Up, Down };

    SpinField() = default;
    SpinField(const SpinField&) = delete;
    SpinField& operator=(const SpinField&) = delete;
    ~SpinField() override;

    // Takes over the edit and puts the arrows inside its right end.
    void Attach(HWND edit, HINSTANCE instance, UINT dpi);
    void Relayout(UINT dpi);

    [[nodiscard]] HWND Edit() const { return edit_; }
    [[nodiscard]] HWND Arrows() const { return Handle(); }
    // The rectangle of one arrow in the arrows' client coordinates.
    [[nodiscard]] RECT ArrowRect(Arrow arrow) const;

    // Value read, plus or minus one, clamped and written back.
    void Step(int delta);
    // What leaving the field does: a value out of range is set again.
    void Commit();

protected:
    // The arrows' messages.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEditMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The edit's own handling of a message.
    LRESULT EditDefault(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] RECT ArrowsPlace() const;
    void SetTextMargin();

    bool OnChar(wchar_t c);
    // Whether the window is another control of the same top-level window:
    // only a move of the focus between controls enters or leaves the field.
    [[nodiscard]] bool IsOtherControl(HWND window) const;
    void OnArrowDown(POINT at);
    void OnArrowMove(POINT at);
    void OnArrowUp(POINT at);
    void OnRepeat();
    void StopRepeat();
    void PaintArrows();
    [[nodiscard]] Arrow HitTest(POINT at) const;

    HWND edit_ = nullptr;
    WNDPROC editProc_ = nullptr;
    UINT dpi_ = 96;
    Arrow pressed_ = Arrow::None;
    bool overPressed_ = false;
};

} // namespace juxa::win32
