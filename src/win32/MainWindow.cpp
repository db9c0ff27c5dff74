#include "MainWindow.h"
#include "Handles.h"

#include "Resource.h"
#include "Texts.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <stdexcept>

namespace juxa::win32 {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

int TextWidth(HFONT font, const wchar_t* text) {
    const WindowDc dc(nullptr, ::GetDC(nullptr));
    const SelectedObject old(dc.Get(), ::SelectObject(dc.Get(), font));
    SIZE size{};
    ::GetTextExtentPoint32W(dc.Get(), text, ::lstrlenW(text), &size);
    return size.cx;
}

} // namespace

void InitialiseControls() {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                              ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&init);
    // The rich edit classes exist once their library is loaded; it stays
    // loaded for the life of the process.
    static const HMODULE richEdit =
        ::LoadLibraryExW(L"Msftedit.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    static_cast<void>(richEdit);
}

void DispatchLoopMessage(HWND window, MSG& msg) {
    if (window != nullptr && ::IsDialogMessageW(window, &msg) != FALSE) {
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

MainWindow::MainWindow(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives,
                       const WindowOptions& options)
    : instance_(instance), options_(options), runner_(instance) {
    CreateMainWindow();
    BuildControls();
    FitClientArea();
    BindPorts(device, drives);
    form_->FormCreate();
}

MainWindow::~MainWindow() {
    Destroy(); // while the controls' owners can still take what that sends
}

void MainWindow::CreateMainWindow() {
    MenuHandle bar(::CreateMenu());
    HMENU format = ::CreatePopupMenu();
    ::AppendMenuW(format, MF_STRING, static_cast<UINT_PTR>(CommandId::DEFAULTCHARSET1),
                  L"DEFAULT_CHARSET");
    ::AppendMenuW(format, MF_STRING, static_cast<UINT_PTR>(CommandId::SHIFTJISCHARSET1),
                  L"SHIFTJIS_CHARSET");
    ::AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(format), L"Output Format");
    ::AppendMenuW(bar.Get(), MF_STRING, static_cast<UINT_PTR>(CommandId::ABout1), L"About");

    // Made at the size and the place it is shown at, for the DPI it most
    // likely gets: every later move of a top-level window costs a round trip
    // to the display.
    const UINT guess = options_.dpi != 0 ? options_.dpi : ::GetDpiForSystem();
    RECT frame{0, 0, Scale(kClientWidth, guess), Scale(kClientHeight, guess)};
    ::AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, guess);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    Create(instance_,
           WindowClass{kMainWindowClass, ::LoadIconW(instance_, MAKEINTRESOURCEW(IDI_JUXA)),
                       static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_JUXA),
                                                       IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                       ::GetSystemMetrics(SM_CYSMICON), 0)),
                       FromInteger<HBRUSH>(COLOR_BTNFACE + 1)},
           kApplicationTitle,
           WindowPlace{kWindowExStyle, kWindowStyle, RECT{left, top, left + width, top + height},
                       nullptr, bar.Get()});
    static_cast<void>(bar.Release()); // the window owns its menu now
    dpi_ = options_.dpi != 0 ? options_.dpi : ::GetDpiForWindow(Handle());
    if (dpi_ == 0) {
        dpi_ = kDesignDpi;
    }
    dialogs_.SetOwner(Handle());
    dialogs_.SetBeforeBox([this] { FlushOutputs(); });
    clipboard_.SetOwner(Handle());
    runner_.SetWindow(WaitingWindow{Handle(), [this] { return dpi_; }, [this] { SaveFocus(); },
                                    [this] { RestoreFocus(); }, [this] { FlushOutputs(); }});
}

void MainWindow::BuildControls() {
    font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
    hexFont_ = MakeFont(L"Courier New", dpi_, ANSI_CHARSET);
    for (const ControlSpec& spec : MainLayout()) {
        CreateControl(spec);
    }
}

