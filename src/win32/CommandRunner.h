// The wait for the device. A pass-through command may take the device up to
// its 200-second timeout (a card's format takes seconds), and a window that
// reads no messages for five seconds is marked as not responding, with an
// offer to end the program in the middle of the command. So the command runs
// on a worker thread while the main window waits as it does under a modal
// box: disabled, but painting, answering the system and handling device
// notifications; after a moment a small window says what is going on.
#pragma once

#include "Controls.h"
#include "Handles.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace juxa::win32 {

// The window that waits, and what the wait needs of it.
struct WaitingWindow {
    HWND window = nullptr;
    std::function<UINT()> dpi;
    std::function<void()> saveFocus;      // before the window is disabled
    std::function<void()> restoreFocus;   // once it is enabled and active again
    std::function<void()> beforeProgress; // writes what the window holds back
};

class ProgressWindow;

class CommandRunner final : public ICommandRunner {
public:
    // A command answered within this time leaves the window as it was: no
    // state changes, nothing redrawn; a sent message is still answered.
    static constexpr DWORD kQuietWait = 50;
    // A command answered within this time shows no progress window.
    static constexpr DWORD kProgressDelay = 1000;

    explicit CommandRunner(HINSTANCE instance);
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;
    ~CommandRunner() override;

    void SetWindow(WaitingWindow window) { owner_ = std::move(window); }
    bool Run(const CommandInfo& info, const std::function<void()>& call) override;
    [[nodiscard]] bool Busy() const { return busy_; }
    // The waiting window's messages that the wait answers itself: a request
    // to close, the end of the session, the mouse cursor. True when handled.
    bool OwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The progress window while it is shown, else null.
    [[nodiscard]] HWND Progress() const;

private:
    void StartWorker();
    static DWORD WINAPI WorkerEntry(LPVOID runner);
    void Work();
    [[nodiscard]] bool Done() const;
    bool WaitQuietly(DWORD milliseconds);
    void WaitModally();
    void EnterModal();
    void LeaveModal();
    void ShowProgress();
    void Tick();
    void RequestClose();

    HINSTANCE instance_;
    WaitingWindow owner_;

    // The worker lives from the first command to the end of the runner: it
    // takes one call at a time, and it is never stopped in the middle of one.
    KernelHandle worker_;
    KernelHandle work_; // auto-reset: a call is ready, or the worker is to end
    // Auto-reset: the call has returned. A signal left over from a call that
    // was seen to end by the flag costs one spurious wake of the next wait.
    KernelHandle done_;
    std::atomic<bool> finished_{false};
    const std::function<void()>* call_ = nullptr;
    std::exception_ptr error_;
    std::atomic<bool> quit_{false};

    bool busy_ = false;
    bool modal_ = false;
    bool closeRequested_ = false;
    CommandInfo info_;
    ULONGLONG started_ = 0;
    std::unique_ptr<ProgressWindow> progress_;
};

} // namespace juxa::win32
