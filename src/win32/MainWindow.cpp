#include "MainWindow.h"

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
// The dropped list of a drop-down shows this many rows before it scrolls.
constexpr int kDroppedRows = 8;
constexpr int kDroppedRowHeight = 16;

std::size_t SlotOf(ControlId id) {
    return static_cast<std::size_t>(static_cast<int>(id) - static_cast<int>(ControlId::GroupBox1));
}

struct ClassAndStyle {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle ClassFor(const ControlSpec& spec) {
    constexpr DWORD edge = WS_EX_CLIENTEDGE;
    switch (spec.kind) {
    case ControlKind::GroupBox:
        return {WC_BUTTONW, BS_GROUPBOX, 0};
    case ControlKind::Label:
        return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::RadioButton:
        // Not the automatic kind: the binding decides what a click changes.
        return {WC_BUTTONW, BS_RADIOBUTTON | (spec.selected == 1 ? WS_TABSTOP : 0U), 0};
    case ControlKind::PickList:
        return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::EditableList:
        return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ByteField:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, edge};
    case ControlKind::OutputEdit:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, edge};
    case ControlKind::RichText:
        // The vertical bar stays, greyed while everything fits, as designed.
        return {MSFTEDIT_CLASS,
                ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL | WS_VSCROLL |
                    WS_TABSTOP,
                edge};
    case ControlKind::SpinField:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_CLIPCHILDREN, edge};
    case ControlKind::PushButton:
        return {WC_BUTTONW, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0};
    }
    throw std::logic_error("unknown control kind");
}

bool IsList(ControlKind kind) {
    return kind == ControlKind::PickList || kind == ControlKind::EditableList;
}

int LabelTextWidth(HWND label) {
    const std::wstring text = WindowText(label);
    HDC dc = ::GetDC(label);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
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

void DispatchLoopMessage(HWND mainWindow, MSG& msg) {
    if (mainWindow != nullptr && ::IsDialogMessageW(mainWindow, &msg) != FALSE) {
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

MainWindow::MainWindow(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives,
                       const WindowOptions& options)
    : instance_(instance), options_(options) {
    CreateMainWindow();
    BuildControls();
    FitClientArea();
    CentreOnDesktop();
    BindPorts(device, drives);
    form_->FormCreate();
}

MainWindow::~MainWindow() {
    if (window_ != nullptr && ::IsWindow(window_) != FALSE) {
        ::DestroyWindow(window_);
    }
}

void MainWindow::CreateMainWindow() {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance_;
    cls.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(IDI_JUXA));
    cls.hIconSm = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_JUXA), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), 0));
    cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    cls.lpszClassName = kMainWindowClass;
    ::RegisterClassExW(&cls); // a second window in the same process finds it registered

    MenuHandle bar(::CreateMenu());
    HMENU format = ::CreatePopupMenu();
    ::AppendMenuW(format, MF_STRING, static_cast<UINT_PTR>(CommandId::DEFAULTCHARSET1),
                  L"DEFAULT_CHARSET");
    ::AppendMenuW(format, MF_STRING, static_cast<UINT_PTR>(CommandId::SHIFTJISCHARSET1),
                  L"SHIFTJIS_CHARSET");
    ::AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(format), L"Output Format");
    ::AppendMenuW(bar.Get(), MF_STRING, static_cast<UINT_PTR>(CommandId::ABout1), L"About");

    window_ = ::CreateWindowExW(kWindowExStyle, kMainWindowClass, kApplicationTitle, kWindowStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr,
                                bar.Get(), instance_, this);
    if (window_ == nullptr) {
        throw std::runtime_error("the main window cannot be created");
    }
    static_cast<void>(bar.Release()); // the window owns its menu now
    dpi_ = options_.dpi != 0 ? options_.dpi : ::GetDpiForWindow(window_);
    if (dpi_ == 0) {
        dpi_ = kDesignDpi;
    }
    dialogs_.SetOwner(window_);
    clipboard_.SetOwner(window_);
}

void MainWindow::BuildControls() {
    font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
    hexFont_ = MakeFont(L"Courier New", dpi_, ANSI_CHARSET);
    for (const ControlSpec& spec : MainLayout()) {
        HWND control = CreateControl(spec);
        controlWindows_.at(SlotOf(spec.id)) = control;
        switch (spec.kind) {
        case ControlKind::SpinField:
            spin_.Attach(control, instance_, dpi_);
            break;
        case ControlKind::OutputEdit:
            edtSTRING_ = std::make_unique<Win32OutputEdit>(control);
            break;
        case ControlKind::RichText:
            memHEX_ = std::make_unique<Win32RichText>(control, options_.richTextCapacity);
            break;
        default:
            break;
        }
    }
    // Nothing is on screen yet: no control needs to redraw for its font, and
    // only those whose size differs from the design's are moved.
    ApplyFonts(false);
    PlaceControls(true);
}