// Each control is made where it stays, takes its font at once and is not
// touched again: under Wine every move or resize of a control costs a round
// trip to the server, and a drop-down's also moves its list.
void MainWindow::CreateControl(const ControlSpec& spec) {
    const ClassAndStyle how = ClassFor(spec);
    DWORD style = WS_CHILD | WS_VISIBLE | how.style;
    if (!spec.enabled) {
        style |= WS_DISABLED;
    }
    // Each Tab stop is a group of its own, apart from the two radio buttons,
    // between which the arrow keys move.
    if ((style & WS_TABSTOP) != 0 && spec.id != ControlId::rbtnManual) {
        style |= WS_GROUP;
    }
    if (spec.id == ControlId::rbtnPreset) {
        style |= WS_GROUP;
    }
    // An edit lays out its text with the font it has, so it gets its text
    // only once it has its font and margins: laid out once, not twice.
    const bool textLater = IsEdit(spec.kind);
    const wchar_t* text = spec.text != nullptr && !textLater ? spec.text : L"";
    const RECT r = PlacedRect(spec);
    HWND control = ::CreateWindowExW(how.exStyle, how.cls, text, style, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, Handle(),
                                     FromInteger<HMENU>(spec.id), instance_, nullptr);
    if (control == nullptr) {
        throw std::runtime_error("a control cannot be created");
    }
    owners_.at(SlotOf(spec.id)) = MakeOwner(spec, control);
    ApplyFont(spec, false);
    if (spec.kind == ControlKind::RadioButton && spec.selected == 1) {
        ::SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    }
    if (spec.kind == ControlKind::ByteField) {
        ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0); // no length limit
    }
    if (IsList(spec.kind)) {
        FitListField(control, spec);
        // The common controls of version 6 size the opened list by a count
        // of rows, not by the height the box was made with.
        ::SendMessageW(control, CB_SETMINVISIBLE, kDroppedRows, 0);
        for (const wchar_t* item : spec.items) {
            ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(spec.selected), 0);
    }
    if (spec.kind == ControlKind::SpinField) {
        spin_.Attach(control, instance_, dpi_);
    }
    if (textLater && spec.text != nullptr && *spec.text != L'\0') {
        ::SetWindowTextW(control, spec.text);
    }
}

std::unique_ptr<ControlWindow> MainWindow::MakeOwner(const ControlSpec& spec, HWND control) {
    switch (spec.kind) {
    case ControlKind::ByteField:
    case ControlKind::SpinField:
        return std::make_unique<Win32Edit>(control);
    case ControlKind::RadioButton:
        return std::make_unique<Win32RadioButton>(control);
    case ControlKind::PickList:
    case ControlKind::EditableList:
        return std::make_unique<Win32ComboBox>(control);
    case ControlKind::OutputEdit:
        return std::make_unique<Win32OutputEdit>(control);
    case ControlKind::RichText:
        return std::make_unique<Win32RichText>(control, options_.richTextCapacity);
    case ControlKind::StatusLine:
        return std::make_unique<Win32StatusLine>(control);
    case ControlKind::GroupBox:
    case ControlKind::Label:
    case ControlKind::PushButton:
        break;
    }
    return std::make_unique<ControlWindow>(control);
}

void MainWindow::ApplyFont(const ControlSpec& spec, bool redraw) {
    if (spec.kind == ControlKind::OutputEdit) {
        Owner<Win32OutputEdit>(spec.id).ApplyFont(dpi_);
    } else if (spec.kind == ControlKind::RichText) {
        Owner<Win32RichText>(spec.id).SetFont(hexFont_.Get(), redraw);
    } else {
        ::SendMessageW(Control(spec.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()),
                       redraw ? TRUE : FALSE);
    }
}

RECT MainWindow::PlacedRect(const ControlSpec& spec) const {
    RECT r = ScaledRect(spec, dpi_);
    if (spec.kind == ControlKind::Label) {
        // Labels size themselves to their caption; the width in the table is
        // the least they take.
        r.right = std::max(r.right, r.left + TextWidth(font_.Get(), spec.text));
    }
    return r;
}

