#include "CommandRunner.h"

#include "Layout.h"
#include "Texts.h"
#include "Win32Controls.h"
#include "WindowBase.h"
#include "uJuxa.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace juxa::win32 {

namespace {

constexpr wchar_t kProgressClass[] = L"JuxaProgressWindow";
constexpr const wchar_t* kProgressCaption = L"Sending SCSI Query";
constexpr const wchar_t* kBlockReason = L"A command is still running on the device";
constexpr UINT kMarqueeMilliseconds = 30;

// The window's lines, in 96-DPI pixels of its client area.
enum class Line { Command, Elapsed, Bar, NoCancel, Closing };
struct LineSpec {
    int top, height;
};
constexpr std::array<LineSpec, 5> kLines = {{{12, 28}, {46, 14}, {66, 16}, {90, 28}, {124, 14}}};
constexpr int kProgressWidth = 380;
constexpr int kProgressHeight = 148;
constexpr int kMargin = 12;

std::wstring ElapsedText(ULONGLONG milliseconds) {
    const ULONGLONG seconds = milliseconds / 1000;
    return std::to_wstring(seconds) + (seconds == 1 ? L" second" : L" seconds") +
           L" so far. The device is given up to " + std::to_wstring(kTimeOutSeconds) +
           L" seconds to answer.";
}

} // namespace

// Says which command runs on which drive and for how long, with a marquee
// that shows the program is alive. Its texts are static controls, so a
// screen reader reads them. Its close box asks the program to close.
class ProgressWindow final : public WindowBase {
public:
    ProgressWindow(HINSTANCE instance, HWND owner, UINT dpi, const CommandInfo& info,
                   std::function<void()> onClose)
        : dpi_(dpi), onClose_(std::move(onClose)) {
        font_ = MakeFont(L"Tahoma", dpi_, DEFAULT_CHARSET);
        RECT frame{0, 0, Scale(kProgressWidth, dpi_), Scale(kProgressHeight, dpi_)};
        constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        constexpr DWORD exStyle = WS_EX_DLGMODALFRAME;
        ::AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi_);
        const RECT place = CentredOn(owner, frame.right - frame.left, frame.bottom - frame.top);
        Create(
            instance,
            WindowClass{kProgressClass, nullptr, nullptr, FromInteger<HBRUSH>(COLOR_BTNFACE + 1)},
            kProgressCaption, WindowPlace{exStyle, style, place, owner, nullptr});
        std::wstring command = L"Sending ";
        command += info.command.empty() ? L"the command" : L"\u201C" + info.command + L"\u201D";
        command += L" to drive ";
        command += info.letter;
        command += L":";
        Add(Line::Command, WC_STATICW, command);
        Add(Line::Elapsed, WC_STATICW, ElapsedText(0));
        HWND bar = Add(Line::Bar, PROGRESS_CLASSW, L"", PBS_MARQUEE);
        ::SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeMilliseconds);
        Add(Line::NoCancel, WC_STATICW,
            L"A command cannot be taken back once it is on its way to the device, so there is "
            L"no Cancel.");
        Add(Line::Closing, WC_STATICW, L"");
    }

    void SetElapsed(ULONGLONG milliseconds) {
        const std::wstring text = ElapsedText(milliseconds);
        if (text != WindowText(lines_[static_cast<std::size_t>(Line::Elapsed)])) {
            ::SetWindowTextW(lines_[static_cast<std::size_t>(Line::Elapsed)], text.c_str());
        }
    }
    void SetClosing() {
        ::SetWindowTextW(lines_[static_cast<std::size_t>(Line::Closing)],
                         L"Juxa will close as soon as the device answers.");
    }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE) {
            onClose_();
            return 0;
        }
        return Default(message, wParam, lParam);
    }