HWND MainWindow::CreateControl(const ControlSpec& spec) {
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
    const RECT r = ScaledRect(spec, dpi_);
    HWND control = ::CreateWindowExW(
        how.exStyle, how.cls, spec.text != nullptr ? spec.text : L"", style, r.left, r.top,
        r.right - r.left, r.bottom - r.top, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
    if (control == nullptr) {
        throw std::runtime_error("a control cannot be created");
    }
    if (spec.kind == ControlKind::RadioButton && spec.selected == 1) {
        ::SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    }
    if (spec.kind == ControlKind::ByteField) {
        ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0); // no length limit
    }
    if (IsList(spec.kind)) {
        for (const wchar_t* item : spec.items) {
            ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(spec.selected), 0);
    }
    return control;
}

void MainWindow::ApplyFonts(bool redraw) {
    for (const ControlSpec& spec : MainLayout()) {
        HWND control = Control(spec.id);
        if (spec.kind == ControlKind::OutputEdit) {
            edtSTRING_->ApplyFont(dpi_);
        } else if (spec.kind == ControlKind::RichText) {
            memHEX_->SetFont(hexFont_.Get(), redraw);
        } else {
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()),
                           redraw ? TRUE : FALSE);
        }
    }
}

void MainWindow::PlaceControls(bool asCreated) {
    for (const ControlSpec& spec : MainLayout()) {
        HWND control = Control(spec.id);
        const RECT r = ScaledRect(spec, dpi_);
        int height = r.bottom - r.top;
        if (IsList(spec.kind)) {
            // A drop-down's height is that of its field and opened list
            // together; the field's own height follows from the item height.
            height += Scale(kDroppedRows * kDroppedRowHeight, dpi_);
            ::SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                           Scale(spec.height, dpi_) - 6);
        }
        int width = r.right - r.left;
        if (spec.kind == ControlKind::Label) {
            // Labels size themselves to their caption, as the design's labels
            // did; the design's width is the least they take.
            width = std::max(width, LabelTextWidth(control));
        }
        if (asCreated && width == r.right - r.left && height == r.bottom - r.top) {
            continue; // made at this very rectangle
        }
        ::SetWindowPos(control, nullptr, r.left, r.top, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    spin_.Relayout(dpi_);
}

void MainWindow::FitClientArea() {
    RECT frame{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
    ::AdjustWindowRectExForDpi(&frame, kWindowStyle, TRUE, kWindowExStyle, dpi_);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame the system draws may be measured at another DPI than the one
    // asked for (a menu bar that wraps, a test's DPI); correct by what came out.
    RECT client{};
    ::GetClientRect(window_, &client);
    const int dx = Scale(kClientWidth, dpi_) - client.right;
    const int dy = Scale(kClientHeight, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        RECT outer{};
        ::GetWindowRect(window_, &outer);
        ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + dx,
                       outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainWindow::CentreOnDesktop() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    const RECT& work = monitor.rcWork;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::BindPorts(IDevicePort& device, IDriveQueries& drives) {
    for (int k = 1; k <= 16; ++k) {
        auto& field = byteFields_.at(static_cast<std::size_t>(k - 1));
        field = std::make_unique<Win32Edit>(Control(ByteFieldId(k)));
        controls_.C.at(static_cast<std::size_t>(k - 1)) = field.get();
    }
    rbtnPreset_ = std::make_unique<Win32RadioButton>(Control(ControlId::rbtnPreset));
    rbtnManual_ = std::make_unique<Win32RadioButton>(Control(ControlId::rbtnManual));
    cbxQuery_ = std::make_unique<Win32ComboBox>(Control(ControlId::cbxQuery));
    cbxByteLength_ = std::make_unique<Win32ComboBox>(Control(ControlId::cbxByteLength));
    cbxDriveList_ = std::make_unique<Win32ComboBox>(Control(ControlId::cbxDriveList));
    cbxBit_ = std::make_unique<Win32ComboBox>(Control(ControlId::cbxBit));
    outputLength_ = std::make_unique<Win32Edit>(Control(ControlId::OutputLength));

    controls_.rbtnPreset = rbtnPreset_.get();
    controls_.rbtnManual = rbtnManual_.get();
    controls_.cbxQuery = cbxQuery_.get();
    controls_.cbxByteLength = cbxByteLength_.get();
    controls_.cbxDriveList = cbxDriveList_.get();
    controls_.OutputLength = outputLength_.get();
    controls_.cbxBit = cbxBit_.get();
    controls_.edtSTRING = edtSTRING_.get();
    controls_.memHEX = memHEX_.get();

    MainPorts ports;
    ports.device = &device;
    ports.dialogs = &dialogs_;
    ports.clipboard = &clipboard_;
    ports.drives = &drives;
    ports.about = &aboutProxy_;
    form_ = std::make_unique<TfrmMain>(controls_, ports);
}

HWND MainWindow::Control(ControlId id) const {
    // The hex field may have been replaced by a fresh one since it was built.
    if (id == ControlId::memHEX && memHEX_ != nullptr) {
        return memHEX_->Window();
    }
    return controlWindows_.at(SlotOf(id));
}

void MainWindow::Show(int show) {
    ::ShowWindow(window_, show);
    ::UpdateWindow(window_);
}

// --- messages ---

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self != nullptr) {
            self->window_ = nullptr;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        // Handlers are dispatched with their own catch; whatever is left must
        // still not unwind through the system's code.
        return 0;
    }
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DEVICECHANGE:
        return OnDeviceChange(wParam, lParam);
    case WM_DPICHANGED:
        return OnDpiChanged(wParam, lParam);
    case WM_CTLCOLORSTATIC:
        return OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
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
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int code, HWND control) {
    if (form_ == nullptr) {
        return; // still being built: nothing the program does there is an event
    }
    if (control == nullptr) {
        if (code == 0) {
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
            Dispatch([this] { form_->cbxQueryChange(); });
        }
        break;
    case ControlId::cbxByteLength:
        if (code == CBN_SELCHANGE) {
            Dispatch([this] { form_->cbxByteLengthChange(); });
        }
        break;
    default:
        break;
    }
}

void MainWindow::OnMenuCommand(int id) {
    switch (static_cast<CommandId>(id)) {
    case CommandId::DEFAULTCHARSET1:
        Dispatch([this] { form_->DEFAULTCHARSET1Click(); });
        break;
    case CommandId::SHIFTJISCHARSET1:
        Dispatch([this] { form_->SHIFTJISCHARSET1Click(); });
        break;
    case CommandId::ABout1:
        Dispatch([this] { form_->ABout1Click(); });
        break;
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
        Dispatch([this] { form_->btnQueryClick(); });
    } else {
        Dispatch([this] { form_->Button2Click(); });
    }
}

void MainWindow::OnRadioClicked(ControlId id) {
    Win32RadioButton& clicked = id == ControlId::rbtnPreset ? *rbtnPreset_ : *rbtnManual_;
    Win32RadioButton& other = id == ControlId::rbtnPreset ? *rbtnManual_ : *rbtnPreset_;
    if (clicked.Checked()) {
        return;
    }
    clicked.SetChecked(true);
    other.SetChecked(false);
    if (id == ControlId::rbtnPreset) {
        Dispatch([this] { form_->rbtnPresetClick(); });
    } else {
        Dispatch([this] { form_->rbtnManualClick(); });
    }
}

LRESULT MainWindow::OnDeviceChange(WPARAM wParam, LPARAM lParam) {
    if (form_ != nullptr) {
        Dispatch([&] {
            form_->WMDeviceChange(static_cast<std::uintptr_t>(wParam),
                                  reinterpret_cast<const void*>(lParam));
        });
    }
    return 0; // handled here, never by the default processing
}

LRESULT MainWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = LOWORD(wParam);
    font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
    hexFont_ = MakeFont(L"Courier New", dpi_, ANSI_CHARSET);
    ApplyFonts(true);
    PlaceControls(false);
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

LRESULT MainWindow::OnColorStatic(HDC dc, HWND control) {
    // The read-only text output keeps the look of a field, not of a label.
    if (control == Control(ControlId::edtSTRING) && ::IsWindowEnabled(control) != FALSE) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    return ::DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(control));
}

void MainWindow::SaveFocus() {
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(window_, focus) != FALSE) {
        focus_ = focus;
    }
}