void MainWindow::FitListField(HWND list, const ControlSpec& spec) const {
    // The field's height follows from the item height, which the font sets;
    // only where that is not the height in the table is the item height set.
    RECT field{};
    ::GetWindowRect(list, &field);
    const int wanted = Scale(spec.height, dpi_);
    if (field.bottom - field.top != wanted) {
        ::SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted - 6);
    }
}

void MainWindow::PlaceControls() {
    for (const ControlSpec& spec : MainLayout()) {
        HWND control = Control(spec.id);
        const RECT r = PlacedRect(spec);
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (IsList(spec.kind)) {
            FitListField(control, spec);
        }
    }
    spin_.Relayout(dpi_);
}

void MainWindow::FitClientArea() {
    RECT now{};
    ::GetClientRect(Handle(), &now);
    if (now.right == Scale(kClientWidth, dpi_) && now.bottom == Scale(kClientHeight, dpi_)) {
        return; // made so
    }
    RECT frame{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
    ::AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, dpi_);
    ::SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame the system draws may be measured at another DPI than the one
    // asked for (a menu bar that wraps, a test's DPI); correct by what came out.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dx = Scale(kClientWidth, dpi_) - client.right;
    const int dy = Scale(kClientHeight, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        RECT outer{};
        ::GetWindowRect(Handle(), &outer);
        ::SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left + dx,
                       outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CentreOnDesktop();
}

void MainWindow::CentreOnDesktop() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT outer{};
    ::GetWindowRect(Handle(), &outer);
    const RECT& work = monitor.rcWork;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    ::SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::BindPorts(IDevicePort& device, IDriveQueries& drives) {
    for (int k = 1; k <= 16; ++k) {
        controls_.C.at(static_cast<std::size_t>(k - 1)) = &Owner<Win32Edit>(ByteFieldId(k));
    }
    controls_.rbtnPreset = &Owner<Win32RadioButton>(ControlId::rbtnPreset);
    controls_.rbtnManual = &Owner<Win32RadioButton>(ControlId::rbtnManual);
    controls_.cbxQuery = &Owner<Win32ComboBox>(ControlId::cbxQuery);
    controls_.cbxByteLength = &Owner<Win32ComboBox>(ControlId::cbxByteLength);
    controls_.cbxDriveList = &Owner<Win32ComboBox>(ControlId::cbxDriveList);
    controls_.OutputLength = &Owner<Win32Edit>(ControlId::OutputLength);
    controls_.cbxBit = &Owner<Win32ComboBox>(ControlId::cbxBit);
    controls_.edtSTRING = &Owner<Win32OutputEdit>(ControlId::edtSTRING);
    controls_.memHEX = &Owner<Win32RichText>(ControlId::memHEX);
    controls_.edtStatus = &Owner<Win32StatusLine>(ControlId::edtStatus);

    MainPorts ports;
    ports.device = &device;
    ports.dialogs = &dialogs_;
    ports.clipboard = &clipboard_;
    ports.drives = &drives;
    ports.about = &aboutProxy_;
    ports.runner = options_.directDeviceCalls ? nullptr : &runner_;
    ports.systemText = [](std::uint32_t error) { return SystemMessage(error); };
    form_ = std::make_unique<TfrmMain>(controls_, ports);
}

HWND MainWindow::Control(ControlId id) const {
    const auto& owner = owners_.at(SlotOf(id));
    return owner != nullptr ? owner->Window() : nullptr;
}

void MainWindow::Show(int show) {
    ::ShowWindow(Handle(), show);
    ::UpdateWindow(Handle());
}

// --- messages ---

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; runner_.OwnerMessage(message, wParam, lParam, result)) {
        return result; // a close or the session's end waits for the device
    }
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), FromInteger<HWND>(lParam));
        return 0;
    case WM_DEVICECHANGE:
        if (form_ != nullptr) {
            form_->WMDeviceChange(static_cast<std::uintptr_t>(wParam),
                                  FromInteger<const void*>(lParam));
        }
        return 0; // handled here, never by the default processing
    case WM_DPICHANGED:
        OnDpiChanged(wParam, lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnColorStatic(FromInteger<HDC>(wParam), FromInteger<HWND>(lParam));
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            SaveFocus();
        } else if (HIWORD(wParam) == 0) { // not while minimised
            RestoreFocus();
        }
        return 0;
    case WM_SETFOCUS:
        // Restored from the taskbar, or given the focus by anyone: it goes on
        // to the control, as in a dialog.
        RestoreFocus();
        return 0;
    case WM_NEXTDLGCTL:
        OnNextControl(wParam, lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int code, HWND control) {
    // Still being built, nothing the program does is an event; while a
    // command runs, nothing that reaches the controls (a posted click) is one.
    if (form_ == nullptr || runner_.Busy()) {
        return;
    }
    if (control == nullptr) {
        if (code == 0 && id == IDOK) {
            OnEnter();
        } else if (code == 0) {
            OnMenuCommand(id);
        }
        return;
    }
    const auto which = static_cast<ControlId>(id);
    switch (which) {
    case ControlId::btnQuery:
    case ControlId::Button2:
        if (code == BN_CLICKED) {
            OnPushButton(which);
        }
        break;
    case ControlId::rbtnPreset:
    case ControlId::rbtnManual:
        if (code == BN_CLICKED) {
            OnRadioClicked(which);
        }
        break;
    case ControlId::cbxQuery:
        if (code == CBN_SELCHANGE) {
            form_->cbxQueryChange();
        }
        break;
    case ControlId::cbxByteLength:
        if (code == CBN_SELCHANGE) {
            form_->cbxByteLengthChange();
        }
        break;
    default:
        break;
    }
}

