// frmMain on the real platform: the window and its controls built from the
// layout table, the control ports handed to TfrmMain, and the dispatch of the
// window's messages into TfrmMain's handlers.
#pragma once

#include "Handles.h"
#include "Layout.h"
#include "Main.h"
#include "SpinField.h"
#include "Win32Clipboard.h"
#include "Win32Controls.h"
#include "Win32Dialogs.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>

namespace juxa::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"JuxaMainWindow";

struct WindowOptions {
    // 0: the DPI of the window's monitor. Tests set another to check scaling.
    UINT dpi = 0;
    std::size_t richTextCapacity = Win32RichText::kDefaultCapacity;
    // The program ends its message loop when the window goes; tests do not.
    bool quitOnDestroy = false;
};

// The common controls of version 6 and the rich edit's classes; once per process.
void InitialiseControls();

// One message of the program's loop: the main window's keyboard navigation
// first (Tab, Shift+Tab, the arrows between the radio buttons), then the usual
// translation and dispatch.
void DispatchLoopMessage(HWND mainWindow, MSG& msg);

class MainWindow {
public:
    // Builds the window and all controls and runs FormCreate; not yet visible.
    MainWindow(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives,
               const WindowOptions& options = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    void Show(int show);
    void SetAboutBox(IAboutBox* about) { aboutProxy_.target = about; }

    [[nodiscard]] HWND Handle() const { return window_; }
    [[nodiscard]] HWND Control(ControlId id) const;
    [[nodiscard]] UINT Dpi() const { return dpi_; }
    [[nodiscard]] TfrmMain& Form() { return *form_; }
    [[nodiscard]] const MainControls& Controls() const { return controls_; }
    [[nodiscard]] const SpinField& OutputLengthField() const { return spin_; }
    [[nodiscard]] const Win32OutputEdit& OutputEdit() const { return *edtSTRING_; }

    // Runs one handler as every event does: an error that escapes it is shown
    // in the error box, and the program goes on.
    template <typename Handler> void Dispatch(Handler&& handler) noexcept {
        try {
            handler();
        } catch (const JuxaError& error) {
            ShowErrorBox(error.Message());
        } catch (const std::exception& error) {
            ShowErrorBox(Widen(error.what()));
        } catch (...) {
            ShowErrorBox(L"Unexpected error");
        }
    }

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

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code, HWND control);
    void OnMenuCommand(int id);
    void OnRadioClicked(ControlId id);
    void OnPushButton(ControlId id);
    LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
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
    HWND CreateControl(const ControlSpec& spec);
    void BindPorts(IDevicePort& device, IDriveQueries& drives);
    void ApplyFonts(bool redraw);
    // With asCreated, controls still at their creation rectangle stay put.
    void PlaceControls(bool asCreated);
    void FitClientArea();
    void CentreOnDesktop();
    void ShowErrorBox(const std::wstring& message) noexcept;
    static std::wstring Widen(const char* text);

    HINSTANCE instance_;
    WindowOptions options_;
    UINT dpi_ = kDesignDpi;
    HWND window_ = nullptr;
    std::array<HWND, 64> controlWindows_{}; // by ControlId - GroupBox1
    HWND focus_ = nullptr;                  // the control to give the focus back to

    FontHandle font_;
    FontHandle hexFont_;
    SpinField spin_;

    std::array<std::unique_ptr<Win32Edit>, 16> byteFields_;
    std::unique_ptr<Win32RadioButton> rbtnPreset_;
    std::unique_ptr<Win32RadioButton> rbtnManual_;
    std::unique_ptr<Win32ComboBox> cbxQuery_;
    std::unique_ptr<Win32ComboBox> cbxByteLength_;
    std::unique_ptr<Win32ComboBox> cbxDriveList_;
    std::unique_ptr<Win32ComboBox> cbxBit_;
    std::unique_ptr<Win32Edit> outputLength_;
    std::unique_ptr<Win32OutputEdit> edtSTRING_;
    std::unique_ptr<Win32RichText> memHEX_;

    Win32Dialogs dialogs_;
    Win32Clipboard clipboard_;
    AboutProxy aboutProxy_;
    MainControls controls_;
    std::unique_ptr<TfrmMain> form_;
};

} // namespace juxa::win32