void MainWindow::RestoreFocus() {
    HWND target = focus_;
    if (target == nullptr || ::IsWindow(target) == FALSE || ::IsChild(window_, target) == FALSE ||
        ::IsWindowEnabled(target) == FALSE || ::IsWindowVisible(target) == FALSE) {
        target = ::GetNextDlgTabItem(window_, nullptr, FALSE);
    }
    if (target != nullptr) {
        ::SetFocus(target);
    }
}

// WM_NEXTDLGCTL: a control that takes Tab itself (the hex field) hands it on
// as this message, which a window that is not a dialog must answer itself.
void MainWindow::OnNextControl(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) != 0) {
        FocusControl(reinterpret_cast<HWND>(wParam));
        return;
    }
    // The focus may be inside a control (the edit of the drive list); the
    // tab order is that of the window's own children.
    HWND from = ::GetFocus();
    while (from != nullptr && ::GetParent(from) != window_) {
        from = ::GetParent(from);
    }
    FocusControl(::GetNextDlgTabItem(window_, from, wParam != 0 ? TRUE : FALSE));
}

void MainWindow::FocusControl(HWND control) {
    if (control == nullptr || ::IsChild(window_, control) == FALSE) {
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

void MainWindow::ShowErrorBox(const std::wstring& message) noexcept {
    try {
        dialogs_.ShowError(ErrorBoxText(message));
    } catch (...) {
        ::MessageBeep(MB_ICONERROR); // not even the box could be shown
    }
}

std::wstring MainWindow::Widen(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return wide;
}

} // namespace juxa::win32