void MainWindow::OnMenuCommand(int id) {
    switch (static_cast<CommandId>(id)) {
    case CommandId::DEFAULTCHARSET1:
        form_->DEFAULTCHARSET1Click();
        break;
    case CommandId::SHIFTJISCHARSET1:
        form_->SHIFTJISCHARSET1Click();
        break;
    case CommandId::ABout1:
        form_->ABout1Click();
        break;
    }
}

// Enter, which the dialog manager hands on as IDOK: a window that is not a
// dialog has no default button, so Enter presses the push button that has
// the focus, as Space does, and does nothing elsewhere.
void MainWindow::OnEnter() {
    HWND focus = ::GetFocus();
    if (focus != nullptr &&
        (focus == Control(ControlId::btnQuery) || focus == Control(ControlId::Button2))) {
        ::SendMessageW(focus, BM_CLICK, 0, 0);
    }
}

void MainWindow::OnPushButton(ControlId id) {
    // A mouse press moves the focus to the button before the click, which
    // settles the buffer-length field; a click that comes another way must
    // settle it too, so the handlers always read a value in range.
    HWND button = Control(id);
    if (::GetFocus() != button) {
        ::SetFocus(button);
    }
    // The field keeps what was typed while the window was inactive, and the
    // focus may not have passed through it since.
    spin_.Commit();
    if (id == ControlId::btnQuery) {
        // A send clears both outputs and then writes its result: each field
        // is written once, when the handler ends, or before a box opens.
        class HeldOutputs {
        public:
            explicit HeldOutputs(MainWindow& window) : window_(window) { window_.HoldOutputs(); }
            HeldOutputs(const HeldOutputs&) = delete;
            HeldOutputs& operator=(const HeldOutputs&) = delete;
            ~HeldOutputs() {
                try {
                    window_.ReleaseOutputs();
                } catch (...) {
                    // Only while an error is on its way to the error box.
                }
            }

        private:
            MainWindow& window_;
        } held(*this);
        form_->btnQueryClick();
    } else {
        form_->Button2Click();
    }
}

