// frmMain on the real platform: the window and its controls built from the
// layout table, the control ports handed to TfrmMain, and the dispatch of the
// window's messages into TfrmMain's handlers.
#pragma once

#include "CommandRunner.h"
#include "Handles.h"
#include "Layout.h"
#include "Main.h"
#include "SpinField.h"
#include "Win32Clipboard.h"
#include "Win32Controls.h"
#include "Win32Dialogs.h"
#include "WindowBase.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>

namespace juxa::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"JuxaMainWindow";

struct WindowOptions {
    // 0: the DPI of the window's monitor. Tests set another to check scaling.
    UINT dpi = 0;
    std::size_t richTextCapacity = Win32RichText::kDefaultCapacity;
    // The program ends its message loop when the window goes; tests do not.
    bool quitOnDestroy = false;
    // The device call made on the window's thread, as a bench's measure of
    // what the hand-off to the worker costs.
    bool directDeviceCalls = false;
};

// The common controls of version 6 and the rich edit's classes; once per process.
void InitialiseControls();

// One message of the program's loop: the keyboard navigation of the given
// window first (Tab, Shift+Tab, the arrows between the radio buttons), then
// the usual translation and dispatch.
void DispatchLoopMessage(HWND window, MSG& msg);

class MainWindow final : public WindowBase {
public:
    // Builds the window and all controls and runs FormCreate; not yet visible.
    MainWindow(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives,
               const WindowOptions& options = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    void Show(int show);
    void SetAboutBox(IAboutBox* about) { aboutProxy_.target = about; }

    using WindowBase::Handle;
    // The control's window as its owner knows it now (the hex field's owner
    // may have put a fresh one in its place).
    [[nodiscard]] HWND Control(ControlId id) const;
    [[nodiscard]] UINT Dpi() const { return dpi_; }
    [[nodiscard]] TfrmMain& Form() { return *form_; }
    [[nodiscard]] const MainControls& Controls() const { return controls_; }
    [[nodiscard]] const SpinField& OutputLengthField() const { return spin_; }
    [[nodiscard]] const Win32OutputEdit& OutputEdit() const {
        return Owner<Win32OutputEdit>(ControlId::edtSTRING);
    }
    [[nodiscard]] const CommandRunner& Runner() const { return runner_; }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // frmAbout is made after frmMain, whose handlers already need to reach it.
    struct AboutProxy final : IAboutBox {
        IAboutBox* target = nullptr;
        void ShowModal() override {
            if (target != nullptr) {
                target->ShowModal();
            }
        }
    };

    void OnCommand(int id, int code, HWND control);
    void OnMenuCommand(int id);
    void OnRadioClicked(ControlId id);
    void OnPushButton(ControlId id);
    void OnEnter();
    void HoldOutputs();
    void FlushOutputs();
    void ReleaseOutputs();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnColorStatic(HDC dc, HWND control);
    void OnDestroy();
    // As a dialog does: the control that had the focus when the window was
    // deactivated gets it back when the window is active again.
    void SaveFocus();
    void RestoreFocus();
    void OnNextControl(WPARAM wParam, LPARAM lParam);
    void FocusControl(HWND control);

    void CreateMainWindow();
    void BuildControls();
    void CreateControl(const ControlSpec& spec);
    std::unique_ptr<ControlWindow> MakeOwner(const ControlSpec& spec, HWND control);
    void ApplyFont(const ControlSpec& spec, bool redraw);
    // Where a control goes: a label is as wide as its caption at least.
    [[nodiscard]] RECT PlacedRect(const ControlSpec& spec) const;
    void FitListField(HWND list, const ControlSpec& spec) const;
    void PlaceControls();
    void FitClientArea();
    void CentreOnDesktop();
    void BindPorts(IDevicePort& device, IDriveQueries& drives);
    template <typename T> T& Owner(ControlId id) const {
        return dynamic_cast<T&>(*owners_.at(SlotOf(id)));
    }

    HINSTANCE instance_;
    WindowOptions options_;
    UINT dpi_ = kDesignDpi;
    // The owner of each control's window, by SlotOf its id.
    std::array<std::unique_ptr<ControlWindow>, kControlSlots> owners_;
    HWND focus_ = nullptr; // the control to give the focus back to

    FontHandle font_;
    FontHandle hexFont_;
    SpinField spin_;

    Win32Dialogs dialogs_;
    Win32Clipboard clipboard_;
    CommandRunner runner_;
    AboutProxy aboutProxy_;
    MainControls controls_;
    std::unique_ptr<TfrmMain> form_;
};

} // namespace juxa::win32