private:
    static RECT CentredOn(HWND owner, int width, int height) {
        RECT outer{};
        ::GetWindowRect(owner, &outer);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& work = monitor.rcWork;
        LONG left = outer.left + (outer.right - outer.left - width) / 2;
        LONG top = outer.top + (outer.bottom - outer.top - height) / 2;
        left = std::max(work.left, std::min(left, work.right - width));
        top = std::max(work.top, std::min(top, work.bottom - height));
        return RECT{left, top, left + width, top + height};
    }

    HWND Add(Line line, const wchar_t* cls, const std::wstring& text,
             DWORD style = SS_LEFT | SS_NOPREFIX) {
        const LineSpec& spec = kLines.at(static_cast<std::size_t>(line));
        HWND control = ::CreateWindowExW(
            0, cls, L"", WS_CHILD | WS_VISIBLE | style, Scale(kMargin, dpi_), Scale(spec.top, dpi_),
            Scale(kProgressWidth - 2 * kMargin, dpi_), Scale(spec.height, dpi_), Handle(), nullptr,
            ::GetModuleHandleW(nullptr), nullptr);
        if (control == nullptr) {
            throw std::runtime_error("a control cannot be created");
        }
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        ::SetWindowTextW(control, text.c_str());
        lines_.at(static_cast<std::size_t>(line)) = control;
        return control;
    }

    UINT dpi_;
    std::function<void()> onClose_;
    FontHandle font_;
    std::array<HWND, kLines.size()> lines_{};
};

CommandRunner::CommandRunner(HINSTANCE instance)
    : instance_(instance), work_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      done_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (!work_ || !done_) {
        throw std::runtime_error("the events of the device wait cannot be made");
    }
}

CommandRunner::~CommandRunner() {
    progress_.reset();
    if (worker_) {
        // Between calls the worker waits for the next one: told to end, it
        // ends there. A call in flight is waited for, never cut short.
        quit_ = true;
        ::SetEvent(work_.Get());
        ::WaitForSingleObject(worker_.Get(), INFINITE);
    }
}

void CommandRunner::StartWorker() {
    if (!worker_) {
        worker_ = KernelHandle(::CreateThread(nullptr, 0, WorkerEntry, this, 0, nullptr));
        if (!worker_) {
            throw std::runtime_error("the thread that waits for the device cannot be started");
        }
    }
}

DWORD WINAPI CommandRunner::WorkerEntry(LPVOID runner) {
    static_cast<CommandRunner*>(runner)->Work();
    return 0;
}

void CommandRunner::Work() {
    for (;;) {
        ::WaitForSingleObject(work_.Get(), INFINITE);
        if (quit_) {
            return;
        }
        try {
            (*call_)();
        } catch (...) {
            error_ = std::current_exception(); // raised again on the window's thread
        }
        finished_ = true;
        ::SetEvent(done_.Get());
    }
}

// Read from the flag, not the event: every look at an event is a round trip
// to the server under Wine, and a quick answer should cost next to nothing.
bool CommandRunner::Done() const {
    return finished_;
}

bool CommandRunner::Run(const CommandInfo& info, const std::function<void()>& call) {
    if (busy_) {
        throw std::logic_error("a command is already running");
    }
    StartWorker();
    info_ = info;
    call_ = &call;
    error_ = nullptr;
    closeRequested_ = false;
    started_ = ::GetTickCount64();
    finished_ = false;
    busy_ = true;
    ::SetEvent(work_.Get());
    // The call, the buffer and the bytes it reads stay alive until here: the
    // wait returns only once the worker has handed the call back.
    if (!WaitQuietly(kQuietWait)) {
        WaitModally();
    }
    busy_ = false;
    call_ = nullptr;
    if (error_) {
        std::rethrow_exception(std::exchange(error_, nullptr));
    }
    if (closeRequested_) {
        // Asked to close while the device worked: it has answered, so the
        // program closes now, without showing the answer.
        ::PostMessageW(owner_.window, WM_CLOSE, 0, 0);
        return false;
    }
    return true;
}