void MainWindow::HoldOutputs() {
    Owner<Win32OutputEdit>(ControlId::edtSTRING).Hold();
    Owner<Win32RichText>(ControlId::memHEX).Hold();
    Owner<Win32StatusLine>(ControlId::edtStatus).Hold();
}

void MainWindow::FlushOutputs() {
    Owner<Win32OutputEdit>(ControlId::edtSTRING).Flush();
    Owner<Win32RichText>(ControlId::memHEX).Flush();
    Owner<Win32StatusLine>(ControlId::edtStatus).Flush();
}

void MainWindow::ReleaseOutputs() {
    Owner<Win32OutputEdit>(ControlId::edtSTRING).Release();
    Owner<Win32RichText>(ControlId::memHEX).Release();
    Owner<Win32StatusLine>(ControlId::edtStatus).Release();
}

void MainWindow::OnRadioClicked(ControlId id) {
    auto& preset = Owner<Win32RadioButton>(ControlId::rbtnPreset);
    auto& manual = Owner<Win32RadioButton>(ControlId::rbtnManual);
    Win32RadioButton& clicked = id == ControlId::rbtnPreset ? preset : manual;
    Win32RadioButton& other = id == ControlId::rbtnPreset ? manual : preset;
    if (clicked.Checked()) {
        return;
    }
    clicked.SetChecked(true);
    other.SetChecked(false);
    if (id == ControlId::rbtnPreset) {
        form_->rbtnPresetClick();
    } else {
        form_->rbtnManualClick();
    }
}

void MainWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = LOWORD(wParam);
    font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
    hexFont_ = MakeFont(L"Courier New", dpi_, ANSI_CHARSET);
    for (const ControlSpec& spec : MainLayout()) {
        ApplyFont(spec, true);
    }
    PlaceControls();
    const auto* suggested = FromInteger<const RECT*>(lParam);
    if (suggested != nullptr) {
        ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT MainWindow::OnColorStatic(HDC dc, HWND control) {
    // The read-only text output keeps the look of a field, not of a label.
    if (control == Control(ControlId::edtSTRING) && ::IsWindowEnabled(control) != FALSE) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    return ::DefWindowProcW(Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(control));
}

void MainWindow::SaveFocus() {
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(Handle(), focus) != FALSE) {
        focus_ = focus;
    }
}

void MainWindow::RestoreFocus() {
    HWND target = focus_;
    if (target == nullptr || ::IsWindow(target) == FALSE || ::IsChild(Handle(), target) == FALSE ||
        ::IsWindowEnabled(target) == FALSE || ::IsWindowVisible(target) == FALSE) {
        target = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
    }
    if (target != nullptr) {
        ::SetFocus(target);
    }
}

// WM_NEXTDLGCTL: a control that takes Tab itself (the hex field) hands it on
// as this message, which a window that is not a dialog must answer itself.
void MainWindow::OnNextControl(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) != 0) {
        FocusControl(FromInteger<HWND>(wParam));
        return;
    }
    // The focus may be inside a control (the edit of the drive list); the
    // tab order is that of the window's own children.
    HWND from = ::GetFocus();
    while (from != nullptr && ::GetParent(from) != Handle()) {
        from = ::GetParent(from);
    }
    FocusControl(::GetNextDlgTabItem(Handle(), from, wParam != 0 ? TRUE : FALSE));
}

void MainWindow::FocusControl(HWND control) {
    if (control == nullptr || ::IsChild(Handle(), control) == FALSE) {
        return;
    }
    // Arriving by the keyboard selects an edit's whole text, as the dialog
    // manager does.
    if ((::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
    ::SetFocus(control);
}

void MainWindow::OnDestroy() {
    if (options_.quitOnDestroy) {
        ::PostQuitMessage(0);
    }
}

} // namespace juxa::win32