// Messages sent from other threads (the system's, a test's) are answered
// meanwhile; nothing posted is taken, so the window is left exactly as it is.
bool CommandRunner::WaitQuietly(DWORD milliseconds) {
    const ULONGLONG until = started_ + milliseconds;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (Done()) {
            return true;
        }
        if (now >= until) {
            return false;
        }
        HANDLE done = done_.Get();
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &done, static_cast<DWORD>(until - now),
                                                         QS_SENDMESSAGE, 0);
        if (woke == WAIT_OBJECT_0 + 1) {
            MSG msg{};
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

void CommandRunner::WaitModally() {
    EnterModal();
    bool quit = false;
    WPARAM quitCode = 0;
    while (!Done()) {
        const ULONGLONG elapsed = ::GetTickCount64() - started_;
        // Wake for the progress window, then once a second for its clock.
        const ULONGLONG next =
            elapsed < kProgressDelay ? kProgressDelay : (elapsed / 1000 + 1) * 1000;
        HANDLE done = done_.Get();
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(
            1, &done, static_cast<DWORD>(next - elapsed), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + 1) {
            MSG msg{};
            while (!Done() && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
                if (msg.message == WM_QUIT) {
                    quit = true; // for the loop that owns it, once the wait is over
                    quitCode = msg.wParam;
                    continue;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        Tick();
    }
    LeaveModal();
    if (quit) {
        ::PostQuitMessage(static_cast<int>(quitCode));
    }
}

void CommandRunner::EnterModal() {
    modal_ = true;
    if (owner_.saveFocus) {
        owner_.saveFocus();
    }
    // As the owner of a modal box: no input, and a box opened meanwhile
    // (a drive's arrival) finds it disabled and leaves it so.
    ::EnableWindow(owner_.window, FALSE);
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ::ShutdownBlockReasonCreate(owner_.window, kBlockReason);
}

void CommandRunner::LeaveModal() {
    modal_ = false;
    ::ShutdownBlockReasonDestroy(owner_.window);
    // Enabled before the progress window goes, so that the activation goes
    // back to the main window, as when a modal box closes.
    ::EnableWindow(owner_.window, TRUE);
    progress_.reset();
    POINT pointer{};
    ::GetCursorPos(&pointer);
    HWND under = ::WindowFromPoint(pointer);
    if (under != nullptr && ::GetAncestor(under, GA_ROOT) == owner_.window) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
    if (::GetActiveWindow() == owner_.window && owner_.restoreFocus) {
        owner_.restoreFocus();
    }
    if (::GetForegroundWindow() != owner_.window) {
        // The answer came while another program was in front.
        FLASHWINFO flash{sizeof(flash), owner_.window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        ::FlashWindowEx(&flash);
    }
}

void CommandRunner::Tick() {
    const ULONGLONG elapsed = ::GetTickCount64() - started_;
    if (!progress_ && elapsed >= kProgressDelay && !Done()) {
        ShowProgress();
    }
    if (progress_) {
        progress_->SetElapsed(elapsed);
    }
}

void CommandRunner::ShowProgress() {
    if (progress_) {
        return;
    }
    // What the window holds back (the cleared outputs) is shown before the
    // window waits in sight of the user.
    if (owner_.beforeProgress) {
        owner_.beforeProgress();
    }
    const UINT dpi = owner_.dpi ? owner_.dpi() : ::GetDpiForWindow(owner_.window);
    progress_ = std::make_unique<ProgressWindow>(instance_, owner_.window, dpi, info_,
                                                 [this] { RequestClose(); });
    progress_->SetElapsed(::GetTickCount64() - started_);
    if (closeRequested_) {
        progress_->SetClosing();
    }
    // In front of the main window when the user is there; otherwise it
    // waits behind whatever the user is doing.
    const bool ours = ::GetForegroundWindow() == owner_.window;
    ::ShowWindow(progress_->Handle(), ours ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
    ::UpdateWindow(progress_->Handle());
}

void CommandRunner::RequestClose() {
    closeRequested_ = true;
    if (progress_) {
        progress_->SetClosing();
    } else {
        ShowProgress(); // which says so from the start
    }
}

bool CommandRunner::OwnerMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result) {
    if (!busy_) {
        return false;
    }
    switch (message) {
    case WM_CLOSE:
        RequestClose();
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        result = FALSE; // the reason set at the start of the wait tells the user why
        return true;
    case WM_ENABLE:
        // A box that opened during the wait enables its owner as it closes,
        // whether it found it enabled or not: the wait disables it again at
        // once, so no input reaches the window before the device answers.
        if (modal_ && wParam != FALSE) {
            ::EnableWindow(owner_.window, FALSE);
        }
        return false;
    case WM_SETCURSOR:
        if (!modal_) {
            return false;
        }
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

HWND CommandRunner::Progress() const {
    return progress_ ? progress_->Handle() : nullptr;
}

} // namespace juxa::win32
